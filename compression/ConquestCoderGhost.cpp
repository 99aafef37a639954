#include "compression/ConquestCoder.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Prefetch.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {
// Keeps the elements of the array that the predicate does not take, in order.
template <class Array, class Pred>
void RemoveIf(Array* pArray, Pred pred)
{
  int kept = 0;
  for (int i = 0; i < pArray->GetSize(); i++)
    if (!pred(pArray->GetAt(i)))
      pArray->SetAt(kept++, pArray->GetAt(i));
  pArray->SetSize(kept);
}

// The faces round one vertex, by their place in its face list: each face, its corners after
// and before the vertex, the face the fan turns to from it (the first that can follow it) and
// the count of faces that turn to it. Kept from one vertex to the next.
struct SFan
{
  std::vector<const CFace3d*> face;
  std::vector<const CVertex3d*> after;
  std::vector<const CVertex3d*> before;
  std::vector<int> next;
  std::vector<int> leadsIn;
};

// 1 when the faces around v form one fan, closed or open: the ghost then closes v's gap with
// one edge. Two fans (a pinch) would hang two gaps on that one edge.
int HasOneFan(const CVertex3d* v, const CVertex3d* pGhost, SFan& fan)
{
  // Each face read once, those holding the ghost left out. A face that does not hold v turns
  // from its corner 0 to its corner 1.
  fan.face.clear();
  fan.after.clear();
  fan.before.clear();
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    const CFace3d* f = v->GetFaceNeighbor(i);
    const CVertex3d* a = f->v(0);
    const CVertex3d* b = f->v(1);
    const CVertex3d* c = f->v(2);
    if (pGhost && (a == pGhost || b == pGhost || c == pGhost))
      continue;
    fan.face.push_back(f);
    fan.after.push_back(a == v ? b : (b == v ? c : a));
    fan.before.push_back(a == v ? c : (b == v ? a : b));
  }
  const int n = static_cast<int>(fan.face.size());
  if (n == 0)
    return 1;
  const size_t size = static_cast<size_t>(n);
  fan.next.resize(size);
  fan.leadsIn.resize(size);
  // The fan turns from face i to the first face j holding its edge (v, before): after[j] is
  // before[i]; a fan with a gap starts where no face leads in. The pairs are compared without
  // a branch: which of them match follows no pattern.
  for (size_t i = 0; i < size; i++) {
    const CVertex3d* pBefore = fan.before[i];
    int next = -1;
    for (size_t j = size; j-- > 0;) {
      const int match = -static_cast<int>(fan.after[j] == pBefore);
      next = (next & ~match) | (static_cast<int>(j) & match);
    }
    fan.next[i] = next;
  }
  for (size_t j = 0; j < size; j++) {
    const CVertex3d* pAfter = fan.after[j];
    int leadsIn = 0;
    for (size_t i = 0; i < size; i++)
      leadsIn += fan.before[i] == pAfter ? 1 : 0;
    fan.leadsIn[j] = leadsIn;
  }
  int start = 0;
  for (int i = 0; i < n; i++) {
    if (fan.leadsIn[static_cast<size_t>(i)] > 1)
      return 0;
    if (fan.leadsIn[static_cast<size_t>(i)] == 0)
      start = i;
  }
  // A face listed twice is one face: the walk ends on meeting the start's face again.
  const CFace3d* pStart = fan.face[static_cast<size_t>(start)];
  int count = 1;
  for (int i = fan.next[static_cast<size_t>(start)]; i >= 0 && fan.face[static_cast<size_t>(i)] != pStart && count <= n;
       i = fan.next[static_cast<size_t>(i)])
    count++;
  return count == n ? 1 : 0;
}
} // namespace

int CConquestCoder::CanCloseBoundaries(const CMesh3d* pMesh, const CVertex3d* pGhost)
{
  // The faces of a vertex lie anywhere in memory: those of the vertex two ahead are asked
  // for while this one's are compared.
  constexpr int kAhead = 2;
  SFan fan;
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    if (i + kAhead < pMesh->NbVertex()) {
      const CVertex3d* pAhead = pMesh->GetVertex(i + kAhead);
      for (int k = 0; k < pAhead->NbFaceNeighbor(); k++)
        PrefetchWhole(pAhead->GetFaceNeighbor(k));
    }
    const CVertex3d* v = pMesh->GetVertex(i);
    if (v != pGhost && !HasOneFan(v, pGhost, fan))
      return 0;
  }
  return 1;
}

int CConquestCoder::HasOneFanEach() const
{
  if (m_Mesh.IsFiledFromSides()) {
    // Each vertex's faces, the ghost's included, close round it. A vertex of the mesh closes
    // them in one fan just when its own form one, open or closed: the ghost's faces at a
    // vertex of one gap follow one another across its edge to the ghost.
    const int ghost = m_pGhostVertex ? m_Mesh.IndexOf(m_pGhostVertex) : -1;
    const std::vector<int>& split = m_Mesh.GetSplitFans();
    if (std::all_of(split.begin(), split.end(), [ghost](int v) { return v == ghost; }))
      return 1;
  }
  return CanCloseBoundaries(m_pMesh, m_pGhostVertex);
}

void CConquestCoder::ForgetGhostVertex()
{
  m_pGhostVertex = nullptr;
  m_ArrayGhostFace.RemoveAll();
  m_ArrayBoundaryFace.RemoveAll();
  m_ArrayBoundaryVertex.RemoveAll();
  m_BoundaryEdgeIndex.clear();
}

int CConquestCoder::AddGhostVertex()
{
  ForgetGhostVertex();
  m_pMesh->SetVerticesFlag(0);

  // The boundary vertices are the ends of the face sides without a neighbour face: one pass
  // over the faces flags them (3), rather than a walk round every vertex, and keeps the
  // sides, face by face, for the ghost faces.
  const int nbFace = m_pMesh->NbFace();
  std::vector<std::pair<CFace3d*, int>> borderSides;
  for (int i = 0; i < nbFace; i++) {
    CFace3d* f = m_pMesh->GetFace(i);
    for (int k = 0; k < 3; k++)
      if (!f->f(k)) {
        f->v(k)->SetFlag(3);
        f->v(k + 1 == 3 ? 0 : k + 1)->SetFlag(3);
        borderSides.emplace_back(f, k);
      }
  }
  // A closed mesh flagged no vertex: the pass over the vertices would find none.
  if (borderSides.empty())
    return 0;
  // Each boundary vertex comes once: its flag is cleared here.
  std::vector<CVertex3d*> boundary;
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    if (v->GetFlag() == 3) {
      v->SetFlag(0);
      boundary.push_back(v);
    }
  }
  return CloseBorders(borderSides, boundary);
}

int CConquestCoder::AddGhostToTable()
{
  // The table's pass over the faces found the border sides; their ends, by number, are the
  // boundary vertices in the order of the vertex array, as AddGhostVertex finds them.
  const std::vector<int>& sides = m_Mesh.GetBorderSides();
  if (sides.empty())
    return 0;
  std::vector<std::uint8_t> onBorder(static_cast<size_t>(m_Mesh.GetNbVertex()), 0);
  std::vector<std::pair<CFace3d*, int>> borderSides;
  borderSides.reserve(sides.size());
  for (const int side : sides) {
    CFace3d* f = m_Mesh.GetFace(side / 3);
    const int k = side % 3;
    borderSides.emplace_back(f, k);
    for (const int c : {k, k + 1 == 3 ? 0 : k + 1}) {
      const int v = m_Mesh.GetCorner(side / 3, c);
      if (v >= 0)
        onBorder[static_cast<size_t>(v)] = 1;
    }
  }
  std::vector<CVertex3d*> boundary;
  std::vector<int> numbers;
  for (size_t v = 0; v < onBorder.size(); v++)
    if (onBorder[v]) {
      boundary.push_back(m_Mesh.GetVertex(static_cast<int>(v)));
      numbers.push_back(static_cast<int>(v));
    }
  if (!CloseBorders(borderSides, boundary))
    return 0;
  // The faces' links used the boundary vertices' marks: they are their numbers again.
  for (size_t i = 0; i < boundary.size(); i++)
    boundary[i]->SetMark(numbers[i]);
  m_Mesh.AddGhost(m_pGhostVertex, {m_ArrayGhostFace.GetData(), static_cast<size_t>(m_ArrayGhostFace.GetSize())},
                  numbers);
  return 1;
}

int CConquestCoder::CloseBorders(const std::vector<std::pair<CFace3d*, int>>& borderSides,
                                 const std::vector<CVertex3d*>& boundary)
{
  // None when every end lies outside the vertex array.
  if (boundary.empty())
    return 0;
  m_pGhostVertex = new CVertex3d;
  m_pMesh->AddVertex(m_pGhostVertex);
  m_pGhostVertex->SetFlag(2);
  const int nbBoundary = static_cast<int>(boundary.size());
  m_ArrayBoundaryVertex.SetSize(nbBoundary);
  double sum[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < nbBoundary; i++) {
    CVertex3d* v = boundary[static_cast<size_t>(i)];
    // Each boundary vertex comes once: appended without the search for a repeat, which
    // would cost the ghost's growing list at every vertex.
    m_pGhostVertex->GetArrayVertexNeighbor()->Add(v);
    v->AddNeighbor(m_pGhostVertex);
    m_ArrayBoundaryVertex.SetAt(i, v);
    sum[0] += v->x();
    sum[1] += v->y();
    sum[2] += v->z();
  }
  const double count = m_ArrayBoundaryVertex.GetSize();
  m_pGhostVertex->Set(static_cast<float>(sum[0] / count), static_cast<float>(sum[1] / count),
                      static_cast<float>(sum[2] / count));

  // One ghost face on every boundary edge, oriented against the face it closes. The arrays
  // are sized once: grown a face at a time, they would be copied over and over.
  const int nbGhostFace = static_cast<int>(borderSides.size());
  m_ArrayGhostFace.SetSize(nbGhostFace);
  m_ArrayBoundaryFace.SetSize(nbGhostFace);
  m_BoundaryEdgeIndex.reserve(borderSides.size());
  for (int i = 0; i < nbGhostFace; i++) {
    const auto [f, k] = borderSides[static_cast<size_t>(i)];
    auto* pGhostFace = new CFace3d(f->v(k), m_pGhostVertex, f->v(k + 1 == 3 ? 0 : k + 1));
    m_ArrayGhostFace.SetAt(i, pGhostFace);
    m_ArrayBoundaryFace.SetAt(i, f);
    m_BoundaryEdgeIndex.push_back(static_cast<unsigned int>(k));
    m_pGhostVertex->GetArrayFaceNeighbor()->Add(pGhostFace);
    pGhostFace->v(0)->AddFaceNeighbor(pGhostFace);
    pGhostFace->v(2)->AddFaceNeighbor(pGhostFace);
    f->SetF(k, pGhostFace);
    pGhostFace->SetF(2, f);
  }
  m_pMesh->GetArrayFace()->Append(nbGhostFace, [this](int i) { return m_ArrayGhostFace[i]; });
  m_pMesh->SetModified();

  // Ghost faces (a, ghost, b) meet across their edges to the ghost: edge 0 with the face
  // that ends at a, edge 1 with the face that starts at b (the first such face). Each end has
  // a place, which its mark holds for now: the boundary vertices theirs among them, and an end
  // the mesh's array does not list (so not collected above) the next one free.
  std::vector<CVertex3d*> ends(m_ArrayBoundaryVertex.GetData(), m_ArrayBoundaryVertex.GetData() + nbBoundary);
  for (int i = 0; i < nbBoundary; i++)
    ends[static_cast<size_t>(i)]->SetMark(i);
  const auto placeOf = [&ends](CVertex3d* v) {
    const int i = v->GetMark();
    if (i >= 0 && static_cast<size_t>(i) < ends.size() && ends[static_cast<size_t>(i)] == v)
      return static_cast<size_t>(i);
    v->SetMark(static_cast<int>(ends.size()));
    ends.push_back(v);
    return ends.size() - 1;
  };
  std::vector<CFace3d*> startsAt(ends.size(), nullptr);
  std::vector<CFace3d*> endsAt(ends.size(), nullptr);
  for (int i = 0; i < m_ArrayGhostFace.GetSize(); i++) {
    CFace3d* f = m_ArrayGhostFace[i];
    const size_t a = placeOf(f->v(0));
    const size_t b = placeOf(f->v(2));
    startsAt.resize(ends.size(), nullptr);
    endsAt.resize(ends.size(), nullptr);
    startsAt[a] = startsAt[a] ? startsAt[a] : f;
    endsAt[b] = endsAt[b] ? endsAt[b] : f;
  }
  for (int i = 0; i < m_ArrayGhostFace.GetSize(); i++) {
    CFace3d* f = m_ArrayGhostFace[i];
    f->SetF(0, endsAt[placeOf(f->v(0))]);
    f->SetF(1, startsAt[placeOf(f->v(2))]);
  }
  return 1;
}

int CConquestCoder::RemoveGhostVertex()
{
  if (!m_pGhostVertex)
    return 0;
  // Everything goes by identity: a vertex on two boundary loops holds four ghost faces.
  const std::unordered_set<const CFace3d*> ghostFaces(m_ArrayGhostFace.GetData(),
                                                      m_ArrayGhostFace.GetData() + m_ArrayGhostFace.GetSize());
  const auto isGhostFace = [&ghostFaces](const CFace3d* f) { return ghostFaces.count(f) != 0; };
  // The ghost's faces and the ghost itself were added last, and stand there still unless the
  // arrays were changed since: then they are cut off rather than searched for.
  CArray3d<CFace3d>* pFaces = m_pMesh->GetArrayFace();
  const int nbGhostFace = m_ArrayGhostFace.GetSize();
  const int firstGhostFace = pFaces->GetSize() - nbGhostFace;
  bool facesLast = firstGhostFace >= 0;
  for (int i = 0; facesLast && i < nbGhostFace; i++)
    facesLast = pFaces->GetAt(firstGhostFace + i) == m_ArrayGhostFace[i];
  if (facesLast)
    pFaces->SetSize(firstGhostFace);
  else
    RemoveIf(pFaces, isGhostFace);
  CArray3d<CVertex3d>* pVertices = m_pMesh->GetArrayVertex();
  if (pVertices->GetSize() > 0 && pVertices->GetAt(pVertices->GetSize() - 1) == m_pGhostVertex)
    pVertices->SetSize(pVertices->GetSize() - 1);
  else
    RemoveIf(pVertices, [this](const CVertex3d* v) { return v == m_pGhostVertex; });
  for (int i = 0; i < m_ArrayBoundaryVertex.GetSize(); i++) {
    CVertex3d* v = m_ArrayBoundaryVertex[i];
    v->RemoveVertexNeighbor(m_pGhostVertex);
    RemoveIf(v->GetArrayFaceNeighbor(), isGhostFace);
  }
  for (int i = 0; i < m_ArrayBoundaryFace.GetSize(); i++) {
    CFace3d* f = m_ArrayBoundaryFace[i];
    const int k = static_cast<int>(m_BoundaryEdgeIndex[static_cast<size_t>(i)]);
    if (isGhostFace(f->f(k)))
      f->SetF(k, nullptr);
  }
  PurgeGhostFromLists();
  m_ArrayGhostFace.DeleteAll();
  delete m_pGhostVertex;
  m_pGhostVertex = nullptr;
  m_ArrayBoundaryFace.RemoveAll();
  m_ArrayBoundaryVertex.RemoveAll();
  m_BoundaryEdgeIndex.clear();
  // The mesh's own edges were left alone (the conquest's table stands in for them), so none
  // goes to the ghost and there is nothing to rebuild.
  m_pMesh->SetModified();
  return 1;
}

void CConquestCoder::PurgeGhostFromLists()
{
  for (const auto& pList : m_Stack) {
    for (auto it = pList->GetHeadPosition(); !pList->IsNull(it);) {
      auto next = it;
      ++next;
      if (*it == m_pGhostVertex)
        pList->RemoveAt(it);
      it = next;
    }
  }
}
