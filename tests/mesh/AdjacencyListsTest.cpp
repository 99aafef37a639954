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

// The lists written by AssignList, each entry worked out as it is written.
void WriteByAssign(CMesh3d* mesh, int vertex, const SLists& lists)
{
  CVertex3d* v = mesh->GetVertex(vertex);
  adjacency::AssignList(v->GetArrayFaceNeighbor(), static_cast<int>(lists.faces.size()),
                        [&](int p) { return mesh->GetFace(lists.faces[static_cast<size_t>(p)]); });
  adjacency::AssignList(v->GetArrayVertexNeighbor(), static_cast<int>(lists.neighbors.size()),
                        [&](int j) { return mesh->GetVertex(lists.neighbors[static_cast<size_t>(j)]); });
}

// The same lists by the plain list calls: a list too small for its entries emptied and grown
// an entry at a time, any other resized in place.
template <class List, class At>
void WriteEntries(List* list, int n, At at)
{
  if (n > list->GetMaxSize()) {
    list->RemoveAll();
    for (int j = 0; j < n; j++)
      list->Add(at(j));
    return;
  }
  list->SetSize(n);
  for (int j = 0; j < n; j++)
    list->SetAt(j, at(j));
}

void WriteByAdd(CMesh3d* mesh, int vertex, const SLists& lists)
{
  CVertex3d* v = mesh->GetVertex(vertex);
  WriteEntries(v->GetArrayFaceNeighbor(), static_cast<int>(lists.faces.size()),
               [&](int p) { return mesh->GetFace(lists.faces[static_cast<size_t>(p)]); });
  WriteEntries(v->GetArrayVertexNeighbor(), static_cast<int>(lists.neighbors.size()),
               [&](int j) { return mesh->GetVertex(lists.neighbors[static_cast<size_t>(j)]); });
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

// From lists of every length, lists of every length in turn: AssignList leaves the entries and
// the storage that lists grown an entry at a time have, growing, shrinking and emptying.
TEST(AdjacencyListsTest, AssignWritesWhatAddsWrite)
{
  auto byAdd = fixtures::Fan(11);
  auto byAssign = fixtures::Fan(11);
  const SLists full = ListsOf(*byAdd, 0);
  ASSERT_EQ(full.faces.size(), 11u);
  ASSERT_EQ(full.neighbors.size(), 12u);
  for (const size_t first : {0u, 2u, 7u, 12u})
    for (const size_t second : {0u, 1u, 6u, 7u, 12u}) {
      SCOPED_TRACE(first * 100 + second);
      for (const size_t n : {first, second}) {
        // The faces backwards and the neighbours forwards: the order is the caller's.
        SLists lists;
        for (size_t j = 0; j < std::min<size_t>(n, 11); j++)
          lists.faces.push_back(full.faces[10 - j]);
        lists.neighbors.assign(full.neighbors.begin(), full.neighbors.begin() + static_cast<std::ptrdiff_t>(n));
        WriteByAdd(byAdd.get(), 0, lists);
        WriteByAssign(byAssign.get(), 0, lists);
        const SLists got = ListsOf(*byAssign, 0);
        EXPECT_EQ(got.faces, lists.faces);
        EXPECT_EQ(got.neighbors, lists.neighbors);
        EXPECT_EQ(ListsOf(*byAdd, 0).neighbors, lists.neighbors);
        ExpectSameStorage(*byAdd, *byAssign, 0);
      }
    }
}

} // namespace
