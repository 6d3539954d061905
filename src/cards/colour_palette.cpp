#include "cards/colour_palette.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QVBoxLayout>

#include <algorithm>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/ui/colours.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/menu_table.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"

namespace tb::cards {

const std::array<uint32_t, kPaletteCells> kPaletteColours = {
    0x000000, 0x262626, 0x4C4C4C, 0x737373, 0x999999, 0xD9D9D9, 0xE6E6E6, 0xFFFFFF, 0x000066, 0x000099, 0x0000CC,
    0x0000FF, 0x3333FF, 0x6666FF, 0x9999FF, 0xCCCCFF, 0x006600, 0x009900, 0x00CC00, 0x00FF00, 0x33FF33, 0x66FF66,
    0x99FF99, 0xCCFFCC, 0x660000, 0x990000, 0xCC0000, 0xFF0000, 0xFF3333, 0xFF6666, 0xFF9999, 0xFFCCCC, 0x660066,
    0x990099, 0xCC00CC, 0xFF00FF, 0xFF33FF, 0xFF66FF, 0xFF99FF, 0xFFCCFF, 0x666600, 0x999900, 0xCCCC00, 0xFFFF00,
    0xFFFF33, 0xFFFF66, 0xFFFF99, 0xFFFFCC, 0x003366, 0x004C99, 0x0066CC, 0x0080FF, 0x3399FF, 0x66B2FF, 0x99CCFF,
    0xCCE6FF, 0x006666, 0x009999, 0x00CCCC, 0x00FFFF, 0x33FFFF, 0x66FFFF, 0x99FFFF, 0xCCFFFF,
};

const std::array<uint32_t, kNamedColours> kNamedColourValues = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

namespace {

constexpr uint32_t kStrTitle = 20753;
constexpr uint32_t kFirstColourName = 62700;
constexpr int kCmdPaletteOk = 1;
constexpr int kCmdPaletteCancel = 2;

// Built at run time: OK and Cancel (the module's 20717 and 20704 through
// the menu key table).
const ui::MenuTables& PaletteBar() {
  static const ui::MenuTables tables = [] {
    ui::MenuTables t;
    t.Parse("bar 1\n  key 1 \"Done\"\n  key 2 \"Cancel\"\nend\n");
    return t;
  }();
  return tables;
}

int Inset() { return (ui::DpiX() + 48) / 96; }

// Black outside, a white ring one inset wide, then the colour.
void DrawRingedColour(QPainter& p, const QRect& r, const QColor& face, const QColor& colour) {
  const int inset = Inset();
  p.fillRect(r, face);
  p.fillRect(r.adjusted(inset, inset, -inset, -inset), Qt::white);
  p.fillRect(r.adjusted(2 * inset, 2 * inset, -2 * inset, -2 * inset), colour);
}

}  // namespace

int PaletteCellOf(uint32_t colour) {
  const auto it = std::find(kPaletteColours.begin(), kPaletteColours.end(), colour);
  return it == kPaletteColours.end() ? 0 : int(it - kPaletteColours.begin());
}

// The grid ("Palette", 1001): laid out on its first paint, keys and taps.
class PaletteWindow : public QWidget {
 public:
  explicit PaletteWindow(PaletteDialog* dialog) : QWidget(dialog->Body()), dialog_(dialog) {
    setObjectName(QStringLiteral("Palette"));
    ui::SetControlId(this, kPaletteId);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
  }
  bool laidOut = false;
  std::array<QRect, kPaletteCells> cells{};

  // Eight rows of cells in the vertical ratio keep the grid wider than tall.
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return width * 7 / 10; }
  QSize sizeHint() const override { return QSize(ui::ScaleX(230), heightForWidth(ui::ScaleX(230))); }

  void LayOut() {
    const int d = ui::DpiX();
    const int border = Inset();
    const QRect area = rect().adjusted(border, border, -border, -border);
    const int cellX = (17 * d + 48) / 96, cellY = (11 * d + 48) / 96, gap = (d + 16) * 3 / 96;
    // Eight cells and seven gaps share the width and the height in the given ratios.
    const double unitX = double(area.width()) / (8 * cellX + 7 * gap);
    const double unitY = double(area.height()) / (8 * cellY + 7 * gap);
    const int w = std::max(1, int(cellX * unitX)), gx = int(gap * unitX);
    const int h = std::max(1, int(cellY * unitY)), gy = int(gap * unitY);
    const int gridWidth = 8 * w + 7 * gx;
    const int left = area.x() + (area.width() - gridWidth) / 2;
    for (int i = 0; i < kPaletteCells; ++i) {
      const int row = i / kPaletteColumns, column = i % kPaletteColumns;
      cells[size_t(i)] = QRect(left + column * (w + gx), area.y() + row * (h + gy), w, h);
    }
    laidOut = true;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!laidOut) LayOut();
    QPixmap buffer(size());
    buffer.fill(Qt::white);
    {
      QPainter p(&buffer);
      const int inset = Inset();
      const int grow = (ui::DpiX() + 12) * 4 / 96;
      for (int i = 0; i < kPaletteCells; ++i) {
        if (i == dialog_->Selected()) continue;
        const QRect r = cells[size_t(i)];
        p.fillRect(r, Qt::black);
        p.fillRect(r.adjusted(inset, inset, -inset, -inset), ui::FromColorRef(kPaletteColours[size_t(i)]));
      }
      // The selected cell, drawn last and larger: a white edge, a frame in
      // the highlight colour, then its colour.
      const QRect r = cells[size_t(dialog_->Selected())].adjusted(-grow, -grow, grow, grow);
      p.fillRect(r, Qt::white);
      p.fillRect(r.adjusted(inset, inset, -inset, -inset), palette().color(QPalette::Active, QPalette::Highlight));
      p.fillRect(r.adjusted(3 * inset, 3 * inset, -3 * inset, -3 * inset),
                 ui::FromColorRef(kPaletteColours[size_t(dialog_->Selected())]));
    }
    QPainter(this).drawPixmap(0, 0, buffer);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (!laidOut) LayOut();
    for (int i = 0; i < kPaletteCells; ++i) {
      if (cells[size_t(i)].contains(event->position().toPoint())) {
        dialog_->Select(i);
        return;
      }
    }
  }
  void keyPressEvent(QKeyEvent* event) override { dialog_->Key(event->key()); }
  bool focusNextPrevChild(bool) override { return false; }
  void resizeEvent(QResizeEvent*) override { laidOut = false; }

 private:
  PaletteDialog* dialog_;
};

namespace {

class SwatchButton : public QAbstractButton {
 public:
  SwatchButton(QWidget* parent, PaletteDialog* dialog) : QAbstractButton(parent), dialog_(dialog) {
    ui::SetControlId(this, kSwatchId);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    DrawRingedColour(p, rect(), Qt::black, ui::FromColorRef(dialog_->Colour()));
  }

 private:
  PaletteDialog* dialog_;
};

}  // namespace

PaletteDialog::PaletteDialog(QWidget* owner, const shell::Settings& settings, uint32_t current)
    : ModalDialog(owner, kPaletteTemplate) {
  setObjectName(QStringLiteral("Palette156"));
  QVBoxLayout* column = nullptr;
  dialogs::TitleBar* bar = dialogs::AddTitleBarColumn(Body(), settings, &column);
  bar->SetContent(ui::Text(kStrTitle), kPaletteIcon);
  selected_ = PaletteCellOf(current);

  const int side = (5 * ui::DpiX() + 48) / 96;
  auto* content = new QWidget(Body());
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(side, ui::ScaleY(6), side, 0);
  layout->setSpacing(ui::ScaleY(8));
  palette_ = new PaletteWindow(this);
  palette_->setParent(content);
  swatch_ = new SwatchButton(content, this);
  swatch_->setFixedHeight((20 * ui::DpiY() + 48) / 96);
  layout->addWidget(palette_, 0);
  layout->addWidget(swatch_, 0, Qt::AlignHCenter);
  layout->addStretch(1);
  column->addWidget(content, 1);

  auto* keys = new ui::SoftKeyBar(Body(), &PaletteBar());
  keys->SetMenuBar(1);
  keys->SetTarget(this, this);
  column->addWidget(keys, 0);

  if (!parentWidget()) dialogs::SizeLikeMainWindow(this);
  SetFullScreen(true);
  palette_->setFocus();
}

void PaletteDialog::resizeEvent(QResizeEvent* event) {
  ModalDialog::resizeEvent(event);
  swatch_->setFixedWidth(std::max(1, std::min(width(), height()) / 2));
}

QWidget* PaletteDialog::Palette() const { return palette_; }
const std::array<QRect, kPaletteCells>& PaletteDialog::Cells() const { return palette_->cells; }
bool PaletteDialog::LaidOut() const { return palette_->laidOut; }

void PaletteDialog::Select(int cell) {
  selected_ = std::clamp(cell, 0, kPaletteCells - 1);
  palette_->update();
  swatch_->update();
}

void PaletteDialog::Key(int key) {
  switch (key) {
    case Qt::Key_Left:
      if (selected_ > 0) Select(selected_ - 1);
      break;
    case Qt::Key_Right: Select(selected_ == kPaletteCells - 1 ? 0 : selected_ + 1); break;
    case Qt::Key_Up:
      if (selected_ >= kPaletteColumns) Select(selected_ - kPaletteColumns);
      break;
    case Qt::Key_Down:
      if (selected_ < kPaletteCells - kPaletteColumns) Select(selected_ + kPaletteColumns);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter: Dispatch(kCmdPaletteOk); break;
    case Qt::Key_Escape: Dispatch(kCmdPaletteCancel); break;
    default: break;
  }
}

void PaletteDialog::Dispatch(int commandId) {
  if (commandId == kCmdPaletteOk) EndDialog(ui::kResultOk);
  else if (commandId == kCmdPaletteCancel) EndDialog(ui::kResultCancel);
  else ModalDialog::Dispatch(commandId);
}

uint32_t ChooseColour(QWidget* owner, const shell::Settings& settings, uint32_t current) {
  PaletteDialog dialog(owner, settings, current);
  return dialog.RunModal() == ui::kResultOk ? dialog.Colour() : current;
}

// --- ColourButton ---

ColourButton::ColourButton(QWidget* parent, const shell::Settings& settings, int32_t colour)
    : QAbstractButton(parent), settings_(settings), colour_(colour) {
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractButton::clicked, this, &ColourButton::Choose);
}

void ColourButton::SetColour(int32_t colour) {
  colour_ = colour;
  update();
}

void ColourButton::Choose() {
  const uint32_t chosen = ChooseColour(window(), settings_, colour_ < 0 ? 0 : uint32_t(colour_));
  if (colour_ >= 0 && chosen == uint32_t(colour_)) return;
  SetColour(int32_t(chosen & 0xFFFFFF));
  emit colourChanged(colour_);
}

void ColourButton::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  const QRect r = rect();
  const bool focused = hasFocus();
  if (colour_ < 0) {
    p.fillRect(r, Qt::white);
  } else {
    DrawRingedColour(p, r, focused ? Qt::white : Qt::black, ui::FromColorRef(uint32_t(colour_)));
  }
  if (focused || colour_ < 0) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = r.adjusted(1, 1, -1, -1);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, option);
  }
}

// --- Smartphone colour lists ---

void SetUpColourList(QListWidget* list, int32_t current) {
  list->clear();
  int selected = -1;
  for (int i = 0; i < kNamedColours; ++i) {
    auto* item = new QListWidgetItem(ui::Text(kFirstColourName + uint32_t(i)), list);
    item->setData(Qt::UserRole, qlonglong(kNamedColourValues[size_t(i)]));
    if (current >= 0 && uint32_t(current) == kNamedColourValues[size_t(i)]) selected = i;
  }
  if (current >= 0 && selected < 0) {
    const uint32_t c = uint32_t(current);
    auto* item = new QListWidgetItem(
        QStringLiteral("RGB (%1,%2,%3)").arg(c & 0xFF).arg((c >> 8) & 0xFF).arg((c >> 16) & 0xFF), list);
    item->setData(Qt::UserRole, qlonglong(c));
    selected = list->count() - 1;
  }
  list->setCurrentRow(selected);
}

int32_t ListColour(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item ? int32_t(item->data(Qt::UserRole).toLongLong()) : kNoColour;
}

ColourBox::ColourBox(QWidget* parent) : QWidget(parent) {}

void ColourBox::SetColour(int32_t colour) {
  colour_ = colour;
  update();
}

void ColourBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  p.fillRect(rect().adjusted(1, 1, -1, -1), colour_ < 0 ? QColor(Qt::white) : ui::FromColorRef(uint32_t(colour_)));
}

}  // namespace tb::cards
