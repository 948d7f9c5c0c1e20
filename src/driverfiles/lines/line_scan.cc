// The line scan: chunked reads of a driver file, memmem for the texts, and
// the hit lines handed out one at a time (see line_scan.h).
#include "driverfiles/lines/line_scan.h"

#include <cstring>

#include "driverfiles/sys/sys_io.h"

namespace {

char scan_buffer[kScanChunk];     // one scan at a time in this program
char lookahead_buffer[kLookAhead];
char long_head[kHeadMax];

const size_t kNone = static_cast<size_t>(-1);

int emit(const ScanSink &sink, bool keep, const char *bytes, size_t len) {
  int (*to)(void *, const char *, size_t) = keep ? sink.put : sink.skip;
  if (len == 0 || to == nullptr) return 0;
  return to(sink.ctx, bytes, len);
}

// Reads from file offset at, without moving the scan's own position.
ssize_t read_at(int fd, char *into, size_t len, off_t at) {
  return retry_interrupted([=] { return sys_io.pread(fd, into, len, at); });
}

// Moves the unread window to the buffer's start and reads behind it.
// Returns the bytes read (0 at end of file) or -1.
ssize_t refill(LineScan *s) {
  std::memmove(s->buf, s->buf + s->pos, s->end - s->pos);
  s->base += static_cast<off_t>(s->pos);
  s->end -= s->pos;
  s->pos = 0;
  for (bool &known : s->next_known) known = false;
  char *const into = s->buf + s->end;
  const size_t room = kScanChunk - s->end;
  const ssize_t got = retry_interrupted([=] { return sys_io.read(s->fd, into, room); });
  if (got < 0) return -1;
  if (got == 0) s->at_eof = true;
  s->end += static_cast<size_t>(got);
  return got;
}

size_t find_in(const char *from, size_t len, const char *needle, size_t nlen,
               const char *base) {
  if (needle == nullptr) return kNone;
  const void *at = memmem(from, len, needle, nlen);
  return at == nullptr ? kNone : static_cast<size_t>(static_cast<const char *>(at) - base);
}

// Earliest text in the window from pos on, as a buffer index, or kNone.
// Each text's next place is remembered until the scan moves past it, so
// a window is searched once per text, not once per hit.
size_t earliest_hit(LineScan *s) {
  size_t best = kNone;
  for (size_t k = 0; k < kNeedles; ++k) {
    if (!s->next_known[k] || (s->next[k] != kNone && s->next[k] < s->pos)) {
      s->next[k] = find_in(s->buf + s->pos, s->end - s->pos, s->needle[k],
                           s->needle_len[k], s->buf);
      s->next_known[k] = true;
    }
    if (s->next[k] < best) best = s->next[k];
  }
  return best;
}

// Hands on the rest of the line at pos, however long, reading as needed.
int stream_line(LineScan *s, bool keep) {
  for (;;) {
    const char *nl = static_cast<const char *>(
        std::memchr(s->buf + s->pos, '\n', s->end - s->pos));
    const size_t stop = nl ? static_cast<size_t>(nl - s->buf) + 1 : s->end;
    if (emit(s->sink, keep, s->buf + s->pos, stop - s->pos) != 0) return -1;
    s->pos = stop;
    if (nl != nullptr || s->at_eof) return 0;
    const ssize_t got = refill(s);
    if (got < 0) return -1;
    if (got == 0) return 0;
  }
}

// What a line longer than the window holds before its first zero byte
// and newline: which texts, and where the earliest one is.
struct LongFacts {
  bool holds[kNeedles];
  off_t first;  // file offset of the earliest text, or -1
  off_t end;    // file offset of the first zero byte, newline or end of file
};

// Notes the texts in the first len bytes read ahead, which start at file
// offset window_off.
void note_texts(const char *const *needle, const size_t *needle_len, size_t len,
                off_t window_off, LongFacts *facts) {
  for (size_t k = 0; k < kNeedles; ++k) {
    if (facts->holds[k]) continue;
    const size_t pos = find_in(lookahead_buffer, len, needle[k], needle_len[k], lookahead_buffer);
    if (pos == kNone) continue;
    facts->holds[k] = true;
    const off_t hit = window_off + static_cast<off_t>(pos);
    if (facts->first < 0 || hit < facts->first) facts->first = hit;
  }
}

// Reads the next piece of a long line from file offset *at into
// lookahead_buffer, after the `have` bytes kept of the last piece: *len
// the bytes of the line now there, *done when the line or the file ended
// in it. 0, or -1 with errno.
int next_piece(int fd, size_t have, off_t *at, size_t *len, bool *done) {
  const ssize_t got = read_at(fd, lookahead_buffer + have, sizeof lookahead_buffer - have, *at);
  if (got < 0) return -1;
  *at += got;
  const size_t fresh = static_cast<size_t>(got);
  *len = have + fresh;
  const char *nl = static_cast<const char *>(std::memchr(lookahead_buffer + have, '\n', fresh));
  const char *nul = static_cast<const char *>(std::memchr(lookahead_buffer + have, '\0', fresh));
  const char *stop = nul != nullptr && (nl == nullptr || nul < nl) ? nul : nl;
  if (stop != nullptr) *len = static_cast<size_t>(stop - lookahead_buffer);
  *done = stop != nullptr || got == 0;
  return 0;
}

// Reads the line at file offset line_off ahead with pread, in
// kLookAhead pieces, for its facts: 0, or -1 with errno.
int look_ahead(int fd, const char *const *needle, const size_t *needle_len,
               off_t line_off, LongFacts *facts) {
  size_t longest = 1;
  for (size_t k = 0; k < kNeedles; ++k) {
    facts->holds[k] = false;
    if (needle[k] != nullptr && needle_len[k] > longest) longest = needle_len[k];
  }
  facts->first = -1;
  const size_t keep = longest - 1;  // bytes a text may reach back over
  size_t have = 0;
  off_t at = line_off;
  for (;;) {
    const off_t window_off = at - static_cast<off_t>(have);
    size_t len = 0;
    bool done = false;
    if (next_piece(fd, have, &at, &len, &done) != 0) return -1;
    note_texts(needle, needle_len, len, window_off, facts);
    facts->end = window_off + static_cast<off_t>(len);
    if (done) return 0;
    have = keep < len ? keep : len;
    std::memmove(lookahead_buffer, lookahead_buffer + len - have, have);
  }
}

// Reads up to kHeadMax bytes of a line from offset at, cut at its newline
// or first zero byte.
int read_head(int fd, off_t at, HitLine *out) {
  const ssize_t got = read_at(fd, long_head, kHeadMax, at);
  if (got < 0) return -1;
  size_t len = static_cast<size_t>(got);
  out->zero_cut = false;
  for (size_t i = 0; i < len; ++i) {
    if (long_head[i] == '\n' || long_head[i] == '\0') {
      out->zero_cut = long_head[i] == '\0';
      len = i;
    }
  }
  out->head = long_head;
  out->head_len = len;
  return 0;
}

// Fills in what a hit line holds and its head, for a line that ends in
// the window; vis_end is where its first zero byte or its newline stands.
void describe_hit(LineScan *s, size_t hit, size_t vis_end, bool zero_cut, HitLine *out) {
  out->zero_cut = zero_cut;
  // Every text's next place lies at or after the line's earliest one.
  for (size_t k = 0; k < kNeedles; ++k) {
    out->holds[k] = s->next[k] != kNone && s->next[k] < vis_end;
  }
  out->offset = s->base + static_cast<off_t>(s->pos);
  out->line = s->buf + s->pos;
  out->line_len = vis_end - s->pos;
  out->head = s->buf + hit;
  out->head_at = hit - s->pos;
  const size_t room = vis_end - hit;
  out->head_len = room < kHeadMax ? room : kHeadMax;
}

// A hit line running past a full window: its facts come from reading ahead.
int long_hit(LineScan *s, HitLine *out) {
  LongFacts facts{};
  const off_t line_off = s->base + static_cast<off_t>(s->pos);
  if (look_ahead(s->fd, s->needle, s->needle_len, line_off, &facts) != 0) return -1;
  if (facts.first < 0) return 0;  // nothing before the first zero byte
  for (size_t k = 0; k < kNeedles; ++k) out->holds[k] = facts.holds[k];
  out->offset = line_off;
  out->head_at = static_cast<size_t>(facts.first - line_off);
  out->line = nullptr;
  out->line_len = static_cast<size_t>(facts.end - line_off);
  if (read_head(s->fd, facts.first, out) != 0) return -1;
  s->line_open = true;
  s->line_end = 0;
  return 1;
}

// Hands on the open hit line as kept bytes or as bytes left out.
int finish_line(LineScan *s, bool keep) {
  s->line_open = false;
  if (s->line_end == 0) return stream_line(s, keep);
  const int rc = emit(s->sink, keep, s->buf + s->pos, s->line_end - s->pos);
  s->pos = s->line_end;
  return rc;
}

// Hands on the window's bytes up to buffer index stop as kept bytes.
int hand_on_to(LineScan *s, size_t stop) {
  if (emit(s->sink, true, s->buf + s->pos, stop - s->pos) != 0) return -1;
  s->pos = stop;
  return 0;
}

// Where the line holding buffer index at starts (the window starts at a
// line's start).
size_t line_start(const LineScan *s, size_t at) {
  const char *nl = static_cast<const char *>(memrchr(s->buf + s->pos, '\n', at - s->pos));
  return nl ? static_cast<size_t>(nl - s->buf) + 1 : s->pos;
}

// A line that fills the whole window and runs past it: 1 when it holds a
// text (left open as the hit), else 0 with the line handed on; -1 with
// errno.
int long_line(LineScan *s, HitLine *hit) {
  const int rc = long_hit(s, hit);
  if (rc != 0) return rc;
  return stream_line(s, true);
}

// No text in the rest of the window, before end of file: hands on its
// complete lines and reads on. 0 to look again, 1 with a hit line longer
// than the window, -1 with errno.
int hand_on_lines(LineScan *s, HitLine *hit) {
  if (hand_on_to(s, line_start(s, s->end)) != 0) return -1;
  if (s->pos == 0 && s->end == kScanChunk) return long_line(s, hit);
  return refill(s) < 0 ? -1 : 0;
}

// Opens the line holding the text at buffer index at as the hit; the line
// ends in the window (at its newline end_nl, or at end of file).
void open_hit(LineScan *s, size_t at, const char *end_nl, HitLine *hit) {
  const size_t line_end = end_nl ? static_cast<size_t>(end_nl - s->buf) + 1 : s->end;
  const char *nul = static_cast<const char *>(std::memchr(s->buf + at, '\0', line_end - at));
  size_t vis_end = nul ? static_cast<size_t>(nul - s->buf) : line_end;
  if (end_nl != nullptr && vis_end == line_end) vis_end = line_end - 1;
  describe_hit(s, at, vis_end, nul != nullptr, hit);
  s->line_open = true;
  s->line_end = line_end;
}

// A text at buffer index at: hands on the lines before its line, then
// makes that line the hit, unless the text stands behind the line's first
// zero byte (the line is handed on) or the line runs past the window
// (read on and look again, or read ahead when the line fills a whole
// window). 1 with the hit, 0 to look again, -1 with errno.
int stop_at_text(LineScan *s, size_t at, HitLine *hit) {
  if (hand_on_to(s, line_start(s, at)) != 0) return -1;
  if (std::memchr(s->buf + s->pos, '\0', at - s->pos) != nullptr) return stream_line(s, true);
  const char *end_nl = static_cast<const char *>(std::memchr(s->buf + at, '\n', s->end - at));
  if (end_nl == nullptr && !s->at_eof) {
    if (s->pos > 0 || s->end < kScanChunk) return refill(s) < 0 ? -1 : 0;
    return long_line(s, hit);
  }
  open_hit(s, at, end_nl, hit);
  return 1;
}

}  // namespace

void open_scan(LineScan *scan, int fd, const char *const (&needles)[kNeedles],
               const ScanSink &sink) {
  *scan = LineScan{};
  scan->fd = fd;
  for (size_t k = 0; k < kNeedles; ++k) {
    scan->needle[k] = needles[k];
    if (scan->needle[k] != nullptr && scan->needle[k][0] == '\0') scan->needle[k] = nullptr;
    scan->needle_len[k] = scan->needle[k] ? std::strlen(scan->needle[k]) : 0;
  }
  scan->sink = sink;
  scan->buf = scan_buffer;
}

int next_hit(LineScan *s, HitLine *hit) {
  if (s->line_open && pass_line(s) != 0) return -1;
  for (;;) {
    const size_t at = earliest_hit(s);
    if (at == kNone && s->at_eof) return hand_on_to(s, s->end);
    const int rc = at == kNone ? hand_on_lines(s, hit) : stop_at_text(s, at, hit);
    if (rc != 0) return rc;
  }
}

int pass_line(LineScan *s) { return finish_line(s, true); }

int skip_line(LineScan *s) { return finish_line(s, false); }

int find_in_line(const LineScan *s, const HitLine *hit, const char *text, HitLine *found) {
  *found = *hit;
  const size_t len = std::strlen(text);
  if (hit->line != nullptr) {
    const void *at = memmem(hit->line, hit->line_len, text, len);
    if (at == nullptr) return 0;
    found->head = static_cast<const char *>(at);
    found->head_at = static_cast<size_t>(found->head - hit->line);
    const size_t room = hit->line_len - found->head_at;
    found->head_len = room < kHeadMax ? room : kHeadMax;
    return 1;
  }
  const char *needle[kNeedles] = {text, nullptr, nullptr};
  const size_t needle_len[kNeedles] = {len, 0, 0};
  LongFacts facts{};
  if (look_ahead(s->fd, needle, needle_len, hit->offset, &facts) != 0) return -1;
  if (facts.first < 0) return 0;
  found->head_at = static_cast<size_t>(facts.first - hit->offset);
  return read_head(s->fd, facts.first, found) == 0 ? 1 : -1;
}

int each_in_line(const LineScan *s, const HitLine *hit, const char *text,
                 int (*on_place)(void *ctx, const char *head, size_t len), void *ctx) {
  const size_t text_len = std::strlen(text);
  if (hit->line != nullptr) {
    const char *end = hit->line + hit->line_len;
    for (const char *p = hit->line; p < end; ++p) {
      p = static_cast<const char *>(memmem(p, static_cast<size_t>(end - p), text, text_len));
      if (p == nullptr) return 0;
      const size_t room = static_cast<size_t>(end - p);
      if (on_place(ctx, p, room < kHeadMax ? room : kHeadMax) != 0) return 1;
    }
    return 0;
  }
  // Read ahead as look_ahead() does, each place's head read on its own.
  const size_t keep = text_len > 0 ? text_len - 1 : 0;  // bytes a text may reach back over
  size_t have = 0;
  off_t at = hit->offset;
  for (;;) {
    const off_t window_off = at - static_cast<off_t>(have);
    size_t len = 0;
    bool done = false;
    if (next_piece(s->fd, have, &at, &len, &done) != 0) return -1;
    for (size_t pos = 0; pos < len; ++pos) {
      const void *p = memmem(lookahead_buffer + pos, len - pos, text, text_len);
      if (p == nullptr) break;
      pos = static_cast<size_t>(static_cast<const char *>(p) - lookahead_buffer);
      HitLine place{};
      if (read_head(s->fd, window_off + static_cast<off_t>(pos), &place) != 0) return -1;
      if (on_place(ctx, place.head, place.head_len) != 0) return 1;
    }
    if (done) return 0;
    have = keep < len ? keep : len;
    std::memmove(lookahead_buffer, lookahead_buffer + len - have, have);
  }
}

int file_holds(int fd, const char *text) {
  LineScan scan{};
  open_scan(&scan, fd, {text, nullptr, nullptr}, ScanSink{nullptr, nullptr, nullptr});
  HitLine hit{};
  return next_hit(&scan, &hit);
}
