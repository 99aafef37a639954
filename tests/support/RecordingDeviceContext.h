#pragma once

#include "platform/core/DeviceContext.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

// A device context that keeps what is drawn: polygons with the brush and pen selected at the
// time, filled rectangles, and a count of lines. Handles count up from 1; the stock pen and
// brush are selected at first. Deleting a selected object fails the test.
class CRecordingDeviceContext : public platform::CDeviceContext
{
public:
  static constexpr int kStockPen = -1;
  static constexpr int kStockBrush = -2;

  struct SPolygon
  {
    std::vector<platform::CPoint> Points;
    platform::ColorRef Brush;
    platform::ColorRef Pen;
  };
  struct SFill
  {
    platform::CRect Rect;
    platform::ColorRef Color;
  };

  int SetDIBitsToDevice(int, int, int, int, int, int, int, int, const std::uint8_t*,
                        const platform::BitmapInfoHeader&, const std::uint8_t*, int) override
  {
    return 0;
  }
  int StretchDIBits(int, int, int, int, int, int, int, int, const std::uint8_t*,
                    const platform::BitmapInfoHeader&, const std::uint8_t*, int,
                    std::uint32_t) override
  {
    return 0;
  }
  int SetStretchBltMode(int) override { return 0; }
  void FillRect(const platform::CRect& rect, platform::ColorRef color) override
  {
    m_Fills.push_back({rect, color});
  }
  const platform::Palette* SelectPalette(const platform::Palette*, bool) override
  {
    return nullptr;
  }
  int RealizePalette() override { return 0; }
  bool HasPalette() const override { return false; }

  int CreatePen(int, platform::ColorRef color) override { return Create(color, true); }
  int CreateSolidBrush(platform::ColorRef color) override { return Create(color, false); }
  int SelectObject(int handle) override
  {
    const auto it = m_Objects.find(handle);
    if (it == m_Objects.end())
      return 0;
    int& current = it->second.IsPen ? m_Pen : m_Brush;
    const int previous = current;
    current = handle;
    return previous;
  }
  bool DeleteObject(int handle) override
  {
    EXPECT_NE(handle, m_Pen);
    EXPECT_NE(handle, m_Brush);
    const bool live = handle > 0 && m_Objects.erase(handle) > 0;
    m_Live -= live ? 1 : 0;
    return live;
  }
  void LineTo(int, int) override { m_NbLines++; }
  void Polygon(const platform::CPoint* points, int count) override
  {
    m_Polygons.push_back({std::vector<platform::CPoint>(points, points + count), ColorOf(m_Brush),
                          ColorOf(m_Pen)});
  }

  std::vector<SPolygon> m_Polygons;
  std::vector<SFill> m_Fills;
  int m_NbLines = 0;
  // Pens and brushes created and not yet deleted.
  int m_Live = 0;
  int m_Pen = kStockPen;
  int m_Brush = kStockBrush;

private:
  struct SObject
  {
    platform::ColorRef Color;
    bool IsPen;
  };
  int Create(platform::ColorRef color, bool pen)
  {
    m_Objects[++m_Last] = {color, pen};
    m_Live++;
    return m_Last;
  }
  platform::ColorRef ColorOf(int handle) const
  {
    const auto it = m_Objects.find(handle);
    return it == m_Objects.end() ? 0xFFFFFFFFu : it->second.Color;
  }
  std::map<int, SObject> m_Objects = {{kStockPen, {0x00000000, true}},
                                      {kStockBrush, {0x00FFFFFF, false}}};
  int m_Last = 0;
};
