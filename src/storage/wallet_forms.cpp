// Cards made from forms, copies of cards, and cards saved as custom forms.
#include "storage/forms/builtin_forms.h"
#include "storage/forms/form_kinds.h"
#include "storage/wallet.h"

namespace tb::storage {

namespace {
constexpr uint32_t kNewCardName = 20509;
constexpr size_t kMaxFormNameUnits = 127;

// "*" after the name marks a copy; the name is cut to 254 units first.
void MarkAsCopy(RecordHeader& h) {
  Text name = h.Name();
  if (name.size() > 254) name.resize(254);
  name += u'*';
  h.SetName(std::u16string_view(name.data(), name.size()));
}
}  // namespace

Card Wallet::NewEmptyCard(const RecordId& folderId) {
  Card card;
  card.record = NewCardRecord(folderId, &header_.dataKey);
  card.attributes = options_.DefaultAttributes();
  card.loaded = true;
  card.changed = true;
  return card;
}

int Wallet::CopyCardInto(int cardPosition, int folderPosition) {
  const RecordHeader* source = At(cardPosition);
  const RecordHeader* folder = At(folderPosition);
  if (!source || !folder || !source->IsCard() || folder->IsCard()) return -1;
  Card card;
  if (!LoadCard(source->Id(), &card)) return -1;
  Reidentify(card.record, folder->Id());
  MarkAsCopy(card.record);
  return AppendCard(card);
}

int Wallet::SaveCardAsForm(int cardPosition) {
  const RecordHeader* source = At(cardPosition);
  const RecordHeader* forms = FormsFolder();
  if (!source || !source->IsCard() || !forms) return -1;
  Card card;
  if (!LoadCard(source->Id(), &card)) return -1;
  Reidentify(card.record, forms->Id());
  // A form keeps labels, kinds and choices; every value (and date) goes.
  for (Field& f : card.fields) f.SetValue(u"");
  return AppendCard(card);
}

bool Wallet::NewCardFromForm(const RecordId& folderId, const FormId& form, Card* card) {
  uint32_t number = 0;
  if (!IsBuiltInForm(form, &number)) {
    const RecordHeader* forms = FormsFolder();
    const RecordHeader* custom = At(FindRecord(form));
    if (!forms || !custom || !custom->IsCard() || custom->Parent() != forms->Id()) return false;
    if (!LoadCard(form, card)) return false;
    Reidentify(card->record, folderId);
    MarkAsCopy(card->record);
    card->changed = true;
    return true;
  }
  const BuiltInForm* def = BuiltInFormAt(int(number));
  if (!def) return false;
  *card = NewEmptyCard(folderId);
  card->record.SetName(TextOf(kNewCardName));
  card->record.SetIconRaw(int32_t(def->head.icon));
  for (const FormFieldDef& d : def->fields) {
    Field f;
    f.SetKind(uint16_t(BuiltInFieldKind(int(d.formKind), d.masked != 0)), texts_);
    f.SetLabel(TextOf(d.labelString));
    f.changeFlags |= field_flags::kNew;
    card->fields.push_back(std::move(f));
  }
  return true;
}

std::optional<Text> Wallet::FormName(const FormId& form) const {
  uint32_t number = 0;
  Text name;
  if (IsBuiltInForm(form, &number)) {
    const BuiltInForm* def = BuiltInFormAt(int(number));
    if (!def) return std::nullopt;
    name = ToText(TextOf(def->head.nameString));
  } else {
    const RecordHeader* forms = FormsFolder();
    const RecordHeader* custom = At(FindRecord(form));
    if (!forms || !custom || !custom->IsCard() || custom->Parent() != forms->Id()) return std::nullopt;
    name = custom->Name();
  }
  if (name.size() > kMaxFormNameUnits) name.resize(kMaxFormNameUnits);
  return name;
}

std::vector<CardType> Wallet::CardTypeList() const {
  std::vector<CardType> list;
  if (const RecordHeader* forms = FormsFolder()) {
    const RecordId formsId = forms->Id();
    for (int i = 0; i < Count(); ++i) {
      if (index_.IsDeleted(i) || index_.Kind(i) != RecordKind::Card || index_.Parent(i) != formsId) continue;
      Text name;
      NameAt(i, &name);
      list.push_back({index_.Id(i), std::move(name), index_.Icon(i), true});
    }
  }
  for (int n = 0; n < kBuiltInFormCount; ++n) {
    const BuiltInForm* def = BuiltInFormAt(n);
    list.push_back(
        {BuiltInFormId(uint32_t(n)), ToText(TextOf(def->head.nameString)), int32_t(def->head.icon) + 4, false});
  }
  return list;
}

}  // namespace tb::storage
