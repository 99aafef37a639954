#pragma once

#include <QDialog>
#include <QPixmap>

// The About box: the application icon, the program's name and version, and its maker.
class CAboutDlg : public QDialog
{
  Q_OBJECT

public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  // The application icon, 32 by 32, from the program's resources.
  static QPixmap ApplicationIcon();
};
