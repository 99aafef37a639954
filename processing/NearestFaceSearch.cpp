#include "processing/NearestFaceSearch.h"

#include "mesh/Prefetch.h"
#include "processing/ShortScratch.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/HashCell.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

// Every expression below keeps the types and the order of the geometry functions it stands
// for (floats subtracted as floats, products summed in double from the left), since the
// descents compare these distances for equality and order.
namespace {
constexpr double kFar = 1.7e308;

using SFace = CNearestFaceSearch::SFace;

void Copy(float to[3], const float from[3])
{
  to[0] = from[0];
  to[1] = from[1];
  to[2] = from[2];
}

double SquareDistance(const float p[3], const float q[3])
{
  const double dx = static_cast<double>(p[0] - q[0]);
  const double dy = static_cast<double>(p[1] - q[1]);
  const double dz = static_cast<double>(p[2] - q[2]);
  return dx * dx + dy * dy + dz * dz;
}

// q - p.
void Difference(const float p[3], const float q[3], float out[3])
{
  out[0] = q[0] - p[0];
  out[1] = q[1] - p[1];
  out[2] = q[2] - p[2];
}

double Dot(const float u[3], const float v[3])
{
  return static_cast<double>(u[0]) * v[0] + static_cast<double>(u[1]) * v[1] +
         static_cast<double>(u[2]) * v[2];
}

void Cross(const float u[3], const float v[3], float out[3])
{
  out[0] = static_cast<float>(static_cast<double>(u[1]) * v[2] - static_cast<double>(u[2]) * v[1]);
  out[1] = static_cast<float>(static_cast<double>(u[2]) * v[0] - static_cast<double>(u[0]) * v[2]);
  out[2] = static_cast<float>(static_cast<double>(u[0]) * v[1] - static_cast<double>(u[1]) * v[0]);
}

void Project(const SFace& f, const float p[3], float q[3])
{
  const float* n = f.plane;
  const double h = static_cast<double>(n[0]) * p[0] + static_cast<double>(n[1]) * p[1] +
                   static_cast<double>(n[2]) * p[2] + n[3];
  const float t = static_cast<float>(-h / f.norm);
  q[0] = p[0] + t * n[0];
  q[1] = p[1] + t * n[1];
  q[2] = p[2] + t * n[2];
}

bool IsInside(const SFace& f, const float q[3])
{
  float a[3], b[3], c[3];
  Difference(q, f.corner[0], a);
  Difference(q, f.corner[1], b);
  Difference(q, f.corner[2], c);
  float ab[3], bc[3], ca[3];
  Cross(a, b, ab);
  Cross(b, c, bc);
  Cross(c, a, ca);
  return Dot(ab, bc) >= 0.0 && Dot(bc, ca) >= 0.0 && Dot(ab, ca) >= 0.0;
}

// The nearest point of the face's border to q (a point of the face's plane, or p itself for a
// face without one): the nearest corner, then any nearer foot on an edge.
void NearestOnBorder(const SFace& f, const float q[3], float nearest[3])
{
  double best = SquareDistance(q, f.corner[0]);
  Copy(nearest, f.corner[0]);
  for (int i = 1; i < 3; i++) {
    const double d = SquareDistance(q, f.corner[i]);
    if (d < best) {
      best = d;
      Copy(nearest, f.corner[i]);
    }
  }
  for (int i = 0; i < 3; i++) {
    const float* a = f.corner[i];
    const float* b = f.corner[(i + 1) % 3];
    const double length = f.length[i];
    if (length == 0.0)
      continue;
    const float* ab = f.edge[i];
    float aq[3];
    Difference(a, q, aq);
    const float t = static_cast<float>(Dot(aq, ab) / length);
    const float r[3] = {a[0] + t * ab[0], a[1] + t * ab[1], a[2] + t * ab[2]};
    float ra[3], rb[3];
    Difference(r, a, ra);
    Difference(r, b, rb);
    if (!(Dot(ra, rb) <= 0.0))
      continue;
    const double d = SquareDistance(q, r);
    if (d <= best) {
      best = d;
      Copy(nearest, r);
    }
  }
}

// Whether every point that NearestOnBorder can give lies farther from p than bound allows.
bool BorderBeyond(const SFace& f, const float p[3], double bound)
{
  const double dx = p[0] - f.centre[0];
  const double dy = p[1] - f.centre[1];
  const double dz = p[2] - f.centre[2];
  const double gap = (std::sqrt(dx * dx + dy * dy + dz * dz) - f.reach) * (1.0 - 1e-6);
  return gap > 0.0 && gap * gap > bound;
}

// The bounds that the early tests of a face compare against, from the squared bound and the
// largest absolute coordinate of the point.
struct SEarlyBounds
{
  double plane;
  double ball;
};

SEarlyBounds EarlyBounds(double bound, double largest)
{
  const double root = std::sqrt(bound);
  const double plane = root + 1e-6 * largest;
  return {plane * plane, root / (1.0 - 1e-6)};
}

// BorderBeyond without its square root and a hair more cautious, for any point of the face:
// when it holds, the plane distance of a point projecting inside the face and the distance to
// its border both exceed the bound (the ball holds the face and every rounding of a point on
// it), so the face would be passed over whatever the projection found.
bool BallBeyond(const SFace& f, const float p[3], double ball)
{
  const double dx = p[0] - f.centre[0];
  const double dy = p[1] - f.centre[1];
  const double dz = p[2] - f.centre[2];
  const double r = f.reach + ball;
  return dx * dx + dy * dy + dz * dz > r * r * (1.0 + 1e-12);
}

// The ball of a run: about the mean of the faces' centres, reaching past every face's ball
// by far more than the rounding of the distances below.
CNearestFaceSearch::SRun RunBallOf(const SFace* const* run, int n)
{
  CNearestFaceSearch::SRun ball{};
  for (int i = 0; i < n; i++)
    for (int k = 0; k < 3; k++)
      ball.centre[k] += run[i]->centre[k] / static_cast<double>(n);
  for (int i = 0; i < n; i++) {
    const double dx = run[i]->centre[0] - ball.centre[0];
    const double dy = run[i]->centre[1] - ball.centre[1];
    const double dz = run[i]->centre[2] - ball.centre[2];
    ball.reach = std::max(ball.reach, std::sqrt(dx * dx + dy * dy + dz * dz) + run[i]->reach);
  }
  ball.reach *= 1.0 + 1e-9;
  return ball;
}

// Whether BallBeyond(f, p, ball) holds for every face f of the run: p lies farther from the
// run's centre than its reach and the ball together, with a margin that covers the rounding
// here and the 1e-12 there. The ball of no bound yet (about 1e154) never passes.
bool RunBeyondBall(const CNearestFaceSearch::SRun& run, const float p[3], double ball)
{
  if (!(ball < 1e100))
    return false;
  const double dx = p[0] - run.centre[0];
  const double dy = p[1] - run.centre[1];
  const double dz = p[2] - run.centre[2];
  const double r = run.reach + ball;
  return dx * dx + dy * dy + dz * dz > r * r * (1.0 + 1e-9);
}

// How far p lies outside the run's ball: the order in which runs are looked at.
double RunGap(const CNearestFaceSearch::SRun& run, const float p[3])
{
  const double dx = p[0] - run.centre[0];
  const double dy = p[1] - run.centre[1];
  const double dz = p[2] - run.centre[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz) - run.reach;
}

double LargestOf(const float p[3])
{
  return std::max({std::fabs(static_cast<double>(p[0])), std::fabs(static_cast<double>(p[1])),
                   std::fabs(static_cast<double>(p[2]))});
}

// Whether the plane distance that Project and SquareDistance would compute exceeds the bound,
// decided without the division and the rounded projection. The exact plane distance is
// |h| / sqrt(norm); the computed one differs from it by a few float roundings of t, of each
// product and sum, and of the point's largest coordinate: under 4e-7 relatively plus 2e-7 of
// that coordinate. The margins here are forty times wider, so a face passed over is one the
// projection would pass over too; otherwise the projection decides.
bool PlaneBeyond(const SFace& f, const float p[3], double planeBound)
{
  const float* n = f.plane;
  const double h = static_cast<double>(n[0]) * p[0] + static_cast<double>(n[1]) * p[1] +
                   static_cast<double>(n[2]) * p[2] + n[3];
  const double hh = h * h;
  constexpr double kShrink = (1.0 - 1e-5) * (1.0 - 1e-5);
  return hh < 1e60 && hh * kShrink > f.norm * planeBound;
}

// The distance to the nearest border point of a face that p projects outside of (at q); -1 when
// the border lies beyond the bound.
double BorderDistance(const SFace& f, const float p[3], const float q[3], float nearest[3],
                      double bound)
{
  if (BorderBeyond(f, p, bound))
    return -1.0;
  NearestOnBorder(f, q, nearest);
  return SquareDistance(p, nearest);
}

// The squared distance from p to the face, or -1 when the face cannot be nearer than bound:
// its plane is farther (then so is the face, whether p projects inside it or not), or p
// projects outside it and its ball is farther. early holds EarlyBounds(bound, largest).
double BoundedDistance(const SFace& f, const float p[3], float nearest[3], double bound,
                       const SEarlyBounds& early)
{
  if (BallBeyond(f, p, early.ball))
    return -1.0;
  float q[3];
  if (!f.projects) {
    Copy(q, p);
  } else {
    if (PlaneBeyond(f, p, early.plane))
      return -1.0;
    Project(f, p, q);
    const double toPlane = SquareDistance(p, q);
    if (toPlane > bound)
      return -1.0;
    if (IsInside(f, q)) {
      Copy(nearest, q);
      return toPlane;
    }
  }
  return BorderDistance(f, p, q, nearest, bound);
}

// The distance BoundedDistance gives when it does not pass the face over, and the plane
// distance of the projection (left as it is for a face without a plane); -1 for a face whose
// border lies beyond the bound when p projects outside it.
double UnboundedDistance(const SFace& f, const float p[3], float nearest[3], double bound,
                         double* pToPlane)
{
  float q[3];
  if (!f.projects) {
    Copy(q, p);
  } else {
    Project(f, p, q);
    const double toPlane = SquareDistance(p, q);
    *pToPlane = toPlane;
    if (IsInside(f, q)) {
      Copy(nearest, q);
      return toPlane;
    }
  }
  return BorderDistance(f, p, q, nearest, bound);
}
} // namespace

CNearestFaceSearch::SFace CNearestFaceSearch::Record(CFace3d* pFace)
{
  SFace f;
  f.pFace = pFace;
  double largest = 0.0;
  for (int i = 0; i < 3; i++) {
    const CVertex3d* v = pFace->v(i);
    f.corner[i][0] = v->x();
    f.corner[i][1] = v->y();
    f.corner[i][2] = v->z();
    for (int k = 0; k < 3; k++) {
      f.centre[k] += f.corner[i][k] / 3.0;
      largest = std::max(largest, std::fabs(static_cast<double>(f.corner[i][k])));
    }
  }
  for (int i = 0; i < 3; i++) {
    const float* a = f.corner[i];
    const float* b = f.corner[(i + 1) % 3];
    f.length[i] = SquareDistance(a, b);
    Difference(a, b, f.edge[i]);
  }
  double radius = 0.0;
  for (int i = 0; i < 3; i++) {
    const double dx = f.corner[i][0] - f.centre[0];
    const double dy = f.corner[i][1] - f.centre[1];
    const double dz = f.corner[i][2] - f.centre[2];
    radius = std::max(radius, std::sqrt(dx * dx + dy * dy + dz * dz));
  }
  // A point on an edge is rounded to floats by a few units of the last place of the largest
  // coordinate; this margin is far wider.
  f.reach = radius * (1.0 + 1e-9) + 1e-5 * largest;
  float* n = f.plane;
  if (!GetFacePlane(pFace, &n[0], &n[1], &n[2], &n[3]))
    return f;
  f.norm = static_cast<float>(static_cast<double>(n[0]) * n[0] +
                              static_cast<double>(n[1]) * n[1] +
                              static_cast<double>(n[2]) * n[2]);
  f.projects = f.norm != 0.0f;
  return f;
}

int CNearestFaceSearch::IdOf(CFace3d* pFace)
{
  // Most faces of the table's mesh get a record sooner or later: room for all of them at
  // once, rather than records moved at every growth.
  if (m_Faces.capacity() == 0 && m_pHash && m_pHash->GetMesh())
    m_Faces.reserve(static_cast<size_t>(m_pHash->GetMesh()->NbFace()));
  bool added = false;
  int* pId = m_Ids.Find(pFace, &added);
  if (added) {
    *pId = static_cast<int>(m_Faces.size());
    m_Faces.push_back(Record(pFace));
    m_Around.emplace_back();
  }
  return *pId;
}

int CNearestFaceSearch::NearestOf(const float p[3], const std::vector<int>& faces,
                                  float nearest[3], double* pDistance) const
{
  double best = kFar;
  const double largest = LargestOf(p);
  SEarlyBounds early = EarlyBounds(best, largest);
  int at = -1;
  float candidate[3] = {0.0f, 0.0f, 0.0f};
  const int n = static_cast<int>(faces.size());
  for (int i = 0; i < n; i++) {
    const SFace& f = m_Faces[static_cast<size_t>(faces[static_cast<size_t>(i)])];
    const double d = BoundedDistance(f, p, candidate, best, early);
    if (d < best && d != -1.0) {
      best = d;
      early = EarlyBounds(best, largest);
      at = i;
      Copy(nearest, candidate);
    }
  }
  *pDistance = best;
  return at;
}

// The scan in list order keeps a face when its distance is below the best so far and, for a
// face with a plane, its plane distance is not above it (the early tests pass over only faces
// that it would not keep). So it ends with the first face of least distance: the faces before
// it are all farther, the best when it comes is one of their distances, and none after it is
// nearer. The one exception is a plane distance above that least distance (a border point
// rounded a hair nearer than the plane, as at a corner that is the point itself): then the
// face is kept only if no face before it is nearer than its plane, or else the scan decides.
// The face is looked for nearest runs first, passing over any run or face whose ball lies
// beyond the least distance so far.
int CNearestFaceSearch::NearestInCell(const float p[3], const SCell& cell, float nearest[3],
                                      double* pDistance) const
{
  const std::vector<int>& faces = cell.faces;
  const size_t nbRun = cell.runs.size();
  constexpr size_t kMostRuns = 64;
  if (nbRun < 2 || nbRun > kMostRuns) {
    // A cell without runs is short, or read whole anyway.
    PrefetchFaces(faces);
    return NearestOf(p, faces, nearest, pDistance);
  }
  std::array<std::pair<double, int>, kMostRuns> order;
  for (size_t r = 0; r < nbRun; r++) {
    // A gap that is not a number (a corner or point that is not one) would break the sort.
    const double gap = RunGap(cell.runs[r], p);
    order[r] = {gap == gap ? gap : -kFar, static_cast<int>(r)};
  }
  std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(nbRun));
  const double largest = LargestOf(p);
  double least = kFar;
  double ball = EarlyBounds(least, largest).ball;
  int at = -1;
  double toPlaneAt = 0.0;
  float kept[3] = {0.0f, 0.0f, 0.0f};
  float candidate[3] = {0.0f, 0.0f, 0.0f};
  for (size_t k = 0; k < nbRun; k++) {
    const SRun& run = cell.runs[static_cast<size_t>(order[k].second)];
    if (RunBeyondBall(run, p, ball))
      continue;
    // The faces of a run lie apart in the table: asked for together, their misses overlap.
    for (int j = run.first; j < run.end; j++)
      PrefetchWhole(&m_Faces[static_cast<size_t>(
        faces[static_cast<size_t>(cell.order[static_cast<size_t>(j)])])]);
    for (int j = run.first; j < run.end; j++) {
      const int i = cell.order[static_cast<size_t>(j)];
      const SFace& f = m_Faces[static_cast<size_t>(faces[static_cast<size_t>(i)])];
      if (BallBeyond(f, p, ball))
        continue;
      double toPlane = 0.0;
      const double d = UnboundedDistance(f, p, candidate, least, &toPlane);
      if (d == -1.0 || !(d < kFar) || !(d < least || (d == least && i < at)))
        continue;
      least = d;
      ball = EarlyBounds(least, largest).ball;
      at = i;
      toPlaneAt = toPlane;
      Copy(kept, candidate);
    }
  }
  if (at >= 0 && toPlaneAt > least && AnyNearerBefore(p, cell, at, toPlaneAt))
    return NearestOf(p, faces, nearest, pDistance);
  if (at >= 0)
    Copy(nearest, kept);
  *pDistance = least;
  return at;
}

bool CNearestFaceSearch::AnyNearerBefore(const float p[3], const SCell& cell, int position,
                                         double bound) const
{
  const double ball = EarlyBounds(bound, LargestOf(p)).ball;
  float candidate[3] = {0.0f, 0.0f, 0.0f};
  for (const SRun& run : cell.runs) {
    if (RunBeyondBall(run, p, ball))
      continue;
    for (int j = run.first; j < run.end; j++) {
      const int i = cell.order[static_cast<size_t>(j)];
      if (i >= position)
        continue;
      const SFace& f = m_Faces[static_cast<size_t>(cell.faces[static_cast<size_t>(i)])];
      if (BallBeyond(f, p, ball))
        continue;
      double toPlane = 0.0;
      const double d = UnboundedDistance(f, p, candidate, bound, &toPlane);
      if (d != -1.0 && d < bound)
        return true;
    }
  }
  return false;
}

double CNearestFaceSearch::SquareDistanceToFaces(const CVertex3d* p,
                                                 const std::vector<int>& faces,
                                                 float nearest[3], CFace3d** ppFace) const
{
  const float point[3] = {p->x(), p->y(), p->z()};
  double distance = kFar;
  const int at = NearestOf(point, faces, nearest, &distance);
  if (at >= 0)
    *ppFace = m_Faces[static_cast<size_t>(faces[static_cast<size_t>(at)])].pFace;
  return distance;
}

const CNearestFaceSearch::SCell& CNearestFaceSearch::CellFaces(int index)
{
  const auto it = m_Cells.find(index);
  if (it != m_Cells.end())
    return it->second;
  SCell cell;
  const CArray3d<CFace3d>* pArray = m_pHash->GetCell(index)->GetArrayFace();
  cell.faces.reserve(static_cast<size_t>(pArray->GetSize()));
  // The ids' lines asked for a few faces ahead of their lookups.
  constexpr int kAhead = 8;
  const int size = pArray->GetSize();
  for (int i = 0; i < std::min(kAhead, size); i++)
    m_Ids.Prefetch(pArray->GetAt(i));
  for (int i = 0; i < size; i++) {
    if (i + kAhead < size)
      m_Ids.Prefetch(pArray->GetAt(i + kAhead));
    cell.faces.push_back(IdOf(pArray->GetAt(i)));
  }
  // A short list is scanned as it stands.
  if (cell.faces.size() >= kLeastRuns * kRun) {
    cell.order.resize(cell.faces.size());
    for (size_t i = 0; i < cell.order.size(); i++)
      cell.order[i] = static_cast<int>(i);
    SplitIntoRuns(&cell, 0, static_cast<int>(cell.order.size()));
  }
  return m_Cells.emplace(index, std::move(cell)).first->second;
}

void CNearestFaceSearch::SplitIntoRuns(SCell* pCell, int first, int end) const
{
  const auto faceAt = [pCell, this](int j) -> const SFace& {
    const int position = pCell->order[static_cast<size_t>(j)];
    return m_Faces[static_cast<size_t>(pCell->faces[static_cast<size_t>(position)])];
  };
  if (end - first <= kRun) {
    std::array<const SFace*, kRun> run;
    for (int j = first; j < end; j++)
      run[static_cast<size_t>(j - first)] = &faceAt(j);
    SRun r = RunBallOf(run.data(), end - first);
    r.first = first;
    r.end = end;
    pCell->runs.push_back(r);
    return;
  }
  double lo[3] = {kFar, kFar, kFar};
  double hi[3] = {-kFar, -kFar, -kFar};
  for (int j = first; j < end; j++)
    for (int k = 0; k < 3; k++) {
      lo[k] = std::min(lo[k], faceAt(j).centre[k]);
      hi[k] = std::max(hi[k], faceAt(j).centre[k]);
    }
  int axis = 0;
  for (int k = 1; k < 3; k++)
    if (hi[k] - lo[k] > hi[axis] - lo[axis])
      axis = k;
  const auto centreOf = [pCell, axis, this](int position) {
    return m_Faces[static_cast<size_t>(pCell->faces[static_cast<size_t>(position)])].centre[axis];
  };
  const auto begin = pCell->order.begin();
  const int middle = first + (end - first) / 2;
  // A centre that is not a number goes last, so that the order stays a strict one.
  const auto keyOf = [&centreOf](int position) {
    const double c = centreOf(position);
    return c == c ? c : kFar;
  };
  std::nth_element(begin + first, begin + middle, begin + end, [&keyOf](int a, int b) {
    const double ca = keyOf(a);
    const double cb = keyOf(b);
    return ca < cb || (ca == cb && a < b);
  });
  SplitIntoRuns(pCell, first, middle);
  SplitIntoRuns(pCell, middle, end);
}

double CNearestFaceSearch::DistanceToNearestFace(const CVertex3d* p, float nearest[3],
                                                 CFace3d** ppFace, int* pId)
{
  if (pId)
    *pId = -1;
  if (!m_pHash || !m_pHash->GetMesh())
    return kFar;
  const SAnswer& answer = Answer(p);
  if (answer.pFace) {
    Copy(nearest, answer.nearest);
    *ppFace = answer.pFace;
    if (pId)
      *pId = answer.id;
  }
  return answer.distance;
}

const CNearestFaceSearch::SAnswer& CNearestFaceSearch::Answer(const CVertex3d* p)
{
  if (10 * (m_NbAnswer + 1) > 7 * m_Answers.size())
    GrowAnswers();
  const float point[3] = {p->x(), p->y(), p->z()};
  SPointKey key;
  std::memcpy(key.bits, point, sizeof key.bits);
  const size_t mask = m_Answers.size() - 1;
  for (size_t i = SPointHash{}(key) & mask;; i = (i + 1) & mask) {
    SSlot& slot = m_Answers[i];
    if (slot.used && slot.key == key)
      return slot.answer;
    if (!slot.used) {
      slot = {key, true, Query(p, point)};
      m_NbAnswer++;
      return slot.answer;
    }
  }
}

void CNearestFaceSearch::GrowAnswers()
{
  std::vector<SSlot> old(std::max<size_t>(1024, 2 * m_Answers.size()));
  old.swap(m_Answers);
  const size_t mask = m_Answers.size() - 1;
  for (const SSlot& slot : old) {
    if (!slot.used)
      continue;
    size_t i = SPointHash{}(slot.key) & mask;
    while (m_Answers[i].used)
      i = (i + 1) & mask;
    m_Answers[i] = slot;
  }
}

CNearestFaceSearch::SAnswer CNearestFaceSearch::Query(const CVertex3d* p, const float point[3])
{
  SAnswer answer{kFar, nullptr, {0.0f, 0.0f, 0.0f}, -1};
  const int n = m_pHash->GetSize();
  int ci = 0;
  int cj = 0;
  int ck = 0;
  if (m_pHash->Contains(p))
    m_pHash->CellIndex(p, &ci, &cj, &ck);
  else
    m_pHash->CellIndexOutside(p, &ci, &cj, &ck);
  float candidate[3] = {0.0f, 0.0f, 0.0f};
  // Shells of growing Chebyshev radius, each in grid order, up to the first that has a cell.
  for (int r = 0; r <= n; r++) {
    bool found = false;
    for (int i = std::max(ci - r, 0); i <= std::min(ci + r, n - 1); i++)
      for (int j = std::max(cj - r, 0); j <= std::min(cj + r, n - 1); j++)
        for (int k = std::max(ck - r, 0); k <= std::min(ck + r, n - 1); k++) {
          if (std::abs(i - ci) != r && std::abs(j - cj) != r && std::abs(k - ck) != r)
            continue;
          const int index = m_pHash->Index(i, j, k);
          if (!m_pHash->GetCell(index))
            continue;
          found = true;
          const SCell& cell = CellFaces(index);
          const std::vector<int>& faces = cell.faces;
          double d = kFar;
          const int at = NearestInCell(point, cell, candidate, &d);
          if (at >= 0 && d < answer.distance) {
            answer.distance = d;
            Copy(answer.nearest, candidate);
            answer.id = faces[static_cast<size_t>(at)];
            answer.pFace = m_Faces[static_cast<size_t>(answer.id)].pFace;
          }
        }
    if (found)
      break;
  }
  return answer;
}

void CNearestFaceSearch::PrefetchFaces(const std::vector<int>& ids) const
{
  for (const int id : ids)
    PrefetchWhole(&m_Faces[static_cast<size_t>(id)]);
}

void CNearestFaceSearch::PrefetchAnswer(const float point[3]) const
{
  if (m_Answers.empty())
    return;
  SPointKey key;
  std::memcpy(key.bits, point, sizeof key.bits);
  PrefetchWhole(&m_Answers[SPointHash{}(key) & (m_Answers.size() - 1)]);
}

const std::vector<int>& CNearestFaceSearch::FacesAroundCorners(CFace3d* pFace)
{
  return FacesAroundCorners(IdOf(pFace));
}

const std::vector<int>& CNearestFaceSearch::FacesAroundCorners(int id)
{
  if (!m_Around[static_cast<size_t>(id)].empty())
    return m_Around[static_cast<size_t>(id)];
  const CFace3d* pFace = m_Faces[static_cast<size_t>(id)].pFace;
  // The faces around the corners, each once in the order of its first meeting, gathered as
  // addresses: a face meets two or three corners, and each id is a lookup in a table too large
  // for the cache, so the lines of the distinct ones are asked for together before any is read.
  const int most = pFace->v(0)->NbFaceNeighbor() + pFace->v(1)->NbFaceNeighbor() +
                   pFace->v(2)->NbFaceNeighbor();
  CShortScratch<CFace3d*> scratch(most);
  CFace3d** distinct = scratch.Data();
  int n = 0;
  for (int i = 0; i < 3; i++) {
    const CVertex3d* v = pFace->v(i);
    for (int k = 0; k < v->NbFaceNeighbor(); k++) {
      CFace3d* g = v->GetFaceNeighbor(k);
      if (g == pFace || std::find(distinct, distinct + n, g) != distinct + n)
        continue;
      m_Ids.Prefetch(g);
      distinct[n++] = g;
    }
  }
  std::vector<int> around;
  around.reserve(static_cast<size_t>(1 + n));
  around.push_back(id);
  for (int i = 0; i < n; i++)
    around.push_back(IdOf(distinct[i]));
  m_Around[static_cast<size_t>(id)] = std::move(around);
  return m_Around[static_cast<size_t>(id)];
}
