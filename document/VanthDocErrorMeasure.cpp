#include "document/VanthDoc.h"

void CVanthDoc::RegisterErrorMeasureCommands()
{
}
