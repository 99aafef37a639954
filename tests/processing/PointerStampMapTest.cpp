#include "processing/PointerStampMap.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// Adds the value under the key; false when the key was already there.
bool Put(CPointerStampMap<int>* pMap, const void* key, int value)
{
  bool added = false;
  int* pValue = pMap->Find(key, &added);
  if (added)
    *pValue = value;
  return added;
}

int Get(CPointerStampMap<int>* pMap, const void* key, bool* pAdded)
{
  return *pMap->Find(key, pAdded);
}
} // namespace

// Neighbouring addresses (as the elements of one pool have) through several growths: each key
// is added once and keeps its own value.
TEST(PointerStampMap, KeepsEveryKeyThroughGrowth)
{
  std::vector<double> elements(5000);
  CPointerStampMap<int> map;
  for (int i = 0; i < 5000; i++)
    ASSERT_TRUE(Put(&map, &elements[i], i)) << i;
  EXPECT_EQ(map.Size(), 5000u);
  EXPECT_GE(map.Capacity(), 2u * 5000u);
  for (int i = 4999; i >= 0; i--) {
    bool added = true;
    ASSERT_EQ(Get(&map, &elements[i], &added), i);
    ASSERT_FALSE(added);
  }
  EXPECT_FALSE(Put(&map, &elements[17], -1));
  EXPECT_EQ(map.Size(), 5000u);
  ASSERT_NE(map.FindExisting(&elements[4321]), nullptr);
  EXPECT_EQ(*map.FindExisting(&elements[4321]), 4321);
  // An address that was never added is not found, and looking does not add it.
  const double outside = 0.0;
  EXPECT_EQ(map.FindExisting(&outside), nullptr);
  EXPECT_EQ(map.Size(), 5000u);
}

// Clearing forgets every entry, and a key added again starts from Value{}, not from what the
// slot held before.
TEST(PointerStampMap, ClearForgetsTheEntriesAndTheirValues)
{
  std::vector<char> elements(100);
  CPointerStampMap<int> map;
  EXPECT_EQ(map.FindExisting(&elements[0]), nullptr);
  for (int round = 0; round < 3; round++) {
    map.Clear();
    EXPECT_EQ(map.Size(), 0u);
    EXPECT_EQ(map.FindExisting(&elements[0]), nullptr);
    for (int i = 0; i < 100; i += 1 + round) {
      bool added = false;
      ASSERT_EQ(Get(&map, &elements[i], &added), 0) << round << " " << i;
      ASSERT_TRUE(added);
      *map.Find(&elements[i], &added) = 1000 * round + i;
    }
    for (int i = 0; i < 100; i += 1 + round) {
      bool added = true;
      ASSERT_EQ(Get(&map, &elements[i], &added), 1000 * round + i);
      ASSERT_FALSE(added);
    }
  }
}

// A small batch after a large one works in a small table again, without losing an entry.
TEST(PointerStampMap, ShrinksAfterALargeBatch)
{
  std::vector<int> elements(20000);
  CPointerStampMap<int> map;
  for (int i = 0; i < 20000; i++)
    Put(&map, &elements[i], i);
  const std::size_t large = map.Capacity();
  map.Clear();
  // The table of the large batch serves the next one.
  EXPECT_EQ(map.Capacity(), large);
  for (int i = 0; i < 10; i++)
    ASSERT_TRUE(Put(&map, &elements[2000 * i], i));
  map.Clear();
  EXPECT_LT(map.Capacity(), large / 8);
  for (int i = 0; i < 10; i++)
    ASSERT_TRUE(Put(&map, &elements[2000 * i + 1], -i));
  for (int i = 0; i < 10; i++) {
    bool added = true;
    ASSERT_EQ(Get(&map, &elements[2000 * i + 1], &added), -i);
    ASSERT_FALSE(added);
    ASSERT_EQ(Get(&map, &elements[2000 * i], &added), 0);
    ASSERT_TRUE(added);
  }
}

// Asking for a key's line ahead, in an empty table or a filled one, present or not, neither
// adds the key nor changes what the table holds.
TEST(PointerStampMap, PrefetchLeavesTheEntriesAsTheyAre)
{
  std::vector<char> elements(200);
  CPointerStampMap<int> map;
  map.Prefetch(&elements[0]);
  EXPECT_EQ(map.Size(), 0u);
  EXPECT_EQ(map.Capacity(), 0u);
  for (int i = 0; i < 100; i++)
    ASSERT_TRUE(Put(&map, &elements[i], i + 1));
  for (int i = 0; i < 200; i++)
    map.Prefetch(&elements[i]);
  EXPECT_EQ(map.Size(), 100u);
  for (int i = 0; i < 200; i++) {
    const int* pValue = map.FindExisting(&elements[i]);
    if (i < 100) {
      ASSERT_NE(pValue, nullptr);
      EXPECT_EQ(*pValue, i + 1);
    } else {
      EXPECT_EQ(pValue, nullptr);
    }
  }
}
