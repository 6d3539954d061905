#pragma once
// Every window of the program routes its commands (menu items, soft keys,
// buttons, accelerators) through one Dispatch with the command's number.
class QMenu;

namespace tb::ui {

class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  virtual void Dispatch(int commandId) = 0;
  // A popup of the window's menu bar is about to open: the enabling rules
  // run here (gray, check, delete or insert items). Texts are localised
  // afterwards.
  virtual void OnInitMenuPopup(QMenu* menu) {}
};

}  // namespace tb::ui
