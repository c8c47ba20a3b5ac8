#include "settings/config_check.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/private_profile.h"
#include "support/temp_dir.h"

namespace orv::settings {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

std::string Utf16WithoutMark(std::string_view ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string RandomBytes(size_t n) {
  std::mt19937 random(580);
  std::string out(n, '\0');
  for (char& c : out) c = static_cast<char>(random());
  return out;
}

TEST(ConfigCheck, EmbeddedDefaultIsTheShippedFile) {
  EXPECT_EQ(ShippedConfigText(), ReadText(std::filesystem::path(ORV_SOURCE_DIR) / "resources/config/config.ini"));
}

// A file that holds no configuration is kept aside byte for byte and the
// shipped default takes its place.
TEST(ConfigCheck, DamagedFileIsKeptAndReplacedByTheDefault) {
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"random bytes", RandomBytes(3000)},
      {"UTF-16 without a byte-order mark", Utf16WithoutMark("[Init]\r\nCurConfig=2\r\n[Config2]\r\nK0=1\r\n")},
      {"sections of no configuration", "[Macros]\nmacroNum=0\n[Config0]\nK0=1\n"},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    TempDir dir;
    const auto config = dir / "config.ini";
    WriteText(config, bytes);
    const ConfigCheck check = CheckConfigUsable(config);
    EXPECT_EQ(check.outcome, ConfigCheck::Outcome::Restored);
    EXPECT_EQ(check.keptAs, dir / "config.ini.damaged");
    EXPECT_EQ(ReadText(dir / "config.ini.damaged"), bytes);
    EXPECT_EQ(ReadText(config), ShippedConfigText());
    EXPECT_NE(check.message.find((dir / "config.ini.damaged").string()), std::string::npos) << check.message;
    // Checked again, the restored file is usable.
    EXPECT_EQ(CheckConfigUsable(config).outcome, ConfigCheck::Outcome::Usable);
  }
}

TEST(ConfigCheck, EarlierDamagedCopiesAreNeverOverwritten) {
  TempDir dir;
  const auto config = dir / "config.ini";
  WriteText(dir / "config.ini.damaged", "first");
  WriteText(dir / "config.ini.damaged.1", "second");
  WriteText(config, "third");
  const ConfigCheck check = CheckConfigUsable(config);
  EXPECT_EQ(check.outcome, ConfigCheck::Outcome::Restored);
  EXPECT_EQ(check.keptAs, dir / "config.ini.damaged.2");
  EXPECT_EQ(ReadText(dir / "config.ini.damaged"), "first");
  EXPECT_EQ(ReadText(dir / "config.ini.damaged.1"), "second");
  EXPECT_EQ(ReadText(dir / "config.ini.damaged.2"), "third");
}

// Anything with Init or a profile section is a configuration, however
// incomplete: missing keys read as zeros and Apply repairs them.
TEST(ConfigCheck, FilesWithInitOrAProfileAreLeftAlone) {
  for (const char* text : {"[Init]\n", "[init]\nCurConfig=9\n", "[Config3]\nK0=1\n", "; note\n[CfgReset_EN5]\n",
                           "[config7]", "\xEF\xBB\xBF[Init]\r\nVER_SEL=1\r\n"}) {
    TempDir dir;
    WriteText(dir / "config.ini", text);
    const ConfigCheck check = CheckConfigUsable(dir / "config.ini");
    EXPECT_EQ(check.outcome, ConfigCheck::Outcome::Usable) << text;
    EXPECT_EQ(check.message, "");
    EXPECT_EQ(ReadText(dir / "config.ini"), text);
    EXPECT_FALSE(std::filesystem::exists(dir / "config.ini.damaged"));
  }
}

TEST(ConfigCheck, MissingFileIsLeftToTheProfileLoad) {
  TempDir dir;
  EXPECT_EQ(CheckConfigUsable(dir / "config.ini").outcome, ConfigCheck::Outcome::Missing);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace orv::settings
