// Requests with their intent recorded, and the finishing of an
// interrupted one (see recorded_request.h).
#include "driverfiles/change/recorded_request.h"

#include <sys/time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/change/add_format.h"
#include "driverfiles/change/apply_formats.h"
#include "driverfiles/change/audit_log.h"
#include "driverfiles/model/model_files.h"
#include "driverfiles/lines/rewrite.h"
#include "driverfiles/sys/sys_io.h"

namespace {

// One request's record: written at the first step that needs it, again
// when the add's identifier moves on.
struct Recording {
  const char *root;
  Intent intent;
  bool written;
  AskHook hook;
  const ApplyPlan *plan;  // an apply's: the selections its replacements move
  size_t move_cap;
};

// The selections of the formats an apply replaces, as the settings file
// holds them: 0, or -1 (no memory).
int note_moves(Recording *r) {
  const ApplyPlan &plan = *r->plan;
  Intent &in = r->intent;
  in.move_count = 0;
  for (size_t i = 0; i < plan.count; ++i) {
    const FormatChange &c = plan.changes[i];
    if (c.kind != ChangeKind::kReplaced || !inventory_holds(plan.inv, kSettingsFile, c.old_id.text)) continue;
    if (make_room(&in.moves, &r->move_cap, in.move_count) != 0) return -1;
    in.moves[in.move_count++] = FollowedSetting{c.old_id, c.spec};
  }
  return 0;
}

int32_t record_before_asking(void *ctx, const FormatId *id) {
  Recording *r = static_cast<Recording *>(ctx);
  if (r->written && (id == nullptr || std::strcmp(id->text, r->intent.id.text) == 0)) return kOpDone;
  if (id != nullptr) r->intent.id = *id;
  if (r->plan != nullptr && note_moves(r) != 0) return kOpFileFailed;
  r->written = true;  // a failed write may have left it in place
  hold_directory_syncs();  // once it is, the renames share their syncs
  return write_intent(r->root, r->intent) == 0 ? kOpDone : kOpFileFailed;
}

// The directories of the renames made while the record was in place,
// synced once each (rewrite.h): true, or false with *rc a file's failure
// (the directory noted) unless it tells one already (its errno kept).
bool held_synced(int32_t *rc) {
  const int why = errno;
  const char *dir = nullptr;
  const bool synced = sync_held_directories(&dir) == 0;
  if (synced || *rc == kOpFileFailed) {
    errno = why;
  } else {
    note_failed_driver_file(dir);
    *rc = kOpFileFailed;
  }
  return synced;
}

// The record stays for --repair while a step the companion tool agreed to
// is not all in place or not known durable; else it goes, synced after a
// failure.
int32_t close_recording(Recording *r, int32_t rc) {
  if (!r->written || !held_synced(&rc) || r->hook.pending) return rc;
  if (rc < 0) {
    SavedErrno saved;  // a failed request reports its own failure, and its file
    char failed[kPathMax];
    (void)copy_path(failed, sizeof failed, failed_driver_file(), std::strlen(failed_driver_file()));
    (void)remove_intent(r->root, r->intent.job.model, true);
    note_failed_driver_file(failed);
    return rc;
  }
  return remove_intent(r->root, r->intent.job.model, false) == 0 ? rc : kOpFileFailed;
}

// The first identifier an add will try from choice's time digits, moved
// on past the one the name's entry holds now: a record naming that one
// would read as finished while the old format is still there. Whether
// the name has an entry (1, 0), or -1.
int first_identifier(const PaperJob &job, AddChoice *choice, FormatId *first) {
  FormatId held{};
  const int found = find_format_id(job.driver_path[kFunctionFile], job.label_name, &held);
  *first = make_format_id(job, choice->seconds, choice->microseconds);
  if (found > 0 && std::strcmp(first->text, held.text) == 0) {
    next_time_digits(&choice->seconds, &choice->microseconds);
    *first = make_format_id(job, choice->seconds, choice->microseconds);
  }
  return found;
}

// An add request's steps: its paths, what the add needs checked, the
// temporary copies' places, the record (with the first identifier the
// add will try), the delete of the name, the add. A copy that could not
// be made or a record that cannot be written fails, before anything is
// asked, as the step that would have met it first: the delete's when the
// name has an entry, else the add's.
int32_t add_request_steps(PaperJob job, const Steps &steps, AddChoice choice, AskHook *hook, bool *in_add) {
  *in_add = false;
  int32_t rc = format_job_paths(&job, steps.root) == 0 ? check_add_targets(job) : kOpFileFailed;
  FormatId first = choice.fixed != nullptr ? *choice.fixed : FormatId{};
  const int held = rc != kOpDone || choice.fixed != nullptr ? 1 : first_identifier(job, &choice, &first);
  if (held < 0) rc = kOpFileFailed;
  if (rc == kOpDone) rc = check_add_copies(job);
  if (rc == kOpDone && hook != nullptr) rc = hook->before(hook->ctx, &first);
  *in_add = rc != kOpDone && held == 0;
  if (rc == kOpDone) rc = delete_label_format(job, steps.root, steps.dry_run, hook);
  if (rc < 0) return rc;
  *in_add = true;
  return add_label_format(job, steps.root, steps.dry_run, &choice, hook);
}

// 1 when the files (job's paths) show the recorded request finished, 0
// when not, -1.
int intent_finished(const Intent &intent, const PaperJob &job) {
  FormatId entry{};
  const int found = find_format_id(job.driver_path[kFunctionFile], job.label_name, &entry);
  if (found < 0) return -1;
  if (!intent.add) return found == 0 ? 1 : 0;
  if (found == 0 || std::strcmp(entry.text, intent.id.text) != 0) return 0;
  const int holds = driver_file_holds(job.driver_path[kPaperTable], intent.id.text);
  return holds == 1 ? driver_file_holds(job.driver_path[kImagingArea], intent.id.text) : holds;
}

// The selections the record says moved, that the settings file holds
// under an identifier no entry holds any more (the function file was
// renamed): taken from the orphans, to follow their formats on (into
// *followed, which the caller frees). 0, or -1 (no memory).
int take_followed(const Intent &intent, ApplyPlan *plan, FollowedSetting **followed) {
  size_t cap = 0;
  for (size_t m = 0; m < intent.move_count; ++m) {
    for (size_t i = 0; i < plan->orphan_count; ++i) {
      const ApplyOrphan &o = plan->orphans[i];
      if (o.file != kSettingsFile || std::strcmp(o.id.text, intent.moves[m].id.text) != 0) continue;
      if (make_room(followed, &cap, plan->followed_count) != 0) return -1;
      (*followed)[plan->followed_count++] = intent.moves[m];
      std::memmove(&plan->orphans[i], &plan->orphans[i + 1], (--plan->orphan_count - i) * sizeof(ApplyOrphan));
      break;
    }
  }
  plan->followed = *followed;
  return 0;
}

// An interrupted apply, run again from its record: the changes it made
// are found kept, so only the rest is asked and written, and a selection
// it moved ahead of its format follows the format on.
int32_t finish_apply(const Intent &intent, const Steps &steps) {
  const FormatSet set{intent.formats, intent.format_count, intent.format_count};
  ApplyPlan plan{};
  FollowedSetting *followed = nullptr;
  int32_t rc = decide_apply(intent.job, steps.root, set, intent.keep_others, &plan);
  if (rc == kOpDone && take_followed(intent, &plan, &followed) != 0) rc = kOpFileFailed;
  if (rc == kOpDone) rc = run_apply(intent.job, steps.root, set, &plan, steps.dry_run, nullptr);
  free_apply_plan(&plan);
  std::free(followed);
  return rc;
}

// The recorded request's steps, repeated unless its files show it finished.
int32_t repeat_recorded(const Intent &intent, const Steps &steps) {
  if (intent.apply) return finish_apply(intent, steps);
  PaperJob job = intent.job;
  if (format_job_paths(&job, steps.root) != 0) return kOpFileFailed;
  const int finished = intent_finished(intent, job);
  if (finished != 0) return finished < 0 ? kOpFileFailed : kOpDone;
  bool in_add = false;
  if (intent.add) return add_request_steps(job, steps, AddChoice{0, 0, &intent.id}, nullptr, &in_add);
  return delete_label_format(job, steps.root, steps.dry_run);
}

}  // namespace

int32_t refuse_if_interrupted(const PaperJob &job, const char *root) {
  Intent intent{};
  const int state = read_intent(root, job.model, &intent);
  if (state < 0) return kOpFileFailed;
  if (state == kNoIntent) return kOpDone;
  char path[kPathMax];
  const bool open_record = state == kOpenIntent;
  if (open_record) {
    const PaperJob &open = intent.job;
    if (intent.apply) print_interrupted_apply(intent.format_count, open.printer);
    else print_interrupted(intent.add, open.label_name, std::strlen(open.label_name), open.printer);
    free_intent(&intent);
  }
  if (format_intent_path(path, sizeof path, root, job.model) != 0) return kOpFileFailed;
  if (!open_record) std::printf("%s: %s\n", path, kDamagedIntentReason);
  // The refusal is a failure like any other on standard error: the record, and why.
  note_failed_driver_file(path);
  errno = open_record ? 0 : EBADMSG;
  return kOpIntentOpen;
}

int32_t run_recorded_request(const PaperJob &job, const char *root, bool add, DryRun *dry_run, bool *in_add) {
  Recording r{};
  r = Recording{root, Intent{add, {}, job, false, false, nullptr, 0, nullptr, 0}, false,
                AskHook{record_before_asking, &r, false}, nullptr, 0};
  AskHook *hook = dry_run == nullptr ? &r.hook : nullptr;
  const Steps steps{root, dry_run};
  *in_add = false;
  if (!add) return close_recording(&r, delete_label_format(job, steps.root, steps.dry_run, hook));
  struct timeval now {};
  if (sys_io.gettimeofday(&now, nullptr) != 0) {
    *in_add = true;  // the add step's own clock, as the add reads it
    return kOpFileFailed;
  }
  const AddChoice choice{now.tv_sec, now.tv_usec, nullptr};
  return close_recording(&r, add_request_steps(job, steps, choice, hook, in_add));
}

int32_t run_recorded_apply(const PaperJob &job, const char *root, const FormatSet &set,
                           bool keep_others, ApplyPlan *plan) {
  Recording r{};
  Intent intent{false, {}, job, true, keep_others, set.formats, set.count, nullptr, 0};
  r = Recording{root, intent, false, AskHook{record_before_asking, &r, false}, plan, 0};
  const int32_t rc = close_recording(&r, run_apply(job, root, set, plan, nullptr, &r.hook));
  std::free(r.intent.moves);
  return rc;
}

int32_t finish_intent(const Intent &intent, const Steps &steps) {
  if (steps.dry_run == nullptr) hold_directory_syncs();  // the record is in place throughout
  int32_t rc = repeat_recorded(intent, steps);
  if ((steps.dry_run == nullptr && !held_synced(&rc)) || rc < 0) return rc;
  (void)std::fputs("finished: ", stdout);
  print_intent(intent);
  std::putchar('\n');
  if (steps.dry_run != nullptr) return kOpDone;
  const PaperJob &job = intent.job;
  if (intent.apply) {
    log_format_change({"finished apply", job.model, job.printer, "", 0, "", 0, 0});
  } else {
    log_format_change({intent.add ? "finished add" : "finished delete", job.model, job.printer, job.label_name,
                       std::strlen(job.label_name), intent.add ? intent.id.text : "", job.width, job.height});
  }
  return remove_intent(steps.root, job.model, false) == 0 ? kOpDone : kOpFileFailed;
}
