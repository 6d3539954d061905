#pragma once
// The one way wallet content reaches the system clipboard. Every copy
// carries the password-manager hint beside its text, so clipboard managers
// keep it out of their history, and is taken off the clipboard again after
// a period (Clipboard.ClearSeconds) and when the wallet closes or the
// program ends, but only while the clipboard still holds that copy:
// whatever the user (or another program) copied since is left alone.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace tb::ui {

// The format clipboard managers read to leave an entry out of their history.
inline constexpr const char* kPasswordManagerHintFormat = "x-kde-passwordManagerHint";
inline constexpr const char* kPasswordManagerHintSecret = "secret";
// Single-byte text in the Windows code page, beside the Unicode text.
inline constexpr const char* kWindows1252Format = "text/plain;charset=windows-1252";
// Marks the copy as ours, so that a later check can tell it from another
// program's copy of the same text.
inline constexpr const char* kCopyMarkFormat = "application/x-tamberlock-copy";

inline constexpr uint32_t kDefaultClipboardClearSeconds = 30;
// How often a pending clear looks at the clock.
inline constexpr int kClipboardCheckMs = 1000;

class ClipboardService : public QObject {
  Q_OBJECT

 public:
  // The service of the running application (made on first use, ended with
  // the application); nullptr when there is no application.
  static ClipboardService* Instance();

  // Where the period comes from (the settings); while none is set the
  // default applies. 0 = never clear after a period.
  void SetPeriodSource(std::function<uint32_t()> source) { periodSource_ = std::move(source); }
  uint32_t PeriodSeconds() const;

  // Puts text on the clipboard as Unicode text, with the hint, and (with
  // windows1252) as single-byte text too. False, and nothing placed, for an
  // empty text or when there is no clipboard.
  bool CopySecret(const QString& text, bool windows1252 = false);

  // Takes our last copy off the clipboard if it is still there (wallet
  // close, auto-close, exit). Another program's copy stays.
  void ClearOurs();
  // Whether the clipboard still holds our last copy.
  bool HoldsOurCopy() const;
  // Whether a timed clear is waiting.
  bool ClearPending() const { return pending_; }
  // Clears when the period is over, by the local clock (which tests set)
  // or by the time that really passed. The timer calls it every second.
  void CheckExpiry();

 private:
  explicit ClipboardService(QObject* parent);

  std::function<uint32_t()> periodSource_;
  QTimer timer_;
  QElapsedTimer elapsed_;
  QByteArray mark_;  // the mark of our last copy; empty when none
  bool pending_ = false;
  int64_t deadline_ = 0;  // local time, seconds since 1970
  int64_t periodMs_ = 0;
};

}  // namespace tb::ui
