// The points a step puts on the edges depend on the edges' ends and opposite corners only, not on
// the direction in which either face holds the edge: a face turned over moves none of them.
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using fixtures::Position;

// The torus with the faces i where turn(i) holds turned over (corners 1 and 2 swapped).
std::unique_ptr<CMesh3d> Turned(const CMesh3d& mesh, const std::function<bool(int)>& turn)
{
  auto corners = fixtures::Corners(mesh);
  for (size_t i = 0; i < corners.size(); i++)
    if (turn(static_cast<int>(i)))
      std::swap(corners[i][1], corners[i][2]);
  return fixtures::Build(fixtures::Positions(mesh), corners);
}

// The positions of the vertices the step made, sorted.
std::vector<Position> EdgePoints(CMesh3d& mesh, const std::function<void(CMesh3d&)>& step)
{
  const int nbOld = mesh.NbVertex();
  step(mesh);
  std::vector<Position> points;
  for (int i = nbOld; i < mesh.NbVertex(); i++)
    points.push_back(fixtures::PositionOf(mesh.GetVertex(i)));
  std::sort(points.begin(), points.end());
  return points;
}

TEST(SubdivisionEdgeRule, TurnedFacesMoveNoEdgePoint)
{
  const std::pair<const char*, std::function<void(CMesh3d&)>> steps[] = {
    {"loop", [](CMesh3d& m) { m.SubdivisionLoop(); }},
    {"four", [](CMesh3d& m) { m.Subdivision(); }},
  };
  const std::pair<const char*, std::function<bool(int)>> turns[] = {
    {"every fourth", [](int i) { return i % 4 == 0; }},
    {"every other", [](int i) { return i % 2 == 1; }},
    {"one", [](int i) { return i == 5; }},
  };
  auto torus = fixtures::Torus(7);
  fixtures::Perturb(*torus, 0.05f);
  for (const auto& [name, step] : steps) {
    auto plain = Turned(*torus, [](int) { return false; });
    const std::vector<Position> expected = EdgePoints(*plain, step);
    // One point per edge of the closed torus: 3 per 2 faces.
    ASSERT_EQ(expected.size(), 3 * static_cast<size_t>(torus->NbFace()) / 2) << name;
    for (const auto& [turnName, turn] : turns) {
      auto turned = Turned(*torus, turn);
      EXPECT_EQ(EdgePoints(*turned, step), expected) << name << ", " << turnName;
    }
  }
}

} // namespace
