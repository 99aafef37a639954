#include "tests/app/FormViewFixture.h"

#include "mesh/QuadMesh3d.h"

#include <QComboBox>
#include <QTimer>

namespace {

using CFormView = CFormViewFixture;

// The spin timer of the view, read through its interval while it runs.
int SpinInterval(const CRenderView* view)
{
  for (const QTimer* timer : view->findChildren<QTimer*>())
    if (timer->isActive())
      return timer->interval();
  return -1;
}

void ExpectRgba(const float* values, float r, float g, float b)
{
  EXPECT_FLOAT_EQ(values[0], r);
  EXPECT_FLOAT_EQ(values[1], g);
  EXPECT_FLOAT_EQ(values[2], b);
  EXPECT_FLOAT_EQ(values[3], 1.0f);
}

} // namespace

TEST_F(CFormView, ComesUpWithTheMembersInItsControlsAndTheSliderRanges)
{
  EXPECT_EQ(m_Form->objectName(), QString("CommandView"));
  EXPECT_EQ(Button(IDC_LIGHTING)->text(), QString("Lighting"));
  EXPECT_TRUE(Button(IDC_LIGHTING)->isChecked());
  EXPECT_TRUE(Button(IDC_TEXTURE_VIEW)->isChecked());
  EXPECT_TRUE(Button(IDC_FACE)->isChecked());
  EXPECT_FALSE(Button(IDC_GOURAUD)->isChecked());
  EXPECT_TRUE(Button(IDC_SHOW_0)->isChecked());
  EXPECT_EQ(Button(IDC_SHOW_1)->text(), QString("1"));
  EXPECT_TRUE(Button(IDC_CAMERA_MOVE)->isCheckable());
  EXPECT_EQ(Text(IDC_SHARP_EDGES_THRESHOLD), "0.5");
  EXPECT_EQ(Text(IDC_OFFSET_LINE_EDIT), "0.01");
  EXPECT_EQ(Text(IDC_OFFSET_FILL_EDIT), "0");
  EXPECT_EQ(Text(IDC_STEP_Y), "0");
  EXPECT_EQ(Slider(IDC_PERSPECTIVE)->value(), 45);
  EXPECT_EQ(Slider(IDC_OFFSET_LINE)->minimum(), -200);
  EXPECT_EQ(Slider(IDC_OFFSET_LINE)->value(), -100);
  EXPECT_EQ(Slider(IDC_SHININESS)->maximum(), 128);
  EXPECT_EQ(Slider(IDC_CAMERA_OPENING)->value(), 15);
  EXPECT_FALSE(Slider(IDC_LOD)->isEnabled());

  auto* combo = qobject_cast<QComboBox*>(m_Form->Control(IDC_PREDEFINED));
  ASSERT_EQ(combo->count(), 19);
  EXPECT_EQ(combo->currentText(), QString("Black plastic"));
  EXPECT_EQ(combo->itemText(1), QString("Brass"));
  EXPECT_EQ(combo->itemText(18), QString("Turquoise"));
  // Coming up applies nothing.
  EXPECT_FLOAT_EQ(m_Document->m_WireframeOffset, -1.0f);
  EXPECT_FLOAT_EQ(m_Document->m_FillOffset, 0.0f);
}

TEST_F(CFormView, AnySliderNotificationAppliesEverySlider)
{
  CMesh3d* box = AddBox();
  auto quad = std::make_unique<CQuadMesh3d>();
  CQuadMesh3d* pQuad = quad.get();
  m_Document->m_SceneGraph.Add(quad.release());
  Slider(IDC_SPEED)->setValue(11);
  EXPECT_FLOAT_EQ(m_Document->m_WireframeOffset, -1.0f);
  EXPECT_EQ(Text(IDC_OFFSET_LINE_EDIT), "-1");
  EXPECT_FLOAT_EQ(m_Document->m_FillOffset, -5.0f);
  EXPECT_EQ(Text(IDC_OFFSET_FILL_EDIT), "-5");
  EXPECT_EQ(Text(IDC_SHARP_EDGES_OFFSET_EDIT), "-1");
  EXPECT_FLOAT_EQ(m_Document->m_LineWidth, 1.0f);
  EXPECT_FLOAT_EQ(m_Document->m_SphereRadius, 0.2f);
  EXPECT_FLOAT_EQ(*box->GetMaterial()->GetShininess(), 100.0f);
  EXPECT_FLOAT_EQ(*pQuad->GetMaterial()->GetShininess(), 100.0f);
  EXPECT_EQ(box->GetModified(), 1);

  Slider(IDC_LINE_WIDTH)->setValue(10);
  EXPECT_FLOAT_EQ(m_Document->m_LineWidth, 2.5f);
  Slider(IDC_HIGHLIGHTING)->setValue(50);
  EXPECT_FLOAT_EQ(m_Document->m_SphereRadius, 0.5f);
  Slider(IDC_OFFSET_FILL)->setValue(30);
  EXPECT_FLOAT_EQ(m_Document->m_FillOffset, 1.5f);
  EXPECT_EQ(Text(IDC_OFFSET_FILL_EDIT), "1.5");
}

TEST_F(CFormView, LinkedScalingMovesAndLocksTheYAndZSliders)
{
  Slider(IDC_SCALE_X)->setValue(150);
  EXPECT_FLOAT_EQ(m_View->m_xScaling, 1.5f);
  EXPECT_FLOAT_EQ(m_View->m_yScaling, 1.0f);
  Click(IDC_LINK);
  EXPECT_EQ(Slider(IDC_SCALE_Y)->value(), 150);
  EXPECT_EQ(Slider(IDC_SCALE_Z)->value(), 150);
  EXPECT_FALSE(Slider(IDC_SCALE_Y)->isEnabled());
  EXPECT_FALSE(Slider(IDC_SCALE_Z)->isEnabled());
  EXPECT_FLOAT_EQ(m_View->m_zScaling, 1.5f);
  Slider(IDC_SCALE_X)->setValue(50);
  EXPECT_EQ(Slider(IDC_SCALE_Z)->value(), 50);
  EXPECT_FLOAT_EQ(m_View->m_yScaling, 0.5f);
  Click(IDC_LINK);
  EXPECT_TRUE(Slider(IDC_SCALE_Y)->isEnabled());
  EXPECT_EQ(Slider(IDC_SCALE_Y)->value(), 50);
  Slider(IDC_SCALE_Y)->setValue(200);
  EXPECT_FLOAT_EQ(m_View->m_yScaling, 2.0f);
  EXPECT_FLOAT_EQ(m_View->m_xScaling, 0.5f);
}

TEST_F(CFormView, RotationSpinsBySteps1000OverSpeedMilliseconds)
{
  Edit(IDC_STEP_X)->setText("1.5");
  Edit(IDC_STEP_Y)->setText("2");
  Edit(IDC_STEP_Z)->setText("junk");
  Click(IDC_ROTATION);
  EXPECT_FLOAT_EQ(m_View->m_xSpin, 1.5f);
  EXPECT_FLOAT_EQ(m_View->m_ySpin, 2.0f);
  EXPECT_FLOAT_EQ(m_View->m_zSpin, 0.0f);
  EXPECT_TRUE(m_View->IsTimerActive(1));
  EXPECT_EQ(SpinInterval(m_View), 100);
  Slider(IDC_SPEED)->setValue(20);
  EXPECT_EQ(SpinInterval(m_View), 50);
  Slider(IDC_SPEED)->setValue(3);
  EXPECT_EQ(SpinInterval(m_View), 333);
  Click(IDC_ROTATION);
  EXPECT_FALSE(m_View->IsTimerActive(1));
  // Speed alone starts nothing.
  Slider(IDC_SPEED)->setValue(4);
  EXPECT_FALSE(m_View->IsTimerActive(1));
}

TEST_F(CFormView, OpenGLSwitchesLandInTheRenderViewsContext)
{
  Click(IDC_LIGHTING);
  EXPECT_FALSE(IsEnabled(GL_LIGHTING));
  EXPECT_EQ(m_Document->m_Lighting, 0);
  Click(IDC_LIGHTING);
  EXPECT_TRUE(IsEnabled(GL_LIGHTING));
  EXPECT_EQ(m_Document->m_Lighting, 1);

  Click(IDC_CULLING);
  EXPECT_TRUE(IsEnabled(GL_CULL_FACE));
  Click(IDC_TEXTURE_VIEW);
  EXPECT_FALSE(IsEnabled(GL_TEXTURE_2D));

  Click(IDC_ANTIALIASING);
  EXPECT_TRUE(IsEnabled(GL_LINE_SMOOTH));
  EXPECT_TRUE(IsEnabled(GL_BLEND));
  Click(IDC_ANTIALIASING);
  EXPECT_FALSE(IsEnabled(GL_LINE_SMOOTH));
  EXPECT_FALSE(IsEnabled(GL_BLEND));

  Click(IDC_WIREFRAME);
  EXPECT_EQ(Integer(GL_POLYGON_MODE), GL_LINE);
  Click(IDC_VERTEX);
  EXPECT_EQ(Integer(GL_POLYGON_MODE), GL_POINT);
  Click(IDC_FACE);
  EXPECT_EQ(Integer(GL_POLYGON_MODE), GL_FILL);
}

TEST_F(CFormView, GouraudBindsNormalsAndColoursPerVertex)
{
  CMesh3d* box = AddBox();
  Click(IDC_GOURAUD);
  EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_SMOOTH);
  EXPECT_EQ(box->GetNormalBinding(), 0);
  EXPECT_EQ(box->GetColorBinding(), 0);
  Click(IDC_GOURAUD);
  EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_FLAT);
  EXPECT_EQ(box->GetNormalBinding(), 1);
  EXPECT_EQ(box->GetColorBinding(), 1);
}

// A toggle flips its own member: a check mark set from outside does not change what a click does.
TEST_F(CFormView, DocumentSwitchesFollowTheirCheckBoxes)
{
  Click(IDC_ADD_WIREFRAME);
  EXPECT_EQ(m_Document->m_WireframeOverlay, 1);
  Click(IDC_GLOBAL_COLOR);
  EXPECT_EQ(m_Document->m_SingleColorWireframe, 1);
  Button(IDC_ADD_WIREFRAME)->setChecked(true);
  Click(IDC_ADD_WIREFRAME);
  EXPECT_EQ(m_Document->m_WireframeOverlay, 0);
  Click(IDC_CAMERA_MOVE);
  EXPECT_EQ(m_View->m_MoveCamera, 1);
  Click(IDC_CAMERA_MOVE);
  EXPECT_EQ(m_View->m_MoveCamera, 0);
}

TEST_F(CFormView, PerspectiveSetsTheFieldOfViewAndProjection)
{
  m_View->makeCurrent();
  GLdouble before[16];
  glGetDoublev(GL_PROJECTION_MATRIX, before);
  Slider(IDC_PERSPECTIVE)->setValue(90);
  EXPECT_DOUBLE_EQ(m_View->m_Fovy, 90.0);
  m_View->makeCurrent();
  GLdouble after[16];
  glGetDoublev(GL_PROJECTION_MATRIX, after);
  // f = cot(fovy / 2): 1 at 90 degrees.
  EXPECT_NEAR(after[5], 1.0, 1e-9);
  EXPECT_GT(before[5], after[5]);
}

TEST_F(CFormView, MaterialAndLightSwatchesGoThroughTheColourDialog)
{
  CMesh3d* box = AddBox();
  auto quad = std::make_unique<CQuadMesh3d>();
  CQuadMesh3d* pQuad = quad.get();
  m_Document->m_SceneGraph.Add(quad.release());

  Pick(IDC_MATERIAL_DIFFUSE, platform::RGB(255, 0, 51));
  ASSERT_EQ(m_Initial.size(), 1u);
  EXPECT_EQ(m_Initial[0], platform::RGB(200, 200, 200));
  EXPECT_EQ(m_Form->m_MaterialDiffuse, platform::RGB(255, 0, 51));
  ExpectRgba(box->GetMaterial()->GetDiffuse(), 1.0f, 0.0f, 0.2f);
  ExpectRgba(pQuad->GetMaterial()->GetDiffuse(), 1.0f, 0.0f, 0.2f);
  Pick(IDC_MATERIAL_EMISSION, platform::RGB(0, 255, 0));
  ExpectRgba(box->GetMaterial()->GetEmission(), 0.0f, 1.0f, 0.0f);

  Pick(IDC_LIGHT_AMBIENT, platform::RGB(51, 102, 153));
  EXPECT_EQ(m_Initial.back(), platform::RGB(178, 178, 178));
  m_View->makeCurrent();
  GLfloat light[4];
  glGetLightfv(GL_LIGHT0, GL_AMBIENT, light);
  ExpectRgba(light, 0.2f, 0.4f, 0.6f);

  // Cancel changes nothing.
  Pick(IDC_MATERIAL_DIFFUSE, std::nullopt);
  EXPECT_EQ(m_Initial.back(), platform::RGB(255, 0, 51));
  ExpectRgba(box->GetMaterial()->GetDiffuse(), 1.0f, 0.0f, 0.2f);
}

TEST_F(CFormView, AClickOutsideEverySwatchOpensNoDialog)
{
  QTest::mouseClick(m_Form->widget(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
  QTest::mouseClick(m_Form->Control(IDC_RAMP), Qt::LeftButton);
  EXPECT_TRUE(m_Initial.empty());
}

TEST_F(CFormView, PredefinedMaterialSetsEveryMeshMaterialAndTheSwatches)
{
  CMesh3d* box = AddBox();
  box->GetMaterial()->SetEmission(0.5f, 0.5f, 0.5f, 1.0f);
  auto* combo = qobject_cast<QComboBox*>(m_Form->Control(IDC_PREDEFINED));
  const int jade = combo->findText("Jade");
  ASSERT_GE(jade, 0);
  combo->setCurrentIndex(jade);
  emit combo->activated(jade);
  ExpectRgba(box->GetMaterial()->GetAmbient(), 0.135f, 0.2225f, 0.1575f);
  ExpectRgba(box->GetMaterial()->GetSpecular(), 0.316228f, 0.316228f, 0.316228f);
  EXPECT_FLOAT_EQ(*box->GetMaterial()->GetShininess(), 12.8f);
  ExpectRgba(box->GetMaterial()->GetEmission(), 0.5f, 0.5f, 0.5f);
  EXPECT_EQ(m_Form->m_MaterialAmbient, platform::RGB(34, 56, 40));
  EXPECT_EQ(m_Form->m_MaterialDiffuse, platform::RGB(137, 226, 160));
  // The slider moves without applying itself.
  EXPECT_EQ(Slider(IDC_SHININESS)->value(), 12);
  EXPECT_FLOAT_EQ(*box->GetMaterial()->GetShininess(), 12.8f);
  EXPECT_FLOAT_EQ(m_Document->m_WireframeOffset, -1.0f);
  EXPECT_EQ(Text(IDC_OFFSET_LINE_EDIT), "0.01");
}
