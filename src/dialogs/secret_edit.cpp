#include "dialogs/secret_edit.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace tb::dialogs {

tb::storage::Text ReadSecret(const QLineEdit* edit, size_t maxUnits) {
  // text() shares the edit's buffer; no further copy is made here.
  const QString shared = edit->text();
  const size_t n = std::min(static_cast<size_t>(shared.size()), maxUnits);
  return tb::storage::Text(reinterpret_cast<const char16_t*>(shared.constData()), n);
}

void WipeEdit(QLineEdit* edit) {
  QString shared = edit->text();
  // The copy shares the edit's heap buffer; writing through it clears the
  // characters the edit holds. Static (raw) data is never written.
  if (!shared.isEmpty() && shared.data_ptr().isMutable()) {
    tb::storage::SecureWipe(const_cast<QChar*>(shared.constData()), size_t(shared.size()) * sizeof(QChar));
  }
  shared = QString();
  edit->setText(QString());
}

void SetPasswordInputMode(QLineEdit* edit, bool numbersOnly) {
  edit->setEchoMode(QLineEdit::Password);
  Qt::InputMethodHints hints =
      Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase | Qt::ImhHiddenText;
  if (numbersOnly) hints |= Qt::ImhDigitsOnly;
  edit->setInputMethodHints(hints);
  if (numbersOnly) {
    if (!edit->validator()) {
      edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
  } else if (const QValidator* old = edit->validator()) {
    edit->setValidator(nullptr);
    delete old;
  }
}

}  // namespace tb::dialogs
