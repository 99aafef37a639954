#include "tests/app/DialogAnswer.h"
#include "tests/app/FormViewFixture.h"

#include "app/dialogs/DlgTexture.h"

#include <QDialog>

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

} // namespace
