// Adding a label format: a fresh identifier, the companion tool, then the
// entry, paper table and imaging-area lines. The settings file is left
// alone.
#include <sys/time.h>

#include <string>

#include "driverfiles/driver_edit.h"
#include "driverfiles/format_id.h"
#include "driverfiles/label_lines.h"
#include "driverfiles/text_format.h"
#include "front/operations.h"

namespace {

const char kCustomTapeMarker[] = "[CustomTape]";

int32_t ask_companion_to_add(const PaperJob &job, const FormatId &id,
                             const char *root) {
  const std::string width = format_text("%d", low_32_bits(job.width));
  const std::string height = format_text("%d", low_32_bits(job.height));
  const char *const args[] = {"-P",    job.printer,    "-n",    job.label_name,
                              "-w",    width.c_str(),  "-h",    height.c_str(),
                              "-specid", id.text,   "-show", "1",
                              nullptr};
  return run_model_companion(job, root, args);
}

int32_t append_line(PaperJob *job, const char *root, DriverFile which,
                    const std::string &line) {
  const RewritePlan plan{LineAction::kKeepAll, nullptr, nullptr, line.c_str()};
  return rewrite_driver_file(job, root, which, plan);
}

}  // namespace

int32_t add_label_format(PaperJob job, const char *root) {
  struct timeval now {};
  gettimeofday(&now, nullptr);  // cannot fail with a valid buffer
  const FormatId id = make_format_id(job, now.tv_sec, now.tv_usec);

  int32_t rc = ask_companion_to_add(job, id, root);
  if (rc != kOpDone) return rc;

  const std::string entry = entry_line(id, job);
  const RewritePlan insert{LineAction::kInsertAfter, kCustomTapeMarker,
                           entry.c_str(), nullptr};
  rc = rewrite_driver_file(&job, root, DriverFile::kFunctionFile, insert);
  if (rc != kOpDone) return rc;
  rc = append_line(&job, root, DriverFile::kPaperTable, paper_line(id, job));
  if (rc != kOpDone) return rc;
  return append_line(&job, root, DriverFile::kImagingArea,
                     imaging_line(id, job));
}
