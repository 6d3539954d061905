#pragma once
// What a Link field's text is: a telephone number, a web address, an
// e-mail address or nothing to act on, judged from the text itself.
#include <QString>

namespace tb::cards {

enum class LinkKind { None, Telephone, Web, Email };

struct LinkClass {
  LinkKind kind = LinkKind::None;
  QString text;  // the text the action uses: leading spaces dropped
};

// Mostly digits (at least 60% after leading spaces) is a telephone number;
// an "@" with a "." after it an e-mail address; two dots, "www.", "http"
// or "ftp" (in any case) a web address.
LinkClass ClassifyLink(const QString& text);

}  // namespace tb::cards
