#pragma once

#include "compression/GateArray.h"
#include "mesh/QuadEdge3d.h"

// The active gates of the quad coder.
class CQuadGateList : public CGateArray<CQuadEdge3d>
{
};
