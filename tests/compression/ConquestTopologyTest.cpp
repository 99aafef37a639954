// The conquest coder on every topology class: every vertex coded once with its valence, from
// every seed (or a spread of seeds on the larger meshes), in both modes.
#include "ConquestTopology.h"
#include "compression/ConquestFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// What every vertex's code must be: its neighbour count, the ghost counted on a boundary.
std::vector<unsigned int> ExpectedValences(const CMesh3d& mesh)
{
  std::vector<unsigned int> valences;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    valences.push_back(static_cast<unsigned int>(v->NbVertexNeighbor() + (v->IsOnBoundary() ? 1 : 0)));
  }
  std::sort(valences.begin(), valences.end());
  return valences;
}

int CountCode(const std::vector<unsigned int>& codes, unsigned int code)
{
  int n = 0;
  for (size_t i = 3; i < codes.size(); i++) {
    if (codes[i] == 1 && code != 1)
      i++; // the split's offset
    else if (codes[i] == code)
      n++;
  }
  return n;
}

// Runs the coder from the given seeds in both modes and checks its invariants.
void ExpectCompleteConquests(CMesh3d* pMesh, int seedStep)
{
  const std::vector<unsigned int> expected = ExpectedValences(*pMesh);
  const int nbVertex = pMesh->NbVertex();
  const int nbFace = pMesh->NbFace();
  conquest::CScratchFolder folder;
  for (int deterministic = 0; deterministic < 2; deterministic++)
    for (int seed = 0; seed < nbFace; seed += seedStep) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " deterministic " << deterministic);
      CConquestCoder coder;
      conquest::SOptions o;
      o.SeedFace = seed;
      o.Deterministic = deterministic;
      ASSERT_EQ(conquest::Encode(coder, pMesh, o).Ok, 1);
      EXPECT_EQ(coder.GetCodedVertexCount(), nbVertex);
      std::vector<unsigned int> valences = conquest::Valences(coder.GetCodes());
      std::sort(valences.begin(), valences.end());
      ASSERT_EQ(valences, expected);
      EXPECT_EQ(CountCode(coder.GetCodes(), 1), coder.GetSplitCount());
      // The ghost goes again; the mesh is as it was.
      ASSERT_EQ(pMesh->NbVertex(), nbVertex);
      ASSERT_EQ(pMesh->NbFace(), nbFace);
    }
}

struct SCase
{
  const char* Name;
  std::function<std::unique_ptr<CMesh3d>()> Mesh;
  int SeedStep; // 1: every seed
};

std::unique_ptr<CMesh3d> TwoComponents()
{
  auto a = conquesttopology::Plate(2);
  auto b = conquesttopology::GridWithHoles(3);
  return conquesttopology::Components({a.get(), b.get()});
}

std::unique_ptr<CMesh3d> ThreeComponents()
{
  auto a = conquesttopology::TorusGrid(4, 3);
  auto b = conquesttopology::Annulus(5);
  auto c = fixtures::Icosphere(1);
  return conquesttopology::Components({a.get(), b.get(), c.get()});
}

} // namespace

TEST(ConquestTopology, GeneratorsGiveTheirTopology)
{
  // Euler characteristic 2 - 2g - b (components add theirs).
  EXPECT_EQ(fixtures::EulerCharacteristic(*conquesttopology::TorusGrid(5, 4)), 0);
  for (int g : {1, 2, 7})
    EXPECT_EQ(fixtures::EulerCharacteristic(*conquesttopology::Plate(g)), 2 - 2 * g);
  EXPECT_EQ(fixtures::EulerCharacteristic(*conquesttopology::Plate(3, 4, 2, 5)), 2 - 2 * 12);
  for (int h : {1, 10, 300})
    EXPECT_EQ(fixtures::EulerCharacteristic(*conquesttopology::GridWithHoles(h)), 2 - (h + 1));
  EXPECT_EQ(fixtures::EulerCharacteristic(*conquesttopology::Annulus(7)), 0);
  EXPECT_EQ(fixtures::EulerCharacteristic(*ThreeComponents()), 0 + 0 + 2);
  const auto plate = conquesttopology::Plate(4, 3, 2, 3);
  const auto torus = conquesttopology::TorusGrid(6, 5);
  for (const CMesh3d* mesh : {plate.get(), torus.get()}) {
    EXPECT_TRUE(fixtures::IsClosed(*mesh));
    EXPECT_TRUE(fixtures::IsOriented(*mesh));
  }
}

TEST(ConquestTopology, SmallMeshesCodeEveryVertexFromEverySeed)
{
  const SCase cases[] = {
      {"3x3 torus grid", [] { return conquesttopology::TorusGrid(3, 3); }, 1},
      {"7x5 torus grid", [] { return conquesttopology::TorusGrid(7, 5); }, 1},
      {"plate of genus 1", [] { return conquesttopology::Plate(1); }, 1},
      {"plate of genus 2", [] { return conquesttopology::Plate(2); }, 1},
      {"plate of genus 6, cut at random", [] { return conquesttopology::Plate(3, 2, 1, 2); }, 1},
      {"annulus of 14 vertices", [] { return conquesttopology::Annulus(7); }, 1},
      {"grid with one hole", [] { return conquesttopology::GridWithHoles(1); }, 1},
      {"grid with 7 holes", [] { return conquesttopology::GridWithHoles(7); }, 1},
      {"two components", TwoComponents, 1},
      {"three components", ThreeComponents, 1},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto mesh = c.Mesh();
    ExpectCompleteConquests(mesh.get(), c.SeedStep);
  }
}

TEST(ConquestTopology, LargeMeshesCodeEveryVertexFromASpreadOfSeeds)
{
  const SCase cases[] = {
      {"40x30 torus grid", [] { return conquesttopology::TorusGrid(40, 30); }, 397},
      {"plate of genus 20", [] { return conquesttopology::Plate(20); }, 97},
      {"plate of genus 144", [] { return conquesttopology::Plate(12, 12); }, 571},
      {"thick plate of genus 36, cut at random", [] { return conquesttopology::Plate(6, 6, 3, 7); }, 293},
      {"grid with 50 holes", [] { return conquesttopology::GridWithHoles(50); }, 79},
      {"grid with 300 holes", [] { return conquesttopology::GridWithHoles(300); }, 431},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto mesh = c.Mesh();
    ExpectCompleteConquests(mesh.get(), c.SeedStep);
  }
}

TEST(ConquestTopology, DeterministicAnnulusCodesAllFourteenVertices)
{
  // The smallest mesh that stopped the deterministic conquest: 14 vertices, 14 faces.
  auto mesh = conquesttopology::Annulus(7);
  ASSERT_EQ(mesh->NbVertex(), 14);
  ASSERT_EQ(mesh->NbFace(), 14);
  conquest::CScratchFolder folder;
  for (int seed = 0; seed < 14; seed++) {
    CConquestCoder coder;
    conquest::SOptions o;
    o.SeedFace = seed;
    o.Deterministic = 1;
    ASSERT_EQ(conquest::Encode(coder, mesh.get(), o).Ok, 1);
    EXPECT_EQ(coder.GetCodedVertexCount(), 14) << seed;
  }
}

TEST(ConquestTopology, EachComponentStartsWithItsThreeSeedValences)
{
  // Two tetrahedra: the second is seeded at its first face once the first is done, and its
  // three corners' valences follow the first one's codes directly.
  auto a = fixtures::Tetrahedron();
  auto b = fixtures::Tetrahedron();
  auto mesh = conquesttopology::Components({a.get(), b.get()});
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(conquest::Encode(coder, mesh.get()).Ok, 1);
  EXPECT_EQ(coder.GetCodedVertexCount(), 8);
  EXPECT_EQ(coder.GetCodes(), (std::vector<unsigned int>{3, 3, 3, 3, 3, 3, 3, 3}));
}
