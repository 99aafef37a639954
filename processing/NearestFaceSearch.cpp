#include "processing/NearestFaceSearch.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/HashCell.h"
#include "mesh/HashTable.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
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
  if (BorderBeyond(f, p, bound))
    return -1.0;
  NearestOnBorder(f, q, nearest);
  return SquareDistance(p, nearest);
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
  const double largest = std::max({std::fabs(static_cast<double>(p[0])),
                                   std::fabs(static_cast<double>(p[1])),
                                   std::fabs(static_cast<double>(p[2]))});
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

const std::vector<int>& CNearestFaceSearch::CellFaces(int index)
{
  const auto it = m_Cells.find(index);
  if (it != m_Cells.end())
    return it->second;
  std::vector<int> faces;
  const CArray3d<CFace3d>* pArray = m_pHash->GetCell(index)->GetArrayFace();
  faces.reserve(static_cast<size_t>(pArray->GetSize()));
  for (int i = 0; i < pArray->GetSize(); i++)
    faces.push_back(IdOf(pArray->GetAt(i)));
  return m_Cells.emplace(index, std::move(faces)).first->second;
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
          const std::vector<int>& faces = CellFaces(index);
          double d = kFar;
          const int at = NearestOf(point, faces, candidate, &d);
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

const std::vector<int>& CNearestFaceSearch::FacesAroundCorners(CFace3d* pFace)
{
  return FacesAroundCorners(IdOf(pFace));
}

const std::vector<int>& CNearestFaceSearch::FacesAroundCorners(int id)
{
  if (!m_Around[static_cast<size_t>(id)].empty())
    return m_Around[static_cast<size_t>(id)];
  const CFace3d* pFace = m_Faces[static_cast<size_t>(id)].pFace;
  std::vector<int> around{id};
  for (int i = 0; i < 3; i++) {
    const CVertex3d* v = pFace->v(i);
    for (int k = 0; k < v->NbFaceNeighbor(); k++) {
      const int g = IdOf(v->GetFaceNeighbor(k));
      if (std::find(around.begin(), around.end(), g) == around.end())
        around.push_back(g);
    }
  }
  m_Around[static_cast<size_t>(id)] = std::move(around);
  return m_Around[static_cast<size_t>(id)];
}
