#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(ValenceStatistics, ForecastIsTheEntropyOfTheValences)
{
  // Every vertex of valence 6: nothing to code.
  auto torus = fixtures::Torus(5);
  EXPECT_EQ(torus->ForecastValenceRate(), 0.0f);
  EXPECT_EQ(torus->ValenceDistribution(), 1);
  // Two triangles: two vertices of valence 2 and two of valence 3, one bit each.
  auto pair = fixtures::FlatGrid(2, 2);
  EXPECT_FLOAT_EQ(pair->ForecastValenceRate(), 1.0f);
  // An icosphere: 12 of valence 5 and 30 of valence 6.
  auto sphere = fixtures::Icosphere(1);
  const double p = 12.0 / 42.0;
  EXPECT_NEAR(sphere->ForecastValenceRate(), -(p * std::log2(p) + (1 - p) * std::log2(1 - p)), 1e-6);
}

TEST(ValenceStatistics, EmptyMeshHasNoHistogramAndForecastsNothing)
{
  CMesh3d mesh;
  EXPECT_EQ(mesh.ValenceDistribution(), 0);
  EXPECT_EQ(mesh.ForecastValenceRate(), 0.0f);
}

} // namespace
