#pragma once

#include "compression/TriangleGateList.h"
#include "mesh/Array3d.h"
#include "scene/StreamFile.h"

#include <vector>

class CFace3d;
class CMesh3d;
class CRenderView;
class CVertex3d;

// What the triangle gate encoder and decoder hold for one run.
struct CTriangleGateState
{
  int m_Genus = 0;       // the zip phase found seed faces
  int m_Order = 0;       // context order of the range coder
  int m_Adaptive = 0;    // encoder: adaptive gate choice, else the oldest gate
  int m_SeedFace = 0;
  CTriangleGateList m_Gates;
  // The second header bit: 1 when the gates were taken oldest first. Adaptive streams keep
  // it 0; the decoder follows it.
  int m_OldestFirst = 0;
  CMesh3d* m_pMesh = nullptr;
  const char* m_FileName = nullptr;
  CArray3d<CFace3d> m_SeedFaces;
  // Vertices in conquest order; after the m_NbMainVertex of the geometry come the seed corners
  // that no gate entered.
  CArray3d<CVertex3d> m_VertexOrder;
  int m_NbMainVertex = 0;
  CStreamFile m_LevelsFile; // decoder: "levels.wrl", the mesh at every redraw
  CRenderView* m_pView = nullptr;
  int m_Delay = 0;
  int m_StepLimitFlag = 0; // accepted, no effect
  int m_ConqueredFaces = 0;
  int m_RefreshPeriod = 0;
  int m_StepLimit = 0;     // accepted, no effect
  int m_Debug = 0;
  int m_Levels = 0;
  std::vector<unsigned int> m_Codes;
  float m_BitsPerVertex = 0.0f;
  float m_PackedBitsPerVertex = 0.0f;
  int m_NextVertex = 0;
  int m_CodeCount = 0;
};

// The process-wide request counter of the triangle coder's visual debugging.
int* TriangleGateRefreshCounter();
