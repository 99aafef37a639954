#include "app/objects/VertexSet3d.h"
#include "compression/VertexTree.h"
#include "mesh/GeometryUtil.h"
#include "tests/mesh/MeshFixtures.h"
#include "tests/processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <queue>
#include <set>
#include <vector>

namespace {

std::vector<std::unique_ptr<CMesh3d>> SomeMeshes()
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(fixtures::Octahedron());
  meshes.push_back(fixtures::Icosphere(2));
  meshes.push_back(fixtures::Torus(9));
  meshes.push_back(fixtures::FlatGrid(7, 5));
  meshes.push_back(fixtures::Fan(6));
  return meshes;
}

TEST(MeshOrdering, PickersSkipVertexZeroAndKeepTheFirstOfEqualOnes)
{
  auto fan = fixtures::Fan(4); // hub 0; rim 1 .. 5 with 1, 2, 2, 2, 1 faces
  EXPECT_EQ(fan->GetVertexMaxFaceNeighbor(), fan->GetVertex(2));
  EXPECT_EQ(fan->GetVertexMaxValence2(), fan->GetVertex(2));
  EXPECT_EQ(fan->GetVertexMinValence(), fan->GetVertex(1));
  fan->SetVerticesFlag(0);
  fan->GetVertex(4)->SetFlag(7);
  fan->GetVertex(5)->SetFlag(7);
  EXPECT_EQ(fan->GetVertexMaxFaceNeighborWithFlag(7), fan->GetVertex(4));
  EXPECT_EQ(fan->GetVertexMinFaceCountWithFlag(7), fan->GetVertex(5));
  EXPECT_EQ(fan->GetVertexMinFaceCountWithFlag(9), nullptr);

  CMesh3d single;
  single.AddVertex(new CVertex3d(1, 2, 3));
  EXPECT_EQ(single.GetVertexMaxFaceNeighbor(), nullptr);
  EXPECT_EQ(single.GetVertexMaxFaceNeighborWithFlag(0), nullptr);
  EXPECT_EQ(single.GetVertexMaxValence2(), nullptr);
  EXPECT_EQ(single.GetVertexMinValence(), nullptr);
  EXPECT_EQ(single.GetVertexMinFaceCountWithFlag(0), nullptr);
}

TEST(MeshOrdering, RunsOfTheArrayAndPushingATreeBack)
{
  auto mesh = fixtures::Icosphere(1);
  const int n = mesh->NbVertex();
  CVertexTree tree;
  mesh->BuildVertexRun(&tree);
  ASSERT_EQ(tree.NbRun(), 1);
  for (int i = 0; i < n; i++)
    EXPECT_EQ(tree.GetRun(0)->GetVertex(i), mesh->GetVertex(i));
  CVertexRun reused;
  reused.Add(mesh->GetVertex(3));
  mesh->CopyVerticesTo(&reused);
  EXPECT_EQ(reused.NbVertex(), n);
  EXPECT_EQ(reused.GetRoot(), mesh->GetVertex(0));

  // Two runs: the odd vertices backwards, then the even ones.
  CVertexTree permuted;
  auto* odd = new CVertexRun;
  auto* even = new CVertexRun;
  for (int i = n - 1; i >= 0; i--)
    if (i % 2)
      odd->Add(mesh->GetVertex(i));
  for (int i = 0; i < n; i += 2)
    even->Add(mesh->GetVertex(i));
  permuted.AddRun(odd);
  permuted.AddRun(even);
  std::vector<CVertex3d*> expected;
  for (const CVertexRun* r : {odd, even})
    for (int j = 0; j < r->NbVertex(); j++)
      expected.push_back(r->GetVertex(j));
  ASSERT_EQ(mesh->PushVertexTree(&permuted, 1), 1);
  for (int i = 0; i < n; i++)
    EXPECT_EQ(mesh->GetVertex(i), expected[static_cast<size_t>(i)]);
  EXPECT_EQ(fixtures::EulerCharacteristic(*mesh), 2);
  fixtures::ExpectAdjacencyMatchesRebuild(mesh.get());
}

TEST(MeshOrdering, PushRefusesATreeThatIsNotAPermutation)
{
  auto mesh = fixtures::Octahedron();
  CVertex3d stranger;
  const std::vector<std::function<void(CVertexRun*)>> faults{
    [&](CVertexRun* r) { r->GetArrayVertex()->RemoveAt(2); },                 // missing
    [&](CVertexRun* r) { r->GetArrayVertex()->SetAt(2, mesh->GetVertex(1)); }, // twice
    [&](CVertexRun* r) { r->GetArrayVertex()->SetAt(2, &stranger); },          // foreign
    [&](CVertexRun* r) { r->Add(mesh->GetVertex(0)); },                        // too many
  };
  for (const auto& fault : faults) {
    CVertexTree tree;
    mesh->BuildVertexRun(&tree);
    fault(tree.GetRun(0));
    EXPECT_EQ(mesh->PushVertexTree(&tree, 0), 0);
    EXPECT_EQ(mesh->GetVertex(2)->x(), 0.0f);
    EXPECT_EQ(mesh->GetVertex(2)->y(), 1.0f);
  }
}

TEST(MeshOrdering, QuantizedCoordinatesStayWithinHalfALevel)
{
  auto mesh = fixtures::Icosphere(2);
  const auto before = fixtures::Positions(*mesh);
  ASSERT_EQ(mesh->QuantizeCoordinates(16), 1);
  for (int axis = 0; axis < 3; axis++) {
    std::set<float> levels;
    for (int i = 0; i < mesh->NbVertex(); i++) {
      const float v = mesh->GetVertex(i)->Get(axis);
      levels.insert(v);
      EXPECT_LE(std::fabs(v - before[static_cast<size_t>(i)][axis]), 2.0 / 15 / 2 + 1e-5);
    }
    EXPECT_LE(levels.size(), 16u);
  }
  auto fan = fixtures::Fan(5); // z is flat
  ASSERT_EQ(fan->QuantizeCoordinates(4), 1);
  for (int i = 0; i < fan->NbVertex(); i++)
    EXPECT_EQ(fan->GetVertex(i)->z(), 0.0f);
  EXPECT_EQ(fan->QuantizeCoordinates(1), 0);
}

TEST(MeshOrdering, RangeAndSnapSpansEveryLevelIndex)
{
  auto mesh = fixtures::Torus(12);
  const auto before = fixtures::Positions(*mesh);
  for (const int q : {1, 4, 10}) {
    ASSERT_EQ(mesh->RangeAndSnap(q), 1);
    for (int axis = 0; axis < 3; axis++) {
      float lo = 1e30f;
      float hi = -1e30f;
      for (int i = 0; i < mesh->NbVertex(); i++) {
        const float s = mesh->GetVertex(i)->Get2(axis);
        EXPECT_EQ(s, std::floor(s));
        lo = std::fmin(lo, s);
        hi = std::fmax(hi, s);
      }
      EXPECT_EQ(lo, 0.0f);
      EXPECT_EQ(hi, static_cast<float>((1 << q) - 1));
    }
  }
  EXPECT_EQ(fixtures::Positions(*mesh), before);
  auto fan = fixtures::Fan(3);
  ASSERT_EQ(fan->RangeAndSnap(8), 1);
  EXPECT_EQ(fan->GetVertex(2)->Get2(2), 0.0f);
  EXPECT_EQ(fan->RangeAndSnap(0), 0);
  EXPECT_EQ(fan->RangeAndSnap(31), 0);
}

// Levels on exact halves round down, as Round does; elsewhere to the nearest. Each snapped
// level is Round of the position scaled onto the levels, the range taken over all vertices.
TEST(MeshOrdering, RangeAndSnapRoundsAsRoundDoesOnHalvesAndAnywhere)
{
  // x spans [0, 7] with q = 3: x itself is the scaled level, halves exact.
  fixtures::Points points;
  for (int i = 0; i <= 14; i++)
    points.push_back({0.5f * static_cast<float>(i), 1.0f, -2.0f + 0.25f * static_cast<float>(i % 5)});
  auto halves = fixtures::Build(points, {}, false);
  ASSERT_EQ(halves->RangeAndSnap(3), 1);
  for (int i = 0; i <= 14; i++) {
    const CVertex3d* v = halves->GetVertex(i);
    EXPECT_EQ(v->x2(), static_cast<float>(i / 2)) << i;  // 0.5 -> 0, 1.5 -> 1, ...
    EXPECT_EQ(v->y2(), 0.0f);                             // a flat axis
    EXPECT_EQ(v->z2(), static_cast<float>(Round((i % 5) * 0.25 / 1.0 * 7)));
  }
  // Scattered positions, a negative range among them.
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / static_cast<float>(1u << 24);
  };
  points.clear();
  for (int i = 0; i < 500; i++)
    points.push_back({next() * 3 - 10, next() * 1e-3f, next() * 2e4f});
  auto scattered = fixtures::Build(points, {}, false);
  for (const int q : {1, 7, 12, 15}) {
    ASSERT_EQ(scattered->RangeAndSnap(q), 1);
    const double top = static_cast<double>((1 << q) - 1);
    for (int axis = 0; axis < 3; axis++) {
      float lo = points[0][static_cast<size_t>(axis)];
      float hi = lo;
      for (const auto& p : points) {
        lo = std::min(lo, p[static_cast<size_t>(axis)]);
        hi = std::max(hi, p[static_cast<size_t>(axis)]);
      }
      const double range = static_cast<double>(hi) - lo;
      for (int i = 0; i < scattered->NbVertex(); i++) {
        const CVertex3d* v = scattered->GetVertex(i);
        ASSERT_EQ(v->Get2(axis), static_cast<float>(Round((v->Get(axis) - lo) / range * top)))
            << q << " " << axis << " " << i;
      }
    }
  }
}

TEST(MeshOrdering, PackingKeepsEveryFthVertex)
{
  auto mesh = fixtures::FlatGrid(6, 6);
  const int n = mesh->NbVertex();
  const int faces = mesh->NbFace();
  ASSERT_EQ(mesh->PackVertices(1), 1);
  EXPECT_EQ(mesh->NbVertex(), n);

  std::vector<CVertex3d*> kept;
  for (int i = 0; i < n; i += 4)
    kept.push_back(mesh->GetVertex(i));
  ASSERT_EQ(mesh->PackVertices(4), 1);
  ASSERT_EQ(mesh->NbVertex(), static_cast<int>(kept.size()));
  for (size_t i = 0; i < kept.size(); i++)
    EXPECT_EQ(mesh->GetVertex(static_cast<int>(i)), kept[i]);
  EXPECT_EQ(mesh->NbFace(), faces);
  for (int f = 0; f < mesh->NbFace(); f++)
    for (int c = 0; c < 3; c++)
      EXPECT_GE(mesh->IndexFrom(mesh->GetFace(f)->v(c)), 0);
  // Vertex 1 (1, 0, 0) went into its nearest kept vertex, 0 at the origin.
  EXPECT_EQ(mesh->GetFace(0)->v(2), kept[0]);

  ASSERT_EQ(mesh->PackVertices(100), 1);
  EXPECT_EQ(mesh->NbVertex(), 1);
  EXPECT_EQ(mesh->GetVertex(0), kept[0]);
  EXPECT_EQ(mesh->PackVertices(0), 0);
}

// Every vertex in exactly one run, each run a path of neighbour vertices: the parent of a
// vertex is the one before it, so the links can hold no cycle.
void ExpectSpanningForest(const CMesh3d& mesh, const CVertexTree& tree)
{
  std::map<const CVertex3d*, int> seen;
  for (int r = 0; r < tree.NbRun(); r++) {
    const CVertexRun* run = tree.GetRun(r);
    ASSERT_GT(run->NbVertex(), 0);
    for (int j = 0; j < run->NbVertex(); j++) {
      seen[run->GetVertex(j)]++;
      if (j > 0) {
        EXPECT_TRUE(run->GetVertex(j)->IsNeighbor(run->GetVertex(j - 1)));
      }
    }
  }
  ASSERT_EQ(static_cast<int>(seen.size()), mesh.NbVertex());
  for (const auto& [v, count] : seen) {
    EXPECT_EQ(count, 1);
    EXPECT_GE(mesh.IndexFrom(v), 0);
  }
}

TEST(MeshOrdering, SpanningTreesCoverEveryVertexOnce)
{
  for (auto& mesh : SomeMeshes()) {
    for (const int mode : {0, 1}) {
      CVertexTree tree;
      std::unique_ptr<CVertexSet3d> set(mesh->BuildSpanningTree(&tree, mode, 1, 1));
      ExpectSpanningForest(*mesh, tree);
      EXPECT_TRUE(tree.GetRun(0)->GetArrayVertex()->Contains(mesh->GetVertex(1)));
      ASSERT_NE(set, nullptr);
      EXPECT_EQ(set->NbVertex(), mesh->NbVertex());
      EXPECT_EQ(mesh->CountVerticesWithFlag(0), mesh->NbVertex());

      CVertexTree again;
      EXPECT_EQ(mesh->BuildSpanningTree(&again, mode, 1, 0), nullptr);
      ASSERT_EQ(again.NbRun(), tree.NbRun());
      for (int r = 0; r < tree.NbRun(); r++)
        for (int j = 0; j < tree.GetRun(r)->NbVertex(); j++)
          EXPECT_EQ(again.GetRun(r)->GetVertex(j), tree.GetRun(r)->GetVertex(j));
    }
  }
}

TEST(MeshOrdering, SpanningTreeWalksToTheNearestNeighbour)
{
  // Two triangles that meet at vertex 1 only.
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {2.5f, 0, 0}, {0.5f, 3, 0}, {2, 3, 0}},
                              {{0, 1, 3}, {1, 2, 4}});
  CVertexTree tree;
  std::unique_ptr<CVertexSet3d> set(mesh->BuildSpanningTree(&tree, 0, 1, 1));
  ASSERT_EQ(tree.NbRun(), 1);
  // From 1: 0 (the nearest), then 3; stuck there, it turns at 1: 2, then 4, in front.
  const CVertexRun* run = tree.GetRun(0);
  ASSERT_EQ(run->NbVertex(), 5);
  const std::vector<int> order{4, 2, 1, 0, 3};
  for (int j = 0; j < 5; j++)
    EXPECT_EQ(run->GetVertex(j), mesh->GetVertex(order[static_cast<size_t>(j)])) << j;
  // The start is drawn larger.
  EXPECT_FLOAT_EQ(set->GetRadius(2), 1.5f * set->GetRadius(0));
  CVertexTree none;
  EXPECT_EQ(mesh->BuildSpanningTree(&none, 0, 5, 1), nullptr);
  EXPECT_EQ(mesh->BuildSpanningTree(&none, 0, -1, 1), nullptr);
  EXPECT_EQ(none.NbRun(), 0);
}

std::vector<int> BreadthFirstDistances(const CMesh3d& mesh, int seed)
{
  std::vector<int> distance(static_cast<size_t>(mesh.NbVertex()), -1);
  std::queue<const CVertex3d*> queue;
  distance[static_cast<size_t>(seed)] = 0;
  queue.push(mesh.GetVertex(seed));
  while (!queue.empty()) {
    const CVertex3d* v = queue.front();
    queue.pop();
    for (int k = 0; k < v->NbVertexNeighbor(); k++) {
      const int w = mesh.IndexFrom(v->GetVertexNeighbor(k));
      if (distance[static_cast<size_t>(w)] < 0) {
        distance[static_cast<size_t>(w)] = distance[static_cast<size_t>(mesh.IndexFrom(v))] + 1;
        queue.push(v->GetVertexNeighbor(k));
      }
    }
  }
  return distance;
}

TEST(MeshRings, RingNumbersAreGraphDistancesFromTheSeed)
{
  for (auto& mesh : SomeMeshes()) {
    const int seed = mesh->NbVertex() / 3;
    ASSERT_EQ(mesh->ConcentricRings(seed), 1);
    const auto distance = BreadthFirstDistances(*mesh, seed);
    for (int i = 0; i < mesh->NbVertex(); i++)
      EXPECT_EQ(mesh->GetVertex(i)->GetFlag(), distance[static_cast<size_t>(i)] + 1) << i;
    for (int f = 0; f < mesh->NbFace(); f++) {
      const CFace3d* face = mesh->GetFace(f);
      int lowest = 1 << 30;
      for (int c = 0; c < 3; c++)
        lowest = std::min(lowest, face->v(c)->GetFlag());
      EXPECT_EQ(face->GetFlag(), lowest);
    }
  }
  auto mesh = fixtures::Octahedron();
  mesh->GetVertex(0)->SetFlag(5);
  mesh->GetFace(0)->SetFlag(5);
  EXPECT_EQ(mesh->ConcentricRings(mesh->NbVertex()), 0);
  EXPECT_EQ(mesh->CountVerticesWithFlag(0), mesh->NbVertex());
  EXPECT_EQ(mesh->CountFacesWithFlag(0), mesh->NbFace());
}

TEST(MeshRings, StraightWalkVisitsEveryVertex)
{
  for (auto& mesh : SomeMeshes()) {
    ASSERT_EQ(mesh->ConcentricRings(0), 1);
    std::unique_ptr<CVertexSet3d> set(mesh->GetSpanningFromConcentricRingsStraight(0, 0));
    EXPECT_EQ(mesh->CountVerticesWithFlag(-1), mesh->NbVertex());
    EXPECT_EQ(set->NbVertex(), mesh->NbVertex());
    for (int i = 0; i < set->NbVertex(); i++)
      EXPECT_GT(set->GetRadius(i), 0.0f);

    ASSERT_EQ(mesh->ConcentricRings(0), 1);
    std::unique_ptr<CVertexSet3d> dotted(mesh->GetSpanningFromConcentricRingsStraight(1, 2));
    // Two points per step, one step fewer than points per path.
    EXPECT_GT(dotted->NbVertex(), mesh->NbVertex());
    EXPECT_EQ((dotted->NbVertex() - mesh->NbVertex()) % 2, 0);
  }
}

TEST(MeshRings, PointsAlongASegmentAreEvenlySpaced)
{
  auto mesh = fixtures::Octahedron();
  CVertexSet3d set;
  CMesh3d::PointsAlongSegment(&set, mesh->GetVertex(0), mesh->GetVertex(1), 3, 0.1f);
  ASSERT_EQ(set.NbVertex(), 3);
  EXPECT_FLOAT_EQ(set.GetVertex(0)->x(), 0.5f);
  EXPECT_FLOAT_EQ(set.GetVertex(1)->x(), 0.0f);
  EXPECT_FLOAT_EQ(set.GetVertex(2)->x(), -0.5f);
  const double size = mesh->GetVertex(0)->GetMeanLengthEdgeAround() * 0.1;
  EXPECT_NEAR(set.GetRadius(0), size, 1e-6);
}

TEST(MeshRings, GapCopiesTheVerticesBetweenRings)
{
  auto mesh = fixtures::FlatGrid(6, 6);
  ASSERT_EQ(mesh->ConcentricRings(14), 1);
  int mixed = 0;
  for (int i = 0; i < mesh->NbVertex(); i++)
    mixed += mesh->GetVertex(i)->HasMixedFaceFlags();
  ASSERT_GT(mixed, 0);

  std::unique_ptr<CMesh3d> still(mesh->IntroduceGap(0.0f));
  EXPECT_EQ(still->NbFace(), mesh->NbFace());
  EXPECT_EQ(still->NbVertex(), mesh->NbVertex() + mixed);
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_TRUE(still->GetVertex(i)->IsSamePosition(mesh->GetVertex(i)));

  std::unique_ptr<CMesh3d> cut(mesh->IntroduceGap(0.2f));
  EXPECT_EQ(cut->NbFace(), mesh->NbFace());
  EXPECT_GT(fixtures::NbEdge(*cut), fixtures::NbEdge(*mesh));
  int moved = 0;
  for (int i = 0; i < mesh->NbVertex(); i++)
    moved += cut->GetVertex(i)->IsDifferentPosition(mesh->GetVertex(i));
  EXPECT_GT(moved, 0);
  EXPECT_EQ(fixtures::Positions(*mesh).size(), 36u); // the source is untouched
}

} // namespace
