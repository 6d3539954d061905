#pragma once
// The wired program for tests: the English language module, an AppContext
// whose registry is a file in a temporary folder, and a main window with
// every dialog wired as the program wires it. Modal dialogs are answered
// by polling for them (they run their own event loops); message boxes by
// a ScriptedMessageBoxes the test keeps.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/password_entry_dialog.h"
#include "dialogs/title_bar.h"
#include "dialogs/upgrade_progress_dialog.h"
#include "platform/core/registry.h"
#include "platform/ui/controls.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/texts.h"
#include "shell/app/dialog_wiring.h"
#include "shell/window/main_window.h"
#include "support/temp_dir.h"

namespace tb::test {

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
inline bool Exists(const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); }

inline QString ScreenshotPath(const QString& name) {
  const QString dir = QStringLiteral(TB_MODULE_DIR "/../tests/screenshots");
  QDir().mkpath(dir);
  return QDir(dir).filePath(name + QStringLiteral(".png"));
}

struct WiredProgram {
  TempDir dir;
  tb::shell::AppContext context;
  std::unique_ptr<tb::shell::MainWindow> window;

  WiredProgram() {
    context.language.Load(std::string(TB_MODULE_DIR) + "/ostreltbpro2006.exe.0409.mui");
    context.registry = std::make_unique<tb::platform::Registry>(dir.File("registry.reg"));
    context.wallet.SetTextSource(&context.language);
    tb::ui::SetTextSource(&context.language);
    window = std::make_unique<tb::shell::MainWindow>(context);
    window->SetMenuBar(tb::shell::kBarBrowse);
    tb::shell::WireDialogs(*window);
  }
  ~WiredProgram() {
    window.reset();
    tb::ui::SetTextSource(nullptr);
  }

  QStringList TopLevelTexts() const {
    QStringList out;
    for (int i = 0; i < window->Tree()->topLevelItemCount(); ++i) out << window->Tree()->topLevelItem(i)->text(0);
    return out;
  }
  QStringList ChildTexts(const QString& top) const {
    QStringList out;
    for (int i = 0; i < window->Tree()->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = window->Tree()->topLevelItem(i);
      if (item->text(0) != top) continue;
      for (int c = 0; c < item->childCount(); ++c) out << item->child(c)->text(0);
    }
    return out;
  }
};

// Answers the password prompts as they show, in order: a text is typed and
// confirmed, nullopt (or running out of answers) cancels the prompt. A
// prompt that keeps the user after an answer (a wrong password) is
// cancelled and counted. Each prompt's title bar is kept; the first can be
// grabbed to a picture.
class PasswordAnswers {
 public:
  explicit PasswordAnswers(std::vector<std::optional<QString>> answers) : answers_(std::move(answers)) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start();
  }

  std::vector<QString> titles;
  int refused = 0;
  QString screenshotOfFirst;  // a path: the first prompt is grabbed there

 private:
  void Poll() {
    auto* dialog = qobject_cast<tb::dialogs::PasswordEntryDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    if (dialog == last_) {
      ++refused;
      dialog->Dispatch(tb::ui::kCmdMenuCancel);
      return;
    }
    last_ = dialog;
    const auto* bar = tb::ui::FindControl<tb::dialogs::TitleBar>(dialog, tb::dialogs::kIdTitleBar);
    titles.push_back(bar ? bar->Text() : QString());
    if (titles.size() == 1 && !screenshotOfFirst.isEmpty()) tb::ui::GrabToPng(dialog, screenshotOfFirst);
    const size_t n = titles.size() - 1;
    if (n >= answers_.size() || !answers_[n]) {
      dialog->Dispatch(tb::ui::kCmdMenuCancel);
      return;
    }
    QTest::keyClicks(dialog->Edit(), *answers_[n]);
    dialog->Dispatch(tb::ui::kCmdDone);
  }

  std::vector<std::optional<QString>> answers_;
  QTimer poll_;
  QPointer<tb::dialogs::PasswordEntryDialog> last_;
};

// Watches for the upgrade's progress dialog while an open runs.
class ProgressWatch {
 public:
  ProgressWatch() {
    poll_.setInterval(2);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start();
  }

  int sightings = 0;
  int endings = 0;  // times the dialog ended
  std::vector<int> values;
  QString title, windowTitle, explanation;
  QString screenshotOfFirst;

 private:
  void Poll() {
    auto* dialog = qobject_cast<tb::dialogs::UpgradeProgressDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    if (sightings++ == 0) {
      QObject::connect(dialog, &QDialog::finished, [this] { ++endings; });
      const auto* bar = tb::ui::FindControl<tb::dialogs::TitleBar>(dialog, tb::dialogs::kIdTitleBar);
      title = bar ? bar->Text() : QString();
      windowTitle = dialog->windowTitle();
      explanation = dialog->Explanation();
      if (!screenshotOfFirst.isEmpty()) tb::ui::GrabToPng(dialog, screenshotOfFirst);
    }
    if (values.empty() || values.back() != dialog->Value()) values.push_back(dialog->Value());
  }

  QTimer poll_;
};

// The progress dialogs that still show.
inline int VisibleProgressDialogs() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<tb::dialogs::UpgradeProgressDialog*>(w) && w->isVisible()) ++n;
  return n;
}

}  // namespace tb::test
