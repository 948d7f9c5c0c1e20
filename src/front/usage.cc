#include "front/usage.h"

#include <cstdio>
#include <cstring>

namespace {

const char kVersion[] = "v 0.2";
const char kRule[] = "===========================";

struct ExamplePrinter {
  const char *model_text;
  const char *printer;
};

const ExamplePrinter kExamplePrinters[] = {
    {"tv440", "TV-4400ZD"},   {"tvq310", "TV-Q310"},
    {"tvq300", "TV-Q300"},    {"tvq250e", "TVQ250E"},
    {"tvq220nf", "TVQ220nf"}, {"tvq200", "TVQ200"},
};

}  // namespace

const char *example_printer(const char *model) {
  for (const ExamplePrinter &row : kExamplePrinters) {
    if (std::strstr(model, row.model_text) != nullptr) return row.printer;
  }
  return "";
}

void print_usage(PaperJob job) {
  const char *printer = example_printer(job.model);
  std::printf("%s\n", kRule);
  std::printf(" LPRng Paper Size Tool (%s)\n", kVersion);
  std::printf(
      " Usage: zkpapertoollpr_xxxx -P Printer Name [-n add a Lable Format "
      "Name (<=%d bytes) -w Media Width(unit:mm) -h Media "
      "Height(unit:mm)]/[-d delete Lable Format Name]\n",
      static_cast<int>(kLabelNameMax));
  std::printf(
      "%s\n",
      " **Label width is  3.5mm,6mm,9mm,12mm,18mm,24mm,36mm and Height is "
      "between 4mm and 1000mm(HS tape max is 500mm)");
  std::printf("%s\n", " For example:");
  std::printf("%s\n",
              " 1. Add a new Label Format with \"New Label Format\" name and "
              "12mm width and 50mm length:");
  std::printf(
      "\t\"zkpapertoollpr_%s -P %s -n New\\ Label Namw (\"HS\" contain name "
      "means heat srink tube ex.HS12mmx50mm)\\ Format -w 12 -h 50\" "
      "[enter]\n\n",
      job.model, printer);
  std::printf("%s\n",
              " 2. Remove the Label Format with \"New Label Format\" name:");
  std::printf("\t\"zkpapertoollpr_%s -P %s -d New\\ Label\\ Format\" [enter]\n\n",
              job.model, printer);
  std::printf("%s\n", kRule);
}
