#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/NumericLocale.h"

// Window suites run under a comma-decimal user locale, to prove that nothing the program
// writes or reads depends on it. Settings go to a folder of their own, never the user's.
int main(int argc, char* argv[])
{
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  ::testing::InitGoogleTest(&argc, argv);
  // As in the program: every OpenGL context of the process in one share group.
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  platform::RestoreCNumericLocale();
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  return RUN_ALL_TESTS();
}
