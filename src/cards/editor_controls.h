#pragma once
// The card window's editing controls, made once and shared by the editor
// (and the form designer): exactly one type is shown at a time, over the
// line being edited. Their keys move between lines; their clipboard
// commands put wallet content on the clipboard through the clipboard
// service.
//
//   type 0  edit 1058 (the card name, labels)
//   type 1  edit 1058 with the "..." button 1108 (Pocket PC) or the spin 1090 (Smartphone)
//   type 2  date picker 1064           type 3  time picker 1065
//   type 4  date-and-time picker 1067  type 5  combo box 1070 (Pocket PC)
//   type 6  three-state check box 1060 type 7  list box 1061 with spin 1069 (Smartphone)
#include <QAbstractButton>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

#include "platform/core/system_time.h"

class QComboBox;
class QListWidget;

namespace tb::cards {

inline constexpr int kIdEdit = 1058;
inline constexpr int kIdDotsButton = 1108;
inline constexpr int kIdEditSpin = 1090;
inline constexpr int kIdDatePicker = 1064;
inline constexpr int kIdTimePicker = 1065;
inline constexpr int kIdDateTimePicker = 1067;
inline constexpr int kIdCombo = 1070;
inline constexpr int kIdCheckBox = 1060;
inline constexpr int kIdList = 1061;
inline constexpr int kIdListSpin = 1069;

inline constexpr int kCmdCut = 844;
inline constexpr int kCmdCopy = 843;
inline constexpr int kCmdPaste = 845;
inline constexpr int kCmdClear = 846;
inline constexpr int kCmdSelectAll = 852;
inline constexpr int kCmdDots = 1108;

inline constexpr int kCardNameLimit = 255;

enum ControlType {
  kControlNone = -1,
  kControlName = 0,
  kControlText = 1,
  kControlDate = 2,
  kControlTime = 3,
  kControlDateTime = 4,
  kControlCombo = 5,
  kControlCheck = 6,
  kControlList = 7,
};

// The control a field kind is edited with.
ControlType ControlForKind(int kind, bool smartphone);

// Automatic capitals of the edit control.
enum class Capitals { Off, FirstLetter, EveryWord };
Capitals CapitalsForKind(int kind);
// The typed text as it goes in after before (the text left of the caret).
QString Capitalised(const QString& typed, const QString& before, Capitals mode);

// The Qt display format of a Windows date or time picture.
QString QtFormatOf(const std::u16string& picture);

// The "none" check box beside a date, time or date-and-time picker.
class PickerControl : public QWidget {
  Q_OBJECT

 public:
  PickerControl(QWidget* parent, int id, int type);
  QCheckBox* NoneBox() const { return box_; }
  QDateTimeEdit* Edit() const { return edit_; }
  int Type() const { return type_; }
  // The value, none while unticked.
  std::optional<tb::platform::SystemTime> Value() const;
  // Shows value; a null value shows now (the test clock's now) unticked.
  void Load(const tb::platform::SystemTime* value);
  void SetNone() { box_->setChecked(false); }
  bool HasValue() const { return box_->isChecked(); }
  // The value as the application's formats show it ("" for none).
  QString ValueText() const;

 private:
  int type_;
  QCheckBox* box_;
  QDateTimeEdit* edit_;
};

// The owner-drawn "..." button: a black frame around a white face with the
// black dots, or all black with white dots while it has the focus.
class DotsButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit DotsButton(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A small up-and-down control beside an edit or a list.
class SpinControl : public QWidget {
  Q_OBJECT

 public:
  SpinControl(QWidget* parent, int id);
 signals:
  void stepped(int direction);  // -1 up, +1 down
 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

class EditorControls : public QObject {
  Q_OBJECT

 public:
  // surface: the list's client window the controls are laid over.
  EditorControls(QWidget* surface, bool smartphone);
  ~EditorControls() override;

  bool Smartphone() const { return smartphone_; }
  // Shows type over line (the value line's rectangle in surface
  // coordinates), hides the others, focuses it. kControlNone hides all.
  void Show(ControlType type, const QRect& line);
  // Moves the shown control to a new line rectangle.
  void Place(const QRect& line);
  void HideAll();
  ControlType Active() const { return active_; }
  // The control of a type (its main widget).
  QWidget* Control(ControlType type) const;
  QWidget* Companion(ControlType type) const;

  // --- loading and reading back ---
  // Text of types 0 and 1: the caret at the end, or all selected.
  void LoadText(const QString& text, bool selectAll, Capitals capitals, bool numeric, int limit);
  QString Text() const;
  PickerControl* Picker() const;  // of the active type (2, 3, 4), else null
  // Entries of types 5 and 7: entry 0 is the "none" entry; selected is the
  // entry to select (-1: none of them, freeText stays as text).
  void LoadChoices(const QStringList& entries, int selected, const QString& freeText);
  // The entry chosen (-1 for free text or none) and the text shown.
  int ChoiceIndex() const;
  QString ChoiceText() const;
  void LoadCheck(Qt::CheckState state);
  Qt::CheckState CheckState() const;

  // --- the menu's clipboard commands on the active control ---
  bool CanRun(int command) const;
  void Run(int command);

  // Where the controls' keys and buttons go.
  std::function<void()> onNextLine;
  std::function<void()> onPreviousLine;
  // Escape on Pocket PC (Cancel); Smartphone's Back goes to the control.
  std::function<void()> onEscape;
  std::function<void()> onDots;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Watch(QWidget* widget);
  bool HasSelection() const;
  void CopyTextOut(const QString& text);

  QWidget* surface_;
  bool smartphone_;
  ControlType active_ = kControlNone;
  Capitals capitals_ = Capitals::Off;
  // The edit 1058: one line on Pocket PC, several (scrolling) on Smartphone.
  QLineEdit* line_ = nullptr;
  QPlainTextEdit* lines_ = nullptr;
  QAbstractButton* dots_ = nullptr;
  SpinControl* editSpin_ = nullptr;
  PickerControl* date_ = nullptr;
  PickerControl* time_ = nullptr;
  PickerControl* dateTime_ = nullptr;
  QComboBox* combo_ = nullptr;
  QCheckBox* check_ = nullptr;
  QListWidget* list_ = nullptr;
  SpinControl* listSpin_ = nullptr;
  int limit_ = 0;
};

}  // namespace tb::cards
