#include "cards/card_viewer.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QTextLayout>

#include <algorithm>

#include "cards/attachments.h"
#include "cards/card_links.h"
#include "platform/ui/colours.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/launcher.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "storage/card.h"

namespace tb::cards {
namespace {

constexpr uint32_t kStrAttachment = 20508;
constexpr uint32_t kStrEmptyCard = 62868;
constexpr uint32_t kStrEmptyCardHint = 62869;
constexpr uint32_t kStrCopyLabel = 62867;
constexpr uint32_t kStrProperties = 20719;
constexpr int kIndent = 5;
constexpr int kLabelGap = 5;
// Fields the view looks at, at most.
constexpr size_t kMaxViewFields = 256;

enum FieldKindNumber { kWeb = 3, kLink = 4, kEmail = 5, kPhone = 6, kPassword = 7 };

uint32_t FlagsForKind(uint16_t kind) {
  switch (kind) {
    case kWeb: return kLineIndent | kLineWeb;
    case kLink: return kLineIndent | kLineLink;
    case kEmail: return kLineIndent | kLineEmail;
    case kPhone: return kLineIndent | kLinePhone;
    case kPassword: return kLineIndent | kLineMasked;
    default: return kLineIndent;
  }
}

QFont FontOrDefault(const QFont* font) { return font ? *font : QApplication::font(); }

QColor Complement(const QColor& c) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); }

// The four pictures, made once for each size asked.
const QList<QImage>& FourIcons(int pixels) {
  static int madeFor = -1;
  static QList<QImage> icons;
  if (madeFor != pixels) {
    icons = ui::FourIconList(pixels);
    madeFor = pixels;
  }
  return icons;
}

}  // namespace

ViewMetrics ViewMetrics::At(int d) {
  ViewMetrics m;
  m.margin = (d + 24) * 2 / 96;
  m.iconColumn = (20 * d + 48) / 96;
  m.iconSize = (d + 3) * 16 / 96;
  m.rule = (d + 48) / 96;
  return m;
}

int LabelFontNumber(int64_t textSize, bool bold) {
  int normal = ui::FontService::NumberForSize(textSize, false);
  // 0..5 are 8, 9, 10, 11, 12 and 16 points; 25 is 7 points, the smallest.
  if (normal == 0 || normal == 25) normal = 25;
  else if (normal >= 1 && normal <= 5) normal -= 1;
  if (!bold) return normal;
  return normal == 25 ? 26 : normal + 6;
}

QStringList WrapText(const QString& text, const QFont& font, int width) {
  QStringList lines;
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(std::max(1, width));
    QString piece = text.mid(line.textStart(), line.textLength());
    // A break at a space leaves the space at the line's end: it takes no
    // room in the wrapping, and must take none when the line is drawn
    // aligned to the right.
    if (line.textStart() + line.textLength() < text.size()) {
      qsizetype end = piece.size();
      while (end > 0 && piece[end - 1].isSpace()) --end;
      piece.truncate(end);
    }
    lines << piece;
  }
  layout.endLayout();
  if (lines.isEmpty()) lines << QString();
  return lines;
}

int ViewLayout(uint32_t stored) { return stored >= 3 ? kLayoutStacked : int(stored); }

CardViewer::CardViewer(CardBody& body) : body_(body) {
  storage::Card& card = body_.Card();
  if (card.attributes[kAttrLayout] >= 3) card.attributes[kAttrLayout] = 0;
  Build();
}

void CardViewer::Build() {
  storage::Card& card = body_.Card();
  items_.clear();
  selected_ = -1;
  const auto& a = card.attributes;
  layout_ = ViewLayout(a[kAttrLayout]);
  showPasswords_ = a[kAttrShowPasswords] != 0;
  background_ = ui::FromColorRef(a[kAttrBackground]);
  // The picture is decoded again for each build; one that cannot be decoded
  // leaves the colour.
  const bool picture = card.picture && !card.picture->bytes.empty();
  backdrop_.SetPicture(picture ? DecodePicture(card.picture->bytes.data(), card.picture->bytes.size()) : QImage());
  placement_ = picture ? card.picture->placement : kPlacementDefault;
  labelColour_ = ui::FromColorRef(a[kAttrLabelColour]);
  valueColour_ = ui::FromColorRef(a[kAttrValueColour]);
  // The size as a signed number: a stored negative size is small, not huge.
  const int64_t size = int32_t(a[kAttrTextSize]);
  valueFont_ = FontOrDefault(ui::FontService::FontForSize(size, a[kAttrValueBold] != 0));
  labelFont_ = FontOrDefault(ui::FontService::Font(LabelFontNumber(size, a[kAttrLabelBold] != 0)));
  labelHeight_ = QFontMetrics(labelFont_).height();
  valueHeight_ = QFontMetrics(valueFont_).height();
  lineHeight_ = std::max(labelHeight_, valueHeight_);
  metrics_ = ViewMetrics::At(ui::DpiX());
  icons_ = FourIcons(ui::OnDemandIconSize(metrics_.iconSize));

  const tb::storage::TextSource* texts = ui::CurrentTextSource();
  const size_t fields = std::min(card.fields.size(), kMaxViewFields);
  items_.reserve(fields * 2 + 20);
  for (size_t i = 0; i < fields; ++i) {
    const storage::Field& field = card.fields[i];
    const storage::Text shown = storage::DisplayText(field, texts);
    if (shown.empty()) continue;
    ViewItem label;
    label.kind = ViewItem::kLabel;
    label.text = ui::ToQString(std::u16string_view(field.label.data(), field.label.size()));
    label.fieldIndex = int(i);
    items_.push_back(std::move(label));
    ViewItem value;
    value.kind = ViewItem::kValue;
    value.flags = FlagsForKind(field.kind);
    value.text = ui::ToQString(std::u16string_view(shown.data(), shown.size()));
    value.fieldIndex = int(i);
    items_.push_back(std::move(value));
  }
  for (size_t slot = 0; slot < card.attachments.size(); ++slot) {
    const auto& attachment = card.attachments[slot];
    if (!attachment || !attachment->InUse() || attachment->fileName.empty()) continue;
    ViewItem label;
    label.kind = ViewItem::kLabel;
    label.text = ui::Text(kStrAttachment);
    items_.push_back(std::move(label));
    ViewItem line;
    line.kind = ViewItem::kAttachment;
    line.flags = kLineIndent | kLineAttachment;
    line.text = ui::ToQString(std::u16string_view(attachment->fileName.data(), attachment->fileName.size()));
    line.attachmentIndex = int(slot);
    items_.push_back(std::move(line));
  }
  Measure();
  CardList* list = body_.List();
  list->SetContentHeight(total_);
  list->ScrollTo(0);
  // The first value line is selected; at the top it is in view (the
  // window may not have its size yet, so nothing scrolls).
  selected_ = NextValueLine(-1, 1);
  SetCurrentField();
}

void CardViewer::Measure() {
  CardList* list = body_.List();
  builtWidth_ = list->width();
  const int width = list->width() - metrics_.margin - list->ScrollBarWidth() + 1;
  const QFontMetrics labelMetrics(labelFont_);
  total_ = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    ViewItem& item = items_[i];
    if (item.kind == ViewItem::kLabel) {
      if (layout_ == kLayoutStacked) {
        item.lines = WrapText(item.text, labelFont_, width);
        item.height = int(item.lines.size()) * lineHeight_;
      } else {
        // Shares its value's row.
        item.height = 0;
      }
      total_ += item.height;
      continue;
    }
    int available =
        width - ((item.flags & kLineIndent) ? kIndent : 0) - ((item.flags & kLineIconMask) ? metrics_.iconColumn : 0);
    if (layout_ != kLayoutStacked && i > 0 && items_[i - 1].kind == ViewItem::kLabel) {
      // The label keeps one line of at most half the row; the value wraps in the rest.
      ViewItem& label = items_[i - 1];
      // (One pixel more than the advance: eliding measures to fractions.)
      item.labelWidth = std::min(labelMetrics.horizontalAdvance(label.text) + 1, std::max(0, available / 2));
      label.lines = QStringList{labelMetrics.elidedText(label.text, Qt::ElideRight, item.labelWidth)};
      available -= item.labelWidth + kLabelGap;
    }
    item.lines = WrapText(item.text, valueFont_, available);
    item.height = int(item.lines.size()) * lineHeight_;
    total_ += item.height;
  }
}

void CardViewer::Resized() {
  if (body_.List()->width() == builtWidth_) return;
  Measure();
  body_.List()->SetContentHeight(total_);
}

int CardViewer::ItemTop(int index) const {
  int top = 0;
  for (int i = 0; i < index && i < int(items_.size()); ++i) top += items_[size_t(i)].height;
  return top;
}

bool CardViewer::IsValueLine(int i) const {
  return i >= 0 && i < int(items_.size()) && items_[size_t(i)].kind != ViewItem::kLabel;
}

int CardViewer::NextValueLine(int from, int step) const {
  for (int i = from + step; i >= 0 && i < int(items_.size()); i += step)
    if (IsValueLine(i)) return i;
  return -1;
}

int CardViewer::ItemAt(const QPoint& point) const {
  const int y = point.y() + body_.List()->ScrollPosition();
  if (y < 0) return -1;
  int top = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    const int height = items_[i].height;
    if (height > 0 && y < top + height) {
      // A label line stands for the value line after it.
      return items_[i].kind == ViewItem::kLabel ? NextValueLine(int(i), 1) : int(i);
    }
    top += height;
  }
  return -1;
}

void CardViewer::SetCurrentField() {
  if (int* current = body_.CurrentField())
    *current = IsValueLine(selected_) ? items_[size_t(selected_)].fieldIndex : -1;
}

void CardViewer::ScrollTo(int position) { body_.List()->ScrollTo(position); }

void CardViewer::Select(int i) {
  if (!IsValueLine(i)) return;
  selected_ = i;
  SetCurrentField();
  CardList* list = body_.List();
  const int top = ItemTop(i);
  const int height = items_[size_t(i)].height;
  const int position = list->ScrollPosition();
  const int view = list->ClientHeight();
  if (top < position) ScrollTo(top);
  else if (top + height > position + view) ScrollTo(height > view ? top : top + height - view);
  list->viewport()->update();
}

bool CardViewer::ShowsMasked(int i) const {
  return IsValueLine(i) && (items_[size_t(i)].flags & kLineMasked) && !showPasswords_ && i != selected_;
}

void CardViewer::Tap(const QPoint& point) {
  const int i = ItemAt(point);
  if (i < 0) return;
  if (i != selected_) Select(i);
  else Act(i);
}

void CardViewer::Enter() {
  if (IsValueLine(selected_)) Act(selected_);
}

void CardViewer::Act(int i) {
  if (!IsValueLine(i)) return;
  const ViewItem& item = items_[size_t(i)];
  if (item.flags & kLineAttachment) {
    if (item.attachmentIndex >= 0) OpenAttachment(body_.Card(), size_t(item.attachmentIndex), OpenedFrom::View);
    return;
  }
  // Launch failures are not reported; a web address that is no web page
  // (another scheme, a malformed one) is copied instead of opened.
  if (item.flags & kLineEmail) {
    ui::SendMail(item.text);
    return;
  }
  if (item.flags & kLinePhone) {
    ui::Dial(item.text);
    return;
  }
  if (item.flags & kLineWeb) {
    if (!ui::WebAddress(item.text).isValid()) body_.Host().CopyLine(item.text);
    else ui::OpenWebPage(item.text);
    return;
  }
  if (item.flags & kLineLink) {
    const LinkClass link = ClassifyLink(item.text);
    switch (link.kind) {
      case LinkKind::Telephone: ui::Dial(link.text); return;
      case LinkKind::Email: ui::SendMail(link.text); return;
      case LinkKind::Web:
        if (ui::WebAddress(link.text).isValid()) {
          ui::OpenWebPage(link.text);
          return;
        }
        break;
      case LinkKind::None: break;
    }
  }
  body_.Host().CopyLine(item.text);
}

void CardViewer::CopySelected() {
  if (IsValueLine(selected_)) body_.Host().CopyLine(items_[size_t(selected_)].text);
}

bool CardViewer::RunCommand(int command) {
  if (command != kCmdCopyText) return false;
  CopySelected();
  return true;
}

void CardViewer::NextLine() {
  CardList* list = body_.List();
  const int position = list->ScrollPosition();
  const int view = list->ClientHeight();
  if (IsValueLine(selected_)) {
    const int top = ItemTop(selected_);
    const int height = items_[size_t(selected_)].height;
    // A line taller than the window pages through itself first.
    if (height > view && top + height > position + view) {
      ScrollTo(std::min(position + view, top + height - view));
      return;
    }
  }
  const int next = NextValueLine(selected_, 1);
  if (next < 0) {
    ScrollTo(position + lineHeight_);  // the last line: only scrolls
    return;
  }
  selected_ = next;
  SetCurrentField();
  const int top = ItemTop(next);
  if (top < position || top + items_[size_t(next)].height > position + view) ScrollTo(top);
  list->viewport()->update();
}

void CardViewer::PreviousLine() {
  CardList* list = body_.List();
  const int position = list->ScrollPosition();
  const int view = list->ClientHeight();
  if (IsValueLine(selected_)) {
    const int top = ItemTop(selected_);
    const int height = items_[size_t(selected_)].height;
    if (height > view && top < position) {
      if (position - view >= top) {
        ScrollTo(position - view);
        return;
      }
      // A page up would pass the line's top: the line before it, its
      // bottom at the window's bottom.
      const int previous = NextValueLine(selected_, -1);
      if (previous < 0) {
        ScrollTo(top);
        return;
      }
      selected_ = previous;
      SetCurrentField();
      ScrollTo(std::max(0, ItemTop(previous) + items_[size_t(previous)].height - view));
      list->viewport()->update();
      return;
    }
  }
  const int previous = NextValueLine(selected_, -1);
  if (previous < 0) return;
  selected_ = previous;
  SetCurrentField();
  const int top = ItemTop(previous);
  const int height = items_[size_t(previous)].height;
  if (height > view) ScrollTo(top + height - view);
  else if (top < position) ScrollTo(top);
  else if (top + height > position + view) ScrollTo(top + height - view);
  list->viewport()->update();
}

void CardViewer::ContextMenu(const QPoint& point) {
  const int i = ItemAt(point);
  if (i >= 0) {
    selected_ = i;
    SetCurrentField();
    body_.List()->viewport()->update();
  }
  QMenu menu(body_.List());
  if (IsValueLine(selected_) && selected_ > 0 && items_[size_t(selected_ - 1)].kind == ViewItem::kLabel &&
      !items_[size_t(selected_ - 1)].text.isEmpty()) {
    const std::u16string text =
        shell::FormatMessage(ui::ToU16(ui::Text(kStrCopyLabel)), ui::ToU16(items_[size_t(selected_ - 1)].text));
    menu.addAction(ui::ToQString(text))->setData(kCmdCopyText);
  }
  menu.addAction(ui::Text(kStrProperties))->setData(kCmdProperties);
  const int command = body_.Host().RunPopup(menu, body_.List()->viewport()->mapToGlobal(point));
  if (command == kCmdCopyText) CopySelected();
  else if (command == kCmdProperties) body_.Host().OwnerCommand(kCmdProperties);
}

int CardViewer::IconImage(const ViewItem& item) const {
  if (item.flags & kLineWeb) return 0;
  if (item.flags & kLineEmail) return 1;
  if (item.flags & kLinePhone) return 2;
  if (item.flags & kLineAttachment) return 3;
  if (item.flags & kLineLink) {
    switch (ClassifyLink(item.text).kind) {
      case LinkKind::Telephone: return 2;
      case LinkKind::Web: return 0;
      case LinkKind::Email: return 1;
      case LinkKind::None: return -1;
    }
  }
  return -1;
}

void CardViewer::DrawIcon(QPainter& painter, const ViewItem& item, const QRect& column, int firstLineHeight) {
  // The icon stands on the card's own colour, also on the selected row.
  painter.fillRect(column, background_);
  const int image = IconImage(item);
  if (image < 0 || image >= icons_.size()) return;
  const int size = metrics_.iconSize;
  const QRect target(column.x() + (column.width() - size) / 2, column.y() + (firstLineHeight - size) / 2, size, size);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, icons_[image]);
}

void CardViewer::DrawLines(QPainter& painter, const QStringList& lines, const QRect& area, Qt::Alignment align,
                           const QFont& font, const QColor& colour) {
  painter.setFont(font);
  painter.setPen(colour);
  int y = area.y();
  for (const QString& line : lines) {
    painter.drawText(QRect(area.x(), y, area.width(), lineHeight_), int(align | Qt::AlignVCenter | Qt::TextSingleLine),
                     line);
    y += lineHeight_;
  }
}

void CardViewer::Paint(QPainter& painter, const QRect& client) {
  // The card's picture over its colour, or the colour alone.
  painter.save();
  painter.translate(client.topLeft());
  backdrop_.Draw(painter, client.size(), placement_, background_);
  painter.restore();
  if (items_.empty()) {
    if (layout_ != kLayoutStacked) {
      painter.setFont(valueFont_);
      painter.setPen(valueColour_);
      const QString text = ui::Text(kStrEmptyCard) + QStringLiteral("  ") + ui::Text(kStrEmptyCardHint);
      painter.drawText(client, int(Qt::AlignCenter | Qt::TextSingleLine), text);
    }
    return;
  }
  CardList* list = body_.List();
  const QPalette palette = list->palette();
  const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
  const QColor highlightText = palette.color(QPalette::Active, QPalette::HighlightedText);
  const int left = metrics_.margin;
  const int right = list->width() - list->ScrollBarWidth();
  int y = -list->ScrollPosition();
  for (size_t i = 0; i < items_.size(); ++i) {
    const ViewItem& item = items_[i];
    const int height = item.height;
    if (height == 0) continue;
    if (y + height <= 0) {
      y += height;
      continue;
    }
    if (y >= client.height()) break;
    const bool selected = int(i) == selected_;
    if (selected) {
      painter.fillRect(QRect(0, y, client.width(), height), highlight);
      // An icon column at the right keeps the card's colour out to the edge,
      // not a strip of highlight beyond it.
      if ((item.flags & kLineIconMask) && layout_ != kLayoutLabelRight && item.kind != ViewItem::kLabel)
        painter.fillRect(QRect(right, y, client.width() - right, height), background_);
    }
    const QColor valueColour = selected ? highlightText : valueColour_;
    const QColor labelColour = selected ? Complement(highlight) : labelColour_;
    const int indent = (item.flags & kLineIndent) ? kIndent : 0;
    const bool hasIcon = (item.flags & kLineIconMask) != 0;
    const QStringList masked{QString::fromUtf16(kMask)};
    const QStringList& lines = ShowsMasked(int(i)) ? masked : item.lines;

    if (item.kind == ViewItem::kLabel) {
      DrawLines(painter, item.lines, QRect(left, y, right - left, height), Qt::AlignLeft, labelFont_, labelColour);
    } else if (layout_ == kLayoutStacked) {
      const int textRight = right - (hasIcon ? metrics_.iconColumn : 0);
      DrawLines(painter, lines, QRect(left + indent, y, textRight - left - indent, height), Qt::AlignLeft, valueFont_,
                valueColour);
      if (hasIcon) DrawIcon(painter, item, QRect(textRight, y, metrics_.iconColumn, height), lineHeight_);
    } else {
      const ViewItem* label = i > 0 && items_[i - 1].kind == ViewItem::kLabel ? &items_[i - 1] : nullptr;
      if (layout_ == kLayoutLabelRight) {
        const int valueLeft = (hasIcon ? std::max(left, metrics_.iconColumn) : left) + indent;
        const int valueRight = right - item.labelWidth - kLabelGap;
        DrawLines(painter, lines, QRect(valueLeft, y, valueRight - valueLeft, height), Qt::AlignLeft, valueFont_,
                  valueColour);
        if (label)
          DrawLines(painter, label->lines, QRect(right - item.labelWidth, y, item.labelWidth, lineHeight_),
                    Qt::AlignRight, labelFont_, labelColour);
        if (hasIcon) DrawIcon(painter, item, QRect(0, y, metrics_.iconColumn, height), lineHeight_);
      } else {
        const int valueLeft = left + item.labelWidth + kLabelGap;
        const int valueRight = right - (hasIcon ? metrics_.iconColumn : 0) - indent;
        DrawLines(painter, lines, QRect(valueLeft, y, valueRight - valueLeft, height), Qt::AlignRight, valueFont_,
                  valueColour);
        if (label)
          DrawLines(painter, label->lines, QRect(left, y, item.labelWidth, lineHeight_), Qt::AlignLeft, labelFont_,
                    labelColour);
        if (hasIcon)
          DrawIcon(painter, item, QRect(right - metrics_.iconColumn, y, metrics_.iconColumn, height), lineHeight_);
      }
    }
    if (item.flags & kLineRule)
      painter.fillRect(QRect(left, y + height - metrics_.rule, right - left, metrics_.rule), QColor(192, 192, 192));
    y += height;
  }
}

}  // namespace tb::cards
