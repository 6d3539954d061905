#pragma once
// The program's own file-open dialog: the files of one kind found in the
// documents folders of the device and of the storage cards, one entry per
// file, chosen by name. Also the title band the small dialogs share.
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/modal_dialog.h"

class QListWidget;

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

inline constexpr int kFilePickerTemplate = 115;
inline constexpr int kFileListId = 1000;  // the list of files
using shell::kCmdNone;                    // "None" of menu bar 955

// The caption strip across the top of a dialog, in the colours of
// settings (the program's when null, see ProgramSettings).
QWidget* MakeTitleBand(QWidget* parent, const QString& text, const shell::Settings* settings = nullptr);

// The extensions a filter such as "*.txt" or "*.jpg;*.bmp;*.gif" names,
// without their dots, in order; "*" for "*.*" (every file).
std::vector<std::string> FilterExtensions(std::string_view filter);

// The files the picker offers for a filter, in the order found, each full
// path once (compared without regard to case).
std::vector<std::string> FindPickerFiles(std::string_view filter);

struct FilePickerOptions {
  uint32_t titleNumber = 0;  // the dialog's caption, by string number
  std::string filter = "*.*";
  int icon = 0;            // the program icon resource shown beside each entry
  bool offerNone = false;  // menu bar 955 with "None" instead of 969
};

class FilePickerDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  FilePickerDialog(QWidget* owner, FilePickerOptions options);

  // Lists the files (done when the dialog first shows).
  void Fill();
  QListWidget* List() const { return list_; }
  // The chosen file's full path after OK.
  const std::string& ChosenPath() const { return chosen_; }

  void Dispatch(int commandId) override;
  void accept() override { Dispatch(ui::kCmdOk); }

 protected:
  void OnInitDialog() override;
  void showEvent(QShowEvent* event) override;

 private:
  void Confirm();

  FilePickerOptions options_;
  QListWidget* list_ = nullptr;
  std::vector<std::string> paths_;
  std::string chosen_;
  bool filled_ = false;
};

// True with the chosen file's full path; nullopt for Cancel or None.
std::optional<std::string> RunFilePicker(QWidget* owner, const FilePickerOptions& options);

}  // namespace tb::dialogs
