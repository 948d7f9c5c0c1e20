#include <string>
#include <vector>

#include "front/options.h"
#include "gtest/gtest.h"

namespace {

struct Parsed {
  ParseResult result;
  PaperJob job;
  SeenFlags seen;
};

Parsed parse(const char *program, std::vector<std::string> words) {
  Parsed p{};
  select_model(program, &p.job);
  std::vector<const char *> argv{program};
  for (const std::string &w : words) argv.push_back(w.c_str());
  p.result = parse_options(static_cast<int>(argv.size()), argv.data(), &p.job,
                           &p.seen);
  return p;
}

const char kTape[] = "zkpapertoollpr_tvq310";
const char kRoll[] = "zkpapertoollpr_lm230";

TEST(ParseOptions, RejectsFaultyCommandLines) {
  const std::string name33(33, 'a');
  const std::string printer1025(1025, 'p');
  const std::string size33 = "1" + std::string(32, '0');
  const std::vector<std::vector<std::string>> faulty = {
      {},
      {"-P"},
      {"-P", "q", "-n"},
      {"-P", ""},
      {"-P", printer1025},
      {"-P", "q", "-n", ""},
      {"-P", "q", "-n", name33},
      {"-P", "q", "-d", name33},
      {"-P", "q", "-d", "A", "-w", "0"},
      {"-P", "q", "-d", "A", "-w", "-3"},
      {"-P", "q", "-d", "A", "-w", "mm12"},
      {"-P", "q", "-d", "A", "-h", ""},
      {"-P", "q", "-d", "A", "-h", size33},
      {"-P", "q", "-d", "A", "-w", "30"},      // no tape that wide
      {"-P", "q", "-n", "A", "-w", "25", "-h", "50"},
      {"-P", "q", "-n", "A", "-w", "25", "-h", "50", "-x", "y"},
      {"-p", "q", "-d", "A"},                  // case matters
      {"--P", "q", "-d", "A"},
      {"-", "q", "-d", "A"},
      {"P", "q", "-d", "A"},
      {"-P", "q", "-x", "A"},
      // A newline would split the entry lines of the driver files.
      {"-P", "q", "-n", "A\nB", "-w", "12", "-h", "50"},
      {"-P", "q", "-d", "\n"},
  };
  for (const auto &words : faulty) {
    std::string shown;
    for (const std::string &w : words) shown += "[" + w.substr(0, 40) + "]";
    EXPECT_EQ(ParseResult::kRejected, parse(kTape, words).result) << shown;
  }
}

TEST(ParseOptions, AcceptsLimitsAndTwoByteOptionWords) {
  const std::string name32(32, 'n');
  const std::string printer1024(1024, 'p');
  Parsed p = parse(kTape, {"-Printer", printer1024, "-dxyz", name32});
  ASSERT_EQ(ParseResult::kAccepted, p.result);
  EXPECT_EQ(printer1024, p.job.printer);
  EXPECT_EQ(name32, p.job.label_name);
  EXPECT_TRUE(p.seen.printer);
  EXPECT_TRUE(p.seen.remove);
  EXPECT_FALSE(p.seen.add);

  // The value is the next word even when it looks like an option.
  p = parse(kTape, {"-P", "-n", "-n", "x", "-w", "5", "-h", "5"});
  ASSERT_EQ(ParseResult::kAccepted, p.result);
  EXPECT_STREQ("-n", p.job.printer);
  EXPECT_STREQ("x", p.job.label_name);
  EXPECT_TRUE(p.seen.add && p.seen.width && p.seen.height);
}

TEST(ParseOptions, ReadsSizesAsStrtolDoes) {
  struct SizeCase {
    const char *text;
    int64_t value;
  };
  const SizeCase cases[] = {
      {"62", 62},
      {"12mm", 12},
      {"  \t7", 7},
      {"+9", 9},
      {"0009", 9},
      {"99999999999999999999999", INT64_MAX},
      {"4294967296", 4294967296LL},
  };
  for (const SizeCase &c : cases) {
    Parsed p = parse(kRoll, {"-P", "q", "-n", "A", "-w", c.text, "-h", c.text});
    ASSERT_EQ(ParseResult::kAccepted, p.result) << c.text;
    EXPECT_EQ(c.value, p.job.width) << c.text;
    EXPECT_EQ(c.value, p.job.height) << c.text;
  }
  for (const char *text : {"-99999999999999999999", "- 5", "x", "0x10"}) {
    EXPECT_EQ(ParseResult::kRejected,
              parse(kRoll, {"-P", "q", "-d", "A", "-w", text}).result)
        << text;
  }
}

struct TapeCase {
  std::vector<std::string> words;
  int64_t width;
  int64_t height;
  int64_t pins;
  const char *media;
};

TEST(ParseOptions, AppliesTapeWidthAndHeightRules) {
  const TapeCase cases[] = {
      {{"-n", "A", "-w", "12", "-h", "50"}, 10, 50, 70, "_zkS12mm__"},
      {{"-n", "A", "-w", "4", "-h", "50"}, 2, 50, 24, "_zkS3.5mm_"},
      {{"-n", "A", "-w", "10", "-h", "50"}, 10, 50, 70, ""},
      {{"-n", "A", "-w", "1", "-h", "50"}, 1, 50, 24, ""},
      {{"-n", "A", "-w", "24", "-h", "1001"}, 22, 1000, 128, "_zkS24mm__"},
      {{"-n", "A", "-w", "6", "-h", "1000"}, 4, 1000, 32, "_zkS6mm___"},
      {{"-n", "HSx", "-w", "24", "-h", "800"}, 18, 500, 128, "_zkHS24mm_"},
      {{"-n", "tube_hs", "-w", "12", "-h", "501"}, 9, 500, 66, "_zkHS12mm_"},
      {{"-n", "HS", "-w", "3", "-h", "3"}, 3, 4, 28, ""},
      // The rules see only the name given so far.
      {{"-w", "12", "-h", "800", "-n", "HSx"}, 10, 800, 70, "_zkS12mm__"},
      // Only "HS" and "hs" ask for tube.
      {{"-n", "Hsx", "-w", "12", "-h", "2"}, 10, 4, 70, "_zkS12mm__"},
      // A later -w sets width and pins; the media name stays unless reset.
      {{"-n", "A", "-w", "12", "-w", "10", "-h", "50"}, 10, 50, 70,
       "_zkS12mm__"},
      {{"-n", "A", "-w", "12", "-w", "18", "-h", "50"}, 16, 50, 112,
       "_zkS18mm__"},
      {{"-n", "A", "-w", "12", "-h", "50", "-h", "2000"}, 10, 1000, 70,
       "_zkS12mm__"},
  };
  for (const TapeCase &c : cases) {
    std::vector<std::string> words{"-P", "q"};
    words.insert(words.end(), c.words.begin(), c.words.end());
    const Parsed p = parse(kTape, words);
    ASSERT_EQ(ParseResult::kAccepted, p.result) << c.words[1];
    EXPECT_EQ(c.width, p.job.width) << c.words[1] << " " << c.words[3];
    EXPECT_EQ(c.height, p.job.height) << c.words[1];
    EXPECT_EQ(c.pins, p.job.pins) << c.words[1];
    EXPECT_STREQ(c.media, p.job.media_name) << c.words[1];
  }
}

TEST(ParseOptions, RollModelsTakeSizesAsGiven) {
  for (const char *program : {"zkpapertoollpr_lm210", kRoll, "zkpapertoollpr_lm260ka"}) {
    const Parsed p = parse(program, {"-P", "q", "-n", "HSA", "-w", "62", "-h", "5"});
    ASSERT_EQ(ParseResult::kAccepted, p.result);
    EXPECT_EQ(62, p.job.width);
    EXPECT_EQ(5, p.job.height);
    EXPECT_EQ(0, p.job.pins);
    EXPECT_STREQ("", p.job.media_name);
  }
  const Parsed wide = parse(kRoll, {"-P", "q", "-n", "A", "-w", "300", "-h", "5000"});
  EXPECT_EQ(300, wide.job.width);
  EXPECT_EQ(5000, wide.job.height);
}

TEST(TapeTables, MediaNamesAreTenCharactersAndRowsGrow) {
  for (const TapeRow *rows : {kStandardTape, kHeatShrinkTube}) {
    const int count = rows == kStandardTape ? 6 : 5;
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(10u, std::string(rows[i].media_name).size());
      EXPECT_LT(rows[i].printable_width, rows[i].max_width);
      if (i > 0) {
        EXPECT_LT(rows[i - 1].max_width, rows[i].max_width);
      }
    }
  }
}

}  // namespace
