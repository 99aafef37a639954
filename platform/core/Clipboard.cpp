#include "platform/core/Clipboard.h"

#include <utility>

namespace platform {

namespace {
CClipboardSink*& Current()
{
  static CClipboardSink* clipboard = nullptr;
  return clipboard;
}
} // namespace

CClipboardSink* SetClipboard(CClipboardSink* clipboard)
{
  return std::exchange(Current(), clipboard);
}

CClipboardSink* GetClipboard()
{
  return Current();
}

bool ClipboardSetText(const std::string& text)
{
  return Current() && Current()->SetText(text);
}

bool ClipboardSetBitmap(const std::vector<std::uint8_t>& dib)
{
  return Current() && Current()->SetBitmap(dib);
}

bool ClipboardSetMetafile(const std::vector<std::uint8_t>& emf)
{
  return Current() && Current()->SetMetafile(emf);
}

std::string ClipboardGetText()
{
  return Current() ? Current()->GetText() : std::string();
}

} // namespace platform
