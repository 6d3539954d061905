#pragma once
// What the card's dialogs share about their commands: on Pocket PC a
// button per command that runs it through the dialog's Dispatch, on
// Smartphone the same commands as menu entries, both enabled by whether
// the command can run now.
#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "platform/ui/controls.h"
#include "platform/ui/modal_dialog.h"

namespace tb::cards {

// A button with the control id of its command; a click dispatches it.
inline QPushButton* MakeCommandButton(ui::ModalDialog* dialog, QWidget* parent, int command) {
  auto* button = new QPushButton(parent);
  ui::SetControlId(button, command);
  QObject::connect(button, &QPushButton::clicked, dialog, [dialog, command] { dialog->Dispatch(command); });
  return button;
}

// Enables every entry of a popup that carries a command by canRun(command).
template <typename CanRun>
void EnableMenuEntries(QMenu* menu, CanRun canRun) {
  for (QAction* action : menu->actions()) {
    const int command = action->data().toInt();
    if (command) action->setEnabled(canRun(command));
  }
}

}  // namespace tb::cards
