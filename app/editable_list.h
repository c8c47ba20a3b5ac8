#pragma once
// A list with in-place editing of its selected line: the character code 1
// (Ctrl+A, or what the context menu's Modify Delay sends) opens an edit box
// over the line; Return or losing the focus confirms, Escape cancels;
// scrolling and resizing confirm. Every end of an edit, confirmed or not,
// is announced with editEnded().
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>

namespace orv::app {

class EditableListBox;

// The edit box over the line being edited.
class EditHelper final : public QLineEdit {
  Q_OBJECT
 public:
  explicit EditHelper(EditableListBox* list);

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  EditableListBox* list_;
};

class EditableListBox final : public QListWidget {
  Q_OBJECT
 public:
  explicit EditableListBox(QWidget* parent);

  // A character code as if typed: 1 opens the editor on the selected line.
  void SendCharacter(int code);
  // Ends the edit, replacing the line's text with the edit box's when
  // `confirm` is set and the text changed. Nothing when no edit is open.
  void EndEditing(bool confirm);
  bool Editing() const { return edit_ != nullptr; }
  QLineEdit* Editor() const { return edit_; }

 signals:
  void editEnded();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BeginEditing();

  QPointer<EditHelper> edit_;
  int editingLine_ = -1;
  int pendingChar_ = 0;
};

}  // namespace orv::app
