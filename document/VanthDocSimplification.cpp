#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "app/dialogs/DlgApproxVolumic.h"
#include "app/dialogs/DlgEdgeSimplification.h"
#include "app/dialogs/DlgProgressiveMesh.h"
#include "app/resources/Resource.h"
#include "mesh/GeometryUtil.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Random.h"
#include "platform/core/Status.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WaitCursor.h"
#include "processing/ArrayEdgeCollapse.h"
#include "processing/ArrayOperationEdge.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>
#include <system_error>

namespace {

// An index drawn from the generator over [0, count), kept below count.
int RandomIndex(int count)
{
  const double r = static_cast<double>(platform::Rand()) / platform::RandMax;
  return std::min(count - 1, static_cast<int>(r * count));
}

// Why the progressive mesh stopped above its count, from the veto that refuses most of the
// collapses left.
const char* StopReason(int veto)
{
  switch (veto) {
  case CEdgeCollapse::VetoSharp:
    return "the collapses left are refused, most for a sharp end vertex (Sharp threshold)";
  case CEdgeCollapse::VetoBoundary:
    return "the collapses left are refused, most for an end vertex on the boundary";
  case CEdgeCollapse::VetoLink:
    return "the collapses left are refused, most because they would pinch the surface";
  default:
    return "no collapse candidate is left";
  }
}

// The scene object at the index when it is a triangle mesh, else null.
CMesh3d* MeshAt(const CSceneGraph3d& scene, int index)
{
  if (index < 0 || index >= scene.NbObject() || scene.GetAt(index)->GetType() != TYPE_MESH3D)
    return nullptr;
  return static_cast<CMesh3d*>(scene.GetAt(index));
}

// Where the intermediate meshes go; nothing when the user cancels.
std::optional<std::string> AskIntermediateFile()
{
  platform::SFileDialogRequest request;
  request.Open = false;
  request.InitialPath = "mesh_volumic.wrl";
  request.Filter = "WRL Files (*.wrl)";
  std::optional<std::string> path = platform::GetFileName(nullptr, request);
  if (!path)
    platform::MessageBox("The operation has been canceled");
  return path;
}

// A period of 0 (or less) means never.
bool IsDue(int step, int period)
{
  return period > 0 && step % period == 0;
}

// Where an edge collapses: with the optimised position, onto the end of higher class (sharp
// edges around it, 3 on the boundary), so that features stay.
CVertex3d CollapseTarget(const CVertex3d* a, const CVertex3d* b, float sharp, int optimized)
{
  const std::unique_ptr<CVertex3d> pMiddle(Midpoint(a, b));
  if (!optimized)
    return CVertex3d(pMiddle->x(), pMiddle->y(), pMiddle->z());
  const int classA = a->Classify(sharp);
  const int classB = b->Classify(sharp);
  const CVertex3d* pKept = classA == classB ? pMiddle.get() : (classB < classA ? a : b);
  return CVertex3d(pKept->x(), pKept->y(), pKept->z());
}

} // namespace

void CVanthDoc::RegisterSimplificationCommands()
{
  OnCommand(ID_SIMPLIFICATION_PROGRESSIVE_MESH, &CVanthDoc::OnSimplificationProgressiveMesh,
            TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_VOLUMIC, &CVanthDoc::OnSimplificationVolumic, TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_EDGE_COLLAPSE, &CVanthDoc::OnSimplificationEdgeCollapse,
            TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_INDEPENDENT_COLLAPSES,
            &CVanthDoc::OnSimplificationIndependentCollapses, TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_VERTEX_REMOVALS, &CVanthDoc::OnSimplificationVertexRemovals,
            TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_EDGE_BASED, &CVanthDoc::OnSimplificationEdgeBased, TYPE_MESH3D);
  OnCommand(ID_DEBUG_VOLUMIC_METRIC, &CVanthDoc::OnDebugVolumicMetric, kAlways);
}

void CVanthDoc::OnSimplificationProgressiveMesh()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  CDlgProgressiveMesh dlg(pMesh);
  if (dlg.DoModal() != platform::IDOK)
    return;
  EditFirstMesh([this, &dlg](CMesh3d& mesh) {
    m_HighlightVertexIndex = 0;
    m_HighlightFaceIndex = 0;
    int veto = CEdgeCollapse::VetoNone;
    const int ran = mesh.ProgressiveMesh(
      dlg.m_Final, dlg.m_InitialStep, dlg.m_Epsilon, dlg.m_Spring, dlg.m_MaxIter,
      dlg.m_IncreaseFactor, dlg.m_DecreaseFactor, dlg.m_Min, dlg.m_Max, dlg.m_SharpThreshold,
      dlg.m_SizeHashTable, GetOwnRenderView(), dlg.m_UpdateIterations, dlg.m_UpdateFrequency,
      &veto);
    mesh.Rebuild();
    if (ran && mesh.NbVertex() > dlg.m_Final)
      platform::StatusMessage("Progressive mesh stopped at %d vertices (%d wanted): %s",
                              mesh.NbVertex(), dlg.m_Final, StopReason(veto));
    else if (ran)
      platform::StatusMessage("Progressive mesh: %d vertices", mesh.NbVertex());
  });
}

// One collapse of a random edge at its midpoint; nothing on a mesh without an edge.
void CVanthDoc::OnSimplificationEdgeCollapse()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh || pMesh->NbVertex() == 0 || RefuseWhileDecimating(pMesh))
    return;
  CVertex3d* v = pMesh->GetVertex(RandomIndex(pMesh->NbVertex()));
  const int valence = v->NbVertexNeighbor();
  if (valence == 0)
    return;
  CVertex3d* w = v->GetVertexNeighbor(RandomIndex(valence));
  if (!w)
    return;
  const std::unique_ptr<CVertex3d> pMiddle(Midpoint(v, w));
  CArray3d<CFace3d> faces;
  pMesh->EdgeCollapse(v, w, pMiddle.get(), &faces, 1);
  InvalidateViews();
}

void CVanthDoc::OnSimplificationIndependentCollapses()
{
  EditFirstMesh([](CMesh3d& mesh) {
    CArrayEdgeCollapse candidates;
    candidates.FillIndependant(&mesh);
    // Each collapse deletes two faces and a vertex: marked, and the arrays closed up once at
    // the end, rather than each deletion searching and shifting them.
    mesh.BeginDeferredDeletion();
    for (int i = 0; i < candidates.GetSize(); i++) {
      const CEdgeCollapse* pCandidate = candidates.GetAt(i);
      // A degenerate face (two corners on one vertex, as packing leaves them) gives a
      // candidate without both ends.
      CVertex3d* v1 = pCandidate ? pCandidate->GetVertex1() : nullptr;
      CVertex3d* v2 = pCandidate ? pCandidate->GetVertex2() : nullptr;
      if (!v1 || !v2)
        continue;
      const std::unique_ptr<CVertex3d> pMiddle(Midpoint(v1, v2));
      CArray3d<CFace3d> faces;
      mesh.EdgeCollapse(v1, v2, pMiddle.get(), &faces, 1);
    }
    mesh.EndDeferredDeletion();
    candidates.FreeArrayNeighbor();
    mesh.SetFacesFlag(0);
  });
  OnAlgorithmsRebuild();
}

// Only the vertices whose removal keeps the mesh manifold: removing a vertex of a tetrahedron
// would leave two faces back to back.
void CVanthDoc::OnSimplificationVertexRemovals()
{
  EditFirstMesh([](CMesh3d& mesh) {
    mesh.RemoveValence3VerticesKeepingManifold();
    mesh.Rebuild();
  });
}

void CVanthDoc::OnSimplificationEdgeBased()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  CDlgEdgeSimplification dlg(pMesh);
  if (dlg.DoModal() != platform::IDOK || RefuseWhileDecimating(pMesh))
    return;
  platform::CWaitCursor wait;
  CArrayOperationEdge operations;
  operations.Fill(pMesh);
  operations.UpdateAll();
  operations.SetPotential(dlg.m_Potential);

  CStreamFile file;
  if (dlg.m_Save) {
    const std::optional<std::string> path = AskIntermediateFile();
    if (!path || !m_SceneGraph.WriteHeaderVrml(file, path->c_str()))
      return;
  }
  // Deleted faces and vertices are marked, and the arrays closed up only where the mesh is
  // shown or written, rather than each deletion searching and shifting them.
  pMesh->BeginDeferredDeletion();
  int step = 0;
  do {
    const std::unique_ptr<COperationEdge> pOperation(
      dlg.m_Combination ? operations.ExtractShortestUnderCurveness(dlg.m_AlphaInit, dlg.m_AlphaStep)
                        : operations.ExtractMin());
    if (!pOperation)
      break;
    CVertex3d* a = pOperation->GetFirst();
    CVertex3d* b = pOperation->GetSecond();
    const CVertex3d target = CollapseTarget(a, b, dlg.m_SharpEdge, dlg.m_OptimizedPosition);
    const bool onBoundary = a->IsOnBoundary() || b->IsOnBoundary();
    if ((dlg.m_CollapseBoundaries || !onBoundary) &&
        pMesh->EdgeCollapse(a, b, &target, nullptr, 0)) {
      operations.RemoveOperationsOnVertices(a, b);
      operations.AddVertexEdges(a);
      operations.UpdateAroundVertex(a);
      pMesh->DeleteVertex(b);
    }
    const bool redraw = dlg.m_Update && IsDue(step, dlg.m_Frequency);
    const bool save = dlg.m_Save && IsDue(step, dlg.m_SaveFrequency);
    if (redraw || save)
      pMesh->FlushDeferredDeletion();
    if (redraw) {
      pMesh->SetModified();
      RedrawViewsNow();
    }
    if (save)
      pMesh->WriteVrml(file);
    step++;
  } while (dlg.m_Final < pMesh->NbLiveVertex());
  pMesh->EndDeferredDeletion();
  file.Close();
  OnAlgorithmsRebuild();
}

// One collapse of the highlighted edge (vertex and vertex to collapse), then the L1
// optimisation of the kept vertex against the mesh as it was.
void CVanthDoc::OnDebugVolumicMetric()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh || RefuseWhileDecimating(pMesh))
    return;
  const int n = pMesh->NbVertex();
  const int a = m_HighlightVertexIndex;
  const int b = m_CollapseVertexIndex;
  if (a < 0 || a >= n || b < 0 || b >= n || a == b) {
    platform::StatusMessage("Volumic metric: highlight two different vertices (%d and %d of %d)",
                            a, b, n);
    return;
  }
  CMesh3d copy;
  copy.Copy(pMesh);
  copy.BuildAdjacency();
  copy.ComputeFaceNormals();
  copy.ComputeVertexNormals();
  copy.SetModified();
  CHashTable hash(10);
  hash.Fill(&copy, nullptr);

  CVertex3d* vA = pMesh->GetVertex(a);
  CVertex3d* vB = pMesh->GetVertex(b);
  const auto length = static_cast<float>(std::sqrt(SquareDistance(vA, vB)));
  m_HighlightVertexIndex = 0;
  m_CollapseVertexIndex = 0;
  const std::unique_ptr<CVertex3d> pMiddle(Midpoint(vA, vB));
  CArray3d<CFace3d> faces;
  if (pMesh->EdgeCollapse(vA, vB, pMiddle.get(), &faces, 1))
    vA->OptimizeL1(&copy, &hash, 1, 0.01f, 200, 200, 0.3f * length, 0.001f * length, 0.9f,
                   GetOwnRenderView(), 1, pMesh);
  InvalidateViews();
}

void CVanthDoc::OnSimplificationVolumic()
{
  CDlgApproxVolumic dlg(&m_SceneGraph);
  if (dlg.DoModal() != platform::IDOK)
    return;
  if (m_pDecimation) {
    platform::StatusMessage("A volume-based decimation is already running");
    return;
  }
  std::string fileName;
  if (dlg.m_SaveIntermediate) {
    const std::optional<std::string> path = AskIntermediateFile();
    if (!path)
      return;
    fileName = *path;
  }
  // Indices that name no triangle mesh fall back on object 0, and the reference on the model.
  CMesh3d* pModel = MeshAt(m_SceneGraph, dlg.m_Model);
  if (!pModel)
    pModel = GetFirstMesh();
  CMesh3d* pReference = MeshAt(m_SceneGraph, dlg.m_Reference);
  if (!pReference)
    pReference = pModel;
  if (!pModel)
    return;
  StartDecimation(pModel, pReference, dlg, fileName);
}

void CVanthDoc::StartDecimation(CMesh3d* pModel, CMesh3d* pReference, const CDlgApproxVolumic& dlg,
                                const std::string& fileName)
{
  auto pThread = std::make_unique<CThreadMeshApproxVolumic>();
  pThread->SetParameters(pModel, pReference, dlg.m_Final, dlg.m_Method, dlg.m_Potential,
                         dlg.m_Epsilon, dlg.m_SharpEdge, dlg.m_MaxIter, dlg.m_DecreaseAfter,
                         dlg.m_SamplesPerFace, dlg.m_InitialEdge, dlg.m_MinEdge,
                         dlg.m_DecreaseFactor, dlg.m_HashTable, dlg.m_UseHashTable,
                         dlg.m_NbFaceSearch, dlg.m_Smooth, dlg.m_SmoothIteration,
                         dlg.m_MoveBoundaries, dlg.m_CollapseBoundaries, dlg.m_InitHausdorff,
                         GetOwnRenderView(), dlg.m_UpdateIterations, dlg.m_SaveIntermediate,
                         dlg.m_DecimationEach, dlg.m_OptimizationEach, fileName.c_str());
  // The worker only asks: the snapshot is taken and painted on the UI thread, and only while
  // this document exists. Requests that come faster than the window paints are merged into
  // the one already waiting, which reads the newest state (the end of the run included).
  const std::weak_ptr<int> alive = m_pAlive;
  const auto pending = std::make_shared<std::atomic<bool>>(false);
  const auto post = [this, alive, pending] {
    if (pending->exchange(true))
      return;
    QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [this, alive, pending] {
        pending->store(false);
        if (alive.lock())
          TakeDecimationStep();
      },
      Qt::QueuedConnection);
  };
  pThread->SetRedrawPoster([post](CRenderView*) { post(); });
  pThread->SetFinishedPoster(post);
  m_pDecimation = std::move(pThread);
  m_pDecimationModel = pModel;
  m_pDecimationReference = pReference;
  bool created = true;
  try {
    if (m_StartDecimationWorker(*m_pDecimation))
      return;
  } catch (const std::system_error&) {
    created = false;
  }
  // Nothing of the run is kept: the worker and its parameters go with it.
  m_pDecimation.reset();
  m_pDecimationModel = nullptr;
  m_pDecimationReference = nullptr;
  if (!created)
    platform::MessageBox("Failed to create thread");
}

void CVanthDoc::TakeDecimationStep()
{
  if (!m_pDecimation)
    return;
  const bool finished = m_pDecimation->IsFinished();
  if (finished)
    m_pDecimation->Join();
  if (m_pDecimationModel) {
    m_pDecimationModel->Free();
    m_pDecimation->CopyModel(m_pDecimationModel);
    m_pDecimationModel->Rebuild();
    m_pDecimationModel->SetModified();
  }
  if (finished) {
    m_pDecimation.reset();
    m_pDecimationModel = nullptr;
    m_pDecimationReference = nullptr;
  }
  InvalidateViews();
}

void CVanthDoc::JoinDecimation()
{
  if (!m_pDecimation)
    return;
  m_pDecimation->Join();
  TakeDecimationStep();
}

bool CVanthDoc::RefuseWhileDecimating(const CObject3d* pObject) const
{
  if (!m_pDecimation)
    return false;
  const bool held = pObject ? pObject == m_pDecimationModel || pObject == m_pDecimationReference
                            : m_pDecimationModel || m_pDecimationReference;
  if (!held)
    return false;
  platform::StatusMessage("The volume-based decimation is running on this mesh: command refused");
  return true;
}

void CVanthDoc::ForgetDecimationMesh(const CObject3d* pObject)
{
  if (!pObject || pObject == m_pDecimationModel)
    m_pDecimationModel = nullptr;
  if (!pObject || pObject == m_pDecimationReference)
    m_pDecimationReference = nullptr;
}
