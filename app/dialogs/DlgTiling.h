#pragma once

#include "platform/ui/Dialog.h"

// Surface tiling from one or several seed vertices.
class CDlgTiling : public platform::CDialog
{
public:
  CDlgTiling();

  unsigned m_VertexSeed;
  int m_MultiMesh;
  unsigned m_SeedFrom;
  unsigned m_SeedTo;
  int m_RetainMinNbTile;
  int m_SplitPolygons;
  int m_GenerateMesh;
  int m_RecursiveMesh;
  int m_RecursionDepth;
};
