// A request's steps, taken or shown: the companion tool run or printed,
// each driver file rewritten or its rewrite gathered for the dry run's diff.
#include "driverfiles/change/driver_edit.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "driverfiles/sys/companion.h"
#include "driverfiles/model/model_files.h"
#include "driverfiles/sys/sys_io.h"

namespace {

const char kRollDefaultPaper[] = "MediaSize=29X1\n";
const char kTapeDefaultPaper[] = "Media=zkS12mm\n";
const size_t kMaxArgs = 16;

void keep_text(char *to, size_t cap, const char *from) {
  if (from != nullptr) (void)std::snprintf(to, cap, "%s", from);
}

// One given twice matches as once: the set is sorted and searched when shown.
int add_match(PendingPlan *p, const char *match) {
  if (make_room(&p->matches, &p->match_cap, p->match_count) != 0) return -1;
  keep_text(p->matches[p->match_count++].text, kFormatIdMax, match);
  return 0;
}

// A dry run's rewrite, its file already checked: the plan gathered.
int32_t gather_plan(const Steps &steps, DriverFile which, const RewritePlan &plan) {
  DryRun *dry_run = steps.dry_run;
  PendingPlan &p = dry_run->pending[which];
  if (!p.touched) {
    p.touched = true;
    p.order = dry_run->touched++;
  }
  if (plan.match != nullptr && add_match(&p, plan.match) != 0) return kOpFileFailed;
  for (size_t i = 0; plan.matches != nullptr && i < plan.matches->count; ++i) {
    if (add_match(&p, plan.matches->ids[i].text) != 0) return kOpFileFailed;
  }
  if (plan.replace != nullptr) p.replace = plan.replace;
  if (plan.marker != nullptr) p.marker = plan.marker;
  keep_text(p.insert, sizeof p.insert, plan.insert);
  keep_text(p.append, sizeof p.append, plan.append);
  return kOpDone;
}

// Companion call text: printed, or added to the held calls (-1: no memory).
// Standard output's errors are checked once, before the exit.
int put_text(HeldCalls *held, const char *text, size_t len) {
  if (held == nullptr) {
    (void)std::fwrite(text, 1, len, stdout);
    return 0;
  }
  return append_text(&held->text, &held->len, &held->cap, text, len);
}

// An argument as the shell would take it back: quoted unless plain.
int put_word(HeldCalls *held, const char *word) {
  const size_t len = std::strlen(word);
  if (len != 0 && std::strspn(word, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                    "0123456789_./=:,+-%@") == len) {
    return put_text(held, word, len);
  }
  int rc = put_text(held, "'", 1);
  for (const char *c = word; *c != '\0'; ++c) {
    rc |= *c == '\'' ? put_text(held, "'\\''", 4) : put_text(held, c, 1);
  }
  return rc | put_text(held, "'", 1);
}

// A file step's result; a failure names its file for the error line.
int32_t noted(int rc, const char *path) {
  if (rc == 0) return kOpDone;
  note_failed_driver_file(path);
  return kOpFileFailed;
}

const char *or_null(const char *text) { return *text != '\0' ? text : nullptr; }

int32_t commit_driver_file(const Steps &steps, DriverFile which, const RewritePlan &plan, PreparedFile *prepared) {
  if (steps.dry_run != nullptr) return gather_plan(steps, which, plan);
  return noted(commit_rewrite(prepared), prepared->file);
}

// A dry run first checks that the tool could be started, and names the
// tool that could not either way.
int32_t run_model_companion(const PaperJob &job, const Steps &steps, const char *const *args) {
  const char *tool = job.companion_path;
  const char *argv[kMaxArgs + 2] = {tool};
  size_t n = 1;
  for (const char *const *arg = args; *arg != nullptr && n <= kMaxArgs; ++arg) argv[n++] = *arg;
  if ((steps.dry_run == nullptr ? run_companion(argv) : check_companion(tool)) != 0) {
    note_failed_driver_file(tool);
    return kOpCompanionFailed;
  }
  if (steps.dry_run == nullptr || steps.dry_run->quiet) return kOpDone;
  HeldCalls *held = steps.dry_run->held;
  int rc = put_text(held, "run:", 4);
  for (size_t i = 0; i < n; ++i) rc |= put_text(held, " ", 1) | put_word(held, argv[i]);
  return (rc | put_text(held, "\n", 1)) == 0 ? kOpDone : kOpFileFailed;
}

const DriverFile kRemovalOrder[4] = {kImagingArea, kSettingsFile, kPaperTable, kFunctionFile};

DryRun the_dry_run;  // one dry run a program run at most

// Prints the diff of every file the dry run touched, in the order touched.
int32_t show_dry_run(const DryRun &dry_run, PaperJob job, const char *root) {
  if (format_job_paths(&job, root) != 0) return kOpFileFailed;
  for (int order = 0; order < dry_run.touched; ++order) {
    for (const DriverFile which : kDriverFiles) {
      const PendingPlan &p = dry_run.pending[which];
      if (!p.touched || p.order != order) continue;
      const RewritePlan plan{nullptr, p.replace, p.marker, or_null(p.insert), or_null(p.append)};
      if (p.match_count > 1) std::qsort(p.matches, p.match_count, sizeof(FormatId), compare_match_ids);
      const MatchSet set{p.matches, p.match_count};
      if (show_driver_file(job, which, plan, p.match_count ? &set : nullptr) != kOpDone) return kOpFileFailed;
    }
  }
  return kOpDone;
}

}  // namespace

int32_t fail_with(const char *path, int error) {
  errno = error;
  note_failed_driver_file(path);
  return kOpFileFailed;
}

int32_t rewrite_driver_file(const PaperJob &job, const Steps &steps, DriverFile which, const RewritePlan &plan) {
  const char *path = job.driver_path[which];
  if (steps.dry_run == nullptr) return noted(rewrite_file(path, plan), path);
  if (noted(check_rewrite(path, plan, nullptr), path) != kOpDone) return kOpFileFailed;
  return gather_plan(steps, which, plan);
}

int32_t prepare_driver_file(const PaperJob &job, const Steps &steps, DriverFile which,
                            const RewritePlan &plan, const WatchedText *watch, PreparedFile *prepared) {
  prepared->ready = false;
  const char *path = job.driver_path[which];
  const int rc = steps.dry_run != nullptr ? check_rewrite(path, plan, watch)
                                          : prepare_rewrite(path, plan, watch, prepared);
  return noted(rc, path);
}

void show_held_calls(DryRun *dry_run) {
  HeldCalls *held = dry_run->held;
  if (held == nullptr) return;
  if (held->shown != nullptr) held->shown(held->ctx);
  held->shown = nullptr;
  if (held->len != 0) (void)std::fwrite(held->text, 1, held->len, stdout);
  held->len = 0;
}

int32_t ask_companion_to_delete(const PaperJob &job, const Steps &steps) {
  const char *const args[] = {"-P", job.printer, "-d", job.label_name, "-show", "1", nullptr};
  return run_model_companion(job, steps, args);
}

int32_t ask_companion_to_add(const PaperJob &job, const Steps &steps, const FormatId &id) {
  char width[16], height[16];
  (void)std::snprintf(width, sizeof width, "%d", low_32_bits(job.width));
  (void)std::snprintf(height, sizeof height, "%d", low_32_bits(job.height));
  const char *const args[] = {"-P", job.printer, "-n", job.label_name, "-w", width,
                              "-h", height, "-specid", id.text, "-show", "1", nullptr};
  return run_model_companion(job, steps, args);
}

int32_t show_driver_file(const PaperJob &job, DriverFile which, const RewritePlan &plan, const MatchSet *set) {
  return noted(preview_file(job.driver_path[which], plan, set), job.driver_path[which]);
}

int32_t check_driver_links(const PaperJob &job) {
  const auto refused = [](const char *path) { return check_link_rule(path) != 0; };
  const auto *path = std::find_if(std::begin(job.driver_path), std::end(job.driver_path), refused);
  return path == std::end(job.driver_path) ? kOpDone : noted(-1, *path);
}

const char *default_paper_line(const PaperJob &job) {
  return is_tape(job) ? kTapeDefaultPaper : kRollDefaultPaper;
}

const DriverFile kAddOrder[3] = {kFunctionFile, kPaperTable, kImagingArea};
const DriverFile kApplyOrder[4] = {kFunctionFile, kPaperTable, kImagingArea, kSettingsFile};

int32_t prepare_copy(const PaperJob &job, const Steps &steps, const WatchedText *watch, int i, FileCopies *copies) {
  if (!copies->wanted[i]) return kOpDone;
  return prepare_driver_file(job, steps, copies->order[i], copies->plan[i], watch, &copies->prepared[i]);
}

int32_t prepare_copies(const PaperJob &job, const Steps &steps, const WatchedText *watch, FileCopies *copies) {
  int32_t rc = kOpDone;
  for (int i = 0; i < copies->count && rc == kOpDone; ++i) rc = prepare_copy(job, steps, watch, i, copies);
  return rc;
}

int32_t commit_copies(const Steps &steps, FileCopies *copies) {
  int32_t rc = kOpDone;
  for (int i = 0; i < copies->count && rc == kOpDone; ++i) {
    if (copies->wanted[i]) rc = commit_driver_file(steps, copies->order[i], copies->plan[i], &copies->prepared[i]);
  }
  abandon_copies(copies);
  return rc;
}

void abandon_copies(FileCopies *copies) {
  for (PreparedFile &p : copies->prepared) abandon_rewrite(&p);
}

int32_t prepare_removal(const PaperJob &job, const Steps &steps, const char *id,
                        const char *entry_id, PreparedFile *paper, FormatRemoval *removal) {
  *removal = FormatRemoval{};
  keep_text(removal->id, sizeof removal->id, id);
  keep_text(removal->entry_id, sizeof removal->entry_id, entry_id);
  FileCopies &c = removal->copies;
  c.order = kRemovalOrder;
  c.count = 4;
  for (int i = 0; i < 4; ++i) {
    c.wanted[i] = i == 3 ? entry_id != nullptr : id != nullptr;
    c.plan[i] = RewritePlan{i == 3 ? removal->entry_id : removal->id, i == 1 ? default_paper_line(job) : nullptr,
                            nullptr, nullptr, nullptr};
    if (i == 2 && paper != nullptr) {
      c.prepared[i] = *paper;
      paper->ready = false;
    } else if (prepare_copy(job, steps, nullptr, i, &c) != kOpDone) {
      return kOpFileFailed;
    }
  }
  return kOpDone;
}

DryRun *start_dry_run() {
  the_dry_run = DryRun{};
  return &the_dry_run;
}

int32_t end_dry_run(DryRun *dry_run, const PaperJob &job, const char *root, bool show) {
  const int32_t rc = show ? show_dry_run(*dry_run, job, root) : kOpDone;
  for (PendingPlan &p : dry_run->pending) std::free(p.matches);
  *dry_run = DryRun{};
  return rc;
}
