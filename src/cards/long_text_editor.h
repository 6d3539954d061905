#pragma once
// The long-text editor ("Notes"): a full-screen multi-line editor for a
// text field's value, with zoom and date and time insertion, opened by the
// "..." button of the card editor.
#include <QString>

#include "platform/ui/modal_dialog.h"

class QPlainTextEdit;

namespace tb::shell {
class Settings;
}

namespace tb::cards {

inline constexpr int kLongTextTemplate = 126;
inline constexpr int kLongTextEditId = 1011;
inline constexpr int kLongTextBar = 956;
inline constexpr int kLongTextIcon = 223;

inline constexpr int kCmdInsertDate = 855;
inline constexpr int kCmdInsertTime = 856;
inline constexpr int kCmdZoom75 = 865;  // .. 869: 75%, 100%, 150%, 200%, 300%
inline constexpr int kCmdZoom300 = 869;

// The shared font of a zoom level: 0 font 0, 2 font 3, 3 and 4 font 5,
// every other level font 1.
int NoteZoomFont(uint32_t level);
// The point size a zoom command sets: 8, 9, 11, 13, 16.
int ZoomPointSize(int level);

class LongTextEditor : public ui::ModalDialog {
  Q_OBJECT

 public:
  LongTextEditor(QWidget* owner, shell::Settings& settings, const QString& title, const QString& text);

  QPlainTextEdit* Edit() const { return edit_; }
  // The text on Done when it changed.
  const QString& Result() const { return result_; }
  bool Changed() const { return changed_; }

  void Dispatch(int commandId) override;
  void OnInitMenuPopup(QMenu* menu) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Insert(const QString& text);
  void Zoom(int level);
  void Done();

  shell::Settings& settings_;
  QPlainTextEdit* edit_ = nullptr;
  qsizetype initialLength_ = 0;
  QString result_;
  bool changed_ = false;
};

// Runs the editor; true with the new text in changed when the text changed.
// On Smartphone it shows nothing and answers false.
bool EditLongText(QWidget* owner, shell::Settings& settings, bool smartphone, const QString& title, const QString& text,
                  QString* changed);

}  // namespace tb::cards
