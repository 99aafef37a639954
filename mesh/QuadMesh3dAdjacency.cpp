// The adjacency of the quad mesh, built from corner indices in a few linear passes.
#include "mesh/QuadMesh3d.h"
#include "mesh/ScratchBuffer.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using scratch::Buffer;
using scratch::MakeBuffer;

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
  CQuad3d** quads = v->GetArrayQuadNeighbor()->Resize(nbQuad);
  for (int p = 0; p < nbQuad; p++)
    quads[p] = m_pMesh->GetQuad(m_Quads[first + p]);
  const int nbNeighbor = static_cast<int>(m_Neighbors.size());
  CQuadVertex3d** neighbors = v->GetArrayVertexNeighbor()->Resize(nbNeighbor);
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

} // namespace

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
