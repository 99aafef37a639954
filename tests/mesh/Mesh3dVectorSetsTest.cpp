#include "MeshFixtures.h"
#include "QueryFixtures.h"

#include "app/objects/VectorSet3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using SetPtr = std::unique_ptr<CVectorSet3d>;

double Distance(const CVertex3d* a, const CVertex3d* b)
{
  return std::sqrt(queries::Square(queries::Sub(queries::P(a), queries::P(b))));
}

TEST(VectorSets, NormalsSharpEdgesAndVertexOrder)
{
  auto tetra = fixtures::Tetrahedron();
  tetra->GetTransform()->SetTranslation(CVector3d(1, 2, 3));
  const SetPtr normals(tetra->GetVectorSetFaceNormals());
  ASSERT_EQ(normals->NbVector(), 4);
  EXPECT_FLOAT_EQ(normals->GetTransform()->GetTranslation()->y(), 2.0f);
  // From the centroid, one unit along the normal.
  const CVertex3d* from = normals->GetPoint(0);
  const CVertex3d* to = normals->GetPoint(1);
  EXPECT_NEAR(Distance(from, to), 1.0, 1e-6);

  // Every edge of the tetrahedron is sharp, seen once from each of its faces.
  const SetPtr sharp(tetra->GetVectorSetSharpEdges(0.5f));
  ASSERT_NE(sharp, nullptr);
  EXPECT_EQ(sharp->NbVector(), 12);
  EXPECT_EQ(tetra->GetVectorSetSharpEdges(1.01f), nullptr);

  const SetPtr order(tetra->GetVectorSetVertexOrder());
  EXPECT_EQ(order->NbVector(), 3);
  EXPECT_TRUE(order->GetPoint(2)->IsSamePosition(tetra->GetVertex(1)));
  CMesh3d single;
  single.AddVertex(new CVertex3d(0, 0, 0));
  EXPECT_EQ(single.GetVectorSetVertexOrder(), nullptr);
}

TEST(VectorSets, ErrorPerFaceFlagsTheFacesThatMoved)
{
  auto reference = queries::Grid(4, 4.0f);
  auto mesh = queries::Grid(4, 4.0f);
  // Lift the middle vertex: only the faces around it move away from the reference.
  CVertex3d* middle = mesh->GetVertex(12);
  middle->Set(middle->x(), middle->y(), 1.0f);
  mesh->SetFacesFlag(0);
  const SetPtr set(mesh->GetVectorSetErrorPerFace(reference.get()));
  EXPECT_EQ(set->NbVector(), 4 * mesh->NbFace());
  for (int i = 0; i < mesh->NbFace(); i++) {
    const bool moved = mesh->GetFace(i)->HasVertex(middle);
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), moved ? 1 : 0) << i;
  }
  // Each vector ends on the reference.
  for (int i = 1; i < set->NbPoint(); i += 2)
    EXPECT_NEAR(set->GetPoint(i)->z(), 0.0f, 1e-6);
}

TEST(VectorSets, ErrorPerEdgeGoesToTheBoundaryForBoundaryEdges)
{
  auto reference = queries::Grid(2, 2.0f);
  auto mesh = queries::Grid(2, 2.0f);
  mesh->TranslateVertices(0.0f, 0.0f, 0.5f);
  const SetPtr set(mesh->GetVectorSetErrorPerEdge(reference.get()));
  ASSERT_EQ(set->NbVector(), fixtures::NbEdge(*mesh));
  EXPECT_EQ(set->GetColor()->g(), 255);
  for (int i = 0; i < set->NbVector(); i++)
    EXPECT_NEAR(Distance(set->GetPoint(2 * i), set->GetPoint(2 * i + 1)), 0.5, 1e-5);
  EXPECT_EQ(mesh->CountVerticesWithFlag(1), mesh->NbVertex());
}

TEST(VectorSets, L1SamplesLieInsideTheFace)
{
  auto mesh = fixtures::Build({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{0, 1, 2}});
  CFace3d* f = mesh->GetFace(0);
  f->SetNormal(0, 0, 0);
  CVectorSet3d set;
  f->ShowL1Samples(&set, 0.25f);
  EXPECT_GT(set.NbVector(), 10);
  EXPECT_EQ(set.GetColor()->g(), 255);
  EXPECT_EQ(set.GetColor()->r(), 0);
  for (int i = 0; i < set.NbVector(); i++)
    EXPECT_TRUE(f->IsPointInside(set.GetPoint(2 * i)));
  EXPECT_EQ(f->GetNormal()->GetSquareNorm(), 0.0);
}

} // namespace
