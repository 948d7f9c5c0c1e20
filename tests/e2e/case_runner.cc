// Runs every end-to-end case (cases.cc) as a test of its own, EndToEnd.<what>, and checks all the run leaves behind:
// exit status, standard output and error, the companion's calls, the four driver files; always also no descriptor
// inherited by the companion, no file left or lost beside the driver files (or link targets), every file's owner and
// link kept, and mode 0666 on every file rewritten.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "e2e/cases.h"
#include "gtest/gtest.h"
#include "support/run_program.h"

namespace {

const std::string kFileNames[4] = {"func", "paper", "rc", "imaging"};

void check(bool ok, const std::string &what) { if (!ok) ADD_FAILURE() << what << ": " << std::strerror(errno); }

// True when got is pattern with an upper-case hex digit for each "?".
bool matches(const std::string &pattern, const std::string &got) {
  if (pattern.find('?') == std::string::npos || pattern.size() != got.size()) return false;
  for (size_t i = 0; i < got.size(); ++i) {
    const bool hex = (got[i] >= '0' && got[i] <= '9') || (got[i] >= 'A' && got[i] <= 'F');
    if (pattern[i] == '?' ? !hex : pattern[i] != got[i]) return false;
  }
  return true;
}

// Each driver file's owner and group, and its target's when it is a link.
std::string owners(const ModelPaths &p) {
  std::string all;
  for (auto path : kFilePath) {
    struct stat l {}, st {};
    if (::lstat((p.*path).c_str(), &l) == 0 && ::stat((p.*path).c_str(), &st) == 0) {
      all += std::to_string(l.st_uid) + ":" + std::to_string(l.st_gid) + (S_ISLNK(l.st_mode) ? " link to " : " ") +
             std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid) + "\n";
    }
  }
  return all;
}

// Applies one setup word (cases.h) to the tree of the case in dir.
void apply(const std::string &word, const ModelPaths &p, const std::string &dir, const std::string &name, Stdout *out) {
  if (word.rfind("input=", 0) == 0) return write_file(dir + "/in.json", word.substr(6));
  if (word == "stdin" || word == "stdin=closed") return;
  const size_t colon = word.find(':');
  const std::string kind = word.substr(0, colon);
  int f = 0;
  while (f < 3 && (colon == std::string::npos || word.substr(colon + 1) != kFileNames[f])) ++f;
  const std::string path = p.*kFilePath[f], target = dir + "/targets/" + path.substr(path.rfind('/') + 1);
  if (kind.rfind("companion=", 0) == 0) return set_companion_status(p, kind.substr(10));
  if (kind == "temporary") return write_file(path + ".$$$", "half\n");
  if (kind == "chown") return check(::chown(path.c_str(), 7, 7) == 0, word);
  if (kind == "stdout=full" || kind == "stdout=closed") {
    *out = kind == "stdout=full" ? Stdout::kFull : Stdout::kClosed;
  } else if (kind == "no-companion" || kind == "plain-companion") {
    check(::unlink(p.companion.c_str()) == 0, word);
    if (kind == "plain-companion") write_file(p.companion, "#!/bin/sh\n");
  } else if (kind == "not-installed") {
    for (int i = 0; i < 4; ++i) check(::unlink((p.*kFilePath[i]).c_str()) == 0, word);
    check(::rmdir(p.inf.c_str()) == 0, word);
  } else if (kind == "missing" || kind == "directory") {
    check(::unlink(path.c_str()) == 0 && (kind == "missing" || ::mkdir(path.c_str(), 0755) == 0), word);
  } else if (word.rfind("run:", 0) == 0) {
    Args words{"./" + name};
    for (size_t at = 4, end; at <= word.size(); at = end + 1) {
      end = std::min(word.find('|', at), word.size());
      words.push_back(word.substr(at, end - at));
    }
    run_program(words[0], words, dir);
  } else if (word.rfind("intent", 0) == 0) {
    const std::string record = p.inf + "/zkpapertoollpr.intent";
    const int fd = word == "intent-sparse" ? ::open(record.c_str(), O_WRONLY | O_CREAT, 0644) : -1;
    if (word == "intent-dir") check(::mkdir(record.c_str(), 0755) == 0, word);
    else if (word == "intent-fifo") check(::mkfifo(record.c_str(), 0644) == 0, word);
    else if (word == "intent-zero" || word == "intent-dangling")  // a link to a file, or to none
      check(::symlink(word == "intent-zero" ? "/dev/zero" : "gone", record.c_str()) == 0, word);
    else if (word == "intent-sparse") check(::ftruncate(fd, off_t{1} << 36) == 0 && ::close(fd) == 0, word);
    else write_file(record, word.substr(7));
  } else if (kind == "link" || kind == "link-owner" || kind == "target-owner") {
    check((::mkdir((dir + "/targets").c_str(), 0755) == 0 || errno == EEXIST) &&
              ::rename(path.c_str(), target.c_str()) == 0 && ::symlink(target.c_str(), path.c_str()) == 0, word);
    if (kind == "link-owner") check(::lchown(path.c_str(), 7, 7) == 0, word);
    if (kind == "target-owner") check(::chown(target.c_str(), 7, 7) == 0, word);
  } else if (kind == "temp-dir" || kind == "read-only") {  // read-only:inf
    check(kind == "temp-dir" ? ::mkdir((path + ".$$$").c_str(), 0755) == 0 : ::chmod(p.inf.c_str(), 0555) == 0, word);
  } else {
    ADD_FAILURE() << "unknown setup " << word;
  }
}

// The files in the inf directory but the intent record and the temporary files that were there before the run (a run
// cut short left them; the next writer removes them).
std::vector<std::string> beside(const std::string &inf, const std::vector<std::string> &before) {
  std::vector<std::string> names;
  for (const std::string &name : list_dir(inf)) {
    const bool stale = std::find(before.begin(), before.end(), name) != before.end();
    if (name != "zkpapertoollpr.intent" && !(stale && name.find(".$$$") != std::string::npos)) names.push_back(name);
  }
  return names;
}

struct Row : ::testing::Test {
  explicit Row(Case row) : c(std::move(row)) {}
  void TestBody() override;
  const Case c;
};

void Row::TestBody() {
  for (const std::string &word : c.setup) {
    if (geteuid() != 0 && word.find("own") != std::string::npos) GTEST_SKIP() << "needs root to give files away";
  }
  TempDir dir;
  const std::string name = "zkpapertoollpr_" + c.program;
  ASSERT_EQ(0, ::symlink(TOOL_PATH, (dir.path + "/" + name).c_str()));
  const std::string model = c.program == "tv4400" ? "tv4400zd" : c.program;
  const ModelPaths p = make_driver_tree(dir.path + "/vantrel", model, c.before, FAKE_COMPANION);
  Stdout stdout_to = Stdout::kCaptured;
  for (const std::string &word : c.setup) apply(word, p, dir.path, name, &stdout_to);
  const DriverFiles before = read_driver_files(p);
  const std::string owned = owners(p);
  const std::vector<std::string> listed = list_dir(p.inf), inf = beside(p.inf, listed), targets = list_dir(dir.path + "/targets");

  Args argv = c.args;
  argv.insert(argv.begin(), "./" + name);
  const auto given = [&](const char *word) { return std::count(c.setup.begin(), c.setup.end(), word) != 0; };
  const std::string in = given("stdin") ? dir.path + "/in.json" : given("stdin=closed") ? "" : "/dev/null";
  const ProgramResult r = run_program(argv[0], argv, dir.path, stdout_to, given("read-only:inf"), in);
  (void)::chmod(p.inf.c_str(), 0755);  // writable again after read-only:inf

  Case want = c;  // the identifiers the run made in place of their patterns, everywhere
  DriverFiles after = c.after.value_or(before);
  const std::vector<Args> got_calls = companion_calls(p);
  for (size_t i = 0; i < want.calls.size() && i < got_calls.size(); ++i) {
    for (size_t j = 0; j < want.calls[i].size() && j < got_calls[i].size(); ++j) {
      const std::string pattern = want.calls[i][j], &got = got_calls[i][j];
      if (!matches(pattern, got)) continue;
      for (std::string *text : {&want.calls[i][j], &want.out, &after.function_file, &after.paper_table,
                                &after.settings_file, &after.imaging_area}) {
        for (size_t at; (at = text->find(pattern)) != std::string::npos;) text->replace(at, pattern.size(), got);
      }
    }
  }
  if (matches(want.out, r.out)) want.out = r.out;  // a dry run's identifier, never run
  EXPECT_EQ(c.status, r.status) << "exit status";
  EXPECT_EQ(want.out, r.out) << "standard output";
  EXPECT_EQ(c.err, r.err) << "standard error";
  if (!r.out.empty() && std::count(c.args.begin(), c.args.end(), "--json")) {
    // A real JSON parser reads it; every name, turned back into bytes, is an entry's name in the function file.
    write_file(dir.path + "/out.json", r.out), write_file(dir.path + "/func", before.function_file);
    const char *script = "import json,sys\nd=json.load(open(sys.argv[1]))\nf=open(sys.argv[2],'rb').read()\n"
        "sys.exit(any(('/'+x['name']+'\\n').encode('utf-8','surrogateescape') not in f for x in d.get('formats',[])))";
    const ProgramResult json = run_program("/usr/bin/python3", {"python3", "-c", script, "out.json", "func"}, dir.path);
    EXPECT_EQ(0, json.status) << "JSON read back: " << json.err;
  }
  EXPECT_EQ(want.calls, got_calls) << "companion calls";
  EXPECT_EQ("<missing>", read_file(p.companion + ".fds")) << "descriptors the companion inherited";
  const DriverFiles now = read_driver_files(p);
  for (int f = 0; f < 4; ++f) {
    EXPECT_EQ(after.*kFileText[f], now.*kFileText[f]) << "driver file " << kFileNames[f];
    if (now.*kFileText[f] != before.*kFileText[f]) {
      EXPECT_EQ(0666u, file_mode(p.*kFilePath[f])) << kFileNames[f] << " rewritten";
    }
  }
  EXPECT_EQ(inf, beside(p.inf, listed)) << "files beside the driver files";
  EXPECT_EQ(c.intent_open, file_exists(p.inf + "/zkpapertoollpr.intent")) << "intent record";
  EXPECT_EQ(targets, list_dir(dir.path + "/targets")) << "files beside the link targets";
  EXPECT_EQ(owned, owners(p)) << "owners and links";
}

const bool kRegistered = [] {
  for (const Case &c : end_to_end_cases()) {
    testing::RegisterTest("EndToEnd", c.what.c_str(), nullptr, nullptr, __FILE__, __LINE__, [c] { return new Row(c); });
  }
  return true;
}();

}  // namespace
