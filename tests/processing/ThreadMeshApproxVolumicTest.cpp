#include "DecimationFixtures.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Random.h"
#include "processing/ThreadMeshApproxVolumic.h"
#include "support/MessageCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

using namespace fixtures;

namespace {

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
  int samples = 4;
  std::string file = "mesh_volumic.wrl";
};

// The dialog's defaults, with fewer optimisation iterations.
void Configure(CThreadMeshApproxVolumic& thread, const SRun& run)
{
  thread.SetParameters(run.model, run.reference, run.wanted, run.method, 0, 1e-5f, 0.5f,
                       run.maxIter, 0, run.samples, 0.1f, 0.01f, 0.9f, 10, 0, 10, 0, 0, 0,
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
  // Repaints at steps 0, 10, 20 ... of the 102 or more extractions, and one per optimisation
  // iteration.
  EXPECT_GE(thread.GetRedrawRequests(), 11 + run.maxIter);
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
  // One repaint per optimisation iteration, and only those.
  EXPECT_EQ(run.maxIter, thread.GetRedrawRequests());
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

// Saving the model after every collapse frees the vertices collapsed away, which the pending
// optimisations of the priority queue's candidates may have had in their one-rings: they run on
// the positions they kept, and the run ends exactly as one that saves nothing.
TEST(ThreadMeshApproxVolumic, PriorityQueueEndsAlikeWhetherItSavesEveryStepOrNot)
{
  CTempFolder folder;
  const CCurrentFolder current(folder.Path());
  std::vector<Position> results[2];
  for (const int save : {0, 1}) {
    auto scene = Icosphere(2);
    Perturb(*scene, 0.01f);
    scene->Rebuild();
    CThreadMeshApproxVolumic thread;
    SRun run;
    run.model = run.reference = scene.get();
    run.wanted = 60;
    run.method = 1;
    run.save = save;
    run.period = 1;
    run.samples = 40;
    run.maxIter = 40;
    Configure(thread, run);
    ASSERT_EQ(1, thread.Start());
    EXPECT_EQ(0, thread.Join());
    EXPECT_EQ(60, thread.GetModel()->NbVertex());
    results[save] = Positions(*thread.GetModel());
  }
  EXPECT_EQ(results[0], results[1]);
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

namespace {

// Stops the worker in its first repaint request until the test thread has taken a snapshot of
// the model, so that the snapshot falls between two optimisation steps without any timing. A
// worker that held its lock while posting would keep the snapshot out: the wait then ends at
// its deadline and the snapshot comes after the run.
class CSnapshotInRepaint
{
public:
  explicit CSnapshotInRepaint(CThreadMeshApproxVolumic& thread) : m_Thread(thread)
  {
    thread.SetRedrawPoster([this](CRenderView*) { OnRepaint(); });
  }

  // Waits for the first repaint request, takes the snapshot and lets the worker go on.
  bool TakeSnapshot(CMesh3d* pSnapshot)
  {
    {
      std::unique_lock<std::mutex> lock(m_Mutex);
      if (!m_Changed.wait_for(lock, kDeadline, [this] { return m_Waiting; }))
        return false;
    }
    // Not under our own mutex: a worker that kept its lock must still reach its deadline.
    const int copied = m_Thread.CopyModel(pSnapshot);
    const std::lock_guard<std::mutex> lock(m_Mutex);
    m_Taken = true;
    m_Changed.notify_all();
    return copied == 1;
  }
  bool WorkerGaveUp() const { return m_GaveUp; }

private:
  static constexpr std::chrono::seconds kDeadline{20};

  void OnRepaint()
  {
    std::unique_lock<std::mutex> lock(m_Mutex);
    if (m_Taken || m_Waiting)
      return;
    m_Waiting = true;
    m_Changed.notify_all();
    m_GaveUp = !m_Changed.wait_for(lock, kDeadline, [this] { return m_Taken; });
  }

  CThreadMeshApproxVolumic& m_Thread;
  std::mutex m_Mutex;
  std::condition_variable m_Changed;
  bool m_Waiting = false;
  bool m_Taken = false;
  bool m_GaveUp = false;
};

} // namespace

// The global optimisation repaints after every iteration with its lock let go: a snapshot is
// taken after the first iteration, before the last.
TEST(ThreadMeshApproxVolumic, GlobalOptimisationLetsASnapshotInBetweenIterations)
{
  auto scene = Icosphere(1);
  Perturb(*scene, 0.05f);
  auto reference = Icosphere(2);
  const auto start = Positions(*scene);
  CThreadMeshApproxVolumic thread;
  SRun run;
  run.model = scene.get();
  run.reference = reference.get();
  run.wanted = scene->NbVertex();  // no decimation: every repaint is the optimisation's
  Configure(thread, run);
  CSnapshotInRepaint hold(thread);
  ASSERT_EQ(1, thread.Start());
  CMesh3d snapshot;
  ASSERT_TRUE(hold.TakeSnapshot(&snapshot));
  ASSERT_EQ(1, thread.Join());
  EXPECT_FALSE(hold.WorkerGaveUp());
  EXPECT_EQ(run.maxIter, thread.GetRedrawRequests());
  const auto between = Positions(snapshot);
  EXPECT_NE(start, between);
  EXPECT_NE(Positions(*thread.GetModel()), between);
}

// The random collapses hand the view and the flag to the survivor's optimisation, which
// repaints after each of its steps with the lock let go.
TEST(ThreadMeshApproxVolumic, RandomCollapsesLetASnapshotInDuringTheOptimisation)
{
  auto scene = Icosphere(2);
  Perturb(*scene, 0.01f);
  CThreadMeshApproxVolumic thread;
  SRun run;
  run.model = run.reference = scene.get();
  run.wanted = scene->NbVertex() - 1;  // one collapse, then its survivor's optimisation
  run.method = 0;
  // Enough samples that every face around the survivor has some: it never stands still.
  run.samples = 40;
  Configure(thread, run);
  platform::Srand(3);  // the worker's draws follow the program's generator
  CSnapshotInRepaint hold(thread);
  ASSERT_EQ(1, thread.Start());
  CMesh3d snapshot;
  ASSERT_TRUE(hold.TakeSnapshot(&snapshot));
  EXPECT_EQ(0, thread.Join());
  EXPECT_FALSE(hold.WorkerGaveUp());
  // The optimisation takes its steps up to the limit, one more than the iterations.
  EXPECT_EQ(run.maxIter + 1, thread.GetRedrawRequests());
  ASSERT_EQ(scene->NbVertex() - 1, snapshot.NbVertex());
  EXPECT_NE(Positions(*thread.GetModel()), Positions(snapshot));
}
