// The delete and add operations against a driver tree in a temporary
// directory, with the fake companion tool recording what it is asked.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "driverfiles/format_id.h"
#include "front/operations.h"
#include "gtest/gtest.h"
#include "support/fault_injection.h"
#include "support/temp_tree.h"

namespace {

using Args = std::vector<std::string>;

const char kTapeId[] = "ZkL_zkS12mm__040A03271A2B";
const char kOtherId[] = "ZkL_zkS9mm___05070320FFFF";

DriverFiles tape_files() {
  return {
      "[Function]\nCut=1\n[CustomTape]\n" + std::string(kTapeId) + "/Test\n" +
          kOtherId + "/Other\n",
      std::string(kTapeId) + "/Test:\t70\t353\n" + kOtherId +
          "/Other:\t50\t353\nzkS12mm:\t70\t100\n",
      "Copies=1\nMedia=" + std::string(kTapeId) + "\n",
      std::string(kTapeId) + ":\t0.00\t0.00\t28.00\t141.52\n" + kOtherId +
          ":\t0.00\t0.00\t20.00\t141.52\n",
  };
}

PaperJob job_for(const char *model, int32_t kind, const char *label) {
  PaperJob job{};
  job.kind = kind;
  std::snprintf(job.model, sizeof job.model, "%s", model);
  std::snprintf(job.printer, sizeof job.printer, "q");
  std::snprintf(job.label_name, sizeof job.label_name, "%s", label);
  return job;
}

PaperJob tape_job(const char *label, int64_t height) {
  PaperJob job = job_for("tvq310", 3, label);
  job.width = 10;
  job.height = height;
  job.pins = 70;
  std::snprintf(job.media_name, sizeof job.media_name, "_zkS12mm__");
  return job;
}

class Operations : public ::testing::Test {
 protected:
  void TearDown() override { disarm_faults(); }
  TempDir dir;
  std::string root = dir.path + "/vantrel";
  ModelPaths paths = make_driver_tree(root, "tvq310", tape_files(), FAKE_COMPANION);
};

TEST_F(Operations, DeleteRemovesEveryLineAndResetsTheSetting) {
  EXPECT_EQ(0, delete_label_format(tape_job("Test", 50), root.c_str()));
  const DriverFiles now = read_driver_files(paths);
  EXPECT_EQ("[Function]\nCut=1\n[CustomTape]\n" + std::string(kOtherId) + "/Other\n",
            now.function_file);
  EXPECT_EQ(std::string(kOtherId) + "/Other:\t50\t353\nzkS12mm:\t70\t100\n",
            now.paper_table);
  EXPECT_EQ("Copies=1\nMedia=zkS12mm\n", now.settings_file);
  EXPECT_EQ(std::string(kOtherId) + ":\t0.00\t0.00\t20.00\t141.52\n", now.imaging_area);
  EXPECT_EQ((std::vector<Args>{{"-P", "q", "-d", "Test", "-show", "1"}}),
            companion_calls(paths));
  for (const std::string &p : {paths.function_file, paths.paper_table,
                               paths.settings_file, paths.imaging_area}) {
    EXPECT_EQ(static_cast<mode_t>(0666), file_mode(p)) << p;
  }
  EXPECT_EQ((std::vector<std::string>{"ImagingArea", "paperinftvq310",
                                      "zktvq310func", "zktvq310rc"}),
            list_dir(paths.inf));
}

TEST_F(Operations, DeleteOfAnUnknownNameStillAsksTheCompanionTool) {
  EXPECT_EQ(1, delete_label_format(tape_job("Nope", 50), root.c_str()));
  expect_driver_files(tape_files(), paths);
  EXPECT_EQ(1u, companion_calls(paths).size());
}

TEST_F(Operations, CompanionFailureStopsBeforeAnyDriverFile) {
  for (const char *status : {"1", "255", "kill"}) {
    set_companion_status(paths, status);
    EXPECT_EQ(-2, delete_label_format(tape_job("Test", 50), root.c_str())) << status;
    EXPECT_EQ(-2, add_label_format(tape_job("New", 50), root.c_str())) << status;
    expect_driver_files(tape_files(), paths);
  }
  ASSERT_EQ(0, ::unlink(paths.companion.c_str()));
  EXPECT_EQ(-2, delete_label_format(tape_job("Test", 50), root.c_str()));
  EXPECT_EQ(-2, add_label_format(tape_job("New", 50), root.c_str()));
  expect_driver_files(tape_files(), paths);
}

TEST_F(Operations, DeleteFailsBeforeTouchingEntriesWhenAFileIsMissing) {
  ASSERT_EQ(0, ::unlink(paths.imaging_area.c_str()));
  errno = 0;
  EXPECT_EQ(-1, delete_label_format(tape_job("Test", 50), root.c_str()));
  EXPECT_EQ(ENOENT, errno);
  EXPECT_EQ(tape_files().settings_file, read_file(paths.settings_file));
  EXPECT_EQ(tape_files().paper_table, read_file(paths.paper_table));
  EXPECT_EQ(tape_files().function_file, read_file(paths.function_file));

  // Without a paper table only the function file's entry goes: 1.
  write_file(paths.imaging_area, tape_files().imaging_area);
  ASSERT_EQ(0, ::unlink(paths.paper_table.c_str()));
  EXPECT_EQ(1, delete_label_format(tape_job("Test", 50), root.c_str()));
  EXPECT_EQ(std::string::npos, read_file(paths.function_file).find(kTapeId));
  EXPECT_EQ(tape_files().imaging_area, read_file(paths.imaging_area));
  EXPECT_EQ(tape_files().settings_file, read_file(paths.settings_file));
}

// What a delete cut short between its rewrites leaves behind: the next
// delete finds the format in the paper table and finishes the job.
TEST_F(Operations, DeleteFinishesAFormatLeftOnlyInThePaperTable) {
  std::string entries = tape_files().function_file;
  entries.erase(entries.find(kTapeId), std::string(kTapeId).size() + 6);
  write_file(paths.function_file, entries);
  EXPECT_EQ(0, delete_label_format(tape_job("Test", 50), root.c_str()));
  const DriverFiles now = read_driver_files(paths);
  EXPECT_EQ(entries, now.function_file);
  EXPECT_EQ(std::string::npos, now.paper_table.find(kTapeId));
  EXPECT_EQ(std::string::npos, now.imaging_area.find(kTapeId));
  EXPECT_EQ("Copies=1\nMedia=zkS12mm\n", now.settings_file);
}

TEST_F(Operations, DeleteResetsALastSettingsLineWithoutNewline) {
  write_file(paths.settings_file, "Media=" + std::string(kTapeId));
  EXPECT_EQ(0, delete_label_format(tape_job("Test", 50), root.c_str()));
  EXPECT_EQ("Media=zkS12mm\n", read_file(paths.settings_file));
}

TEST_F(Operations, LookupReadErrorIsAFailureNotAMissingName) {
  arm_fault(Call::kRead, 1, EIO);
  errno = 0;
  EXPECT_EQ(-1, delete_label_format(tape_job("Test", 50), root.c_str()));
  EXPECT_EQ(EIO, errno);
  disarm_faults();
  expect_driver_files(tape_files(), paths);
}

TEST_F(Operations, AddWithoutMarkerOrPaperTable) {
  write_file(paths.function_file, "no marker\n");
  ASSERT_EQ(0, ::unlink(paths.paper_table.c_str()));
  errno = 0;
  EXPECT_EQ(-1, add_label_format(tape_job("New", 50), root.c_str()));
  EXPECT_EQ(ENOENT, errno);
  EXPECT_EQ("no marker\n", read_file(paths.function_file));
  EXPECT_EQ(tape_files().imaging_area, read_file(paths.imaging_area));
}

TEST_F(Operations, AddThenDeleteRestoresEveryShapeOfIdentifier) {
  TempDir roll_dir;
  const std::string roll_root = roll_dir.path + "/vantrel";
  DriverFiles roll_files = tape_files();
  roll_files.settings_file = "MediaSize=62X100\n";
  const ModelPaths roll_paths =
      make_driver_tree(roll_root, "lm230", roll_files, FAKE_COMPANION);
  struct Shape {
    PaperJob job;
    const std::string *tree;
    const ModelPaths *paths;
    DriverFiles files;
  };
  PaperJob plain_tape = tape_job("Plain", 50);
  plain_tape.media_name[0] = '\0';
  PaperJob roll = job_for("lm230", 1, "Roll 62");
  roll.width = 62;
  roll.height = 100;
  PaperJob wide_roll = roll;
  wide_roll.width = 300;
  const Shape shapes[] = {
      {tape_job("Taped", 50), &root, &paths, tape_files()},
      {plain_tape, &root, &paths, tape_files()},
      {roll, &roll_root, &roll_paths, roll_files},
      {wide_roll, &roll_root, &roll_paths, roll_files},
  };
  for (const Shape &s : shapes) {
    ASSERT_EQ(0, add_label_format(s.job, s.tree->c_str())) << s.job.label_name;
    const std::string added = read_file(s.paths->paper_table);
    EXPECT_NE(s.files.paper_table, added);
    // Adding the same name again replaces it: one entry, not two.
    ASSERT_EQ(0, delete_label_format(s.job, s.tree->c_str()));
    ASSERT_EQ(0, add_label_format(s.job, s.tree->c_str()));
    EXPECT_EQ(added.size(), read_file(s.paths->paper_table).size());
    EXPECT_EQ(0, delete_label_format(s.job, s.tree->c_str())) << s.job.label_name;
    const DriverFiles now = read_driver_files(*s.paths);
    EXPECT_EQ(s.files.function_file, now.function_file) << s.job.label_name;
    EXPECT_EQ(s.files.paper_table, now.paper_table) << s.job.label_name;
    EXPECT_EQ(s.files.imaging_area, now.imaging_area) << s.job.label_name;
  }
  ASSERT_EQ(0, add_label_format(roll, roll_root.c_str()));
  EXPECT_NE(std::string::npos, read_file(roll_paths.paper_table).find("/Roll 62:\t695\t1108\n"));
  EXPECT_NE(std::string::npos,
            read_file(roll_paths.imaging_area).find(":\t0.00\t0.00\t0.00\t283.03\n"));
}

TEST_F(Operations, AddThenDeleteKeepsUnterminatedLastLines) {
  write_file(paths.function_file, "x\n[CustomTape]");
  write_file(paths.paper_table, "A4:\t1\t2");
  write_file(paths.imaging_area, "A4:\t0.00\t0.00\t1.00\t2.00");
  ASSERT_EQ(0, add_label_format(tape_job("New", 50), root.c_str()));
  ASSERT_EQ(0, delete_label_format(tape_job("New", 50), root.c_str()));
  EXPECT_EQ("x\n[CustomTape]\n", read_file(paths.function_file));
  EXPECT_EQ("A4:\t1\t2\n", read_file(paths.paper_table));
  EXPECT_EQ("A4:\t0.00\t0.00\t1.00\t2.00\n", read_file(paths.imaging_area));
}

TEST_F(Operations, RollDeleteResetsToTheRollDefault) {
  TempDir roll_dir;
  const std::string roll_root = roll_dir.path + "/vantrel";
  DriverFiles files = tape_files();
  files.settings_file = "MediaSize=" + std::string(kTapeId) + "\n";
  const ModelPaths roll_paths = make_driver_tree(roll_root, "lm210", files, FAKE_COMPANION);
  EXPECT_EQ(0, delete_label_format(job_for("lm210", 0, "Test"), roll_root.c_str()));
  EXPECT_EQ("MediaSize=29X1\n", read_file(roll_paths.settings_file));
}

TEST_F(Operations, OverlongRootFailsBeforeRunningAnything) {
  const std::string longer = root + "/" + std::string(1100, 'r');
  errno = 0;
  EXPECT_EQ(-1, delete_label_format(tape_job("Test", 50), longer.c_str()));
  EXPECT_EQ(ENAMETOOLONG, errno);
  EXPECT_EQ(-1, add_label_format(tape_job("Test", 50), longer.c_str()));
  int handle = 0;
  EXPECT_EQ(-1, hold_driver_lock(tape_job("Test", 50), longer.c_str(), &handle));
  EXPECT_TRUE(companion_calls(paths).empty());
}

TEST_F(Operations, DriverLockExcludesOtherRuns) {
  write_file(paths.function_file + ".$$$", "left by a run that was killed");
  write_file(paths.imaging_area + ".$$$", "");
  int handle = -1;
  ASSERT_EQ(0, hold_driver_lock(tape_job("Test", 50), root.c_str(), &handle));
  ASSERT_GE(handle, 0);
  EXPECT_EQ(4u, list_dir(paths.inf).size()) << "stale temporaries are removed";
  const int other = ::open(paths.inf.c_str(), O_RDONLY | O_DIRECTORY);
  EXPECT_EQ(-1, ::flock(other, LOCK_EX | LOCK_NB));
  EXPECT_EQ(EWOULDBLOCK, errno);
  release_driver_lock(handle);
  EXPECT_EQ(0, ::flock(other, LOCK_EX | LOCK_NB));
  ::close(other);

  // No inf directory: nothing to guard, and no error.
  EXPECT_EQ(0, hold_driver_lock(job_for("tvq200", 3, "x"), root.c_str(), &handle));
  EXPECT_EQ(-1, handle);
  release_driver_lock(handle);

  arm_fault(Call::kFlock, 1, ENOLCK);
  EXPECT_EQ(-1, hold_driver_lock(tape_job("Test", 50), root.c_str(), &handle));
  EXPECT_EQ(ENOLCK, errno);
}

}  // namespace
