// Identifiers: how they are made, moved on, and found again by name.
#include "driverfiles/format_id.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "driverfiles/model_files.h"
#include "gtest/gtest.h"
#include "support/fault_injection.h"
#include "support/temp_tree.h"

namespace {

PaperJob job_for(const char *label, const char *media, int64_t width, int64_t height) {
  PaperJob job{};
  std::snprintf(job.label_name, sizeof job.label_name, "%s", label);
  std::snprintf(job.media_name, sizeof job.media_name, "%s", media);
  job.width = width;
  job.height = height;
  return job;
}

TEST(MakeFormatId, UpperCaseHexFields) {
  const struct {
    PaperJob job;
    long sec, usec;
    const char *id;
  } cases[] = {
      {job_for("Test", "_zkS12mm__", 10, 51), 7, 0x1A2B, "ZkL_zkS12mm__040A03371A2B"},
      {job_for("Test", "_zkS12mm__", 10, 4096 + 51), 7, 0x1A2B, "ZkL_zkS12mm__040A03371A2B"},
      {job_for("ABCDEFGHIJKL", "", 0xAB, 0xFFF), 0x2F, 0x1BEEF, "ZkL0CABFFFFBEEF"},
      {job_for("A", "", 300, 100), 0, 0, "ZkL0112C06400000"},
  };
  for (const auto &c : cases) EXPECT_STREQ(c.id, make_format_id(c.job, c.sec, c.usec).text);
}

TEST(NextTimeDigits, CarriesAndWraps) {
  const struct {
    long sec, usec, next_sec, next_usec;
  } cases[] = {{5, 0x1234, 5, 0x1235}, {3, 0xFFFF, 4, 0}, {0xF, 0xFFFF, 0, 0}};
  for (const auto &c : cases) {
    long sec = c.sec, usec = c.usec;
    next_time_digits(&sec, &usec);
    EXPECT_EQ(c.next_sec, sec & 0xF) << c.sec << " " << c.usec;
    EXPECT_EQ(c.next_usec, usec & 0xFFFF) << c.sec << " " << c.usec;
  }
}

TEST(MatchEntryLine, NeverReadsPastTheLine) {
  const char line[] = "ZkL040A03271A2B/Test\n";
  FormatId id{};
  // Told the line ends one byte early, the name no longer fits in it.
  EXPECT_FALSE(match_entry_line(line, std::strlen("ZkL040A03271A2B/Tes"), "Test", &id));
  EXPECT_TRUE(match_entry_line(line, std::strlen(line), "Test", &id));
  EXPECT_STREQ("ZkL040A03271A2B", id.text);
}

class FindFormatId : public ::testing::Test {
 protected:
  void TearDown() override { disarm_faults(); }
  TempDir dir;
  std::string file = dir.path + "/zkfunc";
  FormatId id{};
};

TEST_F(FindFormatId, FirstExactNameWins) {
  write_file(file, "[CustomTape]\nZkL010A03271A2B/test\nZkL050A03271A2B/Tests\n"
                   "ZkL040A03271A2C/Test\nZkL040A03271A2D/Test\n");
  EXPECT_EQ(1, find_format_id(file.c_str(), "Test", &id));
  EXPECT_STREQ("ZkL040A03271A2C", id.text);
  EXPECT_EQ(0, find_format_id(file.c_str(), "TEST", &id));
  EXPECT_EQ(0, find_format_id(file.c_str(), "Tes", &id));
  EXPECT_EQ(0, find_format_id((dir.path + "/missing").c_str(), "Test", &id));
}

TEST_F(FindFormatId, FailuresOtherThanAbsenceAreErrors) {
  write_file(file, "ZkL040A03271A2C/Test\n");
  const struct {
    Call call;
    int err;
  } cases[] = {{Call::kOpen, EACCES}, {Call::kOpen, EIO}, {Call::kRead, EIO}};
  for (const auto &c : cases) {
    arm_fault(c.call, 1, c.err);
    errno = 0;
    EXPECT_EQ(-1, find_format_id(file.c_str(), "Test", &id)) << call_name(c.call);
    EXPECT_EQ(c.err, errno) << call_name(c.call);
  }
  disarm_faults();
  const std::string folder = dir.path + "/folder";
  ASSERT_EQ(0, ::mkdir(folder.c_str(), 0755));
  errno = 0;
  EXPECT_EQ(-1, find_format_id(folder.c_str(), "Test", &id));
  EXPECT_NE(0, errno);
}

}  // namespace
