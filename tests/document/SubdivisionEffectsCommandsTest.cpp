// What the V3 and adaptive subdivision commands produce: face and vertex counts, filtered
// positions, the faces they touch, status texts, and refinements that restart from the mesh
// as it was before the last one.
#include "tests/document/CommandFixture.h"

#include <array>
#include <regex>

namespace {

class CSubdivisionEffectsCommandsTest : public CCommandFixture
{
protected:
  // A tetrahedron of unequal sides: every vertex has valence 3.
  CMesh3d* SetUnevenTetrahedron()
  {
    return SetMesh([](CMesh3d& mesh) {
      const float points[4][3] = {{0, 0, 0}, {3, 0, 0}, {0, 0, 2}, {0, 2.4f, 3.2f}};
      for (const auto& p : points)
        mesh.AddVertex(new CVertex3d(p[0], p[1], p[2]));
      const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
      for (const auto& f : faces)
        mesh.AddFace(new CFace3d(mesh.GetVertex(f[0]), mesh.GetVertex(f[1]), mesh.GetVertex(f[2])));
    });
  }
  // Every face colour is entry (flag mod 10) of the ten-colour face palette.
  static void ExpectPaletteColours(const CMesh3d* pMesh)
  {
    static const std::array<int, 3> palette[10] = {
      {40, 128, 255}, {255, 128, 84},  {128, 255, 128}, {40, 128, 128}, {128, 128, 128},
      {255, 255, 128}, {128, 128, 255}, {255, 128, 192}, {171, 60, 60},  {0, 128, 80}};
    for (int i = 0; i < pMesh->NbFace(); i++) {
      const CFace3d* f = pMesh->GetFace(i);
      ASSERT_GE(f->GetFlag(), 0) << i;
      const CColor* c = f->GetColor();
      EXPECT_EQ((std::array<int, 3>{c->r(), c->g(), c->b()}), palette[f->GetFlag() % 10]) << "face " << i;
    }
  }
  struct SSnapshot
  {
    int faces;
    int vertices;
    std::vector<float> coordinates;
  };
  static SSnapshot Snapshot(const CMesh3d* pMesh)
  {
    SSnapshot s{pMesh->NbFace(), pMesh->NbVertex(), {}};
    for (int i = 0; i < pMesh->NbVertex(); i++) {
      const CVertex3d* v = pMesh->GetVertex(i);
      s.coordinates.insert(s.coordinates.end(), {v->x(), v->y(), v->z()});
    }
    return s;
  }
  static void ExpectSame(const SSnapshot& a, const SSnapshot& b)
  {
    EXPECT_EQ(a.faces, b.faces);
    EXPECT_EQ(a.vertices, b.vertices);
    EXPECT_EQ(a.coordinates, b.coordinates);
  }
};

} // namespace

TEST_F(CSubdivisionEffectsCommandsTest, FixedAlphaTwoNinthsTriplesTheFacesAndFiltersWithThatWeight)
{
  CMesh3d* pMesh = SetUnevenTetrahedron();
  const SSnapshot before = Snapshot(pMesh);
  auto* pSecond = new CMesh3d;
  pSecond->GenerateBox(1.0f, 1.0f, 1.0f);
  pSecond->Rebuild();
  m_pDoc->m_SceneGraph.Add(pSecond);

  ASSERT_TRUE(Run(ID_V3_ALPHA_2_9));
  ASSERT_EQ(pMesh->NbFace(), 12);
  ASSERT_EQ(pMesh->NbVertex(), 8);
  EXPECT_EQ(pSecond->NbFace(), 36);  // every triangle mesh of the scene
  EXPECT_EQ(pSecond->NbVertex(), 20);
  // Each old vertex becomes (2/9 p + the sum of its three neighbours) / (3 + 2/9).
  const float w = 0.22222222f;
  for (int i = 0; i < 4; i++) {
    float sum[3] = {0, 0, 0};
    for (int j = 0; j < 4; j++)
      if (j != i)
        for (int k = 0; k < 3; k++)
          sum[k] += before.coordinates[3 * j + k];
    for (int k = 0; k < 3; k++)
      EXPECT_NEAR(pMesh->GetVertex(i)->Get(k), (w * before.coordinates[3 * i + k] + sum[k]) / (3 + w), 1e-5)
        << "vertex " << i << " axis " << k;
  }
  // The flips replaced every old edge: an old vertex now neighbours only face centres, and
  // each centre its three corners and the three centres beside it.
  for (int i = 0; i < 4; i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    ASSERT_EQ(v->NbVertexNeighbor(), 3) << i;
    for (int k = 0; k < 3; k++)
      EXPECT_GE(pMesh->IndexFrom(v->GetVertexNeighbor(k)), 4) << i;
  }
  for (int i = 4; i < 8; i++)
    EXPECT_EQ(pMesh->GetVertex(i)->NbVertexNeighbor(), 6) << i;
  EXPECT_TRUE(pMesh->IsValid());
}

TEST_F(CSubdivisionEffectsCommandsTest, FlipEdgesSaysHowLongItTook)
{
  CMesh3d* pMesh = SetBox();
  ASSERT_TRUE(Run(ID_V3_FLIP_EDGES));
  EXPECT_EQ(pMesh->NbFace(), 36);
  EXPECT_EQ(pMesh->NbVertex(), 20);
  EXPECT_TRUE(std::regex_match(LastStatus(), std::regex(R"(V3 done \([0-9.e+-]+ s\)\.\.\.)"))) << LastStatus();
}

TEST_F(CSubdivisionEffectsCommandsTest, PiecewiseSplitsTheSharpEdgesOfABoxAndKeepsThem)
{
  // Flat 0: every face of the box is selected (its corners are not flat). The twelve cube
  // edges are sharp (90 > 50 degrees): not flipped but split, one vertex and two faces each.
  CMesh3d* pMesh = SetBox();
  auto* pSecond = new CMesh3d;
  pSecond->GenerateBox(1.0f, 1.0f, 1.0f);
  pSecond->Rebuild();
  m_pDoc->m_SceneGraph.Add(pSecond);
  ASSERT_TRUE(Run(ID_V3_PIECEWISE));
  EXPECT_EQ(pMesh->NbVertex(), 8 + 12 + 12);
  EXPECT_EQ(pMesh->NbFace(), 36 + 24);
  EXPECT_TRUE(pMesh->IsValid());
  for (int i = 0; i < pMesh->NbFace(); i++)
    EXPECT_EQ(pMesh->GetFace(i)->NbFaceNeighbor(), 3) << i;
  // Object 0 only.
  EXPECT_EQ(pSecond->NbFace(), 12);
}

TEST_F(CSubdivisionEffectsCommandsTest, TheParametersPiecewiseBranchTakesItsAnglesAndSplitChoice)
{
  const struct { const char* sharp; const char* split; int vertices; int faces; } cases[] = {
    {"50", "1", 32, 60},   // as the menu entry
    {"50", "0", 20, 36},   // sharp edges kept but not split
    {"100", "1", 20, 36},  // no edge is sharp: nothing to split
  };
  for (const auto& c : cases) {
    CMesh3d* pMesh = SetBox();
    AnswerWith({{"Piecewise", "1"}, {"Sharp", c.sharp}, {"Flat", "0"}, {"Split sharp edges", c.split}});
    ASSERT_TRUE(Run(ID_V3_PARAMETERS));
    EXPECT_EQ(m_DialogTemplates.back(), 174);
    EXPECT_EQ(pMesh->NbVertex(), c.vertices) << c.sharp << " " << c.split;
    EXPECT_EQ(pMesh->NbFace(), c.faces) << c.sharp << " " << c.split;
    EXPECT_TRUE(pMesh->IsValid());
  }
  // A flat angle above every corner's angle selects nothing.
  CMesh3d* pMesh = SetBox();
  AnswerWith({{"Piecewise", "1"}, {"Sharp", "50"}, {"Flat", "120"}, {"Split sharp edges", "1"}});
  ASSERT_TRUE(Run(ID_V3_PARAMETERS));
  EXPECT_EQ(pMesh->NbFace(), 12);
  EXPECT_EQ(pMesh->NbVertex(), 8);
}

TEST_F(CSubdivisionEffectsCommandsTest, AdaptiveCurvatureRefinesOnlyNearTheMostCurvedVertices)
{
  // A flat grid has no curvature at all: nothing lies strictly above 95 % of 0.
  CMesh3d* pMesh = SetGrid(6, 6);
  ASSERT_TRUE(Run(ID_LOOP_ADAPTIVE_CURVATURE));
  EXPECT_EQ(pMesh->NbFace(), 72);
  EXPECT_EQ(pMesh->NbVertex(), 49);

  // A spike in the middle: only the faces around it are split; the far corner is untouched.
  pMesh = SetGrid(6, 6);
  pMesh->GetVertex(3 * 7 + 3)->Set(3.0f, 2.0f, 3.0f);
  pMesh->Rebuild();
  ASSERT_TRUE(Run(ID_LOOP_ADAPTIVE_CURVATURE));
  EXPECT_GT(pMesh->NbFace(), 72);
  EXPECT_LT(pMesh->NbFace(), 4 * 72);
  // The grid's corner, three squares from the spike, keeps its three neighbours.
  EXPECT_EQ(pMesh->GetVertex(0)->NbVertexNeighbor(), 3);
  EXPECT_EQ(pMesh->GetVertex(0)->x(), 0.0f);
  EXPECT_EQ(pMesh->GetVertex(0)->z(), 0.0f);
}

TEST_F(CSubdivisionEffectsCommandsTest, OneSilhouetteIterationSplitsOnlyTheFlaggedFaces)
{
  CMesh3d* pMesh = SetBox();
  pMesh->SetFacesFlag(0);
  pMesh->GetFace(2)->SetFlag(1);
  pMesh->GetFace(7)->SetFlag(1);
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_1_ITER));
  EXPECT_EQ(pMesh->NbVertex(), 8 + 2);
  EXPECT_EQ(pMesh->NbFace(), 12 + 4);
  EXPECT_TRUE(pMesh->IsValid());
  // No flagged face: nothing to split.
  pMesh = SetBox();
  pMesh->SetFacesFlag(0);
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_1_ITER));
  EXPECT_EQ(pMesh->NbFace(), 12);
}

TEST_F(CSubdivisionEffectsCommandsTest, SilhouetteRefinementsRestartFromTheMeshBeforeThem)
{
  CMesh3d* pMesh = SetBox();
  const SSnapshot box = Snapshot(pMesh);
  ASSERT_TRUE(Run(ID_V3_ALONE));

  // Without debug: the history is undone first, so two runs give the same mesh.
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_4_ITERS_NO_DEBUG));
  const SSnapshot first = Snapshot(pMesh);
  EXPECT_GE(first.faces, 12);
  EXPECT_TRUE(pMesh->IsValid());
  ExpectPaletteColours(pMesh);
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_4_ITERS_NO_DEBUG));
  ExpectSame(Snapshot(pMesh), first);
  ExpectPaletteColours(pMesh);

  // The parameters with no front and no silhouette pass only undo, rebuild and colour.
  AnswerWith({{"Camera", "0"}, {"Silhouette", "0"}});
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_PARAMETERS));
  EXPECT_EQ(m_DialogTemplates.back(), 177);
  ExpectSame(Snapshot(pMesh), box);
  ExpectPaletteColours(pMesh);

  // With passes: again the same result from the same start.
  AnswerWith({{"Camera", "1"}, {"Silhouette", "2"}});
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_PARAMETERS));
  const SSnapshot refined = Snapshot(pMesh);
  EXPECT_TRUE(pMesh->IsValid());
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_PARAMETERS));
  ExpectSame(Snapshot(pMesh), refined);

  // Cancelled: nothing changes, the history stays.
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_PARAMETERS));
  ExpectSame(Snapshot(pMesh), refined);
}

TEST_F(CSubdivisionEffectsCommandsTest, RegularizeSplitsUntilNoFaceOutgrowsItsNeighbours)
{
  // Even areas: no face is five times its smallest neighbour, nothing happens.
  CMesh3d* pMesh = SetGrid(4, 4);
  ASSERT_TRUE(Run(ID_V3_REGULARIZE));
  EXPECT_EQ(pMesh->NbFace(), 32);

  // A closed box with one corner pulled far out: the faces around it dwarf the others.
  pMesh = SetBox();
  pMesh->GetVertex(0)->Set(6.0f * pMesh->GetVertex(0)->x(), 6.0f * pMesh->GetVertex(0)->y(),
                           6.0f * pMesh->GetVertex(0)->z());
  pMesh->Rebuild();
  const int nbVertex = pMesh->NbVertex();
  ASSERT_GT(pMesh->FlagFacesFromAreaDispersion(5.0, 1), 0);
  pMesh->SetFacesFlag(0);
  ASSERT_TRUE(Run(ID_V3_REGULARIZE));
  EXPECT_GT(pMesh->NbVertex(), nbVertex);
  EXPECT_TRUE(pMesh->IsValid());
  // The loop ended because no face is flagged any more.
  EXPECT_EQ(pMesh->FlagFacesFromAreaDispersion(5.0, 1), 0);
}

TEST_F(CSubdivisionEffectsCommandsTest, RegularizeEndsOnAnOpenMeshWhoseSplitsLeaveSlivers)
{
  // A grid whose corner is pulled far out: its large faces lie on the boundary, where edges
  // cannot flip, and each split leaves thinner slivers beside the boundary. Splitting until no
  // face is flagged would never end; the command stops once a pass makes things no better.
  CMesh3d* pMesh = SetGrid(4, 4);
  pMesh->GetVertex(4 * 5 + 4)->Set(40.0f, 0.0f, 40.0f);
  pMesh->Rebuild();
  ASSERT_TRUE(Run(ID_V3_REGULARIZE));
  EXPECT_GT(pMesh->NbFace(), 32);
  EXPECT_LT(pMesh->NbFace(), 32 * 4);
  EXPECT_TRUE(pMesh->IsValid());
  EXPECT_TRUE(CornersInMesh(pMesh));
}
