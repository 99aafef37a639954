#include "app/objects/VertexSet3d.h"
#include "compression/NearestPointGrid.h"
#include "compression/VertexTree.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Trace.h"

#include <array>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// Round (mesh/GeometryUtil) inlined, by the same comparison: where a 64-bit integer holds x,
// floor and ceiling come from one conversion; the library takes the rest (and NaN). Within
// the grid's reach the choices are sums of comparisons, not branches: which way a coordinate
// rounds is no pattern.
inline int SnapRound(double x)
{
  if (!(std::fabs(x) < 1e18))
    return Round(x);
  double low = static_cast<double>(static_cast<long long>(x));
  if (std::fabs(x) < 0x1p30) {
    low -= static_cast<double>(low > x);
    const double high = low + static_cast<double>(low != x);
    return static_cast<int>(low) + static_cast<int>(!(x - low <= high - x));
  }
  if (low > x)
    low -= 1;
  const double high = low == x ? low : low + 1;
  return static_cast<int>(x - low <= high - x ? low : high);
}

// The first vertex from index 1 whose key beats the start value strictly; vertex 0 is never
// a candidate.
template <class Key, class Better>
CVertex3d* PickVertex(const CMesh3d& mesh, int start, Key key, Better better)
{
  CVertex3d* pBest = nullptr;
  int best = start;
  for (int i = 1; i < mesh.NbVertex(); i++) {
    CVertex3d* v = mesh.GetVertex(i);
    int value = 0;
    if (!key(v, &value) || !better(value, best))
      continue;
    best = value;
    pBest = v;
  }
  return pBest;
}

const auto More = [](int a, int b) { return a > b; };
const auto Less = [](int a, int b) { return a < b; };

const float Palette[7][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 1},
                             {1, 1, 0}, {1, 0, 1}, {1, 1, 1}};

} // namespace

void CMesh3d::BuildVertexRun(CVertexTree* pTree) const
{
  auto* pRun = new CVertexRun;
  pTree->AddRun(pRun);
  CopyVerticesTo(pRun);
}

void CMesh3d::CopyVerticesTo(CVertexRun* pRun) const
{
  pRun->RemoveAll();
  for (int i = 0; i < NbVertex(); i++)
    pRun->Add(GetVertex(i));
}

CVertex3d* CMesh3d::GetVertexMaxFaceNeighbor() const
{
  return PickVertex(*this, 0, [](const CVertex3d* v, int* n) { return *n = v->NbFaceNeighbor(), true; }, More);
}

CVertex3d* CMesh3d::GetVertexMaxFaceNeighborWithFlag(int flag) const
{
  return PickVertex(
    *this, 0,
    [flag](const CVertex3d* v, int* n) { return *n = v->NbFaceNeighbor(), v->GetFlag() == flag; },
    More);
}

CVertex3d* CMesh3d::GetVertexMaxValence2() const
{
  return PickVertex(*this, 0, [](const CVertex3d* v, int* n) { return *n = v->NbVertexNeighbor(), true; }, More);
}

CVertex3d* CMesh3d::GetVertexMinValence() const
{
  return PickVertex(
    *this, 2147483647, [](const CVertex3d* v, int* n) { return *n = v->NbVertexNeighbor(), true; },
    Less);
}

CVertex3d* CMesh3d::GetVertexMinFaceCountWithFlag(int flag) const
{
  return PickVertex(
    *this, 1410065408,
    [flag](const CVertex3d* v, int* n) { return *n = v->NbFaceNeighbor(), v->GetFlag() == flag; },
    Less);
}

int CMesh3d::PushVertexTree(const CVertexTree* pTree, int check)
{
  // Writing over the array is only sound for a permutation of it.
  std::unordered_set<const CVertex3d*> mine(m_ArrayVertex.GetData(),
                                            m_ArrayVertex.GetData() + NbVertex());
  std::unordered_set<const CVertex3d*> seen;
  for (int r = 0; r < pTree->NbRun(); r++) {
    const CVertexRun* pRun = pTree->GetRun(r);
    if (check)
      platform::Trace("  run %d: %d vertices\n", r, pRun->NbVertex());
    for (int j = 0; j < pRun->NbVertex(); j++)
      if (!mine.count(pRun->GetVertex(j)) || !seen.insert(pRun->GetVertex(j)).second)
        return 0;
  }
  if (static_cast<int>(seen.size()) != NbVertex())
    return 0;
  int i = 0;
  for (int r = 0; r < pTree->NbRun(); r++)
    for (int j = 0; j < pTree->GetRun(r)->NbVertex(); j++)
      m_ArrayVertex.SetAt(i++, pTree->GetRun(r)->GetVertex(j));
  Rebuild();
  return 1;
}

int CMesh3d::QuantizeCoordinates(int levels)
{
  if (levels < 2)
    return 0;
  const double top = levels - 1.0;
  for (int axis = 0; axis < 3; axis++) {
    float min = 0.0f;
    float max = 0.0f;
    GetRange(axis, &min, &max);
    if (!(max > min))
      continue;
    const double range = static_cast<double>(max) - min;
    for (int i = 0; i < NbVertex(); i++) {
      CVertex3d* v = GetVertex(i);
      const int k = Round((v->Get(axis) - min) / range * top);
      v->Set(axis, static_cast<float>(k * range / top + min));
    }
  }
  m_Modified = 1;
  return 1;
}

int CMesh3d::RangeAndSnap(int bits)
{
  if (bits < 1 || bits > 30)
    return 0;
  const double top = static_cast<double>((1 << bits) - 1);
  const int n = NbVertex();
  float min[3];
  float max[3];
  GetRanges(min, max);
  double range[3];
  for (int axis = 0; axis < 3; axis++)
    range[axis] = static_cast<double>(max[axis]) - min[axis];
  // One pass: each vertex snapped and its block made and written together, the blocks side by
  // side rather than one heap allocation each.
  CVertex3d::SetSecondPositions(
      m_ArrayVertex.GetData(), static_cast<size_t>(n), [&min, &range, top](const CVertex3d& v) {
        const float c[3] = {v.x(), v.y(), v.z()};
        std::array<float, 3> snapped{};
        for (int axis = 0; axis < 3; axis++)
          snapped[static_cast<size_t>(axis)] = static_cast<float>(
              range[axis] > 0.0 ? SnapRound((c[axis] - min[axis]) / range[axis] * top) : 0);
        return snapped;
      });
  return 1;
}

int CMesh3d::PackVertices(int frequency)
{
  if (frequency < 1)
    return 0;
  const int n = NbVertex();
  std::vector<CNearestPointGrid::SPoint> keptPoints;
  for (int k = 0; k < n; k += frequency)
    keptPoints.push_back({GetVertex(k), k});
  const CNearestPointGrid grid(keptPoints);
  // Each other vertex goes into the nearest kept one: vertex 0 unless a later one is strictly
  // nearer, the first of equally near ones. The grid leaves out the kept vertices that are not
  // finite, whose distance from a finite vertex is infinite or NaN: never below vertex 0's.
  // From a vertex that is not finite every distance is infinite or NaN: vertex 0 again.
  std::unordered_map<const CVertex3d*, CVertex3d*> mergedInto;
  for (int j = 0; j < n; j++) {
    if (j % frequency == 0)
      continue;
    const CVertex3d* w = GetVertex(j);
    double best = SquareDistance(w, GetVertex(0));
    int nearest = 0;
    grid.Lower(w, &best, &nearest);
    mergedInto.emplace(w, GetVertex(nearest));
  }
  // Through the faces themselves rather than the vertices' face lists, which may be stale.
  for (int i = 0; i < NbFace(); i++)
    for (int c = 0; c < 3; c++) {
      const auto it = mergedInto.find(GetFace(i)->v(c));
      if (it != mergedInto.end())
        GetFace(i)->SetVertex(c, it->second);
    }
  int kept = 0;
  for (int i = 0; i < n; i++) {
    if (i % frequency == 0)
      m_ArrayVertex.SetAt(kept++, GetVertex(i));
    else
      delete GetVertex(i);
  }
  m_ArrayVertex.SetSize(kept);
  // The mesh's own edges may name merged vertices.
  m_ArrayEdge.DeleteAll();
  Rebuild();
  return 1;
}

namespace {

// One greedy run from pStart: forward by appending, then from the start again backwards by
// inserting at the front.
double GrowRun(CVertexRun* pRun, CVertex3d* pStart, int mode)
{
  double length = 0.0;
  for (int pass = 0; pass < 2; pass++) {
    CVertex3d* pCurrent = pStart;
    for (;;) {
      const CVertex3d* pFrom = mode == 0 ? pCurrent : pStart;
      CVertex3d* pNext = nullptr;
      double best = 1e38;
      for (int k = 0; k < pCurrent->NbVertexNeighbor(); k++) {
        CVertex3d* w = pCurrent->GetVertexNeighbor(k);
        if (w->GetFlag() != 0)
          continue;
        const double d = SquareDistance(w, pFrom);
        if (d < best) {
          best = d;
          pNext = w;
        }
      }
      if (!pNext)
        break;
      pNext->SetFlag(1);
      if (pass == 0)
        pRun->Add(pNext);
      else
        pRun->AddFront(pNext);
      length += best;
      pCurrent = pNext;
    }
  }
  return length;
}

void ShowRun(CVertexSet3d* pSet, const CVertexRun* pRun, int index, const CVertex3d* pStart,
             float size)
{
  const int n = pRun->NbVertex();
  const float* entry = Palette[index % 7];
  for (int k = 0; k < n; k++) {
    const CVertex3d* v = pRun->GetVertex(k);
    const double scale = n > 1 ? 255.0 * k / (n - 1) : 255.0;
    const CColor color(static_cast<std::uint8_t>(entry[0] * scale),
                       static_cast<std::uint8_t>(entry[1] * scale),
                       static_cast<std::uint8_t>(entry[2] * scale));
    pSet->AddColoredVertex(new CVertex3d(v), &color, v == pStart ? 1.5f * size : size);
  }
}

} // namespace

CVertexSet3d* CMesh3d::BuildSpanningTree(CVertexTree* pTree, int mode, int seed, int display)
{
  if (seed < 0 || seed >= NbVertex())
    return nullptr;
  std::unique_ptr<CVertexSet3d> pSet;
  const float size = static_cast<float>(0.15 * GetMeanLengthEdgeAround());
  if (display) {
    pSet = std::make_unique<CVertexSet3d>();
    pSet->SetMesh(this);
  }
  SetVerticesFlag(0);
  double total = 0.0;
  for (CVertex3d* pStart = GetVertex(seed); pStart; pStart = GetVertexWithFlag(0)) {
    pStart->SetFlag(1);
    auto* pRun = new CVertexRun;
    const int index = pTree->AddRun(pRun);
    pRun->Add(pStart);
    total += GrowRun(pRun, pStart, mode);
    if (pSet)
      ShowRun(pSet.get(), pRun, index, pStart, size);
  }
  platform::Trace("spanning tree: %d runs, length %g\n", pTree->NbRun(), total);
  SetVerticesFlag(0);
  return pSet.release();
}
