#include "platform/core/DeviceContextMemory.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace platform {

CDeviceContextMemory::CDeviceContextMemory(int width, int height, ColorRef background)
  : m_Width(std::max(width, 0)),
    m_Height(std::max(height, 0)),
    m_Pixels(std::size_t(m_Width) * std::size_t(m_Height), background)
{
}

ColorRef CDeviceContextMemory::GetPixel(int x, int y) const
{
  return Inside(x, y) ? m_Pixels[std::size_t(y) * m_Width + x] : Rgb(0, 0, 0);
}

ColorRef CDeviceContextMemory::Source(const std::uint8_t* bits, const BitmapInfoHeader& header,
                                      const std::uint8_t* colors, int x, int rowFromBottom) const
{
  const int rows = std::abs(header.biHeight);
  const int row = header.biHeight > 0 ? rowFromBottom : rows - 1 - rowFromBottom;
  return DibPixel(bits, header, colors, x, row);
}

int CDeviceContextMemory::SetDIBitsToDevice(int x, int y, int width, int height, int xSrc,
                                            int ySrc, int startScan, int numScans,
                                            const std::uint8_t* bits,
                                            const BitmapInfoHeader& header,
                                            const std::uint8_t* colors, int colorUse)
{
  if (!bits || !IsDrawableDib(header) || colorUse != DIB_RGB_COLORS || width < 0 || height < 0)
    return 0;
  const int rows = std::abs(header.biHeight);
  const int firstScan = std::max(startScan, 0);
  const int endScan = std::min(startScan + numScans, rows);
  for (int dy = 0; dy < height; dy++) {
    const int sourceRow = ySrc + height - 1 - dy;
    if (sourceRow < firstScan || sourceRow >= endScan)
      continue;
    for (int dx = 0; dx < width; dx++) {
      const int sourceX = xSrc + dx;
      if (sourceX < 0 || sourceX >= header.biWidth || !Inside(x + dx, y + dy))
        continue;
      m_Pixels[std::size_t(y + dy) * m_Width + (x + dx)] =
          Source(bits, header, colors, sourceX, sourceRow);
    }
  }
  return std::max(endScan - firstScan, 0);
}

int CDeviceContextMemory::StretchDIBits(int xDest, int yDest, int widthDest, int heightDest,
                                        int xSrc, int ySrc, int widthSrc, int heightSrc,
                                        const std::uint8_t* bits,
                                        const BitmapInfoHeader& header,
                                        const std::uint8_t* colors, int colorUse,
                                        std::uint32_t rop)
{
  if (!bits || !IsDrawableDib(header) || colorUse != DIB_RGB_COLORS || rop != SRCCOPY)
    return 0;
  if (widthDest <= 0 || heightDest <= 0 || widthSrc <= 0 || heightSrc <= 0)
    return 0;
  const int rows = std::abs(header.biHeight);
  // Nearest source pixel for every destination pixel (colour-on-colour stretching).
  for (int dy = 0; dy < heightDest; dy++) {
    const int sourceRow = ySrc + heightSrc - 1 - int(std::int64_t(dy) * heightSrc / heightDest);
    if (sourceRow < 0 || sourceRow >= rows)
      continue;
    for (int dx = 0; dx < widthDest; dx++) {
      const int sourceX = xSrc + int(std::int64_t(dx) * widthSrc / widthDest);
      if (sourceX < 0 || sourceX >= header.biWidth || !Inside(xDest + dx, yDest + dy))
        continue;
      m_Pixels[std::size_t(yDest + dy) * m_Width + (xDest + dx)] =
          Source(bits, header, colors, sourceX, sourceRow);
    }
  }
  return heightSrc;
}

int CDeviceContextMemory::SetStretchBltMode(int mode)
{
  if (mode < BLACKONWHITE || mode > HALFTONE)
    return 0;
  return std::exchange(m_StretchMode, mode);
}

void CDeviceContextMemory::FillRect(const CRect& rect, ColorRef color)
{
  if (IsPaletteIndex(color)) {
    const std::size_t index = color & 0xffff;
    if (!m_pPalette || index >= m_pPalette->size())
      return;
    const PaletteEntry& entry = (*m_pPalette)[index];
    color = Rgb(entry.peRed, entry.peGreen, entry.peBlue);
  }
  const int left = std::max(rect.left, 0);
  const int right = std::min(rect.right, m_Width);
  const int top = std::max(rect.top, 0);
  const int bottom = std::min(rect.bottom, m_Height);
  for (int y = top; y < bottom; y++)
    for (int x = left; x < right; x++)
      m_Pixels[std::size_t(y) * m_Width + x] = color;
}

const Palette* CDeviceContextMemory::SelectPalette(const Palette* palette, bool)
{
  return std::exchange(m_pPalette, palette);
}

int CDeviceContextMemory::RealizePalette()
{
  // Without a hardware palette nothing is mapped.
  return 0;
}

} // namespace platform
