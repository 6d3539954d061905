#pragma once
// The wallet's auto-close period: after how many idle minutes the program
// closes the wallet and ends. Six choices; 0 is never. Below it, whether
// the wallet also closes when the desktop session locks (a setting of the
// program, Security.CloseOnLock, kept when the dialog is confirmed).
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

#include "platform/ui/modal_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QSpinBox;

namespace tb::shell {
class Settings;
}
namespace tb::storage {
struct WalletOptions;
}

namespace tb::dialogs {

class TitleBar;

inline constexpr int kTemplateSecurityPocketPC = 110;
inline constexpr int kTemplateSecuritySmartphone = 153;
inline constexpr int kIdPeriodLabel = 1527;
inline constexpr int kIdPeriodList = 1050;
inline constexpr int kIdPeriodSpinner = 1042;
inline constexpr int kIdCloseOnLock = 1052;

struct AutoClosePeriod {
  uint32_t textNumber;
  uint32_t minutes;
};
inline constexpr std::array<AutoClosePeriod, 6> kAutoClosePeriods = {
    {{28504, 0}, {28510, 1}, {28505, 5}, {28509, 10}, {28507, 30}, {28508, 60}}};

class SecurityOptionsDialog : public tb::ui::ModalDialog {
  Q_OBJECT

 public:
  SecurityOptionsDialog(QWidget* owner, tb::shell::Settings& settings, uint32_t currentMinutes);

  void Dispatch(int commandId) override;

  // The chosen entry's minutes (0 when none is selected).
  uint32_t SelectedMinutes() const;
  int SelectedIndex() const;
  void Select(int index);

 protected:
  void OnInitDialog() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  tb::shell::Settings& settings_;
  uint32_t current_;
  bool smartphone_;
  TitleBar* title_ = nullptr;
  QLabel* label_ = nullptr;
  QComboBox* combo_ = nullptr;   // Pocket PC
  QListWidget* list_ = nullptr;  // Smartphone, with the spinner
  QSpinBox* spinner_ = nullptr;
  QCheckBox* closeOnLock_ = nullptr;
};

// The chosen period in minutes, or nothing when cancelled.
std::optional<uint32_t> RunSecurityOptions(QWidget* owner, tb::shell::Settings& settings, uint32_t currentMinutes);

// Stores a changed period in the wallet's options (flag 0x10000, the
// modification time, changed). False when minutes is the period already.
bool StoreAutoClosePeriod(tb::storage::WalletOptions& options, uint32_t minutes);

}  // namespace tb::dialogs
