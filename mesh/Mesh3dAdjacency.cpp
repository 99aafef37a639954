#include "mesh/Mesh3d.h"

#include "mesh/AdjacencyLists.h"
#include "mesh/Prefetch.h"
#include "mesh/ScratchBuffer.h"

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

int CMesh3d::ClearVertexAdjacency()
{
  for (int i = 0; i < NbVertex(); i++) {
    if (!GetVertex(i))
      continue;
    GetVertex(i)->RemoveAllFaceNeighbor();
    GetVertex(i)->RemoveAllVertexNeighbor();
  }
  return 1;
}

namespace {

using scratch::Buffer;
using scratch::MakeBuffer;

constexpr int kPrefetchDistance = 8;

// From this many faces on, the faces no longer stay in the cache while their vertices are
// built: the faces across are noted and linked in a last pass in face order.
constexpr int kNotedLinksFaces = 4096;

using adjacency::AssignList;

// The three relations built over vertex and face indices, with the orders of the rules:
//   the faces of a vertex in face order, each once (a face may repeat a corner);
//   the neighbours of a vertex in the order of the corners of its faces, each once;
//   across edge k of f, the first face other than f in corner k's list that holds corner k+1.
// The face lists come from one counting pass; then each vertex a in turn gets its lists, sized
// once, and the faces of edges that start at a get their neighbour. No list is searched: the
// slot of a neighbour in a's list is remembered per vertex, with the first two faces of a's
// list that hold it, which settle the face across every edge from a to that neighbour. In a
// large mesh the faces across are noted by index and linked in a last pass in face order: the
// faces around a vertex lie apart in memory, and writing them while going round each vertex
// would wait on a cache miss for almost every face. A small mesh stays in the cache and is
// linked on the way, without the notes' array, which the heap would keep after the build.
class CAdjacencyBuilder
{
public:
  // With an index, the face lists and corners are built in its vectors and left there.
  explicit CAdjacencyBuilder(CMesh3d* pMesh, SAdjacencyIndex* pIndex = nullptr)
    : m_pMesh(pMesh), m_NbVertex(pMesh->NbVertex()), m_NbFace(pMesh->NbFace()), m_pIndex(pIndex)
  {
  }

  // False, with nothing built, when a face stands twice in the face array or uses a vertex
  // that the mesh does not list: the caller then builds by the plain rules.
  bool Build();
  // The same from corner indices the caller already holds: no vertex is read.
  bool BuildFromCorners(const std::vector<int>& corners);

private:
  struct SNeighbor
  {
    int vertex;
    int firstFace;
    int secondFace;  // -1 while only one face holds the edge
  };
  // While vertex a is built: neighbour number slot of a when owner == a.
  struct SMark
  {
    int owner;
    int slot;
  };
  // An edge `slot` of face `face` from a to `next`, settled once a's neighbours are all known:
  // with `previous`, a's corner there, which an index hands out.
  using SEdgeFrom = SAdjacencyCorner;

  void IndexVertices();
  bool ReadCorners();
  bool TakeCorners(const std::vector<int>& corners);
  void BuildLists();
  // The corners of later faces are scattered in memory: their loads are started early.
  void PrefetchCorners(int i) const;
  void PrefetchVertex(int a) const;
  void ListFaces();
  // fn(face, vertex) for every distinct corner of the faces that take part, faces from
  // `first` to before `last` by `step`.
  template <class Fn>
  void ForEachFaceCorner(int first, int last, int step, Fn fn) const;
  void BuildAround(int a);
  // With kIndexed, a's corners go to the index, with the vertex before a in each; without, to
  // scratch, which the build alone reads and where `previous` is not written.
  template <bool kIndexed>
  void CollectNeighbors(int a);
  void StoreLists(CVertex3d* v, int a) const;
  void NoteFacesAcrossFrom(int a);
  int FaceAcross(int a, int f, int b) const;
  void LinkFaces() const;

  // Scratch of n ints, or the index's vector sized to n when there is an index.
  int* Storage(Buffer<int>* pBuffer, std::vector<int>* pIndexed, size_t n) const;

  CMesh3d* m_pMesh;
  const int m_NbVertex;
  const int m_NbFace;
  SAdjacencyIndex* m_pIndex;
  Buffer<int> m_ReadCorner;   // the corners read from the faces, when not given
  const int* m_Corner = nullptr;  // 3 per face; -1 for a face that takes no part
  Buffer<int> m_FaceStartBuffer;
  Buffer<int> m_FacesBuffer;
  int* m_FaceStart = nullptr;  // per vertex + 1: its faces in m_Faces
  int* m_Faces = nullptr;
  // Set when a vertex stands in the array at a slot other than its adjacency index.
  bool m_Repeated = false;
  std::vector<int> m_Unused;  // faces that take no part
  Buffer<SMark> m_Mark;
  // a's neighbours, m_NbNeighbor of them, and the edges from a, m_NbEdge of them from
  // m_EdgeBegin: in storage sized for the most a's faces can give, or in the index's corners,
  // m_NbCorner of which the vertices before a filled.
  std::vector<SNeighbor> m_Neighbors;
  int m_NbNeighbor = 0;
  std::vector<SEdgeFrom> m_Edges;
  SEdgeFrom* m_EdgeBegin = nullptr;
  int m_NbEdge = 0;
  int m_NbCorner = 0;
  // 3 per face: the index of the face across each edge, -1 for none, kUnset where no vertex
  // settled that edge; empty in a small mesh.
  static constexpr int kUnset = -2;
  Buffer<int> m_Across;
};

int* CAdjacencyBuilder::Storage(Buffer<int>* pBuffer, std::vector<int>* pIndexed, size_t n) const
{
  if (m_pIndex) {
    pIndexed->resize(n);
    return pIndexed->data();
  }
  *pBuffer = MakeBuffer<int>(n);
  return &(*pBuffer)[0];
}

bool CAdjacencyBuilder::Build()
{
  IndexVertices();
  if (!ReadCorners())
    return false;
  BuildLists();
  return true;
}

bool CAdjacencyBuilder::BuildFromCorners(const std::vector<int>& corners)
{
  if (!TakeCorners(corners))
    return false;
  BuildLists();
  return true;
}

void CAdjacencyBuilder::BuildLists()
{
  ListFaces();
  m_Mark = MakeBuffer<SMark>(static_cast<size_t>(m_NbVertex));
  std::fill(&m_Mark[0], &m_Mark[0] + m_NbVertex, SMark{-1, 0});
  const size_t nbAcross = 3 * static_cast<size_t>(m_NbFace);
  if (m_NbFace >= kNotedLinksFaces) {
    m_Across = MakeBuffer<int>(nbAcross);
    std::fill(&m_Across[0], &m_Across[0] + nbAcross, kUnset);
  }
  if (m_pIndex) {
    // Every face that takes part gives one corner per slot.
    if (m_pIndex->around.size() < nbAcross)
      m_pIndex->around.resize(nbAcross);
    m_pIndex->aroundStart.resize(static_cast<size_t>(m_NbVertex) + 1);
  }
  for (int a = 0; a < m_NbVertex; a++) {
    PrefetchVertex(a + kPrefetchDistance);
    BuildAround(a);
  }
  if (m_pIndex)
    m_pIndex->aroundStart[static_cast<size_t>(m_NbVertex)] = m_NbCorner;
  LinkFaces();
  for (const int i : m_Unused)
    m_pMesh->GetFace(i)->SetNeighbors(nullptr, nullptr, nullptr);
  if (m_pIndex)
    m_pIndex->unique = !m_Repeated;
}

// A vertex listed twice takes its last index; its earlier slot then receives empty lists
// first and the full ones after, as the vertex is handled once.
void CAdjacencyBuilder::IndexVertices()
{
  for (int i = 0; i < m_NbVertex; i++)
    if (CVertex3d* v = m_pMesh->GetVertex(i))
      v->SetAdjacencyIndex(i);
}

// The lists of a vertex lie beyond its first cache line: the whole object is fetched ahead.
void CAdjacencyBuilder::PrefetchVertex(int a) const
{
  if (a >= m_NbVertex)
    return;
  const char* p = reinterpret_cast<const char*>(m_pMesh->GetVertex(a));
  for (size_t offset = 0; p && offset < sizeof(CVertex3d); offset += 64)
    __builtin_prefetch(p + offset, 1);
}

void CAdjacencyBuilder::PrefetchCorners(int i) const
{
  if (i >= m_NbFace)
    return;
  const CFace3d* f = m_pMesh->GetFace(i);
  for (int k = 0; f && k < 3; k++)
    if (const CVertex3d* v = f->v(k))
      v->PrefetchAdjacencyIndex();
}

// Marks each face in its first neighbour slot on the way, so that a face met twice is caught
// (a face is never its own neighbour); every slot of a face that takes part is written again
// later, those of the others emptied at the end, so the mark alone is written.
bool CAdjacencyBuilder::ReadCorners()
{
  int* corners = Storage(&m_ReadCorner, m_pIndex ? &m_pIndex->corners : nullptr,
                         3 * static_cast<size_t>(m_NbFace));
  m_Corner = corners;
  for (int i = 0; i < m_NbFace; i++) {
    int* corner = corners + 3 * static_cast<size_t>(i);
    corner[0] = corner[1] = corner[2] = -1;
    // The face ahead first, so that its corners' addresses are at hand when they are fetched.
    if (i + 2 * kPrefetchDistance < m_NbFace)
      PrefetchWhole(m_pMesh->GetFace(i + 2 * kPrefetchDistance));
    PrefetchCorners(i + kPrefetchDistance);
    CFace3d* f = m_pMesh->GetFace(i);
    if (!f)
      continue;
    if (f->f(0) == f)
      return false;
    // The corners are read once, before the mark: after a write into the face they would be
    // decoded again.
    CVertex3d* const v[3] = {f->v(0), f->v(1), f->v(2)};
    f->SetF(0, f);
    if (!v[0] || !v[1] || !v[2]) {
      m_Unused.push_back(i);
      continue;
    }
    for (int k = 0; k < 3; k++) {
      const int index = v[k]->GetAdjacencyIndex();
      if (index < 0 || index >= m_NbVertex || m_pMesh->GetVertex(index) != v[k])
        return false;
      corner[k] = index;
    }
  }
  return true;
}

// A face met twice is caught as in ReadCorners; the corners of a face with an empty corner are
// -1, every other index names the vertex at that slot of the vertex array.
bool CAdjacencyBuilder::TakeCorners(const std::vector<int>& corners)
{
  if (corners.size() != 3 * static_cast<size_t>(m_NbFace))
    return false;
  // Read in place: the caller's vector outlives the build.
  m_Corner = corners.data();
  for (int i = 0; i < m_NbFace; i++) {
    CFace3d* f = m_pMesh->GetFace(i);
    if (!f || f->f(0) == f) {
      // The marks go, so that the caller's own build meets the faces as they were.
      for (int j = 0; j < i; j++)
        m_pMesh->GetFace(j)->SetF(0, nullptr);
      return false;
    }
    f->SetF(0, f);
    if (m_Corner[3 * static_cast<size_t>(i)] < 0)
      m_Unused.push_back(i);
  }
  return true;
}

template <class Fn>
void CAdjacencyBuilder::ForEachFaceCorner(int first, int last, int step, Fn fn) const
{
  for (int i = first; i != last; i += step) {
    const int* c = &m_Corner[3 * static_cast<size_t>(i)];
    if (c[0] < 0)
      continue;
    fn(i, c[0]);
    if (c[1] != c[0])
      fn(i, c[1]);
    if (c[2] != c[0] && c[2] != c[1])
      fn(i, c[2]);
  }
}

// Counts each vertex's faces, turns the counts into list ends, then fills the lists
// backwards so that each ends up in face order and its end cursor at its start.
void CAdjacencyBuilder::ListFaces()
{
  const size_t nbVertex = static_cast<size_t>(m_NbVertex);
  m_FaceStart = Storage(&m_FaceStartBuffer, m_pIndex ? &m_pIndex->start : nullptr, nbVertex + 1);
  int* start = m_FaceStart;
  std::fill_n(start, nbVertex + 1, 0);
  ForEachFaceCorner(0, m_NbFace, 1, [start](int, int c) { start[c]++; });
  for (size_t i = 1; i < nbVertex; i++)
    start[i] += start[i - 1];
  start[nbVertex] = nbVertex > 0 ? start[nbVertex - 1] : 0;
  m_Faces = Storage(&m_FacesBuffer, m_pIndex ? &m_pIndex->faces : nullptr,
                    static_cast<size_t>(start[nbVertex]) + 1);
  int* faces = m_Faces;
  ForEachFaceCorner(m_NbFace - 1, -1, -1, [start, faces](int f, int c) { faces[--start[c]] = f; });
}

void CAdjacencyBuilder::BuildAround(int a)
{
  CVertex3d* v = m_pMesh->GetVertex(a);
  if (!v) {
    if (m_pIndex)
      m_pIndex->aroundStart[static_cast<size_t>(a)] = m_NbCorner;
    return;
  }
  m_Repeated = m_Repeated || v->GetAdjacencyIndex() != a;
  if (m_pIndex)
    CollectNeighbors<true>(a);
  else
    CollectNeighbors<false>(a);
  StoreLists(v, a);
  NoteFacesAcrossFrom(a);
}

// A face with three distinct corners, by far the most, is read without a branch on where a
// stands in it: its other two corners in order, and the one after a. The arrays are walked
// through local pointers, which the compiler keeps in registers across the stores.
template <bool kIndexed>
void CAdjacencyBuilder::CollectNeighbors(int a)
{
  const int first = m_FaceStart[a];
  const int last = m_FaceStart[a + 1];
  const size_t nbFace = static_cast<size_t>(last - first);
  if (m_Neighbors.size() < 2 * nbFace)
    m_Neighbors.resize(2 * nbFace);
  // A face may hold a at all three corners, each the start of an edge.
  SEdgeFrom* edges;
  if constexpr (kIndexed) {
    m_pIndex->aroundStart[static_cast<size_t>(a)] = m_NbCorner;
    edges = m_pIndex->around.data() + m_NbCorner;
  } else {
    if (m_Edges.size() < 3 * nbFace)
      m_Edges.resize(3 * nbFace);
    edges = m_Edges.data();
  }
  m_EdgeBegin = edges;
  SNeighbor* neighbors = m_Neighbors.data();
  SMark* marks = &m_Mark[0];
  const int* faces = m_Faces;
  const int* corners = m_Corner;
  int nbNeighbor = 0;
  int nbEdge = 0;
  // a at slot k of face g, between previous and next.
  auto edge = [edges, &nbEdge](int g, int k, int previous, int next) {
    SEdgeFrom& e = edges[nbEdge++];
    e.face = g;
    e.slot = k;
    e.next = next;
    if constexpr (kIndexed)
      e.previous = previous;
  };
  // The first face met with b opens its slot; the first other one is its second face.
  auto meet = [a, marks, neighbors, &nbNeighbor](int b, int g) {
    SMark& mark = marks[b];
    if (mark.owner != a) {
      mark = SMark{a, nbNeighbor};
      neighbors[nbNeighbor++] = SNeighbor{b, g, -1};
      return;
    }
    SNeighbor& n = neighbors[mark.slot];
    if (n.firstFace != g && n.secondFace < 0)
      n.secondFace = g;
  };
  for (int p = first; p < last; p++) {
    const int g = faces[p];
    const int* c = &corners[3 * static_cast<size_t>(g)];
    if (c[0] != c[1] && c[1] != c[2] && c[0] != c[2]) {
      const int k = c[0] == a ? 0 : (c[1] == a ? 1 : 2);
      const int x = k == 0 ? c[1] : c[0];
      const int y = k == 2 ? c[1] : c[2];
      meet(x, g);
      meet(y, g);
      edge(g, k, k == 1 ? x : y, k == 1 ? y : x);
      continue;
    }
    for (int k = 0; k < 3; k++) {
      if (c[k] == a)
        edge(g, k, c[(k + 2) % 3], c[(k + 1) % 3]);
      else
        meet(c[k], g);
    }
  }
  m_NbNeighbor = nbNeighbor;
  m_NbEdge = nbEdge;
  if constexpr (kIndexed)
    m_NbCorner += nbEdge;
}

void CAdjacencyBuilder::StoreLists(CVertex3d* v, int a) const
{
  const int first = m_FaceStart[a];
  const int nbFace = m_FaceStart[a + 1] - first;
  // The arrays' data read once: the lists' stores would make the compiler read them again.
  CFace3d* const* meshFaces = m_pMesh->GetArrayFace()->GetData();
  CVertex3d* const* meshVertices = m_pMesh->GetArrayVertex()->GetData();
  const int* listed = m_Faces + first;
  AssignList(v->GetArrayFaceNeighbor(), nbFace, [meshFaces, listed](int p) { return meshFaces[listed[p]]; });
  const SNeighbor* neighbors = m_Neighbors.data();
  AssignList(v->GetArrayVertexNeighbor(), m_NbNeighbor,
             [meshVertices, neighbors](int j) { return meshVertices[neighbors[j].vertex]; });
}

// Every edge k of a face that starts at corner a = corner k is settled here, once.
void CAdjacencyBuilder::NoteFacesAcrossFrom(int a)
{
  const std::span<const SEdgeFrom> edges(m_EdgeBegin, static_cast<size_t>(m_NbEdge));
  if (!m_Across) {
    for (const SEdgeFrom& e : edges) {
      const int across = FaceAcross(a, e.face, e.next);
      m_pMesh->GetFace(e.face)->SetF(e.slot, across < 0 ? nullptr : m_pMesh->GetFace(across));
    }
    return;
  }
  int* noted = &m_Across[0];
  const SNeighbor* neighbors = m_Neighbors.data();
  const SMark* marks = &m_Mark[0];
  for (const SEdgeFrom& e : edges) {
    int across;
    if (e.next == a) {
      across = FaceAcross(a, e.face, e.next);
    } else {
      const SNeighbor& n = neighbors[marks[e.next].slot];
      across = n.firstFace != e.face ? n.firstFace : n.secondFace;
    }
    noted[3 * static_cast<size_t>(e.face) + static_cast<size_t>(e.slot)] = across;
  }
}

void CAdjacencyBuilder::LinkFaces() const
{
  if (!m_Across)
    return;
  // Each face is written once, in array order: its lines are asked for a few faces ahead, as
  // the faces need not lie in memory in that order.
  constexpr int kAhead = 8;
  CFace3d* const* faces = m_pMesh->GetArrayFace()->GetData();
  const int* noted = &m_Across[0];
  for (int g = 0; g < m_NbFace; g++) {
    if (g + kAhead < m_NbFace)
      PrefetchWhole(faces[g + kAhead]);
    const int* across = &noted[3 * static_cast<size_t>(g)];
    if (across[0] == kUnset && across[1] == kUnset && across[2] == kUnset)
      continue;
    CFace3d* f = faces[g];
    for (int k = 0; k < 3; k++)
      if (across[k] != kUnset)
        f->SetF(k, across[k] < 0 ? nullptr : faces[across[k]]);
  }
}

// Index of the face across edge a-b of face f, or -1.
int CAdjacencyBuilder::FaceAcross(int a, int f, int b) const
{
  if (b == a) {
    // An edge from a corner to itself: every other face of the corner holds both ends.
    const int p = m_FaceStart[a];
    if (m_Faces[p] != f)
      return m_Faces[p];
    return p + 1 < m_FaceStart[a + 1] ? m_Faces[p + 1] : -1;
  }
  const SNeighbor& n = m_Neighbors[static_cast<size_t>(m_Mark[b].slot)];
  return n.firstFace != f ? n.firstFace : n.secondFace;
}

} // namespace

int CMesh3d::BuildAdjacency()
{
  if (NbVertex() >= 3 && NbFace() > 0 && CAdjacencyBuilder(this).Build())
    return 1;
  return BuildAdjacencyByRules();
}

int BuildAdjacency(CMesh3d* pMesh, SAdjacencyIndex* pIndex)
{
  if (pMesh->NbVertex() >= 3 && pMesh->NbFace() > 0 && CAdjacencyBuilder(pMesh, pIndex).Build())
    return 1;
  pIndex->start.clear();
  pIndex->faces.clear();
  pIndex->corners.clear();
  pIndex->aroundStart.clear();
  pIndex->around.clear();
  pIndex->unique = false;
  // The faces marked on the way make the mesh's own build go by the rules at once.
  pMesh->BuildAdjacency();
  return 0;
}

int CMesh3d::BuildAdjacencyFromCorners(const std::vector<int>& corners)
{
  if (NbVertex() >= 3 && NbFace() > 0 && CAdjacencyBuilder(this).BuildFromCorners(corners))
    return 1;
  return BuildAdjacency();
}

void SetAdjacencyLists(CVertex3d* v, CFace3d* const* faces, int nbFace, CVertex3d* const* neighbors,
                       int nbNeighbor)
{
  AssignList(v->GetArrayFaceNeighbor(), nbFace, [faces](int p) { return faces[p]; });
  AssignList(v->GetArrayVertexNeighbor(), nbNeighbor, [neighbors](int j) { return neighbors[j]; });
}

void SetAdjacencyLists(CMesh3d* pMesh, int vertex, const int* faces, int nbFace,
                       const int* neighbors, int nbNeighbor)
{
  CVertex3d* v = pMesh->GetVertex(vertex);
  auto* faceList = v->GetArrayFaceNeighbor();
  AssignList(faceList, nbFace, [pMesh, faces](int p) { return pMesh->GetFace(faces[p]); });
  AssignList(v->GetArrayVertexNeighbor(), nbNeighbor,
             [pMesh, neighbors](int j) { return pMesh->GetVertex(neighbors[j]); });
}

// The rules applied one face and one vertex at a time. Kept for meshes whose arrays hold an
// element twice or whose faces use a vertex the mesh does not list.
int CMesh3d::BuildAdjacencyByRules()
{
  // The old relations go even when nothing new is built: after the last face is deleted no
  // vertex may still list it.
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i))
      GetFace(i)->SetNeighbors(nullptr, nullptr, nullptr);
  ClearVertexAdjacency();
  if (NbVertex() < 3 || NbFace() == 0)
    return 0;

  // Faces with an empty corner (an undone creation, an unmatched copy) stay out.
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (!f || f->HasNullVertex())
      continue;
    for (int k = 0; k < 3; k++)
      f->v(k)->AddFaceNeighbor(f);
  }

  // Neighbour vertices follow the order of the incident faces, not the order around the vertex.
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    if (!v)
      continue;
    for (int j = 0; j < v->NbFaceNeighbor(); j++) {
      const CFace3d* f = v->GetFaceNeighbor(j);
      for (int k = 0; k < 3; k++)
        v->AddNeighbor(f->v(k));
    }
  }

  // Across edge k, the first other face around its first corner that holds both ends wins.
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (!f || f->HasNullVertex())
      continue;
    for (int k = 0; k < 3; k++) {
      const CVertex3d* a = f->v(k);
      const CVertex3d* b = f->v((k + 1) % 3);
      for (int j = 0; j < a->NbFaceNeighbor() && !f->f(k); j++) {
        CFace3d* g = a->GetFaceNeighbor(j);
        if (g != f && g->HasVertex(b))
          f->SetF(k, g);
      }
    }
  }
  return 1;
}

int CMesh3d::ComputeFaceNormals()
{
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i))
      GetFace(i)->CalculateNormal();
  m_Modified = 1;
  return 1;
}

int CMesh3d::ComputeVertexNormals()
{
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    if (v->NbFaceNeighbor() == 0)
      continue;
    CVector3d sum;
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      sum.Add(*v->GetFaceNeighbor(j)->GetNormal());
    sum.Normalize();
    *v->GetNormal() = sum;
  }
  m_Modified = 1;
  return 1;
}

void CMesh3d::Rebuild()
{
  BuildAdjacency();
  ComputeFaceNormals();
  ComputeVertexNormals();
  SetModified();
}

int CMesh3d::FindVertex(const CVertex3d* v) const
{
  if (IndexFrom(v) >= 0)
    return 1;
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i)->HasVertex(v))
      return 1;
  for (int i = 0; i < NbVertex(); i++)
    if (GetVertex(i)->IsNeighbor(v))
      return 1;
  return 0;
}

int CMesh3d::FindFace(const CFace3d* f) const
{
  if (IndexFrom(f) >= 0)
    return 1;
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i)->HasNeighbor(f))
      return 1;
  for (int i = 0; i < NbVertex(); i++)
    if (GetVertex(i)->GetArrayFaceNeighbor()->Contains(f))
      return 1;
  return 0;
}
