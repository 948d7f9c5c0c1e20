// End-to-end rows: an administrator command given faulty words is refused
// with its reason and the command's usage lines on standard error (exit 2).
#include "e2e/cases.h"

#include <tuple>

void add_usage_cases(std::vector<Case> *rows) {
  const std::string dry = "--dry-run -P PRINTER -d NAME\n--dry-run -P PRINTER -n NAME -w WIDTH -h HEIGHT\n--dry-run "
      "--ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT\n--dry-run --repair -P PRINTER\n--dry-run --apply FILE -P PRINTER"
      " [--keep-others] [--json]\n", ensure = "--ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT\n";
  const std::tuple<std::string, Args, std::string, std::string> faults[] = {
      {"list_with_more_words", {"--list", "x"}, "only --json may follow", "--list [--json]\n"},
      {"check_with_more_words", {"--check", "-P", "x"}, "only --json or --monitoring may follow",
       "--check [--json | --monitoring]\n"}, {"repair_without_printer", {"--repair"}, "takes only -P PRINTER",
       "--repair -P PRINTER\n"}, {"version_with_more_words", {"--version", "x"}, "takes no other word", "--version\n"},
      {"help_with_more_words", {"--help", "x"}, "takes no other word", "--help\n"},
      {"ensure_of_a_delete", {"--ensure", "-P", "q", "-d", "A"}, "-d: --ensure only adds", ensure},
      {"dry_run_without_options", {"--dry-run"}, "no options", dry},
      {"dry_run_empty_printer", {"--dry-run", "-P", ""}, "-P: empty printer name", dry},
      {"dry_run_without_name", {"--dry-run", "-P", "q"}, "missing -n or -d", dry},
      {"dry_run_add_and_delete", {"--dry-run", "-P", "q", "-n", "A", "-d", "A"}, "-n and -d together", dry},
      {"dry_run_without_width", {"--dry-run", "-P", "q", "-n", "A"}, "-n without -w", dry},
      {"dry_run_without_height", {"--dry-run", "-P", "q", "-n", "A", "-w", "12"}, "-n without -h", dry},
      {"dry_run_empty_width", {"--dry-run", "-P", "q", "-w", ""}, "-w: empty value", dry},
      {"dry_run_zero_height", {"--dry-run", "-P", "q", "-h", "0"}, "-h: not above 0", dry},
      {"dry_run_repair_with_more_words", {"--dry-run", "--repair"}, "takes only -P PRINTER", dry},
      {"dry_run_ensure_of_a_delete", {"--dry-run", "--ensure", "-P", "q", "-d", "A"}, "-d: --ensure only adds", dry}};
  for (const auto &[what, args, reason, synopses] : faults) {
    std::string err = "zkpapertoollpr_tvq310: " + reason + "\n";
    for (size_t at = 0, end; at < synopses.size(); at = end + 1) {
      end = synopses.find('\n', at);
      err += "usage: zkpapertoollpr_tvq310 " + synopses.substr(at, end + 1 - at);
    }
    rows->push_back({what, "tvq310", args, {"[CustomTape]\n", "", "", ""}, "", 2, std::nullopt, {}, {}, err});
  }
}
