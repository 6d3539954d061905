#pragma once
// The Export dialog: what to export (the whole wallet, the selected
// folder, the selected card, or the card as a form), in which format, to
// which of the storage places, and whether passwords and attachments go
// with it. The entries offered follow what the browser has selected.
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/documents.h"
#include "platform/ui/modal_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

class TitleBar;

inline constexpr int kExportTemplate = 149;
inline constexpr int kIdExportItemsLabel = 1527;
inline constexpr int kIdExportFormatLabel = 1529;
inline constexpr int kIdExportPlaceLabel = 1531;
inline constexpr int kIdExportIncludeLabel = 1530;
inline constexpr int kIdExportItems = 1200;
inline constexpr int kIdExportFormat = 1201;
inline constexpr int kIdExportPlace = 1203;
inline constexpr int kIdExportFirstCheck = 1204;   // passwords, or data in form fields
inline constexpr int kIdExportSecondCheck = 1205;  // attachments

// What the browser has selected, as the dialog sees it.
inline constexpr int kExportSelectsNothing = 0;
inline constexpr int kExportSelectsCard = 1;
inline constexpr int kExportSelectsFolder = 2;

// The items entries: the value each entry carries.
inline constexpr int kExportWholeWallet = 0;
inline constexpr int kExportFolder = 1;
inline constexpr int kExportCard = 2;
inline constexpr int kExportCardAsForm = 3;

inline constexpr int kExportFormatText = 0;
inline constexpr int kExportFormatForm = 2;
inline constexpr int kExportFormatCsv = 3;  // a CSV table; no attachments

// The storage places offered, at most this many.
inline constexpr size_t kMaxExportPlaces = 5;

struct ExportChoices {
  int selectionKind = kExportSelectsNothing;  // set by the caller
  int items = kExportWholeWallet;
  int format = kExportFormatText;
  std::string outputPlace;
  bool includePasswords = false;    // check box 1204; for a form: include data
  bool includeAttachments = false;  // check box 1205
};

struct ExportPlace {
  QString shown;
  std::string path;
};
// The documents folder (string 20852) and every storage card present, as
// "%s (%s)" of string 20854 and the card folder's name; five at most.
std::vector<ExportPlace> ExportPlaces(const platform::DocumentPlaces& places);

class ExportDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  ExportDialog(QWidget* owner, const shell::Settings& settings, ExportChoices& choices,
               std::vector<ExportPlace> places);

  QComboBox* Items() const { return items_; }
  QComboBox* Format() const { return format_; }
  QComboBox* Place() const { return place_; }
  QCheckBox* FirstCheck() const { return first_; }
  QCheckBox* SecondCheck() const { return second_; }

  void Dispatch(int commandId) override;
  void accept() override { Dispatch(ui::kCmdOk); }

 protected:
  void OnInitDialog() override;

 private:
  void ItemsChanged();
  void FormatChanged();
  void Confirm();

  ExportChoices& choices_;
  std::vector<ExportPlace> places_;
  TitleBar* title_ = nullptr;
  QComboBox* items_ = nullptr;
  QComboBox* format_ = nullptr;
  QComboBox* place_ = nullptr;
  QCheckBox* first_ = nullptr;
  QCheckBox* second_ = nullptr;
};

// True with choices filled on Done or OK; false when cancelled or when no
// place could be chosen.
bool RunExportDialog(QWidget* owner, const shell::Settings& settings, ExportChoices& choices);

}  // namespace tb::dialogs
