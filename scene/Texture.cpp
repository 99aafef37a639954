#include "scene/Texture.h"

#include "platform/core/Clipboard.h"
#include "platform/core/MessageBox.h"
#include "scene/DIBFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace {

std::uint64_t StrideOf(unsigned width, unsigned depth)
{
  return ((std::uint64_t(width) * depth / 8) + 3) & ~std::uint64_t(3);
}

// 255 * value truncated toward zero, wrapping like a byte store; values beyond any
// integer give 0 rather than undefined behaviour.
std::uint8_t ByteOfFloat(float value)
{
  const double scaled = 255.0 * double(value);
  if (!(std::fabs(scaled) < 2147483647.0))
    return 0;
  return std::uint8_t(int(scaled));
}

} // namespace

CTexture::CTexture(const CTexture& other)
{
  Copy(other);
}

CTexture& CTexture::operator=(const CTexture& other)
{
  if (this != &other)
    Copy(other);
  return *this;
}

bool CTexture::AllocQuiet(unsigned width, unsigned height, unsigned depth)
{
  Free();
  const std::uint64_t stride = StrideOf(width, depth);
  const std::uint64_t bytes = stride * height;
  if (bytes > MaxImageBytes)
    return false;
  if (bytes > 0) {
    m_pData.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!m_pData)
      return false;
  }
  m_Width = width;
  m_Height = height;
  m_Depth = depth;
  FillHeader();
  return true;
}

int CTexture::Alloc(unsigned width, unsigned height, unsigned depth)
{
  if (AllocQuiet(width, height, depth))
    return 1;
  platform::MessageBox("CTexture::Alloc : Insufisant memory");
  return 0;
}

void CTexture::Free()
{
  m_pData.reset();
  m_Width = m_Height = m_Depth = m_Stride = 0;
  m_RedFirst = false;
}

void CTexture::FillHeader()
{
  m_Stride = unsigned(StrideOf(m_Width, m_Depth));
  m_Header = platform::BitmapInfoHeader();
  m_Header.biWidth = std::int32_t(m_Width);
  m_Header.biHeight = std::int32_t(m_Height);
  m_Header.biBitCount = std::uint16_t(m_Depth);
  m_Header.biSizeImage = m_Stride * m_Height;
}

void CTexture::Copy(const CTexture& other)
{
  if (!Alloc(other.m_Width, other.m_Height, other.m_Depth))
    return;
  if (m_pData)
    std::memcpy(m_pData.get(), other.m_pData.get(), std::size_t(m_Stride) * m_Height);
  m_RedFirst = other.m_RedFirst;
}

int CTexture::IsValid() const
{
  return (m_Depth == 24 || m_Depth == 32) && m_Width && m_Height && m_pData ? 1 : 0;
}

int CTexture::SameSize(const CTexture& other) const
{
  return m_Width == other.m_Width && m_Height == other.m_Height ? 1 : 0;
}

int CTexture::BGRtoRGB()
{
  if (!IsValid())
    return 0;
  for (unsigned y = 0; y < m_Height; y++)
    for (unsigned x = 0; x < m_Width; x++) {
      std::uint8_t* p = Pixel(x, y);
      std::swap(p[0], p[2]);
    }
  m_RedFirst = !m_RedFirst;
  return 1;
}

void CTexture::FlipVertical()
{
  if (!m_pData)
    return;
  const std::size_t rowBytes = std::size_t(m_Width) * BytesPerPixel();
  for (unsigned y = 0; y < m_Height / 2; y++)
    std::swap_ranges(Pixel(0, y), Pixel(0, y) + rowBytes, Pixel(0, m_Height - 1 - y));
}

void CTexture::Fill(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  if (!IsValid())
    return;
  for (unsigned y = 0; y < m_Height; y++)
    for (unsigned x = 0; x < m_Width; x++) {
      std::uint8_t* p = Pixel(x, y);
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
}

unsigned CTexture::Grey(unsigned x, unsigned y) const
{
  const std::uint8_t* p = Pixel(x, y);
  if (m_Depth == 8)
    return p[0];
  return (unsigned(p[0]) + p[1] + p[2]) / 3;
}

void CTexture::GetColor(unsigned x, unsigned y, std::uint8_t& r, std::uint8_t& g,
                        std::uint8_t& b) const
{
  const std::uint8_t* p = Pixel(x, y);
  if (m_Depth == 8) {
    r = g = b = p[0];
    return;
  }
  r = p[0];
  g = p[1];
  b = p[2];
}

void CTexture::SetColor(unsigned x, unsigned y, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  std::uint8_t* p = Pixel(x, y);
  p[0] = r;
  p[1] = g;
  p[2] = b;
}

int CTexture::ReadBuffer(const std::uint8_t* buffer, unsigned width, unsigned height, unsigned depth)
{
  if (!buffer || !Alloc(width, height, depth))
    return 0;
  const std::size_t rowBytes = std::size_t(width) * depth / 8;
  for (unsigned y = 0; y < height; y++)
    std::memcpy(Pixel(0, y), buffer + y * rowBytes, rowBytes);
  return 1;
}

int CTexture::ReadBuffer(const float* buffer, unsigned width, unsigned height, unsigned depth)
{
  if (!buffer || !Alloc(width, height, depth))
    return 0;
  const std::size_t rowBytes = std::size_t(width) * depth / 8;
  for (unsigned y = 0; y < height; y++) {
    std::uint8_t* row = Pixel(0, y);
    for (std::size_t i = 0; i < rowBytes; i++)
      row[i] = ByteOfFloat(buffer[y * rowBytes + i]);
  }
  return 1;
}

int CTexture::SetAlpha(std::uint8_t value)
{
  if (!IsValid() || m_Depth != 32)
    return 0;
  for (unsigned y = 0; y < m_Height; y++)
    for (unsigned x = 0; x < m_Width; x++)
      Pixel(x, y)[3] = value;
  return 1;
}

int CTexture::AddAlphaLayer(std::uint8_t value)
{
  if (!IsValid())
    return 0;
  if (m_Depth == 32)
    return SetAlpha(value);
  CTexture image;
  if (!image.AllocQuiet(m_Width, m_Height, 32)) {
    platform::MessageBox("CTexture::AddAlphaLayer : insuffisant memory");
    return 0;
  }
  for (unsigned y = 0; y < m_Height; y++)
    for (unsigned x = 0; x < m_Width; x++) {
      std::memcpy(image.Pixel(x, y), Pixel(x, y), 3);
      image.Pixel(x, y)[3] = value;
    }
  TakePixels(image);
  return 1;
}

int CTexture::SetAlphaFromGrey(const CTexture& other)
{
  if (!IsValid() || !other.IsValid() || !SameSize(other) || !AddAlphaLayer(0))
    return 0;
  for (unsigned y = 0; y < m_Height; y++)
    for (unsigned x = 0; x < m_Width; x++) {
      const std::uint8_t* p = other.Pixel(x, y);
      Pixel(x, y)[3] = std::uint8_t((unsigned(p[0]) + p[1] + p[2]) / 3);
    }
  return 1;
}

void CTexture::TakePixels(CTexture& image)
{
  m_pData = std::move(image.m_pData);
  m_Width = image.m_Width;
  m_Height = image.m_Height;
  m_Depth = image.m_Depth;
  FillHeader();
  image.Free();
}

bool CTexture::AllocReshaped(CTexture& image, unsigned width, unsigned height) const
{
  if (image.AllocQuiet(width, height, m_Depth))
    return true;
  platform::MessageBox("Insuffisant memeory");
  return false;
}

// `top` counts rows from the last row in memory, and row 0 of the result takes that row:
// extracting the whole image turns it upside down, which the tile tools rely on.
int CTexture::Extract(int left, int top, int right, int bottom)
{
  if (right == -1)
    right = int(m_Width) - 1;
  if (bottom == -1)
    bottom = int(m_Height) - 1;
  const bool inside = 0 <= left && left < right && std::int64_t(right) < std::int64_t(m_Width) &&
                      0 <= top && top < bottom && std::int64_t(bottom) < std::int64_t(m_Height);
  if (!IsValid() || !inside)
    return 0;
  CTexture image;
  if (!AllocReshaped(image, unsigned(right - left + 1), unsigned(bottom - top + 1)))
    return 0;
  const std::size_t rowBytes = std::size_t(image.m_Width) * BytesPerPixel();
  for (unsigned r = 0; r < image.m_Height; r++)
    std::memcpy(image.Pixel(0, r), Pixel(unsigned(left), m_Height - 1 - (unsigned(top) + r)), rowBytes);
  TakePixels(image);
  return 1;
}

int CTexture::DuplicateMirror(int left, int top, int right, int bottom)
{
  if (!Extract(left, top, right, bottom))
    return 0;
  const unsigned w = m_Width;
  const unsigned h = m_Height;
  CTexture image;
  if (!AllocReshaped(image, 2 * w, 2 * h))
    return 0;
  for (unsigned r = 0; r < 2 * h; r++) {
    const unsigned sourceRow = r < h ? h - 1 - r : r - h;
    for (unsigned c = 0; c < 2 * w; c++) {
      const unsigned sourceColumn = c < w ? c : w - 1 - (c - w);
      std::memcpy(image.Pixel(c, r), Pixel(sourceColumn, sourceRow), BytesPerPixel());
    }
  }
  TakePixels(image);
  return 1;
}

int CTexture::DuplicateTwice(int left, int top, int right, int bottom)
{
  if (!Extract(left, top, right, bottom))
    return 0;
  const unsigned w = m_Width;
  const unsigned h = m_Height;
  CTexture image;
  if (!AllocReshaped(image, 2 * w, h))
    return 0;
  const std::size_t rowBytes = std::size_t(w) * BytesPerPixel();
  for (unsigned r = 0; r < h; r++) {
    std::memcpy(image.Pixel(0, r), Pixel(0, h - 1 - r), rowBytes);
    std::memcpy(image.Pixel(w, r), Pixel(0, h - 1 - r), rowBytes);
  }
  TakePixels(image);
  return 1;
}

const std::uint8_t* CTexture::BgrRow(unsigned y, std::vector<std::uint8_t>& scratch) const
{
  if (!m_RedFirst)
    return Pixel(0, y);
  scratch.assign(Pixel(0, y), Pixel(0, y) + m_Stride);
  for (unsigned x = 0; x < m_Width; x++)
    std::swap(scratch[x * BytesPerPixel()], scratch[x * BytesPerPixel() + 2]);
  return scratch.data();
}

const std::uint8_t* CTexture::BgrBits(std::vector<std::uint8_t>& scratch) const
{
  if (!m_RedFirst)
    return m_pData.get();
  std::vector<std::uint8_t> row;
  scratch.resize(std::size_t(m_Stride) * m_Height);
  for (unsigned y = 0; y < m_Height; y++)
    std::memcpy(scratch.data() + std::size_t(y) * m_Stride, BgrRow(y, row), m_Stride);
  return scratch.data();
}

int CTexture::Draw(platform::CDeviceContext& dc, int x, int y, int width, int height) const
{
  if (!IsValid())
    return 0;
  if (width == -1)
    width = int(m_Width);
  if (height == -1)
    height = int(m_Height);
  std::vector<std::uint8_t> scratch;
  return dc.SetDIBitsToDevice(x, y, width, height, 0, 0, 0, int(m_Height), BgrBits(scratch),
                              m_Header, nullptr, platform::DIB_RGB_COLORS);
}

int CTexture::Stretch(platform::CDeviceContext& dc, const platform::CRect& rect) const
{
  if (!IsValid())
    return 0;
  dc.SetStretchBltMode(platform::COLORONCOLOR);
  std::vector<std::uint8_t> scratch;
  return dc.StretchDIBits(rect.left, rect.top, rect.Width(), rect.Height(), 0, 0, int(m_Width),
                          int(m_Height), BgrBits(scratch), m_Header, nullptr,
                          platform::DIB_RGB_COLORS, platform::SRCCOPY);
}

std::vector<std::uint8_t> CTexture::ExportHandle() const
{
  if (!IsValid())
    return {};
  std::vector<std::uint8_t> dib(BitmapInfoHeaderSize + std::size_t(m_Stride) * m_Height);
  WriteBitmapInfoHeader(m_Header, dib.data());
  std::vector<std::uint8_t> scratch;
  std::memcpy(dib.data() + BitmapInfoHeaderSize, BgrBits(scratch), std::size_t(m_Stride) * m_Height);
  return dib;
}

bool CTexture::CopyToClipboard() const
{
  const std::vector<std::uint8_t> dib = ExportHandle();
  return !dib.empty() && platform::ClipboardSetBitmap(dib);
}

int CTexture::ImportHandle(std::span<const std::uint8_t> dib)
{
  if (dib.size() < BitmapInfoHeaderSize) {
    platform::MessageBox("Invalid BMP file");
    return 0;
  }
  const platform::BitmapInfoHeader header = ReadBitmapInfoHeader(dib.data());
  if (header.biPlanes != 1 || header.biBitCount != 24) {
    platform::MessageBox("Texture file must have 24 bits depth");
    return 0;
  }
  // Colour masks or a colour table may sit between a longer header and the rows.
  const std::uint64_t offset = std::uint64_t(header.biSize) + 4 * std::uint64_t(header.biClrUsed);
  const std::uint64_t bytes = StrideOf(unsigned(header.biWidth), 24) * std::uint64_t(header.biHeight);
  const bool sound = header.biSize >= BitmapInfoHeaderSize && header.biCompression == 0 &&
                     header.biWidth > 0 && header.biHeight > 0 && bytes <= MaxImageBytes &&
                     offset + bytes <= dib.size();
  if (!sound) {
    platform::MessageBox("Invalid BMP file");
    return 0;
  }
  if (!Alloc(unsigned(header.biWidth), unsigned(header.biHeight), 24))
    return 0;
  std::memcpy(m_pData.get(), dib.data() + offset, bytes);
  return 1;
}

int CTexture::HigherPowerOfTwo(int n)
{
  if (n < 1)
    return n;
  std::int64_t power = 2;
  while (power < n)
    power *= 2;
  return int(power);
}

int CTexture::LowerPowerOfTwo(int n)
{
  // The largest power of two strictly below n, but 1 for n of 1 or 2.
  return n < 1 ? n : int(std::int64_t(std::uint32_t(HigherPowerOfTwo(n))) / 2);
}
