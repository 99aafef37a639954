#include "MeshFixtures.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace {

// Every edge once, each with its two ends listed as neighbours.
void ExpectEdgesCoverAdjacency(const CMesh3d& mesh, const CArray3d<CEdge3d>& edges)
{
  std::set<std::pair<const void*, const void*>> seen;
  for (int i = 0; i < edges.GetSize(); i++) {
    const CEdge3d* e = edges[i];
    EXPECT_TRUE(e->v1()->IsNeighbor(e->v2()));
    EXPECT_TRUE(seen.insert(std::minmax<const void*>(e->v1(), e->v2())).second);
  }
  EXPECT_EQ(static_cast<int>(seen.size()), fixtures::NbEdge(mesh));
}

TEST(EdgeArrays, AddEdgesOnATetrahedronKeepsTheFlags)
{
  auto mesh = fixtures::Tetrahedron();
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->SetFlag(10 + i);
  ASSERT_EQ(mesh->AddEdges(7), 1);
  ASSERT_EQ(mesh->NbEdge(), 6);
  CArray3d<CEdge3d> edges;
  for (int i = 0; i < mesh->NbEdge(); i++) {
    CEdge3d* e = mesh->GetEdge(i);
    edges.Add(e);
    EXPECT_EQ(e->GetFlag(), 7);
    EXPECT_TRUE(e->v1()->GetArrayEdge()->Contains(e));
    EXPECT_TRUE(e->v2()->GetArrayEdge()->Contains(e));
  }
  ExpectEdgesCoverAdjacency(*mesh, edges);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    EXPECT_EQ(mesh->GetVertex(i)->GetFlag(), 10 + i);
    EXPECT_EQ(mesh->GetVertex(i)->NbEdge(), 3);
  }
  // A second call replaces the edges rather than adding to them.
  mesh->AddEdges(1);
  EXPECT_EQ(mesh->NbEdge(), 6);
  EXPECT_EQ(mesh->GetVertex(0)->NbEdge(), 3);
}

TEST(EdgeArrays, TwoTrianglesGiveFiveEdgesWithTheSharedOneOnBothFaces)
{
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {2, 1, 3}});
  CArray3d<CEdge3d> edges;
  int hasBoundary = 0;
  ASSERT_EQ(mesh->BuildArrayEdges(&edges, 1, 5, &hasBoundary), 1);
  ASSERT_EQ(edges.GetSize(), 5);
  ExpectEdgesCoverAdjacency(*mesh, edges);
  int shared = 0;
  for (int i = 0; i < edges.GetSize(); i++) {
    const CEdge3d* e = edges[i];
    const bool diagonal = e->HasVertex(mesh->GetVertex(1)) && e->HasVertex(mesh->GetVertex(2));
    if (diagonal) {
      shared++;
      EXPECT_TRUE((e->f1() == mesh->GetFace(0) && e->f2() == mesh->GetFace(1)) ||
                  (e->f1() == mesh->GetFace(1) && e->f2() == mesh->GetFace(0)));
    } else {
      EXPECT_NE(e->f1(), nullptr);
      EXPECT_EQ(e->f2(), nullptr);
    }
    // Every vertex is on the boundary, so the interior diagonal is flagged too.
    EXPECT_EQ(e->GetFlag(), 5);
  }
  EXPECT_EQ(shared, 1);
  EXPECT_EQ(hasBoundary, 1);
  EXPECT_EQ(mesh->CountVerticesWithFlag(1), 4);
  edges.DeleteAll();

  CArray3d<CEdge3d> boundary;
  EXPECT_EQ(mesh->BuildArrayBoundaryEdges(&boundary), 1);
  EXPECT_EQ(boundary.GetSize(), 5);
  EXPECT_EQ(mesh->CountVerticesWithFlag(0), 4);
  boundary.DeleteAll();
}

TEST(EdgeArrays, ClosedMeshHasNoBoundaryEdges)
{
  auto mesh = fixtures::Octahedron();
  CArray3d<CEdge3d> edges;
  int hasBoundary = 0;
  mesh->BuildArrayEdges(&edges, 1, 1, &hasBoundary);
  EXPECT_EQ(edges.GetSize(), 12);
  EXPECT_EQ(hasBoundary, 0);
  for (int i = 0; i < edges.GetSize(); i++)
    EXPECT_NE(edges[i]->f2(), nullptr);
  edges.DeleteAll();
  EXPECT_EQ(mesh->BuildArrayBoundaryEdges(&edges), 0);
  EXPECT_EQ(mesh->HasBoundary(), 0);
  EXPECT_EQ(mesh->GetFirstBoundaryVertex(), nullptr);
}

TEST(LoopAlpha, RegularAndValenceThreeWeights)
{
  EXPECT_NEAR(CMesh3d::LoopAlpha(6), 10.0, 1e-5);
  EXPECT_NEAR(CMesh3d::LoopAlpha(3), 7.0 / 3.0, 1e-5);
  // Against the formula in double: single precision moves it very little.
  for (int n = 3; n < 12; n++) {
    const double c = 3.0 + 2.0 * std::cos(2.0 * 3.14159265358979 / n);
    const double a = 0.625 - c * c / 64.0;
    EXPECT_NEAR(CMesh3d::LoopAlpha(n), n * (1.0 - a) / a, 1e-4 * n) << n;
  }
}

TEST(Flags, CountsFindsAndExtremes)
{
  auto mesh = fixtures::Strip(3);  // 8 vertices, 6 faces
  int min = 0;
  EXPECT_EQ(mesh->GetMinVertexFlagOtherThan(0, &min), 0);
  EXPECT_EQ(min, INT_MAX);
  EXPECT_EQ(mesh->HasVertexWithFlagOtherThan(0), 0);

  mesh->GetVertex(2)->SetFlag(5);
  mesh->GetVertex(6)->SetFlag(3);
  EXPECT_EQ(mesh->GetMinVertexFlagOtherThan(0, &min), 1);
  EXPECT_EQ(min, 3);
  EXPECT_EQ(mesh->GetVertexWithFlag(5), mesh->GetVertex(2));
  EXPECT_EQ(mesh->CountVerticesWithFlag(0), 6);
  EXPECT_EQ(mesh->GetVertexWithFlag(4), nullptr);

  mesh->SetFacesFlag(2);
  mesh->GetFace(4)->SetFlag(9);
  EXPECT_EQ(mesh->GetMaxFaceFlag(), 9);
  EXPECT_EQ(mesh->CountFacesWithFlag(2), 5);
  EXPECT_EQ(mesh->GetFaceWithFlag(9), mesh->GetFace(4));
  mesh->SetFacesFlag(-4);
  EXPECT_EQ(mesh->GetMaxFaceFlag(), 0);

  mesh->SetRibbon(1);
  mesh->GetVertex(3)->SetRibbon(-2);
  mesh->GetFace(1)->SetRibbon(8);
  EXPECT_EQ(mesh->GetMinVertexLabel(), -2);
  EXPECT_EQ(mesh->GetMaxVertexLabel(), 1);
  EXPECT_EQ(mesh->GetMinFaceValue(), 1);
  EXPECT_EQ(mesh->GetMaxFaceValue(), 8);
  EXPECT_EQ(mesh->CountVerticesInRibbon(1), 7);
  EXPECT_EQ(mesh->CountVerticesWithValueAndFlag(1, 5), 1);
  CMesh3d empty;
  EXPECT_EQ(empty.GetMinFaceValue(), -1);
  EXPECT_EQ(empty.GetMaxVertexLabel(), -1);
}

TEST(Flags, EndVertexOfAFlaggedPath)
{
  auto mesh = fixtures::Strip(3);
  mesh->SetVerticesFlag(0);
  // The bottom row 0-2-4-6 is a path: both 0 and 6 are ends, the last one wins.
  for (int i : {0, 2, 4, 6})
    mesh->GetVertex(i)->SetFlag(1);
  EXPECT_EQ(mesh->GetEndVertexWithFlag(1), mesh->GetVertex(6));
  EXPECT_EQ(mesh->GetEndVertexWithFlag(4), nullptr);
  EXPECT_EQ(mesh->StoreValences(), 8);
  EXPECT_EQ(mesh->GetVertex(0)->GetValence(), 2);
  EXPECT_EQ(mesh->HasVertexWithValence(2), 1);
  EXPECT_EQ(mesh->HasVertexWithValence(9), 0);
}

TEST(Positions, ToggleQuantizedSwapsBothWays)
{
  auto mesh = fixtures::Tetrahedron();
  mesh->CopyPositionsToSecondSet();
  mesh->GetVertex(1)->Set2(0, 5.0f);
  mesh->SetModified(0);
  mesh->ToggleQuantizedPositions();
  EXPECT_FLOAT_EQ(mesh->GetVertex(1)->x(), 5.0f);
  EXPECT_FLOAT_EQ(mesh->GetVertex(1)->x2(), 1.0f);
  EXPECT_EQ(mesh->IsQuantized(), 1);
  EXPECT_EQ(mesh->GetModified(), 1);
  mesh->ToggleQuantizedPositions();
  EXPECT_FLOAT_EQ(mesh->GetVertex(1)->x(), 1.0f);
  EXPECT_EQ(mesh->IsQuantized(), 0);
}

TEST(Positions, SwapVertexToIndexAndColours)
{
  auto mesh = fixtures::Tetrahedron();
  CVertex3d* v = mesh->GetVertex(3);
  CVertex3d* w = mesh->GetVertex(0);
  mesh->SwapVertexToIndex(v, 0);
  EXPECT_EQ(mesh->IndexOfVertex(v), 0);
  EXPECT_EQ(mesh->IndexOfVertex(w), 3);
  CVertex3d outside;
  EXPECT_EQ(mesh->IndexOfVertex(&outside), -1);

  mesh->SetColorFacesRGB(10, 20, 30);
  EXPECT_EQ(mesh->GetFace(2)->GetColor()->g(), 20);
  mesh->SetVerticesFlag(0);
  mesh->GetVertex(1)->SetFlag(1);
  mesh->ColorVerticesWithFlag(1, 200, 0, 0);
  EXPECT_EQ(mesh->GetVertex(1)->GetColor()->r(), 200);
  EXPECT_NE(mesh->GetVertex(2)->GetColor()->r(), 200);
  // The origin sees three unit edges, every other corner one unit edge and two diagonals.
  EXPECT_NEAR(mesh->GetMeanLengthEdgeAround(), (1.0 + (1.0 + 2.0 * std::sqrt(2.0))) / 4.0, 1e-6);
}

} // namespace

// Indices come from files: a face whose index leaves the table, or that has no indices, has
// no corners; the others read their pairs through the table.
TEST(TextureCorners, ReadThroughTheIndexTableAndRefuseIndicesOutsideIt)
{
  auto mesh = fixtures::Tetrahedron();
  mesh->SetTextureCoordinates({0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 0.125f});
  mesh->SetTextureIndices({2, 0, 1, 0, 3, 1, 1, -1, 0});
  double uv[3][2];
  ASSERT_TRUE(mesh->GetFaceTextureCorners(0, uv));
  EXPECT_EQ(uv[0][0], 1.0);
  EXPECT_EQ(uv[0][1], 0.125);
  EXPECT_EQ(uv[1][0], 0.0);
  EXPECT_EQ(uv[1][1], 0.25);
  EXPECT_EQ(uv[2][0], 0.5);
  EXPECT_EQ(uv[2][1], 0.75);
  EXPECT_FALSE(mesh->GetFaceTextureCorners(1, uv));  // index 3 of a 3-pair table
  EXPECT_FALSE(mesh->GetFaceTextureCorners(2, uv));  // a negative index
  EXPECT_FALSE(mesh->GetFaceTextureCorners(3, uv));  // no indices for the fourth face
  EXPECT_FALSE(mesh->GetFaceTextureCorners(-1, uv));
}
