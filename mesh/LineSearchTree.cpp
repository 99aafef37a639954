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

bool CLineSearchTree::LineMeetsBox(const SLine& line, const SBox& box)
{
  double tMin = -1.7e308;
  double tMax = 1.7e308;
  for (int axis = 0; axis < 3; axis++) {
    const double lo = box.lo[axis] - line.margin;
    const double hi = box.hi[axis] + line.margin;
    if (line.d[axis] == 0.0) {
      if (line.a[axis] < lo || line.a[axis] > hi)
        return false;
      continue;
    }
    double t0 = (lo - line.a[axis]) * line.inverse[axis];
    double t1 = (hi - line.a[axis]) * line.inverse[axis];
    if (t0 > t1)
      std::swap(t0, t1);
    tMin = std::max(tMin, t0);
    tMax = std::min(tMax, t1);
    if (tMin > tMax)
      return false;
  }
  return true;
}

double CLineSearchTree::SquareDistanceToBox(const SLine& line, const SBox& box)
{
  double sum = 0.0;
  for (int axis = 0; axis < 3; axis++) {
    const double below = box.lo[axis] - line.margin - line.a[axis];
    const double above = line.a[axis] - box.hi[axis] - line.margin;
    const double gap = std::max({below, above, 0.0});
    sum += gap * gap;
  }
  return sum;
}

namespace {
// The squared distance from a to the hit q, as the scan measures it.
double SquareDistanceOfHit(const CVertex3d* a, const CVertex3d& q)
{
  const double dx = static_cast<double>(q.x()) - a->x();
  const double dy = static_cast<double>(q.y()) - a->y();
  const double dz = static_cast<double>(q.z()) - a->z();
  return dx * dx + dy * dy + dz * dz;
}
} // namespace

int CLineSearchTree::NearestIntersection(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit,
                                         CFace3d** ppFace)
{
  *ppFace = nullptr;
  if (m_Nodes.empty())
    return 0;
  SLine line;
  for (int axis = 0; axis < 3; axis++) {
    line.a[axis] = a->Get(axis);
    line.d[axis] = static_cast<double>(b->Get(axis)) - a->Get(axis);
    line.inverse[axis] = line.d[axis] != 0.0 ? 1.0 / line.d[axis] : 0.0;
  }
  // The hit is rounded from a, so a far start widens the boxes in proportion.
  line.margin = m_Margin + kRelativeMargin * std::max({std::abs(line.a[0]), std::abs(line.a[1]),
                                                       std::abs(line.a[2])});
  // The scan keeps the nearest hit and, of equally near ones, the first in the mesh's order:
  // the least (distance, face index). Nearer boxes go first, and a box farther from a than a
  // hit already found (with room for the rounding of both distances) cannot hold the answer.
  bool hit = false;
  double best = kFar;
  int bestFace = -1;
  CVertex3d& q = m_Hit;
  m_Stack.assign(1, {0, SquareDistanceToBox(line, m_Nodes[0].box)});
  while (!m_Stack.empty()) {
    const SEntry entry = m_Stack.back();
    m_Stack.pop_back();
    if (entry.distance > best * kPruneSlack)
      continue;
    const SNode& node = m_Nodes[static_cast<size_t>(entry.node)];
    if (!LineMeetsBox(line, node.box))
      continue;
    if (node.count == 0) {
      const auto entryOf = [&](int child) {
        return SEntry{child, SquareDistanceToBox(line, m_Nodes[static_cast<size_t>(child)].box)};
      };
      const SEntry left = entryOf(node.first);
      const SEntry right = entryOf(node.right);
      m_Stack.push_back(left.distance <= right.distance ? right : left);
      m_Stack.push_back(left.distance <= right.distance ? left : right);
      continue;
    }
    for (int i = node.first; i < node.first + node.count; i++) {
      const int index = m_Order[static_cast<size_t>(i)];
      // The normals were computed when the tree was built, and the mesh does not change.
      if (!IntersectLineFaceAsIs(a, b, m_pMesh->GetFace(index), &q))
        continue;
      hit = true;
      const double distance = SquareDistanceOfHit(a, q);
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
