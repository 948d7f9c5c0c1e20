// End-to-end cases: one run of the built program under one of its names in a directory holding a model's driver tree
// ("vantrel/<model>") with the fake companion tool, and all the run must leave behind. Output of a --json row must
// also parse, and each name a parser reads back (surrogateescape) must stand as an entry in the function file.
#ifndef ZKPT_TESTS_E2E_CASES_H
#define ZKPT_TESTS_E2E_CASES_H

#include <optional>
#include <string>
#include <vector>

#include "support/temp_tree.h"

using Args = std::vector<std::string>;
constexpr std::nullopt_t kSame = std::nullopt;  // the driver files are left as they were

struct Case {
  std::string what;                  // the behaviour, as the test's name
  std::string program;               // started as ./zkpapertoollpr_<program>
  Args args;
  DriverFiles before;                // the four files of the program's model
  std::string out;                   // standard output, byte for byte
  int status;                        // exit status
  std::optional<DriverFiles> after = std::nullopt;  // byte for byte; nullopt: unchanged
  // The companion's argument lists. A "?" in one stands for an upper-case
  // hex digit; the identifier it matches replaces it in `out` and `after`.
  std::vector<Args> calls = {};
  // Changes made after the tree is written, before the run:
  //   companion=<statuses>  the companion's exit statuses, a word a call ("kill": killed by SIGKILL), the last repeating
  //   no-companion, plain-companion  the companion tool is missing, or a file that may not be run
  //   not-installed         the model's inf/ directory is missing
  //   stdout=full|closed    standard output is /dev/full, or closed
  //   input=<bytes>         the file in.json holds them; "stdin": it is standard input too
  // and on one driver file F (func, paper, rc or imaging):
  //   missing:F  directory:F  the file is missing, or a directory
  //   temporary:F  temp-dir:F  its temporary copy F.$$$ is there, or a directory at that name
  //   chown:F  link:F          the file belongs to user and group 7, or is a link to a file elsewhere
  //   link-owner:F  target-owner:F  ... a link that belongs to user 7, or to a file that belongs to user 7
  //   read-only:inf           inf has mode 0555, its permissions bind root
  //   run:W1|W2|...           the program run with these words first (after the statuses: "parent" cuts it short)
  //   intent=BYTES  intent-dir  intent-fifo  intent-zero  intent-sparse  the intent record holds BYTES, or is a
  //                 folder, a FIFO, a link to /dev/zero, or a file of 64 GiB, all a hole
  std::vector<std::string> setup = {};
  std::string err = "";  // standard error, byte for byte
  bool intent_open = false;  // the intent record is there after the run
};

std::vector<Case> end_to_end_cases();

// The rows of one topic each (cases_truth.cc, cases_apply.cc, cases_intent.cc, cases_usage.cc), appended to the table.
void add_truth_cases(std::vector<Case> *rows);
void add_apply_cases(std::vector<Case> *rows);
void add_intent_cases(std::vector<Case> *rows);
void add_usage_cases(std::vector<Case> *rows);
// tvq310 as its runs name it: the program, the driver files' folder, the companion and a dry run's call of it.
inline const std::string kMe = "zkpapertoollpr_tvq310: ", kInf = "vantrel/tvq310/bin/inf/";
inline const std::string kTool = "vantrel/tvq310/bin/lpd/zkpapertoolcups_tvq310", kRun = "run: " + kTool + " -P q ";
// A unified diff's header for a driver file of tvq310, and its hunk's ranges.
inline std::string diff(const std::string &file, const std::string &ranges) {
  return "--- " + kInf + file + "\n+++ " + kInf + file + "\n@@ " + ranges + " @@\n";
}
// One finding of --check --json; "null" stands for a file, id or name it lacks.
std::string finding(const std::string &kind, const std::string &file, const std::string &id,
                    const std::string &name, bool repairable);
// --check --json's document on tvq310 of these findings, joined by commas.
std::string document(const std::string &findings);
// A --check line: text, then what --repair does to a finding of kind.
std::string checked(const std::string &text, const std::string &kind, bool repairable = false);
// --check --monitoring's output on tvq310 for found findings, lines their --check lines as shown.
inline std::string monitored(const std::string &formats, int found, const std::string &lines, int intents = 0,
                             const std::string &more = "") {
  const std::string n = std::to_string(found);
  return "ZKPAPERTOOLLPR WARNING - tvq310: " + n + (found == 1 ? " finding" : " findings") + ", the first: " +
         lines.substr(0, lines.find('\n')) + " | formats=" + formats + ";;;0 findings=" + n + ";0;;0 intents=" +
         std::to_string(intents) + ";;;0\n" + lines + more;
}
// The companion's arguments when asked to delete name; to add it as a w by h mm format under id.
Args deleting(const std::string &name, const std::string &printer = "q");
inline Args adding_call(const std::string &name, const std::string &id, const std::string &h = "50",
                        const std::string &w = "10", const std::string &printer = "q") {
  return {"-P", printer, "-n", name, "-w", w, "-h", h, "-specid", id, "-show", "1"};
}
// Formats of tvq310 (by default 12 by 50 mm tapes: 10 mm printed, 70 pins, 353 dots, imaging area at 0,0 in points)
// and a tree holding them, the entries in this order, their other lines in the order of lines (the same when empty).
struct Tape { std::string name, id, dots = "70\t353", points = "28.00\t141.52", origin = "0.00\t0.00\t"; };
DriverFiles holding(const std::vector<Tape> &formats, const std::string &settings = "", std::vector<Tape> lines = {});
// name's format as a 12 by 50 mm tape under a fixed identifier ("ZkL_zkS12mm__" + hex name length + "0A032" + digits),
// or a fresh one (pattern).
Tape tape(const std::string &name, const std::string &digits = "?????");

#endif
