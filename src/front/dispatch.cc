// Dispatch of a request to the delete and add operations, for real or as
// a dry run, and of their results to messages and the exit status.
#include "front/dispatch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/change/apply_formats.h"
#include "driverfiles/change/driver_edit.h"
#include "driverfiles/change/recorded_request.h"
#include "front/failure_report.h"
#include "front/operations.h"
#include "front/usage.h"

namespace {

// A failed file step: the error line (the system's text for errno)
// where the request prints one, and the file and reason on standard
// error either way. Returns -1.
int file_failure(bool error_line) {
  const int err = errno;
  if (error_line) std::printf("%s\n", std::strerror(err));
  errno = err;
  return report_step_failure(kOpFileFailed);
}

// An add's older format of the same name goes first, so the name stays
// unique; what the add will need is checked before that delete asks
// anything. A failure of the add step prints nothing on standard output.
int request_steps(const PaperJob &job, const char *root, bool add, DryRun *dry_run) {
  bool in_add = false;
  const int32_t rc = run_recorded_request(job, root, add, dry_run, &in_add);
  if (rc == kOpFileFailed) return file_failure(!in_add);
  if (rc < 0) return report_step_failure(rc);
  if (rc == kOpNotFound) std::printf("Not found '%s'\n", job.label_name);
  return 0;
}

// One request as the command line asked for it.
struct Request {
  const PaperJob *job;
  const char *root;
  bool add, preview, ensure;
};

// The request's steps under the lock; a dry run shows the changes
// gathered once the request is done.
int run_steps(const Request &r) {
  DryRun *dry_run = r.preview ? start_dry_run() : nullptr;
  int status = request_steps(*r.job, r.root, r.add, dry_run);
  if (dry_run != nullptr && end_dry_run(dry_run, *r.job, r.root, status == 0) != kOpDone) {
    status = file_failure(true);
  }
  return status;
}

// --ensure: the apply of the job's format alone, every other entry and
// line left as it is, decided and carried out (or shown) as --apply is.
// A failure before the companion was asked prints the error line, as the
// add request's checks and delete step do; unless no format of the name
// was there and the files were (the add's own step).
int run_ensured(const Request &r) {
  const PaperJob &job = *r.job;
  FormatSpec spec = spec_of(job);
  const FormatSet set{&spec, 1, 1};
  ApplyPlan plan{};
  int32_t rc = decide_apply(job, r.root, set, true, &plan, false);
  const bool replaced = plan.count != 0 && plan.changes[0].kind == ChangeKind::kReplaced;
  if (rc == kOpDone && plan.count != 0) {
    rc = r.preview ? preview_apply(job, r.root, set, &plan, false) : run_recorded_apply(job, r.root, set, true, &plan);
  }
  const bool line = !plan.found || (replaced && plan.changes[0].state == ChangeState::kPending);
  if (rc == kOpDone) std::printf("%s\n", plan.count == 0 ? "unchanged" : replaced ? "replaced" : "added");
  free_apply_plan(&plan);
  if (rc == kOpFileFailed) return file_failure(line);
  return rc == kOpDone ? 0 : report_step_failure(rc);
}

// No request starts while an interrupted one's record is there.
long run_request(const Request &r) {
  const int32_t open = refuse_if_interrupted(*r.job, r.root);
  if (open == kOpFileFailed) return file_failure(true);
  if (open != kOpDone) return report_step_failure(open);
  return r.ensure ? run_ensured(r) : run_steps(r);
}

// A request holds the model's lock from its first read to its last edit;
// a dry run shares it. The lock's failure is an error on standard error,
// and for a request an error line too.
int locked_request(Request r) {
  long status = -1;
  if (under_driver_lock(*r.job, r.root, !r.preview, [&] { return run_request(r); }, &status) != 0) {
    (void)file_failure(!r.preview && !r.ensure);
  }
  return static_cast<int>(status);
}

}  // namespace

const char *request_fault(const SeenFlags &seen) {
  if (!seen.printer) return "missing -P";
  if (!seen.add) return seen.remove ? nullptr : "missing -n or -d";
  if (seen.remove) return "-n and -d together";
  if (!seen.width) return "-n without -w";
  return seen.height ? nullptr : "-n without -h";
}

int dispatch_request(const PaperJob &job, const SeenFlags &seen, const char *root,
                     bool preview) {
  if (request_fault(seen) == nullptr) return locked_request(Request{&job, root, seen.add, preview, false});
  print_usage(job);
  return 0;
}

int ensure_request(const PaperJob &job, const char *root, bool preview) {
  return locked_request(Request{&job, root, true, preview, true});
}

int run_request_words(int argc, const char *const *argv, PaperJob *job, const char *root) {
  SeenFlags seen{};
  // A rejected command line makes no request either: the usage text.
  if (!parse_options(argc, argv, job, &seen)) seen = SeenFlags{};
  return dispatch_request(*job, seen, root, false);
}
