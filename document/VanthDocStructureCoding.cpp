#include "document/VanthDoc.h"

void CVanthDoc::RegisterStructureCodingCommands()
{
}
