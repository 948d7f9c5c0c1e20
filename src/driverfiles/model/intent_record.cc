// Writing, reading and removing the intent record (see intent_record.h).
#include "driverfiles/model/intent_record.h"

#include <fcntl.h>

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

const char kDamagedIntentReason[] = "not an intent record this tool wrote for this model; nothing was changed";

namespace {

const char kHeader[] = "zkpapertoollpr intent 1\n";

uint64_t checksum(const char *bytes, size_t len) {
  uint64_t sum = 14695981039346656037ULL;
  for (size_t i = 0; i < len; ++i) sum = (sum ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ULL;
  return sum;
}

// The record as text, in a block grown through sys_io (an apply's set
// has no fixed size).
struct Text {
  char *bytes;
  size_t len, cap;
};

// The record's layout is walked once to write it and once to read it
// back, so writer and reader cannot drift apart: writing puts each piece
// into text; reading matches it at the cursor and takes the values in,
// the record damaged (ok false) from the first piece that is not there,
// or written in vain from the first there is no memory for.
struct Walk {
  bool reading;
  Text text;                     // written
  const char *start, *at, *end;  // read
  bool ok;
  bool no_memory;  // not damage: the record could not be held
};

void put(Walk *w, const char *bytes, size_t len) {
  w->ok = w->ok && append_text(&w->text.bytes, &w->text.len, &w->text.cap, bytes, len) == 0;
}

bool next_is(const Walk *w, const char *text) {
  const size_t len = std::strlen(text);
  return w->ok && static_cast<size_t>(w->end - w->at) >= len && std::memcmp(w->at, text, len) == 0;
}

// A condition only a record read back can fail.
void require(Walk *w, bool holds) { w->ok = w->ok && (!w->reading || holds); }

void literal(Walk *w, const char *text) {
  if (!w->reading) return put(w, text, std::strlen(text));
  w->ok = next_is(w, text);
  if (w->ok) w->at += std::strlen(text);
}

// A decimal number up to the character stop, which is skipped.
void number(Walk *w, long long *value, char stop) {
  char digits[24];
  if (!w->reading) {
    const int n = std::snprintf(digits, sizeof digits, "%lld%c", *value, stop);
    return put(w, digits, static_cast<size_t>(n));
  }
  size_t n = 0;
  while (w->ok && w->at < w->end && *w->at != stop && n + 1 < sizeof digits) digits[n++] = *w->at++;
  digits[n] = '\0';
  char *last = nullptr;
  errno = 0;
  *value = std::strtoll(digits, &last, 10);
  w->ok = w->ok && n > 0 && *last == '\0' && errno == 0 && w->at < w->end && *w->at == stop;
  if (w->ok) ++w->at;
}

template <typename T>
void number(Walk *w, T *value, char stop) {
  long long v = static_cast<long long>(*value);
  number(w, &v, stop);
  *value = static_cast<T>(v);
}

// "<length>:<bytes>" from or into text (N bytes with the terminator): a
// length that does not fit, or a zero byte inside, is damage.
template <size_t N>
void sized(Walk *w, char (&text)[N]) {
  long long len = static_cast<long long>(std::strlen(text));
  number(w, &len, ':');
  if (!w->reading) return put(w, text, static_cast<size_t>(len));
  w->ok = w->ok && len >= 0 && static_cast<size_t>(len) < N &&
          static_cast<size_t>(w->end - w->at) > static_cast<size_t>(len) &&
          std::memchr(w->at, '\0', static_cast<size_t>(len)) == nullptr;
  if (!w->ok) return;
  std::memcpy(text, w->at, static_cast<size_t>(len));
  text[len] = '\0';
  w->at += len;
}

// "<key><length>:<bytes>\n".
template <size_t N>
void field(Walk *w, const char *key, char (&text)[N]) {
  literal(w, key);
  sized(w, text);
  literal(w, "\n");
}

// A whole identifier up to the character stop, which is skipped.
void identifier(Walk *w, FormatId *id, char stop) {
  if (!w->reading) {
    const char after[2] = {stop, '\0'};
    literal(w, id->text);
    return literal(w, after);
  }
  const char *end = w->ok ? static_cast<const char *>(std::memchr(w->at, stop, static_cast<size_t>(w->end - w->at)))
                          : nullptr;
  IdParts parts{};
  const size_t len = end != nullptr ? static_cast<size_t>(end - w->at) : 0;
  w->ok = end != nullptr && len < sizeof id->text && parse_format_id(w->at, len, &parts) && parts.len == len;
  if (!w->ok) return;
  std::memcpy(id->text, w->at, len);
  id->text[len] = '\0';
  w->at = end + 1;
}

// Room for one more of a record's items read back.
template <typename T>
bool room(Walk *w, T **items, size_t *cap, size_t count) {
  w->no_memory = w->reading && make_room(items, cap, count) != 0;
  w->ok = w->ok && !w->no_memory;
  return w->ok;
}

// The header, model and kind lines of job's model's record, and "request ".
void walk_head(Walk *w, PaperJob *job) {
  literal(w, kHeader);
  literal(w, "model ");
  literal(w, job->model);
  literal(w, "\nkind ");
  number(w, &job->kind, '\n');
  const ModelRow *row = find_model(job->model);
  require(w, job->kind == (row != nullptr ? row->kind : -1));
  literal(w, "request ");
}

// An apply's request line (past "request "), printer, set and the
// selections moved after it.
void walk_apply(Walk *w, Intent *in) {
  long long keep = in->keep_others ? 1 : 0, count = static_cast<long long>(in->format_count);
  literal(w, "apply ");
  number(w, &keep, ' ');
  number(w, &count, '\n');
  require(w, (keep == 0 || keep == 1) && count >= 0);
  in->keep_others = keep == 1;
  field(w, "printer ", in->job.printer);
  size_t cap = 0;
  for (long long i = 0; w->ok && i < count; ++i) {
    if (!room(w, &in->formats, &cap, in->format_count)) return;
    FormatSpec &f = in->formats[i];
    if (w->reading) f = FormatSpec{};
    literal(w, "format ");
    sized(w, f.label_name);
    literal(w, " ");
    sized(w, f.media_name);
    literal(w, " ");
    number(w, &f.width, ' ');
    number(w, &f.height, ' ');
    number(w, &f.pins, '\n');
    require(w, f.label_name[0] != '\0');
    if (w->reading && w->ok) ++in->format_count;
  }
  cap = 0;
  for (size_t i = 0; w->reading ? next_is(w, "selection ") && i < in->format_count : i < in->move_count; ++i) {
    if (!room(w, &in->moves, &cap, in->move_count)) return;
    FollowedSetting &move = in->moves[i];
    long long format = w->reading ? 0 : static_cast<long long>(move.format);
    literal(w, "selection ");
    identifier(w, &move.id, ' ');
    number(w, &format, '\n');
    require(w, format >= 0 && static_cast<size_t>(format) < in->format_count);
    move.format = static_cast<size_t>(format);
    if (w->reading && w->ok) ++in->move_count;
  }
}

void walk(Walk *w, Intent *in) {
  PaperJob &job = in->job;
  walk_head(w, &job);
  if (w->reading) {
    in->apply = next_is(w, "apply ");
    in->add = !in->apply && next_is(w, "add ");
  }
  if (in->apply) {
    walk_apply(w, in);
  } else {
    literal(w, in->add ? "add " : "delete\n");
    if (in->add) identifier(w, &in->id, '\n');
    field(w, "printer ", job.printer);
    field(w, "name ", job.label_name);
    field(w, "media ", job.media_name);
    literal(w, "size ");
    number(w, &job.width, ' ');
    number(w, &job.height, ' ');
    number(w, &job.pins, '\n');
  }
  char sum[32];
  const char *body = w->reading ? w->start : w->text.bytes;
  const size_t len = w->reading ? static_cast<size_t>(w->at - w->start) : w->text.len;
  (void)std::snprintf(sum, sizeof sum, "sum %016" PRIX64 "\n", checksum(body, len));
  literal(w, sum);
}

Walk reader(const char *bytes, size_t len) { return Walk{true, {}, bytes, bytes, bytes + len, true, false}; }

// Whether the record's bytes are one this tool wrote for model (1, 0),
// or -1 (ENOMEM) when an apply's set could not be held.
int parse(const char *bytes, size_t len, const char *model, Intent *in) {
  *in = Intent{};
  copy_text(in->job.model, model);
  Walk w = reader(bytes, len);
  walk(&w, in);
  if (w.no_memory) return -1;
  return w.ok && w.at == w.end && in->job.printer[0] != '\0' && (in->apply || in->job.label_name[0] != '\0');
}

// The longest a record can be. One of an add or a delete, every field at
// its longest and each number of 20 characters (a 64-bit value with its
// sign), fits within kHeadMax, and so does an apply's record up to its
// format lines, each at most kFormatLineMax, of at most kApplySetMax.
enum : size_t { kNumberText = 20 };
constexpr size_t kRequestMax = sizeof kHeader + sizeof "model \n" + kPathMax + sizeof "kind \n" + kNumberText +
                               sizeof "request add \n" + kFormatIdMax + sizeof "printer 1024:\n" + kPrinterMax +
                               size_t{2} * (sizeof "media 32:\n" + kLabelNameMax) +
                               sizeof "size   \n" + 3 * kNumberText + sizeof "sum 0123456789ABCDEF\n";
constexpr size_t kHeadMax = 4096;
static_assert(kRequestMax <= kHeadMax, "a record of one request fits in its head");
// An apply's selection line counts with its format's: one per format at most.
constexpr size_t kFormatLineMax = sizeof "format 32: 32:   \n" + size_t{2} * kLabelNameMax + 3 * kNumberText +
                                  sizeof "selection  \n" + kFormatIdMax + kNumberText;

// How long the record whose first bytes t holds may be: an apply's names
// its count of format lines; any other fits within kHeadMax.
size_t record_limit(const Text &t, const char *model) {
  PaperJob head{};
  copy_text(head.model, model);
  Walk w = reader(t.bytes, t.len);
  walk_head(&w, &head);
  long long keep = 0, count = 0;
  literal(&w, "apply ");
  number(&w, &keep, ' ');
  number(&w, &count, '\n');
  const bool apply = w.ok && count >= 0 && static_cast<unsigned long long>(count) <= kApplySetMax;
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
  if (n >= 0 && static_cast<size_t>(n) < cap) return 0;
  errno = ENAMETOOLONG;
  return -1;
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
  Text text{};
  const int read = fd < 0 ? -1 : read_record(fd, model, &text);
  if (fd >= 0) {
    SavedErrno saved;
    sys_io.close(fd);
  }
  const int rc = read < 0 ? -1 : read > 0 ? 0 : parse(text.bytes, text.len, model, intent);
  std::free(text.bytes);
  if (read == 0 && rc < 0) errno = ENOMEM;
  if (rc < 0) note_failed_driver_file(path);
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
  Intent copy = intent;
  Walk w{false, {}, nullptr, nullptr, nullptr, true, false};
  walk(&w, &copy);
  const int rc = !w.ok ? -1 : write_whole_file(path, w.text.bytes, w.text.len);
  if (rc != 0) note_failed_driver_file(path);
  SavedErrno saved;
  std::free(w.text.bytes);
  return rc;
}

int remove_intent(const char *root, const char *model, bool sync) {
  char path[kPathMax];
  if (format_intent_path(path, sizeof path, root, model) != 0) return -1;
  if (sys_io.unlink(path) == 0 && (!sync || sync_directory(path) == 0)) return 0;
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
  if (intent.apply) return print_apply(intent.format_count, intent.job.printer, stdout);
  print_request(intent.add, intent.job.label_name, std::strlen(intent.job.label_name), intent.job.printer, stdout);
}

void print_interrupted(bool add, const char *name, size_t name_len, const char *printer, FILE *to, const char *then) {
  print_request(add, name, name_len, printer, to);
  (void)std::fprintf(to, "%s%s", kInterrupted, then);
}

void print_interrupted_apply(size_t count, const char *printer, FILE *to, const char *then) {
  print_apply(count, printer, to);
  (void)std::fprintf(to, "%s%s", kInterrupted, then);
}
