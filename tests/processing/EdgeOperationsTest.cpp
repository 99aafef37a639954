#include "mesh/GeometryUtil.h"
#include "processing/ArrayOperationEdge.h"
#include "processing/OperationEdge.h"
#include "processing/DecimationFixtures.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

using namespace fixtures;

namespace {
using OperationPtr = std::unique_ptr<COperationEdge>;

std::pair<const CVertex3d*, const CVertex3d*> Ends(const COperationEdge* o)
{
  return std::minmax<const CVertex3d*>(o->GetFirst(), o->GetSecond());
}
} // namespace

TEST(OperationEdge, MeasuresOfTheEdge)
{
  const COperationEdge none;
  EXPECT_EQ(none.IsValid(), 0);
  EXPECT_EQ(none.GetPotential(), 0.0);

  auto mesh = Octahedron();
  CVertex3d* a = mesh->GetVertex(0);
  CVertex3d* b = mesh->GetVertex(2);
  COperationEdge o(a, b);
  EXPECT_EQ(o.IsValid(), 1);
  EXPECT_EQ(o.IsUpdated(), 0);
  o.Update();
  EXPECT_EQ(o.IsUpdated(), 1);
  EXPECT_DOUBLE_EQ(o.GetLength(), 2.0);
  // Neighbouring faces of the octahedron have normals at cos 1/3: sine sqrt(8/9) everywhere.
  EXPECT_NEAR(o.GetCurveness(), std::sqrt(8.0 / 9.0), 1e-6);
  EXPECT_DOUBLE_EQ(o.GetPotential(), 2.0);
  o.SetPotential(1);
  EXPECT_NEAR(o.GetPotential(), std::sqrt(8.0 / 9.0), 1e-6);
  o.SetPotential(7);
  EXPECT_DOUBLE_EQ(o.GetPotential(), 2.0);

  o.SetValid(0);
  a->Move(5, 0, 0);
  o.Update();
  EXPECT_DOUBLE_EQ(o.GetLength(), 2.0);
}

// Renewing the curveness alone keeps the length the operation has and marks it updated; an
// invalid operation is left as it is.
TEST(OperationEdge, CurvenessRenewedAloneKeepsTheLength)
{
  auto mesh = Octahedron();
  CVertex3d* a = mesh->GetVertex(0);
  CVertex3d* b = mesh->GetVertex(2);
  COperationEdge o(a, b);
  o.UpdateCurveness(0.25, 0.75);
  EXPECT_EQ(o.IsUpdated(), 1);
  EXPECT_EQ(o.GetCurveness(), 0.5);
  EXPECT_EQ(o.GetLength(), 0.0);  // never measured
  o.Update(0.25, 0.75);
  EXPECT_DOUBLE_EQ(o.GetLength(), 2.0);
  o.UpdateCurveness(0.5, 0.25);
  EXPECT_EQ(o.GetCurveness(), 0.375);
  EXPECT_DOUBLE_EQ(o.GetLength(), 2.0);

  o.SetValid(0);
  o.UpdateCurveness(1.0, 1.0);
  EXPECT_EQ(o.GetCurveness(), 0.375);
}

TEST(ArrayOperationEdge, FillEntersEveryEdgeOnce)
{
  auto mesh = Torus(6);
  CArrayOperationEdge array;
  EXPECT_EQ(array.Fill(nullptr), 0);
  EXPECT_EQ(array.GetSize(), 0);
  ASSERT_EQ(array.Fill(mesh.get()), 1);
  EXPECT_EQ(array.GetSize(), 3 * mesh->NbFace() / 2);
  std::set<std::pair<const CVertex3d*, const CVertex3d*>> seen;
  for (int i = 0; i < array.GetSize(); i++) {
    const COperationEdge* o = array.GetAt(i);
    EXPECT_TRUE(seen.insert(Ends(o)).second);
    EXPECT_LT(mesh->IndexFrom(o->GetFirst()), mesh->IndexFrom(o->GetSecond()));
    EXPECT_EQ(o->GetFirst()->IsNeighbor(o->GetSecond()), 1);
  }
  EXPECT_EQ(mesh->CountVerticesWithFlag(1), mesh->NbVertex());
  EXPECT_STREQ(CArrayOperationEdge::GetPotentialName(0), "edge length");
  EXPECT_STREQ(CArrayOperationEdge::GetPotentialName(1), "curveness");
}

TEST(ArrayOperationEdge, ExtractMinTakesTheFirstOfEqualPotentials)
{
  auto mesh = Torus(5);
  CArrayOperationEdge array;
  array.Fill(mesh.get());
  std::vector<std::pair<const CVertex3d*, const CVertex3d*>> order;
  for (int i = 0; i < array.GetSize(); i++)
    order.emplace_back(array.GetAt(i)->GetFirst(), array.GetAt(i)->GetSecond());
  // Never updated, every potential is 0: the array order comes out, each operation once and
  // owned by the caller.
  for (const auto& expected : order) {
    OperationPtr o(array.ExtractMin());
    ASSERT_NE(o, nullptr);
    ASSERT_EQ(o->GetFirst(), expected.first);
    ASSERT_EQ(o->GetSecond(), expected.second);
  }
  EXPECT_EQ(array.GetSize(), 0);
  EXPECT_EQ(array.ExtractMin(), nullptr);

  // Updated, they come out by growing squared length.
  auto strip = FlatGrid(5, 3);
  CArrayOperationEdge byLength;
  byLength.Fill(strip.get());
  byLength.UpdateAll();
  double previous = 0.0;
  while (byLength.GetSize() > 0) {
    OperationPtr o(byLength.ExtractMin());
    EXPECT_GE(o->GetLength(), previous);
    EXPECT_DOUBLE_EQ(o->GetLength(), SquareDistance(o->GetFirst(), o->GetSecond()));
    previous = o->GetLength();
  }
}

TEST(ArrayOperationEdge, ShortestUnderCurveness)
{
  // A flat grid with one column stretched: the shortest edges are the unit ones.
  auto grid = FlatGrid(4, 4);
  for (int i = 0; i < grid->NbVertex(); i++)
    if (grid->GetVertex(i)->x() > 1.5f)
      grid->GetVertex(i)->Move(2.0f, 0, 0);
  grid->Rebuild();
  CArrayOperationEdge flat;
  flat.Fill(grid.get());
  flat.UpdateAll();
  const int size = flat.GetSize();
  OperationPtr o(flat.ExtractShortestUnderCurveness(0.0, 0.1));
  ASSERT_NE(o, nullptr);
  EXPECT_DOUBLE_EQ(o->GetLength(), 1.0);
  EXPECT_EQ(flat.GetSize(), size - 1);
  // Thresholds too many to list: every operation is scanned at each pass instead.
  OperationPtr fine(flat.ExtractShortestUnderCurveness(0.0, 1e-7));
  ASSERT_NE(fine, nullptr);
  EXPECT_DOUBLE_EQ(fine->GetLength(), 1.0);
  EXPECT_EQ(flat.GetSize(), size - 2);

  // On a box every end is a sharp corner (curveness 1): found at 1.0 exactly, but a step that
  // jumps over 1.0 finds nothing and takes nothing.
  auto box = std::make_unique<CMesh3d>();
  box->GenerateBox(2, 2, 2);
  box->Rebuild();
  CArrayOperationEdge sharp;
  sharp.Fill(box.get());
  sharp.UpdateAll();
  const int boxSize = sharp.GetSize();
  EXPECT_EQ(sharp.ExtractShortestUnderCurveness(0.0, 0.3), nullptr);
  EXPECT_EQ(sharp.ExtractShortestUnderCurveness(1.5, 0.1), nullptr);
  EXPECT_EQ(sharp.ExtractShortestUnderCurveness(0.0, 0.0), nullptr);
  EXPECT_EQ(sharp.ExtractShortestUnderCurveness(0.5, -1.0), nullptr);
  EXPECT_EQ(sharp.GetSize(), boxSize);
  OperationPtr corner(sharp.ExtractShortestUnderCurveness(0.0, 0.25));
  ASSERT_NE(corner, nullptr);
  EXPECT_NEAR(corner->GetCurveness(), 1.0, 1e-6);
}

TEST(ArrayOperationEdge, RemoveAddAndUpdateAroundVertices)
{
  auto mesh = Icosphere(1);
  CArrayOperationEdge array;
  array.Fill(mesh.get());
  const int size = array.GetSize();
  CVertex3d* a = mesh->GetVertex(0);
  CVertex3d* b = a->GetVertexNeighbor(0);
  const int removed = a->NbVertexNeighbor() + b->NbVertexNeighbor() - 1;
  EXPECT_EQ(array.RemoveOperationsOnVertices(a, b), removed);
  EXPECT_EQ(array.GetSize(), size - removed);
  EXPECT_EQ(array.RemoveOperationsOnVertex(a), 0);

  ASSERT_EQ(array.AddVertexEdges(a), 1);
  EXPECT_EQ(array.GetSize(), size - removed + a->NbVertexNeighbor());
  EXPECT_EQ(array.GetAt(array.GetSize() - 1)->GetFirst(), a);
  EXPECT_EQ(array.GetAt(array.GetSize() - 1)->IsUpdated(), 0);
  // Edges at a or at one of its neighbours.
  int around = 0;
  for (int i = 0; i < array.GetSize(); i++) {
    const COperationEdge* o = array.GetAt(i);
    around += (o->HasVertex(a) || o->GetFirst()->IsNeighbor(a) || o->GetSecond()->IsNeighbor(a))
                ? 1
                : 0;
  }
  EXPECT_EQ(array.UpdateAroundVertex(a), around);
  EXPECT_EQ(array.GetAt(array.GetSize() - 1)->IsUpdated(), 1);

  // New operations take the array's kind.
  array.SetPotential(1);
  array.AddVertexEdges(b);
  EXPECT_EQ(array.GetAt(array.GetSize() - 1)->GetPotentialKind(), 1);
}

// The global loop of the decimation: best edge, collapse at its midpoint, drop the operations
// of both ends, add the survivor's; the surface stays closed and oriented.
TEST(ArrayOperationEdge, CollapseLoopKeepsTheSurfaceSound)
{
  for (int kind = 0; kind < 2; kind++) {
    auto mesh = Torus(10);
    Perturb(*mesh, 0.02f);
    CArrayOperationEdge array;
    array.Fill(mesh.get());
    array.SetPotential(kind);
    array.UpdateAll();
    int collapsed = 0;
    while (collapsed < 85) {
      OperationPtr o(array.ExtractMin());
      ASSERT_NE(o, nullptr);
      CVertex3d* p = o->GetFirst();
      CVertex3d* q = o->GetSecond();
      std::unique_ptr<CVertex3d> middle(Midpoint(p, q));
      if (!mesh->EdgeCollapse(p, q, middle.get(), nullptr, 1))
        continue;
      array.RemoveOperationsOnVertex(p);
      array.RemoveOperationsOnVertex(q);
      array.AddVertexEdges(p);
      array.UpdateAroundVertex(p);
      collapsed++;
      ASSERT_EQ(EulerCharacteristic(*mesh), 0) << "kind " << kind << " collapse " << collapsed;
      ASSERT_TRUE(IsClosedAndOriented(*mesh)) << "kind " << kind << " collapse " << collapsed;
      ExpectAdjacencyMatchesRebuild(mesh.get());
      // The operations left name live edges, each at most once.
      std::set<std::pair<const CVertex3d*, const CVertex3d*>> seen;
      for (int i = 0; i < array.GetSize(); i++) {
        const COperationEdge* e = array.GetAt(i);
        ASSERT_GE(mesh->IndexFrom(e->GetFirst()), 0);
        ASSERT_EQ(e->GetFirst()->IsNeighbor(e->GetSecond()), 1);
        ASSERT_TRUE(seen.insert(Ends(e)).second);
      }
    }
    EXPECT_EQ(mesh->NbVertex(), 100 - 85);
  }
}

namespace {
// A double cone over a rim of n vertices, the rim a little wavy: its apexes have n faces each,
// more than a common vertex.
std::unique_ptr<CMesh3d> WavyBipyramid(int n)
{
  Points points;
  Triangles triangles;
  const float pi2 = 6.2831853f;
  for (int i = 0; i < n; i++) {
    const float u = pi2 * i / n;
    points.push_back({std::cos(u), std::sin(u), 0.15f * std::sin(3.0f * u)});
  }
  points.push_back({0.0f, 0.0f, 1.0f});
  points.push_back({0.1f, 0.0f, -1.0f});
  for (int i = 0; i < n; i++) {
    triangles.push_back({n, i, (i + 1) % n});
    triangles.push_back({n + 1, (i + 1) % n, i});
  }
  return Build(points, triangles);
}

// Every valid operation's curveness is the mean of its ends' CVertex3d::GetMaxCurveAround, to
// the bit, and its length the squared distance of its ends.
void ExpectMeasuresOfTheEnds(const CArrayOperationEdge& array)
{
  for (int i = 0; i < array.GetSize(); i++) {
    const COperationEdge* o = array.GetAt(i);
    if (!o->IsValid() || !o->IsUpdated())
      continue;
    const double expected =
      (o->GetFirst()->GetMaxCurveAround() + o->GetSecond()->GetMaxCurveAround()) / 2.0;
    ASSERT_EQ(o->GetCurveness(), expected) << "operation " << i;
    ASSERT_EQ(o->GetLength(), SquareDistance(o->GetFirst(), o->GetSecond())) << "operation " << i;
  }
}
} // namespace

// The curveness is measured once per vertex and face normal per batch, from tables kept
// between batches: after a large batch (UpdateAll), after the small ones that follow each
// collapse, and at vertices with many faces, each operation's values are those of its ends.
TEST(ArrayOperationEdge, CurvenessAgreesWithTheEndsThroughCollapses)
{
  for (const int rim : {5, 40}) {
    auto mesh = WavyBipyramid(rim);
    auto torus = Torus(24);
    Perturb(*torus, 0.05f);
    for (CMesh3d* m : {mesh.get(), torus.get()}) {
      CArrayOperationEdge array;
      array.Fill(m);
      array.UpdateAll();
      ExpectMeasuresOfTheEnds(array);
      for (int collapsed = 0; collapsed < 20 && m->NbVertex() > 8;) {
        OperationPtr o(array.ExtractMin());
        ASSERT_NE(o, nullptr);
        CVertex3d* p = o->GetFirst();
        CVertex3d* q = o->GetSecond();
        std::unique_ptr<CVertex3d> middle(Midpoint(p, q));
        if (!array.Collapse(m, p, q, middle.get()))
          continue;
        collapsed++;
        // Only the operations around the survivor were renewed; the others kept measures
        // that still hold, since nothing moved around them.
        ExpectMeasuresOfTheEnds(array);
      }
      // A large batch again after small ones.
      array.UpdateAll();
      ExpectMeasuresOfTheEnds(array);
    }
  }
}

// A vertex moved by hand, then updated around: its curveness and its neighbours' are measured
// again (the faces around them turned), while the ends two rings away keep theirs. Each
// operation's measures are those of its ends, and the normals of the faces around the moved
// vertex are those of the new position.
TEST(ArrayOperationEdge, UpdateAroundAMovedVertexMeasuresItsRingAgain)
{
  auto mesh = Torus(12);
  Perturb(*mesh, 0.03f);
  CArrayOperationEdge array;
  array.Fill(mesh.get());
  array.UpdateAll();
  for (const int i : {0, 40, 77}) {
    CVertex3d* v = mesh->GetVertex(i);
    v->Move(0.0f, 0.4f, 0.1f);
    // Valence 6 everywhere: the 7 vertices have 42 edge ends, and the 12 edges among them
    // count twice.
    EXPECT_EQ(array.UpdateAroundVertex(v), 42 - 12);
    ExpectMeasuresOfTheEnds(array);
    for (int k = 0; k < v->NbFaceNeighbor(); k++) {
      CFace3d* f = v->GetFaceNeighbor(k);
      const CVector3d stored = *f->GetNormal();
      f->CalculateNormal();
      EXPECT_EQ(stored.x(), f->GetNormal()->x());
      EXPECT_EQ(stored.y(), f->GetNormal()->y());
      EXPECT_EQ(stored.z(), f->GetNormal()->z());
    }
  }
  // The curveness of the array's operations orders them once asked for.
  array.SetPotential(1);
  ExpectMeasuresOfTheEnds(array);
  OperationPtr first(array.ExtractMin());
  ASSERT_NE(first, nullptr);
  for (int i = 0; i < array.GetSize(); i++)
    ASSERT_LE(first->GetCurveness(), array.GetAt(i)->GetCurveness());
}

namespace {
// The index of the least potential among the array's operations, the first of equal ones.
int LeastByScan(const CArrayOperationEdge& array)
{
  int best = -1;
  for (int i = 0; i < array.GetSize(); i++)
    if (best < 0 || array.GetAt(i)->GetPotential() < array.GetAt(best)->GetPotential())
      best = i;
  return best;
}

using EndsList = std::vector<std::pair<const CVertex3d*, const CVertex3d*>>;
using Extract = std::function<COperationEdge*(CArrayOperationEdge&)>;
using Scan = std::function<int(const CArrayOperationEdge&)>;

// A collapse loop in the order the extraction gives; with checkEachStep, every extraction is
// compared with the scan of the array (which closes the emptied slots each time). The collapsed
// edges in order.
EndsList CollapseInOrder(CMesh3d* pMesh, int collapses, bool checkEachStep, const Extract& extract,
                         const Scan& scan)
{
  CArrayOperationEdge array;
  array.Fill(pMesh);
  array.UpdateAll();
  EndsList collapsed;
  while (static_cast<int>(collapsed.size()) < collapses) {
    std::pair<const CVertex3d*, const CVertex3d*> expected{};
    if (checkEachStep) {
      const int least = scan(array);
      if (least >= 0)
        expected = {array.GetAt(least)->GetFirst(), array.GetAt(least)->GetSecond()};
    }
    OperationPtr o(extract(array));
    if (!o)
      break;
    if (checkEachStep) {
      EXPECT_EQ(o->GetFirst(), expected.first);
      EXPECT_EQ(o->GetSecond(), expected.second);
    }
    CVertex3d* p = o->GetFirst();
    CVertex3d* q = o->GetSecond();
    std::unique_ptr<CVertex3d> middle(Midpoint(p, q));
    if (array.Collapse(pMesh, p, q, middle.get()))
      collapsed.emplace_back(p, q);
  }
  return collapsed;
}

// The shortest-first loop on a perturbed torus.
EndsList CollapseShortest(CMesh3d* pMesh, int collapses, bool checkEachStep)
{
  return CollapseInOrder(
    pMesh, collapses, checkEachStep, [](CArrayOperationEdge& array) { return array.ExtractMin(); },
    LeastByScan);
}

// The passes of a threshold rising from start by step: the shortest operation under the first
// threshold that any is under, the first of equal lengths.
int ShortestUnderCurvenessByScan(const CArrayOperationEdge& array, double start, double step)
{
  for (double threshold = start; threshold <= 1.0;) {
    int best = -1;
    for (int i = 0; i < array.GetSize(); i++) {
      const COperationEdge* o = array.GetAt(i);
      if (o->GetCurveness() <= threshold && o->GetLength() < 1.7e308 &&
          (best < 0 || o->GetLength() < array.GetAt(best)->GetLength()))
        best = i;
    }
    if (best >= 0)
      return best;
    const double next = threshold + step;
    if (!(next > threshold))
      break;
    threshold = next;
  }
  return -1;
}

void ExpectSameVertices(const CMesh3d& a, const EndsList& inA, const CMesh3d& b, const EndsList& inB)
{
  ASSERT_EQ(inA.size(), inB.size());
  for (size_t i = 0; i < inA.size(); i++) {
    ASSERT_EQ(a.IndexFrom(inA[i].first), b.IndexFrom(inB[i].first)) << i;
    ASSERT_EQ(a.IndexFrom(inA[i].second), b.IndexFrom(inB[i].second)) << i;
  }
}
} // namespace

// Thousands of operations come and go: the emptied slots are closed up as the loop goes (or at
// each scan), and neither changes what comes out: the least potential, the oldest of equal ones.
// An operation turned invalid in the array is left out of an update around a vertex: it is
// not counted and its measures stay. The valid ones around the vertex are renewed with their
// ends' measures.
TEST(ArrayOperationEdge, UpdateAroundAVertexLeavesInvalidOperationsOut)
{
  auto mesh = Torus(12);
  Perturb(*mesh, 0.03f);
  CArrayOperationEdge array;
  array.Fill(mesh.get());
  array.UpdateAll();
  CVertex3d* v = mesh->GetVertex(40);
  // One operation at v and one between two of its neighbours go invalid.
  COperationEdge* atV = nullptr;
  COperationEdge* inRing = nullptr;
  for (int i = 0; i < array.GetSize(); i++) {
    COperationEdge* o = array.GetAt(i);
    if (!atV && o->HasVertex(v))
      atV = o;
    else if (!inRing && !o->HasVertex(v) && o->GetFirst()->IsNeighbor(v) &&
             o->GetSecond()->IsNeighbor(v))
      inRing = o;
  }
  ASSERT_NE(atV, nullptr);
  ASSERT_NE(inRing, nullptr);
  const double lengthAtV = atV->GetLength();
  atV->SetValid(0);
  inRing->SetValid(0);
  v->Move(0.0f, 0.3f, 0.0f);
  // Valence 6 everywhere: 30 operations around v (42 edge ends, 12 edges counted twice), two
  // of them invalid.
  EXPECT_EQ(array.UpdateAroundVertex(v), 30 - 2);
  EXPECT_EQ(atV->GetLength(), lengthAtV);
  ExpectMeasuresOfTheEnds(array);
}

TEST(ArrayOperationEdge, ExtractionOrderHoldsThroughClosingUpSlots)
{
  auto scanned = Torus(40);
  Perturb(*scanned, 0.02f);
  auto plain = Torus(40);
  Perturb(*plain, 0.02f);
  ASSERT_GT(3 * plain->NbVertex(), 4096);
  const EndsList byScan = CollapseShortest(scanned.get(), 1200, true);
  const EndsList byLoop = CollapseShortest(plain.get(), 1200, false);
  ASSERT_EQ(byScan.size(), 1200u);
  ExpectSameVertices(*plain, byLoop, *scanned, byScan);
  EXPECT_EQ(plain->NbVertex(), 1600 - 1200);
}

// The search by a rising curveness threshold keeps its queue from one extraction to the next
// while collapses renew the operations around them; it takes what the passes over every
// operation take, on a torus of varied curveness and on a scanned mesh, for thresholds that
// land on 1.0, step over it or start above most of the curveness.
TEST(ArrayOperationEdge, ShortestUnderCurvenessAgreesWithThePassesThroughCollapses)
{
  const std::vector<std::function<std::unique_ptr<CMesh3d>()>> meshes = {
    [] {
      auto torus = Torus(24);
      Perturb(*torus, 0.05f);
      return torus;
    },
    [] { return ReadTestObj("bunny3674.obj"); }};
  for (const auto& [start, step] : std::vector<std::pair<double, double>>{{0.1, 0.1}, {0.0, 0.03}, {0.5, 0.2}}) {
    for (const auto& make : meshes) {
      auto scanned = make();
      auto plain = make();
      ASSERT_NE(plain, nullptr);
      const int collapses = plain->NbVertex() / 3;
      const Extract extract = [start, step](CArrayOperationEdge& array) {
        return array.ExtractShortestUnderCurveness(start, step);
      };
      const Scan scan = [start, step](const CArrayOperationEdge& array) {
        return ShortestUnderCurvenessByScan(array, start, step);
      };
      const EndsList byScan = CollapseInOrder(scanned.get(), collapses, true, extract, scan);
      const EndsList byLoop = CollapseInOrder(plain.get(), collapses, false, extract, scan);
      EXPECT_GT(byLoop.size(), static_cast<size_t>(collapses) / 2) << start << " " << step;
      ExpectSameVertices(*plain, byLoop, *scanned, byScan);
    }
  }
}
