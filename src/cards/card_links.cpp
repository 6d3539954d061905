#include "cards/card_links.h"

namespace tb::cards {

LinkClass ClassifyLink(const QString& text) {
  qsizetype start = 0;
  while (start < text.size() && text[start] == QLatin1Char(' ')) ++start;
  LinkClass result;
  result.text = text.mid(start);
  const QString& cleaned = result.text;
  // Only spaces, or nothing: no link (and not a telephone number of no digits).
  if (cleaned.isEmpty()) return result;

  qsizetype digits = 0;
  for (const QChar c : cleaned)
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ++digits;
  if (digits * 10 >= cleaned.size() * 6) {
    result.kind = LinkKind::Telephone;
    return result;
  }
  const qsizetype at = cleaned.indexOf(QLatin1Char('@'));
  if (at >= 0 && cleaned.indexOf(QLatin1Char('.'), at + 1) > at) {
    result.kind = LinkKind::Email;
    return result;
  }
  const QString lower = cleaned.toLower();
  if (lower.count(QLatin1Char('.')) >= 2 || lower.contains(QLatin1String("www.")) ||
      lower.contains(QLatin1String("http")) || lower.contains(QLatin1String("ftp")))
    result.kind = LinkKind::Web;
  return result;
}

}  // namespace tb::cards
