#pragma once
// The menu bar at the bottom of a window: a left soft key, a right soft
// key (usually "Menu" with its popup) and, on some bars, icon buttons
// between them. Made from a bar of the menu tables; every QAction carries
// its command number (action->data()). F1 presses the left key and F2 the
// right one while the bar's window is active; both keys are also clickable.
#include <QIcon>
#include <QList>
#include <QWidget>

#include "platform/ui/command_target.h"
#include "platform/ui/menu_table.h"

class QAbstractButton;
class QAction;
class QMenu;
class QPushButton;
class QToolButton;

namespace tb::ui {

class SoftKeyBar : public QWidget {
  Q_OBJECT

 public:
  // tables: where bars are looked up; nullptr means the program's own.
  explicit SoftKeyBar(QWidget* parent = nullptr, const MenuTables* tables = nullptr);
  ~SoftKeyBar() override;

  // Makes bar id current and localises its keys. Asking for the current bar
  // again keeps it (and its popups) as they are. False, and nothing
  // changed, when the tables have no such bar.
  bool SetMenuBar(int id);
  int MenuBarId() const { return barId_; }

  // Sends the bar's commands to target's Dispatch and its popups to
  // target's OnInitMenuPopup; context ends the connection when destroyed.
  void SetTarget(CommandTarget* target, QObject* context);

  QPushButton* LeftKey() const { return keys_[0]; }
  QPushButton* RightKey() const { return keys_[1]; }  // hidden on one-key bars
  // The popup a key drops down; nullptr when it sends a command.
  QMenu* LeftMenu() const { return menus_[0]; }
  QMenu* RightMenu() const { return menus_[1]; }
  // The command a key sends (0 for a popup key or no key).
  int LeftCommand() const { return commands_[0]; }
  int RightCommand() const { return commands_[1]; }
  QList<QToolButton*> IconButtons() const { return icons_; }
  // The first action with this command number in the bar's popups.
  QAction* FindAction(int commandId) const;

  // What F1 and F2 do: send the key's command or open its popup.
  void PressLeft() { Press(0); }
  void PressRight() { Press(1); }

  // The bar's height at the current dots per inch.
  static int BarHeight();

 signals:
  void commandTriggered(int commandId);
  // Before a popup (or submenu) shows and before its texts are localised.
  void popupAboutToShow(QMenu* menu);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Clear();
  void Press(int key);
  QMenu* BuildMenu(const std::vector<MenuEntry>& entries, QWidget* parent);
  void OnMenuAboutToShow(QMenu* menu);

  const MenuTables* tables_;
  int barId_ = 0;
  QPushButton* keys_[2] = {nullptr, nullptr};
  QMenu* menus_[2] = {nullptr, nullptr};
  int commands_[2] = {0, 0};
  QList<QToolButton*> icons_;
  QWidget* iconBox_ = nullptr;
};

// Adds the entries (submenus included) to menu, each action carrying its
// command id as data and its English resource text.
void AddMenuEntries(QMenu* menu, const std::vector<MenuEntry>& entries);

// The resource text an action or key was made with (its English text).
QString ResourceText(const QObject* object);
// Replaces every action's text in menu with its localised resource text
// (its own level only; submenus are localised when they open).
void LocaliseMenu(QMenu* menu);

}  // namespace tb::ui
