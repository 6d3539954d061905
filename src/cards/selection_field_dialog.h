#pragma once
// The choices of a selection field: typed into the edit and added to the
// end of the list, deleted, moved up and down. Done puts the list into the
// field (empty entries skipped, at most 128); Cancel changes nothing.
#include <QStringList>

#include "platform/ui/modal_dialog.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tb::shell {
class Settings;
}
namespace tb::storage {
struct Field;
}
namespace tb::dialogs {
class TitleBar;
}

namespace tb::cards {

inline constexpr int kTemplateSelectionPocketPC = 141;
inline constexpr int kTemplateSelectionSmartphone = 146;
inline constexpr int kIdChoiceList = 1010;
inline constexpr int kIdChoiceEdit = 1011;
inline constexpr int kIdAddChoice = 1304;
inline constexpr int kIdDeleteChoice = 1306;
inline constexpr int kIdChoiceUp = 1307;
inline constexpr int kIdChoiceDown = 1308;
// What the edit takes; an added entry keeps one character less.
inline constexpr int kChoiceEditLimit = 127;
inline constexpr int kChoiceLimit = 126;

class SelectionFieldDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  SelectionFieldDialog(QWidget* owner, const shell::Settings& settings, const storage::Field& field);

  QListWidget* List() const { return list_; }
  QLineEdit* Edit() const { return edit_; }
  QStringList Entries() const;
  bool CanRun(int command) const;

  void Dispatch(int commandId) override;
  void OnInitMenuPopup(QMenu* menu) override;

 protected:
  void OnInitDialog() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Add();
  void Delete();
  void MoveSelected(int step);
  void Refresh();

  const storage::Field& field_;
  bool smartphone_;
  dialogs::TitleBar* title_ = nullptr;
  QListWidget* list_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QPushButton* buttons_[4] = {};
};

// Runs the editor; on Done the field's items become the list's entries.
// True when that changed them.
bool RunSelectionFieldEditor(QWidget* owner, const shell::Settings& settings, storage::Field& field);

}  // namespace tb::cards
