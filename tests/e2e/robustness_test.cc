// The program under hostile conditions: a full or read-only file system,
// kills at any moment, many runs at once. Whatever happens, every driver
// file is its old or its new content, never missing, cut short or mixed.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "e2e/tool_fixture.h"

namespace {

const char kTapeId[] = "ZkL_zkS12mm__040A03271A2B";

// Driver files with many lines, so that a rewrite takes a while.
DriverFiles large_files(int lines) {
  DriverFiles f;
  f.function_file = "[Function]\n[CustomTape]\n" + std::string(kTapeId) + "/Test\n";
  f.paper_table = std::string(kTapeId) + "/Test:\t70\t353\n";
  f.imaging_area = std::string(kTapeId) + ":\t0.00\t0.00\t28.00\t141.52\n";
  for (int i = 0; i < lines; ++i) {
    const std::string n = std::to_string(i);
    f.function_file += "Option" + n + "=value of option " + n + "\n";
    f.paper_table += "Size" + n + ":\t" + n + "\t" + n + "\n";
    f.imaging_area += "Size" + n + ":\t0.00\t0.00\t1.00\t" + n + ".00\n";
  }
  f.settings_file = "Copies=1\nMedia=" + std::string(kTapeId) + "\n";
  return f;
}

// Removes the lines holding marker; counts them in *removed.
std::string without(const std::string &text, const std::string &marker, int *removed) {
  std::string kept;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(at, end - at);
    if (line.find(marker) == std::string::npos) {
      kept += line;
    } else {
      ++*removed;
    }
    at = end;
  }
  return kept;
}

// A file is whole when it is base, or base plus at most one line holding
// marker.
void expect_whole(const std::string &base, const std::string &now,
                  const std::string &marker, const std::string &what) {
  int removed = 0;
  EXPECT_EQ(base, without(now, marker, &removed)) << what;
  EXPECT_LE(removed, 1) << what;
}

class Robustness : public ToolTest {
 protected:
  void TearDown() override {
    if (!mounted.empty()) ::umount2(mounted.c_str(), MNT_DETACH);
  }
  // Puts a tmpfs of size bytes at the model's inf directory; false when
  // that is not possible here (not root, or no mount permission).
  bool mount_small_fs(const ModelPaths &p, const std::string &size) {
    if (geteuid() != 0) return false;
    if (::mount("tmpfs", p.inf.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) {
      return false;
    }
    mounted = p.inf;
    return true;
  }
  std::string mounted;
};

TEST_F(Robustness, FullDiskKeepsEveryFileAndSaysSo) {
  ModelPaths p = tree("tvq310", {});
  if (!mount_small_fs(p, "256k")) {
    GTEST_SKIP() << "needs root and tmpfs mounts to fill a file system";
  }
  const DriverFiles files = large_files(2500);  // function file ~70 kB
  write_driver_files(p, files);
  // Fill what is left but 8 kB: too little for a copy of any file.
  const std::string pad = p.inf + "/pad";
  const int fd = ::open(pad.c_str(), O_WRONLY | O_CREAT, 0600);
  const std::string block(4096, 'f');
  off_t filled = 0;
  while (::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size())) {
    filled += static_cast<off_t>(block.size());
  }
  ASSERT_EQ(0, ::ftruncate(fd, filled - 8192));
  ::close(fd);

  ProgramResult r = run("zkpapertoollpr_tvq310", {"-P", "q", "-d", "Test"});
  EXPECT_EQ(255, r.status);
  EXPECT_EQ(std::string(std::strerror(ENOSPC)) + "\n", r.out);
  // Adding a new name: the delete finds nothing, the add itself fails.
  r = run("zkpapertoollpr_tvq310", {"-P", "q", "-n", "New", "-w", "12", "-h", "50"});
  EXPECT_EQ(255, r.status);
  EXPECT_EQ("", r.out);
  expect_driver_files(files, p);
  EXPECT_EQ((std::vector<std::string>{"ImagingArea", "pad", "paperinftvq310",
                                      "zktvq310func", "zktvq310rc"}),
            list_dir(p.inf));
}

TEST_F(Robustness, ReadOnlyFileSystemKeepsEveryFileAndSaysSo) {
  ModelPaths p = tree("tvq310", {});
  if (!mount_small_fs(p, "1m")) {
    GTEST_SKIP() << "needs root and tmpfs mounts for a read-only file system";
  }
  const DriverFiles files = large_files(10);
  write_driver_files(p, files);
  ASSERT_EQ(0, ::mount("tmpfs", p.inf.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr));
  ProgramResult r = run("zkpapertoollpr_tvq310", {"-P", "q", "-d", "Test"});
  EXPECT_EQ(255, r.status);
  EXPECT_EQ(std::string(std::strerror(EROFS)) + "\n", r.out);
  r = run("zkpapertoollpr_tvq310", {"-P", "q", "-n", "New", "-w", "12", "-h", "50"});
  EXPECT_EQ(255, r.status);
  EXPECT_EQ("", r.out);
  expect_driver_files(files, p);
  EXPECT_EQ(4u, list_dir(p.inf).size());
}

TEST_F(Robustness, DriverFileThatIsADirectoryIsReported) {
  ModelPaths p = tree("tvq310", large_files(3));
  ASSERT_EQ(0, ::unlink(p.function_file.c_str()));
  ASSERT_EQ(0, ::mkdir(p.function_file.c_str(), 0755));
  // The lookup cannot read it: not found; the add then cannot rewrite it.
  ProgramResult r = run("zkpapertoollpr_tvq310", {"-P", "q", "-d", "Test"});
  EXPECT_EQ(255, r.status);
  EXPECT_EQ(std::string(std::strerror(EISDIR)) + "\n", r.out);
  EXPECT_EQ(large_files(3).paper_table, read_file(p.paper_table));
}

// Kills the program at spread-out moments of adds and deletes. After each
// kill every file must be whole, and the next unkilled run must succeed.
TEST_F(Robustness, SurvivesKillsAtAnyMoment) {
  const DriverFiles files = large_files(20000);
  ModelPaths p = tree("tvq310", files);
  const std::string tool = path_of("zkpapertoollpr_tvq310");
  const Args add = argv_for("zkpapertoollpr_tvq310",
                            {"-P", "q", "-n", "Crash", "-w", "12", "-h", "50"});
  const Args del = argv_for("zkpapertoollpr_tvq310", {"-P", "q", "-d", "Crash"});
  // The identifier of "Crash" (5 bytes), 10 mm wide, 50 mm long.
  const std::string marker = "ZkL_zkS12mm__050A032";

  // Kill moments spread over the span of the quickest of a few whole runs.
  long full_us = 0;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, wait_program(start_program(tool, add, dir.path)));
    const long took = static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start).count());
    full_us = i == 0 ? took : std::min(full_us, took);
    ASSERT_EQ(0, wait_program(start_program(tool, del, dir.path)));
  }

  std::mt19937 random(20261207);
  const int runs = 200;
  int killed = 0;
  for (int i = 0; i < runs; ++i) {
    const bool adding = i % 2 == 0;
    if (!adding) {
      ASSERT_EQ(0, wait_program(start_program(tool, add, dir.path)));
    }
    const long delay = static_cast<long>(random() % static_cast<unsigned>(full_us + 1));
    const int pid = start_program(tool, adding ? add : del, dir.path);
    const struct timespec pause = {0, delay * 1000};
    nanosleep(&pause, nullptr);
    ::kill(pid, SIGKILL);
    if (wait_program(pid) == 128 + SIGKILL) ++killed;
    const DriverFiles now = read_driver_files(p);
    const std::string what = "run " + std::to_string(i);
    expect_whole(files.function_file, now.function_file, marker, what);
    expect_whole(files.paper_table, now.paper_table, marker, what);
    expect_whole(files.imaging_area, now.imaging_area, marker, what);
    EXPECT_EQ(files.settings_file, now.settings_file) << what;
    // A killed request is finished by running the delete again.
    ASSERT_EQ(0, wait_program(start_program(tool, del, dir.path))) << what;
    const DriverFiles after = read_driver_files(p);
    ASSERT_EQ(files.function_file, after.function_file) << what;
    ASSERT_EQ(files.paper_table, after.paper_table) << what;
    ASSERT_EQ(files.imaging_area, after.imaging_area) << what;
    ASSERT_EQ(4u, list_dir(p.inf).size()) << what << ": a temporary file was left";
  }
  EXPECT_GE(killed, runs / 4) << "too few runs were really killed";
  std::printf("%d of %d runs killed mid-request, all recovered\n", killed, runs);
}

TEST_F(Robustness, ManyRunsAtOnceLoseNothing) {
  const DriverFiles files = large_files(2000);
  ModelPaths p = tree("tvq310", files);
  const std::string tool = path_of("zkpapertoollpr_tvq310");
  auto add_args = [&](int i) {
    return argv_for("zkpapertoollpr_tvq310", {"-P", "q", "-n", "Label" + std::to_string(i),
                                              "-w", "12", "-h", "50"});
  };
  auto count = [](const std::string &text, const std::string &needle) {
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
      ++n;
    }
    return n;
  };
  const int kRuns = 16;
  std::vector<int> pids;
  for (int i = 0; i < kRuns; ++i) pids.push_back(start_program(tool, add_args(i), dir.path));
  for (int pid : pids) EXPECT_EQ(0, wait_program(pid));

  // Then deletes of the even ones mixed with adds of new names.
  pids.clear();
  for (int i = 0; i < kRuns; ++i) {
    pids.push_back(start_program(
        tool,
        i % 2 == 0 ? argv_for("zkpapertoollpr_tvq310",
                              {"-P", "q", "-d", "Label" + std::to_string(i)})
                   : add_args(kRuns + i),
        dir.path));
  }
  for (int pid : pids) EXPECT_EQ(0, wait_program(pid));

  // Each format left has its entry, its size line and its imaging line,
  // once each, under one identifier; the other lines are as they were.
  const DriverFiles now = read_driver_files(p);
  std::vector<std::string> ids;
  for (int i = 0; i < 2 * kRuns; ++i) {
    const bool present = i % 2 == 1;  // odd ones stay or were added
    const std::string name = "/Label" + std::to_string(i);
    ASSERT_EQ(present ? 1 : 0, count(now.function_file, name + "\n")) << name;
    if (!present) continue;
    const size_t at = now.function_file.find(name + "\n");
    const size_t start = now.function_file.rfind('\n', at) + 1;
    ids.push_back(now.function_file.substr(start, at - start));
    EXPECT_EQ(1, count(now.paper_table, ids.back() + name + ":\t70\t353\n")) << name;
    EXPECT_EQ(1, count(now.imaging_area, ids.back() + ":\t0.00\t0.00\t28.00\t141.52\n"))
        << name;
  }
  int removed[3] = {0, 0, 0};
  EXPECT_EQ(files.function_file, without(now.function_file, "/Label", &removed[0]));
  EXPECT_EQ(files.paper_table, without(now.paper_table, "/Label", &removed[1]));
  std::string imaging = now.imaging_area;
  for (const std::string &id : ids) imaging = without(imaging, id + ":", &removed[2]);
  EXPECT_EQ(files.imaging_area, imaging);
  for (int n : removed) EXPECT_EQ(kRuns, n);
  EXPECT_EQ(files.settings_file, now.settings_file);
}

}  // namespace
