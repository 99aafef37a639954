#pragma once

// Coding commands write and read fixed-name files in the current folder, and put tables on
// the clipboard: a scratch folder and a clipboard recorder for the length of each test.
#include "tests/document/CommandFixture.h"
#include "tests/support/ClipboardRecorder.h"

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

class CCodingFixture : public CCommandFixture
{
protected:
  void SetUp() override
  {
    CCommandFixture::SetUp();
    std::filesystem::current_path(m_Scope.Path());
    m_Recorder.emplace();
  }
  void TearDown() override
  {
    m_Recorder.reset();
    CCommandFixture::TearDown();
  }

  std::string PathOf(const std::string& name) const { return (m_Scope.Path() / name).string(); }
  std::string Clipboard() const
  {
    return m_Recorder->m_Texts.empty() ? std::string() : m_Recorder->m_Texts.back();
  }
  static std::vector<std::string> Lines(const std::string& text)
  {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }
  // Ticks (1) or clears (0) check boxes and types texts into the controls of every dialog
  // shown, as a person would.
  void Options(std::vector<std::pair<int, int>> choices,
               std::vector<std::pair<int, std::string>> texts = {})
  {
    m_EditDialog = [choices, texts](platform::CDialog& dialog) {
      for (const auto& [id, choice] : choices)
        dialog.Fields().SetChoice(id, choice);
      for (const auto& [id, text] : texts)
        dialog.Fields().SetText(id, text);
    };
  }

  CScopedFolder m_Scope{"orvane_coding_commands"};
  std::optional<CClipboardRecorder> m_Recorder;
};
