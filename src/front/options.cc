// Reading the option-value pairs of a command line into the job record,
// with the tape models' width and height rules (see options.h).
#include "front/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/format_id.h"

bool names_heat_shrink(const char *label_name) {
  return std::strstr(label_name, "HS") != nullptr ||
         std::strstr(label_name, "hs") != nullptr;
}

bool apply_tape_width(PaperJob *job) {
  const bool tube = names_heat_shrink(job->label_name);
  const TapeRow *rows = tube ? kHeatShrinkTube : kStandardTape;
  const int count = tube ? 5 : 6;
  for (int i = 0; i < count; ++i) {
    const TapeRow &row = rows[i];
    if (row.max_width < job->width) continue;
    if (row.printable_width < job->width) {
      job->width = row.printable_width;
      copy_text(job->media_name, row.media_name);
    }
    job->pins = row.pins;
    return true;
  }
  return false;
}

void apply_tape_height(PaperJob *job) {
  const int64_t longest = names_heat_shrink(job->label_name) ? 500 : 1000;
  if (job->height < 4) {
    job->height = 4;
  } else if (job->height > longest) {
    job->height = longest;
  }
}

namespace {

const size_t kSizeTextMax = 32;  // longest -w or -h value, in bytes

bool fits(const char *value, size_t limit) {
  const size_t length = std::strlen(value);
  return length > 0 && length <= limit;
}

// A newline inside a name would split the driver files' entry lines; the
// marker inside one would make its own entry line a place for new entries.
bool fits_label(const char *value) {
  return fits(value, kLabelNameMax) && std::strchr(value, '\n') == nullptr &&
         std::strstr(value, kEntryMarker) == nullptr;
}

// Reads a size the way strtoll reads it; false for anything not above zero.
bool read_size(const char *value, int64_t *out) {
  if (!fits(value, kSizeTextMax)) return false;
  const long long number = std::strtoll(value, nullptr, 10);
  if (number <= 0) return false;
  *out = number;
  return true;
}

bool take_option(const char *option, const char *value, PaperJob *job,
                 SeenFlags *seen) {
  if (option[0] != '-' || option[1] == '\0') return false;
  switch (option[1]) {
    case 'P':
      if (!fits(value, kPrinterMax)) return false;
      copy_text(job->printer, value);
      seen->printer = true;
      return true;
    case 'n':
    case 'd':
      if (!fits_label(value)) return false;
      copy_text(job->label_name, value);
      (option[1] == 'n' ? seen->add : seen->remove) = true;
      return true;
    case 'w':
      if (!read_size(value, &job->width)) return false;
      if (is_tape(*job) && !apply_tape_width(job)) return false;
      seen->width = true;
      return true;
    case 'h':
      if (!read_size(value, &job->height)) return false;
      if (is_tape(*job)) apply_tape_height(job);
      seen->height = true;
      return true;
    default:
      return false;
  }
}

}  // namespace

ParseResult parse_options(int argc, const char *const *argv, PaperJob *job,
                          SeenFlags *seen) {
  const int words = argc - 1;
  if (words <= 0 || words % 2 != 0) return ParseResult::kRejected;
  for (int i = 1; i < argc; i += 2) {
    if (!take_option(argv[i], argv[i + 1], job, seen)) {
      return ParseResult::kRejected;
    }
  }
  return ParseResult::kAccepted;
}
