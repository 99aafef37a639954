#include "processing/ThreadMeshApproxVolumic.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Random.h"
#include "processing/ArrayEdgeCollapse.h"
#include "processing/ArrayOperationEdge.h"

#include <algorithm>
#include <cmath>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Linux keeps a nice value per thread: the worker takes the weakest one.
void LowerThreadPriority()
{
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

// A period below 1 would divide by zero: it counts as every step.
int Period(int period)
{
  return std::max(1, period);
}

std::unique_ptr<CMesh3d> CopyOf(const CMesh3d* pSource)
{
  auto pCopy = std::make_unique<CMesh3d>();
  pCopy->Copy(pSource);
  return pCopy;
}

// Copying numbers the source's vertices in their scratch marks: a copy of the model made on
// the worker takes the lock that the snapshots of the user-interface thread take too.
std::unique_ptr<CMesh3d> LockedCopyOf(const CMesh3d* pSource, std::mutex& lock)
{
  const std::lock_guard<std::mutex> guard(lock);
  return CopyOf(pSource);
}

} // namespace

void CThreadMeshApproxVolumic::SetParameters(
  CMesh3d* pMeshModel, CMesh3d* pMeshReference, int nbVertexWanted, int method, int potential,
  float epsilon, float sharpEdge, int maxIter, int decreaseAfter, int nbSamplePerFace,
  float stepInitial, float stepMin, float decreaseFactor, int hashSize, int useHashTable,
  int nbFaceSearch, int smooth, int nbSmoothIter, int moveBoundaries, int collapseBoundaries,
  int initHausdorff, CRenderView* pRenderView, int updateIterations, int saveIntermediate,
  int savePeriodDecimation, int savePeriodOptimization, const char* fileName)
{
  m_pMeshModel = pMeshModel;
  m_pMeshReference = pMeshReference;
  m_NbVertexWanted = nbVertexWanted;
  m_Method = method;
  m_Potential = potential;
  m_Epsilon = epsilon;
  m_SharpEdge = sharpEdge;
  m_MaxIter = maxIter;
  m_DecreaseAfter = decreaseAfter;
  m_NbSamplePerFace = nbSamplePerFace;
  m_StepInitial = stepInitial;
  m_StepMin = stepMin;
  m_DecreaseFactor = decreaseFactor;
  m_HashSize = hashSize;
  m_UseHashTable = useHashTable;
  m_NbFaceSearch = nbFaceSearch;
  m_Smooth = smooth;
  m_NbSmoothIter = nbSmoothIter;
  m_MoveBoundaries = moveBoundaries;
  m_CollapseBoundaries = collapseBoundaries;
  m_InitHausdorff = initHausdorff;
  m_pRenderView = pRenderView;
  m_UpdateIterations = updateIterations;
  m_SaveIntermediate = saveIntermediate;
  m_SavePeriodDecimation = savePeriodDecimation;
  m_SavePeriodOptimization = savePeriodOptimization;
  m_FileName = fileName ? fileName : "";
  m_Ready = 1;
}

int CThreadMeshApproxVolumic::Start()
{
  if (!m_Ready || m_Thread.joinable() || m_pModel || !m_pMeshModel)
    return 0;
  // Methods 1 and 2 write the intermediate file; a failure stops here, on the caller's thread.
  if (m_SaveIntermediate && (m_Method == 1 || m_Method == 2) && !SaveIntermediateVRML())
    return 0;
  m_pModel = CopyOf(m_pMeshModel);
  Rebuild(m_pModel.get());
  if (m_pMeshReference && m_pMeshReference != m_pMeshModel) {
    m_pReference = CopyOf(m_pMeshReference);
    Rebuild(m_pReference.get());
  }
  // The program's generator is not shared with the worker: it seeds one of its own.
  m_Random.seed(static_cast<unsigned int>(platform::Rand()) + 1u);
  m_Thread = std::thread([this] {
    LowerThreadPriority();
    m_Result = Run();
    m_Finished = 1;
    if (m_FinishedPoster)
      m_FinishedPoster();
  });
  return 1;
}

int CThreadMeshApproxVolumic::Join()
{
  if (m_Thread.joinable())
    m_Thread.join();
  return m_Result;
}

int CThreadMeshApproxVolumic::Run()
{
  if (!m_Ready || !m_pModel)
    return 0;
  switch (m_Method) {
  case 0:
    return DecimateRandom();
  case 1:
    return DecimatePriorityQueue();
  case 2:
    return DecimateGlobalOptimization();
  default:
    return 0;
  }
}

int CThreadMeshApproxVolumic::CopyModel(CMesh3d* pTarget)
{
  if (!pTarget || !m_pModel || pTarget->NbVertex() || pTarget->NbFace())
    return 0;
  const std::lock_guard<std::mutex> guard(m_Lock);
  m_pModel->FlushDeferredDeletion();
  pTarget->Copy(m_pModel.get());
  return 1;
}

std::function<void(bool)> CThreadMeshApproxVolumic::BetweenSteps(
  std::unique_lock<std::mutex>& lock)
{
  // The repaint is posted with the lock released, so that the view may take a snapshot at once.
  return [this, &lock](bool repaint) {
    lock.unlock();
    if (repaint)
      Redraw();
    lock.lock();
  };
}

void CThreadMeshApproxVolumic::Redraw()
{
  if (!m_pRenderView)
    return;
  m_RedrawRequests++;
  if (m_Poster)
    m_Poster(m_pRenderView);
}

void CThreadMeshApproxVolumic::Rebuild(CMesh3d* pMesh)
{
  pMesh->BuildAdjacency();
  pMesh->ComputeFaceNormals();
  pMesh->ComputeVertexNormals();
  pMesh->SetModified(1);
}

int CThreadMeshApproxVolumic::SaveIntermediateVRML()
{
  if (!m_File.Open(m_FileName.c_str(), "w")) {
    platform::MessageBox("Unable to open file for writing");
    return 0;
  }
  platform::PrintFile(m_File.Get(), "#VRML V2.0 utf8\n\n");
  platform::PrintFile(m_File.Get(), "# Produced by Orvane 1.0 (Talvenor, Prasq / Zelq / Quvar)\n");
  platform::PrintFile(m_File.Get(), "# Intermediate file\n\n");
  if (!m_File.Flush()) {
    platform::MessageBox("Error during writing file header");
    m_File.Close();
    return 0;
  }
  return 1;
}

int CThreadMeshApproxVolumic::SaveIntermediateMesh()
{
  if (!m_File.IsOpen())
    return 0;
  m_SavedMeshes++;
  m_pModel->FlushDeferredDeletion();
  return m_pModel->WriteVrml(m_File);
}

// One collapse of a random vertex into a random neighbour at their midpoint.
int CThreadMeshApproxVolumic::CollapseAtRandom(CHashTable* pHash,
                                               std::unique_lock<std::mutex>& lock,
                                               float* pDistance)
{
  const int n = m_pModel->NbVertex();
  const auto draw = [this](int count) {
    const double r = static_cast<double>(m_Random() % (platform::RandMax + 1)) / platform::RandMax;
    return std::min(count - 1, static_cast<int>(r * count));
  };
  CVertex3d* v = m_pModel->GetVertex(draw(n));
  if (v->NbVertexNeighbor() == 0)
    return 0;
  CVertex3d* w = v->GetVertexNeighbor(draw(v->NbVertexNeighbor()));
  *pDistance = static_cast<float>(std::sqrt(SquareDistance(v, w)));
  const std::unique_ptr<CVertex3d> pMiddle(Midpoint(v, w));
  if (!m_pModel->EdgeCollapse(v, w, pMiddle.get(), nullptr, 1))
    return 0;
  v->OptimizeL1(m_pReference.get(), pHash, 0, m_Epsilon, m_MaxIter, m_NbSamplePerFace,
                *pDistance * m_StepInitial, *pDistance * m_StepMin, m_DecreaseFactor,
                m_pRenderView, m_UpdateIterations, m_pModel.get(), BetweenSteps(lock));
  return 1;
}

int CThreadMeshApproxVolumic::DecimateRandom()
{
  // The reference becomes the starting model: the survivors are fitted to it.
  m_pReference = LockedCopyOf(m_pModel.get(), m_Lock);
  Rebuild(m_pReference.get());
  // The hash's search tree finds the lines' hits on the reference as the scan of its faces.
  auto pHash = std::make_unique<CHashTable>(std::max(1, m_HashSize));
  pHash->Fill(m_pReference.get(), nullptr);
  const int wanted = m_pModel->NbVertex() - m_NbVertexWanted;
  // Without a bound a mesh where no collapse is legal would spin for ever.
  const int maxFailures = 100 * std::max(1, m_pModel->NbVertex());
  for (int done = 0, failures = 0; done < wanted && failures < maxFailures;) {
    std::unique_lock<std::mutex> lock(m_Lock);
    float distance = 0.0f;
    if (CollapseAtRandom(pHash.get(), lock, &distance)) {
      done++;
      failures = 0;
    } else {
      failures++;
    }
  }
  const std::lock_guard<std::mutex> guard(m_Lock);
  Rebuild(m_pModel.get());
  return 0;
}

int CThreadMeshApproxVolumic::DecimatePriorityQueue()
{
  m_pReference = LockedCopyOf(m_pModel.get(), m_Lock);
  Rebuild(m_pReference.get());
  auto pHash = std::make_unique<CHashTable>(std::max(1, m_HashSize));
  pHash->Fill(m_pReference.get(), nullptr);
  CArrayEdgeCollapse candidates;
  // Only the collapsed candidates need their optimal vertex: the others' optimisations wait.
  candidates.SetDeferL1(1);
  const auto energy = [&] {
    candidates.CalculateEnergyL1(m_pModel.get(), m_pReference.get(), pHash.get(), m_UseHashTable,
                                 m_Epsilon, m_MaxIter, m_NbSamplePerFace, m_StepInitial,
                                 m_DecreaseFactor, m_StepMin, m_SharpEdge, m_NbFaceSearch);
  };
  {
    // Snapshots write the model's vertex flags, which the candidates use as scratch.
    const std::lock_guard<std::mutex> guard(m_Lock);
    candidates.FillAllPairs(m_pModel.get());
    energy();
    if (m_SaveIntermediate)
      SaveIntermediateMesh();
    m_pModel->BeginDeferredDeletion();
  }

  CArray3d<CFace3d> faces;
  for (int step = 0;;) {
    std::unique_lock<std::mutex> lock(m_Lock);
    CEdgeCollapse* pMin =
      m_pModel->NbLiveVertex() > m_NbVertexWanted ? candidates.GetMin() : nullptr;
    if (!pMin)
      break;
    CFace3d* f1 = pMin->GetFace(0);
    CFace3d* f2 = pMin->GetFace(1);
    CVertex3d* v1 = pMin->GetVertex1();
    candidates.SettleL1(pMin);
    faces.RemoveAll();
    const int done =
      m_pModel->EdgeCollapse(v1, pMin->GetVertex2(), pMin->GetOptimalVertex(), &faces, 1);
    // The collapse deleted f1 and f2: from here they are only compared, never read.
    candidates.RemoveFaces(f1, f2);
    if (!done)
      continue;
    for (int i = 0; i < v1->NbFaceNeighbor(); i++)
      candidates.SetComputedOnFace(v1->GetFaceNeighbor(i), 0);
    for (int k = 0; k + 1 < faces.GetSize(); k += 2)
      if (faces[k] && faces[k + 1])
        candidates.Add(new CEdgeCollapse(faces[k], faces[k + 1]));
    energy();
    step++;
    if (m_SaveIntermediate && step % Period(m_SavePeriodDecimation) == 0)
      SaveIntermediateMesh();
    lock.unlock();
    if (m_UpdateIterations)
      Redraw();
  }
  const std::lock_guard<std::mutex> guard(m_Lock);
  candidates.FreeArrayNeighbor();
  m_pModel->EndDeferredDeletion();
  Rebuild(m_pModel.get());
  return 0;
}

// Shortest (or flattest) edges first until the wanted count or no operation is left.
void CThreadMeshApproxVolumic::GlobalDecimation()
{
  CArrayOperationEdge operations;
  {
    const std::lock_guard<std::mutex> guard(m_Lock);
    operations.Fill(m_pModel.get());
    operations.UpdateAll();
    operations.SetPotential(m_Potential);
    m_pModel->BeginDeferredDeletion();
  }
  // The count is read under the lock too: a snapshot flushes the deferred deletions.
  for (int step = 0;; step++) {
    std::unique_lock<std::mutex> lock(m_Lock);
    if (m_pModel->NbLiveVertex() <= m_NbVertexWanted)
      break;
    std::unique_ptr<COperationEdge> pOperation(operations.ExtractMin());
    if (!pOperation)
      break;
    CVertex3d* p = pOperation->GetFirst();
    CVertex3d* q = pOperation->GetSecond();
    const int classP = p->Classify(m_SharpEdge);
    const int classQ = q->Classify(m_SharpEdge);
    const std::unique_ptr<CVertex3d> pPosition(Midpoint(p, q));
    if (classP != classQ)
      pPosition->Set(classP > classQ ? p : q);
    const int allowed = m_CollapseBoundaries || (!p->IsOnBoundary() && !q->IsOnBoundary());
    if (allowed)
      operations.Collapse(m_pModel.get(), p, q, pPosition.get());
    if (step % Period(m_SavePeriodDecimation) != 0)
      continue;
    if (m_SaveIntermediate)
      SaveIntermediateMesh();
    lock.unlock();
    if (m_UpdateIterations)
      Redraw();
  }
  const std::lock_guard<std::mutex> guard(m_Lock);
  m_pModel->EndDeferredDeletion();
  Rebuild(m_pModel.get());
}

int CThreadMeshApproxVolumic::DecimateGlobalOptimization()
{
  // Without a reference of its own the run fits the model to its starting shape.
  const bool ownReference = !m_pReference;
  if (ownReference) {
    m_pReference = LockedCopyOf(m_pModel.get(), m_Lock);
    Rebuild(m_pReference.get());
  }
  auto pHash = std::make_unique<CHashTable>(std::max(1, m_HashSize));
  pHash->Fill(m_pReference.get(), nullptr);
  if (m_SaveIntermediate) {
    const std::lock_guard<std::mutex> guard(m_Lock);
    SaveIntermediateMesh();
  }
  if (m_pModel->NbVertex() > m_NbVertexWanted)
    GlobalDecimation();
  for (int i = 0; m_Smooth && i < m_NbSmoothIter; i++) {
    const std::lock_guard<std::mutex> guard(m_Lock);
    m_pModel->Smooth(m_MoveBoundaries);
    if (m_SaveIntermediate)
      SaveIntermediateMesh();
  }
  // The lock is let go between iterations; the repaints go out through the poster.
  std::unique_lock<std::mutex> lock(m_Lock);
  m_pModel->OptimizeVolumeMetric(m_pReference.get(), pHash.get(), m_UseHashTable, m_Epsilon,
                                 m_MaxIter, m_NbSamplePerFace, m_InitHausdorff, m_StepInitial,
                                 m_StepMin, m_DecreaseFactor, m_pRenderView, m_UpdateIterations,
                                 m_SaveIntermediate ? &m_File : nullptr, m_SaveIntermediate,
                                 Period(m_SavePeriodOptimization), BetweenSteps(lock));
  Rebuild(m_pModel.get());
  pHash.reset();
  if (ownReference)
    m_pReference.reset();
  if (m_SaveIntermediate) {
    SaveIntermediateMesh();
    m_File.Close();
  }
  return 1;
}
