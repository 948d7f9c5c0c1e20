#include "driverfiles/model_report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/check_findings.h"
#include "driverfiles/model_files.h"
#include "driverfiles/sys_io.h"
#include "front/operations.h"

// Output goes to standard output unchecked call by call: a failure stays
// with the stream, and the entry routine checks it once before the exit.
namespace {

// Names come from lines, so they never hold a newline.
void print_name(const char *name, size_t len) { print_escaped_name(name, len); }

bool lacks(const ModelInventory &inv, int at, const FormatEntry &e) {
  return inv.present[at] && !inventory_holds(inv, at, e.id.text);
}

void print_line(void *, const Finding &f) { print_finding(f); }

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
