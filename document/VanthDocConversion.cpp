#include "document/VanthDoc.h"

#include "app/dialogs/DlgIterations.h"
#include "app/resources/Resource.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Status.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WaitCursor.h"

#include <memory>
#include <optional>
#include <string>

namespace {

// Object 0 as the mesh kind, or null.
template <class T>
T* FirstObjectAs(const CSceneGraph3d& scene, int type)
{
  if (scene.NbObject() == 0 || scene.GetAt(0)->GetType() != type)
    return nullptr;
  return static_cast<T*>(scene.GetAt(0));
}

// A save dialog with the given default name and only the all-files filter; nothing when the
// user cancels.
std::optional<std::string> AskSavePath(const char* initialPath)
{
  platform::SFileDialogRequest request;
  request.Open = false;
  request.InitialPath = initialPath;
  return platform::GetFileName(CVanthDoc::GetRenderView(), request);
}

// Every quad mesh of the scene, in scene order, not only object 0.
void SubdivideQuadMeshes(CSceneGraph3d& scene, void (CQuadMesh3d::*subdivide)())
{
  for (int i = 0; i < scene.NbObject(); i++)
    if (scene.GetAt(i)->GetType() == TYPE_QUADMESH3D)
      (static_cast<CQuadMesh3d*>(scene.GetAt(i))->*subdivide)();
}

// A predefined quad mesh, alone in the scene.
void SetQuadShape(CVanthDoc& doc, void (CQuadMesh3d::*generate)())
{
  auto pQuads = std::make_unique<CQuadMesh3d>();
  (pQuads.get()->*generate)();
  doc.EmptyScene();
  doc.m_SceneGraph.Add(pQuads.release());
  doc.InvalidateViews();
}

// The triangulation of the polygon mesh replaces the whole scene once it is built; the view
// shows it at its next paint.
void Triangulate(CVanthDoc& doc, std::unique_ptr<CMesh3d> (CPolygonMesh3d::*triangulate)())
{
  auto* pPolygons = FirstObjectAs<CPolygonMesh3d>(doc.m_SceneGraph, TYPE_POLYGONMESH3D);
  if (!pPolygons)
    return;
  platform::CWaitCursor wait;
  std::unique_ptr<CMesh3d> pMesh = (pPolygons->*triangulate)();
  if (!pMesh)
    return;
  pMesh->Rebuild();
  doc.EmptyScene();
  doc.m_SceneGraph.Add(pMesh.release());
}

} // namespace

void CVanthDoc::RegisterConversionCommands()
{
  OnCommand(ID_CONVERSION_TRIANGLE_QUAD, &CVanthDoc::OnConversionTriangleQuad, TYPE_MESH3D);
  OnCommand(ID_CONVERSION_TRIANGLE_POLYGON, &CVanthDoc::OnConversionTrianglePolygon, TYPE_MESH3D);
  OnCommand(ID_CONVERSION_QUAD_POLYGON, &CVanthDoc::OnConversionQuadPolygon, TYPE_QUADMESH3D);
  OnCommand(ID_CONVERSION_POLYGON_TRIANGLE_STAR, &CVanthDoc::OnConversionPolygonTriangleStar,
            TYPE_POLYGONMESH3D);
  OnCommand(ID_CONVERSION_POLYGON_TRIANGLE_REGULAR, &CVanthDoc::OnConversionPolygonTriangleRegular,
            TYPE_POLYGONMESH3D);
  OnCommand(ID_CONVERSION_POLYGON_QUAD_TRIANGLES, &CVanthDoc::OnConversionPolygonQuadTriangles,
            TYPE_POLYGONMESH3D);
  OnCommand(ID_STATISTICS_POLYGON_DEGREES, &CVanthDoc::OnStatisticsPolygonDegrees,
            TYPE_POLYGONMESH3D);
  OnCommand(ID_ALGORITHMS_WELD, &CVanthDoc::OnAlgorithmsWeld, &CVanthDoc::OnUpdateAlgorithmsWeld);
  OnCommand(ID_QUAD_KOBBELT, &CVanthDoc::OnQuadKobbelt, TYPE_QUADMESH3D);
  OnCommand(ID_QUAD_CATMULL_CLARK, &CVanthDoc::OnQuadCatmullClark, TYPE_QUADMESH3D);
  OnCommand(ID_PREDEFINED_QUAD_BOX, &CVanthDoc::OnPredefinedQuadBox, kAlways);
  OnCommand(ID_PREDEFINED_QUAD_MUSHROOM, &CVanthDoc::OnPredefinedQuadMushroom, kAlways);
  OnCommand(ID_PREDEFINED_PATHOLOGIC, &CVanthDoc::OnPredefinedPathologic, kAlways);
  OnCommand(ID_EXPORT_QUAD_MESH, &CVanthDoc::OnExportQuadMesh, TYPE_QUADMESH3D);
  OnCommand(ID_EXPORT_CPT, &CVanthDoc::OnExportCpt, TYPE_MESH3D);
  OnCommand(ID_REMOVE_FACES_DUPLICATE, &CVanthDoc::OnRemoveFacesDuplicate, TYPE_MESH3D);
  OnCommand(ID_MODIFICATION_REMOVE_HOLE, &CVanthDoc::OnModificationRemoveHole, TYPE_MESH3D);
}

// The user's mesh goes only once its conversion is in the scene.
void CVanthDoc::ReplaceFirstObject(CObject3d* pConverted)
{
  m_SceneGraph.Add(pConverted);
  DeleteObject(0);
}

void CVanthDoc::OnConversionTriangleQuad()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  platform::StatusMessage("Mesh conversion....");
  std::unique_ptr<CQuadMesh3d> pQuads = pMesh->GenerateQuadsFromTriangles();
  if (!pQuads)
    return;
  pQuads->BuildAdjacencyAndNormals();
  ReplaceFirstObject(pQuads.release());
  RedrawViewsNow();
}

void CVanthDoc::OnConversionTrianglePolygon()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  platform::StatusMessage("Triangle to polygon....");
  auto pPolygons = std::make_unique<CPolygonMesh3d>();
  pPolygons->FromTriangleMesh(pMesh);
  ReplaceFirstObject(pPolygons.release());
  RedrawViewsNow();
  platform::StatusMessage("Triangle to polygon....done");
}

void CVanthDoc::OnConversionQuadPolygon()
{
  auto* pQuads = FirstObjectAs<CQuadMesh3d>(m_SceneGraph, TYPE_QUADMESH3D);
  if (!pQuads)
    return;
  platform::CWaitCursor wait;
  platform::StatusMessage("Quad to polygon....");
  auto pPolygons = std::make_unique<CPolygonMesh3d>();
  pPolygons->FromQuadMesh(pQuads);
  ReplaceFirstObject(pPolygons.release());
  RedrawViewsNow();
  platform::StatusMessage("Quad to polygon....done");
}

void CVanthDoc::OnConversionPolygonTriangleStar()
{
  Triangulate(*this, &CPolygonMesh3d::ToTriangleMeshStar);
}

void CVanthDoc::OnConversionPolygonTriangleRegular()
{
  Triangulate(*this, &CPolygonMesh3d::ToTriangleMeshMaxRegularity);
}

void CVanthDoc::OnConversionPolygonQuadTriangles()
{
  auto* pPolygons = FirstObjectAs<CPolygonMesh3d>(m_SceneGraph, TYPE_POLYGONMESH3D);
  if (!pPolygons)
    return;
  platform::CWaitCursor wait;
  platform::StatusMessage("Convert polygons to quad and triangles....");
  pPolygons->SplitIntoQuadsAndTriangles(1);
  pPolygons->Rebuild();
  RedrawViewsNow();
  platform::StatusMessage("Convert polygons to quad and triangles....done");
}

void CVanthDoc::OnStatisticsPolygonDegrees()
{
  const auto* pPolygons = FirstObjectAs<CPolygonMesh3d>(m_SceneGraph, TYPE_POLYGONMESH3D);
  if (!pPolygons)
    return;
  platform::CWaitCursor wait;
  platform::StatusMessage("Process distribution....");
  pPolygons->BuildDegreeDistribution();
  platform::StatusMessage("Process distribution....done");
}

// The two kinds are tested one after the other, each on object 0 as it is then.
void CVanthDoc::OnAlgorithmsWeld()
{
  platform::CWaitCursor wait;
  if (auto* pPolygons = FirstObjectAs<CPolygonMesh3d>(m_SceneGraph, TYPE_POLYGONMESH3D)) {
    platform::StatusMessage("Weld....");
    pPolygons->Weld();
    pPolygons->Rebuild();
    RedrawViewsNow();
    platform::StatusMessage("Weld....done");
  }
  if (CMesh3d* pMesh = GetFirstMesh()) {
    platform::StatusMessage("Weld....");
    pMesh->Weld();
    pMesh->Rebuild();
    RedrawViewsNow();
    platform::StatusMessage("Weld....done");
  }
}

void CVanthDoc::OnUpdateAlgorithmsWeld(platform::CCmdUI& ui)
{
  ui.Enable(IsFirstObjectOfType(TYPE_POLYGONMESH3D) || IsFirstObjectOfType(TYPE_MESH3D));
}

void CVanthDoc::OnQuadKobbelt()
{
  platform::CWaitCursor wait;
  SubdivideQuadMeshes(m_SceneGraph, &CQuadMesh3d::SubdivisionKobbelt);
  InvalidateViews();
}

void CVanthDoc::OnQuadCatmullClark()
{
  platform::CWaitCursor wait;
  SubdivideQuadMeshes(m_SceneGraph, &CQuadMesh3d::SubdivisionCatmullClark);
  InvalidateViews();
}

void CVanthDoc::OnPredefinedQuadBox()
{
  SetQuadShape(*this, &CQuadMesh3d::GenerateBox);
}

void CVanthDoc::OnPredefinedQuadMushroom()
{
  SetQuadShape(*this, &CQuadMesh3d::GenerateMushroom);
}

void CVanthDoc::OnPredefinedPathologic()
{
  CDlgIterations dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  auto pMesh = std::make_unique<CMesh3d>();
  if (!pMesh->GeneratePathologic(dialog.m_Iterations))
    return;
  pMesh->Rebuild();
  EmptyScene();
  m_SceneGraph.Add(pMesh.release());
  RedrawViewsNow();
}

void CVanthDoc::OnExportQuadMesh()
{
  auto* pQuads = FirstObjectAs<CQuadMesh3d>(m_SceneGraph, TYPE_QUADMESH3D);
  if (!pQuads)
    return;
  const std::optional<std::string> path = AskSavePath("");
  if (!path)
    return;
  // After the dialog: the hourglass covers the writing only.
  platform::CWaitCursor wait;
  pQuads->WriteBinary(path->c_str());
}

void CVanthDoc::OnExportCpt()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  const std::optional<std::string> path = AskSavePath("*.dat");
  if (!path)
    return;
  // After the dialog: the hourglass covers the writing only.
  platform::CWaitCursor wait;
  pMesh->WriteFileCpt(path->c_str());
}

void CVanthDoc::OnRemoveFacesDuplicate()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  pMesh->RemoveDuplicatedFaces();
  pMesh->RemoveCollapsedFaces();
  pMesh->Rebuild();
  RedrawViewsNow();
}

void CVanthDoc::OnModificationRemoveHole()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  pMesh->RemoveHole();
  pMesh->SetModified(1);
  RedrawViewsNow();
}
