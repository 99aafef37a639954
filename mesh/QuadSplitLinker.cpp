#include "mesh/QuadSplitLinker.h"

#include "mesh/QuadMesh3d.h"

#include <algorithm>
#include <memory>

CQuadSplitLinker::CQuadSplitLinker(CQuadMesh3d* pMesh, const SRecord& record,
                                   CQuadVertex3d* facePoints, CQuadVertex3d* edgePoints,
                                   CQuad3d* children)
  : m_pMesh(pMesh), m_NbOldVertex(record.nbOldVertex), m_NbOldQuad(record.nbOldQuad),
    m_Corner(record.corners), m_Edge(record.edges), m_Across(record.across),
    m_pFacePoints(facePoints), m_pEdgePoints(edgePoints), m_pChildren(children)
{
}

bool CQuadSplitLinker::Pairs(const SRecord& record)
{
  const int slots = 4 * record.nbOldQuad;
  for (int s = 0; s < slots; s++) {
    if (record.corners[s] < 0 || record.corners[s] >= record.nbOldVertex)
      return false;
    const int t = record.across[s];
    if (t >= slots || (t >= 0 && (record.across[t] != s || record.edges[t] != record.edges[s])))
      return false;
  }
  return true;
}

CQuadVertex3d* CQuadSplitLinker::Vertex(int index) const
{
  if (index < m_NbOldVertex)
    return m_pMesh->GetVertex(index);
  const int face = index - m_NbOldVertex;
  return face < m_NbOldQuad ? m_pFacePoints + face : m_pEdgePoints + (face - m_NbOldQuad);
}

CQuad3d* CQuadSplitLinker::Child(int part, int quad) const
{
  return part == 0 ? m_pMesh->GetQuad(quad) : m_pChildren + (3 * static_cast<size_t>(quad) + part - 1);
}

CQuad3d* CQuadSplitLinker::ChildAcross(int s, int c) const
{
  const int t = m_Across[s];
  if (t < 0)
    return nullptr;
  const int l = t & 3;
  return Child(m_Corner[t] == c ? l : (l + 1) & 3, t >> 2);
}

// Child p's edges, from its corner p on: across old edge p, towards child p + 1, towards
// child p - 1, across old edge p - 1.
void CQuadSplitLinker::LinkChildren(int i) const
{
  for (int p = 0; p < 4; p++) {
    CQuad3d* quad = Child(p, i);
    const int s = 4 * i + p;
    const int c = m_Corner[s];
    quad->SetF(p, ChildAcross(s, c));
    quad->SetF(p + 1, Child((p + 1) & 3, i));
    quad->SetF(p + 2, Child((p + 3) & 3, i));
    quad->SetF(p + 3, ChildAcross(4 * i + ((p + 3) & 3), c));
  }
}

// Each vertex's neighbours: for each of its quads in order, the corners after and before it,
// each once.
void CQuadSplitLinker::Store(CQuadVertex3d* v, const SEntry* entries, int nb)
{
  CQuad3d** quads = v->GetArrayQuadNeighbor()->Resize(nb);
  if (m_Neighbors.size() < 2 * static_cast<size_t>(nb))
    m_Neighbors.resize(2 * static_cast<size_t>(nb));
  int* found = m_Neighbors.data();
  int nbNeighbor = 0;
  for (int p = 0; p < nb; p++) {
    quads[p] = Child(entries[p].part, entries[p].quad);
    for (const int b : {entries[p].after, entries[p].before})
      if (std::find(found, found + nbNeighbor, b) == found + nbNeighbor)
        found[nbNeighbor++] = b;
  }
  CQuadVertex3d** list = v->GetArrayVertexNeighbor()->Resize(nbNeighbor);
  for (int j = 0; j < nbNeighbor; j++)
    list[j] = Vertex(found[j]);
}

// The point of edge k of quad i is corner k + 1 of child k, after old corner k and before the
// face point, and corner k of child k + 1, after the face point and before old corner k + 1.
void CQuadSplitLinker::AddEdgeEntries(int s, SEntry* entries, int& nb) const
{
  const int i = s >> 2;
  const int k = s & 3;
  const int next = (s & ~3) + ((k + 1) & 3);
  entries[nb++] = {k, i, FacePoint(i), m_Corner[s]};
  entries[nb++] = {(k + 1) & 3, i, m_Corner[next], FacePoint(i)};
}

// The face point is corner p + 2 of child p, between the points of edges p - 1 and p.
void CQuadSplitLinker::ListFacePoint(CQuadVertex3d* v, int i)
{
  const int* e = &m_Edge[4 * static_cast<size_t>(i)];
  const SEntry entries[4] = {{0, i, e[3], e[0]}, {1, i, e[0], e[1]}, {2, i, e[1], e[2]}, {3, i, e[2], e[3]}};
  Store(v, entries, 4);
}

// An edge point is listed by the slot that created it, the first in quad order.
void CQuadSplitLinker::ListEdgePoint(CQuadVertex3d* v, int s)
{
  const int t = m_Across[s];
  SEntry entries[4];
  int nb = 0;
  AddEdgeEntries(s, entries, nb);
  if (t >= 0)
    AddEdgeEntries(t, entries, nb);
  std::sort(entries, entries + nb, [](const SEntry& a, const SEntry& b) {
    return a.part != b.part ? a.part < b.part : a.quad < b.quad;
  });
  Store(v, entries, nb);
}

// Old vertex c at corner j of old quad i is corner j of child j, between the points of edges
// j and j - 1. Its slots sorted by j, then by i, give its quads in order.
void CQuadSplitLinker::ListOldVertices(const float* positions)
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
  for (int a = 0; a < m_NbOldVertex; a++) {
    entries.clear();
    for (int p = start[a]; p < start[a + 1]; p++) {
      const int s = slots[p];
      const int j = s & 3;
      const int first = s - j;
      entries.push_back({j, s >> 2, m_Edge[s], m_Edge[first + ((j + 3) & 3)]});
    }
    CQuadVertex3d* v = m_pMesh->GetVertex(a);
    Store(v, entries.data(), static_cast<int>(entries.size()));
    if (positions) {
      const float* p = &positions[3 * static_cast<size_t>(a)];
      v->Set(p[0], p[1], p[2]);
    }
  }
}
