#include "DecimationFixtures.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "processing/ThreadMeshApproxVolumic.h"
#include "support/MessageCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

using namespace fixtures;

namespace {

// The working folder for the run, restored afterwards.
class CCurrentFolder
{
public:
  explicit CCurrentFolder(const std::filesystem::path& path)
    : m_Previous(std::filesystem::current_path())
  {
    std::filesystem::current_path(path);
  }
  ~CCurrentFolder() { std::filesystem::current_path(m_Previous); }

private:
  std::filesystem::path m_Previous;
};

struct SRun
{
  CMesh3d* model = nullptr;
  CMesh3d* reference = nullptr;
  int wanted = 0;
  int method = 2;
  int collapseBoundaries = 0;
  int maxIter = 4;
  int save = 0;
  int period = 10;
  std::string file = "mesh_volumic.wrl";
};

// The dialog's defaults, with fewer optimisation iterations.
void Configure(CThreadMeshApproxVolumic& thread, const SRun& run)
{
  thread.SetParameters(run.model, run.reference, run.wanted, run.method, 0, 1e-5f, 0.5f,
                       run.maxIter, 0, 4, 0.1f, 0.01f, 0.9f, 10, 0, 10, 0, 0, 0,
                       run.collapseBoundaries, 0, FakeView(), 1, run.save, run.period, 3,
                       run.file.c_str());
}

int CountOccurrences(const std::string& text, const std::string& word)
{
  int count = 0;
  for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
    count++;
  return count;
}

void ExpectSoundClosedMesh(CMesh3d& mesh, int euler)
{
  EXPECT_EQ(euler, EulerCharacteristic(mesh));
  EXPECT_TRUE(IsClosedAndOriented(mesh));
  EXPECT_TRUE(IsOrientedManifold(mesh));
  ExpectVertexNeighborsMatchFaces(mesh);
}

} // namespace

TEST(ThreadMeshApproxVolumic, RefusesToRunWithoutParameters)
{
  CThreadMeshApproxVolumic thread;
  EXPECT_EQ(0, thread.IsReady());
  EXPECT_EQ(0, thread.Run());
  EXPECT_EQ(0, thread.Start());
  EXPECT_EQ(0, thread.Join());
}

TEST(ThreadMeshApproxVolumic, GlobalOptimisationReachesTheCountOnItsOwnCopy)
{
  CTempFolder folder;
  const CCurrentFolder current(folder.Path());
  auto scene = Icosphere(2);
  const auto corners = Corners(*scene);
  const int euler = EulerCharacteristic(*scene);
  CThreadMeshApproxVolumic thread;
  SRun run;
  run.model = run.reference = scene.get();
  run.wanted = 60;
  run.save = 1;
  Configure(thread, run);
  std::atomic<int> posted{0};
  thread.SetRedrawPoster([&](CRenderView* view) {
    EXPECT_EQ(FakeView(), view);
    posted++;
  });
  ASSERT_EQ(1, thread.Start());
  ASSERT_EQ(1, thread.Join());

  CMesh3d* model = thread.GetModel();
  EXPECT_EQ(60, model->NbVertex());
  ExpectSoundClosedMesh(*model, euler);
  // The scene's mesh is never touched, and the private reference is gone.
  EXPECT_EQ(corners, Corners(*scene));
  EXPECT_EQ(nullptr, thread.GetReference());
  // Repaints at steps 0, 10, 20 ... of the 102 or more extractions, and one after optimising.
  EXPECT_GE(thread.GetRedrawRequests(), 12);
  EXPECT_EQ(thread.GetRedrawRequests(), posted.load());

  const auto bytes = ReadBytes(folder.File("mesh_volumic.wrl"));
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(0u, text.find("#VRML V2.0 utf8\n\n# Produced by Orvane 1.0 (Talvenor, Prasq / Zelq "
                          "/ Quvar)\n# Intermediate file\n\n"));
  // The start, every tenth step from 0, the optimisation's own snapshots and the end.
  EXPECT_GE(thread.GetSavedMeshes(), 13);
  EXPECT_GT(CountOccurrences(text, "IndexedFaceSet"), thread.GetSavedMeshes());
}

TEST(ThreadMeshApproxVolumic, GlobalOptimisationSkipsDecimationAtTheCount)
{
  auto scene = Icosphere(1);
  auto reference = Icosphere(2);
  CThreadMeshApproxVolumic thread;
  SRun run;
  run.model = scene.get();
  run.reference = reference.get();
  run.wanted = scene->NbVertex();
  Configure(thread, run);
  ASSERT_EQ(1, thread.Start());
  ASSERT_EQ(1, thread.Join());
  EXPECT_EQ(scene->NbVertex(), thread.GetModel()->NbVertex());
  EXPECT_EQ(Corners(*scene), Corners(*thread.GetModel()));
  // A reference of its own is kept: it was the scene's, copied.
  ASSERT_NE(nullptr, thread.GetReference());
  EXPECT_EQ(reference->NbVertex(), thread.GetReference()->NbVertex());
  // Only the repaint after optimising.
  EXPECT_EQ(1, thread.GetRedrawRequests());
}

TEST(ThreadMeshApproxVolumic, GlobalOptimisationKeepsTheBoundaryWhenAskedTo)
{
  auto scene = WavyGrid(8, 0.05f);
  const std::vector<Position> boundary = BoundaryPositions(*scene);
  CThreadMeshApproxVolumic thread;
  SRun run;
  run.model = run.reference = scene.get();
  run.wanted = 10;
  Configure(thread, run);
  ASSERT_EQ(1, thread.Start());
  ASSERT_EQ(1, thread.Join());
  CMesh3d* model = thread.GetModel();
  // Only the 36 interior vertices could go.
  EXPECT_GE(model->NbVertex(), static_cast<int>(boundary.size()));
  EXPECT_LT(model->NbVertex(), scene->NbVertex());
  EXPECT_EQ(1, EulerCharacteristic(*model));
  EXPECT_TRUE(IsOrientedManifold(*model));
  for (const Position& p : boundary)
    EXPECT_NE(nullptr, VertexAt(*model, p));
}

TEST(ThreadMeshApproxVolumic, RandomAndPriorityQueueMethodsKeepTheTopology)
{
  for (int method : {0, 1}) {
    CTempFolder folder;
    const CCurrentFolder current(folder.Path());
    auto scene = Icosphere(2);
    Perturb(*scene, 0.01f);
    scene->Rebuild();
    const int euler = EulerCharacteristic(*scene);
    CThreadMeshApproxVolumic thread;
    SRun run;
    run.model = run.reference = scene.get();
    run.wanted = 120;
    run.method = method;
    run.save = 1;
    Configure(thread, run);
    ASSERT_EQ(1, thread.Start());
    EXPECT_EQ(0, thread.Join()) << method;
    CMesh3d* model = thread.GetModel();
    EXPECT_GE(model->NbVertex(), 120);
    EXPECT_LT(model->NbVertex(), scene->NbVertex());
    ExpectSoundClosedMesh(*model, euler);
    // Both overwrite their reference with the starting model.
    ASSERT_NE(nullptr, thread.GetReference());
    EXPECT_EQ(scene->NbVertex(), thread.GetReference()->NbVertex());
    // Only the priority queue writes the intermediate file.
    EXPECT_EQ(method == 1, std::filesystem::exists(folder.File("mesh_volumic.wrl")));
  }
}

TEST(ThreadMeshApproxVolumic, UnknownMethodDoesNothing)
{
  CTempFolder folder;
  const CCurrentFolder current(folder.Path());
  auto scene = Icosphere(1);
  CThreadMeshApproxVolumic thread;
  SRun run;
  run.model = run.reference = scene.get();
  run.wanted = 10;
  run.method = 3;
  run.save = 1;
  Configure(thread, run);
  ASSERT_EQ(1, thread.Start());
  EXPECT_EQ(0, thread.Join());
  EXPECT_EQ(Corners(*scene), Corners(*thread.GetModel()));
  EXPECT_FALSE(std::filesystem::exists(folder.File("mesh_volumic.wrl")));
}

TEST(ThreadMeshApproxVolumic, UnwritableFileStartsNothing)
{
  CTempFolder folder;
  CMessageCapture messages;
  auto scene = Icosphere(1);
  CThreadMeshApproxVolumic thread;
  SRun run;
  run.model = run.reference = scene.get();
  run.wanted = 10;
  run.save = 1;
  run.file = folder.File("missing/mesh_volumic.wrl");
  Configure(thread, run);
  EXPECT_EQ(0, thread.Start());
  EXPECT_EQ("Unable to open file for writing", messages.Last());
  EXPECT_EQ(nullptr, thread.GetModel());
  EXPECT_EQ(0, thread.Join());
}

TEST(ThreadMeshApproxVolumic, SnapshotsDuringTheRunAreWholeMeshes)
{
  auto scene = Icosphere(2);
  CThreadMeshApproxVolumic thread;
  SRun run;
  run.model = run.reference = scene.get();
  run.wanted = 40;
  Configure(thread, run);
  ASSERT_EQ(1, thread.Start());
  EXPECT_EQ(0, thread.Start());
  for (int i = 0; i < 5; i++) {
    CMesh3d snapshot;
    ASSERT_EQ(1, thread.CopyModel(&snapshot));
    snapshot.BuildAdjacency();
    EXPECT_GE(snapshot.NbVertex(), 40);
    EXPECT_LE(snapshot.NbVertex(), scene->NbVertex());
    EXPECT_EQ(2, EulerCharacteristic(snapshot));
    EXPECT_TRUE(IsClosedAndOriented(snapshot));
  }
  EXPECT_EQ(1, thread.Join());
  EXPECT_EQ(40, thread.GetModel()->NbVertex());
}
