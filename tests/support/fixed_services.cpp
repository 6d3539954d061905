#include "support/fixed_services.h"

namespace tb::test {

std::u16string_view FixedTexts::Text(uint32_t number) const {
  switch (number) {
    case 20200: return u"Favorites";
    case 20201: return u"Find Results";
    case 20202: return u"Recent";
    case 20203: return u"My Forms";
    case 20204: return u"Yes";
    case 20205: return u"No";
    case 20509: return u"New Card";
    case 20510: return u"Personal";
    case 22164: return u"The wallet %s is damaged. Repair it?";
    case 22165: return u"Repairing %s cannot be undone. Go on?";
    case 22166: return u"%d records were repaired in %s.";
    case 23043: return u"%d moved to the top level.";
    default: return u"?";
  }
}

storage::Answer AgreeToAll::Show(const storage::Message& m) {
  return m.buttons == storage::Buttons::YesNo || m.buttons == storage::Buttons::YesNoCancel ? storage::Answer::Yes
                                                                                            : storage::Answer::Ok;
}

}  // namespace tb::test
