#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <grp.h>
#include <pwd.h>

#include <algorithm>
#include <csignal>
#include <set>

#include "support/temp_dir.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;

std::set<std::string> Names(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

TEST(AtomicFile, ReplacesWholeAndKeepsPermissions) {
  TempDir dir;
  const auto file = dir / "f.ini";
  ASSERT_EQ(WriteFileAtomically(file, "old"), Outcome());
  ::chmod(file.c_str(), 0600);
  ASSERT_EQ(WriteFileAtomically(file, "new contents"), Outcome());
  EXPECT_EQ(ReadText(file), "new contents");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // No temporary files are left behind.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

// Bytes already in the file are not written again (the same file stays), while
// any difference, even of the same length, is.
TEST(AtomicFile, RewritesOnlyWhatChanged) {
  TempDir dir;
  const auto file = dir / "f.ini";
  const auto inode = [&] {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : ino_t{0};
  };
  ASSERT_EQ(WriteFileAtomically(file, "K0=15\n"), Outcome());
  struct Case {
    const char* bytes;
    bool replaced;
  };
  for (const Case& c : {Case{"K0=15\n", false}, Case{"K0=16\n", true}, Case{"K0=16", true}, Case{"K0=16", false}}) {
    const ino_t before = inode();
    ASSERT_EQ(WriteFileAtomically(file, c.bytes), Outcome()) << c.bytes;
    EXPECT_EQ(ReadText(file), c.bytes);
    // A replacement's temporary file is made while the old file still
    // exists, so it always has another inode.
    EXPECT_EQ(inode() != before, c.replaced) << c.bytes;
  }
}

// A writer killed at any moment leaves either the old or the new file whole.
TEST(AtomicFile, KillDuringWritesLeavesAWholeFile) {
  TempDir dir;
  const auto file = dir / "f.ini";
  const std::string a(200000, 'a');
  const std::string b(300000, 'b');
  ASSERT_EQ(WriteFileAtomically(file, a), Outcome());
  for (int round = 0; round < 5; ++round) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) {
        (void)WriteFileAtomically(file, b);
        (void)WriteFileAtomically(file, a);
      }
    }
    ::usleep(20000 + 7000 * round);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::string now = ReadText(file);
    EXPECT_TRUE(now == a || now == b) << "size " << now.size();
  }
  // Whatever temporary files the kills left are recognised as ours once stale.
  const auto later = std::filesystem::file_time_type::clock::now() + std::chrono::minutes(2);
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir.path(), later).failures.size(), 0u);
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"f.ini"});
}

TEST(AtomicFile, ReadWholeFileOfMissingFileIsEmpty) {
  TempDir dir;
  EXPECT_FALSE(ReadWholeFile(dir / "nope").has_value());
}

// A config file kept elsewhere (a dotfiles folder) and linked into place: the
// link stays, the file it points to gets the new bytes, and the temporary file
// lives in the target's folder, so nothing is left anywhere.
TEST(AtomicFile, SymlinkedFileReplacesTheTargetInItsOwnFolder) {
  TempDir dir;
  const auto linkDir = dir / "config";
  const auto dotfiles = dir / "dotfiles";
  const auto middle = dir / "middle";
  std::filesystem::create_directories(linkDir);
  std::filesystem::create_directories(dotfiles);
  std::filesystem::create_directories(middle);
  test::WriteText(dotfiles / "real.ini", "old");
  ::chmod((dotfiles / "real.ini").c_str(), 0600);
  // Two levels: config/config.ini -> ../middle/hop.ini -> <absolute>/dotfiles/real.ini
  std::filesystem::create_symlink(dotfiles / "real.ini", middle / "hop.ini");
  std::filesystem::create_symlink("../middle/hop.ini", linkDir / "config.ini");

  ASSERT_EQ(WriteFileAtomically(linkDir / "config.ini", "new"), Outcome());
  EXPECT_TRUE(std::filesystem::is_symlink(linkDir / "config.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(middle / "hop.ini"));
  EXPECT_EQ(ReadText(dotfiles / "real.ini"), "new");
  EXPECT_EQ(ReadText(linkDir / "config.ini"), "new");
  struct stat st {};
  ASSERT_EQ(::stat((dotfiles / "real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Names(linkDir), std::set<std::string>{"config.ini"});
  EXPECT_EQ(Names(middle), std::set<std::string>{"hop.ini"});
  EXPECT_EQ(Names(dotfiles), std::set<std::string>{"real.ini"});
}

// A link whose target does not exist yet creates the target (and its folder),
// so a dotfiles link made before the first save works as the user meant.
TEST(AtomicFile, DanglingSymlinkCreatesTheTarget) {
  TempDir dir;
  std::filesystem::create_symlink("dotfiles/new.ini", dir / "config.ini");
  ASSERT_EQ(WriteFileAtomically(dir / "config.ini", "first"), Outcome());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "config.ini"));
  EXPECT_EQ(ReadText(dir / "dotfiles" / "new.ini"), "first");
}

TEST(AtomicFile, SymlinkLoopIsAnError) {
  TempDir dir;
  std::filesystem::create_symlink("b", dir / "a");
  std::filesystem::create_symlink("a", dir / "b");
  EXPECT_NE(WriteFileAtomically(dir / "a", "x"), Outcome());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "a"));
}

// Something that is not a regular file is never replaced, and a FIFO is not
// opened (which would block until a reader came).
TEST(AtomicFile, RefusesToReplaceWhatIsNotARegularFile) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  std::filesystem::create_directories(dir / "folder");
  std::filesystem::create_symlink("/dev/null", dir / "device");
  std::filesystem::create_symlink("fifo", dir / "link-to-fifo");
  for (const char* name : {"fifo", "folder", "device", "link-to-fifo"}) {
    const std::string error = WriteFileAtomically(dir / name, "x").value_or(Failure{}).Text();
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << name << ": " << error;
    EXPECT_FALSE(ReadWholeFile(dir / name).has_value()) << name;
  }
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "device"));
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"device", "fifo", "folder", "link-to-fifo"}));
}

// Run as root (an installed service, sudo), a save keeps the file's owner and
// group so that the user it belongs to can still read and write it.
TEST(AtomicFile, ReplacementKeepsOwnerAndGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the file away";
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  const gid_t group = nobody->pw_gid;
  TempDir dir;
  const auto file = dir / "f.ini";
  ASSERT_EQ(WriteFileAtomically(file, "old"), Outcome());
  ASSERT_EQ(::chown(file.c_str(), nobody->pw_uid, group), 0);
  ::chmod(file.c_str(), 0640);
  ASSERT_EQ(WriteFileAtomically(file, "new"), Outcome());
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, nobody->pw_uid);
  EXPECT_EQ(st.st_gid, group);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadText(file), "new");
}

// Temporary files of writes that were killed before their rename: only names
// of exactly that form, older than a minute, are removed.
TEST(AtomicFile, RemovesOnlyStaleTemporaryFilesOfItsOwn) {
  TempDir dir;
  const auto now = std::filesystem::file_time_type::clock::now();
  using std::chrono::seconds;
  struct Case {
    const char* name;
    seconds age;
    bool removed;
  };
  const Case cases[] = {
      {".config.ini.a1B2c3", seconds(120), true},
      {".1.ini.ZZZZZZ", seconds(3600 * 24), true},
      {".config.ini.Q9w8E7", seconds(61), true},
      {".config.ini.x1y2z3", seconds(30), false},    // a write may still be going on
      {".config.ini.x1y2z3a", seconds(120), false},  // seven characters
      {".config.ini.x1y2z", seconds(120), false},    // five characters
      {".config.ini.x1-2z3", seconds(120), false},   // not from the temporary-name alphabet
      {"config.ini.a1B2c3", seconds(120), false},    // no leading dot
      {"..a1B2c3", seconds(120), false},             // no file name inside
      {".config.ini", seconds(120), false},
      {"config.ini", seconds(120), false},
      {".a1B2c3", seconds(120), false},
  };
  for (const Case& c : cases) {
    test::WriteText(dir / c.name, "x");
    std::filesystem::last_write_time(dir / c.name, now - c.age);
  }
  // A folder and a link of the right name are not ours either.
  std::filesystem::create_directories(dir / ".folder.abcdef");
  std::filesystem::last_write_time(dir / ".folder.abcdef", now - seconds(120));
  std::filesystem::create_symlink("config.ini", dir / ".link.abcdef");

  const StaleTemporaryCleanup result = RemoveStaleTemporaryFiles(dir.path(), now);
  EXPECT_TRUE(result.failures.empty()) << JoinedText(result.failures, "; ");
  EXPECT_EQ(result.removed.size(), 3u);
  for (const Case& c : cases) EXPECT_EQ(!std::filesystem::exists(dir / c.name), c.removed) << c.name;
  EXPECT_TRUE(std::filesystem::is_directory(dir / ".folder.abcdef"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / ".link.abcdef"));
}

TEST(AtomicFile, StaleTemporaryCleanupOfMissingFolderIsQuiet) {
  TempDir dir;
  const StaleTemporaryCleanup result =
      RemoveStaleTemporaryFiles(dir / "absent", std::filesystem::file_time_type::clock::now());
  EXPECT_TRUE(result.failures.empty()) << JoinedText(result.failures, "; ");
  EXPECT_TRUE(result.removed.empty());
}

}  // namespace
}  // namespace orv
