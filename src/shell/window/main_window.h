#pragma once
// The program's main window: the header band with the open wallet's name,
// the find controls, the folder and card tree, the soft-key bar, the
// command table with its enabling rules, the open-wallet flow and the
// inactivity auto-close. It owns the open wallet (in the AppContext) while
// the program runs. Windows of other parts (password entry, wallets
// manager, about box, folder name) are reached through the hooks below,
// which the program wires; each has a safe default.
#include <QIcon>
#include <QMainWindow>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/command_target.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/session_watcher.h"
#include "shell/browser/browser.h"
#include "shell/core/command_ids.h"
#include "shell/startup/startup.h"
#include "shell/window/auto_close.h"
#include "shell/window/open_wallet_flow.h"
#include "storage/tree_order.h"

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QAbstractButton;

namespace tb::ui {
class SoftKeyBar;
}

namespace tb::shell {

// Menu bars of the main window.
inline constexpr int kBarBrowse = 963;
inline constexpr int kBarBrowseExpanded = 987;
inline constexpr int kBarBrowseSmartphone = 984;
inline constexpr int kBarFind = 967;

// Control ids.
inline constexpr int kIdTree = 1000;
inline constexpr int kIdFindToggle = 1001;
inline constexpr int kIdFindBox = 1002;
inline constexpr int kIdGoButton = 1003;
inline constexpr int kIdClearButton = 1004;
inline constexpr int kIdTopButton = 1005;

inline constexpr int kFindBoxLimit = 48;
inline constexpr int kAutoCloseCheckMs = 10000;
inline constexpr const char* kHelpFile = "tbpro.htm";
inline constexpr const char* kUpdatesPage = "https://www.quillimarsten.example/tamberlock/updates";

class MainWindow : public QMainWindow, public tb::ui::CommandTarget, public MainWindowHost, private OpenWalletHost {
  Q_OBJECT

 public:
  explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
  ~MainWindow() override;

  QWidget* Window() override { return this; }
  bool OnCreate() override;
  // "close" ends the program as the inactivity auto-close does; "import
  // PATH" goes to formFileImport.
  void OnInstanceRequest(const InstanceRequest& request) override;

  // Makes menu bar id current: on Smartphone 963 becomes 984, on Pocket PC
  // with "Expanded Menus" on 963 becomes 987. False when it cannot be made.
  bool SetMenuBar(int id);
  tb::ui::SoftKeyBar* MenuBar() const { return bar_; }

  void Dispatch(int commandId) override;
  void OnInitMenuPopup(QMenu* menu) override;

  // Opens the wallet at path with the password prompt; true when it is
  // open. On failure the wallets manager is asked for again when reshow.
  bool OpenWalletFlow(const std::string& path, bool reshowWalletsOnFailure);
  // Writes back pending changes (unless read-only) and closes the wallet.
  // When the write fails the user is told (23002) and the wallet stays
  // open, so that nothing is lost silently: false then.
  bool CloseWallet();
  // The Go command: hidden commands, the search and the results view.
  void RunFind();
  // The inactivity check of the timer and of every activation.
  void CheckAutoClose();
  // TIMER_AUTOCLOSE and the watcher, for the open wallet's period.
  void StartAutoClose();
  void StopAutoClose();
  // Closes every dialog shown above the main window: cancelled, or closed
  // their own way when they keep what the user typed (the card window).
  void CloseOtherWindows();
  // The session locked or the machine goes to sleep: unless the user
  // turned it off (Security.CloseOnLock 0), the open wallet closes as on
  // inactivity.
  void OnSessionLocked();
  // Listens on the machine's buses from the start of the program; tests
  // restart it on buses of their own.
  tb::ui::SessionWatcher& SessionLockWatcher() { return sessionWatcher_; }
  void Layout();

  // The window's size at start: 320 x 480 at 96 dots per inch, scaled.
  static QSize StartSize();
  // Icon resource 200 at the sizes the window manager may ask for.
  static QIcon ProgramIcon();
  // The size handler: focus to the tree unless the find box has it; Layout.
  void OnSize();

  QTreeWidget* Tree() const { return tree_; }
  Browser& TreeBrowser() { return *browser_; }
  QLineEdit* FindBox() const { return findBox_; }
  bool InFindMode() const { return findMode_; }
  bool AutoCloseRunning() const { return autoCloseTimer_.isActive(); }
  bool WatcherRunning() const { return watcher_.Running(); }
  QRect HeaderRect() const { return headerRect_; }
  tb::ui::IconLists& Icons() { return icons_; }
  // The tree image of a node (built-in icon n is image n + 4).
  int ImageOf(const tb::storage::TreeNode& node) const;
  // The capability set of the selected item (nothing selected: the defaults).
  Capabilities SelectionCapabilities() const;
  AppContext& Context() { return context_; }

  // --- hooks the program wires to the windows of other parts ---
  // The password of the wallet, in wiping storage; none when the user
  // cancelled (default).
  std::function<std::optional<tb::storage::Text>(const WalletPrompt&)> passwordPrompt;
  // The wallets manager: 1 when a wallet was opened or created, -1 when the
  // user cancelled. Default: the window stays as it is, with no wallet.
  std::function<int(MainWindow&)> walletsManager;
  std::function<void(MainWindow&)> aboutBox;  // default: a message
  // Converts an old ".wal" wallet; the new wallet's path or empty. Default: empty.
  std::function<std::string(MainWindow&, const std::string&)> legacyConversion;
  // A form file handed over by a later copy (Pocket PC): the default does nothing.
  std::function<void(MainWindow&, const std::string& path)> formFileImport;
  // Commands whose windows are not built yet (the dialogs of the options
  // menu, export, import): they do nothing.
  std::function<void(MainWindow&, int)> notYetBuilt;

  // Paints the header band (the client area calls it).
  void PaintHeader(QPainter& painter, const QRect& client);
  // The gradient of the band, in client coordinates (find buttons continue it).
  QLinearGradient HeaderGradient() const;

 protected:
  // Start-up's wallet decision: the command line's file, the MRU wallet,
  // else the wallets manager. False when no wallet opened and the user
  // cancelled, which ends the program.
  virtual bool OpenStartWallet();

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

  AppContext& context_;

 private:
  // The open-wallet flow's needs (open_wallet_flow.h).
  QWidget* FlowWindow() override { return this; }
  void BeginOpen() override;
  std::string ConvertLegacy(const std::string& path) override;
  void StopChecks() override { StopAutoClose(); }
  void StartChecks() override { StartAutoClose(); }
  bool CloseCurrentWallet() override { return CloseWallet(); }
  std::optional<tb::storage::Text> AskPassword(const WalletPrompt& prompt) override;
  void PrepareForRecords() override;
  void ShowOpenedWallet() override;

  void EnterFindMode();
  void LeaveFindMode();
  void InsertSeekToSource(QMenu* menu);
  void PostExit();
  void ShowWalletsManager();
  bool FindTextShowsButtons() const;

  tb::ui::SoftKeyBar* bar_ = nullptr;
  QWidget* client_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  Browser* browser_ = nullptr;
  QLineEdit* findBox_ = nullptr;
  QAbstractButton* findToggle_ = nullptr;
  QAbstractButton* goButton_ = nullptr;
  QAbstractButton* clearButton_ = nullptr;
  QAbstractButton* topButton_ = nullptr;
  bool findMode_ = false;
  bool closingOthers_ = false;
  QRect headerRect_;
  QRect headerTextRect_;
  tb::ui::IconLists icons_;
  tb::ui::IconListsObserver iconObserver_{icons_};
  QTimer autoCloseTimer_;
  std::atomic<bool> walletOpen_{false};
  std::atomic<uint32_t> period_{0};
  InactivityWatcher watcher_;
  tb::ui::SessionWatcher sessionWatcher_;
};

}  // namespace tb::shell
