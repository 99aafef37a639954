// The encoder's adjacency after a layer, brought up to date around the removals instead of
// rebuilt: by the same rules as CMesh3d::BuildAdjacency, so the next layer sees the same lists.
#include "compression/ProgressiveCoder.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>

namespace {

// Faces in the array order, each once; neighbours in the order of their faces' corners, each
// once; across edge k of f, the first other face of corner k holding corner k + 1.
// The neighbours are gathered first and stored at once: the list's own duplicate test would
// decode its entries for every corner.
void StoreFaces(CVertex3d* v, const std::vector<CFace3d*>& faces, std::vector<CVertex3d*>* pScratch)
{
  auto* pList = v->GetArrayFaceNeighbor();
  pList->SetSize(static_cast<int>(faces.size()));
  for (size_t i = 0; i < faces.size(); i++)
    pList->SetAt(static_cast<int>(i), faces[i]);
  std::vector<CVertex3d*>& neighbours = *pScratch;
  neighbours.clear();
  for (const CFace3d* f : faces)
    for (int k = 0; k < 3; k++) {
      CVertex3d* w = f->v(k);
      if (w != v && std::find(neighbours.begin(), neighbours.end(), w) == neighbours.end())
        neighbours.push_back(w);
    }
  auto* pNeighbours = v->GetArrayVertexNeighbor();
  pNeighbours->SetSize(static_cast<int>(neighbours.size()));
  for (size_t i = 0; i < neighbours.size(); i++)
    pNeighbours->SetAt(static_cast<int>(i), neighbours[i]);
}

// From v's corners on its new lists, in their order: each corner names v's face with the
// corners before and after v, so whether a face holds the end of an edge is read there.
template <class Corner>
void LinkFacesFrom(const CVertex3d* v, const Corner* begin, const Corner* end)
{
  for (const Corner* e = begin; e < end; e++) {
    CFace3d* f = e->face;
    const CVertex3d* b = e->next;
    CFace3d* across = nullptr;
    for (const Corner* g = begin; g < end && !across; g++)
      if (g->face != f && (b == v || g->previous == b || g->next == b))
        across = g->face;
    for (int k = 0; k < 3; k++)
      if (f->v(k) == v && f->v((k + 1) % 3) == b && f->v((k + 2) % 3) == e->previous)
        f->SetF(k, across);
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
  std::vector<CFace3d*> faces;
  std::vector<CVertex3d*> neighbours;
  // The touched vertices' corners, by rank, as ListCorners would find them on the new lists.
  std::vector<SCorner> fresh;
  std::vector<int> freshStart(vertices.size() + 1, 0);
  for (size_t r = 0; r < vertices.size(); r++) {
    CVertex3d* v = vertices[r];
    faces.clear();
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      if (v->GetFaceNeighbor(j)->GetFlag() != 2)
        faces.push_back(v->GetFaceNeighbor(j));
    faces.insert(faces.end(), added.begin() + start[r], added.begin() + start[r + 1]);
    StoreFaces(v, faces, &neighbours);
    for (CFace3d* f : faces)
      for (int k = 0; k < 3; k++)
        if (f->v(k) == v)
          fresh.push_back({f->v((k + 2) % 3), f, f->v((k + 1) % 3)});
    freshStart[r + 1] = static_cast<int>(fresh.size());
  }
  m_pMesh->RemoveFacesWithFlag(2);
  ReleaseRemovedVertices();
  for (size_t r = 0; r < vertices.size(); r++)
    LinkFacesFrom(vertices[r], fresh.data() + freshStart[r], fresh.data() + freshStart[r + 1]);
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
// listed, since none of its faces changed.
void CProgressiveCoder::CarryCorners(const std::vector<int>& rank, const std::vector<SCorner>& fresh,
                                     const std::vector<int>& freshStart)
{
  const int nv = m_pMesh->NbVertex();
  // Built in the buffers of the lists before, swapped in: no allocation per layer.
  std::vector<SCorner>& corners = m_CornerSpare;
  corners.clear();
  corners.reserve(m_Corners.size());
  std::vector<int>& cornerStart = m_CornerStartSpare;
  cornerStart.assign(static_cast<size_t>(nv) + 1, 0);
  m_CornerOwner.resize(static_cast<size_t>(nv));
  // A touched vertex's refusals go with its old corners.
  std::vector<SRefusals>& refusals = m_RefusalSpare;
  refusals.assign(static_cast<size_t>(nv), SRefusals{});
  const bool refused = m_Refusals.size() >= m_CornerStart.size() - 1;
  for (int i = 0; i < nv; i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    const size_t old = static_cast<size_t>(v->GetAdjacencyIndex());
    const int r = rank[old];
    if (r < 0 && refused)
      refusals[static_cast<size_t>(i)] = m_Refusals[old];
    const SCorner* first = r >= 0 ? fresh.data() + freshStart[static_cast<size_t>(r)]
                                  : m_Corners.data() + m_CornerStart[old];
    const SCorner* last = r >= 0 ? fresh.data() + freshStart[static_cast<size_t>(r) + 1]
                                 : m_Corners.data() + m_CornerStart[old + 1];
    corners.insert(corners.end(), first, last);
    cornerStart[static_cast<size_t>(i) + 1] = static_cast<int>(corners.size());
    m_CornerOwner[static_cast<size_t>(i)] = v;
    v->SetAdjacencyIndex(i);
  }
  m_Corners.swap(corners);
  m_CornerStart.swap(cornerStart);
  m_Refusals.swap(refusals);
  m_CornersValid = 0;
  m_CornersCarried = 1;
}

// From each corner of v, the faces of v holding the edge to the next corner: another one the
// same way, or two more, tangle them all.
void CProgressiveCoder::AddTangledFaces(const CVertex3d* v, const SCorner* begin, const SCorner* end)
{
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
