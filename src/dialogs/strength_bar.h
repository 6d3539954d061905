#pragma once
// A five-step bar showing how hard a password is to guess, with the step's
// name beside it. It only informs: what a dialog accepts does not depend on
// it. Empty text shows an empty bar and no name.
#include <QWidget>

#include "strength/strength.h"

class QLabel;

namespace tb::dialogs {

inline constexpr int kIdStrengthBar = 1541;
inline constexpr int kIdStrengthName = 1542;

class StrengthBar : public QWidget {
  Q_OBJECT

 public:
  explicit StrengthBar(QWidget* parent);

  // Estimates text and redraws; the text itself is not kept.
  void SetPassword(const QString& text);
  bool HasPassword() const { return shown_; }
  tb::strength::StrengthStep Step() const { return strength_.step; }
  double Bits() const { return strength_.bits; }
  QString StepName() const;

 private:
  class Segments;
  Segments* segments_ = nullptr;
  QLabel* name_ = nullptr;
  tb::strength::Strength strength_;
  bool shown_ = false;
};

}  // namespace tb::dialogs
