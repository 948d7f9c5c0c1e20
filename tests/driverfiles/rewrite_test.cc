// Rewriting a driver file: exact bytes, kept owner and bits, every failing call leaving the file as it was,
// durability and link safety, and the preview agreeing with diff over the real result.
#include "driverfiles/lines/rewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "driverfiles/lines/line_scan.h"
#include "gtest/gtest.h"
#include "support/fault_injection.h"
#include "support/temp_tree.h"

namespace {

const RewritePlan kDrop{"ZkLBADC0FFEE0DD", nullptr, nullptr, nullptr, nullptr};
const RewritePlan kReplace{"ZkLBADC0FFEE0DD", "NEW\n", nullptr, nullptr, nullptr};
const RewritePlan kInsert{nullptr, nullptr, "[M]", "INS\n", nullptr};
const RewritePlan kAppend{nullptr, nullptr, nullptr, nullptr, "END\n"};
const RewritePlan kAll{"ZkLBADC0FFEE0DD", "NEW\n", "[M]", "INS\n", "END\n"};

const std::string kLong(2 * kScanChunk + 12345, 'b');
const std::string kStraddle = std::string(kScanChunk - 4, 'a') + "\n";  // next line at 1 MiB - 3

class Rewrite : public ::testing::Test {
 protected:
  void TearDown() override { disarm_faults(); }
  TempDir dir;
  char real[PATH_MAX];
  std::string d = ::realpath(dir.path.c_str(), real) != nullptr ? real : "?";
  std::string file = d + "/zkfunc", temp = file + ".$$$";
};

// Each plan gives exact bytes (where stated, kAny: not), and its preview is the change as diff prints it. Lines the
// plan matches six and seven unchanged lines apart make one hunk, then two.
TEST_F(Rewrite, PlansProduceExactBytesAndPreviewTheirDiff) {
  const std::string base = "a\nZkLBADC0FFEE0DD 1\nb [M]\nc", kAny = "?";
  const std::string mid_stride = std::string(32, 'x') + "[M]" + std::string(40, 'y') + "\n";
  std::string lines, gaps;
  for (int i = 0; i < 30; ++i) lines += "line " + std::to_string(i) + (i % 9 == 4 ? " ZkLBADC0FFEE0DD\n" : "\n");
  for (int i = 0; i < 24; ++i) gaps += "g" + std::to_string(i) + (i == 3 || i == 10 || i == 18 ? " ZkLBADC0FFEE0DD\n" : "\n");
  const struct { std::string before; RewritePlan plan; std::string after; } cases[] = {
      {base, kDrop, "a\nb [M]\nc"}, {base, kReplace, "a\nNEW\nb [M]\nc"},
      {base, kInsert, "a\nZkLBADC0FFEE0DD 1\nb [M]\nINS\nc"}, {base, kAppend, base + "\nEND\n"},
      {"a\nb [M]", kInsert, "a\nb [M]\nINS\n"}, {"a\nZkLBADC0FFEE0DD", kDrop, "a\n"},
      {"xy[M]\n", kInsert, "xy[M]\nINS\n"}, {"xy[M", kInsert, "xy[M"},  // no marker where the data ends early
      {"[CustomTape]ZkLBADC0FFEE0DD/A\nz\n", kDrop, "[CustomTape]\nz\n"},
      {"a\nZkLBADC0FFEE0DD\n", kAll, "a\nNEW\nEND\n"},
      {mid_stride, kInsert, mid_stride + "INS\n"},  // the marker within a 64-byte stride's third quarter
      // A line whose identifier is another (longer, or before a name holding it) stays; a marker shared stays.
      {"ZkLBADC0FFEE0DDF\nZkL01/xZkLBADC0FFEE0DD\n[CustomTape]ZkLBADC0FFEE0DD/A", kDrop,
       "ZkLBADC0FFEE0DDF\nZkL01/xZkLBADC0FFEE0DD\n[CustomTape]"},
      {"", kAppend, "END\n"}, {kLong, kDrop, kLong},
      {std::string("x\0ZkLBADC0FFEE0DD\nZkLBADC0FFEE0DD\n", 34), kDrop, std::string("x\0ZkLBADC0FFEE0DD\n", 18)},
      {std::string("a\nx\0ZkLBADC0FFEE0DD", 19), kDrop, std::string("a\nx\0ZkLBADC0FFEE0DD", 19)},
      {kStraddle + "ZkLBADC0FFEE0DD\nz\n", kDrop, kStraddle + "z\n"},
      {kStraddle + "[M]\nz\n", kInsert, kStraddle + "[M]\nINS\nz\n"},
      {kLong + "\n" + std::string(kLookAhead, 'c') + "ZkLBADC0FFEE0DD\n", kDrop, kLong + "\n"},  // read ahead to its end only
      {"[M]\n" + kLong + "ZkLBADC0FFEE0DD\n", kDrop, "[M]\n"},
      {kLong + "[M]\nz", kAll, kLong + "[M]\nINS\nz\nEND\n"},
      {std::string(kLookAhead - 4, 'x') + "ZkLBADC0FFEE0DD:" + kLong + "\nz\n", kDrop, "z\n"},
      {lines + "[M]\nend", kAll, kAny}, {lines, kDrop, kAny}, {lines, kInsert, kAny},
      {gaps, kDrop, kAny}, {gaps, kReplace, kAny},
  };
  const std::string old_copy = d + "/old", expected = d + "/expected";
  int n = 0;
  for (const auto &c : cases) {
    write_file(file, c.before), write_file(old_copy, c.before);
    ASSERT_EQ(0, ::chmod(file.c_str(), 0600));
    testing::internal::CaptureStdout();
    const int rc = preview_file(file.c_str(), c.plan, nullptr);
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(rc == 0 && read_file(file) == c.before) << n;
    EXPECT_EQ(0, rewrite_file(file.c_str(), c.plan)) << n;
    EXPECT_TRUE((c.after == kAny || read_file(file) == c.after) && file_mode(file) == 0666) << n;
    EXPECT_FALSE(file_exists(temp)) << n;
    const std::string command = "diff -u -a --label '" + file + "' --label '" + file + "' '" + old_copy + "' '" +
                                file + "' > '" + expected + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    EXPECT_EQ(read_file(expected), shown) << n++;
  }
}

// A caller who may not give the file away (its first fchown refused) keeps it as its own but still gives it the group.
TEST_F(Rewrite, KeepsOwnerAndGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the file away";
  for (const int refused : {0, 1}) {
    write_file(file, "ZkLBADC0FFEE0DD\nx\n");
    ASSERT_EQ(0, ::chown(file.c_str(), 7, 7));
    arm_fault(Call::kFchown, refused, EPERM);
    ASSERT_EQ(0, rewrite_file(file.c_str(), kDrop));
    struct stat st {};
    ASSERT_EQ(0, ::stat(file.c_str(), &st));
    EXPECT_TRUE(st.st_uid == (refused ? 0u : 7u) && st.st_gid == 7) << refused;
  }
}

// The copy is synced before the rename, the directory after it. Every call fails in turn: before the rename the file
// stays as it was, after it the new content stands but the failure is reported (closing the reading side alone may go
// unreported); an interrupted read or write is retried. Each edit comes when the output buffer is full, after a long
// line; a long kept line holds the marker.
TEST_F(Rewrite, EveryFailingCallIsReportedAndLeavesNoTemporary) {
  const size_t full = kRewriteBuffer;
  const std::string a(full - 7, 'a'), b(full - 9, 'b'), z(full - 4, 'z');
  const std::string before = kLong + "ZkLBADC0FFEE0DD\n" + a + "\nZkLBADC0FFEE0DD\n" + b + "\n[M]\n" + z;
  const std::string after = "NEW\n" + a + "\nNEW\n" + b + "\n[M]\nINS\n" + z + "\nEND\n";
  const struct { std::string before, after; bool linked; } cases[] = {
      {before, after, false}, {before, after, true}, {kLong + "[M]\nz", kLong + "[M]\nINS\nz\nEND\n", false}};
  for (const auto &c : cases) {
    const std::string target = c.linked ? d + "/real" : file;
    ASSERT_TRUE(!c.linked || ::symlink("real", file.c_str()) == 0);
    write_file(target, c.before), arm_fault(Call::kOpen, 0, 0);
    ASSERT_EQ(0, rewrite_file(file.c_str(), kAll));
    EXPECT_EQ((std::vector<std::string>{"fsync " + target + ".$$$", "rename " + target, "fsync " + d}),
              sync_and_rename_log());
    const std::vector<Call> clean = call_log();
    for (size_t i = 0; i < clean.size(); ++i) {
      const Call kind = clean[i];
      const int nth = nth_of_kind(clean, i);
      const bool renamed = std::count(clean.begin(), clean.begin() + i, Call::kRename) > 0;
      write_file(target, c.before), arm_fault(kind, nth, EIO), errno = 0;
      const int rc = rewrite_file(file.c_str(), kAll);
      SCOPED_TRACE(testing::Message() << call_name(kind) << nth << (c.linked ? " link " : " ") << c.before.size());
      if (!(kind == Call::kClose && rc == 0)) {
        EXPECT_EQ(-1, rc);
        EXPECT_EQ(EIO, errno);
      }
      EXPECT_TRUE(read_file(target) == (renamed || rc == 0 ? c.after : c.before));
      EXPECT_FALSE(file_exists(target + ".$$$"));
      if (kind == Call::kRead || kind == Call::kPread || kind == Call::kWrite) {  // retried
        write_file(target, c.before), arm_fault(kind, nth, EINTR);
        EXPECT_TRUE(rewrite_file(file.c_str(), kAll) == 0 && read_file(target) == c.after);
      }
    }
    disarm_faults();
    ASSERT_EQ(0, ::unlink(file.c_str()));
  }
}

// Held, a directory renamed into is synced once, after the renames: a link's target's and the file's own, in the order
// first renamed into; a failing sync is told, the others still made; the hold ends with them.
TEST_F(Rewrite, HeldSyncsAreOnePerDirectory) {
  const std::string other = d + "/other", target = other + "/real", second = d + "/second", third = other + "/third";
  ASSERT_TRUE(::mkdir(other.c_str(), 0755) == 0 && ::symlink(target.c_str(), file.c_str()) == 0);
  for (const int failing : {0, 5}) {  // the fifth fsync: the first directory's
    std::vector<std::string> expected;
    for (const std::string &f : {target, second, third, target}) expected.insert(expected.end(), {"fsync " + f + ".$$$", "rename " + f});
    expected.insert(expected.end(), {"fsync " + other, "fsync " + d, "fsync " + second + ".$$$", "rename " + second, "fsync " + d});
    for (const std::string &f : {target, second, third}) write_file(f, "x\n");
    arm_fault(Call::kFsync, failing, EIO), hold_directory_syncs();
    for (const std::string &f : {file, second, third, file}) ASSERT_EQ(0, rewrite_file(f.c_str(), kDrop));
    const char *failed = nullptr;
    const int rc = sync_held_directories(&failed);
    EXPECT_TRUE(failing ? rc == -1 && errno == EIO && failed == other : rc == 0 && failed == nullptr) << failing;
    ASSERT_EQ(0, rewrite_file(second.c_str(), kDrop));
    EXPECT_EQ(expected, sync_and_rename_log());
  }
}

TEST_F(Rewrite, WriteWithoutProgressIsEio) {
  write_file(file, "ZkLBADC0FFEE0DD\nx\n"), arm_fault(Call::kOpen, 0, 0), stall_writes(), errno = 0;
  EXPECT_EQ(-1, rewrite_file(file.c_str(), kDrop));
  EXPECT_EQ(EIO, errno);
  EXPECT_EQ("ZkLBADC0FFEE0DD\nx\n", read_file(file));
  EXPECT_FALSE(file_exists(temp));
}

// Whatever appears at a name between the checks and the open is never used: a link or a file at the temporary name, a
// link in place of the driver file itself, for a rewrite or a preview.
TEST_F(Rewrite, NothingPlantedBeforeAnOpenIsUsed) {
  const std::string victim = d + "/victim";
  const struct { bool at_temp, as_link, preview; } plants[] = {
      {true, true, false}, {true, false, false}, {false, true, false}, {false, true, true}};
  for (const auto &plant : plants) {
    write_file(victim, "keep, and more than the copy holds\n"), write_file(file, "ZkLBADC0FFEE0DD\nx\n");
    arm_fault(Call::kOpen, 0, 0);
    const std::string at = plant.at_temp ? temp : file;
    bool planted = false;
    set_open_hook([&](const char *path) {
      if (planted || at != path) return;
      planted = true;
      ASSERT_TRUE(plant.at_temp || ::unlink(path) == 0);
      ASSERT_EQ(0, plant.as_link ? ::symlink(victim.c_str(), path) : ::link(victim.c_str(), path));
    });
    EXPECT_EQ(-1, plant.preview ? preview_file(file.c_str(), kDrop, nullptr) : rewrite_file(file.c_str(), kDrop))
        << plant.at_temp << plant.as_link << plant.preview;
    EXPECT_EQ("keep, and more than the copy holds\n", read_file(victim));
    EXPECT_TRUE(!plant.at_temp || read_file(file) == "ZkLBADC0FFEE0DD\nx\n");
    ::unlink(temp.c_str()), ::unlink(file.c_str());
  }
}

// A link whose target's path has kPathMax bytes or more is refused, not cut.
TEST_F(Rewrite, RefusesALinkToAPathTooLongToHold) {
  std::string deep = d;
  while (deep.size() + 256 < kPathMax) {
    deep += "/" + std::string(200, 'd');
    ASSERT_EQ(0, ::mkdir(deep.c_str(), 0755));
  }
  const std::string target = deep + "/" + std::string(kPathMax - deep.size() - 1, 'f');
  write_file(target, "ZkLBADC0FFEE0DD\n");
  ASSERT_EQ(0, ::symlink(target.c_str(), file.c_str()));
  errno = 0;
  EXPECT_EQ(-1, rewrite_file(file.c_str(), kDrop));
  EXPECT_EQ(ENAMETOOLONG, errno);
  EXPECT_EQ("ZkLBADC0FFEE0DD\n", read_file(target));
}

// A sorted set is searched: each line whose own identifier is one of it goes (P, and PA that P starts); one whose
// identifier only starts with one of them (P6), or shares all but its last digit (Q), stays.
TEST_F(Rewrite, SortedSetDropsTheLinesOfItsIdentifiers) {
  const FormatId ids[] = {{"ZkL010A03200001"}, {"ZkL010A032000015"}, {"ZkL020A03200003"}};
  const MatchSet set{ids, 3};
  const RewritePlan drop{nullptr, nullptr, nullptr, nullptr, nullptr, &set};
  write_file(file, "ZkL010A03200001/A\nZkL010A032000015/B\nZkL010A032000016/D\nZkL010A03200002/C\nplain\n"
                   "ZkL020A03200003:\t1\n");
  EXPECT_EQ(0, rewrite_file(file.c_str(), drop));
  EXPECT_EQ("ZkL010A032000016/D\nZkL010A03200002/C\nplain\n", read_file(file));
}

// Every place a line holds a text is shown in order, its head cut at the line's end, none after a zero byte: in a line
// that fits a chunk and in a longer one, where one place straddles two read-ahead pieces.
TEST_F(Rewrite, EachPlaceInALineIsShown) {
  const std::string tail("\0ZkL5\nZkL6\n", 11), gap(kLookAhead - 7, 'g');
  const struct { std::string line, shown; } cases[] = {
      {"ZkL1 ZkL2xZkL3", "ZkL1 |ZkL2x|ZkL3|"}, {"ZkL1 " + gap + "ZkL2" + kLong + "ZkL3", "ZkL1 |ZkL2b|ZkL3|"}};
  for (const auto &c : cases) {
    write_file(file, c.line + tail);
    const int fd = ::open(file.c_str(), O_RDONLY);
    LineScan scan{};
    open_scan(&scan, fd, {"ZkL", nullptr, nullptr}, ScanSink{nullptr, nullptr, nullptr});
    HitLine hit{};
    ASSERT_EQ(1, next_hit(&scan, &hit));
    std::string shown;
    const auto note = [](void *ctx, const char *head, size_t len) {
      return *static_cast<std::string *>(ctx) += std::string(head, std::min(len, size_t{5})) + "|", 0;
    };
    EXPECT_EQ(0, each_in_line(&scan, &hit, "ZkL", note, &shown));
    EXPECT_EQ(c.shown, shown);
    ::close(fd);
  }
}

}  // namespace
