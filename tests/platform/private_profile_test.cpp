#include "platform/private_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>
#include <vector>

#include "support/as_nobody.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

TEST(ProfileRead, MatchesNamesWithoutCaseAndTrimsBlanks) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteText(file, "; comment\n[Config1]\n  K0 =  15  \nDpi_Set3=7\n[init]\nCurConfig=2\n");
  struct Case {
    const char* section;
    const char* key;
    const char* want;
  } cases[] = {
      {"Config1", "K0", "15"},        {"CONFIG1", "k0", "15"},     {"config1", "DPI_SET3", "7"},
      {"Init", "CURCONFIG", "2"},     {"Config1", "CurConfig", ""}, {"Config2", "K0", ""},
      {"Init", "K0", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetProfileString(file, c.section, c.key, 100), c.want) << c.section << "/" << c.key;
  }
  EXPECT_EQ(GetProfileString(dir / "missing.ini", "Config1", "K0", 100), "");
}

TEST(ProfileRead, CutsToCapacityMinusOne) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteText(file, "[S]\nv=12345\nw=Çalış\n");
  EXPECT_EQ(GetProfileString(file, "S", "v", 5), "1234");
  EXPECT_EQ(GetProfileString(file, "S", "v", 10), "12345");
  EXPECT_EQ(GetProfileString(file, "S", "v", 1), "");
  EXPECT_EQ(GetProfileString(file, "S", "v", 0), "");
  // Capacity counts characters (UTF-16 units), not bytes.
  EXPECT_EQ(GetProfileString(file, "S", "w", 4), "Çal");
}

TEST(ProfileRead, FirstOfDuplicateKeysWinsAndLinesBeforeAnySectionAreIgnored) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteText(file, "x=0\n[S]\nk=1\nk=2\nnot a key line\n[S]\nj=3\n");
  EXPECT_EQ(GetProfileString(file, "S", "k", 10), "1");
  EXPECT_EQ(GetProfileString(file, "S", "j", 10), "3");
  EXPECT_EQ(GetProfileString(file, "", "x", 10), "");
}

TEST(ProfileWrite, PlacesKeysAndSectionsAndKeepsOtherLines) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteText(file, "; keep me\n[A]\nk1=1\nk2=2\n\n[B]\nx=9\n");
  ASSERT_EQ(WriteProfileString(file, "a", "K1", "10"), Outcome());  // existing key keeps its place and spelling
  ASSERT_EQ(WriteProfileString(file, "A", "k3", "3"), Outcome());   // new key at the end of its section
  ASSERT_EQ(WriteProfileString(file, "C", "y", "7"), Outcome());    // new section at the end of the file
  EXPECT_EQ(ReadText(file), "; keep me\n[A]\nk1=10\nk2=2\nk3=3\n\n[B]\nx=9\n[C]\ny=7\n");
}

TEST(ProfileWrite, CreatesMissingFileAndFolder) {
  TempDir dir;
  const auto file = dir / "skins" / "config" / "config.ini";
  ASSERT_EQ(WriteProfileString(file, "Init", "CurConfig", "1"), Outcome());
  EXPECT_EQ(ReadText(file), "[Init]\nCurConfig=1\n");
}

TEST(ProfileWrite, FileWithoutFinalNewlineGetsOneBeforeANewSection) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteText(file, "[A]\nk=1");
  ASSERT_EQ(WriteProfileString(file, "A", "k", "2"), Outcome());
  EXPECT_EQ(ReadText(file), "[A]\nk=2");
  ASSERT_EQ(WriteProfileString(file, "B", "j", "3"), Outcome());
  EXPECT_EQ(ReadText(file), "[A]\nk=2\n[B]\nj=3\n");
}

TEST(ProfileWrite, KeepsEncodingAndLineEndings) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string before;
    std::string after;
  } cases[] = {
      {"crlf.ini", "[A]\r\nk=1\r\n", "[A]\r\nk=2\r\n"},
      {"bom.ini", "\xEF\xBB\xBF[A]\nk=1\n", "\xEF\xBB\xBF[A]\nk=2\n"},
      {"utf16.ini", std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0" "1\0\r\0\n\0", 22),
       std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0" "2\0\r\0\n\0", 22)},
  };
  for (const Case& c : cases) {
    const auto file = dir / c.name;
    WriteText(file, c.before);
    EXPECT_EQ(GetProfileString(file, "A", "k", 10), "1") << c.name;
    ASSERT_EQ(WriteProfileString(file, "A", "k", "2"), Outcome()) << c.name;
    EXPECT_EQ(ReadText(file), c.after) << c.name;
  }
}

TEST(ProfileRead, Utf16FileWithTurkishText) {
  TempDir dir;
  const auto file = dir / "tr.ini";
  const std::u16string text = u"[Metin]\r\nAd=Sürücüden çık\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  WriteText(file, bytes);
  EXPECT_EQ(GetProfileString(file, "metin", "AD", 260), "Sürücüden çık");
}

TEST(ProfileWrite, ReadOnlyFileFailsAndIsLeftAlone) {
  TempDir dir;
  const auto file = dir / "ro.ini";
  WriteText(file, "[A]\nk=1\n");
  // The folder is open to everyone, so only the file's own mode stands in the way.
  ::chmod(dir.path().c_str(), 0777);
  ::chmod(file.c_str(), 0444);
  const int status = test::RunUnprivileged([&] { return WriteProfileString(file, "A", "k", "2").has_value(); });
  ASSERT_NE(status, 2) << "could not drop privileges";
  EXPECT_EQ(status, 0) << "the write to a read-only file did not fail";
  EXPECT_EQ(ReadText(file), "[A]\nk=1\n");
}

TEST(ProfileWrite, FailureIsReportedWhenTheFolderCannotBeMade) {
  TempDir dir;
  WriteText(dir / "blocker", "a file where a folder should be");
  EXPECT_NE(WriteProfileString(dir / "blocker" / "config.ini", "A", "k", "1"), Outcome());
}

// A linked config file is edited in place of its target, and later reads see the edit.
TEST(ProfileWrite, SymlinkedFileKeepsItsLink) {
  TempDir dir;
  WriteText(dir / "dotfiles" / "config.ini", "[Init]\nCurConfig=2\n");
  std::filesystem::create_directories(dir / "config");
  std::filesystem::create_symlink("../dotfiles/config.ini", dir / "config" / "config.ini");
  const auto link = dir / "config" / "config.ini";
  EXPECT_EQ(GetProfileString(link, "Init", "CurConfig", 5), "2");
  ASSERT_EQ(WriteProfileString(link, "Init", "CurConfig", "3"), Outcome());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadText(dir / "dotfiles" / "config.ini"), "[Init]\nCurConfig=3\n");
  EXPECT_EQ(GetProfileString(link, "Init", "CurConfig", 5), "3");
}

// A FIFO in place of the file reads as missing at once and is not replaced.
TEST(ProfileWrite, FifoReadsAsMissingAndIsRefused) {
  TempDir dir;
  const auto fifo = dir / "config.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(GetProfileString(fifo, "Init", "CurConfig", 5), "");
  EXPECT_NE(WriteProfileString(fifo, "Init", "CurConfig", "1"), Outcome());
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(ProfileCache, SeesChangesMadeByOthers) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteText(file, "[A]\nk=1\n");
  EXPECT_EQ(GetProfileString(file, "A", "k", 10), "1");
  // Another program replaces the file (a new file, as editors and this layer do).
  WriteText(dir / "b.ini", "[A]\nk=22\n");
  std::filesystem::rename(dir / "b.ini", file);
  EXPECT_EQ(GetProfileString(file, "A", "k", 10), "22");
  std::filesystem::remove(file);
  EXPECT_EQ(GetProfileString(file, "A", "k", 10), "");
}

TEST(ProfileCache, UnchangedFileIsParsedOnce) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteText(file, "[A]\nk=1\n");
  const auto first = LoadIniDocument(file);
  const auto second = LoadIniDocument(file);
  EXPECT_EQ(first.get(), second.get());
}

TEST(IniEditBatch, ReadsItsOwnWritesAndWritesTheFileOnce) {
  TempDir dir;
  const auto file = dir / "a.ini";
  IniEdit edit(file);
  EXPECT_FALSE(edit.FileExists());
  for (int i = 0; i < 50; ++i) edit.SetInt("Config1", "K" + std::to_string(i), i);
  EXPECT_TRUE(edit.FileExists());
  EXPECT_EQ(edit.Get("config1", "k7", 5), "7");
  EXPECT_FALSE(std::filesystem::exists(file));
  const uint64_t before = IniFileWriteCount();
  ASSERT_EQ(edit.Commit(), Outcome());
  EXPECT_EQ(IniFileWriteCount() - before, 1u);
  EXPECT_EQ(GetProfileString(file, "Config1", "K49", 5), "49");
  EXPECT_EQ(edit.Commit(), Outcome());  // nothing pending: no write
  EXPECT_EQ(IniFileWriteCount() - before, 1u);
}

TEST(IniEditBatch, CommitKeepsKeysWrittenByOthersInBetween) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteText(file, "[Init]\nCurConfig=1\n");
  IniEdit edit(file);
  edit.Set("Config6", "K0", "1");
  ASSERT_EQ(WriteProfileString(file, "Config1", "DPI_LEVEL", "4"), Outcome());
  ASSERT_EQ(edit.Commit(), Outcome());
  EXPECT_EQ(GetProfileString(file, "Config1", "DPI_LEVEL", 5), "4");
  EXPECT_EQ(GetProfileString(file, "Config6", "K0", 5), "1");
  EXPECT_EQ(GetProfileString(file, "Init", "CurConfig", 5), "1");
}

TEST(IniEditBatch, ConcurrentWritersLoseNothing) {
  TempDir dir;
  const auto file = dir / "a.ini";
  constexpr int kThreads = 4;
  constexpr int kWrites = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kWrites; ++i) {
        IniEdit edit(file);
        edit.SetInt("T" + std::to_string(t), "k" + std::to_string(i), i);
        edit.SetInt("Shared", "last" + std::to_string(t), i);
        EXPECT_EQ(edit.Commit(), Outcome());
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(GetProfileString(file, "T" + std::to_string(t), "k" + std::to_string(i), 5), std::to_string(i));
    }
    EXPECT_EQ(GetProfileString(file, "Shared", "last" + std::to_string(t), 5), std::to_string(kWrites - 1));
  }
}

TEST(IniDocumentParse, SurvivesGarbage) {
  const std::string inputs[] = {
      std::string("\0\0\0", 3), "[", "]", "[[[]]]", "=", "==\n[=]\n=", "\xFF\xFE\x00",
      "\xFF\xFE\x00\xD8",  // lone surrogate
      "\xEF\xBB\xBF", "\r\r\r\n\n", std::string(1000, '['),
  };
  for (const std::string& in : inputs) {
    IniDocument doc = IniDocument::Parse(in);
    doc.Set("S", "k", "v");
    EXPECT_EQ(*IniDocument::Parse(doc.Serialize()).Find("S", "k"), "v");
  }
}

}  // namespace
}  // namespace orv
