#include "settings/config_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

#include "device/wire_codes.h"
#include "macros/macro_files.h"
#include "settings/config_check.h"
#include "support/missing_file.h"
#include "support/temp_dir.h"

namespace orv::settings {
namespace {

// Everything a profile stores, as one comparable tuple of text.
std::string Describe(const MouseSettings& s) {
  std::ostringstream o;
  for (int b = 0; b < kButtonCount; ++b) o << "K" << b << "=" << s.K[b] << " ";
  o << "L=" << s.DPI_LEVEL << " ";
  for (const DpiLevel& l : s.levels) {
    o << "[" << int{l.step} << "," << int{l.enabled} << "," << l.r << "," << l.g << "," << l.b << ","
      << l.displayColour << "," << l.selectedStepHit << "] ";
  }
  o << int{s.LED_TYPE} << " " << int{s.LED_CYC_TIME} << " " << int{s.CYC_7COL_EN} << " " << s.WHEEL_STATUS << " "
    << s.FIRE_TIME << " " << int{s.DPI_SPEED} << " " << int{s.WHEEL_SPEED} << " " << int{s.USB_SPEED} << " "
    << s.MACRO_MODE2 << " flags=";
  for (bool f : s.colourCycleFlags) o << f;
  return o.str();
}

// A record with a different value in every stored field.
MouseSettings Distinct() {
  MouseSettings s;
  const int32_t codes[kButtonCount] = {41, 1, 24, 6, 17, 52, 39};
  for (int b = 0; b < kButtonCount; ++b) s.K[b] = codes[b];
  s.DPI_LEVEL = 4;
  for (int n = 0; n < kLevelCount; ++n) {
    s.levels[n] = {static_cast<uint8_t>(11 - n), static_cast<uint8_t>(n % 2), n, 15 - n, 2 * n};
  }
  s.LED_TYPE = 3;
  s.LED_CYC_TIME = 5;
  s.CYC_7COL_EN = 0x55;
  s.WHEEL_STATUS = 1;
  s.FIRE_TIME = 299;
  s.DPI_SPEED = 9;
  s.WHEEL_SPEED = 7;
  s.USB_SPEED = 3;
  s.MACRO_MODE2 = -12;
  for (int k = 0; k < kCycleColourCount; ++k) s.colourCycleFlags[k] = (0x55 >> k) & 1;
  RecomputeDerived(s);
  return s;
}

std::vector<std::string> KeysOf(const std::string& text, const std::string& section) {
  std::istringstream in(text);
  std::vector<std::string> keys;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') inside = line == "[" + section + "]";
    else if (inside && line.find('=') != std::string::npos) keys.push_back(line.substr(0, line.find('=')));
  }
  return keys;
}

struct ConfigFixture : ::testing::Test {
  test::TempDir dir;
  std::filesystem::path file = dir / "config.ini";
  MouseSettings settings;
  std::unique_ptr<macros::MacroTables> macros = std::make_unique<macros::MacroTables>();
  ProfileState profile;
  ConfigContext ctx{settings, *macros, &profile, 0};
};

TEST_F(ConfigFixture, SaveThenLoadKeepsEveryFieldAndKeyOrder) {
  settings = Distinct();
  const uint64_t writes = IniFileWriteCount();
  EXPECT_EQ(SaveConfig(ctx, file, 3, true), Outcome());
  EXPECT_EQ(IniFileWriteCount(), writes + 1);  // settings and macros in one write

  std::vector<std::string> order = {"K0", "K1", "K2", "K3", "K4", "K5", "K6", "DPI_LEVEL", "WHEEL_STATUS",
                                    "MACRO_MODE2", "CYC_7COL_EN"};
  for (int n = 0; n < kLevelCount; ++n) {
    const std::string d = std::to_string(n);
    for (std::string key : {"DPI_SET" + d, "DPI_SET_EN" + d, "DPI" + d + "_R", "DPI" + d + "_G", "DPI" + d + "_B"})
      order.push_back(key);
  }
  for (const char* key : {"LED_TYPE", "LED_CYC_TIME", "DPI_SPEED", "WHEEL_SPEED", "USB_SPEED", "FIRE_TIME",
                          "macroNum"})
    order.push_back(key);
  EXPECT_EQ(KeysOf(test::ReadText(file), "Config3"), order);

  MouseSettings loaded;
  ConfigContext in{loaded, *macros, nullptr, 0};
  EXPECT_EQ(LoadConfig(in, file, 3, false).missingFile, std::nullopt);
  EXPECT_EQ(Describe(loaded), Describe(Distinct()));
}

TEST_F(ConfigFixture, ValuesAreCutStoredAsReadAndLookupsStayBounded) {
  test::WriteText(file,
                  "[Config2]\nK0=12345\nDPI_LEVEL=-7\nDPI_SET0=123456789012\nDPI_SET_EN2=7\nDPI1_R=999\n"
                  "DPI1_G=-3\nCYC_7COL_EN=5\nLED_TYPE=300\nFIRE_TIME= 42ms\nDPI_SET1=40\n");
  LoadConfig(ctx, file, 2, false);
  EXPECT_EQ(settings.K[0], 1234);
  EXPECT_EQ(settings.DPI_LEVEL, -7);
  EXPECT_EQ(settings.levels[0].step, 123456789 & 0xFF);
  EXPECT_EQ(settings.levels[2].enabled, 1);
  EXPECT_EQ(settings.levels[1].r, 999);
  EXPECT_EQ(settings.levels[1].displayColour, DisplayColourFor(15, 0, 0));
  EXPECT_EQ(device::StepCodeFor(settings.levels[1].step), device::kDpiStepCodes[0]);
  EXPECT_EQ(settings.colourCycleFlags, (std::array<bool, 7>{true, false, true, false, false, false, false}));
  EXPECT_EQ(settings.LED_TYPE, 44);
  EXPECT_EQ(settings.FIRE_TIME, 42);

  EXPECT_EQ(SaveConfig(ctx, file, 2, false), Outcome());
  EXPECT_EQ(GetProfileString(file, "Config2", "DPI_SET_EN2", 10), "1");
  EXPECT_EQ(GetProfileString(file, "Config2", "DPI1_R", 10), "999");  // kept as read
  EXPECT_EQ(GetProfileString(file, "Config2", "DPI_LEVEL", 10), "-7");
}

// A profile the file does not hold is never read as zeros: the shipped
// profile stands in, and the live macros stay.
TEST_F(ConfigFixture, AProfileTheFileDoesNotHoldComesFromTheShippedDefaults) {
  MouseSettings shipped;
  ResetToFactory(shipped);
  shipped.colourCycleFlags.fill(true);
  RecomputeDerived(shipped);
  struct Case {
    const char* what;
    std::string text;  // "" : no file
    int32_t n;
    bool factory;
  } cases[] = {
      {"no section", "[Init]\nCurConfig=3\nVER_SEL=1\n", 1, false},
      {"an empty section", "[Config1]\n; nothing\n", 1, false},
      {"no file", "", 1, false},
      {"no applied snapshot", "[Init]\n", kAppliedProfile, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(file);
    if (!c.text.empty()) test::WriteText(file, c.text);
    settings = Distinct();
    macros->userMacroCount = 2;
    const ProfileLoad load = LoadConfig(ctx, file, c.n, c.factory);
    EXPECT_FALSE(load.found);
    EXPECT_EQ(Describe(settings), Describe(shipped));
    EXPECT_EQ(macros->userMacroCount, 2) << "the live macros stay";
    EXPECT_EQ(load.missingFile.has_value(), c.text.empty()) << "only a missing file is reported";
  }
}

TEST_F(ConfigFixture, FactorySectionsFollowTheLanguageAndKeepMacros) {
  struct Case {
    int32_t n;
    bool factory;
    int32_t language;
    const char* section;
  };
  const Case cases[] = {{5, true, 1, "CfgReset_EN5"}, {5, true, 0, "CfgReset5"}, {5, true, 2, "CfgReset5"},
                        {5, true, 257, "CfgReset5"},  {4, true, 1, "CfgReset4"}, {5, false, 1, "Config5"},
                        {0, false, 0, "Config0"}};
  for (const Case& c : cases) EXPECT_EQ(ProfileSectionName(c.n, c.factory, c.language), c.section);

  test::WriteText(file, "[CfgReset5]\nK0=3\n[CfgReset_EN5]\nK0=4\nmacroNum=0\n");
  macros->userMacroCount = 2;
  ctx.language = 1;
  LoadConfig(ctx, file, 5, true);
  EXPECT_EQ(settings.K[0], 4);
  ctx.language = 0;
  LoadConfig(ctx, file, 5, true);
  EXPECT_EQ(settings.K[0], 3);
  EXPECT_EQ(macros->userMacroCount, 2);
}

TEST_F(ConfigFixture, ProfileBookkeeping) {
  test::WriteText(file, "[Init]\nCurConfig=4\nVER_SEL=1\n");
  ReadCurrentProfile(file, profile);
  EXPECT_EQ(profile.curConfigText, "4");
  EXPECT_EQ(profile.configSection, "Config4");
  EXPECT_EQ(profile.curProfile, 4);

  profile.curProfile = 3;
  LoadConfig(ctx, file, 5, true);
  EXPECT_EQ(std::tie(profile.configSection, profile.curConfigText), std::make_tuple("CfgReset5", "5"));
  ASSERT_EQ(SaveConfig(ctx, file, 6, false), Outcome());
  EXPECT_EQ(std::tie(profile.configSection, profile.curConfigText), std::make_tuple("Config6", "6"));
  EXPECT_EQ(SaveDpiLevel(file, 2, 5), Outcome());
  EXPECT_EQ(profile.configSection, "Config6");
  EXPECT_EQ(profile.curProfile, 3);
  EXPECT_EQ(GetProfileString(file, "Config2", "DPI_LEVEL", 5), "5");

}

// Only the five user profiles can be current; anything else in the file is
// profile 1, and reading it leaves the file as it is.
TEST_F(ConfigFixture, CurrentProfileOutsideTheUserProfilesIsProfileOne) {
  const std::pair<const char*, int32_t> cases[] = {
      {"1", 1},  {"5", 5},   {" 3 ", 3},  {"2x", 2},   {"0", 1},    {"6", 1},         {"7", 1},
      {"-1", 1}, {"0x2", 1}, {"99999999999", 1}, {"", 1}, {"garbage", 1}, {"\xC3\xA7", 1}, {"-0", 1},
  };
  for (const auto& [text, want] : cases) {
    const std::string stored = std::string("[Init]\nCurConfig=") + text + "\n";
    test::WriteText(file, stored);
    ProfileState read;
    ReadCurrentProfile(file, read);
    EXPECT_EQ(std::tie(read.curProfile, read.curConfigText, read.configSection),
              std::make_tuple(want, std::to_string(want), "Config" + std::to_string(want)))
        << '"' << text << '"';
    EXPECT_EQ(test::ReadText(file), stored);
  }
  ProfileState absent;
  ReadCurrentProfile(dir / "absent.ini", absent);
  EXPECT_EQ(std::tie(absent.configSection, absent.curConfigText, absent.curProfile),
            std::make_tuple("Config1", "1", 1));
}

TEST_F(ConfigFixture, LanguageIsTheLowByteOfVerSel) {
  const std::pair<const char*, uint8_t> cases[] = {{"1", 1}, {"0", 0}, {"2", 2}, {"256", 0}, {"257", 1},
                                                   {"-1", 255}, {"x", 0}, {"12345", 1234 & 0xFF}};
  for (auto [text, want] : cases) {
    test::WriteText(file, std::string("[Init]\nVER_SEL=") + text + "\n");
    EXPECT_EQ(ReadLanguage(file), want) << text;
  }
  EXPECT_EQ(ReadLanguage(dir / "absent.ini"), 0);
}

TEST_F(ConfigFixture, ExportThenImportRestoresSettingsAndMacros) {
  settings = Distinct();
  macros->userMacroCount = 2;
  macros::SetMacroName(macros->userMacros[0], "Combo");
  macros->userMacros[1].eventCount = 2;
  macros->userMacros[1].events[0] = {macros::CODE_LEFT_BUTTON, macros::ACTION_DOWN};
  macros->userMacros[1].events[1] = {macros::CODE_LEFT_BUTTON, macros::ACTION_UP};
  macros->userMacros[1].delays[0] = 40;
  const auto exported = std::make_unique<macros::MacroTables>();
  for (int k = 0; k < 2; ++k) exported->userMacros[k] = macros->userMacros[k];

  const std::filesystem::path exchange = dir / "mine.ini";
  EXPECT_EQ(ExportConfig(ctx, exchange), Outcome());
  settings = MouseSettings{};
  ResetToFactory(settings);
  macros->userMacros[0] = {};
  macros->userMacros[1] = {};
  macros->userMacroCount = 0;

  EXPECT_EQ(ImportConfig(ctx, exchange), Outcome());
  EXPECT_EQ(Describe(settings), Describe(Distinct()));
  EXPECT_EQ(macros->userMacroCount, 2);
  EXPECT_EQ(macros->userMacros[0], exported->userMacros[0]);
  EXPECT_EQ(macros->userMacros[1], exported->userMacros[1]);
  EXPECT_EQ(profile.configSection, "Config7");

  // A file without exported settings replaces nothing and says so.
  test::WriteText(exchange, "[Config1]\nK0=1\n");
  EXPECT_NE(ImportConfig(ctx, exchange).value_or(Failure{}).Text().find("Nothing was imported"), std::string::npos);
  EXPECT_EQ(Describe(settings), Describe(Distinct()));
  EXPECT_EQ(macros->userMacroCount, 2);
}

std::filesystem::path ShippedConfig() {
  const std::filesystem::path built = std::filesystem::path(ORV_PORTABLE_DIR) / "skins/config/config.ini";
  if (std::filesystem::exists(built)) return built;
  return std::filesystem::path(ORV_SOURCE_DIR) / "resources/config/config.ini";
}

TEST(ShippedConfig, ProfileOneIsTheFactoryProfile) {
  MouseSettings loaded;
  auto tables = std::make_unique<macros::MacroTables>();
  ConfigContext ctx{loaded, *tables, nullptr, 0};
  const auto path = ShippedConfig();
  ProfileState start;
  ReadCurrentProfile(path, start);
  EXPECT_EQ(start.curProfile, 1);
  EXPECT_EQ(ReadLanguage(path), 1);
  LoadConfig(ctx, path, 1, false);
  MouseSettings factory;
  factory.colourCycleFlags.fill(true);
  ResetToFactory(factory);
  EXPECT_EQ(Describe(loaded), Describe(factory));
}

TEST(ShippedConfig, EveryProfileKeepsTheRulesAndFactoryCopiesMatch) {
  const auto path = ShippedConfig();
  auto tables = std::make_unique<macros::MacroTables>();
  std::vector<std::string> described;
  for (const auto& [n, factory, language] : std::vector<std::tuple<int, bool, int>>{
           {1, false, 0}, {2, false, 0}, {3, false, 0}, {4, false, 0}, {5, false, 0},
           {2, true, 0}, {3, true, 0}, {4, true, 0}, {5, true, 0}, {5, true, 1}}) {
    SCOPED_TRACE(ProfileSectionName(n, factory, language));
    MouseSettings s;
    ConfigContext ctx{s, *tables, nullptr, language};
    LoadConfig(ctx, path, n, factory);
    const std::string before = Describe(s);
    EXPECT_FALSE(RepairInvariants(s));
    EXPECT_EQ(Describe(s), before);
    for (int lv = 0; lv < kLevelCount; ++lv) EXPECT_LT(s.levels[lv].step, kStepCount);
    described.push_back(before);
  }
  for (int n = 2; n <= 5; ++n) EXPECT_EQ(described[n - 1], described[n + 3]) << "Config" << n;
  EXPECT_EQ(described[8], described[9]);  // CfgReset5 and CfgReset_EN5
  for (int a = 0; a < 5; ++a)
    for (int b = a + 1; b < 5; ++b) EXPECT_NE(described[a], described[b]) << a + 1 << " vs " << b + 1;
}

// A damaged file replaced at start-up gives the factory profile 1.
TEST(ConfigCheck, RestoredFileLoadsAsTheFactoryProfile) {
  test::TempDir dir;
  const auto config = dir / "config.ini";
  test::WriteText(config, std::string("\x01\xFE garbage \x00\x7F", 13));
  ASSERT_EQ(CheckConfigUsable(config).outcome, ConfigCheck::Outcome::Restored);
  ProfileState start;
  ReadCurrentProfile(config, start);
  EXPECT_EQ(start.curProfile, 1);
  MouseSettings loaded;
  auto tables = std::make_unique<macros::MacroTables>();
  ConfigContext ctx{loaded, *tables, nullptr, 0};
  LoadConfig(ctx, config, start.curProfile, false);
  MouseSettings factory;
  factory.colourCycleFlags.fill(true);
  ResetToFactory(factory);
  EXPECT_EQ(Describe(loaded), Describe(factory));
}

}  // namespace
}  // namespace orv::settings
