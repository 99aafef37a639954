#include "scene/Image2d.h"

#include "platform/core/Random.h"

#include <climits>
#include <cmath>
#include <utility>

int CImage2d::Truncate(double value)
{
  if (!(value > static_cast<double>(INT_MIN)))
    return value < 0 ? INT_MIN : 0;  // NaN fails both comparisons
  if (value >= static_cast<double>(INT_MAX))
    return INT_MAX;
  return static_cast<int>(value);
}

// Pixel by pixel with an image of the same size; p is this image's pixel, q the other's.
template <class Op>
int CImage2d::Combine(const CImage2d& image, const char* error, Op op)
{
  if (!SameSizeAs(image))
    return SetError(error);
  for (size_t i = 0; i < m_Data.size(); i++)
    m_Data[i] = static_cast<float>(op(static_cast<double>(m_Data[i]), static_cast<double>(image.m_Data[i])));
  return 1;
}

int CImage2d::Mult(const CImage2d& image)
{
  return Combine(image, "Mult : invalid sizes\n", [](double p, double q) { return p * q; });
}

int CImage2d::Mult(float factor)
{
  for (float& p : m_Data)
    p = static_cast<float>(static_cast<double>(factor) * p);
  return 1;
}

int CImage2d::Add(const CImage2d& image)
{
  return Combine(image, "Add : invalid sizes\n", [](double p, double q) { return p + q; });
}

int CImage2d::Add(float offset)
{
  for (float& p : m_Data)
    p = static_cast<float>(static_cast<double>(offset) + p);
  return 1;
}

int CImage2d::Substract(const CImage2d& image)
{
  return Combine(image, "Substract : invalid sizes\n", [](double p, double q) { return p - q; });
}

int CImage2d::LogicalAnd(const CImage2d& image)
{
  return Combine(image, "LogicalAnd : invalid source sizes\n",
                 [](double p, double q) { return Truncate(q) != 0 && Truncate(p) != 0 ? 1.0 : 0.0; });
}

int CImage2d::LogicalOr(const CImage2d& image)
{
  return Combine(image, "LogicalOr : invalid sizes\n",
                 [](double p, double q) { return Truncate(q) != 0 || Truncate(p) != 0 ? 1.0 : 0.0; });
}

int CImage2d::LogicalXor(const CImage2d& image)
{
  return Combine(image, "LogicalXor : invalid sizes\n",
                 [](double p, double q) { return static_cast<double>(Truncate(q + p) % 2); });
}

int CImage2d::LogicalNot(const CImage2d& image)
{
  return Combine(image, "LogicalNot : invalid sizes\n",
                 [](double, double q) { return Truncate(q) != 0 ? 0.0 : 1.0; });
}

int CImage2d::LogicalNot()
{
  for (float& p : m_Data)
    p = Truncate(p) != 0 ? 0.0f : 1.0f;
  return 1;
}

int CImage2d::IsEqual(const CImage2d& image) const
{
  return SameSizeAs(image) && m_Data == image.m_Data;
}

int CImage2d::IsBinary() const
{
  for (float p : m_Data)
    if (p != 0.0f && p != 1.0f)
      return 0;
  return 1;
}

double CImage2d::Sum() const
{
  double sum = 0;
  for (float p : m_Data)
    sum += p;
  return sum;
}

double CImage2d::Mean() const
{
  return m_Data.empty() ? 0.0 : Sum() / GetSize();
}

// Standard deviation of the pixels about their mean.
float CImage2d::Deviation() const
{
  if (m_Data.empty())
    return 0.0f;
  const float mean = static_cast<float>(Mean());
  double sum = 0;
  for (float p : m_Data)
    sum += (static_cast<double>(p) - mean) * (static_cast<double>(p) - mean);
  return static_cast<float>(std::sqrt(sum / GetSize()));
}

int CImage2d::Occurrences(float value) const
{
  int count = 0;
  for (float p : m_Data)
    count += p == value;
  return count;
}

namespace {

// The pixel that `better` prefers, from pixel 0 on; ties keep the first.
template <class Better>
float Search(const std::vector<float>& data, float start, Better better)
{
  float best = start;
  for (float p : data)
    if (better(p, best))
      best = p;
  return best;
}

// The same over the pixels of `image` whose mask value is exactly 1.
template <class Better>
float MaskedSearch(const float* image, const float* mask, size_t size, float start, Better better)
{
  float best = start;
  for (size_t i = 0; i < size; i++)
    if (mask[i] == 1.0f && better(image[i], best))
      best = image[i];
  return best;
}

const auto Smaller = [](float a, float b) { return a < b; };
const auto Larger = [](float a, float b) { return a > b; };

} // namespace

float CImage2d::GetMin()
{
  if (m_Data.empty()) {
    SetError("GetMin : empty image\n");
    return 0.0f;
  }
  return Search(m_Data, m_Data[0], Smaller);
}

float CImage2d::GetMax()
{
  if (m_Data.empty()) {
    SetError("GetMax : empty image\n");
    return 0.0f;
  }
  return Search(m_Data, m_Data[0], Larger);
}

// The search starts at 255 and keeps only smaller values, so the answer never exceeds 255.
float CImage2d::GetMin(const CImage2d& image, const CImage2d& mask)
{
  if (!SameSizeAs(image) || !SameSizeAs(mask)) {
    SetError("GetMin : Invalid size image and no binary image");
    return 0.0f;
  }
  return MaskedSearch(image.GetData(), mask.GetData(), m_Data.size(), 255.0f, Smaller);
}

float CImage2d::GetMax(const CImage2d& image, const CImage2d& mask)
{
  if (!SameSizeAs(image) || !SameSizeAs(mask)) {
    SetError("GetMax : Invalid size image and no binary image");
    return 0.0f;
  }
  return MaskedSearch(image.GetData(), mask.GetData(), m_Data.size(), 0.0f, Larger);
}

int CImage2d::Dynamic(float low, float high)
{
  if (low > high)
    return SetError("Dynamic : invalid values");
  if (m_Data.empty())
    return SetError("Dynamic : empty image\n");
  const float min = GetMin();
  const float max = GetMax();
  const double range = static_cast<double>(max) - min;
  if (range == 0) {
    Fill(low);
    return 0;
  }
  for (float& p : m_Data)
    p = static_cast<float>((static_cast<double>(high) - low) * (p - static_cast<double>(min)) / range + low);
  return 1;
}

int CImage2d::AddNoise(float mean, float sigma, float low, float high)
{
  const double scale = platform::RandMax + 1.0;
  for (float& p : m_Data) {
    const double u1 = (platform::Rand() + 1) / scale;
    const double u2 = (platform::Rand() + 1) / scale;
    const double noise = mean + sigma * std::sqrt(-2.0 * std::log(u1)) * std::cos(6.2831855f * u2);
    const float value = static_cast<float>(p + noise);
    p = value > high ? high : (value < low ? low : value);
  }
  return 1;
}

int CImage2d::Translate(const CImage2d& source, int dx, int dy, float value)
{
  if (!SameSizeAs(source))
    return SetError("Translate : invalid sizes\n");
  const std::vector<float> from = source.m_Data;  // the source may be this image
  Fill(0.0f);
  for (int y = 0; y < m_Height; y++)
    for (int x = 0; x < m_Width; x++) {
      const long long tx = static_cast<long long>(x) + dx;
      const long long ty = static_cast<long long>(y) + dy;
      if (from[static_cast<size_t>(y) * m_Width + x] == value && tx >= 0 && ty >= 0 && tx < m_Width && ty < m_Height)
        m_Data[static_cast<size_t>(ty) * m_Width + tx] = value;
    }
  return 1;
}

int CImage2d::MirrorX()
{
  for (int y = 0; y < m_Height; y++)
    for (int x = 0; x < m_Width / 2; x++)
      std::swap(m_Data[static_cast<size_t>(y) * m_Width + x], m_Data[static_cast<size_t>(y) * m_Width + m_Width - 1 - x]);
  return 1;
}

int CImage2d::MirrorY()
{
  for (int y = 0; y < m_Height / 2; y++)
    for (int x = 0; x < m_Width; x++)
      std::swap(m_Data[static_cast<size_t>(y) * m_Width + x], m_Data[static_cast<size_t>(m_Height - 1 - y) * m_Width + x]);
  return 1;
}
