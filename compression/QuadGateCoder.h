#pragma once

#include "compression/QuadGateState.h"

#include <cstdint>
#include <vector>

class CQuad3d;
class CQuadEdge3d;
class CQuadMesh3d;
class CQuadVertex3d;
class CRenderView;

// Connectivity encoder of quad meshes by conquest through gates. With Q the quad across the
// gate g1 -> g2 and o1, o2 its far corners (after g1, then opposite g1): 0 both far corners
// new, 1 only o1 new (the fan around g2 closes), 2 only o2 new (the fan around g1 closes),
// 3 both fans close, 4 the fans around g2 and o2 close, 5 those around g1 and o1, 6 skip.
// Quads the conquest leaves behind are conquered from seed quads (the zip phase).
class CQuadGateCoder
{
public:
  CQuadGateCoder() = default;
  virtual ~CQuadGateCoder() = default;

  CQuadGateCoder(const CQuadGateCoder&) = delete;
  CQuadGateCoder& operator=(const CQuadGateCoder&) = delete;

  // 0 when the mesh cannot be coded (nothing is written then): no quads, a seed quad out of
  // range, quads that do not form an oriented edge-manifold surface with a current
  // adjacency, more than 255 seed quads; 0 too when the file cannot be written.
  int Encode(CQuadMesh3d* pMesh, const char* fileName, int seedQuad, int debug,
             CRenderView* pView, int refreshPeriod, int delay, int stepLimitFlag, int stepLimit);

  float GetBitsPerVertex() const { return m_State.m_BitsPerVertex; }
  int GetGenus() const { return m_State.m_Genus; }
  int GetConqueredQuads() const { return m_State.m_ConqueredQuads; }
  int NbSeedQuad() const { return m_State.m_SeedQuads.GetSize(); }
  const CArray3d<CQuadVertex3d>& GetVertexOrder() const { return m_State.m_VertexOrder; }
  const std::vector<unsigned int>& GetCodes() const { return m_State.m_Codes; }
  int WriteCodesText(const char* fileName) const;
  // Among the gates whose vertex 2 has the most conquered quads, the first whose vertex 1
  // has the fewest.
  int ChooseGateFewestAtVertex1() const;

private:
  void Initialize();
  void Conquer(const std::vector<CQuad3d*>& extraSeeds);
  int ConquerStep(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  int ChooseCode(CQuadEdge3d* gate);
  void Enter(CQuadVertex3d* v);
  void AddGate(CQuadVertex3d* v1, CQuadVertex3d* v2);
  void FindSeeds();
  void OpenSeeds();
  int WriteStream();
  void Refresh(int force);

  CQuadGateState m_State;
};
