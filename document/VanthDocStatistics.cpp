#include "document/VanthDoc.h"

void CVanthDoc::RegisterStatisticsCommands()
{
}
