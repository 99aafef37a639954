#include "platform/ui/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

namespace {
int g_NbShown = 0;
} // namespace

CWaitCursor::CWaitCursor()
{
  g_NbShown++;
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

CWaitCursor::~CWaitCursor()
{
  QGuiApplication::restoreOverrideCursor();
}

int CWaitCursor::NbShown()
{
  return g_NbShown;
}

} // namespace platform
