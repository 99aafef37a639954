#include "ProcessingFixtures.h"

#include "mesh/HashTable.h"
#include "processing/ArrayEdgeCollapse.h"
#include "scene/StreamFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

// A grid lifted off a flat reference grid, its boundary left on it.
std::unique_ptr<CMesh3d> LiftedGrid(int n, float height)
{
  auto mesh = fixtures::FlatGrid(n, n);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    if (!v->IsOnBoundary())
      v->Move(0.0f, height, 0.0f);
  }
  mesh->Rebuild();
  return mesh;
}

double MeanHeight(const CMesh3d& mesh)
{
  double sum = 0.0;
  for (int i = 0; i < mesh.NbVertex(); i++)
    sum += std::fabs(mesh.GetVertex(i)->y());
  return sum / mesh.NbVertex();
}

int CountOccurrences(const std::string& text, const std::string& word)
{
  int count = 0;
  for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
    count++;
  return count;
}

} // namespace

TEST(VolumeOptimisation, MovesTowardsTheReferenceAndKeepsTheBoundary)
{
  auto reference = fixtures::FlatGrid(7, 7);
  auto mesh = LiftedGrid(7, 0.3f);
  const double before = MeanHeight(*mesh);
  EXPECT_EQ(mesh->OptimizeVolumeMetric(reference.get(), nullptr, 0, 0.0f, 15, 16, 0, 0.5f, 0.01f,
                                       0.5f, nullptr, 0, nullptr, 0, 0),
            15);
  EXPECT_LT(MeanHeight(*mesh), before * 0.5);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    if (mesh->GetVertex(i)->IsOnBoundary()) {
      ASSERT_EQ(mesh->GetVertex(i)->y(), 0.0f);
    }
  }
}

TEST(VolumeOptimisation, SnapshotsEverySavePeriodAndNoneForPeriodZero)
{
  CTempFolder folder;
  auto reference = fixtures::FlatGrid(4, 4);
  auto mesh = LiftedGrid(4, 0.2f);
  const auto snapshots = [&](int iterations, int period) {
    CStreamFile file;
    EXPECT_EQ(file.Open(folder.File("steps.wrl").c_str(), "w"), 1);
    mesh->OptimizeVolumeMetric(reference.get(), nullptr, 0, 0.0f, iterations, 2, 0, 0.1f, 0.01f,
                               0.5f, nullptr, 0, &file, 1, period);
    file.Close();
    std::ifstream in(folder.File("steps.wrl"));
    std::stringstream text;
    text << in.rdbuf();
    return CountOccurrences(text.str(), "Transform");
  };
  EXPECT_EQ(snapshots(7, 3), 3);     // iterations 0, 3 and 6
  EXPECT_EQ(snapshots(1, 5), 1);     // iteration 0
  EXPECT_EQ(snapshots(4, 0), 0);     // period 0: no snapshots
  EXPECT_EQ(snapshots(120, 50), 3);  // 0, 50, 100: none past iteration 100
}

// The hash's search tree finds the same hits as the scan of the reference's faces: the fitting
// and the candidates' optimal vertices come out bit for bit the same with it and without it.
TEST(VolumeOptimisation, TheSearchTreeChangesNoResult)
{
  auto reference = fixtures::Icosphere(2);
  auto scanned = fixtures::Icosphere(1);
  fixtures::Perturb(*scanned, 0.05f);
  auto searched = fixtures::Icosphere(1);
  fixtures::Perturb(*searched, 0.05f);
  CHashTable hash(6);
  ASSERT_EQ(hash.Fill(reference.get(), nullptr), 1);
  EXPECT_EQ(scanned->OptimizeVolumeMetric(reference.get(), nullptr, 0, 0.0f, 4, 8, 1, 0.5f, 0.01f,
                                          0.5f, nullptr, 0, nullptr, 0, 1),
            4);
  EXPECT_EQ(searched->OptimizeVolumeMetric(reference.get(), &hash, 0, 0.0f, 4, 8, 1, 0.5f, 0.01f,
                                           0.5f, nullptr, 0, nullptr, 0, 1),
            4);
  const auto fitted = fixtures::Positions(*scanned);
  EXPECT_EQ(fitted, fixtures::Positions(*searched));
  EXPECT_NE(fitted, fixtures::Positions(*fixtures::Icosphere(1)));  // the fitting moved them

  CArrayEdgeCollapse withScan;
  CArrayEdgeCollapse withTree;
  withScan.FillAllPairs(scanned.get());
  withTree.FillAllPairs(scanned.get());
  withScan.CalculateEnergyL1(scanned.get(), reference.get(), nullptr, 0, 1e-5f, 3, 6, 0.1f, 0.9f,
                             0.01f, 0.5f, 10);
  withTree.CalculateEnergyL1(scanned.get(), reference.get(), &hash, 0, 1e-5f, 3, 6, 0.1f, 0.9f,
                             0.01f, 0.5f, 10);
  ASSERT_EQ(withScan.GetSize(), withTree.GetSize());
  for (int i = 0; i < withScan.GetSize(); i++) {
    const CVertex3d* a = withScan.GetAt(i)->GetOptimalVertex();
    const CVertex3d* b = withTree.GetAt(i)->GetOptimalVertex();
    ASSERT_EQ(withScan.GetAt(i)->GetMark(), 1);
    EXPECT_EQ(fixtures::PositionOf(a), fixtures::PositionOf(b)) << "candidate " << i;
  }
}
