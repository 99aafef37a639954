#include "platform/ui/FileDialog.h"

#include <QFileDialog>

#include <utility>

namespace platform {

namespace {
FileDialogSink& Sink()
{
  static FileDialogSink sink;
  return sink;
}

const char* const kAllFiles = "All Files (*)";
} // namespace

std::optional<std::string> GetFileName(QWidget* parent, const SFileDialogRequest& request)
{
  if (Sink())
    return Sink()(request);
  const QString title = QString::fromStdString(request.Title);
  const QString initial = QString::fromStdString(request.InitialPath);
  const QString filter =
    request.Filter.empty() ? QString(kAllFiles) : QString::fromStdString(request.Filter);
  const QString path = request.Open ? QFileDialog::getOpenFileName(parent, title, initial, filter)
                                    : QFileDialog::getSaveFileName(parent, title, initial, filter);
  if (path.isEmpty())
    return std::nullopt;
  return path.toStdString();
}

FileDialogSink SetFileDialogSink(FileDialogSink sink)
{
  return std::exchange(Sink(), std::move(sink));
}

} // namespace platform
