// Reads an apply's formats from JSON (see format_set.h).
#include "front/format_set.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "driverfiles/text/json_reader.h"
#include "driverfiles/sys/sys_io.h"
#include "front/options.h"

namespace {

enum : size_t { kKeyMax = 16, kNumberMax = 128 };

// The whole input, read through sys_io into a growing buffer, up to one
// byte past kApplyDocumentMax (*len tells a longer one).
int read_all(const char *path, char **text, size_t *len) {
  const bool stdin_wanted = std::strcmp(path, "-") == 0;
  const int fd = stdin_wanted ? 0 : sys_io.open(path, O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return -1;
  size_t cap = 0;
  *len = 0;
  const int rc = read_up_to(fd, text, len, &cap, kApplyDocumentMax);
  SavedErrno saved;
  if (!stdin_wanted) sys_io.close(fd);
  return rc;
}

// A size member as written: its text, kept.
struct RawSize {
  char text[kNumberMax];
  bool has, whole;
};

// One format's members as written (zero-filled by the caller).
struct RawFormat {
  char name[kLabelNameMax + 1];
  size_t name_len;
  bool has_name;
  RawSize width, height;
};

// The reason: before, value, after and more, one after the other.
int refuse(SetError *e, long format, const char *name, const char *before, const char *value = "",
           const char *after = "", const char *more = "") {
  e->format = format;
  copy_text(e->name, name);
  (void)std::snprintf(e->reason, sizeof e->reason, "%s%s%s%s", before, value, after, more);
  return -1;
}

// A member's value ahead, refused when the member came before or the
// value is not a string (or, for a number, not a number).
int start_member(JsonReader *r, SetError *e, long format, const char *key, bool *has, bool number) {
  char c = 0;
  if (*has) return refuse(e, format, "", "\"", key, "\" is given twice");
  if (!json_peek(r, &c)) return -1;
  if (number ? c != '-' && (c < '0' || c > '9') : c != '"') {
    return refuse(e, format, "", "\"", key, number ? "\" is not a number" : "\" is not a string");
  }
  *has = true;
  return 0;
}

int read_member(JsonReader *r, SetError *e, long format, const char *key, RawFormat *f) {
  if (std::strcmp(key, "width") == 0 || std::strcmp(key, "height") == 0) {
    RawSize &size = key[0] == 'w' ? f->width : f->height;
    if (start_member(r, e, format, key, &size.has, true) != 0) return -1;
    return json_read_number(r, size.text, kNumberMax, &size.whole) ? 0 : -1;
  }
  if (std::strcmp(key, "name") != 0) return json_skip_value(r) ? 0 : -1;
  if (start_member(r, e, format, key, &f->has_name, false) != 0) return -1;
  return json_read_string(r, f->name, kLabelNameMax, &f->name_len) ? 0 : -1;
}

// A key, kept when it is short enough to be one this reader knows.
int read_key(JsonReader *r, char *key) {
  size_t len = 0;
  if (!json_read_string(r, key, kKeyMax - 1, &len) || !json_take(r, ':')) return -1;
  key[len < kKeyMax - 1 ? len : 0] = '\0';
  if (std::memchr(key, '\0', len < kKeyMax - 1 ? len : 0) != nullptr) key[0] = '\0';
  return 0;
}

int read_raw(JsonReader *r, SetError *e, long format, RawFormat *f) {
  if (!json_take(r, '{')) return -1;
  for (bool first = true; json_next(r, '}', first); first = false) {
    char key[kKeyMax];
    if (read_key(r, key) != 0 || read_member(r, e, format, key, f) != 0) return -1;
  }
  if (r->error != nullptr) return -1;
  const char *missing = !f->has_name ? "name" : !f->width.has ? "width" : !f->height.has ? "height" : nullptr;
  return missing != nullptr ? refuse(e, format, "", "no \"", missing, "\"") : 0;
}

// The format as its add request's -n, -w and -h would take it.
int take_format(const PaperJob &job, const RawFormat &f, SetError *e, long format, FormatSpec *spec) {
  if (f.name_len == 0) return refuse(e, format, "", "the name is empty");
  if (f.name_len > kLabelNameMax) return refuse(e, format, "", "the name is longer than 32 bytes");
  if (std::memchr(f.name, '\0', f.name_len) != nullptr) return refuse(e, format, "", "the name holds a zero byte");
  const char *name = f.name;  // terminated: the record is zero-filled past the name's bytes
  PaperJob one = job;
  SeenFlags seen{};
  const char *const n[] = {"", "-n", name};
  if (!parse_options(3, n, &one, &seen)) return refuse(e, format, "", "the name holds a newline or \"[CustomTape]\"");
  for (const RawSize *size : {&f.width, &f.height}) {
    const bool width = size == &f.width;
    const char *what = width ? "width " : "height ";
    const char *const words[] = {"", width ? "-w" : "-h", size->text};
    ParseFault fault{'\0', "refused"};
    if (!size->whole) return refuse(e, format, name, what, size->text, " is not a whole number");
    if (parse_options(3, words, &one, &seen, &fault)) continue;
    return refuse(e, format, name, what, size->text, ": ", fault.reason);
  }
  *spec = spec_of(one);
  return 0;
}

// The first format (from 1) whose name an earlier one has, 0 when none,
// -1 with no memory: the formats sorted by name, then by place, once, so
// a set of any size is checked in one sort, and a name's later formats
// sort right after its first.
long first_repeat(const FormatSet &set) {
  if (set.count < 2) return 0;
  size_t *order = static_cast<size_t *>(sys_io.realloc(nullptr, set.count * sizeof(size_t)));
  if (order == nullptr) return -1;
  std::iota(order, order + set.count, size_t{0});
  const auto name = [&](size_t at) { return set.formats[at].label_name; };
  std::sort(order, order + set.count, [&](size_t x, size_t y) {
    const int c = std::strcmp(name(x), name(y));
    return c != 0 ? c < 0 : x < y;
  });
  size_t first = set.count;
  for (size_t i = 1; i < set.count; ++i) {
    if (std::strcmp(name(order[i - 1]), name(order[i])) == 0) first = std::min(first, order[i]);
  }
  std::free(order);
  return first < set.count ? static_cast<long>(first) + 1 : 0;
}

int read_formats(const PaperJob &job, JsonReader *r, SetError *e, FormatSet *set) {
  if (!json_take(r, '[')) return -1;
  for (bool first = true; json_next(r, ']', first); first = false) {
    const long format = static_cast<long>(set->count) + 1;
    RawFormat raw{};
    FormatSpec spec{};
    if (read_raw(r, e, format, &raw) != 0 || take_format(job, raw, e, format, &spec) != 0) return -1;
    if (make_room(&set->formats, &set->cap, set->count) != 0) {
      e->unreadable = true;
      return -1;
    }
    set->formats[set->count++] = spec;
  }
  return r->error == nullptr ? 0 : -1;
}

// The "model" member: this program's model, or refused.
int read_model(const PaperJob &job, JsonReader *r, SetError *e, bool *seen) {
  if (start_member(r, e, 0, "model", seen, false) != 0) return -1;
  size_t len = 0;
  if (!json_read_string(r, e->other_model, sizeof e->other_model, &len)) return -1;
  if (len == std::strlen(job.model) && std::memcmp(e->other_model, job.model, len) == 0) return 0;
  e->wrong_model = true;
  e->other_len = len;
  return -1;
}

int read_document(const PaperJob &job, JsonReader *r, SetError *e, FormatSet *set) {
  bool seen = false, model = false;
  if (!json_take(r, '{')) return -1;
  for (bool first = true; json_next(r, '}', first); first = false) {
    char key[kKeyMax];
    if (read_key(r, key) != 0) return -1;
    const bool formats = std::strcmp(key, "formats") == 0;
    if (formats && seen) return refuse(e, 0, "", "\"formats\" is given twice");
    seen = seen || formats;
    const int rc = std::strcmp(key, "model") == 0 ? read_model(job, r, e, &model)
                   : formats                      ? read_formats(job, r, e, set)
                                                  : json_skip_value(r) ? 0 : -1;
    if (rc != 0) return -1;
  }
  if (r->error != nullptr || !json_at_end(r)) return -1;
  return seen ? 0 : refuse(e, 0, "", "no \"formats\"");
}

}  // namespace

int read_format_set(const char *path, const PaperJob &job, FormatSet *set, SetError *error) {
  *set = FormatSet{};
  *error = SetError{};
  char *text = nullptr;
  size_t len = 0;
  if (read_all(path, &text, &len) != 0) {
    SavedErrno saved;
    std::free(text);
    error->unreadable = true;
    return -1;
  }
  if (len > kApplyDocumentMax) {
    std::free(text);
    return refuse(error, 0, "", "longer than 64 MiB, the most an apply reads");
  }
  // Editors on some systems start a UTF-8 file with a byte-order mark.
  const size_t bom = len >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
  JsonReader r{};
  start_json(&r, text + bom, len - bom);
  int rc = read_document(job, &r, error, set);
  // A name given twice is refused where its second format stands, before
  // whatever the reading met after it.
  const long repeat = first_repeat(*set);
  if (repeat != 0) {
    *error = SetError{};
    rc = -1;
    error->unreadable = repeat < 0;  // no memory: errno tells
    if (repeat > 0) (void)refuse(error, repeat, set->formats[repeat - 1].label_name, "the name is given twice");
  } else if (rc != 0 && r.error != nullptr) {
    error->not_json = true;
    error->at = r.error_at + bom;
    copy_text(error->reason, r.error);
  }
  std::free(text);
  if (rc != 0) free_format_set(set);
  return rc;
}
