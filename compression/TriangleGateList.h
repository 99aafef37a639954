#pragma once

#include "compression/GateArray.h"
#include "compression/TriangleGate3d.h"

// The active gates of the triangle coder.
class CTriangleGateList : public CGateArray<CTriangleGate3d>
{
};
