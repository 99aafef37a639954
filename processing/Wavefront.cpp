// Ribbons grown from a seed face, and the unmeshing passes that collapse vertices across or
// along them. The remeshing passes live in processing/AnisotropicRemeshing.cpp.
#include "processing/Wavefront.h"

#include "mesh/Mesh3d.h"
#include "platform/core/Redraw.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kFaceRemoved = 2;
constexpr int kVertexReached = 1;
constexpr int kVertexRemoved = 2;
constexpr int kVertexProtected = 3;

// The removal counters of the whole program: they start at 0 and are never reset.
std::atomic<std::uint64_t> g_RemovedAcross{0};
std::atomic<std::uint64_t> g_RemovedAlong{0};

bool HasOpenFace(const CVertex3d* v) { return v->HasFaceNeighborWithFlag(0) != 0; }

// Grows the rings level by level. At each level the walk goes from vertex to neighbouring
// vertex of that level while they still touch a face not yet reached; when it stalls it resumes
// from another such vertex, first near the level's start vertex, then in vertex-array order.
// The vertices of each level are kept sorted by array index, so that the array-order search
// is a cursor that only moves forwards: a vertex that has lost its last open face never
// regains one, and no vertex joins a level while that level grows.
class CRibbonGrower
{
public:
  explicit CRibbonGrower(CMesh3d* pMesh) : m_pMesh(pMesh)
  {
    m_Index.reserve(static_cast<size_t>(pMesh->NbVertex()));
    for (int i = 0; i < pMesh->NbVertex(); i++)
      m_Index.emplace(pMesh->GetVertex(i), i);
  }

  int Run(CFace3d* pSeed);

private:
  void Reach(CVertex3d* v, int ribbon);
  CVertex3d* Grow(CVertex3d* v, int level);
  CVertex3d* FindOpen(int level, const CVertex3d* pStart);
  void SortLevel(int level);

  CMesh3d* m_pMesh;
  std::unordered_map<const CVertex3d*, int> m_Index;
  std::vector<std::vector<int>> m_Levels;
  size_t m_Cursor = 0;
  int m_MaxRibbon = 0;
};

void CRibbonGrower::Reach(CVertex3d* v, int ribbon)
{
  v->SetRibbon(ribbon);
  v->SetFlag(kVertexReached);
  if (static_cast<int>(m_Levels.size()) <= ribbon)
    m_Levels.resize(static_cast<size_t>(ribbon) + 1);
  const auto it = m_Index.find(v);
  if (it != m_Index.end())
    m_Levels[static_cast<size_t>(ribbon)].push_back(it->second);
}

// Gives ribbon level + 1 to the open faces around v and to their corners not yet reached;
// returns the next vertex of the walk: a neighbour of v's level that still has an open face.
CVertex3d* CRibbonGrower::Grow(CVertex3d* v, int level)
{
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    CFace3d* f = v->GetFaceNeighbor(i);
    if (f->GetFlag() != 0)
      continue;
    f->SetFlag(1);
    f->SetRibbon(level + 1);
    m_MaxRibbon = std::max(m_MaxRibbon, level + 1);
    const int k = f->IndexFrom(v);
    for (int j = 1; k >= 0 && j <= 2; j++) {
      CVertex3d* c = f->v((k + j) % 3);
      if (c && c->GetFlag() == 0)
        Reach(c, level + 1);
    }
  }
  v->SetFlag(kVertexReached);
  for (int i = 0; i < v->NbVertexNeighbor(); i++) {
    CVertex3d* u = v->GetVertexNeighbor(i);
    if (u->GetRibbon() == level && HasOpenFace(u))
      return u;
  }
  return nullptr;
}

void CRibbonGrower::SortLevel(int level)
{
  m_Cursor = 0;
  if (level < static_cast<int>(m_Levels.size()))
    std::sort(m_Levels[static_cast<size_t>(level)].begin(),
              m_Levels[static_cast<size_t>(level)].end());
}

CVertex3d* CRibbonGrower::FindOpen(int level, const CVertex3d* pStart)
{
  for (int i = 0; i < pStart->NbVertexNeighbor(); i++) {
    CVertex3d* u = pStart->GetVertexNeighbor(i);
    if (u->GetRibbon() == level && HasOpenFace(u))
      return u;
  }
  if (level >= static_cast<int>(m_Levels.size()))
    return nullptr;
  const std::vector<int>& list = m_Levels[static_cast<size_t>(level)];
  for (; m_Cursor < list.size(); m_Cursor++) {
    CVertex3d* u = m_pMesh->GetVertex(list[m_Cursor]);
    if (HasOpenFace(u))
      return u;
  }
  return nullptr;
}

int CRibbonGrower::Run(CFace3d* pSeed)
{
  pSeed->SetFlag(1);
  pSeed->SetRibbon(0);
  for (int k = 0; k < 3; k++)
    Reach(pSeed->v(k), 0);
  int level = 0;
  SortLevel(level);
  CVertex3d* pStart = pSeed->v(0);
  CVertex3d* v = pStart;
  while (v) {
    while (v) {
      while (v)
        v = Grow(v, level);
      v = FindOpen(level, pStart);
    }
    level++;
    SortLevel(level);
    v = FindOpen(level, pStart);
    if (v)
      pStart = v;
  }
  return m_MaxRibbon;
}

// Whether merging v into w keeps a manifold: their common neighbours are exactly the third
// corners of the faces they share, no shared face is the last face of its third corner, and an
// inner edge does not join two boundary vertices (that would pinch the surface).
bool KeepsManifold(const CVertex3d* v, const CVertex3d* w)
{
  CArray3d<CFace3d> shared;
  const int nbShared = v->FindSharedFaces(w, &shared);
  int common = 0;
  for (int i = 0; i < v->NbVertexNeighbor(); i++) {
    const CVertex3d* u = v->GetVertexNeighbor(i);
    common += (u != w && w->IsNeighbor(u)) ? 1 : 0;
  }
  if (common != nbShared)
    return false;
  for (int k = 0; k < nbShared; k++) {
    const CVertex3d* x = shared[k]->GetVertexOther(v, w);
    if (!x || x->NbFaceNeighbor() <= 1)
      return false;
  }
  return !(nbShared == 2 && v->IsOnBoundary() && w->IsOnBoundary());
}

int Collapse(CVertex3d* pKept, CVertex3d* pRemoved)
{
  if (!KeepsManifold(pRemoved, pKept))
    return 0;
  return pKept->Collapse(pRemoved, kFaceRemoved, kVertexRemoved);
}

// Mean compacity of the faces of v that do not hold w, with v moved onto w; 0 when none is left.
double CompacityIfMovedOnto(const CVertex3d* v, const CVertex3d* w)
{
  CVertex3d moved(w);
  double sum = 0.0;
  int n = 0;
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    const CFace3d* f = v->GetFaceNeighbor(i);
    if (f->HasVertex(w))
      continue;
    CVertex3d* corners[3] = {f->v(0), f->v(1), f->v(2)};
    for (auto& c : corners)
      if (c == v)
        c = &moved;
    sum += CFace3d(corners[0], corners[1], corners[2]).Compacity();
    n++;
  }
  return n > 0 ? sum / n : 0.0;
}

// The neighbour of ribbon r1 or r2 onto which moving v gives the most compact faces; the first
// of equals, and none whose trial gives 0.
CVertex3d* BestNeighborIn(const CVertex3d* v, int r1, int r2)
{
  CVertex3d* pBest = nullptr;
  double best = 0.0;
  for (int i = 0; i < v->NbVertexNeighbor(); i++) {
    CVertex3d* w = v->GetVertexNeighbor(i);
    if (w->GetRibbon() != r1 && w->GetRibbon() != r2)
      continue;
    const double c = CompacityIfMovedOnto(v, w);
    if (c > best) {
      best = c;
      pBest = w;
    }
  }
  return pBest;
}

int CountNeighborsInRibbon(const CVertex3d* v, int ribbon)
{
  int n = 0;
  for (int i = 0; i < v->NbVertexNeighbor(); i++)
    n += v->GetVertexNeighbor(i)->GetRibbon() == ribbon ? 1 : 0;
  return n;
}

// The vertices of the ring still free, in vertex-array order.
std::vector<CVertex3d*> CollectRing(const CMesh3d* pMesh, int ring)
{
  std::vector<CVertex3d*> list;
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    if (v->GetRibbon() == ring && v->GetFlag() == 0)
      list.push_back(v);
  }
  return list;
}

int GetMaxVertexRibbon(const CMesh3d* pMesh)
{
  int best = -1;
  for (int i = 0; i < pMesh->NbVertex(); i++)
    best = std::max(best, pMesh->GetVertex(i)->GetRibbon());
  return best;
}

CVertex3d* PickLargestValence(const std::vector<CVertex3d*>& list)
{
  CVertex3d* pBest = nullptr;
  for (CVertex3d* v : list)
    if (v->GetFlag() == 0 && (!pBest || v->NbVertexNeighbor() > pBest->NbVertexNeighbor()))
      pBest = v;
  return pBest;
}

// Among the free vertices that lower or match the running minimum of valence, the one nearest
// to a neighbour of its ring.
CVertex3d* PickAlongCandidate(const std::vector<CVertex3d*>& list, int ring)
{
  std::vector<CVertex3d*> shortList;
  int minValence = INT_MAX;
  for (CVertex3d* v : list) {
    if (v->GetFlag() != 0 || v->NbVertexNeighbor() > minValence)
      continue;
    minValence = v->NbVertexNeighbor();
    shortList.push_back(v);
  }
  CVertex3d* pBest = nullptr;
  double best = 1e38 * 1e38;
  for (CVertex3d* v : shortList)
    for (int i = 0; i < v->NbVertexNeighbor(); i++) {
      const CVertex3d* u = v->GetVertexNeighbor(i);
      if (u->GetRibbon() != ring)
        continue;
      const CVector3d d(v, u);
      if (d.GetSquareNorm() < best) {
        best = d.GetSquareNorm();
        pBest = v;
      }
    }
  return pBest;
}

} // namespace

int CWavefront::BuildRibbons(CMesh3d* pMesh, int seedFace, int debugAlong, int debugAcross,
                             int periodAlong, int periodAcross, int keepRemoved,
                             CRenderView* pView)
{
  if (!pMesh || seedFace < 0 || seedFace >= pMesh->NbFace())
    return -1;
  CFace3d* pSeed = pMesh->GetFace(seedFace);
  if (pSeed->HasNullVertex())
    return -1;
  m_pMesh = pMesh;
  m_pSeedFace = pSeed;
  m_DebugAlong = debugAlong;
  m_DebugAcross = debugAcross;
  m_PeriodAlong = std::max(1, periodAlong);
  m_PeriodAcross = std::max(1, periodAcross);
  m_KeepRemoved = keepRemoved;
  m_pView = pView;
  pMesh->SetVerticesFlag(0);
  pMesh->SetFacesFlag(0);
  pMesh->SetRibbon(-1);
  return CRibbonGrower(pMesh).Run(pSeed);
}

// --- unmeshing across -------------------------------------------------------------------------

int CWavefront::UnmeshAcross(int first, int step)
{
  if (!m_pMesh || first < 0 || step < 1)
    return 0;
  m_pMesh->SetVerticesFlag(0);
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    if (v->IsOnBoundary() && v->NbBoundaryVertexNeighborInRibbon(v->GetRibbon()) > 0)
      v->SetFlag(kVertexReached);
  }
  // Every ring of the sequence is visited, even one whose vertices are all protected.
  const int last = GetMaxVertexRibbon(m_pMesh);
  for (int ring = first; ring <= last; ring += step) {
    const std::vector<CVertex3d*> list = CollectRing(m_pMesh, ring);
    for (size_t n = 0; n < list.size(); n++) {
      CVertex3d* v = PickLargestValence(list);
      if (!v)
        break;
      if (RemoveAcross(v, ring))
        continue;
      // Not picked again in this pass.
      v->SetColor(255, 0, 0);
      v->SetFlag(kVertexReached);
    }
  }
  EndUnmeshing();
  return 1;
}

int CWavefront::RemoveAcross(CVertex3d* v, int ring)
{
  const int next = ring + 1;
  const int previous = ring == 0 ? 0 : ring - 1;
  const int nbNext = CountNeighborsInRibbon(v, next);
  const int nbPrevious = CountNeighborsInRibbon(v, previous);
  int choice1 = next;
  int choice2 = next;
  if (nbNext > nbPrevious) {
    choice1 = previous;
    choice2 = previous;
  } else if (nbNext == nbPrevious) {
    choice1 = previous;
  }
  CVertex3d* pTarget = v->IsOnBoundary() ? v->GetBoundaryVertexNeighborInRibbon(choice2)
                                         : BestNeighborIn(v, choice1, choice2);
  if (!pTarget)
    pTarget = BestNeighborIn(v, next, previous);
  if (!pTarget || !Collapse(pTarget, v))
    return 0;
  PaceAcross();
  return 1;
}

std::uint64_t CWavefront::TotalRemovedAcross()
{
  return g_RemovedAcross.load();
}

std::uint64_t CWavefront::TotalRemovedAlong()
{
  return g_RemovedAlong.load();
}

void CWavefront::PaceAcross()
{
  m_CountAcross++;
  const std::uint64_t count = ++g_RemovedAcross;
  m_pMesh->SetModified(1);
  if (m_DebugAcross && m_pView && count % static_cast<std::uint64_t>(m_PeriodAcross) == 0)
    platform::RedrawView(m_pView);
}

// --- unmeshing along --------------------------------------------------------------------------

int CWavefront::UnmeshAlong(int first, int step, float ratio)
{
  if (!m_pMesh || first < 0 || step < 1 || !(ratio >= 0.0f && ratio <= 1.0f))
    return 0;
  m_pMesh->SetVerticesFlag(0);
  for (int ring = first;; ring += step) {
    const std::vector<CVertex3d*> list = CollectRing(m_pMesh, ring);
    const int n = static_cast<int>(static_cast<float>(m_pMesh->CountVerticesInRibbon(ring)) * ratio);
    if (n == 0)
      break;
    for (int k = 0; k < n; k++)
      if (CVertex3d* v = PickAlongCandidate(list, ring))
        RemoveAlong(v, ring);
  }
  EndUnmeshing();
  return 1;
}

void CWavefront::RemoveAlong(CVertex3d* v, int ring)
{
  CArray3d<CVertex3d> gathered;
  v->GetVertexNeighborsInRibbon(&gathered, ring);
  if (v->IsOnBoundary()) {
    // A boundary vertex stays where it is and absorbs its first neighbour of the ring.
    if (gathered.GetSize() == 0)
      return;
    Collapse(v, gathered[0]);
    v->SetFlag(kVertexProtected);
  } else {
    if (gathered.GetSize() == 0) {
      v->SetFlag(kVertexReached);
      return;
    }
    CVertex3d* pTarget = gathered[0];
    if (gathered.GetSize() >= 2 &&
        CompacityIfMovedOnto(v, gathered[0]) <= CompacityIfMovedOnto(v, gathered[1]))
      pTarget = gathered[1];
    if (!Collapse(pTarget, v))
      v->SetFlag(kVertexReached);
    for (int i = 0; i < gathered.GetSize(); i++)
      gathered[i]->SetFlag(kVertexProtected);
  }
  PaceAlong();
}

void CWavefront::PaceAlong()
{
  m_pMesh->SetModified(1);
  const std::uint64_t count = g_RemovedAlong++;
  if (m_DebugAlong && m_pView && count % static_cast<std::uint64_t>(m_PeriodAlong) == 0)
    platform::RedrawView(m_pView);
  m_CountAlong++;
}

void CWavefront::EndUnmeshing()
{
  if (!m_KeepRemoved) {
    m_pMesh->RemoveVerticesWithFlag(kVertexRemoved);
    m_pMesh->RemoveFacesWithFlag(kFaceRemoved);
    m_pMesh->RemoveCollapsedFaces();
  }
  m_pMesh->Rebuild();
}
