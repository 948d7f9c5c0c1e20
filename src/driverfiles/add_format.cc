// Adding a label format: a fresh identifier no driver line holds yet, the
// companion tool, then the entry, paper table and imaging-area lines. The
// settings file is left alone.
#include <sys/time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/driver_edit.h"
#include "driverfiles/label_lines.h"
#include "driverfiles/model_files.h"
#include "driverfiles/sys_io.h"
#include "front/operations.h"

namespace {

const char kCustomTapeMarker[] = "[CustomTape]";

// 1 when id is taken: a driver line holds it, or it holds the identifier
// of an existing entry (one would be found inside the other later).
int format_id_taken(const PaperJob &job, const char *root, const FormatId &id) {
  ModelInventory entries{};
  for (const DriverFile which : kModelFiles) {
    char path[kPathMax];
    if (format_driver_path(path, sizeof path, root, job.model, which) != 0) return -1;
    const int holds = driver_file_holds(path, id.text);
    if (holds != 0) return holds;
  }
  int taken = read_entries(root, job.model, &entries);
  for (size_t i = 0; taken == 0 && i < entries.entry_count; ++i) {
    taken = std::strstr(id.text, entries.entries[i].id.text) != nullptr ? 1 : 0;
  }
  free_inventory(&entries);
  return taken;
}

// The identifier from the time of day, moved on a microsecond at a time
// while it is taken.
int32_t choose_format_id(const PaperJob &job, const char *root, FormatId *id) {
  struct timeval now {};
  if (sys_io.gettimeofday(&now, nullptr) != 0) return kOpFileFailed;
  long seconds = now.tv_sec, microseconds = now.tv_usec;
  for (long tries = 0; tries <= 0xFFFFF; ++tries) {
    *id = make_format_id(job, seconds, microseconds);
    const int taken = format_id_taken(job, root, *id);
    if (taken < 0) return kOpFileFailed;
    if (taken == 0) return kOpDone;
    next_time_digits(&seconds, &microseconds);
  }
  errno = EEXIST;
  return kOpFileFailed;
}

int32_t ask_companion_to_add(const PaperJob &job, const Steps &steps, const FormatId &id) {
  char width[16], height[16];
  (void)std::snprintf(width, sizeof width, "%d", low_32_bits(job.width));
  (void)std::snprintf(height, sizeof height, "%d", low_32_bits(job.height));
  const char *const args[] = {"-P", job.printer, "-n", job.label_name, "-w", width,
                              "-h", height, "-specid", id.text, "-show", "1", nullptr};
  return run_model_companion(job, steps, args);
}

}  // namespace

int32_t add_format(PaperJob *job, Steps *steps) {
  FormatId id{};
  int32_t rc = choose_format_id(*job, steps->root, &id);
  if (rc == kOpDone) rc = check_driver_links(*job, *steps);
  if (rc == kOpDone) rc = ask_companion_to_add(*job, *steps, id);
  if (rc != kOpDone) return rc;
  char entry[kLineMax], paper[kLineMax], imaging[kLineMax];
  entry_line(id, *job, entry, sizeof entry);
  paper_line(id, *job, paper, sizeof paper);
  imaging_line(id, *job, imaging, sizeof imaging);
  const RewritePlan insert{nullptr, nullptr, kCustomTapeMarker, entry, nullptr};
  const RewritePlan append_paper{nullptr, nullptr, nullptr, nullptr, paper};
  const RewritePlan append_imaging{nullptr, nullptr, nullptr, nullptr, imaging};
  rc = rewrite_driver_file(job, steps, DriverFile::kFunctionFile, insert);
  if (rc == kOpDone) rc = rewrite_driver_file(job, steps, DriverFile::kPaperTable, append_paper);
  if (rc == kOpDone) rc = rewrite_driver_file(job, steps, DriverFile::kImagingArea, append_imaging);
  return rc;
}

int32_t add_label_format(PaperJob job, const char *root) {
  Steps steps{};
  steps.root = root;
  return add_format(&job, &steps);
}
