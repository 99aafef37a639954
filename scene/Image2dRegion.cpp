#include "scene/Image2d.h"

namespace {

const int EightNeighbours[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
const int DiagonalNeighbours[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

} // namespace

// Spreads from the pixels on the stack (already marked) into every neighbour that `accept`
// takes, marking it. An explicit stack: a region as large as the image must not exhaust the
// call stack. `mark` must not be accepted.
template <class Accept>
void CImage2d::Flood(std::vector<int>& stack, int nbOffset, const int (*offsets)[2], Accept accept, float mark)
{
  while (!stack.empty()) {
    const int index = stack.back();
    stack.pop_back();
    const int x = index % m_Width;
    const int y = index / m_Width;
    for (int k = 0; k < nbOffset; k++) {
      const int nx = x + offsets[k][0];
      const int ny = y + offsets[k][1];
      if (nx < 0 || ny < 0 || nx >= m_Width || ny >= m_Height)
        continue;
      const int neighbour = ny * m_Width + nx;
      if (!accept(nx, ny, m_Data[neighbour]))
        continue;
      m_Data[neighbour] = mark;
      stack.push_back(neighbour);
    }
  }
}

// 1 where a pixel >= low is joined through 8-neighbours >= low to a pixel >= high, else 0.
int CImage2d::ThresholdHysteresis(float low, float high)
{
  if (!(low < high))
    return SetError("Threshold hysteresis : invalid threshold values\n");
  constexpr float Allowed = 0.5f;
  std::vector<int> stack;
  for (size_t i = 0; i < m_Data.size(); i++) {
    float& p = m_Data[i];
    if (p >= high) {
      p = 1.0f;
      stack.push_back(static_cast<int>(i));
    } else {
      p = p >= low ? Allowed : 0.0f;
    }
  }
  Flood(stack, 8, EightNeighbours, [&](int, int, float v) { return v == Allowed; }, 1.0f);
  for (float& p : m_Data)
    if (p == Allowed)
      p = 0.0f;
  return 1;
}

// One pass: each inner pixel equal to `value` takes the mean of its eight neighbours that
// differ from it. Pixels filled in this pass do not feed others; callers repeat until 0.
int CImage2d::FillHoles(float value)
{
  const CImage2d source(this, 0);
  int changed = 0;
  for (int y = 1; y < m_Height - 1; y++)
    for (int x = 1; x < m_Width - 1; x++) {
      if (source.GetPixel(x, y) != value)
        continue;
      double sum = 0;
      int count = 0;
      for (const auto& offset : EightNeighbours) {
        const float v = source.GetPixel(x + offset[0], y + offset[1]);
        if (v != value) {
          sum += v;
          count++;
        }
      }
      if (count == 0)
        continue;
      m_Data[static_cast<size_t>(y) * m_Width + x] = static_cast<float>(sum / count);
      changed = 1;
    }
  return changed;
}

// Sets pixels to `value` from each side inward up to the first pixel equal to `stop`.
int CImage2d::FillAround(float stop, float value)
{
  auto at = [&](int x, int y) -> float& { return m_Data[static_cast<size_t>(y) * m_Width + x]; };
  for (int x = 0; x < m_Width; x++) {
    for (int y = 0; y <= m_Height - 2 && at(x, y) != stop; y++)
      at(x, y) = value;
    for (int y = m_Height - 1; y >= 1 && at(x, y) != stop; y--)
      at(x, y) = value;
  }
  for (int y = 0; y < m_Height; y++) {
    for (int x = 0; x <= m_Width - 2 && at(x, y) != stop; x++)
      at(x, y) = value;
    for (int x = m_Width - 1; x >= 1 && at(x, y) != stop; x--)
      at(x, y) = value;
  }
  return 1;
}

// 1 exactly on the background enclosed by the object: the background pixels that a flood
// from the image sides, spreading to the eight neighbours, does not reach.
int CImage2d::FillObject()
{
  if (!IsBinary())
    return SetError("Invalid binary image\n");
  Mult(2.0f);
  FillAround(2.0f, 1.0f);
  std::vector<int> stack;
  for (size_t i = 0; i < m_Data.size(); i++)
    if (m_Data[i] == 1.0f)
      stack.push_back(static_cast<int>(i));
  Flood(stack, 8, EightNeighbours, [](int, int, float v) { return v == 0.0f; }, 1.0f);
  for (float& p : m_Data)
    p = p == 0.0f ? 1.0f : 0.0f;
  return 1;
}

int CImage2d::GrowRegions(float label, float low, float high)
{
  for (int y = 1; y < m_Height - 1; y++)
    for (int x = 1; x < m_Width - 1; x++) {
      const float p = GetPixel(x, y);
      if (p >= high && p != label)
        GrowRegion(x, y, label, low, high);
    }
  return 1;
}

// Labels (x, y) and spreads through diagonal neighbours >= low, inner pixels only.
int CImage2d::GrowRegion(int x, int y, float label, float low, float /*high*/)
{
  if (!IsInner(x, y))
    return 1;
  const int start = y * m_Width + x;
  m_Data[start] = label;
  std::vector<int> stack{start};
  Flood(stack, 4, DiagonalNeighbours, [&](int nx, int ny, float v) { return IsInner(nx, ny) && v >= low && v != label; },
        label);
  return 1;
}

// Decreasing levels by 8-neighbour steps from the pixels equal to `start`, one step of
// (start - 1) / max(W, H) per ring. Pixels never reached stay 0; the propagation stops before
// a level would reach 0, which marks them.
int CImage2d::BuildGeodesic(float start)
{
  const int n = m_Width > m_Height ? m_Width : m_Height;
  if (n == 0)
    return 1;
  const float step = (start - 1) / n;
  float level = start;
  for (bool changed = true; changed;) {
    const float next = level - step;
    if (start > 0 ? next <= 0.0f : next == 0.0f)
      break;
    changed = false;
    std::vector<int> ring;
    for (int y = 1; y < m_Height - 1; y++)
      for (int x = 1; x < m_Width - 1; x++) {
        if (GetPixel(x, y) != level)
          continue;
        for (int j = -1; j <= 1; j++)
          for (int i = -1; i <= 1; i++)
            if (GetPixel(x + i, y + j) == 0.0f)
              ring.push_back((y + j) * m_Width + x + i);
      }
    for (int index : ring) {
      m_Data[index] = next;
      changed = true;
    }
    level = next;
  }
  return 1;
}

int CImage2d::BoundingBox(float value, float& xmin, float& ymax, float& xmax, float& ymin) const
{
  xmin = ymax = xmax = ymin = 0.0f;
  bool found = false;
  for (int y = 0; y < m_Height; y++)
    for (int x = 0; x < m_Width; x++) {
      if (GetPixel(x, y) != value)
        continue;
      if (!found || x < xmin)
        xmin = static_cast<float>(x);
      if (!found)
        ymin = static_cast<float>(y);
      if (x > xmax)
        xmax = static_cast<float>(x);
      ymax = static_cast<float>(y);
      found = true;
    }
  return 1;
}
