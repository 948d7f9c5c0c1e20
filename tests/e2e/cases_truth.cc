// End-to-end rows: every failure of the companion tool says what failed, the check's findings beside and inside the
// files, the listing of a model that is not there, and the check as a monitoring plugin.
#include "e2e/cases.h"

namespace {

const std::string kId = "ZkL_zkS12mm__040A03271A2B", kGone = "ZkL_zkS12mm__030A03210000";  // "Test", 10 x 50 mm
// An identifier with a tab and an escape sequence in its media part, and as the check shows it.
const std::string kOdd = "ZkL_zk\t\x1B[1m__0C0A06421F3C", kOddShown = "ZkL_zk\\t\\x1B[1m__0C0A06421F3C";
const DriverFiles kTape = holding({{"Test", kId}});
const Args kDelete = {"-P", "q", "-d", "Test"}, kCheck = {"--check"}, kCheckJson = {"--check", "--json"};
const Args kRepair = {"--repair", "-P", "q"}, kMonitor = {"--check", "--monitoring"};

}  // namespace

void add_truth_cases(std::vector<Case> *rows) {
  const std::string broken = "ZkL_zkS12mm__040A0327GA2B";  // a hex digit lost
  const std::string long_name(300, 'n'), long_id = "ZkL_zkS12mm__2C0A03271A2C";
  const DriverFiles long_names = holding({{std::string(240, 'n'), "ZkL_zkS12mm__F00A03271A2B"}, {long_name, long_id}});
  const DriverFiles damaged = holding({{"Test", broken}, {"Cut", "ZkL_zkS12mm__040A03271A2"}}, "", {{"Test", broken}});
  const std::string damage =
      checked("damaged entry: " + broken + " 'Test' at byte 13 of " + kInf + "zktvq310func", "damaged-entry") +
      checked("damaged entry: ZkL_zkS12mm__040A03271A2 'Cut' at byte 44 of " + kInf + "zktvq310func", "damaged-entry");
  DriverFiles orphans = holding({{"T;|st", kId}});
  std::string shown = checked("length digits: " + kId + " 'T\\x3B\\x7Cst' is 5 bytes long", "length-digits");
  for (int i = 10; i < 31; ++i) {
    orphans.paper_table += "ZkL_zkS12mm__030A032100" + std::to_string(i) + "/O:\t1\t2\n";
    if (i < 29) shown += checked("orphan: ZkL_zkS12mm__030A032100" + std::to_string(i) + " in " + kInf +
                                 "paperinftvq310 has no entry", "orphan", true);
  }
  rows->insert(rows->end(), {
      // A failure of the companion tool: which tool, and how; a dry run foresees one that cannot be started.
      {"delete_companion_not_executable", "tvq310", kDelete, kTape, "", 255, kSame, {}, {"plain-companion"},
       kMe + kTool + ": Permission denied\n"},
      {"ensure_companion_fails", "tvq310", {"--ensure", "-P", "q", "-n", "New", "-w", "12", "-h", "50"}, kTape, "", 255,
       kSame, {deleting("New")}, {"companion=3"}, kMe + kTool + ": exited with status 3\n"},
      {"dry_run_delete_companion_missing", "tvq310", {"--dry-run", "-P", "q", "-d", "Test"}, kTape, "", 255, kSame, {},
       {"no-companion"}, kMe + kTool + ": No such file or directory\n"},
      {"dry_run_add_companion_not_executable", "tvq310", {"--dry-run", "-P", "q", "-n", "New", "-w", "12", "-h", "50"},
       kTape, "", 255, kSame, {}, {"plain-companion"}, kMe + kTool + ": Permission denied\n"},
      {"dry_run_repair_companion_missing", "tvq310", {"--dry-run", "--repair", "-P", "q"}, {kTape.function_file, "",
       "", ""}, "not removed: " + kId + " 'Test': the companion tool failed\n", 255, kSame, {}, {"no-companion"},
       kMe + kTool + ": No such file or directory\n"},
      // A listing that fails prints no document.
      {"list_json_not_installed", "tvq310", {"--list", "--json"}, {}, "", 255, kSame, {}, {"not-installed"},
       kMe + "vantrel/tvq310/bin/inf: not installed\n"},
      // What the check finds beside the files and in damaged entry lines; names of any length are counted whole.
      {"check_companion_missing_and_a_temporary_copy", "tvq310", kCheck, kTape,
       checked("missing: " + kTool, "missing") + checked("temporary copy: " + kInf + "zktvq310func.$$$", "temporary",
       true), 1, kSame, {}, {"no-companion", "temporary:func"}},
      {"check_companion_not_executable", "tvq310", kCheck, kTape, checked("not executable: " + kTool, "not-executable"),
       1, kSame, {}, {"plain-companion"}},
      {"check_json_companion_not_executable_and_a_temporary_copy", "tvq310", kCheckJson, kTape, document(finding(
       "not-executable", kTool, "null", "null", false) + "," + finding("temporary", kInf + "ImagingArea.$$$", "null",
       "null", true)), 1, kSame, {}, {"plain-companion", "temporary:imaging"}},
      {"check_damaged_entries", "tvq310", kCheck, damaged, damage, 1},
      {"check_json_damaged_entry", "tvq310", kCheckJson, holding({{"Test", broken}}),
       document(finding("damaged-entry", kInf + "zktvq310func", broken, "Test", false)), 1},
      // A setting held twice, its format gone but for an orphan line: named once, as one change resets both.
      {"check_json_names_a_setting_of_an_orphan_line", "tvq310", kCheckJson, {kTape.function_file,
       kTape.paper_table + kGone + "/Gone:\t1\t2\n", "Media=" + kGone + "\nLast=" + kGone + "\n", kTape.imaging_area},
       document(finding("orphan", kInf + "paperinftvq310", kGone, "null", true) + "," + finding("stale-setting",
       kInf + "zktvq310rc", kGone, "null", true)), 1},
      // A selected format the repair removes: its setting is named, as the repair resets it.
      {"check_names_the_setting_of_an_incomplete_format", "tvq310", kCheck, {kTape.function_file, kTape.paper_table,
       "Media=" + kId + "\n", ""}, checked("incomplete: " + kId + " 'Test' has no line in " + kInf + "ImagingArea",
       "incomplete", true) + checked("stale setting: " + kInf + "zktvq310rc selects " + kId, "stale-setting", true), 1},
      {"dry_run_repair_shows_a_temporary_copy_removed", "tvq310", {"--dry-run", "--repair", "-P", "q"}, kTape,
       "removed temporary copy: " + kInf + "zktvq310func.$$$\n", 0, kSame, {}, {"temporary:func"}},
      // A repair's lines escape an identifier as the check's do.
      {"repair_escapes_identifiers", "tvq310", kRepair, {kTape.function_file, kTape.paper_table + kOdd + "/Gone:\t1\t2\n",
       "Media=" + kOdd + "\n", kTape.imaging_area}, "removed orphan: " + kOddShown + " from " + kInf + "paperinftvq310\n"
       "reset setting: " + kInf + "zktvq310rc from " + kOddShown + "\n", 0, holding({{"Test", kId}}, "Media=zkS12mm\n")},
      {"repair_leaves_damaged_entries", "tvq310", kRepair, damaged, "", 1},
      // ... and the lines of a damaged entry's format, which may be restored.
      {"repair_leaves_the_lines_a_damaged_entry_may_own", "tvq310", kRepair, {"[CustomTape]\n" + broken + "/Test\n",
       kTape.paper_table, "Media=" + kId + "\n", kTape.imaging_area}, "", 1},
      // Without the marker the repair mends nothing, and the check says so of each finding.
      {"check_of_a_tree_without_its_marker", "tvq310", kCheck, {kId + "/Test\n", kTape.paper_table + kGone +
       "/Gone:\t1\t2\n", "Media=" + kGone + "\n", ""}, checked("no marker: " + kInf + "zktvq310func", "no-marker") +
       checked("incomplete: " + kId + " 'Test' has no line in " + kInf + "ImagingArea", "incomplete") + checked(
       "orphan: " + kGone + " in " + kInf + "paperinftvq310 has no entry", "orphan") + checked("stale setting: " +
       kInf + "zktvq310rc selects " + kGone, "stale-setting"), 1},
      {"check_names_of_any_length", "tvq310", kCheck, long_names,
       checked("length digits: " + long_id + " '" + long_name + "' is 300 bytes long", "length-digits"), 1},
      // The check as a monitoring plugin: every finding counts.
      {"monitoring_ok", "tvq310", kMonitor, kTape,
       "ZKPAPERTOOLLPR OK - tvq310: formats 1, findings 0 | formats=1;;;0 findings=0;0;;0 intents=0;;;0\n", 0},
      {"monitoring_warns_of_any_finding", "tvq310", kMonitor, damaged,
       monitored("0", 3, checked("missing: " + kTool, "missing") + damage), 1, kSame, {}, {"no-companion"}},
      {"monitoring_names_its_one_finding", "tvq310", kMonitor, kTape, monitored("1", 1, checked("missing: " + kTool,
       "missing")), 1, kSame, {}, {"no-companion"}},
      // Twenty findings shown; a "|" in a name escaped so it starts no performance data, a ";" as engines keep none.
      {"monitoring_shows_twenty_findings", "tvq310", kMonitor, orphans,
       monitored("1", 22, shown, 0, "and 2 more (--check shows them all)\n"), 1},
      {"monitoring_output_unwritable", "tvq310", kMonitor, kTape, "", 3, kSame, {}, {"stdout=full"},
       kMe + "standard output: No space left on device\n"},
      {"monitoring_not_installed", "tvq310", kMonitor, {}, "ZKPAPERTOOLLPR CRITICAL - tvq310: vantrel/tvq310/bin/inf"
       ": not installed\n", 2, kSame, {}, {"not-installed"}},
      {"monitoring_unreadable", "tvq310", kMonitor, kTape, "ZKPAPERTOOLLPR CRITICAL - tvq310: " + kInf +
       "zktvq310func: Is a directory\n", 2, kSame, {}, {"directory:func"}},
      {"monitoring_usage", "tvq310", {"--check", "--monitoring", "x"}, kTape,
       "ZKPAPERTOOLLPR UNKNOWN - usage: zkpapertoollpr_tvq310 --check --monitoring\n", 3},
  });
}
