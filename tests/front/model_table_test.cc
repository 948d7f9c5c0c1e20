#include <string>

#include "front/paper_job.h"
#include "gtest/gtest.h"

namespace {

struct ModelCase {
  const char *program;
  const char *model;
  int32_t kind;
};

TEST(SelectModel, FindsFirstRowWhoseTextIsInTheWholeName) {
  const ModelCase cases[] = {
      {"zkpapertoollpr_lm210", "lm210", 0},
      {"zkpapertoollpr_lm230", "lm230", 1},
      {"zkpapertoollpr_lm260ka", "lm260ka", 2},
      {"/usr/local/bin/zkpapertoollpr_tv4400", "tv4400zd", 3},
      {"zkpapertoollpr_tv4400zd", "tv4400zd", 3},
      {"zkpapertoollpr_tvq310", "tvq310", 3},
      {"zkpapertoollpr_tvq300", "tvq300", 3},
      {"zkpapertoollpr_tvq250e", "tvq250e", 3},
      {"zkpapertoollpr_tvq220nf", "tvq220nf", 3},
      {"zkpapertoollpr_tvq200", "tvq200", 3},
      // Two model texts: the earlier table row wins, wherever it stands.
      {"tvq200_lm230", "lm230", 1},
      {"/opt/vantrel/lm210/bin/zkpapertoollpr_tvq310", "lm210", 0},
      // "lm260" alone is no row; "lm260ka" is.
      {"xlm260kax", "lm260ka", 2},
  };
  for (const ModelCase &c : cases) {
    PaperJob job{};
    ASSERT_TRUE(select_model(c.program, &job)) << c.program;
    EXPECT_STREQ(c.model, job.model) << c.program;
    EXPECT_EQ(c.kind, job.kind) << c.program;
  }
}

TEST(SelectModel, RejectsNamesWithoutAModelText) {
  for (const char *program :
       {"", "zkpapertoollpr_xxxx", "zkpapertoollpr_LM210", "zkpapertoollpr_tv440",
        "zkpapertoollpr_lm260", "zkpapertoollpr_tvq250", "zkpapertoollpr_tvq220"}) {
    PaperJob job{};
    EXPECT_FALSE(select_model(program, &job)) << program;
    EXPECT_STREQ("", job.model);
    EXPECT_EQ(0, job.kind);
  }
}

}  // namespace
