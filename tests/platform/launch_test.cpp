// Looking up and starting the calculator and the terminal.
#include "platform/launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "platform/whole_number.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using Strings = std::vector<std::string>;

TEST(Launch, CandidatesPutTheDesktopsOwnProgramFirst) {
  EXPECT_EQ(CandidatePrograms(Program::Calculator, "KDE", "")[0], "kcalc");
  EXPECT_EQ(CandidatePrograms(Program::Calculator, "ubuntu:GNOME", "")[0], "gnome-calculator");
  const Strings terminals = CandidatePrograms(Program::Terminal, "XFCE", "foot");
  ASSERT_GE(terminals.size(), 4u);
  EXPECT_EQ((Strings{terminals[0], terminals[1], terminals[2]}), (Strings{"foot", "xfce4-terminal", "x-terminal-emulator"}));
  EXPECT_EQ(terminals.back(), "xterm");
  EXPECT_EQ(CandidatePrograms(Program::Terminal, "", "")[0], "x-terminal-emulator");
  EXPECT_EQ(CandidatePrograms(Program::Calculator, "unknown", "foot").back(), "xcalc");  // TERMINAL is no calculator
  for (Program p : {Program::Calculator, Program::Terminal}) {
    Strings list = CandidatePrograms(p, "GNOME:KDE", "konsole");
    std::sort(list.begin(), list.end());
    EXPECT_EQ(std::adjacent_find(list.begin(), list.end()), list.end());
  }
}

TEST(Launch, FindsOnlyExecutableFiles) {
  test::TempDir dir;
  test::WriteText(dir / "a" / "tool", "#!/bin/sh\n");
  test::WriteText(dir / "b" / "tool", "#!/bin/sh\n");
  test::WriteText(dir / "b" / "plain", "text\n");
  ::chmod((dir / "b" / "tool").c_str(), 0755);
  const std::string path = ":" + (dir / "a").string() + "::" + (dir / "b").string();
  EXPECT_EQ(FindExecutable("tool", path), dir / "b" / "tool");
  EXPECT_FALSE(FindExecutable("plain", path));
  EXPECT_FALSE(FindExecutable("missing", path));
  EXPECT_FALSE(FindExecutable("", path));
  EXPECT_EQ(FindExecutable((dir / "b" / "tool").string(), ""), dir / "b" / "tool");
  EXPECT_FALSE(FindExecutable((dir / "a" / "tool").string(), ""));
}

TEST(Launch, SpawnedProgramRunsOnItsOwnWithoutAShell) {
  test::TempDir dir;
  const auto marker = dir / "ran";
  // The name holds a blank and a semicolon: a shell would split it.
  const auto script = dir / "start me;now";
  test::WriteText(script, "#!/bin/sh\ncat /proc/$$/stat > '" + marker.string() + ".tmp'\nmv '" + marker.string() +
                              ".tmp' '" + marker.string() + "'\n");
  ::chmod(script.c_str(), 0755);
  ASSERT_TRUE(SpawnDetached(script));
  bool ran = false;
  for (int i = 0; i < 1000 && !ran; ++i) {
    ran = std::filesystem::exists(marker);
    if (!ran) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(ran);
  // /proc/<pid>/stat: pid (name) state ppid pgrp session ...: the program leads a session of its own.
  const std::string stat = test::ReadText(marker);
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string state;
  long ppid = 0, pgrp = 0, session = 0;
  fields >> state >> ppid >> pgrp >> session;
  EXPECT_EQ(session, ParseDigits<long>(stat.substr(0, stat.find(' '))));
  EXPECT_NE(session, static_cast<long>(::getsid(0)));
  EXPECT_FALSE(SpawnDetached(dir / "missing"));
}

}  // namespace
}  // namespace orv
