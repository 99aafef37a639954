#pragma once

#include <string>

// Routes the message boxes of core code to modal Qt message boxes captioned with the
// application's title.
namespace platform {

void InstallMessageBoxes(const std::string& caption);

// The answer of a modal box of the given style (MB_OK, MB_YESNO, ... with an icon).
int ShowMessageBox(const std::string& caption, const std::string& text, int style);

} // namespace platform
