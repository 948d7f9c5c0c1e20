#include "front/dispatch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/current_format.h"
#include "front/admin_commands.h"
#include "front/operations.h"
#include "front/usage.h"

namespace {

int show_usage(const PaperJob &job) {
  print_usage(job);
  return 0;
}

int add_request(const PaperJob &job, Steps *steps) {
  // An older format of the same name goes first, so the name stays unique;
  // what the add will need is checked before that delete asks anything.
  PaperJob copy = job;
  const int32_t removed =
      check_add_targets(job, *steps) == kOpDone ? delete_format(&copy, steps) : kOpFileFailed;
  if (removed == kOpCompanionFailed) return -1;
  if (removed == kOpFileFailed) {
    print_error_line();
    return -1;
  }
  copy = job;
  const int32_t added = add_format(&copy, steps);
  return (added == kOpFileFailed || added == kOpCompanionFailed) ? -1 : 0;
}

int delete_request(const PaperJob &job, Steps *steps) {
  PaperJob copy = job;
  const int32_t removed = delete_format(&copy, steps);
  switch (removed) {
    case kOpFileFailed:
      print_error_line();
      return -1;
    case kOpCompanionFailed:
      return -1;
    case kOpNotFound:
      std::printf("Not found '%s'\n", job.label_name);
      return 0;
    default:
      return 0;
  }
}

// A request's steps under the lock its caller holds; a dry run shows the
// changes gathered once the request is done.
int run_locked(const PaperJob &job, const char *root, bool add, bool preview) {
  Steps steps{};
  steps.root = root;
  steps.preview = preview;
  int status = add ? add_request(job, &steps) : delete_request(job, &steps);
  PaperJob scratch = job;
  if (preview && status == 0 && show_pending_changes(&scratch, &steps) != kOpDone) {
    print_error_line();
    status = -1;
  }
  free_steps(&steps);
  return status;
}

// A request holds the model's lock from the first edit to the last; a dry
// run shares it.
int locked_request(const PaperJob &job, const char *root, bool add, bool preview) {
  int lock = -1;
  if (hold_driver_lock(job, root, !preview, &lock) != 0) {
    print_error_line();
    return -1;
  }
  const int status = run_locked(job, root, add, preview);
  release_driver_lock(lock);
  return status;
}

}  // namespace

void print_error_line() { std::printf("%s\n", std::strerror(errno)); }

bool is_request(const SeenFlags &seen) {
  if (!seen.printer) return false;
  return seen.add ? !seen.remove && seen.width && seen.height : seen.remove;
}

int dispatch_request(const PaperJob &job, const SeenFlags &seen, const char *root,
                     bool preview) {
  if (!seen.printer) return show_usage(job);
  if (seen.add) {
    if (seen.remove || !seen.width || !seen.height) return show_usage(job);
    return locked_request(job, root, true, preview);
  }
  if (seen.remove) return locked_request(job, root, false, preview);
  return show_usage(job);
}

int ensure_request(const PaperJob &job, const char *root, bool preview) {
  int lock = -1;
  if (hold_driver_lock(job, root, !preview, &lock) != 0) {
    print_error_line();
    return -1;
  }
  const int state = current_format_state(job, root);
  int status = 0;
  if (state < 0) {
    print_error_line();
    status = -1;
  } else if (state == kFormatCurrent) {
    std::printf("unchanged\n");
  } else if ((status = run_locked(job, root, true, preview)) == 0) {
    std::printf("%s\n", state == kFormatAbsent ? "added" : "replaced");
  }
  release_driver_lock(lock);
  return status;
}

int run_request_words(int argc, const char *const *argv, PaperJob *job, bool preview,
                      const char *root) {
  SeenFlags seen{};
  if (parse_options(argc, argv, job, &seen) != ParseResult::kAccepted) {
    return show_usage(*job);
  }
  return dispatch_request(*job, seen, root, preview);
}

int run_paper_tool(int argc, const char *const *argv, const char *root) {
  // An empty argument vector is treated as an unrecognised, empty name.
  const char *program = (argc > 0 && argv[0] != nullptr) ? argv[0] : "";
  PaperJob job{};  // one per run, zero-filled
  int status;
  if (!select_model(program, &job)) {
    std::printf("%s is invalid.\n\n", program);
    status = 0;
  } else if (argc > 1 && is_command_word(argv[1])) {
    status = run_admin_command(argc, argv, &job, root);
  } else {
    status = run_request_words(argc, argv, &job, false, root);
  }
  // Silence is never success: what was printed must have reached its
  // reader (a full disk behind a redirect, a closed descriptor).
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return -1;
  return status;
}
