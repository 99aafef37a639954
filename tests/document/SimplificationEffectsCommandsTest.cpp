// Independent edge collapses from the menu: each collapse merges the two ends of an edge at its
// midpoint, removing one vertex and two faces; an edge is chosen only when its two faces touch
// no edge chosen before, and the mesh stays closed.
#include "tests/document/CommandFixture.h"

#include "tests/mesh/MeshFixtures.h"

#include <array>
#include <map>
#include <set>

namespace {

using Point = std::array<float, 3>;

class CSimplificationEffectsCommandsTest : public CCommandFixture
{
protected:
  static Point PointOf(const CVertex3d* v) { return {v->x(), v->y(), v->z()}; }
};

} // namespace

TEST_F(CSimplificationEffectsCommandsTest, IndependentCollapsesMergeSeparateEdgesAtTheirMidpoints)
{
  CMesh3d* pMesh = SetMesh([](CMesh3d& mesh) { mesh.Copy(fixtures::Icosphere(2).get()); });
  const int nbVertex = pMesh->NbVertex();
  const int nbFace = pMesh->NbFace();
  // The original vertices by position, and their neighbours.
  std::map<Point, int> index;
  std::vector<std::set<int>> neighbours(nbVertex);
  for (int i = 0; i < nbVertex; i++)
    index[PointOf(pMesh->GetVertex(i))] = i;
  ASSERT_EQ(static_cast<int>(index.size()), nbVertex);
  for (int i = 0; i < nbVertex; i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    for (int k = 0; k < v->NbVertexNeighbor(); k++)
      neighbours[i].insert(index.at(PointOf(v->GetVertexNeighbor(k))));
  }
  // Every midpoint of an edge, by position.
  std::map<Point, std::pair<int, int>> midpoints;
  for (int a = 0; a < nbVertex; a++)
    for (int b : neighbours[a])
      if (a < b) {
        const CVertex3d* p = pMesh->GetVertex(a);
        const CVertex3d* q = pMesh->GetVertex(b);
        midpoints[{(p->x() + q->x()) / 2, (p->y() + q->y()) / 2, (p->z() + q->z()) / 2}] = {a, b};
      }

  ASSERT_TRUE(Run(ID_SIMPLIFICATION_INDEPENDENT_COLLAPSES));
  const int collapses = nbVertex - pMesh->NbVertex();
  ASSERT_GT(collapses, 0);
  EXPECT_EQ(pMesh->NbFace(), nbFace - 2 * collapses);

  // Each vertex is an original one or the midpoint of a collapsed edge.
  std::vector<std::pair<int, int>> collapsed;
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    const Point p = PointOf(pMesh->GetVertex(i));
    if (index.count(p))
      continue;
    const auto it = midpoints.find(p);
    ASSERT_NE(it, midpoints.end()) << "vertex " << i << " is neither original nor a midpoint";
    collapsed.push_back(it->second);
  }
  ASSERT_EQ(static_cast<int>(collapsed.size()), collapses);
  // Once an edge is chosen every face around its two ends is taken: of two chosen edges, the
  // later one's two faces (its ends and their two common neighbours) avoid the earlier's ends.
  auto faces = [&neighbours](std::pair<int, int> e) {
    std::set<int> corners = {e.first, e.second};
    for (int c : neighbours[e.first])
      if (neighbours[e.second].count(c))
        corners.insert(c);
    return corners;
  };
  auto avoids = [](const std::set<int>& corners, std::pair<int, int> e) {
    return !corners.count(e.first) && !corners.count(e.second);
  };
  for (size_t e = 0; e < collapsed.size(); e++)
    for (size_t f = e + 1; f < collapsed.size(); f++) {
      ASSERT_EQ(faces(collapsed[e]).size(), 4u);
      EXPECT_TRUE(avoids(faces(collapsed[f]), collapsed[e]) || avoids(faces(collapsed[e]), collapsed[f]))
        << collapsed[e].first << "-" << collapsed[e].second << " and " << collapsed[f].first << "-"
        << collapsed[f].second;
    }

  // Still closed, with the sphere's Euler characteristic, rebuilt and unflagged.
  EXPECT_TRUE(CornersInMesh(pMesh));
  int edges = 0;
  for (int i = 0; i < pMesh->NbVertex(); i++)
    edges += pMesh->GetVertex(i)->NbVertexNeighbor();
  EXPECT_EQ(pMesh->NbVertex() - edges / 2 + pMesh->NbFace(), 2);
  for (int i = 0; i < pMesh->NbFace(); i++) {
    EXPECT_EQ(pMesh->GetFace(i)->NbFaceNeighbor(), 3) << i;
    EXPECT_EQ(pMesh->GetFace(i)->GetFlag(), 0) << i;
  }
  EXPECT_TRUE(pMesh->IsValid());

  // Another pass finds other edges and goes on.
  const int before = pMesh->NbVertex();
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_INDEPENDENT_COLLAPSES));
  EXPECT_LT(pMesh->NbVertex(), before);
  EXPECT_TRUE(pMesh->IsValid());
}
