#include "document/VanthDoc.h"

void CVanthDoc::RegisterGateCodingCommands()
{
}
