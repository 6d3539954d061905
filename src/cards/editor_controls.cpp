#include "cards/editor_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QStyle>

#include <algorithm>

#include "cards/card_images.h"
#include "platform/core/system.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/texts.h"

namespace tb::cards {
namespace {

using tb::platform::SystemTime;

constexpr int kControlFont = 1;
// "No extra limit" for field values: as long as any stored text can be.
constexpr int kNoLimit = 1 << 30;

QDateTime ToQDateTime(const SystemTime& t) {
  return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

SystemTime FromQDateTime(const QDateTime& dt) {
  SystemTime t;
  const QDate d = dt.date();
  const QTime time = dt.time();
  t.year = uint16_t(d.year());
  t.month = uint16_t(d.month());
  t.day = uint16_t(d.day());
  t.dayOfWeek = uint16_t(d.dayOfWeek() % 7);  // Sunday is 0
  t.hour = uint16_t(time.hour());
  t.minute = uint16_t(time.minute());
  t.second = uint16_t(time.second());
  return t;
}

bool IsLetter(QChar c) { return c.isLetter(); }

void ApplyFont(QWidget* widget) {
  if (const QFont* font = ui::FontService::Font(kControlFont)) widget->setFont(*font);
}

}  // namespace

ControlType ControlForKind(int kind, bool smartphone) {
  switch (kind) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 14:
    case 15:
    case 16: return kControlText;
    case 8: return kControlDate;
    case 9: return kControlTime;
    case 10: return kControlDateTime;
    case 11:
    case 12: return smartphone ? kControlList : kControlCombo;
    case 13: return kControlCheck;
    default: return kControlNone;
  }
}

Capitals CapitalsForKind(int kind) {
  if (kind == 15) return Capitals::FirstLetter;
  if (kind == 16) return Capitals::EveryWord;
  return Capitals::Off;
}

QString Capitalised(const QString& typed, const QString& before, Capitals mode) {
  if (mode == Capitals::Off) return typed;
  QString out = typed;
  QString left = before;
  for (qsizetype i = 0; i < out.size(); ++i) {
    const QChar c = out[i];
    if (IsLetter(c)) {
      const bool startsWord = left.isEmpty() || left.back().isSpace();
      const bool first = left.trimmed().isEmpty();
      if ((mode == Capitals::EveryWord && startsWord) || (mode == Capitals::FirstLetter && first)) out[i] = c.toUpper();
    }
    left += out[i];
  }
  return out;
}

QString QtFormatOf(const std::u16string& picture) {
  const QString in = ui::ToQString(picture);
  QString out;
  for (qsizetype i = 0; i < in.size();) {
    const QChar c = in[i];
    if (c == QLatin1Char('\'')) {
      // A quoted literal: the same in both.
      const qsizetype end = in.indexOf(QLatin1Char('\''), i + 1);
      const qsizetype stop = end < 0 ? in.size() : end + 1;
      out += in.mid(i, stop - i);
      i = stop;
      continue;
    }
    qsizetype run = 1;
    while (i + run < in.size() && in[i + run] == c) ++run;
    const QString token = in.mid(i, run);
    switch (c.unicode()) {
      case 'd':
      case 'M':
      case 'h':
      case 'H':
      case 'm':
      case 's': out += token; break;
      case 'y': out += run >= 3 ? QStringLiteral("yyyy") : QStringLiteral("yy"); break;
      case 't': out += QStringLiteral("AP"); break;
      default:
        // Anything else is text; letters Qt would read are quoted.
        if (c.isLetter()) out += QLatin1Char('\'') + token + QLatin1Char('\'');
        else out += token;
        break;
    }
    i += run;
  }
  return out;
}

// --- PickerControl ---

PickerControl::PickerControl(QWidget* parent, int id, int type) : QWidget(parent), type_(type) {
  ui::SetControlId(this, id);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(ui::Scale(2));
  box_ = new QCheckBox(this);
  box_->setObjectName(QStringLiteral("none"));
  edit_ = new QDateTimeEdit(this);
  const auto& formats = tb::platform::UserDateTimeFormats();
  std::u16string date = formats.shortDate;
  // The date picker shows the century.
  if (date.find(u"yyyy") == std::u16string::npos) {
    const size_t y = date.find(u"yy");
    if (y != std::u16string::npos) date.replace(y, 2, u"yyyy");
  }
  switch (type) {
    case kControlDate: edit_->setDisplayFormat(QtFormatOf(date)); break;
    case kControlTime: edit_->setDisplayFormat(QtFormatOf(formats.time)); break;
    default: edit_->setDisplayFormat(QtFormatOf(date) + QStringLiteral("'   '") + QtFormatOf(formats.time)); break;
  }
  edit_->setCalendarPopup(type != kControlTime);
  edit_->setContextMenuPolicy(Qt::NoContextMenu);
  row->addWidget(box_);
  row->addWidget(edit_, 1);
  setFocusProxy(edit_);
  // Changing the value ticks the box, as picking a date does.
  connect(edit_, &QDateTimeEdit::dateTimeChanged, this, [this] {
    if (edit_->hasFocus()) box_->setChecked(true);
  });
}

std::optional<SystemTime> PickerControl::Value() const {
  if (!box_->isChecked()) return std::nullopt;
  return FromQDateTime(edit_->dateTime());
}

void PickerControl::Load(const SystemTime* value) {
  const bool set = value && !value->IsZero() && tb::platform::IsValidSystemTime(*value);
  const QSignalBlocker block(edit_);
  edit_->setDateTime(ToQDateTime(set ? *value : tb::platform::LocalTime()));
  box_->setChecked(set);
}

QString PickerControl::ValueText() const {
  const std::optional<SystemTime> value = Value();
  if (!value) return QString();
  switch (type_) {
    case kControlDate: return ui::ToQString(tb::platform::FormatShortDate(*value));
    case kControlTime: return ui::ToQString(tb::platform::FormatTime(*value));
    default:
      return ui::ToQString(tb::platform::FormatShortDate(*value)) + QStringLiteral("  ") +
             ui::ToQString(tb::platform::FormatTime(*value));
  }
}

// --- DotsButton ---

DotsButton::DotsButton(QWidget* parent) : QAbstractButton(parent) {
  ui::SetControlId(this, kIdDotsButton);
  setFocusPolicy(Qt::ClickFocus);
  setCursor(Qt::ArrowCursor);
}

void DotsButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  const bool focused = hasFocus();
  p.fillRect(r, Qt::black);
  if (!focused) p.fillRect(r.adjusted(1, 1, -1, -1), Qt::white);
  const int bitmap = EllipsisBitmap(ui::DpiX());
  QImage dots = EllipsisImage(bitmap, focused ? 1 : 0);
  // A button narrower than the picture (a thin scroll bar) shows it smaller.
  const int room = std::max(1, std::min(r.width(), r.height()) - 2);
  if (dots.width() > room) dots = dots.scaled(room, room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  p.drawImage(QPoint(r.x() + (r.width() - dots.width()) / 2, r.y() + (r.height() - dots.height()) / 2), dots);
}

// --- SpinControl ---

SpinControl::SpinControl(QWidget* parent, int id) : QWidget(parent) {
  ui::SetControlId(this, id);
  setFocusPolicy(Qt::NoFocus);
}

void SpinControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRect r = rect();
  p.fillRect(r, palette().color(QPalette::Button));
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  p.setPen(Qt::NoPen);
  p.setBrush(palette().color(QPalette::ButtonText));
  const qreal cx = r.width() / 2.0, w = std::max(3.0, r.width() / 5.0), h = r.height() / 2.0;
  p.drawPolygon(QPolygonF({QPointF(cx - w, h * 0.75), QPointF(cx + w, h * 0.75), QPointF(cx, h * 0.3)}));
  p.drawPolygon(QPolygonF({QPointF(cx - w, h * 1.25), QPointF(cx + w, h * 1.25), QPointF(cx, h * 1.7)}));
}

void SpinControl::mousePressEvent(QMouseEvent* event) { emit stepped(event->position().y() < height() / 2.0 ? -1 : 1); }

// --- EditorControls ---

EditorControls::EditorControls(QWidget* surface, bool smartphone)
    : QObject(surface), surface_(surface), smartphone_(smartphone) {
  if (smartphone_) {
    lines_ = new QPlainTextEdit(surface_);
    ui::SetControlId(lines_, kIdEdit);
    lines_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lines_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lines_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    lines_->setFrameShape(QFrame::NoFrame);
    lines_->setContextMenuPolicy(Qt::NoContextMenu);
    lines_->setTabChangesFocus(false);
    ApplyFont(lines_);
    Watch(lines_);
    editSpin_ = new SpinControl(surface_, kIdEditSpin);
    editSpin_->setToolTip(ui::Text(20719));  // caption of the spin; it has no action
    list_ = new QListWidget(surface_);
    ui::SetControlId(list_, kIdList);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setFrameShape(QFrame::NoFrame);
    ApplyFont(list_);
    Watch(list_);
    listSpin_ = new SpinControl(surface_, kIdListSpin);
    connect(listSpin_, &SpinControl::stepped, this, [this](int step) {
      const int row = std::clamp(list_->currentRow() + step, 0, std::max(0, list_->count() - 1));
      if (list_->count() > 0) list_->setCurrentRow(row);
    });
  } else {
    line_ = new QLineEdit(surface_);
    ui::SetControlId(line_, kIdEdit);
    line_->setFrame(false);
    line_->setContextMenuPolicy(Qt::NoContextMenu);
    ApplyFont(line_);
    Watch(line_);
    dots_ = new DotsButton(surface_);
    connect(dots_, &QAbstractButton::clicked, this, [this] {
      if (onDots) onDots();
    });
    combo_ = new QComboBox(surface_);
    ui::SetControlId(combo_, kIdCombo);
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    ApplyFont(combo_);
    Watch(combo_);
  }
  date_ = new PickerControl(surface_, kIdDatePicker, kControlDate);
  time_ = new PickerControl(surface_, kIdTimePicker, kControlTime);
  dateTime_ = new PickerControl(surface_, kIdDateTimePicker, kControlDateTime);
  for (PickerControl* picker : {date_, time_, dateTime_}) {
    ApplyFont(picker);
    Watch(picker);
  }
  check_ = new QCheckBox(surface_);
  ui::SetControlId(check_, kIdCheckBox);
  check_->setTristate(true);
  ApplyFont(check_);
  Watch(check_);
  HideAll();
}

EditorControls::~EditorControls() = default;

void EditorControls::Watch(QWidget* widget) {
  widget->installEventFilter(this);
  for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
}

QWidget* EditorControls::Control(ControlType type) const {
  switch (type) {
    case kControlName:
    case kControlText: return smartphone_ ? static_cast<QWidget*>(lines_) : line_;
    case kControlDate: return date_;
    case kControlTime: return time_;
    case kControlDateTime: return dateTime_;
    case kControlCombo: return combo_;
    case kControlCheck: return check_;
    case kControlList: return list_;
    default: return nullptr;
  }
}

QWidget* EditorControls::Companion(ControlType type) const {
  if (type == kControlText) return smartphone_ ? static_cast<QWidget*>(editSpin_) : dots_;
  if (type == kControlList) return listSpin_;
  return nullptr;
}

void EditorControls::HideAll() {
  for (QWidget* w : std::initializer_list<QWidget*>{line_, lines_, dots_, editSpin_, date_, time_, dateTime_, combo_,
                                                    check_, list_, listSpin_})
    if (w) w->hide();
  active_ = kControlNone;
}

void EditorControls::Place(const QRect& line) {
  QWidget* control = Control(active_);
  if (!control) return;
  QWidget* companion = Companion(active_);
  QRect main = line;
  if (companion) {
    int width = 0;
    if (active_ == kControlText) width = surface_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 1;
    else width = line.height() * 5 / 4;  // the list's spin: 1.25 line heights
    width = std::min(width, std::max(0, line.width() - 1));
    main.setWidth(line.width() - width);
    companion->setGeometry(QRect(main.right() + 1, line.y(), width, line.height()));
  }
  control->setGeometry(main);
}

void EditorControls::Show(ControlType type, const QRect& line) {
  if (type != active_) {
    HideAll();
    active_ = type;
  }
  QWidget* control = Control(type);
  if (!control) return;
  Place(line);
  control->show();
  control->raise();
  if (QWidget* companion = Companion(type)) {
    companion->show();
    companion->raise();
  }
  control->setFocus(Qt::OtherFocusReason);
}

void EditorControls::LoadText(const QString& text, bool selectAll, Capitals capitals, bool numeric, int limit) {
  capitals_ = capitals;
  limit_ = limit;
  if (line_) {
    line_->setMaxLength(limit > 0 ? limit : kNoLimit);
    line_->setText(text);
    if (selectAll) line_->selectAll();
    else line_->setCursorPosition(int(line_->text().size()));
  } else if (lines_) {
    lines_->setInputMethodHints(numeric ? Qt::ImhPreferNumbers : Qt::ImhNone);
    lines_->setPlainText(limit > 0 ? text.left(limit) : text);
    QTextCursor cursor = lines_->textCursor();
    if (selectAll) cursor.select(QTextCursor::Document);
    else cursor.movePosition(QTextCursor::End);
    lines_->setTextCursor(cursor);
  }
}

QString EditorControls::Text() const {
  if (line_) return line_->text();
  if (lines_) return limit_ > 0 ? lines_->toPlainText().left(limit_) : lines_->toPlainText();
  return QString();
}

PickerControl* EditorControls::Picker() const {
  switch (active_) {
    case kControlDate: return date_;
    case kControlTime: return time_;
    case kControlDateTime: return dateTime_;
    default: return nullptr;
  }
}

void EditorControls::LoadChoices(const QStringList& entries, int selected, const QString& freeText) {
  if (combo_) {
    const QSignalBlocker block(combo_);
    combo_->clear();
    combo_->addItems(entries);
    if (selected >= 0 && selected < combo_->count()) {
      combo_->setCurrentIndex(selected);
    } else {
      combo_->setCurrentIndex(-1);
      combo_->setEditText(freeText);
    }
  }
  if (list_) {
    list_->clear();
    list_->addItems(entries);
    list_->setCurrentRow(selected >= 0 && selected < list_->count() ? selected : -1);
  }
}

int EditorControls::ChoiceIndex() const {
  if (combo_ && active_ == kControlCombo) {
    const int i = combo_->currentIndex();
    return i >= 0 && combo_->itemText(i) == combo_->currentText() ? i : -1;
  }
  if (list_ && active_ == kControlList) return list_->currentRow();
  return -1;
}

QString EditorControls::ChoiceText() const {
  if (combo_ && active_ == kControlCombo) return combo_->currentText();
  if (list_ && active_ == kControlList && list_->currentItem()) return list_->currentItem()->text();
  return QString();
}

void EditorControls::LoadCheck(Qt::CheckState state) { check_->setCheckState(state); }
Qt::CheckState EditorControls::CheckState() const { return check_->checkState(); }

bool EditorControls::HasSelection() const {
  if (line_) return line_->hasSelectedText();
  if (lines_) return lines_->textCursor().hasSelection();
  return false;
}

void EditorControls::CopyTextOut(const QString& text) {
  if (ui::ClipboardService* clipboard = ui::ClipboardService::Instance()) clipboard->CopySecret(text, true);
}

bool EditorControls::CanRun(int command) const {
  switch (active_) {
    case kControlName:
    case kControlText:
      switch (command) {
        case kCmdCut:
        case kCmdCopy:
        case kCmdClear: return HasSelection();
        case kCmdPaste: {
          const QMimeData* data = QApplication::clipboard()->mimeData();
          return data && (data->hasText() || data->hasFormat(QString::fromLatin1(ui::kWindows1252Format)));
        }
        case kCmdSelectAll: return !Text().isEmpty();
        default: return false;
      }
    case kControlDate:
    case kControlTime:
    case kControlDateTime: return (command == kCmdCopy || command == kCmdClear) && Picker()->HasValue();
    case kControlCombo:
      // Copy copies what the combo shows.
      return command == kCmdCopy && !combo_->currentText().isEmpty();
    case kControlCheck: return command == kCmdClear;
    default: return false;
  }
}

void EditorControls::Run(int command) {
  if (!CanRun(command)) return;
  switch (active_) {
    case kControlName:
    case kControlText: {
      const QString selected =
          line_ ? line_->selectedText()
                : lines_->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
      switch (command) {
        case kCmdCopy: CopyTextOut(selected); break;
        case kCmdCut:
          CopyTextOut(selected);
          if (line_) line_->del();
          else lines_->textCursor().removeSelectedText();
          break;
        case kCmdPaste:
          if (line_) line_->paste();
          else lines_->paste();
          break;
        case kCmdClear:
          if (line_) line_->del();
          else lines_->textCursor().removeSelectedText();
          break;
        case kCmdSelectAll:
          if (line_) line_->selectAll();
          else lines_->selectAll();
          break;
        default: break;
      }
      break;
    }
    case kControlDate:
    case kControlTime:
    case kControlDateTime:
      if (command == kCmdCopy) CopyTextOut(Picker()->ValueText());
      else Picker()->SetNone();
      break;
    case kControlCombo: CopyTextOut(combo_->currentText()); break;
    case kControlCheck: check_->setCheckState(Qt::PartiallyChecked); break;
    default: break;
  }
}

bool EditorControls::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
    return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool textControl = active_ == kControlName || active_ == kControlText;
  // Copy and Cut of the edit's own keys go through the clipboard service too.
  if (textControl && (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut))) {
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
      return true;
    }
    Run(key->matches(QKeySequence::Copy) ? kCmdCopy : kCmdCut);
    return true;
  }
  if (event->type() == QEvent::ShortcutOverride) return QObject::eventFilter(watched, event);
  const bool shift = key->modifiers() & Qt::ShiftModifier;
  switch (key->key()) {
    case Qt::Key_Up:
      if (onPreviousLine) onPreviousLine();
      return true;
    case Qt::Key_Down:
      if (onNextLine) onNextLine();
      return true;
    case Qt::Key_Tab:
      if (shift) {
        if (onPreviousLine) onPreviousLine();
      } else if (onNextLine) {
        onNextLine();
      }
      return true;
    case Qt::Key_Backtab:
      if (onPreviousLine) onPreviousLine();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (active_ == kControlCombo) {
        if (onNextLine) onNextLine();
        return true;
      }
      break;
    case Qt::Key_Escape:
      if (!smartphone_) {
        if (onEscape) onEscape();
      } else if (textControl && lines_) {
        // Smartphone's Back key in an edit takes back one character.
        QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QCoreApplication::sendEvent(lines_, &back);
      }
      return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (active_ == kControlList && list_->count() > 0) {
        const int step = key->key() == Qt::Key_Left ? -1 : 1;
        list_->setCurrentRow(std::clamp(list_->currentRow() + step, 0, list_->count() - 1));
        return true;
      }
      break;
    default: break;
  }
  // Automatic capitals for typed letters.
  if (textControl && capitals_ != Capitals::Off && !key->text().isEmpty() && key->text()[0].isLetter() &&
      !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    QString before;
    if (line_) {
      const int start = line_->hasSelectedText() ? line_->selectionStart() : line_->cursorPosition();
      before = line_->text().left(start);
    } else {
      const QTextCursor cursor = lines_->textCursor();
      before = lines_->toPlainText().left(cursor.selectionStart());
    }
    const QString typed = Capitalised(key->text(), before, capitals_);
    if (typed != key->text()) {
      if (line_) line_->insert(typed);
      else lines_->insertPlainText(typed);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tb::cards
