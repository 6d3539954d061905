#pragma once
// A card's background picture: choose a BMP, JPEG or GIF file, remove it,
// take the colour of its top-left corner as the card's colour, export it,
// and choose where it goes on the card. The dialog works on a copy and
// writes it to the card only on Done.
#include <QAbstractButton>
#include <QImage>

#include <functional>
#include <optional>
#include <string>

#include "platform/ui/modal_dialog.h"
#include "storage/card.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace tb::shell {
class Settings;
}
namespace tb::dialogs {
class TitleBar;
struct FilePickerOptions;
}  // namespace tb::dialogs

namespace tb::cards {

inline constexpr int kTemplateImagePocketPC = 122;
inline constexpr int kTemplateImageSmartphone = 148;
inline constexpr int kIdSelectImage = 1073;
inline constexpr int kIdRemoveImage = 1074;
inline constexpr int kIdMatchBackground = 1075;
inline constexpr int kIdExportImage = 1081;
inline constexpr int kIdPositionLabel = 1079;
inline constexpr int kIdImageFileLabel = 1083;
inline constexpr int kIdScaleToFit = 1095;
inline constexpr int kIdPositionList = 1077;
inline constexpr int kIdImageFile = 1080;
inline constexpr int kIdPreview = 1085;

// The owner-drawn preview: the button face, the picture at its own size
// when it fits, else scaled down to fit keeping its proportions, centred.
class PicturePreview : public QAbstractButton {
  Q_OBJECT

 public:
  explicit PicturePreview(QWidget* parent);
  void SetPicture(const QImage& picture);
  // The preview as drawn at the button's size.
  QImage Render() const;
  // Where the picture lies in the preview.
  QRect PictureRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

class ImageDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  ImageDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card);

  // The file picker. Default: the program's own.
  std::function<std::optional<std::string>(QWidget*, const dialogs::FilePickerOptions&)> pickFile;

  bool HasPicture() const { return picture_.has_value(); }
  const QImage& Decoded() const { return decoded_; }
  QComboBox* Positions() const { return positions_; }
  QLabel* FileLine() const { return file_; }
  PicturePreview* Preview() const { return preview_; }
  QCheckBox* ScaleToFit() const { return scale_; }
  // The colour of the preview at the picture's top-left corner (white
  // without a picture), 0x00BBGGRR.
  uint32_t CornerColour() const;
  bool MatchPending() const { return match_; }
  bool CanRun(int command) const;

  void Dispatch(int commandId) override;
  void OnInitMenuPopup(QMenu* menu) override;

 protected:
  void OnInitDialog() override;
  void OnEndDialog(int result) override;

 private:
  void Refresh();
  void Select();
  void Remove();
  void Export();
  void Store();

  storage::Card& card_;
  bool smartphone_;
  std::optional<storage::CardPicture> picture_;
  QImage decoded_;
  bool newData_ = false;
  bool match_ = false;
  dialogs::TitleBar* title_ = nullptr;
  QComboBox* positions_ = nullptr;
  QLabel* file_ = nullptr;
  QCheckBox* scale_ = nullptr;
  PicturePreview* preview_ = nullptr;
  QPushButton* buttons_[4] = {};
};

// True when closed with Done.
bool RunImageDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card);

}  // namespace tb::cards
