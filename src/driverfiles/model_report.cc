#include "driverfiles/model_report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/check_findings.h"
#include "driverfiles/driver_edit.h"
#include "driverfiles/model_files.h"
#include "driverfiles/sys_io.h"
#include "front/operations.h"

// Output goes to standard output unchecked call by call: a failure stays
// with the stream, and the entry routine checks it once before the exit.
namespace {

// Names come from lines, so they never hold a newline.
void print_name(const char *name, size_t len) { print_escaped_name(name, len); }

void print_quoted(const FormatEntry &e) {
  std::putchar('\'');
  print_name(e.name, e.name_len);
  std::putchar('\'');
}

bool lacks(const ModelInventory &inv, int at, const FormatEntry &e) {
  return inv.present[at] && !inventory_holds(inv, at, e.id.text);
}

void print_line(void *, const Finding &f) { print_finding(f); }

void count_only(void *, const Finding &) {}

// A repair step: reads the inventory afresh and changes what it may.
typedef int32_t (*RepairStep)(const ModelInventory &inv, PaperJob *job, Steps *steps);

void print_failure(const char *what, const FormatEntry &e) {
  std::printf("not removed: %s ", e.id.text);
  print_quoted(e);
  std::printf(": %s\n", what);
}

// One incomplete format, removed as a delete removes it: every copy made
// before the companion tool is asked.
int32_t remove_one(const ModelInventory &inv, const FormatEntry &e, PaperJob *job, Steps *steps) {
  copy_text(job->label_name, e.name);
  FormatRemoval removal{};
  int32_t rc = prepare_removal(job, *steps, e.id.text, e.id.text, nullptr, &removal);
  if (rc == kOpDone) rc = ask_companion_to_delete(*job, *steps);
  if (rc == kOpCompanionFailed) print_failure("the companion tool failed", e);
  if (rc == kOpDone) rc = commit_removal(job, steps, &removal);
  abandon_removal(&removal);
  if (rc != kOpDone) return rc;
  std::printf("removed incomplete: %s ", e.id.text);
  print_quoted(e);
  std::putchar('\n');
  if (inventory_holds(inv, kSettingsAt, e.id.text)) {
    std::printf("reset setting: %s from %s\n", inv.path[kSettingsAt], e.id.text);
  }
  return kOpDone;
}

// Left alone: a name this tool could not have given (it would reach the
// companion tool cut short, where it might name another format), a name
// or identifier another entry holds too, and one inside a longer
// identifier, whose lines are that format's too.
bool mendable(const ModelInventory &inv, const FormatEntry &e, const EntryTies &t) {
  return e.name_len <= kLabelNameMax && !e.zero_byte && e.parts.name_len == e.name_len &&
         !t.name_held_twice && !t.id_held_twice && !in_a_longer_entry_id(inv, e.id.text) &&
         is_incomplete(inv, e);
}

int32_t remove_incomplete(const ModelInventory &inv, PaperJob *job, Steps *steps) {
  EntryTies *ties = nullptr;
  if (find_entry_ties(inv, &ties) != 0) return kOpFileFailed;
  int32_t rc = kOpDone;
  for (size_t i = 0; i < inv.entry_count && rc == kOpDone; ++i) {
    if (mendable(inv, inv.entries[i], ties[i])) rc = remove_one(inv, inv.entries[i], job, steps);
  }
  std::free(ties);
  return rc;
}

int32_t remove_orphans(const ModelInventory &inv, PaperJob *job, Steps *steps) {
  const DriverFile files[2] = {DriverFile::kPaperTable, DriverFile::kImagingArea};
  for (int k = 0; k < 2; ++k) {
    const int at = k == 0 ? kPaperAt : kImagingAt;
    for (size_t i = 0; i < inv.ids[at].count; ++i) {
      const char *id = inv.ids[at].ids[i].text;
      if (!is_orphan(inv, at, i) || in_a_longer_entry_id(inv, id)) continue;
      const RewritePlan drop{id, nullptr, nullptr, nullptr, nullptr};
      if (rewrite_driver_file(job, steps, files[k], drop) != kOpDone) return kOpFileFailed;
      std::printf("removed orphan: %s from %s\n", id, inv.path[at]);
    }
  }
  return kOpDone;
}

int32_t reset_stale(const ModelInventory &inv, PaperJob *job, Steps *steps) {
  const IdList &list = inv.ids[kSettingsAt];
  for (size_t i = 0; i < list.count; ++i) {
    const char *id = list.ids[i].text;
    const bool first = i == 0 || std::strcmp(id, list.ids[i - 1].text) != 0;
    if (!is_stale_setting(inv, i) || !first || in_a_longer_entry_id(inv, id)) continue;
    const RewritePlan reset{id, default_paper_line(*job), nullptr, nullptr, nullptr};
    if (rewrite_driver_file(job, steps, DriverFile::kSettingsFile, reset) != kOpDone) {
      return kOpFileFailed;
    }
    std::printf("reset setting: %s from %s\n", inv.path[kSettingsAt], id);
  }
  return kOpDone;
}

// A repair acts only on a tree it has read whole: the four files there and
// the function file holding its marker. Otherwise it says why.
bool readable_whole(const ModelInventory &inv) {
  for (int at = 0; at < 4; ++at) {
    if (inv.present[at]) continue;
    std::printf("not repaired: missing: %s\n", inv.path[at]);
    return false;
  }
  if (inv.has_marker) return true;
  std::printf("not repaired: no marker: %s\n", inv.path[kFunctionAt]);
  return false;
}

}  // namespace

int32_t list_formats(const PaperJob &job, const char *root) {
  ModelInventory inv{};
  if (read_inventory(root, job.model, &inv) != 0) {
    free_inventory(&inv);
    return -1;
  }
  for (size_t i = 0; i < inv.entry_count; ++i) {
    const FormatEntry &e = inv.entries[i];
    print_name(e.name, e.name_len);
    std::printf("\t%ldx%ld\t", e.parts.width, e.parts.height);
    if (e.parts.media_len != 0) {
      (void)std::fwrite(e.id.text + 3, 1, e.parts.media_len, stdout);
    } else {
      (void)std::fputs(is_tape(job) ? "-" : "roll", stdout);
    }
    const bool paper = lacks(inv, kPaperAt, e) || !inv.present[kPaperAt];
    const bool imaging = lacks(inv, kImagingAt, e) || !inv.present[kImagingAt];
    std::printf("\t%s\t%s%s%s%s\n", e.id.text, paper || imaging ? "missing=" : "complete",
                paper ? "paper" : "", paper && imaging ? "," : "", imaging ? "imaging" : "");
  }
  free_inventory(&inv);
  return 0;
}

long check_formats(const PaperJob &job, const char *root) {
  char dir[kPathMax];
  struct stat st {};
  if (format_driver_path(dir, sizeof dir, root, job.model, DriverFile::kInfDirectory) != 0) {
    return -1;
  }
  if (sys_io.stat(dir, &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return -1;
    Finding f{};
    f.kind = FindingKind::kNotInstalled;
    f.file = dir;
    print_finding(f);
    return 1;
  }
  ModelInventory inv{};
  const long found =
      read_inventory(root, job.model, &inv) == 0 ? find_findings(inv, print_line, nullptr) : -1;
  free_inventory(&inv);
  return found;
}

long repair_formats(const PaperJob &job, const char *root) {
  PaperJob work = job;
  Steps steps{};
  steps.root = root;
  if (check_driver_links(work, steps) != kOpDone) return -1;
  const RepairStep repairs[3] = {remove_incomplete, remove_orphans, reset_stale};
  for (const RepairStep repair : repairs) {
    ModelInventory inv{};
    int32_t rc = read_inventory(root, job.model, &inv) == 0 ? kOpDone : kOpFileFailed;
    if (rc == kOpDone && !readable_whole(inv)) rc = kOpCompanionFailed;  // said why; 255
    if (rc == kOpDone) rc = repair(inv, &work, &steps);
    free_inventory(&inv);
    if (rc != kOpDone) return rc;
  }
  ModelInventory inv{};
  const long left = read_inventory(root, job.model, &inv) == 0 ? find_findings(inv, count_only, nullptr) : -1;
  free_inventory(&inv);
  return left;
}
