// The normal-flip veto on a creased plate: a vertex on the crease is refused when its hole's
// new faces have unit normals meeting below -0.1f. Past the threshold the faces on the two
// sides are refused together, whatever the crease; short of it only faces spanning it. The
// veto must draw that line the same way at every scale, down to cross products whose squared
// lengths multiplied leave the normal range of doubles and up to those near its top.
#include "compression/ProgressiveCoder.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// A flat grid of n by n cells creased along column n / 2: the cells past it turn about the
// crease so that the two sides' normals have the given cosine. Vertices move only along the
// crease (jitter) so that each side stays exactly planar.
std::unique_ptr<CMesh3d> CreasedPlate(int n, double cosine, double scale)
{
  const double sine = std::sqrt(1 - cosine * cosine);
  const int crease = n / 2;
  progressive::Points points;
  progressive::Triangles triangles;
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++) {
      const double s = i - crease;
      const double y = j + 0.2 * progressive::Jitter(i, j, 5);
      const double x = s <= 0 ? s : s * cosine;
      const double z = s <= 0 ? 0 : s * sine;
      points.push_back({static_cast<float>(x * scale), static_cast<float>(y * scale),
                        static_cast<float>(z * scale)});
    }
  auto at = [n](int i, int j) { return j * (n + 1) + i; };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
  return fixtures::Build(points, triangles);
}

// Vertices removed by a simple then a double layer of valence up to 6.
int RemovedByTwoLayers(double cosine, double scale, bool veto)
{
  auto mesh = CreasedPlate(16, cosine, scale);
  CProgressiveCoder coder;
  coder.SetForbidNormalFlipping(veto ? 1 : 0);
  const int first = coder.EncodeLayer(mesh.get(), 0, 6);
  return first + coder.EncodeLayer(mesh.get(), 1, 6);
}

TEST(ProgressiveVeto, CreaseRefusedPastTheThresholdAlone)
{
  const int free = RemovedByTwoLayers(0.5, 1, false);
  ASSERT_GT(free, 100);
  const int below = RemovedByTwoLayers(-0.1 + 1e-5, 1, true);
  const int past = RemovedByTwoLayers(-0.1 - 1e-5, 1, true);
  // Without the veto the crease changes nothing; a gentle one refuses nothing either.
  EXPECT_EQ(free, RemovedByTwoLayers(-0.1 - 1e-5, 1, false));
  EXPECT_EQ(free, RemovedByTwoLayers(0.5, 1, true));
  // Crossing the threshold refuses the crease's vertices whose new faces lie on both sides.
  EXPECT_LE(below, free);
  EXPECT_LT(past, below);
  // Between the thresholds of the pairs, nothing changes: short of -0.1 only faces that span
  // the crease meet lower, past it the sides themselves do, whatever the crease.
  EXPECT_EQ(below, RemovedByTwoLayers(-0.05, 1, true));
  EXPECT_EQ(past, RemovedByTwoLayers(-0.5, 1, true));
  EXPECT_EQ(past, RemovedByTwoLayers(-0.9, 1, true));
}

TEST(ProgressiveVeto, CreaseDecidedAlikeAtEveryScale)
{
  // Cross products of about 1e-72 or 1e60: the products of their squared lengths reach the ends
  // of the doubles' range, and the line must fall where it falls at the scales between.
  for (double cosine : {-0.1 + 1e-5, -0.1 - 1e-5, -0.05, -0.3}) {
    const int removed = RemovedByTwoLayers(cosine, 1, true);
    for (double scale : {1e-3, 1e3, 1e-36, 1e30}) {
      SCOPED_TRACE(testing::Message() << "cosine " << cosine << " scale " << scale);
      EXPECT_EQ(removed, RemovedByTwoLayers(cosine, scale, true));
    }
  }
}

} // namespace
