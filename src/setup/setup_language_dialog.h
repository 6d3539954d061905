#pragma once
// The language dialog of the installation: the languages of the modules
// found, one to choose. Pocket PC shows a drop-down list (dialog 106),
// Smartphone a one-line list with a spinner under "Welcome!" (dialog 105).
#include <QDialog>
#include <QString>

#include <cstdint>
#include <vector>

class QComboBox;
class QListWidget;
class QSpinBox;

namespace tb::setup {

inline constexpr int kLanguageDialogPocketPC = 106;
inline constexpr int kLanguageDialogSmartphone = 105;
inline constexpr int kIdLanguageList = 1000;
inline constexpr int kIdLanguageSpinner = 1001;
inline constexpr int kIdLanguageLabel = 1002;
inline constexpr int kIdBanner = 1003;
inline constexpr int kIdRemoveOthers = 1004;  // on the templates, never shown
inline constexpr uint16_t kFallbackLanguage = 1033;

// "Language (Country)" in the system's names for the identifier; the
// language alone when its name holds the country already in parentheses.
// Hebrew (1037) and Afrikaans (1078) are named in English when the system
// has no names for them.
QString LanguageDisplayName(uint16_t languageId);

// The entry first selected: the user's interface language, else the first
// of the same primary language, else English (1033), else the first.
int InitialLanguageIndex(const std::vector<uint16_t>& languages, uint16_t interfaceLanguage);

class LanguageDialog : public QDialog {
  Q_OBJECT

 public:
  LanguageDialog(QWidget* parent, std::vector<uint16_t> languages, bool smartphone, uint16_t interfaceLanguage);

  int TemplateId() const { return smartphone_ ? kLanguageDialogSmartphone : kLanguageDialogPocketPC; }
  // The selected entry's language; 1033 when none is selected.
  uint16_t Chosen() const;
  int SelectedIndex() const;
  void Select(int index);
  QComboBox* Combo() const { return combo_; }
  QListWidget* List() const { return list_; }
  QSpinBox* Spinner() const { return spinner_; }

 private:
  std::vector<uint16_t> languages_;
  bool smartphone_;
  QComboBox* combo_ = nullptr;
  QListWidget* list_ = nullptr;
  QSpinBox* spinner_ = nullptr;
};

// Runs the dialog (OK and Cancel both take the selection). With fewer than
// two languages it confirms at once; with answerInitial it takes the first
// selection without showing.
uint16_t ChooseLanguage(QWidget* parent, const std::vector<uint16_t>& languages, bool smartphone,
                        uint16_t interfaceLanguage, bool answerInitial);

}  // namespace tb::setup
