#pragma once
// Password fields: what is typed is read into wiping storage, and the
// edit's own copy is overwritten before the edit lets go of it.
#include <cstddef>

#include "storage/cipher/secure.h"

class QLineEdit;

namespace tb::dialogs {

// The first maxUnits UTF-16 units of the edit's text.
tb::storage::Text ReadSecret(const QLineEdit* edit, size_t maxUnits);

// Zeroes the edit's text buffer in place, then empties the edit (which
// also drops its undo history).
void WipeEdit(QLineEdit* edit);

// Makes edit a password field without word completion; numbersOnly limits
// it to digits (the phone keypad's numbers mode).
void SetPasswordInputMode(QLineEdit* edit, bool numbersOnly);

}  // namespace tb::dialogs
