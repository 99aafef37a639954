#include "scene/Image2d.h"

#include <algorithm>

// Every pixel whose 3 x 3 neighbourhood (clipped at the border, itself included) holds `seek`
// becomes `set` in `out`.
void CImage2d::SpreadNeighbourhoods(float seek, float set, std::vector<float>& out) const
{
  for (int y = 0; y < m_Height; y++)
    for (int x = 0; x < m_Width; x++) {
      if (GetPixel(x, y) != seek)
        continue;
      for (int ny = std::max(0, y - 1); ny <= std::min(m_Height - 1, y + 1); ny++)
        for (int nx = std::max(0, x - 1); nx <= std::min(m_Width - 1, x + 1); nx++)
          out[static_cast<size_t>(ny) * m_Width + nx] = set;
    }
}

// Pixels next to a 1 become 1; the others keep their value.
int CImage2d::Dilate()
{
  std::vector<float> out = m_Data;
  SpreadNeighbourhoods(1.0f, 1.0f, out);
  m_Data.swap(out);
  return 1;
}

// Pixels next to a 0 become 0, all others 1: the result is binary.
int CImage2d::Erode()
{
  std::vector<float> out(m_Data.size(), 1.0f);
  SpreadNeighbourhoods(0.0f, 0.0f, out);
  m_Data.swap(out);
  return 1;
}

// With a caller's work image: cleared to `background`, then every pixel next to a `seek`
// pixel takes `seek`; the work image replaces this one.
int CImage2d::MorphologyWith(CImage2d& work, float background, float seek, const char* error)
{
  if (!SameSizeAs(work) || &work == this)
    return SetError(error);
  work.Fill(background);
  SpreadNeighbourhoods(seek, seek, work.m_Data);
  m_Data = work.m_Data;
  return 1;
}

int CImage2d::Dilate(CImage2d& work)
{
  return MorphologyWith(work, 0.0f, 1.0f, "Dilate : invalide tmp image");
}

int CImage2d::Erode(CImage2d& work)
{
  return MorphologyWith(work, 1.0f, 0.0f, "Erode : invalide tmp image");
}

// Clears the interiors of 255 regions, keeping their outlines.
int CImage2d::Outline(int b)
{
  if (b < 1)
    return SetError("Outline : invalid border\n");
  std::vector<float> out = m_Data;
  for (int y = b; y < m_Height - b; y++)
    for (int x = b; x < m_Width - b; x++) {
      bool inside = true;
      for (int j = -1; j <= 1 && inside; j++)
        for (int i = -1; i <= 1 && inside; i++)
          inside = GetPixel(x + i, y + j) == 255.0f;
      if (inside)
        out[static_cast<size_t>(y) * m_Width + x] = 0.0f;
    }
  m_Data.swap(out);
  return 1;
}

// Reduces each run of 1s along `runs` lines of `length` pixels to one marker, placed at
// e - n / 2 where e ends the run of n pixels (the first other pixel or the line's last one).
int CImage2d::EdgeCompressRuns(int runs, int length, int runStep, int pixelStep, const char* error)
{
  if (!IsBinary())
    return SetError(error);
  for (int r = 0; r < runs; r++) {
    float* line = m_Data.data() + static_cast<size_t>(r) * runStep;
    auto at = [&](int i) -> float& { return line[static_cast<size_t>(i) * pixelStep]; };
    int e = 0;
    while (e < length - 1) {
      while (e < length - 1 && at(e) != 1.0f)
        e++;
      int n = 0;
      for (; e < length - 1 && at(e) == 1.0f; e++)
        n++;
      if (n > 0)
        at(e - n / 2) = 2.0f;
    }
  }
  return Threshold(2.0f, 0.0f, 1.0f);
}

int CImage2d::EdgeCompressX()
{
  return EdgeCompressRuns(m_Height, m_Width, m_Width, 1, "Non binary image...\n");
}

int CImage2d::EdgeCompressY()
{
  return EdgeCompressRuns(m_Width, m_Height, 1, m_Width, "Non binary image\n");
}

int CImage2d::EdgeCompress()
{
  CImage2d columns(this, m_Trace);
  if (!columns.EdgeCompressY())
    return KeepError(columns);
  if (!EdgeCompressX())
    return 0;
  return LogicalOr(columns);
}
