#include "tests/document/CommandFixture.h"

#include "app/FormCommandView.h"
#include "app/dialogs/DlgProperties.h"
#include "app/dialogs/DlgRange.h"
#include "app/dialogs/DlgTexture.h"
#include "tests/support/ClipboardRecorder.h"

#include <GL/gl.h>
#include <QAbstractButton>
#include <QImage>
#include <QSpinBox>

#include <cmath>
#include <cstdio>

namespace {

class CGeometryCommandsTest : public CCommandFixture
{
protected:
  // Six equal edges: every face is equilateral.
  CMesh3d* SetRegularTetrahedron()
  {
    return SetMesh([](CMesh3d& mesh) {
      const float corners[4][3] = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
      for (const auto& c : corners)
        mesh.AddVertex(new CVertex3d(c[0], c[1], c[2]));
      const int faces[4][3] = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}};
      for (const auto& f : faces)
        mesh.AddFace(new CFace3d(mesh.GetVertex(f[0]), mesh.GetVertex(f[1]), mesh.GetVertex(f[2])));
    });
  }

  double ReportedMeanCompacity()
  {
    double value = -1.0;
    EXPECT_EQ(std::sscanf(LastStatus().c_str(), "Mean compacity: %lf", &value), 1) << LastStatus();
    return value;
  }

  bool IsChecked(unsigned id) { return m_pDoc->QueryCommand(id).m_Checked != 0; }

  bool FormChecks(int id)
  {
    auto* pForm = dynamic_cast<CFormCommandView*>(CVanthDoc::GetCommandView());
    auto* pButton = pForm ? qobject_cast<QAbstractButton*>(pForm->Control(id)) : nullptr;
    EXPECT_NE(pButton, nullptr) << "form control " << id;
    return pButton && pButton->isChecked();
  }

  // The render view's context current, for reading the OpenGL state the commands set.
  bool ViewContext() { return m_pDoc->GetOwnRenderView() && m_pDoc->GetOwnRenderView()->MakeCurrent(); }
};

} // namespace

TEST_F(CGeometryCommandsTest, MeanCompacityOfEquilateralAndRightTriangles)
{
  SetRegularTetrahedron();
  ASSERT_TRUE(Run(ID_GEOMETRY_MEAN_COMPACITY));
  EXPECT_NEAR(ReportedMeanCompacity(), M_PI * std::sqrt(3.0) / 9.0, 1e-5);

  // Right isosceles triangles: 4 pi (1/2) / (2 + sqrt 2)^2.
  SetGrid(4, 3);
  ASSERT_TRUE(Run(ID_GEOMETRY_MEAN_COMPACITY));
  EXPECT_NEAR(ReportedMeanCompacity(), 2.0 * M_PI / std::pow(2.0 + std::sqrt(2.0), 2.0), 1e-5);
}

TEST_F(CGeometryCommandsTest, NextVertexPastTheLastLandsOn182OnlyWhenTheMeshHasIt)
{
  SetGrid(9, 9); // 100 vertices
  m_pDoc->m_HighlightVertexIndex = 5;
  ASSERT_TRUE(Run(ID_DEBUG_NEXT_VERTEX));
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 6);
  m_pDoc->m_HighlightVertexIndex = 99;
  ASSERT_TRUE(Run(ID_DEBUG_NEXT_VERTEX));
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 0); // 182 would name no vertex

  SetGrid(19, 24); // 500 vertices
  m_pDoc->m_HighlightVertexIndex = 499;
  ASSERT_TRUE(Run(ID_DEBUG_NEXT_VERTEX));
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 182);
}

TEST_F(CGeometryCommandsTest, NextFaceAndNextCollapseWrapToTheFirstAndNeverLeaveTheMesh)
{
  CMesh3d* pMesh = SetTorus(4, 3);
  m_pDoc->m_HighlightFaceIndex = pMesh->NbFace() - 1;
  m_pDoc->m_CollapseVertexIndex = pMesh->NbVertex() - 1;
  ASSERT_TRUE(Run(ID_DEBUG_NEXT_FACE));
  ASSERT_TRUE(Run(ID_DEBUG_NEXT_COLLAPSE));
  EXPECT_EQ(m_pDoc->m_HighlightFaceIndex, 0);
  EXPECT_EQ(m_pDoc->m_CollapseVertexIndex, 0);

  // An index left over from a larger mesh is taken back to the first element.
  m_pDoc->m_HighlightFaceIndex = 5000;
  ASSERT_TRUE(Run(ID_DEBUG_NEXT_FACE));
  EXPECT_EQ(m_pDoc->m_HighlightFaceIndex, 0);

  // Without a triangle mesh first there is nothing to point at.
  m_pDoc->EmptyScene();
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_pDoc->m_HighlightVertexIndex = 3;
  ASSERT_TRUE(Run(ID_DEBUG_NEXT_VERTEX));
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 0);
}

TEST_F(CGeometryCommandsTest, TheTestMeshEntryHighlightsVertex268WhenItExists)
{
  SetGrid(19, 24);
  ASSERT_TRUE(Run(ID_ADVANCED_TEST_MODEL_VERTEX));
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 268);
  SetGrid(16, 15); // 17 x 16 = 272 vertices
  ASSERT_TRUE(Run(ID_ADVANCED_TEST_MODEL_VERTEX));
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 268);
  SetGrid(15, 15); // 256 vertices
  ASSERT_TRUE(Run(ID_ADVANCED_TEST_MODEL_VERTEX));
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 0);
}

TEST_F(CGeometryCommandsTest, SwitchingAHighlightOnStartsAtTheFirstElement)
{
  SetTorus(5, 4);
  const struct
  {
    unsigned Id;
    int* Flag;
    int* Index;
  } highlights[] = {{ID_HIGHLIGHT_VERTEX, &m_pDoc->m_HighlightVertex, &m_pDoc->m_HighlightVertexIndex},
                    {ID_HIGHLIGHT_FACE, &m_pDoc->m_HighlightFace, &m_pDoc->m_HighlightFaceIndex},
                    {ID_DEBUG_HIGHLIGHT_COLLAPSE, &m_pDoc->m_HighlightCollapse,
                     &m_pDoc->m_CollapseVertexIndex}};
  for (const auto& h : highlights) {
    *h.Index = 7;
    ASSERT_TRUE(Run(h.Id));
    EXPECT_EQ(*h.Flag, 1);
    EXPECT_EQ(*h.Index, 0);
    *h.Index = 9;
    ASSERT_TRUE(Run(h.Id));
    EXPECT_EQ(*h.Flag, 0);
    EXPECT_EQ(*h.Index, 9); // switching off keeps the place
  }
  EXPECT_FALSE(IsChecked(ID_HIGHLIGHT_VERTEX));
  ASSERT_TRUE(Run(ID_HIGHLIGHT_VERTEX));
  EXPECT_TRUE(IsChecked(ID_HIGHLIGHT_VERTEX));
  EXPECT_FALSE(IsChecked(ID_HIGHLIGHT_FACE));
  // The overlays draw from the indices: a repaint with all of them on must not fail.
  m_pDoc->m_HighlightFace = m_pDoc->m_HighlightCollapse = 1;
  m_pDoc->RedrawViewsNow();
}

TEST_F(CGeometryCommandsTest, LineThenFlatRestoresFilledFlatShadingAndTheFormFollows)
{
  CMesh3d* pMesh = SetTorus(6, 4);
  ASSERT_TRUE(ViewContext());
  ASSERT_TRUE(Run(ID_MODE_LINE));
  EXPECT_TRUE(IsChecked(ID_MODE_LINE));
  EXPECT_TRUE(FormChecks(IDC_WIREFRAME));
  EXPECT_FALSE(FormChecks(IDC_FACE));

  ASSERT_TRUE(Run(ID_MODE_GOURAUD));
  EXPECT_FALSE(IsChecked(ID_MODE_LINE));
  EXPECT_TRUE(FormChecks(IDC_FACE));
  EXPECT_TRUE(FormChecks(IDC_GOURAUD));
  EXPECT_EQ(pMesh->GetNormalBinding(), 0);
  EXPECT_EQ(pMesh->GetColorBinding(), 0);
  ASSERT_TRUE(ViewContext());
  GLint shade = 0;
  glGetIntegerv(GL_SHADE_MODEL, &shade);
  EXPECT_EQ(shade, GL_SMOOTH);

  ASSERT_TRUE(Run(ID_MODE_LINE));
  ASSERT_TRUE(Run(ID_MODE_FLAT));
  EXPECT_FALSE(IsChecked(ID_MODE_LINE));
  EXPECT_TRUE(FormChecks(IDC_FACE));
  EXPECT_FALSE(FormChecks(IDC_WIREFRAME));
  EXPECT_FALSE(FormChecks(IDC_GOURAUD));
  EXPECT_EQ(pMesh->GetNormalBinding(), 1);
  EXPECT_EQ(pMesh->GetColorBinding(), 1);
  ASSERT_TRUE(ViewContext());
  GLint mode[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, mode);
  glGetIntegerv(GL_SHADE_MODEL, &shade);
  EXPECT_EQ(mode[0], GL_FILL);
  EXPECT_EQ(shade, GL_FLAT);
}

TEST_F(CGeometryCommandsTest, LightAndTextureViewSetTheViewsOpenGlState)
{
  SetTorus(4, 4);
  EXPECT_TRUE(IsChecked(ID_MODE_LIGHT));
  ASSERT_TRUE(Run(ID_MODE_LIGHT));
  EXPECT_FALSE(IsChecked(ID_MODE_LIGHT));
  EXPECT_EQ(m_pDoc->m_Lighting, 0);
  ASSERT_TRUE(ViewContext());
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  ASSERT_TRUE(Run(ID_MODE_LIGHT));
  ASSERT_TRUE(ViewContext());
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

  glDisable(GL_TEXTURE_2D);
  ASSERT_TRUE(Run(ID_TEXTURES_VIEW));
  ASSERT_TRUE(ViewContext());
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLint filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  EXPECT_EQ(filter, GL_LINEAR);
}

TEST_F(CGeometryCommandsTest, PropertiesShowEachObjectChosenWithTheSpin)
{
  CMesh3d* pMesh = SetTorus(5, 3);
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_pDoc->m_SceneGraph.Add(new CMesh3d);
  std::vector<std::string> seen;
  m_EditDialog = [&](platform::CDialog& dialog) {
    auto& properties = dynamic_cast<CDlgProperties&>(dialog);
    QSpinBox* pSpin = properties.GetSpin();
    ASSERT_NE(pSpin, nullptr);
    EXPECT_EQ(pSpin->minimum(), 0);
    EXPECT_EQ(pSpin->maximum(), 2);
    const platform::CDialogBuilder& fields = dialog.Fields();
    EXPECT_EQ(fields.GetText(1016), std::to_string(pMesh->NbVertex()));
    EXPECT_EQ(fields.GetText(1017), std::to_string(pMesh->NbFace()));
    EXPECT_EQ(fields.GetText(1020), "3");
    EXPECT_EQ(fields.GetText(1022), "");
    for (int index : {1, 0, 2}) {
      pSpin->setValue(index); // as the user moves the spin
      seen.push_back(fields.GetText(1018) + ":" + fields.GetText(1022) + ":" +
                     fields.GetText(1016) + ":" + fields.GetText(1017));
    }
  };
  ASSERT_TRUE(Run(ID_GEOMETRY_PROPERTIES));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "1::0:0");
  EXPECT_EQ(seen[1], "0:3D Mesh:15:30");
  EXPECT_EQ(seen[2], "2:3D Mesh:0:0");
  ASSERT_EQ(m_DialogTemplates.size(), 1u);
  EXPECT_EQ(m_DialogTemplates[0], 132);
}

TEST_F(CGeometryCommandsTest, PropertiesOfASingleObjectOfferOnlyIt)
{
  SetRegularTetrahedron();
  int maximum = -1;
  m_EditDialog = [&](platform::CDialog& dialog) {
    QSpinBox* pSpin = dynamic_cast<CDlgProperties&>(dialog).GetSpin();
    maximum = pSpin ? pSpin->maximum() : -1;
  };
  ASSERT_TRUE(Run(ID_GEOMETRY_PROPERTIES));
  EXPECT_EQ(maximum, 0);
}

TEST_F(CGeometryCommandsTest, RangeOnAnEmptySceneShowsZerosAndItsButtonsDoNothing)
{
  CSceneGraph3d empty;
  CDlgRange dialog(nullptr, &empty);
  std::vector<std::string> texts;
  platform::SetDialogSink([&](platform::CDialog& shown) {
    for (const platform::SDialogField& field : shown.Fields().Fields())
      texts.push_back(shown.Fields().GetText(field.Id));
    dialog.OnApplyRange();
    dialog.OnApplyOffset();
    dialog.OnApplyScale();
    return platform::IDOK;
  });
  EXPECT_EQ(dialog.DoModal(), platform::IDOK);
  ASSERT_EQ(texts.size(), 12u);
  for (const std::string& text : texts)
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), 0.0f) << text;
}

TEST_F(CGeometryCommandsTest, RangeShowsTheExtentAndItsButtonsActAtOnce)
{
  CMesh3d* pMesh = SetGrid(4, 2, 0); // x in [0, 4], y = 0, z in [0, 2]
  m_EditDialog = [&](platform::CDialog& dialog) {
    auto& range = dynamic_cast<CDlgRange&>(dialog);
    platform::CDialogBuilder& fields = dialog.Fields();
    EXPECT_EQ(std::strtof(fields.GetText(1049).c_str(), nullptr), 4.0f);
    EXPECT_EQ(std::strtof(fields.GetText(1053).c_str(), nullptr), 2.0f);
    fields.SetText(1048, "-1");
    fields.SetText(1049, "1");
    fields.SetText(1052, "10");
    fields.SetText(1053, "12");
    range.OnApplyRange();
    fields.SetText(1056, "3");
    range.OnApplyOffset();
    fields.SetText(1060, "2");
    fields.SetText(1061, "1");
    fields.SetText(1062, "0.5");
    range.OnApplyScale();
  };
  m_DialogAnswer = platform::IDCANCEL; // the buttons act whatever closes the dialog
  ASSERT_TRUE(Run(ID_GEOMETRY_RANGE));
  float lo = 0.0f;
  float hi = 0.0f;
  pMesh->GetRange(0, &lo, &hi);
  EXPECT_FLOAT_EQ(lo, -2.0f);
  EXPECT_FLOAT_EQ(hi, 2.0f);
  pMesh->GetRange(1, &lo, &hi); // a flat axis goes to its new minimum, then the offset
  EXPECT_FLOAT_EQ(lo, 3.0f);
  EXPECT_FLOAT_EQ(hi, 3.0f);
  pMesh->GetRange(2, &lo, &hi);
  EXPECT_FLOAT_EQ(lo, 5.0f);
  EXPECT_FLOAT_EQ(hi, 6.0f);
}

TEST_F(CGeometryCommandsTest, TheTextureViewerOpensAnImageAndDrawsTheCoordinatesOverIt)
{
  CScopedFolder folder("orvane_texture");
  const std::string path = (folder.Path() / "black.bmp").string();
  QImage black(40, 40, QImage::Format_RGB32);
  black.fill(Qt::black);
  ASSERT_TRUE(black.save(QString::fromStdString(path)));

  CMesh3d* pMesh = SetRegularTetrahedron();
  // Face 0 maps onto the lower-left half of the image; face 1 names a pair that is not there.
  pMesh->SetTextureCoordinates({0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f});
  pMesh->SetTextureIndices({0, 1, 2, 0, 1, 7});
  m_FileAnswer = path;
  QImage picture;
  CClipboardRecorder clipboard;
  m_EditDialog = [&](platform::CDialog& dialog) {
    auto& viewer = dynamic_cast<CDlgTexture&>(dialog);
    // Before an image is opened, the coordinates are drawn over an empty client area.
    const QImage empty = viewer.Picture();
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.pixelColor(0, empty.height() / 2), QColor(Qt::white));
    EXPECT_EQ(empty.pixelColor(empty.width() - 5, 5), QColor(Qt::black));
    viewer.OnFileOpen();
    picture = viewer.Picture();
    viewer.OnEditCopy();
  };
  ASSERT_TRUE(Run(ID_TEXTURES_EDIT));
  ASSERT_EQ(m_Requests.size(), 1u);
  EXPECT_TRUE(m_Requests[0].Open);
  EXPECT_EQ(m_Requests[0].Filter, "Image files (*.*)");
  ASSERT_EQ(picture.size(), QSize(40, 40));
  // v grows upwards: the edge from (0, 0) to (0, 1) is the left column, and the hypotenuse
  // runs from the top-left corner to the bottom-right one.
  EXPECT_EQ(picture.pixelColor(0, 20), QColor(Qt::white));
  EXPECT_EQ(picture.pixelColor(20, 20), QColor(Qt::white));
  EXPECT_EQ(picture.pixelColor(30, 5), QColor(Qt::black));
  EXPECT_EQ(picture.pixelColor(5, 30), QColor(Qt::black));
  // The copy is the texture alone, as a 24-bit bitmap of its size.
  ASSERT_EQ(clipboard.m_Bitmaps.size(), 1u);
  const std::vector<std::uint8_t>& dib = clipboard.m_Bitmaps[0];
  ASSERT_GE(dib.size(), 40u + 40u * 40u * 3u);
  EXPECT_EQ(dib[4], 40); // width
  EXPECT_EQ(dib[8], 40); // height
  EXPECT_EQ(dib[14], 24); // bits per pixel
  EXPECT_EQ(dib[40], 0); // the first pixel is black, no line drawn into it
}

TEST_F(CGeometryCommandsTest, TheHighlightsAreKeptInsideTheMeshTheyAreDrawnOn)
{
  SetTorus(4, 4); // 16 vertices, 32 faces
  m_pDoc->m_HighlightVertex = m_pDoc->m_HighlightCollapse = m_pDoc->m_HighlightFace = 1;
  m_pDoc->m_HighlightVertexIndex = 50;
  m_pDoc->m_CollapseVertexIndex = 16;
  m_pDoc->m_HighlightFaceIndex = 5000;
  // What the view's paint does.
  ASSERT_TRUE(ViewContext());
  m_pDoc->RenderScene();
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 0);
  EXPECT_EQ(m_pDoc->m_CollapseVertexIndex, 0);
  // A face index outside the mesh draws nothing and splits nothing.
  ASSERT_TRUE(Run(ID_LOOP_ADAPTIVE_ACTIVE_FACE));
  EXPECT_EQ(Mesh(0)->NbFace(), 32);
}
