#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using fixtures::IsClosedAndOriented;

struct SCounts
{
  int vertices, edges, faces;
};

SCounts CountsOf(const CMesh3d& mesh)
{
  return {mesh.NbVertex(), fixtures::NbEdge(mesh), mesh.NbFace()};
}

// The invariants that one edge subdivision keeps on a closed mesh.
void ExpectRefinedClosedMesh(const CMesh3d& mesh, const SCounts& before, int extraVertices,
                             int facesPerFace)
{
  EXPECT_EQ(mesh.NbVertex(), before.vertices + before.edges + extraVertices);
  EXPECT_EQ(mesh.NbFace(), facesPerFace * before.faces);
  EXPECT_EQ(fixtures::EulerCharacteristic(mesh), before.vertices - before.edges + before.faces);
  EXPECT_TRUE(fixtures::IsClosed(mesh));
  EXPECT_TRUE(IsClosedAndOriented(mesh));
  EXPECT_EQ(fixtures::CountFilledEdgeSlots(mesh), 0);
  for (int i = 0; i < mesh.NbFace(); i++)
    EXPECT_EQ(mesh.GetFace(i)->GetFlag(), 0);
}

TEST(EdgeSubdivision, OneToFourAndLoopRefineClosedMeshes)
{
  for (auto method : {&CMesh3d::Subdivision, &CMesh3d::SubdivisionLoop}) {
    std::vector<std::unique_ptr<CMesh3d>> meshes;
    meshes.push_back(fixtures::Tetrahedron());
    meshes.push_back(fixtures::Icosphere(1));
    meshes.push_back(fixtures::Torus(5));
    for (const auto& mesh : meshes) {
      const SCounts before = CountsOf(*mesh);
      EXPECT_EQ(((*mesh).*method)(), 1);
      ExpectRefinedClosedMesh(*mesh, before, 0, 4);
    }
  }
}

TEST(EdgeSubdivision, OneToFourKeepsOldPositionsAndPutsMidpointsOnEdges)
{
  auto mesh = fixtures::Icosphere(0);
  const auto before = fixtures::Positions(*mesh);
  std::set<std::pair<int, int>> edges;
  for (const auto& c : fixtures::Corners(*mesh))
    for (int k = 0; k < 3; k++)
      edges.insert(std::minmax(c[k], c[(k + 1) % 3]));
  mesh->Subdivision();
  for (size_t i = 0; i < before.size(); i++)
    EXPECT_EQ(fixtures::PositionOf(mesh->GetVertex(static_cast<int>(i))), before[i]);
  // One new vertex per edge, at its midpoint, joined to both ends.
  for (const auto& [a, b] : edges) {
    const fixtures::Position mid = {(before[a][0] + before[b][0]) / 2,
                                    (before[a][1] + before[b][1]) / 2,
                                    (before[a][2] + before[b][2]) / 2};
    const CVertex3d* m = fixtures::VertexAt(*mesh, mid);
    ASSERT_NE(m, nullptr);
    EXPECT_GE(mesh->IndexFrom(m), static_cast<int>(before.size()));
    EXPECT_TRUE(m->IsNeighbor(mesh->GetVertex(a)));
    EXPECT_TRUE(m->IsNeighbor(mesh->GetVertex(b)));
  }
}

TEST(EdgeSubdivision, OneToFourSplitsNothingWhenEveryFaceIsAlreadyVisited)
{
  auto mesh = fixtures::Octahedron();
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetFlag(7);
  mesh->Subdivision();
  EXPECT_EQ(mesh->NbFace(), 8);
  EXPECT_EQ(mesh->NbVertex(), 6);
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), 0);
}

TEST(LoopSubdivision, EdgeAndVertexRulesOnAClosedMesh)
{
  auto mesh = fixtures::Octahedron();
  fixtures::Perturb(*mesh, 0.05f);
  const auto before = fixtures::Positions(*mesh);
  CVertex3d* v0 = mesh->GetVertex(0);
  // Face 0 = (0, 2, 4); across its edge 0-2 lies face 4 = (2, 0, 5).
  const auto& p = before;
  const fixtures::Position expectedEdge = {
    (3 * (p[0][0] + p[2][0]) + p[4][0] + p[5][0]) / 8, (3 * (p[0][1] + p[2][1]) + p[4][1] + p[5][1]) / 8,
    (3 * (p[0][2] + p[2][2]) + p[4][2] + p[5][2]) / 8};
  fixtures::Position expectedVertex{};
  const double a = 0.625 - std::pow(3 + 2 * std::cos(2 * M_PI / 4), 2) / 64;
  for (int axis = 0; axis < 3; axis++) {
    double sum = 0;
    for (int j = 0; j < v0->NbVertexNeighbor(); j++)
      sum += v0->GetVertexNeighbor(j)->Get(axis);
    expectedVertex[axis] = static_cast<float>((1 - a) * p[0][axis] + a / 4 * sum);
  }
  mesh->SubdivisionLoop();
  EXPECT_NE(fixtures::VertexAt(*mesh, expectedEdge), nullptr);
  EXPECT_LT(fixtures::Distance(fixtures::PositionOf(v0), expectedVertex), 1e-6f);
}

TEST(LoopSubdivision, AFlatGridStaysFlat)
{
  auto mesh = fixtures::FlatGrid(5, 4);
  mesh->SubdivisionLoop();
  mesh->SubdivisionLoop();
  EXPECT_EQ(mesh->NbFace(), 24 * 16);
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_FLOAT_EQ(mesh->GetVertex(i)->y(), 0.0f);
}

// In two triangles (0, 3, 1) and (0, 2, 3) every vertex lies on the boundary, and 0 and 3
// see each other across the interior diagonal: each corner keeps to its two boundary edges.
TEST(LoopSubdivision, BoundaryRuleTakesTheNeighboursAcrossBoundaryEdges)
{
  auto mesh = fixtures::FlatGrid(2, 2);
  const auto p = fixtures::Positions(*mesh);
  mesh->SubdivisionLoop();
  for (const int corner : {0, 3}) {
    const fixtures::Position expected = {(6 * p[corner][0] + p[1][0] + p[2][0]) / 8, 0.0f,
                                         (6 * p[corner][2] + p[1][2] + p[2][2]) / 8};
    EXPECT_EQ(fixtures::PositionOf(mesh->GetVertex(corner)), expected);
  }
  // Boundary edge vertices are midpoints; the diagonal takes the interior rule.
  EXPECT_NE(fixtures::VertexAt(*mesh, {0.5f, 0.0f, 0.0f}), nullptr);
  EXPECT_NE(fixtures::VertexAt(*mesh, {0.5f, 0.0f, 0.5f}), nullptr);
  EXPECT_EQ(mesh->NbFace(), 8);
  EXPECT_EQ(mesh->NbVertex(), 9);
  for (const int boundary : {0, 1, 2, 3})
    EXPECT_EQ(mesh->GetVertex(boundary)->GetFlag(), 1);
}

TEST(LoopSubdivision, AFaceFailingTheValidityTestStaysWhole)
{
  // Three faces on one edge: the first face names a neighbour that does not name it back.
  auto mesh = fixtures::NonManifoldEdge();
  std::vector<int> invalid;
  for (int i = 0; i < mesh->NbFace(); i++)
    if (!mesh->GetFace(i)->IsValid())
      invalid.push_back(i);
  ASSERT_FALSE(invalid.empty());
  std::vector<std::array<int, 3>> corners = fixtures::Corners(*mesh);
  mesh->SubdivisionLoop();
  for (const int i : invalid) {
    const CFace3d* f = mesh->GetFace(i);
    EXPECT_EQ(mesh->IndexFrom(f->v(0)), corners[i][0]);
    EXPECT_EQ(mesh->IndexFrom(f->v(1)), corners[i][1]);
    EXPECT_EQ(mesh->IndexFrom(f->v(2)), corners[i][2]);
  }
  EXPECT_EQ(fixtures::CountFacesWithEmptyCorner(*mesh), 0);
}

TEST(AdaptiveSubdivision, ASelectedFaceSplitsInFourAndItsNeighboursInTwo)
{
  auto mesh = fixtures::Octahedron();
  // Face 0's neighbours all come later in the array.
  mesh->GetFace(0)->SetFlag(1);
  const int nbFace = mesh->NbFace();
  mesh->SubdivisionAdaptive(1);
  EXPECT_EQ(mesh->NbVertex(), 6 + 3);
  EXPECT_EQ(mesh->NbFace(), nbFace + 3 + 3);
  EXPECT_TRUE(IsClosedAndOriented(*mesh));
  EXPECT_EQ(fixtures::CountFilledEdgeSlots(*mesh), 0);
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), 0);
}

TEST(AdaptiveSubdivision, NothingSelectedChangesOnlyTheFlags)
{
  auto mesh = fixtures::Icosphere(0);
  mesh->GetFace(3)->SetFlag(5);
  const auto corners = fixtures::Corners(*mesh);
  mesh->SubdivisionAdaptive(1);
  EXPECT_EQ(fixtures::Corners(*mesh), corners);
  EXPECT_EQ(mesh->NbVertex(), 12);
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), 0);
}

TEST(AdaptiveSubdivision, LeftoverEdgeSlotsOfUnsplitFacesAreCleared)
{
  auto mesh = fixtures::Icosphere(0);
  // A vertex left in a slot by an interrupted run must neither split the face nor stay.
  auto* stray = new CVertex3d(9, 9, 9);
  mesh->AddVertex(stray);
  mesh->GetFace(5)->SetVertex(4, stray);
  mesh->SubdivisionAdaptive(1);
  EXPECT_EQ(mesh->NbFace(), 20);
  EXPECT_EQ(fixtures::CountFilledEdgeSlots(*mesh), 0);
}

TEST(FractalSubdivision, SixFacesPerFaceAndARaisedCentre)
{
  auto mesh = fixtures::Icosphere(1);
  const SCounts before = CountsOf(*mesh);
  const float perimeter = static_cast<float>(mesh->GetFace(0)->Perimeter());
  const CFace3d* f0 = mesh->GetFace(0);
  fixtures::Position centre{};
  for (int axis = 0; axis < 3; axis++)
    centre[axis] = (f0->v(0)->Get(axis) + f0->v(1)->Get(axis) + f0->v(2)->Get(axis)) / 3;
  CVector3d normal = *f0->GetNormal();
  normal.Normalize();
  mesh->SubdivisionFractal();
  ExpectRefinedClosedMesh(*mesh, before, before.faces, 6);
  // The first centre comes after all edge midpoints, lifted by perimeter / 12.
  const CVertex3d* g = mesh->GetVertex(before.vertices + before.edges);
  const fixtures::Position lifted = {centre[0] + perimeter / 12 * normal.x(),
                                     centre[1] + perimeter / 12 * normal.y(),
                                     centre[2] + perimeter / 12 * normal.z()};
  EXPECT_LT(fixtures::Distance(fixtures::PositionOf(g), lifted), 1e-6f);
}

TEST(FractalSubdivision, FlagsLeftByAnEarlierCommandNeverLeaveEmptyCorners)
{
  auto mesh = fixtures::Octahedron();
  mesh->GetFace(2)->SetFlag(1);
  mesh->GetFace(6)->SetFlag(3);
  const SCounts before = CountsOf(*mesh);
  mesh->SubdivisionFractal();
  EXPECT_EQ(fixtures::CountFacesWithEmptyCorner(*mesh), 0);
  ExpectRefinedClosedMesh(*mesh, before, before.faces, 6);
}

// Places the ghost vertices of a 1-to-4 split of the edge (0, 1) of a strip by hand.
std::unique_ptr<CMesh3d> StripWithGhostVertices()
{
  auto mesh = fixtures::Strip(2);  // faces (0,2,1), (1,2,3), (2,4,3), (3,4,5)
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetColor(10 * i, 20, 30);
  // On edge 0-2 (bottom) and 2-1 (diagonal) of face 0; the diagonal one near corner 2, so that
  // the other diagonal of face 0's quadrilateral gives rounder triangles.
  auto* bottom = new CVertex3d(0.5f, 0.0f, 0.0f);
  auto* diagonal = new CVertex3d(0.9f, 0.1f, 0.0f);
  mesh->AddVertex(bottom);
  mesh->AddVertex(diagonal);
  CFace3d* f0 = mesh->GetFace(0);
  f0->SetVertex(3, bottom);    // edge 0: corners 0-2
  f0->SetVertex(4, diagonal);  // edge 1: corners 2-1
  CFace3d* f1 = mesh->GetFace(1);
  f1->SetVertex(3, diagonal);  // edge 0 of face 1: corners 1-2
  return mesh;
}

TEST(GhostSubdivision, SplitsByThePlacedVerticesAndKeepsColoursAndFlags)
{
  auto mesh = StripWithGhostVertices();
  mesh->GetFace(3)->SetFlag(42);
  mesh->SubdivisionGhostVertices(0);
  EXPECT_EQ(mesh->NbFace(), 4 + 2 + 1);
  EXPECT_EQ(mesh->NbVertex(), 8);
  EXPECT_EQ(fixtures::CountFilledEdgeSlots(*mesh), 0);
  EXPECT_EQ(mesh->GetFace(3)->GetFlag(), 42);
  // Faces appended by face 0 take its colour, those of face 1 take face 1's.
  EXPECT_EQ(mesh->GetFace(4)->GetColor()->r(), 0);
  EXPECT_EQ(mesh->GetFace(6)->GetColor()->r(), 10);
  double area = 0;
  for (int i = 0; i < mesh->NbFace(); i++)
    area += mesh->GetFace(i)->Area();
  EXPECT_NEAR(area, 2.0, 1e-6);
}

TEST(GhostSubdivision, OptimisingOnlyChangesTheDiagonalOfTwoVertexFaces)
{
  auto plain = StripWithGhostVertices();
  auto optimised = StripWithGhostVertices();
  plain->SubdivisionGhostVertices(0);
  optimised->SubdivisionGhostVertices(1);
  ASSERT_EQ(plain->NbFace(), optimised->NbFace());
  const auto a = fixtures::Corners(*plain);
  const auto b = fixtures::Corners(*optimised);
  // Face 0 (two vertices) and its last appended face take the other diagonal; every other
  // face matches.
  std::vector<size_t> differing;
  for (size_t i = 0; i < a.size(); i++)
    if (a[i] != b[i])
      differing.push_back(i);
  EXPECT_EQ(differing, (std::vector<size_t>{0, 5}));
  auto sumCompacity = [](const CMesh3d& mesh) { return mesh.MeanCompacity() * mesh.NbFace(); };
  EXPECT_GT(sumCompacity(*optimised), sumCompacity(*plain));
}

} // namespace
