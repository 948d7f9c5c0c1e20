// Carrying out an apply: every changed file copied once with all its
// changes, the companion asked change by change, the copies put in place
// (see apply_formats.h).
#include "driverfiles/change/apply_formats.h"

#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "driverfiles/change/audit_log.h"
#include "driverfiles/format/label_lines.h"
#include "driverfiles/sys/sys_io.h"
#include "front/operations.h"

namespace {

struct Text {
  char *bytes;
  size_t len, cap;
};

int add_text(Text *t, const char *line) { return append_text(&t->bytes, &t->len, &t->cap, line, std::strlen(line)); }

const char *or_null(const Text &t) { return t.len != 0 ? t.bytes : nullptr; }

// The four files' plans, built from the changes that count, and their copies.
struct ApplyFiles {
  Text entries, papers, imaging;
  FormatId *old_ids;
  size_t old_count, old_cap;
  MatchSet olds;
  IdSwap *swaps;  // the selections that follow their replaced formats
  size_t swap_count, swap_cap;
  SwapSet followed;
  FileCopies copies;  // in kApplyOrder
};

void free_files(ApplyFiles *f) {
  abandon_copies(&f->copies);
  std::free(f->entries.bytes);
  std::free(f->papers.bytes);
  std::free(f->imaging.bytes);
  std::free(f->old_ids);
  std::free(f->swaps);
  *f = ApplyFiles{};
}

int add_new_lines(const PaperJob &one, const FormatId &id, ApplyFiles *f) {
  char line[kLineMax];
  entry_line(id, one, line, sizeof line);
  if (add_text(&f->entries, line) != 0) return -1;
  paper_line(id, one, line, sizeof line);
  if (add_text(&f->papers, line) != 0) return -1;
  imaging_line(id, one, line, sizeof line);
  return add_text(&f->imaging, line);
}

// The change of the set's format at spec, or null (kept as it is).
const FormatChange *change_of(const ApplyPlan &plan, size_t spec) {
  for (size_t i = 0; i < plan.count; ++i) {
    if (plan.changes[i].kind != ChangeKind::kRemoved && plan.changes[i].spec == spec) return &plan.changes[i];
  }
  return nullptr;
}

// The plans of every change (all), or of what was done of each.
int build_files(const PaperJob &job, const FormatSet &set, const ApplyPlan &plan, bool all, ApplyFiles *f) {
  free_files(f);
  const auto add_old = [f](const FormatId &id) {
    if (make_room(&f->old_ids, &f->old_cap, f->old_count) != 0) return false;
    f->old_ids[f->old_count++] = id;
    return true;
  };
  for (size_t i = 0; i < plan.orphan_count; ++i) {
    if (!add_old(plan.orphans[i].id)) return -1;
  }
  for (size_t i = 0; i < plan.count; ++i) {
    const FormatChange &c = plan.changes[i];
    const bool done = all || c.state == ChangeState::kDone;
    if (c.kind != ChangeKind::kAdded && (all || c.state != ChangeState::kPending) && !add_old(c.old_id)) return -1;
    if (c.kind != ChangeKind::kRemoved && done && add_new_lines(job_of(job, set.formats[c.spec]), c.new_id, f) != 0) {
      return -1;
    }
    if (c.kind == ChangeKind::kReplaced && done) {
      if (make_room(&f->swaps, &f->swap_cap, f->swap_count) != 0) return -1;
      f->swaps[f->swap_count++] = IdSwap{c.old_id, c.new_id};
    }
  }
  for (size_t i = 0; i < plan.followed_count; ++i) {
    const FollowedSetting &s = plan.followed[i];
    const FormatChange *c = change_of(plan, s.format);
    const FormatEntry *kept = c == nullptr ? entry_named(plan.inv, set.formats[s.format].label_name) : nullptr;
    const bool done = c != nullptr && c->kind != ChangeKind::kRemoved && (all || c->state == ChangeState::kDone);
    if (!add_old(s.id) || make_room(&f->swaps, &f->swap_cap, f->swap_count) != 0) return -1;
    if (done || kept != nullptr) f->swaps[f->swap_count++] = IdSwap{s.id, done ? c->new_id : kept->id};
  }
  if (f->swap_count > 1) std::qsort(f->swaps, f->swap_count, sizeof(IdSwap), compare_swaps);
  f->followed = SwapSet{f->swaps, f->swap_count};
  if (f->old_count > 1) std::qsort(f->old_ids, f->old_count, sizeof(FormatId), compare_match_ids);
  f->olds = MatchSet{f->old_ids, f->old_count};
  const bool entries = f->entries.len != 0;
  FileCopies &c = f->copies;
  c.order = kApplyOrder;
  c.count = 4;
  c.plan[0] = RewritePlan{nullptr, nullptr, entries ? kEntryMarker : nullptr, or_null(f->entries), nullptr, &f->olds};
  c.plan[1] = RewritePlan{nullptr, nullptr, nullptr, nullptr, or_null(f->papers), &f->olds};
  c.plan[2] = RewritePlan{nullptr, nullptr, nullptr, nullptr, or_null(f->imaging), &f->olds};
  c.plan[3] = RewritePlan{nullptr, default_paper_line(job), nullptr, nullptr, nullptr, &f->olds, nullptr, &f->followed};
  for (int i = 0; i < 3; ++i) c.wanted[i] = entries || f->old_count != 0;
  c.wanted[3] = f->old_count != 0;
  return 0;
}

// The new identifiers, sorted, watched for in every line copied: a line
// holding one (anywhere, not only as its first) makes it taken.
struct IdWatch {
  IdList ids;
  bool seen;
};

// Whether a new identifier starts the text (len bytes). No new
// identifier starts another, so the one that may sorts first among those
// whose bytes are not below the text's.
bool starts_with_new_id(const IdWatch &w, const char *text, size_t len) {
  const FormatId *begin = w.ids.ids, *end = begin + w.ids.count;
  const FormatId *at = std::partition_point(begin, end, [&](const FormatId &id) {
    return std::memcmp(id.text, text, std::min(std::strlen(id.text), len)) < 0;
  });
  if (at == end) return false;
  const size_t n = std::strlen(at->text);
  return n <= len && std::memcmp(at->text, text, n) == 0;
}

int note_new_id(void *ctx, const LineScan &scan, const HitLine &hit) {
  const auto seen = [](void *watch, const char *head, size_t len) {
    IdWatch *w = static_cast<IdWatch *>(watch);
    w->seen = w->seen || starts_with_new_id(*w, head, len);
    return w->seen ? 1 : 0;
  };
  return each_in_line(&scan, &hit, kFormatIdPrefix, seen, ctx) < 0 ? -1 : 0;
}

int32_t prepare_files(const PaperJob &job, const Steps &steps, ApplyFiles *f, IdWatch *watched) {
  const WatchedText watch{kFormatIdPrefix, note_new_id, watched};
  return prepare_copies(job, steps, watched != nullptr ? &watch : nullptr, &f->copies);
}

// A line of the list's file would hold id (its identifier starts with
// id), or id would hold its identifier (id starts with it).
bool taken_in(const IdList &list, const char *id) {
  if (starts_an_id_in(list, id, false)) return true;
  FormatId head{};
  for (size_t n = kMediaAt + 1, len = std::strlen(id); n < len; ++n) {
    std::memcpy(head.text, id, n);
    head.text[n] = '\0';
    if (holds_id(list, head.text)) return true;
  }
  return false;
}

// Whether id is taken by a line of the files or by one of earlier, a
// sorted list of identifiers chosen before it.
bool taken(const ApplyPlan &plan, const IdList &earlier, const FormatId &id) {
  const auto in_list = [&](const IdList &list) { return taken_in(list, id.text); };
  return std::any_of(std::begin(plan.inv.ids), std::end(plan.inv.ids), in_list) || in_list(earlier);
}

struct ChangeRef {
  const FormatChange *change;
};

int compare_new_ids(const void *a, const void *b) {
  const FormatChange *x = static_cast<const ChangeRef *>(a)->change;
  const FormatChange *y = static_cast<const ChangeRef *>(b)->change;
  const int c = std::strcmp(x->new_id.text, y->new_id.text);
  return c != 0 ? c : x < y ? -1 : x > y ? 1 : 0;
}

// The first of the changes before upto whose new identifier starts an
// earlier one's or is started by it (upto when none), from one sort: an
// identifier that another starts sorts right before it, or before others
// it starts. -1 with no memory.
long first_clash(const ApplyPlan &plan, size_t upto) {
  ChangeRef *order = static_cast<ChangeRef *>(sys_io.realloc(nullptr, (upto + 1) * sizeof(ChangeRef)));
  if (order == nullptr) return -1;
  size_t n = 0;
  for (size_t i = 0; i < upto; ++i) {
    if (plan.changes[i].kind != ChangeKind::kRemoved) order[n++] = ChangeRef{&plan.changes[i]};
  }
  if (n > 1) std::qsort(order, n, sizeof(ChangeRef), compare_new_ids);
  size_t first = upto;
  for (size_t a = 0; a < n; ++a) {
    const char *id = order[a].change->new_id.text;
    const size_t len = std::strlen(id);
    for (size_t b = a + 1; b < n && std::strncmp(order[b].change->new_id.text, id, len) == 0; ++b) {
      first = std::min(first, static_cast<size_t>(std::max(order[a].change, order[b].change) - plan.changes));
    }
  }
  std::free(order);
  return static_cast<long>(first);
}

// The new identifiers of the changes before upto, sorted: 0, or -1 (no memory).
int list_new_ids(const ApplyPlan &plan, size_t upto, IdList *list) {
  list->count = 0;
  for (size_t i = 0; i < upto; ++i) {
    if (plan.changes[i].kind == ChangeKind::kRemoved) continue;
    if (make_room(&list->ids, &list->cap, list->count) != 0) return -1;
    list->ids[list->count++] = plan.changes[i].new_id;
  }
  if (list->count > 1) std::qsort(list->ids, list->count, sizeof(FormatId), compare_match_ids);
  return 0;
}

struct TimeDigits {
  long seconds, microseconds;
};

// Fresh identifiers from the clock digits on, a microsecond apart at
// least, none that a line or another new identifier holds or is held by:
// each checked against the files' sorted lists, then all against each
// other in one sort. Where one clashes with an earlier one (a longer
// width can make one start another), the choice is made again from that
// change on, each checked against the sorted ones before it too.
int choose_ids(const PaperJob &job, const FormatSet &set, ApplyPlan *plan, long *seconds, long *microseconds) {
  TimeDigits *clock = static_cast<TimeDigits *>(sys_io.realloc(nullptr, (plan->count + 1) * sizeof(TimeDigits)));
  IdList earlier{};
  int rc = clock == nullptr ? -1 : 1;
  size_t from = 0;
  while (rc > 0) {
    size_t i = from;
    for (; i < plan->count && rc > 0; ++i) {
      FormatChange &c = plan->changes[i];
      clock[i] = TimeDigits{*seconds, *microseconds};
      if (c.kind == ChangeKind::kRemoved) continue;
      const PaperJob one = job_of(job, set.formats[c.spec]);
      long tries = 0;
      do {
        if (++tries > 0xFFFFF) {
          errno = EEXIST;
          rc = 0;  // unless an earlier choice was wrong
          break;
        }
        c.new_id = make_format_id(one, *seconds, *microseconds);
        next_time_digits(seconds, microseconds);
      } while (taken(*plan, earlier, c.new_id));
    }
    const size_t upto = rc > 0 ? plan->count : i - 1;
    const int saved = errno;
    const long clash = first_clash(*plan, upto);
    if (clash < 0 || static_cast<size_t>(clash) == upto) {
      if (clash >= 0) errno = saved;
      rc = clash < 0 || rc == 0 ? -1 : 0;
      break;
    }
    from = static_cast<size_t>(clash);
    *seconds = clock[from].seconds;
    *microseconds = clock[from].microseconds;
    rc = list_new_ids(*plan, from, &earlier) == 0 ? 1 : -1;
  }
  std::free(clock);
  std::free(earlier.ids);
  return rc;
}

// Identifiers chosen and every copy prepared with all changes, nothing
// asked yet; a copied line holding a chosen identifier starts it over.
int32_t choose_and_prepare(const PaperJob &job, const Steps &steps, const FormatSet &set,
                           ApplyPlan *plan, ApplyFiles *f) {
  struct timeval now {};
  if (sys_io.gettimeofday(&now, nullptr) != 0) return kOpFileFailed;
  long seconds = now.tv_sec, microseconds = now.tv_usec;
  for (int round = 0; round < 16; ++round) {
    IdWatch watch{};
    if (choose_ids(job, set, plan, &seconds, &microseconds) != 0 ||
        list_new_ids(*plan, plan->count, &watch.ids) != 0 || build_files(job, set, *plan, true, f) != 0) {
      std::free(watch.ids.ids);
      return kOpFileFailed;
    }
    const int32_t rc = prepare_files(job, steps, f, &watch);
    std::free(watch.ids.ids);
    if (rc != kOpDone || !watch.seen) return rc;
    abandon_copies(&f->copies);
  }
  errno = EEXIST;
  return kOpFileFailed;
}

int32_t ask_for_changes(const PaperJob &job, const Steps &steps, const FormatSet &set, ApplyPlan *plan) {
  for (size_t i = 0; i < plan->count; ++i) {
    FormatChange &c = plan->changes[i];
    PaperJob one = job;
    if (c.kind == ChangeKind::kRemoved) copy_text(one.label_name, c.name);
    else one = job_of(job, set.formats[c.spec]);
    int32_t rc = ask_companion_to_delete(one, steps);
    if (rc == kOpDone) {
      c.state = ChangeState::kOldGone;
      if (c.kind != ChangeKind::kRemoved) rc = ask_companion_to_add(one, steps, c.new_id);
    }
    if (rc != kOpDone) {
      plan->failed = i;
      return rc;
    }
    c.state = ChangeState::kDone;
  }
  return kOpDone;
}

// A dry run shows each diff at once, its plans being whole, and only of
// a whole run (shown true).
int32_t commit_files(const PaperJob &job, const Steps &steps, ApplyFiles *f, bool shown) {
  FileCopies &c = f->copies;
  if (steps.dry_run == nullptr) return commit_copies(steps, &c);
  int32_t rc = kOpDone;
  for (int i = 0; i < 4 && rc == kOpDone && shown && !steps.dry_run->quiet; ++i) {
    if (c.wanted[i]) rc = show_driver_file(job, kApplyOrder[i], c.plan[i]);
  }
  abandon_copies(&c);
  return rc;
}

void log_changes(const PaperJob &job, const FormatSet &set, const ApplyPlan &plan) {
  for (size_t i = 0; i < plan.count; ++i) {
    const FormatChange &c = plan.changes[i];
    // An added format whose add the companion refused changed nothing.
    if (c.state == ChangeState::kPending || (c.kind == ChangeKind::kAdded && c.state != ChangeState::kDone)) continue;
    if (c.state == ChangeState::kOldGone || c.kind == ChangeKind::kRemoved) {
      log_id_change("removed", job, c.name, c.name_len, c.old_id.text);
      continue;
    }
    const PaperJob one = job_of(job, set.formats[c.spec]);
    const bool replaced = c.kind == ChangeKind::kReplaced;
    log_format_change({replaced ? "replaced" : "added", job.model, job.printer, c.name, c.name_len,
                       c.new_id.text, one.width, one.height, replaced ? c.old_id.text : nullptr,
                       one.asked_width, one.asked_height});
  }
  for (size_t i = 0; i < plan.orphan_count; ++i) {
    const ApplyOrphan &o = plan.orphans[i];
    log_id_change(o.file == kSettingsFile ? "reset setting" : "removed orphan", job, "", 0, o.id.text);
  }
}

// The apply's point of no return, in one place: the companion asked
// change by change, then the copies put in place and the changes logged.
// When the companion fails part-way, the copies are made again with what
// it did, so both sides agree.
int32_t companion_then_commit(const PaperJob &job, const Steps &steps, const FormatSet &set,
                              ApplyPlan *plan, ApplyFiles *f) {
  const int32_t asked = ask_for_changes(job, steps, set, plan);
  const int asked_errno = errno;  // why the companion failed, past the copies made again
  if (asked != kOpDone) {
    abandon_copies(&f->copies);
    if (plan->failed == 0 && plan->changes[0].state == ChangeState::kPending &&
        plan->orphan_count == 0 && plan->followed_count == 0) {
      return asked;
    }
    if (build_files(job, set, *plan, false, f) != 0 || prepare_files(job, steps, f, nullptr) != kOpDone) {
      return kOpFileFailed;
    }
  }
  if (asked == kOpDone && steps.dry_run != nullptr) show_held_calls(steps.dry_run);
  const int32_t rc = commit_files(job, steps, f, asked == kOpDone);
  if (rc == kOpDone && steps.dry_run == nullptr) log_changes(job, set, *plan);
  if (rc == kOpDone) errno = asked_errno;
  return rc == kOpDone ? asked : rc;
}

// What the apply needs before it asks or changes anything: every file it
// rewrites there, and the marker new entries follow. A link it may not
// follow is refused by the copy of the file it rewrites, before anything
// is asked; one it leaves alone is no matter.
int32_t check_apply_targets(const ApplyPlan &plan) {
  bool adds = false, removes = plan.orphan_count != 0 || plan.followed_count != 0;
  for (size_t i = 0; i < plan.count; ++i) {
    adds = adds || plan.changes[i].kind != ChangeKind::kRemoved;
    removes = removes || plan.changes[i].kind != ChangeKind::kAdded;
  }
  const ModelInventory &inv = plan.inv;
  const auto missing = [&](DriverFile f) { return !inv.present[f] && (f != kSettingsFile || removes); };
  const DriverFile *gone = std::find_if(std::begin(kApplyOrder), std::end(kApplyOrder), missing);
  if (gone != std::end(kApplyOrder)) return fail_with(inv.path[*gone], ENOENT);
  return adds && !inv.has_marker ? fail_with(inv.path[kFunctionFile], ENODATA) : kOpDone;
}

}  // namespace

int32_t run_apply(const PaperJob &job, const char *root, const FormatSet &set,
                  ApplyPlan *plan, DryRun *dry_run, AskHook *hook) {
  plan->failed = plan->count;
  if (plan->count == 0 && plan->orphan_count == 0 && plan->followed_count == 0) return kOpDone;
  PaperJob copy = job;
  const Steps steps{root, dry_run};
  ApplyFiles files{};
  int32_t rc = format_job_paths(&copy, root) == 0 ? check_apply_targets(*plan) : kOpFileFailed;
  plan->found = rc == kOpDone;
  if (rc == kOpDone) rc = choose_and_prepare(copy, steps, set, plan, &files);
  if (rc == kOpDone && hook != nullptr && plan->count != 0) rc = hook->before(hook->ctx, nullptr);
  if (rc == kOpDone) rc = companion_then_commit(copy, steps, set, plan, &files);
  for (size_t i = 0; hook != nullptr && rc == kOpFileFailed && i < plan->count; ++i) {
    hook->pending = hook->pending || plan->changes[i].state != ChangeState::kPending;
  }
  free_files(&files);
  return rc;
}

int32_t preview_apply(const PaperJob &job, const char *root, const FormatSet &set,
                      ApplyPlan *plan, bool quiet, void (*shown)(void *ctx), void *ctx) {
  DryRun *dry_run = start_dry_run();
  HeldCalls held{shown, ctx, nullptr, 0, 0};
  dry_run->quiet = quiet;
  dry_run->held = &held;
  const int32_t rc = run_apply(job, root, set, plan, dry_run, nullptr);
  if (rc == kOpDone) show_held_calls(dry_run);  // a run with nothing to change shows its nothing
  (void)end_dry_run(dry_run, job, root, false);
  std::free(held.text);
  return rc;
}
