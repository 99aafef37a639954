// Layer decimation of the progressive coder: the gate conquest that removes vertices and
// retriangulates their holes, with the vetoes on each removal.
#include "compression/ProgressiveCoder.h"
#include "compression/ProgressivePattern.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/PointerFilter.h"
#include "mesh/PointerSet.h"
#include "mesh/Prefetch.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Random.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <span>
#include <vector>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

using Point = std::array<double, 3>;

Point P(const CVertex3d* v) { return {v->x(), v->y(), v->z()}; }
Point Sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point Cross(const Point& a, const Point& b)
{
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Length(const Point& a) { return std::sqrt(Dot(a, a)); }

Point Unit(Point n)
{
  const double len = Length(n);
  if (len > 0)
    n = {n[0] / len, n[1] / len, n[2] / len};
  return n;
}

Point UnitNormal(const Point& a, const Point& b, const Point& c)
{
  return Unit(Cross(Sub(b, a), Sub(c, a)));
}

// Squared distance from p to the segment [a, b].
double SquaredDistanceToSegment(const Point& p, const Point& a, const Point& b)
{
  const Point ab = Sub(b, a);
  const double len2 = Dot(ab, ab);
  double t = len2 > 0 ? Dot(Sub(p, a), ab) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const Point q{a[0] + t * ab[0], a[1] + t * ab[1], a[2] + t * ab[2]};
  const Point d = Sub(p, q);
  return Dot(d, d);
}

// Squared distance from p to the triangle (a, b, c).
double SquaredDistanceToTriangle(const Point& p, const Point& a, const Point& b, const Point& c)
{
  const Point n = UnitNormal(a, b, c);
  if (Length(n) > 0) {
    const double h = Dot(Sub(p, a), n);
    const Point q{p[0] - h * n[0], p[1] - h * n[1], p[2] - h * n[2]};
    const bool inside = Dot(Cross(Sub(b, a), Sub(q, a)), n) >= 0 &&
                        Dot(Cross(Sub(c, b), Sub(q, b)), n) >= 0 &&
                        Dot(Cross(Sub(a, c), Sub(q, c)), n) >= 0;
    if (inside)
      return h * h;
  }
  return std::min({SquaredDistanceToSegment(p, a, b), SquaredDistanceToSegment(p, b, c),
                   SquaredDistanceToSegment(p, c, a)});
}

// Distance from p to the line through a and b.
double DistanceToLine(const Point& p, const Point& a, const Point& b)
{
  const Point ab = Sub(b, a);
  const double len = Length(ab);
  if (len == 0)
    return Length(Sub(p, a));
  return Length(Cross(ab, Sub(p, a))) / len;
}

double SignedVolume(const Point& p0, const Point& p1, const Point& p2)
{
  return Dot(p0, Cross(Sub(p1, p0), Sub(p2, p0)));
}

// CFace3d::IndexFrom and GetVertexOther, inlined: the patch walk calls them for every face.
int CornerOf(const CFace3d* f, const CVertex3d* p)
{
  return f->v(0) == p ? 0 : f->v(1) == p ? 1 : f->v(2) == p ? 2 : -1;
}

CVertex3d* OtherCorner(const CFace3d* f, const CVertex3d* a, const CVertex3d* b)
{
  for (int i = 0; i < 3; i++)
    if (f->v(i) != a && f->v(i) != b)
      return f->v(i);
  return nullptr;
}

// The low halves of the previous and next vertices of up to eight corners, four to a register:
// compared with a vertex's at once, they give the corners that may hold it, a superset of
// those that do (the full pointers tell).
struct SLowHalves
{
  static constexpr int kSize = 8;
  alignas(16) std::uint32_t previous[kSize] = {};
  alignas(16) std::uint32_t next[kSize] = {};
};

std::uint32_t LowHalf(const void* p)
{
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

// Bit i set where corner i's previous or next vertex has the low half x.
unsigned MayHold(const SLowHalves& h, std::uint32_t x)
{
#if defined(__x86_64__)
  const __m128i key = _mm_set1_epi32(static_cast<int>(x));
  const auto* previous = reinterpret_cast<const __m128i*>(h.previous);
  const auto* next = reinterpret_cast<const __m128i*>(h.next);
  const __m128i low = _mm_or_si128(_mm_cmpeq_epi32(_mm_load_si128(previous), key),
                                   _mm_cmpeq_epi32(_mm_load_si128(next), key));
  const __m128i high = _mm_or_si128(_mm_cmpeq_epi32(_mm_load_si128(previous + 1), key),
                                    _mm_cmpeq_epi32(_mm_load_si128(next + 1), key));
  return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(low))) |
         static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(high))) << 4;
#else
  unsigned mask = 0;
  for (int i = 0; i < SLowHalves::kSize; i++)
    mask |= static_cast<unsigned>((h.previous[i] == x) | (h.next[i] == x)) << i;
  return mask;
#endif
}

// Position among the corners [c, c + size) of the first whose previous vertex is `second`, -1
// without one. The conquest asks in an order that no predictor follows: a list that fits the
// window, and whose window stays before `limit`, is compared whole without a branch on where
// the match lies, last corner first so that the first match is the one left.
template <class Corner>
[[gnu::always_inline]] inline int FirstCornerFrom(const Corner* c, int size, const Corner* limit,
                                                  const CVertex3d* second)
{
  constexpr int kWindow = 8;
  if (size > kWindow || c + kWindow > limit) {
    for (int i = 0; i < size; i++)
      if (c[i].previous == second)
        return i;
    return -1;
  }
  int found = kWindow;
  for (int k = kWindow - 1; k >= 0; k--)
    found = c[k].previous == second ? k : found;
  return found < size ? found : -1;
}

// The conquest reads each gate's corners, front face and front vertex in turn, scattered over
// the mesh: they are fetched some gates ahead of the head, so that the reads overlap. The
// corner lists do not change within a layer: a front corner found early is the one found in
// turn.
template <class Corner, class Span>
[[gnu::always_inline]] inline void LookAheadOf(CProgressiveGate* gates, size_t head, size_t size,
                                               const Corner* corners, const Corner* limit,
                                               const Span* spans)
{
  constexpr size_t kFar = 16;
  constexpr size_t kNear = 8;
  if (head + kFar < size) {
    const int id = gates[head + kFar].GetFirstIndex();
    // Every line the front corner search reads (it compares up to 8 corners).
    if (id >= 0) {
      const char* begin = reinterpret_cast<const char*>(corners + spans[id].begin);
      const char* end = begin + 8 * sizeof(Corner);
      for (const char* p = begin; p < end; p += 64)
        __builtin_prefetch(p);
      __builtin_prefetch(end - 1);
    }
  }
  if (head + kNear >= size)
    return;
  CProgressiveGate& g = gates[head + kNear];
  const int id = g.GetFirstIndex();
  if (id < 0)
    return;
  const Span span = spans[id];
  const int k = FirstCornerFrom(corners + span.begin, span.end - span.begin, limit, g.GetSecond());
  if (k < 0) {
    g.SetFrontCorner(CProgressiveGate::kNoFront);
    return;
  }
  g.SetFrontCorner(span.begin + k);
  const Corner& c = corners[span.begin + k];
  // The gate reads only the face's flag, which the line at 64 bytes in holds; of the vertex,
  // both lines (its index and flag sit in the first, its valence and mark in the second).
  const char* face = reinterpret_cast<const char*>(c.face);
  const char* next = reinterpret_cast<const char*>(c.next);
  __builtin_prefetch(face + 64);
  __builtin_prefetch(next);
  __builtin_prefetch(next + 64);
}

const unsigned char kCauseColours[7][3] = {{255, 255, 153}, {102, 255, 153}, {255, 103, 103},
                                           {220, 220, 220}, {255, 153, 51},  {255, 153, 255},
                                           {121, 123, 221}};

} // namespace

// The gate keeps a's own corner list, or none: lists do not change within a layer, so the
// owner need not be checked again when the gate's turn comes.
void CProgressiveCoder::PushGate(CVertex3d* a, CVertex3d* b)
{
  m_Gates.emplace_back(a, b, CornerListOf(a, a->GetAdjacencyIndex()));
}

CFace3d* CProgressiveCoder::FrontFace(CVertex3d* first, CVertex3d* second) const
{
  const int id = first->GetAdjacencyIndex();
  if (!m_CornersValid || id < 0 || id >= static_cast<int>(m_CornerOwner.size()) ||
      m_CornerOwner[static_cast<size_t>(id)] != first)
    return CProgressiveGate(first, second).GetFrontFace();
  for (const SCorner* c = CornersBegin(id); c < CornersEnd(id); c++)
    if (c->previous == second)
      return c->face;
  return nullptr;
}

// The corner at first holds first and second before it: the face's other vertex is the one
// after, unless that repeats one of them.
CFace3d* CProgressiveCoder::FrontFace(CVertex3d* first, CVertex3d* second, CVertex3d** pOther,
                                     int firstIndex) const
{
  return FrontFaceAt(first, second, pOther, FrontCorner(first, second, firstIndex));
}

// The owners are read only where some vertex does not own the list of its index.
int CProgressiveCoder::OwnedCornerListOf(const CVertex3d* first, int firstIndex) const
{
  auto owns = [this, first](int id) {
    return id >= 0 && id < static_cast<int>(m_CornerOwner.size()) &&
           m_CornerOwner[static_cast<size_t>(id)] == first;
  };
  const int id = owns(firstIndex) ? firstIndex : first->GetAdjacencyIndex();
  return owns(id) ? id : -1;
}

int CProgressiveCoder::FrontCorner(const CVertex3d* first, const CVertex3d* second,
                                   int firstIndex) const
{
  const int id = CornerListOf(first, firstIndex);
  if (id < 0)
    return CProgressiveGate::kUnresolved;
  const SCornerSpan span = m_CornerSpan[static_cast<size_t>(id)];
  const int k = FirstCornerFrom(m_Corners.data() + span.begin, span.end - span.begin,
                                m_Corners.data() + m_Corners.size(), second);
  return k < 0 ? CProgressiveGate::kNoFront : span.begin + k;
}

CFace3d* CProgressiveCoder::FrontFaceAt(CVertex3d* first, CVertex3d* second, CVertex3d** pOther,
                                       int corner) const
{
  *pOther = nullptr;
  if (corner == CProgressiveGate::kNoFront)
    return nullptr;
  if (corner == CProgressiveGate::kUnresolved) {
    CFace3d* pFace = CProgressiveGate(first, second).GetFrontFace();
    if (pFace)
      *pOther = pFace->GetVertexOther(first, second);
    return pFace;
  }
  const SCorner& c = m_Corners[static_cast<size_t>(corner)];
  if (c.next != first && c.next != second)
    *pOther = c.next;
  return c.face;
}

void CProgressiveCoder::LookAhead()
{
  LookAheadOf(m_Gates.data(), m_GateHead, m_Gates.size(), m_Corners.data(),
              m_Corners.data() + m_Corners.size(), m_CornerSpan.data());
}

// Once per layer, when no view may rebuild the adjacency halfway. A face that holds the vertex
// at two corners is listed at both, next to each other: it is found from either.
void CProgressiveCoder::ListCorners()
{
  m_CornersValid = 0;
  m_CornersComplete = 0;
  m_CornersCarried = 0;
  if (m_pView)
    return;
  const int nv = m_pMesh->NbVertex();
  m_CornerOwner.assign(static_cast<size_t>(nv), nullptr);
  std::vector<char> shared(static_cast<size_t>(nv), 0);
  int complete = 1;
  for (int i = 0; i < nv; i++) {
    const CVertex3d* v = m_pMesh->GetVertex(i);
    const int id = v->GetAdjacencyIndex();
    if (id < 0 || id >= nv) {
      complete = 0;
      continue;
    }
    if (m_CornerOwner[static_cast<size_t>(id)]) {
      shared[static_cast<size_t>(id)] = 1;
      complete = 0;
    }
    m_CornerOwner[static_cast<size_t>(id)] = v;
  }
  m_Corners.clear();
  // Every face gives a corner to each of its distinct vertices: three, but for a face that
  // repeats one.
  m_Corners.reserve(3 * static_cast<size_t>(m_pMesh->NbFace()));
  m_CornerSpan.assign(static_cast<size_t>(nv), SCornerSpan{});
  m_CornerWaste = 0;
  for (int id = 0; id < nv; id++)
    if (shared[static_cast<size_t>(id)])
      m_CornerOwner[static_cast<size_t>(id)] = nullptr;
  // The faces lie apart and each is read where its corners and its layout flag sit: both
  // lines of a vertex's faces are fetched some vertices ahead, and the face pointers read then
  // are kept for the vertex's turn (those of a list longer than the room are read again).
  constexpr int kAhead = 4;
  static constexpr int kSlots = 8;
  static constexpr int kRoom = 16;
  std::array<std::array<CFace3d*, kRoom>, kSlots> ahead;
  auto fetch = [this, &ahead](int id) {
    const CVertex3d* w = m_CornerOwner[static_cast<size_t>(id)];
    if (!w)
      return;
    std::array<CFace3d*, kRoom>& slot = ahead[static_cast<size_t>(id & (kSlots - 1))];
    const int n = std::min(w->NbFaceNeighbor(), kRoom);
    for (int j = 0; j < n; j++) {
      CFace3d* f = w->GetFaceNeighbor(j);
      slot[static_cast<size_t>(j)] = f;
      __builtin_prefetch(f);
      __builtin_prefetch(reinterpret_cast<const char*>(f) + sizeof(CFace3d) - 1);
    }
  };
  for (int id = 0; id < std::min(kAhead, nv); id++)
    fetch(id);
  for (int id = 0; id < nv; id++) {
    if (id + kAhead < nv)
      fetch(id + kAhead);
    SCornerSpan& span = m_CornerSpan[static_cast<size_t>(id)];
    span.begin = static_cast<int>(m_Corners.size());
    if (const CVertex3d* v = m_CornerOwner[static_cast<size_t>(id)])
      for (int j = 0; j < v->NbFaceNeighbor(); j++) {
        CFace3d* f = j < kRoom ? ahead[static_cast<size_t>(id & (kSlots - 1))][static_cast<size_t>(j)]
                               : v->GetFaceNeighbor(j);
        CVertex3d* const w[3] = {f->v(0), f->v(1), f->v(2)};
        for (int k = 0; k < 3; k++)
          if (w[k] == v)
            m_Corners.push_back({w[(k + 2) % 3], f, w[(k + 1) % 3]});
      }
    span.end = static_cast<int>(m_Corners.size());
  }
  ForgetRefusals(static_cast<size_t>(nv));
  m_CornersValid = 1;
  m_CornersComplete = complete;
}

void CProgressiveCoder::ClearGates()
{
  m_Gates.clear();
  m_GateHead = 0;
}

int CProgressiveCoder::EncodeLayer(CMesh3d* pMesh, int gateType, int maxValence)
{
  m_pMesh = pMesh;
  m_HasBoundary = pMesh->HasBoundary();
  // The caller may have changed the mesh since the last layer.
  m_CornersCarried = 0;
  FindTangledFaces();
  // Every layer's codes are kept here, those of a layer that removes nothing too.
  m_GateType = gateType;
  m_MaxValence = maxValence;
  const int removed = RunLayer();
  NumberVertices();
  return removed;
}

// The layers of an encoding: one that removes nothing leaves the stream, so its codes are
// not needed.
int CProgressiveCoder::EncodeLayer(int gateType, int maxValence)
{
  m_GateType = gateType;
  m_MaxValence = maxValence;
  return RunLayer(true);
}

// The conquest of one layer; with removal applied, the removed vertices and their faces leave
// the mesh. Returns the number of vertices removed. Their geometry waits until every layer is
// known, to be predicted as the decoder will (Encode). With skipBarren, a layer that cannot
// remove anything is not walked: its codes stay empty.
int CProgressiveCoder::RunLayer(bool skipBarren)
{
  InitLayer();
  const bool barren = skipBarren && IsLayerBarren();
  m_BarrenLayers += barren ? 1 : 0;
  // Judging in full walks it all the same; checking, walks it and counts a removal found.
  if (!barren || m_RefusalMode != 0) {
    while (EncodeStep()) {
    }
  }
  if (barren && m_RefusalMode == 2 && m_pCurrentGeometry->NbRecord() > 0)
    m_BarrenMismatches++;
  DumpHook(m_pCurrentCodes, "");
  const bool update = m_ApplyRemoval && CanUpdateAdjacency();
  // Each removal flags its vertex 2 and leaves one record.
  const int removed = m_pCurrentGeometry->NbRecord();
  if (!m_ApplyRemoval) {
    m_CornersValid = 0;
    return removed;
  }
  // The conquest needs adjacency only; normals wait for the end of the encoding.
  if (update) {
    UpdateAdjacency();
  } else {
    RebuildAdjacency();
  }
  m_pMesh->SetModified();
  return removed;
}

// Whether no gate of the layer can remove its front vertex, known before the conquest: a removal
// needs a free vertex whose valence and boundary status let it be judged, and none is made
// free or given another valence until a removal is made. Only where the walk shows nothing
// (no view, no colours) and removes what it judges.
bool CProgressiveCoder::IsLayerBarren()
{
  if (m_pView || m_ColourPatches || m_ColourCause || !m_ApplyRemoval || m_Gates.empty())
    return false;
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    const CVertex3d* v = m_pMesh->GetVertex(i);
    const int valence = v->NbVertexNeighbor();
    const bool unfit = IsValenceUnfit(valence);
    // The seeds are taken before any gate: never judged.
    if (v->GetFlag() != 0 || (unfit && !IsBoundaryRemovable(valence)))
      continue;
    if (m_HasBoundary && IsOnBoundary(v)) {
      if (IsBoundaryRemovable(valence))
        return false;
      continue;
    }
    if (!unfit && !HasDegenerateRing(v, valence))
      return false;
  }
  return true;
}

// A free vertex of valence 3 borders its hole with its three neighbours: one of valence 3
// makes the border degenerate, whichever gate comes.
bool CProgressiveCoder::HasDegenerateRing(const CVertex3d* v, int valence)
{
  if (valence != 3)
    return false;
  for (int i = 0; i < valence; i++)
    if (v->GetVertexNeighbor(i)->NbVertexNeighbor() == 3)
      return true;
  return false;
}

// The removed vertices leave the mesh but not memory: their records still point at them.
// Those are the vertices of the layer's records: where they are few, they are looked for among
// the array's pointers rather than by every vertex's flag, which lies in the vertex, a filter
// turning almost every other pointer away before the set is asked.
void CProgressiveCoder::ReleaseRemovedVertices()
{
  CArray3d<CVertex3d>* pArray = m_pMesh->GetArrayVertex();
  const int size = pArray->GetSize();
  const int nbRemoved = m_pCurrentGeometry ? m_pCurrentGeometry->NbRecord() : size;
  CPointerSet<CVertex3d> removed;
  CPointerFilter filter;
  if (32 * nbRemoved < size) {
    filter = CPointerFilter(static_cast<size_t>(nbRemoved));
    for (int i = 0; i < nbRemoved; i++) {
      const CVertex3d* v = m_pCurrentGeometry->GetVertex(i);
      removed.Insert(v);
      filter.Insert(v);
    }
  }
  const bool byPointer = nbRemoved > 0 && removed.Size() == static_cast<size_t>(nbRemoved);
  CVertex3d** vertices = pArray->GetData();
  int kept = 0;
  auto release = [&](auto gone) {
    for (int i = 0; i < size; i++) {
      CVertex3d* v = vertices[i];
      if (gone(v))
        m_RemovedVertices.emplace_back(v);
      else
        vertices[kept++] = v;
    }
  };
  if (byPointer)
    release([view = filter.View(), &removed](const CVertex3d* v) {
      return view.MayContain(v) && removed.Contains(v) != 0;
    });
  else
    release([](const CVertex3d* v) { return v->GetFlag() == 2; });
  pArray->SetSize(kept);
  m_pMesh->SetModified();
}

void CProgressiveCoder::InitLayer()
{
  ClearGates();
  m_DeadFaces.clear();
  m_NewFaces.clear();
  if (m_CornersCarried && !m_pView)
    m_CornersValid = 1;
  else
    ListCorners();
  m_CornersCarried = 0;
  if (m_TanglesPending)
    FindTangledFacesNow();
  m_TanglesPending = 0;
  const std::array<double, 4> settings{static_cast<double>(m_UseMetric),
                                       static_cast<double>(m_MetricKind), m_MetricThreshold,
                                       static_cast<double>(m_ForbidNormalFlipping)};
  if (settings != m_RefusalSettings) {
    ForgetRefusals(m_Refusals.size());
    m_RefusalSettings = settings;
  }
  StartLayerLists(m_pMesh->NbVertex());
  ReserveNewFaces();
  m_pMesh->SetFacesFlag(0);
  // Flag and mark in one pass over the vertices.
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    v->SetFlag(0);
    v->SetMark(0);
  }
  if (m_ColourPatches) {
    platform::Srand(static_cast<unsigned int>(std::time(nullptr)));
    for (int i = 0; i < m_pMesh->NbFace(); i++)
      m_pMesh->GetFace(i)->SetColor(255, 255, 255);
  }
  if (m_pMesh->NbVertex() < 2)
    return;
  CVertex3d* s0 = m_pMesh->GetVertex(0);
  CVertex3d* s1 = m_pMesh->GetVertex(1);
  if (!s0->IsNeighbor(s1)) {
    // A seed without neighbours has nothing to conquer.
    if (s0->NbVertexNeighbor() == 0)
      return;
    s1 = s0->GetVertexNeighbor(0);
    m_pMesh->SwapVertexToIndex(s1, 1);
  }
  SeedGates();
}

void CProgressiveCoder::StartLayerLists(int nbVertex)
{
  m_LayerCodes.push_back(std::make_unique<CProgressiveCodeList>(m_GateType));
  m_pCurrentCodes = m_LayerCodes.back().get();
  // The codes come one at a time: room for about as many as the last layer of the same kind
  // had (half as many again as there are vertices for the first) spares the copies of the
  // list's growth. The layers' kinds alternate.
  size_t expected = static_cast<size_t>(nbVertex) * 3 / 2;
  if (m_LayerCodes.size() >= 3)
    if (const CProgressiveCodeList* same = m_LayerCodes[m_LayerCodes.size() - 3].get();
        same->GetGateType() == m_GateType) {
      const size_t n = static_cast<size_t>(same->NbCode());
      expected = n + n / 8 + 16;
    }
  std::vector<unsigned int> room;
  room.reserve(expected);
  m_pCurrentCodes->SetCodes(std::move(room));
  m_LayerGeometry.push_back(std::make_unique<CProgressiveGeometryLayer>());
  m_pCurrentGeometry = m_LayerGeometry.back().get();
  // Records are large: moved on every growth of the array, they cost more than their making.
  // Patches are disjoint, but a double layer after a simple one finds many vertices of valence
  // 3: up to half the vertices go (a regular torus). The room left unused is never touched.
  m_pCurrentGeometry->ReserveRecords(nbVertex / 2 + 1);
}

// The retriangulations append their faces one at a time: the face array, grown by steps of at
// most 1024 entries, would be copied whole every thousand faces. Each removal replaces the
// faces around its vertex by two fewer (one fewer on the boundary), and the faces of two
// removals are never the same, so a layer makes fewer faces than the mesh has: a third of a
// regular mesh's vertices may go, which makes two thirds as many faces. Room for that bound is
// made once.
void CProgressiveCoder::ReserveNewFaces()
{
  CArray3d<CFace3d>* pFaces = m_pMesh->GetArrayFace();
  const int nbFace = pFaces->GetSize();
  if (nbFace == 0 || pFaces->GetMaxSize() >= 2 * nbFace)
    return;
  pFaces->SetSize(2 * nbFace + 16);
  pFaces->SetSize(nbFace);
}

// The conquest starts from the edge joining vertices 0 and 1, in both directions.
void CProgressiveCoder::SeedGates()
{
  CVertex3d* s0 = m_pMesh->GetVertex(0);
  CVertex3d* s1 = m_pMesh->GetVertex(1);
  PushGate(s0, s1);
  PushGate(s1, s0);
  s0->SetMark(2);
  s1->SetMark(1);
  s0->SetFlag(1);
  s1->SetFlag(1);
}

// Returns 0 once no gate is left. Most gates find their front face taken already, or their
// front vertex on the front (a null patch): where no view or colour shows each gate, those are
// taken in a run on locals, without the general path, and the step goes on to the end of the
// layer. The gate's front corner, found ahead, is the one the general path would find.
int CProgressiveCoder::EncodeStep()
{
  const bool run = m_CornersValid && !m_pView && !m_ColourCause;
  do {
    if (run) {
      const SCorner* const corners = m_Corners.data();
      const SCorner* const limit = corners + m_Corners.size();
      const SCornerSpan* const spans = m_CornerSpan.data();
      CProgressiveCodeList* const codes = m_pCurrentCodes;
      size_t head = m_GateHead;
      size_t size = m_Gates.size();
      int lastCause = kNone;
      // Refusals answered from memory, as RefusalOf allows (the colours are off here).
      const bool remember = m_RefusalMode == 0 && m_ApplyRemoval && !m_ColourPatches;
      const int kind = m_GateType & 1;
      while (head < size) {
        LookAheadOf(m_Gates.data(), head, size, corners, limit, spans);
        const CProgressiveGate& g = m_Gates[head];
        const int corner = g.GetFrontCorner();
        if (corner == CProgressiveGate::kUnresolved)
          break;
        if (corner == CProgressiveGate::kNoFront) {
          head++;
          continue;
        }
        const SCorner& c = corners[corner];
        CFace3d* pFace = c.face;
        CVertex3d* v = c.next;
        CVertex3d* first = g.GetFirst();
        CVertex3d* second = g.GetSecond();
        if (pFace->GetFlag() != 0 || v == first || v == second) {
          head++;
          continue;
        }
        const int id = v->GetAdjacencyIndex();
        const int vIndex = CornerListOf(v, id);
        int cause = 3;
        if (v->GetFlag() == 0) {
          // A free vertex refused by its boundary status, its valence or a refusal remembered
          // from this gate, as ProcessGate refuses it; the rest go there. The boundary status
          // is read here only where it is remembered, ProcessGate then reading it again.
          const int valence = v->NbVertexNeighbor();
          // A valence no pattern takes refuses v on the boundary or not; the boundary status
          // is then asked only where v could go as a boundary vertex of valence 3.
          const bool unfit = IsValenceUnfit(valence);
          const bool boundaryRemovable = IsBoundaryRemovable(valence);
          bool boundary = false;
          if (m_HasBoundary) {
            if (m_RefusalMode != 0)
              break;
            if (!unfit || boundaryRemovable) {
              boundary = IsOnBoundary(v) != 0;
              if (boundary && boundaryRemovable)
                break;
            }
          }
          if (boundary || unfit) {
            cause = 1;
          } else {
            if (!remember || vIndex < 0 || static_cast<size_t>(vIndex) >= m_Refusals.size())
              break;
            const std::uint32_t refused = m_Refusals[static_cast<size_t>(vIndex)].kind[kind];
            if (!refused || !IsRefusalRemembered(&g, pFace, vIndex, refused)) {
              // Judged here in full, as ProcessGate would judge it after the same tests: the
              // judgement reads the gate from a copy, its pushes moving the queue.
              CProgressiveGate gate = g;
              m_GateHead = ++head;
              if (lastCause != kNone)
                m_LastCause = lastCause;
              lastCause = kNone;
              const int r = JudgeRemoval(&gate, pFace, v, valence);
              if (r != kNone && r != 1)
                codes->Add(static_cast<unsigned int>(r));
              size = m_Gates.size();
              continue;
            }
            m_RefusalHits++;
            cause = 4;
          }
        }
        // NullPatch: the same flags, mark, gates and code.
        head++;
        v->SetFlag(1);
        pFace->SetFlag(1);
        if (v->GetMark() == 0)
          v->SetMark(CProgressiveGate::TakenMark(first->GetMark(), second->GetMark()));
        const int firstIndex = g.GetFirstIndex();
        m_Gates.emplace_back(first, v, firstIndex);
        m_Gates.emplace_back(v, second, vIndex);
        size += 2;
        codes->Add(2);
        lastCause = cause;
      }
      m_GateHead = head;
      if (lastCause != kNone)
        m_LastCause = lastCause;
    } else if (m_CornersValid && m_GateHead < m_Gates.size()) {
      LookAhead();
    }
    if (m_GateHead == m_Gates.size())
      return 0;
    // A copy: the gates pushed while it is processed may move the queue.
    CProgressiveGate gate = m_Gates[m_GateHead++];
    const int r = ProcessGate(&gate);
    if (r != kNone && r != 1)
      m_pCurrentCodes->Add(static_cast<unsigned int>(r));
    if (r != kNone && m_pView)
      DebugStep();
  } while (run);
  return 1;
}

int CProgressiveCoder::NullPatch(const CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v,
                                 int cause)
{
  m_LastCause = cause;
  if (m_ColourCause && cause >= 0 && cause < 7)
    pFace->SetColor(kCauseColours[cause][0], kCauseColours[cause][1], kCauseColours[cause][2]);
  v->SetFlag(1);
  pFace->SetFlag(1);
  if (v->GetMark() == 0)
    v->SetMark(
        CProgressiveGate::TakenMark(pGate->GetFirst()->GetMark(), pGate->GetSecond()->GetMark()));
  m_Gates.emplace_back(pGate->GetFirst(), v, pGate->GetFirstIndex());
  PushGate(v, pGate->GetSecond());
  return 2;
}

// The patch arrays are filled by the walk, where a removal is judged.
int CProgressiveCoder::ProcessGate(CProgressiveGate* pGate)
{
  CVertex3d* v = nullptr;
  const int corner = pGate->GetFrontCorner() != CProgressiveGate::kUnresolved
                         ? pGate->GetFrontCorner()
                         : FrontCorner(pGate->GetFirst(), pGate->GetSecond(), pGate->GetFirstIndex());
  CFace3d* pFace = FrontFaceAt(pGate->GetFirst(), pGate->GetSecond(), &v, corner);
  if (!pFace || pFace->GetFlag() != 0 || !v)
    return kNone;
  if (v->GetFlag() != 0)
    return NullPatch(pGate, pFace, v, 3);
  const int valence = v->NbVertexNeighbor();
  const bool unfit = IsValenceUnfit(valence);
  const bool boundaryRemovable = IsBoundaryRemovable(valence);
  // Refused on the boundary or not: the boundary status is not asked, but where every answer
  // read on the corners is checked.
  if (unfit && !boundaryRemovable && m_RefusalMode != 2)
    return NullPatch(pGate, pFace, v, 1);
  if (m_HasBoundary && IsOnBoundary(v)) {
    if (boundaryRemovable)
      return RemoveBoundaryVertex(pGate, pFace, v);
    return NullPatch(pGate, pFace, v, 1);
  }
  if (unfit)
    return NullPatch(pGate, pFace, v, 1);
  int id = -1;
  const std::uint32_t* pRefusal = RefusalOf(v, &id);
  const bool remembered = pRefusal && *pRefusal && IsRefusalRemembered(pGate, pFace, id, *pRefusal);
  if (remembered) {
    m_RefusalHits++;
    if (m_RefusalMode == 0)
      return NullPatch(pGate, pFace, v, 4);
  }
  const int r = JudgeRemoval(pGate, pFace, v, valence);
  if (remembered && m_LastCause != 4)
    m_RefusalMismatches++;
  return r;
}

// Null when refusals are not remembered: with every refusal shown or coloured, the full
// judgement runs each time.
std::uint32_t* CProgressiveCoder::RefusalOf(const CVertex3d* v, int* pId)
{
  if (m_RefusalMode == 1 || !m_ApplyRemoval || m_ColourCause || m_ColourPatches)
    return nullptr;
  const int id = CornerListOf(v, v->GetAdjacencyIndex());
  if (id < 0 || static_cast<size_t>(id) >= m_Refusals.size())
    return nullptr;
  *pId = id;
  return &m_Refusals[static_cast<size_t>(id)].kind[m_GateType & 1];
}

bool CProgressiveCoder::IsRefusalRemembered(const CProgressiveGate* pGate, const CFace3d* pFace,
                                            int id, std::uint32_t refused) const
{
  const int begin = m_CornerSpan[static_cast<size_t>(id)].begin;
  const int end = std::min(m_CornerSpan[static_cast<size_t>(id)].end, begin + kMaxRefusalCorner);
  for (int i = begin; i < end; i++) {
    const SCorner& c = m_Corners[static_cast<size_t>(i)];
    if (c.face != pFace)
      continue;
    if (c.previous != pGate->GetFirst() || c.next != pGate->GetSecond())
      return false;
    return (refused >> (4 * (i - begin) + pGate->GetTagPair())) & 1;
  }
  return false;
}

// Only for a patch walked on v's corners: the walk then read nothing but them.
void CProgressiveCoder::RememberRefusal(const CProgressiveGate* pGate, const CFace3d* pFace,
                                        CVertex3d* v)
{
  int id = -1;
  std::uint32_t* pRefusal = m_PatchFromCorners ? RefusalOf(v, &id) : nullptr;
  if (!pRefusal)
    return;
  const int begin = m_CornerSpan[static_cast<size_t>(id)].begin;
  const int end = std::min(m_CornerSpan[static_cast<size_t>(id)].end, begin + kMaxRefusalCorner);
  for (int i = begin; i < end; i++)
    if (m_Corners[static_cast<size_t>(i)].face == pFace) {
      *pRefusal |= std::uint32_t{1} << (4 * (i - begin) + pGate->GetTagPair());
      return;
    }
}

// Read on v's corners once while they stay as listed, unless every answer is checked.
int CProgressiveCoder::IsOnBoundary(const CVertex3d* v)
{
  const int id = CornerListOf(v, v->GetAdjacencyIndex());
  SRefusals* pMemory = m_RefusalMode == 0 && id >= 0 && static_cast<size_t>(id) < m_Refusals.size()
                           ? &m_Refusals[static_cast<size_t>(id)]
                           : nullptr;
  if (pMemory && pMemory->boundary)
    return pMemory->boundary - 1;
  const int byCorners = IsOnBoundaryByCorners(v, id);
  if (pMemory && byCorners >= 0)
    pMemory->boundary = static_cast<std::uint8_t>(byCorners + 1);
  if (byCorners < 0)
    return v->IsOnBoundary();
  if (m_RefusalMode == 2 && byCorners != v->IsOnBoundary())
    m_BoundaryMismatches++;
  return byCorners;
}

// A face of v lacks a neighbour across one of its edges at v when no other face of v holds
// the edge's far end: the face links are made by that rule, and a layer changes none of them
// before it ends. The corners read here lie together; the faces lie apart. One pass: a corner
// repeating a vertex answers -1 wherever it lies, so past an open edge the rest of the corners
// are only checked for that.
int CProgressiveCoder::IsOnBoundaryByCorners(const CVertex3d* v, int id) const
{
  if (id < 0)
    return -1;
  const SCorner* begin = CornersBegin(id);
  const SCorner* end = CornersEnd(id);
  auto repeats = [v](const SCorner* c) {
    return c->previous == c->next || c->previous == v || c->next == v;
  };
  auto heldElsewhere = [begin, end](const SCorner* c, const CVertex3d* b) {
    for (const SCorner* g = begin; g < end; g++)
      if (g->face != c->face && (g->previous == b || g->next == b))
        return true;
    return false;
  };
  // A far end met by another corner on the other side is held there, by another face (the
  // corners of a face holding v once are alike): the common case, found on one field alone.
  auto metAsPrevious = [begin, end](const CVertex3d* b) {
    for (const SCorner* g = begin; g < end; g++)
      if (g->previous == b)
        return true;
    return false;
  };
  auto metAsNext = [begin, end](const CVertex3d* b) {
    for (const SCorner* g = begin; g < end; g++)
      if (g->next == b)
        return true;
    return false;
  };
  for (const SCorner* c = begin; c < end; c++) {
    if (repeats(c))
      return -1;
    if ((!metAsPrevious(c->next) && !heldElsewhere(c, c->next)) ||
        (!metAsNext(c->previous) && !heldElsewhere(c, c->previous))) {
      for (const SCorner* d = c + 1; d < end; d++)
        if (repeats(d))
          return -1;
      return 1;
    }
  }
  return 0;
}

void CProgressiveCoder::ForgetRefusals(size_t count)
{
  m_Refusals.assign(count, SRefusals{});
}

// The patch in front of a free vertex of a fitting valence: walked, checked, and removed
// unless refused.
int CProgressiveCoder::JudgeRemoval(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v,
                                    int valence)
{
  m_LastCause = kNone;
  // A ring that does not close around v is no manifold patch: kept like a degenerate border.
  if (!BuildPatch(pGate, pFace, v, valence) || IsPatchTangled())
    return NullPatch(pGate, pFace, v, 2);
  // The residual test reads the quantized positions, which lie apart from the vertices: they
  // load while the border and the new faces are tested.
  // The border tests read the border vertices' valences and neighbours, past their first line.
  v->PrefetchSecond();
  for (int i = 0; i < m_GateBorder.GetSize(); i++) {
    const CVertex3d* w = m_GateBorder.GetAt(i);
    PrefetchLine(reinterpret_cast<const char*>(w) + 64);
    PrefetchLine(reinterpret_cast<const char*>(w) + sizeof(CVertex3d) - 1);
    w->PrefetchSecond();
  }
  ColourPatch();
  // The vetoes on the new faces cost less than the border tests and the residual's frame and
  // refuse far more often: they go first, unless each refusal is to be shown with its cause
  // (a patch refused on several counts shows the first of border, residual, new faces).
  // The walk closed after valence faces: the border has valence vertices.
  const CProgressivePattern& pattern = CProgressivePattern::Get(valence, pGate->GetTagPair());
  const bool vetoFirst = m_ApplyRemoval && !m_ColourCause;
  if (vetoFirst && IsRetriangulationVetoed(pattern, v)) {
    RememberRefusal(pGate, pFace, v);
    return NullPatch(pGate, pFace, v, 4);
  }
  const int concave = m_ForbidConcave && IsBorderConcave();
  const int degenerate = IsBorderDegenerate();
  if (concave || degenerate)
    return NullPatch(pGate, pFace, v, degenerate ? 2 : 0);
  if (m_ApplyRemoval && !vetoFirst && IsRetriangulationVetoed(pattern, v))
    return NullPatch(pGate, pFace, v, !IsResidualSendable(pattern, v) ? 5 : 4);
  if (!IsResidualSendable(pattern, v))
    return NullPatch(pGate, pFace, v, 5);
  if (m_ApplyRemoval)
    Retriangulate(pattern);
  PushGatesAfterRemoval(m_PatchFrontsKnown != 0);
  const CArray3d<CVertex3d>* pBorder = &m_GateBorder;
  m_pCurrentGeometry->Emplace(
      v, std::span<CVertex3d* const>(pBorder->GetData(), static_cast<size_t>(pBorder->GetSize())),
      pattern.GetFaces());
  v->SetFlag(2);
  for (int i = 1; i + 1 < pBorder->GetSize(); i++)
    pBorder->GetAt(i)->SetFlag(1);
  for (int i = 0; i < m_GatePatchFaces.GetSize(); i++) {
    m_GatePatchFaces.GetAt(i)->SetFlag(2);
    m_DeadFaces.push_back(m_GatePatchFaces.GetAt(i));
  }
  return valence;
}

// A boundary vertex of valence 3 has two faces: both go and one face (first, W, second)
// closes the hole, W being the third corner of the face beside the front face.
int CProgressiveCoder::RemoveBoundaryVertex(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v)
{
  const int i = pFace->IndexFrom(v);
  CVertex3d* first = pGate->GetFirst();
  CVertex3d* second = pGate->GetSecond();
  const int onFirstSide = pFace->f(i) == nullptr;
  CFace3d* g = onFirstSide ? pFace->f((i + 2) % 3) : pFace->f(i);
  CVertex3d* w = g ? g->GetVertexOther(onFirstSide ? first : second, v) : nullptr;
  if (!w || g->GetFlag() != 0 || IsTangled(pFace) || IsTangled(g))
    return NullPatch(pGate, pFace, v, 2);
  if (w->IsNeighbor(onFirstSide ? second : first))
    return NullPatch(pGate, pFace, v, 2);
  CVertex3d* const border[3] = {first, w, second};
  const CProgressiveVertexRecord::Triangle face[1] = {{0, 1, 2}};
  if (!IsResidualSendable(v, border, face))
    return NullPatch(pGate, pFace, v, 5);
  if (onFirstSide)
    PushGate(first, w);
  else
    PushGate(w, second);
  m_pCurrentCodes->Add(1);
  m_pCurrentCodes->Add(onFirstSide ? 5 : 6);
  v->SetFlag(2);
  w->SetFlag(1);
  pFace->SetFlag(2);
  g->SetFlag(2);
  m_DeadFaces.push_back(pFace);
  m_DeadFaces.push_back(g);
  auto* pNew = new CFace3d(first, w, second, 3);
  m_pMesh->AddFace(pNew);
  pNew->AddVertexNeighbors();
  m_NewFaces.push_back(pNew);
  if (w->GetMark() == 0)
    w->SetMark(2);
  m_pCurrentGeometry->Emplace(v, border, face);
  return 1;
}

// A removal whose local-frame residuals could not be sent is refused before it is made: the
// stream's fields and the range coder's alphabet bound them. The prediction here takes the
// border's exact quantized positions, a little off those the decoder will have: hence the margin.
// The frame the decoder builds may also turn (a border nearly closed on itself turns its
// tangent freely), putting the whole length of the residual on one axis: that length is
// bounded too.
int CProgressiveCoder::IsResidualSendable(const CProgressivePattern& pattern, CVertex3d* v) const
{
  const CArray3d<CVertex3d>* pBorder = &m_GateBorder;
  return IsResidualSendable(
      v, std::span<CVertex3d* const>(pBorder->GetData(), static_cast<size_t>(pBorder->GetSize())),
      pattern.GetFaces());
}

int CProgressiveCoder::IsResidualSendable(CVertex3d* v, std::span<CVertex3d* const> border,
                                          std::span<const std::array<int, 3>> faces) const
{
  if (m_ResidualLimit <= 0)
    return 1;
  // The border's and v's quantized positions, as a record would take them.
  // Only the first nbBorder are read.
  std::array<CProgressiveVertexRecord::Point, CProgressiveVertexRecord::kMaxBorder> points;
  const size_t nbBorder = std::min(border.size(), points.size());
  for (size_t i = 0; i < nbBorder; i++)
    points[i] = {border[i]->x2(), border[i]->y2(), border[i]->z2()};
  return IsResidualSendable(v, border, faces, std::span(points.data(), nbBorder),
                            {v->x2(), v->y2(), v->z2()});
}

int CProgressiveCoder::IsResidualSendable(CVertex3d* v, std::span<CVertex3d* const> border,
                                          std::span<const std::array<int, 3>> faces,
                                          std::span<const CProgressiveVertexRecord::Point> placed,
                                          const std::array<float, 3>& position) const
{
  const std::array<int, 3> target{static_cast<int>(position[0]), static_cast<int>(position[1]),
                                  static_cast<int>(position[2])};
  // A vertex near its border, as almost every one is, is sendable by a bound alone.
  if (CProgressiveVertexRecord::RoundedBound(placed, faces, target) + 4 <= m_ResidualLimit)
    return 1;
  // The offset search moves each rounded residual by 2 at most: only near the limit does the
  // search itself decide.
  bool undecided = false;
  double squared = 0;
  for (int x : CProgressiveVertexRecord::PredictRounded(placed, faces, target)) {
    if (std::abs(x) - 2 > m_ResidualLimit)
      return 0;
    undecided = undecided || std::abs(x) + 2 > m_ResidualLimit;
    squared += static_cast<double>(x) * x;
  }
  // 4: the offset search moves the triple by up to 2 on each axis.
  if (std::sqrt(squared) + 4 > m_ResidualLimit)
    return 0;
  if (!undecided)
    return 1;
  // The frame from the border vertices' positions as they are.
  CProgressiveVertexRecord record(v, border, faces);
  record.Predict();
  for (int x : record.GetCoordinates())
    if (std::abs(x) > m_ResidualLimit)
      return 0;
  return 1;
}

// Walks the faces around v from the front face; the border ends at the gate's second vertex
// on a manifold ring (0 when the ring does not close that way).
int CProgressiveCoder::BuildPatch(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v,
                                  int valence)
{
  m_PatchFrontsKnown = 0;
  const int found = BuildPatchFromCorners(pGate, pFace, v, valence);
  m_PatchFromCorners = found >= 0;
  if (found >= 0)
    return found;
  m_GateBorder.RemoveAll();
  m_GatePatchFaces.RemoveAll();
  CArray3d<CVertex3d>* pBorder = &m_GateBorder;
  CArray3d<CFace3d>* pFaces = &m_GatePatchFaces;
  pBorder->Add(pGate->GetFirst());
  pFaces->Add(pFace);
  CFace3d* pCurrent = pFace;
  CVertex3d* pPrevious = pGate->GetFirst();
  for (int k = 0; k < valence - 1; k++) {
    const int corner = CornerOf(pCurrent, pPrevious);
    if (corner < 0)
      return 0;
    CFace3d* pNext = pCurrent->f(corner);
    if (!pNext || CornerOf(pNext, v) < 0 || pFaces->Contains(pNext))
      return 0;
    CVertex3d* pNextVertex = OtherCorner(pNext, v, pPrevious);
    if (!pNextVertex)
      return 0;
    pFaces->Add(pNext);
    pBorder->Add(pNextVertex);
    pCurrent = pNext;
    pPrevious = pNextVertex;
  }
  return pPrevious == pGate->GetSecond() ? 1 : 0;
}

// The same walk on v's corners, without reading the faces: where each edge from v has two
// faces, both turning the same way, and no face repeats a vertex, the face across an edge of
// the ring is the only other corner of v holding the edge's far end, as the face links have
// it. -1 where that does not hold (the walk is then made on the faces).
int CProgressiveCoder::BuildPatchFromCorners(CProgressiveGate* pGate, CFace3d* pFace,
                                             CVertex3d* v, int valence)
{
  const int id = CornerListOf(v, v->GetAdjacencyIndex());
  if (id < 0)
    return -1;
  const SCorner* begin = CornersBegin(id);
  const SCorner* end = CornersEnd(id);
  const long count = end - begin;
  // A short list's vertices are also gathered by their low halves, for the walk's masks.
  const bool halved = count <= SLowHalves::kSize;
  SLowHalves halves;
  const SCorner* current = nullptr;
  for (long i = 0; i < count; i++) {
    const SCorner* c = begin + i;
    if (c->previous == c->next || c->previous == v || c->next == v)
      return -1;
    if (c->face == pFace)
      current = c;
    if (halved) {
      halves.previous[i] = LowHalf(c->previous);
      halves.next[i] = LowHalf(c->next);
    }
  }
  const CVertex3d* previous = pGate->GetFirst();
  if (!current || current->previous != previous)
    return -1;
  // Gathered here and stored once: the arrays grow out of line.
  std::array<CVertex3d*, kPatchRoom> border{pGate->GetFirst()};
  std::array<CFace3d*, kPatchRoom> faces{pFace};
  int size = 1;
  // Most patches have the size of the one before: the arrays are then only written.
  auto store = [&](int result) {
    if (m_GateBorder.GetSize() != size)
      m_GateBorder.SetSize(size);
    if (m_GatePatchFaces.GetSize() != size)
      m_GatePatchFaces.SetSize(size);
    for (int i = 0; i < size; i++) {
      m_GateBorder.SetAt(i, border[static_cast<size_t>(i)]);
      m_GatePatchFaces.SetAt(i, faces[static_cast<size_t>(i)]);
    }
    return result;
  };
  // The corners holding the previous vertex are found as a mask over the list, without a
  // branch on where they lie: the walk asks in no order a predictor follows.
  constexpr long kMaxMasked = 64;
  const bool masked = count <= kMaxMasked;
  const unsigned listed = halved ? (1u << count) - 1 : 0;
  for (int k = 0; k < valence - 1 && size < kPatchRoom; k++) {
    const SCorner* next = nullptr;
    if (halved) {
      unsigned holding = MayHold(halves, LowHalf(previous)) & listed &
                         ~(1u << static_cast<unsigned>(current - begin));
      // Several that may: the full pointers tell which do. One alone is told below: a corner
      // that does not hold the previous vertex does not hold it next either.
      for (unsigned maybe = holding & (holding - 1) ? holding : 0; maybe; maybe &= maybe - 1) {
        const SCorner* c = begin + __builtin_ctz(maybe);
        if (c->previous != previous && c->next != previous)
          holding &= ~(1u << static_cast<unsigned>(c - begin));
      }
      if (holding == 0 || (holding & (holding - 1)) != 0)
        return -1;
      next = begin + __builtin_ctz(holding);
    } else if (masked) {
      std::uint64_t holding = 0;
      for (const SCorner* c = begin; c < end; c++)
        holding |= static_cast<std::uint64_t>((c->previous == previous) | (c->next == previous))
                   << (c - begin);
      holding &= ~(std::uint64_t{1} << (current - begin));
      if (holding == 0 || (holding & (holding - 1)) != 0)
        return -1;
      next = begin + __builtin_ctzll(holding);
    }
    for (const SCorner* c = begin; c < end && !masked; c++) {
      if (c == current || (c->previous != previous && c->next != previous))
        continue;
      if (next)
        return -1;
      next = c;
    }
    // The walk goes on only across a face turning the same way.
    if (!next || next->next != previous)
      return -1;
    bool repeated = false;
    for (int i = 0; i < size; i++)
      repeated |= faces[static_cast<size_t>(i)] == next->face;
    if (repeated)
      return store(0);
    faces[static_cast<size_t>(size)] = next->face;
    border[static_cast<size_t>(size++)] = const_cast<CVertex3d*>(next->previous);
    current = next;
    previous = next->previous;
  }
  return store(previous == pGate->GetSecond() ? 1 : 0);
}

// Visual debugging: the front face a little darker than the rest of the patch, each patch in
// one of seven tints.
void CProgressiveCoder::ColourPatch() const
{
  if (!m_ColourPatches)
    return;
  int r = (platform::Rand() & 1) ? 50 : 0;
  const int g = (platform::Rand() & 1) ? 50 : 0;
  const int b = (platform::Rand() & 1) ? 50 : 0;
  if (r == 0 && g == 0 && b == 0)
    r = 50;
  if (r == g && g == b)
    r = 0;
  const CArray3d<CFace3d>* pFaces = &m_GatePatchFaces;
  const int valence = pFaces->GetSize();
  pFaces->GetAt(0)->SetColor(static_cast<std::uint8_t>(100 + r), static_cast<std::uint8_t>(100 + g),
                             static_cast<std::uint8_t>(100 + b));
  for (int k = 1; k < valence; k++) {
    const int s = 100 + (100 * k) / (valence - 1);
    pFaces->GetAt(k)->SetColor(static_cast<std::uint8_t>(s + r), static_cast<std::uint8_t>(s + g),
                               static_cast<std::uint8_t>(s + b));
  }
}

int CProgressiveCoder::IsBorderConcave() const
{
  const CArray3d<CVertex3d>* b = &m_GateBorder;
  const int n = b->GetSize();
  for (int i = 0; i < n; i++) {
    const Point e1 = Sub(P(b->GetAt((i + 1) % n)), P(b->GetAt(i)));
    const Point e2 = Sub(P(b->GetAt((i + 2) % n)), P(b->GetAt((i + 1) % n)));
    const Point e3 = Sub(P(b->GetAt((i + 3) % n)), P(b->GetAt((i + 2) % n)));
    if (Dot(Cross(e1, e2), Cross(e2, e3)) < 0)
      return 1;
  }
  return 0;
}

// The fronts of the border edges are kept for the gates a removal pushes: they are read on the
// corner lists (or the face lists), which do not change within a layer.
int CProgressiveCoder::IsBorderDegenerate()
{
  const int n = m_GateBorder.GetSize();
  m_PatchFrontsKnown = 0;
  // Borders come from patterns of valence 6 at most.
  constexpr int kMaxBorder = 6;
  if (n > kMaxBorder)
    return 1;
  // The border twice over: the vertex i + k is ring[i + k], without a remainder.
  std::array<CVertex3d*, 2 * kMaxBorder> ring;
  for (int i = 0; i < n; i++) {
    ring[static_cast<size_t>(i)] = m_GateBorder.GetAt(i);
    ring[static_cast<size_t>(i + n)] = m_GateBorder.GetAt(i);
  }
  for (int i = 0; i < n; i++) {
    const CVertex3d* b0 = ring[static_cast<size_t>(i)];
    const CVertex3d* b1 = ring[static_cast<size_t>(i + 1)];
    const CVertex3d* b2 = ring[static_cast<size_t>(i + 2)];
    if (b0->NbVertexNeighbor() == 3 || b0 == b1 || b1 == b2 || b0 == b2)
      return 1;
  }
  // The vertex in front of each border edge, found once for the two pairs it belongs to: the
  // third corner of the face holding b1 -> b0, read as FrontFace reads it. The lists are read
  // through locals: the fronts' stores would have them read again from the coder each time.
  const SCorner* const corners = m_Corners.data();
  const SCornerSpan* const spans = m_CornerSpan.data();
  for (int i = 0; i < n; i++) {
    CVertex3d* b0 = ring[static_cast<size_t>(i)];
    CVertex3d* b1 = ring[static_cast<size_t>(i + 1)];
    CFace3d*& pFront = m_PatchFront[static_cast<size_t>(i)];
    CVertex3d*& pOther = m_PatchFrontOther[static_cast<size_t>(i)];
    const int id = CornerListOf(b0, -1);
    m_PatchIndex[static_cast<size_t>(i)] = id;
    if (id < 0) {
      pFront = FrontFaceAt(b0, b1, &pOther, CProgressiveGate::kUnresolved);
      continue;
    }
    // The first corner holding b1 before b0.
    const SCorner* found = corners + spans[id].begin;
    const SCorner* end = corners + spans[id].end;
    while (found < end && found->previous != b1)
      found++;
    if (found == end)
      found = nullptr;
    pFront = found ? found->face : nullptr;
    pOther = found && found->next != b0 && found->next != b1 ? found->next : nullptr;
  }
  m_PatchFrontsKnown = 1;
  for (int i = 0; i < n; i++) {
    const CVertex3d* f1 = m_PatchFrontOther[static_cast<size_t>(i)];
    const CVertex3d* f2 = m_PatchFrontOther[static_cast<size_t>(i + 1 < n ? i + 1 : 0)];
    if (f1 && f1 == f2 && f1->GetFlag() == 2)
      return 1;
  }
  // The border vertices apart around the border, each pair once: the first two pairs for 4
  // vertices, five for 5, all nine for 6.
  static constexpr std::array<std::array<std::uint8_t, 2>, 9> kApart{
      {{{0, 2}}, {{1, 3}}, {{0, 3}}, {{1, 4}}, {{2, 4}}, {{0, 4}}, {{1, 5}}, {{2, 5}}, {{3, 5}}}};
  static constexpr std::array<int, kMaxBorder + 1> kApartCount{0, 0, 0, 0, 2, 5, 9};
  for (int k = 0; k < kApartCount[static_cast<size_t>(n)]; k++) {
    const auto& pair = kApart[static_cast<size_t>(k)];
    if (ring[pair[0]]->IsNeighbor(ring[pair[1]]))
      return 1;
  }
  return 0;
}

// Measures how far the retriangulation moves the surface against the mean border edge.
int CProgressiveCoder::IsVetoedByMetric(CVertex3d* v,
                                        const CProgressivePattern& pattern) const
{
  const CArray3d<CVertex3d>* b = &m_GateBorder;
  const int n = b->GetSize();
  double perimeter = 0;
  for (int i = 0; i < n; i++)
    perimeter += Length(Sub(P(b->GetAt((i + 1) % n)), P(b->GetAt(i))));
  if (perimeter == 0)
    return 0;
  const Point pv = P(v);
  const auto& faces = pattern.GetFaces();
  double m = 0;
  if (m_MetricKind == 0 && faces.size() == 2) {
    m = 2 * DistanceToLine(pv, P(b->GetAt(0)), P(b->GetAt(2)));
  } else if (m_MetricKind == 0) {
    double best = 1.7e308;
    for (const auto& t : faces)
      best = std::min(best, SquaredDistanceToTriangle(pv, P(b->GetAt(t[0])), P(b->GetAt(t[1])),
                                                      P(b->GetAt(t[2]))));
    m = std::sqrt(best);
  } else {
    double volume = 0;
    for (const auto& t : faces)
      volume += SignedVolume(P(b->GetAt(t[0])), P(b->GetAt(t[1])), P(b->GetAt(t[2])));
    const CArray3d<CFace3d>* pOld = &m_GatePatchFaces;
    for (int i = 0; i < pOld->GetSize(); i++) {
      const CFace3d* f = pOld->GetAt(i);
      volume -= SignedVolume(P(f->v(0)), P(f->v(1)), P(f->v(2)));
    }
    m = std::cbrt(std::fabs(volume) / 6);
  }
  return m / (perimeter / n) > m_MetricThreshold ? 1 : 0;
}

int CProgressiveCoder::IsRetriangulationVetoed(const CProgressivePattern& pattern,
                                               CVertex3d* v) const
{
  const CArray3d<CVertex3d>* b = &m_GateBorder;
  if (m_UseMetric && IsVetoedByMetric(v, pattern))
    return 1;
  if (!m_ForbidNormalFlipping)
    return 0;
  std::array<Point, kPatchRoom> ring;
  const int n = std::min(b->GetSize(), kPatchRoom);
  for (int i = 0; i < n; i++)
    ring[static_cast<size_t>(i)] = P(b->GetAt(i));
  return IsFlipped(pattern, ring.data()) ? 1 : 0;
}

bool CProgressiveCoder::IsFlipped(const CProgressivePattern& pattern, const Point* ring)
{
  // Two unit normals meet below -0.1 only where their unnormalized cross products already
  // point apart: the square roots are taken for those pairs alone. Each new face is set against
  // those before it as it comes, so that a refusal leaves the later faces unread.
  std::array<Point, kPatchRoom> crosses;
  size_t n = 0;
  for (const auto& t : pattern.GetFaces()) {
    if (n == crosses.size())
      break;
    const Point& a = ring[t[0]];
    const Point cross = Cross(Sub(ring[t[1]], a), Sub(ring[t[2]], a));
    for (size_t i = 0; i < n; i++)
      if (Dot(crosses[i], cross) < 0 &&
          Dot(Unit(crosses[i]), Unit(cross)) < static_cast<double>(-0.1f))
        return true;
    crosses[n++] = cross;
  }
  return false;
}

// The faces are made in pattern order and joined to the mesh's array at once; the edges they
// add inside the hole are the pattern's own, known without a search.
void CProgressiveCoder::Retriangulate(const CProgressivePattern& pattern)
{
  CVertex3d* const* border = m_GateBorder.GetData();
  for (size_t k = 0; k < pattern.GetMarks().size(); k++) {
    CVertex3d* w = border[k + 1];
    if (w->GetMark() == 0)
      w->SetMark(pattern.GetMarks()[k]);
  }
  const auto& faces = pattern.GetFaces();
  const int nbFace = static_cast<int>(std::min(faces.size(), static_cast<size_t>(kPatchRoom)));
  CArray3d<CFace3d>* pArray = m_pMesh->GetArrayFace();
  // Past the room the layer made for its new faces, the array grows by half at once: grown by
  // its own steps of at most 1024 entries, it would be copied whole again and again.
  const int size = pArray->GetSize();
  if (size + nbFace > pArray->GetMaxSize()) {
    pArray->SetSize(size + size / 2 + 16);
    pArray->SetSize(size);
  }
  // Each face joins the array as it is made: a copy of a few entries as a block starts slower
  // than it runs.
  for (int f = 0; f < nbFace; f++) {
    const auto& t = faces[static_cast<size_t>(f)];
    CFace3d* pNew = m_pMesh->NewFace(border[t[0]], border[t[1]], border[t[2]], 0);
    pArray->Append(1, [pNew](int) { return pNew; });
    m_NewFaces.push_back(pNew);
  }
  m_pMesh->SetModified();
  // IsBorderDegenerate refused the patch if two border vertices apart were neighbours.
  AddDiagonalNeighbors(
      std::span<CVertex3d* const>(border, static_cast<size_t>(m_GateBorder.GetSize())), pattern);
}

void CProgressiveCoder::AddDiagonalNeighbors(std::span<CVertex3d* const> border,
                                             const CProgressivePattern& pattern)
{
  for (const auto& d : pattern.GetDiagonals()) {
    border[static_cast<size_t>(d[0])]->AddVertexNeighbor(border[static_cast<size_t>(d[1])]);
    border[static_cast<size_t>(d[1])]->AddVertexNeighbor(border[static_cast<size_t>(d[0])]);
  }
}

// With frontsFound, the fronts of the border edges are those IsBorderDegenerate found for
// this patch.
void CProgressiveCoder::PushGatesAfterRemoval(bool frontsFound)
{
  const CArray3d<CVertex3d>* b = &m_GateBorder;
  const int n = b->GetSize();
  for (int i = 0; i + 1 < n; i++) {
    CVertex3d* b0 = b->GetAt(i);
    CVertex3d* b1 = b->GetAt(i + 1);
    // b0's list as IsBorderDegenerate found it, else as PushGate finds it.
    const int id = frontsFound ? m_PatchIndex[static_cast<size_t>(i)]
                               : CornerListOf(b0, b0->GetAdjacencyIndex());
    if (m_GateType == 0) {
      m_Gates.emplace_back(b0, b1, id);
      continue;
    }
    const CProgressiveGate edge(b0, b1);
    CVertex3d* w = nullptr;
    CFace3d* pFront = nullptr;
    if (frontsFound) {
      pFront = m_PatchFront[static_cast<size_t>(i)];
      w = m_PatchFrontOther[static_cast<size_t>(i)];
    } else {
      pFront = FrontFace(b0, b1, &w);
    }
    // A face that repeats an edge vertex has no third vertex to reach.
    if (!pFront || pFront->GetFlag() != 0 || !w)
      continue;
    m_Gates.emplace_back(b0, w, id);
    PushGate(w, b1);
    pFront->SetFlag(1);
    w->SetFlag(1);
    if (w->GetMark() == 0)
      w->SetMark(
          CProgressiveGate::TakenMark(edge.GetFirst()->GetMark(), edge.GetSecond()->GetMark()));
  }
}
