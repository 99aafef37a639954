// The adjacency of the quad mesh, built from corner indices in a few linear passes.
#include "mesh/QuadMesh3d.h"
#include "mesh/ScratchBuffer.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using scratch::Buffer;
using scratch::MakeBuffer;

// Sizes a list to n entries, keeping its storage when it is large enough.
template <class T>
T** ResizeList(CQuadNeighborList<T>* pList, int n)
{
  if (n > pList->GetMaxSize())
    pList->RemoveAll();
  pList->SetSize(n);
  return pList->GetData();
}

// The three relations over vertex and quad indices, with the orders of the plain rules:
//   the quads of a vertex in quad order, each once (a quad may repeat a corner);
//   the neighbours of a vertex: for each of its quads in order, the corners after and before
//   the vertex's first corner in that quad, each once;
//   across edge k of q, the first quad other than q in corner k's list that holds corners k
//   and k+1 as an edge, in either direction.
// Each vertex a in turn gets its lists, sized once, and the quads of edges that start at a get
// their neighbour. No list is searched: per vertex b beside a, the first two quads of a's list
// on edge ab are remembered, and they settle every edge from a to b.
class CQuadAdjacencyBuilder
{
public:
  explicit CQuadAdjacencyBuilder(CQuadMesh3d* pMesh)
    : m_pMesh(pMesh), m_NbVertex(pMesh->NbVertex()), m_NbQuad(pMesh->NbQuad())
  {
  }

  // False, with no list touched, when a quad stands twice in the quad array or uses a vertex
  // that the mesh does not list: the caller then builds by the plain rules.
  bool Build();
  // The same from corner indices the caller already holds: no vertex is read.
  bool BuildFromCorners(const std::vector<int>& corners);

private:
  struct SEdge
  {
    int first;
    int second;  // -1 while only one quad holds the edge
  };

  bool MarkQuads();
  bool ReadCorners();
  void BuildLists();
  void ListQuads();
  void BuildAround(int a);
  void CollectNeighbors(int a);
  void CollectEdges(int a);
  void NoteEdge(int a, int b, int quad);
  void StoreLists(CQuadVertex3d* v, int a) const;
  void LinkQuadsFrom(int a) const;
  const int* CornersOf(int quad) const { return &m_Corner[4 * static_cast<size_t>(quad)]; }

  CQuadMesh3d* m_pMesh;
  const int m_NbVertex;
  const int m_NbQuad;
  Buffer<int> m_ReadCorner;       // the corners read from the quads, when not given
  const int* m_Corner = nullptr;  // 4 per quad
  Buffer<int> m_QuadStart;  // per vertex + 1: its quads in m_Quads
  Buffer<int> m_Quads;
  // While vertex a is built: owner[b] == a when b is a's neighbour (or across an edge from a)
  // number slot[b].
  Buffer<int> m_NeighborOwner;
  Buffer<int> m_EdgeOwner;
  Buffer<int> m_EdgeSlot;
  std::vector<int> m_Neighbors;
  std::vector<SEdge> m_Edges;
};

// A quad met twice is caught by a mark in its first neighbour slot (a quad is never its own
// neighbour); every slot is written again later. On failure the marks go.
bool CQuadAdjacencyBuilder::MarkQuads()
{
  for (int i = 0; i < m_NbQuad; i++) {
    CQuad3d* quad = m_pMesh->GetQuad(i);
    if (quad->f(0) == quad) {
      for (int j = 0; j < i; j++)
        m_pMesh->GetQuad(j)->SetF(0, nullptr);
      return false;
    }
    quad->SetF(0, quad);
  }
  return true;
}

// A vertex listed twice takes its last index; its earlier slot then receives empty lists
// first and the full ones after, as the vertex is handled once.
bool CQuadAdjacencyBuilder::ReadCorners()
{
  for (int i = 0; i < m_NbVertex; i++)
    if (CQuadVertex3d* v = m_pMesh->GetVertex(i))
      v->SetAdjacencyIndex(i);
  m_ReadCorner = MakeBuffer<int>(4 * static_cast<size_t>(m_NbQuad));
  m_Corner = &m_ReadCorner[0];
  for (int i = 0; i < m_NbQuad; i++) {
    const CQuad3d* quad = m_pMesh->GetQuad(i);
    for (int k = 0; k < 4; k++) {
      const CQuadVertex3d* v = quad->v(k);
      const int index = v ? v->GetAdjacencyIndex() : -1;
      if (index < 0 || index >= m_NbVertex || m_pMesh->GetVertex(index) != v)
        return false;
      m_ReadCorner[4 * static_cast<size_t>(i) + k] = index;
    }
  }
  return true;
}

bool CQuadAdjacencyBuilder::Build()
{
  if (!ReadCorners() || !MarkQuads())
    return false;
  BuildLists();
  return true;
}

bool CQuadAdjacencyBuilder::BuildFromCorners(const std::vector<int>& corners)
{
  if (corners.size() != 4 * static_cast<size_t>(m_NbQuad))
    return false;
  for (const int c : corners)
    if (c < 0 || c >= m_NbVertex)
      return false;
  if (!MarkQuads())
    return false;
  // Read in place: the caller's vector outlives the build.
  m_Corner = corners.data();
  BuildLists();
  return true;
}

void CQuadAdjacencyBuilder::BuildLists()
{
  ListQuads();
  const size_t nbVertex = static_cast<size_t>(m_NbVertex);
  m_NeighborOwner = MakeBuffer<int>(nbVertex);
  m_EdgeOwner = MakeBuffer<int>(nbVertex);
  m_EdgeSlot = MakeBuffer<int>(nbVertex);
  std::fill(&m_NeighborOwner[0], &m_NeighborOwner[0] + nbVertex, -1);
  std::fill(&m_EdgeOwner[0], &m_EdgeOwner[0] + nbVertex, -1);
  for (int a = 0; a < m_NbVertex; a++)
    BuildAround(a);
}

// Counts each vertex's quads, turns the counts into list ends, then fills the lists
// backwards so that each ends up in quad order and its end cursor at its start.
void CQuadAdjacencyBuilder::ListQuads()
{
  const size_t nbVertex = static_cast<size_t>(m_NbVertex);
  m_QuadStart = MakeBuffer<int>(nbVertex + 1);
  std::fill_n(&m_QuadStart[0], nbVertex + 1, 0);
  int* start = &m_QuadStart[0];
  auto forEachDistinctCorner = [this](int i, auto fn) {
    const int* c = CornersOf(i);
    for (int k = 0; k < 4; k++)
      if (std::find(c, c + k, c[k]) == c + k)
        fn(c[k]);
  };
  for (int i = 0; i < m_NbQuad; i++)
    forEachDistinctCorner(i, [start](int c) { start[c]++; });
  for (size_t i = 1; i < nbVertex; i++)
    start[i] += start[i - 1];
  start[nbVertex] = nbVertex > 0 ? start[nbVertex - 1] : 0;
  m_Quads = MakeBuffer<int>(static_cast<size_t>(start[nbVertex]) + 1);
  int* quads = &m_Quads[0];
  for (int i = m_NbQuad - 1; i >= 0; i--)
    forEachDistinctCorner(i, [start, quads, i](int c) { quads[--start[c]] = i; });
}

void CQuadAdjacencyBuilder::BuildAround(int a)
{
  CQuadVertex3d* v = m_pMesh->GetVertex(a);
  if (!v)
    return;
  CollectNeighbors(a);
  CollectEdges(a);
  StoreLists(v, a);
  LinkQuadsFrom(a);
}

// A degenerate quad may name the vertex after itself: the plain rules list it then.
void CQuadAdjacencyBuilder::CollectNeighbors(int a)
{
  m_Neighbors.clear();
  for (int p = m_QuadStart[a]; p < m_QuadStart[a + 1]; p++) {
    const int* c = CornersOf(m_Quads[p]);
    const int j = static_cast<int>(std::find(c, c + 4, a) - c);
    for (const int b : {c[(j + 1) % 4], c[(j + 3) % 4]}) {
      if (m_NeighborOwner[b] == a)
        continue;
      m_NeighborOwner[b] = a;
      m_Neighbors.push_back(b);
    }
  }
}

// Quad g holds edge ab: it is remembered when it is among the first two distinct ones.
void CQuadAdjacencyBuilder::NoteEdge(int a, int b, int g)
{
  if (m_EdgeOwner[b] != a) {
    m_EdgeOwner[b] = a;
    m_EdgeSlot[b] = static_cast<int>(m_Edges.size());
    m_Edges.push_back({g, -1});
    return;
  }
  SEdge& e = m_Edges[m_EdgeSlot[b]];
  if (e.first != g && e.second < 0)
    e.second = g;
}

void CQuadAdjacencyBuilder::CollectEdges(int a)
{
  m_Edges.clear();
  for (int p = m_QuadStart[a]; p < m_QuadStart[a + 1]; p++) {
    const int g = m_Quads[p];
    const int* c = CornersOf(g);
    for (int i = 0; i < 4; i++) {
      const int from = c[i];
      const int to = c[(i + 1) % 4];
      if (from == a)
        NoteEdge(a, to, g);
      if (to == a)
        NoteEdge(a, from, g);
    }
  }
}

void CQuadAdjacencyBuilder::StoreLists(CQuadVertex3d* v, int a) const
{
  const int first = m_QuadStart[a];
  const int nbQuad = m_QuadStart[a + 1] - first;
  CQuad3d** quads = ResizeList(v->GetArrayQuadNeighbor(), nbQuad);
  for (int p = 0; p < nbQuad; p++)
    quads[p] = m_pMesh->GetQuad(m_Quads[first + p]);
  const int nbNeighbor = static_cast<int>(m_Neighbors.size());
  CQuadVertex3d** neighbors = ResizeList(v->GetArrayVertexNeighbor(), nbNeighbor);
  for (int j = 0; j < nbNeighbor; j++)
    neighbors[j] = m_pMesh->GetVertex(m_Neighbors[j]);
}

// Every edge k of a quad that starts at corner a = corner k is settled here, once.
void CQuadAdjacencyBuilder::LinkQuadsFrom(int a) const
{
  for (int p = m_QuadStart[a]; p < m_QuadStart[a + 1]; p++) {
    const int g = m_Quads[p];
    const int* c = CornersOf(g);
    CQuad3d* quad = m_pMesh->GetQuad(g);
    for (int k = 0; k < 4; k++) {
      if (c[k] != a)
        continue;
      const SEdge& e = m_Edges[m_EdgeSlot[c[(k + 1) % 4]]];
      const int across = e.first != g ? e.first : e.second;
      quad->SetF(k, across < 0 ? nullptr : m_pMesh->GetQuad(across));
    }
  }
}

// Links the elements of one subdivision step from the split's record. Old quad i became the
// quads p * n + i, p = 0..3; child p holds, from its corner p on: old corner p, the point of
// edge p, the face point, the point of edge p - 1. Slot 4 i + k of the record is edge k of
// old quad i, its across entry the slot of the same edge in the quad across. The lists and
// links come out as the build from corners makes them, with no search: each new vertex's
// quads follow from the slots that hold it.
class CQuadSplitLinker
{
public:
  CQuadSplitLinker(CQuadMesh3d* pMesh, int nbOldVertex, int nbOldQuad, const int* corners,
                   const int* edges, const int* across)
    : m_pMesh(pMesh), m_NbOldVertex(nbOldVertex), m_NbOldQuad(nbOldQuad), m_Corner(corners),
      m_Edge(edges), m_Across(across)
  {
  }

  // True when every shared edge is recorded from both sides with the same point.
  bool Pairs() const;
  void Link();

private:
  // A new quad beside a new vertex, and the vertices after and before it in that quad.
  struct SEntry
  {
    int quad;
    int after;
    int before;
  };

  void ListOldVertices();
  void ListFacePoints() const;
  void ListEdgePoints() const;
  void LinkQuads() const;
  int Slots() const { return 4 * m_NbOldQuad; }
  int Child(int part, int quad) const { return part * m_NbOldQuad + quad; }
  int FacePoint(int quad) const { return m_NbOldVertex + quad; }
  // The child, of the quad across slot s, that holds old vertex c; -1 without a quad across.
  int ChildAcross(int s, int c) const;
  // Slot s's edge point in its two children, in quad order.
  void AddEdgeEntries(int s, SEntry* entries, int& nb) const;
  void Store(int vertex, const SEntry* entries, int nb, std::vector<int>& neighbors) const;

  CQuadMesh3d* m_pMesh;
  const int m_NbOldVertex;
  const int m_NbOldQuad;
  const int* m_Corner;
  const int* m_Edge;
  const int* m_Across;
};

bool CQuadSplitLinker::Pairs() const
{
  for (int s = 0; s < Slots(); s++) {
    if (m_Corner[s] < 0 || m_Corner[s] >= m_NbOldVertex)
      return false;
    const int t = m_Across[s];
    if (t >= Slots() || (t >= 0 && (m_Across[t] != s || m_Edge[t] != m_Edge[s])))
      return false;
  }
  return true;
}

void CQuadSplitLinker::Link()
{
  ListOldVertices();
  ListFacePoints();
  ListEdgePoints();
  LinkQuads();
}

// Each vertex's neighbours: for each of its quads in order, the corners after and before it,
// each once. `neighbors` is scratch, kept between calls.
void CQuadSplitLinker::Store(int vertex, const SEntry* entries, int nb,
                             std::vector<int>& neighbors) const
{
  CQuadVertex3d* v = m_pMesh->GetVertex(vertex);
  CQuad3d** quads = ResizeList(v->GetArrayQuadNeighbor(), nb);
  if (neighbors.size() < 2 * static_cast<size_t>(nb))
    neighbors.resize(2 * static_cast<size_t>(nb));
  int* found = neighbors.data();
  int nbNeighbor = 0;
  for (int p = 0; p < nb; p++) {
    quads[p] = m_pMesh->GetQuad(entries[p].quad);
    for (const int b : {entries[p].after, entries[p].before})
      if (std::find(found, found + nbNeighbor, b) == found + nbNeighbor)
        found[nbNeighbor++] = b;
  }
  CQuadVertex3d** list = ResizeList(v->GetArrayVertexNeighbor(), nbNeighbor);
  for (int j = 0; j < nbNeighbor; j++)
    list[j] = m_pMesh->GetVertex(found[j]);
}

// Old vertex c at corner j of old quad i is corner j of child j, between the points of edges
// j and j - 1. Its slots sorted by j, then by i, give its quads in order.
void CQuadSplitLinker::ListOldVertices()
{
  const size_t nbVertex = static_cast<size_t>(m_NbOldVertex);
  // From the heap: a step reuses the pages of the last one.
  auto start = std::make_unique_for_overwrite<int[]>(nbVertex + 1);
  std::fill_n(&start[0], nbVertex + 1, 0);
  for (int s = 0; s < Slots(); s++)
    start[m_Corner[s] + 1]++;
  for (size_t a = 1; a <= nbVertex; a++)
    start[a] += start[a - 1];
  auto slots = std::make_unique_for_overwrite<int[]>(static_cast<size_t>(Slots()));
  {
    auto cursor = std::make_unique_for_overwrite<int[]>(nbVertex);
    std::copy_n(&start[0], nbVertex, &cursor[0]);
    for (int j = 0; j < 4; j++)
      for (int i = 0; i < m_NbOldQuad; i++)
        slots[cursor[m_Corner[4 * i + j]]++] = 4 * i + j;
  }
  std::vector<SEntry> entries;
  std::vector<int> neighbors;
  for (int a = 0; a < m_NbOldVertex; a++) {
    entries.clear();
    for (int p = start[a]; p < start[a + 1]; p++) {
      const int s = slots[p];
      const int j = s & 3;
      const int first = s - j;
      entries.push_back({Child(j, s >> 2), m_Edge[s], m_Edge[first + ((j + 3) & 3)]});
    }
    Store(a, entries.data(), static_cast<int>(entries.size()), neighbors);
  }
}

// The face point is corner p + 2 of child p, between the points of edges p - 1 and p.
void CQuadSplitLinker::ListFacePoints() const
{
  std::vector<int> neighbors;
  for (int i = 0; i < m_NbOldQuad; i++) {
    const int* e = &m_Edge[4 * i];
    const SEntry entries[4] = {{Child(0, i), e[3], e[0]},
                               {Child(1, i), e[0], e[1]},
                               {Child(2, i), e[1], e[2]},
                               {Child(3, i), e[2], e[3]}};
    Store(FacePoint(i), entries, 4, neighbors);
  }
}

// The point of edge k of quad i is corner k + 1 of child k, after old corner k and before the
// face point, and corner k of child k + 1, after the face point and before old corner k + 1.
void CQuadSplitLinker::AddEdgeEntries(int s, SEntry* entries, int& nb) const
{
  const int i = s >> 2;
  const int k = s & 3;
  const int next = (s & ~3) + ((k + 1) & 3);
  entries[nb++] = {Child(k, i), FacePoint(i), m_Corner[s]};
  entries[nb++] = {Child((k + 1) & 3, i), m_Corner[next], FacePoint(i)};
}

// Each edge point once, from the slot that created it: the first in quad order.
void CQuadSplitLinker::ListEdgePoints() const
{
  std::vector<int> neighbors;
  for (int s = 0; s < Slots(); s++) {
    const int t = m_Across[s];
    if (t >= 0 && t < s)
      continue;
    SEntry entries[4];
    int nb = 0;
    AddEdgeEntries(s, entries, nb);
    if (t >= 0)
      AddEdgeEntries(t, entries, nb);
    std::sort(entries, entries + nb, [](const SEntry& a, const SEntry& b) { return a.quad < b.quad; });
    Store(m_Edge[s], entries, nb, neighbors);
  }
}

int CQuadSplitLinker::ChildAcross(int s, int c) const
{
  const int t = m_Across[s];
  if (t < 0)
    return -1;
  const int l = t & 3;
  return Child(m_Corner[t] == c ? l : (l + 1) & 3, t >> 2);
}

// Child p's edges, from its corner p on: across old edge p, towards child p + 1, towards
// child p - 1, across old edge p - 1.
void CQuadSplitLinker::LinkQuads() const
{
  auto quadAt = [this](int index) { return index < 0 ? nullptr : m_pMesh->GetQuad(index); };
  for (int i = 0; i < m_NbOldQuad; i++)
    for (int p = 0; p < 4; p++) {
      CQuad3d* quad = m_pMesh->GetQuad(Child(p, i));
      const int s = 4 * i + p;
      const int c = m_Corner[s];
      quad->SetF(p, quadAt(ChildAcross(s, c)));
      quad->SetF(p + 1, quadAt(Child((p + 1) & 3, i)));
      quad->SetF(p + 2, quadAt(Child((p + 3) & 3, i)));
      quad->SetF(p + 3, quadAt(ChildAcross(4 * i + ((p + 3) & 3), c)));
    }
}

} // namespace

bool CQuadMesh3d::LinkSplit(const SSplit& split)
{
  CQuadSplitLinker linker(this, split.nbOldVertex, split.nbOldQuad, &split.corners[0],
                          &split.edges[0], &split.across[0]);
  if (!linker.Pairs())
    return false;
  linker.Link();
  return true;
}

int CQuadMesh3d::BuildAdjacency()
{
  if (NbVertex() < 4 || NbQuad() == 0)
    return 0;
  if (CQuadAdjacencyBuilder(this).Build())
    return 1;
  return BuildAdjacencyByRules();
}

int CQuadMesh3d::BuildAdjacencyFromCorners(const std::vector<int>& corners)
{
  if (NbVertex() < 4 || NbQuad() == 0)
    return 0;
  if (CQuadAdjacencyBuilder(this).BuildFromCorners(corners))
    return 1;
  return BuildAdjacency();
}

// The rules applied one quad and one vertex at a time. Kept for meshes whose arrays hold an
// element twice or whose quads use a vertex the mesh does not list.
int CQuadMesh3d::BuildAdjacencyByRules()
{
  for (int i = 0; i < NbQuad(); i++)
    GetQuad(i)->ClearNeighbors();
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->RemoveAllNeighbors();

  for (int i = 0; i < NbQuad(); i++) {
    CQuad3d* quad = GetQuad(i);
    for (int k = 0; k < 4; k++)
      quad->v(k)->AddQuadNeighbor(quad);
  }

  // The vertices sharing an edge with a corner are the corners before and after it.
  for (int i = 0; i < NbVertex(); i++) {
    CQuadVertex3d* vertex = GetVertex(i);
    for (int k = 0; k < vertex->NbQuadNeighbor(); k++) {
      const CQuad3d* quad = vertex->GetQuadNeighbor(k);
      const int j = quad->IndexFrom(vertex);
      vertex->AddNeighbor(quad->v(j + 1));
      vertex->AddNeighbor(quad->v(j + 3));
    }
  }

  for (int i = 0; i < NbQuad(); i++) {
    CQuad3d* quad = GetQuad(i);
    for (int k = 0; k < 4; k++) {
      const CQuadVertex3d* a = quad->v(k);
      const CQuadVertex3d* b = quad->v(k + 1);
      // The neighbour holds a and b as an edge, in either direction: a quad holding them as
      // opposite corners is not across this edge.
      for (int n = 0; n < a->NbQuadNeighbor() && !quad->f(k); n++) {
        CQuad3d* other = a->GetQuadNeighbor(n);
        if (other != quad && (other->HasEdge(a, b) || other->HasEdge(b, a)))
          quad->SetF(k, other);
      }
    }
  }
  return 1;
}
