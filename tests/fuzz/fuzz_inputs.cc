// Hostile driver files under one fuzz target: the first byte picks a tape or a roll model, the rest splits at 0xFF
// bytes into its four files; with the first byte's second bit the settings file's bytes are also the intent record.
// They are listed, checked and rewritten; the whole input is also read as an apply's list of formats; a broken
// property aborts so libFuzzer keeps the input. Built without libFuzzer, main() replays folders of inputs; the test
// suite replays the seeds.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "driverfiles/model/model_report.h"
#include "driverfiles/lines/rewrite.h"
#include "front/format_set.h"
#include "front/paper_job.h"

namespace {

void check(bool ok) { if (!ok) std::abort(); }

std::string dir;  // a memory-backed folder where possible: every rewrite syncs

std::string read_all(const std::string &path) {
  std::ostringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  return all.str();
}

const char kId[] = "ZkL_zkFUZZ___0A0A0320FFFF";

std::string rewritten(const std::string &file, const RewritePlan &plan) {
  return check(rewrite_file(file.c_str(), plan) == 0), read_all(file);
}

std::string ended(const std::string &text, bool wanted) {
  return wanted && !text.empty() && text.back() != '\n' ? text + "\n" : text;
}

// Dropping or replacing an identifier the file does not hold leaves it byte for byte; inserting an entry or appending
// a line and dropping it again gives it back, a last line without newline gaining one where text went after it.
void rewrite(const std::string &file) {
  const std::string content = read_all(file);
  if (content.find(kId) != std::string::npos) return;
  check(rewritten(file, {kId, nullptr, nullptr, nullptr, nullptr}) == content);
  check(rewritten(file, {kId, "Media=zkS12mm\n", nullptr, nullptr, nullptr}) == content);
  const std::string entry = std::string(kId) + "/Fuzz\n", line = std::string(kId) + "/Fuzz:\t70\t353\n";
  rewritten(file, {nullptr, nullptr, "[CustomTape]", entry.c_str(), nullptr});
  std::string last = content.substr(content.rfind('\n') + 1);  // npos + 1 == 0
  last.resize(std::min(last.size(), last.find('\0')));  // a line's text ends at its first zero byte
  const std::string restored = ended(content, last.find("[CustomTape]") != std::string::npos);
  check(rewritten(file, {kId, nullptr, nullptr, nullptr, nullptr}) == restored);
  check(rewritten(file, {nullptr, nullptr, nullptr, nullptr, line.c_str()}) == ended(restored, true) + line);
  check(rewritten(file, {kId, nullptr, nullptr, nullptr, nullptr}) == ended(restored, true));
}

// Each line of what a report prints matches pattern; the report's result.
template <typename Report>
long printed(Report report, const std::regex &pattern, long *lines) {
  const std::string path = dir + "/out";
  std::fflush(stdout);
  const int saved = ::dup(1), out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  check(saved >= 0 && out >= 0 && ::dup2(out, 1) == 1);
  const long result = report();
  std::fflush(stdout);
  check(::dup2(saved, 1) == 1 && ::close(saved) == 0 && ::close(out) == 0);
  std::istringstream text(read_all(path));
  for (std::string line; std::getline(text, line); ++*lines) check(std::regex_match(line, pattern));
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char shm[] = "/dev/shm/zkpt-fuzz-XXXXXX", tmp[] = "/tmp/zkpt-fuzz-XXXXXX";
  const char *made = mkdtemp(shm) != nullptr ? shm : mkdtemp(tmp);
  if (made == nullptr) std::abort();
  dir = made;
  std::atexit([] { std::filesystem::remove_all(dir); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string in(reinterpret_cast<const char *>(data), size);
  PaperJob job{};
  check(select_model(size > 0 && data[0] & 1 ? "zkpapertoollpr_lm230" : "zkpapertoollpr_tvq310", &job));
  const std::string root = dir + "/vantrel", inf = root + "/" + job.model + "/bin/inf/", model = job.model;
  const std::string names[4] = {"zk" + model + "func", "paperinf" + model, "zk" + model + "rc", "ImagingArea"};
  std::filesystem::create_directories(inf);
  size_t at = size > 0 ? 1 : 0;
  for (const std::string &name : names) {
    const size_t end = &name == &names[3] ? size : std::min(in.find('\xff', at), size);
    std::ofstream(inf + name, std::ios::binary | std::ios::trunc) << in.substr(at, end - at);
    at = std::min(end + 1, size);
  }
  const std::string record = inf + "zkpapertoollpr.intent";
  std::filesystem::remove(record);
  if (size > 0 && data[0] & 2) std::filesystem::copy_file(inf + names[2], record);
  // Listing lines: five fields, an escaped name, sizes and a state; the check prints as many known lines as it counts.
  static const std::regex listed("[^\\x00-\\x1f\\x7f]*\t-?[0-9]+x[0-9]+\t[^\t]+\tZkL[^\t]*\t"
                                 "(complete|missing=paper|missing=imaging|missing=paper,imaging)");
  static const std::regex known("(duplicate name|shared identifier|length digits|incomplete|orphan|"
                                "stale setting|zero byte|missing|no marker|damaged entry|not executable|temporary copy|"
                                "damaged intent): .*|(an add|a delete) of '.*' on printer .* was interrupted .*");
  long listed_lines = 0, lines = 0;
  check(printed([&] { return static_cast<long>(list_formats(job, root.c_str())); }, listed, &listed_lines) == 0);
  const long found = printed([&] { return check_formats(job, root.c_str()); }, known, &lines);
  check(found == lines);
  for (const std::string &name : names) rewrite(inf + name);
  // The input as an apply's list: refused with nothing kept, or formats a request could name, none twice.
  std::ofstream(dir + "/in.json", std::ios::binary | std::ios::trunc) << in;
  PaperJob apply{};
  check(select_model("zkpapertoollpr_tvq310", &apply));
  FormatSet set{};
  SetError error{};
  check(read_format_set((dir + "/in.json").c_str(), apply, &set, &error) == 0 || set.count == 0);
  for (size_t i = 0; i < set.count; ++i) {
    const std::string name = set.formats[i].label_name;
    check(!name.empty() && name.size() <= 32 && name.find('\n') == std::string::npos);
    for (size_t j = 0; j < i; ++j) check(name != set.formats[j].label_name);
  }
  free_format_set(&set);
  return 0;
}

#ifdef ZKPT_FUZZ_REPLAY
int main(int argc, char **argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  int inputs = 0;
  std::error_code error;
  for (int i = 1; i < argc && !error; ++i) {
    for (std::filesystem::directory_iterator it(argv[i], error), end; !error && it != end; it.increment(error)) {
      const std::string input = read_all(it->path());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.data()), input.size()), ++inputs;
    }
  }
  if (error) std::printf("%s\n", error.message().c_str());
  std::printf("%d inputs, no property broken\n", inputs);
  return inputs > 0 && !error ? 0 : 1;
}
#endif
