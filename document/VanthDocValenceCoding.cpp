#include "document/VanthDoc.h"

void CVanthDoc::RegisterValenceCodingCommands()
{
}
