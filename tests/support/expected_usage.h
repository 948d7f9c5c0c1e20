// The usage text as the driver documents it, with the model id and the
// example printer name filled in.
#ifndef ZKPT_TESTS_SUPPORT_EXPECTED_USAGE_H
#define ZKPT_TESTS_SUPPORT_EXPECTED_USAGE_H

#include <string>

inline std::string expected_usage(const std::string &model,
                                  const std::string &printer) {
  return "===========================\n"
         " LPRng Paper Size Tool (v 0.2)\n"
         " Usage: zkpapertoollpr_xxxx -P Printer Name [-n add a Lable Format "
         "Name (<=32 bytes) -w Media Width(unit:mm) -h Media Height(unit:mm)]"
         "/[-d delete Lable Format Name]\n"
         " **Label width is  3.5mm,6mm,9mm,12mm,18mm,24mm,36mm and Height is "
         "between 4mm and 1000mm(HS tape max is 500mm)\n"
         " For example:\n"
         " 1. Add a new Label Format with \"New Label Format\" name and 12mm "
         "width and 50mm length:\n"
         "\t\"zkpapertoollpr_" + model + " -P " + printer +
         " -n New\\ Label Namw (\"HS\" contain name means heat srink tube "
         "ex.HS12mmx50mm)\\ Format -w 12 -h 50\" [enter]\n"
         "\n"
         " 2. Remove the Label Format with \"New Label Format\" name:\n"
         "\t\"zkpapertoollpr_" + model + " -P " + printer +
         " -d New\\ Label\\ Format\" [enter]\n"
         "\n"
         "===========================\n";
}

#endif
