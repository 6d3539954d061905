#pragma once
// The design mode of the card window: every field of the card as a label
// line and a kind line. A label is edited in the edit control, a kind is
// chosen from the offered kinds; the commands add, move, copy and delete
// fields and edit a selection field's choices. Changes go into the card
// at once; the card window tells its owner when it closes.
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "cards/card_body.h"
#include "cards/editor_controls.h"

namespace tb::storage {
struct Field;
}

namespace tb::cards {

// The designer's commands.
inline constexpr int kCmdAddField = 836;
inline constexpr int kCmdDeleteField = 837;
inline constexpr int kCmdFieldUp = 838;
inline constexpr int kCmdFieldDown = 839;
inline constexpr int kCmdFieldTop = 840;
inline constexpr int kCmdFieldBottom = 841;
inline constexpr int kCmdCopyField = 842;
inline constexpr int kCmdEditSelectionField = 862;

// The kinds the designer offers, in list order, with the strings naming them.
struct OfferedKind {
  uint16_t kind;
  uint32_t name;
};
inline constexpr OfferedKind kOfferedKinds[] = {
    {1, 24500}, {15, 24501}, {16, 24502}, {4, 24515},  {3, 24504},  {5, 24505},  {6, 24506},
    {7, 24507}, {8, 24508},  {9, 24509},  {10, 24510}, {11, 24511}, {12, 24512}, {13, 24513},
};
inline constexpr int kOfferedKindCount = int(std::size(kOfferedKinds));
// The first eight positions are the text-like kinds a notes field keeps to.
inline constexpr int kTextLikeKindCount = 8;

// A kind's place in the list, -1 for a kind that is not offered.
int OfferedPosition(uint16_t kind);
// The name the designer shows for a kind; empty for a kind not offered.
QString KindDisplayName(uint16_t kind);
// The positions offered for a field: a notes field with a text-like kind
// keeps to the text-like ones on Pocket PC.
int OfferedCountFor(const storage::Field& field, bool smartphone);

class FormDesigner : public CardPresenter {
 public:
  // Starts with the first line active.
  explicit FormDesigner(CardBody& body);
  ~FormDesigner() override;

  int LineCount() const { return 2 * FieldCount(); }
  int ActiveLine() const { return active_; }
  int LoadedLine() const { return loaded_; }
  int LineHeightPixels() const { return lineHeight_; }
  int Margin() const { return margin_; }
  int Gap() const { return gap_; }
  // Top of a line in content pixels.
  int LineTop(int line) const;
  // The rectangle of a line's control, in list coordinates.
  QRect ControlRect(int line) const;
  // Makes line the active one: stores the loaded line, shows and loads the
  // line's control, scrolls it into view.
  void Activate(int line);
  // Stores the loaded line into the card.
  void StoreLoaded();

  // CardPresenter
  void Paint(QPainter& painter, const QRect& client) override;
  void Tap(const QPoint& point) override;
  void NextLine() override;
  void PreviousLine() override;
  void EndEditing(bool cancelling) override;
  int ContentHeight() const override;
  int LineHeight() const override { return lineHeight_; }
  void Resized() override;
  void Scrolled() override;
  bool RunCommand(int command) override;
  int LoadedFieldKind() const override;
  bool FocusBodyAfterTap() const override { return false; }

 private:
  int FieldCount() const;
  int EntryHeight() const { return 2 * lineHeight_ + gap_; }
  // The field of the active line, -1 when there is none.
  int ActiveField() const;
  void Load(int line);
  void MakeVisible(int line);
  // The field list changed: the card is marked, the lines laid out again
  // and line made active (without storing: the loaded line is gone).
  void ListChanged(int line, bool selectAll = false);
  void Move(int command);
  void EditSelection();

  CardBody& body_;
  EditorControls* controls_;
  QFont font_;
  int lineHeight_ = 0;
  int margin_ = 0;
  int gap_ = 0;
  int active_ = 0;
  int loaded_ = -1;
};

}  // namespace tb::cards
