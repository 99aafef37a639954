#include "SceneFileTestSupport.h"

#include "app/objects/Camera3d.h"
#include "mesh/QuadMesh3d.h"
#include "scene/ParserVrml.h"
#include "scene/StreamFile.h"
#include "support/MessageCapture.h"

#include <csignal>
#include <sys/resource.h>

using namespace scene_test;

namespace {

// Files may grow to `bytes` only while it lives: larger writes fail as on a full disk.
class CFileSizeLimit
{
public:
  explicit CFileSizeLimit(rlim_t bytes)
  {
    m_Handler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_Previous);
    rlimit limit = m_Previous;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~CFileSizeLimit()
  {
    setrlimit(RLIMIT_FSIZE, &m_Previous);
    std::signal(SIGXFSZ, m_Handler);
  }
  CFileSizeLimit(const CFileSizeLimit&) = delete;
  CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
  rlimit m_Previous{};
  void (*m_Handler)(int) = nullptr;
};

TEST(VrmlWriter, WritesTheHeaderAndOneBlockPerTriangleMeshExactly)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  auto mesh = Triangle();
  CTransform* t = mesh->GetTransform();
  t->SetTranslation(CVector3d(1, -2, 0.5f));
  t->SetRotation(CVector3d(0, 0, 1));
  t->SetRotationAngle(90.0f);
  t->SetScale(CVector3d(2, 2, 2));
  scene.Add(mesh.release());
  scene.Add(new CCamera3d);  // not a triangle mesh: skipped
  ASSERT_EQ(scene.SaveFileVrml(folder.File("a.wrl").c_str()), 1);

  const std::string expected =
      "#VRML V2.0 utf8\n"
      "\n"
      "# Mesh : 3 vertices, 1 faces\n"
      "DEF Mesh-ROOT Transform {\n"
      "  translation 1 -2 0.5\n"
      "  rotation 0 0 1 1.5708\n"
      "  scale 2 2 2\n"
      "  children [\n"
      "    Shape {\n"
      "      appearance Appearance {\n"
      "        material Material {\n"
      "          diffuseColor 0 0 0\n"
      "        }\n"
      "      }\n"
      "      geometry DEF Mesh-FACES IndexedFaceSet {\n"
      "        ccw TRUE\n"
      "        solid TRUE\n"
      "        coord DEF Mesh-COORD Coordinate { point [\n"
      "          0 0 0,\n"
      "          1.5 0 -2,\n"
      "          0 1e-07 1.23457e+08]\n"
      "        }\n"
      "        coordIndex [\n"
      "          0, 1, 2, -1]\n"
      "        }\n"
      "      }\n"
      "    ]\n"
      "  }\n"
      "\n";
  EXPECT_EQ(ReadText(folder.File("a.wrl")), expected);
}

TEST(VrmlWriter, ClosesEmptyListsAndNumbersVerticesInTheirFlags)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  auto points = std::make_unique<CMesh3d>();
  points->AddVertex(new CVertex3d(1, 2, 3));
  points->AddVertex(new CVertex3d(4, 5, 6));
  points->GetVertex(0)->SetFlag(77);
  CMesh3d* pPoints = points.get();
  scene.Add(points.release());
  scene.Add(new CMesh3d);
  ASSERT_EQ(scene.SaveFileVrml(folder.File("a.wrl").c_str()), 1);
  EXPECT_EQ(pPoints->GetVertex(0)->GetFlag(), 0);
  EXPECT_EQ(pPoints->GetVertex(1)->GetFlag(), 1);

  const std::string text = ReadText(folder.File("a.wrl"));
  EXPECT_NE(text.find("          4 5 6]\n        }\n        coordIndex [\n]\n        }\n"),
            std::string::npos);
  EXPECT_NE(text.find("# Mesh : 0 vertices, 0 faces\n"), std::string::npos);
  EXPECT_NE(text.find("Coordinate { point [\n]\n        }\n        coordIndex [\n]\n"),
            std::string::npos);
}

TEST(VrmlWriter, RoundTripKeepsGeometryAndTransformButNotMaterialsColoursOrTextures)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  auto first = Grid(3);
  first->GetTransform()->SetTranslation(CVector3d(0.125f, 2, -3));
  first->GetTransform()->SetRotation(CVector3d(0.6f, 0.8f, 0));
  first->GetTransform()->SetRotationAngle(33.5f);
  first->GetTransform()->SetScale(CVector3d(1, 0.5f, 4));
  first->GetMaterial()->SetDiffuse(0.9f, 0.1f, 0.2f, 1);
  first->GetVertex(0)->SetColor(255, 0, 0);
  first->GetFace(1)->SetColor(0, 255, 0);
  first->SetTextureIndex(0);
  first->SetTextureCoordinates({0, 0, 1, 0, 1, 1});
  auto second = Grid(1, -7.75f);
  const CMesh3d* pFirst = first.get();
  const CMesh3d* pSecond = second.get();
  scene.Add(first.release());
  scene.Add(second.release());
  ASSERT_EQ(scene.SaveFileVrml(folder.File("scene.wrl").c_str()), 1);

  CSceneGraph3d read;
  CParserVrml parser;
  ASSERT_EQ(parser.Run(folder.File("scene.wrl").c_str(), &read), 1);
  ASSERT_EQ(read.NbObject(), 2);
  const CMesh3d* a = MeshAt(read, 0);
  const CMesh3d* b = MeshAt(read, 1);
  ASSERT_TRUE(a && b);
  ExpectSameGeometry(*a, *pFirst);
  ExpectSameGeometry(*b, *pSecond);

  const CTransform* t = a->GetTransform();
  EXPECT_FLOAT_EQ(t->GetTranslation()->x(), 0.125f);
  EXPECT_FLOAT_EQ(t->GetTranslation()->z(), -3);
  EXPECT_FLOAT_EQ(t->GetRotation()->y(), 0.8f);
  EXPECT_NEAR(t->GetRotationAngle(), 33.5f, 1e-3);
  EXPECT_FLOAT_EQ(t->GetScale()->y(), 0.5f);
  EXPECT_FLOAT_EQ(t->GetScale()->z(), 4);
  EXPECT_FLOAT_EQ(b->GetTransform()->GetScale()->x(), 1);

  // Only a black diffuse colour is written; the rest are the defaults.
  const CMaterial defaults;
  const CMaterial* m = a->GetMaterial();
  EXPECT_EQ(m->GetDiffuse()[0], 0.0f);
  EXPECT_EQ(m->GetDiffuse()[3], 1.0f);
  for (int k = 0; k < 4; k++) {
    EXPECT_EQ(m->GetAmbient()[k], defaults.GetAmbient()[k]);
    EXPECT_EQ(m->GetSpecular()[k], defaults.GetSpecular()[k]);
  }
  EXPECT_EQ(*m->GetShininess(), *defaults.GetShininess());
  EXPECT_EQ(a->GetTextureIndex(), -1);
  EXPECT_EQ(a->NbTextureCoordinate(), 0);
  EXPECT_EQ(read.NbTexture(), 0);
  EXPECT_EQ(*a->GetVertex(0)->GetColor(), CColor());
  EXPECT_EQ(*a->GetFace(1)->GetColor(), CColor());
}

TEST(VrmlWriter, MeshesAppendedByOtherWritersReadBack)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  CStreamFile file;
  const std::string name = folder.File("levels.wrl");
  ASSERT_EQ(scene.WriteHeaderVrml(file, name.c_str()), 1);
  auto coarse = Grid(1);
  auto fine = Grid(4);
  ASSERT_EQ(coarse->WriteVrml(file), 1);
  ASSERT_EQ(fine->WriteVrml(file), 1);
  ASSERT_EQ(file.Close(), 1);

  CParserVrml parser;
  ASSERT_EQ(parser.Run(name.c_str(), &scene), 1);
  ASSERT_EQ(scene.NbObject(), 2);
  ExpectSameGeometry(*MeshAt(scene, 0), *coarse);
  ExpectSameGeometry(*MeshAt(scene, 1), *fine);
}

TEST(VrmlWriter, NumbersDoNotFollowTheUserLocale)
{
  CTempFolder folder;
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma";
  CSceneGraph3d scene;
  scene.Add(Grid(1).release());
  const int saved1 = scene.SaveFileVrml(folder.File("a.wrl").c_str());
  CSceneGraph3d read;
  CParserVrml parser;
  const int read1 = parser.Run(folder.File("a.wrl").c_str(), &read);
  std::setlocale(LC_NUMERIC, saved.c_str());
  ASSERT_EQ(saved1, 1);
  ASSERT_EQ(read1, 1);
  const std::string text = ReadText(folder.File("a.wrl"));
  EXPECT_NE(text.find(" 0.25"), std::string::npos);
  EXPECT_EQ(text.find("0,25"), std::string::npos);
  ExpectSameGeometry(*MeshAt(read, 0), *MeshAt(scene, 0));
}

TEST(VrmlWriter, RefusesAnEmptySceneAndReportsFilesThatCannotBeWritten)
{
  CTempFolder folder;
  CMessageCapture messages;
  CSceneGraph3d scene;
  EXPECT_EQ(scene.SaveFileVrml(folder.File("a.wrl").c_str()), 0);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"This scene does not contain meshes"});
  EXPECT_FALSE(std::filesystem::exists(folder.File("a.wrl")));

  messages.Clear();
  scene.Add(Grid(1).release());
  EXPECT_EQ(scene.SaveFileVrml(folder.File("missing/a.wrl").c_str()), 0);
  EXPECT_EQ(messages.Texts(),
            (std::vector<std::string>{"Unable to open file for writing", "Error during writing header"}));

  messages.Clear();
  EXPECT_EQ(scene.SaveFileVrml("/dev/full"), 0);
  EXPECT_EQ(messages.Texts(),
            (std::vector<std::string>{"Error during writing file header", "Error during writing header"}));
}

TEST(VrmlWriter, AFailureInsideAMeshBlockAnswersZero)
{
  CTempFolder folder;
  CMessageCapture messages;
  CSceneGraph3d scene;
  scene.Add(Grid(40).release());
  int result = -1;
  {
    CFileSizeLimit limit(4096);  // the header fits, the mesh does not
    result = scene.SaveFileVrml(folder.File("a.wrl").c_str());
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error during writing transform"});
}

} // namespace

// A scene of other objects holds nothing the scene files can carry: neither writer may answer
// success for a file that would hold no object of it.
TEST(VrmlWriter, ASceneWithoutTriangleMeshesIsRefused)
{
  CTempFolder folder;
  CMessageCapture messages;
  CSceneGraph3d scene;
  auto* pQuads = new CQuadMesh3d;
  pQuads->GenerateBox();
  scene.Add(pQuads);
  EXPECT_EQ(scene.SaveFileVrml(folder.File("q.wrl").c_str()), 0);
  EXPECT_EQ(scene.SaveFileBinary(folder.File("q.raw").c_str()), 0);
  EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"This scene does not contain meshes",
                                                        "This scene does not contain meshes"}));
  EXPECT_FALSE(std::filesystem::exists(folder.File("q.wrl")));
  EXPECT_FALSE(std::filesystem::exists(folder.File("q.raw")));
  // With a triangle mesh beside it, only the mesh is written and the save succeeds.
  scene.Add(Grid(2).release());
  EXPECT_EQ(scene.SaveFileVrml(folder.File("q.wrl").c_str()), 1);
  CSceneGraph3d read;
  CParserVrml parser;
  ASSERT_EQ(parser.Run(folder.File("q.wrl").c_str(), &read), 1);
  EXPECT_EQ(read.NbObject(), 1);
}
