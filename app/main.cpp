#include "app/VanthApp.h"
#include "platform/ui/NumericLocale.h"

#include <QApplication>

int main(int argc, char* argv[])
{
  // Display lists compiled in one view draw in every other view, whatever window holds it.
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  platform::RestoreCNumericLocale();
  std::vector<std::string> arguments;
  for (const QString& argument : QApplication::arguments().mid(1))
    arguments.push_back(argument.toStdString());
  CVanthApp theApp(std::move(arguments));
  if (!theApp.InitInstance()) {
    theApp.ExitInstance();
    return 1;
  }
  const int code = QApplication::exec();
  theApp.ExitInstance();
  return code;
}
