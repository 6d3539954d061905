// Commands that change records: mkdir, new-card, set, rename, mv, cp, rm,
// save-form. Each writes its records at once and saves the leading blocks
// (the favourites list lives there) before closing.
#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "cli/field_values.h"
#include "cli/generated_values.h"
#include "cli/item_paths.h"
#include "platform/core/text_convert.h"
#include "storage/record_ops.h"

namespace tb::cli {

namespace {

namespace R = storage::layout::record;

bool InFormsFolder(const storage::Wallet& wallet, const storage::RecordHeader& h) {
  const storage::RecordHeader* forms = wallet.FormsFolder();
  return forms && h.Parent() == forms->Id();
}

// Closes after a change; the new record's id (if any) is printed once
// everything is saved.
int Done(Session& s, const std::string& walletArg, storage::Wallet& wallet, const std::string& printed = "") {
  if (int rc = CloseWallet(s, walletArg, wallet); rc != kExitOk) return rc;
  if (!printed.empty()) s.out << printed << "\n";
  return kExitOk;
}

// A folder (or the forms folder when allowed) named by an argument.
int ResolveFolder(Session& s, const storage::Wallet& wallet, const std::string& arg, bool formsFolderAllowed,
                  int* position) {
  if (int rc = ResolveOne(s, wallet, arg, position); rc != kExitOk) return rc;
  const storage::RecordHeader* h = wallet.At(*position);
  if (h->Kind() == storage::RecordKind::Folder) return kExitOk;
  if (h->Kind() == storage::RecordKind::FormsFolder && formsFolderAllowed) return kExitOk;
  if (h->Kind() == storage::RecordKind::FormsFolder) return s.Fail(arg + " is the forms folder; it holds forms only");
  return s.Fail(arg + " is a card, not a folder");
}

int ResolveCard(Session& s, const storage::Wallet& wallet, const std::string& arg, int* position) {
  if (int rc = ResolveOne(s, wallet, arg, position); rc != kExitOk) return rc;
  if (!wallet.At(*position)->IsCard()) return s.Fail(arg + " is a folder, not a card");
  return kExitOk;
}

// The form options as written, checked before the wallet is opened.
int CheckFormOptions(Session& s, const ParsedArgs& a) {
  const std::string* number = a.Value("--form");
  if (number && a.Value("--form-name")) return s.Usage("give --form or --form-name, not both");
  if (!number) return kExitOk;
  const bool digits = !number->empty() && number->size() <= 2 &&
                      std::all_of(number->begin(), number->end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits || std::stoi(*number) >= int(storage::kBuiltInFormNumbers))
    return s.Usage("--form takes a number from 0 to 42");
  return kExitOk;
}

// The form for a new card: --form N, --form-name NAME, the folder's
// default form, or form 0.
int ChooseForm(Session& s, const ParsedArgs& a, const storage::Wallet& wallet, const storage::RecordHeader& folder,
               storage::FormId* form) {
  const std::string* number = a.Value("--form");
  const std::string* name = a.Value("--form-name");
  if (number) {
    *form = storage::BuiltInFormId(uint32_t(std::stoi(*number)));
    return kExitOk;
  }
  if (name) {
    std::u16string wanted;
    if (!ArgumentText(*name, &wanted)) return s.Usage("the form name is not UTF-8");
    const std::vector<storage::CardType> types = wallet.CardTypeList();
    std::vector<const storage::CardType*> found;
    for (const auto& t : types)
      if (View(t.name) == wanted) found.push_back(&t);
    if (found.empty()) {
      std::u16string folded = wanted;
      platform::ToLowerInPlace(folded);
      for (const auto& t : types) {
        std::u16string have = storage::ToU16(t.name);
        platform::ToLowerInPlace(have);
        if (have == folded) found.push_back(&t);
      }
    }
    if (found.empty()) return s.Fail("no form named " + *name + " (see 'tbwallet forms')");
    if (found.size() > 1) {
      std::string message =
          std::to_string(found.size()) + " forms are named " + *name + "; give one with --form or its id:";
      for (const auto* t : found) message += "\n  " + t->form.Hex();
      return s.Fail(message);
    }
    *form = found.front()->form;
    return kExitOk;
  }
  *form = folder.DefaultForm();
  if (!storage::IsBuiltInForm(*form) && !wallet.FormName(*form)) *form = storage::BuiltInFormId(0);
  return kExitOk;
}

}  // namespace

int CmdMkdir(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  std::u16string pathText;
  if (!ArgumentText(a.positional[1], &pathText)) return s.Usage("the path is not UTF-8");
  std::vector<std::u16string> parts = SplitPath(pathText);
  if (parts.empty() || parts.back().empty()) return s.Usage("the new folder needs a name");
  const std::u16string name = parts.back();
  parts.pop_back();
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  storage::RecordId parentId;
  if (!parts.empty()) {
    std::u16string parentPath;
    for (const auto& p : parts) parentPath += (parentPath.empty() ? u"" : u"/") + EscapeName(p);
    int parent = -1;
    if (int rc = ResolveFolder(s, wallet, Utf8(parentPath), false, &parent); rc != kExitOk) return rc;
    parentId = wallet.At(parent)->Id();
  }
  for (int p = 0; p < wallet.Count(); ++p) {
    const storage::RecordHeader* h = wallet.At(p);
    if (storage::IsLiveAt(wallet, p) && h->IsFolderLike() && h->Parent() == parentId && View(h->Name()) == name)
      return s.Fail("a folder " + a.positional[1] + " already exists (" + h->Id().Hex() + ")");
  }
  storage::RecordHeader folder = storage::NewFolderRecord(parentId, false, &wallet.DataKey());
  folder.SetName(name);
  folder.SetIconRaw(storage::kNewFolderIcon);
  const std::string id = folder.Id().Hex();
  if (wallet.AppendRecord(std::move(folder)) < 0) return s.Fail("cannot write the new folder to " + walletArg);
  return Done(s, walletArg, wallet, id);
}

int CmdNewCard(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  std::u16string name;
  if (!ArgumentText(a.positional[2], &name)) return s.Usage("the card name is not UTF-8");
  if (name.empty()) return s.Usage("the new card needs a name");
  if (int rc = CheckFormOptions(s, a); rc != kExitOk) return rc;
  generator::GeneratorSettings generated;
  if (int rc = GeneratorOptions(s, a, &generated); rc != kExitOk) return rc;
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  int folder = -1;
  if (int rc = ResolveFolder(s, wallet, a.positional[1], true, &folder); rc != kExitOk) return rc;
  const storage::RecordHeader folderHeader = *wallet.At(folder);
  storage::FormId form;
  if (int rc = ChooseForm(s, a, wallet, folderHeader, &form); rc != kExitOk) return rc;
  storage::Card card;
  if (!wallet.NewCardFromForm(folderHeader.Id(), form, &card)) return s.Fail("cannot make a card from that form");
  card.record.SetName(name);
  if (int rc = ApplyAssignments(s, card, a.Values("--field")); rc != kExitOk) return rc;
  if (int rc = ApplyGenerated(s, card, a, generated); rc != kExitOk) return rc;
  const std::string id = card.record.Id().Hex();
  if (wallet.AppendCard(card) < 0) return s.Fail("cannot write the new card to " + walletArg);
  return Done(s, walletArg, wallet, id);
}

int CmdSet(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  if (a.positional.size() < 3 && a.Values("--generate").empty())
    return s.Usage("give LABEL=VALUE or --generate LABEL for at least one field");
  generator::GeneratorSettings generated;
  if (int rc = GeneratorOptions(s, a, &generated); rc != kExitOk) return rc;
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  int position = -1;
  if (int rc = ResolveCard(s, wallet, a.positional[1], &position); rc != kExitOk) return rc;
  storage::Card card;
  if (!wallet.LoadCard(wallet.At(position)->Id(), &card)) return s.Fail("cannot read the card " + a.positional[1]);
  const std::vector<std::string> assignments(a.positional.begin() + 2, a.positional.end());
  if (int rc = ApplyAssignments(s, card, assignments); rc != kExitOk) return rc;
  if (int rc = ApplyGenerated(s, card, a, generated); rc != kExitOk) return rc;
  if (!card.Modified()) return Done(s, walletArg, wallet);
  card.record.MarkChanged(R::kFlagContentsChanged);
  if (wallet.ReplaceCard(card) < 0) return s.Fail("cannot write the card " + a.positional[1]);
  return Done(s, walletArg, wallet);
}

int CmdRename(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  std::u16string name;
  if (!ArgumentText(a.positional[2], &name)) return s.Usage("the name is not UTF-8");
  if (name.empty()) return s.Usage("the new name is empty");
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  int position = -1;
  if (int rc = ResolveOne(s, wallet, a.positional[1], &position); rc != kExitOk) return rc;
  storage::RecordHeader h = *wallet.At(position);
  const storage::Text before = h.Name();
  h.SetName(name);
  // The name buffer has a fixed size, so the record keeps its size.
  if (h.Name() != before && !wallet.RewriteRecordInPlace(h)) return s.Fail("cannot write " + a.positional[1]);
  return Done(s, walletArg, wallet);
}

int CmdMv(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  int position = -1;
  if (int rc = ResolveOne(s, wallet, a.positional[1], &position); rc != kExitOk) return rc;
  const storage::RecordHeader h = *wallet.At(position);
  auto refused = [&](storage::MoveStatus status) {
    switch (status) {
      case storage::MoveStatus::IntoFormsFolder:
        return s.Fail("nothing moves into the forms folder; 'tbwallet save-form' saves a card as a form");
      case storage::MoveStatus::NotAFolder: return s.Fail(a.positional[2] + " is a card, not a folder");
      case storage::MoveStatus::WriteFailed: return s.Fail("cannot write " + a.positional[1]);
      default: return s.Fail(std::string(storage::Describe(status)));
    }
  };
  if (const storage::MoveStatus status = storage::CanMoveInto(wallet, position, -1);
      status == storage::MoveStatus::FormsFolder)
    return refused(status);
  // The command line keeps forms among the forms and cards in folders.
  if (h.IsCard() && InFormsFolder(wallet, h))
    return s.Fail(a.positional[1] + " is a form; forms stay in the forms folder");
  std::u16string targetText;
  if (!ArgumentText(a.positional[2], &targetText)) return s.Usage("the folder name is not UTF-8");
  int folder = -1;  // the top level
  if (SplitPath(targetText).empty()) {
    if (h.IsCard()) return s.Fail("a card must be in a folder");
  } else if (int rc = ResolveOne(s, wallet, a.positional[2], &folder); rc != kExitOk) {
    return rc;
  }
  if (const storage::MoveStatus status = storage::MoveInto(wallet, position, folder); status != storage::MoveStatus::Ok)
    return refused(status);
  return Done(s, walletArg, wallet);
}

int CmdCp(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  int card = -1, folder = -1;
  if (int rc = ResolveCard(s, wallet, a.positional[1], &card); rc != kExitOk) return rc;
  if (int rc = ResolveFolder(s, wallet, a.positional[2], true, &folder); rc != kExitOk) return rc;
  const int copy = wallet.CopyCardInto(card, folder);
  if (copy < 0) return s.Fail("cannot copy " + a.positional[1]);
  return Done(s, walletArg, wallet, wallet.At(copy)->Id().Hex());
}

int CmdRm(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  int position = -1;
  if (int rc = ResolveOne(s, wallet, a.positional[1], &position); rc != kExitOk) return rc;
  const storage::DeleteResult result = storage::DeleteSubtree(wallet, position);
  switch (result.status) {
    case storage::DeleteStatus::Ok: return Done(s, walletArg, wallet);
    case storage::DeleteStatus::WriteFailed:
      CloseWallet(s, walletArg, wallet);
      return s.Fail("cannot delete " + a.positional[1] + ": " + std::to_string(result.deleted) + " of " +
                    std::to_string(result.total) + " records were deleted");
    default: return s.Fail(std::string(storage::Describe(result.status)));
  }
}

int CmdSaveForm(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  int card = -1;
  if (int rc = ResolveCard(s, wallet, a.positional[1], &card); rc != kExitOk) return rc;
  if (InFormsFolder(wallet, *wallet.At(card))) return s.Fail(a.positional[1] + " is already a form");
  if (!wallet.FormsFolder()) return s.Fail("the wallet has no forms folder");
  const int form = wallet.SaveCardAsForm(card);
  if (form < 0) return s.Fail("cannot save " + a.positional[1] + " as a form");
  return Done(s, walletArg, wallet, wallet.At(form)->Id().Hex());
}

}  // namespace tb::cli
