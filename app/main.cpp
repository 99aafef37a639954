#include "app/MainFrame.h"
#include "platform/ui/NumericLocale.h"

#include <QApplication>

int main(int argc, char* argv[])
{
  QApplication app(argc, argv);
  platform::RestoreCNumericLocale();
  CMainFrame frame;
  frame.show();
  return app.exec();
}
