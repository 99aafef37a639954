#include "mesh/Color.h"
#include "mesh/ColorRamp.h"
#include "mesh/Material.h"
#include "mesh/Transform.h"
#include "mesh/Vector3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {
struct SPoint
{
  float px, py, pz;
  float x() const { return px; }
  float y() const { return py; }
  float z() const { return pz; }
};

void ExpectVector(const CVector3d& v, float x, float y, float z)
{
  EXPECT_FLOAT_EQ(v.x(), x);
  EXPECT_FLOAT_EQ(v.y(), y);
  EXPECT_FLOAT_EQ(v.z(), z);
}
} // namespace

TEST(Vector3d, NormalizeAndSetNorm)
{
  CVector3d zero;
  ExpectVector(zero, 0, 0, 0);
  zero.Normalize();
  zero.SetNorm(5);
  ExpectVector(zero, 0, 0, 0);

  CVector3d v(3, 0, 4);
  v.Normalize();
  ExpectVector(v, 0.6f, 0, 0.8f);
  EXPECT_NEAR(v.GetNorm(), 1.0, 1e-7);

  CVector3d w(0, 3, 4);
  w.SetNorm(10);
  ExpectVector(w, 0, 6, 8);
  EXPECT_DOUBLE_EQ(CVector3d(1, 2, 2).GetSquareNorm(), 9.0);
}

// Normals are pinned to the bit: the norm and the three quotients are taken in double and each
// quotient is rounded once, which single-precision arithmetic gives differently for about a
// third of these vectors.
TEST(Vector3d, NormalizeDividesInDoubleAndRoundsOnce)
{
  std::uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int>(state >> 8) - (1 << 23)) /
           static_cast<float>(1 << 20);
  };
  for (int i = 0; i < 20000; i++) {
    const float x = next();
    const float y = next();
    const float z = next();
    CVector3d v(x, y, z);
    v.Normalize();
    const double norm = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y +
                                  static_cast<double>(z) * z);
    ASSERT_EQ(v.x(), static_cast<float>(x / norm)) << i;
    ASSERT_EQ(v.y(), static_cast<float>(y / norm)) << i;
    ASSERT_EQ(v.z(), static_cast<float>(z / norm)) << i;
    EXPECT_EQ(v.GetNorm(), std::sqrt(v.GetSquareNorm()));
  }
}

TEST(Vector3d, CrossProductsAgreeAndAreAntisymmetric)
{
  const CVector3d u(1, 2, 3), v(-4, 5, 0.5f);
  const CVector3d expected(2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4);
  ExpectVector(u ^ v, expected.x(), expected.y(), expected.z());
  ExpectVector(CrossProduct(u, v), expected.x(), expected.y(), expected.z());
  CVector3d inPlace(u);
  inPlace.CrossProduct(v);
  ExpectVector(inPlace, expected.x(), expected.y(), expected.z());
  CVector3d fromTwo;
  fromTwo.CrossProduct(v, u);
  ExpectVector(fromTwo, -expected.x(), -expected.y(), -expected.z());
  ExpectVector(CVector3d(1, 0, 0) ^ CVector3d(0, 1, 0), 0, 0, 1);
}

TEST(Vector3d, PointsArithmeticAndCollinearity)
{
  const SPoint p1{1, 1, 1}, p2{4, 5, 6};
  ExpectVector(CVector3d(&p1, &p2), 3, 4, 5);
  CVector3d v;
  v.SetFromPoint(&p2);
  ExpectVector(v, 4, 5, 6);
  v.Add(&p1);
  ExpectVector(v, 5, 6, 7);
  v.Translate(-5, -6, -7);
  ExpectVector(v, 0, 0, 0);
  ExpectVector(CVector3d::GetPoint(&p1), 1, 1, 1);

  CVector3d m(2, 4, 6);
  m.Divide(2);
  ExpectVector(m, 1, 2, 3);
  m.Multiply(3);
  ExpectVector(m, 3, 6, 9);
  ExpectVector(CVector3d(1, 2, 3) + CVector3d(1, 1, 1), 2, 3, 4);
  ExpectVector(CVector3d(1, 2, 3) - CVector3d(1, 1, 1), 0, 1, 2);

  EXPECT_EQ(CVector3d(1, 2, 3).IsCollinear(CVector3d(2, 4, 6)), 1);
  EXPECT_EQ(CVector3d(1, 2, 3).IsCollinear(CVector3d(2, 4, 7)), 0);
}

TEST(Vector3d, RotationsTurnAboutTheirAxis)
{
  CVector3d v(1, 0, 0);
  v.RotateY(M_PI / 2);
  EXPECT_NEAR(v.x(), 0, 1e-7);
  EXPECT_NEAR(v.z(), -1, 1e-7);
  CVector3d w(0, 1, 0);
  w.RotateX(M_PI / 2);
  EXPECT_NEAR(w.y(), 0, 1e-7);
  EXPECT_NEAR(w.z(), -1, 1e-7);
  EXPECT_FLOAT_EQ(w.x(), 0);
}

TEST(Color, ThreeComponentsMakeItOpaque)
{
  CColor c;
  EXPECT_EQ(c, CColor(255, 255, 255, 255));
  c.Set(1, 2, 3, 4);
  EXPECT_EQ(c.a(), 4);
  c.Set(10, 20, 30);
  EXPECT_EQ(c, CColor(10, 20, 30, 255));
  c.SetGrey(7);
  EXPECT_EQ(c, CColor(7, 7, 7, 255));
  CColor d(0, 0, 0, 9);
  d.Set(&c);
  EXPECT_EQ(d, c);
}

TEST(ColorRamp, NewRampIsGrey)
{
  CColorRamp ramp;
  EXPECT_EQ(ramp.GetNbKey(), 2);
  for (int i = 0; i < 256; i++) {
    ASSERT_EQ(ramp.Red(i), i);
    ASSERT_EQ(ramp.Green(i), i);
    ASSERT_EQ(ramp.Blue(i), i);
  }
}

TEST(ColorRamp, PresetsKeepTheirKeysAndInterpolateInFloat)
{
  CColorRamp ramp;
  ramp.BuildRedYellow();
  EXPECT_EQ(ramp.Red(0), 255);
  EXPECT_EQ(ramp.Green(0), 0);
  EXPECT_EQ(ramp.Green(255), 255);
  EXPECT_EQ(ramp.Red(128), 255);
  EXPECT_EQ(ramp.Green(128), 128);
  EXPECT_EQ(ramp.Blue(128), 0);

  ramp.BuildRainbow();
  EXPECT_EQ(ramp.GetNbKey(), 9);
  EXPECT_EQ(ramp.Green(96), 252);
  EXPECT_EQ(ramp.Green(128), 254);
  EXPECT_EQ(ramp.Red(240), 128);
  EXPECT_EQ(ramp.Blue(255), 255);
  // Between keys 32 (0,0,255) and 64 (0,255,255): green rises by 255/32 per entry.
  for (int i = 32; i < 64; i++) {
    const float slope = 255.0f / 32.0f;
    const float intercept = 0.0f - 32.0f * slope;
    ASSERT_EQ(ramp.Green(i), static_cast<int>(static_cast<float>(i) * slope + intercept));
  }

  ramp.BuildBlueWhite();
  EXPECT_EQ(ramp.Blue(48), 254);
  EXPECT_EQ(ramp.Blue(0), 128);
  ramp.BuildRedWhite();
  EXPECT_EQ(ramp.Red(48), 128);
  EXPECT_EQ(ramp.Green(165), 128);
  EXPECT_EQ(ramp.GetKey(0), 0);
  EXPECT_EQ(ramp.GetKey(ramp.GetNbKey() - 1), 255);
}

TEST(ColorRamp, KeyListForcesBothEnds)
{
  CColorRamp ramp;
  ramp.ResetKeys();
  ramp.SetKey(100, 10, 20, 30);
  ramp.BuildKeyList();
  ASSERT_EQ(ramp.GetNbKey(), 3);
  EXPECT_EQ(ramp.GetKey(1), 100);
  ramp.Interpolate();
  EXPECT_EQ(ramp.Red(100), 10);
  EXPECT_EQ(ramp.Blue(100), 30);
}

TEST(Material, DefaultsAndCopy)
{
  CMaterial material;
  EXPECT_FLOAT_EQ(*material.GetShininess(), 84.0f);
  const float* emission = material.GetEmission();
  EXPECT_FLOAT_EQ(emission[0], 0);
  EXPECT_FLOAT_EQ(emission[3], 1);
  EXPECT_FLOAT_EQ(material.GetAmbient()[1], 0.33f);
  EXPECT_FLOAT_EQ(material.GetDiffuse()[2], 0.8f);
  EXPECT_FLOAT_EQ(material.GetSpecular()[0], 0.1f);

  CMaterial other;
  other.SetDiffuse(1, 0, 0, 0.5f);
  other.SetShininess(3);
  material.Copy(&other);
  EXPECT_FLOAT_EQ(material.GetDiffuse()[0], 1);
  EXPECT_FLOAT_EQ(material.GetDiffuse()[3], 0.5f);
  EXPECT_FLOAT_EQ(*material.GetShininess(), 3);
}

TEST(Transform, ClearKeepsTheRotationAxis)
{
  CTransform t;
  ExpectVector(*t.GetScale(), 1, 1, 1);
  t.SetScale(CVector3d(2, 2, 2));
  t.SetRotation(CVector3d(0, 1, 0));
  t.SetTranslation(CVector3d(5, 6, 7));
  t.SetRotationAngle(30);
  CTransform copy;
  copy.Copy(&t);
  ExpectVector(*copy.GetTranslation(), 5, 6, 7);
  EXPECT_FLOAT_EQ(copy.GetRotationAngle(), 30);
  t.Clear();
  ExpectVector(*t.GetScale(), 1, 1, 1);
  ExpectVector(*t.GetTranslation(), 0, 0, 0);
  ExpectVector(*t.GetRotation(), 0, 1, 0);
  EXPECT_FLOAT_EQ(t.GetRotationAngle(), 0);
}
