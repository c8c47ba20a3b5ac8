#include "macros/macro_model.h"

#include <gtest/gtest.h>

namespace orv::macros {
namespace {

TEST(MacroName, StopsAtTheFirstZeroOrAfterTwentyUnits) {
  MacroRecord r;
  EXPECT_EQ(MacroName(r), "");
  r.name[0] = u'A';
  r.name[1] = u'b';
  r.name[3] = u'X';  // after the terminator: not part of the name
  EXPECT_EQ(MacroName(r), "Ab");
  r.name.fill(u'Z');  // no terminator at all, as a file may hold
  EXPECT_EQ(MacroName(r), std::string(20, 'Z'));
}

TEST(SetMacroName, StoresUtf16CutTo19UnitsAndZeroFills) {
  MacroRecord r;
  r.name.fill(u'Q');
  SetMacroName(r, "Çift Tıklama");
  EXPECT_EQ(MacroName(r), "Çift Tıklama");
  EXPECT_EQ(r.name[0], u'Ç');
  for (size_t i = 12; i < r.name.size(); ++i) EXPECT_EQ(r.name[i], u'\0') << i;

  SetMacroName(r, "abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(MacroName(r), "abcdefghijklmnopqrs");
  EXPECT_EQ(r.name[19], u'\0');

  // A character of two units that would not fit whole is left out.
  SetMacroName(r, std::string(18, 'a') + "\U0001F600");
  EXPECT_EQ(MacroName(r), std::string(18, 'a'));
  SetMacroName(r, std::string(17, 'a') + "\U0001F600");
  EXPECT_EQ(MacroName(r), std::string(17, 'a') + "\U0001F600");
}

}  // namespace
}  // namespace orv::macros
