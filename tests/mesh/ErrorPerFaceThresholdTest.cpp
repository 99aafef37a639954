#include "MeshFixtures.h"
#include "app/objects/VectorSet3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// A square of side `side` in the plane z = 0, cut into two right triangles.
std::unique_ptr<CMesh3d> Square(float side)
{
  return fixtures::Build({{0, 0, 0}, {side, 0, 0}, {side, side, 0}, {0, side, 0}},
                         {{0, 1, 2}, {0, 2, 3}});
}

// 0.05 times the mean of the square roots of the face's three edge lengths, from its corners.
double RootThreshold(float side)
{
  const double leg = side;
  const double diagonal = std::sqrt(2.0) * side;
  return 0.05 * (2.0 * std::sqrt(leg) + std::sqrt(diagonal)) / 3.0;
}

// The faces flagged once the square is lifted by `lift` above its reference: every sample of
// a face is then exactly `lift` away.
int FlaggedFaces(float side, double lift)
{
  auto reference = Square(side);
  auto mesh = Square(side);
  mesh->TranslateVertices(0.0f, 0.0f, static_cast<float>(lift));
  mesh->SetFacesFlag(0);
  const std::unique_ptr<CVectorSet3d> set(mesh->GetVectorSetErrorPerFace(reference.get()));
  EXPECT_EQ(set->NbVector(), 8);
  int flagged = 0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    if (f->GetFlag() == 1) {
      flagged++;
      EXPECT_EQ(f->GetColor()->r(), 255);
      EXPECT_EQ(f->GetColor()->g(), 0);
    }
  }
  return flagged;
}

} // namespace

TEST(ErrorPerFaceThreshold, GrowsWithTheRootOfTheEdgeLengths)
{
  // Long edges: the root threshold (about 0.53) is far below the mean edge length's 5.7, so a
  // lift between them flags the faces.
  const double large = RootThreshold(100.0f);
  EXPECT_EQ(FlaggedFaces(100.0f, 1.2 * large), 2);
  EXPECT_EQ(FlaggedFaces(100.0f, 0.8 * large), 0);
  // Short edges: the root threshold (about 0.0053) is above the mean edge length's 0.00057, so
  // a lift between them leaves the faces alone.
  const double small = RootThreshold(0.01f);
  EXPECT_EQ(FlaggedFaces(0.01f, 0.8 * small), 0);
  EXPECT_EQ(FlaggedFaces(0.01f, 1.2 * small), 2);
}

TEST(ErrorPerFaceThreshold, LeavesUnflaggedFacesAsTheyWere)
{
  auto reference = Square(1.0f);
  auto mesh = Square(1.0f);
  mesh->GetFace(0)->SetColor(10, 20, 30);
  mesh->GetFace(0)->SetFlag(7);
  const std::unique_ptr<CVectorSet3d> set(mesh->GetVectorSetErrorPerFace(reference.get()));
  EXPECT_EQ(mesh->GetFace(0)->GetFlag(), 7);
  EXPECT_EQ(mesh->GetFace(0)->GetColor()->b(), 30);
}
