#pragma once
// Starting other programs: the e-mail composer, a telephone call, the web
// browser, the help page and documents by their type. All go through one
// seam: the program hands addresses to the desktop, tests record them.
#include <QString>
#include <QUrl>

namespace tb::ui {

class Launcher {
 public:
  virtual ~Launcher() = default;
  // True when the address was handed on.
  virtual bool Open(const QUrl& address) = 0;
};

// Hands addresses to the desktop (QDesktopServices).
class DesktopLauncher : public Launcher {
 public:
  bool Open(const QUrl& address) override;
};

// The launcher in use: the DesktopLauncher unless a ScopedLauncher lives.
Launcher& CurrentLauncher();

class ScopedLauncher {
 public:
  explicit ScopedLauncher(Launcher* launcher);
  ~ScopedLauncher();
  ScopedLauncher(const ScopedLauncher&) = delete;
  ScopedLauncher& operator=(const ScopedLauncher&) = delete;

 private:
  Launcher* previous_;
};

// The addresses each request makes; exposed so that callers and tests
// agree on them.
QUrl MailAddress(const QString& address);      // mailto:address
QUrl TelephoneAddress(const QString& number);  // tel:number
// A web address as typed: "http://" is put before one without a scheme.
// Only http, https and ftp addresses of a named host are web pages; any
// other scheme (file:, javascript:, a desktop handler) or a malformed
// address gives an empty (invalid) address, which nobody opens.
QUrl WebAddress(const QString& address);
QUrl DocumentAddress(const QString& path);  // file: of a local path

bool SendMail(const QString& address);
bool Dial(const QString& number);
// False, and nothing opened, for an address WebAddress refuses.
bool OpenWebPage(const QString& address);
bool OpenDocument(const QString& path);
// The help page helpFile beside the program.
bool OpenHelp(const QString& helpFile);

}  // namespace tb::ui
