#include "app/editable_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace orv::app {

inline constexpr int kEditChar = 1;  // the character code that opens the editor

EditHelper::EditHelper(EditableListBox* list) : QLineEdit(list->viewport()), list_(list) {}

void EditHelper::keyReleaseEvent(QKeyEvent* event) {
  QPointer<EditHelper> self(this);
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    list_->EndEditing(true);
  } else if (event->key() == Qt::Key_Escape) {
    list_->EndEditing(false);
  }
  if (self) QLineEdit::keyReleaseEvent(event);
}

void EditHelper::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  list_->EndEditing(true);
}

EditableListBox::EditableListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void EditableListBox::SendCharacter(int code) {
  pendingChar_ = code;
  BeginEditing();
}

void EditableListBox::keyPressEvent(QKeyEvent* event) {
  // Ctrl+A gives the control character 1 (the window system may or may not
  // put it into the text).
  const bool ctrlA = event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier) != 0;
  const QString text = event->text();
  if (ctrlA || !text.isEmpty()) {
    SendCharacter(ctrlA ? kEditChar : text.at(0).unicode());
    if (ctrlA) return;  // not the list's select-all
  }
  QListWidget::keyPressEvent(event);
}

void EditableListBox::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Insert) BeginEditing();
  QListWidget::keyReleaseEvent(event);
}

void EditableListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    const int row = currentRow();
    if (row >= 0 && visualItemRect(item(row)).contains(event->position().toPoint())) BeginEditing();
  }
  QListWidget::mouseReleaseEvent(event);
}

void EditableListBox::scrollContentsBy(int dx, int dy) {
  EndEditing(true);
  QListWidget::scrollContentsBy(dx, dy);
}

void EditableListBox::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  EndEditing(true);
}

void EditableListBox::BeginEditing() {
  if (pendingChar_ != kEditChar || edit_) return;
  pendingChar_ = 0;
  const int row = currentRow();
  if (row < 0 || row >= count()) return;
  QRect r = visualItemRect(item(row));
  r.adjust(0, -2, 0, 2);
  edit_ = new EditHelper(this);
  edit_->setFrame(true);
  edit_->setGeometry(r);
  edit_->setFont(font());
  edit_->setPalette(palette());
  edit_->setText(item(row)->text());
  edit_->selectAll();
  editingLine_ = row;
  edit_->show();
  edit_->setFocus();
}

void EditableListBox::EndEditing(bool confirm) {
  if (!edit_) return;
  // Taken first: hiding the box moves the focus, which ends the edit again.
  EditHelper* edit = edit_;
  edit_ = nullptr;
  const bool hadFocus = edit->hasFocus();
  if (confirm && editingLine_ >= 0 && editingLine_ < count()) {
    const QString text = edit->text();
    if (text != item(editingLine_)->text()) {
      item(editingLine_)->setText(text);
      setCurrentRow(editingLine_);
    }
  }
  editingLine_ = -1;
  edit->hide();
  edit->deleteLater();
  if (hadFocus) setFocus();
  emit editEnded();
}

}  // namespace orv::app
