#pragma once

#include <functional>
#include <string>

// Modal message boxes reached from core code. The application routes them to real
// dialogs; tests replace the sink to capture the text and choose the answer.
namespace platform {

enum : int {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_YESNOCANCEL = 0x03,
  MB_YESNO = 0x04,
  MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_TYPEMASK = 0x0f
};

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using MessageSink = std::function<int(const std::string& text, int style)>;

// Shows the text and answers the button pressed (IDOK, IDYES, ...).
int MessageBox(const std::string& text, int style = MB_OK);

// Installs the sink and returns the one it replaces. An empty sink restores the default,
// which writes to stderr and answers IDOK, or the cautious answer for questions.
MessageSink SetMessageSink(MessageSink sink);

} // namespace platform
