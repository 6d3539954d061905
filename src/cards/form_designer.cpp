#include "cards/form_designer.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <utility>

#include "cards/card_editor.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/texts.h"
#include "storage/card.h"
#include "storage/forms/field_kinds.h"

namespace tb::cards {
namespace {

constexpr int kDesignerFont = 1;
constexpr uint32_t kStrNewField = 20519;
constexpr uint16_t kNewFieldKind = 15;
constexpr uint16_t kSelectionKind = 12;
const QColor kLabelColour(0, 0, 128);
const QColor kRuleColour(192, 192, 192);

std::u16string_view View(const QString& text) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

QString FromText(const storage::Text& text) { return ui::ToQString(std::u16string_view(text.data(), text.size())); }

bool IsLabelLine(int line) { return (line & 1) == 0; }

}  // namespace

int OfferedPosition(uint16_t kind) {
  for (int i = 0; i < kOfferedKindCount; ++i)
    if (kOfferedKinds[i].kind == kind) return i;
  return -1;
}

QString KindDisplayName(uint16_t kind) {
  const int position = OfferedPosition(kind);
  return position < 0 ? QString() : ui::Text(kOfferedKinds[position].name);
}

int OfferedCountFor(const storage::Field& field, bool smartphone) {
  const bool restricted = (field.flags & storage::kNotesFieldFlag) != 0 && IsTextLike(storage::AsFieldKind(field.kind));
  return restricted && !smartphone ? kTextLikeKindCount : kOfferedKindCount;
}

FormDesigner::FormDesigner(CardBody& body) : body_(body), controls_(body.Host().Controls()) {
  const int d = ui::DpiX();
  const EditorMetrics metrics = EditorMetrics::At(d);
  margin_ = metrics.margin;
  gap_ = metrics.gap;
  const QFont* font = ui::FontService::Font(kDesignerFont);
  font_ = font ? *font : QApplication::font();
  lineHeight_ = (font ? QFontMetrics(*font).height() : (9 * d + 48) / 96) + margin_;
  if (controls_) {
    controls_->onNextLine = [this] { NextLine(); };
    controls_->onPreviousLine = [this] { PreviousLine(); };
    controls_->onEscape = [this] { body_.Host().BodyEscape(); };
    controls_->onDots = nullptr;
  }
  body_.List()->SetContentHeight(ContentHeight());
  body_.List()->ScrollTo(0);
  Activate(0);
}

FormDesigner::~FormDesigner() {
  if (controls_) {
    controls_->onNextLine = nullptr;
    controls_->onPreviousLine = nullptr;
    controls_->onEscape = nullptr;
    controls_->HideAll();
  }
}

int FormDesigner::FieldCount() const { return int(std::min(body_.Card().fields.size(), storage::kMaxFields)); }

int FormDesigner::ContentHeight() const { return EntryHeight() * std::max(1, FieldCount()); }

int FormDesigner::LineTop(int line) const { return (line / 2) * EntryHeight() + (IsLabelLine(line) ? 0 : lineHeight_); }

QRect FormDesigner::ControlRect(int line) const {
  const CardList* list = body_.List();
  return QRect(margin_, LineTop(line) - list->ScrollPosition() - 1, list->ClientWidth() - 2 * margin_, lineHeight_ + 1);
}

int FormDesigner::ActiveField() const {
  const int field = active_ / 2;
  return field < FieldCount() ? field : -1;
}

void FormDesigner::Activate(int line) {
  StoreLoaded();
  active_ = std::clamp(line, 0, std::max(0, LineCount() - 1));
  MakeVisible(active_);
  if (!controls_ || ActiveField() < 0) {
    // No field: nothing to edit.
    if (controls_) controls_->HideAll();
    loaded_ = -1;
    body_.setFocus(Qt::OtherFocusReason);
  } else {
    const ControlType type = IsLabelLine(active_)      ? kControlName
                             : controls_->Smartphone() ? kControlList
                                                       : kControlCombo;
    controls_->Show(type, ControlRect(active_));
    Load(active_);
    loaded_ = active_;
  }
  body_.List()->viewport()->update();
}

void FormDesigner::Load(int line) {
  const storage::Field& field = body_.Card().fields[size_t(line / 2)];
  if (IsLabelLine(line)) {
    controls_->LoadText(FromText(field.label), false, Capitals::Off, false, 0);
    return;
  }
  const int count = OfferedCountFor(field, controls_->Smartphone());
  QStringList names;
  for (int i = 0; i < count; ++i) names << ui::Text(kOfferedKinds[i].name);
  const int position = OfferedPosition(field.kind);
  controls_->LoadChoices(names, position < count ? position : -1, QString());
}

void FormDesigner::StoreLoaded() {
  if (loaded_ < 0 || !controls_) return;
  const int line = loaded_;
  if (line / 2 >= FieldCount()) return;
  storage::Field& field = body_.Card().fields[size_t(line / 2)];
  if (IsLabelLine(line)) {
    if (controls_->Active() == kControlName) field.SetLabel(View(controls_->Text()));
    return;
  }
  const int position = controls_->ChoiceIndex();
  if (position < 0 || position >= OfferedCountFor(field, controls_->Smartphone())) return;
  field.SetKind(kOfferedKinds[position].kind, ui::CurrentTextSource());
}

void FormDesigner::MakeVisible(int line) {
  CardList* list = body_.List();
  const int top = LineTop(line);
  const int position = list->ScrollPosition();
  if (top < position) list->ScrollTo(top);
  else if (top + lineHeight_ > position + list->ClientHeight())
    list->ScrollTo(top + lineHeight_ - list->ClientHeight());
}

void FormDesigner::NextLine() {
  const int next = std::min(active_ + 1, std::max(0, LineCount() - 1));
  if (next != active_) Activate(next);
}

void FormDesigner::PreviousLine() {
  if (active_ > 0) Activate(active_ - 1);
}

void FormDesigner::Tap(const QPoint& point) {
  const int y = point.y() + body_.List()->ScrollPosition();
  for (int line = 0; line < LineCount(); ++line) {
    const int bottom = LineTop(line) + lineHeight_ + (IsLabelLine(line) ? 0 : gap_);
    if (y < bottom) {
      Activate(line);
      return;
    }
  }
  Activate(0);
}

void FormDesigner::EndEditing(bool cancelling) {
  StoreLoaded();
  if (cancelling) return;
  loaded_ = -1;
  active_ = 0;
  if (controls_) controls_->HideAll();
}

void FormDesigner::Resized() {
  body_.List()->SetContentHeight(ContentHeight());
  Scrolled();
}

void FormDesigner::Scrolled() {
  if (controls_ && loaded_ >= 0) controls_->Place(ControlRect(loaded_));
}

int FormDesigner::LoadedFieldKind() const {
  if (loaded_ < 0 || loaded_ / 2 >= FieldCount()) return 0;
  return body_.Card().fields[size_t(loaded_ / 2)].kind;
}

void FormDesigner::ListChanged(int line, bool selectAll) {
  body_.Card().changed = true;
  loaded_ = -1;
  body_.List()->SetContentHeight(ContentHeight());
  Activate(line);
  if (selectAll && controls_ && loaded_ >= 0 && controls_->Active() == kControlName) {
    const storage::Field& field = body_.Card().fields[size_t(loaded_ / 2)];
    controls_->LoadText(FromText(field.label), true, Capitals::Off, false, 0);
  }
}

bool FormDesigner::RunCommand(int command) {
  storage::Card& card = body_.Card();
  switch (command) {
    case kCmdAddField: {
      StoreLoaded();
      storage::Field field;
      field.kind = kNewFieldKind;
      field.SetLabel(View(ui::Text(kStrNewField)));
      field.changeFlags |= storage::field_flags::kNew;
      if (card.fields.size() < storage::kMaxFields && card.AddField(std::move(field)))
        ListChanged(2 * (FieldCount() - 1), true);
      return true;
    }
    case kCmdFieldUp:
    case kCmdFieldDown:
    case kCmdFieldTop:
    case kCmdFieldBottom: Move(command); return true;
    case kCmdCopyField: {
      StoreLoaded();
      const int field = ActiveField();
      if (field >= 0 && card.DuplicateField(size_t(field))) ListChanged(active_ + 1);
      return true;
    }
    case kCmdDeleteField: {
      const int field = ActiveField();
      if (field < 0) return true;
      loaded_ = -1;
      card.fields.erase(card.fields.begin() + field);
      ListChanged(active_);
      return true;
    }
    case kCmdEditSelectionField: EditSelection(); return true;
    default: return false;
  }
}

void FormDesigner::Move(int command) {
  StoreLoaded();
  const int field = ActiveField();
  const int last = FieldCount() - 1;
  if (field < 0) return;
  std::vector<storage::Field>& fields = body_.Card().fields;
  switch (command) {
    case kCmdFieldUp:
      if (field == 0) return;
      std::swap(fields[size_t(field)], fields[size_t(field - 1)]);
      ListChanged(std::max(0, active_ - 2));
      return;
    case kCmdFieldDown:
      if (field >= last) return;
      std::swap(fields[size_t(field)], fields[size_t(field + 1)]);
      ListChanged(std::min(LineCount() - 1, active_ + 2));
      return;
    case kCmdFieldTop:
      if (field == 0) return;
      std::rotate(fields.begin(), fields.begin() + field, fields.begin() + field + 1);
      ListChanged(0);
      return;
    case kCmdFieldBottom:
      if (field >= last) return;
      body_.Card().MoveFieldToEnd(size_t(field));
      ListChanged(LineCount() - 1);
      return;
    default: return;
  }
}

void FormDesigner::EditSelection() {
  StoreLoaded();
  const int field = loaded_ >= 0 ? loaded_ / 2 : -1;
  if (field < 0 || field >= FieldCount()) return;
  storage::Field& target = body_.Card().fields[size_t(field)];
  if (target.kind != kSelectionKind) return;
  if (body_.Host().EditSelectionField(target)) body_.Card().changed = true;
  // The line's control shows the field as it is now.
  loaded_ = -1;
  Activate(active_);
}

void FormDesigner::Paint(QPainter& painter, const QRect& client) {
  painter.fillRect(client, Qt::white);
  const CardList* list = body_.List();
  const int position = list->ScrollPosition();
  const int width = list->width();
  const int d = ui::DpiX();
  const int three = ui::ScaleAt(3, d);
  const int rule = (d + 48) / 96;
  const QColor text = list->palette().color(QPalette::WindowText);
  const QFontMetrics metrics(font_);
  painter.setFont(font_);
  const int lines = std::max(1, LineCount());
  for (int line = std::max(0, position / std::max(1, EntryHeight()) * 2); line < lines; ++line) {
    const int top = LineTop(line) - position;
    if (top >= client.height()) break;
    const int field = line / 2;
    if (field >= FieldCount()) {
      painter.setPen(kLabelColour);
      painter.drawText(QRect(margin_, top, width - 2 * margin_, lineHeight_),
                       int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine), QStringLiteral("<?>"));
      continue;
    }
    const storage::Field& f = body_.Card().fields[size_t(field)];
    if (IsLabelLine(line)) {
      const QRect box(margin_, top, width - 2 * margin_, lineHeight_);
      painter.setPen(kLabelColour);
      painter.drawText(box, int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                       metrics.elidedText(FromText(f.label), Qt::ElideRight, box.width()));
    } else {
      const QRect box(margin_ + three, top, width - 2 * margin_ - three, lineHeight_);
      painter.setPen(text);
      painter.drawText(box, int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine), KindDisplayName(f.kind));
      painter.fillRect(QRect(three, top + lineHeight_ + margin_, width - margin_ - three, rule), kRuleColour);
    }
  }
}

}  // namespace tb::cards
