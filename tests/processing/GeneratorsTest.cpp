#include "processing/ProcessingFixtures.h"
#include "scene/Texture.h"

#include <gtest/gtest.h>

namespace {

TEST(Generators, TetrahedronReplacesTheMesh)
{
  auto mesh = fixtures::Octahedron();
  EXPECT_EQ(mesh->GenerateQuadrilateral(), 1);
  EXPECT_EQ(mesh->NbVertex(), 4);
  EXPECT_EQ(mesh->NbFace(), 4);
  EXPECT_EQ(fixtures::PositionOf(mesh->GetVertex(3)), (fixtures::Position{0, 3, 0}));
  EXPECT_TRUE(fixtures::IsClosedAndOriented(*mesh));
  // Outward: face (0, 2, 3) faces away from the centroid (0, 0.75, 0.375); its own centroid
  // is (0.5, 1, 0).
  const CVector3d* n = mesh->GetFace(1)->GetNormal();
  EXPECT_GT(n->x() * 0.5f + n->y() * 0.25f - n->z() * 0.375f, 0.0f);
}

TEST(Generators, BoxOfSizeOne)
{
  CMesh3d mesh;
  EXPECT_EQ(mesh.GenerateBox(1, 1, 1), 1);
  EXPECT_EQ(mesh.NbFace(), 12);
  for (int i = 0; i < mesh.NbVertex(); i++)
    for (int axis = 0; axis < 3; axis++)
      EXPECT_EQ(std::fabs(mesh.GetVertex(i)->Get(axis)), 0.5f);
  mesh.BuildAdjacency();
  EXPECT_TRUE(fixtures::IsClosedAndOriented(mesh));
  // The normals set directly are the outward unit normals.
  for (int i = 0; i < mesh.NbFace(); i++) {
    CFace3d* f = mesh.GetFace(i);
    const CVector3d given = *f->GetNormal();
    f->CalculateNormal();
    EXPECT_EQ(given.x(), f->GetNormal()->x());
    EXPECT_EQ(given.y(), f->GetNormal()->y());
    EXPECT_EQ(given.z(), f->GetNormal()->z());
  }
}

TEST(Generators, PeaksGrid)
{
  CMesh3d mesh;
  EXPECT_EQ(mesh.GeneratePeaks(60, 60, -4, 4), 1);
  EXPECT_EQ(mesh.NbVertex(), 3600);
  EXPECT_EQ(mesh.NbFace(), 6962);
  float lo = 0;
  float hi = 0;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    lo = std::min(lo, mesh.GetVertex(i)->x());
    hi = std::max(hi, mesh.GetVertex(i)->x());
  }
  EXPECT_FLOAT_EQ(lo, -4.0f);
  EXPECT_NEAR(hi, 3.8667f, 1e-4);
  EXPECT_NEAR(mesh.GetVertex(1)->z() - mesh.GetVertex(0)->z(), 0.1333f, 1e-4);
  // The surface's known values: near 8.1 at its peak (0, 1.58) and -6.55 at its pit.
  float top = -100;
  float bottom = 100;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    top = std::max(top, mesh.GetVertex(i)->y());
    bottom = std::min(bottom, mesh.GetVertex(i)->y());
  }
  EXPECT_NEAR(top * 3, 8.1, 0.2);
  EXPECT_NEAR(bottom * 3, -6.55, 0.2);
  mesh.Rebuild();
  EXPECT_EQ(fixtures::EulerCharacteristic(mesh), 1);
}

TEST(Generators, CosineMap)
{
  CMesh3d mesh;
  EXPECT_EQ(mesh.GenerateMap(2, 2, 0, 1), 1);
  ASSERT_EQ(mesh.NbVertex(), 4);
  EXPECT_EQ(mesh.NbFace(), 2);
  EXPECT_EQ(fixtures::PositionOf(mesh.GetVertex(3)),
            (fixtures::Position{0.5f, std::cos(0.5f) * std::cos(0.5f), 0.5f}));
  EXPECT_EQ(mesh.GenerateMap(0, 2, 0, 1), 0);
  EXPECT_EQ(mesh.GenerateMap(3, 1, 0, 1), 1);
  EXPECT_EQ(mesh.NbFace(), 2);  // a single row adds no face
}

TEST(Generators, MapFromImageSamplesPixelsAndColours)
{
  CTexture image;
  ASSERT_EQ(image.Alloc(4, 4, 24), 1);
  for (unsigned y = 0; y < 4; y++)
    for (unsigned x = 0; x < 4; x++)
      image.SetColor(x, y, static_cast<std::uint8_t>(10 * x), static_cast<std::uint8_t>(40 * y), 3);
  auto mesh = fixtures::Octahedron();
  EXPECT_EQ(mesh->GenerateMapFromImage(&image, 2, 2, 1), 1);
  ASSERT_EQ(mesh->NbVertex(), 4);
  ASSERT_EQ(mesh->NbFace(), 2);
  // Samples at pixels (0, 0), (2, 0), (0, 2), (2, 2), heights their grey levels.
  const unsigned pixels[4][2] = {{0, 0}, {2, 0}, {0, 2}, {2, 2}};
  for (int i = 0; i < 4; i++) {
    const CVertex3d* v = mesh->GetVertex(i);
    EXPECT_EQ(v->x(), static_cast<float>(i % 2));
    EXPECT_EQ(v->z(), static_cast<float>(i / 2));
    EXPECT_EQ(v->y(), static_cast<float>(image.Grey(pixels[i][0], pixels[i][1])));
    std::uint8_t r = 0, g = 0, b = 0;
    image.GetColor(pixels[i][0], pixels[i][1], r, g, b);
    EXPECT_EQ(*v->GetColor(), CColor(r, g, b));
  }
  // Faces (b, a, c) and (c, a, d), coloured by a and by b.
  EXPECT_EQ(fixtures::Corners(*mesh), (std::vector<std::array<int, 3>>{{1, 0, 3}, {3, 0, 2}}));
  EXPECT_EQ(*mesh->GetFace(0)->GetColor(), *mesh->GetVertex(0)->GetColor());
  EXPECT_EQ(*mesh->GetFace(1)->GetColor(), *mesh->GetVertex(1)->GetColor());
  EXPECT_EQ(mesh->GetFace(0)->f(1), mesh->GetFace(1));  // across the diagonal 0-3
}

TEST(Generators, MapFromImageRefusesBadInputAndKeepsTheMesh)
{
  auto mesh = fixtures::Octahedron();
  CTexture empty;
  EXPECT_EQ(mesh->GenerateMapFromImage(&empty, 2, 2, 0), 0);
  CTexture image;
  ASSERT_EQ(image.Alloc(3, 3, 24), 1);
  EXPECT_EQ(mesh->GenerateMapFromImage(&image, 0, 2, 0), 0);
  EXPECT_EQ(mesh->NbFace(), 8);
  // More samples than pixels stay inside the image.
  EXPECT_EQ(mesh->GenerateMapFromImage(&image, 7, 5, 1), 1);
  EXPECT_EQ(mesh->NbVertex(), 35);
  EXPECT_EQ(mesh->NbFace(), 2 * 6 * 4);
}

} // namespace
