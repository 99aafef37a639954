#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
  setWindowTitle("About Orvane");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Orvane (version 2.0)", this));
  layout->addWidget(new QLabel("Talvenor", this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}
