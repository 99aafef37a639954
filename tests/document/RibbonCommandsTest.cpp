#include "tests/document/CommandFixture.h"

#include "app/resources/Resource.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <cstdio>

namespace {

class CRibbonCommandsTest : public CCommandFixture
{
protected:
  CMesh3d* SetTorus()
  {
    return SetMesh([](CMesh3d& m) { m.Copy(progressive::Torus(12, 8).get()); });
  }
  bool HasStatusStarting(const std::string& text) const
  {
    for (const std::string& status : m_Status)
      if (status.rfind(text, 0) == 0)
        return true;
    return false;
  }
};

TEST_F(CRibbonCommandsTest, BuildOnACopySwapsTheCopyWithObjectZeroOnly)
{
  CMesh3d* pSource = SetTorus();
  const int n0 = pSource->NbVertex();
  auto* pQuad = new CQuadMesh3d;
  m_pDoc->m_SceneGraph.Add(pQuad);
  auto* pThird = new CMesh3d;
  pThird->GenerateBox(1, 1, 1);
  m_pDoc->m_SceneGraph.Add(pThird);
  m_EditDialog = [](platform::CDialog& dialog) { dialog.Fields().SetChoice(1143, 1); };
  ASSERT_TRUE(Run(ID_RIBBONS_BUILD));
  EXPECT_EQ(185, m_DialogTemplates.back());
  ASSERT_EQ(4, NbObject());
  EXPECT_NE(pSource, Mesh(0));
  EXPECT_EQ(pQuad, m_pDoc->m_SceneGraph.GetAt(1));
  EXPECT_EQ(pThird, m_pDoc->m_SceneGraph.GetAt(2));
  EXPECT_EQ(pSource, m_pDoc->m_SceneGraph.GetAt(3));
  EXPECT_EQ(n0, pSource->NbVertex());
  // Unmeshing worked on the copy.
  EXPECT_LT(Mesh(0)->NbVertex(), n0);
  EXPECT_TRUE(HasStatusStarting("Copy mesh..."));
  EXPECT_TRUE(HasStatusStarting("Build wavefront..."));
  EXPECT_TRUE(HasStatusStarting("Wavefront done ("));
  EXPECT_TRUE(HasStatusStarting("Unmesh across, then along..."));
  EXPECT_EQ(0u, LastStatus().find("Unmeshing wavefront done ("));
}

TEST_F(CRibbonCommandsTest, BuildInPlaceAlongFirstWhenAcrossIsNotFirst)
{
  CMesh3d* pMesh = SetTorus();
  const int n0 = pMesh->NbVertex();
  m_EditDialog = [](platform::CDialog& dialog) { dialog.Fields().SetChoice(1144, 0); };
  ASSERT_TRUE(Run(ID_RIBBONS_BUILD));
  ASSERT_EQ(1, NbObject());
  EXPECT_EQ(pMesh, Mesh(0));
  EXPECT_LT(pMesh->NbVertex(), n0);
  EXPECT_TRUE(HasStatusStarting("Unmesh along..."));
  EXPECT_TRUE(HasStatusStarting("Unmesh across..."));
}

TEST_F(CRibbonCommandsTest, CompacityBenchmarkKeepsTheMeshAsItWas)
{
  CMesh3d* pMesh = SetTorus();
  pMesh->SetName("ring");
  pMesh->SetColor(10, 20, 30);
  const int n0 = pMesh->NbVertex();
  ASSERT_TRUE(Run(ID_RIBBONS_BENCHS_COMPACITY));
  ASSERT_EQ(1, NbObject());
  EXPECT_EQ(pMesh, Mesh(0));
  EXPECT_EQ("ring", pMesh->GetName());
  EXPECT_EQ(10, pMesh->GetColor()->r());
  EXPECT_EQ(30, pMesh->GetColor()->b());
  EXPECT_EQ(n0, pMesh->NbVertex());
  EXPECT_EQ(static_cast<size_t>(pMesh->NbFace()), m_Status.size());
  int face = -1, a = -1, b = -1, c = -1;
  ASSERT_EQ(4, std::sscanf(LastStatus().c_str(), "Face %d, Max: %d, Max swap: %d, Max min: %d",
                           &face, &a, &b, &c));
  EXPECT_EQ(pMesh->NbFace() - 1, face);
  for (int index : {a, b, c}) {
    EXPECT_GE(index, 0);
    EXPECT_LT(index, pMesh->NbFace());
  }
}

TEST_F(CRibbonCommandsTest, RemeshingEntriesRefineTheMesh)
{
  CMesh3d* pMesh = SetTorus();
  const int f0 = pMesh->NbFace();
  ASSERT_TRUE(Run(ID_REMESH_BOTH));
  EXPECT_GT(pMesh->NbFace(), f0);
  EXPECT_TRUE(HasStatusStarting("Remesh along..."));
  EXPECT_TRUE(HasStatusStarting("Remesh across..."));

  pMesh = SetTorus();
  m_EditDialog = [](platform::CDialog& dialog) { dialog.Fields().SetChoice(1143, 0); };
  ASSERT_TRUE(Run(ID_RIBBONS_BUILD));
  m_EditDialog = {};
  const int f1 = pMesh->NbFace();
  ASSERT_TRUE(Run(ID_REMESH_ACROSS));
  EXPECT_GE(pMesh->NbFace(), f1);
  EXPECT_EQ("Anisotropic remeshing (across)...done.", LastStatus());
  ASSERT_TRUE(Run(ID_REMESH_ALONG));
  EXPECT_EQ("Remesh along...done", LastStatus());
  m_EditDialog = [](platform::CDialog& dialog) { dialog.Fields().SetChoice(1148, 0); };
  ASSERT_TRUE(Run(ID_REMESH_ACROSS_TWO_EDGES));
  EXPECT_EQ(186, m_DialogTemplates.back());
  EXPECT_EQ("One vertex per edge...done", LastStatus());
  ASSERT_TRUE(Run(ID_REMESH_SPRING_FREE));
}

TEST_F(CRibbonCommandsTest, CompacityMeasureAndImprovement)
{
  CMesh3d* pMesh = SetTorus();
  ASSERT_TRUE(Run(ID_GEOMETRY_MEAN_COMPACITY));
  double before = 0;
  ASSERT_EQ(1, std::sscanf(LastStatus().c_str(), "Mean compacity: %lg", &before));
  EXPECT_NEAR(pMesh->MeanCompacity(), before, 1e-5);
  ASSERT_TRUE(Run(ID_MODIFICATION_IMPROVE_COMPACITY));
  int total = -1;
  ASSERT_EQ(1, std::sscanf(LastStatus().c_str(), "Improve compacity done (%d edges swapped).", &total));
  EXPECT_GE(total, 0);
  EXPECT_GE(pMesh->MeanCompacity(), before - 1e-6);
  // A second run finds nothing more to swap.
  ASSERT_TRUE(Run(ID_MODIFICATION_IMPROVE_COMPACITY));
  EXPECT_EQ("Improve compacity done (0 edges swapped).", LastStatus());
}

} // namespace
