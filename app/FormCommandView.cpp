#include "app/FormCommandView.h"

#include "app/ColorSwatch.h"
#include "app/PredefinedMaterials.h"
#include "app/RenderView.h"
#include "app/dialogs/DlgTexture.h"
#include "app/objects/Camera3d.h"
#include "app/objects/VectorSet3d.h"
#include "document/VanthDoc.h"
#include "mesh/Mesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "platform/core/Format.h"

#include <GL/gl.h>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QSplitter>


namespace {

const std::size_t kMaxEditText = 260;

template <class T, class Fn>
void ForEach(CSceneGraph3d& scene, int type, Fn fn)
{
  for (int i = 0; i < scene.NbObject(); i++)
    if (scene.GetAt(i)->GetType() == type)
      fn(static_cast<T*>(scene.GetAt(i)));
}

// Each byte over 255, with alpha 1.
void ToFloats(platform::COLORREF color, float values[4])
{
  values[0] = platform::GetRValue(color) / 255.0f;
  values[1] = platform::GetGValue(color) / 255.0f;
  values[2] = platform::GetBValue(color) / 255.0f;
  values[3] = 1.0f;
}

platform::COLORREF ColorRefOf(const float rgb[3])
{
  auto byte = [](float v) { return static_cast<std::uint8_t>(v * 255.0); };
  return platform::RGB(byte(rgb[0]), byte(rgb[1]), byte(rgb[2]));
}

} // namespace

CFormCommandView::CFormCommandView(platform::CDocument* pDocument, QWidget* parent)
  : QScrollArea(parent), m_pDocument(dynamic_cast<CVanthDoc*>(pDocument))
{
  setObjectName("CommandView");
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(50, 50);
  m_ColorRamp.BuildRainbow();
  BuildForm();
  OnInitialUpdate();
}

// The camera and the vector sets belong to the scene: the form frees nothing of it.
CFormCommandView::~CFormCommandView() = default;

CRenderView* CFormCommandView::GetRenderView() const
{
  if (const auto* splitter = qobject_cast<const QSplitter*>(parentWidget())) {
    for (int i = 0; i < splitter->count(); i++)
      if (auto* view = dynamic_cast<CRenderView*>(splitter->widget(i)))
        return view;
  }
  return dynamic_cast<CRenderView*>(CVanthDoc::GetRenderView());
}

QWidget* CFormCommandView::Control(int id) const
{
  const auto found = m_Controls.find(id);
  return found == m_Controls.end() ? nullptr : found->second;
}

QSlider* CFormCommandView::Slider(int id) const { return static_cast<QSlider*>(Control(id)); }

QLineEdit* CFormCommandView::Edit(int id) const { return static_cast<QLineEdit*>(Control(id)); }

void CFormCommandView::SetEditText(int id, const std::string& text)
{
  Edit(id)->setText(QString::fromStdString(text));
}

float CFormCommandView::GetDlgItemFloat(int id) const
{
  const auto* edit = qobject_cast<const QLineEdit*>(Control(id));
  if (!edit)
    return 0.0f;
  const std::string text = edit->text().toStdString().substr(0, kMaxEditText);
  return static_cast<float>(platform::ParseDouble(text.c_str()));
}

void CFormCommandView::SetSliderPosition(int id, int position)
{
  QSignalBlocker block(Slider(id));
  Slider(id)->setValue(position);
}

// OpenGL state goes to the render view's own context, whichever context another window left
// current.
CRenderView* CFormCommandView::CurrentRenderView() const
{
  CRenderView* view = GetRenderView();
  return view && view->MakeCurrent() ? view : nullptr;
}

void CFormCommandView::Invalidate() const
{
  if (CRenderView* view = GetRenderView())
    view->update();
}

CColor CFormCommandView::ColorOf(platform::COLORREF color)
{
  return CColor(platform::GetRValue(color), platform::GetGValue(color), platform::GetBValue(color));
}

void CFormCommandView::ToggleEnable(unsigned capability, int on) const
{
  if (!CurrentRenderView())
    return;
  if (on)
    glEnable(capability);
  else
    glDisable(capability);
}

CCamera3d* CFormCommandView::GetCurrentCamera()
{
  // A command that emptied the scene took the camera with it.
  if (m_pCamera && (!m_pDocument || m_pDocument->m_SceneGraph.GetArrayObject()->IndexFrom(m_pCamera) < 0))
    m_pCamera = nullptr;
  return m_pCamera;
}

// --- sliders -------------------------------------------------------------------------------

int CFormCommandView::ApplySliders()
{
  CRenderView* view = GetRenderView();
  if (m_Link) {
    SetSliderPosition(IDC_SCALE_Y, Slider(IDC_SCALE_X)->value());
    SetSliderPosition(IDC_SCALE_Z, Slider(IDC_SCALE_X)->value());
  }
  if (view) {
    view->m_xScaling = Slider(IDC_SCALE_X)->value() / 100.0f;
    view->m_yScaling = Slider(IDC_SCALE_Y)->value() / 100.0f;
    view->m_zScaling = Slider(IDC_SCALE_Z)->value() / 100.0f;
    if (m_Rotation) {
      view->KillTimer(1);
      view->SetTimer(1, 1000 / Slider(IDC_SPEED)->value());
    }
  }
  if (m_pDocument)
    m_pDocument->m_LineWidth = Slider(IDC_LINE_WIDTH)->value() / 4.0f;

  const float ratio = Slider(IDC_NORMALS_SCALE)->value() / 100.0f;
  if (ratio != m_NormalsLengthRatio) {
    m_NormalsLengthRatio = ratio;
    if (m_NormalsShow && m_pDocument)
      ForEach<CVectorSet3d>(m_pDocument->m_SceneGraph, TYPE_VECTORSET3D,
                            [ratio](CVectorSet3d* set) { set->SetLengthRatio(ratio); });
  }
  ApplyOffset(Slider(IDC_OFFSET_LINE)->value() / 100.0f, &m_PolygonOffsetLine,
              m_pDocument ? &m_pDocument->m_WireframeOffset : nullptr, IDC_OFFSET_LINE_EDIT);
  // The fill offset goes in twentieths, the two others in hundredths.
  ApplyOffset(Slider(IDC_OFFSET_FILL)->value() / 20.0f, &m_PolygonOffsetFill,
              m_pDocument ? &m_pDocument->m_FillOffset : nullptr, IDC_OFFSET_FILL_EDIT);
  ApplyOffset(Slider(IDC_SHARP_EDGES_OFFSET)->value() / 100.0f, &m_SharpEdgesOffset, nullptr,
              IDC_SHARP_EDGES_OFFSET_EDIT);
  const double fovy = Slider(IDC_PERSPECTIVE)->value();
  if (view && fovy != view->m_Fovy) {
    view->m_Fovy = fovy;
    view->UpdateProjection();
  }
  const float shininess = static_cast<float>(Slider(IDC_SHININESS)->value());
  ApplyMaterialParameter(GL_SHININESS, &shininess);
  if (m_pDocument)
    m_pDocument->m_SphereRadius = Slider(IDC_HIGHLIGHTING)->value() / 100.0f;
  if (CCamera3d* camera = GetCurrentCamera())
    camera->SetSize(Slider(IDC_CAMERA_OPENING)->value() / 10.0f);
  if (m_LodMode)
    ShowLodObject(Slider(IDC_LOD)->value());
  return 1;
}

void CFormCommandView::ApplyOffset(float value, float* pMember, float* pTarget, int editId)
{
  if (value == *pMember)
    return;
  *pMember = value;
  if (pTarget)
    *pTarget = value;
  SetEditText(editId, platform::Format("%g", static_cast<double>(value)));
}

void CFormCommandView::ApplyMaterialParameter(unsigned name, const float* values)
{
  if (!m_pDocument)
    return;
  auto apply = [name, values](CMaterial* material) {
    switch (name) {
      case GL_AMBIENT: material->SetAmbient(values[0], values[1], values[2], 1.0f); break;
      case GL_DIFFUSE: material->SetDiffuse(values[0], values[1], values[2], 1.0f); break;
      case GL_SPECULAR: material->SetSpecular(values[0], values[1], values[2], 1.0f); break;
      case GL_EMISSION: material->SetEmission(values[0], values[1], values[2], 1.0f); break;
      case GL_SHININESS: material->SetShininess(values[0]); break;
      default: break;
    }
  };
  CSceneGraph3d& scene = m_pDocument->m_SceneGraph;
  for (int i = 0; i < scene.NbObject(); i++) {
    CObject3d* object = scene.GetAt(i);
    if (object->GetType() == TYPE_MESH3D) {
      object->SetModified();
      apply(static_cast<CMesh3d*>(object)->GetMaterial());
    } else if (object->GetType() == TYPE_QUADMESH3D) {
      object->SetModified();
      apply(static_cast<CQuadMesh3d*>(object)->GetMaterial());
    }
  }
}

// --- colours -------------------------------------------------------------------------------

void CFormCommandView::OnSwatch(int id)
{
  const auto found = m_SwatchColors.find(id);
  if (found == m_SwatchColors.end())
    return;
  const std::optional<platform::COLORREF> chosen = platform::ChooseColor(nullptr, *found->second);
  if (!chosen)
    return;
  *found->second = *chosen;
  static_cast<CColorSwatch*>(Control(id))->SetColor(*chosen);
  ApplyColor(id, *chosen);
  Invalidate();
}

void CFormCommandView::ApplyColor(int id, platform::COLORREF color)
{
  const CColor rgb = ColorOf(color);
  CRenderView* view = GetRenderView();
  switch (id) {
    case IDC_BACKGROUND:
      if (view) {
        view->m_ClearColorRed = rgb.r() / 255.0f;
        view->m_ClearColorGreen = rgb.g() / 255.0f;
        view->m_ClearColorBlue = rgb.b() / 255.0f;
        view->SetClearColor();
      }
      return;
    case IDC_CAMERA_COLOR:
      if (CCamera3d* camera = GetCurrentCamera())
        camera->SetColor(rgb);
      return;
    case IDC_LIGHT_AMBIENT: ApplyLight(GL_AMBIENT, color); return;
    case IDC_LIGHT_DIFFUSE: ApplyLight(GL_DIFFUSE, color); return;
    case IDC_LIGHT_SPECULAR: ApplyLight(GL_SPECULAR, color); return;
    case IDC_MATERIAL_AMBIENT: ApplyMaterialColor(GL_AMBIENT, color); return;
    case IDC_MATERIAL_DIFFUSE: ApplyMaterialColor(GL_DIFFUSE, color); return;
    case IDC_MATERIAL_SPECULAR: ApplyMaterialColor(GL_SPECULAR, color); return;
    case IDC_MATERIAL_EMISSION: ApplyMaterialColor(GL_EMISSION, color); return;
    default: break;
  }
  if (!m_pDocument)
    return;
  CSceneGraph3d& scene = m_pDocument->m_SceneGraph;
  if (id == IDC_SURFACE_COLOR) {
    ForEach<CMesh3d>(scene, TYPE_MESH3D, [&rgb](CMesh3d* mesh) { mesh->SetColorFaces(&rgb); });
    ForEach<CQuadMesh3d>(scene, TYPE_QUADMESH3D,
                         [&rgb](CQuadMesh3d* mesh) { mesh->SetColorQuads(rgb.r(), rgb.g(), rgb.b()); });
  } else if (id == IDC_GLOBAL_SWATCH) {
    ForEach<CMesh3d>(scene, TYPE_MESH3D, [&rgb](CMesh3d* mesh) { mesh->SetColor(rgb.r(), rgb.g(), rgb.b()); });
    ForEach<CQuadMesh3d>(scene, TYPE_QUADMESH3D, [&rgb](CQuadMesh3d* mesh) {
      mesh->SetColor(rgb.r(), rgb.g(), rgb.b());
      mesh->SetModified();
    });
  } else if (id == IDC_NORMALS_COLOR) {
    ForEach<CVectorSet3d>(scene, TYPE_VECTORSET3D, [&rgb](CVectorSet3d* set) { set->SetColor(rgb); });
  }
}

void CFormCommandView::ApplyLight(unsigned name, platform::COLORREF color) const
{
  if (!CurrentRenderView())
    return;
  float values[4];
  ToFloats(color, values);
  glLightfv(GL_LIGHT0, name, values);
}

void CFormCommandView::ApplyMaterialColor(unsigned name, platform::COLORREF color)
{
  float values[4];
  ToFloats(color, values);
  ApplyMaterialParameter(name, values);
}

void CFormCommandView::OnPredefinedMaterial()
{
  const std::string name = static_cast<QComboBox*>(Control(IDC_PREDEFINED))->currentText().toStdString();
  const SPredefinedMaterial& chosen = predefined::FindMaterial(name);
  if (m_pDocument) {
    auto apply = [&chosen](CObject3d* object, CMaterial* material) {
      object->SetModified();
      material->SetAmbient(chosen.Ambient[0], chosen.Ambient[1], chosen.Ambient[2], 1.0f);
      material->SetDiffuse(chosen.Diffuse[0], chosen.Diffuse[1], chosen.Diffuse[2], 1.0f);
      material->SetSpecular(chosen.Specular[0], chosen.Specular[1], chosen.Specular[2], 1.0f);
      material->SetShininess(chosen.Shininess);
    };
    ForEach<CMesh3d>(m_pDocument->m_SceneGraph, TYPE_MESH3D,
                     [&apply](CMesh3d* mesh) { apply(mesh, mesh->GetMaterial()); });
    ForEach<CQuadMesh3d>(m_pDocument->m_SceneGraph, TYPE_QUADMESH3D,
                         [&apply](CQuadMesh3d* mesh) { apply(mesh, mesh->GetMaterial()); });
  }
  m_MaterialAmbient = ColorRefOf(chosen.Ambient);
  m_MaterialDiffuse = ColorRefOf(chosen.Diffuse);
  m_MaterialSpecular = ColorRefOf(chosen.Specular);
  static_cast<CColorSwatch*>(Control(IDC_MATERIAL_AMBIENT))->SetColor(m_MaterialAmbient);
  static_cast<CColorSwatch*>(Control(IDC_MATERIAL_DIFFUSE))->SetColor(m_MaterialDiffuse);
  static_cast<CColorSwatch*>(Control(IDC_MATERIAL_SPECULAR))->SetColor(m_MaterialSpecular);
  SetSliderPosition(IDC_SHININESS, static_cast<int>(chosen.Shininess));
  update();
  Invalidate();
}

// --- OpenGL switches -----------------------------------------------------------------------

void CFormCommandView::OnPolygonMode(int mode)
{
  static const GLenum kModes[3] = {GL_POINT, GL_LINE, GL_FILL};
  if (mode < 0 || mode > 2)
    return;
  m_PolygonMode = mode;
  if (CurrentRenderView())
    glPolygonMode(GL_FRONT_AND_BACK, kModes[mode]);
  Invalidate();
}

void CFormCommandView::OnLighting()
{
  m_Lighting = !m_Lighting;
  ToggleEnable(GL_LIGHTING, m_Lighting);
  if (m_pDocument)
    m_pDocument->m_Lighting = m_Lighting;
  Invalidate();
}

// Smooth shading takes normals and colours per vertex, flat shading per face.
void CFormCommandView::OnGouraud()
{
  m_Gouraud = !m_Gouraud;
  if (CurrentRenderView())
    glShadeModel(m_Gouraud ? GL_SMOOTH : GL_FLAT);
  if (m_pDocument) {
    m_pDocument->m_SceneGraph.SetNormalBinding(m_Gouraud ? 0 : 1);
    m_pDocument->m_SceneGraph.SetColorBinding(m_Gouraud ? 0 : 1);
  }
  Invalidate();
}

void CFormCommandView::OnAntialiasing()
{
  m_Antialiasing = !m_Antialiasing;
  if (CurrentRenderView()) {
    if (m_Antialiasing) {
      glEnable(GL_LINE_SMOOTH);
      glEnable(GL_BLEND);
      glLineWidth(1.5f);
    } else {
      glDisable(GL_LINE_SMOOTH);
      glDisable(GL_BLEND);
      glLineWidth(1.0f);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  }
  Invalidate();
}

void CFormCommandView::OnCulling()
{
  m_Culling = !m_Culling;
  ToggleEnable(GL_CULL_FACE, m_Culling);
  Invalidate();
}

void CFormCommandView::OnTextureView()
{
  m_TextureView = !m_TextureView;
  ToggleEnable(GL_TEXTURE_2D, m_TextureView);
  Invalidate();
}

void CFormCommandView::OnTextureEdit()
{
  const CMesh3d* pMesh = nullptr;
  if (m_pDocument && m_pDocument->IsFirstObjectOfType(TYPE_MESH3D))
    pMesh = static_cast<const CMesh3d*>(m_pDocument->m_SceneGraph.GetAt(0));
  CDlgTexture dialog(pMesh);
  dialog.DoModal();
}

// --- view fields ---------------------------------------------------------------------------

void CFormCommandView::OnRotation()
{
  m_Rotation = !m_Rotation;
  CRenderView* view = GetRenderView();
  if (!view)
    return;
  view->m_xSpin = GetDlgItemFloat(IDC_STEP_X);
  view->m_ySpin = GetDlgItemFloat(IDC_STEP_Y);
  view->m_zSpin = GetDlgItemFloat(IDC_STEP_Z);
  if (m_Rotation)
    view->SetTimer(1, 1000 / Slider(IDC_SPEED)->value());
  else
    view->KillTimer(1);
}

void CFormCommandView::OnLink()
{
  m_Link = !m_Link;
  if (m_Link) {
    SetSliderPosition(IDC_SCALE_Y, Slider(IDC_SCALE_X)->value());
    SetSliderPosition(IDC_SCALE_Z, Slider(IDC_SCALE_X)->value());
    if (CRenderView* view = GetRenderView())
      view->m_zScaling = view->m_yScaling = view->m_xScaling;
  }
  Slider(IDC_SCALE_Y)->setEnabled(!m_Link);
  Slider(IDC_SCALE_Z)->setEnabled(!m_Link);
  Invalidate();
}

void CFormCommandView::OnCameraMove()
{
  m_MoveCamera = !m_MoveCamera;
  if (CRenderView* view = GetRenderView())
    view->m_MoveCamera = !view->m_MoveCamera;
}

// --- document options ----------------------------------------------------------------------

void CFormCommandView::OnAddWireframe()
{
  m_AddWireframe = !m_AddWireframe;
  if (m_pDocument)
    m_pDocument->m_WireframeOverlay = m_AddWireframe;
  Invalidate();
}

void CFormCommandView::OnGlobalColor()
{
  m_UseGlobalColor = !m_UseGlobalColor;
  if (m_pDocument)
    m_pDocument->m_SingleColorWireframe = m_UseGlobalColor;
  Invalidate();
}
