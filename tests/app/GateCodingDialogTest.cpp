#include "DialogAnswer.h"

#include "app/dialogs/DlgGateCoding.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/DialogSpin.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

using platform::IDOK;

struct SGateDialogState
{
  bool SpinFound = false;
  bool SpinEnabled = true;
  int ArrowsEnabled = 0;
  bool BestFound = false;
  bool BestEnabled = true;
  std::string OrderAfterArrowClicks;
};

SGateDialogState Inspect(platform::CDialog& shown)
{
  SGateDialogState state;
  platform::CDialogSpin* spin = shown.Fields().Spin(CDlgGateCoding::kIdOrderSpin);
  state.SpinFound = spin != nullptr;
  if (spin) {
    state.SpinEnabled = spin->isEnabled();
    // A person's clicks on the arrows of a disabled spin change nothing.
    for (QToolButton* arrow : spin->findChildren<QToolButton*>()) {
      state.ArrowsEnabled += arrow->isEnabled() ? 1 : 0;
      QTest::mouseClick(arrow, Qt::LeftButton);
    }
  }
  state.OrderAfterArrowClicks = shown.Fields().GetText(1160);
  for (QPushButton* button : shown.GetWindow()->findChildren<QPushButton*>())
    if (button->text() == "Choose best order") {
      state.BestFound = true;
      state.BestEnabled = button->isEnabled();
    }
  return state;
}

} // namespace

TEST(GateCodingDialogTest, TheOrderSpinAndTheBestOrderButtonAreDisabled)
{
  CDlgGateCoding dialog;
  SGateDialogState state;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    state = Inspect(shown);
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  ASSERT_TRUE(state.SpinFound);
  EXPECT_FALSE(state.SpinEnabled);
  EXPECT_EQ(state.ArrowsEnabled, 0);
  EXPECT_EQ(state.OrderAfterArrowClicks, "1"); // the clicks on its arrows moved nothing
  EXPECT_TRUE(state.BestFound);
  EXPECT_FALSE(state.BestEnabled);
  EXPECT_EQ(dialog.m_Order, 1);
}
