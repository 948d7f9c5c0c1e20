// Carrying out a rewrite plan over a file's lines: what the rewrite and
// the preview both run, so a preview is the real plan rendered.
#include "driverfiles/lines/plan_apply.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "driverfiles/lines/line_scan.h"
#include "driverfiles/sys/sys_io.h"

namespace {

// Follows the output so far: whether it ends inside a line.
struct Tracker {
  const PlanTarget *target;
  bool mid_line;
  bool skipped_newline;  // the last line left out ended with a newline
};

int track_put(void *ctx, const char *bytes, size_t len) {
  Tracker *t = static_cast<Tracker *>(ctx);
  t->mid_line = bytes[len - 1] != '\n';
  return t->target->put(t->target->ctx, bytes, len);
}

int track_skip(void *ctx, const char *bytes, size_t len) {
  Tracker *t = static_cast<Tracker *>(ctx);
  t->skipped_newline = bytes[len - 1] == '\n';
  return t->target->skip ? t->target->skip(t->target->ctx, bytes, len) : 0;
}

const char kMarkerLine[] = "[CustomTape]\n";

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

// 1 when the identifier the line carries is the match (or one of the
// set's), with it in *id and where it starts in the line in *at; 0 when
// it is not or the line carries none, -1 with errno. A line carries its
// first "ZkL" read as one, as the lookup and the inventory read it (never
// one standing inside a name).
int matches(const LineScan &scan, const HitLine &hit, const char *match, const MatchSet *set, FormatId *id,
            size_t *at) {
  HitLine first{};
  const int rc = find_in_line(&scan, &hit, kFormatIdPrefix, &first);
  IdParts parts{};
  if (rc <= 0 || !parse_format_id(first.head, first.head_len, &parts)) return rc < 0 ? -1 : 0;
  std::memcpy(id->text, first.head, parts.len);
  id->text[parts.len] = '\0';
  *at = first.head_at;
  if (set == nullptr) return std::strcmp(id->text, match) == 0 ? 1 : 0;
  const auto before = [](const FormatId &a, const FormatId &b) { return std::strcmp(a.text, b.text) < 0; };
  return std::binary_search(set->ids, set->ids + set->count, *id, before) ? 1 : 0;
}

const IdSwap *swap_of(const SwapSet *swaps, const FormatId &id) {
  if (swaps == nullptr) return nullptr;
  const IdSwap *end = swaps->swaps + swaps->count;
  const IdSwap *at = std::lower_bound(swaps->swaps, end, id, [](const IdSwap &swap, const FormatId &key) {
    return std::strcmp(swap.from.text, key.text) < 0;
  });
  return at != end && std::strcmp(at->from.text, id.text) == 0 ? at : nullptr;
}

// The open hit line, whole in the scan's window, left out and added again
// with swap.to where its identifier stands at `at`.
int swap_line(Tracker *t, LineScan *scan, size_t at, const IdSwap &swap) {
  const char *line = scan->buf + scan->pos;
  const size_t len = scan->line_end - scan->pos, from = std::strlen(swap.from.text), to = std::strlen(swap.to.text);
  const size_t n = len - from + to;
  char *text = static_cast<char *>(sys_io.realloc(nullptr, n));
  if (text == nullptr) return -1;
  std::memcpy(text, line, at);
  std::memcpy(text + at, swap.to.text, to);
  std::memcpy(text + at + to, line + at + from, len - at - from);
  int rc = skip_line(scan);
  const PlanTarget &target = *t->target;
  if (rc == 0) rc = (target.add_copy != nullptr ? target.add_copy : target.add)(target.ctx, text, n);
  if (rc == 0) t->mid_line = text[n - 1] != '\n';
  SavedErrno saved;
  std::free(text);
  return rc;
}

}  // namespace

int compare_match_ids(const void *a, const void *b) {
  return std::strcmp(static_cast<const FormatId *>(a)->text, static_cast<const FormatId *>(b)->text);
}

int compare_swaps(const void *a, const void *b) {
  return std::strcmp(static_cast<const IdSwap *>(a)->from.text, static_cast<const IdSwap *>(b)->from.text);
}

int apply_plan(int fd, const RewritePlan &plan, const WatchedText *watch, const PlanTarget &target,
               const MatchSet *set) {
  if (set == nullptr && plan.matches != nullptr && plan.matches->count != 0) set = plan.matches;
  Tracker tracker{&target, false, false};
  LineScan scan{};
  const char *const texts[kNeedles] = {set ? kFormatIdPrefix : plan.match, plan.marker,
                                       watch ? watch->text : nullptr};  // by ScanSlot
  open_scan(&scan, fd, texts, ScanSink{track_put, track_skip, &tracker});
  HitLine hit{};
  int rc;
  while ((rc = next_hit(&scan, &hit)) > 0) {
    if (hit.holds[kWatchSlot] && watch != nullptr && watch->on_hit(watch->ctx, scan, hit) != 0) return -1;
    FormatId id{};
    size_t id_at = 0;
    const int matched = hit.holds[kMatchSlot] ? matches(scan, hit, plan.match, set, &id, &id_at) : 0;
    if (matched < 0) return -1;
    const IdSwap *swap = matched > 0 && scan.line_end != 0 ? swap_of(plan.swaps, id) : nullptr;
    if (swap != nullptr) {
      if (swap_line(&tracker, &scan, id_at, *swap) != 0) return -1;
      continue;
    }
    if (matched > 0) {
      // A dropped line keeps the marker it shares (an add after an
      // unended marker line wrote its entry there): the entries that
      // follow, and the next add's, need it.
      HitLine marker{};
      const int marked = plan.replace == nullptr ? find_in_line(&scan, &hit, kEntryMarker, &marker) : 0;
      if (marked < 0 || skip_line(&scan) != 0) return -1;
      const char *kept = marked == 0 ? plan.replace : tracker.skipped_newline ? kMarkerLine : kEntryMarker;
      if (kept != nullptr && add_text(&tracker, kept) != 0) return -1;
      if (marked == 0) continue;
    } else if (pass_line(&scan) != 0) {
      return -1;
    }
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
    if (put == 0) return errno_failure(EIO);
    bytes += put;
    len -= static_cast<size_t>(put);
  }
  return 0;
}
