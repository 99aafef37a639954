// The encoder's adjacency after a layer, brought up to date around the removals instead of
// rebuilt: by the same rules as CMesh3d::BuildAdjacency, so the next layer sees the same lists.
#include "compression/ProgressiveCoder.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Prefetch.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <cstdint>

namespace {

// From v's corners on its new lists, in their order, each with the slot of v in its face: the
// face across the edge from v to the corner's next vertex is the first other face of v that
// holds that vertex, or any other face of v on an edge from v to itself.
template <class Corner>
void LinkFacesFrom(const CVertex3d* v, const Corner* begin, const Corner* end, const std::uint8_t* slot)
{
  for (const Corner* e = begin; e < end; e++) {
    const CVertex3d* b = e->next;
    const CFace3d* own = e->face;
    CFace3d* across = nullptr;
    if (b == v) {
      for (const Corner* g = begin; g < end; g++)
        if (g->face != own) {
          across = g->face;
          break;
        }
    } else {
      // The far end is met on few corners: it is looked for first.
      for (const Corner* g = begin; g < end; g++)
        if ((g->previous == b || g->next == b) && g->face != own) {
          across = g->face;
          break;
        }
    }
    e->face->SetF(slot[e - begin], across);
  }
}

} // namespace

// Worth it while few faces change; every vertex on them must be known by its adjacency index.
// The vertices the update lists again are ranked on the way, the checks and the ranking reading
// the same vertices; a refusal leaves no rank behind.
bool CProgressiveCoder::CanUpdateAdjacency()
{
  const size_t nbFace = static_cast<size_t>(m_pMesh->NbFace());
  if (!m_CornersValid || 4 * m_DeadFaces.size() >= nbFace || m_pMesh->NbVertex() < 4)
    return false;
  // Affected vertices by adjacency index: their rank in `vertices`. Kept from layer to layer,
  // all -1 between updates.
  std::vector<int>& rank = m_Rank;
  if (rank.size() < m_CornerOwner.size())
    rank.resize(m_CornerOwner.size(), -1);
  SUpdateBuffers& u = m_UpdateBuffers;
  std::vector<CVertex3d*>& vertices = u.vertices;
  // The indices ranked, by the numbering the update started from.
  std::vector<size_t>& ranked = u.ranked;
  vertices.clear();
  ranked.clear();
  const int nbOwner = static_cast<int>(m_CornerOwner.size());
  for (const auto* list : {&m_DeadFaces, &m_NewFaces})
    for (const CFace3d* f : *list)
      for (int k = 0; k < 3; k++) {
        CVertex3d* v = f->v(k);
        const int id = v ? v->GetAdjacencyIndex() : -1;
        if (id < 0 || id >= nbOwner || m_CornerOwner[static_cast<size_t>(id)] != v) {
          for (size_t r : ranked)
            rank[r] = -1;
          vertices.clear();
          ranked.clear();
          return false;
        }
        int& r = rank[static_cast<size_t>(id)];
        if (r >= 0 || v->GetFlag() == 2)
          continue;
        r = static_cast<int>(vertices.size());
        vertices.push_back(v);
        ranked.push_back(static_cast<size_t>(id));
      }
  return true;
}

// Before the removed faces are deleted: the corners of the faces that go or come (the removed
// vertices aside) get their lists again; the faces are linked once the others have gone. The
// vertices are those CanUpdateAdjacency ranked.
void CProgressiveCoder::UpdateAdjacency()
{
  std::vector<int>& rank = m_Rank;
  SUpdateBuffers& u = m_UpdateBuffers;
  std::vector<CVertex3d*>& vertices = u.vertices;
  std::vector<size_t>& ranked = u.ranked;
  // The new faces of each, in the order they were made: after the others in the array.
  std::vector<int>& start = u.start;
  start.assign(vertices.size() + 1, 0);
  auto forCorners = [&](auto fn) {
    for (CFace3d* f : m_NewFaces) {
      if (f->GetFlag() == 2)
        continue;
      for (int k = 0; k < 3; k++)
        if ((k == 0 || f->v(k) != f->v(0)) && (k < 2 || f->v(2) != f->v(1)))
          if (const int r = rank[static_cast<size_t>(f->v(k)->GetAdjacencyIndex())]; r >= 0)
            fn(r, f);
    }
  };
  forCorners([&start](int r, CFace3d*) { start[static_cast<size_t>(r) + 1]++; });
  for (size_t i = 1; i < start.size(); i++)
    start[i] += start[i - 1];
  std::vector<CFace3d*>& added = u.added;
  added.resize(static_cast<size_t>(start.back()));
  std::vector<int>& cursor = u.cursor;
  cursor.assign(start.begin(), start.end() - 1);
  forCorners([&](int r, CFace3d* f) { added[static_cast<size_t>(cursor[static_cast<size_t>(r)]++)] = f; });
  // The touched vertices' corners, by rank, as ListCorners would find them on the new lists,
  // and the slot of the vertex in each corner's face.
  std::vector<SCorner>& fresh = u.fresh;
  std::vector<std::uint8_t>& slots = u.cornerSlots;
  std::vector<int>& freshStart = u.freshStart;
  fresh.clear();
  slots.clear();
  freshStart.assign(vertices.size() + 1, 0);
  for (size_t r = 0; r < vertices.size(); r++) {
    PrefetchUpdate(r);
    ListFresh(vertices[r], static_cast<int>(ranked[r]), added.data() + start[r],
              added.data() + start[r + 1]);
    freshStart[r + 1] = static_cast<int>(fresh.size());
  }
  RemoveDeadFaces();
  ReleaseRemovedVertices();
  for (size_t r = 0; r < vertices.size(); r++)
    LinkFacesFrom(vertices[r], fresh.data() + freshStart[r], fresh.data() + freshStart[r + 1],
                  slots.data() + freshStart[r]);
  if (m_CornersComplete)
    CarryCorners(ranked, fresh, freshStart);
  for (size_t id : ranked)
    rank[id] = -1;
  if (m_CornersComplete)
    return;
  m_CornersValid = 0;
  for (int i = 0; i < m_pMesh->NbVertex(); i++)
    m_pMesh->GetVertex(i)->SetAdjacencyIndex(i);
}

// The touched vertices' old lists and faces lie apart: the lists are fetched some vertices
// ahead, the faces on them (and the vertex, whose lists are written) a little later.
void CProgressiveCoder::PrefetchUpdate(size_t r) const
{
  constexpr size_t kListAhead = 8;
  constexpr size_t kFaceAhead = 4;
  const SUpdateBuffers& u = m_UpdateBuffers;
  if (r + kListAhead < u.ranked.size()) {
    const char* list = reinterpret_cast<const char*>(CornersBegin(static_cast<int>(u.ranked[r + kListAhead])));
    PrefetchLine(list);
    PrefetchLine(list + 64);
    PrefetchLine(list + 128);
  }
  if (r + kFaceAhead >= u.ranked.size())
    return;
  const int id = static_cast<int>(u.ranked[r + kFaceAhead]);
  for (const SCorner* c = CornersBegin(id); c < CornersEnd(id); c++) {
    const char* f = reinterpret_cast<const char*>(c->face);
    PrefetchLine(f);
    PrefetchLine(f + sizeof(CFace3d) - 1);
  }
  PrefetchWhole(u.vertices[r + kFaceAhead]);
}

// v's faces: those on its old corners that stay (flagged 2 the others, which the mesh deletes
// next), in their order, then `added`; its neighbours in the order of their faces' corners,
// each once; and its corners on them, appended to the fresh ones.
void CProgressiveCoder::ListFresh(CVertex3d* v, int id, CFace3d* const* addedBegin,
                                  CFace3d* const* addedEnd)
{
  SUpdateBuffers& u = m_UpdateBuffers;
  const SCorner* begin = CornersBegin(id);
  const SCorner* end = CornersEnd(id);
  // The buffers are sized once for the most that many faces can give, then written through
  // pointers.
  const size_t room = static_cast<size_t>(end - begin) + static_cast<size_t>(addedEnd - addedBegin);
  if (u.faces.size() < room) {
    u.faces.resize(2 * room);
    u.neighbours.resize(4 * room);
  }
  CFace3d** faces = u.faces.data();
  int nbFace = 0;
  const CFace3d* previous = nullptr;
  for (const SCorner* c = begin; c < end; c++) {
    CFace3d* f = c->face;
    if (f != previous && f->GetFlag() != 2)
      faces[nbFace++] = f;
    previous = f;
  }
  for (CFace3d* const* a = addedBegin; a < addedEnd; a++)
    faces[nbFace++] = *a;
  CVertex3d** neighbours = u.neighbours.data();
  int nbNeighbour = 0;
  for (int i = 0; i < nbFace; i++) {
    CFace3d* f = faces[i];
    CVertex3d* const w[3] = {f->v(0), f->v(1), f->v(2)};
    for (int k = 0; k < 3; k++) {
      if (w[k] == v) {
        u.fresh.push_back({w[(k + 2) % 3], f, w[(k + 1) % 3]});
        u.cornerSlots.push_back(static_cast<std::uint8_t>(k));
        continue;
      }
      int j = 0;
      while (j < nbNeighbour && neighbours[j] != w[k])
        j++;
      if (j == nbNeighbour)
        neighbours[nbNeighbour++] = w[k];
    }
  }
  SetAdjacencyLists(v, faces, nbFace, neighbours, nbNeighbour);
}

// The faces flagged 2 are those of m_DeadFaces (some maybe twice): where they are few, the
// mesh finds them among its face array's pointers rather than by every face's flag, which lies
// in the face. The faces left keep their order.
void CProgressiveCoder::RemoveDeadFaces()
{
  if (32 * m_DeadFaces.size() >= static_cast<size_t>(m_pMesh->NbFace())) {
    m_pMesh->RemoveFacesWithFlag(2);
    return;
  }
  m_pMesh->BeginDeferredDeletion();
  for (CFace3d* f : m_DeadFaces)
    m_pMesh->DeleteFace(f);
  m_pMesh->EndDeferredDeletion();
}

// The removed faces and vertices leave; the build's own index arrays then give every vertex's
// corners in the order of its face list, as the next layer would list them from the faces.
void CProgressiveCoder::RebuildAdjacency()
{
  m_CornersValid = 0;
  RemoveDeadFaces();
  ReleaseRemovedVertices();
  if (BuildAdjacency(m_pMesh, &m_BuildIndex) && m_BuildIndex.unique && !m_pView)
    m_CornersCarried = CarryCornersFromBuild() ? 1 : 0;
}

// The build listed every vertex's corners by index, in the order of its face list: they only
// take the elements' addresses. m_Corners is written in place, so that only its growth, if
// any, is cleared first.
bool CProgressiveCoder::CarryCornersFromBuild()
{
  const SAdjacencyIndex& index = m_BuildIndex;
  const int nv = m_pMesh->NbVertex();
  if (index.aroundStart.size() != static_cast<size_t>(nv) + 1)
    return false;
  const int* aroundStart = index.aroundStart.data();
  const SAdjacencyCorner* around = index.around.data();
  CVertex3d* const* vertices = m_pMesh->GetArrayVertex()->GetData();
  CFace3d* const* faces = m_pMesh->GetArrayFace()->GetData();
  for (int a = 0; a < nv; a++)
    if (!vertices[a])
      return false;
  m_CornerOwner.assign(vertices, vertices + nv);
  m_CornerSpan.resize(static_cast<size_t>(nv));
  m_CornerWaste = 0;
  m_Corners.resize(static_cast<size_t>(aroundStart[nv]));
  SCorner* out = m_Corners.data();
  SCornerSpan* span = m_CornerSpan.data();
  for (int a = 0; a < nv; a++)
    span[a] = SCornerSpan{aroundStart[a], aroundStart[a + 1]};
  for (int p = 0; p < aroundStart[nv]; p++) {
    const SAdjacencyCorner& c = around[p];
    out[p] = SCorner{vertices[c.previous], faces[c.face], vertices[c.next]};
  }
  ForgetRefusals(static_cast<size_t>(nv));
  m_CornersComplete = 1;
  return true;
}

// The vertices left keep their adjacency indices, so an untouched vertex keeps its list where
// it lies and nothing is renumbered: only the lists of the removed and touched vertices change.
// A touched vertex's refusals go with its old corners.
void CProgressiveCoder::CarryCorners(const std::vector<size_t>& ranked,
                                     const std::vector<SCorner>& fresh,
                                     const std::vector<int>& freshStart)
{
  auto forget = [this](size_t id) {
    if (id < m_Refusals.size())
      m_Refusals[id] = SRefusals{};
  };
  for (int i = 0; i < m_pCurrentGeometry->NbRecord(); i++) {
    const CVertex3d* v = m_pCurrentGeometry->GetRecord(i).GetVertex();
    const size_t id = static_cast<size_t>(v->GetAdjacencyIndex());
    if (id >= m_CornerOwner.size() || m_CornerOwner[id] != v)
      continue;
    SCornerSpan& span = m_CornerSpan[id];
    m_CornerWaste += static_cast<size_t>(span.end - span.begin);
    span = SCornerSpan{};
    m_CornerOwner[id] = nullptr;
    forget(id);
  }
  for (size_t r = 0; r < ranked.size(); r++) {
    const size_t id = ranked[r];
    const auto from = fresh.begin() + freshStart[r];
    const int n = freshStart[r + 1] - freshStart[r];
    SCornerSpan& span = m_CornerSpan[id];
    const int room = span.end - span.begin;
    if (n > room) {
      m_CornerWaste += static_cast<size_t>(room);
      span.begin = static_cast<int>(m_Corners.size());
      m_Corners.insert(m_Corners.end(), from, from + n);
    } else {
      m_CornerWaste += static_cast<size_t>(room - n);
      std::copy(from, from + n, m_Corners.begin() + span.begin);
    }
    span.end = span.begin + n;
    forget(id);
  }
  if (2 * m_CornerWaste > m_Corners.size())
    CompactCorners();
  m_IndicesCarried = 1;
  m_CornersValid = 0;
  m_CornersCarried = 1;
}

// The lists in use moved end to end, in the order of the indices.
void CProgressiveCoder::CompactCorners()
{
  std::vector<SCorner>& corners = m_CornerSpare;
  corners.clear();
  corners.reserve(m_Corners.size() - m_CornerWaste);
  for (SCornerSpan& span : m_CornerSpan) {
    const int begin = static_cast<int>(corners.size());
    corners.insert(corners.end(), m_Corners.begin() + span.begin, m_Corners.begin() + span.end);
    span = SCornerSpan{begin, static_cast<int>(corners.size())};
  }
  m_Corners.swap(corners);
  m_CornerWaste = 0;
  m_CornerCompactions++;
}

// Once the layers are done: each vertex's adjacency index is its place in the array again,
// as after a full build.
void CProgressiveCoder::NumberVertices()
{
  if (!m_IndicesCarried)
    return;
  for (int i = 0; i < m_pMesh->NbVertex(); i++)
    m_pMesh->GetVertex(i)->SetAdjacencyIndex(i);
  m_IndicesCarried = 0;
  m_CornersValid = 0;
  m_CornersCarried = 0;
}

// From each corner of v, the faces of v holding the edge to the next corner: another one the
// same way, or two more, tangle them all.
void CProgressiveCoder::AddTangledFaces(const CVertex3d* v, const SCorner* begin, const SCorner* end)
{
  // Where no corner repeats a vertex and no two corners share their vertex before or their
  // vertex after, a corner's far end is held by one other face at most, never the same way:
  // nothing is tangled. Almost every vertex is so, and the test costs half the full one.
  bool plain = true;
  for (const SCorner* c = begin; c < end && plain; c++) {
    plain = c->previous != c->next && c->previous != v && c->next != v;
    for (const SCorner* g = begin; g < c && plain; g++)
      plain = g->previous != c->previous && g->next != c->next;
  }
  if (plain)
    return;
  for (const SCorner* c = begin; c < end; c++) {
    const CVertex3d* b = c->next;
    int same = 0;
    int held = 0;
    for (const SCorner* g = begin; g < end; g++)
      if (g->face != c->face && (g->next == b || g->previous == b)) {
        held++;
        same += g->next == b ? 1 : 0;
      }
    if (b == v || (same == 0 && held < 2))
      continue;
    for (const SCorner* g = begin; g < end; g++)
      if (g->next == b || g->previous == b)
        m_TangledFaces.push_back(g->face);
  }
}

// Two corners of v after the same vertex x are two corners of x before v: where no vertex
// has two corners before the same vertex or a corner on an edge from a vertex to itself,
// every vertex passes the plain test of AddTangledFaces. That holds for the whole mesh only
// when the lists read hold every slot of every face, so that x's corners are all listed:
// every vertex owns its list and the lists hold three corners per face.
bool CProgressiveCoder::AreCornersPlain() const
{
  if (!m_CornersValid || !m_CornersComplete)
    return false;
  const size_t count = m_CornerOwner.size();
  if (count != static_cast<size_t>(m_pMesh->NbVertex()))
    return false;
  size_t corners = 0;
  for (size_t id = 0; id < count; id++) {
    const CVertex3d* v = m_CornerOwner[id];
    if (!v)
      return false;
    const SCorner* begin = CornersBegin(static_cast<int>(id));
    const SCorner* end = CornersEnd(static_cast<int>(id));
    corners += static_cast<size_t>(end - begin);
    for (const SCorner* c = begin; c < end; c++) {
      const CVertex3d* next = c->next;
      if (c->previous == next || c->previous == v || next == v)
        return false;
      for (const SCorner* g = begin; g < c; g++)
        if (g->next == next)
          return false;
    }
  }
  return corners == 3 * static_cast<size_t>(m_pMesh->NbFace());
}

// On the corner lists when every vertex has its own, else on the faces.
void CProgressiveCoder::FindTangledFacesNow()
{
  m_TangledFaces.clear();
  if (AreCornersPlain())
    return;
  std::vector<SCorner> gathered;
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    const CVertex3d* v = m_pMesh->GetVertex(i);
    const int id = m_CornersComplete ? CornerListOf(v, v->GetAdjacencyIndex()) : -1;
    if (id >= 0) {
      AddTangledFaces(v, CornersBegin(id), CornersEnd(id));
      continue;
    }
    gathered.clear();
    for (int j = 0; j < v->NbFaceNeighbor(); j++) {
      CFace3d* f = v->GetFaceNeighbor(j);
      for (int k = 0; k < 3; k++)
        if (f->v(k) == v)
          gathered.push_back({f->v((k + 2) % 3), f, f->v((k + 1) % 3)});
    }
    AddTangledFaces(v, gathered.data(), gathered.data() + gathered.size());
  }
  std::sort(m_TangledFaces.begin(), m_TangledFaces.end());
  m_TangledFaces.erase(std::unique(m_TangledFaces.begin(), m_TangledFaces.end()),
                       m_TangledFaces.end());
}

bool CProgressiveCoder::IsTangled(const CFace3d* pFace) const
{
  return !m_TangledFaces.empty() &&
         std::binary_search(m_TangledFaces.begin(), m_TangledFaces.end(), pFace);
}

bool CProgressiveCoder::IsPatchTangled() const
{
  if (m_TangledFaces.empty())
    return false;
  for (int i = 0; i < m_GatePatchFaces.GetSize(); i++)
    if (IsTangled(m_GatePatchFaces.GetAt(i)))
      return true;
  return false;
}
