#include "MeshFixtures.h"
#include "mesh/HistoryAction.h"
#include "platform/core/Redraw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using fixtures::EulerCharacteristic;
using fixtures::ExpectAdjacencyMatchesRebuild;
using fixtures::IsClosed;
using fixtures::IsOriented;

namespace {
using Corners = std::vector<std::array<const CVertex3d*, 3>>;

Corners CornersOf(const CMesh3d& mesh)
{
  Corners corners;
  for (int i = 0; i < mesh.NbFace(); i++)
    corners.push_back({mesh.GetFace(i)->v(0), mesh.GetFace(i)->v(1), mesh.GetFace(i)->v(2)});
  return corners;
}

std::vector<std::array<float, 3>> PositionsOf(const CMesh3d& mesh)
{
  std::vector<std::array<float, 3>> positions;
  for (int i = 0; i < mesh.NbVertex(); i++)
    positions.push_back({mesh.GetVertex(i)->x(), mesh.GetVertex(i)->y(), mesh.GetVertex(i)->z()});
  return positions;
}

// A flat n x n grid of unit squares, each cut along the same diagonal: every interior vertex is
// the mean of its six neighbours.
std::unique_ptr<CMesh3d> Grid(int n)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++)
      points.push_back({static_cast<float>(i), static_cast<float>(j), 0});
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const int a = j * (n + 1) + i;
      triangles.push_back({a, a + 1, a + n + 2});
      triangles.push_back({a, a + n + 2, a + n + 1});
    }
  return fixtures::Build(points, triangles);
}

// Redraws that the springs ask for, through the platform hook.
struct SRedrawCount
{
  SRedrawCount()
  {
    previous = platform::SetRedrawHook([this](CRenderView*) { count++; });
  }
  ~SRedrawCount() { platform::SetRedrawHook(previous); }
  int count = 0;
  platform::RedrawHook previous;
};

double MeanCompacity(const CMesh3d& mesh)
{
  double sum = 0.0;
  for (int i = 0; i < mesh.NbFace(); i++)
    sum += mesh.GetFace(i)->Compacity();
  return sum / mesh.NbFace();
}
} // namespace

// --- undo ------------------------------------------------------------------------------------

TEST(Mesh3dUndo, RestoresPositionsAndCornersExactly)
{
  auto mesh = fixtures::Strip(2);
  const Corners corners = CornersOf(*mesh);
  const auto positions = PositionsOf(*mesh);
  const int nbFace = mesh->NbFace();

  // An edit as subdivision records it: a move, a corner change and a new face.
  CVertex3d* moved = mesh->GetVertex(1);
  moved->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, moved->x(),
                                        moved->y(), moved->z()));
  moved->Set(0.1f, 1.7f, -0.3f);
  CFace3d* changed = mesh->GetFace(0);
  changed->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_SLOT, 1, changed->v(1)));
  changed->SetVertex(1, mesh->GetVertex(5));
  auto* created = new CFace3d(mesh->GetVertex(0), mesh->GetVertex(3), mesh->GetVertex(4));
  created->PushHistory(new CHistoryAction(CHistoryAction::TYPE_FACE_CREATED));
  mesh->AddFace(created);
  mesh->SetModified(0);

  EXPECT_EQ(mesh->Undo(), 2);
  EXPECT_EQ(mesh->GetModified(), 1);
  EXPECT_TRUE(created->HasNullVertex());
  EXPECT_EQ(mesh->DeleteFacesWithNullVertex(), 1);
  ASSERT_EQ(mesh->NbFace(), nbFace);
  EXPECT_EQ(CornersOf(*mesh), corners);
  EXPECT_EQ(PositionsOf(*mesh), positions);
  EXPECT_EQ(mesh->Undo(), 0);
}

TEST(Mesh3dUndo, StepsBackOneRecordAtATime)
{
  auto mesh = fixtures::Tetrahedron();
  CVertex3d* v = mesh->GetVertex(3);
  v->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 0.0f, 0.0f, 1.0f));
  v->Set(0.0f, 0.0f, 2.0f);
  v->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 0.0f, 0.0f, 2.0f));
  v->Set(0.0f, 0.0f, 3.0f);
  CFace3d* f = mesh->GetFace(0);
  CVertex3d* first = f->v(0);
  f->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_SLOT, 0, first));
  f->SetVertex(0, v);

  // Vertex records are undone without being counted.
  EXPECT_EQ(mesh->Undo(), 1);
  EXPECT_EQ(f->v(0), first);
  EXPECT_EQ(v->z(), 2.0f);
  EXPECT_EQ(mesh->Undo(), 0);
  EXPECT_EQ(v->z(), 1.0f);
  EXPECT_EQ(v->NbHistory(), 0);
}

// --- springs ---------------------------------------------------------------------------------

TEST(Mesh3dSprings, FlaggedVertexReturnsToTheMeanOfItsNeighbours)
{
  auto mesh = Grid(4);
  CVertex3d* v = mesh->GetVertex(12);  // (2, 2), valence 6
  ASSERT_EQ(v->NbVertexNeighbor(), 6);
  v->Set(2.3f, 1.8f, 0.4f);
  mesh->SetVerticesFlag(0);
  v->SetFlag(1);
  const auto others = PositionsOf(*mesh);

  mesh->MoveFlaggedVerticesFromSpring(1, 0, 0, 40, nullptr);
  EXPECT_NEAR(v->x(), 2.0f, 1e-5);
  EXPECT_NEAR(v->y(), 2.0f, 1e-5);
  EXPECT_NEAR(v->z(), 0.0f, 1e-5);
  const auto after = PositionsOf(*mesh);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    if (i != 12) {
      EXPECT_EQ(after[i], others[i]) << "vertex " << i;
    }
  }
}

TEST(Mesh3dSprings, InteriorOfAFlatGridRelaxesToTheRegularGrid)
{
  auto mesh = Grid(4);
  const auto regular = PositionsOf(*mesh);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    if (!v->IsOnBoundary())
      v->Move(0.2f * ((i * 7) % 5 - 2) / 2.0f, 0.15f * ((i * 3) % 4 - 1.5f), 0.0f);
  }
  SRedrawCount redraws;
  auto* view = reinterpret_cast<CRenderView*>(&redraws);
  mesh->MoveVerticesFromSpring(20.0, 200, view);

  EXPECT_EQ(redraws.count, 200);
  const auto after = PositionsOf(*mesh);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    const CVertex3d* v = mesh->GetVertex(i);
    EXPECT_EQ(v->GetFlag(), v->IsOnBoundary() ? 0 : 1) << "vertex " << i;
    // The energy is summed in float, which stops the descent near 1e-4 of the rest.
    for (int axis = 0; axis < 3; axis++)
      EXPECT_NEAR(after[i][axis], regular[i][axis], 2e-3) << "vertex " << i;
  }
}

TEST(Mesh3dSprings, BoundaryFlaggedFirstStaysAndSharpVerticesAreLeft)
{
  auto mesh = Grid(2);
  mesh->SetVerticesFlag(1);
  const auto before = PositionsOf(*mesh);
  mesh->GetVertex(4)->Move(0.3f, 0.0f, 0.0f);
  mesh->MoveFlaggedVerticesFromSpring(1, 1, 7, 30, nullptr);
  const auto after = PositionsOf(*mesh);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    EXPECT_EQ(mesh->GetVertex(i)->GetFlag(), i == 4 ? 1 : 7) << "vertex " << i;
    if (i != 4) {
      EXPECT_EQ(after[i], before[i]) << "vertex " << i;
    }
  }
  EXPECT_NEAR(after[4][0], 1.0f, 1e-5);

  // A ridge through the centre: the angle there is above the threshold, so nothing moves.
  mesh->GetVertex(4)->Set(1.0f, 1.0f, 0.8f);
  const auto ridge = PositionsOf(*mesh);
  mesh->MoveVerticesFromSpring(20.0, 10, nullptr);
  EXPECT_EQ(mesh->GetVertex(4)->GetFlag(), 0);
  EXPECT_EQ(PositionsOf(*mesh), ridge);
}

// --- edge swaps ------------------------------------------------------------------------------

TEST(Mesh3dSwapEdges, StretchedSphereStaysClosedAndOriented)
{
  auto mesh = fixtures::Icosphere(2);
  mesh->ScaleCoord(0, 4.0f);
  mesh->ComputeFaceNormals();
  const double before = MeanCompacity(*mesh);
  const int nbFace = mesh->NbFace();
  mesh->SetModified(0);

  const int swapped = mesh->SwapEdges();
  EXPECT_GT(swapped, 0);
  EXPECT_EQ(mesh->GetModified(), 1);
  EXPECT_EQ(mesh->NbFace(), nbFace);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  EXPECT_TRUE(IsClosed(*mesh));
  EXPECT_TRUE(IsOriented(*mesh));
  EXPECT_EQ(fixtures::NbEdge(*mesh) * 2, 3 * mesh->NbFace()) << "two faces per edge";
  EXPECT_GT(MeanCompacity(*mesh), before);
  ExpectAdjacencyMatchesRebuild(mesh.get());
}

TEST(Mesh3dSwapEdges, RefusesFlipsThatGainNothingOrFold)
{
  // A square cut along a diagonal: the other diagonal is no better.
  auto square =
    fixtures::Build({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  EXPECT_EQ(square->SwapEdges(), 0);

  // A dart: the thin triangle would gain from the flip, but the new diagonal passes outside.
  auto dart =
    fixtures::Build({{0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {3, -0.05f, 0}}, {{0, 1, 2}, {1, 0, 3}});
  CFace3d* f = dart->GetFace(0);
  CFace3d* g = dart->GetFace(1);
  ASSERT_GT(f->CompacityAfterSwap(g), f->MeanCompacity(g));
  ASSERT_EQ(f->IsSwapFolding(g), 1);
  const Corners corners = CornersOf(*dart);
  EXPECT_EQ(dart->SwapEdges(), 0);
  EXPECT_EQ(CornersOf(*dart), corners);
}

// --- test mesh -------------------------------------------------------------------------------

TEST(Mesh3dGeneratePathologic, TwoLevelsGiveTheFanAndTwoBaseFaces)
{
  CMesh3d mesh;
  ASSERT_EQ(mesh.GeneratePathologic(2), 1);
  ASSERT_EQ(mesh.NbVertex(), 5);
  ASSERT_EQ(mesh.NbFace(), 6);
  EXPECT_EQ(mesh.GetVertex(0)->z(), 1.0f);
  EXPECT_FLOAT_EQ(mesh.GetVertex(2)->y(), 1.0f);
  const Corners expected{{mesh.GetVertex(0), mesh.GetVertex(1), mesh.GetVertex(2)},
                         {mesh.GetVertex(0), mesh.GetVertex(2), mesh.GetVertex(3)},
                         {mesh.GetVertex(0), mesh.GetVertex(3), mesh.GetVertex(4)},
                         {mesh.GetVertex(0), mesh.GetVertex(4), mesh.GetVertex(1)},
                         {mesh.GetVertex(1), mesh.GetVertex(3), mesh.GetVertex(2)},
                         {mesh.GetVertex(3), mesh.GetVertex(1), mesh.GetVertex(4)}};
  EXPECT_EQ(CornersOf(mesh), expected);
}

TEST(Mesh3dGeneratePathologic, EveryLevelCountIsAClosedOrientedSphere)
{
  for (int n = 2; n <= 7; n++) {
    CMesh3d mesh;
    ASSERT_EQ(mesh.GeneratePathologic(n), 1);
    mesh.Rebuild();
    EXPECT_EQ(mesh.NbVertex(), (1 << n) + 1) << n;
    EXPECT_EQ(mesh.NbFace(), (1 << (n + 1)) - 2) << n;
    EXPECT_EQ(EulerCharacteristic(mesh), 2) << n;
    EXPECT_TRUE(IsClosed(mesh)) << n;
    EXPECT_TRUE(IsOriented(mesh)) << n;
  }
}

TEST(Mesh3dGeneratePathologic, RefusesBadLevelsAndAFilledMesh)
{
  CMesh3d mesh;
  EXPECT_EQ(mesh.GeneratePathologic(0), 0);
  EXPECT_EQ(mesh.GeneratePathologic(-3), 0);
  EXPECT_EQ(mesh.GeneratePathologic(31), 0);
  EXPECT_EQ(mesh.NbVertex(), 0);
  auto tetrahedron = fixtures::Tetrahedron();
  EXPECT_EQ(tetrahedron->GeneratePathologic(2), 0);
  EXPECT_EQ(tetrahedron->NbVertex(), 4);
  EXPECT_EQ(tetrahedron->NbFace(), 4);
}

// --- weld ------------------------------------------------------------------------------------

TEST(Mesh3dWeld, TwoTrianglesWithCopiedCornersShareThem)
{
  // Two triangles of a square, each with its own copies of the diagonal's ends.
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                              {{0, 1, 2}, {3, 4, 5}});
  EXPECT_EQ(mesh->GetFace(0)->f(2), nullptr);
  EXPECT_EQ(mesh->Weld(), 2);
  ASSERT_EQ(mesh->NbVertex(), 4);
  ASSERT_EQ(mesh->NbFace(), 2);
  const CFace3d* second = mesh->GetFace(1);
  EXPECT_EQ(second->v(0), mesh->GetVertex(0));
  EXPECT_EQ(second->v(1), mesh->GetVertex(2));
  EXPECT_EQ(second->v(2), mesh->GetVertex(3));
  EXPECT_EQ(mesh->GetFace(0)->f(2), second) << "the adjacency sees the shared edge";
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(mesh->GetVertex(i)->GetData(), nullptr);
  EXPECT_TRUE(IsOriented(*mesh));
}

TEST(Mesh3dWeld, DistinctVerticesAreLeftAlone)
{
  auto mesh = fixtures::Octahedron();
  const Corners corners = CornersOf(*mesh);
  EXPECT_EQ(mesh->Weld(), 0);
  EXPECT_EQ(mesh->NbVertex(), 6);
  EXPECT_EQ(CornersOf(*mesh), corners);
}

TEST(Mesh3dWeld, SignedZerosMeetAndNotANumberMeetsNothing)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-0.0f, 0, 0}, {0, -1, 0},
                               {nan, 0, 0}, {nan, 0, 0}},
                              {{0, 1, 2}, {3, 4, 1}, {5, 6, 1}}, false);
  EXPECT_EQ(mesh->Weld(), 1);
  EXPECT_EQ(mesh->NbVertex(), 6);
  EXPECT_EQ(mesh->GetFace(1)->v(0), mesh->GetVertex(0));
  EXPECT_NE(mesh->GetFace(2)->v(0), mesh->GetFace(2)->v(1));
}

// --- holes -----------------------------------------------------------------------------------

TEST(Mesh3dRemoveHole, DiscBecomesAClosedOrientedMesh)
{
  auto mesh = fixtures::Fan(5);
  const int nbVertex = mesh->NbVertex();
  float sum[3] = {0, 0, 0};
  for (int i = 0; i < nbVertex; i++)
    for (int axis = 0; axis < 3; axis++)
      sum[axis] += mesh->GetVertex(i)->Get(axis);

  mesh->RemoveHole();
  ASSERT_EQ(mesh->NbVertex(), nbVertex + 1);
  // Every vertex of the half disc lies on its border: the centre is the mean of them all.
  const CVertex3d* centre = mesh->GetVertex(nbVertex);
  EXPECT_FLOAT_EQ(centre->x(), sum[0] / nbVertex);
  EXPECT_FLOAT_EQ(centre->y(), sum[1] / nbVertex);
  EXPECT_EQ(mesh->NbFace(), 5 + 7);
  EXPECT_TRUE(IsClosed(*mesh));
  EXPECT_TRUE(IsOriented(*mesh));
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  EXPECT_FALSE(mesh->HasBoundary());
}

TEST(Mesh3dRemoveHole, ClosedMeshIsLeftAsItIs)
{
  auto mesh = fixtures::Icosphere(1);
  const Corners corners = CornersOf(*mesh);
  const int nbVertex = mesh->NbVertex();
  mesh->SetModified(0);
  mesh->RemoveHole();
  EXPECT_EQ(mesh->NbVertex(), nbVertex);
  EXPECT_EQ(CornersOf(*mesh), corners);
  EXPECT_EQ(mesh->GetModified(), 0);
}
