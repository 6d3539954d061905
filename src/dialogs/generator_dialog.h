#pragma once
// "Generate Password...": the generator's settings (characters of chosen
// classes, or a passphrase of words), one candidate in a fixed-pitch font
// with its strength, Regenerate for another. Done takes the candidate and
// keeps the settings for next time; Cancel changes nothing.
#include <QString>

#include <optional>

#include "generator/password_generator.h"
#include "platform/ui/modal_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

class StrengthBar;
class TitleBar;

inline constexpr int kTemplateGenerator = 190;

inline constexpr int kIdGenCharacters = 4001;
inline constexpr int kIdGenWords = 4002;
inline constexpr int kIdGenLength = 4003;
inline constexpr int kIdGenLower = 4004;
inline constexpr int kIdGenUpper = 4005;
inline constexpr int kIdGenDigits = 4006;
inline constexpr int kIdGenSymbols = 4007;
inline constexpr int kIdGenLookalikes = 4008;
inline constexpr int kIdGenWordCount = 4009;
inline constexpr int kIdGenSeparator = 4010;
inline constexpr int kIdGenCapitalise = 4011;
inline constexpr int kIdGenCandidate = 4012;
inline constexpr int kIdGenRegenerate = 4013;
inline constexpr int kIdGenProblem = 4014;

// The stored settings as the generator takes them: out-of-range numbers
// are brought into range, unknown class bits dropped (none left: all), a
// separator the generator refuses becomes "-".
tb::generator::GeneratorSettings GeneratorSettingsFrom(const tb::shell::Settings& settings);
void StoreGeneratorSettings(const tb::generator::GeneratorSettings& generator, tb::shell::Settings& settings);

class GeneratorDialog : public tb::ui::ModalDialog {
  Q_OBJECT

 public:
  GeneratorDialog(QWidget* owner, tb::shell::Settings& settings);
  ~GeneratorDialog() override;

  void Dispatch(int commandId) override;

  // The settings as the controls show them.
  tb::generator::GeneratorSettings Current() const;
  // Draws a new candidate with the current settings; with settings the
  // generator refuses, the candidate is empty and the reason shows.
  void Regenerate();
  QString Candidate() const;
  const QString& Result() const { return result_; }

 protected:
  void OnInitDialog() override;
  void OnEndDialog(int result) override;

 private:
  void ShowMode();

  tb::shell::Settings& settings_;
  bool loading_ = false;
  QString result_;
  TitleBar* title_ = nullptr;
  QRadioButton* characters_ = nullptr;
  QRadioButton* words_ = nullptr;
  QWidget* characterPanel_ = nullptr;
  QWidget* wordPanel_ = nullptr;
  QLabel* lengthLabel_ = nullptr;
  QSpinBox* length_ = nullptr;
  QCheckBox* classes_[4] = {};
  QCheckBox* lookalikes_ = nullptr;
  QLabel* wordCountLabel_ = nullptr;
  QSpinBox* wordCount_ = nullptr;
  QLabel* separatorLabel_ = nullptr;
  QLineEdit* separator_ = nullptr;
  QCheckBox* capitalise_ = nullptr;
  QLineEdit* candidate_ = nullptr;
  StrengthBar* strength_ = nullptr;
  QLabel* problem_ = nullptr;
  QPushButton* regenerate_ = nullptr;
};

// The chosen candidate, or nothing when cancelled.
std::optional<QString> RunGeneratorDialog(QWidget* owner, tb::shell::Settings& settings);

}  // namespace tb::dialogs
