#pragma once

#include <functional>
#include <string>

// Status-bar text (pane 0). Without a main window there is no sink and nothing is shown.
namespace platform {

using StatusSink = std::function<void(const std::string& text)>;

void StatusMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

StatusSink SetStatusSink(StatusSink sink);

} // namespace platform
