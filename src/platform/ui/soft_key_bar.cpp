#include "platform/ui/soft_key_bar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

#include "platform/ui/activity_clock.h"
#include "platform/ui/dpi.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/menu_keys.h"

namespace tb::ui {
namespace {

constexpr const char* kResourceText = "resourceText";

QString FromResource(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

QString ResourceText(const QObject* object) { return object->property(kResourceText).toString(); }

void LocaliseMenu(QMenu* menu) {
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) continue;
    const QVariant resource = action->property(kResourceText);
    // Items the window inserted itself carry their final text already.
    if (resource.isValid()) action->setText(LocaliseMenuText(resource.toString()));
  }
}

SoftKeyBar::SoftKeyBar(QWidget* parent, const MenuTables* tables)
    : QWidget(parent), tables_(tables ? tables : &MenuTables::Program()) {
  setObjectName(QStringLiteral("SoftKeyBar"));
  qRegisterMetaType<QMenu*>();  // popupAboutToShow may cross a queued connection
  setFixedHeight(BarHeight());
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  QPalette keyPalette = palette();
  keyPalette.setColor(QPalette::ButtonText, Qt::white);
  QFont keyFont = font();
  keyFont.setBold(true);
  // Pixel sizes follow the density the program lays out for (which tests
  // fix), not only the one the font system sees.
  keyFont.setPixelSize(ScaleY(12));
  for (int i = 0; i < 2; ++i) {
    keys_[i] = new QPushButton(this);
    keys_[i]->setObjectName(i == 0 ? QStringLiteral("LeftSoftKey") : QStringLiteral("RightSoftKey"));
    keys_[i]->setFlat(true);
    keys_[i]->setFocusPolicy(Qt::NoFocus);
    keys_[i]->setPalette(keyPalette);
    keys_[i]->setFont(keyFont);
    keys_[i]->setMinimumWidth(ScaleX(60));
    keys_[i]->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(keys_[i], &QPushButton::clicked, this, [this, i] { Press(i); });
  }
  iconBox_ = new QWidget(this);
  auto* iconLayout = new QHBoxLayout(iconBox_);
  iconLayout->setContentsMargins(0, 0, 0, 0);
  iconLayout->setSpacing(ScaleX(2));
  layout->addWidget(keys_[0], 1);
  layout->addWidget(iconBox_, 0);
  layout->addWidget(keys_[1], 1);

  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this, nullptr, nullptr, Qt::WindowShortcut);
  connect(f1, &QShortcut::activated, this, [this] { Press(0); });
  auto* f2 = new QShortcut(QKeySequence(Qt::Key_F2), this, nullptr, nullptr, Qt::WindowShortcut);
  connect(f2, &QShortcut::activated, this, [this] { Press(1); });
}

SoftKeyBar::~SoftKeyBar() = default;

int SoftKeyBar::BarHeight() { return ScaleY(26); }

void SoftKeyBar::SetTarget(CommandTarget* target, QObject* context) {
  connect(this, &SoftKeyBar::commandTriggered, context, [target](int id) { target->Dispatch(id); });
  connect(this, &SoftKeyBar::popupAboutToShow, context, [target](QMenu* menu) { target->OnInitMenuPopup(menu); });
}

void SoftKeyBar::Clear() {
  for (int i = 0; i < 2; ++i) {
    if (menus_[i]) menus_[i]->deleteLater();
    menus_[i] = nullptr;
    commands_[i] = 0;
    keys_[i]->setText(QString());
    keys_[i]->setProperty(kResourceText, QVariant());
    keys_[i]->hide();
  }
  qDeleteAll(icons_);
  icons_.clear();
  barId_ = 0;
}

bool SoftKeyBar::SetMenuBar(int id) {
  if (id == barId_ && id != 0) return true;
  const MenuBarDef* bar = tables_->Bar(id);
  if (!bar) return false;
  Clear();
  barId_ = id;
  for (size_t i = 0; i < bar->keys.size() && i < 2; ++i) {
    const MenuBarButton& key = bar->keys[i];
    const QString text = FromResource(key.text);
    keys_[i]->setProperty(kResourceText, text);
    keys_[i]->setText(LocaliseMenuText(text));
    keys_[i]->show();
    if (key.kind == MenuBarButton::Kind::Popup) {
      if (const MenuDef* menu = tables_->Menu(key.menu)) menus_[i] = BuildMenu(menu->entries, this);
    } else {
      commands_[i] = key.command;
    }
  }
  // A one-key bar keeps its key on the left; the right side stays empty.
  if (bar->keys.size() < 2) keys_[1]->hide();
  for (const MenuBarButton& icon : bar->icons) {
    auto* button = new QToolButton(iconBox_);
    const QString text = FromResource(icon.text);
    // The strip of icon pictures comes in two densities; the screen's picks.
    const int bitmap = IsMenuBarBitmap(icon.bitmap) ? MenuBarBitmapFor(DpiX()) : icon.bitmap;
    button->setProperty(kResourceText, text);
    button->setProperty("bitmap", bitmap);
    button->setProperty("image", icon.image);
    button->setToolTip(LocaliseMenuText(text));
    button->setText(LocaliseMenuText(text));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    auto* action = new QAction(LocaliseMenuText(text), button);
    const QImage picture = MenuBarBitmapPicture(bitmap, icon.image);
    if (!picture.isNull()) {
      action->setIcon(QIcon(QPixmap::fromImage(picture)));
      button->setIconSize(QSize(ScaleX(16), ScaleY(16)));
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    action->setData(icon.command);
    action->setProperty(kResourceText, text);
    button->setDefaultAction(action);
    connect(action, &QAction::triggered, this, [this, command = icon.command] {
      ActivityClock::Record();
      emit commandTriggered(command);
    });
    iconBox_->layout()->addWidget(button);
    icons_.push_back(button);
  }
  return true;
}

void AddMenuEntries(QMenu* menu, const std::vector<MenuEntry>& entries) {
  for (const MenuEntry& entry : entries) {
    switch (entry.kind) {
      case MenuEntry::Kind::Separator: menu->addSeparator(); break;
      case MenuEntry::Kind::Submenu: {
        auto* sub = new QMenu(menu);
        AddMenuEntries(sub, entry.children);
        const QString text = FromResource(entry.text);
        sub->setTitle(text);
        sub->menuAction()->setProperty(kResourceText, text);
        menu->addMenu(sub);
        break;
      }
      case MenuEntry::Kind::Command:
      case MenuEntry::Kind::Check: {
        const QString text = FromResource(entry.text);
        QAction* action = menu->addAction(text);
        action->setData(entry.command);
        action->setProperty(kResourceText, text);
        action->setCheckable(entry.kind == MenuEntry::Kind::Check);
        break;
      }
    }
  }
}

QMenu* SoftKeyBar::BuildMenu(const std::vector<MenuEntry>& entries, QWidget* parent) {
  auto* menu = new QMenu(parent);
  AddMenuEntries(menu, entries);
  QList<QMenu*> pending{menu};
  while (!pending.isEmpty()) {
    QMenu* at = pending.takeFirst();
    connect(at, &QMenu::aboutToShow, this, [this, at] { OnMenuAboutToShow(at); });
    for (QAction* action : at->actions()) {
      if (action->menu()) {
        pending.push_back(action->menu());
      } else if (!action->isSeparator()) {
        connect(action, &QAction::triggered, this, [this, action] {
          ActivityClock::Record();
          emit commandTriggered(action->data().toInt());
        });
      }
    }
  }
  return menu;
}

void SoftKeyBar::OnMenuAboutToShow(QMenu* menu) {
  ActivityClock::Record();
  emit popupAboutToShow(menu);
  LocaliseMenu(menu);
}

QAction* SoftKeyBar::FindAction(int commandId) const {
  QList<QMenu*> pending;
  for (QMenu* menu : menus_) {
    if (menu) pending.push_back(menu);
  }
  while (!pending.isEmpty()) {
    QMenu* menu = pending.takeFirst();
    for (QAction* action : menu->actions()) {
      if (action->menu()) {
        pending.push_back(action->menu());
      } else if (!action->isSeparator() && action->data().toInt() == commandId) {
        return action;
      }
    }
  }
  for (QToolButton* button : icons_) {
    if (button->defaultAction()->data().toInt() == commandId) return button->defaultAction();
  }
  return nullptr;
}

void SoftKeyBar::Press(int key) {
  if (keys_[key]->isHidden() || !keys_[key]->isEnabled()) return;
  if (QMenu* menu = menus_[key]) {
    const QSize size = menu->sizeHint();
    const int x = key == 0 ? 0 : width() - size.width();
    menu->popup(mapToGlobal(QPoint(x, -size.height())));
    return;
  }
  if (commands_[key] != 0) {
    ActivityClock::Record();
    emit commandTriggered(commands_[key]);
  }
}

void SoftKeyBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0, QColor(74, 104, 156));
  gradient.setColorAt(1, QColor(29, 52, 97));
  painter.fillRect(rect(), gradient);
  painter.setPen(QColor(59, 97, 156));
  painter.drawLine(0, 0, width(), 0);
}

}  // namespace tb::ui
