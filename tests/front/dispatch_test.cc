#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "front/dispatch.h"
#include "front/fake_operations.h"
#include "gtest/gtest.h"
#include "support/run_program.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
};

ToolRun run_tool(std::vector<std::string> words) {
  std::vector<const char *> argv;
  for (const std::string &w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);
  struct Ctx {
    std::vector<const char *> *argv;
    int status;
  } ctx{&argv, 0};
  const std::string out = capture_stdout(
      [](void *p) {
        Ctx *c = static_cast<Ctx *>(p);
        c->status = run_paper_tool(static_cast<int>(c->argv->size()) - 1,
                                   c->argv->data(), "/tmp/root-for-test");
      },
      &ctx);
  return {ctx.status, out};
}

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override { fake_operations() = FakeOperations{}; }
  FakeOperations &fake = fake_operations();
};

const char kTape[] = "zkpapertoollpr_tvq310";

std::string usage_head() { return "===========================\n LPRng"; }

TEST_F(Dispatch, UnknownOrMissingProgramNameIsInvalid) {
  ToolRun r = run_tool({"zkpapertoollpr_xxxx", "-P", "q", "-d", "A"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("zkpapertoollpr_xxxx is invalid.\n\n", r.out);
  r = run_tool({"/bin/50%s%n_tool"});
  EXPECT_EQ("/bin/50%s%n_tool is invalid.\n\n", r.out);
  r = run_tool({});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(" is invalid.\n\n", r.out);
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(Dispatch, FaultyRequestsShowUsageAndRunNothing) {
  const std::vector<std::vector<std::string>> requests = {
      {kTape},
      {kTape, "-P", "q"},
      {kTape, "-n", "A", "-w", "12", "-h", "50"},
      {kTape, "-P", "q", "-n", "A", "-w", "12", "-h", "50", "-d", "A"},
      {kTape, "-P", "q", "-n", "A", "-w", "12"},
      {kTape, "-P", "q", "-n", "A", "-h", "12"},
      {kTape, "-P", "q", "-w", "12", "-h", "12"},
      {kTape, "-P", "q", "-d", "A", "-w", "0"},
  };
  for (const auto &words : requests) {
    const ToolRun r = run_tool(words);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0u, r.out.find(usage_head())) << words.size();
  }
  EXPECT_TRUE(fake.calls.empty());
}

struct DeleteCase {
  int32_t result;
  int err;
  int status;
  std::string out;
};

TEST_F(Dispatch, DeleteRequestMapsResults) {
  const DeleteCase cases[] = {
      {0, 0, 0, ""},
      {1, 0, 0, "Not found 'A b'\n"},
      {-1, ENOSPC, -1, std::string(std::strerror(ENOSPC)) + "\n"},
      {-2, 0, -1, ""},
  };
  for (const DeleteCase &c : cases) {
    fake = FakeOperations{};
    fake.delete_result = c.result;
    fake.delete_errno = c.err;
    const ToolRun r = run_tool({kTape, "-Pxyz", "q", "-d", "A b", "-w", "12"});
    EXPECT_EQ(c.status, r.status) << c.result;
    EXPECT_EQ(c.out, r.out) << c.result;
    EXPECT_EQ((std::vector<std::string>{"lock", "delete", "unlock"}), fake.calls);
    ASSERT_EQ(1u, fake.jobs.size());
    EXPECT_STREQ("A b", fake.jobs[0].label_name);
    EXPECT_STREQ("q", fake.jobs[0].printer);
    EXPECT_EQ("/tmp/root-for-test", fake.root);
  }
}

struct AddCase {
  int32_t delete_result;
  int32_t add_result;
  int status;
  std::string out;
  std::vector<std::string> calls;
};

TEST_F(Dispatch, AddRequestDeletesFirstThenAdds) {
  const std::vector<std::string> both{"lock", "delete", "add", "unlock"};
  const std::vector<std::string> only_delete{"lock", "delete", "unlock"};
  const AddCase cases[] = {
      {0, 0, 0, "", both},
      {1, 0, 0, "", both},
      {1, -1, -1, "", both},
      {0, -2, -1, "", both},
      {-2, 0, -1, "", only_delete},
      {-1, 0, -1, std::string(std::strerror(EACCES)) + "\n", only_delete},
  };
  for (const AddCase &c : cases) {
    fake = FakeOperations{};
    fake.delete_result = c.delete_result;
    fake.add_result = c.add_result;
    fake.delete_errno = EACCES;
    const ToolRun r = run_tool({kTape, "-P", "q", "-n", "A", "-w", "12", "-h", "50"});
    EXPECT_EQ(c.status, r.status) << c.delete_result << " " << c.add_result;
    EXPECT_EQ(c.out, r.out);
    EXPECT_EQ(c.calls, fake.calls);
    // Each operation gets the parsed record, untouched by the one before.
    for (const PaperJob &job : fake.jobs) {
      EXPECT_EQ(10, job.width);
      EXPECT_EQ(50, job.height);
      EXPECT_EQ(70, job.pins);
      EXPECT_STREQ("_zkS12mm__", job.media_name);
      EXPECT_STREQ("tvq310", job.model);
    }
  }
}

TEST_F(Dispatch, LockFailureIsReportedAndNothingRuns) {
  fake.lock_result = -1;
  fake.lock_errno = ENOLCK;
  const ToolRun r = run_tool({kTape, "-P", "q", "-d", "A"});
  EXPECT_EQ(-1, r.status);
  EXPECT_EQ(std::string(std::strerror(ENOLCK)) + "\n", r.out);
  EXPECT_EQ(std::vector<std::string>{"lock"}, fake.calls);
}

}  // namespace
