#include "scene/Image2d.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double QuarterPi = std::numbers::pi / 4;
constexpr double HalfPi = std::numbers::pi / 2;
constexpr double ThreeQuarterPi = 3 * std::numbers::pi / 4;

float Interpolate(float t, float a, float b)
{
  return (1 - t) * a + t * b;
}

} // namespace

// Edge map: the gradient magnitude kept only where it is a maximum across the gradient
// direction, the neighbours' magnitudes interpolated along that direction.
int CImage2d::Deriche(int b)
{
  CImage2d gx(m_Trace);
  CImage2d gy(m_Trace);
  if (!FilterGradients(gx, gy, 4.0f))
    return 0;
  std::vector<float> magnitude(m_Data.size());
  for (size_t i = 0; i < m_Data.size(); i++)
    magnitude[i] = std::sqrt(gy.m_Data[i] * gy.m_Data[i] + gx.m_Data[i] * gx.m_Data[i]);
  auto M = [&](int x, int y) { return magnitude[static_cast<size_t>(y) * m_Width + x]; };
  CImage2d output(m_Width, m_Height, 0.0, m_Trace);
  for (int y = 1; y < m_Height - 1; y++)
    for (int x = 1; x < m_Width - 1; x++) {
      const float m = M(x, y);
      if (m == 0.0f)
        continue;
      const float dx = gx.GetPixel(x, y);
      const float dy = gy.GetPixel(x, y);
      float a = std::atan2(dy, dx);
      if (a < 0)
        a += static_cast<float>(std::numbers::pi);
      float first, second;
      if (a < QuarterPi) {
        const float t = dy / dx;
        first = Interpolate(t, M(x + 1, y), M(x + 1, y - 1));
        second = Interpolate(t, M(x - 1, y), M(x - 1, y + 1));
      } else if (a < HalfPi) {
        const float t = dx / dy;
        first = Interpolate(t, M(x, y - 1), M(x + 1, y - 1));
        second = Interpolate(t, M(x, y + 1), M(x - 1, y + 1));
      } else if (a < ThreeQuarterPi) {
        const float t = -dx / dy;
        first = Interpolate(t, M(x, y - 1), M(x - 1, y - 1));
        second = Interpolate(t, M(x, y + 1), M(x + 1, y + 1));
      } else {
        const float t = -dy / dx;
        first = Interpolate(t, M(x - 1, y), M(x - 1, y - 1));
        second = Interpolate(t, M(x + 1, y), M(x + 1, y + 1));
      }
      if (m >= first && m > second)
        output.m_Data[static_cast<size_t>(y) * m_Width + x] = m;
    }
  if (b == 0) {
    m_Data.swap(output.m_Data);
    return 1;
  }
  return SubImage(&output, b, b, m_Width - 2 * b, m_Height - 2 * b);
}

// Curvature of the level lines, clamped to [0, 255]; border pixels keep their values.
int CImage2d::Curvature()
{
  std::vector<float> out = m_Data;
  for (int y = 1; y < m_Height - 1; y++)
    for (int x = 1; x < m_Width - 1; x++) {
      const double p = GetPixel(x, y);
      const double fx = (GetPixel(x + 1, y) - static_cast<double>(GetPixel(x - 1, y))) / 2;
      const double fy = (GetPixel(x, y + 1) - static_cast<double>(GetPixel(x, y - 1))) / 2;
      const double fxx = GetPixel(x + 1, y) - 2 * p + GetPixel(x - 1, y);
      const double fyy = GetPixel(x, y + 1) - 2 * p + GetPixel(x, y - 1);
      const double g = fy * fy + fx * fx;
      const double k = g == 0 ? 0.0 : (fx * fyy - fxx * fy) / std::pow(g, 1.5);
      out[static_cast<size_t>(y) * m_Width + x] = k > 255 ? 255.0f : (k >= 0 ? static_cast<float>(k) : 0.0f);
    }
  m_Data.swap(out);
  return 1;
}

int CImage2d::GradientNorm(const CImage2d& source)
{
  if (!SameSizeAs(source))
    return SetError("GradientNorm : invalid sizes\n");
  const CImage2d s(&source, 0);  // the source may be this image
  for (int y = 1; y < m_Height - 1; y++)
    for (int x = 1; x < m_Width - 1; x++) {
      const double dx = static_cast<double>(s.GetPixel(x + 1, y)) - s.GetPixel(x - 1, y);
      const double dy = static_cast<double>(s.GetPixel(x, y + 1)) - s.GetPixel(x, y - 1);
      m_Data[static_cast<size_t>(y) * m_Width + x] = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    }
  return 1;
}

int CImage2d::SecondDerivativeNorm(const CImage2d& source)
{
  if (!SameSizeAs(source))
    return SetError("SecondDerivativeNorm : invalid sizes\n");
  const CImage2d s(&source, 0);
  for (int y = 1; y < m_Height - 1; y++)
    for (int x = 1; x < m_Width - 1; x++) {
      const double p = s.GetPixel(x, y);
      const double a = (static_cast<double>(s.GetPixel(x + 1, y)) + s.GetPixel(x - 1, y)) / 2 - p;
      const double c = (static_cast<double>(s.GetPixel(x, y + 1)) + s.GetPixel(x, y - 1)) / 2 - p;
      m_Data[static_cast<size_t>(y) * m_Width + x] = static_cast<float>(std::sqrt(a * a + c * c));
    }
  return 1;
}

// Local standard deviation in an n x n window; pixels whose window leaves the image get 0.
int CImage2d::Variance(int n)
{
  if (n < 3 || n % 2 == 0)
    return SetError("Variance : invalid width");
  const CImage2d s(this, 0);
  Fill(0.0f);
  const int r = (n - 1) / 2;
  const double area = static_cast<double>(n) * n;
  for (int y = r; y < m_Height - r; y++)
    for (int x = r; x < m_Width - r; x++) {
      double sum = 0;
      for (int j = -r; j <= r; j++)
        for (int i = -r; i <= r; i++)
          sum += s.GetPixel(x + i, y + j);
      const double mean = sum / area;
      double squares = 0;
      for (int j = -r; j <= r; j++)
        for (int i = -r; i <= r; i++)
          squares += (s.GetPixel(x + i, y + j) - mean) * (s.GetPixel(x + i, y + j) - mean);
      m_Data[static_cast<size_t>(y) * m_Width + x] = static_cast<float>(std::sqrt(squares / area));
    }
  return 1;
}
