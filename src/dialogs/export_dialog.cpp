#include "dialogs/export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/core/text_convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/core/settings.h"

namespace tb::dialogs {

namespace {

using ui::SetControlId;
using ui::Text;

constexpr int kBarDoneCancel = 969;
constexpr int kFontLabels = 23;  // 8.5 points, bold

constexpr uint32_t kStrTitle = 22110;
constexpr uint32_t kStrItemsLabel = 22111, kStrFormatLabel = 22120, kStrPlaceLabel = 22130, kStrIncludeLabel = 22131;
constexpr uint32_t kStrWholeWallet = 22112, kStrFolder = 22113, kStrCard = 22114, kStrCardAsForm = 22115;
constexpr uint32_t kStrTextFormat = 22122, kStrFormFormat = 22123, kStrCsvFormat = 41320;
constexpr uint32_t kStrFormData = 22135, kStrAttachments = 22136, kStrPasswords = 22137;
constexpr uint32_t kStrDocuments = 20852, kStrStorageCard = 20854;

QLabel* BoldLabel(QWidget* parent, int id, uint32_t text) {
  auto* label = new QLabel(Text(text), parent);
  SetControlId(label, id);
  if (const QFont* font = ui::FontService::Font(kFontLabels)) label->setFont(*font);
  return label;
}

QString LastNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return ui::ToQString(platform::FromUtf8(slash == std::string::npos ? path : path.substr(slash + 1)));
}

}  // namespace

std::vector<ExportPlace> ExportPlaces(const platform::DocumentPlaces& places) {
  std::vector<ExportPlace> out;
  if (!places.documents.empty()) out.push_back({Text(kStrDocuments), places.documents});
  for (const std::string& card : places.storageCards) {
    if (out.size() >= kMaxExportPlaces) break;
    const std::u16string shown =
        shell::FormatMessage(u"%s (%s)", ui::ToU16(Text(kStrStorageCard)), ui::ToU16(LastNameOf(card)));
    out.push_back({ui::ToQString(shown), card});
  }
  return out;
}

ExportDialog::ExportDialog(QWidget* owner, const shell::Settings& settings, ExportChoices& choices,
                           std::vector<ExportPlace> places)
    : ModalDialog(owner, kExportTemplate), choices_(choices), places_(std::move(places)) {
  setObjectName(QStringLiteral("Export"));
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);
  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, ui::ScaleY(6), margin, margin);
  column->setSpacing(ui::ScaleY(3));
  const int gap = ui::ScaleY(8);

  column->addWidget(BoldLabel(content, kIdExportItemsLabel, kStrItemsLabel));
  items_ = new QComboBox(content);
  SetControlId(items_, kIdExportItems);
  column->addWidget(items_);
  column->addSpacing(gap);
  column->addWidget(BoldLabel(content, kIdExportFormatLabel, kStrFormatLabel));
  format_ = new QComboBox(content);
  SetControlId(format_, kIdExportFormat);
  column->addWidget(format_);
  column->addSpacing(gap);
  column->addWidget(BoldLabel(content, kIdExportPlaceLabel, kStrPlaceLabel));
  place_ = new QComboBox(content);
  SetControlId(place_, kIdExportPlace);
  column->addWidget(place_);
  column->addSpacing(gap);
  column->addWidget(BoldLabel(content, kIdExportIncludeLabel, kStrIncludeLabel));
  first_ = new QCheckBox(content);
  SetControlId(first_, kIdExportFirstCheck);
  column->addWidget(first_);
  second_ = new QCheckBox(content);
  SetControlId(second_, kIdExportSecondCheck);
  column->addWidget(second_);
  column->addStretch(1);
  layout->addWidget(content, 1);
  SetFullScreen(true);
  SizeLikeMainWindow(this);
}

void ExportDialog::OnInitDialog() {
  SetMenuBar(kBarDoneCancel);
  title_->SetText(Text(kStrTitle));
  setWindowTitle(title_->Text());
  // Each entry carries its items value, not its place in the list.
  items_->addItem(Text(kStrWholeWallet), kExportWholeWallet);
  if (choices_.selectionKind == kExportSelectsFolder) items_->addItem(Text(kStrFolder), kExportFolder);
  if (choices_.selectionKind == kExportSelectsCard) {
    items_->addItem(Text(kStrCard), kExportCard);
    items_->addItem(Text(kStrCardAsForm), kExportCardAsForm);
  }
  for (const ExportPlace& place : places_) place_->addItem(place.shown);
  place_->setCurrentIndex(places_.empty() ? -1 : 0);
  connect(items_, &QComboBox::currentIndexChanged, this, [this] { ItemsChanged(); });
  connect(format_, &QComboBox::currentIndexChanged, this, [this] { FormatChanged(); });
  items_->setCurrentIndex(0);
  ItemsChanged();
}

void ExportDialog::ItemsChanged() {
  const bool asForm = items_->currentData().toInt() == kExportCardAsForm;
  format_->clear();
  if (asForm) {
    format_->addItem(Text(kStrFormFormat), kExportFormatForm);
  } else {
    format_->addItem(Text(kStrTextFormat), kExportFormatText);
    format_->addItem(Text(kStrCsvFormat), kExportFormatCsv);
  }
  format_->setCurrentIndex(0);
  // The first box means passwords for a text file and the field data for a
  // form: what was ticked for one is not carried to the other.
  first_->setText(Text(asForm ? kStrFormData : kStrPasswords));
  first_->setChecked(false);
  second_->setText(Text(kStrAttachments));
  second_->setChecked(false);
  second_->setVisible(!asForm);
}

void ExportDialog::FormatChanged() {
  // A table holds no attachments: the box goes while it is chosen.
  const bool table = format_->currentData().toInt() == kExportFormatCsv;
  if (table) second_->setChecked(false);
  second_->setVisible(!table && items_->currentData().toInt() != kExportCardAsForm);
}

void ExportDialog::Confirm() {
  const int place = place_->currentIndex();
  if (place < 0 || size_t(place) >= places_.size()) {
    EndDialog(ui::kResultCancel);
    return;
  }
  choices_.items = items_->currentData().toInt();
  choices_.format = format_->currentData().toInt();
  choices_.includePasswords = first_->isChecked();
  choices_.includeAttachments =
      choices_.items != kExportCardAsForm && choices_.format != kExportFormatCsv && second_->isChecked();
  choices_.outputPlace = places_[size_t(place)].path;
  EndDialog(ui::kResultOk);
}

void ExportDialog::Dispatch(int commandId) {
  switch (commandId) {
    case ui::kCmdOk:
    case ui::kCmdDone: Confirm(); break;
    default: ModalDialog::Dispatch(commandId);
  }
}

bool RunExportDialog(QWidget* owner, const shell::Settings& settings, ExportChoices& choices) {
  ExportDialog dialog(owner, settings, choices, ExportPlaces(platform::CurrentDocumentPlaces()));
  return dialog.RunModal() == ui::kResultOk;
}

}  // namespace tb::dialogs
