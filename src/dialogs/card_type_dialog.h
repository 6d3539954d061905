#pragma once
// Choosing a card type: the wallet's own forms first, then the built-in
// ones, each group by name.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ui/modal_dialog.h"
#include "storage/record_id.h"
#include "storage/wallet.h"

class QListWidget;

namespace tb::ui {
class IconLists;
}

namespace tb::dialogs {

inline constexpr int kCardTypeTemplate = 108;
inline constexpr int kCardTypeListId = 1051;

// Which title the picker shows (strings 28900 and 28901).
enum class CardTypeTitle { NewCard, DefaultForm };

struct CardTypeChoice {
  storage::FormId form;
  bool builtIn = true;
  uint32_t number = 0;  // the built-in form's number
};

// The entries as the picker lists them: custom forms before built-in
// ones, each group by name without regard to case.
std::vector<storage::CardType> SortedCardTypes(const storage::Wallet& wallet);

class CardTypeDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  CardTypeDialog(QWidget* owner, const storage::Wallet& wallet, ui::IconLists& lists,
                 const storage::FormId& preselected, CardTypeTitle title);

  QListWidget* List() const { return list_; }
  const std::vector<storage::CardType>& Types() const { return types_; }
  const CardTypeChoice& Choice() const { return choice_; }

  void Dispatch(int commandId) override;
  void accept() override { Dispatch(ui::kCmdOk); }

 protected:
  void OnInitDialog() override;

 private:
  void Confirm();

  CardTypeTitle title_;
  std::vector<storage::CardType> types_;
  QListWidget* list_ = nullptr;
  CardTypeChoice choice_;
};

std::optional<CardTypeChoice> RunCardTypePicker(QWidget* owner, const storage::Wallet& wallet, ui::IconLists& lists,
                                                const storage::FormId& preselected,
                                                CardTypeTitle title = CardTypeTitle::NewCard);

}  // namespace tb::dialogs
