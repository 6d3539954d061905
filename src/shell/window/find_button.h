#pragma once
// The owner-drawn buttons of the header band: the header's gradient behind
// the icon when up, a warm inner gradient on black when pressed.
#include <QAbstractButton>
#include <functional>

#include <QLinearGradient>

namespace tb::shell {

class FindButton : public QAbstractButton {
 public:
  FindButton(int iconNumber, std::function<QLinearGradient()> background, QWidget* parent);
  int IconNumber() const { return icon_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int icon_;
  std::function<QLinearGradient()> background_;
};

}  // namespace tb::shell
