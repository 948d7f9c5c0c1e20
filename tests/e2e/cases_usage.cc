// End-to-end rows: an administrator command given faulty words is refused with its reason and usage (exit 2).
#include "e2e/cases.h"

void add_usage_cases(std::vector<Case> *rows) {
  const auto refused = [&](const std::string &what, const Args &args, const std::string &reason, const Args &synopses) {
    std::string err = kMe + reason + "\n";
    for (const std::string &s : synopses) err += "usage: zkpapertoollpr_tvq310 " + s + "\n";
    rows->push_back({what, "tvq310", args, holding({}), "", 2, kSame, {}, {}, err});
  };
  const std::vector<std::string> dry = {"--dry-run -P PRINTER -d NAME", "--dry-run -P PRINTER -n NAME -w WIDTH -h HEIGHT",
      "--dry-run --ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT", "--dry-run --repair -P PRINTER",
      "--dry-run --apply FILE -P PRINTER [--keep-others] [--json]"};
  refused("list_with_more_words", {"--list", "x"}, "only --json may follow", {"--list [--json]"});
  refused("check_with_more_words", {"--check", "-P", "x"}, "only --json or --monitoring may follow",
          {"--check [--json | --monitoring]"});
  refused("repair_without_printer", {"--repair"}, "takes only -P PRINTER", {"--repair -P PRINTER"});
  refused("version_with_more_words", {"--version", "x"}, "takes no other word", {"--version"});
  refused("help_with_more_words", {"--help", "x"}, "takes no other word", {"--help"});
  refused("ensure_of_a_delete", {"--ensure", "-P", "q", "-d", "A"}, "-d: --ensure only adds",
          {"--ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT"});
  const Args apply = {"--apply FILE -P PRINTER [--keep-others] [--json]"};
  refused("apply_without_printer", {"--apply", "in.json", "--keep-others"}, "missing -P", apply);
  refused("apply_without_file", {"--apply"}, "FILE and -P PRINTER must follow", apply);
  refused("apply_json_twice", {"--apply", "in.json", "--json", "-P", "q", "--json"}, "a word given twice", apply);
  refused("apply_printer_twice", {"--apply", "in.json", "-P", "q", "-P", "q"}, "a word given twice", apply);
  refused("apply_printer_without_name", {"--apply", "in.json", "-P"}, "-P: a printer name of 1 to 1024 bytes must follow", apply);
  refused("dry_run_without_options", {"--dry-run"}, "no options", dry);
  refused("dry_run_empty_printer", {"--dry-run", "-P", ""}, "-P: empty printer name", dry);
  refused("dry_run_without_name", {"--dry-run", "-P", "q"}, "missing -n or -d", dry);
  refused("dry_run_add_and_delete", {"--dry-run", "-P", "q", "-n", "A", "-d", "A"}, "-n and -d together", dry);
  refused("dry_run_without_width", {"--dry-run", "-P", "q", "-n", "A"}, "-n without -w", dry);
  refused("dry_run_without_height", {"--dry-run", "-P", "q", "-n", "A", "-w", "12"}, "-n without -h", dry);
  refused("dry_run_empty_width", {"--dry-run", "-P", "q", "-w", ""}, "-w: empty value", dry);
  refused("dry_run_zero_height", {"--dry-run", "-P", "q", "-h", "0"}, "-h: not above 0", dry);
  refused("dry_run_repair_with_more_words", {"--dry-run", "--repair"}, "takes only -P PRINTER", dry);
  refused("dry_run_of_a_list", {"--dry-run", "--list"}, "--list changes nothing; a dry run previews a change", dry);
  refused("dry_run_apply_without_printer", {"--dry-run", "--apply", "in.json"}, "missing -P", dry);
  refused("dry_run_ensure_of_a_delete", {"--dry-run", "--ensure", "-P", "q", "-d", "A"}, "-d: --ensure only adds", dry);
}
