#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "app/dialogs/DlgHashTable.h"
#include "app/dialogs/DlgMap.h"
#include "app/dialogs/DlgSampling.h"
#include "app/dialogs/DlgVertexCoordinates.h"
#include "app/objects/VertexSet3d.h"
#include "app/resources/Resource.h"
#include "mesh/ColorRamp.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WaitCursor.h"
#include "scene/Texture.h"

#include <array>

void CVanthDoc::RegisterModificationCommands()
{
  OnCommand(ID_MODIFICATION_SMOOTH, &CVanthDoc::OnModificationSmooth,
            &CVanthDoc::OnUpdateModificationSmooth);
  OnCommand(ID_MODIFICATION_MULTIPLE_SMOOTH, &CVanthDoc::OnModificationMultipleSmooth, TYPE_MESH3D);
  OnCommand(ID_REMOVE_FACES_1_NEIGHBOR, &CVanthDoc::OnRemoveFaces1Neighbor, TYPE_MESH3D);
  OnCommand(ID_REMOVE_FACES_2_NEIGHBORS, &CVanthDoc::OnRemoveFaces2Neighbors, TYPE_MESH3D);
  OnCommand(ID_REMOVE_FACES_NO_NEIGHBOR, &CVanthDoc::OnRemoveFacesNoNeighbor, TYPE_MESH3D);
  OnCommand(ID_ALGORITHMS_REBUILD, &CVanthDoc::OnAlgorithmsRebuild, TYPE_MESH3D);
  OnCommand(ID_ALGORITHMS_CLEANUP, &CVanthDoc::OnAlgorithmsCleanup, TYPE_MESH3D);
  OnCommand(ID_ALGORITHMS_CHECK, &CVanthDoc::OnAlgorithmsCheck, TYPE_MESH3D);
  OnCommand(ID_COLOR_CURVATURE, &CVanthDoc::OnColorCurvature, TYPE_MESH3D);
  OnCommand(ID_COLOR_HEIGHT, &CVanthDoc::OnColorHeight, TYPE_MESH3D);
  OnCommand(ID_COLOR_NORMAL_SPACE, &CVanthDoc::OnColorNormalSpace, TYPE_MESH3D);
  OnCommand(ID_COLOR_COMPACITY, &CVanthDoc::OnColorCompacity, TYPE_MESH3D);
  OnCommand(ID_COLOR_VERTICES_FROM_FACES, &CVanthDoc::OnColorVerticesFromFaces, TYPE_MESH3D);
  OnCommand(ID_ALGORITHMS_HIGHLIGHT_REMOVABLE, &CVanthDoc::OnHighlightRemovableVertices,
            TYPE_MESH3D);
  OnCommand(ID_ALGORITHMS_HIGHLIGHT_VERTICES, &CVanthDoc::OnHighlightVertices, TYPE_MESH3D);
  OnCommand(ID_ALGORITHMS_HASH_TABLE, &CVanthDoc::OnAlgorithmsHashTable, TYPE_MESH3D);
  OnCommand(ID_DEBUG_PSEUDO_HASH_TABLE, &CVanthDoc::OnDebugPseudoHashTable, kAlways);
  OnCommand(ID_PREDEFINED_MAP, &CVanthDoc::OnPredefinedMap, kAlways);
  OnCommand(ID_PREDEFINED_PEAKS_MAP, &CVanthDoc::OnPredefinedPeaksMap, kAlways);
  OnCommand(ID_PREDEFINED_BOX, &CVanthDoc::OnPredefinedBox, kAlways);
  OnCommand(ID_PREDEFINED_MAP_FROM_IMAGE, &CVanthDoc::OnPredefinedMapFromImage, kAlways);
}

void CVanthDoc::OnUpdateModificationSmooth(platform::CCmdUI& ui)
{
  ui.Enable(IsFirstObjectOfType(TYPE_MESH3D) || IsFirstObjectOfType(TYPE_QUADMESH3D));
}

void CVanthDoc::OnModificationSmooth()
{
  if (RefuseWhileDecimating())
    return;
  platform::CWaitCursor wait;
  for (int i = 0; i < m_SceneGraph.NbObject(); i++) {
    CObject3d* pObject = m_SceneGraph.GetAt(i);
    if (pObject->GetType() == TYPE_MESH3D)
      static_cast<CMesh3d*>(pObject)->Smooth(1);
    else if (pObject->GetType() == TYPE_QUADMESH3D)
      static_cast<CQuadMesh3d*>(pObject)->Smooth();
  }
  InvalidateViews();
}

void CVanthDoc::OnModificationMultipleSmooth()
{
  RepeatOnFirstMesh([](CMesh3d& mesh, int moveBoundaries) { mesh.Smooth(moveBoundaries); });
}

void CVanthDoc::RemoveFacesWithNeighbors(int n)
{
  EditFirstMesh([n](CMesh3d& mesh) { mesh.DeleteFacesWithNeighborCount(n); });
  OnAlgorithmsRebuild();
}

void CVanthDoc::OnRemoveFaces1Neighbor()
{
  RemoveFacesWithNeighbors(1);
}

void CVanthDoc::OnRemoveFaces2Neighbors()
{
  RemoveFacesWithNeighbors(2);
}

void CVanthDoc::OnRemoveFacesNoNeighbor()
{
  RemoveFacesWithNeighbors(0);
}

void CVanthDoc::OnAlgorithmsRebuild()
{
  EditAllMeshes([](CMesh3d& mesh) {
    mesh.BuildAdjacency();
    mesh.ComputeFaceNormals();
    mesh.ComputeVertexNormals();
  });
}

void CVanthDoc::OnAlgorithmsCleanup()
{
  EditFirstMesh([](CMesh3d& mesh) {
    mesh.Cleanup();
    mesh.Rebuild();
  });
}

// The findings go to the diagnostic trace only.
void CVanthDoc::OnAlgorithmsCheck()
{
  if (CMesh3d* pMesh = GetFirstMesh())
    pMesh->Check();
}

void CVanthDoc::ColorAllMeshes(void (CMesh3d::*color)(const CColorRamp*))
{
  CColorRamp ramp;
  ramp.BuildRainbow();
  EditAllMeshes([&ramp, color](CMesh3d& mesh) { (mesh.*color)(&ramp); });
}

void CVanthDoc::OnColorCurvature()
{
  ColorAllMeshes(&CMesh3d::ColorCurvature);
}

void CVanthDoc::OnColorHeight()
{
  ColorAllMeshes(&CMesh3d::ColorHeight);
}

void CVanthDoc::OnColorNormalSpace()
{
  ColorAllMeshes(&CMesh3d::ColorNormalSpace);
}

void CVanthDoc::OnColorCompacity()
{
  ColorAllMeshes(&CMesh3d::ColorCompacity);
}

void CVanthDoc::OnColorVerticesFromFaces()
{
  EditAllMeshes([](CMesh3d& mesh) { mesh.ColorVerticesFromFaces(); });
}

// The inner vertices of three faces, as red spheres sized by the mean edge length around the
// last one found.
void CVanthDoc::OnHighlightRemovableVertices()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  std::vector<const CVertex3d*> removable;
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    if (v->NbFaceNeighbor() == 3 && !v->IsOnBoundary())
      removable.push_back(v);
  }
  if (!removable.empty()) {
    const auto radius = static_cast<float>(removable.back()->GetMeanLengthEdgeAround() / 10.0);
    auto pSet = std::make_unique<CVertexSet3d>();
    pSet->SetMesh(pMesh);
    for (const CVertex3d* v : removable)
      pSet->AddVertex(new CVertex3d(v->x(), v->y(), v->z()), radius);
    pSet->SetRadius(radius);
    pSet->SetColor(CColor(255, 0, 0));
    m_SceneGraph.Add(pSet.release());
  }
  InvalidateViews();
}

void CVanthDoc::OnHighlightVertices()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  auto pSet = std::make_unique<CVertexSet3d>();
  pSet->SetMesh(pMesh);
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    pSet->AddVertex(new CVertex3d(v->x(), v->y(), v->z()),
                    static_cast<float>(0.1 * v->GetMeanLengthEdgeAround()));
  }
  const double first = pMesh->NbVertex() ? pMesh->GetVertex(0)->GetMeanLengthEdgeAround() : 0.0;
  pSet->SetRadius(static_cast<float>(first / 10.0));
  pSet->SetColor(CColor(255, 0, 0));
  m_SceneGraph.Add(pSet.release());
  InvalidateViews();
}

void CVanthDoc::OnAlgorithmsHashTable()
{
  CDlgHashTable dlg;
  if (dlg.DoModal() != platform::IDOK)
    return;
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh) {
    platform::MessageBox("Sorry, no mesh in scenegraph");
    return;
  }
  auto pTable = std::make_unique<CHashTable>(dlg.m_Size);
  pTable->Fill(pMesh, GetOwnRenderView());
  CHashTable* pHash = pTable.get();
  m_SceneGraph.Add(pTable.release());
  InvalidateViews();

  const std::array<CVertex3d, 9> probes = {
    CVertex3d(0.1f, 0.1f, 0.1f),   CVertex3d(15.1f, 0.1f, 0.1f),  CVertex3d(0.1f, 15.1f, 0.1f),
    CVertex3d(0.1f, 0.1f, 15.1f),  CVertex3d(15.1f, 15.1f, 0.1f), CVertex3d(15.1f, 0.1f, 15.1f),
    CVertex3d(0.1f, 15.1f, 15.1f), CVertex3d(15.1f, 15.1f, 15.1f), CVertex3d(-10.0f, 0.0f, 0.0f)};
  for (const CVertex3d& probe : probes) {
    CVertex3d nearest;
    CFace3d* pFace = nullptr;
    const double distance = pHash->DistanceToNearestFace(&probe, &nearest, &pFace, 0);
    platform::Trace("distance to nearest face: %g (face %d)\n", distance, pMesh->IndexFrom(pFace));
  }
  for (const CVertex3d& probe : probes) {
    CFace3d* pFace = nullptr;
    pHash->FindFaceInNearestCell(&probe, &pFace);
    platform::Trace("face in nearest cell: %d\n", pMesh->IndexFrom(pFace));
  }
}

void CVanthDoc::OnDebugPseudoHashTable()
{
  if (RefuseWhileDecimating())
    return;
  auto pOwnedBox = std::make_unique<CMesh3d>();
  CMesh3d* pBox = pOwnedBox.get();
  pBox->GenerateBox(1.0f, 1.0f, 1.0f);
  m_SceneGraph.Add(pOwnedBox.release());
  m_HighlightVertexIndex = 0;
  m_HighlightFaceIndex = 0;
  pBox->Subdivision();
  pBox->Subdivision();
  pBox->BuildAdjacency();
  pBox->ComputeFaceNormals();
  pBox->ComputeVertexNormals();
  InvalidateViews();

  // Whatever the answer, the point goes where the dialog says.
  CDlgVertexCoordinates dlg;
  dlg.DoModal();
  auto pPoint = std::make_unique<CVertex3d>(dlg.m_X, dlg.m_Y, dlg.m_Z);
  const CVertex3d* pProbe = pPoint.get();
  m_SceneGraph.Add(pPoint.release());

  CHashTable table(4);
  table.Fill(pBox, nullptr);
  CFace3d* pFace = nullptr;
  table.FindFaceInNearestCell(pProbe, &pFace);
  if (pFace) {
    pFace->SetColor(255, 0, 0);
    pBox->SetModified();
  }
  InvalidateViews();
}

void CVanthDoc::ReplaceSceneWith(std::unique_ptr<CMesh3d> pMesh)
{
  EmptyScene();
  CMesh3d* pAdded = pMesh.get();
  m_SceneGraph.Add(pMesh.release());
  m_HighlightVertexIndex = 0;
  m_HighlightFaceIndex = 0;
  pAdded->BuildAdjacency();
  pAdded->ComputeFaceNormals();
  pAdded->ComputeVertexNormals();
  InvalidateViews();
}

void CVanthDoc::GenerateMapFromDialog(int (CMesh3d::*generate)(int, int, float, float))
{
  CDlgMap dlg;
  if (dlg.DoModal() != platform::IDOK || RefuseWhileDecimating())
    return;
  auto pMesh = std::make_unique<CMesh3d>();
  ((*pMesh).*generate)(dlg.m_Width, dlg.m_Height, dlg.m_Min, dlg.m_Max);
  ReplaceSceneWith(std::move(pMesh));
}

void CVanthDoc::OnPredefinedMap()
{
  GenerateMapFromDialog(&CMesh3d::GenerateMap);
}

void CVanthDoc::OnPredefinedPeaksMap()
{
  GenerateMapFromDialog(&CMesh3d::GeneratePeaks);
}

void CVanthDoc::OnPredefinedBox()
{
  if (RefuseWhileDecimating())
    return;
  auto pMesh = std::make_unique<CMesh3d>();
  pMesh->GenerateBox(10.0f, 10.0f, 10.0f);
  ReplaceSceneWith(std::move(pMesh));
}

void CVanthDoc::OnPredefinedMapFromImage()
{
  platform::SFileDialogRequest request;
  request.Open = true;
  request.InitialPath = "*.*";
  request.Filter = "Image files (*.*)";
  const std::optional<std::string> path = platform::GetFileName(nullptr, request);
  if (!path)
    return;
  CDlgSampling dlg;
  if (dlg.DoModal() != platform::IDOK || RefuseWhileDecimating())
    return;
  // The full path: the file need not lie in the folder of the last opened file. An image that
  // does not read leaves the scene as it was.
  CTexture image;
  if (!image.ReadFile(*path))
    return;
  EmptyScene();
  auto pMesh = std::make_unique<CMesh3d>();
  image.BGRtoRGB();
  pMesh->GenerateMapFromImage(&image, dlg.m_Width, dlg.m_Height, dlg.m_UseColor);
  pMesh->Range(0, -1.0f, 1.0f);
  pMesh->Range(1, -0.1f, 0.1f);
  pMesh->Range(2, -1.0f, 1.0f);
  m_SceneGraph.Add(pMesh.release());
  InvalidateViews();
}
