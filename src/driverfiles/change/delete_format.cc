// Deleting a label format: every driver line that carries the format's
// identifier goes, and a settings line that selected it falls back to the
// model's default paper; the companion tool is asked between the copies
// and their commit.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/change/audit_log.h"
#include "driverfiles/change/driver_edit.h"
#include "driverfiles/model/model_files.h"
#include "front/operations.h"

namespace {

// The paper table's entry of the name, looked up while the table is copied.
struct PaperLookup {
  const char *name;
  FormatId id;
  bool found;
};

int note_paper_entry(void *ctx, const LineScan &scan, const HitLine &hit) {
  PaperLookup *lookup = static_cast<PaperLookup *>(ctx);
  if (lookup->found) return 0;
  const int rc = match_name_in_line(scan, hit, lookup->name, &lookup->id);
  lookup->found = rc > 0;
  return rc < 0 ? -1 : 0;
}

// The paper table's lines under entry_id, dropped into a prepared copy,
// while its own entry of the name is looked up. A missing table holds none.
int32_t prepare_paper(const PaperJob &job, const Steps &steps, const char *entry_id,
                      PaperLookup *lookup, PreparedFile *paper) {
  char slash_name[kLabelNameMax + 2];
  (void)std::snprintf(slash_name, sizeof slash_name, "/%s", job.label_name);
  const RewritePlan drop{entry_id, nullptr, nullptr, nullptr, nullptr};
  const WatchedText watch{slash_name, note_paper_entry, lookup};
  const int32_t rc = prepare_driver_file(job, steps, kPaperTable, drop, &watch, paper);
  return rc == kOpFileFailed && (errno == ENOENT || errno == ENOTDIR) ? kOpDone : rc;
}

// The copies of every file the delete changes, for the entry found. The
// paper table's entry names the identifier for the other files; in the
// usual case it is the function file's, and the paper table is read
// once, its lines dropped on the way. Each copy refuses a link it may not
// follow, before anything is asked.
int32_t prepare_delete(const PaperJob &job, const Steps &steps, const FormatId &entry, bool *paper_found,
                       FormatRemoval *removal) {
  PaperLookup lookup{job.label_name, {}, false};
  PreparedFile paper{};
  int32_t rc = prepare_paper(job, steps, entry.text, &lookup, &paper);
  if (rc != kOpDone) return rc;
  const bool same = lookup.found && std::strcmp(lookup.id.text, entry.text) == 0;
  if (!same) abandon_rewrite(&paper);
  *paper_found = lookup.found;
  rc = prepare_removal(job, steps, lookup.found ? lookup.id.text : nullptr, entry.text,
                       same ? &paper : nullptr, removal);
  abandon_rewrite(&paper);
  return rc;
}

}  // namespace

// Everything the delete will change is read and copied before the
// companion tool is asked, so a fault seen on the way changes nothing on
// either side. A name the function file does not hold is not there:
// nothing changes, but the companion tool is still asked.
int32_t delete_label_format(PaperJob job, const char *root, DryRun *dry_run, AskHook *hook) {
  const Steps steps{root, dry_run};
  if (format_job_paths(&job, root) != 0) return kOpFileFailed;
  FormatId entry{};
  const int found = find_format_id(job.driver_path[kFunctionFile], job.label_name, &entry);
  if (found < 0) return kOpFileFailed;
  bool paper_found = false;
  FormatRemoval removal{};
  int32_t rc = found > 0 ? prepare_delete(job, steps, entry, &paper_found, &removal) : kOpDone;
  if (rc == kOpDone && found > 0 && hook != nullptr) rc = hook->before(hook->ctx, nullptr);
  if (rc == kOpDone) rc = ask_companion_to_delete(job, steps);
  if (hook != nullptr) hook->pending = rc == kOpDone && found > 0;
  if (rc == kOpDone && found > 0) rc = commit_copies(steps, &removal.copies);
  abandon_copies(&removal.copies);
  if (rc == kOpDone && hook != nullptr) hook->pending = false;
  if (rc == kOpDone && found > 0 && steps.dry_run == nullptr) {
    log_id_change("removed", job, job.label_name, std::strlen(job.label_name), entry.text);
  }
  // A format without a paper table entry was never fully there.
  return rc == kOpDone && !paper_found ? kOpNotFound : rc;
}
