#include "processing/WavefrontFixtures.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using fixtures::SRedrawCounter;

// Multiples of the period among the counter values a pass of n removals checks: after each
// increase for across, before each increase for along.
std::uint64_t MultiplesAcross(std::uint64_t start, std::uint64_t n, std::uint64_t period)
{
  return (start + n) / period - start / period;
}
std::uint64_t MultiplesAlong(std::uint64_t start, std::uint64_t n, std::uint64_t period)
{
  // Multiples in [start, start + n): ceil((start + n) / period) - ceil(start / period).
  return (start + n + period - 1) / period - (start + period - 1) / period;
}

} // namespace

TEST(WavefrontCounters, RunOnFromOneObjectToTheNext)
{
  // A first command removes vertices without debugging.
  auto large = fixtures::Torus(16);
  CWavefront first;
  first.BuildRibbons(large.get(), 0, 0, 0, 1, 1, 0, nullptr);
  const std::uint64_t acrossBefore = CWavefront::TotalRemovedAcross();
  const std::uint64_t alongBefore = CWavefront::TotalRemovedAlong();
  first.UnmeshAcross(0, 2);
  first.UnmeshAlong(1, 2, 0.5f);
  ASSERT_GT(first.NbRemovedAcross(), 0);
  ASSERT_GT(first.NbRemovedAlong(), 0);
  EXPECT_EQ(CWavefront::TotalRemovedAcross(), acrossBefore + first.NbRemovedAcross());
  EXPECT_EQ(CWavefront::TotalRemovedAlong(), alongBefore + first.NbRemovedAlong());

  // A second, smaller one: its object starts from 0, the program's counters do not.
  auto small = fixtures::Torus(8);
  const auto vertices = static_cast<std::uint64_t>(small->NbVertex());
  const std::uint64_t across = CWavefront::TotalRemovedAcross();
  const std::uint64_t along = CWavefront::TotalRemovedAlong();
  ASSERT_GT(across, vertices);
  // Across repaints when the counter reaches a multiple of its period, first at across + 1;
  // along when the counter it is about to pass is one, and none lies in its whole range.
  const auto periodAcross = static_cast<int>(across + 1);
  const auto periodAlong = static_cast<int>(along + vertices + 1);
  SRedrawCounter redraws;
  CWavefront second;
  second.BuildRibbons(small.get(), 0, 1, 1, periodAlong, periodAcross, 0, SRedrawCounter::View());
  second.UnmeshAcross(0, 2);
  ASSERT_GT(second.NbRemovedAcross(), 0);
  EXPECT_EQ(redraws.count, 1);
  redraws.count = 0;
  second.UnmeshAlong(1, 2, 0.5f);
  ASSERT_GT(second.NbRemovedAlong(), 0);
  EXPECT_EQ(redraws.count, 0);
  EXPECT_EQ(CWavefront::TotalRemovedAcross(), across + second.NbRemovedAcross());
  EXPECT_EQ(CWavefront::TotalRemovedAlong(), along + second.NbRemovedAlong());
}

TEST(WavefrontCounters, RepaintAtEachMultipleTheyReach)
{
  for (const int period : {2, 5, 7}) {
    auto torus = fixtures::Torus(12);
    SRedrawCounter redraws;
    CWavefront wavefront;
    wavefront.BuildRibbons(torus.get(), 0, 1, 1, period, period, 0, SRedrawCounter::View());
    const std::uint64_t across = CWavefront::TotalRemovedAcross();
    wavefront.UnmeshAcross(0, 2);
    EXPECT_EQ(static_cast<std::uint64_t>(redraws.count),
              MultiplesAcross(across, static_cast<std::uint64_t>(wavefront.NbRemovedAcross()),
                              static_cast<std::uint64_t>(period)))
      << period;
    redraws.count = 0;
    const std::uint64_t along = CWavefront::TotalRemovedAlong();
    wavefront.UnmeshAlong(1, 2, 0.5f);
    EXPECT_EQ(static_cast<std::uint64_t>(redraws.count),
              MultiplesAlong(along, static_cast<std::uint64_t>(wavefront.NbRemovedAlong()),
                             static_cast<std::uint64_t>(period)))
      << period;
  }
}
