#include "platform/core/DeviceContextMemory.h"

#include <gtest/gtest.h>

#include <vector>

using platform::Rgb;

namespace {

// A bottom-up 24-bit bitmap of width x height whose pixel (x, row from the bottom) is
// red x * 10, green row * 10, blue 7.
struct CBitmap24
{
  CBitmap24(int width, int height)
  {
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = 24;
    const int stride = int(platform::DibStride(header));
    bits.assign(std::size_t(stride) * height, 0);
    for (int row = 0; row < height; row++)
      for (int x = 0; x < width; x++) {
        std::uint8_t* p = bits.data() + row * stride + 3 * x;
        p[0] = 7;
        p[1] = std::uint8_t(row * 10);
        p[2] = std::uint8_t(x * 10);
      }
  }
  platform::BitmapInfoHeader header;
  std::vector<std::uint8_t> bits;
};

} // namespace

TEST(DeviceContext, StrideAndDrawableBitmaps)
{
  platform::BitmapInfoHeader header;
  header.biWidth = 5;
  header.biHeight = 1;
  header.biBitCount = 24;
  EXPECT_EQ(platform::DibStride(header), 16u);
  EXPECT_TRUE(platform::IsDrawableDib(header));
  header.biBitCount = 8;
  EXPECT_EQ(platform::DibStride(header), 8u);
  header.biCompression = 1;
  EXPECT_FALSE(platform::IsDrawableDib(header));
  header.biCompression = 0;
  header.biBitCount = 16;
  EXPECT_FALSE(platform::IsDrawableDib(header));
}

TEST(DeviceContext, SetDIBitsShowsTheBottomRowLast)
{
  const CBitmap24 bitmap(3, 2);
  platform::CDeviceContextMemory dc(5, 5);
  EXPECT_EQ(dc.SetDIBitsToDevice(1, 1, 3, 2, 0, 0, 0, 2, bitmap.bits.data(), bitmap.header,
                                 nullptr, platform::DIB_RGB_COLORS), 2);
  EXPECT_EQ(dc.GetPixel(1, 1), Rgb(0, 10, 7));  // top row first on the device
  EXPECT_EQ(dc.GetPixel(3, 2), Rgb(20, 0, 7));
  EXPECT_EQ(dc.GetPixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(dc.GetPixel(4, 4), Rgb(0, 0, 0));
}

TEST(DeviceContext, SmallerDestinationShowsTheLowerLeftCorner)
{
  const CBitmap24 bitmap(3, 3);
  platform::CDeviceContextMemory dc(4, 4);
  dc.SetDIBitsToDevice(0, 0, 2, 2, 0, 0, 0, 3, bitmap.bits.data(), bitmap.header, nullptr,
                       platform::DIB_RGB_COLORS);
  EXPECT_EQ(dc.GetPixel(0, 1), Rgb(0, 0, 7));
  EXPECT_EQ(dc.GetPixel(1, 0), Rgb(10, 10, 7));
  EXPECT_EQ(dc.GetPixel(2, 0), Rgb(0, 0, 0));
}

TEST(DeviceContext, DrawingIsClippedToTheSurface)
{
  const CBitmap24 bitmap(4, 4);
  platform::CDeviceContextMemory dc(3, 3, Rgb(1, 2, 3));
  dc.SetDIBitsToDevice(-2, -2, 4, 4, 0, 0, 0, 4, bitmap.bits.data(), bitmap.header, nullptr,
                       platform::DIB_RGB_COLORS);
  EXPECT_EQ(dc.GetPixel(0, 0), Rgb(20, 10, 7));
  EXPECT_EQ(dc.GetPixel(2, 2), Rgb(1, 2, 3));
  dc.StretchDIBits(1, 1, 100, 100, 0, 0, 4, 4, bitmap.bits.data(), bitmap.header, nullptr,
                   platform::DIB_RGB_COLORS, platform::SRCCOPY);
  EXPECT_EQ(dc.GetPixel(2, 2), Rgb(0, 30, 7));
  EXPECT_EQ(dc.GetPixel(-1, 0), Rgb(0, 0, 0));
}

TEST(DeviceContext, RefusesWhatItCannotDraw)
{
  CBitmap24 bitmap(2, 2);
  platform::CDeviceContextMemory dc(2, 2);
  EXPECT_EQ(dc.StretchDIBits(0, 0, 2, 2, 0, 0, 2, 2, bitmap.bits.data(), bitmap.header, nullptr,
                             platform::DIB_PAL_COLORS, platform::SRCCOPY), 0);
  EXPECT_EQ(dc.StretchDIBits(0, 0, 2, 2, 0, 0, 2, 2, bitmap.bits.data(), bitmap.header, nullptr,
                             platform::DIB_RGB_COLORS, 0x00EE0086), 0);
  EXPECT_EQ(dc.StretchDIBits(0, 0, 2, 2, 0, 0, 2, 2, nullptr, bitmap.header, nullptr,
                             platform::DIB_RGB_COLORS, platform::SRCCOPY), 0);
  bitmap.header.biCompression = 1;
  EXPECT_EQ(dc.SetDIBitsToDevice(0, 0, 2, 2, 0, 0, 0, 2, bitmap.bits.data(), bitmap.header,
                                 nullptr, platform::DIB_RGB_COLORS), 0);
  EXPECT_EQ(dc.GetPixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(dc.SetStretchBltMode(platform::COLORONCOLOR), platform::BLACKONWHITE);
  EXPECT_EQ(dc.SetStretchBltMode(99), 0);
}

TEST(DeviceContext, EightBitPixelsGoThroughTheColourTable)
{
  platform::BitmapInfoHeader header;
  header.biWidth = 2;
  header.biHeight = 1;
  header.biBitCount = 8;
  header.biClrUsed = 2;
  const std::uint8_t bits[4] = {1, 5, 0, 0};  // index 5 lies past the table
  const std::uint8_t colors[8] = {0, 0, 0, 0, 30, 20, 10, 0};
  platform::CDeviceContextMemory dc(2, 1, Rgb(9, 9, 9));
  dc.SetDIBitsToDevice(0, 0, 2, 1, 0, 0, 0, 1, bits, header, colors, platform::DIB_RGB_COLORS);
  EXPECT_EQ(dc.GetPixel(0, 0), Rgb(10, 20, 30));
  EXPECT_EQ(dc.GetPixel(1, 0), Rgb(0, 0, 0));
}

TEST(DeviceContext, PaletteIndicesNeedASelectedPalette)
{
  platform::CDeviceContextMemory dc(2, 2, Rgb(5, 5, 5));
  dc.FillRect({0, 0, 2, 2}, platform::PaletteIndex(1));
  EXPECT_EQ(dc.GetPixel(0, 0), Rgb(5, 5, 5));
  const platform::Palette palette = {{1, 2, 3, 0}, {40, 50, 60, 0}};
  EXPECT_EQ(dc.SelectPalette(&palette, false), nullptr);
  EXPECT_EQ(dc.RealizePalette(), 0);
  EXPECT_FALSE(dc.HasPalette());
  dc.FillRect({1, 0, 5, 1}, platform::PaletteIndex(1));
  EXPECT_EQ(dc.GetPixel(1, 0), Rgb(40, 50, 60));
  EXPECT_EQ(dc.GetPixel(0, 0), Rgb(5, 5, 5));
  dc.FillRect({0, 1, 1, 2}, Rgb(7, 8, 9));
  EXPECT_EQ(dc.GetPixel(0, 1), Rgb(7, 8, 9));
  EXPECT_EQ(dc.SelectPalette(nullptr, false), &palette);
}
