#include "gui/macro_controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "skin/hit_indexes.h"
#include "gui/editable_list.h"
#include "gui/menu_style.h"
#include "gui/page_painter.h"
#include "gui/qt_values.h"
#include "macros/native_keys.h"
#include "platform/log.h"

namespace orv::app {

MacroPageControls::MacroPageControls(AppState& state, QWidget& window, AppPort& port,
                                     const skin::PagePainter& painter)
    : state_(state),
      window_(window),
      port_(port),
      painter_(painter),
      rootGrab_([this](uint32_t keycode, bool press) { RecordNativeKey(keycode, press, false); }) {
  qApp->installNativeEventFilter(&rootGrab_);
}

MacroPageControls::~MacroPageControls() {
  GrabKeyboard(false);
  qApp->removeNativeEventFilter(&rootGrab_);
  Destroy();
  delete contextMenu_;
}

// Names for screen readers, from the page's texts in the window's language.
void MacroPageControls::Name() {
  if (!macroList_) return;
  namespace A = skin::hits::advanced;
  const skin::SkinLayout& l = state_.layout;
  macroList_->setAccessibleName(Q(l.advancedTexts[A::kMacrosColumn]));
  eventList_->setAccessibleName(Q(l.advancedTexts[A::kEventsColumn]));
  eventList_->setAccessibleDescription(Q(l.advancedTexts[A::kEventHint]));
  countEdit_->setAccessibleName(Q(l.advancedTexts[A::kCountedMode]));
  nameEdit_->setAccessibleName(state_.language != 0 ? "Macro name" : "Makro adı");
}

std::vector<QWidget*> MacroPageControls::FocusOrder() const {
  std::vector<QWidget*> order;
  for (QWidget* w : {static_cast<QWidget*>(macroList_), static_cast<QWidget*>(eventList_),
                     static_cast<QWidget*>(nameEdit_), static_cast<QWidget*>(countEdit_)}) {
    if (w != nullptr && w->isEnabled()) order.push_back(w);
  }
  return order;
}

void MacroPageControls::Create() {
  Destroy();
  const skin::SkinLayout& l = state_.layout;
  countEdit_ = new QLineEdit(&window_);
  countEdit_->setGeometry(ToQRect(l.countEditRect));
  countEdit_->setAlignment(Qt::AlignCenter);
  nameEdit_ = new QLineEdit(&window_);
  nameEdit_->setGeometry(ToQRect(l.nameEditRect));
  nameEdit_->setAlignment(Qt::AlignCenter);
  countEdit_->setEnabled(false);
  countEdit_->setText("1");
  macroList_ = new QListWidget(&window_);
  macroList_->setGeometry(ToQRect(l.macroListRect));
  macroList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  macroList_->setSelectionMode(QAbstractItemView::SingleSelection);
  eventList_ = new EditableListBox(&window_);
  eventList_->setGeometry(ToQRect(l.eventListRect));
  eventList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  eventList_->setUniformItemSizes(true);
  eventList_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  Name();
  // Only the user's picks reach the editor: the program's own selections
  // are made with the signals blocked.
  connect(macroList_, &QListWidget::currentRowChanged, this, [this](int) {
    app::OnMacroSelected(state_, *this);
    port_.Invalidate(RepaintArea::OutsideControls);
  });
  connect(eventList_, &EditableListBox::characterTyped, this,
          [this](int code) { app::OnEventListCharacter(state_, *this, code); });
  connect(eventList_, &EditableListBox::insertReleased, this, [this] { app::OnEventListInsertReleased(state_, *this); });
  connect(eventList_, &EditableListBox::rightReleased, this,
          [this](bool overSelected) { app::OnEventListRightReleased(state_, *this, overSelected); });
  connect(eventList_, &EditableListBox::endRequested, this,
          [this](bool confirm) { app::EndEventEdit(state_, *this, confirm); });
  Style();
  for (QWidget* w : {static_cast<QWidget*>(countEdit_), static_cast<QWidget*>(nameEdit_),
                     static_cast<QWidget*>(macroList_), static_cast<QWidget*>(eventList_)}) {
    w->show();
  }
}

void MacroPageControls::Destroy() {
  app::EndEventEdit(state_, *this, false);
  delete countEdit_;
  delete nameEdit_;
  delete macroList_;
  delete eventList_;
}

void MacroPageControls::Style() {
  for (QWidget* w : {static_cast<QWidget*>(countEdit_), static_cast<QWidget*>(nameEdit_),
                     static_cast<QWidget*>(macroList_), static_cast<QWidget*>(eventList_)}) {
    if (w != nullptr) painter_.StyleControl(*w, state_.language);
  }
  Name();
  // Scroll bars in the skin's colours: a dark track, the accent for the handle.
  static const QString kScrollBars = QStringLiteral(
      "QScrollBar:vertical { background: rgb(24, 26, 32); width: 12px; margin: 0; }"
      "QScrollBar::handle:vertical { background: rgb(232, 32, 63); min-height: 16px; border-radius: 3px; }"
      "QScrollBar::handle:vertical:hover { background: rgb(255, 72, 96); }"
      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: rgb(24, 26, 32); }");
  for (QWidget* w : {static_cast<QWidget*>(macroList_), static_cast<QWidget*>(eventList_)}) {
    if (w != nullptr) w->setStyleSheet(kScrollBars);
  }
}

void MacroPageControls::Refill() {
  app::RefillMacroLists(state_, *this);
  port_.Invalidate(RepaintArea::OutsideControls);
}

std::string MacroPageControls::CountText() { return countEdit_ ? countEdit_->text().toStdString() : std::string(); }

void MacroPageControls::SetCountText(const std::string& text) {
  if (countEdit_) countEdit_->setText(Q(text));
}

// ---- The Advanced page's operations ----

void MacroPageControls::AddMacro() { app::AddMacro(state_, *this); }

void MacroPageControls::DeleteMacro() {
  app::DeleteMacro(state_, *this);
  port_.Invalidate(RepaintArea::OutsideControls);
}

void MacroPageControls::ToggleRecording() {
  app::ToggleRecording(state_, *this);
  GrabKeyboard(state_.editor.recording);
  port_.Invalidate(RepaintArea::Whole);
}

void MacroPageControls::StopRecording() {
  if (!state_.editor.recording && !state_.editor.recorder.Recording()) return;
  app::StopRecording(state_);
  GrabKeyboard(false);
  port_.Invalidate(RepaintArea::Whole);
}

void MacroPageControls::ToggleMacroMode(uint8_t modeBit) { app::ToggleMacroMode(state_, *this, port_, modeBit); }

// ---- The event list's context menu ----

void MacroPageControls::LoadContextMenu(const std::vector<skin::MenuNode>& items, QStyle& style,
                                        std::function<void(int)> onCommand) {
  delete contextMenu_;
  contextMenu_ = new QMenu(&window_);
  contextMenu_->setStyle(&style);
  skin::FillMenu(*contextMenu_, items, style, onCommand);
}

void MacroPageControls::PopupContextMenu(const QPoint& globalPos) {
  if (contextMenu_ != nullptr && !contextMenu_->isEmpty()) contextMenu_->popup(globalPos);
}

bool MacroPageControls::OnRightButtonRelease(const QPoint& globalPos) {
  if (!app::OnRightRelease(state_, *this, {globalPos.x(), globalPos.y()})) return false;
  PopupContextMenu(globalPos);
  return true;
}

// ---- The keyboard while recording ----

void MacroPageControls::GrabKeyboard(bool grab) {
  QWindow* window = window_.windowHandle();
  if (grab == keyboardGrabbed_) return;
  if (!grab) {
    rootGrab_.Release();
    if (window != nullptr) window->setKeyboardGrabEnabled(false);
    keyboardGrabbed_ = false;
    return;
  }
  const auto native = static_cast<uintptr_t>(window_.winId());
  // Off X11 only the window's own grab is there; that is no failure.
  if (X11KeyboardGrab::Possible(native)) {
    const Outcome failed = rootGrab_.Grab(native);
    if (!failed) {
      keyboardGrabbed_ = true;
      return;
    }
    log::Warning(log::kApp, "recording: the keyboard is not grabbed (" + failed->Text() +
                                "); only keys typed into this window are recorded");
  }
  keyboardGrabbed_ = window != nullptr && window->setKeyboardGrabEnabled(true);
}

void MacroPageControls::RecordNativeKey(uint32_t keycode, bool press, bool autoRepeat) {
  if (ended_ || !state_.editor.recording) return;
  if (const auto message = macros::KeyMessageFor({keycode, press, autoRepeat})) {
    if (app::RecordKey(state_, *this, *message)) port_.Invalidate(RepaintArea::OutsideControls);
  }
}

void MacroPageControls::RecordKeyEvent(const QKeyEvent& key, bool press) {
  if (!rootGrab_.Active()) RecordNativeKey(key.nativeScanCode(), press, key.isAutoRepeat());
}

void MacroPageControls::OnMenuHidden() {
  if (!rootGrab_.Active()) return;
  QTimer::singleShot(0, this, [this] {
    if (!rootGrab_.Reassert()) log::Warning(log::kApp, "recording: the keyboard could not be taken back after a menu");
  });
}

void MacroPageControls::End() {
  ended_ = true;
  GrabKeyboard(false);
}

// ---- MacroView ----

bool MacroPageControls::Exists() { return macroList_ && eventList_ && nameEdit_ && countEdit_; }

void MacroPageControls::SetMacroLines(const std::vector<std::string>& lines) {
  if (!macroList_) return;
  const QSignalBlocker block(macroList_);
  macroList_->clear();
  for (const std::string& line : lines) macroList_->addItem(Q(line));
}

void MacroPageControls::AddMacroLine(const std::string& line) {
  if (!macroList_) return;
  const QSignalBlocker block(macroList_);
  macroList_->addItem(Q(line));
}

void MacroPageControls::RemoveMacroLine(int line) {
  if (!macroList_) return;
  const QSignalBlocker block(macroList_);
  delete macroList_->takeItem(line);
}

int MacroPageControls::MacroLineCount() { return macroList_ ? macroList_->count() : 0; }

std::string MacroPageControls::MacroLineText(int line) {
  if (!macroList_ || line < 0 || line >= macroList_->count()) return {};
  return macroList_->item(line)->text().toStdString();
}

int MacroPageControls::MacroSelection() { return macroList_ ? macroList_->currentRow() : -1; }

void MacroPageControls::SelectMacroLine(int line) {
  if (!macroList_) return;
  const QSignalBlocker block(macroList_);
  macroList_->setCurrentRow(line >= 0 && line < macroList_->count() ? line : -1);
}

void MacroPageControls::FocusMacroList() {
  if (macroList_) macroList_->setFocus();
}

std::string MacroPageControls::NameText() { return nameEdit_ ? nameEdit_->text().toStdString() : std::string(); }

void MacroPageControls::SetNameText(const std::string& text) {
  if (nameEdit_) nameEdit_->setText(Q(text));
}

void MacroPageControls::SetCountBox(const std::string& text, bool enabled) {
  if (!countEdit_) return;
  countEdit_->setText(Q(text));
  countEdit_->setEnabled(enabled);
}

void MacroPageControls::SetEventLines(const std::vector<std::string>& lines) {
  if (!eventList_) return;
  // The lines an open edit stands on go: it ends unstored.
  app::EndEventEdit(state_, *this, false);
  QStringList items;
  items.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) items << Q(line);
  // One repaint for the whole list.
  eventList_->setUpdatesEnabled(false);
  eventList_->clear();
  eventList_->addItems(items);
  eventList_->setUpdatesEnabled(true);
}

void MacroPageControls::AppendEventLines(const std::vector<std::string>& lines) {
  if (!eventList_) return;
  for (const std::string& line : lines) eventList_->addItem(Q(line));
}

int MacroPageControls::EventLineCount() { return eventList_ ? eventList_->count() : 0; }

std::string MacroPageControls::EventLineText(int line) {
  if (!eventList_ || line < 0 || line >= eventList_->count()) return {};
  return eventList_->item(line)->text().toStdString();
}

int MacroPageControls::EventSelection() { return eventList_ ? eventList_->currentRow() : -1; }

void MacroPageControls::SelectEventLine(int line) {
  if (!eventList_) return;
  if (line >= 0 && line < eventList_->count()) {
    eventList_->setCurrentRow(line);
  } else {
    eventList_->setCurrentRow(-1);
  }
}

void MacroPageControls::FocusEventList() {
  if (eventList_) eventList_->setFocus();
}

EventListGeometry MacroPageControls::EventGeometry() {
  EventListGeometry g;
  if (!eventList_) return g;
  QWidget* viewport = eventList_->viewport();
  const QPoint topLeft = viewport->mapToGlobal(QPoint(0, 0));
  g.left = topLeft.x();
  g.top = topLeft.y();
  g.right = g.left + viewport->width();
  g.bottom = g.top + viewport->height();
  g.itemHeight = eventList_->count() > 0 ? eventList_->sizeHintForRow(0) : eventList_->fontMetrics().height();
  g.topLine = eventList_->verticalScrollBar()->value();
  return g;
}

void MacroPageControls::OpenLineEditor(int line) {
  if (eventList_) eventList_->OpenEditor(line);
}

std::string MacroPageControls::LineEditorText() {
  return eventList_ ? eventList_->EditorText().toStdString() : std::string();
}

void MacroPageControls::CloseLineEditor() {
  if (eventList_) eventList_->CloseEditor();
}

}  // namespace orv::app
