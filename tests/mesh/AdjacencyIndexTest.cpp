// The build that hands out its index arrays: the mesh gets the lists of its own build, and the
// arrays name, for every vertex, the faces of its list and, for every face, its corners.
#include "MeshFixtures.h"
#include "mesh/AdjacencyLists.h"

#include <gtest/gtest.h>

#include <memory>
#include <unordered_map>
#include <vector>

namespace {

// Face neighbours, then each vertex's faces and neighbours, all as indices (a vertex listed
// twice by its first).
std::vector<int> Snapshot(const CMesh3d& mesh)
{
  std::unordered_map<const void*, int> indices;
  for (int i = mesh.NbFace() - 1; i >= 0; i--)
    indices[mesh.GetFace(i)] = i;
  for (int i = mesh.NbVertex() - 1; i >= 0; i--)
    indices[mesh.GetVertex(i)] = i;
  std::vector<int> out;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CFace3d* n = mesh.GetFace(i)->f(k);
      out.push_back(n ? indices.at(n) : -1);
    }
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    out.push_back(-2);
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      out.push_back(indices.at(v->GetFaceNeighbor(j)));
    out.push_back(-3);
    for (int j = 0; j < v->NbVertexNeighbor(); j++)
      out.push_back(indices.at(v->GetVertexNeighbor(j)));
  }
  return out;
}

void ClearAdjacency(CMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbFace(); i++)
    mesh.GetFace(i)->SetNeighbors(nullptr, nullptr, nullptr);
  mesh.ClearVertexAdjacency();
}

// Each vertex's corners read from its face list: one per slot it holds in a face, with the
// vertices before and after it there.
void ExpectCornersOfMesh(const CMesh3d& mesh, const SAdjacencyIndex& index)
{
  ASSERT_EQ(index.aroundStart.size(), static_cast<size_t>(mesh.NbVertex()) + 1);
  std::unordered_map<const void*, int> indices;
  for (int i = 0; i < mesh.NbFace(); i++)
    indices[mesh.GetFace(i)] = i;
  for (int i = 0; i < mesh.NbVertex(); i++)
    indices[mesh.GetVertex(i)] = i;
  ASSERT_GE(index.around.size(), static_cast<size_t>(index.aroundStart.back()));
  for (int i = 0; i < mesh.NbVertex(); i++) {
    SCOPED_TRACE(i);
    const CVertex3d* v = mesh.GetVertex(i);
    std::vector<int> expected;
    for (int j = 0; j < v->NbFaceNeighbor(); j++) {
      const CFace3d* f = v->GetFaceNeighbor(j);
      for (int k = 0; k < 3; k++)
        if (f->v(k) == v)
          expected.insert(expected.end(), {indices.at(f), k, indices.at(f->v((k + 2) % 3)),
                                           indices.at(f->v((k + 1) % 3))});
    }
    std::vector<int> listed;
    for (int p = index.aroundStart[static_cast<size_t>(i)];
         p < index.aroundStart[static_cast<size_t>(i) + 1]; p++) {
      const SAdjacencyCorner& c = index.around[static_cast<size_t>(p)];
      listed.insert(listed.end(), {c.face, c.slot, c.previous, c.next});
    }
    EXPECT_EQ(listed, expected);
  }
}

// The arrays read back against the mesh itself: a vertex's faces are its face list, a face's
// corners its vertices.
void ExpectIndexOfMesh(const CMesh3d& mesh, const SAdjacencyIndex& index)
{
  ASSERT_EQ(index.start.size(), static_cast<size_t>(mesh.NbVertex()) + 1);
  ASSERT_GE(index.corners.size(), 3 * static_cast<size_t>(mesh.NbFace()));
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    const int first = index.start[static_cast<size_t>(i)];
    ASSERT_EQ(index.start[static_cast<size_t>(i) + 1] - first, v->NbFaceNeighbor()) << "vertex " << i;
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      EXPECT_EQ(mesh.GetFace(index.faces[static_cast<size_t>(first + j)]), v->GetFaceNeighbor(j));
  }
  for (int f = 0; f < mesh.NbFace(); f++)
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(mesh.GetVertex(index.corners[3 * static_cast<size_t>(f) + static_cast<size_t>(k)]),
                mesh.GetFace(f)->v(k));
  ExpectCornersOfMesh(mesh, index);
}

// A torus grid of n by m samples: 2nm faces, large enough from 90k faces for the build to note
// the faces across before linking them.
std::unique_ptr<CMesh3d> TorusGrid(int n, int m)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++)
      points.push_back({static_cast<float>(i), static_cast<float>(j), 0.0f});
  auto at = [&](int i, int j) { return (j % m) * n + i % n; };
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      triangles.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
      triangles.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
    }
  return fixtures::Build(points, triangles, false);
}

TEST(AdjacencyIndex, ListsOfTheMeshOwnBuildAndArraysThatNameThem)
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(fixtures::Tetrahedron());
  meshes.push_back(fixtures::Fan(5));
  meshes.push_back(fixtures::Strip(7));
  meshes.push_back(fixtures::NonManifoldEdge());
  meshes.push_back(fixtures::Icosphere(2));
  // A face that repeats a corner: listed once for that vertex.
  meshes.push_back(fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                   {{0, 1, 2}, {1, 3, 2}, {1, 1, 3}}));
  meshes.push_back(TorusGrid(300, 160));
  SAdjacencyIndex index;
  for (size_t m = 0; m < meshes.size(); m++) {
    SCOPED_TRACE(m);
    CMesh3d& mesh = *meshes[m];
    mesh.BuildAdjacency();
    const std::vector<int> expected = Snapshot(mesh);
    ClearAdjacency(mesh);
    // The same index object from mesh to mesh: storage kept from a larger mesh does no harm.
    ASSERT_EQ(BuildAdjacency(&mesh, &index), 1);
    EXPECT_TRUE(index.unique);
    EXPECT_EQ(Snapshot(mesh), expected);
    ExpectIndexOfMesh(mesh, index);
  }
}

TEST(AdjacencyIndex, FacesWithAnEmptyCornerStayOutOfTheLists)
{
  auto mesh = fixtures::Octahedron();
  mesh->GetFace(2)->SetVertex(1, nullptr);
  mesh->BuildAdjacency();
  const std::vector<int> expected = Snapshot(*mesh);
  SAdjacencyIndex index;
  ASSERT_EQ(BuildAdjacency(mesh.get(), &index), 1);
  EXPECT_EQ(Snapshot(*mesh), expected);
  EXPECT_EQ(index.corners[6], -1);
  ExpectCornersOfMesh(*mesh, index);
  EXPECT_EQ(index.aroundStart.back(), 3 * (mesh->NbFace() - 1));
  for (int i = 0; i < mesh->NbVertex(); i++)
    for (int p = index.start[static_cast<size_t>(i)]; p < index.start[static_cast<size_t>(i) + 1]; p++)
      EXPECT_NE(index.faces[static_cast<size_t>(p)], 2);
}

TEST(AdjacencyIndex, AVertexListedTwiceIsReported)
{
  auto mesh = fixtures::Octahedron();
  mesh->AddVertex(mesh->GetVertex(0));
  mesh->BuildAdjacency();
  const std::vector<int> expected = Snapshot(*mesh);
  SAdjacencyIndex index;
  ASSERT_EQ(BuildAdjacency(mesh.get(), &index), 1);
  EXPECT_FALSE(index.unique);
  EXPECT_EQ(Snapshot(*mesh), expected);
  mesh->GetArrayVertex()->RemoveAt(mesh->NbVertex() - 1);
}

TEST(AdjacencyIndex, AFaceListedTwiceGetsTheMeshOwnBuildAndNoIndex)
{
  auto mesh = fixtures::Octahedron();
  mesh->AddFace(mesh->GetFace(5));
  mesh->BuildAdjacency();
  const std::vector<int> expected = Snapshot(*mesh);
  SAdjacencyIndex index;
  // Left over from an earlier build: emptied.
  ASSERT_EQ(BuildAdjacency(fixtures::Tetrahedron().get(), &index), 1);
  EXPECT_EQ(BuildAdjacency(mesh.get(), &index), 0);
  EXPECT_TRUE(index.start.empty());
  EXPECT_TRUE(index.faces.empty());
  EXPECT_TRUE(index.corners.empty());
  EXPECT_TRUE(index.aroundStart.empty());
  EXPECT_TRUE(index.around.empty());
  EXPECT_FALSE(index.unique);
  EXPECT_EQ(Snapshot(*mesh), expected);
  for (int i = 0; i < mesh->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      EXPECT_NE(mesh->GetFace(i)->f(k), mesh->GetFace(i));
  mesh->GetArrayFace()->RemoveAt(mesh->NbFace() - 1);
}

} // namespace
