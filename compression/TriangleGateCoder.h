#pragma once

#include "compression/GateStream.h"
#include "compression/TriangleGateQueue.h"
#include "compression/TriangleGateState.h"
#include "compression/TriangleGateTopology.h"
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
  // current adjacency (corners, listed faces and neighbours all the mesh's own, each face
  // listed once), more than 255 seed faces; 0 too when a file cannot be written. A mesh
  // refused by its check keeps its flags; after a run the face flags tell the conquered faces
  // and the vertex flags the vertices coded.
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
  // The index copy of the mesh and its input check; 0 when the mesh is refused, its flags
  // left as they were.
  int Prepare();
  void Initialize();
  // The attempts until every face is coded, then the vertex order and the flags; the number of
  // vertices that the conquest entered, or -1 when the seeds or the others overflow their
  // fields.
  int ConquerAll();
  // One attempt: the main phase, then the zip from the seeds found and the extra ones.
  void Conquer(const std::vector<int>& extraSeeds);
  // After an attempt: the first face (in mesh order) of each region still free, appended;
  // false when every face was conquered.
  bool FindLeftoverSeeds(std::vector<int>* pSeeds);
  // After ConquerAll: each seed corner's first place in the vertex order.
  gate::SeedIndices<3> SeedRanks() const;
  // The conquest from the seed face, before any zip: run once, then taken from the copy that
  // SaveMainPhase kept, since another attempt with more seeds repeats it exactly.
  void RunMainPhase();
  void SaveMainPhase();
  void RestoreMainPhase();
  int ConquerStep(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void ConquerFace(int face, std::uint8_t r, std::uint8_t g, std::uint8_t b);
  // The gate across the edge from corner edge to the next of the conquered face.
  void AddGate(int face, int edge);
  // One more on the vertex's 8-bit gate counter.
  void CountGate(int v);
  // The conquest's marks as the mesh's face flags, which the seed searches read, and with
  // `vertices` its entered vertices as the vertex flags, which only the end reads.
  void WriteFlags(bool vertices = true);
  // After FindSeeds: the faces it flagged, and the seed faces' indices.
  void ReadSeeds();
  void FindSeeds();
  // The gates of the seeds from first to last (not included), in order.
  void OpenSeeds(std::size_t first, std::size_t last);
  int WriteStream(const char* fileName, const std::vector<unsigned int>& codes, int nbSymbol,
                  const std::vector<std::uint32_t>& geometry, const gate::SeedIndices<3>& seeds,
                  float* pBitsPerVertex) const;
  void Refresh(int force);

  CTriangleGateState m_State;
  CTriangleGateTopology m_Topology;
  CTriangleGateQueue m_Queue;
  // By vertex: the gate counters and whether the conquest entered the vertex.
  std::vector<std::uint8_t> m_Counters;
  std::vector<std::uint8_t> m_Entered;
  // The vertex order and the seed faces of the run, by index.
  std::vector<int> m_Order;
  std::vector<int> m_Seeds;

  // What the conquest from the seed face leaves, its gate queue then empty.
  struct SMainPhase
  {
    bool Saved = false;
    // The faces it leaves free.
    std::vector<int> Free;
    std::vector<std::uint8_t> Counters;
    std::vector<std::uint8_t> Entered;
    std::vector<int> Order;
    std::vector<unsigned int> Codes;
    int CodeCount = 0;
    int ConqueredFaces = 0;
    int NextVertex = 0;
  };
  SMainPhase m_Main;
  // The seeds that the search finds after the main phase, by index, once it has run, and the
  // queue and counters once their gates are open on the main phase's: the same in every
  // attempt, which opens its extra seeds after them.
  struct SFoundSeeds
  {
    bool Done = false;
    std::vector<int> Seeds;
    bool Opened = false;
    CTriangleGateQueue Queue;
    std::vector<std::uint8_t> Counters;
  };
  SFoundSeeds m_Found;
};
