// Adding a label format: a fresh identifier no driver line holds yet, the
// companion tool, then the entry, paper table and imaging-area lines. The
// settings file is left alone.
#include "driverfiles/change/add_format.h"

#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "driverfiles/change/audit_log.h"
#include "driverfiles/change/driver_edit.h"
#include "driverfiles/format/label_lines.h"
#include "driverfiles/model/model_files.h"
#include "driverfiles/sys/sys_io.h"
#include "front/operations.h"

namespace {

// Whether id is taken where the add does not copy: the settings file
// holds it, or it holds the identifier of an existing entry (one would be
// found inside the other later). 1, 0, or -1 with errno.
int taken_elsewhere(const PaperJob &job, const FormatId &id) {
  int taken = driver_file_holds(job.driver_path[kSettingsFile], id.text);
  ModelInventory entries{};
  if (taken == 0) taken = read_entries(job.driver_path[kFunctionFile], &entries);
  for (size_t i = 0; taken == 0 && i < entries.entry_count; ++i) {
    taken = std::strstr(id.text, entries.entries[i].id.text) != nullptr ? 1 : 0;
  }
  free_inventory(&entries);
  return taken;
}

int note_taken(void *ctx, const LineScan &, const HitLine &) {
  *static_cast<bool *>(ctx) = true;
  return 0;
}

// The three files an add changes (kAddOrder), with their lines.
struct AddedFiles {
  char entry[kLineMax], paper[kLineMax], imaging[kLineMax];
  FileCopies copies;
  bool marked;  // the function file's copy has the entry after its marker
};

// Prepares the copies of the three files for id, watching each for it.
// kOpDone with *taken set when a line already holds it (nothing left
// prepared then), or kOpFileFailed; a function file whose copy lacks the
// marker line (the request's delete step may take it) fails with ENODATA.
int32_t prepare_added(const PaperJob &job, const Steps &steps, const FormatId &id, AddedFiles *files, bool *taken) {
  entry_line(id, job, files->entry, sizeof files->entry);
  paper_line(id, job, files->paper, sizeof files->paper);
  imaging_line(id, job, files->imaging, sizeof files->imaging);
  files->marked = false;
  FileCopies &c = files->copies;
  c = FileCopies{kAddOrder, 3, {}, {true, true, true}, {}};
  c.plan[0] = RewritePlan{nullptr, nullptr, kEntryMarker, files->entry, nullptr};
  c.plan[0].marker_seen = &files->marked;
  c.plan[1] = RewritePlan{nullptr, nullptr, nullptr, nullptr, files->paper};
  c.plan[2] = RewritePlan{nullptr, nullptr, nullptr, nullptr, files->imaging};
  const WatchedText watch{id.text, note_taken, taken};
  for (int i = 0; i < 3 && !*taken; ++i) {
    if (prepare_copy(job, steps, &watch, i, &c) != kOpDone) return kOpFileFailed;
    // add_format abandons what was prepared
    if (i == 0 && !files->marked) return fail_with(job.driver_path[kFunctionFile], ENODATA);
  }
  if (*taken) abandon_copies(&c);
  return kOpDone;
}

// A fresh identifier from the time digits, moved on a microsecond at a
// time while a driver line holds it (a fixed one is not moved); the three
// files' copies are prepared for it in the same pass that looks.
int32_t choose_and_prepare(const PaperJob &job, const Steps &steps, const AddChoice &choice, FormatId *id,
                           AddedFiles *files) {
  long seconds = choice.seconds, microseconds = choice.microseconds;
  // A repeated add's delete, only shown in a dry run, has not freed the
  // lines of its interrupted self: its identifier is taken as free.
  const bool shown_repeat = choice.fixed != nullptr && steps.dry_run != nullptr;
  for (long tries = 0; tries <= (choice.fixed != nullptr ? 0 : 0xFFFFF); ++tries) {
    *id = choice.fixed != nullptr ? *choice.fixed : make_format_id(job, seconds, microseconds);
    int taken = shown_repeat ? 0 : taken_elsewhere(job, *id);
    if (taken < 0) return kOpFileFailed;
    bool seen = taken > 0;
    if (!seen && prepare_added(job, steps, *id, files, &seen) != kOpDone) return kOpFileFailed;
    if (!seen || shown_repeat) return kOpDone;
    next_time_digits(&seconds, &microseconds);
  }
  errno = EEXIST;
  return kOpFileFailed;
}

// A file the add will copy can be opened and read (a missing one is
// named too: the add needs it).
int32_t check_readable(const char *path) {
  bool absent = false;
  const int fd = open_driver_file(path, &absent);
  if (fd < 0 && absent) note_failed_driver_file(path);
  if (fd < 0) return kOpFileFailed;
  char first;  // a directory opens, and fails only when read
  const ssize_t got = retry_interrupted([&] { return sys_io.read(fd, &first, 1); });
  if (got < 0) {
    SavedErrno saved;
    sys_io.close(fd);
  } else if (sys_io.close(fd) == 0) {
    return kOpDone;
  }
  note_failed_driver_file(path);
  return kOpFileFailed;
}

}  // namespace

int32_t check_add_targets(const PaperJob &job) {
  const auto &path = job.driver_path;
  const int marked = driver_file_holds(path[kFunctionFile], kEntryMarker);
  if (marked == 0 && check_readable(path[kFunctionFile]) == kOpDone) return fail_with(path[kFunctionFile], ENODATA);
  if (marked <= 0) return kOpFileFailed;
  const int32_t rc = check_readable(path[kPaperTable]);
  return rc == kOpDone ? check_readable(path[kImagingArea]) : rc;
}

int32_t check_add_copies(const PaperJob &job) {
  const auto refused = [&](DriverFile f) { return check_temporary(job.driver_path[f]) != 0; };
  const DriverFile *f = std::find_if(std::begin(kAddOrder), std::end(kAddOrder), refused);
  if (f == std::end(kAddOrder)) return kOpDone;
  note_failed_driver_file(job.driver_path[*f]);
  return kOpFileFailed;
}

// Each file the add changes is copied in the same pass that checks the
// identifier against its lines (the readiness check, and the identifier's
// look at the settings file and the entries, read apart), before the
// companion tool is asked; the copies are put in place only after it
// agreed, in the order a delete undoes them.
int32_t add_label_format(PaperJob job, const char *root, DryRun *dry_run, const AddChoice *choice, AskHook *hook) {
  const Steps steps{root, dry_run};
  FormatId id{};
  AddedFiles files{};
  struct timeval now {};
  if (choice == nullptr && sys_io.gettimeofday(&now, nullptr) != 0) return kOpFileFailed;
  const AddChoice from_clock{now.tv_sec, now.tv_usec, nullptr};
  int32_t rc = format_job_paths(&job, root) == 0 ? kOpDone : kOpFileFailed;
  if (rc == kOpDone) rc = choose_and_prepare(job, steps, choice ? *choice : from_clock, &id, &files);
  if (rc == kOpDone && hook != nullptr) rc = hook->before(hook->ctx, &id);
  if (rc == kOpDone) rc = ask_companion_to_add(job, steps, id);
  if (hook != nullptr) hook->pending = rc == kOpDone;
  if (rc == kOpDone) rc = commit_copies(steps, &files.copies);
  abandon_copies(&files.copies);
  if (rc == kOpDone && hook != nullptr) hook->pending = false;
  if (rc == kOpDone && steps.dry_run == nullptr) {
    log_format_change({"added", job.model, job.printer, job.label_name,
                       std::strlen(job.label_name), id.text, job.width, job.height,
                       nullptr, job.asked_width, job.asked_height});
  }
  return rc;
}
