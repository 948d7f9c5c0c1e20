// The usage texts: the tool's own, --help's and a malformed administrator
// command's reason and synopsis (see usage.h).
#include "front/usage.h"

#include <cstdio>
#include <cstring>

#include "front/failure_report.h"

namespace {

const char kRule[] = "===========================";

// A command word's usage: every line of its word, after the program name.
struct AdminSynopsis {
  const char *word;
  const char *line;
};

const AdminSynopsis kAdminSynopses[] = {
    {"--list", "--list [--json]"},
    {"--check", "--check [--json | --monitoring]"},
    {"--repair", "--repair -P PRINTER"},
    {"--ensure", "--ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT"},
    {"--apply", "--apply FILE -P PRINTER [--keep-others] [--json]"},
    {"--dry-run", "--dry-run -P PRINTER -d NAME"},
    {"--dry-run", "--dry-run -P PRINTER -n NAME -w WIDTH -h HEIGHT"},
    {"--dry-run", "--dry-run --ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT"},
    {"--dry-run", "--dry-run --repair -P PRINTER"},
    {"--dry-run", "--dry-run --apply FILE -P PRINTER [--keep-others] [--json]"},
    {"--help", "--help"},
    {"--version", "--version"},
};

}  // namespace

void print_usage(PaperJob job) {
  // The example's print queue: empty for the roll models.
  const ModelRow *row = find_model(job.model);
  const char *printer = row != nullptr ? row->printer : "";
  std::printf(
      "%s\n LPRng Paper Size Tool (%s)\n"
      " Usage: zkpapertoollpr_xxxx -P Printer Name [-n add a Lable Format "
      "Name (<=%d bytes) -w Media Width(unit:mm) -h Media "
      "Height(unit:mm)]/[-d delete Lable Format Name]\n"
      " **Label width is  3.5mm,6mm,9mm,12mm,18mm,24mm,36mm and Height is "
      "between 4mm and 1000mm(HS tape max is 500mm)\n"
      " For example:\n"
      " 1. Add a new Label Format with \"New Label Format\" name and "
      "12mm width and 50mm length:\n"
      "\t\"zkpapertoollpr_%s -P %s -n New\\ Label Namw (\"HS\" contain name "
      "means heat srink tube ex.HS12mmx50mm)\\ Format -w 12 -h 50\" "
      "[enter]\n\n"
      " 2. Remove the Label Format with \"New Label Format\" name:\n"
      "\t\"zkpapertoollpr_%s -P %s -d New\\ Label\\ Format\" [enter]\n\n"
      "%s\n",
      kRule, "v " ZKPT_VERSION, static_cast<int>(kLabelNameMax), job.model, printer, job.model, printer, kRule);
}

void print_help(const PaperJob &job) {
  print_usage(job);
  (void)std::fputs(
      " Administrator commands (only as the first word after the program name):\n"
      "  --list [--json]           the model's formats: name, size as -w and -h take it,\n"
      "                            media, identifier, state\n"
      "  --check [--json]          what the driver files disagree on; exit 1 if anything\n"
      "  --check --monitoring      the same as a monitoring plugin's status line\n"
      "  --repair -P PRINTER       mend what interrupted adds and deletes left\n"
      "  --ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT\n"
      "                            add unless that format is there as asked; prints\n"
      "                            unchanged, added or replaced\n"
      "  --apply FILE -P PRINTER [--keep-others] [--json]\n"
      "                            make the formats exactly those FILE lists (the JSON\n"
      "                            of --list --json; - reads standard input), others\n"
      "                            removed unless kept; prints each change\n"
      "  --dry-run REQUEST         the companion calls and a diff of each file; nothing\n"
      "                            changes (REQUEST: -d, an add, --ensure, --repair\n"
      "                            or --apply)\n"
      "  --help, --version\n",
      stdout);
}

int usage_error(const char *word, const ParseFault &fault) {
  print_failure_start("");
  if (fault.option != '\0') (void)std::fprintf(stderr, "-%c: ", fault.option);
  (void)std::fprintf(stderr, "%s\n", fault.reason);
  for (const AdminSynopsis &s : kAdminSynopses) {
    if (std::strcmp(s.word, word) == 0) (void)std::fprintf(stderr, "usage: %s %s\n", program_name(), s.line);
  }
  return 2;
}

int usage_error(const char *word, const char *reason) { return usage_error(word, ParseFault{'\0', reason}); }
