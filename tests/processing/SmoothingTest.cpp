#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(Smoothing, RegularVertexKeepsFiveEighthsAndTakesASixteenthOfEachNeighbour)
{
  auto mesh = fixtures::Torus(6);
  fixtures::Perturb(*mesh, 0.1f);
  const auto before = fixtures::Positions(*mesh);
  const CVertex3d* v = mesh->GetVertex(7);
  ASSERT_EQ(v->NbVertexNeighbor(), 6);
  fixtures::Position expected{};
  for (int axis = 0; axis < 3; axis++) {
    double sum = 0;
    for (int j = 0; j < 6; j++)
      sum += v->GetVertexNeighbor(j)->Get(axis);
    expected[axis] = static_cast<float>(5.0 / 8.0 * before[7][axis] + sum / 16.0);
  }
  EXPECT_EQ(mesh->Smooth(1), 1);
  EXPECT_LT(fixtures::Distance(fixtures::PositionOf(v), expected), 2e-6f);
  EXPECT_EQ(mesh->NbVertex(), static_cast<int>(before.size()));
  EXPECT_TRUE(fixtures::IsClosedAndOriented(*mesh));
}

TEST(Smoothing, NeighboursAreReadBeforeThePass)
{
  // On a tetrahedron every vertex has valence 3; a simultaneous pass keeps the centroid.
  auto mesh = fixtures::Tetrahedron();
  auto centroid = [](const CMesh3d& m) {
    fixtures::Position c{};
    for (int i = 0; i < m.NbVertex(); i++)
      for (int axis = 0; axis < 3; axis++)
        c[axis] += m.GetVertex(i)->Get(axis) / m.NbVertex();
    return c;
  };
  const auto before = centroid(*mesh);
  mesh->Smooth(1);
  EXPECT_LT(fixtures::Distance(centroid(*mesh), before), 1e-6f);
}

TEST(Smoothing, BoundaryStaysUnlessAskedToMove)
{
  auto fixed = fixtures::FlatGrid(5, 5);
  fixtures::Perturb(*fixed, 0.1f);
  auto moving = fixtures::FlatGrid(5, 5);
  fixtures::Perturb(*moving, 0.1f);
  const auto before = fixtures::Positions(*fixed);
  fixed->Smooth(0);
  moving->Smooth(1);
  int boundary = 0;
  for (int i = 0; i < fixed->NbVertex(); i++) {
    const CVertex3d* v = fixed->GetVertex(i);
    if (!v->IsOnBoundary()) {
      EXPECT_EQ(fixtures::PositionOf(v), fixtures::PositionOf(moving->GetVertex(i)));
      continue;
    }
    boundary++;
    EXPECT_EQ(fixtures::PositionOf(v), before[static_cast<size_t>(i)]);
    EXPECT_NE(fixtures::PositionOf(moving->GetVertex(i)), before[static_cast<size_t>(i)]);
  }
  EXPECT_EQ(boundary, 16);
}

TEST(Smoothing, AFlatGridStaysFlatAndAnIsolatedVertexStays)
{
  auto mesh = fixtures::FlatGrid(6, 4);
  mesh->AddVertex(new CVertex3d(3, 4, 5));
  for (int pass = 0; pass < 3; pass++)
    mesh->Smooth(1);
  for (int i = 0; i + 1 < mesh->NbVertex(); i++)
    EXPECT_FLOAT_EQ(mesh->GetVertex(i)->y(), 0.0f);
  EXPECT_EQ(fixtures::PositionOf(mesh->GetVertex(mesh->NbVertex() - 1)),
            (fixtures::Position{3, 4, 5}));
}

} // namespace
