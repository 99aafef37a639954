#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace platform {

class CDialogSpin;

enum class EFieldType { Int, Unsigned, Float, Double, String, Check, Radio, Combo };

// The value of one member.
using FieldValue = std::variant<int, unsigned, float, double, std::string>;

struct SFieldRange
{
  double Min = 0.0;
  double Max = 0.0;
};

// An up-down control beside an integer edit: its id, range and position on opening.
struct SFieldSpin
{
  int Id = 0;
  int Min = 0;
  int Max = 0;
  int Pos = 0;
};

// One control of a dialog and the member it exchanges with. Check boxes, radio groups and
// combo boxes exchange with an int: the check state, the index of the chosen button (-1 for
// none) or the code of the chosen item.
struct SDialogField
{
  using Member = std::variant<int*, unsigned*, float*, double*, std::string*>;

  int Id = 0;
  std::string Label;                // edit label, check box text or radio group caption
  EFieldType Type = EFieldType::Int;
  Member Value;
  std::vector<std::string> Choices; // radio buttons or combo items, in order
  std::vector<int> Codes;           // combo: the value each item stores (empty: its index)
  std::string Group;                // caption of the group box the control sits in
  std::string Help;                 // hover help
  bool ReadOnly = false;
  bool Enabled = true;
  int EnabledBy = 0;   // id of the check box that enables the control, or 0
  bool Browse = false; // a "..." button stands beside the edit
  std::optional<SFieldRange> Range;
  std::optional<SFieldSpin> Spin;
};

// A dialog's field table: each Add sets the member to its default and records the control;
// the modifiers after it apply to the field just added. While a form is built the table
// exchanges with its controls, refusing bad input with the class library's messages.
class CDialogBuilder
{
public:
  CDialogBuilder() = default;
  CDialogBuilder(const CDialogBuilder&) = delete;
  CDialogBuilder& operator=(const CDialogBuilder&) = delete;

  CDialogBuilder& Int(int id, std::string label, int& member, int value);
  CDialogBuilder& Unsigned(int id, std::string label, unsigned& member, unsigned value);
  CDialogBuilder& Float(int id, std::string label, float& member, float value);
  CDialogBuilder& Double(int id, std::string label, double& member, double value);
  CDialogBuilder& String(int id, std::string label, std::string& member, std::string value);
  CDialogBuilder& Check(int id, std::string label, int& member, int value);
  CDialogBuilder& Radio(int id, std::string caption, std::vector<std::string> buttons, int& member,
                        int value);
  CDialogBuilder& Combo(int id, std::string label, std::vector<std::string> items,
                        std::vector<int> codes, int& member, int value);

  CDialogBuilder& InRange(double min, double max);
  CDialogBuilder& ReadOnly();
  CDialogBuilder& Disabled();
  CDialogBuilder& InGroup(std::string caption);
  CDialogBuilder& WithHelp(std::string text);
  // An up-down control whose moves write their position into the edit.
  CDialogBuilder& WithSpin(int spinId, int min, int max, int pos);
  // The control (and its label) is enabled only while the check box is ticked.
  CDialogBuilder& EnabledBy(int checkId);
  // A "..." button beside the edit; it does nothing until the dialog connects it.
  CDialogBuilder& WithBrowse();

  const std::vector<SDialogField>& Fields() const { return m_Fields; }
  const SDialogField* Find(int id) const;

  // Lays the controls out on a panel owned by the parent and shows the members' values.
  QWidget* Build(QWidget& parent);
  // Forgets the controls of a form that is going away.
  void Release();
  bool HasForm() const { return m_Built; }

  // The members' values, in field order, and back.
  std::vector<FieldValue> Values() const;
  void SetValues(const std::vector<FieldValue>& values);

  // Members to controls.
  void Load();
  // Controls to members, all or none: the first field that does not validate shows its
  // message, takes the focus and leaves every member as it was.
  bool Save();
  // Id of the control that refused its input at the last Save, or 0.
  int FailedId() const { return m_FailedId; }

  // Values as a person would enter them (controls of the form in progress).
  bool SetText(int id, const std::string& text);
  std::string GetText(int id) const;
  bool SetChoice(int id, int index); // check state, radio button or combo item
  int GetChoice(int id) const;
  bool IsEditable(int id) const;
  QWidget* Control(int id) const;
  // The up-down control with this id, the "..." button of a field, or null.
  CDialogSpin* Spin(int spinId) const;
  QPushButton* BrowseButton(int id) const;
  // Shows a text in an edit whatever its state (a value the dialog itself chose).
  void ShowText(int id, const std::string& text);

private:
  struct SControl
  {
    QLineEdit* Edit = nullptr;
    QAbstractButton* Check = nullptr;
    QButtonGroup* Radio = nullptr;
    QComboBox* Combo = nullptr;
    QWidget* Focus = nullptr;
    QWidget* Label = nullptr;
    CDialogSpin* Spin = nullptr;
    QPushButton* Browse = nullptr;
  };
  CDialogBuilder& Add(SDialogField field);
  SDialogField& Last();
  int IndexOf(int id) const;
  void BuildControl(const SDialogField& field, SControl& control, QWidget& parent,
                    QFormLayout& form);
  QWidget* BuildEdit(const SDialogField& field, SControl& control, QWidget& parent);
  void ConnectEnabling();
  void UpdateEnabling();
  void LoadField(const SDialogField& field, const SControl& control) const;
  std::optional<FieldValue> ReadField(const SDialogField& field, const SControl& control,
                                 std::string& message) const;

  std::vector<SDialogField> m_Fields;
  std::vector<SControl> m_Controls;
  int m_FailedId = 0;
  bool m_Built = false;
};

} // namespace platform
