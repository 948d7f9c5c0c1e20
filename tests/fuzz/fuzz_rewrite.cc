// The rewrite over any file contents. Dropping or replacing an identifier
// the file does not hold leaves it byte for byte; inserting a format's
// entry or appending its line and dropping it again gives the file back,
// only a last line without newline having gained one where text was
// written after it.
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "driverfiles/rewrite.h"
#include "harness.h"

namespace {

const char kId[] = "ZkL_zkFUZZ___0A0A0320FFFF";
std::string file_path;

void put(const std::string &bytes) {
  std::ofstream(file_path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string get() {
  std::ostringstream all;
  all << std::ifstream(file_path, std::ios::binary).rdbuf();
  return all.str();
}

void rewrite(const RewritePlan &plan) { check(rewrite_file(file_path.c_str(), plan) == 0); }

// The content with a newline after an unterminated last line, if wanted.
std::string ended(const std::string &content, bool wanted) {
  return wanted && !content.empty() && content.back() != '\n' ? content + "\n" : content;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // Memory-backed when it can be: every rewrite syncs the file.
  char shm[] = "/dev/shm/zkpt-fuzz-XXXXXX";
  char tmp[] = "/tmp/zkpt-fuzz-XXXXXX";
  const char *dir = mkdtemp(shm) != nullptr ? shm : mkdtemp(tmp);
  if (dir == nullptr) std::abort();
  file_path = std::string(dir) + "/paperinftvq310";
  std::atexit([] {
    ::unlink(file_path.c_str());
    ::rmdir(file_path.substr(0, file_path.rfind('/')).c_str());
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string content(reinterpret_cast<const char *>(data), size);
  if (content.find(kId) != std::string::npos) return 0;
  put(content);
  rewrite({kId, nullptr, nullptr, nullptr, nullptr});
  rewrite({kId, "Media=zkS12mm\n", nullptr, nullptr, nullptr});
  check(get() == content);

  const std::string entry = std::string(kId) + "/Fuzz\n";
  rewrite({nullptr, nullptr, "[CustomTape]", entry.c_str(), nullptr});
  rewrite({kId, nullptr, nullptr, nullptr, nullptr});
  const size_t last = content.rfind('\n') + 1;  // npos + 1 == 0
  const std::string restored =
      ended(content, std::strstr(content.substr(last).c_str(), "[CustomTape]") != nullptr);
  check(get() == restored);

  const std::string line = std::string(kId) + "/Fuzz:\t70\t353\n";
  rewrite({nullptr, nullptr, nullptr, nullptr, line.c_str()});
  check(get() == ended(restored, true) + line);
  rewrite({kId, nullptr, nullptr, nullptr, nullptr});
  check(get() == ended(restored, true));
  return 0;
}
