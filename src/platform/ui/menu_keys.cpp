#include "platform/ui/menu_keys.h"

#include "platform/ui/texts.h"

namespace tb::ui {
namespace {

struct MenuKey {
  const char16_t* english;
  uint32_t number;
};

// English resource texts and the module strings that replace them.
constexpr MenuKey kMenuKeys[] = {
    {u"ABOUT", 20710},
    {u"ADD", 28721},
    {u"Add to Favorites", 20760},
    {u"ATTACHMENTS", 20756},
    {u"BACKGROUND", 20754},
    {u"ADD FIELD", 20732},
    {u"BOTTOM", 20739},
    {u"CANCEL", 20704},
    {u"Change Password", 20767},
    {u"Check for Updates", 20585},
    {u"CLEAR", 20726},
    {u"CONTINUE", 20774},
    {u"COPY", 20723},
    {u"COPY FIELD", 20733},
    {u"COPY TEXT", 20750},
    {u"CREATE", 20714},
    {u"CUSTOMIZE", 20751},
    {u"CUT", 20722},
    {u"DELETE", 20725},
    {u"DELETE CARD", 20757},
    {u"DELETE FIELD", 20734},
    {u"DISPLAY", 20765},
    {u"DONE", 20717},
    {u"DOWN", 20737},
    {u"EDIT", 20719},
    {u"Edit Selection Field", 20773},
    {u"EXIT", 20709},
    {u"EXPORT", 20729},
    {u"EXPORT FORM", 20772},
    {u"FIND", 20720},
    {u"FORM DESIGN", 20740},
    {u"Generate Password...", 20781},
    {u"GO", 20721},
    {u"HELP", 20511},
    {u"ICON", 20752},
    {u"IMPORT", 20730},
    {u"IMPORT FORM", 20771},
    {u"INSERT DATE", 20741},
    {u"INSERT TIME", 20742},
    {u"LOCK", 20700},
    {u"MENU", 20703},
    {u"MORE", 20712},
    {u"MOVE UP", 28723},
    {u"MOVE FIELD", 20735},
    {u"MOVE DOWN", 28724},
    {u"NEW", 20718},
    {u"NEW CARD", 20706},
    {u"NEW FOLDER", 20707},
    {u"NEW WALLET", 20708},
    {u"NONE", 20743},
    {u"OK", 20705},
    {u"OPEN", 20715},
    {u"OPTIONS", 20762},
    {u"PASTE", 20724},
    {u"Password Report", 20782},
    {u"PROPERTIES", 20728},
    {u"REMOVE", 20727},
    {u"RENAME", 20770},
    {u"Save to My Forms", 20769},
    {u"SECURITY", 20766},
    {u"SELECT ALL", 20731},
    {u"SOUND", 20755},
    {u"TEXT/COLORS", 20753},
    {u"TOP", 20738},
    {u"UNLOCK", 20701},
    {u"UP", 20736},
    {u"WALLETS", 20761},
    {u"WEB SITE", 20713},
    {u"Open most recently used wallet on program start", 62805},
    {u"PRINT", 20776},
    {u"PAGE SETUP", 20777},
    {u"SYNCHRONIZE NOW", 20778},
    {u"SYNCHRONIZATION SETTINGS", 20779},
    {u"File", 20780},
    {u"Seek to Source", 62895},
    {u"SELECT IMAGE", 28101},
    {u"REMOVE IMAGE", 28102},
    {u"MATCH BACKGROUND", 28103},
    {u"EXPORT IMAGE", 28104},
    {u"ADD FILE", 28201},
    {u"REMOVE FILE", 28202},
    {u"EXPORT FILE", 28203},
    {u"SELECT SOUND", 28001},
    {u"REMOVE SOUND", 28002},
    {u"PLAY SOUND", 28003},
    {u"EXPORT SOUND", 28004},
};

}  // namespace

uint32_t MenuKeyNumber(const QString& english) {
  for (const MenuKey& key : kMenuKeys) {
    if (english.compare(QString::fromUtf16(key.english), Qt::CaseInsensitive) == 0) return key.number;
  }
  return 0;
}

QString LocaliseMenuText(const QString& text) {
  const uint32_t number = MenuKeyNumber(text);
  if (number == 0) return text;
  const tb::storage::TextSource* texts = CurrentTextSource();
  if (!texts) return text;
  const std::u16string_view localised = texts->Text(number);
  // A module without the string answers "?": keep the English text then.
  if (localised.empty() || localised == u"?") return text;
  return ToQString(localised);
}

}  // namespace tb::ui
