// The preview's diff: a plan's calls recorded as line edits, then printed
// in "diff -u" layout while the old file streams past.
#include "driverfiles/lines/diff_preview.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/lines/line_scan.h"
#include "driverfiles/sys/sys_io.h"

// Output goes to standard output unchecked call by call: a failure stays
// with the stream, and the entry routine checks it once before the exit.
namespace {

const long kContext = 3;
// What follows a shown line that has no newline of its own.
const char kNoNewline[] = "\n\\ No newline at end of file\n";

int push_edit(DiffRecorder *r, EditKind kind, long line, const char *text, size_t len) {
  if (make_room(&r->edits, &r->cap, r->count) != 0) return -1;
  r->edits[r->count++] = LineEdit{kind, line, text, len};
  return 0;
}

void follow(DiffRecorder *r, const char *bytes, size_t len, bool kept) {
  r->lines_done += std::count(bytes, bytes + len, '\n');
  const bool open = bytes[len - 1] != '\n';
  r->kept_open = kept && open;
  r->skipped_open = !kept && open;
}

// Copies the old file's bytes [from, to) to standard output.
int print_old_bytes(int fd, off_t from, off_t to) {
  static char chunk[1 << 16];
  while (from < to) {
    const size_t want = std::min(static_cast<size_t>(to - from), sizeof chunk);
    const ssize_t got = retry_interrupted([&] { return sys_io.pread(fd, chunk, want, from); });
    if (got < 0) return -1;
    if (got == 0) return errno_failure(EIO);  // the file shrank under the lock
    (void)std::fwrite(chunk, 1, static_cast<size_t>(got), stdout);
    from += got;
  }
  return 0;
}

void print_line(char sign, const char *bytes, size_t len) {
  std::putchar(sign);
  (void)std::fwrite(bytes, 1, len, stdout);
  if (len == 0 || bytes[len - 1] != '\n') (void)std::fputs(kNoNewline, stdout);
}

void print_range(long start, long count) {
  if (count == 1) std::printf("%ld", start);
  else std::printf("%ld,%ld", count == 0 ? start - 1 : start, count);
}

struct Hunk {
  size_t first, last;  // edits in it
  long lo, hi;         // old lines in it
};

void edit_span(const LineEdit &e, long lines, long *lo, long *hi) {
  const long at = e.kind == EditKind::kInsert ? e.line + 1 : e.line;
  *lo = std::max(at - kContext, 1L);
  *hi = std::min(e.line + kContext, lines);
}

// The next hunk from edit `from` on: edits whose context touches.
Hunk next_hunk(const DiffRecorder *r, size_t from, long lines) {
  Hunk h{from, from, 0, 0};
  edit_span(r->edits[from], lines, &h.lo, &h.hi);
  while (h.last + 1 < r->count) {
    long lo, hi;
    edit_span(r->edits[h.last + 1], lines, &lo, &hi);
    if (lo > h.hi + 1) break;
    h.hi = std::max(hi, h.hi);
    ++h.last;
  }
  return h;
}

// The diff printed while the old file streams past through a line scan:
// a line is printed as it comes when it lies in a hunk, never held.
struct DiffPrint {
  const DiffRecorder *r;
  int fd;
  long lines;           // old lines in all
  Hunk h;               // the hunk printed now, or the next one
  long line = 1;        // the old line streaming now, counted from 1
  off_t offset = 0;     // file offset of the next byte
  off_t line_off = 0;   // where that line starts
  bool mid_line = false, shown = false, edited = false;
  bool have_hunk = true, in_hunk = false;
  size_t e = 0, block = 0;  // the edit at hand; the first whose new lines wait
  long delta = 0;       // new lines minus old lines in earlier hunks
};

// Whether the edit at hand, in the hunk, inserts after line (insert) or
// drops or ends that line.
bool edit_at(const DiffPrint *d, long line, bool insert) {
  return d->e <= d->h.last && d->r->edits[d->e].line == line &&
         (d->r->edits[d->e].kind == EditKind::kInsert) == insert;
}

// Prints the new lines waiting, up to the edit at hand. A line given its
// newline is the last old line, read again.
int print_added(DiffPrint *d) {
  for (; d->block < d->e; ++d->block) {
    const LineEdit &edit = d->r->edits[d->block];
    if (edit.kind == EditKind::kInsert) print_line('+', edit.text, edit.len);
    if (edit.kind != EditKind::kEndLine) continue;
    std::putchar('+');
    if (print_old_bytes(d->fd, d->line_off, d->offset) != 0) return -1;
    std::putchar('\n');
  }
  return 0;
}

void start_hunk(DiffPrint *d) {
  const Hunk &h = d->h;
  const LineEdit *from = d->r->edits + h.first, *to = d->r->edits + h.last + 1;
  const long added = std::count_if(from, to, [](const LineEdit &e) { return e.kind == EditKind::kInsert; });
  const long dropped = std::count_if(from, to, [](const LineEdit &e) { return e.kind == EditKind::kDrop; });
  const long old_count = std::max(h.hi - h.lo + 1, 0L);
  (void)std::fputs("@@ -", stdout);
  print_range(h.lo, old_count);
  (void)std::fputs(" +", stdout);
  print_range(h.lo + d->delta, old_count - dropped + added);
  (void)std::fputs(" @@\n", stdout);
  d->delta += added - dropped;
  d->in_hunk = true;
  d->e = d->block = h.first;
  while (edit_at(d, h.lo - 1, true)) ++d->e;
}

int finish_hunk(DiffPrint *d) {
  d->in_hunk = false;
  if (print_added(d) != 0) return -1;
  const size_t from = d->h.last + 1;
  d->have_hunk = from < d->r->count;
  if (d->have_hunk) d->h = next_hunk(d->r, from, d->lines);
  return 0;
}

// A run of changed lines shows its old lines first, then its new ones.
int begin_line(DiffPrint *d) {
  d->mid_line = true;
  d->line_off = d->offset;
  if (!d->in_hunk && d->have_hunk && d->line == d->h.lo) start_hunk(d);
  d->shown = d->in_hunk;
  if (!d->shown) return 0;
  d->edited = edit_at(d, d->line, false);
  if (!d->edited && print_added(d) != 0) return -1;
  std::putchar(d->edited ? '-' : ' ');
  return 0;
}

int end_line(DiffPrint *d, bool newline) {
  d->mid_line = false;
  if (d->shown && !newline) (void)std::fputs(kNoNewline, stdout);
  if (d->in_hunk) {
    if (d->edited) ++d->e;
    while (edit_at(d, d->line, true)) ++d->e;
    if (d->line == d->h.hi && finish_hunk(d) != 0) return -1;
  }
  ++d->line;
  return 0;
}

// The scan's sink: the old file's bytes in order, in pieces of any size.
int print_old(void *ctx, const char *bytes, size_t len) {
  DiffPrint *d = static_cast<DiffPrint *>(ctx);
  while (len > 0) {
    if (!d->mid_line && begin_line(d) != 0) return -1;
    const char *nl = static_cast<const char *>(std::memchr(bytes, '\n', len));
    const size_t take = nl ? static_cast<size_t>(nl - bytes) + 1 : len;
    if (d->shown) (void)std::fwrite(bytes, 1, take, stdout);
    d->offset += static_cast<off_t>(take);
    bytes += take;
    len -= take;
    if (nl != nullptr && end_line(d, true) != 0) return -1;
  }
  return 0;
}

}  // namespace

int record_put(void *ctx, const char *bytes, size_t len) {
  follow(static_cast<DiffRecorder *>(ctx), bytes, len, true);
  return 0;
}

int record_skip(void *ctx, const char *bytes, size_t len) {
  DiffRecorder *r = static_cast<DiffRecorder *>(ctx);
  if (!r->skipped_open && push_edit(r, EditKind::kDrop, r->lines_done + 1, nullptr, 0) != 0) return -1;
  follow(r, bytes, len, false);
  return 0;
}

// Text added inside a kept old line is the newline its end receives.
int record_add(void *ctx, const char *bytes, size_t len) {
  DiffRecorder *r = static_cast<DiffRecorder *>(ctx);
  if (r->kept_open) {
    r->kept_open = false;
    return push_edit(r, EditKind::kEndLine, ++r->lines_done, nullptr, 0);
  }
  if (r->skipped_open) {  // the last line, left out, had no newline
    r->skipped_open = false;
    ++r->lines_done;
  }
  // Text of several lines (an apply's entries) is one insert per line.
  while (len > 0) {
    const char *newline = static_cast<const char *>(std::memchr(bytes, '\n', len));
    const size_t n = newline != nullptr ? static_cast<size_t>(newline - bytes) + 1 : len;
    if (push_edit(r, EditKind::kInsert, r->lines_done, bytes, n) != 0) return -1;
    bytes += n;
    len -= n;
  }
  return 0;
}

int record_add_copy(void *ctx, const char *bytes, size_t len) {
  DiffRecorder *r = static_cast<DiffRecorder *>(ctx);
  if (make_room(&r->copies, &r->copy_cap, r->copy_count) != 0) return -1;
  char *copy = static_cast<char *>(sys_io.realloc(nullptr, len + 1));
  if (copy == nullptr) return -1;
  r->copies[r->copy_count++] = copy;
  std::memcpy(copy, bytes, len);
  return record_add(ctx, copy, len);
}

int print_diff(const DiffRecorder *r, int fd, const char *path) {
  if (r->count == 0) return 0;
  const long lines = r->lines_done + (r->kept_open || r->skipped_open ? 1 : 0);
  DiffPrint d{r, fd, lines, next_hunk(r, 0, lines)};
  std::printf("--- %s\n+++ %s\n", path, path);
  LineScan scan{};
  open_scan(&scan, fd, {nullptr, nullptr, nullptr}, ScanSink{print_old, nullptr, &d});
  HitLine hit{};
  if (next_hit(&scan, &hit) != 0) return -1;
  if (d.mid_line && end_line(&d, false) != 0) return -1;
  if (d.in_hunk && finish_hunk(&d) != 0) return -1;
  // Hunks past the old lines: text added to a file without lines.
  while (d.have_hunk) {
    start_hunk(&d);
    if (finish_hunk(&d) != 0) return -1;
  }
  return 0;
}

void free_diff(DiffRecorder *recorder) {
  for (size_t i = 0; i < recorder->copy_count; ++i) std::free(recorder->copies[i]);
  std::free(recorder->copies);
  std::free(recorder->edits);
  *recorder = DiffRecorder{};
}
