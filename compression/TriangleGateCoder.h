#pragma once

#include "compression/GateStream.h"
#include "compression/TriangleGateQueue.h"
#include "compression/TriangleGateState.h"
#include "mesh/Array3d.h"

#include <cstdint>
#include <vector>

class CFace3d;
class CMesh3d;
class CRenderView;
class CVertex3d;

// Connectivity encoder of triangle meshes by face conquest through gates. Each gate whose
// face across is not yet conquered costs one code: 0 create (a new vertex), 1 mesh CCW (the
// face closes the fan around vertex 1), 2 mesh CW (around vertex 2), 3 skip. Faces that the
// conquest from the seed face leaves behind are conquered from seed faces (the zip phase).
class CTriangleGateCoder
{
public:
  CTriangleGateCoder() = default;
  virtual ~CTriangleGateCoder() = default;

  CTriangleGateCoder(const CTriangleGateCoder&) = delete;
  CTriangleGateCoder& operator=(const CTriangleGateCoder&) = delete;

  // Writes fileName and "packed.bin" (where each 0 2 pair is one code 4) into the current
  // folder. 0 when the mesh cannot be coded (nothing is written then): no faces, a seed face
  // or order out of range, faces that do not form an oriented edge-manifold surface with a
  // current adjacency, more than 255 seed faces; 0 too when a file cannot be written.
  int Encode(CMesh3d* pMesh, const char* fileName, int order, int seedFace, int adaptive,
             int debug, CRenderView* pView, int refreshPeriod, int delay, int stepLimitFlag,
             int stepLimit);

  float GetBitsPerVertex() const { return m_State.m_BitsPerVertex; }
  float GetPackedBitsPerVertex() const { return m_State.m_PackedBitsPerVertex; }
  int GetGenus() const { return m_State.m_Genus; }
  int GetConqueredFaces() const { return m_State.m_ConqueredFaces; }
  int NbSeedFace() const { return m_State.m_SeedFaces.GetSize(); }
  // The vertices in the order that the decoder rebuilds them.
  const CArray3d<CVertex3d>& GetVertexOrder() const { return m_State.m_VertexOrder; }
  // After Encode, the packed codes.
  const std::vector<unsigned int>& GetCodes() const { return m_State.m_Codes; }

  // Statistics and rewrites of the codes.
  unsigned int GetMaxCode() const;
  int CountCode(unsigned int value) const;
  int WriteCodesText(const char* fileName) const;
  std::vector<int> CodeHistogram() const;
  void ReplacePairRuns();

private:
  // The mesh passes gate::IsCodable's rule and holds every corner of its faces.
  int IsCodable();
  void Initialize();
  void Conquer(const std::vector<CFace3d*>& extraSeeds);
  int ConquerStep(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void ConquerFace(CFace3d* face, std::uint8_t r, std::uint8_t g, std::uint8_t b);
  // The gate v1 -> v2 of the conquered face inner.
  void AddGate(CVertex3d* v1, CVertex3d* v2, CFace3d* inner);
  // One more on the vertex's 8-bit gate counter.
  void CountGate(const CVertex3d* v);
  // The vertex's index in the mesh, read from its flag; a vertex that is not the mesh's own
  // fails the run.
  std::size_t Index(const CVertex3d* v);
  void FindSeeds();
  void OpenSeeds();
  int WriteStream(const char* fileName, const std::vector<unsigned int>& codes, int nbSymbol,
                  const std::vector<std::uint32_t>& geometry, const gate::SeedIndices<3>& seeds,
                  float* pBitsPerVertex) const;
  void Refresh(int force);

  CTriangleGateState m_State;
  CTriangleGateQueue m_Queue;
  // By vertex index: the gate counters and whether the conquest entered the vertex.
  std::vector<std::uint8_t> m_Counters;
  std::vector<std::uint8_t> m_Entered;
  int m_Failed = 0;
};
