#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The clipboard as core code sees it: text tables, device-independent bitmaps and
// enhanced-metafile bytes. The application installs a Qt clipboard; tests install a
// recorder. With no clipboard installed, puts are dropped and answer false.
namespace platform {

class CClipboardSink
{
public:
  virtual ~CClipboardSink() = default;
  virtual bool SetText(const std::string& text) = 0;
  // A packed DIB: BITMAPINFOHEADER, optional palette, then the pixel rows.
  virtual bool SetBitmap(const std::vector<std::uint8_t>& dib) = 0;
  // The bytes of an enhanced metafile.
  virtual bool SetMetafile(const std::vector<std::uint8_t>& emf) = 0;
  virtual std::string GetText() = 0;
};

// Installs the clipboard (not owned) and returns the one it replaces.
CClipboardSink* SetClipboard(CClipboardSink* clipboard);
CClipboardSink* GetClipboard();

bool ClipboardSetText(const std::string& text);
bool ClipboardSetBitmap(const std::vector<std::uint8_t>& dib);
bool ClipboardSetMetafile(const std::vector<std::uint8_t>& emf);
std::string ClipboardGetText();

} // namespace platform
