// The program under hostile conditions: a full or read-only file system, kills at any moment, many runs at once.
// Whatever happens, every driver file holds its old or its new content, never a mix or a part, and no temporary file
// outlives the next run.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <algorithm>
#include <functional>
#include <random>

#include "e2e/cases.h"
#include "gtest/gtest.h"
#include "support/run_program.h"

namespace {

// Driver files of some length holding the format "Test", not selected.
DriverFiles large_files(int lines) {
  DriverFiles f = holding({{"Test", "ZkL_zkS12mm__040A03271A2B"}}, "Copies=1\nMedia=zkS12mm\n");
  f.function_file.insert(0, "[Function]\n");
  for (int i = 0; i < lines; ++i) {
    const std::string n = std::to_string(i);
    f.function_file += "Option" + n + "=value of option " + n + "\n";
    f.paper_table += "Size" + n + ":\t" + n + "\t" + n + "\n";
    f.imaging_area += "Size" + n + ":\t0.00\t0.00\t1.00\t" + n + ".00\n";
  }
  return f;
}

// Removes every line that is exactly line; returns how many there were.
int remove_line(std::string *text, const std::string &line) {
  int removed = 0;
  for (size_t at = text->find(line); at != std::string::npos; at = text->find(line, at)) {
    if (at != 0 && (*text)[at - 1] != '\n') ++at;  // inside another line
    else text->erase(at, line.size()), ++removed;
  }
  return removed;
}

// Whether text holds the line with marker; fails unless text is base, or base and that one line.
bool holds(const std::string &base, const std::string &text, const std::string &marker, const std::string &what) {
  const size_t at = text.find(marker), start = text.rfind('\n', at) + 1;  // npos + 1 == 0
  std::string rest = text;
  const std::string line = at == std::string::npos ? "" : text.substr(start, text.find('\n', at) + 1 - start);
  const int lines = line.empty() ? 0 : remove_line(&rest, line);
  EXPECT_TRUE(lines <= 1 && rest == base) << what << ": not whole";
  return lines == 1;
}

// The steps a killed run took, listed in the order it takes them: a prefix.
void expect_in_order(const std::vector<bool> &done, const std::string &what) {
  for (size_t i = 1; i < done.size(); ++i) EXPECT_TRUE(done[i - 1] || !done[i]) << what << ", step " << i;
}

class Robustness : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, ::symlink(TOOL_PATH, (dir.path + "/zkpapertoollpr_tvq310").c_str()));
    p = make_driver_tree(dir.path + "/vantrel", "tvq310", {}, FAKE_COMPANION);
  }
  void TearDown() override { EXPECT_TRUE(!mounted || ::umount2(p.inf.c_str(), MNT_DETACH) == 0); }
  Args named(Args words) const { return words.insert(words.begin(), "./zkpapertoollpr_tvq310"), words; }
  int start(const Args &words) { return start_program(named(words)[0], named(words), dir.path); }
  ProgramResult run(const Args &words) { return run_program(named(words)[0], named(words), dir.path); }
  // A tmpfs of this size in place of the model's inf directory, holding files.
  bool mount_inf(const std::string &size, const DriverFiles &files) {
    mounted = geteuid() == 0 && ::mount("tmpfs", p.inf.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    if (mounted) write_driver_files(p, files);
    return mounted;
  }
  // The quickest of three whole runs of words, each followed by then, in
  // microseconds: kills land over its span, all that timing decides here.
  long quickest(const Args &words, const std::function<void()> &then) {
    auto least = std::chrono::hours(1) / std::chrono::microseconds(1);
    for (int i = 0; i < 3; ++i) {
      const auto begin = std::chrono::steady_clock::now();
      EXPECT_EQ(0, wait_program(start(words)));
      least = std::min(least, (std::chrono::steady_clock::now() - begin) / std::chrono::microseconds(1));
      then();
    }
    return static_cast<long>(least);
  }
  // Starts words and kills it by SIGKILL at a random moment of span.
  void kill_within(const Args &words, long span, std::mt19937 *random) {
    const int pid = start(words);
    const struct timespec pause = {0, static_cast<long>((*random)() % static_cast<unsigned long>(span + 1)) * 1000};
    nanosleep(&pause, nullptr), ::kill(-pid, SIGKILL), (void)wait_program(pid);  // with its companion, if running
  }
  // A delete and an add that the file system refuses change nothing; each
  // names its first copy on standard error (the add prints no error line).
  void expect_refused(const DriverFiles &files, int error) {
    const std::vector<std::string> names = list_dir(p.inf);
    const std::string why = std::string(std::strerror(error)) + "\n", at = kMe + kInf;
    ProgramResult r = run({"-P", "q", "-d", "Test"});
    EXPECT_EQ(255, r.status);
    EXPECT_EQ(why + at + "paperinftvq310: " + why, r.out + r.err);
    r = run({"-P", "q", "-n", "New", "-w", "12", "-h", "50"});
    EXPECT_EQ(255, r.status);
    EXPECT_EQ(at + "zktvq310func: " + why, r.out + r.err);
    expect_driver_files(files, p);
    EXPECT_EQ(names, list_dir(p.inf));
  }
  TempDir dir;
  ModelPaths p;
  bool mounted = false;
};

TEST_F(Robustness, FullDisk) {
  const DriverFiles files = large_files(2500);  // a function file of about 70 kB
  if (!mount_inf("256k", files)) GTEST_SKIP() << "needs root to mount a small tmpfs";
  // Fill all but 8 kB: too little for a copy of any of the files.
  struct statvfs fs {};
  ASSERT_EQ(0, ::statvfs(p.inf.c_str(), &fs));
  const int fd = ::open((p.inf + "/pad").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_EQ(0, ::posix_fallocate(fd, 0, static_cast<off_t>(fs.f_bavail * fs.f_bsize) - 8192));
  ASSERT_EQ(0, ::close(fd));
  expect_refused(files, ENOSPC);
}

TEST_F(Robustness, ReadOnlyFileSystem) {
  const DriverFiles files = large_files(10);
  if (!mount_inf("1m", files)) GTEST_SKIP() << "needs root to mount a tmpfs read-only";
  ASSERT_EQ(0, ::mount("tmpfs", p.inf.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr));
  expect_refused(files, EROFS);
}

// SIGKILL at spread-out moments of adds and of deletes of a format the settings file selects: every file stays whole,
// the steps taken are a prefix of the run's own order, after a repair (which finishes what an intent record names) the
// companion's calls and the files agree, and the next delete restores every byte, no record or temporary file left.
TEST_F(Robustness, KillsAtAnyMoment) {
  const DriverFiles base = large_files(20000);
  write_driver_files(p, base);
  const Args add = {"-P", "q", "-n", "Crash", "-w", "12", "-h", "50"}, del = {"-P", "q", "-d", "Crash"};
  const std::string marker = "ZkL_zkS12mm__050A032";  // "Crash", 10 x 50 mm
  const long span = quickest(add, [&] { EXPECT_EQ(0, wait_program(start(del))); });
  std::mt19937 random(20261207);
  int midway = 0;
  for (int i = 0; i < 200; ++i) {
    const std::string what = "run " + std::to_string(i);
    const bool adding = i % 2 == 0;
    std::string selecting = base.settings_file;
    if (!adding) {
      ASSERT_EQ(0, wait_program(start(add))) << what;
      selecting = "Copies=1\nMedia=" + companion_calls(p).back()[9] + "\n";
      write_file(p.settings_file, selecting);
    }
    kill_within(adding ? add : del, span, &random);
    const DriverFiles now = read_driver_files(p);
    const bool entry = holds(base.function_file, now.function_file, marker, what);
    const bool paper = holds(base.paper_table, now.paper_table, marker, what);
    const bool imaging = holds(base.imaging_area, now.imaging_area, marker, what);
    const bool reset = now.settings_file == base.settings_file;
    EXPECT_TRUE(reset || now.settings_file == selecting) << what;
    if (adding) {
      expect_in_order({entry, paper, imaging}, what);
    } else {  // the settings before the paper table, the entries last
      expect_in_order({reset, !paper, !entry}, what);
      expect_in_order({!imaging, !entry}, what);
    }
    // Caught with its intent record written or some but not all of its files changed.
    const int steps = adding ? entry + paper + imaging : reset + !paper + !entry + !imaging;
    midway += file_exists(p.inf + "/zkpapertoollpr.intent") || (steps > 0 && steps < (adding ? 3 : 4));
    ASSERT_EQ(0, run({"--repair", "-P", "q"}).status) << what;
    const std::string func = read_driver_files(p).function_file;
    const size_t at = func.find("/Crash\n");
    std::string held;  // the identifier the companion holds for "Crash" after its calls, or ""
    for (const Args &call : companion_calls(p)) held = call[2] == "-n" ? call[9] : "";
    EXPECT_EQ(held, at == std::string::npos ? "" : func.substr(at - 25, 25)) << what;
    ASSERT_EQ(0, wait_program(start(del))) << what;
    expect_driver_files(base, p);
    ASSERT_EQ(4u, list_dir(p.inf).size()) << what << ": a temporary file or record outlived the next run";
  }
  EXPECT_LE(20, midway) << "of 200 kills, too few landed while a request was running";
}

// SIGKILL at spread-out moments of an apply adding "Crash" and "Boom" and removing "Test", and of an --ensure
// replacing the selected "Test" (the apply of that one format): every file is as it was or as the run leaves it, in
// the apply's order of renames, and a repair (which finishes a recorded apply) then the same run again leave the tree
// as one whole run does.
TEST_F(Robustness, KillsDuringAnApply) {
  DriverFiles base = large_files(20000);
  write_file(dir.path + "/in.json", "{\"formats\":[{\"name\":\"Crash\",\"width\":12,\"height\":50},"
                                    "{\"name\":\"Boom\",\"width\":12,\"height\":60}]}");
  const Args apply = {"--apply", "in.json", "-P", "q"}, ensure = {"--ensure", "-P", "q", "-n", "Test", "-w", "12", "-h", "60"};
  std::mt19937 random(20261208);
  for (const Args &command : {apply, ensure}) {
    if (command == ensure) base.settings_file = "Copies=1\nMedia=ZkL_zkS12mm__040A03271A2B\n";
    std::vector<std::string> whole;
    write_driver_files(p, base);
    const long span = quickest(command, [&] {
      whole = applied_shape(read_driver_files(p)), write_driver_files(p, base);
    });
    const std::vector<std::string> old = applied_shape(base);
    for (int i = 0; i < 40; ++i) {
      const std::string what = command[0] + " run " + std::to_string(i);
      write_driver_files(p, base);
      kill_within(command, span, &random);
      const std::vector<std::string> now = applied_shape(read_driver_files(p));
      std::vector<bool> done;
      for (int f : {0, 1, 3, 2}) {  // function file, paper table, ImagingArea, settings
        EXPECT_TRUE(now[f] == old[f] || now[f] == whole[f]) << what << ", file " << f;
        if (old[f] != whole[f]) done.push_back(now[f] != old[f]);
      }
      expect_in_order(done, what);
      ASSERT_EQ(0, run({"--repair", "-P", "q"}).status) << what;  // finishes a recorded apply
      ASSERT_EQ(0, wait_program(start(command))) << what;
      std::vector<std::string> again = applied_shape(read_driver_files(p));
      again[0] = whole[0];  // the entries' order is the sorted lines'
      EXPECT_EQ(whole, again) << what;
    }
  }
}

// Sixteen adds at once, then eight deletes and eight adds at once: each format left has its three lines once, under
// one identifier, and every other line is as it was.
TEST_F(Robustness, ManyRunsAtOnce) {
  const DriverFiles base = large_files(2000);
  write_driver_files(p, base);
  for (int wave = 0; wave < 2; ++wave) {
    std::vector<int> pids;
    for (int i = 0; i < 16; ++i) {
      const std::string name = "Label" + std::to_string(wave == 0 || i % 2 == 0 ? i : 16 + i);
      pids.push_back(start(wave == 1 && i % 2 == 0 ? Args{"-P", "q", "-d", name}
                                                   : Args{"-P", "q", "-n", name, "-w", "12", "-h", "50"}));
    }
    for (int pid : pids) EXPECT_EQ(0, wait_program(pid));
  }
  const DriverFiles now = read_driver_files(p);
  DriverFiles rest = now;
  for (int i = 1; i < 32; i += 2) {
    const std::string name = "/Label" + std::to_string(i);
    const size_t at = now.function_file.find(name + "\n");
    ASSERT_NE(std::string::npos, at) << name;
    const size_t begin = now.function_file.rfind('\n', at) + 1;
    const std::string id = now.function_file.substr(begin, at - begin);
    EXPECT_EQ(1, remove_line(&rest.function_file, id + name + "\n")) << name;
    EXPECT_EQ(1, remove_line(&rest.paper_table, id + name + ":\t70\t353\n")) << name;
    EXPECT_EQ(1, remove_line(&rest.imaging_area, id + ":\t0.00\t0.00\t28.00\t141.52\n")) << name;
  }
  for (auto file : kFileText) EXPECT_EQ(base.*file, rest.*file);
}

}  // namespace

#if !defined(ZKPT_SANITIZED)
// A line longer than the memory the program may have is shown in a dry
// run's diff, copied and dropped like any other: lines are never held whole.
TEST_F(Robustness, LineLongerThanMemory) {
  const std::string id = "ZkL_zkS12mm__040A03271A2B", huge(96u << 20, 'x');
  write_driver_files(p, {"[CustomTape]\n" + id + "/Test\n", huge + "\n" + id + "/Test:\t70\t353\n" + huge, "",
                         id + ":\t0.00\t0.00\t28.00\t141.52\n"});
  const auto limited = [&](std::vector<std::string> words) {
    words.insert(words.begin(), {"prlimit", "--as=67108864", "./zkpapertoollpr_tvq310"});
    return run_program("/usr/bin/prlimit", words, dir.path);
  };
  const ProgramResult shown = limited({"--dry-run", "-P", "q", "-d", "Test"});
  EXPECT_EQ(0, shown.status) << shown.err;
  EXPECT_TRUE(shown.out == kRun + "-d Test -show 1\n" + diff("ImagingArea", "-1 +0,0") + "-" + id +
                               ":\t0.00\t0.00\t28.00\t141.52\n" + diff("paperinftvq310", "-1,3 +1,2") + " " + huge +
                               "\n-" + id + "/Test:\t70\t353\n " + huge + "\n\\ No newline at end of file\n" +
                               diff("zktvq310func", "-1,2 +1") + " [CustomTape]\n-" + id + "/Test\n");
  const ProgramResult r = limited({"-P", "q", "-d", "Test"});
  EXPECT_EQ(0, r.status) << r.out << r.err;
  expect_driver_files({"[CustomTape]\n", huge + "\n" + huge, "", ""}, p);
}
#endif
