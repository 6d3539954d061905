#pragma once
// The view mode of the card window: the card's fields and attachments as
// label and value lines in one of three layouts, the card's colours and
// fonts, masked passwords, icons and actions for web, e-mail, telephone
// and attachment lines, selection by tap and keys, copy and the popup.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

#include "cards/card_body.h"
#include "cards/card_picture.h"

namespace tb::cards {

// Display flags of a line.
inline constexpr uint32_t kLineRule = 0x0004;
inline constexpr uint32_t kLineMasked = 0x0008;
inline constexpr uint32_t kLineIndent = 0x1000;
inline constexpr uint32_t kLineWeb = 0x10000;
inline constexpr uint32_t kLinePhone = 0x20000;
inline constexpr uint32_t kLineAttachment = 0x40000;
inline constexpr uint32_t kLineEmail = 0x80000;
inline constexpr uint32_t kLineLink = 0x200000;
inline constexpr uint32_t kLineIconMask = 0x3F0000;

// Card attributes the view reads (index of the 32-bit value; offset / 4).
inline constexpr size_t kAttrValueColour = 2;    // offset 8
inline constexpr size_t kAttrBackground = 3;     // offset 12
inline constexpr size_t kAttrLabelColour = 4;    // offset 16
inline constexpr size_t kAttrLayout = 8;         // offset 32
inline constexpr size_t kAttrShowPasswords = 9;  // offset 36
inline constexpr size_t kAttrTextSize = 11;      // offset 44
inline constexpr size_t kAttrLabelBold = 12;     // offset 48
inline constexpr size_t kAttrValueBold = 13;     // offset 52

inline constexpr int kLayoutStacked = 0;
inline constexpr int kLayoutLabelRight = 1;
inline constexpr int kLayoutLabelLeft = 2;

// Commands of the view.
inline constexpr int kCmdCopyText = 847;
inline constexpr int kCmdProperties = 804;

inline constexpr const char16_t* kMask = u"**********";

struct ViewItem {
  enum Kind { kLabel = 2, kValue = 3, kAttachment = 4 };
  int kind = kValue;
  uint32_t flags = 0;
  QString text;
  int fieldIndex = -1;
  int height = 0;
  int attachmentIndex = -1;
  QStringList lines;   // the text wrapped at this build's width
  int labelWidth = 0;  // layouts 1 and 2: the width its label takes on the row
};

// The view's pixel sizes at a density.
struct ViewMetrics {
  int margin = 0;      // (d + 24) * 2 / 96
  int iconColumn = 0;  // (20 * d + 48) / 96
  int iconSize = 0;    // (d + 3) * 16 / 96
  int rule = 0;        // (d + 48) / 96
  static ViewMetrics At(int dpi);
};

// The label's font number: one size step below the value's.
int LabelFontNumber(int64_t textSize, bool bold);
// Wraps text at word breaks (anywhere inside a word longer than the width).
QStringList WrapText(const QString& text, const QFont& font, int width);

// A layout value as the view takes it: 3 or more is 0.
int ViewLayout(uint32_t stored);

class CardViewer : public CardPresenter {
 public:
  explicit CardViewer(CardBody& body);

  // (Re)builds the lines from the card; the position returns to the top and
  // the first value line is selected.
  void Build();

  const std::vector<ViewItem>& Items() const { return items_; }
  int Selected() const { return selected_; }
  int Layout() const { return layout_; }
  // Top of item i in content pixels.
  int ItemTop(int i) const;
  // The item under a point of the list's client area (a label line gives
  // its value line); -1 for none.
  int ItemAt(const QPoint& point) const;
  // Selects item i and makes it visible (no action).
  void Select(int i);
  // The text the selected line shows (masked or not).
  bool ShowsMasked(int i) const;
  // The line's action: links go out through the launcher, anything else is copied.
  void Act(int i);
  // Copy of the selected line (Copy Text).
  void CopySelected();
  const QFont& LabelFont() const { return labelFont_; }
  const QFont& ValueFont() const { return valueFont_; }
  int DataLineHeight() const { return lineHeight_; }
  // The card's background picture as drawn behind the lines.
  const BackgroundDrawer& Backdrop() const { return backdrop_; }

  // CardPresenter
  void Paint(QPainter& painter, const QRect& client) override;
  void Tap(const QPoint& point) override;
  void NextLine() override;
  void PreviousLine() override;
  int ContentHeight() const override { return total_; }
  int LineHeight() const override { return lineHeight_; }
  void Resized() override;
  bool RunCommand(int command) override;
  void Enter() override;
  void ContextMenu(const QPoint& point) override;

 private:
  bool IsValueLine(int i) const;
  int NextValueLine(int from, int step) const;
  void Measure();
  void SetCurrentField();
  void ScrollTo(int position);
  int IconImage(const ViewItem& item) const;
  void DrawIcon(QPainter& painter, const ViewItem& item, const QRect& column, int firstLineHeight);
  void DrawLines(QPainter& painter, const QStringList& lines, const QRect& area, Qt::Alignment align, const QFont& font,
                 const QColor& colour);

  CardBody& body_;
  std::vector<ViewItem> items_;
  int selected_ = -1;
  int total_ = 0;
  QFont labelFont_;
  QFont valueFont_;
  int labelHeight_ = 0;
  int valueHeight_ = 0;
  int lineHeight_ = 0;
  QColor background_;
  BackgroundDrawer backdrop_;
  uint32_t placement_ = kPlacementDefault;
  QColor labelColour_;
  QColor valueColour_;
  int layout_ = 0;
  bool showPasswords_ = false;
  ViewMetrics metrics_;
  int builtWidth_ = -1;
  QList<QImage> icons_;  // web, e-mail, telephone, attachment
};

}  // namespace tb::cards
