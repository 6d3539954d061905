#include "dialogs/title_bar.h"

#include <QVBoxLayout>

#include <QPainter>

#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "shell/core/settings.h"

namespace tb::dialogs {
namespace {

int Red(uint32_t c) { return int(c & 0xFF); }
int Green(uint32_t c) { return int((c >> 8) & 0xFF); }
int Blue(uint32_t c) { return int((c >> 16) & 0xFF); }

}  // namespace

TitleBar::TitleBar(QWidget* parent, const tb::shell::Settings& settings)
    : QWidget(parent),
      start_(settings.colorBarStart),
      end_(settings.colorBarEnd),
      textColour_(settings.colorBarText) {
  tb::ui::SetControlId(this, kIdTitleBar);
  setFixedHeight(BarHeight());
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
}

int TitleBar::BarHeight() { return tb::ui::ScaleY(24); }

void TitleBar::SetText(const QString& text) {
  text_ = text;
  update();
}

void TitleBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // One row per pixel line from the start colour to the end colour; the
  // last line stays the background's, as a thin separator.
  const int h = height() - 1;
  for (int row = 0; row < h; ++row) {
    const QColor c(Red(start_) + (Red(end_) - Red(start_)) * row / h,
                   Green(start_) + (Green(end_) - Green(start_)) * row / h,
                   Blue(start_) + (Blue(end_) - Blue(start_)) * row / h);
    painter.fillRect(0, row, width(), 1, c);
  }
  const int margin = tb::ui::ScaleX(5);
  painter.setPen(QColor(Red(textColour_), Green(textColour_), Blue(textColour_)));
  painter.drawText(QRect(margin, 0, width() - 2 * margin, h), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   fontMetrics().elidedText(text_, Qt::ElideRight, width() - 2 * margin));
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
