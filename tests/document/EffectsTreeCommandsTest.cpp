// What each statistics, ring, gap, quantization and vertex-tree command produces on a small
// tetrahedron whose trees can be worked out by hand:
//   A (0, 0, 0)   B (3, 0, 0)   C (0, 0, 2)   D (0, 2.4, 3.2)
// From A, C is nearest (2), then B (3), then D (4); from C, D (2.68) is nearer than B (3.61).
// So the edge-length tree from A walks A C D B and the root-distance tree walks A C B D.
#include "tests/document/CodingFixture.h"

#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"

#include <array>
#include <cmath>
#include <fstream>

namespace {

struct SPoint
{
  float x, y, z;
};
constexpr SPoint kA{0, 0, 0}, kB{3, 0, 0}, kC{0, 0, 2}, kD{0, 2.4f, 3.2f};

class CEffectsTreeCommandsTest : public CCodingFixture
{
protected:
  void SetUp() override
  {
    CCodingFixture::SetUp();
    m_pMesh = SetSample();
  }
  CMesh3d* SetSample()
  {
    return SetMesh([](CMesh3d& mesh) {
      for (const SPoint& p : {kA, kB, kC, kD})
        mesh.AddVertex(new CVertex3d(p.x, p.y, p.z));
      const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
      for (const auto& f : faces)
        mesh.AddFace(new CFace3d(mesh.GetVertex(f[0]), mesh.GetVertex(f[1]), mesh.GetVertex(f[2])));
    });
  }

  static std::vector<std::string> FileLines(const std::string& name)
  {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }
  // An excursion file: a root line "k\t0\troot" where the value is empty, else "k\tvalue".
  static void ExpectExcursion(const std::string& name, const std::vector<double>& values, int root)
  {
    const std::vector<std::string> lines = FileLines(name);
    ASSERT_EQ(lines.size(), values.size()) << name;
    for (size_t i = 0; i < lines.size(); i++) {
      const std::string number = std::to_string(i + 1) + "\t";
      if (static_cast<int>(i) == root) {
        EXPECT_EQ(lines[i], number + "0\troot") << name;
        continue;
      }
      ASSERT_EQ(lines[i].rfind(number, 0), 0u) << name << ": " << lines[i];
      EXPECT_NEAR(std::stod(lines[i].substr(number.size())), values[i], 1e-4) << name << ": " << lines[i];
    }
  }
  static double Distance(const SPoint& p, const SPoint& q)
  {
    return std::sqrt(double(p.x - q.x) * (p.x - q.x) + double(p.y - q.y) * (p.y - q.y) +
                     double(p.z - q.z) * (p.z - q.z));
  }
  static double Length(const SPoint& p) { return Distance(p, {0, 0, 0}); }
  // Distances to the barycentre of the four vertices, (0.75, 0.6, 1.3).
  static double FromCentre(const SPoint& p) { return Distance(p, {0.75f, 0.6f, 1.3f}); }

  void ExpectVertex(int i, float x, float y, float z) const
  {
    ASSERT_LT(i, m_pMesh->NbVertex());
    const CVertex3d* v = m_pMesh->GetVertex(i);
    EXPECT_NEAR(v->x(), x, 1e-5) << "vertex " << i;
    EXPECT_NEAR(v->y(), y, 1e-5) << "vertex " << i;
    EXPECT_NEAR(v->z(), z, 1e-5) << "vertex " << i;
  }
  void ExpectVertex(int i, const SPoint& p) const { ExpectVertex(i, p.x, p.y, p.z); }
  void ExpectUnchanged() const
  {
    ExpectVertex(0, kA);
    ExpectVertex(1, kB);
    ExpectVertex(2, kC);
    ExpectVertex(3, kD);
  }
  void ExpectAdjacency() const
  {
    for (int i = 0; i < 4; i++)
      EXPECT_EQ(m_pMesh->GetVertex(i)->NbVertexNeighbor(), 3) << i;
  }
  void AnswerBits(int bits)
  {
    m_EditDialog = [bits](platform::CDialog& dialog) { dialog.Fields().SetText(1019, std::to_string(bits)); };
  }
  static std::array<int, 3> Rgb(const CFace3d* pFace)
  {
    return {pFace->GetColor()->r(), pFace->GetColor()->g(), pFace->GetColor()->b()};
  }

  CMesh3d* m_pMesh = nullptr;
};

} // namespace

TEST_F(CEffectsTreeCommandsTest, TheDegreeHistogramChangesNothing)
{
  ASSERT_TRUE(Run(ID_STATISTICS_DEGREE_HISTOGRAM));
  EXPECT_EQ(NbObject(), 1);
  ExpectUnchanged();
  ExpectAdjacency();
  EXPECT_TRUE(m_Messages.empty());
  EXPECT_TRUE(m_DialogTemplates.empty());
  // A mesh without vertices has no histogram: still nothing shown and nothing added.
  SetMesh([](CMesh3d&) {});
  ASSERT_TRUE(Run(ID_STATISTICS_DEGREE_HISTOGRAM));
  EXPECT_EQ(NbObject(), 1);
  EXPECT_TRUE(m_Messages.empty());
}

TEST_F(CEffectsTreeCommandsTest, ExcursionDeltaInMeshOrderWritesTheLengthOfEachPosition)
{
  // The run holds the positions themselves: the delta file gives their lengths.
  ASSERT_TRUE(Run(ID_STATISTICS_EXCURSION_DELTA));
  ExpectExcursion("original_order_delta.dat", {0, Length(kB), Length(kC), Length(kD)}, 0);
  EXPECT_FALSE(std::filesystem::exists("original_order_absolute.dat"));
  EXPECT_EQ(NbObject(), 1);
  ExpectUnchanged();
}

TEST_F(CEffectsTreeCommandsTest, TheTwoSpanningTreesFollowTheirCriteria)
{
  ASSERT_TRUE(Run(ID_SPANNING_EDGE_LENGTH));
  ExpectExcursion("edge_length_delta.dat", {0, Length(kC), Length(kD), Length(kB)}, 0);
  ExpectExcursion("edge_length_absolute.dat",
                  {FromCentre(kA), FromCentre(kC), FromCentre(kD), FromCentre(kB)}, -1);
  ASSERT_EQ(NbObject(), 2);
  const auto* pDisplay = dynamic_cast<const CVertexSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pDisplay, nullptr);
  EXPECT_EQ(pDisplay->NbVertex(), 4);
  ExpectUnchanged();

  ASSERT_TRUE(Run(ID_SPANNING_ROOT_DISTANCE));
  ExpectExcursion("root_distance_delta.dat", {0, Length(kC), Length(kB), Length(kD)}, 0);
  EXPECT_EQ(NbObject(), 3);

  // Seeded at the highlighted vertex D: C (2.68) is nearest, then A (2 from C), then B.
  m_pDoc->m_HighlightVertexIndex = 3;
  ASSERT_TRUE(Run(ID_SPANNING_EDGE_LENGTH));
  ExpectExcursion("edge_length_delta.dat", {0, Length(kC), Length(kA), Length(kB)}, 0);
}

TEST_F(CEffectsTreeCommandsTest, ConcentricRingsColourTheFacesByRing)
{
  // From A: the three faces around A are ring 1, the face B C D ring 2.
  ASSERT_TRUE(Run(ID_RINGS_PASTELS));
  for (int f = 0; f < 3; f++)
    EXPECT_EQ(Rgb(m_pMesh->GetFace(f)), (std::array<int, 3>{255, 128, 84})) << f;
  EXPECT_EQ(Rgb(m_pMesh->GetFace(3)), (std::array<int, 3>{128, 255, 128}));

  // Grey: flag / largest flag x 255.
  ASSERT_TRUE(Run(ID_RINGS_GREY));
  for (int f = 0; f < 3; f++)
    EXPECT_EQ(Rgb(m_pMesh->GetFace(f)), (std::array<int, 3>{127, 127, 127})) << f;
  EXPECT_EQ(Rgb(m_pMesh->GetFace(3)), (std::array<int, 3>{255, 255, 255}));

  // From D the face A C B, the only one without D, is the outer ring.
  m_pDoc->m_HighlightVertexIndex = 3;
  ASSERT_TRUE(Run(ID_RINGS_GREY));
  EXPECT_EQ(Rgb(m_pMesh->GetFace(0)), (std::array<int, 3>{255, 255, 255}));
  for (int f = 1; f < 4; f++)
    EXPECT_EQ(Rgb(m_pMesh->GetFace(f)), (std::array<int, 3>{127, 127, 127})) << f;
  EXPECT_EQ(NbObject(), 1);
  ExpectUnchanged();
}

TEST_F(CEffectsTreeCommandsTest, FastConnectWalksEveryVertexWithThreePointsPerStep)
{
  // One path: A, a step out to ring 2, then two steps along it; each step adds three points.
  ASSERT_TRUE(Run(ID_SPANNING_FAST_CONNECT));
  ASSERT_EQ(NbObject(), 2);
  const auto* pPath = dynamic_cast<const CVertexSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pPath, nullptr);
  EXPECT_EQ(pPath->NbVertex(), 4 + 3 * 3);
  // The rings were coloured in pastels first.
  EXPECT_EQ(Rgb(m_pMesh->GetFace(3)), (std::array<int, 3>{128, 255, 128}));
}

TEST_F(CEffectsTreeCommandsTest, GapsCutTheOuterRingOffAndPushItOut)
{
  // B, C and D touch both rings: each gets a second copy for the ring-2 face.
  ASSERT_TRUE(Run(ID_GAP_RINGS_NO_GAP));
  ASSERT_EQ(NbObject(), 2);
  const CMesh3d* pCut = Mesh(1);
  ASSERT_NE(pCut, nullptr);
  ASSERT_EQ(pCut->NbVertex(), 7);
  ASSERT_EQ(pCut->NbFace(), 4);
  const SPoint copies[3] = {kB, kC, kD};
  for (int i = 0; i < 3; i++) {
    const CVertex3d* v = pCut->GetVertex(4 + i);
    EXPECT_NEAR(v->x(), copies[i].x, 1e-6);
    EXPECT_NEAR(v->y(), copies[i].y, 1e-6);
    EXPECT_NEAR(v->z(), copies[i].z, 1e-6);
  }
  // The ring-2 face stands on the copies alone, and keeps its pastel colour.
  const CFace3d* pOuter = pCut->GetFace(3);
  for (int k = 0; k < 3; k++)
    EXPECT_GE(pCut->IndexFrom(pOuter->v(k)), 4);
  EXPECT_EQ(Rgb(pOuter), (std::array<int, 3>{128, 255, 128}));

  // A gap of 0.1: each copy moves away from A, its neighbour on the inner ring, by a tenth.
  ASSERT_TRUE(Run(ID_GAP_RINGS));
  ASSERT_EQ(NbObject(), 3);
  pCut = Mesh(2);
  ASSERT_EQ(pCut->NbVertex(), 7);
  for (int i = 0; i < 3; i++) {
    const CVertex3d* v = pCut->GetVertex(4 + i);
    EXPECT_NEAR(v->x(), 1.1f * copies[i].x, 1e-5);
    EXPECT_NEAR(v->y(), 1.1f * copies[i].y, 1e-5);
    EXPECT_NEAR(v->z(), 1.1f * copies[i].z, 1e-5);
  }
  ExpectUnchanged();
}

TEST_F(CEffectsTreeCommandsTest, DeltaQuantizationOnTheTreePredictsFromRebuiltPositions)
{
  // One bit per delta along A C B D, from the previous rebuilt position:
  //   x deltas 0, 3, -3 over [-3, 3]: -3, 0, -3;  y 0, 0, 2.4: 0, 0, 2.4;
  //   z 2, -2, 3.2 over [-2, 3.2]: 3.2, 1.2, 4.4. The mesh then takes the tree's order.
  AnswerBits(1);
  ASSERT_TRUE(Run(ID_QUANTIZE_DELTA_TREE));
  EXPECT_EQ(m_DialogTemplates.back(), 166);
  ExpectVertex(0, 0, 0, 0);
  ExpectVertex(1, -3, 0, 3.2f);
  ExpectVertex(2, 0, 0, 1.2f);
  ExpectVertex(3, -3, 2.4f, 4.4f);
  ExpectAdjacency();

  m_pMesh = SetSample();  // cancelled: nothing moves
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_QUANTIZE_DELTA_TREE));
  ExpectUnchanged();
}

TEST_F(CEffectsTreeCommandsTest, PullAndPushWithoutChangesReordersOnlyAlongTheTree)
{
  ASSERT_TRUE(Run(ID_TREE_PULL_PUSH_NO_REORDER));
  ExpectUnchanged();
  ExpectAdjacency();
  EXPECT_EQ(NbObject(), 1);

  ASSERT_TRUE(Run(ID_TREE_PULL_PUSH_ROOT));
  ExpectVertex(0, kA);
  ExpectVertex(1, kC);
  ExpectVertex(2, kB);
  ExpectVertex(3, kD);
  ExpectAdjacency();
  EXPECT_EQ(NbObject(), 1);  // the tree's display object is not kept
  // The faces keep their corners: face 0 is still A C B.
  const CFace3d* pFace = m_pMesh->GetFace(0);
  EXPECT_EQ(pFace->v(1)->z(), kC.z);
  EXPECT_EQ(pFace->v(2)->x(), kB.x);
}

TEST_F(CEffectsTreeCommandsTest, PullAndPushWithQuantizationTouchesTheRootOnlyWhenAsked)
{
  // Two bits on the positions along A C B D, the root included: z 0, 2, 0, 3.2 on four
  // levels of [0, 3.2] puts C at 2 x 3.2 / 3; x and y already lie on their levels.
  AnswerBits(2);
  ASSERT_TRUE(Run(ID_TREE_PULL_PUSH_QUANTIZATION));
  ExpectVertex(0, kA);
  ExpectVertex(1, 0, 0, 3.2f * 2 / 3);
  ExpectVertex(2, kB);
  ExpectVertex(3, kD);

  // Two bits on the deltas C-A (0, 0, 2), B-C (3, 0, -2), D-B (-3, 2.4, 3.2), the root kept:
  //   x over [-3, 3]: -1, 3, -3;  y unchanged;  z over [-2, 3.2]: 2 x 5.2 / 3 - 2, -2, 3.2.
  m_pMesh = SetSample();
  AnswerBits(2);
  ASSERT_TRUE(Run(ID_TREE_PULL_PUSH_DELTA_QUANTIZATION));
  const float z1 = 2 * 5.2f / 3 - 2;
  ExpectVertex(0, kA);
  ExpectVertex(1, -1, 0, z1);
  ExpectVertex(2, 2, 0, z1 - 2);
  ExpectVertex(3, -1, 2.4f, z1 + 1.2f);
  ExpectAdjacency();
}

TEST_F(CEffectsTreeCommandsTest, TreeExcursionsWriteDistancesToTheCentreAndTheDeltas)
{
  ASSERT_TRUE(Run(ID_TREE_EXCURSION));
  const std::vector<double> absolute = {FromCentre(kA), FromCentre(kC), FromCentre(kB), FromCentre(kD)};
  ExpectExcursion("vertex_root_absolute.dat", absolute, -1);
  EXPECT_FALSE(std::filesystem::exists("vertex_root_delta.dat"));
  ExpectUnchanged();

  // The delta command writes the absolute file first, then the lengths of the steps.
  std::filesystem::remove("vertex_root_absolute.dat");
  ASSERT_TRUE(Run(ID_TREE_EXCURSION_DELTA));
  ExpectExcursion("vertex_root_absolute.dat", absolute, -1);
  ExpectExcursion("vertex_root_delta.dat", {0, Distance(kC, kA), Distance(kB, kC), Distance(kD, kB)}, 0);
  ExpectUnchanged();
  EXPECT_EQ(NbObject(), 1);
}

TEST_F(CEffectsTreeCommandsTest, ShowDeltaDrawsEachStepFromTheOrigin)
{
  ASSERT_TRUE(Run(ID_TREE_SHOW_DELTA));
  ASSERT_EQ(NbObject(), 2);
  const auto* pSet = dynamic_cast<const CVectorSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pSet, nullptr);
  ASSERT_EQ(pSet->NbVector(), 3);
  const SPoint steps[3] = {{0, 0, 2}, {3, 0, -2}, {-3, 2.4f, 3.2f}};
  for (int i = 0; i < 3; i++) {
    const CVertex3d* from = pSet->GetPoint(2 * i);
    const CVertex3d* to = pSet->GetPoint(2 * i + 1);
    EXPECT_EQ(from->x(), 0.0f);
    EXPECT_EQ(from->y(), 0.0f);
    EXPECT_EQ(from->z(), 0.0f);
    EXPECT_NEAR(to->x(), steps[i].x, 1e-5) << i;
    EXPECT_NEAR(to->y(), steps[i].y, 1e-5) << i;
    EXPECT_NEAR(to->z(), steps[i].z, 1e-5) << i;
  }
  // The deltas were undone: the mesh is as it was.
  ExpectUnchanged();
}

TEST_F(CEffectsTreeCommandsTest, EmbeddedCodingShowsItsDialogOnAnyScene)
{
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_QUANTIZER_EMBEDDED_CODING));
  EXPECT_EQ(m_DialogTemplates.back(), 167);
  ExpectUnchanged();
  m_pDoc->EmptyScene();
  EXPECT_TRUE(IsEnabled(ID_QUANTIZER_EMBEDDED_CODING));
  ASSERT_TRUE(Run(ID_QUANTIZER_EMBEDDED_CODING));
  EXPECT_EQ(m_DialogTemplates.size(), 2u);
}
