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

#include <QApplication>

#include <cmath>

#include <functional>
#include <string>
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

  CMesh3d* Mesh(int index) const
  {
    return index < m_pDoc->m_SceneGraph.NbObject()
             ? dynamic_cast<CMesh3d*>(m_pDoc->m_SceneGraph.GetAt(index))
             : nullptr;
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
