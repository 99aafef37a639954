#include "processing/HalfEdgeCollapse.h"

#include "SimplificationFixtures.h"
#include "mesh/Mesh3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace fixtures;

namespace {

// The area change of merging r into a, computed from positions: the faces around r before,
// and those not on the edge with a in place of r after; doubled when two moved faces point
// more than a right angle apart.
double ExpectedCost(const CVertex3d* a, const CVertex3d* r)
{
  double before = 0.0;
  double after = 0.0;
  std::vector<std::array<double, 3>> normals;
  for (int i = 0; i < r->NbFaceNeighbor(); i++) {
    const CFace3d* f = r->GetFaceNeighbor(i);
    Position p[3];
    for (int c = 0; c < 3; c++)
      p[c] = PositionOf(f->v(c));
    before += TriangleAreaOf(p[0], p[1], p[2]);
    if (f->HasVertex(a))
      continue;
    p[f->IndexFrom(r)] = PositionOf(a);
    after += TriangleAreaOf(p[0], p[1], p[2]);
    normals.push_back(TriangleNormalOf(p[0], p[1], p[2]));
  }
  bool folds = false;
  for (size_t i = 0; i < normals.size(); i++)
    for (size_t j = i + 1; j < normals.size(); j++)
      folds |= normals[i][0] * normals[j][0] + normals[i][1] * normals[j][1] +
                 normals[i][2] * normals[j][2] < 0.0;
  return std::fabs(after - before) * (folds ? 2.0 : 1.0);
}

CHalfEdge* FindHalfEdge(const CHalfEdgeCollapse& collapse, const CVertex3d* a, const CVertex3d* r)
{
  for (int i = 0; i < collapse.NbHalfEdge(); i++) {
    CHalfEdge* h = collapse.GetHalfEdge(i);
    if (h->IsValid() && h->GetAccumulator() == a && h->GetRemoved() == r)
      return h;
  }
  return nullptr;
}

void ExpectConsistent(CMesh3d* mesh)
{
  EXPECT_TRUE(IsOrientedManifold(*mesh));
  ExpectVertexNeighborsMatchFaces(*mesh);
  ExpectAdjacencyMatchesRebuild(mesh);
}

} // namespace

TEST(HalfEdgeRecord, ReplacesTheFirstFieldThatHoldsTheElement)
{
  CVertex3d a;
  CVertex3d b;
  CVertex3d c;
  CFace3d f;
  CFace3d g;
  CFace3d h;
  CHalfEdge edge(&a, &b, &f, &g);
  EXPECT_TRUE(edge.IsValid());
  EXPECT_EQ(0.0f, edge.GetCost());
  EXPECT_EQ(0, edge.ReplaceVertex(&c, &a));
  EXPECT_EQ(1, edge.ReplaceVertex(&b, &c));
  EXPECT_EQ(&c, edge.GetRemoved());
  EXPECT_EQ(1, edge.ReplaceFace(&g, &h));
  EXPECT_EQ(&h, edge.GetFace2());
  EXPECT_EQ(&h, edge.OtherFace(&f));
  EXPECT_EQ(&f, edge.OtherFace(&h));
  CHalfEdge boundary(&a, &b, &f, nullptr);
  EXPECT_EQ(nullptr, boundary.OtherFace(&f));
  EXPECT_EQ(0, boundary.LiesOn(nullptr));
  CHalfEdge empty;
  EXPECT_FALSE(empty.IsValid());
}

TEST(HalfEdgeCollapse, RefusesAWantedCountNotBelowTheVertexCount)
{
  auto mesh = Icosphere(1);
  const auto corners = Corners(*mesh);
  CHalfEdgeCollapse collapse;
  EXPECT_EQ(0, collapse.Simplify(mesh.get(), mesh->NbVertex(), 0, 1, nullptr));
  EXPECT_EQ(0, collapse.Simplify(mesh.get(), mesh->NbVertex() + 5, 0, 1, nullptr));
  EXPECT_EQ(corners, Corners(*mesh));
  EXPECT_TRUE(AllDataSlotsEmpty(*mesh));
}

TEST(HalfEdgeCollapse, ClosedMeshesReachTheCountAndKeepTheirTopology)
{
  struct Case
  {
    std::unique_ptr<CMesh3d> mesh;
    int wanted;
  };
  Case cases[] = {{Icosphere(2), 30}, {Torus(12), 40}};
  for (auto& c : cases) {
    Perturb(*c.mesh, 0.01f);
    const int euler = EulerCharacteristic(*c.mesh);
    const std::vector<Position> positions = Positions(*c.mesh);
    CHalfEdgeCollapse collapse;
    ASSERT_EQ(1, collapse.Simplify(c.mesh.get(), c.wanted, 0, 1, nullptr));
    EXPECT_EQ(c.wanted, c.mesh->NbVertex());
    EXPECT_EQ(euler, EulerCharacteristic(*c.mesh));
    EXPECT_TRUE(IsClosedAndOriented(*c.mesh));
    EXPECT_TRUE(AllDataSlotsEmpty(*c.mesh));
    // Accumulators never move: every survivor stands where some input vertex stood.
    for (const Position& p : Positions(*c.mesh))
      EXPECT_NE(std::find(positions.begin(), positions.end(), p), positions.end());
  }
}

TEST(HalfEdgeCollapse, OpenMeshKeepsItsBoundaryAndOrientation)
{
  auto mesh = FlatGrid(7, 7);
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->Move(0.0f, 0.05f * std::sin(1.7f * i), 0.0f);
  mesh->Rebuild();
  CHalfEdgeCollapse collapse;
  ASSERT_EQ(1, collapse.Simplify(mesh.get(), 12, 0, 1, nullptr));
  EXPECT_EQ(12, mesh->NbVertex());
  EXPECT_EQ(1, EulerCharacteristic(*mesh));
  EXPECT_TRUE(IsOrientedManifold(*mesh));
  EXPECT_EQ(mesh->NbVertex(), CountUsedVertices(*mesh));
}

TEST(HalfEdgeCollapse, StopsAboveTheCountWhenNoCollapseKeepsTheMesh)
{
  auto tetrahedron = Tetrahedron();
  CHalfEdgeCollapse collapse;
  EXPECT_EQ(1, collapse.Simplify(tetrahedron.get(), 1, 0, 1, nullptr));
  EXPECT_EQ(4, tetrahedron->NbVertex());
  EXPECT_TRUE(IsClosedAndOriented(*tetrahedron));

  auto octahedron = Octahedron();
  EXPECT_EQ(1, collapse.Simplify(octahedron.get(), 0, 0, 1, nullptr));
  EXPECT_EQ(4, octahedron->NbVertex());
  EXPECT_EQ(4, octahedron->NbFace());
  EXPECT_TRUE(IsClosedAndOriented(*octahedron));
}

TEST(HalfEdgeCollapse, StepsKeepAdjacencyAndAccumulateTheirCosts)
{
  auto mesh = Icosphere(2);
  Perturb(*mesh, 0.02f);
  CHalfEdgeCollapse collapse;
  collapse.Begin(mesh.get(), 0, nullptr);
  for (int i = 0; i < collapse.NbHalfEdge(); i++) {
    const CHalfEdge* h = collapse.GetHalfEdge(i);
    ASSERT_NEAR(ExpectedCost(h->GetAccumulator(), h->GetRemoved()), h->GetCost(), 1e-6);
  }
  int collapses = 0;
  while (mesh->NbVertex() > 40 && !HasFailure()) {
    CHalfEdge* h = collapse.FindCheapest();
    ASSERT_NE(nullptr, h);
    CVertex3d* a = h->GetAccumulator();
    CVertex3d* r = h->GetRemoved();
    const float key = h->GetCost() + CHalfEdgeCollapse::GetPenalty(a);
    for (int i = 0; i < collapse.NbHalfEdge(); i++) {
      const CHalfEdge* g = collapse.GetHalfEdge(i);
      if (g->IsValid() && g->GetCost() + CHalfEdgeCollapse::GetPenalty(g->GetAccumulator()) < key) {
        EXPECT_FALSE(collapse.CanRealise(g)) << "a cheaper collapse was possible";
      }
    }
    const float expected = CHalfEdgeCollapse::GetPenalty(a) + h->GetCost() +
                           CHalfEdgeCollapse::GetPenalty(r);
    const int nbFace = mesh->NbFace();
    const int result = collapse.Realise(h);
    ASSERT_NE(0, result);
    if (result == 1) {
      collapses++;
      EXPECT_EQ(-1, mesh->IndexFrom(r));
      EXPECT_EQ(nbFace - 2, mesh->NbFace());
      EXPECT_FLOAT_EQ(expected, CHalfEdgeCollapse::GetPenalty(a));
      // The half-edges at the accumulator were costed again on the new surface.
      const CHalfEdgeBag* pBag = CHalfEdgeCollapse::GetBag(a);
      for (int i = 0; i < pBag->NbHalfEdge(); i++) {
        const CHalfEdge* g = pBag->GetHalfEdge(i);
        EXPECT_NEAR(ExpectedCost(g->GetAccumulator(), g->GetRemoved()), g->GetCost(), 1e-6);
      }
    }
    ExpectConsistent(mesh.get());
  }
  EXPECT_GT(collapses, 100);
  collapse.End();
  EXPECT_TRUE(AllDataSlotsEmpty(*mesh));
  EXPECT_TRUE(IsClosedAndOriented(*mesh));
}

TEST(HalfEdgeCollapse, EqualKeysCollapseTheFirstHalfEdgeMade)
{
  // On an integer grid every area is exact, so the flat collapses all cost 0; the first
  // half-edge made is vertex 0 absorbing its first neighbour, the corner of its first face
  // (0, 5, 1) that follows it: vertex 5, whose star is convex and seen whole from vertex 0.
  auto mesh = FlatGrid(4, 4);
  CVertex3d* v0 = mesh->GetVertex(0);
  CVertex3d* v1 = mesh->GetVertex(5);
  CHalfEdgeCollapse collapse;
  collapse.Begin(mesh.get(), 0, nullptr);
  CHalfEdge* h = collapse.FindCheapest();
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(0.0f, h->GetCost());
  EXPECT_EQ(collapse.GetHalfEdge(0), h);
  EXPECT_EQ(v0, h->GetAccumulator());
  EXPECT_EQ(v1, h->GetRemoved());
  collapse.End();
}

TEST(HalfEdgeCollapse, FoldingCollapseCostsTwiceItsAreaChange)
{
  // A hexagon around r with a spike at q2: the line q1 q2 parts r from a, so moving r onto a
  // turns the face (r, q1, q2) over.
  auto mesh = Build({{0, 0, 0}, {1, 0, 0}, {0.5f, 0.866f, 0}, {0.5f, 1.5f, 0}, {-1, 0, 0},
                     {-0.5f, -0.866f, 0}, {0.5f, -0.866f, 0}},
                    {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}, {0, 6, 1}});
  CVertex3d* r = mesh->GetVertex(0);
  CVertex3d* a = mesh->GetVertex(1);
  CHalfEdgeCollapse collapse;
  collapse.Begin(mesh.get(), 0, nullptr);
  const CHalfEdge* h = FindHalfEdge(collapse, a, r);
  ASSERT_NE(nullptr, h);
  const CFace3d* turned = mesh->GetFace(1);
  // The test's own fold check agrees that this one folds.
  const Position q1 = PositionOf(mesh->GetVertex(2));
  const Position q2 = PositionOf(mesh->GetVertex(3));
  EXPECT_LT(TriangleNormalOf(PositionOf(a), q1, q2)[2] * TriangleNormalOf(PositionOf(r), q1, q2)[2], 0.0);
  EXPECT_NEAR(ExpectedCost(a, r), h->GetCost(), 1e-6);
  double before = 0.0;
  double after = 0.0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    before += f->Area();
    if (!f->HasVertex(a))
      after += TriangleAreaOf(PositionOf(a), PositionOf(f->v(1)), PositionOf(f->v(2)));
  }
  EXPECT_NEAR(2.0 * std::fabs(after - before), h->GetCost(), 1e-6);
  // The cost leaves the mesh as it was.
  EXPECT_EQ(r, turned->v(0));
  collapse.End();
}

TEST(HalfEdgeCollapse, OppositeVertexOfThreeFacesGoesFirst)
{
  auto mesh = OctahedronWithCentre();
  CVertex3d* a = mesh->GetVertex(2);
  CVertex3d* r = mesh->GetVertex(0);
  CVertex3d* x = mesh->GetVertex(6);
  CHalfEdgeCollapse collapse;
  collapse.Begin(mesh.get(), 0, nullptr);
  CHalfEdge* h = FindHalfEdge(collapse, a, r);
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(2, collapse.Realise(h));
  EXPECT_EQ(-1, mesh->IndexFrom(x));
  EXPECT_EQ(6, mesh->NbVertex());
  EXPECT_EQ(8, mesh->NbFace());
  EXPECT_TRUE(h->IsValid());
  EXPECT_GE(mesh->IndexFrom(a), 0);
  EXPECT_GE(mesh->IndexFrom(r), 0);
  EXPECT_TRUE(h->GetFace1()->HasVertex(a) && h->GetFace1()->HasVertex(r));
  EXPECT_TRUE(h->GetFace2()->HasVertex(a) && h->GetFace2()->HasVertex(r));
  ExpectConsistent(mesh.get());
  // The edge itself goes at the next step.
  EXPECT_EQ(1, collapse.Realise(h));
  EXPECT_EQ(5, mesh->NbVertex());
  EXPECT_TRUE(IsClosedAndOriented(*mesh));
  collapse.End();
}

TEST(HalfEdgeCollapse, BoundaryEdgeRemovesItsOneFace)
{
  auto mesh = Strip(4);
  CVertex3d* a = mesh->GetVertex(2);
  CVertex3d* r = mesh->GetVertex(4);
  CVertex3d* p = mesh->GetVertex(5);
  CVertex3d* q = mesh->GetVertex(6);
  CHalfEdgeCollapse collapse;
  collapse.Begin(mesh.get(), 0, nullptr);
  CHalfEdge* h = FindHalfEdge(collapse, a, r);
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(nullptr, h->GetFace2());
  EXPECT_EQ(1, collapse.Realise(h));
  EXPECT_EQ(7, mesh->NbFace());
  EXPECT_EQ(9, mesh->NbVertex());
  ExpectConsistent(mesh.get());
  // An interior edge between two boundary vertices is refused: it would pinch the strip.
  CHalfEdge* across = FindHalfEdge(collapse, p, q);
  ASSERT_NE(nullptr, across);
  ASSERT_NE(nullptr, across->GetFace2());
  EXPECT_EQ(0, collapse.Realise(across));
  EXPECT_EQ(7, mesh->NbFace());
  collapse.End();
}

// The fold test must agree with the angle itself on every pair of normals: unit vectors all
// round, right angles, parallel and opposite ones, the nearly opposite, zero and not-a-number.
TEST(HalfEdgeCollapseCost, FoldTestAgreesWithTheAngle)
{
  constexpr double kRightAngle = 1.5707963267948966;
  std::vector<CVector3d> normals;
  for (int i = 0; i < 60; i++) {
    const double a = 0.37 * i;
    const double b = 0.11 * i * i;
    CVector3d n(static_cast<float>(std::cos(a) * std::sin(b)),
                static_cast<float>(std::sin(a) * std::sin(b)), static_cast<float>(std::cos(b)));
    n.Normalize();
    normals.push_back(n);
  }
  for (const float e : {0.0f, 1e-7f, 1e-4f})
    for (const CVector3d& n : {CVector3d(1.0f, 0.0f, 0.0f), CVector3d(0.0f, 0.6f, 0.8f)}) {
      normals.emplace_back(-n.x(), -n.y() + e, -n.z());
      normals.emplace_back(n.y(), -n.x() + e, n.z());
      normals.push_back(n);
    }
  normals.emplace_back(0.0f, 0.0f, 0.0f);
  normals.emplace_back(std::nanf(""), 0.0f, 1.0f);
  int beyond = 0;
  for (const CVector3d& u : normals)
    for (const CVector3d& v : normals) {
      const bool expected = AngleVectors(&u, &v) > kRightAngle;
      EXPECT_EQ(CHalfEdgeCollapse::IsBeyondRightAngle(u, v), expected ? 1 : 0)
        << u.x() << " " << u.y() << " " << u.z() << " / " << v.x() << " " << v.y() << " " << v.z();
      beyond += expected ? 1 : 0;
    }
  EXPECT_GT(beyond, 0);
}

// Costs are measured without touching the faces, so nothing refreshes a normal behind the
// run's back: every edit must leave the normals of the faces it changed current, the kept
// face of a valence-3 removal included. Every seventh face of the sphere is split at its
// centroid, so that such removals happen.
TEST(HalfEdgeCollapse, FaceNormalsStayCurrentThroughARun)
{
  auto sphere = Icosphere(2);
  Perturb(*sphere, 0.02f);
  Points points = Positions(*sphere);
  Triangles triangles;
  const auto corners = Corners(*sphere);
  for (size_t i = 0; i < corners.size(); i++) {
    const auto [a, b, c] = corners[i];
    if (i % 7 != 0) {
      triangles.push_back({a, b, c});
      continue;
    }
    Position m{};
    for (int k = 0; k < 3; k++)
      m[k] = (points[a][k] + points[b][k] + points[c][k]) / 3.0f;
    points.push_back(m);
    const int n = static_cast<int>(points.size()) - 1;
    triangles.push_back({a, b, n});
    triangles.push_back({b, c, n});
    triangles.push_back({c, a, n});
  }
  auto mesh = Build(points, triangles);
  CHalfEdgeCollapse collapse;
  collapse.Begin(mesh.get(), 0, nullptr);
  int removals = 0;
  while (mesh->NbVertex() > 60 && !HasFailure()) {
    CHalfEdge* h = collapse.FindCheapest();
    ASSERT_NE(nullptr, h);
    const int result = collapse.Realise(h);
    ASSERT_NE(0, result);
    removals += result == 2 ? 1 : 0;
    for (int i = 0; i < mesh->NbFace(); i++) {
      const CFace3d* f = mesh->GetFace(i);
      CVector3d fresh = CVector3d(f->v(0), f->v(1)) ^ CVector3d(f->v(0), f->v(2));
      fresh.Normalize();
      ASSERT_EQ(fresh.x(), f->GetNormal()->x()) << "face " << i;
      ASSERT_EQ(fresh.y(), f->GetNormal()->y()) << "face " << i;
      ASSERT_EQ(fresh.z(), f->GetNormal()->z()) << "face " << i;
    }
  }
  EXPECT_GT(removals, 0);
  collapse.End();
}

// Apexes of 40 faces (more than a cost keeps on the stack) over a wavy rim, and rim vertices of
// four: every half-edge's cost at the start is the area change computed from positions, with
// the fold doubling where the moved faces turn over.
TEST(HalfEdgeCollapseCost, ManyFacesAroundTheRemovedVertex)
{
  const int n = 40;
  Points points;
  Triangles triangles;
  for (int i = 0; i < n; i++) {
    const float u = 6.2831853f * i / n;
    points.push_back({std::cos(u), std::sin(u), 0.4f * std::sin(5.0f * u)});
  }
  points.push_back({0.1f, 0.0f, 1.0f});
  points.push_back({0.0f, 0.2f, -0.3f});
  for (int i = 0; i < n; i++) {
    triangles.push_back({n, i, (i + 1) % n});
    triangles.push_back({n + 1, (i + 1) % n, i});
  }
  auto mesh = Build(points, triangles);
  CHalfEdgeCollapse collapse;
  collapse.Begin(mesh.get(), 0, nullptr);
  int fromApex = 0;
  for (int i = 0; i < collapse.NbHalfEdge(); i++) {
    const CHalfEdge* h = collapse.GetHalfEdge(i);
    const double expected = ExpectedCost(h->GetAccumulator(), h->GetRemoved());
    ASSERT_NEAR(h->GetCost(), expected, 1e-5 * (1.0 + expected)) << i;
    ASSERT_EQ(CHalfEdgeCollapse::ComputeCost(h), h->GetCost()) << i;
    fromApex += h->GetRemoved()->NbFaceNeighbor() == n ? 1 : 0;
  }
  EXPECT_EQ(fromApex, 2 * n);
  collapse.End();
}

// A bag keeps its half-edges in order through growth past the room it has in place, removals
// from either part, emptying and filling again; its penalty and index stay its own.
TEST(HalfEdgeBag, KeepsItsHalfEdgesInOrderBeyondItsRoom)
{
  std::vector<CHalfEdge> halfEdges(40);
  CHalfEdgeBag bag(7);
  std::vector<CHalfEdge*> expected;
  for (CHalfEdge& h : halfEdges) {
    bag.Add(&h);
    expected.push_back(&h);
  }
  // One from the front, one from the middle, the last.
  for (CHalfEdge* gone : {&halfEdges[0], &halfEdges[13], &halfEdges[39]}) {
    bag.Remove(gone);
    expected.erase(std::find(expected.begin(), expected.end(), gone));
    EXPECT_EQ(bag.Contains(gone), 0);
  }
  bag.Remove(&halfEdges[0]);  // not there any more: nothing happens
  ASSERT_EQ(bag.NbHalfEdge(), static_cast<int>(expected.size()));
  for (int i = 0; i < bag.NbHalfEdge(); i++)
    EXPECT_EQ(bag.GetHalfEdge(i), expected[static_cast<size_t>(i)]) << i;
  bag.AddPenalty(0.5f);
  bag.RemoveAll();
  EXPECT_EQ(bag.NbHalfEdge(), 0);
  for (int i = 0; i < 5; i++)
    bag.Add(&halfEdges[static_cast<size_t>(i)]);
  ASSERT_EQ(bag.NbHalfEdge(), 5);
  EXPECT_EQ(bag.GetHalfEdge(4), &halfEdges[4]);
  EXPECT_EQ(bag.GetPenalty(), 0.5f);
  EXPECT_EQ(bag.GetIndex(), 7);
}
