#include "tests/document/CommandFixture.h"

#include "app/resources/Resource.h"
#include "tests/support/ClipboardRecorder.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <cmath>
#include <sstream>

namespace {

class CPackingCommandsTest : public CCommandFixture
{
public:
  using CCommandFixture::m_EditDialog;
  using CCommandFixture::m_pDoc;

protected:
  CMesh3d* SetPlate()
  {
    return SetMesh([](CMesh3d& m) { m.Copy(progressive::PlateWithHoles(12, 10, 5).get()); });
  }
  void AnswerIterations(int n)
  {
    m_EditDialog = [n](platform::CDialog& dialog) {
      if (dialog.GetTemplateId() == 163)
        dialog.Fields().SetText(1067, std::to_string(n));
    };
  }
  // Every face holds vertices of its own mesh, and adjacency is what a rebuild would give.
  static void ExpectSound(CMesh3d* pMesh)
  {
    for (int i = 0; i < pMesh->NbFace(); i++)
      for (int k = 0; k < 3; k++)
        ASSERT_GE(pMesh->IndexFrom(pMesh->GetFace(i)->v(k)), 0);
    fixtures::ExpectAdjacencyMatchesRebuild(pMesh);
  }
};

TEST_F(CPackingCommandsTest, MultiplePackAppendsFifteenPackedCopies)
{
  CMesh3d* pMesh = SetPlate();
  const int n = pMesh->NbVertex();
  ASSERT_TRUE(Run(ID_PACK_MULTIPLE));
  ASSERT_EQ(16, NbObject());
  EXPECT_EQ(n, Mesh(0)->NbVertex());
  for (int f = 2; f <= 16; f++) {
    CMesh3d* pCopy = Mesh(f - 1);
    ASSERT_NE(nullptr, pCopy);
    EXPECT_EQ("freq : " + std::to_string(f), pCopy->GetName());
    EXPECT_EQ((n + f - 1) / f, pCopy->NbVertex());
    ExpectSound(pCopy);
  }
}

TEST_F(CPackingCommandsTest, KeepFacesIsClampedAndRebuilds)
{
  CMesh3d* pMesh = SetPlate();
  const int nf = pMesh->NbFace();
  AnswerIterations(nf + 1000);
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_KEEP_FACES));
  EXPECT_EQ(nf, pMesh->NbFace());
  ExpectSound(pMesh);
  AnswerIterations(10);
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_KEEP_FACES));
  EXPECT_EQ(10, pMesh->NbFace());
  ExpectSound(pMesh);
  // Cancelled: nothing changes.
  m_DialogAnswer = platform::IDCANCEL;
  AnswerIterations(3);
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_KEEP_FACES));
  EXPECT_EQ(10, pMesh->NbFace());
}

TEST_F(CPackingCommandsTest, CoarseProgressiveMeshAppendsShrinkingSoundCopies)
{
  CMesh3d* pMesh = SetPlate();
  const int nf = pMesh->NbFace();
  AnswerIterations(4);
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_COARSE_PROGRESSIVE));
  ASSERT_EQ(4, NbObject());
  for (int k = 1; k < 4; k++) {
    CMesh3d* pCopy = Mesh(k);
    EXPECT_EQ(nf * (4 - k) / 4, pCopy->NbFace());
    ExpectSound(pCopy);
    // Normals were computed: unit length on a wavy plate.
    const CVector3d* pNormal = pCopy->GetFace(0)->GetNormal();
    EXPECT_NEAR(1.0, std::sqrt(pNormal->x() * pNormal->x() + pNormal->y() * pNormal->y() +
                               pNormal->z() * pNormal->z()),
                1e-3);
  }
  EXPECT_EQ(nf, pMesh->NbFace());
  AnswerIterations(1);
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_COARSE_PROGRESSIVE));
  EXPECT_EQ(4, NbObject());
}

// Multi-mesh tilings of a small torus from seed first to last; the clipboard's table.
std::string RunTilings(CPackingCommandsTest* test, int first, int last, int retainMin)
{
  CClipboardRecorder clipboard;
  test->m_EditDialog = [=](platform::CDialog& dialog) {
    dialog.Fields().SetChoice(1103, 1);
    dialog.Fields().SetText(1079, std::to_string(first));
    dialog.Fields().SetText(1080, std::to_string(last));
    dialog.Fields().SetChoice(1104, retainMin);
  };
  EXPECT_TRUE(test->m_pDoc->DoCommand(ID_TILING_BUILD));
  return clipboard.GetText();
}

TEST_F(CPackingCommandsTest, TilingSeedRangeStopsAtTheVertexCount)
{
  CMesh3d* pMesh = SetMesh([](CMesh3d& m) { m.Copy(progressive::Torus(8, 6).get()); });
  const int nv = pMesh->NbVertex();
  EXPECT_FALSE(IsEnabled(ID_TILING_OPTIMIZE));
  std::istringstream table(RunTilings(this, nv - 3, nv + 50, 0));
  EXPECT_EQ(4, NbObject());
  int seed = 0;
  int tiles = 0;
  int lines = 0;
  while (table >> seed >> tiles) {
    EXPECT_EQ(nv - 3 + lines, seed);
    EXPECT_GT(tiles, 0);
    lines++;
  }
  EXPECT_EQ(3, lines);
  EXPECT_TRUE(IsEnabled(ID_TILING_OPTIMIZE));
  EXPECT_TRUE(Run(ID_TILING_OPTIMIZE));
}

TEST_F(CPackingCommandsTest, RetainingTheFewestTilesWithNoWinnerAppendsNothing)
{
  CMesh3d* pMesh = SetMesh([](CMesh3d& m) { m.Copy(progressive::Torus(8, 6).get()); });
  const int nv = pMesh->NbVertex();
  // Seeds past the vertex count build nothing at all.
  EXPECT_EQ("", RunTilings(this, nv + 1, nv + 9, 1));
  EXPECT_EQ(1, NbObject());
  // Seeds in range: the fewest tiles are kept, one tiling.
  EXPECT_NE("", RunTilings(this, 0, 5, 1));
  EXPECT_EQ(2, NbObject());
}

TEST_F(CPackingCommandsTest, SimplifiersRunFromTheMenu)
{
  CMesh3d* pMesh = SetPlate();
  const int nv = pMesh->NbVertex();
  m_EditDialog = [](platform::CDialog& dialog) {
    if (dialog.GetTemplateId() == 171)
      dialog.Fields().SetChoice(1088, 0);
  };
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_ERROR_ACCUMULATION));
  EXPECT_EQ(171, m_DialogTemplates.back());
  EXPECT_LT(pMesh->NbVertex(), nv);

  pMesh = SetPlate();
  const int nf = pMesh->NbFace();
  m_EditDialog = {};
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_FACE_BASED));
  EXPECT_EQ(172, m_DialogTemplates.back());
  EXPECT_LT(pMesh->NbFace(), nf);

  SetPlate();
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_FAST_FACE_COLLAPSES));
  EXPECT_GT(NbObject(), 1);

  pMesh = SetPlate();
  AnswerIterations(3);
  ASSERT_TRUE(Run(ID_PACK_SET_FREQUENCY));
  EXPECT_EQ((nv + 2) / 3, pMesh->NbVertex());
  ExpectSound(pMesh);

  pMesh = SetPlate();
  ASSERT_TRUE(Run(ID_SPRING_ADAPTATIVE));
  EXPECT_EQ(nv, pMesh->NbVertex());
}

} // namespace
