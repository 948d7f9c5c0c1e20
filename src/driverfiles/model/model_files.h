// Reading a model's driver files through the line scan: a request's
// lookups and the inventory that listing, checking and repairing use.
// Only a file that is not there (ENOENT, ENOTDIR) holds nothing; any other
// failure to open or read is -1 with errno, never taken for absence.
#ifndef ZKPT_DRIVERFILES_MODEL_FILES_H
#define ZKPT_DRIVERFILES_MODEL_FILES_H

#include <cstddef>

#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/format/format_id.h"
#include "driverfiles/model/intent_record.h"
#include "driverfiles/lines/line_scan.h"

// Opens a driver file for reading: a descriptor, or -1 with errno, the
// file noted unless *absent tells that it is simply not there.
int open_driver_file(const char *path, bool *absent);

// Looks label_name up in the driver file at path: the first line whose
// first identifier is followed by "/" and the name wins. 1 with the
// identifier, 0 when not found or the file is absent, -1 with errno and
// the file noted (failed_driver_file()).
int find_format_id(const char *path, const char *label_name, FormatId *id);

// The lookup's test of a hit line (scans for a name watch for "/<name>"):
// 1 with *id, 0 when not the name's entry, -1 with errno.
int match_name_in_line(const LineScan &scan, const HitLine &hit, const char *label_name, FormatId *id);

// 1 when a line of the file at path holds text; 0 when none does or the
// file is absent; -1 with errno and the file noted.
int driver_file_holds(const char *path, const char *text);

// An entry line of the function file.
struct FormatEntry {
  FormatId id;
  IdParts parts;
  char name[kHeadMax + 1];  // what follows the "/", up to the line's end
  size_t name_len;           // or its first zero byte, as lookups see it
  size_t seen_len;           // the same, when longer than name holds
  off_t offset;              // where its line starts
  bool zero_byte;            // a zero byte cuts the name short
};

// Entry names in byte order, a shorter name before a longer one it begins.
bool name_before(const FormatEntry &a, const FormatEntry &b);

// The identifiers a file's lines carry: the first of each line that has one.
struct IdList {
  FormatId *ids;
  size_t count, cap;
};

// Whether the sorted list holds id, or id starts one of its identifiers
// (longer: one that goes on past it). Binary searches.
bool holds_id(const IdList &list, const char *id);
bool starts_an_id_in(const IdList &list, const char *id, bool longer);

// The last two numbers of a paper table or ImagingArea line (dots across
// and along; points wide and high), by the line's identifier.
struct LineValues {
  FormatId id;
  bool valid;  // both numbers read, nothing else after them
  double across, along;
};
struct ValueList {
  LineValues *lines;
  size_t count, cap;
};

struct ModelInventory {
  char path[kDriverFileCount][kPathMax];  // indexed by DriverFile
  bool present[kDriverFileCount];
  bool has_marker;  // the function file holds "[CustomTape]"
  FormatEntry *entries;
  size_t entry_count, entry_cap;
  // The entries no zero byte cuts short, by name, then in file order.
  struct Named {
    const FormatEntry *entry;
  } *by_name;
  size_t by_name_count;
  IdList ids[kDriverFileCount];  // sorted; the function file's are its entries'
  ValueList values[kDriverFileCount];  // sorted; only the paper table's and ImagingArea's
  // Function file lines a zero byte cut short of being an entry.
  off_t *zero_lines;
  size_t zero_count, zero_cap;
  // Function file lines "ZkL.../name" whose identifier is not whole (the
  // text before the "/" as id).
  FormatEntry *damaged;
  size_t damaged_count, damaged_cap;
  // Beside the files (read_surroundings()): the companion tool's state (0,
  // ENOENT or EACCES), the temporary copies "<file>.$$$" a run left.
  char companion_path[kPathMax];
  int companion;
  char temporary[kDriverFileCount][kPathMax];  // the copy's path, or ""
  // The intent record (intent_record.h): state, path, content when open.
  int intent_state;
  char intent_path[kPathMax];
  Intent intent;
};

// Reads the model's four files. Returns 0, or -1 with errno (a file that
// cannot be read, or no memory); free_inventory() in either case.
int read_inventory(const char *root, const char *model, ModelInventory *inv);
void free_inventory(ModelInventory *inv);

// Adds to inv what stands beside the files, the intent record among them:
// 0, or -1 with errno and the path noted.
int read_surroundings(const char *root, const char *model, ModelInventory *inv);

// Reads only the entries (and the marker) of the function file at path
// into inv: 0, or -1 with errno; free_inventory() in either case.
int read_entries(const char *function_file, ModelInventory *inv);

// True when the file `at` (a DriverFile) has a line under identifier id.
bool inventory_holds(const ModelInventory &inv, int at, const char *id);

// The numbers of a line under id in the paper table or ImagingArea (at),
// or null when the file has none.
const LineValues *inventory_values(const ModelInventory &inv, int at, const char *id);

#endif
