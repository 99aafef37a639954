#pragma once

#include "platform/core/DeviceContext.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <vector>

class CDIBPalette;

// An 8-bit device-independent bitmap: a 256-entry colour table (blue, green, red,
// reserved) and one byte per pixel, rows bottom-up, each padded to 4 bytes. It reads and
// writes BMP/DIB files (Windows and presentation-manager headers).
class CDIB
{
public:
  CDIB();  // 16 x 16, grey ramp, all pixels 0
  CDIB(const CDIB&) = delete;
  CDIB& operator=(const CDIB&) = delete;

  int Create(int width, int height);
  // Uses the caller's pixels in place (not owned; they must outlive the bitmap or the next
  // Create or Load). `colors` holds the header's colour entries.
  int Create(const platform::BitmapInfoHeader& header, const std::uint8_t* colors, std::uint8_t* bits);

  int GetWidth() const { return m_Header.biWidth; }
  int GetHeight() const { return m_Header.biHeight; }
  int GetStorageWidth() const { return (GetWidth() + 3) & ~3; }
  std::uint8_t* GetColorTable() { return m_Colors.data(); }
  const std::uint8_t* GetColorTable() const { return m_Colors.data(); }
  int GetNumColors() const { return ColorEntries(m_Header); }
  const platform::BitmapInfoHeader& GetHeader() const { return m_Header; }
  const std::uint8_t* GetBits() const { return m_pBits; }
  bool OwnsBits() const { return m_OwnsBits; }

  static int ColorEntries(const platform::BitmapInfoHeader& header);
  static int IsWinDIB(const platform::BitmapInfoHeader& header) { return header.biSize != 12; }

  // (x, y) counted from the top-left; null outside the bitmap.
  std::uint8_t* GetPixelAddress(int x, int y);
  const std::uint8_t* GetPixelAddress(int x, int y) const;
  platform::CRect GetRect() const { return {0, 0, GetWidth(), GetHeight()}; }

  int Draw(platform::CDeviceContext& dc, int x, int y) const;
  // Copies the w x h block at (sx, sy) to (dx, dy) of the destination, clipped to both
  // bitmaps; source bytes equal to the low byte of `transparent` are skipped unless it is -1.
  void CopyBits(CDIB& destination, int dx, int dy, int w, int h, int sx, int sy,
                int transparent) const;
  int MapColorsToPalette(const CDIBPalette* palette);

  // Reads a BMP/DIB file from the current position; the bitmap is unchanged on failure.
  int Load(std::FILE* file);
  int Load(const std::string& fileName);
  // A whole BMP file compiled into the program; its pixels are copied.
  int Load(std::span<const std::uint8_t> resource);
  int Save(std::FILE* file) const;
  int Save(const std::string& fileName) const;

  // Reads n bytes at an offset from the start of a file; false when they are not all there.
  using ReadAt = std::function<bool(std::uint64_t offset, void* data, std::size_t n)>;

private:
  int LoadFrom(const ReadAt& read);

  platform::BitmapInfoHeader m_Header;
  std::array<std::uint8_t, 1024> m_Colors{};
  std::vector<std::uint8_t> m_OwnedBits;
  std::uint8_t* m_pBits = nullptr;
  bool m_OwnsBits = true;
};
