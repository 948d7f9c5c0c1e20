#include "driverfiles/format_id.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "gtest/gtest.h"
#include "support/temp_tree.h"

namespace {

PaperJob job_for(const char *label, const char *media, int64_t width,
                 int64_t height) {
  PaperJob job{};
  std::snprintf(job.label_name, sizeof job.label_name, "%s", label);
  std::snprintf(job.media_name, sizeof job.media_name, "%s", media);
  job.width = width;
  job.height = height;
  return job;
}

TEST(MakeFormatId, LaysOutPrefixMediaAndHexFields) {
  const struct {
    PaperJob job;
    long sec;
    long usec;
    const char *id;
  } cases[] = {
      {job_for("Test", "_zkS12mm__", 10, 50), 0x17, 0x51A2B,
       "ZkL_zkS12mm__040A03271A2B"},
      {job_for("Test", "", 10, 50), 7, 0x1A2B, "ZkL040A03271A2B"},
      {job_for("A", "", 62, 100), 0, 0, "ZkL013E06400000"},
      // The height keeps its low 12 bits, a wide roll takes more digits.
      {job_for("abc", "", 300, 0x1234), 0xF, 0xFFFF, "ZkL0312C234FFFFF"},
      {job_for(std::string(32, 'n').c_str(), "_zkHS24mm_", 18, 500), 5, 999999,
       "ZkL_zkHS24mm_20121F45423F"},
      // A width beyond 32 bits is written from its low 32 bits.
      {job_for("A", "", 0x100000010LL, 4), 1, 2, "ZkL011000410002"},
  };
  for (const auto &c : cases) {
    EXPECT_STREQ(c.id, make_format_id(c.job, c.sec, c.usec).text);
  }
}

struct MatchCase {
  std::string line;
  const char *name;
  const char *id;  // nullptr: no match
};

TEST(MatchEntryLine, FindsEveryIdentifierShapeAndRejectsMalformedLines) {
  const std::string longest(32, 'n');
  const MatchCase cases[] = {
      {"ZkL_zkS12mm__040A03271A2B/Test\n", "Test", "ZkL_zkS12mm__040A03271A2B"},
      {"ZkL_zkS12mm__040A03271A2B/Test:\t70\t353\n", "Test",
       "ZkL_zkS12mm__040A03271A2B"},
      {"  x ZkL_zkS12mm__040A03271A2B/Test", "Test", "ZkL_zkS12mm__040A03271A2B"},
      {"ZkL_zkS12mm__040A03271A2B/Test\n", "test", nullptr},
      {"ZkL_zkS12mm__040A03271A2B/Test\n", "Tes", nullptr},
      {"ZkL_zkS12mm__040A03271A2B/Test\n", "Tests", nullptr},
      {"ZkL013E06400000/A:\t695\t1108\n", "A", "ZkL013E06400000"},
      {"ZkL0312C234FFFFF/abc\n", "abc", "ZkL0312C234FFFFF"},
      {"ZkL040A03271A2B/Test\n", "Test", "ZkL040A03271A2B"},
      {"ZkL_zkHS24mm_20121F45423F/" + longest + "\n", longest.c_str(),
       "ZkL_zkHS24mm_20121F45423F"},
      // Names may hold a slash; the identifier ends at the first one.
      {"ZkL030A03271A2B/a/b\n", "a/b", "ZkL030A03271A2B"},
      // Malformed: no slash, short tail, bad length digits, name cut off.
      {"ZkL_zkS12mm__040A03271A2B\n", "Test", nullptr},
      {"ZkL_zkS12mm__040A0327/Test\n", "Test", nullptr},
      {"ZkL_zkS12mm__G40A03271A2B/Test\n", "Test", nullptr},
      {"ZkL_zkS12mm__FF0A03271A2B/Test\n", "Test", nullptr},
      {"ZkL_zkS12mm__090A03271A2B/Test\n", "Test", nullptr},
      {"ZkL", "", nullptr},
      {"ZkL_zk", "", nullptr},
      {"ZkL_zkS12mm__0", "", nullptr},
      {"Media=ZkL_zkS12mm__040A03271A2B\n", "Test", nullptr},
      {"no identifier at all\n", "Test", nullptr},
      // Only the first "ZkL" of a line counts.
      {"ZkLjunk ZkL040A03271A2B/Test\n", "Test", nullptr},
      // Comparisons stop at a zero byte.
      {std::string("ZkL040A03271A2B/Te\0st\n", 22), "Test", nullptr},
      {std::string("\0ZkL040A03271A2B/Test\n", 22), "Test", nullptr},
  };
  for (const MatchCase &c : cases) {
    FormatId id{};
    const bool found = match_entry_line(c.line.c_str(), c.line.size(), c.name, &id);
    EXPECT_EQ(c.id != nullptr, found) << c.line;
    if (found && c.id != nullptr) {
      EXPECT_STREQ(c.id, id.text) << c.line;
    }
  }
}

TEST(MatchEntryLine, NeverReadsPastTheLine) {
  // Every prefix of a valid line, in a buffer of exactly its size.
  const std::string full = "ZkL_zkS12mm__040A03271A2B/Test";
  for (size_t n = 0; n < full.size(); ++n) {
    std::unique_ptr<char[]> exact(new char[n + 1]);
    std::memcpy(exact.get(), full.data(), n);
    exact[n] = '\0';
    FormatId id{};
    EXPECT_FALSE(match_entry_line(exact.get(), n, "Test", &id)) << n;
  }
}

TEST(FindFormatId, FirstMatchingLineWinsAndMissingFileIsNotFound) {
  TempDir dir;
  const std::string path = dir.path + "/zktvq310func";
  write_file(path,
             "[CustomTape]\n"
             "ZkL_zkS12mm__040A03271A2B/Test\n"
             "ZkL_zkS9mm___04070320FFFF/Test\n"
             "ZkL_zkS9mm___0507032FFFFF/Other\n");
  FormatId id{};
  EXPECT_EQ(1, find_format_id(path.c_str(), "Test", &id));
  EXPECT_STREQ("ZkL_zkS12mm__040A03271A2B", id.text);
  EXPECT_EQ(1, find_format_id(path.c_str(), "Other", &id));
  EXPECT_STREQ("ZkL_zkS9mm___0507032FFFFF", id.text);
  EXPECT_EQ(0, find_format_id(path.c_str(), "test", &id));
  EXPECT_EQ(0, find_format_id((dir.path + "/none").c_str(), "Test", &id));
}

}  // namespace
