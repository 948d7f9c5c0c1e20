// Listing a model's formats and checking its driver files, as text or
// JSON (see model_report.h); the repair is model_repair.cc's.
#include "driverfiles/model/model_report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/text/json_writer.h"
#include "driverfiles/format/label_lines.h"
#include "driverfiles/sys/sys_io.h"

// Output goes to standard output unchecked call by call: a failure stays
// with the stream, and the entry routine checks it once before the exit.
namespace {

void print_line(void *, const Finding &f) { print_finding(f); }

// {"model":..,"<list>":[ of a JSON document.
void open_document(const char *model, const char *list) {
  (void)std::fputs("{\"model\":", stdout);
  write_json_text(model);
  std::printf(",\"%s\":[", list);
}

// The check's JSON document, opened at its first finding or at its end,
// so a reading that fails prints nothing.
struct FindingsDocument {
  const char *model;
  bool opened;
};

void print_json_finding(void *ctx, const Finding &f) {
  FindingsDocument *doc = static_cast<FindingsDocument *>(ctx);
  if (doc->opened) std::putchar(',');
  else open_document(doc->model, "findings");
  doc->opened = true;
  print_finding_json(f);
}

// A format as the listing shows it: the size is what -w and -h take to
// make it again.
struct ListedFormat {
  const FormatEntry *entry;
  int64_t width, height;
  bool paper_missing, imaging_missing;
};

// The -w that gives the entry's media again: its tape's widest request.
int64_t listed_width(const FormatEntry &e) {
  const char *media = e.id.text + kMediaAt;
  for (int tube = 0; tube < 2; ++tube) {
    const TapeTable tapes = tape_table(tube != 0);
    for (size_t i = 0; i < tapes.count && e.parts.media_len != 0; ++i) {
      if (std::strncmp(tapes.rows[i].media_name, media, kMediaLen) == 0) return tapes.rows[i].max_width;
    }
  }
  return e.parts.width;
}

void print_text_format(const PaperJob &job, const ListedFormat &f) {
  const FormatEntry &e = *f.entry;
  print_escaped_name(e.name, e.name_len);
  std::printf("\t%lldx%lld\t", static_cast<long long>(f.width), static_cast<long long>(f.height));
  // An identifier copied by hand may hold any byte: escaped like a name,
  // so the line still splits at its tabs.
  if (e.parts.media_len != 0) print_escaped_name(e.id.text + kMediaAt, e.parts.media_len);
  else (void)std::fputs(is_tape(job) ? "-" : "roll", stdout);
  std::putchar('\t');
  print_escaped_name(e.id.text, std::strlen(e.id.text));
  const bool paper = f.paper_missing, imaging = f.imaging_missing;
  std::printf("\t%s%s%s%s\n", paper || imaging ? "missing=" : "complete", paper ? "paper" : "",
              paper && imaging ? "," : "", imaging ? "imaging" : "");
}

void print_json_format(const ListedFormat &f) {
  const FormatEntry &e = *f.entry;
  (void)std::fputs("{\"name\":", stdout);
  write_json_string(e.name, e.name_len);
  std::printf(",\"width\":%lld,\"height\":%lld,\"media\":", static_cast<long long>(f.width),
              static_cast<long long>(f.height));
  if (e.parts.media_len != 0) write_json_string(e.id.text + kMediaAt, e.parts.media_len);
  else write_json_text(nullptr);
  (void)std::fputs(",\"id\":", stdout);
  write_json_text(e.id.text);
  const bool complete = !f.paper_missing && !f.imaging_missing;
  std::printf(",\"state\":\"%s\",\"missing\":[%s%s%s]}", complete ? "complete" : "incomplete",
              f.paper_missing ? "\"paper\"" : "", f.paper_missing && f.imaging_missing ? "," : "",
              f.imaging_missing ? "\"imaging\"" : "");
}

}  // namespace

void listed_size(bool tape, const FormatEntry &e, const LineValues *paper, const LineValues *imaging,
                 int64_t *width, int64_t *height) {
  const bool dots = paper != nullptr && paper->valid, points = imaging != nullptr && imaging->valid;
  *width = listed_width(e);
  *height = recover_height(tape, e.parts.height, dots, dots ? paper->along : 0, points, points ? imaging->along : 0);
}

int32_t list_formats(const PaperJob &job, const char *root, bool json) {
  ModelInventory inv{};
  if (read_inventory(root, job.model, &inv) != 0) {
    free_inventory(&inv);
    return -1;
  }
  if (json) open_document(job.model, "formats");
  for (size_t i = 0; i < inv.entry_count; ++i) {
    const FormatEntry &e = inv.entries[i];
    const LineValues *paper = inventory_values(inv, kPaperTable, e.id.text);
    const LineValues *imaging = inventory_values(inv, kImagingArea, e.id.text);
    ListedFormat f{&e, 0, 0, paper == nullptr, imaging == nullptr};
    listed_size(is_tape(job), e, paper, imaging, &f.width, &f.height);
    if (json) {
      if (i != 0) std::putchar(',');
      print_json_format(f);
    } else {
      print_text_format(job, f);
    }
  }
  if (json) (void)std::fputs("]}\n", stdout);
  free_inventory(&inv);
  return 0;
}

long find_model_findings(const PaperJob &job, const char *root, FindingSink sink, void *ctx, size_t *formats) {
  char dir[kPathMax];
  struct stat st {};
  *formats = 0;
  if (format_inf_directory(dir, sizeof dir, root, job.model) != 0) return -1;
  if (sys_io.stat(dir, &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) {
      note_failed_driver_file(dir);
      return -1;
    }
    Finding f{};
    f.kind = FindingKind::kNotInstalled;
    f.file = dir;
    sink(ctx, f);
    return 1;
  }
  ModelInventory inv{};
  long found = -1;
  if (read_inventory(root, job.model, &inv) == 0 && read_surroundings(root, job.model, &inv) == 0) {
    found = find_findings(inv, sink, ctx);
    *formats = inv.entry_count;
  }
  free_inventory(&inv);
  return found;
}

long check_formats(const PaperJob &job, const char *root, bool json) {
  FindingsDocument doc{job.model, false};
  size_t formats = 0;
  const long found = find_model_findings(job, root, json ? print_json_finding : print_line, &doc, &formats);
  if (json && found >= 0) {
    if (!doc.opened) open_document(job.model, "findings");
    (void)std::fputs("]}\n", stdout);
  }
  return found;
}
