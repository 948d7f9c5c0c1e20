// The rewrite transforms over arbitrary driver file contents. Dropping or
// replacing an identifier the file does not hold leaves it byte for byte;
// adding a format's lines and dropping them again gives the file back,
// with only an unterminated last line written after having gained its
// newline.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "driverfiles/rewrite.h"

namespace {

const char kId[] = "ZkL_zkFUZZ___0A0A0320FFFF";
std::string file_path;

void check(bool ok) {
  if (!ok) std::abort();
}

void put(const std::string &bytes) {
  std::ofstream(file_path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string get() {
  std::ifstream in(file_path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// The file after an insert after every marker line and a drop of kId.
std::string after_insert_and_drop(const std::string &content) {
  if (content.empty() || content.back() == '\n') return content;
  const size_t start = content.rfind('\n') + 1;  // npos + 1 == 0
  const std::string last = content.substr(start);
  return std::strstr(last.c_str(), "[CustomTape]") ? content + "\n" : content;
}

void rewrite(const RewritePlan &plan) { check(rewrite_file(file_path.c_str(), plan) == 0); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char dir[] = "/dev/shm/zkpt-fuzz-XXXXXX";
  char fallback[] = "/tmp/zkpt-fuzz-XXXXXX";
  const char *made = mkdtemp(dir);
  if (made == nullptr) made = mkdtemp(fallback);
  if (made == nullptr) std::abort();
  file_path = std::string(made) + "/paperinftvq310";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string content(reinterpret_cast<const char *>(data), size);
  if (content.find(kId) != std::string::npos) return 0;

  put(content);
  rewrite({LineAction::kDrop, kId, nullptr, nullptr});
  check(get() == content);
  rewrite({LineAction::kReplace, kId, "Media=zkS12mm\n", nullptr});
  check(get() == content);

  const std::string entry = std::string(kId) + "/Fuzz\n";
  rewrite({LineAction::kInsertAfter, "[CustomTape]", entry.c_str(), nullptr});
  rewrite({LineAction::kDrop, kId, nullptr, nullptr});
  const std::string restored = after_insert_and_drop(content);
  check(get() == restored);

  const std::string line = std::string(kId) + "/Fuzz:\t70\t353\n";
  rewrite({LineAction::kKeepAll, nullptr, nullptr, line.c_str()});
  const std::string appended = get();
  check(appended.size() >= restored.size() + line.size());
  check(appended.compare(appended.size() - line.size(), line.size(), line) == 0);
  rewrite({LineAction::kDrop, kId, nullptr, nullptr});
  const bool open_end = !restored.empty() && restored.back() != '\n';
  check(get() == (open_end ? restored + "\n" : restored));
  return 0;
}
