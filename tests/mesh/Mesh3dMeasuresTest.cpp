#include "MeshFixtures.h"
#include "QueryFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Ranges, RangeAndRescale)
{
  auto mesh = fixtures::Build({{2, 0, 5}, {4, 1, 5}, {3, 3, 5}}, {{0, 1, 2}});
  float min = 0.0f;
  float max = 0.0f;
  mesh->GetRange(1, &min, &max);
  EXPECT_EQ(min, 0.0f);
  EXPECT_EQ(max, 3.0f);
  EXPECT_NEAR(mesh->Peak(), std::sqrt(4.0 + 9.0), 1e-9);

  mesh->SetModified(0);
  mesh->Range(0, -1.0f, 1.0f);
  EXPECT_FLOAT_EQ(mesh->GetVertex(0)->x(), -1.0f);
  EXPECT_FLOAT_EQ(mesh->GetVertex(1)->x(), 1.0f);
  EXPECT_FLOAT_EQ(mesh->GetVertex(2)->x(), 0.0f);
  EXPECT_EQ(mesh->GetModified(), 1);

  // A flat axis has no scale: every value goes to the low end instead of NaN.
  mesh->Range(2, 0.0f, 10.0f);
  for (int i = 0; i < 3; i++)
    EXPECT_EQ(mesh->GetVertex(i)->z(), 0.0f);

  mesh->CopyPositionsToSecondSet();
  mesh->SetModified(0);
  mesh->RangeSecondSet(1, 10.0f, 16.0f);
  EXPECT_FLOAT_EQ(mesh->GetVertex(2)->y2(), 16.0f);
  EXPECT_FLOAT_EQ(mesh->GetVertex(1)->y2(), 12.0f);
  EXPECT_FLOAT_EQ(mesh->GetVertex(1)->y(), 1.0f);
  EXPECT_EQ(mesh->GetModified(), 0);
  mesh->Range2(1, &min, &max);
  EXPECT_EQ(min, 10.0f);
  EXPECT_EQ(max, 16.0f);
}

// The three axes in one pass give each axis's own range, signed zeros and an empty mesh included.
TEST(Ranges, AllAxesAtOnceMatchEachAxis)
{
  auto empty = fixtures::Build({}, {});
  float min[3] = {7, 7, 7};
  float max[3] = {7, 7, 7};
  empty->GetRanges(min, max);
  for (int axis = 0; axis < 3; axis++) {
    EXPECT_EQ(min[axis], 0.0f);
    EXPECT_EQ(max[axis], 0.0f);
  }
  auto mesh = fixtures::Build({{-0.0f, 3, -2}, {0.0f, -1, 9}, {5, 2, 9}, {-4, 8, -2}},
                              {{0, 1, 2}, {0, 2, 3}});
  mesh->GetRanges(min, max);
  for (int axis = 0; axis < 3; axis++) {
    float lo = 0.0f;
    float hi = 0.0f;
    mesh->GetRange(axis, &lo, &hi);
    EXPECT_EQ(std::signbit(min[axis]), std::signbit(lo)) << axis;
    EXPECT_EQ(min[axis], lo) << axis;
    EXPECT_EQ(max[axis], hi) << axis;
  }
  EXPECT_EQ(min[0], -4.0f);
  EXPECT_EQ(max[1], 8.0f);
  EXPECT_EQ(min[2], -2.0f);
}

TEST(ErrorMetrics, L2AndPsnrAgainstAMovedCopy)
{
  auto mesh = fixtures::Icosphere(1);
  mesh->CopyPositionsToSecondSet();
  EXPECT_EQ(mesh->L2Error(), 0.0);
  EXPECT_EQ(mesh->PSNR(), 0.0);

  // Second positions moved by known offsets: 0.01 on x for even vertices, 0.02 on z for odd.
  double sum = 0.0;
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    if (i % 2 == 0) {
      v->Set2(0, v->x() + 0.01f);
      sum += 0.01 * 0.01;
    } else {
      v->Set2(2, v->z() - 0.02f);
      sum += 0.02 * 0.02;
    }
  }
  const double l2 = std::sqrt(sum / mesh->NbVertex());
  EXPECT_NEAR(mesh->L2Error(), l2, 1e-7);
  const double peak = mesh->Peak();
  EXPECT_NEAR(peak, 2.0 * std::sqrt(3.0), 1e-6);  // the sphere's box is [-1, 1]^3
  EXPECT_NEAR(mesh->PSNR(), 20.0 * std::log10(peak / l2), 1e-4);
  EXPECT_NEAR(mesh->RelativeL2(), l2 / peak, 1e-8);
}

TEST(ErrorMetrics, DegenerateMeshesGiveZero)
{
  CMesh3d empty;
  float min = 1.0f;
  float max = 1.0f;
  empty.GetRange(0, &min, &max);
  EXPECT_EQ(min, 0.0f);
  EXPECT_EQ(max, 0.0f);
  EXPECT_EQ(empty.Peak(), 0.0);
  EXPECT_EQ(empty.L2Error(), 0.0);
  EXPECT_EQ(empty.PSNR(), 0.0);
  EXPECT_EQ(empty.RelativeL2(), 0.0);

  CMesh3d single;
  single.AddVertex(new CVertex3d(1, 2, 3));
  single.GetVertex(0)->Set2(1, 2, 4);
  EXPECT_EQ(single.Peak(), 0.0);
  EXPECT_NEAR(single.L2Error(), 1.0, 1e-12);
  EXPECT_EQ(single.RelativeL2(), 0.0);
  EXPECT_EQ(single.PSNR(), 0.0);
}

TEST(Distances, DistanceToFaceMatchesBruteForce)
{
  auto mesh = fixtures::Icosphere(2);
  platform::Srand(11);
  for (int k = 0; k < 60; k++) {
    const CVertex3d p(queries::Uniform(-1.5f, 1.5f), queries::Uniform(-1.5f, 1.5f),
                      queries::Uniform(-1.5f, 1.5f));
    CVertex3d nearest;
    CFace3d* pFace = nullptr;
    int index = -1;
    const double oracle = queries::BruteNearestFace(*mesh, &p, &index);
    ASSERT_NEAR(mesh->DistanceToFace(&p, &nearest, &pFace), oracle, 1e-5);
    EXPECT_NEAR(queries::SquareToFace(&p, pFace), oracle, 1e-5);
    EXPECT_NEAR(queries::Square(queries::Sub(queries::P(&p), queries::P(&nearest))), oracle, 1e-5);
  }

  CMesh3d empty;
  const CVertex3d p(1, 1, 1);
  CVertex3d nearest(4, 5, 6);
  CFace3d* pFace = nullptr;
  EXPECT_EQ(empty.DistanceToFace(&p, &nearest, &pFace), 0.0);
  EXPECT_EQ(pFace, nullptr);
  EXPECT_FLOAT_EQ(nearest.x(), 4.0f);
}

TEST(Distances, NearestVertexKeepsTheFirstOfEqualOnes)
{
  auto mesh = fixtures::Build({{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 0}}, {}, false);
  CVertex3d* pVertex = nullptr;
  const CVertex3d p(0, 0, 5);
  EXPECT_NEAR(mesh->NearestVertex(&p, &pVertex), 25.0, 1e-9);
  EXPECT_EQ(pVertex, mesh->GetVertex(3));
  const CVertex3d q(0, 0, 0.0f);
  mesh->GetVertex(3)->Set(5, 5, 5);
  mesh->NearestVertex(&q, &pVertex);
  EXPECT_EQ(pVertex, mesh->GetVertex(0));
}

TEST(Distances, MoveVerticesOnMeshProjectsInteriorAndBoundary)
{
  auto target = queries::Grid(4, 4.0f);
  auto mesh = queries::Grid(2, 4.0f);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    v->Set(v->x() * 1.1f - 0.2f, v->y(), 0.5f);  // lifted and stretched past the border on x
  }
  mesh->MoveVerticesOnMesh(target.get());
  for (int i = 0; i < mesh->NbVertex(); i++) {
    const CVertex3d* v = mesh->GetVertex(i);
    EXPECT_NEAR(v->z(), 0.0f, 1e-6);
    EXPECT_GE(v->x(), 0.0f);
    EXPECT_LE(v->x(), 4.0f);
  }
  // The middle vertex lies over the interior and drops straight down.
  EXPECT_NEAR(mesh->GetVertex(4)->x(), 2.0f * 1.1f - 0.2f, 1e-5);
}

} // namespace
