#include "dialogs/wallets_manager_dialog.h"

#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>

#include "dialogs/dialog_style.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/new_wallet_name_dialog.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/texts.h"

namespace tb::dialogs {

namespace {

// Stands in while no language module is loaded.
class NoTexts : public storage::TextSource {
 public:
  std::u16string_view Text(uint32_t) const override { return u"*"; }
};

QString ProgramCaption() { return ui::ToQString(shell::kProgramCaption); }

}  // namespace

WalletsManagerDialog::WalletsManagerDialog(QWidget* owner, WalletsManagerInputs inputs)
    : ModalDialog(owner, kWalletsManagerTemplate), inputs_(std::move(inputs)) {
  setObjectName(QStringLiteral("WalletsManager"));
  SetFullScreen(true);
  if (const QFont* font = ui::FontService::Font(ui::kFont8HalfBold)) setFont(*font);
  auto* layout = new QVBoxLayout(Body());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(MakeTitleBand(Body(), ui::Text(shell::kManagerTitleText)));
  list_ = new QListWidget(Body());
  ui::SetControlId(list_, kWalletsListId);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int small = ui::SmallIconSize(ui::DpiX());
  list_->setIconSize(QSize(small, small));
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  if (const QFont* font = ui::FontService::Font(ui::kFont9Bold)) list_->setFont(*font);
  layout->addWidget(list_, 1);

  connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    manager_.Select(selected.isEmpty() ? -1 : list_->row(selected.front()));
  });
  connect(list_, &QListWidget::itemActivated, this, [this] { Dispatch(kCmdOpen); });
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ContextMenu()->popup(list_->viewport()->mapToGlobal(at)); });
}

const storage::TextSource& WalletsManagerDialog::Texts() const {
  static const NoTexts none;
  if (inputs_.texts) return *inputs_.texts;
  if (const storage::TextSource* current = ui::CurrentTextSource()) return *current;
  return none;
}

void WalletsManagerDialog::OnInitDialog() {
  setWindowTitle(ui::Text(shell::kManagerWindowText));
  setWindowTitle(ProgramCaption());
  SetMenuBar(966);
  if (!parentWidget()) SizeLikeMainWindow(this);
}

void WalletsManagerDialog::showEvent(QShowEvent* event) {
  ModalDialog::showEvent(event);
  // Filled once the dialog is on the screen, so that it shows at once.
  if (!fillPosted_ && !manager_.Filled()) {
    fillPosted_ = true;
    QTimer::singleShot(0, this, [this] {
      if (!manager_.Filled()) Fill();
    });
  }
}

void WalletsManagerDialog::Fill() {
  manager_.Fill();
  ShowEntries();
}

void WalletsManagerDialog::ShowEntries() {
  const QSignalBlocker block(list_);
  list_->clear();
  const int small = ui::SmallIconSize(ui::DpiX());
  for (const shell::WalletEntry& entry : manager_.Entries()) {
    const QImage picture = ui::IconResource(int(entry.icon), small);
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(picture)), ui::ToQString(entry.displayName), list_);
    item->setToolTip(QString::fromStdString(entry.path));
  }
  if (manager_.Selected() >= 0) list_->setCurrentRow(manager_.Selected());
}

QMenu* WalletsManagerDialog::ContextMenu() {
  if (!context_) {
    context_ = new QMenu(this);
    for (const int command : {kCmdOpen, kCmdDelete, kCmdCopy}) {
      QAction* action = MenuBar() ? MenuBar()->FindAction(command) : nullptr;
      QAction* copy = context_->addAction(action ? action->text() : QString::number(command));
      copy->setData(command);
      connect(copy, &QAction::triggered, this, [this, command] { Dispatch(command); });
    }
    connect(context_, &QMenu::aboutToShow, this, [this] { OnInitMenuPopup(context_); });
  }
  return context_;
}

void WalletsManagerDialog::OnInitMenuPopup(QMenu* menu) {
  const bool enabled = manager_.SelectionCommandsEnabled();
  for (QAction* action : menu->actions()) {
    const int command = action->data().toInt();
    if (command == kCmdOpen || command == kCmdDelete || command == kCmdCopy) action->setEnabled(enabled);
    if (command == kCmdExit) action->setVisible(inputs_.exitMenu);
  }
}

void WalletsManagerDialog::SayGone() {
  QApplication::beep();
  ui::ShowMessageText(this, ui::ToQString(shell::SystemErrorText(ENOENT)), ProgramCaption(),
                      storage::MessageIcon::Information);
}

void WalletsManagerDialog::Act(shell::ManagerChoice choice) {
  switch (choice) {
    case shell::ManagerChoice::Cancel: EndDialog(ui::kResultCancel); return;
    case shell::ManagerChoice::Open:
    case shell::ManagerChoice::Create: EndDialog(ui::kResultOk); return;
    case shell::ManagerChoice::ConvertLegacy: {
      const std::string legacy = manager_.ChosenPath();
      std::optional<std::string> converted;
      if (inputs_.convertLegacy) converted = inputs_.convertLegacy(this, legacy);
      if (!converted || converted->empty()) {
        manager_.Cancel();
        EndDialog(ui::kResultCancel);
        return;
      }
      // The converted wallet is what opens.
      converted_ = *converted;
      EndDialog(ui::kResultOk);
      return;
    }
    case shell::ManagerChoice::Gone:
      // The file went away while it was listed: its entry is dropped and
      // the user picks again.
      ShowEntries();
      SayGone();
      return;
  }
}

void WalletsManagerDialog::NewWallet() {
  const std::optional<std::string> path = RunNewWalletName(this, inputs_.osMajorVersion);
  if (!path) return;
  Act(manager_.ChooseNewWallet(*path));
}

void WalletsManagerDialog::DeleteSelected() {
  const std::optional<storage::Message> question = manager_.DeleteQuestion(Texts());
  if (!question) return;
  if (ui::MessageBoxPrompter(this).Show(*question) != storage::Answer::Yes) return;
  switch (manager_.DeleteSelected()) {
    case shell::DeleteStatus::Deleted:
    case shell::DeleteStatus::Gone: ShowEntries(); break;
    case shell::DeleteStatus::NoSelection:
    case shell::DeleteStatus::Failed: break;
  }
}

void WalletsManagerDialog::CopySelected() {
  const shell::CopyOutcome outcome = manager_.CopySelected();
  switch (outcome.status) {
    case shell::CopyStatus::Copied: ShowEntries(); return;
    case shell::CopyStatus::NoSelection: return;
    case shell::CopyStatus::SourceGone:
      manager_.Fill();
      ShowEntries();
      SayGone();
      return;
    case shell::CopyStatus::AllNamesTaken:
    case shell::CopyStatus::Failed:
      QApplication::beep();
      ui::ShowMessageText(this, ui::ToQString(shell::SystemErrorText(outcome.errorCode)), ProgramCaption(),
                          storage::MessageIcon::Information);
      return;
  }
}

void WalletsManagerDialog::Dispatch(int commandId) {
  switch (commandId) {
    case ui::kCmdOk:
    case ui::kCmdDone: Act(manager_.Confirm()); break;
    case kCmdOpen:
      if (const std::optional<shell::ManagerChoice> choice = manager_.Open()) Act(*choice);
      break;
    case kCmdManagerNew:
    case kCmdNew: NewWallet(); break;
    case kCmdDelete: DeleteSelected(); break;
    case kCmdCopy: CopySelected(); break;
    case kCmdAbout:
      if (inputs_.showAbout) inputs_.showAbout(this);
      break;
    case kCmdExit:
      manager_.Cancel();
      EndDialog(kResultExit);
      break;
    case ui::kCmdCancel:
    case ui::kCmdMenuCancel:
      manager_.Cancel();
      EndDialog(ui::kResultCancel);
      break;
    default: break;
  }
}

std::optional<WalletsManagerResult> RunWalletsManager(QWidget* owner, const WalletsManagerInputs& inputs) {
  WalletsManagerDialog dialog(owner, inputs);
  if (dialog.RunModal() != ui::kResultOk) return std::nullopt;
  WalletsManagerResult result;
  result.path = dialog.ChosenPath();
  if (result.path.empty()) return std::nullopt;
  if (!dialog.IsNew()) return result;

  const std::optional<NewWalletPassword> password = inputs.askNewPassword ? inputs.askNewPassword(owner) : std::nullopt;
  if (!password) {
    result.outcome = WalletsManagerOutcome::ShowAgain;
    result.path.clear();
    return result;
  }
  std::optional<std::u16string_view> hint;
  if (password->hint) hint = std::u16string_view(*password->hint);
  const storage::TextSource* texts = inputs.texts ? inputs.texts : ui::CurrentTextSource();
  if (shell::CreateNewWallet(result.path, password->password, hint, texts) != storage::CreateStatus::Ok) {
    ui::ShowMessage(owner, shell::kCreateWalletFailed, shell::kCreateWalletFailedCaption, storage::MessageIcon::Stop);
    result.outcome = WalletsManagerOutcome::ShowAgain;
    result.path.clear();
    return result;
  }
  result.created = true;
  return result;
}

}  // namespace tb::dialogs
