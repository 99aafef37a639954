#include "document/VanthDoc.h"

void CVanthDoc::RegisterPositionCodingCommands()
{
}
