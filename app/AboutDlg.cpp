#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

// Outside any namespace, as Qt's resource initialisation requires; the icon lives beside the
// button images, in orvane_ui's resources.
static void InitIconResources()
{
  Q_INIT_RESOURCE(buttons);
}

QPixmap CAboutDlg::ApplicationIcon()
{
  InitIconResources();
  return QPixmap(":/icons/orvane.png");
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
  setWindowTitle("About Orvane");
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setObjectName("icon");
  icon->setPixmap(ApplicationIcon());
  top->addWidget(icon, 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  texts->addWidget(new QLabel("Orvane (version 2.0)", this));
  texts->addWidget(new QLabel("Talvenor", this));
  top->addLayout(texts);
  layout->addLayout(top);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}
