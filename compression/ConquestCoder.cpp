#include "compression/ConquestCoder.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Clock.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Redraw.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <deque>
#include <vector>

namespace {
const char* const kNotManifold =
  "The conquest needs a manifold mesh: a vertex joins several fans of faces";
} // namespace

CConquestCoder::CConquestCoder() = default;

CConquestCoder::~CConquestCoder() = default;

int CConquestCoder::Init(CMesh3d* pMesh, CRenderView* pView, int debug)
{
  m_pMesh = pMesh;
  m_pView = pView;
  m_Debug = debug;
  return 1;
}

int CConquestCoder::Encode(CMesh3d* pMesh, const char* fileName, CRenderView* pView, int debug,
                           int drawLists, int delayMs, int updateEach, int seedFace,
                           int removeGhost, int deterministic, int stackRun, int limitOn,
                           int limitSteps, float* pConnectivityRate, float* pGeometryRate,
                           int geometryOn, int normalBits, int parameterBits, int normalization)
{
  Init(pMesh, pView, debug);
  m_DrawLists = drawLists;
  m_Delay = delayMs > 0 ? delayMs : 0;
  m_UpdateEach = updateEach > 1 ? updateEach : 1;
  m_RemoveGhost = removeGhost;
  m_Deterministic = deterministic;
  m_LimitOn = limitOn;
  m_LimitSteps = limitSteps;
  m_pConnectivityRate = pConnectivityRate;
  m_pGeometryRate = pGeometryRate;
  m_GeometryOn = geometryOn;
  m_NormalBits = normalBits;
  m_ParameterBits = parameterBits;
  m_Normalization = normalization;
  m_Index.Detach();
  m_Stack.RemoveAll();
  m_pCurrent = nullptr;
  m_Patches.clear();
  m_Codes.clear();
  m_StepCount = 0;
  m_Failed = 0;

  if (!pMesh || !fileName || seedFace < 0 || seedFace >= pMesh->NbFace())
    return 0;
  const auto validBits = [](int bits) { return bits >= 1 && bits <= MaxBits; };
  if (geometryOn && (!validBits(normalBits) || !validBits(parameterBits)))
    return 0;
  if (!Conquer(seedFace)) {
    platform::MessageBox(kNotManifold);
    return 0;
  }

  int ok = m_Failed ? 0 : 1;
  if (ok) {
    if (geometryOn) {
      ProcessRange();
      QuantizeParameters(normalization);
      ok = EncodeGeometry();
    }
    if (!limitOn && !(stackRun ? EncodeStackRun(fileName) : EncodeArithmetic(fileName)))
      ok = 0;
    WriteCodesText(m_Codes, "codes.txt");
    if (!WriteCodesBinary(m_Codes, "codes.bin") && GetMaxValue(m_Codes) > MaxByteCode)
      ok = 0;
  }
  if (m_pGhostVertex && removeGhost)
    RemoveGhostVertex();
  Redraw(m_Debug);
  return ok;
}

int CConquestCoder::Conquer(int seedFace)
{
  // The table is numbered first: its pass over the faces finds the borders, which the ghost
  // closes before the table is filed, so that no other pass over the faces is needed.
  ForgetGhostVertex();
  m_Mesh.Number(m_pMesh);
  AddGhostToTable();
  m_Mesh.File();
  if (!InitItems(1)) {
    RemoveGhostVertex();
    return 0;
  }
  InitCoder(seedFace);
  while (ConquestStep())
    ;
  // The table kept the flags while the conquest ran; the mesh gets those Build did not foresee.
  m_Mesh.WriteFlags();
  return 1;
}

// --- initialisation ------------------------------------------------------------------------

int CConquestCoder::InitItems(int tableBuilt)
{
  // Every face free. The table answers the check of the fans on most meshes, so it comes
  // first.
  if (!tableBuilt)
    m_Mesh.Build(m_pMesh);
  // A face's vertex that the mesh's array does not list has no number to be coded by.
  if (!m_Mesh.HoldsEveryCorner() || !HasOneFanEach())
    return 0;
  for (int i = 0; m_Debug && i < m_pMesh->NbFace(); i++)
    m_pMesh->GetFace(i)->SetColor(221, 221, 221);
  if (m_pMesh->IsQuantized())
    m_pMesh->ToggleQuantizedPositions();
  Redraw(0);
  return 1;
}

int CConquestCoder::InitCoder(int seedFace)
{
  m_SplitCount = 0;
  CFace3d* pSeed = m_pMesh->GetFace(seedFace);
  m_Mesh.ConquerFace(seedFace);
  if (m_Debug) {
    pSeed->SetColor(51, 153, 255);
    Redraw(0);
  }
  m_CodedVertexCount = 0;
  m_NextSeedScan = 0;
  StartSeed(pSeed);
  m_CompletedCount = 0;
  return 1;
}

void CConquestCoder::StartSeed(CFace3d* pSeed)
{
  m_pCurrent = m_Stack.Push(std::make_unique<CActiveList>());
  FollowCurrent();
  const int corner[3] = {m_Mesh.IndexOf(pSeed->v(0)), m_Mesh.IndexOf(pSeed->v(1)), m_Mesh.IndexOf(pSeed->v(2))};
  for (int i = 0; i < 3; i++) {
    CVertex3d* v = pSeed->v(i);
    EmitValence(v, corner[i]);
    m_pCurrent->AddTail(v, corner[i]);
    if (corner[i] >= 0)
      m_Mesh.SetState(corner[i], 1);
    else
      v->SetFlag(1);
    v->CopyToSecondSet();
  }
  m_pCurrent->SetGate(m_pCurrent->GetHeadPosition());
  for (int i = 0; i < 3; i++)
    ConquerEdge(corner[i], corner[(i + 1) % 3]);
  RecountDegrees(corner[0], corner[1], corner[2]);
}

int CConquestCoder::SeedNextComponent()
{
  // A component the conquest cannot reach starts again from its first face in mesh order,
  // coded as the first seed is: its three valences.
  for (; m_NextSeedScan < m_pMesh->NbFace(); m_NextSeedScan++) {
    CFace3d* f = m_pMesh->GetFace(m_NextSeedScan);
    if (m_Mesh.IsFaceConquered(m_NextSeedScan) || m_Mesh.GetState(f->v(0)) != 0 ||
        m_Mesh.GetState(f->v(1)) != 0 || m_Mesh.GetState(f->v(2)) != 0)
      continue;
    m_Mesh.ConquerFace(m_NextSeedScan);
    StartSeed(f);
    ChooseGate();
    return 1;
  }
  return 0;
}

void CConquestCoder::EmitValence(const CVertex3d* v, int number)
{
  const int valence = number >= 0 ? m_Mesh.GetValence(number) : v->NbVertexNeighbor();
  m_Codes.push_back(static_cast<unsigned int>(valence));
  m_CodedVertexCount++;
}

void CConquestCoder::RecountDegrees(int a, int b, int c)
{
  // Every edge or face flag the conquest sets lies between vertices it refreshes here.
  m_Index.Touch(a);
  m_Index.Touch(b);
  m_Index.Touch(c);
}

void CConquestCoder::FollowCurrent()
{
  // The deterministic conquest always takes the head: it needs no index.
  m_Index.Attach(m_Deterministic ? nullptr : m_pCurrent, &m_Mesh);
}

// --- conquest ------------------------------------------------------------------------------

int CConquestCoder::ConquestStep()
{
  while (ProcessGate())
    ;
  if (!m_pCurrent)
    return 0;
  if (m_pCurrent->IsEmpty())
    return PopList();

  if (!m_pCurrent->GetGateVertex()) {
    Fail();
    return 0;
  }
  const int g = NumberAt(m_pCurrent->GetGate());
  const int p = NumberAt(m_pCurrent->GetPrevPosition(m_pCurrent->GetGate()));
  int cf = -1;
  int ff = -1;
  int otherFree = 1;
  int v = -1;
  if (!FindGateFaces(g, p, &cf, &ff, &otherFree, &v)) {
    // The gate edge is closed on both sides, as along a spike of the list that a gate kept
    // at the head never reaches: a list vertex without free edges goes first, then an edge
    // that is still open. A list without either is done.
    if (SetGateOnClosedVertex() || SetGateOnOpenEdge())
      return 1;
    return PopList();
  }
  // The third vertex is read from the table: the vertex itself is seldom in the cache.
  if (v < 0) {
    Fail();
    return 0;
  }
  switch (m_Mesh.GetState(v)) {
  case 0:
    ConquerFreeVertex(g, p, v, cf, ff, otherFree);
    break;
  case 1:
    if (!ConquerListVertex(g, p, v, ff))
      return 0;
    break;
  case 2:
    ConquerGhost(g, p, v, ff);
    break;
  default:
    Fail();
    return 0;
  }
  if (m_LimitOn && m_StepCount > m_LimitSteps)
    return 0;
  m_StepCount++;
  ChooseGate();
  return 1;
}

int CConquestCoder::SetGateOnClosedVertex()
{
  for (auto it = m_pCurrent->GetHeadPosition(); !m_pCurrent->IsNull(it); ++it)
    if (m_Mesh.GetRemaining(*it) == 0) {
      m_pCurrent->SetGate(it);
      return 1;
    }
  return 0;
}

int CConquestCoder::SetGateOnOpenEdge()
{
  // Around the ghost, which stands on the border once per visit, an edge of the list may be
  // closed on both sides; the conquest goes on from the first edge that still has a free
  // face beyond it. 0 when the list has none: it is done.
  for (auto it = m_pCurrent->GetHeadPosition(); !m_pCurrent->IsNull(it); ++it) {
    int cf = -1;
    int ff = -1;
    if (FindGateFaces(NumberAt(it), NumberAt(m_pCurrent->GetPrevPosition(it)), &cf, &ff)) {
      m_pCurrent->SetGate(it);
      return 1;
    }
  }
  return 0;
}

int CConquestCoder::PopList()
{
  m_Index.Detach();
  m_Stack.Pop();
  m_pCurrent = m_Stack.GetHead();
  FollowCurrent();
  if (!m_pCurrent)
    return SeedNextComponent();
  ChooseGate();
  return 1;
}

int CConquestCoder::FindGateFaces(int g, int p, int* pConquered, int* pFree, int* pOtherFree,
                                  int* pApex) const
{
  // On an oriented mesh the conquered face runs p->g and the free one g->p; the orientation
  // only breaks ties (around the ghost several faces may hold the edge). A face of the right
  // orientation is never displaced, so the walk ends once both have one, unless the free
  // faces are to be counted.
  int forward = -1;
  int backward = -1;
  int forwardApex = -1;
  if (m_Mesh.GetEdgeFaces(g, p, &forward, &backward, &forwardApex)) {
    // Filed from the sides: the edge's two faces, g -> p the free one's way, p -> g the
    // conquered one's, which is what the walk below would settle on.
    const bool forwardFree = forward >= 0 && !m_Mesh.IsFaceConquered(forward);
    const bool backwardFree = backward >= 0 && !m_Mesh.IsFaceConquered(backward);
    *pConquered = backward >= 0 && !backwardFree ? backward : (forward >= 0 && !forwardFree ? forward : -1);
    *pFree = forwardFree ? forward : (backwardFree ? backward : -1);
    if (pOtherFree)
      *pOtherFree = forwardFree && backwardFree ? 1 : 0;
    if (pApex)
      *pApex = forwardFree ? forwardApex : (backwardFree ? m_Mesh.GetCornerOther(backward, g, p) : -1);
    return *pConquered >= 0 && *pFree >= 0 ? 1 : 0;
  }
  int conquered = -1;
  int free = -1;
  int nbFree = 0;
  bool conqueredOriented = false;
  bool freeOriented = false;
  const int fanSize = g < 0 || p < 0 ? 0 : m_Mesh.GetFanSize(g);
  for (int i = 0; i < fanSize && (pOtherFree || !(conqueredOriented && freeOriented)); i++) {
    const int f = m_Mesh.GetFanFace(g, i);
    const int k = m_Mesh.IndexOfCorner(f, p);
    if (k < 0)
      continue;
    // p's first corner; the face runs p->g when g follows it, g->p when g's own first
    // corner comes just before a p.
    if (m_Mesh.IsFaceConquered(f)) {
      const bool oriented = m_Mesh.GetCorner(f, k == 2 ? 0 : k + 1) == g;
      if (conquered < 0 || (oriented && !conqueredOriented)) {
        conquered = f;
        conqueredOriented = oriented;
      }
    } else {
      nbFree++;
      const bool oriented = m_Mesh.HasOrientedEdge(f, g, p) != 0;
      if (free < 0 || (oriented && !freeOriented)) {
        free = f;
        freeOriented = oriented;
      }
    }
  }
  *pConquered = conquered;
  *pFree = free;
  if (pOtherFree)
    *pOtherFree = nbFree > 1 ? 1 : 0;
  if (pApex)
    *pApex = free < 0 ? -1 : m_Mesh.GetCornerOther(free, g, p);
  return conquered >= 0 && free >= 0 ? 1 : 0;
}

void CConquestCoder::ConquerFace(int g, int p, int v, int ff)
{
  m_Mesh.ConquerFace(ff);
  ConquerEdge(g, v);
  ConquerEdge(p, v);
  m_pCurrent->InsertBefore(m_pCurrent->GetGate(), m_Mesh.GetVertex(v), v);
  RecountDegrees(g, v, p);
}

void CConquestCoder::ConquerFreeVertex(int g, int p, int v, int cf, int ff, int otherFree)
{
  m_Mesh.SetState(v, 1);
  EmitValence(m_Mesh.GetVertex(v), v);
  ConquerFace(g, p, v, ff);
  // v's new node stands between p and g. A fill there would take a free face on v, p and g
  // other than ff: it would stand in g's fan, and FindGateFaces saw none. So the index is
  // spared the test, which would read v's edges and faces for the first time.
  if (!otherFree && m_Mesh.FansHoldEveryCorner())
    m_Index.MarkNoFill(m_pCurrent, m_pCurrent->GetPrevPosition(m_pCurrent->GetGate()).GetNode());
  // Only the geometry coding reads the frames: a connectivity run makes none.
  if (m_GeometryOn) {
    auto pPatch = std::make_unique<CConquestPatch3d>();
    CFace3d* pConquered = m_Mesh.GetFace(cf);
    CVertex3d* pGate = m_Mesh.GetVertex(g);
    CVertex3d* pPrev = m_Mesh.GetVertex(p);
    pPatch->Set(pPrev, pGate, pConquered->GetVertexOther(pGate, pPrev), m_Mesh.GetVertex(v), pConquered);
    m_Patches.push_back(std::move(pPatch));
  }
  if (m_Debug) {
    m_Mesh.GetVertex(v)->SetColor(51, 51, 255);
    m_Mesh.GetFace(ff)->SetColor(153, 204, 255);
    Redraw(0);
  }
}

int CConquestCoder::ConquerListVertex(int g, int p, int vi, int ff)
{
  CVertex3d* v = m_Mesh.GetVertex(vi);
  // v may stand on the border more than once; only the node whose free wedge holds ff
  // splits or merges the lists into borders again. Without one (the border is no longer a
  // border there) the first node from the head decides, as the list alone would.
  CActiveList* pOwner = nullptr;
  CActiveList::Position node = FindWedgeNode(v, m_Mesh.GetVertex(p), &pOwner);
  if (!pOwner) {
    pOwner = m_pCurrent->IsNull(m_pCurrent->Find(v)) ? nullptr : m_pCurrent;
    node = CActiveList::GetNull();
  }
  ConquerFace(g, p, vi, ff);
  if (pOwner == m_pCurrent) {
    const int offset = Split(v, node);
    if (offset < 0) {
      Fail();
      return 0;
    }
    ChooseGate();
    m_Codes.push_back(1);
    m_Codes.push_back(static_cast<unsigned int>(offset + 6));
    m_SplitCount++;
  } else {
    // A failed merge leaves the region inconsistent: the step goes on, the result fails.
    if (!Merge(v, pOwner, node))
      Fail();
    ChooseGate();
    m_Codes.push_back(2);
  }
  if (m_Debug) {
    m_Mesh.GetFace(ff)->SetColor(153, 204, 255);
    Redraw(0);
  }
  return 1;
}

int CConquestCoder::IsInFreeWedge(const CActiveList& list, CActiveList::Position pos,
                                  const CVertex3d* pEnter) const
{
  // List edges run as in the conquered faces, so the free wedge at the node turns from the
  // face entering the node from the next vertex to the face leaving it for the previous one.
  const int v = m_Mesh.IndexOf(list.GetAt(pos));
  const int a = m_Mesh.IndexOf(list.GetPrevVertex(pos));
  const int p = m_Mesh.IndexOf(pEnter);
  int x = m_Mesh.IndexOf(list.GetNextVertex(pos));
  for (int guard = v < 0 ? 0 : m_Mesh.GetFanSize(v); guard > 0; guard--) {
    if (x == p)
      return 1;
    const int f = m_Mesh.FindFaceEntering(v, x);
    if (f < 0)
      return 0;
    x = m_Mesh.GetCorner(f, (m_Mesh.IndexOfCorner(f, v) + 1) % 3);
    if (x == a)
      return 0;
  }
  return 0;
}

CActiveList::Position CConquestCoder::FindWedgeNode(const CVertex3d* v, const CVertex3d* p,
                                                    CActiveList** ppOwner) const
{
  *ppOwner = nullptr;
  for (const auto& pList : m_Stack)
    for (auto it = pList->GetHeadPosition(); !pList->IsNull(it); ++it)
      if (*it == v && IsInFreeWedge(*pList, it, p)) {
        *ppOwner = pList.get();
        return it;
      }
  return CActiveList::GetNull();
}

void CConquestCoder::ConquerGhost(int g, int p, int v, int ff)
{
  ConquerFace(g, p, v, ff);
  m_Codes.push_back(0);
  if (m_Debug) {
    m_Mesh.GetFace(ff)->SetColor(200, 150, 255);
    m_Mesh.GetVertex(v)->SetColor(204, 0, 255);
    Redraw(0);
  }
}

int CConquestCoder::ProcessGate()
{
  if (!m_pCurrent || m_pCurrent->IsEmpty())
    return 0;
  if (!m_pCurrent->HasGate())
    ChooseGate();
  const CActiveList::Position gate = m_pCurrent->GetGate();
  const int n = m_pCurrent->GetCount();
  const int gi = NumberAt(gate);
  // A list of one or two vertices encloses no face: it goes whatever its degrees.
  if (n > 2 && m_Mesh.GetRemaining(gi) != 0 && !IsFillGate(gate))
    return 0;
  CVertex3d* p = m_pCurrent->GetPrevVertex(gate);
  CVertex3d* q = m_pCurrent->GetNextVertex(gate);
  if (n <= 2) {
    m_pCurrent->RemoveAt(gate);
    Redraw(0);
    m_StepCount++;
    if (n == 1)
      return 0;
    ChooseGate();
    return 1;
  }
  const int pi = NumberAt(m_pCurrent->GetPrevPosition(gate));
  const int qi = NumberAt(m_pCurrent->GetNextPosition(gate));
  if (p == q)
    m_pCurrent->RemoveAt(m_pCurrent->GetPrevPosition(gate));
  ConquerEdge(pi, qi);
  RecountDegrees(gi, pi, qi);
  m_pCurrent->RemoveAt(gate);
  if (p != q) {
    m_CompletedCount++;
    const int f = gi < 0 ? -1 : m_Mesh.FindFace(gi, pi, qi);
    if (f >= 0) {
      m_Mesh.ConquerFace(f);
      if (m_Debug)
        m_Mesh.GetFace(f)->SetColor(153, 204, 255);
    }
  }
  if (m_Debug) {
    p->SetColor(51, 51, 255);
    q->SetColor(51, 51, 255);
    Redraw(0);
  }
  if (m_pCurrent->IsEmpty())
    return 0;
  ChooseGate();
  Redraw(0);
  m_StepCount++;
  return 1;
}

int CConquestCoder::NumberAt(CActiveList::Position pos) const
{
  const int number = pos.GetNode()->VertexIndex;
  return number >= 0 && number < m_Mesh.GetNbVertex() && m_Mesh.GetVertex(number) == *pos
           ? number
           : m_Mesh.IndexOf(*pos);
}

int CConquestCoder::IsFillGate(CActiveList::Position pos)
{
  // The index answered it on its last refresh when the node has not changed since.
  const SActiveNode* pNode = pos.GetNode();
  if (m_Index.GetList() == m_pCurrent && !pNode->Dirty && pNode->Degree > 0)
    return pNode->Fill;
  return m_Mesh.IsFillCorner(m_Mesh.IndexOf(m_pCurrent->GetAt(pos)),
                             m_Mesh.IndexOf(m_pCurrent->GetPrevVertex(pos)),
                             m_Mesh.IndexOf(m_pCurrent->GetNextVertex(pos)));
}

// --- gate choice ---------------------------------------------------------------------------

void CConquestCoder::ChooseGate()
{
  if (!m_pCurrent || m_pCurrent->IsEmpty())
    return;
  if (m_pCurrent->GetCount() == 1 || m_Deterministic)
    m_pCurrent->SetGate(m_pCurrent->GetHeadPosition());
  else
    m_pCurrent->SetGate(ChooseIndexedGate());
  if (m_Debug) {
    m_pCurrent->GetGateVertex()->SetColor(255, 0, 0);
    Redraw(0);
  }
}

CActiveList::Position CConquestCoder::ChooseIndexedGate()
{
  // What a walk from the head would answer (GetMinRemainingDegree, then the ring averages),
  // asked of the nodes that can win only: list order breaks ties through the node labels.
  if (SActiveNode* pFill = m_Index.GetFirstFill())
    return CActiveList::Position(pFill);
  int m = 0;
  int ties = 0;
  SActiveNode* pCandidates = m_Index.GetMinDegreeNodes(&m, &ties);
  if (ties == 1)
    return CActiveList::Position(pCandidates);
  // Ties go to the smallest weighted ring average of the remaining degrees, rings 1 to 4.
  return CActiveList::Position(m_Index.RankByRings(pCandidates));
}

int CConquestCoder::GetMinRemainingDegree(CActiveList::Position* pPos, int* pTies)
{
  int m = INT_MAX;
  *pPos = m_pCurrent->GetHeadPosition();
  for (auto it = m_pCurrent->GetHeadPosition(); !m_pCurrent->IsNull(it); ++it) {
    const int d = m_Mesh.GetRemaining(*it);
    if (d != 0 && IsFillGate(it)) {
      *pPos = it;
      *pTies = 1;
      return 0;
    }
    if (d < m) {
      m = d;
      *pPos = it;
    }
  }
  int ties = 0;
  for (const CVertex3d* v : *m_pCurrent)
    ties += m_Mesh.GetRemaining(v) == m ? 1 : 0;
  *pTies = ties;
  return m;
}

// --- splits and merges ---------------------------------------------------------------------

int CConquestCoder::Split(CVertex3d* v, CActiveList::Position node)
{
  const int offset = SplitOffset(v);
  if (offset < 0)
    return -1;
  CActiveList* pList = m_Stack.AddTail(std::make_unique<CActiveList>());
  // From the gate forward up to v's far node: v's new node stands just before the gate, so
  // the far one comes first.
  CActiveList::Position pos = m_pCurrent->GetGate();
  for (int guard = m_pCurrent->GetCount(); guard > 0; guard--) {
    CVertex3d* w = m_pCurrent->GetAt(pos);
    const CActiveList::Position next = m_pCurrent->GetNextPosition(pos);
    pList->AddTail(w, pos.GetNode()->VertexIndex);
    m_pCurrent->RemoveAt(pos);
    if (m_pCurrent->IsNull(node) ? w == v : pos == node)
      break;
    pos = next;
  }
  return offset;
}

int CConquestCoder::SplitOffset(CVertex3d* v)
{
  const int n = m_pCurrent->GetCount();
  if (n < 4)
    return -1;
  const CVertex3d* g = m_pCurrent->GetGateVertex();
  // Every list vertex but the gate, the one after it and v's new node before it.
  std::vector<CVertex3d*> a;
  std::vector<double> distance;
  a.reserve(static_cast<size_t>(n - 3));
  distance.reserve(static_cast<size_t>(n - 3));
  CActiveList::Position pos = m_pCurrent->GetNextPosition(m_pCurrent->GetNextPosition(m_pCurrent->GetGate()));
  for (int i = 0; i < n - 3; i++, pos = m_pCurrent->GetNextPosition(pos)) {
    a.push_back(m_pCurrent->GetAt(pos));
    distance.push_back(Distance(g, a.back()));
  }
  return SortedIndexOf(a, distance, v);
}

int CConquestCoder::SortedIndexOf(const std::vector<CVertex3d*>& a, const std::vector<double>& distance,
                                  const CVertex3d* v)
{
  // The offset is v's first index once the vertices are sorted by distance to the gate with
  // an exchange sort: for i, for j > i, swap when distance j < distance i. That sort is not
  // stable, and the order it leaves among equal distances is part of the stream. Only the
  // entries at v's distance and those below it shape that order, and each one below moves
  // the front of the run of equals gathered so far to its back; so one pass gives it.
  const auto found = std::find(a.begin(), a.end(), v);
  if (found == a.end())
    return -1;
  const double dv = distance[static_cast<size_t>(found - a.begin())];
  if (std::any_of(distance.begin(), distance.end(), [](double d) { return std::isnan(d); }))
    return ExchangeSortedIndexOf(a, distance, v);
  int below = 0;
  std::deque<const CVertex3d*> equals;
  for (size_t i = 0; i < a.size(); i++) {
    if (distance[i] < dv) {
      below++;
      if (!equals.empty()) {
        equals.push_back(equals.front());
        equals.pop_front();
      }
    } else if (distance[i] == dv) {
      equals.push_back(a[i]);
    }
  }
  return below + static_cast<int>(std::find(equals.begin(), equals.end(), v) - equals.begin());
}

int CConquestCoder::ExchangeSortedIndexOf(std::vector<CVertex3d*> a, std::vector<double> distance,
                                          const CVertex3d* v)
{
  // Without an order among the distances (a NaN) only the sort itself tells.
  for (size_t i = 0; i < a.size(); i++)
    for (size_t j = i + 1; j < a.size(); j++)
      if (distance[j] < distance[i]) {
        std::swap(a[i], a[j]);
        std::swap(distance[i], distance[j]);
      }
  const auto found = std::find(a.begin(), a.end(), v);
  return found == a.end() ? -1 : static_cast<int>(found - a.begin());
}

CActiveList* CConquestCoder::FindListForMerge(CVertex3d* v, CActiveList::Position* pPos)
{
  if (m_Stack.GetCount() < 2) {
    platform::MessageBox("At least two lists in stack required for merging");
    return nullptr;
  }
  for (auto it = std::next(m_Stack.begin()); it != m_Stack.end(); ++it) {
    CActiveList* pList = it->get();
    const CActiveList::Position pos = pList->Find(v);
    if (!pList->IsNull(pos)) {
      *pPos = pos;
      return pList;
    }
  }
  platform::MessageBox("Vertex not found in stack while merging");
  return nullptr;
}

int CConquestCoder::Merge(CVertex3d* v, CActiveList* pOwner, CActiveList::Position node)
{
  CActiveList::Position vertexPos = node;
  CActiveList* pFound = pOwner && pOwner != m_pCurrent ? pOwner : FindListForMerge(v, &vertexPos);
  if (!pFound)
    return 0;
  const std::unique_ptr<CActiveList> pList = m_Stack.Remove(pFound);
  // After v's new node: the other list once round, from the node after v to v itself.
  CActiveList::Position pos = m_pCurrent->GetPrevPosition(m_pCurrent->GetGate());
  CActiveList::Position walk = vertexPos;
  for (int guard = pList->GetCount(); guard > 0; guard--) {
    walk = pList->GetNextPosition(walk);
    pos = m_pCurrent->InsertAfter(pos, pList->GetAt(walk), walk.GetNode()->VertexIndex);
    if (walk == vertexPos)
      break;
  }
  return 1;
}

// --- visual debugging ----------------------------------------------------------------------

void CConquestCoder::Redraw(int force)
{
  if (!m_Debug && !force)
    return;
  if (s_RedrawCount % m_UpdateEach != 0 && !force) {
    s_RedrawCount++;
    return;
  }
  if (m_pMesh)
    m_pMesh->SetModified();
  platform::RedrawView(m_pView);
  if (m_Delay != 0)
    platform::Sleep(m_Delay);
  s_RedrawCount++;
}
