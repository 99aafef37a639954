#include "platform/ui/MessageBoxes.h"

#include "platform/core/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {

QMessageBox::Icon IconOf(int style)
{
  switch (style & 0xf0) {
  case MB_ICONSTOP: return QMessageBox::Critical;
  case MB_ICONQUESTION: return QMessageBox::Question;
  case MB_ICONEXCLAMATION: return QMessageBox::Warning;
  case MB_ICONINFORMATION: return QMessageBox::Information;
  default: return (style & MB_TYPEMASK) == MB_OK ? QMessageBox::Warning : QMessageBox::Question;
  }
}

QMessageBox::StandardButtons ButtonsOf(int style)
{
  switch (style & MB_TYPEMASK) {
  case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
  case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
  default: return QMessageBox::Ok;
  }
}

int AnswerOf(int button)
{
  switch (button) {
  case QMessageBox::Yes: return IDYES;
  case QMessageBox::No: return IDNO;
  case QMessageBox::Cancel: return IDCANCEL;
  default: return IDOK;
  }
}

} // namespace

int ShowMessageBox(const std::string& caption, const std::string& text, int style)
{
  QMessageBox box(IconOf(style), QString::fromStdString(caption), QString::fromStdString(text),
                  ButtonsOf(style), QApplication::activeWindow());
  return AnswerOf(box.exec());
}

void InstallMessageBoxes(const std::string& caption)
{
  SetMessageSink([caption](const std::string& text, int style) {
    return ShowMessageBox(caption, text, style);
  });
}

} // namespace platform
