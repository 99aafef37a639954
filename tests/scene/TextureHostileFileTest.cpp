// Malformed and hostile files for every texture reader: each must end in a failure with
// the system's message, an empty texture and no sanitizer report.
#include "scene/Texture.h"

#include "TextureTestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

using namespace texture_test;

namespace {

// A sound 24-bit 3 x 2 BMP made by hand: 54 bytes of headers, two rows of 12 bytes.
std::vector<std::uint8_t> HandBmp()
{
  std::vector<std::uint8_t> bytes(54 + 24, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLE32(bytes, 2, std::uint32_t(bytes.size()));
  PutLE32(bytes, 10, 54);
  PutLE32(bytes, 14, 40);
  PutLE32(bytes, 18, 3);
  PutLE32(bytes, 22, 2);
  PutLE16(bytes, 26, 1);
  PutLE16(bytes, 28, 24);
  PutLE32(bytes, 34, 24);
  for (std::size_t i = 54; i < bytes.size(); i++)
    bytes[i] = std::uint8_t(i);
  return bytes;
}

class TextureHostile : public ::testing::Test
{
protected:
  // Reads the bytes as a file of the extension; answers the read's result.
  int Read(const std::vector<std::uint8_t>& bytes, const std::string& extension)
  {
    const std::string path = m_Folder.File("hostile" + extension);
    WriteAll(path, bytes);
    return m_Texture.ReadFile(path);
  }

  void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& extension,
                     const std::string& message)
  {
    EXPECT_EQ(Read(bytes, extension), 0);
    EXPECT_FALSE(m_Texture.IsValid());
    EXPECT_EQ(m_Messages.Last(), message);
  }

  CTempFolder m_Folder;
  CMessages m_Messages;
  CTexture m_Texture;
};

} // namespace

TEST_F(TextureHostile, HandMadeBmpIsSound)
{
  ASSERT_EQ(Read(HandBmp(), ".bmp"), 1);
  EXPECT_EQ(m_Texture.GetWidth(), 3u);
  EXPECT_EQ(m_Texture.GetData()[12], 66);  // second row starts 12 bytes on
}

TEST_F(TextureHostile, BmpWithoutImageSizeIsSizedFromItsStride)
{
  for (std::uint32_t size : {0u, 5u, 1000000u}) {
    std::vector<std::uint8_t> bytes = HandBmp();
    PutLE32(bytes, 34, size);
    ASSERT_EQ(Read(bytes, ".bmp"), 1) << size;
    EXPECT_EQ(m_Texture.GetHeader().biSizeImage, 24u);
  }
}

TEST_F(TextureHostile, BmpHeadersAreChecked)
{
  std::vector<std::uint8_t> bytes = HandBmp();
  bytes[1] = 'A';
  ExpectRefused(bytes, ".bmp", "Invalid BMP file");

  bytes = HandBmp();
  PutLE16(bytes, 28, 8);
  ExpectRefused(bytes, ".bmp", "Texture file must have 24 bits depth");

  bytes = HandBmp();
  PutLE32(bytes, 22, std::uint32_t(-2));  // top-down rows
  ExpectRefused(bytes, ".bmp", "Invalid BMP file");

  bytes = HandBmp();
  PutLE32(bytes, 30, 1);  // run-length compression
  ExpectRefused(bytes, ".bmp", "Invalid BMP file");

  bytes = HandBmp();
  PutLE32(bytes, 14, 108);  // a longer header version
  ExpectRefused(bytes, ".bmp", "Invalid BMP file");

  bytes = HandBmp();
  PutLE32(bytes, 18, 0);
  ExpectRefused(bytes, ".bmp", "Invalid BMP file");

  bytes = HandBmp();
  PutLE32(bytes, 10, 20);  // pixels inside the headers
  ExpectRefused(bytes, ".bmp", "Invalid BMP file");
}

TEST_F(TextureHostile, HugeBmpIsRefusedBeforeAllocating)
{
  std::vector<std::uint8_t> bytes = HandBmp();
  PutLE32(bytes, 18, 0x7fffffff);
  PutLE32(bytes, 22, 0x7fffffff);
  ExpectRefused(bytes, ".bmp", "Insuffisant memory");
}

TEST_F(TextureHostile, TruncatedBmpFails)
{
  const std::vector<std::uint8_t> sound = HandBmp();
  ExpectRefused({}, ".bmp", "Error during reading file header");
  ExpectRefused({sound.begin(), sound.begin() + 30}, ".bmp", "Error during reading image header");
  ExpectRefused({sound.begin(), sound.end() - 1}, ".bmp", "Error during reading image");
  std::vector<std::uint8_t> far = sound;
  PutLE32(far, 10, 1 << 30);
  ExpectRefused(far, ".bmp", "Error during reading image");
}

TEST_F(TextureHostile, ResourceBmpIsCheckedLikeAFile)
{
  CTexture texture;
  const std::vector<std::uint8_t> sound = HandBmp();
  ASSERT_EQ(texture.ReadFileFromResource(sound), 1);
  EXPECT_EQ(texture.GetFileName(), "FromResource.bmp");
  EXPECT_EQ(texture.ReadFileFromResource({sound.data(), sound.size() - 1}), 0);
  EXPECT_EQ(m_Messages.Last(), "Invalid BMP file");
  EXPECT_FALSE(texture.IsValid());
  std::vector<std::uint8_t> grey = sound;
  PutLE16(grey, 28, 8);
  EXPECT_EQ(texture.ReadFileFromResource(grey), 0);
  EXPECT_EQ(m_Messages.Last(), "Image file must have 24 bits depth");
  EXPECT_EQ(texture.ReadFileFromResource({sound.data(), 10}), 0);
}

TEST_F(TextureHostile, SgiHeadersAreChecked)
{
  const auto grey = [](unsigned, unsigned) { return QColor(9, 9, 9); };
  std::vector<std::uint8_t> bytes = SgiFile(2, 2, grey);
  bytes[1] = 0;
  ExpectRefused(bytes, ".rgb", "Invalid magic number");

  for (std::size_t at : {2u, 3u, 5u, 11u}) {  // storage, bytes per channel, dimension, zsize
    bytes = SgiFile(2, 2, grey);
    bytes[at] = 4;
    ExpectRefused(bytes, ".rgb", "Sorry, unable to read this format");
  }
  bytes = SgiFile(2, 2, grey);
  PutBE16(bytes, 6, 0);
  ExpectRefused(bytes, ".rgb", "Sorry, unable to read this format");
}

TEST_F(TextureHostile, TruncatedOrHugeSgiFails)
{
  const std::vector<std::uint8_t> sound = SgiFile(4, 3, [](unsigned x, unsigned y) { return QColor(x, y, 1); });
  ExpectRefused({sound.begin(), sound.begin() + 100}, ".rgb", "Error during reading image header");
  ExpectRefused({sound.begin(), sound.end() - 1}, ".rgb", "Error during reading image");
  std::vector<std::uint8_t> huge = sound;
  PutBE16(huge, 6, 0xffff);
  PutBE16(huge, 8, 0xffff);
  ExpectRefused(huge, ".rgb", "Error during reading image");
}

TEST_F(TextureHostile, BrokenJpegsFail)
{
  EXPECT_EQ(Read({}, ".jpg"), 0);
  EXPECT_FALSE(m_Texture.IsValid());
  EXPECT_FALSE(m_Messages.Texts().empty());

  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(PatternImage(64, 64).save(&buffer, "JPEG", 90));
  const std::vector<std::uint8_t> sound(jpeg.begin(), jpeg.end());
  ASSERT_EQ(Read(sound, ".jpg"), 1);

  const std::size_t before = m_Messages.Texts().size();
  EXPECT_EQ(Read({sound.begin(), sound.begin() + long(sound.size() / 2)}, ".jpg"), 0);
  EXPECT_FALSE(m_Texture.IsValid());
  EXPECT_GT(m_Messages.Texts().size(), before);

  std::vector<std::uint8_t> garbage = sound;
  for (std::size_t i = 2; i < garbage.size(); i += 7)
    garbage[i] ^= 0x5a;
  EXPECT_EQ(Read(garbage, ".jpg"), 0);
  EXPECT_FALSE(m_Texture.IsValid());
}

TEST_F(TextureHostile, JpegClaimingAHugeImageIsRefusedBeforeDecoding)
{
  const std::string path = m_Folder.File("hostile.jpg");
  const std::vector<std::uint8_t> bytes = JpegClaiming(60000, 50000);
  ASSERT_FALSE(bytes.empty());
  ExpectRefused(bytes, ".jpg", "Unable to read " + path + ": image of 60000 x 50000 pixels is too large");
  // Beyond the 65500 pixels the JPEG library itself accepts: the same message, not the
  // library's text without the file's name.
  const std::vector<std::uint8_t> wide = JpegClaiming(65535, 16);
  ASSERT_FALSE(wide.empty());
  const std::size_t before = m_Messages.Texts().size();
  ExpectRefused(wide, ".jpg", "Unable to read " + path + ": image of 65535 x 16 pixels is too large");
  EXPECT_EQ(m_Messages.Texts().size(), before + 1);
}

TEST_F(TextureHostile, RawReaderChecksItsSizes)
{
  WriteAll(m_Folder.File("t.raw"), std::vector<std::uint8_t>(20, 7));
  EXPECT_EQ(m_Texture.ReadFile(m_Folder.File("t.raw"), 3, 2, 24), 1);
  EXPECT_EQ(m_Texture.ReadFile(m_Folder.File("t.raw"), 3, 3, 24), 0);
  EXPECT_EQ(m_Messages.Last(), "Error during reading image");
  EXPECT_FALSE(m_Texture.IsValid());
  EXPECT_EQ(m_Texture.ReadFile(m_Folder.File("t.raw"), 2, 2, 16), 0);
  EXPECT_EQ(m_Messages.Last(), "CTexture::ReadFileRAW : invalid image");
  EXPECT_EQ(m_Texture.ReadFile(m_Folder.File("t.raw"), 0, 2, 24), 0);
  EXPECT_EQ(m_Texture.ReadFile(m_Folder.File("t.raw"), 0xffffffffu, 0xffffffffu, 32), 0);
  EXPECT_EQ(m_Messages.Last(), "Error during reading image");
}

TEST_F(TextureHostile, ImportHandleValidatesBeforeOverwriting)
{
  CTexture texture;
  ASSERT_EQ(texture.Alloc(2, 2, 24), 1);
  texture.Fill(10, 20, 30);
  std::vector<std::uint8_t> dib = texture.ExportHandle();

  CTexture target;
  ASSERT_EQ(target.Alloc(1, 1, 24), 1);
  target.Fill(1, 2, 3);
  const auto expectUntouched = [&] {
    EXPECT_EQ(target.GetWidth(), 1u);
    EXPECT_EQ(target.GetData()[2], 1);
  };
  EXPECT_EQ(target.ImportHandle({dib.data(), dib.size() - 1}), 0);
  EXPECT_EQ(m_Messages.Last(), "Invalid BMP file");
  expectUntouched();
  EXPECT_EQ(target.ImportHandle({dib.data(), 12}), 0);
  expectUntouched();
  std::vector<std::uint8_t> grey = dib;
  PutLE16(grey, 14, 8);
  EXPECT_EQ(target.ImportHandle(grey), 0);
  EXPECT_EQ(m_Messages.Last(), "Texture file must have 24 bits depth");
  expectUntouched();
  std::vector<std::uint8_t> huge = dib;
  PutLE32(huge, 4, 0x7fffffff);
  PutLE32(huge, 8, 0x7fffffff);
  EXPECT_EQ(target.ImportHandle(huge), 0);
  expectUntouched();
  EXPECT_EQ(target.ImportHandle(dib), 1);
  EXPECT_EQ(target.GetWidth(), 2u);
  EXPECT_EQ(target.GetData()[2], 10);
}
