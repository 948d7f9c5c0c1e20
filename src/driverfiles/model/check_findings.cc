// Finding what disagrees among a model's driver files, as records, and the
// text and JSON forms of a record.
#include "driverfiles/model/check_findings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/format/format_spec.h"
#include "driverfiles/model/intent_record.h"
#include "driverfiles/text/json_writer.h"
#include "driverfiles/sys/sys_io.h"

// Output goes to standard output unchecked call by call: a failure stays
// with the stream, and the entry routine checks it once before the exit.
namespace {

// Each kind: its word, and what --repair does to a finding of it that it
// mends and to one it leaves (null: never of that kind). What the repair
// does is model_repair.cc's: a row changes with it.
struct KindRow {
  const char *word;
  const char *mends;
  const char *leaves;
};
const KindRow kKinds[] = {
    {"not-installed", nullptr, "leaves it, install the model's driver"},
    {"missing", nullptr, "leaves it, restore it by hand, and without a driver file mends nothing"},
    {"no-marker", nullptr, "leaves it, restore the [CustomTape] line by hand, and without it mends nothing"},
    {"incomplete", "removes the format on both sides", "leaves it, mend it by hand"},
    {"duplicate-name", nullptr, "leaves both, mend them by hand"},
    {"shared-identifier", nullptr, "leaves both, mend them by hand"},
    {"length-digits", nullptr, "leaves it, mend the line by hand"},
    {"orphan", "removes its lines", "leaves it, remove it by hand"},
    {"stale-setting", "resets the setting to the default paper", "leaves it, reset it by hand"},
    {"zero-byte", nullptr, "leaves it, mend the line by hand"},
    {"not-executable", nullptr, "leaves it, make it executable by hand"},
    {"temporary", "removes it", nullptr},
    {"damaged-entry", nullptr, "leaves it, mend the line by hand"},
    {"interrupted-add", "finishes the add", nullptr},
    {"interrupted-delete", "finishes the delete", nullptr},
    {"damaged-intent", nullptr,
     "leaves it and mends nothing, remove it by hand once both sides are checked"},
    {"interrupted-apply", "finishes the apply", nullptr},
};

const KindRow &row_of(FindingKind kind) { return kKinds[static_cast<int>(kind)]; }

const char kMoves[] = "moves the selection to the new";

void print_quoted(const char *name, size_t len, FILE *to) {
  (void)std::fputc('\'', to);
  print_escaped_name(name, len, to);
  (void)std::fputc('\'', to);
}

const int kLineFiles[2] = {kPaperTable, kImagingArea};

// The entries qsort compares (one sort at a time in this program).
const FormatEntry *sorted_entries;

int by_name(const void *a, const void *b) {
  const size_t i = *static_cast<const size_t *>(a), j = *static_cast<const size_t *>(b);
  const FormatEntry &x = sorted_entries[i], &y = sorted_entries[j];
  const size_t len = x.name_len < y.name_len ? x.name_len : y.name_len;
  int rc = std::memcmp(x.name, y.name, len);
  if (rc == 0) rc = x.name_len < y.name_len ? -1 : x.name_len > y.name_len ? 1 : 0;
  return rc != 0 ? rc : (i < j ? -1 : i > j ? 1 : 0);
}

int by_id(const void *a, const void *b) {
  const size_t i = *static_cast<const size_t *>(a), j = *static_cast<const size_t *>(b);
  const int rc = std::strcmp(sorted_entries[i].id.text, sorted_entries[j].id.text);
  return rc != 0 ? rc : (i < j ? -1 : i > j ? 1 : 0);
}

bool same_name(const FormatEntry &a, const FormatEntry &b) {
  return a.name_len == b.name_len && std::memcmp(a.name, b.name, a.name_len) == 0;
}

bool same_id(const FormatEntry &a, const FormatEntry &b) {
  return std::strcmp(a.id.text, b.id.text) == 0;
}

// Sorts the entry numbers by name (names) or by identifier and marks each
// entry with what it shares with its neighbour.
void mark_neighbours(const ModelInventory &inv, size_t *order, bool names, EntryTies *ties) {
  sorted_entries = inv.entries;
  std::qsort(order, inv.entry_count, sizeof *order, names ? by_name : by_id);
  for (size_t k = 1; k < inv.entry_count; ++k) {
    const FormatEntry &o = inv.entries[order[k - 1]], &e = inv.entries[order[k]];
    if (names && same_name(o, e)) {
      ties[order[k]].same_name_before = order[k - 1];
      ties[order[k]].name_held_twice = ties[order[k - 1]].name_held_twice = true;
    } else if (!names && same_id(o, e)) {
      if (!same_name(o, e)) ties[order[k]].same_id_before = order[k - 1];
      ties[order[k]].id_held_twice = ties[order[k - 1]].id_held_twice = true;
    }
  }
}

bool lacks(const ModelInventory &inv, int at, const FormatEntry &e) {
  return inv.present[at] && !inventory_holds(inv, at, e.id.text);
}

bool whole_tree(const ModelInventory &inv) {
  int why = 0;
  return unrepairable_file(inv, &why) == nullptr;
}

Finding about(FindingKind kind, const char *file) {
  Finding f{};
  f.kind = kind;
  f.file = file;
  return f;
}

Finding about_entry(FindingKind kind, const char *file, const FormatEntry &e) {
  Finding f = about(kind, file);
  f.id = e.id.text;
  f.name = e.name;
  f.name_len = e.name_len;
  return f;
}

// A stale setting of id. A selection the open record names follows its
// format: finishing the record moves it to the new identifier (whatever
// else the tree holds) before the repair would reset it.
Finding stale_setting(const ModelInventory &inv, const char *id, bool repairable) {
  Finding f = about(FindingKind::kStaleSetting, inv.path[kSettingsFile]);
  f.id = id;
  const Intent &in = inv.intent;
  for (size_t m = 0; inv.intent_state == kOpenIntent && m < in.move_count; ++m) {
    if (std::strcmp(in.moves[m].id.text, id) == 0) f.follows = in.formats[in.moves[m].format].label_name;
  }
  f.repairable = repairable || f.follows != nullptr;
  return f;
}

// The findings of one entry, in the text's order.
long entry_findings(const ModelInventory &inv, size_t i, const EntryTies &t, FindingSink sink,
                    void *ctx) {
  const FormatEntry &e = inv.entries[i];
  long found = 0;
  const bool mendable = entry_mendable(inv, e, t);
  for (const int at : kLineFiles) {
    if (!lacks(inv, at, e)) continue;
    Finding f = about_entry(FindingKind::kIncomplete, inv.path[at], e);
    f.repairable = mendable;
    sink(ctx, f);
    ++found;
  }
  // The repair resets a setting that selects a format it removes.
  if (found > 0 && mendable && inventory_holds(inv, kSettingsFile, e.id.text)) {
    sink(ctx, stale_setting(inv, e.id.text, true));
    ++found;
  }
  Finding f = about_entry(FindingKind::kDuplicateName, nullptr, e);
  if (t.same_name_before != kNoEntry || t.same_id_before != kNoEntry) {
    const bool dup = t.same_name_before != kNoEntry;
    const FormatEntry &o = inv.entries[dup ? t.same_name_before : t.same_id_before];
    f.kind = dup ? FindingKind::kDuplicateName : FindingKind::kSharedIdentifier;
    f.other_id = o.id.text;
    f.other_name = o.name;
    f.other_name_len = o.name_len;
    sink(ctx, f);
    ++found;
  }
  if (e.zero_byte || e.parts.name_len != e.seen_len) {
    f = about_entry(e.zero_byte ? FindingKind::kZeroByte : FindingKind::kLengthDigits,
                    e.zero_byte ? inv.path[kFunctionFile] : nullptr, e);
    f.number = e.zero_byte ? e.offset : static_cast<off_t>(e.seen_len);
    sink(ctx, f);
    ++found;
  }
  return found;
}

// An interrupted request comes first: --repair finishes it first.
long intent_findings(const ModelInventory &inv, FindingSink sink, void *ctx) {
  if (inv.intent_state == kNoIntent) return 0;
  Finding f = about(FindingKind::kDamagedIntent, inv.intent_path);
  if (inv.intent_state == kOpenIntent) {
    const Intent &in = inv.intent;
    f.kind = in.add ? FindingKind::kInterruptedAdd : FindingKind::kInterruptedDelete;
    f.id = in.add ? in.id.text : nullptr;
    f.name = in.job.label_name;
    f.name_len = std::strlen(in.job.label_name);
    f.printer = in.job.printer;
    f.repairable = true;
    if (in.apply) {
      f.kind = FindingKind::kInterruptedApply;
      f.name = nullptr;
      f.number = static_cast<off_t>(in.format_count);
    }
  }
  sink(ctx, f);
  return 1;
}

long file_findings(const ModelInventory &inv, FindingSink sink, void *ctx) {
  long found = intent_findings(inv, sink, ctx);
  for (const DriverFile at : kDriverFiles) {
    if (inv.present[at]) continue;
    sink(ctx, about(FindingKind::kMissing, inv.path[at]));
    ++found;
  }
  if (inv.companion != 0) {
    const bool absent = inv.companion == ENOENT;
    sink(ctx, about(absent ? FindingKind::kMissing : FindingKind::kNotExecutable, inv.companion_path));
    ++found;
  }
  for (const char *temp : inv.temporary) {
    if (*temp == '\0') continue;
    Finding f = about(FindingKind::kTemporary, temp);
    f.repairable = true;  // a writer's lock removes it
    sink(ctx, f);
    ++found;
  }
  if (inv.present[kFunctionFile] && !inv.has_marker) {
    sink(ctx, about(FindingKind::kNoMarker, inv.path[kFunctionFile]));
    ++found;
  }
  for (size_t i = 0; i < inv.zero_count; ++i) {
    Finding f = about(FindingKind::kZeroByte, inv.path[kFunctionFile]);
    f.number = inv.zero_lines[i];
    sink(ctx, f);
    ++found;
  }
  for (size_t i = 0; i < inv.damaged_count; ++i) {
    Finding f = about_entry(FindingKind::kDamagedEntry, inv.path[kFunctionFile], inv.damaged[i]);
    f.number = inv.damaged[i].offset;
    sink(ctx, f);
    ++found;
  }
  return found;
}

// Lines under an identifier no entry holds: orphans in the paper table
// and ImagingArea, stale settings in the settings file.
long line_findings(const ModelInventory &inv, FindingSink sink, void *ctx) {
  const int files[] = {kPaperTable, kImagingArea, kSettingsFile};
  long found = 0;
  for (const int at : files) {
    for (size_t i = 0; i < inv.ids[at].count; ++i) {
      if (!is_orphan(inv, at, i)) continue;
      Finding f = about(FindingKind::kOrphan, inv.path[at]);
      f.id = inv.ids[at].ids[i].text;
      f.repairable = whole_tree(inv) && !may_be_an_entrys(inv, f.id);
      if (at == kSettingsFile) f = stale_setting(inv, f.id, f.repairable);
      sink(ctx, f);
      ++found;
    }
  }
  return found;
}

// An identifier copied by hand may hold any byte: escaped like a name.
void print_id(const char *id, FILE *to) { print_escaped_name(id, std::strlen(id), to); }

void print_entry_finding(const Finding &f, FILE *to) {
  switch (f.kind) {
    case FindingKind::kIncomplete:
      (void)std::fputs("incomplete: ", to);
      print_id(f.id, to);
      (void)std::fputc(' ', to);
      print_quoted(f.name, f.name_len, to);
      (void)std::fprintf(to, " has no line in %s", f.file);
      return;
    case FindingKind::kDuplicateName:
      (void)std::fputs("duplicate name: ", to);
      print_quoted(f.name, f.name_len, to);
      (void)std::fputs(" on ", to);
      print_id(f.other_id, to);
      (void)std::fputs(" and ", to);
      print_id(f.id, to);
      return;
    case FindingKind::kSharedIdentifier:
      (void)std::fputs("shared identifier: ", to);
      print_id(f.id, to);
      (void)std::fputs(" on ", to);
      print_quoted(f.other_name, f.other_name_len, to);
      (void)std::fputs(" and ", to);
      print_quoted(f.name, f.name_len, to);
      return;
    default:  // length digits
      (void)std::fputs("length digits: ", to);
      print_id(f.id, to);
      (void)std::fputc(' ', to);
      print_quoted(f.name, f.name_len, to);
      (void)std::fprintf(to, " is %lld bytes long", static_cast<long long>(f.number));
  }
}

// The finding's text without the repair's part.
void print_finding_text(const Finding &f, FILE *to) {
  switch (f.kind) {
    case FindingKind::kNotInstalled: (void)std::fprintf(to, "not installed: %s", f.file); return;
    case FindingKind::kMissing: (void)std::fprintf(to, "missing: %s", f.file); return;
    case FindingKind::kNoMarker: (void)std::fprintf(to, "no marker: %s", f.file); return;
    case FindingKind::kOrphan:
      (void)std::fputs("orphan: ", to);
      print_id(f.id, to);
      (void)std::fprintf(to, " in %s has no entry", f.file);
      return;
    case FindingKind::kStaleSetting:
      (void)std::fprintf(to, "stale setting: %s selects ", f.file);
      print_id(f.id, to);
      return;
    case FindingKind::kZeroByte:
      (void)std::fprintf(to, "zero byte: %s has one in the line at byte %lld", f.file,
                         static_cast<long long>(f.number));
      return;
    case FindingKind::kNotExecutable: (void)std::fprintf(to, "not executable: %s", f.file); return;
    case FindingKind::kTemporary: (void)std::fprintf(to, "temporary copy: %s", f.file); return;
    case FindingKind::kDamagedEntry:
      (void)std::fputs("damaged entry: ", to);
      print_id(f.id, to);
      (void)std::fputc(' ', to);
      print_quoted(f.name, f.name_len, to);
      (void)std::fprintf(to, " at byte %lld of %s", static_cast<long long>(f.number), f.file);
      return;
    case FindingKind::kInterruptedAdd:
    case FindingKind::kInterruptedDelete:
      print_interrupted(f.kind == FindingKind::kInterruptedAdd, f.name, f.name_len, f.printer, to, "");
      return;
    case FindingKind::kInterruptedApply:
      print_interrupted_apply(static_cast<size_t>(f.number), f.printer, to, "");
      return;
    case FindingKind::kDamagedIntent:
      (void)std::fprintf(to, "damaged intent: %s is not a record this tool wrote for this model", f.file);
      return;
    default: print_entry_finding(f, to);
  }
}

}  // namespace

const char *finding_kind_word(FindingKind kind) { return row_of(kind).word; }

const char *finding_repair(const Finding &f) {
  if (f.follows != nullptr) return kMoves;
  const KindRow &row = row_of(f.kind);
  return f.repairable ? row.mends : row.leaves;
}

void print_finding(const Finding &f, FILE *to) {
  print_finding_text(f, to);
  (void)std::fprintf(to, " (repair: %s", finding_repair(f));
  if (f.follows != nullptr) {
    (void)std::fputc(' ', to);
    print_quoted(f.follows, std::strlen(f.follows), to);
  }
  (void)std::fputs(")\n", to);
}

void print_finding_json(const Finding &f) {
  (void)std::fputs("{\"kind\":", stdout);
  write_json_text(finding_kind_word(f.kind));
  (void)std::fputs(",\"file\":", stdout);
  write_json_text(f.file);
  (void)std::fputs(",\"id\":", stdout);
  if (f.id != nullptr) write_json_string(f.id, std::strlen(f.id));
  else write_json_text(nullptr);
  (void)std::fputs(",\"name\":", stdout);
  if (f.name != nullptr) write_json_string(f.name, f.name_len);
  else write_json_text(nullptr);
  (void)std::fputs(",\"repairable\":", stdout);
  write_json_bool(f.repairable);
  (void)std::fputs(",\"repair\":", stdout);
  char moves[sizeof kMoves + kLabelNameMax + 3];
  const int len = f.follows != nullptr ? std::snprintf(moves, sizeof moves, "%s '%s'", kMoves, f.follows) : -1;
  if (len > 0) write_json_string(moves, static_cast<size_t>(len));
  else write_json_text(finding_repair(f));
  std::putchar('}');
}

int find_entry_ties(const ModelInventory &inv, EntryTies **ties) {
  const size_t n = inv.entry_count;
  *ties = static_cast<EntryTies *>(sys_io.realloc(nullptr, (n ? n : 1) * sizeof(EntryTies)));
  size_t *order = static_cast<size_t *>(sys_io.realloc(nullptr, (n ? n : 1) * sizeof(size_t)));
  if (*ties == nullptr || order == nullptr) {
    SavedErrno saved;
    std::free(*ties);
    std::free(order);
    *ties = nullptr;
    return -1;
  }
  for (size_t i = 0; i < n; ++i) (*ties)[i] = EntryTies{kNoEntry, kNoEntry, false, false};
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < n; ++i) order[i] = i;
    mark_neighbours(inv, order, pass == 0, *ties);
  }
  std::free(order);
  return 0;
}

bool in_a_longer_entry_id(const ModelInventory &inv, const char *id) {
  const IdList &list = inv.ids[kFunctionFile];
  size_t low = 0, high = list.count;  // the first identifier not below id
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (std::strcmp(list.ids[mid].text, id) < 0) low = mid + 1; else high = mid;
  }
  const size_t len = std::strlen(id);
  for (size_t i = low; i < list.count && std::strncmp(list.ids[i].text, id, len) == 0; ++i) {
    if (list.ids[i].text[len] != '\0') return true;
  }
  return false;
}

bool may_be_an_entrys(const ModelInventory &inv, const char *id) {
  return inv.damaged_count != 0 || in_a_longer_entry_id(inv, id);
}

bool entry_mendable(const ModelInventory &inv, const FormatEntry &e, const EntryTies &t) {
  return whole_tree(inv) && e.seen_len <= kLabelNameMax && !e.zero_byte &&
         e.parts.name_len == e.seen_len && !t.name_held_twice && !t.id_held_twice &&
         !in_a_longer_entry_id(inv, e.id.text) && is_incomplete(inv, e);
}

bool is_incomplete(const ModelInventory &inv, const FormatEntry &e) {
  return lacks(inv, kPaperTable, e) || lacks(inv, kImagingArea, e);
}

const char *unrepairable_file(const ModelInventory &inv, int *why) {
  *why = ENOENT;
  for (int at = 0; at < kDriverFileCount; ++at) {
    if (!inv.present[at]) return inv.path[at];
  }
  *why = ENODATA;
  return inv.has_marker ? nullptr : inv.path[kFunctionFile];
}

bool is_orphan(const ModelInventory &inv, int at, size_t i) {
  const IdList &list = inv.ids[at];
  const bool first = i == 0 || std::strcmp(list.ids[i].text, list.ids[i - 1].text) != 0;
  return first && !inventory_holds(inv, kFunctionFile, list.ids[i].text);
}

long find_findings(const ModelInventory &inv, FindingSink sink, void *ctx) {
  EntryTies *ties = nullptr;
  if (find_entry_ties(inv, &ties) != 0) return -1;
  long found = file_findings(inv, sink, ctx);
  for (size_t i = 0; i < inv.entry_count; ++i) found += entry_findings(inv, i, ties[i], sink, ctx);
  std::free(ties);
  return found + line_findings(inv, sink, ctx);
}
