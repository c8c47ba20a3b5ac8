#include "skin/owner_drawn_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv::skin {
namespace {

std::vector<MenuEntry> EntriesOf(const COrvMenu& m) {
  return std::vector<MenuEntry>(m.entries.begin(), m.entries.begin() + m.entryCount);
}

TEST(OwnerDrawnMenu, ContextMenusInDepthFirstOrder) {
  const std::vector<MenuEntry> english = {
      {"Context", kSubmenuId},
      {"Add Forward", kSubmenuId},
      {"Left Button", kSubmenuId}, {"Down ", 32802}, {"Up", 32803},
      {"Right Button", kSubmenuId}, {"Down", 32804}, {"Up", 32805},
      {"Mid Button", kSubmenuId}, {"Down", 32806}, {"Up", 32807},
      {"Add Backward", kSubmenuId},
      {"Left Button", kSubmenuId}, {"Down ", 32809}, {"Up", 32810},
      {"Right Button", kSubmenuId}, {"Down", 32811}, {"Up", 32812},
      {"Mid Button", kSubmenuId}, {"Down", 32813}, {"Up", 32814},
      {"Modify Delay", 32780}, {"Delete", 32781}};
  const std::vector<MenuEntry> turkish = {
      {"Context", kSubmenuId},
      {"İleri ekle  ", kSubmenuId},
      {"Sol tuş   ", kSubmenuId}, {"Aşağı   ", 32817}, {"Yukarı", 32818},
      {"Sağ tuş", kSubmenuId}, {"Aşağı", 32820}, {"Yukarı", 32821},
      {"Orta tuş ", kSubmenuId}, {"Aşağı", 32823}, {"Yukarı", 32824},
      {"Yan Dugme  ", kSubmenuId},
      {"Sol tuş ", kSubmenuId}, {"Aşağı ", 32829}, {"Yukarı", 32830},
      {"Sağ tuş  ", kSubmenuId}, {"Aşağı", 32831}, {"Yukarı", 32832},
      {"Orta tuş ", kSubmenuId}, {"Aşağı", 32833}, {"Yukarı", 32834},
      {"Ertele", 32835}, {"Sil", 32836}};
  struct Case {
    int number;
    std::vector<MenuEntry> entries;
  } cases[] = {
      {kContextMenuEnglish, english},
      {kContextMenuTurkish, turkish},
      {kTrayMenuEnglish, {{"Tray", kSubmenuId}, {"Show Window", 32801}, {"Exit Driver", 32800}}},
      {kTrayMenuTurkish, {{"Tray", kSubmenuId}, {"Pencereyi Goster", 32837}, {"Sürücüden çık", 32838}}},
  };
  for (const Case& c : cases) {
    COrvMenu m;
    LoadOwnerDrawnMenu(m, c.number);
    EXPECT_EQ(EntriesOf(m), c.entries) << c.number;
  }
}

TEST(OwnerDrawnMenu, ShownMenuIsTheFirstSubmenuAndItemsKnowTheirEntries) {
  COrvMenu m;
  LoadOwnerDrawnMenu(m, kContextMenuEnglish);
  ASSERT_EQ(m.Shown().size(), 4u);
  const MenuNode& backward = m.Shown()[1];
  ASSERT_NE(m.EntryOf(backward), nullptr);
  EXPECT_EQ(m.EntryOf(backward)->text, "Add Backward");
  const MenuNode& midUp = backward.children[2].children[1];
  ASSERT_NE(m.EntryOf(midUp), nullptr);
  EXPECT_EQ(m.EntryOf(midUp)->itemId, 32814);
  EXPECT_EQ(ContextMenuFor(1), kContextMenuEnglish);
  EXPECT_EQ(TrayMenuFor(0), kTrayMenuTurkish);
}

TEST(OwnerDrawnMenu, ReloadingReplacesEverything) {
  COrvMenu m;
  LoadOwnerDrawnMenu(m, kContextMenuEnglish);
  LoadOwnerDrawnMenu(m, kTrayMenuTurkish);
  EXPECT_EQ(m.entryCount, 3);
  for (const MenuEntry& e : m.entries) {
    EXPECT_EQ(e.text.find("Down"), std::string::npos);
    EXPECT_NE(e.itemId, 32802);
  }
  LoadOwnerDrawnMenu(m, 999);  // unknown: no items at all
  EXPECT_EQ(m.entryCount, 0);
  EXPECT_TRUE(m.Shown().empty());
}

TEST(OwnerDrawnMenu, ItemsBeyondThirtyAreNotConverted) {
  COrvMenu m;
  std::vector<MenuNode> items;
  for (int i = 0; i < 33; ++i) items.push_back(MenuNode{"item" + std::to_string(i), 100 + i, {}, -1});
  MakeOwnerDrawn(m, items);
  EXPECT_EQ(m.entryCount, kMenuEntryCapacity);
  EXPECT_EQ(m.entries[29].itemId, 129);
  EXPECT_EQ(items[29].entry, 29);
  EXPECT_EQ(items[30].entry, -1);
  EXPECT_EQ(m.EntryOf(items[32]), nullptr);
}

}  // namespace
}  // namespace orv::skin
