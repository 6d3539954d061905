#pragma once
// A card's sound: choose a WAV file, remove it, play it, export it, and
// whether it plays when the card is viewed. The dialog works on a copy and
// writes it to the card only on Done.
#include <functional>
#include <optional>
#include <string>

#include "platform/ui/modal_dialog.h"
#include "storage/card.h"

class QCheckBox;
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

inline constexpr int kTemplateSoundPocketPC = 123;
inline constexpr int kTemplateSoundSmartphone = 150;
inline constexpr int kIdSelectSound = 1087;
inline constexpr int kIdRemoveSound = 1088;
inline constexpr int kIdPlaySound = 1089;
inline constexpr int kIdExportSound = 1091;
inline constexpr int kIdPlayWhenViewed = 1092;
inline constexpr int kIdSoundFileLabel = 1093;
inline constexpr int kIdSoundFile = 1094;

class SoundDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  SoundDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card);
  ~SoundDialog() override;

  // The file picker. Default: the program's own.
  std::function<std::optional<std::string>(QWidget*, const dialogs::FilePickerOptions&)> pickFile;

  const std::optional<storage::CardSound>& Sound() const { return sound_; }
  QCheckBox* PlayWhenViewed() const { return play_; }
  QLabel* FileLine() const { return file_; }
  // Whether command (a button's id) can run now.
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
  void Play();
  void Export();
  void Store();

  storage::Card& card_;
  bool smartphone_;
  std::optional<storage::CardSound> sound_;
  dialogs::TitleBar* title_ = nullptr;
  QCheckBox* play_ = nullptr;
  QLabel* file_ = nullptr;
  QPushButton* buttons_[4] = {};
};

// True when closed with Done.
bool RunSoundDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card);

}  // namespace tb::cards
