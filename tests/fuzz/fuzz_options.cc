// Command lines made from the input: the first byte picks a program name,
// the rest splits at zero bytes into words. Whatever the front end accepts
// keeps to the length limits and, on tape models, to a real tape.
#include <cstring>
#include <vector>

#include "front/options.h"
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *const programs[] = {"lm210", "lm230", "lm260ka", "tv4400", "tvq310",
                                  "tvq300", "tvq250e", "tvq220nf", "tvq200", "xxxx"};
  const unsigned char pick = static_cast<unsigned char>(take(&data, &size, 1)[0]);
  const std::string program = std::string("zkpapertoollpr_") + programs[pick % 10];
  std::vector<std::string> words{program, ""};
  for (const char c : take(&data, &size, size)) c == '\0' ? words.emplace_back() : words.back() += c;
  std::vector<const char *> argv;
  for (const std::string &w : words) argv.push_back(w.c_str());
  PaperJob job{};
  SeenFlags seen{};
  if (!select_model(program.c_str(), &job) ||
      parse_options(static_cast<int>(argv.size()), argv.data(), &job, &seen) != ParseResult::kAccepted) {
    return 0;
  }
  check(std::strlen(job.label_name) <= 32 && std::strchr(job.label_name, '\n') == nullptr);
  check(std::strstr(job.label_name, "[CustomTape]") == nullptr);
  check(std::strlen(job.printer) <= 1024 && (!seen.printer || job.printer[0] != '\0'));
  check((!seen.width || job.width > 0) && (!seen.height || job.height > 0));
  const size_t media = std::strlen(job.media_name);
  if (!is_tape(job)) {
    check(job.pins == 0 && media == 0);
    return 0;
  }
  bool real_tape = !seen.width;
  for (const TapeRow *rows : {kStandardTape, kHeatShrinkTube}) {
    for (int i = 0; i < (rows == kStandardTape ? 6 : 5); ++i) {
      real_tape = real_tape || (job.pins == rows[i].pins && job.width <= rows[i].max_width);
    }
  }
  check(real_tape && (!seen.height || (job.height >= 4 && job.height <= 1000)));
  check(media == 0 || media == 10);
  return 0;
}
