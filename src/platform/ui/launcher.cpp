#include "platform/ui/launcher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QRegularExpression>

namespace tb::ui {
namespace {
Launcher* g_current = nullptr;
}  // namespace

bool DesktopLauncher::Open(const QUrl& address) { return address.isValid() && QDesktopServices::openUrl(address); }

Launcher& CurrentLauncher() {
  static DesktopLauncher real;
  return g_current ? *g_current : real;
}

ScopedLauncher::ScopedLauncher(Launcher* launcher) : previous_(g_current) { g_current = launcher; }
ScopedLauncher::~ScopedLauncher() { g_current = previous_; }

QUrl MailAddress(const QString& address) {
  QUrl url;
  url.setScheme(QStringLiteral("mailto"));
  url.setPath(address.trimmed());
  return url;
}

QUrl TelephoneAddress(const QString& number) {
  QUrl url;
  url.setScheme(QStringLiteral("tel"));
  url.setPath(number.trimmed());
  return url;
}

QUrl WebAddress(const QString& address) {
  const QString text = address.trimmed();
  if (text.isEmpty()) return QUrl();
  // A scheme is letters, digits, "+", "-" and "." after a letter, then ":".
  // "host:8080" is a host and a port, not a scheme.
  static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*):(?!\\d)"));
  const QRegularExpressionMatch match = scheme.match(text);
  QUrl url;
  if (match.hasMatch()) {
    const QString name = match.captured(1).toLower();
    if (name != QLatin1String("http") && name != QLatin1String("https") && name != QLatin1String("ftp")) return QUrl();
    url = QUrl(text, QUrl::TolerantMode);
  } else {
    url = QUrl(QStringLiteral("http://") + text, QUrl::TolerantMode);
  }
  // Only a page on a named host goes out.
  if (!url.isValid() || url.host().isEmpty()) return QUrl();
  return url;
}

QUrl DocumentAddress(const QString& path) { return QUrl::fromLocalFile(path); }

bool SendMail(const QString& address) { return CurrentLauncher().Open(MailAddress(address)); }
bool Dial(const QString& number) { return CurrentLauncher().Open(TelephoneAddress(number)); }
bool OpenWebPage(const QString& address) {
  const QUrl url = WebAddress(address);
  return url.isValid() && CurrentLauncher().Open(url);
}
bool OpenDocument(const QString& path) { return CurrentLauncher().Open(DocumentAddress(path)); }

bool OpenHelp(const QString& helpFile) {
  const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
  return CurrentLauncher().Open(DocumentAddress(QDir(folder).filePath(helpFile)));
}

}  // namespace tb::ui
