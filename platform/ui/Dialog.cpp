#include "platform/ui/Dialog.h"

#include "platform/core/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace platform {

namespace {

DialogSink& Sink()
{
  static DialogSink sink;
  return sink;
}

// A sink that keeps choosing OK on input it leaves invalid would hold the dialog open for
// ever; after this many rounds it counts as a cancel.
constexpr int kMaxSinkRounds = 32;

} // namespace

DialogSink SetDialogSink(DialogSink sink)
{
  return std::exchange(Sink(), std::move(sink));
}

CDialog::CDialog(int templateId, std::string title, std::string defaultButton)
  : m_TemplateId(templateId), m_Title(std::move(title)), m_DefaultButton(std::move(defaultButton))
{
}

CDialog::~CDialog() = default;

bool CDialog::OnOK()
{
  return m_Fields.Save();
}

int CDialog::Answer(QDialog& window)
{
  if (const DialogSink sink = Sink()) {
    for (int round = 0; round < kMaxSinkRounds; round++) {
      if (sink(*this) != IDOK)
        return IDCANCEL;
      if (OnOK())
        return IDOK;
    }
    return IDCANCEL;
  }
  return window.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

int CDialog::DoModal()
{
  const std::vector<FieldValue> before = m_Fields.Values();
  const int result = RunWindow();
  PostNcDestroy();
  if (result != IDOK)
    m_Fields.SetValues(before);
  return result;
}

int CDialog::RunWindow()
{
  QDialog window(QApplication::activeWindow());
  window.setWindowTitle(QString::fromStdString(m_Title));
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(m_Fields.Build(window));
  auto* buttons = new QDialogButtonBox(&window);
  QPushButton* ok = buttons->addButton(QString::fromStdString(m_DefaultButton),
                                       QDialogButtonBox::AcceptRole);
  ok->setDefault(true);
  ok->setObjectName("IDOK");
  buttons->addButton(QDialogButtonBox::Cancel)->setObjectName("IDCANCEL");
  QObject::connect(ok, &QPushButton::clicked, &window, [&window, this] {
    if (OnOK())
      window.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
  layout->addWidget(buttons);

  m_Window = &window;
  OnInitDialog();
  const int result = Answer(window);
  OnDestroy();
  m_Window = nullptr;
  m_Fields.Release();
  return result;
}

} // namespace platform
