#include "tests/app/AppFixture.h"

#include "platform/core/MessageBox.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

class CDocumentTest : public CAppFixture
{
protected:
  void SetUp() override
  {
    CAppFixture::SetUp();
    std::filesystem::create_directories(m_Folder / "sub");
  }
  CScopedFolder m_Scope{"orvane_doc"};
  const std::filesystem::path& m_Folder = m_Scope.Path();
};

} // namespace

TEST(FileKind, TheLastFourCharactersDecideInAnyCase)
{
  EXPECT_EQ(CVanthDoc::FileKindOf("/data/mesh.wrl"), CVanthDoc::FILE_VRML);
  EXPECT_EQ(CVanthDoc::FileKindOf("/data/MESH.WRL"), CVanthDoc::FILE_VRML);
  EXPECT_EQ(CVanthDoc::FileKindOf("C:\\data\\Mesh.Wrl"), CVanthDoc::FILE_VRML);
  EXPECT_EQ(CVanthDoc::FileKindOf("photo.JPG"), CVanthDoc::FILE_IMAGE);
  EXPECT_EQ(CVanthDoc::FileKindOf("photo.bmp"), CVanthDoc::FILE_IMAGE);
  EXPECT_EQ(CVanthDoc::FileKindOf("photo.dib"), CVanthDoc::FILE_IMAGE);
  EXPECT_EQ(CVanthDoc::FileKindOf("/data/cubequad"), CVanthDoc::FILE_QUAD_MESH);
  EXPECT_EQ(CVanthDoc::FileKindOf("/data/cube.QUAD"), CVanthDoc::FILE_QUAD_MESH);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.bin"), CVanthDoc::FILE_BIN);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.smf"), CVanthDoc::FILE_SMF);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.smm"), CVanthDoc::FILE_SMM);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.ppd"), CVanthDoc::FILE_PPD);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.dem"), CVanthDoc::FILE_DEM);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.mhp"), CVanthDoc::FILE_MHP);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.OBJ"), CVanthDoc::FILE_OBJ);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.vpm"), CVanthDoc::FILE_PROGRESSIVE);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.raw"), CVanthDoc::FILE_RAW);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.wrl2"), CVanthDoc::FILE_UNKNOWN);
  EXPECT_EQ(CVanthDoc::FileKindOf("m.txt"), CVanthDoc::FILE_UNKNOWN);
  EXPECT_EQ(CVanthDoc::FileKindOf("rl"), CVanthDoc::FILE_UNKNOWN);
  EXPECT_EQ(CVanthDoc::FileKindOf(""), CVanthDoc::FILE_UNKNOWN);
}

TEST(FileKind, ProgressiveStreamsOpenRawFilesDoNot)
{
  EXPECT_TRUE(CVanthDoc::IsOpenable(CVanthDoc::FILE_VRML));
  EXPECT_TRUE(CVanthDoc::IsOpenable(CVanthDoc::FILE_QUAD_MESH));
  EXPECT_TRUE(CVanthDoc::IsOpenable(CVanthDoc::FILE_PROGRESSIVE));
  EXPECT_FALSE(CVanthDoc::IsOpenable(CVanthDoc::FILE_RAW));
  EXPECT_FALSE(CVanthDoc::IsOpenable(CVanthDoc::FILE_UNKNOWN));
}

TEST(Defaults, TheOverlayOptionsStartOff)
{
  const CVanthDoc document;
  EXPECT_EQ(document.m_HighlightVertex, 0);
  EXPECT_EQ(document.m_HighlightFace, 0);
  EXPECT_EQ(document.m_HighlightCollapse, 0);
  EXPECT_EQ(document.m_WireframeOverlay, 0);
  EXPECT_FLOAT_EQ(document.m_SphereRadius, 0.2f);
  EXPECT_FLOAT_EQ(document.m_WireframeOffset, -1.0f);
  EXPECT_FLOAT_EQ(document.m_FillOffset, 0.0f);
  EXPECT_EQ(document.m_Lighting, 1);
  EXPECT_FLOAT_EQ(document.m_LineWidth, 1.0f);
  EXPECT_TRUE(document.GetFileRoot().empty());
  EXPECT_FALSE(document.IsModified());
}

TEST(Views, NoApplicationMeansNoViews)
{
  EXPECT_EQ(CVanthDoc::GetRenderView(), nullptr);
  EXPECT_EQ(CVanthDoc::GetCommandView(), nullptr);
}

TEST_F(CDocumentTest, OpeningFollowsTheFilesFolderWithEitherSeparator)
{
  CVanthDoc document;
  const std::string path = (m_Folder / "sub").string() + "\\mesh.wrl";
  document.OnOpenDocument(path);
  EXPECT_EQ(std::filesystem::current_path(), m_Folder / "sub");
  EXPECT_EQ(document.GetFileRoot(), (m_Folder / "sub").string() + "\\mesh");

  document.OnOpenDocument((m_Folder / "other.smf").string());
  EXPECT_EQ(std::filesystem::current_path(), m_Folder);
  EXPECT_EQ(document.GetFileRoot(), (m_Folder / "other").string());

  // A folder that does not exist leaves the current directory alone.
  document.OnOpenDocument((m_Folder / "gone" / "x.wrl").string());
  EXPECT_EQ(std::filesystem::current_path(), m_Folder);
}

TEST_F(CDocumentTest, AFileThatDoesNotOpenLeavesNoWindow)
{
  std::ofstream(m_Folder / "bad.wrl") << "not a VRML file\n";
  EXPECT_EQ(m_App->OpenDocumentFile((m_Folder / "bad.wrl").string()), nullptr);
  EXPECT_EQ(m_App->OpenDocumentFile((m_Folder / "notes.txt").string()), nullptr);
  FlushDeletes();
  EXPECT_EQ(ChildCount(), 0);
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
  EXPECT_FALSE(Frame()->IsDocumentMenuShown());
  EXPECT_EQ(m_App->GetRecentFileList()->GetSize(), 0);
  EXPECT_EQ(m_Messages, (std::vector<std::string>{"no mesh found in " + (m_Folder / "bad.wrl").string(),
                                                  "no mesh found in " + (m_Folder / "notes.txt").string()}));
}

TEST_F(CDocumentTest, AnsweringNoToTheSaveQuestionWritesNothing)
{
  CVanthDoc* document = NewDocument();
  ASSERT_NE(document, nullptr);
  const std::filesystem::path target = m_Folder / "saved.wrl";
  m_FileAnswer = target.string();
  m_Answer = platform::IDNO;
  EXPECT_TRUE(Frame()->DoCommand(platform::ID_FILE_SAVE)); // a new document asks for a name
  ASSERT_EQ(m_Requests.size(), 1u);
  EXPECT_FALSE(m_Requests[0].Open);
  EXPECT_TRUE(m_Requests[0].Filter.empty());
  ASSERT_EQ(m_Messages.size(), 1u);
  EXPECT_EQ(m_Messages[0], "Save moodifications ?");
  EXPECT_EQ(m_Styles[0] & platform::MB_TYPEMASK, platform::MB_YESNO);
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_TRUE(document->GetPathName().empty());
  EXPECT_EQ(document->GetTitle(), "Untitled");
}

TEST_F(CDocumentTest, SaveAsCancelledAsksNothing)
{
  ASSERT_NE(NewDocument(), nullptr);
  m_FileAnswer = std::nullopt;
  EXPECT_TRUE(Frame()->DoCommand(platform::ID_FILE_SAVE_AS));
  EXPECT_EQ(m_Requests.size(), 1u);
  EXPECT_TRUE(m_Messages.empty());
}

TEST_F(CDocumentTest, SavingUnderAnExtensionWithoutWriterFailsAndSaysSo)
{
  CVanthDoc* document = NewDocument();
  ASSERT_NE(document, nullptr);
  m_Answer = platform::IDYES;
  const std::filesystem::path target = m_Folder / "notes.txt";
  EXPECT_FALSE(document->OnSaveDocument(target.string()));
  ASSERT_EQ(m_Messages.size(), 2u);
  EXPECT_EQ(m_Messages[0], "Save moodifications ?");
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(document->GetTitle(), "Untitled");
}

TEST_F(CDocumentTest, TheViewsAreThoseOfTheActiveChildFrame)
{
  EXPECT_EQ(CVanthDoc::GetRenderView(), nullptr);
  EXPECT_EQ(CVanthDoc::GetCommandView(), nullptr);
  ASSERT_NE(NewDocument(), nullptr);
  CChildFrame* first = ActiveChild();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(CVanthDoc::GetRenderView(), first->GetPane(0, 1));
  EXPECT_EQ(CVanthDoc::GetCommandView(), first->GetPane(0, 0));
  ASSERT_NE(NewDocument(), nullptr);
  CChildFrame* second = ActiveChild();
  ASSERT_NE(second, first);
  EXPECT_EQ(CVanthDoc::GetRenderView(), second->GetPane(0, 1));
}
