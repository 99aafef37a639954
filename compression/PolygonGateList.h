#pragma once

#include "compression/GateArray.h"
#include "mesh/PolygonGate3d.h"

// The active gates of the polygon coder.
class CPolygonGateList : public CGateArray<CPolygonGate3d>
{
};
