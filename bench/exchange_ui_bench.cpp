// What a user of the desktop program waits for when exchanging files, on
// the generated wallet of 10,000 cards:
//  - Export of the whole wallet: from the command to its closing question
//    (the dialog answered at once);
//  - Import of a table of 10,000 rows into a new wallet, the bulk question
//    answered Yes at the fifth row: from the command until the new folder
//    is in the tree with its cards;
//  - tbsetup install --yes into a fresh folder (files, samples, language,
//    desktop files and the desktop's caches).
// Everything runs on the offscreen platform; run with
// --benchmark_repetitions=5 for medians.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <QApplication>
#include <QListWidget>
#include <QTimer>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "dialogs/export_dialog.h"
#include "dialogs/file_picker_dialog.h"
#include "platform/core/documents.h"
#include "platform/core/file.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/texts.h"
#include "setup/host/tbsetup.h"
#include "shell/app/dialog_wiring.h"
#include "shell/core/language_module.h"
#include "shell/window/main_window.h"
#include "wallet_generator.h"

namespace {

using namespace tb;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
  std::exit(1);
}

const std::string& TenThousandCards() { return bench::SharedWallet("cards10k.tb5", {10000, 200, 0}); }

shell::LanguageModule& English() {
  static shell::LanguageModule module;
  if (!module.IsLoaded() &&
      module.Load(std::string(TB_BENCH_MODULE_DIR) + "/ostreltbpro2006.exe.0409.mui") != shell::ModuleStatus::Ok)
    Fail("loading the English language module");
  return module;
}

// Message boxes answer at once (Yes, or OK); the moment of the last one is kept.
class AnsweringBoxes : public ui::MessageBoxes {
 public:
  AnsweringBoxes() : scope_(this) {}
  ui::Answer Show(QWidget*, const ui::MessageBoxRequest& request) override {
    last = Clock::now();
    lastText = request.text;
    return request.buttons == ui::Buttons::Ok || request.buttons == ui::Buttons::OkCancel ? ui::Answer::Ok
                                                                                          : ui::Answer::Yes;
  }
  Clock::time_point last;
  QString lastText;

 private:
  ui::ScopedMessageBoxes scope_;
};

// Confirms the Export dialog and the file picker as soon as they show.
class DialogAnswers {
 public:
  DialogAnswers() {
    poll_.setInterval(0);
    QObject::connect(&poll_, &QTimer::timeout, [] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w || !w->isVisible()) return;
      if (auto* picker = qobject_cast<dialogs::FilePickerDialog*>(w)) {
        picker->Fill();
        picker->List()->setCurrentRow(0);
        picker->Dispatch(ui::kCmdDone);
      } else if (auto* dialog = qobject_cast<dialogs::ExportDialog*>(w)) {
        dialog->Dispatch(ui::kCmdDone);
      }
    });
    poll_.start();
  }

 private:
  QTimer poll_;
};

struct WiredWindow {
  AnsweringBoxes boxes;
  DialogAnswers dialogs;
  shell::AppContext context;
  std::unique_ptr<shell::MainWindow> window;

  WiredWindow() {
    ui::SetTextSource(&English());
    context.wallet.SetTextSource(&English());
    context.registry = std::make_unique<platform::Registry>(bench::ScratchFile("registry.reg"));
    window = std::make_unique<shell::MainWindow>(context);
    window->SetMenuBar(shell::kBarBrowse);
    shell::WireDialogs(*window);
    window->passwordPrompt = [](const shell::WalletPrompt&) -> std::optional<storage::Text> {
      return storage::Text(bench::kPassword);
    };
  }
  ~WiredWindow() {
    window->CloseWallet();
    window.reset();
    ui::SetTextSource(nullptr);
  }
};

std::string Folder(const std::string& name) {
  const std::string path = bench::ScratchFile(name);
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  std::filesystem::create_directories(path);
  return path;
}

void BM_ExportCommandToQuestion(benchmark::State& state) {
  const std::string documents = Folder("export-documents");
  platform::ScopedDocumentPlaces places(platform::DocumentPlaces{documents, {}});
  const std::string wallet = bench::ScratchFile("export.tb5");
  platform::RemoveFile(wallet);
  if (!bench::CopyFile(TenThousandCards(), wallet)) Fail("copying the wallet");
  WiredWindow w;
  if (!w.window->OpenWalletFlow(wallet, false)) Fail("opening the wallet");
  w.window->StopAutoClose();
  w.window->Tree()->setCurrentItem(nullptr);
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    w.window->Dispatch(shell::kCmdExport);
    if (!w.boxes.lastText.startsWith("The export is complete")) {
      state.SkipWithError("no closing question");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(w.boxes.last - start).count());
  }
}

std::string TenThousandRows() {
  const std::string path = Folder("import-documents") + "/table.txt";
  std::ostringstream t;
  t << "Card Name\tUser\tPassword\tWeb site\tE-mail\tTelephone\tAccount\tPIN\tQuestion\tAnswer\tCustomer\tNotes\r\n";
  for (int r = 0; r < 10000; ++r)
    t << "Card " << r << "\tuser" << r << "\tpw-" << r * 7919 << "\thttps://site" << r << ".example.com\tu" << r
      << "@mail.example\t+49 30 " << 100000 + r << "\t" << 4000000 + r << "\t" << r % 10000 << "\tFirst pet?\tRex\tC-"
      << r << "\tRenew before the end of the year.\r\n";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << t.str();
  return path;
}

void BM_ImportTenThousandRowsIntoTheTree(benchmark::State& state) {
  const std::string table = TenThousandRows();
  platform::ScopedDocumentPlaces places(platform::DocumentPlaces{std::filesystem::path(table).parent_path(), {}});
  WiredWindow w;
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string wallet = bench::ScratchFile("import-" + std::to_string(n++) + ".tb5");
    {
      storage::Wallet fresh;
      fresh.SetTextSource(&English());
      if (fresh.Create(wallet, bench::kPassword, std::nullopt, false) != storage::CreateStatus::Ok) Fail("creating");
    }
    if (!w.window->OpenWalletFlow(wallet, false)) Fail("opening the wallet");
    w.window->StopAutoClose();
    w.window->Tree()->setCurrentItem(nullptr);
    state.ResumeTiming();
    w.window->Dispatch(shell::kCmdImport);
    state.PauseTiming();
    QTreeWidgetItem* folder = w.window->Tree()->currentItem();
    if (!folder || folder->childCount() != 10000) {
      state.SkipWithError("the imported folder is not in the tree with its cards");
      break;
    }
    w.window->CloseWallet();
    platform::RemoveFile(wallet);
    state.ResumeTiming();
  }
}

void BM_TbsetupInstallYes(benchmark::State& state) {
  const std::string home = Folder("setup-home");
  setenv("TB_REGISTRY_FILE", (home + "/registry.reg").c_str(), 1);
  setenv("XDG_DOCUMENTS_DIR", (home + "/Documents").c_str(), 1);
  const std::string runtime = home + "/run";
  mkdir(runtime.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("LC_ALL", "en_US.UTF-8", 1);
  setup::SetupEnvironment env;
  env.sourceFolder = TB_BENCH_MODULE_DIR;
  env.dataHome = home + "/data";
  int n = 0;
  for (auto _ : state) {
    const std::string dir = home + "/install-" + std::to_string(n++);
    std::ostringstream out, err;
    if (setup::RunTbsetup({"install", dir, "--yes"}, out, err, env) != 0) {
      state.SkipWithError(err.str().c_str());
      break;
    }
  }
}

BENCHMARK(BM_ExportCommandToQuestion)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_ImportTenThousandRowsIntoTheTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_TbsetupInstallYes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
