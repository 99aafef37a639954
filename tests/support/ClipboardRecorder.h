#pragma once

#include "platform/core/Clipboard.h"

#include <string>
#include <vector>

// Stands in for the system clipboard while it lives and keeps everything put on it.
class CClipboardRecorder : public platform::CClipboardSink
{
public:
  CClipboardRecorder() : m_pPrevious(platform::SetClipboard(this)) {}
  ~CClipboardRecorder() override { platform::SetClipboard(m_pPrevious); }
  CClipboardRecorder(const CClipboardRecorder&) = delete;
  CClipboardRecorder& operator=(const CClipboardRecorder&) = delete;

  bool SetText(const std::string& text) override
  {
    m_Texts.push_back(text);
    return true;
  }
  bool SetBitmap(const std::vector<std::uint8_t>& dib) override
  {
    m_Bitmaps.push_back(dib);
    return true;
  }
  bool SetMetafile(const std::vector<std::uint8_t>& emf) override
  {
    m_Metafiles.push_back(emf);
    return true;
  }
  std::string GetText() override { return m_Texts.empty() ? std::string() : m_Texts.back(); }

  std::vector<std::string> m_Texts;
  std::vector<std::vector<std::uint8_t>> m_Bitmaps;
  std::vector<std::vector<std::uint8_t>> m_Metafiles;

private:
  platform::CClipboardSink* m_pPrevious;
};
