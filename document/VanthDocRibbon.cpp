#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "app/dialogs/DlgRemeshing.h"
#include "app/dialogs/DlgUnmeshing.h"
#include "app/resources/Resource.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Clock.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Status.h"
#include "platform/ui/WaitCursor.h"
#include "processing/Wavefront.h"

#include <memory>

namespace {

std::unique_ptr<CMesh3d> RebuiltCopy(const CMesh3d* pMesh)
{
  auto pCopy = std::make_unique<CMesh3d>();
  pCopy->Copy(pMesh);
  pCopy->Rebuild();
  return pCopy;
}

double SecondsSince(long long start)
{
  return static_cast<double>(platform::GetTickMs() - start) / 1000.0;
}

} // namespace

void CVanthDoc::RegisterRibbonCommands()
{
  OnCommand(ID_RIBBONS_BUILD, &CVanthDoc::OnRibbonsBuild, TYPE_MESH3D);
  OnCommand(ID_RIBBONS_BENCHS_COMPACITY, &CVanthDoc::OnRibbonsBenchsCompacity, TYPE_MESH3D);
  OnCommand(ID_REMESH_ACROSS, &CVanthDoc::OnRemeshAcross, TYPE_MESH3D);
  OnCommand(ID_REMESH_ACROSS_TWO_EDGES, &CVanthDoc::OnRemeshAcrossTwoEdges, TYPE_MESH3D);
  OnCommand(ID_REMESH_ALONG, &CVanthDoc::OnRemeshAlong, TYPE_MESH3D);
  OnCommand(ID_REMESH_BOTH, &CVanthDoc::OnRemeshBoth, TYPE_MESH3D);
  OnCommand(ID_REMESH_SPRING_FREE, &CVanthDoc::OnRemeshSpringFree, TYPE_MESH3D);
  OnCommand(ID_MODIFICATION_IMPROVE_COMPACITY, &CVanthDoc::OnImproveCompacity, TYPE_MESH3D);
  OnCommand(ID_GEOMETRY_MEAN_COMPACITY, &CVanthDoc::OnMeanCompacity, TYPE_MESH3D);
}

// With a copy, the copy takes the source's place as object 0 and the source moves to the end,
// whatever else the scene holds.
void CVanthDoc::OnRibbonsBuild()
{
  CDlgUnmeshing dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  CMesh3d* pMesh = GetFirstMesh();
  if (dialog.m_Copy) {
    platform::StatusMessage("Copy mesh...");
    std::unique_ptr<CMesh3d> pCopy = RebuiltCopy(pMesh);
    pMesh = pCopy.get();
    const int last = m_SceneGraph.Add(pCopy.release());
    m_SceneGraph.GetArrayObject()->Swap(0, last);
  }
  platform::CWaitCursor wait;
  platform::StatusMessage("Build wavefront...");
  const long long start = platform::GetTickMs();
  CWavefront wavefront;
  const int rings = wavefront.BuildRibbons(pMesh, dialog.m_SeedFace, dialog.m_DebugAlong,
                                           dialog.m_DebugAcross, dialog.m_PeriodAlong,
                                           dialog.m_PeriodAcross, dialog.m_SmoothGeomorph,
                                           GetOwnRenderView());
  if (dialog.m_ColorFaces) {
    platform::StatusMessage("Color faces from wavefront...");
    pMesh->ColorFacesByRibbon(rings);
  }
  platform::StatusMessage("Wavefront done (%g s)", SecondsSince(start));
  if (dialog.m_UnmeshAlong && dialog.m_UnmeshAcross && dialog.m_AcrossFirst) {
    platform::StatusMessage("Unmesh across, then along...");
    wavefront.UnmeshAcross(0, 2);
    RedrawViewsNow();
    wavefront.UnmeshAlong(1, 2, 0.5f);
    RedrawViewsNow();
  } else {
    if (dialog.m_UnmeshAlong) {
      platform::StatusMessage("Unmesh along...");
      wavefront.UnmeshAlong(0, 1, 0.5f);
      RedrawViewsNow();
    }
    if (dialog.m_UnmeshAcross) {
      platform::StatusMessage("Unmesh across...");
      wavefront.UnmeshAcross(0, 2);
    }
  }
  pMesh->SetModified();
  platform::StatusMessage("Unmeshing wavefront done (%g)", SecondsSince(start));
  InvalidateViews();
}

// Each seed works on a copy; object 0 itself, with its name, colours, material and texture,
// is left as it was.
void CVanthDoc::OnRibbonsBenchsCompacity()
{
  const CMesh3d* pMesh = GetFirstMesh();
  double best[3] = {0, 0, 0};
  int index[3] = {0, 0, 0};
  for (int i = 0; i < pMesh->NbFace(); i++) {
    std::unique_ptr<CMesh3d> pCopy = RebuiltCopy(pMesh);
    CWavefront wavefront;
    wavefront.BuildRibbons(pCopy.get(), i, 0, 0, 1, 1, 0, nullptr);
    wavefront.UnmeshAcross(0, 2);
    wavefront.UnmeshAlong(1, 2, 0.5f);
    double value[3];
    value[0] = pCopy->MeanCompacity();
    pCopy->SwapEdges();
    value[1] = pCopy->MeanCompacity();
    value[2] = pCopy->MinCompacity();
    platform::Sleep(1);
    for (int k = 0; k < 3; k++)
      if (value[k] >= best[k]) {
        best[k] = value[k];
        index[k] = i;
      }
    platform::StatusMessage("Face %d, Max: %d, Max swap: %d, Max min: %d", i, index[0], index[1],
                            index[2]);
  }
}

void CVanthDoc::OnRemeshAcross()
{
  CMesh3d* pMesh = GetFirstMesh();
  platform::StatusMessage("Anisotropic remeshing (across)...");
  {
    platform::CWaitCursor wait;
    CWavefront().RemeshAcross(pMesh);
    platform::StatusMessage("Anisotropic remeshing (across)...done.");
  }
  InvalidateViews();
}

void CVanthDoc::OnRemeshAcrossTwoEdges()
{
  CDlgRemeshing dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  CMesh3d* pMesh = GetFirstMesh();
  {
    platform::CWaitCursor wait;
    if (dialog.m_VerticesPerEdge == 0) {
      platform::StatusMessage("One vertex per edge...");
      CWavefront().RemeshAcross(pMesh);
      platform::StatusMessage("One vertex per edge...done");
    } else {
      platform::StatusMessage("Two vertices per edge...");
      CWavefront().RemeshAcrossTwoEdges(pMesh, dialog.m_SwapEdges, GetOwnRenderView());
      platform::StatusMessage("Two vertices per edge...done");
    }
  }
  InvalidateViews();
}

void CVanthDoc::OnRemeshAlong()
{
  {
    platform::CWaitCursor wait;
    platform::StatusMessage("Remesh along...");
    CWavefront().RemeshAlong(GetFirstMesh(), GetOwnRenderView());
    platform::StatusMessage("Remesh along...done");
  }
  InvalidateViews();
}

void CVanthDoc::OnRemeshBoth()
{
  platform::CWaitCursor wait;
  CMesh3d* pMesh = GetFirstMesh();
  CWavefront wavefront;
  wavefront.BuildRibbons(pMesh, 0, 0, 0, 1, 1, 0, nullptr);
  InvalidateViews();
  platform::StatusMessage("Remesh along...");
  wavefront.RemeshAlong(pMesh, GetOwnRenderView());
  InvalidateViews();
  platform::StatusMessage("Remesh across...");
  wavefront.RemeshAcrossTwoEdges(pMesh, 1, GetOwnRenderView());
  InvalidateViews();
  pMesh->Rebuild();
}

void CVanthDoc::OnRemeshSpringFree()
{
  {
    platform::CWaitCursor wait;
    GetFirstMesh()->MoveFlaggedVerticesFromSpring(0, 1, 1, 50, GetOwnRenderView());
  }
  InvalidateViews();
}

void CVanthDoc::OnImproveCompacity()
{
  CMesh3d* pMesh = GetFirstMesh();
  int total = 0;
  {
    platform::CWaitCursor wait;
    pMesh->RemoveValence3Vertices();
    for (int n = pMesh->SwapEdges(); n != 0; n = pMesh->SwapEdges()) {
      platform::StatusMessage("Improve compacity...%d edges swapped", n);
      InvalidateViews();
      pMesh->RemoveValence3Vertices();
      pMesh->BuildAdjacency();
      total += n;
    }
    pMesh->Rebuild();
  }
  platform::StatusMessage("Improve compacity done (%d edges swapped).", total);
}

void CVanthDoc::OnMeanCompacity()
{
  platform::CWaitCursor wait;
  platform::StatusMessage("Mean compacity: %g", GetFirstMesh()->MeanCompacity());
}
