// The JSON reader on documents of every kind: what it takes whole, and what it refuses, why and where.
#include "driverfiles/text/json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Row { std::string text, error; size_t at; };  // error empty: the whole text is one value

TEST(JsonReader, SkipsOneValueOrSaysWhatIsWrongAndWhere) {
  const std::string deep = std::string(65, '[') + std::string(65, ']');
  const Row rows[] = {
      {" {\"a\": [1, -2.5e+3, 0, 1E9, true, false, null, \"\\u00e9\\n\\/\"]} ", "", 0},
      {"-0.0e-1", "", 0}, {deep, "", 0}, {"[1", "the text ends where a value should be", 2},
      {"[" + deep + "]", "nested too deeply", 65},  // the 66th bracket
      {"[1 2]", "expected ',' or ']'", 3}, {"{1: 2}", "expected a string", 1}, {"\"\\ud800\"", "a lone surrogate", 1},
      {"{\"a\" 1}", "expected ':'", 5}, {"nul", "not a JSON value", 0}, {"1 1", "more text after the document", 2},
      {"\"a\x01\"", "a control character in a string", 2}, {"\"\\u00g0\"", "a \\u escape without four hex digits", 3},
      {"\"ab", "an unfinished string", 3}, {"\"\\", "an unfinished string", 2}, {"\"\\x\"", "an unknown escape", 3},
      {" ", "the text ends where a value should be", 1}, {"\"\\u00\"", "a \\u escape without four hex digits", 3},
      {"-", "a number without digits", 1}, {"1.", "a number without digits", 2}, {"1e", "a number without digits", 2},
      {"\"\\udbff\\udfff\"", "", 0},  // the highest pair
  };
  for (const Row &row : rows) {
    JsonReader r;
    start_json(&r, row.text.data(), row.text.size());
    const bool skipped = json_skip_value(&r);
    EXPECT_EQ(skipped, row.error.empty() || row.error == "more text after the document") << row.text;
    EXPECT_EQ(json_at_end(&r), row.error.empty()) << row.text;
    EXPECT_EQ(std::string(r.error ? r.error : ""), row.error) << row.text;
    EXPECT_EQ(r.error ? r.error_at : 0, row.at) << row.text;
  }
}

// Each call answers false itself where its value fails, not only later; numbers fit their buffer with the terminator.
TEST(JsonReader, EachCallFailsWhereItsValueDoes) {
  JsonReader r;
  start_json(&r, "[", 1);
  EXPECT_FALSE(json_take(&r, '{'));
  EXPECT_STREQ(r.error, "expected '{'");
  char out[4];
  bool whole = false;
  EXPECT_FALSE(json_take(&r, '[') || json_next(&r, ']', true) || json_read_number(&r, out, 4, &whole));
  size_t len = 0;
  for (const std::string text : {"1", "\"\\x\""}) {
    start_json(&r, text.data(), text.size());
    EXPECT_FALSE(json_read_string(&r, nullptr, 0, &len)) << text;
  }
  start_json(&r, "1e", 2);
  EXPECT_FALSE(json_read_number(&r, out, sizeof out, &whole));
  start_json(&r, "-123", 3);  // the text ends before the digit after it
  ASSERT_TRUE(json_read_number(&r, out, sizeof out, &whole));
  EXPECT_STREQ(out, "-12");
  EXPECT_TRUE(whole);
  start_json(&r, "1234", 4);
  EXPECT_FALSE(json_read_number(&r, out, sizeof out, &whole));
  EXPECT_STREQ(r.error, "a number too long");
}

}  // namespace
