// Writing, reading and removing the intent record (see intent_record.h).
#include "driverfiles/model/intent_record.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/text/escaped_name.h"
#include "driverfiles/format/format_spec.h"
#include "driverfiles/lines/rewrite.h"
#include "driverfiles/sys/sys_io.h"

const char kDamagedIntentReason[] =
    "not an intent record this tool wrote for this model; nothing was changed";

namespace {

const char kHeader[] = "zkpapertoollpr intent 1\n";

uint64_t checksum(const char *bytes, size_t len) {
  uint64_t sum = 14695981039346656037ULL;
  for (size_t i = 0; i < len; ++i) {
    sum = (sum ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ULL;
  }
  return sum;
}

// The record as text, appended piece by piece into a block grown through
// sys_io (an apply's set has no fixed size); a piece there is no memory
// for marks it full.
struct Text {
  char *bytes;
  size_t len, cap;
  bool full;
};

void put(Text *t, const char *bytes, size_t len) {
  while (!t->full && t->cap - t->len < len) t->full = make_room(&t->bytes, &t->cap, t->cap) != 0;
  if (t->full || len == 0) return;
  std::memcpy(t->bytes + t->len, bytes, len);
  t->len += len;
}

void put_text(Text *t, const char *text) { put(t, text, std::strlen(text)); }

void put_number(Text *t, long long value, const char *after) {
  char digits[32];
  const int n = std::snprintf(digits, sizeof digits, "%lld%s", value, after);
  put(t, digits, static_cast<size_t>(n));
}

// "<key><length>:<bytes>\n".
void put_field(Text *t, const char *key, const char *value) {
  put_text(t, key);
  put_number(t, static_cast<long long>(std::strlen(value)), ":");
  put_text(t, value);
  put_text(t, "\n");
}

// An apply's request line, printer and formats.
void compose_apply(const Intent &in, Text *t) {
  put_text(t, "apply ");
  put_number(t, in.keep_others ? 1 : 0, " ");
  put_number(t, static_cast<long long>(in.format_count), "\n");
  put_field(t, "printer ", in.job.printer);
  for (size_t i = 0; i < in.format_count; ++i) {
    const FormatSpec &f = in.formats[i];
    put_text(t, "format ");
    put_number(t, static_cast<long long>(std::strlen(f.label_name)), ":");
    put_text(t, f.label_name);
    put_text(t, " ");
    put_number(t, static_cast<long long>(std::strlen(f.media_name)), ":");
    put_text(t, f.media_name);
    put_text(t, " ");
    put_number(t, f.width, " ");
    put_number(t, f.height, " ");
    put_number(t, f.pins, "\n");
  }
  for (size_t i = 0; i < in.move_count; ++i) {
    put_text(t, "selection ");
    put_text(t, in.moves[i].id.text);
    put_text(t, " ");
    put_number(t, static_cast<long long>(in.moves[i].format), "\n");
  }
}

void compose(const Intent &in, Text *t) {
  const PaperJob &job = in.job;
  char sum[32];
  put_text(t, kHeader);
  put_text(t, "model ");
  put_text(t, job.model);
  put_text(t, "\nkind ");
  put_number(t, job.kind, "\nrequest ");
  if (in.apply) {
    compose_apply(in, t);
  } else {
    put_text(t, in.add ? "add " : "delete");
    put_text(t, in.add ? in.id.text : "");
    put_text(t, "\n");
    put_field(t, "printer ", job.printer);
    put_field(t, "name ", job.label_name);
    put_field(t, "media ", job.media_name);
    put_text(t, "size ");
    put_number(t, job.width, " ");
    put_number(t, job.height, " ");
    put_number(t, job.pins, "\n");
  }
  (void)std::snprintf(sum, sizeof sum, "sum %016" PRIX64 "\n", checksum(t->bytes, t->len));
  put_text(t, sum);
}

// Reading the record back: each step either matches or marks it damaged.
struct Cursor {
  const char *at, *end;
  bool ok;
  bool no_memory;  // not damage: the record could not be held
};

void expect(Cursor *c, const char *text) {
  const size_t len = std::strlen(text);
  c->ok = c->ok && static_cast<size_t>(c->end - c->at) >= len && std::memcmp(c->at, text, len) == 0;
  if (c->ok) c->at += len;
}

// A decimal number up to the character stop, which is skipped.
long long number(Cursor *c, char stop) {
  char digits[24];
  size_t n = 0;
  while (c->ok && c->at < c->end && *c->at != stop && n + 1 < sizeof digits) digits[n++] = *c->at++;
  digits[n] = '\0';
  char *last = nullptr;
  errno = 0;
  const long long value = std::strtoll(digits, &last, 10);
  c->ok = c->ok && n > 0 && *last == '\0' && errno == 0 && c->at < c->end && *c->at == stop;
  if (c->ok) ++c->at;
  return value;
}

// "<length>:<bytes>" into to (cap bytes with the terminator): a length
// that does not fit, or a zero byte inside, is damage.
template <size_t N>
void text_of(Cursor *c, char (&to)[N]) {
  const long long len = number(c, ':');
  c->ok = c->ok && len >= 0 && static_cast<size_t>(len) < N &&
          static_cast<size_t>(c->end - c->at) > static_cast<size_t>(len) &&
          std::memchr(c->at, '\0', static_cast<size_t>(len)) == nullptr;
  if (!c->ok) return;
  std::memcpy(to, c->at, static_cast<size_t>(len));
  to[len] = '\0';
  c->at += len;
}

// "<key><length>:<bytes>\n".
template <size_t N>
void field(Cursor *c, const char *key, char (&to)[N]) {
  expect(c, key);
  text_of(c, to);
  expect(c, "\n");
}

// A whole identifier up to the character stop, which is skipped.
void identifier(Cursor *c, char stop, FormatId *id) {
  const char *end = c->ok ? static_cast<const char *>(std::memchr(c->at, stop, static_cast<size_t>(c->end - c->at)))
                          : nullptr;
  IdParts parts{};
  const size_t len = end != nullptr ? static_cast<size_t>(end - c->at) : 0;
  c->ok = end != nullptr && len < sizeof id->text && parse_format_id(c->at, len, &parts) && parts.len == len;
  if (!c->ok) return;
  std::memcpy(id->text, c->at, len);
  id->text[len] = '\0';
  c->at = end + 1;
}

bool next_is(const Cursor *c, const char *text) {
  const size_t len = std::strlen(text);
  return c->ok && static_cast<size_t>(c->end - c->at) >= len && std::memcmp(c->at, text, len) == 0;
}

// An apply's selections moved, after its formats.
void parse_moves(Cursor *c, Intent *in) {
  size_t cap = 0;
  while (next_is(c, "selection ") && in->move_count < in->format_count) {
    c->no_memory = make_room(&in->moves, &cap, in->move_count) != 0;
    c->ok = !c->no_memory;
    if (!c->ok) return;
    expect(c, "selection ");
    FollowedSetting &move = in->moves[in->move_count];
    identifier(c, ' ', &move.id);
    const long long format = number(c, '\n');
    c->ok = c->ok && format >= 0 && static_cast<size_t>(format) < in->format_count;
    move.format = static_cast<size_t>(format);
    if (c->ok) ++in->move_count;
  }
}

// An apply's request line (past "request apply "), printer and set.
void parse_apply(Cursor *c, Intent *in) {
  in->apply = true;
  const long long keep = number(c, ' ');
  const long long count = number(c, '\n');
  c->ok = c->ok && (keep == 0 || keep == 1) && count >= 0;
  in->keep_others = keep == 1;
  field(c, "printer ", in->job.printer);
  size_t cap = 0;
  for (long long i = 0; c->ok && i < count; ++i) {
    c->no_memory = make_room(&in->formats, &cap, in->format_count) != 0;
    c->ok = !c->no_memory;
    if (!c->ok) return;
    FormatSpec &f = in->formats[in->format_count];
    f = FormatSpec{};
    expect(c, "format ");
    text_of(c, f.label_name);
    expect(c, " ");
    text_of(c, f.media_name);
    expect(c, " ");
    f.width = number(c, ' ');
    f.height = number(c, ' ');
    f.pins = number(c, '\n');
    c->ok = c->ok && f.label_name[0] != '\0';
    if (c->ok) ++in->format_count;
  }
  parse_moves(c, in);
}

void parse_request(Cursor *c, Intent *in) {
  expect(c, "request ");
  if (c->ok && c->end - c->at > 6 && std::memcmp(c->at, "apply ", 6) == 0) {
    c->at += 6;
    parse_apply(c, in);
    return;
  }
  in->add = c->ok && c->end - c->at > 4 && std::memcmp(c->at, "add ", 4) == 0;
  if (!in->add) {
    expect(c, "delete\n");
    return;
  }
  expect(c, "add ");
  identifier(c, '\n', &in->id);
}

// The kind the model table gives model, or -1.
int32_t model_kind(const char *model) {
  const ModelRow *row = find_model(model);
  return row != nullptr ? row->kind : -1;
}

// The header, model and kind lines of model's record.
void parse_head(Cursor *c, const char *model, Intent *in) {
  expect(c, kHeader);
  expect(c, "model ");
  expect(c, model);
  expect(c, "\n");
  expect(c, "kind ");
  in->job.kind = static_cast<int32_t>(number(c, '\n'));
  c->ok = c->ok && in->job.kind == model_kind(model);
}

// Whether the record's bytes are one this tool wrote for model (1, 0),
// or -1 (ENOMEM) when an apply's set could not be held.
int parse(const char *bytes, size_t len, const char *model, Intent *in) {
  *in = Intent{};
  Cursor c{bytes, bytes + len, true, false};
  parse_head(&c, model, in);
  copy_text(in->job.model, model);
  parse_request(&c, in);
  if (!in->apply) {
    field(&c, "printer ", in->job.printer);
    field(&c, "name ", in->job.label_name);
    field(&c, "media ", in->job.media_name);
    expect(&c, "size ");
    in->job.width = number(&c, ' ');
    in->job.height = number(&c, ' ');
    in->job.pins = number(&c, '\n');
  }
  const size_t body = static_cast<size_t>(c.at - bytes);
  char sum[32];
  (void)std::snprintf(sum, sizeof sum, "sum %016" PRIX64 "\n", checksum(bytes, body));
  expect(&c, sum);
  if (c.no_memory) return -1;
  return c.ok && c.at == c.end && in->job.printer[0] != '\0' && (in->apply || in->job.label_name[0] != '\0');
}

// The longest a record can be. One of an add or a delete, every field at
// its longest and each number of 20 characters (a 64-bit value with its
// sign), fits within kHeadMax, and so does an apply's record up to its
// format lines, each at most kFormatLineMax, of at most kApplySetMax.
enum : size_t { kNumberText = 20 };
constexpr size_t kRequestMax = sizeof kHeader + sizeof "model \n" + kPathMax + sizeof "kind \n" + kNumberText +
                               sizeof "request add \n" + kFormatIdMax +
                               sizeof "printer 1024:\n" + kPrinterMax +
                               size_t{2} * (sizeof "media 32:\n" + kLabelNameMax) + sizeof "size   \n" + 3 * kNumberText +
                               sizeof "sum 0123456789ABCDEF\n";
constexpr size_t kHeadMax = 4096;
static_assert(kRequestMax <= kHeadMax, "a record of one request fits in its head");
// An apply's selection line counts with its format's: one per format at most.
constexpr size_t kFormatLineMax = sizeof "format 32: 32:   \n" + size_t{2} * kLabelNameMax + 3 * kNumberText +
                                  sizeof "selection  \n" + kFormatIdMax + kNumberText;

// How long the record whose first bytes t holds may be: an apply's names
// its count of format lines; any other fits within kHeadMax.
size_t record_limit(const Text &t, const char *model) {
  Intent head{};
  Cursor c{t.bytes, t.bytes + t.len, true, false};
  parse_head(&c, model, &head);
  expect(&c, "request apply ");
  (void)number(&c, ' ');
  const long long count = number(&c, '\n');
  const bool apply = c.ok && count >= 0 && static_cast<unsigned long long>(count) <= kApplySetMax;
  return apply ? kHeadMax + static_cast<size_t>(count) * kFormatLineMax : kHeadMax;
}

// Reads the record open at fd into t, never more than it can hold: 1
// when it is damaged before it is parsed (not a regular file, or longer
// than a record can be), 0 when read, -1 with errno.
int read_record(int fd, const char *model, Text *t) {
  struct stat st {};
  if (sys_io.fstat(fd, &st) != 0) return -1;
  if (!S_ISREG(st.st_mode)) return 1;
  if (read_up_to(fd, &t->bytes, &t->len, &t->cap, kHeadMax) != 0) return -1;
  const size_t limit = t->len > kHeadMax ? record_limit(*t, model) : kHeadMax;
  if (limit > kHeadMax && read_up_to(fd, &t->bytes, &t->len, &t->cap, limit) != 0) return -1;
  return t->len > limit ? 1 : 0;
}

}  // namespace

int format_intent_path(char *out, size_t cap, const char *root, const char *model) {
  char dir[kPathMax];
  if (format_inf_directory(dir, sizeof dir, root, model) != 0) return -1;
  const int n = std::snprintf(out, cap, "%s/zkpapertoollpr.intent", dir);
  if (n < 0 || static_cast<size_t>(n) >= cap) {
    errno = ENAMETOOLONG;
    return -1;
  }
  return 0;
}

int read_intent(const char *root, const char *model, Intent *intent) {
  *intent = Intent{};
  char path[kPathMax];
  if (format_intent_path(path, sizeof path, root, model) != 0) return -1;
  // Never through a link, never waiting for a writer: whatever stands
  // there that is not a record this tool wrote is damaged.
  const int fd = sys_io.open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) return kNoIntent;
  if (fd < 0 && (errno == ELOOP || errno == ENXIO)) return kDamagedIntent;
  if (fd < 0) {
    note_failed_driver_file(path);
    return -1;
  }
  Text text{};
  const int read = read_record(fd, model, &text);
  if (read < 0) note_failed_driver_file(path);
  {
    SavedErrno saved;
    sys_io.close(fd);
  }
  const int rc = read < 0 ? -1 : read > 0 ? 0 : parse(text.bytes, text.len, model, intent);
  std::free(text.bytes);
  if (read == 0 && rc < 0) {
    errno = ENOMEM;
    note_failed_driver_file(path);
  }
  if (rc != 1) free_intent(intent);
  return rc < 0 ? -1 : rc == 1 ? kOpenIntent : kDamagedIntent;
}

void free_intent(Intent *intent) {
  std::free(intent->formats);
  std::free(intent->moves);
  intent->formats = nullptr;
  intent->format_count = 0;
  intent->moves = nullptr;
  intent->move_count = 0;
}

int write_intent(const char *root, const Intent &intent) {
  char path[kPathMax];
  if (format_intent_path(path, sizeof path, root, intent.job.model) != 0) return -1;
  Text text{};
  compose(intent, &text);
  const int rc = text.full ? -1 : write_whole_file(path, text.bytes, text.len);
  if (rc != 0) note_failed_driver_file(path);
  SavedErrno saved;
  std::free(text.bytes);
  return rc;
}

int remove_intent(const char *root, const char *model, bool sync) {
  char path[kPathMax];
  if (format_intent_path(path, sizeof path, root, model) != 0) return -1;
  if (sys_io.unlink(path) != 0) {
    note_failed_driver_file(path);
    return -1;
  }
  if (!sync || sync_directory(path) == 0) return 0;
  note_failed_driver_file(path);
  return -1;
}

namespace {

const char kInterrupted[] = " was interrupted after the companion may have been asked";

void print_apply(size_t count, const char *printer, FILE *to) {
  (void)std::fprintf(to, "an apply of %zu format%s on printer ", count, count == 1 ? "" : "s");
  print_escaped_name(printer, std::strlen(printer), to);
}

void print_request(bool add, const char *name, size_t name_len, const char *printer, FILE *to) {
  (void)std::fprintf(to, "%s of '", add ? "an add" : "a delete");
  print_escaped_name(name, name_len, to);
  (void)std::fputs("' on printer ", to);
  print_escaped_name(printer, std::strlen(printer), to);
}

}  // namespace

void print_intent(const Intent &intent) {
  if (intent.apply) {
    print_apply(intent.format_count, intent.job.printer, stdout);
    return;
  }
  print_request(intent.add, intent.job.label_name, std::strlen(intent.job.label_name), intent.job.printer, stdout);
}

void print_interrupted(bool add, const char *name, size_t name_len, const char *printer, FILE *to,
                       const char *then) {
  print_request(add, name, name_len, printer, to);
  (void)std::fprintf(to, "%s%s", kInterrupted, then);
}

void print_interrupted_apply(size_t count, const char *printer, FILE *to, const char *then) {
  print_apply(count, printer, to);
  (void)std::fprintf(to, "%s%s", kInterrupted, then);
}
