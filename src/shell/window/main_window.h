#pragma once
// The program's main window. For now a frame: the title, the portrait
// shape, the soft-key bar of the main menu bar (with the variant's
// substitutions), the accelerators and the first-run message. The header
// band, the find controls, the tree and the command table arrive on top
// of it; the wallet decision is the hook OpenStartWallet.
#include <QMainWindow>

#include "platform/ui/command_target.h"
#include "shell/startup/startup.h"

class QLabel;

namespace tb::ui {
class SoftKeyBar;
}

namespace tb::shell {

// Menu bars of the main window.
inline constexpr int kBarBrowse = 963;
inline constexpr int kBarBrowseExpanded = 987;
inline constexpr int kBarBrowseSmartphone = 984;
inline constexpr int kBarFind = 967;

// Commands the accelerators send.
inline constexpr int kCmdSelectAll = 858;  // Ctrl+A
inline constexpr int kCmdDone = 814;       // Ctrl+Q
inline constexpr int kCmdExit = 802;

class MainWindow : public QMainWindow, public tb::ui::CommandTarget, public MainWindowHost {
  Q_OBJECT

 public:
  explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
  ~MainWindow() override;

  QWidget* Window() override { return this; }
  bool OnCreate() override;

  // Makes menu bar id current: on Smartphone 963 becomes 984, on Pocket PC
  // with "Expanded Menus" on 963 becomes 987. False when it cannot be made.
  bool SetMenuBar(int id);
  tb::ui::SoftKeyBar* MenuBar() const { return bar_; }

  void Dispatch(int commandId) override;
  void OnInitMenuPopup(QMenu* menu) override;

  // The window's size at start: 320 x 480 at 96 dots per inch, scaled.
  static QSize StartSize();

 protected:
  // Start-up's wallet decision (the command line's file, the MRU wallet,
  // else the wallets manager). Returns false when no wallet opened and the
  // user cancelled, which ends the program. Until the open-wallet flow and
  // the wallets manager exist this shows the window and succeeds.
  virtual bool OpenStartWallet();

  bool event(QEvent* event) override;

  AppContext& context_;

 private:
  tb::ui::SoftKeyBar* bar_ = nullptr;
  QLabel* emptyNote_ = nullptr;
};

}  // namespace tb::shell
