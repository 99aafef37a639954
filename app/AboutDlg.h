#pragma once

#include <QDialog>

// The About box.
class CAboutDlg : public QDialog
{
  Q_OBJECT

public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
