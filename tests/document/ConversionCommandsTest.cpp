#include "tests/document/CommandFixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class CConversionCommandsTest : public CCommandFixture
{
protected:
  std::string PathOf(const std::string& name) const { return (m_Scope.Path() / name).string(); }

  // Object 0 becomes a polygon mesh read from OBJ text.
  CPolygonMesh3d* SetPolygons(const std::string& obj)
  {
    const std::string path = PathOf("polygons.obj");
    std::ofstream(path) << obj;
    auto* pMesh = new CPolygonMesh3d;
    EXPECT_EQ(pMesh->ReadFileOBJ(path.c_str()), 1);
    pMesh->Rebuild();
    m_pDoc->EmptyScene();
    m_pDoc->m_SceneGraph.Add(pMesh);
    return pMesh;
  }

  CQuadMesh3d* SetQuadBox()
  {
    auto* pQuads = new CQuadMesh3d;
    pQuads->GenerateBox();
    pQuads->BuildAdjacencyAndNormals();
    m_pDoc->EmptyScene();
    m_pDoc->m_SceneGraph.Add(pQuads);
    return pQuads;
  }

  int TypeOf(int index) const { return m_pDoc->m_SceneGraph.GetAt(index)->GetType(); }
  template <class T>
  T* ObjectAs(int index) const
  {
    return index < NbObject() ? dynamic_cast<T*>(m_pDoc->m_SceneGraph.GetAt(index)) : nullptr;
  }

  CScopedFolder m_Scope{"orvane_conversion"};
};

// A pentagon and a hexagon sharing an edge, and a triangle.
const char* const kMixedPolygons =
  "v 0 0 0\nv 1 0 0\nv 1.5 1 0\nv 0.5 1.7 0\nv -0.5 1 0\n"
  "v 2 0 0\nv 2.8 0.5 0\nv 2.8 1.5 0\nv 2 2 0\n"
  "v 3.5 0 0\n"
  "f 1 2 3 4 5\nf 2 6 7 8 9 3\nf 6 10 7\n";

// Two quads side by side whose shared corners are written twice.
const char* const kSplitQuads =
  "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
  "v 1 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\n"
  "f 1 2 3 4\nf 5 6 7 8\n";

} // namespace

TEST_F(CConversionCommandsTest, TriangleToQuadPutsTheResultLast)
{
  SetTorus(6, 4);
  auto* pSecond = new CMesh3d;
  BuildGrid(*pSecond, 2, 2, 0, 0.0f);
  pSecond->Rebuild();
  m_pDoc->m_SceneGraph.Add(pSecond);
  ASSERT_TRUE(Run(ID_CONVERSION_TRIANGLE_QUAD));
  ASSERT_EQ(NbObject(), 2);
  EXPECT_EQ(Mesh(0), pSecond); // the former object 1
  auto* pQuads = ObjectAs<CQuadMesh3d>(1);
  ASSERT_NE(pQuads, nullptr);
  // Each pair of triangles gives four quads, each unpaired triangle three.
  EXPECT_GE(pQuads->NbQuad(), 48 * 3 / 2);
  EXPECT_LE(pQuads->NbQuad(), 48 * 3);
  EXPECT_EQ(pQuads->IsValid(), 1);
  EXPECT_EQ(LastStatus(), "Mesh conversion....");

  // Alone, the conversion is the whole scene.
  SetGrid(3, 2);
  ASSERT_TRUE(Run(ID_CONVERSION_TRIANGLE_QUAD));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(TypeOf(0), TYPE_QUADMESH3D);
}

TEST_F(CConversionCommandsTest, ToPolygonsKeepsTheFacesAndPutsTheResultLast)
{
  SetTwoComponents(); // 18 + 16 triangles
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  ASSERT_TRUE(Run(ID_CONVERSION_TRIANGLE_POLYGON));
  ASSERT_EQ(NbObject(), 2);
  EXPECT_EQ(TypeOf(0), TYPE_QUADMESH3D);
  auto* pPolygons = ObjectAs<CPolygonMesh3d>(1);
  ASSERT_NE(pPolygons, nullptr);
  EXPECT_EQ(pPolygons->NbPolygon(), 34);
  EXPECT_EQ(pPolygons->NbVertex(), 16 + 15);
  EXPECT_EQ(LastStatus(), "Triangle to polygon....done");

  SetQuadBox();
  ASSERT_TRUE(Run(ID_CONVERSION_QUAD_POLYGON));
  ASSERT_EQ(NbObject(), 1);
  pPolygons = ObjectAs<CPolygonMesh3d>(0);
  ASSERT_NE(pPolygons, nullptr);
  EXPECT_EQ(pPolygons->NbPolygon(), 6);
  EXPECT_EQ(pPolygons->NbVertex(), 8);
  EXPECT_EQ(pPolygons->NbEdge(), 12);
  EXPECT_EQ(LastStatus(), "Quad to polygon....done");
}

TEST_F(CConversionCommandsTest, PolygonsToTrianglesReplaceTheScene)
{
  SetQuadBox();
  ASSERT_TRUE(Run(ID_CONVERSION_QUAD_POLYGON));
  ASSERT_TRUE(Run(ID_CONVERSION_POLYGON_TRIANGLE_STAR));
  ASSERT_EQ(NbObject(), 1);
  ASSERT_NE(Mesh(0), nullptr);
  EXPECT_EQ(Mesh(0)->NbFace(), 24); // each quad fanned around its centre
  EXPECT_EQ(Mesh(0)->NbVertex(), 14);

  SetQuadBox();
  m_pDoc->m_SceneGraph.Add(new CMesh3d);
  ASSERT_TRUE(Run(ID_CONVERSION_QUAD_POLYGON));
  ASSERT_EQ(TypeOf(0), TYPE_MESH3D); // the quad box went last as polygons
  m_pDoc->DeleteObject(0);
  ASSERT_TRUE(Run(ID_CONVERSION_POLYGON_TRIANGLE_REGULAR));
  ASSERT_EQ(NbObject(), 1);
  ASSERT_NE(Mesh(0), nullptr);
  EXPECT_EQ(Mesh(0)->NbFace(), 12); // each quad cut by one diagonal
  EXPECT_EQ(Mesh(0)->NbVertex(), 8);
}

TEST_F(CConversionCommandsTest, PolygonsSplitIntoQuadsAndTrianglesAndCountTheirDegrees)
{
  CPolygonMesh3d* pPolygons = SetPolygons(kMixedPolygons);
  ASSERT_EQ(pPolygons->NbPolygon(), 3);
  ASSERT_TRUE(Run(ID_STATISTICS_POLYGON_DEGREES));
  ASSERT_GE(m_Status.size(), 2u);
  EXPECT_EQ(m_Status[m_Status.size() - 2], "Process distribution....");
  EXPECT_EQ(LastStatus(), "Process distribution....done");

  ASSERT_TRUE(Run(ID_CONVERSION_POLYGON_QUAD_TRIANGLES));
  EXPECT_EQ(LastStatus(), "Convert polygons to quad and triangles....done");
  const std::vector<int> degrees = pPolygons->BuildDegreeDistribution();
  ASSERT_GE(degrees.size(), 2u);
  EXPECT_EQ(degrees.size(), 2u); // only triangles and quads are left
  // Pentagon: a quad and a triangle; hexagon: two quads; the triangle stays.
  EXPECT_EQ(degrees[0], 2);
  EXPECT_EQ(degrees[1], 3);
}

TEST_F(CConversionCommandsTest, WeldActsOnPolygonAndTriangleMeshesOnly)
{
  CPolygonMesh3d* pPolygons = SetPolygons(kSplitQuads);
  EXPECT_EQ(pPolygons->NbEdge(), 8);
  ASSERT_TRUE(Run(ID_ALGORITHMS_WELD));
  EXPECT_EQ(pPolygons->NbEdge(), 7);
  EXPECT_EQ(LastStatus(), "Weld....done");

  // The same two squares as four triangles with their corners written twice.
  CMesh3d* pMesh = SetMesh([](CMesh3d& mesh) {
    BuildGrid(mesh, 1, 1, 0, 0.0f);
    BuildGrid(mesh, 1, 1, 0, 1.0f);
  });
  ASSERT_EQ(pMesh->NbVertex(), 8);
  ASSERT_TRUE(Run(ID_ALGORITHMS_WELD));
  EXPECT_EQ(pMesh->NbVertex(), 6);
  EXPECT_EQ(pMesh->NbFace(), 4);

  SetQuadBox();
  EXPECT_FALSE(IsEnabled(ID_ALGORITHMS_WELD));
  m_pDoc->EmptyScene();
  EXPECT_FALSE(IsEnabled(ID_ALGORITHMS_WELD));
}

TEST_F(CConversionCommandsTest, QuadSubdivisionsActOnEveryQuadMesh)
{
  CQuadMesh3d* pFirst = SetQuadBox();
  auto* pSecond = new CQuadMesh3d;
  pSecond->GenerateBox();
  pSecond->BuildAdjacencyAndNormals();
  m_pDoc->m_SceneGraph.Add(new CMesh3d);
  m_pDoc->m_SceneGraph.Add(pSecond);
  ASSERT_TRUE(Run(ID_QUAD_CATMULL_CLARK));
  EXPECT_EQ(pFirst->NbQuad(), 24);
  EXPECT_EQ(pSecond->NbQuad(), 24);
  pFirst->BuildAdjacencyAndNormals();
  pSecond->BuildAdjacencyAndNormals();
  ASSERT_TRUE(Run(ID_QUAD_KOBBELT));
  EXPECT_EQ(pFirst->NbQuad(), 96);
  EXPECT_EQ(pSecond->NbQuad(), 96);
}

TEST_F(CConversionCommandsTest, PredefinedQuadMeshesReplaceTheScene)
{
  SetTorus(4, 4);
  ASSERT_TRUE(Run(ID_PREDEFINED_QUAD_BOX));
  ASSERT_EQ(NbObject(), 1);
  ASSERT_EQ(TypeOf(0), TYPE_QUADMESH3D);
  EXPECT_EQ(ObjectAs<CQuadMesh3d>(0)->NbQuad(), 6);
  ASSERT_TRUE(Run(ID_PREDEFINED_QUAD_MUSHROOM));
  ASSERT_EQ(NbObject(), 1);
  ASSERT_EQ(TypeOf(0), TYPE_QUADMESH3D);
  EXPECT_GT(ObjectAs<CQuadMesh3d>(0)->NbQuad(), 6);
}

TEST_F(CConversionCommandsTest, PathologicRemovesNothingUntilItsMeshExists)
{
  CMesh3d* pMesh = SetTorus(4, 4);
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_PREDEFINED_PATHOLOGIC));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0), pMesh);

  // A count the generator refuses leaves the scene too.
  m_DialogAnswer = platform::IDOK;
  m_EditDialog = [](platform::CDialog& dialog) { dialog.Fields().SetText(1067, "40"); };
  ASSERT_TRUE(Run(ID_PREDEFINED_PATHOLOGIC));
  EXPECT_EQ(Mesh(0), pMesh);

  m_EditDialog = {};
  ASSERT_TRUE(Run(ID_PREDEFINED_PATHOLOGIC)); // the dialog's 4
  ASSERT_EQ(NbObject(), 1);
  ASSERT_NE(Mesh(0), nullptr);
  EXPECT_NE(Mesh(0), pMesh);
  EXPECT_GT(Mesh(0)->NbFace(), 16);
  EXPECT_EQ(m_DialogTemplates.back(), 163);
}

TEST_F(CConversionCommandsTest, AnExportedQuadFileReadsBackTheSameMesh)
{
  CQuadMesh3d* pQuads = SetQuadBox();
  m_FileAnswer = std::nullopt;
  ASSERT_TRUE(Run(ID_EXPORT_QUAD_MESH));
  EXPECT_TRUE(std::filesystem::is_empty(m_Scope.Path()));

  m_FileAnswer = PathOf("box.quad");
  ASSERT_TRUE(Run(ID_EXPORT_QUAD_MESH));
  ASSERT_EQ(m_Requests.size(), 2u);
  EXPECT_FALSE(m_Requests[1].Open);
  CQuadMesh3d read;
  ASSERT_EQ(read.ReadBinary(PathOf("box.quad").c_str()), 1);
  ASSERT_EQ(read.NbVertex(), pQuads->NbVertex());
  ASSERT_EQ(read.NbQuad(), pQuads->NbQuad());
  for (int i = 0; i < read.NbVertex(); i++) {
    EXPECT_EQ(read.GetVertex(i)->x(), pQuads->GetVertex(i)->x());
    EXPECT_EQ(read.GetVertex(i)->z(), pQuads->GetVertex(i)->z());
  }
  for (int i = 0; i < read.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      EXPECT_EQ(read.GetArrayVertex()->IndexFrom(read.GetQuad(i)->v(k)),
                pQuads->GetArrayVertex()->IndexFrom(pQuads->GetQuad(i)->v(k)));
}

TEST_F(CConversionCommandsTest, AnExportedCptFileHoldsTheBoxCountsPositionsAndFaces)
{
  CMesh3d* pMesh = SetTwoComponents();
  m_FileAnswer = PathOf("mesh.dat");
  ASSERT_TRUE(Run(ID_EXPORT_CPT));
  ASSERT_EQ(m_Requests.size(), 1u);
  EXPECT_EQ(m_Requests[0].InitialPath, "*.dat");

  std::ifstream file(PathOf("mesh.dat"));
  float box[6];
  for (float& value : box)
    file >> value;
  EXPECT_EQ(box[0], 0.0f);
  EXPECT_EQ(box[3], 7.0f); // the second grid ends at x = 5 + 2
  EXPECT_EQ(box[5], 4.0f);
  std::string zeros, one, tally;
  std::getline(file >> std::ws, zeros);
  file >> one >> tally;
  EXPECT_EQ(zeros, "0 0 0");
  EXPECT_EQ(one, "1.0");
  EXPECT_EQ(tally, "1");
  int nbVertex = 0;
  int nbFace = 0;
  file >> nbVertex >> nbFace;
  ASSERT_EQ(nbVertex, pMesh->NbVertex());
  ASSERT_EQ(nbFace, pMesh->NbFace());
  for (int i = 0; i < nbVertex; i++) {
    float x, y, z;
    file >> x >> y >> z;
    EXPECT_EQ(x, pMesh->GetVertex(i)->x());
    EXPECT_EQ(z, pMesh->GetVertex(i)->z());
  }
  for (int i = 0; i < nbFace; i++)
    for (int k = 0; k < 3; k++) {
      int index = -1;
      file >> index;
      EXPECT_EQ(index, pMesh->IndexFrom(pMesh->GetFace(i)->v(k)));
    }
  EXPECT_TRUE(file.good());
  int extra = 0;
  EXPECT_FALSE(file >> extra); // nothing after the last face
}

TEST_F(CConversionCommandsTest, RepairsRemoveDuplicatesAndCloseHoles)
{
  CMesh3d* pMesh = SetTorus(5, 4);
  pMesh->AddFace(new CFace3d(pMesh->GetFace(3)->v(0), pMesh->GetFace(3)->v(1), pMesh->GetFace(3)->v(2)));
  pMesh->Rebuild();
  ASSERT_TRUE(Run(ID_REMOVE_FACES_DUPLICATE));
  EXPECT_EQ(pMesh->NbFace(), 40);

  pMesh = SetGrid(6, 6, 4);
  ASSERT_EQ(pMesh->HasBoundary(), 1);
  ASSERT_TRUE(Run(ID_MODIFICATION_REMOVE_HOLE));
  EXPECT_EQ(pMesh->HasBoundary(), 0);
}

TEST_F(CConversionCommandsTest, SavingVrmlWithoutATriangleMeshSaysSoAndWritesNothing)
{
  SetPolygons(kSplitQuads);
  const std::string target = PathOf("polygons.wrl");
  m_FileAnswer = target;
  m_Answer = platform::IDYES;
  EXPECT_TRUE(m_pDoc->DoCommand(platform::ID_FILE_SAVE_AS));
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_FALSE(std::filesystem::exists(PathOf("polygons.raw")));
  ASSERT_FALSE(m_Messages.empty());
  EXPECT_EQ(m_Messages.back(), "This scene does not contain meshes");
  EXPECT_TRUE(m_pDoc->GetPathName().empty());

  // A triangle mesh anywhere in the scene is enough.
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  auto* pMesh = new CMesh3d;
  BuildTorus(*pMesh, 4, 3);
  m_pDoc->m_SceneGraph.Add(pMesh);
  EXPECT_TRUE(m_pDoc->DoCommand(platform::ID_FILE_SAVE_AS));
  EXPECT_TRUE(std::filesystem::exists(target));
}
