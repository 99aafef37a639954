// Edge-based subdivision: each method puts vertices on edges (face slots 3 to 5, one per edge
// 0 to 2), then one split pass cuts every face by the edges that carry a vertex. Old vertices
// and faces keep their indices; new ones are appended in face order. The Loop and 1->4 steps
// first note their edge vertices by index and position only: a clean mesh is then cut and
// linked with each new element made once, in place (CTriangleSplitLinker).
#include "mesh/Mesh3d.h"
#include "mesh/Prefetch.h"
#include "mesh/SharedEdge.h"
#include "platform/core/Trace.h"
#include "processing/LoopRule.h"
#include "processing/TriangleSplitLinker.h"

#include <algorithm>
#include <vector>

namespace {

// Grows the capacity once, so that appending many elements does not copy the array each
// time it fills up.
template <class T>
void Reserve(CArray3d<T>* pArray, int capacity)
{
  const int size = pArray->GetSize();
  if (capacity <= pArray->GetMaxSize() || capacity <= size)
    return;
  pArray->SetSize(capacity);
  pArray->SetSize(size);
}

void ClearEdgeVertices(CFace3d* f)
{
  f->SetVertex(3, nullptr);
  f->SetVertex(4, nullptr);
  f->SetVertex(5, nullptr);
}

CVertex3d* NewMidpoint(CMesh3d* pMesh, const CVertex3d* a, const CVertex3d* b)
{
  return pMesh->NewVertex((a->x() + b->x()) / 2.0f, (a->y() + b->y()) / 2.0f,
                          (a->z() + b->z()) / 2.0f);
}

using SPoint = CTriangleSplitLinker::SPoint;

// Vertex indices of the faces present before a step, 6 per face (corners, then the vertices
// put on edges 0 to 2), and the position of every vertex once the step is done, from which
// the step links the faces it creates without reading a vertex again. Unusable, and the mesh
// rebuilt the plain way, when a corner is not a vertex the mesh lists, or the mesh lists an
// empty vertex or one vertex twice.
struct SSlotIndices
{
  std::vector<int> slots;
  std::vector<SPoint> points;
  bool valid = true;
  // The slots of the vertices that the Loop step marks as ends of boundary edges.
  std::vector<int> boundary;
};

// Whether p and q share exactly one face, i.e. the edge between them is a boundary edge.
bool IsBoundaryEdge(const CVertex3d* p, const CVertex3d* q)
{
  int shared = 0;
  for (int i = 0; i < p->NbFaceNeighbor(); i++)
    shared += p->GetFaceNeighbor(i)->HasVertex(q);
  return shared == 1;
}

// Loop's vertex rule for p into out; an end of boundary edges (vertex flag 1, every other
// flag cleared first) moves along the boundary only.
void LoopVertexPosition(const CVertex3d* p, float* out, CLoopAlphas& alphas)
{
  out[0] = p->x();
  out[1] = p->y();
  out[2] = p->z();
  if (p->GetFlag() != 1) {
    LoopVertexRule(p, out, [&alphas](int n) { return alphas(n); });
    return;
  }
  // The two neighbours across boundary edges: a neighbour on the boundary may be joined
  // through an interior edge (the corner triangle of a grid).
  const int n = p->NbVertexNeighbor();
  const CVertex3d* ends[2] = {nullptr, nullptr};
  int found = 0;
  for (int j = 0; j < n && found < 2; j++) {
    const CVertex3d* q = p->GetVertexNeighbor(j);
    if (q->GetFlag() == 1 && IsBoundaryEdge(p, q))
      ends[found++] = q;
  }
  if (found < 2)
    return;
  for (int axis = 0; axis < 3; axis++)
    out[axis] = (6.0f * p->Get(axis) + ends[0]->Get(axis) + ends[1]->Get(axis)) / 8.0f;
}

// Every vertex learns its slot and has its position noted, in array order; a vertex listed
// twice keeps its last slot, as the build does. The vertex flags are cleared on the way if
// asked. The edge pass drives the walk: a corner it meets that the walk has not reached yet
// sends the walk on to it and some way past it, so that the vertices are read just before
// the faces ask for them (while they are in the cache) rather than all in a pass of their own.
// With alphas, the walk also puts the Loop rule of each vertex into its point, its flag cleared.
class CVertexIndexer
{
public:
  CVertexIndexer(CMesh3d* pMesh, SSlotIndices* pIndices, CLoopAlphas* pAlphas, bool clearFlags)
    : m_pMesh(pMesh), m_ClearFlags(clearFlags || pAlphas != nullptr), m_pIndices(pIndices),
      m_pAlphas(pAlphas), m_NbVertex(pMesh->NbVertex())
  {
    // Room for the vertices a closed mesh gets on its edges (3 for every 2 faces), with some to
    // spare for a boundary, and no more: a large block beyond what is needed would come fresh
    // from the system, page by page, rather than from the heap that the last step freed.
    const auto nbFace = static_cast<size_t>(pMesh->NbFace());
    pIndices->points.reserve(static_cast<size_t>(m_NbVertex) + nbFace + nbFace / 2 +
                             nbFace / 32 + 64);
    pIndices->points.resize(static_cast<size_t>(m_NbVertex));
  }

  // The slot of v, the walk taken on to it first if need be; -1 when the mesh does not list it.
  int Slot(const CVertex3d* v)
  {
    for (;;) {
      const int index = v->GetAdjacencyIndex();
      if (index >= 0 && index < m_Next && m_pMesh->GetVertex(index) == v)
        return index;
      if (m_Next >= m_NbVertex)
        return -1;
      WalkTo(m_Next + 1);
    }
  }

  // The slots of a face's corners, the walk then taken some way ahead. A face with an empty
  // corner takes no part in the adjacency: all its corners stay -1.
  void RecordCorners(CVertex3d* const corners[3], int* pSlots)
  {
    if (!corners[0] || !corners[1] || !corners[2])
      return;
    const int walked = m_Next;
    for (int k = 0; k < 3; k++) {
      pSlots[k] = Slot(corners[k]);
      if (pSlots[k] < 0)
        m_pIndices->valid = false;
    }
    if (m_Next != walked)
      WalkTo(m_Next + kAhead);
  }

  void Finish() { WalkTo(m_NbVertex); }

private:
  void WalkTo(int end)
  {
    end = std::min(end, m_NbVertex);
    for (; m_Next < end; m_Next++)
      Index(m_Next);
  }

  void Index(int i)
  {
    CVertex3d* v = m_pMesh->GetVertex(i);
    SPoint& point = m_pIndices->points[static_cast<size_t>(i)];
    if (!v) {
      m_pIndices->valid = false;
      point = SPoint{{0.0f, 0.0f, 0.0f}};
      return;
    }
    if (m_ClearFlags)
      v->SetFlag(0);
    // Met before in this walk: the slot it holds from there names it.
    const int before = v->GetAdjacencyIndex();
    if (before >= 0 && before < i && m_pMesh->GetVertex(before) == v)
      m_pIndices->valid = false;
    v->SetAdjacencyIndex(i);
    point = SPoint{{v->x(), v->y(), v->z()}};
    if (m_pAlphas)
      LoopVertexPosition(v, point.p, *m_pAlphas);
  }

  // How far past a corner the walk goes: a few rows of a mesh in scan order, within the cache.
  static constexpr int kAhead = 4096;

  CMesh3d* m_pMesh;
  bool m_ClearFlags;
  SSlotIndices* m_pIndices;
  CLoopAlphas* m_pAlphas;
  int m_NbVertex;
  int m_Next = 0;
};

// A vertex of the step on edge k, noted by its index and position; made later.
void AddEdgePoint(SSlotIndices* pIndices, int k, float x, float y, float z, int* pSlots)
{
  pSlots[3 + k] = static_cast<int>(pIndices->points.size());
  pIndices->points.push_back(SPoint{{x, y, z}});
}

int* SlotsOf(SSlotIndices* pIndices, int face)
{
  return &pIndices->slots[6 * static_cast<size_t>(face)];
}

// The edge passes mark a face visited with its index plus one, by which a later face finds
// the vertex noted on their shared edge, edge j of the neighbour. A flag left by an earlier
// command (no face of that index is the neighbour, or it is not visited yet) gives none.
int VisitedEdgeVertex(const CMesh3d* pMesh, const SSlotIndices& indices, const CFace3d* n, int j)
{
  const int flag = n->GetFlag();
  if (flag <= 0 || flag > pMesh->NbFace() || pMesh->GetFace(flag - 1) != n)
    return -1;
  return indices.slots[6 * static_cast<size_t>(flag - 1) + 3 + static_cast<size_t>(j)];
}

// Makes the vertices noted on the edges, in index order, and puts them in the slots of their
// faces: for the steps that cut the faces by their slots.
void MakeEdgeVertices(CMesh3d* pMesh, const SSlotIndices& indices)
{
  const int nbOldVertex = pMesh->NbVertex();
  const int nbVertex = static_cast<int>(indices.points.size());
  Reserve(pMesh->GetArrayVertex(), nbVertex);
  for (int i = nbOldVertex; i < nbVertex; i++) {
    const SPoint& point = indices.points[static_cast<size_t>(i)];
    CVertex3d* v = pMesh->NewVertex(point.p[0], point.p[1], point.p[2]);
    v->SetAdjacencyIndex(pMesh->AddVertex(v));
  }
  const int nbFace = static_cast<int>(indices.slots.size() / 6);
  for (int i = 0; i < nbFace; i++) {
    const int* slots = &indices.slots[6 * static_cast<size_t>(i)];
    CFace3d* f = pMesh->GetFace(i);
    for (int k = 3; k < 6; k++)
      f->SetVertex(k, slots[k] >= 0 ? pMesh->GetVertex(slots[k]) : nullptr);
  }
}

// When the neighbour across edge k has been visited, copies its vertex on the shared edge
// (empty when it left that edge whole) and returns true.
bool CopyFromVisited(CFace3d* f, int k, const CFace3d* pNeighbor)
{
  int i = 0;
  int j = 0;
  if (!pNeighbor->ShareEdge(f, &j, &i))
    return false;
  f->SetVertex(3 + k, pNeighbor->v(3 + j));
  return true;
}

struct SSplitOptions
{
  bool clearFlag = true;
  bool ghost = false;
  int optimise = 0;
};

class CSplitter
{
public:
  CSplitter(CMesh3d* pMesh, const SSplitOptions& options) : m_pMesh(pMesh), m_Options(options) {}

  void Split(int i);

private:
  void SplitFace(CFace3d* f);
  CFace3d* Append(const CFace3d* pParent, CVertex3d* a, CVertex3d* b, CVertex3d* c);
  // Keeps the diagonal of the quadrilateral (parent, last) that gives the better shapes.
  static void ChooseDiagonal(CFace3d* pParent, CFace3d* pLast, CVertex3d* const alt[2][3]);
  // Two edge vertices: appends pieces 0 and 1, the parent becomes piece 2; pieces 3 and 4
  // are the other diagonal's pair for the last appended face and the parent.
  void SplitInThree(CFace3d* f, CVertex3d* const pieces[5][3]);

  CMesh3d* m_pMesh;
  SSplitOptions m_Options;
};

void CSplitter::Split(int i)
{
  SplitFace(m_pMesh->GetFace(i));
}

CFace3d* CSplitter::Append(const CFace3d* pParent, CVertex3d* a, CVertex3d* b, CVertex3d* c)
{
  auto* f = m_pMesh->NewFace(a, b, c);
  if (m_Options.ghost)
    f->SetColor(pParent->GetColor()->r(), pParent->GetColor()->g(), pParent->GetColor()->b());
  m_pMesh->AddFace(f);
  return f;
}

void CSplitter::ChooseDiagonal(CFace3d* pParent, CFace3d* pLast, CVertex3d* const alt[2][3])
{
  const CFace3d a(alt[0][0], alt[0][1], alt[0][2]);
  const CFace3d b(alt[1][0], alt[1][1], alt[1][2]);
  if (a.Compacity() + b.Compacity() <= pParent->Compacity() + pLast->Compacity())
    return;
  pLast->SetVertices(alt[0][0], alt[0][1], alt[0][2]);
  pParent->SetVertices(alt[1][0], alt[1][1], alt[1][2]);
}

void CSplitter::SplitInThree(CFace3d* f, CVertex3d* const pieces[5][3])
{
  Append(f, pieces[0][0], pieces[0][1], pieces[0][2]);
  CFace3d* pLast = Append(f, pieces[1][0], pieces[1][1], pieces[1][2]);
  f->SetVertices(pieces[2][0], pieces[2][1], pieces[2][2]);
  // Only the ghost method turns the diagonal.
  if (m_Options.ghost && m_Options.optimise)
    ChooseDiagonal(f, pLast, pieces + 3);
}

void CSplitter::SplitFace(CFace3d* f)
{
  if (m_Options.clearFlag)
    f->SetFlag(0);
  CVertex3d* c0 = f->v(0);
  CVertex3d* c1 = f->v(1);
  CVertex3d* c2 = f->v(2);
  CVertex3d* e0 = f->v(3);
  CVertex3d* e1 = f->v(4);
  CVertex3d* e2 = f->v(5);
  // A face left over from an undone creation has no corners to split.
  if (f->HasNullVertex() || (!e0 && !e1 && !e2)) {
    ClearEdgeVertices(f);
    return;
  }
  if (e0 && e1 && e2) {
    Append(f, e0, c1, e1);
    Append(f, e0, e1, e2);
    Append(f, e2, e1, c2);
    f->SetVertices(c0, e0, e2);
  } else if (e0 && e2) {
    CVertex3d* const pieces[5][3] = {
      {c0, e0, e2}, {e2, e0, c2}, {e0, c1, c2}, {e2, c1, c2}, {e2, e0, c1}};
    SplitInThree(f, pieces);
  } else if (e0 && e1) {
    CVertex3d* const pieces[5][3] = {
      {e0, c1, e1}, {c0, e0, e1}, {c0, e1, c2}, {e0, e1, c2}, {c0, e0, c2}};
    SplitInThree(f, pieces);
  } else if (e1 && e2) {
    // The ghost method appends these two in the other order.
    CVertex3d* const plain[5][3] = {
      {c1, e1, e2}, {e1, c2, e2}, {c0, c1, e2}, {c1, e1, c0}, {e1, e2, c0}};
    CVertex3d* const ghost[5][3] = {
      {e1, c2, e2}, {c1, e1, e2}, {c0, c1, e2}, {c1, e1, c0}, {e1, e2, c0}};
    SplitInThree(f, m_Options.ghost ? ghost : plain);
  } else if (e0) {
    Append(f, e0, c1, c2);
    f->SetVertices(c0, e0, c2);
  } else if (e1) {
    Append(f, c0, e1, c2);
    f->SetVertices(c0, c1, e1);
  } else {
    Append(f, e2, c1, c2);
    f->SetVertices(c0, c1, e2);
  }
  ClearEdgeVertices(f);
}

// Splits the first nbFace faces; faces appended on the way are not visited.
void SplitFaces(CMesh3d* pMesh, int nbFace, const SSplitOptions& options)
{
  platform::Trace("  creating faces (%d faces)\n", pMesh->NbFace());
  Reserve(pMesh->GetArrayFace(), pMesh->NbFace() + 3 * nbFace);
  CSplitter splitter(pMesh, options);
  for (int i = 0; i < nbFace; i++)
    splitter.Split(i);
  platform::Trace("  end creating faces (%d faces)\n", pMesh->NbFace());
}

// Splits the first nbOldFace faces and does what Rebuild does after: the step cuts, links and
// gives normals itself when every face is cut in four and the mesh is clean.
// The old vertices go to their points first.
void SplitAndLink(CMesh3d* pMesh, const SSlotIndices& indices, int nbOldVertex, int nbOldFace)
{
  if (indices.valid) {
    platform::Trace("  creating faces (%d faces)\n", pMesh->NbFace());
    CTriangleSplitLinker linker(pMesh, nbOldVertex, nbOldFace, indices.slots, indices.points);
    if (linker.Split()) {
      platform::Trace("  end creating faces (%d faces)\n", pMesh->NbFace());
      pMesh->SetModified();
      return;
    }
  }
  for (int i = 0; i < nbOldVertex; i++) {
    const SPoint& point = indices.points[static_cast<size_t>(i)];
    if (CVertex3d* v = pMesh->GetVertex(i))
      v->Set(point.p[0], point.p[1], point.p[2]);
  }
  MakeEdgeVertices(pMesh, indices);
  SplitFaces(pMesh, nbOldFace, SSplitOptions{});
  pMesh->Rebuild();
}

// Slots are filled by the edge passes below; leftovers of an interrupted run must not be
// taken for vertices of this one.
void ClearAllEdgeVertices(CMesh3d* pMesh)
{
  for (int i = 0; i < pMesh->NbFace(); i++)
    ClearEdgeVertices(pMesh->GetFace(i));
}

// The corners and neighbours of a face, decoded once: the edge passes ask every face whether it
// is valid and its neighbours which edge they share, and CFace3d's own queries decode them
// again at every use.
struct SCorners
{
  explicit SCorners(const CFace3d* f) : v{f->v(0), f->v(1), f->v(2)} {}
  bool HasNullVertex() const { return !v[0] || !v[1] || !v[2]; }

  CVertex3d* v[3];
};

struct SFaceRefs : SCorners
{
  explicit SFaceRefs(const CFace3d* f) : SCorners(f), n{f->f(0), f->f(1), f->f(2)} {}
  // CFace3d::IsValid of face f.
  bool IsValid(const CFace3d* f) const
  {
    for (int i = 0; i < 3; i++) {
      const CFace3d* g = n[i];
      if (g == f)
        return false;
      if (g && (g == n[(i + 1) % 3] || (g->f(0) != f && g->f(1) != f && g->f(2) != f)))
        return false;
    }
    return v[0] != v[1] && v[1] != v[2] && v[0] != v[2];
  }

  CFace3d* n[3];
};

// CFace3d::ShareEdge(mine, &j, ...) of the face across edge k, which names j. Most often both
// faces have distinct corners and the face across holds the edge the other way round, with a
// third corner of its own: then its edge j is the shared one, without the full comparison.
bool EdgeAcross(const SCorners& across, const SCorners& mine, int k, int* pJ)
{
  static constexpr int kNext[3] = {1, 2, 0};
  static constexpr int kPrevious[3] = {2, 0, 1};
  const CVertex3d* a = mine.v[k];
  const CVertex3d* b = mine.v[kNext[k]];
  const CVertex3d* u = mine.v[kPrevious[k]];
  const CVertex3d* const* c = across.v;
  const int j = c[0] == b ? 0 : (c[1] == b ? 1 : 2);
  const CVertex3d* w = c[kPrevious[j]];
  if (c[j] == b && c[kNext[j]] == a && w != a && w != b && w != u && a != b && b != u &&
      a != u) {
    *pJ = j;
    return true;
  }
  int i = 0;
  return SharedEdgeOfCorners(across.v, mine.v, pJ, &i);
}

// How many faces ahead the edge passes ask for the faces across: a little less did not hide
// the wait, more gave nothing more.
constexpr int kPrefetchDistance = 16;

// Below this many faces a mesh stays mostly in the cache through the edge pass and asking
// ahead only costs: the passes then ask for nothing.
constexpr int kPrefetchFrom = 1 << 15;

int PrefetchEnd(int nbFace)
{
  return nbFace >= kPrefetchFrom ? nbFace : 0;
}

// The faces across face i are mostly met by the edge passes for the first time (the next row
// of a mesh in scan order), and waiting on each in turn was a third of a pass on a large mesh.
// Asked for this many faces ahead, their misses overlap the work on the faces in between. Both
// lines a face spans: its references lie in one, its flag in the other. Nothing is asked for at
// or past `end`.
void PrefetchAcross(const CMesh3d* pMesh, int i, int end)
{
  if (i + kPrefetchDistance >= end)
    return;
  const CFace3d* f = pMesh->GetFace(i + kPrefetchDistance);
  for (int k = 0; k < 3; k++) {
    const auto* n = reinterpret_cast<const char*>(f->f(k));
    if (!n)
      continue;
    PrefetchLine(n);
    PrefetchLine(n + sizeof(CFace3d) - 1);
  }
}

// Midpoint on every edge, reused from a visited neighbour (flag non-zero).
SSlotIndices PlaceMidpoints(CMesh3d* pMesh)
{
  const int nbFace = pMesh->NbFace();
  SSlotIndices indices;
  indices.slots.assign(6 * static_cast<size_t>(nbFace), -1);
  CVertexIndexer indexer(pMesh, &indices, nullptr, false);
  const int prefetchEnd = PrefetchEnd(nbFace);
  for (int i = 0; i < nbFace; i++) {
    PrefetchAcross(pMesh, i, prefetchEnd);
    CFace3d* f = pMesh->GetFace(i);
    int* slots = SlotsOf(&indices, i);
    const SFaceRefs refs(f);
    indexer.RecordCorners(refs.v, slots);
    if (refs.HasNullVertex())
      continue;
    for (int k = 0; k < 3; k++) {
      const CFace3d* n = refs.n[k];
      int j = 0;
      if (n && n->GetFlag() != 0 && EdgeAcross(SCorners(n), refs, k, &j)) {
        slots[3 + k] = VisitedEdgeVertex(pMesh, indices, n, j);
        continue;
      }
      const CVertex3d* a = refs.v[k];
      const CVertex3d* b = refs.v[(k + 1) % 3];
      AddEdgePoint(&indices, k, (a->x() + b->x()) / 2.0f, (a->y() + b->y()) / 2.0f,
                   (a->z() + b->z()) / 2.0f, slots);
    }
    f->SetFlag(i + 1);
  }
  indexer.Finish();
  return indices;
}

// Loop's edge rule: (3(a + b) + u + w) / 8 inside, the midpoint on the boundary, whose ends
// are marked with vertex flag 1 (every other vertex flag is cleared first).
SSlotIndices PlaceLoopEdgeVertices(CMesh3d* pMesh)
{
  const int nbFace = pMesh->NbFace();
  SSlotIndices indices;
  indices.slots.assign(6 * static_cast<size_t>(nbFace), -1);
  CLoopAlphas alphas;
  CVertexIndexer indexer(pMesh, &indices, &alphas, true);
  const int prefetchEnd = PrefetchEnd(nbFace);
  for (int i = 0; i < nbFace; i++) {
    PrefetchAcross(pMesh, i, prefetchEnd);
    CFace3d* f = pMesh->GetFace(i);
    int* slots = SlotsOf(&indices, i);
    const SFaceRefs refs(f);
    indexer.RecordCorners(refs.v, slots);
    if (refs.HasNullVertex() || !refs.IsValid(f))
      continue;
    for (int k = 0; k < 3; k++) {
      CVertex3d* a = refs.v[k];
      CVertex3d* b = refs.v[(k + 1) % 3];
      const CFace3d* n = refs.n[k];
      if (!n) {
        a->SetFlag(1);
        b->SetFlag(1);
        indices.boundary.push_back(a->GetAdjacencyIndex());
        indices.boundary.push_back(b->GetAdjacencyIndex());
        AddEdgePoint(&indices, k, (a->x() + b->x()) / 2.0f, (a->y() + b->y()) / 2.0f,
                     (a->z() + b->z()) / 2.0f, slots);
        continue;
      }
      int j = 0;
      const SCorners across(n);
      if (!EdgeAcross(across, refs, k, &j))
        continue;
      if (n->GetFlag() != 0) {
        slots[3 + k] = VisitedEdgeVertex(pMesh, indices, n, j);
        continue;
      }
      const CVertex3d* u = refs.v[(k + 2) % 3];
      const CVertex3d* w = across.v[(j + 2) % 3];
      AddEdgePoint(&indices, k, (3.0f * (a->x() + b->x()) + u->x() + w->x()) / 8.0f,
                   (3.0f * (a->y() + b->y()) + u->y() + w->y()) / 8.0f,
                   (3.0f * (a->z() + b->z()) + u->z() + w->z()) / 8.0f, slots);
    }
    f->SetFlag(i + 1);
  }
  indexer.Finish();
  return indices;
}

// The Loop rule for the vertices present before the step, into their points; computed before
// the split, while the old faces still tell the boundary edges. The vertex walk gives every
// vertex the interior rule as it passes; the boundary ends, marked after, get theirs again.
void LoopVertexPositions(const CMesh3d* pMesh, int nbVertex, SSlotIndices* pIndices)
{
  CLoopAlphas alphas;
  if (pIndices->valid) {
    for (const int i : pIndices->boundary)
      LoopVertexPosition(pMesh->GetVertex(i), pIndices->points[static_cast<size_t>(i)].p, alphas);
    return;
  }
  // A vertex listed twice: every slot again.
  for (int i = 0; i < nbVertex; i++)
    if (const CVertex3d* p = pMesh->GetVertex(i))
      LoopVertexPosition(p, pIndices->points[static_cast<size_t>(i)].p, alphas);
}

} // namespace

int CMesh3d::Subdivision()
{
  platform::Trace("Start subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  const int nbFace = NbFace();
  const int nbVertex = NbVertex();
  // The slots are not read on the way: the record holds the step's edge vertices.
  const SSlotIndices indices = PlaceMidpoints(this);
  platform::Trace("  subdivision info (%d vertices)\n", static_cast<int>(indices.points.size()));
  SplitAndLink(this, indices, nbVertex, nbFace);
  platform::Trace("End subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  return 1;
}

int CMesh3d::SubdivisionLoop()
{
  platform::Trace("Start loop's subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  const int nbFace = NbFace();
  const int nbVertex = NbVertex();
  SSlotIndices indices = PlaceLoopEdgeVertices(this);
  platform::Trace("  subdivision info (%d vertices)\n", static_cast<int>(indices.points.size()));
  LoopVertexPositions(this, nbVertex, &indices);
  // The split reads no position: the old vertices move with it, and every face gets its
  // normal from the final positions.
  platform::Trace("  copy\n");
  SplitAndLink(this, indices, nbVertex, nbFace);
  platform::Trace("End loop's subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  return 1;
}

int CMesh3d::SubdivisionAdaptive(signed char flag)
{
  platform::Trace("Start adaptive subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  const int nbFace = NbFace();
  const int visited = flag + 1;
  ClearAllEdgeVertices(this);
  for (int i = 0; i < nbFace; i++) {
    CFace3d* f = GetFace(i);
    if (f->HasNullVertex())
      continue;
    const bool selected = f->GetFlag() == flag;
    for (int k = 0; k < 3; k++) {
      const CFace3d* n = f->f(k);
      if (n && n->GetFlag() == visited && CopyFromVisited(f, k, n))
        continue;
      if (!selected)
        continue;
      CVertex3d* v = NewMidpoint(this, f->v(k), f->v((k + 1) % 3));
      AddVertex(v);
      f->SetVertex(3 + k, v);
    }
    f->SetFlag(visited);
  }
  platform::Trace("  subdivision info (%d vertices)\n", NbVertex());
  SplitFaces(this, nbFace, SSplitOptions{});
  Rebuild();
  platform::Trace("End adaptive subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  return 1;
}

int CMesh3d::SubdivisionGhostVertices(int optimise)
{
  platform::Trace("Subdivision from ghost vertices\n");
  const int nbFace = NbFace();
  platform::Trace("  face creation...%d->", nbFace);
  SSplitOptions options;
  options.clearFlag = false;
  options.ghost = true;
  options.optimise = optimise;
  SplitFaces(this, nbFace, options);
  Rebuild();
  return 1;
}

int CMesh3d::SubdivisionFractal()
{
  platform::Trace("Start fractal subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  const int nbFace = NbFace();
  // A flag left by an earlier command would read as visited and leave a slot empty, and the
  // six-way cut below needs all three.
  SetFacesFlag(0);
  ClearAllEdgeVertices(this);
  MakeEdgeVertices(this, PlaceMidpoints(this));
  platform::Trace("  creating faces (%d faces)\n", NbFace());
  Reserve(GetArrayVertex(), NbVertex() + nbFace);
  Reserve(GetArrayFace(), NbFace() + 5 * nbFace);
  for (int i = 0; i < nbFace; i++) {
    CFace3d* f = GetFace(i);
    f->SetFlag(0);
    CVertex3d* c0 = f->v(0);
    CVertex3d* c1 = f->v(1);
    CVertex3d* c2 = f->v(2);
    CVertex3d* e0 = f->v(3);
    CVertex3d* e1 = f->v(4);
    CVertex3d* e2 = f->v(5);
    if (f->HasNullVertex() || !e0 || !e1 || !e2) {
      ClearEdgeVertices(f);
      continue;
    }
    const float d = static_cast<float>(f->Perimeter() / 12.0);
    CVector3d* n = f->GetNormal();
    n->Normalize();
    auto* g = NewVertex((c0->x() + c1->x() + c2->x()) / 3.0f + d * n->x(),
                        (c0->y() + c1->y() + c2->y()) / 3.0f + d * n->y(),
                        (c0->z() + c1->z() + c2->z()) / 3.0f + d * n->z());
    AddVertex(g);
    AddFace(NewFace(e0, c1, e1));
    AddFace(NewFace(e2, e1, c2));
    AddFace(NewFace(e0, e1, g));
    AddFace(NewFace(g, e1, e2));
    AddFace(NewFace(e2, e0, g));
    f->SetVertices(c0, e0, e2);
    ClearEdgeVertices(f);
  }
  platform::Trace("  end creating faces (%d faces)\n", NbFace());
  Rebuild();
  platform::Trace("End subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  return 1;
}
