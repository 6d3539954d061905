// Commands about passwords themselves: generate (a new password or
// passphrase) and audit (the health report of a wallet's passwords).
#include <ostream>

#include "cli/commands.h"
#include "cli/generated_values.h"
#include "cli/item_paths.h"
#include "cli/json_writer.h"
#include "strength/password_audit.h"

namespace tb::cli {

namespace {

// The most other cards one entry of the JSON report names.
constexpr size_t kMaxReusedWithListed = 1000;

// A secret on standard output, encoded in memory that is wiped afterwards.
void WriteSecretLine(std::ostream& out, const storage::Text& text) {
  storage::SecureString utf8 = SecretUtf8(View(text));
  utf8.push_back('\n');
  WriteInPieces(out, utf8);
  out.flush();
}

std::string FindingWords(uint32_t findings) {
  std::string words;
  for (const uint32_t f : strength::kFindingBits) {
    if (!(findings & f)) continue;
    if (!words.empty()) words += ", ";
    std::string key(strength::FindingKey(f));
    for (char& c : key)
      if (c == '_') c = ' ';
    words += key;
  }
  return words;
}

void WriteJsonReport(const storage::Wallet& wallet, const strength::AuditReport& r, std::ostream& out) {
  const strength::AuditCounts& n = r.counts;
  JsonWriter json;
  json.BeginObject().Key("counts").BeginObject();
  json.Key("cards").Number(n.cards).Key("fields").Number(n.fields).Key("flagged_cards").Number(n.flaggedCards);
  for (const uint32_t f : strength::kFindingBits) json.Key(strength::FindingKey(f)).Number(n.Of(f));
  json.Key("unreadable_cards").Number(r.unreadableCards).EndObject();
  json.Key("cards").BeginArray();
  for (size_t i = 0; i < r.entries.size(); ++i) {
    const strength::AuditEntry& e = r.entries[i];
    json.BeginObject()
        .Key("id")
        .Utf8(e.card.Hex())
        .Key("path")
        .String(PathOf(wallet, e.position))
        .Key("field")
        .String(View(e.label))
        .Key("findings")
        .BeginArray();
    for (const uint32_t f : strength::kFindingBits)
      if (e.findings & f) json.Utf8(strength::FindingKey(f));
    json.EndArray();
    if (!(e.findings & strength::kFindingEmpty)) json.Key("strength").Utf8(strength::StepKey(e.strength.step));
    size_t total = 0;
    const std::vector<storage::RecordId> others = strength::ReusedWith(r, i, kMaxReusedWithListed, &total);
    json.Key("reused_with").BeginArray();
    for (const storage::RecordId& id : others) json.Utf8(id.Hex());
    json.EndArray();
    if (total > others.size()) json.Key("reused_with_total").Unsigned(total);
    json.EndObject();
  }
  json.EndArray().EndObject();
  out << json.Text() << "\n";
}

void WriteTextReport(const storage::Wallet& wallet, const std::string& walletArg, const strength::AuditReport& r,
                     std::ostream& out) {
  const strength::AuditCounts& n = r.counts;
  out << "Password report for " << walletArg << ": " << n.fields << " password fields on " << n.cards << " cards; "
      << n.flaggedCards << (n.flaggedCards == 1 ? " card needs" : " cards need") << " attention.\n";
  std::string counts;
  for (const uint32_t f : strength::kFindingBits)
    counts += (counts.empty() ? "" : ", ") + FindingWords(f) + " " + std::to_string(n.Of(f));
  out << counts << "\n";
  if (!r.entries.empty()) out << "\n";
  for (const strength::AuditEntry& e : r.entries)
    out << Printable(Utf8(PathOf(wallet, e.position))) << "\t" << Printable(Utf8(e.label)) << "\t"
        << FindingWords(e.findings) << "\n";
  if (!r.reuseGroups.empty()) out << "\nThe same password is on each card of a line:\n";
  for (const std::vector<size_t>& group : r.reuseGroups) {
    std::string line;
    for (const size_t i : group) {
      const strength::AuditEntry& e = r.entries[i];
      line += (line.empty() ? "  " : ", ") + Printable(Utf8(PathOf(wallet, e.position))) + " (" +
              Printable(Utf8(e.label)) + ")";
    }
    out << line << "\n";
  }
}

}  // namespace

int CmdGenerate(Session& s, const ParsedArgs& a) {
  generator::GeneratorSettings settings;
  if (int rc = GeneratorOptions(s, a, &settings); rc != kExitOk) return rc;
  storage::Text value;
  if (generator::Generate(settings, &value) != generator::GeneratorStatus::Ok)
    return s.Fail("cannot generate a password");
  WriteSecretLine(s.out, value);
  return kExitOk;
}

int CmdAudit(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, true, wallet); rc != kExitOk) return rc;
  const strength::AuditReport report = strength::AuditPasswords(wallet);
  if (a.Has("--json")) WriteJsonReport(wallet, report, s.out);
  else WriteTextReport(wallet, walletArg, report, s.out);
  wallet.Close();
  if (report.unreadableCards > 0)
    s.err << "tbwallet: " << report.unreadableCards << " cards could not be read and are not in the report\n";
  return report.Clean() ? kExitOk : kExitFailed;
}

}  // namespace tb::cli
