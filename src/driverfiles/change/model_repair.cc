// Repairing a model's driver files: what the check finds and the files
// alone tell how to mend, planned from one reading and then carried out,
// or shown as a dry run through the same steps.
#include "driverfiles/change/model_repair.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/change/audit_log.h"
#include "driverfiles/model/check_findings.h"
#include "driverfiles/change/driver_edit.h"
#include "driverfiles/change/driver_lock.h"
#include "driverfiles/format/format_id.h"
#include "driverfiles/model/model_files.h"
#include "driverfiles/change/recorded_request.h"
#include "driverfiles/sys/sys_io.h"
#include "front/operations.h"

// Output goes to standard output unchecked call by call: a failure stays
// with the stream, and the entry routine checks it once before the exit.
namespace {

// Identifiers, like names, escaped as the check prints them.
void print_id(const char *id) { print_escaped_name(id, std::strlen(id)); }

void print_entry(const char *what, const FormatEntry &e, const char *after) {
  std::printf("%s: ", what);
  print_id(e.id.text);
  (void)std::fputs(" '", stdout);
  print_escaped_name(e.name, e.name_len);
  std::printf("'%s\n", after);
}

void print_reset(const char *settings, const char *id) {
  std::printf("reset setting: %s from ", settings);
  print_id(id);
  std::putchar('\n');
}

// The audit line of a change the repair made; a preview logs nothing.
void log_change(const PaperJob &job, const Steps &steps, const char *action, const char *id,
                const char *name, size_t name_len) {
  if (steps.dry_run == nullptr) log_id_change(action, job, name, name_len, id);
}

// One incomplete format, removed as a delete removes it: every copy made
// before the companion tool is asked.
int32_t remove_one(const ModelInventory &inv, const FormatEntry &e, PaperJob *job, const Steps &steps) {
  copy_text(job->label_name, e.name);
  FormatRemoval removal{};
  int32_t rc = prepare_removal(*job, steps, e.id.text, e.id.text, nullptr, &removal);
  if (rc == kOpDone) rc = ask_companion_to_delete(*job, steps);
  if (rc == kOpCompanionFailed) print_entry("not removed", e, ": the companion tool failed");
  if (rc == kOpDone) rc = commit_copies(steps, &removal.copies);
  abandon_copies(&removal.copies);
  if (rc != kOpDone) return rc;
  print_entry("removed incomplete", e, "");
  log_change(*job, steps, "removed incomplete", e.id.text, e.name, e.name_len);
  if (inventory_holds(inv, kSettingsFile, e.id.text)) {
    print_reset(inv.path[kSettingsFile], e.id.text);
    log_change(*job, steps, "reset setting", e.id.text, "", 0);
  }
  return kOpDone;
}

// Entries of skip's name (may be null) are left to the interrupted
// request's finishing, which a dry run only shows.
int32_t remove_incomplete(const ModelInventory &inv, PaperJob *job, const Steps &steps, const char *skip) {
  EntryTies *ties = nullptr;
  if (find_entry_ties(inv, &ties) != 0) return kOpFileFailed;
  int32_t rc = kOpDone;
  for (size_t i = 0; i < inv.entry_count && rc == kOpDone; ++i) {
    const FormatEntry &e = inv.entries[i];
    const bool skipped =
        skip != nullptr && e.name_len == std::strlen(skip) && std::memcmp(e.name, skip, e.name_len) == 0;
    if (!skipped && entry_mendable(inv, e, ties[i])) rc = remove_one(inv, e, job, steps);
  }
  std::free(ties);
  return rc;
}

// The file's lines under the orphans of at (its sorted identifiers that
// is_orphan() tells and no entry may hold) dropped, or replaced by
// replace: in one rewrite (or one gathered plan), so a tree of many costs
// one pass. Each is printed and logged as action.
int32_t mend_orphans(const ModelInventory &inv, PaperJob *job, const Steps &steps, DriverFile at,
                     const char *replace, const char *action) {
  const IdList &list = inv.ids[at];
  IdList orphans{};
  int32_t rc = kOpDone;
  for (size_t i = 0; i < list.count && rc == kOpDone; ++i) {
    if (!is_orphan(inv, at, i) || may_be_an_entrys(inv, list.ids[i].text)) continue;
    if (make_room(&orphans.ids, &orphans.cap, orphans.count) != 0) rc = kOpFileFailed;
    else orphans.ids[orphans.count++] = list.ids[i];
  }
  const MatchSet set{orphans.ids, orphans.count};
  const RewritePlan all{nullptr, replace, nullptr, nullptr, nullptr, &set};
  if (rc == kOpDone && orphans.count != 0) rc = rewrite_driver_file(*job, steps, at, all);
  for (size_t i = 0; i < orphans.count && rc == kOpDone; ++i) {
    const char *id = orphans.ids[i].text;
    if (at == kSettingsFile) {
      print_reset(inv.path[at], id);
    } else {
      std::printf("%s: ", action);
      print_id(id);
      std::printf(" from %s\n", inv.path[at]);
    }
    log_change(*job, steps, action, id, "", 0);
  }
  std::free(orphans.ids);
  return rc;
}

// A tree not read whole is not acted on: the file at fault is noted, with
// its reason in errno.
int32_t check_read_whole(const ModelInventory &inv) {
  int why = 0;
  const char *file = unrepairable_file(inv, &why);
  return file == nullptr ? kOpDone : fail_with(file, why);
}

// An interrupted request's record, finished first; a damaged one stops
// the repair (EBADMSG, the record noted). *name: the finished one's.
int32_t finish_recorded(const PaperJob &job, const Steps &steps, Intent *intent, const char **name) {
  const int state = read_intent(steps.root, job.model, intent);
  if (state == kOpenIntent) {
    *name = intent->job.label_name;
    return finish_intent(*intent, steps);
  }
  if (state != kDamagedIntent) return state == kNoIntent ? kOpDone : kOpFileFailed;
  char path[kPathMax];
  return format_intent_path(path, sizeof path, steps.root, job.model) == 0 ? fail_with(path, EBADMSG) : kOpFileFailed;
}

// The temporary copies an interrupted run left: the writer's lock removed
// them before the files were read; a preview finds them still there.
void report_temporaries(const ModelInventory &inv, const Steps &steps) {
  for (const DriverFile at : kDriverFiles) {
    char temp[kPathMax];
    const bool gone = steps.dry_run != nullptr ? inv.temporary[at][0] != '\0' : removed_stale_temporary(at);
    if (gone && format_temp_path(temp, sizeof temp, inv.path[at]) == 0) {
      std::printf("removed temporary copy: %s\n", temp);
    }
  }
}

void count_left(void *ctx, const Finding &f) {
  if (!f.repairable) ++*static_cast<long *>(ctx);
}

long run_repair(const PaperJob &job, const char *root, bool preview) {
  PaperJob work = job;
  const Steps steps{root, preview ? start_dry_run() : nullptr};
  ModelInventory inv{};
  Intent intent{};
  const char *finished = nullptr;
  int32_t rc = format_job_paths(&work, root) == 0 ? check_driver_links(work) : kOpFileFailed;
  if (rc == kOpDone) rc = finish_recorded(job, steps, &intent, &finished);
  if (rc == kOpDone && (read_inventory(root, job.model, &inv) != 0 || read_surroundings(root, job.model, &inv) != 0)) {
    rc = kOpFileFailed;
  }
  if (rc == kOpDone) {
    report_temporaries(inv, steps);
    rc = check_read_whole(inv);
  }
  if (rc == kOpDone) rc = remove_incomplete(inv, &work, steps, finished);
  if (rc == kOpDone) rc = mend_orphans(inv, &work, steps, kPaperTable, nullptr, "removed orphan");
  if (rc == kOpDone) rc = mend_orphans(inv, &work, steps, kImagingArea, nullptr, "removed orphan");
  // A setting no entry holds selects a missing format once the orphans are
  // gone; one that an entry holds stays (a removed one's was reset with it).
  if (rc == kOpDone) rc = mend_orphans(inv, &work, steps, kSettingsFile, default_paper_line(work), "reset setting");
  free_intent(&intent);
  if (steps.dry_run != nullptr && end_dry_run(steps.dry_run, work, root, rc == kOpDone) != kOpDone) {
    rc = kOpFileFailed;
  }
  long left = 0;
  if (rc == kOpDone && find_findings(inv, count_left, &left) < 0) rc = kOpFileFailed;
  free_inventory(&inv);
  return rc == kOpDone ? left : rc;
}

}  // namespace

long repair_formats(const PaperJob &job, const char *root) { return run_repair(job, root, false); }

long preview_repair(const PaperJob &job, const char *root) { return run_repair(job, root, true); }
