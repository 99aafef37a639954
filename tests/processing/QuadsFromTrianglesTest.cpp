#include "mesh/QuadMesh3d.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

using namespace fixtures;

namespace {
// Every directed quad edge once, and its reverse once: closed and consistently oriented.
bool IsClosedAndOrientedQuads(const CQuadMesh3d& quads)
{
  std::map<std::pair<const void*, const void*>, int> directed;
  for (int i = 0; i < quads.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      directed[{quads.GetQuad(i)->v(k), quads.GetQuad(i)->v(k + 1)}]++;
  for (const auto& [edge, count] : directed) {
    const auto reverse = directed.find({edge.second, edge.first});
    if (count != 1 || reverse == directed.end() || reverse->second != 1)
      return false;
  }
  return true;
}

int NbQuadEdge(const CQuadMesh3d& quads)
{
  std::map<std::pair<const void*, const void*>, int> edges;
  for (int i = 0; i < quads.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      edges[std::minmax<const void*>(quads.GetQuad(i)->v(k), quads.GetQuad(i)->v(k + 1))]++;
  return static_cast<int>(edges.size());
}

int NbUsedQuadVertex(const CQuadMesh3d& quads)
{
  std::map<const void*, int> used;
  for (int i = 0; i < quads.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      used[quads.GetQuad(i)->v(k)]++;
  return static_cast<int>(used.size());
}

// Twice the signed area of the quad projected on z = 0.
float SignedAreaXY(const CQuad3d* q)
{
  float sum = 0;
  for (int k = 0; k < 4; k++)
    sum += q->v(k)->x() * q->v(k + 1)->y() - q->v(k + 1)->x() * q->v(k)->y();
  return sum;
}

std::map<int, int> FlagHistogram(const CMesh3d& mesh)
{
  std::map<int, int> count;
  for (int i = 0; i < mesh.NbFace(); i++)
    count[mesh.GetFace(i)->GetFlag()]++;
  return count;
}
} // namespace

TEST(QuadsFromTriangles, TwoTrianglesOnTheirLongestEdge)
{
  // The diagonal 1-2 is the longest edge of both.
  auto mesh = Build({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}}, {{0, 1, 2}, {2, 1, 3}});
  auto quads = mesh->GenerateQuadsFromTriangles();
  ASSERT_NE(quads, nullptr);
  EXPECT_EQ(quads->NbQuad(), 4);
  EXPECT_EQ(mesh->NbVertex(), 4 + 5);
  EXPECT_EQ(quads->NbVertex(), 9);
  EXPECT_GE(mesh->GetFace(0)->GetFlag(), 2);
  EXPECT_EQ(mesh->GetFace(1)->GetFlag(), 0);  // the partner made no quads of its own
  EXPECT_EQ(*mesh->GetFace(1)->GetColor(), CColor(128, 128, 128));
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(mesh->GetVertex(i)->GetFlag(), i);
  // The first added vertex is the midpoint of edge 0 of face 0; it lies in the quads.
  EXPECT_FLOAT_EQ(quads->GetVertex(4)->x(), 1.0f);
  EXPECT_FLOAT_EQ(quads->GetVertex(4)->y(), 0.0f);
  for (int i = 0; i < quads->NbQuad(); i++) {
    EXPECT_EQ(quads->GetQuad(i)->IsValid(), 1);
    EXPECT_GT(SignedAreaXY(quads->GetQuad(i)), 0.0f) << "quad " << i;
  }
  // The centre of the shared edge is a corner of all four quads.
  const CQuadVertex3d* centre = nullptr;
  for (int i = 4; i < quads->NbVertex(); i++)
    if (quads->GetVertex(i)->x() == 1.0f && quads->GetVertex(i)->y() == 1.0f)
      centre = quads->GetVertex(i);
  ASSERT_NE(centre, nullptr);
  for (int i = 0; i < quads->NbQuad(); i++)
    EXPECT_EQ(quads->GetQuad(i)->HasVertex(centre), 1);
  EXPECT_EQ(NbUsedQuadVertex(*quads), 9);
  // Nothing borrowed stays in the data pointers.
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(mesh->GetFace(i)->GetData(), nullptr);
}

TEST(QuadsFromTriangles, SingleTriangleAroundItsCentroid)
{
  auto mesh = Build({{0, 0, 0}, {3, 0, 0}, {0, 3, 0}}, {{0, 1, 2}});
  auto quads = mesh->GenerateQuadsFromTriangles();
  EXPECT_EQ(mesh->GetFace(0)->GetFlag(), 1);
  EXPECT_EQ(*mesh->GetFace(0)->GetColor(), CColor(200, 200, 200));
  EXPECT_EQ(quads->NbQuad(), 3);
  EXPECT_EQ(mesh->NbVertex(), 3 + 4);
  // The centroid comes first among the added vertices.
  EXPECT_FLOAT_EQ(quads->GetVertex(3)->x(), 1.0f);
  EXPECT_FLOAT_EQ(quads->GetVertex(3)->y(), 1.0f);
  for (int i = 0; i < quads->NbQuad(); i++) {
    EXPECT_EQ(quads->GetQuad(i)->HasVertex(quads->GetVertex(3)), 1);
    EXPECT_GT(SignedAreaXY(quads->GetQuad(i)), 0.0f);
  }
  EXPECT_EQ(mesh->GetFace(0)->GetData(), nullptr);
}

TEST(QuadsFromTriangles, PairsWithTheNeighbourAcrossTheLongestEdge)
{
  // Centre face (0, 1, 2): edge 0-1 of length 2, 1-2 of sqrt 5, 2-0 of 1; one face beyond each.
  auto mesh = Build({{0, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, -1, 0}, {1.5f, 1.5f, 0}, {-1, 0.5f, 0}},
                    {{0, 1, 2}, {1, 0, 3}, {2, 1, 4}, {0, 2, 5}});
  mesh->PairTriangles();
  const int pair = mesh->GetFace(0)->GetFlag();
  EXPECT_GE(pair, 2);
  EXPECT_EQ(mesh->GetFace(2)->GetFlag(), pair);
  EXPECT_EQ(mesh->GetFace(1)->GetFlag(), 1);
  EXPECT_EQ(mesh->GetFace(3)->GetFlag(), 1);
  EXPECT_EQ(mesh->GetModified(), 1);

  // A strip pairs along itself, numbering the pairs in flood order.
  auto strip = Strip(2);
  strip->PairTriangles();
  const int first = strip->GetFace(0)->GetFlag();
  EXPECT_EQ(strip->GetFace(1)->GetFlag(), first);
  EXPECT_EQ(strip->GetFace(2)->GetFlag(), first + 1);
  EXPECT_EQ(strip->GetFace(3)->GetFlag(), first + 1);
  // Numbering goes on from one pairing to the next.
  auto other = Strip(1);
  other->PairTriangles();
  EXPECT_EQ(other->GetFace(0)->GetFlag(), first + 2);
}

TEST(QuadsFromTriangles, ClosedMeshGivesAClosedQuadMesh)
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(Icosphere(2));
  meshes.push_back(Torus(8));
  for (auto& mesh : meshes) {
    const int nbVertex = mesh->NbVertex();
    const int nbEdge = NbEdge(*mesh);
    const int nbFace = mesh->NbFace();
    const int euler = EulerCharacteristic(*mesh);
    auto quads = mesh->GenerateQuadsFromTriangles();
    // After the conversion one face of each pair keeps the number, its partner has 0.
    int pairs = 0;
    int unpaired = 0;
    for (const auto& [flag, count] : FlagHistogram(*mesh)) {
      pairs += flag >= 2 ? count : 0;
      unpaired += flag == 1 ? count : 0;
    }
    EXPECT_EQ(FlagHistogram(*mesh)[0], pairs);
    EXPECT_EQ(2 * pairs + unpaired, nbFace);
    EXPECT_EQ(quads->NbQuad(), 4 * pairs + 3 * unpaired);
    EXPECT_EQ(mesh->NbVertex(), nbVertex + nbEdge + unpaired);
    EXPECT_EQ(quads->NbVertex(), mesh->NbVertex());
    EXPECT_TRUE(IsClosedAndOrientedQuads(*quads));
    EXPECT_EQ(NbUsedQuadVertex(*quads) - NbQuadEdge(*quads) + quads->NbQuad(), euler);
    // The triangle mesh keeps its surface; the added vertices stand apart from it.
    EXPECT_EQ(EulerCharacteristic(*mesh), euler + nbEdge + unpaired);
    EXPECT_TRUE(IsClosedAndOriented(*mesh));
    EXPECT_EQ(quads->IsValid(), 1);
  }
}

TEST(QuadsFromTriangles, EveryPieceAndEveryWindingIsConverted)
{
  // Two separate triangles: both are converted.
  auto apart = Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 0, 0}, {6, 0, 0}, {5, 1, 0}},
                     {{0, 1, 2}, {3, 4, 5}});
  EXPECT_EQ(apart->GenerateQuadsFromTriangles()->NbQuad(), 6);

  // A neighbour wound the other way still shares the midpoint of the common edge.
  auto flipped = Build({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}}, {{0, 1, 2}, {1, 2, 3}});
  auto quads = flipped->GenerateQuadsFromTriangles();
  EXPECT_EQ(quads->NbQuad(), 4);
  EXPECT_EQ(NbUsedQuadVertex(*quads), 9);
  EXPECT_EQ(quads->IsValid(), 1);
}

TEST(QuadsFromTriangles, ConvertingAgainAfterCleanupIsSafe)
{
  auto mesh = Octahedron();
  auto first = mesh->GenerateQuadsFromTriangles();
  // The added vertices are used by no face: a cleanup deletes them, the edge slots stay.
  const int added = mesh->NbVertex() - 6;
  EXPECT_EQ(mesh->RemoveUnusedVertices(), added);
  auto second = mesh->GenerateQuadsFromTriangles();
  EXPECT_EQ(second->NbQuad(), first->NbQuad());
  EXPECT_TRUE(IsClosedAndOrientedQuads(*second));

  CMesh3d empty;
  auto none = empty.GenerateQuadsFromTriangles();
  EXPECT_EQ(none->NbQuad(), 0);
}

TEST(QuadsFromTriangles, DeepFloodOnALargeGrid)
{
  auto grid = FlatGrid(150, 150);
  auto quads = grid->GenerateQuadsFromTriangles();
  int pairs = 0;
  int unpaired = 0;
  for (const auto& [flag, count] : FlagHistogram(*grid)) {
    pairs += flag >= 2 ? count : 0;
    unpaired += flag == 1 ? count : 0;
  }
  EXPECT_EQ(2 * pairs + unpaired, 2 * 149 * 149);
  EXPECT_EQ(quads->NbQuad(), 4 * pairs + 3 * unpaired);
}
