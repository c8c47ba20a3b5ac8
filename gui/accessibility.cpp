#include "gui/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>
#include <map>

#include "gui/main_window.h"
#include "gui/popups.h"
#include "gui/qt_values.h"
#include "settings/mouse_settings.h"
#include "skin/function_menu.h"
#include "skin/hit_indexes.h"

namespace orv::app {
namespace {

QAccessible::Role RoleOf(ControlRole role) {
  switch (role) {
    case ControlRole::PageTab: return QAccessible::PageTab;
    case ControlRole::CheckBox: return QAccessible::CheckBox;
    case ControlRole::RadioButton: return QAccessible::RadioButton;
    case ControlRole::Slider: return QAccessible::Slider;
    case ControlRole::PushButton: break;
  }
  return QAccessible::Button;
}

// An element without an object of its own: a painted control, the status
// line, a menu row. Its parent owns the interface's lifetime through the
// registry's id.
class ElementAccessible : public QAccessibleInterface {
 public:
  explicit ElementAccessible(QWidget* owner) : owner_(owner) {}
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return owner_ ? owner_->window()->windowHandle() : nullptr; }
  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation) const override {
    return {};
  }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(owner_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  void setText(QAccessible::Text, const QString&) override {}

 protected:
  QRect GlobalRect(const QRect& local) const {
    if (!owner_) return {};
    return QRect(owner_->mapToGlobal(local.topLeft()), local.size());
  }
  QPointer<QWidget> owner_;
};

// ---- The main window's painted controls ----

class ControlAccessible final : public ElementAccessible,
                                public QAccessibleActionInterface,
                                public QAccessibleValueInterface {
 public:
  ControlAccessible(MainWindow* window, ControlKey key) : ElementAccessible(window), key_(key) {}

  bool isValid() const override { return Main() != nullptr && Main()->Keyboard().Control(key_).has_value(); }
  QString text(QAccessible::Text t) const override {
    const auto c = Current();
    if (!c) return {};
    if (t == QAccessible::Name) return Q(c->name);
    if (t == QAccessible::Value && c->role == ControlRole::Slider) return QString::number(c->value) + " ms";
    return {};
  }
  QRect rect() const override {
    const auto c = Current();
    if (!c) return {};
    return GlobalRect(QRect(c->rect.x, c->rect.y, c->rect.width, c->rect.height));
  }
  QAccessible::Role role() const override {
    const auto c = Current();
    return c ? RoleOf(c->role) : QAccessible::Button;
  }
  QAccessible::State state() const override {
    QAccessible::State st;
    const auto c = Current();
    if (!c) {
      st.invisible = true;
      return st;
    }
    st.focusable = true;
    st.focused = Main()->Keyboard().ControlHasFocus(key_);
    st.disabled = c->disabled;
    st.pressed = c->pressed;
    if (c->role == ControlRole::CheckBox || c->role == ControlRole::RadioButton) {
      st.checkable = true;
      st.checked = c->checked;
    }
    if (c->role == ControlRole::PageTab) {
      st.selectable = true;
      st.selected = c->checked;
    }
    return st;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    if (type == QAccessible::ValueInterface && role() == QAccessible::Slider) {
      return static_cast<QAccessibleValueInterface*>(this);
    }
    return nullptr;
  }

  // Actions: a press (a toggle for check boxes), the slider's steps, the focus.
  QStringList actionNames() const override {
    if (role() == QAccessible::Slider) return {increaseAction(), decreaseAction(), setFocusAction()};
    return {role() == QAccessible::CheckBox ? toggleAction() : pressAction(), setFocusAction()};
  }
  void doAction(const QString& name) override {
    MainWindow* w = Main();
    if (w == nullptr) return;
    if (name == setFocusAction()) {
      w->Keyboard().FocusControl(key_);
      return;
    }
    ControlKey target = key_;
    if (name == increaseAction() || name == decreaseAction()) {
      namespace A = skin::hits::advanced;
      target = {HitFamily::Advanced, name == increaseAction() ? A::kFireUp : A::kFireDown};
    } else if (name != pressAction() && name != toggleAction()) {
      return;
    }
    // After the reader's call has been answered: a press may open a modal
    // dialog (the warning, a file dialog), which would hold the answer back.
    QMetaObject::invokeMethod(w, [w, target] { w->Keyboard().ActivateControl(target); }, Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

  QVariant currentValue() const override {
    const auto c = Current();
    return c ? QVariant(c->value) : QVariant();
  }
  void setCurrentValue(const QVariant& value) override {
    if (MainWindow* w = Main()) w->Keyboard().SetControlValue(key_, value.toInt());
  }
  QVariant maximumValue() const override { return settings::kFireTimeMax; }
  QVariant minimumValue() const override { return 0; }
  QVariant minimumStepSize() const override { return 1; }

 private:
  MainWindow* Main() const { return static_cast<MainWindow*>(owner_.data()); }
  std::optional<PageControl> Current() const {
    MainWindow* w = Main();
    return w != nullptr ? w->Keyboard().Control(key_) : std::nullopt;
  }
  ControlKey key_;
};

// The line that speaks what changed: a page shown, a function chosen, an Apply.
class StatusAccessible final : public ElementAccessible {
 public:
  explicit StatusAccessible(MainWindow* window) : ElementAccessible(window) {}
  bool isValid() const override { return owner_ != nullptr; }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !owner_) return {};
    return Q(static_cast<MainWindow*>(owner_.data())->Keyboard().StatusText());
  }
  QRect rect() const override { return {}; }
  QAccessible::Role role() const override { return QAccessible::StatusBar; }
  QAccessible::State state() const override {
    QAccessible::State st;
    st.readOnly = true;
    return st;
  }
};

// Registers interfaces once per key and removes them with their parent.
template <typename Key>
class ChildRegistry {
 public:
  ~ChildRegistry() {
    for (const auto& [key, id] : ids_) QAccessible::deleteAccessibleInterface(id);
  }
  template <typename Make>
  QAccessibleInterface* Get(const Key& key, Make make) {
    auto it = ids_.find(key);
    if (it == ids_.end()) it = ids_.emplace(key, QAccessible::registerAccessibleInterface(make())).first;
    return QAccessible::accessibleInterface(it->second);
  }

 private:
  std::map<Key, QAccessible::Id> ids_;
};

class MainWindowAccessible final : public QAccessibleWidget {
 public:
  explicit MainWindowAccessible(MainWindow* w) : QAccessibleWidget(w, QAccessible::Window) {}

  int childCount() const override { return Painted() + 1 + QAccessibleWidget::childCount(); }
  QAccessibleInterface* child(int index) const override {
    const std::vector<PageControl> controls = Focus().Controls();
    const int painted = static_cast<int>(controls.size());
    if (index < 0) return nullptr;
    if (index < painted) return ControlFor(controls[static_cast<size_t>(index)].key);
    if (index == painted) return Status();
    return QAccessibleWidget::child(index - painted - 1);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    if (child == Status()) return Painted();
    const std::vector<PageControl> controls = Focus().Controls();
    for (size_t i = 0; i < controls.size(); ++i) {
      if (ControlFor(controls[i].key) == child) return static_cast<int>(i);
    }
    const int k = QAccessibleWidget::indexOfChild(child);
    return k < 0 ? -1 : static_cast<int>(controls.size()) + 1 + k;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    if (QAccessibleInterface* widget = QAccessibleWidget::childAt(x, y)) return widget;
    const QPoint local = Window()->mapFromGlobal(QPoint(x, y));
    for (const PageControl& c : Focus().Controls()) {
      if (c.rect.Contains(local.x(), local.y())) return ControlFor(c.key);
    }
    return nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    const ControlKey key = Focus().FocusedControl();
    if (Focus().ControlHasFocus(key)) return ControlFor(key);
    return QAccessibleWidget::focusChild();
  }

  QAccessibleInterface* ControlFor(const ControlKey& key) const {
    return controls_.Get({static_cast<int>(key.family), key.index},
                         [&] { return new ControlAccessible(Window(), key); });
  }
  QAccessibleInterface* Status() const {
    return status_.Get(0, [&] { return new StatusAccessible(Window()); });
  }

 private:
  MainWindow* Window() const { return static_cast<MainWindow*>(widget()); }
  KeyboardFocus& Focus() const { return Window()->Keyboard(); }
  int Painted() const { return static_cast<int>(Focus().Controls().size()); }
  mutable ChildRegistry<std::pair<int, int>> controls_;
  mutable ChildRegistry<int> status_;
};

// ---- The function menus ----

class MenuRowAccessible final : public ElementAccessible, public QAccessibleActionInterface {
 public:
  MenuRowAccessible(QWidget* menu, int row) : ElementAccessible(menu), row_(row) {}

  bool isValid() const override { return owner_ != nullptr; }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return {};
    if (auto* first = dynamic_cast<FunctionMenu*>(owner_.data())) return Q(first->RowText(row_));
    if (auto* second = dynamic_cast<SubFunctionMenu*>(owner_.data())) return Q(second->RowText(row_));
    return {};
  }
  QRect rect() const override {
    if (!owner_) return {};
    const int rows = std::max(1, RowCount());
    const int h = owner_->height() / rows;
    return GlobalRect(QRect(0, (row_ - 1) * h, owner_->width(), h));
  }
  QAccessible::Role role() const override { return QAccessible::MenuItem; }
  QAccessible::State state() const override {
    QAccessible::State st;
    st.focusable = true;
    if (auto* first = dynamic_cast<FunctionMenu*>(owner_.data())) {
      st.hasPopup = skin::IsGroupRow(row_);
      st.focused = first->menuRow() == row_;
    } else if (auto* second = dynamic_cast<SubFunctionMenu*>(owner_.data())) {
      st.focused = second->hotRow() == row_;
    }
    return st;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name != pressAction() || !owner_) return;
    // After the reader's call has been answered, as for the main window's controls.
    QMetaObject::invokeMethod(owner_.data(), [menu = owner_, row = row_] {
      if (auto* first = dynamic_cast<FunctionMenu*>(menu.data())) {
        first->PressRow(row);
      } else if (auto* second = dynamic_cast<SubFunctionMenu*>(menu.data())) {
        second->ChooseRow(row);
      }
    }, Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  int RowCount() const {
    if (dynamic_cast<FunctionMenu*>(owner_.data()) != nullptr) return skin::kMenuShownRows;
    if (auto* second = dynamic_cast<SubFunctionMenu*>(owner_.data())) return second->rows();
    return 0;
  }
  int row_;
};

// A menu window: its rows are its children.
class MenuAccessible final : public QAccessibleWidget {
 public:
  MenuAccessible(QWidget* menu, int rows) : QAccessibleWidget(menu, QAccessible::PopupMenu), rows_(rows) {}
  int childCount() const override { return Rows(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= Rows()) return nullptr;
    const int row = index + 1;
    return children_.Get(row, [&] { return new MenuRowAccessible(widget(), row); });
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < Rows(); ++i) {
      if (this->child(i) == child) return i;
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int i = 0; i < Rows(); ++i) {
      if (child(i)->rect().contains(x, y)) return child(i);
    }
    return nullptr;
  }

 private:
  int Rows() const {
    if (auto* second = dynamic_cast<SubFunctionMenu*>(widget())) return second->rows();
    return rows_;
  }
  int rows_;
  mutable ChildRegistry<int> children_;
};

// ---- The warning ----

class WarningButtonAccessible final : public ElementAccessible, public QAccessibleActionInterface {
 public:
  WarningButtonAccessible(WarningDialog* dialog, int button) : ElementAccessible(dialog), button_(button) {}
  bool isValid() const override { return owner_ != nullptr; }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !owner_) return {};
    return Q(Layout().warningTexts[static_cast<size_t>(Hit())]);
  }
  QRect rect() const override {
    if (!owner_) return {};
    const skin::LayoutRect& r = Layout().warningHits[static_cast<size_t>(Hit())];
    return GlobalRect(QRect(r.x, r.y, r.width, r.height));
  }
  QAccessible::Role role() const override { return QAccessible::Button; }
  QAccessible::State state() const override {
    QAccessible::State st;
    st.focusable = true;
    return st;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name == pressAction() && owner_) static_cast<WarningDialog*>(owner_.data())->Choose(button_);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  int Hit() const {
    return button_ == skin::kWarningConfirm ? skin::hits::warning::kConfirm : skin::hits::warning::kCancel;
  }
  const skin::SkinLayout& Layout() const { return static_cast<WarningDialog*>(owner_.data())->Layout(); }
  int button_;
};

class WarningAccessible final : public QAccessibleWidget {
 public:
  explicit WarningAccessible(WarningDialog* dialog) : QAccessibleWidget(dialog, QAccessible::Dialog) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name || t == QAccessible::Description) {
      return Q(static_cast<WarningDialog*>(widget())->Layout().warningTexts[skin::hits::warning::kMessage]);
    }
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return 2; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index > 1) return nullptr;
    const int button = index == 0 ? skin::kWarningConfirm : skin::kWarningCancelButton;
    return children_.Get(button, [&] { return new WarningButtonAccessible(Dialog(), button); });
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == this->child(0)) return 0;
    if (child == this->child(1)) return 1;
    return -1;
  }

 private:
  WarningDialog* Dialog() const { return static_cast<WarningDialog*>(widget()); }
  mutable ChildRegistry<int> children_;
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* main = qobject_cast<MainWindow*>(object)) return new MainWindowAccessible(main);
  if (auto* first = dynamic_cast<FunctionMenu*>(object)) return new MenuAccessible(first, skin::kMenuShownRows);
  if (auto* second = dynamic_cast<SubFunctionMenu*>(object)) return new MenuAccessible(second, 0);
  if (auto* warning = dynamic_cast<WarningDialog*>(object)) return new WarningAccessible(warning);
  return nullptr;
}

MainWindowAccessible* AccessibleOf(KeyboardFocus& focus) {
  if (!QAccessible::isActive()) return nullptr;
  return dynamic_cast<MainWindowAccessible*>(QAccessible::queryAccessibleInterface(&focus.Window()));
}

}  // namespace

void NotifyMenuRowLit(QWidget& menu, int row) {
  if (!QAccessible::isActive() || row < 1) return;
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&menu);
  if (a == nullptr || row > a->childCount()) return;
  QAccessibleEvent focus(a->child(row - 1), QAccessible::Focus);
  QAccessible::updateAccessibility(&focus);
}

void InstallAccessibility() { QAccessible::installFactory(&Factory); }

void NotifyStatusChanged(KeyboardFocus& focus) {
  MainWindowAccessible* a = AccessibleOf(focus);
  if (a == nullptr) return;
  QAccessibleEvent changed(a->Status(), QAccessible::NameChanged);
  QAccessible::updateAccessibility(&changed);
  QAccessibleEvent alert(a->Status(), QAccessible::Alert);
  QAccessible::updateAccessibility(&alert);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  // Toolkits that can ask the reader to speak a text outright do so too.
  QAccessibleAnnouncementEvent announce(&focus.Window(), Q(focus.StatusText()));
  QAccessible::updateAccessibility(&announce);
#endif
}

void NotifyControlFocused(KeyboardFocus& focus) {
  MainWindowAccessible* a = AccessibleOf(focus);
  if (a == nullptr || !focus.ControlHasFocus(focus.FocusedControl())) return;
  QAccessibleEvent focused(a->ControlFor(focus.FocusedControl()), QAccessible::Focus);
  QAccessible::updateAccessibility(&focused);
}

void NotifyControlsChanged(KeyboardFocus& focus) {
  MainWindowAccessible* a = AccessibleOf(focus);
  if (a == nullptr) return;
  QAccessibleEvent reorder(a, QAccessible::ObjectReorder);
  QAccessible::updateAccessibility(&reorder);
}

}  // namespace orv::app
