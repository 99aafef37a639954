// The neighbour orders of CQuadMesh3d::BuildAdjacency, checked against an independent, plain
// implementation of the rules:
//   vertex quads:    quads in quad-array order, each once per vertex;
//   vertex vertices: for each of its quads in order, the corners after and before the vertex's
//                    first corner there, each once (a degenerate quad may name the vertex);
//   quad k:          first other quad in corner k's list holding corners k, k+1 as an edge,
//                    in either direction.
// Catmull-Clark and Kobbelt steps link their quads from the corners they create; the result
// must be the one a full build of the same quads gives.
#include "mesh/QuadMesh3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

using Vertex = const CQuadVertex3d*;
using Quad = const CQuad3d*;

template <class T>
bool Holds(const std::vector<T>& list, T p)
{
  return std::find(list.begin(), list.end(), p) != list.end();
}

bool HoldsEdge(Quad q, Vertex a, Vertex b)
{
  for (int i = 0; i < 4; i++)
    if ((q->v(i) == a && q->v(i + 1) == b) || (q->v(i) == b && q->v(i + 1) == a))
      return true;
  return false;
}

struct SLists
{
  std::vector<std::vector<Quad>> quads;        // per vertex slot
  std::vector<std::vector<Vertex>> vertices;   // per vertex slot
  std::vector<std::array<Quad, 4>> across;     // per quad slot
};

SLists Expected(const CQuadMesh3d& mesh)
{
  std::map<Vertex, std::vector<Quad>> quads;
  for (int i = 0; i < mesh.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      if (!Holds(quads[mesh.GetQuad(i)->v(k)], static_cast<Quad>(mesh.GetQuad(i))))
        quads[mesh.GetQuad(i)->v(k)].push_back(mesh.GetQuad(i));
  SLists e;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    Vertex v = mesh.GetVertex(i);
    std::vector<Vertex> neighbors;
    for (Quad q : quads[v]) {
      int j = 0;
      while (q->v(j) != v)
        j++;
      for (Vertex b : {static_cast<Vertex>(q->v(j + 1)), static_cast<Vertex>(q->v(j + 3))})
        if (!Holds(neighbors, b))
          neighbors.push_back(b);
    }
    e.quads.push_back(quads[v]);
    e.vertices.push_back(neighbors);
  }
  for (int i = 0; i < mesh.NbQuad(); i++) {
    Quad q = mesh.GetQuad(i);
    std::array<Quad, 4> across{};
    for (int k = 0; k < 4; k++)
      for (Quad g : quads[q->v(k)])
        if (!across[k] && g != q && HoldsEdge(g, q->v(k), q->v(k + 1)))
          across[k] = g;
    e.across.push_back(across);
  }
  return e;
}

SLists Actual(const CQuadMesh3d& mesh)
{
  SLists a;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CQuadVertex3d* v = mesh.GetVertex(i);
    std::vector<Quad> quads;
    for (int j = 0; j < v->NbQuadNeighbor(); j++)
      quads.push_back(v->GetQuadNeighbor(j));
    std::vector<Vertex> neighbors;
    for (int j = 0; j < v->NbVertexNeighbor(); j++)
      neighbors.push_back(v->GetVertexNeighbor(j));
    a.quads.push_back(quads);
    a.vertices.push_back(neighbors);
  }
  for (int i = 0; i < mesh.NbQuad(); i++) {
    const CQuad3d* q = mesh.GetQuad(i);
    a.across.push_back({q->f(0), q->f(1), q->f(2), q->f(3)});
  }
  return a;
}

void ExpectListsFollowRules(const CQuadMesh3d& mesh, const char* label)
{
  const SLists e = Expected(mesh);
  const SLists a = Actual(mesh);
  for (int i = 0; i < mesh.NbVertex(); i++) {
    EXPECT_EQ(a.quads[i], e.quads[i]) << label << ": quads of vertex " << i;
    EXPECT_EQ(a.vertices[i], e.vertices[i]) << label << ": vertices of vertex " << i;
  }
  for (int i = 0; i < mesh.NbQuad(); i++)
    EXPECT_EQ(a.across[i], e.across[i]) << label << ": quad " << i;
}

void AddQuads(CQuadMesh3d& mesh, const std::vector<std::array<float, 3>>& points,
              const std::vector<std::array<int, 4>>& quads)
{
  const int base = mesh.NbVertex();
  for (const auto& p : points)
    mesh.AddVertex(new CQuadVertex3d(p[0], p[1], p[2]));
  for (const auto& q : quads)
    mesh.AddQuad(new CQuad3d(mesh.GetVertex(base + q[0]), mesh.GetVertex(base + q[1]),
                             mesh.GetVertex(base + q[2]), mesh.GetVertex(base + q[3])));
}

// Quads over random corners of a few vertices: repeated corners, edges shared by three or
// more quads, quads of both orientations and quads that hold two vertices as opposite corners.
void AddRandomQuads(CQuadMesh3d& mesh, int nbVertex, int nbQuad, unsigned seed)
{
  std::mt19937 random(seed);
  std::vector<std::array<float, 3>> points;
  for (int i = 0; i < nbVertex; i++)
    points.push_back({float(i), float(i % 3), 0.0f});
  std::vector<std::array<int, 4>> quads;
  std::uniform_int_distribution<int> corner(0, nbVertex - 1);
  for (int i = 0; i < nbQuad; i++)
    quads.push_back({corner(random), corner(random), corner(random), corner(random)});
  AddQuads(mesh, points, quads);
}

TEST(QuadAdjacency, GeneratedShapesFollowTheRules)
{
  CQuadMesh3d box;
  box.GenerateBox();
  ExpectListsFollowRules(box, "box");
  CQuadMesh3d mushroom;
  mushroom.GenerateMushroom();
  ExpectListsFollowRules(mushroom, "mushroom");
  // Three quads on one edge: the first other one in the list wins.
  CQuadMesh3d book;
  AddQuads(book, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, -1, 0}, {0, -1, 0},
                  {1, 0, 1}, {0, 0, 1}},
           {{0, 1, 2, 3}, {1, 0, 5, 4}, {0, 1, 6, 7}});
  ASSERT_EQ(book.BuildAdjacency(), 1);
  ExpectListsFollowRules(book, "book");
  EXPECT_EQ(book.GetQuad(0)->f(0), book.GetQuad(1));
  EXPECT_EQ(book.GetQuad(2)->f(0), book.GetQuad(0));
}

TEST(QuadAdjacency, RandomSoupsWithDegenerateQuadsFollowTheRules)
{
  for (unsigned seed = 1; seed <= 20; seed++) {
    CQuadMesh3d mesh;
    AddRandomQuads(mesh, 6 + static_cast<int>(seed % 5), 12, seed);
    ASSERT_EQ(mesh.BuildAdjacency(), 1);
    ExpectListsFollowRules(mesh, "soup");
    // A second build over lists that already hold values gives the same.
    ASSERT_EQ(mesh.BuildAdjacency(), 1);
    ExpectListsFollowRules(mesh, "soup again");
  }
}

// A quad listed twice, a vertex listed twice and a corner the mesh does not list leave the
// indexed build for the plain one, with the same lists.
TEST(QuadAdjacency, IrregularArraysFollowTheRules)
{
  CQuadMesh3d twiceQuad;
  twiceQuad.GenerateBox();
  twiceQuad.AddQuad(twiceQuad.GetQuad(2));
  ASSERT_EQ(twiceQuad.BuildAdjacency(), 1);
  ExpectListsFollowRules(twiceQuad, "quad twice");
  twiceQuad.GetArrayQuad()->RemoveAt(6);

  CQuadMesh3d twiceVertex;
  twiceVertex.GenerateBox();
  twiceVertex.AddVertex(twiceVertex.GetVertex(3));
  ASSERT_EQ(twiceVertex.BuildAdjacency(), 1);
  ExpectListsFollowRules(twiceVertex, "vertex twice");
  EXPECT_EQ(twiceVertex.GetVertex(3)->NbQuadNeighbor(), 3);
  twiceVertex.GetArrayVertex()->RemoveAt(8);

  CQuadVertex3d outsider(5, 5, 5);  // outlives the mesh whose quad uses it
  CQuadMesh3d unlisted;
  unlisted.GenerateBox();
  unlisted.AddQuad(new CQuad3d(unlisted.GetVertex(0), unlisted.GetVertex(1), &outsider,
                               unlisted.GetVertex(4)));
  ASSERT_EQ(unlisted.BuildAdjacency(), 1);
  ExpectListsFollowRules(unlisted, "unlisted corner");
  EXPECT_EQ(outsider.NbQuadNeighbor(), 1);
}

TEST(QuadAdjacency, CornersThatDoNotFitFallBackToAFullBuild)
{
  CQuadMesh3d mesh;
  mesh.GenerateMushroom();
  const SLists built = Actual(mesh);
  // Too few corners, and an index beyond the vertex array.
  EXPECT_EQ(mesh.BuildAdjacencyFromCorners(std::vector<int>(4, 0)), 1);
  EXPECT_EQ(Actual(mesh).across, built.across);
  std::vector<int> corners;
  for (int i = 0; i < mesh.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      corners.push_back(i == 3 && k == 1 ? mesh.NbVertex() : 0);
  EXPECT_EQ(mesh.BuildAdjacencyFromCorners(corners), 1);
  ExpectListsFollowRules(mesh, "corner out of range");
  EXPECT_EQ(Actual(mesh).quads, built.quads);
}

using Step = void (CQuadMesh3d::*)();

std::vector<float> QuadNormals(const CQuadMesh3d& mesh)
{
  std::vector<float> normals;
  for (int i = 0; i < mesh.NbQuad(); i++) {
    const CVector3d* n = mesh.GetQuad(i)->GetNormal();
    normals.insert(normals.end(), {n->x(), n->y(), n->z()});
  }
  return normals;
}

// Two steps (the second starts from the adjacency the first one linked), each compared with a
// full build of the same quads; the normals the step gave are those computed afresh.
void ExpectStepsMatchAFullBuild(CQuadMesh3d& mesh, Step step, const char* label)
{
  for (int run = 0; run < 2; run++) {
    const int nbQuad = mesh.NbQuad();
    (mesh.*step)();
    ASSERT_EQ(mesh.NbQuad(), 4 * nbQuad) << label;
    ExpectListsFollowRules(mesh, label);
    const std::vector<float> normals = QuadNormals(mesh);
    mesh.CalculateNormals();
    EXPECT_TRUE(normals == QuadNormals(mesh)) << label;
  }
}

TEST(QuadAdjacency, SubdivisionStepsMatchAFullBuild)
{
  for (const Step step : {&CQuadMesh3d::SubdivisionCatmullClark, &CQuadMesh3d::SubdivisionKobbelt}) {
    CQuadMesh3d box;
    box.GenerateBox();
    ExpectStepsMatchAFullBuild(box, step, "box");
    CQuadMesh3d mushroom;
    mushroom.GenerateMushroom();
    ExpectStepsMatchAFullBuild(mushroom, step, "mushroom");
    // Every edge of a closed box keeps a quad on each side.
    for (int i = 0; i < box.NbQuad(); i++)
      EXPECT_EQ(box.GetQuad(i)->NbFaceNeighbor(), 4);
  }
}

// A torus of n by m quads, every vertex of valence 4; `flip` reverses every other row, so that
// neighbours across those rows hold their shared edge in the same direction.
void AddTorus(CQuadMesh3d& mesh, int n, int m, bool flip)
{
  std::vector<std::array<float, 3>> points;
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      const double u = 6.283185307179586 * i / n;
      const double v = 6.283185307179586 * j / m;
      const double r = 2.0 + 0.7 * std::cos(v) + 0.01 * i;
      points.push_back({float(r * std::cos(u)), float(0.7 * std::sin(v)), float(r * std::sin(u))});
    }
  std::vector<std::array<int, 4>> quads;
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      const int a = j * n + i, b = j * n + (i + 1) % n;
      const int c = ((j + 1) % m) * n + (i + 1) % n, d = ((j + 1) % m) * n + i;
      if (flip && j % 2)
        quads.push_back({a, b, c, d});
      else
        quads.push_back({a, d, c, b});
    }
  AddQuads(mesh, points, quads);
}

// A disc of `sides` quads around vertex 0: its centre has valence `sides`, more than a vertex
// keeps without a list of its own.
void AddFan(CQuadMesh3d& mesh, int sides)
{
  std::vector<std::array<float, 3>> points = {{0, 0, 0}};
  for (int i = 0; i < 2 * sides; i++) {
    const double a = 3.141592653589793 * i / sides;
    const double r = i % 2 ? 1.5 : 1.0;
    points.push_back({float(r * std::cos(a)), float(r * std::sin(a)), float(0.1 * (i % 3))});
  }
  std::vector<std::array<int, 4>> quads;
  for (int i = 0; i < sides; i++)
    quads.push_back({0, 1 + 2 * i, 2 + 2 * i, 1 + (2 * i + 2) % (2 * sides)});
  AddQuads(mesh, points, quads);
}

// Meshes whose steps link the new elements from the old adjacency: closed and open, of both
// orientations across an edge, with a vertex of high valence, several parts and a vertex in
// no quad. Each result is compared with the rules applied to the corners.
TEST(QuadAdjacency, LinkedStepsOfCleanMeshesFollowTheRules)
{
  for (const Step step : {&CQuadMesh3d::SubdivisionCatmullClark, &CQuadMesh3d::SubdivisionKobbelt}) {
    CQuadMesh3d torus;
    AddTorus(torus, 5, 4, false);
    torus.BuildAdjacency();
    ExpectStepsMatchAFullBuild(torus, step, "torus");
    CQuadMesh3d flipped;
    AddTorus(flipped, 4, 6, true);
    flipped.BuildAdjacency();
    ExpectStepsMatchAFullBuild(flipped, step, "torus with flipped rows");
    CQuadMesh3d fan;
    AddFan(fan, 7);
    fan.BuildAdjacency();
    ExpectStepsMatchAFullBuild(fan, step, "fan");
    EXPECT_EQ(fan.GetVertex(0)->NbVertexNeighbor(), 7);
    EXPECT_EQ(fan.GetVertex(0)->NbQuadNeighbor(), 7);
    CQuadMesh3d parts;
    parts.GenerateMushroom();
    AddFan(parts, 5);
    parts.AddVertex(new CQuadVertex3d(9, 9, 9));
    parts.BuildAdjacency();
    ExpectStepsMatchAFullBuild(parts, step, "two parts and a lone vertex");
    EXPECT_EQ(parts.GetVertex(12 + 11)->NbQuadNeighbor(), 0);
  }
}

// On a closed torus of valence 4, Catmull-Clark keeps valence 4 everywhere: every vertex has
// four quads and four neighbours, every quad four neighbours, each of which points back.
TEST(QuadAdjacency, LinkedStepOfATorusIsSymmetric)
{
  CQuadMesh3d torus;
  AddTorus(torus, 6, 5, true);
  torus.BuildAdjacency();
  torus.SubdivisionCatmullClark();
  ASSERT_EQ(torus.NbQuad(), 4 * 30);
  ASSERT_EQ(torus.NbVertex(), 30 + 30 + 60);
  for (int i = 0; i < torus.NbVertex(); i++) {
    EXPECT_EQ(torus.GetVertex(i)->NbQuadNeighbor(), 4) << i;
    EXPECT_EQ(torus.GetVertex(i)->NbVertexNeighbor(), 4) << i;
  }
  for (int i = 0; i < torus.NbQuad(); i++) {
    const CQuad3d* quad = torus.GetQuad(i);
    for (int k = 0; k < 4; k++) {
      ASSERT_NE(quad->f(k), nullptr) << i;
      EXPECT_TRUE(quad->f(k)->HasNeighbor(quad)) << i << " " << k;
      EXPECT_GE(quad->f(k)->IndexEdge(quad->v(k), quad->v(k + 1)), 0) << i << " " << k;
    }
  }
}

// Meshes whose old adjacency does not pair every edge: an edge of three quads, degenerate
// quads, an adjacency left stale by an edit, a neighbour that does not hold the edge. The step
// cannot trust it for the links and builds them from the corners instead.
TEST(QuadAdjacency, StepsOfMeshesThatCannotBeLinkedFollowTheRules)
{
  for (const Step step : {&CQuadMesh3d::SubdivisionCatmullClark, &CQuadMesh3d::SubdivisionKobbelt}) {
    CQuadMesh3d book;
    AddQuads(book, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, -1, 0}, {0, -1, 0},
                    {1, 0, 1}, {0, 0, 1}},
             {{0, 1, 2, 3}, {1, 0, 5, 4}, {0, 1, 6, 7}});
    book.BuildAdjacency();
    ExpectStepsMatchAFullBuild(book, step, "book");

    for (unsigned seed = 1; seed <= 6; seed++) {
      CQuadMesh3d soup;
      AddRandomQuads(soup, 7, 6, seed);
      soup.BuildAdjacency();
      (soup.*step)();
      ExpectListsFollowRules(soup, "soup");
    }

    // One quad forgets its neighbour; the other still names it.
    CQuadMesh3d stale;
    stale.GenerateBox();
    stale.GetQuad(0)->SetF(0, nullptr);
    (stale.*step)();
    ExpectListsFollowRules(stale, "one side forgot");

    // Both sides forget: the step cuts the box open along that edge.
    CQuadMesh3d cut;
    cut.GenerateBox();
    CQuad3d* q0 = cut.GetQuad(0);
    CQuad3d* q1 = q0->f(0);
    ASSERT_NE(q1, nullptr);
    q1->SetF(q1->IndexEdge(q0->v(0), q0->v(1)), nullptr);
    q0->SetF(0, nullptr);
    (cut.*step)();
    ExpectListsFollowRules(cut, "both sides forgot");
    EXPECT_EQ(cut.NbVertex(), 8 + 6 + 12 + 1);

    // A neighbour that does not hold the edge at all.
    CQuadMesh3d wrong;
    wrong.GenerateBox();
    wrong.GetQuad(0)->SetF(1, wrong.GetQuad(2));
    (wrong.*step)();
    ExpectListsFollowRules(wrong, "neighbour without the edge");
  }
}

// A step over a mesh that lists a vertex twice, or whose quads use an unlisted vertex, cannot
// name the corners by index: it builds the plain way, with the same lists.
TEST(QuadAdjacency, SubdivisionOfIrregularArraysMatchesAFullBuild)
{
  CQuadMesh3d twiceVertex;
  twiceVertex.GenerateBox();
  twiceVertex.AddVertex(twiceVertex.GetVertex(5));
  twiceVertex.BuildAdjacency();
  twiceVertex.SubdivisionCatmullClark();
  ExpectListsFollowRules(twiceVertex, "vertex twice");
  twiceVertex.GetArrayVertex()->RemoveAt(8);

  CQuadVertex3d outsider(0, 0, 9);  // outlives the mesh whose quads use it
  CQuadMesh3d unlisted;
  unlisted.GenerateMushroom();
  unlisted.AddQuad(new CQuad3d(unlisted.GetVertex(8), unlisted.GetVertex(9), &outsider,
                               unlisted.GetVertex(10)));
  unlisted.BuildAdjacency();
  unlisted.SubdivisionCatmullClark();
  ExpectListsFollowRules(unlisted, "unlisted corner");
  // The outsider stays where it was: only the vertices the mesh lists move.
  EXPECT_EQ(outsider.z(), 9.0f);
}

// The quads and vertices a step creates live in blocks of the mesh, beside the ones handed in:
// freeing, reading a file over them and subdividing again release each exactly once (the
// sanitizer build checks for leaks and double frees).
TEST(QuadAdjacency, StepElementsAndHandedInElementsAreFreedOnce)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  mesh.SubdivisionCatmullClark();
  mesh.AddVertex(new CQuadVertex3d(3, 3, 3));
  mesh.AddQuad(new CQuad3d(mesh.GetVertex(0), mesh.GetVertex(1), mesh.GetVertex(2),
                           mesh.GetVertex(mesh.NbVertex() - 1)));
  mesh.SubdivisionKobbelt();
  EXPECT_EQ(mesh.NbQuad(), 4 * 25);
  mesh.Free();
  EXPECT_EQ(mesh.NbVertex(), 0);
  EXPECT_EQ(mesh.NbQuad(), 0);
  mesh.GenerateMushroom();
  mesh.SubdivisionCatmullClark();
  EXPECT_EQ(mesh.NbQuad(), 36);
  ExpectListsFollowRules(mesh, "after free");
}

} // namespace
