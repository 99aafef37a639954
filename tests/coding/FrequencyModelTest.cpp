#include "coding/FrequencyModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// The symbol whose interval holds c, found the slow way.
int LinearSearch(const CFrequencyModel& model, unsigned int c)
{
  int s = 0;
  while (model.GetCumulative(s + 1) <= c)
    s++;
  return s;
}

void ExpectSearchMatchesIntervals(const CFrequencyModel& model)
{
  for (unsigned int c = 0; c < CFrequencyModel::Total; c++)
    ASSERT_EQ(model.Search(c), LinearSearch(model, c)) << "c " << c;
}

} // namespace

TEST(FrequencyModel, SearchFindsTheIntervalThroughRescales)
{
  std::mt19937 random(8);
  for (int m : {1, 2, 3, 17, 129, 300, 4096}) {
    CFrequencyModel model;
    ASSERT_EQ(model.Initialise(m, nullptr, true), 1) << m;
    ExpectSearchMatchesIntervals(model);
    for (int i = 0; i < 3000; i++) {
      const int s = random() % 4 ? static_cast<int>(random() % (m < 3 ? m : 3)) : random() % m;
      ASSERT_EQ(model.Update(s), 1);
      if (i % 250 == 0)
        ExpectSearchMatchesIntervals(model);
    }
    unsigned int total = 0;
    for (int s = 0; s < m; s++)
      total += model.GetFrequency(s);
    EXPECT_EQ(total, 4096u);
  }
}

TEST(FrequencyModel, EmptyIntervalsAreNeverFound)
{
  std::vector<int> table = {1000, 0, 0, 2000, 0, 1095, 0, 1};
  CFrequencyModel model;
  ASSERT_EQ(model.Initialise(8, table.data(), true), 1);
  ExpectSearchMatchesIntervals(model);
  EXPECT_EQ(model.GetFrequency(1), 0u);
  EXPECT_EQ(model.Search(999), 0);
  EXPECT_EQ(model.Search(1000), 3);
  // The first full rescale gives every symbol at least 1.
  for (int i = 0; i < 200; i++)
    model.Update(3);
  for (int s = 0; s < 8; s++)
    EXPECT_GE(model.GetFrequency(s), 1u) << s;
  ExpectSearchMatchesIntervals(model);
}

// A large alphabet is searched through slices of the total, each slice's few symbols counted:
// runs of empty intervals inside a slice, across slice edges and up to the end symbol.
TEST(FrequencyModel, SlicedSearchSkipsEmptyIntervals)
{
  std::vector<int> table(40, 0);
  table[0] = 30;   // [0, 30): inside slice 0, then seven empty intervals
  table[8] = 34;   // [30, 64): ends on a slice edge
  table[9] = 1;    // [64, 65)
  table[20] = 2;   // [65, 67) after ten empty ones
  table[21] = 3000;
  table[30] = 1;
  table[38] = 1027;
  table[39] = 1;   // the end symbol, after the last empty one
  CFrequencyModel model;
  ASSERT_EQ(model.Initialise(40, table.data(), true), 1);
  ExpectSearchMatchesIntervals(model);
  EXPECT_EQ(model.Search(29), 0);
  EXPECT_EQ(model.Search(30), 8);
  EXPECT_EQ(model.Search(64), 9);
  EXPECT_EQ(model.Search(65), 20);
  EXPECT_EQ(model.Search(4095), 39);
  std::mt19937 random(3);
  for (int i = 0; i < 2000; i++) {
    ASSERT_EQ(model.Update(random() % 3 ? 21 : static_cast<int>(random() % 40)), 1);
    if (i % 100 == 0)
      ExpectSearchMatchesIntervals(model);
  }
}

// Slices crowded with short intervals are bisected: every bisection step must land on the
// last interval starting at or below c, empty intervals between them included.
TEST(FrequencyModel, CrowdedSlicesAreBisectedPastEmptyIntervals)
{
  std::vector<int> table(200, 0);
  // Symbols 0 .. 99 hold one value each except the even ones from 40 to 58, which are empty;
  // their ten values go to symbol 100. Slices 0 to 3 then hold 22 to 32 starts each.
  int used = 0;
  for (int s = 0; s < 100; s++) {
    table[s] = (s >= 40 && s < 60 && s % 2 == 0) ? 0 : 1;
    used += table[s];
  }
  table[100] = 10;
  table[150] = 4096 - used - 10 - 1;
  table[199] = 1;
  CFrequencyModel model;
  ASSERT_EQ(model.Initialise(200, table.data(), true), 1);
  ExpectSearchMatchesIntervals(model);
  // Values 0 .. 39 are symbols 0 .. 39; then the odd symbols 41 .. 59 hold 40 .. 49.
  EXPECT_EQ(model.Search(0), 0);
  EXPECT_EQ(model.Search(39), 39);
  EXPECT_EQ(model.Search(40), 41);
  EXPECT_EQ(model.Search(49), 59);
  // 60 .. 99 hold 50 .. 89, symbol 100 holds 90 .. 99, and 101 .. 149 are empty.
  EXPECT_EQ(model.Search(50), 60);
  EXPECT_EQ(model.Search(89), 99);
  EXPECT_EQ(model.Search(90), 100);
  EXPECT_EQ(model.Search(99), 100);
  EXPECT_EQ(model.Search(100), 150);
  EXPECT_EQ(model.Search(4095), 199);
  // Updates spread over the crowded symbols keep their intervals short through rescales.
  std::mt19937 random(5);
  for (int i = 0; i < 3000; i++) {
    ASSERT_EQ(model.Update(random() % 2 ? 150 : static_cast<int>(random() % 101)), 1);
    if (i % 150 == 0)
      ExpectSearchMatchesIntervals(model);
  }
}

TEST(FrequencyModel, InvalidStartsAreRefused)
{
  CFrequencyModel model;
  EXPECT_EQ(model.Initialise(0, nullptr, false), 0);
  EXPECT_EQ(model.Initialise(4097, nullptr, false), 0);
  EXPECT_EQ(model.Initialise(4096, nullptr, false), 1);
  const std::vector<int> shortTotal = {1000, 1000, 1};
  EXPECT_EQ(model.Initialise(3, shortTotal.data(), false), 0);
  const std::vector<int> noEnd = {2048, 2048, 0};
  EXPECT_EQ(model.Initialise(3, noEnd.data(), false), 0);
  const std::vector<int> highBits = {0x10000 + 4095, 1}; // only the low 16 bits count
  EXPECT_EQ(model.Initialise(2, highBits.data(), false), 1);
  EXPECT_EQ(model.GetFrequency(0), 4095u);
}

// The decoder's search on the scaled value: the symbol whose interval holds low / help, the
// quotient clamped to the total's last value, whichever way the alphabet is searched (small
// ones count interval starts times help, large ones divide).
TEST(FrequencyModel, ScaledSearchMatchesTheClampedQuotient)
{
  std::mt19937 random(31);
  for (int m : {1, 2, 8, CFrequencyModel::CountedSymbols, CFrequencyModel::CountedSymbols + 1, 300}) {
    CFrequencyModel model;
    ASSERT_EQ(model.Initialise(m, nullptr, true), 1) << m;
    for (int i = 0; i < 2000; i++) {
      ASSERT_EQ(model.Update(random() % 5 ? 0 : static_cast<int>(random() % m)), 1);
      // help as a normalised range gives it: 2^11 .. 2^20 - 1; low up to past 4096 help.
      const std::uint32_t help = (1u << 11) + static_cast<std::uint32_t>(random() % ((1u << 20) - (1u << 11)));
      const std::uint64_t bound = std::min<std::uint64_t>(
          static_cast<std::uint64_t>(help) * (CFrequencyModel::Total + 8), 0xFFFFFFFFu);
      const auto low = static_cast<std::uint32_t>(random() % bound);
      const std::uint32_t quotient = std::min<std::uint32_t>(low / help, CFrequencyModel::Total - 1);
      const int s = model.SearchScaled(low, help);
      ASSERT_EQ(s, LinearSearch(model, quotient)) << "m " << m << " low " << low << " help " << help;
      // The exact edges: an interval's first value belongs to it, the value before does not.
      const std::uint32_t start = model.GetCumulative(s) * help;
      ASSERT_EQ(model.SearchScaled(start, help), LinearSearch(model, model.GetCumulative(s)));
      if (start > 0) {
        ASSERT_EQ(model.SearchScaled(start - 1, help), LinearSearch(model, model.GetCumulative(s) - 1));
      }
    }
  }
}

// A slice's few symbols are counted eight starts at a time where eight follow the slice's
// first symbol, one at a time nearer the end of the table: every alphabet size from the first
// sliced one up, with empty intervals before the end symbol and in the last slices, so that
// the last starts repeat, finds every value's interval either way.
TEST(FrequencyModel, SlicedSearchCountsEightStartsOrTheTableEnd)
{
  std::mt19937 random(17);
  for (int m = CFrequencyModel::CountedSymbols + 1; m <= CFrequencyModel::CountedSymbols + 24; m++) {
    SCOPED_TRACE(testing::Message() << "m " << m);
    // Most of the total on symbol 0, the rest spread over a few symbols near the end, the
    // others empty: the last slices hold runs of equal starts.
    std::vector<int> table(static_cast<size_t>(m), 0);
    int used = 0;
    for (int s = m - 9; s < m; s++)
      if (s > 0 && random() % 2) {
        table[static_cast<size_t>(s)] = 1 + static_cast<int>(random() % 40);
        used += table[static_cast<size_t>(s)];
      }
    if (table.back() == 0) {
      table.back() = 1;
      used++;
    }
    table[0] = CFrequencyModel::Total - used;
    CFrequencyModel model;
    ASSERT_EQ(model.Initialise(m, table.data(), true), 1);
    ExpectSearchMatchesIntervals(model);
    EXPECT_EQ(model.Search(CFrequencyModel::Total - 1), m - 1);
    // Rescales give every symbol a frequency: the starts rise through the end again.
    for (int i = 0; i < 600; i++)
      ASSERT_EQ(model.Update(random() % 4 ? 0 : m - 1 - static_cast<int>(random() % 8)), 1);
    ExpectSearchMatchesIntervals(model);
  }
}

// Runs of updates given at once up to the next rescale, against one Update per symbol: the same
// intervals after every window and the same updates left, through both stages of the rescale
// interval; the table is read in place throughout.
TEST(FrequencyModel, RunsGivenAtOnceMatchOneAtATime)
{
  std::mt19937 random(21);
  for (int m : {1, 2, 7, 300, 4096}) {
    CFrequencyModel runs;
    CFrequencyModel single;
    ASSERT_EQ(runs.Initialise(m, nullptr, false), 1) << m;
    ASSERT_EQ(single.Initialise(m, nullptr, false), 1) << m;
    const std::uint16_t* const table = runs.GetCumulativeTable();
    int rescales = 0;
    for (int round = 0; round < 400; round++) {
      ASSERT_EQ(runs.GetLeft(), single.GetLeft());
      // All the plain updates left, or a part of them, in runs; then the update that rescales.
      const int left = runs.GetLeft();
      int count = round % 3 == 0 ? left : static_cast<int>(random() % (left + 1));
      while (count > 0) {
        const int s = random() % 4 ? static_cast<int>(random() % std::min(m, 3))
                                   : static_cast<int>(random() % m);
        const int run = 1 + static_cast<int>(random() % count);
        runs.UpdateRun(s, run);
        for (int k = 0; k < run; k++)
          ASSERT_EQ(single.Update(s), 1);
        count -= run;
      }
      if (runs.GetLeft() == 0) {
        const int s = static_cast<int>(random() % m);
        ASSERT_EQ(runs.Update(s), 1);
        ASSERT_EQ(single.Update(s), 1);
        rescales++;
      }
      ASSERT_EQ(runs.GetCumulativeTable(), table);
      for (int s = 0; s <= m; s++)
        ASSERT_EQ(table[s], single.GetCumulative(s)) << "m " << m << " symbol " << s;
    }
    EXPECT_GT(rescales, 20) << m;
  }
}
