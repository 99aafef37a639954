#pragma once

#include "platform/core/DeviceContext.h"

#include <cstdint>
#include <vector>

namespace platform {

// A device context that paints into a block of memory: what tests draw into and read back.
// Pixels are ColorRef values, row 0 at the top; drawing is clipped to the surface.
class CDeviceContextMemory : public CDeviceContext
{
public:
  CDeviceContextMemory(int width, int height, ColorRef background = Rgb(0, 0, 0));

  int GetWidth() const { return m_Width; }
  int GetHeight() const { return m_Height; }
  // Colour at (x, y); black outside the surface.
  ColorRef GetPixel(int x, int y) const;
  int GetStretchBltMode() const { return m_StretchMode; }
  const Palette* GetSelectedPalette() const { return m_pPalette; }

  int SetDIBitsToDevice(int x, int y, int width, int height, int xSrc, int ySrc, int startScan,
                        int numScans, const std::uint8_t* bits, const BitmapInfoHeader& header,
                        const std::uint8_t* colors, int colorUse) override;
  int StretchDIBits(int xDest, int yDest, int widthDest, int heightDest, int xSrc, int ySrc,
                    int widthSrc, int heightSrc, const std::uint8_t* bits,
                    const BitmapInfoHeader& header, const std::uint8_t* colors, int colorUse,
                    std::uint32_t rop) override;
  int SetStretchBltMode(int mode) override;
  void FillRect(const CRect& rect, ColorRef color) override;
  const Palette* SelectPalette(const Palette* palette, bool background) override;
  int RealizePalette() override;
  bool HasPalette() const override { return false; }

private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < m_Width && y < m_Height; }
  // Colour of the source pixel (x, row counted from the bitmap's bottom).
  ColorRef Source(const std::uint8_t* bits, const BitmapInfoHeader& header,
                  const std::uint8_t* colors, int x, int rowFromBottom) const;

  int m_Width;
  int m_Height;
  std::vector<ColorRef> m_Pixels;
  int m_StretchMode = BLACKONWHITE;
  const Palette* m_pPalette = nullptr;
};

} // namespace platform
