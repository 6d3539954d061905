#include "cards/long_text_editor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/core/system.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"

namespace tb::cards {
namespace {

constexpr int kCmdCut = 844, kCmdCopy = 843, kCmdPaste = 845, kCmdClear = 846, kCmdSelectAll = 852;
constexpr int kZoomLevels = 5;
constexpr int kZoomPoints[kZoomLevels] = {8, 9, 11, 13, 16};

// The time format without its seconds (and the separator before them).
std::u16string TimeWithoutSeconds() {
  QString picture = ui::ToQString(tb::platform::UserDateTimeFormats().time);
  picture.remove(QRegularExpression(QStringLiteral("[^hHmst' ]?s{1,2}")));
  return ui::ToU16(picture);
}

}  // namespace

int NoteZoomFont(uint32_t level) {
  switch (level) {
    case 0: return 0;
    case 2: return 3;
    case 3:
    case 4: return 5;
    default: return 1;
  }
}

int ZoomPointSize(int level) { return level >= 0 && level < kZoomLevels ? kZoomPoints[level] : 9; }

LongTextEditor::LongTextEditor(QWidget* owner, shell::Settings& settings, const QString& title, const QString& text)
    : ModalDialog(owner, kLongTextTemplate), settings_(settings) {
  setObjectName(QStringLiteral("Notes"));
  QVBoxLayout* column = nullptr;
  dialogs::TitleBar* bar = dialogs::AddTitleBarColumn(Body(), settings, &column);
  bar->SetContent(title, kLongTextIcon);
  edit_ = new QPlainTextEdit(Body());
  ui::SetControlId(edit_, kLongTextEditId);
  const int margin = (ui::DpiX() + 16) * 3 / 96;
  edit_->setContentsMargins(margin, 0, margin, 0);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  edit_->setTabChangesFocus(false);
  edit_->setContextMenuPolicy(Qt::NoContextMenu);
  if (const QFont* font = ui::FontService::Font(NoteZoomFont(settings.noteZoom))) edit_->setFont(*font);
  edit_->setPlainText(text);
  edit_->moveCursor(QTextCursor::End);
  edit_->document()->setModified(false);
  edit_->installEventFilter(this);
  initialLength_ = edit_->toPlainText().size();
  column->addWidget(edit_, 1);
  SetMenuBar(kLongTextBar);
  if (!parentWidget()) dialogs::SizeLikeMainWindow(this);
  SetFullScreen(true);
  edit_->setFocus();
}

void LongTextEditor::Insert(const QString& text) { edit_->insertPlainText(text); }

void LongTextEditor::Zoom(int level) {
  settings_.noteZoom = uint32_t(level);
  QFont font = edit_->font();
  font.setBold(false);
  font.setItalic(false);
  font.setUnderline(false);
  font.setPixelSize(std::max(1, (ZoomPointSize(level) * ui::DpiY() + 36) / 72));
  edit_->setFont(font);
}

void LongTextEditor::Done() {
  const QString text = edit_->toPlainText();
  if (edit_->document()->isModified() || text.size() != initialLength_) {
    result_ = text;
    changed_ = true;
    EndDialog(ui::kResultOk);
    return;
  }
  EndDialog(ui::kResultCancel);
}

void LongTextEditor::Dispatch(int commandId) {
  QTextCursor cursor = edit_->textCursor();
  switch (commandId) {
    case ui::kCmdDone:
    case ui::kCmdOk: Done(); return;
    case kCmdCut:
    case kCmdCopy:
      if (cursor.hasSelection()) {
        const QString selected = cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        if (ui::ClipboardService* clipboard = ui::ClipboardService::Instance()) clipboard->CopySecret(selected, true);
        if (commandId == kCmdCut) cursor.removeSelectedText();
      }
      return;
    case kCmdPaste: edit_->paste(); return;
    case kCmdClear: cursor.removeSelectedText(); return;
    case kCmdSelectAll: edit_->selectAll(); return;
    case kCmdInsertDate:
      Insert(ui::ToQString(tb::platform::FormatShortDate(tb::platform::LocalTime())) + QLatin1Char(' '));
      return;
    case kCmdInsertTime:
      Insert(ui::ToQString(tb::platform::FormatWithPicture(tb::platform::LocalTime(), TimeWithoutSeconds())) +
             QLatin1Char(' '));
      return;
    default:
      if (commandId >= kCmdZoom75 && commandId <= kCmdZoom300) {
        Zoom(commandId - kCmdZoom75);
        return;
      }
      ModalDialog::Dispatch(commandId);
  }
}

void LongTextEditor::OnInitMenuPopup(QMenu* menu) {
  const bool selection = edit_->textCursor().hasSelection();
  const QMimeData* clipboard = QApplication::clipboard()->mimeData();
  // Levels outside 0..4 show the 100% font.
  const int level = settings_.noteZoom < kZoomLevels ? int(settings_.noteZoom) : 1;
  for (QAction* action : menu->actions()) {
    const int command = action->data().toInt();
    switch (command) {
      case kCmdCut:
      case kCmdCopy:
      case kCmdClear: action->setEnabled(selection); break;
      case kCmdPaste: action->setEnabled(clipboard && clipboard->hasText()); break;
      case kCmdSelectAll: action->setEnabled(!edit_->document()->isEmpty()); break;
      default:
        if (command >= kCmdZoom75 && command <= kCmdZoom300) {
          action->setCheckable(true);
          action->setChecked(command - kCmdZoom75 == level);
        }
        break;
    }
  }
}

bool LongTextEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
    auto* key = static_cast<QKeyEvent*>(event);
    // The edit's own Copy and Cut keys go through the clipboard service.
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)) {
      event->accept();
      if (event->type() == QEvent::KeyPress) Dispatch(key->matches(QKeySequence::Copy) ? kCmdCopy : kCmdCut);
      return true;
    }
  }
  return ModalDialog::eventFilter(watched, event);
}

void LongTextEditor::keyPressEvent(QKeyEvent* event) {
  // Enter belongs to the text; Escape cancels.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  ModalDialog::keyPressEvent(event);
}

bool EditLongText(QWidget* owner, shell::Settings& settings, bool smartphone, const QString& title, const QString& text,
                  QString* changed) {
  if (smartphone) return false;
  LongTextEditor editor(owner, settings, title, text);
  if (editor.RunModal() != ui::kResultOk || !editor.Changed()) return false;
  if (changed) *changed = editor.Result();
  return true;
}

}  // namespace tb::cards
