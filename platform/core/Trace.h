#pragma once

#include <functional>
#include <string>

// Diagnostic lines of the algorithms. The shipped program writes them nowhere; a test or
// a debugging session may install a sink to read them.
namespace platform {

using TraceSink = std::function<void(const std::string& line)>;

void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

TraceSink SetTraceSink(TraceSink sink);

} // namespace platform
