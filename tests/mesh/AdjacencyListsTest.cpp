// The two ways of writing a vertex's lists, by element index and by element pointer, must leave
// the same entries and the same storage: the replay writes by pointer what the other callers
// write by index.
#include "MeshFixtures.h"

#include "mesh/AdjacencyLists.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct SLists
{
  std::vector<int> faces;
  std::vector<int> neighbors;
};

int IndexOf(const CMesh3d& mesh, const CFace3d* f)
{
  for (int i = 0; i < mesh.NbFace(); i++)
    if (mesh.GetFace(i) == f)
      return i;
  return -1;
}

int IndexOf(const CMesh3d& mesh, const CVertex3d* v)
{
  for (int i = 0; i < mesh.NbVertex(); i++)
    if (mesh.GetVertex(i) == v)
      return i;
  return -1;
}

SLists ListsOf(const CMesh3d& mesh, int vertex)
{
  const CVertex3d* v = mesh.GetVertex(vertex);
  SLists lists;
  for (int j = 0; j < v->NbFaceNeighbor(); j++)
    lists.faces.push_back(IndexOf(mesh, v->GetFaceNeighbor(j)));
  for (int j = 0; j < v->NbVertexNeighbor(); j++)
    lists.neighbors.push_back(IndexOf(mesh, v->GetVertexNeighbor(j)));
  return lists;
}

void WriteByIndex(CMesh3d* mesh, int vertex, const SLists& lists)
{
  SetAdjacencyLists(mesh, vertex, lists.faces.data(), static_cast<int>(lists.faces.size()),
                    lists.neighbors.data(), static_cast<int>(lists.neighbors.size()));
}

void WriteByPointer(CMesh3d* mesh, int vertex, const SLists& lists)
{
  std::vector<CFace3d*> faces;
  for (const int f : lists.faces)
    faces.push_back(mesh->GetFace(f));
  std::vector<CVertex3d*> neighbors;
  for (const int v : lists.neighbors)
    neighbors.push_back(mesh->GetVertex(v));
  SetAdjacencyLists(mesh->GetVertex(vertex), faces.data(), static_cast<int>(faces.size()),
                    neighbors.data(), static_cast<int>(neighbors.size()));
}

void ExpectSameStorage(const CMesh3d& a, const CMesh3d& b, int vertex)
{
  const CVertex3d* va = a.GetVertex(vertex);
  const CVertex3d* vb = b.GetVertex(vertex);
  EXPECT_EQ(va->GetArrayFaceNeighbor()->GetMaxSize(), vb->GetArrayFaceNeighbor()->GetMaxSize());
  EXPECT_EQ(va->GetArrayFaceNeighbor()->IsSpilled(), vb->GetArrayFaceNeighbor()->IsSpilled());
  EXPECT_EQ(va->GetArrayVertexNeighbor()->GetMaxSize(), vb->GetArrayVertexNeighbor()->GetMaxSize());
  EXPECT_EQ(va->GetArrayVertexNeighbor()->IsSpilled(), vb->GetArrayVertexNeighbor()->IsSpilled());
}

// Every vertex of the mesh has its built lists written again both ways, into lists first set
// to `before` entries of the vertex's own (to start from room, or from a spilled block).
void ExpectBothWaysAlike(std::unique_ptr<CMesh3d> (*make)(), int before)
{
  auto byIndex = make();
  auto byPointer = make();
  for (int i = 0; i < byIndex->NbVertex(); i++) {
    const SLists built = ListsOf(*byIndex, i);
    SLists start = built;
    start.faces.resize(std::min<size_t>(start.faces.size(), static_cast<size_t>(before)));
    start.neighbors.resize(std::min<size_t>(start.neighbors.size(), static_cast<size_t>(before)));
    WriteByIndex(byIndex.get(), i, start);
    WriteByPointer(byPointer.get(), i, start);
    WriteByIndex(byIndex.get(), i, built);
    WriteByPointer(byPointer.get(), i, built);
    const SLists again = ListsOf(*byPointer, i);
    EXPECT_EQ(again.faces, built.faces) << "vertex " << i;
    EXPECT_EQ(again.neighbors, built.neighbors) << "vertex " << i;
    ExpectSameStorage(*byIndex, *byPointer, i);
  }
}

std::unique_ptr<CMesh3d> WideFan() { return fixtures::Fan(11); }
std::unique_ptr<CMesh3d> Sphere() { return fixtures::Icosphere(1); }

TEST(AdjacencyListsTest, ByPointerWritesWhatByIndexWrites)
{
  // The fan's centre holds 11 faces and 12 neighbours: beyond the room, from an empty list,
  // from a short one and from a spilled one larger than needed.
  for (const int before : {0, 3, 40}) {
    SCOPED_TRACE(before);
    ExpectBothWaysAlike(&WideFan, before);
    ExpectBothWaysAlike(&Sphere, before);
  }
}

TEST(AdjacencyListsTest, ByPointerShrinksAndEmptiesLikeByIndex)
{
  auto byIndex = fixtures::Fan(9);
  auto byPointer = fixtures::Fan(9);
  const SLists full = ListsOf(*byIndex, 0);
  ASSERT_EQ(full.faces.size(), 9u);
  ASSERT_EQ(full.neighbors.size(), 10u);
  const SLists shorter{{full.faces[2], full.faces[0]}, {full.neighbors[5]}};
  WriteByIndex(byIndex.get(), 0, shorter);
  WriteByPointer(byPointer.get(), 0, shorter);
  const SLists got = ListsOf(*byPointer, 0);
  EXPECT_EQ(got.faces, shorter.faces);
  EXPECT_EQ(got.neighbors, shorter.neighbors);
  ExpectSameStorage(*byIndex, *byPointer, 0);

  WriteByIndex(byIndex.get(), 0, SLists{});
  WriteByPointer(byPointer.get(), 0, SLists{});
  EXPECT_EQ(byPointer->GetVertex(0)->NbFaceNeighbor(), 0);
  EXPECT_EQ(byPointer->GetVertex(0)->NbVertexNeighbor(), 0);
  ExpectSameStorage(*byIndex, *byPointer, 0);
}

} // namespace
