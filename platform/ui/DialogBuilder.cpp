#include "platform/ui/DialogBuilder.h"

#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/DialogSpin.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string_view>
#include <type_traits>
#include <utility>

namespace platform {

namespace {

// A form taller than this many fields is split into two columns.
constexpr int kColumnRows = 14;

const char* const kEnterInteger = "Please enter an integer.";
const char* const kEnterPositiveInteger = "Please enter a positive integer.";
const char* const kEnterNumber = "Please enter a number.";
const char* const kIntegerBetween = "Please enter an integer between %1 and %2.";
const char* const kNumberBetween = "Please enter a number between %1 and %2.";

std::string_view Trim(std::string_view text)
{
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return text;
}

// The whole text (blanks around it allowed) as one number of type T, or nothing.
template <class T> std::optional<T> ParseWhole(std::string_view text)
{
  text = Trim(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-')
      return std::nullopt;
  }
  if (text.empty())
    return std::nullopt;
  T value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end)
    return std::nullopt;
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value))
      return std::nullopt;
  }
  return value;
}

std::string Substitute(std::string text, const std::string& first, const std::string& second)
{
  text.replace(text.find("%1"), 2, first);
  text.replace(text.find("%2"), 2, second);
  return text;
}

// Texts the class library shows for each kind of number.
std::string TextOf(int value) { return Format("%d", value); }
std::string TextOf(unsigned value) { return Format("%u", value); }
std::string TextOf(float value) { return Format("%.6g", static_cast<double>(value)); }
std::string TextOf(double value) { return Format("%.15g", value); }

template <class T>
std::optional<T> ReadNumber(const std::string& text, const SDialogField& field,
                            const char* notNumber, const char* notBetween, std::string& message)
{
  std::optional<T> value;
  if constexpr (std::is_same_v<T, float>) {
    // Parsed at full precision first, so that a value beyond a float's reach is refused.
    const auto wide = ParseWhole<double>(text);
    if (wide && std::isfinite(static_cast<float>(*wide)))
      value = static_cast<float>(*wide);
  }
  else {
    value = ParseWhole<T>(text);
  }
  if (!value) {
    message = notNumber;
    return std::nullopt;
  }
  if (!field.Range)
    return value;
  const T min = static_cast<T>(field.Range->Min);
  const T max = static_cast<T>(field.Range->Max);
  if (*value >= min && *value <= max)
    return value;
  message = Substitute(notBetween, TextOf(min), TextOf(max));
  return std::nullopt;
}

SDialogField MakeField(int id, std::string label, EFieldType type, SDialogField::Member value)
{
  SDialogField field;
  field.Id = id;
  field.Label = std::move(label);
  field.Type = type;
  field.Value = value;
  return field;
}

} // namespace

CDialogBuilder& CDialogBuilder::Add(SDialogField field)
{
  m_Fields.push_back(std::move(field));
  return *this;
}

SDialogField& CDialogBuilder::Last()
{
  return m_Fields.back();
}

CDialogBuilder& CDialogBuilder::Int(int id, std::string label, int& member, int value)
{
  member = value;
  return Add(MakeField(id, std::move(label), EFieldType::Int, &member));
}

CDialogBuilder& CDialogBuilder::Unsigned(int id, std::string label, unsigned& member,
                                         unsigned value)
{
  member = value;
  return Add(MakeField(id, std::move(label), EFieldType::Unsigned, &member));
}

CDialogBuilder& CDialogBuilder::Float(int id, std::string label, float& member, float value)
{
  member = value;
  return Add(MakeField(id, std::move(label), EFieldType::Float, &member));
}

CDialogBuilder& CDialogBuilder::Double(int id, std::string label, double& member, double value)
{
  member = value;
  return Add(MakeField(id, std::move(label), EFieldType::Double, &member));
}

CDialogBuilder& CDialogBuilder::String(int id, std::string label, std::string& member,
                                       std::string value)
{
  member = std::move(value);
  return Add(MakeField(id, std::move(label), EFieldType::String, &member));
}

CDialogBuilder& CDialogBuilder::Check(int id, std::string label, int& member, int value)
{
  member = value;
  return Add(MakeField(id, std::move(label), EFieldType::Check, &member));
}

CDialogBuilder& CDialogBuilder::Radio(int id, std::string caption, std::vector<std::string> buttons,
                                      int& member, int value)
{
  member = value;
  SDialogField field = MakeField(id, std::move(caption), EFieldType::Radio, &member);
  field.Choices = std::move(buttons);
  return Add(std::move(field));
}

CDialogBuilder& CDialogBuilder::Combo(int id, std::string label, std::vector<std::string> items,
                                      std::vector<int> codes, int& member, int value)
{
  member = value;
  SDialogField field = MakeField(id, std::move(label), EFieldType::Combo, &member);
  field.Choices = std::move(items);
  field.Codes = std::move(codes);
  return Add(std::move(field));
}

CDialogBuilder& CDialogBuilder::InRange(double min, double max)
{
  Last().Range = SFieldRange{min, max};
  return *this;
}

CDialogBuilder& CDialogBuilder::ReadOnly()
{
  Last().ReadOnly = true;
  return *this;
}

CDialogBuilder& CDialogBuilder::Disabled()
{
  Last().Enabled = false;
  return *this;
}

CDialogBuilder& CDialogBuilder::InGroup(std::string caption)
{
  Last().Group = std::move(caption);
  return *this;
}

CDialogBuilder& CDialogBuilder::WithHelp(std::string text)
{
  Last().Help = std::move(text);
  return *this;
}

CDialogBuilder& CDialogBuilder::WithSpin(int spinId, int min, int max, int pos)
{
  Last().Spin = SFieldSpin{spinId, min, max, pos};
  return *this;
}

CDialogBuilder& CDialogBuilder::EnabledBy(int checkId)
{
  Last().EnabledBy = checkId;
  return *this;
}

CDialogBuilder& CDialogBuilder::WithBrowse()
{
  Last().Browse = true;
  return *this;
}

int CDialogBuilder::IndexOf(int id) const
{
  for (size_t i = 0; i < m_Fields.size(); i++)
    if (m_Fields[i].Id == id)
      return static_cast<int>(i);
  return -1;
}

const SDialogField* CDialogBuilder::Find(int id) const
{
  const int i = IndexOf(id);
  return i < 0 ? nullptr : &m_Fields[i];
}

QWidget* CDialogBuilder::Control(int id) const
{
  const int i = IndexOf(id);
  return i < 0 || !HasForm() ? nullptr : m_Controls[i].Focus;
}

CDialogSpin* CDialogBuilder::Spin(int spinId) const
{
  for (size_t i = 0; i < m_Controls.size(); i++)
    if (m_Fields[i].Spin && m_Fields[i].Spin->Id == spinId)
      return m_Controls[i].Spin;
  return nullptr;
}

QPushButton* CDialogBuilder::BrowseButton(int id) const
{
  const int i = IndexOf(id);
  return i < 0 || !HasForm() ? nullptr : m_Controls[i].Browse;
}

void CDialogBuilder::ShowText(int id, const std::string& text)
{
  const int i = IndexOf(id);
  if (i >= 0 && HasForm() && m_Controls[i].Edit)
    m_Controls[i].Edit->setText(QString::fromStdString(text));
}

// An edit, with its up-down control or "..." button in one row when it has one.
QWidget* CDialogBuilder::BuildEdit(const SDialogField& field, SControl& control, QWidget& parent)
{
  control.Edit = new QLineEdit(&parent);
  control.Edit->setReadOnly(field.ReadOnly);
  control.Focus = control.Edit;
  if (!field.Spin && !field.Browse)
    return control.Edit;
  auto* row = new QWidget(&parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  control.Edit->setParent(row);
  layout->addWidget(control.Edit);
  if (field.Spin) {
    control.Spin = new CDialogSpin(row);
    control.Spin->setObjectName(QString::number(field.Spin->Id));
    control.Spin->SetRange(field.Spin->Min, field.Spin->Max);
    control.Spin->SetPos(field.Spin->Pos);
    QLineEdit* edit = control.Edit;
    control.Spin->SetOnMove([edit](int pos) { edit->setText(QString::number(pos)); });
    // Typed text becomes the position the next click starts from, as long as it is a number.
    CDialogSpin* spin = control.Spin;
    QObject::connect(edit, &QLineEdit::textEdited, spin, [spin](const QString& text) {
      bool ok = false;
      const int pos = text.trimmed().toInt(&ok);
      if (ok)
        spin->SetPos(pos);
    });
    layout->addWidget(control.Spin);
  }
  if (field.Browse) {
    control.Browse = new QPushButton("...", row);
    control.Browse->setObjectName(QString::number(field.Id) + "...");
    control.Browse->setAutoDefault(false);
    layout->addWidget(control.Browse);
  }
  return row;
}

void CDialogBuilder::BuildControl(const SDialogField& field, SControl& control, QWidget& parent,
                                  QFormLayout& form)
{
  const QString label = QString::fromStdString(field.Label);
  switch (field.Type) {
  case EFieldType::Check: {
    auto* check = new QCheckBox(label, &parent);
    form.addRow(check);
    control.Check = check;
    control.Focus = check;
    break;
  }
  case EFieldType::Radio: {
    auto* row = new QWidget(&parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    control.Radio = new QButtonGroup(row);
    for (size_t i = 0; i < field.Choices.size(); i++) {
      auto* button = new QRadioButton(QString::fromStdString(field.Choices[i]), row);
      control.Radio->addButton(button, static_cast<int>(i));
      layout->addWidget(button);
    }
    form.addRow(label, row);
    control.Focus = row;
    break;
  }
  case EFieldType::Combo: {
    control.Combo = new QComboBox(&parent);
    for (const std::string& item : field.Choices)
      control.Combo->addItem(QString::fromStdString(item));
    form.addRow(label, control.Combo);
    control.Focus = control.Combo;
    break;
  }
  default: {
    form.addRow(label, BuildEdit(field, control, parent));
    break;
  }
  }
  control.Label = form.labelForField(control.Focus->parentWidget() != &parent
                                       ? control.Focus->parentWidget()
                                       : control.Focus);
  control.Focus->setEnabled(field.Enabled);
  control.Focus->setObjectName(QString::number(field.Id));
  if (!field.Help.empty())
    control.Focus->setToolTip(QString::fromStdString(field.Help));
}

QWidget* CDialogBuilder::Build(QWidget& parent)
{
  auto* panel = new QWidget(&parent);
  auto* columns = new QHBoxLayout(panel);
  const int nbField = static_cast<int>(m_Fields.size());
  const int nbColumn = nbField > kColumnRows ? 2 : 1;
  std::vector<QFormLayout*> forms;
  for (int c = 0; c < nbColumn; c++) {
    forms.push_back(new QFormLayout);
    columns->addLayout(forms.back());
  }
  // A group box stands where its first field falls; its later fields join it.
  std::map<std::string, QFormLayout*> groups;
  m_Controls.assign(m_Fields.size(), SControl{});
  for (int i = 0; i < nbField; i++) {
    const SDialogField& field = m_Fields[i];
    QFormLayout* form = forms[i * nbColumn / std::max(nbField, 1)];
    if (!field.Group.empty()) {
      QFormLayout*& group = groups[field.Group];
      if (!group) {
        auto* box = new QGroupBox(QString::fromStdString(field.Group), panel);
        group = new QFormLayout(box);
        form->addRow(box);
      }
      form = group;
    }
    BuildControl(field, m_Controls[i], *panel, *form);
  }
  m_Built = true;
  ConnectEnabling();
  Load();
  return panel;
}

void CDialogBuilder::ConnectEnabling()
{
  for (const SDialogField& field : m_Fields) {
    const int check = IndexOf(field.EnabledBy);
    if (field.EnabledBy == 0 || check < 0 || !m_Controls[check].Check)
      continue;
    QObject::connect(m_Controls[check].Check, &QAbstractButton::toggled, m_Controls[check].Check,
                     [this] { UpdateEnabling(); });
  }
}

// Each control that hangs on a check box follows it, with its label, spin and button.
void CDialogBuilder::UpdateEnabling()
{
  for (size_t i = 0; i < m_Fields.size(); i++) {
    const SDialogField& field = m_Fields[i];
    const int check = IndexOf(field.EnabledBy);
    if (field.EnabledBy == 0 || check < 0 || !m_Controls[check].Check)
      continue;
    const bool enabled = field.Enabled && m_Controls[check].Check->isChecked();
    const SControl& control = m_Controls[i];
    for (QWidget* widget : {control.Focus, control.Label, static_cast<QWidget*>(control.Spin),
                            static_cast<QWidget*>(control.Browse)})
      if (widget)
        widget->setEnabled(enabled);
  }
}

void CDialogBuilder::Release()
{
  m_Controls.clear();
  m_Built = false;
}

void CDialogBuilder::LoadField(const SDialogField& field, const SControl& control) const
{
  if (control.Edit) {
    const std::string text = std::visit(
      [](auto* member) {
        if constexpr (std::is_same_v<decltype(member), std::string*>)
          return *member;
        else
          return TextOf(*member);
      },
      field.Value);
    control.Edit->setText(QString::fromStdString(text));
    return;
  }
  const int value = *std::get<int*>(field.Value);
  if (control.Check) {
    control.Check->setChecked(value != 0);
    return;
  }
  if (control.Radio) {
    // No button is on when the member names none.
    control.Radio->setExclusive(false);
    for (QAbstractButton* button : control.Radio->buttons())
      button->setChecked(control.Radio->id(button) == value);
    control.Radio->setExclusive(true);
    return;
  }
  int index = value;
  if (!field.Codes.empty()) {
    const auto code = std::find(field.Codes.begin(), field.Codes.end(), value);
    index = code == field.Codes.end() ? 0 : static_cast<int>(code - field.Codes.begin());
  }
  control.Combo->setCurrentIndex(index < control.Combo->count() ? index : -1);
}

void CDialogBuilder::Load()
{
  if (!HasForm())
    return;
  for (size_t i = 0; i < m_Fields.size(); i++)
    LoadField(m_Fields[i], m_Controls[i]);
  UpdateEnabling();
}

std::optional<FieldValue> CDialogBuilder::ReadField(const SDialogField& field,
                                                               const SControl& control,
                                                               std::string& message) const
{
  const std::string text = control.Edit ? control.Edit->text().toStdString() : std::string();
  switch (field.Type) {
  case EFieldType::Int:
    return ReadNumber<int>(text, field, kEnterInteger, kIntegerBetween, message);
  case EFieldType::Unsigned:
    return ReadNumber<unsigned>(text, field, kEnterPositiveInteger, kIntegerBetween, message);
  case EFieldType::Float:
    return ReadNumber<float>(text, field, kEnterNumber, kNumberBetween, message);
  case EFieldType::Double:
    return ReadNumber<double>(text, field, kEnterNumber, kNumberBetween, message);
  case EFieldType::String:
    return text;
  case EFieldType::Check:
    return control.Check->isChecked() ? 1 : 0;
  case EFieldType::Radio:
    return control.Radio->checkedId();
  case EFieldType::Combo: {
    const int index = control.Combo->currentIndex();
    if (field.Codes.empty())
      return index;
    // With no item chosen the member keeps its code.
    return index < 0 || index >= static_cast<int>(field.Codes.size()) ? *std::get<int*>(field.Value)
                                                                       : field.Codes[index];
  }
  }
  return std::nullopt;
}

bool CDialogBuilder::Save()
{
  m_FailedId = 0;
  if (!HasForm())
    return true;
  std::vector<FieldValue> values;
  for (size_t i = 0; i < m_Fields.size(); i++) {
    std::string message;
    std::optional<FieldValue> value = ReadField(m_Fields[i], m_Controls[i], message);
    if (!value) {
      m_FailedId = m_Fields[i].Id;
      MessageBox(message, MB_OK | MB_ICONEXCLAMATION);
      m_Controls[i].Focus->setFocus();
      if (m_Controls[i].Edit)
        m_Controls[i].Edit->selectAll();
      return false;
    }
    values.push_back(std::move(*value));
  }
  SetValues(values);
  return true;
}

std::vector<FieldValue> CDialogBuilder::Values() const
{
  std::vector<FieldValue> values;
  for (const SDialogField& field : m_Fields)
    std::visit([&](auto* member) { values.emplace_back(*member); }, field.Value);
  return values;
}

void CDialogBuilder::SetValues(const std::vector<FieldValue>& values)
{
  for (size_t i = 0; i < m_Fields.size() && i < values.size(); i++)
    std::visit(
      [&](auto* member) {
        using T = std::remove_pointer_t<decltype(member)>;
        if (const T* value = std::get_if<T>(&values[i]))
          *member = *value;
      },
      m_Fields[i].Value);
}

bool CDialogBuilder::SetText(int id, const std::string& text)
{
  const int i = IndexOf(id);
  if (i < 0 || !HasForm() || !IsEditable(id) || !m_Controls[i].Edit)
    return false;
  m_Controls[i].Edit->setText(QString::fromStdString(text));
  return true;
}

std::string CDialogBuilder::GetText(int id) const
{
  const int i = IndexOf(id);
  if (i < 0 || !HasForm() || !m_Controls[i].Edit)
    return std::string();
  return m_Controls[i].Edit->text().toStdString();
}

bool CDialogBuilder::SetChoice(int id, int index)
{
  const int i = IndexOf(id);
  if (i < 0 || !HasForm() || !IsEditable(id))
    return false;
  const SControl& control = m_Controls[i];
  if (control.Check) {
    control.Check->setChecked(index != 0);
    return true;
  }
  if (control.Radio && control.Radio->button(index)) {
    control.Radio->button(index)->setChecked(true);
    return true;
  }
  if (control.Combo && index >= 0 && index < control.Combo->count()) {
    control.Combo->setCurrentIndex(index);
    return true;
  }
  return false;
}

int CDialogBuilder::GetChoice(int id) const
{
  const int i = IndexOf(id);
  if (i < 0 || !HasForm())
    return -1;
  const SControl& control = m_Controls[i];
  if (control.Check)
    return control.Check->isChecked() ? 1 : 0;
  if (control.Radio)
    return control.Radio->checkedId();
  if (control.Combo)
    return control.Combo->currentIndex();
  return -1;
}

bool CDialogBuilder::IsEditable(int id) const
{
  const int i = IndexOf(id);
  if (i < 0 || !HasForm() || !m_Controls[i].Focus->isEnabled())
    return false;
  return !m_Controls[i].Edit || !m_Controls[i].Edit->isReadOnly();
}

} // namespace platform
