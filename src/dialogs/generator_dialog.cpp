#include "dialogs/generator_dialog.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "dialogs/dialog_style.h"
#include "dialogs/secret_edit.h"
#include "dialogs/strength_bar.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"

namespace tb::dialogs {
namespace {

using tb::generator::GeneratorMode;
using tb::generator::GeneratorSettings;
using tb::generator::GeneratorStatus;
using tb::ui::SetControlId;
using tb::ui::Text;

constexpr int kBarDoneCancel = 969;
constexpr uint32_t kStrTitle = 41000, kStrCharacters = 41001, kStrWords = 41002, kStrLength = 41003;
constexpr uint32_t kStrClasses[4] = {41004, 41005, 41006, 41007};
constexpr uint32_t kStrLookalikes = 41008, kStrWordCount = 41009, kStrSeparator = 41010;
constexpr uint32_t kStrCapitalise = 41011, kStrRegenerate = 41012, kStrNoClasses = 41013;
constexpr uint32_t kStrBadSeparator = 41014;
constexpr uint32_t kClassBits[4] = {tb::generator::kLower, tb::generator::kUpper, tb::generator::kDigits,
                                    tb::generator::kSymbols};
constexpr int kClassIds[4] = {kIdGenLower, kIdGenUpper, kIdGenDigits, kIdGenSymbols};

}  // namespace

GeneratorSettings GeneratorSettingsFrom(const tb::shell::Settings& settings) {
  GeneratorSettings g;
  g.mode = settings.generatorMode == 1 ? GeneratorMode::Passphrase : GeneratorMode::Characters;
  g.length = int(std::clamp<uint32_t>(settings.generatorLength, tb::generator::kMinLength, tb::generator::kMaxLength));
  g.classes = settings.generatorClasses & tb::generator::kAllClasses;
  if (g.classes == 0) g.classes = tb::generator::kAllClasses;
  g.excludeLookalikes = settings.generatorExcludeLookalikes != 0;
  g.words = int(std::clamp<uint32_t>(settings.generatorWords, tb::generator::kMinWords, tb::generator::kMaxWords));
  g.separator = settings.generatorSeparator;
  g.capitalise = settings.generatorCapitalise != 0;
  GeneratorSettings probe = g;
  probe.mode = GeneratorMode::Passphrase;
  if (tb::generator::CheckSettings(probe) == GeneratorStatus::BadSeparator) g.separator = u"-";
  return g;
}

void StoreGeneratorSettings(const GeneratorSettings& g, tb::shell::Settings& settings) {
  settings.generatorMode = g.mode == GeneratorMode::Passphrase ? 1 : 0;
  settings.generatorLength = uint32_t(g.length);
  settings.generatorClasses = g.classes;
  settings.generatorExcludeLookalikes = g.excludeLookalikes ? 1 : 0;
  settings.generatorWords = uint32_t(g.words);
  settings.generatorSeparator = g.separator;
  settings.generatorCapitalise = g.capitalise ? 1 : 0;
}

GeneratorDialog::GeneratorDialog(QWidget* owner, tb::shell::Settings& settings)
    : ModalDialog(owner, kTemplateGenerator), settings_(settings) {
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);
  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, tb::ui::ScaleY(6), margin, margin);
  column->setSpacing(tb::ui::ScaleY(4));
  layout->addWidget(content, 1);

  auto* modes = new QHBoxLayout;
  characters_ = new QRadioButton(content);
  SetControlId(characters_, kIdGenCharacters);
  words_ = new QRadioButton(content);
  SetControlId(words_, kIdGenWords);
  modes->addWidget(characters_);
  modes->addWidget(words_);
  modes->addStretch(1);
  column->addLayout(modes);

  // Characters: length, the four classes, look-alikes.
  characterPanel_ = new QWidget(content);
  auto* characterGrid = new QGridLayout(characterPanel_);
  characterGrid->setContentsMargins(0, 0, 0, 0);
  characterGrid->setVerticalSpacing(tb::ui::ScaleY(2));
  lengthLabel_ = new QLabel(characterPanel_);
  length_ = new QSpinBox(characterPanel_);
  SetControlId(length_, kIdGenLength);
  length_->setRange(tb::generator::kMinLength, tb::generator::kMaxLength);
  characterGrid->addWidget(lengthLabel_, 0, 0);
  characterGrid->addWidget(length_, 0, 1, Qt::AlignLeft);
  for (int i = 0; i < 4; ++i) {
    classes_[i] = new QCheckBox(characterPanel_);
    SetControlId(classes_[i], kClassIds[i]);
    characterGrid->addWidget(classes_[i], 1 + i, 0, 1, 2);
  }
  lookalikes_ = new QCheckBox(characterPanel_);
  SetControlId(lookalikes_, kIdGenLookalikes);
  characterGrid->addWidget(lookalikes_, 5, 0, 1, 2);
  characterGrid->setColumnStretch(1, 1);
  column->addWidget(characterPanel_);

  // Words: how many, the separator, capitals.
  wordPanel_ = new QWidget(content);
  auto* wordGrid = new QGridLayout(wordPanel_);
  wordGrid->setContentsMargins(0, 0, 0, 0);
  wordGrid->setVerticalSpacing(tb::ui::ScaleY(2));
  wordCountLabel_ = new QLabel(wordPanel_);
  wordCount_ = new QSpinBox(wordPanel_);
  SetControlId(wordCount_, kIdGenWordCount);
  wordCount_->setRange(tb::generator::kMinWords, tb::generator::kMaxWords);
  separatorLabel_ = new QLabel(wordPanel_);
  separator_ = new QLineEdit(wordPanel_);
  SetControlId(separator_, kIdGenSeparator);
  separator_->setMaxLength(1);
  separator_->setFixedWidth(tb::ui::ScaleX(32));
  capitalise_ = new QCheckBox(wordPanel_);
  SetControlId(capitalise_, kIdGenCapitalise);
  wordGrid->addWidget(wordCountLabel_, 0, 0);
  wordGrid->addWidget(wordCount_, 0, 1, Qt::AlignLeft);
  wordGrid->addWidget(separatorLabel_, 1, 0);
  wordGrid->addWidget(separator_, 1, 1, Qt::AlignLeft);
  wordGrid->addWidget(capitalise_, 2, 0, 1, 2);
  wordGrid->setColumnStretch(1, 1);
  column->addWidget(wordPanel_);

  // The candidate, read-only, in a font where every character is told apart.
  candidate_ = new QLineEdit(content);
  SetControlId(candidate_, kIdGenCandidate);
  candidate_->setReadOnly(true);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (!QFontInfo(fixed).fixedPitch()) {
    // Without a desktop's own choice: whatever monospace family there is.
    fixed = QFont();
    fixed.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Mono"),
                       QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
  }
  fixed.setPointSize(candidate_->font().pointSize() + 1);
  candidate_->setFont(fixed);
  column->addSpacing(tb::ui::ScaleY(4));
  column->addWidget(candidate_);
  strength_ = new StrengthBar(content);
  column->addWidget(strength_);
  problem_ = new QLabel(content);
  SetControlId(problem_, kIdGenProblem);
  problem_->setWordWrap(true);
  QPalette red = problem_->palette();
  red.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
  problem_->setPalette(red);
  problem_->hide();
  column->addWidget(problem_);
  regenerate_ = new QPushButton(content);
  SetControlId(regenerate_, kIdGenRegenerate);
  regenerate_->setAutoDefault(false);
  column->addWidget(regenerate_, 0, Qt::AlignLeft);
  column->addStretch(1);

  connect(regenerate_, &QPushButton::clicked, this, [this] { Regenerate(); });
  const auto changed = [this] {
    if (loading_) return;
    ShowMode();
    Regenerate();
  };
  connect(characters_, &QRadioButton::toggled, this, changed);
  connect(length_, &QSpinBox::valueChanged, this, changed);
  for (QCheckBox* box : classes_) connect(box, &QCheckBox::toggled, this, changed);
  connect(lookalikes_, &QCheckBox::toggled, this, changed);
  connect(wordCount_, &QSpinBox::valueChanged, this, changed);
  connect(separator_, &QLineEdit::textChanged, this, changed);
  connect(capitalise_, &QCheckBox::toggled, this, changed);
  SetFullScreen(true);
  SizeLikeMainWindow(this);
}

GeneratorDialog::~GeneratorDialog() { WipeEdit(candidate_); }

void GeneratorDialog::OnInitDialog() {
  SetMenuBar(kBarDoneCancel);
  title_->SetText(Text(kStrTitle));
  setWindowTitle(title_->Text());
  characters_->setText(Text(kStrCharacters));
  words_->setText(Text(kStrWords));
  lengthLabel_->setText(Text(kStrLength));
  for (int i = 0; i < 4; ++i) classes_[i]->setText(Text(kStrClasses[i]));
  lookalikes_->setText(Text(kStrLookalikes));
  wordCountLabel_->setText(Text(kStrWordCount));
  separatorLabel_->setText(Text(kStrSeparator));
  capitalise_->setText(Text(kStrCapitalise));
  regenerate_->setText(Text(kStrRegenerate));

  const GeneratorSettings g = GeneratorSettingsFrom(settings_);
  loading_ = true;
  (g.mode == GeneratorMode::Passphrase ? words_ : characters_)->setChecked(true);
  length_->setValue(g.length);
  for (int i = 0; i < 4; ++i) classes_[i]->setChecked((g.classes & kClassBits[i]) != 0);
  lookalikes_->setChecked(g.excludeLookalikes);
  wordCount_->setValue(g.words);
  separator_->setText(tb::ui::ToQString(g.separator));
  capitalise_->setChecked(g.capitalise);
  loading_ = false;
  ShowMode();
  Regenerate();
}

void GeneratorDialog::ShowMode() {
  const bool words = words_->isChecked();
  characterPanel_->setVisible(!words);
  wordPanel_->setVisible(words);
}

GeneratorSettings GeneratorDialog::Current() const {
  GeneratorSettings g;
  g.mode = words_->isChecked() ? GeneratorMode::Passphrase : GeneratorMode::Characters;
  g.length = length_->value();
  g.classes = 0;
  for (int i = 0; i < 4; ++i)
    if (classes_[i]->isChecked()) g.classes |= kClassBits[i];
  g.excludeLookalikes = lookalikes_->isChecked();
  g.words = wordCount_->value();
  g.separator = tb::ui::ToU16(separator_->text());
  g.capitalise = capitalise_->isChecked();
  return g;
}

void GeneratorDialog::Regenerate() {
  tb::storage::Text value;
  const GeneratorStatus status = tb::generator::Generate(Current(), &value);
  WipeEdit(candidate_);
  if (status == GeneratorStatus::Ok) {
    candidate_->setText(tb::ui::ToQString({value.data(), value.size()}));
    candidate_->setCursorPosition(0);
    problem_->hide();
  } else {
    // The spin boxes keep length and word count in range; what is left
    // is no class ticked or a separator the generator refuses.
    problem_->setText(Text(status == GeneratorStatus::NoClasses ? kStrNoClasses : kStrBadSeparator));
    problem_->show();
  }
  strength_->SetPassword(candidate_->text());
}

QString GeneratorDialog::Candidate() const { return candidate_->text(); }

void GeneratorDialog::Dispatch(int commandId) {
  if (commandId == tb::ui::kCmdOk || commandId == tb::ui::kCmdDone) {
    // Nothing to take while the settings give no candidate.
    if (candidate_->text().isEmpty()) return;
    // A copy of its own: the edit's buffer is wiped when the dialog ends.
    const QString shown = candidate_->text();
    result_ = QString(shown.constData(), shown.size());
    StoreGeneratorSettings(Current(), settings_);
    EndDialog(tb::ui::kResultOk);
    return;
  }
  ModalDialog::Dispatch(commandId);
}

void GeneratorDialog::OnEndDialog(int) {
  WipeEdit(candidate_);
  strength_->SetPassword(QString());
}

std::optional<QString> RunGeneratorDialog(QWidget* owner, tb::shell::Settings& settings) {
  GeneratorDialog dialog(owner, settings);
  if (dialog.RunModal() != tb::ui::kResultOk) return std::nullopt;
  return dialog.Result();
}

}  // namespace tb::dialogs
