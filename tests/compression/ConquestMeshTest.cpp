// The conquest's own index arrays of a mesh: the edges must be those CMesh3d::AddEdges would
// build, the face searches must answer as the vertices' own, and the flags must follow what
// the conquest marks.
#include "compression/ConquestFixtures.h"
#include "compression/ConquestMesh.h"
#include "mesh/Edge3d.h"
#include "mesh/Face3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// The mesh's own edges, from CMesh3d::AddEdges, as the oracle of the table's.
void ExpectEdgesOfAddEdges(CMesh3d& mesh, const CConquestMesh& table)
{
  mesh.AddEdges(0);
  for (int i = 0; i < mesh.NbVertex(); i++) {
    CVertex3d* v = mesh.GetVertex(i);
    EXPECT_EQ(table.GetRemaining(v), v->NbEdge()) << "vertex " << i;
    for (int j = 0; j < mesh.NbVertex(); j++) {
      const CVertex3d* w = mesh.GetVertex(j);
      EXPECT_EQ(table.HasEdge(v, w), v->FindEdge(w) ? 1 : 0) << i << " - " << j;
    }
  }
}

int IndexOfFace(const CMesh3d& mesh, const CFace3d* f)
{
  return f ? mesh.IndexFrom(f) : -1;
}

} // namespace

TEST(ConquestMesh, EdgesAreThoseOfTheNeighbourLists)
{
  auto mesh = fixtures::Icosphere(1);
  CConquestMesh table;
  table.Build(mesh.get());
  ASSERT_EQ(table.GetNbVertex(), mesh->NbVertex());
  ASSERT_EQ(table.GetNbFace(), mesh->NbFace());
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(table.IndexOf(mesh->GetVertex(i)), i);
  ExpectEdgesOfAddEdges(*mesh, table);

  // Lists that disagree: an edge stands where the earlier vertex lists the later one only.
  auto odd = fixtures::Octahedron();
  CVertex3d* a = odd->GetVertex(0);
  CVertex3d* b = a->GetVertexNeighbor(0);
  CVertex3d* c = a->GetVertexNeighbor(1);
  b->RemoveVertexNeighbor(a);
  a->RemoveVertexNeighbor(c);
  CConquestMesh oddTable;
  oddTable.Build(odd.get());
  ExpectEdgesOfAddEdges(*odd, oddTable);

  // Lists that name a neighbour no face joins: the lists still decide, so the two poles of
  // the octahedron share an edge that no face side gives.
  auto linked = fixtures::Octahedron();
  CVertex3d* pole = linked->GetVertex(0);
  CVertex3d* opposite = nullptr;
  for (int i = 1; i < linked->NbVertex(); i++)
    if (!pole->IsNeighbor(linked->GetVertex(i)))
      opposite = linked->GetVertex(i);
  ASSERT_NE(opposite, nullptr);
  pole->AddNeighbor(opposite);
  opposite->AddNeighbor(pole);
  CConquestMesh linkedTable;
  linkedTable.Build(linked.get());
  EXPECT_EQ(linkedTable.HasEdge(pole, opposite), 1);
  EXPECT_EQ(linkedTable.GetRemaining(pole), 5);
  ExpectEdgesOfAddEdges(*linked, linkedTable);
}

TEST(ConquestMesh, EdgesOfOpenMeshesAreFiledOnceAtEachEnd)
{
  // Inner edges are sides of two faces, border edges of one; each is filed once at either
  // end. Euler: E = V + F - 1 on the disc, E = V + F on the ring round the missing square.
  struct SCase
  {
    std::unique_ptr<CMesh3d> Mesh;
    int Holes;
  };
  SCase cases[] = {{conquest::Grid(2, 1), 0}, {conquest::Grid(3, 0, {4}), 1}};
  for (SCase& c : cases) {
    CMesh3d& mesh = *c.Mesh;
    CConquestMesh table;
    table.Build(&mesh);
    int slots = 0;
    for (int i = 0; i < mesh.NbVertex(); i++) {
      const CVertex3d* v = mesh.GetVertex(i);
      EXPECT_EQ(table.GetRemaining(i), v->NbVertexNeighbor()) << "vertex " << i;
      for (int k = 0; k < v->NbVertexNeighbor(); k++)
        EXPECT_EQ(table.HasEdge(v, v->GetVertexNeighbor(k)), 1) << i << " - " << k;
      slots += table.GetRemaining(i);
    }
    EXPECT_EQ(slots, 2 * (mesh.NbVertex() + mesh.NbFace() - 1 + c.Holes));
    ExpectEdgesOfAddEdges(mesh, table);
  }
}

TEST(ConquestMesh, ConqueringAnEdgeCountsOnce)
{
  auto mesh = fixtures::Octahedron();
  CConquestMesh table;
  table.Build(mesh.get());
  const int a = 0;
  const int b = table.IndexOf(mesh->GetVertex(0)->GetVertexNeighbor(0));
  EXPECT_EQ(table.GetRemaining(a), 4);
  EXPECT_EQ(table.IsConquered(a, b), 0);
  EXPECT_EQ(table.Conquer(b, a), 1);
  EXPECT_EQ(table.IsConquered(a, b), 1);
  EXPECT_EQ(table.IsConquered(b, a), 1);
  EXPECT_EQ(table.GetRemaining(a), 3);
  EXPECT_EQ(table.GetRemaining(b), 3);
  // Again, or between vertices that share no edge: nothing changes.
  EXPECT_EQ(table.Conquer(a, b), 0);
  int opposite = -1;
  for (int i = 1; i < mesh->NbVertex(); i++)
    if (!mesh->GetVertex(0)->IsNeighbor(mesh->GetVertex(i)))
      opposite = i;
  ASSERT_GE(opposite, 0);
  EXPECT_EQ(table.Conquer(a, opposite), 0);
  EXPECT_EQ(table.GetRemaining(a), 3);
  EXPECT_EQ(table.GetRemaining(opposite), 4);
  // A rebuild frees everything again.
  table.Build(mesh.get());
  EXPECT_EQ(table.IsConquered(a, b), 0);
  EXPECT_EQ(table.GetRemaining(a), 4);
}

TEST(ConquestMesh, AVertexOfAnotherMeshIsNotHeld)
{
  auto mesh = fixtures::Tetrahedron();
  auto other = fixtures::Tetrahedron();
  CConquestMesh table;
  table.Build(mesh.get());
  // Its mark holds a valid number, of a vertex that is not it.
  other->GetVertex(1)->SetMark(1);
  EXPECT_EQ(table.IndexOf(other->GetVertex(1)), -1);
  EXPECT_EQ(table.GetRemaining(other->GetVertex(1)), 0);
  EXPECT_EQ(table.HasEdge(mesh->GetVertex(0), other->GetVertex(1)), 0);
  EXPECT_EQ(table.IsConquered(mesh->GetVertex(0), other->GetVertex(1)), 0);
  EXPECT_EQ(table.IndexOf(nullptr), -1);
}

TEST(ConquestMesh, FaceSearchesAnswerAsTheVertices)
{
  // A torus with irregular valences, and a grid with holes, whose borders have one face per
  // edge only.
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(conquest::Torus(9, 7, true));
  meshes.push_back(conquest::Grid(6, 0, {8, 20}));
  for (const auto& mesh : meshes) {
    CConquestMesh table;
    table.Build(mesh.get());
    for (int i = 0; i < mesh->NbVertex(); i++) {
      const CVertex3d* v = mesh->GetVertex(i);
      ASSERT_EQ(table.GetFanSize(i), v->NbFaceNeighbor());
      for (int k = 0; k < v->NbVertexNeighbor(); k++) {
        const CVertex3d* w = v->GetVertexNeighbor(k);
        const int j = table.IndexOf(w);
        const int leaving = IndexOfFace(*mesh, v->FindFaceWithOrientedEdge(v, w));
        const int entering = IndexOfFace(*mesh, v->FindFaceWithOrientedEdge(w, v));
        EXPECT_EQ(table.FindFaceWithOrientedEdge(i, i, j), leaving);
        EXPECT_EQ(table.FindFaceLeaving(i, j), leaving);
        EXPECT_EQ(table.FindFaceLeaving(i, j), leaving) << "remembered";
        EXPECT_EQ(table.FindFaceEntering(i, j), entering);
        EXPECT_EQ(table.FindFaceEntering(i, j), entering) << "remembered";
        const CVertex3d* u = v->GetVertexNeighbor((k + 1) % v->NbVertexNeighbor());
        EXPECT_EQ(table.FindFace(i, j, table.IndexOf(u)), IndexOfFace(*mesh, v->FindFace(w, u)));
      }
    }
  }
}

TEST(ConquestMesh, FansFollowTheFaceListsInTheirOrder)
{
  // Lists in face order, as the mesh builds them, and one list turned round: each fan holds
  // the faces of its vertex's list in that list's order, which the face searches follow.
  auto mesh = conquest::Torus(6, 5, true);
  const auto expectFans = [&mesh](const char* when) {
    CConquestMesh table;
    table.Build(mesh.get());
    for (int i = 0; i < mesh->NbVertex(); i++) {
      const CVertex3d* v = mesh->GetVertex(i);
      ASSERT_EQ(table.GetFanSize(i), v->NbFaceNeighbor()) << when << " vertex " << i;
      for (int k = 0; k < v->NbFaceNeighbor(); k++)
        EXPECT_EQ(table.GetFanFace(i, k), mesh->IndexFrom(v->GetFaceNeighbor(k))) << when << " vertex " << i;
    }
    for (int i = 0; i < mesh->NbFace(); i++)
      EXPECT_EQ(table.IsFaceConquered(i), 0) << when << " face " << i << " left free";
  };
  expectFans("face order");
  auto* pList = mesh->GetVertex(3)->GetArrayFaceNeighbor();
  const int n = pList->GetSize();
  ASSERT_GE(n, 4);
  for (int k = 0; k < n / 2; k++) {
    CFace3d* f = pList->GetAt(k);
    pList->SetAt(k, pList->GetAt(n - 1 - k));
    pList->SetAt(n - 1 - k, f);
  }
  expectFans("one list turned round");
}

TEST(ConquestMesh, TheMeshsFlagsAreTheTablesOnceWritten)
{
  auto mesh = fixtures::Octahedron();
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetFlag(7);
  mesh->GetVertex(4)->SetFlag(2);
  CConquestMesh table;
  table.Build(mesh.get());
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(table.IsFaceConquered(i), 0);
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(table.GetState(i), i == 4 ? 2 : 0);
  const auto expectFlags = [&](int face, int vertex, const char* when) {
    for (int i = 0; i < mesh->NbFace(); i++)
      EXPECT_EQ(mesh->GetFace(i)->GetFlag(), i == face ? 1 : 0) << when << " face " << i;
    for (int i = 0; i < mesh->NbVertex(); i++)
      EXPECT_EQ(mesh->GetVertex(i)->GetFlag(), i == 4 ? 2 : (i == vertex ? 1 : 0)) << when << " vertex " << i;
  };
  table.ConquerFace(5);
  table.SetState(2, 1);
  EXPECT_EQ(table.IsFaceConquered(5), 1);
  table.WriteFlags();
  expectFlags(5, 2, "first write");
  // A second write mends what changed since the first.
  table.ConquerFace(6);
  table.SetState(2, 0);
  table.WriteFlags();
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), i == 5 || i == 6 ? 1 : 0) << "face " << i;
  EXPECT_EQ(mesh->GetVertex(2)->GetFlag(), 0);
  EXPECT_EQ(table.GetFace(5), mesh->GetFace(5));
}

TEST(ConquestMesh, AVertexListedTwiceKeepsItsFirstNumberAndFlag)
{
  auto mesh = fixtures::Octahedron();
  CVertex3d* v = mesh->GetVertex(1);
  mesh->GetArrayVertex()->Add(v);
  CConquestMesh table;
  table.Build(mesh.get());
  EXPECT_EQ(table.IndexOf(v), 1);
  EXPECT_EQ(table.GetState(1), 0);
  table.SetState(1, 1);
  table.WriteFlags();
  EXPECT_EQ(v->GetFlag(), 1);
  // The array shares the vertex with the mesh: the copy goes before the mesh frees it.
  mesh->GetArrayVertex()->RemoveAt(mesh->NbVertex() - 1);
}

TEST(ConquestMesh, AFillCornerNeedsAFreeFaceAndAConqueredSide)
{
  auto mesh = fixtures::Octahedron();
  CConquestMesh table;
  table.Build(mesh.get());
  // Face 0 runs g -> p -> q: from g, the face beyond g -> p closes on q.
  const int g = table.GetCorner(0, 0);
  const int p = table.GetCorner(0, 1);
  const int q = table.GetCorner(0, 2);
  EXPECT_EQ(table.FindFaceLeaving(g, p), 0);
  EXPECT_EQ(table.IsFillCorner(g, p, q), 0); // g - q still free
  table.Conquer(g, q);
  EXPECT_EQ(table.IsFillCorner(g, p, q), 1);
  EXPECT_EQ(table.IsFillCorner(g, q, p), 0); // the face beyond g -> q closes elsewhere
  EXPECT_EQ(table.IsFillCorner(g, p, -1), 0);
  table.ConquerFace(0);
  EXPECT_EQ(table.IsFillCorner(g, p, q), 0);
}

// Every triple of an octahedron, as the conquest changes it: the fill test answers what its
// definition asks (the face beyond g -> p free, closing on q, the side g - q conquered), also
// where p and q are not joined at all.
TEST(ConquestMesh, AFillCornerIsItsDefinitionOnEveryTriple)
{
  // Closed (filed from the sides) and open (filed from the lists).
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(fixtures::Octahedron());
  meshes.push_back(conquest::Grid(2));
  for (const auto& mesh : meshes) {
    CConquestMesh table;
    table.Build(mesh.get());
    EXPECT_EQ(table.IsFiledFromSides(), mesh == meshes.front() ? 1 : 0);
    const int n = table.GetNbVertex();
    const auto expectDefinition = [&table, n](const char* when) {
      int fills = 0;
      for (int g = 0; g < n; g++)
        for (int p = 0; p < n; p++)
          for (int q = 0; q < n; q++) {
            const int f = table.FindFaceWithOrientedEdge(g, g, p);
            const int expected = f >= 0 && table.GetCornerOther(f, g, p) == q && !table.IsFaceConquered(f) &&
                                         table.IsConquered(g, q)
                                     ? 1
                                     : 0;
            EXPECT_EQ(table.IsFillCorner(g, p, q), expected) << when << ": " << g << " " << p << " " << q;
            fills += expected;
          }
      return fills;
    };
    EXPECT_EQ(expectDefinition("all free"), 0);
    // Conquering the three sides of face 0 makes each of its corners a fill.
    for (int k = 0; k < 3; k++)
      table.Conquer(table.GetCorner(0, k), table.GetCorner(0, (k + 1) % 3));
    EXPECT_GE(expectDefinition("sides conquered"), 3);
    table.ConquerFace(0);
    table.Conquer(table.GetCorner(1, 0), table.GetCorner(1, 1));
    expectDefinition("face conquered");
  }
}

namespace {

// The faces either side of every pair of vertices, as the table files them from the sides,
// against the vertices' own searches; every triple of neighbours of a vertex for FindFace.
void ExpectEdgeFacesOfTheVertices(const CMesh3d& mesh, const CConquestMesh& table)
{
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    for (int j = 0; j < mesh.NbVertex(); j++) {
      const CVertex3d* w = mesh.GetVertex(j);
      int forward = -2;
      int backward = -2;
      ASSERT_EQ(table.GetEdgeFaces(i, j, &forward, &backward), 1);
      const bool joined = v->IsNeighbor(w) != 0;
      EXPECT_EQ(forward, joined ? IndexOfFace(mesh, v->FindFaceWithOrientedEdge(v, w)) : -1) << i << " -> " << j;
      EXPECT_EQ(backward, joined ? IndexOfFace(mesh, v->FindFaceWithOrientedEdge(w, v)) : -1) << j << " -> " << i;
      // A closed oriented manifold: two distinct faces on every edge.
      if (joined) {
        EXPECT_GE(forward, 0);
        EXPECT_GE(backward, 0);
        EXPECT_NE(forward, backward);
        EXPECT_EQ(table.FindFaceEntering(i, j), backward);
      }
    }
    for (int a = 0; a < v->NbVertexNeighbor(); a++)
      for (int b = 0; b < v->NbVertexNeighbor(); b++) {
        const CVertex3d* pa = v->GetVertexNeighbor(a);
        const CVertex3d* pb = v->GetVertexNeighbor(b);
        const int expected = a == b ? -1 : IndexOfFace(mesh, v->FindFace(pa, pb));
        EXPECT_EQ(table.FindFace(i, table.IndexOf(pa), table.IndexOf(pb)), expected) << i << " " << a << " " << b;
      }
  }
}

} // namespace

TEST(ConquestMesh, ClosedOrientedMeshesAreFiledFromTheirSides)
{
  std::vector<std::unique_ptr<CMesh3d>> closed;
  closed.push_back(fixtures::Octahedron());
  closed.push_back(fixtures::Icosphere(2));
  closed.push_back(conquest::Torus(9, 7, true));
  for (const auto& mesh : closed) {
    CConquestMesh table;
    table.Build(mesh.get());
    ASSERT_EQ(table.IsFiledFromSides(), 1);
    ExpectEdgeFacesOfTheVertices(*mesh, table);
    ExpectEdgesOfAddEdges(*mesh, table);
  }

  // A border has one face per edge: the sides do not pair, and the edge faces are not filed.
  auto open = conquest::Grid(4);
  CConquestMesh openTable;
  openTable.Build(open.get());
  EXPECT_EQ(openTable.IsFiledFromSides(), 0);
  int forward = -2;
  int backward = -2;
  EXPECT_EQ(openTable.GetEdgeFaces(0, 1, &forward, &backward), 0);
  EXPECT_EQ(forward, -2);
  ExpectEdgesOfAddEdges(*open, openTable);
}

TEST(ConquestMesh, SidesThatDoNotPairLeaveTheTableToTheLists)
{
  const fixtures::Points points = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  const fixtures::Triangles octahedron = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                          {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
  // One face turned round: its sides run as their neighbours' do. A face doubled: its edges
  // have three faces. Either way the faces are found by walking the fans, as the vertices do.
  fixtures::Triangles turned = octahedron;
  std::swap(turned[5][0], turned[5][1]);
  fixtures::Triangles doubled = octahedron;
  doubled.push_back(octahedron[2]);
  for (const auto& triangles : {turned, doubled}) {
    auto mesh = fixtures::Build(points, triangles);
    CConquestMesh table;
    table.Build(mesh.get());
    EXPECT_EQ(table.IsFiledFromSides(), 0);
    for (int i = 0; i < mesh->NbVertex(); i++) {
      const CVertex3d* v = mesh->GetVertex(i);
      for (int k = 0; k < v->NbVertexNeighbor(); k++) {
        const CVertex3d* w = v->GetVertexNeighbor(k);
        const int j = table.IndexOf(w);
        EXPECT_EQ(table.FindFaceLeaving(i, j), IndexOfFace(*mesh, v->FindFaceWithOrientedEdge(v, w)));
        EXPECT_EQ(table.FindFaceEntering(i, j), IndexOfFace(*mesh, v->FindFaceWithOrientedEdge(w, v)));
      }
    }
  }
}

TEST(ConquestMesh, AnEdgeIsConqueredFromEitherEnd)
{
  // Filed from the sides and from the lists: an edge has one flag, whichever end asks.
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(fixtures::Icosphere(1));
  meshes.push_back(conquest::Grid(3));
  for (const auto& mesh : meshes) {
    CConquestMesh table;
    table.Build(mesh.get());
    const auto chosen = [](int i, int j) { return (i + j) % 3 == 0; };
    int slots = 0;
    int conquered = 0;
    for (int i = 0; i < mesh->NbVertex(); i++) {
      slots += table.GetRemaining(i);
      const CVertex3d* v = mesh->GetVertex(i);
      for (int k = 0; k < v->NbVertexNeighbor(); k++) {
        const int j = table.IndexOf(v->GetVertexNeighbor(k));
        // Asked from the higher end.
        if (i > j && chosen(i, j)) {
          EXPECT_EQ(table.Conquer(i, j), 1);
          conquered++;
        }
      }
    }
    ASSERT_GT(conquered, 0);
    int remaining = 0;
    for (int i = 0; i < mesh->NbVertex(); i++) {
      remaining += table.GetRemaining(i);
      const CVertex3d* v = mesh->GetVertex(i);
      for (int k = 0; k < v->NbVertexNeighbor(); k++) {
        const int j = table.IndexOf(v->GetVertexNeighbor(k));
        EXPECT_EQ(table.IsConquered(i, j), chosen(i, j) ? 1 : 0) << i << " - " << j;
        // From the lower end, a conquered edge is not conquered again.
        if (i < j && chosen(i, j)) {
          EXPECT_EQ(table.Conquer(i, j), 0) << i << " - " << j;
        }
      }
    }
    EXPECT_EQ(remaining, slots - 2 * conquered);
  }
}

namespace {

// Closed bipyramids over rings of the given sizes, all sharing their top apex (vertex 0):
// that apex closes its faces in one fan per ring.
std::unique_ptr<CMesh3d> BipyramidsSharingAnApex(const std::vector<int>& rings)
{
  fixtures::Points points = {{0, 0, 1}};
  fixtures::Triangles triangles;
  for (size_t r = 0; r < rings.size(); r++) {
    const int n = rings[r];
    const int first = static_cast<int>(points.size());
    const float z = static_cast<float>(r);
    for (int i = 0; i < n; i++)
      points.push_back({std::cos(6.2831853f * i / n), std::sin(6.2831853f * i / n), -z});
    const int bottom = static_cast<int>(points.size());
    points.push_back({0, 0, -z - 1});
    for (int i = 0; i < n; i++) {
      const int a = first + i;
      const int b = first + (i + 1) % n;
      triangles.push_back({0, a, b});
      triangles.push_back({bottom, b, a});
    }
  }
  return fixtures::Build(points, triangles);
}

} // namespace

TEST(ConquestMesh, SplitFansAreFoundInShortAndLongRuns)
{
  // An apex shared by two closed bipyramids closes its faces in two fans, whether its run of
  // slots is short or long; one ring, however long, makes one fan. No other vertex splits.
  const struct
  {
    std::vector<int> rings;
    bool split;
  } cases[] = {{{3, 3}, true}, {{4, 7}, true}, {{20, 20}, true}, {{5}, false}, {{40}, false}, {{3, 40}, true}};
  for (const auto& c : cases) {
    auto mesh = BipyramidsSharingAnApex(c.rings);
    CConquestMesh table;
    table.Build(mesh.get());
    ASSERT_EQ(table.IsFiledFromSides(), 1) << c.rings.size() << " rings";
    const std::vector<int> expected = c.split ? std::vector<int>{0} : std::vector<int>{};
    EXPECT_EQ(table.GetSplitFans(), expected) << c.rings.size() << " rings, first of " << c.rings[0];
  }
}
