#include "compression/ProgressivePattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <vector>

namespace {

using Step = CProgressivePattern::SStep;

bool Holds(const std::array<int, 3>& t, int from, int to)
{
  for (size_t k = 0; k < 3; k++)
    if (t[k] == from && t[(k + 1) % 3] == to)
      return true;
  return false;
}

void ExpectStep(const Step& step, int triangle, int from, int to, int third, int across)
{
  EXPECT_EQ(step.triangle, triangle);
  EXPECT_EQ(step.from, from);
  EXPECT_EQ(step.to, to);
  EXPECT_EQ(step.third, third);
  EXPECT_EQ(step.across, across);
}

} // namespace

// Every pattern is found whole from the gate: each step's ends are known by then (the gate's
// ends or thirds found before), its triangle holds the edge and its third, the face named across
// was found before and holds the edge the other way, and every triangle comes once.
TEST(ProgressivePatternTest, StepsReachEveryTriangleFromTheGate)
{
  for (int valence = 3; valence <= 6; valence++)
    for (int tagPair = 0; tagPair < 4; tagPair++) {
      SCOPED_TRACE(testing::Message() << "valence " << valence << " tag pair " << tagPair);
      const CProgressivePattern& pattern = CProgressivePattern::Get(valence, tagPair);
      const auto& faces = pattern.GetFaces();
      const auto& steps = pattern.GetSteps();
      ASSERT_EQ(steps.size(), faces.size());
      std::vector<bool> known(static_cast<size_t>(valence), false);
      known[0] = true;
      known[static_cast<size_t>(valence - 1)] = true;
      std::vector<int> seen;
      for (const Step& s : steps) {
        ASSERT_TRUE(s.triangle >= 0 && s.triangle < static_cast<int>(faces.size()));
        EXPECT_TRUE(known[static_cast<size_t>(s.from)] && known[static_cast<size_t>(s.to)]);
        const auto& t = faces[static_cast<size_t>(s.triangle)];
        EXPECT_TRUE(Holds(t, s.from, s.to));
        EXPECT_TRUE(Holds(t, s.to, s.third));
        if (s.across >= 0) {
          EXPECT_NE(std::find(seen.begin(), seen.end(), s.across), seen.end());
          EXPECT_TRUE(Holds(faces[static_cast<size_t>(s.across)], s.to, s.from));
        }
        EXPECT_EQ(s.across == CProgressivePattern::kAcrossGate, s.from == valence - 1 && s.to == 0);
        EXPECT_EQ(std::find(seen.begin(), seen.end(), s.triangle), seen.end());
        seen.push_back(s.triangle);
        known[static_cast<size_t>(s.third)] = true;
      }
      EXPECT_EQ(steps.front().across, CProgressivePattern::kAcrossGate);
      const auto& border = pattern.GetBorderTriangles();
      ASSERT_EQ(border.size(), static_cast<size_t>(valence - 1));
      for (int i = 0; i + 1 < valence; i++) {
        ASSERT_GE(border[static_cast<size_t>(i)], 0);
        EXPECT_TRUE(Holds(faces[static_cast<size_t>(border[static_cast<size_t>(i)])], i, i + 1));
      }
    }
}

// A pattern's diagonals are its inner edges, each once, in the order of the faces that first
// hold them: never a border edge, each shared by exactly two of the faces.
TEST(ProgressivePatternTest, DiagonalsAreTheInnerEdgesInFaceOrder)
{
  for (int valence = 3; valence <= 6; valence++)
    for (int tagPair = 0; tagPair < 4; tagPair++) {
      SCOPED_TRACE(testing::Message() << "valence " << valence << " tag pair " << tagPair);
      const CProgressivePattern& pattern = CProgressivePattern::Get(valence, tagPair);
      const auto& faces = pattern.GetFaces();
      const auto& diagonals = pattern.GetDiagonals();
      ASSERT_EQ(diagonals.size(), static_cast<size_t>(valence - 3));
      size_t firstFace = 0;
      for (size_t k = 0; k < diagonals.size(); k++) {
        const int p = diagonals[k][0];
        const int q = diagonals[k][1];
        const int d = std::abs(p - q);
        EXPECT_TRUE(d > 1 && d < valence - 1) << p << "-" << q;
        size_t holders = 0;
        size_t first = faces.size();
        for (size_t f = 0; f < faces.size(); f++)
          if (Holds(faces[f], p, q) || Holds(faces[f], q, p)) {
            holders++;
            first = std::min(first, f);
          }
        EXPECT_EQ(holders, 2u) << p << "-" << q;
        // Entered in the direction of the first face that holds it.
        EXPECT_TRUE(Holds(faces[first], p, q)) << p << "-" << q;
        EXPECT_GE(first, firstFace);
        firstFace = first;
        for (size_t j = 0; j < k; j++)
          EXPECT_FALSE((diagonals[j][0] == p && diagonals[j][1] == q) ||
                       (diagonals[j][0] == q && diagonals[j][1] == p));
      }
    }
  // Valence 6, tag pair 1 (0-4-5, 0-2-4, 0-1-2, 2-3-4): the first face brings 0-4, the centre
  // triangle the other two.
  EXPECT_EQ(CProgressivePattern::Get(6, 1).GetDiagonals(),
            (std::vector<std::array<int, 2>>{{{0, 4}}, {{0, 2}}, {{2, 4}}}));
}

// The fan of valence 6 (tag pair 1: 0-4-5, 0-2-4, 0-1-2, 2-3-4) is found in triangle order,
// each across the gate or the fan's centre triangle 0-2-4, whose inner edges every other
// triangle shares.
TEST(ProgressivePatternTest, ValenceSixFanOrder)
{
  const auto& pattern = CProgressivePattern::Get(6, 1);
  const auto& steps = pattern.GetSteps();
  ASSERT_EQ(steps.size(), 4u);
  ExpectStep(steps[0], 0, 5, 0, 4, CProgressivePattern::kAcrossGate);
  ExpectStep(steps[1], 1, 4, 0, 2, 0);
  ExpectStep(steps[2], 2, 2, 0, 1, 1);
  ExpectStep(steps[3], 3, 4, 2, 3, 1);
  EXPECT_EQ(pattern.GetBorderTriangles(), (std::vector<int>{2, 2, 3, 3, 0}));
}

// Valence 5, tag pair 0 (0-1-4, 1-3-4, 1-2-3): a chain, each triangle across the one before;
// the last border vertex known is the middle one, 2.
TEST(ProgressivePatternTest, ValenceFiveChainOrder)
{
  const auto& pattern = CProgressivePattern::Get(5, 0);
  const auto& steps = pattern.GetSteps();
  ASSERT_EQ(steps.size(), 3u);
  ExpectStep(steps[0], 0, 4, 0, 1, CProgressivePattern::kAcrossGate);
  ExpectStep(steps[1], 1, 4, 1, 3, 0);
  ExpectStep(steps[2], 2, 3, 1, 2, 1);
  EXPECT_EQ(pattern.GetBorderTriangles(), (std::vector<int>{0, 2, 2, 1}));
}
