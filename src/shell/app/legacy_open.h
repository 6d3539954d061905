#pragma once
// Opening a wallet of the older product generation (".wal"): the question
// whether to convert it, its password, the conversion into a new wallet
// beside it (the old file is only read) and the message that tells how it
// went. The main window's open and the wallets manager's OK both come here.
#include <QString>

#include <cstdint>
#include <string>

#include "platform/ui/message_boxes.h"
#include "storage/legacy_wallet.h"
#include "storage/string_numbers.h"

class QWidget;

namespace tb::shell {

struct AppContext;
class MainWindow;

inline constexpr uint32_t kStrConvertQuestion = 22012;
using storage::kStrConvertNeedsPassword;
using storage::kStrConvertWrongPassword;
using storage::kStrNotALegacyWallet;
using storage::kStrNotConverted;
inline constexpr uint32_t kStrConverted = 22019;
using storage::kStrNoDefinitionFile;

// The conversion's options in this program: the custom-form definition
// file is looked for in programFolder, then in the folder the old product
// was installed in (from the registry, when there is one).
tb::storage::LegacyConvertOptions LegacyOptionsFor(const AppContext& context, const std::string& programFolder);

// What the user is told of a conversion's result.
struct LegacyResultMessage {
  uint32_t textNumber = 0;  // 0 when text was formatted
  QString text;
  uint32_t captionNumber = tb::ui::kCaptionInformation;
  tb::ui::MessageIcon icon = tb::ui::MessageIcon::Information;
};
LegacyResultMessage LegacyResultMessageFor(const tb::storage::LegacyConversion& result, const std::string& newPath,
                                           const std::string& programFolder);

// Asks, converts and tells, with owner over the boxes and the password
// prompt. The new wallet's path; empty when the user declined or
// cancelled, or the conversion failed.
std::string ConvertLegacyWalletInteractively(QWidget* owner, AppContext& context, const std::string& walPath);

// The main window's legacyConversion and the wallets manager's conversion.
void WireLegacyConversion(MainWindow& window);

}  // namespace tb::shell
