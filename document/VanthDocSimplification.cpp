#include "document/VanthDoc.h"

void CVanthDoc::RegisterSimplificationCommands()
{
}
