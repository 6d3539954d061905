// What a user of the desktop program waits for, on the generated wallet of
// 10,000 cards of twelve fields in 200 folders:
//  - start-up until the password prompt is on the screen, in this process
//    (from the program's start-up objects on) and as a process of its own
//    (the real program, from its start to the prompt);
//  - the open-wallet flow of the main window with a prompt that answers at
//    once: the wallet opened, the tree filled and the window shown;
//  - find over the open wallet, for a term in a few cards and one in none;
//  - Exit with a wallet open;
//  - the card window over one card of 255 fields of 200 characters and ten
//    attachments of 1 MiB: from the tap in the tree to its first painted
//    frame, a rebuild of the view, a repaint after a scroll step, entering
//    edit mode and moving to the next line.
// Everything runs on the offscreen platform.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUuid>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cards/card_editor.h"
#include "cards/card_picture.h"
#include "cards/card_viewer.h"
#include "cards/card_window.h"
#include "dialogs/password_entry_dialog.h"
#include "platform/core/file.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/private_messages.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/startup/startup.h"
#include "shell/window/main_window.h"
#include "storage/card.h"
#include "storage/wallet.h"
#include "wallet_generator.h"

extern char** environ;

namespace {

using namespace tb;
using Clock = std::chrono::steady_clock;

const bench::WalletShape kTenThousand{10000, 200, 0};
const std::string& TenThousandCards() { return bench::SharedWallet("cards10k.tb5", kTenThousand); }
const bench::WalletShape kHundredThousand{100000, 200, 0};
const std::string& HundredThousandCards() { return bench::SharedWallet("cards100k.tb5", kHundredThousand); }

// The password prompt's own wait before screenshot mode takes its picture.
constexpr double kScreenshotWaitMs = 200.0;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
  std::exit(1);
}

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string ModuleFolder() {
  const char* folder = std::getenv("TB_MODULE_DIR");
  return folder && *folder ? folder : TB_BENCH_MODULE_DIR;
}

std::string ProgramPath() {
  const char* program = std::getenv("TB_PROGRAM");
  return program && *program ? program : TB_BENCH_PROGRAM;
}

// The English module, for the benchmarks that build the window themselves.
shell::LanguageModule& English() {
  static shell::LanguageModule module;
  if (!module.IsLoaded() && module.Load(ModuleFolder() + "/ostreltbpro2006.exe.0409.mui") != shell::ModuleStatus::Ok)
    Fail("loading the English language module");
  return module;
}

// Every message box answers at once, as Enter would.
class AnsweringBoxes : public ui::MessageBoxes {
 public:
  AnsweringBoxes() : scope_(this) {}
  ui::Answer Show(QWidget*, const ui::MessageBoxRequest& request) override {
    ++shown;
    return request.buttons == ui::Buttons::YesNo || request.buttons == ui::Buttons::YesNoCancel ? ui::Answer::Yes
                                                                                                : ui::Answer::Ok;
  }
  int shown = 0;

 private:
  ui::ScopedMessageBoxes scope_;
};

// A private copy of a shared wallet (the flow opens it for writing).
std::string FreshCopy(const std::string& name, int cards = 10000) {
  const std::string to = bench::ScratchFile(name);
  platform::RemoveFile(to);
  if (!bench::CopyFile(cards >= 100000 ? HundredThousandCards() : TenThousandCards(), to)) Fail("copying the wallet");
  return to;
}

// A settings file of a program that has run before (no first-run message).
std::string SettingsFile(const std::string& folder) {
  const std::string path = folder + "/registry.reg";
  std::ofstream out(path, std::ios::trunc);
  out << "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 5]\n"
         "\"Count6\"=dword:00000005\n"
         "\"Info\"=dword:00000000\n"
         "\"OpenLast\"=dword:00000001\n"
         "\"Version\"=dword:00000296\n";
  if (!out) Fail("writing a settings file");
  return path;
}

// The main window over the English module with a password prompt that
// answers at once.
struct OpenWindow {
  AnsweringBoxes boxes;
  shell::AppContext context;
  std::unique_ptr<shell::MainWindow> window;
  std::string path;

  explicit OpenWindow(const std::string& walletCopy, int cards = 10000) : path(FreshCopy(walletCopy, cards)) {
    ui::SetTextSource(&English());
    context.wallet.SetTextSource(&English());
    window = std::make_unique<shell::MainWindow>(context);
    window->SetMenuBar(shell::kBarBrowse);
    window->passwordPrompt = [](const shell::WalletPrompt&) -> std::optional<storage::Text> {
      return storage::Text(bench::kPassword);
    };
  }
  ~OpenWindow() {
    window->CloseWallet();
    window.reset();
    ui::SetTextSource(nullptr);
  }
  bool Open() { return window->OpenWalletFlow(path, false); }
};

// Times the two stages of one open-wallet flow from the tree's model: the
// tree is cleared last right before the opened wallet's items are made,
// and they arrive in one insertion at the top level. Up to that clear the
// flow opens the wallet; from it on it fills the tree and shows the
// window. When the signals do not come so the stages are not reported.
struct FlowStages {
  Clock::time_point start, lastClear, fillStart;
  int clears = 0;
  int insertions = 0;
  QMetaObject::Connection onReset, onInserted;

  explicit FlowStages(QTreeWidget* tree) {
    QAbstractItemModel* model = tree->model();
    onReset = QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, [this] {
      ++clears;
      lastClear = Clock::now();
    });
    onInserted = QObject::connect(model, &QAbstractItemModel::rowsInserted, [this](const QModelIndex& parent) {
      if (parent.isValid()) return;
      if (++insertions == 1) fillStart = lastClear;
    });
  }
  ~FlowStages() {
    QObject::disconnect(onReset);
    QObject::disconnect(onInserted);
  }
  void Begin() {
    clears = insertions = 0;
    start = lastClear = Clock::now();
  }
  bool Complete() const { return clears >= 1 && insertions == 1 && fillStart > start; }
};

uint32_t AutoCloseMinutesOf(const std::string& path) {
  storage::Wallet wallet;
  wallet.SetTextSource(&bench::Texts());
  if (wallet.Open(path, bench::kPassword, true, nullptr) != storage::OpenStatus::Ok) return 0;
  return wallet.Options().AutoCloseMinutes();
}

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// Runs the event loop until the tree's first paint after the flow.
double MsToTreePaint(QTreeWidget* tree) {
  struct Watch : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted = true;
      return false;
    }
  } watch;
  tree->viewport()->installEventFilter(&watch);
  const Clock::time_point start = Clock::now();
  QElapsedTimer guard;
  guard.start();
  while (!watch.painted && guard.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  tree->viewport()->removeEventFilter(&watch);
  return watch.painted ? MsSince(start) : -1.0;
}

// --- the open-wallet flow and the tree -------------------------------------

// Arg 0: the first open of a run (no inactivity watcher running). Arg 1:
// the open wallet's watcher still runs when the flow starts (another
// wallet, or the same one again after Change Password), so the flow's
// first step waits for it to stop. The second argument: cards in the wallet.
void BM_OpenWalletFlowAndFillTree(benchmark::State& state) {
  const bool watcherRunning = state.range(0) != 0;
  OpenWindow w("flow.tb5", int(state.range(1)));
  FlowStages stages(w.window->Tree());
  double openMs = 0, fillMs = 0, paintMs = 0;
  int split = 0, top = 0;
  for (auto _ : state) {
    stages.Begin();
    if (!w.Open()) {
      state.SkipWithError("the wallet did not open");
      break;
    }
    const Clock::time_point end = Clock::now();
    state.PauseTiming();
    if (stages.Complete()) {
      ++split;
      openMs += Ms(stages.start, stages.fillStart);
      fillMs += Ms(stages.fillStart, end);
    }
    top = w.window->Tree()->topLevelItemCount();
    paintMs += MsToTreePaint(w.window->Tree());
    if (!watcherRunning) w.window->StopAutoClose();
    w.window->CloseWallet();
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
  const double n = double(state.iterations());
  if (n > 0) state.counters["paint_after_ms"] = paintMs / n;
  state.counters["top_items"] = top;
  state.counters["auto_close_min"] = AutoCloseMinutesOf(w.path);  // the watcher runs while it is not 0
  if (split > 0) {
    // open: stop the watcher, close the old wallet, look at the file, the
    // prompt, open with the password. fill: build the tree order, make and
    // insert the items, show the window.
    state.counters["open_ms"] = openMs / split;
    state.counters["fill_ms"] = fillMs / split;
  }
}

// Exit with a wallet open, at different moments after it opened: the
// wallet is written back and closed once the inactivity watcher stopped.
void BM_ExitWithAWalletOpen(benchmark::State& state) {
  OpenWindow w("exit.tb5");
  const int delaysMs[] = {0, 250, 500, 750, 1000};
  int k = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!w.Open()) {
      state.SkipWithError("the wallet did not open");
      break;
    }
    QElapsedTimer idle;
    idle.start();
    const int delay = delaysMs[k++ % 5];
    while (idle.elapsed() < delay) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    state.ResumeTiming();
    w.window->Dispatch(shell::kCmdExit);
  }
  if (w.context.wallet.IsOpen()) state.SkipWithError("Exit left the wallet open");
}

// The flow's two opens alone (the look at the file without the password,
// then the open with it), to set beside the flow's open stage.
void BM_WalletOpenAsTheFlowDoes(benchmark::State& state) {
  const std::string path = FreshCopy("open.tb5");
  storage::Wallet wallet;
  wallet.SetTextSource(&English());
  AnsweringBoxes boxes;
  ui::MessageBoxPrompter prompter;
  for (auto _ : state) {
    // The look without the password, then the open with it.
    const storage::OpenStatus probe = wallet.Open(path, u"", true, nullptr);
    wallet.Close();
    if (probe != storage::OpenStatus::WrongPassword ||
        wallet.Open(path, bench::kPassword, false, &prompter) != storage::OpenStatus::Ok) {
      state.SkipWithError("open failed");
      break;
    }
    benchmark::DoNotOptimize(wallet.Count());
    state.PauseTiming();
    wallet.Close();
    state.ResumeTiming();
  }
}

// --- find ------------------------------------------------------------------

// A term that is in a few cards: the user name of a card in the middle of
// the file ("first.last" and a number below 1000) up to the number's first
// digit, which about one in nine cards of that name share.
std::u16string FewCardsTerm(storage::Wallet& wallet) {
  int seen = 0;
  for (int k = 0; k < wallet.Count(); ++k) {
    const storage::RecordHeader* h = wallet.At(k);
    if (!h || !h->IsCard() || h->IsDeleted() || ++seen < 5000) continue;
    storage::Card card;
    if (!wallet.LoadCard(h->Id(), &card) || card.fields.empty()) break;
    const storage::Text& value = card.fields[0].value;
    const std::u16string name(value.data(), value.size());
    const size_t digit = name.find_first_of(u"0123456789");
    if (digit == std::u16string::npos) break;
    return name.substr(0, digit + 1);
  }
  Fail("finding a card to search for");
}

void RunFindBench(benchmark::State& state, bool hit, int cards = 10000) {
  OpenWindow w(hit ? "find-hit.tb5" : "find-miss.tb5", cards);
  if (!w.Open()) Fail("opening the wallet");
  const QString term = hit ? ui::ToQString(FewCardsTerm(w.context.wallet)) : QString::fromUtf16(u"\u00A7no such entry");
  QTreeWidget* tree = w.window->Tree();
  int hits = 0;
  for (auto _ : state) {
    state.PauseTiming();
    w.window->FindBox()->setText(term);
    const int boxesBefore = w.boxes.shown;
    state.ResumeTiming();
    w.window->RunFind();
    state.PauseTiming();
    // A hit puts the results view on top; a miss says so in a message.
    const bool found = tree->topLevelItemCount() > 0 &&
                       tree->topLevelItem(0)->data(0, shell::kRolePosition).toInt() == storage::kFindResultsMarker;
    if (found != hit || (hit ? w.boxes.shown != boxesBefore : w.boxes.shown != boxesBefore + 1)) {
      state.SkipWithError("the find did not end as expected");
      break;
    }
    hits = found ? tree->topLevelItem(0)->childCount() : 0;
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
  state.counters["hits"] = hits;
  state.counters["term_units"] = double(term.size());
}

void BM_FindInAFewCards(benchmark::State& state) { RunFindBench(state, true); }
void BM_FindInNoCard(benchmark::State& state) { RunFindBench(state, false, int(state.range(0))); }

// Scrolling the tree of a large wallet with every folder open: each step
// moves the view by a page and paints it at once. Real time is the mean
// frame; the counters give the slowest one.
void BM_TreeScrollFrame(benchmark::State& state) {
  OpenWindow w("scroll.tb5", int(state.range(0)));
  if (!w.Open()) Fail("opening the wallet");
  QTreeWidget* tree = w.window->Tree();
  tree->resize(400, 600);
  tree->expandAll();
  QCoreApplication::processEvents();
  QScrollBar* bar = tree->verticalScrollBar();
  double slowest = 0;
  int frames = 0;
  for (auto _ : state) {
    const int next = bar->value() + bar->pageStep();
    bar->setValue(next > bar->maximum() ? 0 : next);
    const Clock::time_point start = Clock::now();
    tree->viewport()->repaint();
    const double ms = MsSince(start);
    slowest = std::max(slowest, ms);
    ++frames;
  }
  state.counters["slowest_frame_ms"] = slowest;
  state.counters["rows"] = double(bar->maximum() + bar->pageStep());
  state.counters["frames"] = frames;
}

// --- the card window ---------------------------------------------------------

constexpr int kBigCardFields = 255;
constexpr int kBigCardFieldChars = 200;
constexpr int kBigCardAttachments = 10;
constexpr size_t kBigCardAttachmentBytes = 1 << 20;

// 200 characters of words, different for each field.
std::u16string FieldText(int field) {
  std::u16string text;
  for (int word = 0; text.size() < size_t(kBigCardFieldChars); ++word)
    text += u"word" + std::u16string(1, char16_t(u'a' + (field + word) % 26)) + u" ";
  text.resize(kBigCardFieldChars);
  return text;
}

// A wallet of one folder holding the big card; made once per process.
const std::string& BigCardWallet() {
  static const std::string path = [] {
    const std::string file = bench::ScratchFile("bigcard.tb5");
    storage::Wallet wallet;
    wallet.SetTextSource(&bench::Texts());
    if (wallet.Create(file, bench::kPassword, std::nullopt, false) != storage::CreateStatus::Ok ||
        wallet.Open(file, bench::kPassword, false, nullptr) != storage::OpenStatus::Ok)
      Fail("creating the big card's wallet");
    storage::RecordHeader folder = storage::NewFolderRecord({}, false, &wallet.DataKey());
    folder.SetName(u"Big");
    if (wallet.AppendRecord(folder) < 0) Fail("writing the folder");
    storage::Card card = wallet.NewEmptyCard(folder.Id());
    card.record.SetName(u"Everything");
    const uint16_t kinds[] = {1, 7, 3, 5, 6, 4, 15, 16};
    for (int i = 0; i < kBigCardFields; ++i) {
      storage::Field field;
      field.SetKind(kinds[i % 8], &bench::Texts());
      field.SetLabel(u"Field " + std::u16string(1, char16_t(u'A' + i % 26)));
      field.SetValue(FieldText(i));
      card.AddField(std::move(field));
    }
    for (int i = 0; i < kBigCardAttachments; ++i) {
      storage::Attachment a;
      a.bytes.assign(kBigCardAttachmentBytes, uint8_t(i));
      a.fileName = storage::ToText(u"attachment-" + std::u16string(1, char16_t(u'0' + i)) + u".bin");
      card.AddAttachment(std::move(a));
    }
    if (wallet.AppendCard(card) < 0) Fail("writing the card");
    wallet.Close();
    return file;
  }();
  return path;
}

// The big card loaded, and a card window over it (shown, first painted).
struct BigCardWindow {
  AnsweringBoxes boxes;
  storage::Wallet wallet;
  storage::Card card;
  shell::Settings settings;
  ui::IconLists icons;
  std::unique_ptr<cards::CardWindow> window;

  BigCardWindow() {
    ui::SetTextSource(&English());
    wallet.SetTextSource(&English());
    if (wallet.Open(BigCardWallet(), bench::kPassword, true, nullptr) != storage::OpenStatus::Ok) Fail("opening");
    for (int k = 0; k < wallet.Count(); ++k)
      if (wallet.At(k)->IsCard() && wallet.LoadCard(wallet.At(k)->Id(), &card)) break;
    if (card.fields.size() != size_t(kBigCardFields)) Fail("loading the card");
    cards::CardWindowSetup setup;
    setup.settings = &settings;
    setup.icons = &icons;
    window = std::make_unique<cards::CardWindow>(nullptr, card, setup);
    window->resize(320, 480);
    window->show();
    QCoreApplication::processEvents();
  }
  ~BigCardWindow() {
    window.reset();
    ui::SetTextSource(nullptr);
  }
  cards::CardBody* Body() { return window->CardBodyWidget(); }
};

// From the tap on the big card in the tree to the first painted frame of
// its window: the card read and deciphered (10 MiB of attachments), the
// window made and laid out, the view built and painted. The window is then
// closed by the program (nothing changed: outcome 0).
class FirstCardFrame : public QObject {
 public:
  FirstCardFrame() { qApp->installEventFilter(this); }
  ~FirstCardFrame() override { qApp->removeEventFilter(this); }
  std::optional<Clock::time_point> painted;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (seen_ || event->type() != QEvent::Paint || !watched->parent() ||
        watched->parent()->objectName() != QLatin1String("Qz_VIRTUAL_LIST_CE_2.1"))
      return false;
    // Measured once the paint is through.
    QTimer::singleShot(0, [this, watched] {
      painted = Clock::now();
      for (QWidget* w = static_cast<QWidget*>(watched); w; w = w->parentWidget())
        if (auto* card = qobject_cast<cards::CardWindow*>(w)) card->CloseByProgram();
    });
    seen_ = true;  // only the first paint counts
    return false;
  }

 private:
  bool seen_ = false;
};

void BM_CardTapToFirstFrame(benchmark::State& state) {
  AnsweringBoxes boxes;
  shell::AppContext context;
  ui::SetTextSource(&English());
  context.wallet.SetTextSource(&English());
  const std::string path = bench::ScratchFile("bigcard-open.tb5");
  platform::RemoveFile(path);
  if (!bench::CopyFile(BigCardWallet(), path)) Fail("copying the big card's wallet");
  auto window = std::make_unique<shell::MainWindow>(context);
  window->SetMenuBar(shell::kBarBrowse);
  window->passwordPrompt = [](const shell::WalletPrompt&) -> std::optional<storage::Text> {
    return storage::Text(bench::kPassword);
  };
  window->resize(320, 480);
  if (!window->OpenWalletFlow(path, false)) Fail("opening the big card's wallet");
  QTreeWidget* tree = window->Tree();
  QTreeWidgetItem* folder = tree->topLevelItem(0);
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    if (tree->topLevelItem(i)->text(0) == QLatin1String("Big")) folder = tree->topLevelItem(i);
  folder->setExpanded(true);
  QTreeWidgetItem* card = folder->child(0);
  if (!card) Fail("finding the big card in the tree");
  QCoreApplication::processEvents();
  for (auto _ : state) {
    tree->scrollToItem(card);
    const QRect r = tree->visualItemRect(card);
    const QPointF at(r.left() + tree->iconSize().width() + 6, r.center().y());
    FirstCardFrame watch;
    const Clock::time_point start = Clock::now();
    QMouseEvent press(QEvent::MouseButtonPress, at, tree->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, tree->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &press);
    QCoreApplication::sendEvent(tree->viewport(), &release);
    QElapsedTimer guard;
    guard.start();
    // The tap opens the card from a queued call; its window runs its own loop.
    while (!watch.painted && guard.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!watch.painted) {
      state.SkipWithError("the card window did not paint");
      break;
    }
    state.SetIterationTime(Ms(start, *watch.painted) / 1000.0);
    while (window->TreeBrowser().CardWindowOpen() && guard.elapsed() < 10000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
  }
  window->CloseWallet();
  window.reset();
  ui::SetTextSource(nullptr);
}

void BM_CardViewRebuild(benchmark::State& state) {
  BigCardWindow w;
  for (auto _ : state) ui::SendPrivateMessage(w.Body(), cards::kMsgRebuildView);
  state.counters["lines"] = double(w.window->Viewer()->Items().size());
}

// One step of the scroll bar's arrow down, painted (wrapping to the top at the end).
void BM_CardViewRepaintAfterScrollStep(benchmark::State& state) {
  BigCardWindow w;
  cards::CardList* list = w.Body()->List();
  QScrollBar* bar = list->verticalScrollBar();
  for (auto _ : state) {
    if (bar->value() >= bar->maximum()) {
      state.PauseTiming();
      list->ScrollTo(0);
      list->viewport()->repaint();
      state.ResumeTiming();
    }
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    list->viewport()->repaint();
  }
  state.counters["range_px"] = bar->maximum();
}

// A photo of 4000 x 3000 as a card's background: decoded and composed for
// a card window at 192 dots per inch, then drawn again from the composition.
const QByteArray& LargeJpeg() {
  static const QByteArray bytes = [] {
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) line[x] = qRgb(x * 255 / 4000, y * 255 / 3000, (x ^ y) & 0xFF);
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return out;
  }();
  return bytes;
}

constexpr QSize kCardArea(480, 640);

void BM_BackgroundFirstComposition(benchmark::State& state) {
  const QByteArray& jpeg = LargeJpeg();
  for (auto _ : state) {
    cards::BackgroundDrawer drawer;
    drawer.SetPicture(cards::DecodePicture(reinterpret_cast<const uint8_t*>(jpeg.constData()), size_t(jpeg.size())));
    benchmark::DoNotOptimize(drawer.Compose(kCardArea, cards::kPlacementDefault, Qt::white).bits());
  }
  state.counters["jpeg_kb"] = double(jpeg.size()) / 1024.0;
}

void BM_BackgroundRepaint(benchmark::State& state) {
  const QByteArray& jpeg = LargeJpeg();
  cards::BackgroundDrawer drawer;
  drawer.SetPicture(cards::DecodePicture(reinterpret_cast<const uint8_t*>(jpeg.constData()), size_t(jpeg.size())));
  QImage target(kCardArea, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&target);
    drawer.Draw(painter, kCardArea, cards::kPlacementDefault, Qt::white);
  }
  state.counters["compositions"] = drawer.Compositions();
}

void BM_CardEditModeEntered(benchmark::State& state) {
  BigCardWindow w;
  for (auto _ : state) {
    w.window->Dispatch(cards::kCmdEditCard);
    w.Body()->List()->viewport()->repaint();
    state.PauseTiming();
    if (w.window->Mode() != cards::kModeEdit) {
      state.SkipWithError("edit mode was not entered");
      break;
    }
    w.window->Dispatch(cards::kCmdCardDone);
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
}

// Next line in edit mode: store the line left, load and show the next one,
// scroll to it and paint (back to the first line at the end).
void BM_CardEditorLineMove(benchmark::State& state) {
  BigCardWindow w;
  w.window->Dispatch(cards::kCmdEditCard);
  cards::CardEditor* editor = w.window->Editor();
  for (auto _ : state) {
    if (editor->ActiveLine() >= editor->LineCount() - 1) {
      state.PauseTiming();
      editor->Activate(1);
      state.ResumeTiming();
    }
    editor->NextLine();
    w.Body()->List()->viewport()->repaint();
  }
}

// --- start-up to the password prompt, in this process ----------------------

// Watches for the first paint of a password prompt; once that paint is
// through (the picture is on the screen), notes the time and cancels the
// prompt, as a user who walks away would.
class PromptWatch : public QObject {
 public:
  PromptWatch() { qApp->installEventFilter(this); }
  ~PromptWatch() override { qApp->removeEventFilter(this); }
  std::optional<Clock::time_point> shown;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!armed_ || event->type() != QEvent::Paint) return false;
    auto* prompt = dynamic_cast<dialogs::PasswordEntryDialog*>(watched);
    if (!prompt) return false;
    armed_ = false;
    QTimer::singleShot(0, prompt, [this, prompt] {
      shown = Clock::now();
      prompt->reject();
    });
    return false;
  }

 private:
  bool armed_ = true;
};

// One start of the program's start-up objects up to the prompt; the
// milliseconds from the start to the prompt on the screen, or -1.
double StartToPrompt(const std::string& folder, const std::string& wallet) {
  AnsweringBoxes boxes;  // nothing should ask; if something does, it is answered
  shell::StartupOptions options;
  options.args = {wallet};
  options.registryPath = folder + "/registry.reg";
  options.moduleFolder = ModuleFolder();
  options.instanceName = QStringLiteral("tbbench-") + QUuid::createUuid().toString(QUuid::Id128);
  options.programPath = u"/opt/tamberlock/ostreltbpro2006";
  PromptWatch watch;
  const Clock::time_point start = Clock::now();
  {
    shell::Program program(options);
    const bool started = program.Start([](shell::AppContext& context) {
      auto window = std::make_unique<shell::MainWindow>(context);
      shell::MainWindow* w = window.get();
      // As the program wires it: the password entry dialog over the wallet.
      w->passwordPrompt = [w](const shell::WalletPrompt& prompt) -> std::optional<storage::Text> {
        dialogs::PasswordPromptOptions prompted;
        prompted.walletName = prompt.displayName;
        return dialogs::AskWalletPassword(w, prompt.wallet, w->Context().settings, prompted);
      };
      return window;
    });
    if (!started || !watch.shown) return -1.0;
  }
  QCoreApplication::processEvents();
  return Ms(start, *watch.shown);
}

void BM_StartupToPromptInProcess(benchmark::State& state) {
  static const std::string folder = [] {
    const std::string f = bench::ScratchFile("startup");
    std::filesystem::create_directories(f);
    SettingsFile(f);
    return f;
  }();
  static const std::string wallet = FreshCopy("startup.tb5");
  // The first start in a process also loads fonts, styles and plug-ins;
  // it is timed once and shown beside the later ones.
  static const double first = StartToPrompt(folder, wallet);
  if (first < 0) {
    state.SkipWithError("the password prompt did not show");
    return;
  }
  for (auto _ : state) {
    const double ms = StartToPrompt(folder, wallet);
    if (ms < 0) {
      state.SkipWithError("the password prompt did not show");
      break;
    }
    state.SetIterationTime(ms / 1000.0);
  }
  state.counters["first_start_ms"] = first;
}

// What screenshot mode adds before the picture's file is written, besides
// its fixed wait: rendering the prompt into a picture and writing the PNG.
void BM_PromptPictureToPng(benchmark::State& state) {
  ui::SetTextSource(&English());
  shell::Settings settings;
  dialogs::PasswordPromptOptions options;
  options.walletName = u"cards10k";
  const QString path = QString::fromStdString(bench::ScratchFile("prompt.png"));
  {
    dialogs::PasswordEntryDialog prompt(nullptr, settings, nullptr, options);
    prompt.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
      if (!ui::GrabToPng(&prompt, path)) {
        state.SkipWithError("no picture");
        break;
      }
    }
    prompt.reject();
  }
  ui::SetTextSource(nullptr);
}

// --- start-up to the password prompt, as a process of its own --------------

// The real program in screenshot mode: every dialog writes its picture
// 200 ms after it shows and is then cancelled, so the program shows the
// prompt, then the wallets manager, and ends. The prompt's picture file is
// written at start + (time to the prompt shown) + 200 ms + the picture's
// own cost; the figure is its modification time less the start and the
// 200 ms (BM_PromptPictureToPng gives the picture's cost).
struct ChildRun {
  double promptMs = -1;  // start to the prompt's picture written, less the wait
  double totalMs = -1;   // start to the end of the process
  int exitCode = -1;
};

int64_t RealtimeNs() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

ChildRun RunProgramToPrompt(const std::string& home, const std::string& wallet, int run) {
  ChildRun result;
  const std::string shots = home + "/shots-" + std::to_string(run);
  std::filesystem::remove_all(shots);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (name == "QT_QPA_PLATFORM" || name == "HOME" || name == "TB_REGISTRY_FILE" || name == "TMPDIR" ||
        name == "XDG_CONFIG_HOME" || name == "XDG_DOCUMENTS_DIR" || name == "TB_STORAGE_CARDS")
      continue;
    env.push_back(entry);
  }
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back("HOME=" + home);
  env.push_back("TMPDIR=" + home);  // its single-instance lock and socket are its own
  env.push_back("TB_REGISTRY_FILE=" + home + "/registry.reg");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = ProgramPath(), flag = "--screenshot", shotsArg = shots, walletArg = wallet;
  char* argv[] = {program.data(), flag.data(), shotsArg.data(), walletArg.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string log = home + "/program.log";
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int64_t startNs = RealtimeNs();
  const Clock::time_point start = Clock::now();
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.totalMs = MsSince(start);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  struct stat st {};
  const std::string prompt = shots + "/Dialog" + std::to_string(dialogs::kTemplatePasswordPocketPC) + ".png";
  if (stat(prompt.c_str(), &st) == 0) {
    const int64_t writtenNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    result.promptMs = double(writtenNs - startNs) / 1e6 - kScreenshotWaitMs;
  }
  std::filesystem::remove_all(shots);
  return result;
}

void BM_ProcessStartToPrompt(benchmark::State& state) {
  static const std::string home = [] {
    const std::string f = bench::ScratchFile("home");
    std::filesystem::create_directories(f);
    SettingsFile(f);
    return f;
  }();
  static const std::string wallet = FreshCopy("process.tb5");
  double total = 0;
  int run = 0;
  for (auto _ : state) {
    const ChildRun r = RunProgramToPrompt(home, wallet, run++);
    if (r.promptMs < 0 || r.exitCode != 0) {
      state.SkipWithError("the program showed no password prompt (see program.log in the scratch folder)");
      break;
    }
    total += r.totalMs;
    state.SetIterationTime(r.promptMs / 1000.0);
  }
  if (run > 0) state.counters["process_total_ms"] = total / run;
}

BENCHMARK(BM_StartupToPromptInProcess)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(BM_ProcessStartToPrompt)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_PromptPictureToPng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenWalletFlowAndFillTree)
    ->ArgNames({"watcher_running", "cards"})
    ->Args({0, 10000})
    ->Args({1, 10000})
    ->Args({0, 100000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ExitWithAWalletOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_WalletOpenAsTheFlowDoes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindInAFewCards)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindInNoCard)->ArgName("cards")->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TreeScrollFrame)->ArgName("cards")->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CardTapToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
BENCHMARK(BM_CardViewRebuild)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CardViewRepaintAfterScrollStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CardEditModeEntered)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CardEditorLineMove)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BackgroundFirstComposition)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_BackgroundRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The window system is the offscreen one, whatever the environment says;
  // Qt sees no arguments of its own.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  const Clock::time_point before = Clock::now();
  QApplication app(qtArgc, qtArgv);
  benchmark::AddCustomContext("qapplication_construction_ms", std::to_string(MsSince(before)));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
