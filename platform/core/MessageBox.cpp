#include "platform/core/MessageBox.h"

#include <cstdio>
#include <utility>

namespace platform {

namespace {

MessageSink& Sink()
{
  static MessageSink sink;
  return sink;
}

int DefaultAnswer(int style)
{
  switch (style & MB_TYPEMASK) {
  case MB_YESNO: return IDNO;
  case MB_OKCANCEL:
  case MB_YESNOCANCEL: return IDCANCEL;
  default: return IDOK;
  }
}

} // namespace

int MessageBox(const std::string& text, int style)
{
  if (Sink())
    return Sink()(text, style);
  std::fprintf(stderr, "%s\n", text.c_str());
  return DefaultAnswer(style);
}

MessageSink SetMessageSink(MessageSink sink)
{
  return std::exchange(Sink(), std::move(sink));
}

} // namespace platform
