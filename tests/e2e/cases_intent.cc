// End-to-end rows of interrupted requests: the companion stand-in cuts a request short just after it answered (as a
// power cut would), and the row's run shows what the intent record makes of it. Both sides agree in the end: the
// companion's calls against the files.
#include <cstdint>
#include <cstdio>

#include "e2e/cases.h"

namespace {

const std::string kOld = "ZkL_zkS12mm__040A03271A2B";         // "Test", 10 x 50 mm
const std::string kBox = tape("Box 12x50").id, kTest = tape("Test").id;  // as added, "Test" as added again
const std::string kBox2 = "ZkL_zkS12mm__090A03??????";        // "Box 12x50", as an apply run again adds it
const std::string kRecord = kInf + "zkpapertoollpr.intent";
const DriverFiles kTape = holding({{"Test", kOld}}, "Media=" + kOld + "\n");
// kTape and "Box 12x50" under id, its entry first.
DriverFiles with_box(const std::string &id) {
  return holding({{"Box 12x50", id}, {"Test", kOld}}, kTape.settings_file, {{"Test", kOld}, {"Box 12x50", id}});
}
const Args kRepair = {"--repair", "-P", "q"};
const std::string kAddBox = "run:-P|q|-n|Box 12x50|-w|12|-h|50", kDeleteTest = "run:-P|q|-d|Test";
const std::vector<std::string> kApplyBox = {"input={\"formats\":[{\"name\":\"Box 12x50\",\"width\":12,\"height\":50}]}",
                                            "run:--apply|in.json|-P|q|--keep-others"};
const std::string kDamaged = "intent=zkpapertoollpr intent 1\nmodel tvq310\n";
// What --check finds in a record not whole or of another model, and what a request or repair says of it.
const std::string kNotOurs = checked("damaged intent: " + kRecord + " is not a record this tool wrote for this model",
                                    "damaged-intent");
const std::string kUntouched = kRecord + ": not an intent record this tool wrote for this model; nothing was changed\n";
const std::string kByHand = "kind 3\nrequest delete\nprinter 3:a\nb\nname 4:Test\nmedia 0:\nsize 10 50 70\n";
const std::string kCutId = "ZkL_zkS12mm__040A03271A2C";  // an add of "Test" cut after its first rename
const std::string kCutAdd = "kind 3\nrequest add " + kCutId + "\nprinter 1:q\nname 4:Test\nmedia 10:_zkS12mm__\n"
                            "size 10 50 70\n";

const std::string kWrong = "ZkL_zkS12mm__050A03271A2B";  // "Test" with length digits the lookup does not take
const std::string kTest60 = "ZkL_zkS12mm__040A03C?????";  // "Test", 10 x 60 mm, as --ensure adds it
const std::string kTest60b = "ZkL_zkS12mm__040A03??????";  // the same, as a repair's apply adds it again
const std::string kApplied = "kind 3\nrequest apply 1 1\nprinter 1:q\nformat 4:Test 10:_zkS12mm__ 10 50 70\n";

// The copies a run cut short at the companion left (an add's three, a
// delete's four), each as a line after text, or as JSON findings.
std::string copies(const std::string &text, bool del, bool json = false) {
  std::string all;
  for (const std::string file : {"zktvq310func", "paperinftvq310", "zktvq310rc", "ImagingArea"}) {
    const std::string path = kInf + file + ".$$$";
    if (!del && file == "zktvq310rc") continue;
    all += json ? "," + finding("temporary", path, "null", "null", true)
                : text == "temporary copy: " ? checked(text + path, "temporary", true) : text + path + "\n";
  }
  return all;
}

// What a refused request says of an interrupted one, or with kind the check.
std::string interrupted(const std::string &request, const std::string &kind = "") {
  const std::string line = request + " on printer q was interrupted after the companion may have been asked";
  return kind.empty() ? line + ": run --repair\n" : checked(line, kind, true);
}

// The setup word of a record laid out as intent_record.h documents it for
// model, the checksum (FNV-1a, 64 bits) computed here.
std::string record(const std::string &model, const std::string &body) {
  const std::string text = "zkpapertoollpr intent 1\nmodel " + model + "\n" + body;
  uint64_t sum = 14695981039346656037ULL;
  for (const unsigned char c : text) sum = (sum ^ c) * 1099511628211ULL;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llX", static_cast<unsigned long long>(sum));
  return "intent=" + text + "sum " + hex + "\n";
}

// A row on tvq310 run after the earlier runs, the companion answering
// with statuses ("parent": the run is cut short once it answered).
Case cut(const std::string &what, const Args &args, const DriverFiles &before, const std::string &statuses,
         std::vector<std::string> runs, const std::string &out, int status, std::optional<DriverFiles> after,
         const std::vector<Args> &calls, bool open, const std::string &err = "") {
  runs.insert(runs.begin(), "companion=" + statuses);
  return {what, "tvq310", args, before, out, status, after, calls, runs, err, open};
}

}  // namespace

void add_intent_cases(std::vector<Case> *rows) {
  const Args box = adding_call("Box 12x50", kBox), test = adding_call("Test", kTest);
  const Args del_box = deleting("Box 12x50"), del_test = deleting("Test");
  const Args test60 = adding_call("Test", kTest60, "60"), test60b = adding_call("Test", kTest60b, "60");
  const std::string open_add = interrupted("an add of 'Box 12x50'"), ensure60 = "run:--ensure|-P|q|-n|Test|-w|12|-h|60";
  const std::string refused = kMe + kRecord + ": holds an interrupted request: run --repair\n";
  const std::string checked_add = interrupted("an add of 'Box 12x50'", "interrupted-add"),
                    checked_apply = interrupted("an apply of 1 format", "interrupted-apply");
  const DriverFiles moved = {"[CustomTape]\n", "", "Media=" + kOld + "\n", ""};
  const std::string moved_apply = record("tvq310", kApplied + "selection " + kOld + " 0\n");
  const DriverFiles unselected = {kTape.function_file, kTape.paper_table, "", kTape.imaging_area};
  const DriverFiles emptied = {"[CustomTape]\n", "", "Media=zkS12mm\n", ""};
  const DriverFiles replaced = holding({{"Test", kTest}}, "Media=zkS12mm\n");
  const DriverFiles selected = holding({{"Test", kTest}}, "Media=" + kTest + "\n");
  const std::string left = "removed temporary copy: ", seen = "temporary copy: ";
  rows->insert(rows->end(), {
      cut("interrupted_add_checked", {"--check"}, kTape, "0 parent", {kAddBox}, checked_add + copies(seen, false), 1,
          kSame, {del_box, box}, true),
      cut("interrupted_add_monitored", {"--check", "--monitoring"}, kTape, "0 parent", {kAddBox}, monitored("1", 4,
          checked_add + copies(seen, false), 1), 1, kSame, {del_box, box}, true),
      cut("interrupted_add_checked_json", {"--check", "--json"}, kTape, "0 parent", {kAddBox}, document(finding(
          "interrupted-add", kRecord, kBox, "Box 12x50", true) + copies("", false, true)), 1, kSame, {del_box, box}, true),
      cut("interrupted_add_repaired", kRepair, kTape, "0 parent 0", {kAddBox}, "finished: an add of 'Box 12x50' "
          "on printer q\n" + copies(left, false), 0, with_box(kBox), {del_box, box, del_box, box}, false),
      cut("interrupted_replace_repaired", kRepair, kTape, "0 parent 0", {"run:-P|q|-n|Test|-w|12|-h|50"}, "finished: "
          "an add of 'Test' on printer q\n" + copies(left, false), 0, replaced, {del_test, test, del_test, test}, false),
      // --ensure's replacement (an apply of one format) cut once the companion added it, nothing renamed: the
      // repair's apply replaces it again, moving the selection on as the run would.
      cut("interrupted_ensure_of_the_selection_repaired", kRepair, kTape, "0 parent 0", {ensure60},
          "finished: an apply of 1 format on printer q\n" + copies(left, true), 0, holding({{"Test", kTest60b,
          "70\t424", "28.00\t169.82"}}, "Media=" + kTest60b + "\n"), {del_test, test60, del_test, test60b}, false),
      cut("interrupted_ensure_of_the_selection_checked", {"--check"}, kTape, "0 parent", {ensure60},
          checked_apply + copies(seen, true), 1, kSame, {del_test, test60}, true),
      // The entry of the name an apply (an --ensure) decides on, which the lookup does not take, is the one the
      // repair's apply replaces, its selection following.
      cut("ensure_intent_replaces_the_decided_entry", kRepair, holding({{"Test", kWrong, "70\t353", "1", ""}},
          "Media=" + kWrong + "\n"), "0", {record("tvq310", kApplied)}, "finished: an apply of 1 format on printer q\n",
          0, selected, {del_test, test}, false),
      cut("interrupted_apply_checked", {"--check"}, kTape, "0 parent", kApplyBox,
          checked_apply + copies(seen, false), 1, kSame, {del_box, box}, true),
      cut("interrupted_apply_checked_json", {"--check", "--json"}, kTape, "0 parent", kApplyBox, document(finding(
          "interrupted-apply", kRecord, "null", "null", true) + copies("", false, true)), 1, kSame, {del_box, box}, true),
      // The apply run again asks the companion to delete the name before it adds it anew.
      cut("interrupted_apply_repaired", kRepair, kTape, "0 parent 0", kApplyBox,
          "finished: an apply of 1 format on printer q\n" + copies(left, false), 0, with_box(kBox2),
          {del_box, box, del_box, adding_call("Box 12x50", kBox2)}, false),
      cut("interrupted_delete_checked_json", {"--check", "--json"}, unselected, "parent", {kDeleteTest}, document(
          finding("interrupted-delete", kRecord, "null", "Test", true) + copies("", true, true)), 1, kSame, {del_test}, true),
      cut("interrupted_delete_repaired", kRepair, unselected, "parent 0", {kDeleteTest}, "finished: a delete of 'Test' "
          "on printer q\n" + copies(left, true), 0, holding({}), {del_test, del_test}, false),
      cut("interrupted_delete_of_selection_checked", {"--check"}, kTape, "parent", {kDeleteTest},
          interrupted("a delete of 'Test'", "interrupted-delete") + copies(seen, true), 1, kSame, {del_test}, true),
      cut("interrupted_delete_of_selection_repaired", kRepair, kTape, "parent 0", {kDeleteTest},
          "finished: a delete of 'Test' on printer q\n" + copies(left, true), 0, emptied, {del_test, del_test}, false),
      cut("interrupted_repair_finished_by_the_next", kRepair, kTape, "0 parent 0 parent 0",
          {kAddBox, "run:--repair|-P|q"}, "finished: an add of 'Box 12x50' on printer q\n" + copies(left, false), 0,
          with_box(kBox), {del_box, box, del_box, box, del_box, box}, false),
      cut("open_intent_refuses_a_request", {"-P", "q", "-d", "Test"}, kTape, "0 parent 0", {kAddBox}, open_add, 255,
          kSame, {del_box, box}, true, refused),
      cut("open_apply_intent_refuses_a_request", {"-P", "q", "-d", "Test"}, kTape, "0 parent 0", kApplyBox,
          interrupted("an apply of 1 format"), 255, kSame, {del_box, box}, true, refused),
      cut("open_intent_refuses_a_satisfied_ensure", {"--ensure", "-P", "q", "-n", "Test", "-w", "12", "-h", "50"},
          kTape, "0 parent 0", {kAddBox}, open_add, 255, kSame, {del_box, box}, true, refused),
      cut("open_intent_refuses_an_apply", {"--apply", "in.json", "-P", "q"}, kTape, "0 parent 0",
          {kAddBox, "input={\"formats\":[]}"}, open_add, 255, kSame, {del_box, box}, true, refused),
      cut("dry_run_shows_an_open_intent_finished", {"--dry-run", "--repair", "-P", "q"}, kTape, "0 parent 0",
          {kAddBox}, kRun + "-d 'Box 12x50' -show 1\n" + kRun + "-n 'Box 12x50' -w 10 -h 50 -specid " + kBox +
          " -show 1\nfinished: an add of 'Box 12x50' on printer q\n" + copies(left, false) + diff("zktvq310func", "-1,2 +1,3") +
          " [CustomTape]\n+" + kBox + "/Box 12x50\n " + kOld + "/Test\n" + diff("paperinftvq310", "-1 +1,2") + " " +
          kOld + "/Test:\t70\t353\n+" + kBox + "/Box 12x50:\t70\t353\n" + diff("ImagingArea", "-1 +1,2") + " " + kOld +
          ":\t0.00\t0.00\t28.00\t141.52\n+" + kBox + ":\t0.00\t0.00\t28.00\t141.52\n", 0, kSame, {del_box, box}, true),
      // A record written by hand as documented is read byte for byte; one
      // of another model, or not whole, is never acted on.
      cut("hand_written_intent_repaired", kRepair, kTape, "0", {record("tvq310", kByHand)},
          "finished: a delete of 'Test' on printer a\\x0Ab\n", 0, emptied, {deleting("Test", "a\nb")}, false),
      cut("add_cut_after_its_first_rename_repaired", kRepair, {"[CustomTape]\n" + kCutId + "/Test\n", "", "", ""},
          "0", {record("tvq310", kCutAdd)}, "finished: an add of 'Test' on printer q\n", 0,
          holding({{"Test", kCutId}}), {del_test, adding_call("Test", kCutId)}, false),
      cut("dry_run_of_an_add_cut_after_its_first_rename", {"--dry-run", "--repair", "-P", "q"},
          {"[CustomTape]\n" + kCutId + "/Test\n", "", "", ""}, "0", {record("tvq310", kCutAdd)}, kRun +
          "-d Test -show 1\n" + kRun + "-n Test -w 10 -h 50 -specid " + kCutId + " -show 1\nfinished: an add of 'Test'"
          " on printer q\n" + diff("zktvq310func", "-1,2 +1,2") + " [CustomTape]\n-" + kCutId + "/Test\n+" + kCutId +
          "/Test\n" + diff("paperinftvq310", "-0,0 +1") + "+" + kCutId + "/Test:\t70\t353\n" +
          diff("ImagingArea", "-0,0 +1") + "+" + kCutId + ":\t0.00\t0.00\t28.00\t141.52\n", 0, kSame, {}, true),
      // The recorded identifier held by another format: the repeat stops, the record stays.
      {"repeated_add_finds_its_identifier_taken", "tvq310", kRepair, holding({{"Other", kCutId, "1\t2", "1", ""}}), "",
       255, kSame, {del_test}, {"companion=0", record("tvq310", kCutAdd)}, kMe + "File exists\n", true},
      // A finished apply repeated from its record asks nothing and changes nothing.
      cut("hand_written_apply_intent_repaired", kRepair, kTape, "0", {record("tvq310", kApplied)},
          "finished: an apply of 1 format on printer q\n", 0, kSame, {}, false),
      // A selection the apply moved ahead of its format: the repair moves it on, as the check says.
      cut("apply_intent_of_a_moved_selection_checked_json", {"--check", "--json"}, moved, "0", {moved_apply},
          document(finding("interrupted-apply", kRecord, "null", "null", true) + ",{\"kind\":\"stale-setting\",\"file\":\""
          + kInf + "zktvq310rc\",\"id\":\"" + kOld + "\",\"name\":null,\"repairable\":true,\"repair\":\"moves the selection "
          "to the new 'Test'\"}"), 1, kSame, {}, true),
      cut("apply_intent_of_a_moved_selection_checked", {"--check"}, moved, "0", {moved_apply}, checked_apply +
          "stale setting: " + kInf + "zktvq310rc selects " + kOld +
          " (repair: moves the selection to the new 'Test')\n", 1, kSame, {}, true),
      cut("apply_intent_of_a_moved_selection_repaired", kRepair, moved, "0", {moved_apply}, "finished: an apply of 1 "
          "format on printer q\n", 0, selected, {del_test, test}, false),
      // Beside it, an orphan line goes and a second stale setting is reset.
      cut("apply_intent_of_a_moved_selection_repaired_beside_orphans", kRepair, {"[CustomTape]\n",
          "ZkL_zkS9mm___05070320AAAA/Gone:\t1\n", "Media=" + kOld + "\nMedia=ZkL_zkS9mm___05070320FFFF\n", ""}, "0",
          {moved_apply}, "finished: an apply of 1 format on printer q\n", 0,
          holding({{"Test", kTest}}, "Media=" + kTest + "\nMedia=zkS12mm\n"), {del_test, test}, false),
      cut("apply_intent_of_a_one_letter_name_checked", {"--check"}, kTape, "0",
          {record("tvq310", kApplied.substr(0, 44) + "1:T" + kApplied.substr(50))}, checked_apply, 1, kSame, {}, true),
      cut("apply_intent_of_an_empty_name_checked", {"--check"}, kTape, "0",
          {record("tvq310", kApplied.substr(0, 44) + "0:" + kApplied.substr(50))}, kNotOurs, 1, kSame, {}, true),
      cut("apply_intent_keeping_others_twice_checked", {"--check"}, kTape, "0",
          {record("tvq310", "kind 3\nrequest apply 2" + kApplied.substr(22))}, kNotOurs, 1, kSame, {}, true),
      cut("intent_of_another_model_checked", {"--check"}, kTape, "0", {record("tvq300", kByHand)}, kNotOurs, 1, kSame, {}, true),
      cut("intent_of_a_width_beyond_64_bits_checked", {"--check"}, kTape, "0", {record("tvq310", kByHand.substr(0, 62) +
          "99999999999999999999 50 70\n")}, kNotOurs, 1, kSame, {}, true),
      {"damaged_intent_checked", "tvq310", {"--check"}, kTape, kNotOurs, 1, kSame, {}, {kDamaged}, "", true},
      {"damaged_intent_checked_json", "tvq310", {"--check", "--json"}, kTape, document(finding("damaged-intent",
       kRecord, "null", "null", false)), 1, kSame, {}, {kDamaged}, "", true},
      {"damaged_intent_stops_the_repair", "tvq310", kRepair, kTape, "", 255, kSame, {}, {kDamaged}, kMe + kUntouched, true},
      {"damaged_intent_refuses_a_request", "tvq310", {"-P", "q", "-d", "Test"}, kTape, kUntouched, 255, kSame, {},
       {kDamaged}, kMe + kUntouched, true},
  });
  // Whatever else stands at the record's path is a damaged record, told at once: no read of it waits or
  // grows without end, and the listing does not look at it.
  for (const std::string garbage : {"dir", "fifo", "zero", "dangling", "sparse"}) {
    const std::vector<std::string> at = {"intent-" + garbage};
    rows->push_back({"listed_beside_an_intent_" + garbage, "tvq310", {"--list"}, kTape,
                     "Test\t12x50\t_zkS12mm__\t" + kOld + "\tcomplete\n", 0, kSame, {}, at, "", true});
    rows->push_back({"intent_" + garbage + "_checked", "tvq310", {"--check"}, kTape, kNotOurs, 1, kSame, {}, at, "", true});
    rows->push_back({"intent_" + garbage + "_refuses_an_add", "tvq310", {"-P", "q", "-n", "Box", "-w", "12", "-h", "50"},
                     kTape, kUntouched, 255, kSame, {}, at, kMe + kUntouched, true});
  }
  // An apply's record of many formats is longer than any other, and read back whole.
  std::string many = "kind 3\nrequest apply 1 100\nprinter 1:q\n";
  for (int i = 0; i < 100; ++i) many += "format 32:" + std::string(29, 'n') + std::to_string(100 + i) + " 10:_zkS12mm__ 10 50 70\n";
  rows->push_back(cut("apply_intent_of_100_formats_checked", {"--check"}, kTape, "0", {record("tvq310", many)},
                      interrupted("an apply of 100 formats", "interrupted-apply"), 1, kSame, {}, true));
}
