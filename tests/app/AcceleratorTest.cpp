#include "tests/app/AppFixture.h"

#include "app/resources/Accelerators.h"
#include "platform/ui/AccelTable.h"
#include "tests/mesh/MeshFixtures.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace {

const platform::CAccelTable& Table()
{
  static const platform::CAccelTable table(GetAccelerators());
  return table;
}

class CAccelerators : public CAppFixture
{
protected:
  // The open document, when there is one, is asked before the application: the recorder
  // stands in for its handler too, enabled whatever the scene holds.
  void Record(unsigned id)
  {
    m_App->GetCommandMap().On(id, [this, id] { m_Ran.push_back(id); });
    if (CVanthDoc* pDoc = ActiveDocument())
      pDoc->GetCommandMap().On(id, [this, id] { m_Ran.push_back(id); },
                               [](platform::CCmdUI& ui) { ui.Enable(); });
  }
  std::vector<unsigned> m_Ran;
};

} // namespace

TEST(AccelTable, TheFirstEntryOfADuplicatedKeyWins)
{
  EXPECT_EQ(Table().Find(Qt::Key_F, Qt::ControlModifier), unsigned(ID_HIGHLIGHT_FACE));
  EXPECT_EQ(Table().Find(Qt::Key_M, Qt::ControlModifier), unsigned(ID_DEBUG_HIGHLIGHT_COLLAPSE));
  EXPECT_EQ(Table().Find(Qt::Key_V, Qt::ControlModifier), unsigned(ID_HIGHLIGHT_VERTEX));
  EXPECT_EQ(Table().Find(Qt::Key_5, Qt::ShiftModifier), unsigned(ID_V3_SILHOUETTE_4_ITERS));
}

TEST(AccelTable, ModifiersMustMatchExactly)
{
  EXPECT_EQ(Table().Find(Qt::Key_N, Qt::NoModifier), unsigned(ID_DEBUG_NEXT_VERTEX));
  EXPECT_EQ(Table().Find(Qt::Key_N, Qt::ControlModifier), unsigned(platform::ID_FILE_NEW));
  EXPECT_EQ(Table().Find(Qt::Key_N, Qt::ControlModifier | Qt::AltModifier), 0u);
  EXPECT_EQ(Table().Find(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier),
            unsigned(ID_LOOP_ADAPTIVE_RANDOM));
  EXPECT_EQ(Table().Find(Qt::Key_R, Qt::AltModifier), unsigned(ID_PROGRESSIVE_DECODE));
  EXPECT_EQ(Table().Find(Qt::Key_Space, Qt::ControlModifier), unsigned(ID_VIEW_FULL_SCREEN));
  EXPECT_EQ(Table().Find(Qt::Key_Space, Qt::NoModifier), 0u);
}

TEST(AccelTable, ShiftedDigitsAndTheNumericPadAreTheirOwnKeys)
{
  // Shift+3 arrives as the character it types on a US keyboard.
  EXPECT_EQ(Table().Find(Qt::Key_NumberSign, Qt::ShiftModifier), unsigned(ID_V3_ALONE));
  EXPECT_EQ(Table().Find(Qt::Key_3, Qt::KeypadModifier), unsigned(ID_V3_ALONE));
  EXPECT_EQ(Table().Find(Qt::Key_3, Qt::NoModifier), 0u);
  EXPECT_EQ(Table().Find(Qt::Key_9, Qt::KeypadModifier), unsigned(ID_SPRING_ADAPTATIVE));
  EXPECT_EQ(Table().Find(Qt::Key_9, Qt::ShiftModifier), 0u);
  EXPECT_EQ(Table().Find(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier),
            unsigned(ID_MAP_OVERLAP_INCREASE));
  EXPECT_EQ(Table().Find(Qt::Key_Plus, Qt::ControlModifier), 0u);
  EXPECT_EQ(Table().Find(Qt::Key_Backtab, Qt::ShiftModifier), 0u);
}

TEST_F(CAccelerators, KeysTypedInTheWindowRunTheFirstEntrysCommand)
{
  ASSERT_NE(NewDocument(), nullptr);
  Record(ID_HIGHLIGHT_FACE);
  Record(ID_DEBUG_NEXT_FACE);
  Record(ID_SCENE_PROCESS_CAMERA);
  QWidget* view = CVanthDoc::GetRenderView();
  ASSERT_NE(view, nullptr);
  QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
  QTest::keyClick(view, Qt::Key_C);
  EXPECT_EQ(m_Ran, (std::vector<unsigned>{ID_HIGHLIGHT_FACE, ID_SCENE_PROCESS_CAMERA}));
}

TEST_F(CAccelerators, AnAcceleratorWinsOverTheChildWindowsOwnShortcuts)
{
  CVanthDoc* pDoc = NewDocument();
  ASSERT_NE(pDoc, nullptr);
  // The document handles Smooth: record it there, enabled whatever the scene holds.
  pDoc->GetCommandMap().On(
    ID_MODIFICATION_SMOOTH, [this] { m_Ran.push_back(ID_MODIFICATION_SMOOTH); },
    [](platform::CCmdUI& ui) { ui.Enable(true); });
  QWidget* view = CVanthDoc::GetRenderView();
  ASSERT_NE(view, nullptr);
  view->setFocus();
  // Ctrl+W would close the child window otherwise.
  QTest::keyClick(view, Qt::Key_W, Qt::ControlModifier);
  FlushDeletes();
  EXPECT_EQ(m_Ran, (std::vector<unsigned>{ID_MODIFICATION_SMOOTH}));
  EXPECT_EQ(ChildCount(), 1);
}

TEST_F(CAccelerators, KeysTypedIntoATextFieldStayThere)
{
  Record(ID_SCENE_PROCESS_CAMERA);
  Record(ID_DEBUG_NEXT_VERTEX);
  auto* field = new QLineEdit(Frame());
  field->show();
  QTest::keyClicks(field, "cn");
  EXPECT_EQ(field->text(), QString("cn"));
  EXPECT_TRUE(m_Ran.empty());
}

TEST_F(CAccelerators, AGreyedCommandTakesTheKeyButDoesNotRun)
{
  // No handler: the key is taken by its entry and nothing runs.
  EXPECT_TRUE(Frame()->TranslateAccelerator(Qt::Key_L, Qt::ControlModifier));
  EXPECT_FALSE(Frame()->TranslateAccelerator(Qt::Key_J, Qt::ControlModifier));
}
