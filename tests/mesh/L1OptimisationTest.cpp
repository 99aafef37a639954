#include "MeshFixtures.h"
#include "QueryFixtures.h"

#include "mesh/GeometryUtil.h"
#include "mesh/HashTable.h"
#include "platform/core/Redraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The reference: the plane z = 0 over [0, 4]^2, and its hash.
class L1Test : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_EQ(hash.Fill(reference.get(), nullptr), 1); }

  // Four triangles around a centre vertex (index 0) at height h over the square [1, 3]^2.
  static std::unique_ptr<CMesh3d> Pyramid(float h)
  {
    return fixtures::Build({{2, 2, h}, {1, 1, 0}, {3, 1, 0}, {3, 3, 0}, {1, 3, 0}},
                           {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}});
  }

  std::unique_ptr<CMesh3d> reference = queries::Grid(8, 4.0f);
  CHashTable hash{6};
};

TEST_F(L1Test, ParallelFaceErrorIsTheHeightSharedByTheCorners)
{
  const float h = 0.25f;
  auto mesh = fixtures::Build({{0.5f, 0.5f, h}, {2.5f, 0.5f, h}, {0.5f, 2.5f, h}}, {{0, 1, 2}});
  CFace3d* f = mesh->GetFace(0);
  for (int useHash : {0, 1}) {
    // The corner weights of a sample add up to 1 and every sample lies h above the reference,
    // against the normal: the three corners' errors add up to -h per sample.
    double total = 0.0;
    int count = 0;
    for (int corner = 0; corner < 3; corner++) {
      double max = 0.0;
      total += f->GetL1Error(f->v(corner), reference.get(), &hash, useHash, 0.1f, &count, &max);
      ASSERT_GT(count, 100);
      // Along the normal the reference is h away; the hash's nearest face may lie farther.
      if (useHash)
        EXPECT_GE(max, h - 1e-6);
      else
        EXPECT_NEAR(max, h, 1e-5);
    }
    EXPECT_NEAR(total / count, -h, 1e-5) << useHash;
  }
}

TEST_F(L1Test, DegenerateFacesAndCoarseGridsGiveNoSamples)
{
  auto flat = fixtures::Build({{0, 0, 1}, {1, 0, 1}, {2, 0, 1}}, {{0, 1, 2}});
  int count = 5;
  double max = 5.0;
  EXPECT_EQ(flat->GetFace(0)->GetL1Error(flat->GetVertex(0), reference.get(), &hash, 1, 0.1f,
                                         &count, &max),
            0.0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(max, 0.0);
  auto mesh = fixtures::Build({{0.5f, 0.5f, 1}, {1, 0.5f, 1}, {0.5f, 1, 1}}, {{0, 1, 2}});
  count = 5;
  EXPECT_EQ(mesh->GetFace(0)->GetL1Error(mesh->GetVertex(0), reference.get(), &hash, 1, 0.4f,
                                         &count, &max),
            0.0);
  EXPECT_EQ(count, 0);
}

TEST_F(L1Test, DirectionPointsTowardTheReference)
{
  for (float h : {0.3f, -0.3f}) {
    auto mesh = Pyramid(h);
    CVector3d direction;
    double maxError = 0.0;
    ASSERT_EQ(mesh->GetVertex(0)->GetL1MoveDirection(&direction, reference.get(), &hash, 1, 50,
                                                     &maxError, 0),
              1);
    EXPECT_NEAR(direction.GetNorm(), 1.0, 1e-5);
    EXPECT_LT(direction.z() * h, 0.0f);
    EXPECT_NEAR(direction.x(), 0.0f, 0.05f);
    EXPECT_GT(maxError, 0.0);
    EXPECT_LE(maxError, std::fabs(h) + 1e-5);
  }
  CVertex3d lonely(1, 1, 1);
  CVector3d direction(1, 2, 3);
  double maxError = 7.0;
  EXPECT_EQ(lonely.GetL1MoveDirection(&direction, reference.get(), &hash, 1, 50, &maxError, 0), 0);
  EXPECT_EQ(maxError, 0.0);
}

TEST_F(L1Test, OptimisationBringsTheApexDown)
{
  for (int useHash : {0, 1}) {
    auto mesh = Pyramid(0.5f);
    CVertex3d* apex = mesh->GetVertex(0);
    const int steps = apex->OptimizeL1(reference.get(), &hash, useHash, 1e-4f, 200, 50, 0.1f,
                                       0.001f, 0.5f, nullptr, 0, nullptr);
    EXPECT_GT(steps, 4);
    EXPECT_LE(steps, 201);
    EXPECT_NEAR(apex->z(), 0.0f, 0.02f) << useHash;
    EXPECT_NEAR(apex->x(), 2.0f, 0.02f);
  }
}

TEST_F(L1Test, StepCountsAtTheLimits)
{
  // On the reference already: no error, no direction, one step that moves nothing.
  auto flat = Pyramid(0.0f);
  EXPECT_EQ(flat->GetVertex(0)->OptimizeL1(reference.get(), &hash, 1, 1e-4f, 50, 50, 0.1f, 0.001f,
                                           0.5f, nullptr, 0, nullptr),
            1);
  EXPECT_EQ(flat->GetVertex(0)->z(), 0.0f);

  // The limit counts the steps taken before the current one: one more than maxIterations.
  auto mesh = Pyramid(0.5f);
  int redraws = 0;
  platform::RedrawHook previous =
    platform::SetRedrawHook([&redraws](CRenderView*) { redraws++; });
  int window = 0;
  auto* pWindow = reinterpret_cast<CRenderView*>(&window);
  mesh->SetModified(0);
  EXPECT_EQ(mesh->GetVertex(0)->OptimizeL1(reference.get(), &hash, 1, 1e-6f, 1, 50, 0.1f, 0.001f,
                                           0.5f, pWindow, 1, mesh.get()),
            2);
  EXPECT_EQ(redraws, 2);
  EXPECT_EQ(mesh->GetModified(), 1);
  EXPECT_NEAR(mesh->GetVertex(0)->z(), 0.3f, 1e-4);
  platform::SetRedrawHook(previous);
}

// The descent as its rule reads, without any other end: each step moves along the direction,
// shrinks the step on a reversal (not below the floor), and the loop goes on while the move was
// longer than epsilon and fewer than maxIterations steps came before. Records, per step, the
// position reached and whether that step reversed at the floor.
struct SLiteralStep
{
  float x, y, z;
  bool reversedAtFloor;
};
std::vector<SLiteralStep> LiteralDescent(CVertex3d* v, CMesh3d* pReference, CHashTable* pHash,
                                         float epsilon, int maxIterations, float step,
                                         float minStep, float shrink)
{
  std::vector<SLiteralStep> steps;
  CVector3d previousDirection;
  for (int before = 0;; before++) {
    CVector3d direction;
    double maxError = 0.0;
    v->GetL1MoveDirection(&direction, pReference, pHash, 1, 50, &maxError, 0);
    const CVertex3d start(v);
    v->MoveAlong(&direction, step);
    const bool reversed = !(InnerProduct(direction, previousDirection) >= 0.0);
    steps.push_back({v->x(), v->y(), v->z(), reversed && step <= minStep});
    step = std::max(step * (reversed ? shrink : 1.0f), minStep);
    previousDirection = direction;
    if (!(Distance(&start, v) > epsilon && before < maxIterations))
      return steps;
  }
}

// With the step floor above epsilon no move is ever short enough for epsilon to end the
// descent, which bounces across the apex's minimum until the last iteration; it ends instead at
// the first reversal at the floor, where it stands exactly as the bouncing descent stood then.
TEST_F(L1Test, ADescentWhoseFloorIsAboveEpsilonEndsAtAReversalOnTheFloor)
{
  auto literal = Pyramid(0.5f);
  const auto path =
    LiteralDescent(literal->GetVertex(0), reference.get(), &hash, 1e-4f, 200, 0.1f, 0.001f, 0.5f);
  ASSERT_EQ(path.size(), 201u);
  size_t end = 0;
  while (end < path.size() && !path[end].reversedAtFloor)
    end++;
  ASSERT_LT(end + 1, path.size());

  auto mesh = Pyramid(0.5f);
  CVertex3d* apex = mesh->GetVertex(0);
  EXPECT_EQ(static_cast<int>(end + 1), apex->OptimizeL1(reference.get(), &hash, 1, 1e-4f, 200,
                                                         50, 0.1f, 0.001f, 0.5f, nullptr, 0,
                                                         nullptr));
  EXPECT_EQ(path[end].x, apex->x());
  EXPECT_EQ(path[end].y, apex->y());
  EXPECT_EQ(path[end].z, apex->z());
  // Within a few floor steps of the plane it is fitted to.
  EXPECT_LT(std::fabs(apex->z()), 0.005f);
}

// With the floor at or below epsilon the rule ends the descent itself: unchanged.
TEST_F(L1Test, ADescentWhoseFloorIsBelowEpsilonFollowsTheRule)
{
  for (const float floor : {0.001f, 0.0005f}) {
    auto literal = Pyramid(0.5f);
    const auto path =
      LiteralDescent(literal->GetVertex(0), reference.get(), &hash, 0.001f, 200, 0.1f, floor, 0.5f);
    ASSERT_LT(path.size(), 201u);
    auto mesh = Pyramid(0.5f);
    CVertex3d* apex = mesh->GetVertex(0);
    EXPECT_EQ(static_cast<int>(path.size()),
              apex->OptimizeL1(reference.get(), &hash, 1, 0.001f, 200, 50, 0.1f, floor, 0.5f,
                               nullptr, 0, nullptr));
    EXPECT_EQ(path.back().x, apex->x());
    EXPECT_EQ(path.back().z, apex->z());
  }
}

} // namespace
