// Changing the password: every live record is enciphered again under the
// new key. The new layout is written beside the wallet and renamed over it
// only when complete, so until then the untouched wallet is the copy to go
// back to; a failure leaves it exactly as it was.
#include <cstring>
#include <functional>
#include <utility>

#include "platform/core/file.h"
#include "storage/bytes.h"
#include "storage/cipher/keys.h"
#include "storage/piece_rekey.h"
#include "storage/record_scanner.h"
#include "storage/wallet.h"
#include "storage/wallet_testing.h"

namespace tb::storage {

namespace R = layout::record;
namespace H = layout::header;

namespace detail {
InterruptionHook& RekeyInterruption() {
  static InterruptionHook hook;
  return hook;
}
}  // namespace detail

ScopedRekeyInterruption::ScopedRekeyInterruption(InterruptionHook hook)
    : previous_(std::exchange(detail::RekeyInterruption(), std::move(hook))) {}
ScopedRekeyInterruption::~ScopedRekeyInterruption() { detail::RekeyInterruption() = std::move(previous_); }

PasswordChangeStatus Wallet::ChangePassword(std::u16string_view oldPassword, std::u16string_view newPassword,
                                            std::optional<std::u16string_view> hint) {
  if (!open_) return PasswordChangeStatus::NotOpen;
  if (readOnly_) return PasswordChangeStatus::ReadOnly;
  if (!IsAcceptableNewPassword(newPassword)) return PasswordChangeStatus::BadNewPassword;
  if (!header_.headerKey.IsSet() ||
      VerifyAgainst(header_.Verifier(), header_.headerKey, oldPassword) == VerifyResult::Wrong)
    return PasswordChangeStatus::WrongPassword;

  // What to put back if anything fails.
  const WalletHeader savedHeader = header_;
  const KeyContext oldKey = header_.dataKey;
  auto restore = [&](platform::File& partial, const std::string& partialPath) {
    partial.Close();
    if (!partialPath.empty()) platform::RemoveFile(partialPath);
    header_ = savedHeader;
    return PasswordChangeStatus::RekeyFailed;
  };

  KeyContext newKey;
  newKey.SetKey(DeriveDataKey(header_.headerKey, newPassword));
  header_.dataKey = newKey;
  header_.SetVerifier(MakeVerifier(newKey));
  std::memset(header_.raw.data() + H::kLegacyKey, 0, 16);
  header_.AddFlags(H::kFlagPasswordSet);
  header_.Touch();
  header_.SetHint(hint);

  std::string partialPath;
  platform::File out;
  if (!platform::CreatePartialFile(realPath_, kRekeyTag, &out, &partialPath)) return restore(out, partialPath);

  // The leading blocks as SaveHeaders would write them, so that the new
  // file names the new key the moment it replaces the old one.
  header_.FillRandomFields();
  signature_.SetCurrentVersion();
  std::vector<uint8_t> bytes;
  bytes.reserve(1 << 20);
  bytes.insert(bytes.end(), signature_.raw.begin(), signature_.raw.end());
  bytes.insert(bytes.end(), header_.raw.begin(), header_.raw.end());
  bytes.insert(bytes.end(), options_.raw.begin(), options_.raw.end());
  uint64_t written = 0;
  auto flush = [&]() {
    if (bytes.empty()) return true;
    if (!out.WriteAt(written, bytes.data(), bytes.size())) return false;
    written += bytes.size();
    bytes.clear();
    return true;
  };

  RecordScanner scan(file_, layout::kFirstRecordOffset);
  int record = 0;
  for (;;) {
    RecordHeader h;
    uint64_t offset = 0;
    const RecordScanner::Step step = scan.Next(&h, &offset);
    if (step == RecordScanner::Step::End) break;
    if (step != RecordScanner::Step::Record) return restore(out, partialPath);
    auto& interrupt = detail::RekeyInterruption();
    if (interrupt && !interrupt(record)) return restore(out, partialPath);
    ++record;
    std::array<uint8_t, R::kSize> raw = h.Bytes();
    ByteSpan bodySpan;
    if (!scan.Body(h.BodyLength(), &bodySpan)) return restore(out, partialPath);
    std::vector<uint8_t> body(bodySpan.data(), bodySpan.data() + bodySpan.size());
    // Tombstones too: the names of deleted records must not stay readable
    // to whoever knows the old password.
    RekeyRecordName(raw.data(), oldKey, newKey);
    if (h.IsCard()) RekeyCardBody(body, oldKey, newKey);
    bytes.insert(bytes.end(), raw.begin(), raw.end());
    bytes.insert(bytes.end(), h.Payload().begin(), h.Payload().end());
    bytes.insert(bytes.end(), body.begin(), body.end());
    SecureWipe(body.data(), body.size());
    if (bytes.size() >= (1u << 20) && !flush()) return restore(out, partialPath);
  }
  if (!flush() || !out.Flush()) return restore(out, partialPath);
  if (!platform::ReplaceFileAtomically(partialPath, realPath_)) return restore(out, partialPath);

  // The new file is the wallet now, and it is already locked by us.
  file_.Close();
  file_ = std::move(out);
  signature_.changed = false;
  header_.changed = false;
  options_.changed = false;
  for (int i = 0; i < Count(); ++i) RekeyRecordName(index_.Full(i).MutableBytes().data(), oldKey, newKey);
  return PasswordChangeStatus::Ok;
}

}  // namespace tb::storage
