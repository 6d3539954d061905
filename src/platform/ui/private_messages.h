#pragma once
// The program's private window messages, as event types of the same
// numbers. Posted messages go through postEvent, sent ones through
// sendEvent; both carry the two message parameters, and a sent one hands
// its result back.
#include <QCoreApplication>
#include <QEvent>

namespace tb::ui {

// To the main window.
inline constexpr QEvent::Type kMsgUserActivity = QEvent::Type(3027);  // wParam: card window outcome
inline constexpr QEvent::Type kMsgTreeDrop = QEvent::Type(3028);      // lParam: drop target item
inline constexpr QEvent::Type kMsgShowWallets = QEvent::Type(3030);
inline constexpr QEvent::Type kMsgWalletShown = QEvent::Type(3031);  // wParam 1: act on it
// To a running copy, from a second one.
inline constexpr QEvent::Type kMsgSyncStart = QEvent::Type(3524);
inline constexpr QEvent::Type kMsgSyncEnd = QEvent::Type(3525);

class PrivateMessage : public QEvent {
 public:
  PrivateMessage(QEvent::Type type, qintptr wParam = 0, qintptr lParam = 0)
      : QEvent(type), wParam_(wParam), lParam_(lParam) {}
  qintptr WParam() const { return wParam_; }
  qintptr LParam() const { return lParam_; }
  // What the receiver answers a sent message with.
  qintptr Result() const { return result_; }
  void SetResult(qintptr result) { result_ = result; }

 private:
  qintptr wParam_;
  qintptr lParam_;
  qintptr result_ = 0;
};

inline void PostPrivateMessage(QObject* to, QEvent::Type type, qintptr wParam = 0, qintptr lParam = 0) {
  QCoreApplication::postEvent(to, new PrivateMessage(type, wParam, lParam));
}

// Delivers at once and returns the receiver's result (0 when it set none).
inline qintptr SendPrivateMessage(QObject* to, QEvent::Type type, qintptr wParam = 0, qintptr lParam = 0) {
  PrivateMessage message(type, wParam, lParam);
  QCoreApplication::sendEvent(to, &message);
  return message.Result();
}

}  // namespace tb::ui
