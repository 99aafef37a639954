// The bound that lets the encoder accept a removal's residual without building its frame: never
// below the length of the triple the frame gives, and finite on ordinary borders.
#include "compression/ProgressivePattern.h"
#include "compression/ProgressiveVertexRecord.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace {

using Point = CProgressiveVertexRecord::Point;
using Triangle = CProgressiveVertexRecord::Triangle;

// Deterministic integers in [0, n).
class CSequence
{
public:
  int Next(int n)
  {
    m_State = m_State * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<int>((m_State >> 33) % static_cast<std::uint64_t>(n));
  }

private:
  std::uint64_t m_State = 12345;
};

double Length(const std::array<int, 3>& x)
{
  return std::sqrt(static_cast<double>(x[0]) * x[0] + static_cast<double>(x[1]) * x[1] +
                   static_cast<double>(x[2]) * x[2]);
}

// A ring of n grid points around a centre, of the given radius, in a plane tilted by the
// jitter; the points are whole grid units, as quantized borders are.
std::vector<Point> Ring(CSequence* pSequence, int n, int radius, int tilt, const Point& centre)
{
  std::vector<Point> ring;
  const double pi = std::acos(-1.0);
  for (int i = 0; i < n; i++) {
    const double angle = 2 * pi * i / n;
    const double x = std::round(radius * std::cos(angle)) + pSequence->Next(3) - 1;
    const double y = std::round(radius * std::sin(angle)) + pSequence->Next(3) - 1;
    const double z = std::round(tilt * std::cos(angle + 1)) + pSequence->Next(3) - 1;
    ring.push_back({centre[0] + x, centre[1] + y, centre[2] + z});
  }
  return ring;
}

void ExpectBoundHolds(std::span<const Point> border, std::span<const Triangle> faces,
                      const std::array<int, 3>& target, int* pFinite)
{
  const double bound = CProgressiveVertexRecord::RoundedBound(border, faces, target);
  if (!std::isfinite(bound))
    return;
  (*pFinite)++;
  const std::array<int, 3> rounded = CProgressiveVertexRecord::PredictRounded(border, faces, target);
  EXPECT_LE(Length(rounded), bound) << "target " << target[0] << " " << target[1] << " " << target[2];
}

TEST(ProgressiveResidualBound, NeverBelowTheRoundedTripleOnRingsOfEveryPattern)
{
  CSequence sequence;
  int finite = 0;
  int total = 0;
  for (int valence = 3; valence <= 6; valence++)
    for (int tagPair = 0; tagPair < 4; tagPair++) {
      const auto& faces = CProgressivePattern::Get(valence, tagPair).GetFaces();
      for (int trial = 0; trial < 60; trial++) {
        const int radius = 1 + sequence.Next(trial % 3 == 0 ? 4 : 400);
        const int tilt = sequence.Next(2 * radius + 1) - radius;
        // Near the origin and near the far end of a 15-bit grid.
        const Point centre{static_cast<double>(sequence.Next(32000)),
                           static_cast<double>(sequence.Next(32000)),
                           static_cast<double>(sequence.Next(32000))};
        const std::vector<Point> border = Ring(&sequence, valence, radius, tilt, centre);
        for (int t = 0; t < 8; t++) {
          // Targets from on the centroid to several ring radii away.
          const int reach = 1 + radius * (t % 4);
          std::array<int, 3> target{};
          for (int k = 0; k < 3; k++)
            target[static_cast<size_t>(k)] = static_cast<int>(centre[static_cast<size_t>(k)]) +
                                             sequence.Next(2 * reach + 1) - reach;
          ExpectBoundHolds(border, faces, target, &finite);
          total++;
        }
      }
    }
  // Ordinary rings are bounded: the encoder's shortcut applies to them.
  EXPECT_GT(finite, total * 9 / 10);
}

TEST(ProgressiveResidualBound, BordersWhoseFrameMayTurnAreUnbounded)
{
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  const std::vector<Triangle> fan{{0, 1, 2}, {0, 2, 3}};
  const std::array<int, 3> target{0, 0, 1};
  // First and last vertex apart along the normal only: the tangent is what rounding leaves.
  const std::vector<Point> alongNormal{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 5}};
  const std::vector<Triangle> flat{{0, 1, 2}};
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound(alongNormal, flat, target), kInfinity);
  // Collinear border: no normal.
  const std::vector<Point> line{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound(line, fan, target), kInfinity);
  // First and last the same point.
  const std::vector<Point> closed{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 0}};
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound(closed, fan, target), kInfinity);
  // Nothing to build a frame from.
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound({}, fan, target), kInfinity);
  // Faces that name no border vertex leave the normal null.
  const std::vector<Point> square{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
  const std::vector<Triangle> outside{{4, 5, 6}};
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound(square, outside, target), kInfinity);
}

TEST(ProgressiveResidualBound, ThreeTimesTheOffsetFromTheCentroidAndARoundingUnit)
{
  const std::vector<Point> square{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
  const std::vector<Triangle> fan{{0, 1, 2}, {0, 2, 3}};
  // The centroid is (5, 5, 0).
  EXPECT_DOUBLE_EQ(CProgressiveVertexRecord::RoundedBound(square, fan, {5, 5, 0}), 1.5);
  EXPECT_DOUBLE_EQ(CProgressiveVertexRecord::RoundedBound(square, fan, {5, 9, 3}), 16.5);
  // Only the first six border vertices and four faces make the frame, as in a record.
  std::vector<Point> long_border = square;
  long_border.insert(long_border.end(), {{0, 5, 0}, {0, 2, 0}, {500, 500, 500}});
  const double cut = CProgressiveVertexRecord::RoundedBound(long_border, fan, {5, 5, 0});
  EXPECT_LT(cut, 10);
}

} // namespace

namespace {

// The faces a record keeps make the bound: a face naming a vertex off the border (or a negative
// one) is skipped, and only the first four that name the border count.
TEST(ProgressiveResidualBound, OnlyTheFacesARecordKeepsMakeTheNormal)
{
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  // First and last vertex differ along x: a normal along x leaves the tangent null, one along z
  // does not.
  const std::vector<Point> border{{0, 0, 0}, {0, 10, 0}, {0, 0, 10}, {10, 0, 0}};
  const Triangle alongX{0, 1, 2};
  const Triangle alongZ{0, 1, 3};
  const std::array<int, 3> target{3, 3, 3};
  const double bounded = CProgressiveVertexRecord::RoundedBound(border, std::vector<Triangle>{alongZ}, target);
  ASSERT_LT(bounded, kInfinity);
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound(border, std::vector<Triangle>{alongX}, target), kInfinity);
  // Skipped faces around the one kept.
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound(
                border, std::vector<Triangle>{{0, 4, 1}, alongZ, {-1, 0, 1}}, target),
            bounded);
  // Five faces naming the border: the fifth, which would turn the normal off x, is cut.
  const std::vector<Triangle> five{alongX, alongX, alongX, alongX, alongZ};
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound(border, five, target), kInfinity);
  // A skipped face among the first four lets the fifth in.
  const std::vector<Triangle> pushed{alongX, {0, 1, 9}, alongX, alongX, alongZ, alongZ};
  EXPECT_EQ(CProgressiveVertexRecord::RoundedBound(border, pushed, target), bounded);
}

} // namespace
