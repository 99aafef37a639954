#include "app/MainFrame.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
  setWindowTitle("Orvane");
  resize(1024, 768);
}
