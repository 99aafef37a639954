#include "processing/FaceCollapse.h"

#include "SimplificationFixtures.h"
#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"
#include "support/MessageCapture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace fixtures;

namespace {

// The area change of merging the corners of f into corner i, from positions: all faces around
// the corners before; after, those that are neither f nor its neighbours, with the other two
// corners put on corner i.
double ExpectedCornerCost(const CFace3d* f, int i)
{
  std::set<const CFace3d*> around;
  for (int c = 0; c < 3; c++)
    for (int k = 0; k < f->v(c)->NbFaceNeighbor(); k++)
      around.insert(f->v(c)->GetFaceNeighbor(k));
  const std::set<const CFace3d*> removed{f, f->f(0), f->f(1), f->f(2)};
  double before = 0.0;
  double after = 0.0;
  for (const CFace3d* g : around) {
    Position p[3];
    for (int c = 0; c < 3; c++)
      p[c] = PositionOf(g->v(c));
    before += TriangleAreaOf(p[0], p[1], p[2]);
    if (removed.count(g))
      continue;
    for (int c = 0; c < 3; c++)
      if (g->v(c) == f->v((i + 1) % 3) || g->v(c) == f->v((i + 2) % 3))
        p[c] = PositionOf(f->v(i));
    after += TriangleAreaOf(p[0], p[1], p[2]);
  }
  return std::fabs(after - before);
}

void ExpectRecordMatches(const CFace3d* f)
{
  const CFaceCollapseRecord* pRecord = CFaceCollapse::GetRecord(f);
  ASSERT_NE(nullptr, pRecord);
  double costs[3];
  for (int i = 0; i < 3; i++)
    costs[i] = ExpectedCornerCost(f, i);
  EXPECT_NEAR(costs[pRecord->GetCorner()], pRecord->GetCost(), 1e-6);
  // No corner is cheaper, and no lower corner is as cheap (beyond rounding).
  for (int i = 0; i < 3; i++) {
    EXPECT_GE(costs[i], pRecord->GetCost() - 1e-6);
    if (i < pRecord->GetCorner()) {
      EXPECT_GT(costs[i], pRecord->GetCost() - 1e-9);
    }
  }
}

std::unique_ptr<CMesh3d> CopyOf(const CMesh3d& mesh)
{
  auto copy = std::make_unique<CMesh3d>();
  copy->Copy(&mesh);
  copy->Rebuild();
  return copy;
}

} // namespace

TEST(FaceCollapse, RefusesAWantedCountNotBelowTheFaceCount)
{
  CMessageCapture messages;
  auto mesh = Icosphere(1);
  const auto corners = Corners(*mesh);
  CFaceCollapse collapse;
  EXPECT_EQ(0, collapse.Simplify(mesh.get(), mesh->NbFace(), 0, 1, nullptr));
  EXPECT_EQ("Invalid geometric complexity wanted", messages.Last());
  EXPECT_EQ(corners, Corners(*mesh));
  CMesh3d empty;
  EXPECT_EQ(0, collapse.Simplify(&empty, 0, 0, 1, nullptr));
  EXPECT_EQ(2u, messages.Texts().size());
}

TEST(FaceCollapse, RecordsKeepTheCheapestCornerLowestFirst)
{
  // Perturbed sphere: distinct costs. Integer grid: exact areas, so flat collapses tie at 0
  // and corner 0 must win.
  auto sphere = Icosphere(2);
  Perturb(*sphere, 0.03f);
  auto grid = FlatGrid(6, 6);
  for (CMesh3d* mesh : {sphere.get(), grid.get()}) {
    CFaceCollapse collapse;
    collapse.SetMesh(mesh);
    for (int i = 0; i < mesh->NbFace(); i++)
      collapse.ComputeCost(mesh->GetFace(i), i);
    for (int i = 0; i < mesh->NbFace(); i++)
      ExpectRecordMatches(mesh->GetFace(i));
    collapse.FreeRecords();
    EXPECT_TRUE(AllDataSlotsEmpty(*mesh));
  }
  CFaceCollapse collapse;
  collapse.SetMesh(grid.get());
  CFace3d* inner = grid->GetFace(2 * (2 * 5 + 2));
  collapse.ComputeCost(inner, 0);
  EXPECT_EQ(0.0f, CFaceCollapse::GetRecord(inner)->GetCost());
  EXPECT_EQ(0, CFaceCollapse::GetRecord(inner)->GetCorner());
  collapse.FreeRecords();
}

TEST(FaceCollapse, FaceNearAVertexOfValenceThreeIsNeverChosen)
{
  auto mesh = OctahedronWithCentre();
  CVertex3d* centre = mesh->GetVertex(6);
  int near = 0;
  for (int i = 0; i < mesh->NbFace(); i++)
    if (!mesh->GetFace(i)->HasNoValence3Near()) {
      near++;
      EXPECT_EQ(0, CFaceCollapse::CanCollapse(mesh->GetFace(i)));
    }
  // Only the face opposite the centre, (3, 1, 5), is far enough to go.
  EXPECT_EQ(mesh->NbFace() - 1, near);
  const CFace3d* far = mesh->GetFace(8);
  EXPECT_EQ(1, CFaceCollapse::CanCollapse(far));
  CFaceCollapse collapse;
  ASSERT_EQ(1, collapse.Simplify(mesh.get(), 9, 0, 1, nullptr));
  EXPECT_GE(mesh->IndexFrom(centre), 0);
  EXPECT_EQ(4, mesh->NbFace());
  EXPECT_TRUE(IsClosedAndOriented(*mesh));
  EXPECT_EQ(2, EulerCharacteristic(*mesh));
}

TEST(FaceCollapse, StepsKeepAdjacencyAndRecostTheirRing)
{
  auto mesh = Icosphere(2);
  Perturb(*mesh, 0.02f);
  CFaceCollapse collapse;
  collapse.SetMesh(mesh.get());
  for (int i = 0; i < mesh->NbFace(); i++)
    collapse.ComputeCost(mesh->GetFace(i), i);
  int steps = 0;
  while (mesh->NbFace() > 120 && !HasFailure()) {
    CFace3d* chosen = nullptr;
    for (int i = 0; i < mesh->NbFace() && !chosen; i++)
      if (CFaceCollapse::CanCollapse(mesh->GetFace(i)))
        chosen = mesh->GetFace(i);
    ASSERT_NE(nullptr, chosen);
    CVertex3d* survivor = chosen->v(CFaceCollapse::GetRecord(chosen)->GetCorner());
    const int nbFace = mesh->NbFace();
    ASSERT_EQ(1, collapse.Collapse(chosen));
    EXPECT_EQ(nbFace - 4, mesh->NbFace());
    for (int i = 0; i < survivor->NbFaceNeighbor(); i++)
      ExpectRecordMatches(survivor->GetFaceNeighbor(i));
    mesh->RemoveValence3VerticesKeepingManifold();
    EXPECT_TRUE(IsOrientedManifold(*mesh));
    ExpectVertexNeighborsMatchFaces(*mesh);
    ExpectAdjacencyMatchesRebuild(mesh.get());
    steps++;
  }
  EXPECT_GT(steps, 20);
  collapse.FreeRecords();
  EXPECT_TRUE(AllDataSlotsEmpty(*mesh));
  EXPECT_TRUE(IsClosedAndOriented(*mesh));
  EXPECT_EQ(2, EulerCharacteristic(*mesh));
}

TEST(FaceCollapse, SimplifyReachesTheCountAndKeepsTheTopology)
{
  struct Case
  {
    std::unique_ptr<CMesh3d> mesh;
    int wanted;
  };
  Case cases[] = {{Icosphere(2), 100}, {Torus(14), 150}, {Octahedron(), 4}};
  for (auto& c : cases) {
    Perturb(*c.mesh, 0.01f);
    const int euler = EulerCharacteristic(*c.mesh);
    CFaceCollapse collapse;
    ASSERT_EQ(1, collapse.Simplify(c.mesh.get(), c.wanted, 0, 1, nullptr));
    // A collapse takes four faces, and the clean-up after it two per vertex of valence 3.
    EXPECT_LE(c.mesh->NbFace(), c.wanted);
    EXPECT_GT(c.mesh->NbFace(), c.wanted - 12);
    EXPECT_EQ(euler, EulerCharacteristic(*c.mesh));
    EXPECT_TRUE(IsClosedAndOriented(*c.mesh));
    EXPECT_TRUE(AllDataSlotsEmpty(*c.mesh));
  }
}

TEST(FaceCollapse, SimplifyOpenMeshKeepsItsBoundary)
{
  auto mesh = FlatGrid(9, 9);
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->Move(0.0f, 0.05f * std::sin(1.7f * i), 0.0f);
  mesh->Rebuild();
  CFaceCollapse collapse;
  ASSERT_EQ(1, collapse.Simplify(mesh.get(), 40, 0, 1, nullptr));
  EXPECT_LE(mesh->NbFace(), 60);
  EXPECT_EQ(1, EulerCharacteristic(*mesh));
  EXPECT_TRUE(IsOrientedManifold(*mesh));
  EXPECT_EQ(mesh->NbVertex(), CountUsedVertices(*mesh));
}

TEST(FaceCollapseMultiple, CoarseStepKeepsTheTopology)
{
  std::unique_ptr<CMesh3d> meshes[] = {Icosphere(3), Torus(20)};
  for (auto& mesh : meshes) {
    Perturb(*mesh, 0.01f);
    const int nbFace = mesh->NbFace();
    const int euler = EulerCharacteristic(*mesh);
    CFaceCollapse collapse;
    ASSERT_EQ(1, collapse.FlagFacesForMultipleCollapse(mesh.get(), 0, 0, nullptr, 0, nullptr, -1));
    const int removed = nbFace - mesh->NbFace();
    EXPECT_GT(removed, nbFace / 10);
    EXPECT_EQ(0, removed % 4);
    // The merged vertices stay, unused: vertex i is still vertex i.
    EXPECT_EQ(mesh->NbVertex() - removed / 2, CountUsedVertices(*mesh));
    EXPECT_EQ(euler, CountUsedVertices(*mesh) - NbEdge(*mesh) + mesh->NbFace());
    EXPECT_TRUE(IsClosedAndOriented(*mesh));
    EXPECT_EQ(0, mesh->GetMaxFaceFlag());
    EXPECT_TRUE(AllDataSlotsEmpty(*mesh));
  }
  CMesh3d empty;
  CFaceCollapse collapse;
  EXPECT_EQ(1, collapse.FlagFacesForMultipleCollapse(&empty, 0, 0, nullptr, 0, nullptr, -1));
}

TEST(FaceCollapseMultiple, GeomorphRunsFromTheFineToTheCoarseMesh)
{
  auto fine = Icosphere(2);
  Perturb(*fine, 0.02f);
  const auto finePositions = Positions(*fine);
  const auto fineCorners = Corners(*fine);
  auto coarse = CopyOf(*fine);
  CFaceCollapse plain;
  ASSERT_EQ(1, plain.FlagFacesForMultipleCollapse(coarse.get(), 0, 0, nullptr, 0, nullptr, -1));

  CSceneGraph3d scene;
  fine->GetTransform()->SetScale(CVector3d(2, 2, 2));
  CFaceCollapse collapse;
  ASSERT_EQ(1, collapse.FlagFacesForMultipleCollapse(fine.get(), 1, 1, nullptr, 1, &scene, 5));
  ASSERT_EQ(4, scene.NbObject());
  // The fine mesh is untouched.
  EXPECT_EQ(finePositions, Positions(*fine));
  EXPECT_EQ(fineCorners, Corners(*fine));
  // The last frame is the coarse mesh, vertex for vertex.
  const auto* last = static_cast<const CMesh3d*>(scene.GetAt(3));
  EXPECT_EQ(Corners(*coarse), Corners(*last));
  EXPECT_TRUE(IsClosedAndOriented(*last));
  EXPECT_EQ(fine->GetTransform()->GetScale()->x(), last->GetTransform()->GetScale()->x());
  std::set<int> used;
  for (const auto& corner : Corners(*last))
    used.insert(corner.begin(), corner.end());
  for (int i : used)
    EXPECT_EQ(finePositions[i], PositionOf(last->GetVertex(i)));
  // Each vertex moves in a straight line at even steps: frame k stands at k/4 of the way to
  // where it ends in the last frame.
  int moving = 0;
  for (int i = 0; i < fine->NbVertex(); i++) {
    const Position end = PositionOf(last->GetVertex(i));
    moving += end != finePositions[i] ? 1 : 0;
    for (int k = 1; k <= 3; k++) {
      const Position p = PositionOf(static_cast<const CMesh3d*>(scene.GetAt(k - 1))->GetVertex(i));
      for (int axis = 0; axis < 3; axis++)
        EXPECT_NEAR(finePositions[i][axis] + (end[axis] - finePositions[i][axis]) * k / 4.0f,
                    p[axis], 1e-6f);
    }
  }
  EXPECT_EQ(fine->NbVertex() - CountUsedVertices(*last), moving);
  // The earlier frames keep the flags: no face around a face to collapse is one too.
  const auto* first = static_cast<const CMesh3d*>(scene.GetAt(0));
  EXPECT_GT(first->CountFacesWithFlag(1), 0);
  for (int i = 0; i < first->NbFace(); i++) {
    CFace3d* f = first->GetFace(i);
    if (f->GetFlag() != 1)
      continue;
    CArray3d<CFace3d> around;
    f->GetFacesAroundCorners(&around);
    for (int k = 1; k < around.GetSize(); k++)
      EXPECT_NE(1, around[k]->GetFlag());
  }
}

TEST(FaceCollapseMultiple, TwoFramesMakeOneAndFewerMakeNone)
{
  auto mesh = Icosphere(1);
  CSceneGraph3d scene;
  CFaceCollapse collapse;
  ASSERT_EQ(1, collapse.FlagFacesForMultipleCollapse(mesh.get(), 0, 0, nullptr, 1, &scene, 2));
  EXPECT_EQ(1, scene.NbObject());
  EXPECT_EQ(80, mesh->NbFace());
  EXPECT_LT(static_cast<const CMesh3d*>(scene.GetAt(0))->NbFace(), 80);
  // Fewer than two frames: the mesh itself takes the coarse step.
  ASSERT_EQ(1, collapse.FlagFacesForMultipleCollapse(mesh.get(), 0, 0, nullptr, 1, &scene, 1));
  EXPECT_EQ(1, scene.NbObject());
  EXPECT_LT(mesh->NbFace(), 80);
  EXPECT_TRUE(IsClosedAndOriented(*mesh));
}

TEST(FaceCollapseMultiple, FloodStartsPastAFaceThatCannotGo)
{
  // Face 0 touches the centre of valence 3 and cannot go; the other half of the mesh, a
  // sphere joined by nothing, still takes its coarse step.
  auto mesh = OctahedronWithCentre();
  auto sphere = Icosphere(2);
  const int offset = mesh->NbVertex();
  for (int i = 0; i < sphere->NbVertex(); i++)
    mesh->AddVertex(new CVertex3d(sphere->GetVertex(i)->x() + 5.0f, sphere->GetVertex(i)->y(),
                                  sphere->GetVertex(i)->z()));
  for (const auto& c : Corners(*sphere))
    mesh->AddFace(new CFace3d(mesh->GetVertex(c[0] + offset), mesh->GetVertex(c[1] + offset),
                              mesh->GetVertex(c[2] + offset)));
  const int nbFace = mesh->NbFace();
  CFaceCollapse collapse;
  ASSERT_EQ(1, collapse.FlagFacesForMultipleCollapse(mesh.get(), 0, 0, nullptr, 0, nullptr, -1));
  EXPECT_LT(mesh->NbFace(), nbFace - 40);
  EXPECT_EQ(CountUsedVertices(*mesh) - NbEdge(*mesh) + mesh->NbFace(), 4);
  EXPECT_TRUE(IsClosedAndOriented(*mesh));
}
