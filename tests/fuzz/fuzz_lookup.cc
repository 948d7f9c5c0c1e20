// The identifier lookup over arbitrary line bytes, and the round trip from
// a made identifier through its driver lines back to the same identifier.
//
// Input: one byte for the name length, the name, then the line. The line
// is copied into a buffer of exactly its size, so any read beyond it is
// caught by AddressSanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "driverfiles/format_id.h"
#include "driverfiles/label_lines.h"
#include "front/options.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void check_lookup(const std::string &name, const uint8_t *line, size_t len) {
  std::unique_ptr<char[]> exact(new char[len + 1]);
  std::memcpy(exact.get(), line, len);
  exact[len] = '\0';
  FormatId id{};
  if (!match_entry_line(exact.get(), len, name.c_str(), &id)) return;
  const std::string seen(exact.get(), strnlen(exact.get(), len));
  const size_t at = seen.find("ZkL");
  check(at != std::string::npos);
  check(seen.compare(at, std::strlen(id.text) + 1 + name.size(),
                     std::string(id.text) + "/" + name) == 0);
}

// Makes a job from the input and checks that both of its entry lines give
// back exactly the identifier made for it.
void check_round_trip(const std::string &name, const uint8_t *data, size_t size) {
  if (name.empty() || name.find('\n') != std::string::npos ||
      name.find('\0') != std::string::npos || size < 8) {
    return;
  }
  PaperJob job{};
  std::memcpy(job.label_name, name.data(), name.size());
  const int pick = data[0] % 13;
  const TapeRow *row = pick < 6 ? &kStandardTape[pick]
                       : pick < 11 ? &kHeatShrinkTube[pick - 6] : nullptr;
  if (row != nullptr) std::strcpy(job.media_name, row->media_name);
  job.kind = row != nullptr ? 3 : data[0] % 3;
  job.width = 1 + (static_cast<int64_t>(data[1]) << 8 | data[2]);
  job.height = 1 + (static_cast<int64_t>(data[3]) << 8 | data[4]);
  job.pins = row != nullptr ? row->pins : 0;
  const FormatId made = make_format_id(job, data[5], data[6] << 8 | data[7]);
  for (const std::string &line : {entry_line(made, job), paper_line(made, job)}) {
    FormatId found{};
    check(match_entry_line(line.c_str(), line.size(), job.label_name, &found));
    check(std::strcmp(found.text, made.text) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const size_t name_len = std::min<size_t>(data[0] % 34, size - 1);
  const std::string name(reinterpret_cast<const char *>(data + 1), name_len);
  if (name.find('\0') == std::string::npos) {
    check_lookup(name, data + 1 + name_len, size - 1 - name_len);
  }
  check_round_trip(name, data + 1 + name_len, size - 1 - name_len);
  return 0;
}
