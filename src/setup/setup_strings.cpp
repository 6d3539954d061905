#include "setup/setup_strings.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "platform/core/system.h"

namespace tb::setup {

namespace {

struct Entry {
  uint32_t number;
  const char16_t* text;
};

// Every text once. Blocks of 32 numbers per language, English first.
constexpr Entry kTexts[] = {
    {101, u"Quillimarsten"},
    {104, u"Tamberlock Pro"},
    // English, 224..
    {224, u"Install %s, %s?\n\nCopyright \u00a9 %d Quillimarsten."},
    {225,
     u"Remove the settings of %s %s?\n\nYes removes your preferences and the list of recently used wallets "
     u"of %s. Your wallets are not removed."},
    {226, u"%s has been removed. Your wallets and the samples stay in your documents folder."},
    {227, u"My Sample Wallet.tb5"},
    {228, u"Form Sample.tbx"},
    {229, u"Import Sample.txt"},
    // German, 256..
    {256, u"%s, %s, jetzt installieren?\n\nCopyright \u00a9 %d Quillimarsten."},
    {257,
     u"Die Einstellungen von %s %s entfernen?\n\nJa entfernt Ihre Vorgaben und die Liste der zuletzt "
     u"benutzten Brieftaschen von %s. Ihre Brieftaschen bleiben erhalten."},
    {258, u"%s wurde entfernt. Ihre Brieftaschen und die Beispiele bleiben in Ihrem Dokumentenordner."},
    {259, u"Meine Beispiel-Brieftasche.tb5"},
    {260, u"Beispielformular.tbx"},
    {261, u"Beispielimport.txt"},
    // French, 288..
    {288, u"Installer %s, %s ?\n\nCopyright \u00a9 %d Quillimarsten."},
    {289,
     u"Supprimer les param\u00e8tres de %s %s ?\n\nOui supprime vos pr\u00e9f\u00e9rences et la liste des "
     u"portefeuilles r\u00e9cents de %s. Vos portefeuilles sont conserv\u00e9s."},
    {290,
     u"%s a \u00e9t\u00e9 d\u00e9sinstall\u00e9. Vos portefeuilles et les exemples restent dans votre dossier "
     u"de documents."},
    {291, u"Mon portefeuille exemple.tb5"},
    {292, u"Formulaire exemple.tbx"},
    {293, u"Importation exemple.txt"},
    // Dutch, 320..
    {320, u"%s, %s nu installeren?\n\nCopyright \u00a9 %d Quillimarsten."},
    {321,
     u"De instellingen van %s %s verwijderen?\n\nJa verwijdert uw voorkeuren en de lijst met recent gebruikte "
     u"portefeuilles van %s. Uw portefeuilles blijven bewaard."},
    {322, u"%s is verwijderd. Uw portefeuilles en de voorbeelden blijven in uw documentenmap."},
    {323, u"Mijn voorbeeldportefeuille.tb5"},
    {324, u"Voorbeeldformulier.tbx"},
    {325, u"Voorbeeldimport.txt"},
    // Italian, 352..
    {352, u"Installare %s, %s?\n\nCopyright \u00a9 %d Quillimarsten."},
    {353,
     u"Rimuovere le impostazioni di %s %s?\n\nS\u00ec rimuove le preferenze e l'elenco dei portafogli usati di "
     u"recente di %s. I portafogli vengono conservati."},
    {354, u"%s \u00e8 stato rimosso. I portafogli e gli esempi restano nella cartella dei documenti."},
    {355, u"Il mio portafoglio di esempio.tb5"},
    {356, u"Modulo di esempio.tbx"},
    {357, u"Importazione di esempio.txt"},
    // Spanish, 416..
    {416, u"\u00bfInstalar %s, %s?\n\nCopyright \u00a9 %d Quillimarsten."},
    {417,
     u"\u00bfQuitar la configuraci\u00f3n de %s %s?\n\nS\u00ed quita sus preferencias y la lista de carteras "
     u"usadas recientemente de %s. Sus carteras se conservan."},
    {418, u"%s se ha desinstalado. Sus carteras y los ejemplos siguen en su carpeta de documentos."},
    {419, u"Mi cartera de ejemplo.tb5"},
    {420, u"Formulario de ejemplo.tbx"},
    {421, u"Importaci\u00f3n de ejemplo.txt"},
    // Norwegian, 512..
    {512, u"Installere %s, %s n\u00e5?\n\nCopyright \u00a9 %d Quillimarsten."},
    {513,
     u"Fjerne innstillingene for %s %s?\n\nJa fjerner innstillingene dine og listen over nylig brukte "
     u"lommeb\u00f8ker i %s. Lommeb\u00f8kene dine beholdes."},
    {514, u"%s er fjernet. Lommeb\u00f8kene dine og eksemplene blir liggende i dokumentmappen."},
    {515, u"Min eksempellommebok.tb5"},
    {516, u"Eksempelskjema.tbx"},
    {517, u"Eksempelimport.txt"},
    // Russian, 544..
    {544,
     u"\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u0438\u0442\u044c %s, %s?\n\nCopyright \u00a9 %d "
     u"Quillimarsten."},
    {545,
     u"\u0423\u0434\u0430\u043b\u0438\u0442\u044c \u043d\u0430\u0441\u0442\u0440\u043e\u0439\u043a\u0438 %s "
     u"%s?\n\n\u00ab\u0414\u0430\u00bb \u0443\u0434\u0430\u043b\u044f\u0435\u0442 \u0432\u0430\u0448\u0438 "
     u"\u043f\u0430\u0440\u0430\u043c\u0435\u0442\u0440\u044b \u0438 \u0441\u043f\u0438\u0441\u043e\u043a "
     u"\u043d\u0435\u0434\u0430\u0432\u043d\u0438\u0445 \u0431\u0443\u043c\u0430\u0436\u043d\u0438\u043a\u043e\u0432 "
     u"%s. \u0421\u0430\u043c\u0438 \u0431\u0443\u043c\u0430\u0436\u043d\u0438\u043a\u0438 "
     u"\u0441\u043e\u0445\u0440\u0430\u043d\u044f\u044e\u0442\u0441\u044f."},
    {546,
     u"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430 %s \u0443\u0434\u0430\u043b\u0435\u043d\u0430. "
     u"\u0412\u0430\u0448\u0438 \u0431\u0443\u043c\u0430\u0436\u043d\u0438\u043a\u0438 \u0438 "
     u"\u043f\u0440\u0438\u043c\u0435\u0440\u044b \u043e\u0441\u0442\u0430\u044e\u0442\u0441\u044f \u0432 "
     u"\u043f\u0430\u043f\u043a\u0435 \u0434\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u043e\u0432."},
    {547,
     u"\u041c\u043e\u0439 \u043f\u0440\u0438\u043c\u0435\u0440 "
     u"\u0431\u0443\u043c\u0430\u0436\u043d\u0438\u043a\u0430.tb5"},
    {548, u"\u041f\u0440\u0438\u043c\u0435\u0440 \u0444\u043e\u0440\u043c\u044b.tbx"},
    {549, u"\u041f\u0440\u0438\u043c\u0435\u0440 \u0438\u043c\u043f\u043e\u0440\u0442\u0430.txt"},
    // Swedish, 608..
    {608, u"Installera %s, %s nu?\n\nCopyright \u00a9 %d Quillimarsten."},
    {609,
     u"Ta bort inst\u00e4llningarna f\u00f6r %s %s?\n\nJa tar bort dina inst\u00e4llningar och listan \u00f6ver "
     u"senast anv\u00e4nda pl\u00e5nb\u00f6cker i %s. Dina pl\u00e5nb\u00f6cker beh\u00e5lls."},
    {610, u"%s har tagits bort. Dina pl\u00e5nb\u00f6cker och exemplen finns kvar i dokumentmappen."},
    {611, u"Min exempelpl\u00e5nbok.tb5"},
    {612, u"Exempelformul\u00e4r.tbx"},
    {613, u"Exempelimport.txt"},
};

const std::map<uint32_t, const char16_t*>& Table() {
  static const std::map<uint32_t, const char16_t*> table = [] {
    std::map<uint32_t, const char16_t*> t;
    for (const Entry& e : kTexts) t.emplace(e.number, e.text);
    return t;
  }();
  return table;
}

// Numbers at or below this one exist once, in no language block.
constexpr uint32_t kLastSharedNumber = 198;

}  // namespace

uint32_t LanguageOffset(uint16_t languageId) {
  switch (languageId & 0x3FF) {
    case 7: return 32;    // German
    case 12: return 64;   // French
    case 19: return 96;   // Dutch
    case 16: return 128;  // Italian
    case 10: return 192;  // Spanish
    case 20: return 288;  // Norwegian
    case 25: return 320;  // Russian
    case 29: return 384;  // Swedish
    default: return 0;
  }
}

bool HasSetupText(uint32_t number) { return Table().count(number) != 0; }

std::u16string SetupText(uint32_t number, uint16_t languageId) {
  const auto& table = Table();
  if (number > kLastSharedNumber) {
    const uint16_t language = languageId != 0 ? languageId : platform::UserLanguageId();
    if (auto it = table.find(number + LanguageOffset(language)); it != table.end()) return it->second;
  }
  if (auto it = table.find(number); it != table.end()) return it->second;
  return {};
}

std::u16string ProductName() { return u"Tamberlock\u00ae Pro 2006"; }

std::u16string VersionLine() {
  char number[32];
  std::snprintf(number, sizeof number, "%d.%02d%s", 6, 62, "");
  std::u16string line = u"Version ";
  for (const char* c = number; *c; ++c) line += char16_t(*c);
  return line;
}

int BuildYear() {
  // __DATE__ is "Mmm dd yyyy": the year is its last four characters.
  static const char kDate[] = __DATE__;
  int year = 0;
  for (size_t i = 7; i < 11 && i < std::strlen(kDate); ++i) year = year * 10 + (kDate[i] - '0');
  return year;
}

std::u16string FormatSetupText(std::u16string_view format, std::initializer_list<FormatValue> values) {
  std::u16string out;
  auto next = values.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    const char16_t c = format[i];
    if (c != u'%' || i + 1 == format.size()) {
      out += c;
      continue;
    }
    const char16_t kind = format[++i];
    if (kind == u'%') {
      out += u'%';
    } else if ((kind == u's' || kind == u'd') && next != values.end()) {
      if (const auto* text = std::get_if<std::u16string_view>(&*next)) {
        out += *text;
      } else {
        const std::string digits = std::to_string(std::get<int64_t>(*next));
        out.append(digits.begin(), digits.end());
      }
      ++next;
    } else {
      out += u'%';
      out += kind;
    }
  }
  return out;
}

}  // namespace tb::setup
