#pragma once
// The program's two ordinary pop-up menus, the event list's context menu and
// the tray menu, in both languages: their items and command identifiers, and
// the conversion that gives every item an entry (its text and identifier) from
// which it is measured and drawn (menu_painting.h).
//
// Each menu is one top-level item whose submenu is the menu shown; the
// top-level item's text is never shown. Texts are kept exactly, trailing
// blanks included: the item width follows the number of characters.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orv::skin {

// The menus by number.
inline constexpr int kContextMenuEnglish = 154;
inline constexpr int kContextMenuTurkish = 161;
inline constexpr int kTrayMenuEnglish = 157;
inline constexpr int kTrayMenuTurkish = 162;
int ContextMenuFor(int32_t language);  // non-zero: English
int TrayMenuFor(int32_t language);

// Command identifiers of the event list's context menu. Index 0 left,
// 1 right, 2 middle button; "forward" inserts after the selected event,
// "backward" before it.
struct ContextCommands {
  std::array<int32_t, 3> forwardDown;
  std::array<int32_t, 3> forwardUp;
  std::array<int32_t, 3> backwardDown;
  std::array<int32_t, 3> backwardUp;
  int32_t modifyDelay;
  int32_t deleteEvent;
};
inline constexpr ContextCommands kContextCommandsEnglish{
    {32802, 32804, 32806}, {32803, 32805, 32807}, {32809, 32811, 32813}, {32810, 32812, 32814}, 32780, 32781};
inline constexpr ContextCommands kContextCommandsTurkish{
    {32817, 32820, 32823}, {32818, 32821, 32824}, {32829, 32831, 32833}, {32830, 32832, 32834}, 32835, 32836};

// Command identifiers of the tray menu.
struct TrayCommands {
  int32_t showWindow;
  int32_t exitDriver;
};
inline constexpr TrayCommands kTrayCommandsEnglish{32801, 32800};
inline constexpr TrayCommands kTrayCommandsTurkish{32837, 32838};

// Identifier of an item as the menu reports it: 0 for a separator, -1 for an
// item that opens a submenu, else the command.
inline constexpr int32_t kSeparatorId = 0;
inline constexpr int32_t kSubmenuId = -1;

// One item of a loaded menu.
struct MenuNode {
  std::string text;  // UTF-8, exactly as stored
  int32_t itemId = kSeparatorId;
  std::vector<MenuNode> children;  // the submenu (itemId kSubmenuId)
  int entry = -1;  // index of its entry once converted; -1 when not converted
};

// A menu as stored (the top-level item and everything below it). An unknown
// number gives a menu without items.
MenuNode MenuResource(int number);

// What an item is drawn and measured from.
struct MenuEntry {
  std::string text;
  int32_t itemId = kSeparatorId;
  bool operator==(const MenuEntry&) const = default;
};
inline constexpr int kMenuEntryCapacity = 30;

// A loaded menu whose items are drawn by the program. Entries are in
// conversion order (depth first: an item, then its submenu's items, then its
// next sibling); the loaded menus need 23 and 3 of the 30.
struct COrvMenu {
  MenuNode menu;  // the loaded menu: one top-level item, whose submenu is shown
  std::array<MenuEntry, kMenuEntryCapacity> entries{};
  int entryCount = 0;

  // The menu shown: the first top-level item's submenu (empty when there is none).
  const std::vector<MenuNode>& Shown() const;
  // The entry of an item, or nullptr when it was not converted.
  const MenuEntry* EntryOf(const MenuNode& node) const;
};

// Replaces the object's menu by menu `number`, sets entryCount to 0 and
// converts the whole menu. Nothing of the previous menu remains.
void LoadOwnerDrawnMenu(COrvMenu& object, int number);
// Gives every item of `items` and, recursively, of their submenus the next
// entry of `object`. Items beyond the object's capacity keep entry -1 and are
// left as they are.
void MakeOwnerDrawn(COrvMenu& object, std::vector<MenuNode>& items);

}  // namespace orv::skin
