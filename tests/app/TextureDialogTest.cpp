#include "tests/app/DialogAnswer.h"
#include "tests/app/FormViewFixture.h"

#include "app/dialogs/DlgTexture.h"

#include <QDialog>
#include <QLabel>

#include <string>
#include <vector>

namespace {

using CTextureDialogTest = CFormViewFixture;

// The form's Edit... button opens the texture viewer, on an empty scene as on a scene with a
// mesh first.
TEST_F(CTextureDialogTest, TheFormsEditButtonOpensTheTextureViewer)
{
  std::vector<std::string> titles;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    if (shown.GetTemplateId() == 151)
      titles.push_back(shown.GetWindow()->windowTitle().toStdString());
    return platform::IDCANCEL;
  });
  Click(IDC_TEXTURE_EDIT);
  AddBox();
  Click(IDC_TEXTURE_EDIT);
  EXPECT_EQ(titles, (std::vector<std::string>{"Texture", "Texture"}));
}

// Textures > Edit on a mesh with texture coordinates: before any image is opened, the
// coordinates' triangles are drawn over the whole client area, v upwards.
TEST_F(CTextureDialogTest, EditOnAMeshDrawsItsTextureCoordinatesOverTheClientArea)
{
  auto square = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  square->SetTextureCoordinates({0, 0, 1, 0, 1, 1, 0, 1});
  square->SetTextureIndices({0, 1, 2, 0, 2, 3});
  Add(std::move(square));
  QImage picture;
  QSize client;
  bool shown = false;
  CDialogAnswer answer([&](platform::CDialog& dialog) {
    if (dialog.GetTemplateId() != 151)
      return platform::IDCANCEL;
    auto& texture = static_cast<CDlgTexture&>(dialog);
    EXPECT_FALSE(texture.GetTexture().IsValid());
    picture = texture.Picture();
    auto* view = dialog.GetWindow()->findChild<QLabel*>();
    shown = view && !view->pixmap().isNull();
    return platform::IDOK;
  });
  ASSERT_TRUE(Frame()->DoCommand(ID_TEXTURES_EDIT));
  EXPECT_TRUE(shown);
  ASSERT_FALSE(picture.isNull());
  const int w = picture.width();
  const int h = picture.height();
  EXPECT_GE(w, 256);
  EXPECT_GE(h, 256);
  auto white = [&](int x, int y) { return (picture.pixel(x, y) & 0xFFFFFF) == 0xFFFFFFu; };
  // The shared edge runs from (u, v) = (0, 0) at the bottom left to (1, 1) at the top right.
  for (int i = 1; i < 8; i++) {
    const int x = w * i / 8;
    bool onLine = false;
    for (int dy = -1; dy <= 1; dy++)
      onLine = onLine || white(x, h - x * h / w + dy);
    EXPECT_TRUE(onLine) << i;
  }
  // The left edge u = 0 is drawn (v = 0 and u = 1 fall one pixel past the picture); the
  // triangles' insides are not.
  EXPECT_TRUE(white(0, h / 3));
  EXPECT_FALSE(white(w / 4, h / 4 + h / 8));
  EXPECT_FALSE(white(3 * w / 4, 3 * h / 4));
}

TEST_F(CTextureDialogTest, WithoutAMeshOrAnImageTheViewerShowsNothing)
{
  CDlgTexture dialog(nullptr);
  EXPECT_TRUE(dialog.Picture().isNull());
  auto mesh = fixtures::Tetrahedron(); // no texture coordinates: a black client area
  CDlgTexture onMesh(mesh.get());
  const QImage picture = onMesh.Picture();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(CountNotBlack(picture), 0);
}

} // namespace
