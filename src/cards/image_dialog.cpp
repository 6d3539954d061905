#include "cards/image_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "cards/card_picture.h"
#include "cards/card_viewer.h"
#include "cards/command_buttons.h"
#include "cards/media_files.h"
#include "dialogs/dialog_style.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"

namespace tb::cards {
namespace {

using ui::SetControlId;
using ui::Text;

constexpr int kBarPocketPC = 969;
constexpr int kBarSmartphone = 981;
constexpr int kIcon = 224;
constexpr uint32_t kStrTitle = 28100;
constexpr uint32_t kStrPosition = 28105, kStrCurrentFile = 28106, kStrScaleToFit = 28107;
constexpr uint32_t kStrFirstPosition = 28110;
constexpr int kPositions = 10;
constexpr uint32_t kWhite = 0xFFFFFF;

uint32_t ColourRefOf(const QColor& c) {
  return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}
constexpr struct {
  int id;
  uint32_t text;
} kButtons[] = {{kIdSelectImage, 28101}, {kIdRemoveImage, 28102}, {kIdMatchBackground, 28103}, {kIdExportImage, 28104}};

}  // namespace

// --- PicturePreview -----------------------------------------------------------

PicturePreview::PicturePreview(QWidget* parent) : QAbstractButton(parent) { setFocusPolicy(Qt::NoFocus); }

void PicturePreview::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

QRect PicturePreview::PictureRect() const {
  if (picture_.isNull()) return {};
  QSize size = picture_.size();
  if (size.width() > width() || size.height() > height()) size = size.scaled(this->size(), Qt::KeepAspectRatio);
  size = size.expandedTo(QSize(1, 1));
  return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QImage PicturePreview::Render() const {
  QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(palette().color(QPalette::Button));
  if (!picture_.isNull()) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(), picture_);
  }
  return image;
}

void PicturePreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), Render());
}

// --- ImageDialog --------------------------------------------------------------

ImageDialog::ImageDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplateImageSmartphone : kTemplateImagePocketPC),
      card_(card),
      smartphone_(settings.IsSmartphone()) {
  pickFile = [](QWidget* o, const dialogs::FilePickerOptions& options) { return dialogs::RunFilePicker(o, options); };
  QVBoxLayout* column = nullptr;
  title_ = dialogs::AddTitleBarColumn(Body(), settings, &column);
  auto* content = new QWidget(Body());
  auto* grid = new QGridLayout(content);
  const int margin = dialogs::ContentMargin();
  grid->setContentsMargins(margin, ui::ScaleY(6), margin, margin);
  grid->setSpacing(ui::ScaleY(4));
  int row = 0;
  if (!smartphone_) {
    // Smartphone has these as entries of its menu.
    for (size_t i = 0; i < std::size(kButtons); ++i) {
      buttons_[i] = MakeCommandButton(this, content, kButtons[i].id);
      grid->addWidget(buttons_[i], row + int(i / 2), int(i % 2));
    }
    row += 2;
  }
  auto* positionLabel = new QLabel(Text(kStrPosition), content);
  SetControlId(positionLabel, kIdPositionLabel);
  grid->addWidget(positionLabel, row, 0);
  positions_ = new QComboBox(content);
  SetControlId(positions_, kIdPositionList);
  grid->addWidget(positions_, row++, 1);
  auto* fileLabel = new QLabel(Text(kStrCurrentFile), content);
  SetControlId(fileLabel, kIdImageFileLabel);
  grid->addWidget(fileLabel, row++, 0, 1, 2);
  file_ = new QLabel(content);
  SetControlId(file_, kIdImageFile);
  file_->setTextFormat(Qt::PlainText);
  grid->addWidget(file_, row++, 0, 1, 2);
  // Carried between the card and the dialog; drawing does not use it.
  scale_ = new QCheckBox(Text(kStrScaleToFit), content);
  SetControlId(scale_, kIdScaleToFit);
  scale_->hide();
  preview_ = new PicturePreview(content);
  SetControlId(preview_, kIdPreview);
  preview_->setMinimumSize(ui::ScaleX(64), ui::ScaleY(64));
  preview_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  grid->addWidget(preview_, row++, 0, 1, 2);
  grid->setRowStretch(row - 1, 1);
  column->addWidget(content, 1);

  if (card.picture && !card.picture->bytes.empty()) {
    picture_ = card.picture;
    decoded_ = DecodePicture(picture_->bytes.data(), picture_->bytes.size());
  }
  SetFullScreen(true);
  dialogs::SizeLikeMainWindow(this);
}

void ImageDialog::OnInitDialog() {
  SetMenuBar(smartphone_ ? kBarSmartphone : kBarPocketPC);
  title_->SetText(Text(kStrTitle));
  title_->SetIconResource(kIcon);
  setWindowTitle(title_->Text());
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (buttons_[i]) buttons_[i]->setText(Text(kButtons[i].text));
  for (int i = 0; i < kPositions; ++i) positions_->addItem(Text(kStrFirstPosition + uint32_t(i)));
  if (picture_) {
    const uint32_t p = picture_->placement;
    positions_->setCurrentIndex(p >= 1 && p <= uint32_t(kPositions) ? int(p) - 1 : 0);
    scale_->setChecked(picture_->scaleToFit != 0);
  } else {
    positions_->setCurrentIndex(int(kPlacementDefault) - 1);
  }
  Refresh();
}

uint32_t ImageDialog::CornerColour() const {
  if (!picture_ || decoded_.isNull()) return kWhite;
  const QRect where = preview_->PictureRect();
  const QImage shown = preview_->Render();
  if (!shown.rect().contains(where.topLeft())) return kWhite;
  return ColourRefOf(shown.pixelColor(where.topLeft()));
}

bool ImageDialog::CanRun(int command) const {
  switch (command) {
    case kIdRemoveImage:
    case kIdMatchBackground:
    case kIdExportImage: return picture_.has_value();
    default: return true;
  }
}

void ImageDialog::Refresh() {
  file_->setText(picture_ ? ui::ToQString(picture_->fileName) : QString());
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (buttons_[i]) buttons_[i]->setEnabled(CanRun(kButtons[i].id));
  positions_->setEnabled(picture_.has_value());
  preview_->SetPicture(picture_ ? decoded_ : QImage());
}

void ImageDialog::OnInitMenuPopup(QMenu* menu) {
  EnableMenuEntries(menu, [this](int command) { return CanRun(command); });
}

void ImageDialog::Dispatch(int commandId) {
  switch (commandId) {
    case kIdSelectImage: Select(); return;
    case kIdRemoveImage: Remove(); return;
    case kIdMatchBackground:
      if (picture_) match_ = true;
      return;
    case kIdExportImage: Export(); return;
    default: ModalDialog::Dispatch(commandId); return;
  }
}

void ImageDialog::Select() {
  dialogs::FilePickerOptions options;
  options.titleNumber = kButtons[0].text;
  options.filter = "*.bmp;*.jpg;*.jpeg;*.gif";
  options.icon = kIcon;
  const std::optional<std::string> path = pickFile(this, options);
  if (!path) {
    // Choosing nothing leaves the dialog without a picture.
    Remove();
    return;
  }
  // The new file replaces the picture only once it is read and decoded.
  storage::Card scratch;
  if (!scratch.SetPictureFromFile(*path, uint32_t(positions_->currentIndex() + 1), MediaReadLimit()) ||
      !scratch.picture) {
    ShowUnreadable(this);
    return;
  }
  QImage decoded = DecodePicture(scratch.picture->bytes.data(), scratch.picture->bytes.size());
  if (decoded.isNull()) {
    ShowUnreadable(this);
    return;
  }
  picture_ = std::move(scratch.picture);
  decoded_ = std::move(decoded);
  newData_ = true;
  Refresh();
}

void ImageDialog::Remove() {
  picture_.reset();
  decoded_ = QImage();
  newData_ = false;
  match_ = false;
  Refresh();
}

void ImageDialog::Export() {
  if (!picture_) return;
  if (const auto path = ExportToDocuments(picture_->bytes, picture_->fileName)) ShowSaved(this, *path);
}

void ImageDialog::OnEndDialog(int result) {
  if (result == ui::kResultOk) Store();
}

void ImageDialog::Store() {
  if (match_) {
    const uint32_t corner = CornerColour();
    if (card_.attributes[kAttrBackground] != corner) {
      card_.attributes[kAttrBackground] = corner;
      card_.changed = true;
    }
  }
  if (!picture_) {
    card_.ClearPicture();
    return;
  }
  const uint32_t position = ValidPlacement(uint32_t(positions_->currentIndex() + 1));
  if (newData_ && !picture_->fileName.empty()) {
    const uint32_t type = picture_->type;
    card_.SetPicture(std::move(picture_->bytes), picture_->fileName, position);
    card_.picture->type = type;
    card_.changed = true;
  } else if (card_.picture && card_.picture->placement != position) {
    card_.picture->placement = position;
    card_.picture->changed = true;
  }
  if (card_.picture) {
    const uint32_t scale = scale_->isChecked() ? 1 : 0;
    if (card_.picture->scaleToFit != scale) {
      card_.picture->scaleToFit = scale;
      card_.picture->changed = true;
    }
  }
}

bool RunImageDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card) {
  ImageDialog dialog(owner, settings, card);
  return dialog.RunModal() == ui::kResultOk;
}

}  // namespace tb::cards
