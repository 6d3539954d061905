#pragma once
// A wallet for storage tests: English texts for the string numbers the
// storage asks for, a prompter with scripted answers, and a fresh wallet
// file in a temporary folder with helpers to fill it.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/system_time.h"
#include "storage/services.h"
#include "storage/wallet.h"
#include "support/fixed_services.h"
#include "support/temp_dir.h"

namespace tb::test {

// Answers questions from a queue (when it runs dry: No for yes/no
// questions, Cancel for ok/cancel and yes/no/cancel, Ok otherwise) and keeps every message.
class ScriptedPrompter : public storage::Prompter {
 public:
  void Queue(storage::Answer answer) { answers_.push_back(answer); }
  storage::Answer Show(const storage::Message& message) override;
  std::vector<storage::Message> messages;

 private:
  std::deque<storage::Answer> answers_;
};

// One field of a card made by AddCard; dateTime is used for kinds 8, 9, 10.
struct FieldSpec {
  std::u16string label;
  std::u16string value;
  uint16_t kind = 1;
  platform::SystemTime dateTime{};
};

// A wallet created (without the starter folder, so only the forms folder
// is in it) and opened in its own temporary folder.
class TestWallet {
 public:
  explicit TestWallet(std::u16string password = u"secret");
  TestWallet(const TestWallet&) = delete;
  TestWallet& operator=(const TestWallet&) = delete;

  bool Ok() const { return ok_; }
  storage::Wallet& wallet() { return wallet_; }
  const std::string& path() const { return path_; }
  const std::u16string& password() const { return password_; }
  const FixedTexts& texts() const { return texts_; }

  // Closes and opens the file again (read-write, no repair).
  storage::OpenStatus Reopen();

  // Adds a folder (top level when parent is all-zero); its position or -1.
  int AddFolder(std::u16string_view name, const storage::RecordId& parent = {}, int32_t icon = 72);
  // Adds a card in the folder; its position or -1.
  int AddCard(const storage::RecordId& folder, std::u16string_view name, const std::vector<FieldSpec>& fields = {},
              int32_t icon = 0);
  // The card AddCard would write, not yet written.
  storage::Card MakeCard(const storage::RecordId& folder, std::u16string_view name,
                         const std::vector<FieldSpec>& fields = {}, int32_t icon = 0);
  storage::RecordId IdAt(int position) const;

 private:
  TempDir dir_;
  FixedTexts texts_;
  storage::Wallet wallet_;
  std::string path_;
  std::u16string password_;
  bool ok_ = false;
};

}  // namespace tb::test
