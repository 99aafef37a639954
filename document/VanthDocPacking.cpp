#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "app/dialogs/DlgErrorAccumulation.h"
#include "app/dialogs/DlgFaceCollapse.h"
#include "app/dialogs/DlgIterations.h"
#include "app/dialogs/DlgTiling.h"
#include "app/resources/Resource.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Clipboard.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "processing/FaceCollapse.h"
#include "processing/HalfEdgeCollapse.h"
#include "processing/Tiling3d.h"

#include <algorithm>
#include <memory>

namespace {

// Keeps the first n faces, n clamped to the face count; the faces cut go, and the mesh gets
// adjacency and normals for what remains.
void KeepFirstFaces(CMesh3d* pMesh, int n)
{
  n = std::clamp(n, 0, pMesh->NbFace());
  for (int i = 0; i < pMesh->NbFace(); i++)
    pMesh->GetFace(i)->SetFlag(i < n ? 0 : 1);
  pMesh->DeleteFacesWithFlag(1);
  pMesh->Rebuild();
}

std::unique_ptr<CMesh3d> CopyOf(const CMesh3d* pMesh)
{
  auto pCopy = std::make_unique<CMesh3d>();
  pCopy->Copy(pMesh);
  pCopy->Rebuild();
  return pCopy;
}

std::unique_ptr<CTiling3d> TilingOf(const CMesh3d* pMesh)
{
  auto pTiling = std::make_unique<CTiling3d>();
  pTiling->Copy(pMesh);
  pTiling->Rebuild();
  return pTiling;
}

} // namespace

void CVanthDoc::RegisterPackingCommands()
{
  OnCommand(ID_PACK_SET_FREQUENCY, &CVanthDoc::OnPackSetFrequency, TYPE_MESH3D);
  OnCommand(ID_PACK_MULTIPLE, &CVanthDoc::OnPackMultiple, TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_ERROR_ACCUMULATION, &CVanthDoc::OnErrorAccumulation, TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_FACE_BASED, &CVanthDoc::OnFaceBasedSimplification, TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_FAST_FACE_COLLAPSES, &CVanthDoc::OnFastFaceCollapses, TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_KEEP_FACES, &CVanthDoc::OnKeepFaces, TYPE_MESH3D);
  OnCommand(ID_SIMPLIFICATION_COARSE_PROGRESSIVE, &CVanthDoc::OnCoarseProgressiveMesh, TYPE_MESH3D);
  OnCommand(ID_TILING_BUILD, &CVanthDoc::OnTilingBuild, TYPE_MESH3D);
  OnCommand(ID_TILING_OPTIMIZE, &CVanthDoc::OnTilingOptimize, &CVanthDoc::OnUpdateTilingOptimize);
  OnCommand(ID_SPRING_ADAPTATIVE, &CVanthDoc::OnSpringAdaptative, TYPE_MESH3D);
}

void CVanthDoc::OnPackSetFrequency()
{
  CDlgIterations dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  platform::CWaitCursor wait;
  CMesh3d* pMesh = GetFirstMesh();
  pMesh->PackVertices(dialog.m_Iterations);
  pMesh->Rebuild();
  InvalidateViews();
}

// Packing merges each vertex into its nearest kept one through its faces: every copy gets
// its adjacency first.
void CVanthDoc::OnPackMultiple()
{
  const CMesh3d* pMesh = GetFirstMesh();
  for (int frequency = 2; frequency <= 16; frequency++) {
    platform::CWaitCursor wait;
    std::unique_ptr<CMesh3d> pCopy = CopyOf(pMesh);
    pCopy->PackVertices(frequency);
    pCopy->Rebuild();
    pCopy->SetName(platform::Format("freq : %d", frequency));
    m_SceneGraph.Add(pCopy.release());
    InvalidateViews();
  }
}

void CVanthDoc::OnErrorAccumulation()
{
  CMesh3d* pMesh = GetFirstMesh();
  CDlgErrorAccumulation dialog(pMesh);
  if (dialog.DoModal() != platform::IDOK)
    return;
  CHalfEdgeCollapse collapse;
  collapse.Simplify(pMesh, static_cast<int>(dialog.m_Final), dialog.m_VisualDebugging,
                    static_cast<int>(dialog.m_UpdateEach), GetOwnRenderView());
  pMesh->SetModified();
  InvalidateViews();
}

void CVanthDoc::OnFaceBasedSimplification()
{
  CMesh3d* pMesh = GetFirstMesh();
  CDlgFaceCollapse dialog(pMesh);
  if (dialog.DoModal() != platform::IDOK)
    return;
  {
    platform::CWaitCursor wait;
    CRenderView* pView = GetOwnRenderView();
    if (dialog.m_SmoothGeomorph) {
      // Each stage works on the last object the one before appended.
      CMesh3d* pCurrent = pMesh;
      for (unsigned stage = 0; stage < dialog.m_NbStage; stage++) {
        CFaceCollapse collapse;
        collapse.FlagFacesForMultipleCollapse(pCurrent, 1, 1, pView, 1, &m_SceneGraph,
                                              static_cast<int>(dialog.m_NbStep));
        CObject3d* pLast = m_SceneGraph.GetAt(m_SceneGraph.NbObject() - 1);
        if (pLast->GetType() == TYPE_MESH3D)
          pCurrent = static_cast<CMesh3d*>(pLast);
      }
    } else if (dialog.m_MultipleFaceCollapse) {
      CFaceCollapse collapse;
      collapse.FlagFacesForMultipleCollapse(pMesh, dialog.m_VisualDebugging,
                                            static_cast<int>(dialog.m_UpdateEach), pView, 0,
                                            nullptr, -1);
    } else {
      CFaceCollapse collapse;
      collapse.Simplify(pMesh, static_cast<int>(dialog.m_Final), dialog.m_VisualDebugging,
                        static_cast<int>(dialog.m_UpdateEach), pView);
    }
  }
  pMesh->SetModified();
  InvalidateViews();
}

void CVanthDoc::OnFastFaceCollapses()
{
  CMesh3d* pMesh = GetFirstMesh();
  {
    platform::CWaitCursor wait;
    CFaceCollapse collapse;
    collapse.FlagFacesForMultipleCollapse(pMesh, 1, 1, GetOwnRenderView(), 1, &m_SceneGraph, 20);
    pMesh->SetModified();
  }
  InvalidateViews();
}

void CVanthDoc::OnKeepFaces()
{
  CDlgIterations dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  KeepFirstFaces(GetFirstMesh(), dialog.m_Iterations);
  InvalidateViews();
}

void CVanthDoc::OnCoarseProgressiveMesh()
{
  CDlgIterations dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  const CMesh3d* pMesh = GetFirstMesh();
  const int n = dialog.m_Iterations;
  const long long nbFace = pMesh->NbFace();
  for (int k = 1; k < n; k++) {
    std::unique_ptr<CMesh3d> pCopy = CopyOf(pMesh);
    KeepFirstFaces(pCopy.get(), static_cast<int>(nbFace * (n - k) / n));
    m_SceneGraph.Add(pCopy.release());
  }
  InvalidateViews();
}

void CVanthDoc::OnTilingBuild()
{
  CMesh3d* pMesh = GetFirstMesh();
  CDlgTiling dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  {
    platform::CWaitCursor wait;
    if (dialog.m_MultiMesh)
      BuildTilings(pMesh, dialog.m_SeedFrom, dialog.m_SeedTo, dialog.m_SplitPolygons,
                   dialog.m_RetainMinNbTile);
    else
      BuildTiling(pMesh, dialog.m_VertexSeed, dialog.m_SplitPolygons,
                  dialog.m_GenerateMesh ? (dialog.m_RecursiveMesh ? dialog.m_RecursionDepth : 1) : 0);
  }
  InvalidateViews();
}

// One tiling per seed of the range, the range cut at the vertex count; the table of tile
// counts goes to the clipboard. Retaining the fewest tiles keeps the first tiling below the
// face count that no later one beats, or none.
void CVanthDoc::BuildTilings(CMesh3d* pMesh, unsigned first, unsigned last, int split,
                             int retainMin)
{
  last = std::min(last, static_cast<unsigned>(pMesh->NbVertex()));
  int best = pMesh->NbFace();
  std::unique_ptr<CTiling3d> pKept;
  std::string table;
  for (unsigned seed = first; seed < last; seed++) {
    std::unique_ptr<CTiling3d> pTiling = TilingOf(pMesh);
    const int tiles = pTiling->Build(seed, split, pMesh);
    table += platform::Format("%d\t%d\r\n", static_cast<int>(seed), tiles);
    if (!retainMin)
      m_SceneGraph.Add(pTiling.release());
    else if (tiles < best) {
      pKept = std::move(pTiling);
      best = tiles;
    }
    pMesh->SetModified();
  }
  platform::ClipboardSetText(table);
  if (pKept)
    m_SceneGraph.Add(pKept.release());
}

// One tiling seeded at the vertex with the most faces; then, for each generation, the mesh
// of the last tiling and a tiling of it seeded at the dialog's vertex.
void CVanthDoc::BuildTiling(CMesh3d* pMesh, unsigned seed, int split, int generations)
{
  const CVertex3d* pSeed = pMesh->GetVertexMaxFaceNeighbor();
  const int start = pSeed ? pMesh->IndexFrom(pSeed) : 0;
  std::unique_ptr<CTiling3d> pTiling = TilingOf(pMesh);
  pTiling->Build(static_cast<unsigned>(start), split, pMesh);
  CTiling3d* pLast = pTiling.get();
  m_SceneGraph.Add(pTiling.release());
  pMesh->SetModified();
  for (int g = 0; g < generations; g++) {
    std::unique_ptr<CMesh3d> pGenerated = pLast->BuildMesh();
    CMesh3d* pSource = pGenerated.get();
    m_SceneGraph.Add(pGenerated.release());
    std::unique_ptr<CTiling3d> pNext = TilingOf(pSource);
    pNext->Build(seed, split, pSource);
    pLast = pNext.get();
    m_SceneGraph.Add(pNext.release());
  }
}

void CVanthDoc::OnUpdateTilingOptimize(platform::CCmdUI& ui)
{
  ui.Enable(m_SceneGraph.NbObject() >= 2 && IsFirstObjectOfType(TYPE_MESH3D) &&
            m_SceneGraph.GetAt(1)->GetType() == TYPE_TILING3D);
}

void CVanthDoc::OnTilingOptimize()
{
  static_cast<CTiling3d*>(m_SceneGraph.GetAt(1))->OptimizeNodePositions(20, GetOwnRenderView(), 1);
}

void CVanthDoc::OnSpringAdaptative()
{
  {
    platform::CWaitCursor wait;
    GetFirstMesh()->MoveVerticesFromSpring(20.0, 50, GetOwnRenderView());
  }
  InvalidateViews();
}
