#include <string>

#include "front/paper_job.h"
#include "front/usage.h"
#include "gtest/gtest.h"
#include "support/expected_usage.h"
#include "support/run_program.h"

namespace {

std::string usage_for(const char *program) {
  PaperJob job{};
  select_model(program, &job);
  return capture_stdout(
      [](void *j) { print_usage(*static_cast<PaperJob *>(j)); }, &job);
}

TEST(PrintUsage, ShowsModelIdAndExamplePrinterForEveryModel) {
  const struct {
    const char *program;
    const char *model;
    const char *printer;
  } cases[] = {
      {"zkpapertoollpr_lm210", "lm210", ""},
      {"zkpapertoollpr_lm230", "lm230", ""},
      {"zkpapertoollpr_lm260ka", "lm260ka", ""},
      {"zkpapertoollpr_tv4400", "tv4400zd", "TV-4400ZD"},
      {"zkpapertoollpr_tvq310", "tvq310", "TV-Q310"},
      {"zkpapertoollpr_tvq300", "tvq300", "TV-Q300"},
      {"zkpapertoollpr_tvq250e", "tvq250e", "TVQ250E"},
      {"zkpapertoollpr_tvq220nf", "tvq220nf", "TVQ220nf"},
      {"zkpapertoollpr_tvq200", "tvq200", "TVQ200"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(expected_usage(c.model, c.printer), usage_for(c.program))
        << c.program;
  }
}

TEST(PrintUsage, RollModelLeavesTwoBlanksWhereThePrinterWouldBe) {
  const std::string text = usage_for("zkpapertoollpr_lm230");
  EXPECT_NE(std::string::npos, text.find("zkpapertoollpr_lm230 -P  -n New"));
  EXPECT_NE(std::string::npos, text.find("zkpapertoollpr_lm230 -P  -d New"));
}

}  // namespace
