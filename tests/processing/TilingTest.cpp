#include "mesh/GeometryUtil.h"
#include "processing/ProcessingFixtures.h"
#include "processing/Tile.h"
#include "processing/Tiling3d.h"
#include "processing/TilingNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <set>
#include <vector>

namespace {

// A tiling of the mesh as the build command makes it: a rebuilt copy, then Build.
std::unique_ptr<CTiling3d> Tile(CMesh3d& mesh, unsigned int seed, int split)
{
  auto tiling = std::make_unique<CTiling3d>();
  tiling->Copy(&mesh);
  tiling->Rebuild();
  tiling->Build(seed, split, &mesh);
  return tiling;
}

// Closed meshes of genus 0 and 1, some of them irregular.
std::vector<std::unique_ptr<CMesh3d>> ClosedMeshes()
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  for (int levels = 1; levels <= 4; levels++)
    meshes.push_back(fixtures::Icosphere(levels));
  meshes.push_back(fixtures::Icosphere(3));
  fixtures::Perturb(*meshes.back(), 0.05f);
  meshes.push_back(fixtures::Torus(9));
  meshes.push_back(fixtures::Torus(20));
  auto box = std::make_unique<CMesh3d>();
  box->GenerateBox(1, 2, 3);
  box->Rebuild();
  meshes.push_back(std::move(box));
  return meshes;
}

bool SamePosition(const CTilingNode* n, float x, float y, float z)
{
  return n->x() == x && n->y() == y && n->z() == z;
}

// Faces covered by each node, read back from the faces' data slots.
void ExpectEveryFaceCoveredOnce(const CTiling3d& tiling)
{
  std::set<const CFace3d*> seen;
  for (int i = 0; i < tiling.NbNode(); i++) {
    const CTilingNode* n = tiling.GetNode(i);
    std::vector<const CFace3d*> covered;
    if (n->IsFaceBased()) {
      covered.push_back(n->GetFace());
      EXPECT_EQ(n->GetVertex(), nullptr);
    } else {
      for (int k = 0; k < n->GetVertex()->NbFaceNeighbor(); k++)
        covered.push_back(n->GetVertex()->GetFaceNeighbor(k));
    }
    for (const CFace3d* f : covered) {
      EXPECT_EQ(CTiling3d::NodeOf(f), n);
      EXPECT_EQ(f->GetFlag(), 1);
      EXPECT_TRUE(seen.insert(f).second) << "face in two nodes";
    }
  }
  for (int i = 0; i < tiling.NbFace(); i++) {
    const CFace3d* f = tiling.GetFace(i);
    EXPECT_EQ(seen.count(f) == 1, CTiling3d::NodeOf(f) != nullptr);
  }
}

TEST(TilingBuild, SeedVertexIsTheFirstNodeAndFlagsTellTheRoles)
{
  auto mesh = fixtures::Icosphere(2);
  auto tiling = Tile(*mesh, 7, 0);
  ASSERT_GT(tiling->NbNode(), 1);
  EXPECT_EQ(tiling->GetNode(0)->GetVertex(), tiling->GetVertex(7));
  EXPECT_TRUE(SamePosition(tiling->GetNode(0), mesh->GetVertex(7)->x(), mesh->GetVertex(7)->y(),
                           mesh->GetVertex(7)->z()));
  int vertexNodes = 0;
  for (int i = 0; i < tiling->NbNode(); i++)
    if (!tiling->GetNode(i)->IsFaceBased()) {
      vertexNodes++;
      EXPECT_EQ(tiling->GetNode(i)->GetVertex()->GetFlag(), 1);
    }
  EXPECT_EQ(tiling->CountVerticesWithFlag(1), vertexNodes);
  for (int i = 0; i < tiling->NbVertex(); i++) {
    const CVertex3d* v = tiling->GetVertex(i);
    EXPECT_TRUE(v->GetFlag() >= 0 && v->GetFlag() <= 2);
    // A node vertex's neighbours are never node vertices: the stars do not share a face.
    if (v->GetFlag() != 1)
      continue;
    for (int k = 0; k < v->NbVertexNeighbor(); k++)
      EXPECT_EQ(v->GetVertexNeighbor(k)->GetFlag(), 2);
  }
}

TEST(TilingBuild, SeedOutsideTheMeshStartsAtVertexZero)
{
  auto mesh = fixtures::Torus(9);
  auto tiling = Tile(*mesh, 1000000u, 0);
  ASSERT_GT(tiling->NbNode(), 0);
  EXPECT_EQ(tiling->GetNode(0)->GetVertex(), tiling->GetVertex(0));
  auto same = Tile(*mesh, 0, 0);
  EXPECT_EQ(same->NbNode(), tiling->NbNode());
  EXPECT_EQ(same->NbTile(), tiling->NbTile());
}

TEST(TilingBuild, FaceNodesStartAtTheirCentroid)
{
  auto mesh = fixtures::Icosphere(3);
  fixtures::Perturb(*mesh, 0.05f);
  auto tiling = Tile(*mesh, 0, 0);
  int faceNodes = 0;
  for (int i = 0; i < tiling->NbNode(); i++) {
    const CTilingNode* n = tiling->GetNode(i);
    if (!n->IsFaceBased())
      continue;
    faceNodes++;
    const CFace3d* f = n->GetFace();
    auto mean = [f](int axis) {
      return static_cast<float>((f->v(0)->Get(axis) + f->v(1)->Get(axis) + f->v(2)->Get(axis)) / 3.0);
    };
    EXPECT_TRUE(SamePosition(n, mean(0), mean(1), mean(2)));
    EXPECT_NEAR(n->Size(), std::sqrt(f->Area()), 1e-9);
  }
  EXPECT_GT(faceNodes, 0);
}

TEST(TilingBuild, EveryFaceOfAClosedMeshLiesInExactlyOneNode)
{
  for (auto& mesh : ClosedMeshes()) {
    auto tiling = Tile(*mesh, 0, 0);
    ExpectEveryFaceCoveredOnce(*tiling);
    EXPECT_EQ(tiling->CountFacesWithFlag(1), tiling->NbFace());
  }
}

TEST(TilingBuild, LinksAreMutualUniqueAndConnectTheNodes)
{
  for (auto& mesh : ClosedMeshes()) {
    auto tiling = Tile(*mesh, 3, 0);
    std::set<const CTilingNode*> reached{tiling->GetNode(0)};
    std::vector<const CTilingNode*> queue{tiling->GetNode(0)};
    while (!queue.empty()) {
      const CTilingNode* n = queue.back();
      queue.pop_back();
      std::set<const CTilingNode*> distinct;
      for (int k = 0; k < n->NbNeighbor(); k++) {
        const CTilingNode* m = n->GetNeighbor(k);
        EXPECT_NE(m, n);
        EXPECT_TRUE(m->IsNeighbor(n));
        EXPECT_TRUE(distinct.insert(m).second) << "duplicate link";
        if (reached.insert(m).second)
          queue.push_back(m);
      }
    }
    EXPECT_EQ(static_cast<int>(reached.size()), tiling->NbNode());
  }
}

TEST(TilingTiles, TilesAreValidCyclesAndNoTwoAreEqual)
{
  for (auto& mesh : ClosedMeshes()) {
    auto tiling = Tile(*mesh, 0, 0);
    ASSERT_GT(tiling->NbTile(), 0);
    bool vertexPass = false;
    for (int i = 0; i < tiling->NbTile(); i++) {
      const CTile* t = tiling->GetTile(i);
      EXPECT_GE(t->NbNode(), 3);
      EXPECT_EQ(t->IsValid(), 1);
      // The face-node pass comes first and marks its tiles; they start at a face node.
      if (t->GetMarker() == 1) {
        EXPECT_FALSE(vertexPass);
        EXPECT_EQ(t->GetNode(0)->IsFaceBased(), 1);
      } else {
        vertexPass = true;
        EXPECT_EQ(t->GetNode(0)->IsFaceBased(), 0);
      }
      for (int j = 0; j < i; j++)
        EXPECT_EQ(t->IsEqual(tiling->GetTile(j)), 0) << "tiles " << j << " and " << i;
    }
  }
}

TEST(TilingTiles, EqualityIgnoresOrderButNotSize)
{
  auto mesh = fixtures::Icosphere(1);
  auto tiling = Tile(*mesh, 0, 0);
  ASSERT_GE(tiling->NbNode(), 4);
  CTilingNode* n[4] = {tiling->GetNode(0), tiling->GetNode(1), tiling->GetNode(2),
                       tiling->GetNode(3)};
  CTile a, b, c;
  for (int i : {0, 1, 2})
    a.AddNode(n[i]);
  for (int i : {2, 0, 1})
    b.AddNode(n[i]);
  for (int i : {2, 0, 1, 3})
    c.AddNode(n[i]);
  EXPECT_EQ(a.IsEqual(&b), 1);
  EXPECT_EQ(a.IsEqual(&c), 0);
  EXPECT_EQ(c.IsEqual(&a), 0);
  CTile two;
  two.AddNode(n[0]);
  two.AddNode(n[1]);
  EXPECT_EQ(two.Compacity(), 0.0);
}

TEST(TilingSplit, SplitTilesMakeAClosedOrientedMeshOfTheSameGenus)
{
  for (auto& mesh : ClosedMeshes()) {
    auto tiling = Tile(*mesh, 0, 1);
    for (int i = 0; i < tiling->NbTile(); i++) {
      EXPECT_EQ(tiling->GetTile(i)->NbNode(), 3);
      EXPECT_EQ(tiling->GetTile(i)->IsValid(), 1);
    }
    auto coarse = tiling->BuildMesh();
    EXPECT_EQ(coarse->NbVertex(), tiling->NbNode());
    EXPECT_EQ(coarse->NbFace(), tiling->NbTile());
    EXPECT_TRUE(fixtures::IsClosed(*coarse));
    EXPECT_TRUE(fixtures::IsOriented(*coarse));
    EXPECT_EQ(fixtures::EulerCharacteristic(*coarse), fixtures::EulerCharacteristic(*mesh));
    EXPECT_LT(coarse->NbFace(), mesh->NbFace());
  }
}

TEST(TilingSplit, EachPolygonBecomesItsFanOfTrianglesAfterTheTriangles)
{
  auto mesh = fixtures::Icosphere(3);
  auto tiling = Tile(*mesh, 0, 0);
  int expected = 0;
  int triangles = 0;
  std::vector<std::vector<CTilingNode*>> polygons;
  for (int i = 0; i < tiling->NbTile(); i++) {
    const CTile* t = tiling->GetTile(i);
    expected += t->NbNode() - 2;
    triangles += t->NbNode() == 3 ? 1 : 0;
    if (t->NbNode() != 3) {
      polygons.emplace_back();
      for (int k = 0; k < t->NbNode(); k++)
        polygons.back().push_back(t->GetNode(k));
    }
  }
  ASSERT_FALSE(polygons.empty());
  const CTile* firstTriangle = nullptr;
  for (int i = 0; i < tiling->NbTile() && !firstTriangle; i++)
    if (tiling->GetTile(i)->NbNode() == 3)
      firstTriangle = tiling->GetTile(i);
  tiling->SplitTiles();
  ASSERT_EQ(tiling->NbTile(), expected);
  if (firstTriangle) {
    EXPECT_EQ(tiling->GetTile(0), firstTriangle);
  }
  // The pieces of the first polygon follow the kept triangles, with marker 0, and the
  // diagonals of the fan are links now.
  const auto& first = polygons.front();
  for (int j = 0; j + 2 < static_cast<int>(first.size()); j++) {
    const CTile* piece = tiling->GetTile(triangles + j);
    EXPECT_EQ(piece->GetMarker(), 0);
    for (int k = 0; k < 3; k++) {
      EXPECT_NE(std::find(first.begin(), first.end(), piece->GetNode(k)), first.end());
      EXPECT_TRUE(piece->GetNode(k)->IsNeighbor(piece->GetNode((k + 1) % 3)));
    }
  }
}

TEST(TilingBoundary, WalksThatReachTheBoundaryDropTheirTiles)
{
  auto grid = fixtures::FlatGrid(10, 10);
  auto tiling = Tile(*grid, 0, 0);
  ExpectEveryFaceCoveredOnce(*tiling);
  ASSERT_GT(tiling->NbTile(), 0);
  for (int i = 0; i < tiling->NbTile(); i++)
    EXPECT_EQ(tiling->GetTile(i)->IsValid(), 1);
  // No cycle of nodes goes round a boundary vertex, so the generated mesh stays open.
  auto coarse = tiling->BuildMesh();
  EXPECT_TRUE(fixtures::IsOriented(*coarse));
  EXPECT_FALSE(fixtures::IsClosed(*coarse));
}

TEST(TilingBoundary, AFanIsOneNodeWithoutTiles)
{
  auto fan = fixtures::Fan(6);
  auto tiling = Tile(*fan, 0, 1);
  EXPECT_EQ(tiling->NbNode(), 1);
  EXPECT_EQ(tiling->NbTile(), 0);
  auto coarse = tiling->BuildMesh();
  EXPECT_EQ(coarse->NbVertex(), 1);
  EXPECT_EQ(coarse->NbFace(), 0);
}

TEST(TilingBuild, LargeMeshIsPlacedWithoutDeepRecursion)
{
  auto grid = fixtures::FlatGrid(250, 250);
  auto tiling = Tile(*grid, 0, 1);
  EXPECT_EQ(tiling->CountFacesWithFlag(1), tiling->NbFace());
  EXPECT_GT(tiling->NbTile(), 0);
}

TEST(TilingColour, StarsOfVertexNodesTakeThePaletteInTurn)
{
  auto mesh = fixtures::Icosphere(3);
  mesh->SetModified(0);
  auto tiling = Tile(*mesh, 0, 0);
  const std::uint8_t palette[9][3] = {{40, 128, 255},  {40, 128, 128},  {255, 128, 84},
                                      {128, 128, 128}, {255, 255, 128}, {128, 128, 255},
                                      {255, 128, 192}, {128, 255, 128}, {0, 128, 80}};
  int k = 0;
  for (int i = 0; i < tiling->NbVertex(); i++) {
    if (tiling->GetVertex(i)->GetFlag() != 1)
      continue;
    const CVertex3d* v = mesh->GetVertex(i);
    for (int j = 0; j < v->NbFaceNeighbor(); j++) {
      const CColor* c = v->GetFaceNeighbor(j)->GetColor();
      EXPECT_EQ(c->r(), palette[k % 9][0]);
      EXPECT_EQ(c->g(), palette[k % 9][1]);
      EXPECT_EQ(c->b(), palette[k % 9][2]);
    }
    k++;
  }
  EXPECT_GT(k, 9);
  // Faces of face nodes keep their colour.
  for (int i = 0; i < tiling->NbNode(); i++)
    if (tiling->GetNode(i)->IsFaceBased()) {
      const CColor* c = mesh->GetFace(tiling->IndexFrom(tiling->GetNode(i)->GetFace()))->GetColor();
      EXPECT_EQ(c->r(), 255);
      EXPECT_EQ(c->b(), 255);
    }
  EXPECT_EQ(mesh->GetModified(), 1);
}

TEST(TilingRefusal, EmptyOrMismatchedInputsBuildNothing)
{
  CTiling3d empty;
  EXPECT_EQ(empty.Build(0, 1, nullptr), 0);
  EXPECT_EQ(empty.NbNode(), 0);
  EXPECT_EQ(empty.BuildMesh()->NbVertex(), 0);

  auto mesh = fixtures::Icosphere(1);
  auto other = fixtures::Icosphere(2);
  CTiling3d tiling;
  tiling.Copy(mesh.get());
  tiling.Rebuild();
  EXPECT_EQ(tiling.Build(0, 0, other.get()), 0);
  EXPECT_EQ(tiling.NbNode(), 0);
  for (int i = 0; i < other->NbFace(); i++)
    EXPECT_EQ(other->GetFace(i)->GetColor()->g(), 255);
  // Without a source nothing is coloured, but the tiling is built.
  EXPECT_GT(tiling.Build(0, 0, nullptr), 0);
}

TEST(TilingRefusal, BuildingAgainStartsFromScratch)
{
  auto mesh = fixtures::Torus(20);
  CTiling3d tiling;
  tiling.Copy(mesh.get());
  tiling.Rebuild();
  const int first = tiling.Build(5, 0, mesh.get());
  const int nodes = tiling.NbNode();
  EXPECT_GT(tiling.Build(11, 1, mesh.get()), 0);
  EXPECT_EQ(tiling.Build(5, 0, mesh.get()), first);
  EXPECT_EQ(tiling.NbNode(), nodes);
  ExpectEveryFaceCoveredOnce(tiling);
}

TEST(TilingMesh, GeneratedMeshCarriesNodesTilesAndTransform)
{
  auto mesh = fixtures::Icosphere(2);
  auto tiling = Tile(*mesh, 0, 0);
  tiling->GetTransform()->SetTranslation(CVector3d(1, 2, 3));
  auto coarse = tiling->BuildMesh();
  ASSERT_EQ(coarse->NbVertex(), tiling->NbNode());
  for (int i = 0; i < coarse->NbVertex(); i++) {
    const CVertex3d* v = coarse->GetVertex(i);
    EXPECT_TRUE(SamePosition(tiling->GetNode(i), v->x(), v->y(), v->z()));
  }
  ASSERT_EQ(coarse->NbFace(), tiling->NbTile());
  const CTile* t = tiling->GetTile(0);
  for (int k = 0; k < 3; k++)
    EXPECT_TRUE(SamePosition(t->GetNode(k), coarse->GetFace(0)->v(k)->x(),
                             coarse->GetFace(0)->v(k)->y(), coarse->GetFace(0)->v(k)->z()));
  EXPECT_EQ(coarse->GetTransform()->GetTranslation()->z(), 3.0f);
  // Rebuilt: adjacency and normals are there.
  EXPECT_GT(coarse->GetVertex(0)->NbFaceNeighbor(), 0);
  EXPECT_GT(coarse->GetFace(0)->GetNormal()->GetNorm(), 0.99);
}

double DistanceToOwnFace(const CTilingNode* n)
{
  CVertex3d p(n->x(), n->y(), n->z());
  CVertex3d nearest;
  return SquareDistanceFromVertexToFace(&p, n->GetFace(), &nearest);
}

TEST(TilingOptimize, ZeroIterationsOnlyPutFaceNodesBackOnTheirFaces)
{
  auto mesh = fixtures::Icosphere(3);
  auto tiling = Tile(*mesh, 0, 1);
  std::vector<std::array<float, 3>> before;
  for (int i = 0; i < tiling->NbNode(); i++) {
    CTilingNode* n = tiling->GetNode(i);
    if (n->IsFaceBased())
      n->Move(0.2f, 0.1f, -0.1f);
    before.push_back({n->x(), n->y(), n->z()});
  }
  tiling->SetModified(0);
  tiling->OptimizeNodePositions(0, nullptr, 1);
  EXPECT_EQ(tiling->GetModified(), 1);
  for (int i = 0; i < tiling->NbNode(); i++) {
    const CTilingNode* n = tiling->GetNode(i);
    if (!n->IsFaceBased()) {
      EXPECT_TRUE(SamePosition(n, before[i][0], before[i][1], before[i][2]));
      continue;
    }
    EXPECT_LT(DistanceToOwnFace(n), 1e-10);
    EXPECT_FALSE(SamePosition(n, before[i][0], before[i][1], before[i][2]));
  }
}

TEST(TilingOptimize, FaceNodesRelaxOnTheirFacesAndVertexNodesStay)
{
  auto mesh = fixtures::Torus(20);
  fixtures::Perturb(*mesh, 0.05f);
  auto tiling = Tile(*mesh, 0, 1);
  std::vector<std::array<float, 3>> before;
  for (int i = 0; i < tiling->NbNode(); i++)
    before.push_back({tiling->GetNode(i)->x(), tiling->GetNode(i)->y(), tiling->GetNode(i)->z()});
  tiling->OptimizeNodePositions(20, nullptr, 1);
  int moved = 0;
  for (int i = 0; i < tiling->NbNode(); i++) {
    const CTilingNode* n = tiling->GetNode(i);
    const bool same = SamePosition(n, before[i][0], before[i][1], before[i][2]);
    if (!n->IsFaceBased()) {
      EXPECT_TRUE(same);
      continue;
    }
    moved += same ? 0 : 1;
    EXPECT_LT(DistanceToOwnFace(n), 1e-10);
  }
  EXPECT_GT(moved, 0);
}

TEST(TilingOptimize, NodeAmongVertexNodesMovesByTheSumOfItsLinksThenOntoItsFace)
{
  for (auto& mesh : ClosedMeshes()) {
    auto tiling = Tile(*mesh, 0, 0);
    for (int i = 0; i < tiling->NbNode(); i++) {
      const CTilingNode* n = tiling->GetNode(i);
      if (!n->IsFaceBased() || n->NbNeighbor() == 0)
        continue;
      bool amongVertexNodes = true;
      float d[3] = {0, 0, 0};
      for (int k = 0; k < n->NbNeighbor(); k++) {
        const CTilingNode* m = n->GetNeighbor(k);
        amongVertexNodes = amongVertexNodes && !m->IsFaceBased();
        d[0] += m->x() - n->x();
        d[1] += m->y() - n->y();
        d[2] += m->z() - n->z();
      }
      if (!amongVertexNodes)
        continue;
      CVertex3d moved(n->x() + 0.1f * d[0], n->y() + 0.1f * d[1], n->z() + 0.1f * d[2]);
      CVertex3d expected;
      SquareDistanceFromVertexToFace(&moved, n->GetFace(), &expected);
      tiling->OptimizeNodePositions(1, nullptr, 0);
      EXPECT_TRUE(SamePosition(n, expected.x(), expected.y(), expected.z()));
      return;
    }
  }
  FAIL() << "no face node linked to vertex nodes only";
}

} // namespace
