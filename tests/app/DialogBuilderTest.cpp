#include "DialogAnswer.h"
#include "support/MessageCapture.h"

#include "platform/ui/Dialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using platform::IDCANCEL;
using platform::IDOK;

// One field of every kind, with and without ranges.
class CDlgAllKinds : public platform::CDialog
{
public:
  CDlgAllKinds() : CDialog(999, "All kinds", "Apply")
  {
    m_Fields.Int(1, "Count", m_Count, 4)
      .InRange(1, 999)
      .Int(2, "Free", m_Free, -3)
      .Unsigned(3, "Seed", m_Seed, 7)
      .Unsigned(4, "Bounded", m_Bounded, 3)
      .InRange(2, 10)
      .Float(5, "Ratio", m_Ratio, 0.5f)
      .InRange(0.1, 0.9)
      .InGroup("Along")
      .Float(6, "Epsilon", m_Epsilon, 0.00001f)
      .Double(7, "Alpha", m_Alpha, 0.1)
      .InRange(0.01, 10000)
      .String(8, "", m_FileName, "mesh.bin")
      .Check(9, "Debug", m_Debug, 1)
      .InGroup("Along")
      .Radio(10, "Method", {"Random", "Priority queue", "Global optimization"}, m_Method, 2)
      .Combo(11, "", {"Face perimeter", "Face area", "Edge length", "Unitary", "Nothing"},
             {2, 4, 3, 1, 0}, m_Normalization, 2)
      .Int(12, "Initial", m_Initial, 120)
      .ReadOnly()
      .Check(13, "Limit", m_Limit, 0)
      .Disabled()
      .WithHelp("Not yet");
  }

  int m_Count, m_Free;
  unsigned m_Seed, m_Bounded;
  float m_Ratio, m_Epsilon;
  double m_Alpha;
  std::string m_FileName;
  int m_Debug, m_Method, m_Normalization, m_Initial, m_Limit;
};

using Edits = std::vector<std::pair<int, std::string>>;

// Types the texts into the fields, then presses OK.
platform::DialogSink Typing(Edits edits)
{
  return [edits](platform::CDialog& dialog) {
    for (const auto& [id, text] : edits)
      EXPECT_TRUE(dialog.Fields().SetText(id, text)) << id;
    return IDOK;
  };
}

// The message that a single edit draws, and the field the dialog stays on.
struct SRefusal
{
  std::string Message;
  int FailedId = 0;
};

SRefusal Refusal(int id, const std::string& text)
{
  CDlgAllKinds dialog;
  CMessageCapture messages;
  int round = 0;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    return round++ == 0 ? Typing({{id, text}})(shown) : IDCANCEL;
  });
  dialog.DoModal();
  return {messages.Last(), dialog.Fields().FailedId()};
}

TEST(DialogBuilderTest, ShowsTheDefaultsAsTheClassLibraryFormatsThem)
{
  CDlgAllKinds dialog;
  std::vector<std::string> texts;
  std::vector<int> choices;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 12})
      texts.push_back(shown.Fields().GetText(id));
    for (int id : {9, 10, 11, 13})
      choices.push_back(shown.Fields().GetChoice(id));
    return IDCANCEL;
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(texts, (std::vector<std::string>{"4", "-3", "7", "3", "0.5", "1e-05", "0.1", "mesh.bin",
                                             "120"}));
  // The combo shows the item whose code the member holds: code 2 is the first item.
  EXPECT_EQ(choices, (std::vector<int>{1, 2, 0, 0}));
}

TEST(DialogBuilderTest, OkMovesEveryValueToTheMembers)
{
  CDlgAllKinds dialog;
  CMessageCapture messages;
  CDialogAnswer answer([](platform::CDialog& shown) {
    platform::CDialogBuilder& fields = shown.Fields();
    Typing({{1, " 999 "}, {2, "+12"}, {3, "4000000000"}, {4, "10"}, {5, "0.1"}, {6, "-2.5e3"},
            {7, "10000"}, {8, "out file.bin"}})(shown);
    EXPECT_TRUE(fields.SetChoice(9, 0));
    EXPECT_TRUE(fields.SetChoice(10, 1));
    EXPECT_TRUE(fields.SetChoice(11, 3)); // "Unitary"
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(dialog.m_Count, 999);
  EXPECT_EQ(dialog.m_Free, 12);
  EXPECT_EQ(dialog.m_Seed, 4000000000u);
  EXPECT_EQ(dialog.m_Bounded, 10u);
  EXPECT_FLOAT_EQ(dialog.m_Ratio, 0.1f);
  EXPECT_FLOAT_EQ(dialog.m_Epsilon, -2500.0f);
  EXPECT_DOUBLE_EQ(dialog.m_Alpha, 10000.0);
  EXPECT_EQ(dialog.m_FileName, "out file.bin");
  EXPECT_EQ(dialog.m_Debug, 0);
  EXPECT_EQ(dialog.m_Method, 1);
  EXPECT_EQ(dialog.m_Normalization, 1);
  EXPECT_EQ(dialog.m_Initial, 120);
}

TEST(DialogBuilderTest, ComboStoresTheCodeOfEachItem)
{
  const std::vector<int> codes = {2, 4, 3, 1, 0};
  for (int item = 0; item < 5; item++) {
    CDlgAllKinds dialog;
    CDialogAnswer answer([item](platform::CDialog& shown) {
      EXPECT_TRUE(shown.Fields().SetChoice(11, item));
      return IDOK;
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_Normalization, codes[item]) << item;
  }
}

TEST(DialogBuilderTest, RefusesTextThatIsNotANumberOfTheFieldsType)
{
  EXPECT_EQ(Refusal(2, "abc").Message, "Please enter an integer.");
  EXPECT_EQ(Refusal(2, "12abc").Message, "Please enter an integer.");
  EXPECT_EQ(Refusal(2, "").Message, "Please enter an integer.");
  EXPECT_EQ(Refusal(2, "1.5").Message, "Please enter an integer.");
  EXPECT_EQ(Refusal(2, "99999999999").Message, "Please enter an integer.");
  EXPECT_EQ(Refusal(3, "-1").Message, "Please enter a positive integer.");
  EXPECT_EQ(Refusal(3, "+-1").Message, "Please enter a positive integer.");
  EXPECT_EQ(Refusal(3, "4294967296").Message, "Please enter a positive integer.");
  EXPECT_EQ(Refusal(6, "x").Message, "Please enter a number.");
  EXPECT_EQ(Refusal(6, "1,5").Message, "Please enter a number.");
  EXPECT_EQ(Refusal(6, "1e39").Message, "Please enter a number.");
  EXPECT_EQ(Refusal(7, "nan").Message, "Please enter a number.");
  EXPECT_EQ(Refusal(7, "inf").Message, "Please enter a number.");
}

TEST(DialogBuilderTest, RefusesValuesOutsideTheirRangeWithTheBounds)
{
  EXPECT_EQ(Refusal(1, "0").Message, "Please enter an integer between 1 and 999.");
  EXPECT_EQ(Refusal(1, "1000").Message, "Please enter an integer between 1 and 999.");
  EXPECT_EQ(Refusal(4, "1").Message, "Please enter an integer between 2 and 10.");
  EXPECT_EQ(Refusal(4, "-1").Message, "Please enter a positive integer.");
  EXPECT_EQ(Refusal(5, "0.95").Message, "Please enter a number between 0.1 and 0.9.");
  EXPECT_EQ(Refusal(5, "0.05").Message, "Please enter a number between 0.1 and 0.9.");
  EXPECT_EQ(Refusal(7, "0.001").Message, "Please enter a number between 0.01 and 10000.");
  // Bounds themselves are accepted.
  EXPECT_EQ(Refusal(1, "1").Message, "");
  EXPECT_EQ(Refusal(5, "0.9").FailedId, 0);
  EXPECT_EQ(Refusal(5, "0.91").FailedId, 5);
}

TEST(DialogBuilderTest, StaysOnTheFirstOffendingFieldUntilItIsMended)
{
  CDlgAllKinds dialog;
  CMessageCapture messages;
  std::vector<int> failed;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    platform::CDialogBuilder& fields = shown.Fields();
    failed.push_back(fields.FailedId());
    if (failed.size() == 1)
      return Typing({{2, "x"}, {5, "2"}, {1, "7"}})(shown);
    if (failed.size() == 2)
      return Typing({{2, "5"}})(shown);
    return Typing({{5, "0.25"}})(shown);
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(failed, (std::vector<int>{0, 2, 5}));
  EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Please enter an integer.",
                                                        "Please enter a number between 0.1 and 0.9."}));
  EXPECT_EQ(dialog.m_Free, 5);
  EXPECT_EQ(dialog.m_Count, 7);
  EXPECT_FLOAT_EQ(dialog.m_Ratio, 0.25f);
}

TEST(DialogBuilderTest, RefusedOkChangesNoMemberAndCancelKeepsThemAll)
{
  CDlgAllKinds dialog;
  CMessageCapture messages;
  int round = 0;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    if (round++ > 0)
      return IDCANCEL;
    // Valid values before and after the invalid one.
    Typing({{1, "12"}, {4, "0"}, {8, "other.bin"}})(shown);
    shown.Fields().SetChoice(10, 0);
    return IDOK;
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Please enter an integer between 2 and 10."});
  EXPECT_EQ(dialog.m_Count, 4);
  EXPECT_EQ(dialog.m_Bounded, 3u);
  EXPECT_EQ(dialog.m_FileName, "mesh.bin");
  EXPECT_EQ(dialog.m_Method, 2);
}

TEST(DialogBuilderTest, CancelAfterValidEditsKeepsTheMembers)
{
  CDlgAllKinds dialog;
  dialog.m_Count = 55; // a caller may change a member before showing the dialog
  CDialogAnswer answer([](platform::CDialog& shown) {
    Typing({{1, "12"}, {6, "3"}})(shown);
    shown.Fields().SetChoice(9, 0);
    return IDCANCEL;
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.m_Count, 55);
  EXPECT_FLOAT_EQ(dialog.m_Epsilon, 0.00001f);
  EXPECT_EQ(dialog.m_Debug, 1);
}

TEST(DialogBuilderTest, ReadOnlyAndDisabledFieldsCannotBeChanged)
{
  CDlgAllKinds dialog;
  CDialogAnswer answer([](platform::CDialog& shown) {
    platform::CDialogBuilder& fields = shown.Fields();
    EXPECT_FALSE(fields.IsEditable(12));
    EXPECT_FALSE(fields.SetText(12, "5"));
    EXPECT_EQ(fields.GetText(12), "120");
    EXPECT_TRUE(qobject_cast<QLineEdit*>(fields.Control(12))->isReadOnly());
    EXPECT_FALSE(fields.IsEditable(13));
    EXPECT_FALSE(fields.SetChoice(13, 1));
    EXPECT_EQ(fields.Control(13)->toolTip().toStdString(), "Not yet");
    EXPECT_TRUE(fields.IsEditable(1));
    // A choice out of reach changes nothing.
    EXPECT_FALSE(fields.SetChoice(10, 3));
    EXPECT_FALSE(fields.SetChoice(11, 5));
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_Initial, 120);
  EXPECT_EQ(dialog.m_Limit, 0);
  EXPECT_EQ(dialog.m_Method, 2);
  EXPECT_EQ(dialog.m_Normalization, 2);
}

TEST(DialogBuilderTest, SinkThatNeverMendsItsInputEndsAsCancel)
{
  CDlgAllKinds dialog;
  CMessageCapture messages;
  CDialogAnswer answer(Typing({{1, "0"}}));
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_FALSE(messages.Texts().empty());
  EXPECT_EQ(dialog.m_Count, 4);
}

// The window itself, driven through its buttons as a person would.
class CDialogWindowTest : public ::testing::Test
{
protected:
  // Runs the steps one after the other while the dialog is modal.
  static void WhenShown(std::vector<std::function<void(QWidget&)>> steps)
  {
    QTimer::singleShot(0, [steps = std::move(steps)]() mutable {
      QWidget* window = QApplication::activeModalWidget();
      ASSERT_NE(window, nullptr);
      for (auto& step : steps)
        step(*window);
    });
  }
  static QPushButton* Button(QWidget& window, const char* name)
  {
    return window.findChild<QPushButton*>(name);
  }
};

TEST_F(CDialogWindowTest, RefusedOkKeepsTheWindowOpenOnTheField)
{
  CDlgAllKinds dialog;
  CMessageCapture messages;
  bool stillOpen = false;
  bool focused = false;
  std::string title, okText;
  WhenShown({[&](QWidget& window) {
    title = window.windowTitle().toStdString();
    okText = Button(window, "IDOK")->text().toStdString();
    EXPECT_TRUE(Button(window, "IDOK")->isDefault());
    dialog.Fields().SetText(5, "7");
    Button(window, "IDOK")->click();
    stillOpen = window.isVisible();
    focused = window.focusWidget() == dialog.Fields().Control(5);
    dialog.Fields().SetText(5, "0.75");
    Button(window, "IDOK")->click();
  }});
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(title, "All kinds");
  EXPECT_EQ(okText, "Apply");
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(focused);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Please enter a number between 0.1 and 0.9."});
  EXPECT_FLOAT_EQ(dialog.m_Ratio, 0.75f);
  EXPECT_EQ(dialog.GetWindow(), nullptr);
}

TEST_F(CDialogWindowTest, CancelButtonLeavesTheMembers)
{
  CDlgAllKinds dialog;
  WhenShown({[&](QWidget& window) {
    dialog.Fields().SetText(1, "30");
    Button(window, "IDCANCEL")->click();
  }});
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.m_Count, 4);
}

} // namespace
