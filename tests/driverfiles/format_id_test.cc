// Identifiers found again by name, never past the end of a line.
#include "driverfiles/format/format_id.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "driverfiles/model/model_files.h"
#include "gtest/gtest.h"
#include "support/fault_injection.h"
#include "support/temp_tree.h"

namespace {

TEST(MatchEntryLine, NeverReadsPastTheLine) {
  const std::string longest = "ZkL04" + std::string(94, '0');  // the longest identifier kept: 99 bytes
  // Lines without an identifier of the name before it; one told it ends a byte early, where the name no longer fits.
  const std::pair<std::string, size_t> others[] = {{"ZkL040A03271A2B/Test\n", 19}, {"Test\n", 5}, {"ZkL/Test\n", 9},
                                                   {"ZkL040A03271A2B:Test\n", 21}, {longest + "0/Test\n", 106}};
  FormatId id{};
  for (const auto &[line, len] : others) EXPECT_FALSE(match_entry_line(line.c_str(), len, "Test", &id)) << line;
  for (const std::string &found : {std::string("ZkL040A03271A2B"), longest}) {
    EXPECT_TRUE(match_entry_line((found + "/Test\n").c_str(), found.size() + 6, "Test", &id));
    EXPECT_EQ(found, id.text);
  }
  IdParts parts{};
  EXPECT_FALSE(parse_format_id("AkL040A03271A2B", 15, &parts));
}

TEST(FindFormatId, FirstExactNameWinsAndAFailingReadIsNoAbsence) {
  TempDir dir;
  const std::string file = dir.path + "/zkfunc";
  FormatId id{};
  write_file(file, "[CustomTape]\nZkL010A03271A2B/test\nZkL050A03271A2B/Tests\n"
                   "ZkL040A03271A2C/Test\nZkL040A03271A2D/Test\n");
  EXPECT_EQ(1, find_format_id(file.c_str(), "Test", &id));
  EXPECT_STREQ("ZkL040A03271A2C", id.text);
  for (const char *other : {"TEST", "Tes"}) EXPECT_EQ(0, find_format_id(file.c_str(), other, &id)) << other;
  EXPECT_EQ(0, find_format_id((dir.path + "/missing").c_str(), "Test", &id));
  // A failing read is no absence, even of a file whose first line holds the name.
  write_file(file, "ZkL040A03271A2C/Test\n");
  arm_fault(Call::kRead, 1, EIO), errno = 0;
  EXPECT_EQ(-1, find_format_id(file.c_str(), "Test", &id));
  EXPECT_EQ(EIO, errno);
  disarm_faults();
}

}  // namespace
