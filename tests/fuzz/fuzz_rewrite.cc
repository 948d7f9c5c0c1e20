// The rewrite over any file contents. Dropping or replacing an identifier
// the file does not hold leaves it byte for byte; inserting a format's
// entry, or appending its line, and dropping it again gives the file back,
// except that a last line without newline gains one where text went after it.
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "driverfiles/rewrite.h"
#include "harness.h"

namespace {

const char kId[] = "ZkL_zkFUZZ___0A0A0320FFFF";
std::string file_path;

std::string rewritten(const RewritePlan &plan) {
  check(rewrite_file(file_path.c_str(), plan) == 0);
  std::ostringstream all;
  all << std::ifstream(file_path, std::ios::binary).rdbuf();
  return all.str();
}

std::string ended(const std::string &text, bool wanted) {
  return wanted && !text.empty() && text.back() != '\n' ? text + "\n" : text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // Memory-backed where possible: every rewrite syncs.
  char shm[] = "/dev/shm/zkpt-fuzz-XXXXXX", tmp[] = "/tmp/zkpt-fuzz-XXXXXX";
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
  std::ofstream(file_path, std::ios::binary | std::ios::trunc) << content;
  check(rewritten({kId, nullptr, nullptr, nullptr, nullptr}) == content);
  check(rewritten({kId, "Media=zkS12mm\n", nullptr, nullptr, nullptr}) == content);

  const std::string entry = std::string(kId) + "/Fuzz\n", line = std::string(kId) + "/Fuzz:\t70\t353\n";
  rewritten({nullptr, nullptr, "[CustomTape]", entry.c_str(), nullptr});
  const std::string last = content.substr(content.rfind('\n') + 1);  // npos + 1 == 0
  const std::string restored = ended(content, std::strstr(last.c_str(), "[CustomTape]") != nullptr);
  check(rewritten({kId, nullptr, nullptr, nullptr, nullptr}) == restored);
  check(rewritten({nullptr, nullptr, nullptr, nullptr, line.c_str()}) == ended(restored, true) + line);
  check(rewritten({kId, nullptr, nullptr, nullptr, nullptr}) == ended(restored, true));
  return 0;
}
