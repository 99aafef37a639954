// BuildAdjacencyFromCorners gives what BuildAdjacency gives, and falls back to it whenever the
// corners handed in cannot be used.
#include "MeshFixtures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Face neighbours, then each vertex's faces and neighbours, all as indices.
std::vector<int> Snapshot(const CMesh3d& mesh)
{
  std::vector<int> out;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CFace3d* n = mesh.GetFace(i)->f(k);
      out.push_back(n ? mesh.IndexFrom(n) : -1);
    }
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    out.push_back(-2);
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      out.push_back(mesh.IndexFrom(v->GetFaceNeighbor(j)));
    out.push_back(-3);
    for (int j = 0; j < v->NbVertexNeighbor(); j++)
      out.push_back(mesh.IndexFrom(v->GetVertexNeighbor(j)));
  }
  return out;
}

std::vector<int> CornersOf(CMesh3d& mesh)
{
  std::vector<int> corners;
  for (int i = 0; i < mesh.NbVertex(); i++)
    mesh.GetVertex(i)->SetAdjacencyIndex(i);
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++)
      corners.push_back(mesh.IndexFrom(mesh.GetFace(i)->v(k)));
  return corners;
}

void ClearAdjacency(CMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbFace(); i++)
    mesh.GetFace(i)->SetNeighbors(nullptr, nullptr, nullptr);
  mesh.ClearVertexAdjacency();
}

TEST(AdjacencyFromCorners, SameListsAsTheFullBuild)
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(fixtures::Tetrahedron());
  meshes.push_back(fixtures::Octahedron());
  meshes.push_back(fixtures::Fan(4));
  meshes.push_back(fixtures::Icosphere(1));
  for (const auto& mesh : meshes) {
    const std::vector<int> expected = Snapshot(*mesh);
    const std::vector<int> corners = CornersOf(*mesh);
    ClearAdjacency(*mesh);
    EXPECT_EQ(mesh->BuildAdjacencyFromCorners(corners), 1);
    EXPECT_EQ(Snapshot(*mesh), expected);
  }
}

TEST(AdjacencyFromCorners, UnusableCornersFallBackToTheFullBuild)
{
  // Too few corners: ignored.
  auto mesh = fixtures::Octahedron();
  const std::vector<int> expected = Snapshot(*mesh);
  std::vector<int> corners = CornersOf(*mesh);
  corners.pop_back();
  ClearAdjacency(*mesh);
  EXPECT_EQ(mesh->BuildAdjacencyFromCorners(corners), 1);
  EXPECT_EQ(Snapshot(*mesh), expected);

  // A face listed twice: the marks of the attempt are gone before the general build runs.
  auto twice = fixtures::Octahedron();
  twice->AddFace(twice->GetFace(5));
  twice->BuildAdjacency();
  const std::vector<int> expectedTwice = Snapshot(*twice);
  EXPECT_EQ(twice->BuildAdjacencyFromCorners(CornersOf(*twice)), 1);
  EXPECT_EQ(Snapshot(*twice), expectedTwice);
  for (int i = 0; i < twice->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      EXPECT_NE(twice->GetFace(i)->f(k), twice->GetFace(i));
  twice->GetArrayFace()->RemoveAt(twice->NbFace() - 1);
}

} // namespace
