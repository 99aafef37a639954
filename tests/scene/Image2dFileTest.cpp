#include "Image2dTest.h"

#include <QColor>
#include <QImage>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

// Text-string forms of the shared byte helpers: these tests build headers as strings.
void WriteBytes(const std::string& path, const std::string& bytes)
{
  ::WriteBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string ReadText(const std::string& path)
{
  const std::vector<std::uint8_t> bytes = ::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string LE(uint32_t value, int count)
{
  std::string bytes;
  for (int i = 0; i < count; i++)
    bytes += static_cast<char>(value >> (8 * i));
  return bytes;
}

// An 8-bit bitmap header; the caller appends the colour table and pixels.
std::string BmpHeader(int width, int height, int planes = 1, int bits = 8, int compression = 0)
{
  const int stride = (width + 3) / 4 * 4;
  return "BM" + LE(1078 + stride * height, 4) + LE(0, 4) + LE(1078, 4) + LE(40, 4) + LE(width, 4) + LE(height, 4) +
         LE(planes, 2) + LE(bits, 2) + LE(compression, 4) + LE(stride * height, 4) + std::string(16, '\0');
}

std::string GreyTable()
{
  std::string table;
  for (int i = 0; i < 256; i++)
    table += LE(i | i << 8 | i << 16, 4);
  return table;
}

const char* InrHeader =
  "#INRIMAGE-4#{\nXDIM=3\nYDIM=2\nZDIM=1\nVDIM=1\nTYPE=unsigned fixed\nPIXSIZE=8 bits\nCPU=sun\n##}\n";

} // namespace

class Image2dFile : public Image2dTest
{
protected:
  TempFolder m_Folder;
};

TEST_F(Image2dFile, PgmIsReadByQtWithTruncatedLowBytes)
{
  CImage2d image;
  SetPixels(image, 3, 2, {0, 3.7f, 255, 256, -1, 128});
  const std::string path = m_Folder.File("grey.pgm");
  ASSERT_EQ(image.Savefile(path.c_str()), 1);
  QImage oracle(QString::fromStdString(path), "PGM");
  ASSERT_FALSE(oracle.isNull());
  ASSERT_EQ(oracle.width(), 3);
  ASSERT_EQ(oracle.height(), 2);
  const int expected[2][3] = {{0, 3, 255}, {0, 255, 128}};
  for (int y = 0; y < 2; y++)
    for (int x = 0; x < 3; x++)
      EXPECT_EQ(qGray(oracle.pixel(x, y)), expected[y][x]) << x << "," << y;
  CImage2d back;
  ASSERT_EQ(back.ReadFile(path.c_str()), 1);
  EXPECT_EQ(Pixels(back), (std::vector<float>{0, 3, 255, 0, 255, 128}));
}

TEST_F(Image2dFile, PgmWrittenByQtReadsBack)
{
  QImage source(5, 3, QImage::Format_Grayscale8);
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 5; x++)
      source.setPixelColor(x, y, QColor(x * 50 + y, x * 50 + y, x * 50 + y));
  const std::string path = m_Folder.File("qt.pgm");
  ASSERT_TRUE(source.save(QString::fromStdString(path), "PGM"));
  CImage2d image;
  ASSERT_EQ(image.ReadFile(path.c_str()), 1);
  ASSERT_EQ(image.GetWidth(), 5);
  ASSERT_EQ(image.GetHeight(), 3);
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 5; x++)
      EXPECT_EQ(image.GetPixel(x, y), static_cast<float>(x * 50 + y));
}

TEST_F(Image2dFile, PgmBinaryAndTextForms)
{
  const std::string path = m_Folder.File("a.pgm");
  WriteBytes(path, std::string("P5\n# made by hand\n4 2\n255\n") + "\x01\x02\x03\x04\x05\x06\xfe\xff");
  CImage2d image;
  ASSERT_EQ(image.ReadFile(path.c_str()), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{1, 2, 3, 4, 5, 6, 254, 255}));

  WriteBytes(path, "P2\r\n# text\r\n3 2\r\n255\r\n 10 20\n30 40\n50 60");
  ASSERT_EQ(image.ReadFile(path.c_str()), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{10, 20, 30, 40, 50, 60}));

  WriteBytes(path, "P6\n4 2\n255\n12345678");
  EXPECT_EQ(image.ReadFile(path.c_str()), 0);
  EXPECT_EQ(LastBox(), "Invalid PGM file format in file");
}

TEST_F(Image2dFile, HostilePgmHeadersAreRefused)
{
  const std::string path = m_Folder.File("bad.pgm");
  const struct { const char* bytes; const char* text; } cases[] = {
    {"", "ReadFile : Invalid ppm file\n"},
    {"P\n4 2\n255\n", "ReadFile : Invalid ppm file\n"},
    {"P5\n4\n255\n", "ReadFile : Invalid ppm file\n"},
    {"P5\n4 2\n", "ReadFile : Invalid ppm file\n"},
    {"P5\n# only comments\n# to the end\n", "ReadFile : Invalid ppm file\n"},
    {"P5\n-4 2\n255\n", "Alloc : invalid specified size\n"},
    {"P5\n0 7\n255\n", "Alloc : invalid specified size\n"},
    {"P5\n65536 65536\n255\n", "ReadFile : file shorter than its image\n"},
    {"P2\n100000 100000\n255\n1 2 3", "ReadFile : file shorter than its image\n"},
  };
  for (const auto& c : cases) {
    WriteBytes(path, c.bytes);
    CImage2d image(2, 2, 9.0);
    EXPECT_EQ(image.ReadFile(path.c_str()), 0) << c.bytes;
    EXPECT_EQ(LastBox(), c.text) << c.bytes;
    EXPECT_STREQ(image.GetError(), c.text);
  }
}

TEST_F(Image2dFile, BmpIsReadByQtBottomRowFirst)
{
  CImage2d image;
  SetPixels(image, 3, 1, {7, 300, -2});
  const std::string small = m_Folder.File("small.bmp");
  ASSERT_EQ(image.Savefile(small.c_str()), 1);
  EXPECT_EQ(ReadText(small).size(), 1082u);
  CImage2d back;
  ASSERT_EQ(back.ReadFile(small.c_str()), 1);
  EXPECT_EQ(Pixels(back), (std::vector<float>{7, 44, 254}));

  SetPixels(image, 5, 3, {0, 1, 2, 3, 4, 10, 11, 12, 13, 14, 200, 201, 202, 203, 255});
  const std::string path = m_Folder.File("grey.BMP");
  ASSERT_EQ(image.WriteFile(3, path.c_str()), 1);
  QImage oracle(QString::fromStdString(path), "BMP");
  ASSERT_FALSE(oracle.isNull());
  ASSERT_EQ(oracle.width(), 5);
  ASSERT_EQ(oracle.height(), 3);
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 5; x++)
      EXPECT_EQ(qGray(oracle.pixel(x, 2 - y)), static_cast<int>(image.GetPixel(x, y))) << x << "," << y;
  ASSERT_EQ(back.ReadFile(path.c_str()), 1);
  EXPECT_TRUE(back.IsEqual(image));
}

TEST_F(Image2dFile, BmpWrittenByQtGivesPaletteIndices)
{
  QImage source(6, 2, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < 256; i++)
    table.append(qRgb(i, i, i));
  source.setColorTable(table);
  for (int y = 0; y < 2; y++)
    for (int x = 0; x < 6; x++)
      source.setPixel(x, y, static_cast<uint>(40 * x + y));
  const std::string path = m_Folder.File("qt.bmp");
  ASSERT_TRUE(source.save(QString::fromStdString(path), "BMP"));
  CImage2d image;
  ASSERT_EQ(image.ReadFile(path.c_str()), 1);
  ASSERT_EQ(image.GetWidth(), 6);
  for (int y = 0; y < 2; y++)
    for (int x = 0; x < 6; x++)
      EXPECT_EQ(image.GetPixel(x, 1 - y), static_cast<float>(40 * x + y));
}

TEST_F(Image2dFile, HostileBmpHeadersAreRefused)
{
  const std::string path = m_Folder.File("bad.bmp");
  const std::string pixels(8, '\x10');
  const struct { std::string bytes; const char* text; } cases[] = {
    {"BM12", "ReadFileBMP : Invalid bitmap file\n"},
    {"PK" + BmpHeader(4, 2).substr(2) + GreyTable() + pixels, "ReadFileBMP : Invalid bitmap file\n"},
    {BmpHeader(4, 2, 1, 24) + pixels, "ReadFileBMP : Invalid color depth\n"},
    {BmpHeader(4, 2, 2, 8) + GreyTable() + pixels, "ReadFileBMP : Invalid color depth\n"},
    {BmpHeader(4, 2, 1, 8, 1) + GreyTable() + pixels, "ReadFileBMP : Invalid compression\n"},
    {BmpHeader(4, 2) + GreyTable() + pixels.substr(3), "ReadFileBMP : Invalid file size\n"},
    {BmpHeader(40000, 40000) + GreyTable() + pixels, "ReadFileBMP : Invalid file size\n"},
    {BmpHeader(-4, 2) + GreyTable() + pixels, "ReadFileBMP : insuffisant memory\n"},
    {BmpHeader(4, 0) + GreyTable(), "ReadFileBMP : insuffisant memory\n"},
  };
  for (const auto& c : cases) {
    WriteBytes(path, c.bytes);
    CImage2d image;
    EXPECT_EQ(image.ReadFile(path.c_str()), 0) << c.text;
    EXPECT_EQ(LastBox(), c.text);
  }
}

TEST_F(Image2dFile, InrimageRoundTripHasA256ByteHeader)
{
  CImage2d image(7, 5, 0.0);
  for (int i = 0; i < 35; i++)
    image.GetData()[i] = static_cast<float>(i * 7);
  const std::string path = m_Folder.File("round.inr");
  ASSERT_EQ(image.Savefile(path.c_str()), 1);
  const std::string bytes = ReadText(path);
  ASSERT_EQ(bytes.size(), 256u + 35);
  EXPECT_EQ(bytes.substr(0, 26), "#INRIMAGE-4#{\nXDIM=7\nYDIM=");
  EXPECT_EQ(bytes.substr(252, 4), "##}\n");
  CImage2d back;
  ASSERT_EQ(back.ReadFile(path.c_str()), 1);
  EXPECT_TRUE(back.IsEqual(image));
}

TEST_F(Image2dFile, HostileInrimageHeadersAreRefused)
{
  const std::string path = m_Folder.File("bad.inr");
  const std::string good = InrHeader;
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const struct { std::string bytes; const char* text; } cases[] = {
    {replaced("-4#", "-5#"), "Invalid inrimage file : bad version\n"},
    {replaced("XDIM=3", "XDIM="), "Invalid inrimage file : bad width\n"},
    {replaced("YDIM=2", "ydim=2"), "Invalid inrimage file : bad height\n"},
    {replaced("ZDIM=1", "ZDIM=2"), "Invalid inrimage file : bad z dimension\n"},
    {replaced("VDIM=1", "VDIM=3"), "Invalid inrimage file : bad v dimension\n"},
    {replaced("unsigned fixed", "float"), "Invalid inrimage file : bad type\n"},
    {replaced("PIXSIZE=8", "PIXSIZE=16"), "Invalid inrimage file : bad pixel size\n"},
    {replaced("##}\n", "\n"), "Invalid inrimage file : no end of header\n"},
    {"#INRIMAGE-4#{\nXDIM=3\n", "Invalid inrimage file : bad height\n"},
    {replaced("XDIM=3", "XDIM=-3"), "Alloc : invalid specified size\n"},
    {replaced("YDIM=2", "YDIM=2000000000"), "ReadFile : file shorter than its image\n"},
  };
  for (const auto& c : cases) {
    WriteBytes(path, c.bytes);
    CImage2d image;
    EXPECT_EQ(image.ReadFile(path.c_str()), 0) << c.text;
    EXPECT_EQ(LastBox(), c.text);
  }
}

// A header alone must not cost the image it announces: the pixels are counted in the file
// before anything is allocated, and a file that ends early is refused rather than padded.
TEST_F(Image2dFile, ShortFilesAreRefusedBeforeAllocating)
{
  const std::string path = m_Folder.File("short.pgm");
  const std::string inr = m_Folder.File("short.inr");
  const std::string good = InrHeader;
  std::string large = good;
  large.replace(large.find("XDIM=3"), 6, "XDIM=16384");
  large.replace(large.find("YDIM=2"), 6, "YDIM=16384");
  const struct { std::string file; std::string bytes; } cases[] = {
    {path, "P5\n16384 16384\n255\n"},
    {path, std::string("P5\n4 2\n255\n") + "\x01\x02\x03\x04\x05\x06\x07"},
    {path, "P2\n16384 16384\n255\n1 2 3\n"},
    {path, "P2\n3 2\n255\n10 20 30 40 50\n"},
    {path, "P2\n3 2\n255\n10 20 30 40 50 x\n"},
    {inr, large},
    {inr, good + "abcde"},
  };
  for (const auto& c : cases) {
    WriteBytes(c.file, c.bytes);
    CImage2d image(2, 2, 9.0);
    EXPECT_EQ(image.ReadFile(c.file.c_str()), 0) << c.bytes;
    EXPECT_EQ(LastBox(), "ReadFile : file shorter than its image\n") << c.bytes;
    EXPECT_EQ(Pixels(image), std::vector<float>(4, 9.0f)) << c.bytes;  // left as it was
  }
  WriteBytes(inr, good + "abcdef");
  CImage2d image;
  ASSERT_EQ(image.ReadFile(inr.c_str()), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{'a', 'b', 'c', 'd', 'e', 'f'}));
}

TEST_F(Image2dFile, LgnTakesItsHeightFromTheFileSize)
{
  const std::string path = m_Folder.File("scan.lgn");
  WriteBytes(path, LE(3, 2) + LE(99, 2) + "\x01\x02\x03\x04\x05\x06");
  CImage2d image;
  ASSERT_EQ(image.ReadFile(path.c_str()), 1);
  EXPECT_EQ(image.GetWidth(), 3);
  EXPECT_EQ(Pixels(image), (std::vector<float>{1, 2, 3, 4, 5, 6}));
  const struct { std::string bytes; const char* text; } cases[] = {
    {LE(4, 2) + LE(0, 2) + "123456", "Invalid LGN file"},
    {LE(0, 2) + LE(0, 2) + "123456", "Invalid LGN file"},
    {LE(0xfffd, 2) + LE(0, 2) + "123456", "Invalid LGN file"},  // width -3
    {"\x03", "Invalid LGN file"},
    {LE(3, 2) + LE(0, 2), "Alloc : invalid specified size\n"},
  };
  for (const auto& c : cases) {
    WriteBytes(path, c.bytes);
    EXPECT_EQ(image.ReadFile(4, path.c_str()), 0);
    EXPECT_EQ(LastBox(), c.text);
  }
}

TEST_F(Image2dFile, NamesAndTypesAreDispatched)
{
  CImage2d image(2, 2, 1.0);
  EXPECT_EQ(image.ReadFile("picture.gif"), 0);
  EXPECT_EQ(LastBox(), "ReadFile : invalid file name or unknown format\n");
  EXPECT_EQ(image.ReadFile(9, "picture.pgm"), 0);
  EXPECT_EQ(LastBox(), "Copy : unkown image type\n");
  EXPECT_EQ(image.Savefile(m_Folder.File("picture.BMP").c_str()), 0);  // lower case only
  EXPECT_EQ(LastBox(), "Savefile : invalid file name or unknown format\n");
  EXPECT_EQ(image.WriteFile(4, m_Folder.File("picture.lgn").c_str()), 0);
  EXPECT_EQ(LastBox(), "WriteFile : unknown image type\n");
  EXPECT_EQ(image.ReadFile(m_Folder.File("missing.pgm").c_str()), 0);
  EXPECT_EQ(LastBox(), "ReadFile : Unable to open file");
  EXPECT_EQ(image.ReadFile(m_Folder.File("missing.lgn").c_str()), 0);
  EXPECT_EQ(LastBox(), "Unable to open file");
  EXPECT_EQ(image.Savefile(m_Folder.File("no/such/folder.pgm").c_str()), 0);
  EXPECT_EQ(LastBox(), "Unable to open file");
  CImage2d empty;
  EXPECT_EQ(empty.Savefile(m_Folder.File("empty.pgm").c_str()), 0);
  EXPECT_EQ(LastBox(), "WriteFile : empty image\n");
}

TEST_F(Image2dFile, TraceLinesGoToStandardOutput)
{
  CImage2d image(4, 3, 1.0, 1);
  const std::string path = m_Folder.File("t.pgm");
  testing::internal::CaptureStdout();
  image.Savefile(path.c_str());
  image.ReadFile(path.c_str());
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "saving .pgm file " + path + "...\nformat = P5\nwidth  = 4\nheight = 3\nmax    = 255\n" +
                   "reading PGM file " + path + "...\nformat = P5\nwidth  = 4\nheight = 3\nmax    = 255\n");
  CImage2d quiet(4, 3, 1.0);
  testing::internal::CaptureStdout();
  quiet.Savefile(path.c_str());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
