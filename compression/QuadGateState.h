#pragma once

#include "compression/QuadGateList.h"
#include "mesh/Array3d.h"

#include <vector>

class CQuad3d;
class CQuadMesh3d;
class CQuadVertex3d;
class CRenderView;

// What the quad gate encoder and decoder hold for one run.
struct CQuadGateState
{
  int m_Genus = 0; // the zip phase found seed quads
  int m_SeedQuad = 0;
  CQuadGateList m_Gates;
  CQuadMesh3d* m_pMesh = nullptr;
  const char* m_FileName = nullptr;
  CArray3d<CQuad3d> m_SeedQuads;
  // Vertices in conquest order; after the m_NbMainVertex of the geometry come the seed corners
  // that no gate entered.
  CArray3d<CQuadVertex3d> m_VertexOrder;
  int m_NbMainVertex = 0;
  CRenderView* m_pView = nullptr;
  int m_Delay = 0;
  int m_StepLimitFlag = 0; // accepted, no effect
  int m_ConqueredQuads = 0;
  int m_RefreshPeriod = 0;
  int m_StepLimit = 0;     // accepted, no effect
  int m_Debug = 0;
  std::vector<unsigned int> m_Codes;
  float m_BitsPerVertex = 0.0f;
  int m_NextVertex = 0;
  int m_CodeCount = 0;
};

// The process-wide request counter of the quad coder's visual debugging.
int* QuadGateRefreshCounter();
