// Compares a model's format of a name with what an add would write
// (see current_format.h).
#include "driverfiles/model/current_format.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/format/label_lines.h"
#include "driverfiles/model/model_files.h"

namespace {

bool same_id_parts(const PaperJob &job, const FormatEntry &e) {
  const size_t media_len = std::strlen(job.media_name);
  return e.parts.media_len == media_len &&
         std::strncmp(e.id.text + kMediaAt, job.media_name, media_len) == 0 &&
         e.parts.name_len == e.name_len &&
         e.parts.width == static_cast<long>(static_cast<uint32_t>(job.width)) &&
         e.parts.height == static_cast<long>(job.height & 0xFFF);
}

bool same_lines(const PaperJob &job, const ModelInventory &inv, const FormatEntry &e) {
  const LineValues *paper = inventory_values(inv, kPaperTable, e.id.text);
  const LineValues *imaging = inventory_values(inv, kImagingArea, e.id.text);
  if (paper == nullptr || imaging == nullptr || !paper->valid || !imaging->valid) return false;
  const PaperDots dots = paper_dots(job);
  // The imaging line's numbers as imaging_line() writes them.
  char line[kPathMax];
  imaging_line(e.id, job, line, sizeof line);
  const char *height = std::strrchr(line, '\t');
  const char *width = std::strchr(line, '\t');
  for (int i = 0; i < 2; ++i) width = std::strchr(width + 1, '\t');
  return paper->across == low_32_bits(dots.across) && paper->along == low_32_bits(dots.along) &&
         imaging->across == std::strtod(width + 1, nullptr) &&
         imaging->along == std::strtod(height + 1, nullptr);
}

}  // namespace

bool format_is_current(const PaperJob &job, const ModelInventory &inv, const FormatEntry &e) {
  return same_id_parts(job, e) && same_lines(job, inv, e);
}

const FormatEntry *entry_named(const ModelInventory &inv, const char *name) {
  const size_t len = std::strlen(name);
  size_t lo = 0, hi = inv.by_name_count;
  while (lo < hi) {  // the first entry whose name is not below name
    const size_t mid = lo + (hi - lo) / 2;
    const FormatEntry &e = *inv.by_name[mid].entry;
    const int c = std::memcmp(e.name, name, e.name_len < len ? e.name_len : len);
    if (c < 0 || (c == 0 && e.name_len < len)) lo = mid + 1;
    else hi = mid;
  }
  if (lo == inv.by_name_count) return nullptr;
  const FormatEntry &e = *inv.by_name[lo].entry;
  return e.name_len == len && std::memcmp(e.name, name, len) == 0 ? &e : nullptr;
}

int current_format_state(const PaperJob &job, const char *root, FormatId *old) {
  ModelInventory inv{};
  int state = read_inventory(root, job.model, &inv) == 0 ? kFormatAbsent : -1;
  const FormatEntry *e = state == 0 ? entry_named(inv, job.label_name) : nullptr;
  if (e != nullptr) state = format_is_current(job, inv, *e) ? kFormatCurrent : kFormatDiffers;
  if (old != nullptr) *old = e != nullptr ? e->id : FormatId{};
  free_inventory(&inv);
  return state;
}
