#include "cards/card_window.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "cards/attachments.h"
#include "cards/attachments_dialog.h"
#include "cards/card_editor.h"
#include "cards/card_images.h"
#include "cards/card_viewer.h"
#include "cards/display_dialogs.h"
#include "cards/editor_controls.h"
#include "cards/form_designer.h"
#include "cards/image_dialog.h"
#include "cards/long_text_editor.h"
#include "cards/selection_field_dialog.h"
#include "cards/sound_dialog.h"
#include "dialogs/dialog_style.h"
#include "dialogs/generator_dialog.h"
#include "dialogs/icon_picker_dialog.h"
#include "dialogs/title_bar.h"
#include "platform/ui/activity_clock.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/command_target.h"
#include "platform/ui/dpi.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/sound_player.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"
#include "storage/card.h"

namespace tb::cards {
namespace {

constexpr uint32_t kStrDiscardChanges = 25900;
constexpr uint32_t kStrDeleteCard = 22003;
constexpr uint32_t kStrConfirm = 20504;
constexpr uint32_t kStrFormDesign = 24006;

QString NameOf(const storage::Card& card) {
  const storage::Text name = card.record.Name();
  return ui::ToQString(std::u16string_view(name.data(), name.size()));
}

}  // namespace

CardWindow::CardWindow(QWidget* owner, storage::Card& card, const CardWindowSetup& setup)
    : ModalDialog(owner, kCardWindowTemplate), card_(card), setup_(setup) {
  setObjectName(QStringLiteral("Card104"));
  QVBoxLayout* column = nullptr;
  title_ = dialogs::AddTitleBarColumn(ModalDialog::Body(), *setup_.settings, &column);
  body_ = new CardBody(ModalDialog::Body(), *this, card_, &currentField_);
  column->addWidget(body_, 1);
  // The editing controls lie over the list's lines.
  controls_ = new EditorControls(body_->List()->viewport(), setup_.smartphone);
  if (!parentWidget()) dialogs::SizeLikeMainWindow(this);
  SetFullScreen(true);
  informationBeep = [] { QApplication::beep(); };
  selectionFieldEditor = [this](storage::Field& field) {
    return RunSelectionFieldEditor(this, *setup_.settings, field);
  };
  OpenedCopies::Instance().Clear();
  SwitchMode(setup_.startInEdit ? kModeEdit : kModeView, -1);
  // The sound plays when the card opens for reading, not when it opens
  // for editing nor when it returns to view mode later.
  ui::SoundPlayer& player = ui::CurrentSoundPlayer();
  player.Stop();
  if (!setup_.startInEdit && card_.sound && !card_.sound->bytes.empty() && card_.sound->play != 0)
    player.Play(card_.sound->bytes.data(), card_.sound->bytes.size());
}

CardWindow::~CardWindow() {
  if (outcome_ < 0) ui::CurrentSoundPlayer().Stop();
  // The presenters go before the controls they use.
  delete body_;
  body_ = nullptr;
}

CardViewer* CardWindow::Viewer() const {
  return body_ && body_->Mode() == kModeView ? static_cast<CardViewer*>(body_->Presenter()) : nullptr;
}

CardEditor* CardWindow::Editor() const {
  return body_ && body_->Mode() == kModeEdit ? static_cast<CardEditor*>(body_->Presenter()) : nullptr;
}

FormDesigner* CardWindow::Designer() const {
  return body_ && body_->Mode() == kModeDesign ? static_cast<FormDesigner*>(body_->Presenter()) : nullptr;
}

void CardWindow::ShowTitle(int mode) {
  QString name = NameOf(card_);
  if (mode == kModeDesign) name = QStringLiteral("%1: %2").arg(ui::Text(kStrFormDesign), name);
  const int32_t icon = card_.record.Icon();
  if (icon == dialogs::kTitleOwnIcons) {
    const std::vector<uint8_t> picture = card_.record.IconPicture();
    title_->SetContent(name, dialogs::kTitleOwnIcons, nullptr, picture);
  } else {
    title_->SetContent(name, icon + ui::kFirstBuiltInImage, &setup_.icons->Small());
  }
}

void CardWindow::SetBar(int mode) {
  const bool icons = setup_.settings->menusExpanded != 0 && !setup_.smartphone;
  int bar = 0;
  switch (mode) {
    case kModeView: bar = icons ? kBarCardViewIcons : kBarCardView; break;
    case kModeEdit: bar = icons ? kBarCardEditIcons : kBarCardEdit; break;
    default: bar = icons ? kBarCardDesignIcons : kBarCardDesign; break;
  }
  if (!SetMenuBar(bar)) return;
  // The icon buttons show pictures of the strip at this density.
  const int strip = StripBitmap(ui::DpiX());
  for (QToolButton* button : MenuBar()->IconButtons()) {
    const QImage image = StripImage(strip, button->property("image").toInt());
    if (image.isNull()) continue;
    button->setIcon(QIcon(QPixmap::fromImage(image)));
    button->setIconSize(image.size());
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->show();  // at once, not when the bar's layout gets round to it
  }
}

void CardWindow::SwitchMode(int mode, int fieldIndex) {
  controls_->HideAll();
  SetBar(mode);
  if (mode == kModeEdit) {
    title_->hide();
  } else {
    ShowTitle(mode);
    title_->show();
  }
  // The body takes its new place before the presenter lays its lines out.
  if (QLayout* layout = ModalDialog::Body()->layout()) layout->activate();
  ui::SendPrivateMessage(body_, kMsgSetMode, mode, fieldIndex);
  if (mode == kModeView) body_->setFocus(Qt::OtherFocusReason);
  body_->List()->viewport()->update();
}

void CardWindow::EndEditing(bool cancelling) { ui::SendPrivateMessage(body_, kMsgEndEditing, cancelling ? 1 : 0); }

void CardWindow::EndWith(int outcome) {
  outcome_ = outcome;
  OpenedCopies::Instance().OfferDeletion(this);
  ui::CurrentSoundPlayer().Stop();
  controls_->HideAll();
  if (setup_.notify) ui::PostPrivateMessage(setup_.notify, setup_.message, outcome);
  EndDialog(outcome);
}

void CardWindow::Done() {
  switch (Mode()) {
    case kModeView: EndWith(card_.Modified() ? kOutcomeStore : kOutcomeNothing); return;
    case kModeEdit:
      EndEditing(false);
      SwitchMode(kModeView, -1);
      return;
    default:
      EndEditing(false);
      SwitchMode(kModeEdit, -1);
      return;
  }
}

storage::Answer CardWindow::Ask(uint32_t text, storage::MessageIcon icon) {
  questionOpen_ = true;
  questionEnded_ = false;
  const storage::Answer answer = ui::ShowMessage(this, text, kStrConfirm, icon, storage::Buttons::YesNo);
  questionOpen_ = false;
  // A question ended from outside has no answer.
  return questionEnded_ ? storage::Answer::No : answer;
}

void CardWindow::EndQuestion() {
  if (!questionOpen_) return;
  questionEnded_ = true;
  for (QMessageBox* box : findChildren<QMessageBox*>()) box->done(QMessageBox::No);
}

void CardWindow::Cancel() {
  EndEditing(true);
  if (card_.Modified() && Ask(kStrDiscardChanges, storage::MessageIcon::Question) != storage::Answer::Yes) {
    if (programClose_) FinishProgramClose();
    else if (doneAfterQuestion_) Done();
    doneAfterQuestion_ = false;
    return;
  }
  if (programClose_) {
    FinishProgramClose();
    return;
  }
  EndWith(kOutcomeNothing);
}

void CardWindow::AskDelete() {
  const storage::Answer answer = Ask(kStrDeleteCard, storage::MessageIcon::Warning);
  if (programClose_) {
    FinishProgramClose();
    return;
  }
  if (doneAfterQuestion_) {
    doneAfterQuestion_ = false;
    Done();
    return;
  }
  if (answer == storage::Answer::Yes) EndWith(kOutcomeDelete);
}

void CardWindow::ChangeIcon() {
  ui::ActivityClock::Record();
  if (!setup_.wallet) return;
  if (dialogs::RunRecordIcon(this, *setup_.wallet, *setup_.icons, card_.record, setup_.smartphone)) ShowTitle(Mode());
}

void CardWindow::ChangeTextColours() {
  if (!RunCardTextColors(this, *setup_.settings, card_.attributes)) return;
  card_.changed = true;
  ui::SendPrivateMessage(body_, kMsgRebuildView, 0);
}

void CardWindow::Dispatch(int commandId) {
  if (outcome_ >= 0) return;  // closed already
  const int mode = Mode();
  switch (commandId) {
    case kCmdCardDone:
    case ui::kCmdOk: Done(); return;
    case kCmdCardCancel:
    case ui::kCmdCancel: Cancel(); return;
    case kCmdDeleteCard:
      if (mode == kModeView) AskDelete();
      return;
    case kCmdEditCard:
      if (mode == kModeView) {
        EndEditing(false);
        SwitchMode(kModeEdit, currentField_);
      }
      return;
    case kCmdCardIcon:
      if (mode == kModeView) ChangeIcon();
      return;
    case kCmdDots:
      ui::ActivityClock::Record();
      if (mode == kModeEdit && body_->Presenter()) body_->Presenter()->RunCommand(kCmdDots);
      return;
    case kCmdTextColors:
      ui::ActivityClock::Record();
      if (mode == kModeView) ChangeTextColours();
      return;
    case kCmdSound:
      ui::ActivityClock::Record();
      if (mode == kModeView) RunSoundDialog(this, *setup_.settings, card_);
      return;
    case kCmdBackground:
      ui::ActivityClock::Record();
      if (mode == kModeView) {
        RunImageDialog(this, *setup_.settings, card_);
        ui::SendPrivateMessage(body_, kMsgRebuildView, 0);
      }
      return;
    case kCmdAttachments:
      ui::ActivityClock::Record();
      if (mode == kModeView) {
        RunAttachmentsDialog(this, *setup_.settings, card_);
        ui::SendPrivateMessage(body_, kMsgRebuildView, 0);
      }
      return;
    case kCmdGeneratePassword:
      ui::ActivityClock::Record();
      if (mode == kModeEdit && body_->Presenter()) body_->Presenter()->RunCommand(kCmdGeneratePassword);
      return;
    case kCmdFormDesign:
      if (mode == kModeEdit) {
        EndEditing(false);
        SwitchMode(kModeDesign, -1);
      }
      return;
    default: body_->RouteCommand(commandId); return;
  }
}

void CardWindow::OnInitMenuPopup(QMenu* menu) {
  const int mode = Mode();
  for (QAction* action : menu->actions()) {
    const int command = action->data().toInt();
    switch (command) {
      case kCmdCopyText: action->setEnabled(mode == kModeView && Viewer() && Viewer()->Selected() >= 0); break;
      case kCmdCut:
      case kCmdCopy:
      case kCmdPaste:
      case kCmdClear:
      case kCmdSelectAll: action->setEnabled(mode == kModeEdit && controls_->CanRun(command)); break;
      case kCmdGeneratePassword: action->setEnabled(mode == kModeEdit && Editor() && Editor()->OnPasswordLine()); break;
      case kCmdEditSelectionField:
        action->setEnabled(ui::SendPrivateMessage(body_, kMsgDesignerFieldKind) == 12);
        break;
      default: break;
    }
  }
}

void CardWindow::reject() { Dispatch(kCmdCardCancel); }

void CardWindow::CloseByProgram() {
  if (outcome_ >= 0) return;
  programClose_ = true;
  if (questionOpen_) {
    // The question's caller finishes the close once its box is gone.
    EndQuestion();
    return;
  }
  FinishProgramClose();
}

void CardWindow::FinishProgramClose() {
  if (outcome_ >= 0) return;
  EndEditing(true);
  EndWith(card_.Modified() ? kOutcomeStore : kOutcomeNothing);
}

void CardWindow::BodyEscape() {
  if (!setup_.smartphone) {
    Dispatch(kCmdCardCancel);
    return;
  }
  // Smartphone's Back: Done in view mode; the editing controls take it in edit mode.
  if (Mode() == kModeView) Dispatch(kCmdCardDone);
}

void CardWindow::CopyLine(const QString& text) {
  ui::ClipboardService* clipboard = ui::ClipboardService::Instance();
  if (clipboard && clipboard->CopySecret(text, true) && informationBeep) informationBeep();
}

void CardWindow::OwnerCommand(int command) {
  if (ownerCommand) {
    ownerCommand(command);
    return;
  }
  if (auto* target = dynamic_cast<ui::CommandTarget*>(parentWidget() ? parentWidget()->window() : nullptr))
    target->Dispatch(command);
}

int CardWindow::RunPopup(QMenu& menu, const QPoint& globalPoint) {
  if (runPopup) return runPopup(menu, globalPoint);
  QAction* chosen = menu.exec(globalPoint);
  return chosen ? chosen->data().toInt() : 0;
}

bool CardWindow::EditSelectionField(storage::Field& field) {
  return selectionFieldEditor && selectionFieldEditor(field);
}

bool CardWindow::GeneratePassword(QString* value) {
  if (passwordGenerator) return passwordGenerator(value);
  std::optional<QString> generated = dialogs::RunGeneratorDialog(this, *setup_.settings);
  if (!generated) return false;
  *value = *generated;
  return true;
}

bool CardWindow::EditLongText(const QString& title, const QString& text, QString* changed) {
  if (longTextEditor) return longTextEditor(title, text, changed);
  return cards::EditLongText(this, *setup_.settings, setup_.smartphone, title, text, changed);
}

bool CardWindow::event(QEvent* event) {
  if (event->type() == kMsgCloseRequest) {
    if (questionOpen_) {
      // The delete question ends without deleting; then Done.
      doneAfterQuestion_ = true;
      EndQuestion();
    } else {
      Dispatch(kCmdCardDone);
    }
    return true;
  }
  return ModalDialog::event(event);
}

void CardWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      // Never the dialog's own reject: Escape is Cancel or Back.
      BodyEscape();
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter: event->accept(); return;
    default: ModalDialog::keyPressEvent(event);
  }
}

}  // namespace tb::cards
