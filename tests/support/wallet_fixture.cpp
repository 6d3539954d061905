#include "support/wallet_fixture.h"

#include <gtest/gtest.h>

namespace tb::test {

storage::Answer ScriptedPrompter::Show(const storage::Message& message) {
  messages.push_back(message);
  if (!answers_.empty()) {
    const storage::Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  switch (message.buttons) {
    case storage::Buttons::YesNo: return storage::Answer::No;
    case storage::Buttons::YesNoCancel: return storage::Answer::Cancel;
    case storage::Buttons::OkCancel: return storage::Answer::Cancel;
    case storage::Buttons::Ok: break;
  }
  return storage::Answer::Ok;
}

TestWallet::TestWallet(std::u16string password) : password_(std::move(password)) {
  if (dir_.Path().empty()) return;
  path_ = dir_.File("test.tbw");
  wallet_.SetTextSource(&texts_);
  const storage::CreateStatus created = wallet_.Create(path_, password_, std::nullopt, false);
  if (created != storage::CreateStatus::Ok) {
    ADD_FAILURE() << "cannot create " << path_ << ": " << int(created);
    return;
  }
  ok_ = Reopen() == storage::OpenStatus::Ok;
}

storage::OpenStatus TestWallet::Reopen() {
  wallet_.Close();
  const storage::OpenStatus status = wallet_.Open(path_, password_, false, nullptr);
  if (status != storage::OpenStatus::Ok) ADD_FAILURE() << "cannot open " << path_ << ": " << int(status);
  return status;
}

int TestWallet::AddFolder(std::u16string_view name, const storage::RecordId& parent, int32_t icon) {
  storage::RecordHeader folder = storage::NewFolderRecord(parent, false, &wallet_.DataKey());
  folder.SetName(name);
  folder.SetIconRaw(icon);
  return wallet_.AppendRecord(std::move(folder));
}

storage::Card TestWallet::MakeCard(const storage::RecordId& folder, std::u16string_view name,
                                   const std::vector<FieldSpec>& fields, int32_t icon) {
  storage::Card card = wallet_.NewEmptyCard(folder);
  card.record.SetName(name);
  card.record.SetIconRaw(icon);
  for (const FieldSpec& spec : fields) {
    storage::Field f;
    f.SetKind(spec.kind, &texts_);
    f.SetLabel(spec.label);
    if (spec.kind >= 8 && spec.kind <= 10) f.SetDateTime(spec.dateTime);
    else f.SetValue(spec.value);
    card.AddField(std::move(f));
  }
  return card;
}

int TestWallet::AddCard(const storage::RecordId& folder, std::u16string_view name, const std::vector<FieldSpec>& fields,
                        int32_t icon) {
  storage::Card card = MakeCard(folder, name, fields, icon);
  return wallet_.AppendCard(card);
}

storage::RecordId TestWallet::IdAt(int position) const {
  const storage::RecordHeader* h = wallet_.At(position);
  return h ? h->Id() : storage::RecordId{};
}

}  // namespace tb::test
