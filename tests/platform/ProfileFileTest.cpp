#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "PlatformSkip.h"
#include "TestHome.h"
#include "platform/FileRead.h"
#include "platform/ProfileFile.h"

namespace vyk {
namespace {

using test::ReadFile;
using test::WriteFile;

FileStamp StampOf(const std::string& path) {
  FileStamp stamp;
  EXPECT_EQ(StampFile(path, &stamp), FileReadResult::kRead) << path;
  return stamp;
}

class ProfileFileTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return home_.Dir() + name; }
  std::optional<std::string> Read(const std::string& section, const std::string& key) {
    return ProfileFile::Read(path_, section, key);
  }
  bool Write(const std::string& section, const std::string& key, const std::string& value) {
    return ProfileFile::Write(path_, section, key, value);
  }

  // The file holds `start` (no file when empty).
  static void Restart(const std::string& path, const std::string& start) {
    std::remove(path.c_str());
    if (!start.empty()) WriteFile(path, start);
  }
  static void WriteOneByOne(const std::string& start, const std::string& path,
                            const std::vector<ProfileFile::Entry>& entries) {
    Restart(path, start);
    for (const auto& e : entries) ProfileFile::Write(path, e.section, e.key, e.value);
  }

  test::TestHome home_;
  std::string path_ = PathOf("Config.ini");
};

TEST_F(ProfileFileTest, MatchesSectionsAndKeysWithoutCaseAndDropsBlanks) {
  WriteFile(path_, "[INFO]\r\nmaxthread = \t 16 \t\r\n[Empty]\r\nkey=\r\n");
  EXPECT_EQ(Read("info", "MaxThread"), "16");
  EXPECT_EQ(Read("Info", "MAXTHREAD"), "16");
  EXPECT_EQ(Read("empty", "key"), "");
  EXPECT_EQ(Read("info", "other"), std::nullopt);
  EXPECT_EQ(Read("nosuch", "MaxThread"), std::nullopt);
  EXPECT_EQ(ProfileFile::ReadString(path_, "info", "other", "def"), "def");
  EXPECT_EQ(ProfileFile::Read(PathOf("missing.ini"), "info", "MaxThread"), std::nullopt);
}

TEST_F(ProfileFileTest, LongValuesReadAsTheirFirst259Characters) {
  std::string value(300, 'v');
  value[258] = 'x';
  ASSERT_TRUE(Write("s", "k", value));
  auto read = Read("s", "k");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->size(), ProfileFile::kMaxValueLength);
  EXPECT_EQ(read->back(), 'x');
  // The whole value stays in the file.
  EXPECT_NE(ReadFile(path_).find(value), std::string::npos);
}

TEST_F(ProfileFileTest, WritesNewKeysAndSectionsWhereTheyBelong) {
  ASSERT_TRUE(Write("info", "a", "1"));
  EXPECT_EQ(ReadFile(path_), test::NewFileLines("[info]\na=1\n"));
  ASSERT_TRUE(Write("Filter", "b", "2"));
  ASSERT_TRUE(Write("INFO", "c", "3"));
  ASSERT_TRUE(Write("info", "A", "4"));
  EXPECT_EQ(ReadFile(path_), test::NewFileLines("[info]\nA=4\nc=3\n[Filter]\nb=2\n"));
}

TEST_F(ProfileFileTest, RewriteKeepsEveryOtherLineAndTheLineEnds) {
  const std::string original =
      "orphan=before any section\r\n"
      "; a comment\r\n"
      "[info]\r\n"
      "a=1\r\n"
      "garbage line without equals\r\n"
      "b=2\r\n"
      "; trailing comment of info\r\n"
      "\r\n"
      "[other]\r\n"
      "x=y\r\n";
  WriteFile(path_, original);
  EXPECT_EQ(Read("info", "orphan"), std::nullopt);  // before any section: never read

  ASSERT_TRUE(Write("info", "b", "20"));
  ASSERT_TRUE(Write("info", "new", "n"));
  ASSERT_TRUE(Write("third", "k", "v"));
  EXPECT_EQ(ReadFile(path_),
            "orphan=before any section\r\n"
            "; a comment\r\n"
            "[info]\r\n"
            "a=1\r\n"
            "garbage line without equals\r\n"
            "b=20\r\n"
            "new=n\r\n"
            "; trailing comment of info\r\n"
            "\r\n"
            "[other]\r\n"
            "x=y\r\n"
            "[third]\r\n"
            "k=v\r\n");
}

TEST_F(ProfileFileTest, FirstOfDuplicateSectionsAndKeysWinsAndIsTheOneWritten) {
  WriteFile(path_, "[s]\nk=first\nk=second\nonly2=no\n[S]\nk=third\nonly3=x\n");
  EXPECT_EQ(Read("s", "k"), "first");
  EXPECT_EQ(Read("s", "only3"), std::nullopt);  // the repeated block is not read
  ASSERT_TRUE(Write("s", "k", "changed"));
  ASSERT_TRUE(Write("s", "only3", "y"));
  EXPECT_EQ(ReadFile(path_),
            "[s]\nk=changed\nk=second\nonly2=no\nonly3=y\n[S]\nk=third\nonly3=x\n");
}

TEST_F(ProfileFileTest, WriteOfTheStoredValueLeavesTheFileUntouched) {
  ASSERT_TRUE(Write("s", "k", "v"));
  const FileStamp before = StampOf(path_);
  ASSERT_TRUE(Write("S", "K", "v"));
  ASSERT_TRUE(Write("s", "k", " v "));  // reads back the same
  EXPECT_EQ(StampOf(path_), before);
}

// Several values in one replacement, so that a crash keeps all or none: the
// bytes are those of the writes made one by one.
TEST_F(ProfileFileTest, WriteAllLeavesWhatTheWritesOneByOneWould) {
  const std::vector<ProfileFile::Entry> entries = {
      {"info", "a", "changed"}, {" INFO ", "c", "3"}, {"new", "x", "y\nz"}, {"bad]", "k", "v"},
      {"Filter", "B", " 2 "},   {"new", "x", "w"},    {"info", "A", "5"},   {"s", "", "v"},
  };
  for (const std::string& start :
       {std::string("; notes\r\n[info]\r\na=1\r\n[Filter]\r\nb=2"), std::string()}) {
    const std::string batch = PathOf("batch.ini"), single = PathOf("single.ini");
    WriteOneByOne(start, single, entries);
    Restart(batch, start);
    EXPECT_FALSE(ProfileFile::WriteAll(batch, entries));  // two entries refused
    EXPECT_EQ(ReadFile(batch), ReadFile(single));
    EXPECT_EQ(ProfileFile::Read(batch, "new", "x"), "w");
  }

  // Nothing to change: the file is not replaced.
  const std::string batch = PathOf("batch.ini");
  const FileStamp before = StampOf(batch);
  EXPECT_TRUE(ProfileFile::WriteAll(batch, {{"info", "a", "5"}, {"NEW", "x", " w"}}));
  EXPECT_TRUE(ProfileFile::WriteAll(batch, {}));
  EXPECT_EQ(StampOf(batch).id, before.id);
}

// Many values stored at once are applied without parsing the file again after
// each one; any sequence must still leave the bytes the writes one by one leave.
TEST_F(ProfileFileTest, RandomBatchesLeaveWhatTheWritesOneByOneWould) {
  const std::vector<std::string> starts = {
      "",
      "[a]\nk1=1\nk2=2\n\n[B]\nx=old\n",
      "; notes\r\n[a]\r\nK1 = 1\r\n[b]\r\n[a]\r\nk1=dup\r\n[c]\r\nz=9",
      "[a]\nk1=1\n[b]\nx=1\r",
      "stray line\n[A ]\nk3=3",
  };
  const std::vector<std::string> sections = {"a", "A", " b", "c", "new", "New2"};
  const std::vector<std::string> keys = {"k1", "K2", "k3", "x", "z", "fresh"};
  const std::vector<std::string> values = {"1", "2", " 2 ", "", "v", "old", "[x]", "a=b"};
  std::uint32_t seed = 12345;
  auto next = [&seed](std::size_t n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<std::size_t>((seed >> 8) % n);
  };
  for (int round = 0; round < 300; ++round) {
    const std::string& start = starts[round % starts.size()];
    std::vector<ProfileFile::Entry> entries(1 + next(12));
    for (auto& e : entries)
      e = {sections[next(sections.size())], keys[next(keys.size())], values[next(values.size())]};
    const std::string batch = PathOf("batch.ini"), single = PathOf("single.ini");
    WriteOneByOne(start, single, entries);
    Restart(batch, start);
    ProfileFile::WriteAll(batch, entries);
    ASSERT_EQ(ReadFile(batch), ReadFile(single)) << "round " << round;
  }
}

TEST_F(ProfileFileTest, ChangesMadeByOthersAreSeen) {
  ASSERT_TRUE(Write("s", "k", "one"));
  EXPECT_EQ(Read("s", "k"), "one");
  WriteFile(path_, "[s]\nk=two\n");  // same size, written in place
  // Coarse clocks may not tick between the two writes.
  std::filesystem::last_write_time(
      path_, std::filesystem::last_write_time(path_) + std::chrono::microseconds(1));
  EXPECT_EQ(Read("s", "k"), "two");
  WriteFile(path_, "[s]\nk=three and longer\n");
  EXPECT_EQ(Read("s", "k"), "three and longer");
  std::remove(path_.c_str());
  EXPECT_EQ(Read("s", "k"), std::nullopt);
}

TEST_F(ProfileFileTest, NewCacheFileIsPrivateAndExistingModesAreKept) {
  VYK_SKIP_ON_WINDOWS("file modes");
#ifndef _WIN32
  auto modeOf = [](const std::string& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
  };
  const std::string cache = PathOf("cache.srv");
  ASSERT_TRUE(ProfileFile::Write(cache, "1.2.3.4:27960", "pass", "secret"));
  EXPECT_EQ(modeOf(cache), 0600u);
  ASSERT_TRUE(Write("s", "k", "v"));
  EXPECT_EQ(modeOf(path_), 0644u);
  ::chmod(path_.c_str(), 0640);
  ASSERT_TRUE(Write("s", "k", "w"));
  EXPECT_EQ(modeOf(path_), 0640u);
#endif
}

TEST_F(ProfileFileTest, LineBreaksInAValueCannotAddLines) {
  ASSERT_TRUE(Write("s", "name", "evil\r\n[s]\nname=owned\0x"));
  ASSERT_TRUE(Write("s", "name2", std::string("a\0b", 3)));
  EXPECT_EQ(Read("s", "name"), "evil  [s] name=owned");
  EXPECT_EQ(Read("s", "name2"), "a b");
  EXPECT_EQ(ReadFile(path_), test::NewFileLines("[s]\nname=evil  [s] name=owned\nname2=a b\n"));
}

TEST_F(ProfileFileTest, RefusesSectionsAndKeysThatWouldNotReadBack) {
  WriteFile(path_, "[s]\nk=v\n");
  EXPECT_FALSE(Write("a\nb", "k", "v"));
  EXPECT_FALSE(Write("", "k", "v"));
  EXPECT_FALSE(Write("s", "", "v"));
  EXPECT_FALSE(Write("s", "a=b", "v"));
  EXPECT_FALSE(Write("s", "[x", "v"));
  EXPECT_FALSE(Write("s", "a\r", "v"));
  EXPECT_FALSE(ProfileFile::Write("", "s", "k", "v"));
  EXPECT_FALSE(ProfileFile::Write(home_.Dir(), "s", "k", "v"));
  EXPECT_EQ(ReadFile(path_), "[s]\nk=v\n");
}

// An IPv6 server's section is its address, brackets included: the name ends
// at the line's last ']'.
TEST_F(ProfileFileTest, SectionNamesHoldBrackets) {
  WriteFile(path_, "[s]\nk=v\n[[::1]:27960] \nname=six\n");
  EXPECT_EQ(Read("[::1]:27960", "name"), "six");
  EXPECT_EQ(Read("[::1", "name"), std::nullopt);
  ASSERT_TRUE(Write("[2001:db8::1]:27961", "name", "v6"));
  ProfileFile::DropCache();
  EXPECT_EQ(Read("[2001:db8::1]:27961", "name"), "v6");
  EXPECT_EQ(ReadFile(path_),
            "[s]\nk=v\n[[::1]:27960] \nname=six\n[[2001:db8::1]:27961]\nname=v6\n");
}

TEST_F(ProfileFileTest, SurvivesHostileFileContent) {
  const std::string longLine(100000, 'L');
  std::string content = "k=orphan\n[s]\n" + longLine + "\nnul=a" + std::string(1, '\0') + "b\n" +
                        std::string("\0\0\0", 3) + "\nlong=" + longLine + "\n[t]\nlast=no newline";
  WriteFile(path_, content);
  EXPECT_EQ(Read("s", "nul"), "a");
  EXPECT_EQ(Read("s", "long")->size(), ProfileFile::kMaxValueLength);
  EXPECT_EQ(Read("t", "last"), "no newline");

  ASSERT_TRUE(Write("t", "added", "1"));
  EXPECT_EQ(ReadFile(path_), content + "\nadded=1\n");
  ASSERT_TRUE(Write("s", "nul", "fixed"));
  EXPECT_EQ(Read("s", "nul"), "fixed");
  EXPECT_EQ(Read("s", "long")->size(), ProfileFile::kMaxValueLength);
  EXPECT_EQ(ReadFile(path_).size(), content.size() + 9 + 2);
}

TEST_F(ProfileFileTest, LastLineEndingInALoneCarriageReturnKeepsItsValue) {
  // A file cut after the CR of its last CR LF. A key added to its section,
  // or a new section after it, must neither join that line nor add a CR to it.
  for (const std::string eol : {"\n", "\r\n"}) {
    const std::string content = "[info]" + eol + "a=1" + eol + "last=no newline\r";
    WriteFile(path_, content);
    ASSERT_TRUE(Write("info", "added", "2"));
    EXPECT_EQ(ReadFile(path_), content + "\nadded=2" + eol);
    EXPECT_EQ(Read("info", "last"), "no newline");
    EXPECT_EQ(Read("info", "added"), "2");

    WriteFile(path_, content);
    ASSERT_TRUE(Write("other", "k", "v"));
    EXPECT_EQ(ReadFile(path_), content + "\n[other]" + eol + "k=v" + eol);
    EXPECT_EQ(Read("info", "last"), "no newline");
    EXPECT_EQ(Read("other", "k"), "v");
  }
}

TEST_F(ProfileFileTest, DirectoryInsteadOfAFileReadsAbsentAndRefusesWrites) {
  ASSERT_TRUE(std::filesystem::create_directory(path_));
  EXPECT_EQ(Read("s", "k"), std::nullopt);
  EXPECT_FALSE(Write("s", "k", "v"));
  EXPECT_TRUE(std::filesystem::is_directory(path_));
  EXPECT_TRUE(std::filesystem::is_empty(path_));
}

TEST_F(ProfileFileTest, WriteUnderAnImpossibleDirectoryFailsCleanly) {
  WriteFile(PathOf("plain"), "not a directory");
  const std::string impossible = PathOf("plain") + "/Config.ini";
  EXPECT_FALSE(ProfileFile::Write(impossible, "s", "k", "v"));
  EXPECT_EQ(ProfileFile::Read(impossible, "s", "k"), std::nullopt);
  EXPECT_EQ(ReadFile(PathOf("plain")), "not a directory");
  // No temporary file is left behind anywhere.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(home_.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace vyk
