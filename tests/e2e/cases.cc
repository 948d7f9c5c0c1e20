// The end-to-end cases, one row per behaviour. Expected bytes follow the documented formats: identifier "ZkL" + media
// name (ten characters, or none) + hex name length (2 digits) + hex width (2 or more) + hex height (3) + five digits
// that vary; entry "<id>/<name>"; paper table "<id>/<name>:\t<dots across>\t<dots along>" (tape: pins, and the height
// at 180 dpi; roll: width - 3 and height - 6 mm at 300 dpi; an inch is 25.43859649 mm; dots truncated); imaging area
// "<id>:\t0.00\t0.00\t<pins in points>\t<height in points>".
#include "e2e/cases.h"

#include <array>
#include <cstdio>
#include <map>

namespace {

const DriverFiles kBare = {"[CustomTape]\n", "", "", ""};

std::string usage(const std::string &model, const std::string &printer) {
  const std::string run = "\t\"zkpapertoollpr_" + model + " -P " + printer;
  return "===========================\n LPRng Paper Size Tool (v 0.2)\n"
         " Usage: zkpapertoollpr_xxxx -P Printer Name [-n add a Lable Format Name (<=32 bytes)"
         " -w Media Width(unit:mm) -h Media Height(unit:mm)]/[-d delete Lable Format Name]\n"
         " **Label width is  3.5mm,6mm,9mm,12mm,18mm,24mm,36mm and Height is between 4mm and"
         " 1000mm(HS tape max is 500mm)\n For example:\n"
         " 1. Add a new Label Format with \"New Label Format\" name and 12mm width and 50mm length:\n" +
         run + " -n New\\ Label Namw (\"HS\" contain name means heat srink tube ex.HS12mmx50mm)\\"
         " Format -w 12 -h 50\" [enter]\n\n 2. Remove the Label Format with \"New Label Format\" name:\n" +
         run + " -d New\\ Label\\ Format\" [enter]\n\n===========================\n";
}

// An add run as --ensure, which ends with its word.
Case ensured(Case c, const std::string &word) { return c.args.insert(c.args.begin(), "--ensure"), c.out += word, c; }

// --help's part after the usage text.
const std::string kAdminHelp = R"( Administrator commands (only as the first word after the program name):
  --list [--json]           the model's formats: name, size as -w and -h take it,
                            media, identifier, state
  --check [--json]          what the driver files disagree on; exit 1 if anything
  --check --monitoring      the same as a monitoring plugin's status line
  --repair -P PRINTER       mend what interrupted adds and deletes left
  --ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT
                            add unless that format is there as asked; prints
                            unchanged, added or replaced
  --apply FILE -P PRINTER [--keep-others] [--json]
                            make the formats exactly those FILE lists (the JSON
                            of --list --json; - reads standard input), others
                            removed unless kept; prints each change
  --dry-run REQUEST         the companion calls and a diff of each file; nothing
                            changes (REQUEST: -d, an add, --ensure, --repair
                            or --apply)
  --help, --version
)";

std::string repair_of(const std::string &kind, bool repairable) {
  const std::map<std::string, std::string> mends = {{"incomplete", "removes the format on both sides"},
      {"orphan", "removes its lines"}, {"stale-setting", "resets the setting to the default paper"},
      {"temporary", "removes it"}, {"interrupted-add", "finishes the add"},
      {"interrupted-delete", "finishes the delete"}, {"interrupted-apply", "finishes the apply"}};
  const std::map<std::string, std::string> leaves = {{"not-installed", "leaves it, install the model's driver"},
      {"missing", "leaves it, restore it by hand, and without a driver file mends nothing"},
      {"no-marker", "leaves it, restore the [CustomTape] line by hand, and without it mends nothing"},
      {"duplicate-name", "leaves both, mend them by hand"}, {"shared-identifier", "leaves both, mend them by hand"},
      {"length-digits", "leaves it, mend the line by hand"}, {"damaged-entry", "leaves it, mend the line by hand"},
      {"zero-byte", "leaves it, mend the line by hand"}, {"incomplete", "leaves it, mend it by hand"},
      {"orphan", "leaves it, remove it by hand"}, {"stale-setting", "leaves it, reset it by hand"},
      {"not-executable", "leaves it, make it executable by hand"},
      {"damaged-intent", "leaves it and mends nothing, remove it by hand once both sides are checked"}};
  return (repairable ? mends : leaves).at(kind);
}

Case with(Case c, const std::vector<std::string> &setup) { return c.setup = setup, c; }

// An add on a tree without formats: the companion is asked to delete the name, then to add it as w by h under an
// identifier starting with id (none: a 12 mm tape's); the paper table line carries dots, the imaging-area line points.
Case adding(const std::string &what, const std::string &program, const Args &args, const std::string &w,
            const std::string &h, const std::string &id, const std::string &dots, const std::string &points) {
  std::string printer, name;
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    if (args[i][1] == 'P') printer = args[i + 1];
    if (args[i][1] == 'n') name = args[i + 1];
  }
  const std::string full = id.empty() ? tape(name).id : id + "?????";
  return {what, program, args, kBare, "", 0, holding({{name, full, dots, points}}),
          {deleting(name, printer), adding_call(name, full, h, w, printer)}};
}

// The same for a 12 by 50 mm tape on tvq310: 10 mm printed, 70 pins.
Case adding12(const std::string &what, const Args &args) {
  return adding(what, "tvq310", args, "10", "50", "", "70\t353", "28.00\t141.52");
}

// The same for "-P q -n name -w width -h height".
Case add(const std::string &what, const std::string &program, const std::string &name, const std::string &width,
         const std::string &height, const std::string &w, const std::string &h, const std::string &id,
         const std::string &dots, const std::string &points) {
  return adding(what, program, {"-P", "q", "-n", name, "-w", width, "-h", height}, w, h, id, dots, points);
}

}  // namespace

std::string checked(const std::string &text, const std::string &kind, bool repairable) {
  return text + " (repair: " + repair_of(kind, repairable) + ")\n";
}

std::string document(const std::string &findings) { return "{\"model\":\"tvq310\",\"findings\":[" + findings + "]}\n"; }

std::string finding(const std::string &kind, const std::string &file, const std::string &id,
                    const std::string &name, bool repairable) {
  const auto q = [](const std::string &text) { return text == "null" ? text : "\"" + text + "\""; };
  return "{\"kind\":\"" + kind + "\",\"file\":" + q(file) + ",\"id\":" + q(id) + ",\"name\":" + q(name) +
         ",\"repairable\":" + (repairable ? "true" : "false") + ",\"repair\":\"" + repair_of(kind, repairable) + "\"}";
}

Args deleting(const std::string &name, const std::string &printer) { return {"-P", printer, "-d", name, "-show", "1"}; }

DriverFiles holding(const std::vector<Tape> &formats, const std::string &settings, std::vector<Tape> lines) {
  DriverFiles f{"[CustomTape]\n", "", settings, ""};
  for (const Tape &t : formats) f.function_file += t.id + "/" + t.name + "\n";
  for (const Tape &t : lines.empty() ? formats : lines) {
    f.paper_table += t.id + "/" + t.name + ":\t" + t.dots + "\n";
    f.imaging_area += t.id + ":\t" + t.origin + t.points + "\n";
  }
  return f;
}

Tape tape(const std::string &name, const std::string &digits) {
  char length[3];
  std::snprintf(length, sizeof length, "%02X", static_cast<unsigned>(name.size()));
  return {name, "ZkL_zkS12mm__" + std::string(length) + "0A032" + digits};
}

std::vector<Case> end_to_end_cases() {
  const std::string old = "ZkL_zkS12mm__040A03271A2B", other = "ZkL_zkS12mm__040A03271A2C";  // "Test", 10 x 50 mm
  const std::string wrong = "ZkL_zkS12mm__050A03271A2B";  // "Test" with length digits of 5
  const std::string holder = "ZkL_zkS12mm__1A0A03271A2D/x" + old;  // a format named after Test's identifier
  const std::string decoy = "See/Test" + std::string(3 << 20, 'y') + "\n";
  const std::string lower = "ZkL_zkS12mm__0a0A03271a2b";  // hex digits as %X also reads them
  const std::string a = tape("A").id, added = tape("Test").id, a3 = tape("A b").id;  // "Test" again; all 10 x 50 mm
  const DriverFiles tape = {"[Function]\n[CustomTape]\n" + old + "/Test\nCut=1\n",
                            old + "/Test:\t70\t353\nA4:\t1\t2\n", "Media=" + old + "\nDarkness=3",
                            old + ":\t0.00\t0.00\t28.00\t141.52\nA4:\t0.00\t0.00\t1.00\t2.00\n"};
  // Lines naming a format without a whole identifier, which no lookup takes.
  const DriverFiles decoys = {tape.function_file + "See/Nope\nZkLabel\n", tape.paper_table + "ZkLabel:\t1\t2\n",
                              tape.settings_file, tape.imaging_area};
  const DriverFiles tape_without = {"[Function]\n[CustomTape]\nCut=1\n", "A4:\t1\t2\n",
                                    "Media=zkS12mm\nDarkness=3", "A4:\t0.00\t0.00\t1.00\t2.00\n"};
  const std::string roll = "ZkL043E0641A2B3";  // "Roll", 62 x 100 mm
  const Args add_test = {"-P", "q", "-n", "Test", "-w", "12", "-h", "50"}, del_test = {"-P", "q", "-d", "Test"};
  const Args repair = {"--repair", "-P", "q"}, check = {"--check"}, check_json = {"--check", "--json"};
  const Args ensure_test = {"--ensure", "-P", "q", "-n", "Test", "-w", "12", "-h", "50"}, list = {"--list"};
  const Args add_a = {"-P", "q", "-n", "A", "-w", "12", "-h", "50"}, add_test_call = adding_call("Test", added);
  // A model whose files disagree in every way the check knows, and the same after a repair. id(c): a format's
  // identifier, told apart by c; with_id(name, c): the format of name under it, its other lines short.
  const auto id = [](char c) { return "ZkL_zkS12mm__030A0321000" + std::string(1, c); };
  const std::string shown_add = kRun + "-d 'A b' -show 1\n" + kRun + "-n 'A b' -w 10 -h 50 -specid " + a3 + " -show 1\n" +
      diff("zktvq310func", "-1 +1,2") + " [CustomTape]\n+" + a3 + "/A b\n" + diff("paperinftvq310", "-0,0 +1") + "+" +
      a3 + "/A b:\t70\t353\n" + diff("ImagingArea", "-0,0 +1") + "+" + a3 + ":\t0.00\t0.00\t28.00\t141.52\n";
  const std::string n32(32, 'N'), id32 = "ZkL_zkS12mm__200A0321000F", tool = kMe + kTool + ": ";
  const auto with_id = [&](const std::string &name, char c) { return Tape{name, id(c), "1\t2", "1", ""}; };
  const Tape dup_b = with_id("Dup", 'B'), dup_c = with_id("Dup", 'C'), one = with_id("One", 'D');
  const Tape two = with_id("Two", 'D'), misfit = with_id("Wrong", 'E');
  const DriverFiles mended = holding({dup_b, dup_c, one, two, misfit}, "Media=zkS12mm\n", {dup_b, dup_c, one, misfit});
  const DriverFiles messy = {mended.function_file + id('F') + "/Hal\n", mended.paper_table + id('F') + "/Hal:\t1\t2\n" +
                             id('0') + "/Gone:\t1\t2\n", "Media=" + id('1') + "\n", mended.imaging_area};
  const std::string repaired = "removed incomplete: " + id('F') + " 'Hal'\nremoved orphan: " + id('0') + " from " +
                               kInf + "paperinftvq310\nreset setting: " + kInf + "zktvq310rc from " + id('1') + "\n";
  const auto at = [&](const std::string &file, const std::string &why) { return kMe + kInf + file + ": " + why + "\n"; };
  const std::string ties = checked("duplicate name: 'Dup' on " + id('B') + " and " + id('C'), "duplicate-name") +
                           checked("shared identifier: " + id('D') + " on 'One' and 'Two'", "shared-identifier") +
                           checked("length digits: " + id('E') + " 'Wrong' is 5 bytes long", "length-digits");
  // A run of tvq310 on tape.
  const auto on_tape = [&](const std::string &what, const Args &args, const std::string &out, int status,
                           const std::optional<DriverFiles> &after = kSame, const std::vector<Args> &calls = {},
                           const std::vector<std::string> &setup = {}, const std::string &err = "") {
    return Case{what, "tvq310", args, tape, out, status, after, calls, setup, err};
  };
  // A zero byte in a name (the entry's name ends there), and one in an identifier.
  const DriverFiles zeroed = {"[CustomTape]\n" + old + "/Te" + std::string(1, '\0') + "st\n" + "ZkL_zkS12mm__040A03" +
                              std::string(1, '\0') + "271A2C/Cut\n", tape.paper_table, "", tape.imaging_area};
  // Test with other dots; added again after the A4 lines, the settings' selection media.
  const DriverFiles dots352 = {tape.function_file, old + "/Test:\t70\t352\nA4:\t1\t2\n", tape.settings_file,
                               tape.imaging_area};
  const auto readded = [&](const std::string &media) {
    return DriverFiles{"[Function]\n[CustomTape]\n" + added + "/Test\nCut=1\n", "A4:\t1\t2\n" + added + "/Test:\t70\t353\n",
                       "Media=" + media + "\nDarkness=3", "A4:\t0.00\t0.00\t1.00\t2.00\n" + added + ":\t0.00\t0.00\t28.00\t141.52\n"};
  };
  const DriverFiles unshared = {"[CustomTape]\n" + added + "/Test\n", "A4:\t1\t2\n" + added + "/Test:\t70\t353\n", "",
                                "A4:\t0.00\t0.00\t1.00\t2.00\n" + added + ":\t0.00\t0.00\t28.00\t141.52\n"};
  std::vector<Case> rows = {
      // The program name picks the model, its usage text and example printer.
      {"invalid_name_whatever_follows", "tvq250", del_test, tape, "./zkpapertoollpr_tvq250 is invalid.\n\n", 0},

      // Tape: width to tape, pins and media; height 4 to 1000 mm.
      add("tape_5mm", "tvq310", "A", "5", "3", "2", "4", "ZkL_zkS3.5mm_0102004", "24\t28", "9.60\t11.32"),
      add("tape_6mm", "tvq300", "A", "6", "4", "4", "4", "ZkL_zkS6mm___0104004", "32\t28", "12.80\t11.32"),
      add("tape_7mm", "tvq250e", "A", "7", "50", "7", "50", "ZkL0107032", "50\t353", "20.00\t141.52"),
      add("tape_9mm", "tvq220nf", "A", "9", "1000", "7", "1000", "ZkL_zkS9mm___01073E8", "50\t7075", "20.00\t2830.34"),
      add("tape_10mm_no_media", "tvq200", "A", "10", "50", "10", "50", "ZkL010A032", "70\t353", "28.00\t141.52"),
      add("tape_12mm_odd_height_long_name", "tv4400", "Twelve bytes", "12", "51", "10", "51",
          "ZkL_zkS12mm__0C0A033", "70\t360", "28.00\t144.35"),
      add("tape_13mm", "tvq310", "A", "13", "1001", "13", "1000", "ZkL010D3E8", "112\t7075", "44.80\t2830.34"),
      add("tape_18mm", "tvq310", "A", "18", "50", "16", "50", "ZkL_zkS18mm__0110032", "112\t353", "44.80\t141.52"),
      add("tape_19mm", "tvq310", "A", "19", "50", "19", "50", "ZkL0113032", "128\t353", "51.20\t141.52"),
      add("tape_24mm", "tvq310", "A", "24", "50", "22", "50", "ZkL_zkS24mm__0116032", "128\t353", "51.20\t141.52"),
      // Heat-shrink tube ("HS" or "hs" in the name): its own widths, at most 500 mm.
      add("tube_6mm", "tvq310", "HS", "6", "3", "4", "4", "ZkL_zkHS6mm__0204004", "28\t28", "11.20\t11.32"),
      add("tube_7mm", "tvq310", "tube hs", "7", "501", "7", "500", "ZkL07071F4", "48\t3537", "19.20\t1415.17"),
      add("tube_9mm", "tvq310", "HS", "9", "500", "7", "500", "ZkL_zkHS9mm__02071F4", "48\t3537", "19.20\t1415.17"),
      add("tube_12mm", "tvq310", "HS", "12", "50", "9", "50", "ZkL_zkHS12mm_0209032", "66\t353", "26.40\t141.52"),
      add("tube_13mm", "tvq310", "HS", "13", "50", "13", "50", "ZkL020D032", "106\t353", "42.40\t141.52"),
      add("tube_18mm", "tvq310", "HS", "18", "50", "15", "50", "ZkL_zkHS18mm_020F032", "106\t353", "42.40\t141.52"),
      add("tube_24mm", "tvq310", "HS", "24", "1000", "18", "500", "ZkL_zkHS24mm_02121F4", "128\t3537",
          "51.20\t1415.17"),
      add("mixed_case_hs_is_tape", "tvq310", "Hs", "24", "800", "22", "800", "ZkL_zkS24mm__0216320",
          "128\t5660", "51.20\t2264.28"),
      adding("tube_name_after_sizes_is_tape", "tvq310", {"-P", "q", "-w", "24", "-h", "800", "-n", "HS"}, "22",
             "800", "ZkL_zkS24mm__0216320", "128\t5660", "51.20\t2264.28"),
      adding("last_width_counts", "tvq310", {"-P", "q", "-n", "A", "-w", "6", "-w", "18", "-h", "50"}, "16", "50",
             "ZkL_zkS18mm__0110032", "112\t353", "44.80\t141.52"),
      // Roll models take sizes as given.
      add("roll_add", "lm230", "Roll", "62", "100", "62", "100", "ZkL043E064", "695\t1108", "0.00\t283.03"),
      add("roll_large_sizes_tube_name", "lm210", "HS", "300", "5000", "300", "5000", "ZkL0212C388",
          "3502\t58894", "0.00\t14151.72"),
      // The widest and longest roll sizes whose dots fit 32 bits (2147483640); one more is refused.
      add("roll_widest_written_exactly", "lm230", "A", "182096569", "100", "182096569", "100", "ZkL01ADA92B9064",
          "2147483640\t1108", "0.00\t283.03"),
      add("roll_longest_written_exactly", "lm230", "A", "62", "182096572", "62", "182096572", "ZkL013E2BC",
          "695\t2147483640", "0.00\t515396090.71"),
      {"roll_width_beyond_dots", "lm230", {"-P", "q", "-d", "A", "-w", "182096570"}, kBare, usage("lm230", ""), 0},
      add("sizes_read_as_leading_numbers", "lm260ka", "Roll", "62mm", " +7", "62", "7", "ZkL043E007",
          "695\t11", "0.00\t19.81"),
      // Names and printers reach the companion and the files byte for byte.
      adding12("name_of_32_bytes", {"-P", "q", "-n", std::string(32, 'N'), "-w", "12", "-h", "50"}),
      adding12("hostile_name", {"-P", "q", "-n", "$(touch x)`y`;|&'\"%s%n \\*\xff", "-w", "12", "-h", "50"}),
      adding12("printer_of_1024_bytes", {"-P", std::string(1024, 'P'), "-n", "A", "-w", "12", "-h", "50"}),
      adding12("hostile_printer", {"-P", "a b;$(c)'\n", "-n", "A", "-w", "12", "-h", "50"}),
      adding12("option_words_read_by_first_two_bytes", {"-Printer", "q", "-name", "A", "-width", "12", "-height",
               "50"}),
      adding12("values_may_look_like_options", {"-P", "-n", "-n", "-w", "-w", "12", "-h", "50"}),

      // An add writes after every marker line, each line a line of its own,
      // and first deletes a format of the same name.
      {"add_after_each_marker_and_unended_lines", "tvq310", add_a, {"[CustomTape]\nx\n[CustomTape]", "A4:\t1\t2", "",
       "A4:\t1"}, "", 0, DriverFiles{"[CustomTape]\n" + a + "/A\nx\n[CustomTape]\n" + a + "/A\n", "A4:\t1\t2\n" + a +
       "/A:\t70\t353\n", "", "A4:\t1\n" + a + ":\t0.00\t0.00\t28.00\t141.52\n"}, {deleting("A"), adding_call("A", a)}},

      // A delete drops every line of the format and resets its selection.
      on_tape("tape_delete", del_test, "", 0, tape_without, {deleting("Test")}),
      // A name holding the identifier is another format's, kept with its selection.
      {"delete_keeps_a_name_holding_the_identifier", "tvq310", del_test, {tape.function_file + holder + "\n",
       tape.paper_table + holder + ":\t1\n", tape.settings_file, tape.imaging_area}, "", 0, DriverFiles{
       tape_without.function_file + holder + "\n", tape_without.paper_table + holder + ":\t1\n",
       tape_without.settings_file, tape_without.imaging_area}, {deleting("Test")}},
      {"roll_delete", "lm230", {"-P", "q", "-d", "Roll"}, holding({{"Roll", roll, "695\t1108", "0.00\t283.03"}},
       "Copies=1\nMediaSize=" + roll + "\n"), "", 0, holding({}, "Copies=1\nMediaSize=29X1\n"), {deleting("Roll")}},
      // Long lines that are not the first: one naming the format without an identifier, and the paper table's entry.
      {"delete_entry_line_longer_than_a_chunk", "tvq310", del_test, {"[Function]\n" + decoy + "[CustomTape]\n" + old +
       "/Test\nCut=1\n", "A4:\t1\t2\n" + old + "/Test:\t70\t353" + std::string(3 << 20, 'x') + "\n", tape.settings_file,
       tape.imaging_area}, "", 0, DriverFiles{"[Function]\n" + decoy + "[CustomTape]\nCut=1\n", "A4:\t1\t2\n",
       tape_without.settings_file, tape_without.imaging_area}, {deleting("Test")}},
      // The add never looks for its identifier in a settings file that is not there.
      {"add_without_settings_file", "tvq310", add_a, kBare, "", 0, holding({{"A", a}}, "<missing>"),
       {deleting("A"), adding_call("A", a)}, {"missing:rc"}},
      {"delete_not_found", "tvq200", {"-P", "q", "-d", "Nope"}, decoys, "Not found 'Nope'\n", 0, kSame, {deleting("Nope")}},
      on_tape("delete_takes_the_last_name", {"-P", "q", "-d", "LongName", "-d", "A"}, "Not found 'A'\n", 0, kSame,
              {deleting("A")}),
      {"delete_paper_entry_twice", "tvq310", del_test, {tape.function_file, old + "/Test:\t1\t2\n" + tape.paper_table,
       tape.settings_file, tape.imaging_area}, "", 0, tape_without, {deleting("Test")}},
      // The paper table's identifier of the name is the one the other files drop.
      {"delete_paper_table_names_another_identifier", "tvq310", del_test,
       {tape.function_file, other + "/Test:\t1\t2\nA4:\t1\t2\n", "Media=" + other + "\nDarkness=3",
        other + ":\t1\nA4:\t0.00\t0.00\t1.00\t2.00\n"}, "", 0, tape_without, {deleting("Test")}},
      {"delete_lower_case_identifier", "tvq310", {"-P", "q", "-d", "TenLetters"}, {"[CustomTape]\n" + lower +
       "/TenLetters\n", lower + "/TenLetters:\t1\t2\n", "", lower + ":\t1\n"}, "", 0, kBare, {deleting("TenLetters")}},
      {"delete_needs_the_function_file_entry", "tvq310", del_test, {"[CustomTape]\n", tape.paper_table,
       tape.settings_file, tape.imaging_area}, "Not found 'Test'\n", 0, kSame, {deleting("Test")}},

      // The companion tool failing: status 255, nothing printed, and how it failed on standard error.
      on_tape("delete_companion_fails", del_test, "", 255, kSame, {deleting("Test")}, {"companion=3"},
              tool + "exited with status 3\n"),
      on_tape("add_companion_killed_on_delete", add_test, "", 255, kSame, {deleting("Test")}, {"companion=kill"},
              tool + "killed by signal 9\n"),
      on_tape("add_companion_fails_after_delete", add_test, "", 255, tape_without, {deleting("Test"), add_test_call},
              {"companion=0 3"}, tool + "exited with status 3\n"),
      on_tape("companion_missing", del_test, "", 255, kSame, {}, {"no-companion"}, tool + "No such file or directory\n"),

      // A paper table that is not there holds no entry of the name: the
      // function file's goes, and the name was not found.
      on_tape("delete_paper_table_missing", del_test, "Not found 'Test'\n", 0, DriverFiles{tape_without.function_file,
              "<missing>", tape.settings_file, tape.imaging_area}, {deleting("Test")}, {"missing:paper"}),

      // Standard output that cannot be written fails a run that prints, saying so on standard error.
      on_tape("not_found_stdout_full", {"-P", "q", "-d", "Nope"}, "", 255, kSame, {deleting("Nope")}, {"stdout=full"},
              kMe + "standard output: No space left on device\n"),
      on_tape("usage_stdout_closed", {"-P", "q"}, "", 255, kSame, {}, {"stdout=closed"},
              kMe + "standard output: Bad file descriptor\n"),
      on_tape("list_json_stdout_closed", {"--list", "--json"}, "", 255, kSame, {}, {"stdout=closed"},
              kMe + "standard output: Bad file descriptor\n"),
      on_tape("silent_delete_stdout_full", del_test, "", 0, tape_without, {deleting("Test")}, {"stdout=full"}),

      // Rewritten files keep their owner; a link is followed only when it, its target and its directory have one owner.
      on_tape("delete_keeps_owner", del_test, "", 0, tape_without, {deleting("Test")}, {"chown:rc", "chown:imaging"}),
      on_tape("delete_through_links", del_test, "", 0, tape_without, {deleting("Test")}, {"link:func", "link:rc"}),
      // The administrator's commands: only as the first word after the name (command_word_later above).
      on_tape("list_tape", list, "Test\t12x50\t_zkS12mm__\t" + old + "\tcomplete\n", 0),
      on_tape("list_with_standard_input_closed", list, "Test\t12x50\t_zkS12mm__\t" + old + "\tcomplete\n", 0, kSame, {},
              {"stdin=closed"}),
      {"list_roll_escaped_incomplete", "lm230", {"--list"}, {"[CustomTape]\n" + roll + "/Roll\nZkL093E0641A2B4/a\tb\\ "
       "\x01\r\xc3\xa9\n", roll + "/Roll:\t1\t2\n", "", ""}, "Roll\t62x100\troll\t" + roll + "\tmissing=imaging\n"
       "a\\tb\\\\ \\x01\\r\xc3\xa9\t62x100\troll\tZkL093E0641A2B4\tmissing=paper,imaging\n", 0},
      {"list_tape_without_media", "tvq310", list, {"[CustomTape]\nZkL010A0321A2B3/N\n", "ZkL010A0321A2B3/N:\t1\n",
       "", "ZkL010A0321A2B3:\t1\n"}, "N\t10x50\t-\tZkL010A0321A2B3\tcomplete\n", 0},
      {"list_without_formats", "tvq310", list, kBare, "", 0},
      on_tape("list_unreadable", list, "", 255, kSame, {}, {"directory:func"}, at("zktvq310func", "Is a directory")),
      {"check_without_marker", "tvq310", check, {old + "/Test\n", tape.paper_table, tape.settings_file,
       tape.imaging_area}, checked("no marker: " + kInf + "zktvq310func", "no-marker"), 1},
      {"check_missing_file_and_marker", "tvq310", check, {"", "", "", ""}, checked("missing: " + kInf + "ImagingArea",
       "missing") + checked("no marker: " + kInf + "zktvq310func", "no-marker"), 1, kSame, {}, {"missing:imaging"}},
      {"check_json_missing_file_and_marker", "tvq310", check_json, {"", "", "", ""},
       document(finding("missing", kInf + "ImagingArea", "null", "null", false) + "," +
                finding("no-marker", kInf + "zktvq310func", "null", "null", false)), 1, kSame, {}, {"missing:imaging"}},
      {"check_finds_each_fault", "tvq310", check, messy,
       ties + checked("incomplete: " + id('F') + " 'Hal' has no line in " + kInf + "ImagingArea", "incomplete", true) +
           checked("orphan: " + id('0') + " in " + kInf + "paperinftvq310 has no entry", "orphan", true) +
           checked("stale setting: " + kInf + "zktvq310rc selects " + id('1'), "stale-setting", true), 1},
      {"check_finds_a_name_given_again_past_another", "tvq310", check, holding({dup_b, with_id("One", 'C'),
       with_id("Dup", 'D')}), checked("duplicate name: 'Dup' on " + id('B') + " and " + id('D'), "duplicate-name"), 1},
      {"check_finds_ties_apart", "tvq310", check, holding({dup_b, one, dup_c, two, misfit}, "", {dup_b, dup_c, one,
       misfit}), ties, 1},
      {"repair_mends_what_files_tell", "tvq310", repair, messy, repaired, 1, mended, {deleting("Hal")}},
      {"repair_leaves_name_too_long_to_ask_about", "tvq310", repair,
       {"[CustomTape]\nZkL_zkS12mm__210A03271A2B/" + std::string(33, 'n') + "\n", "", "", ""}, "", 1},
      {"repair_refuses_foreign_link", "tvq310", repair, messy, "", 255, kSame, {}, {"link-owner:paper"},
       at("paperinftvq310", "Permission denied")},
      {"repair_again_changes_nothing", "tvq310", repair, mended, "", 1},
      on_tape("repair_keeps_a_complete_selection", repair, "", 0),
      {"repair_companion_fails", "tvq310", repair, messy, "not removed: " + id('F') + " 'Hal': the companion tool failed\n",
       255, kSame, {deleting("Hal")}, {"companion=3"}, tool + "exited with status 3\n"},
      on_tape("dry_run_delete", {"--dry-run", "-P", "q", "-d", "Test"}, kRun + "-d Test -show 1\n" +
           diff("ImagingArea", "-1,2 +1") + "-" + old + ":\t0.00\t0.00\t28.00\t141.52\n A4:\t0.00\t0.00\t1.00\t2.00\n" +
           diff("zktvq310rc", "-1,2 +1,2") + "-Media=" + old + "\n+Media=zkS12mm\n Darkness=3\n\\ No newline at end of file\n" +
           diff("paperinftvq310", "-1,2 +1") + "-" + old + "/Test:\t70\t353\n A4:\t1\t2\n" +
           diff("zktvq310func", "-1,4 +1,3") + " [Function]\n [CustomTape]\n-" + old + "/Test\n Cut=1\n", 0),
      {"dry_run_add", "tvq310", {"--dry-run", "-P", "q", "-n", "A b", "-w", "12", "-h", "50"}, kBare, shown_add, 0},
      {"dry_run_ensure_adds", "tvq310", {"--dry-run", "--ensure", "-P", "q", "-n", "A b", "-w", "12", "-h", "50"},
       kBare, shown_add + "added\n", 0},
      on_tape("dry_run_not_found", {"--dry-run", "-P", "q", "-d", "It's"},
              kRun + "-d 'It'\\''s' -show 1\nNot found 'It's'\n", 0),

      // Scripting and monitoring: data alone on standard output, errors and
      // usage on standard error (usage exit 2), JSON, an idempotent add.
      {"version", "tvq310", {"--version"}, kBare, "zkpapertoollpr 0.2\n", 0},
      {"help", "tvq310", {"--help"}, kBare, usage("tvq310", "TV-Q310") + kAdminHelp, 0},
      {"list_not_installed", "tvq310", list, kBare, "", 255, kSame, {}, {"not-installed"},
       kMe + "vantrel/tvq310/bin/inf: not installed\n"},
      {"check_not_installed", "tvq310", check, kBare, checked("not installed: vantrel/tvq310/bin/inf",
       "not-installed"), 1, kSame, {}, {"not-installed"}},
      {"check_json_not_installed", "tvq310", check_json, kBare, document(finding("not-installed",
       "vantrel/tvq310/bin/inf", "null", "null", false)), 1, kSame, {}, {"not-installed"}},
      {"check_json_clean", "tvq310", check_json, decoys, document(""), 0},
      {"check_json_finds_each_fault", "tvq310", check_json, messy, document(finding("duplicate-name", "null", id('C'),
       "Dup", false) + "," + finding("shared-identifier", "null", id('D'), "Two", false) + "," +
       finding("length-digits", "null", id('E'), "Wrong", false) + "," + finding("incomplete", kInf + "ImagingArea",
       id('F'), "Hal", true) + "," + finding("orphan", kInf + "paperinftvq310", id('0'), "null", true) + "," +
       finding("stale-setting", kInf + "zktvq310rc", id('1'), "null", true)), 1},
      // A name of the longest length allowed is mended like any other.
      {"check_json_longest_name_incomplete", "tvq310", check_json, {"[CustomTape]\n" + id32 + "/" + n32 + "\n", id32 +
       "/" + n32 + ":\t1\t2\n", "", ""}, document(finding("incomplete", kInf + "ImagingArea", id32, n32, true)), 1},
      {"list_json_names_as_bytes", "tvq310", {"--list", "--json"}, {tape.function_file +
       "ZkL_zkHS12mm_07090641A2B3/q\"b\\\x01\xff\xed\xa0\x80\xe0\x80\xaf\xc3\xa9\xc3\n", tape.paper_table, "",
       tape.imaging_area},
       "{\"model\":\"tvq310\",\"formats\":[{\"name\":\"Test\",\"width\":12,\"height\":50,\"media\":\"_zkS12mm__\","
       "\"id\":\"" + old + "\",\"state\":\"complete\",\"missing\":[]},{\"name\":\"q\\\"b\\\\\\u0001\\udcff"
       "\\udced\\udca0\\udc80\\udce0\\udc80\\udcaf\xc3\xa9\\udcc3\","
       "\"width\":12,\"height\":100,\"media\":\"_zkHS12mm_\",\"id\":\"ZkL_zkHS12mm_07090641A2B3\","
       "\"state\":\"incomplete\",\"missing\":[\"paper\",\"imaging\"]}]}\n", 0},
      // Roll heights beyond the identifier's 12 bits, from the paper table's
      // dots, or without them from ImagingArea's points.
      {"list_json_roll_heights", "lm230", {"--list", "--json"},
       {"[CustomTape]\nZkL033E38811234/Big\nZkL043E06411235/Tall\nZkL033EFFF11236/Low\n",
        "ZkL033E38811234/Big:\t695\t58894\nZkL033EFFF11236/Low:\t695\t100\n", "",
        "ZkL033E38811234:\t0.00\t0.00\t0.00\t14151.72\nZkL043E06411235:\t0.00\t0.00\t0\t11876.13\n"
        "ZkL033EFFF11236:\t0.00\t0.00\t0.00\t100.00\n"},
       "{\"model\":\"lm230\",\"formats\":[{\"name\":\"Big\",\"width\":62,\"height\":5000,\"media\":null,"
       "\"id\":\"ZkL033E38811234\",\"state\":\"complete\",\"missing\":[]},{\"name\":\"Tall\",\"width\":62,"
       "\"height\":4196,\"media\":null,\"id\":\"ZkL043E06411235\",\"state\":\"incomplete\",\"missing\":[\"paper\"]},"
       "{\"name\":\"Low\",\"width\":62,\"height\":4095,\"media\":null,\"id\":\"ZkL033EFFF11236\",\"state\":"
       "\"complete\",\"missing\":[]}]}\n", 0},
      on_tape("ensure_unchanged", ensure_test, "unchanged\n", 0),
      // "Test", 10 x 51 mm: the height's last bit set.
      {"dry_run_ensure_unchanged_odd_height", "tvq310", {"--dry-run", "--ensure", "-P", "q", "-n", "Test", "-w", "12",
       "-h", "51"}, holding({{"Test", "ZkL_zkS12mm__040A03371A2B", "70\t360", "28.00\t144.35"}}), "unchanged\n", 0},
      // A replacement keeps the printer's selection on the format: the settings line names the new identifier.
      {"ensure_replaces_other_dots", "tvq310", ensure_test, dots352, "replaced\n", 0, readded(added),
       {deleting("Test"), add_test_call}},
      // Its dry run shows the selection moving on with the rest.
      {"dry_run_ensure_replaces_the_selection", "tvq310", {"--dry-run", "--ensure", "-P", "q", "-n", "Test", "-w", "12",
       "-h", "50"}, dots352, kRun + "-d Test -show 1\n" + kRun + "-n Test -w 10 -h 50 -specid " + added + " -show 1\n" +
       diff("zktvq310func", "-1,4 +1,4") + " [Function]\n [CustomTape]\n-" + old + "/Test\n+" + added + "/Test\n Cut=1\n" +
       diff("paperinftvq310", "-1,2 +1,2") + "-" + old + "/Test:\t70\t352\n A4:\t1\t2\n+" + added + "/Test:\t70\t353\n" +
       diff("ImagingArea", "-1,2 +1,2") + "-" + old + ":\t0.00\t0.00\t28.00\t141.52\n A4:\t0.00\t0.00\t1.00\t2.00\n+" +
       added + ":\t0.00\t0.00\t28.00\t141.52\n" + diff("zktvq310rc", "-1,2 +1,2") + "-Media=" + old + "\n+Media=" +
       added + "\n Darkness=3\n\\ No newline at end of file\nreplaced\n", 0},
      // The add request deletes, then adds: the selection falls back.
      {"add_of_the_selected_name_resets_its_setting", "tvq310", add_test, dots352, "", 0, readded("zkS12mm"),
       {deleting("Test"), add_test_call}},
      // Length digits the lookup does not take ("05" for Test): the format ensure decided on is the one replaced.
      {"ensure_replaces_an_entry_of_wrong_length_digits", "tvq310", ensure_test, holding({{"Test", wrong}}, "Media=" +
       wrong + "\n"), "replaced\n", 0, holding({{"Test", added}}, "Media=" + added + "\n"), {deleting("Test"), add_test_call}},
      ensured(adding12("ensure_adds", add_a), "added\n"),
      // The settings file, which an add leaves alone, may be a link it would not follow.
      with(ensured(adding12("ensure_adds_beside_a_foreign_link", add_a), "added\n"), {"link-owner:rc"}),

      // A repair acts only on a tree it reads whole, and its dry run shows
      // it; the check's findings of a missing model and of zero bytes.
      on_tape("repair_without_function_file", repair, "", 255, kSame, {}, {"missing:func"},
              at("zktvq310func", "No such file or directory")),
      {"repair_of_empty_function_file", "tvq310", repair, {"", tape.paper_table, tape.settings_file,
       tape.imaging_area}, "", 255, kSame, {}, {}, at("zktvq310func", "No data available")},
      // A hand-added entry holding a complete format's name; one whose
      // identifier is inside a complete one's (a longer roll width).
      {"repair_leaves_a_name_held_twice", "tvq310", repair, {"[CustomTape]\nZkL_zkS12mm__040C0141CCCC/Test\n" + old +
       "/Test\n", tape.paper_table, tape.settings_file, tape.imaging_area}, "", 1},
      {"repair_keeps_lines_of_a_longer_identifier", "lm230", repair, {"[CustomTape]\nZkL0110003271A2/X\nZkL0110003271A2B/Y\n",
       "ZkL0110003271A2B/Y:\t1\n", "", "ZkL0110003271A2B:\t1\n"}, "", 1},
      {"repair_reports_the_selection_it_resets", "tvq310", repair, {tape.function_file, "A4:\t1\t2\n",
       tape.settings_file, tape.imaging_area}, "removed incomplete: " + old + " 'Test'\nreset setting: " + kInf +
       "zktvq310rc from " + old + "\n", 0, tape_without, {deleting("Test")}},
      // A zero byte in a name is reported as such, not as a wrong length;
      // one in an identifier keeps the line from being an entry at all.
      {"check_zero_bytes", "tvq310", check, zeroed,
       checked("zero byte: " + kInf + "zktvq310func has one in the line at byte 45", "zero-byte") +
           checked("zero byte: " + kInf + "zktvq310func has one in the line at byte 13", "zero-byte"), 1},
      {"check_zero_bytes_json", "tvq310", check_json, zeroed, document(finding("zero-byte", kInf + "zktvq310func",
       "null", "null", false) + "," + finding("zero-byte", kInf + "zktvq310func", old, "Te", false)), 1},
      {"dry_run_repair", "tvq310", {"--dry-run", "--repair", "-P", "q"}, messy, kRun + "-d Hal -show 1\n" + repaired +
       diff("zktvq310rc", "-1 +1") + "-Media=" + id('1') + "\n+Media=zkS12mm\n" + diff("paperinftvq310", "-2,5 +2,3") +
       " " + id('C') + "/Dup:\t1\t2\n " + id('D') + "/One:\t1\t2\n " + id('E') + "/Wrong:\t1\t2\n-" + id('F') +
       "/Hal:\t1\t2\n-" + id('0') + "/Gone:\t1\t2\n" + diff("zktvq310func", "-4,4 +4,3") + " " + id('D') + "/One\n " +
       id('D') + "/Two\n " + id('E') + "/Wrong\n-" + id('F') + "/Hal\n", 1},
      {"add_without_marker", "tvq310", add_test, {"", "", "", ""}, "No data available\n", 255, kSame, {}, {},
       at("zktvq310func", "No data available")},
      // An entry on the marker's line (an add after an unended marker line wrote it): its delete keeps the marker, and
      // a replacement puts the new entry after it.
      {"add_whose_delete_keeps_the_shared_marker", "tvq310", add_test, {"[CustomTape]" + old + "/Test\n", tape.paper_table,
       "", tape.imaging_area}, "", 0, unshared, {deleting("Test"), add_test_call}},
      {"ensure_of_an_entry_on_the_marker_line", "tvq310", ensure_test, {"[CustomTape]" + old + "/Test\n",
       dots352.paper_table, "", tape.imaging_area}, "replaced\n", 0, unshared, {deleting("Test"), add_test_call}},
  };
  // Faulty command lines get tvq310's usage text, nothing touched.
  for (const auto &[what, args] : std::vector<std::pair<std::string, Args>>{{"no_words", {}},
       {"odd_word_count", {"-P"}}, {"no_printer", {"-d", "A"}}, {"empty_printer", {"-P", "", "-d", "A"}},
       {"printer_of_1025_bytes", {"-P", std::string(1025, 'p'), "-d", "A"}}, {"empty_name", {"-P", "q", "-d", ""}},
       {"name_of_33_bytes", {"-P", "q", "-n", std::string(33, 'n'), "-w", "12", "-h", "50"}},
       {"delete_name_holding_newline", {"-P", "q", "-d", "\n"}}, {"delete_name_holding_marker", {"-P", "q", "-d", "[CustomTape]"}},
       {"add_and_delete_at_once", {"-P", "q", "-n", "A", "-w", "12", "-h", "50", "-d", "A"}},
       {"add_without_width", {"-P", "q", "-n", "A", "-h", "50"}}, {"add_without_height", {"-P", "q", "-n", "A", "-w", "12"}},
       {"zero_width", {"-P", "q", "-n", "A", "-w", "0", "-h", "50"}},
       {"size_of_33_bytes", {"-P", "q", "-n", "A", "-w", "12", "-h", "1" + std::string(32, '0')}},
       {"tube_of_25mm", {"-P", "q", "-n", "HS", "-w", "25", "-h", "50"}},
       {"unknown_option_after_a_request", {"-P", "q", "-d", "A", "-x", "y"}}, {"option_letters_keep_case", {"-p", "q", "-d", "A"}},
       {"dash_alone", {"-", "q", "-d", "A"}}, {"option_without_dash", {"aP", "q", "-d", "A"}},
       {"command_word_later", {"-P", "q", "--list", "x"}}}) {
    rows.push_back({what, "tvq310", args, kBare, usage("tvq310", "TV-Q310"), 0});
  }
  // Usage errors say why (sizes beyond their written numbers too). A driver file that cannot be read or rewritten, a
  // link that may not be followed, a copy that cannot be made (a directory at its name, an inf directory the run may
  // not write): the system's error text (none for an add's own step), the file named on standard error, status 255,
  // nothing changed and the companion never asked, a dry run as its request (Gone: an orphan).
  const auto refused = [](const std::string &what, const std::string &program, const Args &args, const std::string &why) {
    const std::string name = "zkpapertoollpr_" + program, use = " --ensure -P PRINTER -n NAME -w WIDTH -h HEIGHT\n";
    return Case{what, program, args, kBare, "", 2, kSame, {}, {}, name + ": " + why + "\nusage: " + name + use};
  };
  const auto fails = [&](const std::string &what, const Args &args, const std::string &setup, const std::string &file,
                         const std::string &why, bool line = true) {
    return Case{what, "tvq310", args, {tape.function_file, tape.paper_table + id('0') + "/Gone:\t1\n",
                tape.settings_file, tape.imaging_area}, line ? why + "\n" : "", 255, kSame, {}, {setup}, at(file, why)};
  };
  const std::string dots = " mm, beyond the paper table's 32-bit dots";
  const Args add_new = {"-P", "q", "-n", "New", "-w", "12", "-h", "50"}, dry_del = {"--dry-run", "-P", "q", "-d", "Test"};
  const Args dry_add_new = {"--dry-run", "-P", "q", "-n", "New", "-w", "12", "-h", "50"};
  const Args ensure_new = {"--ensure", "-P", "q", "-n", "New", "-w", "12", "-h", "50"};
  for (const Case &c : {
      refused("ensure_roll_width_beyond_dots", "lm230", {"--ensure", "-w", "4294967296"}, "-w: above 182096569" + dots),
      refused("ensure_roll_height_beyond_dots", "lm230", {"--ensure", "-h", "182096573"}, "-h: above 182096572" + dots),
      refused("ensure_wider_than_tape", "tvq310", {"--ensure", "-w", "30"}, "-w: wider than the widest tape (24 mm)"),
      refused("ensure_name_over_32_bytes", "tvq310", {"--ensure", "-n", std::string(33, 'n')}, "-n: name over 32 bytes"),
      refused("ensure_name_holding_marker", "tvq310", {"--ensure", "-n", "[CustomTape]"},
              "-n: name holds [CustomTape]"),
      refused("ensure_width_not_a_number", "tvq310", {"--ensure", "-w", "mm"}, "-w: not a number"),
      refused("ensure_unknown_word", "tvq310", {"--ensure", "-x", "y"}, "not an option (-P, -n, -d, -w or -h)"),
      refused("ensure_missing_printer", "tvq310", {"--ensure", "-n", "A", "-w", "9", "-h", "9"}, "missing -P"),
      fails("delete_imaging_area_missing", del_test, "missing:imaging", "ImagingArea", "No such file or directory"),
      fails("delete_paper_table_unreadable", del_test, "directory:paper", "paperinftvq310", "Is a directory"),
      fails("add_paper_table_unreadable", add_new, "directory:paper", "paperinftvq310", "Is a directory"),
      fails("add_without_function_file", add_new, "missing:func", "zktvq310func", "No such file or directory"),
      fails("link_of_other_owner", del_test, "link-owner:func", "zktvq310func", "Permission denied"),
      fails("link_to_file_of_other_owner", del_test, "target-owner:rc", "zktvq310rc", "Permission denied"),
      fails("ensure_unreadable", ensure_test, "directory:func", "zktvq310func", "Is a directory"),
      // The selection a replacement moves: its copy's place is checked before anything is asked.
      fails("ensure_of_the_selection_temp_dir_settings", {"--ensure", "-P", "q", "-n", "Test", "-w", "12", "-h", "60"},
            "temp-dir:rc", "zktvq310rc", "Is a directory"),
      fails("delete_settings_missing", del_test, "missing:rc", "zktvq310rc", "No such file or directory"),
      fails("add_of_existing_name_settings_missing", add_test, "missing:rc", "zktvq310rc", "No such file or directory"),
      fails("ensure_not_installed", ensure_new, "not-installed", "zktvq310func", "No such file or directory"),
      fails("temp_dir_dry_run_delete", dry_del, "temp-dir:imaging", "ImagingArea", "Is a directory"),
      fails("read_only_dry_run_delete", dry_del, "read-only:inf", "paperinftvq310", "Permission denied"),
      fails("temp_dir_dry_run_repair", {"--dry-run", "--repair", "-P", "q"}, "temp-dir:paper", "paperinftvq310",
            "Is a directory", false),
      fails("add_temp_dir_imaging", add_new, "temp-dir:imaging", "ImagingArea", "Is a directory", false),
      fails("dry_run_add_temp_dir_paper", dry_add_new, "temp-dir:paper", "paperinftvq310", "Is a directory", false),
      fails("ensure_read_only", ensure_new, "read-only:inf", "zktvq310func", "Permission denied", false),
  }) rows.push_back(c);
  // Each of the nine names shows its model's usage text and example printer.
  for (const auto &[program, model, printer] : {std::array<const char *, 3>{"lm210", "lm210", ""},
       {"lm230", "lm230", ""}, {"lm260ka", "lm260ka", ""}, {"tv4400", "tv4400zd", "TV-4400ZD"},
       {"tvq310", "tvq310", "TV-Q310"}, {"tvq300", "tvq300", "TV-Q300"}, {"tvq250e", "tvq250e", "TVQ250E"},
       {"tvq220nf", "tvq220nf", "TVQ220nf"}, {"tvq200", "tvq200", "TVQ200"}}) {
    rows.push_back({std::string("usage_") + program, program, {"-P", "q"}, kBare, usage(model, printer), 0});
  }
  for (auto topic : {add_truth_cases, add_apply_cases, add_intent_cases, add_usage_cases}) topic(&rows);
  return rows;
}
