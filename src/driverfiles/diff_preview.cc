#include "driverfiles/diff_preview.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/sys_io.h"

// Output goes to standard output unchecked call by call: a failure stays
// with the stream, and the entry routine checks it once before the exit.
namespace {

const long kContext = 3;

long count_lines(const char *bytes, size_t len) {
  long n = 0;
  for (const char *p = bytes; (p = static_cast<const char *>(
                                   std::memchr(p, '\n', len - static_cast<size_t>(p - bytes)))) != nullptr;
       ++p) {
    ++n;
  }
  return n;
}

int push_edit(DiffRecorder *r, EditKind kind, long line, const char *text, size_t len) {
  if (r->count == r->cap) {
    const size_t cap = r->cap ? r->cap * 2 : 16;
    void *grown = sys_io.realloc(r->edits, cap * sizeof *r->edits);
    if (grown == nullptr) return -1;
    r->edits = static_cast<LineEdit *>(grown);
    r->cap = cap;
  }
  r->edits[r->count++] = LineEdit{kind, line, text, len};
  return 0;
}

void follow(DiffRecorder *r, const char *bytes, size_t len, bool kept) {
  r->lines_done += count_lines(bytes, len);
  const bool open = bytes[len - 1] != '\n';
  r->kept_open = kept && open;
  r->skipped_open = !kept && open;
}

// The old file's lines, one at a time; a line longer than the buffer is
// gathered in memory of its own.
struct LineIn {
  int fd;
  off_t off;
  off_t line_off;  // where the line last read starts
  long done;  // lines read
  char *line;
  size_t cap;
};

// Reads the next line into in->line; returns its length, 0 at the end.
long read_old_line(LineIn *in) {
  size_t len = 0;
  in->line_off = in->off;
  for (;;) {
    if (in->cap - len < 4096) {
      const size_t cap = in->cap ? in->cap * 2 : 8192;
      void *grown = sys_io.realloc(in->line, cap);
      if (grown == nullptr) return -1;
      in->line = static_cast<char *>(grown);
      in->cap = cap;
    }
    ssize_t got;
    do {
      got = sys_io.pread(in->fd, in->line + len, in->cap - len, in->off);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return -1;
    const char *nl = static_cast<const char *>(std::memchr(in->line + len, '\n', static_cast<size_t>(got)));
    const size_t take = nl ? static_cast<size_t>(nl - in->line) + 1 - len : static_cast<size_t>(got);
    len += take;
    in->off += static_cast<off_t>(take);
    if (nl != nullptr || got == 0) {
      if (len > 0) ++in->done;
      return static_cast<long>(len);
    }
  }
}

void print_line(char sign, const char *bytes, size_t len) {
  std::putchar(sign);
  (void)std::fwrite(bytes, 1, len, stdout);
  if (len == 0 || bytes[len - 1] != '\n') (void)std::fputs("\n\\ No newline at end of file\n", stdout);
}

void print_range(long start, long count) {
  if (count == 1) {
    std::printf("%ld", start);
  } else {
    std::printf("%ld,%ld", count == 0 ? start - 1 : start, count);
  }
}

// Prints the new lines of edits [*block, end) and moves *block to end.
// A line given its newline is the last old line read.
void print_added(const DiffRecorder *r, size_t *block, size_t end, const LineIn *in) {
  for (; *block < end; ++*block) {
    const LineEdit &edit = r->edits[*block];
    if (edit.kind == EditKind::kInsert) print_line('+', edit.text, edit.len);
    if (edit.kind != EditKind::kEndLine) continue;
    std::putchar('+');
    (void)std::fwrite(in->line, 1, static_cast<size_t>(in->off - in->line_off), stdout);
    std::putchar('\n');
  }
}

struct Hunk {
  size_t first, last;  // edits in it
  long lo, hi;         // old lines in it
};

void edit_span(const LineEdit &e, long lines, long *lo, long *hi) {
  const long at = e.kind == EditKind::kInsert ? e.line + 1 : e.line;
  *lo = at - kContext < 1 ? 1 : at - kContext;
  *hi = e.line + kContext > lines ? lines : e.line + kContext;
}

// The next hunk from edit `from` on: edits whose context touches.
Hunk next_hunk(const DiffRecorder *r, size_t from, long lines) {
  Hunk h{from, from, 0, 0};
  edit_span(r->edits[from], lines, &h.lo, &h.hi);
  while (h.last + 1 < r->count) {
    long lo, hi;
    edit_span(r->edits[h.last + 1], lines, &lo, &hi);
    if (lo > h.hi + 1) break;
    h.hi = hi > h.hi ? hi : h.hi;
    ++h.last;
  }
  return h;
}

// Prints one hunk; in stands before old line h.lo. delta: new lines
// minus old lines in earlier hunks.
int print_hunk(const DiffRecorder *r, const Hunk &h, LineIn *in, long *delta) {
  long added = 0, dropped = 0;
  for (size_t i = h.first; i <= h.last; ++i) {
    if (r->edits[i].kind == EditKind::kInsert) ++added;
    if (r->edits[i].kind == EditKind::kDrop) ++dropped;
  }
  const long old_count = h.hi - h.lo + 1 < 0 ? 0 : h.hi - h.lo + 1;
  (void)std::fputs("@@ -", stdout);
  print_range(h.lo, old_count);
  (void)std::fputs(" +", stdout);
  print_range(h.lo + *delta, old_count - dropped + added);
  (void)std::fputs(" @@\n", stdout);
  *delta += added - dropped;
  // A run of changed lines shows its old lines first, then its new ones.
  size_t e = h.first;
  size_t block = e;
  for (long line = h.lo - 1; line <= h.hi; ++line) {
    if (line >= h.lo) {
      const long len = read_old_line(in);
      if (len < 0) return -1;
      const bool edited = e <= h.last && r->edits[e].line == line &&
                          r->edits[e].kind != EditKind::kInsert;
      if (!edited) print_added(r, &block, e, in);
      print_line(edited ? '-' : ' ', in->line, static_cast<size_t>(len));
      if (edited) ++e;
    }
    while (e <= h.last && r->edits[e].line == line && r->edits[e].kind == EditKind::kInsert) ++e;
  }
  print_added(r, &block, e, in);
  return 0;
}

}  // namespace

int record_put(void *ctx, const char *bytes, size_t len) {
  follow(static_cast<DiffRecorder *>(ctx), bytes, len, true);
  return 0;
}

int record_skip(void *ctx, const char *bytes, size_t len) {
  DiffRecorder *r = static_cast<DiffRecorder *>(ctx);
  if (!r->skipped_open && push_edit(r, EditKind::kDrop, r->lines_done + 1, nullptr, 0) != 0) {
    return -1;
  }
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
  return push_edit(r, EditKind::kInsert, r->lines_done, bytes, len);
}

int print_diff(const DiffRecorder *r, int fd, const char *path) {
  if (r->count == 0) return 0;
  const long lines = r->lines_done + (r->kept_open || r->skipped_open ? 1 : 0);
  std::printf("--- %s\n+++ %s\n", path, path);
  LineIn in{fd, 0, 0, 0, nullptr, 0};
  long delta = 0;
  int rc = 0;
  for (size_t from = 0; rc == 0 && from < r->count;) {
    const Hunk h = next_hunk(r, from, lines);
    while (rc == 0 && in.done < h.lo - 1) rc = read_old_line(&in) < 0 ? -1 : 0;
    if (rc == 0) rc = print_hunk(r, h, &in, &delta);
    from = h.last + 1;
  }
  const int saved = errno;
  std::free(in.line);
  errno = saved;
  return rc;
}

void free_diff(DiffRecorder *recorder) {
  std::free(recorder->edits);
  *recorder = DiffRecorder{};
}
