#include "interchange/form_exchange.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/format_text.h"

namespace tb::interchange {

namespace {

constexpr size_t kQuestionNameUnits = 28;
constexpr size_t kMaxFileNameBytes = 255;

std::u16string_view View(const storage::Text& t) { return std::u16string_view(t.data(), t.size()); }

bool IsReplacedInFileName(char16_t c) {
  switch (c) {
    case u'\\':
    case u'/':
    case u':':
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|': return true;
    default: return c < 0x20 || c == 0x7F;
  }
}

// The user's short date picture with every year written with four digits.
std::u16string FourDigitYearPicture(const std::u16string& picture) {
  std::u16string out;
  bool quoted = false;
  for (size_t i = 0; i < picture.size();) {
    const char16_t c = picture[i];
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u'y') {
      while (i < picture.size() && picture[i] == u'y') ++i;
      out += u"yyyy";
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

void Notify(storage::Prompter* notices, const storage::Wallet& wallet, uint32_t text, std::u16string formatted,
            uint32_t caption) {
  if (!notices) return;
  storage::Message m;
  m.textNumber = text;
  m.text = std::move(formatted);
  m.captionNumber = caption;
  m.caption = std::u16string(wallet.TextOf(caption));
  m.buttons = storage::Buttons::Ok;
  m.icon = storage::MessageIcon::Information;
  notices->Show(m);
}

// Writes the form into a private file beside its final name and gives it
// that name only once it is whole and on the disk.
FormExportStatus WriteNewFormFile(const storage::Card& card, const FormExportOptions& options,
                                  const std::string& path) {
  if (platform::FileExists(path)) return FormExportStatus::FileExists;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%08x", unsigned(platform::Random32()));
  const std::string part = path + suffix + ".part";
  platform::File file;
  if (file.Open(part, platform::OpenMode::CreateNew) != platform::OpenResult::Ok)
    return FormExportStatus::FileNotCreated;
  const FormWriteStatus written = WriteFormFile(&card, &file, options.includeData, options.author, options.description);
  const bool flushed = written == FormWriteStatus::Ok && file.Flush();
  file.Close();
  if (!flushed) {
    platform::RemoveFile(part);
    return FormExportStatus::WriteFailed;
  }
  switch (platform::PublishFileNoReplace(part, path)) {
    case platform::PublishResult::Ok: return FormExportStatus::Ok;
    case platform::PublishResult::Exists: platform::RemoveFile(part); return FormExportStatus::FileExists;
    case platform::PublishResult::Failed: break;
  }
  platform::RemoveFile(part);
  return FormExportStatus::WriteFailed;
}

}  // namespace

std::string DocumentsFolder() {
  if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg && *xdg) return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/Documents";
  return ".";
}

std::string FormFileName(std::u16string_view cardName, const platform::SystemTime& today) {
  char date[32];
  std::snprintf(date, sizeof date, "_%02u%02u%u.tbx", unsigned(today.day), unsigned(today.month), unsigned(today.year));
  std::u16string base(cardName);
  for (char16_t& c : base)
    if (IsReplacedInFileName(c)) c = u'_';
  std::string name = platform::ToUtf8(base);
  // A long card name would make a name the file system refuses: cut it,
  // never inside a surrogate pair.
  while (!base.empty() && name.size() + std::strlen(date) > kMaxFileNameBytes) {
    base.pop_back();
    if (!base.empty() && base.back() >= 0xD800 && base.back() <= 0xDBFF) base.pop_back();
    name = platform::ToUtf8(base);
  }
  return name + date;
}

FormExportStatus ExportAsForm(storage::Wallet& wallet, int cardPosition, const FormExportOptions& options,
                              std::string* writtenPath, storage::Prompter* notices) {
  const storage::RecordHeader* h = wallet.At(cardPosition);
  if (!h || !h->IsCard() || h->IsDeleted()) return FormExportStatus::NotACard;
  const std::u16string failed(wallet.TextOf(form_strings::kExportFailed));
  storage::Card card;
  if (!wallet.LoadCard(h->Id(), &card)) {
    Notify(notices, wallet, form_strings::kExportFailed, failed, form_strings::kErrorCaption);
    return FormExportStatus::CardUnreadable;
  }
  const std::string folder = options.folder.empty() ? DocumentsFolder() : options.folder;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    Notify(notices, wallet, form_strings::kExportFailed, failed, form_strings::kErrorCaption);
    return FormExportStatus::FolderUnusable;
  }
  const std::string fileName = FormFileName(View(card.record.Name()), platform::LocalTime());
  const std::string path = (std::filesystem::path(folder) / fileName).string();
  const FormExportStatus status = WriteNewFormFile(card, options, path);
  if (status != FormExportStatus::Ok) {
    Notify(notices, wallet, form_strings::kExportFailed, failed, form_strings::kErrorCaption);
    return status;
  }
  if (writtenPath) *writtenPath = path;
  const std::u16string folderText = platform::FromUtf8(folder), nameText = platform::FromUtf8(fileName);
  Notify(notices, wallet, form_strings::kExported,
         storage::FormatText(wallet.TextOf(form_strings::kExported), {folderText, nameText}),
         form_strings::kExportCaption);
  return FormExportStatus::Ok;
}

std::u16string FormImportQuestion(const storage::Wallet& wallet, std::u16string_view name,
                                  const FormFileHeader& header) {
  std::u16string text(wallet.TextOf(form_strings::kAddQuestion));
  text += u"\n\n";
  const auto line = [&](uint32_t label, std::u16string_view value) {
    if (value.empty()) return;
    text += wallet.TextOf(label);
    text += u' ';
    text += value;
    text += u'\n';
  };
  std::u16string shown(name.substr(0, std::min(name.size(), kQuestionNameUnits)));
  if (name.size() > kQuestionNameUnits) shown += u"...";
  line(form_strings::kNameLabel, shown);
  line(form_strings::kDescriptionLabel, header.description);
  line(form_strings::kAuthorLabel, header.author);
  if (!header.exportTime.IsZero()) {
    text += wallet.TextOf(form_strings::kExportedOnLabel);
    text += u' ';
    text +=
        platform::FormatWithPicture(header.exportTime, FourDigitYearPicture(platform::UserDateTimeFormats().shortDate));
  }
  return text;
}

FormImportResult ImportForm(storage::Wallet& wallet, const std::string& path, storage::Prompter* prompter) {
  FormImportResult result;
  if (!wallet.IsOpen() || wallet.IsReadOnly()) {
    result.status = FormImportStatus::NotWritable;
    return result;
  }
  const storage::RecordHeader* forms = wallet.FormsFolder();
  if (!forms) {
    result.status = FormImportStatus::NoFormsFolder;
    return result;
  }
  const storage::RecordId formsId = forms->Id();

  storage::Card card;
  {
    platform::File file;
    if (file.Open(path, platform::OpenMode::ReadOnly) != platform::OpenResult::Ok) {
      result.status = FormImportStatus::Unreadable;
      result.readStatus = FormReadStatus::NoFile;
      return result;
    }
    result.readStatus = ReadFormFile(&card, &file, wallet.DataKey(), &result.header);
  }
  if (result.readStatus != FormReadStatus::Ok) {
    result.status = FormImportStatus::Unreadable;
    return result;
  }
  result.name = card.record.Name();

  storage::Message question;
  question.textNumber = form_strings::kAddQuestion;
  question.text = FormImportQuestion(wallet, View(result.name), result.header);
  question.captionNumber = form_strings::kConfirmCaption;
  question.caption = std::u16string(wallet.TextOf(form_strings::kConfirmCaption));
  question.buttons = storage::Buttons::YesNo;
  question.icon = storage::MessageIcon::Question;
  if (!prompter || prompter->Show(question) != storage::Answer::Yes) {
    result.status = FormImportStatus::Declined;
    return result;
  }

  // A new card of the forms folder: new id, created and modified now.
  storage::Reidentify(card.record, formsId);
  if (card.record.Icon() == -1) {
    // An own icon picture from outside is stored again with its padding and
    // digest made here, so that the wallet never holds a payload it did
    // not make; without picture bytes the card gets the plain icon.
    const std::vector<uint8_t> picture = card.record.IconPicture();
    card.record.SetIconPicture(picture.data(), picture.size());
  }
  card.changed = true;
  result.position = wallet.AppendCard(card);
  result.status = result.position >= 0 ? FormImportStatus::Imported : FormImportStatus::WriteFailed;
  return result;
}

const char* Describe(FormExportStatus status) {
  switch (status) {
    case FormExportStatus::Ok: return "written";
    case FormExportStatus::NotACard: return "not a card";
    case FormExportStatus::CardUnreadable: return "the card could not be read from the wallet";
    case FormExportStatus::FolderUnusable: return "the folder could not be made";
    case FormExportStatus::FileExists: return "a file of that name exists; it is not replaced";
    case FormExportStatus::FileNotCreated: return "the form file could not be created";
    case FormExportStatus::WriteFailed: return "the form file could not be written";
  }
  return "unknown";
}

const char* Describe(FormImportStatus status) {
  switch (status) {
    case FormImportStatus::Imported: return "imported";
    case FormImportStatus::Declined: return "not imported";
    case FormImportStatus::Unreadable: return "not a readable form file";
    case FormImportStatus::NoFormsFolder: return "the wallet has no forms folder";
    case FormImportStatus::NotWritable: return "the wallet is not open for writing";
    case FormImportStatus::WriteFailed: return "the form could not be added to the wallet";
  }
  return "unknown";
}

}  // namespace tb::interchange
