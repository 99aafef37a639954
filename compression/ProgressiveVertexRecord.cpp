#include "compression/ProgressiveVertexRecord.h"

#include "mesh/Vertex3d.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

using Point = CProgressiveVertexRecord::Point;

Point Sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point Cross(const Point& a, const Point& b)
{
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Two lanes divided by one instruction where the target has one: each lane is the quotient a
// single division gives, and the divider, which the frame keeps busy, is asked half as often.
using Pair = double __attribute__((vector_size(16)));

// Normalises in place; false when the vector is null.
bool Normalize(Point* p)
{
  const double len = std::sqrt(Dot(*p, *p));
  if (len == 0)
    return false;
  const Pair xy = Pair{(*p)[0], (*p)[1]} / Pair{len, len};
  *p = {xy[0], xy[1], (*p)[2] / len};
  return true;
}

// The centroid: each coordinate divided by the count, then added up in border order. Two
// points are six coordinates, three pairs.
Point Centroid(std::span<const Point> border)
{
  const double count = static_cast<double>(border.size());
  const Pair counts{count, count};
  Point origin{0, 0, 0};
  size_t i = 0;
  for (; i + 1 < border.size(); i += 2) {
    const Point& p = border[i];
    const Point& q = border[i + 1];
    const Pair first = Pair{p[0], p[1]} / counts;
    const Pair second = Pair{p[2], q[0]} / counts;
    const Pair third = Pair{q[1], q[2]} / counts;
    origin[0] += first[0];
    origin[1] += first[1];
    origin[2] += second[0];
    origin[0] += second[1];
    origin[1] += third[0];
    origin[2] += third[1];
  }
  if (i < border.size()) {
    const Point& p = border[i];
    const Pair first = Pair{p[0], p[1]} / counts;
    origin[0] += first[0];
    origin[1] += first[1];
    origin[2] += p[2] / count;
  }
  return origin;
}

// std::floor without the library call, which the residual search makes hundreds of times per
// vertex: exact wherever a 64-bit integer holds the value, the library elsewhere (and on NaN).
inline double Floor(double x)
{
  if (!(std::fabs(x) < 1e18))
    return std::floor(x);
  const double t = static_cast<double>(static_cast<long long>(x));
  return t > x ? t - 1 : t;
}

// Round (mesh/GeometryUtil) inlined, the same sums on the same bounds. Where a 64-bit integer
// holds x, the ceiling is the floor or the next integer, both exact: one conversion, not two.
inline int RoundNearest(double x)
{
  const double low = Floor(x);
  const double high = std::fabs(x) < 1e18 ? (low == x ? low : low + 1) : -Floor(-x);
  return static_cast<int>(x - low <= high - x ? low : high);
}

// Round (mesh/GeometryUtil): nearest integer, an exact half going down. Inlined: the residual
// search rounds hundreds of times per vertex. Within the reach of an int the choices are sums
// of comparisons, not branches: which way a coordinate rounds is no pattern.
inline int RoundHalfDown(double x)
{
  if (std::fabs(x) < 0x1p30) {
    const double t = static_cast<double>(static_cast<int>(x));
    const double low = t - static_cast<double>(t > x);
    return static_cast<int>(low) + static_cast<int>(x - low > 0.5);
  }
  const double low = Floor(x);
  return static_cast<int>(x - low > 0.5 ? low + 1 : low);
}

// The step of the search, -2 to 2, nearest to x (NaN taken as -2).
inline int StepWithin2(double x)
{
  if (!(x > -2.5))
    return -2;
  if (!(x < 2.5))
    return 2;
  return RoundNearest(x);
}

// The values x whose rounding lies within a bound of the original on one axis: those in
// (low, high]. The bound is widened a little, far beyond the rounding of the error's
// difference, so no x whose error passes the bound is left out.
struct SAxisWindow
{
  double low = -std::numeric_limits<double>::infinity();
  double high = std::numeric_limits<double>::infinity();

  void SetBound(double original, double bound)
  {
    constexpr double kMargin = 1e-6;
    constexpr double kRange = 1e6;
    *this = SAxisWindow{};
    if (!(std::fabs(original) < kRange && bound < kRange))
      return;
    // round(x) lies in [first, last] exactly when first - 0.5 < x <= last + 0.5.
    low = -Floor(-(original - bound - kMargin)) - 0.5;
    high = Floor(original + bound + kMargin) + 0.5;
  }
  bool Holds(double x) const { return x > low && x <= high; }
  bool Finite() const { return std::isfinite(low) && std::isfinite(high); }
};

// The offsets dc in [first, last] of a row (a, b) whose point partial + (c0 + dc) n may lie in
// every window; the others certainly lie outside one. The computed coordinate, a rounded
// product added with rounding, moves one way as c grows, so the offsets that an axis lets
// through are consecutive; the real bounds found here are widened far beyond the rounding errors of the sums, whose terms
// stay below 1e7, and only axes with |n| of at least a quarter are used, through the inverses
// of their components, multiplied rather than divided.
struct SOffsetRange
{
  int first = -2;
  int last = 2;
};

struct SOffsetBounds
{
  Point inverse{0, 0, 0};  // 1 / n on the axes used, 0 on the others
  double c0 = 0;
  bool usable = false;

  SOffsetBounds(const Point& n, int c)
  {
    constexpr double kRange = 1e7;
    c0 = c;
    if (!(std::fabs(c0) < kRange))
      return;
    for (size_t k = 0; k < 3; k++)
      if (std::fabs(n[k]) >= 0.25 && std::fabs(n[k]) <= 1.5) {
        inverse[k] = 1 / n[k];
        usable = true;
      }
  }

  // The ends of each axis's offsets in the rounded row, whose partial point is given, and how
  // far they move for a step of a and of b (the partial point moves by t1 and t2): a row's
  // offsets are then read without its own partial point, which only a row letting some offset
  // through computes. The moves differ from those of the row's sums by far less than the
  // margin. An axis is used only where every row's partial point stays below the range.
  struct SRows
  {
    std::array<double, 3> low{};
    std::array<double, 3> high{};
    std::array<double, 3> perA{};
    std::array<double, 3> perB{};
    std::array<bool, 3> used{};
  };

  SRows Rows(const std::array<SAxisWindow, 3>& windows, const Point& partial, const Point& t1,
             const Point& t2) const
  {
    constexpr double kRange = 1e7;
    SRows rows;
    for (size_t k = 0; k < 3 && usable; k++) {
      const SAxisWindow& w = windows[k];
      const double reach = std::fabs(partial[k]) + 2 * (std::fabs(t1[k]) + std::fabs(t2[k]));
      if (inverse[k] == 0 || !w.Finite() || !(reach < kRange))
        continue;
      const double one = (w.low - partial[k]) * inverse[k] - c0;
      const double other = (w.high - partial[k]) * inverse[k] - c0;
      rows.low[k] = std::min(one, other);
      rows.high[k] = std::max(one, other);
      rows.perA[k] = t1[k] * inverse[k];
      rows.perB[k] = t2[k] * inverse[k];
      rows.used[k] = true;
    }
    return rows;
  }

  // The offsets of the row (da, db) from the rounded one.
  SOffsetRange Offsets(const SRows& rows, int da, int db) const
  {
    constexpr double kMargin = 1e-3;
    if (!usable)
      return {};
    double first = -2;
    double last = 2;
    // Most rows are empty, told by the first axis or two.
    for (size_t k = 0; k < 3; k++) {
      if (!rows.used[k])
        continue;
      const double shift = da * rows.perA[k] + db * rows.perB[k];
      first = std::max(first, rows.low[k] - shift - kMargin);
      last = std::min(last, rows.high[k] - shift + kMargin);
      if (first > last)
        return {0, -1};
    }
    return {static_cast<int>(-Floor(-first)), static_cast<int>(Floor(last))};
  }
};

// The rows (da, db) of the search whose points may lie in every window; the others certainly
// leave one. A triple's point is R + da t1 + db t2 + dc n, R the rounded triple's: where the
// frame is orthonormal within a millionth, da is (P - R) . t1 within 1e-5, and (P - R) . t1,
// for P in the windows' box, lies between the sums of the box's nearest and furthest corner
// terms; db likewise on t2. The rows taken are widened far beyond these errors and the
// rounding of the sums, whose terms stay below 1e7.
struct SRowReach
{
  int firstA = -2;
  int lastA = 2;
  int firstB = -2;
  int lastB = 2;

  bool Holds(int da, int db) const { return da >= firstA && da <= lastA && db >= firstB && db <= lastB; }
};

class CRowBounds
{
public:
  CRowBounds(const Point& origin, const Point& t1, const Point& t2, const Point& n,
             const std::array<int, 3>& rounded, const Point& roundedRow)
    : m_T1(t1), m_T2(t2)
  {
    constexpr double kRange = 1e6;
    constexpr double kSquare = 1e-6;
    for (size_t k = 0; k < 3; k++)
      m_Rounded[k] = roundedRow[k] + rounded[2] * n[k];
    bool small = true;
    for (size_t k = 0; k < 3; k++)
      small = small && std::fabs(origin[k]) < kRange && std::fabs(rounded[k]) < kRange - 2 &&
              std::fabs(m_Rounded[k]) < kRange;
    m_Usable = small && std::fabs(Dot(t1, t1) - 1) <= kSquare && std::fabs(Dot(t2, t2) - 1) <= kSquare &&
               std::fabs(Dot(t1, t2)) <= kSquare && std::fabs(Dot(t1, n)) <= kSquare &&
               std::fabs(Dot(t2, n)) <= kSquare;
  }

  SRowReach Reach(const std::array<SAxisWindow, 3>& windows) const
  {
    if (!m_Usable)
      return {};
    for (const SAxisWindow& w : windows)
      if (!w.Finite())
        return {};
    SRowReach reach;
    Span(windows, m_T1, &reach.firstA, &reach.lastA);
    Span(windows, m_T2, &reach.firstB, &reach.lastB);
    return reach;
  }

private:
  // The integer steps along the axis t that points of the windows' box lie within.
  void Span(const std::array<SAxisWindow, 3>& windows, const Point& t, int* pFirst, int* pLast) const
  {
    constexpr double kMargin = 1e-3;
    double low = 0;
    double high = 0;
    for (size_t k = 0; k < 3; k++) {
      const double below = (windows[k].low - m_Rounded[k]) * t[k];
      const double above = (windows[k].high - m_Rounded[k]) * t[k];
      low += std::min(below, above);
      high += std::max(below, above);
    }
    *pFirst = std::max(*pFirst, static_cast<int>(-Floor(-(low - kMargin))));
    *pLast = std::min(*pLast, static_cast<int>(Floor(high + kMargin)));
  }

  Point m_T1;
  Point m_T2;
  Point m_Rounded{};
  bool m_Usable = false;
};

Point Project(const Point& p, const Point& n, double d)
{
  const double t = Dot(n, p) + d;
  return {p[0] - t * n[0], p[1] - t * n[1], p[2] - t * n[2]};
}

// The patch's normal before normalising: the faces' cross products added in face order, so
// that larger faces weigh more. The faces name border vertices that exist. Inlined: every
// residual test and every frame takes one, and the call costs a tenth of it.
inline __attribute__((always_inline)) Point NormalSum(std::span<const Point> border,
                std::span<const CProgressiveVertexRecord::Triangle> faces)
{
  Point n{0, 0, 0};
  for (const auto& f : faces) {
    const Point c = Cross(Sub(border[f[1]], border[f[0]]), Sub(border[f[2]], border[f[0]]));
    for (int k = 0; k < 3; k++)
      n[k] += c[k];
  }
  return n;
}

// True when there are no more faces than a record keeps and each names vertices of a border
// of nbBorder: KeepFaces would keep them all, in order.
bool NameBorder(std::span<const CProgressiveVertexRecord::Triangle> faces, int nbBorder)
{
  const auto bound = static_cast<unsigned>(nbBorder);
  bool all = faces.size() <= static_cast<size_t>(CProgressiveVertexRecord::kMaxFaces);
  for (size_t f = 0; f < faces.size() && all; f++)
    all = static_cast<unsigned>(faces[f][0]) < bound && static_cast<unsigned>(faces[f][1]) < bound &&
          static_cast<unsigned>(faces[f][2]) < bound;
  return all;
}

} // namespace

CProgressiveVertexRecord::CProgressiveVertexRecord(CVertex3d* pVertex,
                                                   std::span<CVertex3d* const> border,
                                                   std::span<const Triangle> faces)
  : CProgressiveVertexRecord(pVertex, border, faces, {pVertex->x(), pVertex->y(), pVertex->z()},
                             {pVertex->x2(), pVertex->y2(), pVertex->z2()})
{
}

CProgressiveVertexRecord::CProgressiveVertexRecord(CVertex3d* pVertex,
                                                   std::span<CVertex3d* const> border,
                                                   std::span<const Triangle> faces,
                                                   const std::array<float, 3>& position,
                                                   const std::array<float, 3>& second)
  : m_pVertex(pVertex)
{
  m_NbBorder = static_cast<int>(std::min(border.size(), m_BorderVertices.size()));
  // A handful of pointers: copied in place, not through a library call per record.
  for (size_t i = 0; i < m_BorderVertices.size(); i++) {
    if (i == static_cast<size_t>(m_NbBorder))
      break;
    m_BorderVertices[i] = border[i];
  }
  SetFaces(faces);
  m_Position = position;
  m_Target = {static_cast<int>(second[0]), static_cast<int>(second[1]),
              static_cast<int>(second[2])};
}

void CProgressiveVertexRecord::SetFaces(std::span<const Triangle> faces)
{
  m_NbFace = KeepFaces(faces, m_NbBorder, &m_Faces);
}

// Faces name border vertices: one that does not exist makes no face.
int CProgressiveVertexRecord::KeepFaces(std::span<const Triangle> faces, int nbBorder,
                                        std::array<Triangle, kMaxFaces>* pKept)
{
  // A negative index is a large unsigned one: one comparison per corner.
  const auto names = [bound = static_cast<unsigned>(nbBorder)](int i) {
    return static_cast<unsigned>(i) < bound;
  };
  int n = 0;
  for (const Triangle& t : faces) {
    if (n == kMaxFaces)
      break;
    if (names(t[0]) && names(t[1]) && names(t[2]))
      (*pKept)[static_cast<size_t>(n++)] = t;
  }
  return n;
}

void CProgressiveVertexRecord::SetFrame(std::span<const Point> border,
                                        std::span<const Triangle> faces)
{
  m_NbBorder = static_cast<int>(std::min(border.size(), static_cast<size_t>(kMaxBorder)));
  m_Points.assign(border.begin(), border.begin() + m_NbBorder);
  SetFaces(faces);
}

void CProgressiveVertexRecord::PrefetchSecondPositions() const
{
  m_pVertex->PrefetchSecond();
  for (int i = 0; i < m_NbBorder; i++)
    m_BorderVertices[static_cast<size_t>(i)]->PrefetchSecond();
}

void CProgressiveVertexRecord::TakeFrameFromBorder()
{
  std::array<Point, kMaxBorder> points;
  m_Points.clear();
  const std::span<const Point> now = FramePoints(&points);
  m_Points.assign(now.begin(), now.end());
}

std::span<const CProgressiveVertexRecord::Point> CProgressiveVertexRecord::FramePoints(
    std::array<Point, kMaxBorder>* pScratch) const
{
  const auto nb = static_cast<size_t>(m_NbBorder);
  if (!m_Points.empty())
    return std::span<const Point>(m_Points.data(), std::min(nb, m_Points.size()));
  for (size_t i = 0; i < nb; i++) {
    const CVertex3d* w = m_BorderVertices[i];
    (*pScratch)[i] = {w->x2(), w->y2(), w->z2()};
  }
  return std::span<const Point>(pScratch->data(), nb);
}

CProgressiveVertexRecord::SFrame CProgressiveVertexRecord::ComputeFrame() const
{
  std::array<Point, kMaxBorder> points;
  return ComputeFrame(FramePoints(&points),
                      std::span<const Triangle>(m_Faces.data(), static_cast<size_t>(m_NbFace)));
}

// The faces name border vertices that exist.
CProgressiveVertexRecord::SFrame CProgressiveVertexRecord::ComputeFrame(std::span<const Point> border,
                                                                        std::span<const Triangle> faces)
{
  const size_t nbBorder = border.size();
  SFrame frame;
  if (nbBorder == 0) {
    frame = {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, 0};
    frame.d = -Dot(frame.n, frame.origin);
    return frame;
  }
  // Every field is set below.
  frame.origin = Centroid(border);
  Point n = NormalSum(border, faces);
  if (!Normalize(&n))
    n = {1, 0, 0};
  double d = -Dot(n, frame.origin);
  Point t1 = Sub(Project(border[nbBorder - 1], n, d), Project(border[0], n, d));
  bool fixed = false;
  if (!Normalize(&t1)) {
    n = {1, 0, 0};
    t1 = {0, 1, 0};
    fixed = true;
  }
  Point t2 = Cross(t1, n);
  if (!Normalize(&t2)) {
    n = {1, 0, 0};
    t1 = {0, 1, 0};
    t2 = {0, 0, 1};
    fixed = true;
  }
  // The fixed axes have their own plane through the centroid.
  if (fixed)
    d = -Dot(n, frame.origin);
  frame.n = n;
  frame.t1 = t1;
  frame.t2 = t2;
  frame.d = d;
  return frame;
}

std::array<int, 3> CProgressiveVertexRecord::Decoded(const SFrame& frame, int a, int b, int c)
{
  std::array<int, 3> p{};
  for (int k = 0; k < 3; k++)
    p[k] = RoundHalfDown(frame.origin[k] + a * frame.t1[k] + b * frame.t2[k] + c * frame.n[k]);
  return p;
}

std::array<int, 3> CProgressiveVertexRecord::Reconstruct() const
{
  return Decoded(ComputeFrame(), m_Coordinates[0], m_Coordinates[1], m_Coordinates[2]);
}

std::array<int, 3> CProgressiveVertexRecord::Reconstruct(const std::array<int, 3>& abc,
                                                         std::span<const Point> border,
                                                         std::span<const Triangle> faces)
{
  // As SetFrame keeps them: the border cut to its room, the faces that name it.
  border = border.first(std::min(border.size(), static_cast<size_t>(kMaxBorder)));
  std::array<Triangle, kMaxFaces> kept{};
  const int nbKept = KeepFaces(faces, static_cast<int>(border.size()), &kept);
  return Decoded(ComputeFrame(border, std::span<const Triangle>(kept.data(), static_cast<size_t>(nbKept))),
                 abc[0], abc[1], abc[2]);
}

namespace {

// A point per lane, coordinate by coordinate.
using PairPoint = std::array<Pair, 3>;

PairPoint PairSub(const PairPoint& a, const PairPoint& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
PairPoint PairCross(const PairPoint& a, const PairPoint& b)
{
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Pair PairDot(const PairPoint& a, const PairPoint& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// As Normalize in each lane of every pair; false when some vector is null (nothing is then
// divided). The pairs' roots and divisions are issued side by side.
template <size_t K>
bool PairNormalize(std::array<PairPoint, K>* p)
{
  std::array<Pair, K> len;
  for (size_t i = 0; i < K; i++) {
    const Pair squared = PairDot((*p)[i], (*p)[i]);
    len[i] = Pair{std::sqrt(squared[0]), std::sqrt(squared[1])};
  }
  for (size_t i = 0; i < K; i++)
    if (len[i][0] == 0 || len[i][1] == 0)
      return false;
  for (size_t i = 0; i < K; i++)
    for (Pair& x : (*p)[i])
      x /= len[i];
  return true;
}

PairPoint PairProject(const PairPoint& p, const PairPoint& n, Pair d)
{
  const Pair t = PairDot(n, p) + d;
  return {p[0] - t * n[0], p[1] - t * n[1], p[2] - t * n[2]};
}

PairPoint Lanes(const Point& first, const Point& second)
{
  return {Pair{first[0], second[0]}, Pair{first[1], second[1]}, Pair{first[2], second[2]}};
}

using Reconstruction = CProgressiveVertexRecord::SReconstruction;
using Triangle = CProgressiveVertexRecord::Triangle;
using Kept = std::array<Triangle, CProgressiveVertexRecord::kMaxFaces>;
using KeepFunction = int (*)(std::span<const Triangle>, int, Kept*);

// What each lane's frame is built from, each lane on its own as Reconstruct and ComputeFrame
// do it, up to the normal's sum.
template <size_t N>
struct SLanes
{
  std::array<Point, N> origin{};
  std::array<Point, N> normal{};
  std::array<Point, N> first{};
  std::array<Point, N> last{};
};

// False when a border is empty: the single call gives such a lane its fixed frame.
template <size_t N>
bool PrepareLanes(const std::array<Reconstruction, N>& in, KeepFunction keep, SLanes<N>* pLanes)
{
  for (size_t lane = 0; lane < N; lane++) {
    const std::span<const Point> border = in[lane].border.first(
        std::min(in[lane].border.size(), static_cast<size_t>(CProgressiveVertexRecord::kMaxBorder)));
    if (border.empty())
      return false;
    Kept kept{};
    const int nbKept = keep(in[lane].faces, static_cast<int>(border.size()), &kept);
    pLanes->origin[lane] = Centroid(border);
    pLanes->normal[lane] =
        NormalSum(border, std::span<const Triangle>(kept.data(), static_cast<size_t>(nbKept)));
    pLanes->first[lane] = border.front();
    pLanes->last[lane] = border.back();
  }
  return true;
}

// The frames of K pairs of lanes at once, and the rounded positions of the lanes' residuals
// in them; false when a vector is null in some lane, which the single call replaces by a
// fixed axis.
template <size_t K>
bool FramePairs(const std::array<Reconstruction, 2 * K>& in, const SLanes<2 * K>& lanes,
                std::array<std::array<int, 3>, 2 * K>* pOut)
{
  std::array<PairPoint, K> n;
  for (size_t i = 0; i < K; i++)
    n[i] = Lanes(lanes.normal[2 * i], lanes.normal[2 * i + 1]);
  if (!PairNormalize(&n))
    return false;
  std::array<PairPoint, K> o;
  std::array<PairPoint, K> t1;
  for (size_t i = 0; i < K; i++) {
    o[i] = Lanes(lanes.origin[2 * i], lanes.origin[2 * i + 1]);
    const Pair d = -PairDot(n[i], o[i]);
    t1[i] = PairSub(PairProject(Lanes(lanes.last[2 * i], lanes.last[2 * i + 1]), n[i], d),
                    PairProject(Lanes(lanes.first[2 * i], lanes.first[2 * i + 1]), n[i], d));
  }
  if (!PairNormalize(&t1))
    return false;
  std::array<PairPoint, K> t2;
  for (size_t i = 0; i < K; i++)
    t2[i] = PairCross(t1[i], n[i]);
  if (!PairNormalize(&t2))
    return false;
  for (size_t i = 0; i < K; i++) {
    const auto lane = [&in, i](size_t k) {
      return Pair{static_cast<double>(in[2 * i].abc[k]), static_cast<double>(in[2 * i + 1].abc[k])};
    };
    const Pair a = lane(0);
    const Pair b = lane(1);
    const Pair c = lane(2);
    for (size_t k = 0; k < 3; k++) {
      const Pair x = o[i][k] + a * t1[i][k] + b * t2[i][k] + c * n[i][k];
      (*pOut)[2 * i][k] = RoundHalfDown(x[0]);
      (*pOut)[2 * i + 1][k] = RoundHalfDown(x[1]);
    }
  }
  return true;
}

// Four borders, as their frames read them: the points in order, the normal's sum, the first
// and last points. Left unset but for the longest border: each use writes the lanes it reads
// (the frames read none of a quad that stops at an empty border).
struct SBorderLanes
{
  // Point i's coordinate k in lane l at [i][k][l]; 0 past a lane's border.
  double points[CProgressiveVertexRecord::kMaxBorder][3][4];
  std::array<int, 4> nbBorder;
  int most = 0;  // the longest border
  std::array<Point, 4> normal;
  std::array<Point, 4> first;
  std::array<Point, 4> last;
  // The targets, coordinate by coordinate.
  std::int32_t target[3][4];
};

// Four frames, coordinate by coordinate and lane by lane.
struct SQuadFrames
{
  double origin[3][4];
  double t1[3][4];
  double t2[3][4];
  double n[3][4];
  double d[4];
  // Rounded's triple for each lane's target, and whether Decoded gives the target back.
  std::int32_t rounded[3][4];
  int hits = 0;  // bit l for lane l
};

#if defined(__x86_64__)
// Four frames in AVX lanes, for processors that have them: the four lanes' roots and
// divisions, which the frames wait on, go a whole vector at a time. Each lane takes the same
// operations in the same order as a single frame, with no fused multiply-add, and IEEE
// operations round alike in any width: the bits are the single frame's.
namespace avx {

using Quad = __m256d;
// A plain array: a standard container would drop the vector type's alignment attribute.
struct QuadPoint
{
  Quad c[3];
  Quad& operator[](size_t k) { return c[k]; }
  const Quad& operator[](size_t k) const { return c[k]; }
};

__attribute__((target("avx"))) inline Quad Dot(const QuadPoint& a, const QuadPoint& b)
{
  return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(a[0], b[0]), _mm256_mul_pd(a[1], b[1])),
                       _mm256_mul_pd(a[2], b[2]));
}

__attribute__((target("avx"))) inline QuadPoint Gather(const std::array<Point, 4>& p)
{
  QuadPoint q;
  for (size_t k = 0; k < 3; k++)
    q[k] = _mm256_set_pd(p[3][k], p[2][k], p[1][k], p[0][k]);
  return q;
}

// As PairNormalize; false, nothing divided, when some lane is null.
__attribute__((target("avx"))) inline bool Normalize(QuadPoint* p)
{
  const Quad len = _mm256_sqrt_pd(Dot(*p, *p));
  if (_mm256_movemask_pd(_mm256_cmp_pd(len, _mm256_setzero_pd(), _CMP_EQ_OQ)) != 0)
    return false;
  for (size_t k = 0; k < 3; k++)
    (*p)[k] = _mm256_div_pd((*p)[k], len);
  return true;
}

__attribute__((target("avx"))) inline QuadPoint Project(const QuadPoint& p, const QuadPoint& n,
                                                        Quad d)
{
  const Quad t = _mm256_add_pd(Dot(n, p), d);
  QuadPoint q;
  for (size_t k = 0; k < 3; k++)
    q[k] = _mm256_sub_pd(p[k], _mm256_mul_pd(t, n[k]));
  return q;
}

bool Available()
{
  return __builtin_cpu_supports("avx");
}

// Where the mask is set, the first; elsewhere the second. In bitwise operations: the compiler
// spells a variable blend of a comparison lane by lane without AVX2.
__attribute__((target("avx"))) inline Quad Select(Quad mask, Quad set, Quad clear)
{
  return _mm256_or_pd(_mm256_and_pd(mask, set), _mm256_andnot_pd(mask, clear));
}

// floor and ceiling, exact as Floor and its negation give them (NaN stays NaN).
__attribute__((target("avx"))) inline Quad FloorOf(Quad x)
{
  return _mm256_round_pd(x, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
}

__attribute__((target("avx"))) inline Quad CeilOf(Quad x)
{
  return _mm256_round_pd(x, _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC);
}

// RoundNearest lane by lane: the floor where it is no further than the ceiling, else the
// ceiling (NaN too); out of range, the conversion gives what the single one gives.
__attribute__((target("avx"))) inline __m128i RoundNearestOf(Quad x)
{
  const Quad low = FloorOf(x);
  const Quad high = CeilOf(x);
  const Quad lower = _mm256_cmp_pd(_mm256_sub_pd(x, low), _mm256_sub_pd(high, x), _CMP_LE_OQ);
  return _mm256_cvttpd_epi32(Select(lower, low, high));
}

// RoundHalfDown lane by lane.
__attribute__((target("avx"))) inline __m128i RoundHalfDownOf(Quad x)
{
  const Quad low = FloorOf(x);
  const Quad up = _mm256_cmp_pd(_mm256_sub_pd(x, low), _mm256_set1_pd(0.5), _CMP_GT_OQ);
  return _mm256_cvttpd_epi32(Select(up, _mm256_add_pd(low, _mm256_set1_pd(1.0)), low));
}

__attribute__((target("avx"))) inline Quad Minor(const QuadPoint& t1, const QuadPoint& t2, size_t i, size_t j)
{
  return _mm256_sub_pd(_mm256_mul_pd(t1[i], t2[j]), _mm256_mul_pd(t1[j], t2[i]));
}

__attribute__((target("avx"))) inline Quad Magnitude(Quad x)
{
  return _mm256_andnot_pd(_mm256_set1_pd(-0.0), x);
}

// Rounded in each lane's frame, its coordinate pair chosen by selects rather than branches,
// and whether Decoded gives the lane's target back.
__attribute__((target("avx"))) void RoundedQuad(const SBorderLanes& in, const QuadPoint& o,
                                                const QuadPoint& t1, const QuadPoint& t2,
                                                const QuadPoint& n, Quad d, SQuadFrames* pOut)
{
  QuadPoint target;
  for (size_t k = 0; k < 3; k++)
    target[k] = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in.target[k])));
  const QuadPoint projected = Project(target, n, d);
  QuadPoint normal;
  QuadPoint r;
  for (size_t k = 0; k < 3; k++) {
    normal[k] = _mm256_sub_pd(target[k], projected[k]);
    r[k] = _mm256_sub_pd(projected[k], o[k]);
  }
  const Quad length = _mm256_sqrt_pd(Dot(normal, normal));
  const Quad below = _mm256_cmp_pd(Dot(normal, n), _mm256_setzero_pd(), _CMP_LT_OQ);
  const Quad c = _mm256_xor_pd(length, _mm256_and_pd(below, _mm256_set1_pd(-0.0)));
  const Quad det01 = Minor(t1, t2, 0, 1);
  const Quad det12 = Minor(t1, t2, 1, 2);
  const Quad det02 = Minor(t1, t2, 0, 2);
  Quad best = _mm256_and_pd(det01, _mm256_cmp_pd(Magnitude(det01), _mm256_setzero_pd(), _CMP_GT_OQ));
  // Pair (i, j) as (0, 1), (1, 2) or (0, 2): i is 1 only for the second, j 1 only for the first.
  const Quad take12 = _mm256_cmp_pd(Magnitude(det12), Magnitude(best), _CMP_GT_OQ);
  best = Select(take12, det12, best);
  const Quad take02 = _mm256_cmp_pd(Magnitude(det02), Magnitude(best), _CMP_GT_OQ);
  best = Select(take02, det02, best);
  const Quad iIsOne = _mm256_andnot_pd(take02, take12);
  const Quad jIsOne = _mm256_andnot_pd(_mm256_or_pd(take12, take02), _mm256_cmp_pd(best, best, _CMP_TRUE_UQ));
  const Quad ri = Select(iIsOne, r[1], r[0]);
  const Quad rj = Select(jIsOne, r[1], r[2]);
  const Quad t1i = Select(iIsOne, t1[1], t1[0]);
  const Quad t1j = Select(jIsOne, t1[1], t1[2]);
  const Quad t2i = Select(iIsOne, t2[1], t2[0]);
  const Quad t2j = Select(jIsOne, t2[1], t2[2]);
  const Quad solved = _mm256_cmp_pd(best, _mm256_setzero_pd(), _CMP_NEQ_UQ);
  const Quad a = _mm256_and_pd(
      solved, _mm256_div_pd(_mm256_sub_pd(_mm256_mul_pd(ri, t2j), _mm256_mul_pd(rj, t2i)), best));
  const Quad b = _mm256_and_pd(
      solved, _mm256_div_pd(_mm256_sub_pd(_mm256_mul_pd(t1i, rj), _mm256_mul_pd(t1j, ri)), best));
  const __m128i rounded[3] = {RoundNearestOf(a), RoundNearestOf(b), RoundNearestOf(c)};
  QuadPoint abc;
  for (size_t k = 0; k < 3; k++) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut->rounded[k]), rounded[k]);
    abc[k] = _mm256_cvtepi32_pd(rounded[k]);
  }
  __m128i same = _mm_set1_epi32(-1);
  for (size_t k = 0; k < 3; k++) {
    const Quad x = _mm256_add_pd(_mm256_add_pd(_mm256_add_pd(o[k], _mm256_mul_pd(abc[0], t1[k])),
                                               _mm256_mul_pd(abc[1], t2[k])),
                                 _mm256_mul_pd(abc[2], n[k]));
    same = _mm_and_si128(same, _mm_cmpeq_epi32(RoundHalfDownOf(x), _mm_loadu_si128(reinterpret_cast<const __m128i*>(in.target[k]))));
  }
  pOut->hits = _mm_movemask_ps(_mm_castsi128_ps(same));
}

// The first offset (da, db, dc) over -1..1, in a, b, c order, whose point
// O + (a + da) t1 + (b + db) t2 + (c + dc) n lies in (low, high] on every axis, summed as
// Decoded sums; -1 without one, else 9 (da + 1) + 3 (db + 1) + dc + 1. The lanes are the
// axes, the fourth idle and always within.
__attribute__((target("avx"))) int FirstWithin(const Point& origin, const Point& t1, const Point& t2,
                                               const Point& n, const std::array<int, 3>& rounded,
                                               const Point& low, const Point& high)
{
  const Quad o = _mm256_set_pd(0.0, origin[2], origin[1], origin[0]);
  const Quad u = _mm256_set_pd(0.0, t1[2], t1[1], t1[0]);
  const Quad v = _mm256_set_pd(0.0, t2[2], t2[1], t2[0]);
  const Quad w = _mm256_set_pd(0.0, n[2], n[1], n[0]);
  const Quad lo = _mm256_set_pd(-1.0, low[2], low[1], low[0]);
  const Quad hi = _mm256_set_pd(1.0, high[2], high[1], high[0]);
  Quad c[3];
  for (int dc = -1; dc <= 1; dc++)
    c[dc + 1] = _mm256_set1_pd(static_cast<double>(rounded[2] + dc));
  for (int da = -1; da <= 1; da++) {
    const Quad a = _mm256_mul_pd(_mm256_set1_pd(static_cast<double>(rounded[0] + da)), u);
    for (int db = -1; db <= 1; db++) {
      const Quad partial =
          _mm256_add_pd(_mm256_add_pd(o, a), _mm256_mul_pd(_mm256_set1_pd(static_cast<double>(rounded[1] + db)), v));
      for (int dc = 0; dc < 3; dc++) {
        const Quad x = _mm256_add_pd(partial, _mm256_mul_pd(c[dc], w));
        const Quad within = _mm256_and_pd(_mm256_cmp_pd(x, lo, _CMP_GT_OQ), _mm256_cmp_pd(x, hi, _CMP_LE_OQ));
        if (_mm256_movemask_pd(within) == 0xF)
          return 9 * (da + 1) + 3 * (db + 1) + dc;
      }
    }
  }
  return -1;
}

struct SQuadFrame
{
  QuadPoint o;
  QuadPoint t1;
  QuadPoint t2;
  QuadPoint n;
  Quad d;
};

// The frames of four borders, lane by lane as ComputeFrame makes them; false where a lane's
// vector is null (ComputeFrame then takes fixed axes) or a border is empty. The centroid's
// terms come in border order, each lane's sum left as it is past its last vertex.
__attribute__((target("avx"))) inline bool FrameOfLanes(const SBorderLanes& in, SQuadFrame* pFrame)
{
  for (size_t l = 0; l < 4; l++)
    if (in.nbBorder[l] <= 0)
      return false;
  const Quad counts = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in.nbBorder.data())));
  QuadPoint o{{_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()}};
  for (int i = 0; i < in.most; i++) {
    // Lanes past their border divide a zero and keep their sum.
    const Quad active = _mm256_cmp_pd(counts, _mm256_set1_pd(i), _CMP_GT_OQ);
    for (size_t k = 0; k < 3; k++)
      o[k] = Select(active, _mm256_add_pd(o[k], _mm256_div_pd(_mm256_loadu_pd(in.points[i][k]), counts)), o[k]);
  }
  QuadPoint n = Gather(in.normal);
  if (!Normalize(&n))
    return false;
  const Quad d = _mm256_xor_pd(Dot(n, o), _mm256_set1_pd(-0.0));
  const QuadPoint last = Project(Gather(in.last), n, d);
  const QuadPoint first = Project(Gather(in.first), n, d);
  QuadPoint t1;
  for (size_t k = 0; k < 3; k++)
    t1[k] = _mm256_sub_pd(last[k], first[k]);
  if (!Normalize(&t1))
    return false;
  QuadPoint t2 = {{_mm256_sub_pd(_mm256_mul_pd(t1[1], n[2]), _mm256_mul_pd(t1[2], n[1])),
                    _mm256_sub_pd(_mm256_mul_pd(t1[2], n[0]), _mm256_mul_pd(t1[0], n[2])),
                    _mm256_sub_pd(_mm256_mul_pd(t1[0], n[1]), _mm256_mul_pd(t1[1], n[0]))}};
  if (!Normalize(&t2))
    return false;
  *pFrame = {o, t1, t2, n, d};
  return true;
}

__attribute__((target("avx"))) bool FramesOfQuad(const SBorderLanes& in, SQuadFrames* pOut)
{
  SQuadFrame frame;
  if (!FrameOfLanes(in, &frame))
    return false;
  const auto& [o, t1, t2, n, d] = frame;
  for (size_t k = 0; k < 3; k++) {
    _mm256_storeu_pd(pOut->origin[k], o[k]);
    _mm256_storeu_pd(pOut->t1[k], t1[k]);
    _mm256_storeu_pd(pOut->t2[k], t2[k]);
    _mm256_storeu_pd(pOut->n[k], n[k]);
  }
  _mm256_storeu_pd(pOut->d, d);
  RoundedQuad(in, o, t1, t2, n, d, pOut);
  return true;
}

// The positions of the residuals abc (lane l's at [k][l]) in the lanes' frames, as Decoded
// gives them.
__attribute__((target("avx"))) bool DecodedOfLanes(const SBorderLanes& in, const std::int32_t abc[3][4],
                                                   std::array<std::array<int, 3>, 4>* pOut)
{
  SQuadFrame frame;
  if (!FrameOfLanes(in, &frame))
    return false;
  Quad lanes[3];
  for (size_t k = 0; k < 3; k++)
    lanes[k] = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(abc[k])));
  for (size_t k = 0; k < 3; k++) {
    const Quad x = _mm256_add_pd(
        _mm256_add_pd(_mm256_add_pd(frame.o[k], _mm256_mul_pd(lanes[0], frame.t1[k])),
                      _mm256_mul_pd(lanes[1], frame.t2[k])),
        _mm256_mul_pd(lanes[2], frame.n[k]));
    alignas(16) std::int32_t rounded[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(rounded), RoundHalfDownOf(x));
    for (size_t l = 0; l < 4; l++)
      (*pOut)[l][k] = rounded[l];
  }
  return true;
}

} // namespace avx
#endif


} // namespace

std::array<std::array<int, 3>, 2> CProgressiveVertexRecord::ReconstructPair(
    const std::array<SReconstruction, 2>& in)
{
  SLanes<2> lanes;
  std::array<std::array<int, 3>, 2> out{};
  if (PrepareLanes(in, &KeepFaces, &lanes) && FramePairs<1>(in, lanes, &out))
    return out;
  return {Reconstruct(in[0].abc, in[0].border, in[0].faces),
          Reconstruct(in[1].abc, in[1].border, in[1].faces)};
}

std::array<std::array<int, 3>, 4> CProgressiveVertexRecord::ReconstructQuad(
    const std::array<SReconstruction, 4>& in)
{
#if defined(__x86_64__)
  // The lanes' borders cut to their room, the faces that name them kept, as Reconstruct does.
  if (avx::Available()) {
    SBorderLanes lanes;
    std::int32_t abc[3][4];
    bool filled = true;
    for (size_t l = 0; l < 4 && filled; l++) {
      const std::span<const Point> border =
          in[l].border.first(std::min(in[l].border.size(), static_cast<size_t>(kMaxBorder)));
      const int nb = static_cast<int>(border.size());
      lanes.nbBorder[l] = nb;
      lanes.most = std::max(lanes.most, nb);
      filled = nb > 0;
      for (size_t i = 0; i < border.size(); i++)
        for (size_t k = 0; k < 3; k++)
          lanes.points[i][k][l] = border[i][k];
      for (size_t k = 0; k < 3; k++)
        abc[k][l] = in[l].abc[k];
      if (!filled)
        break;
      // A pattern's faces, which all name the border, are read in place.
      std::span<const Triangle> faces = in[l].faces;
      std::array<Triangle, kMaxFaces> kept;
      if (!NameBorder(faces, nb))
        faces = std::span<const Triangle>(kept.data(), static_cast<size_t>(KeepFaces(faces, nb, &kept)));
      lanes.normal[l] = NormalSum(border, faces);
      lanes.first[l] = border.front();
      lanes.last[l] = border.back();
    }
    std::array<std::array<int, 3>, 4> out{};
    if (filled) {
      for (size_t l = 0; l < 4; l++)
        for (size_t i = static_cast<size_t>(lanes.nbBorder[l]); i < static_cast<size_t>(lanes.most); i++)
          for (size_t k = 0; k < 3; k++)
            lanes.points[i][k][l] = 0.0;
      if (avx::DecodedOfLanes(lanes, abc, &out))
        return out;
    }
    // A lane without a border or with a null vector: the pairs give its fixed axes.
    const auto low = ReconstructPair({in[0], in[1]});
    const auto high = ReconstructPair({in[2], in[3]});
    return {low[0], low[1], high[0], high[1]};
  }
#endif
  SLanes<4> lanes;
  std::array<std::array<int, 3>, 4> out{};
  if (PrepareLanes(in, &KeepFaces, &lanes) && FramePairs<2>(in, lanes, &out))
    return out;
  const auto low = ReconstructPair({in[0], in[1]});
  const auto high = ReconstructPair({in[2], in[3]});
  return {low[0], low[1], high[0], high[1]};
}

std::array<std::array<int, 3>, 4> CProgressiveVertexRecord::PredictQuad(
    const std::array<CProgressiveVertexRecord*, 4>& records, const SGrid& grid)
{
  std::array<std::array<int, 3>, 4> out{};
#if defined(__x86_64__)
  if (avx::Available()) {
    SBorderLanes lanes;
    std::array<std::array<Point, kMaxBorder>, 4> scratch;
    std::array<std::span<const Point>, 4> borders;
    for (size_t l = 0; l < 4; l++) {
      const CProgressiveVertexRecord& r = *records[l];
      const auto nb = static_cast<size_t>(r.m_NbBorder);
      if (r.m_Points.empty()) {
        // FramePoints, the lanes filled on the way.
        for (size_t i = 0; i < nb; i++) {
          const CVertex3d* w = r.m_BorderVertices[i];
          const Point p{w->x2(), w->y2(), w->z2()};
          scratch[l][i] = p;
          for (size_t k = 0; k < 3; k++)
            lanes.points[i][k][l] = p[k];
        }
        borders[l] = std::span<const Point>(scratch[l].data(), nb);
      } else {
        borders[l] = r.FramePoints(&scratch[l]);
        for (size_t i = 0; i < borders[l].size(); i++)
          for (size_t k = 0; k < 3; k++)
            lanes.points[i][k][l] = borders[l][i][k];
      }
      lanes.nbBorder[l] = static_cast<int>(borders[l].size());
      lanes.most = std::max(lanes.most, lanes.nbBorder[l]);
    }
    for (size_t l = 0; l < 4; l++) {
      const CProgressiveVertexRecord& r = *records[l];
      const std::span<const Point> border = borders[l];
      if (border.empty())
        break;
      for (size_t i = border.size(); i < static_cast<size_t>(lanes.most); i++)
        for (size_t k = 0; k < 3; k++)
          lanes.points[i][k][l] = 0.0;
      lanes.normal[l] = NormalSum(border, std::span<const Triangle>(r.m_Faces.data(), static_cast<size_t>(r.m_NbFace)));
      lanes.first[l] = border.front();
      lanes.last[l] = border.back();
      for (size_t k = 0; k < 3; k++)
        lanes.target[k][l] = r.m_Target[k];
    }
    SQuadFrames frames;
    if (avx::FramesOfQuad(lanes, &frames)) {
      for (size_t l = 0; l < 4; l++) {
        CProgressiveVertexRecord& r = *records[l];
        const std::array<int, 3> rounded{frames.rounded[0][l], frames.rounded[1][l], frames.rounded[2][l]};
        // Most targets come back from the rounded triple: no search reads their frame.
        if ((frames.hits >> l) & 1) {
          r.m_Coordinates = rounded;
          out[l] = r.m_Target;
          continue;
        }
        SFrame frame;
        for (size_t k = 0; k < 3; k++) {
          frame.origin[k] = frames.origin[k][l];
          frame.t1[k] = frames.t1[k][l];
          frame.t2[k] = frames.t2[k][l];
          frame.n[k] = frames.n[k][l];
        }
        frame.d = frames.d[l];
        out[l] = r.PredictFromRounded(frame, rounded, false, &grid);
      }
      return out;
    }
  }
#endif
  for (size_t l = 0; l < 4; l++)
    out[l] = records[l]->Predict(grid);
  return out;
}

std::array<int, 3> CProgressiveVertexRecord::Rounded(const SFrame& frame,
                                                     const std::array<int, 3>& quantized)
{
  const Point target{static_cast<double>(quantized[0]), static_cast<double>(quantized[1]),
                     static_cast<double>(quantized[2])};
  const Point projected = Project(target, frame.n, frame.d);
  const Point normal = Sub(target, projected);
  double c = std::sqrt(Dot(normal, normal));
  if (Dot(normal, frame.n) < 0)
    c = -c;
  // P - O = a t1 + b t2 on the coordinate pair where (t1, t2) is best conditioned.
  const Point r = Sub(projected, frame.origin);
  // The pairs (0, 1), (1, 2), (0, 2) in turn, a later one taken only where strictly larger.
  const Point& t1 = frame.t1;
  const Point& t2 = frame.t2;
  const double det01 = t1[0] * t2[1] - t1[1] * t2[0];
  const double det12 = t1[1] * t2[2] - t1[2] * t2[1];
  const double det02 = t1[0] * t2[2] - t1[2] * t2[0];
  size_t i = 0;
  size_t j = 1;
  double bestDet = std::fabs(det01) > 0 ? det01 : 0;
  if (std::fabs(det12) > std::fabs(bestDet)) {
    bestDet = det12;
    i = 1;
    j = 2;
  }
  if (std::fabs(det02) > std::fabs(bestDet)) {
    bestDet = det02;
    i = 0;
    j = 2;
  }
  double a = 0;
  double b = 0;
  if (bestDet != 0) {
    a = (r[i] * t2[j] - r[j] * t2[i]) / bestDet;
    b = (t1[i] * r[j] - t1[j] * r[i]) / bestDet;
  }
  return {RoundNearest(a), RoundNearest(b), RoundNearest(c)};
}

std::array<int, 3> CProgressiveVertexRecord::PredictRounded() const
{
  return Rounded(ComputeFrame());
}

// As a record made of them keeps them: the border cut to its room, the faces that name it.
std::array<int, 3> CProgressiveVertexRecord::PredictRounded(std::span<const Point> border,
                                                            std::span<const Triangle> faces,
                                                            const std::array<int, 3>& target)
{
  border = border.first(std::min(border.size(), static_cast<size_t>(kMaxBorder)));
  std::array<Triangle, kMaxFaces> kept{};
  const int nbKept = KeepFaces(faces, static_cast<int>(border.size()), &kept);
  return Rounded(ComputeFrame(border, std::span<const Triangle>(kept.data(), static_cast<size_t>(nbKept))),
                 target);
}

// The frame's normal n and tangent t1 are unit vectors and t2 = t1 x n normalised. Where t1 is
// square to n within a millionth, |t1 . t2| stays far below 1/2, so the largest minor of
// (t1, t2) that Rounded divides by is at least 1/2: |a| and |b| are at most twice the length of
// the target's offset in the plane, |c| at most its offset along n, and the rounded triple at
// most 3 |D| + sqrt(3) / 2 long, D the target's offset from the centroid. t1 is the projection
// of last - first on the plane: square to n up to rounding errors far below a millionth of its
// length once that length, |(last - first) x n|, exceeds a thousandth.
double CProgressiveVertexRecord::RoundedBound(std::span<const Point> border,
                                              std::span<const Triangle> faces,
                                              const std::array<int, 3>& target)
{
  constexpr double kUnbounded = std::numeric_limits<double>::infinity();
  border = border.first(std::min(border.size(), static_cast<size_t>(kMaxBorder)));
  if (border.empty())
    return kUnbounded;
  // The faces a record keeps: a pattern's, which all name the border, are used in place.
  std::array<Triangle, kMaxFaces> kept;
  if (!NameBorder(faces, static_cast<int>(border.size())))
    faces = std::span<const Triangle>(
        kept.data(), static_cast<size_t>(KeepFaces(faces, static_cast<int>(border.size()), &kept)));
  const Point n = NormalSum(border, faces);
  const double nn = Dot(n, n);
  const Point across = Cross(Sub(border.back(), border.front()), n);
  if (!(nn > 0 && Dot(across, across) >= 1e-6 * nn))
    return kUnbounded;
  Point offset{0, 0, 0};
  for (const Point& p : border)
    for (int k = 0; k < 3; k++)
      offset[k] += p[k];
  for (int k = 0; k < 3; k++)
    offset[k] = target[static_cast<size_t>(k)] - offset[k] / static_cast<double>(border.size());
  const double reach = 3 * std::sqrt(Dot(offset, offset)) + 1.5;
  return std::isfinite(reach) ? reach : kUnbounded;
}

CProgressiveVertexRecord::Point CProgressiveVertexRecord::GridPosition(const CVertex3d* v, const SGrid& grid)
{
  Point p{0, 0, 0};
  for (int axis = 0; axis < 3; axis++)
    if (grid.scale[axis] > 0)
      p[static_cast<size_t>(axis)] = (static_cast<double>(v->Get(axis)) - grid.shift[axis]) / grid.scale[axis];
  return p;
}

std::array<int, 3> CProgressiveVertexRecord::Predict()
{
  return PredictWith(nullptr);
}

std::array<int, 3> CProgressiveVertexRecord::Predict(const SGrid& grid)
{
  return PredictWith(&grid);
}

std::array<int, 3> CProgressiveVertexRecord::PredictWith(const SGrid* pGrid)
{
  return PredictInFrame(ComputeFrame(), pGrid);
}

std::array<int, 3> CProgressiveVertexRecord::PredictInFrame(const SFrame& frame, const SGrid* pGrid)
{
  const std::array<int, 3> rounded = Rounded(frame);
  return PredictFromRounded(frame, rounded,
                            Decoded(frame, rounded[0], rounded[1], rounded[2]) == m_Target, pGrid);
}

std::array<int, 3> CProgressiveVertexRecord::PredictFromRounded(const SFrame& frame,
                                                                const std::array<int, 3>& rounded,
                                                                bool exact, const SGrid* pGrid)
{
  m_Coordinates = rounded;
  if (exact)
    return m_Target;
  // round(x) is the target's coordinate t exactly when t - 0.5 < x <= t + 0.5: compared
  // without rounding.
  Point low{};
  Point high{};
  for (int k = 0; k < 3; k++) {
    low[k] = m_Target[k] - 0.5;
    high[k] = m_Target[k] + 0.5;
  }
  // The frame is orthonormal and the rounded triple within half a unit of the exact one, so a
  // triple that decodes to the target (within half a step on every axis) differs from the
  // rounded one by at most 1 in each residual: the first such offset in the order of the
  // search over -2..2 is the first over -1..1.
#if defined(__x86_64__)
  if (avx::Available()) {
    const int at = avx::FirstWithin(frame.origin, frame.t1, frame.t2, frame.n, rounded, low, high);
    if (at >= 0) {
      m_Coordinates = {rounded[0] + at / 9 - 1, rounded[1] + at / 3 % 3 - 1, rounded[2] + at % 3 - 1};
      return m_Target;
    }
  } else
#endif
  for (int da = -1; da <= 1; da++)
    for (int db = -1; db <= 1; db++) {
      // O + a t1 + b t2 once for the three c: the sums are those of Decoded, in its order.
      const int a = rounded[0] + da;
      const int b = rounded[1] + db;
      Point partial{};
      for (int k = 0; k < 3; k++)
        partial[k] = frame.origin[k] + a * frame.t1[k] + b * frame.t2[k];
      for (int dc = -1; dc <= 1; dc++) {
        const int c = rounded[2] + dc;
        int k = 0;
        while (k < 3 && partial[k] + c * frame.n[k] > low[k] && partial[k] + c * frame.n[k] <= high[k])
          k++;
        if (k == 3) {
          m_Coordinates = {a, b, c};
          return m_Target;
        }
      }
    }
  if (pGrid)
    SetOriginal(GridPosition(m_pVertex, *pGrid));
  if (!m_HasOriginal)
    return Decoded(frame, rounded[0], rounded[1], rounded[2]);
  m_Coordinates = NearestToOriginal(frame, rounded);
  return Decoded(frame, m_Coordinates[0], m_Coordinates[1], m_Coordinates[2]);
}

// A rotated unit lattice rounded to the grid misses some grid points: then the nearest point
// it reaches, by the largest axis error first, so that a miss costs one step at most where a
// neighbouring cell can be reached: the first triple of the search order with the least
// (largest error, sum of squares).
std::array<int, 3> CProgressiveVertexRecord::NearestToOriginal(const SFrame& frame,
                                                               const std::array<int, 3>& rounded) const
{
  // O + a t1 + b t2 + c n rounded, against the original: the sums are those of Decoded, in its
  // order. An axis already worse than the bound rules the triple out.
  auto score = [&](const Point& partial, int c, double bound, double* pWorst, double* pSquared) {
    double worst = 0;
    double squared = 0;
    for (int k = 0; k < 3 && worst <= bound; k++) {
      const double e = std::fabs(RoundHalfDown(partial[k] + c * frame.n[k]) - m_Original[k]);
      worst = std::max(worst, e);
      squared += e * e;
    }
    *pWorst = worst;
    *pSquared = squared;
  };
  auto partialOf = [&frame](int a, int b) {
    Point partial{};
    for (int k = 0; k < 3; k++)
      partial[k] = frame.origin[k] + a * frame.t1[k] + b * frame.t2[k];
    return partial;
  };
  // A seed's errors bound the search from the start. Until the search reaches it, a triple as
  // good as it comes first in the order and takes its place. The seed is the rounded triple,
  // or the triple nearest the original in the frame where that one scores better: it is most
  // often the answer, and the windows start tight.
  std::array<int, 3> best = rounded;
  double bestWorst = 0;
  double bestSquared = 0;
  const Point roundedRow = partialOf(rounded[0], rounded[1]);
  score(roundedRow, rounded[2], 1e300, &bestWorst, &bestSquared);
  const bool seeded = std::isfinite(bestWorst) && std::isfinite(bestSquared);
  if (!seeded) {
    bestWorst = 1e300;
    bestSquared = 1e300;
  }
  std::array<int, 3> seedAt{0, 0, 0};
  if (seeded) {
    const Point r = Sub(m_Original, frame.origin);
    const std::array<int, 3> at{StepWithin2(Dot(r, frame.t1) - rounded[0]),
                                StepWithin2(Dot(r, frame.t2) - rounded[1]),
                                StepWithin2(Dot(r, frame.n) - rounded[2])};
    if (at != seedAt) {
      const std::array<int, 3> nearest{rounded[0] + at[0], rounded[1] + at[1], rounded[2] + at[2]};
      double worst = 0;
      double squared = 0;
      score(partialOf(nearest[0], nearest[1]), nearest[2], 1e300, &worst, &squared);
      if (worst < bestWorst || (worst == bestWorst && squared < bestSquared)) {
        best = nearest;
        bestWorst = worst;
        bestSquared = squared;
        seedAt = at;
      }
    }
  }
  bool seed = seeded;
  std::array<SAxisWindow, 3> windows{};
  double windowBound = -1;
  const SOffsetBounds bounds(frame.n, rounded[2]);
  const CRowBounds rowBounds(frame.origin, frame.t1, frame.t2, frame.n, rounded, roundedRow);
  SOffsetBounds::SRows rows;
  SRowReach reach;
  const auto narrow = [&] {
    if (seeded && windowBound != bestWorst) {
      windowBound = bestWorst;
      for (int k = 0; k < 3; k++)
        windows[static_cast<size_t>(k)].SetBound(m_Original[k], bestWorst);
      rows = bounds.Rows(windows, roundedRow, frame.t1, frame.t2);
      reach = rowBounds.Reach(windows);
    }
  };
  for (int da = -2; da <= 2; da++) {
    // A whole line of rows out of reach is passed at once: nothing in it is scored, so the
    // windows stay as they are over it.
    narrow();
    if (seeded && (da < reach.firstA || da > reach.lastA)) {
      if (da == seedAt[0])
        seed = false;
      continue;
    }
    for (int db = -2; db <= 2; db++) {
      const int a = rounded[0] + da;
      const int b = rounded[1] + db;
      narrow();
      // A row out of the windows' reach holds no triple as good as the best; past the seed's
      // row, the seed is passed.
      const bool seedRow = da == seedAt[0] && db == seedAt[1];
      if (seeded && !reach.Holds(da, db)) {
        if (seedRow)
          seed = false;
        continue;
      }
      // The rows away from the original let few offsets through, often none. In the seed's
      // row the seed is passed over at its offset, in the range or not.
      const SOffsetRange offsets = seeded ? bounds.Offsets(rows, da, db) : SOffsetRange{};
      if (seedRow && offsets.first > seedAt[2])
        seed = false;
      const Point partial = offsets.first <= offsets.last ? partialOf(a, b) : Point{};
      for (int dc = offsets.first; dc <= offsets.last; dc++) {
        const int c = rounded[2] + dc;
        if (seeded && seedRow && dc == seedAt[2]) {
          seed = false;
          continue;
        }
        // A triple with an axis outside its window is worse than the best: the decoded
        // coordinate is not rounded to learn it.
        if (seeded && !(windows[0].Holds(partial[0] + c * frame.n[0]) &&
                        windows[1].Holds(partial[1] + c * frame.n[1]) &&
                        windows[2].Holds(partial[2] + c * frame.n[2])))
          continue;
        double worst = 0;
        double squared = 0;
        score(partial, c, bestWorst, &worst, &squared);
        if (worst > bestWorst)
          continue;
        const bool better = worst < bestWorst || squared < bestSquared;
        if (better || (seed && squared == bestSquared)) {
          bestWorst = worst;
          bestSquared = squared;
          best = {a, b, c};
          seed = false;
        }
      }
      if (seedRow)
        seed = false;
    }
  }
  return best;
}
