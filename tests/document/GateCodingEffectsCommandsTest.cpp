// Quad and polygon meshes encoded from the menu and decoded back: the messages on the way, the
// stream file, the polygon coder's report on the clipboard, and a decoded mesh with the same
// vertices and faces as the one encoded.
#include "tests/document/CodingFixture.h"

#include "tests/compression/GateTestUtil.h"

#include <map>
#include <regex>
#include <tuple>

namespace {

using Position = std::tuple<float, float, float>;

class CGateCodingEffectsCommandsTest : public CCodingFixture
{
protected:
  template <typename TMesh> TMesh* Set(std::unique_ptr<TMesh> pMesh)
  {
    m_pDoc->EmptyScene();
    TMesh* pRaw = pMesh.get();
    m_pDoc->m_SceneGraph.Add(pMesh.release());
    return pRaw;
  }
  template <typename TMesh> TMesh* Object0() const
  {
    return NbObject() > 0 ? dynamic_cast<TMesh*>(m_pDoc->m_SceneGraph.GetAt(0)) : nullptr;
  }

  // The faces as cycles of positions, so that meshes whose vertex orders differ compare equal.
  template <typename TMesh> static std::multiset<std::vector<Position>> FacesByPosition(const TMesh& mesh, int nbFace)
  {
    std::multiset<std::vector<Position>> faces;
    for (int i = 0; i < nbFace; i++) {
      std::vector<Position> face;
      for (const void* corner : gatetest::Corners(mesh, i)) {
        using Vertex = std::remove_pointer_t<decltype(mesh.GetVertex(0))>;
        const auto* v = static_cast<const Vertex*>(corner);
        face.emplace_back(v->x(), v->y(), v->z());
      }
      std::rotate(face.begin(), std::min_element(face.begin(), face.end()), face.end());
      faces.insert(face);
    }
    return faces;
  }

  bool SawStatus(const std::string& pattern) const
  {
    const std::regex re(pattern);
    return std::any_of(m_Status.begin(), m_Status.end(),
                       [&re](const std::string& text) { return std::regex_match(text, re); });
  }
  // The status texts in the order shown, from the first one equal to `first` on.
  std::vector<std::string> StatusFrom(const std::string& first) const
  {
    const auto at = std::find(m_Status.begin(), m_Status.end(), first);
    return {at, m_Status.end()};
  }

  // A hexagon, a quad and a triangle around one vertex, with a pentagon beside them.
  static std::unique_ptr<CPolygonMesh3d> Polygons()
  {
    return gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 2, 0}, {-1, 1, 0},
                                    {2, 3, 0}, {0, 3, 0}, {3, 2, 0}},
                                   {{0, 1, 2, 3, 4, 5}, {3, 2, 6, 4}, {4, 6, 7}, {2, 8, 6}});
  }
};

} // namespace

TEST_F(CGateCodingEffectsCommandsTest, AQuadTorusEncodedFromTheMenuDecodesToTheSameQuads)
{
  CQuadMesh3d* pMesh = Set(gatetest::QuadTorus(6, 5));
  const auto quads = FacesByPosition(*pMesh, pMesh->NbQuad());
  ASSERT_TRUE(Run(ID_GATE_QUAD_ENCODE));
  EXPECT_EQ(m_DialogTemplates.back(), 190);
  ASSERT_TRUE(std::filesystem::exists(PathOf("mesh.bin")));
  const std::vector<std::string> encoding = StatusFrom("Encoding quad-mesh....");
  ASSERT_EQ(encoding.size(), 2u);
  EXPECT_TRUE(std::regex_match(encoding[1], std::regex(R"(Encoding\.\.\.\.done \([0-9.e+-]+ b/v\), packed: [0-9.e+-]+ b/v, [0-9.e+-]+ f/s)")))
    << encoding[1];
  EXPECT_EQ(Object0<CQuadMesh3d>(), pMesh);  // encoding leaves the scene alone

  m_Status.clear();
  m_FileAnswer = PathOf("mesh.bin");
  m_Answer = platform::IDNO;  // no visual debugging
  ASSERT_TRUE(Run(ID_GATE_QUAD_DECODE));
  ASSERT_EQ(NbObject(), 1);
  CQuadMesh3d* pDecoded = Object0<CQuadMesh3d>();
  ASSERT_NE(pDecoded, nullptr);
  EXPECT_EQ(pDecoded->NbVertex(), 30);
  ASSERT_EQ(pDecoded->NbQuad(), 30);
  EXPECT_EQ(FacesByPosition(*pDecoded, pDecoded->NbQuad()), quads);
  EXPECT_EQ(m_Status.front(), "Decoding quad-mesh....");
  EXPECT_TRUE(std::regex_match(LastStatus(), std::regex(R"(Decoding quad-mesh\.\.\.\.done \([0-9.e+-]+ f/s\))")))
    << LastStatus();
  EXPECT_EQ(m_Requests.back().InitialPath, "*.bin");

  // Visual decoding, every 3 steps: the untimed message, the same quads.
  m_Status.clear();
  m_Answer = platform::IDYES;
  m_EditDialog = [](platform::CDialog& dialog) { dialog.Fields().SetText(dialog.Fields().Fields().front().Id, "3"); };
  ASSERT_TRUE(Run(ID_GATE_QUAD_DECODE));
  EXPECT_EQ(m_DialogTemplates.back(), 163);
  pDecoded = Object0<CQuadMesh3d>();
  ASSERT_NE(pDecoded, nullptr);
  EXPECT_EQ(FacesByPosition(*pDecoded, pDecoded->NbQuad()), quads);
  EXPECT_EQ(LastStatus(), "Decoding quad-mesh....done");
}

TEST_F(CGateCodingEffectsCommandsTest, APolygonMeshIsSplitThenEncodedAndDecodesToTheSplitMesh)
{
  CPolygonMesh3d* pMesh = Set(Polygons());
  ASSERT_TRUE(Run(ID_GATE_POLYGON_ENCODE));
  // The hexagon and the pentagon were split into quads and triangles before the encoding.
  const int nbPolygon = pMesh->NbPolygon();
  EXPECT_GT(nbPolygon, 4);
  for (int i = 0; i < nbPolygon; i++) {
    EXPECT_GE(pMesh->GetPolygon(i)->NbVertex(), 3) << i;
    EXPECT_LE(pMesh->GetPolygon(i)->NbVertex(), 4) << i;
  }
  const std::vector<std::string> encoding = StatusFrom("Convert to quads and triangles....");
  ASSERT_EQ(encoding.size(), 4u);
  EXPECT_EQ(encoding[1], "Rebuild adjacency....");
  EXPECT_EQ(encoding[2], "Encoding polygon-mesh....");
  EXPECT_TRUE(std::regex_match(encoding[3], std::regex(R"(Encoding\.\.\.\.done \([0-9.e+-]+ b/v - using order-1 aac\), speed: [0-9.e+-]+ polygons/s)")))
    << encoding[3];
  // "Output to clipboard" is off by default.
  EXPECT_TRUE(m_Recorder->m_Texts.empty());
  const auto polygons = FacesByPosition(*pMesh, nbPolygon);

  m_Status.clear();
  m_FileAnswer = PathOf("mesh.bin");
  m_Answer = platform::IDNO;
  ASSERT_TRUE(Run(ID_GATE_POLYGON_DECODE));
  ASSERT_EQ(NbObject(), 1);
  CPolygonMesh3d* pDecoded = Object0<CPolygonMesh3d>();
  ASSERT_NE(pDecoded, nullptr);
  EXPECT_EQ(pDecoded->NbVertex(), 9);
  ASSERT_EQ(pDecoded->NbPolygon(), nbPolygon);
  EXPECT_EQ(FacesByPosition(*pDecoded, nbPolygon), polygons);
  EXPECT_EQ(m_Status.front(), "Decoding polygon-mesh....");
  EXPECT_TRUE(std::regex_match(LastStatus(), std::regex(R"(Decoding polygon-mesh\.\.\.\.done \([0-9.e+-]+ f/s\))")))
    << LastStatus();
}

TEST_F(CGateCodingEffectsCommandsTest, ThePolygonReportGoesToTheClipboardWhenAsked)
{
  // Quads only: no triangle code can appear in the distribution.
  Set(gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0},
                               {0, 2, 0}, {1, 2, 0}, {2, 2, 0}},
                              {{0, 1, 4, 3}, {1, 2, 5, 4}, {3, 4, 7, 6}, {4, 5, 8, 7}}));
  AnswerWith({{"Output to clipboard", "1"}});
  ASSERT_TRUE(Run(ID_GATE_POLYGON_ENCODE));
  ASSERT_EQ(m_Recorder->m_Texts.size(), 1u);
  const std::string& report = m_Recorder->m_Texts[0];
  const char* const names[13] = {"Q create right", "Q create 2", "T mesh CW",   "T create",
                                 "Q mesh both",    "Q mesh cw",  "Q join",      "T join",
                                 "skip",           "T mesh CCW", "Q create left", "Q mesh ccw",
                                 "ghost"};
  std::string pattern = "Code distribution\r\n";
  for (const char* name : names)
    pattern += std::string(name) + "\t([0-9]+)\r\n";
  std::smatch counts;
  ASSERT_TRUE(std::regex_match(report, counts, std::regex(pattern))) << report;
  int total = 0;
  for (int code = 0; code < 13; code++) {
    const int count = std::stoi(counts[code + 1]);
    total += count;
    if (std::string(names[code]).rfind("T ", 0) == 0) {
      EXPECT_EQ(count, 0) << names[code];
    }
  }
  // At least one code per quad beyond the seed.
  EXPECT_GE(total, 3);
}
