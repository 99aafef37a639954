#include "SceneFileTestSupport.h"

#include "app/objects/Camera3d.h"
#include "scene/StreamFile.h"
#include "support/MessageCapture.h"

#include <bit>
#include <cstring>

using namespace scene_test;

namespace {

std::uint32_t Word(const std::vector<std::uint8_t>& bytes, size_t at)
{
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

float Float(const std::vector<std::uint8_t>& bytes, size_t at)
{
  return std::bit_cast<float>(Word(bytes, at));
}

TEST(RawScene, HoldsTheObjectTallyAndOneLittleEndianRecordPerTriangleMesh)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  auto mesh = Triangle();
  mesh->GetTransform()->SetTranslation(CVector3d(1, 2, 3));
  mesh->GetTransform()->SetRotation(CVector3d(0, 1, 0));
  mesh->GetTransform()->SetRotationAngle(30);
  mesh->GetTransform()->SetScale(CVector3d(4, 5, 6));
  scene.Add(mesh.release());
  scene.Add(new CCamera3d);
  ASSERT_EQ(scene.SaveFileBinary(folder.File("scene.raw").c_str()), 1);

  const std::vector<std::uint8_t> bytes = ReadBytes(folder.File("scene.raw"));
  ASSERT_EQ(bytes.size(), 4u + 96u);  // the tally, then 48 + 12 * 3 + 12 * 1
  EXPECT_EQ(Word(bytes, 0), 2u);      // the camera is tallied too
  const size_t r = 4;
  const float header[10] = {1, 2, 3, 0, 1, 0, 30, 4, 5, 6};
  for (size_t k = 0; k < 10; k++)
    EXPECT_EQ(Float(bytes, r + 4 * k), header[k]) << "field " << k;
  EXPECT_EQ(Word(bytes, r + 40), 3u);
  EXPECT_EQ(Word(bytes, r + 44), 1u);
  EXPECT_EQ(Float(bytes, r + 48 + 4 * 5), -2.0f);
  EXPECT_EQ(Float(bytes, r + 48 + 4 * 7), 1e-7f);  // bit for bit
  EXPECT_EQ(Word(bytes, r + 84), 0u);
  EXPECT_EQ(Word(bytes, r + 88), 1u);
  EXPECT_EQ(Word(bytes, r + 92), 2u);
}

TEST(RawScene, NamesACornerOutsideTheVertexArrayMinusOne)
{
  CTempFolder folder;
  auto mesh = Triangle();
  CVertex3d stranger(9, 9, 9);
  mesh->GetFace(0)->SetVertex(1, &stranger);
  CStreamFile file;
  ASSERT_EQ(file.Open(folder.File("a.raw").c_str(), "wb"), 1);
  ASSERT_EQ(mesh->WriteBinary(file), 1);
  ASSERT_EQ(file.Close(), 1);
  const std::vector<std::uint8_t> bytes = ReadBytes(folder.File("a.raw"));
  ASSERT_EQ(bytes.size(), 96u);
  EXPECT_EQ(Word(bytes, 88), 0xFFFFFFFFu);
  EXPECT_EQ(Word(bytes, 92), 2u);
}

TEST(RawScene, RefusesAnEmptySceneAndReportsWriteFailures)
{
  CTempFolder folder;
  CMessageCapture messages;
  CSceneGraph3d scene;
  EXPECT_EQ(scene.SaveFileBinary(folder.File("a.raw").c_str()), 0);
  EXPECT_EQ(messages.Last(), "This scene does not contain meshes");
  scene.Add(Grid(30).release());
  EXPECT_EQ(scene.SaveFileBinary(folder.File("none/a.raw").c_str()), 0);
  EXPECT_EQ(messages.Last(), "Unable to open file for writing");
  messages.Clear();
  EXPECT_EQ(scene.SaveFileBinary("/dev/full"), 0);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error during writing"});
}

TEST(Inventor, WritesTheHeaderAndTheMeshBlockExactly)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  auto mesh = Triangle();
  CVertex3d stranger(9, 9, 9);
  auto other = Triangle();
  other->GetFace(0)->SetVertex(2, &stranger);
  auto empty = std::make_unique<CMesh3d>();
  CStreamFile file;
  const std::string path = folder.File("mesh0.iv");
  ASSERT_EQ(scene.WriteHeaderInventor(file, path.c_str()), 1);
  ASSERT_EQ(mesh->WriteInventor(file), 1);
  ASSERT_EQ(other->WriteInventor(file), 1);
  ASSERT_EQ(empty->WriteInventor(file), 1);
  ASSERT_EQ(file.Close(), 1);
  const std::string block =
      "# Mesh : 3 vertices, 1 faces\n"
      "Separator {\n"
      "        Coordinate3 { point [\n"
      "          0 0 0,\n"
      "          1.5 0 -2,\n"
      "          0 1e-07 1.23457e+08]\n"
      "        }\n"
      "        IndexedFaceSet {\n"
      "        coordIndex [\n";
  const std::string end = "        }\n      }\n";
  EXPECT_EQ(ReadText(path), "#Inventor V2.1 ascii\n\n" + block + "          0, 1, 2, -1]\n" + end +
                                block + "          0, 1, -1, -1]\n" + end +
                                "# Mesh : 0 vertices, 0 faces\nSeparator {\n"
                                "        Coordinate3 { point [\n]\n        }\n"
                                "        IndexedFaceSet {\n        coordIndex [\n]\n" + end);
}

TEST(Inventor, ReportsFilesThatCannotBeWritten)
{
  CTempFolder folder;
  CMessageCapture messages;
  CSceneGraph3d scene;
  CStreamFile file;
  EXPECT_EQ(scene.WriteHeaderInventor(file, folder.File("none/a.iv").c_str()), 0);
  EXPECT_EQ(messages.Last(), "Unable to open file for writing");
  EXPECT_EQ(scene.WriteHeaderInventor(file, "/dev/full"), 0);
  EXPECT_EQ(messages.Last(), "Error during writing file header");
  EXPECT_EQ(file.IsOpen(), 0);
  ASSERT_EQ(file.Open("/dev/full", "w"), 1);
  EXPECT_EQ(Grid(20)->WriteInventor(file), 0);
  EXPECT_EQ(messages.Last(), "Error during writing transform");
}

TEST(Cpt, WritesTheBoxTheFixedLinesThePointsAndTheIndices)
{
  CTempFolder folder;
  auto mesh = Triangle();
  ASSERT_EQ(mesh->WriteFileCpt(folder.File("a.dat").c_str()), 1);
  EXPECT_EQ(ReadText(folder.File("a.dat")),
            "0 0 -2 1.5 1e-07 1.23457e+08\n0 0 0\n1.0\n1\n3\n1\n"
            "0 0 0\n1.5 0 -2\n0 1e-07 1.23457e+08\n0 1 2\n");
  EXPECT_EQ(mesh->GetVertex(2)->GetFlag(), 2);

  CMesh3d empty;
  ASSERT_EQ(empty.WriteFileCpt(folder.File("b.dat").c_str()), 1);
  EXPECT_EQ(ReadText(folder.File("b.dat")), "0 0 0 0 0 0\n0 0 0\n1.0\n1\n0\n0\n");

  CMessageCapture messages;
  EXPECT_EQ(mesh->WriteFileCpt(folder.File("none/a.dat").c_str()), 0);
  EXPECT_EQ(mesh->WriteFileCpt("/dev/full"), 0);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST(FaceAreas, SmallestIsTheFirstOfEqualFacesAndMeanIsOverAllFaces)
{
  CMesh3d empty;
  CFace3d marker;
  CFace3d* face = &marker;
  EXPECT_EQ(empty.GetMinArea(&face), 1.7e308);
  EXPECT_EQ(face, &marker);
  EXPECT_EQ(empty.GetMeanArea(), 0.0);

  auto grid = Grid(2);  // eight triangles of area 1/8
  grid->AddVertex(new CVertex3d(0, 0, 5));
  grid->AddVertex(new CVertex3d(0.1f, 0, 5));
  grid->AddVertex(new CVertex3d(0, 0.1f, 5));
  grid->AddFace(new CFace3d(grid->GetVertex(9), grid->GetVertex(10), grid->GetVertex(11)));
  face = nullptr;
  EXPECT_NEAR(grid->GetMinArea(&face), 0.005, 1e-7);
  EXPECT_EQ(face, grid->GetFace(8));
  EXPECT_EQ(grid->GetMinArea(), grid->GetMinArea(&face));
  EXPECT_NEAR(grid->GetMeanArea(), (8 * 0.125 + 0.005) / 9, 1e-7);

  auto twins = Grid(1);
  EXPECT_NEAR(twins->GetMinArea(&face), 0.125, 1e-9);
  EXPECT_EQ(face, twins->GetFace(0));
}

} // namespace
