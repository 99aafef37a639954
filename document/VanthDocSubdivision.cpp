#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "app/dialogs/DlgAdaptiveRefinement.h"
#include "app/dialogs/DlgIterations.h"
#include "app/dialogs/DlgMultipleSmooth.h"
#include "app/dialogs/DlgV3Subdivision.h"
#include "app/resources/Resource.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Clock.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Random.h"
#include "platform/core/Status.h"
#include "platform/ui/WaitCursor.h"

#include <algorithm>
#include <limits>

namespace {

// Seconds since a start read from the millisecond clock.
double SecondsSince(long long start)
{
  return static_cast<double>(platform::GetTickMs() - start) / 1000.0;
}

// A value of the random generator below this picks the face: one face in ten.
constexpr int kRandomFaceThreshold = 3276;

// Regularization passes allowed in a row that do not lower the worst area dispersion.
constexpr int kRegularizePatience = 3;

// The largest ratio of a face's area to the smallest area among the face and its neighbours;
// infinite once a face has no area left.
double WorstAreaDispersion(const CMesh3d& mesh)
{
  double worst = 1.0;
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    double smallest = f->Area();
    for (int k = 0; k < 3; k++)
      if (const CFace3d* g = f->f(k))
        smallest = std::min(smallest, g->Area());
    if (!(smallest > 0.0))
      return std::numeric_limits<double>::infinity();
    worst = std::max(worst, f->Area() / smallest);
  }
  return worst;
}

} // namespace

void CVanthDoc::RegisterSubdivisionCommands()
{
  OnCommand(ID_SUBDIVISION_LOOP, &CVanthDoc::OnSubdivisionLoop, TYPE_MESH3D);
  OnCommand(ID_LOOP_ADAPTIVE_RANDOM, &CVanthDoc::OnLoopAdaptiveRandom, TYPE_MESH3D);
  OnCommand(ID_LOOP_ADAPTIVE_CURVATURE, &CVanthDoc::OnLoopAdaptiveCurvature, TYPE_MESH3D);
  OnCommand(ID_LOOP_MULTIPLE, &CVanthDoc::OnLoopMultiple, kAlways);
  OnCommand(ID_SUBDIVISION_SIMPLE, &CVanthDoc::OnSubdivisionSimple, TYPE_MESH3D);
  OnCommand(ID_V3_FLIP_EDGES, &CVanthDoc::OnV3FlipEdges, TYPE_MESH3D);
  OnCommand(ID_V3_ALONE, &CVanthDoc::OnV3Alone, TYPE_MESH3D);
  OnCommand(ID_V3_ALPHA_2_9, &CVanthDoc::OnV3Alpha29, TYPE_MESH3D);
  OnCommand(ID_V3_ALPHA_1_3, &CVanthDoc::OnV3Alpha13, TYPE_MESH3D);
  OnCommand(ID_V3_MAX_VERTICES, &CVanthDoc::OnV3MaxVertices, TYPE_MESH3D);
  OnCommand(ID_V3_PARAMETERS, &CVanthDoc::OnV3Parameters, TYPE_MESH3D);
  OnCommand(ID_V3_PIECEWISE, &CVanthDoc::OnV3Piecewise, TYPE_MESH3D);
  OnCommand(ID_V3_SILHOUETTE_1_ITER, &CVanthDoc::OnV3Silhouette1Iter, TYPE_MESH3D);
  OnCommand(ID_V3_SILHOUETTE_4_ITERS, &CVanthDoc::OnV3Silhouette4Iters, TYPE_MESH3D);
  OnCommand(ID_V3_SILHOUETTE_4_ITERS_NO_DEBUG, &CVanthDoc::OnV3Silhouette4ItersNoDebug,
            TYPE_MESH3D);
  OnCommand(ID_V3_SILHOUETTE_PARAMETERS, &CVanthDoc::OnV3SilhouetteParameters, TYPE_MESH3D);
  OnCommand(ID_V3_UNDO, &CVanthDoc::OnV3Undo, TYPE_MESH3D);
  OnCommand(ID_V3_RECURSIVE_UNDO, &CVanthDoc::OnV3RecursiveUndo, TYPE_MESH3D);
  OnCommand(ID_V3_REGULARIZE, &CVanthDoc::OnV3Regularize, TYPE_MESH3D);
}

std::vector<CMesh3d*> CVanthDoc::GetMeshes() const
{
  std::vector<CMesh3d*> meshes;
  for (int i = 0; i < m_SceneGraph.NbObject(); i++)
    if (m_SceneGraph.GetAt(i)->GetType() == TYPE_MESH3D)
      meshes.push_back(static_cast<CMesh3d*>(m_SceneGraph.GetAt(i)));
  return meshes;
}

void CVanthDoc::EditFirstMesh(const std::function<void(CMesh3d&)>& edit)
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh || RefuseWhileDecimating(pMesh))
    return;
  {
    platform::CWaitCursor wait;
    edit(*pMesh);
  }
  InvalidateViews();
}

void CVanthDoc::EditAllMeshes(const std::function<void(CMesh3d&)>& edit)
{
  if (RefuseWhileDecimating())
    return;
  {
    platform::CWaitCursor wait;
    for (CMesh3d* pMesh : GetMeshes())
      edit(*pMesh);
  }
  InvalidateViews();
}

void CVanthDoc::OnSubdivisionLoop()
{
  if (RefuseWhileDecimating())
    return;
  const long long start = platform::GetTickMs();
  int before = 0;
  int after = 0;
  EditAllMeshes([&](CMesh3d& mesh) {
    before += mesh.NbFace();
    mesh.SetFacesFlag(0);
    mesh.SubdivisionLoop();
    after += mesh.NbFace();
  });
  platform::StatusMessage("Loop done, %d -> %d faces, %g s...", before, after, SecondsSince(start));
}

void CVanthDoc::OnLoopAdaptiveRandom()
{
  EditFirstMesh([](CMesh3d& mesh) {
    for (int i = 0; i < mesh.NbFace(); i++)
      if (platform::Rand() < kRandomFaceThreshold)
        mesh.GetFace(i)->SetFlag(1);
    mesh.SubdivisionAdaptive(1);
  });
}

void CVanthDoc::OnLoopAdaptiveCurvature()
{
  EditFirstMesh([](CMesh3d& mesh) {
    const double threshold = mesh.GetMaxCurveAround() / 10.0 * 9.5;
    for (int i = 0; i < mesh.NbFace(); i++)
      if (mesh.GetFace(i)->GetMaxVertexCurvature() > threshold)
        mesh.GetFace(i)->SetFlag(1);
    mesh.SubdivisionAdaptive(1);
  });
}

void CVanthDoc::RepeatOnFirstMesh(const std::function<void(CMesh3d&, int)>& step)
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  CDlgMultipleSmooth dlg;
  if (dlg.DoModal() != platform::IDOK)
    return;
  if (RefuseWhileDecimating(pMesh))
    return;
  platform::CWaitCursor wait;
  if (!dlg.m_Duplicate) {
    for (int i = 0; i < dlg.m_Iterations; i++) {
      step(*pMesh, dlg.m_MoveBoundaries);
      InvalidateViews();
    }
    return;
  }
  // Copy i comes from scene object i: with object 0 alone, each copy goes one step further.
  for (int i = 0; i < dlg.m_Iterations && i < m_SceneGraph.NbObject(); i++) {
    const CObject3d* pSource = m_SceneGraph.GetAt(i);
    if (pSource->GetType() != TYPE_MESH3D)
      continue;
    auto pCopy = std::make_unique<CMesh3d>();
    pCopy->Copy(static_cast<const CMesh3d*>(pSource));
    pCopy->BuildAdjacency();
    step(*pCopy, dlg.m_MoveBoundaries);
    m_SceneGraph.Add(pCopy.release());
  }
  InvalidateViews();
}

void CVanthDoc::OnLoopMultiple()
{
  RepeatOnFirstMesh([](CMesh3d& mesh, int) { mesh.SubdivisionLoop(); });
}

void CVanthDoc::OnSubdivisionSimple()
{
  EditAllMeshes([](CMesh3d& mesh) { mesh.Subdivision(); });
}

void CVanthDoc::V3OnAllMeshes(int flip, int fixedWeight, float weight, CRenderView* pWindow)
{
  EditAllMeshes([=](CMesh3d& mesh) {
    mesh.SubdivisionV3(flip, 1, 0, pWindow, fixedWeight, weight);
    mesh.Rebuild();
  });
}

void CVanthDoc::OnV3FlipEdges()
{
  if (RefuseWhileDecimating())
    return;
  const long long start = platform::GetTickMs();
  V3OnAllMeshes(1, 0, 0.0f, GetOwnRenderView());
  platform::StatusMessage("V3 done (%g s)...", SecondsSince(start));
}

void CVanthDoc::OnV3Alone()
{
  V3OnAllMeshes(0, 0, 0.0f, nullptr);
}

void CVanthDoc::OnV3Alpha29()
{
  V3OnAllMeshes(1, 1, 0.22222222f, nullptr);
}

void CVanthDoc::OnV3Alpha13()
{
  V3OnAllMeshes(1, 1, 0.33333334f, nullptr);
}

void CVanthDoc::OnV3MaxVertices()
{
  CDlgIterations dlg;
  if (dlg.DoModal() != platform::IDOK || RefuseWhileDecimating())
    return;
  const int wanted = dlg.m_Iterations;
  platform::CWaitCursor wait;
  const long long start = platform::GetTickMs();
  const int nbObject = m_SceneGraph.NbObject();
  for (int i = 0; i < nbObject; i++) {
    if (m_SceneGraph.GetAt(i)->GetType() != TYPE_MESH3D)
      continue;
    auto* pMesh = static_cast<CMesh3d*>(m_SceneGraph.GetAt(i));
    platform::StatusMessage("%d out of %d...", i, nbObject);
    for (int pass = 0; pass < 4 && pMesh->NbVertex() < wanted; pass++) {
      pMesh->SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f);
      pMesh->Rebuild();
    }
  }
  platform::StatusMessage("V3 done (%g s)...", SecondsSince(start));
  InvalidateViews();
}

void CVanthDoc::OnV3Parameters()
{
  CDlgV3Subdivision dlg;
  if (dlg.DoModal() != platform::IDOK)
    return;
  // The seed names a vertex: one outside the mesh would flag nothing on every pass.
  const CMesh3d* pMesh = GetFirstMesh();
  const bool seeded = !dlg.m_Piecewise && dlg.m_AdaptativeMode;
  if (pMesh && seeded && (dlg.m_Seed < 0 || dlg.m_Seed >= pMesh->NbVertex())) {
    platform::StatusMessage("Seed %d is not a vertex of the mesh (0 to %d)", dlg.m_Seed,
                            pMesh->NbVertex() - 1);
    return;
  }
  EditFirstMesh([this, &dlg](CMesh3d& mesh) {
    if (dlg.m_Piecewise) {
      mesh.SubdivisionV3Piecewise(dlg.m_Sharp, dlg.m_Flat, GetOwnRenderView(), dlg.m_SplitSharpEdges);
      mesh.Rebuild();
      return;
    }
    float ratio = dlg.m_Ratio;
    for (int i = 0; i < dlg.m_NbIter && dlg.m_AdaptativeMode; i++) {
      mesh.FlagFacesNearVertex(dlg.m_Seed, 1, ratio);
      mesh.SubdivisionV3(dlg.m_FlipEdges, dlg.m_Smooth, dlg.m_AdaptativeMode, GetOwnRenderView(), 0,
                         0.0f);
      ratio *= dlg.m_DecRatio;
    }
  });
}

void CVanthDoc::OnV3Piecewise()
{
  EditFirstMesh([this](CMesh3d& mesh) {
    mesh.SubdivisionV3Piecewise(50.0, 0.0, GetOwnRenderView(), 1);
    mesh.Rebuild();
  });
}

// The faces already flagged 1 are the selection.
void CVanthDoc::OnV3Silhouette1Iter()
{
  EditFirstMesh([this](CMesh3d& mesh) { mesh.SubdivisionV3(1, 1, 1, GetOwnRenderView(), 0, 0.0f); });
}

void CVanthDoc::OnV3Silhouette4Iters()
{
  AdaptiveRefinementStep();
}

void CVanthDoc::FlagFacesOutOfViewport()
{
  if (CRenderView* pView = GetOwnRenderView())
    pView->FlagFacesOutOfViewport(0, 0);
}

void CVanthDoc::FrontPass(CMesh3d* pMesh)
{
  pMesh->SetFacesFlag(0);
  pMesh->FlagSilhouette(&m_Camera, 1, 1);
  pMesh->FlagFacesInFrontOfCamera(&m_Camera, 1);
  pMesh->ColorFacesByFlagPalette();
  InvalidateViews();
  FlagFacesOutOfViewport();
  pMesh->SubdivisionV3(1, 1, 1, nullptr, 0, 0.0f);
  RedrawViewsNow();
}

void CVanthDoc::SilhouettePass(CMesh3d* pMesh)
{
  ColorSilhouette(0);
  RedrawViewsNow();
  FlagFacesOutOfViewport();
  pMesh->SubdivisionV3(1, 1, 1, nullptr, 0, 0.0f);
  RedrawViewsNow();
}

void CVanthDoc::FinalColouring(CMesh3d* pMesh)
{
  pMesh->SetFacesFlag(0);
  pMesh->FlagFacesInFrontOfCamera(&m_Camera, 2);
  pMesh->FlagSilhouette(&m_Camera, 1, 1);
  FlagFacesOutOfViewport();
  pMesh->ColorFacesByFlagPalette();
}

int CVanthDoc::UndoHistory(CMesh3d* pMesh, bool report)
{
  int steps = 0;
  while (pMesh->Undo()) {
    pMesh->TruncateFacesAtNullVertex();
    RedrawViewsNow();
    if (report)
      platform::StatusMessage("Undo action...step %d", steps);
    steps++;
  }
  return steps;
}

// One step of the refinement around the silhouette and the front, as seen from this
// document's own view; the refinement timer of that view runs it too.
void CVanthDoc::AdaptiveRefinementStep()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh || RefuseWhileDecimating(pMesh))
    return;
  const long long start = platform::GetTickMs();
  int nbFace = 0;
  {
    platform::CWaitCursor wait;
    platform::StatusMessage("Undo action...");
    UndoHistory(pMesh, true);
    pMesh->RemoveUnusedVertices();
    platform::StatusMessage("Rebuild adjacency...");
    pMesh->Rebuild();
    InvalidateViews();
    nbFace = pMesh->NbFace();
    ProcessCamera();
    for (int step = 0; step < 2; step++) {
      platform::StatusMessage("Refine front faces...(step %d)", step);
      FrontPass(pMesh);
    }
    for (int step = 0; step < 2; step++) {
      platform::StatusMessage("Refine silhouette faces...(step %d)", step);
      SilhouettePass(pMesh);
    }
    platform::StatusMessage("Process normals...");
    pMesh->ComputeFaceNormals();
    pMesh->ComputeVertexNormals();
    platform::StatusMessage("Color faces...");
    FinalColouring(pMesh);
  }
  InvalidateViews();
  platform::StatusMessage("Adaptive refinement done (%d to %d faces, %g s)...", nbFace,
                          pMesh->NbFace(), SecondsSince(start));
}

void CVanthDoc::OnV3Silhouette4ItersNoDebug()
{
  EditFirstMesh([this](CMesh3d& mesh) {
    UndoAll(mesh);
    for (int i = 0; i < 6; i++) {
      ColorSilhouette(0);
      FlagFacesOutOfViewport();
      mesh.SubdivisionV3(1, 1, 1, nullptr, 0, 0.0f);
    }
    ColorSilhouette(0);
    FlagFacesOutOfViewport();
    mesh.ColorFacesByFlagPalette();
  });
}

void CVanthDoc::OnV3SilhouetteParameters()
{
  CDlgAdaptiveRefinement dlg;
  if (dlg.DoModal() != platform::IDOK)
    return;
  EditFirstMesh([this, &dlg](CMesh3d& mesh) {
    UndoHistory(&mesh, false);
    mesh.RemoveUnusedVertices();
    mesh.Rebuild();
    InvalidateViews();
    for (unsigned i = 0; i < dlg.m_Camera; i++) {
      ProcessCamera();
      FrontPass(&mesh);
    }
    for (unsigned i = 0; i < dlg.m_Silhouette; i++)
      SilhouettePass(&mesh);
    mesh.ComputeFaceNormals();
    mesh.ComputeVertexNormals();
    FinalColouring(&mesh);
  });
}

void CVanthDoc::OnV3Undo()
{
  EditFirstMesh([](CMesh3d& mesh) {
    mesh.Undo();
    mesh.DeleteFacesWithNullVertex();
    mesh.Rebuild();
  });
}

void CVanthDoc::UndoAll(CMesh3d& mesh)
{
  while (mesh.Undo()) {
  }
  mesh.DeleteFacesWithNullVertex();
  mesh.RemoveUnusedVertices();
  mesh.Rebuild();
}

void CVanthDoc::OnV3RecursiveUndo()
{
  EditFirstMesh(&CVanthDoc::UndoAll);
}

void CVanthDoc::OnV3Regularize()
{
  EditFirstMesh([this](CMesh3d& mesh) {
    // A face split beside a boundary edge, which cannot flip, leaves slivers that make their
    // neighbours large again: on such a mesh the splitting would never end. Stop once a few
    // passes in a row have not lowered the worst dispersion.
    double best = WorstAreaDispersion(mesh);
    int passesWithoutGain = 0;
    while (passesWithoutGain < kRegularizePatience && mesh.FlagFacesFromAreaDispersion(5.0, 1)) {
      mesh.SubdivisionV3(1, 1, 1, GetOwnRenderView(), 0, 0.0f);
      const double now = WorstAreaDispersion(mesh);
      passesWithoutGain = now < best ? 0 : passesWithoutGain + 1;
      best = std::min(best, now);
    }
  });
}
