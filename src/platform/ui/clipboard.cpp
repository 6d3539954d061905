#include "platform/ui/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "platform/ui/texts.h"

namespace tb::ui {
namespace {

QClipboard* SystemClipboard() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

QByteArray NewMark() {
  return QByteArray::number(qulonglong(tb::platform::Random32()) << 32 | tb::platform::Random32(), 16);
}

}  // namespace

ClipboardService* ClipboardService::Instance() {
  static QPointer<ClipboardService> instance;
  if (!instance && QCoreApplication::instance()) instance = new ClipboardService(QCoreApplication::instance());
  return instance;
}

ClipboardService::ClipboardService(QObject* parent) : QObject(parent) {
  timer_.setInterval(kClipboardCheckMs);
  connect(&timer_, &QTimer::timeout, this, &ClipboardService::CheckExpiry);
  // The program's end takes our copy with it.
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &ClipboardService::ClearOurs);
}

uint32_t ClipboardService::PeriodSeconds() const {
  return periodSource_ ? periodSource_() : kDefaultClipboardClearSeconds;
}

bool ClipboardService::CopySecret(const QString& text, bool windows1252) {
  QClipboard* clipboard = SystemClipboard();
  if (!clipboard || text.isEmpty()) return false;
  auto* data = new QMimeData;
  data->setText(text);
  if (windows1252) {
    const std::string bytes = tb::platform::ToWindows1252(ToU16(text));
    data->setData(QString::fromLatin1(kWindows1252Format), QByteArray(bytes.data(), qsizetype(bytes.size())));
  }
  data->setData(QString::fromLatin1(kPasswordManagerHintFormat), QByteArray(kPasswordManagerHintSecret));
  mark_ = NewMark();
  data->setData(QString::fromLatin1(kCopyMarkFormat), mark_);
  clipboard->setMimeData(data);

  // Seconds are kept in 64 bits: the largest period a setting can hold
  // (0xFFFFFFFF) is a deadline far off, never one already past.
  const uint32_t seconds = PeriodSeconds();
  pending_ = seconds != 0;
  if (pending_) {
    deadline_ = tb::platform::ToEpochSeconds(tb::platform::LocalTime()) + int64_t(seconds);
    periodMs_ = int64_t(seconds) * 1000;
    elapsed_.start();
    timer_.start();
  } else {
    timer_.stop();
  }
  return true;
}

bool ClipboardService::HoldsOurCopy() const {
  if (mark_.isEmpty()) return false;
  QClipboard* clipboard = SystemClipboard();
  if (!clipboard) return false;
  const QMimeData* data = clipboard->mimeData();
  return data && data->data(QString::fromLatin1(kCopyMarkFormat)) == mark_;
}

void ClipboardService::ClearOurs() {
  pending_ = false;
  timer_.stop();
  if (HoldsOurCopy()) SystemClipboard()->clear();
  mark_.clear();
}

void ClipboardService::CheckExpiry() {
  if (!pending_) {
    timer_.stop();
    return;
  }
  if (!HoldsOurCopy()) {
    // Somebody copied something else: nothing of ours is left to clear.
    pending_ = false;
    timer_.stop();
    mark_.clear();
    return;
  }
  const bool dueByClock = tb::platform::ToEpochSeconds(tb::platform::LocalTime()) >= deadline_;
  if (dueByClock || elapsed_.elapsed() >= periodMs_) ClearOurs();
}

}  // namespace tb::ui
