// Neighbours across edges in quad and polygon meshes whose faces hold two vertices as opposite
// corners while another face has them as an edge: the gate coders read those neighbours, and a
// face holding the pair apart is not across the edge.
#include "GateSuiteMeshes.h"

#include "compression/PolygonGateCoder.h"
#include "compression/PolygonGateDecoder.h"

#include <gtest/gtest.h>

namespace {

// Edge k of the face that runs a -> b.
template <class Face, class Vertex>
int EdgeIndex(const Face* face, const Vertex* a, const Vertex* b, int degree)
{
  for (int k = 0; k < degree; k++)
    if (face->GetVertex(k) == a && face->GetVertex((k + 1) % degree) == b)
      return k;
  return -1;
}

} // namespace

TEST(GateNeighbours, QuadHoldingAnEdgeAsItsDiagonal)
{
  // Quad 1 runs 2 -> 0 along its last edge; quad 0 holds 0 and 2 as opposite corners only.
  auto mesh = gatetest::BuildQuads(
    {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}}, {{0, 1, 2, 3}, {0, 4, 5, 2}});
  const CQuad3d* q0 = mesh->GetQuad(0);
  const CQuad3d* q1 = mesh->GetQuad(1);
  for (int k = 0; k < 4; k++) {
    EXPECT_EQ(q0->f(k), nullptr) << k;
    EXPECT_EQ(q1->f(k), nullptr) << k;
  }
}

TEST(GateNeighbours, PolygonHoldingAnEdgeAsItsDiagonal)
{
  // A closed surface of a quad and two triangles: the triangles share the quad's diagonal 0-2
  // as their common edge, and each shares two quad edges.
  auto mesh = gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                      {{0, 1, 2, 3}, {1, 0, 2}, {3, 2, 0}});
  const CPolygon3d* quad = mesh->GetPolygon(0);
  const CPolygon3d* first = mesh->GetPolygon(1);
  const CPolygon3d* second = mesh->GetPolygon(2);
  EXPECT_EQ(first->GetNeighbor(EdgeIndex(first, mesh->GetVertex(0), mesh->GetVertex(2), 3)), second);
  EXPECT_EQ(second->GetNeighbor(EdgeIndex(second, mesh->GetVertex(2), mesh->GetVertex(0), 3)), first);
  EXPECT_EQ(quad->GetNeighbor(0), first);
  EXPECT_EQ(quad->GetNeighbor(1), first);
  EXPECT_EQ(quad->GetNeighbor(2), second);
  EXPECT_EQ(quad->GetNeighbor(3), second);

  // With the neighbours right, the surface codes and decodes to the same polygons.
  gatetest::CCurrentTempFolder folder;
  for (int seed = 0; seed < 3; seed++) {
    SCOPED_TRACE(seed);
    CPolygonGateCoder coder;
    ASSERT_EQ(coder.Encode(mesh.get(), "mesh.bin", seed, 0, 1, 0, nullptr, 1, 0, 0, 0, 0, nullptr), 1);
    CPolygonGateDecoder decoder;
    CPolygonMesh3d decoded;
    ASSERT_EQ(decoder.Decode(&decoded, "mesh.bin", 0, nullptr, 1, 0), 1);
    const auto& order = coder.GetVertexOrder();
    const auto expected = gatetest::Faces(
      mesh->NbPolygon(), [&](int i) { return gatetest::Corners(*mesh, i); },
      gatetest::RankOf(order, order.GetSize()));
    const auto actual = gatetest::Faces(
      decoded.NbPolygon(), [&](int i) { return gatetest::Corners(decoded, i); },
      gatetest::RankOf(*decoded.GetArrayVertex(), decoded.NbVertex()));
    EXPECT_EQ(actual, expected);
  }
}
