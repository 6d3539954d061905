#include "dialogs/strength_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include "platform/ui/colours.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/texts.h"

namespace tb::dialogs {

using tb::strength::StrengthStep;

// The five segments: as many as the step is high filled in the step's
// colour, the rest light grey.
class StrengthBar::Segments : public QWidget {
 public:
  explicit Segments(StrengthBar* bar) : QWidget(bar), bar_(bar) {
    setObjectName(QStringLiteral("segments"));
    setMinimumSize(tb::ui::ScaleX(5 * 12), tb::ui::ScaleY(8));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  QSize sizeHint() const override { return QSize(tb::ui::ScaleX(120), tb::ui::ScaleY(8)); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const int gap = tb::ui::ScaleX(2);
    const int count = tb::strength::kStepCount;
    const int width = (this->width() - gap * (count - 1)) / count;
    const int filled = bar_->shown_ ? int(bar_->strength_.step) + 1 : 0;
    const QColor on = tb::ui::FromColorRef(tb::strength::StepColour(bar_->strength_.step));
    const QColor off(0xDD, 0xDD, 0xDD);
    for (int i = 0; i < count; ++i) {
      const int x = i * (width + gap);
      // The last segment takes what the division left over.
      const int w = i == count - 1 ? this->width() - x : width;
      painter.fillRect(x, 0, w, height(), i < filled ? on : off);
    }
  }

 private:
  StrengthBar* bar_;
};

StrengthBar::StrengthBar(QWidget* parent) : QWidget(parent) {
  tb::ui::SetControlId(this, kIdStrengthBar);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(tb::ui::ScaleX(6));
  segments_ = new Segments(this);
  name_ = new QLabel(this);
  tb::ui::SetControlId(name_, kIdStrengthName);
  // Room for the longest name, so the bar does not jump while typing.
  int widest = 0;
  for (int i = 0; i < tb::strength::kStepCount; ++i)
    widest = qMax(widest,
                  name_->fontMetrics().horizontalAdvance(tb::ui::Text(tb::strength::StepNameString(StrengthStep(i)))));
  name_->setMinimumWidth(widest);
  row->addWidget(segments_, 1, Qt::AlignVCenter);
  row->addWidget(name_, 0, Qt::AlignVCenter);
}

void StrengthBar::SetPassword(const QString& text) {
  shown_ = !text.isEmpty();
  strength_ = shown_ ? tb::strength::Estimate(
                           std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())))
                     : tb::strength::Strength{};
  name_->setText(StepName());
  segments_->update();
}

QString StrengthBar::StepName() const {
  return shown_ ? tb::ui::Text(tb::strength::StepNameString(strength_.step)) : QString();
}

}  // namespace tb::dialogs
