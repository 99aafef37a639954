#include "platform/core/Trace.h"

#include "platform/core/Format.h"

#include <cstdarg>
#include <utility>

namespace platform {

namespace {
TraceSink& Sink()
{
  static TraceSink sink;
  return sink;
}
} // namespace

void Trace(const char* format, ...)
{
  if (!Sink())
    return;
  va_list args;
  va_start(args, format);
  const std::string line = FormatV(format, args);
  va_end(args);
  Sink()(line);
}

TraceSink SetTraceSink(TraceSink sink)
{
  return std::exchange(Sink(), std::move(sink));
}

} // namespace platform
