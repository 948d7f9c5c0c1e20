// The readers of hostile input under one fuzz target; the first byte picks
// one, the rest is its input, and a broken property aborts so libFuzzer
// keeps the input. Built without libFuzzer, main() replays folders of
// inputs; the test suite replays the seeds.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driverfiles/format_id.h"
#include "driverfiles/label_lines.h"
#include "driverfiles/model_report.h"
#include "driverfiles/rewrite.h"
#include "front/options.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

std::string dir;  // a memory-backed folder where possible: every rewrite syncs

std::string read_all(const std::string &path) {
  std::ostringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  return all.str();
}

// A byte picks a program name, the rest splits at zero bytes into words.
// What the front end accepts keeps to the length limits and, on tape
// models, to a real tape.
void command_line(const std::string &in) {
  const char *const programs[] = {"lm210", "lm230", "lm260ka", "tv4400", "tvq310",
                                  "tvq300", "tvq250e", "tvq220nf", "tvq200", "xxxx"};
  const std::string program = std::string("zkpapertoollpr_") + programs[in.empty() ? 0 : static_cast<unsigned char>(in[0]) % 10];
  std::vector<std::string> words{program, ""};
  for (const char c : in.substr(in.empty() ? 0 : 1)) c == '\0' ? words.emplace_back() : words.back() += c;
  std::vector<const char *> argv;
  for (const std::string &w : words) argv.push_back(w.c_str());
  PaperJob job{};
  SeenFlags seen{};
  if (!select_model(program.c_str(), &job) ||
      parse_options(static_cast<int>(argv.size()), argv.data(), &job, &seen) != ParseResult::kAccepted) {
    return;
  }
  check(std::strlen(job.label_name) <= 32 && std::strchr(job.label_name, '\n') == nullptr);
  check(std::strstr(job.label_name, "[CustomTape]") == nullptr);
  check(std::strlen(job.printer) <= 1024 && (!seen.printer || job.printer[0] != '\0'));
  check((!seen.width || job.width > 0) && (!seen.height || job.height > 0));
  const size_t media = std::strlen(job.media_name);
  if (!is_tape(job)) return check(job.pins == 0 && media == 0);
  bool real_tape = !seen.width;
  for (const TapeRow *rows : {kStandardTape, kHeatShrinkTube}) {
    for (int i = 0; i < (rows == kStandardTape ? 6 : 5); ++i) {
      real_tape = real_tape || (job.pins == rows[i].pins && job.width <= rows[i].max_width);
    }
  }
  check(real_tape && (!seen.height || (job.height >= 4 && job.height <= 1000)));
  check(media == 0 || media == 10);
}

// A line in a buffer of exactly its size. A match is the line's first
// "ZkL", the identifier, "/" and the name.
void lookup(const std::string &name, const std::string &line) {
  const std::unique_ptr<char[]> exact(new char[line.size()]);
  std::memcpy(exact.get(), line.data(), line.size());
  FormatId id{};
  if (!match_entry_line(exact.get(), line.size(), name.c_str(), &id)) return;
  const std::string seen = line.substr(0, line.find('\0'));
  const size_t at = seen.find("ZkL");
  check(at != std::string::npos && seen.compare(at, std::strlen(id.text) + 1 + name.size(),
                                                std::string(id.text) + "/" + name) == 0);
}

// A made identifier comes back from its entry and paper table lines.
void round_trip(const std::string &name, const std::string &in) {
  if (name.empty() || name.find_first_of(std::string("\n\0", 2)) != std::string::npos) return;
  const auto byte = [&in](size_t i) { return i < in.size() ? static_cast<uint8_t>(in[i]) : 0; };
  PaperJob job{};
  std::memcpy(job.label_name, name.data(), name.size());
  const int pick = byte(0) % 13;
  const TapeRow *row = pick < 6 ? &kStandardTape[pick] : pick < 11 ? &kHeatShrinkTube[pick - 6] : nullptr;
  if (row != nullptr) std::strcpy(job.media_name, row->media_name);
  job.kind = row != nullptr ? 3 : pick % 3;
  job.pins = row != nullptr ? row->pins : 0;
  job.width = 1 + (byte(1) << 8 | byte(2));
  job.height = 1 + (byte(3) << 8 | byte(4));
  const FormatId made = make_format_id(job, byte(5), byte(6) << 8 | byte(7));
  char lines[2][512];
  entry_line(made, job, lines[0], sizeof lines[0]);
  paper_line(made, job, lines[1], sizeof lines[1]);
  for (const char *line : lines) {
    FormatId found{};
    check(match_entry_line(line, std::strlen(line), job.label_name, &found));
    check(std::strcmp(found.text, made.text) == 0);
  }
}

const char kId[] = "ZkL_zkFUZZ___0A0A0320FFFF";

std::string rewritten(const std::string &file, const RewritePlan &plan) {
  check(rewrite_file(file.c_str(), plan) == 0);
  return read_all(file);
}

std::string ended(const std::string &text, bool wanted) {
  return wanted && !text.empty() && text.back() != '\n' ? text + "\n" : text;
}

// Dropping or replacing an identifier the file does not hold leaves it
// byte for byte; inserting an entry or appending a line and dropping it
// again gives it back, a last line without newline gaining one where text
// went after it.
void rewrite(const std::string &content) {
  if (content.find(kId) != std::string::npos) return;
  const std::string file = dir + "/paperinftvq310";
  std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
  check(rewritten(file, {kId, nullptr, nullptr, nullptr, nullptr}) == content);
  check(rewritten(file, {kId, "Media=zkS12mm\n", nullptr, nullptr, nullptr}) == content);
  const std::string entry = std::string(kId) + "/Fuzz\n", line = std::string(kId) + "/Fuzz:\t70\t353\n";
  rewritten(file, {nullptr, nullptr, "[CustomTape]", entry.c_str(), nullptr});
  const std::string last = content.substr(content.rfind('\n') + 1);  // npos + 1 == 0
  const std::string restored = ended(content, std::strstr(last.c_str(), "[CustomTape]") != nullptr);
  check(rewritten(file, {kId, nullptr, nullptr, nullptr, nullptr}) == restored);
  check(rewritten(file, {nullptr, nullptr, nullptr, nullptr, line.c_str()}) == ended(restored, true) + line);
  check(rewritten(file, {kId, nullptr, nullptr, nullptr, nullptr}) == ended(restored, true));
}

// What a report printed to standard output, and its result.
template <typename Report>
std::string printed(Report report, long *result) {
  const std::string path = dir + "/out";
  std::fflush(stdout);
  const int saved = ::dup(1), out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  check(saved >= 0 && out >= 0 && ::dup2(out, 1) == 1);
  *result = report();
  std::fflush(stdout);
  check(::dup2(saved, 1) == 1 && ::close(saved) == 0 && ::close(out) == 0);
  return read_all(path);
}

// Four driver files split at 0xFF bytes, of a tape or a roll model:
// listing lines have five fields, an escaped name, sizes and a state; the
// check prints as many known lines as it counts.
void inventory(const std::string &in) {
  PaperJob job{};
  check(select_model(!in.empty() && in[0] & 1 ? "zkpapertoollpr_lm230" : "zkpapertoollpr_tvq310", &job));
  const std::string inf = dir + "/vantrel/" + job.model + "/bin/inf/", model = job.model;
  const std::string names[4] = {"zk" + model + "func", "paperinf" + model, "zk" + model + "rc", "ImagingArea"};
  std::filesystem::create_directories(inf);
  size_t at = in.empty() ? 0 : 1;
  for (const std::string &name : names) {
    const size_t end = &name == &names[3] ? in.size() : std::min(in.find('\xff', at), in.size());
    std::ofstream(inf + name, std::ios::binary | std::ios::trunc) << in.substr(at, end - at);
    at = std::min(end + 1, in.size());
  }
  const std::string root = dir + "/vantrel";
  long rc = -1;
  std::istringstream list(printed([&] { return static_cast<long>(list_formats(job, root.c_str())); }, &rc));
  check(rc == 0);
  const std::regex listed("[^\\x00-\\x1f\\x7f]*\t-?[0-9]+x[0-9]+\t[^\t]+\tZkL[^\t]*\t"
                          "(complete|missing=paper|missing=imaging|missing=paper,imaging)");
  for (std::string line; std::getline(list, line);) check(std::regex_match(line, listed));
  std::istringstream problems(printed([&] { return check_formats(job, root.c_str()); }, &rc));
  const std::regex known("(duplicate name|shared identifier|length digits|incomplete|orphan|stale setting|zero byte|"
                         "missing|no marker): .*");
  long lines = 0;
  for (std::string line; std::getline(problems, line); ++lines) check(std::regex_match(line, known));
  check(rc == lines);
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
  const std::string all(reinterpret_cast<const char *>(data), size);
  const std::string in = all.substr(size == 0 ? 0 : 1);
  switch (size == 0 ? 0 : data[0] % 4) {
    case 0: return command_line(in), 0;
    case 1: {  // a byte for the name's length, the name, the line
      const size_t name_len = in.empty() ? 0 : static_cast<unsigned char>(in[0]) % 34;
      const std::string name = in.substr(in.empty() ? 0 : 1, name_len);
      const std::string line = in.substr(std::min(in.size(), 1 + name_len));
      if (name.find('\0') == std::string::npos) lookup(name, line);
      return round_trip(name, line), 0;
    }
    case 2: return rewrite(in), 0;
    default: return inventory(in), 0;
  }
}

#ifdef ZKPT_FUZZ_REPLAY
int main(int argc, char **argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  int inputs = 0;
  std::error_code error;
  for (int i = 1; i < argc && !error; ++i) {
    for (std::filesystem::directory_iterator it(argv[i], error), end; !error && it != end; it.increment(error)) {
      const std::string input = read_all(it->path());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.data()), input.size());
      ++inputs;
    }
  }
  if (error) std::printf("%s\n", error.message().c_str());
  std::printf("%d inputs, no property broken\n", inputs);
  return inputs > 0 && !error ? 0 : 1;
}
#endif
