#include "mesh/Mesh3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A closed torus grid of n by m samples, 2nm faces, every vertex of valence 6.
std::unique_ptr<CMesh3d> TorusGrid(int n, int m)
{
  auto mesh = std::make_unique<CMesh3d>();
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++)
      mesh->AddVertex(mesh->NewVertex(static_cast<float>(i), static_cast<float>(j), 0.0f));
  auto at = [&](int i, int j) { return mesh->GetVertex((j % m) * n + i % n); };
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      mesh->AddFace(mesh->NewFace(at(i, j), at(i, j + 1), at(i + 1, j + 1)));
      mesh->AddFace(mesh->NewFace(at(i, j), at(i + 1, j + 1), at(i + 1, j)));
    }
  return mesh;
}

// Large enough for the build to note the faces across before linking them.
TEST(LargeAdjacency, EveryEdgeLinksTheTwoFacesThatShareIt)
{
  auto mesh = TorusGrid(300, 160);
  ASSERT_EQ(mesh->NbFace(), 96000);
  ASSERT_EQ(mesh->BuildAdjacency(), 1);
  int wrong = 0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    for (int k = 0; k < 3; k++) {
      const CFace3d* g = f->f(k);
      int j = -1;
      // The face across holds the edge the other way round and names f across it.
      const CVertex3d* a = f->v(k);
      const CVertex3d* b = f->v((k + 1) % 3);
      const bool ok = g && g != f && g->IndexOfNeighbor(f, &j) && g->v(j) == b &&
                      g->v((j + 1) % 3) == a;
      wrong += ok ? 0 : 1;
    }
  }
  EXPECT_EQ(wrong, 0);
  for (int i = 0; i < mesh->NbVertex(); i += 97) {
    EXPECT_EQ(mesh->GetVertex(i)->NbFaceNeighbor(), 6);
    EXPECT_EQ(mesh->GetVertex(i)->NbVertexNeighbor(), 6);
  }
}

// The same faces read again from their corners: every link comes out as before.
TEST(LargeAdjacency, FromCornersMatchesTheBuildFromFaces)
{
  auto mesh = TorusGrid(300, 160);
  // The build leaves each vertex holding its index.
  ASSERT_EQ(mesh->BuildAdjacency(), 1);
  std::vector<const CFace3d*> across;
  std::vector<int> corners;
  for (int i = 0; i < mesh->NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      across.push_back(mesh->GetFace(i)->f(k));
      corners.push_back(mesh->GetFace(i)->v(k)->GetAdjacencyIndex());
    }
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetNeighbors(nullptr, nullptr, nullptr);
  ASSERT_EQ(mesh->BuildAdjacencyFromCorners(corners), 1);
  int differing = 0;
  for (int i = 0; i < mesh->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      differing += mesh->GetFace(i)->f(k) == across[3 * static_cast<size_t>(i) + k] ? 0 : 1;
  EXPECT_EQ(differing, 0);
}

} // namespace
