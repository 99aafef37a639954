// The join predictions of the polygon coder, each on a case where it is exact: continuing a
// parallelogram or a square grid across the gate puts the predicted point on the vertex, which
// then ranks first.
#include "GateTestUtil.h"

#include "compression/PolygonGateJoin.h"
#include "mesh/PolygonGate3d.h"
#include "mesh/PolygonMesh3d.h"

#include <gtest/gtest.h>

namespace {

using polygonjoin::Point;

void ExpectPoint(const Point& p, double x, double y)
{
  EXPECT_DOUBLE_EQ(p[0], x);
  EXPECT_DOUBLE_EQ(p[1], y);
  EXPECT_DOUBLE_EQ(p[2], 0.0);
}

} // namespace

TEST(PolygonGateJoin, TrianglePredictionsContinueTheParallelogram)
{
  // Inner triangle (v1, v2, w) = (0,0), (2,0), (1,2): the gate runs v1 -> v2.
  auto mesh = gatetest::BuildPolygons({{0, 0, 0}, {2, 0, 0}, {1, 2, 0}}, {{0, 1, 2}});
  CPolygonGate3d gate(mesh->GetVertex(0), mesh->GetVertex(1));
  ASSERT_NE(gate.GetPolygon(), nullptr);
  // T join: v2 + (v1 - w).
  ExpectPoint(polygonjoin::Predict(&gate, -1), 1.0, -2.0);
  // Q join: from v1 (corner 0) or v2 (corner 1), half of (v1 - w) + (v2 - w).
  ExpectPoint(polygonjoin::Predict(&gate, 0), 0.0, -2.0);
  ExpectPoint(polygonjoin::Predict(&gate, 1), 2.0, -2.0);
}

TEST(PolygonGateJoin, QuadPredictionsContinueTheGrid)
{
  // Inner quad (v1, v2, u1, u2) = (0,0), (1,0), (1,1), (0,1) and the row below it: the
  // predictions land on the grid's vertices.
  auto mesh = gatetest::BuildPolygons(
      {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, -1, 0}, {1, -1, 0}, {0.5f, -1, 0}},
      {{0, 1, 2, 3}});
  CPolygonGate3d gate(mesh->GetVertex(0), mesh->GetVertex(1));
  ASSERT_NE(gate.GetPolygon(), nullptr);
  // T join: v2 + v1 - (u1 + u2) / 2.
  const Point t = polygonjoin::Predict(&gate, -1);
  ExpectPoint(t, 0.5, -1.0);
  // Q join: v1 + (v1 - u2) and v2 + (v2 - u1).
  const Point q0 = polygonjoin::Predict(&gate, 0);
  const Point q1 = polygonjoin::Predict(&gate, 1);
  ExpectPoint(q0, 0.0, -1.0);
  ExpectPoint(q1, 1.0, -1.0);

  // Exact predictions rank their vertex first among the candidates (vertices a gate holds).
  CArray3d<CPolygonVertex3d> order;
  for (int i = 0; i < mesh->NbVertex(); i++)
    order.Add(mesh->GetVertex(i));
  std::vector<std::unique_ptr<CPolygonGate3d>> holders;
  for (int i = 2; i < 7; i++)
    holders.push_back(std::make_unique<CPolygonGate3d>(mesh->GetVertex(i), mesh->GetVertex(i == 6 ? 2 : i + 1)));
  const auto first = [&](const Point& p) { return polygonjoin::Rank(order, 7, &gate, p).front(); };
  EXPECT_EQ(first(t), mesh->GetVertex(6));
  EXPECT_EQ(first(q0), mesh->GetVertex(4));
  EXPECT_EQ(first(q1), mesh->GetVertex(5));
}
