#pragma once

#include "mesh/Color.h"
#include "mesh/ColorRamp.h"
#include "platform/ui/CmdTarget.h"
#include "platform/ui/ColorDialog.h"

#include <QScrollArea>

#include <map>
#include <string>

class CCamera3d;
class CColorSwatch;
class CObject3d;
class CRenderView;
class CVanthDoc;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QSlider;
class QSpinBox;

namespace platform {
class CDocument;
}

// The control ids of the form, as its resources number them.
enum : int {
  IDC_BACKGROUND = 1000,
  IDC_ANTIALIASING = 1001,
  IDC_GOURAUD = 1002,
  IDC_WIREFRAME = 1003,
  IDC_LIGHTING = 1004,
  IDC_FACE = 1005,
  IDC_VERTEX = 1006,
  IDC_ROTATION = 1007,
  IDC_SCALE_X = 1008,
  IDC_LINK = 1009,
  IDC_LIGHT_AMBIENT = 1010,
  IDC_SCALE_Y = 1011,
  IDC_SCALE_Z = 1012,
  IDC_SPEED = 1013,
  IDC_NORMALS_SCALE = 1014,
  IDC_TEXTURE_VIEW = 1016,
  IDC_TEXTURE_EDIT = 1017,
  IDC_LIGHT_DIFFUSE = 1018,
  IDC_TEXTURE_LIGHTING = 1019,
  IDC_LIGHT_SPECULAR = 1020,
  IDC_LIGHT_POSITION_X = 1021,
  IDC_LIGHT_DIRECTION_X = 1024,
  IDC_LIGHT_INDEX = 1027,
  IDC_LIGHT_UPDATE = 1029,
  IDC_STEP_X = 1030,
  IDC_STEP_Y = 1031,
  IDC_STEP_Z = 1032,
  IDC_NORMALS_OBJECT = 1033,
  IDC_NORMALS_SHOW = 1035,
  IDC_NORMALS_COLOR = 1036,
  IDC_ADD_WIREFRAME = 1037,
  IDC_SHARP_EDGES_SHOW = 1038,
  IDC_SHARP_EDGES_THRESHOLD = 1039,
  IDC_OFFSET_LINE = 1040,
  IDC_OFFSET_LINE_EDIT = 1041,
  IDC_MATERIAL_AMBIENT = 1042,
  IDC_MATERIAL_DIFFUSE = 1043,
  IDC_MATERIAL_SPECULAR = 1044,
  IDC_SHININESS = 1045,
  IDC_SURFACE_COLOR = 1046,
  IDC_SHARP_EDGES_OFFSET = 1047,
  IDC_SHARP_EDGES_OFFSET_EDIT = 1048,
  IDC_RAMP = 1049,
  IDC_HIGHLIGHTING = 1050,
  IDC_MATERIAL_INDEX = 1051,
  IDC_LOD = 1053,
  IDC_OFFSET_FILL = 1054,
  IDC_MATERIAL_EMISSION = 1055,
  IDC_OFFSET_FILL_EDIT = 1056,
  IDC_LINE_WIDTH = 1057,
  IDC_PERSPECTIVE = 1058,
  IDC_CAMERA_OPENING = 1059,
  IDC_CAMERA_COLOR = 1060,
  IDC_PREDEFINED = 1061,
  IDC_LOD_INIT = 1062,
  IDC_LOD_FACES = 1063,
  IDC_LOD_RESTORE = 1064,
  IDC_LOD_NAME = 1065,
  IDC_LOD_INDEX = 1066,
  IDC_LOD_METAFILE = 1067,
  IDC_CULLING = 1068,
  IDC_GLOBAL_COLOR = 1069,
  IDC_GLOBAL_SWATCH = 1070,
  IDC_CAMERA_ADD = 1083,
  IDC_CAMERA_REMOVE = 1084,
  IDC_CAMERA_FORWARD = 1085,
  IDC_COLOR_SILHOUETTE = 1086,
  IDC_COLOR_CAMERA_VIEW = 1087,
  IDC_COLOR_TWICE = 1088,
  IDC_CAMERA_INIT = 1089,
  IDC_SHOW_0 = 1104,
  IDC_SHOW_1 = 1105,
  IDC_CAMERA_MOVE = 1111,
  IDC_REFINE_SILHOUETTE = 1112,
  IDC_REFINE_CAMERA = 1113
};

// The left-hand pane of every child frame: a tall, scrolling form of rendering controls.
// Each control acts at once on the OpenGL state of the render view beside it, on the render
// view's fields, or on the document's rendering options and scene objects, then has the
// render view painted again.
class CFormCommandView : public QScrollArea, public platform::CCmdTarget
{
  Q_OBJECT

public:
  explicit CFormCommandView(platform::CDocument* pDocument, QWidget* parent = nullptr);
  ~CFormCommandView() override;

  // Null when the form stands on another kind of document.
  CVanthDoc* GetDocument() const { return m_pDocument; }
  // The render view beside the form in its child frame, else the active frame's; may be null.
  CRenderView* GetRenderView() const;
  // The control of that id, or null.
  QWidget* Control(int id) const;
  // The text of an edit control as a number (0 for none).
  float GetDlgItemFloat(int id) const;
  // The current camera, while the scene still holds it; else it is forgotten and null.
  CCamera3d* GetCurrentCamera();

  // Reads every slider and pushes its value to its target; 1.
  int ApplySliders();
  // One material parameter (GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION, GL_SHININESS)
  // for the material of every triangle and quad mesh.
  void ApplyMaterialParameter(unsigned name, const float* values);

  // Handlers, one per control.
  void OnPolygonMode(int mode);
  void OnLighting();
  void OnGouraud();
  void OnAntialiasing();
  void OnCulling();
  void OnTextureView();
  // The texture viewer, over scene object 0 when that is a triangle mesh.
  void OnTextureEdit();
  void OnRotation();
  void OnLink();
  void OnAddWireframe();
  void OnGlobalColor();
  void OnNormalsShow();
  void OnSharpEdgesShow();
  void OnShowObject0();
  void OnShowObject1();
  void OnLodInit();
  void OnLodRestore();
  // The render view's metafile of the object the LOD slider names, front faces only.
  void OnLodMetafile();
  void OnCameraAdd();
  void OnCameraRemove();
  void OnCameraInit();
  void OnCameraMove();
  void OnCameraForward();
  void OnColorSilhouette();
  void OnColorCameraView();
  void OnColorTwice();
  void OnPredefinedMaterial();
  // A click released over a colour swatch: the colour dialog, then the colour's effect.
  void OnSwatch(int id);

  // Members exchanged with the controls.
  int m_Lighting = 1;
  int m_Gouraud = 0;
  int m_Antialiasing = 0;
  int m_Rotation = 0;
  int m_Link = 0;
  int m_NormalsShow = 0;
  int m_AddWireframe = 0;
  int m_SharpEdgesShow = 0;
  float m_SharpEdgesThreshold = 0.5f;
  int m_PolygonMode = 2;
  float m_PolygonOffsetLine = 0.01f;
  float m_SharpEdgesOffset = 0.01f;
  float m_PolygonOffsetFill = 0.0f;
  float m_xStep = 0.0f;
  float m_yStep = 0.0f;
  float m_zStep = 0.0f;
  int m_Show0 = 1;
  int m_Show1 = 1;
  int m_RefineCamera = 1;
  int m_RefineSilhouette = 1;
  int m_Culling = 0;
  int m_TextureView = 1;
  // Shown and kept, with no effect of its own.
  int m_TextureLighting = 0;

  // Colours of the swatches.
  platform::COLORREF m_BackgroundColor = platform::RGB(0, 0, 0);
  platform::COLORREF m_SurfaceColor = platform::RGB(255, 255, 255);
  platform::COLORREF m_GlobalColor = platform::RGB(0, 0, 0);
  platform::COLORREF m_LightAmbient = platform::RGB(178, 178, 178);
  platform::COLORREF m_LightDiffuse = platform::RGB(204, 204, 204);
  platform::COLORREF m_LightSpecular = platform::RGB(255, 255, 255);
  platform::COLORREF m_MaterialAmbient = platform::RGB(0, 0, 0);
  platform::COLORREF m_MaterialDiffuse = platform::RGB(200, 200, 200);
  platform::COLORREF m_MaterialSpecular = platform::RGB(200, 200, 200);
  platform::COLORREF m_MaterialEmission = platform::RGB(0, 0, 0);
  platform::COLORREF m_NormalsColor = platform::RGB(255, 0, 0);
  platform::COLORREF m_CameraColor = platform::RGB(255, 255, 0);

  int m_UseGlobalColor = 0;
  int m_MoveCamera = 0;
  int m_LodMode = 0;
  float m_NormalsLengthRatio = 0.1f;

private:
  // Layout of the form (app/FormCommandViewLayout.cpp).
  void BuildForm();
  QWidget* BuildColors();
  QWidget* BuildOpenGL();
  QWidget* BuildAnimation();
  QWidget* BuildScaling();
  QWidget* BuildNormals();
  QWidget* BuildObjects();
  QWidget* BuildSharpEdges();
  QWidget* BuildTextures();
  QWidget* BuildLights();
  QWidget* BuildMaterials();
  QWidget* BuildHighlighting();
  QWidget* BuildLod();
  QWidget* BuildCamera();
  QAbstractButton* AddCheck(int id, const char* text, int* pMember, void (CFormCommandView::*handler)());
  QAbstractButton* AddButton(int id, const char* text, void (CFormCommandView::*handler)());
  QSlider* AddSlider(int id);
  QLineEdit* AddEdit(int id);
  QWidget* AddEditRow(int firstId);
  QSpinBox* AddSpin(int id);
  CColorSwatch* AddSwatch(int id, platform::COLORREF* pColor);
  // Members to controls, then the slider ranges and the material list.
  void OnInitialUpdate();

  QSlider* Slider(int id) const;
  QLineEdit* Edit(int id) const;
  void SetEditText(int id, const std::string& text);
  // A slider moved by the form itself: no scroll notification follows.
  void SetSliderPosition(int id, int position);
  // The render view with its rendering context current, or null.
  CRenderView* CurrentRenderView() const;
  void Invalidate() const;
  // Applies the swatch's colour where it belongs.
  void ApplyColor(int id, platform::COLORREF color);
  void ApplyLight(unsigned name, platform::COLORREF color) const;
  void ApplyMaterialColor(unsigned name, platform::COLORREF color);
  // The LOD step: only object i shown, and its name, face count and index in the edits.
  void ShowLodObject(int i);
  // Removes and deletes every vector set of that name.
  void RemoveVectorSets(const std::string& name);
  // Toggles a Show switch of vector sets: on, each triangle mesh present gets the set that
  // build makes of it (none for a null result); off, the sets of that name go.
  template <class Build>
  void ToggleVectorSets(int* pShow, const std::string& name, Build build);
  // On every triangle mesh, for each step in turn, with the current camera; then a repaint.
  template <class... Steps>
  void ColorMeshFromCamera(Steps... steps);
  void ShowObject(int index, int show);
  void ToggleEnable(unsigned capability, int on) const;
  static CColor ColorOf(platform::COLORREF color);
  // An offset slider's value: when it changed, it is stored, passed on and shown in the edit.
  void ApplyOffset(float value, float* pMember, float* pTarget, int editId);

  CVanthDoc* m_pDocument;
  QWidget* m_pPanel = nullptr;
  std::map<int, QWidget*> m_Controls;
  // Check boxes and the ints they show when the form comes up.
  std::map<int, int*> m_Exchanged;
  std::map<int, platform::COLORREF*> m_SwatchColors;
  CCamera3d* m_pCamera = nullptr;
  CColorRamp m_ColorRamp;
};
