#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The drawing surface that core code paints device-independent bitmaps and palette
// swatches on. The shell implements it over QPainter and the metafile writer; tests use
// the memory back end. Coordinates are device pixels, y down.
namespace platform {

// The 40-byte header of a device-independent bitmap, field for field.
struct BitmapInfoHeader
{
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // positive: rows stored bottom-up
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

struct PaletteEntry
{
  std::uint8_t peRed = 0;
  std::uint8_t peGreen = 0;
  std::uint8_t peBlue = 0;
  std::uint8_t peFlags = 0;
};
using Palette = std::vector<PaletteEntry>;

struct CPoint
{
  int x = 0;
  int y = 0;
};

struct CRect
{
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

enum : int { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
enum : std::uint32_t { SRCCOPY = 0x00CC0020 };
enum : std::uint32_t { PC_RESERVED = 0x01, PC_EXPLICIT = 0x02, PC_NOCOLLAPSE = 0x04 };

// A colour 0x00BBGGRR, or an index into the selected palette (PaletteIndex).
using ColorRef = std::uint32_t;
constexpr ColorRef Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  return ColorRef(r) | (ColorRef(g) << 8) | (ColorRef(b) << 16);
}
constexpr ColorRef PaletteIndex(std::uint16_t index) { return 0x01000000u | index; }
constexpr bool IsPaletteIndex(ColorRef color) { return (color >> 24) == 0x01; }

// Bytes per row of a bitmap: rows are padded to 4 bytes.
std::uint32_t DibStride(const BitmapInfoHeader& header);

// Whether a back end can draw the bitmap: uncompressed, 8, 24 or 32 bits, positive size.
bool IsDrawableDib(const BitmapInfoHeader& header);

// Colour of pixel (x, row) of a drawable bitmap, row 0 being the first row in memory;
// indices past the colour table give black.
ColorRef DibPixel(const std::uint8_t* bits, const BitmapInfoHeader& header,
                  const std::uint8_t* colors, int x, int row);

class CDeviceContext
{
public:
  virtual ~CDeviceContext() = default;

  // Copies scan lines [startScan, startScan + numScans) of a bitmap to (x, y), unscaled.
  // The source origin (xSrc, ySrc) is the bitmap's lower-left corner. `colors` holds the
  // colour table (blue, green, red, reserved quads) of bitmaps of 8 bits or fewer.
  // Answers the number of scan lines set, 0 on failure.
  virtual int SetDIBitsToDevice(int x, int y, int width, int height, int xSrc, int ySrc,
                                int startScan, int numScans, const std::uint8_t* bits,
                                const BitmapInfoHeader& header, const std::uint8_t* colors,
                                int colorUse) = 0;

  // Scales the source rectangle (lower-left origin) into the destination rectangle.
  // Answers the number of scan lines copied, 0 on failure.
  virtual int StretchDIBits(int xDest, int yDest, int widthDest, int heightDest, int xSrc,
                            int ySrc, int widthSrc, int heightSrc, const std::uint8_t* bits,
                            const BitmapInfoHeader& header, const std::uint8_t* colors,
                            int colorUse, std::uint32_t rop) = 0;

  // Answers the previous mode, 0 for an unknown one.
  virtual int SetStretchBltMode(int mode) = 0;

  // Fills [left, right) x [top, bottom) with a colour or a palette index.
  virtual void FillRect(const CRect& rect, ColorRef color) = 0;

  // Palettes are not owned: the caller keeps the selected one alive until it is
  // replaced. Answers the previous selection (null for none).
  virtual const Palette* SelectPalette(const Palette* palette, bool background) = 0;
  // Answers the number of entries mapped into the system palette.
  virtual int RealizePalette() = 0;
  // Whether the device shows colours through a hardware palette.
  virtual bool HasPalette() const = 0;

  // Vector drawing with pens and brushes, for back ends that keep vectors (the metafile
  // writer). Objects are numbered handles, 0 meaning none; the defaults draw nothing.
  virtual int CreatePen(int /*width*/, ColorRef /*color*/) { return 0; }
  virtual int CreateSolidBrush(ColorRef /*color*/) { return 0; }
  // Answers the handle of the same kind that was selected before, 0 on failure.
  virtual int SelectObject(int /*handle*/) { return 0; }
  virtual bool DeleteObject(int /*handle*/) { return false; }
  virtual void MoveTo(int /*x*/, int /*y*/) {}
  virtual void LineTo(int /*x*/, int /*y*/) {}
  // Filled with the selected brush, outlined with the selected pen.
  virtual void Polygon(const CPoint* /*points*/, int /*count*/) {}
  virtual void Polyline(const CPoint* /*points*/, int /*count*/) {}
  // UTF-8 text with its reference point at the top-left, in the default font.
  virtual void TextOut(int /*x*/, int /*y*/, const std::string& /*text*/) {}
};

} // namespace platform
