#pragma once
// The card window: one card, full screen, in view mode (reading, acting on
// links, copying lines), edit mode (the editor) or design mode (the form
// designer), with the menu bar of each mode. It works on the card it is given; when it closes it tells its
// owner what to do with it: 0 nothing, 3 store the card, 4 delete it.
//
// Closed by the program (the auto-close, later the session lock), it keeps
// what the user typed: a pending question is ended without its action, the
// line being edited is stored, and the card is handed back for storing
// when it was modified.
#include <QEvent>
#include <QPointer>

#include <functional>

#include "cards/card_body.h"
#include "platform/ui/modal_dialog.h"
#include "platform/ui/private_messages.h"
#include "storage/services.h"

class QMenu;

namespace tb::dialogs {
class TitleBar;
}
namespace tb::shell {
class Settings;
}
namespace tb::storage {
class Wallet;
}
namespace tb::ui {
class IconLists;
}

namespace tb::cards {

class CardEditor;
class CardViewer;
class FormDesigner;

inline constexpr int kCardWindowTemplate = 104;

// Menu bars: view, edit, and with "Expanded Menus" (Pocket PC) the bars
// with icon buttons.
inline constexpr int kBarCardView = 953;
inline constexpr int kBarCardEdit = 950;
inline constexpr int kBarCardDesign = 954;
inline constexpr int kBarCardViewIcons = 989;
inline constexpr int kBarCardEditIcons = 990;
inline constexpr int kBarCardDesignIcons = 988;

// Commands of the window.
inline constexpr int kCmdCardDone = 814;
inline constexpr int kCmdCardCancel = 809;
inline constexpr int kCmdDeleteCard = 805;
inline constexpr int kCmdEditCard = 820;
inline constexpr int kCmdFormDesign = 835;
inline constexpr int kCmdAttachments = 848;
inline constexpr int kCmdTextColors = 849;
inline constexpr int kCmdBackground = 850;
inline constexpr int kCmdSound = 851;
inline constexpr int kCmdCardIcon = 854;

// The close request: acts as Done.
inline constexpr QEvent::Type kMsgCloseRequest = QEvent::Type(2626);

// What the owner is told.
inline constexpr int kOutcomeNothing = 0;
inline constexpr int kOutcomeStore = 3;
inline constexpr int kOutcomeDelete = 4;

struct CardWindowSetup {
  shell::Settings* settings = nullptr;  // required
  ui::IconLists* icons = nullptr;       // required
  storage::Wallet* wallet = nullptr;    // for the icon picker; none: Icon does nothing
  bool smartphone = false;
  bool startInEdit = false;   // a new card: edit mode on the card name
  bool readOnly = false;      // carried; the window behaves the same
  QObject* notify = nullptr;  // gets message with the outcome as wParam
  QEvent::Type message = ui::kMsgUserActivity;
};

class CardWindow : public ui::ModalDialog, public CardHost {
  Q_OBJECT

 public:
  CardWindow(QWidget* owner, storage::Card& card, const CardWindowSetup& setup);
  ~CardWindow() override;

  storage::Card& Card() { return card_; }
  int Mode() const { return body_ ? body_->Mode() : -1; }
  int CurrentField() const { return currentField_; }
  // The outcome it closed with (-1 while open).
  int Outcome() const { return outcome_; }
  bool ReadOnly() const { return setup_.readOnly; }
  CardBody* CardBodyWidget() const { return body_; }
  dialogs::TitleBar* Title() const { return title_; }
  CardViewer* Viewer() const;
  CardEditor* Editor() const;
  FormDesigner* Designer() const;
  // Whether a question (delete, discard) is open.
  bool QuestionOpen() const { return questionOpen_; }

  // Enters mode m (0 view, 1 edit, 2 design) at a field (-1: the card name).
  void SwitchMode(int mode, int fieldIndex);

  void Dispatch(int commandId) override;
  void OnInitMenuPopup(QMenu* menu) override;
  // Escape and the window's close go the way of Cancel.
  void reject() override;

  // The program closes the window (auto-close, session lock): a pending
  // question ends without its action, the line being edited is stored,
  // and the outcome is 3 when the card was modified, else 0.
  Q_INVOKABLE void CloseByProgram();

  // --- seams (tests replace them) ---
  // The information sound after a copy.
  std::function<void()> informationBeep;
  // Runs a popup; the chosen command or 0. Default: the menu at the point.
  std::function<int(QMenu&, const QPoint&)> runPopup;
  // The long-text editor. Default: the real one.
  std::function<bool(const QString& title, const QString& text, QString* changed)> longTextEditor;
  // A command for the owner. Default: the owner window's Dispatch.
  std::function<void(int)> ownerCommand;
  // The selection field editor. Default: the real one.
  std::function<bool(storage::Field&)> selectionFieldEditor;
  // The password generator; true with the value taken. Default: the real one.
  std::function<bool(QString*)> passwordGenerator;

  // CardHost
  bool Smartphone() const override { return setup_.smartphone; }
  EditorControls* Controls() override { return controls_; }
  void BodyEscape() override;
  void CopyLine(const QString& text) override;
  void OwnerCommand(int command) override;
  int RunPopup(QMenu& menu, const QPoint& globalPoint) override;
  bool EditLongText(const QString& title, const QString& text, QString* changed) override;
  bool EditSelectionField(storage::Field& field) override;
  bool GeneratePassword(QString* value) override;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowTitle(int mode);
  void ChangeTextColours();
  void SetBar(int mode);
  void EndEditing(bool cancelling);
  void Done();
  void Cancel();
  void AskDelete();
  void ChangeIcon();
  // A question through the message-box seam; the window keeps painting.
  storage::Answer Ask(uint32_t text, storage::MessageIcon icon);
  // Ends an open question's box; its answer is then ignored.
  void EndQuestion();
  void FinishProgramClose();
  void EndWith(int outcome);

  storage::Card& card_;
  CardWindowSetup setup_;
  dialogs::TitleBar* title_ = nullptr;
  CardBody* body_ = nullptr;
  EditorControls* controls_ = nullptr;
  int currentField_ = -1;
  int outcome_ = -1;
  bool questionOpen_ = false;
  bool questionEnded_ = false;
  bool programClose_ = false;  // the program closes the window once the question is gone
  bool doneAfterQuestion_ = false;
};

}  // namespace tb::cards
