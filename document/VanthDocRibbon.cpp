#include "document/VanthDoc.h"

void CVanthDoc::RegisterRibbonCommands()
{
}
