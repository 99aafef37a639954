#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

// File dialogs. With an empty filter they offer only the all-files filter. Tests install a
// sink that answers instead of a person.
namespace platform {

struct SFileDialogRequest
{
  bool Open = true;                 // open or save
  std::string Title;
  std::string InitialPath;          // proposed file name or folder
  std::string Filter;               // "Name (*.ext)" pairs separated by ";;", or empty
};

// The chosen path, or nothing when the user cancelled.
using FileDialogSink = std::function<std::optional<std::string>(const SFileDialogRequest&)>;

std::optional<std::string> GetFileName(QWidget* parent, const SFileDialogRequest& request);

FileDialogSink SetFileDialogSink(FileDialogSink sink);

} // namespace platform
