// The line scan: chunked reads of a driver file, a search for the texts, and
// the hit lines handed out one at a time (see line_scan.h).
#include "driverfiles/lines/line_scan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "driverfiles/sys/sys_io.h"

namespace {

char scan_buffer[kScanChunk];     // one scan at a time in this program
char lookahead_buffer[kLookAhead];
char long_head[kHeadMax];

const size_t kNone = static_cast<size_t>(-1);

// Hands on the window's bytes up to buffer index stop, kept or left out.
int hand_on(LineScan *s, size_t stop, bool keep) {
  int (*to)(void *, const char *, size_t) = keep ? s->sink.put : s->sink.skip;
  const size_t len = stop - s->pos;
  const char *bytes = s->buf + s->pos;
  s->pos = stop;
  return len == 0 || to == nullptr ? 0 : to(s->sink.ctx, bytes, len);
}

// Reads from file offset at, without moving the scan's own position.
ssize_t read_at(int fd, char *into, size_t len, off_t at) {
  return retry_interrupted([=] { return sys_io.pread(fd, into, len, at); });
}

// The search for a text: sixteen bytes of a window compared at a time.
using Block = unsigned char __attribute__((vector_size(16)));
using BlockMask = signed char __attribute__((vector_size(16)));  // -1 where bytes compare equal
enum : size_t { kBlock = sizeof(Block), kStride = 4 * kBlock };

Block every_byte(char c) { return Block{} + static_cast<unsigned char>(c); }

bool any_set(const BlockMask &mask) {
  uint64_t halves[2];
  std::memcpy(halves, &mask, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

// The places among the sixteen from p where both a text's first byte
// and, `last` bytes on, its last byte stand.
BlockMask pairs_at(const char *p, size_t last, const Block &first, const Block &end) {
  Block starts, ends;
  std::memcpy(&starts, p, sizeof starts);
  std::memcpy(&ends, p + last, sizeof ends);
  return (starts == first) & (ends == end);
}

// The first place of text (len bytes) in the n bytes at p, or null, as
// memmem finds it. kStride places are tried at a time, and a text is
// compared whole only where its first and last bytes both stand: the
// lines of a driver file share long runs (every identifier's start, "/"
// before every name), which keep memmem's skips short, so a text cost it
// two instructions a byte or more and costs this about half of one.
const char *find_text(const char *p, size_t n, const char *text, size_t len) {
  if (len == 0) return p;
  if (len > n) return nullptr;
  const size_t last = len - 1, places = n - last;
  const Block first = every_byte(text[0]), end = every_byte(text[last]);
  size_t at = 0;
  for (; at + kStride <= places; at += kStride) {
    const char *block = p + at;
    if (!any_set(pairs_at(block, last, first, end) | pairs_at(block + kBlock, last, first, end) |
                 pairs_at(block + 2 * kBlock, last, first, end) | pairs_at(block + 3 * kBlock, last, first, end))) {
      continue;
    }
    for (; block < p + at + kStride; block += kBlock) {
      const BlockMask pairs = pairs_at(block, last, first, end);
      for (size_t k = 0; any_set(pairs) && k < kBlock; ++k) {
        if (pairs[k] != 0 && std::memcmp(block + k, text, len) == 0) return block + k;
      }
    }
  }
  for (; at < places; ++at) {
    if (p[at] == text[0] && std::memcmp(p + at, text, len) == 0) return p + at;
  }
  return nullptr;
}

// The first newline or zero byte of the n bytes at p, or null.
const char *line_stop(const char *p, size_t n) {
  const char *nl = static_cast<const char *>(std::memchr(p, '\n', n));
  const void *nul = std::memchr(p, '\0', nl ? static_cast<size_t>(nl - p) : n);
  return nul ? static_cast<const char *>(nul) : nl;
}

// Moves the unread window to the buffer's start and reads behind it.
// Returns the bytes read (0 at end of file) or -1.
ssize_t refill(LineScan *s) {
  std::memmove(s->buf, s->buf + s->pos, s->end - s->pos);
  s->base += static_cast<off_t>(s->pos);
  s->end -= s->pos;
  s->pos = 0;
  for (bool &known : s->next_known) known = false;
  const ssize_t got = retry_interrupted([=] { return sys_io.read(s->fd, s->buf + s->end, kScanChunk - s->end); });
  if (got < 0) return -1;
  if (got == 0) s->at_eof = true;
  s->end += static_cast<size_t>(got);
  return got;
}

// Earliest text in the window from pos on, as a buffer index, or kNone.
// Each text's next place is remembered until the scan moves past it, so
// a window is searched once per text, not once per hit.
size_t earliest_hit(LineScan *s) {
  size_t best = kNone;
  for (size_t k = 0; k < kNeedles; ++k) {
    if (!s->next_known[k] || (s->next[k] != kNone && s->next[k] < s->pos)) {
      const char *at = s->needle[k] == nullptr ? nullptr
                       : find_text(s->buf + s->pos, s->end - s->pos, s->needle[k], s->needle_len[k]);
      s->next[k] = at == nullptr ? kNone : static_cast<size_t>(at - s->buf);
      s->next_known[k] = true;
    }
    best = std::min(best, s->next[k]);
  }
  return best;
}

// Hands on the rest of the line at pos, however long, reading as needed.
int stream_line(LineScan *s, bool keep) {
  for (;;) {
    const char *nl = static_cast<const char *>(std::memchr(s->buf + s->pos, '\n', s->end - s->pos));
    const size_t stop = nl ? static_cast<size_t>(nl - s->buf) + 1 : s->end;
    if (hand_on(s, stop, keep) != 0) return -1;
    if (nl != nullptr || s->at_eof) return 0;
    if (refill(s) < 0) return -1;  // nothing more read: at end of file, the next turn ends
  }
}

// Reads the line at file offset from ahead with pread, in pieces of
// lookahead_buffer, up to its first zero byte or newline or the file's
// end: the piece that holds the line's end is the last one read.
// on_piece(len, at) sees the buffer's first len bytes, which stand at
// file offset at; the last `keep` bytes of a piece lead the next, so a
// text of keep + 1 bytes is seen across two. Stops at on_piece's non-zero
// result and returns it; 0 at the line's end, -1 with errno.
template <class OnPiece>
int read_ahead(int fd, off_t from, size_t keep, OnPiece on_piece) {
  size_t have = 0;
  for (off_t at = from;;) {
    const ssize_t got = read_at(fd, lookahead_buffer + have, sizeof lookahead_buffer - have, at);
    if (got < 0) return -1;
    const char *stop = line_stop(lookahead_buffer + have, static_cast<size_t>(got));
    const size_t len = stop ? static_cast<size_t>(stop - lookahead_buffer) : have + static_cast<size_t>(got);
    const int rc = on_piece(len, at - static_cast<off_t>(have));
    if (rc != 0 || stop != nullptr || got == 0) return rc;
    at += got;
    have = std::min(keep, len);
    std::memmove(lookahead_buffer, lookahead_buffer + len - have, have);
  }
}

// Reads up to kHeadMax bytes of a line from offset at into out's head,
// cut at its newline or first zero byte.
int read_head(int fd, off_t at, HitLine *out) {
  const ssize_t got = read_at(fd, long_head, kHeadMax, at);
  if (got < 0) return -1;
  const char *stop = line_stop(long_head, static_cast<size_t>(got));
  out->zero_cut = stop != nullptr && *stop == '\0';
  out->head = long_head;
  out->head_len = stop ? static_cast<size_t>(stop - long_head) : static_cast<size_t>(got);
  return 0;
}

// A hit line running past a full window: what it holds comes from
// reading it ahead. 1 with the line left open as the hit, 0 when it
// holds no text before its first zero byte, -1 with errno.
int long_hit(LineScan *s, HitLine *out) {
  const off_t line_off = s->base + static_cast<off_t>(s->pos);
  // An unused slot's length is 0.
  const size_t longest = std::max(size_t{1}, *std::max_element(s->needle_len, s->needle_len + kNeedles));
  std::fill(out->holds, out->holds + kNeedles, false);
  off_t first = -1, end = line_off;
  const int rc = read_ahead(s->fd, line_off, longest - 1, [&](size_t len, off_t at) {
    for (size_t k = 0; k < kNeedles; ++k) {
      if (s->needle[k] == nullptr || out->holds[k]) continue;
      const char *p = find_text(lookahead_buffer, len, s->needle[k], s->needle_len[k]);
      if (p == nullptr) continue;
      out->holds[k] = true;
      const off_t place = at + (p - lookahead_buffer);
      if (first < 0 || place < first) first = place;
    }
    end = at + static_cast<off_t>(len);
    return 0;
  });
  if (rc != 0) return -1;
  if (first < 0) return 0;
  out->offset = line_off;
  out->head_at = static_cast<size_t>(first - line_off);
  out->line = nullptr;
  out->line_len = static_cast<size_t>(end - line_off);
  if (read_head(s->fd, first, out) != 0) return -1;
  s->line_open = true;
  s->line_end = 0;
  return 1;
}

// Hands on the open hit line as kept bytes or as bytes left out.
int finish_line(LineScan *s, bool keep) {
  s->line_open = false;
  return s->line_end == 0 ? stream_line(s, keep) : hand_on(s, s->line_end, keep);
}

// Where the line holding buffer index at starts (the window starts at a
// line's start).
size_t line_start(const LineScan *s, size_t at) {
  const char *nl = static_cast<const char *>(memrchr(s->buf + s->pos, '\n', at - s->pos));
  return nl ? static_cast<size_t>(nl - s->buf) + 1 : s->pos;
}

// The line at pos runs past the window: reads on (0 to look again), or,
// when the line fills the whole window, reads it ahead: 1 when it holds a
// text (left open as the hit), else 0 with the line handed on; -1 with
// errno.
int read_on(LineScan *s, HitLine *hit) {
  if (s->pos > 0 || s->end < kScanChunk) return refill(s) < 0 ? -1 : 0;
  const int rc = long_hit(s, hit);
  return rc != 0 ? rc : stream_line(s, true);
}

// No text in the rest of the window, before end of file: hands on its
// complete lines and reads on. 0 to look again, 1 with a hit line longer
// than the window, -1 with errno.
int hand_on_lines(LineScan *s, HitLine *hit) {
  return hand_on(s, line_start(s, s->end), true) != 0 ? -1 : read_on(s, hit);
}

// Opens the line holding the text at buffer index at as the hit; the line
// ends in the window (at its newline end_nl, or at end of file).
void open_hit(LineScan *s, size_t at, const char *end_nl, HitLine *hit) {
  const size_t line_end = end_nl ? static_cast<size_t>(end_nl - s->buf) + 1 : s->end;
  const char *stop = line_stop(s->buf + at, line_end - at);
  const size_t vis_end = stop ? static_cast<size_t>(stop - s->buf) : line_end;
  hit->zero_cut = stop != nullptr && *stop == '\0';
  // Every text's next place lies at or after the line's earliest one.
  for (size_t k = 0; k < kNeedles; ++k) hit->holds[k] = s->next[k] != kNone && s->next[k] < vis_end;
  hit->offset = s->base + static_cast<off_t>(s->pos);
  hit->line = s->buf + s->pos;
  hit->line_len = vis_end - s->pos;
  hit->head = s->buf + at;
  hit->head_at = at - s->pos;
  hit->head_len = std::min(vis_end - at, size_t{kHeadMax});
  s->line_open = true;
  s->line_end = line_end;
}

// A text at buffer index at: hands on the lines before its line, then
// makes that line the hit, unless the text stands behind the line's first
// zero byte (the line is handed on) or the line runs past the window
// (read on and look again, or read ahead when the line fills a whole
// window). 1 with the hit, 0 to look again, -1 with errno.
int stop_at_text(LineScan *s, size_t at, HitLine *hit) {
  if (hand_on(s, line_start(s, at), true) != 0) return -1;
  if (std::memchr(s->buf + s->pos, '\0', at - s->pos) != nullptr) return stream_line(s, true);
  const char *end_nl = static_cast<const char *>(std::memchr(s->buf + at, '\n', s->end - at));
  if (end_nl == nullptr && !s->at_eof) return read_on(s, hit);
  open_hit(s, at, end_nl, hit);
  return 1;
}

// each_in_line(), each place shown to on_place(head, head_len, head_at,
// zero_cut) as find_in_line() describes one.
template <class OnPlace>
int each_place(const LineScan *s, const HitLine *hit, const char *text, OnPlace on_place) {
  const size_t text_len = std::strlen(text);
  if (hit->line != nullptr) {
    const char *end = hit->line + hit->line_len;
    for (const char *p = hit->line; p < end; ++p) {
      p = find_text(p, static_cast<size_t>(end - p), text, text_len);
      if (p == nullptr) return 0;
      const size_t room = std::min(static_cast<size_t>(end - p), size_t{kHeadMax});
      if (on_place(p, room, static_cast<size_t>(p - hit->line), hit->zero_cut) != 0) return 1;
    }
    return 0;
  }
  // A line longer than a chunk: read ahead once, each place's head on its own.
  return read_ahead(s->fd, hit->offset, text_len > 0 ? text_len - 1 : 0, [&](size_t len, off_t at) {
    for (size_t pos = 0; pos < len; ++pos) {
      const char *p = find_text(lookahead_buffer + pos, len - pos, text, text_len);
      if (p == nullptr) break;
      pos = static_cast<size_t>(p - lookahead_buffer);
      const off_t place = at + static_cast<off_t>(pos);
      HitLine head{};
      if (read_head(s->fd, place, &head) != 0) return -1;
      if (on_place(head.head, head.head_len, static_cast<size_t>(place - hit->offset), head.zero_cut) != 0) {
        return 1;
      }
    }
    return 0;
  });
}

}  // namespace

void open_scan(LineScan *scan, int fd, const char *const (&needles)[kNeedles], const ScanSink &sink) {
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
    if (at == kNone && s->at_eof) return hand_on(s, s->end, true);
    const int rc = at == kNone ? hand_on_lines(s, hit) : stop_at_text(s, at, hit);
    if (rc != 0) return rc;
  }
}

int pass_line(LineScan *s) { return finish_line(s, true); }

int skip_line(LineScan *s) { return finish_line(s, false); }

int find_in_line(const LineScan *s, const HitLine *hit, const char *text, HitLine *found) {
  *found = *hit;
  return each_place(s, hit, text, [&](const char *head, size_t len, size_t at, bool zero_cut) {
    found->head = head;
    found->head_len = len;
    found->head_at = at;
    found->zero_cut = zero_cut;
    return 1;
  });
}

int each_in_line(const LineScan *s, const HitLine *hit, const char *text,
                 int (*on_place)(void *ctx, const char *head, size_t len), void *ctx) {
  return each_place(s, hit, text,
                    [&](const char *head, size_t len, size_t, bool) { return on_place(ctx, head, len); });
}
