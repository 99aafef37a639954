#pragma once

#include "compression/LoopList.h"

// A border loop of the conquered region with its pivot, the vertex the conquest works on.
// One vertex may stand in several lists, and the ghost vertex more than once in one list.
class CEdgeList : public CLoopList
{
public:
  CEdgeList() = default;
  ~CEdgeList() override = default;

  void SetPivot(POSITION pos) { m_Pivot = pos; }
  POSITION GetPivot() const { return m_Pivot; }
  // Null while no pivot is set.
  CVertex3d* GetPivotVertex() const { return GetAt(m_Pivot); }

private:
  POSITION m_Pivot = nullptr;
};
