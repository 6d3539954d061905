#include "dialogs/title_bar.h"

#include <QColor>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "shell/core/settings.h"

namespace tb::dialogs {
namespace {

int Red(uint32_t c) { return int(c & 0xFF); }
int Green(uint32_t c) { return int((c >> 8) & 0xFF); }
int Blue(uint32_t c) { return int((c >> 16) & 0xFF); }

constexpr int kOwnIconSmall = 16;
constexpr int kOwnIconLarge = 32;
constexpr int kPreferredBits = 24;

// The space between the icon column and the text, and after the text.
int TextMargin() { return (5 * tb::ui::DpiX() + 48) / 96; }

}  // namespace

TitleBar::TitleBar(QWidget* parent, const tb::shell::Settings& settings)
    : QWidget(parent), start_(settings.colorBarStart), end_(settings.colorBarEnd), textColour_(settings.colorBarText) {
  tb::ui::SetControlId(this, kIdTitleBar);
  setFixedHeight(BarHeight());
  if (const QFont* bold = tb::ui::FontService::Font(tb::ui::kFontSystemBold)) {
    setFont(*bold);
  } else {
    QFont fallback = font();
    fallback.setBold(true);
    setFont(fallback);
  }
}

int TitleBar::BarHeight() { return tb::ui::ScaleY(24); }

int TitleBar::IconSize() { return (tb::ui::DpiX() + 3) * 16 / 96; }

QRect TitleBar::IconRect() const {
  const int s = IconSize();
  const int offset = (height() - s) / 2;
  return QRect(offset, offset, s, s);
}

QRect TitleBar::TextRect() const {
  const QRect icon = IconRect();
  const int left = icon.x() + icon.width() + icon.x() + TextMargin();
  const int right = width() - TextMargin();
  return QRect(left, 0, std::max(0, right - left), height() - 1);
}

QColor TitleBar::GradientRow(uint32_t start, uint32_t end, int row, int rows) {
  if (rows <= 0) return QColor(Red(start), Green(start), Blue(start));
  return QColor(Red(start) + (Red(end) - Red(start)) * row / rows,
                Green(start) + (Green(end) - Green(start)) * row / rows,
                Blue(start) + (Blue(end) - Blue(start)) * row / rows);
}

void TitleBar::SetText(const QString& text) {
  text_ = text;
  update();
}

void TitleBar::SetContent(const QString& text, int iconIndex, const QList<QImage>* imageList,
                          std::span<const uint8_t> picture) {
  text_ = text;
  iconKind_ = IconKind::None;
  resource_ = 0;
  entry_ = QImage();
  small_ = QImage();
  large_ = QImage();
  loaded_ = QImage();
  loadedSize_ = 0;
  if (iconIndex == kTitleOwnIcons) {
    if (!picture.empty()) {
      small_ = tb::ui::ReadIconImage(picture.data(), picture.size(), kOwnIconSmall, kPreferredBits);
      large_ = tb::ui::ReadIconImage(picture.data(), picture.size(), kOwnIconLarge, kPreferredBits);
      if (small_.isNull()) small_ = tb::ui::Redraw(large_, kOwnIconSmall);
      if (large_.isNull()) large_ = tb::ui::Redraw(small_, kOwnIconLarge);
      if (!small_.isNull()) iconKind_ = IconKind::Picture;
    }
  } else if (imageList) {
    if (iconIndex >= 0 && iconIndex < imageList->size() && !imageList->at(iconIndex).isNull()) {
      entry_ = imageList->at(iconIndex);
      iconKind_ = IconKind::ImageListEntry;
    }
  } else if (iconIndex > 0) {
    resource_ = iconIndex;
    iconKind_ = IconKind::Resource;
  }
  update();
}

void TitleBar::SetIconResource(int number) { SetContent(text_, number); }

QImage TitleBar::IconImage() const {
  const int s = IconSize();
  switch (iconKind_) {
    case IconKind::None: return QImage();
    case IconKind::Picture: return s == kOwnIconLarge ? large_ : small_;
    case IconKind::ImageListEntry: return entry_;
    case IconKind::Resource:
      if (loadedSize_ != s) {
        loaded_ = tb::ui::IconResource(resource_, s);
        loadedSize_ = s;
      }
      return loaded_;
  }
  return QImage();
}

void TitleBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // One row per pixel line from the start colour to the end colour; the
  // bar's last line stays the background's, as a thin separator.
  const int rows = height() - 1;
  for (int row = 0; row < rows; ++row) painter.fillRect(0, row, width(), 1, GradientRow(start_, end_, row, rows));

  const QImage icon = IconImage();
  if (!icon.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(IconRect(), icon);
  }

  const QRect text = TextRect();
  painter.setPen(QColor(Red(textColour_), Green(textColour_), Blue(textColour_)));
  painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   fontMetrics().elidedText(text_, Qt::ElideRight, text.width()));
}

namespace {
const tb::shell::Settings* g_programSettings = nullptr;
}  // namespace

void SetProgramSettings(const tb::shell::Settings* settings) { g_programSettings = settings; }

const tb::shell::Settings& ProgramSettings() {
  static const tb::shell::Settings defaults;
  return g_programSettings ? *g_programSettings : defaults;
}

TitleBar* AddTitleBarColumn(QWidget* body, const tb::shell::Settings& settings, QVBoxLayout** column) {
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* bar = new TitleBar(body, settings);
  layout->addWidget(bar);
  *column = layout;
  return bar;
}

}  // namespace tb::dialogs
