#include "shell/app/interchange_commands.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <deque>

#include "dialogs/export_dialog.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/form_exchange_dialogs.h"
#include "interchange/csv_export.h"
#include "interchange/csv_import.h"
#include "interchange/form_exchange.h"
#include "interchange/text_export.h"
#include "interchange/text_import.h"
#include "platform/ui/launcher.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/window/main_window.h"

namespace tb::shell {

namespace {

namespace s = interchange_strings;
using ui::MessageIcon;

constexpr uint32_t kCaptionQuestion = 20504;
// How often a form file that waits for a wallet or a dialog looks again.
constexpr int kPendingCheckMs = 250;

bool Available(MainWindow& w) { return !w.Context().platform.isSmartphone && w.Context().wallet.IsOpen(); }

std::u16string U16(const std::string& utf8) { return ui::ToU16(QString::fromStdString(utf8)); }

// Export's closing question, or what went wrong.
void AfterTextExport(MainWindow& w, bool written, const std::string& place, const std::string& path,
                     const interchange::ExportReport& report) {
  if (!written) {
    ui::ShowMessageText(&w, ui::ToQString(FormatMessage(ui::ToU16(ui::Text(s::kExportNotWritten)), U16(place))),
                        ui::kCaptionError, MessageIcon::Stop);
    return;
  }
  const bool whole = report.Complete();
  const std::u16string first = whole ? ui::ToU16(ui::Text(s::kExportComplete))
                                     : FormatMessage(ui::ToU16(ui::Text(s::kExportIncomplete)), U16(path),
                                                     int64_t(report.cardsLeftOut), int64_t(report.attachmentsLeftOut));
  const std::u16string text = FormatMessage(u"%s\n\n%s", first, ui::ToU16(ui::Text(s::kOpenExport)));
  const ui::Answer answer =
      ui::ShowMessageText(&w, ui::ToQString(text), whole ? ui::kCaptionInformation : ui::kCaptionError,
                          whole ? MessageIcon::Information : MessageIcon::Stop, ui::Buttons::YesNo);
  if (answer == ui::Answer::Yes) ui::OpenDocument(QString::fromStdString(path));
}

// The card as a form file, into the place the Export dialog chose.
void RunFormExport(MainWindow& w, const storage::RecordId& card, const std::string& place, bool includeData) {
  storage::Wallet& wallet = w.Context().wallet;
  const int position = wallet.FindRecord(card);
  const storage::RecordHeader* record = wallet.At(position);
  if (!record || !record->IsCard()) return;
  const storage::Text name = record->Name();
  const auto texts = dialogs::RunExportFormDialog(&w, w.Context().settings,
                                                  ui::ToQString(std::u16string_view(name.data(), name.size())));
  if (!texts) return;
  interchange::FormExportOptions options;
  options.folder = place;
  options.description = texts->description;
  options.author = texts->author;
  options.includeData = includeData;
  ui::MessageBoxPrompter notices(&w);
  interchange::ExportAsForm(wallet, position, options, nullptr, &notices);
}

void RunFormImportFromPicker(MainWindow& w) {
  dialogs::FilePickerOptions options;
  options.titleNumber = s::kPickForm;
  options.filter = "*.tbx";
  if (const auto path = dialogs::RunFilePicker(&w, options)) ImportFormFile(w, *path);
}

bool InFormsFolder(MainWindow& w, const ItemInfo& info) {
  const storage::RecordHeader* forms = w.Context().wallet.FormsFolder();
  if (!forms) return false;
  if (info.kind == kKindFormsFolder) return true;
  return info.kind == kKindCard && info.record && info.record->Parent() == forms->Id();
}

// Form files handed to the window wait here until a wallet is open and no
// dialog shows, then are imported one after the other.
class PendingFormImports : public QObject {
 public:
  explicit PendingFormImports(MainWindow& window) : QObject(&window), window_(window) {
    timer_.setInterval(kPendingCheckMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Try(); });
  }

  void Add(const std::string& path) {
    paths_.push_back(path);
    QTimer::singleShot(0, this, [this] { Try(); });
    timer_.start();
  }

 private:
  void Try() {
    if (running_) return;
    while (!paths_.empty()) {
      if (!window_.Context().wallet.IsOpen() || QApplication::activeModalWidget()) return;
      const std::string path = paths_.front();
      paths_.pop_front();
      running_ = true;
      ImportFormFile(window_, path);
      running_ = false;
    }
    timer_.stop();
  }

  MainWindow& window_;
  QTimer timer_;
  std::deque<std::string> paths_;
  bool running_ = false;
};

}  // namespace

void RunExportCommand(MainWindow& w) {
  if (!Available(w)) return;
  const ItemInfo selected = w.TreeBrowser().ItemInfoOf();
  dialogs::ExportChoices choices;
  choices.selectionKind = selected.kind == kKindCard     ? dialogs::kExportSelectsCard
                          : selected.kind == kKindFolder ? dialogs::kExportSelectsFolder
                                                         : dialogs::kExportSelectsNothing;
  if (!dialogs::RunExportDialog(&w, w.Context().settings, choices)) return;
  if (choices.format == dialogs::kExportFormatForm) {
    RunFormExport(w, selected.id, choices.outputPlace, choices.includePasswords);
    return;
  }
  if (choices.format == dialogs::kExportFormatCsv) {
    std::optional<storage::RecordId> item;
    if (choices.items == dialogs::kExportFolder || choices.items == dialogs::kExportCard) item = selected.id;
    interchange::CsvExportOptions csv;
    csv.outputFolder = choices.outputPlace;
    csv.includePasswords = choices.includePasswords;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const interchange::CsvExportResult result = interchange::ExportCsv(w.Context().wallet, item, csv);
    QApplication::restoreOverrideCursor();
    interchange::ExportReport report;
    report.cardsLeftOut = result.unreadableCards;
    AfterTextExport(w, result.written, choices.outputPlace, result.path, report);
    return;
  }
  interchange::ExportOptions options;
  options.outputPlace = choices.outputPlace;
  options.includePasswords = choices.includePasswords;
  options.includeAttachments = choices.includeAttachments;
  storage::Wallet& wallet = w.Context().wallet;
  std::string path;
  interchange::ExportReport report;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool written = false;
  switch (choices.items) {
    case dialogs::kExportWholeWallet: written = interchange::ExportWallet(wallet, options, &path, &report); break;
    case dialogs::kExportFolder:
      written = interchange::ExportFolder(wallet, selected.id, options, &path, &report);
      break;
    case dialogs::kExportCard: written = interchange::ExportCard(wallet, selected.id, options, &path, &report); break;
    default: break;
  }
  QApplication::restoreOverrideCursor();
  AfterTextExport(w, written, choices.outputPlace, path, report);
}

void RunImportCommand(MainWindow& w) {
  if (!Available(w)) return;
  if (InFormsFolder(w, w.TreeBrowser().ItemInfoOf())) {
    RunFormImportFromPicker(w);
    return;
  }
  const std::u16string question =
      FormatMessage(ui::ToU16(ui::Text(s::kImportQuestion)), ui::ToU16(ui::Text(s::kImportFolder)));
  if (ui::ShowMessageText(&w, ui::ToQString(question), kCaptionQuestion, MessageIcon::Question, ui::Buttons::YesNo) !=
      ui::Answer::Yes)
    return;
  dialogs::FilePickerOptions options;
  options.titleNumber = s::kPickTable;
  options.filter = "*.txt;*.csv";
  const auto path = dialogs::RunFilePicker(&w, options);
  if (!path) return;
  ui::MessageBoxPrompter prompter(&w);
  // A ".csv" is a table of ours or another password manager's, told by
  // its first row; everything else is the tab-separated text.
  const bool table = QString::fromStdString(*path).endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
  interchange::ImportStatus status;
  storage::RecordId folder;
  if (table) {
    const interchange::CsvImportResult result = interchange::ImportCsvDetected(w.Context().wallet, *path, prompter);
    status = result.status;
    folder = result.folder;
  } else {
    const interchange::ImportResult result = interchange::ImportText(w.Context().wallet, *path, prompter);
    status = result.status;
    folder = result.folder;
  }
  // The new folder comes into the tree with all its cards at once.
  if (status == interchange::ImportStatus::Imported) w.TreeBrowser().InsertOrUpdate(folder, true);
}

void RunImportFormCommand(MainWindow& w) {
  if (!Available(w)) return;
  if (!dialogs::RunImportFormIntro(&w, w.Context().settings)) return;
  RunFormImportFromPicker(w);
}

bool ImportFormFile(MainWindow& w, const std::string& path) {
  if (!Available(w)) return false;
  storage::Wallet& wallet = w.Context().wallet;
  ui::MessageBoxPrompter prompter(&w);
  const interchange::FormImportResult result = interchange::ImportForm(wallet, path, &prompter);
  switch (result.status) {
    case interchange::FormImportStatus::Imported:
      if (const storage::RecordHeader* form = wallet.At(result.position))
        w.TreeBrowser().InsertOrUpdate(form->Id(), true);
      return true;
    case interchange::FormImportStatus::Declined: return false;
    case interchange::FormImportStatus::Unreadable:
      ui::ShowMessageText(&w, ui::ToQString(FormatMessage(ui::ToU16(ui::Text(s::kNotAFormFile)), U16(path))),
                          ui::kCaptionError, MessageIcon::Stop);
      return false;
    default: ui::ShowMessage(&w, s::kFormNotAdded, ui::kCaptionError, MessageIcon::Stop); return false;
  }
}

void WireInterchange(MainWindow& window) {
  auto* pending = new PendingFormImports(window);
  window.formFileImport = [pending](MainWindow&, const std::string& path) { pending->Add(path); };
  // A form file named at start waits for the wallet start-up opens.
  const std::u16string& named = window.Context().request.formFile;
  if (!named.empty() && !window.Context().platform.isSmartphone)
    pending->Add(QFileInfo(ui::ToQString(named)).absoluteFilePath().toStdString());

  auto previous = window.notYetBuilt;
  window.notYetBuilt = [previous](MainWindow& w, int command) {
    switch (command) {
      case kCmdExport: RunExportCommand(w); return;
      case kCmdImport: RunImportCommand(w); return;
      case kCmdImportForm: RunImportFormCommand(w); return;
      default:
        if (previous) previous(w, command);
    }
  };
}

}  // namespace tb::shell
