#include "platform/ui/message_boxes.h"

#include <QMessageBox>

#include "platform/ui/texts.h"

namespace tb::ui {
namespace {

MessageBoxes* g_current = nullptr;

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Stop: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

// Closing a box without a button (Escape, the window's close) answers
// what its cancelling button would.
Answer Dismissed(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel: return Answer::Cancel;
  }
  return Answer::Cancel;
}

}  // namespace

Answer QtMessageBoxes::Show(QWidget* parent, const MessageBoxRequest& request) {
  QMessageBox box(QtIcon(request.icon), request.caption, request.text, QtButtons(request.buttons), parent);
  // Texts carry names from wallets and files: markup in them is shown as it
  // stands, never rendered.
  box.setTextFormat(Qt::PlainText);
  switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Dismissed(request.buttons);
  }
}

MessageBoxes& CurrentMessageBoxes() {
  static QtMessageBoxes real;
  return g_current ? *g_current : real;
}

ScopedMessageBoxes::ScopedMessageBoxes(MessageBoxes* boxes) : previous_(g_current) { g_current = boxes; }
ScopedMessageBoxes::~ScopedMessageBoxes() { g_current = previous_; }

Answer ShowMessage(QWidget* parent, uint32_t textNumber, uint32_t captionNumber, MessageIcon icon, Buttons buttons) {
  MessageBoxRequest request;
  request.text = Text(textNumber);
  request.caption = Text(captionNumber);
  request.textNumber = textNumber;
  request.captionNumber = captionNumber;
  request.icon = icon;
  request.buttons = buttons;
  return CurrentMessageBoxes().Show(parent, request);
}

Answer ShowMessageText(QWidget* parent, const QString& text, uint32_t captionNumber, MessageIcon icon,
                       Buttons buttons) {
  MessageBoxRequest request;
  request.text = text;
  request.caption = Text(captionNumber);
  request.captionNumber = captionNumber;
  request.icon = icon;
  request.buttons = buttons;
  return CurrentMessageBoxes().Show(parent, request);
}

Answer ShowMessageText(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                       Buttons buttons) {
  MessageBoxRequest request;
  request.text = text;
  request.caption = caption;
  request.icon = icon;
  request.buttons = buttons;
  return CurrentMessageBoxes().Show(parent, request);
}

Answer MessageBoxPrompter::Show(const tb::storage::Message& message) {
  MessageBoxRequest request;
  request.textNumber = message.text.empty() ? message.textNumber : 0;
  request.text = message.text.empty() ? Text(message.textNumber) : ToQString(message.text);
  request.captionNumber = message.caption.empty() ? message.captionNumber : 0;
  request.caption = message.caption.empty() ? Text(message.captionNumber) : ToQString(message.caption);
  request.buttons = message.buttons;
  request.icon = message.icon;
  return CurrentMessageBoxes().Show(parent_, request);
}

}  // namespace tb::ui
