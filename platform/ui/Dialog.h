#pragma once

#include "platform/ui/DialogBuilder.h"

#include <functional>
#include <string>

class QDialog;

namespace platform {

class CDialog;

// Answers a modal dialog instead of a person: it may change the values through the dialog's
// fields, then chooses IDOK or IDCANCEL. Refused input keeps the dialog open, so the sink is
// asked again, with the offending field in `Fields().FailedId()`.
using DialogSink = std::function<int(CDialog&)>;

// Installs the sink and returns the one it replaces; an empty sink shows dialogs again.
DialogSink SetDialogSink(DialogSink sink);

// A modal parameter dialog: the derived class declares its fields (with their defaults) in
// its constructor; the window exists only while DoModal runs.
class CDialog
{
public:
  CDialog(int templateId, std::string title, std::string defaultButton = "OK");
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // IDOK once every value is valid and in the members; IDCANCEL with the members as they were.
  int DoModal();

  int GetTemplateId() const { return m_TemplateId; }
  const std::string& GetTitle() const { return m_Title; }
  const std::string& GetDefaultButton() const { return m_DefaultButton; }
  CDialogBuilder& Fields() { return m_Fields; }
  const CDialogBuilder& Fields() const { return m_Fields; }
  // The window while DoModal runs, else null.
  QDialog* GetWindow() const { return m_Window; }

protected:
  // The default button: moves the values to the members; false keeps the dialog open.
  virtual bool OnOK();
  // Behaviour beyond the exchange, once the controls show the members.
  virtual void OnInitDialog() {}
  // The window is about to go; the controls still exist.
  virtual void OnDestroy() {}
  // The window and every control of it are gone.
  virtual void PostNcDestroy() {}

  CDialogBuilder m_Fields;

private:
  int Answer(QDialog& window);
  int RunWindow();

  int m_TemplateId;
  std::string m_Title;
  std::string m_DefaultButton;
  QDialog* m_Window = nullptr;
};

} // namespace platform
