// Command lines made from the input: the first byte picks one of the
// program names, the rest splits at zero bytes into argument words.
// Whatever is accepted must satisfy the limits and the tape rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "front/options.h"

namespace {

const char *const kPrograms[] = {
    "zkpapertoollpr_lm210",  "zkpapertoollpr_lm230",   "zkpapertoollpr_lm260ka",
    "zkpapertoollpr_tv4400", "zkpapertoollpr_tvq310",  "zkpapertoollpr_tvq300",
    "zkpapertoollpr_tvq250e", "zkpapertoollpr_tvq220nf", "zkpapertoollpr_tvq200",
    "zkpapertoollpr_xxxx"};

void check(bool ok) {
  if (!ok) std::abort();
}

bool tape_pins(int64_t pins) {
  for (const TapeRow &row : kStandardTape) if (row.pins == pins) return true;
  for (const TapeRow &row : kHeatShrinkTube) if (row.pins == pins) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const char *program = kPrograms[data[0] % 10];
  std::vector<std::string> words{program};
  std::string word;
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word.push_back(static_cast<char>(data[i]));
    }
  }
  words.push_back(word);
  std::vector<const char *> argv;
  for (const std::string &w : words) argv.push_back(w.c_str());

  PaperJob job{};
  if (!select_model(program, &job)) return 0;
  SeenFlags seen{};
  if (parse_options(static_cast<int>(argv.size()), argv.data(), &job, &seen) !=
      ParseResult::kAccepted) {
    return 0;
  }
  check(std::strlen(job.label_name) <= 32);
  check(std::strchr(job.label_name, '\n') == nullptr);
  check(std::strlen(job.printer) <= 1024);
  check(!seen.printer || job.printer[0] != '\0');
  check(!seen.width || job.width > 0);
  check(!seen.height || job.height > 0);
  if (is_tape(job)) {
    check(!seen.width || (job.width <= 22 && tape_pins(job.pins)));
    check(!seen.height || (job.height >= 4 && job.height <= 1000));
    const size_t media = std::strlen(job.media_name);
    check(media == 0 || media == 10);
  } else {
    check(job.pins == 0 && job.media_name[0] == '\0');
  }
  return 0;
}
