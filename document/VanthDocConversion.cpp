#include "document/VanthDoc.h"

void CVanthDoc::RegisterConversionCommands()
{
}
