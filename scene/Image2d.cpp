#include "scene/Image2d.h"

#include "platform/core/MessageBox.h"

#include <algorithm>
#include <new>

CImage2d::CImage2d(int traceFlag) : m_Trace(traceFlag) {}

CImage2d::CImage2d(const CImage2d* source, int traceFlag) : m_Trace(traceFlag)
{
  Copy(source);
}

CImage2d::CImage2d(int width, int height, int traceFlag) : m_Trace(traceFlag)
{
  Alloc(width, height);
}

CImage2d::CImage2d(int width, int height, double value, int traceFlag) : m_Trace(traceFlag)
{
  Alloc(width, height, static_cast<float>(value));
}

int CImage2d::SetError(const std::string& text)
{
  m_Error = text;
  m_HasError = true;
  platform::MessageBox(text);
  return 0;
}

// A temporary image has already shown its failure: keep its text without a second box.
int CImage2d::KeepError(const CImage2d& temporary)
{
  if (temporary.m_HasError) {
    m_Error = temporary.m_Error;
    m_HasError = true;
  }
  return 0;
}

int CImage2d::Alloc(int width, int height)
{
  // Sizes come from callers and file headers: refuse what is negative, empty or overflows.
  if (width <= 0 || height <= 0)
    return SetError("Alloc : invalid specified size\n");
  const long long size = static_cast<long long>(width) * height;
  if (size > MaxPixels)
    return SetError(" Alloc : insuffissant memory\n");
  std::vector<float> pixels;
  try {
    pixels.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return SetError(" Alloc : insuffissant memory\n");
  }
  m_Data.swap(pixels);
  m_Width = width;
  m_Height = height;
  return 1;
}

int CImage2d::Alloc(int width, int height, float value)
{
  if (!Alloc(width, height))
    return 0;
  return Fill(value);
}

int CImage2d::Create(int width, int height, float value)
{
  return Alloc(width, height, value);
}

void CImage2d::Free()
{
  std::vector<float>().swap(m_Data);
  m_Width = 0;
  m_Height = 0;
}

int CImage2d::Fill(float value)
{
  std::fill(m_Data.begin(), m_Data.end(), value);
  return 1;
}

int CImage2d::SetData(int width, int height, const float* values)
{
  if (!Alloc(width, height))
    return 0;
  std::copy(values, values + GetSize(), m_Data.begin());
  return 1;
}

int CImage2d::Copy(const CImage2d* source)
{
  if (!source)
    return SetError("Copy : invalid source image\n");
  if (source == this)
    return 1;
  if (source->m_Data.empty()) {
    Free();
    return 1;
  }
  if (!Alloc(source->m_Width, source->m_Height))
    return 0;
  m_Data = source->m_Data;
  return 1;
}

// Pastes the source with x counted in columns from the left and y in rows upward from the
// bottom row; the block itself is not flipped.
int CImage2d::Copy(const CImage2d* source, int x, int y)
{
  if (!source)
    return SetError("Copy : invalid source image\n");
  const int w = source->m_Width;
  const int h = source->m_Height;
  if (x < 0 || y < 0 || x > m_Width - 1 || y > m_Height - 1 || w > m_Width - x || h > m_Height - y)
    return SetError("Copy : invalid target region\n");
  if (source == this)
    return 1;
  for (int r = 0; r < h; r++) {
    const float* from = source->m_Data.data() + static_cast<size_t>(r) * w;
    std::copy(from, from + w, m_Data.begin() + static_cast<size_t>(m_Height - y - h + r) * m_Width + x);
  }
  return 1;
}

int CImage2d::SubImage(const CImage2d* source, int x, int y, int w, int h)
{
  if (!source)
    return SetError("SubImage : invalid source image\n");
  if (x < 0 || y < 0 || w < 1 || h < 1 || w > source->m_Width - x || h > source->m_Height - y)
    return SetError("SubImage : invalid coordinates");
  // The source may be this image: read from a copy.
  std::vector<float> block(static_cast<size_t>(w) * h);
  for (int j = 0; j < h; j++) {
    const float* from = source->m_Data.data() + static_cast<size_t>(y + j) * source->m_Width + x;
    std::copy(from, from + w, block.begin() + static_cast<size_t>(j) * w);
  }
  m_Data.swap(block);
  m_Width = w;
  m_Height = h;
  return 1;
}

// Crops to the centred block of the reference's size.
int CImage2d::SameSize(const CImage2d& reference)
{
  const int dx = m_Width - reference.m_Width;
  const int dy = m_Height - reference.m_Height;
  if (dx < 0 || dy < 0)
    return SetError("SameSize : invalid crop\n");
  if (reference.m_Data.empty())
    return SetError("SameSize : impossible to extract subimage\n");
  if (!SubImage(this, dx / 2, dy / 2, reference.m_Width, reference.m_Height))
    return SetError("SameSize : impossible to extract subimage\n");
  return 1;
}

int CImage2d::SetPixel(int x, int y, float value)
{
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(m_Width) ||
      static_cast<unsigned>(y) >= static_cast<unsigned>(m_Height))
    return SetError("SetPixel : invalid coordinates\n");
  m_Data[static_cast<size_t>(y) * m_Width + x] = value;
  return 1;
}
