#include "platform/ui/modal_dialog.h"

#include <QApplication>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/ui/activity_clock.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/soft_key_bar.h"

namespace tb::ui {

ModalDialog::ModalDialog(QWidget* parent, int templateId) : QDialog(parent), templateId_(templateId) {
  setModal(true);
  setObjectName(templateId ? QStringLiteral("Dialog%1").arg(templateId) : QStringLiteral("Dialog"));
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  body_ = new QWidget(this);
  body_->setObjectName(QStringLiteral("DialogBody"));
  layout_->addWidget(body_, 1);
}

ModalDialog::~ModalDialog() {
  if (filtering_) qApp->removeEventFilter(this);
}

int ModalDialog::RunModal() {
  if (!initialised_) {
    initialised_ = true;
    OnInitDialog();
  }
  return exec();
}

void ModalDialog::EndDialog(int result) {
  OnEndDialog(result);
  QDialog::done(result);
}

bool ModalDialog::SetMenuBar(int id) {
  if (!bar_) {
    auto* bar = new SoftKeyBar(this);
    if (!bar->SetMenuBar(id)) {
      delete bar;
      return false;
    }
    bar_ = bar;
    bar_->SetTarget(this, this);
    layout_->addWidget(bar_, 0);
    return true;
  }
  return bar_->SetMenuBar(id);
}

void ModalDialog::Dispatch(int commandId) {
  switch (commandId) {
    case kCmdOk:
    case kCmdDone: EndDialog(kResultOk); break;
    case kCmdCancel:
    case kCmdMenuCancel: EndDialog(kResultCancel); break;
    default: break;
  }
}

bool ModalDialog::event(QEvent* event) {
  ActivityClock::Record();
  return QDialog::event(event);
}

bool ModalDialog::eventFilter(QObject* watched, QEvent* event) {
  // Events of the dialog's own controls count as activity too: typing into
  // an edit reaches the edit, not the dialog.
  if (watched != this && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() == this) ActivityClock::Record();
  }
  return QDialog::eventFilter(watched, event);
}

void ModalDialog::showEvent(QShowEvent* event) {
  if (!initialised_) {
    initialised_ = true;
    OnInitDialog();
  }
  if (!filtering_) {
    qApp->installEventFilter(this);
    filtering_ = true;
  }
  if (fullScreen_ && parentWidget()) setGeometry(parentWidget()->window()->geometry());
  QDialog::showEvent(event);
  if (!grabbed_ && !ScreenshotDirectory().isEmpty()) {
    grabbed_ = true;
    // In screenshot mode nobody answers: the picture is taken (once what
    // the dialog fills in after showing itself is there) and the dialog
    // cancelled, so the program goes on to its next window.
    QTimer::singleShot(200, this, [this] {
      GrabToScreenshotDirectory(this, objectName());
      EndDialog(2);
    });
  }
}

void ModalDialog::hideEvent(QHideEvent* event) {
  if (filtering_) {
    qApp->removeEventFilter(this);
    filtering_ = false;
  }
  QDialog::hideEvent(event);
}

}  // namespace tb::ui
