// The administrator's commands: reading their command lines, running them
// under the model's lock, and their errors on standard error.
#include "front/admin_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/change/model_repair.h"
#include "driverfiles/model/model_report.h"
#include "front/apply_command.h"
#include "front/dispatch.h"
#include "front/failure_report.h"
#include "front/monitoring.h"
#include "front/usage.h"

namespace {

const char *const kWords[] = {"--list", "--check", "--repair", "--dry-run", "--ensure",
                              "--apply", "--help",  "--version"};

// The command's context.
struct Admin {
  PaperJob *job;
  const char *root;
};

// A report run under the model's lock, as a writer or a reader: exit
// status 1 when it found anything, or its failure told; *installed false
// when the model has no driver directory.
template <typename Report>
int locked_report(const Admin &a, bool writer, Report report, bool *installed = nullptr) {
  long found = -1;
  (void)under_driver_lock(*a.job, a.root, writer, report, &found, installed);
  if (found < 0) return report_step_failure(found);
  return found > 0 ? 1 : 0;
}

// --list and --check, each with an optional --json; --check --monitoring.
int run_reader(const Admin &a, int argc, const char *const *argv) {
  const bool list = std::strcmp(argv[1], "--list") == 0;
  if (!list && argc >= 3 && std::strcmp(argv[2], "--monitoring") == 0) {
    return argc == 3 ? run_check_monitoring(*a.job, a.root) : monitoring_usage();
  }
  const bool json = argc == 3 && std::strcmp(argv[2], "--json") == 0;
  if (argc > 3 || (argc == 3 && !json)) {
    return usage_error(argv[1], list ? "only --json may follow" : "only --json or --monitoring may follow");
  }
  bool installed = true;
  // A model that is not installed has no formats to list, not an empty
  // list: the listing says so; the check reports it as one of its findings.
  const int status = locked_report(a, false, [&]() -> long {
    if (!list) return check_formats(*a.job, a.root, json);
    return installed ? list_formats(*a.job, a.root, json) : 0;
  }, &installed);
  if (status != 0 || !list || installed) return status;
  char dir[kPathMax];
  if (format_inf_directory(dir, sizeof dir, a.root, a.job->model) != 0) return report_step_failure(-1);
  print_failure_start(dir);
  (void)std::fputs("not installed\n", stderr);
  return -1;
}

// --repair -P PRINTER, or its preview behind --dry-run.
int run_repair(const Admin &a, int argc, const char *const *argv, bool preview) {
  SeenFlags seen{};
  ParseFault fault{'\0', "takes only -P PRINTER"};
  if (argc != 4 || !parse_options(argc - 1, argv + 1, a.job, &seen, &fault) || !seen.printer) {
    return usage_error(preview ? "--dry-run" : "--repair", fault);
  }
  return locked_report(a, !preview, [&] {
    return preview ? preview_repair(*a.job, a.root) : repair_formats(*a.job, a.root);
  });
}

// A request's words after the command word(s): previewed, or ensured.
int run_request_command(const Admin &a, int argc, const char *const *argv, const char *word,
                        bool ensure, bool preview) {
  SeenFlags seen{};
  ParseFault fault{};
  if (!parse_options(argc, argv, a.job, &seen, &fault)) return usage_error(word, fault);
  const char *missing = ensure && seen.remove ? "-d: --ensure only adds" : request_fault(seen);
  if (missing != nullptr) return usage_error(word, missing);
  if (ensure) return ensure_request(*a.job, a.root, preview);
  return dispatch_request(*a.job, seen, a.root, preview);
}

}  // namespace

bool is_command_word(const char *word) {
  return std::any_of(std::begin(kWords), std::end(kWords), [&](const char *k) { return std::strcmp(word, k) == 0; });
}

int run_admin_command(int argc, const char *const *argv, PaperJob *job, const char *root) {
  const Admin a{job, root};
  // --dry-run before a request's words previews the request; before a
  // command word, that command.
  const bool preview = std::strcmp(argv[1], "--dry-run") == 0;
  if (preview && (argc < 3 || !is_command_word(argv[2]))) {
    return run_request_command(a, argc - 1, argv + 1, "--dry-run", false, true);
  }
  if (preview) --argc, ++argv;
  const char *word = argv[1];
  if (std::strcmp(word, "--ensure") == 0) {
    return run_request_command(a, argc - 1, argv + 1, preview ? "--dry-run" : word, true, preview);
  }
  if (std::strcmp(word, "--repair") == 0) return run_repair(a, argc, argv, preview);
  if (std::strcmp(word, "--apply") == 0) return run_apply_command(argc - 1, argv + 1, job, root, preview);
  // The other command words change nothing, so there is nothing to preview.
  if (preview) {
    static char reason[64];
    (void)std::snprintf(reason, sizeof reason, "%s changes nothing; a dry run previews a change", word);
    return usage_error("--dry-run", reason);
  }
  if (std::strcmp(word, "--list") == 0 || std::strcmp(word, "--check") == 0) {
    return run_reader(a, argc, argv);
  }
  if (argc != 2) return usage_error(word, "takes no other word");
  if (std::strcmp(word, "--version") == 0) (void)std::fputs("zkpapertoollpr " ZKPT_VERSION "\n", stdout);
  else print_help(*job);
  return 0;
}
