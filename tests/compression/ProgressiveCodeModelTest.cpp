// The frequency models under the progressive codes and geometry rescale eight symbols a
// vector and the rest one at a time: their intervals must stay those of the plain rules,
// whatever the alphabet's size, as every stream of every codec depends on them.
#include "coding/FrequencyModel.h"
#include "coding/RangeReference.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Every interval of the model against the reference after each update, through many rescales;
// `skew` draws mostly low symbols, as the codes' null patches come most often.
void ExpectSameIntervals(int m, const std::vector<int>& table, bool decoder, int skew)
{
  CFrequencyModel model;
  ASSERT_EQ(1, model.Initialise(m, table.empty() ? nullptr : table.data(), decoder));
  CReferenceModel reference(m, table);
  std::mt19937 random(static_cast<unsigned>(m * 31 + skew));
  for (int step = 0; step < 3000; step++) {
    int s = static_cast<int>(random() % static_cast<unsigned>(m));
    for (int k = 0; k < skew && s > 0; k++)
      s = static_cast<int>(random() % static_cast<unsigned>(s + 1));
    ASSERT_EQ(1, model.Update(s));
    reference.Count(s);
    for (int i = 0; i < m; i++)
      ASSERT_EQ(static_cast<int>(model.GetCumulative(i)), reference.Low(i))
          << "m " << m << " step " << step << " symbol " << i;
    ASSERT_EQ(static_cast<unsigned>(CFrequencyModel::Total), model.GetCumulative(m));
  }
}

} // namespace

TEST(ProgressiveCodeModel, VectoredAndPlainRescalesMatchTheReference)
{
  // 7 one at a time alone, 8 (the codes' alphabet with its end symbol) and 16 by vectors
  // alone, the others both ways; 433 as large as a layer's geometry alphabets.
  for (int m : {7, 8, 9, 16, 23, 40, 433})
    for (bool decoder : {false, true})
      for (int skew : {0, 3}) {
        SCOPED_TRACE(m);
        ExpectSameIntervals(m, {}, decoder, skew);
      }
}

TEST(ProgressiveCodeModel, SkewedStartsRescaleAsTheReference)
{
  // One symbol holding almost the whole total, the others the least frequency each.
  std::vector<int> table(8, 1);
  table[2] = 4096 - 7;
  ExpectSameIntervals(8, table, true, 0);
  std::vector<int> wide(16, 200);
  wide[15] = 4096 - 15 * 200;
  ExpectSameIntervals(16, wide, false, 2);
}
