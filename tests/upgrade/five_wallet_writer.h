#pragma once
// Writes wallets of the previous format (version 5): the same blocks and
// records as the current format, but the version text "(5.10) ", every
// record enciphered under a random key of the wallet's own, kept at header
// offset 56 hidden under the header key, and a verifier that holds the
// password's key itself (or no verifier at all). Header-only, so that the
// benchmarks can make the same files.
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/system.h"
#include "storage/blocks.h"
#include "storage/bytes.h"
#include "storage/card.h"
#include "storage/card_codec.h"
#include "storage/cipher/keys.h"
#include "storage/layout.h"
#include "storage/record.h"

namespace tb::test {

class FiveWalletWriter {
 public:
  explicit FiveWalletWriter(std::u16string_view password) : password_(password) {
    storage::Key128 key;
    for (size_t i = 0; i < key.size(); ++i) key[i] = uint8_t(platform::Random32());
    legacy_.SetKey(key);
    const platform::SystemTime now = platform::LocalTime();
    signature_.SetNew();
    std::memcpy(signature_.raw.data() + storage::layout::signature::kVersionOffset, "(5.10) ", 7);
    std::memcpy(signature_.raw.data() + storage::layout::signature::kTagOffset, "W5\0\0", 4);
    header_.SetNew(now);
    header_.DeriveHeaderKey();
    header_.FillRandomFields();
    storage::StoreU32(header_.raw.data() + storage::layout::header::kCreatedMarker, 1);
    header_.SetHint(u"an old hint");
    header_.SetViewName(0, u"Stars");
    header_.SetViewIcon(0, 88);
    header_.headerKey.Apply(key.data(), 16, header_.raw.data() + storage::layout::header::kLegacyKey);
    options_.SetNew(now);
  }
  FiveWalletWriter(const FiveWalletWriter&) = delete;
  FiveWalletWriter& operator=(const FiveWalletWriter&) = delete;

  // The key every record is enciphered under.
  const storage::KeyContext& Key() const { return legacy_; }
  const storage::WalletHeader& Header() const { return header_; }

  storage::RecordId AddFolder(std::u16string_view name, const storage::RecordId& parent = {}, int32_t icon = 72,
                              bool formsFolder = false) {
    storage::RecordHeader h = storage::NewFolderRecord(parent, formsFolder, &legacy_);
    h.SetName(name);
    h.SetIconRaw(icon);
    Add(h, {}, false);
    return h.Id();
  }

  // A card under the wallet's key, to be filled and handed to AddCard.
  storage::Card NewCard(const storage::RecordId& folder, std::u16string_view name) {
    storage::Card card;
    card.record = storage::NewCardRecord(folder, &legacy_);
    card.record.SetName(name);
    card.loaded = true;
    return card;
  }

  storage::RecordId AddCard(const storage::Card& card) {
    std::vector<uint8_t> body;
    storage::EncodeCardBody(card, legacy_, &body);
    Add(card.record, body, false);
    return card.record.Id();
  }

  // A record as given, body and all (for damaged and hostile files).
  void AddRecord(storage::RecordHeader h, const std::vector<uint8_t>& body) { Add(std::move(h), body, false); }

  // What deleting a card or folder leaves: its header alone, marked deleted.
  void AddTombstone(bool card, std::u16string_view name) {
    storage::RecordHeader h =
        card ? storage::NewCardRecord(storage::RecordId{}, &legacy_) : storage::NewFolderRecord({}, false, &legacy_);
    h.SetName(name);
    h.SetDeletedFlag(1);
    h.SetDeletedAt(platform::LocalTime());
    h.SetChangeFlagsRaw(h.ChangeFlags() | storage::layout::record::kFlagDeleted);
    Add(h, {}, true);
  }

  // The whole file; without a verifier the wallet has no password.
  std::string Bytes(bool withTombstones = true, bool withVerifier = true) const {
    storage::WalletHeader header = header_;
    storage::Key128 verifier{};
    if (withVerifier) verifier = storage::DeriveDataKey(header_.headerKey, password_);
    header.SetVerifier(verifier);
    std::string out;
    out.append(reinterpret_cast<const char*>(signature_.raw.data()), signature_.raw.size());
    out.append(reinterpret_cast<const char*>(header.raw.data()), header.raw.size());
    out.append(reinterpret_cast<const char*>(options_.raw.data()), options_.raw.size());
    for (const Stored& r : records_)
      if (withTombstones || !r.tombstone) out += r.bytes;
    return out;
  }

  bool Write(const std::string& path, bool withTombstones = true, bool withVerifier = true) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << Bytes(withTombstones, withVerifier);
    return bool(file);
  }

 private:
  struct Stored {
    std::string bytes;
    bool tombstone;
  };

  void Add(storage::RecordHeader h, const std::vector<uint8_t>& body, bool tombstone) {
    h.SetBodyLength(uint32_t(body.size()));
    h.SetTrailer(0);
    if (h.Icon() != -1) h.ClearPayloadFields();
    Stored r{std::string(reinterpret_cast<const char*>(h.Bytes().data()), h.Bytes().size()), tombstone};
    if (h.Icon() == -1) r.bytes.append(reinterpret_cast<const char*>(h.Payload().data()), h.Payload().size());
    r.bytes.append(reinterpret_cast<const char*>(body.data()), body.size());
    records_.push_back(std::move(r));
  }

  std::u16string password_;
  storage::KeyContext legacy_;
  storage::FileSignature signature_;
  storage::WalletHeader header_;
  storage::WalletOptions options_;
  std::vector<Stored> records_;
};

}  // namespace tb::test
