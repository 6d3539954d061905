#include "cards/sound_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "cards/command_buttons.h"
#include "cards/media_files.h"
#include "dialogs/dialog_style.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/sound_player.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"

namespace tb::cards {
namespace {

using ui::SetControlId;
using ui::Text;

constexpr int kBarPocketPC = 969;
constexpr int kBarSmartphone = 983;
constexpr int kIcon = 225;
constexpr uint32_t kStrTitle = 28000;
constexpr uint32_t kStrPlayWhenViewed = 28005, kStrCurrentFile = 28006;
constexpr uint32_t kStrPickerTitle = 24003;
constexpr struct {
  int id;
  uint32_t text;
} kButtons[] = {{kIdSelectSound, 28001}, {kIdRemoveSound, 28002}, {kIdPlaySound, 28003}, {kIdExportSound, 28004}};

}  // namespace

SoundDialog::SoundDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplateSoundSmartphone : kTemplateSoundPocketPC),
      card_(card),
      smartphone_(settings.IsSmartphone()) {
  pickFile = [](QWidget* o, const dialogs::FilePickerOptions& options) { return dialogs::RunFilePicker(o, options); };
  if (card.sound && !card.sound->bytes.empty()) sound_ = card.sound;
  QVBoxLayout* column = nullptr;
  title_ = dialogs::AddTitleBarColumn(Body(), settings, &column);
  auto* content = new QWidget(Body());
  auto* inner = new QVBoxLayout(content);
  const int margin = dialogs::ContentMargin();
  inner->setContentsMargins(margin, ui::ScaleY(6), margin, margin);
  inner->setSpacing(ui::ScaleY(6));
  if (!smartphone_) {
    // Smartphone has these as entries of its menu.
    for (size_t i = 0; i < std::size(kButtons); ++i) {
      buttons_[i] = MakeCommandButton(this, content, kButtons[i].id);
      inner->addWidget(buttons_[i]);
    }
  }
  play_ = new QCheckBox(content);
  SetControlId(play_, kIdPlayWhenViewed);
  inner->addWidget(play_);
  auto* label = new QLabel(content);
  SetControlId(label, kIdSoundFileLabel);
  label->setText(Text(kStrCurrentFile));
  inner->addWidget(label);
  file_ = new QLabel(content);
  SetControlId(file_, kIdSoundFile);
  file_->setWordWrap(true);
  file_->setTextFormat(Qt::PlainText);
  inner->addWidget(file_);
  inner->addStretch(1);
  column->addWidget(content, 1);
  SetFullScreen(true);
  dialogs::SizeLikeMainWindow(this);
}

SoundDialog::~SoundDialog() { ui::CurrentSoundPlayer().Stop(); }

void SoundDialog::OnInitDialog() {
  SetMenuBar(smartphone_ ? kBarSmartphone : kBarPocketPC);
  title_->SetText(Text(kStrTitle));
  title_->SetIconResource(kIcon);
  setWindowTitle(title_->Text());
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (buttons_[i]) buttons_[i]->setText(Text(kButtons[i].text));
  play_->setText(Text(kStrPlayWhenViewed));
  play_->setChecked(sound_ && sound_->play != 0);
  Refresh();
}

bool SoundDialog::CanRun(int command) const {
  switch (command) {
    case kIdSelectSound: return true;
    case kIdRemoveSound:
    case kIdPlaySound:
    case kIdExportSound: return sound_.has_value();
    default: return true;
  }
}

void SoundDialog::Refresh() {
  file_->setText(sound_ ? ui::ToQString(sound_->fileName) : QString());
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (buttons_[i]) buttons_[i]->setEnabled(CanRun(kButtons[i].id));
  play_->setEnabled(sound_.has_value());
}

void SoundDialog::OnInitMenuPopup(QMenu* menu) {
  EnableMenuEntries(menu, [this](int command) { return CanRun(command); });
}

void SoundDialog::Dispatch(int commandId) {
  switch (commandId) {
    case kIdSelectSound: Select(); return;
    case kIdRemoveSound: Remove(); return;
    case kIdPlaySound: Play(); return;
    case kIdExportSound: Export(); return;
    default: ModalDialog::Dispatch(commandId); return;
  }
}

void SoundDialog::Select() {
  dialogs::FilePickerOptions options;
  options.titleNumber = kStrPickerTitle;
  options.filter = "*.wav";
  options.icon = kIcon;
  const std::optional<std::string> path = pickFile(this, options);
  if (!path) {
    // Choosing nothing leaves the dialog without a sound.
    ui::CurrentSoundPlayer().Stop();
    sound_.reset();
    Refresh();
    return;
  }
  // The new file replaces the sound only once it is read whole.
  storage::Card scratch;
  if (!scratch.SetSoundFromFile(*path, true, MediaReadLimit()) || !scratch.sound) {
    ShowUnreadable(this);
    return;
  }
  ui::CurrentSoundPlayer().Stop();
  sound_ = std::move(scratch.sound);
  play_->setChecked(true);
  Refresh();
}

void SoundDialog::Remove() {
  if (!sound_) return;
  ui::CurrentSoundPlayer().Stop();
  sound_.reset();
  Refresh();
}

void SoundDialog::Play() {
  if (!sound_) return;
  ui::CurrentSoundPlayer().Play(sound_->bytes.data(), sound_->bytes.size());
}

void SoundDialog::Export() {
  if (!sound_) return;
  if (const auto path = ExportToDocuments(sound_->bytes, sound_->fileName)) ShowSaved(this, *path);
}

void SoundDialog::OnEndDialog(int result) {
  ui::CurrentSoundPlayer().Stop();
  if (result == ui::kResultOk) Store();
}

void SoundDialog::Store() {
  if (!sound_) {
    card_.ClearSound();
    return;
  }
  const uint32_t play = play_->isChecked() ? 1 : 0;
  const bool same = card_.sound && card_.sound->bytes == sound_->bytes && card_.sound->fileName == sound_->fileName;
  if (!same) {
    card_.SetSound(std::move(sound_->bytes), sound_->fileName, play != 0);
    card_.changed = true;
  } else if (card_.sound->play != play) {
    card_.sound->play = play;
    card_.sound->changed = true;
    card_.changed = true;
  }
  sound_.reset();
}

bool RunSoundDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card) {
  SoundDialog dialog(owner, settings, card);
  return dialog.RunModal() == ui::kResultOk;
}

}  // namespace tb::cards
