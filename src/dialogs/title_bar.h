#pragma once
// The coloured caption strip at the top of the dialogs (control 1059): a
// vertical gradient between the bar colours of the settings, an icon at
// the left and the text in the bar text colour after it.
//
// With d the screen's dots per inch and H the bar height, the icon is a
// square of s = (d + 3) * 16 / 96 pixels at ((H - s) / 2, (H - s) / 2);
// the text runs from the icon's right edge plus (H - s) / 2 plus
// (5 * d + 48) / 96 pixels to (5 * d + 48) / 96 pixels before the right
// edge. Every bar keeps that text position, with or without an icon, so
// the captions of all dialogs line up.
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <span>

class QColor;
class QVBoxLayout;

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

inline constexpr int kIdTitleBar = 1059;
// The icon index that shows the bar's own icons, made from a picture.
inline constexpr int kTitleOwnIcons = -1;

class TitleBar : public QWidget {
  Q_OBJECT

 public:
  // Colours 0x00BBGGRR, as the settings keep them.
  TitleBar(QWidget* parent, const tb::shell::Settings& settings);

  void SetText(const QString& text);
  QString Text() const { return text_; }

  // Replaces what the bar shows. iconIndex kTitleOwnIcons: the 16 and
  // 32 pixel icons made from picture (the bytes of an ".ico" icon picture,
  // a missing size drawn from the other), the 32-pixel one when s is 32;
  // otherwise entry iconIndex of imageList, or, with no image list, the
  // program's icon resource iconIndex at size s. A number that names
  // nothing shows no icon.
  void SetContent(const QString& text, int iconIndex, const QList<QImage>* imageList = nullptr,
                  std::span<const uint8_t> picture = {});
  // Keeps the text; shows the program's icon resource number.
  void SetIconResource(int number);

  // The picture drawn as the icon at the current density (null: none).
  QImage IconImage() const;

  static int BarHeight();
  // s of the formula above, at the current horizontal density.
  static int IconSize();
  QRect IconRect() const;
  QRect TextRect() const;
  // The colour of gradient row row of rows: each of red, green and blue
  // start + (end - start) * row / rows, in integer arithmetic.
  static QColor GradientRow(uint32_t start, uint32_t end, int row, int rows);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  enum class IconKind { None, Picture, ImageListEntry, Resource };

  QString text_;
  uint32_t start_;
  uint32_t end_;
  uint32_t textColour_;
  IconKind iconKind_ = IconKind::None;
  int resource_ = 0;
  QImage entry_;  // the image list entry
  QImage small_;  // the own icons (16 and 32 pixels)
  QImage large_;
  // The icon resource as last loaded, and at which size.
  mutable QImage loaded_;
  mutable int loadedSize_ = 0;
};

// The settings whose bar colours a title bar takes when its dialog is not
// handed settings of its own: the program's, while its main window lives
// (nullptr goes back to the defaults).
void SetProgramSettings(const tb::shell::Settings* settings);
const tb::shell::Settings& ProgramSettings();

// Lays out a dialog body as a column with the title bar on top; returns the
// bar, and the column for the content below it.
TitleBar* AddTitleBarColumn(QWidget* body, const tb::shell::Settings& settings, QVBoxLayout** column);

}  // namespace tb::dialogs
