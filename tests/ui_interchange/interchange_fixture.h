#pragma once
// The wired program over a small wallet for the export and import
// commands: a folder with a card and a sub-folder, a card with an
// attachment, a custom form, a favourite; fixed storage places in a
// temporary folder, a fixed clock and date formats, message boxes and a
// launcher that record what they were asked.
#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/file_picker_dialog.h"
#include "platform/core/documents.h"
#include "platform/core/system.h"
#include "platform/ui/test_doubles.h"
#include "shell/browser/browser.h"
#include "storage/card.h"
#include "support/wallet_fixture.h"
#include "ui_app/app_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"

namespace tb::test {

using tb::dialogs::test::WhenDialogShows;

// The wallet the tests export from and import into.
struct ExchangeWallet {
  TestWallet file;
  int bank = -1, visa = -1, savings = -1, scans = -1, form = -1;

  ExchangeWallet() {
    bank = file.AddFolder(u"Bank");
    visa = file.AddCard(file.IdAt(bank), u"Visa <b>gold</b>", {{u"Number", u"4111"}, {u"PIN", u"1234", 7}});
    savings = file.AddFolder(u"Savings", file.IdAt(bank));
    storage::Card withFile = file.MakeCard(file.IdAt(bank), u"Scans", {{u"Note", u"n"}});
    storage::Attachment a;
    a.fileName = storage::ToText(u"scan.pdf");
    a.bytes.assign(3, 'x');
    withFile.AddAttachment(std::move(a));
    scans = file.wallet().AppendCard(withFile);
    const storage::RecordHeader* forms = file.wallet().FormsFolder();
    form = file.AddCard(forms->Id(), u"Gym", {{u"Locker", u"12"}});
    file.wallet().AddFavourite(file.IdAt(visa));
    file.wallet().SaveHeaders();
    file.wallet().Close();
  }
};

// Storage places in a temporary folder: the documents folder and cards.
struct FixedPlaces {
  TempDir root;
  std::string documents = root.File("Documents");
  std::vector<std::string> cards;
  std::unique_ptr<platform::ScopedDocumentPlaces> scope;

  explicit FixedPlaces(int cardCount = 1) {
    std::filesystem::create_directory(documents);
    for (int i = 0; i < cardCount; ++i) {
      cards.push_back(root.File("card" + std::to_string(i + 1)));
      std::filesystem::create_directory(cards.back());
    }
    scope = std::make_unique<platform::ScopedDocumentPlaces>(platform::DocumentPlaces{documents, cards});
  }
};

// The wired program with the exchange wallet open.
struct ExchangeProgram {
  ui::ScriptedMessageBoxes boxes;
  ui::RecordingLauncher launcher;
  platform::TestClock clock{platform::SystemTime{2026, 12, 0, 6, 14, 5, 9, 0}};
  platform::ScopedDateTimeFormats formats{{u"M/d/yyyy", u"h:mm:ss tt"}};
  ExchangeWallet data;
  WiredProgram program;

  ExchangeProgram() {
    PasswordAnswers passwords({QString::fromStdU16String(data.file.password())});
    program.window->OpenWalletFlow(data.file.path(), false);
  }

  shell::MainWindow& Window() { return *program.window; }
  storage::Wallet& Wallet() { return program.context.wallet; }
  QTreeWidget* Tree() { return program.window->Tree(); }

  // Selects the item of the record at position (the reference inside a
  // view when inView); nothing when position is -1.
  void Select(int position, bool inView = false) {
    Tree()->setCurrentItem(nullptr);
    if (position < 0) return;
    for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
      const bool underView = (*it)->parent() && (*it)->parent()->data(0, shell::kRoleKind).toInt() >= 100;
      if ((*it)->data(0, shell::kRolePosition).toInt() == position && underView == inView) {
        Tree()->setCurrentItem(*it);
        return;
      }
    }
  }
  void SelectView(int marker) { Tree()->setCurrentItem(Window().TreeBrowser().ViewItem(marker)); }

  // The texts under the tree item with this text at the top level.
  QStringList Children(const QString& top) const { return program.ChildTexts(top); }
};

// Chooses the file at path in the next file picker while it lives
// (Cancel when the picker does not list it); keeps the picker's title.
class FilePick {
 public:
  explicit FilePick(std::string path) : path_(std::move(path)) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start();
  }
  QString title;  // empty while no picker showed

 private:
  void Poll() {
    auto* picker = qobject_cast<dialogs::FilePickerDialog*>(QApplication::activeModalWidget());
    if (!picker || !picker->isVisible()) return;
    poll_.stop();
    picker->Fill();
    title = picker->windowTitle();
    for (int i = 0; i < picker->List()->count(); ++i) {
      if (picker->List()->item(i)->toolTip().toStdString() == path_) {
        picker->List()->setCurrentRow(i);
        picker->Dispatch(ui::kCmdDone);
        return;
      }
    }
    picker->Dispatch(ui::kCmdMenuCancel);
  }

  std::string path_;
  QTimer poll_;
};

// The entries of a combo box: text and data.
inline QStringList EntriesOf(const QComboBox* combo) {
  QStringList out;
  for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i) + "=" + combo->itemData(i).toString();
  return out;
}

inline std::vector<std::string> FilesBelow(const std::string& root) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec); it != std::filesystem::end(it);
       it.increment(ec))
    if (it->is_regular_file()) out.push_back(it->path().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace tb::test
