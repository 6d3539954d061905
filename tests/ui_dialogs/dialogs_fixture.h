#pragma once
// What the dialog tests share: the English language module as the text
// source, settings of either variant, running a modal dialog with a script
// that acts on it once it shows, and where screenshots go.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "platform/ui/modal_dialog.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/core/settings.h"
#include "ui_support/dialog_waits.h"

namespace tb::dialogs::test {

inline const tb::shell::LanguageModule& English() {
  static tb::shell::LanguageModule module = [] {
    tb::shell::LanguageModule m;
    m.Load(std::string(TB_MODULE_DIR) + "/ostreltbpro2006.exe.0409.mui");
    return m;
  }();
  return module;
}

inline tb::shell::Settings SettingsFor(bool smartphone) {
  return tb::shell::Settings(smartphone ? tb::shell::PlatformVariant::Smartphone
                                        : tb::shell::PlatformVariant::PocketPC);
}

// Runs action on the next modal dialog with this template once it shows
// (polling, so that it also finds dialogs a flow opens on its own). A
// dialog that does not show within ten seconds fails the test.
inline void WhenDialogShows(int templateId, std::function<void(tb::ui::ModalDialog&)> action) {
  const int wait = tb::test::StartDialogWait(QStringLiteral("dialog with template %1").arg(templateId));
  auto* poll = new QTimer(qApp);
  poll->setInterval(5);
  auto ticks = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, [poll, templateId, action, wait, ticks] {
    if (!tb::test::DialogWaitStillWanted(wait) || ++*ticks > 2000) {
      if (*ticks > 2000) tb::test::DialogWaitGaveUp(wait);
      poll->stop();
      poll->deleteLater();
      return;
    }
    auto* dialog = qobject_cast<tb::ui::ModalDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->TemplateId() != templateId || !dialog->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    tb::test::DialogWaitMet(wait);
    action(*dialog);
  });
  poll->start();
}

// Runs act on the first modal dialog of type T once it shows (dialogs
// opened from dialogs run their own event loops). A dialog that does not
// show within three seconds fails the test.
template <typename T>
void WhenShown(std::function<void(T*)> act, int triesLeft = 300, int wait = 0) {
  if (wait == 0) wait = tb::test::StartDialogWait(QStringLiteral("dialog %1").arg(typeid(T).name()));
  QTimer::singleShot(10, [act, triesLeft, wait] {
    if (!tb::test::DialogWaitStillWanted(wait)) return;
    if (auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget())) {
      tb::test::DialogWaitMet(wait);
      act(dialog);
    } else if (triesLeft > 0) {
      WhenShown<T>(act, triesLeft - 1, wait);
    } else {
      tb::test::DialogWaitGaveUp(wait);
    }
  });
}

inline void Type(QLineEdit* edit, const QString& text) { QTest::keyClicks(edit, text); }

inline QString ScreenshotPath(const QString& name) {
  const QString dir = QStringLiteral(TB_MODULE_DIR "/../tests/screenshots");
  QDir().mkpath(dir);
  return QDir(dir).filePath(name + QStringLiteral(".png"));
}

}  // namespace tb::dialogs::test
