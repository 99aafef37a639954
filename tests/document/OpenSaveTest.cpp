#include "tests/app/AppFixture.h"

#include "app/dialogs/DlgSampling.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "platform/ui/Dialog.h"
#include "scene/ParserVrml.h"

#include <QImage>

#include <fstream>

namespace {

// Opens files through the application, as File > Open does, in a scratch folder.
class COpenSaveTest : public CAppFixture
{
protected:
  void TearDown() override
  {
    platform::SetDialogSink({});
    CAppFixture::TearDown();
  }

  std::string PathOf(const std::string& name) const { return (m_Scope.Path() / name).string(); }

  // The document of the window that opening made, or null when none opened.
  CVanthDoc* Open(const std::string& name)
  {
    return dynamic_cast<CVanthDoc*>(m_App->OpenDocumentFile(PathOf(name)));
  }

  static void WriteText(const std::string& path, const std::string& text)
  {
    std::ofstream(path, std::ios::binary) << text;
  }

  // A scene of one box mesh written as VRML by the scene's own writer.
  void WriteBoxVrml(const std::string& name)
  {
    CSceneGraph3d scene;
    auto* pMesh = new CMesh3d;
    pMesh->GenerateBox(2.0f, 4.0f, 6.0f);
    scene.Add(pMesh);
    ASSERT_EQ(scene.SaveFileVrml(PathOf(name).c_str()), 1);
  }

  CScopedFolder m_Scope{"orvane_open"};
};

const char* const kTetrahedronSmf =
  "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
  "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";

} // namespace

TEST_F(COpenSaveTest, AVrmlFileOpensWithAdjacencyAndNormals)
{
  WriteBoxVrml("box.wrl");
  CVanthDoc* document = Open("box.wrl");
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(document->m_SceneGraph.NbObject(), 1);
  EXPECT_EQ(document->IsFirstObjectOfType(TYPE_MESH3D), 1);
  auto* pMesh = static_cast<CMesh3d*>(document->m_SceneGraph.GetAt(0));
  EXPECT_EQ(pMesh->NbVertex(), 8);
  EXPECT_EQ(pMesh->NbFace(), 12);
  // Adjacency was built: every corner of a closed box has neighbours and a unit normal.
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    EXPECT_GE(pMesh->GetVertex(i)->NbVertexNeighbor(), 3);
    EXPECT_NEAR(pMesh->GetVertex(i)->GetNormal()->GetNorm(), 1.0, 1e-5);
  }
  EXPECT_EQ(document->GetFileRoot(), PathOf("box"));
  EXPECT_EQ(std::filesystem::current_path(), m_Scope.Path());
}

TEST_F(COpenSaveTest, TheExtensionIsReadInAnyCase)
{
  WriteBoxVrml("BOX.WRL");
  CVanthDoc* document = Open("BOX.WRL");
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->IsFirstObjectOfType(TYPE_MESH3D), 1);
}

TEST_F(COpenSaveTest, TextMeshesOpenAsOneTriangleMesh)
{
  WriteText(PathOf("tetra.smf"), kTetrahedronSmf);
  CVanthDoc* document = Open("tetra.smf");
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(document->m_SceneGraph.NbObject(), 1);
  auto* pMesh = static_cast<CMesh3d*>(document->m_SceneGraph.GetAt(0));
  EXPECT_EQ(pMesh->NbVertex(), 4);
  EXPECT_EQ(pMesh->NbFace(), 4);
  EXPECT_EQ(pMesh->GetVertex(0)->NbVertexNeighbor(), 3);
}

TEST_F(COpenSaveTest, MalformedFilesOpenNoWindowAndAppendNothing)
{
  WriteText(PathOf("bad.smf"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n");
  WriteText(PathOf("bad.obj"), "v 0 0 0\nf 1 2 3\n");
  WriteText(PathOf("badquad"), "xx");
  WriteText(PathOf("bad.wrl"), "#VRML V1.0 ascii\n");
  for (const char* name : {"bad.smf", "bad.obj", "badquad", "bad.wrl", "missing.ppd"})
    EXPECT_EQ(Open(name), nullptr) << name;
  FlushDeletes();
  EXPECT_EQ(ChildCount(), 0);
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
}

TEST_F(COpenSaveTest, AQuadFileIsAppendedToTheScene)
{
  CQuadMesh3d box;
  box.GenerateBox();
  ASSERT_EQ(box.WriteBinary(PathOf("boxquad").c_str()), 1);

  CVanthDoc document;
  document.m_SceneGraph.Add(new CMesh3d);
  ASSERT_TRUE(document.OnOpenDocument(PathOf("boxquad")));
  ASSERT_EQ(document.m_SceneGraph.NbObject(), 2);
  EXPECT_EQ(document.IsFirstObjectOfType(TYPE_MESH3D), 1);
  auto* pQuad = static_cast<CQuadMesh3d*>(document.m_SceneGraph.GetAt(1));
  EXPECT_EQ(pQuad->GetType(), TYPE_QUADMESH3D);
  EXPECT_EQ(pQuad->NbQuad(), box.NbQuad());
}

TEST_F(COpenSaveTest, AnObjFileReplacesTheSceneWithAPolygonMesh)
{
  WriteText(PathOf("square.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
  CVanthDoc document;
  document.m_SceneGraph.Add(new CMesh3d);
  ASSERT_TRUE(document.OnOpenDocument(PathOf("square.obj")));
  ASSERT_EQ(document.m_SceneGraph.NbObject(), 1);
  EXPECT_EQ(document.IsFirstObjectOfType(TYPE_POLYGONMESH3D), 1);
}

TEST_F(COpenSaveTest, AnImageIsSampledIntoAHeightMapAfterTheSamplingDialog)
{
  QImage image(8, 6, QImage::Format_RGB888);
  image.fill(QColor(200, 40, 10));
  ASSERT_TRUE(image.save(QString::fromStdString(PathOf("photo.bmp"))));

  std::string title;
  platform::SetDialogSink([&](platform::CDialog& dialog) {
    title = dialog.GetTitle();
    return platform::IDOK;
  });
  CVanthDoc document;
  ASSERT_TRUE(document.OnOpenDocument(PathOf("photo.bmp")));
  EXPECT_EQ(title, "Sampling");
  ASSERT_EQ(document.m_SceneGraph.NbObject(), 1);
  auto* pMesh = static_cast<CMesh3d*>(document.m_SceneGraph.GetAt(0));
  EXPECT_EQ(pMesh->NbVertex(), 50 * 50);
  float lo = 0, hi = 0;
  pMesh->GetRange(0, &lo, &hi);
  EXPECT_FLOAT_EQ(lo, -1.0f);
  EXPECT_FLOAT_EQ(hi, 1.0f);

  // Cancel opens nothing.
  platform::SetDialogSink([](platform::CDialog&) { return platform::IDCANCEL; });
  CVanthDoc cancelled;
  EXPECT_FALSE(cancelled.OnOpenDocument(PathOf("photo.bmp")));
  EXPECT_EQ(cancelled.m_SceneGraph.NbObject(), 0);
}

TEST_F(COpenSaveTest, SavingVrmlWritesWhatTheReaderReadsBack)
{
  WriteText(PathOf("tetra.smf"), kTetrahedronSmf);
  CVanthDoc document;
  ASSERT_TRUE(document.OnOpenDocument(PathOf("tetra.smf")));
  m_Answer = platform::IDYES;
  ASSERT_TRUE(document.OnSaveDocument(PathOf("saved.wrl")));
  ASSERT_TRUE(document.OnSaveDocument(PathOf("saved.raw")));
  EXPECT_GT(std::filesystem::file_size(PathOf("saved.raw")), 0u);

  CSceneGraph3d scene;
  CParserVrml parser;
  ASSERT_EQ(parser.Run(PathOf("saved.wrl").c_str(), &scene), 1);
  ASSERT_EQ(scene.NbObject(), 1);
  EXPECT_EQ(static_cast<CMesh3d*>(scene.GetAt(0))->NbFace(), 4);
}

TEST_F(COpenSaveTest, ASaveThatCannotWriteIsAFailure)
{
  WriteText(PathOf("tetra.smf"), kTetrahedronSmf);
  CVanthDoc document;
  ASSERT_TRUE(document.OnOpenDocument(PathOf("tetra.smf")));
  m_Answer = platform::IDYES;
  EXPECT_FALSE(document.OnSaveDocument(PathOf("no/such/folder/out.wrl")));
  CVanthDoc empty;
  EXPECT_FALSE(empty.OnSaveDocument(PathOf("empty.wrl")));  // an empty scene writes nothing
}

namespace {

std::string Bytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A closed triangle mesh whose adjacency and normals were built: every face has its three
// neighbours and a unit normal, every vertex as many neighbour vertices as faces around it
// and a unit normal.
void ExpectBuiltClosedMesh(const CMesh3d* pMesh, int nbVertex, int nbFace)
{
  ASSERT_EQ(pMesh->NbVertex(), nbVertex);
  ASSERT_EQ(pMesh->NbFace(), nbFace);
  for (int i = 0; i < nbFace; i++) {
    EXPECT_EQ(pMesh->GetFace(i)->NbFaceNeighbor(), 3) << "face " << i;
    EXPECT_NEAR(pMesh->GetFace(i)->GetNormal()->GetNorm(), 1.0, 1e-5) << "face " << i;
  }
  for (int i = 0; i < nbVertex; i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    EXPECT_GE(v->NbFaceNeighbor(), 3) << "vertex " << i;
    EXPECT_EQ(v->NbVertexNeighbor(), v->NbFaceNeighbor()) << "vertex " << i;
    EXPECT_NEAR(v->GetNormal()->GetNorm(), 1.0, 1e-5) << "vertex " << i;
  }
}

// The whole scene after an open: one object of the type, nothing left of what was there.
const CObject3d* ExpectSoleObject(const CVanthDoc& document, int type)
{
  EXPECT_EQ(document.m_SceneGraph.NbObject(), 1);
  if (document.m_SceneGraph.NbObject() != 1)
    return nullptr;
  EXPECT_EQ(document.m_SceneGraph.GetAt(0)->GetType(), type);
  return document.m_SceneGraph.GetAt(0);
}

// A document whose scene already holds two objects, as after earlier commands.
void FillScene(CVanthDoc& document)
{
  auto* pQuad = new CQuadMesh3d;
  pQuad->GenerateBox();
  document.m_SceneGraph.Add(pQuad);
  auto* pMesh = new CMesh3d;
  pMesh->GenerateBox(1.0f, 1.0f, 1.0f);
  document.m_SceneGraph.Add(pMesh);
}

} // namespace

TEST_F(COpenSaveTest, ATriangleMeshFileReplacesTheWholeSceneWithABuiltMesh)
{
  WriteText(PathOf("tetra.smf"), kTetrahedronSmf);
  CVanthDoc document;
  FillScene(document);
  ASSERT_TRUE(document.OnOpenDocument(PathOf("tetra.smf")));
  const auto* pMesh = static_cast<const CMesh3d*>(ExpectSoleObject(document, TYPE_MESH3D));
  ASSERT_NE(pMesh, nullptr);
  ExpectBuiltClosedMesh(pMesh, 4, 4);
  EXPECT_EQ(document.GetFileRoot(), PathOf("tetra"));
  EXPECT_EQ(std::filesystem::current_path(), m_Scope.Path());
}

TEST_F(COpenSaveTest, AVrmlSceneOpensWithEveryMeshBuilt)
{
  WriteBoxVrml("box.wrl");
  CVanthDoc* document = Open("box.wrl");
  ASSERT_NE(document, nullptr);
  const auto* pMesh = static_cast<const CMesh3d*>(ExpectSoleObject(*document, TYPE_MESH3D));
  ASSERT_NE(pMesh, nullptr);
  ExpectBuiltClosedMesh(pMesh, 8, 12);
  float lo = 0.0f, hi = 0.0f;
  pMesh->GetRange(2, &lo, &hi);
  EXPECT_FLOAT_EQ(hi - lo, 6.0f);
}

TEST_F(COpenSaveTest, AnObjFileReplacesTheWholeSceneWithABuiltPolygonMesh)
{
  WriteText(PathOf("square.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
  CVanthDoc document;
  FillScene(document);
  ASSERT_TRUE(document.OnOpenDocument(PathOf("square.obj")));
  const auto* pPolygon =
    static_cast<const CPolygonMesh3d*>(ExpectSoleObject(document, TYPE_POLYGONMESH3D));
  ASSERT_NE(pPolygon, nullptr);
  EXPECT_EQ(pPolygon->NbVertex(), 4);
}

TEST_F(COpenSaveTest, AnImageReplacesTheWholeSceneWithABuiltHeightMap)
{
  QImage image(8, 6, QImage::Format_RGB888);
  image.fill(QColor(20, 40, 60));
  ASSERT_TRUE(image.save(QString::fromStdString(PathOf("flat.bmp"))));
  platform::SetDialogSink([](platform::CDialog& dialog) {
    dialog.Fields().SetText(1058, "5");
    dialog.Fields().SetText(1059, "4");
    return platform::IDOK;
  });
  CVanthDoc document;
  FillScene(document);
  ASSERT_TRUE(document.OnOpenDocument(PathOf("flat.bmp")));
  const auto* pMesh = static_cast<const CMesh3d*>(ExpectSoleObject(document, TYPE_MESH3D));
  ASSERT_NE(pMesh, nullptr);
  ASSERT_EQ(pMesh->NbVertex(), 20);
  ASSERT_EQ(pMesh->NbFace(), 2 * 4 * 3);
  // Adjacency and normals: an inner vertex of the grid has neighbours and a unit normal.
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    EXPECT_GE(pMesh->GetVertex(i)->NbVertexNeighbor(), 2) << i;
    EXPECT_NEAR(pMesh->GetVertex(i)->GetNormal()->GetNorm(), 1.0, 1e-5) << i;
  }
}

TEST_F(COpenSaveTest, SavedFilesHoldWhatTheScenesWritersWrite)
{
  WriteText(PathOf("tetra.smf"), kTetrahedronSmf);
  CVanthDoc document;
  ASSERT_TRUE(document.OnOpenDocument(PathOf("tetra.smf")));
  ASSERT_EQ(document.m_SceneGraph.SaveFileVrml(PathOf("expected.wrl").c_str()), 1);
  ASSERT_EQ(document.m_SceneGraph.SaveFileBinary(PathOf("expected.raw").c_str()), 1);
  const std::string vrml = Bytes(PathOf("expected.wrl"));
  const std::string raw = Bytes(PathOf("expected.raw"));
  ASSERT_EQ(vrml.rfind("#VRML V2.0 utf8", 0), 0u);
  ASSERT_NE(vrml, raw);

  m_Answer = platform::IDYES;
  ASSERT_TRUE(document.OnSaveDocument(PathOf("saved.wrl")));
  ASSERT_TRUE(document.OnSaveDocument(PathOf("saved.raw")));
  ASSERT_TRUE(document.OnSaveDocument(PathOf("SAVED.WRL")));
  EXPECT_EQ(Bytes(PathOf("saved.wrl")), vrml);
  EXPECT_EQ(Bytes(PathOf("SAVED.WRL")), vrml);
  EXPECT_EQ(Bytes(PathOf("saved.raw")), raw);
  // The raw scene starts with its object count, little-endian.
  ASSERT_GE(raw.size(), 4u);
  EXPECT_EQ(raw.substr(0, 4), std::string("\x01\x00\x00\x00", 4));

  // Any other extension writes no file; No leaves a saved file as it was.
  EXPECT_FALSE(document.OnSaveDocument(PathOf("saved.txt")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("saved.txt")));
  document.m_SceneGraph.Add(new CMesh3d);
  m_Answer = platform::IDNO;
  EXPECT_FALSE(document.OnSaveDocument(PathOf("saved.wrl")));
  EXPECT_EQ(Bytes(PathOf("saved.wrl")), vrml);
}
