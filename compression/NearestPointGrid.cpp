#include "compression/NearestPointGrid.h"

#include "mesh/GeometryUtil.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Cell coordinates are computed to within 1e-15 of their magnitude; the slack, in cells per
// cell of magnitude, leaves a wide berth for that and for the filing of the points.
constexpr double kSlack = 1e-9;
// SquareDistance rounds its differences to float: its result is at least 1 - 2^-23 of the
// exact squared distance between the two positions.
constexpr double kMargin = 1e-6;
constexpr double kMaxCells = 1 << 22;

// Cubic cells of the size that puts about `cells` of them over the box. The count is shared
// by the axes the box spans; an axis thinner than a cell gets one cell (a flat box, a line).
double CellSize(const double extent[3], double cells)
{
  bool spanned[3];
  for (int a = 0; a < 3; a++)
    spanned[a] = extent[a] > 0.0;
  double h = 1.0; // a box that is a single point: any size will do
  for (;;) {
    double volume = 1.0;
    int axes = 0;
    for (int a = 0; a < 3; a++)
      if (spanned[a]) {
        volume *= extent[a];
        axes++;
      }
    if (axes == 0)
      return h;
    h = std::pow(volume / cells, 1.0 / axes);
    bool dropped = false;
    for (int a = 0; a < 3; a++)
      if (spanned[a] && extent[a] < h) {
        spanned[a] = false;
        dropped = true;
      }
    if (!dropped)
      return h;
  }
}

bool ByPositionThenIndex(const CNearestPointGrid::SPoint& a, const CNearestPointGrid::SPoint& b)
{
  for (int axis = 0; axis < 3; axis++)
    if (a.pVertex->Get(axis) != b.pVertex->Get(axis))
      return a.pVertex->Get(axis) < b.pVertex->Get(axis);
  return a.Index < b.Index;
}

// Equal coordinates (0 and -0 included) give bit-identical distances from any query.
bool SamePosition(const CVertex3d* p, const CVertex3d* q)
{
  return p->x() == q->x() && p->y() == q->y() && p->z() == q->z();
}

} // namespace

bool CNearestPointGrid::IsFinite(const CVertex3d* p)
{
  return std::isfinite(p->x()) && std::isfinite(p->y()) && std::isfinite(p->z());
}

CNearestPointGrid::CNearestPointGrid(const std::vector<SPoint>& points)
{
  std::vector<SPoint> finite;
  finite.reserve(points.size());
  for (const SPoint& p : points)
    if (IsFinite(p.pVertex))
      finite.push_back(p);
  if (finite.empty())
    return;
  double high[3];
  for (int a = 0; a < 3; a++)
    m_Origin[a] = high[a] = finite[0].pVertex->Get(a);
  for (const SPoint& p : finite)
    for (int a = 0; a < 3; a++) {
      m_Origin[a] = std::min(m_Origin[a], static_cast<double>(p.pVertex->Get(a)));
      high[a] = std::max(high[a], static_cast<double>(p.pVertex->Get(a)));
    }
  double extent[3];
  for (int a = 0; a < 3; a++)
    extent[a] = high[a] - m_Origin[a];
  const double count = static_cast<double>(finite.size());
  const double budget = std::min(kMaxCells, 8.0 * count + 64.0);
  File(finite, extent, CellSize(extent, count), budget);
  // A surface fills few of its box's cells: where the filled ones hold many points, finer
  // cells (their filled number grows as the square of the refinement).
  const double perCell = static_cast<double>(m_Points.size()) / NbOccupiedCell();
  if (perCell > 3.0)
    File(finite, extent, m_Cell * std::sqrt(2.0 / perCell), budget);
}

int CNearestPointGrid::Clamped(double t, int axis) const
{
  return static_cast<int>(std::clamp(std::floor(t), 0.0, m_Dim[axis] - 1.0));
}

void CNearestPointGrid::File(const std::vector<SPoint>& points, const double extent[3], double h,
                             double budget)
{
  double dim[3];
  for (;;) {
    double cells = 1.0;
    for (int a = 0; a < 3; a++)
      cells *= dim[a] = std::clamp(std::ceil(extent[a] / h), 1.0, budget);
    if (cells <= budget)
      break;
    h *= 1.25;
  }
  m_Cell = h;
  m_Inverse = 1.0 / h;
  for (int a = 0; a < 3; a++)
    m_Dim[a] = static_cast<int>(dim[a]);
  const size_t cells = static_cast<size_t>(m_Dim[0]) * m_Dim[1] * m_Dim[2];

  std::vector<size_t> cellOf(points.size());
  m_Start.assign(cells + 1, 0);
  for (size_t i = 0; i < points.size(); i++) {
    int c[3];
    for (int a = 0; a < 3; a++)
      c[a] = Clamped((points[i].pVertex->Get(a) - m_Origin[a]) * m_Inverse, a);
    cellOf[i] = (static_cast<size_t>(c[0]) * m_Dim[1] + c[1]) * m_Dim[2] + c[2];
    m_Start[cellOf[i] + 1]++;
  }
  for (size_t c = 0; c < cells; c++)
    m_Start[c + 1] += m_Start[c];
  std::vector<SPoint> sorted(points.size());
  std::vector<int> next(m_Start.begin(), m_Start.end() - 1);
  for (size_t i = 0; i < points.size(); i++)
    sorted[static_cast<size_t>(next[cellOf[i]]++)] = points[i];

  // Of the points at one position only the smallest index can win: the others are dropped,
  // so that many copies of a point cost one distance.
  m_Points.clear();
  auto begin = sorted.begin();
  for (size_t c = 0; c < cells; c++) {
    const auto end = sorted.begin() + m_Start[c + 1];
    std::sort(begin, end, ByPositionThenIndex);
    m_Start[c] = static_cast<int>(m_Points.size());
    for (auto p = begin; p != end; ++p)
      if (p == begin || !SamePosition(p->pVertex, m_Points.back().pVertex))
        m_Points.push_back(*p);
    begin = end;
  }
  m_Start[cells] = static_cast<int>(m_Points.size());
}

int CNearestPointGrid::NbOccupiedCell() const
{
  int occupied = 0;
  for (size_t c = 0; c + 1 < m_Start.size(); c++)
    occupied += m_Start[c] < m_Start[c + 1];
  return occupied;
}

void CNearestPointGrid::Lower(const CVertex3d* q, double* pDistance, int* pIndex) const
{
  if (m_Points.empty() || !IsFinite(q) || std::isnan(*pDistance))
    return;
  SQuery query{q, {}, {}, *pDistance, *pIndex};
  for (int a = 0; a < 3; a++) {
    query.t[a] = (q->Get(a) - m_Origin[a]) * m_Inverse;
    query.c[a] = Clamped(query.t[a], a);
  }
  for (int r = 0;; r++) {
    if (r > 0) {
      const double bound = OutsideBound(query, r);
      if (bound < 0.0 || bound > query.Distance)
        break;
    }
    VisitShell(&query, r);
  }
  *pDistance = query.Distance;
  *pIndex = query.Index;
}

double CNearestPointGrid::BoxBound(const SQuery& query, const int lo[3], const int hi[3]) const
{
  double sum = 0.0;
  for (int a = 0; a < 3; a++) {
    const double t = query.t[a];
    const double slack = kSlack * (1.0 + std::fabs(t) + m_Dim[a]);
    const double gap = std::max(lo[a] - t, t - hi[a]) - slack;
    if (gap > 0.0)
      sum += gap * gap;
  }
  return sum * m_Cell * m_Cell * (1.0 - kMargin);
}

double CNearestPointGrid::OutsideBound(const SQuery& query, int r) const
{
  // Such a cell lies r layers or more from the query's cell along some axis, one way or
  // the other: in one of up to six slabs of the grid.
  double bound = -1.0;
  for (int a = 0; a < 3; a++)
    for (const int side : {-1, 1}) {
      const int layer = query.c[a] + side * r;
      if (layer < 0 || layer >= m_Dim[a])
        continue;
      int lo[3] = {0, 0, 0};
      int hi[3] = {m_Dim[0], m_Dim[1], m_Dim[2]};
      if (side > 0)
        lo[a] = layer;
      else
        hi[a] = layer + 1;
      const double slab = BoxBound(query, lo, hi);
      bound = bound < 0.0 ? slab : std::min(bound, slab);
    }
  return bound;
}

void CNearestPointGrid::VisitShell(SQuery* pQuery, int r) const
{
  const int* c = pQuery->c;
  for (int i = std::max(c[0] - r, 0); i <= std::min(c[0] + r, m_Dim[0] - 1); i++)
    for (int j = std::max(c[1] - r, 0); j <= std::min(c[1] + r, m_Dim[1] - 1); j++) {
      if (std::abs(i - c[0]) == r || std::abs(j - c[1]) == r) {
        for (int k = std::max(c[2] - r, 0); k <= std::min(c[2] + r, m_Dim[2] - 1); k++)
          VisitCell(pQuery, i, j, k);
        continue;
      }
      // Inside the shell's sides: only its two faces across the last axis (r > 0 here).
      if (c[2] - r >= 0)
        VisitCell(pQuery, i, j, c[2] - r);
      if (c[2] + r < m_Dim[2])
        VisitCell(pQuery, i, j, c[2] + r);
    }
}

void CNearestPointGrid::VisitCell(SQuery* pQuery, int i, int j, int k) const
{
  const size_t cell = (static_cast<size_t>(i) * m_Dim[1] + j) * m_Dim[2] + k;
  const int begin = m_Start[cell];
  const int end = m_Start[cell + 1];
  if (begin == end)
    return;
  const int lo[3] = {i, j, k};
  const int hi[3] = {i + 1, j + 1, k + 1};
  if (BoxBound(*pQuery, lo, hi) > pQuery->Distance)
    return;
  for (int m = begin; m < end; m++) {
    const SPoint& p = m_Points[static_cast<size_t>(m)];
    const double d = SquareDistance(pQuery->q, p.pVertex);
    if (d < pQuery->Distance || (d == pQuery->Distance && p.Index < pQuery->Index)) {
      pQuery->Distance = d;
      pQuery->Index = p.Index;
    }
  }
}
