#include "tests/app/FormViewFixture.h"

#include "app/objects/Camera3d.h"
#include "app/objects/VectorSet3d.h"
#include "mesh/QuadMesh3d.h"

namespace {

class CFormScene : public CFormViewFixture
{
protected:
  std::vector<CVectorSet3d*> SetsNamed(const std::string& name) const
  {
    std::vector<CVectorSet3d*> sets;
    for (int i = 0; i < m_Document->m_SceneGraph.NbObject(); i++) {
      CObject3d* object = m_Document->m_SceneGraph.GetAt(i);
      if (object->GetType() == TYPE_VECTORSET3D && static_cast<CVectorSet3d*>(object)->GetName() == name)
        sets.push_back(static_cast<CVectorSet3d*>(object));
    }
    return sets;
  }
  int CountOfType(int type) const
  {
    int n = 0;
    for (int i = 0; i < m_Document->m_SceneGraph.NbObject(); i++)
      n += m_Document->m_SceneGraph.GetAt(i)->GetType() == type ? 1 : 0;
    return n;
  }
  CCamera3d* Camera() const
  {
    return static_cast<CCamera3d*>(m_Document->m_SceneGraph.FindFirstOfType(TYPE_CAMERA3D));
  }
  // What the view painted after the form asked for a repaint.
  QImage Repainted()
  {
    EXPECT_TRUE(WaitForPaint()) << "the view was not repainted";
    return LastPainted();
  }
};

} // namespace

TEST_F(CFormScene, NormalsShowAddsOneSetPerMeshAndHideRemovesThemAll)
{
  Add(fixtures::Octahedron());
  m_Document->m_SceneGraph.Add(new CVectorSet3d); // someone else's set stays
  Add(fixtures::Tetrahedron());
  Click(IDC_NORMALS_SHOW);
  const auto sets = SetsNamed("NormalSet");
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0]->NbVector(), 8);
  EXPECT_EQ(sets[1]->NbVector(), 4);
  EXPECT_EQ(*sets[0]->GetColor(), CColor(255, 0, 0));

  // Between the two sets: they are not adjacent in the scene.
  Add(fixtures::Tetrahedron());
  Pick(IDC_NORMALS_COLOR, platform::RGB(0, 0, 255));
  EXPECT_EQ(*sets[1]->GetColor(), CColor(0, 0, 255));
  Click(IDC_NORMALS_SHOW);
  EXPECT_TRUE(SetsNamed("NormalSet").empty());
  EXPECT_EQ(m_Document->m_SceneGraph.NbObject(), 4);
  EXPECT_EQ(CountOfType(TYPE_VECTORSET3D), 1);
  // A new set takes the new colour.
  Click(IDC_NORMALS_SHOW);
  ASSERT_EQ(SetsNamed("NormalSet").size(), 3u);
  EXPECT_EQ(*SetsNamed("NormalSet")[2]->GetColor(), CColor(0, 0, 255));
}

TEST_F(CFormScene, NormalsShowOnAnEmptySceneOnlyFlipsTheSwitch)
{
  Click(IDC_NORMALS_SHOW);
  EXPECT_EQ(m_Form->m_NormalsShow, 1);
  EXPECT_EQ(m_Document->m_SceneGraph.NbObject(), 0);
}

TEST_F(CFormScene, NormalsAreDrawnInTheirColour)
{
  AddBox()->ComputeFaceNormals();
  EXPECT_EQ(CountColor(Grab(), 0xFF0000), 0);
  Slider(IDC_NORMALS_SCALE)->setValue(300);
  Click(IDC_NORMALS_SHOW);
  ASSERT_EQ(SetsNamed("NormalSet").size(), 1u);
  // Turned about y, the normals of the side faces stick out sideways.
  m_View->m_yRotation = 30.0f;
  // The frame that compiles a new set's list still shows it lit; the next ones are red.
  Repainted();
  EXPECT_GT(CountColor(Grab(), 0xFF0000), 0);
  Click(IDC_NORMALS_SHOW);
  EXPECT_EQ(CountColor(Repainted(), 0xFF0000), 0);
}

TEST_F(CFormScene, SharpEdgesFollowTheThresholdAndTheMeshTransform)
{
  CMesh3d* box = AddBox();
  box->GetTransform()->SetTranslation(CVector3d(1.0f, 2.0f, 3.0f));
  Add(fixtures::Strip(3)); // flat: no sharp edge, no set
  Click(IDC_SHARP_EDGES_SHOW);
  const auto sets = SetsNamed("SharpEdgesSet");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_GT(sets[0]->NbVector(), 0);
  EXPECT_EQ(*sets[0]->GetColor(), CColor(255, 0, 0));
  EXPECT_FLOAT_EQ(sets[0]->GetTransform()->GetTranslation()->y(), 2.0f);
  Click(IDC_SHARP_EDGES_SHOW);
  EXPECT_TRUE(SetsNamed("SharpEdgesSet").empty());
  EXPECT_EQ(m_Document->m_SceneGraph.NbObject(), 2);
}

TEST_F(CFormScene, LightingOffShowsTheSurfaceColour)
{
  AddBox();
  Click(IDC_LIGHTING);
  Pick(IDC_SURFACE_COLOR, platform::RGB(255, 0, 0));
  EXPECT_EQ(Centre(Repainted()) & 0xFFFFFF, 0xFF0000u);
  Pick(IDC_SURFACE_COLOR, platform::RGB(0, 255, 0));
  EXPECT_EQ(Centre(Repainted()) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(CFormScene, BackgroundSwatchClearsTheViewInItsColour)
{
  Pick(IDC_BACKGROUND, platform::RGB(0, 0, 255));
  EXPECT_FLOAT_EQ(m_View->m_ClearColorBlue, 1.0f);
  EXPECT_FLOAT_EQ(m_View->m_ClearColorRed, 0.0f);
  const QImage image = Repainted();
  EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(CountColor(image, 0x0000FF), image.width() * image.height());
}

TEST_F(CFormScene, WireframeModeLeavesTheBoxInteriorBlack)
{
  AddBox();
  Click(IDC_LIGHTING);
  const int filled = CountNotBlack(Repainted());
  Click(IDC_WIREFRAME);
  const int lines = CountNotBlack(Repainted());
  EXPECT_GT(lines, 0);
  EXPECT_LT(lines * 4, filled);
  Click(IDC_FACE);
  EXPECT_EQ(CountNotBlack(Repainted()), filled);
}

TEST_F(CFormScene, GlobalSwatchSetsTheSingleColourOfEveryMesh)
{
  CMesh3d* box = AddBox();
  auto quad = std::make_unique<CQuadMesh3d>();
  CQuadMesh3d* pQuad = quad.get();
  m_Document->m_SceneGraph.Add(quad.release());
  box->SetModified(0);
  Pick(IDC_GLOBAL_SWATCH, platform::RGB(10, 20, 30));
  EXPECT_EQ(*box->GetColor(), CColor(10, 20, 30));
  EXPECT_EQ(*pQuad->GetColor(), CColor(10, 20, 30));
  EXPECT_EQ(pQuad->GetModified(), 1);
}

TEST_F(CFormScene, ObjectCheckBoxesHideObjectsZeroAndOne)
{
  CMesh3d* first = AddBox();
  Click(IDC_SHOW_1); // no object 1: only the switch flips
  EXPECT_EQ(m_Form->m_Show1, 0);
  Click(IDC_SHOW_0);
  EXPECT_EQ(first->IsShown(), 0);
  EXPECT_EQ(CountNotBlack(Repainted()), 0);
  Click(IDC_SHOW_0);
  EXPECT_EQ(first->IsShown(), 1);
  EXPECT_GT(CountNotBlack(Repainted()), 0);
}

TEST_F(CFormScene, LodShowsOneObjectAtATimeAndRestoreShowsEveryMesh)
{
  AddBox()->SetName("first");
  Click(IDC_LOD_INIT);
  EXPECT_EQ(m_Form->m_LodMode, 0);
  EXPECT_FALSE(Slider(IDC_LOD)->isEnabled());

  CMesh3d* second = Add(fixtures::Octahedron());
  second->SetName("second");
  CMesh3d* third = Add(fixtures::Tetrahedron());
  Click(IDC_LOD_INIT);
  EXPECT_EQ(m_Form->m_LodMode, 1);
  EXPECT_TRUE(Slider(IDC_LOD)->isEnabled());
  EXPECT_EQ(Slider(IDC_LOD)->maximum(), 2);
  EXPECT_EQ(Text(IDC_LOD_NAME), "first");
  EXPECT_EQ(Text(IDC_LOD_FACES), "12");
  EXPECT_EQ(Text(IDC_LOD_INDEX), "0");
  EXPECT_EQ(second->IsShown(), 0);

  Slider(IDC_LOD)->setValue(1);
  EXPECT_EQ(second->IsShown(), 1);
  EXPECT_EQ(third->IsShown(), 0);
  EXPECT_EQ(Text(IDC_LOD_NAME), "second");
  EXPECT_EQ(Text(IDC_LOD_FACES), "8");
  // Any slider re-applies the choice.
  third->Show(1);
  Slider(IDC_SPEED)->setValue(5);
  EXPECT_EQ(third->IsShown(), 0);

  Click(IDC_LOD_RESTORE);
  EXPECT_EQ(m_Form->m_LodMode, 0);
  EXPECT_EQ(third->IsShown(), 1);
  EXPECT_EQ(static_cast<CMesh3d*>(m_Document->m_SceneGraph.GetAt(0))->IsShown(), 1);
  third->Show(0);
  Slider(IDC_SPEED)->setValue(6);
  EXPECT_EQ(third->IsShown(), 0);
}

TEST_F(CFormScene, OneCameraAtATimeInTheCameraColour)
{
  Click(IDC_CAMERA_ADD);
  Click(IDC_CAMERA_ADD);
  EXPECT_EQ(CountOfType(TYPE_CAMERA3D), 1);
  ASSERT_NE(m_Form->GetCurrentCamera(), nullptr);
  EXPECT_EQ(m_Form->GetCurrentCamera(), Camera());

  Slider(IDC_CAMERA_OPENING)->setValue(30);
  EXPECT_FLOAT_EQ(Camera()->GetSize(), 3.0f);
  Click(IDC_CAMERA_INIT);
  EXPECT_FLOAT_EQ(Camera()->GetSize(), 1.5f);

  Click(IDC_CAMERA_REMOVE);
  EXPECT_EQ(CountOfType(TYPE_CAMERA3D), 0);
  EXPECT_EQ(m_Form->GetCurrentCamera(), nullptr);
  Click(IDC_CAMERA_REMOVE);

  Pick(IDC_CAMERA_COLOR, platform::RGB(0, 255, 255));
  Click(IDC_CAMERA_ADD);
  ASSERT_NE(Camera(), nullptr);
  m_View->m_xRotation = 90.0f; // look down on the camera's pyramid
  m_View->m_zTranslation = -8.0f;
  Click(IDC_LIGHTING);
  EXPECT_GT(CountColor(Repainted(), 0x00FFFF), 0);
}

TEST_F(CFormScene, ACameraGoneWithTheSceneIsForgotten)
{
  AddBox();
  Click(IDC_CAMERA_ADD);
  m_Document->EmptyScene();
  EXPECT_EQ(m_Form->GetCurrentCamera(), nullptr);
  Click(IDC_CAMERA_REMOVE);
  Click(IDC_COLOR_SILHOUETTE);
  Slider(IDC_CAMERA_OPENING)->setValue(40);
  Click(IDC_CAMERA_ADD);
  EXPECT_EQ(m_Document->m_SceneGraph.NbObject(), 1);
  EXPECT_EQ(CountOfType(TYPE_CAMERA3D), 1);
}

TEST_F(CFormScene, ColorMeshAndForwardNeedACamera)
{
  CMesh3d* sphere = Add(fixtures::Icosphere(1));
  sphere->SetFacesFlag(7);
  const int nbFace = sphere->NbFace();
  Click(IDC_COLOR_CAMERA_VIEW);
  Click(IDC_CAMERA_FORWARD);
  EXPECT_EQ(sphere->CountFacesWithFlag(7), nbFace);
  EXPECT_EQ(sphere->NbFace(), nbFace);

  Click(IDC_CAMERA_ADD);
  Click(IDC_COLOR_CAMERA_VIEW);
  // The camera at (0, 0, 2) looking down -z sees part of the unit sphere.
  const int seen = sphere->CountFacesWithFlag(2);
  EXPECT_GT(seen, 0);
  EXPECT_EQ(seen + sphere->CountFacesWithFlag(0), nbFace);
  Click(IDC_COLOR_TWICE);
  EXPECT_GT(sphere->CountFacesWithFlag(2) + sphere->CountFacesWithFlag(1), 0);

  Click(IDC_CAMERA_FORWARD);
  EXPECT_GT(sphere->NbFace(), nbFace);
}
