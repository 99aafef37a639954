#pragma once

#include "compression/GateRun.h"
#include "compression/PolygonGateState.h"

#include <vector>

class CPolygon3d;
class CPolygonGate3d;
class CPolygonMesh3d;
class CPolygonVertex3d;
class CRenderView;

// Rebuilds a polygon mesh of triangles and quads from a stream of CPolygonGateCoder.
class CPolygonGateDecoder
{
public:
  CPolygonGateDecoder() = default;
  virtual ~CPolygonGateDecoder() = default;

  CPolygonGateDecoder(const CPolygonGateDecoder&) = delete;
  CPolygonGateDecoder& operator=(const CPolygonGateDecoder&) = delete;

  // Fills the empty mesh with the vertices in the encoder's order and the polygons; the
  // caller rebuilds adjacency and normals. 0, and the mesh left empty, when the file cannot
  // be read or the stream is truncated or corrupted.
  int Decode(CPolygonMesh3d* pMesh, const char* fileName, int debug, CRenderView* pView,
             int refreshPeriod, int delay);

  const std::vector<unsigned int>& GetCodes() const { return m_State.m_Codes; }
  int GetConqueredPolygons() const { return m_State.m_ConqueredPolygons; }

private:
  int Read(const char* fileName);
  int Rebuild();
  int StartSeed();
  int DecodeAll();
  gate::EStep DecodeStep();
  int DecodeTriangle(unsigned int code, CPolygonGate3d* gate);
  int DecodeQuad(unsigned int code, CPolygonGate3d* gate);
  // The vertex that a join names at the cursor.
  CPolygonVertex3d* ReadJoin(CPolygonGate3d* gate, int predicted);
  CPolygonVertex3d* NextVertex();
  // A new polygon, linked to its neighbours; null when the stream made one that cannot be.
  CPolygon3d* AddPolygon(const std::vector<CPolygonVertex3d*>& corners);
  void AddGate(CPolygonVertex3d* v1, CPolygonVertex3d* v2);
  void Refresh(int force);

  CPolygonGateState m_State;
};
