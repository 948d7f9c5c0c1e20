// Deleting a label format: the companion tool first, then every driver line
// that carries the format's identifier; a settings line that selected it
// falls back to the model's default paper.
#include "driverfiles/driver_edit.h"
#include "driverfiles/model_files.h"
#include "front/operations.h"

namespace {

// Finds the format in one driver file; kOpDone with *id filled when found.
int32_t look_up(PaperJob *job, const char *root, DriverFile which, FormatId *id) {
  if (format_driver_path(job->scratch_path, sizeof job->scratch_path, root,
                         job->model, which) != 0) {
    return kOpFileFailed;
  }
  const int found = find_format_id(job->scratch_path, job->label_name, id);
  if (found < 0) return kOpFileFailed;
  return found == 1 ? kOpDone : kOpNotFound;
}

}  // namespace

// A name the function file does not hold is not there: nothing changes.
// The paper table's entry names the identifier for the other files.
int32_t delete_format(PaperJob *job, Steps *steps) {
  int32_t rc = ask_companion_to_delete(*job, *steps);
  if (rc != kOpDone) return rc;
  FormatId entry{};
  rc = look_up(job, steps->root, DriverFile::kFunctionFile, &entry);
  if (rc != kOpDone) return rc;
  FormatId id{};
  const int32_t in_papers = look_up(job, steps->root, DriverFile::kPaperTable, &id);
  if (in_papers == kOpFileFailed) return kOpFileFailed;
  rc = check_driver_links(*job, *steps);
  if (rc == kOpDone) {
    rc = remove_format_lines(job, steps, in_papers == kOpDone ? id.text : nullptr, entry.text);
  }
  // A format without a paper table entry was never fully there.
  return rc == kOpDone ? in_papers : rc;
}

int32_t delete_label_format(PaperJob job, const char *root) {
  Steps steps{};
  steps.root = root;
  return delete_format(&job, &steps);
}
