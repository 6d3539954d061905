#include "dialogs/icon_picker_dialog.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/dialog_style.h"
#include "dialogs/file_picker_dialog.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/texts.h"
#include "storage/cipher/md5.h"
#include "storage/record.h"
#include "storage/wallet.h"

namespace tb::dialogs {

namespace {

constexpr uint32_t kTitleText = 28600;
constexpr uint32_t kCurrentIconText = 28601;
constexpr uint32_t kNewIconText = 28602;
constexpr uint32_t kImportIconText = 28603;
constexpr uint32_t kImportTitleText = 25015;
constexpr uint32_t kNotAnIconText = 28604;

// Whether bytes hold a picture the icon reader can make a small or large
// icon of.
bool IsReadableIcon(const std::vector<uint8_t>& bytes) {
  return !ui::ReadIconImage(bytes.data(), bytes.size(), 16, 24).isNull() ||
         !ui::ReadIconImage(bytes.data(), bytes.size(), 32, 24).isNull();
}

// The image of a picker entry in a list of the icon lists.
int ImageOf(int entry) {
  if (entry >= 0 && entry < kFirstOwnPictureEntry) return ui::kFirstBuiltInImage + entry;
  if (entry >= kFirstOwnPictureEntry) return ui::kFirstCustomImage + (entry - kFirstOwnPictureEntry);
  return -1;
}

QImage ImageAt(const QList<QImage>& list, int entry) {
  const int image = ImageOf(entry);
  return image >= 0 && image < list.size() ? list[image] : QImage();
}

// Large and small side by side, as the picker shows an icon.
QPixmap Pair(const QImage& large, const QImage& small) {
  const int w = large.width() + ui::Scale(6) + small.width();
  const int h = std::max(large.height(), small.height());
  if (w <= 0 || h <= 0) return QPixmap();
  QImage both(w, h, QImage::Format_ARGB32_Premultiplied);
  both.fill(Qt::transparent);
  QPainter painter(&both);
  if (!large.isNull()) painter.drawImage(0, 0, large);
  if (!small.isNull()) painter.drawImage(large.width() + ui::Scale(6), (h - small.height()) / 2, small);
  painter.end();
  return QPixmap::fromImage(both);
}

bool ReadSmallFile(const std::string& path, QByteArray* bytes) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly) || file.size() <= 0 || uint64_t(file.size()) > kMaxIconFileBytes) return false;
  *bytes = file.read(qint64(kMaxIconFileBytes) + 1);
  return !bytes->isEmpty() && uint64_t(bytes->size()) <= kMaxIconFileBytes;
}

}  // namespace

IconPickerDialog::IconPickerDialog(QWidget* owner, ui::IconLists& lists, int currentEntry, bool smartphone)
    : ModalDialog(owner, smartphone ? kIconPickerSmartphoneTemplate : kIconPickerTemplate),
      lists_(lists),
      current_(currentEntry),
      smartphone_(smartphone) {
  setObjectName(smartphone ? QStringLiteral("IconPickerSmartphone") : QStringLiteral("IconPicker"));
  SetFullScreen(true);
  auto* outer = new QVBoxLayout(Body());
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(MakeTitleBand(Body(), ui::Text(kTitleText)));

  auto* grid = new QGridLayout;
  grid->setContentsMargins(ContentMargin(), ui::ScaleY(4), ContentMargin(), ui::ScaleY(4));
  auto* currentLabel = new QLabel(ui::Text(kCurrentIconText), Body());
  ui::SetControlId(currentLabel, kCurrentIconLabelId);
  auto* currentPicture = new QLabel(Body());
  ui::SetControlId(currentPicture, kCurrentIconPictureId);
  currentPicture->setPixmap(Pair(ImageAt(lists_.Large(), current_), ImageAt(lists_.Small(), current_)));
  auto* newLabel = new QLabel(ui::Text(kNewIconText), Body());
  ui::SetControlId(newLabel, kNewIconLabelId);
  newPicture_ = new QLabel(Body());
  ui::SetControlId(newPicture_, kNewIconPictureId);
  newPicture_->setMinimumHeight(lists_.LargeSize());
  import_ = new QPushButton(ui::Text(kImportIconText), Body());
  ui::SetControlId(import_, kImportIconId);
  import_->setAutoDefault(false);
  grid->addWidget(currentLabel, 0, 0);
  grid->addWidget(currentPicture, 0, 1);
  grid->addWidget(newLabel, 1, 0);
  grid->addWidget(newPicture_, 1, 1);
  grid->addWidget(import_, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
  grid->setColumnStretch(1, 1);
  outer->addLayout(grid);

  list_ = new QListWidget(Body());
  ui::SetControlId(list_, kIconListId);
  list_->setViewMode(QListView::IconMode);
  list_->setMovement(QListView::Static);
  list_->setResizeMode(QListView::Adjust);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  const int small = lists_.SmallSize();
  list_->setIconSize(QSize(small, small));
  list_->setGridSize(QSize(small + ui::Scale(10), small + ui::ScaleY(10)));
  list_->setUniformItemSizes(true);
  const QList<QImage>& images = lists_.Small();
  const int entries = kFirstOwnPictureEntry + lists_.Table().Count();
  for (int entry = 0; entry < entries; ++entry) {
    const QImage image = ImageAt(images, entry);
    if (image.isNull()) continue;
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(image)), QString(), list_);
    item->setData(Qt::UserRole, entry);
    if (entry == current_) list_->setCurrentItem(item);
  }
  outer->addWidget(list_, 1);

  connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (!item) return;
    const int entry = item->data(Qt::UserRole).toInt();
    ownFile_ = false;
    choice_ = IconChoice{entry, {}};
    ShowNew(ImageAt(lists_.Large(), entry), ImageAt(lists_.Small(), entry));
  });
  connect(list_, &QListWidget::itemActivated, this, [this] { Confirm(); });
  connect(import_, &QPushButton::clicked, this, [this] { Import(); });
  if (smartphone_) import_->hide();  // Smartphone imports from its menu
  choice_.entry = current_;
  ShowNew(ImageAt(lists_.Large(), current_), ImageAt(lists_.Small(), current_));
}

void IconPickerDialog::OnInitDialog() {
  setWindowTitle(ui::Text(kTitleText));
  SetMenuBar(smartphone_ ? 986 : 969);
  SizeLikeMainWindow(this);
  list_->setFocus();
  if (QListWidgetItem* item = list_->currentItem()) list_->scrollToItem(item);
}

void IconPickerDialog::ShowNew(const QImage& large, const QImage& small) { newPicture_->setPixmap(Pair(large, small)); }

bool IconPickerDialog::ImportFile(const std::string& path) {
  QByteArray bytes;
  if (!ReadSmallFile(path, &bytes)) return false;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  QImage small = ui::ReadIconImage(data, size_t(bytes.size()), 16, 24);
  QImage large = ui::ReadIconImage(data, size_t(bytes.size()), 32, 24);
  if (small.isNull() && large.isNull()) return false;
  if (small.isNull()) small = ui::Redraw(large, 16);
  if (large.isNull()) large = ui::Redraw(small, 32);
  ownFile_ = true;
  // The bytes shown are the bytes stored: the file is not read again.
  choice_ = IconChoice{kOwnIcon, path, std::vector<uint8_t>(data, data + bytes.size())};
  const QSignalBlocker block(list_);
  list_->clearSelection();
  ShowNew(ui::Redraw(large, lists_.LargeSize()), ui::Redraw(small, lists_.SmallSize()));
  return true;
}

void IconPickerDialog::Import() {
  FilePickerOptions options;
  options.titleNumber = kImportTitleText;
  options.filter = "*.ico";
  options.icon = ui::kPictureIcon;
  const std::optional<std::string> path = RunFilePicker(this, options);
  if (path && !ImportFile(*path)) ui::ShowMessage(this, kNotAnIconText, ui::kCaptionError, ui::MessageIcon::Stop);
}

void IconPickerDialog::Confirm() {
  if (ownFile_) {
    EndDialog(choice_.filePath.empty() ? ui::kResultCancel : ui::kResultOk);
    return;
  }
  const bool changed = choice_.entry >= 0 && choice_.entry != current_;
  EndDialog(changed ? ui::kResultOk : ui::kResultCancel);
}

void IconPickerDialog::Dispatch(int commandId) {
  switch (commandId) {
    case ui::kCmdOk:
    case ui::kCmdDone: Confirm(); break;
    case kImportIconId: Import(); break;
    default: ModalDialog::Dispatch(commandId);
  }
}

std::optional<IconChoice> RunIconPicker(QWidget* owner, ui::IconLists& lists, int currentEntry, bool smartphone) {
  IconPickerDialog dialog(owner, lists, currentEntry, smartphone);
  if (dialog.RunModal() != ui::kResultOk) return std::nullopt;
  return dialog.Choice();
}

int CurrentIconEntry(const ui::IconLists& lists, const storage::RecordHeader& record) {
  const int32_t icon = record.Icon();
  if (icon >= 0 && icon < ui::kBuiltInIconCount) return icon;
  if (icon == kOwnIcon) {
    const std::vector<uint8_t> picture = record.IconPicture();
    const int image = lists.FindCustomIconOf(picture.data(), picture.size());
    if (image >= ui::kFirstCustomImage) return kFirstOwnPictureEntry + (image - ui::kFirstCustomImage);
  }
  return -1;
}

bool ApplyIconChoice(storage::Wallet& wallet, ui::IconLists& lists, storage::RecordHeader& record,
                     const IconChoice& choice) {
  if (choice.entry == kOwnIcon) {
    std::vector<uint8_t> picture = choice.bytes;
    if (picture.empty() && !choice.filePath.empty()) {
      QByteArray read;
      if (!ReadSmallFile(choice.filePath, &read)) return false;
      picture.assign(read.begin(), read.end());
    }
    // Only a picture the reader understands goes into the record.
    if (picture.empty() || !IsReadableIcon(picture)) return false;
    if (lists.AddCustomIcon(picture.data(), picture.size()) < 0) return false;
    record.SetIconPicture(picture.data(), picture.size());
    return true;
  }
  if (choice.entry >= 0 && choice.entry < kFirstOwnPictureEntry) {
    record.SetIcon(choice.entry);
    return true;
  }
  const int index = choice.entry - kFirstOwnPictureEntry;
  if (index < 0 || index >= lists.Table().Count()) return false;
  // The lists keep only the digest: the bytes come from a record that
  // already wears the picture.
  const storage::Digest& wanted = lists.Table().At(index);
  for (int i = 0; i < wallet.Count(); ++i) {
    const storage::RecordHeader* other = wallet.At(i);
    if (!other || other->IsDeleted() || other->Icon() != kOwnIcon) continue;
    const std::vector<uint8_t> picture = other->IconPicture();
    if (picture.empty() || storage::Md5(picture.data(), picture.size()) != wanted) continue;
    record.SetIconPicture(picture.data(), picture.size());
    return true;
  }
  return false;
}

bool RunRecordIcon(QWidget* owner, storage::Wallet& wallet, ui::IconLists& lists, storage::RecordHeader& record,
                   bool smartphone) {
  const std::optional<IconChoice> choice = RunIconPicker(owner, lists, CurrentIconEntry(lists, record), smartphone);
  return choice && ApplyIconChoice(wallet, lists, record, *choice);
}

}  // namespace tb::dialogs
