#pragma once
// Control numbers: every control of a dialog or window carries the number
// its template gives it, so the code and the tests find it by that number.
#include <QVariant>
#include <QWidget>

namespace tb::ui {

inline void SetControlId(QWidget* control, int id) { control->setProperty("controlId", id); }

inline int ControlId(const QWidget* control) {
  const QVariant id = control->property("controlId");
  return id.isValid() ? id.toInt() : 0;
}

// The first descendant of root of type T carrying id; nullptr when none.
template <typename T = QWidget>
T* FindControl(const QWidget* root, int id) {
  for (T* child : root->findChildren<T*>()) {
    if (ControlId(child) == id) return child;
  }
  return nullptr;
}

}  // namespace tb::ui
