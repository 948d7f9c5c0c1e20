// Reading the option-value pairs of a command line into the job record,
// with the tape models' width and height rules (see options.h).
#include "front/options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "driverfiles/format/format_id.h"
#include "driverfiles/format/label_lines.h"

namespace {

bool names_heat_shrink(const char *label_name) {
  return std::strstr(label_name, "HS") != nullptr || std::strstr(label_name, "hs") != nullptr;
}

// The tape width rule: false when no tape is wide enough.
bool apply_tape_width(PaperJob *job) {
  const TapeTable tapes = tape_table(names_heat_shrink(job->label_name));
  const TapeRow *end = tapes.rows + tapes.count;
  const TapeRow *row = std::find_if(tapes.rows, end, [&](const TapeRow &r) { return r.max_width >= job->width; });
  if (row == end) return false;
  if (row->printable_width < job->width) {
    job->width = row->printable_width;
    copy_text(job->media_name, row->media_name);
  }
  job->pins = row->pins;
  return true;
}

const size_t kSizeTextMax = 32;  // longest -w or -h value, in bytes

// The reason of a rejected option value; null when it is accepted.
using Fault = const char *;

Fault check_length(const char *value, size_t limit, Fault empty, Fault too_long) {
  const size_t length = std::strlen(value);
  if (length == 0) return empty;
  return length > limit ? too_long : nullptr;
}

// A newline inside a name would split the driver files' entry lines; the
// marker inside one would make its own entry line a place for new entries.
Fault check_label(const char *value) {
  if (Fault f = check_length(value, kLabelNameMax, "empty name", "name over 32 bytes")) return f;
  if (std::strchr(value, '\n') != nullptr) return "name holds a newline";
  if (std::strstr(value, kEntryMarker) != nullptr) return "name holds [CustomTape]";
  return nullptr;
}

// Reads a size the way strtoll reads it; refused when not above zero.
Fault read_size(const char *value, int64_t *out) {
  if (Fault f = check_length(value, kSizeTextMax, "empty value", "value over 32 bytes")) return f;
  char *end = nullptr;
  const long long number = std::strtoll(value, &end, 10);
  if (end == value) return "not a number";
  if (number <= 0) return "not above 0";
  *out = number;
  return nullptr;
}

// The size just read, turned into a tape or kept for a roll, and checked
// to be writable as it is.
Fault take_size(char option, const char *value, PaperJob *job) {
  int64_t *size = option == 'w' ? &job->width : &job->height;
  if (Fault f = read_size(value, size)) return f;
  (option == 'w' ? job->asked_width : job->asked_height) = *size;
  if (is_tape(*job)) {
    // A tape is at least 4 mm long, at most 1000 (500 for tube).
    const int64_t longest = names_heat_shrink(job->label_name) ? 500 : 1000;
    if (option == 'h') job->height = std::clamp<int64_t>(job->height, 4, longest);
    else if (!apply_tape_width(job)) return "wider than the widest tape (24 mm)";
  }
  if (size_written_exactly(*job)) return nullptr;
  return option == 'w' ? "above 182096569 mm, beyond the paper table's 32-bit dots"
                       : "above 182096572 mm, beyond the paper table's 32-bit dots";
}

// Takes one option's value into the job; its seen flag is set only when
// the value is accepted.
Fault take_option(char option, const char *value, PaperJob *job, SeenFlags *seen) {
  if (option == 'P') {
    if (Fault f = check_length(value, kPrinterMax, "empty printer name", "printer name over 1024 bytes")) return f;
    copy_text(job->printer, value);
    seen->printer = true;
  } else if (option == 'n' || option == 'd') {
    if (Fault f = check_label(value)) return f;
    copy_text(job->label_name, value);
    (option == 'n' ? seen->add : seen->remove) = true;
  } else {
    if (Fault f = take_size(option, value, job)) return f;
    (option == 'w' ? seen->width : seen->height) = true;
  }
  return nullptr;
}

}  // namespace

bool parse_options(int argc, const char *const *argv, PaperJob *job, SeenFlags *seen, ParseFault *fault) {
  ParseFault found{'\0', nullptr};
  const int words = argc - 1;
  if (words <= 0) found.reason = "no options";
  if (words > 0 && words % 2 != 0) found.reason = "an option without its value";
  for (int i = 1; i < argc && found.reason == nullptr; i += 2) {
    // Only an option word's first two bytes count: -Printer is -P.
    const char *option = argv[i];
    const bool known = option[0] == '-' && option[1] != '\0' && std::strchr("Pndwh", option[1]) != nullptr;
    found.option = known ? option[1] : '\0';
    found.reason = known ? take_option(option[1], argv[i + 1], job, seen)
                         : "not an option (-P, -n, -d, -w or -h)";
  }
  if (found.reason == nullptr) return true;
  if (fault != nullptr) *fault = found;
  return false;
}
