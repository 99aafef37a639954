#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/NumericLocale.h"

// The OpenGL driver and the window system keep memory until exit: no leak report for the
// window suites, whether their tests run or are only listed.
extern "C" const char* __asan_default_options()
{
  return "detect_leaks=0";
}

// Window suites run under a comma-decimal user locale, to prove that nothing the program
// writes or reads depends on it. Settings go to a folder of their own, never the user's.
int main(int argc, char* argv[])
{
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  platform::RestoreCNumericLocale();
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  return RUN_ALL_TESTS();
}
