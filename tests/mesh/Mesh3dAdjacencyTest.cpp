#include "MeshFixtures.h"

#include <gtest/gtest.h>

using fixtures::EulerCharacteristic;
using fixtures::IsClosed;

namespace {
CVector3d CrossNormal(const CFace3d* f)
{
  const double ux = f->v(1)->x() - f->v(0)->x(), uy = f->v(1)->y() - f->v(0)->y(),
               uz = f->v(1)->z() - f->v(0)->z();
  const double vx = f->v(2)->x() - f->v(0)->x(), vy = f->v(2)->y() - f->v(0)->y(),
               vz = f->v(2)->z() - f->v(0)->z();
  const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  const double n = std::sqrt(nx * nx + ny * ny + nz * nz);
  return CVector3d(static_cast<float>(nx / n), static_cast<float>(ny / n),
                   static_cast<float>(nz / n));
}
} // namespace

TEST(Mesh3dAdjacency, TetrahedronIsClosedWithValenceThree)
{
  auto mesh = fixtures::Tetrahedron();
  EXPECT_TRUE(IsClosed(*mesh));
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    EXPECT_EQ(mesh->GetVertex(i)->NbVertexNeighbor(), 3);
    EXPECT_EQ(mesh->GetVertex(i)->NbFaceNeighbor(), 3);
    EXPECT_FALSE(mesh->GetVertex(i)->IsOnBoundary());
  }
  EXPECT_EQ(mesh->IsValid(), 1);
}

TEST(Mesh3dAdjacency, NeighbourOrdersFollowFacesAndEdges)
{
  // The coders' streams depend on these exact orders.
  auto mesh = fixtures::Tetrahedron();
  CVertex3d* v0 = mesh->GetVertex(0);
  // Faces of vertex 0 in face order: (0,2,1), (0,1,3), (0,3,2); neighbours in corner order.
  ASSERT_EQ(v0->NbFaceNeighbor(), 3);
  EXPECT_EQ(v0->GetFaceNeighbor(0), mesh->GetFace(0));
  EXPECT_EQ(v0->GetFaceNeighbor(1), mesh->GetFace(1));
  EXPECT_EQ(v0->GetFaceNeighbor(2), mesh->GetFace(2));
  EXPECT_EQ(v0->GetVertexNeighbor(0), mesh->GetVertex(2));
  EXPECT_EQ(v0->GetVertexNeighbor(1), mesh->GetVertex(1));
  EXPECT_EQ(v0->GetVertexNeighbor(2), mesh->GetVertex(3));
  // Face (0,2,1): edge 0 is 0-2 shared with (0,3,2), edge 1 is 2-1 with (1,2,3), edge 2 is 1-0.
  const CFace3d* f = mesh->GetFace(0);
  EXPECT_EQ(f->f(0), mesh->GetFace(2));
  EXPECT_EQ(f->f(1), mesh->GetFace(3));
  EXPECT_EQ(f->f(2), mesh->GetFace(1));
}

TEST(Mesh3dAdjacency, SingleTriangleAndOpenMeshes)
{
  auto triangle = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  const CFace3d* f = triangle->GetFace(0);
  EXPECT_EQ(f->NbFaceNeighbor(), 0);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(triangle->GetVertex(i)->NbVertexNeighbor(), 2);
    EXPECT_TRUE(triangle->GetVertex(i)->IsOnBoundary());
  }

  auto fan = fixtures::Fan(5);
  EXPECT_EQ(fan->GetVertex(0)->NbVertexNeighbor(), 6);
  EXPECT_TRUE(fan->GetVertex(0)->IsOnBoundary());
  EXPECT_EQ(EulerCharacteristic(*fan), 1);

  auto strip = fixtures::Strip(4);
  EXPECT_FALSE(IsClosed(*strip));
  EXPECT_EQ(EulerCharacteristic(*strip), 1);
  EXPECT_EQ(strip->GetFace(0)->NbFaceNeighbor(), 1);
  EXPECT_EQ(strip->GetFace(1)->NbFaceNeighbor(), 2);
}

TEST(Mesh3dAdjacency, NonManifoldEdgeFirstFaceWins)
{
  auto mesh = fixtures::NonManifoldEdge();
  CFace3d* f0 = mesh->GetFace(0);
  CFace3d* f1 = mesh->GetFace(1);
  CFace3d* f2 = mesh->GetFace(2);
  // Across edge 0-1 each face takes the first other face in vertex 0's list.
  EXPECT_EQ(f0->f(0), f1);
  EXPECT_EQ(f1->f(0), f0);
  EXPECT_EQ(f2->f(0), f0);
  EXPECT_FALSE(f0->HasNeighbor(f2));  // not symmetric
  EXPECT_EQ(mesh->GetVertex(0)->NbFaceNeighbor(), 3);
}

TEST(Mesh3dAdjacency, EarlyReturnStillClearsOldRelations)
{
  auto mesh = fixtures::Tetrahedron();
  mesh->DeleteFacesWithFlag(0);  // every face
  EXPECT_EQ(mesh->NbFace(), 0);
  EXPECT_EQ(mesh->BuildAdjacency(), 0);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    EXPECT_EQ(mesh->GetVertex(i)->NbFaceNeighbor(), 0);
    EXPECT_EQ(mesh->GetVertex(i)->NbVertexNeighbor(), 0);
  }

  auto small = fixtures::Build({{0, 0, 0}, {1, 0, 0}}, {});
  EXPECT_EQ(small->BuildAdjacency(), 0);
}

TEST(Mesh3dNormals, FaceNormalsMatchCrossProducts)
{
  auto mesh = fixtures::Icosphere(1);
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    const CVector3d expected = CrossNormal(f);
    EXPECT_NEAR(f->GetNormal()->x(), expected.x(), 1e-6);
    EXPECT_NEAR(f->GetNormal()->y(), expected.y(), 1e-6);
    EXPECT_NEAR(f->GetNormal()->z(), expected.z(), 1e-6);
    // Outward on the sphere.
    const double outward = f->GetNormal()->x() * f->v(0)->x() +
                           f->GetNormal()->y() * f->v(0)->y() + f->GetNormal()->z() * f->v(0)->z();
    EXPECT_GT(outward, 0.0);
  }
}

TEST(Mesh3dNormals, VertexNormalIsNormalisedSumAndIsolatedKeepsItsOwn)
{
  // Two faces folded at a right angle along the edge 0-1.
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}},
                              {{0, 1, 2}, {1, 0, 3}});
  mesh->GetVertex(4)->GetNormal()->Set(0, 0, 7);
  mesh->Rebuild();
  const CVector3d* n = mesh->GetVertex(0)->GetNormal();
  const float s = 1.0f / std::sqrt(2.0f);
  EXPECT_NEAR(n->x(), 0, 1e-6);
  EXPECT_NEAR(n->y(), s, 1e-6);
  EXPECT_NEAR(n->z(), s, 1e-6);
  EXPECT_FLOAT_EQ(mesh->GetVertex(4)->GetNormal()->z(), 7);
  EXPECT_EQ(mesh->GetModified(), 1);
}

TEST(Mesh3dNormals, IcosphereVertexNormalsPointOutward)
{
  auto mesh = fixtures::Icosphere(2);
  EXPECT_EQ(mesh->NbFace(), 320);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  EXPECT_TRUE(IsClosed(*mesh));
  for (int i = 0; i < mesh->NbVertex(); i++) {
    const CVertex3d* v = mesh->GetVertex(i);
    EXPECT_NEAR(v->GetNormal()->x(), v->x(), 0.05);
    EXPECT_NEAR(v->GetNormal()->y(), v->y(), 0.05);
    EXPECT_NEAR(v->GetNormal()->z(), v->z(), 0.05);
  }
}

TEST(Mesh3dAdjacency, FindVertexAndFace)
{
  auto mesh = fixtures::Octahedron();
  CVertex3d outsider;
  CFace3d stranger;
  EXPECT_EQ(mesh->FindVertex(mesh->GetVertex(3)), 1);
  EXPECT_EQ(mesh->FindVertex(&outsider), 0);
  EXPECT_EQ(mesh->FindFace(mesh->GetFace(7)), 1);
  EXPECT_EQ(mesh->FindFace(&stranger), 0);
}
