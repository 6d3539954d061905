#include "cards/display_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "cards/card_viewer.h"
#include "cards/colour_palette.h"
#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"
#include "storage/blocks.h"

namespace tb::cards {
namespace {

using ui::SetControlId;
using ui::Text;

constexpr int kBarDoneCancel = 969;
constexpr uint32_t kStrDisplayTitle = 28400, kStrDisplayTitleSmartphone = 28300;
constexpr uint32_t kStrWalletView = 28401, kStrFolders = 28402, kStrCards = 28403, kStrTextSize = 28301;
constexpr uint32_t kStrCardDefaults = 28404, kStrBackground = 28302, kStrFieldNames = 28303, kStrFieldData = 28304;
constexpr uint32_t kStrBold = 20513;
constexpr uint32_t kStrTextColors = 20753;
constexpr uint32_t kStrSizes[] = {20900, 20901, 20902};
constexpr uint32_t kStrBoldSizes[] = {20904, 20905, 20906};
constexpr int kFontHeading = 18, kFontHeadingSmartphone = 23;

// A one-line list on Smartphone shows one entry at a time.
void ShowOneRow(QListWidget* list) {
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setFixedHeight(list->fontMetrics().height() + tb::ui::ScaleY(4) + 2 * list->frameWidth());
}

QLabel* AddLabel(QWidget* parent, int id, uint32_t text) {
  auto* label = new QLabel(Text(text), parent);
  if (id) SetControlId(label, id);
  return label;
}

QLabel* AddHeading(QWidget* parent, int id, uint32_t text, bool smartphone) {
  QLabel* label = AddLabel(parent, id, text);
  if (const QFont* font = ui::FontService::Font(smartphone ? kFontHeadingSmartphone : kFontHeading))
    label->setFont(*font);
  return label;
}

QComboBox* AddSizeList(QWidget* parent, int id, bool withBold) {
  auto* list = new QComboBox(parent);
  SetControlId(list, id);
  for (uint32_t s : kStrSizes) list->addItem(Text(s));
  if (withBold)
    for (uint32_t s : kStrBoldSizes) list->addItem(Text(s));
  return list;
}

QCheckBox* AddCheck(QWidget* parent, int id, const QString& text, bool checked) {
  auto* box = new QCheckBox(text, parent);
  SetControlId(box, id);
  box->setChecked(checked);
  return box;
}

QWidget* MakeContent(QWidget* body, QVBoxLayout* column, QGridLayout** grid) {
  auto* content = new QWidget(body);
  auto* inner = new QVBoxLayout(content);
  const int margin = dialogs::ContentMargin();
  inner->setContentsMargins(margin, ui::ScaleY(6), margin, margin);
  inner->setSpacing(ui::ScaleY(4));
  *grid = new QGridLayout;
  (*grid)->setHorizontalSpacing(ui::ScaleX(6));
  (*grid)->setVerticalSpacing(ui::ScaleY(4));
  (*grid)->setColumnStretch(1, 1);
  inner->addLayout(*grid);
  inner->addStretch(1);
  column->addWidget(content, 1);
  return content;
}

}  // namespace

int TextSizeEntry(uint32_t size) {
  if (size >= 1 && size <= 8) return 0;
  if (size == 9) return 1;
  if (size == 0 || (size >= 10 && size <= 12)) return 2;
  return 1;
}

int TreeSizeEntry(uint32_t size, bool bold) { return TextSizeEntry(size) + (bold ? 3 : 0); }

uint32_t SizeOfEntry(int entry) {
  if (entry < 0) return 8;
  static constexpr uint32_t kSizes[] = {8, 9, 11};
  return kSizes[entry % 3];
}

// --- ColourChoice -----------------------------------------------------------

ColourChoice::ColourChoice(QWidget* parent, const shell::Settings& settings, int buttonId, int listId, int32_t colour)
    : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(ui::ScaleX(4));
  if (settings.IsSmartphone()) {
    list_ = new QListWidget(this);
    SetControlId(list_, listId);
    SetUpColourList(list_, colour);
    ShowOneRow(list_);
    list_->installEventFilter(this);
    box_ = new ColourBox(this);
    box_->setFixedSize(ui::ScaleX(16), ui::ScaleY(16));
    box_->SetColour(ListColour(list_));
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
      box_->SetColour(ListColour(list_));
      if (QListWidgetItem* item = list_->item(row)) list_->scrollToItem(item, QAbstractItemView::PositionAtTop);
    });
    if (list_->currentItem()) list_->scrollToItem(list_->currentItem(), QAbstractItemView::PositionAtTop);
    row->addWidget(list_, 1);
    row->addWidget(box_);
  } else {
    button_ = new ColourButton(this, settings, colour);
    SetControlId(button_, buttonId);
    button_->setFixedSize(ui::ScaleX(36), ui::ScaleY(18));
    row->addWidget(button_);
    row->addStretch(1);
  }
}

int32_t ColourChoice::Colour() const { return button_ ? button_->Colour() : ListColour(list_); }

bool ColourChoice::eventFilter(QObject* watched, QEvent* event) {
  // Left and Right step through the named colours as the spin control does.
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
      const int next = list_->currentRow() + (key == Qt::Key_Right ? 1 : -1);
      if (next >= 0 && next < list_->count()) list_->setCurrentRow(next);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// --- DisplayOptionsDialog ---------------------------------------------------

DisplayOptionsDialog::DisplayOptionsDialog(QWidget* owner, shell::Settings& settings, storage::WalletOptions& options)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplateDisplaySmartphone : kTemplateDisplayPocketPC),
      settings_(settings),
      options_(options),
      smartphone_(settings.IsSmartphone()) {
  QVBoxLayout* column = nullptr;
  title_ = dialogs::AddTitleBarColumn(Body(), settings, &column);
  QWidget* content = MakeContent(Body(), column, &grid_);
  const auto defaults = options.DefaultAttributes();
  const auto pick = [&](int buttonId, int listId, uint32_t colour) {
    return new ColourChoice(content, settings, buttonId, listId, int32_t(colour));
  };
  colours_[0] = pick(kIdFolderColour, kIdFolderColourList, options.FolderNameColour());
  colours_[1] = pick(kIdCardColour, kIdCardColourList, options.CardNameColour());
  colours_[2] = pick(kIdBackgroundColour, kIdBackgroundColourList, defaults[kAttrBackground]);
  colours_[3] = pick(kIdLabelColour, kIdLabelColourList, defaults[kAttrLabelColour]);
  colours_[4] = pick(kIdValueColour, kIdValueColourList, defaults[kAttrValueColour]);
  treeSizes_ = AddSizeList(content, smartphone_ ? kIdTreeSizeListSmartphone : kIdTreeSizeList, true);
  cardSizes_ = AddSizeList(content, smartphone_ ? kIdCardSizeListSmartphone : kIdCardSizeList, false);
  labelBold_ = AddCheck(content, kIdLabelBold, Text(kStrBold), defaults[kAttrLabelBold] != 0);
  valueBold_ = AddCheck(content, kIdValueBold, Text(kStrBold), defaults[kAttrValueBold] != 0);

  int row = 0;
  grid_->addWidget(AddHeading(content, kIdWalletViewHeading, kStrWalletView, smartphone_), row++, 0, 1, 3);
  grid_->addWidget(AddLabel(content, kIdFoldersLabel, kStrFolders), row, 0);
  grid_->addWidget(colours_[0], row++, 1, 1, 2);
  grid_->addWidget(AddLabel(content, kIdCardsLabel, kStrCards), row, 0);
  grid_->addWidget(colours_[1], row++, 1, 1, 2);
  grid_->addWidget(AddLabel(content, kIdTextSizeLabel, kStrTextSize), row, 0);
  grid_->addWidget(treeSizes_, row++, 1, 1, 2);
  grid_->addWidget(AddHeading(content, kIdCardDefaultsHeading, kStrCardDefaults, smartphone_), row++, 0, 1, 3);
  grid_->addWidget(AddLabel(content, 0, kStrTextSize), row, 0);
  grid_->addWidget(cardSizes_, row++, 1, 1, 2);
  grid_->addWidget(AddLabel(content, kIdBackgroundLabel, kStrBackground), row, 0);
  grid_->addWidget(colours_[2], row++, 1, 1, 2);
  grid_->addWidget(AddLabel(content, kIdFieldNamesLabel, kStrFieldNames), row, 0);
  grid_->addWidget(colours_[3], row, 1);
  grid_->addWidget(labelBold_, row++, 2);
  grid_->addWidget(AddLabel(content, kIdFieldDataLabel, kStrFieldData), row, 0);
  grid_->addWidget(colours_[4], row, 1);
  grid_->addWidget(valueBold_, row++, 2);
  SetFullScreen(true);
  dialogs::SizeLikeMainWindow(this);
}

void DisplayOptionsDialog::OnInitDialog() {
  SetMenuBar(kBarDoneCancel);
  title_->SetText(Text(smartphone_ ? kStrDisplayTitleSmartphone : kStrDisplayTitle));
  setWindowTitle(title_->Text());
  treeSizes_->setCurrentIndex(TreeSizeEntry(settings_.fontMain, (settings_.fontMainStyle & 1) != 0));
  cardSizes_->setCurrentIndex(TextSizeEntry(settings_.fontCard));
}

void DisplayOptionsDialog::OnEndDialog(int result) {
  if (result != ui::kResultOk) return;
  const int tree = treeSizes_->currentIndex();
  settings_.fontMainStyle = (settings_.fontMainStyle & ~1u) | (tree > 2 ? 1u : 0u);
  settings_.fontMain = SizeOfEntry(tree);
  settings_.fontCard = SizeOfEntry(cardSizes_->currentIndex());
  auto defaults = options_.DefaultAttributes();
  defaults[kAttrTextSize] = settings_.fontCard;
  defaults[kAttrLabelBold] = labelBold_->isChecked() ? 1 : 0;
  defaults[kAttrValueBold] = valueBold_->isChecked() ? 1 : 0;
  defaults[kAttrBackground] = uint32_t(colours_[2]->Colour());
  defaults[kAttrLabelColour] = uint32_t(colours_[3]->Colour());
  defaults[kAttrValueColour] = uint32_t(colours_[4]->Colour());
  options_.SetDefaultAttributes(defaults);
  options_.SetFolderNameColour(uint32_t(colours_[0]->Colour()));
  options_.SetCardNameColour(uint32_t(colours_[1]->Colour()));
}

bool RunDisplayOptions(QWidget* owner, shell::Settings& settings, storage::WalletOptions& options) {
  DisplayOptionsDialog dialog(owner, settings, options);
  return dialog.RunModal() == ui::kResultOk;
}

// --- CardTextColorsDialog ---------------------------------------------------

CardTextColorsDialog::CardTextColorsDialog(QWidget* owner, const shell::Settings& settings,
                                           const std::array<uint32_t, 16>& attributes)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplateTextColorsSmartphone : kTemplateTextColorsPocketPC),
      original_(attributes),
      smartphone_(settings.IsSmartphone()) {
  QVBoxLayout* column = nullptr;
  title_ = dialogs::AddTitleBarColumn(Body(), settings, &column);
  QGridLayout* grid = nullptr;
  QWidget* content = MakeContent(Body(), column, &grid);
  const auto pick = [&](int buttonId, int listId, uint32_t colour) {
    return new ColourChoice(content, settings, buttonId, listId, int32_t(colour));
  };
  colours_[0] = pick(kIdBackgroundColour, kIdBackgroundColourList, attributes[kAttrBackground]);
  colours_[1] = pick(kIdLabelColour, kIdLabelColourList, attributes[kAttrLabelColour]);
  colours_[2] = pick(kIdValueColour, kIdValueColourList, attributes[kAttrValueColour]);
  sizes_ = AddSizeList(content, smartphone_ ? kIdCardSizeListSmartphone : kIdCardSizeList, false);
  labelBold_ = AddCheck(content, kIdLabelBold, Text(kStrBold), attributes[kAttrLabelBold] != 0);
  valueBold_ = AddCheck(content, kIdValueBold, Text(kStrBold), attributes[kAttrValueBold] != 0);
  alwaysDisplay_ =
      AddCheck(content, kIdAlwaysDisplay, QStringLiteral("Always display"), attributes[kAttrShowPasswords] != 0);

  int row = 0;
  grid->addWidget(AddLabel(content, 0, kStrTextSize), row, 0);
  grid->addWidget(sizes_, row++, 1, 1, 2);
  grid->addWidget(AddLabel(content, 0, kStrBackground), row, 0);
  grid->addWidget(colours_[0], row++, 1, 1, 2);
  grid->addWidget(AddLabel(content, 0, kStrFieldNames), row, 0);
  grid->addWidget(colours_[1], row, 1);
  grid->addWidget(labelBold_, row++, 2);
  grid->addWidget(AddLabel(content, 0, kStrFieldData), row, 0);
  grid->addWidget(colours_[2], row, 1);
  grid->addWidget(valueBold_, row++, 2);
  grid->addWidget(alwaysDisplay_, row++, 0, 1, 3);
  if (!smartphone_) {
    tip_ = new QLabel(QStringLiteral("Tip: Highlighting a password field will display your hidden data"), content);
    SetControlId(tip_, kIdPasswordTip);
    tip_->setWordWrap(true);
    grid->addWidget(tip_, row++, 0, 1, 3);
  }
  SetFullScreen(true);
  dialogs::SizeLikeMainWindow(this);
}

void CardTextColorsDialog::OnInitDialog() {
  SetMenuBar(kBarDoneCancel);
  title_->SetText(Text(kStrTextColors));
  setWindowTitle(title_->Text());
  sizes_->setCurrentIndex(TextSizeEntry(original_[kAttrTextSize]));
}

std::array<uint32_t, 16> CardTextColorsDialog::Attributes() const {
  auto a = original_;
  a[kAttrTextSize] = SizeOfEntry(sizes_->currentIndex());
  a[kAttrValueBold] = valueBold_->isChecked() ? 1 : 0;
  a[kAttrLabelBold] = labelBold_->isChecked() ? 1 : 0;
  a[kAttrShowPasswords] = alwaysDisplay_->isChecked() ? 1 : 0;
  a[kAttrBackground] = uint32_t(colours_[0]->Colour());
  a[kAttrLabelColour] = uint32_t(colours_[1]->Colour());
  a[kAttrValueColour] = uint32_t(colours_[2]->Colour());
  return a;
}

void CardTextColorsDialog::Dispatch(int commandId) {
  // Done confirms only a change; without one it ends as Cancel does.
  if (commandId == ui::kCmdDone || commandId == ui::kCmdOk) {
    changed_ = Attributes() != original_;
    EndDialog(changed_ ? ui::kResultOk : ui::kResultCancel);
    return;
  }
  ModalDialog::Dispatch(commandId);
}

bool RunCardTextColors(QWidget* owner, const shell::Settings& settings, std::array<uint32_t, 16>& attributes) {
  CardTextColorsDialog dialog(owner, settings, attributes);
  if (dialog.RunModal() != ui::kResultOk || !dialog.Changed()) return false;
  attributes = dialog.Attributes();
  return true;
}

}  // namespace tb::cards
