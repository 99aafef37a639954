#pragma once

// Records every message box shown while it lives, answering each with a fixed button.
#include "platform/core/MessageBox.h"

#include <string>
#include <vector>

class CMessageCapture
{
public:
  explicit CMessageCapture(int answer = platform::IDOK)
  {
    m_Previous = platform::SetMessageSink([this, answer](const std::string& text, int) {
      m_Texts.push_back(text);
      return answer;
    });
  }
  ~CMessageCapture() { platform::SetMessageSink(m_Previous); }
  CMessageCapture(const CMessageCapture&) = delete;
  CMessageCapture& operator=(const CMessageCapture&) = delete;

  const std::vector<std::string>& Texts() const { return m_Texts; }
  std::string Last() const { return m_Texts.empty() ? std::string() : m_Texts.back(); }
  void Clear() { m_Texts.clear(); }

private:
  platform::MessageSink m_Previous;
  std::vector<std::string> m_Texts;
};
