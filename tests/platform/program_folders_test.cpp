#include "platform/program_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/as_nobody.h"
#include "support/temp_dir.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

// A tree with a portable folder (portable/skins) and an installation
// (prefix/bin, prefix/share/orv-ziduzu with its shipped files).
class ProgramFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "portable/skins/config");
    fs::create_directories(dir / "prefix/bin");
    WriteText(Data() / "skins/config/config.ini", "[Init]\nCurConfig=1\n");
    WriteText(Data() / "Macro_EN.dat", "[Macros]\nmacroNum=0\n");
    WriteText(Data() / "Macro_CN.dat", "[Macros]\nmacroNum=1\n");
    WriteText(Data() / "constMacro.dat", "[Macros]\n");
  }
  void TearDown() override {
    // Let the folder's removal in; a test may have taken the write permission away.
    fs::permissions(dir / "portable", fs::perms::owner_all, fs::perm_options::add);
  }
  fs::path Data() const { return dir / "prefix/share/orv-ziduzu"; }
  FolderEnvironment Env() const { return {"", (dir / "home").string()}; }

  TempDir dir;
};

TEST_F(ProgramFoldersTest, TheFoldersFollowWhereTheExecutableLies) {
  const fs::path home = dir / "home";
  struct Case {
    const char* what;
    fs::path exeDir;
    FolderEnvironment env;
    ProgramFolders expected;
  } cases[] = {
      {"portable folder", dir / "portable", Env(), PortableFolders(dir / "portable")},
      {"installed", dir / "prefix/bin", Env(),
       {Data(), home / ".config/orv-ziduzu", home / ".config/orv-ziduzu/config.ini", home}},
      {"installed, XDG_CONFIG_HOME", dir / "prefix/bin", {(dir / "xdg").string(), home.string()},
       {Data(), dir / "xdg/orv-ziduzu", dir / "xdg/orv-ziduzu/config.ini", home}},
      {"installed, relative XDG_CONFIG_HOME is ignored", dir / "prefix/bin", {"rel/xdg", home.string()},
       {Data(), home / ".config/orv-ziduzu", home / ".config/orv-ziduzu/config.ini", home}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramFolders f = DecideProgramFolders(c.exeDir, c.env);
    EXPECT_EQ(f.data, c.expected.data);
    EXPECT_EQ(f.user, c.expected.user);
    EXPECT_EQ(f.configPath, c.expected.configPath);
    EXPECT_EQ(f.dialogs, c.expected.dialogs);
  }
  // The portable folder keeps the layout the build makes.
  EXPECT_EQ(PortableFolders(dir / "portable").configPath, dir / "portable/skins/config/config.ini");
}

TEST_F(ProgramFoldersTest, AReadOnlyPortableFolderIsReadButNotWritten) {
  // Decided without root's powers (root may write any folder); everyone may
  // look into the tree, nobody may write the portable folder.
  ::chmod(dir.path().c_str(), 0755);
  ::chmod((dir / "portable").c_str(), 0555);
  const int status = RunUnprivileged([&] {
    const ProgramFolders f = DecideProgramFolders(dir / "portable", Env());
    return f.data == dir / "portable" && f.user == dir / "home/.config/orv-ziduzu";
  });
  ASSERT_NE(status, 2) << "could not drop privileges";
  EXPECT_EQ(status, 0) << "a read-only portable folder was taken as the user's folder";
}

TEST_F(ProgramFoldersTest, TheFirstStartCopiesTheShippedFilesAndLaterStartsKeepTheUsers) {
  const ProgramFolders f = DecideProgramFolders(dir / "prefix/bin", Env());
  EXPECT_TRUE(PrepareUserFolder(f).empty());
  EXPECT_EQ(ReadText(f.configPath), "[Init]\nCurConfig=1\n");
  EXPECT_EQ(ReadText(f.user / "Macro_EN.dat"), "[Macros]\nmacroNum=0\n");
  EXPECT_EQ(ReadText(f.user / "Macro_CN.dat"), "[Macros]\nmacroNum=1\n");
  EXPECT_FALSE(fs::exists(f.user / "constMacro.dat")) << "the built-in macros are read from the data";

  WriteText(f.configPath, "[Init]\nCurConfig=4\n");
  fs::remove(f.user / "Macro_CN.dat");
  EXPECT_TRUE(PrepareUserFolder(f).empty());
  EXPECT_EQ(ReadText(f.configPath), "[Init]\nCurConfig=4\n") << "never overwritten";
  EXPECT_FALSE(fs::exists(f.user / "Macro_CN.dat"))
      << "a lost macro file is made anew from the configuration's copy, not from the examples";
}

TEST_F(ProgramFoldersTest, APortableFolderIsLeftAlone) {
  const ProgramFolders f = PortableFolders(dir / "portable");
  WriteText(f.configPath, "mine");
  EXPECT_TRUE(PrepareUserFolder(f).empty());
  EXPECT_EQ(ReadText(f.configPath), "mine");
  EXPECT_FALSE(fs::exists(dir / "portable/Macro_EN.dat")) << "nothing shipped there to copy";
}

TEST_F(ProgramFoldersTest, AUserFolderThatCannotBeMadeIsReported) {
  WriteText(dir / "home/.config", "a file where the folder should be");
  const ProgramFolders f = DecideProgramFolders(dir / "prefix/bin", Env());
  const std::vector<Failure> problems = PrepareUserFolder(f);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].Text().find(f.user.string()), std::string::npos);
}

}  // namespace
}  // namespace orv::test
