#include "mesh/Mesh3d.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

CMesh3d::~CMesh3d()
{
  Free();
  DeleteList();
}

void CMesh3d::Free()
{
  CElementPool<CVertex3d>::DeleteEach(m_ArrayVertex.GetData(),
                                      static_cast<size_t>(m_ArrayVertex.GetSize()));
  m_ArrayVertex.RemoveAll();
  CElementPool<CFace3d>::DeleteEach(m_ArrayFace.GetData(), static_cast<size_t>(m_ArrayFace.GetSize()));
  m_ArrayFace.RemoveAll();
  m_ArrayEdge.DeleteAll();
  m_TextureCoordinates.clear();
  m_TextureIndices.clear();
  m_DeletedVertices.Clear();
  m_DeletedFaces.Clear();
}

void CMesh3d::Copy(const CMesh3d* pSource)
{
  // Each source vertex carries its index in its scratch mark, so that faces find their
  // corners in constant time; a corner whose mark does not lead back to it is not the
  // source's, and its face stays a null slot.
  const int nbVertex = pSource->NbVertex();
  m_ArrayVertex.SetSize(nbVertex);
  for (int i = nbVertex - 1; i >= 0; i--) {
    CVertex3d* v = pSource->GetVertex(i);
    v->SetMark(i);  // backwards, so that a vertex listed twice keeps its first index
    m_ArrayVertex.SetAt(i, NewVertex(v));
  }
  auto indexOf = [pSource, nbVertex](const CVertex3d* v) {
    if (!v)
      return -1;
    const int i = v->GetMark();
    return (i >= 0 && i < nbVertex && pSource->GetVertex(i) == v) ? i : -1;
  };

  const int nbFace = pSource->NbFace();
  m_ArrayFace.SetSize(nbFace);
  for (int i = 0; i < nbFace; i++) {
    const CFace3d* f = pSource->GetFace(i);
    if (!f)
      continue;
    const int a = indexOf(f->v(0));
    const int b = indexOf(f->v(1));
    const int c = indexOf(f->v(2));
    if (a >= 0 && b >= 0 && c >= 0)
      m_ArrayFace.SetAt(i, NewFace(GetVertex(a), GetVertex(b), GetVertex(c)));
  }
  m_Transform.Copy(pSource->GetTransform());
  m_Modified = 1;
}

int CMesh3d::IsValid() const
{
  for (int i = 0; i < NbFace(); i++)
    if (!GetFace(i)->IsValid())
      return 0;
  return 1;
}

// --- removal and cleanup ---------------------------------------------------------------------

namespace {

// Deletes the faces that `gone` picks and compacts the array in order; returns how many went.
// The faces go in batches, in order, each run of them from one pool block counted off the
// block at once: the faces of a mesh lie in its blocks much in the order of the array. Inlined
// where the predicate is made, so that what it reads stays in registers across the stores.
template <class Gone>
[[gnu::always_inline]] inline int CompactFaces(CArray3d<CFace3d>* pArray, Gone gone)
{
  constexpr int kBatch = 256;
  CFace3d* batch[kBatch];
  int batched = 0;
  int kept = 0;
  const int size = pArray->GetSize();
  CFace3d** faces = pArray->GetData();
  for (int i = 0; i < size; i++) {
    CFace3d* f = faces[i];
    if (f && gone(f)) {
      batch[batched++] = f;
      if (batched == kBatch) {
        CElementPool<CFace3d>::DeleteEach(batch, kBatch);
        batched = 0;
      }
    } else {
      faces[kept++] = f;
    }
  }
  CElementPool<CFace3d>::DeleteEach(batch, static_cast<size_t>(batched));
  const int deleted = size - kept;
  if (deleted > 0)
    pArray->SetSize(kept);
  return deleted;
}

} // namespace

template <class Pred>
int CMesh3d::DeleteFacesIf(Pred pred)
{
  const int deleted = CompactFaces(&m_ArrayFace, pred);
  if (deleted > 0)
    m_Modified = 1;
  return deleted;
}

template <class Pred>
int CMesh3d::DeleteVerticesIf(Pred pred)
{
  int kept = 0;
  const int size = NbVertex();
  for (int i = 0; i < size; i++) {
    CVertex3d* v = GetVertex(i);
    if (v && pred(v))
      delete v;
    else
      m_ArrayVertex.SetAt(kept++, v);
  }
  const int deleted = size - kept;
  if (deleted > 0) {
    m_ArrayVertex.SetSize(kept);
    m_Modified = 1;
  }
  return deleted;
}

namespace {

// The marked elements are looked for among every pointer of the arrays: while they are few, a
// filter that stays in the first-level cache turns almost every other pointer away before the
// sets are asked. Past its count the sets are asked alone: the elements beyond need no bit.
constexpr std::size_t kFilteredElements = 2048;

void Note(CPointerFilter* pFilter, std::size_t marked, const void* p)
{
  if (marked > kFilteredElements)
    return;
  if (pFilter->IsEmpty())
    *pFilter = CPointerFilter(kFilteredElements);
  pFilter->Insert(p);
}

} // namespace

void CMesh3d::BeginDeferredDeletion() { m_DeferDeletion = 1; }

void CMesh3d::EndDeferredDeletion()
{
  m_DeferDeletion = 0;
  const bool filtered = !m_DeletedFilter.IsEmpty() &&
                        m_DeletedFaces.Size() + m_DeletedVertices.Size() <= kFilteredElements;
  const CPointerFilter::SView filter = m_DeletedFilter.View();
  if (!m_DeletedFaces.IsEmpty()) {
    if (filtered)
      DeleteFacesIf([this, filter](const CFace3d* f) {
        return filter.MayContain(f) && m_DeletedFaces.Contains(f) != 0;
      });
    else
      DeleteFacesIf([this](const CFace3d* f) { return m_DeletedFaces.Contains(f) != 0; });
  }
  if (!m_DeletedVertices.IsEmpty()) {
    if (filtered)
      DeleteVerticesIf([this, filter](const CVertex3d* v) {
        return filter.MayContain(v) && m_DeletedVertices.Contains(v) != 0;
      });
    else
      DeleteVerticesIf([this](const CVertex3d* v) { return m_DeletedVertices.Contains(v) != 0; });
  }
  m_DeletedFaces.Clear();
  m_DeletedVertices.Clear();
  m_DeletedFilter = CPointerFilter();
}

void CMesh3d::FlushDeferredDeletion()
{
  if (!m_DeferDeletion)
    return;
  EndDeferredDeletion();
  BeginDeferredDeletion();
}

int CMesh3d::DeleteVertex(CVertex3d* v)
{
  if (m_DeferDeletion) {
    m_Modified = 1;
    if (!m_DeletedVertices.Insert(v))
      return 0;
    Note(&m_DeletedFilter, m_DeletedFaces.Size() + m_DeletedVertices.Size(), v);
    return 1;
  }
  const int i = IndexFrom(v);
  if (i < 0)
    return 0;
  DeleteVertexAt(i);
  return 1;
}

int CMesh3d::DeleteVertexAt(int i)
{
  if (i < 0 || i >= NbVertex())
    return 0;
  if (m_DeferDeletion)
    return DeleteVertex(GetVertex(i));
  delete GetVertex(i);
  m_ArrayVertex.RemoveAt(i);
  m_Modified = 1;
  return 1;
}

int CMesh3d::DeleteFace(CFace3d* f)
{
  if (m_DeferDeletion) {
    m_Modified = 1;
    if (!m_DeletedFaces.Insert(f))
      return 0;
    Note(&m_DeletedFilter, m_DeletedFaces.Size() + m_DeletedVertices.Size(), f);
    return 1;
  }
  const int i = IndexFrom(f);
  if (i < 0)
    return 0;
  delete f;
  m_ArrayFace.RemoveAt(i);
  m_Modified = 1;
  return 1;
}

void CMesh3d::SetFaceCount(int n)
{
  m_ArrayFace.SetSize(n);
  m_Modified = 1;
}

int CMesh3d::DeleteFacesWithFlag(int flag)
{
  return DeleteFacesIf([flag](const CFace3d* f) { return f->GetFlag() == flag; });
}

int CMesh3d::DeleteFacesWithVertex(const CVertex3d* v)
{
  return DeleteFacesIf([v](const CFace3d* f) { return f->HasVertex(v) != 0; });
}

int CMesh3d::DeleteFacesWithNullVertex()
{
  return DeleteFacesIf([](const CFace3d* f) { return f->HasNullVertex() != 0; });
}

int CMesh3d::DeleteFacesWithNeighborCount(int n)
{
  return DeleteFacesIf([n](const CFace3d* f) { return f->NbFaceNeighbor() == n; });
}

int CMesh3d::TruncateFacesAtNullVertex()
{
  int first = -1;
  for (int i = 0; i < NbFace() && first < 0; i++)
    if (GetFace(i) && GetFace(i)->HasNullVertex())
      first = i;
  if (first < 0)
    return 0;
  const int deleted = NbFace() - first;
  for (int i = first; i < NbFace(); i++)
    delete GetFace(i);
  m_ArrayFace.SetSize(first);
  m_Modified = 1;
  return deleted;
}

int CMesh3d::DeleteInvalidFaces()
{
  for (;;) {
    int invalid = -1;
    for (int i = 0; i < NbFace() && invalid < 0; i++)
      if (!GetFace(i)->IsValid())
        invalid = i;
    if (invalid < 0)
      return 0;
    DeleteFace(GetFace(invalid));
    BuildAdjacency();
  }
}

int CMesh3d::RemoveVerticesWithFlag(int flag)
{
  return DeleteVerticesIf([flag](const CVertex3d* v) { return v->GetFlag() == flag; });
}

int CMesh3d::RemoveFacesWithFlag(int flag)
{
  return DeleteFacesWithFlag(flag);
}

int CMesh3d::RemoveUnusedVertices()
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->SetFlag(0);
  for (int i = 0; i < NbFace(); i++)
    for (int k = 0; k < 3; k++)
      if (CVertex3d* v = GetFace(i)->v(k))
        v->SetFlag(1);
  return DeleteVerticesIf([](const CVertex3d* v) { return v->GetFlag() == 0; });
}

int CMesh3d::RemoveCollapsedFaces()
{
  return DeleteFacesIf([](const CFace3d* f) { return f->IsCollapsed() != 0; });
}

namespace {
struct SCornerKey
{
  std::array<const CVertex3d*, 3> corner;
  bool operator==(const SCornerKey&) const = default;
};

struct SCornerHash
{
  size_t operator()(const SCornerKey& key) const
  {
    size_t h = 0;
    for (const CVertex3d* p : key.corner)
      h = h * 1000003u ^ std::hash<const CVertex3d*>()(p);
    return h;
  }
};

// Exact position, with -0 and +0 the same point.
struct SPositionKey
{
  float x, y, z;
  bool operator==(const SPositionKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct SPositionHash
{
  size_t operator()(const SPositionKey& key) const
  {
    size_t h = 0;
    for (float value : {key.x, key.y, key.z}) {
      value = value == 0.0f ? 0.0f : value;
      std::uint32_t bits = 0;
      std::memcpy(&bits, &value, sizeof bits);
      h = h * 1000003u ^ bits;
    }
    return h;
  }
};
} // namespace

int CMesh3d::RemoveDuplicatedFaces()
{
  std::unordered_set<SCornerKey, SCornerHash> seen;
  seen.reserve(static_cast<size_t>(NbFace()));
  return DeleteFacesIf([&seen](const CFace3d* f) {
    SCornerKey key{{f->v(0), f->v(1), f->v(2)}};
    std::sort(key.corner.begin(), key.corner.end());
    return !seen.insert(key).second;
  });
}

int CMesh3d::RemoveDuplicatedVertices()
{
  // Each vertex maps to the first one at its position; faces move to it before the rest go.
  std::unordered_map<SPositionKey, CVertex3d*, SPositionHash> first;
  std::unordered_map<const CVertex3d*, CVertex3d*> keptOf;
  first.reserve(static_cast<size_t>(NbVertex()));
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    const auto [it, inserted] = first.emplace(SPositionKey{v->x(), v->y(), v->z()}, v);
    if (!inserted)
      keptOf.emplace(v, it->second);
  }
  if (keptOf.empty())
    return 0;
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    for (int k = 0; k < 6; k++) {
      const auto it = keptOf.find(f->v(k));
      if (it != keptOf.end())
        f->SetVertex(k, it->second);
    }
  }
  const int deleted =
    DeleteVerticesIf([&keptOf](const CVertex3d* v) { return keptOf.count(v) > 0; });
  // The adjacency lists named the deleted vertices.
  BuildAdjacency();
  return deleted;
}

int CMesh3d::RemoveIsolatedVertices()
{
  // A vertex that a face still uses stays, whatever its (possibly stale) lists say.
  std::unordered_set<const CVertex3d*> used;
  for (int i = 0; i < NbFace(); i++)
    for (int k = 0; k < 3; k++)
      used.insert(GetFace(i)->v(k));
  DeleteVerticesIf([&used](const CVertex3d* v) {
    return (v->NbFaceNeighbor() == 0 || v->NbVertexNeighbor() == 0) && !used.count(v);
  });
  return 1;
}

int CMesh3d::Cleanup()
{
  BuildAdjacency();
  RemoveIsolatedVertices();
  RemoveDuplicatedFaces();
  BuildAdjacency();
  DeleteInvalidFaces();
  BuildAdjacency();
  ComputeFaceNormals();
  ComputeVertexNormals();
  m_Modified = 1;
  return 1;
}

int CMesh3d::Check()
{
  BuildAdjacency();
  return 1;
}
