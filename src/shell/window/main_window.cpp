#include "shell/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/title_bar.h"
#include "platform/core/system.h"
#include "platform/ui/activity_clock.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/colours.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/launcher.h"
#include "platform/ui/menu_keys.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/private_messages.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/texts.h"
#include "shell/core/command_line.h"
#include "shell/core/string_numbers.h"
#include "shell/window/find_button.h"
#include "storage/search.h"

namespace tb::shell {
namespace {

constexpr int kSeekToSourcePosition = 3;

int Margin() { return 2 * (tb::ui::DpiY() + 24) / 96; }
int ButtonSide() { return (20 * tb::ui::DpiY() + 48) / 96; }
int TopOffset() { return (tb::ui::DpiY() + 48) / 96; }

// The client area: paints the header band and lays its children out.
class ClientArea : public QWidget {
 public:
  explicit ClientArea(MainWindow* window) : QWidget(window), window_(window) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    window_->PaintHeader(painter, rect());
  }
  void resizeEvent(QResizeEvent*) override { window_->OnSize(); }

 private:
  MainWindow* window_;
};

}  // namespace

QSize MainWindow::StartSize() { return QSize(tb::ui::ScaleX(320), tb::ui::ScaleY(480)); }

QIcon MainWindow::ProgramIcon() {
  QIcon icon;
  for (int pixels : {16, 24, 32, 48, 64}) {
    const QImage picture = tb::ui::IconResource(tb::ui::kProgramIcon, pixels);
    if (!picture.isNull()) icon.addPixmap(QPixmap::fromImage(picture));
  }
  return icon;
}

MainWindow::MainWindow(AppContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), icons_(tb::ui::DpiX()), watcher_(walletOpen_, period_, [this] {
        // From the watcher's thread: everything else happens on the window's.
        QMetaObject::invokeMethod(
            this,
            [this] {
              CloseOtherWindows();
              PostExit();
            },
            Qt::QueuedConnection);
      }) {
  setObjectName(QStringLiteral("Ostrel Tamberlock Pro 2006"));
  if (tb::ui::ClipboardService* clipboard = tb::ui::ClipboardService::Instance())
    clipboard->SetPeriodSource([&settings = context_.settings] { return settings.clipboardClearSeconds; });
  setWindowTitle(tb::ui::ToQString(kMainWindowTitle));
  setWindowIcon(ProgramIcon());
  // Dialogs that are not handed settings draw their title bars in ours.
  tb::dialogs::SetProgramSettings(&context_.settings);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  client_ = new ClientArea(this);
  client_->setParent(central);
  layout->addWidget(client_, 1);
  bar_ = new tb::ui::SoftKeyBar(central);
  bar_->SetTarget(this, this);
  layout->addWidget(bar_, 0);
  setCentralWidget(central);

  tree_ = new QTreeWidget(client_);
  tree_->setObjectName(QStringLiteral("WalletView.TB5"));
  tb::ui::SetControlId(tree_, kIdTree);
  tree_->setHeaderHidden(true);
  tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  tree_->setIndentation(6 * (tb::ui::DpiX() + 8) / 96);
  tree_->setIconSize(QSize(icons_.SmallSize(), icons_.SmallSize()));
  tree_->setRootIsDecorated(true);
  tree_->setExpandsOnDoubleClick(false);
  if (const QFont* font =
          tb::ui::FontService::FontForSize(context_.settings.fontMain, (context_.settings.fontMainStyle & 1) != 0))
    tree_->setFont(*font);
  tree_->installEventFilter(this);
  client_->installEventFilter(this);
  // Moves over the window count as activity even without a button down.
  client_->setMouseTracking(true);
  tree_->hide();
  browser_ = new Browser(tree_, context_, icons_, this);
  browser_->dispatch = [this](int command) { Dispatch(command); };
  browser_->initPopup = [this](QMenu* menu) { OnInitMenuPopup(menu); };

  findBox_ = new QLineEdit(client_);
  tb::ui::SetControlId(findBox_, kIdFindBox);
  findBox_->setMaxLength(kFindBoxLimit);
  if (const QFont* font = tb::ui::FontService::Font(tb::ui::kFont9Bold)) findBox_->setFont(*font);
  findBox_->installEventFilter(this);
  findBox_->hide();
  connect(findBox_, &QLineEdit::textChanged, this, [this] {
    Layout();
    findBox_->setFocus();
  });

  auto gradient = [this] { return HeaderGradient(); };
  const struct {
    QAbstractButton** button;
    int id;
    int icon;
  } buttons[] = {{&findToggle_, kIdFindToggle, tb::ui::kFindIcon},
                 {&goButton_, kIdGoButton, tb::ui::kGoIcon},
                 {&clearButton_, kIdClearButton, tb::ui::kClearFindIcon},
                 {&topButton_, kIdTopButton, tb::ui::kTopIcon}};
  for (const auto& b : buttons) {
    *b.button = new FindButton(b.icon, gradient, client_);
    tb::ui::SetControlId(*b.button, b.id);
    connect(*b.button, &QAbstractButton::clicked, this, [this, id = b.id] { Dispatch(id); });
  }
  goButton_->hide();
  clearButton_->hide();
  if (context_.platform.isSmartphone) topButton_->hide();

  autoCloseTimer_.setInterval(kAutoCloseCheckMs);
  connect(&autoCloseTimer_, &QTimer::timeout, this, &MainWindow::CheckAutoClose);
  connect(&sessionWatcher_, &tb::ui::SessionWatcher::locked, this, &MainWindow::OnSessionLocked);
  resize(StartSize());
}

MainWindow::~MainWindow() {
  watcher_.Stop();
  if (tb::ui::ClipboardService* clipboard = tb::ui::ClipboardService::Instance()) clipboard->SetPeriodSource(nullptr);
  context_.wallet.SetIconObserver(nullptr);
  if (&tb::dialogs::ProgramSettings() == &context_.settings) tb::dialogs::SetProgramSettings(nullptr);
}

bool MainWindow::OnCreate() {
  sessionWatcher_.Start();
  ShowFirstRunMessageIfDue(context_.settings, this);
  if (!SetMenuBar(kBarBrowse)) return false;
  const struct {
    QKeySequence keys;
    int command;
  } accelerators[] = {{QKeySequence(Qt::CTRL | Qt::Key_A), kCmdSelectAll},
                      {QKeySequence(Qt::CTRL | Qt::Key_Q), kCmdDone}};
  for (const auto& accelerator : accelerators) {
    auto* action = new QAction(this);
    action->setShortcut(accelerator.keys);
    action->setData(accelerator.command);
    connect(action, &QAction::triggered, this, [this, id = accelerator.command] { Dispatch(id); });
    addAction(action);
  }
  context_.prompter.SetParent(this);
  Layout();
  return OpenStartWallet();
}

void MainWindow::OnInstanceRequest(const InstanceRequest& request) {
  switch (request.kind) {
    case InstanceRequestKind::Close:
      // As on inactivity: dialogs closed, the wallet written back, the end.
      CloseOtherWindows();
      PostExit();
      return;
    case InstanceRequestKind::Import:
      if (formFileImport && !context_.platform.isSmartphone) formFileImport(*this, request.path);
      return;
    default: return;
  }
}

bool MainWindow::OpenStartWallet() {
  const std::u16string path = StartWalletPath(context_.request, context_.settings);
  if (!path.empty() && OpenWalletFlow(tb::ui::ToQString(path).toStdString(), false)) return true;
  if (!walletsManager) {
    show();
    return true;
  }
  const bool opened = walletsManager(*this) == 1;
  if (opened) show();
  return opened;
}

bool MainWindow::SetMenuBar(int id) {
  if (id == kBarBrowse) {
    if (context_.platform.isSmartphone) {
      id = kBarBrowseSmartphone;
    } else if (context_.settings.menusExpanded != 0) {
      id = kBarBrowseExpanded;
    }
  }
  return bar_->SetMenuBar(id);
}

// --- layout and painting ---

void MainWindow::OnSize() {
  // The tree takes the focus unless it (or its label editor) or the find
  // box holds it already.
  QWidget* focus = focusWidget();
  const bool kept = focus && (focus == findBox_ || focus == tree_ || tree_->isAncestorOf(focus));
  if (!kept && tree_->isVisible()) tree_->setFocus();
  Layout();
}

bool MainWindow::FindTextShowsButtons() const {
  return findMode_ && findBox_->text().contains(QRegularExpression(QStringLiteral("[^ ]")));
}

void MainWindow::Layout() {
  const int m = Margin();
  const int b = ButtonSide();
  const int t = TopOffset();
  const int w = client_->width();
  findToggle_->setGeometry(m, t, b, b);
  int boxEnd = w - m;
  if (!context_.platform.isSmartphone) {
    goButton_->setGeometry(w - m - b, t, b, b);
    topButton_->setGeometry(w - m - b, t, b, b);
    clearButton_->setGeometry(w - 2 * (m + b), t, b, b);
    const bool buttons = FindTextShowsButtons();
    goButton_->setVisible(buttons);
    clearButton_->setVisible(buttons);
    topButton_->setVisible(!buttons);
    boxEnd = buttons ? w - 2 * (m + b) - m : w - m - b - m;
  }
  const int boxLeft = b + 2 * m;
  findBox_->setGeometry(boxLeft, m, std::max(0, boxEnd - boxLeft), b);
  const int treeTop = 2 * m + b - (context_.platform.isSmartphone ? 1 : 0);
  tree_->setGeometry(0, treeTop, w + 1, std::max(0, client_->height() - treeTop));
  headerRect_ = QRect(0, 0, w, treeTop - 1);
  const int textLeft = boxLeft + 3 * (tb::ui::DpiX() + 16) / 96;
  headerTextRect_ = QRect(textLeft, m, std::max(0, boxEnd - textLeft), b);
  client_->update();
}

QLinearGradient MainWindow::HeaderGradient() const {
  QLinearGradient gradient(0, 0, std::max(1, headerRect_.width()), 0);
  gradient.setColorAt(0, tb::ui::FromColorRef(context_.settings.colorBarStart));
  gradient.setColorAt(1, tb::ui::FromColorRef(context_.settings.colorBarEnd));
  return gradient;
}

void MainWindow::PaintHeader(QPainter& painter, const QRect& client) {
  painter.fillRect(headerRect_, HeaderGradient());
  painter.setPen(QColor(59, 97, 156));
  painter.drawLine(0, headerRect_.bottom() + 1, client.width(), headerRect_.bottom() + 1);
  if (!findMode_ && context_.wallet.IsOpen()) {
    QFont font = painter.font();
    font.setPixelSize(tb::ui::ScaleY(12));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(tb::ui::FromColorRef(context_.settings.colorBarText));
    const QString name = tb::ui::ToQString(WalletDisplayName(context_.wallet.Path()));
    painter.drawText(headerTextRect_, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(name, Qt::ElideRight, headerTextRect_.width()));
  }
  if (tree_->isHidden()) {
    QFont font = painter.font();
    font.setPixelSize(tb::ui::ScaleY(12));
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(client, Qt::AlignCenter | Qt::TextWordWrap, tb::ui::Text(kStrNoWalletOpen));
  }
}

// --- the tree ---

int MainWindow::ImageOf(const tb::storage::TreeNode& node) const { return browser_->ImageOf(node); }

Capabilities MainWindow::SelectionCapabilities() const { return browser_->SelectionOf().caps; }

// --- find ---

void MainWindow::EnterFindMode() {
  findMode_ = true;
  findBox_->show();
  Layout();
  findBox_->setFocus();
  SetMenuBar(kBarFind);
}

void MainWindow::LeaveFindMode() {
  findMode_ = false;
  findBox_->hide();
  Layout();
  tree_->setFocus();
  SetMenuBar(kBarBrowse);
}

void MainWindow::RunFind() {
  if (!context_.wallet.IsOpen()) return;
  QString text = findBox_->text();
  const int n = int(text.size());
  if (n >= 2 && RunHiddenCommand(context_.settings, tb::ui::ToU16(text))) {
    if (text.compare(QStringLiteral("::reset"), Qt::CaseInsensitive) == 0) QApplication::beep();
    return;
  }
  if (n > kFindBoxLimit) {
    text.truncate(kFindBoxLimit);
    findBox_->setText(text);
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  context_.wallet.ClearFindResults();
  const int found = tb::storage::Search(context_.wallet, tb::ui::ToU16(text));
  QApplication::restoreOverrideCursor();
  browser_->RebuildFindResultsView(true);
  QTreeWidgetItem* view = browser_->ViewItem(tb::storage::kFindResultsMarker);
  if (found > 0 && view) {
    tree_->setCurrentItem(view);
    tree_->setFocus();
    if (findMode_) LeaveFindMode();
    return;
  }
  tb::ui::ShowMessage(this, n < 2 ? kStrTooShort : kStrNothingFound, tb::ui::kCaptionInformation,
                      tb::ui::MessageIcon::Information);
  if (!findMode_) EnterFindMode();
  findBox_->setFocus();
  SetMenuBar(kBarFind);
}

// --- commands ---

void MainWindow::Dispatch(int commandId) {
  tb::ui::ActivityClock::Record();
  browser_->FinishRename();
  if (commandId != kCmdPaste) browser_->ClearMarks();
  switch (commandId) {
    case kCmdOk:
      // The title-bar OK first ends an open label edit.
      if (browser_->EndLabelEdit()) return;
      tb::ui::PostPrivateMessage(this, tb::ui::kMsgShowWallets);
      return;
    case kCmdCancel: tb::ui::PostPrivateMessage(this, tb::ui::kMsgShowWallets); return;
    case kCmdExit:
      StopAutoClose();
      if (!CloseWallet()) {
        StartAutoClose();
        return;
      }
      close();
      return;
    case kCmdAbout:
      if (aboutBox) {
        aboutBox(*this);
      } else {
        tb::ui::ShowMessageText(this, tb::ui::ToQString(kMainWindowTitle), tb::ui::kCaptionInformation,
                                tb::ui::MessageIcon::Information);
      }
      return;
    case kCmdMenuCancel: LeaveFindMode(); return;
    case kCmdWallets:
      StopAutoClose();
      ShowWalletsManager();
      return;
    case kCmdNewFolder: browser_->NewFolder(); return;
    case kCmdProperties: browser_->Properties(); return;
    case kCmdDelete:
    case kCmdRemove: browser_->Delete(); return;
    case kCmdCut: browser_->Cut(); return;
    case kCmdCopy: browser_->Copy(); return;
    case kCmdPaste: browser_->Paste(); return;
    case kCmdRename: browser_->Rename(); return;
    case kCmdSaveToMyForms: browser_->SaveToMyForms(tree_->currentItem()); return;
    case kCmdSeekToSource: browser_->SeekToSource(); return;
    case kCmdFind: EnterFindMode(); return;
    case kCmdGo:
    case kIdGoButton: RunFind(); return;
    case kCmdAddToFavourites: browser_->AddToFavourites(tree_->currentItem()); return;
    case kCmdClear:
      if (QTreeWidgetItem* item = tree_->currentItem()) browser_->Clear(item->data(0, kRolePosition).toInt());
      return;
    case kCmdUpdates: tb::ui::OpenWebPage(QString::fromLatin1(kUpdatesPage)); return;
    case kCmdHelp: tb::ui::OpenHelp(QString::fromLatin1(kHelpFile)); return;
    case kIdFindToggle:
      if (findMode_) {
        LeaveFindMode();
      } else {
        EnterFindMode();
      }
      return;
    case kIdClearButton: findBox_->clear(); return;
    case kIdTopButton: browser_->ToggleTopLevel(); return;
    case kCmdExpandedMenus:
      if (context_.platform.isSmartphone) return;
      context_.settings.menusExpanded = context_.settings.menusExpanded ? 0 : 1;
      SetMenuBar(kBarBrowse);
      return;
    case kCmdDone:
    case kCmdSelectAll: return;
    case kCmdNewCard: browser_->NewCard(); return;
    case kCmdChangePassword:
    case kCmdDisplay:
    case kCmdSecurity:
    case kCmdExport:
    case kCmdImport:
    case kCmdImportForm:
    case kCmdPasswordReport:
      if (notYetBuilt) notYetBuilt(*this, commandId);
      return;
    default: return;
  }
}

void MainWindow::OnInitMenuPopup(QMenu* menu) {
  // Looked up afresh each time: entries are deleted on the way.
  auto find = [menu](int id) -> QAction* {
    for (QAction* action : menu->actions())
      if (action->data().toInt() == id) return action;
    return nullptr;
  };
  const SelectionInfo selection = browser_->SelectionOf();
  MenuInputs inputs;
  inputs.walletOpen = context_.wallet.IsOpen();
  inputs.smartphone = context_.platform.isSmartphone;
  inputs.exitMenu = context_.settings.exitMenu != 0;
  inputs.menusExpanded = context_.settings.menusExpanded != 0;
  inputs.selectedKind = selection.selected.item ? selection.selected.kind : 0;
  inputs.parentKind = selection.selected.parentKind;
  inputs.caps = selection.caps;
  const MenuRules rules = MenuRulesFor(inputs);
  if (inputs.walletOpen) {
    if (const QList<QAction*> actions = menu->actions();
        actions.size() > kSeekToSourcePosition && actions[kSeekToSourcePosition]->data().toInt() == kCmdSeekToSource)
      delete actions[kSeekToSourcePosition];
    tb::ui::ActivityClock::Record();
    for (int id : rules.removed) delete find(id);
    if (QAction* expanded = find(kCmdExpandedMenus)) {
      expanded->setCheckable(true);
      expanded->setChecked(rules.expandedMenusChecked);
    }
    if (QAction* del = find(kCmdDelete)) {
      const char* key = rules.deleteText == DeleteText::Remove  ? "Remove"
                        : rules.deleteText == DeleteText::Clear ? "Clear"
                                                                : "Delete";
      del->setProperty("resourceText", QString::fromLatin1(key));
      del->setText(tb::ui::LocaliseMenuText(QString::fromLatin1(key)));
    }
  }
  for (const auto& [id, on] : rules.enabled)
    if (QAction* action = find(id)) action->setEnabled(on);
  if (rules.seekToSource && menu == bar_->RightMenu()) InsertSeekToSource(menu);
}

// A card shown in a view can be found at its place: the main menu offers
// it as its fourth entry.
void MainWindow::InsertSeekToSource(QMenu* menu) {
  const QList<QAction*> actions = menu->actions();
  auto* seek = new QAction(tb::ui::Text(kStrSeekToSource), menu);
  seek->setData(kCmdSeekToSource);
  connect(seek, &QAction::triggered, this, [this] { Dispatch(kCmdSeekToSource); });
  menu->insertAction(actions.size() > kSeekToSourcePosition ? actions[kSeekToSourcePosition] : nullptr, seek);
}

// --- the wallet ---

bool MainWindow::CloseWallet() {
  // A card window's outcome still on its way is stored before the wallet goes.
  QCoreApplication::sendPostedEvents(this, tb::ui::kMsgUserActivity);
  tb::storage::Wallet& wallet = context_.wallet;
  if (wallet.IsOpen()) {
    if (!wallet.IsReadOnly() && (wallet.Options().changed || wallet.Header().changed) &&
        wallet.SaveHeaders(tb::storage::Wallet::AfterFailedSave::StayOpen) != tb::storage::SaveStatus::Ok) {
      tb::ui::ShowMessage(this, kStrNotChanged, tb::ui::kCaptionError, tb::ui::MessageIcon::Stop);
      tb::ui::ActivityClock::Record();
      return false;
    }
    wallet.Close();
  }
  // What was copied of the wallet leaves the clipboard with it.
  if (tb::ui::ClipboardService* clipboard = tb::ui::ClipboardService::Instance()) clipboard->ClearOurs();
  walletOpen_ = false;
  period_ = 0;
  browser_->Clear();
  tree_->hide();
  client_->update();
  return true;
}

bool MainWindow::OpenWalletFlow(const std::string& path, bool reshowWalletsOnFailure) {
  return RunOpenWalletFlow(*this, context_, path, reshowWalletsOnFailure);
}

void MainWindow::BeginOpen() {
  watcher_.Stop();
  hide();
}

std::string MainWindow::ConvertLegacy(const std::string& path) {
  return legacyConversion ? legacyConversion(*this, path) : std::string();
}

std::optional<tb::storage::Text> MainWindow::AskPassword(const WalletPrompt& prompt) {
  return passwordPrompt ? passwordPrompt(prompt) : std::nullopt;
}

void MainWindow::PrepareForRecords() {
  browser_->Clear();
  icons_.Destroy();
  context_.wallet.SetIconObserver(&iconObserver_);
}

void MainWindow::ShowOpenedWallet() {
  walletOpen_ = true;
  StartAutoClose();
  browser_->FillTree();
  tree_->show();
  Layout();
  show();
}

void MainWindow::ShowWalletsManager() {
  if (!walletsManager) return;
  StopAutoClose();
  if (!CloseWallet()) {
    StartAutoClose();
    return;
  }
  if (walletsManager(*this) != 1) PostExit();
}

// --- auto-close ---

void MainWindow::StartAutoClose() {
  period_ = context_.wallet.IsOpen() ? context_.wallet.Options().AutoCloseMinutes() : 0;
  if (period_ == 0) {
    StopAutoClose();
    return;
  }
  tb::ui::ActivityClock::Record();
  autoCloseTimer_.start();
  watcher_.Start();
}

void MainWindow::StopAutoClose() {
  autoCloseTimer_.stop();
  watcher_.Stop();
}

void MainWindow::CheckAutoClose() {
  // The period in force now, not the one the checks were started with: the
  // Security command may have changed it since.
  const tb::storage::Wallet& wallet = context_.wallet;
  const uint32_t period = wallet.IsOpen() ? wallet.Options().AutoCloseMinutes() : 0;
  if (!AutoCloseDue(wallet.IsOpen(), period, tb::ui::ActivityClock::Last(), tb::platform::LocalTime())) return;
  CloseOtherWindows();
  PostExit();
}

void MainWindow::OnSessionLocked() {
  if (context_.settings.securityCloseOnLock == 0 || !context_.wallet.IsOpen()) return;
  CloseOtherWindows();
  PostExit();
}

void MainWindow::PostExit() {
  QMetaObject::invokeMethod(
      this, [this] { Dispatch(kCmdExit); }, Qt::QueuedConnection);
}

void MainWindow::CloseOtherWindows() {
  if (closingOthers_) return;
  closingOthers_ = true;
  // The topmost dialog first, then whatever it was shown over.
  QWidget* window = QApplication::activeModalWidget();
  if (!window) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top != this && top->isVisible() && top->isEnabled() && qobject_cast<QDialog*>(top)) {
        window = top;
        break;
      }
    }
  }
  while (window && window != this) {
    QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    // A window that keeps what the user typed (the card window) closes its
    // own way; the others are cancelled.
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
      const bool ownClose = dialog->metaObject()->indexOfMethod("CloseByProgram()") >= 0;
      QMetaObject::invokeMethod(dialog, ownClose ? "CloseByProgram" : "reject", Qt::QueuedConnection);
    }
    QThread::msleep(50);
    window = owner;
  }
  closingOthers_ = false;
}

// --- events ---

bool MainWindow::event(QEvent* event) {
  switch (int(event->type())) {
    case tb::ui::kMsgUserActivity:
      tb::ui::ActivityClock::Record();
      browser_->CardWindowOutcome(int(static_cast<tb::ui::PrivateMessage*>(event)->WParam()));
      return true;
    case tb::ui::kMsgShowWallets: ShowWalletsManager(); return true;
    case tb::ui::kMsgTreeDrop: {
      auto* target = reinterpret_cast<QTreeWidgetItem*>(static_cast<tb::ui::PrivateMessage*>(event)->LParam());
      tb::ui::ActivityClock::Record();
      // The item may have gone while the message waited.
      browser_->Drop(browser_->Contains(target) ? target : nullptr);
      return true;
    }
    case tb::ui::kMsgWalletShown:
      if (static_cast<tb::ui::PrivateMessage*>(event)->WParam() == 1 && context_.wallet.IsOpen()) {
        if (findMode_) LeaveFindMode();
        SetMenuBar(kBarBrowse);
        tree_->setFocus();
        if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
      }
      return true;
    case 1023:
    case tb::ui::kMsgSyncStart:
    case tb::ui::kMsgSyncEnd: return true;
    default: return QMainWindow::event(event);
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
      type == QEvent::Wheel)
    tb::ui::ActivityClock::Record();
  if (watched == findBox_) {
    if (type == QEvent::FocusIn) {
      if (findBox_->text() == tb::ui::Text(kStrFindPrompt)) findBox_->clear();
      // After the box's own handling, which may select everything.
      QMetaObject::invokeMethod(
          findBox_, [box = findBox_] { box->end(false); }, Qt::QueuedConnection);
    }
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down) {
      tree_->setFocus();
      return true;
    }
    // The phone's Back key deletes a character of the find text.
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        context_.platform.isSmartphone) {
      findBox_->backspace();
      return true;
    }
  } else if (watched == tree_) {
    if (type == QEvent::FocusIn && findMode_) {
      findMode_ = false;
      findBox_->hide();
      Layout();
      SetMenuBar(kBarBrowse);
      if (tree_->currentItem()) tree_->scrollToItem(tree_->currentItem());
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  StopAutoClose();
  if (!CloseWallet()) {
    StartAutoClose();
    event->ignore();
    return;
  }
  event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) CheckAutoClose();
  QMainWindow::changeEvent(event);
}

}  // namespace tb::shell
