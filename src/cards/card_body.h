#pragma once
// The card window's body and the scrolling surface inside it. The body
// hosts one presenter at a time (the view, the editor, the form
// designer), takes every key and routes commands and the window's private
// messages to it; the list draws through the presenter and scrolls.
#include <QAbstractScrollArea>
#include <QEvent>
#include <QPixmap>
#include <QWidget>

#include <memory>

class QMenu;
class QPainter;

namespace tb::storage {
struct Card;
struct Field;
}  // namespace tb::storage

namespace tb::cards {

class CardBody;
class EditorControls;

inline constexpr int kModeView = 0;
inline constexpr int kModeEdit = 1;
inline constexpr int kModeDesign = 2;

// Messages to the body.
inline constexpr QEvent::Type kMsgSetMode = QEvent::Type(2674);     // wParam mode, lParam field index
inline constexpr QEvent::Type kMsgEndEditing = QEvent::Type(2675);  // wParam 1: the window is cancelled
inline constexpr QEvent::Type kMsgNextLine = QEvent::Type(2677);
inline constexpr QEvent::Type kMsgPreviousLine = QEvent::Type(2678);
inline constexpr QEvent::Type kMsgRebuildView = QEvent::Type(2679);
inline constexpr QEvent::Type kMsgDesignerFieldKind = QEvent::Type(2680);  // result: the kind

// The commands the body routes by mode.
inline constexpr int kFirstBodyCommand = 836;
inline constexpr int kLastBodyCommand = 862;
// "Generate Password..." of the edit mode's Menu, outside the range: the
// window hands it to the editor itself.
inline constexpr int kCmdGeneratePassword = 878;

// What the body and its presenters need of the card window.
class CardHost {
 public:
  virtual ~CardHost() = default;
  virtual bool Smartphone() const = 0;
  virtual EditorControls* Controls() = 0;
  // Escape reached the body (Cancel, or Done for Smartphone's Back in view mode).
  virtual void BodyEscape() = 0;
  // A line of the view copied: clipboard and the information beep.
  virtual void CopyLine(const QString& text) = 0;
  // A command for the window that owns the card window (Properties).
  virtual void OwnerCommand(int command) = 0;
  // Runs a popup at a screen point; the chosen command, or 0.
  virtual int RunPopup(QMenu& menu, const QPoint& globalPoint) = 0;
  // The "..." button of a text line: the long text for the field's label,
  // true with the new text when it changed.
  virtual bool EditLongText(const QString& title, const QString& text, QString* changed) = 0;
  // The choices of a selection field; true when they were replaced.
  virtual bool EditSelectionField(storage::Field& field) = 0;
  // "Generate Password...": true with the value to put into the field.
  virtual bool GeneratePassword(QString* value) = 0;
};

// One mode's view of the card, drawn on the list.
class CardPresenter {
 public:
  virtual ~CardPresenter() = default;
  // Paints the list's client area (the scroll position is the list's).
  virtual void Paint(QPainter& painter, const QRect& client) = 0;
  // A tap at a point of the list's client area.
  virtual void Tap(const QPoint& point) = 0;
  virtual void NextLine() = 0;
  virtual void PreviousLine() = 0;
  // Stores the loaded line; unless cancelling, starts over on the first line.
  virtual void EndEditing(bool cancelling) {}
  virtual int ContentHeight() const = 0;
  // One step of the scroll bar's arrows.
  virtual int LineHeight() const = 0;
  // The list changed its size.
  virtual void Resized() {}
  // The list scrolled; controls over lines follow.
  virtual void Scrolled() {}
  // A command 836..862 of the presenter's mode; false when it has none.
  virtual bool RunCommand(int command) { return false; }
  virtual void Enter() {}
  virtual void ContextMenu(const QPoint& point) {}
  // The designer's kind of its loaded field; 0 elsewhere.
  virtual int LoadedFieldKind() const { return 0; }
  // Whether the body takes the focus back after a tap.
  virtual bool FocusBodyAfterTap() const { return true; }
};

// The scrolling surface ("Qz_VIRTUAL_LIST_CE_2.1").
class CardList : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CardList(CardBody* body);

  void SetPresenter(CardPresenter* presenter) { presenter_ = presenter; }
  int ScrollPosition() const;
  // Sets the position (kept within the range) and repaints.
  void ScrollTo(int position);
  // The range for content of this height: a bar only when it does not fit.
  void SetContentHeight(int height);
  int ClientHeight() const;
  int ClientWidth() const;
  // The width of a vertical scroll bar, shown or not.
  int ScrollBarWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnScrollAction(int action);

  CardBody* body_;
  CardPresenter* presenter_ = nullptr;
  QPixmap buffer_;
  int before_ = 0;  // position before the scroll bar's action
};

// The body ("Qz_LISTUI_CE_2.1").
class CardBody : public QWidget {
  Q_OBJECT

 public:
  CardBody(QWidget* parent, CardHost& host, storage::Card& card, int* currentField);
  ~CardBody() override;

  int Mode() const { return mode_; }
  CardList* List() const { return list_; }
  CardPresenter* Presenter() const { return presenter_.get(); }
  storage::Card& Card() { return card_; }
  CardHost& Host() { return host_; }
  int* CurrentField() const { return currentField_; }

  // A command 836..862: routed by mode; false when nobody took it.
  bool RouteCommand(int command);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override { return false; }
  void resizeEvent(QResizeEvent* event) override;

  // The presenter of a mode; the editor starts on fieldIndex only when
  // entered from the view.
  virtual std::unique_ptr<CardPresenter> MakePresenter(int mode, int fieldIndex, int previousMode);

 private:
  void SetMode(int mode, int fieldIndex);

  CardHost& host_;
  storage::Card& card_;
  int* currentField_;
  CardList* list_ = nullptr;
  std::unique_ptr<CardPresenter> presenter_;
  int mode_ = -1;
};

}  // namespace tb::cards
