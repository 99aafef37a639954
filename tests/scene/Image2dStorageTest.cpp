#include "Image2dTest.h"

#include "platform/core/Random.h"

#include <climits>
#include <cmath>

using Image2dStorage = Image2dTest;
using Image2dArithmetic = Image2dTest;
using Image2dStatistics = Image2dTest;

TEST_F(Image2dStorage, NewImageIsEmptyAndNamed)
{
  CImage2d image;
  EXPECT_EQ(image.GetData(), nullptr);
  EXPECT_EQ(image.GetSize(), 0);
  EXPECT_STREQ(image.GetName(), "No name");
  EXPECT_EQ(image.GetError(), nullptr);
  image.SetName("heights");
  EXPECT_STREQ(image.GetName(), "heights");
}

TEST_F(Image2dStorage, AllocRefusesBadSizesAndKeepsTheImage)
{
  CImage2d image(2, 3, 7.0);
  const struct { int w, h; const char* text; } cases[] = {
    {0, 5, "Alloc : invalid specified size\n"},
    {-4, -4, "Alloc : invalid specified size\n"},  // a positive product of two negatives
    {65536, 65536, " Alloc : insuffissant memory\n"},  // overflows 32 bits
    {INT_MAX, 2, " Alloc : insuffissant memory\n"},
    {20000, 20000, " Alloc : insuffissant memory\n"},  // more than MaxPixels
  };
  for (const auto& c : cases) {
    EXPECT_EQ(image.Alloc(c.w, c.h), 0) << c.w << " x " << c.h;
    EXPECT_EQ(LastBox(), c.text);
    EXPECT_STREQ(image.GetError(), c.text);
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(image.GetHeight(), 3);
    EXPECT_EQ(image.GetPixel(1, 2), 7.0f);
  }
  EXPECT_EQ(m_Boxes.size(), std::size(cases));
}

TEST_F(Image2dStorage, CopyIsDeepAndCopyOntoItselfDoesNothing)
{
  CImage2d source;
  SetPixels(source, 2, 2, {1, 2, 3, 4});
  CImage2d copy(&source);
  source.SetPixel(0, 0, 9);
  EXPECT_EQ(Pixels(copy), (std::vector<float>{1, 2, 3, 4}));
  EXPECT_EQ(copy.Copy(&copy), 1);
  EXPECT_EQ(Pixels(copy), (std::vector<float>{1, 2, 3, 4}));
  EXPECT_EQ(copy.Copy(nullptr), 0);
  EXPECT_EQ(LastBox(), "Copy : invalid source image\n");
}

TEST_F(Image2dStorage, PasteCountsRowsUpFromTheBottom)
{
  CImage2d target(4, 4, 0.0);
  CImage2d block;
  SetPixels(block, 2, 2, {1, 2, 3, 4});
  ASSERT_EQ(target.Copy(&block, 0, 0), 1);
  EXPECT_EQ(Pixels(target), (std::vector<float>{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 3, 4, 0, 0}));
  ASSERT_EQ(target.Copy(&block, 2, 2), 1);
  EXPECT_EQ(target.GetPixel(2, 0), 1.0f);
  EXPECT_EQ(target.GetPixel(3, 1), 4.0f);
  for (auto [x, y] : {std::pair{3, 0}, std::pair{0, 3}, std::pair{-1, 0}, std::pair{0, -1}, std::pair{4, 0}}) {
    EXPECT_EQ(target.Copy(&block, x, y), 0);
    EXPECT_EQ(LastBox(), "Copy : invalid target region\n");
  }
}

TEST_F(Image2dStorage, SubImageTakesABlockAndRefusesRectanglesOutside)
{
  CImage2d source;
  SetPixels(source, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  CImage2d block;
  ASSERT_EQ(block.SubImage(&source, 1, 1, 2, 2), 1);
  EXPECT_EQ(Pixels(block), (std::vector<float>{5, 6, 8, 9}));
  ASSERT_EQ(block.SubImage(&source, 2, 0, 1, 1), 1);  // the last column is inside
  EXPECT_EQ(Pixels(block), (std::vector<float>{3}));
  const int bad[][4] = {{2, 2, 2, 1}, {-1, 0, 1, 1}, {0, 0, 0, 1}, {0, 0, 1, -2}, {1, 0, INT_MAX, 1}};
  for (const auto& r : bad) {
    EXPECT_EQ(block.SubImage(&source, r[0], r[1], r[2], r[3]), 0);
    EXPECT_EQ(LastBox(), "SubImage : invalid coordinates");
  }
  // Its own source: reads before it shrinks.
  ASSERT_EQ(source.SubImage(&source, 0, 1, 2, 2), 1);
  EXPECT_EQ(Pixels(source), (std::vector<float>{4, 5, 7, 8}));
}

TEST_F(Image2dStorage, SameSizeCropsTheCentredBlock)
{
  CImage2d image;
  SetPixels(image, 4, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  CImage2d reference(2, 1, 0.0);
  ASSERT_EQ(image.SameSize(reference), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{6, 7}));
  CImage2d larger(5, 5, 0.0);
  EXPECT_EQ(image.SameSize(larger), 0);
  EXPECT_EQ(LastBox(), "SameSize : invalid crop\n");
}

TEST_F(Image2dStorage, SetPixelChecksCoordinates)
{
  CImage2d image(3, 2, 0.0);
  EXPECT_EQ(image.SetPixel(2, 1, 5), 1);
  EXPECT_EQ(image.GetPixel(2, 1), 5.0f);
  for (auto [x, y] : {std::pair{3, 0}, std::pair{0, 2}, std::pair{-1, 0}}) {
    EXPECT_EQ(image.SetPixel(x, y, 1), 0);
    EXPECT_EQ(LastBox(), "SetPixel : invalid coordinates\n");
  }
}

TEST_F(Image2dArithmetic, OperationsWorkPixelByPixel)
{
  CImage2d a, b;
  SetPixels(a, 2, 2, {1, 2, 3, 4});
  SetPixels(b, 2, 2, {0.5f, -1, 2, 0});
  a.Mult(b);
  EXPECT_EQ(Pixels(a), (std::vector<float>{0.5f, -2, 6, 0}));
  a.Add(b);
  EXPECT_EQ(Pixels(a), (std::vector<float>{1, -3, 8, 0}));
  a.Substract(b);
  a.Mult(2.0f);
  a.Add(1.0f);
  EXPECT_EQ(Pixels(a), (std::vector<float>{2, -3, 13, 1}));
}

TEST_F(Image2dArithmetic, LogicalOperationsTruncateTowardZero)
{
  CImage2d p, q;
  SetPixels(p, 5, 1, {1, 1, 0.6f, -0.5f, -1});
  SetPixels(q, 5, 1, {1, 0, 0.6f, 3, -2});
  CImage2d x(&p);
  x.LogicalXor(q);
  EXPECT_EQ(Pixels(x), (std::vector<float>{0, 1, 1, 0, -1}));  // trunc(1.2) = 1; -3 % 2 = -1
  CImage2d a(&p);
  a.LogicalAnd(q);
  EXPECT_EQ(Pixels(a), (std::vector<float>{1, 0, 0, 0, 1}));
  CImage2d o(&p);
  o.LogicalOr(q);
  EXPECT_EQ(Pixels(o), (std::vector<float>{1, 1, 0, 1, 1}));
  CImage2d n(&p);
  n.LogicalNot(q);
  EXPECT_EQ(Pixels(n), (std::vector<float>{0, 1, 1, 0, 0}));
  p.LogicalNot();
  EXPECT_EQ(Pixels(p), (std::vector<float>{0, 0, 1, 1, 0}));
}

TEST_F(Image2dArithmetic, OperandsOfAnotherSizeAreRefused)
{
  CImage2d image(2, 2, 1.0);
  CImage2d wide(4, 1, 1.0);
  EXPECT_EQ(image.Mult(wide), 0);
  EXPECT_EQ(LastBox(), "Mult : invalid sizes\n");
  EXPECT_EQ(image.Add(wide), 0);
  EXPECT_EQ(LastBox(), "Add : invalid sizes\n");
  EXPECT_EQ(image.Substract(wide), 0);
  EXPECT_EQ(LastBox(), "Substract : invalid sizes\n");
  EXPECT_EQ(image.LogicalAnd(wide), 0);
  EXPECT_EQ(LastBox(), "LogicalAnd : invalid source sizes\n");
  EXPECT_EQ(image.LogicalXor(wide), 0);
  EXPECT_EQ(LastBox(), "LogicalXor : invalid sizes\n");
  EXPECT_EQ(image.ApplyMask(wide), 0);
  EXPECT_EQ(image.Translate(wide, 0, 0, 1), 0);
  EXPECT_EQ(image.GetMin(wide, image), 0.0f);
  EXPECT_EQ(LastBox(), "GetMin : Invalid size image and no binary image");
  EXPECT_EQ(image.GetMax(image, wide), 0.0f);
  EXPECT_EQ(LastBox(), "GetMax : Invalid size image and no binary image");
  EXPECT_EQ(Pixels(image), (std::vector<float>{1, 1, 1, 1}));
  EXPECT_FALSE(image.IsEqual(wide));
}

TEST_F(Image2dStatistics, SumsMeansAndExtremes)
{
  CImage2d image;
  SetPixels(image, 3, 2, {4, -2, 7, 4, 1, 4});
  EXPECT_DOUBLE_EQ(image.Sum(), 18.0);
  EXPECT_DOUBLE_EQ(image.Mean(), 3.0);
  EXPECT_FLOAT_EQ(image.Deviation(), std::sqrt(48.0f / 6));
  EXPECT_EQ(image.Occurrences(4), 3);
  EXPECT_EQ(image.GetMin(), -2.0f);
  EXPECT_EQ(image.GetMax(), 7.0f);
  EXPECT_FALSE(image.IsBinary());
  CImage2d mask;
  SetPixels(mask, 3, 2, {0, 1, 0, 0, 1, 1});
  EXPECT_TRUE(mask.IsBinary());
  EXPECT_EQ(image.GetMin(image, mask), -2.0f);
  EXPECT_EQ(image.GetMax(image, mask), 4.0f);
  CImage2d none(3, 2, 0.0);
  EXPECT_EQ(image.GetMin(image, none), 255.0f);  // the search starts at 255
  EXPECT_EQ(image.GetMax(image, none), 0.0f);
}

TEST_F(Image2dStatistics, EmptyImageNeverDividesByZero)
{
  CImage2d empty;
  EXPECT_EQ(empty.Sum(), 0.0);
  EXPECT_EQ(empty.Mean(), 0.0);
  EXPECT_EQ(empty.Deviation(), 0.0f);
  EXPECT_EQ(empty.GetMin(), 0.0f);
  EXPECT_EQ(LastBox(), "GetMin : empty image\n");
  EXPECT_EQ(empty.GetMax(), 0.0f);
  EXPECT_EQ(LastBox(), "GetMax : empty image\n");
  EXPECT_EQ(empty.Dynamic(0, 255), 0);
  EXPECT_TRUE(empty.IsBinary());
}

TEST_F(Image2dStatistics, DynamicStretchesTheRange)
{
  CImage2d image;
  SetPixels(image, 3, 1, {10, 15, 20});
  ASSERT_EQ(image.Dynamic(0, 255), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{0, 127.5f, 255}));
  CImage2d constant(2, 2, 8.0);
  const size_t boxes = m_Boxes.size();
  EXPECT_EQ(constant.Dynamic(0, 255), 0);
  EXPECT_EQ(m_Boxes.size(), boxes);  // no message
  EXPECT_EQ(Pixels(constant), (std::vector<float>{0, 0, 0, 0}));
  EXPECT_EQ(image.Dynamic(5, 1), 0);
  EXPECT_EQ(LastBox(), "Dynamic : invalid values");
}

TEST_F(Image2dStatistics, NoiseIsClampedAndRepeatable)
{
  CImage2d a(64, 64, 100.0);
  CImage2d b(64, 64, 100.0);
  platform::Srand(7);
  a.AddNoise(0, 30, 60, 140);
  platform::Srand(7);
  b.AddNoise(0, 30, 60, 140);
  EXPECT_TRUE(a.IsEqual(b));
  EXPECT_GE(a.GetMin(), 60.0f);
  EXPECT_LE(a.GetMax(), 140.0f);
  EXPECT_GT(a.Occurrences(60) + a.Occurrences(140), 0);  // 1.33 sigma: some pixels clamp
  EXPECT_NEAR(a.Mean(), 100.0, 2.0);
}

TEST_F(Image2dStatistics, TranslateAndMirror)
{
  CImage2d image;
  SetPixels(image, 3, 2, {1, 2, 1, 0, 1, 3});
  CImage2d moved(3, 2, 0.0);
  moved.Translate(image, 1, 1, 1.0f);
  EXPECT_EQ(Pixels(moved), (std::vector<float>{0, 0, 0, 0, 1, 0}));
  image.Translate(image, -1, 0, 1.0f);  // its own source
  EXPECT_EQ(Pixels(image), (std::vector<float>{0, 1, 0, 1, 0, 0}));
  CImage2d m;
  SetPixels(m, 3, 2, {1, 2, 3, 4, 5, 6});
  m.MirrorX();
  EXPECT_EQ(Pixels(m), (std::vector<float>{3, 2, 1, 6, 5, 4}));
  m.MirrorY();
  EXPECT_EQ(Pixels(m), (std::vector<float>{6, 5, 4, 3, 2, 1}));
}
