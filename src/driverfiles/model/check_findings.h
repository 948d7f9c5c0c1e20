// The check's findings: every inconsistency of a model's driver files as
// one plain record, found in one place from the inventory (a model not
// installed, before any inventory, by find_model_findings()) and printed by
// one text printer; a machine-readable printer prints the same records,
// and the repair asks the same questions before it acts.
//
// Finding takes time that grows as sorting does: entries are sorted by
// name and by identifier and compared with their neighbours, so of a name
// or identifier held three times each holder is paired with the one
// before it. Memory grows with the entries, as the listing's does.
#ifndef ZKPT_DRIVERFILES_CHECK_FINDINGS_H
#define ZKPT_DRIVERFILES_CHECK_FINDINGS_H

#include <sys/types.h>

#include <cstddef>
#include <cstdio>

#include "driverfiles/text/escaped_name.h"
#include "driverfiles/model/model_files.h"

enum class FindingKind {
  kNotInstalled, kMissing, kNoMarker, kIncomplete, kDuplicateName, kSharedIdentifier,
  kLengthDigits, kOrphan, kStaleSetting, kZeroByte, kNotExecutable, kTemporary, kDamagedEntry,
  kInterruptedAdd, kInterruptedDelete, kDamagedIntent, kInterruptedApply
};

struct Finding {
  FindingKind kind;
  // The driver file or directory, companion tool, temporary copy or
  // intent record it concerns, or null.
  const char *file;
  const char *id;    // or null
  const char *name;  // name_len bytes, or null
  size_t name_len;
  bool repairable;  // whether --repair mends it
  // The other holder of a duplicate name or shared identifier.
  const char *other_id;
  const char *other_name;
  size_t other_name_len;
  off_t number;  // length digits: the name's length; zero byte, damaged entry: the line's offset;
                 // interrupted apply: its count of formats
  const char *printer;  // an interrupted request's
  // A stale setting the open intent record moves on: the name of the
  // format it follows (the apply's replaced one).
  const char *follows;
};

// "not-installed", "missing", ...: the kind as one word.
const char *finding_kind_word(FindingKind kind);

// What --repair does to the finding, as its kind's row says for one it
// mends (repairable) or leaves: "removes the format on both sides",
// "leaves it, mend the line by hand"... (no ";", which a monitoring
// engine would turn into ":"). For a setting that follows a format,
// "moves the selection to the new", which the printers end with the
// format's quoted name: finishing the record moves it before the repair
// looks for stale settings.
const char *finding_repair(const Finding &finding);

// The finding's text line and what the repair does to it ("incomplete: ID
// 'NAME' has no line in PATH (repair: removes the format on both sides)",
// "... (repair: moves the selection to the new 'NAME')").
void print_finding(const Finding &finding, FILE *to = stdout);

// The finding as a JSON object: {"kind","file","id","name","repairable",
// "repair"}, null for what does not apply; an identifier as a name is
// written.
void print_finding_json(const Finding &finding);

// What sets an entry apart from the others, from the sorted neighbours.
struct EntryTies {
  size_t same_name_before;  // an earlier entry of its name, or kNoEntry
  size_t same_id_before;    // an earlier entry of its identifier and another name
  bool name_held_twice;     // another entry, before or after, holds its name
  bool id_held_twice;       // ... or its identifier
};
const size_t kNoEntry = static_cast<size_t>(-1);

// One record per entry of inv (free() it). 0, or -1 with errno.
int find_entry_ties(const ModelInventory &inv, EntryTies **ties);

// True when a longer identifier of an entry begins with id, so lines
// holding id are that entry's too ("ZkL" stands nowhere else in one).
bool in_a_longer_entry_id(const ModelInventory &inv, const char *id);

// True when lines under id may be an entry's, so a repair leaves them: a
// longer identifier holds id, or a damaged entry line's identifier cannot
// be read (it may be id's).
bool may_be_an_entrys(const ModelInventory &inv, const char *id);

// Whether a repair removes this entry: only an incomplete one, not when
// the tree is not whole, nor for a name this tool could not have given (it
// would reach the companion tool cut short, where it might name another
// format), a name or identifier another entry holds too, a name a zero
// byte cuts short, length digits that disagree with the name, or an
// identifier inside a longer one, whose lines are that format's too.
bool entry_mendable(const ModelInventory &inv, const FormatEntry &e, const EntryTies &t);

// True when an entry lacks its line in the paper table or ImagingArea,
// of those that are there (a missing file is a finding of its own).
bool is_incomplete(const ModelInventory &inv, const FormatEntry &e);
// The ith identifier of file `at`'s lines (the first of its kind) when
// no entry carries it: in the paper table or ImagingArea an orphan line,
// in the settings file a stale setting (it selects a missing format,
// whatever other lines the identifier has).
bool is_orphan(const ModelInventory &inv, int at, size_t i);

// A repair acts only on a tree read whole: the four files there and the
// function file holding its marker. Returns the file that keeps it from
// acting, its reason in *why (ENOENT, or ENODATA for the marker); null
// when the tree is whole.
const char *unrepairable_file(const ModelInventory &inv, int *why);

// Hands every finding of inv to sink in the text's order. Returns the
// number found, or -1 with errno.
typedef void (*FindingSink)(void *ctx, const Finding &finding);
long find_findings(const ModelInventory &inv, FindingSink sink, void *ctx);

#endif
