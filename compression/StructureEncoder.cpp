#include "compression/StructureCoder.h"

#include "coding/OBitStream.h"
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

constexpr const char* NoManifold = "Structure coding: the mesh is not a manifold the conquest can walk.";

// Why the stream cannot carry the mesh, or empty when it can: valences within 8 bits, no
// vertex outside every face.
std::string Refusal(const std::vector<int>& valences)
{
  for (const int valence : valences) {
    if (valence > 255)
      return "Structure coding: a vertex has more than 255 neighbours.";
    if (valence == 0)
      return "Structure coding: a vertex belongs to no face.";
  }
  return {};
}
} // namespace

int CStructureCoder::Encode(CMesh3d* pMesh, const char* fileName, CVertexTree* pTree,
                            int seedFace, const SOptions& options, SResult* pResult)
{
  m_Refusal = "Structure coding needs a mesh, a file name and a vertex tree.";
  if (!fileName)
    return 0;
  // Coded in memory, written to the file once.
  COBitStream stream;
  SResult result;
  if (!Encode(pMesh, &stream, pTree, seedFace, options, &result))
    return 0;
  if (!stream.WriteFile(fileName))
    return RefuseStream();
  return HandOver(result, pResult);
}

int CStructureCoder::Encode(CMesh3d* pMesh, COBitStream* pStream, CVertexTree* pTree,
                            int seedFace, const SOptions& options, SResult* pResult)
{
  m_Refusal = "Structure coding needs a mesh, a file name and a vertex tree.";
  if (!pMesh || !pStream || !pTree)
    return 0;
  m_pMesh = pMesh;
  m_Options = options;
  m_Options.m_UpdateClient = std::max(1, options.m_UpdateClient);
  m_Codes.clear();
  m_Offsets.clear();
  m_Signs.clear();
  m_GhostDegree = 0;
  // One pass over the vertices: flags, the indices of the coder's tables, and the data
  // pointers cleared (the coder leaves them so; a pass of its own at the end would read every
  // vertex again).
  m_Vertex.resize(static_cast<std::size_t>(pMesh->NbVertex()));
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    v->SetFlag(FlagFree);
    v->SetAdjacencyIndex(i);
    v->SetData(nullptr);
    m_Vertex[static_cast<std::size_t>(i)] = v;
  }
  m_Refusal = "Structure coding needs a triangle mesh and a seed face of it.";
  if (pMesh->NbVertex() < 3 || seedFace < 0 || seedFace >= pMesh->NbFace())
    return 0;
  // The conquest reads the faces' corners alone, never the mesh's adjacency, which the
  // coder leaves as it is: what it needs of it comes from the corners (MeasureFans).
  if (!IndexVertices()) {
    m_Refusal = NoManifold;
    return 0;
  }
  MeasureFans();
  m_Refusal = Refusal(m_Valence);
  if (!m_Refusal.empty())
    return 0;
  const int nbVertex = pMesh->NbVertex();
  const int nbFace = pMesh->NbFace();
  SetGhost(SearchGhostVertex());
  AddDebugSets();

  m_pStack = std::make_unique<CEdgeListStack>();
  m_pStack->AddHead(std::make_unique<CEdgeList>());
  m_pActiveList = m_pStack->GetHead();
  const long long start = platform::GetTickMs();
  auto* pRun = new CVertexRun;
  pTree->AddRun(pRun);
  // One allocation for the whole run, not one per thousand vertices.
  pRun->GetArrayVertex()->SetSize(0, nbVertex);
  m_Lost = 0;
  m_ClosedPivot = nullptr;
  {
    CStepLock lock(m_Options.m_pMutex);
    GenerateEdgeArray();
    InitEdgeList(seedFace, pRun);
  }
  // Each step conquers an edge or removes an item, so a mesh the conquest cannot walk (not
  // a manifold) shows itself by running past this bound.
  const long long maxStep = 4 * (static_cast<long long>(m_NbEdge) + nbVertex) + 16;
  const int conquered = Conquer(pRun, maxStep);
  pRun->GetArrayVertex()->SetSize(pRun->NbVertex(), 0);
  m_pActiveList = nullptr;
  // The marks went into the vertices' colours: the mesh draws them from now on.
  if (m_Options.m_VisualDebug)
    pMesh->SetModified();
  Redraw(0);
  const double duration = static_cast<double>(platform::GetTickMs() - start) / 1000.0;
  EndEncoding();
  if (!conquered || pRun->NbVertex() != nbVertex) {
    m_Refusal = NoManifold;
    return 0;
  }
  SResult result;
  if (!CodeStream(pStream, nbVertex, nbFace, duration, &result))
    return RefuseStream();
  return HandOver(result, pResult);
}

int CStructureCoder::RefuseStream()
{
  m_Refusal = "Structure coding: the codes exceed the stream's fields, or the file cannot be "
              "written.";
  return 0;
}

// The caller takes the result, or the user sees its report.
int CStructureCoder::HandOver(const SResult& result, SResult* pResult)
{
  if (pResult)
    *pResult = result;
  else
    platform::MessageBox(result.m_Report);
  return 1;
}

// Conquers the seed's component, then each further component from its first face; a new
// component's seed corners follow the codes of the one before.
int CStructureCoder::Conquer(CVertexRun* pRun, long long maxStep)
{
  int cursor = 0;
  // The edge that the last removal attempt found at the pivot: nothing has moved since.
  int next = -1;
  for (int step = 0;; step++) {
    CStepLock lock(m_Options.m_pMutex);
    if (m_pStack->GetCount() == 0) {
      const int seed = NextSeedFace(&cursor);
      if (seed < 0)
        return 1;
      m_pStack->AddHead(std::make_unique<CEdgeList>());
      m_pActiveList = m_pStack->GetHead();
      InitEdgeList(seed, pRun);
    }
    if (step > maxStep || m_Lost || !m_pActiveList->GetPivot())
      return 0;
    if (const int e = next >= 0 ? next : CodeNextEdge(m_pActiveList->GetPivot()); e >= 0) {
      ConquerEdge(e, pRun);
      Redraw(step);
    }
    while (RemoveFullVertex(&next))
      if (m_Options.m_UpdateClient == 1)
        Redraw(step);
    if (m_pActiveList->IsEmpty()) {
      // Its nodes go with it: a closed pivot remembered there must not match a new node.
      m_ClosedPivot = nullptr;
      m_pStack->RemoveHead();
      m_pActiveList = m_pStack->GetHead();
      if (m_pActiveList && m_Options.m_VisualDebug) {
        ShowEdgeList(m_pActiveList);
        Redraw(step);
      }
    }
  }
}

// The first face from the cursor on whose first corner is not conquered yet.
int CStructureCoder::NextSeedFace(int* pCursor) const
{
  for (; *pCursor < m_pMesh->NbFace(); ++*pCursor) {
    const int corner = m_Corner[3 * static_cast<std::size_t>(*pCursor)];
    if (corner >= 0 && !m_OnList[static_cast<std::size_t>(corner)])
      return *pCursor;
  }
  return -1;
}

// The faces' corners as indices (Encode has given each vertex its index in the mesh), the
// faces' data pointers cleared on the way. 0 when a face uses a vertex the mesh does not list:
// no conquest then. A vertex listed twice keeps its last index; its first place then belongs
// to no face.
int CStructureCoder::IndexVertices()
{
  const int n = static_cast<int>(m_Vertex.size());
  const int nbFace = m_pMesh->NbFace();
  m_Corner.resize(3 * static_cast<std::size_t>(nbFace));
  for (int i = 0; i < nbFace; i++) {
    CFace3d* f = m_pMesh->GetFace(i);
    int* corner = &m_Corner[3 * static_cast<std::size_t>(i)];
    if (f)
      f->SetData(nullptr);
    // A face with an empty corner takes no part, as in the mesh's adjacency.
    if (!f || f->HasNullVertex()) {
      corner[0] = corner[1] = corner[2] = -1;
      continue;
    }
    for (int k = 0; k < 3; k++) {
      const CVertex3d* v = f->v(k);
      const int index = v->GetAdjacencyIndex();
      if (index < 0 || index >= n || m_Vertex[static_cast<std::size_t>(index)] != v)
        return 0;
      corner[k] = index;
    }
  }
  ListFaces(n);
  return 1;
}

// The turns of each vertex's faces in face order, each face once (it may repeat a corner):
// the corners after and before the vertex at its first corner there. Written in one pass
// over the faces, so that a rotation reads its turns side by side.
void CStructureCoder::ListFaces(int nbVertex)
{
  const std::size_t n = static_cast<std::size_t>(nbVertex);
  const std::size_t nbFace = m_Corner.size() / 3;
  m_FaceStart.assign(n + 1, 0);
  // fn(corner, the corner after it, the one before it) at each vertex's first corner.
  const auto forEachCorner = [this](std::size_t f, auto fn) {
    const int* c = &m_Corner[3 * f];
    if (c[0] < 0)
      return;
    fn(c[0], c[1], c[2]);
    if (c[1] != c[0])
      fn(c[1], c[2], c[0]);
    if (c[2] != c[0] && c[2] != c[1])
      fn(c[2], c[0], c[1]);
  };
  for (std::size_t f = 0; f < nbFace; f++)
    forEachCorner(f, [this](int c, int, int) { m_FaceStart[static_cast<std::size_t>(c) + 1]++; });
  for (std::size_t i = 0; i < n; i++)
    m_FaceStart[i + 1] += m_FaceStart[i];
  m_Turn.resize(static_cast<std::size_t>(m_FaceStart[n]));
  std::vector<int> cursor(m_FaceStart.begin(), m_FaceStart.end() - 1);
  for (std::size_t f = 0; f < nbFace; f++)
    forEachCorner(f, [&](int c, int from, int to) {
      m_Turn[static_cast<std::size_t>(cursor[static_cast<std::size_t>(c)]++)] = {from, to};
    });
}

// Each vertex's count of neighbours and whether it is on a border, from the turns of its
// faces: a face holds u when it turns from or to u. The edge towards u is a border when no
// other face of the vertex holds u; an edge from a corner to itself when the vertex has no
// other face. A vertex is on a border when the edges at its first corner in one of its faces
// are.
void CStructureCoder::MeasureFans()
{
  const std::size_t n = m_Vertex.size();
  m_Valence.assign(n, 0);
  m_Border.assign(n, 0);
  // Per neighbour, stamped with the vertex measured: the number of its faces that hold it
  // (the marks of the rotation, borrowed).
  PrepareMarks(static_cast<int>(n));
  for (std::size_t i = 0; i < n; i++) {
    const int self = static_cast<int>(i);
    const std::pair<int, int>* turns = m_Turn.data() + m_FaceStart[i];
    const int nbTurn = m_FaceStart[i + 1] - m_FaceStart[i];
    int valence = 0;
    const auto hold = [&](int u) {
      const std::size_t k = static_cast<std::size_t>(u);
      SMark& mark = m_Mark[k];
      if (mark.m_Placed != self) {
        mark.m_Placed = self;
        mark.m_After = 0;
        valence += u != self ? 1 : 0;
      }
      mark.m_After++;
    };
    for (int t = 0; t < nbTurn; t++) {
      hold(turns[t].first);
      if (turns[t].second != turns[t].first)
        hold(turns[t].second);
    }
    const auto isBorderEdge = [&](int u) {
      return u == self ? nbTurn == 1 : m_Mark[static_cast<std::size_t>(u)].m_After == 1;
    };
    char border = 0;
    for (int t = 0; t < nbTurn && !border; t++)
      border = isBorderEdge(turns[t].first) || isBorderEdge(turns[t].second) ? 1 : 0;
    m_Valence[i] = valence;
    m_Border[i] = border;
  }
}

CVertex3d* CStructureCoder::SearchGhostVertex()
{
  const int n = m_pMesh->NbVertex();
  m_NbBorder = static_cast<int>(std::count(m_Border.begin(), m_Border.end(), 1));
  if (m_NbBorder == 0)
    return nullptr;
  // The ghost neighbours every border vertex; it is counted in their valences, and its
  // own is the number of border vertices. Only the coder's tables join it to them.
  auto* pGhost = new CVertex3d(0.0f, 0.0f, 0.0f);
  m_pMesh->AddVertex(pGhost);
  pGhost->SetFlag(FlagGhost);
  pGhost->SetAdjacencyIndex(n);
  m_Vertex.push_back(pGhost);
  for (int i = 0; i < n; i++)
    m_Valence[static_cast<std::size_t>(i)] += m_Border[static_cast<std::size_t>(i)];
  m_Valence.push_back(m_NbBorder);
  m_Border.push_back(0);
  return pGhost;
}

// Each vertex's edges in rotation order, each edge shared by its two ends: the edge towards a
// neighbour of higher index is made, the one towards a lower index is the neighbour's own.
void CStructureCoder::GenerateEdgeArray()
{
  const int n = static_cast<int>(m_Vertex.size());
  // Every edge counted from both ends, the ghost's included.
  long long nbEnd = 0;
  for (int i = 0; i < n; i++)
    nbEnd += m_Valence[static_cast<std::size_t>(i)];
  m_NbEdge = 0;
  m_EdgeEnd.clear();
  m_EdgeFlag.clear();
  m_EdgeEnd.reserve(static_cast<std::size_t>(nbEnd + 2));
  m_EdgeFlag.reserve(static_cast<std::size_t>(nbEnd / 2 + 1));
  m_AroundStart.assign(static_cast<std::size_t>(n) + 1, 0);
  m_Around.clear();
  m_Around.reserve(static_cast<std::size_t>(nbEnd));
  m_NbFree.assign(static_cast<std::size_t>(n), 0);
  m_OnList.assign(static_cast<std::size_t>(n), 0);
  PrepareMarks(n);
  for (int i = 0; i < n; i++) {
    for (const int j : RotationOf(i)) {
      int e = -1;
      if (j >= i && m_NbEdge <= nbEnd / 2) {
        e = m_NbEdge++;
        m_EdgeEnd.push_back(i);
        m_EdgeEnd.push_back(j);
        m_EdgeFlag.push_back(FlagFree);
      } else {
        const int p = Slot(j, i);
        e = p < 0 ? -1 : m_Around[static_cast<std::size_t>(p)].m_Edge;
      }
      m_Around.push_back({j, e});
      if (e >= 0)
        m_NbFree[static_cast<std::size_t>(i)]++;
    }
    m_AroundStart[static_cast<std::size_t>(i) + 1] = static_cast<int>(m_Around.size());
  }
  m_NbGhostFree = m_pGhost ? m_NbBorder : 0;
}

int CStructureCoder::EdgeBetween(const CVertex3d* a, const CVertex3d* b) const
{
  return a && b ? EdgeBetween(IndexOf(a), IndexOf(b)) : -1;
}

// Stamps per vertex for the rotation: one pass per vertex, no clearing between them.
void CStructureCoder::PrepareMarks(int nbVertex)
{
  const std::size_t n = static_cast<std::size_t>(nbVertex);
  m_Stamp = 0;
  m_Mark.assign(n, SMark{});
}

// The neighbours of vertex i in rotation order: from the first face's corner after i, each
// next one is the corner after it in the face that follows round i. An open fan goes on
// through the ghost to the neighbour that starts it. Neighbours the fans do not reach (the
// ghost's own, or not a manifold) keep their order at the end.
const std::vector<int>& CStructureCoder::RotationOf(int i)
{
  std::vector<int>& order = m_Rotation;
  order.clear();
  const int stamp = ++m_Stamp;
  const int first = i < static_cast<int>(m_FaceStart.size()) - 1 ? m_FaceStart[static_cast<std::size_t>(i)] : 0;
  const int last = i < static_cast<int>(m_FaceStart.size()) - 1 ? m_FaceStart[static_cast<std::size_t>(i) + 1] : 0;
  // Each turn of a face round i, from the corner after i to the one before it. A neighbour
  // that two faces turn from, or to, is no fan: noted for IsOneFan.
  m_TurnsRepeat = 0;
  for (int p = first; p < last; p++) {
    const auto [from, to] = m_Turn[static_cast<std::size_t>(p)];
    if (m_Mark[static_cast<std::size_t>(from)].m_Turn == stamp)
      m_TurnsRepeat = 1;
    else {
      m_Mark[static_cast<std::size_t>(from)].m_Turn = stamp;
      m_Mark[static_cast<std::size_t>(from)].m_After = to;
    }
    if (m_Mark[static_cast<std::size_t>(to)].m_To == stamp)
      m_TurnsRepeat = 1;
    m_Mark[static_cast<std::size_t>(to)].m_To = stamp;
  }
  m_NbTurn = last - first;
  if (m_NbTurn == 0) {
    // The ghost: no face, and its edges are never turned round. Its neighbours are the
    // border vertices in index order.
    for (int j = 0; j < static_cast<int>(m_Border.size()); j++)
      if (m_Border[static_cast<std::size_t>(j)])
        order.push_back(j);
    return order;
  }
  const auto after = [&](int u) {
    return m_Mark[static_cast<std::size_t>(u)].m_Turn == stamp ? m_Mark[static_cast<std::size_t>(u)].m_After : -1;
  };
  const auto placed = [&](int u) { return m_Mark[static_cast<std::size_t>(u)].m_Placed == stamp; };
  const auto place = [&](int u) {
    order.push_back(u);
    m_Mark[static_cast<std::size_t>(u)].m_Placed = stamp;
  };
  const bool besideGhost = m_pGhost && m_Border[static_cast<std::size_t>(i)];
  const int ghost = m_pGhost ? IndexOf(m_pGhost) : -1;
  const auto [firstFrom, firstTo] = m_Turn[static_cast<std::size_t>(first)];
  place(firstFrom);
  for (int c = firstTo; c >= 0 && !placed(c); c = after(c)) {
    place(c);
    if (after(c) >= 0 || !besideGhost || placed(ghost))
      continue;
    // The end of an open fan: the ghost, then the neighbour no face turns to.
    place(ghost);
    c = FanStart(i, stamp, c);
    if (!placed(c))
      place(c);
  }
  const int valence = m_Valence[static_cast<std::size_t>(i)];
  if (static_cast<int>(order.size()) < valence) {
    m_Lost = 1;
    for (int p = first; p < last; p++)
      for (const int u : {m_Turn[static_cast<std::size_t>(p)].first, m_Turn[static_cast<std::size_t>(p)].second})
        if (u != i && !placed(u))
          place(u);
    if (besideGhost && !placed(ghost))
      place(ghost);
  }
  if (!IsOneFan(i, order.size(), besideGhost))
    m_Lost = 1;
  return order;
}

// The first corner, in face order, that some face round i turns from and none turns to; c
// when there is none.
int CStructureCoder::FanStart(int i, int stamp, int c) const
{
  for (int p = m_FaceStart[static_cast<std::size_t>(i)]; p < m_FaceStart[static_cast<std::size_t>(i) + 1]; p++) {
    const int from = m_Turn[static_cast<std::size_t>(p)].first;
    if (m_Mark[static_cast<std::size_t>(from)].m_To != stamp)
      return from;
  }
  return c;
}

// The faces round i make one fan: each turns from a different neighbour and to a different
// one (no edge in three faces, no face turned over), as many as its edges, or one fewer on a
// border. A vertex pinched between fans, or one the walk did not close, is no manifold.
int CStructureCoder::IsOneFan(int i, std::size_t nbPlaced, bool besideGhost) const
{
  if (m_TurnsRepeat)
    return 0;
  const std::size_t valence = static_cast<std::size_t>(m_Valence[static_cast<std::size_t>(i)]);
  const std::size_t nbTurn = static_cast<std::size_t>(m_NbTurn);
  const std::size_t nbReal = valence - (besideGhost ? 1 : 0);
  const std::size_t open = nbReal - nbTurn;
  return nbPlaced == valence && (open == 0 || (open == 1 && nbReal < valence));
}

void CStructureCoder::AppendValence(int i)
{
  m_Codes.push_back(static_cast<unsigned int>(m_Valence[static_cast<std::size_t>(i)]) & 0xFFu);
}

void CStructureCoder::InitEdgeList(int seedFace, CVertexRun* pRun)
{
  const CFace3d* f = m_pMesh->GetFace(seedFace);
  for (int i = 0; i < 3; i++) {
    CVertex3d* v = f->v(i);
    m_pActiveList->AddTail(v);
    pRun->Add(v);
    AppendValence(IndexOf(v));
    SetEdgeConquered(EdgeBetween(v, f->v((i + 1) % 3)));
    v->SetFlag(FlagConquered);
    m_OnList[static_cast<std::size_t>(IndexOf(v))] = 1;
    if (m_Options.m_VisualDebug) {
      Mark(v, i == 0 ? 255 : 0, i == 0 ? 0 : 255, 0);
      Redraw(0);
    }
  }
  m_pActiveList->SetPivot(m_pActiveList->GetHeadPosition());
}

// The edge after the one towards the item before the pivot, round the pivot; -1 when the
// pivot is conquered or closed (code 2, once per pivot).
int CStructureCoder::CodeNextEdge(CLoopList::POSITION pivot)
{
  if (!pivot || m_pActiveList->GetCount() <= 2)
    return -1;
  CVertex3d* p = CLoopList::GetAt(pivot);
  if (IsConquered(p))
    return -1;
  const int i = IndexOf(p);
  const int before = IndexOf(m_pActiveList->GetPrevItem(pivot));
  const int after = IndexOf(m_pActiveList->GetNextItem(pivot));
  if (before == after)
    return -1;
  const int k = Slot(i, before);
  if (k < 0)
    return -1;
  const int next = k + 1 < m_AroundStart[static_cast<std::size_t>(i) + 1] ? k + 1
                                                                          : m_AroundStart[static_cast<std::size_t>(i)];
  // The conquest goes on round the pivot: its next neighbours are wanted soon.
  const int last = m_AroundStart[static_cast<std::size_t>(i) + 1];
  for (int q = next; q < next + 2 && q < last; q++)
    m_Vertex[static_cast<std::size_t>(m_Around[static_cast<std::size_t>(q)].m_Vertex)]->PrefetchAdjacencyIndex();
  if (m_Around[static_cast<std::size_t>(next)].m_Vertex == after) {
    if (m_ClosedPivot != pivot)
      m_Codes.push_back(2);
    m_ClosedPivot = pivot;
    return -1;
  }
  return m_Around[static_cast<std::size_t>(next)].m_Edge;
}

void CStructureCoder::SetEdgeConquered(int e)
{
  if (e < 0 || m_EdgeFlag[static_cast<std::size_t>(e)] != FlagFree)
    return;
  m_EdgeFlag[static_cast<std::size_t>(e)] = FlagConquered;
  const int a = m_EdgeEnd[2 * static_cast<std::size_t>(e)];
  const int b = m_EdgeEnd[2 * static_cast<std::size_t>(e) + 1];
  // Visual debugging draws each edge as it is conquered.
  AddSegment(m_Vertex[static_cast<std::size_t>(a)], m_Vertex[static_cast<std::size_t>(b)]);
  m_NbFree[static_cast<std::size_t>(a)]--;
  if (b != a)
    m_NbFree[static_cast<std::size_t>(b)]--;
  if (m_pGhost && (m_Vertex[static_cast<std::size_t>(a)] == m_pGhost || m_Vertex[static_cast<std::size_t>(b)] == m_pGhost))
    m_NbGhostFree--;
}

int CStructureCoder::HasNoFreeEdge(const CVertex3d* v) const
{
  return m_NbFree[static_cast<std::size_t>(IndexOf(v))] == 0 ? 1 : 0;
}

int CStructureCoder::IsConquered(const CVertex3d* v) const
{
  // The ghost neighbours every border vertex: its count is kept, not recounted.
  return v == m_pGhost ? (m_NbGhostFree == 0 ? 1 : 0) : HasNoFreeEdge(v);
}

void CStructureCoder::ConquerEdge(int e, CVertexRun* pRun)
{
  CVertex3d* p = m_pActiveList->GetPivotVertex();
  const int a = m_EdgeEnd[2 * static_cast<std::size_t>(e)];
  const int b = m_EdgeEnd[2 * static_cast<std::size_t>(e) + 1];
  const int j = a == IndexOf(p) ? b : a;
  CVertex3d* v = m_Vertex[static_cast<std::size_t>(j)];
  if (m_OnList[static_cast<std::size_t>(j)]) {
    SetEdgeConquered(e);
    const SPlace place = FindConquered(v, e);
    if (place.m_List == 0)
      SplitEdgeList(place.m_Pos);
    else if (place.m_List > 0)
      MergeEdgeList(place.m_List, place.m_Pos);
    else
      m_Lost = 1;
    return;
  }
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(m_pActiveList->GetPivot());
  m_pActiveList->InsertBefore(m_pActiveList->GetPivot(), v);
  SetEdgeConquered(e);
  // By index: the new vertex itself is seldom in the cache yet.
  SetEdgeConquered(EdgeBetween(j, IndexOf(pBefore)));
  if (v == m_pGhost) {
    m_Codes.push_back(0);
    // Exact, unlike other valences: the decoder knows the ghost full by this count.
    m_GhostDegree = static_cast<unsigned int>(m_NbBorder);
  } else {
    pRun->Add(v);
    v->SetFlag(FlagConquered);
    m_OnList[static_cast<std::size_t>(j)] = 1;
    AppendValence(j);
  }
  if (m_Options.m_VisualDebug)
    Mark(v, 0, 255, 0);
}

CLoopList::POSITION CStructureCoder::PivotNear(CEdgeList* pList, CLoopList::POSITION pos) const
{
  if (!m_Options.m_EncourageFull)
    return pos;
  CVertex3d* v = FindOutward(pList, pos, [this](const CVertex3d* u) { return HasNoFreeEdge(u); });
  return v ? pList->Find(v) : pos;
}

int CStructureCoder::HoldsEdge(const CEdgeList* pList, CLoopList::POSITION pos, int e) const
{
  const int v = IndexOf(CLoopList::GetAt(pos));
  const int k = Slot(v, IndexOf(pList->GetPrevItem(pos)));
  const int next = IndexOf(pList->GetNextItem(pos));
  if (k < 0 || EdgeBetween(v, next) < 0)
    return 0;
  // The free edges of an item turn from the edge towards the item before it to the one
  // towards the item after it.
  const int first = m_AroundStart[static_cast<std::size_t>(v)];
  const int n = NbAround(v);
  for (int i = 1; i < n; i++) {
    const std::size_t p = static_cast<std::size_t>(first + (k - first + i) % n);
    if (m_Around[p].m_Vertex == next)
      return 0;
    if (m_Around[p].m_Edge == e)
      return 1;
  }
  return 0;
}

CStructureCoder::SPlace CStructureCoder::FindConquered(const CVertex3d* v, int e) const
{
  // A vertex stands on several lists, or twice on one, where the conquest has pinched the
  // border; only the item whose free edges hold the new edge closes the right triangle.
  SPlace first;
  for (int i = 0; i < m_pStack->GetCount(); i++) {
    const CEdgeList* pList = m_pStack->GetAt(i);
    const CLoopList::POSITION start = i == 0 ? pList->GetPivot() : pList->GetHeadPosition();
    CLoopList::POSITION pos = start;
    for (int j = 0; j < pList->GetCount(); j++, pos = pList->GetNextPos(pos)) {
      if (CLoopList::GetAt(pos) != v)
        continue;
      if (HoldsEdge(pList, pos, e))
        return {i, pos};
      if (first.m_List < 0)
        first = {i, pos};
    }
  }
  return first;
}

void CStructureCoder::SplitEdgeList(CLoopList::POSITION target)
{
  const int n = m_pActiveList->GetCount();
  CLoopList::POSITION pos = m_pActiveList->GetPivot();
  CVertex3d* p = CLoopList::GetAt(pos);
  CVertex3d* v = CLoopList::GetAt(target);
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pos);
  auto pNew = std::make_unique<CEdgeList>();
  int count = 0;
  while (pos != target) {
    CLoopList::POSITION next = m_pActiveList->GetNextPos(pos);
    pNew->AddTail(CLoopList::GetAt(pos));
    if (m_Options.m_VisualDebug)
      CLoopList::GetAt(pos)->SetColor(255, 128, 0);
    m_pActiveList->RemoveAt(pos);
    pos = next;
    count++;
  }
  // The pivot's node went back to the pool, where a later item may take it.
  m_ClosedPivot = nullptr;
  const int offset = count <= n - count ? count : count - n;
  m_Codes.push_back(1);
  m_Signs.push_back(offset < 0 ? 1u : 0u);
  m_Offsets.push_back(static_cast<unsigned int>(offset < 0 ? -offset : offset));
  pNew->AddTail(v);
  pNew->SetPivot(PivotNear(pNew.get(), pNew->Find(p)));
  m_pActiveList->SetPivot(PivotNear(m_pActiveList, pos));
  SetEdgeConquered(EdgeBetween(pBefore, v));
  m_pStack->AddTail(std::move(pNew));
}

// A merge is coded as a split whose offset no split can have: negative and at least half
// the active list, raised by the other list's place in the stack. A second offset locates
// the vertex from that list's pivot, nearest way round.
void CStructureCoder::MergeEdgeList(int index, CLoopList::POSITION pos)
{
  const int n = m_pActiveList->GetCount();
  const CEdgeList* pOther = m_pStack->GetAt(index);
  const int m = pOther->GetCount();
  int count = 0;
  for (CLoopList::POSITION q = pOther->GetPivot(); q != pos; q = pOther->GetNextPos(q))
    count++;
  const int d = count <= m - count ? count : count - m;
  m_Codes.push_back(1);
  m_Signs.push_back(1);
  m_Offsets.push_back(static_cast<unsigned int>((n + 1) / 2 + index - 1));
  m_Signs.push_back(d < 0 ? 1u : 0u);
  m_Offsets.push_back(static_cast<unsigned int>((d < 0 ? -d : d) + 1));
  CVertex3d* v = CLoopList::GetAt(pos);
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(m_pActiveList->GetPivot());
  JoinEdgeList(index, pos);
  SetEdgeConquered(EdgeBetween(pBefore, v));
  if (m_Options.m_VisualDebug)
    ShowEdgeList(m_pActiveList);
}

void CStructureCoder::JoinEdgeList(int index, CLoopList::POSITION pos)
{
  const std::unique_ptr<CEdgeList> pOther = m_pStack->RemoveAt(index);
  m_pActiveList->InsertLoopBefore(m_pActiveList->GetPivot(), *pOther, pos);
}

int CStructureCoder::RemoveFullVertex(int* pNextEdge)
{
  *pNextEdge = -1;
  if (m_pActiveList->IsEmpty())
    return 0;
  const CLoopList::POSITION pivot = m_pActiveList->GetPivot();
  CVertex3d* p = CLoopList::GetAt(pivot);
  const CLoopList::POSITION next = m_pActiveList->GetNextPos(pivot);
  if (p == m_pGhost && !IsConquered(p)) {
    p->SetColor(0, 255, 0);
    if (CLoopList::GetAt(next) == m_pGhost)
      m_pActiveList->RemoveAt(pivot);
    m_pActiveList->SetPivot(next == pivot ? nullptr : next);
    if (m_pActiveList->IsEmpty())
      m_pActiveList->SetPivot(nullptr);
    return 1;
  }
  if (const int e = CodeNextEdge(pivot); e >= 0) {
    *pNextEdge = e;
    return 0;
  }
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pivot);
  CVertex3d* pAfter = CLoopList::GetAt(next);
  if (pBefore != p && pAfter != p)
    SetEdgeConquered(EdgeBetween(pBefore, pAfter));
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
  m_NbEdge = 0;
  // The mesh's adjacency was never touched; the ghost goes.
  if (m_pGhost) {
    m_pMesh->DeleteVertexAt(m_pMesh->NbVertex() - 1);
    SetGhost(nullptr);
  }
  m_pMesh->SetModified();
}
