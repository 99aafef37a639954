#include "app/FormCommandView.h"

#include "app/ColorSwatch.h"
#include "app/PredefinedMaterials.h"
#include "platform/core/Format.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

const int kFormWidth = 200;

QGroupBox* Group(const char* title, QWidget* parent)
{
  auto* box = new QGroupBox(title, parent);
  box->setLayout(new QFormLayout);
  return box;
}

QFormLayout* Form(QWidget* box) { return static_cast<QFormLayout*>(box->layout()); }

struct SSliderRange
{
  int Id;
  int Min;
  int Max;
  int Position;
};

// Ranges and start positions that the form gives its sliders when it comes up.
const SSliderRange kSliderRanges[] = {
  {IDC_PERSPECTIVE, 1, 99, 45},      {IDC_LINE_WIDTH, 1, 40, 4},
  {IDC_SCALE_X, 1, 200, 100},        {IDC_SCALE_Y, 1, 200, 100},
  {IDC_SCALE_Z, 1, 200, 100},        {IDC_SPEED, 1, 20, 10},
  {IDC_NORMALS_SCALE, 1, 300, 10},   {IDC_OFFSET_LINE, -200, 200, -100},
  {IDC_OFFSET_FILL, -200, 200, -100}, {IDC_SHARP_EDGES_OFFSET, -200, 200, -100},
  {IDC_SHININESS, 0, 128, 100},      {IDC_HIGHLIGHTING, 1, 100, 20},
  {IDC_CAMERA_OPENING, 5, 100, 15},
};

} // namespace

void CFormCommandView::BuildForm()
{
  m_pPanel = new QWidget;
  auto* layout = new QVBoxLayout(m_pPanel);
  for (QWidget* group : {BuildColors(), BuildOpenGL(), BuildAnimation(), BuildScaling(), BuildNormals(),
                         BuildObjects(), BuildSharpEdges(), BuildTextures(), BuildLights(), BuildMaterials(),
                         BuildHighlighting(), BuildLod(), BuildCamera()})
    layout->addWidget(group);
  layout->addStretch(1);
  m_pPanel->setMinimumWidth(kFormWidth);
  setWidget(m_pPanel);
  setWidgetResizable(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

QAbstractButton* CFormCommandView::AddCheck(int id, const char* text, int* pMember,
                                            void (CFormCommandView::*handler)())
{
  auto* check = new QCheckBox(text);
  m_Controls[id] = check;
  m_Exchanged[id] = pMember;
  connect(check, &QAbstractButton::clicked, this, [this, pMember, handler] {
    if (handler)
      (this->*handler)();
    else
      *pMember = !*pMember;
  });
  return check;
}

QAbstractButton* CFormCommandView::AddButton(int id, const char* text, void (CFormCommandView::*handler)())
{
  auto* button = new QPushButton(text);
  m_Controls[id] = button;
  if (handler)
    connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
  return button;
}

// Every move of any slider, by the mouse or the keyboard, applies all of them.
QSlider* CFormCommandView::AddSlider(int id)
{
  auto* slider = new QSlider(Qt::Horizontal);
  m_Controls[id] = slider;
  connect(slider, &QSlider::valueChanged, this, [this] {
    ApplySliders();
    Invalidate();
  });
  return slider;
}

QLineEdit* CFormCommandView::AddEdit(int id)
{
  auto* edit = new QLineEdit;
  m_Controls[id] = edit;
  return edit;
}

// Three edits side by side, numbered from the first id.
QWidget* CFormCommandView::AddEditRow(int firstId)
{
  auto* edits = new QWidget;
  auto* row = new QHBoxLayout(edits);
  row->setContentsMargins(0, 0, 0, 0);
  for (int k = 0; k < 3; k++)
    row->addWidget(AddEdit(firstId + k));
  return edits;
}

QSpinBox* CFormCommandView::AddSpin(int id)
{
  auto* spin = new QSpinBox;
  m_Controls[id] = spin;
  return spin;
}

CColorSwatch* CFormCommandView::AddSwatch(int id, platform::COLORREF* pColor)
{
  auto* swatch = new CColorSwatch(id, nullptr);
  m_Controls[id] = swatch;
  if (pColor) {
    m_SwatchColors[id] = pColor;
    swatch->SetColor(*pColor);
    connect(swatch, &CColorSwatch::clicked, this, &CFormCommandView::OnSwatch);
  }
  return swatch;
}

QWidget* CFormCommandView::BuildColors()
{
  QGroupBox* box = Group("Colors", m_pPanel);
  Form(box)->addRow("Background", AddSwatch(IDC_BACKGROUND, &m_BackgroundColor));
  CColorSwatch* ramp = AddSwatch(IDC_RAMP, nullptr);
  ramp->SetRamp(&m_ColorRamp);
  Form(box)->addRow("Ramp", ramp);
  return box;
}

QWidget* CFormCommandView::BuildOpenGL()
{
  QGroupBox* box = Group("OpenGL", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow(AddCheck(IDC_ANTIALIASING, "Antialiasing", &m_Antialiasing, &CFormCommandView::OnAntialiasing));
  form->addRow(AddCheck(IDC_GOURAUD, "Gouraud", &m_Gouraud, &CFormCommandView::OnGouraud));
  form->addRow(AddCheck(IDC_LIGHTING, "Lighting", &m_Lighting, &CFormCommandView::OnLighting));
  auto* modes = new QButtonGroup(box);
  const std::pair<int, const char*> buttons[] = {
    {IDC_VERTEX, "Vertex"}, {IDC_WIREFRAME, "Wireframe"}, {IDC_FACE, "Face"}};
  for (int mode = 0; mode < 3; mode++) {
    auto* radio = new QRadioButton(buttons[mode].second);
    m_Controls[buttons[mode].first] = radio;
    modes->addButton(radio, mode);
    form->addRow(radio);
  }
  connect(modes, &QButtonGroup::idClicked, this, &CFormCommandView::OnPolygonMode);
  form->addRow(AddCheck(IDC_CULLING, "Culling", &m_Culling, &CFormCommandView::OnCulling));
  form->addRow("Line width", AddSlider(IDC_LINE_WIDTH));
  form->addRow("Perspective", AddSlider(IDC_PERSPECTIVE));
  return box;
}

QWidget* CFormCommandView::BuildAnimation()
{
  QGroupBox* box = Group("Animation", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow(AddCheck(IDC_ROTATION, "Rotation", &m_Rotation, &CFormCommandView::OnRotation));
  form->addRow("Steps (x,y,z)", AddEditRow(IDC_STEP_X));
  form->addRow("Speed", AddSlider(IDC_SPEED));
  return box;
}

QWidget* CFormCommandView::BuildScaling()
{
  QGroupBox* box = Group("Scaling", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow(AddCheck(IDC_LINK, "Link", &m_Link, &CFormCommandView::OnLink));
  form->addRow("X", AddSlider(IDC_SCALE_X));
  form->addRow("Y", AddSlider(IDC_SCALE_Y));
  form->addRow("Z", AddSlider(IDC_SCALE_Z));
  return box;
}

QWidget* CFormCommandView::BuildNormals()
{
  QGroupBox* box = Group("Normals", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow("Object", AddSpin(IDC_NORMALS_OBJECT));
  form->addRow(AddCheck(IDC_NORMALS_SHOW, "Show", &m_NormalsShow, &CFormCommandView::OnNormalsShow));
  form->addRow("Scale", AddSlider(IDC_NORMALS_SCALE));
  form->addRow("Color", AddSwatch(IDC_NORMALS_COLOR, &m_NormalsColor));
  return box;
}

QWidget* CFormCommandView::BuildObjects()
{
  QGroupBox* box = Group("Objects", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow(AddCheck(IDC_ADD_WIREFRAME, "Add wireframe", &m_AddWireframe, &CFormCommandView::OnAddWireframe));
  form->addRow(AddCheck(IDC_GLOBAL_COLOR, "Global color", &m_UseGlobalColor, &CFormCommandView::OnGlobalColor));
  form->addRow("Polygon offset line", AddSlider(IDC_OFFSET_LINE));
  form->addRow("", AddEdit(IDC_OFFSET_LINE_EDIT));
  form->addRow("Surface", AddSwatch(IDC_SURFACE_COLOR, &m_SurfaceColor));
  form->addRow("Global", AddSwatch(IDC_GLOBAL_SWATCH, &m_GlobalColor));
  form->addRow("Polygon offset fill", AddSlider(IDC_OFFSET_FILL));
  form->addRow("", AddEdit(IDC_OFFSET_FILL_EDIT));
  return box;
}

QWidget* CFormCommandView::BuildSharpEdges()
{
  QGroupBox* box = Group("Sharp edges", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow(AddCheck(IDC_SHARP_EDGES_SHOW, "Show", &m_SharpEdgesShow, &CFormCommandView::OnSharpEdgesShow));
  form->addRow("Threshold", AddEdit(IDC_SHARP_EDGES_THRESHOLD));
  form->addRow("Polygon offset", AddSlider(IDC_SHARP_EDGES_OFFSET));
  form->addRow("", AddEdit(IDC_SHARP_EDGES_OFFSET_EDIT));
  return box;
}

QWidget* CFormCommandView::BuildTextures()
{
  QGroupBox* box = Group("Textures", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow(AddCheck(IDC_TEXTURE_VIEW, "View", &m_TextureView, &CFormCommandView::OnTextureView));
  form->addRow(AddCheck(IDC_TEXTURE_LIGHTING, "Lighting", &m_TextureLighting, nullptr));
  form->addRow(AddButton(IDC_TEXTURE_EDIT, "Edit...", &CFormCommandView::OnTextureEdit));
  return box;
}

QWidget* CFormCommandView::BuildLights()
{
  QGroupBox* box = Group("Lights", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow("Index", AddSpin(IDC_LIGHT_INDEX));
  form->addRow("Ambient", AddSwatch(IDC_LIGHT_AMBIENT, &m_LightAmbient));
  form->addRow("Diffuse", AddSwatch(IDC_LIGHT_DIFFUSE, &m_LightDiffuse));
  form->addRow("Specular", AddSwatch(IDC_LIGHT_SPECULAR, &m_LightSpecular));
  form->addRow("Position", AddEditRow(IDC_LIGHT_POSITION_X));
  form->addRow("Direction", AddEditRow(IDC_LIGHT_DIRECTION_X));
  form->addRow(AddButton(IDC_LIGHT_UPDATE, "Update", nullptr));
  return box;
}

QWidget* CFormCommandView::BuildMaterials()
{
  QGroupBox* box = Group("Materials", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow("Index", AddSpin(IDC_MATERIAL_INDEX));
  form->addRow("Ambient", AddSwatch(IDC_MATERIAL_AMBIENT, &m_MaterialAmbient));
  form->addRow("Diffuse", AddSwatch(IDC_MATERIAL_DIFFUSE, &m_MaterialDiffuse));
  form->addRow("Specular", AddSwatch(IDC_MATERIAL_SPECULAR, &m_MaterialSpecular));
  form->addRow("Emission", AddSwatch(IDC_MATERIAL_EMISSION, &m_MaterialEmission));
  form->addRow("Shininess", AddSlider(IDC_SHININESS));
  auto* predefined = new QComboBox;
  m_Controls[IDC_PREDEFINED] = predefined;
  connect(predefined, &QComboBox::activated, this, [this] { OnPredefinedMaterial(); });
  form->addRow("Predefined", predefined);
  return box;
}

QWidget* CFormCommandView::BuildHighlighting()
{
  QGroupBox* box = Group("Highlighting", m_pPanel);
  Form(box)->addRow(AddSlider(IDC_HIGHLIGHTING));
  return box;
}

QWidget* CFormCommandView::BuildLod()
{
  QGroupBox* box = Group("LOD", m_pPanel);
  QFormLayout* form = Form(box);
  QSlider* slider = AddSlider(IDC_LOD);
  slider->setEnabled(false);
  form->addRow(slider);
  form->addRow("Index", AddEdit(IDC_LOD_INDEX));
  form->addRow("Faces", AddEdit(IDC_LOD_FACES));
  form->addRow("Name", AddEdit(IDC_LOD_NAME));
  form->addRow(AddButton(IDC_LOD_INIT, "Init", &CFormCommandView::OnLodInit));
  form->addRow(AddButton(IDC_LOD_RESTORE, "Restore", &CFormCommandView::OnLodRestore));
  form->addRow(AddCheck(IDC_SHOW_0, "0", &m_Show0, &CFormCommandView::OnShowObject0));
  form->addRow(AddCheck(IDC_SHOW_1, "1", &m_Show1, &CFormCommandView::OnShowObject1));
  form->addRow(AddButton(IDC_LOD_METAFILE, "Metafile", &CFormCommandView::OnLodMetafile));
  return box;
}

QWidget* CFormCommandView::BuildCamera()
{
  QGroupBox* box = Group("Camera", m_pPanel);
  QFormLayout* form = Form(box);
  form->addRow(AddButton(IDC_CAMERA_ADD, "Add", &CFormCommandView::OnCameraAdd));
  form->addRow(AddButton(IDC_CAMERA_REMOVE, "Remove", &CFormCommandView::OnCameraRemove));
  form->addRow(AddButton(IDC_CAMERA_INIT, "Init", &CFormCommandView::OnCameraInit));
  auto* move = new QPushButton("Move");
  move->setCheckable(true);
  m_Controls[IDC_CAMERA_MOVE] = move;
  m_Exchanged[IDC_CAMERA_MOVE] = &m_MoveCamera;
  connect(move, &QAbstractButton::clicked, this, [this] { OnCameraMove(); });
  form->addRow(move);
  form->addRow("Opening", AddSlider(IDC_CAMERA_OPENING));
  form->addRow("Color", AddSwatch(IDC_CAMERA_COLOR, &m_CameraColor));

  QGroupBox* refine = Group("Adaptive refinement", box);
  Form(refine)->addRow(AddButton(IDC_CAMERA_FORWARD, "Forward", &CFormCommandView::OnCameraForward));
  Form(refine)->addRow(AddCheck(IDC_REFINE_CAMERA, "Camera", &m_RefineCamera, nullptr));
  Form(refine)->addRow(AddCheck(IDC_REFINE_SILHOUETTE, "Silhouette", &m_RefineSilhouette, nullptr));
  form->addRow(refine);

  QGroupBox* colorMesh = Group("Color mesh", box);
  Form(colorMesh)->addRow(AddButton(IDC_COLOR_CAMERA_VIEW, "Camera view", &CFormCommandView::OnColorCameraView));
  Form(colorMesh)->addRow(AddButton(IDC_COLOR_TWICE, "Twice", &CFormCommandView::OnColorTwice));
  Form(colorMesh)->addRow(AddButton(IDC_COLOR_SILHOUETTE, "Silhouette", &CFormCommandView::OnColorSilhouette));
  form->addRow(colorMesh);
  return box;
}

// Members into the controls, then the slider ranges and the sorted material list, whose first
// name is shown without being applied. Nothing here notifies the handlers.
void CFormCommandView::OnInitialUpdate()
{
  for (const auto& [id, pMember] : m_Exchanged)
    static_cast<QAbstractButton*>(Control(id))->setChecked(*pMember != 0);
  static_cast<QAbstractButton*>(Control(IDC_VERTEX + 0))->setChecked(m_PolygonMode == 0);
  static_cast<QAbstractButton*>(Control(IDC_WIREFRAME))->setChecked(m_PolygonMode == 1);
  static_cast<QAbstractButton*>(Control(IDC_FACE))->setChecked(m_PolygonMode == 2);
  const std::pair<int, float> floats[] = {
    {IDC_SHARP_EDGES_THRESHOLD, m_SharpEdgesThreshold}, {IDC_OFFSET_LINE_EDIT, m_PolygonOffsetLine},
    {IDC_SHARP_EDGES_OFFSET_EDIT, m_SharpEdgesOffset},  {IDC_OFFSET_FILL_EDIT, m_PolygonOffsetFill},
    {IDC_STEP_X, m_xStep}, {IDC_STEP_Y, m_yStep}, {IDC_STEP_Z, m_zStep}};
  for (const auto& [id, value] : floats)
    SetEditText(id, platform::Format("%g", static_cast<double>(value)));

  for (const SSliderRange& range : kSliderRanges) {
    QSignalBlocker block(Slider(range.Id));
    Slider(range.Id)->setRange(range.Min, range.Max);
    Slider(range.Id)->setValue(range.Position);
  }

  std::vector<std::string> names;
  for (int i = 0; i < predefined::kNbMaterial; i++)
    names.emplace_back(predefined::Materials()[i].Name);
  std::sort(names.begin(), names.end());
  auto* combo = static_cast<QComboBox*>(Control(IDC_PREDEFINED));
  QSignalBlocker block(combo);
  for (const std::string& name : names)
    combo->addItem(QString::fromStdString(name));
  combo->setCurrentIndex(0);
}
