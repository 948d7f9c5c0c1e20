// The add and delete operations and the driver lock against a driver tree
// in a temporary directory, with the fake companion tool standing in.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "driverfiles/change/apply_formats.h"
#include "driverfiles/sys/companion.h"
#include "driverfiles/change/driver_lock.h"
#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/change/model_repair.h"
#include "driverfiles/model/model_report.h"
#include "driverfiles/change/recorded_request.h"
#include "driverfiles/lines/rewrite.h"
#include "front/admin_commands.h"
#include "front/dispatch.h"
#include "front/failure_report.h"
#include "front/format_set.h"
#include "front/operations.h"
#include "gtest/gtest.h"
#include "support/fault_injection.h"
#include "support/temp_tree.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kTapeId = "ZkL_zkS12mm__040A03271A2B", kOtherId = "ZkL_zkS9mm___05070320FFFF";

DriverFiles tape_files() {
  return {"[Function]\n[CustomTape]\n" + kTapeId + "/Test\n" + kOtherId + "/Other\n",
          kTapeId + "/Test:\t70\t353\n" + kOtherId + "/Other:\t50\t353\n", "Copies=1\nMedia=" + kTapeId + "\n",
          kTapeId + ":\t0.00\t0.00\t28.00\t141.52\n" + kOtherId + ":\t0.00\t0.00\t20.00\t141.52\n"};
}

PaperJob tape_job(const char *label) {
  PaperJob job{3, "tvq310", "q", "", "_zkS12mm__", 10, 50, 70, {}, "", 12, 50};  // as -w 12 -h 50 give it
  return copy_text(job.label_name, label), job;
}

// Descriptors this process holds, so a run that leaks one shows.
size_t open_descriptors() { return list_dir("/proc/self/fd").size(); }

class Operations : public ::testing::Test {
 protected:
  // No sudo user; every call recorded, none failing until a test arms one.
  void SetUp() override { ::unsetenv("SUDO_USER"), ::unsetenv("SUDO_UID"), arm_fault(Call::kOpen, 0, 0); }
  void TearDown() override { disarm_faults(); }
  // The events of one kind ("rename ", "log "), without the kind.
  Lines events(const std::string &kind = "rename ") {
    Lines out;
    for (const std::string &e : sync_and_rename_log()) if (e.rfind(kind, 0) == 0) out.push_back(e.substr(kind.size()));
    return out;
  }
  // An audit line of tvq310 on printer q: the action, the name, the fields after it, the uids.
  std::string logged(const std::string &action, const std::string &name, const std::string &fields) const {
    return action + " model=tvq310 printer='q' name='" + name + "' " + fields + " uid=" + uid;
  }
  // Whether the run renamed nothing but the intent record.
  bool before_first_commit() {
    const Lines moved = events();
    return std::count(moved.begin(), moved.end(), record) == static_cast<long>(moved.size());
  }
  // Whether the record and its name were on disk before the companion was asked.
  bool record_synced_first() {
    const Lines all = events(""), put = {"fsync " + record + ".$$$", "rename " + record, "fsync " + paths.inf};
    return std::search(all.begin(), all.end(), put.begin(), put.end()) < std::find(all.begin(), all.end(), "wait") - 2;
  }
  // Whether the model's directory was synced once for the driver files' renames, after the last, and once for each
  // write of the record.
  bool synced_once_after_renames(long record_writes) {
    const Lines all = events(""), syncs = events("fsync ");
    const auto last = std::find_if(all.rbegin(), all.rend(), [](const std::string &e) { return e.rfind("rename ", 0) == 0; });
    return std::count(syncs.begin(), syncs.end(), paths.inf) == record_writes + 1 && std::find(all.rbegin(), last, "fsync " + paths.inf) != last;
  }
  // run on the tape files with the clock set and the nth call of kind
  // failing (kOpen 0: none), errno after it in *err; no descriptor left.
  int32_t run_failing(Call kind, int nth, const std::function<int32_t()> &run, int *err = nullptr) {
    write_driver_files(paths, tape_files());
    arm_fault(kind, nth, EIO), set_clock(7, 0x1A2B), note_failed_driver_file(""), errno = 0;
    const size_t fds = open_descriptors();
    const int32_t rc = run();
    if (err != nullptr) *err = errno;
    EXPECT_EQ(fds, open_descriptors()) << "descriptors left open";
    return rc;
  }
  // The real uid, and the login uid as the kernel keeps it.
  const std::string uid = std::to_string(::getuid()) + " login_uid=" + [] {
    const std::string id = read_file("/proc/self/loginuid");
    return id == "4294967295" ? "unset" : id == "<missing>" ? "unknown" : id;
  }();
  TempDir dir;
  std::string root = dir.path + "/vantrel";
  ModelPaths paths = make_driver_tree(root, "tvq310", tape_files(), FAKE_COMPANION);
  std::string record = paths.inf + "/zkpapertoollpr.intent";
};

// An identifier ends in the last hex digit of the clock's seconds and the last four of its microseconds. The settings
// file holds the clock's and the paper table the next, wrapping to zeros, so the one after is used.
TEST_F(Operations, AddSkipsATakenIdentifier) {
  DriverFiles files = tape_files();
  files.settings_file = "Media=ZkL_zkS12mm__030A032FFFFF\n";
  files.paper_table += "ZkL_zkS12mm__030A03200000/Old:\t1\t2\n";
  write_driver_files(paths, files), set_clock(0x3F, 0x5FFFF);
  ASSERT_EQ(0, add_label_format(tape_job("New"), root.c_str()));
  EXPECT_EQ("[Function]\n[CustomTape]\nZkL_zkS12mm__030A03200001/New\n" + kTapeId + "/Test\n" + kOtherId + "/Other\n",
            read_file(paths.function_file));
  EXPECT_EQ(Lines{logged("added", "New", "id='ZkL_zkS12mm__030A03200001' size=10x50 asked=12x50")}, events("log "));
}

// An identifier that would hold an existing entry's (a wide roll format's
// starts with a shorter one) is passed over too, a microsecond at a time.
TEST_F(Operations, AddSkipsAnIdentifierHoldingAnEntrys) {
  const ModelPaths roll = make_driver_tree(root, "lm210", {"[CustomTape]\nZkL0110003271A2/X\n", "", "", ""},
                                           FAKE_COMPANION);
  const PaperJob job{0, "lm210", "q", "N", "", 0x100, 50, 70, {}, ""};
  set_clock(7, 0x1A2B);
  ASSERT_EQ(0, add_label_format(job, root.c_str()));
  EXPECT_EQ("[CustomTape]\nZkL0110003271A30/N\nZkL0110003271A2/X\n", read_file(roll.function_file));
}

// An apply's new identifier that an earlier one starts (a wider roll's has a digit more) is chosen again from its
// clock digits on: A's "ZkL011001277777" starts B's while B's microsecond digits are 777x, so B's moves on to 7780,
// and when a line of ImagingArea (kept, as is the format it carries) holds that one at its end, all start over from
// the digits after it: A's 7781, B's 7782.
TEST_F(Operations, ApplyChoosesAgainAnIdentifierAnEarlierOneStarts) {
  make_driver_tree(root, "lm210", {"[CustomTape]\nZkL0110000000000/C\n", "", "", "ZkL0110000000000 ZkL0110012777780\n"},
                   FAKE_COMPANION);
  FormatSpec specs[2] = {{"A", "", 16, 18, 0, 16, 18}, {"B", "", 256, 295, 0, 256, 295}};
  const FormatSet set{specs, 2, 2};
  const PaperJob job{0, "lm210", "q", "", "", 0, 0, 0, {}, ""};
  ApplyPlan plan{};
  set_clock(7, 0x7777);
  ASSERT_EQ(0, decide_apply(job, root.c_str(), set, true, &plan));
  EXPECT_EQ(0, run_apply(job, root.c_str(), set, &plan, nullptr, nullptr));
  EXPECT_STREQ("ZkL011001277781", plan.changes[0].new_id.text);
  EXPECT_STREQ("ZkL0110012777782", plan.changes[1].new_id.text);
  free_apply_plan(&plan);
}

// The add alone, on a function file without the "[CustomTape]" line its entry follows (and no paper table): ENODATA
// naming that file, nothing asked, renamed or left behind.
TEST_F(Operations, AddWithoutTheMarkerChangesNothing) {
  const DriverFiles files{"[Function]\n", "<missing>", "", ""};
  write_driver_files(paths, files), ::unlink(paths.paper_table.c_str());
  const Lines names = list_dir(paths.inf);
  EXPECT_EQ(kOpFileFailed, add_label_format(tape_job("New"), root.c_str()));
  EXPECT_EQ(ENODATA, errno);
  EXPECT_EQ(paths.function_file, failed_driver_file());
  for (const char *kind : {"rename ", "wait"}) EXPECT_EQ(Lines{}, events(kind)) << kind;
  expect_driver_files(files, paths);
  EXPECT_EQ(names, list_dir(paths.inf));
}

// A repair logs each change it made, its preview none: an incomplete format and its selection, an orphan of the paper
// table and one of ImagingArea alone, a stale setting. An apply keeping the others logs the same orphans as it drops.
TEST_F(Operations, RepairLogsEachChange) {
  const std::string orphan = "ZkL_zkS9mm___05070320AAAA", stale = "ZkL_zkS9mm___05070320BBBB",
                    lone = "ZkL_zkS9mm___05070320CCCC";
  const DriverFiles tree{tape_files().function_file, kOtherId + "/Other:\t50\t353\n" + orphan + "/Gone:\t1\n",
                         "Media=" + kTapeId + "\nLast=" + stale + "\n", tape_files().imaging_area + lone + ":\t1\n"};
  write_driver_files(paths, tree);
  ASSERT_EQ(0, preview_repair(tape_job("T"), root.c_str()));
  EXPECT_EQ(Lines{}, events("log "));
  ASSERT_EQ(0, repair_formats(tape_job("T"), root.c_str()));
  const std::string tape = "id='" + kTapeId + "' size=10x50";
  const auto gone = [&](const char *action, const std::string &id) {
    return logged(action, "", "id='" + id + "' size=7x50");
  };
  EXPECT_EQ((Lines{logged("removed incomplete", "Test", tape), logged("reset setting", "", tape), gone("removed orphan",
             orphan), gone("removed orphan", lone), gone("reset setting", stale)}), events("log "));
  const auto apply = [&](bool keep_others) {
    ApplyPlan plan{};
    int32_t rc = decide_apply(tape_job(""), root.c_str(), FormatSet{}, keep_others, &plan);
    if (rc == kOpDone) rc = run_apply(tape_job(""), root.c_str(), FormatSet{}, &plan, nullptr, nullptr);
    return free_apply_plan(&plan), rc;
  };
  write_driver_files(paths, tree), arm_fault(Call::kOpen, 0, 0);
  EXPECT_EQ(0, apply(true));
  EXPECT_EQ((Lines{gone("removed orphan", orphan), gone("removed orphan", lone), gone("reset setting", stale)}),
            events("log "));
  // Each allocation of an apply removing the formats too failing in turn: it fails, changing nothing, or does it all.
  write_driver_files(paths, tree), arm_fault(Call::kOpen, 0, 0);
  ASSERT_EQ(0, apply(false));
  const DriverFiles done = read_driver_files(paths);
  for (int nth = 1, n = calls_made(Call::kRealloc); nth <= n; ++nth) {
    write_driver_files(paths, tree), arm_fault(Call::kRealloc, nth, ENOMEM);
    const int32_t rc = apply(false);
    EXPECT_TRUE(rc == kOpDone || rc == kOpFileFailed) << nth;
    expect_driver_files(rc == kOpDone ? done : tree, paths);
  }
}

// A request that changes nothing writes no record: a delete of a name not there, an add refused, not cut, as its
// paths are too long (slashes pad the root). A repair finishing an interrupted delete logs the delete, then the finishing.
TEST_F(Operations, RecordOnlyWhatChangesAndLogItsFinishing) {
  bool in_add = false;
  EXPECT_EQ(kOpNotFound, run_recorded_request(tape_job("Nope"), root.c_str(), false, nullptr, &in_add));
  const std::string padded = root + std::string(1000 - root.size(), '/');
  EXPECT_EQ(kOpFileFailed, run_recorded_request(tape_job("Test"), padded.c_str(), true, nullptr, &in_add));
  EXPECT_EQ(ENAMETOOLONG, errno);
  int lock = 0;  // nor is the lock of a folder whose path is too long
  EXPECT_EQ(kOpFileFailed, hold_driver_lock(tape_job("Test"), (padded + std::string(20, '/')).c_str(), true, &lock));
  EXPECT_EQ(ENAMETOOLONG, errno);
  // Nor the record's path past an inf folder that fits (padded) or one that does not, nor the check's folder.
  Intent intent{};
  for (const std::string &r : {padded, padded + std::string(20, '/')}) {
    char out[kPathMax];
    const long rcs[] = {format_intent_path(out, sizeof out, r.c_str(), "tvq310"), write_intent(r.c_str(), intent),
                        remove_intent(r.c_str(), "tvq310", true), read_intent(r.c_str(), "tvq310", &intent)};
    EXPECT_EQ(std::vector<long>(4, -1), std::vector<long>(std::begin(rcs), std::end(rcs))) << r.size();
  }
  EXPECT_EQ(-1, check_formats(tape_job("T"), (padded + std::string(20, '/')).c_str()));
  EXPECT_EQ(Lines{}, events());
  arm_fault(Call::kRename, 3, EIO);  // the record, ImagingArea, then the settings file fails
  EXPECT_EQ(kOpFileFailed, run_recorded_request(tape_job("Test"), root.c_str(), false, nullptr, &in_add));
  arm_fault(Call::kOpen, 0, 0);
  ASSERT_EQ(0, repair_formats(tape_job("T"), root.c_str()));
  EXPECT_TRUE(synced_once_after_renames(0));
  EXPECT_EQ((Lines{logged("removed", "Test", "id='" + kTapeId + "' size=10x50"), logged("finished delete", "Test",
             "id='' size=10x50")}), events("log "));
  EXPECT_FALSE(file_exists(record));
}

// Every value from outside is quoted with its line-breaking, quoting and escaping bytes as \xHH, so none can fake a
// field or a line; sudo's invoking user stands beside the uids.
TEST_F(Operations, AuditLineQuotesWhatComesFromOutside) {
  const std::string id = "ZkL_zkS12mm__050A03271A2B";
  write_driver_files(paths, {"[CustomTape]\n" + id + "/It's\\\n", id + "/It's\\:\t1\t2\n", "", id + ":\t1\n"});
  ::setenv("SUDO_USER", "a'b\tc", 1), ::setenv("SUDO_UID", "0 uid=5", 1);
  PaperJob job = tape_job("It's\\");
  copy_text(job.printer, "q name='F' id=x\nfake");
  ASSERT_EQ(0, delete_label_format(job, root.c_str()));
  EXPECT_EQ(Lines{"removed model=tvq310 printer='q name=\\x27F\\x27 id=x\\x0Afake' name='It\\x27s\\x5C' id='" + id +
                  "' size=10x50 uid=" + uid + " sudo_user='a\\x27b\\x09c' sudo_uid='0 uid=5'"}, events("log "));
}

// Readers (dry runs, the monitoring check) give up on a lock a writer
// holds after the bounded wait, its pauses taking no time here.
TEST_F(Operations, ReaderWaitsForAWriterOnlySoLong) {
  const int writer = ::open(paths.inf.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(0, ::flock(writer, LOCK_EX));
  const std::string gave_up = paths.inf + ": another run holds the driver files' lock: gave up after 10 s\n";
  const char *const z = "zkpapertoollpr_tvq310";
  const std::vector<const char *> lines[] = {{z, "--check", "--monitoring"}, {z, "--dry-run", "-P", "q", "-d", "Test"},
                                             {z, "--dry-run", "--ensure", "-P", "q", "-n", "N", "-w", "12", "-h", "50"}};
  for (std::vector<const char *> argv : lines) {
    PaperJob job{};
    set_program_name(argv[0]), select_model(argv[0], &job);
    testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
    const bool monitor = argv[2] == std::string("--monitoring");
    EXPECT_EQ(monitor ? 3 : -1, run_admin_command(static_cast<int>(argv.size()), argv.data(), &job, root.c_str()));
    EXPECT_EQ(monitor ? "ZKPAPERTOOLLPR UNKNOWN - tvq310: " + gave_up : "", testing::internal::GetCapturedStdout());
    EXPECT_EQ(monitor ? "" : z + (": " + gave_up), testing::internal::GetCapturedStderr());
  }
  EXPECT_EQ(3 * kReaderLockWaitMs / 50, calls_made(Call::kNanosleep));
  ::close(writer);
}

// A writer removes the temporaries of the driver files and of the intent
// record that a dead run left; an interrupted wait for the lock is taken again.
TEST_F(Operations, OnlyAWriterRemovesStaleTemporaries) {
  const std::string stale = paths.function_file + ".$$$", stale_record = record + ".$$$";
  for (const bool writer : {false, true}) {
    for (const std::string &f : {stale, stale_record}) write_file(f, "half\n");
    arm_fault(Call::kFlock, 1, EINTR);
    int handle = -1;
    ASSERT_EQ(0, hold_driver_lock(tape_job("T"), root.c_str(), writer, &handle));
    ASSERT_LE(0, handle);
    for (const std::string &f : {stale, stale_record}) EXPECT_EQ(!writer, file_exists(f)) << f;
    EXPECT_EQ(writer, removed_stale_temporary(kFunctionFile)) << writer;
    release_driver_lock(handle);
  }
}

// A request renames its intent record first, then its files in crash order (an add's entry first, a delete's last).
// Every system call of it failing in turn, the lookups', the lock's, the record's and the wait for the companion
// included: the request reports it (never success, never "not found"), each file is old or new, no descriptor or
// temporary file is left, a delete that fails before its first commit changes nothing, a record is left only by a
// failure and a repair then finishes the request, and a clean delete of the name then leaves the tree as a clean delete
// would have. An add of "Test" takes the delete's preparation into an add; a clean delete logs one line.
TEST_F(Operations, EveryFailingCallOfARequestIsReported) {
  ASSERT_EQ(0, delete_label_format(tape_job("Test"), root.c_str()));
  const DriverFiles deleted = read_driver_files(paths);
  for (const char *label : {"New", "Test", ""}) {
    const bool add = *label != '\0';
    if (!add) label = "Test";
    const auto request = [&]() -> int32_t {  // lock to last sync, the add's delete first, its intent recorded
      const PaperJob job = tape_job(label);
      int lock = -1;
      bool in_add = false;
      if (hold_driver_lock(job, root.c_str(), true, &lock) != 0) return kOpFileFailed;
      const int32_t rc = run_recorded_request(job, root.c_str(), add, nullptr, &in_add);
      return release_driver_lock(lock), rc;
    };
    ASSERT_EQ(0, run_failing(Call::kOpen, 0, request));
    const Lines del{paths.imaging_area, paths.settings_file, paths.paper_table, paths.function_file};
    Lines expected = add ? Lines{paths.function_file, paths.paper_table, paths.imaging_area} : del;
    if (add && std::string(label) == "Test") expected.insert(expected.begin(), del.begin(), del.end());
    expected.insert(expected.begin(), record);
    EXPECT_EQ(expected, events());
    EXPECT_TRUE(record_synced_first() && synced_once_after_renames(1));
    const std::string q = " model=tvq310 printer='q' name='", by = "removed" + q + "Test' id='" + kTapeId + "' size=10x50 uid=";
    // The add's identifier comes from the request's clock, moved on past the one "Test" holds.
    const bool again = add && *label == 'T';
    const std::string added = "added" + q + label + "' id='ZkL_zkS12mm__0" + (again ? "40A03271A2C" : "30A03271A2B") +
                              "' size=10x50 asked=12x50 uid=";
    const Lines clean_log = add ? again ? Lines{by + uid, added + uid} : Lines{added + uid} : Lines{by + uid};
    EXPECT_EQ(clean_log, events("log "));
    const std::vector<Call> clean = call_log();
    const size_t renamed = static_cast<size_t>(std::find(clean.rbegin(), clean.rend(), Call::kRename).base() - clean.begin());
    const DriverFiles done = read_driver_files(paths);
    const Lines names = list_dir(paths.inf);
    for (size_t i = 0; i < clean.size(); ++i) {
      const Call kind = clean[i];
      const int nth = nth_of_kind(clean, i);
      SCOPED_TRACE(call_name(kind) + std::to_string(nth) + (add ? " add " : " delete ") + label);
      int err = 0;
      const int32_t rc = run_failing(kind, nth, request, &err);
      EXPECT_TRUE(rc == 0 || i < renamed || file_exists(record));  // the shared sync's failure: kept for --repair
      const bool before_commit = before_first_commit();
      const DriverFiles now = read_driver_files(paths), old = tape_files();
      if (rc == 0) {  // a call whose failure costs nothing (a close, a stale temporary)
        expect_driver_files(done, paths);
        // The login uid unread is "unknown"; a line without memory keeps its action and model.
        const bool unread = kind == Call::kOpen || kind == Call::kRead;  // a failing look at the login uid
        const std::string line = by + (unread ? std::to_string(::getuid()) + " login_uid=unknown" : uid);
        const Lines degraded{kind == Call::kRealloc ? "removed model=tvq310 (no memory for the details)" : line};
        if (!add || (!unread && kind != Call::kRealloc)) { EXPECT_EQ(add ? clean_log : degraded, events("log ")); }
      } else {
        EXPECT_TRUE(kind == Call::kGettimeofday || rc != kOpFileFailed ||
                    std::string(failed_driver_file()).find(root) == 0);
        EXPECT_EQ(kind == Call::kWaitpid || kind == Call::kSpawn ? kOpCompanionFailed : kOpFileFailed, rc);
        EXPECT_EQ(EIO, err);
        if (before_commit) expect_driver_files(old, paths);
      }
      const auto as = [&](const DriverFiles &files, int f) { return now.*kFileText[f] == files.*kFileText[f]; };
      for (int f = 0; f < 4; ++f) EXPECT_TRUE(as(old, f) || as(done, f) || as(deleted, f)) << "file " << f;
      arm_fault(Call::kOpen, 0, 0);
      if (file_exists(record)) {
        EXPECT_GT(0, rc);
        EXPECT_EQ(0, repair_formats(tape_job(label), root.c_str()));
        EXPECT_EQ(0u, events("log ").back().find(std::string(add ? "finished add" : "finished delete") + q + label));
        expect_driver_files(done, paths);
      }
      EXPECT_EQ(names, list_dir(paths.inf));  // no temporary or record left
      EXPECT_LE(0, delete_label_format(tape_job(label), root.c_str()));
      expect_driver_files(*label == 'N' ? tape_files() : deleted, paths);
    }
  }
}

// An apply under the lock, as --apply runs it (or its dry run): "New" added, "Test" replaced by a 60 mm one, "Other"
// removed; or as --ensure runs it, the one format made as asked, all else kept.
int32_t run_apply_request(const std::string &root, bool preview = false, FormatSpec *one = nullptr) {
  FormatSpec specs[2] = {{"New", "_zkS12mm__", 10, 50, 70, 12, 50}, {"Test", "_zkS12mm__", 10, 60, 70, 12, 60}};
  const bool ensure = one != nullptr;
  const FormatSet set = ensure ? FormatSet{one, 1, 1} : FormatSet{specs, 2, 2};
  const PaperJob job = tape_job("");
  ApplyPlan plan{};
  int lock = -1;
  if (hold_driver_lock(job, root.c_str(), !preview, &lock) != 0) return kOpFileFailed;
  DryRun *dry_run = preview ? start_dry_run() : nullptr;
  int32_t rc = decide_apply(job, root.c_str(), set, ensure, &plan, !ensure);
  if (rc == kOpDone && preview) rc = run_apply(job, root.c_str(), set, &plan, dry_run, nullptr);
  if (rc == kOpDone && !preview) rc = run_recorded_apply(job, root.c_str(), set, ensure, &plan);
  if (dry_run != nullptr) (void)end_dry_run(dry_run, job, root.c_str(), false);
  return free_apply_plan(&plan), release_driver_lock(lock), rc;
}

// Every system call of an apply failing in turn, with the companion agreeing throughout or refusing the second format's
// add: the apply reports it, leaves no descriptor or temporary file, changes nothing when it failed before its first
// rename, leaves its record (on disk before the companion is asked) only by a failure that --repair then finishes, and
// the same apply run again finishes the rest. A whole apply logs each change. An --ensure replacing the selected
// "Test", the apply of that one format, fares the same.
TEST_F(Operations, EveryFailingCallOfAnApplyIsReported) {
  for (const bool ensure : {false, true}) {
    FormatSpec test60 = {"Test", "_zkS12mm__", 10, 60, 70, 12, 60};
    const auto apply = [&] { return run_apply_request(root, false, ensure ? &test60 : nullptr); };
    ASSERT_EQ(kOpDone, run_failing(Call::kOpen, 0, apply));
    EXPECT_TRUE(record_synced_first() && synced_once_after_renames(1));
    const Lines whole = applied_shape(read_driver_files(paths), true);
    const Lines all = {logged("added", "New", "id='ZkL_zkS12mm__030A03271A2B' size=10x50 asked=12x50"), logged("replaced",
        "Test", "id='ZkL_zkS12mm__040A03C71A2C' old_id='" + kTapeId + "' size=10x60 asked=12x60"), logged("removed",
        "Other", "id='" + kOtherId + "' size=7x50")};
    EXPECT_EQ(ensure ? events("log ") : all, events("log "));  // the ensure's: ApplyCarriesOutItsChangeSet
    const int add = ensure ? 2 : 4;  // the companion call adding "Test"
    for (const char *statuses : {"0", ensure ? "0 3" : "0 0 0 3 0"}) {
      set_companion_status(paths, statuses);
      ASSERT_EQ(statuses[1] == '\0' ? kOpDone : kOpCompanionFailed, run_failing(Call::kOpen, 0, apply));
      const std::vector<Call> clean = call_log();
      const Lines names = list_dir(paths.inf);
      for (size_t i = 0; i < clean.size(); ++i) {
        const int nth = nth_of_kind(clean, i);
        SCOPED_TRACE(call_name(clean[i]) + std::to_string(nth) + " companion " + statuses);
        set_companion_status(paths, statuses);
        int err = 0;
        const int32_t rc = run_failing(clean[i], nth, apply, &err);
        EXPECT_TRUE(rc == kOpDone ? whole == applied_shape(read_driver_files(paths), true)
                                  : rc == kOpCompanionFailed || (rc == kOpFileFailed && err == EIO));
        EXPECT_TRUE((clean[i] != Call::kWaitpid && clean[i] != Call::kSpawn) || rc == kOpCompanionFailed);
        // A refusal is the companion's, whatever the record's removal met after it.
        EXPECT_TRUE(rc != kOpCompanionFailed || paths.companion == failed_driver_file());
        if (before_first_commit()) expect_driver_files(tape_files(), paths);
        // Kept when the companion agreed to a change not all in place, else only by a failed unlink.
        const bool kept = rc == kOpFileFailed && calls_made(Call::kWaitpid) > 0;
        EXPECT_TRUE(kept ? file_exists(record) : !file_exists(record) || clean[i] == Call::kUnlink);
        // The selected format whose add failed is gone, its selection reset (once the settings file is renamed, else
        // a repair's apply moves it on): it comes back unselected.
        const bool refused = calls_made(Call::kSpawn) >= add && (statuses[1] != '\0' ||
                             (nth == add && (clean[i] == Call::kSpawn || clean[i] == Call::kWaitpid)));
        Lines again = whole;
        const std::string reset = "Copies=1\nMedia=zkS12mm\n";
        if (refused && (!file_exists(record) || read_driver_files(paths).settings_file == reset)) again[2] = reset;
        arm_fault(Call::kOpen, 0, 0), set_companion_status(paths, "0");
        if (file_exists(record)) {
          EXPECT_GT(0, rc);
          EXPECT_EQ(0, repair_formats(tape_job(""), root.c_str()));
          EXPECT_EQ(logged("finished apply", "", "id='' size=0x0"), events("log ").back());
          EXPECT_EQ(again, applied_shape(read_driver_files(paths), true));
        }
        EXPECT_EQ(names, list_dir(paths.inf));
        EXPECT_EQ(kOpDone, apply());
        EXPECT_EQ(again, applied_shape(read_driver_files(paths), true));
      }
    }
  }
}

// The executor of one change set (an --ensure's: one format, others kept), the companion agreeing or refusing the
// add, a rename failing once it agreed: what it asks, the bytes it leaves, its record (the set, the selection it moves)
// and its audit lines.
TEST_F(Operations, ApplyCarriesOutItsChangeSet) {
  const std::string t60 = "ZkL_zkS12mm__040A03C71A2B";
  const DriverFiles old = tape_files(), gone = {"[Function]\n[CustomTape]\n" + kOtherId + "/Other\n", kOtherId +
      "/Other:\t50\t353\n", "Copies=1\nMedia=zkS12mm\n", kOtherId + ":\t0.00\t0.00\t20.00\t141.52\n"};
  const DriverFiles replaced = {"[Function]\n[CustomTape]\n" + t60 + "/Test\n" + kOtherId + "/Other\n", gone.paper_table +
      t60 + "/Test:\t70\t424\n", "Copies=1\nMedia=" + t60 + "\n", gone.imaging_area + t60 + ":\t0.00\t0.00\t28.00\t169.82\n"};
  const auto asked = [](const std::string &name, const std::string &height, const std::string &id) {
    return std::vector<Lines>{{"-P", "q", "-d", name, "-show", "1"},
                              {"-P", "q", "-n", name, "-w", "10", "-h", height, "-specid", id, "-show", "1"}};
  };
  const std::string set = "zkpapertoollpr intent 1\nmodel tvq310\nkind 3\nrequest apply 1 1\nprinter 1:q\nformat 4:Test "
                          "10:_zkS12mm__ 10 60 70\nselection " + kTapeId + " 0\n";
  const struct {
    const char *name, *statuses;
    int height, rename, rc;  // rename: the one that fails (0: none)
    DriverFiles after; std::vector<Lines> calls; Lines log; std::string record;
  } rows[] = {
      {"Test", "0", 60, 0, kOpDone, replaced, asked("Test", "60", t60), {logged("replaced", "Test", "id='" + t60 +
       "' old_id='" + kTapeId + "' size=10x60 asked=12x60")}, "<missing>"},
      {"Test", "0 3", 60, 0, kOpCompanionFailed, gone, asked("Test", "60", t60), {logged("removed", "Test", "id='" +
       kTapeId + "' size=10x50")}, "<missing>"},
      {"New", "0 3", 50, 0, kOpCompanionFailed, old, asked("New", "50", "ZkL_zkS12mm__030A03271A2B"), {}, "<missing>"},
      {"Test", "0", 60, 2, kOpFileFailed, old, asked("Test", "60", t60), {}, set},  // the record, then the function file
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::string(row.name) + " " + row.statuses + " " + std::to_string(row.rename));
    ::unlink(record.c_str()), ::unlink((paths.companion + ".log").c_str()), set_companion_status(paths, row.statuses);
    PaperJob one = tape_job(row.name);
    one.height = one.asked_height = row.height;
    FormatSpec spec = spec_of(one);
    EXPECT_EQ(row.rc, run_failing(Call::kRename, row.rename, [&] { return run_apply_request(root, false, &spec); }));
    EXPECT_EQ(row.calls, companion_calls(paths));
    expect_driver_files(row.after, paths);
    const std::string kept = read_file(record);
    EXPECT_EQ(row.record, kept.substr(0, kept.find("sum ")));
    EXPECT_EQ(row.log, events("log "));
  }
  arm_fault(Call::kOpen, 0, 0), set_clock(7, 0x1A2B);  // the last row's record: its set holds no asked size
  ASSERT_EQ(0, repair_formats(tape_job(""), root.c_str()));
  EXPECT_EQ(logged("replaced", "Test", "id='" + t60 + "' old_id='" + kTapeId + "' size=10x60"), events("log ").at(0));
}

// The listing, the check (also of an open record), a preview, a repair's and a request's dry run and the companion's
// run report every failing call of theirs (a driver file's naming it) and leave no descriptor open; none answers from
// what it read before the failure. An interrupted read or wait is no failure.
TEST_F(Operations, EveryFailingCallOfAReaderIsReported) {
  const PaperJob job = tape_job("T");
  // The preview's last line gains a newline, so its old bytes are read again.
  const std::string unended = dir.path + "/unended", input = dir.path + "/in.json";
  write_file(unended, "a\n" + kTapeId + "\nlast");
  const RewritePlan drop{kTapeId.c_str(), nullptr, nullptr, nullptr, "END\n"};
  const char *const companion[] = {paths.companion.c_str(), nullptr};
  write_file(input, "{\"formats\":[{\"name\":\"A\",\"width\":12,\"height\":50},"
                    "{\"name\":\"B\",\"width\":12,\"height\":50}]}");  // two, so their names are compared
  FormatSpec added = spec_of(tape_job("New"));  // an apply cut short leaves its open record, which the check reads
  run_failing(Call::kRename, 2, [&] { return run_apply_request(root, false, &added); });
  const std::string open_record = read_file(record);
  ::unlink(record.c_str());
  const std::function<long()> readers[] = {
      [&] { return list_formats(job, root.c_str()); },
      [&] { return check_formats(job, root.c_str()); },
      [&] { return preview_repair(job, root.c_str()); },
      [&] { return preview_file(unended.c_str(), drop, nullptr); },
      [&] { return dispatch_request(tape_job("Test"), {true, true, false, true, true}, root.c_str(), true); },
      [&] { return run_companion(companion); },
      [&] {  // a dry run's companion check fails as the companion would, errno kept
        const int32_t rc = run_apply_request(root, true);
        return rc == kOpCompanionFailed ? -1L : static_cast<long>(rc);
      },
      [&] {
        FormatSet set{};
        SetError error{};
        const long rc = read_format_set(input.c_str(), job, &set, &error);
        return free_format_set(&set), rc;
      },
      [&] {  // its finding (1) is a clean run's answer; the record's parser says ENOMEM for a failed allocation
        write_file(record, open_record);
        const long rc = check_formats(job, root.c_str());
        const int err = errno == ENOMEM ? EIO : errno;
        return ::unlink(record.c_str()), errno = err, rc == 1 ? 0L : rc == 0 ? 1L : rc;
      }};
  Lines unreported;  // gathered while their output is set aside
  testing::internal::CaptureStdout();
  for (size_t r = 0; r < std::size(readers); ++r) {
    arm_fault(Call::kOpen, 0, 0);
    if (readers[r]() != 0) unreported.push_back("clean run of reader " + std::to_string(r));
    const std::vector<Call> clean = call_log();
    if (std::count(clean.begin(), clean.end(), Call::kLogLine) != 0) unreported.push_back("logged " + std::to_string(r));
    for (size_t i = 0; i < clean.size(); ++i) {
      const int nth = nth_of_kind(clean, i);
      arm_fault(clean[i], nth, EIO), errno = 0, note_failed_driver_file("");
      const size_t fds = open_descriptors();
      const long rc = readers[r]();
      const Call k = clean[i];  // a failing look at a driver file names it (the preview's, input's and tool's aside)
      const bool looked = k == Call::kOpen || k == Call::kRead || k == Call::kPread || k == Call::kStat || k == Call::kLstat;
      const bool unnamed = rc == -1 && looked && r != 3 && (r < 5 || r == 8) &&
                           std::string(failed_driver_file()).find(root) != 0;
      if (unnamed || fds != open_descriptors() || (clean[i] != Call::kClose && !(rc == -1 && errno == EIO))) {
        unreported.push_back(std::to_string(r) + " " + call_name(clean[i]) + std::to_string(nth));
      }
      if (clean[i] == Call::kRead || clean[i] == Call::kPread || clean[i] == Call::kWaitpid) {
        arm_fault(clean[i], nth, EINTR);
        if (readers[r]() != 0) unreported.push_back("EINTR " + std::to_string(r) + std::to_string(nth));
      }
    }
  }
  (void)testing::internal::GetCapturedStdout();
  EXPECT_EQ(Lines{}, unreported);
}

}  // namespace
