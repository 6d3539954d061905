// Exporting a card as a form file and importing form files into the forms
// folder: names, permissions, the question, and every fault on the way.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "form_fixture.h"
#include "interchange/form_exchange.h"
#include "platform/core/system.h"
#include "support/fault_loop.h"

namespace tb::test {
namespace {

using interchange::FormExportStatus;
using interchange::FormImportStatus;

class QuestionTexts : public storage::TextSource {
 public:
  std::u16string_view Text(uint32_t n) const override {
    switch (n) {
      case 20204: return u"Yes";
      case 20205: return u"No";
      case 22020: return u"Exported to %s as %s";
      case 22025: return u"Add this form?";
      case 22026: return u"Name:";
      case 22027: return u"Description:";
      case 22028: return u"Author:";
      case 22029: return u"Exported on:";
      case 23017: return u"Not written.";
      default: return u"?";
    }
  }
};

class FormExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(source.Ok());
    ASSERT_TRUE(target.Ok());
    const storage::RecordId bank = source.IdAt(source.AddFolder(u"Bank"));
    storage::Card card = EveryKindCard(source, bank);
    position = source.wallet().AppendCard(card);
    ASSERT_GE(position, 0);
    options.folder = dir.File("out/forms");
    options.author = u"Ann";
    options.description = u"Every kind";
  }
  std::string Export() {
    std::string path;
    EXPECT_EQ(interchange::ExportAsForm(source.wallet(), position, options, &path), FormExportStatus::Ok);
    return path;
  }
  int FormsIn(TestWallet& w) {
    int n = 0;
    for (const storage::CardType& t : w.wallet().CardTypeList()) n += t.custom;
    return n;
  }

  platform::TestClock clock{{2026, 3, 6, 7, 9, 15, 0, 0}};
  TestWallet source{u"first-pass"};
  TestWallet target{u"other-pass"};
  TempDir dir;
  int position = -1;
  interchange::FormExportOptions options;
};

TEST_F(FormExchangeTest, ExportMakesAnOwnerOnlyFileNamedAfterCardAndDay) {
  const std::string walletBefore = ReadBytes(source.path());
  const std::string path = Export();
  EXPECT_EQ(path, dir.File("out/forms/Everything_07032026.tbx"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadBytes(source.path()), walletBefore) << "exporting changed the wallet";
  // Nothing but the form file is left in the folder.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(options.folder)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(FormExchangeTest, ExportNeverReplacesAFile) {
  const std::string path = Export();
  WriteBytes(path, "someone else's");
  std::string again;
  EXPECT_EQ(interchange::ExportAsForm(source.wallet(), position, options, &again), FormExportStatus::FileExists);
  EXPECT_EQ(ReadBytes(path), "someone else's");
  EXPECT_EQ(interchange::ExportAsForm(source.wallet(), 0, options, &again), FormExportStatus::NotACard);
}

TEST_F(FormExchangeTest, FileNamesLoseWhatFileSystemsRefuse) {
  const platform::SystemTime day{2026, 11, 0, 2, 0, 0, 0, 0};
  EXPECT_EQ(interchange::FormFileName(u"a\\b/c:d*e?f\"g<h>i|j\tk", day), "a_b_c_d_e_f_g_h_i_j_k_02112026.tbx");
  const std::string longName = interchange::FormFileName(std::u16string(255, u'\u00e9'), day);
  EXPECT_LE(longName.size(), 255u);
  EXPECT_EQ(longName.substr(longName.size() - 13), "_02112026.tbx");
}

TEST_F(FormExchangeTest, ExportReportsTheFolderAndFileName) {
  QuestionTexts texts;
  source.wallet().SetTextSource(&texts);
  ScriptedPrompter notices;
  std::string path;
  ASSERT_EQ(interchange::ExportAsForm(source.wallet(), position, options, &path, &notices), FormExportStatus::Ok);
  ASSERT_EQ(notices.messages.size(), 1u);
  EXPECT_EQ(notices.messages[0].textNumber, 22020u);
  EXPECT_EQ(Ascii(notices.messages[0].text), "Exported to " + options.folder + " as Everything_07032026.tbx");
  EXPECT_EQ(notices.messages[0].captionNumber, 20505u);
}

TEST_F(FormExchangeTest, ImportingTwiceGivesTwoFormsWithTheirOwnIds) {
  options.includeData = true;
  const std::string path = Export();
  AgreeToAll yes;
  const interchange::FormImportResult first = interchange::ImportForm(target.wallet(), path, &yes);
  const interchange::FormImportResult second = interchange::ImportForm(target.wallet(), path, &yes);
  ASSERT_EQ(first.status, FormImportStatus::Imported);
  ASSERT_EQ(second.status, FormImportStatus::Imported);
  EXPECT_EQ(FormsIn(target), 2);

  ASSERT_EQ(target.Reopen(), storage::OpenStatus::Ok);
  storage::Card original;
  ASSERT_TRUE(source.wallet().LoadCard(source.IdAt(position), &original));
  const storage::RecordId formsId = target.wallet().FormsFolder()->Id();
  std::vector<storage::RecordId> ids;
  for (const storage::CardType& t : target.wallet().CardTypeList()) {
    if (!t.custom) continue;
    ids.push_back(t.form);
    storage::Card form;
    ASSERT_TRUE(target.wallet().LoadCard(t.form, &form));
    EXPECT_EQ(form.record.Parent(), formsId);
    EXPECT_TRUE(form.record.IsCard());
    EXPECT_EQ(form.record.Created(), clock.Now());
    EXPECT_EQ(Summary(form), Summary(original));
  }
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_NE(ids[0], ids[1]);
}

TEST_F(FormExchangeTest, QuestionShowsTheFormAndTheYearInFull) {
  QuestionTexts texts;
  target.wallet().SetTextSource(&texts);
  platform::ScopedDateTimeFormats formats({u"d.M.yy", u"HH:mm"});
  interchange::FormFileHeader header;
  header.description = u"Cards of every kind";
  header.author = u"Ann";
  header.exportTime = {2026, 3, 6, 7, 9, 15, 0, 0};
  const std::u16string thirty = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";
  EXPECT_EQ(Ascii(interchange::FormImportQuestion(target.wallet(), thirty, header)),
            "Add this form?\n\nName: ABCDEFGHIJKLMNOPQRSTUVWXYZab...\nDescription: Cards of every kind\n"
            "Author: Ann\nExported on: 7.3.2026");
  // Empty parts are left out; a name of 28 keeps all of it.
  EXPECT_EQ(Ascii(interchange::FormImportQuestion(target.wallet(), thirty.substr(0, 28), {})),
            "Add this form?\n\nName: ABCDEFGHIJKLMNOPQRSTUVWXYZab\n");
}

TEST_F(FormExchangeTest, DeclinedOrImpossibleImportsWriteNothing) {
  const std::string path = Export();
  const std::string before = ReadBytes(target.path());
  ScriptedPrompter no;
  no.Queue(storage::Answer::No);
  EXPECT_EQ(interchange::ImportForm(target.wallet(), path, &no).status, FormImportStatus::Declined);
  ASSERT_EQ(no.messages.size(), 1u);
  EXPECT_EQ(no.messages[0].buttons, storage::Buttons::YesNo);
  EXPECT_EQ(no.messages[0].captionNumber, 20504u);
  EXPECT_EQ(interchange::ImportForm(target.wallet(), path, nullptr).status, FormImportStatus::Declined);
  EXPECT_EQ(interchange::ImportForm(target.wallet(), dir.File("missing.tbx"), &no).status,
            FormImportStatus::Unreadable);
  target.wallet().Close();
  EXPECT_EQ(ReadBytes(target.path()), before);
  AgreeToAll yes;
  EXPECT_EQ(interchange::ImportForm(target.wallet(), path, &yes).status, FormImportStatus::NotWritable);
  ASSERT_EQ(target.wallet().Open(target.path(), target.password(), true, nullptr), storage::OpenStatus::Ok);
  EXPECT_EQ(interchange::ImportForm(target.wallet(), path, &yes).status, FormImportStatus::NotWritable);
}

// Every failure point and power cut of an import: the wallet opens again
// afterwards with the form or without it, never with half of it.
TEST_F(FormExchangeTest, ImportUnderEveryFaultEndsOldOrNew) {
  const std::string form = Export();
  target.wallet().Close();
  const std::string path = target.path();
  const std::u16string password = target.password();
  FixedTexts texts;
  FaultLoopSpec spec;
  spec.walletPath = path;
  spec.startBytes = ReadBytes(path);
  spec.prepare = [&](storage::Wallet& w) {
    w.SetTextSource(&texts);
    ASSERT_EQ(w.Open(path, password, false, nullptr), storage::OpenStatus::Ok);
  };
  spec.run = [&](storage::Wallet& w) {
    AgreeToAll yes;
    return interchange::ImportForm(w, form, &yes).status == interchange::FormImportStatus::Imported;
  };
  spec.reopen = [&](storage::Wallet& w, std::string* label) {
    w.SetTextSource(&texts);
    AgreeToAll agree;
    *label = "password";
    return w.Open(path, password, false, &agree);
  };
  RunFaultLoopAllModes("import form", spec);
}

}  // namespace
}  // namespace tb::test
