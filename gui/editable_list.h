#pragma once
// The event list with its in-place editor. A thin adapter: what opens and
// ends an edit, and what an edit stores, is the macro editor's
// (app/macro_editor.h); the list reports the user's keys and clicks as
// signals and shows or removes the edit box when asked.
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

  // Shows the edit box over `line` with the line's text, all selected, and
  // gives it the focus.
  void OpenEditor(int line);
  QString EditorText() const;
  // Removes the edit box; the line keeps its text.
  void CloseEditor();
  bool Editing() const { return edit_ != nullptr; }
  QLineEdit* Editor() const { return edit_; }
  // Asks for the open edit to end (nothing when none is open).
  void RequestEnd(bool confirm);

 signals:
  // A character typed on the list (Ctrl+A gives 1).
  void characterTyped(int code);
  void insertReleased();
  // The right button released; whether over the selected line.
  void rightReleased(bool overSelectedLine);
  // The edit box asks to end the edit: Return, focus lost, scrolling and
  // resizing confirm; Escape cancels.
  void endRequested(bool confirm);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QPointer<EditHelper> edit_;
};

}  // namespace orv::app
