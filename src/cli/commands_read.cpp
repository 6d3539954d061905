// Commands that only read the wallet: info, ls, show, find, forms. They
// open the file read-only, so they never write it and never lock it.
#include <ostream>

#include "cli/commands.h"
#include "cli/item_paths.h"
#include "cli/json_writer.h"
#include "platform/core/text_convert.h"
#include "storage/card.h"
#include "storage/forms/field_kinds.h"
#include "storage/record_ops.h"
#include "storage/search.h"
#include "storage/tree_order.h"

namespace tb::cli {

namespace {

// Lines of a view (the view itself and the cards shown in it) are marked:
// a view is no folder, and its paths name no item. In text a third column
// says "view"; in JSON "view" is true. The view's own line has no id.
void ListTree(const storage::Wallet& wallet, const std::vector<storage::TreeNode>& nodes, const std::u16string& prefix,
              std::ostream& out, JsonWriter* json) {
  for (const storage::TreeNode& node : nodes) {
    const bool viewItself = storage::IsSpecialViewKind(node.kind);
    const bool viewLine = viewItself || node.underView;
    const bool record = !viewItself && node.position >= 0 && node.position < wallet.Count();
    if (!viewItself && !record) continue;
    const std::string id = record ? wallet.IdAt(node.position).Hex() : std::string();
    std::u16string path = prefix;
    if (!path.empty()) path.push_back(u'/');
    path += EscapeName(View(node.name));
    if (json) {
      json->BeginObject();
      if (record) json->Key("id").Utf8(id);
      json->Key("kind").Number(node.kind).Key("path").String(path).Key("name").String(View(node.name));
      if (viewLine) json->Key("view").Bool(true);
      json->EndObject();
    } else {
      out << Printable(Utf8(path)) << "\t" << id << (viewLine ? "\tview" : "") << "\n";
    }
    ListTree(wallet, node.children, path, out, json);
  }
}

bool IsSecretKind(uint16_t kind) { return kind == uint16_t(storage::FieldKind::Password); }

}  // namespace

int CmdInfo(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, true, wallet); rc != kExitOk) return rc;
  const int formsPosition = wallet.FormsFolderPosition();
  const storage::RecordId formsId = wallet.IdAt(formsPosition);
  int folders = 0, cards = 0, customForms = 0;
  for (int p = 0; p < wallet.Count(); ++p) {
    if (!storage::IsLiveAt(wallet, p)) continue;
    const int kind = wallet.KindAt(p);
    if (kind == int(storage::RecordKind::Folder)) ++folders;
    if (kind == int(storage::RecordKind::Card))
      (formsPosition >= 0 && wallet.ParentIdAt(p) == formsId ? customForms : cards)++;
  }
  const std::optional<storage::Text> hint = wallet.GetHint();
  std::ostream& out = s.out;
  out << "Wallet: " << walletArg << "\n";
  out << "Format version: " << SignatureVersionText(wallet) << "\n";
  out << "Hint: " << (hint ? Printable(Utf8(*hint)) : std::string("(none)")) << "\n";
  out << "Folders: " << folders << "\n";
  out << "Cards: " << cards << "\n";
  out << "Custom forms: " << customForms << "\n";
  out << "Auto-close minutes: " << wallet.Options().AutoCloseMinutes() << "\n";
  const std::vector<storage::RecordId> favourites = wallet.Favourites();
  out << "Favourites: " << favourites.size() << "\n";
  for (const storage::RecordId& id : favourites) {
    const int p = wallet.FindRecord(id);
    out << "  " << (p >= 0 ? Printable(Utf8(PathOf(wallet, p))) : std::string("(missing)")) << "\t" << id.Hex() << "\n";
  }
  wallet.Close();
  return kExitOk;
}

int CmdLs(Session& s, const ParsedArgs& a) {
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, a.positional[0], true, wallet); rc != kExitOk) return rc;
  // The browser's tree, the favourites view first.
  const std::vector<storage::TreeNode> tree = storage::BuildTree(wallet);
  if (a.Has("--json")) {
    JsonWriter json;
    json.BeginArray();
    ListTree(wallet, tree, u"", s.out, &json);
    json.EndArray();
    json.WriteLine(s.out);
  } else {
    ListTree(wallet, tree, u"", s.out, nullptr);
  }
  wallet.Close();
  return kExitOk;
}

int CmdShow(Session& s, const ParsedArgs& a) {
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, a.positional[0], true, wallet); rc != kExitOk) return rc;
  int position = -1;
  if (int rc = ResolveOne(s, wallet, a.positional[1], &position); rc != kExitOk) return rc;
  const storage::RecordHeader* h = wallet.At(position);
  if (!h->IsCard()) return s.Fail(a.positional[1] + " is a folder; show takes a card");
  storage::Card card;
  if (!wallet.LoadCard(h->Id(), &card)) return s.Fail("cannot read the card " + a.positional[1]);
  const bool reveal = a.Has("--reveal");
  const std::u16string path = PathOf(wallet, position);
  // Values may be passwords shown in clear: they stay in wiping storage
  // until written.
  auto shown = [&](const storage::Field& f) {
    const storage::Text text = storage::DisplayText(f, &s.Texts());
    if (IsSecretKind(f.kind) && !reveal && !text.empty()) return storage::SecureString("********");
    return SecretUtf8(View(text));
  };
  if (a.Has("--json")) {
    JsonWriter json;
    json.BeginObject()
        .Key("id")
        .Utf8(h->Id().Hex())
        .Key("path")
        .String(path)
        .Key("name")
        .String(View(card.record.Name()))
        .Key("fields")
        .BeginArray();
    for (const storage::Field& f : card.fields)
      json.BeginObject()
          .Key("label")
          .String(View(f.label))
          .Key("kind")
          .Number(f.kind)
          .Key("value")
          .Utf8(shown(f))
          .EndObject();
    json.EndArray().EndObject();
    json.WriteLine(s.out);
  } else {
    s.out << "Name: " << Printable(Utf8(card.record.Name())) << "\n"
          << "Path: " << Printable(Utf8(path)) << "\n"
          << "Id: " << h->Id().Hex() << "\n\n";
    storage::SecureString text;
    for (const storage::Field& f : card.fields) {
      AppendPrintable(text, SecretUtf8(View(f.label)));
      text += ": ";
      AppendPrintable(text, shown(f), true);
      text += "\n";
    }
    WriteInPieces(s.out, text);
  }
  wallet.Close();
  return kExitOk;
}

int CmdFind(Session& s, const ParsedArgs& a) {
  std::u16string term;
  if (!ArgumentText(a.positional[1], &term)) return s.Usage("the search term is not UTF-8");
  if (storage::NormaliseSearchTerm(term).size() < storage::kMinSearchTermUnits)
    return s.Usage("the search term needs at least 2 characters");
  storage::Wallet wallet;
  // The cards are matched while the open reads them: one pass over the file.
  storage::SearchDuringOpen search(wallet, term);
  if (int rc = OpenWallet(s, a.positional[0], true, wallet); rc != kExitOk) return rc;
  search.Finish();
  JsonWriter json;
  json.BeginArray();
  for (int position : wallet.findResults) {
    const storage::RecordHeader* h = wallet.At(position);
    if (!h) continue;
    const std::u16string path = PathOf(wallet, position);
    if (a.Has("--json"))
      json.BeginObject()
          .Key("id")
          .Utf8(h->Id().Hex())
          .Key("path")
          .String(path)
          .Key("name")
          .String(View(h->Name()))
          .EndObject();
    else s.out << Printable(Utf8(path)) << "\t" << h->Id().Hex() << "\n";
  }
  json.EndArray();
  if (a.Has("--json")) json.WriteLine(s.out);
  wallet.Close();
  return kExitOk;
}

int CmdForms(Session& s, const ParsedArgs& a) {
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, a.positional[0], true, wallet); rc != kExitOk) return rc;
  for (const storage::CardType& type : wallet.CardTypeList()) {
    uint32_t number = 0;
    const std::string form =
        !type.custom && storage::IsBuiltInForm(type.form, &number) ? std::to_string(number) : type.form.Hex();
    s.out << form << "\t" << Printable(Utf8(type.name)) << "\n";
  }
  wallet.Close();
  return kExitOk;
}

}  // namespace tb::cli
