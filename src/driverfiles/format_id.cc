#include "driverfiles/format_id.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "driverfiles/text_format.h"

FormatId make_format_id(const PaperJob &job, long seconds, long microseconds) {
  // At most 3 + 32 + 2 + 8 + 3 + 1 + 4 characters: always fits.
  const std::string text = format_text(
      "%s%s%02X%02X%03X%01X%04X", "ZkL", job.media_name,
      static_cast<unsigned>(std::strlen(job.label_name)),
      static_cast<unsigned>(static_cast<uint32_t>(job.width)),
      static_cast<unsigned>(job.height & 0xFFF),
      static_cast<unsigned>(seconds & 0xF),
      static_cast<unsigned>(microseconds & 0xFFFF));
  FormatId id{};
  copy_text(id.text, text.c_str());
  return id;
}
