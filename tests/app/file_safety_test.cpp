// The start-up with files that are missing, damaged or cannot be used: the
// mouse always gets a whole profile, the user is told what happened, and
// nothing the user made is lost or written over.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/controller.h"
#include "app/fake_port.h"
#include "app/startup.h"
#include "device/device_link.h"
#include "macros/macro_files.h"
#include "platform/private_profile.h"
#include "platform/program_folders.h"
#include "support/as_nobody.h"
#include "support/fake_clock.h"
#include "support/memory_mouse.h"
#include "support/temp_dir.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

// A copy of the shipped program folder (skin, configuration, macro files).
void CopyPortable(const fs::path& to) {
  const fs::path portable = ORV_PORTABLE_DIR;
  fs::create_directories(to / "skins");
  for (const char* sub : {"INI_EN", "INI_CN", "config"}) {
    fs::copy(portable / "skins" / sub, to / "skins" / sub, fs::copy_options::recursive);
  }
  for (const char* name : {"Macro_EN.dat", "Macro_CN.dat", "constMacro.dat"}) {
    fs::copy_file(portable / name, to / name);
  }
}

// What a start-up did: the reports the mouse got, the messages shown, and the
// messages of an Apply the user asked for afterwards.
struct Started {
  std::vector<std::string> wire;
  std::vector<std::string> messages;
  std::vector<std::string> applyMessages;
  macros::MacroTables* macros = nullptr;
};

// Starts the program on `folders` with the mouse plugged in and then applies
// as the user would; `inspect` sees the state before it is gone.
Started StartOn(const fs::path& exeDir, const ProgramFolders& folders,
                const std::function<void(app::AppState&)>& inspect = {}) {
  app::AppState s;
  s.exeDir = exeDir;
  s.folders = folders;
  auto backend = std::make_unique<device::SimulatedMouse>();
  const device::SimulatedMouse* mouse = backend.get();
  s.session.backend = std::move(backend);
  s.session.host = std::make_unique<settings::RecordingHostSettings>();
  FakePort port;
  UseFakeClock(s);
  Started started;
  if (app::InitialiseMainWindow(s, port, {"ORV_ZIduzu"}) != app::StartupResult::Running) {
    started.messages.push_back("(did not start)");
    return started;
  }
  for (const Report& r : mouse->Features()) started.wire.push_back(FormatReport(r));
  started.messages = port.messages;
  port.messages.clear();
  app::ApplyCurrentProfile(s, port, true);
  started.applyMessages = port.messages;
  if (inspect) inspect(s);
  // Whatever was served from memory is read from the disk again.
  for (const fs::path& file : {folders.configPath, folders.user / "Macro_EN.dat", folders.user / "Macro_CN.dat"}) {
    ServeFromDisk(file);
  }
  return started;
}

// The names below `folder`, to see that nothing was added or removed.
std::set<std::string> Listing(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    names.insert(it->path().lexically_relative(folder).string());
  }
  return names;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class FileSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyPortable(reference.path());
    factory = StartOn(reference.path(), PortableFolders(reference.path())).wire;
    ASSERT_EQ(factory.size(), 22u);
    ASSERT_EQ(factory[0], "07 10 01 01 00 00 00 00");  // the left click
    ASSERT_EQ(factory[1], "07 10 02 02 00 00 00 00");  // the right click
  }
  TempDir reference;
  std::vector<std::string> factory;  // what a fresh install sends
};

// Every way the configuration can be unusable: the mouse gets the shipped
// profile, the message names the file or folder and the reason, and what
// cannot be read is neither lost nor written over.
TEST_F(FileSafetyTest, AnUnusableConfigurationNeverGivesTheProfileSent) {
  struct Case {
    const char* what;
    bool installed;        // the user's files in $XDG_CONFIG_HOME, else the portable folder
    bool unprivileged;     // needs a user whom permissions bind
    std::function<FolderEnvironment(const fs::path& root, const ProgramFolders& portable)> damage;
    std::vector<std::string> said;  // parts of the start-up's message
    bool saves;                     // a later Apply saves its files
  };
  const auto portableConfig = [](const ProgramFolders& p) { return p.configPath; };
  const Case cases[] = {
      {"missing", false, false,
       [&](const fs::path&, const ProgramFolders& p) {
         fs::remove(portableConfig(p));
         return FolderEnvironment{};
       },
       {kMissingFileMessage, "config.ini: missing", "put in its place"}, true},
      {"empty", false, false,
       [](const fs::path&, const ProgramFolders& p) {
         WriteText(p.configPath, "");
         return FolderEnvironment{};
       },
       {"damaged", "config.ini.damaged"}, true},
      {"not our format", false, false,
       [](const fs::path&, const ProgramFolders& p) {
         WriteText(p.configPath, std::string("\xFF\xFE\x01garbage", 10));
         return FolderEnvironment{};
       },
       {"damaged", "config.ini.damaged"}, true},
      {"a folder", false, false,
       [](const fs::path&, const ProgramFolders& p) {
         fs::remove(p.configPath);
         fs::create_directory(p.configPath);
         return FolderEnvironment{};
       },
       {"config.ini cannot be read: a folder, not a file", "nothing can be saved"}, false},
      {"unreadable", false, true,
       [](const fs::path&, const ProgramFolders& p) {
         fs::permissions(p.configPath, fs::perms::none);
         if (::geteuid() == 0) ::chown(p.configPath.parent_path().c_str(), kNobody, kNobody);
         return FolderEnvironment{};
       },
       {"config.ini cannot be read: Permission denied", "nothing can be saved"}, false},
      {"$XDG_CONFIG_HOME is a file", true, false,
       [](const fs::path& root, const ProgramFolders&) {
         WriteText(root / "xdg", "a file");
         return FolderEnvironment{(root / "xdg").string(), (root / "home").string()};
       },
       {"xdg/orv-ziduzu cannot be used: Not a directory", "nothing can be saved"}, false},
      {"$XDG_CONFIG_HOME may not be written", true, true,
       [](const fs::path& root, const ProgramFolders&) {
         fs::create_directories(root / "xdg");
         fs::permissions(root / "xdg", fs::perms::owner_read | fs::perms::owner_exec);
         return FolderEnvironment{(root / "xdg").string(), (root / "home").string()};
       },
       {"xdg/orv-ziduzu cannot be used: Permission denied", "nothing can be saved"}, false},
      {"$HOME may not be written", true, true,
       [](const fs::path& root, const ProgramFolders&) {
         fs::create_directories(root / "home");
         fs::permissions(root / "home", fs::perms::owner_read | fs::perms::owner_exec);
         return FolderEnvironment{"", (root / "home").string()};
       },
       {"home/.config/orv-ziduzu cannot be used: Permission denied", "nothing can be saved"}, false},
      {"no home at all", true, false,
       [](const fs::path&, const ProgramFolders&) { return FolderEnvironment{"", ""}; },
       {"cannot be used: no home folder is known", "nothing can be saved"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir root;
    // Installed, the data lies in share/orv-ziduzu beside bin/.
    const fs::path exeDir = c.installed ? root / "bin" : root / "app";
    const fs::path data = c.installed ? root / "share/orv-ziduzu" : exeDir;
    CopyPortable(data);
    fs::create_directories(exeDir);
    const FolderEnvironment env = c.damage(root.path(), PortableFolders(data));
    const ProgramFolders folders = c.installed ? DecideProgramFolders(exeDir, env) : PortableFolders(exeDir);
    const fs::path watched = c.installed ? root.path() : folders.configPath.parent_path();
    const std::string unusable = ReadText(folders.configPath);
    const std::set<std::string> before = Listing(watched);

    const auto check = [&]() -> std::string {
      const Started started = StartOn(exeDir, folders);
      std::string wrong;
      if (started.wire != factory) wrong += "the mouse did not get the shipped profile; ";
      if (started.messages.size() != 1) {
        wrong += std::to_string(started.messages.size()) + " messages; ";
      } else {
        for (const std::string& part : c.said) {
          if (!Contains(started.messages[0], part)) wrong += "no \"" + part + "\" in: " + started.messages[0] + "; ";
        }
      }
      const bool refused = started.applyMessages.size() == 1 && Contains(started.applyMessages[0], "nothing can be saved");
      if (c.saves ? !started.applyMessages.empty() : !refused) {
        wrong += "the Apply said: " + (started.applyMessages.empty() ? "nothing" : started.applyMessages[0]) + "; ";
      }
      return wrong;
    };
    if (c.unprivileged) {
      EXPECT_EQ(RunUnprivileged([&] {
                  const std::string wrong = check();
                  if (!wrong.empty()) std::fprintf(stderr, "%s: %s\n", c.what, wrong.c_str());
                  return wrong.empty();
                }),
                0);
    } else {
      EXPECT_EQ(check(), "");
    }
    if (!c.saves) {
      EXPECT_EQ(Listing(watched), before) << "nothing made, nothing removed";
      EXPECT_EQ(ReadText(folders.configPath), unusable) << "what could not be used is left as it was";
    }
    fs::permissions(root.path(), fs::perms::owner_all, fs::perm_options::add);
    for (const char* sub : {"xdg", "home"}) {
      std::error_code ec;
      fs::permissions(root / sub, fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
}

std::vector<std::string> MacroNames(const macros::MacroTables& tables) {
  std::vector<std::string> names;
  for (int k = 0; k < tables.userMacroCount; ++k) names.push_back(macros::MacroName(tables.userMacros[k]));
  return names;
}

// A macro file that is damaged or gone: the macros come from the copy the
// configuration keeps (written by the last Apply), the damaged bytes are kept
// beside it, the user is told once, and the file is made anew.
TEST_F(FileSafetyTest, ADamagedOrMissingMacroFileIsMadeAnewFromTheProfilesCopy) {
  struct Case {
    const char* what;
    std::function<std::string(const std::string& good)> damage;  // the new bytes; nullopt-like "\x01gone"
    std::vector<std::string> said;  // empty: no message
    bool keptAside;
  };
  const std::string gone = "\x01gone";
  const Case cases[] = {
      {"junk bytes", [](const std::string&) { return std::string("\x13\x37junk\xFF\xFE", 8); },
       {"Macro_EN.dat was damaged", "Macro_EN.dat.damaged", "made anew from the 3 macros kept in profile 1"}, true},
      {"empty", [](const std::string&) { return std::string(); }, {"Macro_EN.dat was damaged"}, true},
      {"no macro list", [](const std::string&) { return std::string("[Other]\nmacroNum=2\n"); },
       {"Macro_EN.dat was damaged"}, true},
      {"cut in the middle of an entry", [](const std::string& good) { return good.substr(0, good.size() - 1000); },
       {"Macro_EN.dat was damaged"}, true},
      {"missing", [&](const std::string&) { return gone; },
       {kMissingFileMessage, "Macro_EN.dat: missing", "made anew from the 3 macros"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir root;
    CopyPortable(root.path());
    const ProgramFolders folders = PortableFolders(root.path());
    const fs::path macroFile = root / "Macro_EN.dat";
    // A first start applies the example macros, so the profile keeps a copy.
    std::vector<std::string> applied;
    StartOn(root.path(), folders, [&](app::AppState& s) { applied = MacroNames(s.macros); });
    ASSERT_EQ(applied.size(), 3u);
    const std::string damaged = c.damage(ReadText(macroFile));
    if (damaged == gone) {
      fs::remove(macroFile);
    } else {
      WriteText(macroFile, damaged);
    }

    std::vector<std::string> live;
    const Started started = StartOn(root.path(), folders, [&](app::AppState& s) { live = MacroNames(s.macros); });
    EXPECT_EQ(started.wire, factory);
    EXPECT_EQ(live, applied) << "the profile's copy";
    ASSERT_EQ(started.messages.size(), 1u);
    for (const std::string& part : c.said) EXPECT_TRUE(Contains(started.messages[0], part)) << started.messages[0];
    EXPECT_TRUE(started.applyMessages.empty());
    EXPECT_EQ(fs::exists(root / "Macro_EN.dat.damaged"), c.keptAside);
    if (c.keptAside) {
      EXPECT_EQ(ReadText(root / "Macro_EN.dat.damaged"), damaged) << "kept byte for byte";
    }
    // The file holds the macros again, and the next start is quiet.
    const Started again = StartOn(root.path(), folders, [&](app::AppState& s) { live = MacroNames(s.macros); });
    EXPECT_EQ(live, applied);
    EXPECT_TRUE(again.messages.empty());
  }
}

// A macro count beyond the entries present loads what is there, quietly
// (the log says so), and invents no blank macros to write back.
TEST_F(FileSafetyTest, ACountBeyondTheEntriesLoadsWhatIsThere) {
  TempDir root;
  CopyPortable(root.path());
  const fs::path macroFile = root / "Macro_EN.dat";
  std::string text = ReadText(macroFile);
  text.replace(text.find("macroNum=3"), 10, "macroNum=9");
  WriteText(macroFile, text);
  std::vector<std::string> live;
  const Started started =
      StartOn(root.path(), PortableFolders(root.path()), [&](app::AppState& s) { live = MacroNames(s.macros); });
  EXPECT_EQ(live.size(), 3u);
  EXPECT_TRUE(started.messages.empty());
  EXPECT_EQ(GetProfileString(macroFile, "Macros", "macroNum", 3), "3");
  EXPECT_EQ(GetProfileString(root / "skins/config/config.ini", "Config1", "macroNum", 3), "3");
}

}  // namespace
}  // namespace orv::test
