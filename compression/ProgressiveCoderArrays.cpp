// The layers of an encoding on index arrays kept from the first layer to the last: faces as
// vertex-index triples with the edge across each of their edges and byte flags, vertex flags
// and marks in bytes, each vertex's corners by index, updated only around what a layer
// changes. The mesh objects are written once, when the layers end or meet what only the
// object path handles. Every decision is the object path's, read on the same lists in the
// same orders.
#include "compression/ProgressiveCoder.h"
#include "compression/ProgressivePattern.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <limits>
#include <span>
#include <type_traits>

namespace {

int SlotOf(const std::array<int, 3>& t, int v)
{
  return t[0] == v ? 0 : t[1] == v ? 1 : t[2] == v ? 2 : -1;
}

// A face's flag while a gate in front of it waits its turn; the face is still free.
constexpr std::uint8_t kQueued = 0x80;

bool IsTaken(std::uint8_t flag)
{
  return (flag & ~kQueued) != 0;
}

// CProgressiveGate::TagPair by 4 * first's mark + second's.
constexpr std::array<std::uint8_t, 16> kTagPairs = [] {
  std::array<std::uint8_t, 16> pairs{};
  for (int m = 0; m < 16; m++) {
    const int first = m >> 2;
    const int second = m & 3;
    pairs[static_cast<size_t>(m)] =
        static_cast<std::uint8_t>(CProgressiveGate::TagPair(first, second));
  }
  return pairs;
}();

// The points of the n vertices named first in `ids`, widened as the objects' readers widen them.
void Gather(const std::vector<std::array<float, 3>>& points, const int* ids, int n,
            std::array<double, 3>* pOut)
{
  for (int i = 0; i < n; i++) {
    const std::array<float, 3>& p = points[static_cast<size_t>(ids[i])];
    pOut[i] = {p[0], p[1], p[2]};
  }
}

// The slots after and before slot k of a face.
constexpr int kNext[4] = {1, 2, 0, 0};
constexpr int kPrevious[4] = {2, 0, 1, 0};

// Every element zeroed: bytes, or records whose zero is their default.
template <class T>
void Clear(std::vector<T>* pItems)
{
  static_assert(std::is_trivially_copyable_v<T>);
  if (!pItems->empty())
    std::memset(static_cast<void*>(pItems->data()), 0, pItems->size() * sizeof(T));
}

// Whether every pattern's faces hold each border edge i -> i + 1 once, as the patch's faces
// held it, no border edge the other way, and each edge inside the hole once each way: a
// removal on a plain mesh then leaves it plain (its diagonals are new edges, which the
// degenerate-border test sees to).
bool PatternsKeepEdges()
{
  for (int n = 3; n <= 6; n++)
    for (int tag = 0; tag < 4; tag++) {
      const CProgressivePattern& pattern = CProgressivePattern::Get(n, tag);
      int held[6][6] = {};
      for (const auto& t : pattern.GetFaces())
        for (int k = 0; k < 3; k++) {
          const int x = t[static_cast<size_t>(k)];
          const int y = t[static_cast<size_t>((k + 1) % 3)];
          if (x < 0 || x >= n || y < 0 || y >= n || x == y)
            return false;
          held[x][y]++;
        }
      for (int x = 0; x < n; x++)
        for (int y = 0; y < n; y++) {
          if (x == y)
            continue;
          const int expected = y == (x + 1) % n ? 1 : x == (y + 1) % n ? 0 : held[y][x] ? 1 : 0;
          if (held[x][y] != expected)
            return false;
        }
    }
  return true;
}

// Each pattern's links, by border size and tag: per face and slot, x for the border edge
// x -> x + 1, or -1 - (4 * g + j) for slot j of the pattern's face g holding the edge the other
// way (PatternsKeepEdges sees to it that one does).
using PatternLinks = std::array<std::array<int, 3>, 4>;

const PatternLinks& LinksOf(int n, int tag)
{
  static const auto s_Links = [] {
    std::array<PatternLinks, 16> links{};
    for (int size = 3; size <= 6; size++)
      for (int t = 0; t < 4; t++) {
        const auto& faces = CProgressivePattern::Get(size, t).GetFaces();
        PatternLinks& l = links[static_cast<size_t>(4 * (size - 3) + t)];
        for (size_t f = 0; f < faces.size() && f < l.size(); f++)
          for (int k = 0; k < 3; k++) {
            const int x = faces[f][static_cast<size_t>(k)];
            const int y = faces[f][static_cast<size_t>(kNext[k])];
            int& link = l[f][static_cast<size_t>(k)];
            link = x;
            if (y == (x + 1) % size)
              continue;
            for (size_t g = 0; g < faces.size(); g++) {
              const int j = SlotOf(faces[g], y);
              if (g != f && j >= 0 && faces[g][static_cast<size_t>(kNext[j])] == x)
                link = -1 - (4 * static_cast<int>(g) + j);
            }
          }
      }
    return links;
  }();
  return s_Links[static_cast<size_t>(4 * (n - 3) + tag)];
}

} // namespace

bool CProgressiveCoder::SLayerArrays::IsNeighbor(int a, int b) const
{
  const SCornerSpan s = span[static_cast<size_t>(a)];
  for (int i = s.begin; i < s.end; i++) {
    const SArrayCorner& c = corners[static_cast<size_t>(i)];
    if (c.previous == b || c.next == b)
      return true;
  }
  for (int i = addedHead[static_cast<size_t>(a)]; i >= 0; i = added[static_cast<size_t>(i)].next)
    if (added[static_cast<size_t>(i)].vertex == b)
      return true;
  return false;
}

[[gnu::always_inline]] inline void CProgressiveCoder::SLayerArrays::AddNeighbor(int a, int b)
{
  int& count = extra[static_cast<size_t>(a)];
  if (count == 0)
    addedOwners.push_back(a);
  count++;
  valence[static_cast<size_t>(a)]++;
  int& head = addedHead[static_cast<size_t>(a)];
  added.push_back({b, head});
  head = static_cast<int>(added.size()) - 1;
}

void CProgressiveCoder::SLayerArrays::AddNeighborOnce(int a, int b)
{
  if (a != b && !IsNeighbor(a, b))
    AddNeighbor(a, b);
}

// A list that fits the window (which the spare entries after the last list keep inside the
// array) is compared whole without a branch on where the match lies, last corner first so that
// the first match is the one left: the removals ask in an order no predictor follows.
[[gnu::always_inline]] inline int CProgressiveCoder::SLayerArrays::FrontCorner(int first,
                                                                              int second) const
{
  const SCornerSpan s = span[static_cast<size_t>(first)];
  if (s.end - s.begin <= kCornerWindow) {
    const SArrayCorner* c = corners.data() + s.begin;
    int found = kCornerWindow;
    for (int k = kCornerWindow - 1; k >= 0; k--)
      found = c[k].previous == second ? k : found;
    return found < s.end - s.begin ? s.begin + found : -1;
  }
  for (int i = s.begin; i < s.end; i++)
    if (corners[static_cast<size_t>(i)].previous == second)
      return i;
  return -1;
}

// The build lists the first face's corners in slot order, v left out.
int CProgressiveCoder::SLayerArrays::FirstNeighbor(int v) const
{
  const SArrayCorner& c = corners[static_cast<size_t>(span[static_cast<size_t>(v)].begin)];
  return (c.edge & 3) == 1 ? c.previous : c.next;
}

int CProgressiveCoder::SLayerArrays::FrontEdge(int first, int second) const
{
  const int c = FrontCorner(first, second);
  if (c < 0)
    return -1;
  // The corner's face holds second, first in turn: second's slot is the one before first's.
  const int e = corners[static_cast<size_t>(c)].edge;
  return (e & ~3) + kPrevious[e & 3];
}

// Where the face across died in the layer too, the new face that took its place is found on
// the lists the layer left.
void CProgressiveCoder::SLayerArrays::LinkMadeFaces()
{
  for (const int f : made)
    for (int k = 0; k < 3; k++) {
      int& e = face[static_cast<size_t>(f)].across[static_cast<size_t>(k)];
      if (e < 0 || (e >> 2) >= firstMade)
        continue;
      if (faceDead[static_cast<size_t>(e >> 2)]) {
        const std::array<int, 3>& t = face[static_cast<size_t>(f)].v;
        e = FrontEdge(t[static_cast<size_t>(k)], t[static_cast<size_t>(kNext[k])]);
        if (e < 0)
          continue;
      }
      face[static_cast<size_t>(e >> 2)].across[static_cast<size_t>(e & 3)] = 4 * f + k;
    }
}

std::uint32_t CProgressiveCoder::SLayerArrays::NextStamp()
{
  if (++count == 0) {
    std::fill(metNext.begin(), metNext.end(), 0);
    std::fill(metPrevious.begin(), metPrevious.end(), 0);
    count = 1;
  }
  return count;
}

CProgressiveCoder::SArrayFace& CProgressiveCoder::SLayerArrays::MakeFace(
    const std::array<int, 3>& vertices, std::uint8_t flag)
{
  made.push_back(static_cast<int>(face.size()));
  // Written in place, member by member: a whole record made on the stack and copied is read
  // back wider than it was written, which stalls.
  SArrayFace& f = face.emplace_back();
  f.v = vertices;
  f.across = {-1, -1, -1};
  f.refused = {};
  faceFlag.push_back(flag);
  faceDead.push_back(0);
  return f;
}

void CProgressiveCoder::SLayerArrays::ForgetRefusals(int v)
{
  if (refusing[static_cast<size_t>(v)] == 0)
    return;
  refusing[static_cast<size_t>(v)] = 0;
  const SCornerSpan s = span[static_cast<size_t>(v)];
  for (int i = s.begin; i < s.end; i++) {
    const int edge = corners[static_cast<size_t>(i)].edge;
    face[static_cast<size_t>(edge >> 2)].refused[static_cast<size_t>(edge & 3)] = 0;
  }
}

// On the boundary, as IsOnBoundaryByCorners on a plain mesh: a corner's far end held by no
// other face is one that no corner has on the other side, and each neighbour is counted once
// on the lists: the vertex is on the boundary exactly when it has more neighbours than corners.
std::uint8_t CProgressiveCoder::SLayerArrays::ShapeOf(int v) const
{
  const int n = valence[static_cast<size_t>(v)];
  const SCornerSpan s = span[static_cast<size_t>(v)];
  const bool boundary = n - extra[static_cast<size_t>(v)] > s.end - s.begin;
  return static_cast<std::uint8_t>(std::min(n, 15) | (boundary ? 16 : 0));
}

int CProgressiveCoder::LiveVertexCount() const
{
  return m_pArrays ? static_cast<int>(m_pArrays->order.size()) : m_pMesh->NbVertex();
}

int CProgressiveCoder::EncodeLayerOf(int gateType, int maxValence)
{
  if (m_ArraysWanted) {
    m_ArraysWanted = false;
    StartArrayLayers();
  }
  if (m_pArrays && (!m_pArrays->plain ||
                    (m_ArrayLayerLimit >= 0 && m_ArrayLayerCount >= m_ArrayLayerLimit)))
    EndArrayLayers();
  if (!m_pArrays)
    return EncodeLayer(gateType, maxValence);
  m_ArrayLayerCount++;
  return ArrayLayer(gateType, maxValence);
}

// The arrays are taken only where every face has three vertices the mesh lists, no edge is
// held twice the same way, and the objects' lists and links are those a full build gives:
// the first layer then reads on the arrays what it would read on the objects.
bool CProgressiveCoder::StartArrayLayers()
{
  static const bool s_PatternsKeepEdges = PatternsKeepEdges();
  CMesh3d* pMesh = m_pMesh;
  const int nv = pMesh->NbVertex();
  const int nf = pMesh->NbFace();
  // Edges are numbered 4 * face + slot over three times the mesh's faces.
  if (nv < 3 || nf == 0 || nf > std::numeric_limits<int>::max() / 16 || !s_PatternsKeepEdges)
    return false;
  auto arrays = std::make_unique<SLayerArrays>();
  SLayerArrays& a = *arrays;
  a.vertex.resize(static_cast<size_t>(nv));
  a.position.resize(static_cast<size_t>(nv));
  a.quantized.resize(static_cast<size_t>(nv));
  a.span.resize(static_cast<size_t>(nv));
  // Each vertex's corners take as many places as its face list has faces: a list of another
  // length fills its places short or runs over them, which the fill below sees.
  size_t total = 0;
  for (int i = 0; i < nv; i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    if (!v || v->GetAdjacencyIndex() != i)
      return false;
    a.vertex[static_cast<size_t>(i)] = v;
    a.position[static_cast<size_t>(i)] = {v->x(), v->y(), v->z()};
    a.quantized[static_cast<size_t>(i)] = {v->x2(), v->y2(), v->z2()};
    const int begin = static_cast<int>(total);
    a.span[static_cast<size_t>(i)] = SCornerSpan{begin, begin};
    total += static_cast<size_t>(v->NbFaceNeighbor());
  }
  if (total != 3 * static_cast<size_t>(nf))
    return false;
  // The faces made stay listed after the dead ones: the layers end with some 2.3 times the
  // mesh's faces, which three times as much room holds without a copy. One list in three grows.
  a.face.reserve(3 * static_cast<size_t>(nf));
  a.faceFlag.reserve(3 * static_cast<size_t>(nf));
  a.faceDead.reserve(3 * static_cast<size_t>(nf));
  a.corners.reserve(4 * static_cast<size_t>(nf));
  a.face.resize(static_cast<size_t>(nf));
  a.faceObject.resize(static_cast<size_t>(nf));
  a.corners.resize(3 * static_cast<size_t>(nf) + SLayerArrays::kCornerWindow);
  std::fill(a.corners.end() - SLayerArrays::kCornerWindow, a.corners.end(), SArrayCorner{});
  // The faces in order: each one's corners listed at its vertices as they come, and each
  // vertex's face list read at the same place. No list runs over (every corner is checked
  // against its list's length) and the lengths sum to the corners: every list is filled.
  for (int f = 0; f < nf; f++) {
    CFace3d* pFace = pMesh->GetFace(f);
    if (!pFace)
      return false;
    std::array<int, 3> t{};
    const CVertex3d* w[3];
    for (int k = 0; k < 3; k++) {
      w[k] = pFace->v(k);
      const int id = w[k] ? w[k]->GetAdjacencyIndex() : -1;
      if (id < 0 || id >= nv || a.vertex[static_cast<size_t>(id)] != w[k])
        return false;
      t[static_cast<size_t>(k)] = id;
    }
    if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2])
      return false;
    a.face[static_cast<size_t>(f)].v = t;
    a.face[static_cast<size_t>(f)].refused = {};
    a.faceObject[static_cast<size_t>(f)] = pFace;
    for (int k = 0; k < 3; k++) {
      SCornerSpan& s = a.span[static_cast<size_t>(t[static_cast<size_t>(k)])];
      const int place = s.end - s.begin;
      if (place >= w[k]->NbFaceNeighbor() || w[k]->GetFaceNeighbor(place) != pFace)
        return false;
      a.corners[static_cast<size_t>(s.end++)] =
          SArrayCorner{t[static_cast<size_t>((k + 2) % 3)], 4 * f + k, t[static_cast<size_t>((k + 1) % 3)]};
    }
  }
  a.valence.resize(static_cast<size_t>(nv));
  a.metNext.assign(static_cast<size_t>(nv), 0);
  a.metPrevious.assign(static_cast<size_t>(nv), 0);
  // Per vertex b held before i on a corner of i (metPrevious stamped), that corner's edge
  // b -> i: the edge across i -> b.
  std::vector<int> edgeInto(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++) {
    const CVertex3d* v = a.vertex[static_cast<size_t>(i)];
    const SCornerSpan s = a.span[static_cast<size_t>(i)];
    const SArrayCorner* c = a.corners.data() + s.begin;
    const int nc = s.end - s.begin;
    // Plain: no two corners share their vertex before or after (the faces' three vertices
    // differ, so no corner repeats i or its own vertices).
    const std::uint32_t held = ++a.count;
    for (int p = 0; p < nc; p++) {
      std::uint32_t& after = a.metNext[static_cast<size_t>(c[p].next)];
      std::uint32_t& before = a.metPrevious[static_cast<size_t>(c[p].previous)];
      if (after == held || before == held)
        return false;
      after = held;
      before = held;
      // The edge previous -> i, the slot before i's.
      edgeInto[static_cast<size_t>(c[p].previous)] = (c[p].edge & ~3) + kPrevious[c[p].edge & 3];
    }
    // The build's neighbour order: the other corners of each face in slot order, each once.
    const std::uint32_t met = ++a.count;
    const int nbNeighbor = v->NbVertexNeighbor();
    int j = 0;
    for (int p = 0; p < nc; p++) {
      const int f = c[p].edge >> 2;
      // The link on edge i -> next: the face of the corner with next before i.
      const int slot = c[p].edge & 3;
      const int b = c[p].next;
      a.face[static_cast<size_t>(f)].across[static_cast<size_t>(slot)] =
          a.metPrevious[static_cast<size_t>(b)] == held ? edgeInto[static_cast<size_t>(b)] : -1;
      const int pair[2] = {slot == 1 ? c[p].previous : b, slot == 1 ? b : c[p].previous};
      for (const int w : pair) {
        std::uint32_t& seen = a.metNext[static_cast<size_t>(w)];
        if (seen == met)
          continue;
        seen = met;
        if (j == nbNeighbor || v->GetVertexNeighbor(j++) != a.vertex[static_cast<size_t>(w)])
          return false;
      }
    }
    if (j != nbNeighbor)
      return false;
    a.valence[static_cast<size_t>(i)] = j;
  }
  // The objects' links against the arrays', face by face: the objects are read in their order.
  for (int f = 0; f < nf; f++) {
    const CFace3d* pFace = a.faceObject[static_cast<size_t>(f)];
    const std::array<int, 3>& across = a.face[static_cast<size_t>(f)].across;
    for (int k = 0; k < 3; k++) {
      const int g = across[static_cast<size_t>(k)] >> 2;
      if (pFace->f(k) != (g < 0 ? nullptr : a.faceObject[static_cast<size_t>(g)]))
        return false;
    }
  }
  a.order.resize(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++)
    a.order[static_cast<size_t>(i)] = i;
  a.vertexFlag.assign(static_cast<size_t>(nv), 0);
  a.mark.assign(static_cast<size_t>(nv), 0);
  a.extra.assign(static_cast<size_t>(nv), 0);
  a.lost.assign(static_cast<size_t>(nv), 0);
  a.addedHead.assign(static_cast<size_t>(nv), -1);
  a.rank.assign(static_cast<size_t>(nv), -1);
  a.refusing.assign(static_cast<size_t>(nv), 0);
  a.shape.resize(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++)
    a.shape[static_cast<size_t>(i)] = a.ShapeOf(i);
  a.faceFlag.assign(static_cast<size_t>(nf), 0);
  a.faceDead.assign(static_cast<size_t>(nf), 0);
  a.nbLiveFace = nf;
  m_pArrays = std::move(arrays);
  // A plain mesh has no tangled face; the objects' lists are read no more.
  m_TanglesPending = 0;
  m_TangledFaces.clear();
  m_CornersValid = 0;
  m_CornersCarried = 0;
  if (m_UseMetric && m_MetricKind != 0 && !m_ScratchFaces)
    m_ScratchFaces = std::make_unique<CFace3d[]>(kPatchRoom);
  return true;
}

// RunLayer(true) on the arrays.
int CProgressiveCoder::ArrayLayer(int gateType, int maxValence)
{
  m_GateType = gateType;
  m_MaxValence = maxValence;
  ArrayInitLayer();
  const bool barren = ArrayLayerBarren();
  m_BarrenLayers += barren ? 1 : 0;
  if (!barren)
    ArrayRun();
  DumpHook(m_pCurrentCodes, "");
  const int removed = m_pCurrentGeometry->NbRecord();
  ArrayEndLayer();
  return removed;
}

void CProgressiveCoder::ArrayInitLayer()
{
  SLayerArrays& a = *m_pArrays;
  a.tail = 0;
  a.gates.resize(2 * static_cast<size_t>(a.nbLiveFace) + 2 + SLayerArrays::kFar);
  a.head = 0;
  a.dead.clear();
  a.made.clear();
  a.firstMade = static_cast<int>(a.face.size());
  a.removed.clear();
  a.ranked.clear();
  const std::array<double, 4> settings{static_cast<double>(m_UseMetric),
                                       static_cast<double>(m_MetricKind), m_MetricThreshold,
                                       static_cast<double>(m_ForbidNormalFlipping)};
  if (settings != m_RefusalSettings) {
    for (const int v : a.order)
      a.ForgetRefusals(v);
    m_RefusalSettings = settings;
  }
#ifndef NDEBUG
  for (const int v : a.order)
    assert(a.shape[static_cast<size_t>(v)] == a.ShapeOf(v));
#endif
  // JudgeRemoval's tests before the walk, for every shape.
  for (int shape = 0; shape < 32; shape++) {
    const int valence = shape & 15;
    const bool unfit = IsValenceUnfit(valence);
    const bool boundaryRemovable = IsBoundaryRemovable(valence);
    const bool onBoundary = (shape & 16) != 0 && m_HasBoundary;
    std::uint8_t& fate = a.fate[static_cast<size_t>(shape)];
    if ((unfit && !boundaryRemovable) || (onBoundary && !boundaryRemovable) ||
        (!onBoundary && unfit))
      fate = SLayerArrays::kNull;
    else
      fate = onBoundary ? SLayerArrays::kBoundary : SLayerArrays::kJudge;
  }
  StartLayerLists(static_cast<int>(a.order.size()));
  Clear(&a.vertexFlag);
  Clear(&a.mark);
  if (a.faceFlag.size() > 0)
    std::memset(a.faceFlag.data(), 0, a.faceFlag.size());
  if (a.order.size() < 2)
    return;
  const int s0 = a.order[0];
  int s1 = a.order[1];
  if (!a.IsNeighbor(s0, s1)) {
    if (a.Valence(s0) == 0)
      return;
    s1 = a.FirstNeighbor(s0);
    std::swap(a.order[1], *std::find(a.order.begin(), a.order.end(), s1));
  }
  a.Push(a.FrontEdge(s0, s1));
  a.Push(a.FrontEdge(s1, s0));
  a.mark[static_cast<size_t>(s0)] = 2;
  a.mark[static_cast<size_t>(s1)] = 1;
  a.vertexFlag[static_cast<size_t>(s0)] = 1;
  a.vertexFlag[static_cast<size_t>(s1)] = 1;
}

// IsLayerBarren and HasDegenerateRing on the arrays.
bool CProgressiveCoder::ArrayLayerBarren()
{
  SLayerArrays& a = *m_pArrays;
  if (a.tail == 0)
    return false;
  for (const int v : a.order) {
    if (a.vertexFlag[static_cast<size_t>(v)] != 0)
      continue;
    const std::uint8_t fate = a.fate[a.shape[static_cast<size_t>(v)]];
    if (fate != SLayerArrays::kJudge) {
      if (fate == SLayerArrays::kBoundary)
        return false;
      continue;
    }
    bool degenerate = false;
    if (a.Valence(v) == 3) {
      const SCornerSpan s = a.span[static_cast<size_t>(v)];
      for (int i = s.begin; i < s.end && !degenerate; i++) {
        const SArrayCorner& c = a.corners[static_cast<size_t>(i)];
        degenerate = a.Valence(c.previous) == 3 || a.Valence(c.next) == 3;
      }
    }
    if (!degenerate)
      return false;
  }
  return true;
}

// The gates first -> v and v -> second: the fronts of the front face's edges after the gate's.
[[gnu::always_inline]] inline int CProgressiveCoder::ArrayNullPatch(int first, int second,
                                                                    int edge, int v)
{
  SLayerArrays& a = *m_pArrays;
  const int face = edge >> 2;
  const int k = edge & 3;
  a.vertexFlag[static_cast<size_t>(v)] = 1;
  a.faceFlag[static_cast<size_t>(face)] = 1;
  std::uint8_t& mark = a.mark[static_cast<size_t>(v)];
  if (mark == 0)
    mark = static_cast<std::uint8_t>(
        CProgressiveGate::TakenMark(a.mark[static_cast<size_t>(first)],
                                    a.mark[static_cast<size_t>(second)]));
  const std::array<int, 3>& across = a.face[static_cast<size_t>(face)].across;
  a.Push(across[static_cast<size_t>(kNext[k])]);
  a.Push(across[static_cast<size_t>(kPrevious[k])]);
  return 2;
}

// EncodeStep's run and ProcessGate in refusal mode 0, removal applied, nothing shown.
void CProgressiveCoder::ArrayRun()
{
  SLayerArrays& a = *m_pArrays;
  CProgressiveCodeList* const codes = m_pCurrentCodes;
  const int kind = m_GateType & 1;
  // Per shape of v and refusal remembered for the gate: bit 0 set where the gate of a free v
  // goes to a removal or its judgement, bit 1 where a remembered refusal answers it.
  std::array<std::uint8_t, 64> answer;
  for (size_t shape = 0; shape < 32; shape++) {
    const std::uint8_t destiny = a.fate[shape];
    answer[2 * shape] = destiny != SLayerArrays::kNull ? 1 : 0;
    answer[2 * shape + 1] = destiny == SLayerArrays::kBoundary ? 1
                            : destiny == SLayerArrays::kJudge  ? 2
                                                               : 0;
  }
  // The faces in front lie apart: each gate's face and its flag are fetched some gates ahead
  // of its turn (past the tail, the spare entries give stale gates, harmless to fetch; the
  // edge -1 fetches face 0, not one before the array). The
  // vertex flags, a byte per vertex, mostly stay in the cache.
  constexpr size_t kFar = SLayerArrays::kFar;
  // The queue's ends, the lists and the flags in locals: each flag written, a byte, would
  // have them read again through `a`. The queue and the lists keep their storage through
  // the layer; the faces and their flags grow with a removal's faces, and the calls that
  // remove read and move the queue's tail.
  size_t head = a.head;
  size_t tail = a.tail;
  int* const gates = a.gates.data();
  std::uint8_t* const vertexFlag = a.vertexFlag.data();
  std::uint8_t* const mark = a.mark.data();
  const std::uint8_t* const shape = a.shape.data();
  const SArrayFace* faces = a.face.data();
  // Edge -1 names face -1, whose flag reads taken: no gate or link is tested for a face.
  std::uint8_t* faceFlag = a.faceFlag.data();
  int hits = 0;
  // The null patches' codes since the last removal, added at once: a code stored a gate would
  // keep the list's end in memory. No judgement adds codes of its own.
  size_t nulls = 0;
  while (head < tail) {
    assert(head + kFar < a.gates.size());
    const int ahead = std::max(gates[head + kFar], 0) >> 2;
    __builtin_prefetch(faces + ahead);
    __builtin_prefetch(faceFlag + ahead);
    const int edge = gates[head++];
    const int face = edge >> 2;
    if (IsTaken(faceFlag[face]))
      continue;
    const int k = edge & 3;
    const SArrayFace& f = faces[face];
    const int second = f.v[static_cast<size_t>(k)];
    const int first = f.v[static_cast<size_t>(kNext[k])];
    const int v = f.v[static_cast<size_t>(kPrevious[k])];
    // Most gates end in a null patch, whether v is taken or not as likely as not: the rare
    // removal is told apart without a branch on either.
    assert(mark[first] < 4 && mark[second] < 4);
    const unsigned tag = kTagPairs[4 * mark[first] + mark[second]];
    const unsigned refused = (f.refused[static_cast<size_t>(kPrevious[k])] >> (4 * kind + tag)) & 1;
    // Shifted out for a taken v, without a branch: whether v is taken is as likely as not.
    const unsigned found = answer[2 * shape[v] + refused] >> (2 * (vertexFlag[v] != 0));
    hits += static_cast<int>(found >> 1);
    if ((found & 1) == 0) {
      // ArrayNullPatch on the locals. A gate whose face is taken, or queued already behind an
      // earlier gate, would find it taken on its turn: it is left out. The face's flag says it
      // is queued until it is taken.
      const auto queue = [&](int e) {
        std::uint8_t* flag = faceFlag + (e >> 2);
        // Without a branch: whether the face is new is as likely as not.
        const unsigned was = *flag;
        const unsigned fresh = was == 0;
        assert(tail + kFar < a.gates.size());
        gates[tail] = e;
        tail += fresh;
        *flag = static_cast<std::uint8_t>(was | (fresh << 7));
      };
      vertexFlag[v] = 1;
      faceFlag[face] = 1;
      // An unmarked v takes TakenMark: whether it is marked follows whether it was free.
      const unsigned marked = mark[v];
      mark[v] = static_cast<std::uint8_t>(
          marked | ((marked == 0) * CProgressiveGate::TakenMarkOf(static_cast<int>(tag))));
      queue(f.across[static_cast<size_t>(kNext[k])]);
      queue(f.across[static_cast<size_t>(kPrevious[k])]);
      nulls++;
      continue;
    }
    a.tail = tail;
    int r;
    if (a.fate[shape[v]] == SLayerArrays::kBoundary) {
      // It adds its own codes.
      codes->AddNullPatches(nulls);
      nulls = 0;
      r = ArrayRemoveBoundaryVertex(first, second, edge, v);
    } else {
      r = ArrayJudge(first, second, edge, v, a.Valence(v));
    }
    tail = a.tail;
    faces = a.face.data();
    faceFlag = a.faceFlag.data();
    // Most judgements end in a null patch too.
    if (r == 2) {
      nulls++;
    } else if (r != kNone && r != 1) {
      codes->AddNullPatches(nulls);
      nulls = 0;
      codes->Add(static_cast<unsigned int>(r));
    }
  }
  codes->AddNullPatches(nulls);
  m_RefusalHits += hits;
  a.head = head;
  a.tail = tail;
}

// JudgeRemoval with the vetoes first, as mode 0 without colours orders them.
int CProgressiveCoder::ArrayJudge(int first, int second, int edge, int v, int valence)
{
  SLayerArrays& a = *m_pArrays;
  const int face = edge >> 2;
  if (!ArrayWalkPatch(first, second, face, v, valence))
    return ArrayNullPatch(first, second, edge, v);
  CVertex3d* pv = a.vertex[static_cast<size_t>(v)];
  const int tag =
      kTagPairs[4 * a.mark[static_cast<size_t>(first)] + a.mark[static_cast<size_t>(second)]];
  const CProgressivePattern& pattern = CProgressivePattern::Get(valence, tag);
  // IsRetriangulationVetoed, the flip read on the positions' array.
  bool vetoed = false;
  if (m_UseMetric) {
    ArrayPatchObjects();
    vetoed = IsVetoedByMetric(pv, pattern) != 0;
  }
  if (!vetoed && m_ForbidNormalFlipping) {
    std::array<std::array<double, 3>, kPatchRoom> ring;
    Gather(a.position, a.border, a.borderSize, ring.data());
    vetoed = IsFlipped(pattern, ring.data());
  }
  if (vetoed) {
    // RememberRefusal: the walk read only v's corners.
    const SCornerSpan s = a.span[static_cast<size_t>(v)];
    const int end = std::min(s.end, s.begin + kMaxRefusalCorner);
    for (int i = s.begin; i < end; i++)
      if ((a.corners[static_cast<size_t>(i)].edge >> 2) == face) {
        a.face[static_cast<size_t>(face)].refused[static_cast<size_t>(kPrevious[edge & 3])] |=
            static_cast<std::uint8_t>(1 << (4 * (m_GateType & 1) + tag));
        a.refusing[static_cast<size_t>(v)] = 1;
        break;
      }
    return ArrayNullPatch(first, second, edge, v);
  }
  if (!m_UseMetric)
    ArrayPatchObjects();
  const int concave = m_ForbidConcave && IsBorderConcave();
  const int degenerate = ArrayBorderDegenerate();
  if (concave || degenerate)
    return ArrayNullPatch(first, second, edge, v);
  if (m_ResidualLimit > 0) {
    std::array<std::array<double, 3>, kPatchRoom> placed;
    const int n = std::min(a.borderSize, CProgressiveVertexRecord::kMaxBorder);
    Gather(a.quantized, a.border, n, placed.data());
    const std::span<CVertex3d* const> border(m_GateBorder.GetData(),
                                             static_cast<size_t>(m_GateBorder.GetSize()));
    if (!IsResidualSendable(pv, border, pattern.GetFaces(),
                            std::span(placed.data(), static_cast<size_t>(n)),
                            a.quantized[static_cast<size_t>(v)]))
      return ArrayNullPatch(first, second, edge, v);
  }
  ArrayRetriangulate(pattern, tag);
  ArrayPushGatesAfterRemoval();
  const CArray3d<CVertex3d>* pBorder = &m_GateBorder;
  m_pCurrentGeometry->Emplace(
      pv, std::span<CVertex3d* const>(pBorder->GetData(), static_cast<size_t>(pBorder->GetSize())),
      pattern.GetFaces(), a.position[static_cast<size_t>(v)], a.quantized[static_cast<size_t>(v)]);
  a.vertexFlag[static_cast<size_t>(v)] = 2;
  a.removed.push_back(v);
  // The removed vertex keeps the flag and mark its layer leaves it: none changes after.
  pv->SetFlag(2);
  pv->SetMark(a.mark[static_cast<size_t>(v)]);
  for (int i = 1; i + 1 < a.borderSize; i++)
    a.vertexFlag[static_cast<size_t>(a.border[i])] = 1;
  // v's ring is all its neighbours.
  for (int i = 0; i < a.borderSize; i++)
    a.Lose(a.border[i]);
  for (int i = 0; i < a.borderSize; i++) {
    a.faceFlag[static_cast<size_t>(a.patchFace[i])] = 2;
    a.dead.push_back(a.patchFace[i]);
  }
  return valence;
}

// BuildPatchFromCorners on a plain mesh: the face across each ring edge is v's only other
// corner holding the edge's far end. Where none holds it the edge is open, and the walk on
// the faces would stop there too.
int CProgressiveCoder::ArrayWalkPatch(int first, int second, int face, int v, int valence)
{
  SLayerArrays& a = *m_pArrays;
  const SCornerSpan s = a.span[static_cast<size_t>(v)];
  const SArrayCorner* begin = a.corners.data() + s.begin;
  const SArrayCorner* end = a.corners.data() + s.end;
  const SArrayCorner* current = nullptr;
  for (const SArrayCorner* c = begin; c < end; c++)
    if ((c->edge >> 2) == face)
      current = c;
  int size = 1;
  a.border[0] = first;
  a.patchFace[0] = face;
  int result = 0;
  if (current && current->previous == first) {
    int previous = first;
    bool closed = true;
    // On a plain mesh the only other corner holding the previous vertex has it after v (its
    // vertex before v is met once, at the current corner): found over a whole window.
    const long count = end - begin;
    static_assert(SLayerArrays::kCornerWindow == 8);
    const bool windowed = count <= 8;
    for (int k = 0; k < valence - 1 && size < kPatchRoom; k++) {
      const SArrayCorner* next = nullptr;
      if (windowed) {
        long found = 8;
        for (long j = 7; j >= 0; j--)
          found = begin[j].next == previous ? j : found;
        next = found < count ? begin + found : nullptr;
      } else {
        for (const SArrayCorner* c = begin; c < end && !next; c++)
          if (c->next == previous)
            next = c;
      }
      if (!next) {
        closed = false;
        break;
      }
      // Each corner of v has one vertex before it and one after, none shared with another
      // corner: a corner follows one corner at most, so the walk comes back, if ever, to the
      // face it started from (a fan of v short of its valence), never to a later one.
      if ((next->edge >> 2) == face) {
        closed = false;
        break;
      }
      a.patchFace[size] = next->edge >> 2;
      a.border[size++] = next->previous;
      current = next;
      previous = next->previous;
    }
    result = closed && previous == second ? 1 : 0;
  }
  a.borderSize = size;
  return result;
}

void CProgressiveCoder::ArrayPatchObjects()
{
  SLayerArrays& a = *m_pArrays;
  const int size = a.borderSize;
  if (m_GateBorder.GetSize() != size)
    m_GateBorder.SetSize(size);
  for (int i = 0; i < size; i++)
    m_GateBorder.SetAt(i, a.vertex[static_cast<size_t>(a.border[i])]);
  if (m_ScratchFaces) {
    // The volume metric reads the old faces' corners.
    if (m_GatePatchFaces.GetSize() != size)
      m_GatePatchFaces.SetSize(size);
    for (int i = 0; i < size; i++) {
      const std::array<int, 3>& t = a.face[static_cast<size_t>(a.patchFace[i])].v;
      CFace3d* pFace = &m_ScratchFaces[static_cast<size_t>(i)];
      pFace->SetVertices(a.vertex[static_cast<size_t>(t[0])], a.vertex[static_cast<size_t>(t[1])],
                         a.vertex[static_cast<size_t>(t[2])]);
      m_GatePatchFaces.SetAt(i, pFace);
    }
  }
}

// IsBorderDegenerate on the arrays, the fronts of the border edges kept for the pushes.
int CProgressiveCoder::ArrayBorderDegenerate()
{
  SLayerArrays& a = *m_pArrays;
  const int n = a.borderSize;
  constexpr int kMaxBorder = 6;
  if (n > kMaxBorder)
    return 1;
  std::array<int, 2 * kMaxBorder> ring{};
  for (int i = 0; i < n; i++) {
    ring[static_cast<size_t>(i)] = a.border[i];
    ring[static_cast<size_t>(i + n)] = a.border[i];
  }
  for (int i = 0; i < n; i++) {
    const int b0 = ring[static_cast<size_t>(i)];
    const int b1 = ring[static_cast<size_t>(i + 1)];
    const int b2 = ring[static_cast<size_t>(i + 2)];
    if (a.Valence(b0) == 3 || b0 == b1 || b1 == b2 || b0 == b2)
      return 1;
  }
  // The face in front of border edge i and its third vertex, -1 without.
  const auto SetFront = [&a, &ring](int i, int corner) {
    if (corner < 0) {
      a.frontOther[i] = -1;
      a.outside[i] = -1;
      return;
    }
    const int b0 = ring[static_cast<size_t>(i)];
    const int b1 = ring[static_cast<size_t>(i + 1)];
    const SArrayCorner& c = a.corners[static_cast<size_t>(corner)];
    // The corner of b0 with b1 before it: b1's slot is the one before b0's.
    a.outside[i] = (c.edge & ~3) + kPrevious[c.edge & 3];
    a.frontOther[i] = c.next != b0 && c.next != b1 ? c.next : -1;
  };
  // Any two border vertices apart around the border that are neighbours: each border vertex
  // stamped with its place, each one's neighbours read once. The same read finds the front
  // corner of the border edges from those vertices (the corner with the next border vertex
  // before it); the last two edges' fronts are looked up. Both tests only ever answer 1, so
  // their order leaves the answer as it is.
  int reached = 0;
  if (n >= 4) {
    const std::uint32_t stamp = a.NextStamp();
    for (int i = 0; i < n; i++) {
      a.metNext[static_cast<size_t>(ring[static_cast<size_t>(i)])] = stamp;
      a.metPrevious[static_cast<size_t>(ring[static_cast<size_t>(i)])] = static_cast<std::uint32_t>(i);
    }
    // Neighbours both ways: each pair is read from its first vertex, the one before the other.
    auto apart = [&a, stamp, n](int i, int x) {
      if (a.metNext[static_cast<size_t>(x)] != stamp)
        return false;
      const int j = static_cast<int>(a.metPrevious[static_cast<size_t>(x)]);
      return j >= i + 2 && (i > 0 || j < n - 1);
    };
    for (int i = 0; i + 2 < n; i++) {
      const int b = ring[static_cast<size_t>(i)];
      const int b1 = ring[static_cast<size_t>(i + 1)];
      const SCornerSpan s = a.span[static_cast<size_t>(b)];
      // On a plain mesh no two corners of b have the same vertex before b. Where b has as
      // many neighbours as corners (none on the boundary) each neighbour is before b on one
      // corner and after it on another: the vertices before b are all of them.
      int corner = -1;
      if (a.valence[static_cast<size_t>(b)] - a.extra[static_cast<size_t>(b)] == s.end - s.begin) {
        for (int p = s.begin; p < s.end; p++) {
          const SArrayCorner& c = a.corners[static_cast<size_t>(p)];
          corner = c.previous == b1 ? p : corner;
          if (apart(i, c.previous))
            return 1;
        }
      } else {
        for (int p = s.begin; p < s.end; p++) {
          const SArrayCorner& c = a.corners[static_cast<size_t>(p)];
          corner = c.previous == b1 ? p : corner;
          if (apart(i, c.previous) || apart(i, c.next))
            return 1;
        }
      }
      for (int k = a.addedHead[static_cast<size_t>(b)]; k >= 0; k = a.added[static_cast<size_t>(k)].next)
        if (apart(i, a.added[static_cast<size_t>(k)].vertex))
          return 1;
      SetFront(i, corner);
    }
    reached = n - 2;
  }
  for (int i = reached; i < n; i++)
    SetFront(i, a.FrontCorner(ring[static_cast<size_t>(i)], ring[static_cast<size_t>(i + 1)]));
  for (int i = 0; i < n; i++) {
    const int f1 = a.frontOther[i];
    const int f2 = a.frontOther[i + 1 < n ? i + 1 : 0];
    if (f1 >= 0 && f1 == f2 && a.vertexFlag[static_cast<size_t>(f1)] == 2)
      return 1;
  }
  return 0;
}

// Retriangulate: the new faces after the others, the diagonals added to the neighbours.
void CProgressiveCoder::ArrayRetriangulate(const CProgressivePattern& pattern, int tag)
{
  SLayerArrays& a = *m_pArrays;
  for (size_t k = 0; k < pattern.GetMarks().size(); k++) {
    std::uint8_t& mark = a.mark[static_cast<size_t>(a.border[k + 1])];
    if (mark == 0)
      mark = static_cast<std::uint8_t>(pattern.GetMarks()[k]);
  }
  const auto& faces = pattern.GetFaces();
  const size_t nbFace = std::min(faces.size(), static_cast<size_t>(kPatchRoom));
  for (size_t f = 0; f < nbFace; f++) {
    const auto& t = faces[f];
    a.MakeFace({a.border[t[0]], a.border[t[1]], a.border[t[2]]}, 0);
  }
  // Border edge i -> i + 1 has the edge across it on its front, which ArrayBorderDegenerate
  // found; an edge inside the hole is held the other way by another new face.
  const int n = a.borderSize;
  const int first = static_cast<int>(a.face.size() - nbFace);
  const PatternLinks& links = LinksOf(n, tag);
  for (size_t f = 0; f < nbFace; f++)
    for (int k = 0; k < 3; k++) {
      const int x = links[f][static_cast<size_t>(k)];
      a.face[static_cast<size_t>(first) + f].across[static_cast<size_t>(k)] =
          x < 0 ? 4 * first - 1 - x : a.outside[x];
    }
  for (const auto& d : pattern.GetDiagonals()) {
    a.AddNeighbor(a.border[d[0]], a.border[d[1]]);
    a.AddNeighbor(a.border[d[1]], a.border[d[0]]);
  }
}

// PushGatesAfterRemoval with the fronts ArrayBorderDegenerate found.
void CProgressiveCoder::ArrayPushGatesAfterRemoval()
{
  SLayerArrays& a = *m_pArrays;
  const int n = a.borderSize;
  if (m_GateType == 0) {
    for (int i = 0; i + 1 < n; i++)
      a.Push(a.outside[i]);
    return;
  }
  // The flags' addresses in locals: each flag written would have them read again.
  std::uint8_t* const faceFlag = a.faceFlag.data();
  std::uint8_t* const vertexFlag = a.vertexFlag.data();
  std::uint8_t* const mark = a.mark.data();
  for (int i = 0; i + 1 < n; i++) {
    const int front = a.outside[i] >> 2;
    const int w = a.frontOther[i];
    if (front < 0 || IsTaken(faceFlag[front]) || w < 0)
      continue;
    const int b0 = a.border[i];
    const int b1 = a.border[i + 1];
    // The front holds b1, b0, w in turn: its edges b0 -> w and w -> b1 follow b1's slot.
    const int k = a.outside[i] & 3;
    const std::array<int, 3>& across = a.face[static_cast<size_t>(front)].across;
    a.Push(across[static_cast<size_t>(kNext[k])]);
    a.Push(across[static_cast<size_t>(kPrevious[k])]);
    faceFlag[front] = 1;
    vertexFlag[w] = 1;
    if (mark[w] == 0)
      mark[w] = static_cast<std::uint8_t>(CProgressiveGate::TakenMark(mark[b0], mark[b1]));
  }
}

// RemoveBoundaryVertex on the arrays: the face links read on the faces' links.
int CProgressiveCoder::ArrayRemoveBoundaryVertex(int first, int second, int edge, int v)
{
  SLayerArrays& a = *m_pArrays;
  const int face = edge >> 2;
  // The gate's face holds second, first, v in turn. Open on the side of second, the face g
  // across first -> v holds v, first, w; else the face across v -> second holds second, v, w:
  // either way w is g's vertex before the edge's, whose slot the edge across gives.
  const std::array<int, 3>& links = a.face[static_cast<size_t>(face)].across;
  const int i = kPrevious[edge & 3];
  const bool onFirstSide = links[static_cast<size_t>(i)] < 0;
  const int gEdge = links[static_cast<size_t>(onFirstSide ? kPrevious[i] : i)];
  const int g = gEdge >> 2;
  const int w = g >= 0 ? a.face[static_cast<size_t>(g)].v[static_cast<size_t>(kPrevious[gEdge & 3])] : -1;
  if (w < 0 || IsTaken(a.faceFlag[static_cast<size_t>(g)]))
    return ArrayNullPatch(first, second, edge, v);
  // A vertex of two fans may close the face on a gate vertex: the face repeats it, which the
  // arrays leave to the objects after this layer.
  if (w == first || w == second)
    a.plain = false;
  if (a.IsNeighbor(w, onFirstSide ? second : first))
    return ArrayNullPatch(first, second, edge, v);
  CVertex3d* const border[3] = {a.vertex[static_cast<size_t>(first)],
                                a.vertex[static_cast<size_t>(w)],
                                a.vertex[static_cast<size_t>(second)]};
  const CProgressiveVertexRecord::Triangle triangle[1] = {{0, 1, 2}};
  CVertex3d* pv = a.vertex[static_cast<size_t>(v)];
  if (!IsResidualSendable(pv, border, triangle))
    return ArrayNullPatch(first, second, edge, v);
  a.Push(onFirstSide ? a.FrontEdge(first, w) : a.FrontEdge(w, second));
  m_pCurrentCodes->Add(1);
  m_pCurrentCodes->Add(onFirstSide ? 5 : 6);
  a.vertexFlag[static_cast<size_t>(v)] = 2;
  a.removed.push_back(v);
  pv->SetFlag(2);
  pv->SetMark(a.mark[static_cast<size_t>(v)]);
  a.vertexFlag[static_cast<size_t>(w)] = 1;
  // A boundary vertex of valence 3 has these neighbours only.
  for (const int b : {first, w, second})
    a.Lose(b);
  a.faceFlag[static_cast<size_t>(face)] = 2;
  a.faceFlag[static_cast<size_t>(g)] = 2;
  a.dead.push_back(face);
  a.dead.push_back(g);
  SArrayFace& made = a.MakeFace({first, w, second}, 3);
  // Its edge second -> first was face's (the gate's); first -> w (first's slot, after v's, in
  // g) or w -> second (w's slot, before second's) was g's; the third is new.
  const std::array<int, 3>& gLinks = a.face[static_cast<size_t>(g)].across;
  made.across[2] = a.face[static_cast<size_t>(face)].across[static_cast<size_t>(edge & 3)];
  if (onFirstSide)
    made.across[0] = gLinks[static_cast<size_t>(kNext[gEdge & 3])];
  else
    made.across[1] = gLinks[static_cast<size_t>(kPrevious[gEdge & 3])];
  // CFace3d::AddVertexNeighbors.
  const int corners[3] = {first, w, second};
  for (int k = 0; k < 3; k++) {
    a.AddNeighborOnce(corners[k], corners[(k + 1) % 3]);
    a.AddNeighborOnce(corners[(k + 1) % 3], corners[k]);
  }
  std::uint8_t& mark = a.mark[static_cast<size_t>(w)];
  if (mark == 0)
    mark = 2;
  m_pCurrentGeometry->Emplace(pv, border, triangle);
  return 1;
}

// The layer's end: the touched vertices' corners listed again (old faces that stay, then the
// new ones in the order they were made, as a full build lists them), the removed vertices out
// of the order. The refusals go as the object path's update or rebuild would drop them.
void CProgressiveCoder::ArrayEndLayer()
{
  SLayerArrays& a = *m_pArrays;
  const size_t meshFaces = static_cast<size_t>(a.nbLiveFace) + a.made.size();
  const bool update = 4 * a.dead.size() < meshFaces && a.order.size() >= 4;
  for (const int f : a.dead)
    a.faceDead[static_cast<size_t>(f)] = 1;
  a.nbLiveFace += static_cast<int>(a.made.size()) - static_cast<int>(a.dead.size());
  std::vector<int>& rank = a.rank;
  // The vertices on the faces that went or came are the removed vertices' rings, ranked as
  // the removals were made.
  const std::vector<int>& ranked = a.ranked;
  // Each touched vertex's new faces, in the order they were made: counted two places up, so
  // that start[r + 1], the cursor of r's fill, ends as r's end and r + 1's begin.
  std::vector<int>& start = a.madeStart;
  start.assign(ranked.size() + 2, 0);
  for (const int f : a.made)
    for (const int v : a.face[static_cast<size_t>(f)].v)
      if (const int r = rank[static_cast<size_t>(v)]; r >= 0)
        start[static_cast<size_t>(r) + 2]++;
  for (size_t i = 2; i < start.size(); i++)
    start[i] += start[i - 1];
  // Their corners on them, read here in the order the faces were made.
  a.madeOf.resize(static_cast<size_t>(start.back()));
  for (const int f : a.made) {
    const std::array<int, 3>& t = a.face[static_cast<size_t>(f)].v;
    for (int k = 0; k < 3; k++)
      if (const int r = rank[static_cast<size_t>(t[static_cast<size_t>(k)])]; r >= 0)
        a.madeOf[static_cast<size_t>(start[static_cast<size_t>(r) + 1]++)] =
            SArrayCorner{t[static_cast<size_t>((k + 2) % 3)], 4 * f + k, t[static_cast<size_t>((k + 1) % 3)]};
  }
  // The refusals go with the old lists: at the touched vertices, or everywhere where the
  // object path would build its lists again.
  for (const int v : update ? ranked : a.order)
    a.ForgetRefusals(v);
  for (const int v : a.removed) {
    SCornerSpan& s = a.span[static_cast<size_t>(v)];
    a.waste += static_cast<size_t>(s.end - s.begin);
    s = SCornerSpan{};
  }
  // A touched vertex's list: its corners on faces that stay, moved up in place, then those
  // of its new faces; written at the end of the array when they outgrow the room.
  auto relist = [&a, &rank, &start](int v, size_t r) {
    SCornerSpan& s = a.span[static_cast<size_t>(v)];
    SArrayCorner* c = a.corners.data();
    // Without a branch: a ring vertex loses some of its faces, in no order.
    int w = s.begin;
    for (int p = s.begin; p < s.end; p++) {
      c[w] = c[p];
      w += a.faceFlag[static_cast<size_t>(c[p].edge >> 2)] != 2 ? 1 : 0;
    }
    const int kept = w - s.begin;
    const int added = start[r + 1] - start[r];
    const int n = kept + added;
    const int room = s.end - s.begin;
    if (n > room) {
      a.waste += static_cast<size_t>(room);
      const int begin = static_cast<int>(a.corners.size()) - SLayerArrays::kCornerWindow;
      a.corners.resize(a.corners.size() + static_cast<size_t>(n));
      c = a.corners.data();
      std::copy(c + s.begin, c + s.begin + kept, c + begin);
      s.begin = begin;
      w = begin + kept;
    } else {
      a.waste += static_cast<size_t>(room - n);
    }
    std::copy(a.madeOf.begin() + start[r], a.madeOf.begin() + start[r + 1], c + w);
    s.end = s.begin + n;
    if (n > room)
      std::fill_n(c + s.end, SLayerArrays::kCornerWindow, SArrayCorner{});
    // The lists of the layer less the removed vertices.
    a.valence[static_cast<size_t>(v)] -= a.lost[static_cast<size_t>(v)];
    a.lost[static_cast<size_t>(v)] = 0;
    rank[static_cast<size_t>(v)] = -1;
  };
  // Many touched vertices are taken in the order of the lists, few in the order met, their
  // lists fetched some vertices ahead.
  if (4 * ranked.size() > a.order.size()) {
    for (const int v : a.order)
      if (const int r = rank[static_cast<size_t>(v)]; r >= 0)
        relist(v, static_cast<size_t>(r));
  } else {
    constexpr size_t kAhead = 4;
    for (size_t r = 0; r < ranked.size(); r++) {
      if (r + 2 * kAhead < ranked.size())
        __builtin_prefetch(&a.span[static_cast<size_t>(ranked[r + 2 * kAhead])]);
      if (r + kAhead < ranked.size())
        __builtin_prefetch(a.corners.data() + a.span[static_cast<size_t>(ranked[r + kAhead])].begin);
      relist(ranked[r], r);
    }
  }
  for (const int v : a.addedOwners) {
    a.extra[static_cast<size_t>(v)] = 0;
    a.addedHead[static_cast<size_t>(v)] = -1;
  }
  a.addedOwners.clear();
  a.added.clear();
  for (const int v : ranked)
    a.shape[static_cast<size_t>(v)] = a.ShapeOf(v);
  // The lists are compacted once the space left behind outgrows the lists in use.
  if (2 * a.waste > a.corners.size() - SLayerArrays::kCornerWindow) {
    // Sized at once (the entries left unset) and the lists copied in whole.
    auto& corners = a.spare;
    corners.resize(a.corners.size());
    int at = 0;
    for (const int v : a.order) {
      SCornerSpan& s = a.span[static_cast<size_t>(v)];
      std::copy(a.corners.begin() + s.begin, a.corners.begin() + s.end, corners.begin() + at);
      s = SCornerSpan{at, at + s.end - s.begin};
      at = s.end;
    }
    corners.resize(static_cast<size_t>(at) + SLayerArrays::kCornerWindow);
    std::fill(corners.end() - SLayerArrays::kCornerWindow, corners.end(), SArrayCorner{});
    a.corners.swap(corners);
    a.waste = 0;
    m_CornerCompactions += update ? 1 : 0;
  }
  if (!a.removed.empty()) {
    size_t kept = 0;
    for (const int v : a.order) {
      const bool gone = a.vertexFlag[static_cast<size_t>(v)] == 2;
      a.order[kept] = v;
      kept += gone ? 0 : 1;
      if (gone)
        a.released.push_back(v);
    }
    a.order.resize(kept);
  }
  // A layer that left the mesh other than plain hands it to the objects.
  if (a.plain)
    a.LinkMadeFaces();
  m_pMesh->SetModified();
}

// The objects as the object path leaves them after its last layer: the faces that stay in
// their order, the new ones after them in the order they were made, the vertices in the kept
// order, then the lists and links of a full build.
void CProgressiveCoder::EndArrayLayers()
{
  std::unique_ptr<SLayerArrays> arrays = std::move(m_pArrays);
  SLayerArrays& a = *arrays;
  const size_t nbFace = a.face.size();
  const size_t nbObject = a.faceObject.size();
  bool deadKept = false;
  for (size_t f = 0; f < nbObject; f++) {
    a.faceObject[f]->SetFlag(a.faceDead[f] ? 2 : a.faceFlag[f]);
    deadKept = deadKept || a.faceDead[f];
  }
  if (deadKept)
    m_pMesh->RemoveFacesWithFlag(2);
  for (size_t f = nbObject; f < nbFace; f++)
    if (!a.faceDead[f]) {
      const std::array<int, 3>& t = a.face[f].v;
      m_pMesh->AddFace(m_pMesh->NewFace(a.vertex[static_cast<size_t>(t[0])],
                                        a.vertex[static_cast<size_t>(t[1])],
                                        a.vertex[static_cast<size_t>(t[2])],
                                        static_cast<int>(a.faceFlag[f])));
    }
  CArray3d<CVertex3d>* pVertices = m_pMesh->GetArrayVertex();
  const int nv = static_cast<int>(a.order.size());
  for (const int v : a.released)
    m_RemovedVertices.emplace_back(a.vertex[static_cast<size_t>(v)]);
  pVertices->SetSize(nv);
  // Each vertex's place in the mesh's array, in the rank's storage, which goes with the arrays.
  std::vector<int>& place = a.rank;
  for (int i = 0; i < nv; i++) {
    const int v = a.order[static_cast<size_t>(i)];
    CVertex3d* pv = a.vertex[static_cast<size_t>(v)];
    pVertices->SetAt(i, pv);
    pv->SetFlag(a.vertexFlag[static_cast<size_t>(v)]);
    pv->SetMark(a.mark[static_cast<size_t>(v)]);
    pv->SetAdjacencyIndex(i);
    place[static_cast<size_t>(v)] = i;
  }
  // The faces' corners by place, in the mesh's new face order (those that stay, then those
  // made): the build reads them here instead of on the objects.
  std::vector<int> corners;
  corners.reserve(3 * static_cast<size_t>(a.nbLiveFace));
  for (size_t f = 0; f < nbFace; f++)
    if (!a.faceDead[f])
      for (const int v : a.face[f].v)
        corners.push_back(place[static_cast<size_t>(v)]);
  m_pMesh->BuildAdjacencyFromCorners(corners);
  m_pMesh->SetModified();
  m_CornersValid = 0;
  m_CornersCarried = 0;
  m_CornersComplete = 0;
  m_IndicesCarried = 0;
}
