#include "support/fault_loop.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <iterator>

#include "platform/core/file.h"
#include "storage/bytes.h"
#include "storage/cipher/md5.h"
#include "storage/layout.h"

namespace tb::test {

using namespace storage;

namespace {

std::string Ascii(const Text& t) {
  std::string s;
  for (char16_t c : t) s += c < 128 ? char(c) : '?';
  return s;
}

template <typename Bytes>
std::string Hash(const Bytes& b) {
  const Digest d = Md5(b.data(), b.size());
  static const char* hex = "0123456789abcdef";
  std::string s;
  for (uint8_t x : d) {
    s += hex[x >> 4];
    s += hex[x & 15];
  }
  return s + ":" + std::to_string(b.size());
}

std::string Time(const platform::SystemTime& t) {
  return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) + "T" +
         std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" + std::to_string(t.second) + "." +
         std::to_string(t.milliseconds);
}

std::string Hex(const uint8_t* p, size_t n) {
  static const char* hex = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += hex[p[i] >> 4];
    s += hex[p[i] & 15];
  }
  return s;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The regular files of a folder and what they hold.
std::map<std::string, std::string> FolderFiles(const std::string& folder) {
  std::map<std::string, std::string> files;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      const std::string path = folder + "/" + e->d_name;
      struct stat st {};
      if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) files[e->d_name] = ReadAll(path);
    }
    ::closedir(dir);
  }
  return files;
}

std::string CardText(const Card& card) {
  std::string c = "|attr";
  for (uint32_t a : card.attributes) c += " " + std::to_string(a);
  for (const Field& f : card.fields) {
    c += "|" + std::to_string(f.kind) + "/" + std::to_string(f.flags) + "/" + std::to_string(f.labelColour) + "/" +
         std::to_string(f.valueColour) + "/" + Time(f.dateTime) + ":" + Ascii(f.label) + "=" + Ascii(f.value);
    for (const Text& item : f.items) c += "^" + Ascii(item);
  }
  if (card.picture)
    c += "|pic " + std::to_string(card.picture->type) + " at " + std::to_string(card.picture->placement) +
         (card.picture->scaleToFit ? " fit " : " ") + Hash(card.picture->bytes) + " " + Ascii(card.picture->fileName);
  if (card.sound)
    c += "|snd " + std::to_string(card.sound->type) + (card.sound->play ? " play " : " ") + Hash(card.sound->bytes) +
         " " + Ascii(card.sound->fileName);
  for (const auto& a : card.attachments)
    if (a)
      c += "|att " + Hash(a->bytes) + " " + Ascii(a->fileName) + " " + Time(a->fileTime) + " " + Time(a->timeAdded);
  return c;
}

}  // namespace

WalletState AbsentWallet() { return {{"#absent", ""}}; }

WalletState CaptureWallet(Wallet& w, const std::string& passwordLabel) {
  namespace H = layout::header;
  namespace O = layout::options;
  WalletState s;
  const auto& header = w.Header().raw;
  std::string h = passwordLabel + "|hint " + Ascii(w.GetHint().value_or(Text(u"-"))) + "|flags " +
                  std::to_string(LoadU32(header.data() + H::kFlags));
  for (int v = 1; v <= 3; ++v)
    h += "|view " + Ascii(w.SpecialViewDisplayName(v)) + " " + std::to_string(w.GetSpecialViewIcon(v));
  s["#header"] = h;
  // The options block as stored, but for its time of change.
  const auto& options = w.Options().raw;
  s["#options"] = Hex(options.data() + O::kFlags, options.size() - O::kFlags);
  for (int i = 0; i < w.Count(); ++i) {
    const RecordHeader* r = w.At(i);
    if (r->IsDeleted()) continue;
    std::string c = std::to_string(int(r->Kind())) + "|" + r->Parent().Hex() + "|" + Ascii(r->Name()) + "|icon " +
                    std::to_string(r->Icon()) + "|form " + r->DefaultForm().Hex();
    const std::vector<uint8_t> icon = r->IconPicture();
    if (!icon.empty()) c += "|own icon " + Hash(icon);
    if (r->IsCard()) {
      Card card;
      c += w.LoadCard(r->Id(), &card) ? CardText(card) : std::string("|unreadable");
    }
    s[r->Id().Hex()] = c;
  }
  return s;
}

WalletState ByContentWhereNew(const WalletState& state, const WalletState& before) {
  // A new record's id, where other records name it (as their folder or
  // form), becomes its kind and name.
  std::map<std::string, std::string> alias;
  for (const auto& [id, content] : state) {
    if (before.count(id) || id[0] == '#') continue;
    const size_t kind = content.find('|');
    const size_t name = content.find('|', kind == std::string::npos ? kind : kind + 1);
    const size_t end = content.find('|', name == std::string::npos ? name : name + 1);
    alias[id] = "<new " + content.substr(0, kind) + " " +
                (end == std::string::npos ? std::string() : content.substr(name + 1, end - name - 1)) + ">";
  }
  auto named = [&alias](std::string content) {
    for (const auto& [id, label] : alias)
      for (size_t at = content.find(id); at != std::string::npos; at = content.find(id, at + label.size()))
        content.replace(at, id.size(), label);
    return content;
  };
  WalletState out;
  for (const auto& [id, content] : state) {
    if (!alias.count(id)) {
      out[id] = named(content);
      continue;
    }
    const std::string c = named(content);
    std::string key = "new " + c;
    while (out.count(key)) key += "+";
    out[key] = c;
  }
  return out;
}

std::string DescribeDifference(const WalletState& got, const WalletState& want) {
  std::string out;
  for (const auto& [k, v] : want) {
    auto it = got.find(k);
    if (it == got.end()) out += "\n missing " + k + " = " + v;
    else if (it->second != v) out += "\n " + k + ": got " + it->second + " want " + v;
  }
  for (const auto& [k, v] : got)
    if (!want.count(k)) out += "\n extra " + k + " = " + v;
  return out;
}

namespace {

// The folder as it was before the operation, to put back before each run.
struct Start {
  std::string folder;
  std::map<std::string, std::string> files;
};

Start Prepare(const FaultLoopSpec& spec) {
  Start start;
  if (!platform::RealPath(platform::FolderOf(spec.walletPath), &start.folder))
    start.folder = platform::FolderOf(spec.walletPath);
  for (const std::string& side : spec.sideFiles) ::unlink(side.c_str());
  if (spec.walletAbsent) ::unlink(spec.walletPath.c_str());
  else WriteBytes(spec.walletPath, spec.startBytes);
  start.files = FolderFiles(start.folder);
  return start;
}

void Restore(const FaultLoopSpec& spec, const Start& start) {
  for (const auto& [name, bytes] : FolderFiles(start.folder))
    if (!start.files.count(name)) ::unlink((start.folder + "/" + name).c_str());
  for (const auto& [name, bytes] : start.files) WriteBytes(start.folder + "/" + name, bytes);
  for (const std::string& side : spec.sideFiles)
    if (!start.files.count(side.substr(side.find_last_of('/') + 1))) ::unlink(side.c_str());
}

WalletState Reopened(const FaultLoopSpec& spec, const WalletState& before, bool* ok) {
  *ok = true;
  if (!platform::FileExists(spec.walletPath)) return AbsentWallet();
  Wallet w;
  std::string label;
  const OpenStatus s = spec.reopen(w, &label);
  if (s != OpenStatus::Ok) {
    *ok = false;
    ADD_FAILURE() << "reopening gave status " << int(s) << " (" << Describe(s) << ")";
    return {};
  }
  return ByContentWhereNew(CaptureWallet(w, label), before);
}

// The state the fault-free run leaves, and whether the operation said it
// succeeded.
WalletState FaultFree(const FaultLoopSpec& spec, const Start& start, const WalletState& before) {
  Restore(spec, start);
  Wallet w;
  if (spec.prepare) spec.prepare(w);
  const bool ok = spec.run(w);
  w.Close();
  EXPECT_TRUE(ok) << "the operation failed without any fault";
  bool reopened = true;
  return Reopened(spec, before, &reopened);
}

bool Matches(const FaultLoopSpec& spec, const WalletState& got, const WalletState& before, const WalletState& after,
             bool reportedSuccess, std::string* why) {
  if (reportedSuccess && got != after) {
    *why = "the operation reported success, but its result is not what the disk holds" + DescribeDifference(got, after);
    return false;
  }
  switch (spec.outcome) {
    case Outcome::OldOrNew:
      if (got == before || got == after) return true;
      *why = "neither before nor after" + DescribeDifference(got, after);
      return false;
    case Outcome::New:
      if (got == after) return true;
      *why = "not the finished result" + DescribeDifference(got, after);
      return false;
    case Outcome::EveryRecordOldOrNew:
      for (const auto& [id, content] : before) {
        const auto it = got.find(id);
        const auto later = after.find(id);
        if (it == got.end() || !(it->second == content || (later != after.end() && it->second == later->second))) {
          *why = "record " + id + " is neither old nor new" + DescribeDifference(got, after);
          return false;
        }
      }
      for (const auto& [id, content] : got)
        if (!before.count(id) && !after.count(id)) {
          *why = "appeared: " + id;
          return false;
        }
      return true;
  }
  return false;
}

int RunFrom(const FaultLoopSpec& spec, const Start& start, FaultPlan::Mode mode) {
  bool ok = true;
  Restore(spec, start);
  const WalletState before = Reopened(spec, {}, &ok);
  if (!ok) return -1;
  const WalletState after = FaultFree(spec, start, before);
  if (spec.changes) {
    EXPECT_NE(before, after) << "the fault-free run changed nothing a user sees";
  }
  if (::testing::Test::HasFailure()) return -1;

  const std::vector<Loss> patterns = mode == FaultPlan::Mode::PowerCut
                                         ? std::vector<Loss>{Loss::AllLost, Loss::AllKept, Loss::RandomMix}
                                         : std::vector<Loss>{Loss::AllKept};
  for (int n = 1; n < 200000; ++n) {
    for (const Loss loss : patterns) {
      Restore(spec, start);
      Wallet w;
      if (spec.prepare) spec.prepare(w);
      const uint32_t seed = uint32_t(n) * 2654435761u;
      FaultPlan plan(mode, n, seed);
      if (mode == FaultPlan::Mode::PowerCut) plan.ModelFolder(start.folder);
      bool reported;
      {
        ScopedFaults faults(&plan);
        reported = spec.run(w);
        w.Close();
      }
      if (!plan.Fired()) {
        // The operation ran through without meeting the Nth call.
        const int points = n - 1;
        EXPECT_GT(points, 0) << "the operation met no fault point";
        return points > 0 ? points : -1;
      }
      if (mode == FaultPlan::Mode::PowerCut) plan.Crash(loss, seed);
      const WalletState got = Reopened(spec, before, &ok);
      if (!ok) {
        ADD_FAILURE() << "fault point " << n << ", " << Describe(loss);
        return -1;
      }
      std::string why;
      if (!Matches(spec, got, before, after, reported, &why)) {
        ADD_FAILURE() << "fault point " << n << " of " << plan.Calls() << " calls met"
                      << (mode == FaultPlan::Mode::PowerCut ? std::string(", ") + Describe(loss) : std::string())
                      << ": " << why;
        return -1;
      }
    }
  }
  ADD_FAILURE() << "the operation never ran through";
  return -1;
}

}  // namespace

int RunFaultLoop(const FaultLoopSpec& spec, FaultPlan::Mode mode) {
  const Start start = Prepare(spec);
  const int points = RunFrom(spec, start, mode);
  Restore(spec, start);
  return points;
}

void RunFaultLoopAllModes(const char* name, const FaultLoopSpec& spec) {
  // The folder is taken once: each mode starts from what was there before
  // the first, not from what the last run of the mode before left.
  const Start start = Prepare(spec);
  int counts[3] = {-1, -1, -1};
  const std::pair<FaultPlan::Mode, const char*> modes[] = {{FaultPlan::Mode::FailOnce, "fail once"},
                                                           {FaultPlan::Mode::FailFromThenOn, "fail from then on"},
                                                           {FaultPlan::Mode::PowerCut, "power cut"}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(std::string(name) + ", " + modes[i].second);
    counts[i] = RunFrom(spec, start, modes[i].first);
    if (counts[i] < 0) break;
  }
  Restore(spec, start);
  if (counts[2] < 0) return;
  std::cout << "  fault points | " << name << " | fail once " << counts[0] << " | fail from then on " << counts[1]
            << " | power cut " << counts[2] << " x 3 loss patterns\n";
}

}  // namespace tb::test
