// The paper-table and imaging-area lines of an added format.
#include "driverfiles/label_lines.h"

#include <string>

#include "driverfiles/driver_edit.h"
#include "gtest/gtest.h"

namespace {

PaperJob job_of(int32_t kind, int64_t width, int64_t height, int64_t pins) {
  PaperJob job{};
  job.kind = kind;
  copy_text(job.label_name, kind == 3 ? "Test" : "Roll");
  job.width = width;
  job.height = height;
  job.pins = pins;
  return job;
}

// Tape: pins across, height along at 180 dpi. Roll: the margins come off
// as integers first, 300 dpi, and small sizes go negative; huge ones keep
// the low 32 bits of saturated dots.
TEST(LabelLines, SizesInDotsAndPoints) {
  const struct {
    PaperJob job;
    const char *paper;
    const char *imaging;
  } cases[] = {
      {job_of(3, 0, 50, 70), "ID/Test:\t70\t353\n", "ID:\t0.00\t0.00\t28.00\t141.52\n"},
      {job_of(3, 0, 100, 70), "ID/Test:\t70\t707\n", "ID:\t0.00\t0.00\t28.00\t283.03\n"},
      {job_of(3, 0, 4, 24), "ID/Test:\t24\t28\n", "ID:\t0.00\t0.00\t9.60\t11.32\n"},
      {job_of(3, 0, 50, 128), "ID/Test:\t128\t353\n", "ID:\t0.00\t0.00\t51.20\t141.52\n"},
      {job_of(3, 0, 1000, 112), "ID/Test:\t112\t7075\n", "ID:\t0.00\t0.00\t44.80\t2830.34\n"},
      {job_of(1, 62, 100, 0), "ID/Roll:\t695\t1108\n", "ID:\t0.00\t0.00\t0.00\t283.03\n"},
      {job_of(1, 62, 5, 0), "ID/Roll:\t695\t-11\n", "ID:\t0.00\t0.00\t0.00\t14.15\n"},
      {job_of(1, 1, 1, 0), "ID/Roll:\t-23\t-58\n", "ID:\t0.00\t0.00\t0.00\t2.83\n"},
      {job_of(1, INT64_MAX, INT64_MAX, 0), "ID/Roll:\t-1\t-1\n", nullptr},
  };
  const FormatId id{"ID"};
  for (const auto &c : cases) {
    char paper[kLineMax], imaging[kLineMax];
    paper_line(id, c.job, paper, sizeof paper);
    imaging_line(id, c.job, imaging, sizeof imaging);
    EXPECT_STREQ(c.paper, paper);
    EXPECT_STREQ(c.imaging != nullptr ? c.imaging : imaging, imaging) << c.paper;
  }
}

}  // namespace
