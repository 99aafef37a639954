#include "app/objects/Camera3d.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Camera3d, DefaultFrustum)
{
  CCamera3d camera;
  EXPECT_EQ(camera.GetType(), TYPE_CAMERA3D);
  float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
  for (int i = 0; i < 4; i++) {
    const CVertex3d* c = camera.GetCorner(i);
    EXPECT_NEAR(c->z(), -2, 1e-5);
    minX = std::min(minX, c->x());
    maxX = std::max(maxX, c->x());
    minY = std::min(minY, c->y());
    maxY = std::max(maxY, c->y());
  }
  EXPECT_NEAR(maxX - minX, 4.0, 1e-5);
  EXPECT_NEAR(maxY - minY, 3.0, 1e-5);
  EXPECT_NEAR(maxX + minX, 0.0, 1e-5);
  EXPECT_NEAR(maxY + minY, 0.0, 1e-5);
}

TEST(Camera3d, PointsInsideOutsideAndOnSides)
{
  CCamera3d camera;
  CVertex3d centre(0, 0, -1), outside(5, 0, -1), behindSide(0, 3, 0);
  EXPECT_EQ(camera.IsPointInFrustum(&centre), 1);
  EXPECT_EQ(camera.IsPointInFrustum(&outside), 0);
  EXPECT_EQ(camera.IsPointInFrustum(&behindSide), 0);
  EXPECT_EQ(camera.IsPointInFrustum(camera.GetCorner(0)), 1);  // on two side planes
}

TEST(Camera3d, FaceTests)
{
  CCamera3d camera;
  CVertex3d a(-0.5f, -0.5f, -1), b(0.5f, -0.5f, -1), c(0, 0.5f, -1);
  CFace3d towards(&a, &b, &c);
  towards.CalculateNormal();
  CFace3d away(&a, &c, &b);
  away.CalculateNormal();
  EXPECT_EQ(camera.IsFaceInFront(&towards), 1);
  EXPECT_EQ(camera.IsFaceVisible(&towards), 1);
  EXPECT_EQ(camera.IsFaceInFront(&away), 0);
  EXPECT_EQ(camera.IsFaceVisible(&away), 0);
  // Seen edge-on: visible but not in front.
  CVertex3d p(0, 0, 0), q(0, 0, -1), r(0, 1, -1);
  CFace3d edgeOn(&p, &q, &r);
  edgeOn.CalculateNormal();
  EXPECT_EQ(camera.IsFaceInFront(&edgeOn), 0);
  EXPECT_EQ(camera.IsFaceVisible(&edgeOn), 1);
}

TEST(Camera3d, RotationsAndTranslation)
{
  double m[3][4];
  RotationMatrixAxisAngle(0, 0, 2, 3.14159265358979 / 2, m);
  const double x[3] = {1, 0, 0};
  double r[3];
  MatrixMultPoint(m, x, r);
  EXPECT_NEAR(r[0], 0, 1e-12);  // counter-clockwise seen from +z
  EXPECT_NEAR(r[1], 1, 1e-12);

  CCamera3d camera;
  camera.RotateUp(3.14159265358979);
  EXPECT_NEAR(camera.GetDirection()->z(), 4, 1e-5);
  for (int i = 0; i < 4; i++)
    EXPECT_NEAR(camera.GetCorner(i)->z(), 6, 1e-5);
  camera.Init();
  camera.RotateSide(0.1);
  EXPECT_NEAR(camera.GetDirection()->GetNorm(), 4, 1e-5);
  EXPECT_NEAR(camera.GetUp()->GetNorm(), 1, 1e-6);
  camera.Init();
  camera.Translate(1, 0, 0);
  EXPECT_FLOAT_EQ(camera.GetEye()->x(), 1);
  EXPECT_NEAR(camera.GetCorner(0)->x() + camera.GetCorner(1)->x(), 2, 1e-5);
}

TEST(Camera3d, AZeroDirectionKeepsTheLastPyramid)
{
  CCamera3d camera;
  CVertex3d before[4];
  for (int i = 0; i < 4; i++)
    before[i].Set(camera.GetCorner(i));
  const CVector3d zero(0.0f, 0.0f, 0.0f);
  camera.SetDirection(&zero);
  camera.SetSize(2.0f);
  camera.RotateUp(0.5);
  camera.Translate(1.0f, 0.0f, 0.0f);
  for (int i = 0; i < 4; i++) {
    const CVertex3d* c = camera.GetCorner(i);
    ASSERT_TRUE(std::isfinite(c->x()) && std::isfinite(c->y()) && std::isfinite(c->z())) << i;
    EXPECT_FLOAT_EQ(c->x(), before[i].x());
    EXPECT_FLOAT_EQ(c->y(), before[i].y());
    EXPECT_FLOAT_EQ(c->z(), before[i].z());
  }
  // The face tests still answer from that pyramid.
  CVertex3d centre(0, 0, -1);
  EXPECT_EQ(camera.IsPointInFrustum(&centre), 1);

  // A real direction again: the pyramid follows it (size 2, looking down -x from x = 1).
  const CVector3d left(-4.0f, 0.0f, 0.0f);
  camera.SetDirection(&left);
  camera.UpdateFrustum();
  for (int i = 0; i < 4; i++) {
    EXPECT_NEAR(camera.GetCorner(i)->x(), -3.0f, 1e-5);
    EXPECT_NEAR(std::fabs(camera.GetCorner(i)->y()), 2.0f, 1e-5);
  }
}
