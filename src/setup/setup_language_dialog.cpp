#include "setup/setup_language_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "setup/setup_strings.h"

namespace tb::setup {

namespace {

void SetId(QWidget* w, int id) { w->setProperty("controlId", id); }

// A banner with the maker's name and the product's, in the program's bar colours.
QLabel* Banner(QWidget* parent) {
  const QString text = QStringLiteral("Quillimarsten\n") + QString::fromStdU16String(ProductName());
  auto* banner = new QLabel(text, parent);
  SetId(banner, kIdBanner);
  banner->setTextFormat(Qt::PlainText);
  QFont bold = banner->font();
  bold.setBold(true);
  banner->setFont(bold);
  banner->setMargin(8);
  banner->setStyleSheet(
      QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                     "stop:0 rgb(221,236,254), stop:1 rgb(129,169,226)); color: black;"));
  return banner;
}

}  // namespace

QString LanguageDisplayName(uint16_t languageId) {
  const std::string name = platform::LocaleForLanguageId(languageId);
  QString language, country;
  if (!name.empty()) {
    const QLocale locale(QString::fromStdString(name));
    if (locale.language() != QLocale::C) {
      language = QLocale::languageToString(locale.language());
      country = QLocale::territoryToString(locale.territory());
    }
  }
  if (language.isEmpty()) {
    if (languageId == 1037) {
      language = QStringLiteral("Hebrew");
      country = QStringLiteral("Israel");
    } else if (languageId == 1078) {
      language = QStringLiteral("Afrikaans");
      country = QStringLiteral("South Africa");
    } else {
      return QStringLiteral("0x%1").arg(languageId, 4, 16, QChar('0'));
    }
  }
  if (country.isEmpty() || (language.contains('(') && language.contains(country))) return language;
  return language + QStringLiteral(" (") + country + QStringLiteral(")");
}

int InitialLanguageIndex(const std::vector<uint16_t>& languages, uint16_t interfaceLanguage) {
  if (languages.empty()) return -1;
  for (size_t i = 0; i < languages.size(); ++i)
    if (languages[i] == interfaceLanguage) return int(i);
  for (size_t i = 0; i < languages.size(); ++i)
    if ((languages[i] & 0x3FF) == (interfaceLanguage & 0x3FF)) return int(i);
  for (size_t i = 0; i < languages.size(); ++i)
    if (languages[i] == kFallbackLanguage) return int(i);
  return 0;
}

LanguageDialog::LanguageDialog(QWidget* parent, std::vector<uint16_t> languages, bool smartphone,
                               uint16_t interfaceLanguage)
    : QDialog(parent), languages_(std::move(languages)), smartphone_(smartphone) {
  setObjectName(smartphone ? QStringLiteral("Language105") : QStringLiteral("Language106"));
  setProperty("templateId", TemplateId());
  setWindowTitle(smartphone ? QStringLiteral("Welcome!") : QString::fromStdU16String(SetupText(kStrShortProduct)));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 8);
  if (smartphone) {
    // The Smartphone's title line, above everything.
    auto* title = new QLabel(windowTitle(), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setMargin(4);
    layout->addWidget(title);
  }
  layout->addWidget(Banner(this));
  auto* content = new QVBoxLayout;
  content->setContentsMargins(10, 6, 10, 0);
  auto* label = new QLabel(smartphone ? QStringLiteral("Please select your\npreferred language:")
                                      : QStringLiteral("Please select your preferred language:"),
                           this);
  SetId(label, kIdLanguageLabel);
  content->addWidget(label);
  if (smartphone) {
    auto* row = new QHBoxLayout;
    list_ = new QListWidget(this);
    SetId(list_, kIdLanguageList);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const uint16_t id : languages_) list_->addItem(LanguageDisplayName(id));
    list_->setFixedHeight(list_->sizeHintForRow(0) + 2 * list_->frameWidth());
    spinner_ = new QSpinBox(this);
    SetId(spinner_, kIdLanguageSpinner);
    spinner_->setRange(0, std::max(0, int(languages_.size()) - 1));
    spinner_->setFixedWidth(22);
    spinner_->setFixedHeight(list_->height());
    spinner_->setStyleSheet(QStringLiteral("QSpinBox { color: transparent; }"));
    connect(spinner_, &QSpinBox::valueChanged, this, [this](int v) { Select(v); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int r) {
      if (r >= 0 && spinner_->value() != r) spinner_->setValue(r);
      if (QListWidgetItem* item = list_->item(r)) list_->scrollToItem(item, QAbstractItemView::PositionAtTop);
    });
    row->addWidget(list_, 1);
    row->addWidget(spinner_);
    content->addLayout(row);
  } else {
    combo_ = new QComboBox(this);
    SetId(combo_, kIdLanguageList);
    for (const uint16_t id : languages_) combo_->addItem(LanguageDisplayName(id), int(id));
    content->addWidget(combo_);
  }
  // Removing the other languages always happens: the box stays hidden.
  auto* removeOthers = new QCheckBox(QStringLiteral("Remove all other languages"), this);
  SetId(removeOthers, kIdRemoveOthers);
  removeOthers->setChecked(true);
  removeOthers->hide();
  content->addWidget(removeOthers);
  content->addStretch(1);
  layout->addLayout(content, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->setContentsMargins(10, 0, 10, 0);
  buttonRow->addWidget(buttons);
  layout->addLayout(buttonRow);
  Select(InitialLanguageIndex(languages_, interfaceLanguage));
}

int LanguageDialog::SelectedIndex() const { return combo_ ? combo_->currentIndex() : list_->currentRow(); }

void LanguageDialog::Select(int index) {
  if (combo_) {
    combo_->setCurrentIndex(index);
  } else if (list_->currentRow() != index) {
    list_->setCurrentRow(index);
  }
}

uint16_t LanguageDialog::Chosen() const {
  const int index = SelectedIndex();
  return index >= 0 && size_t(index) < languages_.size() ? languages_[size_t(index)] : kFallbackLanguage;
}

uint16_t ChooseLanguage(QWidget* parent, const std::vector<uint16_t>& languages, bool smartphone,
                        uint16_t interfaceLanguage, bool answerInitial) {
  if (languages.empty()) return kFallbackLanguage;
  if (languages.size() < 2) return languages.front();
  if (answerInitial) return languages[size_t(InitialLanguageIndex(languages, interfaceLanguage))];
  LanguageDialog dialog(parent, languages, smartphone, interfaceLanguage);
  dialog.exec();  // OK and Cancel alike take what is selected
  return dialog.Chosen();
}

}  // namespace tb::setup
