// Exact code sequences of small meshes, worked out by hand from the conquest rules, and the
// invariants every complete conquest keeps.
#include "compression/ConquestFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

using conquest::Encode;
using conquest::SOptions;
using Codes = std::vector<unsigned int>;

namespace {

SOptions Deterministic()
{
  SOptions o;
  o.Deterministic = 1;
  return o;
}

// Every face conquered once: the seed, one per emitting step, one per completion.
int CountConqueringSteps(const Codes& codes)
{
  int steps = 0;
  for (size_t i = 3; i < codes.size(); i++, steps++)
    if (codes[i] == 1)
      i++;
  return steps;
}

std::vector<unsigned int> SortedValences(const CMesh3d& mesh, bool withGhost)
{
  std::vector<unsigned int> valences;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    valences.push_back(static_cast<unsigned int>(v->NbVertexNeighbor() + (withGhost && v->IsOnBoundary() ? 1 : 0)));
  }
  std::sort(valences.begin(), valences.end());
  return valences;
}

// What a complete conquest of a connected mesh must give: one valence per vertex (the ghost
// counted among the neighbours of the boundary), every face conquered exactly once, splits
// followed by offsets of at least 6.
void ExpectCompleteConquest(CMesh3d* pMesh, const SOptions& options = {})
{
  const auto valences = SortedValences(*pMesh, true);
  const int nbFace = pMesh->NbFace();
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  SOptions keep = options;
  keep.RemoveGhost = 0;
  ASSERT_EQ(Encode(coder, pMesh, keep).Ok, 1);
  const Codes& codes = coder.GetCodes();
  auto coded = conquest::Valences(codes);
  std::sort(coded.begin(), coded.end());
  EXPECT_EQ(coded, valences);
  EXPECT_EQ(pMesh->CountFacesWithFlag(1), pMesh->NbFace());
  EXPECT_EQ(1 + CountConqueringSteps(codes) + coder.GetCompletedCount(), pMesh->NbFace());
  const int nbGhostFace = pMesh->NbFace() - nbFace;
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 0u) > 0, nbGhostFace > 0);
  for (size_t i = 3; i < codes.size(); i++) {
    if (codes[i] == 1) {
      EXPECT_GE(codes[++i], 6u);
    }
  }
}

} // namespace

TEST(ConquestSequence, OctahedronIsSixValencesOfFour)
{
  auto mesh = fixtures::Octahedron();
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(Encode(coder, mesh.get()).Ok, 1);
  EXPECT_EQ(coder.GetCodes(), (Codes{4, 4, 4, 4, 4, 4}));
  EXPECT_EQ(coder.GetCompletedCount(), 4);
  EXPECT_EQ(coder.GetSplitCount(), 0);
  EXPECT_EQ(coder.GetCodedVertexCount(), 6);
}

TEST(ConquestSequence, OctahedronDeterministicSplitsThreeTimes)
{
  // With the gate always at the head, three faces close on vertices further on the list;
  // the offsets rank list vertices by distance, equal distances in exchange-sort order.
  auto mesh = fixtures::Octahedron();
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(Encode(coder, mesh.get(), Deterministic()).Ok, 1);
  EXPECT_EQ(coder.GetCodes(), (Codes{4, 4, 4, 4, 4, 1, 6, 4, 1, 7, 1, 6}));
  EXPECT_EQ(coder.GetSplitCount(), 3);
  EXPECT_EQ(coder.GetCompletedCount(), 1);
}

TEST(ConquestSequence, Tetrahedron)
{
  auto mesh = fixtures::Tetrahedron();
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(Encode(coder, mesh.get()).Ok, 1);
  EXPECT_EQ(coder.GetCodes(), (Codes{3, 3, 3, 3}));
  EXPECT_EQ(coder.GetCompletedCount(), 2);

  CConquestCoder deterministic;
  ASSERT_EQ(Encode(deterministic, mesh.get(), Deterministic()).Ok, 1);
  EXPECT_EQ(deterministic.GetCodes(), (Codes{3, 3, 3, 3, 1, 6}));
  EXPECT_EQ(deterministic.GetCompletedCount(), 1);
}

TEST(ConquestSequence, SeedFaceChangesTheStartNotTheValences)
{
  auto mesh = fixtures::Octahedron();
  conquest::CScratchFolder folder;
  for (int seed = 0; seed < mesh->NbFace(); seed++) {
    CConquestCoder coder;
    SOptions o;
    o.SeedFace = seed;
    ASSERT_EQ(Encode(coder, mesh.get(), o).Ok, 1) << seed;
    EXPECT_EQ(coder.GetCodes(), (Codes{4, 4, 4, 4, 4, 4})) << seed;
  }
}

TEST(ConquestSequence, SubdividedIcosahedronIsAlmostAllSix)
{
  auto mesh = fixtures::Icosphere(3);
  ExpectCompleteConquest(mesh.get());
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(Encode(coder, mesh.get()).Ok, 1);
  const auto valences = conquest::Valences(coder.GetCodes());
  EXPECT_EQ(std::count(valences.begin(), valences.end(), 5u), 12);
  EXPECT_EQ(std::count(valences.begin(), valences.end(), 6u), mesh->NbVertex() - 12);
  EXPECT_EQ(std::count(coder.GetCodes().begin(), coder.GetCodes().end(), 0u), 0);
}

TEST(ConquestSequence, CompleteOnClosedOpenAndHandledMeshes)
{
  {
    SCOPED_TRACE("ExpectCompleteConquest(fixtures::Icosphere(2).get());");
    ExpectCompleteConquest(fixtures::Icosphere(2).get());
  }
  {
    SCOPED_TRACE("ExpectCompleteConquest(fixtures::Icosphere(2).get(), Deterministic());");
    ExpectCompleteConquest(fixtures::Icosphere(2).get(), Deterministic());
  }
  {
    SCOPED_TRACE("ExpectCompleteConquest(conquest::NoisySphere(2, 0.2f).get());");
    ExpectCompleteConquest(conquest::NoisySphere(2, 0.2f).get());
  }
  {
    SCOPED_TRACE("ExpectCompleteConquest(conquest::Grid(6).get());");
    ExpectCompleteConquest(conquest::Grid(6).get());
  }
  {
    SCOPED_TRACE("ExpectCompleteConquest(conquest::Grid(6).get(), Deterministic());");
    ExpectCompleteConquest(conquest::Grid(6).get(), Deterministic());
  }
  {
    SCOPED_TRACE("ExpectCompleteConquest(conquest::Grid(9, 0, {20, 60}).get());");
    ExpectCompleteConquest(conquest::Grid(9, 0, {20, 60}).get());
  }
  {
    SCOPED_TRACE("ExpectCompleteConquest(conquest::Torus(12, 8, false).get());");
    ExpectCompleteConquest(conquest::Torus(12, 8, false).get());
  }
  {
    SCOPED_TRACE("ExpectCompleteConquest(conquest::Torus(12, 8, true).get());");
    ExpectCompleteConquest(conquest::Torus(12, 8, true).get());
  }
  {
    SCOPED_TRACE("ExpectCompleteConquest(conquest::Torus(12, 8, true).get(), Deterministic());");
    ExpectCompleteConquest(conquest::Torus(12, 8, true).get(), Deterministic());
  }
}

TEST(ConquestSequence, ATorusNeedsAMerge)
{
  auto mesh = conquest::Torus(10, 6, true);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(Encode(coder, mesh.get()).Ok, 1);
  const Codes& codes = coder.GetCodes();
  int merges = 0;
  for (size_t i = 3; i < codes.size(); i++) {
    if (codes[i] == 1)
      i++;
    else
      merges += codes[i] == 2 ? 1 : 0;
  }
  EXPECT_GE(merges, 1);
  EXPECT_GE(coder.GetSplitCount(), 1);
}

TEST(ConquestSequence, TiedGatesGoToTheFirstInListOrder)
{
  // On the octahedron every gate choice after the first step is a tie that the ring
  // averages cannot break; the same input must give the same sequence every time.
  auto mesh = fixtures::Octahedron();
  conquest::CScratchFolder folder;
  Codes first;
  for (int run = 0; run < 3; run++) {
    CConquestCoder coder;
    ASSERT_EQ(Encode(coder, mesh.get(), run == 2 ? Deterministic() : SOptions{}).Ok, 1);
    if (run == 0)
      first = coder.GetCodes();
    else if (run == 1)
      EXPECT_EQ(coder.GetCodes(), first);
    else
      EXPECT_NE(coder.GetCodes(), first);
  }
}

TEST(ConquestSequence, RateFollowsTheValenceEntropy)
{
  // Random diagonals spread the valences of a torus from 4 to 8; the coded rate stays close
  // above the zero-order entropy of their histogram. A regular torus codes near zero.
  for (const bool irregular : {true, false}) {
    auto mesh = conquest::Torus(40, 25, irregular);
    std::vector<unsigned int> valences;
    for (int i = 0; i < mesh->NbVertex(); i++)
      valences.push_back(static_cast<unsigned int>(mesh->GetVertex(i)->NbVertexNeighbor()));
    const double entropy = conquest::Entropy(valences);
    conquest::CScratchFolder folder;
    CConquestCoder coder;
    const auto r = Encode(coder, mesh.get());
    ASSERT_EQ(r.Ok, 1);
    EXPECT_GE(r.ConnectivityRate, 0.95 * entropy) << irregular;
    EXPECT_LE(r.ConnectivityRate, entropy + 0.25) << irregular;
    if (irregular)
      EXPECT_GT(entropy, 1.5);
    else
      EXPECT_EQ(entropy, 0.0);
  }
}

TEST(ConquestSequence, CodesDoNotDependOnHowTheTableIsFiled)
{
  // A face list out of face order makes the table walk the fans instead of filing each edge's
  // faces from the sides; on a manifold the two must give the same conquest. The meshes tie
  // often (icosphere), need merges (torus), and close holes with the ghost (grid).
  const auto meshes = [] {
    std::vector<std::unique_ptr<CMesh3d>> m;
    m.push_back(fixtures::Icosphere(3));
    m.push_back(conquest::Torus(30, 18, true, 4));
    m.push_back(conquest::Grid(12, 0, {30, 31, 77}, 0.0f));
    m.push_back(conquest::NoisySphere(2, 0.1f));
    return m;
  };
  auto inOrder = meshes();
  auto turned = meshes();
  for (size_t i = 0; i < inOrder.size(); i++) {
    // Every seventh vertex's list turned round.
    for (int v = 0; v < turned[i]->NbVertex(); v += 7) {
      auto* pList = turned[i]->GetVertex(v)->GetArrayFaceNeighbor();
      const int n = pList->GetSize();
      for (int k = 0; k < n / 2; k++) {
        CFace3d* f = pList->GetAt(k);
        pList->SetAt(k, pList->GetAt(n - 1 - k));
        pList->SetAt(n - 1 - k, f);
      }
    }
    CConquestCoder fromSides;
    fromSides.Init(inOrder[i].get(), nullptr, 0);
    fromSides.Conquer(0);
    CConquestCoder fromLists;
    fromLists.Init(turned[i].get(), nullptr, 0);
    fromLists.Conquer(0);
    EXPECT_EQ(fromSides.GetConquestMesh().IsFiledFromSides(), 1) << "mesh " << i;
    EXPECT_EQ(fromLists.GetConquestMesh().IsFiledFromSides(), 0) << "mesh " << i;
    EXPECT_FALSE(fromSides.IsFailed());
    EXPECT_FALSE(fromLists.IsFailed());
    EXPECT_GT(fromSides.GetCodes().size(), 100u);
    EXPECT_EQ(fromSides.GetCodes(), fromLists.GetCodes()) << "mesh " << i;
  }
}
