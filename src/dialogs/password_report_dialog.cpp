#include "dialogs/password_report_dialog.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <vector>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/core/settings.h"
#include "storage/wallet.h"

namespace tb::dialogs {
namespace {

using tb::ui::SetControlId;
using tb::ui::Text;

constexpr int kBarOpenDone = 958;
constexpr uint32_t kStrTitle = 41205, kStrSummary = 41206;
// Other cards named beside a reused entry, at most.
constexpr size_t kReusedShown = 3;

QString Name(const tb::storage::RecordHeader& header) {
  const tb::storage::Text name = header.Name();
  return tb::ui::ToQString({name.data(), name.size()});
}

}  // namespace

QString DisplayPath(const tb::storage::Wallet& wallet, int position) {
  std::vector<QString> names;
  const tb::storage::RecordHeader* h = wallet.At(position);
  // A damaged file could hold a loop of parents; no real chain is longer
  // than the index.
  for (int depth = 0; h && depth <= wallet.Count(); ++depth) {
    names.push_back(Name(*h));
    if (h->Parent().IsZero()) break;
    const int parent = wallet.FindRecord(h->Parent());
    h = parent >= 0 ? wallet.At(parent) : nullptr;
  }
  QString path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (!path.isEmpty()) path += QStringLiteral(" / ");
    path += *it;
  }
  return path;
}

PasswordReportDialog::PasswordReportDialog(QWidget* owner, tb::shell::Settings& settings,
                                           const tb::storage::Wallet& wallet, const tb::strength::AuditReport& report)
    : ModalDialog(owner, kTemplatePasswordReport),
      wallet_(wallet),
      report_(report),
      smartphone_(settings.IsSmartphone()) {
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);
  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, tb::ui::ScaleY(6), margin, margin);
  column->setSpacing(tb::ui::ScaleY(4));
  summary_ = new QLabel(content);
  SetControlId(summary_, kIdReportSummary);
  summary_->setWordWrap(true);
  column->addWidget(summary_);
  counts_ = new QLabel(content);
  SetControlId(counts_, kIdReportCounts);
  counts_->setWordWrap(true);
  column->addWidget(counts_);
  list_ = new QListWidget(content);
  SetControlId(list_, kIdReportList);
  list_->setWordWrap(true);
  list_->setTextElideMode(Qt::ElideMiddle);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Each entry is two lines: the shading tells one from the next.
  list_->setAlternatingRowColors(true);
  list_->installEventFilter(this);
  column->addWidget(list_, 1);
  layout->addWidget(content, 1);
  // A tap opens on Pocket PC; the keys' Enter (activation) on both.
  if (!smartphone_) connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { Choose(item); });
  connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { Choose(item); });
  SetFullScreen(true);
  SizeLikeMainWindow(this);
}

void PasswordReportDialog::OnInitDialog() {
  SetMenuBar(kBarOpenDone);
  title_->SetText(Text(kStrTitle));
  setWindowTitle(title_->Text());
  const tb::strength::AuditCounts& n = report_.counts;
  summary_->setText(
      tb::ui::ToQString(tb::shell::FormatMessage(tb::ui::ToU16(Text(kStrSummary)), n.fields, n.cards, n.flaggedCards)));
  QStringList counts;
  for (const uint32_t finding : tb::strength::kFindingBits)
    counts << Text(tb::strength::FindingNameString(finding)) + QStringLiteral(": ") + QString::number(n.Of(finding));
  counts_->setText(counts.join(QStringLiteral("\n")));

  for (size_t i = 0; i < report_.entries.size(); ++i) {
    const tb::strength::AuditEntry& e = report_.entries[i];
    QStringList findings;
    for (const uint32_t finding : tb::strength::kFindingBits)
      if (e.findings & finding) findings << Text(tb::strength::FindingNameString(finding));
    QString text = DisplayPath(wallet_, e.position) + QStringLiteral(": ") +
                   tb::ui::ToQString({e.label.data(), e.label.size()}) + QStringLiteral("\n") +
                   findings.join(QStringLiteral(", "));
    if (e.findings & tb::strength::kFindingReused) {
      size_t total = 0;
      QStringList others;
      for (const tb::storage::RecordId& id : tb::strength::ReusedWith(report_, i, kReusedShown, &total))
        others << DisplayPath(wallet_, wallet_.FindRecord(id));
      if (total > size_t(others.size())) others << QStringLiteral("...");
      text += QStringLiteral(" (") + others.join(QStringLiteral("; ")) + QStringLiteral(")");
    }
    auto* item = new QListWidgetItem(text, list_);
    item->setData(Qt::UserRole, QString::fromStdString(e.card.Hex()));
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
  list_->setFocus();
}

void PasswordReportDialog::Choose(QListWidgetItem* item) {
  if (!item) return;
  chosen_ = tb::storage::RecordId::FromHex(item->data(Qt::UserRole).toString().toStdString());
  if (chosen_) EndDialog(tb::ui::kResultOk);
}

bool PasswordReportDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ModalDialog::eventFilter(watched, event);
      Choose(list_->currentItem());
      return true;
    }
  }
  return ModalDialog::eventFilter(watched, event);
}

void PasswordReportDialog::Dispatch(int commandId) {
  if (commandId == kCmdReportOpen) {
    Choose(list_->currentItem());
    return;
  }
  // Done and Cancel leave without a card.
  if (commandId == tb::ui::kCmdDone || commandId == tb::ui::kCmdOk) {
    EndDialog(tb::ui::kResultCancel);
    return;
  }
  ModalDialog::Dispatch(commandId);
}

std::optional<tb::storage::RecordId> RunPasswordReport(QWidget* owner, tb::shell::Settings& settings,
                                                       tb::storage::Wallet& wallet) {
  const tb::strength::AuditReport report = tb::strength::AuditPasswords(wallet);
  PasswordReportDialog dialog(owner, settings, wallet, report);
  if (dialog.RunModal() != tb::ui::kResultOk) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace tb::dialogs
