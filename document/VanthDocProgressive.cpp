#include "document/VanthDoc.h"

void CVanthDoc::RegisterProgressiveCommands()
{
}
