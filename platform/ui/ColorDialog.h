#pragma once

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

// Colours as the forms and dialogs hold them (red in the low byte, then green, then blue), and
// the modal colour dialog. Tests install a sink that answers instead of a person.
namespace platform {

using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF color) { return static_cast<std::uint8_t>(color & 0xFF); }
constexpr std::uint8_t GetGValue(COLORREF color) { return static_cast<std::uint8_t>((color >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(COLORREF color) { return static_cast<std::uint8_t>((color >> 16) & 0xFF); }

// The chosen colour, or nothing when the user cancelled.
using ColorDialogSink = std::function<std::optional<COLORREF>(COLORREF initial)>;

std::optional<COLORREF> ChooseColor(QWidget* parent, COLORREF initial);

ColorDialogSink SetColorDialogSink(ColorDialogSink sink);

} // namespace platform
