#pragma once

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/VanthApp.h"
#include "app/resources/Resource.h"
#include "document/VanthDoc.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/FileDialog.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QSettings>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A fresh folder under the temporary directory, removed with everything in it; the current
// directory, which opening a file changes, is put back.
class CScopedFolder
{
public:
  explicit CScopedFolder(const std::string& name)
    : m_Previous(std::filesystem::current_path()),
      m_Path(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid())))
  {
    std::filesystem::create_directories(m_Path);
  }
  ~CScopedFolder()
  {
    std::filesystem::current_path(m_Previous);
    std::filesystem::remove_all(m_Path);
  }
  CScopedFolder(const CScopedFolder&) = delete;
  CScopedFolder& operator=(const CScopedFolder&) = delete;

  const std::filesystem::path& Path() const { return m_Path; }

private:
  std::filesystem::path m_Previous;
  std::filesystem::path m_Path;
};

// A started workbench whose message boxes and file dialogs answer from the test.
class CAppFixture : public ::testing::Test
{
protected:
  void SetUp() override
  {
    QSettings("Orvane", "Vanth").clear();
    m_App = std::make_unique<CVanthApp>(Arguments());
    m_Started = m_App->InitInstance();
    platform::SetMessageSink([this](const std::string& text, int style) {
      m_Messages.push_back(text);
      m_Styles.push_back(style);
      return m_Answer;
    });
    platform::SetFileDialogSink([this](const platform::SFileDialogRequest& request) {
      m_Requests.push_back(request);
      return m_FileAnswer;
    });
  }

  void TearDown() override
  {
    platform::SetFileDialogSink({});
    m_App.reset();
    platform::SetMessageSink({});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  virtual std::vector<std::string> Arguments() const { return {}; }

  CMainFrame* Frame() const { return m_App->GetMainFrame(); }
  CChildFrame* ActiveChild() const { return dynamic_cast<CChildFrame*>(Frame()->MDIGetActive()); }
  CVanthDoc* ActiveDocument() const
  {
    CChildFrame* child = ActiveChild();
    return child ? dynamic_cast<CVanthDoc*>(child->GetActiveDocument()) : nullptr;
  }
  CVanthDoc* NewDocument()
  {
    Frame()->DoCommand(platform::ID_FILE_NEW);
    return ActiveDocument();
  }
  int ChildCount() const { return static_cast<int>(Frame()->GetMdiArea()->subWindowList().size()); }
  // Frames closed by a command go at the next turn of the event loop.
  static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  std::unique_ptr<CVanthApp> m_App;
  bool m_Started = false;
  std::vector<std::string> m_Messages;
  std::vector<int> m_Styles;
  int m_Answer = platform::IDOK;
  std::vector<platform::SFileDialogRequest> m_Requests;
  std::optional<std::string> m_FileAnswer;
};
