#include "scene/Image2d.h"

#include <cmath>

int CImage2d::Threshold(float t, float low, float high)
{
  if (low > high)
    return SetError("Threshold : invalid values\n");
  for (float& p : m_Data)
    p = p >= t ? high : low;
  return 1;
}

// Piecewise-constant map: array[k] <= p < array[k + 2] (k even) gives array[k + 1]; a pixel
// in no interval (255 itself, negative values) is unchanged.
int CImage2d::Threshold(const float* array, int n)
{
  if (!array || n < 3 || n % 2 == 0 || array[0] != 0.0f || array[n - 1] != 255.0f)
    return SetError("Threshold : invalid array\n");
  for (float& p : m_Data)
    for (int k = 0; k < n - 2; k += 2)
      if (array[k] <= p && p < array[k + 2]) {
        p = array[k + 1];
        break;
      }
  return 1;
}

int CImage2d::ClampBelow(float t, float value)
{
  for (float& p : m_Data)
    if (p < t)
      p = value;
  return 1;
}

int CImage2d::ClampAbove(float t, float value)
{
  for (float& p : m_Data)
    if (p > t)
      p = value;
  return 1;
}

int CImage2d::Abs()
{
  for (float& p : m_Data)
    p = std::fabs(p);
  return 1;
}

// Two passes in effect: below t becomes 0, then at or above t becomes 255 (so with t <= 0
// every pixel ends at 255).
int CImage2d::Binarize(float t)
{
  for (float& p : m_Data) {
    if (p < t)
      p = 0.0f;
    if (p >= t)
      p = 255.0f;
  }
  return 1;
}

int CImage2d::ApplyMask(const CImage2d& mask)
{
  if (!SameSizeAs(mask))
    return SetError("ApplyMask : invalid sizes\n");
  for (size_t i = 0; i < m_Data.size(); i++)
    if (mask.m_Data[i] == 0.0f)
      m_Data[i] = 0.0f;
  return 1;
}

int CImage2d::ClearGrid(int step)
{
  if (step < 1)
    return SetError("ClearGrid : invalid step\n");
  for (int y = 0; y < m_Height; y += step)
    for (int x = 0; x < m_Width; x += step)
      m_Data[static_cast<size_t>(y) * m_Width + x] = 0.0f;
  return 1;
}

// The right and bottom bands are one pixel wider than the left and top ones.
int CImage2d::SetBorder(int b, float value)
{
  if (b < 0 || b >= m_Width || b >= m_Height)
    return SetError("SetBorder : invalid border\n");
  for (int y = 0; y < m_Height; y++)
    for (int x = 0; x < m_Width; x++)
      if (x < b || x >= m_Width - 1 - b || y < b || y >= m_Height - 1 - b)
        m_Data[static_cast<size_t>(y) * m_Width + x] = value;
  return 1;
}
