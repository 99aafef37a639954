#include "Image2dTest.h"

#include <cmath>

using Image2dFilter = Image2dTest;
using Image2dThreshold = Image2dTest;
using Image2dMorphology = Image2dTest;
using Image2dEdges = Image2dTest;

TEST_F(Image2dFilter, GaussianOfAConstantSeesZeroOutside)
{
  CImage2d image(4, 4, 16.0);
  ASSERT_EQ(image.SmoothGaussian3x3(), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{9, 12, 12, 9, 12, 16, 16, 12, 12, 16, 16, 12, 9, 12, 12, 9}));
  CImage2d kernel;
  kernel.KernelGaussian5x5();
  EXPECT_EQ(kernel.Sum(), 100.0);
  kernel.KernelGaussian7x7();
  EXPECT_EQ(kernel.Sum(), 140.0);
  CImage2d large(9, 9, 70.0);
  ASSERT_EQ(large.SmoothGaussian5x5(), 1);
  EXPECT_FLOAT_EQ(large.GetPixel(4, 4), 70.0f);
  EXPECT_LT(large.GetPixel(0, 0), 70.0f);
  large.Fill(70.0f);
  ASSERT_EQ(large.SmoothGaussian7x7(), 1);
  EXPECT_FLOAT_EQ(large.GetPixel(4, 4), 70.0f);
  EXPECT_FLOAT_EQ(large.GetPixel(0, 4), 70.0f * (140 - 10 - 14 - 24) / 140);  // three kernel columns outside
}

TEST_F(Image2dFilter, FilterCorrelatesWithoutMirroring)
{
  CImage2d row;
  SetPixels(row, 4, 1, {1, 2, 3, 4});
  CImage2d shift;
  SetPixels(shift, 3, 1, {0, 0, 1});
  ASSERT_EQ(row.Filter(&shift, 1.0f, 0, -5.0f), 1);
  EXPECT_EQ(Pixels(row), (std::vector<float>{2, 3, 4, -5}));
  SetPixels(row, 4, 1, {1, 2, 3, 4});
  ASSERT_EQ(row.Filter(&shift, 2.0f, 1, 6.0f), 1);  // flag: only the border value is seen
  EXPECT_EQ(Pixels(row), (std::vector<float>{3, 3, 3, 3}));
  CImage2d box;
  SetPixels(box, 3, 1, {1, 1, 1});
  SetPixels(row, 4, 1, {1, 2, 3, 4});
  ASSERT_EQ(row.Filter(&box, 1.0f), 1);  // inside windows only
  EXPECT_EQ(Pixels(row), (std::vector<float>{1, 6, 9, 4}));
  ASSERT_EQ(box.Filter(&box, 1.0f, 0, 0.0f), 1);  // its own kernel
  EXPECT_EQ(Pixels(box), (std::vector<float>{2, 3, 2}));
}

TEST_F(Image2dFilter, FilterChecksKernelDividerThenSize)
{
  CImage2d image(5, 5, 1.0);
  CImage2d even(2, 3, 1.0);
  EXPECT_EQ(image.Filter(&even, 1.0f, 0, 0.0f), 0);
  EXPECT_EQ(LastBox(), "Filter : invalid specified filter size\n");
  EXPECT_EQ(image.Filter(&even, 0.0f, 0, 0.0f), 0);
  EXPECT_EQ(LastBox(), "Filter: invalid specified divider\n");
  EXPECT_EQ(image.Filter(nullptr, 1.0f, 0, 0.0f), 0);
  EXPECT_EQ(LastBox(), "Filter : invalid specified filter pointer\n");
  CImage2d empty;
  EXPECT_EQ(image.Filter(&empty, 1.0f), 0);
  EXPECT_EQ(LastBox(), "Filter : invalid specified filter pointer\n");
  CImage2d large(7, 1, 1.0);
  EXPECT_EQ(image.Filter(&large, 1.0f, 0, 0.0f), 0);
  EXPECT_EQ(LastBox(), "Filter : invalid specified filter size\n");
  EXPECT_EQ(image.Sum(), 25.0);
  EXPECT_EQ(empty.SmoothGaussian3x3(), 0);
}

TEST_F(Image2dFilter, GradientKernelsAreIsotropic)
{
  CImage2d kx, ky;
  kx.KernelGradientX();
  ky.KernelGradientY();
  const float a = static_cast<float>(std::sqrt(2.0) - 2);
  const float b = static_cast<float>(-2 * (std::sqrt(2.0) - 1));
  EXPECT_EQ(Pixels(kx), (std::vector<float>{a, 0, -a, b, 0, -b, a, 0, -a}));
  EXPECT_EQ(Pixels(ky), (std::vector<float>{a, b, a, 0, 0, 0, -a, -b, -a}));
  CImage2d laplacian;
  laplacian.KernelLaplacian();
  EXPECT_EQ(laplacian.Sum(), 0.0);
  // A ramp of slope 1 in x and 2 in y: the gradient weights add up to 4 per unit.
  CImage2d ramp(6, 5, 0.0);
  for (int y = 0; y < 5; y++)
    for (int x = 0; x < 6; x++)
      ramp.SetPixel(x, y, static_cast<float>(x + 2 * y));
  ASSERT_EQ(ramp.Gradient(0), 1);
  EXPECT_NEAR(ramp.GetPixel(2, 2), 4 * std::sqrt(5.0), 1e-4);
  ASSERT_EQ(ramp.Gradient(1), 1);
  EXPECT_EQ(ramp.GetPixel(0, 2), 0.0f);
  EXPECT_EQ(ramp.GetPixel(4, 2), 0.0f);  // the right band is one wider
}

TEST_F(Image2dThreshold, ThresholdsAndValueMaps)
{
  CImage2d image;
  SetPixels(image, 5, 1, {-3, 0, 100, 254.5f, 255});
  CImage2d copy(&image);
  ASSERT_EQ(copy.Threshold(100, 1, 9), 1);
  EXPECT_EQ(Pixels(copy), (std::vector<float>{1, 1, 9, 9, 9}));
  EXPECT_EQ(copy.Threshold(0, 2, 1), 0);
  EXPECT_EQ(LastBox(), "Threshold : invalid values\n");
  const float map[] = {0, 7, 255};
  copy.Copy(&image);
  ASSERT_EQ(copy.Threshold(map, 3), 1);
  EXPECT_EQ(Pixels(copy), (std::vector<float>{-3, 7, 7, 7, 255}));
  const float steps[] = {0, 1, 100, 2, 255};
  copy.Copy(&image);
  ASSERT_EQ(copy.Threshold(steps, 5), 1);
  EXPECT_EQ(Pixels(copy), (std::vector<float>{-3, 1, 2, 2, 255}));
  const float bad[] = {0, 7, 254};
  EXPECT_EQ(copy.Threshold(bad, 3), 0);
  EXPECT_EQ(LastBox(), "Threshold : invalid array\n");
  EXPECT_EQ(copy.Threshold(steps, 4), 0);
  EXPECT_EQ(copy.Threshold(nullptr, 3), 0);
  EXPECT_EQ(copy.Threshold(steps, 1), 0);

  copy.Copy(&image);
  copy.ClampBelow(0, 5);
  copy.ClampAbove(200, 6);
  EXPECT_EQ(Pixels(copy), (std::vector<float>{5, 0, 100, 6, 6}));
  copy.Copy(&image);
  copy.Abs();
  EXPECT_EQ(copy.GetPixel(0, 0), 3.0f);
  copy.Copy(&image);
  copy.Binarize(100);
  EXPECT_EQ(Pixels(copy), (std::vector<float>{0, 0, 255, 255, 255}));
  copy.Copy(&image);
  copy.Binarize(0);
  EXPECT_EQ(copy.Occurrences(255), 5);
}

TEST_F(Image2dThreshold, HysteresisKeepsWeakPixelsJoinedToStrongOnes)
{
  CImage2d image;
  SetPixels(image, 6, 3, {9, 5, 0, 0, 5, 5,  //
                          0, 0, 5, 0, 0, 5,  //
                          0, 0, 0, 0, 5, 4});
  ASSERT_EQ(image.ThresholdHysteresis(5, 9), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{1, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(image.ThresholdHysteresis(5, 5), 0);
  EXPECT_EQ(LastBox(), "Threshold hysteresis : invalid threshold values\n");
}

TEST_F(Image2dThreshold, MasksGridsAndBorders)
{
  CImage2d image(5, 5, 3.0);
  CImage2d mask(5, 5, 1.0);
  mask.SetPixel(2, 2, 0);
  ASSERT_EQ(image.ApplyMask(mask), 1);
  EXPECT_EQ(image.Occurrences(0), 1);
  ASSERT_EQ(image.ClearGrid(2), 1);
  EXPECT_EQ(image.Occurrences(0), 9);
  EXPECT_EQ(image.ClearGrid(0), 0);
  EXPECT_EQ(LastBox(), "ClearGrid : invalid step\n");
  image.Fill(0);
  ASSERT_EQ(image.SetBorder(1, 1), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0, 1, 1,  //
                                               1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(image.SetBorder(5, 1), 0);
  EXPECT_EQ(LastBox(), "SetBorder : invalid border\n");
  EXPECT_EQ(image.SetBorder(-1, 1), 0);
}

TEST_F(Image2dMorphology, ErodeAndDilateOfBinaryImages)
{
  CImage2d image(5, 5, 0.0);
  image.SetPixel(2, 2, 1);
  image.SetPixel(0, 4, 5);
  ASSERT_EQ(image.Dilate(), 1);
  EXPECT_EQ(image.Occurrences(1), 9);
  EXPECT_EQ(image.GetPixel(0, 4), 5.0f);  // other pixels keep their value
  ASSERT_EQ(image.Erode(), 1);
  EXPECT_TRUE(image.IsBinary());
  EXPECT_EQ(image.Occurrences(1), 1);
  EXPECT_EQ(image.GetPixel(2, 2), 1.0f);
  image.SetPixel(0, 4, 5);
  CImage2d work(5, 5, 7.0);
  ASSERT_EQ(image.Dilate(work), 1);
  EXPECT_TRUE(image.IsBinary());
  EXPECT_EQ(image.Occurrences(1), 9);
  ASSERT_EQ(image.Erode(work), 1);
  EXPECT_EQ(image.Occurrences(1), 1);
  CImage2d small(4, 5, 0.0);
  EXPECT_EQ(image.Dilate(small), 0);
  EXPECT_EQ(LastBox(), "Dilate : invalide tmp image");
  EXPECT_EQ(image.Erode(small), 0);
  EXPECT_EQ(LastBox(), "Erode : invalide tmp image");
  CImage2d full(3, 3, 1.0);
  full.Erode();
  EXPECT_EQ(full.Occurrences(1), 9);  // the border is clipped, not taken as background
}

TEST_F(Image2dMorphology, OutlineClearsInteriors)
{
  CImage2d image(6, 5, 255.0);
  ASSERT_EQ(image.Outline(1), 1);
  EXPECT_EQ(image.Occurrences(0), 4 * 3);
  image.Fill(255);
  image.SetPixel(3, 2, 10);
  ASSERT_EQ(image.Outline(1), 1);
  EXPECT_EQ(image.Occurrences(0), 3);  // only the inner column x = 1 is out of the 10's reach
  EXPECT_EQ(image.Outline(0), 0);
  EXPECT_EQ(LastBox(), "Outline : invalid border\n");
}

TEST_F(Image2dMorphology, EdgeCompressLeavesOneMarkerPerRun)
{
  CImage2d row;
  SetPixels(row, 5, 1, {0, 1, 1, 1, 0});
  ASSERT_EQ(row.EdgeCompressX(), 1);
  EXPECT_EQ(Pixels(row), (std::vector<float>{0, 0, 0, 1, 0}));
  SetPixels(row, 8, 1, {1, 1, 0, 0, 0, 0, 0, 0});
  ASSERT_EQ(row.EdgeCompressX(), 1);
  EXPECT_EQ(Pixels(row), (std::vector<float>{0, 1, 0, 0, 0, 0, 0, 0}));
  SetPixels(row, 4, 1, {0, 0, 0, 0});
  ASSERT_EQ(row.EdgeCompressX(), 1);
  EXPECT_EQ(row.Sum(), 0.0);  // no run, no marker
  CImage2d column;
  SetPixels(column, 1, 5, {0, 1, 1, 1, 0});
  ASSERT_EQ(column.EdgeCompressY(), 1);
  EXPECT_EQ(Pixels(column), (std::vector<float>{0, 0, 0, 1, 0}));
  CImage2d square(5, 5, 0.0);
  for (int y = 1; y <= 3; y++)
    for (int x = 1; x <= 3; x++)
      square.SetPixel(x, y, 1);
  ASSERT_EQ(square.EdgeCompress(), 1);
  // Row markers at column 3, column markers at row 3.
  EXPECT_EQ(Pixels(square), (std::vector<float>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0,  //
                                                0, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
  square.SetPixel(0, 0, 3);
  EXPECT_EQ(square.EdgeCompressX(), 0);
  EXPECT_EQ(LastBox(), "Non binary image...\n");
  EXPECT_EQ(square.EdgeCompressY(), 0);
  EXPECT_EQ(LastBox(), "Non binary image\n");
  EXPECT_EQ(square.EdgeCompress(), 0);
  EXPECT_STREQ(square.GetError(), "Non binary image\n");
}

TEST_F(Image2dEdges, DericheThinsAStepEdge)
{
  CImage2d image(8, 8, 0.0);
  for (int y = 0; y < 8; y++)
    for (int x = 4; x < 8; x++)
      image.SetPixel(x, y, 100);
  CImage2d cropped(&image);
  ASSERT_EQ(image.Deriche(0), 1);
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++)
      EXPECT_EQ(image.GetPixel(x, y), x == 3 && y >= 1 && y <= 6 ? 50.0f : 0.0f) << x << "," << y;
  ASSERT_EQ(cropped.Deriche(1), 1);
  EXPECT_EQ(cropped.GetWidth(), 6);
  EXPECT_EQ(cropped.GetHeight(), 6);
  EXPECT_EQ(cropped.GetPixel(2, 0), 50.0f);
  EXPECT_EQ(cropped.Sum(), 6 * 50.0);
  // The same edge along y.
  CImage2d rows(8, 8, 0.0);
  for (int y = 4; y < 8; y++)
    for (int x = 0; x < 8; x++)
      rows.SetPixel(x, y, 100);
  ASSERT_EQ(rows.Deriche(0), 1);
  EXPECT_EQ(rows.Occurrences(50), 6);
  EXPECT_EQ(rows.GetPixel(3, 4), 50.0f);  // the bright side of this edge
}

TEST_F(Image2dEdges, CurvatureAndDerivativeNorms)
{
  CImage2d image;
  SetPixels(image, 3, 3, {7, 1, 7, 0, 0, 2, 7, 1, 7});
  CImage2d curvature(&image);
  ASSERT_EQ(curvature.Curvature(), 1);
  EXPECT_EQ(curvature.GetPixel(1, 1), 2.0f);  // fx 1, fxx 2, fy 0, fyy 2
  EXPECT_EQ(curvature.GetPixel(0, 0), 7.0f);
  image.SetPixel(1, 0, -1);
  image.SetPixel(1, 2, -1);
  curvature.Copy(&image);
  curvature.Curvature();
  EXPECT_EQ(curvature.GetPixel(1, 1), 0.0f);  // negative curvature clamps to 0
  CImage2d flat(3, 3, 4.0);
  flat.Curvature();
  EXPECT_EQ(flat.GetPixel(1, 1), 0.0f);

  CImage2d norm(3, 3, 9.0);
  ASSERT_EQ(norm.GradientNorm(image), 1);
  EXPECT_FLOAT_EQ(norm.GetPixel(1, 1), 2.0f);
  EXPECT_EQ(norm.GetPixel(0, 1), 9.0f);
  ASSERT_EQ(norm.SecondDerivativeNorm(image), 1);
  EXPECT_FLOAT_EQ(norm.GetPixel(1, 1), std::sqrt(2.0f));
  CImage2d other(4, 3, 0.0);
  EXPECT_EQ(other.GradientNorm(image), 0);
  EXPECT_EQ(LastBox(), "GradientNorm : invalid sizes\n");
  EXPECT_EQ(image.GradientNorm(image), 1);  // its own source
  EXPECT_FLOAT_EQ(image.GetPixel(1, 1), 2.0f);
}

TEST_F(Image2dEdges, VarianceIsTheLocalDeviation)
{
  CImage2d image;
  SetPixels(image, 4, 3, {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0});
  ASSERT_EQ(image.Variance(3), 1);
  EXPECT_FLOAT_EQ(image.GetPixel(1, 1), std::sqrt(60.0f / 9));
  EXPECT_GT(image.GetPixel(2, 1), 0.0f);
  EXPECT_EQ(image.GetPixel(0, 0), 0.0f);
  EXPECT_EQ(image.GetPixel(3, 1), 0.0f);
  EXPECT_EQ(image.Variance(4), 0);
  EXPECT_EQ(LastBox(), "Variance : invalid width");
  EXPECT_EQ(image.Variance(1), 0);
}
