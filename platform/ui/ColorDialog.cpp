#include "platform/ui/ColorDialog.h"

#include <QColorDialog>

#include <utility>

namespace platform {

namespace {
ColorDialogSink& Sink()
{
  static ColorDialogSink sink;
  return sink;
}
} // namespace

std::optional<COLORREF> ChooseColor(QWidget* parent, COLORREF initial)
{
  if (Sink())
    return Sink()(initial);
  const QColor chosen =
    QColorDialog::getColor(QColor(GetRValue(initial), GetGValue(initial), GetBValue(initial)), parent);
  if (!chosen.isValid())
    return std::nullopt;
  return RGB(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
             static_cast<std::uint8_t>(chosen.blue()));
}

ColorDialogSink SetColorDialogSink(ColorDialogSink sink)
{
  return std::exchange(Sink(), std::move(sink));
}

} // namespace platform
