#include "app/dialogs/DlgMetafile.h"

#include "app/ColorSwatch.h"
#include "app/RenderView.h"
#include "app/objects/Camera3d.h"
#include "document/VanthDoc.h"
#include "mesh/Mesh3d.h"
#include "platform/core/MessageBox.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

int CDlgMetafile::s_RampCounter = 0;

namespace {

const char* const kModeTexts[CDlgMetafile::kNbMode] = {
  "Line", "Faces", "Silhouette", "Ramp(z)", "Back facing", "Back facing + silhouette",
  "Back facing + ramp(z)", "Back facing + silhouette + ramp(z)", "Silhouette + ramp(z)",
  "Texture request map"};

// Face flags of each mode, applied in this order: reset to 0, depth ramp, back-facing,
// silhouette. Later flags overwrite earlier ones.
struct SModeFlags
{
  int LineMode;
  int RampMode; // -1: unchanged
  int TextureMapMode;
  bool Reset;
  bool Depth;
  bool Back;
  bool Silhouette;
};

const SModeFlags kModes[CDlgMetafile::kNbMode] = {
  {1, 0, 0, false, false, false, false}, {0, 0, 0, true, false, true, false},
  {0, 0, 0, true, false, false, true},   {0, 1, 0, false, true, false, false},
  {0, 0, 0, true, false, true, false},   {0, 0, 0, true, false, true, true},
  {0, 1, 0, true, true, true, false},    {0, 1, 0, true, true, true, true},
  {0, 1, 0, true, true, false, true},    {0, -1, 1, true, true, true, false}};

struct SSwatch
{
  int Id;
  const char* Label;
};

const SSwatch kSwatches[6] = {{CDlgMetafile::IDC_COLOR_FACE, "Face"},
                              {CDlgMetafile::IDC_COLOR_LINE, "Line"},
                              {CDlgMetafile::IDC_COLOR_BACK, "Back"},
                              {CDlgMetafile::IDC_COLOR_FRONT_SILHOUETTE, "Front silhouette"},
                              {CDlgMetafile::IDC_COLOR_BACK_SILHOUETTE, "Back silhouette"},
                              {CDlgMetafile::IDC_COLOR_RAMP, "Ramp"}};

} // namespace

CDlgMetafile::CDlgMetafile(CRenderView* pView)
  : CDialog(180, "Windows Enhanced Metafile", "Run"), m_pView(pView)
{
}

// Index in the settings' colours: face, line, front silhouette, back silhouette, back-facing.
int CDlgMetafile::ColorIndexOf(int id) const
{
  switch (id) {
  case IDC_COLOR_FACE: return 0;
  case IDC_COLOR_LINE: return 1;
  case IDC_COLOR_FRONT_SILHOUETTE: return 2;
  case IDC_COLOR_BACK_SILHOUETTE: return 3;
  case IDC_COLOR_BACK: return 4;
  default: return -1;
  }
}

void CDlgMetafile::OnInitDialog()
{
  CVanthDoc* pDoc = m_pView ? m_pView->GetDocument() : nullptr;
  m_pMesh = m_pView ? m_pView->GetMesh(0) : nullptr;
  if (pDoc && !m_pMesh)
    platform::MessageBox("The first object of the scene is not a mesh", platform::MB_OK);
  m_Settings.m_Colors[ColorIndexOf(IDC_COLOR_LINE)] = platform::RGB(0, 0, 0);
  m_Settings.m_Colors[ColorIndexOf(IDC_COLOR_FACE)] = platform::RGB(255, 255, 255);
  m_Settings.m_Colors[ColorIndexOf(IDC_COLOR_BACK)] = platform::RGB(128, 128, 128);
  m_Settings.m_Colors[ColorIndexOf(IDC_COLOR_BACK_SILHOUETTE)] = platform::RGB(200, 200, 200);
  // The front silhouette is drawn black until the user picks another colour.
  m_Settings.m_Colors[ColorIndexOf(IDC_COLOR_FRONT_SILHOUETTE)] = platform::RGB(0, 0, 0);
  m_Settings.m_Ramp.BuildRainbow();
  BuildSwatches();
  BuildModes();
  if (auto* close = GetWindow()->findChild<QPushButton*>("IDCANCEL"))
    close->setText("Close");
}

void CDlgMetafile::BuildSwatches()
{
  QDialog* window = GetWindow();
  auto* box = new QGroupBox("Colors", window);
  auto* grid = new QGridLayout(box);
  for (std::size_t i = 0; i < m_Swatches.size(); i++) {
    auto* swatch = new CColorSwatch(kSwatches[i].Id, box);
    swatch->setObjectName(QString::number(kSwatches[i].Id));
    const int index = ColorIndexOf(kSwatches[i].Id);
    if (index >= 0)
      swatch->SetColor(m_Settings.m_Colors[index]);
    else
      swatch->SetRamp(&m_Settings.m_Ramp);
    QObject::connect(swatch, &CColorSwatch::clicked, window, [this](int id) { OnSwatch(id); });
    grid->addWidget(new QLabel(kSwatches[i].Label, box), static_cast<int>(i), 0);
    grid->addWidget(swatch, static_cast<int>(i), 1);
    m_Swatches[i] = swatch;
  }
  static_cast<QBoxLayout*>(window->layout())->insertWidget(0, box);
}

void CDlgMetafile::BuildModes()
{
  QDialog* window = GetWindow();
  auto* box = new QGroupBox("Mode", window);
  auto* column = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  for (int mode = 0; mode < kNbMode; mode++) {
    auto* button = new QRadioButton(kModeTexts[mode], box);
    button->setObjectName(QString::number(IDC_MODE_FIRST + mode));
    group->addButton(button, mode);
    column->addWidget(button);
  }
  QObject::connect(group, &QButtonGroup::idClicked, window, [this](int mode) { OnMode(mode); });
  static_cast<QBoxLayout*>(window->layout())->insertWidget(1, box);
}

void CDlgMetafile::OnMode(int mode)
{
  if (mode < 0 || mode >= kNbMode)
    return;
  const SModeFlags& flags = kModes[mode];
  m_Settings.m_LineMode = flags.LineMode;
  if (flags.RampMode >= 0)
    m_Settings.m_RampMode = flags.RampMode;
  m_Settings.m_TextureMapMode = flags.TextureMapMode;
  CVanthDoc* pDoc = m_pView ? m_pView->GetDocument() : nullptr;
  if (!m_pMesh || !pDoc)
    return;
  // The camera stands where the view looks from now, not where it stood at opening.
  pDoc->ProcessCamera();
  const CCamera3d* pCamera = &pDoc->m_Camera;
  if (flags.Reset)
    m_pMesh->SetFacesFlag(0);
  if (flags.Depth)
    m_pMesh->FlagFacesByDistanceToCamera(pCamera);
  if (flags.Back)
    m_pMesh->FlagFacesBackfacing(pCamera, -1);
  if (flags.Silhouette)
    m_pMesh->FlagSilhouette(pCamera, -3, -2);
}

bool CDlgMetafile::Run()
{
  if (!m_pView || !m_pView->GetDocument()) {
    platform::MessageBox("No active document", platform::MB_OK);
    return false;
  }
  if (!m_pMesh) {
    platform::MessageBox("The first object of the scene is not a mesh", platform::MB_OK);
    return false;
  }
  double modelview[16];
  double projection[16];
  int viewport[4];
  if (!m_pView->ReadViewMatrices(modelview, projection, viewport))
    return false;
  return ExportMetafile(*m_pMesh, modelview, projection, viewport, m_Settings, MeshTexture());
}

// The texture that the mesh's index names in the scene's list, or null.
const CTexture* CDlgMetafile::MeshTexture() const
{
  const CVanthDoc* pDoc = m_pView ? m_pView->GetDocument() : nullptr;
  const int index = m_pMesh ? m_pMesh->GetTextureIndex() : -1;
  if (!pDoc || index < 0 || index >= pDoc->m_SceneGraph.NbTexture())
    return nullptr;
  return pDoc->m_SceneGraph.GetTexture(index);
}

bool CDlgMetafile::OnOK()
{
  Run();
  return false;
}

void CDlgMetafile::OnSwatch(int id)
{
  CColorSwatch* swatch = nullptr;
  for (CColorSwatch* candidate : m_Swatches)
    if (candidate && candidate->GetId() == id)
      swatch = candidate;
  if (id == IDC_COLOR_RAMP) {
    switch (s_RampCounter++ % 5) {
    case 0: m_Settings.m_Ramp.BuildGrey(); break;
    case 1: m_Settings.m_Ramp.BuildBlueWhite(); break;
    case 2: m_Settings.m_Ramp.BuildRainbow(); break;
    case 3: m_Settings.m_Ramp.BuildRedYellow(); break;
    default: m_Settings.m_Ramp.BuildRedWhite(); break;
    }
    if (swatch)
      swatch->update();
    return;
  }
  const int index = ColorIndexOf(id);
  if (index < 0)
    return;
  const std::optional<platform::COLORREF> color =
    platform::ChooseColor(GetWindow(), m_Settings.m_Colors[index]);
  if (!color)
    return;
  m_Settings.m_Colors[index] = *color;
  if (swatch)
    swatch->SetColor(*color);
}

void CDlgMetafile::OnDestroy()
{
  m_Swatches.fill(nullptr);
}
