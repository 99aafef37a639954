#include "compression/TriangleGateTopology.h"

#include "mesh/MeshFixtures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Flags as the encoder sets them for the run: each element's own index.
void IndexFlags(CMesh3d* mesh)
{
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->SetFlag(i);
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetFlag(i);
}

int ReadAll(CMesh3d* mesh, CTriangleGateTopology* topology)
{
  IndexFlags(mesh);
  return topology->Build(*mesh);
}

// The faces around vertex v of the octahedron, in the order a walk across the edges leaving
// v meets them.
std::vector<int> FanOrder(const CMesh3d& mesh, const CTriangleGateTopology& t, int v, int start)
{
  std::vector<int> order{start};
  for (int f = start;;) {
    f = t.Neighbor(f, t.PositionOf(f, v));
    if (f == start || static_cast<int>(order.size()) > mesh.NbFace())
      return order;
    order.push_back(f);
  }
}

} // namespace

TEST(TriangleGateTopology, CornersAndNeighboursAreTheMeshsOwnByIndex)
{
  auto mesh = fixtures::Octahedron();
  CTriangleGateTopology t;
  ASSERT_EQ(ReadAll(mesh.get(), &t), 1);
  ASSERT_EQ(t.NbFace(), 8);
  for (int f = 0; f < mesh->NbFace(); f++) {
    const CFace3d* face = mesh->GetFace(f);
    for (int k = 0; k < 3; k++) {
      EXPECT_EQ(mesh->GetVertex(t.Corner(f, k)), face->v(k));
      EXPECT_EQ(mesh->GetFace(t.Neighbor(f, k)), face->f(k));
      EXPECT_EQ(t.PositionOf(f, t.Corner(f, k)), k);
    }
  }
  // A vertex the face does not hold.
  const CFace3d* face = mesh->GetFace(0);
  for (int v = 0; v < mesh->NbVertex(); v++)
    EXPECT_EQ(t.PositionOf(0, v) < 0, !face->HasVertex(mesh->GetVertex(v))) << v;
  // Boundaries read as -1.
  auto strip = fixtures::Strip(3);
  CTriangleGateTopology open;
  ASSERT_EQ(ReadAll(strip.get(), &open), 1);
  int boundary = 0;
  for (int f = 0; f < open.NbFace(); f++)
    for (int k = 0; k < 3; k++)
      boundary += open.Neighbor(f, k) < 0 ? 1 : 0;
  EXPECT_EQ(boundary, open.NbFace() + 2);
}

TEST(TriangleGateTopology, FanClosesOnlyOverConqueredFaces)
{
  // Each octahedron vertex has four faces: from inner, the walk crossing the edges leaving
  // the pivot meets fan[1], fan[2], then fan[3].
  auto mesh = fixtures::Octahedron();
  CTriangleGateTopology t;
  ASSERT_EQ(ReadAll(mesh.get(), &t), 1);
  const int pivot = 0;
  int inner = 0;
  while (t.PositionOf(inner, pivot) < 0)
    inner++;
  const std::vector<int> fan = FanOrder(*mesh, t, pivot, inner);
  ASSERT_EQ(fan.size(), 4u);
  for (int f = 0; f < t.NbFace(); f++)
    EXPECT_EQ(t.Mark(f), 0);
  EXPECT_EQ(t.HasFreeFace(), 1);
  t.SetMark(fan[0], 1);
  // The next face is the outer one.
  EXPECT_EQ(t.FanCloses(fan[0], fan[1], pivot, 0), 1);
  // Through a free face: no.
  EXPECT_EQ(t.FanCloses(fan[0], fan[3], pivot, 0), 0);
  t.SetMark(fan[1], 1);
  t.SetMark(fan[2], 1);
  EXPECT_EQ(t.FanCloses(fan[0], fan[3], pivot, 0), 1);
  // The other way round the pivot, the first face met is fan[3].
  EXPECT_EQ(t.FanCloses(fan[0], fan[3], pivot, 1), 1);
  EXPECT_EQ(t.FanCloses(fan[0], fan[2], pivot, 1), 0);
  // A seed face (2) does not carry the walk.
  t.SetMark(fan[1], 2);
  EXPECT_EQ(t.FanCloses(fan[0], fan[3], pivot, 0), 0);
}

TEST(TriangleGateTopology, FanWalksEndAtBoundariesAndOnFullCircles)
{
  auto strip = fixtures::Strip(4);
  CTriangleGateTopology t;
  ASSERT_EQ(ReadAll(strip.get(), &t), 1);
  // Every face conquered, and an outer face that no fan holds: each walk from face 0 ends on
  // the strip's boundary.
  for (int f = 0; f < t.NbFace(); f++)
    t.SetMark(f, 1);
  EXPECT_EQ(t.HasFreeFace(), 0);
  for (int k = 0; k < 3; k++)
    for (int direction = 0; direction < 2; direction++)
      EXPECT_EQ(t.FanCloses(0, t.NbFace() + 5, t.Corner(0, k), direction), 0);
  // Around a closed fan whose faces are all conquered, a face that is not in the fan is never
  // reached: the walk comes round and stops.
  auto mesh = fixtures::Octahedron();
  CTriangleGateTopology closed;
  ASSERT_EQ(ReadAll(mesh.get(), &closed), 1);
  for (int f = 0; f < closed.NbFace(); f++)
    closed.SetMark(f, 1);
  int away = 0;
  while (closed.PositionOf(away, 0) >= 0)
    away++;
  int inner = 0;
  while (closed.PositionOf(inner, 0) < 0)
    inner++;
  EXPECT_EQ(closed.FanCloses(inner, away, 0, 0), 0);
  EXPECT_EQ(closed.FanCloses(inner, away, 0, 1), 0);
  closed.ClearMarks();
  EXPECT_EQ(closed.HasFreeFace(), 1);
  EXPECT_EQ(closed.Mark(away), 0);
}
