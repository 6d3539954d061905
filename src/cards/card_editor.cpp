#include "cards/card_editor.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "platform/ui/activity_clock.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/texts.h"
#include "storage/card.h"

namespace tb::cards {
namespace {

constexpr uint32_t kStrNameLabel = 30002;
constexpr uint32_t kStrNoneEntry = 20507;
constexpr uint32_t kStrYes = 20204;
constexpr uint32_t kStrNo = 20205;
constexpr int kKindYesNo = 11;
constexpr int kKindNumbers = 14;
constexpr int kKindPassword = 7;
constexpr int kMaxEditorFields = 256;
const QColor kLabelColour(0, 0, 128);
const QColor kRuleColour(192, 192, 192);

std::u16string_view View(const QString& text) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

QString FromText(const storage::Text& text) { return ui::ToQString(std::u16string_view(text.data(), text.size())); }

}  // namespace

EditorMetrics EditorMetrics::At(int d) {
  EditorMetrics m;
  m.margin = (d + 24) * 2 / 96;
  m.gap = (d + 16) * 3 / 96;
  return m;
}

CardEditor::CardEditor(CardBody& body, int startField) : body_(body), controls_(body.Host().Controls()) {
  const int d = ui::DpiX();
  metrics_ = EditorMetrics::At(d);
  const QFont* label = ui::FontService::Font(kEditorLabelFont);
  const QFont* value = ui::FontService::Font(kEditorValueFont);
  const QFont* measure = ui::FontService::Font(kEditorMeasureFont);
  labelFont_ = label ? *label : QApplication::font();
  valueFont_ = value ? *value : QApplication::font();
  labelHeight_ = (measure ? QFontMetrics(*measure).height() : (9 * d + 48) / 96) + metrics_.margin;
  valueHeight_ = (value ? QFontMetrics(*value).height() : (10 * d + 48) / 96) + metrics_.margin;
  lineCount_ = (FieldCount() + 1) * 2;
  if (controls_) {
    controls_->onNextLine = [this] { NextLine(); };
    controls_->onPreviousLine = [this] { PreviousLine(); };
    controls_->onEscape = [this] { body_.Host().BodyEscape(); };
    controls_->onDots = [this] { OpenLongText(); };
  }
  body_.List()->SetContentHeight(ContentHeight());
  body_.List()->ScrollTo(0);
  Activate(startField >= 0 && startField < FieldCount() ? 2 * startField + 3 : 1);
}

CardEditor::~CardEditor() {
  if (controls_) {
    controls_->onNextLine = nullptr;
    controls_->onPreviousLine = nullptr;
    controls_->onEscape = nullptr;
    controls_->onDots = nullptr;
    controls_->HideAll();
  }
}

int CardEditor::FieldCount() const { return std::min(int(body_.Card().fields.size()), kMaxEditorFields); }

int CardEditor::ContentHeight() const { return EntryHeight() * (FieldCount() + 1); }

int CardEditor::LineTop(int line) const {
  const int entry = line / 2;
  return entry * EntryHeight() + ((line & 1) ? labelHeight_ : 0);
}

QRect CardEditor::ControlRect(int line) const {
  const CardList* list = body_.List();
  return QRect(metrics_.margin, LineTop(line) - list->ScrollPosition() - 1, list->ClientWidth() - 2 * metrics_.margin,
               valueHeight_ + 1);
}

ControlType CardEditor::TypeOfLine(int line) const {
  if (line == 1) return kControlName;
  const int field = FieldOfLine(line);
  if (field < 0 || field >= FieldCount() || !controls_) return kControlNone;
  return ControlForKind(body_.Card().fields[size_t(field)].kind, controls_->Smartphone());
}

QString CardEditor::ValueText(int line) const {
  storage::Card& card = body_.Card();
  if (line == 1) return FromText(card.record.Name());
  const int field = FieldOfLine(line);
  if (field < 0 || field >= FieldCount()) return QString();
  return FromText(storage::DisplayText(card.fields[size_t(field)], ui::CurrentTextSource()));
}

void CardEditor::Activate(int line) {
  StoreLoaded();
  line = std::clamp(line | 1, 1, lineCount_ - 1);
  active_ = line;
  if (int* current = body_.CurrentField()) *current = FieldOfLine(line);
  MakeVisible(line);
  const ControlType type = TypeOfLine(line);
  if (type == kControlNone || !controls_) {
    // A kind without a control: the line is shown but not edited.
    if (controls_) controls_->HideAll();
    loaded_ = -1;
    body_.setFocus(Qt::OtherFocusReason);
  } else {
    controls_->Show(type, ControlRect(line));
    Load(line, type);
    loaded_ = line;
  }
  body_.List()->viewport()->update();
}

void CardEditor::Load(int line, ControlType type) {
  storage::Card& card = body_.Card();
  if (type == kControlName) {
    controls_->LoadText(ValueText(line), true, Capitals::EveryWord, false, kCardNameLimit);
    return;
  }
  storage::Field& field = card.fields[size_t(FieldOfLine(line))];
  switch (type) {
    case kControlText:
      controls_->LoadText(ValueText(line), false, CapitalsForKind(field.kind), field.kind == kKindNumbers, 0);
      break;
    case kControlDate:
    case kControlTime:
    case kControlDateTime:
      controls_->Picker()->Load(field.dateTime.IsZero() ? nullptr : &field.dateTime);
      loadedDate_ = controls_->Picker()->Value();
      break;
    case kControlCombo:
    case kControlList: {
      QStringList entries{QStringLiteral("<%1>").arg(ui::Text(kStrNoneEntry))};
      if (field.kind == kKindYesNo) {
        entries << ui::Text(kStrYes) << ui::Text(kStrNo);
      } else {
        for (const storage::Text& item : field.items) entries << FromText(item);
      }
      const QString value = FromText(field.value);
      int selected = value.isEmpty() ? 0 : -1;
      for (int i = 1; i < entries.size() && !value.isEmpty(); ++i)
        if (entries[i].compare(value, Qt::CaseInsensitive) == 0) selected = i;  // the last match wins
      if (selected < 0 && type == kControlList) {
        // A value the list lacks goes right after the "none" entry and is
        // stored back as it was; at the top, storing entry 0 would erase it.
        entries.insert(1, value);
        selected = 1;
      }
      controls_->LoadChoices(entries, selected, value);
      loadedChoice_ = controls_->ChoiceIndex();
      loadedChoiceText_ = controls_->ChoiceText();
      break;
    }
    case kControlCheck: {
      const std::u16string_view v(field.value.data(), field.value.size());
      loadedCheck_ = v == u"1" ? Qt::Checked : v == u"0" ? Qt::Unchecked : Qt::PartiallyChecked;
      controls_->LoadCheck(loadedCheck_);
      break;
    }
    default: break;
  }
}

void CardEditor::StoreLoaded() {
  if (loaded_ < 0 || !controls_) return;
  const int line = loaded_;
  storage::Card& card = body_.Card();
  const ControlType type = controls_->Active();
  if (line == 1) {
    if (type == kControlName) card.record.SetName(View(controls_->Text()));
    return;
  }
  const int index = FieldOfLine(line);
  if (index < 0 || index >= FieldCount()) return;
  storage::Field& field = card.fields[size_t(index)];
  switch (type) {
    case kControlText: field.SetValue(View(controls_->Text())); break;
    case kControlDate:
    case kControlTime:
    case kControlDateTime: {
      // An untouched picker leaves the field as it was (an unset date
      // stays unset, a date it could not show stays as stored).
      const std::optional<tb::platform::SystemTime> value = controls_->Picker()->Value();
      if (value == loadedDate_) break;
      if (value) field.SetDateTime(*value);
      else field.SetValue(u"");
      break;
    }
    case kControlCombo:
    case kControlList: {
      const int chosen = controls_->ChoiceIndex();
      // Untouched, the value stays as stored (in its own spelling).
      if (chosen == loadedChoice_ && controls_->ChoiceText() == loadedChoiceText_) break;
      if (chosen == 0) field.SetValue(u"");
      else field.SetValue(View(controls_->ChoiceText()));
      break;
    }
    case kControlCheck: {
      const Qt::CheckState state = controls_->CheckState();
      if (state == loadedCheck_) break;
      field.SetValue(state == Qt::Checked ? u"1" : state == Qt::PartiallyChecked ? u"2" : u"0");
      break;
    }
    default: break;
  }
}

void CardEditor::MakeVisible(int line) {
  CardList* list = body_.List();
  const int top = LineTop(line);
  const int position = list->ScrollPosition();
  const int above = std::max(0, top - valueHeight_);
  if (above < position) list->ScrollTo(above);
  else if (top + valueHeight_ > position + list->ClientHeight())
    list->ScrollTo(top + valueHeight_ - list->ClientHeight());
}

void CardEditor::NextLine() {
  const int next = std::min(active_ + 2, lineCount_ - 1);
  if (next != active_) Activate(next);
}

void CardEditor::PreviousLine() {
  const int previous = std::max(active_ - 2, 1);
  if (previous != active_) Activate(previous);
}

void CardEditor::Tap(const QPoint& point) {
  const int y = point.y() + body_.List()->ScrollPosition();
  // The first value line whose bottom is at or below the tap; a tap on a
  // label takes its value line, one below everything the card name.
  for (int entry = 0; entry <= FieldCount(); ++entry) {
    const int bottom = entry * EntryHeight() + labelHeight_ + valueHeight_;
    if (bottom >= y) {
      Activate(2 * entry + 1);
      return;
    }
  }
  Activate(1);
}

void CardEditor::EndEditing(bool cancelling) {
  StoreLoaded();
  if (cancelling) return;
  loaded_ = -1;
  active_ = 1;
  if (controls_) controls_->HideAll();
}

void CardEditor::Resized() {
  body_.List()->SetContentHeight(ContentHeight());
  Scrolled();
}

void CardEditor::Scrolled() {
  if (controls_ && loaded_ >= 0) controls_->Place(ControlRect(loaded_));
}

bool CardEditor::RunCommand(int command) {
  switch (command) {
    case kCmdCut:
    case kCmdCopy:
    case kCmdPaste:
    case kCmdClear:
    case kCmdSelectAll:
      if (controls_) controls_->Run(command);
      return true;
    case kCmdDots: OpenLongText(); return true;
    case kCmdGeneratePassword: GeneratePassword(); return true;
    default: return false;
  }
}

bool CardEditor::OnPasswordLine() const {
  if (!controls_ || loaded_ < 0 || loaded_ != active_ || controls_->Active() != kControlText) return false;
  const int index = FieldOfLine(loaded_);
  return index >= 0 && index < FieldCount() && body_.Card().fields[size_t(index)].kind == kKindPassword;
}

void CardEditor::GeneratePassword() {
  if (!OnPasswordLine()) return;
  const int line = loaded_;
  QString value;
  if (!body_.Host().GeneratePassword(&value)) return;
  // The window may have been closed (the wallet closing) or the line
  // changed while the generator was open; the value then goes nowhere.
  if (loaded_ != line || !OnPasswordLine()) return;
  const storage::Field& field = body_.Card().fields[size_t(FieldOfLine(line))];
  // Into the edit control as if typed: stored when the line is left.
  controls_->LoadText(value, false, CapitalsForKind(field.kind), false, 0);
  if (QWidget* edit = controls_->Control(kControlText)) edit->setFocus(Qt::OtherFocusReason);
}

void CardEditor::OpenLongText() {
  if (!controls_ || controls_->Smartphone() || controls_->Active() != kControlText || loaded_ < 0) return;
  ui::ActivityClock::Record();
  const storage::Field& field = body_.Card().fields[size_t(FieldOfLine(loaded_))];
  QString changed;
  if (body_.Host().EditLongText(FromText(field.label), controls_->Text(), &changed))
    controls_->LoadText(changed, false, CapitalsForKind(field.kind), false, 0);
  if (QWidget* edit = controls_->Control(kControlText)) edit->setFocus(Qt::OtherFocusReason);
}

void CardEditor::Paint(QPainter& painter, const QRect& client) {
  painter.fillRect(client, Qt::white);
  const CardList* list = body_.List();
  const int position = list->ScrollPosition();
  const int width = list->width();
  const int d = ui::DpiX();
  const int three = ui::ScaleAt(3, d);
  const int rule = (d + 48) / 96;
  const int labelRight = width - metrics_.margin - list->ScrollBarWidth();
  const QColor text = list->palette().color(QPalette::WindowText);
  const QFontMetrics valueMetrics(valueFont_);
  const int entryHeight = EntryHeight();
  const int first = std::max(0, position / std::max(1, entryHeight));
  for (int entry = first; entry <= FieldCount(); ++entry) {
    const int top = entry * entryHeight - position;
    if (top >= client.height()) break;
    QString label;
    if (entry == 0) label = ui::Text(kStrNameLabel);
    else if (entry - 1 < int(body_.Card().fields.size()))
      label = FromText(body_.Card().fields[size_t(entry - 1)].label);
    else label = QStringLiteral("<?>");
    painter.setFont(labelFont_);
    painter.setPen(kLabelColour);
    painter.drawText(QRect(metrics_.margin, top, labelRight - metrics_.margin, labelHeight_),
                     int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine), label);
    const int valueTop = top + labelHeight_;
    painter.setFont(valueFont_);
    painter.setPen(text);
    const QRect valueRect(metrics_.margin + three, valueTop, width - 2 * metrics_.margin - three, valueHeight_);
    painter.drawText(valueRect, int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                     valueMetrics.elidedText(ValueText(2 * entry + 1), Qt::ElideRight, valueRect.width()));
    painter.fillRect(QRect(three, valueTop + valueHeight_, width - metrics_.margin - three, rule), kRuleColour);
  }
}

}  // namespace tb::cards
