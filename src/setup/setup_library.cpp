// TamberlockPro2006_MobileSetup: the four entry points. The library finds
// everything it shares with the program by the program's own rules: the
// settings file, the language modules' names, the documents folder and
// the instance channel.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/core/instance_channel.h"
#include "platform/core/registry.h"
#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "setup/setup_exports.h"
#include "setup/setup_files.h"
#include "setup/setup_language_dialog.h"
#include "setup/setup_strings.h"

namespace tb::setup {

namespace {

constexpr const char* kKey = "HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 5";
constexpr const char* kParentKey = "HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten";
constexpr const char* kKeyShown = "SOFTWARE\\Quillimarsten\\Tamberlock Pro 5";
constexpr const char16_t* kLangPref = u"LangPref";
constexpr const char16_t* kMru = u"MRU";
constexpr const char16_t* kClean = u"Clean";
constexpr const char16_t* kClean2 = u"Clean2";
// The oldest system the program runs on, 0x501 written in hexadecimal.
constexpr const char* kMinimumVersion = "501";
constexpr size_t kMinMruLength = 5;
// How long the removal waits for a running program to save and go.
constexpr int kCloseWaitMs = 10000;
// Windows' "disposition" values of a created or opened key.
constexpr int kCreatedNewKey = 1, kOpenedExistingKey = 2;
// What a settings file that cannot be read reports, as the system would.
constexpr int kErrorBadFile = 1006;  // ERROR_BADDB

// Set when the removal is to take the settings without asking; cleared as
// the library is loaded.
bool g_cleanRequested = false;

// tbsetup --yes: every question answered Yes, every notice taken as read.
bool AnswerEverything() { return qApp && qApp->property("tbSetupAnswerYes").toBool(); }

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

QMessageBox::StandardButton Show(void* parent, const QString& caption, const QString& text,
                                 QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) {
  // Without an application nobody can be asked: nothing is agreed to.
  if (!qApp) {
    if (buttons & QMessageBox::No) return QMessageBox::No;
    if (buttons & QMessageBox::Cancel) return QMessageBox::Cancel;
    return QMessageBox::Ok;
  }
  if (AnswerEverything()) {
    if (buttons & QMessageBox::Yes) return QMessageBox::Yes;
    return QMessageBox::Ok;
  }
  QMessageBox box(icon, caption, text, buttons, static_cast<QWidget*>(parent));
  box.setObjectName(QStringLiteral("TbSetupMessage"));
  box.setTextFormat(Qt::PlainText);
  const int answer = box.exec();
  // Closed without a button: what the cancelling button would say.
  if (answer != QMessageBox::Ok && answer != QMessageBox::Cancel && answer != QMessageBox::Yes &&
      answer != QMessageBox::No)
    return (buttons & QMessageBox::No) ? QMessageBox::No : QMessageBox::Cancel;
  return QMessageBox::StandardButton(answer);
}

// The settings key "created or opened": the settings file read (or missing,
// which is an empty one). A file that cannot be read is never written over.
struct KeyAccess {
  platform::Registry registry{platform::Registry::DefaultPath()};
  bool opened = !registry.LoadFailed();
  int disposition = opened ? (registry.KeyExists(kKey) ? kOpenedExistingKey : kCreatedNewKey) : 0;
  int error = opened ? 0 : kErrorBadFile;
};

std::optional<uint32_t> ReadDword(const platform::Registry& r, const char16_t* name) {
  const auto value = r.Get(kKey, name);
  if (!value || value->type != platform::RegistryValue::Type::Dword) return std::nullopt;
  return value->dword;
}

// Clean, else Clean2: 1 asks for the settings to go without a question.
bool CleanRequestedIn(const platform::Registry& r) {
  std::optional<uint32_t> value = ReadDword(r, kClean);
  if (!value) value = ReadDword(r, kClean2);
  return value && *value == 1;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  const std::string other(b);
  if (a.size() != other.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)other[i])) return false;
  return true;
}

void Pause(int ms) { QThread::msleep(ms); }

}  // namespace

}  // namespace tb::setup

using namespace tb::setup;
namespace platform = tb::platform;

extern "C" int32_t Install_Init(void* parent, uint32_t firstCall, uint32_t previouslyInstalled,
                                const char* installFolder) {
  // "501": the major version is all but the last two digits, the minor
  // version those two.
  const std::string minimum = kMinimumVersion;
  const auto number = [](const std::string& digits) {
    uint32_t n = 0;
    for (const char c : digits) n = n * 10 + uint32_t(c - '0');
    return n;
  };
  const uint32_t needMajor = number(minimum.substr(0, minimum.size() - 2));
  const uint32_t needMinor = number(minimum.substr(minimum.size() - 2));
  platform::OsVersion version;
  if (!platform::QueryOsVersion(&version) || version.major != needMajor || version.minor < needMinor)
    return TB_SETUP_CANCEL;

  KeyAccess key;
  if (!key.opened) {
    char text[512];
    std::snprintf(text, sizeof text, "RegCreateKeyEx (HKEY_CURRENT_USER, %s, 0, 0, 0, 0, NULL, %p[%p], %p[%d]) == %d",
                  kKeyShown, static_cast<void*>(&key.registry), static_cast<void*>(nullptr),
                  static_cast<void*>(&key.disposition), key.disposition, key.error);
    Show(parent, QStringLiteral("TB Error Install_Init"), QString::fromUtf8(text), QMessageBox::Ok,
         QMessageBox::Critical);
  } else if (!key.registry.KeyExists(kKey)) {
    key.registry.CreateKey(kKey);
    key.registry.Save();
  }

  const std::u16string text =
      FormatSetupText(SetupText(kStrInstallConfirm),
                      {std::u16string_view(ProductName()), std::u16string_view(VersionLine()), int64_t(BuildYear())});
  const auto answer =
      Show(parent, Q(SetupText(kStrCaption)), Q(text), QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Information);
  return answer == QMessageBox::Ok ? TB_SETUP_CONTINUE : TB_SETUP_CANCEL;
}

extern "C" int32_t Install_Exit(void* parent, const char* installFolder, uint32_t, uint32_t, uint32_t, uint32_t,
                                uint32_t) {
  const bool smartphone = EqualsNoCase(platform::PlatformType(), "SmartPhone");
  KeyAccess key;
  if (!key.opened && key.disposition != kOpenedExistingKey) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "RegCreateKeyEx (HKEY_CURRENT_USER, qzszRegKey,..) returned %d, hKey = %p, dwDisp = %d", key.error,
                  static_cast<void*>(nullptr), key.disposition);
    Show(parent, QStringLiteral("TB error test"), QString::fromUtf8(text), QMessageBox::Ok, QMessageBox::Critical);
  }
  // A clean request is carried across a reinstallation.
  if (key.opened) {
    if (const auto clean = ReadDword(key.registry, kClean)) {
      key.registry.SetDword(kKey, kClean2, *clean);
      key.registry.Save();
      Pause(5);
    }
  }

  // The language: the modules found, the one chosen kept.
  const std::string folder = installFolder ? installFolder : "";
  const std::vector<LanguageModuleFile> modules = FindModules(folder);
  uint16_t chosen = 0;
  if (!modules.empty()) {
    std::vector<uint16_t> languages;
    for (const LanguageModuleFile& m : modules) languages.push_back(m.languageId);
    chosen = ChooseLanguage(static_cast<QWidget*>(parent), languages, smartphone, platform::UserLanguageId(),
                            !qApp || AnswerEverything());
    DeleteOtherModules(modules, chosen);
  }
  if (chosen != 0 && key.opened) {
    Pause(5);
    Pause(10);
    key.registry.SetDword(kKey, kLangPref, chosen);
    if (!key.registry.Save()) QApplication::beep();
  }
  QApplication::beep();

  // The samples, and the sample wallet as the one the program opens first.
  const uint16_t textLanguage = chosen != 0 ? chosen : platform::UserLanguageId();
  const std::string samples = SamplesFolder();
  if (!samples.empty()) {
    const std::string walletName = LocalisedSampleName(kStrSampleWallet, textLanguage);
    const auto mru = key.registry.Get(kKey, kMru);
    const bool seed = !mru || mru->type != platform::RegistryValue::Type::String || mru->text.size() < kMinMruLength;
    if (key.opened && seed && !walletName.empty()) {
      key.registry.SetString(kKey, kMru, platform::FromUtf8(samples + "/" + walletName));
      key.registry.Save();
    }
    PlaceSamples(samples, textLanguage);
  }
  return TB_SETUP_CONTINUE;
}

extern "C" int32_t Uninstall_Init(void* parent, const char* installFolder) {
  g_cleanRequested = false;  // a removal starts afresh
  // A running program is asked to close, and waited for: it saves its
  // settings as it ends, which would bring back what the removal takes.
  const platform::InstanceChannelPaths channel = platform::InstanceChannelPathsFor(platform::kInstanceName);
  if (!channel.socket.empty()) {
    QElapsedTimer timer;
    timer.start();
    platform::ChannelConnect sent = platform::ChannelConnect::Busy;
    while (sent == platform::ChannelConnect::Busy && timer.elapsed() < kCloseWaitMs) {
      sent = platform::SendInstanceRequest(channel.socket, {platform::InstanceRequestKind::Close, ""});
      if (sent == platform::ChannelConnect::Busy) Pause(50);
    }
    if (sent == platform::ChannelConnect::Connected)
      platform::WaitUntilInstanceGone(channel.socket, int(std::max<qint64>(0, kCloseWaitMs - timer.elapsed())));
  }

  KeyAccess key;
  if (!key.opened) return TB_SETUP_CONTINUE;
  if (CleanRequestedIn(key.registry)) g_cleanRequested = true;
  return TB_SETUP_CONTINUE;
}

extern "C" int32_t Uninstall_Exit(void* parent) {
  KeyAccess key;
  if (!g_cleanRequested && key.opened && CleanRequestedIn(key.registry)) g_cleanRequested = true;
  const std::u16string product = SetupText(kStrShortProduct);
  bool remove = g_cleanRequested;
  if (!remove) {
    const std::u16string text = FormatSetupText(
        SetupText(kStrRemoveQuestion),
        {std::u16string_view(product), std::u16string_view(VersionLine()), std::u16string_view(product)});
    remove = Show(parent, Q(SetupText(kStrCaption)), Q(text), QMessageBox::Yes | QMessageBox::No,
                  QMessageBox::Question) == QMessageBox::Yes;
  }
  if (remove && key.opened) {
    key.registry.DeleteKey(kKey);
    if (key.registry.KeyIsEmpty(kParentKey)) key.registry.DeleteKey(kParentKey);
    key.registry.Save();
  }
  if (g_cleanRequested) return TB_SETUP_CONTINUE;
  Show(parent, Q(SetupText(kStrCaption)), Q(FormatSetupText(SetupText(kStrRemoved), {std::u16string_view(product)})),
       QMessageBox::Ok, QMessageBox::Information);
  return TB_SETUP_CONTINUE;
}
