// Command lines made from the input: the first byte picks a program name,
// the rest splits at zero bytes into words. Whatever the front end accepts
// keeps to the length limits and, on tape models, to a real tape.
#include <cstring>
#include <vector>

#include "front/options.h"
#include "harness.h"

namespace {

const char *const kPrograms[] = {
    "zkpapertoollpr_lm210",   "zkpapertoollpr_lm230",    "zkpapertoollpr_lm260ka",
    "zkpapertoollpr_tv4400",  "zkpapertoollpr_tvq310",   "zkpapertoollpr_tvq300",
    "zkpapertoollpr_tvq250e", "zkpapertoollpr_tvq220nf", "zkpapertoollpr_tvq200",
    "zkpapertoollpr_xxxx"};

bool tape_pins(int64_t pins) {
  for (const TapeRow &row : kStandardTape) if (row.pins == pins) return true;
  for (const TapeRow &row : kHeatShrinkTube) if (row.pins == pins) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input{data, size};
  const char *program = kPrograms[input.byte() % 10];
  std::vector<std::string> words{program, ""};
  for (const char c : input.take(size)) {
    if (c == '\0') words.emplace_back();
    if (c != '\0') words.back() += c;
  }
  std::vector<const char *> argv;
  for (const std::string &w : words) argv.push_back(w.c_str());
  PaperJob job{};
  SeenFlags seen{};
  if (!select_model(program, &job) ||
      parse_options(static_cast<int>(argv.size()), argv.data(), &job, &seen) !=
          ParseResult::kAccepted) {
    return 0;
  }
  check(std::strlen(job.label_name) <= 32 && std::strchr(job.label_name, '\n') == nullptr);
  check(std::strstr(job.label_name, "[CustomTape]") == nullptr);
  check(std::strlen(job.printer) <= 1024 && (!seen.printer || job.printer[0] != '\0'));
  check((!seen.width || job.width > 0) && (!seen.height || job.height > 0));
  const size_t media = std::strlen(job.media_name);
  if (is_tape(job)) {
    check(!seen.width || (job.width <= 22 && tape_pins(job.pins)));
    check(!seen.height || (job.height >= 4 && job.height <= 1000));
    check(media == 0 || media == 10);
  } else {
    check(job.pins == 0 && media == 0);
  }
  return 0;
}
