// Running a rewrite plan over a driver file's lines into a target: the
// temporary file of a rewrite, or the recorder of a preview. Both see the
// same calls, so a preview is the real plan rendered.
#ifndef ZKPT_DRIVERFILES_PLAN_APPLY_H
#define ZKPT_DRIVERFILES_PLAN_APPLY_H

#include <cstddef>

#include "driverfiles/format/format_id.h"
#include "driverfiles/lines/line_scan.h"

struct MatchSet;
struct SwapSet;

// What becomes of a file's lines (see rewrite.h). insert and append may
// hold several lines; matches (may be null), when not empty, stands for
// match, so one pass drops or resets many formats.
struct RewritePlan {
  const char *match;    // may be null
  const char *replace;  // null: matching lines are left out
  const char *marker;   // may be null
  const char *insert;
  const char *append;   // may be null
  const MatchSet *matches = nullptr;
  bool *marker_seen = nullptr;  // may be null; set when a line holding marker is kept
  const SwapSet *swaps = nullptr;  // may be null: matching lines whose identifier moves on
};

// A text watched for on the way: each line holding it is shown to on_hit
// before the plan acts on it; on_hit returns 0, or -1 with errno.
struct WatchedText {
  const char *text;
  int (*on_hit)(void *ctx, const LineScan &scan, const HitLine &hit);
  void *ctx;
};

// Identifiers matched at once (a dry run's gathered rewrites, an apply's
// formats), sorted by strcmp: a line carrying any of them carries the
// plan's match (which is then not used).
struct MatchSet {
  const FormatId *ids;
  size_t count;
};
// The order of a sorted set (and of a swap set by from), for qsort.
int compare_match_ids(const void *a, const void *b);

// A selection that follows its format to a new identifier: a matching
// line carrying `from` becomes the same line with `to` where `from`
// stood, every other byte kept (a line longer than a scan chunk, which
// is never held whole, gets the plan's replace line instead).
struct IdSwap {
  FormatId from, to;
};
struct SwapSet {
  const IdSwap *swaps;
  size_t count;  // sorted by from, no two alike
};
int compare_swaps(const void *a, const void *b);

// A settings line that follows a format of an apply's set: its
// identifier, and the format's place in the set.
struct FollowedSetting {
  FormatId id;
  size_t format;
};

struct PlanTarget {
  int (*put)(void *ctx, const char *bytes, size_t len);   // bytes kept
  int (*skip)(void *ctx, const char *bytes, size_t len);  // bytes left out; may be null
  int (*add)(void *ctx, const char *bytes, size_t len);   // text the plan adds
  void *ctx;
  // Added text that lives only for the call (a swapped line); null: add.
  int (*add_copy)(void *ctx, const char *bytes, size_t len) = nullptr;
};

// Reads fd from its start and hands every byte of the result to target,
// showing watch (may be null) every line holding its text first; set (may
// be null) stands for the plan's match, as plan.matches does. 0, or -1
// with errno from a read, the watch or the target.
int apply_plan(int fd, const RewritePlan &plan, const WatchedText *watch, const PlanTarget &target,
               const MatchSet *set = nullptr);

// Writes all len bytes to fd, retrying short writes and interrupted
// calls: 0, or -1 with errno (EIO for a write that makes no progress).
int write_all(int fd, const char *bytes, size_t len);

#endif
