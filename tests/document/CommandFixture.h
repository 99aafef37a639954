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
