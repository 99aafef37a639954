// The encoder's adjacency after a layer, brought up to date around the removals instead of
// rebuilt: by the same rules as CMesh3d::BuildAdjacency, so the next layer sees the same lists.
#include "compression/ProgressiveCoder.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
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
    CFace3d* across = nullptr;
    for (const Corner* g = begin; g < end && !across; g++)
      if (g->face != e->face && (b == v || g->previous == b || g->next == b))
        across = g->face;
    e->face->SetF(slot[e - begin], across);
  }
}

} // namespace

// Worth it while few faces change; every vertex on them must be known by its adjacency index.
bool CProgressiveCoder::CanUpdateAdjacency() const
{
  const size_t nbFace = static_cast<size_t>(m_pMesh->NbFace());
  if (!m_CornersValid || 4 * m_DeadFaces.size() >= nbFace || m_pMesh->NbVertex() < 4)
    return false;
  for (const auto* list : {&m_DeadFaces, &m_NewFaces})
    for (const CFace3d* f : *list)
      for (int k = 0; k < 3; k++) {
        const CVertex3d* v = f->v(k);
        const int id = v ? v->GetAdjacencyIndex() : -1;
        if (id < 0 || id >= static_cast<int>(m_CornerOwner.size()) ||
            m_CornerOwner[static_cast<size_t>(id)] != v)
          return false;
      }
  return true;
}

// Before the removed faces are deleted: the corners of the faces that go or come (the removed
// vertices aside) get their lists again; the faces are linked once the others have gone.
void CProgressiveCoder::UpdateAdjacency()
{
  // Affected vertices by adjacency index: their rank in `vertices`. Kept from layer to layer,
  // all -1 between updates.
  std::vector<int>& rank = m_Rank;
  if (rank.size() < m_CornerOwner.size())
    rank.resize(m_CornerOwner.size(), -1);
  std::vector<CVertex3d*> vertices;
  // The indices ranked, by the numbering the update started from.
  std::vector<size_t> ranked;
  for (const auto* list : {&m_DeadFaces, &m_NewFaces})
    for (const CFace3d* f : *list)
      for (int k = 0; k < 3; k++) {
        CVertex3d* v = f->v(k);
        const size_t id = static_cast<size_t>(v->GetAdjacencyIndex());
        int& r = rank[id];
        if (r >= 0 || v->GetFlag() == 2)
          continue;
        r = static_cast<int>(vertices.size());
        vertices.push_back(v);
        ranked.push_back(id);
      }
  // The new faces of each, in the order they were made: after the others in the array.
  std::vector<int> start(vertices.size() + 1, 0);
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
  std::vector<CFace3d*> added(static_cast<size_t>(start.back()));
  std::vector<int> cursor(start.begin(), start.end() - 1);
  forCorners([&](int r, CFace3d* f) { added[static_cast<size_t>(cursor[static_cast<size_t>(r)]++)] = f; });
  // The old faces that go, by rank: v's old faces are read on its corner lists, which hold
  // them in the order of its face list (a face at two corners of v twice, side by side).
  std::vector<int> deadStart(vertices.size() + 1, 0);
  auto forDeadCorners = [&](auto fn) {
    for (CFace3d* f : m_DeadFaces)
      for (int k = 0; k < 3; k++)
        if ((k == 0 || f->v(k) != f->v(0)) && (k < 2 || f->v(2) != f->v(1)))
          if (const int r = rank[static_cast<size_t>(f->v(k)->GetAdjacencyIndex())]; r >= 0)
            fn(r, f);
  };
  forDeadCorners([&deadStart](int r, CFace3d*) { deadStart[static_cast<size_t>(r) + 1]++; });
  for (size_t i = 1; i < deadStart.size(); i++)
    deadStart[i] += deadStart[i - 1];
  std::vector<const CFace3d*> dead(static_cast<size_t>(deadStart.back()));
  cursor.assign(deadStart.begin(), deadStart.end() - 1);
  forDeadCorners([&](int r, CFace3d* f) { dead[static_cast<size_t>(cursor[static_cast<size_t>(r)]++)] = f; });
  std::vector<CFace3d*> faces;
  std::vector<CVertex3d*> neighbours;
  // The touched vertices' corners, by rank, as ListCorners would find them on the new lists,
  // and the slot of the vertex in each corner's face.
  std::vector<SCorner> fresh;
  std::vector<std::uint8_t> slots;
  std::vector<int> freshStart(vertices.size() + 1, 0);
  for (size_t r = 0; r < vertices.size(); r++) {
    CVertex3d* v = vertices[r];
    const size_t id = ranked[r];
    const auto deadBegin = dead.begin() + deadStart[r];
    const auto deadEnd = dead.begin() + deadStart[r + 1];
    faces.clear();
    const CFace3d* previous = nullptr;
    for (int i = m_CornerStart[id]; i < m_CornerStart[id + 1]; i++) {
      CFace3d* f = m_Corners[static_cast<size_t>(i)].face;
      if (f != previous && std::find(deadBegin, deadEnd, f) == deadEnd)
        faces.push_back(f);
      previous = f;
    }
    faces.insert(faces.end(), added.begin() + start[r], added.begin() + start[r + 1]);
    // Neighbours in the order of their faces' corners, each once.
    neighbours.clear();
    for (CFace3d* f : faces) {
      CVertex3d* const w[3] = {f->v(0), f->v(1), f->v(2)};
      for (int k = 0; k < 3; k++) {
        if (w[k] == v) {
          fresh.push_back({w[(k + 2) % 3], f, w[(k + 1) % 3]});
          slots.push_back(static_cast<std::uint8_t>(k));
        } else if (std::find(neighbours.begin(), neighbours.end(), w[k]) == neighbours.end()) {
          neighbours.push_back(w[k]);
        }
      }
    }
    SetAdjacencyLists(v, faces.data(), static_cast<int>(faces.size()), neighbours.data(),
                      static_cast<int>(neighbours.size()));
    freshStart[r + 1] = static_cast<int>(fresh.size());
  }
  m_pMesh->RemoveFacesWithFlag(2);
  ReleaseRemovedVertices();
  for (size_t r = 0; r < vertices.size(); r++)
    LinkFacesFrom(vertices[r], fresh.data() + freshStart[r], fresh.data() + freshStart[r + 1],
                  slots.data() + freshStart[r]);
  if (m_CornersComplete)
    CarryCorners(rank, fresh, freshStart);
  for (size_t id : ranked)
    rank[id] = -1;
  if (m_CornersComplete)
    return;
  m_CornersValid = 0;
  for (int i = 0; i < m_pMesh->NbVertex(); i++)
    m_pMesh->GetVertex(i)->SetAdjacencyIndex(i);
}

// The removed faces and vertices leave; the build's own index arrays then give every vertex's
// corners in the order of its face list, as the next layer would list them from the faces.
void CProgressiveCoder::RebuildAdjacency()
{
  m_CornersValid = 0;
  m_pMesh->RemoveFacesWithFlag(2);
  ReleaseRemovedVertices();
  if (BuildAdjacency(m_pMesh, &m_BuildIndex) && m_BuildIndex.unique && !m_pView)
    m_CornersCarried = CarryCornersFromBuild() ? 1 : 0;
}

bool CProgressiveCoder::CarryCornersFromBuild()
{
  const SAdjacencyIndex& index = m_BuildIndex;
  const int nv = m_pMesh->NbVertex();
  m_CornerOwner.resize(static_cast<size_t>(nv));
  m_CornerStart.resize(static_cast<size_t>(nv) + 1);
  m_Corners.clear();
  m_Corners.reserve(static_cast<size_t>(index.start[static_cast<size_t>(nv)]));
  for (int a = 0; a < nv; a++) {
    CVertex3d* v = m_pMesh->GetVertex(a);
    if (!v)
      return false;
    m_CornerOwner[static_cast<size_t>(a)] = v;
    m_CornerStart[static_cast<size_t>(a)] = static_cast<int>(m_Corners.size());
    const int end = index.start[static_cast<size_t>(a) + 1];
    for (int p = index.start[static_cast<size_t>(a)]; p < end; p++) {
      const int g = index.faces[static_cast<size_t>(p)];
      const int* c = &index.corners[3 * static_cast<size_t>(g)];
      CFace3d* f = m_pMesh->GetFace(g);
      for (int k = 0; k < 3; k++)
        if (c[k] == a)
          m_Corners.push_back({m_pMesh->GetVertex(c[(k + 2) % 3]), f, m_pMesh->GetVertex(c[(k + 1) % 3])});
    }
  }
  m_CornerStart[static_cast<size_t>(nv)] = static_cast<int>(m_Corners.size());
  ForgetRefusals(static_cast<size_t>(nv));
  m_CornersComplete = 1;
  return true;
}

// Each vertex left takes its new index; an untouched one keeps its corners as they were
// listed, since none of its faces changed. The vertices left keep their order in the array,
// so each one's old index is the next one not removed, checked against the owners without
// reading the vertex; only a vertex moved otherwise (the seed swap) is asked its index. The
// lists of untouched vertices of consecutive old indices lie end to end: copied in runs.
void CProgressiveCoder::CarryCorners(const std::vector<int>& rank, const std::vector<SCorner>& fresh,
                                     const std::vector<int>& freshStart)
{
  const int nv = m_pMesh->NbVertex();
  std::vector<size_t> gone;
  for (int i = 0; i < m_pCurrentGeometry->NbRecord(); i++)
    gone.push_back(static_cast<size_t>(m_pCurrentGeometry->GetRecord(i).GetVertex()->GetAdjacencyIndex()));
  std::sort(gone.begin(), gone.end());
  // Built in the buffers of the lists before, swapped in: no allocation per layer.
  std::vector<SCorner>& corners = m_CornerSpare;
  corners.clear();
  corners.reserve(m_Corners.size());
  std::vector<int>& cornerStart = m_CornerStartSpare;
  cornerStart.assign(static_cast<size_t>(nv) + 1, 0);
  std::vector<const CVertex3d*>& owners = m_CornerOwnerSpare;
  owners.resize(static_cast<size_t>(nv));
  // A touched vertex's refusals go with its old corners.
  std::vector<SRefusals>& refusals = m_RefusalSpare;
  refusals.assign(static_cast<size_t>(nv), SRefusals{});
  const bool refused = m_Refusals.size() >= m_CornerStart.size() - 1;
  size_t runFrom = 0;
  size_t runTo = 0;
  auto flush = [&] {
    corners.insert(corners.end(), m_Corners.begin() + static_cast<std::ptrdiff_t>(runFrom),
                   m_Corners.begin() + static_cast<std::ptrdiff_t>(runTo));
    runFrom = runTo = 0;
  };
  size_t next = 0;
  size_t g = 0;
  for (int i = 0; i < nv; i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    while (g < gone.size() && gone[g] < next)
      g++;
    for (; g < gone.size() && gone[g] == next; g++)
      next++;
    size_t old = next;
    if (old >= m_CornerOwner.size() || m_CornerOwner[old] != v)
      old = static_cast<size_t>(v->GetAdjacencyIndex());
    next = old + 1;
    const int r = rank[old];
    if (r < 0 && refused)
      refusals[static_cast<size_t>(i)] = m_Refusals[old];
    if (r >= 0) {
      flush();
      corners.insert(corners.end(), fresh.begin() + freshStart[static_cast<size_t>(r)],
                     fresh.begin() + freshStart[static_cast<size_t>(r) + 1]);
    } else {
      const size_t from = static_cast<size_t>(m_CornerStart[old]);
      if (runTo != from)
        flush();
      if (runFrom == runTo)
        runFrom = from;
      runTo = static_cast<size_t>(m_CornerStart[old + 1]);
    }
    cornerStart[static_cast<size_t>(i) + 1] = static_cast<int>(corners.size() + (runTo - runFrom));
    owners[static_cast<size_t>(i)] = v;
    if (old != static_cast<size_t>(i))
      v->SetAdjacencyIndex(i);
  }
  flush();
  m_Corners.swap(corners);
  m_CornerStart.swap(cornerStart);
  m_CornerOwner.swap(owners);
  m_Refusals.swap(refusals);
  m_CornersValid = 0;
  m_CornersCarried = 1;
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

// On the corner lists when every vertex has its own, else on the faces.
void CProgressiveCoder::FindTangledFacesNow()
{
  m_TangledFaces.clear();
  std::vector<SCorner> gathered;
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    const CVertex3d* v = m_pMesh->GetVertex(i);
    const int id = m_CornersComplete ? CornerListOf(v, v->GetAdjacencyIndex()) : -1;
    if (id >= 0) {
      AddTangledFaces(v, m_Corners.data() + m_CornerStart[static_cast<size_t>(id)],
                      m_Corners.data() + m_CornerStart[static_cast<size_t>(id) + 1]);
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
