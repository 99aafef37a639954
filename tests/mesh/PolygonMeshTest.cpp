#include "mesh/PolygonGate3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"

#include "MeshFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

using Polygons = std::vector<std::vector<int>>;

std::unique_ptr<CPolygonMesh3d> BuildPolygons(const fixtures::Points& points,
                                              const Polygons& polygons)
{
  auto mesh = std::make_unique<CPolygonMesh3d>();
  for (const auto& p : points)
    mesh->AddVertex(new CPolygonVertex3d(p[0], p[1], p[2]));
  for (const auto& corners : polygons) {
    CPolygon3d* polygon = new CPolygon3d;
    for (int corner : corners)
      polygon->AddVertex(mesh->GetVertex(corner));
    mesh->AddPolygon(polygon);
  }
  mesh->Rebuild();
  return mesh;
}

// A regular n-gon in the plane z = 0, counter-clockwise seen from +z.
std::unique_ptr<CPolygonMesh3d> RegularPolygon(int n)
{
  fixtures::Points points;
  std::vector<int> corners;
  for (int i = 0; i < n; i++) {
    const float a = 2.0f * 3.14159265f * i / n;
    points.push_back({std::cos(a), std::sin(a), 0.0f});
    corners.push_back(i);
  }
  return BuildPolygons(points, {corners});
}

// The cube as six quads on eight shared corners, outward oriented.
std::unique_ptr<CPolygonMesh3d> Cube()
{
  return BuildPolygons({{1, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1},
                        {-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1}},
                       {{0, 1, 2, 3}, {0, 4, 5, 1}, {4, 7, 6, 5},
                        {7, 3, 2, 6}, {2, 1, 5, 6}, {0, 3, 7, 4}});
}

// Vertex-index corners of every polygon.
std::vector<std::vector<int>> CornerIndices(const CPolygonMesh3d& mesh)
{
  std::map<const CPolygonVertex3d*, int> index;
  for (int i = 0; i < mesh.NbVertex(); i++)
    index[mesh.GetVertex(i)] = i;
  std::vector<std::vector<int>> result;
  for (int i = 0; i < mesh.NbPolygon(); i++) {
    std::vector<int> corners;
    for (int k = 0; k < mesh.GetPolygon(i)->NbVertex(); k++)
      corners.push_back(index.at(mesh.GetPolygon(i)->GetVertex(k)));
    result.push_back(corners);
  }
  return result;
}

int EulerCharacteristic(CPolygonMesh3d& mesh)
{
  return mesh.NbVertex() - mesh.NbEdge() + mesh.NbPolygon();
}

// Every neighbour slot names a polygon holding the reversed edge; closed: none is null.
void ExpectNeighborsConsistent(const CPolygonMesh3d& mesh, bool closed)
{
  for (int i = 0; i < mesh.NbPolygon(); i++) {
    const CPolygon3d* polygon = mesh.GetPolygon(i);
    const int n = polygon->NbVertex();
    for (int k = 0; k < n; k++) {
      const CPolygon3d* across = polygon->GetNeighbor(k);
      if (!across) {
        EXPECT_FALSE(closed) << "polygon " << i << " edge " << k;
        continue;
      }
      EXPECT_TRUE(across->HasEdge(polygon->GetVertex((k + 1) % n), polygon->GetVertex(k)));
    }
  }
}

// Positions of a triangle mesh's first vertices equal the polygon mesh's.
void ExpectSamePositions(const CPolygonMesh3d& polygons, const CMesh3d& triangles)
{
  ASSERT_GE(triangles.NbVertex(), polygons.NbVertex());
  for (int i = 0; i < polygons.NbVertex(); i++) {
    EXPECT_EQ(triangles.GetVertex(i)->x(), polygons.GetVertex(i)->x());
    EXPECT_EQ(triangles.GetVertex(i)->y(), polygons.GetVertex(i)->y());
    EXPECT_EQ(triangles.GetVertex(i)->z(), polygons.GetVertex(i)->z());
  }
}

// Two hexagons side by side on the shared edge 1-2, plus a detached pentagon.
std::unique_ptr<CPolygonMesh3d> TwoHexagonsAndAPentagon()
{
  return BuildPolygons({{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {2, 2, 0}, {0, 2, 0}, {-1, 1, 0},
                        {4, 0, 0}, {5, 1, 0}, {4, 2, 0}, {3.5f, 1.5f, 0},
                        {10, 0, 0}, {11, 0, 0}, {11.5f, 1, 0}, {10.5f, 2, 0}, {9.5f, 1, 0}},
                       {{0, 1, 2, 3, 4, 5}, {1, 6, 7, 8, 9, 2}, {10, 11, 12, 13, 14}});
}

} // namespace

//********************************************
// Elements, adjacency and measures
//********************************************

TEST(PolygonMesh, ElementsHaveTheirTypesAndDefaults)
{
  CPolygonMesh3d mesh;
  EXPECT_EQ(mesh.GetType(), TYPE_POLYGONMESH3D);
  EXPECT_EQ(mesh.GetName(), "PolygonMesh");
  EXPECT_EQ(mesh.GetColorBinding(), 1);
  EXPECT_EQ(mesh.GetNormalBinding(), 1);
  CPolygonVertex3d a(1, 2, 3), b(4, 6, 3), c(0, 0, 0);
  EXPECT_EQ(a.GetType(), TYPE_POLYGONVERTEX3D);
  EXPECT_DOUBLE_EQ(a.SquaredDistance(&b), 25.0);
  CPolygon3d triangle(&a, &b, &c);
  EXPECT_EQ(triangle.GetType(), TYPE_POLYGON3D);
  EXPECT_EQ(triangle.Draw(), 0);
  EXPECT_EQ(triangle.NbVertex(), 3);
  EXPECT_EQ(triangle.GetNeighbor(2), nullptr);
  EXPECT_TRUE(triangle.HasEdge(&c, &a));
  EXPECT_FALSE(triangle.HasEdge(&a, &c));
  EXPECT_EQ(triangle.IndexFrom(&b), 1);
  EXPECT_TRUE(triangle.IsValid());
  triangle.AddVertex(&b);
  EXPECT_EQ(triangle.NbVertex(), 4);
  EXPECT_FALSE(triangle.IsValid());
}

TEST(PolygonMesh, NormalOfACounterClockwisePolygonFacesTheViewer)
{
  for (int n : {3, 4, 7}) {
    auto mesh = RegularPolygon(n);
    const CVector3d* normal = mesh->GetPolygon(0)->GetNormal();
    EXPECT_NEAR(normal->x(), 0.0, 1e-6);
    EXPECT_NEAR(normal->y(), 0.0, 1e-6);
    EXPECT_NEAR(normal->z(), 1.0, 1e-6);
  }
}

TEST(PolygonMesh, SingleQuadHasFourEdgesAndABoundary)
{
  auto mesh = RegularPolygon(4);
  EXPECT_EQ(mesh->NbEdge(), 4);
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(mesh->GetVertex(i)->NbVertexNeighbor(), 2);
    EXPECT_EQ(mesh->GetVertex(i)->NbPolygon(), 1);
    EXPECT_TRUE(mesh->GetVertex(i)->IsOnBoundary());
  }
}

TEST(PolygonMesh, CubeIsClosedWithTwelveEdges)
{
  auto mesh = Cube();
  EXPECT_EQ(mesh->NbEdge(), 12);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  ExpectNeighborsConsistent(*mesh, true);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    EXPECT_EQ(mesh->GetVertex(i)->NbVertexNeighbor(), 3);
    EXPECT_FALSE(mesh->GetVertex(i)->IsOnBoundary());
  }
  EXPECT_TRUE(mesh->IsValid());
}

TEST(PolygonMesh, VertexQueriesOverItsPolygons)
{
  auto mesh = TwoHexagonsAndAPentagon();
  CPolygonVertex3d* shared = mesh->GetVertex(1);
  EXPECT_EQ(shared->NbPolygon(), 2);
  EXPECT_EQ(shared->GetPolygonWithEdge(shared, mesh->GetVertex(2)), mesh->GetPolygon(0));
  EXPECT_EQ(shared->GetPolygonWithEdge(mesh->GetVertex(2), shared), mesh->GetPolygon(1));
  EXPECT_EQ(shared->GetPolygonWithEdge(shared, mesh->GetVertex(3)), nullptr);
  EXPECT_EQ(mesh->GetPolygon(0)->GetNeighbor(1), mesh->GetPolygon(1));
  EXPECT_EQ(mesh->GetPolygon(1)->GetNeighbor(5), mesh->GetPolygon(0));
  mesh->SetPolygonsFlag(0);
  mesh->GetPolygon(1)->SetFlag(2);
  EXPECT_EQ(shared->NbPolygonWithFlag(0), 1);
  EXPECT_TRUE(shared->HasPolygonsWithFlags(0, 2));
  EXPECT_FALSE(shared->HasPolygonsWithFlags(2, 2));
  EXPECT_FALSE(mesh->GetVertex(0)->HasPolygonsWithFlags(0, 0));
  mesh->GetPolygon(2)->SetVerticesFlag(7);
  EXPECT_TRUE(mesh->GetPolygon(2)->HasAllVerticesFlag(7));
  EXPECT_FALSE(mesh->GetPolygon(0)->HasAllVerticesFlag(7));
}

TEST(PolygonMesh, SmoothMovesEachVertexToTheMeanOfItsRing)
{
  auto mesh = RegularPolygon(4);  // corners (1,0) (0,1) (-1,0) (0,-1)
  mesh->Smooth();
  EXPECT_NEAR(mesh->GetVertex(0)->x(), 1.0 / 3.0, 1e-6);
  EXPECT_NEAR(mesh->GetVertex(0)->y(), 0.0, 1e-6);
  EXPECT_NEAR(mesh->GetVertex(1)->y(), 1.0 / 3.0, 1e-6);
  EXPECT_EQ(mesh->GetModified(), 1);
}

TEST(PolygonMesh, DegreeDistributionSkipsPolygonsBelowThreeCorners)
{
  auto mesh = TwoHexagonsAndAPentagon();
  // Degenerate polygons of two corners and of none.
  CPolygon3d* two = new CPolygon3d;
  two->AddVertex(mesh->GetVertex(0));
  two->AddVertex(mesh->GetVertex(1));
  mesh->AddPolygon(two);
  mesh->AddPolygon(new CPolygon3d);
  mesh->AddPolygon(new CPolygon3d(mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2)));
  EXPECT_EQ(mesh->BuildDegreeDistribution(), (std::vector<int>{1, 0, 1, 2}));
  EXPECT_TRUE(CPolygonMesh3d().BuildDegreeDistribution().empty());
}

TEST(PolygonMesh, GateFindsItsPolygonAndCountsItsVertices)
{
  auto mesh = BuildPolygons({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}},
                            {{0, 1, 2, 3}, {1, 4, 2}});
  CPolygonVertex3d* v1 = mesh->GetVertex(1);
  CPolygonVertex3d* v2 = mesh->GetVertex(2);
  mesh->SetVerticesUseCount(0);
  {
    CPolygonGate3d quadGate(v1, v2);  // the quad holds 1 -> 2
    CPolygonGate3d triangleGate(v2, v1);
    EXPECT_EQ(v1->GetUseCount(), 2);
    EXPECT_EQ(quadGate.GetPolygon(), mesh->GetPolygon(0));
    EXPECT_EQ(quadGate.GetQuadNextVertex(), mesh->GetVertex(3));
    EXPECT_EQ(quadGate.GetQuadLastVertex(), mesh->GetVertex(0));
    EXPECT_EQ(triangleGate.GetPolygon(), mesh->GetPolygon(1));
    EXPECT_EQ(triangleGate.GetThirdVertex(), mesh->GetVertex(4));
    CPolygonGate3d outside(mesh->GetVertex(0), mesh->GetVertex(3));
    EXPECT_EQ(outside.GetPolygon(), nullptr);
    EXPECT_EQ(outside.GetThirdVertex(), nullptr);
  }
  EXPECT_EQ(v1->GetUseCount(), 0);
  EXPECT_EQ(v2->GetUseCount(), 0);
  EXPECT_EQ(mesh->GetVertex(0)->GetUseCount(), 0);
}

//********************************************
// Triangulations
//********************************************

TEST(PolygonMeshTriangulation, StarFansEveryPolygonAroundItsCentroid)
{
  for (int n = 3; n <= 9; n++) {
    auto mesh = RegularPolygon(n);
    auto triangles = mesh->ToTriangleMeshStar();
    const int centres = n > 3 ? 1 : 0;
    EXPECT_EQ(triangles->NbVertex(), n + centres) << n;
    EXPECT_EQ(triangles->NbFace(), n > 3 ? n : 1) << n;
    ExpectSamePositions(*mesh, *triangles);
    if (n > 3) {
      EXPECT_NEAR(triangles->GetVertex(n)->x(), 0.0, 1e-6);
      EXPECT_EQ(triangles->GetVertex(n)->GetMark(), 1);
      EXPECT_EQ(triangles->GetVertex(0)->GetMark(), 0);
    }
    triangles->Rebuild();
    EXPECT_EQ(fixtures::EulerCharacteristic(*triangles), 1) << n;
    for (int i = 0; i < triangles->NbFace(); i++)
      EXPECT_GT(triangles->GetFace(i)->GetNormal()->z(), 0.99f);
  }
}

TEST(PolygonMeshTriangulation, StarKeepsTheCubeClosed)
{
  auto mesh = Cube();
  auto triangles = mesh->ToTriangleMeshStar();
  EXPECT_EQ(triangles->NbVertex(), 14);
  EXPECT_EQ(triangles->NbFace(), 24);
  triangles->Rebuild();
  EXPECT_TRUE(fixtures::IsClosed(*triangles));
  EXPECT_EQ(fixtures::EulerCharacteristic(*triangles), 2);
}

TEST(PolygonMeshTriangulation, MaxRegularityGivesNMinusTwoTrianglesPerPolygon)
{
  for (int n = 3; n <= 12; n++) {
    auto mesh = RegularPolygon(n);
    auto triangles = mesh->ToTriangleMeshMaxRegularity();
    EXPECT_EQ(triangles->NbVertex(), n);
    EXPECT_EQ(triangles->NbFace(), n - 2) << n;
    ExpectSamePositions(*mesh, *triangles);
    triangles->Rebuild();
    EXPECT_EQ(fixtures::EulerCharacteristic(*triangles), 1) << n;
    // Orientation is kept: every triangle faces +z as the polygon does.
    for (int i = 0; i < triangles->NbFace(); i++)
      EXPECT_GT(triangles->GetFace(i)->GetNormal()->z(), 0.99f) << n;
  }
}

TEST(PolygonMeshTriangulation, MaxRegularityCutsTowardsValenceSix)
{
  // A lone quad: every corner has valence 2, so the first diagonal (0, 2) wins.
  auto quad = RegularPolygon(4);
  auto triangles = quad->ToTriangleMeshMaxRegularity();
  ASSERT_EQ(triangles->NbFace(), 2);
  const CArray3d<CVertex3d>& v = *triangles->GetArrayVertex();
  EXPECT_TRUE(triangles->GetFace(0)->v(0) == v[0] && triangles->GetFace(0)->v(1) == v[1] &&
              triangles->GetFace(0)->v(2) == v[2]);
  EXPECT_TRUE(triangles->GetFace(1)->v(0) == v[2] && triangles->GetFace(1)->v(1) == v[3] &&
              triangles->GetFace(1)->v(2) == v[0]);

  EXPECT_EQ(quad->GetVertex(0)->GetUseCount(), 3);
  EXPECT_EQ(quad->GetVertex(1)->GetUseCount(), 2);

  // Corners 0 and 2 at valence 9 would go further from 6 than 1 and 3 at valence 2: the cut
  // takes the diagonal (1, 3).
  for (int i = 0; i < 7; i++) {
    CPolygonVertex3d* extra = new CPolygonVertex3d(5, 5, static_cast<float>(i));
    quad->AddVertex(extra);
    quad->GetVertex(0)->AddNeighbor(extra);
    quad->GetVertex(2)->AddNeighbor(extra);
  }
  auto other = quad->ToTriangleMeshMaxRegularity();
  ASSERT_EQ(other->NbFace(), 2);
  EXPECT_EQ(other->GetFace(0)->v(0), other->GetVertex(1));
  EXPECT_EQ(other->GetFace(0)->v(2), other->GetVertex(3));
  EXPECT_EQ(other->GetFace(1)->v(0), other->GetVertex(3));
  EXPECT_EQ(other->GetFace(1)->v(2), other->GetVertex(1));
  EXPECT_EQ(quad->GetVertex(1)->GetUseCount(), 3);
  EXPECT_EQ(quad->GetVertex(0)->GetUseCount(), 9);
}

TEST(PolygonMeshTriangulation, MaxRegularityReachesEveryComponent)
{
  auto mesh = TwoHexagonsAndAPentagon();
  auto triangles = mesh->ToTriangleMeshMaxRegularity();
  EXPECT_EQ(triangles->NbFace(), 4 + 4 + 3);
  triangles->Rebuild();
  // Two discs: a hexagon pair and a pentagon.
  EXPECT_EQ(fixtures::EulerCharacteristic(*triangles), 2);
  for (int i = 0; i < triangles->NbFace(); i++)
    EXPECT_GT(triangles->GetFace(i)->GetNormal()->z(), 0.99f);
}

TEST(PolygonMeshTriangulation, MaxRegularityKeepsTheCubeClosed)
{
  auto mesh = Cube();
  auto triangles = mesh->ToTriangleMeshMaxRegularity();
  EXPECT_EQ(triangles->NbVertex(), 8);
  EXPECT_EQ(triangles->NbFace(), 12);
  triangles->Rebuild();
  EXPECT_TRUE(fixtures::IsClosed(*triangles));
  EXPECT_EQ(fixtures::EulerCharacteristic(*triangles), 2);
}

TEST(PolygonMeshTriangulation, DegeneratePolygonsGiveNoTriangle)
{
  auto mesh = RegularPolygon(5);
  CPolygon3d* two = new CPolygon3d;
  two->AddVertex(mesh->GetVertex(0));
  two->AddVertex(mesh->GetVertex(1));
  mesh->AddPolygon(two);
  mesh->Rebuild();
  EXPECT_EQ(mesh->ToTriangleMeshStar()->NbFace(), 5);
  EXPECT_EQ(mesh->ToTriangleMeshMaxRegularity()->NbFace(), 3);
}

//********************************************
// Splitting into quads and triangles
//********************************************

TEST(PolygonMeshSplit, HexagonGivesTwoGreyQuads)
{
  auto mesh = RegularPolygon(6);
  mesh->SetModified(0);
  mesh->SplitIntoQuadsAndTriangles(1);
  EXPECT_EQ(CornerIndices(*mesh), (Polygons{{0, 1, 2, 3}, {3, 4, 5, 0}}));
  for (int i = 0; i < mesh->NbPolygon(); i++)
    EXPECT_EQ(*mesh->GetPolygon(i)->GetColor(), CColor(150, 150, 150));
  EXPECT_EQ(mesh->GetModified(), 1);
}

TEST(PolygonMeshSplit, PentagonGivesAQuadAndATriangle)
{
  auto mesh = RegularPolygon(5);
  mesh->SplitIntoQuadsAndTriangles(0);
  EXPECT_EQ(CornerIndices(*mesh), (Polygons{{0, 1, 2, 3}, {3, 4, 0}}));
  EXPECT_NE(*mesh->GetPolygon(0)->GetColor(), CColor(150, 150, 150));
}

TEST(PolygonMeshSplit, LongPolygonsBecomeAFanOfQuads)
{
  auto heptagon = RegularPolygon(7);
  heptagon->SplitIntoQuadsAndTriangles(0);
  EXPECT_EQ(CornerIndices(*heptagon), (Polygons{{0, 1, 2, 3}, {3, 4, 5, 6}, {6, 0, 3}}));
  for (int n = 5; n <= 20; n++) {
    auto mesh = RegularPolygon(n);
    mesh->SplitIntoQuadsAndTriangles(0);
    int area = 0;  // in triangles: a quad counts two
    for (int i = 0; i < mesh->NbPolygon(); i++) {
      const int degree = mesh->GetPolygon(i)->NbVertex();
      EXPECT_TRUE(degree == 3 || degree == 4);
      area += degree - 2;
    }
    EXPECT_EQ(area, n - 2) << n;
    EXPECT_EQ(mesh->NbPolygon(), (n - 1) / 2) << n;
    mesh->Rebuild();
    EXPECT_EQ(EulerCharacteristic(*mesh), 1) << n;
    ExpectNeighborsConsistent(*mesh, false);
  }
}

TEST(PolygonMeshSplit, SmallPolygonsStayInFrontAndNothingPointsAtTheCutOnes)
{
  auto mesh = TwoHexagonsAndAPentagon();
  mesh->AddPolygon(new CPolygon3d(mesh->GetVertex(3), mesh->GetVertex(2), mesh->GetVertex(9)));
  mesh->Rebuild();
  const CPolygon3d* triangle = mesh->GetPolygon(3);
  mesh->SplitIntoQuadsAndTriangles(1);
  ASSERT_EQ(mesh->NbPolygon(), 1 + 2 + 2 + 2);
  EXPECT_EQ(mesh->GetPolygon(0), triangle);
  EXPECT_NE(*triangle->GetColor(), CColor(150, 150, 150));
  // Without a rebuild, the old links are gone rather than left dangling.
  for (int k = 0; k < 3; k++)
    EXPECT_EQ(triangle->GetNeighbor(k), nullptr);
  for (int i = 0; i < mesh->NbVertex(); i++)
    for (int k = 0; k < mesh->GetVertex(i)->NbPolygon(); k++)
      EXPECT_EQ(mesh->GetVertex(i)->GetPolygon(k), triangle);
  mesh->Rebuild();
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  ExpectNeighborsConsistent(*mesh, false);
}

//********************************************
// Conversions from the other meshes
//********************************************

TEST(PolygonMeshConversion, FromQuadMeshKeepsVertexAndCornerOrder)
{
  CQuadMesh3d quads;
  quads.GenerateMushroom();
  CPolygonMesh3d mesh;
  mesh.FromQuadMesh(&quads);
  ASSERT_EQ(mesh.NbVertex(), quads.NbVertex());
  ASSERT_EQ(mesh.NbPolygon(), quads.NbQuad());
  for (int i = 0; i < mesh.NbVertex(); i++) {
    EXPECT_EQ(mesh.GetVertex(i)->x(), quads.GetVertex(i)->x());
    EXPECT_EQ(mesh.GetVertex(i)->y(), quads.GetVertex(i)->y());
    EXPECT_EQ(mesh.GetVertex(i)->z(), quads.GetVertex(i)->z());
  }
  const auto corners = CornerIndices(mesh);
  for (int i = 0; i < quads.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      EXPECT_EQ(corners[i][k], quads.GetArrayVertex()->IndexFrom(quads.GetQuad(i)->v(k)));
  ExpectNeighborsConsistent(mesh, false);
}

TEST(PolygonMeshConversion, BoxRoundTripsThroughPolygonsAndTriangles)
{
  CQuadMesh3d box;
  box.GenerateBox();
  box.SubdivisionCatmullClark();
  CPolygonMesh3d mesh;
  mesh.FromQuadMesh(&box);
  EXPECT_EQ(mesh.NbPolygon(), 24);
  EXPECT_EQ(EulerCharacteristic(mesh), 2);
  ExpectNeighborsConsistent(mesh, true);

  auto triangles = mesh.ToTriangleMeshMaxRegularity();
  EXPECT_EQ(triangles->NbFace(), 48);
  triangles->Rebuild();
  EXPECT_TRUE(fixtures::IsClosed(*triangles));

  CPolygonMesh3d back;
  back.FromTriangleMesh(triangles.get());
  EXPECT_EQ(back.NbVertex(), 26);
  EXPECT_EQ(back.NbPolygon(), 48);
  EXPECT_EQ(EulerCharacteristic(back), 2);
  ExpectNeighborsConsistent(back, true);
}

TEST(PolygonMeshConversion, FromTriangleMeshKeepsPositionsAndFaces)
{
  auto sphere = fixtures::Icosphere(1);
  CPolygonMesh3d mesh;
  mesh.AddVertex(new CPolygonVertex3d(9, 9, 9));  // replaced by the conversion
  mesh.FromTriangleMesh(sphere.get());
  ASSERT_EQ(mesh.NbVertex(), sphere->NbVertex());
  ASSERT_EQ(mesh.NbPolygon(), sphere->NbFace());
  for (int i = 0; i < mesh.NbVertex(); i++)
    EXPECT_EQ(mesh.GetVertex(i)->z(), sphere->GetVertex(i)->z());
  const auto corners = CornerIndices(mesh);
  for (int i = 0; i < sphere->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(corners[i][k], sphere->IndexFrom(sphere->GetFace(i)->v(k)));
  EXPECT_EQ(EulerCharacteristic(mesh), 2);
  ExpectNeighborsConsistent(mesh, true);
  // The polygon normals agree with the triangle normals.
  for (int i = 0; i < mesh.NbPolygon(); i++)
    EXPECT_NEAR(mesh.GetPolygon(i)->GetNormal()->x(), sphere->GetFace(i)->GetNormal()->x(), 1e-5);
}

//********************************************
// Weld and isolated vertices
//********************************************

TEST(PolygonMeshWeld, TwoTrianglesWithSeparateCornersBecomeNeighbors)
{
  auto mesh = BuildPolygons({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                            {{0, 1, 2}, {3, 4, 5}});
  EXPECT_EQ(mesh->GetPolygon(0)->GetNeighbor(1), nullptr);
  mesh->Weld();
  EXPECT_EQ(mesh->NbVertex(), 4);
  EXPECT_EQ(mesh->GetPolygon(0)->GetNeighbor(1), mesh->GetPolygon(1));
  EXPECT_EQ(mesh->GetPolygon(1)->GetNeighbor(2), mesh->GetPolygon(0));
  // Each corner goes to the last vertex of its position.
  EXPECT_EQ(CornerIndices(*mesh), (Polygons{{0, 1, 3}, {1, 2, 3}}));
  EXPECT_EQ(mesh->NbEdge(), 5);
}

TEST(PolygonMeshWeld, CubeOfSeparateQuadsClosesUp)
{
  auto cube = Cube();
  fixtures::Points points;
  Polygons polygons;
  for (int i = 0; i < cube->NbPolygon(); i++) {
    std::vector<int> corners;
    for (int k = 0; k < 4; k++) {
      const CPolygonVertex3d* v = cube->GetPolygon(i)->GetVertex(k);
      corners.push_back(static_cast<int>(points.size()));
      points.push_back({v->x(), v->y(), v->z()});
    }
    polygons.push_back(corners);
  }
  points.push_back({5, 5, 5});  // isolated
  auto mesh = BuildPolygons(points, polygons);
  EXPECT_EQ(mesh->NbVertex(), 25);
  mesh->Weld();
  EXPECT_EQ(mesh->NbVertex(), 8);
  EXPECT_EQ(mesh->NbEdge(), 12);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  ExpectNeighborsConsistent(*mesh, true);
  EXPECT_TRUE(mesh->IsValid());
}

TEST(PolygonMeshWeld, SignedZerosAreTheSamePosition)
{
  auto mesh = BuildPolygons({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-0.0f, 1, 0}, {1, 0, 0}, {1, 1, 0}},
                            {{0, 1, 2}, {4, 5, 3}});
  mesh->Weld();
  EXPECT_EQ(mesh->NbVertex(), 4);
}

TEST(PolygonMeshWeld, RemoveIsolatedVerticesKeepsTheOrderOfTheOthers)
{
  auto mesh = BuildPolygons({{0, 0, 0}, {9, 9, 9}, {1, 0, 0}, {8, 8, 8}, {0, 1, 0}, {7, 7, 7}},
                            {{0, 2, 4}});
  const CPolygonVertex3d* kept[3] = {mesh->GetVertex(0), mesh->GetVertex(2), mesh->GetVertex(4)};
  EXPECT_EQ(mesh->RemoveIsolatedVertices(), 3);
  ASSERT_EQ(mesh->NbVertex(), 3);
  for (int i = 0; i < 3; i++)
    EXPECT_EQ(mesh->GetVertex(i), kept[i]);
  EXPECT_EQ(mesh->RemoveIsolatedVertices(), 0);
}
