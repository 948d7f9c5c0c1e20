// The check's output for monitoring (see monitoring.h).
#include "front/monitoring.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/model/model_report.h"
#include "driverfiles/lines/plan_apply.h"
#include "front/dispatch.h"
#include "front/failure_report.h"
#include "front/operations.h"

namespace {

const char kService[] = "ZKPAPERTOOLLPR";
const long kShownMax = 20;  // findings shown as long output

// The check's numbers and the findings' lines, rendered as they come in
// (the records do not outlive the reading).
struct Tally {
  size_t formats;
  bool not_installed;
  long intents;  // records of interrupted requests, damaged or not
  long seen;
  FILE *lines;  // the first kShownMax findings' lines
};

void note_finding(void *ctx, const Finding &f) {
  Tally &t = *static_cast<Tally *>(ctx);
  if (f.kind == FindingKind::kNotInstalled) t.not_installed = true;
  if (f.kind == FindingKind::kInterruptedAdd || f.kind == FindingKind::kInterruptedDelete ||
      f.kind == FindingKind::kInterruptedApply || f.kind == FindingKind::kDamagedIntent) {
    ++t.intents;
  }
  if (t.seen++ < kShownMax) print_finding(f, t.lines);
}

// Text the engine shows: a "|" would start performance data and the
// engine turns a ";" into ":", so both are written as a name's other bytes
// are escaped, "\x7C" and "\x3B".
void put_text(FILE *to, const char *text, size_t len) {
  for (size_t i = 0; i < len; ++i) {
    if (text[i] == '|' || text[i] == ';') (void)std::fprintf(to, "\\x%02X", text[i]);
    else (void)std::fputc(text[i], to);
  }
}

void put_status(FILE *to, const char *state, const char *model, const char *text) {
  (void)std::fprintf(to, "%s %s - %s: ", kService, state, model);
  put_text(to, text, std::strlen(text));
}

// The result's lines; returns the plugin's status.
int put_result(FILE *to, const PaperJob &job, const char *root, const Tally &t, long found, const char *lines,
               size_t len) {
  if (found < 0) {
    const bool busy = errno == EWOULDBLOCK;
    const char *path = failed_driver_file(), *reason = failure_reason(kOpFileFailed);
    put_status(to, busy ? "UNKNOWN" : "CRITICAL", job.model, path);
    if (*path != '\0') (void)std::fputs(": ", to);
    put_text(to, reason, std::strlen(reason));
    (void)std::fputc('\n', to);
    return busy ? kMonitorUnknown : kMonitorCritical;
  }
  if (t.not_installed) {
    char dir[kPathMax] = "";
    (void)format_inf_directory(dir, sizeof dir, root, job.model);
    put_status(to, "CRITICAL", job.model, dir);
    (void)std::fputs(": not installed\n", to);
    return kMonitorCritical;
  }
  if (found > 0) {
    // The count and the first finding; then every finding shown, one a line.
    const char *end = static_cast<const char *>(std::memchr(lines, '\n', len));
    (void)std::fprintf(to, "%s WARNING - %s: %ld finding%s, the first: ", kService, job.model, found,
                       found == 1 ? "" : "s");
    put_text(to, lines, end != nullptr ? static_cast<size_t>(end - lines) : len);
    (void)std::fprintf(to, " | formats=%zu;;;0 findings=%ld;0;;0 intents=%ld;;;0\n", t.formats, found, t.intents);
    put_text(to, lines, len);
    if (found > kShownMax) (void)std::fprintf(to, "and %ld more (--check shows them all)\n", found - kShownMax);
    return kMonitorWarning;
  }
  (void)std::fprintf(to, "%s OK - %s: formats %zu, findings 0 | formats=%zu;;;0 findings=0;0;;0 intents=0;;;0\n",
                     kService, job.model, t.formats, t.formats);
  return kMonitorOk;
}

// The plugin's whole output, put(out) returning its status, leaves in one
// write at the end, so output that cannot be written is UNKNOWN as the
// plugin's status, never 255.
template <typename Put>
int emit(Put put) {
  char *text = nullptr;
  size_t len = 0;
  FILE *out = open_memstream(&text, &len);
  if (out == nullptr) return kMonitorUnknown;
  const int status = put(out);
  const bool written = std::fclose(out) == 0 && write_all(1, text, len) == 0;
  if (!written) (void)report_output_failure(errno);
  std::free(text);
  return written ? status : kMonitorUnknown;
}

}  // namespace

int run_check_monitoring(const PaperJob &job, const char *root) {
  char *lines = nullptr;
  size_t len = 0;
  Tally t{0, false, 0, 0, open_memstream(&lines, &len)};
  if (t.lines == nullptr) return kMonitorUnknown;
  long found = -1;
  const auto check = [&] { return find_model_findings(job, root, note_finding, &t, &t.formats); };
  (void)under_driver_lock(job, root, false, check, &found);
  int why = errno;
  // Closing the lines' stream fails only when their memory ran out.
  if (std::fclose(t.lines) != 0 && found > 0) found = -1, why = errno;
  const int status = emit([&](FILE *out) {
    errno = why;
    return put_result(out, job, root, t, found, lines, len);
  });
  std::free(lines);
  return status;
}

int monitoring_usage() {
  return emit([](FILE *out) {
    (void)std::fprintf(out, "%s UNKNOWN - usage: ", kService);
    put_text(out, program_name(), std::strlen(program_name()));
    (void)std::fputs(" --check --monitoring\n", out);
    return kMonitorUnknown;
  });
}
