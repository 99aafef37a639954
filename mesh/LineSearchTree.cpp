#include "mesh/LineSearchTree.h"

#include "mesh/Face3d.h"
#include "mesh/Intersection.h"
#include "mesh/Mesh3d.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kLeafFaces = 4;
// Relative widening of the boxes: the line test rounds in single precision (about 1e-7).
constexpr double kRelativeMargin = 1e-4;
// A box is passed over only when it lies farther than this factor times the best squared
// distance: far beyond the rounding of either distance.
constexpr double kPruneSlack = 1.0 + 1e-6;
constexpr double kFar = 1.7e308;
} // namespace

CLineSearchTree::CLineSearchTree(CMesh3d* pMesh) : m_pMesh(pMesh)
{
  const int n = pMesh ? pMesh->NbFace() : 0;
  std::vector<SBox> boxes(static_cast<size_t>(n));
  double extent = 0.0;
  for (int i = 0; i < n; i++) {
    CFace3d* f = pMesh->GetFace(i);
    // The scan recomputes every normal it tries; the tree tries fewer, so it does them all now.
    f->CalculateNormal();
    SBox& box = boxes[static_cast<size_t>(i)];
    for (int axis = 0; axis < 3; axis++) {
      box.lo[axis] = box.hi[axis] = f->v(0)->Get(axis);
      for (int c = 1; c < 3; c++) {
        box.lo[axis] = std::min(box.lo[axis], static_cast<double>(f->v(c)->Get(axis)));
        box.hi[axis] = std::max(box.hi[axis], static_cast<double>(f->v(c)->Get(axis)));
      }
      extent = std::max({extent, std::abs(box.lo[axis]), std::abs(box.hi[axis])});
    }
  }
  m_Margin = kRelativeMargin * extent;
  m_Order.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; i++)
    m_Order[static_cast<size_t>(i)] = i;
  if (n > 0) {
    m_Nodes.reserve(static_cast<size_t>(2 * n / kLeafFaces + 2));
    Build(0, n, boxes);
  }
}

int CLineSearchTree::Build(int begin, int end, const std::vector<SBox>& boxes)
{
  const int index = static_cast<int>(m_Nodes.size());
  m_Nodes.push_back({});
  SBox box = boxes[static_cast<size_t>(m_Order[static_cast<size_t>(begin)])];
  for (int i = begin + 1; i < end; i++)
    for (int axis = 0; axis < 3; axis++) {
      const SBox& b = boxes[static_cast<size_t>(m_Order[static_cast<size_t>(i)])];
      box.lo[axis] = std::min(box.lo[axis], b.lo[axis]);
      box.hi[axis] = std::max(box.hi[axis], b.hi[axis]);
    }
  m_Nodes[static_cast<size_t>(index)].box = box;
  if (end - begin <= kLeafFaces) {
    m_Nodes[static_cast<size_t>(index)].first = begin;
    m_Nodes[static_cast<size_t>(index)].count = end - begin;
    return index;
  }
  // Split at the median of the box centres along the widest axis.
  int axis = 0;
  for (int k = 1; k < 3; k++)
    if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis])
      axis = k;
  const int middle = (begin + end) / 2;
  const auto centre = [&boxes, axis](int face) {
    const SBox& b = boxes[static_cast<size_t>(face)];
    return b.lo[axis] + b.hi[axis];
  };
  std::nth_element(m_Order.begin() + begin, m_Order.begin() + middle, m_Order.begin() + end,
                   [&centre](int f, int g) { return centre(f) < centre(g); });
  const int left = Build(begin, middle, boxes);
  const int right = Build(middle, end, boxes);
  SNode& node = m_Nodes[static_cast<size_t>(index)];
  node.first = left;
  node.count = 0;
  node.right = right;
  return index;
}

bool CLineSearchTree::LineMeetsBox(const double a[3], const double d[3], const SBox& box,
                                   double margin)
{
  double tMin = -1.7e308;
  double tMax = 1.7e308;
  for (int axis = 0; axis < 3; axis++) {
    const double lo = box.lo[axis] - margin;
    const double hi = box.hi[axis] + margin;
    if (d[axis] == 0.0) {
      if (a[axis] < lo || a[axis] > hi)
        return false;
      continue;
    }
    double t0 = (lo - a[axis]) / d[axis];
    double t1 = (hi - a[axis]) / d[axis];
    if (t0 > t1)
      std::swap(t0, t1);
    tMin = std::max(tMin, t0);
    tMax = std::min(tMax, t1);
    if (tMin > tMax)
      return false;
  }
  return true;
}

double CLineSearchTree::SquareDistanceToBox(const double p[3], const SBox& box, double margin)
{
  double sum = 0.0;
  for (int axis = 0; axis < 3; axis++) {
    const double below = box.lo[axis] - margin - p[axis];
    const double above = p[axis] - box.hi[axis] - margin;
    const double gap = std::max({below, above, 0.0});
    sum += gap * gap;
  }
  return sum;
}

int CLineSearchTree::NearestIntersection(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit,
                                         CFace3d** ppFace)
{
  *ppFace = nullptr;
  if (m_Nodes.empty())
    return 0;
  const double pa[3] = {a->x(), a->y(), a->z()};
  const double d[3] = {static_cast<double>(b->x()) - a->x(), static_cast<double>(b->y()) - a->y(),
                       static_cast<double>(b->z()) - a->z()};
  // The hit is rounded from a, so a far start widens the boxes in proportion.
  const double margin =
    m_Margin + kRelativeMargin * std::max({std::abs(pa[0]), std::abs(pa[1]), std::abs(pa[2])});
  // The scan keeps the nearest hit and, of equally near ones, the first in the mesh's order:
  // the least (distance, face index). Nearer boxes go first, and a box farther from a than the
  // best hit so far (with room for the rounding of both distances) cannot hold a better one.
  bool hit = false;
  double best = kFar;
  int bestFace = -1;
  CVertex3d q;
  m_Stack.assign(1, 0);
  while (!m_Stack.empty()) {
    const SNode& node = m_Nodes[static_cast<size_t>(m_Stack.back())];
    m_Stack.pop_back();
    if (bestFace >= 0 && SquareDistanceToBox(pa, node.box, margin) > best * kPruneSlack)
      continue;
    if (!LineMeetsBox(pa, d, node.box, margin))
      continue;
    if (node.count == 0) {
      const double left = SquareDistanceToBox(pa, m_Nodes[static_cast<size_t>(node.first)].box, 0.0);
      const double right = SquareDistanceToBox(pa, m_Nodes[static_cast<size_t>(node.right)].box, 0.0);
      const int first = node.first;
      const int second = node.right;
      m_Stack.push_back(left <= right ? second : first);
      m_Stack.push_back(left <= right ? first : second);
      continue;
    }
    for (int i = node.first; i < node.first + node.count; i++) {
      const int index = m_Order[static_cast<size_t>(i)];
      const CFace3d* f = m_pMesh->GetFace(index);
      // The normals were computed when the tree was built, and the mesh does not change.
      if (!IntersectLineFaceAsIs(a, b, f, &q))
        continue;
      hit = true;
      const double dx = static_cast<double>(q.x()) - a->x();
      const double dy = static_cast<double>(q.y()) - a->y();
      const double dz = static_cast<double>(q.z()) - a->z();
      const double distance = dx * dx + dy * dy + dz * dz;
      if (distance < best || (distance == best && bestFace >= 0 && index < bestFace)) {
        best = distance;
        bestFace = index;
        pHit->Set(q.x(), q.y(), q.z());
      }
    }
  }
  if (bestFace >= 0)
    *ppFace = m_pMesh->GetFace(bestFace);
  return hit ? 1 : 0;
}
