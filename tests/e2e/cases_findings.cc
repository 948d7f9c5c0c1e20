// End-to-end rows: the check names every change the repair would make.
#include "e2e/cases.h"

// A setting whose format is gone but for an orphan paper-table line, held
// on two lines (a repair resets both with one change): found once.
void add_findings_cases(std::vector<Case> *rows) {
  const std::string id = "ZkL_zkS12mm__040A03271A2B", gone = "ZkL_zkS12mm__030A03210000";
  const std::string inf = "vantrel/tvq310/bin/inf/";
  const DriverFiles files = {"[CustomTape]\n" + id + "/Test\n", id + "/Test:\t70\t353\n" + gone + "/Gone:\t1\t2\n",
                             "Media=" + gone + "\nLast=" + gone + "\n", id + ":\t0.00\t0.00\t28.00\t141.52\n"};
  rows->push_back({"check_names_a_setting_of_an_orphan_line", "tvq310", {"--check"}, files, "orphan: " + gone + " in " +
                   inf + "paperinftvq310 has no entry\nstale setting: " + inf + "zktvq310rc selects " + gone + "\n",
                   1, std::nullopt, {}});
  rows->push_back({"check_json_names_a_setting_of_an_orphan_line", "tvq310", {"--check", "--json"}, files,
                   "{\"model\":\"tvq310\",\"findings\":[" + finding("orphan", inf + "paperinftvq310", gone, "null", true) +
                   "," + finding("stale-setting", inf + "zktvq310rc", gone, "null", true) + "]}\n", 1, std::nullopt, {}});
}
