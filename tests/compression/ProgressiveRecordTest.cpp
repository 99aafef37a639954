#include "compression/ProgressiveVertexRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// A hexagonal hole around the origin, tilted so that no axis is special.
std::vector<CProgressiveVertexRecord::Point> Hexagon()
{
  return {{100, 0, 10}, {50, 87, 20}, {-50, 87, 15}, {-100, 0, 5}, {-50, -87, 0}, {50, -87, 8}};
}

const std::vector<std::array<int, 3>> kFan{{0, 1, 2}, {0, 2, 4}, {2, 3, 4}, {0, 4, 5}};

TEST(ProgressiveRecord, PredictionReconstructsWithinOneGridUnit)
{
  int exact = 0;
  int total = 0;
  for (int x = -20; x <= 20; x += 3)
    for (int y = -20; y <= 20; y += 3)
      for (int z = -5; z <= 30; z += 5) {
        CProgressiveVertexRecord encoder(Hexagon(), kFan);
        encoder.SetTarget({x, y, z});
        encoder.Predict();
        // The decoder knows the border and the pattern, not the target.
        CProgressiveVertexRecord decoder;
        decoder.SetFrame(Hexagon(), kFan);
        decoder.SetCoordinates(encoder.GetCoordinates());
        const auto p = decoder.Reconstruct();
        for (int k = 0; k < 3; k++)
          EXPECT_LE(std::abs(p[k] - encoder.GetTarget()[k]), 1);
        exact += p == encoder.GetTarget() ? 1 : 0;
        total++;
      }
  // The offset search makes most targets exact.
  EXPECT_GT(exact, total * 3 / 4);
}

TEST(ProgressiveRecord, FlatBorderGivesSmallNormalResiduals)
{
  std::vector<CProgressiveVertexRecord::Point> flat{{10, 0, 0}, {0, 10, 0}, {-10, 0, 0},
                                                     {0, -10, 0}};
  CProgressiveVertexRecord record(flat, {{0, 1, 3}, {1, 2, 3}});
  record.SetTarget({1, 2, 3});
  record.Predict();
  EXPECT_EQ(3, std::abs(record.GetCoordinates()[2]));
  EXPECT_EQ(record.GetTarget(), record.Reconstruct());
}

TEST(ProgressiveRecord, DegenerateBorderFallsBackToTheAxes)
{
  // All border points equal: no normal, no tangent; the frame is the coordinate axes.
  CProgressiveVertexRecord record({{5, 5, 5}, {5, 5, 5}, {5, 5, 5}}, {{0, 1, 2}});
  record.SetTarget({7, 3, 9});
  record.Predict();
  EXPECT_EQ(record.GetTarget(), record.Reconstruct());
}

} // namespace
