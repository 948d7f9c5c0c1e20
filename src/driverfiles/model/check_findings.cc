// Finding what disagrees among a model's driver files, as records, and the
// text and JSON forms of a record.
#include "driverfiles/model/check_findings.h"

#include <algorithm>
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

// Each kind: its word, its text (%f the file, %i the identifier, %n the
// quoted name, %o and %m the other holder's identifier and quoted name,
// %d the number; null: the intent record's own line), and what --repair
// does to a finding of it that it mends and to one it leaves (null: never
// of that kind; never a ";", which monitoring would turn into ":"). What
// the repair does is model_repair.cc's: a row changes with it.
struct KindRow {
  const char *word;
  const char *text;
  const char *mends;
  const char *leaves;
};
const KindRow kKinds[] = {
    {"not-installed", "not installed: %f", nullptr, "leaves it, install the model's driver"},
    {"missing", "missing: %f", nullptr, "leaves it, restore it by hand, and without a driver file mends nothing"},
    {"no-marker", "no marker: %f", nullptr,
     "leaves it, restore the [CustomTape] line by hand, and without it mends nothing"},
    {"incomplete", "incomplete: %i %n has no line in %f", "removes the format on both sides",
     "leaves it, mend it by hand"},
    {"duplicate-name", "duplicate name: %n on %o and %i", nullptr, "leaves both, mend them by hand"},
    {"shared-identifier", "shared identifier: %i on %m and %n", nullptr, "leaves both, mend them by hand"},
    {"length-digits", "length digits: %i %n is %d bytes long", nullptr, "leaves it, mend the line by hand"},
    {"orphan", "orphan: %i in %f has no entry", "removes its lines", "leaves it, remove it by hand"},
    {"stale-setting", "stale setting: %f selects %i", "resets the setting to the default paper",
     "leaves it, reset it by hand"},
    {"zero-byte", "zero byte: %f has one in the line at byte %d", nullptr, "leaves it, mend the line by hand"},
    {"not-executable", "not executable: %f", nullptr, "leaves it, make it executable by hand"},
    {"temporary", "temporary copy: %f", "removes it", nullptr},
    {"damaged-entry", "damaged entry: %i %n at byte %d of %f", nullptr, "leaves it, mend the line by hand"},
    {"interrupted-add", nullptr, "finishes the add", nullptr},
    {"interrupted-delete", nullptr, "finishes the delete", nullptr},
    {"damaged-intent", "damaged intent: %f is not a record this tool wrote for this model", nullptr,
     "leaves it and mends nothing, remove it by hand once both sides are checked"},
    {"interrupted-apply", nullptr, "finishes the apply", nullptr},
};

const KindRow &row_of(FindingKind kind) { return kKinds[static_cast<int>(kind)]; }

// A setting that follows a format: the printers end this with its name.
const char kMoves[] = "moves the selection to the new";

const char *finding_repair(const Finding &f) {
  if (f.follows != nullptr) return kMoves;
  const KindRow &row = row_of(f.kind);
  return f.repairable ? row.mends : row.leaves;
}

void print_quoted(const char *name, size_t len, FILE *to) {
  (void)std::fputc('\'', to);
  print_escaped_name(name, len, to);
  (void)std::fputc('\'', to);
}

// An identifier copied by hand may hold any byte: escaped like a name.
void print_id(const char *id, FILE *to) { print_escaped_name(id, std::strlen(id), to); }

// The finding's text without the repair's part.
void print_finding_text(const Finding &f, FILE *to) {
  if (f.kind == FindingKind::kInterruptedApply) {
    return print_interrupted_apply(static_cast<size_t>(f.number), f.printer, to, "");
  }
  const char *p = row_of(f.kind).text;
  if (p == nullptr) {
    return print_interrupted(f.kind == FindingKind::kInterruptedAdd, f.name, f.name_len, f.printer, to, "");
  }
  for (; *p != '\0'; ++p) {
    if (*p != '%') {
      (void)std::fputc(*p, to);
      continue;
    }
    switch (*++p) {
      case 'f': (void)std::fputs(f.file, to); break;
      case 'i': print_id(f.id, to); break;
      case 'n': print_quoted(f.name, f.name_len, to); break;
      case 'o': print_id(f.other_id, to); break;
      case 'm': print_quoted(f.other_name, f.other_name_len, to); break;
      default: (void)std::fprintf(to, "%lld", static_cast<long long>(f.number));
    }
  }
}

bool same_name(const FormatEntry &a, const FormatEntry &b) {
  return a.name_len == b.name_len && std::memcmp(a.name, b.name, a.name_len) == 0;
}

// Sorts the entry numbers by name (names) or by identifier, each within
// its kind in the file's order, and marks each entry with what it shares
// with its neighbour.
void mark_neighbours(const ModelInventory &inv, size_t *order, bool names, EntryTies *ties) {
  const FormatEntry *e = inv.entries;
  std::sort(order, order + inv.entry_count, [&](size_t i, size_t j) {
    const bool earlier = i < j;
    if (names) return name_before(e[i], e[j]) || (same_name(e[i], e[j]) && earlier);
    const int rc = std::strcmp(e[i].id.text, e[j].id.text);
    return rc != 0 ? rc < 0 : earlier;
  });
  for (size_t k = 1; k < inv.entry_count; ++k) {
    const size_t was = order[k - 1], is = order[k];
    if (names && same_name(e[was], e[is])) {
      ties[is].same_name_before = was;
      ties[is].name_held_twice = ties[was].name_held_twice = true;
    } else if (!names && std::strcmp(e[was].id.text, e[is].id.text) == 0) {
      if (!same_name(e[was], e[is])) ties[is].same_id_before = was;
      ties[is].id_held_twice = ties[was].id_held_twice = true;
    }
  }
}

// True when file `at` is there and has no line of e (a missing file is
// a finding of its own).
bool lacks(const ModelInventory &inv, int at, const FormatEntry &e) {
  return inv.present[at] && !inventory_holds(inv, at, e.id.text);
}

bool whole_tree(const ModelInventory &inv) {
  int why = 0;
  return unrepairable_file(inv, &why) == nullptr;
}

Finding about(FindingKind kind, const char *file, off_t number = 0) {
  Finding f{};
  f.kind = kind;
  f.file = file;
  f.number = number;
  return f;
}

Finding about_entry(FindingKind kind, const char *file, const FormatEntry &e, off_t number = 0) {
  Finding f = about(kind, file, number);
  f.id = e.id.text;
  f.name = e.name;
  f.name_len = e.name_len;
  return f;
}

// Hands findings on and counts them.
struct Found {
  FindingSink sink;
  void *ctx;
  long count;
  void operator()(const Finding &f) {
    sink(ctx, f);
    ++count;
  }
};

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
void entry_findings(const ModelInventory &inv, const FormatEntry &e, const EntryTies &t, Found *found) {
  const bool mendable = entry_mendable(inv, e, t);
  for (const int at : {kPaperTable, kImagingArea}) {
    if (!lacks(inv, at, e)) continue;
    Finding f = about_entry(FindingKind::kIncomplete, inv.path[at], e);
    f.repairable = mendable;
    (*found)(f);
  }
  // The repair resets a setting that selects a format it removes.
  if (mendable && inventory_holds(inv, kSettingsFile, e.id.text)) (*found)(stale_setting(inv, e.id.text, true));
  if (t.same_name_before != kNoEntry || t.same_id_before != kNoEntry) {
    const bool dup = t.same_name_before != kNoEntry;
    const FormatEntry &o = inv.entries[dup ? t.same_name_before : t.same_id_before];
    Finding f = about_entry(dup ? FindingKind::kDuplicateName : FindingKind::kSharedIdentifier, nullptr, e);
    f.other_id = o.id.text;
    f.other_name = o.name;
    f.other_name_len = o.name_len;
    (*found)(f);
  }
  if (e.zero_byte || e.parts.name_len != e.seen_len) {
    (*found)(e.zero_byte ? about_entry(FindingKind::kZeroByte, inv.path[kFunctionFile], e, e.offset)
                         : about_entry(FindingKind::kLengthDigits, nullptr, e, static_cast<off_t>(e.seen_len)));
  }
}

// An interrupted request comes first: --repair finishes it first.
void intent_findings(const ModelInventory &inv, Found *found) {
  if (inv.intent_state == kNoIntent) return;
  Finding f = about(FindingKind::kDamagedIntent, inv.intent_path);
  if (inv.intent_state == kOpenIntent) {
    const Intent &in = inv.intent;
    f.kind = in.apply ? FindingKind::kInterruptedApply
             : in.add ? FindingKind::kInterruptedAdd : FindingKind::kInterruptedDelete;
    f.id = in.add ? in.id.text : nullptr;
    f.name = in.apply ? nullptr : in.job.label_name;
    f.name_len = std::strlen(in.job.label_name);
    f.printer = in.job.printer;
    f.repairable = true;
    if (in.apply) f.number = static_cast<off_t>(in.format_count);
  }
  (*found)(f);
}

void file_findings(const ModelInventory &inv, Found *found) {
  intent_findings(inv, found);
  for (const DriverFile at : kDriverFiles) {
    if (!inv.present[at]) (*found)(about(FindingKind::kMissing, inv.path[at]));
  }
  if (inv.companion != 0) {
    const bool absent = inv.companion == ENOENT;
    (*found)(about(absent ? FindingKind::kMissing : FindingKind::kNotExecutable, inv.companion_path));
  }
  for (const char *temp : inv.temporary) {
    Finding f = about(FindingKind::kTemporary, temp);
    f.repairable = true;  // a writer's lock removes it
    if (*temp != '\0') (*found)(f);
  }
  if (inv.present[kFunctionFile] && !inv.has_marker) (*found)(about(FindingKind::kNoMarker, inv.path[kFunctionFile]));
  for (size_t i = 0; i < inv.zero_count; ++i) {
    (*found)(about(FindingKind::kZeroByte, inv.path[kFunctionFile], inv.zero_lines[i]));
  }
  for (size_t i = 0; i < inv.damaged_count; ++i) {
    const FormatEntry &e = inv.damaged[i];
    (*found)(about_entry(FindingKind::kDamagedEntry, inv.path[kFunctionFile], e, e.offset));
  }
}

// Lines under an identifier no entry holds: orphans in the paper table
// and ImagingArea, stale settings in the settings file.
void line_findings(const ModelInventory &inv, Found *found) {
  for (const int at : {kPaperTable, kImagingArea, kSettingsFile}) {
    for (size_t i = 0; i < inv.ids[at].count; ++i) {
      if (!is_orphan(inv, at, i)) continue;
      Finding f = about(FindingKind::kOrphan, inv.path[at]);
      f.id = inv.ids[at].ids[i].text;
      f.repairable = whole_tree(inv) && !may_be_an_entrys(inv, f.id);
      (*found)(at == kSettingsFile ? stale_setting(inv, f.id, f.repairable) : f);
    }
  }
}

}  // namespace

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
  write_json_text(row_of(f.kind).word);
  (void)std::fputs(",\"file\":", stdout);
  write_json_text(f.file);
  (void)std::fputs(",\"id\":", stdout);
  write_json_text(f.id);
  (void)std::fputs(",\"name\":", stdout);
  if (f.name != nullptr) write_json_string(f.name, f.name_len);
  else write_json_text(nullptr);
  std::printf(",\"repairable\":%s,\"repair\":", f.repairable ? "true" : "false");
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

bool may_be_an_entrys(const ModelInventory &inv, const char *id) {
  // "ZkL" stands nowhere else in an identifier: lines under id are a longer one's too.
  return inv.damaged_count != 0 || starts_an_id_in(inv.ids[kFunctionFile], id, true);
}

bool entry_mendable(const ModelInventory &inv, const FormatEntry &e, const EntryTies &t) {
  return whole_tree(inv) && e.seen_len <= kLabelNameMax && !e.zero_byte &&
         e.parts.name_len == e.seen_len && !t.name_held_twice && !t.id_held_twice &&
         !starts_an_id_in(inv.ids[kFunctionFile], e.id.text, true) &&
         (lacks(inv, kPaperTable, e) || lacks(inv, kImagingArea, e));
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
  Found found{sink, ctx, 0};
  file_findings(inv, &found);
  for (size_t i = 0; i < inv.entry_count; ++i) entry_findings(inv, inv.entries[i], ties[i], &found);
  std::free(ties);
  line_findings(inv, &found);
  return found.count;
}
