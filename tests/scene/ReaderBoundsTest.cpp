// Hostile headers: every reader answers failure with memory of the order of the file, not of
// the image or mesh that the header announces.
#include "AllocationProbe.h"
#include "TextureTestSupport.h"
#include "mesh/Mesh3d.h"
#include "scene/DIB.h"
#include "scene/Image2d.h"
#include "scene/Texture.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <span>
#include <string>

using namespace texture_test;

namespace {

constexpr std::size_t Small = 1 << 20;

std::vector<std::uint8_t> Bytes(const std::string& text)
{
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

class ReaderBounds : public ::testing::Test
{
protected:
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes)
  {
    const std::string path = m_Folder.File(name);
    WriteAll(path, bytes);
    return path;
  }

  CTempFolder m_Folder;
  CMessages m_Messages;
};

// A Windows bitmap header of the given size, 8 bits per pixel, and nothing after it.
std::vector<std::uint8_t> DibHeader(std::int32_t width, std::int32_t height, std::size_t fileSize)
{
  std::vector<std::uint8_t> bytes(fileSize, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLE32(bytes, 2, std::uint32_t(fileSize));
  PutLE32(bytes, 10, 14 + 40 + 1024);
  PutLE32(bytes, 14, 40);
  PutLE32(bytes, 18, std::uint32_t(width));
  PutLE32(bytes, 22, std::uint32_t(height));
  PutLE16(bytes, 26, 1);
  PutLE16(bytes, 28, 8);
  return bytes;
}

} // namespace

TEST_F(ReaderBounds, ImageLibraryHeadersAloneCostNoImage)
{
  const std::string pgm = "P5\n16384 16384\n255\n";
  ASSERT_EQ(pgm.size(), 19u);
  const std::string inr = "#INRIMAGE-4#{\nXDIM=16384\nYDIM=16384\nZDIM=1\nVDIM=1\nTYPE=unsigned fixed\n"
                          "PIXSIZE=8 bits\n##}\n";
  const std::string lgn = std::string("\xff\x7f", 2) + "ab";
  for (const auto& [name, text] : {std::pair{"h.pgm", pgm}, std::pair{"h.inr", inr},
                                   std::pair{"t.pgm", std::string("P2\n16384 16384\n255\n1 2 3")},
                                   std::pair{"h.lgn", lgn}}) {
    const std::string path = Write(name, Bytes(text));
    CAllocationProbe probe;
    CImage2d image;
    EXPECT_EQ(image.ReadFile(path.c_str()), 0) << name;
    EXPECT_LT(probe.Largest(), Small) << name;
  }
  // A sound file announcing as much is read, and its image is allocated as it should be.
  const std::string path = Write("s.pgm", Bytes("P5\n600 600\n255\n" + std::string(600 * 600, '\x07')));
  CAllocationProbe probe;
  CImage2d image;
  ASSERT_EQ(image.ReadFile(path.c_str()), 1);
  EXPECT_EQ(image.GetPixel(599, 599), 7.0f);
  EXPECT_GE(probe.Largest(), 600 * 600 * sizeof(float));
}

TEST_F(ReaderBounds, DibHeaderAloneCostsNoBitmap)
{
  const std::vector<std::uint8_t> header = DibHeader(16384, 16384, 1024);
  const std::string path = Write("h.dib", header);
  {
    CAllocationProbe probe;
    CDIB dib;
    EXPECT_EQ(dib.Load(path), 0);
    EXPECT_LT(probe.Largest(), Small);
    EXPECT_EQ(dib.GetWidth(), 16);
  }
  CAllocationProbe probe;
  CDIB dib;
  EXPECT_EQ(dib.Load(std::span<const std::uint8_t>(header)), 0);
  EXPECT_LT(probe.Largest(), Small);

  // The same header with its bits present is read.
  std::vector<std::uint8_t> whole = DibHeader(8, 3, 14 + 40 + 1024 + 8 * 3);
  whole[whole.size() - 1] = 77;
  CDIB sound;
  ASSERT_EQ(sound.Load(Write("s.dib", whole)), 1);
  EXPECT_EQ(*sound.GetPixelAddress(7, 0), 77);
}

TEST_F(ReaderBounds, TextureHeadersAloneCostNoTexture)
{
  std::vector<std::uint8_t> bmp(54, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutLE32(bmp, 10, 54);
  PutLE32(bmp, 14, 40);
  PutLE32(bmp, 18, 9000);
  PutLE32(bmp, 22, 9000);
  PutLE16(bmp, 26, 1);
  PutLE16(bmp, 28, 24);
  std::vector<std::uint8_t> sgi(600, 0);
  PutBE16(sgi, 0, 474);
  sgi[3] = 1;
  PutBE16(sgi, 4, 3);
  PutBE16(sgi, 6, 9000);
  PutBE16(sgi, 8, 9000);
  PutBE16(sgi, 10, 3);
  for (const auto& [name, bytes] : {std::pair{"h.bmp", bmp}, std::pair{"h.rgb", sgi}}) {
    const std::string path = Write(name, bytes);
    CAllocationProbe probe;
    CTexture texture;
    EXPECT_EQ(texture.ReadFile(path), 0) << name;
    EXPECT_EQ(m_Messages.Last(), "Error during reading image") << name;
    EXPECT_LT(probe.Largest(), Small) << name;
  }
  const std::string raw = Write("h.raw", std::vector<std::uint8_t>(1000, 1));
  CAllocationProbe probe;
  CTexture texture;
  EXPECT_EQ(texture.ReadFile(raw, 9000, 9000, 24), 0);
  EXPECT_LT(probe.Largest(), Small);
  EXPECT_EQ(texture.ReadFile(raw, 10, 30, 32), 0);  // 200 bytes past the end
  EXPECT_EQ(texture.ReadFile(raw, 10, 25, 32), 1);
}

TEST_F(ReaderBounds, JpegClaimingMorePixelsThanItCanHoldIsRefused)
{
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(PatternImage(16, 16).save(&buffer, "JPEG", 90));
  std::vector<std::uint8_t> bytes(jpeg.begin(), jpeg.end());
  std::size_t at = 2;
  while (at + 9 < bytes.size() && !(bytes[at] == 0xff && bytes[at + 1] == 0xc0))
    at++;
  ASSERT_LT(at + 9, bytes.size());
  // 8000 x 8000 RGB is 192 MB: within what a reader takes at all, far beyond this file.
  PutBE16(bytes, at + 5, 8000);
  PutBE16(bytes, at + 7, 8000);
  const std::string path = Write("h.jpg", bytes);
  CAllocationProbe probe;
  CTexture texture;
  EXPECT_EQ(texture.ReadFile(path), 0);
  EXPECT_EQ(m_Messages.Last(), "JpegFile :\nOut of memory");
  EXPECT_LT(probe.Largest(), Small);
}

TEST_F(ReaderBounds, MeshHeadersAloneCostNoMesh)
{
  const struct { const char* name; std::string text; int (CMesh3d::*read)(const char*); } cases[] = {
    {"h.smm", "100000000 100000000\n0 0 0\n", &CMesh3d::ReadFileSmm},
    {"h.dem", "vertices: 100000000\nfaces: 100000000\nv 0 0 0\n\n", &CMesh3d::ReadFileDem},
    {"h.mhp", "vertices: 100000000\nfaces: 1\nVertex 1 0 0 0\n", &CMesh3d::ReadFileMhp},
    {"h.ppd", "vertex 100000000\nface 100000000\n\n1 0 0 0\n", &CMesh3d::ReadFilePpd},
  };
  for (const auto& c : cases) {
    const std::string path = Write(c.name, Bytes(c.text));
    CAllocationProbe probe;
    CMesh3d mesh;
    EXPECT_EQ((mesh.*c.read)(path.c_str()), 0) << c.name;
    EXPECT_EQ(mesh.NbVertex(), 0) << c.name;
    EXPECT_LT(probe.Largest(), Small) << c.name;
  }
}
