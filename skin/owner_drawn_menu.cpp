#include "skin/owner_drawn_menu.h"

namespace orv::skin {
namespace {

MenuNode Command(std::string text, int32_t id) { return MenuNode{std::move(text), id, {}, -1}; }
MenuNode Submenu(std::string text, std::vector<MenuNode> children) {
  return MenuNode{std::move(text), kSubmenuId, std::move(children), -1};
}

struct ContextTexts {
  const char* top;
  const char* addForward;
  const char* addBackward;
  // Button captions and down / up captions, per direction (forward, backward)
  // and button (left, right, middle): the stored texts differ in their blanks.
  const char* buttons[2][3];
  const char* downs[2][3];
  const char* up;
  const char* modifyDelay;
  const char* deleteEvent;
};

const ContextTexts kEnglishTexts{
    "Context", "Add Forward", "Add Backward",
    {{"Left Button", "Right Button", "Mid Button"}, {"Left Button", "Right Button", "Mid Button"}},
    {{"Down ", "Down", "Down"}, {"Down ", "Down", "Down"}},
    "Up", "Modify Delay", "Delete"};

const ContextTexts kTurkishTexts{
    "Context", "İleri ekle  ", "Yan Dugme  ",
    {{"Sol tuş   ", "Sağ tuş", "Orta tuş "}, {"Sol tuş ", "Sağ tuş  ", "Orta tuş "}},
    {{"Aşağı   ", "Aşağı", "Aşağı"}, {"Aşağı ", "Aşağı", "Aşağı"}},
    "Yukarı", "Ertele", "Sil"};

MenuNode ContextMenu(const ContextTexts& t, const ContextCommands& c) {
  auto direction = [&](int d, const char* caption, const std::array<int32_t, 3>& downs,
                       const std::array<int32_t, 3>& ups) {
    std::vector<MenuNode> buttons;
    for (size_t b = 0; b < 3; ++b) {
      buttons.push_back(Submenu(t.buttons[d][b], {Command(t.downs[d][b], downs[b]), Command(t.up, ups[b])}));
    }
    return Submenu(caption, std::move(buttons));
  };
  return Submenu(t.top, {direction(0, t.addForward, c.forwardDown, c.forwardUp),
                         direction(1, t.addBackward, c.backwardDown, c.backwardUp),
                         Command(t.modifyDelay, c.modifyDelay), Command(t.deleteEvent, c.deleteEvent)});
}

const std::vector<MenuNode> kNoItems;

}  // namespace

int ContextMenuFor(int32_t language) { return language != 0 ? kContextMenuEnglish : kContextMenuTurkish; }
int TrayMenuFor(int32_t language) { return language != 0 ? kTrayMenuEnglish : kTrayMenuTurkish; }

MenuNode MenuResource(int number) {
  switch (number) {
    case kContextMenuEnglish: return Submenu("", {ContextMenu(kEnglishTexts, kContextCommandsEnglish)});
    case kContextMenuTurkish: return Submenu("", {ContextMenu(kTurkishTexts, kContextCommandsTurkish)});
    case kTrayMenuEnglish:
      return Submenu("", {Submenu("Tray", {Command("Show Window", kTrayCommandsEnglish.showWindow),
                                           Command("Exit Driver", kTrayCommandsEnglish.exitDriver)})});
    case kTrayMenuTurkish:
      return Submenu("", {Submenu("Tray", {Command("Pencereyi Goster", kTrayCommandsTurkish.showWindow),
                                           Command("Sürücüden çık", kTrayCommandsTurkish.exitDriver)})});
    default: return Submenu("", {});
  }
}

const std::vector<MenuNode>& COrvMenu::Shown() const {
  if (menu.children.empty() || menu.children.front().itemId != kSubmenuId) return kNoItems;
  return menu.children.front().children;
}

const MenuEntry* COrvMenu::EntryOf(const MenuNode& node) const {
  if (node.entry < 0 || node.entry >= entryCount) return nullptr;
  return &entries[static_cast<size_t>(node.entry)];
}

void LoadOwnerDrawnMenu(COrvMenu& object, int number) {
  object.menu = MenuResource(number);
  object.entryCount = 0;
  object.entries.fill(MenuEntry{});
  MakeOwnerDrawn(object, object.menu.children);
}

void MakeOwnerDrawn(COrvMenu& object, std::vector<MenuNode>& items) {
  for (MenuNode& item : items) {
    if (object.entryCount < kMenuEntryCapacity) {
      item.entry = object.entryCount;
      object.entries[static_cast<size_t>(object.entryCount)] = MenuEntry{item.text, item.itemId};
      ++object.entryCount;
    }
    if (item.itemId == kSubmenuId) MakeOwnerDrawn(object, item.children);
  }
}

}  // namespace orv::skin
