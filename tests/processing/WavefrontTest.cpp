#include "processing/WavefrontFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <set>

namespace {

using fixtures::EulerCharacteristic;
using fixtures::SRedrawCounter;

// Graph distance of every vertex from the seed face's corners, -1 where none leads.
std::map<const CVertex3d*, int> DistancesFromFace(const CFace3d* seed)
{
  std::map<const CVertex3d*, int> distance;
  std::deque<const CVertex3d*> queue;
  for (int k = 0; k < 3; k++) {
    distance[seed->v(k)] = 0;
    queue.push_back(seed->v(k));
  }
  while (!queue.empty()) {
    const CVertex3d* v = queue.front();
    queue.pop_front();
    for (int i = 0; i < v->NbVertexNeighbor(); i++) {
      const CVertex3d* u = v->GetVertexNeighbor(i);
      if (distance.emplace(u, distance[v] + 1).second)
        queue.push_back(u);
    }
  }
  return distance;
}

int MaxFaceRibbon(const CMesh3d& mesh)
{
  int best = -1;
  for (int i = 0; i < mesh.NbFace(); i++)
    best = std::max(best, mesh.GetFace(i)->GetRibbon());
  return best;
}

// Rings around the seed: a vertex's ribbon is its graph distance from the seed's corners, a
// face's is one more than its lowest corner's, and neighbouring faces differ by at most one.
void ExpectRings(const CMesh3d& mesh, int seedFace)
{
  const CFace3d* seed = mesh.GetFace(seedFace);
  const auto distance = DistancesFromFace(seed);
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    const auto it = distance.find(v);
    EXPECT_EQ(it == distance.end() ? -1 : it->second, v->GetRibbon()) << "vertex " << i;
  }
  EXPECT_EQ(0, seed->GetRibbon());
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    if (f == seed || f->v(0)->GetRibbon() < 0)
      continue;
    const int lowest =
      std::min({f->v(0)->GetRibbon(), f->v(1)->GetRibbon(), f->v(2)->GetRibbon()});
    EXPECT_EQ(lowest + 1, f->GetRibbon()) << "face " << i;
    for (int k = 0; k < 3; k++) {
      const int neighbour = f->f(k) ? f->f(k)->GetRibbon() : f->GetRibbon();
      EXPECT_LE(std::abs(f->GetRibbon() - neighbour), 1) << "face " << i;
    }
  }
}

// --- building ribbons ---------------------------------------------------------------------------

TEST(WavefrontRibbons, ClosedMeshFormsRingsAroundEverySeed)
{
  auto torus = fixtures::Torus(12);
  for (int seed : {0, 17, torus->NbFace() - 1}) {
    CWavefront wavefront;
    const int rings = wavefront.BuildRibbons(torus.get(), seed, 0, 0, 1, 1, 0, nullptr);
    SCOPED_TRACE(seed);
    EXPECT_EQ(torus->GetFace(seed), wavefront.GetSeedFace());
    EXPECT_EQ(MaxFaceRibbon(*torus), rings);
    EXPECT_GT(rings, 3);
    EXPECT_EQ(0, torus->CountVerticesInRibbon(-1));
    ExpectRings(*torus, seed);
  }
}

TEST(WavefrontRibbons, OpenGridFromItsCentre)
{
  auto grid = fixtures::FlatGrid(9, 9);
  const int seed = grid->NbFace() / 2;
  CWavefront wavefront;
  const int rings = wavefront.BuildRibbons(grid.get(), seed, 0, 0, 1, 1, 0, nullptr);
  EXPECT_EQ(MaxFaceRibbon(*grid), rings);
  ExpectRings(*grid, seed);
}

TEST(WavefrontRibbons, OtherComponentIsNotReached)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  auto torus = fixtures::Torus(8);
  for (int i = 0; i < torus->NbVertex(); i++)
    points.push_back(fixtures::PositionOf(torus->GetVertex(i)));
  for (const auto& c : fixtures::Corners(*torus))
    triangles.push_back(c);
  const int base = static_cast<int>(points.size());
  for (const auto& p : {fixtures::Position{5, 5, 5}, {6, 5, 5}, {5, 6, 5}, {5, 5, 6}})
    points.push_back(p);
  for (const auto& t : fixtures::Triangles{{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}})
    triangles.push_back({base + t[0], base + t[1], base + t[2]});
  auto mesh = fixtures::Build(points, triangles);

  CWavefront alone;
  const int expected = alone.BuildRibbons(torus.get(), 3, 0, 0, 1, 1, 0, nullptr);
  CWavefront wavefront;
  EXPECT_EQ(expected, wavefront.BuildRibbons(mesh.get(), 3, 0, 0, 1, 1, 0, nullptr));
  EXPECT_EQ(4, mesh->CountVerticesInRibbon(-1));
  for (int i = torus->NbFace(); i < mesh->NbFace(); i++)
    EXPECT_EQ(-1, mesh->GetFace(i)->GetRibbon());
  ExpectRings(*mesh, 3);
}

TEST(WavefrontRibbons, SingleFaceIsRingZero)
{
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  CWavefront wavefront;
  EXPECT_EQ(0, wavefront.BuildRibbons(mesh.get(), 0, 0, 0, 1, 1, 0, nullptr));
  EXPECT_EQ(3, mesh->CountVerticesInRibbon(0));
}

TEST(WavefrontRibbons, RefusesSeedOutsideTheMesh)
{
  auto mesh = fixtures::Octahedron();
  mesh->SetRibbon(7);
  CWavefront wavefront;
  EXPECT_EQ(-1, wavefront.BuildRibbons(mesh.get(), -1, 0, 0, 1, 1, 0, nullptr));
  EXPECT_EQ(-1, wavefront.BuildRibbons(mesh.get(), mesh->NbFace(), 0, 0, 1, 1, 0, nullptr));
  EXPECT_EQ(-1, wavefront.BuildRibbons(nullptr, 0, 0, 0, 1, 1, 0, nullptr));
  EXPECT_EQ(mesh->NbVertex(), mesh->CountVerticesInRibbon(7));
  EXPECT_EQ(nullptr, wavefront.GetMesh());
  // Nothing was built, so nothing is unmeshed.
  EXPECT_EQ(0, wavefront.UnmeshAcross(0, 2));
  EXPECT_EQ(0, wavefront.UnmeshAlong(0, 1, 0.5f));
  EXPECT_EQ(6, mesh->NbVertex());
}

// --- unmeshing across ---------------------------------------------------------------------------

struct SUnmeshCase
{
  std::unique_ptr<CMesh3d> mesh;
  CWavefront wavefront;
  int euler = 0;
};

SUnmeshCase Prepare(std::unique_ptr<CMesh3d> mesh, int seed, int keepRemoved = 0)
{
  SUnmeshCase c{std::move(mesh), CWavefront(), 0};
  fixtures::Perturb(*c.mesh, 0.02f);
  c.euler = EulerCharacteristic(*c.mesh);
  c.wavefront.BuildRibbons(c.mesh.get(), seed, 0, 0, 1, 1, keepRemoved, nullptr);
  return c;
}

TEST(WavefrontUnmeshAcross, RemovesEvenRingsOfAClosedMesh)
{
  for (auto make : {+[] { return fixtures::Torus(14); }, +[] { return fixtures::Icosphere(3); }}) {
    SUnmeshCase c = Prepare(make(), 5);
    std::multiset<int> oddBefore;
    for (int i = 0; i < c.mesh->NbVertex(); i++)
      if (c.mesh->GetVertex(i)->GetRibbon() % 2 == 1)
        oddBefore.insert(c.mesh->GetVertex(i)->GetRibbon());
    const int before = c.mesh->NbVertex();

    ASSERT_EQ(1, c.wavefront.UnmeshAcross(0, 2));
    EXPECT_LT(c.mesh->NbVertex(), before * 3 / 4);
    EXPECT_EQ(before - c.mesh->NbVertex(), c.wavefront.NbRemovedAcross());
    std::multiset<int> oddAfter;
    for (int i = 0; i < c.mesh->NbVertex(); i++) {
      const CVertex3d* v = c.mesh->GetVertex(i);
      if (v->GetRibbon() % 2 == 1) {
        oddAfter.insert(v->GetRibbon());
        continue;
      }
      // An even-ring vertex left is one whose collapse was refused.
      EXPECT_TRUE(v->GetColor()->r() == 255 && v->GetColor()->g() == 0) << "vertex " << i;
    }
    EXPECT_EQ(oddBefore, oddAfter);
    fixtures::ExpectSoundAfter(c.mesh.get(), c.euler, true);
  }
}

TEST(WavefrontUnmeshAcross, KeepsProtectedBoundaryVertices)
{
  SUnmeshCase c = Prepare(fixtures::FlatGrid(12, 10), 40);
  std::vector<const CVertex3d*> protectedOnes;
  for (int i = 0; i < c.mesh->NbVertex(); i++) {
    const CVertex3d* v = c.mesh->GetVertex(i);
    if (v->IsOnBoundary() && v->NbBoundaryVertexNeighborInRibbon(v->GetRibbon()) > 0)
      protectedOnes.push_back(v);
  }
  ASSERT_FALSE(protectedOnes.empty());
  const int before = c.mesh->NbVertex();
  c.wavefront.UnmeshAcross(0, 2);
  EXPECT_LT(c.mesh->NbVertex(), before);
  for (const CVertex3d* v : protectedOnes)
    EXPECT_GE(c.mesh->IndexFrom(v), 0);
  fixtures::ExpectSoundAfter(c.mesh.get(), c.euler, false);
}

TEST(WavefrontUnmeshAcross, KeepRemovedLeavesFlaggedElements)
{
  SUnmeshCase kept = Prepare(fixtures::Torus(10), 0, 1);
  SUnmeshCase removed = Prepare(fixtures::Torus(10), 0, 0);
  const int nbVertex = kept.mesh->NbVertex();
  const int nbFace = kept.mesh->NbFace();
  kept.wavefront.UnmeshAcross(0, 2);
  removed.wavefront.UnmeshAcross(0, 2);

  EXPECT_EQ(nbVertex, kept.mesh->NbVertex());
  EXPECT_EQ(nbFace, kept.mesh->NbFace());
  const int gone = nbVertex - removed.mesh->NbVertex();
  ASSERT_GT(gone, 0);
  EXPECT_EQ(gone, kept.mesh->CountVerticesWithFlag(2));
  // Each collapse inside a closed mesh takes two faces with it.
  EXPECT_EQ(2 * gone, kept.mesh->CountFacesWithFlag(2));
  EXPECT_EQ(nbFace - removed.mesh->NbFace(), kept.mesh->CountFacesWithFlag(2));
}

TEST(WavefrontUnmeshAcross, RefusesBadRingSequences)
{
  SUnmeshCase c = Prepare(fixtures::Torus(8), 0);
  const auto corners = fixtures::Corners(*c.mesh);
  EXPECT_EQ(0, c.wavefront.UnmeshAcross(0, 0));
  EXPECT_EQ(0, c.wavefront.UnmeshAcross(-1, 2));
  EXPECT_EQ(0, c.wavefront.UnmeshAlong(0, -1, 0.5f));
  EXPECT_EQ(0, c.wavefront.UnmeshAlong(0, 1, 1.5f));
  EXPECT_EQ(0, c.wavefront.UnmeshAlong(0, 1, -0.5f));
  EXPECT_EQ(corners, fixtures::Corners(*c.mesh));
}

TEST(WavefrontUnmeshAcross, TetrahedronCannotShrink)
{
  SUnmeshCase c = Prepare(fixtures::Tetrahedron(), 0);
  c.wavefront.UnmeshAcross(0, 1);
  EXPECT_EQ(4, c.mesh->NbVertex());
  EXPECT_EQ(4, c.mesh->NbFace());
  fixtures::ExpectSoundAfter(c.mesh.get(), 2, true);
}

// --- unmeshing along ----------------------------------------------------------------------------

TEST(WavefrontUnmeshAlong, RemovesAboutHalfOfEachRing)
{
  for (auto make : {+[] { return fixtures::Torus(16); }, +[] { return fixtures::Icosphere(3); }}) {
    SUnmeshCase c = Prepare(make(), 2);
    std::map<int, int> perRing;
    for (int i = 0; i < c.mesh->NbVertex(); i++)
      perRing[c.mesh->GetVertex(i)->GetRibbon()]++;
    const int before = c.mesh->NbVertex();

    ASSERT_EQ(1, c.wavefront.UnmeshAlong(0, 1, 0.5f));
    EXPECT_LT(c.mesh->NbVertex(), before);
    std::map<int, int> after;
    for (int i = 0; i < c.mesh->NbVertex(); i++)
      after[c.mesh->GetVertex(i)->GetRibbon()]++;
    for (const auto& [ring, count] : perRing)
      EXPECT_GE(after[ring], count - count / 2) << "ring " << ring;
    fixtures::ExpectSoundAfter(c.mesh.get(), c.euler, true);
  }
}

TEST(WavefrontUnmeshAlong, StopsAtTheFirstRingTooSmall)
{
  // Ring 0 holds the seed's three corners: 0.3 of them is no vertex, so the pass ends there
  // although the rings beyond are large.
  SUnmeshCase c = Prepare(fixtures::Torus(12), 0);
  const int before = c.mesh->NbVertex();
  const auto corners = fixtures::Corners(*c.mesh);
  ASSERT_EQ(1, c.wavefront.UnmeshAlong(0, 1, 0.3f));
  EXPECT_EQ(corners, fixtures::Corners(*c.mesh));
  EXPECT_EQ(0, c.wavefront.NbRemovedAlong());
  // From ring 1 on, the same ratio removes vertices.
  c.wavefront.UnmeshAlong(1, 1, 0.3f);
  EXPECT_LT(c.mesh->NbVertex(), before);
  fixtures::ExpectSoundAfter(c.mesh.get(), c.euler, true);
}

TEST(WavefrontUnmeshAlong, OpenGridStaysSound)
{
  SUnmeshCase c = Prepare(fixtures::FlatGrid(14, 11), 60);
  const int before = c.mesh->NbVertex();
  c.wavefront.UnmeshAlong(1, 1, 0.5f);
  EXPECT_LT(c.mesh->NbVertex(), before);
  fixtures::ExpectSoundAfter(c.mesh.get(), c.euler, false);
}

TEST(WavefrontUnmesh, AcrossThenAlongAsTheCommandRunsThem)
{
  SUnmeshCase c = Prepare(fixtures::Torus(20), 11);
  c.wavefront.UnmeshAcross(0, 2);
  c.wavefront.UnmeshAlong(1, 2, 0.5f);
  fixtures::ExpectSoundAfter(c.mesh.get(), c.euler, true);
}

// --- visual debugging ---------------------------------------------------------------------------

TEST(WavefrontDebugging, RepaintsAfterEveryRemovalWithPeriodOne)
{
  SRedrawCounter redraws;
  auto torus = fixtures::Torus(12);
  CWavefront wavefront;
  wavefront.BuildRibbons(torus.get(), 0, 1, 1, 1, 1, 0, SRedrawCounter::View());
  wavefront.UnmeshAcross(0, 2);
  EXPECT_GT(wavefront.NbRemovedAcross(), 0);
  EXPECT_EQ(wavefront.NbRemovedAcross(), redraws.count);
  redraws.count = 0;
  wavefront.UnmeshAlong(1, 2, 0.5f);
  EXPECT_GT(wavefront.NbRemovedAlong(), 0);
  EXPECT_EQ(wavefront.NbRemovedAlong(), redraws.count);
}

TEST(WavefrontDebugging, PeriodSpacesTheRepaintsAndOffMeansNone)
{
  SRedrawCounter redraws;
  auto torus = fixtures::Torus(12);
  CWavefront wavefront;
  wavefront.BuildRibbons(torus.get(), 0, 0, 1, 1, 3, 0, SRedrawCounter::View());
  // The program's counter runs on from earlier passes: a repaint at each multiple of 3 it
  // reaches.
  const auto start = static_cast<long long>(CWavefront::TotalRemovedAcross());
  wavefront.UnmeshAcross(0, 2);
  EXPECT_EQ((start + wavefront.NbRemovedAcross()) / 3 - start / 3, redraws.count);
  redraws.count = 0;
  wavefront.UnmeshAlong(1, 2, 0.5f);
  EXPECT_EQ(0, redraws.count);

  // A period of 0 counts as 1 rather than dividing by zero.
  auto other = fixtures::Torus(10);
  CWavefront zero;
  zero.BuildRibbons(other.get(), 0, 1, 1, 0, 0, 0, SRedrawCounter::View());
  redraws.count = 0;
  zero.UnmeshAcross(0, 2);
  EXPECT_EQ(zero.NbRemovedAcross(), redraws.count);
}

} // namespace
