#include "compression/Quantizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

std::vector<float> Ramp(int n, float from, float step)
{
  std::vector<float> values;
  for (int i = 0; i < n; i++)
    values.push_back(from + step * static_cast<float>(i * i % 7) + 0.013f * i);
  return values;
}

TEST(Quantizer, ErrorIsBoundedByHalfAStepAndLevelsAreFew)
{
  for (const int bits : {1, 3, 8, 12}) {
    std::vector<float> values = Ramp(200, -2.5f, 0.37f);
    const std::vector<float> original = values;
    float min = 0.0f;
    float max = 0.0f;
    CQuantizer::GetRange(values.data(), 200, &min, &max);
    ASSERT_EQ(CQuantizer::Quantize(bits, values.data(), 200), 1);
    const double step = (max - min) / (std::pow(2.0, bits) - 1.0);
    std::set<float> levels;
    for (size_t i = 0; i < values.size(); i++) {
      EXPECT_LE(std::fabs(values[i] - original[i]), step / 2 + 1e-5) << bits << " bits";
      EXPECT_GE(values[i], min - 1e-5f);
      EXPECT_LE(values[i], max + 1e-5f);
      levels.insert(values[i]);
    }
    EXPECT_LE(levels.size(), size_t(1) << bits);
  }
}

TEST(Quantizer, RefusesWhatItCannotQuantize)
{
  std::vector<float> one{1.5f};
  EXPECT_EQ(CQuantizer::Quantize(8, one.data(), 1), 0);
  std::vector<float> flat{2.0f, 2.0f, 2.0f};
  EXPECT_EQ(CQuantizer::Quantize(8, flat.data(), 3), 0);
  EXPECT_EQ(flat, (std::vector<float>{2.0f, 2.0f, 2.0f}));
  std::vector<float> values{0.1f, 0.7f, 0.3f};
  const std::vector<float> original = values;
  EXPECT_EQ(CQuantizer::Quantize(0, values.data(), 3), 0);
  EXPECT_EQ(CQuantizer::Quantize(64, values.data(), 3), 0);
  EXPECT_EQ(CQuantizer::QuantizeDelta(0, values.data(), 3), 0);
  EXPECT_EQ(CQuantizer::QuantizeDelta(8, values.data(), 2), 0);
  EXPECT_EQ(values, original);
}

TEST(Quantizer, TwoLevelsGoToTheEnds)
{
  std::vector<float> values{0.0f, 0.4f, 0.5f, 0.6f, 1.0f};
  ASSERT_EQ(CQuantizer::Quantize(1, values.data(), 5), 1);
  // An exact half goes down.
  EXPECT_EQ(values, (std::vector<float>{0.0f, 0.0f, 0.0f, 1.0f, 1.0f}));
}

TEST(Quantizer, DeltaIsClosedLoopAndKeepsTheFirstValue)
{
  std::vector<float> values = Ramp(100, 1.0f, 0.21f);
  const std::vector<float> original = values;
  ASSERT_EQ(CQuantizer::QuantizeDelta(10, values.data(), 100), 1);
  EXPECT_EQ(values[0], original[0]);
  double dmin = 1e30;
  double dmax = -1e30;
  for (size_t i = 1; i < original.size(); i++) {
    dmin = std::fmin(dmin, original[i] - original[i - 1]);
    dmax = std::fmax(dmax, original[i] - original[i - 1]);
  }
  // The prediction follows the rebuilt values, so errors do not add up along the buffer.
  const double step = (dmax - dmin) / 1023.0;
  for (size_t i = 1; i < values.size(); i++)
    EXPECT_LE(std::fabs(values[i] - original[i]), step / 2 + 1e-4) << i;

  std::vector<float> constant{1.0f, 1.5f, 2.0f, 2.5f};
  const std::vector<float> kept = constant;
  EXPECT_EQ(CQuantizer::QuantizeDelta(4, constant.data(), 4), 1);
  EXPECT_EQ(constant, kept);
}

TEST(Quantizer, RangesAndRescale)
{
  const std::vector<float> values{-3.0f, 1.0f, 2.0f};
  float lo = 0.0f;
  float hi = 0.0f;
  CQuantizer::GetRange(values.data(), 3, &lo, &hi);
  EXPECT_EQ(lo, -3.0f);
  EXPECT_EQ(hi, 2.0f);
  CQuantizer::GetRangeAbs(values.data(), 3, &lo, &hi);
  EXPECT_EQ(lo, 1.0f);
  EXPECT_EQ(hi, 3.0f);
  CQuantizer::GetRange(values.data(), 0, &lo, &hi);
  EXPECT_EQ(lo, 0.0f);
  EXPECT_EQ(hi, 0.0f);
  std::vector<float> mapped = values;
  CQuantizer::Rescale(mapped.data(), 3, -3.0, 2.0, 0.0, 10.0);
  EXPECT_EQ(mapped, (std::vector<float>{0.0f, 8.0f, 10.0f}));
}

TEST(Quantizer, SuccessiveApproximationBitsAndSigns)
{
  const std::vector<float> values{0.0f, -4.0f, 3.0f, 1.0f};
  const auto rows = CQuantizer::SuccessiveQuantization(4, values.data(), 4);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<int>{0, 0, 0, 0, 1})); // zero: no bit, sign 1
  EXPECT_EQ(rows[1], (std::vector<int>{1, 1, 1, 1, 0})); // -max: sign 0
  // 3 against 2, then 1 against 1 (not above), 1 against 0.5, 0.5 against 0.25.
  EXPECT_EQ(rows[2], (std::vector<int>{1, 0, 1, 1, 1}));
  EXPECT_EQ(rows[3], (std::vector<int>{0, 0, 1, 1, 1}));

  std::vector<float> rebuilt(4);
  CQuantizer::RebuildSuccessiveQuantization(rebuilt.data(), rows, 4, values.data(), 4);
  EXPECT_EQ(rebuilt[0], 0.0f);
  EXPECT_FLOAT_EQ(rebuilt[1], 3.75f + 0.125f);
  EXPECT_FLOAT_EQ(rebuilt[2], 2.75f + 0.125f);
  for (size_t i = 1; i < values.size(); i++)
    EXPECT_LE(std::fabs(rebuilt[i] - std::fabs(values[i])), 4.0 / 16);
}

} // namespace
