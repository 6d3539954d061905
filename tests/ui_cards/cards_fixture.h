#pragma once
// What the card window tests share: a card read back from a wallet file
// (so that nothing counts as changed yet), the English texts, settings of
// either variant at a chosen density, and the window made over them with
// its seams recorded.
#include <QApplication>
#include <QMenu>
#include <QTest>

#include <memory>
#include <vector>

#include "cards/card_body.h"
#include "cards/card_editor.h"
#include "cards/card_viewer.h"
#include "cards/card_window.h"
#include "cards/editor_controls.h"
#include "platform/core/system.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"
#include "storage/card.h"
#include "support/wallet_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"

namespace tb::cards::test {

using tb::test::FieldSpec;

struct CardFixture {
  explicit CardFixture(bool smartphone = false, int dpi = 96)
      : scopedDpi(dpi), settings(tb::dialogs::test::SettingsFor(smartphone)), icons(dpi), smartphone(smartphone) {
    tb::ui::SetTextSource(&tb::dialogs::test::English());
    // Fonts are made at the density of their first use.
    tb::ui::FontService::Init(true, 0);
  }
  ~CardFixture() {
    window.reset();
    tb::ui::SetTextSource(nullptr);
  }

  // The card as stored and read back: nothing in it counts as changed.
  storage::Card& Stored(std::u16string_view name, const std::vector<FieldSpec>& fields, int32_t icon = 0) {
    const int position = file.AddCard({}, name, fields, icon);
    file.wallet().LoadCard(file.IdAt(position), &card);
    return card;
  }
  // A card made in memory (as a new card is): it counts as changed.
  storage::Card& Fresh(std::u16string_view name, const std::vector<FieldSpec>& fields) {
    card = file.MakeCard({}, name, fields);
    return card;
  }

  CardWindow& Open(bool startInEdit = false) {
    CardWindowSetup setup;
    setup.settings = &settings;
    setup.icons = &icons;
    setup.wallet = &file.wallet();
    setup.smartphone = smartphone;
    setup.startInEdit = startInEdit;
    window = std::make_unique<CardWindow>(nullptr, card, setup);
    window->informationBeep = [this] { ++beeps; };
    window->runPopup = [this](QMenu& menu, const QPoint&) {
      popups.push_back(Entries(menu));
      return popupAnswer;
    };
    window->ownerCommand = [this](int command) { ownerCommands.push_back(command); };
    window->resize(tb::ui::ScaleX(240), tb::ui::ScaleY(320));
    window->show();
    QTest::qWaitForWindowExposed(window.get());
    return *window;
  }

  static QStringList Entries(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions()) out << QString::number(a->data().toInt()) + ":" + a->text();
    return out;
  }

  CardViewer& Viewer() { return *window->Viewer(); }
  CardEditor& Editor() { return *window->Editor(); }
  CardList* List() { return window->CardBodyWidget()->List(); }
  EditorControls& Controls() { return *window->Controls(); }
  QWidget* Body() { return window->CardBodyWidget(); }
  // The index of the value line showing text, -1 when none does.
  int ItemOf(const QString& text) {
    const auto& items = Viewer().Items();
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].kind != ViewItem::kLabel && items[i].text == text) return int(i);
    return -1;
  }
  // A point inside item i of the view, in list coordinates.
  QPoint PointOf(int item) {
    return QPoint(List()->viewport()->width() / 2, Viewer().ItemTop(item) - List()->ScrollPosition() + 2);
  }
  void TapItem(int item) { QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, PointOf(item)); }

  tb::ui::ScopedDpi scopedDpi;
  tb::test::TestWallet file;
  tb::shell::Settings settings;
  tb::ui::IconLists icons;
  bool smartphone;
  tb::platform::ScopedDateTimeFormats formats{{u"dd.MM.yyyy", u"HH:mm"}};
  storage::Card card;
  std::unique_ptr<CardWindow> window;
  int beeps = 0;
  int popupAnswer = 0;
  std::vector<QStringList> popups;
  std::vector<int> ownerCommands;
};

}  // namespace tb::cards::test
