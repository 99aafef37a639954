#include "compression/ProgressiveReplay.h"

#include "compression/ProgressiveCodeList.h"
#include "compression/ProgressiveGate.h"
#include "compression/ProgressiveGeometryLayer.h"
#include "compression/ProgressivePattern.h"
#include "mesh/AdjacencyLists.h"
#include "mesh/Color.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vector3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <unordered_map>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// How many gates ahead of the one being decoded the null patches fetch a face's record.
constexpr size_t kFetchAhead = 16;

// The address of the record of the face holding `edge`, for a fetch: any edge, even one from
// a slot no gate fills, gives an address, in integers, which a fetch never faults on.
template <class Face>
const void* FaceAddress(const Face* faces, std::ptrdiff_t edge)
{
  static_assert(sizeof(Face) % 4 == 0);
  return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(faces) +
                                       static_cast<std::uintptr_t>(edge & ~std::ptrdiff_t{3}) * (sizeof(Face) / 4));
}

// The places of a claim's elements, run by run: the elements of a run lie side by side in one
// block, so an element's place and pool slot come from the run's first by an add, where the
// claim works them out from its blocks with a division for every element. Elements are asked
// for in increasing order of index.
template <class Claim>
class CClaimCursor
{
public:
  explicit CClaimCursor(const Claim& claim) : m_Claim(claim) {}

  auto At(std::uint32_t i) { return m_Run.At(Step(i)); }
  template <class... Args>
  auto Construct(std::uint32_t i, Args&&... args)
  {
    return m_Run.Construct(Step(i), std::forward<Args>(args)...);
  }

private:
  // The place of element i in its run, the run made current.
  std::uint32_t Step(std::uint32_t i)
  {
    while (i >= m_End)
      NextRun();
    return i - m_Start;
  }
  // The longest run from the end of the current one: doubled while it holds, then halved back.
  void NextRun()
  {
    m_Start = m_End;
    const std::uint32_t left = m_Claim.GetSize() - m_Start;
    std::uint32_t n = 1;
    while (2 * n <= left && m_Claim.RunAt(m_Start, 2 * n))
      n *= 2;
    for (std::uint32_t step = n / 2; step > 0; step /= 2)
      if (n + step <= left && m_Claim.RunAt(m_Start, n + step))
        n += step;
    m_Run = m_Claim.RunAt(m_Start, n);
    m_End = m_Start + n;
  }

  const Claim& m_Claim;
  typename Claim::CRun m_Run;
  std::uint32_t m_Start = 0;
  std::uint32_t m_End = 0;
};

// How far past the end of a run of null patches the codes of the next run are fetched.
constexpr std::uintptr_t kCodeFetchBytes = 1024;

// A layer with no more than one removal in this many codes passes over taken gates by a branch.
constexpr std::int64_t kFewRemovals = 16;

// A layer that replaces more than one face in this many has every list built again.
constexpr size_t kRelistShare = 16;

// Arrays read at random up to this size are taken to stay in the second-level cache, with no
// fetch ahead.
constexpr size_t kCachedBytes = size_t(512) << 10;

// Null patches are held back at the end of a layer when they number one face in this many, or
// in the first share until the mesh is known to be one piece: that walk over every face is
// worth the first run alone.
constexpr size_t kHoldBackShare = 64;
constexpr size_t kFirstHoldBackShare = 8;

// The slot of each base vertex: the adjacency index when it names the vertex's own slot.
std::vector<int> FaceCorners(const CMesh3d& mesh)
{
  const int nv = mesh.NbVertex();
  bool indexed = true;
  for (int i = 0; i < nv && indexed; i++)
    indexed = mesh.GetVertex(i)->GetAdjacencyIndex() == i;
  std::unordered_map<const CVertex3d*, int> slot;
  if (!indexed)
    for (int i = 0; i < nv; i++)
      slot.emplace(mesh.GetVertex(i), i);
  std::vector<int> corners;
  corners.reserve(3 * static_cast<size_t>(mesh.NbFace()));
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CVertex3d* v = mesh.GetFace(i)->v(k);
      corners.push_back(indexed ? v->GetAdjacencyIndex() : slot.at(v));
    }
  return corners;
}

// Vertices 0 and 1 are neighbours when a face holds both.
bool HoldsSeedEdge(const std::vector<int>& corners)
{
  for (size_t i = 0; i + 2 < corners.size(); i += 3) {
    const int* c = &corners[i];
    const bool zero = c[0] == 0 || c[1] == 0 || c[2] == 0;
    const bool one = c[0] == 1 || c[1] == 1 || c[2] == 1;
    if (zero && one)
      return true;
  }
  return false;
}

// CVector3d's normalisation, the same operations in the same order, on plain floats: no
// object made and destroyed per face and per vertex.
void Normalize(std::array<float, 3>* p)
{
  auto& v = *p;
  const double norm = std::sqrt(static_cast<double>(v[0]) * v[0] + static_cast<double>(v[1]) * v[1] +
                                static_cast<double>(v[2]) * v[2]);
  if (norm == 0.0)
    return;
  // Two quotients by one instruction where the target has one, each the one a division gives.
  using Pair = double __attribute__((vector_size(16)));
  const Pair xy = Pair{v[0], v[1]} / Pair{norm, norm};
  v = {static_cast<float>(xy[0]), static_cast<float>(xy[1]), static_cast<float>(v[2] / norm)};
}

// CVector3d's cross product of p1 - p0 and p2 - p0, likewise, not yet normalised.
std::array<float, 3> Cross(const std::array<float, 3>& p0, const std::array<float, 3>& p1,
                           const std::array<float, 3>& p2)
{
  const float u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
  const float w[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
  return {static_cast<float>(static_cast<double>(u[1]) * w[2] - static_cast<double>(u[2]) * w[1]),
          static_cast<float>(static_cast<double>(u[2]) * w[0] - static_cast<double>(u[0]) * w[2]),
          static_cast<float>(static_cast<double>(u[0]) * w[1] - static_cast<double>(u[1]) * w[0])};
}

// Normalize on two vectors at once: one root and three divisions for the pair, each lane the
// very quotient Normalize gives. A zero vector, which Normalize leaves alone, goes through it.
void NormalizePair(std::array<float, 3>* p, std::array<float, 3>* q)
{
  using Pair = double __attribute__((vector_size(16)));
  auto& a = *p;
  auto& b = *q;
  const Pair x{a[0], b[0]};
  const Pair y{a[1], b[1]};
  const Pair z{a[2], b[2]};
  const Pair squares = x * x + y * y + z * z;
  if (squares[0] == 0.0 || squares[1] == 0.0) {
    Normalize(p);
    Normalize(q);
    return;
  }
  const Pair norm{std::sqrt(squares[0]), std::sqrt(squares[1])};
  const Pair nx = x / norm;
  const Pair ny = y / norm;
  const Pair nz = z / norm;
  a = {static_cast<float>(nx[0]), static_cast<float>(ny[0]), static_cast<float>(nz[0])};
  b = {static_cast<float>(nx[1]), static_cast<float>(ny[1]), static_cast<float>(nz[1])};
}

#if defined(__x86_64__)
// Normalize on four vectors at once in AVX lanes, for processors that have them: a 256-bit
// root or division does four for about the price of two. IEEE operations round alike in any
// width, so each lane gets the bits Normalize gives; a zero vector stays as it is.
namespace avx {

__attribute__((target("avx"))) void NormalizeFour(std::array<float, 3>* p)
{
  __m256d v[3];
  for (size_t k = 0; k < 3; k++)
    v[k] = _mm256_set_pd(p[3][k], p[2][k], p[1][k], p[0][k]);
  const __m256d squares = _mm256_add_pd(
      _mm256_add_pd(_mm256_mul_pd(v[0], v[0]), _mm256_mul_pd(v[1], v[1])),
      _mm256_mul_pd(v[2], v[2]));
  const __m256d norm = _mm256_sqrt_pd(squares);
  const __m256d zero = _mm256_cmp_pd(norm, _mm256_setzero_pd(), _CMP_EQ_OQ);
  float out[3][4];
  for (size_t k = 0; k < 3; k++) {
    const __m256d unit = _mm256_blendv_pd(_mm256_div_pd(v[k], norm), v[k], zero);
    _mm_storeu_ps(out[k], _mm256_cvtpd_ps(unit));
  }
  for (size_t l = 0; l < 4; l++)
    p[l] = {out[0][l], out[1][l], out[2][l]};
}

bool Available()
{
  return __builtin_cpu_supports("avx");
}

} // namespace avx
#endif

// Normalize on the n vectors at p, as many side by side as the processor takes.
void NormalizeAll(std::array<float, 3>* p, size_t n)
{
  size_t i = 0;
#if defined(__x86_64__)
  if (avx::Available())
    for (; i + 4 <= n; i += 4)
      avx::NormalizeFour(p + i);
#endif
  for (; i + 1 < n; i += 2)
    NormalizePair(p + i, p + i + 1);
  if (i < n)
    Normalize(p + i);
}

} // namespace

CProgressiveReplay::CProgressiveReplay(const CMesh3d& base, const float scale[3],
                                       const float shift[3], int nbAddedVertex)
  : CProgressiveReplay(base, FaceCorners(base), scale, shift, nbAddedVertex)
{
}

CProgressiveReplay::CProgressiveReplay(const CMesh3d& base, const std::vector<int>& corners,
                                       const float scale[3], const float shift[3],
                                       int nbAddedVertex)
{
  std::copy_n(scale, 3, m_Scale);
  std::copy_n(shift, 3, m_Shift);
  m_NbBaseVertex = base.NbVertex();
  // Each re-inserted vertex adds at most six faces; the ones it replaces keep their place.
  const size_t nv = static_cast<size_t>(base.NbVertex()) + static_cast<size_t>(std::max(0, nbAddedVertex));
  const size_t nf = static_cast<size_t>(base.NbFace()) + 6 * (nv - static_cast<size_t>(base.NbVertex()));
  m_Position.reserve(nv);
  m_Quantized.reserve(nv);
  m_Vertices.reserve(nv);
  m_Faces.reserve(nf);
  m_FaceFlag.reserve(nf);
  // The lists are as large as the final mesh needs from the start: nothing is copied or given
  // back to the system between layers.
  m_FaceList.reserve(3 * nf);
  for (std::vector<int>* pList : {&m_FaceStart, &m_FaceCount, &m_FaceRoom, &m_Stamp, &m_FirstEdge})
    pList->reserve(nv);
  for (int i = 0; i < base.NbVertex(); i++) {
    const CVertex3d* v = base.GetVertex(i);
    m_Position.push_back({v->x(), v->y(), v->z()});
    m_Quantized.push_back({v->x2(), v->y2(), v->z2()});
  }
  m_Vertices.assign(m_Position.size(), {0, 0});
  const int nbFace = std::min(base.NbFace(), static_cast<int>(corners.size() / 3));
  // None is taken or gone before the first layer.
  m_FaceFlag.assign(static_cast<size_t>(nbFace), 0);
  for (int i = 0; i < nbFace; i++) {
    const int* c = &corners[3 * static_cast<size_t>(i)];
    m_Faces.push_back({{c[0], c[1], c[2]}, {-1, -1, -1}, i});
  }
  // The vertices' neighbours are those of the base mesh until the end: layers only add edges.
  m_Seeded = base.NbVertex() >= 2 && HoldsSeedEdge(corners);
  for (int valence = 3; valence <= 6; valence++)
    for (int tagPair = 0; tagPair < 4; tagPair++)
      m_Patterns[static_cast<size_t>(4 * (valence - 3) + tagPair)] = &CProgressivePattern::Get(valence, tagPair);
}

int CProgressiveReplay::ReplayLayer(const CProgressiveCodeList& codes,
                                    CProgressiveGeometryLayer* pGeometry)
{
  m_pCodes = &codes;
  m_pGeometry = pGeometry;
  m_GateType = codes.GetGateType();
  // A removal takes faces whose gates are queued: the more removals, the more gates the null
  // patches find taken. Where few are, a branch passes them over and is seldom missed; where
  // many are, a missed branch costs more than the steps without effect that pass them over.
  // The records count the removals, one each, without a pass over the codes.
  const int nbRemoval = pGeometry ? pGeometry->NbRecord() : codes.NbRemoval();
  const bool fewRemovals = static_cast<std::int64_t>(nbRemoval) * kFewRemovals <= codes.NbCode();
  StartLayer();
  while (!m_Error) {
    if (fewRemovals)
      RunSparseNullPatches();
    else
      RunNullPatches();
    if (m_GateHead >= m_GateTail)
      break;
    const int edge = m_Gates[m_GateHead++];
    // The gate that many on is fetched as the null patches fetch it: a gate a removal takes
    // would leave it to come out of a far cache level, on a large mesh from memory.
    __builtin_prefetch(FaceAddress(m_Faces.data(), m_Gates[m_GateHead + kFetchAhead]));
    if (!DecodeGate(GateOf(edge)))
      break;
  }
  PlaceVertices();
  EndLayer();
  if (m_Error || m_CodeCursor != codes.NbCode())
    return 0;
  return pGeometry && m_GeometryCursor == pGeometry->NbRecord();
}

void CProgressiveReplay::StartLayer()
{
  m_CodeCursor = 0;
  m_GeometryCursor = 0;
  m_Error = 0;
  m_Replayed = true;
  m_HeldNull = 0;
  if (!m_Listed)
    ListAll();
  m_NbLayerFace = static_cast<int>(m_Faces.size());
  for (std::int8_t& flag : m_FaceFlag)
    flag = IsGone(flag) ? 2 : 0;
  std::fill(m_Vertices.begin(), m_Vertices.end(), SVertex{0, 0});
  m_GateTail = 0;
  m_GateHead = 0;
  // Each face queued once at most, one more slot written and not counted, and the slots the
  // null patches read ahead of the head to fetch a face's record.
  if (m_Gates.size() < m_Faces.size() + 2 + kFetchAhead)
    m_Gates.resize(m_Faces.size() + 2 + kFetchAhead);
  if (NbVertex() < 2 || !m_Seeded)
    return;
  if (m_UniqueEdges) {
    QueueGate(m_Seed[0]);
    QueueGate(m_Seed[1]);
  } else {
    PushGate(0, 1, -1);
    PushGate(1, 0, -1);
  }
  m_Vertices[0] = {1, 2};
  m_Vertices[1] = {1, 1};
}

// Counting sort of the corners by vertex: each vertex's faces in face order, with no room to
// spare (a list that grows moves). The stream's faces have three distinct corners, and so have
// those the layers add; no face is gone.
void CProgressiveReplay::ListFaces()
{
  const size_t nv = m_Position.size();
  // The faces' address and count in locals: an entry written could be any member, for all
  // the compiler knows, and each would be read again after it.
  const SFace* const faces = m_Faces.data();
  const size_t nbFace = m_Faces.size();
  m_FaceStart.assign(nv + 2, 0);
  for (size_t i = 0; i < nbFace; i++)
    for (int x : faces[i].v)
      m_FaceStart[static_cast<size_t>(x) + 2]++;
  for (size_t i = 2; i < nv + 2; i++)
    m_FaceStart[i] += m_FaceStart[i - 1];
  m_FaceList.resize(3 * nbFace);
  // m_FaceStart[v + 1] runs from the start of v's faces to their end. The three places are
  // taken before any entry is written: an entry written could be a count, for all the
  // compiler knows, and each count would be read again after it.
  int* const place = m_FaceStart.data() + 1;
  SCorner* const list = m_FaceList.data();
  // Each entry by one store: the entries land at random, and four stores each would fill
  // the processor's queue of stores with few cache lines in flight.
  const auto put = [place, list, faces](size_t i) {
    const auto& v = faces[i].v;
    const int face = static_cast<int>(i);
    const size_t p0 = static_cast<size_t>(place[v[0]]++);
    const size_t p1 = static_cast<size_t>(place[v[1]]++);
    const size_t p2 = static_cast<size_t>(place[v[2]]++);
#if defined(__SSE2__)
    // The corners in lanes 0 to 2, the face's first link beside them cleared; an entry is two
    // of them shuffled into place, plus the face and the slot.
    static_assert(offsetof(SFace, v) == 0 && offsetof(SFace, across) == 12);
    const __m128i corners = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&faces[i])),
                                          _mm_set_epi32(0, -1, -1, -1));
    const __m128i tail = _mm_shuffle_epi32(_mm_cvtsi32_si128(face), _MM_SHUFFLE(1, 0, 1, 1));
    const __m128i entries[3] = {
        _mm_add_epi32(_mm_shuffle_epi32(corners, _MM_SHUFFLE(3, 3, 1, 2)), tail),
        _mm_add_epi32(_mm_shuffle_epi32(corners, _MM_SHUFFLE(3, 3, 2, 0)), _mm_add_epi32(tail, _mm_set_epi32(1, 0, 0, 0))),
        _mm_add_epi32(_mm_shuffle_epi32(corners, _MM_SHUFFLE(3, 3, 0, 1)), _mm_add_epi32(tail, _mm_set_epi32(2, 0, 0, 0)))};
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&list[p0]), entries[0]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&list[p1]), entries[1]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&list[p2]), entries[2]);
#else
    using Quad = int __attribute__((vector_size(16)));
    static_assert(sizeof(Quad) == sizeof(SCorner));
    const Quad entries[3] = {{v[2], v[1], face, 0}, {v[0], v[2], face, 1}, {v[1], v[0], face, 2}};
    std::memcpy(static_cast<void*>(&list[p0]), &entries[0], sizeof(Quad));
    std::memcpy(static_cast<void*>(&list[p1]), &entries[1], sizeof(Quad));
    std::memcpy(static_cast<void*>(&list[p2]), &entries[2], sizeof(Quad));
#endif
  };
  // The entries land at random: the lines the faces a few on will write are fetched for
  // writing now, where the writes would wait on them. The places may move by then, most
  // often within the line.
  constexpr size_t kAhead = 8;
  size_t i = 0;
  for (; i + kAhead < nbFace; i++) {
    for (const int x : faces[i + kAhead].v)
      __builtin_prefetch(&list[place[x]], 1);
    put(i);
  }
  for (; i < nbFace; i++)
    put(i);
  m_FaceStart.resize(nv);
  m_FaceCount.resize(nv);
  for (size_t a = 0; a + 1 < nv; a++)
    m_FaceCount[a] = m_FaceStart[a + 1] - m_FaceStart[a];
  if (nv > 0)
    m_FaceCount[nv - 1] = static_cast<int>(m_FaceList.size()) - m_FaceStart[nv - 1];
  m_FaceRoom = m_FaceCount;
}

// Corner k of the face, with its corners before and after, goes last in v's faces; a list out
// of room moves to the end with twice the room.
void CProgressiveReplay::AppendToList(int v, const int* corners, int face, int k)
{
  const size_t a = static_cast<size_t>(v);
  if (m_FaceCount[a] == m_FaceRoom[a]) {
    const int room = std::max(8, 2 * m_FaceRoom[a]);
    const size_t start = m_FaceList.size();
    m_FaceList.resize(start + static_cast<size_t>(room));
    std::copy_n(m_FaceList.begin() + m_FaceStart[a], m_FaceCount[a], m_FaceList.begin() + static_cast<std::ptrdiff_t>(start));
    m_FaceStart[a] = static_cast<int>(start);
    m_FaceRoom[a] = room;
  }
  m_FaceList[static_cast<size_t>(m_FaceStart[a] + m_FaceCount[a]++)] = {corners[(k + 2) % 3],
                                                                        corners[(k + 1) % 3], face, k};
}

void CProgressiveReplay::RemoveFromList(int v, int face)
{
  const size_t a = static_cast<size_t>(v);
  SCorner* begin = m_FaceList.data() + m_FaceStart[a];
  SCorner* end = begin + m_FaceCount[a];
  SCorner* c = std::find_if(begin, end, [face](const SCorner& x) { return x.face == face; });
  if (c == end)
    return;
  std::copy(c + 1, end, c);
  m_FaceCount[a]--;
}

// For vertex a, the first of its faces holding x -> a for every x; then each edge a -> x of
// its faces gets that face's edge x -> a: what FrontEdge(a, x) finds walking a's faces. The
// edges leaving a depend on a's faces alone.
void CProgressiveReplay::ListAcross(int a, int pass)
{
  const SCorner* begin = m_FaceList.data() + m_FaceStart[static_cast<size_t>(a)];
  const SCorner* end = begin + m_FaceCount[static_cast<size_t>(a)];
  for (const SCorner* c = begin; c != end; c++) {
    const size_t x = static_cast<size_t>(c->previous);
    if (m_Stamp[x] == pass) {
      m_EdgeHeldTwice = true;
      continue;
    }
    m_Stamp[x] = pass;
    m_FirstEdge[x] = Edge(c->face, kPrevious[c->corner]);
  }
  for (const SCorner* c = begin; c != end; c++) {
    const size_t x = static_cast<size_t>(c->next);
    m_Faces[static_cast<size_t>(c->face)].across[static_cast<size_t>(c->corner)] =
        m_Stamp[x] == pass ? m_FirstEdge[x] : -1;
  }
}

void CProgressiveReplay::Touch(int v, int pass)
{
  if (m_Stamp[static_cast<size_t>(v)] == pass)
    return;
  m_Stamp[static_cast<size_t>(v)] = pass;
  m_Touched.push_back(v);
}

// The faces replaced by the layers leave, the others keeping their order.
void CProgressiveReplay::DropGoneFaces(bool relink)
{
  size_t kept = static_cast<size_t>(std::find_if(m_FaceFlag.begin(), m_FaceFlag.end(), IsGone) - m_FaceFlag.begin());
  // Gone faces lie among the others as the layers left them: every face is copied, and only
  // the count depends on whether it stays, where a branch would be mispredicted.
  // On local copies of the arrays' addresses and size: a flag written through a member's
  // array could be any member, so each would be read again after every flag.
  SFace* const faces = m_Faces.data();
  std::int8_t* const flags = m_FaceFlag.data();
  const size_t n = m_Faces.size();
  int* index = nullptr;
  if (relink) {
    m_FaceIndex.resize(n + 1);
    m_FaceIndex[0] = -1;
    index = m_FaceIndex.data() + 1;
    for (size_t i = 0; i < kept; i++)
      index[i] = static_cast<int>(i);
  }
  // The index in a loop of its own, where it is made: the other needs no test of it.
  if (relink) {
    for (size_t i = kept; i < n; i++) {
      const std::int8_t flag = flags[i];
      const int gone = static_cast<int>(IsGone(flag));
      faces[kept] = faces[i];
      flags[kept] = flag;
      index[i] = static_cast<int>(kept) | -gone;
      kept += static_cast<size_t>(1 - gone);
    }
    // The faces across by their new indices, -1 for none or one gone: the store then finds
    // each face across with one load at random, where two in a row held up its loop. A
    // missing face, -1, is slot -1 of the index, itself -1, on side 3: -1 again.
    for (size_t i = 0; i < kept; i++)
      for (int& edge : faces[i].across)
        edge = Edge(index[FaceOf(edge)], SideOf(edge));
  } else {
    for (size_t i = kept; i < n; i++) {
      const std::int8_t flag = flags[i];
      faces[kept] = faces[i];
      flags[kept] = flag;
      kept += static_cast<size_t>(!IsGone(flag));
    }
  }
  m_Faces.resize(kept);
  m_FaceFlag.resize(kept);
  m_NbGone = 0;
}

// Every list from the faces as they are, the gone ones dropped first; the faces keep their
// order and so every list its order.
void CProgressiveReplay::ListAll()
{
  DropGoneFaces();
  ListFaces();
  m_Stamp.resize(m_Position.size(), -1);
  m_FirstEdge.resize(m_Position.size());
  m_EdgeHeldTwice = false;
  for (int a = 0; a < NbVertex(); a++)
    ListAcross(a, m_Pass + a);
  m_Pass += NbVertex();
  m_Listed = true;
  // The layers keep every edge held once each way round: from here on they keep the faces
  // across, and the lists are only built again for the stored mesh.
  m_UniqueEdges = !m_EdgeHeldTwice;
  if (m_UniqueEdges && NbVertex() >= 2)
    m_Seed = {FrontEdge(0, 1), FrontEdge(1, 0)};
}

void CProgressiveReplay::LinkAcross(int edge, int across)
{
  m_Faces[static_cast<size_t>(FaceOf(edge))].across[static_cast<size_t>(SideOf(edge))] = across;
  if (m_UniqueEdges && across >= 0)
    m_Faces[static_cast<size_t>(FaceOf(across))].across[static_cast<size_t>(SideOf(across))] = edge;
}

void CProgressiveReplay::ForwardSeeds()
{
  for (int& seed : m_Seed)
    if (seed >= 0 && IsGone(m_FaceFlag[static_cast<size_t>(FaceOf(seed))]))
      seed = m_Faces[static_cast<size_t>(FaceOf(seed))].across[static_cast<size_t>(SideOf(seed))];
}

// The replaced faces leave their vertices' lists, the added faces join them last; the faces
// across are listed again around every vertex whose faces changed. A layer that changed much
// of the mesh has them all listed again, by the next layer if one comes: a sort in memory
// order costs less than as many updates at random.
void CProgressiveReplay::EndLayer()
{
  const size_t nv = m_Position.size();
  m_NbGone += m_Replaced.size();
  if (m_UniqueEdges) {
    ForwardSeeds();
    m_Replaced.clear();
    return;
  }
  if (m_Replaced.size() * kRelistShare > m_Faces.size()) {
    m_Replaced.clear();
    m_Listed = false;
    return;
  }
  m_Stamp.resize(nv, -1);
  m_FirstEdge.resize(nv);
  m_FaceStart.resize(nv, 0);
  m_FaceCount.resize(nv, 0);
  m_FaceRoom.resize(nv, 0);
  m_Touched.clear();
  const int pass = m_Pass++;
  for (const int face : m_Replaced)
    for (const int x : m_Faces[static_cast<size_t>(face)].v) {
      RemoveFromList(x, face);
      Touch(x, pass);
    }
  m_Replaced.clear();
  for (size_t i = static_cast<size_t>(m_NbLayerFace); i < m_Faces.size(); i++)
    for (int k = 0; k < 3; k++) {
      const int x = m_Faces[i].v[static_cast<size_t>(k)];
      AppendToList(x, m_Faces[i].v.data(), static_cast<int>(i), k);
      Touch(x, pass);
    }
  for (const int a : m_Touched)
    ListAcross(a, m_Pass++);
}

int CProgressiveReplay::TagPair(int first, int second) const
{
  return CProgressiveGate::TagPair(m_Vertices[static_cast<size_t>(first)].mark,
                                   m_Vertices[static_cast<size_t>(second)].mark);
}

int CProgressiveReplay::FrontEdge(int first, int second) const
{
  const int begin = m_FaceStart[static_cast<size_t>(first)];
  const int end = begin + m_FaceCount[static_cast<size_t>(first)];
  for (int i = begin; i < end; i++) {
    const SCorner& c = m_FaceList[static_cast<size_t>(i)];
    if (c.previous == second)
      return Edge(c.face, kPrevious[c.corner]);
  }
  return -1;
}

int CProgressiveReplay::FrontEdge(int first, int second, int back) const
{
  if (back >= 0 && FaceOf(back) < m_NbLayerFace)
    return m_Faces[static_cast<size_t>(FaceOf(back))].across[static_cast<size_t>(SideOf(back))];
  return FrontEdge(first, second);
}

int CProgressiveReplay::EdgeOf(int face, int from, int to) const
{
  const auto& v = m_Faces[static_cast<size_t>(face)].v;
  for (int k = 0; k < 3; k++)
    if (v[static_cast<size_t>(k)] == from && v[static_cast<size_t>(kNext[k])] == to)
      return Edge(face, k);
  return -1;
}

int CProgressiveReplay::HasLiveAcross(int face, int k) const
{
  const int edge = m_Faces[static_cast<size_t>(face)].across[static_cast<size_t>(k)];
  // A face across that the layer added stands for the replaced one.
  return edge >= 0 && (m_FaceFlag[static_cast<size_t>(FaceOf(edge))] & 3) < 2 ? 1 : 0;
}

// True when some face of a not about to go holds the edge b -> a.
int CProgressiveReplay::HasLiveEdge(int a, int b) const
{
  const int begin = m_FaceStart[static_cast<size_t>(a)];
  const int end = begin + m_FaceCount[static_cast<size_t>(a)];
  for (int i = begin; i < end; i++) {
    const SCorner& c = m_FaceList[static_cast<size_t>(i)];
    if (c.previous == b && !IsGone(m_FaceFlag[static_cast<size_t>(c.face)]))
      return 1;
  }
  return 0;
}

int CProgressiveReplay::DecodeGate(Gate gate)
{
  if (!IsFree(m_FaceFlag[static_cast<size_t>(FaceOf(gate.edge))]) ||
      m_CodeCursor >= m_pCodes->NbCode())
    return 1;
  const unsigned int code = m_pCodes->GetCode(m_CodeCursor);
  if (code == 2) {
    NullPatch(gate);
    m_CodeCursor++;
    return 1;
  }
  if (code == 1)
    return DecodeBoundaryStep(gate);
  if (code < 3 || code > 6) {
    m_Error = 1;
    return 0;
  }
  // Where the pattern is missing the code waits for the next gate: an implied null patch.
  if (!FindPattern(gate, static_cast<int>(code))) {
    NullPatch(gate);
    return 1;
  }
  InsertVertex();
  m_CodeCursor++;
  return 1;
}

// NullPatch and QueueGate on local copies of the arrays' addresses and of the queue's ends: a
// byte written through a member's array could be any member, so each would be read again
// after every flag or mark written. A gate whose face was taken after it was queued goes
// through the same steps with no effect: whether it was cannot be predicted, and a missed
// guess costs more than the steps. The queue needs no room checked: StartLayer made room for
// every face.
void CProgressiveReplay::RunNullPatches()
{
  const unsigned int* codes = m_pCodes->GetCodes().data();
  const int nbCode = m_pCodes->NbCode();
  const SFace* faces = m_Faces.data();
  std::int8_t* flags = m_FaceFlag.data();
  SVertex* vertices = m_Vertices.data();
  size_t head = m_GateHead;
  size_t tail = m_GateTail;
  int cursor = m_CodeCursor;
  int* gates = m_Gates.data();
  const SPatchTables& tables = kPatch;
  // A code is left for every gate the loop takes: once none is, every gate left would be
  // passed over, which the end of the loop does at once.
  while (head < tail && cursor < nbCode) {
    const std::ptrdiff_t edge = gates[head];
    const std::ptrdiff_t face = edge >> 2;
    // live: the face is free, 0 or 1.
    const int live = static_cast<int>(IsFree(flags[face]));
    if (live & static_cast<int>(codes[cursor] != 2))
      break;
    head++;
    cursor += live;
    // The record of a face a few gates on is fetched now: fetched when its gate was queued,
    // it had left the first-level cache by the time the gate came out. The queue has room
    // for the slots read ahead; those beyond the tail hold old edges or none.
    __builtin_prefetch(FaceAddress(faces, gates[head + kFetchAhead]));
    const SFace& f = faces[face];
    const size_t j = static_cast<size_t>(edge & 3);
    const size_t next = static_cast<size_t>(tables.next[j]);
    const size_t previous = static_cast<size_t>(tables.previous[j]);
    // A free face popped is queued: it leaves that flag for 1. A face already taken keeps its flag.
    flags[face] = static_cast<std::int8_t>(flags[face] - live * (kQueued - 1));
    // The third corner as the sparse null patches take it, or as it was where the face was
    // taken already: a select of the whole vertex by a mask, since whether the face is free
    // is no pattern.
    SVertex& taken = vertices[static_cast<size_t>(f.v[previous])];
    const unsigned both = static_cast<std::uint8_t>(vertices[static_cast<size_t>(f.v[next])].mark &
                                                    vertices[static_cast<size_t>(f.v[j])].mark);
    static_assert(sizeof(SVertex) == sizeof(std::uint16_t));
    std::uint16_t was = 0;
    std::uint16_t now = 0;
    std::memcpy(&was, &taken, sizeof(was));
    std::memcpy(&now, &tables.taken[static_cast<unsigned>(static_cast<std::uint8_t>(taken.mark)) << 2 | both],
                sizeof(now));
    const auto keep = static_cast<std::uint16_t>(live - 1);
    const auto result = static_cast<std::uint16_t>((now & ~keep) | (was & keep));
    std::memcpy(&taken, &result, sizeof(result));
    // A missing face across, -1, reads the flag before the first face's, never free. A live
    // patch queues the free faces in front, and flags every face in front queued, which a
    // face not free keeps with no effect; the count grows by a carry, the flag compared
    // unsigned with live.
    const std::ptrdiff_t ahead[2] = {f.across[next], f.across[previous]};
    const auto queuedFlag = static_cast<std::uint8_t>(live << 2);
    for (int k = 0; k < 2; k++) {
      std::uint8_t& flag = reinterpret_cast<std::uint8_t&>(flags[ahead[k] >> 2]);
      gates[tail] = static_cast<int>(ahead[k]);
      tail += static_cast<size_t>(flag < static_cast<unsigned>(live));
      flag = static_cast<std::uint8_t>(flag | queuedFlag);
    }
  }
  if (cursor >= nbCode)
    head = std::max(head, tail);
  m_GateHead = head;
  m_GateTail = tail;
  m_CodeCursor = cursor;
}

// RunNullPatches for a layer with few removals, where few gates find their face taken: those
// are passed over by a branch, seldom missed, and the null patches need not carry `live`
// through their steps. The queue's ends are pointers and the codes a count of the null
// patches left in the run at the cursor: the loop's values then fit in the registers, where
// indices, the codes' array and its count had some spilled to the stack. A run is counted at
// each call, which costs more than it saves where removals are many and runs short. Kept
// out of the layer's loop, which then has room to take DecodeGate in.
[[gnu::noinline]] void CProgressiveReplay::RunSparseNullPatches()
{
  const int nbCode = m_pCodes->NbCode();
  const unsigned int* const codes = m_pCodes->GetCodes().data();
  const int stop = EndOfNullRun(codes, m_CodeCursor, nbCode);
  // The codes of the next run are fetched while this one's patches are taken: read long
  // after they were decoded, they come from a far cache level, a line at a time.
  const auto after = reinterpret_cast<std::uintptr_t>(codes + stop);
  for (std::uintptr_t offset = 64; offset <= kCodeFetchBytes; offset += 64)
    __builtin_prefetch(reinterpret_cast<const void*>(after + offset));
  // A run to the end of the layer comes after its last removal.
  if (stop == nbCode && HoldBackNullPatches(stop - m_CodeCursor))
    return;
  m_CodeCursor = stop - TakeNullPatches(stop - m_CodeCursor);
  if (m_CodeCursor >= nbCode)
    m_GateHead = m_GateTail;
}

int CProgressiveReplay::TakeNullPatches(int left)
{
  const SFace* faces = m_Faces.data();
  std::int8_t* flags = m_FaceFlag.data();
  SVertex* vertices = m_Vertices.data();
  const int* const gates = m_Gates.data();
  int* const slots = m_Gates.data();
  size_t head = m_GateHead;
  size_t tail = m_GateTail;
  const SPatchTables& tables = kPatch;
  // Edges are widened as they are read: a face's index is then one shift, with no sign
  // extension after it.
  while (head < tail) {
    const std::ptrdiff_t edge = gates[head];
    const std::ptrdiff_t face = edge >> 2;
    if (!IsFree(flags[face])) {
      head++;
      continue;
    }
    // A free face and no null patch left: the gate waits for the code at the cursor.
    if (left == 0)
      break;
    head++;
    left--;
    // The queue has room for kFetchAhead more slots: the slot is read with no test of the
    // tail, and beyond it holds an old edge or none, whose fetch costs nothing but the fetch.
    __builtin_prefetch(FaceAddress(faces, gates[head + kFetchAhead]));
    const SFace& f = faces[face];
    const size_t j = static_cast<size_t>(edge & 3);
    const size_t next = static_cast<size_t>(tables.next[j]);
    const size_t previous = static_cast<size_t>(tables.previous[j]);
    // Popped, the face leaves the queued flag for 1.
    flags[face] = 1;
    SVertex& taken = vertices[static_cast<size_t>(f.v[previous])];
    const unsigned both = static_cast<std::uint8_t>(vertices[static_cast<size_t>(f.v[next])].mark &
                                                    vertices[static_cast<size_t>(f.v[j])].mark);
    taken = tables.taken[static_cast<unsigned>(static_cast<std::uint8_t>(taken.mark)) << 2 | both];
    const std::ptrdiff_t ahead[2] = {f.across[next], f.across[previous]};
    // Every face in front gets the queued flag, which a face not free keeps with no effect:
    // it stays not free. The count grows by a carry, the flag compared unsigned with 1.
    for (int k = 0; k < 2; k++) {
      std::uint8_t& flag = reinterpret_cast<std::uint8_t&>(flags[ahead[k] >> 2]);
      slots[tail] = static_cast<int>(ahead[k]);
      tail += static_cast<size_t>(flag < 1u);
      flag = static_cast<std::uint8_t>(flag | kQueued);
    }
  }
  m_GateHead = head;
  m_GateTail = tail;
  return left;
}

namespace {

#if defined(__SSE2__)
// Eight codes from p: a mask with a bit set per byte of each code that is not 2.
unsigned OtherThanNull(const unsigned int* p)
{
  const __m128i two = _mm_set1_epi32(2);
  const __m128i a = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), two);
  const __m128i b = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4)), two);
  return ~static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi32(a, b))) & 0xFFFFu;
}
#endif

} // namespace

int CProgressiveReplay::EndOfNullRun(const unsigned int* codes, int from, int nbCode)
{
  int i = from;
  // Eight at a time: the runs are long, and eight codes are tested with no branch per code.
#if defined(__SSE2__)
  for (; i + 8 <= nbCode; i += 8)
    if (const unsigned other = OtherThanNull(codes + i); other != 0)
      return i + std::countr_zero(other) / 2;
#else
  while (i + 8 <= nbCode) {
    unsigned int other = 0;
    for (int k = 0; k < 8; k++)
      other |= codes[i + k] ^ 2u;
    if (other != 0)
      break;
    i += 8;
  }
#endif
  while (i < nbCode && codes[i] == 2)
    i++;
  return i;
}

bool CProgressiveReplay::HoldBackNullPatches(int left)
{
  // Worth the count of the free faces, and once the piece, only where the run is long.
  const size_t nbFace = m_Faces.size();
  const size_t share = m_Connected == EConnected::Unknown ? kFirstHoldBackShare : kHoldBackShare;
  if (!m_UniqueEdges || m_Connected == EConnected::Split || static_cast<size_t>(left) * share < nbFace)
    return false;
  // A gate queued in front of a free face: else the queue takes no face, however many are free.
  const int* const gates = m_Gates.data();
  size_t head = m_GateHead;
  while (head < m_GateTail && !IsFree(m_FaceFlag[static_cast<size_t>(FaceOf(gates[head]))]))
    head++;
  if (head == m_GateTail || !IsConnected())
    return false;
  // Counted in bytes, a block at a time, which the compiler widens to vectors.
  const std::uint8_t* const flags = reinterpret_cast<const std::uint8_t*>(m_FaceFlag.data());
  size_t nbFree = 0;
  for (size_t i = 0; i < nbFace; i += 255) {
    const size_t end = std::min(nbFace, i + 255);
    std::uint8_t count = 0;
    for (size_t j = i; j < end; j++)
      count = static_cast<std::uint8_t>(count + ((flags[j] & 3) == 0));
    nbFree += count;
  }
  if (static_cast<size_t>(left) > nbFree)
    return false;
  // The queue is left as it is for Store, and the layer ends.
  m_HeldNull = left;
  m_HeldHead = m_GateHead;
  m_GateHead = m_GateTail;
  m_CodeCursor += left;
  return true;
}

// A walk from the first face that is not gone over the faces across; a face across that does
// not name its face back leaves the question open, answered no.
bool CProgressiveReplay::IsConnected()
{
  if (m_Connected != EConnected::Unknown)
    return m_Connected == EConnected::Whole;
  const size_t nbFace = m_Faces.size();
  m_Reached.resize(nbFace);
  // One slot more: a face met again is written past the last one queued.
  m_Pending.resize(nbFace + 1);
  // A gone face counts as reached: no walk enters it, as no gate is queued in front of it.
  std::int8_t* const reached = m_Reached.data();
  const std::int8_t* const flags = m_FaceFlag.data();
  size_t nbLive = 0;
  for (size_t i = 0; i < nbFace; i++) {
    reached[i] = static_cast<std::int8_t>(IsGone(flags[i]));
    nbLive += static_cast<size_t>(!IsGone(flags[i]));
  }
  const SFace* const faces = m_Faces.data();
  int* const pending = m_Pending.data();
  // First in, first out: the faces taken out were put in long before, their records loaded
  // side by side, where the last one put in is taken out next and waits on its own load.
  // Whether every face is reached does not depend on the order.
  size_t head = 0;
  size_t tail = 0;
  if (const auto first = std::find(reached, reached + nbFace, 0); first != reached + nbFace) {
    *first = 1;
    pending[tail++] = static_cast<int>(first - reached);
  }
  bool oneWay = false;
  while (head < tail && !oneWay) {
    const int face = pending[head++];
    for (int k = 0; k < 3; k++) {
      const int edge = faces[face].across[static_cast<size_t>(k)];
      if (edge < 0)
        continue;
      const size_t other = static_cast<size_t>(FaceOf(edge));
      oneWay |= faces[other].across[static_cast<size_t>(SideOf(edge))] != Edge(face, k);
      // Written in any case, counted only when new: whether it is follows no pattern.
      pending[tail] = static_cast<int>(other);
      tail += static_cast<size_t>(!reached[other]);
      reached[other] = 1;
    }
  }
  const size_t nbReached = head;
  m_Connected = !oneWay && nbReached == nbLive ? EConnected::Whole : EConnected::Split;
  return m_Connected == EConnected::Whole;
}

// The vertex joins the front; an unmarked one takes the mark.
void CProgressiveReplay::Take(int v, std::int8_t mark)
{
  SVertex& s = m_Vertices[static_cast<size_t>(v)];
  s.flag = 1;
  s.mark = s.mark != 0 ? s.mark : mark;
}

// The face in front is conquered without a removal; the front moves over its two other edges.
void CProgressiveReplay::NullPatch(Gate gate)
{
  const size_t face = static_cast<size_t>(FaceOf(gate.edge));
  const SFace& f = m_Faces[face];
  const int j = SideOf(gate.edge);
  const int w = f.v[static_cast<size_t>(kPrevious[j])];
  m_FaceFlag[face] = 1;
  // Tag pair 2: both ends marked 2.
  const int both = static_cast<int>(m_Vertices[static_cast<size_t>(gate.first)].mark == 2) &
                   (m_Vertices[static_cast<size_t>(gate.second)].mark == 2);
  Take(w, static_cast<std::int8_t>(2 - both));
  // A gate's face is one the layer started with: the faces across its edges are listed.
  const int first = f.across[static_cast<size_t>(kNext[j])];
  const int second = f.across[static_cast<size_t>(kPrevious[j])];
  QueueGate(first);
  QueueGate(second);
}

// Codes 1 then 5 or 6: a boundary vertex of valence 3 comes back on the border edge beside
// the front face, which that edge must still be.
int CProgressiveReplay::DecodeBoundaryStep(Gate gate)
{
  const int cursor = m_CodeCursor + 1;
  const unsigned int side = cursor < m_pCodes->NbCode() ? m_pCodes->GetCode(cursor) : 0;
  const int first = gate.first;
  const int second = gate.second;
  const int face = FaceOf(gate.edge);
  const int j = SideOf(gate.edge);
  const int w = Third(gate.edge);
  const int onFirstSide = side == 5;
  // The face's edges: j second -> first, kNext[j] first -> w, kPrevious[j] w -> second; the
  // one beside the new vertex goes, and must be on the border.
  const int gone = onFirstSide ? kPrevious[j] : kNext[j];
  if ((side != 5 && side != 6) ||
      (m_UniqueEdges ? HasLiveAcross(face, gone)
                     : (onFirstSide ? HasLiveEdge(w, second) : HasLiveEdge(first, w)))) {
    m_Error = 1;
    return 0;
  }
  const std::array<int, 6> border{first, w, second};
  static const std::vector<std::array<int, 3>> kTriangle{{0, 1, 2}};
  const int v = AddVertex(border, 3, kTriangle);
  const int kept = onFirstSide ? kNext[j] : kPrevious[j];
  const auto& across = m_Faces[static_cast<size_t>(face)].across;
  const int behind = across[static_cast<size_t>(j)];
  const int beside = across[static_cast<size_t>(kept)];
  const int vanished = across[static_cast<size_t>(gone)];
  const int next = static_cast<int>(m_Faces.size());
  if (onFirstSide) {
    AddLayerFace(first, v, second, {Edge(next + 1, 0), -1, behind});
    AddLayerFace(v, first, w, {Edge(next, 0), beside, -1});
    PushGate(first, w, Edge(face, kNext[j]));
  } else {
    AddLayerFace(first, v, second, {-1, Edge(next + 1, 2), behind});
    AddLayerFace(v, w, second, {-1, beside, Edge(next, 1)});
    PushGate(w, second, Edge(face, kPrevious[j]));
  }
  ReplaceLayerFace(face);
  auto& handed = m_Faces[static_cast<size_t>(face)].across;
  handed[static_cast<size_t>(j)] = Edge(next, 2);
  handed[static_cast<size_t>(kept)] = Edge(next + 1, 1);
  handed[static_cast<size_t>(gone)] = -1;
  LinkAcross(Edge(next, 2), behind);
  LinkAcross(Edge(next + 1, 1), beside);
  // Across the edge that goes, only a face the layer added can be left: it is on the border.
  if (m_UniqueEdges && vanished >= 0 && (m_FaceFlag[static_cast<size_t>(FaceOf(vanished))] & 3) == 3)
    m_Faces[static_cast<size_t>(FaceOf(vanished))].across[static_cast<size_t>(SideOf(vanished))] = -1;
  // That face and these may be all that held two parts of the mesh together.
  if (vanished >= 0)
    m_Connected = EConnected::Split;
  Take(w, 2);
  m_CodeCursor += 2;
  return 1;
}

// Finds the border and the faces of the retriangulation pattern of this valence in front of the
// gate; every face must be free and all of them and the border vertices distinct. The pattern
// lists its faces in the order they are found and, for each, a face found before it across
// the edge, so that no face list is walked but the first.
int CProgressiveReplay::FindPattern(Gate gate, int valence)
{
  const CProgressivePattern& pattern =
      *m_Patterns[static_cast<size_t>(4 * (valence - 3) + TagPair(gate.first, gate.second))];
  m_pPattern = &pattern;
  const size_t nbTriangle = pattern.GetFaces().size();
  int* b = m_Border.data();
  m_NbBorder = valence;
  // Whole: a fill of a known size is a few stores, where one of the valence's size is a call.
  m_Border.fill(-1);
  b[0] = gate.first;
  b[valence - 1] = gate.second;
  int* faces = m_PatternFaces.data();
  m_PatternFaces.fill(-1);
  m_NbPatternFace = static_cast<int>(nbTriangle);
  const auto& steps = pattern.GetSteps();
  if (steps.empty())
    return 0;
  for (const CProgressivePattern::SStep& step : steps) {
    const int from = b[step.from];
    const int to = b[step.to];
    int edge = -1;
    if (step.across == CProgressivePattern::kAcrossGate)
      edge = gate.edge;
    else if (step.across >= 0)
      edge = FrontEdge(to, from, EdgeOf(faces[step.across], to, from));
    else
      edge = FrontEdge(to, from);
    if (edge < 0)
      return 0;
    const int found = FaceOf(edge);
    if (!IsFree(m_FaceFlag[static_cast<size_t>(found)]) ||
        std::find(faces, faces + nbTriangle, found) != faces + nbTriangle)
      return 0;
    const int third = Third(edge);
    int& slot = b[step.third];
    if (slot >= 0 && slot != third)
      return 0;
    if (slot < 0 && std::find(b, b + valence, third) != b + valence)
      return 0;
    slot = third;
    faces[step.triangle] = found;
  }
  return 1;
}

void CProgressiveReplay::InsertVertex()
{
  const int n = m_NbBorder;
  const int* border = m_Border.data();
  // The pattern FindPattern found: the marks of the gate's ends have not changed since.
  const CProgressivePattern& pattern = *m_pPattern;
  // On a local copy of the vertices' address: a flag or mark written through a member's array
  // could be any member, so each would be read again after it.
  SVertex* const vertices = m_Vertices.data();
  const std::vector<int>& marks = pattern.GetMarks();
  for (size_t k = 0; k < marks.size(); k++) {
    SVertex& s = vertices[static_cast<size_t>(border[k + 1])];
    if (s.mark == 0)
      s.mark = static_cast<std::int8_t>(marks[k]);
  }
  for (int i = 0; i < n; i++)
    vertices[static_cast<size_t>(border[i])].flag = 1;
  for (size_t k = 0; k < pattern.GetFaces().size(); k++)
    ReplaceLayerFace(m_PatternFaces[k]);
  const int v = AddVertex(m_Border, n, pattern.GetFaces());
  const int first = static_cast<int>(m_Faces.size());
  // Fan face i holds v -> border[i - 1] across face i - 1, border[i] -> v across face i + 1,
  // around the border: wrapped by a compare rather than a remainder, which divides.
  for (int i = 0; i < n; i++) {
    const int before = i == 0 ? n - 1 : i - 1;
    const int after = i + 1 == n ? 0 : i + 1;
    AddLayerFace(v, border[before], border[i],
                 {Edge(first + before, 2), -1, Edge(first + after, 0)});
  }
  PushGatesAfterRemoval(border, n, pattern.GetBorderTriangles());
  HandOverPattern(first);
}

// This and the steps InsertVertex takes after it (AddVertex, PushGatesAfterRemoval and
// PushBorderGates) are inlined where they are called: the calls, one each per re-inserted
// vertex, cost more than the frames they would save.
__attribute__((always_inline)) inline void CProgressiveReplay::HandOverPattern(int first)
{
  const int n = m_NbBorder;
  const auto& triangles = m_pPattern->GetFaces();
  for (size_t t = 0; t < triangles.size(); t++) {
    SFace& face = m_Faces[static_cast<size_t>(m_PatternFaces[t])];
    // The face's corners are the triangle's border vertices in the same turn, from corner r.
    const int start = m_Border[static_cast<size_t>(triangles[t][0])];
    const int r = face.v[0] == start ? 0 : (face.v[1] == start ? 1 : 2);
    for (int e = 0; e < 3; e++) {
      const int from = triangles[t][static_cast<size_t>(e)];
      const int to = triangles[t][static_cast<size_t>(kNext[e])];
      int& across = face.across[static_cast<size_t>(r + e < 3 ? r + e : r + e - 3)];
      // A diagonal goes with the pattern; border edge from -> to is fan face `to`'s edge 1.
      if (to != (from + 1 == n ? 0 : from + 1)) {
        across = -1;
        continue;
      }
      LinkAcross(Edge(first + to, 1), across);
      across = Edge(first + to, 1);
    }
  }
}

__attribute__((always_inline)) inline void
CProgressiveReplay::PushGatesAfterRemoval(const int* border, int n, const std::vector<int>& borderTriangles)
{
  if (m_GateType == 0) {
    PushBorderGates(border, n, borderTriangles);
    return;
  }
  for (int i = 0; i + 1 < n; i++) {
    const int b0 = border[i];
    const int b1 = border[i + 1];
    const int holder = borderTriangles[static_cast<size_t>(i)];
    const int back = holder < 0 ? -1 : EdgeOf(m_PatternFaces[static_cast<size_t>(holder)], b0, b1);
    if (m_GateType == 0) {
      PushGate(b0, b1, back);
      continue;
    }
    const int edge = FrontEdge(b0, b1, back);
    if (edge < 0 || !IsFree(m_FaceFlag[static_cast<size_t>(FaceOf(edge))]))
      continue;
    const int front = FaceOf(edge);
    const int j = SideOf(edge);
    const int w = Third(edge);
    PushGate(b0, w, Edge(front, kNext[j]));
    PushGate(w, b1, Edge(front, kPrevious[j]));
    m_FaceFlag[static_cast<size_t>(front)] = 1;
    Take(w, TagPair(b0, b1) == 2 ? 1 : 2);
  }
}

// PushGate on local copies of the arrays' addresses and of the queue's tail: a flag written
// through a member's array could be any member, so each would be read again after it. A
// missing face across, -1, reads the flag before the first face's, never 0.
__attribute__((always_inline)) inline void
CProgressiveReplay::PushBorderGates(const int* border, int n, const std::vector<int>& borderTriangles)
{
  const SFace* faces = m_Faces.data();
  std::int8_t* flags = m_FaceFlag.data();
  int* gates = m_Gates.data();
  size_t tail = m_GateTail;
  const int nbLayerFace = m_NbLayerFace;
  for (int i = 0; i + 1 < n; i++) {
    const int b0 = border[i];
    const int b1 = border[i + 1];
    const int holder = borderTriangles[static_cast<size_t>(i)];
    int back = -1;
    if (holder >= 0) {
      const int face = m_PatternFaces[static_cast<size_t>(holder)];
      const auto& v = faces[static_cast<size_t>(face)].v;
      for (int k = 0; k < 3; k++)
        if (v[static_cast<size_t>(k)] == b0 && v[static_cast<size_t>(kNext[k])] == b1)
          back = Edge(face, k);
    }
    const int edge = back >= 0 && FaceOf(back) < nbLayerFace
                         ? faces[static_cast<size_t>(FaceOf(back))].across[static_cast<size_t>(SideOf(back))]
                         : FrontEdge(b0, b1);
    __builtin_prefetch(FaceAddress(faces, edge));
    std::int8_t& flag = flags[FaceOf(edge)];
    const int queued = static_cast<int>(flag == 0);
    gates[tail] = edge;
    flag = static_cast<std::int8_t>(flag | (queued * kQueued));
    tail += static_cast<size_t>(queued);
  }
  m_GateTail = tail;
}

// A re-inserted vertex, flagged 2, its quantized position from the next record, rebuilt in
// the frame of its border when the layer is predicted. The frame waits for PlaceVertices, which
// must run first when the border holds a vertex still waiting.
__attribute__((always_inline)) inline int
CProgressiveReplay::AddVertex(const std::array<int, 6>& border, int n, const std::vector<std::array<int, 3>>& faces)
{
  std::array<float, 3> position{0, 0, 0};
  std::array<float, 3> quantized{0, 0, 0};
  const int vertex = NbVertex();
  if (!m_pGeometry || m_GeometryCursor >= m_pGeometry->NbRecord()) {
    m_Error = 1;
  } else if (const int r = m_GeometryCursor++; const CVertex3d* pRemoved = m_pGeometry->GetVertex(r)) {
    // The encoder's own record still knows the removed vertex: it comes back where it was.
    position = {pRemoved->x(), pRemoved->y(), pRemoved->z()};
    quantized = {pRemoved->x2(), pRemoved->y2(), pRemoved->z2()};
  } else {
    const int nbBorder = std::min(n, 6);
    if (!m_Placements.empty()) {
      const int waiting = m_Placements.front().vertex;
      bool late = false;
      for (int i = 0; i < nbBorder; i++)
        late |= border[static_cast<size_t>(i)] >= waiting;
      if (late)
        PlaceVertices();
    }
    // Written in place: a record put together on the stack a field at a time and then copied
    // whole is read before its parts have reached the cache, which stalls the copy.
    SPlacement& placement = m_Placements.emplace_back();
    placement.vertex = vertex;
    placement.record = r;
    placement.nbBorder = nbBorder;
    // Whole: a copy of a known size is a few moves, where one of the border's size is a call.
    placement.border = border;
    placement.pFaces = &faces;
  }
  m_Position.push_back(position);
  m_Quantized.push_back(quantized);
  m_Vertices.push_back({2, 0});
  return vertex;
}

void CProgressiveReplay::PlaceVertices()
{
  using Point = CProgressiveVertexRecord::Point;
  const bool predicted = m_pGeometry && m_pGeometry->IsPredicted();
  std::array<std::array<Point, CProgressiveVertexRecord::kMaxBorder>, 4> points;
  std::array<CProgressiveVertexRecord::SReconstruction, 4> in;
  std::array<std::array<int, 3>, 4> out;
  const auto set = [this](const SPlacement& p, const std::array<int, 3>& c) {
    const size_t slot = static_cast<size_t>(p.vertex);
    for (size_t k = 0; k < 3; k++) {
      m_Quantized[slot][k] = static_cast<float>(c[k]);
      m_Position[slot][k] = static_cast<float>(c[k]) * m_Scale[k] + m_Shift[k];
    }
  };
  // Four at a time, two pairs: the frames' chains of roots and divisions are worked out side
  // by side.
  for (size_t i = 0; i < m_Placements.size(); i += 4) {
    const size_t nb = std::min<size_t>(4, m_Placements.size() - i);
    for (size_t j = 0; j < nb; j++) {
      const SPlacement& p = m_Placements[i + j];
      const size_t count = std::min(static_cast<size_t>(p.nbBorder), points[j].size());
      for (size_t b = 0; b < count; b++) {
        const auto& q = m_Quantized[static_cast<size_t>(p.border[b])];
        points[j][b] = {q[0], q[1], q[2]};
      }
      in[j] = {m_pGeometry->GetCoordinates(p.record), std::span<const Point>(points[j].data(), count),
               *p.pFaces};
      out[j] = in[j].abc;
    }
    if (predicted && nb == 4) {
      out = CProgressiveVertexRecord::ReconstructQuad(in);
    } else if (predicted) {
      for (size_t j = 0; j + 1 < nb; j += 2) {
        const auto pair = CProgressiveVertexRecord::ReconstructPair({in[j], in[j + 1]});
        out[j] = pair[0];
        out[j + 1] = pair[1];
      }
      if (nb % 2 == 1)
        out[nb - 1] = CProgressiveVertexRecord::Reconstruct(in[nb - 1].abc, in[nb - 1].border,
                                                            in[nb - 1].faces);
    }
    for (size_t j = 0; j < nb; j++)
      set(m_Placements[i + j], out[j]);
  }
  m_Placements.clear();
}

void CProgressiveReplay::Store(CMesh3d* pMesh)
{
  // The last layer's flags and marks are the mesh's: the patches it held back run now.
  if (m_HeldNull > 0) {
    m_GateHead = m_HeldHead;
    TakeNullPatches(m_HeldNull);
    m_HeldNull = 0;
  }
  // Every face across kept by the layers and found named back (IsConnected).
  const bool linked = m_Replayed && m_UniqueEdges && m_Connected == EConnected::Whole;
  if (m_Replayed)
    DropGoneFaces(linked);
  // The survivors among the base faces come first, in order, as they come first in the
  // replay's faces. The faces that went are made again as added faces, in place: deleted, and
  // as many made anew, they would leave their memory for fresh memory, taken page by page.
  std::vector<char> kept(static_cast<size_t>(pMesh->NbFace()), 0);
  for (const SFace& f : m_Faces)
    if (f.base >= 0)
      kept[static_cast<size_t>(f.base)] = 1;
  CArray3d<CFace3d>* faces = pMesh->GetArrayFace();
  m_SpareFaces.clear();
  int nbKept = 0;
  for (int i = 0; i < faces->GetSize(); i++) {
    CFace3d* f = faces->GetAt(i);
    if (kept[static_cast<size_t>(i)])
      faces->SetAt(nbKept++, f);
    else
      m_SpareFaces.push_back(f);
  }
  nbKept = std::min(nbKept, NbFace());
  const size_t nbReused = std::min(m_SpareFaces.size(), static_cast<size_t>(NbFace() - nbKept));
  for (size_t i = nbReused; i < m_SpareFaces.size(); i++)
    delete m_SpareFaces[i];
  m_SpareFaces.resize(nbReused);
  // The arrays are sized once: grown an element at a time they would be copied again and again.
  CArray3d<CVertex3d>* vertices = pMesh->GetArrayVertex();
  const int nbBaseVertex = std::min(m_NbBaseVertex, vertices->GetSize());
  vertices->SetSize(NbVertex());
  faces->SetSize(NbFace());
  // The other new elements' places are known before they are made: each is made in the pass
  // that links it, and so written once.
  const int nbMade = nbKept + static_cast<int>(nbReused);
  const auto vertexClaim = pMesh->ClaimVertices(NbVertex() - nbBaseVertex);
  const auto faceClaim = pMesh->ClaimFaces(NbFace() - nbMade);
  m_VertexPointers.resize(m_Position.size());
  CClaimCursor vertexPlaces(vertexClaim);
  for (int i = 0; i < NbVertex(); i++)
    m_VertexPointers[static_cast<size_t>(i)] =
        i < nbBaseVertex ? vertices->GetAt(i)
                         : vertexPlaces.At(static_cast<std::uint32_t>(i - nbBaseVertex));
  // Behind a null pointer for no face, index -1.
  m_FacePointers.resize(static_cast<size_t>(NbFace()) + 1);
  m_FacePointers[0] = nullptr;
  CClaimCursor facePlaces(faceClaim);
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = nullptr;
    if (i < nbKept)
      f = faces->GetAt(i);
    else if (i < nbMade)
      f = m_SpareFaces[static_cast<size_t>(i - nbKept)];
    else
      f = facePlaces.At(static_cast<std::uint32_t>(i - nbMade));
    m_FacePointers[static_cast<size_t>(i) + 1] = f;
  }
  ComputeNormals();
  const bool inReach = ElementsInReach();
  if (linked)
    StoreAdjacency<true>(pMesh, vertexClaim, nbBaseVertex, faceClaim, nbKept, nbMade, inReach);
  else
    StoreAdjacency<false>(pMesh, vertexClaim, nbBaseVertex, faceClaim, nbKept, nbMade, inReach);
  StoreSecondPositions(nbBaseVertex);
  pMesh->SetModified();
}

// Whether the vertices and faces to store, every one 8-aligned, lie in a span where each
// reaches the others (mesh/ElementRef.h): one pass over their addresses, where each reference
// written would check its own.
bool CProgressiveReplay::ElementsInReach() const
{
  const CVertex3d* const* vertices = m_VertexPointers.data();
  const size_t nv = m_VertexPointers.size();
  // Slot 0 is no face.
  CFace3d* const* faces = m_FacePointers.data() + 1;
  const size_t nf = m_FacePointers.size() > 0 ? m_FacePointers.size() - 1 : 0;
  if (nv + nf == 0)
    return true;
  const auto first = reinterpret_cast<std::uintptr_t>(nv > 0 ? static_cast<const void*>(vertices[0])
                                                             : static_cast<const void*>(faces[0]));
  // Each address's distance from the first, shifted by `half`: one add and one or an element,
  // where a minimum and a maximum would take four. Below 2 half, every element lies within
  // half of the first, its low bits those of the first.
  constexpr std::uintptr_t half = std::uintptr_t{1} << 32;
  const std::uintptr_t bias = half - first;
  std::uintptr_t bits = 0;
  for (size_t i = 0; i < nv; i++)
    bits |= reinterpret_cast<std::uintptr_t>(vertices[i]) + bias;
  for (size_t i = 0; i < nf; i++)
    bits |= reinterpret_cast<std::uintptr_t>(faces[i]) + bias;
  // The references' origins lie inside the objects, past their addresses.
  const std::uintptr_t size = std::max(sizeof(CVertex3d), sizeof(CFace3d));
  static_assert(2 * half + std::max(sizeof(CVertex3d), sizeof(CFace3d)) <= elementref::kSpan,
                "elements within half of one another's first reach one another");
  return first < UINTPTR_MAX - half - size && (first & 7) == 0 && (bits & 7) == 0 &&
         bits < 2 * half;
}

// The faces' unit normals, zero for a degenerate face, and each vertex's sum of its faces'
// normals in face order, normalised: the mesh's own sums, on the arrays rather than by a walk
// through the objects.
void CProgressiveReplay::ComputeNormals()
{
  m_FaceNormal.resize(m_Faces.size());
  // Added up face by face, each vertex's sum takes its faces in face order, as its list holds
  // them; the normals are read once, in memory order.
  m_VertexNormal.assign(m_Position.size(), {0, 0, 0});
  const auto cross = [this](size_t i) {
    const auto& v = m_Faces[i].v;
    return Cross(m_Position[static_cast<size_t>(v[0])], m_Position[static_cast<size_t>(v[1])],
                 m_Position[static_cast<size_t>(v[2])]);
  };
  const auto add = [this](size_t i) {
    const std::array<float, 3>& n = m_FaceNormal[i];
    for (const int x : m_Faces[i].v)
      for (size_t k = 0; k < 3; k++)
        m_VertexNormal[static_cast<size_t>(x)][k] += n[k];
  };
  // A few faces at a time: their roots and divisions go side by side.
  constexpr size_t kGroup = 16;
  for (size_t i = 0; i < m_Faces.size(); i += kGroup) {
    const size_t n = std::min(kGroup, m_Faces.size() - i);
    for (size_t j = i; j < i + n; j++)
      m_FaceNormal[j] = cross(j);
    NormalizeAll(&m_FaceNormal[i], n);
    for (size_t j = i; j < i + n; j++)
      add(j);
  }
  // In a loop of their own the roots of one vertex after another overlap.
  NormalizeAll(m_VertexNormal.data(), m_VertexNormal.size());
}

// A vertex's faces in face order; its neighbours in the order of its faces' corners, each
// once; across edge k of a face, the first other face of corner k that holds corner k + 1. The
// vertices are made or updated in turn, then the faces: each object once, in array order,
// where the mesh's own build links each face from each of its corners.
template <bool kLinked, class VertexClaim, class FaceClaim>
void CProgressiveReplay::StoreAdjacency(CMesh3d* pMesh, const VertexClaim& vertexClaim,
                                        int nbBaseVertex, const FaceClaim& faceClaim, int nbKept,
                                        int nbMade, bool inReach)
{
  ListFaces();
  const size_t nv = m_Position.size();
  CArray3d<CVertex3d>* vertices = pMesh->GetArrayVertex();
  CArray3d<CFace3d>* faces = pMesh->GetArrayFace();
  // Linked, a neighbour is only marked as met: an int a vertex, where the faces' record would
  // triple the memory read at random.
  if constexpr (kLinked)
    m_SeenBy.assign(nv, -1);
  else
    m_Seen.assign(nv, {-1, -1, -1});
  // The lists of a vertex are written at local addresses, sized once for the longest: a
  // vector's end kept in the object would be stored and read again at every entry.
  const int longest = nv > 0 ? *std::max_element(m_FaceCount.begin(), m_FaceCount.begin() + static_cast<std::ptrdiff_t>(nv)) : 0;
  m_Neighbors.resize(2 * static_cast<size_t>(longest));
  CVertex3d** const neighbors = m_Neighbors.data();
  SSeen* const seenOf = m_Seen.data();
  int* const seenBy = m_SeenBy.data();
  // The faces across, by edge: written at random, 16 bytes a face rather than the records' 32.
  if constexpr (!kLinked)
    m_StoredAcross.resize(4 * m_Faces.size());
  int* const acrossOf = m_StoredAcross.data();
  // Slot -1 is no face: a border edge's missing face across is read like any other.
  CFace3d* const* facePointers = m_FacePointers.data() + 1;
  CVertex3d* const* vertexPointers = m_VertexPointers.data();
  const size_t seenBytes = kLinked ? sizeof(int) : sizeof(SSeen);
  const bool large = nv * (seenBytes + sizeof(CVertex3d*)) + m_Faces.size() * sizeof(CFace3d*) > kCachedBytes;
  CClaimCursor vertexPlaces(vertexClaim);
  CClaimCursor facePlaces(faceClaim);
  for (size_t a = 0; a < nv; a++) {
    // The lists lie beyond a vertex's first cache line: the objects are fetched ahead, and so
    // are the entries the corners of a vertex further on will read at random, where those
    // arrays outgrow the second-level cache.
    if (a + 8 < nv) {
      const char* p = reinterpret_cast<const char*>(vertexPointers[a + 8]);
      for (size_t offset = 0; offset < sizeof(CVertex3d); offset += 64)
        __builtin_prefetch(p + offset, 1);
      const SCorner* ahead = m_FaceList.data() + m_FaceStart[a + 8];
      for (int i = 0; i < (large ? m_FaceCount[a + 8] : 0); i++) {
        if constexpr (kLinked)
          __builtin_prefetch(&seenBy[static_cast<size_t>(ahead[i].next)], 1);
        else
          __builtin_prefetch(&seenOf[static_cast<size_t>(ahead[i].next)], 1);
        __builtin_prefetch(facePointers + ahead[i].face);
        __builtin_prefetch(vertexPointers + ahead[i].next);
      }
    }
    const SCorner* begin = m_FaceList.data() + m_FaceStart[a];
    const SCorner* end = begin + m_FaceCount[a];
    const int self = static_cast<int>(a);
    int nbNeighbor = 0;
    for (const SCorner* c = begin; c != end; c++) {
      // The other corners in corner order: before the vertex first only when it is corner 1.
      const int other[2] = {c->corner == 1 ? c->previous : c->next,
                            c->corner == 1 ? c->next : c->previous};
      for (const int b : other) {
        if constexpr (kLinked) {
          // Written in any case, counted only when new: whether a neighbour was met already
          // is no pattern, and a missed guess costs more than the load and the store. The
          // room holds two entries per face.
          int& by = seenBy[static_cast<size_t>(b)];
          neighbors[nbNeighbor] = vertexPointers[b];
          nbNeighbor += static_cast<int>(by != self);
          by = self;
          continue;
        }
        SSeen& seen = seenOf[static_cast<size_t>(b)];
        if (seen.vertex != self) {
          seen = {self, c->face, -1};
          neighbors[nbNeighbor++] = vertexPointers[b];
        } else if (seen.first != c->face && seen.second < 0) {
          seen.second = c->face;
        }
      }
    }
    if constexpr (!kLinked) {
      for (const SCorner* c = begin; c != end; c++) {
        const SSeen& seen = seenOf[static_cast<size_t>(c->next)];
        acrossOf[Edge(c->face, c->corner)] = seen.first != c->face ? seen.first : seen.second;
      }
    }
    CVertex3d* v = StoreVertex(&vertexPlaces, nbBaseVertex, a);
    vertices->SetAt(static_cast<int>(a), v);
    // The faces straight from the corners: no copy of the list to read back.
    adjacency::AssignList(v->GetArrayFaceNeighbor(), static_cast<int>(end - begin),
                          [facePointers, begin](int p) { return facePointers[begin[p].face]; }, inReach);
    adjacency::AssignList(v->GetArrayVertexNeighbor(), nbNeighbor,
                          [neighbors](int j) { return neighbors[j]; }, inReach);
    if (begin == end)
      continue;
    const std::array<float, 3>& normal = m_VertexNormal[a];
    v->GetNormal()->Set(normal[0], normal[1], normal[2]);
  }
  for (int i = 0; i < NbFace(); i++) {
    const size_t slot = static_cast<size_t>(i);
    if (i + 8 < NbFace()) {
      const char* p = reinterpret_cast<const char*>(facePointers[slot + 8]);
      for (size_t offset = 0; offset < sizeof(CFace3d); offset += 64)
        __builtin_prefetch(p + offset, 1);
    }
    const SFace& s = m_Faces[slot];
    CFace3d* across[3];
    for (size_t k = 0; k < 3; k++)
      across[k] = facePointers[kLinked ? FaceOf(s.across[k]) : acrossOf[4 * slot + k]];
    CFace3d* f = facePointers[slot];
    CVertex3d* const a = vertexPointers[s.v[0]];
    CVertex3d* const b = vertexPointers[s.v[1]];
    CVertex3d* const c = vertexPointers[s.v[2]];
    if (i < nbKept) {
      if (inReach)
        f->SetNeighborsInReach(across[0], across[1], across[2]);
      else
        f->SetNeighbors(across[0], across[1], across[2]);
    } else if (i < nbMade) {
      // A new face has no colour of its own: the one the base face had goes.
      const CColor plain;
      if (inReach)
        f->SetInReach(a, b, c, across[0], across[1], across[2]);
      else
        f->Set(a, b, c, across[0], across[1], across[2]);
      f->SetColor(&plain);
      faces->SetAt(i, f);
    } else {
      const auto place = static_cast<std::uint32_t>(i - nbMade);
      f = inReach ? facePlaces.Construct(place, CFace3d::SInReach{}, a, b, c, across[0],
                                         across[1], across[2])
                  : facePlaces.Construct(place, a, b, c, across[0], across[1], across[2]);
      faces->SetAt(i, f);
    }
    // With no layer replayed the base faces are all kept, in place, and keep their flags.
    if (m_Replayed || i >= nbKept)
      f->SetFlag(m_FaceFlag[slot] & 3);
    const auto& n = m_FaceNormal[slot];
    f->SetNormal(n[0], n[1], n[2]);
  }
}

// Vertex a, made in its claimed place when the base mesh did not have it, with the replay's
// flag, mark and index. Inlined in the store's loop, where the compiler would call it: the
// call cost about as much as the flag, mark and index it writes.
template <class VertexPlaces>
__attribute__((always_inline)) inline CVertex3d*
CProgressiveReplay::StoreVertex(VertexPlaces* pPlaces, int nbBaseVertex, size_t a) const
{
  CVertex3d* v = m_VertexPointers[a];
  if (static_cast<int>(a) >= nbBaseVertex) {
    const auto& p = m_Position[a];
    v = pPlaces->Construct(static_cast<std::uint32_t>(static_cast<int>(a) - nbBaseVertex), p[0],
                           p[1], p[2]);
  }
  v->SetFlag(m_Vertices[a].flag);
  v->SetMark(m_Vertices[a].mark);
  // The corners are known: the adjacency need not read them back from the faces.
  v->SetAdjacencyIndex(static_cast<int>(a));
  return v;
}

// The new vertices' second positions, their blocks made side by side in one pass rather than
// one heap allocation each.
void CProgressiveReplay::StoreSecondPositions(int nbBaseVertex)
{
  const size_t first = static_cast<size_t>(std::max(nbBaseVertex, 0));
  const size_t nv = m_Position.size();
  if (first >= nv)
    return;
  CVertex3d::SetSecondPositions(
      m_VertexPointers.data() + first, nv - first, [this](const CVertex3d& v) -> const auto& {
        return m_Quantized[static_cast<size_t>(v.GetAdjacencyIndex())];
      });
}
