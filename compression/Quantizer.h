#pragma once

#include <vector>

// Scalar quantization of caller-owned float buffers, and successive-approximation (bitplane)
// coding of values against thresholds max/2, max/4, ... Arithmetic is done in double.
class CQuantizer
{
public:
  // Snaps the values to 2^bits levels over their range. 0, the buffer untouched, when n < 2,
  // when bits is outside 1 .. MaxBits, or when every value is equal (no range to divide).
  static int Quantize(int bits, float* values, int n);
  // Closed-loop quantization of the steps v[i] - v[i-1] (v[0] kept) on 2^bits levels over
  // their range. 0, the buffer untouched, when n < 3 or bits is outside 1 .. MaxBits; 1 and
  // the buffer untouched for constant steps.
  static int QuantizeDelta(int bits, float* values, int n);
  // Smallest and largest value (of the absolute values); 0 and 0 for an empty buffer.
  static void GetRange(const float* values, int n, float* pMin, float* pMax);
  static void GetRangeAbs(const float* values, int n, float* pMin, float* pMax);
  // Maps [a0, a1] linearly onto [b0, b1]; the caller makes sure a0 != a1.
  static void Rescale(float* values, int n, double a0, double a1, double b0, double b1);
  // One row per value: magnitude bits 0 .. bits-1, most significant first, then the sign
  // word (1 for v >= 0) at index bits.
  static std::vector<std::vector<int>> SuccessiveQuantization(int bits, const float* values,
                                                              int n);
  // Magnitudes of the first n rows back into out, the range taken from the n given values;
  // the sign word is not applied. Rows shorter than bits count as 0 bits beyond their end.
  static void RebuildSuccessiveQuantization(float* out, const std::vector<std::vector<int>>& rows,
                                            int bits, const float* values, int n);

  // Beyond 30 bits the levels no longer fit an int.
  static constexpr int MaxBits = 30;
};
