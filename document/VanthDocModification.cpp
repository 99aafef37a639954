#include "document/VanthDoc.h"

void CVanthDoc::RegisterModificationCommands()
{
}
