// One pass over a driver file, finding the lines that hold given texts:
// the one reader of driver lines (besides the lock, an add's one-byte
// readability check and the diff's reread of a last line). The file is
// read in chunks of kScanChunk bytes, each searched once for each text,
// sixteen bytes at a time; lines holding none of the texts are handed on
// in runs, never looked at one by one.
//
// A line is the bytes up to and including a newline, or those before end
// of file. A line holds a text when the text occurs before its first zero
// byte. Lines of any length are handled in the same memory (a line longer
// than a chunk is read once more with pread before it is handed on).
//
// Use: open_scan(), then next_hit() until it returns 0, and after each hit
// pass_line() or skip_line(). The sink gets runs of lines without a hit
// and the lines passed. Results: 1 (a hit), 0 (end of file, all handed
// on) or -1 with errno from the read or the sink.
#ifndef ZKPT_DRIVERFILES_LINE_SCAN_H
#define ZKPT_DRIVERFILES_LINE_SCAN_H

#include <sys/types.h>

#include <cstddef>

enum : size_t {
  kScanChunk = 1 << 20,
  kLookAhead = 1 << 16,  // a line longer than a chunk is read again in these
  // Bytes of a hit line shown from its first text on: room for the
  // longest identifier, "/" and a name as long as two hex digits tell.
  kHeadMax = 384,
};

// The texts a scan looks for, by their part in a rewrite plan (a scan
// for one text uses the first slot).
enum ScanSlot : size_t { kMatchSlot, kMarkerSlot, kWatchSlot, kNeedles };

// put gets kept bytes, skip those of lines left out; either may be null
// (bytes dropped). Both return 0, or -1 with errno.
struct ScanSink {
  int (*put)(void *ctx, const char *bytes, size_t len);
  int (*skip)(void *ctx, const char *bytes, size_t len);
  void *ctx;
};

struct HitLine {
  off_t offset;         // where the line starts in the file
  bool holds[kNeedles];  // which texts the line holds
  // The line from the earliest text it holds, up to kHeadMax bytes, cut
  // at the line's newline or first zero byte.
  const char *head;
  size_t head_len;
  size_t head_at;  // where head starts, counted from the line's start
  // The line up to its first zero byte or newline, when it fits a chunk;
  // null for a longer line. line_len is that part's length either way.
  const char *line;
  size_t line_len;
  bool zero_cut;  // head or line ends at a zero byte, not at the line's end
};

struct LineScan {
  int fd;
  const char *needle[kNeedles];  // null for an unused slot
  size_t needle_len[kNeedles];
  ScanSink sink;
  char *buf;        // kScanChunk bytes, shared by every scan
  size_t pos, end;  // unread window; pos is always a line start
  off_t base;       // file offset of buf[0]
  bool at_eof;
  size_t next[kNeedles];  // where each text next occurs in the window
  bool next_known[kNeedles];
  bool line_open;  // a hit line waits for pass_line() or skip_line()
  size_t line_end; // its end in buf, or 0 when it runs past the window
};

// Starts a scan of fd, standing at the file's start, for up to three
// texts by ScanSlot (null or empty: slot not used).
void open_scan(LineScan *scan, int fd, const char *const (&needles)[kNeedles], const ScanSink &sink);

// Hands on the lines up to the next one holding a text and describes it
// in *hit (a line still open is passed first).
int next_hit(LineScan *scan, HitLine *hit);
// Hands on the open hit line as kept bytes (pass) or left out (skip).
int pass_line(LineScan *scan);
int skip_line(LineScan *scan);

// Describes the hit line from the first place text stands in it in
// *found: 1, 0 when it holds none, -1 with errno. Call before passing or
// skipping it.
int find_in_line(const LineScan *scan, const HitLine *hit, const char *text, HitLine *found);

// Shows each place text stands in a hit line, in order, to on_place with
// the line's head from there, until on_place returns non-zero: 1 then, 0
// when it holds no more, -1 with errno.
int each_in_line(const LineScan *scan, const HitLine *hit, const char *text,
                 int (*on_place)(void *ctx, const char *head, size_t len), void *ctx);

#endif
