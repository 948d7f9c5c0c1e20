#include "driverfiles/label_lines.h"

#include "driverfiles/driver_edit.h"

#include <cstdio>
#include <string>

#include "gtest/gtest.h"

namespace {

PaperJob tape(int64_t height, int64_t pins) {
  PaperJob job{};
  job.kind = 3;
  std::snprintf(job.label_name, sizeof job.label_name, "Test");
  job.height = height;
  job.pins = pins;
  return job;
}

PaperJob roll(int64_t width, int64_t height) {
  PaperJob job{};
  job.kind = 1;
  std::snprintf(job.label_name, sizeof job.label_name, "Roll");
  job.width = width;
  job.height = height;
  return job;
}

std::string paper(const FormatId &id, const PaperJob &job) {
  char out[kLineMax];
  paper_line(id, job, out, sizeof out);
  return out;
}

std::string imaging(const FormatId &id, const PaperJob &job) {
  char out[kLineMax];
  imaging_line(id, job, out, sizeof out);
  return out;
}

FormatId id_of(const char *text) {
  FormatId id{};
  std::snprintf(id.text, sizeof id.text, "%s", text);
  return id;
}

// Tape: pins across, height along at 180 dpi. Roll: the margins come off
// as integers first, 300 dpi, and small sizes go negative.
TEST(LabelLines, SizesInDotsAndPoints) {
  const struct {
    PaperJob job;
    const char *paper;
    const char *imaging;
  } cases[] = {
      {tape(50, 70), "ID/Test:\t70\t353\n", "ID:\t0.00\t0.00\t28.00\t141.52\n"},
      {tape(100, 70), "ID/Test:\t70\t707\n", "ID:\t0.00\t0.00\t28.00\t283.03\n"},
      {tape(4, 24), "ID/Test:\t24\t28\n", "ID:\t0.00\t0.00\t9.60\t11.32\n"},
      {tape(50, 128), "ID/Test:\t128\t353\n", "ID:\t0.00\t0.00\t51.20\t141.52\n"},
      {tape(1000, 112), "ID/Test:\t112\t7075\n", "ID:\t0.00\t0.00\t44.80\t2830.34\n"},
      {roll(62, 100), "ID/Roll:\t695\t1108\n", "ID:\t0.00\t0.00\t0.00\t283.03\n"},
      {roll(62, 5), "ID/Roll:\t695\t-11\n", "ID:\t0.00\t0.00\t0.00\t14.15\n"},
      {roll(1, 1), "ID/Roll:\t-23\t-58\n", "ID:\t0.00\t0.00\t0.00\t2.83\n"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.paper, paper(id_of("ID"), c.job)) << c.paper;
    EXPECT_EQ(c.imaging, imaging(id_of("ID"), c.job)) << c.paper;
  }
}

TEST(LabelLines, HugeRollSizesPrintLow32BitsOfSaturatedDots) {
  const PaperDots dots = paper_dots(roll(INT64_MAX, INT64_MAX));
  EXPECT_EQ(INT64_MAX, dots.across);
  EXPECT_EQ(INT64_MAX, dots.along);
  EXPECT_EQ("ID/Roll:\t-1\t-1\n", paper(id_of("ID"), roll(INT64_MAX, INT64_MAX)));
  EXPECT_EQ(-1, low_32_bits(0xFFFFFFFFLL));
  EXPECT_EQ(5, low_32_bits(0x100000005LL));
}

TEST(LabelLines, EntryLineIsIdentifierSlashName) {
  char out[kLineMax];
  entry_line(id_of("ZkL040A03271A2B"), tape(50, 70), out, sizeof out);
  EXPECT_STREQ("ZkL040A03271A2B/Test\n", out);
}

}  // namespace
