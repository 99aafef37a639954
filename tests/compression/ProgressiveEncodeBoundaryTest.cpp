// The encoder's boundary facts on meshes where they are hard to see: a closed mesh but for one
// small hole far down the vertex array, and the face array the layers grow.
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

// A torus of n by m quads without four of the six faces around vertex (n / 2, m / 2): one
// boundary loop of six edges, far down the vertex array, whose middle vertex keeps two faces
// and three neighbours, as a boundary removal needs.
std::unique_ptr<CMesh3d> TorusWithHole(int n, int m)
{
  progressive::Points points;
  progressive::Triangles triangles;
  progressive::AppendTorus(&points, &triangles, n, m, 0);
  const int centre = (n / 2) * m + m / 2;
  int dropped = 0;
  std::erase_if(triangles, [&](const auto& t) {
    const bool around = t[0] == centre || t[1] == centre || t[2] == centre;
    return around && dropped < 4 && ++dropped > 0;
  });
  return fixtures::Build(points, triangles);
}

int CountBoundaryVertices(const CMesh3d& mesh)
{
  int n = 0;
  for (int i = 0; i < mesh.NbVertex(); i++)
    n += mesh.GetVertex(i)->IsOnBoundary() ? 1 : 0;
  return n;
}

} // namespace

// The hole is the only sign of a boundary, and no face near vertex 0 shows it: the encoder
// must still find it, remove its vertices of valence 3 as boundary vertices and give the
// decoder a stream that brings the mesh back.
TEST(ProgressiveEncodeBoundary, SmallHoleFarFromTheFirstVerticesRoundTrips)
{
  conquest::CScratchFolder folder;
  for (const int size : {16, 30}) {
    SCOPED_TRACE(size);
    auto mesh = TorusWithHole(size, size);
    ASSERT_EQ(6, progressive::CountBoundaryEdges(*mesh));
    ASSERT_EQ(6, CountBoundaryVertices(*mesh));
    ASSERT_FALSE(mesh->GetVertex(0)->IsOnBoundary());
    CMesh3d decoded;
    EXPECT_GT(progressive::ExpectExactRoundTrip(mesh.get(), size * size / 50, 10, "hole.vpm",
                                                &decoded),
              2);
    // Each boundary removal takes a vertex of the loop and one edge: the base mesh keeps a
    // shorter hole. Were the boundary missed, no walk around a loop vertex would close and
    // all six edges would stay.
    const int left = progressive::CountBoundaryEdges(*mesh);
    EXPECT_GE(left, 3);
    EXPECT_LT(left, 6);
  }
}

// Each layer appends its new faces to the face array, which holds afterwards exactly the faces
// of the mesh: every face once, each linked to faces of the array.
TEST(ProgressiveEncodeBoundary, LayersLeaveEveryFaceOnceInTheFaceArray)
{
  auto mesh = progressive::Torus(40, 40);
  CProgressiveCoder coder;
  for (int layer = 0; layer < 6; layer++) {
    SCOPED_TRACE(layer);
    const int before = mesh->NbFace();
    const int removed = coder.EncodeLayer(mesh.get(), layer % 2, layer % 2 ? 3 : 6);
    ASSERT_GT(removed, 0);
    // Euler: a closed mesh loses two faces for each vertex removed.
    EXPECT_EQ(before - 2 * removed, mesh->NbFace());
    std::set<const CFace3d*> faces;
    for (int i = 0; i < mesh->NbFace(); i++)
      faces.insert(mesh->GetFace(i));
    EXPECT_EQ(static_cast<size_t>(mesh->NbFace()), faces.size());
    for (int i = 0; i < mesh->NbFace(); i++)
      for (int k = 0; k < 3; k++)
        EXPECT_EQ(1u, faces.count(mesh->GetFace(i)->f(k)));
  }
}
