#pragma once
// The two dialogs around sharing custom forms: the description and author
// asked before a card is exported as a form file, and the introduction
// shown before a form file is imported. Both lead to the page where forms
// are shared.
#include <QString>

#include <optional>
#include <string>

#include "platform/ui/modal_dialog.h"

class QLabel;
class QLineEdit;
class QCheckBox;
class QPushButton;

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

class TitleBar;

inline constexpr const char* kFormsPage = "https://www.quillimarsten.example/forms/";

inline constexpr int kExportFormTemplate = 127;
inline constexpr int kIdFormDescriptionLabel = 1527;
inline constexpr int kIdFormDescription = 1119;
inline constexpr int kIdFormAuthorLabel = 1529;
inline constexpr int kIdFormAuthor = 1120;
inline constexpr int kIdFormExcludeData = 1121;  // on the template, never shown
inline constexpr int kIdFormsPageLink = 1122;
inline constexpr int kIdFormNote = 1124;
inline constexpr int kMaxFormDescription = 127;
inline constexpr int kMaxFormAuthor = 63;

// The blue underlined text that opens the forms page when tapped.
class LinkLabel;

struct FormExportTexts {
  std::u16string description;
  std::u16string author;
};

class ExportFormDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  ExportFormDialog(QWidget* owner, const shell::Settings& settings, const QString& cardName);

  QLineEdit* Description() const { return description_; }
  QLineEdit* Author() const { return author_; }
  QLabel* Link() const;
  const FormExportTexts& Texts() const { return texts_; }

 protected:
  void OnInitDialog() override;
  void OnEndDialog(int result) override;

 private:
  QString cardName_;
  TitleBar* title_ = nullptr;
  QLineEdit* description_ = nullptr;
  QLineEdit* author_ = nullptr;
  LinkLabel* link_ = nullptr;
  FormExportTexts texts_;
};

// The description and author, or nothing when cancelled.
std::optional<FormExportTexts> RunExportFormDialog(QWidget* owner, const shell::Settings& settings,
                                                   const QString& cardName);

inline constexpr int kImportFormTemplate = 139;
inline constexpr int kIdImportFormContinue = 1300;
inline constexpr int kIdImportFormWeb = 1301;

class ImportFormIntroDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  ImportFormIntroDialog(QWidget* owner, const shell::Settings& settings);

  QPushButton* ContinueButton() const { return continue_; }
  QPushButton* WebButton() const { return web_; }

 protected:
  void OnInitDialog() override;

 private:
  TitleBar* title_ = nullptr;
  QPushButton* continue_ = nullptr;
  QPushButton* web_ = nullptr;
};

// True when the user goes on to choose a form file; the web button opens
// the forms page and ends the command.
bool RunImportFormIntro(QWidget* owner, const shell::Settings& settings);

}  // namespace tb::dialogs
