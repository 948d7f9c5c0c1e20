#include "driverfiles/rewrite.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "gtest/gtest.h"
#include "support/fault_injection.h"
#include "support/temp_tree.h"

namespace {

struct RewriteCase {
  const char *what;
  std::string before;
  RewritePlan plan;
  std::string after;
};

class Rewrite : public ::testing::Test {
 protected:
  void TearDown() override { disarm_faults(); }
  TempDir dir;
  std::string file = dir.path + "/zktvq310func";
  std::string temp = file + ".$$$";
};

const std::string kLong(5000, 'x');  // longer than the driver's line buffer

TEST_F(Rewrite, TransformsLinesAndCopiesTheRestExactly) {
  const std::string nul_line("a\0[CustomTape]\n", 15);
  const std::string nul_id("ID\0zz\n", 6);
  const RewriteCase cases[] = {
      {"insert after each marker", "x\n[CustomTape]\ny\n[CustomTape]\n",
       {LineAction::kInsertAfter, "[CustomTape]", "E\n", nullptr},
       "x\n[CustomTape]\nE\ny\n[CustomTape]\nE\n"},
      // Merged, the entry would be deleted with the marker line later.
      {"marker on a last line without newline", "x\n[CustomTape]",
       {LineAction::kInsertAfter, "[CustomTape]", "E\n", nullptr},
       "x\n[CustomTape]\nE\n"},
      {"marker after a zero byte is not seen", nul_line,
       {LineAction::kInsertAfter, "[CustomTape]", "E\n", nullptr}, nul_line},
      {"no marker", "a\nb\n",
       {LineAction::kInsertAfter, "[CustomTape]", "E\n", nullptr}, "a\nb\n"},
      {"append after last line", "a\nb\n",
       {LineAction::kKeepAll, nullptr, nullptr, "Z\n"}, "a\nb\nZ\n"},
      {"append to a last line without newline", "a\nb",
       {LineAction::kKeepAll, nullptr, nullptr, "Z\n"}, "a\nb\nZ\n"},
      {"append after a replaced last line", "a\nID1",
       {LineAction::kReplace, "ID1", "M\n", "Z\n"}, "a\nM\nZ\n"},
      {"append after an inserted last line", "[CustomTape]",
       {LineAction::kInsertAfter, "[CustomTape]", "E\n", "Z\n"},
       "[CustomTape]\nE\nZ\n"},
      {"append after a dropped last line", "a\nID1",
       {LineAction::kDrop, "ID1", nullptr, "Z\n"}, "a\nZ\n"},
      {"append to an empty file", "",
       {LineAction::kKeepAll, nullptr, nullptr, "Z\n"}, "Z\n"},
      {"drop matching lines", "ID1/a\nkeep\nx ID1 y\nID2\n",
       {LineAction::kDrop, "ID1", nullptr, nullptr}, "keep\nID2\n"},
      {"drop a last line without newline", "keep\nID1",
       {LineAction::kDrop, "ID1", nullptr, nullptr}, "keep\n"},
      {"drop keeps a line whose match is past a zero byte",
       nul_id + "zzID\n", {LineAction::kDrop, "zz", nullptr, nullptr}, nul_id},
      {"replace ends with a newline", "a\nMedia=ID1",
       {LineAction::kReplace, "ID1", "Media=zkS12mm\n", nullptr},
       "a\nMedia=zkS12mm\n"},
      {"replace every match", "ID1\nb\nID1\n",
       {LineAction::kReplace, "ID1", "M\n", nullptr}, "M\nb\nM\n"},
      {"long lines are copied and seen whole", kLong + "ID1\n" + kLong + "\n",
       {LineAction::kDrop, "ID1", nullptr, nullptr}, kLong + "\n"},
      {"long lines get inserts", kLong + "[CustomTape]\n",
       {LineAction::kInsertAfter, "[CustomTape]", "E\n", nullptr},
       kLong + "[CustomTape]\nE\n"},
      {"CR LF and high bytes pass through", "a\r\n\xff\xfe\n",
       {LineAction::kKeepAll, nullptr, nullptr, nullptr}, "a\r\n\xff\xfe\n"},
  };
  for (const RewriteCase &c : cases) {
    write_file(file, c.before);
    ASSERT_EQ(0, rewrite_file(file.c_str(), c.plan)) << c.what;
    EXPECT_EQ(c.after, read_file(file)) << c.what;
    EXPECT_FALSE(file_exists(temp)) << c.what;
  }
}

TEST_F(Rewrite, CopiesLargeFilesAcrossChunkBoundaries) {
  std::string big;
  for (int i = 0; i < 40000; ++i) big += "line " + std::to_string(i) + "\n";
  write_file(file, big + "ID9\n" + big);
  ASSERT_EQ(0, rewrite_file(file.c_str(), {LineAction::kDrop, "ID9", nullptr, nullptr}));
  EXPECT_EQ(big + big, read_file(file));
}

TEST_F(Rewrite, LeavesPermissionBits0666WhateverTheUmask) {
  write_file(file, "a\n");
  ::chmod(file.c_str(), 0600);
  const mode_t old = ::umask(077);
  const int rc = rewrite_file(file.c_str(), {LineAction::kKeepAll, nullptr, nullptr, "b\n"});
  ::umask(old);
  ASSERT_EQ(0, rc);
  EXPECT_EQ(static_cast<mode_t>(0666), file_mode(file));
}

TEST_F(Rewrite, MissingFileFailsWithoutTemporary) {
  errno = 0;
  EXPECT_EQ(-1, rewrite_file(file.c_str(), {LineAction::kKeepAll, nullptr, nullptr, "b\n"}));
  EXPECT_EQ(ENOENT, errno);
  EXPECT_FALSE(file_exists(temp));
  EXPECT_FALSE(file_exists(file));
}

TEST_F(Rewrite, DirectoryInPlaceOfAFileFails) {
  ASSERT_EQ(0, ::mkdir(file.c_str(), 0755));
  EXPECT_EQ(-1, rewrite_file(file.c_str(), {LineAction::kKeepAll, nullptr, nullptr, "b\n"}));
  EXPECT_EQ(EISDIR, errno);
  EXPECT_FALSE(file_exists(temp));
}

TEST_F(Rewrite, ReplacesStaleTemporaryAndNeverFollowsALinkThere) {
  write_file(file, "a\n");
  write_file(temp, "stale junk that is longer than the file\n");
  ASSERT_EQ(0, rewrite_file(file.c_str(), {LineAction::kKeepAll, nullptr, nullptr, "b\n"}));
  EXPECT_EQ("a\nb\n", read_file(file));

  const std::string victim = dir.path + "/victim";
  write_file(victim, "precious\n");
  ASSERT_EQ(0, ::symlink(victim.c_str(), temp.c_str()));
  ASSERT_EQ(0, rewrite_file(file.c_str(), {LineAction::kKeepAll, nullptr, nullptr, "c\n"}));
  EXPECT_EQ("a\nb\nc\n", read_file(file));
  EXPECT_EQ("precious\n", read_file(victim));
  EXPECT_FALSE(file_exists(temp));
}

TEST_F(Rewrite, RetriesShortWritesAndFailsOnNoProgress) {
  write_file(file, "abc\ndef\n");
  arm_fault(Call::kWrite, 0, 0);
  limit_writes(1);
  ASSERT_EQ(0, rewrite_file(file.c_str(), {LineAction::kKeepAll, nullptr, nullptr, "gh\n"}));
  EXPECT_EQ("abc\ndef\ngh\n", read_file(file));
  EXPECT_EQ(11, calls_made(Call::kWrite));

  arm_fault(Call::kWrite, 0, 0);
  limit_writes(0);
  EXPECT_EQ(-1, rewrite_file(file.c_str(), {LineAction::kKeepAll, nullptr, nullptr, "ij\n"}));
  EXPECT_EQ(EIO, errno);
  EXPECT_EQ("abc\ndef\ngh\n", read_file(file));
  EXPECT_FALSE(file_exists(temp));
}

// Fails each system call of a rewrite in turn. Until the rename the driver
// file must stay exactly as it was; no temporary file may be left; only a
// failure to close the file being read may go unreported.
TEST_F(Rewrite, EveryFailingCallLeavesOldOrNewFileAndNoTemporary) {
  // Several read and write chunks long, so that each can fail in turn.
  std::string rest;
  for (int i = 0; i < 20000; ++i) rest += "Size" + std::to_string(i) + ":\t1\t2\n";
  const std::string before = "x\n[CustomTape]\ny\n" + rest;
  const std::string after = "x\n[CustomTape]\nE\ny\n" + rest + "Z\n";
  const RewritePlan plan{LineAction::kInsertAfter, "[CustomTape]", "E\n", "Z\n"};
  int injected = 0;
  for (int k = 0; k < kCallKinds; ++k) {
    const Call call = static_cast<Call>(k);
    for (int nth = 1;; ++nth) {
      write_file(file, before);
      arm_fault(call, nth, ENOSPC);
      const int rc = rewrite_file(file.c_str(), plan);
      const int err = errno;
      const bool reached = calls_made(call) >= nth;
      const int renames = calls_made(Call::kRename);
      const bool renamed = renames > 0 && !(call == Call::kRename && nth == 1);
      disarm_faults();
      if (!reached) break;
      ++injected;
      const std::string where = call_name(call) + " #" + std::to_string(nth);
      EXPECT_FALSE(file_exists(temp)) << where;
      if (rc == 0) {
        EXPECT_EQ(after, read_file(file)) << where;
        EXPECT_EQ(Call::kClose, call) << where << " failed silently";
        continue;
      }
      EXPECT_EQ(-1, rc) << where;
      EXPECT_EQ(ENOSPC, err) << where;
      EXPECT_EQ(renamed ? after : before, read_file(file)) << where;
    }
  }
  EXPECT_GE(injected, 10);
  std::printf("%d failing system calls injected, no file lost\n", injected);
}

}  // namespace
