#include "compression/Quantizer.h"

#include "mesh/GeometryUtil.h"

#include <cmath>

namespace {
double Levels(int bits)
{
  return static_cast<double>(static_cast<long long>(std::pow(2.0, bits)));
}
} // namespace

int CQuantizer::Quantize(int bits, float* values, int n)
{
  if (n < 2 || bits < 1 || bits > MaxBits)
    return 0;
  float min = 0.0f;
  float max = 0.0f;
  GetRange(values, n, &min, &max);
  if (!(max > min))
    return 0;
  const double top = Levels(bits) - 1.0;
  Rescale(values, n, min, max, 0.0, top);
  for (int i = 0; i < n; i++)
    values[i] = static_cast<float>(Round(values[i]));
  Rescale(values, n, 0.0, top, min, max);
  return 1;
}

int CQuantizer::QuantizeDelta(int bits, float* values, int n)
{
  if (n < 3 || bits < 1 || bits > MaxBits)
    return 0;
  double dmin = 1.7e308;
  double dmax = -1.7e308;
  for (int i = 1; i < n; i++) {
    const double d = static_cast<double>(values[i]) - values[i - 1];
    dmin = d < dmin ? d : dmin;
    dmax = d > dmax ? d : dmax;
  }
  const double range = dmax - dmin;
  if (!(range > 0.0))
    return 1;
  const double top = Levels(bits) - 1.0;
  float previous = values[0];
  for (int i = 1; i < n; i++) {
    double q = ((static_cast<double>(values[i]) - previous) - dmin) / range * top;
    q = q < 0.0 ? 0.0 : (q > top ? top : q);
    const int k = Round(q);
    previous = static_cast<float>(k / top * range + dmin + previous);
    values[i] = previous;
  }
  return 1;
}

void CQuantizer::GetRange(const float* values, int n, float* pMin, float* pMax)
{
  *pMin = n > 0 ? values[0] : 0.0f;
  *pMax = *pMin;
  for (int i = 1; i < n; i++) {
    *pMin = values[i] < *pMin ? values[i] : *pMin;
    *pMax = values[i] > *pMax ? values[i] : *pMax;
  }
}

void CQuantizer::GetRangeAbs(const float* values, int n, float* pMin, float* pMax)
{
  *pMin = n > 0 ? std::fabs(values[0]) : 0.0f;
  *pMax = *pMin;
  for (int i = 1; i < n; i++) {
    const float a = std::fabs(values[i]);
    *pMin = a < *pMin ? a : *pMin;
    *pMax = a > *pMax ? a : *pMax;
  }
}

void CQuantizer::Rescale(float* values, int n, double a0, double a1, double b0, double b1)
{
  for (int i = 0; i < n; i++)
    values[i] = static_cast<float>((values[i] - a0) / (a1 - a0) * (b1 - b0) + b0);
}

std::vector<std::vector<int>> CQuantizer::SuccessiveQuantization(int bits, const float* values,
                                                                 int n)
{
  float min = 0.0f;
  float max = 0.0f;
  GetRangeAbs(values, n, &min, &max);
  std::vector<std::vector<int>> rows(static_cast<size_t>(n < 0 ? 0 : n),
                                     std::vector<int>(static_cast<size_t>(bits < 0 ? 1 : bits + 1)));
  for (int i = 0; i < n; i++) {
    std::vector<int>& row = rows[static_cast<size_t>(i)];
    row.back() = values[i] >= 0.0f ? 1 : 0;
    double r = std::fabs(static_cast<double>(values[i]));
    double t = max / 2.0;
    for (int k = 0; k < bits; k++) {
      row[static_cast<size_t>(k)] = r > t ? 1 : 0;
      r -= r > t ? t : 0.0;
      t /= 2.0;
    }
  }
  return rows;
}

void CQuantizer::RebuildSuccessiveQuantization(float* out, const std::vector<std::vector<int>>& rows,
                                               int bits, const float* values, int n)
{
  float min = 0.0f;
  float max = 0.0f;
  GetRangeAbs(values, n, &min, &max);
  const size_t count = rows.size() < static_cast<size_t>(n < 0 ? 0 : n) ? rows.size()
                                                                      : static_cast<size_t>(n);
  for (size_t i = 0; i < count; i++) {
    const std::vector<int>& row = rows[i];
    double t = max / 2.0;
    double a = 0.0;
    for (int k = 0; k < bits; k++) {
      if (static_cast<size_t>(k) < row.size() && row[static_cast<size_t>(k)] == 1)
        a += t;
      t /= 2.0;
    }
    out[i] = static_cast<float>(a == 0.0 ? 0.0 : a + t);
  }
}
