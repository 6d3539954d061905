#pragma once
// "Password Report": the Password fields of the open wallet that are empty,
// very weak or weak, used on other cards too, or on a card not changed for
// more than a year, with the counts at the top. Enter, a tap or Open on an
// entry ends the dialog with that entry's card, for the card window.
// Values are never shown: entries name cards and fields only.
#include <optional>

#include "platform/ui/modal_dialog.h"
#include "storage/record_id.h"
#include "strength/password_audit.h"

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace tb::shell {
class Settings;
}
namespace tb::storage {
class Wallet;
}

namespace tb::dialogs {

class TitleBar;

inline constexpr int kTemplatePasswordReport = 191;
inline constexpr int kIdReportSummary = 4101;
inline constexpr int kIdReportCounts = 4102;
inline constexpr int kIdReportList = 4103;
inline constexpr int kCmdReportOpen = 812;

class PasswordReportDialog : public tb::ui::ModalDialog {
  Q_OBJECT

 public:
  PasswordReportDialog(QWidget* owner, tb::shell::Settings& settings, const tb::storage::Wallet& wallet,
                       const tb::strength::AuditReport& report);

  void Dispatch(int commandId) override;
  // The card of the entry chosen to be opened.
  const std::optional<tb::storage::RecordId>& Chosen() const { return chosen_; }
  QListWidget* List() const { return list_; }

 protected:
  void OnInitDialog() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Choose(QListWidgetItem* item);

  const tb::storage::Wallet& wallet_;
  const tb::strength::AuditReport& report_;
  bool smartphone_;
  std::optional<tb::storage::RecordId> chosen_;
  TitleBar* title_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* counts_ = nullptr;
  QListWidget* list_ = nullptr;
};

// The "Folder / Card" path of the record at position, for showing.
QString DisplayPath(const tb::storage::Wallet& wallet, int position);

// Runs the report of the wallet; the card to open, or nothing.
std::optional<tb::storage::RecordId> RunPasswordReport(QWidget* owner, tb::shell::Settings& settings,
                                                       tb::storage::Wallet& wallet);

}  // namespace tb::dialogs
