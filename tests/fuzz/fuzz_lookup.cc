// The identifier lookup over any line bytes, and the round trip from a made
// identifier through its entry and paper table lines back to itself.
// Input: a byte for the name's length, the name, then the line, which sits
// in a buffer of exactly its size so that a read past it is caught.
#include <cstring>
#include <memory>

#include "driverfiles/format_id.h"
#include "driverfiles/label_lines.h"
#include "front/options.h"
#include "harness.h"

namespace {

// A match is the line's first "ZkL", the identifier, "/" and the name.
void check_lookup(const std::string &name, const std::string &line) {
  const std::unique_ptr<char[]> exact(new char[line.size()]);
  std::memcpy(exact.get(), line.data(), line.size());
  FormatId id{};
  if (!match_entry_line(exact.get(), line.size(), name.c_str(), &id)) return;
  const std::string seen = line.substr(0, line.find('\0'));
  const size_t at = seen.find("ZkL");
  check(at != std::string::npos && seen.compare(at, std::strlen(id.text) + 1 + name.size(),
                                                std::string(id.text) + "/" + name) == 0);
}

void check_round_trip(const std::string &name, const std::string &in) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const size_t name_len = static_cast<unsigned char>(take(&data, &size, 1)[0]) % 34;
  const std::string name = take(&data, &size, name_len);
  const std::string line = take(&data, &size, size);
  if (name.find('\0') == std::string::npos) check_lookup(name, line);
  check_round_trip(name, line);
  return 0;
}
