#include "processing/HalfEdgeCollapse.h"

#include "SimplificationFixtures.h"
#include "mesh/Mesh3d.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Two triangles back to back on three vertices: each vertex is interior and has two faces,
// the only way a vertex of a manifold mesh can have two faces without a boundary.
Points PillowPoints(float x) { return {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}}; }
Triangles PillowFaces(int first) { return {{{first, first + 1, first + 2}}, {{first, first + 2, first + 1}}}; }

bool HasDistinctCorners(const CMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    if (f->v(0) == f->v(1) || f->v(1) == f->v(2) || f->v(0) == f->v(2))
      return false;
  }
  return true;
}

} // namespace

TEST(HalfEdgeTwoFaces, AnOppositeVertexOfTwoFacesRefusesTheEdge)
{
  // Merging the two faces of the opposite vertex would leave one face on two corners.
  auto mesh = Build(PillowPoints(0.0f), PillowFaces(0));
  const auto corners = Corners(*mesh);
  CHalfEdgeCollapse collapse;
  collapse.Begin(mesh.get(), 0, nullptr);
  ASSERT_EQ(collapse.NbHalfEdge(), 6);
  for (int i = 0; i < collapse.NbHalfEdge(); i++) {
    CHalfEdge* h = collapse.GetHalfEdge(i);
    ASSERT_NE(h->GetFace2(), nullptr);
    EXPECT_EQ(collapse.CanRealise(h), 0) << i;
    EXPECT_EQ(collapse.Realise(h), 0) << i;
  }
  collapse.End();
  EXPECT_EQ(mesh->NbVertex(), 3);
  EXPECT_EQ(corners, Corners(*mesh));
  EXPECT_TRUE(AllDataSlotsEmpty(*mesh));
}

TEST(HalfEdgeTwoFaces, ARunLeavesTheTwoFaceComponentWhole)
{
  // An icosphere simplifies beside the two-face component, which keeps its two faces.
  auto sphere = Icosphere(2);
  Points points;
  Triangles faces;
  for (int i = 0; i < sphere->NbVertex(); i++) {
    const CVertex3d* v = sphere->GetVertex(i);
    points.push_back({v->x(), v->y(), v->z()});
  }
  for (const auto& c : Corners(*sphere))
    faces.push_back(c);
  const int first = static_cast<int>(points.size());
  for (const auto& p : PillowPoints(5.0f))
    points.push_back(p);
  for (const auto& t : PillowFaces(first))
    faces.push_back(t);
  auto mesh = Build(points, faces);
  const int euler = EulerCharacteristic(*mesh);

  CHalfEdgeCollapse collapse;
  ASSERT_EQ(collapse.Simplify(mesh.get(), 20, 0, 1, nullptr), 1);
  EXPECT_LE(mesh->NbVertex(), 23);
  EXPECT_GE(mesh->NbVertex(), 20);
  EXPECT_EQ(EulerCharacteristic(*mesh), euler);
  EXPECT_TRUE(HasDistinctCorners(*mesh));
  EXPECT_EQ(mesh->NbVertex(), CountUsedVertices(*mesh));
  // The three pillow vertices are still there, each with its two faces.
  for (const auto& p : PillowPoints(5.0f)) {
    const CVertex3d* v = VertexAt(*mesh, {p[0], p[1], p[2]});
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->NbFaceNeighbor(), 2);
  }
  EXPECT_TRUE(AllDataSlotsEmpty(*mesh));
}
