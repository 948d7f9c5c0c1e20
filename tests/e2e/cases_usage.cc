// End-to-end rows: a faulty request behind --dry-run is refused with its
// reason and --dry-run's usage lines (exit 2), nothing touched.
#include "e2e/cases.h"

#include <tuple>

void add_usage_cases(std::vector<Case> *rows) {
  std::string usage;
  for (const char *s : {"-P PRINTER -d NAME", "-P PRINTER -n NAME -w WIDTH -h HEIGHT", "--ensure -P PRINTER -n NAME "
       "-w WIDTH -h HEIGHT", "--repair -P PRINTER", "--apply FILE -P PRINTER [--keep-others] [--json]"}) {
    usage += std::string("usage: zkpapertoollpr_tvq310 --dry-run ") + s + "\n";
  }
  const std::tuple<std::string, Args, std::string> faults[] = {{"no_options", {}, "no options"},
      {"empty_printer", {"-P", ""}, "-P: empty printer name"}, {"no_name", {"-P", "q"}, "missing -n or -d"},
      {"add_and_delete", {"-P", "q", "-n", "A", "-d", "A"}, "-n and -d together"},
      {"no_width", {"-P", "q", "-n", "A"}, "-n without -w"}, {"no_height", {"-P", "q", "-n", "A", "-w", "12"},
      "-n without -h"}, {"empty_width", {"-P", "q", "-w", ""}, "-w: empty value"},
      {"zero_height", {"-P", "q", "-h", "0"}, "-h: not above 0"}, {"repair_word", {"--repair"}, "takes only -P PRINTER"},
      {"ensure_of_a_delete", {"--ensure", "-P", "q", "-d", "A"}, "-d: --ensure only adds"}};
  for (const auto &[what, args, reason] : faults) {
    Args words = {"--dry-run"};
    words.insert(words.end(), args.begin(), args.end());
    rows->push_back({"dry_run_refuses_" + what, "tvq310", words, {"[CustomTape]\n", "", "", ""}, "", 2, std::nullopt,
                     {}, {}, "zkpapertoollpr_tvq310: " + reason + "\n" + usage});
  }
}
