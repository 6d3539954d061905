// CSV tables in the wired program: the Export dialog's "CSV table" entry
// writes the table (passwords only with the box ticked, no attachments box
// while it is chosen), and Import takes a picked ".csv" by its first row
// (ours, KeePassXC's, Bitwarden's) with the questions of the text import;
// a first row naming none of them is told and changes nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include <filesystem>
#include <map>

#include "dialogs/export_dialog.h"
#include "interchange_fixture.h"
#include "storage/card.h"
#include "ui_support/qt_test.h"

using namespace tb::test;
using tb::dialogs::ExportDialog;
using tb::ui::Answer;

namespace {

// "Folder path > card" -> "label=value|..." of every card in the file below
// a top-level folder whose name starts with "Imported Cards".
std::map<std::u16string, std::u16string> ImportedCards(const std::string& path, const std::u16string& password) {
  std::map<std::u16string, std::u16string> out;
  tb::storage::Wallet wallet;
  FixedTexts texts;
  wallet.SetTextSource(&texts);
  if (wallet.Open(path, password, true, nullptr) != tb::storage::OpenStatus::Ok) return {{u"?", u"not opened"}};
  for (int p = 0; p < wallet.Count(); ++p) {
    const tb::storage::RecordHeader* h = wallet.At(p);
    if (!h || !h->IsCard()) continue;
    std::u16string where;
    bool imported = false;
    for (int q = p; const tb::storage::RecordHeader* parent = wallet.ParentOf(q);) {
      where = tb::storage::ToU16(parent->Name()) + (where.empty() ? u"" : u"/") + where;
      imported = tb::storage::ToU16(parent->Name()).starts_with(u"Imported Cards");
      q = wallet.FindRecord(parent->Id());
      if (imported) break;
    }
    if (!imported) continue;
    tb::storage::Card card;
    if (!wallet.LoadCard(h->Id(), &card)) continue;
    std::u16string fields;
    for (const tb::storage::Field& f : card.fields)
      fields += (fields.empty() ? u"" : u"|") + tb::storage::ToU16(f.label) + u"=" + tb::storage::ToU16(f.value);
    out[where + u" > " + tb::storage::ToU16(h->Name())] = fields;
  }
  return out;
}

void RunExport(ExchangeProgram& p, std::function<void(ExportDialog&)> act) {
  WhenDialogShows(tb::dialogs::kExportTemplate, [act](tb::ui::ModalDialog& d) { act(static_cast<ExportDialog&>(d)); });
  p.Window().Dispatch(tb::shell::kCmdExport);
}

}  // namespace

class CsvCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void theExportedTableComesBackIn() {
    FixedPlaces places(0);
    ExchangeProgram p;
    p.boxes.Queue(Answer::No);  // not opened
    bool attachmentsHidden = false;
    QStringList formats;
    RunExport(p, [&](ExportDialog& d) {
      formats = EntriesOf(d.Format());
      QVERIFY(!d.SecondCheck()->isHidden());
      d.Format()->setCurrentIndex(1);
      attachmentsHidden = d.SecondCheck()->isHidden();
      d.FirstCheck()->setChecked(true);  // passwords in clear
      d.Dispatch(tb::ui::kCmdDone);
    });
    QCOMPARE(formats, QStringList({"Text file (.txt)=0", "CSV table (.csv)=3"}));
    QVERIFY(attachmentsHidden);
    const std::string table =
        places.documents + "/" + std::filesystem::path(p.data.file.path()).stem().string() + ".csv";
    QVERIFY(Exists(table));
    QCOMPARE(std::filesystem::status(table).permissions() & std::filesystem::perms::all,
             std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    QCOMPARE(p.boxes.Last().text, QString("The export is complete.\n\nOpen the exported file now?"));
    const std::string bytes = FileBytes(table);
    QVERIFY(bytes.find("\"1234\"") != std::string::npos || bytes.find(",1234") != std::string::npos);

    // Picked among the text files, the table is ours by its first row.
    WriteBytes(places.documents + "/other.txt", "Card Name\tUser\r\nx\ty\r\n");
    p.boxes.Clear();
    for (Answer a : {Answer::Yes, Answer::Yes, Answer::Yes}) p.boxes.Queue(a);
    FilePick pick(table);
    p.Window().Dispatch(tb::shell::kCmdImport);
    QCOMPARE(pick.title, QString("Select Text File to Import"));
    QCOMPARE(p.boxes.Pending(), 0u);
    QCOMPARE(p.boxes.Last().text, QString("2 cards were imported."));
    p.Window().CloseWallet();
    const auto cards = ImportedCards(p.data.file.path(), p.data.file.password());
    QCOMPARE(cards.size(), size_t(2));
    QCOMPARE(cards.at(u"Imported Cards 12/6/2026/Bank > Visa <b>gold</b>"), std::u16string(u"Number=4111|PIN=1234"));
    QCOMPARE(cards.at(u"Imported Cards 12/6/2026/Bank > Scans"), std::u16string(u"Note=n"));
  }

  void otherManagersTablesAreToldByTheirFirstRow() {
    const struct {
      const char* what;
      std::string bytes;
      std::u16string card;  // "" when nothing is imported
    } cases[] = {
        {"keepassxc",
         "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
         "\"Created\"\r\n\"Root/Banking\",\"Giro\",\"ann\",\"s3cret\",\"https://bank.example\",\"\",\"\",\"0\","
         "\"2026-01-01T00:00:00Z\",\"2026-01-01T00:00:00Z\"\r\n",
         u"Imported Cards 12/6/2026/Banking > Giro"},
        {"bitwarden",
         "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
         "Mail,,login,Home,,,0,https://mail.example,ann,pw1,\n",
         u"Imported Cards 12/6/2026/Mail > Home"},
        {"unknown", "Name,Secret\nGiro,s3cret\n", u""},
    };
    for (const auto& c : cases) {
      FixedPlaces places(0);
      const std::string table = places.documents + "/" + c.what + ".CSV";
      WriteBytes(table, c.bytes);
      ExchangeProgram p;
      p.boxes.Queue(Answer::Yes);  // the import question
      if (!c.card.empty()) p.boxes.Queue(Answer::Yes);
      FilePick pick(table);
      p.Window().Dispatch(tb::shell::kCmdImport);
      QVERIFY2(!pick.title.isEmpty(), c.what);
      QVERIFY2(p.boxes.Pending() == 0, c.what);
      if (c.card.empty()) {
        QCOMPARE(p.boxes.Last().text, QString("This file cannot be imported. Its first line must name the columns of "
                                              "a KeePassXC, Bitwarden or Tamberlock Pro CSV export."));
        QCOMPARE(p.boxes.Last().icon, tb::ui::MessageIcon::Stop);
        QVERIFY(!p.program.TopLevelTexts().contains(QStringLiteral("Imported Cards 12/6/2026")));
        p.Window().CloseWallet();
        QVERIFY(ImportedCards(p.data.file.path(), p.data.file.password()).empty());
        continue;
      }
      QCOMPARE(p.boxes.Last().text, QString("1 cards were imported."));
      p.Window().CloseWallet();
      const auto cards = ImportedCards(p.data.file.path(), p.data.file.password());
      QVERIFY2(cards.size() == 1 && cards.count(c.card), c.what);
    }
  }
};

TB_QT_TEST(CsvCommandTest)
#include "csv_command_test.moc"
