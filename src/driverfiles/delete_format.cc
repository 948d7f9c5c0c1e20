// Deleting a label format: the companion tool first, then every driver line
// that carries the format's identifier; a settings line that selected it
// falls back to the model's default paper.
#include <cstdio>

#include "driverfiles/driver_edit.h"
#include "driverfiles/format_id.h"
#include "front/operations.h"

namespace {

const char kRollDefaultPaper[] = "MediaSize=29X1\n";
const char kTapeDefaultPaper[] = "Media=zkS12mm\n";

int32_t ask_companion_to_delete(const PaperJob &job, const char *root) {
  const char *const args[] = {"-P",           job.printer, "-d",
                              job.label_name, "-show",     "1",
                              nullptr};
  return run_model_companion(job, root, args);
}

// Finds the format in one driver file; kOpDone with *id filled when found.
int32_t look_up(PaperJob *job, const char *root, DriverFile which,
                FormatId *id) {
  if (format_driver_path(job->scratch_path, sizeof job->scratch_path, root,
                         job->model, which) != 0) {
    return kOpFileFailed;
  }
  const int found = find_format_id(job->scratch_path, job->label_name, id);
  if (found < 0) return kOpFileFailed;
  return found == 1 ? kOpDone : kOpNotFound;
}

int32_t drop_lines(PaperJob *job, const char *root, DriverFile which,
                   const FormatId &id) {
  const RewritePlan plan{LineAction::kDrop, id.text, nullptr, nullptr};
  return rewrite_driver_file(job, root, which, plan);
}

}  // namespace

// Removes the format's lines in the reverse of the order an add writes
// them, entry lines last: a run cut short at any point leaves the entries
// in place, so the next delete finds the format again and finishes.
int32_t delete_label_format(PaperJob job, const char *root) {
  int32_t rc = ask_companion_to_delete(job, root);
  if (rc != kOpDone) return rc;

  FormatId entry{};
  const int32_t in_functions = look_up(&job, root, DriverFile::kFunctionFile, &entry);
  if (in_functions == kOpFileFailed) return kOpFileFailed;
  // The paper table's own entry names the identifier for the other files.
  FormatId id{};
  const int32_t in_papers = look_up(&job, root, DriverFile::kPaperTable, &id);
  if (in_papers == kOpFileFailed) return kOpFileFailed;

  if (in_papers == kOpDone) {
    rc = drop_lines(&job, root, DriverFile::kImagingArea, id);
    if (rc != kOpDone) return rc;
    const RewritePlan reset{LineAction::kReplace, id.text,
                            is_tape(job) ? kTapeDefaultPaper : kRollDefaultPaper,
                            nullptr};
    rc = rewrite_driver_file(&job, root, DriverFile::kSettingsFile, reset);
    if (rc != kOpDone) return rc;
    rc = drop_lines(&job, root, DriverFile::kPaperTable, id);
    if (rc != kOpDone) return rc;
  }
  if (in_functions == kOpDone) {
    rc = drop_lines(&job, root, DriverFile::kFunctionFile, entry);
    if (rc != kOpDone) return rc;
  }
  // A format without a paper table entry was never fully there.
  return in_papers;
}
