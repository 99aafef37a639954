#include "tests/document/CodingFixture.h"

#include "coding/IBitFile.h"
#include "coding/RangeDecoder.h"
#include "compression/PositionDecoder.h"
#include "mesh/QuadVertex3d.h"
#include "tests/compression/GateTestUtil.h"
#include "platform/ui/WaitCursor.h"
#include "processing/Tiling3d.h"
#include "processing/TilingNode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

using CCommandRulesTest = CCodingFixture;

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The values the label test codes: each character alone through atoi.
std::vector<std::uint32_t> LabelsOf(const std::string& text)
{
  std::vector<std::uint32_t> values;
  for (char c : text)
    values.push_back(c >= '0' && c <= '9' ? static_cast<std::uint32_t>(c - '0') : 0u);
  return values;
}

// Decodes count values of an order-k range-coded file over 7 symbols.
std::vector<std::uint32_t> DecodeLabels(const std::string& path, std::uint32_t order, size_t count)
{
  CIBitFile in(path.c_str());
  CRangeDecoder decoder(7);
  std::vector<std::uint32_t> values;
  if (!in.IsValid() || !decoder.StartOrderK(&in, order))
    return values;
  for (size_t i = 0; i < count; i++) {
    std::uint32_t symbol = 99;
    decoder.DecodeOrderK(&symbol, &in);
    values.push_back(symbol);
  }
  return values;
}

} // namespace

TEST_F(CCommandRulesTest, TheLabelTestCodesEveryCharacterWithNonDigitsAsZero)
{
  // Line ends, letters and signs all count, as 0; the last pass is of order 4.
  const std::string text = "0123456601234\nab-6543210\n\n3x";
  std::ofstream(PathOf("labels.ff"), std::ios::binary) << text;
  m_FileAnswer = PathOf("labels.ff");
  ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
  EXPECT_TRUE(m_Messages.empty());
  const std::vector<std::uint32_t> expected = LabelsOf(text);
  EXPECT_EQ(DecodeLabels(PathOf("bidon.bin"), 4, expected.size()), expected);

  // A file of nothing but non-digits is a run of zeros.
  std::ofstream(PathOf("letters.ff"), std::ios::binary) << "abc\n";
  m_FileAnswer = PathOf("letters.ff");
  ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
  EXPECT_TRUE(m_Messages.empty());
  EXPECT_EQ(DecodeLabels(PathOf("bidon.bin"), 4, 4), std::vector<std::uint32_t>(4, 0u));
}

TEST_F(CCommandRulesTest, TheLabelTestRefusesOnlyDigitsBeyondItsAlphabet)
{
  for (char digit : {'7', '8', '9'}) {
    std::filesystem::remove(PathOf("bidon.bin"));
    m_Messages.clear();
    std::ofstream(PathOf("bad.ff"), std::ios::binary) << "x01\n" << digit << "2";
    m_FileAnswer = PathOf("bad.ff");
    ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
    ASSERT_EQ(m_Messages.size(), 1u) << digit;
    EXPECT_NE(m_Messages[0].find(std::string("Invalid label '") + digit + "'"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(PathOf("bidon.bin"))) << digit;
  }
}

TEST_F(CCommandRulesTest, TheDeltaExcursionWritesTheAbsoluteOneFirst)
{
  SetTorus(6, 5);
  m_pDoc->m_HighlightVertexIndex = 3;
  ASSERT_TRUE(Run(ID_TREE_EXCURSION));
  const std::string absolute = ReadFile(PathOf("vertex_root_absolute.dat"));
  ASSERT_FALSE(absolute.empty());
  std::filesystem::remove(PathOf("vertex_root_absolute.dat"));
  ASSERT_FALSE(std::filesystem::exists(PathOf("vertex_root_delta.dat")));

  ASSERT_TRUE(Run(ID_TREE_EXCURSION_DELTA));
  // The same tree from the same seed: the same absolute excursion, and the delta one beside it.
  EXPECT_EQ(ReadFile(PathOf("vertex_root_absolute.dat")), absolute);
  const std::string delta = ReadFile(PathOf("vertex_root_delta.dat"));
  EXPECT_FALSE(delta.empty());
  EXPECT_NE(delta, absolute);
}

TEST_F(CCommandRulesTest, EveryConversionHandlerShowsTheHourglass)
{
  const auto setPolygons = [this] {
    SetBox();
    auto* pPolygons = new CPolygonMesh3d;
    pPolygons->FromTriangleMesh(Mesh(0));
    m_pDoc->EmptyScene();
    m_pDoc->m_SceneGraph.Add(pPolygons);
  };
  const auto setQuads = [this] { SetScene(SCENE_QUAD_MESH); };
  const auto setTriangles = [this] { SetBox(); };
  const std::vector<std::pair<unsigned, std::function<void()>>> cases = {
    {ID_CONVERSION_TRIANGLE_POLYGON, setTriangles},
    {ID_CONVERSION_QUAD_POLYGON, setQuads},
    {ID_CONVERSION_POLYGON_TRIANGLE_STAR, setPolygons},
    {ID_CONVERSION_POLYGON_TRIANGLE_REGULAR, setPolygons},
    {ID_CONVERSION_POLYGON_QUAD_TRIANGLES, setPolygons},
    {ID_STATISTICS_POLYGON_DEGREES, setPolygons},
    {ID_ALGORITHMS_WELD, setPolygons},
    {ID_ALGORITHMS_WELD, setTriangles},
    {ID_QUAD_KOBBELT, setQuads},
    {ID_QUAD_CATMULL_CLARK, setQuads},
    {ID_EXPORT_QUAD_MESH, setQuads},
    {ID_EXPORT_CPT, setTriangles},
    {ID_REMOVE_FACES_DUPLICATE, setTriangles},
    {ID_MODIFICATION_REMOVE_HOLE, setTriangles},
    {ID_CONVERSION_TRIANGLE_QUAD, setTriangles},
  };
  m_FileAnswer = PathOf("export.out");
  for (const auto& [id, setScene] : cases) {
    setScene();
    const int before = platform::CWaitCursor::NbShown();
    ASSERT_TRUE(Run(id)) << id;
    EXPECT_GE(platform::CWaitCursor::NbShown(), before + 1) << "no hourglass from command " << id;
  }
  EXPECT_TRUE(std::filesystem::exists(PathOf("export.out")));

  // A cancelled export writes nothing and has nothing to wait for.
  m_FileAnswer.reset();
  SetBox();
  const int before = platform::CWaitCursor::NbShown();
  ASSERT_TRUE(Run(ID_EXPORT_CPT));
  EXPECT_EQ(platform::CWaitCursor::NbShown(), before);
}

TEST_F(CCommandRulesTest, ADecimationWorkerThatCannotStartKeepsNothing)
{
  CMesh3d* pMesh = SetMapGrid(8);
  const int vertices = pMesh->NbVertex();
  AnswerWith({{"Final", std::to_string(vertices - 10)}, {"Save intermediate", "0"},
              {"Method", "0"}, {"Max iter", "5"}, {"Samples per face", "4"}});
  int attempts = 0;
  m_pDoc->m_StartDecimationWorker = [&attempts](CThreadMeshApproxVolumic&) -> int {
    attempts++;
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  EXPECT_EQ(attempts, 1);
  ASSERT_EQ(m_Messages.size(), 1u);
  EXPECT_EQ(m_Messages[0], "Failed to create thread");
  EXPECT_FALSE(m_pDoc->IsDecimating());
  EXPECT_EQ(pMesh->NbVertex(), vertices);
  // No run is held: commands on the mesh are not refused.
  EXPECT_FALSE(m_pDoc->RefuseWhileDecimating(pMesh));

  // A start that declines without an exception is not a thread failure.
  m_pDoc->m_StartDecimationWorker = [](CThreadMeshApproxVolumic&) { return 0; };
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  EXPECT_EQ(m_Messages.size(), 1u);
  EXPECT_FALSE(m_pDoc->IsDecimating());

  // With threads back, the same command runs to its end.
  m_pDoc->m_StartDecimationWorker = [](CThreadMeshApproxVolumic& worker) { return worker.Start(); };
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  EXPECT_TRUE(m_pDoc->IsDecimating());
  m_pDoc->JoinDecimation();
  EXPECT_FALSE(m_pDoc->IsDecimating());
  EXPECT_LT(pMesh->NbVertex(), vertices);
  EXPECT_EQ(m_Messages.size(), 1u);
}

TEST_F(CCommandRulesTest, MultiMeshNamesEachCopyByTheBitsItsDecodingRead)
{
  CMesh3d* pMesh = SetTorus(6, 5);
  ASSERT_TRUE(Run(ID_ATTRIBUTES_POSITIONS));
  ASSERT_TRUE(Run(ID_DECODE_MULTI_MESH));
  ASSERT_EQ(NbObject(), 9);
  int previous = 0;
  for (int level = 0; level <= 7; level++) {
    CMesh3d copy;
    copy.Copy(pMesh);
    const int bits = CPositionDecoder().Decode("Positions.bin", nullptr, &copy, level);
    // At least the header: 32 + 5 + 5 bits and 15 floats.
    EXPECT_GE(bits, 42 + 15 * 32) << level;
    EXPECT_GE(bits, previous) << level;
    previous = bits;
    EXPECT_EQ(Mesh(level + 1)->GetName(),
              "[" + std::to_string(level) + "]" + std::to_string(bits) + " bits");
  }
}

namespace {

// Everything adjacency and normals give a triangle mesh, to compare before and after a rebuild.
struct SAdjacency
{
  std::vector<std::array<const CFace3d*, 3>> faceNeighbors;
  std::vector<std::vector<const void*>> vertexNeighbors;
  std::vector<std::vector<const void*>> vertexFaces;
  std::vector<std::array<float, 3>> faceNormals;
  std::vector<std::array<float, 3>> vertexNormals;

  explicit SAdjacency(const CMesh3d& mesh)
  {
    for (int i = 0; i < mesh.NbFace(); i++) {
      const CFace3d* f = mesh.GetFace(i);
      faceNeighbors.push_back({f->f(0), f->f(1), f->f(2)});
      faceNormals.push_back({f->GetNormal()->x(), f->GetNormal()->y(), f->GetNormal()->z()});
    }
    for (int i = 0; i < mesh.NbVertex(); i++) {
      const CVertex3d* v = mesh.GetVertex(i);
      std::vector<const void*> neighbors;
      for (int k = 0; k < v->NbVertexNeighbor(); k++)
        neighbors.push_back(v->GetVertexNeighbor(k));
      std::sort(neighbors.begin(), neighbors.end());
      vertexNeighbors.push_back(neighbors);
      std::vector<const void*> faces;
      for (int k = 0; k < v->NbFaceNeighbor(); k++)
        faces.push_back(v->GetFaceNeighbor(k));
      std::sort(faces.begin(), faces.end());
      vertexFaces.push_back(faces);
      vertexNormals.push_back({v->GetNormal()->x(), v->GetNormal()->y(), v->GetNormal()->z()});
    }
  }
};

void ExpectSameAdjacency(const SAdjacency& a, const SAdjacency& b)
{
  EXPECT_EQ(a.faceNeighbors, b.faceNeighbors);
  EXPECT_EQ(a.vertexNeighbors, b.vertexNeighbors);
  EXPECT_EQ(a.vertexFaces, b.vertexFaces);
  EXPECT_EQ(a.faceNormals, b.faceNormals);
  EXPECT_EQ(a.vertexNormals, b.vertexNormals);
}

} // namespace

TEST_F(CCommandRulesTest, AGateDecodedMeshComesWithItsAdjacencyAndNormals)
{
  CMesh3d* pSource = SetTorus(7, 5);
  ASSERT_TRUE(Run(ID_GATE_TRIANGLE_ENCODE));
  m_FileAnswer = PathOf("mesh.bin");
  m_Answer = platform::IDNO;
  ASSERT_TRUE(Run(ID_GATE_TRIANGLE_DECODE));
  CMesh3d* pDecoded = Mesh(0);
  ASSERT_NE(pDecoded, nullptr);
  ASSERT_NE(pDecoded, pSource);
  ASSERT_EQ(pDecoded->NbFace(), 70);
  const SAdjacency decoded(*pDecoded);
  // Every vertex of the closed torus has six neighbours in the regular grid, and normals of
  // length 1.
  for (const auto& neighbors : decoded.vertexNeighbors)
    EXPECT_EQ(neighbors.size(), 6u);
  for (const auto& n : decoded.faceNormals)
    EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-4f);
  pDecoded->Rebuild();
  ExpectSameAdjacency(decoded, SAdjacency(*pDecoded));
}

TEST_F(CCommandRulesTest, AnObjFileOpensWithItsAdjacencyAndNormals)
{
  // A cube of six outward quads.
  std::ofstream(PathOf("cube.obj"))
    << "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
    << "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";
  ASSERT_TRUE(m_pDoc->OnOpenDocument(PathOf("cube.obj")));
  ASSERT_EQ(NbObject(), 1);
  auto* pCube = dynamic_cast<CPolygonMesh3d*>(m_pDoc->m_SceneGraph.GetAt(0));
  ASSERT_NE(pCube, nullptr);
  for (int i = 0; i < pCube->NbVertex(); i++)
    EXPECT_EQ(pCube->GetVertex(i)->NbVertexNeighbor(), 3) << i;
  for (int i = 0; i < pCube->NbPolygon(); i++) {
    const CPolygon3d* pFace = pCube->GetPolygon(i);
    for (int k = 0; k < 4; k++)
      EXPECT_NE(pFace->GetNeighbor(k), nullptr) << i;
    // Outward: the normal points the way of the face's centre from the cube's.
    float centre[3] = {0, 0, 0};
    for (int k = 0; k < 4; k++) {
      centre[0] += pFace->GetVertex(k)->x() / 4;
      centre[1] += pFace->GetVertex(k)->y() / 4;
      centre[2] += pFace->GetVertex(k)->z() / 4;
    }
    const CVector3d* n = pFace->GetNormal();
    EXPECT_NEAR(n->x() * centre[0] + n->y() * centre[1] + n->z() * centre[2], 1.0f, 1e-5f) << i;
  }
  EXPECT_EQ(pCube->NbEdge(), 12);
}

namespace {

std::vector<std::array<float, 3>> NodePositions(const CTiling3d& tiling)
{
  std::vector<std::array<float, 3>> positions;
  for (int i = 0; i < tiling.NbNode(); i++)
    positions.push_back({tiling.GetNode(i)->x(), tiling.GetNode(i)->y(), tiling.GetNode(i)->z()});
  return positions;
}

// The tiling the command builds for one seed, built here the same way.
std::vector<std::array<float, 3>> TilingNodesFromSeed(CMesh3d* pMesh, unsigned seed)
{
  CTiling3d tiling;
  tiling.Copy(pMesh);
  tiling.Rebuild();
  tiling.Build(seed, 0, pMesh);
  return NodePositions(tiling);
}

} // namespace

TEST_F(CCommandRulesTest, RetainingTheFewestTilesKeepsTheFirstOfEqualCounts)
{
  // A grid of 6 by 6 samples: several seeds give its fewest tiles.
  CMesh3d* pMesh = SetMapGrid(6);
  constexpr int kLast = 12;
  m_EditDialog = [](platform::CDialog& dialog) {
    dialog.Fields().SetChoice(1103, 1);
    dialog.Fields().SetText(1079, "0");
    dialog.Fields().SetText(1080, std::to_string(kLast));
    dialog.Fields().SetChoice(1104, 1);
  };
  ASSERT_TRUE(Run(ID_TILING_BUILD));
  ASSERT_EQ(NbObject(), 2);
  const auto* pKept = dynamic_cast<const CTiling3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pKept, nullptr);

  // The table: seed and tile count per line; the first seed of the fewest tiles wins.
  std::istringstream table(Clipboard());
  int seed = 0;
  int tiles = 0;
  int fewest = pMesh->NbFace();
  std::vector<int> winners;
  while (table >> seed >> tiles) {
    if (tiles < fewest) {
      fewest = tiles;
      winners.clear();
    }
    if (tiles == fewest)
      winners.push_back(seed);
  }
  ASSERT_GE(winners.size(), 2u) << "no tie among the seeds: the choice is not exercised";
  EXPECT_EQ(pKept->NbTile(), fewest);
  const auto kept = NodePositions(*pKept);
  const auto first = TilingNodesFromSeed(pMesh, static_cast<unsigned>(winners.front()));
  const auto last = TilingNodesFromSeed(pMesh, static_cast<unsigned>(winners.back()));
  ASSERT_NE(first, last);
  EXPECT_EQ(kept, first);
}

TEST_F(CCommandRulesTest, AGateDecodedQuadMeshComesWithItsAdjacencyAndNormals)
{
  m_pDoc->EmptyScene();
  m_pDoc->m_SceneGraph.Add(gatetest::QuadTorus(6, 5).release());
  ASSERT_TRUE(Run(ID_GATE_QUAD_ENCODE));
  m_FileAnswer = PathOf("mesh.bin");
  m_Answer = platform::IDNO;
  ASSERT_TRUE(Run(ID_GATE_QUAD_DECODE));
  ASSERT_EQ(NbObject(), 1);
  auto* pDecoded = dynamic_cast<CQuadMesh3d*>(m_pDoc->m_SceneGraph.GetAt(0));
  ASSERT_NE(pDecoded, nullptr);
  ASSERT_EQ(pDecoded->NbQuad(), 30);
  // A closed torus of quads: four neighbours per quad, four per vertex, unit normals.
  for (int i = 0; i < pDecoded->NbQuad(); i++) {
    const CQuad3d* pQuad = pDecoded->GetQuad(i);
    EXPECT_EQ(pQuad->NbFaceNeighbor(), 4) << i;
    const CVector3d* n = pQuad->GetNormal();
    EXPECT_NEAR(n->x() * n->x() + n->y() * n->y() + n->z() * n->z(), 1.0f, 1e-4f) << i;
  }
  for (int i = 0; i < pDecoded->NbVertex(); i++) {
    EXPECT_EQ(pDecoded->GetVertex(i)->NbVertexNeighbor(), 4) << i;
    EXPECT_EQ(pDecoded->GetVertex(i)->NbQuadNeighbor(), 4) << i;
  }
}
