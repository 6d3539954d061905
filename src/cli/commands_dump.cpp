// dump: everything in the wallet as one JSON object, secrets in clear, for
// scripts and tests. Records are listed in file order; tombstones and the
// older copy of a record whose replacement was interrupted are left out.
#include <map>
#include <ostream>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "platform/core/text_convert.h"
#include "storage/card_codec.h"
#include "storage/cipher/sha256.h"

namespace tb::cli {

namespace {
void OptionalText(JsonWriter& json, const std::optional<storage::Text>& text) {
  if (text) json.String(View(*text));
  else json.Null();
}

void Numbers(JsonWriter& json, const std::array<uint32_t, 16>& values) {
  json.BeginArray();
  for (uint32_t v : values) json.Unsigned(v);
  json.EndArray();
}

void Digest(JsonWriter& json, const storage::SecureBytes& bytes) {
  json.Key("size").Unsigned(bytes.size()).Key("sha256").Utf8(storage::Sha256Hex(bytes.data(), bytes.size()));
}

void WriteField(JsonWriter& json, const storage::Field& f) {
  json.BeginObject()
      .Key("kind")
      .Unsigned(f.kind)
      .Key("flags")
      .Unsigned(f.flags)
      .Key("label")
      .String(View(f.label))
      .Key("value")
      .String(View(f.value))
      .Key("items")
      .BeginArray();
  for (const storage::Text& item : f.items) json.String(View(item));
  json.EndArray().Key("datetime");
  if (f.dateTime.IsZero()) {
    json.Null();
  } else {
    const platform::SystemTime& t = f.dateTime;
    json.BeginArray()
        .Unsigned(t.year)
        .Unsigned(t.month)
        .Unsigned(t.dayOfWeek)
        .Unsigned(t.day)
        .Unsigned(t.hour)
        .Unsigned(t.minute)
        .Unsigned(t.second)
        .Unsigned(t.milliseconds)
        .EndArray();
  }
  json.Key("label_colour").Number(f.labelColour).Key("value_colour").Number(f.valueColour).EndObject();
}

void WriteCard(JsonWriter& json, const storage::Card& card) {
  json.BeginObject().Key("attributes");
  Numbers(json, card.attributes);
  json.Key("fields").BeginArray();
  for (const storage::Field& f : card.fields) WriteField(json, f);
  json.EndArray().Key("picture");
  if (card.picture) {
    json.BeginObject()
        .Key("placement")
        .Unsigned(card.picture->placement)
        .Key("type")
        .Unsigned(card.picture->type)
        .Key("name")
        .String(View(card.picture->fileName));
    Digest(json, card.picture->bytes);
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("sound");
  if (card.sound) {
    json.BeginObject()
        .Key("type")
        .Unsigned(card.sound->type)
        .Key("play")
        .Unsigned(card.sound->play)
        .Key("name")
        .String(View(card.sound->fileName));
    Digest(json, card.sound->bytes);
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("attachments").BeginArray();
  for (size_t slot = 0; slot < card.attachments.size(); ++slot) {
    const auto& att = card.attachments[slot];
    if (!att || !att->InUse()) continue;
    json.BeginObject().Key("slot").Unsigned(slot).Key("name").String(View(att->fileName));
    Digest(json, att->bytes);
    json.EndObject();
  }
  json.EndArray().EndObject();
}

}  // namespace

int CmdDump(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, true, wallet); rc != kExitOk) return rc;

  // First pass: where the copy of each record that counts lies (the later
  // one when two live copies share an id).
  std::map<storage::RecordId, uint64_t> live;
  const bool scanned = wallet.WalkRecords([&](const storage::RecordHeader& h, const storage::Wallet::BodyReader&) {
    if (!h.IsDeleted()) live[h.Id()] = h.fileOffset;
    return true;
  });
  if (!scanned) return s.Fail("cannot read the records of " + walletArg);

  JsonWriter json;
  json.BeginObject();
  json.Key("signature").BeginObject().Key("version").Utf8(SignatureVersionText(wallet)).EndObject();
  json.Key("header").BeginObject().Key("flags").Unsigned(wallet.Header().Flags()).Key("hint");
  OptionalText(json, wallet.GetHint());
  json.Key("special_views").BeginArray();
  for (const storage::SpecialView view :
       {storage::SpecialView::Favourites, storage::SpecialView::FindResults, storage::SpecialView::Third}) {
    const int n = storage::HeaderSlotOf(view);
    json.BeginObject().Key("number").Number(int(view)).Key("name");
    OptionalText(json, wallet.GetSpecialViewName(n));
    json.Key("icon").Number(wallet.GetSpecialViewIcon(n)).EndObject();
  }
  json.EndArray().EndObject();
  json.Key("options")
      .BeginObject()
      .Key("flags")
      .Unsigned(wallet.Options().Flags())
      .Key("auto_close_minutes")
      .Unsigned(wallet.Options().AutoCloseMinutes())
      .Key("favourites")
      .BeginArray();
  for (const storage::RecordId& id : wallet.Favourites()) json.Utf8(id.Hex());
  json.EndArray().Key("default_attributes");
  Numbers(json, wallet.Options().DefaultAttributes());
  json.EndObject();

  json.Key("records").BeginArray();
  bool bodiesRead = true;
  const bool walked = wallet.WalkRecords([&](const storage::RecordHeader& h, const storage::Wallet::BodyReader& body) {
    if (h.IsDeleted()) return true;
    const auto it = live.find(h.Id());
    if (it == live.end() || it->second != h.fileOffset) return true;
    json.BeginObject()
        .Key("offset")
        .Unsigned(h.fileOffset)
        .Key("kind")
        .Unsigned(uint32_t(h.Kind()))
        .Key("id")
        .Utf8(h.Id().Hex())
        .Key("parent")
        .Utf8(h.Parent().Hex())
        .Key("name")
        .String(View(h.Name()))
        .Key("icon")
        .Number(h.Icon())
        .Key("change_flags")
        .Unsigned(h.ChangeFlags())
        .Key("default_form")
        .Utf8(h.DefaultForm().Hex())
        .Key("card");
    if (h.IsCard()) {
      storage::Card card;
      storage::ByteSpan bytes;
      if (body(&bytes)) storage::DecodeCardBody(bytes, wallet.DataKey(), &card);
      else bodiesRead = false;
      WriteCard(json, card);
    } else {
      json.Null();
    }
    json.EndObject();
    return true;
  });
  json.EndArray().EndObject();
  wallet.Close();
  if (!walked || !bodiesRead) return s.Fail("cannot read the records of " + walletArg);
  json.WriteLine(s.out);
  return kExitOk;
}

}  // namespace tb::cli
