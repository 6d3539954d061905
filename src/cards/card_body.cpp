#include "cards/card_body.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "cards/card_editor.h"
#include "cards/card_viewer.h"
#include "cards/form_designer.h"
#include "platform/ui/private_messages.h"
#include "storage/card.h"

namespace tb::cards {

// --- CardList ---

CardList::CardList(CardBody* body) : QAbstractScrollArea(body), body_(body) {
  setObjectName(QStringLiteral("Qz_VIRTUAL_LIST_CE_2.1"));
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFocusPolicy(Qt::NoFocus);
  viewport()->setFocusPolicy(Qt::NoFocus);
  viewport()->setCursor(Qt::ArrowCursor);
  // Painting covers every pixel: nothing is erased first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &CardList::OnScrollAction);
}

int CardList::ScrollPosition() const { return verticalScrollBar()->value(); }

void CardList::ScrollTo(int position) {
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(std::clamp(position, 0, bar->maximum()));
  viewport()->update();
}

void CardList::SetContentHeight(int height) {
  QScrollBar* bar = verticalScrollBar();
  const int page = std::max(1, viewport()->height());
  if (height > page) {
    bar->setRange(0, height - page);
    bar->setPageStep(page);
  } else {
    bar->setRange(0, 0);
  }
  if (presenter_) bar->setSingleStep(std::max(1, presenter_->LineHeight()));
}

int CardList::ClientHeight() const { return viewport()->height(); }
int CardList::ClientWidth() const { return viewport()->width(); }
int CardList::ScrollBarWidth() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this); }

void CardList::OnScrollAction(int action) {
  QScrollBar* bar = verticalScrollBar();
  const int now = bar->value();
  // Line up moves only from a whole line height down; a smaller offset
  // stays as it is (page up still reaches the top).
  if (action == QAbstractSlider::SliderSingleStepSub && presenter_ && now < presenter_->LineHeight())
    bar->setSliderPosition(now);
}

void CardList::scrollContentsBy(int, int) {
  if (presenter_) presenter_->Scrolled();
  viewport()->update();
}

void CardList::paintEvent(QPaintEvent*) {
  const QSize size = viewport()->size();
  if (size.isEmpty()) return;
  const qreal ratio = viewport()->devicePixelRatioF();
  if (buffer_.size() != size * ratio) {
    buffer_ = QPixmap(size * ratio);
    buffer_.setDevicePixelRatio(ratio);
  }
  {
    QPainter painter(&buffer_);
    if (presenter_) presenter_->Paint(painter, QRect(QPoint(0, 0), size));
    else painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  }
  QPainter out(viewport());
  out.drawPixmap(0, 0, buffer_);
}

void CardList::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (!presenter_) return;
  presenter_->Tap(event->position().toPoint());
  if (presenter_ && presenter_->FocusBodyAfterTap()) body_->setFocus(Qt::MouseFocusReason);
}

void CardList::contextMenuEvent(QContextMenuEvent* event) {
  if (presenter_ && body_->Mode() == kModeView) presenter_->ContextMenu(event->pos());
}

void CardList::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (presenter_) {
    presenter_->Resized();
    SetContentHeight(presenter_->ContentHeight());
  }
}

void CardList::keyPressEvent(QKeyEvent* event) { event->ignore(); }

// --- CardBody ---

CardBody::CardBody(QWidget* parent, CardHost& host, storage::Card& card, int* currentField)
    : QWidget(parent), host_(host), card_(card), currentField_(currentField) {
  setObjectName(QStringLiteral("Qz_LISTUI_CE_2.1"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_KeyCompression, false);
  list_ = new CardList(this);
  list_->setGeometry(rect());
}

CardBody::~CardBody() {
  list_->SetPresenter(nullptr);
  presenter_.reset();
}

std::unique_ptr<CardPresenter> CardBody::MakePresenter(int mode, int fieldIndex, int previousMode) {
  switch (mode) {
    case kModeView: return std::make_unique<CardViewer>(*this);
    case kModeEdit: return std::make_unique<CardEditor>(*this, previousMode == kModeView ? fieldIndex : -1);
    case kModeDesign: return std::make_unique<FormDesigner>(*this);
    default: return nullptr;
  }
}

void CardBody::SetMode(int mode, int fieldIndex) {
  const int previous = mode_;
  list_->SetPresenter(nullptr);
  presenter_.reset();
  mode_ = mode;
  presenter_ = MakePresenter(mode, fieldIndex, previous);
  list_->SetPresenter(presenter_.get());
  list_->SetContentHeight(presenter_ ? presenter_->ContentHeight() : 0);
  list_->viewport()->update();
}

bool CardBody::RouteCommand(int command) {
  if (command < kFirstBodyCommand || command > kLastBodyCommand || !presenter_) return false;
  return presenter_->RunCommand(command);
}

bool CardBody::event(QEvent* event) {
  const int type = int(event->type());
  if (type < int(kMsgSetMode) || type > int(kMsgDesignerFieldKind)) return QWidget::event(event);
  auto* message = static_cast<ui::PrivateMessage*>(event);
  switch (type) {
    case kMsgSetMode: SetMode(int(message->WParam()), int(message->LParam())); return true;
    case kMsgEndEditing:
      if (presenter_ && mode_ != kModeView) presenter_->EndEditing(message->WParam() == 1);
      return true;
    case kMsgNextLine:
      if (presenter_) presenter_->NextLine();
      return true;
    case kMsgPreviousLine:
      if (presenter_) presenter_->PreviousLine();
      return true;
    case kMsgRebuildView:
      if (presenter_ && mode_ == kModeView) {
        static_cast<CardViewer*>(presenter_.get())->Build();
        list_->SetContentHeight(presenter_->ContentHeight());
        list_->viewport()->update();
      }
      return true;
    case kMsgDesignerFieldKind:
      message->SetResult(presenter_ && mode_ == kModeDesign ? presenter_->LoadedFieldKind() : 0);
      return true;
    default: return QWidget::event(event);
  }
}

void CardBody::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Down:
      if (presenter_) presenter_->NextLine();
      break;
    case Qt::Key_Backtab:
    case Qt::Key_Up:
      if (presenter_) presenter_->PreviousLine();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (presenter_ && mode_ == kModeView) presenter_->Enter();
      break;
    case Qt::Key_Escape: host_.BodyEscape(); break;
    default:
      // Every other key stays here: nothing reaches the dialog's own
      // handling (Escape's reject, Enter's default button).
      break;
  }
  event->accept();
}

void CardBody::resizeEvent(QResizeEvent*) { list_->setGeometry(rect()); }

}  // namespace tb::cards
