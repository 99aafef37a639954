#include "DialogAnswer.h"
#include "mesh/MeshFixtures.h"

#include "app/dialogs/DlgProperties.h"
#include "app/dialogs/DlgRange.h"
#include "app/objects/VertexSet3d.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/DialogSpin.h"
#include "scene/SceneGraph3d.h"

#include <QDialog>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(PropertiesDialogTest, TheSpinWalksTheSceneAndDescribesEachObject)
{
  CSceneGraph3d scene;
  scene.Add(fixtures::Octahedron().release());
  scene.Add(std::make_unique<CVertexSet3d>().release());
  scene.Add(fixtures::Fan(5).release());
  CDlgProperties dialog(&scene);
  EXPECT_EQ(dialog.m_NbVertex, 6);
  EXPECT_EQ(dialog.m_NbFace, 8);
  EXPECT_EQ(dialog.m_NbObject, 3);
  std::vector<std::string> seen;
  int min = -1, max = -1;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    platform::CDialogSpin* spin = shown.Fields().Spin(1019);
    min = spin->GetMin();
    max = spin->GetMax();
    const auto describe = [&] {
      seen.push_back(shown.Fields().GetText(1018) + " " + shown.Fields().GetText(1022) + "|" +
                     shown.Fields().GetText(1016) + " " + shown.Fields().GetText(1017));
    };
    describe();
    while (spin->Click(1))
      describe();
    EXPECT_FALSE(shown.GetWindow()->findChild<QPushButton*>("IDCANCEL")->isVisible());
    return platform::IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), platform::IDOK);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"0 |6 8", "1 |0 0", "2 3D Mesh|7 5"}));
}

TEST(PropertiesDialogTest, OneObjectGivesTheRangeZeroToZero)
{
  CSceneGraph3d scene;
  scene.Add(fixtures::Tetrahedron().release());
  CDlgProperties dialog(&scene);
  std::vector<int> range;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    range = {shown.Fields().Spin(1019)->GetMin(), shown.Fields().Spin(1019)->GetMax()};
    EXPECT_FALSE(shown.Fields().Spin(1019)->Click(1));
    return platform::IDOK;
  });
  dialog.DoModal();
  EXPECT_EQ(range, (std::vector<int>{0, 0}));
}

TEST(RangeDialogTest, ShowsTheExtentAndAppliesRangeOffsetAndScale)
{
  CSceneGraph3d scene;
  scene.Add(fixtures::Octahedron().release());
  auto* mesh = static_cast<CMesh3d*>(scene.GetAt(0));
  CDlgRange dialog(&scene);
  EXPECT_FLOAT_EQ(dialog.m_Min[0], -1.0f);
  EXPECT_FLOAT_EQ(dialog.m_Max[2], 1.0f);
  CDialogAnswer answer([&](platform::CDialog& shown) {
    shown.Fields().SetText(1048, "0");
    shown.Fields().SetText(1049, "10");
    shown.GetWindow()->findChild<QPushButton*>("1057")->click();
    shown.Fields().SetText(1056, "2.5");
    shown.Fields().SetText(1054, "oops"); // no number: no offset
    shown.GetWindow()->findChild<QPushButton*>("1055")->click();
    shown.Fields().SetText(1062, "3");
    shown.Fields().SetText(1060, "1");
    shown.Fields().SetText(1061, "1");
    shown.GetWindow()->findChild<QPushButton*>("1063")->click();
    return platform::IDCANCEL;
  });
  dialog.DoModal();
  float lo = 0, hi = 0;
  mesh->GetRange(0, &lo, &hi);
  EXPECT_FLOAT_EQ(lo, 0.0f);
  EXPECT_FLOAT_EQ(hi, 10.0f);
  mesh->GetRange(1, &lo, &hi);
  EXPECT_FLOAT_EQ(lo, 1.5f);
  EXPECT_FLOAT_EQ(hi, 3.5f);
  mesh->GetRange(2, &lo, &hi);
  EXPECT_FLOAT_EQ(lo, -3.0f);
  EXPECT_FLOAT_EQ(hi, 3.0f);
}

TEST(RangeDialogTest, AnEmptySceneShowsZerosAndApplyDoesNothing)
{
  CSceneGraph3d scene;
  CDlgRange dialog(&scene);
  std::vector<std::string> texts;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    for (int id : {1048, 1049, 1053, 1054, 1062})
      texts.push_back(shown.Fields().GetText(id));
    for (const char* id : {"1057", "1055", "1063"})
      shown.GetWindow()->findChild<QPushButton*>(id)->click();
    return platform::IDOK;
  });
  EXPECT_EQ(dialog.DoModal(), platform::IDOK);
  EXPECT_EQ(texts, (std::vector<std::string>{"0", "0", "0", "0", "0"}));
  EXPECT_EQ(scene.NbObject(), 0);
}

} // namespace
