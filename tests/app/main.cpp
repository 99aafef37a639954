#include <QApplication>
#include <QSettings>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/NumericLocale.h"
#include "tests/support/ProcessScratch.h"

// The OpenGL driver and the window system keep memory until exit: no leak report for the
// window suites, whether their tests run or are only listed.
extern "C" const char* __asan_default_options()
{
  return "detect_leaks=0";
}

// Window suites run under a comma-decimal user locale, to prove that nothing the program
// writes or reads depends on it. Settings, caches and runtime files go to a folder of the
// process's own, never the user's nor another test's.
int main(int argc, char* argv[])
{
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  const CProcessScratch scratch;
  ::testing::InitGoogleTest(&argc, argv);
  // As in the program: every OpenGL context of the process in one share group.
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  platform::RestoreCNumericLocale();
  const QString settings = QString::fromStdString(scratch.Settings());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
  return RUN_ALL_TESTS();
}
