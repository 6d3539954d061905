// The password generator dialog: its candidate follows the settings shown,
// Done takes it and keeps the settings, Cancel keeps nothing, and settings
// from the file that the generator would refuse are brought into range.
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "dialogs/generator_dialog.h"
#include "dialogs/strength_bar.h"
#include "dialogs_fixture.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/soft_key_bar.h"
#include "ui_support/png_check.h"
#include "ui_support/qt_test.h"

using namespace tb::dialogs;
using namespace tb::dialogs::test;
using tb::ui::FindControl;

namespace {

bool AllFrom(const QString& text, const QString& alphabet) {
  for (const QChar c : text)
    if (!alphabet.contains(c)) return false;
  return true;
}

}  // namespace

class GeneratorDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { tb::ui::SetTextSource(&English()); }
  void cleanup() { tb::ui::SetTextSource(nullptr); }

  void candidateFollowsTheSettingsShown() {
    auto settings = SettingsFor(false);
    settings.generatorLength = 9;
    settings.generatorClasses = 4;  // digits only
    GeneratorDialog dialog(nullptr, settings);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* candidate = FindControl<QLineEdit>(&dialog, kIdGenCandidate);
    QVERIFY(candidate->isReadOnly());
    QVERIFY(QFontInfo(candidate->font()).fixedPitch());
    QCOMPARE(candidate->text().size(), 9);
    QVERIFY(AllFrom(candidate->text(), "0123456789"));
    QVERIFY(!FindControl<QWidget>(&dialog, kIdGenWordCount)->isVisible());
    // The strength shown is the candidate's.
    auto* bar = FindControl<StrengthBar>(&dialog, kIdStrengthBar);
    QVERIFY(bar->HasPassword());
    QCOMPARE(bar->Step(), tb::strength::Estimate(tb::ui::ToU16(candidate->text())).step);

    // Each change draws again: more length, capitals, no look-alikes.
    FindControl<QSpinBox>(&dialog, kIdGenLength)->setValue(60);
    FindControl<QCheckBox>(&dialog, kIdGenDigits)->setChecked(false);
    FindControl<QCheckBox>(&dialog, kIdGenUpper)->setChecked(true);
    FindControl<QCheckBox>(&dialog, kIdGenLookalikes)->setChecked(true);
    QCOMPARE(candidate->text().size(), 60);
    QVERIFY(AllFrom(candidate->text(), "ABCDEFGHJKLMNPQRSTUVWXYZ"));
    const QString before = candidate->text();
    QTest::mouseClick(FindControl<QPushButton>(&dialog, kIdGenRegenerate), Qt::LeftButton);
    QVERIFY(candidate->text() != before);  // 24^60 candidates

    // Words: the count, separator and capitals shown.
    FindControl<QRadioButton>(&dialog, kIdGenWords)->setChecked(true);
    QVERIFY(FindControl<QWidget>(&dialog, kIdGenWordCount)->isVisible());
    QVERIFY(!FindControl<QWidget>(&dialog, kIdGenLength)->isVisible());
    FindControl<QSpinBox>(&dialog, kIdGenWordCount)->setValue(4);
    FindControl<QLineEdit>(&dialog, kIdGenSeparator)->setText(".");
    FindControl<QCheckBox>(&dialog, kIdGenCapitalise)->setChecked(true);
    const QStringList words = candidate->text().split('.');
    QCOMPARE(words.size(), 4);
    for (const QString& word : words) QVERIFY2(!word.isEmpty() && word[0].isUpper(), qPrintable(candidate->text()));
  }

  void noClassChosenGivesNothingToTake() {
    auto settings = SettingsFor(false);
    GeneratorDialog dialog(nullptr, settings);
    dialog.show();
    for (const int id : {kIdGenLower, kIdGenUpper, kIdGenDigits, kIdGenSymbols})
      FindControl<QCheckBox>(&dialog, id)->setChecked(false);
    auto* problem = FindControl<QLabel>(&dialog, kIdGenProblem);
    QVERIFY(problem->isVisible());
    QCOMPARE(problem->text(), QStringLiteral("Choose at least one kind of character."));
    QVERIFY(dialog.Candidate().isEmpty());
    QVERIFY(!FindControl<StrengthBar>(&dialog, kIdStrengthBar)->HasPassword());
    dialog.Dispatch(tb::ui::kCmdDone);
    QVERIFY(dialog.isVisible());  // Done takes nothing
    QCOMPARE(settings.generatorClasses, 15u);
    FindControl<QCheckBox>(&dialog, kIdGenSymbols)->setChecked(true);
    QVERIFY(!problem->isVisible());
    QVERIFY(AllFrom(dialog.Candidate(), QString::fromLatin1(tb::generator::kSymbolChars.data(),
                                                            qsizetype(tb::generator::kSymbolChars.size()))));
  }

  void doneTakesTheCandidateAndKeepsTheSettingsCancelKeepsNothing() {
    for (const bool smartphone : {false, true}) {
      auto settings = SettingsFor(smartphone);
      QString shown;
      WhenShown<GeneratorDialog>([&](GeneratorDialog* d) {
        FindControl<QRadioButton>(d, kIdGenWords)->setChecked(true);
        FindControl<QSpinBox>(d, kIdGenWordCount)->setValue(3);
        FindControl<QLineEdit>(d, kIdGenSeparator)->clear();
        const QString candidate = d->Candidate();
        shown = QString(candidate.constData(), candidate.size());  // the dialog wipes its own
        d->MenuBar()->PressLeft();
      });
      const std::optional<QString> taken = RunGeneratorDialog(nullptr, settings);
      QVERIFY(taken);
      QVERIFY(!shown.isEmpty());
      QCOMPARE(*taken, shown);  // not wiped with the dialog's edit
      QCOMPARE(settings.generatorMode, 1u);
      QCOMPARE(settings.generatorWords, 3u);
      QCOMPARE(settings.generatorSeparator, std::u16string());

      // The next dialog starts from them; Cancel stores nothing.
      WhenShown<GeneratorDialog>([](GeneratorDialog* d) {
        QVERIFY(FindControl<QRadioButton>(d, kIdGenWords)->isChecked());
        QCOMPARE(FindControl<QSpinBox>(d, kIdGenWordCount)->value(), 3);
        FindControl<QSpinBox>(d, kIdGenWordCount)->setValue(12);
        d->MenuBar()->PressRight();
      });
      QVERIFY(!RunGeneratorDialog(nullptr, settings));
      QCOMPARE(settings.generatorWords, 3u);
    }
  }

  void storedSettingsAreBroughtIntoRange() {
    using tb::generator::GeneratorMode;
    const struct {
      uint32_t mode, length, classes, words;
      std::u16string separator;
      GeneratorMode wantMode;
      int wantLength;
      uint32_t wantClasses;
      int wantWords;
      std::u16string wantSeparator;
    } cases[] = {
        {0, 0, 0, 0, u"\t", GeneratorMode::Characters, 4, 15, 3, u"-"},
        {7, 100000, 0xF0, 100000, u"", GeneratorMode::Characters, 128, 15, 12, u""},
        {1, 50, 0x13, 8, u"+", GeneratorMode::Passphrase, 50, 3, 8, u"+"},
    };
    for (const auto& c : cases) {
      auto settings = SettingsFor(false);
      settings.generatorMode = c.mode;
      settings.generatorLength = c.length;
      settings.generatorClasses = c.classes;
      settings.generatorWords = c.words;
      settings.generatorSeparator = c.separator;
      const auto g = GeneratorSettingsFrom(settings);
      QCOMPARE(g.mode, c.wantMode);
      QCOMPARE(g.length, c.wantLength);
      QCOMPARE(g.classes, c.wantClasses);
      QCOMPARE(g.words, c.wantWords);
      QVERIFY(g.separator == c.wantSeparator);
      QCOMPARE(tb::generator::CheckSettings(g), tb::generator::GeneratorStatus::Ok);
    }
  }

  void screenshots() {
    for (const int dpi : {96, 192}) {
      tb::ui::ScopedDpi scoped(dpi);
      for (const bool smartphone : {false, true}) {
        auto settings = SettingsFor(smartphone);
        GeneratorDialog dialog(nullptr, settings);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* bar = FindControl<StrengthBar>(&dialog, kIdStrengthBar);
        TB_VERIFY_PNG(
            &dialog,
            ScreenshotPath(QStringLiteral("generator-%1-%2").arg(smartphone ? "smartphone" : "pocketpc").arg(dpi)), bar,
            QPoint(tb::ui::ScaleX(3), bar->height() / 2));
      }
    }
  }
};

TB_QT_TEST(GeneratorDialogTest)
#include "generator_dialog_test.moc"
