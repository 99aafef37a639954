#include "tests/app/AppFixture.h"

#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"

#include <fstream>

namespace {

// Files that hold no mesh the workbench can show: each open must say so and leave no window.
class COpenFailureTest : public CAppFixture
{
protected:
  std::string PathOf(const std::string& name) const { return (m_Scope.Path() / name).string(); }

  void Write(const std::string& name, const std::string& bytes) const
  {
    std::ofstream(PathOf(name), std::ios::binary) << bytes;
  }

  // Opens through the application as File > Open does; the messages shown while opening.
  std::vector<std::string> OpenAndCollect(const std::string& name, platform::CDocument** ppDocument)
  {
    m_Messages.clear();
    *ppDocument = m_App->OpenDocumentFile(PathOf(name));
    FlushDeletes();
    return m_Messages;
  }

  void ExpectRefused(const std::string& name, const std::string& message)
  {
    platform::CDocument* pDocument = nullptr;
    const std::vector<std::string> messages = OpenAndCollect(name, &pDocument);
    EXPECT_EQ(pDocument, nullptr) << name;
    EXPECT_EQ(messages, std::vector<std::string>{message}) << name;
    EXPECT_EQ(ChildCount(), 0) << name;
    EXPECT_EQ(m_App->GetOpenDocumentCount(), 0) << name;
  }

  CScopedFolder m_Scope{"orvane_open_failure"};
};

// A VRML 2.0 file as other modellers write it: a plain Shape, no "DEF ... Transform" around it.
const char* const kPlainShape =
  "#VRML V2.0 utf8\n"
  "Shape {\n"
  "  appearance Appearance { material Material { diffuseColor 1 0 0 } }\n"
  "  geometry IndexedFaceSet {\n"
  "    coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
  "    coordIndex [ 0, 1, 2, -1 ]\n"
  "  }\n"
  "}\n";

} // namespace

TEST_F(COpenFailureTest, AVrmlFileWithoutTransformMeshesSaysNoMeshFound)
{
  Write("shape.wrl", kPlainShape);
  ExpectRefused("shape.wrl", "no mesh found in " + PathOf("shape.wrl"));

  // The same text without its header line, and an empty file.
  Write("headless.wrl", std::string(kPlainShape).substr(16));
  ExpectRefused("headless.wrl", "no mesh found in " + PathOf("headless.wrl"));
  Write("empty.wrl", "");
  ExpectRefused("empty.wrl", "no mesh found in " + PathOf("empty.wrl"));
}

TEST_F(COpenFailureTest, UnknownAndUnreadableKindsSaySo)
{
  Write("cube.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
  ExpectRefused("cube.off", "no mesh found in " + PathOf("cube.off"));
  std::string noise;
  for (int i = 0; i < 300; i++)
    noise += char((i * 73 + 11) & 0xff);
  Write("noise.vpm", noise);
  ExpectRefused("noise.vpm",
                "Unable to decode " + PathOf("noise.vpm") + ": not a progressive stream, or damaged");
  Write("noextension", noise);
  ExpectRefused("noextension", "no mesh found in " + PathOf("noextension"));
}

TEST_F(COpenFailureTest, MeshReadersThatFailOrReadNothingSaySo)
{
  const struct { const char* name; const char* bytes; const char* message; } cases[] = {
    {"bad.smf", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n", "Unable to read "},
    {"empty.smf", "# only a comment\n", "no mesh found in "},
    {"empty.smm", "0 0\n", "no mesh found in "},
    {"bad.dem", "vertices: 5\nfaces: 1\n", "Unable to read "},
    {"empty.obj", "# nothing\n", "Unable to read "},
    {"badquad", "xx", "Unable to read "},
    {"missing.ppd", nullptr, "Unable to read "},
  };
  for (const auto& c : cases) {
    if (c.bytes)
      Write(c.name, c.bytes);
    ExpectRefused(c.name, c.message + PathOf(c.name));
  }
}

TEST_F(COpenFailureTest, SoundFilesStillOpenWithoutAMessage)
{
  CSceneGraph3d scene;
  auto* pMesh = new CMesh3d;
  pMesh->GenerateBox(1.0f, 1.0f, 1.0f);
  scene.Add(pMesh);
  ASSERT_EQ(scene.SaveFileVrml(PathOf("box.wrl").c_str()), 1);
  Write("tetra.smf", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n");
  for (const char* name : {"box.wrl", "tetra.smf"}) {
    platform::CDocument* pDocument = nullptr;
    EXPECT_TRUE(OpenAndCollect(name, &pDocument).empty()) << name;
    ASSERT_NE(pDocument, nullptr) << name;
    EXPECT_EQ(static_cast<CVanthDoc*>(pDocument)->m_SceneGraph.NbObject(), 1) << name;
  }
  EXPECT_EQ(ChildCount(), 2);
}
