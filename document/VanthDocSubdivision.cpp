#include "document/VanthDoc.h"

void CVanthDoc::RegisterSubdivisionCommands()
{
}

void CVanthDoc::AdaptiveRefinementStep()
{
}
