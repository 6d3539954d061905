#pragma once
// The edit mode of the card window: the card name and every field as a
// label line and a value line, one value edited at a time with the
// control of its kind laid over its line. Leaving a line stores it in the
// card.
#include <QFont>
#include <QString>

#include <optional>

#include "cards/card_body.h"
#include "cards/editor_controls.h"
#include "platform/core/system_time.h"

namespace tb::cards {

// The editor's pixel sizes at a density.
struct EditorMetrics {
  int margin = 0;  // m = (d + 24) * 2 / 96
  int gap = 0;     // g = (d + 16) * 3 / 96
  static EditorMetrics At(int dpi);
};

inline constexpr int kEditorLabelFont = 7;
inline constexpr int kEditorValueFont = 2;
inline constexpr int kEditorMeasureFont = 1;

class CardEditor : public CardPresenter {
 public:
  // Starts on field startField's value line, or the card name for -1 (or
  // a field that does not exist).
  CardEditor(CardBody& body, int startField);
  ~CardEditor() override;

  int LineCount() const { return lineCount_; }
  int ActiveLine() const { return active_; }
  int LoadedLine() const { return loaded_; }
  int LabelLineHeight() const { return labelHeight_; }
  int ValueLineHeight() const { return valueHeight_; }
  // Top of a line in content pixels.
  int LineTop(int line) const;
  // The value line's rectangle for its control, in list coordinates.
  QRect ControlRect(int line) const;
  // Makes line (odd) the active one: stores the loaded line, shows and
  // loads the line's control, scrolls it into view.
  void Activate(int line);
  // Stores the loaded line into the card (when the control changed it).
  void StoreLoaded();
  // Whether the active line is the value of a Password field being edited
  // (where "Generate Password..." applies).
  bool OnPasswordLine() const;

  // CardPresenter
  void Paint(QPainter& painter, const QRect& client) override;
  void Tap(const QPoint& point) override;
  void NextLine() override;
  void PreviousLine() override;
  void EndEditing(bool cancelling) override;
  int ContentHeight() const override;
  int LineHeight() const override { return valueHeight_; }
  void Resized() override;
  void Scrolled() override;
  bool RunCommand(int command) override;
  bool FocusBodyAfterTap() const override { return false; }

 private:
  int FieldCount() const;
  int EntryHeight() const { return labelHeight_ + valueHeight_ + metrics_.gap; }
  int FieldOfLine(int line) const { return line / 2 - 1; }
  ControlType TypeOfLine(int line) const;
  QString ValueText(int line) const;
  void Load(int line, ControlType type);
  void MakeVisible(int line);
  void OpenLongText();
  void GeneratePassword();

  CardBody& body_;
  EditorControls* controls_;
  EditorMetrics metrics_;
  QFont labelFont_;
  QFont valueFont_;
  int labelHeight_ = 0;
  int valueHeight_ = 0;
  int lineCount_ = 0;
  int active_ = 1;
  int loaded_ = -1;
  // What the loaded control showed, so that an untouched control stores nothing.
  std::optional<tb::platform::SystemTime> loadedDate_;
  Qt::CheckState loadedCheck_ = Qt::Unchecked;
  int loadedChoice_ = -1;
  QString loadedChoiceText_;
};

}  // namespace tb::cards
