// The administrator's commands: reading their command lines, running them
// under the model's lock, and their errors on standard error.
#include "front/admin_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/change/model_repair.h"
#include "driverfiles/model/model_report.h"
#include "front/apply_command.h"
#include "front/dispatch.h"
#include "front/failure_report.h"
#include "front/monitoring.h"
#include "front/operations.h"
#include "front/usage.h"

namespace {

const char *const kWords[] = {"--list", "--check", "--repair", "--dry-run", "--ensure",
                              "--apply", "--help",  "--version"};
const char kVersionLine[] = "zkpapertoollpr " ZKPT_VERSION "\n";

// The command's context: the name it was started under, for messages.
struct Admin {
  const char *name;  // basename of argv[0]
  PaperJob *job;
  const char *root;
};

// "NAME: reason" (with the option it concerns) and the command's usage,
// on standard error.
int usage_error(const Admin &a, const char *word, const ParseFault &fault) {
  print_failure_start("");
  if (fault.option != '\0') (void)std::fprintf(stderr, "-%c: ", fault.option);
  (void)std::fprintf(stderr, "%s\n", fault.reason);
  print_admin_usage(a.name, word);
  return 2;
}
int usage_error(const Admin &a, const char *word, const char *reason) {
  return usage_error(a, word, ParseFault{'\0', reason});
}

// "NAME: PATH: reason" on standard error, for errno and the file noted,
// or the companion tool and how it failed.
int report_failure(const Admin &, long found) { return report_step_failure(found); }

// A report of the model's files: what it is, and where it runs.
struct Report {
  const Admin *admin;
  long (*run)(const PaperJob &, const char *, bool);
  bool json;
  const bool *installed;
};

long list_report(const PaperJob &job, const char *root, bool json);

long run_report(void *ctx) {
  const Report &r = *static_cast<const Report *>(ctx);
  // A model that is not installed has no formats to list, not an empty list.
  if (r.run == list_report && !*r.installed) return 0;
  return r.run(*r.admin->job, r.admin->root, r.json);
}

// Runs a report under the model's lock: its count of problems, -1 or -2;
// *installed false when the model has no driver directory.
long locked_report(const Admin &a, bool writer, bool *installed,
                   long (*report)(const PaperJob &, const char *, bool), bool json) {
  Report r{&a, report, json, installed};
  long found = -1;
  if (under_driver_lock(*a.job, a.root, writer, run_report, &r, &found, installed) != 0) return -1;
  return found;
}

long list_report(const PaperJob &job, const char *root, bool json) {
  return list_formats(job, root, json);
}
long check_report(const PaperJob &job, const char *root, bool json) {
  return check_formats(job, root, json);
}
long repair_report(const PaperJob &job, const char *root, bool) { return repair_formats(job, root); }
long repair_preview(const PaperJob &job, const char *root, bool) { return preview_repair(job, root); }

// The listing of a model without a driver directory; the check reports
// it as one of its findings.
int not_installed(const Admin &a) {
  char dir[kPathMax];
  if (format_inf_directory(dir, sizeof dir, a.root, a.job->model) != 0) {
    return report_failure(a, -1);
  }
  print_failure_start(dir);
  (void)std::fputs("not installed\n", stderr);
  return -1;
}

// --list and --check, each with an optional --json; --check --monitoring.
int run_reader(const Admin &a, int argc, const char *const *argv) {
  const bool list = std::strcmp(argv[1], "--list") == 0;
  if (!list && argc >= 3 && std::strcmp(argv[2], "--monitoring") == 0) {
    return argc == 3 ? run_check_monitoring(*a.job, a.root) : monitoring_usage(a.name);
  }
  const bool json = argc == 3 && std::strcmp(argv[2], "--json") == 0;
  if (argc > 3 || (argc == 3 && !json)) {
    return usage_error(a, argv[1], list ? "only --json may follow" : "only --json or --monitoring may follow");
  }
  bool installed = true;
  const long found = locked_report(a, false, &installed, list ? list_report : check_report, json);
  if (found < 0) return report_failure(a, found);
  if (list && !installed) return not_installed(a);
  return found > 0 ? 1 : 0;
}

// --repair -P PRINTER, or its preview behind --dry-run.
int run_repair(const Admin &a, int argc, const char *const *argv, bool preview) {
  SeenFlags seen{};
  ParseFault fault{'\0', "takes only -P PRINTER"};
  if (argc != 4 || parse_options(argc - 1, argv + 1, a.job, &seen, &fault) != ParseResult::kAccepted ||
      !seen.printer) {
    return usage_error(a, preview ? "--dry-run" : "--repair", fault);
  }
  bool installed = true;
  const long found =
      locked_report(a, !preview, &installed, preview ? repair_preview : repair_report, false);
  if (found < 0) return report_failure(a, found);
  return found > 0 ? 1 : 0;
}

// A request's words after the command word(s): previewed, or ensured.
int run_request_command(const Admin &a, int argc, const char *const *argv, const char *word,
                        bool ensure, bool preview) {
  SeenFlags seen{};
  ParseFault fault{};
  if (parse_options(argc, argv, a.job, &seen, &fault) != ParseResult::kAccepted) {
    return usage_error(a, word, fault);
  }
  const char *missing = ensure && seen.remove ? "-d: --ensure only adds" : request_fault(seen);
  if (missing != nullptr) return usage_error(a, word, missing);
  if (ensure) return ensure_request(*a.job, a.root, preview);
  return dispatch_request(*a.job, seen, a.root, preview);
}

int run_dry_run(const Admin &a, int argc, const char *const *argv) {
  if (argc > 2 && std::strcmp(argv[2], "--apply") == 0) {
    return run_apply_command(a.name, argc - 2, argv + 2, a.job, a.root, true);
  }
  if (argc > 2 && std::strcmp(argv[2], "--repair") == 0) return run_repair(a, argc - 1, argv + 1, true);
  if (argc > 2 && std::strcmp(argv[2], "--ensure") == 0) {
    return run_request_command(a, argc - 2, argv + 2, "--dry-run", true, true);
  }
  // The other command words change nothing, so there is nothing to preview.
  if (argc > 2 && is_command_word(argv[2])) {
    static char reason[64];
    (void)std::snprintf(reason, sizeof reason, "%s changes nothing; a dry run previews a change", argv[2]);
    return usage_error(a, "--dry-run", reason);
  }
  return run_request_command(a, argc - 1, argv + 1, "--dry-run", false, true);
}

}  // namespace

bool is_command_word(const char *word) {
  for (const char *known : kWords) {
    if (std::strcmp(word, known) == 0) return true;
  }
  return false;
}

int run_admin_command(int argc, const char *const *argv, PaperJob *job, const char *root) {
  const char *slash = std::strrchr(argv[0], '/');
  const Admin a{slash != nullptr ? slash + 1 : argv[0], job, root};
  const char *word = argv[1];
  if (std::strcmp(word, "--dry-run") == 0) return run_dry_run(a, argc, argv);
  if (std::strcmp(word, "--ensure") == 0) {
    return run_request_command(a, argc - 1, argv + 1, word, true, false);
  }
  if (std::strcmp(word, "--repair") == 0) return run_repair(a, argc, argv, false);
  if (std::strcmp(word, "--apply") == 0) return run_apply_command(a.name, argc - 1, argv + 1, job, root, false);
  if (std::strcmp(word, "--list") == 0 || std::strcmp(word, "--check") == 0) {
    return run_reader(a, argc, argv);
  }
  if (argc != 2) return usage_error(a, word, "takes no other word");
  if (std::strcmp(word, "--version") == 0) {
    (void)std::fputs(kVersionLine, stdout);
  } else {
    print_usage(*job);
    print_admin_commands();
  }
  return 0;
}
