#pragma once
// Choosing a colour: the palette dialog of 64 colours, the colour button
// that opens it (Pocket PC), and the list of 16 named colours with its
// spin control (Smartphone). Colours are 0x00BBGGRR; -1 is "none".
#include <QAbstractButton>
#include <QWidget>

#include <array>
#include <cstdint>

#include "platform/ui/modal_dialog.h"

class QListWidget;

namespace tb::shell {
class Settings;
}

namespace tb::cards {

inline constexpr int kPaletteTemplate = 156;
inline constexpr int kPaletteId = 1001;
inline constexpr int kSwatchId = 1000;
inline constexpr int kPaletteIcon = 359;
inline constexpr int kPaletteCells = 64;
inline constexpr int kPaletteColumns = 8;
inline constexpr int kNamedColours = 16;
inline constexpr int32_t kNoColour = -1;

extern const std::array<uint32_t, kPaletteCells> kPaletteColours;
extern const std::array<uint32_t, kNamedColours> kNamedColourValues;

// The first cell of colour, 0 when the palette lacks it.
int PaletteCellOf(uint32_t colour);

class PaletteWindow;

class PaletteDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  PaletteDialog(QWidget* owner, const shell::Settings& settings, uint32_t current);

  int Selected() const { return selected_; }
  uint32_t Colour() const { return kPaletteColours[size_t(selected_)]; }
  void Select(int cell);
  QWidget* Palette() const;
  QAbstractButton* Swatch() const { return swatch_; }
  // The cell rectangles, laid out on the palette's first paint.
  const std::array<QRect, kPaletteCells>& Cells() const;
  bool LaidOut() const;

  void Dispatch(int commandId) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class PaletteWindow;
  void Key(int key);

  PaletteWindow* palette_ = nullptr;
  QAbstractButton* swatch_ = nullptr;
  int selected_ = 0;
};

// Runs the palette; the chosen colour on OK, current on Cancel.
uint32_t ChooseColour(QWidget* owner, const shell::Settings& settings, uint32_t current);

// Pocket PC: the owner-drawn colour button; a tap runs the palette.
class ColourButton : public QAbstractButton {
  Q_OBJECT

 public:
  ColourButton(QWidget* parent, const shell::Settings& settings, int32_t colour = kNoColour);
  int32_t Colour() const { return colour_; }
  void SetColour(int32_t colour);

 signals:
  void colourChanged(int32_t colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Choose();

  const shell::Settings& settings_;
  int32_t colour_;
};

// Smartphone: fills list with the 16 named colours (each entry carrying its
// colour), plus "RGB (%d,%d,%d)" for a current colour outside them, and
// selects the current colour's entry.
void SetUpColourList(QListWidget* list, int32_t current);
// The colour of the selected entry (kNoColour when none is selected).
int32_t ListColour(const QListWidget* list);

// The box beside a Smartphone colour list: the colour with a black frame.
class ColourBox : public QWidget {
  Q_OBJECT

 public:
  explicit ColourBox(QWidget* parent);
  void SetColour(int32_t colour);
  int32_t Colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int32_t colour_ = kNoColour;
};

}  // namespace tb::cards
