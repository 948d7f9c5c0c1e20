// Deciding what an apply changes, from one reading of the model's files
// (see apply_formats.h).
#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <cstring>

#include "driverfiles/change/apply_formats.h"
#include "driverfiles/format/label_lines.h"
#include "driverfiles/model/model_report.h"
#include "driverfiles/sys/sys_io.h"
#include "front/operations.h"

namespace {

// A name a request could give the companion tool to delete.
bool askable(const FormatEntry &e) {
  return !e.zero_byte && e.name_len > 0 && e.name_len <= kLabelNameMax &&
         memmem(e.name, e.name_len, kEntryMarker, sizeof kEntryMarker - 1) == nullptr;
}

// The size the listing shows for e, from the inventory's lines under its identifier.
void listed_entry_size(const PaperJob &job, const ModelInventory &inv, const FormatEntry &e, int64_t *width,
                       int64_t *height) {
  listed_size(is_tape(job), e, inventory_values(inv, kPaperTable, e.id.text),
              inventory_values(inv, kImagingArea, e.id.text), width, height);
}

// A change of the name (len bytes): of the set's format at spec when
// added or replaced, of old (may be null) as the listing shows it.
int add_change(const PaperJob &job, ApplyPlan *plan, ChangeKind kind, const char *name, size_t len, size_t spec,
               const FormatEntry *old) {
  if (make_room(&plan->changes, &plan->cap, plan->count) != 0) return -1;
  FormatChange &c = plan->changes[plan->count++];
  c = FormatChange{};
  c.kind = kind;
  c.spec = spec;
  std::memcpy(c.name, name, len);
  c.name_len = len;
  if (old != nullptr) {
    c.old_id = old->id;
    listed_entry_size(job, plan->inv, *old, &c.old_width, &c.old_height);
  }
  return 0;
}

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

// The set's formats, in its order; each claims the first entry of its name.
int decide_named(const PaperJob &job, const FormatSet &set, bool *claimed, ApplyPlan *plan) {
  const ModelInventory &inv = plan->inv;
  for (size_t i = 0; i < set.count; ++i) {
    const FormatSpec &spec = set.formats[i];
    const FormatEntry *old = entry_named(inv, spec.label_name);
    const PaperJob one = job_of(job, spec);
    if (old != nullptr) claimed[old - inv.entries] = true;
    // Kept when its identifier's parts and its lines are what the add would write.
    if (old != nullptr && same_id_parts(one, *old) && same_lines(one, inv, *old)) continue;
    const ChangeKind kind = old != nullptr ? ChangeKind::kReplaced : ChangeKind::kAdded;
    if (add_change(job, plan, kind, spec.label_name, std::strlen(spec.label_name), i, old) != 0) return -1;
  }
  return 0;
}

// Every entry no format of the set claimed, in the function file's order.
int decide_others(const PaperJob &job, const bool *claimed, ApplyPlan *plan) {
  const ModelInventory &inv = plan->inv;
  for (size_t e = 0; e < inv.entry_count; ++e) {
    const FormatEntry &entry = inv.entries[e];
    if (claimed[e] || !askable(entry)) continue;
    if (add_change(job, plan, ChangeKind::kRemoved, entry.name, entry.name_len, 0, &entry) != 0) return -1;
  }
  return 0;
}

// An identifier in both the paper table and ImagingArea is one orphan:
// the one match drops its lines from every file.
int decide_orphans(const PaperJob &job, ApplyPlan *plan) {
  const ModelInventory &inv = plan->inv;
  for (const DriverFile at : {kPaperTable, kImagingArea, kSettingsFile}) {
    const IdList &list = inv.ids[at];
    for (size_t i = 0; i < list.count; ++i) {
      const char *id = list.ids[i].text;
      // An entry's identifier that starts with id holds its lines: no orphan's to drop.
      const bool held = starts_an_id_in(inv.ids[kFunctionFile], id, false);
      if (held || (at == kImagingArea && inventory_holds(inv, kPaperTable, id))) continue;
      if (make_room(&plan->orphans, &plan->orphan_cap, plan->orphan_count) != 0) return -1;
      ApplyOrphan &o = plan->orphans[plan->orphan_count++];
      o = ApplyOrphan{list.ids[i], at, 0, 0};
      FormatEntry e{};
      e.id = o.id;
      (void)parse_format_id(id, std::strlen(id), &e.parts);
      listed_entry_size(job, inv, e, &o.width, &o.height);
    }
  }
  return 0;
}

// A format's fields, between a job record and a set's format, which name them alike.
template <class To, class From> void copy_format(To *to, const From &from) {
  copy_text(to->label_name, from.label_name);
  copy_text(to->media_name, from.media_name);
  to->width = from.width;
  to->height = from.height;
  to->pins = from.pins;
  to->asked_width = from.asked_width;
  to->asked_height = from.asked_height;
}

}  // namespace

const FormatEntry *entry_named(const ModelInventory &inv, const char *name) {
  const size_t len = std::strlen(name);
  const auto below = [len](const ModelInventory::Named &n, const char *key) {
    const int c = std::memcmp(n.entry->name, key, std::min(n.entry->name_len, len));
    return c < 0 || (c == 0 && n.entry->name_len < len);
  };
  const ModelInventory::Named *begin = inv.by_name, *end = begin + inv.by_name_count;
  const ModelInventory::Named *at = std::lower_bound(begin, end, name, below);
  if (at == end) return nullptr;
  const FormatEntry &e = *at->entry;
  return e.name_len == len && std::memcmp(e.name, name, len) == 0 ? &e : nullptr;
}

void free_format_set(FormatSet *set) {
  std::free(set->formats);
  *set = FormatSet{};
}

void free_apply_plan(ApplyPlan *plan) {
  std::free(plan->changes);
  std::free(plan->orphans);
  free_inventory(&plan->inv);
  *plan = ApplyPlan{};
}

PaperJob job_of(const PaperJob &job, const FormatSpec &spec) {
  PaperJob one = job;
  copy_format(&one, spec);
  return one;
}

FormatSpec spec_of(const PaperJob &job) {
  FormatSpec spec{};
  copy_format(&spec, job);
  return spec;
}

int32_t decide_apply(const PaperJob &job, const char *root, const FormatSet &set,
                     bool keep_others, ApplyPlan *plan, bool orphans) {
  if (read_inventory(root, job.model, &plan->inv) != 0) return kOpFileFailed;
  const size_t entries = plan->inv.entry_count;
  // One more than the entries, so there is a block to free when none.
  bool *claimed = static_cast<bool *>(sys_io.realloc(nullptr, (entries + 1) * sizeof(bool)));
  if (claimed == nullptr) return kOpFileFailed;
  std::memset(claimed, 0, (entries + 1) * sizeof(bool));
  int rc = decide_named(job, set, claimed, plan);
  if (rc == 0 && !keep_others) rc = decide_others(job, claimed, plan);
  if (rc == 0 && orphans) rc = decide_orphans(job, plan);
  std::free(claimed);
  plan->failed = plan->count;
  return rc == 0 ? kOpDone : kOpFileFailed;
}

void listed_change_size(const PaperJob &job, const FormatSet &set, const FormatChange &change,
                        int64_t *width, int64_t *height) {
  if (change.kind == ChangeKind::kRemoved || change.state == ChangeState::kOldGone) {
    *width = change.old_width;
    *height = change.old_height;
    return;
  }
  // The lines the add writes, as the listing would read them back; the
  // identifier's clock digits do not count.
  const PaperJob one = job_of(job, set.formats[change.spec]);
  FormatEntry e{};
  e.id = make_format_id(one, 0, 0);
  (void)parse_format_id(e.id.text, std::strlen(e.id.text), &e.parts);
  const PaperDots dots = paper_dots(one);
  const LineValues paper{e.id, true, static_cast<double>(low_32_bits(dots.across)),
                         static_cast<double>(low_32_bits(dots.along))};
  listed_size(is_tape(job), e, &paper, nullptr, width, height);
}
