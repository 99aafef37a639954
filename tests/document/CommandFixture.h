#pragma once

// Runs document commands as the menu does, in a started workbench with one window open, on
// scenes built in memory. Dialogs answer through a scripted sink; message boxes, file dialogs
// and the status bar are captured.
#include "tests/app/AppFixture.h"

#include "app/RenderView.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "platform/core/Status.h"
#include "platform/ui/Dialog.h"
#include "processing/Tiling3d.h"

#include <QApplication>

#include <cmath>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class CCommandFixture : public CAppFixture
{
protected:
  void SetUp() override
  {
    CAppFixture::SetUp();
    m_pDoc = NewDocument();
    ASSERT_NE(m_pDoc, nullptr);
    // After the main frame installed its own sink: the test sees every status text.
    m_PreviousStatus = platform::SetStatusSink([this](const std::string& text) {
      m_Status.push_back(text);
    });
    platform::SetDialogSink([this](platform::CDialog& dialog) {
      m_DialogTemplates.push_back(dialog.GetTemplateId());
      if (m_EditDialog)
        m_EditDialog(dialog);
      return m_DialogAnswer;
    });
  }

  void TearDown() override
  {
    platform::SetDialogSink({});
    platform::SetStatusSink(std::move(m_PreviousStatus));
    CAppFixture::TearDown();
  }

  // Runs the command through the document's own table, update step first, as a menu click
  // does; false when it is greyed or not handled. The wait cursor must be balanced after it.
  bool Run(unsigned id)
  {
    const bool ran = m_pDoc->DoCommand(id);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "wait cursor left on by command " << id;
    return ran;
  }
  bool IsEnabled(unsigned id)
  {
    const platform::CCmdUI ui = m_pDoc->QueryCommand(id);
    return ui.m_Handled && ui.m_Enabled;
  }
  bool IsHandled(unsigned id) { return m_pDoc->QueryCommand(id).m_Handled; }

  // Scene builders: each replaces the scene.
  CMesh3d* SetTetrahedron() { return SetMesh([](CMesh3d& m) { m.GenerateQuadrilateral(); }); }
  CMesh3d* SetBox() { return SetMesh([](CMesh3d& m) { m.GenerateBox(1.0f, 1.0f, 1.0f); }); }
  CMesh3d* SetMesh(const std::function<void(CMesh3d&)>& build)
  {
    m_pDoc->EmptyScene();
    auto* pMesh = new CMesh3d;
    build(*pMesh);
    pMesh->Rebuild();
    m_pDoc->m_SceneGraph.Add(pMesh);
    return pMesh;
  }
  // Closed genus-1 surface: n by m squares around the two circles of a torus, each cut in two.
  CMesh3d* SetTorus(int n, int m) { return SetMesh([n, m](CMesh3d& mesh) { BuildTorus(mesh, n, m); }); }
  // Open flat grid of nx by ny squares in the xz plane; with holeEvery > 0 every holeEvery-th
  // interior square is left out, so the grid has many holes.
  CMesh3d* SetGrid(int nx, int ny, int holeEvery = 0)
  {
    return SetMesh([=](CMesh3d& mesh) { BuildGrid(mesh, nx, ny, holeEvery, 0.0f); });
  }
  // Two disjoint grids in one mesh: two components, each with a boundary.
  CMesh3d* SetTwoComponents()
  {
    return SetMesh([](CMesh3d& mesh) {
      BuildGrid(mesh, 3, 3, 0, 0.0f);
      BuildGrid(mesh, 2, 4, 0, 5.0f);
    });
  }

  static void BuildTorus(CMesh3d& mesh, int n, int m)
  {
    const int first = mesh.NbVertex();
    for (int i = 0; i < n; i++)
      for (int j = 0; j < m; j++) {
        const double a = 2.0 * M_PI * i / n;
        const double b = 2.0 * M_PI * j / m;
        const double r = 2.0 + 0.7 * std::cos(b);
        mesh.AddVertex(new CVertex3d(static_cast<float>(r * std::cos(a)),
                                     static_cast<float>(0.7 * std::sin(b)),
                                     static_cast<float>(r * std::sin(a))));
      }
    auto at = [&](int i, int j) { return mesh.GetVertex(first + (i % n) * m + j % m); };
    for (int i = 0; i < n; i++)
      for (int j = 0; j < m; j++) {
        mesh.AddFace(new CFace3d(at(i, j), at(i, j + 1), at(i + 1, j + 1)));
        mesh.AddFace(new CFace3d(at(i, j), at(i + 1, j + 1), at(i + 1, j)));
      }
  }
  static void BuildGrid(CMesh3d& mesh, int nx, int ny, int holeEvery, float xOffset)
  {
    const int first = mesh.NbVertex();
    for (int j = 0; j <= ny; j++)
      for (int i = 0; i <= nx; i++)
        mesh.AddVertex(new CVertex3d(xOffset + static_cast<float>(i), 0.0f, static_cast<float>(j)));
    auto at = [&](int i, int j) { return mesh.GetVertex(first + j * (nx + 1) + i); };
    int square = 0;
    for (int j = 0; j < ny; j++)
      for (int i = 0; i < nx; i++, square++) {
        const bool interior = i > 0 && j > 0 && i < nx - 1 && j < ny - 1;
        if (holeEvery > 0 && interior && square % holeEvery == 0)
          continue;
        mesh.AddFace(new CFace3d(at(i, j), at(i, j + 1), at(i + 1, j + 1)));
        mesh.AddFace(new CFace3d(at(i, j), at(i + 1, j + 1), at(i + 1, j)));
      }
  }
  // A grid of n by n samples of the plane, an open mesh with a boundary.
  CMesh3d* SetMapGrid(int n = 10) { return SetMesh([n](CMesh3d& m) { m.GenerateMap(n, n, -4.0f, 4.0f); }); }

  // The scenes every enablement rule is checked on.
  enum EScene {
    SCENE_EMPTY,
    SCENE_MESH,
    SCENE_EMPTY_MESH,
    SCENE_QUAD_MESH,
    SCENE_POLYGON_MESH,
    SCENE_MESH_AND_TILING,
    SCENE_COUNT
  };
  static const char* SceneName(int scene)
  {
    static const char* const names[SCENE_COUNT] = {"empty", "triangle mesh", "empty triangle mesh",
                                                   "quad mesh", "polygon mesh",
                                                   "triangle mesh + tiling"};
    return names[scene];
  }
  void SetScene(int scene)
  {
    m_pDoc->EmptyScene();
    switch (scene) {
    case SCENE_MESH:
      SetBox();
      break;
    case SCENE_EMPTY_MESH:
      m_pDoc->m_SceneGraph.Add(new CMesh3d);
      break;
    case SCENE_QUAD_MESH: {
      auto* pQuad = new CQuadMesh3d;
      pQuad->GenerateBox();
      m_pDoc->m_SceneGraph.Add(pQuad);
      break;
    }
    case SCENE_POLYGON_MESH:
      m_pDoc->m_SceneGraph.Add(new CPolygonMesh3d);
      break;
    case SCENE_MESH_AND_TILING:
      SetBox();
      m_pDoc->m_SceneGraph.Add(new CTiling3d);
      break;
    default:
      break;
    }
  }

  // Scenes whose object 0 is a triangle mesh.
  static bool IsTriangleScene(int scene)
  {
    return scene == SCENE_MESH || scene == SCENE_EMPTY_MESH || scene == SCENE_MESH_AND_TILING;
  }
  static bool IsAnyScene(int) { return true; }
  // Over every scene: each command is enabled exactly where `enabledOn` says.
  void ExpectEnabledOn(const std::vector<unsigned>& ids, const std::function<bool(int)>& enabledOn)
  {
    for (int scene = 0; scene < SCENE_COUNT; scene++) {
      SetScene(scene);
      for (unsigned id : ids)
        EXPECT_EQ(IsEnabled(id), enabledOn(scene)) << "command " << id << " on " << SceneName(scene);
    }
  }
  // The small meshes every command runs on with its defaults: each builder replaces the scene.
  std::vector<std::function<CMesh3d*()>> SmallMeshes()
  {
    return {[this] { return SetTetrahedron(); }, [this] { return SetBox(); },
            [this] { return SetMapGrid(6); }};
  }

  // Types the dialog's edit, check box or radio group of this label as a person would; the
  // first field of that label counts.
  static void SetField(platform::CDialog& dialog, const std::string& label, const std::string& text)
  {
    for (const platform::SDialogField& field : dialog.Fields().Fields()) {
      if (field.Label != label)
        continue;
      const bool choice = field.Type == platform::EFieldType::Check ||
                          field.Type == platform::EFieldType::Radio;
      EXPECT_TRUE(choice ? dialog.Fields().SetChoice(field.Id, std::stoi(text))
                         : dialog.Fields().SetText(field.Id, text))
        << label;
      return;
    }
    ADD_FAILURE() << "no field " << label << " in " << dialog.GetTitle();
  }
  // Answers the dialogs with these values (label, text) and OK.
  void AnswerWith(std::vector<std::pair<std::string, std::string>> values)
  {
    m_DialogAnswer = platform::IDOK;
    m_EditDialog = [values = std::move(values)](platform::CDialog& dialog) {
      for (const auto& [label, text] : values)
        SetField(dialog, label, text);
    };
  }

  CMesh3d* Mesh(int index) const
  {
    return index < m_pDoc->m_SceneGraph.NbObject()
             ? dynamic_cast<CMesh3d*>(m_pDoc->m_SceneGraph.GetAt(index))
             : nullptr;
  }
  // Every corner of every face is a vertex of the mesh: nothing points at a deleted vertex.
  static bool CornersInMesh(const CMesh3d* pMesh)
  {
    for (int i = 0; i < pMesh->NbFace(); i++)
      for (int k = 0; k < 3; k++)
        if (pMesh->IndexFrom(pMesh->GetFace(i)->v(k)) < 0)
          return false;
    return true;
  }
  int NbObject() const { return m_pDoc->m_SceneGraph.NbObject(); }
  const std::string LastStatus() const { return m_Status.empty() ? std::string() : m_Status.back(); }

  CVanthDoc* m_pDoc = nullptr;
  std::vector<std::string> m_Status;
  std::vector<int> m_DialogTemplates;
  int m_DialogAnswer = platform::IDOK;
  std::function<void(platform::CDialog&)> m_EditDialog;

private:
  platform::StatusSink m_PreviousStatus;
};
