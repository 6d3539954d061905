#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <memory>

#include "dialogs/card_type_dialog.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/icon_picker_dialog.h"
#include "dialogs/new_wallet_name_dialog.h"
#include "dialogs/properties_dialog.h"
#include "dialogs/title_bar.h"
#include "dialogs/wallets_manager_dialog.h"
#include "platform/core/documents.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/test_doubles.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "storage/record_id.h"
#include "storage/wallet.h"
#include "support/temp_dir.h"
#include "support/wallet_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::dialogs;
using namespace tb::ui;
using tb::platform::DocumentPlaces;
using tb::platform::ScopedDocumentPlaces;
using tb::test::TempDir;

using tb::dialogs::test::WhenShown;

namespace {

void WriteFile(const std::string& path, const std::string& bytes = "not really a wallet") {
  std::ofstream(path, std::ios::binary) << bytes;
}
bool Exists(const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); }

QStringList Rows(const QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

void SelectRow(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  QVERIFY2(!found.isEmpty(), qPrintable(text));
  list->setCurrentItem(found.front());
}

QString ShotPath(const QString& name) {
  const QString dir = QStringLiteral(TB_MODULE_DIR "/../screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

}  // namespace

class PickersTest : public QObject {
  Q_OBJECT

 private:
  tb::shell::LanguageModule module_;

 private slots:
  void initTestCase() {
    // The English texts, as the program shows them.
    QVERIFY(module_.Load(TB_MODULE_DIR "/ostreltbpro2006.exe.0409.mui") == tb::shell::ModuleStatus::Ok);
    SetTextSource(&module_);
  }
  void cleanupTestCase() { SetTextSource(nullptr); }

  void managerListsCopiesAndDeletes() {
    TempDir docs, card;
    WriteFile(docs.File("Home.tb5"));
    WriteFile(docs.File("Home.wal"));
    WriteFile(docs.File("alpha.tb5"));
    WriteFile(card.File("Beta.TB5"));
    ScopedDocumentPlaces places(DocumentPlaces{docs.Path(), {card.Path()}});
    ScriptedMessageBoxes boxes;

    WalletsManagerDialog dialog(nullptr, WalletsManagerInputs{});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* list = FindControl<QListWidget>(&dialog, kWalletsListId);
    QVERIFY(list);
    QTRY_COMPARE(list->count(), 4);  // filled once it shows
    // Wallets before legacy files, each group by name whatever the case.
    QCOMPARE(Rows(list), (QStringList{"alpha", "Beta", "Home", "Home"}));
    for (int i = 0; i < list->count(); ++i) QVERIFY(!list->item(i)->icon().isNull());
    QVERIFY(GrabToPng(&dialog, ShotPath("wallets-manager")));

    // Nothing selected: Open, Delete and Copy are grayed; Exit is off.
    QMenu* menu = dialog.MenuBar()->RightMenu();
    QVERIFY(menu);
    dialog.OnInitMenuPopup(menu);
    auto state = [&](int command) { return dialog.MenuBar()->FindAction(command)->isEnabled(); };
    QVERIFY(!state(kCmdOpen) && !state(kCmdDelete) && !state(kCmdCopy));
    QVERIFY(!dialog.MenuBar()->FindAction(kCmdExit)->isVisible());

    SelectRow(list, "Home");
    dialog.OnInitMenuPopup(menu);
    QVERIFY(state(kCmdOpen) && state(kCmdDelete) && state(kCmdCopy));

    // Copies go beside the original with the first free number.
    dialog.Dispatch(kCmdCopy);
    SelectRow(list, "Home");
    dialog.Dispatch(kCmdCopy);
    QVERIFY(Exists(docs.File("Home(2).tb5")) && Exists(docs.File("Home(3).tb5")));
    QCOMPARE(Rows(list), (QStringList{"alpha", "Beta", "Home", "Home(2)", "Home(3)", "Home"}));
    QCOMPARE(boxes.Count(), size_t(0));

    // Delete asks first; No keeps the file, Yes removes it and its row.
    SelectRow(list, "Home(3)");
    boxes.Queue(Answer::No);
    dialog.Dispatch(kCmdDelete);
    QVERIFY(Exists(docs.File("Home(3).tb5")));
    QCOMPARE(boxes.Last().captionNumber, 20001u);
    QCOMPARE(boxes.Last().buttons, Buttons::YesNo);
    QVERIFY(boxes.Last().text.contains(QString::fromStdString(docs.File("Home(3).tb5"))));
    boxes.Queue(Answer::Yes);
    dialog.Dispatch(kCmdDelete);
    QVERIFY(!Exists(docs.File("Home(3).tb5")));
    QVERIFY(!Rows(list).contains("Home(3)"));

    // A wallet deleted while listed: its row goes, the user is told, and
    // the manager stays up for another choice.
    QFile::remove(QString::fromStdString(docs.File("alpha.tb5")));
    SelectRow(list, "alpha");
    boxes.Clear();
    dialog.Dispatch(kCmdOpen);
    QVERIFY(dialog.isVisible());
    QCOMPARE(boxes.Count(), size_t(1));
    QVERIFY(!Rows(list).contains("alpha"));
    QVERIFY(dialog.ChosenPath().empty());

    // Open on a listed wallet ends the manager with it.
    SelectRow(list, "Beta");
    dialog.Dispatch(kCmdOpen);
    QCOMPARE(dialog.result(), kResultOk);
    QCOMPARE(dialog.ChosenPath(), card.File("Beta.TB5"));
  }

  void exitAndCancelEndTheManagerWithoutAChoice() {
    TempDir docs;
    WriteFile(docs.File("Home.tb5"));
    ScopedDocumentPlaces places(DocumentPlaces{docs.Path(), {}});
    for (const int command : {kCmdExit, int(kCmdCancel), int(kCmdOk)}) {
      WalletsManagerInputs inputs;
      inputs.exitMenu = true;
      WhenShown<WalletsManagerDialog>([command](WalletsManagerDialog* d) {
        d->Fill();
        d->List()->setCurrentRow(0);
        if (command != kCmdOk) d->Dispatch(command);
        else {
          d->List()->clearSelection();
          d->Dispatch(command);
        }  // OK with nothing chosen
      });
      QVERIFY(!RunWalletsManager(nullptr, inputs).has_value());
    }
  }

  void newWalletIsNamedCreatedAndOpened() {
    TempDir docs;
    ScopedDocumentPlaces places(DocumentPlaces{docs.Path(), {}});
    WriteFile(docs.File("Taken.tb5"));
    ScriptedMessageBoxes boxes;
    int asked = 0;
    WalletsManagerInputs inputs;
    inputs.askNewPassword = [&](QWidget*) {
      ++asked;
      return std::optional<NewWalletPassword>(
          NewWalletPassword{tb::storage::Text(u"tiger7"), std::u16string(u"stripes")});
    };

    QStringList messages;
    WhenShown<WalletsManagerDialog>([&](WalletsManagerDialog* manager) {
      WhenShown<NewWalletNameDialog>([&](NewWalletNameDialog* d) {
        QVERIFY(GrabToPng(d, ShotPath("new-wallet-name")));
        QVERIFY(!d->SaveIn()->isEnabled());  // no storage card: one place only
        for (const char* refused : {"My?wallet", "a/b", "Taken"}) {
          d->NameEdit()->setText(QString::fromLatin1(refused));
          d->Dispatch(kCmdDone);
          QVERIFY(d->isVisible());
          messages << QString::number(boxes.Last().textNumber);
        }
        d->NameEdit()->setText("Mine");
        d->Dispatch(kCmdDone);
      });
      manager->Dispatch(kCmdManagerNew);
    });
    const std::optional<WalletsManagerResult> result = RunWalletsManager(nullptr, inputs);
    QCOMPARE(messages, (QStringList{"23007", "23007", "23011"}));
    QVERIFY(result.has_value());
    QCOMPARE(result->outcome, WalletsManagerOutcome::Open);
    QVERIFY(result->created);
    QCOMPARE(result->path, docs.File("Mine.tb5"));
    QCOMPARE(asked, 1);
    tb::storage::Wallet wallet;
    QCOMPARE(wallet.Open(result->path, u"tiger7", true, nullptr), tb::storage::OpenStatus::Ok);
    QVERIFY(wallet.GetHint().has_value());

    // The password dialog cancelled: nothing is made, the manager comes back.
    inputs.askNewPassword = [](QWidget*) { return std::optional<NewWalletPassword>(); };
    WhenShown<WalletsManagerDialog>([&](WalletsManagerDialog* manager) {
      WhenShown<NewWalletNameDialog>([](NewWalletNameDialog* d) {
        d->NameEdit()->setText("Second");
        d->Dispatch(kCmdDone);
      });
      manager->Dispatch(kCmdNew);
    });
    const std::optional<WalletsManagerResult> again = RunWalletsManager(nullptr, inputs);
    QVERIFY(again && again->outcome == WalletsManagerOutcome::ShowAgain);
    QVERIFY(!Exists(docs.File("Second.tb5")));
  }

  void storageCardIsOfferedAsSecondPlace() {
    TempDir docs, card;
    ScopedDocumentPlaces places(DocumentPlaces{docs.Path(), {card.Path()}});
    NewWalletNameDialog dialog(nullptr, 5);
    QVERIFY(dialog.SaveIn()->isEnabled());
    QCOMPARE(dialog.SaveIn()->count(), 2);
    dialog.SaveIn()->setCurrentIndex(1);
    dialog.NameEdit()->setText("OnCard");
    dialog.Dispatch(kCmdDone);
    QCOMPARE(dialog.result(), kResultOk);
    QVERIFY(QString::fromStdString(dialog.Path()).startsWith(QString::fromStdString(card.Path())));
  }

  void cardTypesListCustomFormsFirstAndPreselect() {
    tb::test::TestWallet fixture;
    QVERIFY(fixture.Ok());
    tb::storage::Wallet& wallet = fixture.wallet();
    wallet.SetTextSource(&module_);  // the built-in forms' names as the user reads them
    const tb::storage::RecordId forms = wallet.FormsFolder()->Id();
    QVERIFY(fixture.AddCard(forms, u"zeta custom") >= 0);
    QVERIFY(fixture.AddCard(forms, u"Alpha custom") >= 0);
    IconLists lists(96);

    const tb::storage::FormId preselected = tb::storage::BuiltInFormId(5);
    CardTypeDialog dialog(nullptr, wallet, lists, preselected, CardTypeTitle::NewCard);
    QListWidget* list = FindControl<QListWidget>(&dialog, kCardTypeListId);
    QVERIFY(list);
    QCOMPARE(list->count(), 2 + 43);
    QCOMPARE(list->item(0)->text(), QString("Alpha custom"));
    QCOMPARE(list->item(1)->text(), QString("zeta custom"));
    for (int i = 3; i < list->count(); ++i)
      QVERIFY2(list->item(i - 1)->text().compare(list->item(i)->text(), Qt::CaseInsensitive) <= 0,
               qPrintable(list->item(i)->text()));
    QVERIFY(list->currentItem());
    QCOMPARE(dialog.Types()[size_t(list->currentRow())].form, preselected);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(GrabToPng(&dialog, ShotPath("card-type-picker")));

    dialog.Dispatch(kCmdDone);
    QCOMPARE(dialog.result(), kResultOk);
    QCOMPARE(dialog.Choice().form, preselected);
    QVERIFY(dialog.Choice().builtIn);
    QCOMPARE(dialog.Choice().number, 5u);

    CardTypeDialog custom(nullptr, wallet, lists, preselected, CardTypeTitle::DefaultForm);
    custom.List()->setCurrentRow(0);
    custom.Dispatch(kCmdDone);
    QVERIFY(!custom.Choice().builtIn);
    QCOMPARE(custom.Choice().form, custom.Types()[0].form);

    CardTypeDialog none(nullptr, wallet, lists, preselected, CardTypeTitle::NewCard);
    none.List()->clearSelection();
    none.Dispatch(kCmdDone);
    QVERIFY(none.Choice().form.IsZero() && none.Choice().builtIn && none.Choice().number == 0);
  }

  void iconPickerChoosesABuiltInIcon() {
    IconLists lists(96);
    for (const bool smartphone : {false, true}) {
      IconPickerDialog dialog(nullptr, lists, 7, smartphone);
      QListWidget* list = FindControl<QListWidget>(&dialog, kIconListId);
      QVERIFY(list);
      QCOMPARE(list->count(), kBuiltInIconCount);
      QCOMPARE(list->currentItem()->data(Qt::UserRole).toInt(), 7);
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      QVERIFY(GrabToPng(&dialog, ShotPath(smartphone ? "icon-picker-smartphone" : "icon-picker")));
      // The current icon again changes nothing.
      dialog.Dispatch(kCmdDone);
      QCOMPARE(dialog.result(), kResultCancel);
    }
    IconPickerDialog dialog(nullptr, lists, 7, false);
    dialog.List()->setCurrentRow(12);
    dialog.Dispatch(kCmdDone);
    QCOMPARE(dialog.result(), kResultOk);
    QCOMPARE(dialog.Choice().entry, 12);

    tb::test::TestWallet fixture;
    tb::storage::RecordHeader folder = *fixture.wallet().FormsFolder();
    QVERIFY(ApplyIconChoice(fixture.wallet(), lists, folder, dialog.Choice()));
    QCOMPARE(folder.Icon(), 12);
    QCOMPARE(CurrentIconEntry(lists, folder), 12);
  }

  void folderPropertiesNameFormAndSpecialView() {
    tb::test::TestWallet fixture;
    fixture.wallet().SetTextSource(&module_);
    IconLists lists(96);
    const int position = fixture.AddFolder(u"Banking");
    QVERIFY(position >= 0);
    tb::storage::RecordHeader folder = *fixture.wallet().At(position);
    for (const bool smartphone : {true, false}) {  // Smartphone only looks
      FolderProperties record;
      record.wallet = &fixture.wallet();
      record.folder = &folder;
      record.offerMainLevel = true;
      record.mainLevel = true;
      FolderPropertiesDialog dialog(nullptr, record, lists, smartphone);
      QCOMPARE(dialog.NameEdit()->text(), QString("Banking"));
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      QVERIFY(GrabToPng(&dialog, ShotPath(smartphone ? "folder-properties-smartphone" : "folder-properties")));
      if (smartphone) {
        dialog.Dispatch(kCmdCancel);
        continue;
      }
      // The form "..." runs the card-type picker; the new form stays.
      WhenShown<CardTypeDialog>([](CardTypeDialog* picker) {
        picker->List()->setCurrentRow(picker->List()->count() - 1);
        picker->Dispatch(kCmdDone);
      });
      FindControl<QPushButton>(&dialog, kFolderFormMoreId)->click();
      QVERIFY(record.iconOrFormChanged);
      QVERIFY(!FindControl<QLabel>(&dialog, kFolderFormNameId)->text().isEmpty());
      dialog.NameEdit()->setText("Bank accounts");
      FindControl<QCheckBox>(&dialog, kMainLevelId)->setChecked(false);
      dialog.Dispatch(kCmdDone);
      QCOMPARE(dialog.result(), kResultOk);
      QVERIFY(folder.Name() == tb::storage::Text(u"Bank accounts"));
      QVERIFY(!record.mainLevel);
    }

    FolderProperties view;
    view.specialView = true;
    view.viewNumber = 200;
    view.viewName = u"Found";
    FolderPropertiesDialog dialog(nullptr, view, lists, false);
    QVERIFY(!FindControl<QCheckBox>(&dialog, kMainLevelId)->isVisibleTo(&dialog));
    dialog.NameEdit()->setText(QString(80, QLatin1Char('v')));
    dialog.Dispatch(kCmdDone);
    QCOMPARE(view.viewName.size(), kMaxViewNameLength);
  }

  void titleBandsTakeTheProgramsBarColours() {
    // Dialogs that are not handed settings draw their bands in the
    // program's Color.BarStart / BarEnd / BarText.
    tb::shell::Settings settings;
    settings.colorBarStart = 0x0000C0;  // 0x00BBGGRR: dark red
    settings.colorBarEnd = 0x400000;    // dark blue
    settings.colorBarText = 0xFFFFFF;
    SetProgramSettings(&settings);
    tb::test::TestWallet fixture;
    fixture.wallet().SetTextSource(&module_);
    IconLists lists(96);
    tb::storage::RecordHeader folder = *fixture.wallet().FormsFolder();
    FolderProperties record;
    record.wallet = &fixture.wallet();
    record.folder = &folder;
    std::vector<std::unique_ptr<tb::ui::ModalDialog>> dialogs;
    dialogs.emplace_back(new NewWalletNameDialog(nullptr, 5));
    dialogs.emplace_back(new CardTypeDialog(nullptr, fixture.wallet(), lists, {}, CardTypeTitle::NewCard));
    dialogs.emplace_back(new WalletsManagerDialog(nullptr, WalletsManagerInputs{}));
    dialogs.emplace_back(new FolderPropertiesDialog(nullptr, record, lists, false));
    dialogs.emplace_back(new FilePickerDialog(nullptr, FilePickerOptions{25015, "*.txt", kTextEditorIcon, false}));
    dialogs.emplace_back(new IconPickerDialog(nullptr, lists, 7, false));
    for (const auto& dialog : dialogs) {
      auto* bar = dialog->findChild<TitleBar*>();
      QVERIFY(bar);
      bar->resize(ScaleX(240), TitleBar::BarHeight());
      const QImage band = bar->grab().toImage();
      const QColor top = band.pixelColor(band.width() - 2, 0);
      const QColor bottom = band.pixelColor(band.width() - 2, band.height() - 2);  // the last line separates
      const QString name = dialog->objectName() + QString::number(dialog->TemplateId());
      QVERIFY2(top.red() > 150 && top.blue() < 40, qPrintable(name));
      QVERIFY2(bottom.blue() > 40 && bottom.red() < 40, qPrintable(name));
    }
    // One of them whole, as the user sees it.
    tb::ui::ModalDialog& manager = *dialogs[2];
    manager.show();
    QVERIFY(QTest::qWaitForWindowExposed(&manager));
    QVERIFY(GrabToPng(&manager, ShotPath("wallets-manager-bar-colours")));
    SetProgramSettings(nullptr);
    auto* plain = MakeTitleBand(nullptr, "plain");
    plain->resize(ScaleX(240), TitleBar::BarHeight());
    const QImage band = plain->grab().toImage();
    QCOMPARE(band.pixelColor(band.width() - 2, 0),
             TitleBar::GradientRow(tb::shell::Settings().colorBarStart, tb::shell::Settings().colorBarEnd, 0, 1));
    delete plain;
  }

  void walletsManagerFonts() {
    WalletsManagerDialog dialog(nullptr, WalletsManagerInputs{});
    const QFont* dialogFont = FontService::Font(kFont8HalfBold);
    const QFont* listFont = FontService::Font(kFont9Bold);
    QVERIFY(dialogFont && listFont);
    QCOMPARE(dialog.font(), *dialogFont);
    QCOMPARE(FindControl<QListWidget>(&dialog, kWalletsListId)->font(), *listFont);
  }

  void filePickerListsEachFileOnceAndReturnsItsPath() {
    TempDir docs, card;
    WriteFile(docs.File("Notes.txt"));
    WriteFile(docs.File("Other.tbx"));
    WriteFile(card.File("Trip.TXT"));
    ScopedDocumentPlaces places(DocumentPlaces{docs.Path(), {card.Path(), card.Path()}});
    FilePickerOptions options{25015, "*.txt", kTextEditorIcon, true};
    FilePickerDialog dialog(nullptr, options);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(Rows(dialog.List()), (QStringList{"Notes", "Trip"}));
    QVERIFY(GrabToPng(&dialog, ShotPath("file-picker")));
    dialog.List()->clearSelection();
    dialog.Dispatch(kCmdDone);  // nothing selected: nothing happens
    QVERIFY(dialog.isVisible());
    dialog.List()->setCurrentRow(1);
    dialog.Dispatch(kCmdDone);
    QCOMPARE(dialog.result(), kResultOk);
    QCOMPARE(dialog.ChosenPath(), card.File("Trip.TXT"));
    QCOMPARE(FilterExtensions("*.jpg;*.bmp;*.gif"), (std::vector<std::string>{"jpg", "bmp", "gif"}));
  }
};

TB_QT_TEST(PickersTest)
#include "pickers_test.moc"
