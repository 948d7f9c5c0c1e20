// Reading a model's driver files through the line scan: the lookups of a
// request and the sorted inventory of every file's identifiers.
#include "driverfiles/model/model_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/sys/companion.h"
#include "driverfiles/sys/sys_io.h"

namespace {

const ScanSink kNoSink{nullptr, nullptr, nullptr};

int add_id(IdList *list, const char *text, size_t len) {
  if (make_room(&list->ids, &list->cap, list->count) != 0) return -1;
  FormatId &id = list->ids[list->count++];
  std::memcpy(id.text, text, len);
  id.text[len] = '\0';
  return 0;
}

// An entry, or a damaged one, whose "/" stands at slash in at's head.
int add_entry(FormatEntry **entries, size_t *count, size_t *cap, const HitLine &at, size_t slash,
              const IdParts &parts) {
  if (make_room(entries, cap, *count) != 0) return -1;
  FormatEntry &e = (*entries)[(*count)++];
  e = FormatEntry{};
  std::memcpy(e.id.text, at.head, slash);
  e.parts = parts;
  e.offset = at.offset;
  e.zero_byte = at.zero_cut && at.head_len < kHeadMax;
  e.name_len = at.head_len - slash - 1;
  e.seen_len = at.line_len - at.head_at - slash - 1;
  std::memcpy(e.name, at.head + slash + 1, e.name_len);
  return 0;
}

// The line's last two tab-separated fields as numbers; head is the line
// from its identifier on, as far as the scan shows it.
void read_values(const char *head, size_t len, LineValues *v) {
  char text[kHeadMax + 1];
  std::memcpy(text, head, len);
  text[len] = '\0';
  char *last = std::strrchr(text, '\t');
  if (last == nullptr || last == text) return;
  *last = '\0';
  char *first = std::strrchr(text, '\t');
  if (first == nullptr) return;
  char *end_first = nullptr, *end_last = nullptr;
  v->across = std::strtod(first + 1, &end_first);
  v->along = std::strtod(last + 1, &end_last);
  v->valid = end_first != first + 1 && *end_first == '\0' && end_last != last + 1 && *end_last == '\0';
}

int add_values(ValueList *list, const HitLine &at, size_t id_len) {
  if (make_room(&list->lines, &list->cap, list->count) != 0) return -1;
  LineValues &v = list->lines[list->count++];
  v = LineValues{};
  std::memcpy(v.id.text, at.head, id_len);
  read_values(at.head, at.head_len, &v);
  return 0;
}

int compare_ids(const void *a, const void *b) {
  return std::strcmp(static_cast<const FormatId *>(a)->text, static_cast<const FormatId *>(b)->text);
}

int sort_names(ModelInventory *inv) {
  using Named = ModelInventory::Named;
  inv->by_name = static_cast<Named *>(sys_io.realloc(nullptr, (inv->entry_count + 1) * sizeof(Named)));
  if (inv->by_name == nullptr) return -1;
  for (size_t i = 0; i < inv->entry_count; ++i) {
    if (!inv->entries[i].zero_byte) inv->by_name[inv->by_name_count++] = Named{&inv->entries[i]};
  }
  // By name, then by place in the one entries array (the file's order).
  std::sort(inv->by_name, inv->by_name + inv->by_name_count, [](const Named &a, const Named &b) {
    return name_before(*a.entry, *b.entry) || (!name_before(*b.entry, *a.entry) && a.entry < b.entry);
  });
  return 0;
}

// Notes the identifier a line of file `at` carries (entries of the
// function file with their names).
int note_line(ModelInventory *inv, int at, const LineScan &scan, const HitLine &hit) {
  HitLine id_at{};
  const int found = find_in_line(&scan, &hit, kFormatIdPrefix, &id_at);
  if (found <= 0) return found;
  IdParts parts{};
  const bool parsed = parse_format_id(id_at.head, id_at.head_len, &parts);
  if (at != kFunctionFile) {
    if (!parsed) return 0;
    if (at != kSettingsFile && add_values(&inv->values[at], id_at, parts.len) != 0) return -1;
    return add_id(&inv->ids[at], id_at.head, parts.len);
  }
  if (parsed && parts.len < id_at.head_len && id_at.head[parts.len] == '/') {
    return add_entry(&inv->entries, &inv->entry_count, &inv->entry_cap, id_at, parts.len, parts);
  }
  // A zero byte cut this line short of being an entry.
  if (id_at.zero_cut && id_at.head_len < kHeadMax) {
    if (make_room(&inv->zero_lines, &inv->zero_cap, inv->zero_count) != 0) return -1;
    inv->zero_lines[inv->zero_count++] = hit.offset;
    return 0;
  }
  // An entry line whose identifier is damaged: "/" within an identifier's reach.
  const size_t reach = id_at.head_len < kFormatIdMax ? id_at.head_len : kFormatIdMax - 1;
  const void *slash = std::memchr(id_at.head, '/', reach);
  if (slash == nullptr) return 0;
  const size_t at_slash = static_cast<size_t>(static_cast<const char *>(slash) - id_at.head);
  return add_entry(&inv->damaged, &inv->damaged_count, &inv->damaged_cap, id_at, at_slash, IdParts{});
}

// Notes every identifier of the open file `at` (and the function file's
// marker): 0, or -1 with errno.
int scan_open_file(ModelInventory *inv, int at, int fd) {
  inv->present[at] = true;
  LineScan scan{};
  const char *const texts[kNeedles] = {kFormatIdPrefix, at == kFunctionFile ? kEntryMarker : nullptr, nullptr};
  open_scan(&scan, fd, texts, kNoSink);
  HitLine hit{};
  int rc;
  while ((rc = next_hit(&scan, &hit)) > 0) {
    if (hit.holds[kMarkerSlot]) inv->has_marker = true;
    if (hit.holds[kMatchSlot] && note_line(inv, at, scan, hit) != 0) return -1;
  }
  return rc;
}

// Runs read(fd) on the driver file at path and closes it: read's result,
// 0 when the file is absent, or -1 with errno and the file noted when
// opening or reading it fails.
template <typename Read>
int read_driver_file(const char *path, Read read) {
  bool absent = false;
  const int fd = open_driver_file(path, &absent);
  if (fd < 0) return absent ? 0 : -1;
  const int rc = read(fd);
  if (rc < 0) note_failed_driver_file(path);
  SavedErrno saved;
  sys_io.close(fd);
  return rc;
}

// Reads file `at` into inv; an absent file is left out (present false).
// 0, or -1 with errno and the file noted.
int scan_model_file(ModelInventory *inv, int at) {
  return read_driver_file(inv->path[at], [&](int fd) { return scan_open_file(inv, at, fd); });
}

}  // namespace

bool name_before(const FormatEntry &a, const FormatEntry &b) {
  const int rc = std::memcmp(a.name, b.name, std::min(a.name_len, b.name_len));
  return rc != 0 ? rc < 0 : a.name_len < b.name_len;
}

int open_driver_file(const char *path, bool *absent) {
  const int fd = sys_io.open(path, O_RDONLY | O_CLOEXEC, 0);
  *absent = fd < 0 && (errno == ENOENT || errno == ENOTDIR);
  if (fd < 0 && !*absent) note_failed_driver_file(path);
  return fd;
}

int find_format_id(const char *path, const char *label_name, FormatId *id) {
  return read_driver_file(path, [&](int fd) {
    // Every entry of the name holds "/<name>"; only those lines are read.
    char slash_name[kLabelNameMax + 2];
    (void)std::snprintf(slash_name, sizeof slash_name, "/%s", label_name);
    LineScan scan{};
    open_scan(&scan, fd, {slash_name, nullptr, nullptr}, kNoSink);
    HitLine hit{};
    int rc;
    while ((rc = next_hit(&scan, &hit)) > 0 && (rc = match_name_in_line(scan, hit, label_name, id)) == 0) {
    }
    return rc;
  });
}

int match_name_in_line(const LineScan &scan, const HitLine &hit, const char *label_name, FormatId *id) {
  HitLine first{};
  const int rc = find_in_line(&scan, &hit, kFormatIdPrefix, &first);
  if (rc <= 0) return rc;
  return match_entry_line(first.head, first.head_len, label_name, id) ? 1 : 0;
}

int driver_file_holds(const char *path, const char *text) {
  return read_driver_file(path, [&](int fd) {
    LineScan scan{};
    open_scan(&scan, fd, {text, nullptr, nullptr}, kNoSink);
    HitLine hit{};
    return next_hit(&scan, &hit);
  });
}

int read_inventory(const char *root, const char *model, ModelInventory *inv) {
  *inv = ModelInventory{};
  for (int at = 0; at < kDriverFileCount; ++at) {
    if (format_driver_path(inv->path[at], sizeof inv->path[at], root, model, kDriverFiles[at]) != 0 ||
        scan_model_file(inv, at) != 0) {
      return -1;
    }
  }
  for (size_t i = 0; i < inv->entry_count; ++i) {
    const FormatId &id = inv->entries[i].id;
    if (add_id(&inv->ids[kFunctionFile], id.text, std::strlen(id.text)) != 0) return -1;
  }
  for (IdList &list : inv->ids) {
    if (list.count > 1) std::qsort(list.ids, list.count, sizeof(FormatId), compare_ids);
  }
  for (ValueList &list : inv->values) {
    if (list.count > 1) std::qsort(list.lines, list.count, sizeof(LineValues), compare_ids);
  }
  return sort_names(inv);
}

int read_entries(const char *function_file, ModelInventory *inv) {
  *inv = ModelInventory{};
  if (copy_path(inv->path[kFunctionFile], kPathMax, function_file, std::strlen(function_file)) != 0) return -1;
  return scan_model_file(inv, kFunctionFile);
}

int read_surroundings(const char *root, const char *model, ModelInventory *inv) {
  if (format_companion_path(inv->companion_path, sizeof inv->companion_path, root, model) != 0) return -1;
  inv->companion = check_companion(inv->companion_path) == 0 ? 0 : errno;
  if (inv->companion == ENOTDIR) inv->companion = ENOENT;
  if (inv->companion != 0 && inv->companion != ENOENT && inv->companion != EACCES) {
    note_failed_driver_file(inv->companion_path);
    return -1;
  }
  for (int at = 0; at < kDriverFileCount; ++at) {
    char *temp = inv->temporary[at];
    struct stat st {};
    if (format_temp_path(temp, kPathMax, inv->path[at]) != 0) return -1;
    const int rc = sys_io.lstat(temp, &st);
    if (rc != 0 && errno != ENOENT && errno != ENOTDIR) {
      note_failed_driver_file(temp);
      return -1;
    }
    // A directory there is no copy a run made, and no lock removes it.
    if (rc != 0 || S_ISDIR(st.st_mode)) *temp = '\0';
  }
  if (format_intent_path(inv->intent_path, sizeof inv->intent_path, root, model) != 0) return -1;
  inv->intent_state = read_intent(root, model, &inv->intent);
  return inv->intent_state < 0 ? -1 : 0;
}

void free_inventory(ModelInventory *inv) {
  free_intent(&inv->intent);
  std::free(inv->entries);
  std::free(inv->by_name);
  std::free(inv->damaged);
  std::free(inv->zero_lines);
  for (IdList &list : inv->ids) std::free(list.ids);
  for (ValueList &list : inv->values) std::free(list.lines);
  *inv = ModelInventory{};
}

namespace {

// The identifier an item of a sorted list stands under: one search for
// the identifier lists and the value lists alike.
const char *id_of(const FormatId &id) { return id.text; }
const char *id_of(const LineValues &v) { return v.id.text; }

template <typename T>
const T *first_not_below(const T *items, size_t count, const char *key) {
  return std::lower_bound(items, items + count, key,
                          [](const T &held, const char *k) { return std::strcmp(id_of(held), k) < 0; });
}

// The first of count items under key, or null.
template <typename T>
const T *find_id(const T *items, size_t count, const char *key) {
  const T *at = first_not_below(items, count, key);
  return at < items + count && std::strcmp(id_of(*at), key) == 0 ? at : nullptr;
}

}  // namespace

bool holds_id(const IdList &list, const char *id) { return find_id(list.ids, list.count, id) != nullptr; }

bool starts_an_id_in(const IdList &list, const char *id, bool longer) {
  const size_t len = std::strlen(id);
  for (const FormatId *at = first_not_below(list.ids, list.count, id); at < list.ids + list.count; ++at) {
    if (std::strncmp(at->text, id, len) != 0) break;
    if (!longer || at->text[len] != '\0') return true;
  }
  return false;
}

bool inventory_holds(const ModelInventory &inv, int at, const char *id) { return holds_id(inv.ids[at], id); }

const LineValues *inventory_values(const ModelInventory &inv, int at, const char *id) {
  return find_id(inv.values[at].lines, inv.values[at].count, id);
}
