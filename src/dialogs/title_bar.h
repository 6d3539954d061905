#pragma once
// The coloured caption strip at the top of the dialogs (control 1059): a
// vertical gradient between the bar colours of the settings, the text in
// the bar text colour, left-aligned after a small margin.
#include <QString>
#include <QWidget>

class QVBoxLayout;

#include <cstdint>

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

inline constexpr int kIdTitleBar = 1059;

class TitleBar : public QWidget {
  Q_OBJECT

 public:
  // Colours 0x00BBGGRR, as the settings keep them.
  TitleBar(QWidget* parent, const tb::shell::Settings& settings);

  void SetText(const QString& text);
  QString Text() const { return text_; }

  static int BarHeight();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  uint32_t start_;
  uint32_t end_;
  uint32_t textColour_;
};

// Lays out a dialog body as a column with the title bar on top; returns the
// bar, and the column for the content below it.
TitleBar* AddTitleBarColumn(QWidget* body, const tb::shell::Settings& settings, QVBoxLayout** column);

}  // namespace tb::dialogs
