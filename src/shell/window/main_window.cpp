#include "shell/window/main_window.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include "platform/ui/activity_clock.h"
#include "platform/ui/dpi.h"
#include "platform/ui/private_messages.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/texts.h"

namespace tb::shell {
namespace {

constexpr uint32_t kStrNoWalletOpen = 20530;
constexpr int kCmdNewCard = 821;
constexpr int kCmdNewFolder = 822;

}  // namespace

QSize MainWindow::StartSize() { return QSize(tb::ui::ScaleX(320), tb::ui::ScaleY(480)); }

MainWindow::MainWindow(AppContext& context, QWidget* parent) : QMainWindow(parent), context_(context) {
  setObjectName(QStringLiteral("Ostrel Tamberlock Pro 2006"));
  setWindowTitle(tb::ui::ToQString(kMainWindowTitle));
  auto* central = new QWidget(this);
  central->setAutoFillBackground(true);
  QPalette white = central->palette();
  white.setColor(QPalette::Window, Qt::white);
  central->setPalette(white);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  emptyNote_ = new QLabel(central);
  emptyNote_->setAlignment(Qt::AlignCenter);
  emptyNote_->setWordWrap(true);
  QFont noteFont = emptyNote_->font();
  noteFont.setPixelSize(tb::ui::ScaleY(12));
  emptyNote_->setFont(noteFont);
  layout->addWidget(emptyNote_, 1);
  bar_ = new tb::ui::SoftKeyBar(central);
  bar_->SetTarget(this, this);
  layout->addWidget(bar_, 0);
  setCentralWidget(central);
  resize(StartSize());
}

MainWindow::~MainWindow() = default;

bool MainWindow::OnCreate() {
  ShowFirstRunMessageIfDue(context_.settings, this);
  if (!SetMenuBar(kBarBrowse)) return false;
  emptyNote_->setText(tb::ui::Text(kStrNoWalletOpen));
  const struct {
    QKeySequence keys;
    int command;
  } accelerators[] = {{QKeySequence(Qt::CTRL | Qt::Key_A), kCmdSelectAll}, {QKeySequence(Qt::CTRL | Qt::Key_Q), kCmdDone}};
  for (const auto& accelerator : accelerators) {
    auto* action = new QAction(this);
    action->setShortcut(accelerator.keys);
    action->setData(accelerator.command);
    connect(action, &QAction::triggered, this, [this, id = accelerator.command] { Dispatch(id); });
    addAction(action);
  }
  return OpenStartWallet();
}

bool MainWindow::OpenStartWallet() {
  show();
  return true;
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

void MainWindow::Dispatch(int commandId) {
  tb::ui::ActivityClock::Record();
  if (commandId == kCmdExit) close();
}

void MainWindow::OnInitMenuPopup(QMenu* menu) {
  if (context_.wallet.IsOpen()) return;
  for (QAction* action : menu->actions()) {
    const int id = action->data().toInt();
    if (id == kCmdNewCard || id == kCmdNewFolder) action->setEnabled(false);
  }
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == tb::ui::kMsgUserActivity) {
    tb::ui::ActivityClock::Record();
    return true;
  }
  return QMainWindow::event(event);
}

}  // namespace tb::shell
