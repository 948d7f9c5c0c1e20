// Carrying out a rewrite plan over a file's lines: what the rewrite and
// the preview both run, so a preview is the real plan rendered.
#include "driverfiles/plan_apply.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "driverfiles/line_scan.h"
#include "driverfiles/sys_io.h"

namespace {

// Follows the output so far: whether it ends inside a line.
struct Tracker {
  const PlanTarget *target;
  bool mid_line;
};

int track_put(void *ctx, const char *bytes, size_t len) {
  Tracker *t = static_cast<Tracker *>(ctx);
  t->mid_line = bytes[len - 1] != '\n';
  return t->target->put(t->target->ctx, bytes, len);
}

int track_skip(void *ctx, const char *bytes, size_t len) {
  const Tracker *t = static_cast<const Tracker *>(ctx);
  return t->target->skip ? t->target->skip(t->target->ctx, bytes, len) : 0;
}

int add_text(Tracker *t, const char *text) {
  const size_t len = std::strlen(text);
  if (len == 0) return 0;
  t->mid_line = text[len - 1] != '\n';
  return t->target->add(t->target->ctx, text, len);
}

// Added text starts a line of its own.
int add_line(Tracker *t, const char *text) {
  if (t->mid_line && add_text(t, "\n") != 0) return -1;
  return add_text(t, text);
}

// Whether an identifier of the sorted set starts text (len bytes). The
// greatest one not above text starts it, or else none longer than what
// the two have in common does: the search goes on within that.
bool sorted_set_starts(const MatchSet &set, const char *text, size_t len) {
  while (true) {
    size_t lo = 0, hi = set.count;  // the first one above text
    while (lo < hi) {
      const size_t mid = lo + (hi - lo) / 2;
      const char *id = set.ids[mid].text;
      const size_t n = std::strlen(id);
      const int c = std::memcmp(id, text, n < len ? n : len);
      if (c < 0 || (c == 0 && n <= len)) lo = mid + 1;
      else hi = mid;
    }
    if (lo == 0) return false;
    const char *id = set.ids[lo - 1].text;
    size_t common = 0;
    while (common < len && id[common] == text[common]) ++common;
    if (id[common] == '\0') return true;
    if (common == len) return false;
    len = common;
  }
}

// 1 when a line holding the match (or the set's prefix) is matched.
int matches(const LineScan &scan, const HitLine &hit, const MatchSet *set) {
  if (set == nullptr) return 1;
  if (set->sorted && hit.line != nullptr) {  // each identifier the line holds looked up
    const char *end = hit.line + hit.line_len;
    for (const char *p = hit.line; p < end; ++p) {
      p = static_cast<const char *>(memmem(p, static_cast<size_t>(end - p), kFormatIdPrefix, kMediaAt));
      if (p == nullptr) return 0;
      if (sorted_set_starts(*set, p, std::min(static_cast<size_t>(end - p), size_t{kFormatIdMax}))) return 1;
    }
    return 0;
  }
  for (size_t i = 0; i < set->count; ++i) {
    HitLine found{};
    const int rc = find_in_line(&scan, &hit, set->ids[i].text, &found);
    if (rc != 0) return rc;
  }
  return 0;
}

}  // namespace

int apply_plan(int fd, const RewritePlan &plan, const WatchedText *watch,
               const PlanTarget &target, const MatchSet *set) {
  if (set == nullptr && plan.matches != nullptr && plan.matches->count != 0) set = plan.matches;
  Tracker tracker{&target, false};
  LineScan scan{};
  const char *const texts[kNeedles] = {set ? kFormatIdPrefix : plan.match, plan.marker,
                                       watch ? watch->text : nullptr};  // by ScanSlot
  open_scan(&scan, fd, texts, ScanSink{track_put, track_skip, &tracker});
  HitLine hit{};
  int rc;
  while ((rc = next_hit(&scan, &hit)) > 0) {
    if (hit.holds[kWatchSlot] && watch != nullptr && watch->on_hit(watch->ctx, scan, hit) != 0) return -1;
    const int matched = hit.holds[kMatchSlot] ? matches(scan, hit, set) : 0;
    if (matched < 0) return -1;
    if (matched > 0) {
      if (skip_line(&scan) != 0) return -1;
      if (plan.replace != nullptr && add_text(&tracker, plan.replace) != 0) return -1;
      continue;
    }
    if (pass_line(&scan) != 0) return -1;
    if (!hit.holds[kMarkerSlot]) continue;
    if (plan.marker_seen != nullptr) *plan.marker_seen = true;
    if (add_line(&tracker, plan.insert) != 0) return -1;
  }
  if (rc < 0) return -1;
  return plan.append != nullptr ? add_line(&tracker, plan.append) : 0;
}

int write_all(int fd, const char *bytes, size_t len) {
  while (len > 0) {
    const ssize_t put = retry_interrupted([&] { return sys_io.write(fd, bytes, len); });
    if (put < 0) return -1;
    if (put == 0) {
      errno = EIO;
      return -1;
    }
    bytes += put;
    len -= static_cast<size_t>(put);
  }
  return 0;
}
