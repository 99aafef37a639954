#include "app/objects/VectorSet3d.h"
#include "compression/VertexTree.h"
#include "mesh/GeometryUtil.h"
#include "platform/core/Trace.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/mesh/MeshFixtures.h"
#include "tests/support/MessageCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

using Positions = std::vector<std::array<float, 3>>;

Positions PositionsOf(const CMesh3d& mesh)
{
  Positions p;
  for (int i = 0; i < mesh.NbVertex(); i++)
    p.push_back({mesh.GetVertex(i)->x(), mesh.GetVertex(i)->y(), mesh.GetVertex(i)->z()});
  return p;
}

// Runs over a mesh's vertices: {0..a-1}, {a..b-1}, ... by the given cut points.
std::unique_ptr<CVertexTree> TreeOf(CMesh3d& mesh, const std::vector<int>& cuts)
{
  auto tree = std::make_unique<CVertexTree>();
  int from = 0;
  for (const int to : cuts) {
    auto* pRun = new CVertexRun;
    for (int i = from; i < to; i++)
      pRun->Add(mesh.GetVertex(i));
    tree->AddRun(pRun);
    from = to;
  }
  return tree;
}

class VertexTreeTest : public ::testing::Test
{
protected:
  std::unique_ptr<CMesh3d> mesh = fixtures::Icosphere(2);
};

TEST_F(VertexTreeTest, DeltaThereAndBackRestoresEveryRun)
{
  const int n = mesh->NbVertex();
  const Positions before = PositionsOf(*mesh);
  auto tree = TreeOf(*mesh, {1, 10, n});
  tree->MakeDelta(0);
  const CVertexRun* pRun = tree->GetRun(1);
  EXPECT_EQ(pRun->GetRoot()->x(), before[1][0]);
  EXPECT_FLOAT_EQ(pRun->GetVertex(1)->y(), before[2][1] - before[1][1]);
  EXPECT_EQ(mesh->GetVertex(0)->x(), before[0][0]); // a run of one is untouched
  tree->MakeDelta(1);
  const Positions after = PositionsOf(*mesh);
  for (int i = 0; i < n; i++)
    for (int a = 0; a < 3; a++)
      EXPECT_NEAR(after[i][a], before[i][a], 1e-5) << i;
}

TEST_F(VertexTreeTest, QuantizeKeepsRootsUnlessAskedAndBoundsTheError)
{
  const int n = mesh->NbVertex();
  const Positions before = PositionsOf(*mesh);
  auto tree = TreeOf(*mesh, {2, 20, n});
  tree->Quantize(4, 0);
  const Positions after = PositionsOf(*mesh);
  // The run {0, 1} without its root is one value: left as it is.
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[1], before[1]);
  EXPECT_EQ(after[2], before[2]);
  EXPECT_EQ(after[20], before[20]);
  int changed = 0;
  for (int i = 3; i < n; i++)
    for (int a = 0; a < 3; a++) {
      EXPECT_LE(std::fabs(after[i][a] - before[i][a]), 2.0 / 15 / 2 + 1e-5);
      changed += after[i][a] != before[i][a] ? 1 : 0;
    }
  EXPECT_GT(changed, 0);

  tree->Quantize(4, 1);
  EXPECT_NE(PositionsOf(*mesh)[2], before[2]);
}

TEST_F(VertexTreeTest, QuantizeDeltaFollowsRebuiltSteps)
{
  const int n = mesh->NbVertex();
  const Positions before = PositionsOf(*mesh);
  auto tree = TreeOf(*mesh, {n});
  tree->QuantizeDelta(12);
  const Positions after = PositionsOf(*mesh);
  EXPECT_EQ(after[0], before[0]);
  for (int i = 1; i < n; i++)
    for (int a = 0; a < 3; a++)
      EXPECT_NEAR(after[i][a], before[i][a], 4.0 / 4095);
}

std::vector<std::string> Lines(const std::string& path)
{
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

TEST_F(VertexTreeTest, ExcursionFilesNumberLinesAcrossRuns)
{
  std::vector<std::string> absolute;
  std::vector<std::string> delta;
  auto tree = TreeOf(*mesh, {3, 5});
  {
    conquest::CScratchFolder folder;
    ASSERT_EQ(tree->BuildExcursion("vertex_root_absolute.dat", 0), 1);
    tree->MakeDelta(0);
    ASSERT_EQ(tree->BuildExcursion("vertex_root_delta.dat", 1), 1);
    absolute = Lines("vertex_root_absolute.dat");
    delta = Lines("vertex_root_delta.dat");
  }

  ASSERT_EQ(absolute.size(), 5u);
  ASSERT_EQ(delta.size(), 5u);
  EXPECT_EQ(delta[0], "1\t0\troot");
  EXPECT_EQ(delta[3], "4\t0\troot"); // the counter runs on into the second run
  EXPECT_EQ(absolute[4].substr(0, 2), "5\t");
  // Vertex 4 against the barycentre of {3, 4}: half their distance.
  tree->MakeDelta(1);
  const double half = Distance(mesh->GetVertex(3), mesh->GetVertex(4)) / 2;
  EXPECT_NEAR(std::stod(absolute[4].substr(2)), half, 1e-5);
  const CVertex3d* v1 = mesh->GetVertex(1);
  const CVertex3d* v0 = mesh->GetVertex(0);
  EXPECT_NEAR(std::stod(delta[1].substr(2)), Distance(v1, v0), 1e-5);
}

TEST_F(VertexTreeTest, ExcursionReportsAFileItCannotWrite)
{
  CMessageCapture capture;
  auto tree = TreeOf(*mesh, {3});
  EXPECT_EQ(tree->BuildExcursion("/nonexistent-folder/x.dat", 0), 0);
  ASSERT_EQ(capture.Texts().size(), 1u);
  EXPECT_EQ(capture.Last(), "Unable to open file for writing");
}

TEST_F(VertexTreeTest, ShowDeltaDrawsOneSegmentPerNonRoot)
{
  auto tree = TreeOf(*mesh, {1, 4, 9});
  std::unique_ptr<CVectorSet3d> fromRoot(tree->ShowDelta(0));
  EXPECT_EQ(fromRoot->NbVector(), 0 + 2 + 4);
  EXPECT_EQ(fromRoot->GetPoint(0)->x(), mesh->GetVertex(1)->x());
  EXPECT_EQ(fromRoot->GetPoint(1)->z(), mesh->GetVertex(2)->z());
  EXPECT_NE(fromRoot->GetPoint(1), mesh->GetVertex(2)); // copies, owned by the set
  std::unique_ptr<CVectorSet3d> fromOrigin(tree->ShowDelta(1));
  EXPECT_EQ(fromOrigin->GetPoint(4)->x(), 0.0f);
  EXPECT_EQ(fromOrigin->GetPoint(5)->y(), mesh->GetVertex(5)->y());
}

TEST_F(VertexTreeTest, DumpListsEveryVertex)
{
  std::vector<std::string> lines;
  const auto previous = platform::SetTraceSink([&](const std::string& l) { lines.push_back(l); });
  TreeOf(*mesh, {2, 5})->Dump();
  platform::SetTraceSink(previous);
  EXPECT_EQ(lines.size(), 1u + 2u + 5u);
}

} // namespace
