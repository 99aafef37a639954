#include "platform/core/Status.h"

#include "platform/core/Format.h"

#include <cstdarg>
#include <utility>

namespace platform {

namespace {
StatusSink& Sink()
{
  static StatusSink sink;
  return sink;
}
} // namespace

void StatusMessage(const char* format, ...)
{
  if (!Sink())
    return;
  va_list args;
  va_start(args, format);
  const std::string text = FormatV(format, args);
  va_end(args);
  Sink()(text);
}

StatusSink SetStatusSink(StatusSink sink)
{
  return std::exchange(Sink(), std::move(sink));
}

} // namespace platform
