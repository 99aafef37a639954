#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "tests/mesh/MeshFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

void ExpectSoundMesh(CMesh3d* mesh, int euler, bool closed)
{
  EXPECT_EQ(euler, fixtures::EulerCharacteristic(*mesh));
  if (closed) {
    EXPECT_TRUE(fixtures::IsClosed(*mesh));
  }
  EXPECT_TRUE(fixtures::IsOriented(*mesh));
  fixtures::ExpectAdjacencyMatchesRebuild(mesh);
}

int CountRemovals(const CProgressiveCodeList* codes)
{
  int n = 0;
  for (unsigned int code : codes->GetCodes())
    n += code >= 3 ? 1 : 0;
  return n;
}

// Layers alternate simple and double until nothing more is removed.
std::vector<std::vector<unsigned int>> DecimateFully(CMesh3d* mesh, CProgressiveCoder* coder,
                                                     bool closed)
{
  const int euler = fixtures::EulerCharacteristic(*mesh);
  std::vector<std::vector<unsigned int>> codes;
  for (int pair = 0; pair < 20; pair++) {
    int removed = 0;
    for (int gateType = 0; gateType < 2; gateType++) {
      const int before = mesh->NbVertex();
      const int r = coder->EncodeLayer(mesh, gateType, gateType == 0 ? 6 : 3);
      const CProgressiveCodeList* list = coder->GetLayerCodes(coder->NbLayer() - 1);
      EXPECT_EQ(before - r, mesh->NbVertex());
      EXPECT_EQ(r, CountRemovals(list));
      EXPECT_EQ(gateType, list->GetGateType());
      for (unsigned int code : list->GetCodes()) {
        EXPECT_GE(code, gateType == 0 ? 1u : 2u);
        EXPECT_LE(code, gateType == 0 ? 6u : 3u);
      }
      ExpectSoundMesh(mesh, euler, closed);
      codes.push_back(list->GetCodes());
      removed += r;
    }
    if (removed == 0)
      break;
  }
  return codes;
}

TEST(ProgressiveLayer, ClosedMeshesKeepTopologyThroughEveryLayer)
{
  for (int levels = 1; levels <= 3; levels++) {
    auto mesh = fixtures::Icosphere(levels);
    const int n0 = mesh->NbVertex();
    CProgressiveCoder coder;
    coder.SetForbidNormalFlipping(1);
    DecimateFully(mesh.get(), &coder, true);
    EXPECT_LT(mesh->NbVertex(), n0 / 2) << "levels " << levels;
    EXPECT_GE(mesh->NbVertex(), 4);
  }
}

TEST(ProgressiveLayer, FirstSimpleLayerRemovesAnIndependentSet)
{
  auto mesh = fixtures::Icosphere(2);
  const int n0 = mesh->NbVertex();
  std::vector<std::vector<const CVertex3d*>> ringOf(n0);
  for (int i = 0; i < n0; i++)
    for (int k = 0; k < mesh->GetVertex(i)->NbVertexNeighbor(); k++)
      ringOf[i].push_back(mesh->GetVertex(i)->GetVertexNeighbor(k));
  std::vector<const CVertex3d*> before;
  for (int i = 0; i < n0; i++)
    before.push_back(mesh->GetVertex(i));
  CProgressiveCoder coder;
  const int removed = coder.EncodeLayer(mesh.get(), 0, 6);
  ASSERT_GT(removed, 0);
  // Two removed vertices are never neighbours: each hole is bounded by kept vertices.
  for (int i = 0; i < n0; i++) {
    if (mesh->IndexFrom(before[i]) >= 0)
      continue;
    for (const CVertex3d* w : ringOf[i])
      EXPECT_GE(mesh->IndexFrom(w), 0);
  }
}

// Boundary vertices go only at valence 3, one code 1 each, and the boundary stays one loop.
TEST(ProgressiveLayer, OpenMeshLosesOnlyValenceThreeBoundaryVertices)
{
  auto mesh = fixtures::Build(
      [] {
        fixtures::Points p;
        for (int j = 0; j < 7; j++)
          for (int i = 0; i < 7; i++)
            p.push_back({static_cast<float>(i), static_cast<float>(j), 0.1f * ((i * j) % 3)});
        return p;
      }(),
      [] {
        fixtures::Triangles t;
        for (int j = 0; j < 6; j++)
          for (int i = 0; i < 6; i++) {
            const int a = j * 7 + i;
            t.push_back({a, a + 1, a + 8});
            t.push_back({a, a + 8, a + 7});
          }
        return t;
      }());
  int boundary = 0;
  for (int i = 0; i < mesh->NbVertex(); i++)
    boundary += mesh->GetVertex(i)->IsOnBoundary();
  CProgressiveCoder coder;
  const auto layers = DecimateFully(mesh.get(), &coder, false);
  int boundaryRemovals = 0;
  for (const auto& codes : layers)
    for (size_t i = 0; i < codes.size(); i++)
      if (codes[i] == 1) {
        boundaryRemovals++;
        ASSERT_LT(i + 1, codes.size());
        EXPECT_TRUE(codes[i + 1] == 5 || codes[i + 1] == 6);
      }
  EXPECT_GT(boundaryRemovals, 0);
  int after = 0;
  for (int i = 0; i < mesh->NbVertex(); i++)
    after += mesh->GetVertex(i)->IsOnBoundary();
  EXPECT_EQ(boundary - boundaryRemovals, after);
  EXPECT_LT(mesh->NbVertex(), 49);
}

TEST(ProgressiveLayer, HighValenceAndPureValenceAreRespected)
{
  // Octahedron: every vertex has valence 4, none can go when only valence 3 or 6 is allowed.
  {
    auto mesh = fixtures::Octahedron();
    CProgressiveCoder coder;
    EXPECT_EQ(0, coder.EncodeLayer(mesh.get(), 1, 3));
    EXPECT_EQ(6, mesh->NbVertex());
    coder.SetPureValence(1);
    EXPECT_EQ(0, coder.EncodeLayer(mesh.get(), 0, 6));
    EXPECT_EQ(6, mesh->NbVertex());
  }
  // A fan of valence 7 around its centre: the centre stays.
  {
    auto mesh = fixtures::Icosphere(1);
    CProgressiveCoder coder;
    EXPECT_EQ(0, coder.EncodeLayer(mesh.get(), 0, 4));
    EXPECT_EQ(42, mesh->NbVertex());
  }
}

TEST(ProgressiveLayer, CodesAreDeterministic)
{
  auto a = fixtures::Icosphere(3);
  auto b = fixtures::Icosphere(3);
  CProgressiveCoder coderA;
  CProgressiveCoder coderB;
  const auto codesA = DecimateFully(a.get(), &coderA, true);
  const auto codesB = DecimateFully(b.get(), &coderB, true);
  EXPECT_EQ(codesA, codesB);
  ASSERT_EQ(a->NbVertex(), b->NbVertex());
  for (int i = 0; i < a->NbVertex(); i++)
    EXPECT_EQ(a->GetVertex(i)->x(), b->GetVertex(i)->x());
}

} // namespace

namespace {

using Triple = std::array<std::array<float, 3>, 3>;

// Faces as position triples rotated to start at their smallest corner, sorted.
std::vector<Triple> FacesByPosition(const CMesh3d& mesh)
{
  std::vector<Triple> faces;
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    Triple t;
    for (int k = 0; k < 3; k++)
      t[k] = {f->v(k)->x(), f->v(k)->y(), f->v(k)->z()};
    const auto first = std::min_element(t.begin(), t.end());
    std::rotate(t.begin(), first, t.end());
    faces.push_back(t);
  }
  std::sort(faces.begin(), faces.end());
  return faces;
}

TEST(ProgressiveLayer, DecodingRestoresTheOriginalConnectivity)
{
  for (int levels = 1; levels <= 3; levels++) {
    auto mesh = fixtures::Icosphere(levels);
    const auto original = FacesByPosition(*mesh);
    const int n0 = mesh->NbVertex();
    CProgressiveCoder coder;
    coder.SetForbidNormalFlipping(1);
    DecimateFully(mesh.get(), &coder, true);
    ASSERT_LT(mesh->NbVertex(), n0);
    ASSERT_EQ(1, coder.DecodeLayers(mesh.get()));
    EXPECT_EQ(n0, mesh->NbVertex());
    EXPECT_EQ(original, FacesByPosition(*mesh)) << "levels " << levels;
    ExpectSoundMesh(mesh.get(), 2, true);
  }
}

TEST(ProgressiveLayer, CodesOfAnotherMeshAreRefused)
{
  auto mesh = fixtures::Icosphere(2);
  CProgressiveCoder coder;
  DecimateFully(mesh.get(), &coder, true);
  auto other = fixtures::Octahedron();
  EXPECT_EQ(0, coder.DecodeLayers(other.get()));
  ExpectSoundMesh(other.get(), 2, true);
}

} // namespace
