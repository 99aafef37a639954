#include "scene/Texture.h"

#include "TextureTestSupport.h"
#include "platform/core/Clipboard.h"

#include <gtest/gtest.h>

using namespace texture_test;

namespace {

// A texture whose pixel (x, y) holds bytes (x, y, 100 + x + 10 y).
CTexture Numbered(unsigned width, unsigned height, unsigned depth = 24)
{
  CTexture texture;
  EXPECT_EQ(texture.Alloc(width, height, depth), 1);
  for (unsigned y = 0; y < height; y++)
    for (unsigned x = 0; x < width; x++)
      texture.SetColor(x, y, std::uint8_t(x), std::uint8_t(y), std::uint8_t(100 + x + 10 * y));
  return texture;
}

// (x, y) of the pixel that Numbered put at this place.
std::pair<int, int> Origin(const CTexture& texture, unsigned x, unsigned y)
{
  std::uint8_t r, g, b;
  texture.GetColor(x, y, r, g, b);
  return {r, g};
}

class CClipboardRecorder : public platform::CClipboardSink
{
public:
  bool SetText(const std::string&) override { return true; }
  bool SetBitmap(const std::vector<std::uint8_t>& dib) override
  {
    m_Bitmap = dib;
    return true;
  }
  bool SetMetafile(const std::vector<std::uint8_t>&) override { return true; }
  std::string GetText() override { return {}; }
  std::vector<std::uint8_t> m_Bitmap;
};

} // namespace

TEST(Texture, AllocPadsRowsAndFillsTheHeader)
{
  CTexture texture;
  ASSERT_EQ(texture.Alloc(10, 2, 24), 1);
  EXPECT_EQ(texture.GetStride(), 32u);
  EXPECT_EQ(texture.GetHeader().biSizeImage, 64u);
  EXPECT_EQ(texture.GetHeader().biBitCount, 24);
  EXPECT_EQ(texture.GetHeader().biPlanes, 1);
  EXPECT_TRUE(texture.IsValid());
  ASSERT_EQ(texture.Alloc(3, 1, 32), 1);
  EXPECT_EQ(texture.GetStride(), 12u);
  EXPECT_TRUE(texture.IsRGBA());
  texture.Free();
  EXPECT_FALSE(texture.IsValid());
  EXPECT_EQ(texture.GetWidth(), 0u);
}

TEST(Texture, AllocRefusesHugeSizesWithTheSystemMessage)
{
  CMessages messages;
  CTexture texture;
  EXPECT_EQ(texture.Alloc(100000, 100000, 24), 0);
  EXPECT_EQ(messages.Last(), "CTexture::Alloc : Insufisant memory");
  EXPECT_FALSE(texture.IsValid());
}

TEST(Texture, CopiesAreDeepAndKeepTheChannelOrder)
{
  CTexture texture = Numbered(3, 2);
  texture.BGRtoRGB();
  CTexture copy(texture);
  EXPECT_TRUE(copy.IsRedFirst());
  copy.SetColor(0, 0, 9, 9, 9);
  EXPECT_EQ(Origin(texture, 0, 0), std::make_pair(100, 0));
  EXPECT_TRUE(copy.SameSize(texture));
}

TEST(Texture, BgrToRgbTwiceRestoresThePixels)
{
  CTexture texture = Numbered(5, 3);
  const std::vector<std::uint8_t> before(texture.GetData(), texture.GetData() + 16 * 3);
  ASSERT_EQ(texture.BGRtoRGB(), 1);
  std::uint8_t r, g, b;
  texture.GetColor(1, 2, r, g, b);
  EXPECT_EQ(r, 121);
  EXPECT_EQ(b, 1);
  ASSERT_EQ(texture.BGRtoRGB(), 1);
  EXPECT_FALSE(texture.IsRedFirst());
  EXPECT_EQ(std::vector<std::uint8_t>(texture.GetData(), texture.GetData() + 48), before);
  CTexture empty;
  EXPECT_EQ(empty.BGRtoRGB(), 0);
}

TEST(Texture, FillGreyAndColours)
{
  CTexture texture;
  ASSERT_EQ(texture.Alloc(2, 2, 24), 1);
  texture.Fill(30, 20, 10);
  EXPECT_EQ(texture.GetData()[0], 10);  // blue first
  EXPECT_EQ(texture.GetData()[2], 30);
  EXPECT_EQ(texture.Grey(1, 1), 20u);
  texture.SetColor(0, 0, 1, 2, 4);
  EXPECT_EQ(texture.Grey(0, 0), 2u);  // 7 / 3
}

TEST(Texture, ReadBufferPadsPackedRows)
{
  const std::uint8_t packed[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  CTexture texture;
  ASSERT_EQ(texture.ReadBuffer(packed, 2, 2, 24), 1);
  EXPECT_EQ(texture.GetStride(), 8u);
  EXPECT_EQ(texture.GetData()[8], 7);
  EXPECT_EQ(texture.ReadBuffer(static_cast<const std::uint8_t*>(nullptr), 2, 2, 24), 0);

  const float values[] = {0.0f, 0.5f, 1.0f, 1.2f, -0.0f, 3e30f};
  ASSERT_EQ(texture.ReadBuffer(values, 2, 1, 24), 1);
  EXPECT_EQ(texture.GetData()[1], 127);
  EXPECT_EQ(texture.GetData()[2], 255);
  EXPECT_EQ(texture.GetData()[3], std::uint8_t(int(255.0 * 1.2f)));  // wraps like a byte store
  EXPECT_EQ(texture.GetData()[5], 0);
}

TEST(Texture, FlipVerticalSwapsRows)
{
  CTexture texture = Numbered(2, 3);
  texture.FlipVertical();
  EXPECT_EQ(Origin(texture, 1, 0), std::make_pair(1, 2));
  EXPECT_EQ(Origin(texture, 1, 1), std::make_pair(1, 1));
  EXPECT_EQ(Origin(texture, 0, 2), std::make_pair(0, 0));
}

TEST(Texture, AlphaLayers)
{
  CTexture texture = Numbered(3, 2);
  EXPECT_EQ(texture.SetAlpha(5), 0);
  ASSERT_EQ(texture.AddAlphaLayer(77), 1);
  EXPECT_EQ(texture.GetDepth(), 32u);
  EXPECT_EQ(texture.GetStride(), 12u);
  EXPECT_EQ(texture.GetHeader().biBitCount, 32);
  EXPECT_EQ(Origin(texture, 2, 1), std::make_pair(2, 1));
  EXPECT_EQ(texture.GetData()[12 + 2 * 4 + 3], 77);
  ASSERT_EQ(texture.AddAlphaLayer(9), 1);
  EXPECT_EQ(texture.GetData()[3], 9);

  CTexture white;
  ASSERT_EQ(white.Alloc(3, 2, 24), 1);
  white.Fill(255, 255, 255);
  white.SetColor(0, 0, 3, 6, 9);
  CTexture target = Numbered(3, 2);
  ASSERT_EQ(target.SetAlphaFromGrey(white), 1);
  EXPECT_EQ(target.GetData()[3], 6);
  EXPECT_EQ(target.GetData()[7], 255);
  CTexture small = Numbered(2, 2);
  EXPECT_EQ(small.SetAlphaFromGrey(white), 0);
  EXPECT_EQ(small.GetDepth(), 24u);
}

TEST(Texture, ExtractCountsTopFromTheLastRow)
{
  CTexture whole = Numbered(4, 3);
  ASSERT_EQ(whole.Extract(0, 0, -1, -1), 1);
  EXPECT_EQ(whole.GetWidth(), 4u);
  EXPECT_EQ(Origin(whole, 3, 0), std::make_pair(3, 2));  // upside down
  EXPECT_EQ(Origin(whole, 1, 2), std::make_pair(1, 0));

  CTexture part = Numbered(4, 3);
  ASSERT_EQ(part.Extract(1, 0, 2, 1), 1);
  EXPECT_EQ(part.GetWidth(), 2u);
  EXPECT_EQ(part.GetHeight(), 2u);
  EXPECT_EQ(part.GetStride(), 8u);
  EXPECT_EQ(Origin(part, 0, 0), std::make_pair(1, 2));
  EXPECT_EQ(Origin(part, 1, 1), std::make_pair(2, 1));
}

TEST(Texture, ExtractRefusesRectanglesOutside)
{
  for (auto [l, t, r, b] : {std::array{2, 0, 1, 1}, {0, 1, 1, 1}, {-1, 0, 1, 1}, {0, 0, 4, 1},
                            {0, 0, 1, 3}, {0, -1, 1, 1}}) {
    CTexture texture = Numbered(4, 3);
    EXPECT_EQ(texture.Extract(l, t, r, b), 0);
    EXPECT_EQ(texture.GetWidth(), 4u);
    EXPECT_EQ(Origin(texture, 1, 2), std::make_pair(1, 2));
  }
  CTexture empty;
  EXPECT_EQ(empty.Extract(0, 0, -1, -1), 0);
}

TEST(Texture, DuplicatesMirrorAndRepeat)
{
  CTexture mirror = Numbered(2, 2);
  ASSERT_EQ(mirror.DuplicateMirror(0, 0, -1, -1), 1);
  ASSERT_EQ(mirror.GetWidth(), 4u);
  ASSERT_EQ(mirror.GetHeight(), 4u);
  // After the extraction old row r is original row 1 - r; rows below h flip it back.
  EXPECT_EQ(Origin(mirror, 0, 0), std::make_pair(0, 0));
  EXPECT_EQ(Origin(mirror, 3, 0), std::make_pair(0, 0));
  EXPECT_EQ(Origin(mirror, 2, 1), std::make_pair(1, 1));
  EXPECT_EQ(Origin(mirror, 1, 2), std::make_pair(1, 1));
  EXPECT_EQ(Origin(mirror, 0, 3), std::make_pair(0, 0));

  CTexture twice = Numbered(2, 2);
  ASSERT_EQ(twice.DuplicateTwice(0, 0, -1, -1), 1);
  ASSERT_EQ(twice.GetWidth(), 4u);
  ASSERT_EQ(twice.GetHeight(), 2u);
  EXPECT_EQ(Origin(twice, 0, 0), std::make_pair(0, 0));
  EXPECT_EQ(Origin(twice, 3, 0), std::make_pair(1, 0));
  EXPECT_EQ(Origin(twice, 2, 1), std::make_pair(0, 1));

  CTexture refused = Numbered(2, 2);
  EXPECT_EQ(refused.DuplicateTwice(1, 0, 0, 1), 0);
  EXPECT_EQ(refused.GetWidth(), 2u);
}

TEST(Texture, PowersOfTwo)
{
  EXPECT_EQ(CTexture::HigherPowerOfTwo(1), 2);
  EXPECT_EQ(CTexture::HigherPowerOfTwo(2), 2);
  EXPECT_EQ(CTexture::HigherPowerOfTwo(100), 128);
  EXPECT_EQ(CTexture::HigherPowerOfTwo(0), 0);
  EXPECT_EQ(CTexture::HigherPowerOfTwo(-5), -5);
  EXPECT_EQ(CTexture::LowerPowerOfTwo(8), 4);
  EXPECT_EQ(CTexture::LowerPowerOfTwo(9), 8);
  EXPECT_EQ(CTexture::LowerPowerOfTwo(1), 1);
  EXPECT_EQ(CTexture::LowerPowerOfTwo(2), 1);
  EXPECT_EQ(CTexture::LowerPowerOfTwo(0), 0);
}

TEST(Texture, ClipboardGetsAPackedBitmap)
{
  CClipboardRecorder recorder;
  platform::CClipboardSink* previous = platform::SetClipboard(&recorder);
  CTexture empty;
  EXPECT_FALSE(empty.CopyToClipboard());
  CTexture texture = Numbered(3, 2);
  EXPECT_TRUE(texture.CopyToClipboard());
  platform::SetClipboard(previous);
  ASSERT_EQ(recorder.m_Bitmap.size(), 40u + 24);
  EXPECT_EQ(recorder.m_Bitmap[0], 40);
  EXPECT_EQ(recorder.m_Bitmap[4], 3);
  EXPECT_EQ(std::vector<std::uint8_t>(recorder.m_Bitmap.begin() + 40, recorder.m_Bitmap.end()),
            std::vector<std::uint8_t>(texture.GetData(), texture.GetData() + 24));
}
