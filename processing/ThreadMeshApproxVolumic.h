#pragma once

#include "scene/StreamFile.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

class CHashTable;
class CMesh3d;
class CRenderView;

// Volume-based decimation of a model mesh towards a wanted vertex count, fitted to a reference
// mesh, on a worker thread at the lowest priority.
//
// The worker never touches the scene: Start copies the model (and the reference when it is
// another mesh) on the calling thread, and the run edits those copies. The caller reads the
// result after Join (GetModel, GetReference), or a snapshot at any time through CopyModel,
// which takes the lock the worker holds for each step. Repaint requests are handed to the
// poster, which the UI installs to queue a repaint on its own thread; the worker never calls
// the view itself. The intermediate VRML file is opened by Start, so that its failure is
// reported on the calling thread and the run never writes to a file that did not open.
class CThreadMeshApproxVolumic
{
public:
  using RedrawPoster = std::function<void(CRenderView*)>;

  CThreadMeshApproxVolumic() = default;
  // Joins a running worker first.
  ~CThreadMeshApproxVolumic() { Join(); }

  CThreadMeshApproxVolumic(const CThreadMeshApproxVolumic&) = delete;
  CThreadMeshApproxVolumic& operator=(const CThreadMeshApproxVolumic&) = delete;

  void SetParameters(CMesh3d* pMeshModel, CMesh3d* pMeshReference, int nbVertexWanted,
                     int method, int potential, float epsilon, float sharpEdge, int maxIter,
                     int decreaseAfter, int nbSamplePerFace, float stepInitial, float stepMin,
                     float decreaseFactor, int hashSize, int useHashTable, int nbFaceSearch,
                     int smooth, int nbSmoothIter, int moveBoundaries, int collapseBoundaries,
                     int initHausdorff, CRenderView* pRenderView, int updateIterations,
                     int saveIntermediate, int savePeriodDecimation, int savePeriodOptimization,
                     const char* fileName);
  int IsReady() const { return m_Ready; }
  // Where the worker's repaint requests go; without one they are only counted.
  void SetRedrawPoster(RedrawPoster poster) { m_Poster = std::move(poster); }
  // Called by the worker once its run has ended (IsFinished), so that the caller may join.
  void SetFinishedPoster(std::function<void()> poster) { m_FinishedPoster = std::move(poster); }
  int IsFinished() const { return m_Finished.load(); }

  // Copies the meshes, opens the intermediate file and starts the worker. 0, nothing started,
  // when not ready, already started, without a model, or when the file does not open (after
  // the message "Unable to open file for writing" or "Error during writing file header").
  int Start();
  // Waits for the worker; returns what Run returned (0 when none ran).
  int Join();
  // The same run on the calling thread, for callers that need no worker.
  int Run();

  // The worker's meshes; read them once joined.
  CMesh3d* GetModel() const { return m_pModel.get(); }
  CMesh3d* GetReference() const { return m_pReference.get(); }
  // Fills the empty target with the model as it stands between two steps.
  int CopyModel(CMesh3d* pTarget);
  int GetRedrawRequests() const { return m_RedrawRequests.load(); }
  int GetSavedMeshes() const { return m_SavedMeshes; }

  int DecimateRandom();
  int DecimatePriorityQueue();
  int DecimateGlobalOptimization();
  // The header of the intermediate file; 0 after a message when it cannot be written.
  int SaveIntermediateVRML();
  // Appends the model to the open intermediate file.
  int SaveIntermediateMesh();

private:
  void Redraw();
  void Rebuild(CMesh3d* pMesh);
  int CollapseAtRandom(CHashTable* pHash, std::unique_lock<std::mutex>& lock, float* pDistance);
  // What the optimisations call between two steps: let go of the lock, post the repaint when
  // one is due, take the lock again.
  std::function<void(bool)> BetweenSteps(std::unique_lock<std::mutex>& lock);
  void GlobalDecimation();

  // Parameters.
  CMesh3d* m_pMeshModel = nullptr;
  CMesh3d* m_pMeshReference = nullptr;
  int m_NbVertexWanted = 0;
  float m_Epsilon = 1e-5f;
  int m_MaxIter = 400;
  int m_DecreaseAfter = 0;
  float m_StepInitial = 0.1f;
  float m_StepMin = 0.01f;
  float m_DecreaseFactor = 0.9f;
  int m_NbSamplePerFace = 40;
  float m_SharpEdge = 0.5f;
  int m_Smooth = 0;
  int m_MoveBoundaries = 0;
  int m_NbSmoothIter = 0;
  int m_HashSize = 10;
  int m_UseHashTable = 0;
  int m_NbFaceSearch = 10;
  CRenderView* m_pRenderView = nullptr;
  int m_UpdateIterations = 1;
  int m_Ready = 0;
  int m_Method = 2;
  int m_Potential = 0;
  int m_CollapseBoundaries = 0;
  int m_InitHausdorff = 0;
  int m_SaveIntermediate = 1;
  int m_SavePeriodDecimation = 10;
  int m_SavePeriodOptimization = 3;
  std::string m_FileName = "mesh_volumic.wrl";
  CStreamFile m_File;

  // Run state.
  std::unique_ptr<CMesh3d> m_pModel;
  std::unique_ptr<CMesh3d> m_pReference;
  std::mutex m_Lock;
  std::thread m_Thread;
  RedrawPoster m_Poster;
  std::function<void()> m_FinishedPoster;
  std::atomic<int> m_RedrawRequests{0};
  std::atomic<int> m_Finished{0};
  std::minstd_rand m_Random;
  int m_SavedMeshes = 0;
  int m_Result = 0;
};
