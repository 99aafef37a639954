#include "SceneFileTestSupport.h"

#include "scene/ParserVrml.h"
#include "support/MessageCapture.h"


using namespace scene_test;

namespace {

// The text with its first occurrence of `from` replaced; the test fails when there is none.
std::string Replace(std::string text, const std::string& from, const std::string& to)
{
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// One textured square as a modeller that writes every field would export it: comments, a full
// material, a scale orientation and lists on single lines. TEX stands for the texture's path.
const std::string FullStyle = R"(#VRML V2.0 utf8 exported by a modeller

# two triangles
DEF Box01 Transform {
  translation 10 0 -5
  rotation 0 1 0 1.5708
  scale 2 3 4
  scaleOrientation 0 0 1 0.5
  children [
    Shape {
      appearance Appearance {
        material Material {
          diffuseColor 0.8 0.4 0.2
          ambientIntensity 0.25
          specularColor 0.9 0.8 0.7
          shininess 0.5
          transparency 0
        }
        texture ImageTexture {
          url "TEX"
        }
      }
      geometry DEF Box01-FACES IndexedFaceSet {
        ccw TRUE
        solid FALSE
        coord DEF Box01-COORD Coordinate { point [
          0 0 0, 1 0 0, 1 1 0, 0 1 0 ]
        }
        texCoord DEF Box01-UV TextureCoordinate { point [
          0 0, 1 0, 1 1, 0 1 ]
        }
        coordIndex [
          0, 1, 2, -1, 0, 2, 3, -1 ]
        texCoordIndex [
          0, 1, 2, -1, 0, 2, 3, -1 ]
      }
    }
  ]
}
)";

// A plain part as another modeller writes it: transform fields given by the caller, a material
// with the given fields, brackets on lines of their own.
std::string Part(const std::string& name, const std::string& transform, const std::string& points,
                 const std::string& faces, const std::string& material = "")
{
  return "DEF " + name + " Transform {\n" + transform +
         "  children [\n"
         "    Shape {\n"
         "      appearance Appearance {\n"
         "        material Material {\n" +
         material +
         "        }\n"
         "      }\n"
         "      geometry IndexedFaceSet {\n"
         "        coord Coordinate { point [\n" +
         points +
         "        ]\n"
         "        }\n"
         "        coordIndex [\n" +
         faces +
         "        ]\n"
         "      }\n"
         "    }\n"
         "  ]\n"
         "}\n";
}

const std::string Points3 = "          0 0 0,\n          1 0 0,\n          0 1 0\n";
const std::string Face3 = "          0 1 2 -1\n";

class VrmlReader : public ::testing::Test
{
protected:
  // Writes the file and reads it into the scene; the result of the reader.
  int Read(const std::string& text, const std::string& name = "a.wrl")
  {
    WriteText(m_Folder.File(name), text);
    CParserVrml parser;
    return parser.Run(m_Folder.File(name).c_str(), &m_Scene);
  }

  std::string TexturedText()
  {
    CTexture image;
    image.Alloc(2, 2, 24);
    image.SaveFileBMP(m_Folder.File("tex.bmp"));
    return Replace(FullStyle, "TEX", m_Folder.File("tex.bmp"));
  }

  CTempFolder m_Folder;
  CSceneGraph3d m_Scene;
};

TEST_F(VrmlReader, ReadsEveryFieldOfAFullModellerExport)
{
  ASSERT_EQ(Read(TexturedText()), 1);
  ASSERT_EQ(m_Scene.NbObject(), 1);
  const CMesh3d* mesh = MeshAt(m_Scene, 0);
  ASSERT_TRUE(mesh);
  EXPECT_EQ(mesh->NbVertex(), 4);
  ASSERT_EQ(mesh->NbFace(), 2);
  EXPECT_EQ(Corners(*mesh, 1), (std::array<int, 3>{0, 2, 3}));
  EXPECT_FLOAT_EQ(mesh->GetVertex(2)->y(), 1);

  const CTransform* t = mesh->GetTransform();
  EXPECT_FLOAT_EQ(t->GetTranslation()->x(), 10);
  EXPECT_FLOAT_EQ(t->GetTranslation()->z(), -5);
  EXPECT_FLOAT_EQ(t->GetRotation()->y(), 1);
  EXPECT_NEAR(t->GetRotationAngle(), 90.0, 1e-3);
  // The scale is its own line, not the scale orientation that follows it.
  EXPECT_FLOAT_EQ(t->GetScale()->x(), 2);
  EXPECT_FLOAT_EQ(t->GetScale()->y(), 3);
  EXPECT_FLOAT_EQ(t->GetScale()->z(), 4);

  const CMaterial* m = mesh->GetMaterial();
  EXPECT_FLOAT_EQ(m->GetDiffuse()[1], 0.4f);
  EXPECT_FLOAT_EQ(m->GetAmbient()[0], 0.25f);
  EXPECT_FLOAT_EQ(m->GetAmbient()[2], 0.25f);
  EXPECT_FLOAT_EQ(m->GetSpecular()[2], 0.7f);
  EXPECT_FLOAT_EQ(*m->GetShininess(), 0.5f);

  ASSERT_EQ(m_Scene.NbTexture(), 1);
  EXPECT_EQ(m_Scene.GetTexture(0)->GetWidth(), 2u);
  EXPECT_EQ(mesh->GetTextureIndex(), 0);
  ASSERT_EQ(mesh->NbTextureCoordinate(), 4);
  EXPECT_EQ(mesh->GetTextureCoordinates()[5], 1.0f);
  ASSERT_EQ(mesh->NbTextureIndex(), 6);
  EXPECT_EQ(mesh->GetTextureIndices()[5], 3);
}

TEST_F(VrmlReader, AcceptsWindowsLineEnds)
{
  std::string text;
  for (const char c : TexturedText())
    text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ASSERT_EQ(Read(text), 1);
  ASSERT_EQ(m_Scene.NbObject(), 1);
  const CMesh3d* mesh = MeshAt(m_Scene, 0);
  EXPECT_EQ(mesh->NbFace(), 2);
  EXPECT_FLOAT_EQ(mesh->GetTransform()->GetScale()->z(), 4);
  EXPECT_FLOAT_EQ(*mesh->GetMaterial()->GetShininess(), 0.5f);
  EXPECT_EQ(mesh->NbTextureIndex(), 6);
}

TEST_F(VrmlReader, ReadsSeveralPlainPartsWithDefaultMaterials)
{
  const std::string text = "#VRML V2.0 utf8\n" + Part("Part1", "", Points3, Face3) +
                           Part("Part2", "  translation 0 0 1\n", Points3,
                                "          0 2 1 -1\n          2 1 0 -1\n");
  ASSERT_EQ(Read(text), 1);
  ASSERT_EQ(m_Scene.NbObject(), 2);
  const CMaterial defaults;
  EXPECT_EQ(MeshAt(m_Scene, 0)->GetMaterial()->GetDiffuse()[2], defaults.GetDiffuse()[2]);
  EXPECT_EQ(MeshAt(m_Scene, 0)->NbFace(), 1);
  EXPECT_EQ(MeshAt(m_Scene, 1)->NbFace(), 2);
  EXPECT_EQ(Corners(*MeshAt(m_Scene, 1), 0), (std::array<int, 3>{0, 2, 1}));
  EXPECT_FLOAT_EQ(MeshAt(m_Scene, 1)->GetTransform()->GetTranslation()->z(), 1);
  EXPECT_FLOAT_EQ(MeshAt(m_Scene, 0)->GetTransform()->GetTranslation()->z(), 0);
}

TEST_F(VrmlReader, KeepsWhatTheSceneHeldAndSharesTexturesByName)
{
  m_Scene.Add(Grid(1).release());
  const std::string one = TexturedText();
  const std::string body = one.substr(one.find("DEF Box01"));
  ASSERT_EQ(Read(one + body), 1);
  ASSERT_EQ(m_Scene.NbObject(), 3);
  EXPECT_EQ(m_Scene.NbTexture(), 1);
  EXPECT_EQ(MeshAt(m_Scene, 1)->GetTextureIndex(), 0);
  EXPECT_EQ(MeshAt(m_Scene, 2)->GetTextureIndex(), 0);
}

TEST_F(VrmlReader, RecognisesTransformFieldsOnlyInTheirOrder)
{
  const std::string transform = "  rotation 1 0 0 3.1415925\n  translation 5 5 5\n";
  ASSERT_EQ(Read("#VRML V2.0 utf8\n" + Part("P", transform, Points3, Face3)), 1);
  ASSERT_EQ(m_Scene.NbObject(), 1);
  const CTransform* t = MeshAt(m_Scene, 0)->GetTransform();
  EXPECT_FLOAT_EQ(t->GetRotationAngle(), 180.0f);
  EXPECT_FLOAT_EQ(t->GetTranslation()->x(), 0);  // after the rotation: not recognised
}

TEST_F(VrmlReader, AScaleOrientationAloneLeavesTheScaleAlone)
{
  ASSERT_EQ(Read("#VRML V2.0 utf8\n" + Part("P", "  scaleOrientation 0 0 1 0.5\n", Points3, Face3)), 1);
  const CVector3d* scale = MeshAt(m_Scene, 0)->GetTransform()->GetScale();
  EXPECT_FLOAT_EQ(scale->x(), 1);
  EXPECT_FLOAT_EQ(scale->y(), 1);
  EXPECT_FLOAT_EQ(scale->z(), 1);
}

TEST_F(VrmlReader, MaterialFieldsAreNotTakenFromTheNextObject)
{
  const std::string text = "#VRML V2.0 utf8\n" +
                           Part("A", "", Points3, Face3, "          diffuseColor 1 0 0\n") +
                           Part("B", "", Points3, Face3, "          ambientIntensity 0.9\n");
  ASSERT_EQ(Read(text), 1);
  ASSERT_EQ(m_Scene.NbObject(), 2);
  const CMaterial defaults;
  EXPECT_EQ(MeshAt(m_Scene, 0)->GetMaterial()->GetDiffuse()[0], 1.0f);
  EXPECT_EQ(MeshAt(m_Scene, 0)->GetMaterial()->GetAmbient()[0], defaults.GetAmbient()[0]);
  EXPECT_FLOAT_EQ(MeshAt(m_Scene, 1)->GetMaterial()->GetAmbient()[0], 0.9f);
}

TEST_F(VrmlReader, FindsObjectsOnlyAtUnindentedDefLines)
{
  const std::string noDef =
      "#VRML V2.0 utf8\nTransform {\n  children [\n    Shape {\n      appearance Appearance {\n"
      "        material Material {\n        }\n      }\n      geometry IndexedFaceSet {\n"
      "        coord Coordinate { point [\n" + Points3 + "        ]\n        }\n"
      "        coordIndex [\n" + Face3 + "        ]\n      }\n    }\n  ]\n}\n";
  EXPECT_EQ(Read(noDef + noDef), 1);
  EXPECT_EQ(m_Scene.NbObject(), 0);
  EXPECT_EQ(Read("#VRML V2.0 utf8\n " + Part("P", "", Points3, Face3)), 1);
  EXPECT_EQ(m_Scene.NbObject(), 0);
}

TEST_F(VrmlReader, RefusesFilesThatAreNotVrml2)
{
  const std::string part = Part("P", "", Points3, Face3);
  EXPECT_EQ(Read("#VRML V1.0 ascii\n" + part), 0);
  EXPECT_EQ(Read("\n#VRML V2.0 utf8\n" + part), 0);
  EXPECT_EQ(Read(""), 0);
  CParserVrml parser;
  EXPECT_EQ(parser.Run(m_Folder.File("missing.wrl").c_str(), &m_Scene), 0);
  EXPECT_EQ(m_Scene.NbObject(), 0);
  EXPECT_EQ(Read("#VRML V2.0 utf8 with any text after it\n" + part), 1);
  EXPECT_EQ(m_Scene.NbObject(), 1);
}

TEST_F(VrmlReader, SkipsIndexGroupsThatEndEarly)
{
  ASSERT_EQ(Read("#VRML V2.0 utf8\n" + Part("P", "", Points3, "0, 1, 2, -1,\n 0, 2, -1, -1,\n 2, 1, 0, -1\n")), 1);
  ASSERT_EQ(m_Scene.NbObject(), 1);
  EXPECT_EQ(MeshAt(m_Scene, 0)->NbFace(), 2);
  EXPECT_EQ(Corners(*MeshAt(m_Scene, 0), 1), (std::array<int, 3>{2, 1, 0}));
}

TEST_F(VrmlReader, AnIndexBelowMinusOneFailsTheReadWithItsReason)
{
  m_Scene.Add(Grid(1).release());
  const struct { const char* faces; const char* reason; } cases[] = {
    {"0, 1, 2, -1,\n 0, 2, -2, -1\n", "coordIndex holds the index -2"},
    {"-3, 1, 2, -1\n", "coordIndex holds the index -3"},
    {"0, 1, 2, -2\n", "coordIndex holds the index -2"},  // in the terminator's place
  };
  for (const auto& c : cases) {
    WriteText(m_Folder.File("low.wrl"), "#VRML V2.0 utf8\n" + Part("P", "", Points3, c.faces));
    CParserVrml parser;
    EXPECT_EQ(parser.Run(m_Folder.File("low.wrl").c_str(), &m_Scene), 0) << c.faces;
    EXPECT_EQ(parser.GetError(), c.reason) << c.faces;
    EXPECT_EQ(m_Scene.NbObject(), 1) << c.faces;
  }
  const std::string uv = Replace(TexturedText(), "texCoordIndex [\n          0, 1, 2, -1, 0, 2, 3, -1 ]",
                                 "texCoordIndex [\n          0, 1, 2, -1, 0, -7, 3, -1 ]");
  WriteText(m_Folder.File("uv.wrl"), uv);
  CParserVrml parser;
  EXPECT_EQ(parser.Run(m_Folder.File("uv.wrl").c_str(), &m_Scene), 0);
  EXPECT_EQ(parser.GetError(), "texCoordIndex holds the index -7");
  EXPECT_EQ(m_Scene.NbObject(), 1);
  EXPECT_EQ(m_Scene.NbTexture(), 0);
  // A sound file read by the same parser afterwards has no reason left over.
  WriteText(m_Folder.File("good.wrl"), "#VRML V2.0 utf8\n" + Part("P", "", Points3, Face3));
  EXPECT_EQ(parser.Run(m_Folder.File("good.wrl").c_str(), &m_Scene), 1);
  EXPECT_EQ(parser.GetError(), "");
}

TEST_F(VrmlReader, SkipsATexturedObjectWithFewerTextureIndicesThanFaces)
{
  const std::string text = Replace(TexturedText(), "texCoordIndex [\n          0, 1, 2, -1, 0, 2, 3, -1 ]",
                                   "texCoordIndex [\n          0, 1, 2, -1 ]");
  ASSERT_EQ(Read(text), 1);
  EXPECT_EQ(m_Scene.NbObject(), 0);
}

TEST_F(VrmlReader, KeepsTextureIndicesInStepWhenAFaceIsSkipped)
{
  const std::string text = Replace(TexturedText(), "  coordIndex [\n          0, 1, 2, -1,",
                                   "  coordIndex [\n          0, -1, 2, -1,");
  ASSERT_EQ(Read(text), 1);
  const CMesh3d* mesh = MeshAt(m_Scene, 0);
  ASSERT_EQ(mesh->NbFace(), 1);
  ASSERT_EQ(mesh->NbTextureIndex(), 3);
  EXPECT_EQ(mesh->GetTextureIndices()[0], 0);
  EXPECT_EQ(mesh->GetTextureIndices()[2], 3);  // the second group's, not the first's
}

TEST_F(VrmlReader, TakesATextureCoordinateListBeforeThePointsForThePoints)
{
  std::string text = "#VRML V2.0 utf8\n" + Part("P", "", "", "0, 1, 1, -1\n");
  text = Replace(text, "coord Coordinate { point [\n        ]",
                            "texCoord TextureCoordinate { point [\n          0 0, 1 0, 1 1 ]\n"
                            "        }\n        coord Coordinate { point [\n          5 5 5 ]");
  ASSERT_EQ(Read(text), 1);
  ASSERT_EQ(m_Scene.NbObject(), 1);
  const CMesh3d* mesh = MeshAt(m_Scene, 0);
  ASSERT_EQ(mesh->NbVertex(), 2);  // (0, 0, 1) and (0, 1, 1)
  EXPECT_FLOAT_EQ(mesh->GetVertex(0)->z(), 1);
  EXPECT_FLOAT_EQ(mesh->GetVertex(1)->y(), 1);
}

TEST_F(VrmlReader, SkipsMeshesOfPolygonsOtherThanTriangles)
{
  const std::string quads = "#VRML V2.0 utf8\n" +
                            Part("Q", "", Points3 + "          1 1 0\n", "0, 1, 3, 2, -1,\n") +
                            Part("T", "", Points3, Face3);
  ASSERT_EQ(Read(quads), 1);
  ASSERT_EQ(m_Scene.NbObject(), 1);
  EXPECT_EQ(MeshAt(m_Scene, 0)->NbVertex(), 3);
}

TEST_F(VrmlReader, ReadsPointsListedOnOneVeryLongLine)
{
  std::string points = "          ";
  std::string faces;
  const int n = 3000;
  for (int i = 0; i < n; i++)
    points += std::to_string(i) + " 0.5 -1, ";
  points += "\n";
  for (int i = 0; i + 2 < n; i += 3)
    faces += std::to_string(i) + ", " + std::to_string(i + 1) + ", " + std::to_string(i + 2) + ", -1,\n";
  ASSERT_GT(points.size(), 20000u);
  ASSERT_EQ(Read("#VRML V2.0 utf8\n" + Part("Long", "", points, faces)), 1);
  ASSERT_EQ(m_Scene.NbObject(), 1);
  EXPECT_EQ(MeshAt(m_Scene, 0)->NbVertex(), n);
  EXPECT_EQ(MeshAt(m_Scene, 0)->NbFace(), n / 3);
  EXPECT_FLOAT_EQ(MeshAt(m_Scene, 0)->GetVertex(n - 1)->x(), n - 1.0f);
}

TEST_F(VrmlReader, CutsTextureNamesLongerThanTheirBuffer)
{
  CMessageCapture messages;  // the texture cannot be read: its reader says so
  const std::string name(5000, 'n');
  const std::string text = Replace(TexturedText(), m_Folder.File("tex.bmp"), name + ".bmp");
  ASSERT_EQ(Read(text), 1);
  ASSERT_EQ(m_Scene.NbTexture(), 1);
  EXPECT_EQ(m_Scene.GetTexture(0)->GetFileName(), std::string(259, 'n'));
  EXPECT_EQ(m_Scene.GetTexture(0)->IsValid(), 0);
  EXPECT_EQ(MeshAt(m_Scene, 0)->GetTextureIndex(), 0);
}

// --- hostile files -----------------------------------------------------------------------------

TEST_F(VrmlReader, AnIndexNamingNoPointFailsTheReadAndLeavesTheSceneAsItWas)
{
  m_Scene.Add(Grid(1).release());
  const std::string good = TexturedText();
  const std::string bad = "#VRML V2.0 utf8\n" + good.substr(good.find("DEF Box01")) +
                          Part("Bad", "", Points3, "0, 1, 3, -1\n");
  EXPECT_EQ(Read(bad), 0);
  EXPECT_EQ(m_Scene.NbObject(), 1);
  EXPECT_EQ(m_Scene.NbTexture(), 0);  // the first object's texture went again

  EXPECT_EQ(Read("#VRML V2.0 utf8\n" + Part("Huge", "", Points3, "0, 1, 99999999999, -1\n")), 0);
  EXPECT_EQ(Read("#VRML V2.0 utf8\n" + Part("Low", "", Points3, "0, 1, -99999999999, -1\n")), 0);
  EXPECT_EQ(m_Scene.NbObject(), 1);
}

TEST_F(VrmlReader, ATextureIndexNamingNoCoordinateFailsTheRead)
{
  const std::string text = Replace(TexturedText(), "texCoordIndex [\n          0, 1, 2, -1, 0, 2, 3, -1 ]",
                                   "texCoordIndex [\n          0, 1, 2, -1, 0, 2, 4, -1 ]");
  EXPECT_EQ(Read(text), 0);
  EXPECT_EQ(m_Scene.NbObject(), 0);
  EXPECT_EQ(m_Scene.NbTexture(), 0);
}

TEST_F(VrmlReader, TruncatedFilesNeverLeaveAPartialMesh)
{
  const std::string full = TexturedText();
  for (size_t length = 0; length < full.size(); length += 3) {
    CSceneGraph3d scene;
    WriteText(m_Folder.File("cut.wrl"), full.substr(0, length));
    CParserVrml parser;
    parser.Run(m_Folder.File("cut.wrl").c_str(), &scene);
    ASSERT_LE(scene.NbObject(), 1);
    if (scene.NbObject() == 1) {
      EXPECT_EQ(MeshAt(scene, 0)->NbFace(), 2) << "cut at " << length;
      EXPECT_EQ(MeshAt(scene, 0)->NbTextureIndex(), 6) << "cut at " << length;
    }
  }
}

TEST_F(VrmlReader, SurvivesBinaryNoiseAfterAValidHeader)
{
  std::string text = "#VRML V2.0 utf8\nDEF X Transform {\n Material\n IndexedFaceSet\n coordIndex [\n";
  std::uint32_t state = 12345;
  for (int i = 0; i < 20000; i++) {
    state = state * 1103515245u + 12345u;
    text += static_cast<char>(state >> 24);
  }
  text += "\nDEF Y Transform\n";
  Read(text);
  EXPECT_LE(m_Scene.NbObject(), 1);
}

} // namespace
