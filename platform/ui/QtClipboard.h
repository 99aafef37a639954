#pragma once

#include "platform/core/Clipboard.h"

#include <QImage>

// The system clipboard behind the core clipboard interface: text, device-independent
// bitmaps as images, and enhanced metafiles as bytes of type "image/x-emf".
namespace platform {

class CQtClipboard : public CClipboardSink
{
public:
  bool SetText(const std::string& text) override;
  bool SetBitmap(const std::vector<std::uint8_t>& dib) override;
  bool SetMetafile(const std::vector<std::uint8_t>& emf) override;
  std::string GetText() override;

  // The image that a packed device-independent bitmap puts on the clipboard; null when the
  // bitmap is not sound.
  static QImage ImageFromDib(const std::vector<std::uint8_t>& dib);
};

} // namespace platform
