// Two reconstructions worked out side by side must give, lane by lane, what one reconstruction
// gives: the decoded positions depend on every rounding of the frame.
#include "compression/ProgressiveVertexRecord.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <random>
#include <span>
#include <vector>

namespace {

using Point = CProgressiveVertexRecord::Point;
using Triangle = CProgressiveVertexRecord::Triangle;

struct SCase
{
  std::array<int, 3> abc;
  std::vector<Point> border;
  std::vector<Triangle> faces;

  CProgressiveVertexRecord::SReconstruction View() const { return {abc, border, faces}; }
  std::array<int, 3> Single() const { return CProgressiveVertexRecord::Reconstruct(abc, border, faces); }
};

// A fan of the border around its first vertex, as the patterns triangulate.
std::vector<Triangle> Fan(int n)
{
  std::vector<Triangle> faces;
  for (int i = 1; i + 1 < n; i++)
    faces.push_back({0, i, i + 1});
  return faces;
}

// A border of 3 to 6 grid points near a ring of the given radius, in a random plane.
SCase RandomCase(std::mt19937* pRandom, double radius)
{
  std::uniform_int_distribution<int> size(3, 6);
  std::uniform_int_distribution<int> residual(-40, 40);
  std::uniform_real_distribution<double> unit(-1, 1);
  SCase c;
  const int n = size(*pRandom);
  const Point centre{std::round(1000 * unit(*pRandom)), std::round(1000 * unit(*pRandom)),
                     std::round(1000 * unit(*pRandom))};
  for (int i = 0; i < n; i++) {
    const double angle = 6.283185307179586 * i / n;
    c.border.push_back({std::round(centre[0] + radius * std::cos(angle)),
                        std::round(centre[1] + radius * std::sin(angle)),
                        std::round(centre[2] + radius * unit(*pRandom) / 3)});
  }
  c.faces = Fan(n);
  c.abc = {residual(*pRandom), residual(*pRandom), residual(*pRandom)};
  return c;
}

void ExpectPairAsSingles(const SCase& a, const SCase& b)
{
  const auto pair = CProgressiveVertexRecord::ReconstructPair({a.View(), b.View()});
  EXPECT_EQ(pair[0], a.Single());
  EXPECT_EQ(pair[1], b.Single());
}

TEST(ProgressiveReplayPairTest, RandomBordersGiveTheSinglePositions)
{
  std::mt19937 random(31);
  for (int i = 0; i < 3000; i++) {
    // Small rings make the rounding of every step count; large ones make big coordinates.
    const double radius = i % 3 == 0 ? 2 : i % 3 == 1 ? 15 : 400;
    const SCase a = RandomCase(&random, radius);
    const SCase b = RandomCase(&random, radius);
    ExpectPairAsSingles(a, b);
    if (HasFailure())
      FAIL() << "case " << i;
  }
}

TEST(ProgressiveReplayPairTest, DegenerateFramesInEitherLane)
{
  std::mt19937 random(7);
  const SCase plain = RandomCase(&random, 20);
  // All border points equal: no normal, the fixed axes.
  const SCase point{{3, -2, 5}, {{4, 4, 4}, {4, 4, 4}, {4, 4, 4}}, Fan(3)};
  // Collinear: the faces' normal is null.
  const SCase line{{1, 1, 1}, {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}, {15, 0, 0}}, Fan(4)};
  // First and last border points project to one point: the first tangent is null.
  const SCase closed{{2, 0, -1}, {{7, 1, 0}, {9, 5, 0}, {7, 1, 0}}, Fan(3)};
  // No border at all, and faces naming vertices that do not exist.
  const SCase empty{{6, 7, 8}, {}, {}};
  const SCase outside{{1, 2, 3}, {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, {{0, 1, 7}, {0, 1, 2}}};
  // More than six border points: the border is cut as a record cuts it.
  SCase longer = RandomCase(&random, 30);
  for (int i = 0; i < 3; i++)
    longer.border.push_back({static_cast<double>(100 * i), 3, -7});
  for (const SCase* odd : std::vector<const SCase*>{&point, &line, &closed, &empty, &outside, &longer}) {
    ExpectPairAsSingles(plain, *odd);
    ExpectPairAsSingles(*odd, plain);
    ExpectPairAsSingles(*odd, *odd);
  }
}

// Four side by side, two pairs: each lane as the single call, whichever lane is odd.
void ExpectQuadAsSingles(const std::array<const SCase*, 4>& cases)
{
  const auto quad = CProgressiveVertexRecord::ReconstructQuad(
      {cases[0]->View(), cases[1]->View(), cases[2]->View(), cases[3]->View()});
  for (size_t lane = 0; lane < 4; lane++)
    EXPECT_EQ(quad[lane], cases[lane]->Single()) << "lane " << lane;
}

TEST(ProgressiveReplayPairTest, FourAtOnceGiveTheSinglePositions)
{
  std::mt19937 random(43);
  for (int i = 0; i < 1500; i++) {
    const double radius = i % 3 == 0 ? 2 : i % 3 == 1 ? 15 : 400;
    std::array<SCase, 4> cases;
    for (SCase& c : cases)
      c = RandomCase(&random, radius);
    ExpectQuadAsSingles({&cases[0], &cases[1], &cases[2], &cases[3]});
    if (HasFailure())
      FAIL() << "case " << i;
  }
  // A degenerate frame in any one lane sends its pair, and only the single call's answers
  // come out.
  const SCase plain = RandomCase(&random, 20);
  const SCase other = RandomCase(&random, 300);
  const SCase line{{1, 1, 1}, {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}, {15, 0, 0}}, Fan(4)};
  const SCase empty{{6, 7, 8}, {}, {}};
  // A null first tangent, after the normal came out whole; a single point, null at once.
  const SCase closed{{2, 0, -1}, {{7, 1, 0}, {9, 5, 0}, {7, 1, 0}}, Fan(3)};
  const SCase point{{3, -2, 5}, {{4, 4, 4}, {4, 4, 4}, {4, 4, 4}}, Fan(3)};
  for (const SCase* odd : {&line, &empty, &closed, &point})
    for (size_t at = 0; at < 4; at++) {
      std::array<const SCase*, 4> cases{&plain, &other, &other, &plain};
      cases[at] = odd;
      ExpectQuadAsSingles(cases);
    }
}

// Borders longer than a record holds are cut, and faces naming no border vertex dropped, in
// each lane of four as in the single call, beside lanes taken whole.
TEST(ProgressiveReplayPairTest, FourAtOnceCutBordersAndDropFacesAsTheSingleCall)
{
  std::mt19937 random(59);
  for (int i = 0; i < 200; i++) {
    std::array<SCase, 4> cases;
    for (SCase& c : cases)
      c = RandomCase(&random, i % 2 ? 3 : 60);
    const size_t odd = static_cast<size_t>(i % 4);
    if (i % 3 == 0) {
      for (int k = 0; k < 3; k++)
        cases[odd].border.push_back({static_cast<double>(50 * k + i), -4, static_cast<double>(k)});
      cases[odd].faces = Fan(static_cast<int>(cases[odd].border.size()));
    } else {
      // One face past the border, and more faces than a record keeps.
      cases[odd].faces.insert(cases[odd].faces.begin() + i % 2, Triangle{0, 1, 8});
      cases[odd].faces.push_back({0, 1, 2});
      cases[odd].faces.push_back({1, 2, 0});
    }
    ExpectQuadAsSingles({&cases[0], &cases[1], &cases[2], &cases[3]});
    if (HasFailure())
      FAIL() << "case " << i;
  }
}

TEST(ProgressiveReplayPairTest, ResidualsMoveThePositionAlongTheFrame)
{
  // A flat square border in z = 0 around the origin: a pure normal residual moves the point
  // along z only, by its own length; the two lanes do not mix.
  const std::vector<Point> square{{-10, -10, 0}, {10, -10, 0}, {10, 10, 0}, {-10, 10, 0}};
  const SCase up{{0, 0, 7}, square, Fan(4)};
  const SCase down{{0, 0, -3}, square, Fan(4)};
  const auto pair = CProgressiveVertexRecord::ReconstructPair({up.View(), down.View()});
  EXPECT_EQ(pair[0][0], 0);
  EXPECT_EQ(pair[0][1], 0);
  EXPECT_EQ(std::abs(pair[0][2]), 7);
  EXPECT_EQ(pair[1][2], -pair[0][2] * 3 / 7);
}

} // namespace
