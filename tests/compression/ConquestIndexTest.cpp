// The bookkeeping that spares the conquest its walks of the active list: every gate it
// chooses is the one a walk from the head would choose, the split offsets are those of the
// exchange sort, and the list's order labels agree with its order.
#include "ObjSoup.h"
#include "compression/ActiveListStack.h"
#include "compression/ConquestFixtures.h"
#include "mesh/Face3d.h"
#include "platform/core/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

// The gate a walk of the whole list gives: the smallest remaining degree (a fill gate first),
// ties broken by the smallest ring average over rings 1 to 4, then by list order.
CActiveList::Position WalkedGate(CConquestCoder& coder, CActiveList* list)
{
  if (list->GetCount() == 1)
    return list->GetHeadPosition();
  CActiveList::Position pos;
  int ties = 0;
  const int m = coder.GetMinRemainingDegree(&pos, &ties);
  const auto degree = [&coder](const CVertex3d* v) { return coder.GetConquestMesh().GetRemaining(v); };
  for (int k = 1; k <= 4 && ties > 1; k++) {
    float best = 3.4e38f;
    for (auto it = list->GetHeadPosition(); !CActiveList::IsNull(it); ++it)
      if (degree(*it) == m && list->GetAverageDegree(it, k, degree) < best) {
        best = list->GetAverageDegree(it, k, degree);
        pos = it;
      }
    ties = 0;
    for (auto it = list->GetHeadPosition(); !CActiveList::IsNull(it); ++it)
      ties += degree(*it) == m && list->GetAverageDegree(it, k, degree) == best ? 1 : 0;
  }
  return pos;
}

// The fill answer the index keeps for a clean node is the table's own; returns the number of
// fill gates on the list.
int ExpectFillsOfTheTable(CConquestCoder& coder, CActiveList* list, int step)
{
  const CConquestMesh& table = coder.GetConquestMesh();
  int fills = 0;
  for (auto it = list->GetHeadPosition(); !CActiveList::IsNull(it); ++it) {
    const int g = table.IndexOf(*it);
    if (table.GetRemaining(*it) == 0)
      continue;
    const int fill = table.IsFillCorner(g, table.IndexOf(list->GetPrevVertex(it)), table.IndexOf(list->GetNextVertex(it)));
    EXPECT_EQ(coder.IsFillGate(it), fill) << "step " << step << " at " << list->IndexOfPosition(it);
    fills += fill;
  }
  return fills;
}

// Runs the conquest step by step, checking the index's fill answers against the table's;
// returns the number of fill gates met. *pFiledFromSides tells how the table was filed.
int CountFillsStepwise(CMesh3d* pMesh, int* pFiledFromSides = nullptr)
{
  CConquestCoder coder;
  coder.Init(pMesh, nullptr, 0);
  coder.AddGhostVertex();
  coder.InitItems();
  coder.InitCoder(0);
  if (pFiledFromSides)
    *pFiledFromSides = coder.GetConquestMesh().IsFiledFromSides();
  int fills = 0;
  for (int step = 1; coder.ConquestStep() && !coder.IsFailed(); step++)
    if (CActiveList* list = coder.GetStack()->GetHead(); list && !list->IsEmpty())
      fills += ExpectFillsOfTheTable(coder, list, step);
  return fills;
}

// Runs the conquest step by step and checks every gate against the walk; returns the number
// of steps.
int ExpectWalkedGates(CMesh3d* pMesh)
{
  CConquestCoder coder;
  coder.Init(pMesh, nullptr, 0);
  coder.AddGhostVertex();
  coder.InitItems();
  coder.InitCoder(0);
  int steps = 0;
  while (coder.ConquestStep()) {
    steps++;
    CActiveList* list = coder.GetStack()->GetHead();
    if (!list || list->IsEmpty())
      continue;
    ExpectFillsOfTheTable(coder, list, steps);
    const auto walked = WalkedGate(coder, list);
    if (list->GetGate() != walked) {
      ADD_FAILURE() << "step " << steps << ": gate at " << list->IndexOfPosition(list->GetGate())
                    << ", the walk gives " << list->IndexOfPosition(walked);
      break;
    }
  }
  EXPECT_FALSE(coder.IsFailed());
  return steps;
}

// Of the nodes of remaining degree m, by the definition: the first ring with one smallest
// average decides (the fourth in any case), the first in list order among equals. *pRing
// tells the ring that decided.
template <class Degree>
CActiveList::Position RankedByAverages(const CActiveList& list, int m, Degree degree, int* pRing)
{
  CActiveList::Position expected;
  for (int k = 1; k <= 4; k++) {
    float best = 3.4e38f;
    int ties = 0;
    for (auto it = list.GetHeadPosition(); !CActiveList::IsNull(it); ++it) {
      if (degree(*it) != m)
        continue;
      const float average = list.GetAverageDegree(it, k, degree);
      ties = average < best ? 1 : ties + (average == best ? 1 : 0);
      if (average < best)
        expected = it;
      best = std::min(best, average);
    }
    if (ties == 1 || k == 4) {
      *pRing = k;
      break;
    }
  }
  return expected;
}

// Files the list in an index and checks the index's ranking of the nodes of smallest degree
// against the averages'; answers the ring that decided.
int CheckRanking(CActiveList& list, const CConquestMesh& table, int trial, int* pDegreeBound)
{
  const auto degree = [&table](const CVertex3d* v) { return table.GetRemaining(v); };
  CActiveListIndex index;
  index.Attach(&list, &table);
  int m = 0;
  int count = 0;
  SActiveNode* pCandidates = index.GetMinDegreeNodes(&m, &count);
  EXPECT_NE(pCandidates, nullptr);
  *pDegreeBound = index.GetDegreeBound();
  int ring = 0;
  const CActiveList::Position expected = RankedByAverages(list, m, degree, &ring);
  EXPECT_EQ(index.RankByRings(pCandidates), expected.GetNode()) << "trial " << trial;
  return ring;
}

} // namespace

TEST(ConquestIndex, EveryGateIsTheWalkedOne)
{
  // Regular meshes tie often; holes bring the ghost and its long fan; the tori need merges.
  EXPECT_GT(ExpectWalkedGates(fixtures::Icosphere(3).get()), 600);
  EXPECT_GT(ExpectWalkedGates(conquest::Torus(30, 18, false).get()), 500);
  EXPECT_GT(ExpectWalkedGates(conquest::Torus(30, 18, true, 4).get()), 500);
  EXPECT_GT(ExpectWalkedGates(conquest::Grid(20, 0, {45, 46, 65, 210, 333}, 0.0f).get()), 300);
  EXPECT_GT(ExpectWalkedGates(conquest::NoisySphere(2, 0.1f).get()), 100);
}

TEST(ConquestIndex, AFaceDoubledTheOtherWayRoundStaysAFillGate)
{
  // A free vertex conquered through a face whose reverse is also in the mesh, ahead of the
  // vertex's other faces, leaves its new node a fill gate at once: the reverse closes on the
  // same three vertices. The index may take a new node for no fill only where no such face
  // is left. (Such a mesh is no manifold: the conquest need not get through it.)
  const auto countFills = [](CMesh3d* pMesh) { return CountFillsStepwise(pMesh); };
  const fixtures::Points points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const fixtures::Triangles tetrahedron = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
  int fills = 0;
  for (int doubled = 1; doubled < 4; doubled++) {
    auto triangles = tetrahedron;
    const auto f = tetrahedron[static_cast<size_t>(doubled)];
    triangles.insert(triangles.begin() + 1, {f[2], f[1], f[0]});
    fills += countFills(fixtures::Build(points, triangles).get());
  }
  EXPECT_GT(fills, 0);
  // The same in a larger mesh.
  auto sphere = fixtures::Icosphere(2);
  fixtures::Points spherePoints;
  fixtures::Triangles sphereTriangles;
  for (int i = 0; i < sphere->NbVertex(); i++)
    spherePoints.push_back({sphere->GetVertex(i)->x(), sphere->GetVertex(i)->y(), sphere->GetVertex(i)->z()});
  for (int i = 0; i < sphere->NbFace(); i++) {
    const CFace3d* f = sphere->GetFace(i);
    sphereTriangles.push_back({sphere->IndexFrom(f->v(0)), sphere->IndexFrom(f->v(1)), sphere->IndexFrom(f->v(2))});
  }
  for (const int i : {3, 40, 90, 150}) {
    const auto f = sphereTriangles[static_cast<size_t>(i)];
    sphereTriangles.insert(sphereTriangles.begin() + 1, {f[2], f[1], f[0]});
  }
  EXPECT_GT(countFills(fixtures::Build(spherePoints, sphereTriangles).get()), 0);
}

TEST(ConquestIndex, FillGatesOfClosedManifoldsFollowTheirNeighbours)
{
  // Filed from the sides, a node keeps the corner across the edge to its previous vertex
  // from one fill test to the next: the fills it finds must stay the table's while the
  // vertices either side of it change. The scanned pieces, with the ghost closing their
  // borders, meet fill gates; so do they split in four.
  int fills = 0;
  for (const char* name : {"conquest_cheese_cut10.obj", "conquest_cheese_cut6.obj", "conquest_elephant_unpinched.obj"})
    for (int split = 0; split < 2; split++) {
      auto pMesh = objsoup::ReadData(name);
      if (split)
        pMesh->Subdivision();
      int filedFromSides = 0;
      fills += CountFillsStepwise(pMesh.get(), &filedFromSides);
      EXPECT_TRUE(filedFromSides) << name << " split " << split;
    }
  EXPECT_GT(fills, 0);
}

TEST(ConquestIndex, SplitOffsetsFollowTheExchangeSort)
{
  // Few distinct distances, so that long runs of equals meet the sort's swaps.
  std::array<CVertex3d, 12> vertices;
  platform::Srand(3);
  for (int trial = 0; trial < 3000; trial++) {
    const int n = 1 + platform::Rand() % 14;
    std::vector<CVertex3d*> a;
    std::vector<double> distance;
    for (int i = 0; i < n; i++) {
      a.push_back(&vertices[static_cast<size_t>(platform::Rand() % 12)]);
      distance.push_back(static_cast<double>(platform::Rand() % 4));
    }
    // A vertex keeps one distance wherever it stands, as it does to one gate.
    for (int i = 0; i < n; i++)
      for (int j = 0; j < i; j++)
        if (a[static_cast<size_t>(i)] == a[static_cast<size_t>(j)])
          distance[static_cast<size_t>(i)] = distance[static_cast<size_t>(j)];
    for (const CVertex3d& v : vertices)
      ASSERT_EQ(CConquestCoder::SortedIndexOf(a, distance, &v),
                CConquestCoder::ExchangeSortedIndexOf(a, distance, &v))
          << "trial " << trial;
  }
  // The sort leaves equals out of their first order: [2a, 2b, 1] sorts to [1, 2b, 2a].
  std::vector<CVertex3d*> a{&vertices[0], &vertices[1], &vertices[2]};
  EXPECT_EQ(CConquestCoder::SortedIndexOf(a, {2.0, 2.0, 1.0}, &vertices[1]), 1);
  EXPECT_EQ(CConquestCoder::SortedIndexOf(a, {2.0, 2.0, 1.0}, &vertices[0]), 2);
  EXPECT_EQ(CConquestCoder::SortedIndexOf(a, {2.0, 2.0, 1.0}, &vertices[5]), -1);
}

TEST(ConquestIndex, OrderLabelsFollowTheListThroughCrowdedInsertions)
{
  std::array<CVertex3d, 4> vertices;
  CActiveList list;
  auto gate = list.AddTail(&vertices[0]);
  list.AddTail(&vertices[1]);
  // Insertions before one node, before the head and after the tail halve the room at the
  // same place again and again, which forces the labels to be spread.
  for (int i = 0; i < 300; i++) {
    list.InsertBefore(gate, &vertices[2]);
    list.InsertBefore(list.GetHeadPosition(), &vertices[3]);
    list.InsertAfter(list.GetPrevPosition(list.GetHeadPosition()), &vertices[1]);
    if (i % 7 == 0)
      gate = list.GetPrevPosition(gate);
  }
  ASSERT_EQ(list.GetCount(), 902);
  int index = 0;
  for (auto it = list.GetHeadPosition(); !CActiveList::IsNull(it); ++it, index++) {
    auto next = it;
    ++next;
    if (!CActiveList::IsNull(next)) {
      ASSERT_TRUE(CActiveList::IsBefore(it, next)) << "at " << index;
    }
  }
  EXPECT_TRUE(list.Check());
}

namespace {

// The mesh's table with 200 random edges conquered: the degrees spread, so that the smallest
// is shared by many nodes whose rings differ slightly.
void BuildWithRandomEdgesConquered(CMesh3d* pMesh, CConquestMesh* pTable)
{
  pTable->Build(pMesh);
  platform::Srand(11);
  for (int i = 0; i < 200; i++) {
    const int v = platform::Rand() % pTable->GetNbVertex();
    pTable->Conquer(v, pTable->IndexOf(pMesh->GetVertex(v)->GetVertexNeighbor(0)));
  }
}

} // namespace

TEST(ConquestIndex, RingRankingChoosesAsTheListsAveragesDo)
{
  // Any run of the mesh's vertices serves as a list: the ranking reads the filed degrees
  // only. Conquering random edges spreads the degrees, so that the smallest degree is shared
  // by many nodes whose rings differ slightly, and ties reach every ring.
  auto mesh = fixtures::Icosphere(2);
  CConquestMesh table;
  BuildWithRandomEdgesConquered(mesh.get(), &table);
  int decidedBeyondRing1 = 0;
  for (int trial = 0; trial < 60; trial++) {
    CActiveList list;
    const int n = 3 + platform::Rand() % 40;
    for (int i = 0; i < n; i++) {
      const int v = platform::Rand() % table.GetNbVertex();
      list.AddTail(table.GetVertex(v), v);
    }
    int bound = 0;
    decidedBeyondRing1 += CheckRanking(list, table, trial, &bound) > 1 ? 1 : 0;
  }
  EXPECT_GT(decidedBeyondRing1, 5);
}

TEST(ConquestIndex, RingRankingOfTwoCandidates)
{
  // Two nodes of the smallest degree, the commonest tie, are ranked on their own. Round each
  // of them stand vertices of a higher degree h; one vertex of degree h - 1 or h + 1 at a
  // chosen distance from the second candidate decides at that ring, and without it the
  // rings tie to the end and list order decides. A vertex may stand in a list repeatedly.
  auto mesh = fixtures::Icosphere(2);
  CConquestMesh table;
  BuildWithRandomEdgesConquered(mesh.get(), &table);
  std::array<std::vector<int>, 8> byDegree;
  for (int v = 0; v < table.GetNbVertex(); v++)
    if (table.GetRemaining(v) < 8)
      byDegree[static_cast<size_t>(table.GetRemaining(v))].push_back(v);
  int d = 1;
  while (d + 3 < 8 && (byDegree[static_cast<size_t>(d)].size() < 2 || byDegree[static_cast<size_t>(d) + 1].empty() ||
                       byDegree[static_cast<size_t>(d) + 2].empty() || byDegree[static_cast<size_t>(d) + 3].empty()))
    d++;
  ASSERT_LT(d + 3, 8);
  const int a = byDegree[static_cast<size_t>(d)][0];
  const int b = byDegree[static_cast<size_t>(d)][1];
  const int h = byDegree[static_cast<size_t>(d) + 2][0];
  // a at 0 and b at 9 of 18 nodes: their rings never meet.
  std::array<int, 5> decidedAt = {0, 0, 0, 0, 0};
  for (const int other : {-1, byDegree[static_cast<size_t>(d) + 1][0], byDegree[static_cast<size_t>(d) + 3][0]})
    for (int distance = 1; distance <= 4; distance++)
      for (int bFirst = 0; bFirst < 2; bFirst++) {
        CActiveList list;
        for (int i = 0; i < 18; i++) {
          int v = i == 0 ? a : (i == 9 ? b : h);
          v = i == 0 && bFirst ? b : (i == 9 && bFirst ? a : v);
          v = i == 9 + distance && other >= 0 ? other : v;
          list.AddTail(table.GetVertex(v), v);
        }
        int bound = 0;
        const int ring = CheckRanking(list, table, 100 * distance + bFirst, &bound);
        decidedAt[static_cast<size_t>(ring)]++;
        EXPECT_EQ(ring, other < 0 ? 4 : distance);
      }
  EXPECT_GT(decidedAt[1], 0);
  EXPECT_GT(decidedAt[3], 0);
  EXPECT_GT(decidedAt[4], 0);
}

TEST(ConquestIndex, RingRankingAboveTheRankedDegreesRanksTheAverages)
{
  // A hub of more neighbours than the sums of degrees may hold: the ranking then compares
  // the averages themselves. Its rim's degrees are spread by conquering random rim edges.
  constexpr int nbRim = CActiveListIndex::MaxRankedDegree;
  auto mesh = fixtures::Fan(nbRim);
  CConquestMesh table;
  table.Build(mesh.get());
  platform::Srand(5);
  for (int i = 0; i < 400; i++) {
    const int v = 1 + platform::Rand() % 60;
    table.Conquer(v, v + 1);
  }
  int decidedBeyondRing1 = 0;
  for (int trial = 0; trial < 40; trial++) {
    // A run of the rim with the hub in it, which files a degree above the bound.
    CActiveList list;
    const int first = 1 + platform::Rand() % 40;
    const int n = 4 + platform::Rand() % 20;
    const int hubAt = platform::Rand() % n;
    for (int i = 0; i < n; i++) {
      const int v = i == hubAt ? 0 : first + i;
      list.AddTail(table.GetVertex(v), v);
    }
    int bound = 0;
    decidedBeyondRing1 += CheckRanking(list, table, trial, &bound) > 1 ? 1 : 0;
    EXPECT_GE(bound, CActiveListIndex::MaxRankedDegree);
  }
  EXPECT_GT(decidedBeyondRing1, 5);
}

TEST(ConquestIndex, RingRankingOfManyCandidatesWithEvenRings)
{
  // Long lists nearly all of one degree: the many candidates are ranked by a look for the
  // first one whose rings hold that degree alone. The icosphere's twelve vertices of valence
  // five make the candidates, and its vertices of valence six the rare bumps, as many as let
  // some trials keep a candidate with even rings and leave others none.
  auto mesh = fixtures::Icosphere(2);
  CConquestMesh table;
  table.Build(mesh.get());
  std::vector<int> low;
  std::vector<int> high;
  for (int v = 0; v < table.GetNbVertex(); v++)
    (table.GetRemaining(v) == 5 ? low : high).push_back(v);
  ASSERT_EQ(low.size(), 12u);
  ASSERT_FALSE(high.empty());
  platform::Srand(23);
  int withEven = 0;
  int withoutEven = 0;
  for (int trial = 0; trial < 80; trial++) {
    CActiveList list;
    const int n = 2 * CActiveListIndex::kManyCandidates + platform::Rand() % 60;
    const int bumpEvery = 2 + trial % 8;
    int candidates = 0;
    for (int i = 0; i < n; i++) {
      const bool bump = platform::Rand() % bumpEvery == 0;
      const int v = bump ? high[static_cast<size_t>(platform::Rand()) % high.size()]
                         : low[static_cast<size_t>(platform::Rand()) % low.size()];
      candidates += bump ? 0 : 1;
      list.AddTail(table.GetVertex(v), v);
    }
    if (candidates < CActiveListIndex::kManyCandidates)
      continue;
    // Whether some candidate has only candidates within four steps.
    bool even = false;
    for (auto it = list.GetHeadPosition(); !CActiveList::IsNull(it) && !even; ++it) {
      bool all = table.GetRemaining(*it) == 5;
      auto after = it;
      auto before = it;
      for (int k = 0; k < 4 && all; k++) {
        after = list.GetNextPosition(after);
        before = list.GetPrevPosition(before);
        all = table.GetRemaining(*after) == 5 && table.GetRemaining(*before) == 5;
      }
      even = all;
    }
    (even ? withEven : withoutEven)++;
    int bound = 0;
    CheckRanking(list, table, trial, &bound);
  }
  EXPECT_GT(withEven, 10);
  EXPECT_GT(withoutEven, 10);
}
