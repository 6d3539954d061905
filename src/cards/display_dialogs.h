#pragma once
// How large and in which colours text is drawn: the Display dialog (the
// tree's text size and name colours, the default look of new cards) and a
// card's own Text/Colors dialog (its text size, colours, bold names and
// data, and whether passwords always show).
#include <QWidget>

#include <array>
#include <cstdint>

#include "platform/ui/modal_dialog.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QListWidget;

namespace tb::shell {
class Settings;
}
namespace tb::storage {
struct WalletOptions;
}
namespace tb::dialogs {
class TitleBar;
}

namespace tb::cards {

class ColourBox;
class ColourButton;

inline constexpr int kTemplateDisplayPocketPC = 120;
inline constexpr int kTemplateDisplaySmartphone = 118;
inline constexpr int kTemplateTextColorsPocketPC = 121;
inline constexpr int kTemplateTextColorsSmartphone = 151;

// Control ids (Pocket PC / Smartphone where they differ).
inline constexpr int kIdWalletViewHeading = 1019;
inline constexpr int kIdFoldersLabel = 1022;
inline constexpr int kIdCardsLabel = 1542;
inline constexpr int kIdTextSizeLabel = 1015;
inline constexpr int kIdCardDefaultsHeading = 1538;
inline constexpr int kIdBackgroundLabel = 1539;
inline constexpr int kIdFieldNamesLabel = 1504;
inline constexpr int kIdFieldDataLabel = 1502;
inline constexpr int kIdFolderColour = 1518, kIdFolderColourList = 1517;
inline constexpr int kIdCardColour = 1508, kIdCardColourList = 1507;
inline constexpr int kIdBackgroundColour = 1514, kIdBackgroundColourList = 1513;
inline constexpr int kIdLabelColour = 1516, kIdLabelColourList = 1515;
inline constexpr int kIdValueColour = 1512, kIdValueColourList = 1511;
inline constexpr int kIdTreeSizeList = 1071, kIdTreeSizeListSmartphone = 1523;
inline constexpr int kIdCardSizeList = 1072, kIdCardSizeListSmartphone = 1524;
inline constexpr int kIdLabelBold = 1025;
inline constexpr int kIdValueBold = 1027;
inline constexpr int kIdAlwaysDisplay = 1034;
inline constexpr int kIdPasswordTip = 1124;

// The entry of a three-size list that shows a stored text size: 1 to 8 the
// first, 9 the second, 0 and 10 to 12 the third, 13 and more the second.
int TextSizeEntry(uint32_t size);
// The same for the tree's list, whose last three entries are bold.
int TreeSizeEntry(uint32_t size, bool bold);
// The size an entry stores: 8, 9 or 11 (8 when nothing is selected).
uint32_t SizeOfEntry(int entry);

// One colour to choose: a colour button on Pocket PC; on Smartphone the
// list of named colours with the box that shows the choice.
class ColourChoice : public QWidget {
  Q_OBJECT

 public:
  ColourChoice(QWidget* parent, const shell::Settings& settings, int buttonId, int listId, int32_t colour);
  int32_t Colour() const;
  ColourButton* Button() const { return button_; }
  QListWidget* List() const { return list_; }
  ColourBox* Box() const { return box_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ColourButton* button_ = nullptr;
  QListWidget* list_ = nullptr;
  ColourBox* box_ = nullptr;
};

// Display (829): runs on the open wallet's options and the settings.
class DisplayOptionsDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  DisplayOptionsDialog(QWidget* owner, shell::Settings& settings, storage::WalletOptions& options);

  QComboBox* TreeSizes() const { return treeSizes_; }
  QComboBox* CardSizes() const { return cardSizes_; }
  QCheckBox* LabelBold() const { return labelBold_; }
  QCheckBox* ValueBold() const { return valueBold_; }
  // Folder names, card names, card background, field names, field data.
  ColourChoice* Colour(int which) const { return colours_[size_t(which)]; }

 protected:
  void OnInitDialog() override;
  void OnEndDialog(int result) override;

 private:
  shell::Settings& settings_;
  storage::WalletOptions& options_;
  bool smartphone_;
  dialogs::TitleBar* title_ = nullptr;
  QGridLayout* grid_ = nullptr;
  QComboBox* treeSizes_ = nullptr;
  QComboBox* cardSizes_ = nullptr;
  QCheckBox* labelBold_ = nullptr;
  QCheckBox* valueBold_ = nullptr;
  std::array<ColourChoice*, 5> colours_{};
};

// True on OK; the options and settings then hold the new values.
bool RunDisplayOptions(QWidget* owner, shell::Settings& settings, storage::WalletOptions& options);

// Text/Colors (849) of one card: works on a copy of its attributes.
class CardTextColorsDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  CardTextColorsDialog(QWidget* owner, const shell::Settings& settings, const std::array<uint32_t, 16>& attributes);

  QComboBox* Sizes() const { return sizes_; }
  QCheckBox* LabelBold() const { return labelBold_; }
  QCheckBox* ValueBold() const { return valueBold_; }
  QCheckBox* AlwaysDisplay() const { return alwaysDisplay_; }
  // Background, field names, field data.
  ColourChoice* Colour(int which) const { return colours_[size_t(which)]; }
  // The attributes as the controls have them.
  std::array<uint32_t, 16> Attributes() const;
  // Whether Done found them changed.
  bool Changed() const { return changed_; }

  void Dispatch(int commandId) override;
  void accept() override { Dispatch(ui::kCmdDone); }

 protected:
  void OnInitDialog() override;

 private:
  std::array<uint32_t, 16> original_;
  bool smartphone_;
  bool changed_ = false;
  dialogs::TitleBar* title_ = nullptr;
  QComboBox* sizes_ = nullptr;
  QCheckBox* labelBold_ = nullptr;
  QCheckBox* valueBold_ = nullptr;
  QCheckBox* alwaysDisplay_ = nullptr;
  QLabel* tip_ = nullptr;
  std::array<ColourChoice*, 3> colours_{};
};

// True only when the user confirmed a change; attributes then hold it.
bool RunCardTextColors(QWidget* owner, const shell::Settings& settings, std::array<uint32_t, 16>& attributes);

}  // namespace tb::cards
