#pragma once

#include "mesh/Mesh3d.h"
#include "platform/core/Random.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>

// Inputs and brute-force oracles for the geometric queries, computed apart from the code under
// test (in double, from the textbook formulas).
namespace queries {

using Point = std::array<double, 3>;

inline Point P(const CVertex3d* v) { return {v->x(), v->y(), v->z()}; }
inline Point Sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline double Dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Point Cross(const Point& a, const Point& b)
{
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Square(const Point& a) { return Dot(a, a); }

// Squared distance from p to the segment ab.
inline double SquareToSegment(const Point& p, const Point& a, const Point& b)
{
  const Point ab = Sub(b, a);
  const double len = Square(ab);
  double t = len > 0.0 ? Dot(Sub(p, a), ab) / len : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const Point q{a[0] + t * ab[0], a[1] + t * ab[1], a[2] + t * ab[2]};
  return Square(Sub(p, q));
}

// Squared distance from p to the triangle abc: the plane when p projects inside (barycentric
// test), else the nearest of the three sides. Degenerate triangles are their sides.
inline double SquareToTriangle(const Point& p, const Point& a, const Point& b, const Point& c)
{
  double best = std::min({SquareToSegment(p, a, b), SquareToSegment(p, b, c),
                          SquareToSegment(p, c, a)});
  const Point n = Cross(Sub(b, a), Sub(c, a));
  const double nn = Square(n);
  if (nn <= 1e-24)
    return best;
  const double h = Dot(Sub(p, a), n) / nn;
  const Point q{p[0] - h * n[0], p[1] - h * n[1], p[2] - h * n[2]};
  const double u = Dot(Cross(Sub(c, b), Sub(q, b)), n);
  const double v = Dot(Cross(Sub(a, c), Sub(q, c)), n);
  const double w = Dot(Cross(Sub(b, a), Sub(q, a)), n);
  if (u >= 0 && v >= 0 && w >= 0)
    best = std::min(best, h * h * nn);
  return best;
}

inline double SquareToFace(const CVertex3d* p, const CFace3d* f)
{
  return SquareToTriangle(P(p), P(f->v(0)), P(f->v(1)), P(f->v(2)));
}

// The smallest squared distance to the faces and the first face reaching it.
inline double BruteNearestFace(const CMesh3d& mesh, const CVertex3d* p, int* pIndex)
{
  double best = std::numeric_limits<double>::max();
  for (int i = 0; i < mesh.NbFace(); i++) {
    const double d = SquareToFace(p, mesh.GetFace(i));
    if (d < best) {
      best = d;
      *pIndex = i;
    }
  }
  return best;
}

// A uniform value in [lo, hi] from the system's generator.
inline float Uniform(float lo, float hi)
{
  return lo + (hi - lo) * static_cast<float>(platform::Rand()) / 32767.0f;
}

// An n x n grid of squares, two triangles each, over [0, size]^2 in the plane z = 0.
inline std::unique_ptr<CMesh3d> Grid(int n, float size)
{
  auto mesh = std::make_unique<CMesh3d>();
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++)
      mesh->AddVertex(new CVertex3d(size * i / n, size * j / n, 0.0f));
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const int a = j * (n + 1) + i;
      const int c = a + n + 1;
      mesh->AddFace(new CFace3d(mesh->GetVertex(a), mesh->GetVertex(a + 1), mesh->GetVertex(c + 1)));
      mesh->AddFace(new CFace3d(mesh->GetVertex(a), mesh->GetVertex(c + 1), mesh->GetVertex(c)));
    }
  mesh->Rebuild();
  return mesh;
}

} // namespace queries
