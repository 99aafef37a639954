#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "app/dialogs/DlgColorValence.h"
#include "app/dialogs/DlgProgressiveDecoding.h"
#include "app/dialogs/DlgProgressiveGeometry.h"
#include "app/dialogs/DlgValenceProgressiveMeshes.h"
#include "app/resources/Resource.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Clock.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Status.h"
#include "platform/ui/ColorDialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WaitCursor.h"
#include "scene/StreamFile.h"

#include <algorithm>
#include <memory>

namespace {

int EncodingProgress(int nbVertex)
{
  platform::StatusMessage("Encoding...(%d vertices)...", nbVertex);
  return 1;
}

int DecodingProgress(int nbVertex)
{
  platform::StatusMessage("Decoding...%d vertices...", nbVertex);
  return 1;
}

std::optional<std::string> AskFileToOpen(const char* extension)
{
  platform::SFileDialogRequest request;
  request.Open = true;
  request.InitialPath = extension;
  request.Filter = platform::Format("(%s)", extension);
  return platform::GetFileName(nullptr, request);
}

} // namespace

void CVanthDoc::RegisterProgressiveCommands()
{
  OnCommand(ID_PROGRESSIVE_ENCODE_LAYER, &CVanthDoc::OnProgressiveEncodeLayer, TYPE_MESH3D);
  OnCommand(ID_PROGRESSIVE_DECODE_LAYER, &CVanthDoc::OnProgressiveDecodeLayer, TYPE_MESH3D);
  OnCommand(ID_PROGRESSIVE_ENCODE, &CVanthDoc::OnProgressiveEncode, TYPE_MESH3D);
  OnCommand(ID_PROGRESSIVE_DECODE, &CVanthDoc::OnProgressiveDecode, kAlways);
  OnCommand(ID_COLOR_FACES_VALENCE, &CVanthDoc::OnColorFacesValence, TYPE_MESH3D);
  OnCommand(ID_EXPORT_SCENE_IV, &CVanthDoc::OnExportSceneIv, TYPE_MESH3D);
  OnCommand(ID_VALENCE_FORECAST, &CVanthDoc::OnValenceForecast, TYPE_MESH3D);
}

void CVanthDoc::OnProgressiveEncodeLayer()
{
  CDlgProgressiveGeometry dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  CMesh3d* pMesh = GetFirstMesh();
  CProgressiveCoder coder;
  platform::CWaitCursor wait;
  platform::StatusMessage("Encoding...");
  CRenderView* pView = dialog.m_Debug ? GetOwnRenderView() : nullptr;
  coder.EncodeOneLayer(pMesh, dialog.m_FileName.c_str(), dialog.m_GateType, dialog.m_MaxDegree,
                       dialog.m_PureDegree, dialog.m_ForbidConcave,
                       dialog.m_ForbidNormalFlipping, dialog.m_UseMetric, dialog.m_Metric,
                       static_cast<double>(dialog.m_MetricThreshold), dialog.m_Remesh, pView,
                       dialog.m_UpdateEach, dialog.m_ColorPatches, dialog.m_ColorCause,
                       dialog.m_Delay);
  platform::StatusMessage("%g bit/remove vertex",
                          static_cast<double>(coder.GetBitsPerRemovedVertex()));
  InvalidateViews();
}

// A layer file that does not fit the mesh is said so; the mesh stays sound either way.
void CVanthDoc::OnProgressiveDecodeLayer()
{
  const std::optional<std::string> path = AskFileToOpen("*.bin");
  if (!path)
    return;
  CMesh3d* pMesh = GetFirstMesh();
  int decoded = 0;
  {
    platform::CWaitCursor wait;
    CProgressiveCoder coder;
    decoded = coder.DecodeLayer(pMesh, path->c_str(), 1, nullptr, 0, 0);
  }
  if (!decoded)
    platform::MessageBox("Unable to decode " + *path);
  RedrawViewsNow();
}

void CVanthDoc::OnProgressiveEncode()
{
  CMesh3d* pMesh = GetFirstMesh();
  CDlgValenceProgressiveMeshes dialog(pMesh->NbVertex(), m_FileRoot);
  if (dialog.DoModal() != platform::IDOK)
    return;
  const long long start = platform::GetTickMs();
  const int nbFace = pMesh->NbFace();
  const int nbVertex = pMesh->NbVertex();
  int encoded = 0;
  {
    platform::CWaitCursor wait;
    CProgressiveCoder coder;
    encoded = coder.Encode(pMesh, dialog.m_Requested, dialog.m_Quantization, dialog.m_FileName.c_str(),
                 dialog.m_PackCodes, dialog.m_ForbidConcave, dialog.m_ForbidNormalFlipping,
                 dialog.m_UseMetric, dialog.m_VolumeSurface, dialog.m_MetricThreshold,
                 dialog.m_ForgetMetric, dialog.m_MinNbVertex, GetOwnRenderView(),
                 dialog.m_UpdateView, 0, 0, EncodingProgress, dialog.m_OutputLevels,
                 dialog.m_LevelsFileName.c_str(), dialog.m_Assessment);
  }
  // A refused target has had its box; any other failure is said here. No speed either way.
  if (!encoded) {
    if (dialog.m_Requested < nbVertex)
      platform::MessageBox("Unable to encode " + dialog.m_FileName);
    InvalidateViews();
    return;
  }
  const double seconds = std::max(0.001, static_cast<double>(platform::GetTickMs() - start) / 1000.0);
  platform::StatusMessage("speed: %g faces/s", nbFace / seconds);
  InvalidateViews();
}

void CVanthDoc::OnProgressiveDecode()
{
  const std::optional<std::string> path = AskFileToOpen("*.vpm");
  if (!path)
    return;
  CDlgProgressiveDecoding dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  if (!DecodeProgressive(*path, GetOwnRenderView(), dialog.m_VisualDebugging, dialog.m_Color,
                         dialog.m_Delay, dialog.m_FineGrain, dialog.m_Number))
    return;
  const CMesh3d* pMesh = GetFirstMesh();
  platform::StatusMessage("Decoding...done (%d vertices, %d faces)", pMesh->NbVertex(),
                          pMesh->NbFace());
  RedrawViewsNow();
}

// Decodes into a mesh of its own first: a stream that fails leaves the scene as it was and
// says so. The new mesh is in the scene while decoding, so that visual debugging shows it.
bool CVanthDoc::DecodeProgressive(const std::string& path, CRenderView* pView,
                                  int redrawAfterLayer, int colour, int delay, int fineGrain,
                                  int fineGrainPeriod)
{
  platform::CWaitCursor wait;
  platform::StatusMessage("Start decoding...");
  CProgressiveCoder coder;
  auto pMesh = std::make_unique<CMesh3d>();
  CSceneGraph3d* pScene = &m_SceneGraph;
  const int index = pScene->NbObject();
  if (pView)
    pScene->Add(pMesh.get());
  const int decoded = coder.Decode(pMesh.get(), path.c_str(), DecodingProgress, pView,
                                   redrawAfterLayer, colour, delay, fineGrain, fineGrainPeriod);
  if (pView)
    pScene->GetArrayObject()->RemoveAt(index);
  if (!decoded) {
    platform::MessageBox("Unable to decode " + path + ": not a progressive stream, or damaged");
    return false;
  }
  EmptyScene();
  pScene->Add(pMesh.release());
  return true;
}

bool CVanthDoc::OpenProgressive(const std::string& path)
{
  if (!DecodeProgressive(path, nullptr, 0, 0, 0, 0, 1))
    return false;
  platform::StatusMessage("Decoding...done");
  return true;
}

void CVanthDoc::OnColorFacesValence()
{
  CDlgColorValence dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  const std::optional<platform::COLORREF> colour =
      platform::ChooseColor(nullptr, platform::RGB(0, 0, 0));
  if (!colour)
    return;
  GetFirstMesh()->ColorFacesByValence(dialog.m_NbVertex, dialog.m_Valence,
                                      platform::GetRValue(*colour), platform::GetGValue(*colour),
                                      platform::GetBValue(*colour));
}

// One Inventor file per triangle mesh, numbered by its place in the scene.
void CVanthDoc::OnExportSceneIv()
{
  platform::CWaitCursor wait;
  for (int i = 0; i < m_SceneGraph.NbObject(); i++) {
    CObject3d* pObject = m_SceneGraph.GetAt(i);
    if (pObject->GetType() != TYPE_MESH3D)
      continue;
    const std::string name = platform::Format("mesh%d.iv", i);
    CStreamFile file;
    if (CSceneGraph3d().WriteHeaderInventor(file, name.c_str()))
      static_cast<CMesh3d*>(pObject)->WriteInventor(file);
  }
}

void CVanthDoc::OnValenceForecast()
{
  platform::CWaitCursor wait;
  const float rate = GetFirstMesh()->ForecastValenceRate();
  platform::StatusMessage("Forecasted bit rate: %g b/v", static_cast<double>(rate));
}
