#include "document/VanthDoc.h"

void CVanthDoc::RegisterPackingCommands()
{
}
