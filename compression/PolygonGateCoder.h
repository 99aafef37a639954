#pragma once

#include "compression/PolygonGateState.h"

#include <cstdint>
#include <string>
#include <vector>

class CPolygon3d;
class CPolygonGate3d;
class CPolygonMesh3d;
class CPolygonVertex3d;
class CRenderView;

// Connectivity encoder of meshes of triangles and quads by conquest through gates, one seed
// per connected component in line with the codes. The thirteen symbols: 3 T create, 2 T mesh
// CW, 9 T mesh CCW, 7 T join, 1 Q create 2, 10 Q create left, 0 Q create right, 4 Q mesh
// both, 5 Q mesh cw, 11 Q mesh ccw, 6 Q join, 8 skip, 12 the escape of join indices. A join
// names a conquered vertex by its rank among the active vertices nearest a predicted point;
// a vertex outside them (or, in a quad join, a new one) follows as its place in the order.
class CPolygonGateCoder
{
public:
  CPolygonGateCoder() = default;
  virtual ~CPolygonGateCoder() = default;

  CPolygonGateCoder(const CPolygonGateCoder&) = delete;
  CPolygonGateCoder& operator=(const CPolygonGateCoder&) = delete;

  // 0 when the mesh cannot be coded (nothing is written then): no polygons, a seed polygon or
  // order (0-3) out of range, a polygon that is not a triangle or a quad, polygons that do
  // not form an oriented edge-manifold surface with a current adjacency, or a part reached
  // through a single vertex only; 0 too when the file cannot be written.
  int Encode(CPolygonMesh3d* pMesh, const char* fileName, int seedPolygon, int order,
             int adaptive, int debug, CRenderView* pView, int refreshPeriod, int delay,
             int stepLimitFlag, int stepLimit, int distribution, std::string* pText);

  float GetBitsPerVertex() const { return m_State.m_BitsPerVertex; }
  int GetConqueredPolygons() const { return m_State.m_ConqueredPolygons; }
  const CArray3d<CPolygonVertex3d>& GetVertexOrder() const { return m_State.m_VertexOrder; }
  const std::vector<unsigned int>& GetCodes() const { return m_State.m_Codes; }
  const std::vector<unsigned int>& GetJoinIndices() const { return m_State.m_JoinIndices; }
  unsigned int GetMaxCode() const;
  int WriteCodesText(const char* fileName) const;

private:
  void Initialize();
  CPolygon3d* NextSeed() const;
  void StartSeed(CPolygon3d* polygon);
  int ConquerStep();
  unsigned int CodeTriangle(CPolygonGate3d* gate, CPolygon3d* outer);
  unsigned int CodeQuad(CPolygonGate3d* gate, CPolygon3d* outer);
  // The join symbols of a far corner: its rank, or its place in the order (entering it when
  // new).
  void CodeJoinCorner(CPolygonGate3d* gate, CPolygonVertex3d* corner, int predicted);
  void Enter(CPolygonVertex3d* v);
  void AddGate(CPolygonVertex3d* v1, CPolygonVertex3d* v2);
  void Emit(unsigned int symbol) { m_State.m_Codes.push_back(symbol); }
  void AppendDistribution() const;
  int WriteStream();
  void Refresh(int force);

  CPolygonGateState m_State;
};
