#include "dialogs/file_picker_dialog.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QScrollBar>
#include <QVBoxLayout>

#include <set>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/core/documents.h"
#include "platform/core/text_convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"

namespace tb::dialogs {

namespace {

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return out;
}

// Every file below the document places, for "*.*"; bounded like the search.
std::vector<std::string> AllDocuments(const platform::SearchLimits& limits) {
  const platform::DocumentPlaces places = platform::CurrentDocumentPlaces();
  std::vector<std::string> roots;
  if (!places.documents.empty()) roots.push_back(places.documents);
  for (const std::string& card : places.storageCards)
    roots.push_back(platform::StorageCardDocumentsFolder(card, places.documents));
  std::vector<std::string> found;
  for (const std::string& root : roots) {
    QDirIterator it(QString::fromStdString(root), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext() && found.size() < limits.maxFiles) {
      it.next();
      if (it.fileInfo().isFile()) found.push_back(it.filePath().toStdString());
    }
  }
  return found;
}

// The file name without folder and extension.
QString DisplayName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return ui::ToQString(platform::FromUtf8(name));
}

}  // namespace

QWidget* MakeTitleBand(QWidget* parent, const QString& text, const shell::Settings* settings) {
  auto* title = new TitleBar(parent, settings ? *settings : ProgramSettings());
  title->SetText(text);
  return title;
}

std::vector<std::string> FilterExtensions(std::string_view filter) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < filter.size()) {
    size_t end = filter.find_first_of(";, ", i);
    if (end == std::string_view::npos) end = filter.size();
    std::string_view part = filter.substr(i, end - i);
    i = end + 1;
    if (part.size() < 3 || part.substr(0, 2) != "*.") continue;
    std::string ext = Lowered(part.substr(2));
    if (ext.find_first_of("/\\?") != std::string::npos) continue;
    bool seen = false;
    for (const std::string& e : out) seen = seen || e == ext;
    if (!seen) out.push_back(ext);
  }
  return out;
}

std::vector<std::string> FindPickerFiles(std::string_view filter) {
  const std::vector<std::string> extensions = FilterExtensions(filter);
  std::vector<std::string> found;
  bool everything = false;
  for (const std::string& e : extensions) everything = everything || e == "*";
  found = everything ? AllDocuments({}) : platform::FindDocuments(extensions);
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (std::string& path : found)
    if (seen.insert(Lowered(path)).second) out.push_back(std::move(path));
  return out;
}

FilePickerDialog::FilePickerDialog(QWidget* owner, FilePickerOptions options)
    : ModalDialog(owner, kFilePickerTemplate), options_(std::move(options)) {
  setObjectName(QStringLiteral("FilePicker"));
  SetFullScreen(true);
  auto* layout = new QVBoxLayout(Body());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(MakeTitleBand(Body(), ui::Text(options_.titleNumber)));
  if (auto* bar = Body()->findChild<TitleBar*>()) bar->SetIconResource(options_.icon);
  list_ = new QListWidget(Body());
  list_->setObjectName(QStringLiteral("FileList"));
  ui::SetControlId(list_, kFileListId);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setIconSize(QSize(ui::SmallIconSize(ui::DpiX()), ui::SmallIconSize(ui::DpiX())));
  layout->addWidget(list_, 1);
  connect(list_, &QListWidget::itemActivated, this, [this] { Confirm(); });
}

void FilePickerDialog::OnInitDialog() {
  setWindowTitle(ui::Text(options_.titleNumber));
  SetMenuBar(options_.offerNone ? 955 : 969);
  if (!parentWidget()) SizeLikeMainWindow(this);
}

void FilePickerDialog::showEvent(QShowEvent* event) {
  ModalDialog::showEvent(event);
  if (!filled_) Fill();
}

void FilePickerDialog::Fill() {
  filled_ = true;
  list_->clear();
  paths_ = FindPickerFiles(options_.filter);
  const QImage picture = ui::IconResource(options_.icon, ui::SmallIconSize(ui::DpiX()));
  const QIcon icon = picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture));
  for (const std::string& path : paths_) {
    auto* item = new QListWidgetItem(icon, DisplayName(path), list_);
    item->setToolTip(QString::fromStdString(path));
  }
}

void FilePickerDialog::Confirm() {
  const int row = list_->currentRow();
  if (row < 0 || size_t(row) >= paths_.size() || list_->selectedItems().isEmpty()) return;
  chosen_ = paths_[size_t(row)];
  EndDialog(ui::kResultOk);
}

void FilePickerDialog::Dispatch(int commandId) {
  switch (commandId) {
    case ui::kCmdOk:
    case ui::kCmdDone: Confirm(); break;
    case kCmdNone: EndDialog(ui::kResultCancel); break;
    default: ModalDialog::Dispatch(commandId);
  }
}

std::optional<std::string> RunFilePicker(QWidget* owner, const FilePickerOptions& options) {
  FilePickerDialog dialog(owner, options);
  if (dialog.RunModal() != ui::kResultOk || dialog.ChosenPath().empty()) return std::nullopt;
  return dialog.ChosenPath();
}

}  // namespace tb::dialogs
