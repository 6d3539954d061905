// The open-wallet flow and the file behind the wallet's name: a file with
// other names is opened for changes only after a question, a wallet
// another program changes is named as such, and a journal the wallet did
// not write is reported and left unused.
#include <QTest>

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/core/file.h"
#include "platform/ui/test_doubles.h"
#include "platform/ui/texts.h"
#include "shell/window/main_window.h"
#include "storage/journal.h"
#include "support/wallet_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::shell;
using tb::ui::ScriptedMessageBoxes;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Fixture {
  tb::test::TestWallet file;
  AppContext context;
  std::unique_ptr<MainWindow> window;
  int prompts = 0;

  Fixture() {
    file.AddFolder(u"Folder");
    file.wallet().Close();
    tb::ui::SetTextSource(&file.texts());
    context.wallet.SetTextSource(&file.texts());
    window = std::make_unique<MainWindow>(context);
    window->SetMenuBar(kBarBrowse);
    window->passwordPrompt = [this](const WalletPrompt&) -> std::optional<tb::storage::Text> {
      ++prompts;
      return tb::storage::ToText(file.password());
    };
  }
  ~Fixture() { tb::ui::SetTextSource(nullptr); }
  bool Open(const std::string& path) { return window->OpenWalletFlow(path, false); }
};

}  // namespace

class OpenFlowFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void hardLinkedWalletAsksFirst() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    const std::string other = f.file.path() + ".other.tb5";
    QCOMPARE(link(f.file.path().c_str(), other.c_str()), 0);
    const std::string before = ReadAll(other);
    // No: nothing opens, and no password is asked for.
    boxes.Queue(tb::ui::Answer::No);
    QVERIFY(!f.Open(f.file.path()));
    QCOMPARE(boxes.Count(), 1u);
    QCOMPARE(boxes.Last().captionNumber, 20504u);
    QCOMPARE(boxes.Last().buttons, tb::ui::Buttons::YesNo);
    QCOMPARE(f.prompts, 0);
    // Yes: open, with a file of its own; the other name keeps the wallet.
    boxes.Queue(tb::ui::Answer::Yes);
    QVERIFY(f.Open(f.file.path()));
    QCOMPARE(f.prompts, 1);
    QCOMPARE(tb::platform::LinkCount(f.file.path()), uint64_t(1));
    f.window->Dispatch(kCmdExit);
    QVERIFY(ReadAll(other) == before);
  }

  void anotherWriterIsNamed() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    tb::storage::Wallet holder;
    holder.SetTextSource(&f.file.texts());
    QCOMPARE(holder.Open(f.file.path(), f.file.password(), false, nullptr), tb::storage::OpenStatus::Ok);
    QVERIFY(!f.Open(f.file.path()));
    QCOMPARE(boxes.Count(), 1u);
    QVERIFY(boxes.Last().text.endsWith(":18)"));
  }

  void foreignJournalIsReported() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    std::string real;
    QVERIFY(tb::platform::RealPath(f.file.path(), &real));
    const std::string journal = tb::storage::JournalPath(real);
    std::ofstream(journal, std::ios::binary) << "XXXX not a journal of ours";
    const std::string before = ReadAll(f.file.path());
    QVERIFY(f.Open(f.file.path()));
    QCOMPARE(boxes.Count(), 1u);
    QCOMPARE(boxes.Last().captionNumber, tb::ui::kCaptionError);
    QVERIFY(!tb::platform::FileExists(journal));
    QVERIFY(f.context.wallet.IsOpen());
    f.window->Dispatch(kCmdExit);
  }
};

TB_QT_TEST(OpenFlowFilesTest)
#include "open_flow_files_test.moc"
