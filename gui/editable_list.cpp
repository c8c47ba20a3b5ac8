#include "gui/editable_list.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace orv::app {

inline constexpr int kCtrlACharacter = 1;  // the control character Ctrl+A produces

EditHelper::EditHelper(EditableListBox* list) : QLineEdit(list->viewport()), list_(list) {}

void EditHelper::keyReleaseEvent(QKeyEvent* event) {
  QPointer<EditHelper> self(this);
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    list_->RequestEnd(true);
  } else if (event->key() == Qt::Key_Escape) {
    list_->RequestEnd(false);
  }
  if (self) QLineEdit::keyReleaseEvent(event);
}

void EditHelper::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  list_->RequestEnd(true);
}

EditableListBox::EditableListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void EditableListBox::RequestEnd(bool confirm) {
  if (edit_) emit endRequested(confirm);
}

void EditableListBox::keyPressEvent(QKeyEvent* event) {
  // Ctrl+A gives the control character 1 (the window system may or may not
  // put it into the text).
  const bool ctrlA = event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier) != 0;
  const QString text = event->text();
  if (ctrlA || !text.isEmpty()) {
    emit characterTyped(ctrlA ? kCtrlACharacter : text.at(0).unicode());
    if (ctrlA) return;  // not the list's select-all
  }
  QListWidget::keyPressEvent(event);
}

void EditableListBox::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Insert) emit insertReleased();
  QListWidget::keyReleaseEvent(event);
}

void EditableListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    const int row = currentRow();
    emit rightReleased(row >= 0 && visualItemRect(item(row)).contains(event->position().toPoint()));
  }
  QListWidget::mouseReleaseEvent(event);
}

void EditableListBox::scrollContentsBy(int dx, int dy) {
  RequestEnd(true);
  QListWidget::scrollContentsBy(dx, dy);
}

void EditableListBox::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  RequestEnd(true);
}

void EditableListBox::OpenEditor(int line) {
  CloseEditor();
  if (line < 0 || line >= count()) return;
  QRect r = visualItemRect(item(line));
  r.adjust(0, -2, 0, 2);
  edit_ = new EditHelper(this);
  edit_->setFrame(true);
  edit_->setGeometry(r);
  edit_->setFont(font());
  edit_->setPalette(palette());
  edit_->setText(item(line)->text());
  edit_->selectAll();
  edit_->show();
  edit_->setFocus();
}

QString EditableListBox::EditorText() const { return edit_ ? edit_->text() : QString(); }

void EditableListBox::CloseEditor() {
  if (!edit_) return;
  // Taken first: hiding the box moves the focus, which asks for the end again.
  EditHelper* edit = edit_;
  edit_ = nullptr;
  const bool hadFocus = edit->hasFocus();
  edit->hide();
  edit->deleteLater();
  if (hadFocus) setFocus();
}

}  // namespace orv::app
