#pragma once
// Message boxes with text and caption by string number. They all pass
// through one seam: the program shows them with QMessageBox, tests install
// scripted answers (ScriptedMessageBoxes) and read back what was asked.
#include <QString>

#include <cstdint>

#include "storage/services.h"
#include "storage/string_numbers.h"

class QWidget;

namespace tb::ui {

using tb::storage::Answer;
using tb::storage::Buttons;
using tb::storage::MessageIcon;

// Captions the program uses everywhere.
inline constexpr uint32_t kCaptionInformation = storage::kStrCaptionProgram;  // information and questions
inline constexpr uint32_t kCaptionError = storage::kStrCaptionError;
inline constexpr uint32_t kCaptionPassword = 20503;  // wrong password and hint

struct MessageBoxRequest {
  QString text;
  QString caption;
  Buttons buttons = Buttons::Ok;
  MessageIcon icon = MessageIcon::Information;
  uint32_t textNumber = 0;     // 0 when the text was formatted or given as it stands
  uint32_t captionNumber = 0;  // 0 when the caption was given as it stands
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual Answer Show(QWidget* parent, const MessageBoxRequest& request) = 0;
};

// The real boxes.
class QtMessageBoxes : public MessageBoxes {
 public:
  Answer Show(QWidget* parent, const MessageBoxRequest& request) override;
};

// The boxes in use: the QtMessageBoxes unless a ScopedMessageBoxes lives.
MessageBoxes& CurrentMessageBoxes();

class ScopedMessageBoxes {
 public:
  explicit ScopedMessageBoxes(MessageBoxes* boxes);
  ~ScopedMessageBoxes();
  ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
  ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

 private:
  MessageBoxes* previous_;
};

// Text and caption by string number.
Answer ShowMessage(QWidget* parent, uint32_t textNumber, uint32_t captionNumber, MessageIcon icon,
                   Buttons buttons = Buttons::Ok);
// A text formatted by the caller, caption by string number.
Answer ShowMessageText(QWidget* parent, const QString& text, uint32_t captionNumber, MessageIcon icon,
                       Buttons buttons = Buttons::Ok);
// Text and caption as they stand (the texts named in full where no module
// string exists, such as the language-module failure).
Answer ShowMessageText(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                       Buttons buttons = Buttons::Ok);

// The storage's questions and notices as message boxes owned by parent.
class MessageBoxPrompter : public tb::storage::Prompter {
 public:
  explicit MessageBoxPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  Answer Show(const tb::storage::Message& message) override;

 private:
  QWidget* parent_;
};

}  // namespace tb::ui
