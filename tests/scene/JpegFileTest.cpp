#include "scene/JpegFile.h"

#include "TextureTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

using namespace texture_test;

namespace {

std::vector<std::uint8_t> PatternRgb(unsigned width, unsigned height)
{
  std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3);
  for (unsigned y = 0; y < height; y++)
    for (unsigned x = 0; x < width; x++) {
      const QColor c = PatternColor(int(x / 16), int(y / 16));  // flat 16 x 16 blocks
      std::uint8_t* p = rgb.data() + (std::size_t(y) * width + x) * 3;
      p[0] = std::uint8_t(c.red());
      p[1] = std::uint8_t(c.green());
      p[2] = std::uint8_t(c.blue());
    }
  return rgb;
}

// A 4-component (CMYK) file written straight through libjpeg.
void WriteCmykJpeg(const std::string& path)
{
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = 8;
  info.image_height = 8;
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<std::uint8_t> row(8 * 4, 100);
  JSAMPROW rows[1] = {row.data()};
  while (info.next_scanline < info.image_height)
    jpeg_write_scanlines(&info, rows, 1);
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
}

} // namespace

TEST(JpegFile, GreyConversionTruncates)
{
  EXPECT_EQ(JpegFile::Grey(128, 128, 128), 127);
  EXPECT_EQ(JpegFile::Grey(254, 254, 254), 253);
  EXPECT_EQ(JpegFile::Grey(255, 255, 255), 255);
  EXPECT_EQ(JpegFile::Grey(100, 100, 100), 100);
  EXPECT_EQ(JpegFile::Grey(255, 0, 0), 76);
  std::uint8_t pixels[] = {128, 128, 128, 0, 0, 255};
  ASSERT_EQ(JpegFile::ToGreyscale(pixels, 2, 1), 1);
  EXPECT_EQ(std::vector<std::uint8_t>(pixels, pixels + 6), (std::vector<std::uint8_t>{127, 127, 127, 29, 29, 29}));
  EXPECT_EQ(JpegFile::ToGreyscale(nullptr, 2, 1), 0);
}

TEST(JpegFile, RowUtilities)
{
  const std::uint8_t packed[] = {1, 2, 3, 4, 5, 6};
  unsigned stride = 0;
  auto padded = JpegFile::PadRowsToDword(packed, 1, 2, stride);
  ASSERT_TRUE(padded);
  EXPECT_EQ(stride, 4u);
  EXPECT_EQ(padded[4], 4);
  EXPECT_EQ(padded[3], 0);
  auto unpadded = JpegFile::UnpadRows(padded.get(), 1, stride, 2);
  ASSERT_TRUE(unpadded);
  EXPECT_EQ(std::vector<std::uint8_t>(unpadded.get(), unpadded.get() + 6), std::vector<std::uint8_t>(packed, packed + 6));
  std::vector<std::uint8_t> four(12 * 2, 1);
  ASSERT_TRUE(JpegFile::PadRowsToDword(four.data(), 4, 2, stride));
  EXPECT_EQ(stride, 12u);
  EXPECT_FALSE(JpegFile::PadRowsToDword(nullptr, 4, 2, stride));
  EXPECT_FALSE(JpegFile::UnpadRows(nullptr, 4, 12, 2));

  std::uint8_t rows[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  ASSERT_EQ(JpegFile::FlipVertical(rows, 3, 1), 1);
  EXPECT_EQ(rows[0], 1);
  ASSERT_EQ(JpegFile::FlipVertical(rows, 3, 3), 1);
  EXPECT_EQ(std::vector<std::uint8_t>(rows, rows + 9), (std::vector<std::uint8_t>{7, 8, 9, 4, 5, 6, 1, 2, 3}));
  EXPECT_EQ(JpegFile::FlipVertical(nullptr, 3, 3), 0);

  ASSERT_EQ(JpegFile::SwapRedBlue(rows, 3, 1), 1);
  EXPECT_EQ(rows[0], 9);
  EXPECT_EQ(rows[2], 7);
  EXPECT_EQ(JpegFile::SwapRedBlue(nullptr, 3, 1), 0);

  std::uint8_t grey[] = {5, 6};
  std::uint8_t out[12] = {};
  JpegFile::CopyRowGrey(grey, 2, out, 1);
  EXPECT_EQ(std::vector<std::uint8_t>(out + 6, out + 12), (std::vector<std::uint8_t>{5, 5, 5, 6, 6, 6}));
}

TEST(JpegFile, ColourRoundTripIsCloseAndReadByQt)
{
  CTempFolder folder;
  const std::vector<std::uint8_t> rgb = PatternRgb(40, 32);
  const std::string path = folder.File("c.jpg");
  ASSERT_EQ(JpegFile::WriteFromRgb(path, rgb.data(), 40, 32, 1, 95), 1);
  unsigned width = 0, height = 0;
  ASSERT_EQ(JpegFile::ReadDimensions(path, width, height), 1);
  EXPECT_EQ(width, 40u);
  EXPECT_EQ(height, 32u);
  auto back = JpegFile::ReadToRgb(path, width, height);
  ASSERT_TRUE(back);
  // Block centres, away from the borders that chroma subsampling blurs.
  for (unsigned y = 4; y < 32; y += 16)
    for (unsigned x = 4; x < 40; x += 8)
      for (unsigned k = 0; k < 3; k++) {
        const std::size_t i = (std::size_t(y) * 40 + x) * 3 + k;
        ASSERT_NEAR(back[i], rgb[i], 8) << x << "," << y;
      }

  const QImage qt = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB888);
  ASSERT_EQ(qt.width(), 40);
  const QColor c = qt.pixelColor(20, 24);
  EXPECT_NEAR(c.red(), rgb[(24 * 40 + 20) * 3], 8);
  EXPECT_NEAR(c.blue(), rgb[(24 * 40 + 20) * 3 + 2], 8);
}

TEST(JpegFile, GreyFilesReadBackAsEqualChannels)
{
  CTempFolder folder;
  const std::vector<std::uint8_t> rgb = PatternRgb(16, 16);
  const std::string path = folder.File("g.jpg");
  ASSERT_EQ(JpegFile::WriteFromRgb(path, rgb.data(), 16, 16, 0, 95), 1);
  EXPECT_TRUE(QImage(QString::fromStdString(path)).isGrayscale());
  unsigned width = 0, height = 0;
  auto back = JpegFile::ReadToRgb(path, width, height);
  ASSERT_TRUE(back);
  for (std::size_t i = 0; i < std::size_t(width) * height; i++) {
    EXPECT_EQ(back[3 * i], back[3 * i + 1]);
    EXPECT_EQ(back[3 * i], back[3 * i + 2]);
    EXPECT_NEAR(back[3 * i], JpegFile::Grey(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]), 8);
  }
}

TEST(JpegFile, FailuresAreReported)
{
  CTempFolder folder;
  CMessages messages;
  const std::uint8_t pixel[] = {1, 2, 3};
  EXPECT_EQ(JpegFile::WriteFromRgb(folder.File("z.jpg"), pixel, 0, 1, 1, 75), 0);
  EXPECT_EQ(JpegFile::WriteFromRgb(folder.File("z.jpg"), nullptr, 1, 1, 1, 75), 0);
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(JpegFile::WriteFromRgb(folder.File("no/such/z.jpg"), pixel, 1, 1, 1, 75), 0);
  EXPECT_EQ(messages.Last(), "JpegFile :\nCan't open " + folder.File("no/such/z.jpg") + "\n");

  unsigned width = 7, height = 7;
  EXPECT_FALSE(JpegFile::ReadToRgb(folder.File("none.jpg"), width, height));
  EXPECT_EQ(width, 0u);
  EXPECT_EQ(messages.Texts().size(), 2u);
  EXPECT_EQ(JpegFile::ReadDimensions(folder.File("none.jpg"), width, height), 0);
  EXPECT_EQ(messages.Last(), "JPEG :\nCan't open " + folder.File("none.jpg") + "\n");

  WriteAll(folder.File("text.jpg"), {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
  EXPECT_FALSE(JpegFile::ReadToRgb(folder.File("text.jpg"), width, height));
  EXPECT_EQ(JpegFile::ReadDimensions(folder.File("text.jpg"), width, height), 0);
  EXPECT_EQ(messages.Texts().size(), 5u);
}

TEST(JpegFile, CmykFilesAreRefused)
{
  CTempFolder folder;
  CMessages messages;
  WriteCmykJpeg(folder.File("cmyk.jpg"));
  unsigned width = 0, height = 0;
  EXPECT_EQ(JpegFile::ReadDimensions(folder.File("cmyk.jpg"), width, height), 1);
  EXPECT_FALSE(JpegFile::ReadToRgb(folder.File("cmyk.jpg"), width, height));
  EXPECT_EQ(messages.Last(), "JpegFile :\nUnsupported color space");
}
