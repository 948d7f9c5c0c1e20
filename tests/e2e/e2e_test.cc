// The built program run as a process under its real program names, in a
// directory holding a driver tree ("vantrel") and the fake companion tool.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "e2e/tool_fixture.h"
#include "support/expected_usage.h"

namespace {

const char kTapeId[] = "ZkL_zkS12mm__040A03271A2B";

DriverFiles sample_files() {
  return {"[Function]\n[CustomTape]\n" + std::string(kTapeId) + "/Test\nCut=1\n",
          std::string(kTapeId) + "/Test:\t70\t353\nA4:\t1\t2\n",
          "Media=" + std::string(kTapeId) + "\nDarkness=3",
          std::string(kTapeId) + ":\t0.00\t0.00\t28.00\t141.52\n"};
}

class EndToEnd : public ToolTest {
 protected:
  ModelPaths tree(const std::string &model, const DriverFiles &files = sample_files()) {
    return ToolTest::tree(model, files);
  }
};

TEST_F(EndToEnd, UnknownProgramNameIsInvalidWhateverFollows) {
  for (const Args &words : {Args{}, Args{"-P", "q", "-d", "Test"}}) {
    const ProgramResult r = run("zkpapertoollpr_xxxx", words);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(path_of("zkpapertoollpr_xxxx") + " is invalid.\n\n", r.out);
  }
}

TEST_F(EndToEnd, EveryProgramNameShowsItsOwnUsage) {
  const char *models[9] = {"lm210",  "lm230",   "lm260ka", "tv4400zd", "tvq310",
                           "tvq300", "tvq250e", "tvq220nf", "tvq200"};
  const char *printers[9] = {"", "", "", "TV-4400ZD", "TV-Q310",
                             "TV-Q300", "TVQ250E", "TVQ220nf", "TVQ200"};
  for (int i = 0; i < 9; ++i) {
    const ProgramResult r =
        run("zkpapertoollpr_" + std::string(kSearchTexts[i]), {"-P", "q"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(expected_usage(models[i], printers[i]), r.out) << models[i];
  }
}

TEST_F(EndToEnd, DirectoryPartOfTheNameCanSelectTheModel) {
  ASSERT_EQ(0, ::mkdir((dir.path + "/lm210").c_str(), 0755));
  link_as("lm210/zkpapertoollpr_tvq310");
  const ModelPaths roll = tree("lm210");
  const ProgramResult r = run("lm210/zkpapertoollpr_tvq310", {"-P", "q", "-d", "Test"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_EQ("MediaSize=29X1\nDarkness=3", read_file(roll.settings_file));
}

TEST_F(EndToEnd, DeleteRequestOutcomes) {
  const ModelPaths p = tree("tv4400zd");
  ProgramResult r = run("zkpapertoollpr_tv4400", {"-P", "q", "-d", "Nope"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("Not found 'Nope'\n", r.out);

  r = run("zkpapertoollpr_tv4400", {"-P", "q", "-d", "Test"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_EQ("[Function]\n[CustomTape]\nCut=1\n", read_file(p.function_file));
  EXPECT_EQ("A4:\t1\t2\n", read_file(p.paper_table));
  EXPECT_EQ("", read_file(p.imaging_area));
  EXPECT_EQ("Media=zkS12mm\nDarkness=3", read_file(p.settings_file));
  EXPECT_EQ((std::vector<Args>{{"-P", "q", "-d", "Nope", "-show", "1"},
                               {"-P", "q", "-d", "Test", "-show", "1"}}),
            companion_calls(p));

  set_companion_status(p, "3");
  r = run("zkpapertoollpr_tv4400", {"-P", "q", "-d", "Test"});
  EXPECT_EQ(255, r.status);
  EXPECT_EQ("", r.out);
}

TEST_F(EndToEnd, MissingImagingAreaIsReportedAsTheSystemError) {
  const ModelPaths p = tree("tvq200");
  ASSERT_EQ(0, ::unlink(p.imaging_area.c_str()));
  const ProgramResult r = run("zkpapertoollpr_tvq200", {"-P", "q", "-d", "Test"});
  EXPECT_EQ(255, r.status);
  EXPECT_EQ(std::string(std::strerror(ENOENT)) + "\n", r.out);
}

TEST_F(EndToEnd, AddReplacesAFormatOfTheSameName) {
  const ModelPaths p = tree("tvq310");
  const ProgramResult r =
      run("zkpapertoollpr_tvq310", {"-P", "q", "-n", "Test", "-w", "12", "-h", "50"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.out);
  const std::vector<Args> calls = companion_calls(p);
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ((Args{"-P", "q", "-d", "Test", "-show", "1"}), calls[0]);
  ASSERT_EQ(12u, calls[1].size());
  const std::string id = calls[1][9];
  EXPECT_EQ((Args{"-P", "q", "-n", "Test", "-w", "10", "-h", "50", "-specid", id,
                  "-show", "1"}),
            calls[1]);
  EXPECT_EQ("ZkL_zkS12mm__040A032", id.substr(0, 20));
  EXPECT_EQ("[Function]\n[CustomTape]\n" + id + "/Test\nCut=1\n", read_file(p.function_file));
  EXPECT_EQ("A4:\t1\t2\n" + id + "/Test:\t70\t353\n", read_file(p.paper_table));
  EXPECT_EQ("Media=zkS12mm\nDarkness=3", read_file(p.settings_file));
  EXPECT_EQ(id + ":\t0.00\t0.00\t28.00\t141.52\n", read_file(p.imaging_area));
}

TEST_F(EndToEnd, RollAddThenDeleteOnEveryRollModel) {
  for (const char *model : {"lm210", "lm230", "lm260ka"}) {
    const ModelPaths p = tree(model, {"[CustomTape]\n", "", "MediaSize=62X100\n", ""});
    const std::string name = "zkpapertoollpr_" + std::string(model);
    ProgramResult r = run(name, {"-P", "q", "-n", "Roll", "-w", "62", "-h", "100"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("", r.out);
    const std::string id = companion_calls(p)[1][9];
    EXPECT_EQ("ZkL043E064", id.substr(0, 10)) << model;
    EXPECT_EQ(15u, id.size());
    EXPECT_EQ(id + "/Roll:\t695\t1108\n", read_file(p.paper_table));
    EXPECT_EQ(id + ":\t0.00\t0.00\t0.00\t283.03\n", read_file(p.imaging_area));
    r = run(name, {"-P", "q", "-d", "Roll"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("", r.out) << model;
    EXPECT_EQ("[CustomTape]\n", read_file(p.function_file));
    EXPECT_EQ("", read_file(p.paper_table));
    EXPECT_EQ("", read_file(p.imaging_area));
  }
}

TEST_F(EndToEnd, AddCompanionFailureChangesNothing) {
  const ModelPaths p = tree("tvq250e");
  set_companion_status(p, "kill");
  const ProgramResult r =
      run("zkpapertoollpr_tvq250e", {"-P", "q", "-n", "X", "-w", "9", "-h", "30"});
  EXPECT_EQ(255, r.status);
  EXPECT_EQ("", r.out);
  expect_driver_files(sample_files(), p);
}

TEST_F(EndToEnd, HostileNamesReachTheCompanionToolLiterally) {
  const ModelPaths p = tree("tvq220nf");
  const std::string canary = dir.path + "/canary";
  const std::vector<std::string> names = {
      "two words", "\"dq\"", "'sq'", "$HOME", "`touch canary`",
      "$(touch canary)", ";touch canary", "|touch canary", "&touch canary",
      "*?[a]", "-n", "back\\slash", "\xc3\x28\xff", "~root", "#hash",
      "a\tb", ">canary", "<x", "!", "%s%n", "{a,b}", "..", "/", std::string(32, 'L'),
      "${IFS}x", "$((1+1))", "\\\"", "'\"'\"'", "\x01\x7f", "--", "-P", "a\rb",
      "\xe5\x90\x8d\xe5\x89\x8d", "$(touch canary)`touch canary`;&|"};
  for (const std::string &name : names) {
    ProgramResult r = run("zkpapertoollpr_tvq220nf",
                          {"-P", name, "-n", name, "-w", "12", "-h", "50"});
    EXPECT_EQ(0, r.status) << name;
    EXPECT_EQ("", r.out) << name;
    EXPECT_NE(std::string::npos, read_file(p.paper_table).find("/" + name + ":\t70\t353\n"))
        << name;
    r = run("zkpapertoollpr_tvq220nf", {"-P", name, "-d", name});
    EXPECT_EQ("", r.out) << name;
  }
  const std::vector<Args> calls = companion_calls(p);
  ASSERT_EQ(3 * names.size(), calls.size());
  for (size_t i = 0; i < names.size(); ++i) {
    for (size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(names[i], calls[3 * i + c][1]);
      EXPECT_EQ(names[i], calls[3 * i + c][3]);
    }
  }
  EXPECT_FALSE(file_exists(canary));
  EXPECT_EQ(sample_files().paper_table, read_file(p.paper_table));
}

TEST_F(EndToEnd, LongestPrinterNameRunsTheWholeCommand) {
  const ModelPaths p = tree("tvq300");
  const std::string printer(1024, 'P');
  const ProgramResult r = run("zkpapertoollpr_tvq300", {"-P", printer, "-d", "Test"});
  EXPECT_EQ(0, r.status);
  ASSERT_EQ(1u, companion_calls(p).size());
  EXPECT_EQ(printer, companion_calls(p)[0][1]);
}

}  // namespace
