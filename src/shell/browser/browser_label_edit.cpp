// Renaming in place: the label editor, when an edit may start, and what a
// new text changes (a record's name, or a view's).
#include "shell/browser/browser.h"

#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "platform/ui/message_boxes.h"
#include "shell/core/string_numbers.h"
#include "shell/startup/startup.h"
#include "storage/record_ops.h"

#include "shell/browser/browser_internal.h"

namespace tb::shell {

using namespace browser_detail;

// The in-place label editor: at most 255 characters, and the browser
// decides whether a new text is taken.
class Browser::LabelDelegate : public QStyledItemDelegate {
 public:
  explicit LabelDelegate(Browser* browser) : QStyledItemDelegate(browser->tree_), browser_(browser) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->setMaxLength(kMaxLabelLength);
      line->setObjectName(QStringLiteral("labelEdit"));
      browser_->editor_ = line;
    }
    return editor;
  }
  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    QTreeWidgetItem* item = browser_->editing_;
    if (line && item) browser_->CommitLabel(item, line->text());
  }
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (browser_->editor_ == editor) browser_->editor_ = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
    browser_->LabelEditEnded();
  }

 private:
  Browser* browser_;
};

bool Browser::LabelEditAllowed(QTreeWidgetItem* item) const {
  return renameRequested_ && item && !(item->parent() && storage::IsSpecialViewKind(KindOfItem(item->parent())));
}

void Browser::Rename() {
  QTreeWidgetItem* item = tree_->currentItem();
  if (!item || !context_.wallet.IsOpen()) return;
  renameRequested_ = true;
  if (!LabelEditAllowed(item)) {
    renameRequested_ = false;
    return;
  }
  editing_ = item;
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  tree_->editItem(item, 0);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  if (!LabelEditOpen()) LabelEditEnded();
}

bool Browser::LabelEditOpen() const { return editing_ != nullptr && editor_ != nullptr; }

bool Browser::EndLabelEdit() {
  if (!LabelEditOpen()) return false;
  QLineEdit* editor = editor_;
  // Committing through the delegate, as Enter would.
  emit delegate_->commitData(editor);
  emit delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
  return true;
}

bool Browser::CommitLabel(QTreeWidgetItem* item, const QString& text) {
  if (text.isEmpty()) return false;
  storage::Wallet& wallet = context_.wallet;
  const int position = PositionOf(item);
  if (storage::IsViewMarker(position)) {
    const int n = ViewNumber(position);
    wallet.SetSpecialView(n, ui::ToU16(text), wallet.GetSpecialViewIcon(n));
    RefreshItem(item);
    return true;
  }
  if (!storage::IsLiveAt(wallet, position)) return false;
  const storage::RecordHeader* record = wallet.At(position);
  storage::RecordHeader renamed = *record;
  const storage::Text before = renamed.Name();
  if (!renamed.SetName(ui::ToU16(text))) return false;
  if (renamed.Name() != before) {
    if (!WriteHeader(renamed)) {
      ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
      return false;
    }
  }
  item->setText(0, ui::ToQString(renamed.Name()));
  relabelled_ = item;
  return true;
}

void Browser::LabelEditEnded() {
  renameRequested_ = false;
  editing_ = nullptr;
  // The item finds its new place once the editor is gone: moving it while
  // the editor is open would close that editor under the view.
  if (!relabelled_) return;
  QMetaObject::invokeMethod(
      this, [this] { FinishRename(); }, Qt::QueuedConnection);
}

void Browser::FinishRename() {
  QTreeWidgetItem* item = relabelled_;
  relabelled_ = nullptr;
  if (!item || !Contains(item)) return;
  PlaceSorted(item);
  RebuildBothViews();
  Select(item);
}

void Browser::InstallLabelEditor() {
  delegate_ = new LabelDelegate(this);
  tree_->setItemDelegate(delegate_);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

}  // namespace tb::shell
