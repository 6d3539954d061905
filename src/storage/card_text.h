#pragma once
// A card as plain text, for the clipboard: the card's name, a blank line,
// then "label: value" and a blank line for each field that shows
// something. Passwords appear in clear: the user asked for the card.
#include "storage/card.h"
#include "storage/cipher/secure.h"

namespace tb::storage {

class TextSource;

inline constexpr size_t kMaxCardTextFields = 256;

// The text, lines ending in "\r\n". False, with out emptied, when no field
// shows anything: then nothing goes to the clipboard. texts gives the yes
// and no words of check boxes.
bool CardAsText(const Card& card, const TextSource* texts, Text* out);

}  // namespace tb::storage
