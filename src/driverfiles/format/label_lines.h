// The three driver lines that describe an added label format, and the
// unit conversions behind them.
//
// The paper table holds print-head dots (180 per inch on tape models, 300
// on roll models, roll margins of 3 mm across and 6 mm along taken off
// first); the imaging-area file holds points (72 per inch). The driver
// reckons an inch as 25.43859649 mm; every conversion divides first and
// multiplies second, and dots are truncated toward zero.
#ifndef ZKPT_DRIVERFILES_LABEL_LINES_H
#define ZKPT_DRIVERFILES_LABEL_LINES_H

#include <cstddef>
#include <cstdint>

#include "driverfiles/format/format_id.h"
#include "front/paper_job.h"

struct PaperDots {
  int64_t across;
  int64_t along;
};

PaperDots paper_dots(const PaperJob &job);

// True when every number an add writes for job's size is the number
// itself (the companion's -w and -h, the width digits, the paper table's
// 32-bit signed dots, the points). The dots are the narrowest: a roll
// width up to 182096569 mm, a height up to 182096572 mm; tape sizes always
// fit. Below the roll margins the dots are negative, as the driver's are.
bool size_written_exactly(const PaperJob &job);

// The three lines, each formatted into a buffer of cap bytes (kLineMax
// always suffices: identifier, name and numbers are bounded).
enum : size_t { kLineMax = 512 };  // longest line this tool writes

// "<id>/<label name>\n", inserted after each "[CustomTape]" line.
void entry_line(const FormatId &id, const PaperJob &job, char *out, size_t cap);

// "<id>/<label name>:\t<across>\t<along>\n", appended to the paper table.
void paper_line(const FormatId &id, const PaperJob &job, char *out, size_t cap);

// "<id>:\t0.00\t0.00\t<width pt>\t<height pt>\n", appended to ImagingArea.
void imaging_line(const FormatId &id, const PaperJob &job, char *out, size_t cap);

// The height an add was asked for (-h): the one with the identifier's low
// 12 bits nearest the paper table's dots along (else ImagingArea's points
// high; neither known: the bits).
int64_t recover_height(bool tape, long low_bits, bool along_known, double along, bool points_known, double points);

// The low 32 bits of a number, as the driver's files and tools print it.
int32_t low_32_bits(int64_t value);

#endif
