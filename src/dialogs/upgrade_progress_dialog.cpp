#include "dialogs/upgrade_progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/texts.h"

namespace tb::dialogs {

UpgradeProgressDialog::UpgradeProgressDialog(QWidget* owner, const tb::shell::Settings& settings) : ModalDialog(owner) {
  setObjectName(QStringLiteral("UpgradeProgress"));
  setWindowTitle(tb::ui::ToQString(kUpgradeTitle));
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);
  title_->SetText(tb::ui::ToQString(kUpgradeTitle));

  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, margin, margin, margin);
  column->setSpacing(tb::ui::ScaleY(12));
  // A waiting screen: the text and the bar in the middle of it.
  column->addStretch(1);
  explanation_ = new QLabel(tb::ui::ToQString(kUpgradeExplanation), content);
  tb::ui::SetControlId(explanation_, kIdUpgradeExplanation);
  explanation_->setWordWrap(true);
  explanation_->setAlignment(Qt::AlignHCenter);
  column->addWidget(explanation_);
  bar_ = new QProgressBar(content);
  tb::ui::SetControlId(bar_, kIdUpgradeProgressBar);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  // No percentage on the bar: drawn across the filled part's edge it cannot
  // be read.
  bar_->setTextVisible(false);
  bar_->setFixedHeight(tb::ui::ScaleY(18));
  column->addWidget(bar_);
  column->addStretch(1);
  layout->addWidget(content, 1);

  if (!parentWidget()) SizeLikeMainWindow(this);
  SetFullScreen(true);
}

void UpgradeProgressDialog::SetFraction(double fraction) {
  const double percent = std::clamp(fraction, 0.0, 1.0) * 100.0;
  bar_->setValue(int(std::floor(percent)));
}

int UpgradeProgressDialog::Value() const { return bar_->value(); }

QString UpgradeProgressDialog::Explanation() const { return explanation_->text(); }

}  // namespace tb::dialogs
