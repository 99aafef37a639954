// The exact neighbour orders of BuildAdjacency, checked against an independent, plain
// implementation of the rules: the coders' streams depend on these orders.
//   vertex faces:    faces in face-array order, corners 0..2, each face once per vertex;
//   vertex vertices: corners of the vertex's faces in that order, without itself or repeats;
//   face k:          first other face in corner k's face list that holds corner k+1.
// Faces with an empty corner (and empty face slots) take part in nothing.
#include "MeshFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <vector>

namespace {

struct SExpected
{
  std::map<const CVertex3d*, std::vector<const CFace3d*>> faces;
  std::map<const CVertex3d*, std::vector<const CVertex3d*>> vertices;
  std::vector<std::array<const CFace3d*, 3>> across;  // per face slot
};

template <class T>
bool Holds(const std::vector<T>& list, T p)
{
  return std::find(list.begin(), list.end(), p) != list.end();
}

bool HasCorner(const CFace3d* g, const CVertex3d* v)
{
  return g->v(0) == v || g->v(1) == v || g->v(2) == v;
}

bool Usable(const CFace3d* f) { return f && f->v(0) && f->v(1) && f->v(2); }

SExpected Expected(const CMesh3d& mesh)
{
  SExpected e;
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    if (!Usable(f))
      continue;
    for (int k = 0; k < 3; k++)
      if (!Holds(e.faces[f->v(k)], f))
        e.faces[f->v(k)].push_back(f);
  }
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    auto& list = e.vertices[v];
    for (const CFace3d* f : e.faces[v])
      for (int k = 0; k < 3; k++)
        if (f->v(k) != v && !Holds(list, static_cast<const CVertex3d*>(f->v(k))))
          list.push_back(f->v(k));
  }
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    std::array<const CFace3d*, 3> across{nullptr, nullptr, nullptr};
    for (int k = 0; Usable(f) && k < 3; k++)
      for (const CFace3d* g : e.faces[f->v(k)])
        if (!across[k] && g != f && HasCorner(g, f->v((k + 1) % 3)))
          across[k] = g;
    e.across.push_back(across);
  }
  return e;
}

template <class T>
std::vector<const T*> Listed(const CNeighborList<T>* pArray)
{
  std::vector<const T*> list;
  for (int i = 0; i < pArray->GetSize(); i++)
    list.push_back(pArray->GetAt(i));
  return list;
}

// Compares every list of the mesh, as it stands, with the rules.
void ExpectListsFollowRules(const CMesh3d& mesh)
{
  const SExpected e = Expected(mesh);
  for (int i = 0; i < mesh.NbVertex(); i++) {
    CVertex3d* v = mesh.GetVertex(i);
    const auto faces = e.faces.find(v);
    EXPECT_EQ(Listed(v->GetArrayFaceNeighbor()),
              faces == e.faces.end() ? std::vector<const CFace3d*>() : faces->second)
      << "faces of vertex " << i;
    EXPECT_EQ(Listed(v->GetArrayVertexNeighbor()), e.vertices.at(v)) << "vertices of vertex " << i;
  }
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    for (int k = 0; f && k < 3; k++)
      EXPECT_EQ(f->f(k), e.across[i][k]) << "face " << i << " edge " << k;
  }
}

// Builds twice (the second time over lists that already hold values) and compares.
void ExpectRuleOrders(CMesh3d* mesh)
{
  for (int pass = 0; pass < 2; pass++) {
    ASSERT_EQ(mesh->BuildAdjacency(), 1);
    ExpectListsFollowRules(*mesh);
  }
}

std::unique_ptr<CMesh3d> Torus(int n, int m)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      const float u = 6.2831855f * i / n;
      const float v = 6.2831855f * j / m;
      points.push_back({(2 + std::cos(v)) * std::cos(u), (2 + std::cos(v)) * std::sin(u),
                        std::sin(v)});
    }
  auto at = [n, m](int i, int j) { return (i % n) * m + (j % m); };
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
  return fixtures::Build(points, triangles, false);
}

// Triangles drawn at random over a few vertices: non-manifold edges and vertices, duplicate
// and reversed faces, and faces with a repeated corner all occur.
std::unique_ptr<CMesh3d> Soup(int nbVertex, int nbFace, unsigned seed)
{
  std::mt19937 random(seed);
  fixtures::Points points;
  for (int i = 0; i < nbVertex; i++)
    points.push_back({static_cast<float>(i), static_cast<float>(i * i % 7), 0});
  fixtures::Triangles triangles;
  std::uniform_int_distribution<int> pick(0, nbVertex - 1);
  for (int i = 0; i < nbFace; i++) {
    std::array<int, 3> t{pick(random), pick(random), pick(random)};
    triangles.push_back(t);
    if (i % 11 == 0)
      triangles.push_back({t[2], t[1], t[0]});
  }
  return fixtures::Build(points, triangles, false);
}

} // namespace

TEST(AdjacencyOrder, ClosedMeshes)
{
  ExpectRuleOrders(fixtures::Icosphere(2).get());
  ExpectRuleOrders(fixtures::Tetrahedron().get());
  ExpectRuleOrders(Torus(12, 7).get());
}

TEST(AdjacencyOrder, OpenGridAndFan)
{
  CMesh3d grid;
  ASSERT_EQ(grid.GenerateMap(9, 6, -1.0f, 1.0f), 1);
  ExpectRuleOrders(&grid);
  ExpectRuleOrders(fixtures::Fan(7).get());
}

TEST(AdjacencyOrder, NonManifoldEdgesAndVertices)
{
  ExpectRuleOrders(fixtures::NonManifoldEdge().get());
  // Four faces on edge 0-1 in both orientations, and a second fan touching vertex 0 only.
  auto mesh = fixtures::Build(
    {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {-1, 1, 0}},
    {{2, 0, 1}, {1, 0, 3}, {0, 1, 4}, {5, 1, 0}, {0, 6, 7}, {3, 6, 0}}, false);
  ExpectRuleOrders(mesh.get());
  const CFace3d* f3 = mesh->GetFace(3);
  EXPECT_EQ(f3->f(1), mesh->GetFace(0));  // edge 1-0: first other face in vertex 1's list
}

TEST(AdjacencyOrder, DuplicateAndDegenerateFaces)
{
  // The tetrahedron with face 0 again, the same face reversed, and two faces with a
  // repeated corner (collapsed faces wait in the array until they are removed).
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                              {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}, {0, 2, 1}, {1, 2, 0},
                               {2, 2, 3}, {3, 3, 3}},
                              false);
  ExpectRuleOrders(mesh.get());
  EXPECT_EQ(mesh->GetVertex(2)->NbFaceNeighbor(), 6);
  EXPECT_EQ(mesh->GetVertex(3)->NbVertexNeighbor(), 3);
}

TEST(AdjacencyOrder, RandomSoups)
{
  for (unsigned seed = 1; seed <= 6; seed++) {
    SCOPED_TRACE(seed);
    ExpectRuleOrders(Soup(seed < 4 ? 6 : 40, 150, seed).get());
  }
}

// Enough faces for the build to note the faces across and link them in a last pass.
TEST(AdjacencyOrder, MeshesLinkedAfterTheLists)
{
  ExpectRuleOrders(Torus(64, 40).get());
  for (unsigned seed = 7; seed <= 8; seed++) {
    SCOPED_TRACE(seed);
    ExpectRuleOrders(Soup(seed == 7 ? 90 : 900, 4500, seed).get());
  }
}

// A closed fan around vertex 0 that stands at corner 0, 1, 2 and 0 of its faces, then a face
// (0, 0, 1) with a repeated corner; `filler` faces of a separate strip follow, so that with
// enough of them the faces across are noted and linked after the lists.
std::unique_ptr<CMesh3d> RotatedFan(int filler)
{
  fixtures::Points points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  fixtures::Triangles triangles{{0, 1, 2}, {3, 0, 2}, {3, 4, 0}, {0, 4, 1}, {0, 0, 1}};
  for (int i = 0; i < filler / 2 + 2; i++) {
    points.push_back({static_cast<float>(i), 5, 0});
    points.push_back({static_cast<float>(i), 6, 0});
  }
  for (int i = 0; i < filler / 2; i++) {
    const int b = 5 + 2 * i;
    triangles.push_back({b, b + 2, b + 1});
    triangles.push_back({b + 1, b + 2, b + 3});
  }
  return fixtures::Build(points, triangles, false);
}

TEST(AdjacencyOrder, AVertexAtEveryCornerOfItsFaces)
{
  for (const int filler : {0, 5000}) {
    SCOPED_TRACE(filler);
    auto mesh = RotatedFan(filler);
    ExpectRuleOrders(mesh.get());
    CVertex3d* hub = mesh->GetVertex(0);
    // Its neighbours come in corner order: 1, 2 of (0,1,2), then 3 of (3,0,2), 4 of (3,4,0).
    std::vector<const CVertex3d*> ring;
    for (int i = 1; i <= 4; i++)
      ring.push_back(mesh->GetVertex(i));
    EXPECT_EQ(Listed(hub->GetArrayVertexNeighbor()), ring);
    EXPECT_EQ(hub->NbFaceNeighbor(), 5);
    // Across each edge from the hub: the first other of its faces that holds the far end.
    EXPECT_EQ(mesh->GetFace(0)->f(0), mesh->GetFace(3));  // 0-1
    EXPECT_EQ(mesh->GetFace(1)->f(1), mesh->GetFace(0));  // 0-2
    EXPECT_EQ(mesh->GetFace(2)->f(2), mesh->GetFace(1));  // 0-3
    EXPECT_EQ(mesh->GetFace(3)->f(0), mesh->GetFace(2));  // 0-4
    // The collapsed face: 0-0 takes the hub's first other face, 0-1 and 1-0 the first with 1.
    const CFace3d* collapsed = mesh->GetFace(4);
    EXPECT_EQ(collapsed->f(0), mesh->GetFace(0));
    EXPECT_EQ(collapsed->f(1), mesh->GetFace(0));
    EXPECT_EQ(collapsed->f(2), mesh->GetFace(0));
    // The strip stays apart from the fan.
    for (int i = 5; i < mesh->NbFace(); i++)
      for (int k = 0; k < 3; k++)
        EXPECT_TRUE(mesh->GetFace(i)->f(k) == nullptr || mesh->IndexFrom(mesh->GetFace(i)->f(k)) >= 5);
  }
}

TEST(AdjacencyOrder, EmptySlotsAndIncompleteFaces)
{
  auto mesh = fixtures::Octahedron();
  // A face that lost a corner (an undone creation) and an empty slot take no part.
  mesh->AddFace(new CFace3d(mesh->GetVertex(0), nullptr, mesh->GetVertex(4)));
  mesh->GetArrayFace()->Add(nullptr);
  mesh->AddVertex(new CVertex3d(5, 5, 5));  // isolated
  ExpectRuleOrders(mesh.get());
  EXPECT_EQ(mesh->GetVertex(6)->NbFaceNeighbor(), 0);
  EXPECT_EQ(mesh->GetVertex(6)->NbVertexNeighbor(), 0);
}

TEST(AdjacencyOrder, RepeatedElementsInTheArrays)
{
  // The same face or vertex twice in an array: each is still listed once.
  auto mesh = fixtures::Icosphere(1);
  mesh->GetArrayFace()->InsertAt(9, mesh->GetFace(30));
  mesh->GetArrayVertex()->InsertAt(3, mesh->GetVertex(20));
  ExpectRuleOrders(mesh.get());
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    std::vector<const CFace3d*> faces = Listed(v->GetArrayFaceNeighbor());
    std::sort(faces.begin(), faces.end());
    EXPECT_EQ(std::adjacent_find(faces.begin(), faces.end()), faces.end());
  }
  // The arrays own their elements once.
  mesh->GetArrayFace()->RemoveAt(9);
  mesh->GetArrayVertex()->RemoveAt(3);
}

TEST(AdjacencyOrder, ListsAfterSubdivisionAndSmoothing)
{
  // Each method ends with a rebuild; the orders then follow the rules on the new faces.
  auto loop = fixtures::Icosphere(1);
  loop->SubdivisionLoop();
  ExpectListsFollowRules(*loop);

  CMesh3d grid;
  grid.GenerateMap(5, 4, 0.0f, 1.0f);
  grid.Rebuild();
  grid.SubdivisionLoop();
  ExpectListsFollowRules(grid);

  auto plain = fixtures::Octahedron();
  plain->Subdivision();
  ExpectListsFollowRules(*plain);

  // After a V3 step the lists were kept up to date by local edits, in another order; the
  // smoothing's rebuild puts them back in rule order.
  auto smooth = fixtures::Icosphere(1);
  smooth->SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f);
  smooth->Smooth(1);
  ExpectListsFollowRules(*smooth);
}

TEST(AdjacencyOrder, FreshListsHaveTheRoomOfListsGrownByAdd)
{
  // Local edits after a rebuild (V3 steps, collapses) append to these lists. A fan of 14 faces
  // around one corner makes lists longer than a vertex holds in its own room.
  auto mesh = fixtures::Icosphere(2);
  CVertex3d* hub = mesh->GetVertex(0);
  const int rim = mesh->NbVertex();
  for (int k = 0; k < 14; k++)
    mesh->AddVertex(new CVertex3d(static_cast<float>(k), 5.0f, 0.0f));
  for (int k = 0; k < 14; k++)
    mesh->AddFace(new CFace3d(hub, mesh->GetVertex(rim + k), mesh->GetVertex(rim + (k + 1) % 14)));
  mesh->AddVertex(new CVertex3d(0, 0, 0));  // isolated: no storage beyond its room
  mesh->ClearVertexAdjacency();
  ASSERT_EQ(mesh->BuildAdjacency(), 1);
  ASSERT_GT(hub->NbFaceNeighbor(), 14);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    CVertex3d grown;
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      grown.AddFaceNeighbor(v->GetFaceNeighbor(j));
    for (int j = 0; j < v->NbVertexNeighbor(); j++)
      grown.AddVertexNeighbor(v->GetVertexNeighbor(j));
    EXPECT_EQ(v->GetArrayFaceNeighbor()->GetMaxSize(), grown.GetArrayFaceNeighbor()->GetMaxSize())
      << "vertex " << i;
    EXPECT_EQ(v->GetArrayVertexNeighbor()->GetMaxSize(),
              grown.GetArrayVertexNeighbor()->GetMaxSize())
      << "vertex " << i;
  }
}

TEST(AdjacencyOrder, RebuiltAfterFacesAreRemovedByFlag)
{
  // Faces and vertices shuffled in their arrays, so that neither array follows the order in
  // which the elements lie in memory (as after coding layers), large enough for the faces
  // across to be linked after the lists; then every fifth face and a band go by their flag.
  auto mesh = Torus(90, 60);
  std::mt19937 random(16);
  CArray3d<CFace3d>* faces = mesh->GetArrayFace();
  CArray3d<CVertex3d>* vertices = mesh->GetArrayVertex();
  for (int i = faces->GetSize() - 1; i > 0; i--)
    faces->Swap(i, std::uniform_int_distribution<int>(0, i)(random));
  for (int i = vertices->GetSize() - 1; i > 0; i--)
    vertices->Swap(i, std::uniform_int_distribution<int>(0, i)(random));
  ExpectRuleOrders(mesh.get());

  std::vector<const CFace3d*> kept;
  int flagged = 0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    CFace3d* f = mesh->GetFace(i);
    const bool removed = i % 5 == 2 || (i >= 4000 && i < 4400);
    f->SetFlag(removed ? 2 : 0);
    flagged += removed ? 1 : 0;
    if (!removed)
      kept.push_back(f);
  }
  // The closed torus links every edge twice: an edge opens where a kept face meets a removed one.
  int opened = 0;
  for (const CFace3d* f : kept)
    for (int k = 0; k < 3; k++)
      opened += f->f(k)->GetFlag() == 2 ? 1 : 0;
  EXPECT_EQ(mesh->RemoveFacesWithFlag(2), flagged);
  std::vector<const CFace3d*> left;
  for (int i = 0; i < mesh->NbFace(); i++)
    left.push_back(mesh->GetFace(i));
  EXPECT_EQ(left, kept);
  ASSERT_GT(mesh->NbFace(), 4096);
  ExpectRuleOrders(mesh.get());
  int open = 0;
  for (int i = 0; i < mesh->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      open += mesh->GetFace(i)->f(k) ? 0 : 1;
  EXPECT_GT(opened, 0);
  EXPECT_EQ(open, opened);
}
