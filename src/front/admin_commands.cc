#include "front/admin_commands.h"

#include <cstring>

#include "driverfiles/model_report.h"
#include "front/dispatch.h"
#include "front/operations.h"
#include "front/usage.h"

namespace {

const char *const kWords[] = {"--list", "--check", "--repair", "--dry-run"};

// Runs a report under the shared lock: its count of problems, or -1.
long locked_report(const PaperJob &job, const char *root, bool writer,
                   long (*report)(const PaperJob &, const char *)) {
  int lock = -1;
  if (hold_driver_lock(job, root, writer, &lock) != 0) return -1;
  const long found = report(job, root);
  release_driver_lock(lock);
  return found;
}

long list_report(const PaperJob &job, const char *root) { return list_formats(job, root); }

int exit_for(long found) {
  if (found == -2) return -1;  // the companion tool failed: nothing printed
  if (found < 0) {
    print_error_line();
    return -1;
  }
  return found > 0 ? 1 : 0;
}

}  // namespace

bool is_command_word(const char *word) {
  for (const char *known : kWords) {
    if (std::strcmp(word, known) == 0) return true;
  }
  return false;
}

int run_admin_command(int argc, const char *const *argv, PaperJob *job, const char *root) {
  const char *word = argv[1];
  // A repair's dry run is the repair's command line behind the word.
  const bool preview = std::strcmp(word, "--dry-run") == 0 && argc > 2 &&
                       std::strcmp(argv[2], "--repair") == 0;
  if (preview) {
    --argc;
    ++argv;
    word = argv[1];
  }
  if (std::strcmp(word, "--dry-run") == 0) {
    return run_request_words(argc - 1, argv + 1, job, true, root);
  }
  if (std::strcmp(word, "--repair") == 0) {
    SeenFlags seen{};
    if (argc != 4 || parse_options(argc - 1, argv + 1, job, &seen) != ParseResult::kAccepted ||
        !seen.printer) {
      print_usage(*job);
      return 0;
    }
    return exit_for(locked_report(*job, root, !preview, preview ? preview_repair : repair_formats));
  }
  if (argc != 2) {
    print_usage(*job);
    return 0;
  }
  if (std::strcmp(word, "--list") == 0) {
    return exit_for(locked_report(*job, root, false, list_report));
  }
  return exit_for(locked_report(*job, root, false, check_formats));
}
