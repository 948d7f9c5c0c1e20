// Reads an apply's formats from JSON (see format_set.h).
#include "front/format_set.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
  int rc = 0;
  *len = 0;
  while (*len <= kApplyDocumentMax) {
    ssize_t got = -1;
    if (make_room(text, &cap, *len) == 0) {
      const size_t room = std::min(cap - *len, kApplyDocumentMax + 1 - *len);
      got = retry_interrupted([&] { return sys_io.read(fd, *text + *len, room); });
    }
    if (got <= 0) {
      rc = got == 0 ? 0 : -1;
      break;
    }
    *len += static_cast<size_t>(got);
  }
  SavedErrno saved;
  if (!stdin_wanted) sys_io.close(fd);
  return rc;
}

// One format's members as written.
struct RawFormat {
  char name[kLabelNameMax + 1];
  size_t name_len;
  char width[kNumberMax], height[kNumberMax];
  bool has_name, has_width, has_height, whole_width, whole_height;
};

// The reason: before, value, after and more, one after the other.
int refuse(SetError *e, long format, const char *name, const char *before, const char *value = "",
           const char *after = "", const char *more = "") {
  e->format = format;
  copy_text(e->name, name);
  (void)std::snprintf(e->reason, sizeof e->reason, "%s%s%s%s", before, value, after, more);
  return -1;
}

// A size member: a number, its text kept.
int read_size_member(JsonReader *r, SetError *e, long format, const char *key, char *out, bool *whole,
                     bool *has) {
  char c = 0;
  if (*has) return refuse(e, format, "", "\"", key, "\" is given twice");
  if (!json_peek(r, &c)) return -1;
  if (c != '-' && (c < '0' || c > '9')) return refuse(e, format, "", "\"", key, "\" is not a number");
  *has = true;
  return json_read_number(r, out, kNumberMax, whole) ? 0 : -1;
}

int read_member(JsonReader *r, SetError *e, long format, const char *key, RawFormat *f) {
  if (std::strcmp(key, "width") == 0) {
    return read_size_member(r, e, format, key, f->width, &f->whole_width, &f->has_width);
  }
  if (std::strcmp(key, "height") == 0) {
    return read_size_member(r, e, format, key, f->height, &f->whole_height, &f->has_height);
  }
  if (std::strcmp(key, "name") != 0) return json_skip_value(r) ? 0 : -1;
  char c = 0;
  if (f->has_name) return refuse(e, format, "", "\"name\" is given twice");
  if (!json_peek(r, &c)) return -1;
  if (c != '"') return refuse(e, format, "", "\"name\" is not a string");
  f->has_name = true;
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
  *f = RawFormat{};
  bool more = false;
  if (!json_take(r, '{')) return -1;
  for (bool first = true; json_next(r, '}', first, &more); first = false) {
    char key[kKeyMax];
    if (read_key(r, key) != 0 || read_member(r, e, format, key, f) != 0) return -1;
  }
  if (r->error != nullptr) return -1;
  const char *missing = !f->has_name ? "name" : !f->has_width ? "width" : !f->has_height ? "height" : nullptr;
  return missing != nullptr ? refuse(e, format, "", "no \"", missing, "\"") : 0;
}

// The format as its add request's -n, -w and -h would take it.
int take_format(const PaperJob &job, const RawFormat &f, SetError *e, long format, FormatSpec *spec) {
  if (f.name_len == 0) return refuse(e, format, "", "the name is empty");
  if (f.name_len > kLabelNameMax) return refuse(e, format, "", "the name is longer than 32 bytes");
  if (std::memchr(f.name, '\0', f.name_len) != nullptr) return refuse(e, format, "", "the name holds a zero byte");
  char name[kLabelNameMax + 1];
  std::memcpy(name, f.name, f.name_len);
  name[f.name_len] = '\0';
  PaperJob one = job;
  SeenFlags seen{};
  ParseFault fault{'\0', "refused"};
  const char *const n[] = {"", "-n", name}, *const w[] = {"", "-w", f.width}, *const h[] = {"", "-h", f.height};
  if (parse_options(3, n, &one, &seen) != ParseResult::kAccepted) {
    return refuse(e, format, "", "the name holds a newline or \"[CustomTape]\"");
  }
  if (!f.whole_width) return refuse(e, format, name, "width ", f.width, " is not a whole number");
  if (parse_options(3, w, &one, &seen, &fault) != ParseResult::kAccepted) {
    return refuse(e, format, name, "width ", f.width, ": ", fault.reason);
  }
  if (!f.whole_height) return refuse(e, format, name, "height ", f.height, " is not a whole number");
  if (parse_options(3, h, &one, &seen, &fault) != ParseResult::kAccepted) {
    return refuse(e, format, name, "height ", f.height, ": ", fault.reason);
  }
  *spec = spec_of(one);
  return 0;
}

int add_format(const PaperJob &job, JsonReader *r, SetError *e, FormatSet *set) {
  const long format = static_cast<long>(set->count) + 1;
  RawFormat raw{};
  FormatSpec spec{};
  if (read_raw(r, e, format, &raw) != 0 || take_format(job, raw, e, format, &spec) != 0) return -1;
  if (make_room(&set->formats, &set->cap, set->count) != 0) {
    e->unreadable = true;
    return -1;
  }
  set->formats[set->count++] = spec;
  return 0;
}

struct SpecRef {
  const FormatSpec *spec;
};

// By name, then by place in the set.
int compare_specs(const void *a, const void *b) {
  const FormatSpec *x = static_cast<const SpecRef *>(a)->spec;
  const FormatSpec *y = static_cast<const SpecRef *>(b)->spec;
  const int c = std::strcmp(x->label_name, y->label_name);
  return c != 0 ? c : x < y ? -1 : x > y ? 1 : 0;
}

// The first format (from 1) whose name an earlier one has, 0 when none,
// -1 with no memory: the formats sorted by name once, so a set of any
// size is checked in one sort.
long first_repeat(const FormatSet &set) {
  if (set.count < 2) return 0;
  SpecRef *order = static_cast<SpecRef *>(sys_io.realloc(nullptr, set.count * sizeof(SpecRef)));
  if (order == nullptr) return -1;
  for (size_t i = 0; i < set.count; ++i) order[i] = SpecRef{&set.formats[i]};
  std::qsort(order, set.count, sizeof(SpecRef), compare_specs);
  const auto name = [&](size_t i) { return order[i].spec->label_name; };
  size_t first = set.count;
  for (size_t i = 1; i < set.count; ++i) {
    // The second of a name in the set's order sorts right after the first.
    if (std::strcmp(name(i - 1), name(i)) != 0) continue;
    if (i == 1 || std::strcmp(name(i - 2), name(i)) != 0) {
      first = std::min(first, static_cast<size_t>(order[i].spec - set.formats));
    }
  }
  std::free(order);
  return first < set.count ? static_cast<long>(first) + 1 : 0;
}

int read_formats(const PaperJob &job, JsonReader *r, SetError *e, FormatSet *set) {
  bool more = false;
  if (!json_take(r, '[')) return -1;
  for (bool first = true; json_next(r, ']', first, &more); first = false) {
    if (add_format(job, r, e, set) != 0) return -1;
  }
  return r->error == nullptr ? 0 : -1;
}

// The "model" member: this program's model, or refused.
int read_model(const PaperJob &job, JsonReader *r, SetError *e, bool *seen) {
  char c = 0;
  if (*seen) return refuse(e, 0, "", "\"model\" is given twice");
  if (!json_peek(r, &c)) return -1;
  if (c != '"') return refuse(e, 0, "", "\"model\" is not a string");
  *seen = true;
  size_t len = 0;
  if (!json_read_string(r, e->other_model, sizeof e->other_model, &len)) return -1;
  if (len == std::strlen(job.model) && std::memcmp(e->other_model, job.model, len) == 0) return 0;
  e->wrong_model = true;
  e->other_len = len;
  return -1;
}

int read_document(const PaperJob &job, JsonReader *r, SetError *e, FormatSet *set) {
  bool more = false, seen = false, model = false;
  if (!json_take(r, '{')) return -1;
  for (bool first = true; json_next(r, '}', first, &more); first = false) {
    char key[kKeyMax];
    if (read_key(r, key) != 0) return -1;
    if (std::strcmp(key, "model") == 0) {
      if (read_model(job, r, e, &model) != 0) return -1;
      continue;
    }
    if (std::strcmp(key, "formats") != 0) {
      if (!json_skip_value(r)) return -1;
      continue;
    }
    if (seen) return refuse(e, 0, "", "\"formats\" is given twice");
    seen = true;
    if (read_formats(job, r, e, set) != 0) return -1;
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
