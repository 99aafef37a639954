#pragma once

#include "compression/PolygonGateList.h"
#include "mesh/Array3d.h"

#include <string>
#include <vector>

class CPolygonMesh3d;
class CPolygonVertex3d;
class CRenderView;

// What the polygon gate encoder and decoder hold for one run.
struct CPolygonGateState
{
  int m_Order = 0;
  int m_Distribution = 0; // encoder: append the code distribution to the text
  int m_Adaptive = 0;
  int m_CodeCursor = 0;   // decoder: next code to read
  int m_FirstSeed = 1;
  const char* m_FileName = nullptr;
  int m_SeedPolygon = 0;
  int m_NextVertex = 0;   // decoder: vertices of the order used so far
  std::string* m_pText = nullptr;
  CPolygonGateList m_Gates;
  CArray3d<CPolygonVertex3d> m_VertexOrder;
  CPolygonMesh3d* m_pMesh = nullptr;
  CRenderView* m_pView = nullptr;
  int m_Delay = 0;
  int m_StepLimitFlag = 0; // accepted, no effect
  int m_ConqueredPolygons = 0;
  int m_RefreshPeriod = 0;
  int m_StepLimit = 0;     // accepted, no effect
  int m_Debug = 0;
  std::vector<unsigned int> m_Codes;
  std::vector<unsigned int> m_JoinIndices; // encoder: the index symbols again
  float m_BitsPerVertex = 0.0f;
};

// The process-wide request counter of the polygon coder's visual debugging.
int* PolygonGateRefreshCounter();
