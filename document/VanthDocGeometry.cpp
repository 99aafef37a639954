#include "document/VanthDoc.h"

void CVanthDoc::RegisterGeometryCommands()
{
}
