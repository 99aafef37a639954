#pragma once

#include "compression/GateRun.h"
#include "compression/GateStream.h"
#include "compression/QuadGateState.h"

#include <vector>

class CQuad3d;
class CQuadEdge3d;
class CQuadMesh3d;
class CQuadVertex3d;
class CRenderView;

// Rebuilds a quad mesh from a stream of CQuadGateCoder.
class CQuadGateDecoder
{
public:
  CQuadGateDecoder() = default;
  virtual ~CQuadGateDecoder() = default;

  CQuadGateDecoder(const CQuadGateDecoder&) = delete;
  CQuadGateDecoder& operator=(const CQuadGateDecoder&) = delete;

  // Fills the empty mesh with the vertices in the encoder's conquest order and the quads; the
  // caller rebuilds adjacency and normals. 0, and the mesh left empty, when the file cannot
  // be read or the stream is truncated or corrupted.
  int Decode(CQuadMesh3d* pMesh, const char* fileName, int debug, CRenderView* pView,
             int refreshPeriod, int delay);

  int GetGenus() const { return m_State.m_Genus; }
  int GetConqueredQuads() const { return m_State.m_ConqueredQuads; }
  const std::vector<unsigned int>& GetCodes() const { return m_State.m_Codes; }

private:
  int Read(const char* fileName, gate::SeedIndices<4>* pSeeds);
  int Rebuild(const gate::SeedIndices<4>& seeds);
  int DecodeAll(int colour);
  gate::EStep DecodeStep(int colour);
  // The corners a, b of the new quad (g1, a, b, g2) for the code; 0 when the stream cannot
  // mean them. Appends the code's gates.
  int FindCorners(unsigned int code, CQuadEdge3d* gt, CQuadVertex3d** ppA, CQuadVertex3d** ppB);
  CQuadVertex3d* NextVertex();
  CQuad3d* AddQuad(CQuadVertex3d* v0, CQuadVertex3d* v1, CQuadVertex3d* v2, CQuadVertex3d* v3);
  void AddGate(CQuadVertex3d* v1, CQuadVertex3d* v2);
  void Refresh(int force);

  CQuadGateState m_State;
};
