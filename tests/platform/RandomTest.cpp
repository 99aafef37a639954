#include "platform/core/Random.h"

#include <gtest/gtest.h>

namespace {

// The recurrence, computed independently of the implementation.
std::vector<int> Expected(unsigned int seed, int n)
{
  std::vector<int> values;
  unsigned long long state = seed;
  for (int i = 0; i < n; i++) {
    state = (state * 214013ull + 2531011ull) % 4294967296ull;
    values.push_back(static_cast<int>((state / 65536ull) % 32768ull));
  }
  return values;
}

std::vector<int> Draw(int n)
{
  std::vector<int> values;
  for (int i = 0; i < n; i++)
    values.push_back(platform::Rand());
  return values;
}

} // namespace

TEST(Random, SeedOneGivesTheKnownSequence)
{
  platform::Srand(1);
  const std::vector<int> values = Draw(1000);
  EXPECT_EQ(values, Expected(1, 1000));
  // The classic first values of this generator.
  EXPECT_EQ(values[0], 41);
  EXPECT_EQ(values[1], 18467);
  EXPECT_EQ(values[2], 6334);
}

TEST(Random, SeedZeroAndReseedingRestart)
{
  platform::Srand(0);
  EXPECT_EQ(Draw(50), Expected(0, 50));
  platform::Srand(12345);
  const std::vector<int> first = Draw(20);
  platform::Srand(12345);
  EXPECT_EQ(Draw(20), first);
}

TEST(Random, StaysWithinRange)
{
  platform::Srand(7);
  for (int v : Draw(100000)) {
    ASSERT_GE(v, 0);
    ASSERT_LE(v, platform::RandMax);
  }
}
