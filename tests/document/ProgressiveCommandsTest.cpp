#include "tests/document/CommandFixture.h"

#include "app/dialogs/DlgValenceProgressiveMeshes.h"
#include "app/resources/Resource.h"
#include "platform/ui/ColorDialog.h"
#include "tests/compression/ProgressiveMeshes.h"
#include "tests/support/TempFolder.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <fstream>

namespace {

class CProgressiveCommandsTest : public CCommandFixture
{
protected:
  void SetUp() override
  {
    CCommandFixture::SetUp();
    m_InFolder.emplace(m_Folder.Path());
  }
  void TearDown() override
  {
    m_InFolder.reset();
    CCommandFixture::TearDown();
  }

  CMesh3d* SetTorus()
  {
    return SetMesh([](CMesh3d& m) { m.Copy(progressive::Torus(24, 16).get()); });
  }
  // Answers the encoding dialog with a file, a target and q bits.
  void AnswerEncoding(const std::string& file, int requested, int bits)
  {
    m_EditDialog = [=](platform::CDialog& dialog) {
      if (dialog.GetTemplateId() != 189)
        return;
      dialog.Fields().SetText(1094, file);
      dialog.Fields().SetText(1098, std::to_string(requested));
      dialog.Fields().SetText(1159, std::to_string(bits));
    };
  }
  bool HasStatus(const std::string& text) const
  {
    return std::find(m_Status.begin(), m_Status.end(), text) != m_Status.end();
  }

  CTempFolder m_Folder;
  std::optional<CCurrentFolder> m_InFolder;
};

const unsigned kMeshCommands[] = {ID_PROGRESSIVE_ENCODE_LAYER, ID_PROGRESSIVE_DECODE_LAYER,
                                  ID_PROGRESSIVE_ENCODE,       ID_COLOR_FACES_VALENCE,
                                  ID_EXPORT_SCENE_IV,          ID_VALENCE_FORECAST};

TEST_F(CProgressiveCommandsTest, MeshCommandsNeedATriangleMeshFirstDecodeNeedsNothing)
{
  m_pDoc->EmptyScene();
  for (unsigned id : kMeshCommands)
    EXPECT_FALSE(IsEnabled(id)) << id;
  EXPECT_TRUE(IsEnabled(ID_PROGRESSIVE_DECODE));
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  for (unsigned id : kMeshCommands)
    EXPECT_FALSE(IsEnabled(id)) << id;
  SetTorus();
  for (unsigned id : kMeshCommands)
    EXPECT_TRUE(IsEnabled(id)) << id;
}

TEST_F(CProgressiveCommandsTest, EncodeThenDecodeReplacesTheSceneByTheDecodedMesh)
{
  CMesh3d* pMesh = SetTorus();
  const int n0 = pMesh->NbVertex();
  const int f0 = pMesh->NbFace();
  AnswerEncoding("t.vpm", 30, 10);
  ASSERT_TRUE(Run(ID_PROGRESSIVE_ENCODE));
  EXPECT_LT(Mesh(0)->NbVertex(), n0 / 4);
  ASSERT_TRUE(std::filesystem::exists("t.vpm"));
  EXPECT_EQ(0u, LastStatus().find("speed: "));
  EXPECT_NE(std::string::npos, LastStatus().find(" faces/s"));
  char encoding[64];
  std::snprintf(encoding, sizeof encoding, "Encoding...(%d vertices)...", Mesh(0)->NbVertex());
  EXPECT_TRUE(HasStatus(encoding));

  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_pDoc->m_SceneGraph.Add(new CMesh3d);
  m_Status.clear();
  m_FileAnswer = "t.vpm";
  m_EditDialog = {};
  ASSERT_TRUE(Run(ID_PROGRESSIVE_DECODE));
  ASSERT_EQ(1, NbObject());
  ASSERT_NE(nullptr, Mesh(0));
  EXPECT_EQ(n0, Mesh(0)->NbVertex());
  EXPECT_EQ(f0, Mesh(0)->NbFace());
  EXPECT_EQ("Start decoding...", m_Status.front());
  char decoding[64];
  std::snprintf(decoding, sizeof decoding, "Decoding...%d vertices...", n0);
  EXPECT_TRUE(HasStatus(decoding));
  std::snprintf(decoding, sizeof decoding, "Decoding...done (%d vertices, %d faces)", n0, f0);
  EXPECT_EQ(decoding, LastStatus());
  EXPECT_EQ(std::vector<int>({193}), std::vector<int>(m_DialogTemplates.end() - 1, m_DialogTemplates.end()));
}

TEST_F(CProgressiveCommandsTest, AStreamThatFailsLeavesTheSceneAsItWas)
{
  CMesh3d* pMesh = SetTorus();
  WriteBytes("bad.vpm", std::vector<std::uint8_t>(64, 0x5a));
  m_FileAnswer = "bad.vpm";
  ASSERT_TRUE(Run(ID_PROGRESSIVE_DECODE));
  ASSERT_EQ(1, NbObject());
  EXPECT_EQ(pMesh, Mesh(0));
  ASSERT_FALSE(m_Messages.empty());
  EXPECT_EQ(0u, m_Messages.back().find("Unable to decode bad.vpm"));
  // Cancelling the file dialog does nothing.
  m_Messages.clear();
  m_FileAnswer.reset();
  ASSERT_TRUE(Run(ID_PROGRESSIVE_DECODE));
  EXPECT_EQ(pMesh, Mesh(0));
  EXPECT_TRUE(m_Messages.empty());
}

TEST_F(CProgressiveCommandsTest, OpeningAStreamDecodesItOrSaysWhy)
{
  SetTorus();
  const int n0 = Mesh(0)->NbVertex();
  AnswerEncoding("o.vpm", 30, 12);
  ASSERT_TRUE(Run(ID_PROGRESSIVE_ENCODE));
  m_pDoc->EmptyScene();
  ASSERT_TRUE(m_pDoc->OnOpenDocument((m_Folder.Path() / "o.vpm").string()));
  ASSERT_EQ(1, NbObject());
  EXPECT_EQ(n0, Mesh(0)->NbVertex());
  EXPECT_EQ("Decoding...done", LastStatus());

  CMesh3d* pKept = Mesh(0);
  WriteBytes("bad.vpm", {1, 2, 3});
  m_Messages.clear();
  EXPECT_FALSE(m_pDoc->OnOpenDocument((m_Folder.Path() / "bad.vpm").string()));
  EXPECT_EQ(pKept, Mesh(0));
  ASSERT_EQ(1u, m_Messages.size());
  EXPECT_NE(std::string::npos, m_Messages.back().find("bad.vpm"));
}

TEST_F(CProgressiveCommandsTest, AnInvalidTargetGetsItsBoxAndNoSpeed)
{
  CMesh3d* pMesh = SetTorus();
  AnswerEncoding("x.vpm", pMesh->NbVertex(), 10);
  ASSERT_TRUE(Run(ID_PROGRESSIVE_ENCODE));
  ASSERT_EQ(1u, m_Messages.size());
  EXPECT_EQ("invalid #vertices", m_Messages.back());
  for (const std::string& status : m_Status)
    EXPECT_EQ(std::string::npos, status.find("speed")) << status;
  EXPECT_FALSE(std::filesystem::exists("x.vpm"));
  EXPECT_EQ(384, pMesh->NbVertex());
}

TEST_F(CProgressiveCommandsTest, OneLayerThereAndBack)
{
  CMesh3d* pMesh = SetTorus();
  const int n0 = pMesh->NbVertex();
  ASSERT_TRUE(Run(ID_PROGRESSIVE_ENCODE_LAYER));
  EXPECT_EQ(187, m_DialogTemplates.back());
  EXPECT_LT(pMesh->NbVertex(), n0);
  ASSERT_TRUE(std::filesystem::exists("refine.bin"));
  float rate = 0;
  ASSERT_EQ(1, std::sscanf(LastStatus().c_str(), "%g bit/remove vertex", &rate)) << LastStatus();
  EXPECT_GT(rate, 0.0f);

  m_FileAnswer = "refine.bin";
  ASSERT_TRUE(Run(ID_PROGRESSIVE_DECODE_LAYER));
  EXPECT_EQ(n0, pMesh->NbVertex());
  EXPECT_TRUE(m_Messages.empty());
  ASSERT_FALSE(m_Requests.empty());
  EXPECT_EQ("*.bin", m_Requests.back().InitialPath);

  // The layer of another mesh does not fit: said, and the mesh stays sound.
  CMesh3d* pOther = SetMesh([](CMesh3d& m) { m.Copy(progressive::Torus(10, 8).get()); });
  ASSERT_TRUE(Run(ID_PROGRESSIVE_DECODE_LAYER));
  ASSERT_EQ(1u, m_Messages.size());
  EXPECT_EQ("Unable to decode refine.bin", m_Messages.back());
  EXPECT_EQ(0, fixtures::EulerCharacteristic(*pOther));
}

TEST_F(CProgressiveCommandsTest, InventorFilesAreWrittenForTriangleMeshesOnly)
{
  SetTorus();
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  auto* pThird = new CMesh3d;
  pThird->GenerateBox(1, 1, 1);
  m_pDoc->m_SceneGraph.Add(pThird);
  ASSERT_TRUE(Run(ID_EXPORT_SCENE_IV));
  EXPECT_TRUE(std::filesystem::exists("mesh0.iv"));
  EXPECT_FALSE(std::filesystem::exists("mesh1.iv"));
  EXPECT_TRUE(std::filesystem::exists("mesh2.iv"));
  std::ifstream in("mesh2.iv");
  std::string header;
  std::getline(in, header);
  EXPECT_EQ("#Inventor V2.1 ascii", header);
  EXPECT_TRUE(m_Messages.empty());
}

TEST_F(CProgressiveCommandsTest, ForecastAndValenceColouring)
{
  CMesh3d* pMesh = SetTorus();
  ASSERT_TRUE(Run(ID_VALENCE_FORECAST));
  EXPECT_EQ(0u, LastStatus().find("Forecasted bit rate: "));
  EXPECT_NE(std::string::npos, LastStatus().find(" b/v"));

  // Every torus vertex has valence 6: faces with three such corners take the colour.
  m_EditDialog = [](platform::CDialog& dialog) {
    dialog.Fields().SetText(1156, "3");
    dialog.Fields().SetText(1098, "6");
  };
  const platform::ColorDialogSink previous =
      platform::SetColorDialogSink([](platform::COLORREF) { return platform::RGB(10, 20, 30); });
  ASSERT_TRUE(Run(ID_COLOR_FACES_VALENCE));
  platform::SetColorDialogSink(previous);
  EXPECT_EQ(188, m_DialogTemplates.back());
  for (int i = 0; i < pMesh->NbFace(); i++) {
    const CColor* c = pMesh->GetFace(i)->GetColor();
    ASSERT_EQ(10, c->r());
    ASSERT_EQ(20, c->g());
    ASSERT_EQ(30, c->b());
  }
}

} // namespace
