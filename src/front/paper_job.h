// The job record, the four driver files it names, the model table and the
// tape tables.
//
// One PaperJob lives in the entry routine for the whole run. It starts
// zero-filled, select_model() stores the printer model found in the program
// name, parse_options() fills in the rest. The usage printer and the
// driver-file operations receive copies (a request formats its copy's
// paths once, format_job_paths()), so nothing they do reaches the
// caller's record.
#ifndef ZKPT_FRONT_PAPER_JOB_H
#define ZKPT_FRONT_PAPER_JOB_H

#include <cstddef>
#include <cstdint>
#include <cstring>

enum : int {
  kPathMax = 1024,       // path, command and line buffers, terminator included
  kPrinterMax = 1024,    // longest printer name, in bytes
  kLabelNameMax = 32,    // longest label format name, in bytes
};

// The four driver files of a model (driverfiles/sys/driver_paths.h says where
// each lives); a DriverFile indexes every per-file array, and kDriverFiles
// lists them in that order.
enum DriverFile : int {
  kFunctionFile,  // <root>/<model>/bin/inf/zk<model>func
  kPaperTable,    // <root>/<model>/bin/inf/paperinf<model>
  kSettingsFile,  // <root>/<model>/bin/inf/zk<model>rc
  kImagingArea,   // <root>/<model>/bin/inf/ImagingArea
};
enum : int { kDriverFileCount = 4 };
const DriverFile kDriverFiles[kDriverFileCount] = {kFunctionFile, kPaperTable, kSettingsFile,
                                                   kImagingArea};

struct PaperJob {
  int32_t kind;                        // 0..2 roll models, 3 tape models
  char model[kPathMax];                // model id, e.g. "tv4400zd"
  char printer[kPrinterMax + 1];
  char label_name[kLabelNameMax + 1];
  char media_name[kLabelNameMax + 1];  // ten characters, or empty
  int64_t width;                       // millimetres
  int64_t height;                      // millimetres
  int64_t pins;                        // printable width in 180-dpi dots
  // Under the driver root, "" until format_job_paths(): each driver file
  // (by DriverFile) and the companion tool.
  char driver_path[kDriverFileCount][kPathMax];
  char companion_path[kPathMax];
  // As -w and -h gave them, before a tape's rules; 0 until given.
  int64_t asked_width = 0, asked_height = 0;
};

// Roll models behave alike whatever their kind number; tapes are kind 3.
inline bool is_tape(const PaperJob &job) { return job.kind > 2; }

// Copies text into a record field, cut to the field's size. Every text is
// length-checked where it enters the program, so nothing is cut in fact.
template <size_t N>
void copy_text(char (&to)[N], const char *from) {
  const size_t len = strnlen(from, N - 1);
  std::memcpy(to, from, len);
  to[len] = '\0';
}

// A row of the model table, which the build makes from models.tsv.
struct ModelRow {
  const char *search;   // looked for anywhere in the program name
  const char *model;    // id used for paths, the companion tool and usage
  int32_t kind;
  const char *printer;  // print queue of the usage example, or ""
};

// The tapes a tape model's width is turned into, narrowest first: the
// standard ones and the heat-shrink tubes.
struct TapeRow {
  int64_t max_width;        // widest request this tape serves, mm
  int64_t printable_width;  // mm
  int64_t pins;             // 180-dpi dots
  const char *media_name;   // always ten characters
};

extern const TapeRow kStandardTape[6];
extern const TapeRow kHeatShrinkTube[5];

// One of the two tape tables with its length.
struct TapeTable {
  const TapeRow *rows;
  size_t count;
};
inline TapeTable tape_table(bool tube) {
  if (tube) return {kHeatShrinkTube, sizeof kHeatShrinkTube / sizeof *kHeatShrinkTube};
  return {kStandardTape, sizeof kStandardTape / sizeof *kStandardTape};
}

// Finds the first row whose search text occurs in program_name and stores
// its id and kind in the job. Returns false, leaving the job alone, when no
// row matches.
bool select_model(const char *program_name, PaperJob *job);

// The row whose id is model, or nullptr.
const ModelRow *find_model(const char *model);

#endif
