#include "scene/Texture.h"

#include "TextureTestSupport.h"
#include "platform/core/DeviceContextMemory.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <cstdlib>

using namespace texture_test;

namespace {

// Byte `k` of the picture's pixel (x, y), y counted from the top as Qt counts it.
std::uint8_t PictureByte(const CTexture& texture, int x, int y, int k)
{
  const unsigned row = texture.GetHeight() - 1 - unsigned(y);
  return texture.GetData()[std::size_t(row) * texture.GetStride() + x * 3 + k];
}

// Every reader leaves the picture bottom-up and blue first, like a BMP in memory. With
// `block` set, pixels near the borders of flat blocks (which a lossy coder blurs) are not
// compared.
void ExpectBgrBottomUp(const CTexture& texture, const QImage& expected, int tolerance, int block = 0)
{
  ASSERT_TRUE(texture.IsValid());
  ASSERT_EQ(int(texture.GetWidth()), expected.width());
  ASSERT_EQ(int(texture.GetHeight()), expected.height());
  EXPECT_EQ(texture.GetDepth(), 24u);
  EXPECT_FALSE(texture.IsRedFirst());
  for (int y = 0; y < expected.height(); y++)
    for (int x = 0; x < expected.width(); x++) {
      const auto nearBorder = [&](int v) { return v % block < 3 || v % block > block - 4; };
      if (block && (nearBorder(x) || nearBorder(y)))
        continue;
      const QColor c = expected.pixelColor(x, y);
      EXPECT_NEAR(PictureByte(texture, x, y, 0), c.blue(), tolerance) << x << "," << y;
      EXPECT_NEAR(PictureByte(texture, x, y, 1), c.green(), tolerance) << x << "," << y;
      EXPECT_NEAR(PictureByte(texture, x, y, 2), c.red(), tolerance) << x << "," << y;
    }
}

std::vector<std::uint8_t> WithBmpFileHeader(const std::vector<std::uint8_t>& dib)
{
  std::vector<std::uint8_t> file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLE32(file, 2, std::uint32_t(14 + dib.size()));
  PutLE32(file, 10, 54);
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

QImage QtRead(const std::vector<std::uint8_t>& bytes, const char* format)
{
  return QImage::fromData(bytes.data(), int(bytes.size()), format).convertToFormat(QImage::Format_RGB888);
}

} // namespace

TEST(TextureFile, QtBmpOfOddWidthReadsBottomUpBlueFirst)
{
  CTempFolder folder;
  const QImage image = PatternImage(5, 3);
  ASSERT_TRUE(image.save(QString::fromStdString(folder.File("odd.bmp")), "BMP"));
  CTexture texture;
  ASSERT_EQ(texture.ReadFile(folder.File("odd.bmp")), 1);
  ExpectBgrBottomUp(texture, image, 0);
  EXPECT_EQ(texture.GetStride(), 16u);
  EXPECT_EQ(texture.GetFileName(), folder.File("odd.bmp"));
}

TEST(TextureFile, QtJpegDecodesBottomUpBlueFirstWithinTolerance)
{
  CTempFolder folder;
  // Flat 16 x 16 blocks keep a lossy coder close to the colours away from their borders.
  QImage image(48, 32, QImage::Format_RGB888);
  for (int y = 0; y < image.height(); y++)
    for (int x = 0; x < image.width(); x++)
      image.setPixelColor(x, y, PatternColor(x / 16, y / 16));
  ASSERT_TRUE(image.save(QString::fromStdString(folder.File("blocks.JPEG")), "JPEG", 100));
  CTexture texture;
  ASSERT_EQ(texture.ReadFile(folder.File("blocks.JPEG")), 1);
  ExpectBgrBottomUp(texture, image, 8, 16);
}

TEST(TextureFile, HandMadeSgiReadsBottomUpBlueFirst)
{
  CTempFolder folder;
  const QImage image = PatternImage(3, 2);
  // SGI rows go bottom first: row y from the bottom is Qt's row height - 1 - y.
  WriteAll(folder.File("tile.rgb"),
           SgiFile(3, 2, [&](unsigned x, unsigned y) { return image.pixelColor(int(x), 1 - int(y)); }));
  CTexture texture;
  ASSERT_EQ(texture.ReadFile(folder.File("tile.rgb")), 1);
  ExpectBgrBottomUp(texture, image, 0);
}

TEST(TextureFile, AllReadersAgreeAfterBgrToRgb)
{
  CTempFolder folder;
  const QImage image = PatternImage(4, 4);
  ASSERT_TRUE(image.save(QString::fromStdString(folder.File("a.bmp")), "BMP"));
  WriteAll(folder.File("a.rgb"),
           SgiFile(4, 4, [&](unsigned x, unsigned y) { return image.pixelColor(int(x), 3 - int(y)); }));
  CTexture bmp;
  CTexture sgi;
  ASSERT_EQ(bmp.ReadFile(folder.File("a.bmp")), 1);
  ASSERT_EQ(sgi.ReadFile(folder.File("a.rgb")), 1);
  ASSERT_EQ(bmp.BGRtoRGB(), 1);
  ASSERT_EQ(sgi.BGRtoRGB(), 1);
  // What OpenGL receives: row 0 is the bottom row, red first.
  for (int x = 0; x < 4; x++) {
    const QColor bottom = image.pixelColor(x, 3);
    EXPECT_EQ(bmp.GetData()[x * 3], bottom.red());
    EXPECT_EQ(bmp.GetData()[x * 3 + 2], bottom.blue());
  }
  EXPECT_EQ(std::vector<std::uint8_t>(bmp.GetData(), bmp.GetData() + 48),
            std::vector<std::uint8_t>(sgi.GetData(), sgi.GetData() + 48));
}

TEST(TextureFile, BmpRoundTripOfOddWidthsIsReadByQt)
{
  CTempFolder folder;
  for (int width : {1, 2, 3, 5, 7}) {
    const QImage image = PatternImage(width, 3);
    const std::string path = folder.File("round.bmp");
    ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));
    CTexture texture;
    ASSERT_EQ(texture.ReadFile(path), 1);
    const std::string copy = folder.File("copy.bmp");
    ASSERT_EQ(texture.SaveFileBMP(copy), 1);
    EXPECT_EQ(QImage(QString::fromStdString(copy)).convertToFormat(QImage::Format_RGB888), image)
        << "width " << width;
    CTexture again;
    ASSERT_EQ(again.ReadFile(copy), 1);
    ExpectBgrBottomUp(again, image, 0);
  }
}

TEST(TextureFile, BmpWrittenAfterBgrToRgbKeepsItsColours)
{
  CTempFolder folder;
  const QImage image = PatternImage(3, 2);
  ASSERT_TRUE(image.save(QString::fromStdString(folder.File("in.bmp")), "BMP"));
  CTexture texture;
  ASSERT_EQ(texture.ReadFile(folder.File("in.bmp")), 1);
  ASSERT_EQ(texture.BGRtoRGB(), 1);
  ASSERT_EQ(texture.SaveFile(folder.File("OUT.BMP")), 1);
  EXPECT_EQ(QImage(QString::fromStdString(folder.File("OUT.BMP"))).convertToFormat(QImage::Format_RGB888),
            image);
  // The texture itself is untouched by the write.
  EXPECT_TRUE(texture.IsRedFirst());
  EXPECT_EQ(texture.GetData()[0], image.pixelColor(0, 1).red());
}

TEST(TextureFile, BmpOfTenByTwoHasTheExpectedLayout)
{
  CTempFolder folder;
  CTexture texture;
  ASSERT_EQ(texture.Alloc(10, 2, 24), 1);
  texture.Fill(1, 2, 3);
  ASSERT_EQ(texture.SaveFileBMP(folder.File("t.bmp")), 1);
  const std::vector<std::uint8_t> bytes = ReadAll(folder.File("t.bmp"));
  ASSERT_EQ(bytes.size(), 118u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(bytes[2] | bytes[3] << 8, 118);
  EXPECT_EQ(bytes[10], 54);
  EXPECT_EQ(bytes[14], 40);
  EXPECT_EQ(bytes[28], 24);
  EXPECT_EQ(bytes[34], 64);  // biSizeImage
}

TEST(TextureFile, BmpWriterRefusesWhatItCannotWrite)
{
  CTempFolder folder;
  CMessages messages;
  CTexture empty;
  EXPECT_EQ(empty.SaveFileBMP(folder.File("e.bmp")), 0);
  CTexture rgba;
  ASSERT_EQ(rgba.Alloc(2, 2, 32), 1);
  EXPECT_EQ(rgba.SaveFileBMP(folder.File("r.bmp")), 0);
  EXPECT_TRUE(messages.Texts().empty());
  CTexture texture;
  ASSERT_EQ(texture.Alloc(2, 2, 24), 1);
  EXPECT_EQ(texture.SaveFileBMP(folder.File("missing/folder/x.bmp")), 0);
  EXPECT_EQ(messages.Last(), "Unable to open file for writing");
  EXPECT_EQ(texture.SaveFile(folder.File("x.png")), 0);
  EXPECT_EQ(messages.Last(), "CTexture::SaveFile : invalid file redirection : " + folder.File("x.png") + "\n");
}

TEST(TextureFile, RawRoundTripKeepsEveryRowOfOddWidths)
{
  CTempFolder folder;
  for (unsigned depth : {24u, 32u})
    for (unsigned width : {1u, 3u, 5u}) {
      CTexture texture;
      ASSERT_EQ(texture.Alloc(width, 3, depth), 1);
      for (unsigned y = 0; y < 3; y++)
        for (unsigned x = 0; x < width; x++)
          texture.SetColor(x, y, std::uint8_t(x + 10 * y), std::uint8_t(x * y), std::uint8_t(200 - y));
      const std::string path = folder.File("t.raw");
      ASSERT_EQ(texture.SaveFile(path), 1);
      EXPECT_EQ(ReadAll(path).size(), std::size_t(width) * 3 * depth / 8);
      CTexture back;
      ASSERT_EQ(back.ReadFile(path, width, 3, depth), 1);
      for (unsigned y = 0; y < 3; y++)
        for (unsigned x = 0; x < width; x++) {
          std::uint8_t a[3], b[3];
          texture.GetColor(x, y, a[0], a[1], a[2]);
          back.GetColor(x, y, b[0], b[1], b[2]);
          EXPECT_EQ(std::vector<std::uint8_t>(a, a + 3), std::vector<std::uint8_t>(b, b + 3));
        }
    }
}

TEST(TextureFile, ExtensionsChooseTheReader)
{
  CTempFolder folder;
  CMessages messages;
  CTexture texture;
  EXPECT_EQ(texture.ReadFile(folder.File("picture.gif")), 0);
  EXPECT_EQ(messages.Last(), "CTexture::ReadFile : invalid file redirection : " + folder.File("picture.gif") + "\n");
  EXPECT_EQ(texture.ReadFile(folder.File("missing.BMP")), 0);
  EXPECT_EQ(messages.Last(), "Unable to open file for reading");
  EXPECT_EQ(texture.ReadFile(folder.File("missing.jpeg")), 0);
  EXPECT_EQ(messages.Last(), "JPEG :\nCan't open " + folder.File("missing.jpeg") + "\n");
  const std::size_t shown = messages.Texts().size();
  EXPECT_EQ(texture.ReadFile(folder.File("missing.rgb")), 0);
  EXPECT_EQ(messages.Texts().size(), shown);  // SGI files fail silently when absent
}

TEST(TextureFile, ClipboardBitmapIsReadByQt)
{
  CTempFolder folder;
  const QImage image = PatternImage(3, 2);
  ASSERT_TRUE(image.save(QString::fromStdString(folder.File("c.bmp")), "BMP"));
  CTexture texture;
  ASSERT_EQ(texture.ReadFile(folder.File("c.bmp")), 1);
  texture.BGRtoRGB();
  const std::vector<std::uint8_t> dib = texture.ExportHandle();
  ASSERT_EQ(dib.size(), 40u + 12 * 2);
  EXPECT_EQ(QtRead(WithBmpFileHeader(dib), "BMP"), image);

  CTexture imported;
  ASSERT_EQ(imported.ImportHandle(dib), 1);
  ExpectBgrBottomUp(imported, image, 0);
}

TEST(TextureFile, DrawShowsThePictureUpright)
{
  CTempFolder folder;
  const QImage image = PatternImage(3, 2);
  ASSERT_TRUE(image.save(QString::fromStdString(folder.File("d.bmp")), "BMP"));
  CTexture texture;
  ASSERT_EQ(texture.ReadFile(folder.File("d.bmp")), 1);
  for (int swapped = 0; swapped < 2; swapped++) {
    platform::CDeviceContextMemory dc(8, 8);
    EXPECT_EQ(texture.Draw(dc, 2, 1), 2);
    for (int y = 0; y < 2; y++)
      for (int x = 0; x < 3; x++) {
        const QColor c = image.pixelColor(x, y);
        EXPECT_EQ(dc.GetPixel(2 + x, 1 + y), platform::Rgb(c.red(), c.green(), c.blue()));
      }
    EXPECT_EQ(dc.GetPixel(1, 1), platform::Rgb(0, 0, 0));
    texture.BGRtoRGB();  // drawing honours the channel order
  }
}

TEST(TextureFile, StretchScalesTheWholePicture)
{
  CTexture texture;
  ASSERT_EQ(texture.Alloc(2, 2, 24), 1);
  texture.SetColor(0, 0, 1, 1, 1);      // bottom left, bytes blue first
  texture.SetColor(1, 1, 0, 0, 255);    // top right: red
  texture.SetColor(0, 1, 0, 255, 0);    // top left: green
  texture.SetColor(1, 0, 255, 0, 0);    // bottom right: blue
  platform::CDeviceContextMemory dc(4, 4);
  EXPECT_EQ(texture.Stretch(dc, {0, 0, 4, 4}), 2);
  EXPECT_EQ(dc.GetStretchBltMode(), platform::COLORONCOLOR);
  EXPECT_EQ(dc.GetPixel(1, 1), platform::Rgb(0, 255, 0));
  EXPECT_EQ(dc.GetPixel(3, 0), platform::Rgb(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(2, 3), platform::Rgb(0, 0, 255));
  EXPECT_EQ(dc.GetPixel(0, 2), platform::Rgb(1, 1, 1));
  CTexture empty;
  EXPECT_EQ(empty.Stretch(dc, {0, 0, 4, 4}), 0);
  EXPECT_EQ(empty.Draw(dc, 0, 0), 0);
}
