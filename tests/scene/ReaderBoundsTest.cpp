// Hostile headers: every reader answers failure with memory of the order of the file, not of
// the image or mesh that the header announces.
#include "AllocationProbe.h"
#include "TextureTestSupport.h"
#include "mesh/Mesh3d.h"
#include "scene/DIB.h"
#include "scene/Image2d.h"
#include "scene/Texture.h"

#include <gtest/gtest.h>

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

// A Windows bitmap header, pixels at the offset, in a file of the given size.
std::vector<std::uint8_t> BmpHeader(std::int32_t width, std::int32_t height, unsigned bits,
                                    std::uint32_t offset, std::size_t fileSize)
{
  std::vector<std::uint8_t> bytes(fileSize, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLE32(bytes, 2, std::uint32_t(fileSize));
  PutLE32(bytes, 10, offset);
  PutLE32(bytes, 14, 40);
  PutLE32(bytes, 18, std::uint32_t(width));
  PutLE32(bytes, 22, std::uint32_t(height));
  PutLE16(bytes, 26, 1);
  PutLE16(bytes, 28, bits);
  return bytes;
}

constexpr std::uint32_t DibPixels = 14 + 40 + 1024;

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
  const std::vector<std::uint8_t> header = BmpHeader(16384, 16384, 8, DibPixels, 1024);
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
  std::vector<std::uint8_t> whole = BmpHeader(8, 3, 8, DibPixels, DibPixels + 8 * 3);
  whole[whole.size() - 1] = 77;
  CDIB sound;
  ASSERT_EQ(sound.Load(Write("s.dib", whole)), 1);
  EXPECT_EQ(*sound.GetPixelAddress(7, 0), 77);
}

TEST_F(ReaderBounds, TextureHeadersAloneCostNoTexture)
{
  const std::vector<std::uint8_t> bmp = BmpHeader(9000, 9000, 24, 54, 54);
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
  // 8000 x 8000 RGB is 192 MB: within what a reader takes at all, far beyond this file.
  const std::vector<std::uint8_t> bytes = JpegClaiming(8000, 8000);
  ASSERT_FALSE(bytes.empty());
  const std::string path = Write("h.jpg", bytes);
  CAllocationProbe probe;
  CTexture texture;
  EXPECT_EQ(texture.ReadFile(path), 0);
  EXPECT_EQ(m_Messages.Last(), "Unable to read " + path + ": image of 8000 x 8000 pixels is too large");
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
