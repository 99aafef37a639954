#include "mesh/GeometryUtil.h"
#include "mesh/HashTable.h"
#include "processing/ArrayEdgeCollapse.h"
#include "processing/EdgeCollapse.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

using namespace fixtures;

namespace {
// The two faces on the edge a-b, in a's incident order.
std::pair<CFace3d*, CFace3d*> FacesOf(const CVertex3d* a, const CVertex3d* b)
{
  CArray3d<CFace3d> shared;
  a->FindSharedFaces(b, &shared);
  EXPECT_EQ(shared.GetSize(), 2);
  return {shared.GetSize() > 0 ? shared[0] : nullptr, shared.GetSize() > 1 ? shared[1] : nullptr};
}

// The energy of the L2 measure written out again: spring over the neighbours plus the squared
// distance to the plane y = 0 (the reference grid of these tests).
double PlaneEnergy(const CEdgeCollapse& c, double weight)
{
  const CVertex3d* o = c.GetOptimalVertex();
  double spring = 0.0;
  for (int i = 0; i < o->NbVertexNeighbor(); i++) {
    const CVertex3d* n = o->GetVertexNeighbor(i);
    const double dx = n->x() - o->x();
    const double dy = n->y() - o->y();
    const double dz = n->z() - o->z();
    spring += dx * dx + dy * dy + dz * dz;
  }
  return weight * spring + static_cast<double>(o->y()) * o->y();
}

// A flat reference grid with its hash table, and a working copy of it.
struct SFlatScene
{
  std::unique_ptr<CMesh3d> reference = FlatGrid(7, 7);
  std::unique_ptr<CMesh3d> mesh = FlatGrid(7, 7);
  CHashTable hash{8};
  SFlatScene() { hash.Fill(reference.get(), nullptr); }
  CVertex3d* At(int i, int j) const { return mesh->GetVertex(j * 7 + i); }
};
} // namespace

TEST(EdgeCollapseCandidate, BuildsTheOneRingOfTheMergedVertex)
{
  auto mesh = Icosphere(1);
  CVertex3d* a = mesh->GetVertex(0);
  CVertex3d* b = a->GetVertexNeighbor(0);
  const auto [f1, f2] = FacesOf(a, b);
  CEdgeCollapse c(f1, f2);
  ASSERT_EQ(c.IsValid(), 1);
  EXPECT_EQ(c.GetCost(), 1e6);
  EXPECT_EQ(c.GetMark(), 0);
  // The shared edge runs from vertex 1 to vertex 2 in face 1.
  const int i1 = f1->IndexFrom(c.GetVertex1());
  ASSERT_GE(i1, 0);
  EXPECT_EQ(f1->v(i1 + 1), c.GetVertex2());

  const CVertex3d* o = c.GetOptimalVertex();
  std::set<const CVertex3d*> ring;
  for (const CVertex3d* end : {a, b})
    for (int i = 0; i < end->NbVertexNeighbor(); i++)
      if (end->GetVertexNeighbor(i) != a && end->GetVertexNeighbor(i) != b)
        ring.insert(end->GetVertexNeighbor(i));
  ASSERT_EQ(o->NbVertexNeighbor(), static_cast<int>(ring.size()));
  for (int i = 0; i < o->NbVertexNeighbor(); i++)
    EXPECT_EQ(ring.count(o->GetVertexNeighbor(i)), 1u);

  ASSERT_EQ(o->NbFaceNeighbor(), a->NbFaceNeighbor() + b->NbFaceNeighbor() - 4);
  for (int i = 0; i < o->NbFaceNeighbor(); i++) {
    const CFace3d* copy = o->GetFaceNeighbor(i);
    EXPECT_EQ(copy->HasVertex(o), 1);
    EXPECT_EQ(copy->HasVertex(a) + copy->HasVertex(b), 0);
    EXPECT_EQ(copy->IsValid(), 1);
    EXPECT_EQ(mesh->IndexFrom(copy), -1);
  }
  // Building again replaces the copies rather than adding to them.
  ASSERT_EQ(c.BuildArrayNeighbor(), 1);
  EXPECT_EQ(o->NbFaceNeighbor(), a->NbFaceNeighbor() + b->NbFaceNeighbor() - 4);
  c.FreeArrayNeighbor();
  EXPECT_EQ(o->NbFaceNeighbor(), 0);
}

namespace {
// Two apexes over a ring of n vertices: an apex has valence n.
std::unique_ptr<CMesh3d> Bipyramid(int n)
{
  Points points;
  Triangles triangles;
  for (int i = 0; i < n; i++) {
    const float u = 6.2831853f * static_cast<float>(i) / static_cast<float>(n);
    points.push_back({std::cos(u), 0.05f * static_cast<float>(i % 3), std::sin(u)});
  }
  points.push_back({0.0f, 1.0f, 0.0f});
  points.push_back({0.0f, -1.0f, 0.0f});
  for (int i = 0; i < n; i++) {
    triangles.push_back({n, (i + 1) % n, i});
    triangles.push_back({n + 1, i, (i + 1) % n});
  }
  return Build(points, triangles);
}

// The ring the merged vertex must have: vertex 1's neighbours but vertex 2, then vertex 2's
// neighbours not listed yet but vertex 1, in their lists' order.
std::vector<const CVertex3d*> ExpectedRing(const CVertex3d* v1, const CVertex3d* v2)
{
  std::vector<const CVertex3d*> ring;
  for (const auto& [end, other] : {std::pair{v1, v2}, std::pair{v2, v1}})
    for (int i = 0; i < end->NbVertexNeighbor(); i++) {
      const CVertex3d* v = end->GetVertexNeighbor(i);
      if (v != other && std::find(ring.begin(), ring.end(), v) == ring.end())
        ring.push_back(v);
    }
  return ring;
}

std::vector<const CVertex3d*> RingOf(const CEdgeCollapse& c)
{
  std::vector<const CVertex3d*> ring;
  for (int i = 0; i < c.GetOptimalVertex()->NbVertexNeighbor(); i++)
    ring.push_back(c.GetOptimalVertex()->GetVertexNeighbor(i));
  return ring;
}
} // namespace

// The ring's order is what the descents sum in: it must be exactly the ends' lists merged, for
// short rings and for rings past any inline or scratch room (an apex of valence 70), and a
// rebuild after an end loses a neighbour must leave no stale entry behind.
TEST(EdgeCollapseCandidate, MergedRingKeepsTheEndsOrderAtEveryLength)
{
  for (const int n : {5, 70}) {
    auto mesh = Bipyramid(n);
    const CVertex3d* apex = mesh->GetVertex(n);
    for (const CVertex3d* other : {mesh->GetVertex(0), mesh->GetVertex(n / 2)}) {
      const auto [f1, f2] = FacesOf(apex, other);
      CEdgeCollapse c(f1, f2, false);
      ASSERT_EQ(c.IsValid(), 1) << n;
      const auto expected = ExpectedRing(c.GetVertex1(), c.GetVertex2());
      // n ring vertices and the other apex, less the two ends.
      EXPECT_EQ(expected.size(), static_cast<size_t>(n + 2 - 2)) << n;
      EXPECT_EQ(RingOf(c), expected) << n;
      ASSERT_EQ(c.BuildArrayNeighbor(), 1);
      EXPECT_EQ(RingOf(c), expected) << n;
    }
    // An equator edge: four faces' worth of neighbours, both apexes shared.
    const auto [g1, g2] = FacesOf(mesh->GetVertex(1), mesh->GetVertex(2));
    CEdgeCollapse e(g1, g2, false);
    ASSERT_EQ(e.IsValid(), 1);
    EXPECT_EQ(RingOf(e), ExpectedRing(e.GetVertex1(), e.GetVertex2())) << n;
    EXPECT_EQ(RingOf(e).size(), 4u) << n;
  }
  // Vertex 1 forgets a neighbour only it had: the rebuilt ring is one shorter, in order.
  auto mesh = Bipyramid(70);
  CVertex3d* apex = mesh->GetVertex(70);
  const auto [f1, f2] = FacesOf(apex, mesh->GetVertex(10));
  CEdgeCollapse c(f1, f2, false);
  CVertex3d* v1 = c.GetVertex1();
  CVertex3d* v2 = c.GetVertex2();
  CVertex3d* gone = nullptr;
  for (int i = 0; i < v1->NbVertexNeighbor() && !gone; i++)
    if (v1->GetVertexNeighbor(i) != v2 && !v2->IsNeighbor(v1->GetVertexNeighbor(i)))
      gone = v1->GetVertexNeighbor(i);
  ASSERT_NE(gone, nullptr);
  const size_t before = RingOf(c).size();
  ASSERT_EQ(v1->RemoveVertexNeighbor(gone), 1);
  ASSERT_EQ(c.BuildArrayNeighbor(), 1);
  const auto ring = RingOf(c);
  EXPECT_EQ(ring.size(), before - 1);
  EXPECT_EQ(std::count(ring.begin(), ring.end(), gone), 0);
  EXPECT_EQ(ring, ExpectedRing(v1, v2));
}

TEST(EdgeCollapseCandidate, InvalidPairsAndDefaults)
{
  const CEdgeCollapse fresh;
  EXPECT_EQ(fresh.GetCost(), -1.0);
  EXPECT_EQ(fresh.IsValid(), 1);
  EXPECT_EQ(fresh.GetMark(), 0);

  auto mesh = Octahedron();
  // Faces 0 (0, 2, 4) and 6 (3, 1, 5) share no vertex; faces 0 and 2 (1, 3, 4) share one.
  for (const auto& [i, j] : {std::pair{0, 2}, std::pair{0, 6}, std::pair{0, 0}}) {
    CEdgeCollapse c(mesh->GetFace(i), mesh->GetFace(j));
    EXPECT_EQ(c.IsValid(), 0) << i << " " << j;
    EXPECT_EQ(c.GetCost(), 1e6);
    EXPECT_EQ(c.GetVertex1(), nullptr);
    EXPECT_EQ(c.BuildArrayNeighbor(), 0);
    EXPECT_EQ(c.GetOptimalVertex()->NbVertexNeighbor(), 0);
  }
  CEdgeCollapse none(nullptr, mesh->GetFace(0));
  EXPECT_EQ(none.IsValid(), 0);
  EXPECT_EQ(none.FindVerticesToCollapse(), 0);
}

// The candidate's edge is the one CFace3d::GetSharedEdge gives, for every pair of faces of a
// mesh and for faces that repeat a corner or repeat another face.
TEST(EdgeCollapseCandidate, FindsTheSharedEdgeTheFacesGive)
{
  auto mesh = Octahedron();
  CVertex3d* a = mesh->GetVertex(0);
  CVertex3d* b = mesh->GetVertex(2);
  CVertex3d* c = mesh->GetVertex(4);
  std::vector<std::unique_ptr<CFace3d>> odd;
  odd.push_back(std::make_unique<CFace3d>(a, a, b));
  odd.push_back(std::make_unique<CFace3d>(b, a, b));
  odd.push_back(std::make_unique<CFace3d>(c, b, a));
  odd.push_back(std::make_unique<CFace3d>(a, b, c));
  odd.push_back(std::make_unique<CFace3d>(a, a, a));
  std::vector<CFace3d*> faces;
  for (int i = 0; i < mesh->NbFace(); i++)
    faces.push_back(mesh->GetFace(i));
  for (const auto& f : odd)
    faces.push_back(f.get());
  int shared = 0;
  for (CFace3d* f : faces)
    for (CFace3d* g : faces) {
      CVertex3d* p = nullptr;
      CVertex3d* q = nullptr;
      const int expected = f->GetSharedEdge(g, &p, &q);
      CEdgeCollapse candidate;
      candidate.SetFaces(f, g);
      candidate.SetVertices(a, b);
      EXPECT_EQ(candidate.FindVerticesToCollapse(), expected);
      EXPECT_EQ(candidate.GetVertex1(), p);
      EXPECT_EQ(candidate.GetVertex2(), q);
      shared += expected;
    }
  // The twelve edges of the octahedron from both sides, and the odd faces among themselves and
  // against face 0 (0, 2, 4), which the last two repeat.
  EXPECT_GT(shared, 24);
}

// A candidate whose ring waits for Update: valid and vertices as the building constructor finds
// them, marked when valid, and its ring after an Update the ring a built candidate has.
TEST(EdgeCollapseCandidate, RingLeftForUpdateIsBuiltThereAlike)
{
  auto mesh = Octahedron();
  int valid = 0;
  for (int i = 0; i < mesh->NbFace(); i++)
    for (int j = 0; j < mesh->NbFace(); j++) {
      CFace3d* f = mesh->GetFace(i);
      CFace3d* g = mesh->GetFace(j);
      const CEdgeCollapse built(f, g, false);
      auto* pLater = new CEdgeCollapse(f, g, false, CEdgeCollapse::ERing::Later);
      EXPECT_EQ(pLater->IsValid(), built.IsValid()) << i << " " << j;
      EXPECT_EQ(pLater->GetMark(), built.IsValid());
      EXPECT_EQ(pLater->GetVertex1(), built.GetVertex1());
      EXPECT_EQ(pLater->GetVertex2(), built.GetVertex2());
      EXPECT_EQ(pLater->GetOptimalVertex()->NbVertexNeighbor(), 0);
      CArrayEdgeCollapse array;
      array.SetDeferL2(1);  // the ring, without a reference to measure against
      array.Add(pLater);
      array.Update(static_cast<CNearestFaceSearch*>(nullptr), nullptr);
      EXPECT_EQ(pLater->GetMark(), 0);
      valid += built.IsValid();
      if (!built.IsValid())
        continue;
      const CVertex3d* a = built.GetOptimalVertex();
      const CVertex3d* b = pLater->GetOptimalVertex();
      ASSERT_EQ(b->NbVertexNeighbor(), a->NbVertexNeighbor());
      for (int k = 0; k < a->NbVertexNeighbor(); k++)
        EXPECT_EQ(b->GetVertexNeighbor(k), a->GetVertexNeighbor(k));
    }
  // Each of the twelve edges from both sides.
  EXPECT_EQ(valid, 24);
  CEdgeCollapse none(nullptr, mesh->GetFace(0), false, CEdgeCollapse::ERing::Later);
  EXPECT_EQ(none.IsValid(), 0);
  EXPECT_EQ(none.GetMark(), 0);
}

// The pairs of candidates already in the array, in either order, are not entered again.
TEST(EdgeCollapseArray, FillSkipsPairsAlreadyThere)
{
  auto mesh = Torus(6);
  CArrayEdgeCollapse array;
  CFace3d* f = mesh->GetFace(3);
  array.Add(new CEdgeCollapse(f->f(0), f));
  array.Add(new CEdgeCollapse(f, f->f(1)));
  EXPECT_EQ(array.Fill(mesh.get(), 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f),
            NbEdge(*mesh) - 2);
  std::set<std::pair<const CFace3d*, const CFace3d*>> pairs;
  for (int i = 0; i < array.GetSize(); i++) {
    const CEdgeCollapse* c = array.GetAt(i);
    EXPECT_TRUE(pairs.insert(std::minmax(c->GetFace(0), c->GetFace(1))).second);
  }
  EXPECT_EQ(static_cast<int>(pairs.size()), NbEdge(*mesh));
}

// Candidates made in the array's storage and candidates handed to it live side by side through
// removals and renumbering; a removed candidate's storage takes the next one made.
TEST(EdgeCollapseArray, EmplacedAndAddedCandidatesThroughRemovals)
{
  auto mesh = Torus(6);
  CArrayEdgeCollapse array;
  CFace3d* f = mesh->GetFace(0);
  CFace3d* g = mesh->GetFace(mesh->NbFace() / 2);  // far from f
  auto* pGiven = new CEdgeCollapse(f, f->f(0));
  array.Add(pGiven);
  CEdgeCollapse* pMade = array.Emplace(f, f->f(1), false);
  EXPECT_EQ(pMade->IsValid(), 1);
  EXPECT_EQ(pMade->GetFace(1), f->f(1));
  CEdgeCollapse* pLater = array.Emplace(g, g->f(0), false, CEdgeCollapse::ERing::Later);
  EXPECT_EQ(pLater->GetMark(), 1);
  array.Add(new CEdgeCollapse(g, g->f(1)));
  ASSERT_EQ(array.GetSize(), 4);

  // Removing f's candidates deletes one of each kind; the others keep their order.
  EXPECT_EQ(array.RemoveFaces(f, nullptr), 2);
  ASSERT_EQ(array.GetAt(0), pLater);
  EXPECT_EQ(array.GetAt(1)->GetFace(1), g->f(1));
  const void* freed = pMade;
  CEdgeCollapse* pAgain = array.Emplace(g, g->f(2), false);
  EXPECT_EQ(static_cast<const void*>(pAgain), freed);
  EXPECT_EQ(pAgain->GetFace(1), g->f(2));
  EXPECT_EQ(array.GetAt(2), pAgain);

  // A fill of its own makes the rest in the storage, past any one chunk of it.
  auto big = Torus(20);
  CArrayEdgeCollapse filled;
  EXPECT_EQ(filled.Fill(big.get(), 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f),
            NbEdge(*big));
  ASSERT_GT(filled.GetSize(), 512);
  for (int i = 0; i < filled.GetSize(); i++)
    ASSERT_EQ(filled.GetAt(i)->IsValid(), 1);
  EXPECT_EQ(filled.RemoveFaces(big->GetFace(0), big->GetFace(1)), NbEdge(*big) - 5);
}

TEST(EdgeCollapseArray, FillCountsPairsOnceOrTwice)
{
  auto mesh = Torus(6);
  CArrayEdgeCollapse once;
  EXPECT_EQ(once.Fill(mesh.get(), 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f),
            NbEdge(*mesh));
  EXPECT_EQ(once.GetSize(), 3 * mesh->NbFace() / 2);
  std::set<std::pair<const CFace3d*, const CFace3d*>> pairs;
  for (int i = 0; i < once.GetSize(); i++) {
    const CEdgeCollapse* c = once.GetAt(i);
    EXPECT_EQ(c->IsValid(), 1);
    EXPECT_TRUE(pairs.insert(std::minmax(c->GetFace(0), c->GetFace(1))).second);
  }
  EXPECT_EQ(once.GetSharpThreshold(), 0.6f);
  EXPECT_EQ(once.GetDescent().maxIterations, 50);
  // A second fill adds nothing that is already there.
  EXPECT_EQ(once.Fill(mesh.get(), 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f), 0);

  CArrayEdgeCollapse twice;
  EXPECT_EQ(twice.FillAllPairs(mesh.get()), 3 * mesh->NbFace());

  // On an open grid only pairs of fully surrounded faces count.
  auto grid = FlatGrid(5, 4);
  int expected = 0;
  for (int i = 0; i < grid->NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CFace3d* f = grid->GetFace(i);
      const CFace3d* g = f->f(k);
      expected += (g && f->NbFaceNeighbor() == 3 && g->NbFaceNeighbor() == 3) ? 1 : 0;
    }
  CArrayEdgeCollapse open;
  EXPECT_EQ(open.Fill(grid.get(), 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f),
            expected / 2);
  EXPECT_EQ(open.Fill(nullptr, 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f), 0);
}

TEST(EdgeCollapseArray, IndependentCandidatesHaveDisjointSurroundings)
{
  auto mesh = Torus(8);
  mesh->SetFacesFlag(0);
  CArrayEdgeCollapse array;
  ASSERT_GT(array.FillIndependant(mesh.get()), 4);
  for (int i = 0; i < array.GetSize(); i++) {
    const CEdgeCollapse* c = array.GetAt(i);
    ASSERT_EQ(c->IsValid(), 1);
    for (int j = i + 1; j < array.GetSize(); j++)
      for (int side = 0; side < 2; side++) {
        const CFace3d* f = array.GetAt(j)->GetFace(side);
        EXPECT_EQ(f->HasVertex(c->GetVertex1()) + f->HasVertex(c->GetVertex2()), 0);
      }
    EXPECT_EQ(c->GetFace(0)->GetFlag(), 1);
  }
  // Every face flag is left set: another fill finds nothing.
  CArrayEdgeCollapse again;
  EXPECT_EQ(again.FillIndependant(mesh.get()), 0);
}

TEST(EdgeCollapseEnergy, FlatNeighbourhoodOnTheReferenceKeepsVertexTwo)
{
  SFlatScene scene;
  const auto [f1, f2] = FacesOf(scene.At(3, 3), scene.At(4, 3));
  CEdgeCollapse c(f1, f2);
  ASSERT_EQ(c.IsValid(), 1);
  // Without the spring every start already lies on the reference: one iteration, no move,
  // all three energies 0, and the tie goes to vertex 2.
  EXPECT_EQ(c.CalculateCost(&scene.hash, 1.0, 1e-4, 0.0, 50, 1.5f, 0.1f, 0.01f, 5.0f), 1);
  EXPECT_EQ(c.GetCost(), 0.0);
  EXPECT_EQ(c.GetOptimalVertex()->IsSamePosition(c.GetVertex2()), 1);
}

TEST(EdgeCollapseEnergy, CostIsTheEnergyOfTheKeptPosition)
{
  SFlatScene scene;
  Perturb(*scene.mesh, 0.05f);
  const auto [f1, f2] = FacesOf(scene.At(3, 3), scene.At(3, 4));
  CEdgeCollapse c(f1, f2);
  ASSERT_EQ(c.IsValid(), 1);
  const double w = 0.01;
  const int mean = c.CalculateCost(&scene.hash, 1.0, 1e-12, w, 200, 1.5f, 0.1f, 0.01f, 5.0f);
  EXPECT_GE(mean, 1);
  EXPECT_LE(mean, 201);
  EXPECT_NEAR(c.GetCost(), PlaneEnergy(c, w), 1e-6);

  // The descent lowers the energy below that of either end.
  CEdgeCollapse at(f1, f2);
  at.GetOptimalVertex()->Set(at.GetVertex1());
  const double e1 = PlaneEnergy(at, w);
  at.GetOptimalVertex()->Set(at.GetVertex2());
  const double e2 = PlaneEnergy(at, w);
  EXPECT_LT(c.GetCost(), std::min(e1, e2));
}

TEST(EdgeCollapseEnergy, MidpointWinsOnlyWhenStrictlyBetter)
{
  SFlatScene scene;
  const auto [f1, f2] = FacesOf(scene.At(3, 3), scene.At(4, 3));
  CEdgeCollapse c(f1, f2);
  // Steps too small to move: each run stays at its start, for exactly max + 1 iterations.
  EXPECT_EQ(c.CalculateCost(&scene.hash, 1e-9, -1.0, 0.01, 3, 1.0f, 1.0f, 1e-9f, 1e-9f), 4);
  const CVertex3d* a = c.GetVertex1();
  const CVertex3d* b = c.GetVertex2();
  const CVertex3d* o = c.GetOptimalVertex();
  EXPECT_NEAR(o->x(), (a->x() + b->x()) / 2, 1e-5);
  EXPECT_NEAR(o->z(), (a->z() + b->z()) / 2, 1e-5);
  EXPECT_NEAR(c.GetCost(), PlaneEnergy(c, 0.01), 1e-9);
}

TEST(EdgeCollapseEnergy, NoReferenceMeansNoCandidate)
{
  SFlatScene scene;
  CArrayEdgeCollapse array;
  array.Fill(scene.mesh.get(), 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  array.CalculateEnergy(static_cast<CHashTable*>(nullptr));
  EXPECT_EQ(array.GetMin(), nullptr);
  CHashTable empty(4);
  array.CalculateEnergy(&empty);
  EXPECT_EQ(array.GetMin(), nullptr);
}

TEST(EdgeCollapseEnergy, L1StartsAtTheSharperEnd)
{
  SFlatScene scene;
  // Vertex (1, 1) is interior, (1, 0) on the boundary; the edge's faces are (0,5,1), (1,5,6).
  CVertex3d* interior = scene.At(1, 1);
  CVertex3d* boundary = scene.At(1, 0);
  const auto [f1, f2] = FacesOf(interior, boundary);
  CEdgeCollapse c(f1, f2);
  ASSERT_EQ(c.IsValid(), 1);
  // A zero step keeps the optimal vertex where the optimisation starts.
  EXPECT_EQ(c.CalculateCostL1(scene.reference.get(), &scene.hash, 1, 1e-3f, 0, 4, 0.0f, 0.5f,
                              0.0f, 0.6f, 10),
            1);
  EXPECT_EQ(c.GetOptimalVertex()->IsSamePosition(boundary), 1);
  EXPECT_DOUBLE_EQ(c.GetCost(), SquareDistance(interior, boundary));
  EXPECT_EQ(c.GetMark(), 1);
  // Computed once: a second call skips it.
  c.SetCost(-5.0);
  EXPECT_EQ(c.CalculateCostL1(scene.reference.get(), &scene.hash, 1, 1e-3f, 0, 4, 0.0f, 0.5f,
                              0.0f, 0.6f, 10),
            0);
  EXPECT_EQ(c.GetCost(), -5.0);

  // Two interior ends of one class start at the midpoint.
  const auto [g1, g2] = FacesOf(scene.At(3, 3), scene.At(4, 3));
  CEdgeCollapse m(g1, g2);
  m.CalculateCostL1(scene.reference.get(), &scene.hash, 1, 1e-3f, 0, 4, 0.0f, 0.5f, 0.0f, 0.6f,
                    10);
  EXPECT_FLOAT_EQ(m.GetOptimalVertex()->x(), 3.5f);
  EXPECT_FLOAT_EQ(m.GetOptimalVertex()->z(), 3.0f);
}

TEST(EdgeCollapseArray, MinimumRemovalMarksAndUpdate)
{
  SFlatScene scene;
  CArrayEdgeCollapse array;
  ASSERT_GT(array.Fill(scene.mesh.get(), 1.0, 1e-4, 0.01, 20, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f),
            3);
  for (int i = 0; i < array.GetSize(); i++)
    array.GetAt(i)->SetCost(7.0);
  array.GetAt(2)->SetCost(3.0);
  array.GetAt(3)->SetCost(3.0);
  EXPECT_EQ(array.GetMin(), array.GetAt(2));
  array.GetAt(2)->SetValid(0);
  EXPECT_EQ(array.GetMin(), array.GetAt(3));

  // Removal takes every candidate on either face.
  CFace3d* f = array.GetAt(3)->GetFace(0);
  int onFace = 0;
  for (int i = 0; i < array.GetSize(); i++)
    onFace += array.GetAt(i)->HasFace(f);
  const int before = array.GetSize();
  EXPECT_EQ(array.SetComputedOnFace(f, 1), onFace);
  EXPECT_EQ(array.RemoveFaces(f, nullptr), before - onFace);
  for (int i = 0; i < array.GetSize(); i++)
    EXPECT_EQ(array.GetAt(i)->HasFace(f), 0);

  // Update recomputes the marked candidates only; one whose faces came apart turns invalid.
  CEdgeCollapse* kept = array.GetAt(0);
  CEdgeCollapse* broken = nullptr;
  for (int i = 1; i < array.GetSize() && !broken; i++)
    if (!kept->HasFace(array.GetAt(i)->GetFace(0)) && !kept->HasFace(array.GetAt(i)->GetFace(1)))
      broken = array.GetAt(i);
  ASSERT_NE(broken, nullptr);
  kept->SetMark(1);
  broken->SetMark(1);
  CFace3d* g = broken->GetFace(1);
  CVertex3d* stray = new CVertex3d(50, 50, 50);
  scene.mesh->AddVertex(stray);
  g->SetVertex(g->IndexFrom(broken->GetVertex1()), stray);
  std::vector<double> costs;
  for (int i = 0; i < array.GetSize(); i++)
    costs.push_back(array.GetAt(i)->GetCost());
  int total = -1;
  EXPECT_EQ(array.Update(&scene.hash, &total), 1);
  EXPECT_GE(total, 1);
  EXPECT_EQ(kept->GetMark(), 0);
  EXPECT_NE(kept->GetCost(), 7.0);
  EXPECT_EQ(broken->IsValid(), 0);
  for (int i = 0; i < array.GetSize(); i++) {
    if (array.GetAt(i) != kept) {
      EXPECT_EQ(array.GetAt(i)->GetCost(), costs[i]);
    }
  }
}

// A candidate that the caller refuses waits aside: the minimum skips it until a change of its
// cost or a hand-back on one of its faces returns it, and a removal forgets it.
TEST(EdgeCollapseArray, RefusedCandidatesWaitUntilHandedBack)
{
  SFlatScene scene;
  CArrayEdgeCollapse array;
  ASSERT_GT(array.Fill(scene.mesh.get(), 1.0, 1e-4, 0.01, 20, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f),
            3);
  for (int i = 0; i < array.GetSize(); i++)
    array.GetAt(i)->SetCost(10.0 + i);
  CEdgeCollapse* refused = array.GetAt(0);
  const auto notRefused = [refused](const CEdgeCollapse* c) { return c != refused; };
  EXPECT_EQ(array.GetMin(notRefused), array.GetAt(1));
  // Without a hand-back it stays aside even for a search that would take it.
  EXPECT_EQ(array.GetMin(), array.GetAt(1));
  // Only the refused candidate waits: handing back its face returns it alone, once.
  EXPECT_EQ(array.UnblockOnFace(refused->GetFace(1)), 1);
  EXPECT_EQ(array.UnblockOnFace(refused->GetFace(0)), 0);
  EXPECT_EQ(array.GetMin(), refused);

  // Refused again, then a new cost brings it back by itself.
  EXPECT_EQ(array.GetMin(notRefused), array.GetAt(1));
  refused->SetCost(1.0);
  EXPECT_EQ(array.GetMin(), refused);

  // Refused, then removed with its face: the hand-back finds nothing to return.
  EXPECT_EQ(array.GetMin(notRefused), array.GetAt(1));
  CFace3d* f = refused->GetFace(0);
  array.RemoveFaces(f, nullptr);
  EXPECT_EQ(array.UnblockOnFace(f), 0);
  EXPECT_NE(array.GetMin(), nullptr);
}

// The progressive loop: collapse the cheapest, drop the candidates on its faces, pair the faces
// that became neighbours, recompute around the survivor; the mesh stays a closed, oriented
// surface after every collapse.
TEST(EdgeCollapseArray, CollapsesKeepTheSurfaceSound)
{
  auto mesh = Icosphere(2);
  Perturb(*mesh, 0.01f);
  auto reference = std::make_unique<CMesh3d>();
  reference->Copy(mesh.get());
  reference->Rebuild();
  CHashTable hash(10);
  hash.Fill(reference.get(), nullptr);
  CArrayEdgeCollapse array;
  array.Fill(mesh.get(), 1.0, 1e-4, 0.01, 20, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  array.CalculateEnergy(&hash);

  int collapsed = 0;
  while (collapsed < 60) {
    CEdgeCollapse* c = array.GetMin();
    ASSERT_NE(c, nullptr);
    CFace3d* f1 = c->GetFace(0);
    CFace3d* f2 = c->GetFace(1);
    CVertex3d* survivor = c->GetVertex1();
    CArray3d<CFace3d> faces;
    if (!mesh->CollapseEdgeCandidate(c, &faces, 0.6f)) {
      array.RemoveFaces(f1, f2);
      continue;
    }
    array.RemoveFaces(f1, f2);
    for (int k = 0; k + 1 < faces.GetSize(); k += 2)
      if (faces[k] && faces[k + 1] && faces[k]->SharesEdge(faces[k + 1])) {
        auto* pNew = new CEdgeCollapse(faces[k], faces[k + 1]);
        array.Add(pNew);
        pNew->CalculateCost(&hash, array.GetDescent());
      }
    EXPECT_EQ(mesh->DeleteFacesWithFlag(1), 2);
    for (int i = 0; i < survivor->NbFaceNeighbor(); i++) {
      survivor->GetFaceNeighbor(i)->CalculateNormal();
      array.SetComputedOnFace(survivor->GetFaceNeighbor(i), 1);
    }
    int total = 0;
    array.Update(&hash, &total);
    collapsed++;

    ASSERT_EQ(EulerCharacteristic(*mesh), 2) << "after collapse " << collapsed;
    ASSERT_TRUE(IsClosedAndOriented(*mesh)) << "after collapse " << collapsed;
    ExpectAdjacencyMatchesRebuild(mesh.get());
  }
  EXPECT_EQ(mesh->NbVertex(), 162 - 60);
  EXPECT_EQ(mesh->NbFace(), 320 - 120);
}
