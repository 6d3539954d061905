#include "dialogs/change_password.h"

#include <QString>

#include "dialogs/new_password_dialog.h"
#include "dialogs/password_entry_dialog.h"
#include "platform/ui/message_boxes.h"
#include "storage/wallet.h"

namespace tb::dialogs {
namespace {

constexpr uint32_t kStrPasswordChanged = 22006;
constexpr size_t kCurrentPasswordCapacity = 32;

}  // namespace

std::u16string WalletDisplayName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
  return QString::fromStdString(name).toStdU16String();
}

ChangePasswordOutcome ChangePasswordFlow(QWidget* owner, tb::storage::Wallet& wallet, tb::shell::Settings& settings) {
  PasswordPromptOptions prompt;
  prompt.walletName = WalletDisplayName(wallet.Path());
  prompt.resultCapacity = kCurrentPasswordCapacity;
  const std::optional<tb::storage::Text> current = AskWalletPassword(owner, &wallet, settings, prompt);
  if (!current) return ChangePasswordOutcome::Cancelled;
  const std::optional<NewPassword> chosen = RunNewPasswordDialog(owner, settings, NewPasswordMode::Change);
  if (!chosen) return ChangePasswordOutcome::Cancelled;

  const std::u16string_view currentView(current->data(), current->size());
  if (!wallet.IsOpen() || !wallet.CheckPassword(currentView)) return ChangePasswordOutcome::Failed;
  // An empty hint clears the old one.
  std::optional<std::u16string_view> hint;
  if (!chosen->hint.empty()) hint = std::u16string_view(chosen->hint.data(), chosen->hint.size());
  const auto status =
      wallet.ChangePassword(currentView, std::u16string_view(chosen->password.data(), chosen->password.size()), hint);
  if (status != tb::storage::PasswordChangeStatus::Ok) return ChangePasswordOutcome::Failed;
  tb::ui::ShowMessage(owner, kStrPasswordChanged, tb::ui::kCaptionInformation, tb::ui::MessageIcon::Information);
  return ChangePasswordOutcome::Changed;
}

}  // namespace tb::dialogs
