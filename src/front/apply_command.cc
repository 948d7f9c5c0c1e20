// The --apply command line, its input, its run under the lock and its
// output (see apply_command.h).
#include "front/apply_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/change/apply_formats.h"
#include "driverfiles/change/driver_edit.h"
#include "driverfiles/text/escaped_name.h"
#include "driverfiles/text/json_writer.h"
#include "driverfiles/change/recorded_request.h"
#include "front/dispatch.h"
#include "front/failure_report.h"
#include "front/format_set.h"
#include "front/operations.h"
#include "front/options.h"
#include "front/usage.h"

namespace {

struct ApplyCommand {
  const char *file;
  const PaperJob *job;
  const char *root;
  bool preview, keep_others, json;
  FormatSet set;
  ApplyPlan plan;
};

// FILE, then -P PRINTER, --keep-others and --json in any order, each
// once: null, or why not.
const char *read_words(int argc, const char *const *argv, PaperJob *job, ApplyCommand *c) {
  if (argc < 2) return "FILE and -P PRINTER must follow";
  c->file = argv[1];
  bool printer = false;
  for (int i = 2; i < argc; ++i) {
    // As in a request's words, only the first two bytes count: -Printer is -P.
    bool *flag = std::strcmp(argv[i], "--keep-others") == 0 ? &c->keep_others
                 : std::strcmp(argv[i], "--json") == 0       ? &c->json
                 : std::strncmp(argv[i], "-P", 2) == 0       ? &printer
                                                              : nullptr;
    if (flag == nullptr) return "not an option (-P, --keep-others or --json)";
    if (*flag) return "a word given twice";
    *flag = true;
    if (flag != &printer) continue;
    SeenFlags seen{};
    const char *const pair[] = {"", argv[i], i + 1 < argc ? argv[i + 1] : ""};
    if (i + 1 >= argc || !parse_options(3, pair, job, &seen)) {
      return "-P: a printer name of 1 to 1024 bytes must follow";
    }
    ++i;
  }
  return printer ? nullptr : "missing -P";
}

void print_input_error(const ApplyCommand &c, const SetError &e) {
  const char *file = std::strcmp(c.file, "-") == 0 ? "standard input" : c.file;
  print_failure_start(file);
  if (e.unreadable) {
    (void)std::fprintf(stderr, "%s\n", std::strerror(errno));
  } else if (e.not_json) {
    (void)std::fprintf(stderr, "not JSON at offset %zu: %s\n", e.at, e.reason);
  } else if (e.wrong_model) {
    const size_t kept = e.other_len < sizeof e.other_model ? e.other_len : sizeof e.other_model;
    (void)std::fputs("the formats are for model '", stderr);
    print_escaped_name(e.other_model, kept, stderr);
    (void)std::fprintf(stderr, "%s', not '", kept < e.other_len ? "..." : "");
    print_escaped_name(c.job->model, std::strlen(c.job->model), stderr);
    (void)std::fputs("'\n", stderr);
  } else if (e.name[0] != '\0') {
    (void)std::fputs("format '", stderr);
    print_escaped_name(e.name, std::strlen(e.name), stderr);
    (void)std::fprintf(stderr, "': %s\n", e.reason);
  } else if (e.format != 0) {
    (void)std::fprintf(stderr, "format %ld: %s\n", e.format, e.reason);
  } else {
    (void)std::fprintf(stderr, "%s\n", e.reason);
  }
}

const char *const kActions[] = {"added", "replaced", "removed"};

// The changes carried out (all decided ones when previewed), then the
// orphaned lines dropped and settings reset with them, as lines or one
// JSON document.
void print_changes(const ApplyCommand &c) {
  if (c.json) {
    (void)std::fputs("{\"model\":", stdout);
    write_json_text(c.job->model);
    (void)std::fputs(",\"changes\":[", stdout);
  }
  bool first = true;
  // One change: a line, or a member of the document's list.
  const auto put = [&](const char *action, const char *name, size_t len, long long width, long long height) {
    if (c.json) {
      std::printf("%s{\"action\":\"%s\",\"name\":", first ? "" : ",", action);
      write_json_string(name, len);
      std::printf(",\"width\":%lld,\"height\":%lld}", width, height);
    } else {
      std::printf("%s\t", action);
      print_escaped_name(name, len);
      std::printf("\t%lldx%lld\n", width, height);
    }
    first = false;
  };
  for (size_t i = 0; i < c.plan.count; ++i) {
    const FormatChange &change = c.plan.changes[i];
    // A replaced format whose add the companion refused was removed.
    const bool removed = change.kind == ChangeKind::kReplaced && change.state == ChangeState::kOldGone;
    if (!c.preview && change.state != ChangeState::kDone && !removed) continue;
    int64_t width = 0, height = 0;
    listed_change_size(*c.job, c.set, change, &width, &height);
    const char *action = kActions[static_cast<int>(removed ? ChangeKind::kRemoved : change.kind)];
    put(action, change.name, change.name_len, width, height);
  }
  for (size_t i = 0; i < c.plan.orphan_count; ++i) {
    const ApplyOrphan &o = c.plan.orphans[i];
    put(o.file == kSettingsFile ? "reset setting" : "removed orphan", "", 0, o.width, o.height);
  }
  if (c.json) (void)std::fputs("]}\n", stdout);
}

// Decides and carries out the apply, or shows it; under the lock.
long locked_apply(ApplyCommand &c) {
  // An interrupted request is finished by --repair before the set is made.
  const int32_t open = refuse_if_interrupted(*c.job, c.root);
  if (open != kOpDone) return report_step_failure(open);
  int32_t rc = decide_apply(*c.job, c.root, c.set, c.keep_others, &c.plan);
  if (rc == kOpDone && c.preview) {
    // Every check the apply makes before the changes are shown.
    const auto shown = [](void *ctx) { print_changes(*static_cast<const ApplyCommand *>(ctx)); };
    rc = preview_apply(*c.job, c.root, c.set, &c.plan, c.json, shown, &c);
  } else if (rc == kOpDone) {
    rc = run_recorded_apply(*c.job, c.root, c.set, c.keep_others, &c.plan);
    if (rc == kOpDone || rc == kOpCompanionFailed) print_changes(c);
  }
  if (rc != kOpCompanionFailed) return rc == kOpDone ? 0 : report_step_failure(rc);
  const FormatChange &failed = c.plan.changes[c.plan.failed];
  const char *reason = failure_reason(kOpCompanionFailed);
  print_failure_start(failed_driver_file());
  (void)std::fprintf(stderr, "%s while applying '", reason);
  print_escaped_name(failed.name, failed.name_len, stderr);
  (void)std::fputs("'\n", stderr);
  return -1;
}

}  // namespace

int run_apply_command(int argc, const char *const *argv, PaperJob *job, const char *root, bool preview) {
  ApplyCommand c{nullptr, job, root, preview, false, false, {}, {}};
  const char *wrong = read_words(argc, argv, job, &c);
  if (wrong != nullptr) return usage_error(preview ? "--dry-run" : "--apply", wrong);
  SetError error{};
  if (read_format_set(c.file, *job, &c.set, &error) != 0) {
    print_input_error(c, error);
    return 2;
  }
  long status = -1;
  if (under_driver_lock(*job, root, !preview, [&] { return locked_apply(c); }, &status) != 0) {
    status = report_step_failure(-1);
  }
  free_apply_plan(&c.plan);
  free_format_set(&c.set);
  return static_cast<int>(status);
}
