#pragma once
// The base of every dialog of the program. Every event that reaches the
// dialog or any control in it records the activity time, so an open
// dialog in use keeps the wallet from closing itself. Results follow the
// program's convention: 1 OK, 2 Cancel.
#include <QDialog>

#include "platform/ui/command_target.h"
#include "shell/core/command_ids.h"

class QVBoxLayout;

namespace tb::ui {

class SoftKeyBar;

inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;

// Commands every dialog understands.
using shell::kCmdCancel;
using shell::kCmdDone;
using shell::kCmdMenuCancel;
using shell::kCmdOk;

class ModalDialog : public QDialog, public CommandTarget {
  Q_OBJECT

 public:
  // templateId: the dialog's template number (kept for the tests and the
  // screenshot name).
  explicit ModalDialog(QWidget* parent = nullptr, int templateId = 0);
  ~ModalDialog() override;

  int TemplateId() const { return templateId_; }

  // OnInitDialog, then runs the dialog modally; returns how it ended.
  int RunModal();
  // Ends the dialog with result (kResultOk, kResultCancel or the dialog's own).
  void EndDialog(int result);

  // A full-screen dialog covers its owner's window while it shows.
  void SetFullScreen(bool fullScreen) { fullScreen_ = fullScreen; }
  bool IsFullScreen() const { return fullScreen_; }

  // The content area, above the soft-key bar; subclasses lay their controls
  // out in it.
  QWidget* Body() const { return body_; }
  // Makes the dialog's soft-key bar (created on first use) show bar id,
  // its commands going to Dispatch. False when there is no such bar.
  bool SetMenuBar(int id);
  SoftKeyBar* MenuBar() const { return bar_; }

  // Done, the caption OK and 1 confirm; Cancel (809) and 2 cancel.
  void Dispatch(int commandId) override;

  void accept() override { EndDialog(kResultOk); }
  void reject() override { EndDialog(kResultCancel); }

 protected:
  // Runs once before the dialog shows (texts, controls, menu bar).
  virtual void OnInitDialog() {}
  // The dialog is about to end with result; the place to read controls.
  virtual void OnEndDialog(int result) {}

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  int templateId_;
  bool fullScreen_ = false;
  bool initialised_ = false;
  bool filtering_ = false;
  bool grabbed_ = false;
  QVBoxLayout* layout_ = nullptr;
  QWidget* body_ = nullptr;
  SoftKeyBar* bar_ = nullptr;
};

}  // namespace tb::ui
