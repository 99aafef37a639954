#include "DialogAnswer.h"
#include "support/MessageCapture.h"

#include "app/dialogs/DlgEdgeSimplification.h"
#include "app/dialogs/DlgEmbeddedCoding.h"
#include "app/dialogs/DlgGateCoding.h"
#include "app/dialogs/DlgMeshStructureCoding.h"
#include "app/dialogs/DlgProgressiveGeometry.h"
#include "app/dialogs/DlgValenceEncoding.h"
#include "app/dialogs/DlgValenceProgressiveMeshes.h"
#include "platform/core/Random.h"
#include "platform/ui/DialogSpin.h"
#include "platform/ui/FileDialog.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::IDCANCEL;
using platform::IDOK;

// Answers file dialogs with a fixed path (or a cancel) and records what they asked.
class CFileAnswer
{
public:
  explicit CFileAnswer(std::optional<std::string> answer)
  {
    m_Previous = platform::SetFileDialogSink([this, answer](const platform::SFileDialogRequest& r) {
      m_Requests.push_back(r);
      return answer;
    });
  }
  ~CFileAnswer() { platform::SetFileDialogSink(m_Previous); }
  CFileAnswer(const CFileAnswer&) = delete;
  CFileAnswer& operator=(const CFileAnswer&) = delete;

  std::vector<platform::SFileDialogRequest> m_Requests;

private:
  platform::FileDialogSink m_Previous;
};

struct SSpinCase
{
  std::string Name;
  std::function<std::unique_ptr<platform::CDialog>()> Make;
  int SpinId;
  int EditId;
  int Min;
  int Max;
  int Pos;
};

std::vector<SSpinCase> SpinCases()
{
  return {
    {"gate order", [] { return std::make_unique<CDlgGateCoding>(); }, 1161, 1160, 0, 3, 1},
    {"normal bits", [] { return std::make_unique<CDlgValenceEncoding>(); }, 1080, 1111, 4, 11, 8},
    {"parameter bits", [] { return std::make_unique<CDlgValenceEncoding>(); }, 1081, 1113, 4, 11,
     8},
    {"quantization",
     [] { return std::make_unique<CDlgValenceProgressiveMeshes>(100, std::string("m")); }, 1079,
     1159, 10, 12, 12},
  };
}

// Clicks on an arrow until it stops moving, collecting what the edit shows after each move.
std::vector<std::string> ClickToTheEnd(platform::CDialog& shown, int spinId, int editId, int delta)
{
  platform::CDialogSpin* spin = shown.Fields().Spin(spinId);
  std::vector<std::string> texts;
  while (spin->Click(delta))
    texts.push_back(shown.Fields().GetText(editId));
  return texts;
}

TEST(DialogControlsTest, EachSpinStopsAtTheEndsOfItsRangeAndWritesItsEdit)
{
  for (const SSpinCase& c : SpinCases()) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<platform::CDialog> dialog = c.Make();
    std::vector<std::string> up, down;
    int pos = -1;
    bool shownBeside = false;
    CDialogAnswer answer([&](platform::CDialog& shown) {
      platform::CDialogSpin* spin = shown.Fields().Spin(c.SpinId);
      if (!spin)
        return IDCANCEL;
      pos = spin->GetPos();
      shownBeside = spin->parentWidget() == shown.Fields().Control(c.EditId)->parentWidget();
      up = ClickToTheEnd(shown, c.SpinId, c.EditId, 1);
      down = ClickToTheEnd(shown, c.SpinId, c.EditId, -1);
      return IDOK;
    });
    ASSERT_EQ(dialog->DoModal(), IDOK);
    EXPECT_EQ(pos, c.Pos);
    EXPECT_TRUE(shownBeside);
    std::vector<std::string> expectedUp, expectedDown;
    for (int v = c.Pos + 1; v <= c.Max; v++)
      expectedUp.push_back(std::to_string(v));
    for (int v = c.Max - 1; v >= c.Min; v--)
      expectedDown.push_back(std::to_string(v));
    EXPECT_EQ(up, expectedUp);
    EXPECT_EQ(down, expectedDown);
  }
}

TEST(DialogControlsTest, ASpinStepsFromTheNumberTypedInItsEdit)
{
  CDlgValenceEncoding dialog;
  CDialogAnswer answer([](platform::CDialog& shown) {
    auto* edit = shown.Fields().Control(1113);
    shown.Fields().SetText(1113, "5");
    // What the user types reaches the spin through the edit's own signal.
    QMetaObject::invokeMethod(edit, "textEdited", Q_ARG(QString, QString("5")));
    shown.Fields().Spin(1081)->Click(1);
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_ParameterBits, 6);
  EXPECT_EQ(dialog.m_NormalBits, 8);
}

TEST(DialogControlsTest, TwelveParameterBitsTypedPastTheSpinAreRefused)
{
  CDlgValenceEncoding dialog;
  CMessageCapture messages;
  std::vector<int> failed;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    failed.push_back(shown.Fields().FailedId());
    if (failed.size() == 1)
      shown.Fields().SetText(1113, "12");
    else
      shown.Fields().SetText(1113, "11");
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(failed, (std::vector<int>{0, 1113}));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Please enter an integer between 4 and 11."});
  EXPECT_EQ(dialog.m_ParameterBits, 11);
}

// Whether each control can be used.
std::vector<bool> Enabled(platform::CDialog& shown, const std::vector<int>& ids)
{
  std::vector<bool> states;
  for (int id : ids)
    states.push_back(shown.Fields().Control(id)->isEnabled());
  return states;
}

struct SEnablingCase
{
  std::string Name;
  std::function<std::unique_ptr<platform::CDialog>()> Make;
  int CheckId;
  std::vector<int> Dependents;
  bool CheckedAtFirst;
};

std::vector<SEnablingCase> EnablingCases()
{
  const auto progressive = [] {
    return std::make_unique<CDlgValenceProgressiveMeshes>(100, std::string("m"));
  };
  return {
    {"use metric (progressive meshes)", progressive, 1100, {1169, 1162, 1102, 1170}, false},
    {"output levels", progressive, 1050, {1095}, false},
    {"use metric (progressive geometry)", [] { return std::make_unique<CDlgProgressiveGeometry>(); },
     1100, {1162}, false},
    {"combination", [] { return std::make_unique<CDlgEdgeSimplification>(nullptr); }, 1007, {1065},
     true},
  };
}

TEST(DialogControlsTest, CheckBoxesEnableTheControlsThatDependOnThem)
{
  for (const SEnablingCase& c : EnablingCases()) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<platform::CDialog> dialog = c.Make();
    std::vector<std::vector<bool>> states;
    CDialogAnswer answer([&](platform::CDialog& shown) {
      states.push_back(Enabled(shown, c.Dependents));
      shown.Fields().SetChoice(c.CheckId, c.CheckedAtFirst ? 0 : 1);
      states.push_back(Enabled(shown, c.Dependents));
      shown.Fields().SetChoice(c.CheckId, c.CheckedAtFirst ? 1 : 0);
      states.push_back(Enabled(shown, c.Dependents));
      return IDCANCEL;
    });
    dialog->DoModal();
    const std::vector<bool> on(c.Dependents.size(), true), off(c.Dependents.size(), false);
    const std::vector<bool>& first = c.CheckedAtFirst ? on : off;
    const std::vector<bool>& second = c.CheckedAtFirst ? off : on;
    EXPECT_EQ(states, (std::vector<std::vector<bool>>{first, second, first}));
  }
}

TEST(DialogControlsTest, ADisabledFieldRefusesTypingAndKeepsItsValueOnOk)
{
  CDlgValenceProgressiveMeshes dialog(100, "m");
  CDialogAnswer answer([](platform::CDialog& shown) {
    EXPECT_FALSE(shown.Fields().SetText(1169, "0.4"));
    EXPECT_FALSE(shown.Fields().SetText(1095, "other.wrl"));
    shown.Fields().SetChoice(1100, 1);
    EXPECT_TRUE(shown.Fields().SetText(1169, "0.4"));
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_UseMetric, 1);
  EXPECT_DOUBLE_EQ(dialog.m_MetricThreshold, 0.4);
  EXPECT_EQ(dialog.m_LevelsFileName, "levels.wrl");
}

TEST(DialogControlsTest, TheLabelOfADependentEditFollowsItsCheckBox)
{
  CDlgValenceProgressiveMeshes dialog(100, "m");
  std::vector<bool> labelEnabled;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    QWidget* edit = shown.Fields().Control(1170);
    QLabel* label = nullptr;
    for (QLabel* candidate : shown.GetWindow()->findChildren<QLabel*>())
      if (candidate->text() == "if < # vertices")
        label = candidate;
    if (!label || !edit)
      return IDCANCEL;
    labelEnabled.push_back(label->isEnabled());
    shown.Fields().SetChoice(1100, 1);
    labelEnabled.push_back(label->isEnabled());
    return IDCANCEL;
  });
  dialog.DoModal();
  EXPECT_EQ(labelEnabled, (std::vector<bool>{false, true}));
}

TEST(DialogControlsTest, TheStructureCodingBrowseButtonPutsTheChosenFileInItsField)
{
  CDlgMeshStructureCoding dialog;
  CFileAnswer files(std::string("/data/run/other.bin"));
  std::string shownAfter;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    shown.Fields().BrowseButton(1094)->click();
    shownAfter = shown.Fields().GetText(1094);
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  ASSERT_EQ(files.m_Requests.size(), 1u);
  EXPECT_TRUE(files.m_Requests[0].Open);
  EXPECT_EQ(files.m_Requests[0].InitialPath, "topology.bin");
  EXPECT_EQ(files.m_Requests[0].Filter, "");
  EXPECT_EQ(shownAfter, "/data/run/other.bin");
  EXPECT_EQ(dialog.m_FileName, "/data/run/other.bin");
}

TEST(DialogControlsTest, ACancelledBrowseKeepsTheFileNameAndACancelledDialogForgetsTheChoice)
{
  {
    CDlgMeshStructureCoding dialog;
    CFileAnswer files(std::nullopt);
    CDialogAnswer answer([](platform::CDialog& shown) {
      shown.Fields().BrowseButton(1094)->click();
      return IDOK;
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_FileName, "topology.bin");
  }
  CDlgMeshStructureCoding dialog;
  CFileAnswer files(std::string("/x/y.bin"));
  CDialogAnswer answer([](platform::CDialog& shown) {
    shown.Fields().BrowseButton(1094)->click();
    return IDCANCEL;
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.m_FileName, "topology.bin");
}

TEST(DialogControlsTest, TheOtherBrowseButtonsAskForNothing)
{
  const std::vector<std::function<std::unique_ptr<platform::CDialog>()>> makers = {
    [] { return std::make_unique<CDlgGateCoding>(); },
    [] { return std::make_unique<CDlgValenceEncoding>(); },
    [] { return std::make_unique<CDlgProgressiveGeometry>(); },
  };
  for (const auto& make : makers) {
    std::unique_ptr<platform::CDialog> dialog = make();
    SCOPED_TRACE(dialog->GetTitle());
    CFileAnswer files(std::string("/x/y.bin"));
    std::string before, after;
    bool hasButton = false;
    CDialogAnswer answer([&](platform::CDialog& shown) {
      QPushButton* browse = shown.Fields().BrowseButton(1094);
      hasButton = browse && browse->text() == "...";
      before = shown.Fields().GetText(1094);
      if (browse)
        browse->click();
      after = shown.Fields().GetText(1094);
      return IDCANCEL;
    });
    dialog->DoModal();
    EXPECT_TRUE(hasButton);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(files.m_Requests.empty());
  }
}

TEST(DialogControlsTest, EmbeddedCodingFillsOneValuePerColumnButTheLast)
{
  CDlgEmbeddedCoding dialog;
  EXPECT_EQ(dialog.GetTemplateId(), 167);
  EXPECT_EQ(dialog.GetTitle(), "Dialog");
  std::vector<float> random, ramp;
  platform::Srand(7);
  std::vector<int> expectedRandom;
  for (int i = 0; i < CDlgEmbeddedCoding::kFrameWidth - 1; i++)
    expectedRandom.push_back(platform::Rand());
  platform::Srand(7);
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& open = static_cast<CDlgEmbeddedCoding&>(shown);
    shown.GetWindow()->findChild<QPushButton*>("Random")->click();
    random = open.Values();
    shown.GetWindow()->findChild<QPushButton*>("Debug")->click();
    ramp = open.Values();
    return IDCANCEL;
  });
  dialog.DoModal();
  ASSERT_EQ(random.size(), static_cast<std::size_t>(CDlgEmbeddedCoding::kFrameWidth - 1));
  for (std::size_t i = 0; i < random.size(); i++)
    EXPECT_FLOAT_EQ(random[i], static_cast<float>(expectedRandom[i] / 32767.0)) << i;
  ASSERT_EQ(ramp.size(), random.size());
  EXPECT_EQ(ramp.front(), 0.0f);
  EXPECT_EQ(ramp.back(), 1.0f);
  EXPECT_FLOAT_EQ(ramp[100], 100.0f / static_cast<float>(ramp.size() - 1));
  // Closing frees the values.
  EXPECT_TRUE(dialog.Values().empty());
}

TEST(DialogControlsTest, EmbeddedCodingDrawsEachValueUpFromTheBottomEdge)
{
  CDlgEmbeddedCoding dialog;
  std::vector<CDlgEmbeddedCoding::SColumnLine> lines;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& open = static_cast<CDlgEmbeddedCoding&>(shown);
    open.OnDebug();
    lines = open.ColumnLines(10, 110, 100);
    return IDCANCEL;
  });
  dialog.DoModal();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(CDlgEmbeddedCoding::kFrameWidth - 1));
  // Value 0 is a line of one pixel, value 1 spans the height plus that pixel.
  EXPECT_EQ(lines.front().x, 10);
  EXPECT_EQ(lines.front().yBottom, 110);
  EXPECT_EQ(lines.front().yTop, 109);
  EXPECT_EQ(lines.back().x, 10 + CDlgEmbeddedCoding::kFrameWidth - 2);
  EXPECT_EQ(lines.back().yTop, 9);
  for (std::size_t i = 1; i < lines.size(); i++)
    EXPECT_LE(lines[i].yTop, lines[i - 1].yTop);
}

} // namespace
