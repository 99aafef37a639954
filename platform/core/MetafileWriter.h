#pragma once

#include "platform/core/DeviceContext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Enhanced-metafile record types written by the writer.
enum : std::uint32_t {
  EMR_HEADER = 1,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_EOF = 14,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETSTRETCHBLTMODE = 21,
  EMR_MOVETOEX = 27,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_RECTANGLE = 43,
  EMR_LINETO = 54,
  EMR_EXTTEXTOUTW = 84
};
enum : std::uint32_t { ENHMETA_SIGNATURE = 0x464D4520, ENHMETA_STOCK_OBJECT = 0x80000000 };
enum : int { MM_TEXT = 1 };

// A device context that records its drawing as an enhanced metafile in memory:
// little-endian records, a header whose bounds, size and counts are patched in by Close.
// Vectors only: bitmaps are refused (0 scan lines).
class CMetafileWriter : public CDeviceContext
{
public:
  // The reference device: its size in pixels and in millimetres sets the frame scale.
  CMetafileWriter(int devicePixelsX = 1024, int devicePixelsY = 768, int deviceMmX = 320,
                  int deviceMmY = 240);

  void SetMapMode(int mode);
  void SetBkModeTransparent();

  // Ends the metafile and answers its bytes; later drawing is ignored.
  const std::vector<std::uint8_t>& Close();
  bool IsClosed() const { return m_Closed; }
  // Writes the closed metafile to a file; false when it cannot be written.
  bool Save(const std::string& fileName);
  int GetNbRecords() const { return m_NbRecords; }

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
  int RealizePalette() override { return 0; }
  bool HasPalette() const override { return false; }

  int CreatePen(int width, ColorRef color) override;
  int CreateSolidBrush(ColorRef color) override;
  int SelectObject(int handle) override;
  bool DeleteObject(int handle) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polygon(const CPoint* points, int count) override;
  void Polyline(const CPoint* points, int count) override;
  void TextOut(int x, int y, const std::string& text) override;

private:
  enum class ObjectKind { None, Pen, Brush };

  // Starts a record of the given type; EndRecord patches its size.
  std::size_t BeginRecord(std::uint32_t type);
  void EndRecord(std::size_t start);
  void Put32(std::uint32_t value);
  void Put16(std::uint16_t value);
  void PutAt(std::size_t offset, std::uint32_t value);
  void SimpleRecord(std::uint32_t type, std::uint32_t value);
  void PointsRecord(std::uint32_t type, const CPoint* points, int count);
  void Include(int x, int y);
  int NewObject(ObjectKind kind);
  ObjectKind KindOf(int handle) const;
  void WriteHeader();

  std::vector<std::uint8_t> m_Bytes;
  std::vector<ObjectKind> m_Objects;  // slot i holds handle i + 1
  int m_SelectedPen;
  int m_SelectedBrush;
  int m_NbRecords = 0;
  int m_CurrentX = 0;
  int m_CurrentY = 0;
  bool m_HasBounds = false;
  CRect m_Bounds;  // inclusive
  int m_StretchMode = BLACKONWHITE;
  const Palette* m_pPalette = nullptr;
  bool m_Closed = false;
  int m_DevicePixelsX;
  int m_DevicePixelsY;
  int m_DeviceMmX;
  int m_DeviceMmY;
};

} // namespace platform
