#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_codec.h"
#include "skin/layout.h"
#include "support/missing_file.h"
#include "support/temp_dir.h"

namespace orv::skin {
namespace {

struct SplitCase {
  const char* name;
  const char* value;
  ItemList items;
};

class SplitItemListTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitItemListTest, GivesTheItems) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(SplitItemList(c.value), c.items) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, SplitItemListTest,
    ::testing::Values(
        SplitCase{"CompleteEntry", "save,568,556,68,28,Save,", {"save", "568", "556", "68", "28", "Save", ""}},
        // Without the final comma the text is not an item.
        SplitCase{"NoFinalComma", "L,1,2,3,4,Text", {"L", "1", "2", "3", "4", "", "L,1,2,3,4,Text"}},
        // Four commas: height 0, and the text scan starts again at the beginning.
        SplitCase{"FourCommas", "L,1,2,3,4", {"L", "1", "2", "3", "", "L", "1,2,3,4"}},
        SplitCase{"OneComma", "a,b", {"a", "", "a", "", "a", "", "a,b"}},
        SplitCase{"NoComma", "Left Click", {"Left Click", "", "", "", "", "", ""}},
        SplitCase{"NameBeforeComma", "Left Click,ignored", {"Left Click", "", "Left Click", "", "Left Click", "",
                                                           "Left Click,ignored"}},
        SplitCase{"Empty", "", {"", "", "", "", "", "", ""}},
        SplitCase{"OnlyCommas", ",,,,,,", {"", "", "", "", "", "", ""}},
        // More than six commas: the rest stays in item 6.
        SplitCase{"EightCommas", "a,b,c,d,e,f,g,h,", {"a", "b", "c", "d", "e", "f", "g,h,"}},
        // Blanks inside items are kept as they are.
        SplitCase{"Blanks", "id, +5 ,6, 7,8, a text ,", {"id", " +5 ", "6", " 7", "8", " a text ", ""}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

class ReadItemListTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& content) {
    const auto file = dir_ / "layout.ini";
    test::WriteText(file, content);
    return file;
  }
  test::TempDir dir_;
  std::vector<Failure> said_;
};

TEST_F(ReadItemListTest, ReadsOneKeyOfASection) {
  const auto file = Write("[BUTTONPOS]\n0=a,1,2,3,4,zero,\n1=b,5,6,7,8,one,\n[OTHER]\n0=x,9,9,9,9,no,\n");
  const auto items = ReadItemList(file, "BUTTONPOS", 1, said_);
  ASSERT_TRUE(items);
  EXPECT_EQ((*items)[0], "b");
  EXPECT_EQ((*items)[5], "one");
  EXPECT_TRUE(said_.empty());
}

TEST_F(ReadItemListTest, AbsentKeyOrSectionIsEmptyWithoutMessage) {
  const auto file = Write("[BUTTONPOS]\n0=a,1,2,3,4,zero,\n");
  for (const auto& [section, key] : {std::pair{"BUTTONPOS", 7}, std::pair{"EDIT", 0}}) {
    const auto items = ReadItemList(file, section, key, said_);
    ASSERT_TRUE(items);
    EXPECT_EQ(*items, ItemList{});
  }
  EXPECT_TRUE(said_.empty());
}

TEST_F(ReadItemListTest, MissingFileShowsTheMessageAndGivesNothing) {
  EXPECT_FALSE(ReadItemList(dir_ / "absent.ini", "BUTTONPOS", 0, said_));
  test::ExpectOneMissingFileMessage(test::Texts(said_), "absent.ini");
}

TEST_F(ReadItemListTest, TooManyCommasShowsOneMessageAndStillLoads) {
  const auto file = Write("[BUTTONPOS]\n0=a,1,2,3,4,text,x,y,\n1=b,1,2,3,4,fine,\n");
  const auto items = ReadItemList(file, "BUTTONPOS", 0, said_);
  ASSERT_TRUE(items);
  EXPECT_EQ((*items)[5], "text");
  EXPECT_EQ(test::Texts(said_), std::vector<std::string>{kLayoutValueMessage});
  ReadItemList(file, "BUTTONPOS", 1, said_);
  EXPECT_EQ(said_.size(), 1u);
}

TEST_F(ReadItemListTest, ValueIsCutTo259Characters) {
  // 255 characters of text, then two more commas that the buffer cuts away:
  // the value keeps six commas and loads without a message.
  const std::string head = "a,1,2,3,4,";  // 10 characters
  const std::string text(249, 'x');       // up to character 259
  const auto file = Write("[BUTTONPOS]\n0=" + head + text + "yy,z,w,\n");
  const auto items = ReadItemList(file, "BUTTONPOS", 0, said_);
  ASSERT_TRUE(items);
  EXPECT_EQ((*items)[5], "");  // the text's comma was cut off
  EXPECT_EQ((*items)[6], head + text);
  EXPECT_TRUE(said_.empty());
}

TEST_F(ReadItemListTest, CutCountsUtf16UnitsNotBytes) {
  // 'ş' is two bytes of UTF-8 but one character: 258 of them fit, with the comma.
  std::string text;
  for (int i = 0; i < 258; ++i) text += "ş";
  const auto file = Write("[FUN_STRING]\n1=" + text + ",tail\n");
  const auto items = ReadItemList(file, "FUN_STRING", 1, said_);
  ASSERT_TRUE(items);
  EXPECT_EQ((*items)[0], text);
}

TEST_F(ReadItemListTest, ReadsUtf16Files) {
  const std::string utf8 = "[BUTTONPOS]\r\n0=tab,1,2,3,4,GELİŞMİŞ,\r\n";
  std::u16string wide = Utf8ToUtf16(utf8);
  std::string bytes = "\xFF\xFE";
  for (char16_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  const auto items = ReadItemList(Write(bytes), "BUTTONPOS", 0, said_);
  ASSERT_TRUE(items);
  EXPECT_EQ((*items)[5], "GELİŞMİŞ");
}

}  // namespace
}  // namespace orv::skin
