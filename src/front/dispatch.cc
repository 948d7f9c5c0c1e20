#include "front/dispatch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "front/operations.h"
#include "front/usage.h"

namespace {

void print_error_line() { std::printf("%s\n", std::strerror(errno)); }

int show_usage(const PaperJob &job) {
  print_usage(job);
  return 0;
}

int add_request(const PaperJob &job, const char *root) {
  // An older format of the same name goes first, so the name stays unique.
  const int32_t removed = delete_label_format(job, root);
  if (removed == kOpCompanionFailed) return -1;
  if (removed == kOpFileFailed) {
    print_error_line();
    return -1;
  }
  const int32_t added = add_label_format(job, root);
  return (added == kOpFileFailed || added == kOpCompanionFailed) ? -1 : 0;
}

int delete_request(const PaperJob &job, const char *root) {
  const int32_t removed = delete_label_format(job, root);
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

// Both requests hold the model's lock from the first edit to the last.
int locked_request(const PaperJob &job, const char *root, bool add) {
  int lock = -1;
  if (hold_driver_lock(job, root, &lock) != 0) {
    print_error_line();
    return -1;
  }
  const int status = add ? add_request(job, root) : delete_request(job, root);
  release_driver_lock(lock);
  return status;
}

}  // namespace

int dispatch_request(const PaperJob &job, const SeenFlags &seen,
                     const char *root) {
  if (!seen.printer) return show_usage(job);
  if (seen.add) {
    if (seen.remove || !seen.width || !seen.height) return show_usage(job);
    return locked_request(job, root, true);
  }
  if (seen.remove) return locked_request(job, root, false);
  return show_usage(job);
}

int run_paper_tool(int argc, const char *const *argv, const char *root) {
  // An empty argument vector is treated as an unrecognised, empty name.
  const char *program = (argc > 0 && argv[0] != nullptr) ? argv[0] : "";
  PaperJob job{};  // one per run, zero-filled
  if (!select_model(program, &job)) {
    std::printf("%s is invalid.\n\n", program);
    return 0;
  }
  SeenFlags seen{};
  if (parse_options(argc, argv, &job, &seen) != ParseResult::kAccepted) {
    return show_usage(job);
  }
  return dispatch_request(job, seen, root);
}
