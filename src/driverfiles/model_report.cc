#include "driverfiles/model_report.h"

#include <cstdio>
#include <cstring>

#include "driverfiles/driver_edit.h"
#include "driverfiles/model_files.h"
#include "front/operations.h"

// Output goes to standard output unchecked call by call: a failure stays
// with the stream, and the entry routine checks it once before the exit.
namespace {

// Names come from lines, so they never hold a newline.
void print_name(const char *name, size_t len) {
  for (size_t i = 0; i < len; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '\\') {
      (void)std::fputs("\\\\", stdout);
    } else if (c == '\t') {
      (void)std::fputs("\\t", stdout);
    } else if (c == '\r') {
      (void)std::fputs("\\r", stdout);
    } else if (c < 0x20 || c == 0x7F) {
      std::printf("\\x%02X", c);
    } else {
      std::putchar(c);
    }
  }
}

void print_quoted(const FormatEntry &e) {
  std::putchar('\'');
  print_name(e.name, e.name_len);
  std::putchar('\'');
}

bool same_name(const FormatEntry &a, const FormatEntry &b) {
  return a.name_len == b.name_len && std::memcmp(a.name, b.name, a.name_len) == 0;
}

bool lacks(const ModelInventory &inv, int at, const FormatEntry &e) {
  return inv.present[at] && !inventory_holds(inv, at, e.id.text);
}

// Problems one entry has with the others (duplicates, shared identifier,
// length digits): left for the administrator.
long entry_conflicts(const ModelInventory &inv, size_t i, bool print) {
  const FormatEntry &e = inv.entries[i];
  long found = 0;
  for (size_t j = 0; j < i; ++j) {
    const FormatEntry &o = inv.entries[j];
    const bool dup = same_name(o, e);
    const bool shared = !dup && std::strcmp(o.id.text, e.id.text) == 0;
    if (!dup && !shared) continue;
    ++found;
    if (!print) continue;
    if (dup) {
      (void)std::fputs("duplicate name: ", stdout);
      print_quoted(e);
      std::printf(" on %s and %s\n", o.id.text, e.id.text);
    } else {
      std::printf("shared identifier: %s on ", e.id.text);
      print_quoted(o);
      (void)std::fputs(" and ", stdout);
      print_quoted(e);
      std::putchar('\n');
    }
  }
  if (e.parts.name_len != e.name_len) {
    ++found;
    if (print) {
      std::printf("length digits: %s ", e.id.text);
      print_quoted(e);
      std::printf(" is %zu bytes long\n", e.name_len);
    }
  }
  return found;
}

long incomplete(const ModelInventory &inv, const FormatEntry &e, bool print) {
  long found = 0;
  const int files[2] = {kPaperAt, kImagingAt};
  for (const int at : files) {
    if (!lacks(inv, at, e)) continue;
    ++found;
    if (!print) continue;
    std::printf("incomplete: %s ", e.id.text);
    print_quoted(e);
    std::printf(" has no line in %s\n", inv.path[at]);
  }
  return found;
}

// The ith identifier of a sorted list, unless the one before was the same.
bool first_of_its_kind(const IdList &list, size_t i) {
  return i == 0 || std::strcmp(list.ids[i].text, list.ids[i - 1].text) != 0;
}

// The ith identifier of file `at`'s lines, when no entry carries it.
bool is_orphan(const ModelInventory &inv, int at, size_t i) {
  const IdList &list = inv.ids[at];
  return first_of_its_kind(list, i) && !inventory_holds(inv, kFunctionAt, list.ids[i].text);
}

// Lines whose identifier no entry carries (each identifier once).
long orphans(const ModelInventory &inv, int at, bool print) {
  long found = 0;
  for (size_t i = 0; i < inv.ids[at].count; ++i) {
    if (!is_orphan(inv, at, i)) continue;
    const char *id = inv.ids[at].ids[i].text;
    ++found;
    if (print) std::printf("orphan: %s in %s has no entry\n", id, inv.path[at]);
  }
  return found;
}

bool held_elsewhere(const ModelInventory &inv, const char *id) {
  return inventory_holds(inv, kFunctionAt, id) || inventory_holds(inv, kPaperAt, id) ||
         inventory_holds(inv, kImagingAt, id);
}

long stale_settings(const ModelInventory &inv, bool print) {
  long found = 0;
  const IdList &list = inv.ids[kSettingsAt];
  for (size_t i = 0; i < list.count; ++i) {
    if (held_elsewhere(inv, list.ids[i].text)) continue;
    ++found;
    if (print) std::printf("stale setting: %s selects %s\n", inv.path[kSettingsAt], list.ids[i].text);
  }
  return found;
}

long find_problems(const ModelInventory &inv, bool print) {
  long found = 0;
  for (int at = 0; at < 4; ++at) {
    if (inv.present[at]) continue;
    ++found;
    if (print) std::printf("missing: %s\n", inv.path[at]);
  }
  if (inv.present[kFunctionAt] && !inv.has_marker) {
    ++found;
    if (print) std::printf("no marker: %s\n", inv.path[kFunctionAt]);
  }
  for (size_t i = 0; i < inv.entry_count; ++i) {
    found += incomplete(inv, inv.entries[i], print) + entry_conflicts(inv, i, print);
  }
  found += orphans(inv, kPaperAt, print) + orphans(inv, kImagingAt, print);
  return found + stale_settings(inv, print);
}

// A repair step: reads the inventory afresh and changes what it may.
typedef int32_t (*RepairStep)(const ModelInventory &inv, PaperJob *job, Steps *steps);

// Whether dropping the lines holding id would touch another entry's lines
// (its identifier holds id), or its name is another entry's too: such a
// format is left for the administrator.
bool tied_to_another(const ModelInventory &inv, const FormatEntry &e) {
  for (size_t j = 0; j < inv.entry_count; ++j) {
    const FormatEntry &o = inv.entries[j];
    if (&o == &e) continue;
    if (same_name(o, e) || std::strstr(o.id.text, e.id.text) != nullptr) return true;
  }
  return false;
}

bool inside_an_entry_id(const ModelInventory &inv, const char *id) {
  for (size_t j = 0; j < inv.entry_count; ++j) {
    if (std::strstr(inv.entries[j].id.text, id) != nullptr) return true;
  }
  return false;
}

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

int32_t remove_incomplete(const ModelInventory &inv, PaperJob *job, Steps *steps) {
  for (size_t i = 0; i < inv.entry_count; ++i) {
    const FormatEntry &e = inv.entries[i];
    // A name this tool could not have given is not handed to the companion
    // tool cut short, where it might name another format.
    if (e.name_len > kLabelNameMax || incomplete(inv, e, false) == 0 ||
        entry_conflicts(inv, i, false) != 0 || tied_to_another(inv, e)) {
      continue;
    }
    const int32_t rc = remove_one(inv, e, job, steps);
    if (rc != kOpDone) return rc;
  }
  return kOpDone;
}

int32_t remove_orphans(const ModelInventory &inv, PaperJob *job, Steps *steps) {
  const DriverFile files[2] = {DriverFile::kPaperTable, DriverFile::kImagingArea};
  for (int k = 0; k < 2; ++k) {
    const int at = k == 0 ? kPaperAt : kImagingAt;
    for (size_t i = 0; i < inv.ids[at].count; ++i) {
      const char *id = inv.ids[at].ids[i].text;
      if (!is_orphan(inv, at, i) || inside_an_entry_id(inv, id)) continue;
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
    if (held_elsewhere(inv, id) || !first_of_its_kind(list, i) || inside_an_entry_id(inv, id)) {
      continue;
    }
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
bool whole_tree(const ModelInventory &inv) {
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
  ModelInventory inv{};
  const long found = read_inventory(root, job.model, &inv) == 0 ? find_problems(inv, true) : -1;
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
    if (rc == kOpDone && !whole_tree(inv)) rc = kOpCompanionFailed;  // said why; 255
    if (rc == kOpDone) rc = repair(inv, &work, &steps);
    free_inventory(&inv);
    if (rc != kOpDone) return rc;
  }
  ModelInventory inv{};
  const long left = read_inventory(root, job.model, &inv) == 0 ? find_problems(inv, false) : -1;
  free_inventory(&inv);
  return left;
}
