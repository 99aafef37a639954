#include "compression/StructureCoder.h"

#include "compression/VertexTree.h"
#include "mesh/Edge3d.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Clock.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Redraw.h"

#include <algorithm>

namespace {
constexpr int FlagFree = 0;
constexpr int FlagConquered = 1;
constexpr int FlagGhost = 2;

CArray3d<CEdge3d>* EdgesOf(const CVertex3d* v)
{
  return static_cast<CArray3d<CEdge3d>*>(v->GetData());
}

// Holds the optional mutex for one scope.
class CStepLock
{
public:
  explicit CStepLock(std::mutex* pMutex) : m_pMutex(pMutex)
  {
    if (m_pMutex)
      m_pMutex->lock();
  }
  ~CStepLock()
  {
    if (m_pMutex)
      m_pMutex->unlock();
  }
  CStepLock(const CStepLock&) = delete;
  CStepLock& operator=(const CStepLock&) = delete;

private:
  std::mutex* m_pMutex;
};

// The mesh is one the stream can carry: a seed face, valences within 8 bits, every face a
// triangle of the mesh's own vertices.
int IsCodable(const CMesh3d* pMesh, int seedFace)
{
  if (!pMesh || pMesh->NbVertex() < 3 || seedFace < 0 || seedFace >= pMesh->NbFace())
    return 0;
  for (int i = 0; i < pMesh->NbVertex(); i++)
    if (pMesh->GetVertex(i)->NbVertexNeighbor() > 255)
      return 0;
  return 1;
}
} // namespace

int CStructureCoder::Encode(CMesh3d* pMesh, const char* fileName, CVertexTree* pTree,
                            int seedFace, const SOptions& options, SResult* pResult)
{
  if (!pMesh || !fileName || !pTree)
    return 0;
  m_pMesh = pMesh;
  m_Options = options;
  m_Options.m_UpdateClient = std::max(1, options.m_UpdateClient);
  m_Codes.clear();
  m_Offsets.clear();
  m_Signs.clear();
  m_GhostDegree = 0;
  for (int i = 0; i < pMesh->NbVertex(); i++)
    pMesh->GetVertex(i)->SetFlag(FlagFree);
  pMesh->BuildAdjacency();
  if (!IsCodable(pMesh, seedFace))
    return 0;
  const int nbVertex = pMesh->NbVertex();
  const int nbFace = pMesh->NbFace();
  SetGhost(SearchGhostVertex());

  m_pStack = std::make_unique<CEdgeListStack>();
  m_pStack->AddHead(std::make_unique<CEdgeList>());
  m_pActiveList = m_pStack->GetHead();
  const long long start = platform::GetTickMs();
  auto* pRun = new CVertexRun;
  pTree->AddRun(pRun);
  {
    CStepLock lock(m_Options.m_pMutex);
    GenerateEdgeArray();
    SortEdgesCCW();
    InitEdgeList(seedFace, pRun);
  }
  // Each step conquers an edge or removes an item, so a mesh the conquest cannot walk (not
  // a manifold) shows itself by running past this bound.
  const long long maxStep = 4 * (static_cast<long long>(m_Edges.size()) + nbVertex) + 16;
  for (int step = 0; m_pStack->GetCount() > 0; step++) {
    CStepLock lock(m_Options.m_pMutex);
    if (step > maxStep || !m_pActiveList->GetPivot()) {
      EndEncoding();
      return 0;
    }
    if (CEdge3d* pEdge = CodeNextEdge(m_pActiveList->GetPivot()))
      ConquerEdge(pEdge, pRun);
    while (RemoveFullVertex())
      if (m_Options.m_UpdateClient == 1)
        Redraw(step);
    if (m_pActiveList->IsEmpty()) {
      m_pStack->RemoveHead();
      m_pActiveList = m_pStack->GetHead();
      if (m_pActiveList && m_Options.m_VisualDebug) {
        ShowEdgeList(m_pActiveList);
        Redraw(step);
      }
    }
  }
  m_pActiveList = nullptr;
  Redraw(0);
  const double duration = static_cast<double>(platform::GetTickMs() - start) / 1000.0;
  EndEncoding();
  SResult result;
  if (!ArithmeticCoding(fileName, nbVertex, nbFace, duration, &result))
    return 0;
  if (pResult)
    *pResult = result;
  else
    platform::MessageBox(result.m_Report);
  return 1;
}

CVertex3d* CStructureCoder::SearchGhostVertex()
{
  CVertex3d* pGhost = nullptr;
  const int n = m_pMesh->NbVertex();
  for (int i = 0; i < n; i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    if (!v->IsOnBoundary())
      continue;
    if (!pGhost) {
      pGhost = new CVertex3d(0.0f, 0.0f, 0.0f);
      m_pMesh->AddVertex(pGhost);
      pGhost->SetFlag(FlagGhost);
    }
    v->AddNeighbor(pGhost);
    pGhost->AddNeighbor(v);
  }
  return pGhost;
}

void CStructureCoder::GenerateEdgeArray()
{
  const int n = m_pMesh->NbVertex();
  std::vector<int> saved(static_cast<std::size_t>(n));
  for (int i = 0; i < n; i++) {
    saved[i] = m_pMesh->GetVertex(i)->GetFlag();
    m_pMesh->GetVertex(i)->SetFlag(FlagFree);
  }
  m_Edges.clear();
  for (int i = 0; i < n; i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    CArray3d<CEdge3d> slots;
    slots.SetSize(v->NbVertexNeighbor());
    for (int j = 0; j < v->NbVertexNeighbor(); j++) {
      CVertex3d* u = v->GetVertexNeighbor(j);
      if (u->GetFlag() == FlagFree) {
        m_Edges.push_back(std::make_unique<CEdge3d>(v, u));
        m_Edges.back()->SetFlag(FlagFree);
        slots.SetAt(j, m_Edges.back().get());
      } else {
        slots.SetAt(j, u->FindEdgeInData(v));
      }
    }
    v->SetFlag(FlagConquered);
    NewEdgeArray(v)->Copy(slots);
  }
  for (int i = 0; i < n; i++)
    m_pMesh->GetVertex(i)->SetFlag(saved[i]);
}

namespace {
// Moves the edge of v towards u into slot j; 0 when there is none.
int PlaceEdge(CArray3d<CEdge3d>* pEdges, const CVertex3d* v, const CVertex3d* u, int j)
{
  for (int k = 0; k < pEdges->GetSize(); k++) {
    CEdge3d* e = pEdges->GetAt(k);
    if (e && ((e->v1() == v && e->v2() == u) || (e->v1() == u && e->v2() == v))) {
      pEdges->SetAt(k, pEdges->GetAt(j));
      pEdges->SetAt(j, e);
      return 1;
    }
  }
  return 0;
}
// Number of faces around v that also hold c.
int NbSharedFaces(const CVertex3d* v, const CVertex3d* c)
{
  int n = 0;
  for (int i = 0; i < v->NbFaceNeighbor(); i++)
    n += v->GetFaceNeighbor(i)->IndexFrom(c) >= 0 ? 1 : 0;
  return n;
}
} // namespace

void CStructureCoder::SortEdgesCCW()
{
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    if (v->GetFlag() == FlagGhost || v->NbFaceNeighbor() == 0)
      continue;
    CArray3d<CEdge3d>* pEdges = EdgesOf(v);
    const CFace3d* f = v->GetFaceNeighbor(0);
    const int k = f->IndexFrom(v);
    CVertex3d* a = f->v((k + 1) % 3);
    CVertex3d* b = f->v((k + 2) % 3);
    if (!PlaceEdge(pEdges, v, a, 0) || !PlaceEdge(pEdges, v, b, 1))
      continue;
    std::vector<CVertex3d*> placed{a, b};
    for (int j = 2; j <= v->NbVertexNeighbor() - 2; j++) {
      CVertex3d* c = NextNeighbor(v, b, a, placed);
      if (!c || !PlaceEdge(pEdges, v, c, j))
        break;
      placed.push_back(c);
      a = b;
      b = c;
    }
  }
}

CVertex3d* CStructureCoder::NextNeighbor(CVertex3d* v, CVertex3d* b, CVertex3d* a,
                                         const std::vector<CVertex3d*>& placed) const
{
  const auto isPlaced = [&](const CVertex3d* c) {
    return std::find(placed.begin(), placed.end(), c) != placed.end();
  };
  // Around the ghost every boundary neighbour of v neighbours b, so the one to take is the
  // other end of v's second boundary edge.
  if (b == m_pGhost) {
    for (int i = 0; i < v->NbVertexNeighbor(); i++) {
      CVertex3d* c = v->GetVertexNeighbor(i);
      if (c != m_pGhost && !isPlaced(c) && NbSharedFaces(v, c) == 1)
        return c;
    }
    return nullptr;
  }
  std::vector<CVertex3d*> candidates;
  for (int i = 0; i < v->NbVertexNeighbor(); i++) {
    CVertex3d* c = v->GetVertexNeighbor(i);
    if (c != a && c != b && b->IsNeighbor(c))
      candidates.push_back(c);
  }
  if (candidates.size() == 1)
    return candidates.front();
  CVertex3d* found = nullptr;
  if (v->IsOnBoundary()) {
    std::vector<CVertex3d*> open;
    for (CVertex3d* c : candidates)
      if (!isPlaced(c) && !a->IsNeighbor(c))
        open.push_back(c);
    if (open.size() == 1)
      return open.front();
    for (CVertex3d* c : open)
      if (v->HasFace(v, b, c))
        found = c;
    return found;
  }
  for (CVertex3d* c : candidates)
    if (v->HasFace(v, b, c))
      found = c;
  return found;
}

void CStructureCoder::AppendValence(const CVertex3d* v)
{
  m_Codes.push_back(static_cast<unsigned int>(v->NbVertexNeighbor()) & 0xFFu);
}

void CStructureCoder::InitEdgeList(int seedFace, CVertexRun* pRun)
{
  const CFace3d* f = m_pMesh->GetFace(seedFace);
  for (int i = 0; i < 3; i++) {
    CVertex3d* v = f->v(i);
    m_pActiveList->AddTail(v);
    pRun->Add(v);
    AppendValence(v);
    if (CEdge3d* e = GetEdge(v, f->v((i + 1) % 3)))
      e->SetFlag(FlagConquered);
    v->SetFlag(FlagConquered);
    if (m_Options.m_VisualDebug)
      v->SetColor(i == 0 ? 255 : 0, i == 0 ? 0 : 255, 0);
  }
  m_pActiveList->SetPivot(m_pActiveList->GetHeadPosition());
  Redraw(0);
}

CEdge3d* CStructureCoder::CodeNextEdge(CLoopList::POSITION pivot)
{
  if (!pivot || m_pActiveList->GetCount() <= 2)
    return nullptr;
  CVertex3d* p = CLoopList::GetAt(pivot);
  if (IsFull(p))
    return nullptr;
  CEdge3d* pPrev = GetEdge(p, m_pActiveList->GetPrevItem(pivot));
  CEdge3d* pNext = GetEdge(p, m_pActiveList->GetNextItem(pivot));
  if (pPrev == pNext)
    return nullptr;
  const CArray3d<CEdge3d>* pEdges = EdgesOf(p);
  const int k = pEdges->IndexFrom(pPrev);
  if (k < 0)
    return nullptr;
  CEdge3d* e = pEdges->GetAt((k + 1) % pEdges->GetSize());
  if (e == pNext) {
    if (m_ClosedPivot != pivot)
      m_Codes.push_back(2);
    m_ClosedPivot = pivot;
    return nullptr;
  }
  return e;
}

void CStructureCoder::ConquerEdge(CEdge3d* pEdge, CVertexRun* pRun)
{
  CVertex3d* p = m_pActiveList->GetPivotVertex();
  CVertex3d* v = pEdge->v1() == p ? pEdge->v2() : pEdge->v1();
  if (v->GetFlag() == FlagConquered) {
    pEdge->SetFlag(FlagConquered);
    SplitEdgeList(v);
    return;
  }
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(m_pActiveList->GetPivot());
  m_pActiveList->InsertBefore(m_pActiveList->GetPivot(), v);
  pEdge->SetFlag(FlagConquered);
  if (CEdge3d* e = GetEdge(v, pBefore))
    e->SetFlag(FlagConquered);
  if (v == m_pGhost) {
    m_Codes.push_back(0);
    m_GhostDegree = static_cast<unsigned int>(v->NbVertexNeighbor()) & 0xFFu;
  } else {
    pRun->Add(v);
    v->SetFlag(FlagConquered);
    AppendValence(v);
  }
  if (m_Options.m_VisualDebug)
    v->SetColor(0, 255, 0);
}

CLoopList::POSITION CStructureCoder::PivotNear(CEdgeList* pList, CLoopList::POSITION pos) const
{
  if (!m_Options.m_EncourageFull)
    return pos;
  // The decoder knows a full vertex by its neighbour slots, all filled.
  CVertex3d* v = m_Decoding ? FindVertexOutward(pList, pos,
                                                [](const CVertex3d* u) {
                                                  return u->CountVertexNeighbor(nullptr) == 0;
                                                })
                            : FindFullVertex(pList, pos);
  return v ? pList->Find(v) : pos;
}

void CStructureCoder::SplitEdgeList(CVertex3d* v)
{
  const int n = m_pActiveList->GetCount();
  CLoopList::POSITION pos = m_pActiveList->GetPivot();
  CVertex3d* p = CLoopList::GetAt(pos);
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pos);
  auto pNew = std::make_unique<CEdgeList>();
  int count = 0;
  while (CLoopList::GetAt(pos) != v && m_pActiveList->GetCount() > 1) {
    CLoopList::POSITION next = m_pActiveList->GetNextPos(pos);
    pNew->AddTail(CLoopList::GetAt(pos));
    if (m_Options.m_VisualDebug)
      CLoopList::GetAt(pos)->SetColor(255, 128, 0);
    m_pActiveList->RemoveAt(pos);
    pos = next;
    count++;
  }
  const int offset = count <= n - count ? count : count - n;
  m_Codes.push_back(1);
  m_Signs.push_back(offset < 0 ? 1u : 0u);
  m_Offsets.push_back(static_cast<unsigned int>(offset < 0 ? -offset : offset));
  pNew->AddTail(v);
  pNew->SetPivot(PivotNear(pNew.get(), pNew->Find(p)));
  m_pActiveList->SetPivot(PivotNear(m_pActiveList, pos));
  if (CEdge3d* e = GetEdge(pBefore, v))
    e->SetFlag(FlagConquered);
  m_pStack->AddTail(std::move(pNew));
}

int CStructureCoder::RemoveFullVertex()
{
  if (m_pActiveList->IsEmpty())
    return 0;
  const CLoopList::POSITION pivot = m_pActiveList->GetPivot();
  CVertex3d* p = CLoopList::GetAt(pivot);
  const CLoopList::POSITION next = m_pActiveList->GetNextPos(pivot);
  if (p == m_pGhost && !IsFull(p)) {
    p->SetColor(0, 255, 0);
    if (CLoopList::GetAt(next) == m_pGhost)
      m_pActiveList->RemoveAt(pivot);
    m_pActiveList->SetPivot(next == pivot ? nullptr : next);
    if (m_pActiveList->IsEmpty())
      m_pActiveList->SetPivot(nullptr);
    return 1;
  }
  if (CodeNextEdge(pivot))
    return 0;
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pivot);
  CVertex3d* pAfter = CLoopList::GetAt(next);
  if (pBefore != p && pAfter != p)
    if (CEdge3d* e = GetEdge(pBefore, pAfter))
      e->SetFlag(FlagConquered);
  if (m_Options.m_VisualDebug)
    p->SetColor(0, 0, 255);
  m_pActiveList->RemoveAt(pivot);
  m_ClosedPivot = nullptr;
  m_pActiveList->SetPivot(m_pActiveList->IsEmpty() ? nullptr : PivotNear(m_pActiveList, next));
  return 1;
}

void CStructureCoder::Redraw(int step) const
{
  if (m_Options.m_VisualDebug && step % m_Options.m_UpdateClient == 0)
    platform::RedrawView(m_Options.m_pView);
}

void CStructureCoder::EndEncoding()
{
  m_pStack.reset();
  DeleteEdgeArrays();
  m_Edges.clear();
  m_pMesh->ClearDataPointers();
  if (m_pGhost) {
    m_pMesh->DeleteVertex(m_pGhost);
    SetGhost(nullptr);
  }
  m_pMesh->Rebuild();
}
