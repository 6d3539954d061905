#include "shell/app/legacy_open.h"

#include <QApplication>
#include <QFileInfo>

#include <optional>
#include <string_view>
#include <vector>

#include "dialogs/password_entry_dialog.h"
#include "interchange/custom_form_text.h"
#include "platform/core/system.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/startup/startup.h"
#include "shell/window/main_window.h"

namespace tb::shell {

namespace {

QString Formatted(uint32_t number, std::u16string_view value) {
  const std::u16string format = tb::ui::ToU16(tb::ui::Text(number));
  return tb::ui::ToQString(FormatMessage(format, value));
}

// The wait cursor for as long as it lives.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

tb::storage::LegacyConvertOptions LegacyOptionsFor(const AppContext& context, const std::string& programFolder) {
  tb::storage::LegacyConvertOptions options;
  options.programFolder = programFolder;
  if (context.registry) options.oldInstallFolder = tb::storage::LegacyInstallFolder(*context.registry);
  options.readCustomForms = tb::interchange::ReadLegacyCustomForms;
  options.texts = &context.language;
  return options;
}

LegacyResultMessage LegacyResultMessageFor(const tb::storage::LegacyConversion& result, const std::string& newPath,
                                           const std::string& programFolder) {
  using tb::storage::CreateStatus;
  using tb::storage::LegacyStatus;
  LegacyResultMessage m;
  auto failure = [&m](uint32_t number) {
    m.textNumber = number;
    m.text = tb::ui::Text(number);
    m.captionNumber = tb::ui::kCaptionError;
    m.icon = tb::ui::MessageIcon::Stop;
  };
  // The statuses of creating the new wallet share numbers with the
  // conversion's own (7 and 9 above all): the message goes by what failed,
  // not by the number alone.
  switch (result.status) {
    case LegacyStatus::Converted:
      m.text = Formatted(kStrConverted, tb::ui::ToU16(QString::fromStdString(newPath)));
      return m;
    case LegacyStatus::WrongPassword:
      m.textNumber = kStrConvertWrongPassword;
      m.text = tb::ui::Text(kStrConvertWrongPassword);
      return m;
    case LegacyStatus::NotALegacyWallet: failure(kStrNotALegacyWallet); return m;
    case LegacyStatus::NoCustomFormFile:
      failure(kStrNoDefinitionFile);
      m.textNumber = 0;
      m.text = Formatted(kStrNoDefinitionFile, tb::ui::ToU16(QString::fromStdString(programFolder)));
      return m;
    case LegacyStatus::CreateFailed:
      if (result.create == CreateStatus::NoPassword) {
        failure(kStrConvertNeedsPassword);
        return m;
      }
      if (result.create == CreateStatus::Exists) {
        failure(kStrNotConverted);
        return m;
      }
      break;
    case LegacyStatus::CannotOpen: break;
  }
  failure(kStrNotConverted);
  m.textNumber = 0;
  m.text = QStringLiteral("%1 (%2)").arg(tb::ui::Text(kStrNotConverted)).arg(result.number());
  return m;
}

std::string ConvertLegacyWalletInteractively(QWidget* owner, AppContext& context, const std::string& walPath) {
  if (tb::ui::ShowMessage(owner, kStrConvertQuestion, tb::ui::kCaptionInformation, tb::ui::MessageIcon::Question,
                          tb::ui::Buttons::YesNo) != tb::ui::Answer::Yes)
    return {};

  // The old file keeps its own password check, which the conversion makes:
  // the prompt takes whatever is typed. It names the old file in full, so
  // that it is not taken for the new wallet's prompt that follows.
  tb::dialogs::PasswordPromptOptions prompt;
  prompt.walletName = tb::ui::ToU16(QFileInfo(QString::fromStdString(walPath)).fileName());
  const std::optional<tb::storage::Text> password =
      tb::dialogs::AskWalletPassword(owner, nullptr, context.settings, prompt);
  if (!password) return {};

  const std::string programFolder = tb::platform::ProgramDirectory();
  const tb::storage::LegacyConvertOptions options = LegacyOptionsFor(context, programFolder);
  std::string newPath;
  tb::storage::LegacyConversion result;
  {
    WaitCursor wait;
    result = tb::storage::ConvertLegacyWallet(walPath, std::u16string_view(password->data(), password->size()), options,
                                              &newPath);
  }
  const LegacyResultMessage message = LegacyResultMessageFor(result, newPath, programFolder);
  if (message.textNumber != 0) {
    tb::ui::ShowMessage(owner, message.textNumber, message.captionNumber, message.icon);
  } else {
    tb::ui::ShowMessageText(owner, message.text, message.captionNumber, message.icon);
  }
  return result.ok() ? newPath : std::string();
}

void WireLegacyConversion(MainWindow& window) {
  window.legacyConversion = [](MainWindow& w, const std::string& walPath) {
    return ConvertLegacyWalletInteractively(&w, w.Context(), walPath);
  };
}

}  // namespace tb::shell
