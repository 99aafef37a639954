#include "tests/app/FormViewFixture.h"
#include "tests/app/DialogAnswer.h"
#include "tests/app/EmfReader.h"

#include "app/dialogs/DlgMetafile.h"
#include "app/objects/VertexSet3d.h"
#include "tests/support/ClipboardRecorder.h"
#include "tests/support/TempFolder.h"

#include <QDialog>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

// The clipboard of the tests, which can refuse a metafile as a clipboard held by another
// program would.
class CMetafileClipboard : public CClipboardRecorder
{
public:
  bool SetMetafile(const std::vector<std::uint8_t>& emf) override
  {
    return !m_Refuse && CClipboardRecorder::SetMetafile(emf);
  }
  bool m_Refuse = false;
};

// The render view's and the form's metafile commands and the metafile dialog, with the
// current directory in a scratch folder and the clipboard recorded.
class CMetafileCommandsTest : public CFormViewFixture
{
protected:
  void SetUp() override
  {
    CFormViewFixture::SetUp();
    if (HasFatalFailure())
      return;
    m_InFolder.emplace(m_Folder.Path());
    m_Clipboard.emplace();
  }
  void TearDown() override
  {
    m_Clipboard.reset();
    m_InFolder.reset();
    CFormViewFixture::TearDown();
  }

  bool HasFile() const { return std::filesystem::exists(m_Folder.File("metafile.emf")); }
  std::vector<std::uint8_t> File() const { return ReadBytes(m_Folder.File("metafile.emf")); }

  // The file just written, which must be what the clipboard got.
  CEmfReader Written()
  {
    const std::vector<std::uint8_t> bytes = File();
    EXPECT_FALSE(m_Clipboard->m_Metafiles.empty());
    if (!m_Clipboard->m_Metafiles.empty()) {
      EXPECT_EQ(bytes, m_Clipboard->m_Metafiles.back());
    }
    return CEmfReader(bytes);
  }

  void Remove() { std::filesystem::remove(m_Folder.File("metafile.emf")); }

  CTempFolder m_Folder;
  std::optional<CCurrentFolder> m_InFolder;
  // Installed once the workbench runs, so that it stands in for the one the program set.
  std::optional<CMetafileClipboard> m_Clipboard;
};

constexpr int kBoxEdges = 18;
constexpr int kBoxFaces = 12;

TEST_F(CMetafileCommandsTest, EachGenerateCommandWritesHiMetricFileAndClipboard)
{
  AddBox();
  m_View->m_xRotation = 20.0f;
  m_View->m_yRotation = 30.0f;

  m_View->DoCommand(ID_METAFILE_GENERATE);
  CEmfReader edges = Written();
  EXPECT_TRUE(edges.IsValid());
  EXPECT_EQ(edges.MapMode(), 3u);
  EXPECT_EQ(edges.Count(CEmfReader::EMR_LINETO), kBoxEdges);
  EXPECT_EQ(edges.Count(CEmfReader::EMR_POLYGON), 0);

  m_View->DoCommand(ID_METAFILE_FRONT_FACES);
  CEmfReader front = Written();
  EXPECT_TRUE(front.IsValid());
  EXPECT_EQ(front.MapMode(), 3u);
  EXPECT_EQ(front.Count(CEmfReader::EMR_LINETO), kBoxEdges);

  m_View->DoCommand(ID_METAFILE_FACE_MODE);
  CEmfReader faces = Written();
  EXPECT_TRUE(faces.IsValid());
  EXPECT_EQ(faces.MapMode(), 3u);
  EXPECT_EQ(faces.Count(CEmfReader::EMR_POLYGON), kBoxFaces);
  EXPECT_EQ(faces.Colors(CEmfReader::EMR_CREATEPEN), std::vector<std::uint32_t>{0});
  EXPECT_EQ(static_cast<int>(m_Clipboard->m_Metafiles.size()), 3);
  EXPECT_TRUE(m_Messages.empty());
}

TEST_F(CMetafileCommandsTest, FrontFacesOnlyFlagsTheFacesFacingTheView)
{
  CMesh3d* box = AddBox();
  m_View->DoCommand(ID_METAFILE_FRONT_FACES);
  int front = 0;
  for (int i = 0; i < box->NbFace(); i++) {
    EXPECT_TRUE(box->GetFace(i)->GetFlag() == 0 || box->GetFace(i)->GetFlag() == 1);
    front += box->GetFace(i)->GetFlag();
  }
  EXPECT_GT(front, 0);
}

TEST_F(CMetafileCommandsTest, NoMeshFirstWritesNothing)
{
  m_View->DoCommand(ID_METAFILE_GENERATE);
  EXPECT_FALSE(HasFile());
  auto set = std::make_unique<CVertexSet3d>();
  m_Document->m_SceneGraph.Add(set.release());
  AddBox();
  m_View->DoCommand(ID_METAFILE_FACE_MODE);
  EXPECT_FALSE(HasFile());
  EXPECT_EQ(static_cast<int>(m_Clipboard->m_Metafiles.size()), 0);
}

TEST_F(CMetafileCommandsTest, ARefusedClipboardIsReportedAndTheFileStays)
{
  AddBox();
  m_Clipboard->m_Refuse = true;
  m_View->DoCommand(ID_METAFILE_GENERATE);
  EXPECT_TRUE(HasFile());
  ASSERT_EQ(m_Messages.size(), 1u);
  EXPECT_EQ(m_Messages[0], "Unable to open the clipboard");
}

// The view turns while the dialog is open: the mode buttons flag the faces seen from where the
// view looks now.
TEST_F(CMetafileCommandsTest, DialogFlagsFacesFromTheViewsCurrentCamera)
{
  CMesh3d* box = AddBox();
  std::vector<int> facingViewer;
  for (int i = 0; i < box->NbFace(); i++)
    if (box->GetFace(i)->GetNormal()->z() > 0.9f)
      facingViewer.push_back(i);
  ASSERT_EQ(facingViewer.size(), 2u);
  std::vector<std::vector<int>> flags;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    for (const float angle : {0.0f, 180.0f}) {
      m_View->m_yRotation = angle;
      shown.GetWindow()->findChild<QRadioButton*>("1069")->click(); // Back facing
      flags.push_back({});
      for (int i : facingViewer)
        flags.back().push_back(box->GetFace(i)->GetFlag());
    }
    return platform::IDCANCEL;
  });
  m_View->DoCommand(ID_METAFILE_PARAMETERS);
  EXPECT_EQ(flags, (std::vector<std::vector<int>>{{0, 0}, {-1, -1}}));
}

TEST_F(CMetafileCommandsTest, TheFormsMetafileButtonExportsTheObjectTheSliderNames)
{
  AddBox();
  CMesh3d* second = Add(fixtures::Octahedron());
  Click(IDC_LOD_INIT);
  Slider(IDC_LOD)->setValue(1);
  Click(IDC_LOD_METAFILE);
  CEmfReader edges = Written();
  EXPECT_TRUE(edges.IsValid());
  EXPECT_EQ(edges.Count(CEmfReader::EMR_LINETO), 12); // the octahedron's edges
  int flagged = 0;
  for (int i = 0; i < second->NbFace(); i++)
    flagged += second->GetFace(i)->GetFlag() == 1 ? 1 : 0;
  EXPECT_GT(flagged, 0);
}

// The dialog opened from its menu entry: "Run" at once gives black edges in pixels, and runs
// again and again with the dialog open.
TEST_F(CMetafileCommandsTest, DialogRunsEdgesThenTheChosenModes)
{
  CMesh3d* box = AddBox();
  m_View->m_xRotation = 25.0f;
  m_View->m_yRotation = 35.0f;
  std::vector<CEmfReader> runs;
  std::string title, run, close;
  int round = 0;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    QDialog* window = shown.GetWindow();
    if (round > 0)
      runs.push_back(Written());
    switch (round++) {
    case 0:
      title = window->windowTitle().toStdString();
      run = window->findChild<QPushButton*>("IDOK")->text().toStdString();
      close = window->findChild<QPushButton*>("IDCANCEL")->text().toStdString();
      return platform::IDOK;
    case 1:
      window->findChild<QRadioButton*>("1066")->click(); // Faces
      return platform::IDOK;
    case 2:
      window->findChild<QRadioButton*>("1069")->click(); // Back facing
      return platform::IDOK;
    default:
      return platform::IDCANCEL;
    }
  });
  m_View->DoCommand(ID_METAFILE_PARAMETERS);
  EXPECT_EQ(title, "Windows Enhanced Metafile");
  EXPECT_EQ(run, "Run");
  EXPECT_EQ(close, "Close");
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_TRUE(runs[0].IsValid());
  EXPECT_EQ(runs[0].MapMode(), 1u);
  EXPECT_EQ(runs[0].Count(CEmfReader::EMR_LINETO), kBoxEdges);
  EXPECT_EQ(runs[0].Colors(CEmfReader::EMR_CREATEPEN), std::vector<std::uint32_t>{0});
  // Back-facing faces are left out, the others filled white.
  int back = 0;
  for (int i = 0; i < box->NbFace(); i++)
    back += box->GetFace(i)->GetFlag() == -1 ? 1 : 0;
  EXPECT_GT(back, 0);
  EXPECT_EQ(runs[1].Count(CEmfReader::EMR_POLYGON), kBoxFaces - back);
  EXPECT_EQ(runs[1].Records().size(), runs[2].Records().size());
  const std::vector<std::uint32_t> brushes = runs[1].Colors(CEmfReader::EMR_CREATEBRUSHINDIRECT);
  EXPECT_EQ(brushes, runs[2].Colors(CEmfReader::EMR_CREATEBRUSHINDIRECT));
  EXPECT_NE(std::find(brushes.begin(), brushes.end(), 0xFFFFFFu), brushes.end());
  EXPECT_EQ(runs[1].Colors(CEmfReader::EMR_CREATEPEN), std::vector<std::uint32_t>{0});
}

TEST_F(CMetafileCommandsTest, DialogOnAnEmptySceneSaysSoAndWritesNothing)
{
  int rounds = 0;
  CDialogAnswer answer([&](platform::CDialog&) { return rounds++ == 0 ? platform::IDOK : platform::IDCANCEL; });
  m_View->DoCommand(ID_METAFILE_PARAMETERS);
  EXPECT_FALSE(HasFile());
  EXPECT_EQ(m_Messages, (std::vector<std::string>{"The first object of the scene is not a mesh",
                                                  "The first object of the scene is not a mesh"}));
}

TEST_F(CMetafileCommandsTest, DialogSilhouetteUsesTheChosenFrontSilhouetteColour)
{
  AddBox();
  m_View->m_xRotation = 25.0f;
  m_View->m_yRotation = 35.0f;
  std::vector<std::uint32_t> brushes;
  std::vector<platform::COLORREF> initial;
  int round = 0;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& dialog = static_cast<CDlgMetafile&>(shown);
    if (round++ > 0) {
      brushes = Written().Colors(CEmfReader::EMR_CREATEBRUSHINDIRECT);
      return platform::IDCANCEL;
    }
    m_ColorAnswer = platform::RGB(1, 2, 3);
    dialog.OnSwatch(CDlgMetafile::IDC_COLOR_FRONT_SILHOUETTE);
    m_ColorAnswer.reset();
    dialog.OnSwatch(CDlgMetafile::IDC_COLOR_LINE); // cancelled: stays black
    shown.GetWindow()->findChild<QRadioButton*>("1067")->click(); // Silhouette
    return platform::IDOK;
  });
  m_View->DoCommand(ID_METAFILE_PARAMETERS);
  // The front silhouette has a colour from the start: the dialog opens with it.
  ASSERT_EQ(m_Initial.size(), 2u);
  EXPECT_EQ(m_Initial[0], platform::RGB(0, 0, 0));
  EXPECT_EQ(m_Initial[1], platform::RGB(0, 0, 0));
  EXPECT_NE(std::find(brushes.begin(), brushes.end(), platform::RGB(1, 2, 3)), brushes.end());
}

TEST_F(CMetafileCommandsTest, TheRampSwatchCyclesThroughFiveRampsAcrossOpenings)
{
  CDlgMetafile::s_RampCounter = 0;
  const auto reds = [](const CColorRamp& ramp) {
    std::vector<int> values;
    for (int k = 0; k < 256; k += 51)
      values.push_back(ramp.Red(k) * 65536 + ramp.Green(k) * 256 + ramp.Blue(k));
    return values;
  };
  CColorRamp grey, blueWhite, rainbow;
  grey.BuildGrey();
  blueWhite.BuildBlueWhite();
  rainbow.BuildRainbow();
  std::vector<std::vector<int>> seen;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& dialog = static_cast<CDlgMetafile&>(shown);
    seen.push_back(reds(dialog.m_Settings.m_Ramp));
    const int clicks = seen.size() == 1 ? 6 : 1;
    for (int click = 0; click < clicks; click++) {
      dialog.OnSwatch(CDlgMetafile::IDC_COLOR_RAMP);
      seen.push_back(reds(dialog.m_Settings.m_Ramp));
    }
    return platform::IDCANCEL;
  });
  m_View->DoCommand(ID_METAFILE_PARAMETERS);
  m_View->DoCommand(ID_METAFILE_PARAMETERS);
  ASSERT_EQ(seen.size(), 9u);
  EXPECT_EQ(seen[0], reds(rainbow)); // opens with the rainbow
  EXPECT_EQ(seen[1], reds(grey));
  EXPECT_EQ(seen[2], reds(blueWhite));
  EXPECT_EQ(seen[3], reds(rainbow));
  EXPECT_EQ(seen[6], reds(grey)); // the sixth click starts the cycle again
  EXPECT_EQ(seen[7], reds(rainbow)); // the next opening starts from the rainbow...
  EXPECT_EQ(seen[8], reds(blueWhite)); // ...and goes on with the shared counter
}

} // namespace
