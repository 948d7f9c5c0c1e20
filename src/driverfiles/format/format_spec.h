// One format of a set as an apply is given it, and the largest set: what
// the intent record keeps of an apply.
#ifndef ZKPT_DRIVERFILES_FORMAT_SPEC_H
#define ZKPT_DRIVERFILES_FORMAT_SPEC_H

#include <cstddef>
#include <cstdint>

#include "front/paper_job.h"

// One format as the set asks for it: what the command line of its add
// request would put into the job record.
struct FormatSpec {
  char label_name[kLabelNameMax + 1];
  char media_name[kLabelNameMax + 1];
  int64_t width, height, pins;
  int64_t asked_width = 0, asked_height = 0;  // as the set gave them
};

// The longest document an apply reads (front/format_set.h): 64 MiB holds
// the listing of 10^5 formats even with every name at 32 escaped bytes.
// So no set holds more than kApplySetMax formats: each takes at least
// {"name":"a","width":1,"height":1} and a comma.
enum : size_t { kApplyDocumentMax = size_t{64} << 20, kApplySetMax = kApplyDocumentMax / 34 };

#endif
