#pragma once

#include "mesh/Vertex3d.h"

#include <limits>
#include <memory>
#include <vector>

class CFace3d;
class CHashTable;
class CMesh3d;
class CNearestFaceSearch;

// A candidate of edge-collapse simplification: the two faces that the collapse removes, the
// two vertices of their shared edge (vertex 1 stays, vertex 2 goes), the optimal vertex that
// stands for the merged one, a cost, a recomputation mark and a validity flag.
//
// The optimal vertex carries the future one-ring of the merged vertex: its neighbour list is
// the union of both ends' neighbours, and its face list holds copies of the surviving faces
// with the optimal vertex in place of the end they had. The copies belong to the candidate.
class CEdgeCollapse
{
public:
  // The steering of the L2 descent of the optimal vertex.
  struct SDescent
  {
    double step = 1.0;
    double epsilon = 0.0001;
    double weight = 0.01;
    int maxIterations = 50;
    // Step factors after a move that did not raise the energy, and after one that did.
    float factorKept = 1.5f;
    float factorRaised = 0.1f;
    float minStep = 0.01f;
    float maxStep = 5.0f;
  };

  // Why a collapse of the candidate is refused (CMesh3d::EdgeCandidateVeto): its faces are no
  // longer two fully surrounded neighbours on its edge, an end lies on the boundary, an end is
  // sharp (off a crease), or the ends share a neighbour that would pinch the surface.
  enum EVeto
  {
    VetoNone = 0,
    VetoFaces,
    VetoBoundary,
    VetoSharp,
    VetoLink
  };

  // What a candidate keeps of the merged vertex's one-ring: the optimal vertex's neighbour list
  // and face copies (the L1 measure reads the faces); the list alone (the L2 measure never
  // reads faces); or only the coordinates of the ring, which is all the L2 measure reads:
  // then the optimal vertex has neither neighbour list nor face copies, and the ring is read
  // once, when built.
  enum class EKeep : unsigned char
  {
    Copies,
    List,
    Coordinates
  };

  CEdgeCollapse() = default;
  // Valid only when both faces are valid and share an edge. Without face copies the optimal
  // vertex gets its neighbour list only: enough for the L2 measure, which never reads faces.
  CEdgeCollapse(CFace3d* pFace1, CFace3d* pFace2, bool faceCopies = true);
  CEdgeCollapse(CFace3d* pFace1, CFace3d* pFace2, EKeep keep);
  // The same validity, with the one-ring left unbuilt and the candidate marked when valid: for
  // a caller whose next Update builds it from the one-ring as it stands then.
  enum class ERing
  {
    Later
  };
  CEdgeCollapse(CFace3d* pFace1, CFace3d* pFace2, bool faceCopies, ERing ring);
  CEdgeCollapse(CFace3d* pFace1, CFace3d* pFace2, EKeep keep, ERing ring);
  ~CEdgeCollapse() { FreeArrayNeighbor(); }

  CEdgeCollapse(const CEdgeCollapse&) = delete;
  CEdgeCollapse& operator=(const CEdgeCollapse&) = delete;

  // Face 1 for 0, face 2 for 1.
  CFace3d* GetFace(int i) const { return i == 0 ? m_pFace1 : m_pFace2; }
  void SetFaces(CFace3d* pFace1, CFace3d* pFace2)
  {
    m_pFace1 = pFace1;
    m_pFace2 = pFace2;
  }
  int HasFace(const CFace3d* pFace) const { return (m_pFace1 == pFace || m_pFace2 == pFace) ? 1 : 0; }
  CVertex3d* GetVertex1() const { return m_pVertex1; }
  CVertex3d* GetVertex2() const { return m_pVertex2; }
  void SetVertices(CVertex3d* pVertex1, CVertex3d* pVertex2)
  {
    m_pVertex1 = pVertex1;
    m_pVertex2 = pVertex2;
  }
  // The candidate's own vertex, not a copy.
  CVertex3d* GetOptimalVertex() { return &m_OptimalVertex; }
  const CVertex3d* GetOptimalVertex() const { return &m_OptimalVertex; }

  double GetCost() const { return m_Cost; }
  void SetCost(double cost)
  {
    m_Cost = cost;
    Changed();
  }
  int GetMark() const { return m_Mark; }
  void SetMark(int mark)
  {
    m_Mark = mark;
    Changed();
  }
  int IsValid() const { return m_Valid; }
  void SetValid(int valid)
  {
    m_Valid = valid;
    Changed();
  }
  // The array that holds the candidate, at the slot, hears of every change of its cost,
  // validity or mark through the log: its searches then look at the changed candidates only.
  // pKeys[slot] follows the key the array's queue compares: the cost while the candidate is
  // valid, a NaN (equal to nothing) otherwise; the queue reads it there instead of here.
  int GetSlot() const { return m_Slot; }
  void SetLog(std::vector<int>* pLog, std::vector<double>* pKeys, int slot)
  {
    m_pLog = pLog;
    m_pKeys = pKeys;
    m_Slot = slot;
    WriteKey();
  }

  // The shared edge of the two faces, in face 1's order; 0, both vertices null, without one.
  int FindVerticesToCollapse();
  // Rebuilds the optimal vertex's one-ring from the current adjacency (its face copies only
  // for a candidate made with them; its coordinates only for EKeep::Coordinates); 0, nothing
  // changed, without both vertices.
  int BuildArrayNeighbor();
  // Deletes the face copies of the optimal vertex.
  void FreeArrayNeighbor();

  // L2 measure: descends from vertex 1, vertex 2 and their midpoint against the reference
  // that the hash table holds, keeps the best end position and its energy as the cost.
  // Returns the mean number of descent iterations of the three runs.
  int CalculateCost(CHashTable* pHash, double step, double epsilon, double weight,
                    int maxIterations, float factorKept, float factorRaised, float minStep,
                    float maxStep);
  int CalculateCost(CHashTable* pHash, const SDescent& descent);
  // The same against a search over the reference, which keeps what it reads between calls.
  int CalculateCost(CNearestFaceSearch* pSearch, const SDescent& descent);
  // The L2 measure in two halves, for a caller that looks at few of the costs it asks for:
  // PrepareCostL2 keeps the ends and the one-ring as they stand and sets as cost a floor of
  // every energy the descents can end with (the spring energy at the ring's centroid, a hair
  // lower); SettleL2 later runs the descents on what was kept, so that the cost and optimal
  // vertex are those CalculateCost would have given then, however the mesh changed meanwhile.
  // PrepareCostL2 returns 1 when a settling is pending; SettleL2 the mean iterations (0 when
  // none was pending).
  int PrepareCostL2(double weight);
  int SettleL2(CNearestFaceSearch* pSearch, const SDescent& descent);
  int IsPendingL2() const { return m_PendingL2 ? 1 : 0; }
  // The buffer of the kept ring, emptied, for another candidate; the candidate keeps none.
  std::vector<float> TakeRingStorage()
  {
    m_KeptRing.clear();
    return std::move(m_KeptRing);
  }
  // Takes the buffer (emptied) when the candidate has none yet; true when taken.
  bool AdoptRingStorage(std::vector<float>* pStorage)
  {
    if (m_KeptRing.capacity() != 0)
      return false;
    m_KeptRing.swap(*pStorage);
    m_KeptRing.clear();
    return true;
  }
  // L1 measure: optimises the optimal vertex against the reference from the end of higher
  // sharpness class; the cost is the squared edge length and the mark says it is computed.
  // Returns the iterations of the optimisation, 0 for a marked candidate (skipped) or one
  // whose faces no longer share an edge (then invalid). facesPerSearch is not used.
  int CalculateCostL1(CMesh3d* pReference, CHashTable* pHash, int useHash, float epsilon,
                      int maxIterations, int samplesPerFace, float initialStep,
                      float decreaseFactor, float minStep, float sharpThreshold,
                      int facesPerSearch);

  // The optimisation of the L1 measure against a reference.
  struct SOptimisationL1
  {
    CMesh3d* pReference = nullptr;
    CHashTable* pHash = nullptr;
    int useHash = 0;
    float epsilon = 1e-5f;
    int maxIterations = 400;
    int samplesPerFace = 40;
    float initialStep = 0.1f;
    float decreaseFactor = 0.9f;
    float minStep = 0.01f;
  };
  // The L1 measure in two halves, for a caller that collapses few of the candidates it
  // computes: PrepareCostL1 does all but the optimisation (start, cost, mark) and keeps the
  // positions of the one-ring as they stand; SettleL1 later optimises the optimal vertex on
  // those kept positions, so that it ends where CalculateCostL1 would have left it, however the
  // mesh changed meanwhile. PrepareCostL1 returns 1 when an optimisation is pending; SettleL1
  // returns its iterations (0 when none was pending).
  int PrepareCostL1(float sharpThreshold);
  int SettleL1(const SOptimisationL1& optimisation);
  int IsPendingL1() const { return m_pPendingL1 ? 1 : 0; }

private:
  void Changed()
  {
    if (m_pLog)
      m_pLog->push_back(m_Slot);
    WriteKey();
  }
  void WriteKey()
  {
    if (m_pKeys)
      (*m_pKeys)[static_cast<std::size_t>(m_Slot)] =
        m_Valid ? m_Cost : std::numeric_limits<double>::quiet_NaN();
  }
  // One descent of the optimal vertex from where it stands; writes its iterations.
  // ring holds the neighbours' coordinates, x y z after one another.
  double Descend(CNearestFaceSearch* pSearch, const SDescent& descent,
                 const std::vector<float>& ring, int* pIterations);
  // The three descents from the ends (x y z of vertex 1, then of vertex 2) and their midpoint;
  // sets the cost and the optimal vertex, returns the mean iterations.
  int CostFrom(CNearestFaceSearch* pSearch, const SDescent& descent,
               const std::vector<float>& ring, const float ends[6]);

  // The coordinates of the n vertices, x y z after one another, into m_KeptRing.
  void WriteRing(CVertex3d* const* ring, int n);
  void AddFaceCopies(CVertex3d* pEnd);
  // The one-ring kept for a pending L1 optimisation: each distinct corner of the face copies
  // other than the optimal vertex, with its position then, and the edge length then.
  struct SRingL1
  {
    std::vector<CVertex3d*> corners;
    std::vector<float> positions;
    float length = 0.0f;
  };
  std::unique_ptr<SRingL1> KeepRing(float length);

  // What the queue and the vetoes read of every candidate they meet comes first, within 64
  // bytes: a candidate's storage in its array starts a cache line.
  double m_Cost = -1.0;
  CFace3d* m_pFace1 = nullptr;
  CFace3d* m_pFace2 = nullptr;
  CVertex3d* m_pVertex1 = nullptr;
  CVertex3d* m_pVertex2 = nullptr;
  int m_Mark = 0;
  int m_Valid = 1;
  int m_Slot = -1;
  EKeep m_Keep = EKeep::Copies;
  bool m_PendingL2 = false;
  std::vector<int>* m_pLog = nullptr;
  std::vector<double>* m_pKeys = nullptr;
  // What PrepareCostL2 kept: the ring's coordinates and the ends'. The buffer stays with the
  // candidate, which is asked for again and again. With EKeep::Coordinates BuildArrayNeighbor
  // writes the ring here, and the measures read it as it stands. Beside m_pKeys, in the
  // second cache line, which every change of the cost touches anyway.
  std::vector<float> m_KeptRing;
  float m_KeptEnds[6] = {};
  CVertex3d m_OptimalVertex;
  std::unique_ptr<SRingL1> m_pPendingL1;
};
