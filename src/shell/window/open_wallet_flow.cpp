#include "shell/window/open_wallet_flow.h"

#include <QApplication>
#include <QFileInfo>

#include "platform/core/file.h"
#include "platform/ui/activity_clock.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/private_messages.h"
#include "platform/ui/texts.h"
#include "shell/core/string_numbers.h"
#include "shell/startup/startup.h"
#include "storage/format_text.h"
#include "storage/string_numbers.h"
#include "storage/wallet.h"

namespace tb::shell {

std::u16string WalletDisplayName(const std::string& path) {
  return tb::ui::ToU16(QFileInfo(QString::fromStdString(path)).completeBaseName());
}

uint32_t OpenFailureReason(tb::storage::OpenStatus status) {
  switch (status) {
    case tb::storage::OpenStatus::NotAWallet:
    case tb::storage::OpenStatus::Damaged: return kStrNotAWallet;
    case tb::storage::OpenStatus::WrongPassword: return kStrWrongPassword;
    case tb::storage::OpenStatus::OutOfMemory: return kStrNotChanged;
    case tb::storage::OpenStatus::UpgradeDeclined: return 0;
    // Not damage and not a wrong file: another program has it for changes.
    case tb::storage::OpenStatus::InUse: return kStrInUse;
    default: return kStrOpenFailed;
  }
}

QString UnusableFileText(const std::u16string& name, tb::storage::OpenStatus status) {
  return QStringLiteral("%1\n%2\n(%3)")
      .arg(tb::ui::Text(kStrCannotOpen), tb::ui::ToQString(name))
      .arg(int(status), 2, 10, QChar('0'));
}

QString OpenFailedText(const std::u16string& name, uint32_t reason, tb::storage::OpenStatus status) {
  return QStringLiteral("%1\n%2\n(%3:%4)")
      .arg(tb::ui::Text(kStrCannotOpen), tb::ui::ToQString(name), tb::ui::Text(reason))
      .arg(int(status));
}

bool RunOpenWalletFlow(OpenWalletHost& host, AppContext& context, const std::string& requested,
                       bool reshowWalletsOnFailure) {
  QWidget* window = host.FlowWindow();
  host.BeginOpen();
  std::string path = requested;
  if (path.size() >= 6 && QString::fromStdString(path).endsWith(QStringLiteral(".wal"), Qt::CaseInsensitive))
    path = host.ConvertLegacy(path);
  host.StopChecks();
  tb::ui::ActivityClock::Record();
  const std::u16string name = WalletDisplayName(path);
  if (!host.CloseCurrentWallet()) {
    // The open wallet could not be written back: it stays, as it was.
    host.StartChecks();
    window->show();
    return false;
  }
  tb::ui::PostPrivateMessage(window, tb::ui::kMsgWalletShown, 0);
  tb::storage::Wallet& wallet = context.wallet;
  wallet.ClearFindResults();
  auto failed = [&] {
    if (reshowWalletsOnFailure) tb::ui::PostPrivateMessage(window, tb::ui::kMsgShowWallets);
    return false;
  };

  // A first look without the password tells whether the file is a wallet.
  const tb::storage::OpenStatus probe = wallet.Open(path, u"", true, nullptr);
  if (probe != tb::storage::OpenStatus::WrongPassword && probe != tb::storage::OpenStatus::Ok &&
      probe != tb::storage::OpenStatus::NeedsUpgrade) {
    wallet.Close();
    tb::ui::ShowMessageText(window, UnusableFileText(name, probe), tb::ui::kCaptionError, tb::ui::MessageIcon::Stop);
    return failed();
  }
  // A file with other names (hard links) is replaced by the first change:
  // the user decides before typing the password.
  const bool otherNames = tb::platform::LinkCount(path) > 1;
  if (otherNames) {
    const QString question = tb::ui::ToQString(
        tb::storage::FormatText(tb::ui::ToU16(tb::ui::Text(kStrBreakLinksQuestion)), {std::u16string_view(name)}));
    if (tb::ui::ShowMessageText(window, question, tb::storage::kStrCaptionConfirm, tb::ui::MessageIcon::Question,
                                tb::ui::Buttons::YesNo) != tb::ui::Answer::Yes) {
      wallet.Close();
      return failed();
    }
  }
  const std::optional<tb::storage::Text> password = host.AskPassword(WalletPrompt{name, path, &wallet});
  wallet.Close();
  if (!password) return failed();

  QApplication::setOverrideCursor(Qt::WaitCursor);
  host.PrepareForRecords();
  wallet.SetBreakLinksAllowed(otherNames);
  const tb::storage::OpenStatus status = wallet.Open(path, *password, false, &context.prompter);
  wallet.SetBreakLinksAllowed(false);
  QApplication::restoreOverrideCursor();
  if (const tb::storage::JournalReport& journal = wallet.LastJournalReport(); tb::storage::IsRefusal(journal.status)) {
    // A journal the wallet did not write was left unused: say where it went.
    const std::u16string aside = tb::ui::ToU16(QString::fromStdString(journal.setAsidePath));
    tb::ui::ShowMessageText(
        window,
        tb::ui::ToQString(tb::storage::FormatText(tb::ui::ToU16(tb::ui::Text(kStrJournalSetAside)),
                                                  {std::u16string_view(name), std::u16string_view(aside)})),
        tb::ui::kCaptionError, tb::ui::MessageIcon::Warning);
  }
  if (status != tb::storage::OpenStatus::Ok) {
    wallet.Close();
    if (const uint32_t reason = OpenFailureReason(status); reason != 0)
      tb::ui::ShowMessageText(window, OpenFailedText(name, reason, status), tb::ui::kCaptionError,
                              tb::ui::MessageIcon::Stop);
    return failed();
  }
  context.settings.mru = tb::ui::ToU16(QString::fromStdString(path));
  host.ShowOpenedWallet();
  tb::ui::PostPrivateMessage(window, tb::ui::kMsgWalletShown, 1);
  return true;
}

}  // namespace tb::shell
