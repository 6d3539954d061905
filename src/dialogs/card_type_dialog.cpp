#include "dialogs/card_type_dialog.h"

#include <QListWidget>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>

#include "dialogs/dialog_style.h"
#include "dialogs/file_picker_dialog.h"
#include "platform/core/text_convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/texts.h"

namespace tb::dialogs {

namespace {

std::u16string Folded(const storage::Text& name) {
  std::u16string out(name.begin(), name.end());
  platform::ToLowerInPlace(out);
  return out;
}

// The image of an entry's icon in the icon lists. The built-in forms give
// their image already; a custom form gives its record's icon number.
int ImageOf(const ui::IconLists& lists, const storage::Wallet& wallet, const storage::CardType& type) {
  if (!type.custom) return type.icon;
  if (type.icon >= 0 && type.icon < ui::kBuiltInIconCount) return ui::IconLists::BuiltInImage(type.icon);
  const int position = wallet.FindRecord(type.form);
  if (const storage::RecordHeader* record = position >= 0 ? wallet.At(position) : nullptr) {
    const std::vector<uint8_t> picture = record->IconPicture();
    return lists.FindCustomIconOf(picture.data(), picture.size());
  }
  return -1;
}

}  // namespace

std::vector<storage::CardType> SortedCardTypes(const storage::Wallet& wallet) {
  std::vector<storage::CardType> types = wallet.CardTypeList();
  std::stable_sort(types.begin(), types.end(), [](const storage::CardType& a, const storage::CardType& b) {
    if (a.custom != b.custom) return a.custom;
    return Folded(a.name) < Folded(b.name);
  });
  return types;
}

CardTypeDialog::CardTypeDialog(QWidget* owner, const storage::Wallet& wallet, ui::IconLists& lists,
                               const storage::FormId& preselected, CardTypeTitle title)
    : ModalDialog(owner, kCardTypeTemplate), title_(title), types_(SortedCardTypes(wallet)) {
  setObjectName(QStringLiteral("CardTypePicker"));
  SetFullScreen(true);
  auto* layout = new QVBoxLayout(Body());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const uint32_t titleText = title_ == CardTypeTitle::NewCard ? 28900 : 28901;
  layout->addWidget(MakeTitleBand(Body(), ui::Text(titleText)));
  list_ = new QListWidget(Body());
  ui::SetControlId(list_, kCardTypeListId);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setIconSize(QSize(lists.SmallSize(), lists.SmallSize()));
  const QList<QImage>& images = lists.Small();
  for (const storage::CardType& type : types_) {
    const int image = ImageOf(lists, wallet, type);
    QIcon icon;
    if (image >= 0 && image < images.size()) icon = QIcon(QPixmap::fromImage(images[image]));
    auto* item =
        new QListWidgetItem(icon, ui::ToQString(std::u16string_view(type.name.data(), type.name.size())), list_);
    if (type.form == preselected) list_->setCurrentItem(item);
  }
  layout->addWidget(list_, 1);
  connect(list_, &QListWidget::itemActivated, this, [this] { Confirm(); });
}

void CardTypeDialog::OnInitDialog() {
  setWindowTitle(ui::Text(title_ == CardTypeTitle::NewCard ? 28900 : 28901));
  SetMenuBar(969);
  SizeLikeMainWindow(this);
  list_->setFocus();
  if (QListWidgetItem* item = list_->currentItem()) list_->scrollToItem(item);
}

void CardTypeDialog::Confirm() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  const int row = selected.isEmpty() ? -1 : list_->row(selected.front());
  choice_ = CardTypeChoice{};
  if (row >= 0 && size_t(row) < types_.size()) {
    const storage::CardType& type = types_[size_t(row)];
    choice_.form = type.form;
    choice_.builtIn = !type.custom;
    uint32_t number = 0;
    choice_.number = choice_.builtIn && storage::IsBuiltInForm(type.form, &number) ? number : 0;
  } else {
    // Nothing chosen: the zero form, marked built-in.
    choice_.form = storage::FormId{};
  }
  EndDialog(ui::kResultOk);
}

void CardTypeDialog::Dispatch(int commandId) {
  if (commandId == ui::kCmdOk || commandId == ui::kCmdDone) {
    Confirm();
    return;
  }
  ModalDialog::Dispatch(commandId);
}

std::optional<CardTypeChoice> RunCardTypePicker(QWidget* owner, const storage::Wallet& wallet, ui::IconLists& lists,
                                                const storage::FormId& preselected, CardTypeTitle title) {
  CardTypeDialog dialog(owner, wallet, lists, preselected, title);
  if (dialog.RunModal() != ui::kResultOk) return std::nullopt;
  return dialog.Choice();
}

}  // namespace tb::dialogs
