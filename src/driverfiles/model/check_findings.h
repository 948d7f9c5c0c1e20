// The check's findings: every inconsistency of a model's driver files as
// a plain record, found from the inventory in one place and printed as
// text or JSON; the repair asks the same questions before it acts. Entries
// are sorted by name and by identifier and compared with their neighbours
// (n log n; of a name held three times each holder is paired with the one
// before it).
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
  const char *file;  // the file or directory it concerns, or null
  const char *id;    // or null
  const char *name;  // name_len bytes, or null
  size_t name_len;
  bool repairable;  // whether --repair mends it
  // The other holder of a duplicate name or shared identifier.
  const char *other_id;
  const char *other_name;
  size_t other_name_len;
  off_t number;  // the name's length, the line's offset, or an apply's count
  const char *printer;  // an interrupted request's
  const char *follows;  // a stale setting the open record moves on: its format's name (an apply's replaced one)
};

// The finding's text line and what the repair does to it ("incomplete: ID
// 'NAME' has no line in PATH (repair: removes the format on both sides)",
// "... (repair: moves the selection to the new 'NAME')").
void print_finding(const Finding &finding, FILE *to = stdout);

// The finding as a JSON object {"kind","file","id","name","repairable",
// "repair"}, null for what does not apply.
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

// True when lines under id may be an entry's, so a repair leaves them: a
// longer identifier holds id, or a damaged entry line's identifier cannot
// be read (it may be id's).
bool may_be_an_entrys(const ModelInventory &inv, const char *id);

// Whether a repair removes this entry: an incomplete one in a whole tree,
// unless its name is one this tool could not have given (the companion
// would get it cut short), is held twice or cut by a zero byte, disagrees
// with its length digits, or its identifier is held twice or stands in a
// longer one.
bool entry_mendable(const ModelInventory &inv, const FormatEntry &e, const EntryTies &t);

// The ith identifier of file `at` (the first of its kind) when no entry
// carries it: an orphan line, or in the settings file a stale setting.
bool is_orphan(const ModelInventory &inv, int at, size_t i);

// A repair acts only on a whole tree: the four files there, the function
// file holding its marker. The file that is not, with *why ENOENT (or
// ENODATA for the marker); null when whole.
const char *unrepairable_file(const ModelInventory &inv, int *why);

// Hands every finding of inv to sink in the text's order: the number
// found, or -1 with errno.
typedef void (*FindingSink)(void *ctx, const Finding &finding);
long find_findings(const ModelInventory &inv, FindingSink sink, void *ctx);

#endif
