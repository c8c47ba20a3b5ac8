#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/temp_dir.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;

TEST(AtomicFile, ReplacesWholeAndKeepsPermissions) {
  TempDir dir;
  const auto file = dir / "f.ini";
  ASSERT_EQ(WriteFileAtomically(file, "old"), "");
  ::chmod(file.c_str(), 0600);
  ASSERT_EQ(WriteFileAtomically(file, "new contents"), "");
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

// A writer killed at any moment leaves either the old or the new file whole.
TEST(AtomicFile, KillDuringWritesLeavesAWholeFile) {
  TempDir dir;
  const auto file = dir / "f.ini";
  const std::string a(200000, 'a');
  const std::string b(300000, 'b');
  ASSERT_EQ(WriteFileAtomically(file, a), "");
  for (int round = 0; round < 5; ++round) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) {
        WriteFileAtomically(file, b);
        WriteFileAtomically(file, a);
      }
    }
    ::usleep(20000 + 7000 * round);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::string now = ReadText(file);
    EXPECT_TRUE(now == a || now == b) << "size " << now.size();
  }
}

TEST(AtomicFile, ReadWholeFileOfMissingFileIsEmpty) {
  TempDir dir;
  EXPECT_FALSE(ReadWholeFile(dir / "nope").has_value());
}

}  // namespace
}  // namespace orv
