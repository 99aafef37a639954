#include "app/objects/VertexSet3d.h"
#include "compression/NearestPointGrid.h"
#include "compression/VertexTree.h"
#include "mesh/GeometryUtil.h"
#include "tests/mesh/MeshFixtures.h"
#include "tests/processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
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

// The kept vertex each vertex goes into, by a scan of every kept one: vertex 0 first, a later
// one only when strictly nearer.
std::vector<int> ScanMergeTargets(const CMesh3d& mesh, int frequency)
{
  std::vector<int> target;
  for (int j = 0; j < mesh.NbVertex(); j++) {
    target.push_back(j % frequency == 0 ? j : 0);
    if (j % frequency == 0)
      continue;
    double best = SquareDistance(mesh.GetVertex(j), mesh.GetVertex(0));
    for (int k = frequency; k < mesh.NbVertex(); k += frequency) {
      const double d = SquareDistance(mesh.GetVertex(j), mesh.GetVertex(k));
      if (d < best) {
        best = d;
        target.back() = k;
      }
    }
  }
  return target;
}

// Every vertex a corner of three faces; after packing each corner must be on the kept vertex
// the scan names.
void ExpectPackingMatchesScan(const fixtures::Points& points, const std::vector<int>& frequencies)
{
  const int n = static_cast<int>(points.size());
  fixtures::Triangles triangles;
  for (int i = 0; i < n; i++)
    triangles.push_back({i, (i + 1) % n, (i + 2) % n});
  for (const int frequency : frequencies) {
    auto mesh = fixtures::Build(points, triangles, false);
    const std::vector<int> target = ScanMergeTargets(*mesh, frequency);
    std::vector<CVertex3d*> before;
    for (int i = 0; i < n; i++)
      before.push_back(mesh->GetVertex(i));
    ASSERT_EQ(mesh->PackVertices(frequency), 1);
    ASSERT_EQ(mesh->NbVertex(), (n + frequency - 1) / frequency);
    ASSERT_EQ(mesh->NbFace(), n);
    for (int f = 0; f < n; f++)
      for (int c = 0; c < 3; c++) {
        const auto corner = static_cast<size_t>(triangles[static_cast<size_t>(f)][c]);
        ASSERT_EQ(mesh->GetFace(f)->v(c), before[static_cast<size_t>(target[corner])])
            << "frequency " << frequency << ", vertex " << corner;
      }
  }
}

// Integer coordinates below `side`, so that many distances tie and many points coincide.
fixtures::Points LatticeCloud(int count, int side, float scale, std::uint32_t seed)
{
  fixtures::Points points;
  const auto next = [&seed, side] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>((seed >> 8) % static_cast<std::uint32_t>(side));
  };
  for (int i = 0; i < count; i++) {
    const float x = next();
    const float y = next();
    points.push_back({x * scale, y * scale, next() * scale});
  }
  return points;
}

TEST(MeshOrdering, PackingMatchesTheScanOnCloudsWithTies)
{
  const std::vector<int> frequencies{1, 2, 3, 7, 1000};
  for (const int side : {2, 4, 9, 60})
    ExpectPackingMatchesScan(LatticeCloud(600, side, 1.0f, 7u + static_cast<std::uint32_t>(side)),
                             frequencies);
  // Rounded spacings, exact copies of earlier points, and removed vertices far off the kept
  // ones' box (the even indices stay near the origin).
  auto cloud = LatticeCloud(400, 12, 0.1f, 99u);
  for (size_t i = 0; i < 100; i++)
    cloud.push_back(cloud[i * 3]);
  for (size_t i = 1; i < cloud.size(); i += 2)
    if (i % 5 == 0)
      cloud[i] = {cloud[i][0] + 500.0f, cloud[i][1] - 40.0f, cloud[i][2]};
  ExpectPackingMatchesScan(cloud, {2, 3, 7});
}

TEST(MeshOrdering, PackingMatchesTheScanOnFlatAndDegenerateBoxes)
{
  auto flat = LatticeCloud(500, 15, 0.25f, 3u);
  for (auto& p : flat)
    p[2] = 2.5f;
  auto line = LatticeCloud(300, 40, 1.0f, 5u);
  for (auto& p : line)
    p[1] = p[2] = -1.0f;
  fixtures::Points same(50, {0.5f, 0.5f, 0.5f});
  // A thin slab: its thickness far below the spacing of the points across it.
  auto slab = LatticeCloud(400, 20, 1.0f, 11u);
  for (auto& p : slab)
    p[2] *= 1e-6f;
  for (const auto* points : {&flat, &line, &same, &slab})
    ExpectPackingMatchesScan(*points, {2, 3, 7, 1000});
}

TEST(MeshOrdering, PackingMatchesTheScanWithInfiniteAndNaNCoordinates)
{
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const auto base = LatticeCloud(120, 5, 1.0f, 21u);
  // Vertex 0 finite (once with overflowing float differences), infinite, NaN; elsewhere kept
  // and removed vertices of every kind.
  for (const std::array<float, 3>& first : {std::array<float, 3>{1, 1, 1}, {3e38f, 0, 0},
                                           {inf, 0, 0}, {0, -inf, 0}, {0, 0, nan}, {nan, inf, 0}}) {
    auto points = base;
    points[0] = first;
    points[6] = {inf, 2, 2};
    points[7] = {2, nan, 2};
    points[12] = {-inf, inf, 2};
    points[13] = {inf, 2, 2};
    points[18] = {3e38f, 0, 0};
    points[19] = {-3e38f, 0, 0};
    points[30] = {2, 2, nan};
    points[31] = {-inf, 1, 1};
    ExpectPackingMatchesScan(points, {2, 3, 7});
  }
}

TEST(NearestPointGrid, LowersToTheNearestPointThenTheSmallerIndex)
{
  const float inf = std::numeric_limits<float>::infinity();
  CVertex3d origin(0, 0, 0), right(1, 0, 0), rightAgain(1, 0, 0), left(-1, 0, 0);
  CVertex3d farOff(inf, 0, 0), unknown(0, std::numeric_limits<float>::quiet_NaN(), 0);
  const CNearestPointGrid grid({{&origin, 10}, {&right, 7}, {&rightAgain, 3}, {&left, 5},
                                {&farOff, 0}, {&unknown, 1}});
  const CVertex3d q(0.75f, 0, 0);
  const double toRight = SquareDistance(&q, &right);
  struct SCase
  {
    double Distance;
    int Index;
    double ExpectedDistance;
    int ExpectedIndex;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const SCase& c : {SCase{100.0, 50, toRight, 3}, SCase{toRight, 4, toRight, 3},
                         SCase{toRight, 2, toRight, 2}, SCase{0.01, 50, 0.01, 50},
                         SCase{std::numeric_limits<double>::infinity(), 50, toRight, 3}}) {
    double d = c.Distance;
    int index = c.Index;
    grid.Lower(&q, &d, &index);
    EXPECT_EQ(d, c.ExpectedDistance);
    EXPECT_EQ(index, c.ExpectedIndex);
  }
  double d = nan;
  int index = 50;
  grid.Lower(&q, &d, &index);
  EXPECT_EQ(index, 50);
  d = 100.0;
  grid.Lower(&farOff, &d, &index);
  EXPECT_EQ(index, 50);
  grid.Lower(&origin, &d, &index);
  EXPECT_EQ(d, 0.0);
  EXPECT_EQ(index, 10);
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
