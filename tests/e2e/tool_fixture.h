// A temporary directory with the built program linked under every program
// name and room for driver trees in "vantrel", as the end-to-end tests use
// it.
#ifndef ZKPT_TESTS_E2E_TOOL_FIXTURE_H
#define ZKPT_TESTS_E2E_TOOL_FIXTURE_H

#include <unistd.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "support/run_program.h"
#include "support/temp_tree.h"

using Args = std::vector<std::string>;

const char kSearchTexts[9][10] = {"lm210",  "lm230",   "lm260ka",
                                  "tv4400", "tvq310",  "tvq300",
                                  "tvq250e", "tvq220nf", "tvq200"};

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char *text : kSearchTexts) link_as("zkpapertoollpr_" + std::string(text));
    link_as("zkpapertoollpr_xxxx");
  }
  void link_as(const std::string &name) {
    ASSERT_EQ(0, ::symlink(TOOL_PATH, (dir.path + "/" + name).c_str()));
  }
  ModelPaths tree(const std::string &model, const DriverFiles &files) {
    return make_driver_tree(dir.path + "/vantrel", model, files, FAKE_COMPANION);
  }
  // Programs are started by their full path, which is also the name they
  // see (as under a memory checker, which starts them that way).
  std::string path_of(const std::string &name) const { return dir.path + "/" + name; }
  Args argv_for(const std::string &name, const Args &words) const {
    Args argv{path_of(name)};
    argv.insert(argv.end(), words.begin(), words.end());
    return argv;
  }
  // Runs the program under name (relative to the directory) with words.
  ProgramResult run(const std::string &name, const Args &words) {
    ProgramResult r = run_program(path_of(name), argv_for(name, words), dir.path);
    EXPECT_EQ("", r.err) << "nothing may go to standard error";
    return r;
  }
  TempDir dir;
};

#endif
