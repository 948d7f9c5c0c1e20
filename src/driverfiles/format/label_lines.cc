// Formats the three lines of an added format and converts millimetres to
// dots and points (see label_lines.h).
#include "driverfiles/format/label_lines.h"

#include <limits>

#include <cstdio>

namespace {

const double kMillimetresPerInch = 25.43859649;
const double kTapeDotsPerInch = 180.0;
const double kRollDotsPerInch = 300.0;
const double kPointsPerInch = 72.0;
const int64_t kRollMarginAcross = 3;
const int64_t kRollMarginAlong = 6;

// Truncates toward zero; values beyond the 64-bit range stop at its ends.
int64_t to_dots(double value) {
  const double top = 9223372036854775807.0;  // rounds to 2^63
  if (value >= top) return std::numeric_limits<int64_t>::max();
  if (value <= -top) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

int64_t mm_to_dots(int64_t mm, double dots_per_inch) {
  return to_dots(static_cast<double>(mm) / kMillimetresPerInch * dots_per_inch);
}

}  // namespace

int32_t low_32_bits(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

PaperDots paper_dots(const PaperJob &job) {
  if (is_tape(job)) return {job.pins, mm_to_dots(job.height, kTapeDotsPerInch)};
  return {mm_to_dots(job.width - kRollMarginAcross, kRollDotsPerInch),
          mm_to_dots(job.height - kRollMarginAlong, kRollDotsPerInch)};
}

bool size_written_exactly(const PaperJob &job) {
  const PaperDots dots = paper_dots(job);
  return dots.across == low_32_bits(dots.across) && dots.along == low_32_bits(dots.along);
}

void entry_line(const FormatId &id, const PaperJob &job, char *out, size_t cap) {
  (void)std::snprintf(out, cap, "%s/%s\n", id.text, job.label_name);
}

void paper_line(const FormatId &id, const PaperJob &job, char *out, size_t cap) {
  const PaperDots dots = paper_dots(job);
  (void)std::snprintf(out, cap, "%s/%s:\t%d\t%d\n", id.text, job.label_name, low_32_bits(dots.across),
                      low_32_bits(dots.along));
}

void imaging_line(const FormatId &id, const PaperJob &job, char *out, size_t cap) {
  const double width_pt = static_cast<double>(job.pins) / kTapeDotsPerInch * kPointsPerInch;
  const double height_pt = static_cast<double>(job.height) / kMillimetresPerInch * kPointsPerInch;
  (void)std::snprintf(out, cap, "%s:\t%.2f\t%.2f\t%.2f\t%.2f\n", id.text, 0.0, 0.0, width_pt, height_pt);
}

int64_t recover_height(bool tape, long low_bits, bool along_known, double along, bool points_known, double points) {
  double approx = static_cast<double>(low_bits);
  if (along_known) {
    approx = tape ? along / kTapeDotsPerInch * kMillimetresPerInch
                  : along / kRollDotsPerInch * kMillimetresPerInch + kRollMarginAlong;
  } else if (points_known) {
    approx = points / kPointsPerInch * kMillimetresPerInch;
  }
  // Whole turns of 4096 to the nearest, halves up; never below the bits.
  const double turns = (approx - static_cast<double>(low_bits) + 2048.0) / 4096.0;
  const int64_t k = turns > 0 ? static_cast<int64_t>(turns) : 0;
  return low_bits + k * 4096;
}
