#include "Image2dTest.h"

#include <algorithm>
#include <cstdlib>

using Image2dRegion = Image2dTest;

namespace {

// A binary square outline with corners (x0, y0) and (x1, y1).
void DrawSquare(CImage2d& image, int x0, int y0, int x1, int y1)
{
  for (int i = x0; i <= x1; i++) {
    image.SetPixel(i, y0, 1);
    image.SetPixel(i, y1, 1);
  }
  for (int j = y0; j <= y1; j++) {
    image.SetPixel(x0, j, 1);
    image.SetPixel(x1, j, 1);
  }
}

} // namespace

TEST_F(Image2dRegion, FillHolesTakesTheMeanOfTheOtherNeighbours)
{
  CImage2d image;
  SetPixels(image, 3, 3, {1, 2, 3, 4, 0, 5, 6, 7, 8});
  EXPECT_EQ(image.FillHoles(0), 1);
  EXPECT_EQ(image.GetPixel(1, 1), 4.5f);
  EXPECT_EQ(image.FillHoles(0), 0);

  // A larger hole fills from its rim inward, one ring per pass.
  CImage2d hole(5, 5, 10.0);
  for (int y = 1; y <= 3; y++)
    for (int x = 1; x <= 3; x++)
      hole.SetPixel(x, y, -1);
  int passes = 0;
  while (hole.FillHoles(-1))
    passes++;
  EXPECT_EQ(passes, 2);
  EXPECT_EQ(hole.Occurrences(10), 25);
}

TEST_F(Image2dRegion, FillAroundStopsAtTheFirstStopPixel)
{
  CImage2d image;
  SetPixels(image, 5, 3, {0, 0, 2, 0, 0, 0, 2, 0, 2, 0, 0, 0, 2, 0, 0});
  ASSERT_EQ(image.FillAround(2, 1), 1);
  EXPECT_EQ(Pixels(image), (std::vector<float>{1, 1, 2, 1, 1, 1, 2, 0, 2, 1, 1, 1, 2, 1, 1}));
}

TEST_F(Image2dRegion, FillObjectMarksTheInsideOfARing)
{
  CImage2d ring(7, 7, 0.0);
  DrawSquare(ring, 1, 1, 5, 5);
  ASSERT_EQ(ring.FillObject(), 1);
  for (int y = 0; y < 7; y++)
    for (int x = 0; x < 7; x++)
      EXPECT_EQ(ring.GetPixel(x, y), x >= 2 && x <= 4 && y >= 2 && y <= 4 ? 1.0f : 0.0f) << x << "," << y;

  // The background spreads to diagonal neighbours: a missing corner opens the ring.
  CImage2d open(7, 7, 0.0);
  DrawSquare(open, 1, 1, 5, 5);
  open.SetPixel(1, 1, 0);
  ASSERT_EQ(open.FillObject(), 1);
  EXPECT_EQ(open.Sum(), 0.0);

  CImage2d grey(3, 3, 0.5);
  EXPECT_EQ(grey.FillObject(), 0);
  EXPECT_EQ(LastBox(), "Invalid binary image\n");
}

// A serpentine corridor across a 4096 x 4096 image: one region of millions of pixels.
TEST_F(Image2dRegion, FillObjectFloodsALargeSerpentine)
{
  const int n = 4096;
  CImage2d maze(n, n, 0.0);
  DrawSquare(maze, 0, 0, n - 1, n - 1);
  for (int k = 0, x = 2; x <= n - 3; k++, x += 4)
    for (int y = k % 2 ? 2 : 1; y <= (k % 2 ? n - 2 : n - 3); y++)
      maze.SetPixel(x, y, 1);
  CImage2d closed(&maze);
  const int background = maze.Occurrences(0);

  maze.SetPixel(0, 1, 0);  // an opening at the end of the corridor
  ASSERT_EQ(maze.FillObject(), 1);
  EXPECT_EQ(maze.Sum(), 0.0);

  ASSERT_EQ(closed.FillObject(), 1);
  EXPECT_EQ(closed.Occurrences(1), background);
}

TEST_F(Image2dRegion, GrowRegionSpreadsDiagonallyOverInnerPixels)
{
  CImage2d image;
  SetPixels(image, 5, 5, {9, 0, 9, 0, 9,  //
                          0, 9, 0, 9, 0,  //
                          9, 0, 3, 0, 9,  //
                          0, 9, 0, 9, 0,  //
                          9, 0, 9, 0, 9});
  CImage2d low(&image);
  ASSERT_EQ(image.GrowRegion(1, 1, 7, 5, 8), 1);
  EXPECT_EQ(image.Occurrences(7), 1);  // the centre is below `low` and the border is never labelled
  ASSERT_EQ(low.GrowRegion(1, 1, 7, 0, 8), 1);
  EXPECT_EQ(low.Occurrences(7), 5);  // through the centre to the other inner corners
  EXPECT_EQ(low.GetPixel(0, 0), 9.0f);
  ASSERT_EQ(image.GrowRegion(0, 2, 7, 0, 8), 1);  // not inner: nothing
  EXPECT_EQ(image.GetPixel(0, 2), 9.0f);

  CImage2d seeds;
  SetPixels(seeds, 5, 4, {0, 0, 0, 0, 0,  //
                          0, 9, 0, 4, 0,  //
                          0, 0, 4, 1, 0,  //
                          0, 0, 0, 0, 0});
  ASSERT_EQ(seeds.GrowRegions(2, 3, 8), 1);
  EXPECT_EQ(Pixels(seeds), (std::vector<float>{0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0, 0, 2, 1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Image2dRegion, GrowRegionsCoversA4096ImageWithoutRecursion)
{
  const int n = 4096;
  CImage2d image(n, n, 200.0);
  ASSERT_EQ(image.GrowRegions(1, 100, 150), 1);
  EXPECT_EQ(image.Occurrences(1), (n - 2) * (n - 2));
  EXPECT_EQ(image.Occurrences(200), 4 * n - 4);
}

TEST_F(Image2dRegion, GeodesicLevelsDecreaseByRings)
{
  CImage2d image(7, 7, 0.0);
  image.SetPixel(3, 3, 4);
  ASSERT_EQ(image.BuildGeodesic(4), 1);
  const float step = (4.0f - 1) / 7;
  float levels[4] = {4};
  for (int d = 1; d < 4; d++)
    levels[d] = levels[d - 1] - step;
  for (int y = 0; y < 7; y++)
    for (int x = 0; x < 7; x++)
      EXPECT_EQ(image.GetPixel(x, y), levels[std::max(std::abs(x - 3), std::abs(y - 3))]) << x << "," << y;

  // A wall keeps the far side unreached.
  CImage2d walled(9, 5, 0.0);
  for (int y = 0; y < 5; y++)
    walled.SetPixel(4, y, -5);
  walled.SetPixel(1, 2, 2);
  ASSERT_EQ(walled.BuildGeodesic(2), 1);
  EXPECT_LT(walled.GetPixel(3, 2), 2.0f);
  EXPECT_GT(walled.GetPixel(3, 2), 0.0f);
  for (int y = 0; y < 5; y++)
    for (int x = 5; x < 9; x++)
      EXPECT_EQ(walled.GetPixel(x, y), 0.0f);
}

TEST_F(Image2dRegion, BoundingBoxOfAValue)
{
  CImage2d image(5, 4, 0.0);
  image.SetPixel(1, 2, 3);
  image.SetPixel(3, 1, 3);
  float xmin = -1, ymax = -1, xmax = -1, ymin = -1;
  image.BoundingBox(3, xmin, ymax, xmax, ymin);
  EXPECT_EQ(xmin, 1.0f);
  EXPECT_EQ(xmax, 3.0f);
  EXPECT_EQ(ymin, 1.0f);
  EXPECT_EQ(ymax, 2.0f);
  image.BoundingBox(8, xmin, ymax, xmax, ymin);
  EXPECT_EQ(xmin + ymax + xmax + ymin, 0.0f);
}
