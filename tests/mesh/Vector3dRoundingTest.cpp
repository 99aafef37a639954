// The inline vector arithmetic compared bit for bit with a plain reference: products and sums
// in double, one rounding to float for every coordinate that is stored. This source is built
// at the Release optimisation level and without sanitizer instrumentation (tests/CMakeLists.txt),
// so that an optimiser that drops one of those roundings shows here and not only in Release.
#include "mesh/Face3d.h"
#include "mesh/Vector3d.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {
using Triple = std::array<float, 3>;

// Through a volatile, so that the reference keeps every rounding whatever the optimiser does.
float Stored(double value)
{
  volatile float stored = static_cast<float>(value);
  return stored;
}

Triple RefCross(const Triple& u, const Triple& v)
{
  const auto d = [](float f) { return static_cast<double>(f); };
  return {Stored(d(u[1]) * d(v[2]) - d(u[2]) * d(v[1])),
          Stored(d(u[2]) * d(v[0]) - d(u[0]) * d(v[2])),
          Stored(d(u[0]) * d(v[1]) - d(u[1]) * d(v[0]))};
}

Triple RefNormalize(const Triple& v)
{
  const double x = v[0];
  const double y = v[1];
  const double z = v[2];
  const double norm = std::sqrt(x * x + y * y + z * z);
  if (norm == 0.0)
    return v;
  return {Stored(x / norm), Stored(y / norm), Stored(z / norm)};
}

// b - a, each coordinate rounded once (the difference of two floats is exact in double).
Triple RefDifference(const Triple& a, const Triple& b)
{
  return {Stored(static_cast<double>(b[0]) - a[0]), Stored(static_cast<double>(b[1]) - a[1]),
          Stored(static_cast<double>(b[2]) - a[2])};
}

Triple RefTriangleNormal(const Triple& p0, const Triple& p1, const Triple& p2)
{
  return RefNormalize(RefCross(RefDifference(p0, p1), RefDifference(p0, p2)));
}

// Each path as a function of its own, as the library compiles it (inlined into the loops of the
// tests, the optimiser arranges it otherwise).
[[gnu::noinline]] CVector3d TriangleNormalOf(const CVertex3d* a, const CVertex3d* b,
                                             const CVertex3d* c)
{
  return CVector3d::UnitNormal(a, b, c);
}

[[gnu::noinline]] CVector3d CrossOf(const CVector3d& u, const CVector3d& v) { return u ^ v; }

[[gnu::noinline]] void NormalizeOf(CVector3d* v) { v->Normalize(); }

CVector3d Vec(const Triple& t) { return CVector3d(t[0], t[1], t[2]); }
CVertex3d Vert(const Triple& t) { return CVertex3d(t[0], t[1], t[2]); }

std::uint32_t Bits(float f)
{
  std::uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

std::string Show(const Triple& t)
{
  std::ostringstream out;
  out.precision(9);
  out << "(" << t[0] << ", " << t[1] << ", " << t[2] << ")";
  return out.str();
}

// Counts the results that differ from the reference in any bit and keeps the first for the report.
class CMismatches
{
public:
  void Check(const CVector3d& actual, const Triple& expected, const std::string& input)
  {
    const Triple got = {actual.x(), actual.y(), actual.z()};
    for (int i = 0; i < 3; i++) {
      if (Bits(got[i]) == Bits(expected[i]))
        continue;
      if (m_Count++ == 0)
        m_First = input + ": got " + Show(got) + ", expected " + Show(expected);
      return;
    }
  }
  int Count() const { return m_Count; }
  const std::string& First() const { return m_First; }

private:
  int m_Count = 0;
  std::string m_First;
};

// Random points at many scales: each set shares one power of two, from sizes whose squares are
// subnormal floats to sizes far from one, and some sit far from the origin so that the
// differences cancel.
class CPointSource
{
public:
  explicit CPointSource(unsigned seed) : m_Random(seed) {}

  std::vector<Triple> Next(int count)
  {
    const float scale = std::ldexp(1.0f, m_Exponent(m_Random));
    const bool far = m_Coin(m_Random) == 0;
    const Triple offset = far ? Triple{Unit() * 4096.0f * scale, Unit() * 4096.0f * scale,
                                       Unit() * 4096.0f * scale}
                              : Triple{0.0f, 0.0f, 0.0f};
    std::vector<Triple> points;
    for (int i = 0; i < count; i++)
      points.push_back({offset[0] + Unit() * scale, offset[1] + Unit() * scale,
                        offset[2] + Unit() * scale});
    return points;
  }

private:
  float Unit() { return m_Unit(m_Random); }

  std::mt19937 m_Random;
  std::uniform_real_distribution<float> m_Unit{-1.0f, 1.0f};
  std::uniform_int_distribution<int> m_Exponent{-70, 30};
  std::uniform_int_distribution<int> m_Coin{0, 3};
};

constexpr int kRandomCases = 20000;

// Triangles with coincident corners, corners on one line (exactly, on integers and powers of
// two) and slivers: zero or nearly zero cross products.
std::vector<std::array<Triple, 3>> DegenerateTriangles()
{
  std::vector<std::array<Triple, 3>> triangles;
  const Triple a = {1.0f, 2.0f, 3.0f};
  const Triple b = {-4.0f, 0.5f, 8.0f};
  triangles.push_back({a, a, a});
  triangles.push_back({a, a, b});
  triangles.push_back({a, b, a});
  triangles.push_back({a, b, b});
  const Triple origin = {0.0f, 0.0f, 0.0f};
  triangles.push_back({origin, Triple{1.0f, 2.0f, 4.0f}, Triple{2.0f, 4.0f, 8.0f}});
  triangles.push_back({a, Triple{3.0f, 5.0f, 7.0f}, Triple{-1.0f, -1.0f, -1.0f}});
  triangles.push_back({origin, Triple{1.0f, 0.0f, 0.0f}, Triple{2.0f, 1e-7f, 0.0f}});
  // Its cross product underflows to zero in float, so its normal is zero too.
  triangles.push_back(
    {Triple{1e-30f, 0.0f, 0.0f}, Triple{0.0f, 1e-30f, 0.0f}, Triple{0.0f, 0.0f, 1e-30f}});
  triangles.push_back({Triple{1e6f, 1e6f, 1e6f}, Triple{1e6f + 0.0625f, 1e6f, 1e6f},
                       Triple{1e6f, 1e6f + 0.0625f, 1e6f + 0.0625f}});
  return triangles;
}
} // namespace

TEST(Vector3dRounding, CrossProductsRoundEachCoordinateOnceAlsoWhenTheResultIsAnOperand)
{
  CPointSource source(11);
  CMismatches byOperator, byFunction, intoThird, intoFirst, intoSecond, inPlace;
  for (int i = 0; i < kRandomCases; i++) {
    const std::vector<Triple> p = source.Next(2);
    const Triple expected = RefCross(p[0], p[1]);
    const std::string input = Show(p[0]) + " ^ " + Show(p[1]);
    const CVector3d u = Vec(p[0]);
    const CVector3d v = Vec(p[1]);
    byOperator.Check(u ^ v, expected, input);
    byOperator.Check(CrossOf(u, v), expected, input);
    byFunction.Check(CrossProduct(u, v), expected, input);
    CVector3d w;
    w.CrossProduct(u, v);
    intoThird.Check(w, expected, input);
    CVector3d first = u;
    first.CrossProduct(first, v);
    intoFirst.Check(first, expected, input);
    CVector3d second = v;
    second.CrossProduct(u, second);
    intoSecond.Check(second, expected, input);
    CVector3d self = u;
    self.CrossProduct(v);
    inPlace.Check(self, expected, input);
  }
  EXPECT_EQ(0, byOperator.Count()) << byOperator.First();
  EXPECT_EQ(0, byFunction.Count()) << byFunction.First();
  EXPECT_EQ(0, intoThird.Count()) << intoThird.First();
  EXPECT_EQ(0, intoFirst.Count()) << intoFirst.First();
  EXPECT_EQ(0, intoSecond.Count()) << intoSecond.First();
  EXPECT_EQ(0, inPlace.Count()) << inPlace.First();
}

TEST(Vector3dRounding, NormalizeDividesTheStoredCoordinatesByTheirNorm)
{
  CPointSource source(12);
  CMismatches random;
  for (int i = 0; i < kRandomCases; i++) {
    const Triple p = source.Next(1)[0];
    CVector3d v = Vec(p);
    NormalizeOf(&v);
    random.Check(v, RefNormalize(p), Show(p));
  }
  EXPECT_EQ(0, random.Count()) << random.First();

  // Zero stays zero (no division); a subnormal vector still comes out of unit length.
  CMismatches special;
  for (const Triple& p : {Triple{0.0f, 0.0f, 0.0f}, Triple{-0.0f, 0.0f, -0.0f},
                          Triple{1e-45f, 0.0f, 0.0f}, Triple{1e-45f, -1e-45f, 3e-45f}}) {
    CVector3d v = Vec(p);
    v.Normalize();
    special.Check(v, RefNormalize(p), Show(p));
  }
  EXPECT_EQ(0, special.Count()) << special.First();
  CVector3d tiny(1e-45f, 0.0f, 0.0f);
  tiny.Normalize();
  EXPECT_EQ(1.0f, tiny.x());
}

TEST(Vector3dRounding, TriangleNormalsRoundTheCrossProductBeforeNormalising)
{
  CPointSource source(13);
  std::vector<std::array<Triple, 3>> triangles = DegenerateTriangles();
  for (int i = 0; i < kRandomCases; i++) {
    const std::vector<Triple> p = source.Next(3);
    triangles.push_back({p[0], p[1], p[2]});
  }
  CMismatches byHelper, face;
  for (const auto& t : triangles) {
    const Triple expected = RefTriangleNormal(t[0], t[1], t[2]);
    const std::string input = Show(t[0]) + " " + Show(t[1]) + " " + Show(t[2]);
    CVertex3d a = Vert(t[0]);
    CVertex3d b = Vert(t[1]);
    CVertex3d c = Vert(t[2]);
    byHelper.Check(TriangleNormalOf(&a, &b, &c), expected, input);
    CFace3d f(&a, &b, &c);
    f.CalculateNormal();
    face.Check(*f.GetNormal(), expected, input);
  }
  EXPECT_EQ(0, byHelper.Count()) << byHelper.First();
  EXPECT_EQ(0, face.Count()) << face.First();

  // The exactly degenerate ones have a zero normal.
  for (std::size_t i = 0; i < 6; i++) {
    CVertex3d a = Vert(triangles[i][0]);
    CVertex3d b = Vert(triangles[i][1]);
    CVertex3d c = Vert(triangles[i][2]);
    EXPECT_EQ(0.0, CVector3d::UnitNormal(&a, &b, &c).GetSquareNorm()) << i;
  }
}
