#pragma once

#include "compression/GateRun.h"
#include "compression/GateStream.h"
#include "compression/TriangleGateState.h"

#include <cstdint>
#include <vector>

class CFace3d;
class CMesh3d;
class CRenderView;
class CVertex3d;

// Rebuilds a triangle mesh from a stream of CTriangleGateCoder.
class CTriangleGateDecoder
{
public:
  CTriangleGateDecoder() = default;
  virtual ~CTriangleGateDecoder() = default;

  CTriangleGateDecoder(const CTriangleGateDecoder&) = delete;
  CTriangleGateDecoder& operator=(const CTriangleGateDecoder&) = delete;

  // Fills the empty mesh with the vertices in the encoder's conquest order and the faces; the
  // caller rebuilds adjacency and normals. packed 1 reads a "packed.bin" stream. 0, and the
  // mesh left empty, when the file cannot be read or the stream is truncated or corrupted.
  int Decode(CMesh3d* pMesh, const char* fileName, int debug, CRenderView* pView,
             int refreshPeriod, int delay, int levels, int packed = 0);

  int GetGenus() const { return m_State.m_Genus; }
  int GetConqueredFaces() const { return m_State.m_ConqueredFaces; }
  // The codes read, pairs unpacked.
  const std::vector<unsigned int>& GetCodes() const { return m_State.m_Codes; }

private:
  int Read(const char* fileName, int packed, gate::SeedIndices<3>* pSeeds);
  int Rebuild(const gate::SeedIndices<3>& seeds);
  int DecodeAll(int colour);
  gate::EStep DecodeStep(int colour);
  // A new face on the three vertices, linked to its neighbours; null when the stream made a
  // face that cannot be (the face then belongs to the mesh, which is freed).
  CFace3d* AddFace(CVertex3d* a, CVertex3d* b, CVertex3d* c);
  // A seed face: a new face with its three edges as gates.
  CFace3d* AddSeedFace(CVertex3d* a, CVertex3d* b, CVertex3d* c);
  void AddGate(CVertex3d* v1, CVertex3d* v2);
  void Refresh(int force);

  CTriangleGateState m_State;
};
