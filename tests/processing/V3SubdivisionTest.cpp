#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

namespace {

// Undoes until no face holds a record; then drops the faces emptied by undone creations and
// the vertices they made, which the records leave at the ends of the arrays.
void UndoAll(CMesh3d& mesh, int nbVertex, int nbFace)
{
  for (int guard = 0; guard < 100 && mesh.Undo() > 0; guard++) {
  }
  for (int i = nbFace; i < mesh.NbFace(); i++)
    EXPECT_TRUE(mesh.GetFace(i)->HasNullVertex());
  while (mesh.NbFace() > nbFace)
    mesh.DeleteFace(mesh.GetFace(mesh.NbFace() - 1));
  while (mesh.NbVertex() > nbVertex)
    mesh.DeleteVertex(mesh.GetVertex(mesh.NbVertex() - 1));
}

void RunV3(CMesh3d& mesh, int flip, int filter)
{
  mesh.SubdivisionV3(flip, filter, 0, nullptr, 0, 0.0f);
}

TEST(V3Subdivision, InsertionAloneTriplesFacesAndKeepsOldVertices)
{
  auto mesh = fixtures::Icosphere(1);
  const int nbFace = mesh->NbFace();
  const auto before = fixtures::Positions(*mesh);
  RunV3(*mesh, 0, 0);
  EXPECT_EQ(mesh->NbFace(), 3 * nbFace);
  EXPECT_EQ(mesh->NbVertex(), static_cast<int>(before.size()) + nbFace);
  for (size_t i = 0; i < before.size(); i++)
    EXPECT_EQ(fixtures::PositionOf(mesh->GetVertex(static_cast<int>(i))), before[i]);
  EXPECT_TRUE(fixtures::IsClosedAndOriented(*mesh));
  EXPECT_TRUE(fixtures::IsClosed(*mesh));
}

TEST(V3Subdivision, FlipsGiveValenceSixCentresAndKeepTheAdjacencyUpToDate)
{
  auto mesh = fixtures::Icosphere(1);
  const int nbVertex = mesh->NbVertex();
  const int nbFace = mesh->NbFace();
  const int euler = fixtures::EulerCharacteristic(*mesh);
  RunV3(*mesh, 1, 1);
  EXPECT_EQ(mesh->NbFace(), 3 * nbFace);
  EXPECT_EQ(mesh->NbVertex(), nbVertex + nbFace);
  EXPECT_EQ(fixtures::EulerCharacteristic(*mesh), euler);
  EXPECT_TRUE(fixtures::IsClosedAndOriented(*mesh));
  // The lists kept on the way match a full rebuild.
  std::vector<int> valences;
  std::vector<std::vector<const CFace3d*>> neighbours;
  for (int i = 0; i < mesh->NbVertex(); i++)
    valences.push_back(mesh->GetVertex(i)->NbVertexNeighbor());
  for (int i = 0; i < mesh->NbFace(); i++)
    neighbours.push_back({mesh->GetFace(i)->f(0), mesh->GetFace(i)->f(1), mesh->GetFace(i)->f(2)});
  for (int i = nbVertex; i < mesh->NbVertex(); i++)
    EXPECT_EQ(valences[static_cast<size_t>(i)], 6);
  mesh->BuildAdjacency();
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(mesh->GetVertex(i)->NbVertexNeighbor(), valences[static_cast<size_t>(i)]);
  for (int i = 0; i < mesh->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(mesh->GetFace(i)->f(k), neighbours[static_cast<size_t>(i)][static_cast<size_t>(k)]);
  // Old vertices keep their valence; the old edges all went.
  for (int i = 0; i < nbVertex; i++)
    for (int j = 0; j < mesh->GetVertex(i)->NbVertexNeighbor(); j++)
      EXPECT_GE(mesh->IndexFrom(mesh->GetVertex(i)->GetVertexNeighbor(j)), nbVertex);
}

TEST(V3Subdivision, TwoRunsTrisectEachInteriorEdge)
{
  auto mesh = fixtures::FlatGrid(5, 5);
  const auto p = fixtures::Positions(*mesh);
  std::vector<std::pair<int, int>> interior;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    for (int k = 0; k < 3; k++)
      if (f->f(k) && mesh->IndexFrom(f->v(k)) < mesh->IndexFrom(f->v((k + 1) % 3)))
        interior.emplace_back(mesh->IndexFrom(f->v(k)), mesh->IndexFrom(f->v((k + 1) % 3)));
  }
  ASSERT_EQ(interior.size(), 40u);
  RunV3(*mesh, 1, 0);
  RunV3(*mesh, 1, 0);
  for (const auto& [a, b] : interior) {
    fixtures::Position third{};
    fixtures::Position twoThirds{};
    for (int axis = 0; axis < 3; axis++) {
      third[axis] = (2 * p[a][axis] + p[b][axis]) / 3;
      twoThirds[axis] = (p[a][axis] + 2 * p[b][axis]) / 3;
    }
    const CVertex3d* u = fixtures::VertexAt(*mesh, third);
    const CVertex3d* w = fixtures::VertexAt(*mesh, twoThirds);
    ASSERT_NE(u, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(u->IsNeighbor(mesh->GetVertex(a)));
    EXPECT_TRUE(u->IsNeighbor(w));
    EXPECT_TRUE(w->IsNeighbor(mesh->GetVertex(b)));
  }
}

// The filtered position of vertex 0 with the weight alpha for its valence.
void ExpectFilteredWith(std::unique_ptr<CMesh3d> mesh, float alpha)
{
  fixtures::Perturb(*mesh, 0.05f);
  const CVertex3d* v = mesh->GetVertex(0);
  const int n = v->NbVertexNeighbor();
  fixtures::Position expected{};
  for (int axis = 0; axis < 3; axis++) {
    float sum = 0;
    for (int j = 0; j < n; j++)
      sum += v->GetVertexNeighbor(j)->Get(axis);
    expected[axis] = alpha / (n + alpha) * v->Get(axis) + sum / (n + alpha);
  }
  RunV3(*mesh, 0, 1);
  EXPECT_LT(fixtures::Distance(fixtures::PositionOf(v), expected), 1e-6f);
}

TEST(V3Subdivision, FilterWeightsByValence)
{
  ExpectFilteredWith(fixtures::Octahedron(), 5.0f);   // valence 4
  ExpectFilteredWith(fixtures::Tetrahedron(), 1.5f);  // valence 3: centre weight 1/3
  ExpectFilteredWith(fixtures::Torus(5), 12.0f);      // valence 6
}

TEST(V3Subdivision, FixedWeightReplacesTheTable)
{
  auto mesh = fixtures::Torus(5);
  const CVertex3d* v = mesh->GetVertex(0);
  const float w = 0.33333334f;
  fixtures::Position expected{};
  for (int axis = 0; axis < 3; axis++) {
    float sum = 0;
    for (int j = 0; j < 6; j++)
      sum += v->GetVertexNeighbor(j)->Get(axis);
    expected[axis] = w / (6 + w) * v->Get(axis) + sum / (6 + w);
  }
  mesh->SubdivisionV3(1, 1, 0, nullptr, 1, w);
  EXPECT_LT(fixtures::Distance(fixtures::PositionOf(v), expected), 1e-6f);
}

TEST(V3Subdivision, UnusualValencesAreNotFiltered)
{
  // The apex of a fan of 11 triangles has valence 12 and no boundary rule.
  auto mesh = fixtures::Fan(11);
  const fixtures::Position apex = fixtures::PositionOf(mesh->GetVertex(0));
  RunV3(*mesh, 0, 1);
  EXPECT_EQ(fixtures::PositionOf(mesh->GetVertex(0)), apex);
}

TEST(V3Subdivision, UndoBringsTheMeshBackExactlyAfterTwoRuns)
{
  auto mesh = fixtures::Icosphere(1);
  fixtures::Perturb(*mesh, 0.03f);
  const auto positions = fixtures::Positions(*mesh);
  const auto corners = fixtures::Corners(*mesh);
  const int nbVertex = mesh->NbVertex();
  const int nbFace = mesh->NbFace();
  RunV3(*mesh, 1, 1);
  RunV3(*mesh, 1, 1);
  UndoAll(*mesh, nbVertex, nbFace);
  EXPECT_EQ(fixtures::Positions(*mesh), positions);
  EXPECT_EQ(fixtures::Corners(*mesh), corners);
}

TEST(V3Subdivision, SelectedOnlySplitsFlaggedFacesAndIgnoresStaleMarks)
{
  auto mesh = fixtures::Icosphere(1);
  const int nbFace = mesh->NbFace();
  const int nbVertex = mesh->NbVertex();
  mesh->SetFacesFlag(0);
  mesh->GetFace(0)->SetFlag(1);
  mesh->GetFace(10)->SetFlag(1);
  // Marks of an earlier run on faces that are not selected now.
  mesh->GetFace(30)->SetFlag(2);
  mesh->GetFace(31)->SetFlag(3);
  mesh->SubdivisionV3(1, 1, 1, nullptr, 0, 0.0f);
  EXPECT_EQ(mesh->NbFace(), nbFace + 4);
  EXPECT_EQ(mesh->NbVertex(), nbVertex + 2);
  EXPECT_TRUE(fixtures::IsClosedAndOriented(*mesh));
  // Faces away from the two selected ones keep their corners: the stale marks neither flip
  // nor block a flip.
  auto original = fixtures::Icosphere(1);
  const auto before = fixtures::Corners(*original);
  const auto after = fixtures::Corners(*mesh);
  int changed = 0;
  for (int i = 0; i < nbFace; i++)
    changed += after[static_cast<size_t>(i)] != before[static_cast<size_t>(i)];
  EXPECT_LE(changed, 2 + 6);
  EXPECT_EQ(after[30], before[30]);
  EXPECT_EQ(after[31], before[31]);
  EXPECT_EQ(mesh->GetFace(30)->GetFlag(), 0);
  EXPECT_EQ(mesh->GetFace(31)->GetFlag(), 0);
}

TEST(V3Subdivision, UndoneFacesAreNeverSplitAgain)
{
  auto mesh = fixtures::Octahedron();
  RunV3(*mesh, 0, 0);
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->PopHistory();
  ASSERT_EQ(fixtures::CountFacesWithEmptyCorner(*mesh), 16);
  mesh->BuildAdjacency();
  RunV3(*mesh, 0, 0);
  EXPECT_EQ(mesh->NbFace(), 24 + 16);
  EXPECT_EQ(fixtures::CountFacesWithEmptyCorner(*mesh), 16);
}

// A box: twelve triangles, right angles along its twelve sharp edges.
std::unique_ptr<CMesh3d> Box()
{
  auto mesh = std::make_unique<CMesh3d>();
  mesh->GenerateBox(2, 2, 2);
  mesh->Rebuild();
  return mesh;
}

TEST(V3Piecewise, SharpEdgesStayAndCanBeSplit)
{
  auto kept = Box();
  kept->SubdivisionV3Piecewise(50.0, 0.0, nullptr, 0);
  EXPECT_EQ(kept->NbFace(), 36);
  EXPECT_TRUE(fixtures::IsClosedAndOriented(*kept));
  // The corners of the box stay (not smooth), and each sharp edge still joins two of them.
  for (int i = 0; i < 8; i++)
    EXPECT_FLOAT_EQ(std::fabs(kept->GetVertex(i)->x()), 1.0f);
  int sharpKept = 0;
  for (int i = 0; i < 8; i++)
    for (int j = 0; j < kept->GetVertex(i)->NbVertexNeighbor(); j++)
      sharpKept += kept->IndexFrom(kept->GetVertex(i)->GetVertexNeighbor(j)) < 8;
  EXPECT_EQ(sharpKept, 2 * 12);

  auto split = Box();
  split->SubdivisionV3Piecewise(50.0, 0.0, nullptr, 1);
  EXPECT_EQ(split->NbVertex(), 8 + 12 + 12);
  EXPECT_EQ(split->NbFace(), 36 + 2 * 12);
  EXPECT_TRUE(fixtures::IsClosedAndOriented(*split));
  EXPECT_EQ(fixtures::EulerCharacteristic(*split), 2);
}

TEST(V3Piecewise, FlatFacesAreNotSelectedAndUndoRestores)
{
  auto mesh = fixtures::FlatGrid(4, 4);
  mesh->SubdivisionV3Piecewise(50.0, 0.0, nullptr, 1);
  EXPECT_EQ(mesh->NbFace(), 18);

  auto box = Box();
  const auto positions = fixtures::Positions(*box);
  const auto corners = fixtures::Corners(*box);
  box->SubdivisionV3Piecewise(50.0, 0.0, nullptr, 1);
  UndoAll(*box, 8, 12);
  EXPECT_EQ(fixtures::Positions(*box), positions);
  EXPECT_EQ(fixtures::Corners(*box), corners);
}

// A 3 by 3 grid folded by 55 degrees along its middle row, whose middle vertex sits on the
// crease between (0, 0, 1) and (2.5, 0, 1).
std::unique_ptr<CMesh3d> FoldedGrid()
{
  const float angle = 55.0f * 3.14159265f / 180.0f;
  const float xs[3] = {0.0f, 1.0f, 2.5f};
  fixtures::Points points;
  for (int j = 0; j < 3; j++)
    for (const float x : xs) {
      if (j == 0)
        points.push_back({x, -std::sin(angle), 1.0f - std::cos(angle)});
      else
        points.push_back({x, 0.0f, static_cast<float>(j)});
    }
  return fixtures::Build(points, {{0, 4, 1}, {0, 3, 4}, {1, 5, 2}, {1, 4, 5},
                                  {3, 7, 4}, {3, 6, 7}, {4, 8, 5}, {4, 7, 8}});
}

// The sharpness threshold (50 degrees) meets the face-pair sines as their own measure: the
// 55-degree crease counts, and the vertex on it follows the crease rule (6p + a + b) / 8.
TEST(V3Piecewise, SharpnessComparesAnglesWithAngles)
{
  auto mesh = FoldedGrid();
  mesh->SubdivisionV3Piecewise(50.0, 0.0, nullptr, 0);
  const CVertex3d* v = mesh->GetVertex(4);
  EXPECT_EQ(fixtures::PositionOf(v), (fixtures::Position{8.5f / 8.0f, 0.0f, 1.0f}));
}

} // namespace
