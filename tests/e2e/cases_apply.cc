// --apply's end-to-end rows, every format a 12 by 50 mm tape of tvq310 (tape(), cases.h), media "_zkS12mm__"; a
// change is printed as "<action>\t<name>\t12x50".
#include "e2e/cases.h"

namespace {

// The input document: each name at 12 by h mm.
std::string input(const std::vector<std::string> &names, const std::string &h = "50") {
  std::string doc = "input={\"formats\":[";
  for (const std::string &n : names) doc += (doc.back() == '[' ? "{\"name\":\"" : ",{\"name\":\"") + n + "\",\"width\":12,\"height\":" + h + "}";
  return doc + "]}";
}

// The companion's calls of an add of each format (its delete first).
std::vector<Args> asked_to_add(const std::vector<Tape> &formats) {
  std::vector<Args> calls;
  for (const Tape &t : formats) calls.insert(calls.end(), {deleting(t.name), adding_call(t.name, t.id)});
  return calls;
}

// name's format at 12 by 60 mm under id.
Tape tall(const std::string &name, const std::string &id) { return {name, id, "70\t424", "28.00\t169.82"}; }

const Args kApply = {"--apply", "in.json", "-P", "q"};

// An input on standard input refused: exit 2, the reason, nothing asked or changed.
Case refused(const std::string &what, const std::string &doc, const std::string &why) {
  return {what, "tvq310", {"--apply", "-", "-P", "q"}, holding({tape("Old", "1A2B3")}), "", 2, kSame, {},
          {doc, "stdin"}, kMe + "standard input: " + why + "\n"};
}

}  // namespace

void add_apply_cases(std::vector<Case> *rows) {
  const Tape a = tape("A"), bb = tape("Bb"), ccc = tape("Ccc"), dddd = tape("Dddd"), eeeee = tape("Eeeee");
  const Tape a_old = tape("A", "1A2B3"), bb_old = tape("Bb", "1A2B4"), other = tape("Other", "1A2B5");
  const Tape holder = tape("x" + a_old.id, "1A2B6");  // a name holding A's identifier
  const std::string a60 = "ZkL_zkS12mm__010A03C?????", bb60 = "ZkL_zkS12mm__020A03C?????";  // "A" and "Bb", 12x60
  const std::string pad(14, 'z'), utf8 = "\xc3\xa9\xc2\x80\xe2\x82\xac\xf0\x9f\x98\x80" + pad;
  const Tape bytes = tape("\xc3q\"b\\\x01\xff" + utf8);
  const std::string five = input({"A", "Bb", "Ccc", "Dddd", "Eeeee"});
  const Args dry = {"--dry-run", "--apply", "in.json", "-P", "q"};
  const Args dry_json = {"--dry-run", "--apply", "in.json", "-P", "q", "--json"};
  const std::string status3 = kMe + kTool + ": exited with status 3 while applying '";
  rows->insert(rows->end(), {
      {"apply_to_an_empty_model", "tvq310", kApply, holding({}), "added\tA\t12x50\nadded\tBb\t12x50\n", 0,
       holding({a, bb}), asked_to_add({a, bb}), {input({"A", "Bb"})}},
      {"apply_again_changes_nothing", "tvq310", kApply, holding({a_old, bb_old}, "Media=" + a_old.id + "\n"), "", 0,
       kSame, {}, {input({"Bb", "A"})}},
      {"apply_skips_an_unknown_member", "tvq310", kApply, holding({a_old}), "", 0, kSame, {},
       {"input={\"note\":[1,{\"a\":2}],\"formats\":[{\"name\":\"A\",\"width\":12,\"height\":50}]}"}},
      // A changed height replaces that format alone; its selection follows it.
      {"apply_replaces_a_changed_size", "tvq310", kApply, holding({a_old, bb_old}, "Media=" + bb_old.id + "\n"),
       "replaced\tBb\t12x60\n", 0, holding({tall("Bb", bb60), a_old}, "Media=" + bb60 + "\n", {a_old, tall("Bb", bb60)}),
       {deleting("Bb"), adding_call("Bb", bb60, "60")}, {"input={\"formats\":[{\"name\":\"A\",\"width\":12,\"height\":50},{\"width\":12,\"height\":60,"
        "\"name\":\"Bb\",\"media\":null}],\"model\":\"tvq310\"}"}},
      // Only its add refused: the old format is gone on both sides.
      {"apply_companion_refuses_a_replacement", "tvq310", kApply, holding({a_old, bb_old}, "Media=" + bb_old.id + "\n"),
       "removed\tBb\t12x50\n", 255, holding({a_old}, "Media=zkS12mm\n"), {deleting("Bb"), adding_call("Bb", bb60,
       "60")}, {"input={\"formats\":[{\"name\":\"A\",\"width\":12,\"height\":50},{\"name\":\"Bb\",\"width\":12,"
       "\"height\":60}]}", "companion=0 3"}, status3 + "Bb'\n"},
      // The others in the function file's order, their identifiers falling.
      {"apply_removes_the_others", "tvq310", kApply, holding({tape("O[CustomTape", "1A2B5"), tape("Zed", "1A2B6"),
       tape("Yy", "1A2B7"), a_old}), "removed\tO[CustomTape\t12x50\nremoved\tZed\t12x50\nremoved\tYy\t12x50\n", 0,
       holding({a_old}), {deleting("O[CustomTape"), deleting("Zed"), deleting("Yy")}, {input({"A"})}},
      {"apply_adds_without_settings_file", "tvq310", kApply, holding({}), "added\tA\t12x50\n", 0,
       holding({a}, "<missing>"), asked_to_add({a}), {input({"A"}), "missing:rc"}},
      {"apply_without_paper_table", "tvq310", kApply, holding({}), "", 255, kSame, {}, {input({"A"}), "missing:paper"},
       kMe + kInf + "paperinftvq310: No such file or directory\n"},
      {"apply_keeps_a_name_holding_the_identifier", "tvq310", {"--apply", "in.json", "--keep-others", "-P", "q"},
       holding({a_old, holder}), "replaced\tA\t12x60\n", 0, holding({tall("A", a60), holder}, "", {holder, tall("A", a60)}),
       {deleting("A"), adding_call("A", a60, "60")}, {input({"A"}, "60")}},
      {"apply_keeps_the_others", "tvq310", {"--apply", "in.json", "--keep-others", "-P", "q"}, holding({other}),
       "added\tA\t12x50\n", 0, holding({a, other}, "", {other, a}), asked_to_add({a}), {input({"A"})}},
      // The third of five formats: its delete asked, its add refused.
      {"apply_companion_fails_on_the_third", "tvq310", kApply, holding({}), "added\tA\t12x50\nadded\tBb\t12x50\n", 255,
       holding({a, bb}), asked_to_add({a, bb, ccc}), {five, "companion=0 0 0 0 0 3 0"}, status3 + "Ccc'\n"},
      {"apply_drops_an_orphan_though_the_companion_refuses", "tvq310", kApply, {"[CustomTape]\n", bb_old.id + "/Bb:\t1\n",
       "", ""}, "removed orphan\t\t12x50\n", 255, holding({}), {deleting("A")}, {input({"A"}), "companion=3"},
       status3 + "A'\n"},
      // The listed set applied again: only an orphan line and a setting of no format are left to change.
      {"apply_of_the_listed_set_drops_orphans", "tvq310", {"--apply", "in.json", "-P", "q", "--json"},
       {"[CustomTape]\n" + a_old.id + "/A\n", a_old.id + "/A:\t70\t353\n" + bb_old.id + "/Bb:\t70\t353\n",
        "Media=ZkL_zkS9mm___05070320AAAA\n", a_old.id + ":\t0.00\t0.00\t28.00\t141.52\n"},
       "{\"model\":\"tvq310\",\"changes\":[{\"action\":\"removed orphan\",\"name\":\"\",\"width\":12,\"height\":50},"
       "{\"action\":\"reset setting\",\"name\":\"\",\"width\":9,\"height\":50}]}\n", 0,
       holding({a_old}, "Media=zkS12mm\n"), {}, {input({"A"})}},
      {"apply_again_finishes_the_rest", "tvq310", kApply, holding({a_old, bb_old}), "added\tCcc\t12x50\n"
       "added\tDddd\t12x50\nadded\tEeeee\t12x50\n", 0, holding({ccc, dddd, eeeee, a_old, bb_old}, "",
       {a_old, bb_old, ccc, dddd, eeeee}), asked_to_add({ccc, dddd, eeeee}), {five}},
      // Names (32 bytes of every kind) decode to the bytes the listing encodes; read from standard input.
      {"apply_names_as_bytes_from_standard_input", "tvq310", {"--apply", "-", "-P", "q", "--json"}, holding({}),
       "{\"model\":\"tvq310\",\"changes\":[{\"action\":\"added\",\"name\":\"\\udcc3q\\\"b\\\\\\u0001\\udcff" + utf8 +
       "\",\"width\":12,\"height\":50}]}\n", 0, holding({bytes}), asked_to_add({bytes}),
       {"input={\"formats\":[{\"name\":\"\\udcc3q\\\"b\\\\\\u0001\\uDCFF\\u00e9\\u0080\xe2\x82\xac\\ud83d\\ude00" + pad +
        "\",\"width\":12,\"height\":50}]}", "stdin"}},
      {"dry_run_apply_json", "tvq310", dry_json, holding({other}),
       "{\"model\":\"tvq310\",\"changes\":[{\"action\":\"added\",\"name\":\"A\",\"width\":12,\"height\":50},"
       "{\"action\":\"removed\",\"name\":\"Other\",\"width\":12,\"height\":50}]}\n", 0, kSame, {}, {input({"A"})}},
      {"dry_run_apply", "tvq310", dry, holding({other}), "added\tA\t12x50\nadded\tBb\t12x50\nremoved\tOther\t12x50\n" +
       kRun + "-d A -show 1\n" + kRun + "-n A -w 10 -h 50 -specid " + a.id + " -show 1\n" + kRun + "-d Bb -show 1\n" +
       kRun + "-n Bb -w 10 -h 50 -specid " + bb.id + " -show 1\n" + kRun + "-d Other -show 1\n" +
       diff("zktvq310func", "-1,2 +1,3") + " [CustomTape]\n-" + other.id + "/Other\n+" + a.id + "/A\n+" + bb.id +
       "/Bb\n" + diff("paperinftvq310", "-1 +1,2") + "-" + other.id + "/Other:\t70\t353\n+" + a.id + "/A:\t70\t353\n+" +
       bb.id + "/Bb:\t70\t353\n" + diff("ImagingArea", "-1 +1,2") + "-" + other.id + ":\t0.00\t0.00\t28.00\t141.52\n+" +
       a.id + ":\t0.00\t0.00\t28.00\t141.52\n+" + bb.id + ":\t0.00\t0.00\t28.00\t141.52\n", 0, kSame, {},
       {input({"A", "Bb"})}},
      refused("apply_input_not_json", "input={\"formats\":[", "not JSON at offset 12: the text ends where a value should be"),
      refused("apply_input_formats_not_a_list", "input={\"formats\":{}}", "not JSON at offset 11: expected '['"),
      refused("apply_input_second_format_unclosed", input({"A", "A"}).substr(0, 6 + 82) + "]}",  // its "}" left out
              "not JSON at offset 82: expected ',' or '}'"),
      refused("apply_input_not_an_object", "input=[]", "not JSON at offset 0: expected '{'"),
      refused("apply_input_member_without_key", "input={\"formats\":[],1}", "not JSON at offset 14: expected a string"),
      refused("apply_input_text_after_it", "input={\"formats\":[]}x",
              "not JSON at offset 14: more text after the document"),
      refused("apply_input_without_height", "input={\"formats\":[{\"name\":\"A\",\"width\":12}]}", "format 1: no \"height\""),
      // The first name given again is refused, before a fault of a later format.
      refused("apply_input_name_twice", input({"A", "Bb", "Bb", "A", std::string(33, 'n')}),
              "format 'Bb': the name is given twice"),
      refused("apply_input_first_name_twice", input({"A", "B", "A"}), "format 'A': the name is given twice"),
      refused("apply_input_tape_of_30mm", "input={\"formats\":[{\"name\":\"A\",\"width\":30,\"height\":50}]}",
              "format 'A': width 30: wider than the widest tape (24 mm)"),
      refused("apply_input_name_of_33_bytes", input({std::string(33, 'n')}), "format 1: the name is longer than 32 bytes"),
      refused("apply_input_lone_surrogate", input({"\\udc7f"}), "not JSON at offset 21: a lone surrogate"),
      {"apply_input_over_its_bound", "tvq310", {"--apply", "/dev/zero", "-P", "q"}, holding({}), "", 2, kSame, {},
       {}, kMe + "/dev/zero: longer than 64 MiB, the most an apply reads\n"},
      {"apply_input_missing", "tvq310", kApply, holding({}), "", 2, kSame, {}, {}, kMe + "in.json: No such file or directory\n"},
      refused("apply_input_width_twice", "input={\"formats\":[{\"width\":1,\"width\":1}]}", "format 1: \"width\" is given twice"),
      refused("apply_input_name_twice_in_one", "input={\"formats\":[{\"name\":\"A\",\"name\":\"A\"}]}", "format 1: \"name\" is given twice"),
      refused("apply_input_width_as_text", "input={\"formats\":[{\"width\":\"1\"}]}", "format 1: \"width\" is not a number"),
      refused("apply_input_without_name", "input={\"formats\":[{\"width\":1,\"height\":1}]}", "format 1: no \"name\""),
      refused("apply_input_key_with_zero_byte", "input={\"formats\":[{\"width\\u0000abcdefgh\":1,\"name\":\"A\"}]}", "format 1: no \"width\""),
      refused("apply_input_formats_twice", "input={\"formats\":[],\"formats\":[]}", "\"formats\" is given twice"),
      refused("apply_input_name_with_zero_byte", input({"A\\u0000"}), "format 1: the name holds a zero byte"),
      refused("apply_input_name_with_newline", input({"A\\n"}), "format 1: the name holds a newline or \"[CustomTape]\""),
      refused("apply_input_height_0", input({"A"}, "0"), "format 'A': height 0: not above 0"),
      refused("apply_input_of_another_model", "input={\"model\":\"tv4400zd\",\"formats\":[]}",
              "the formats are for model 'tv4400zd', not 'tvq310'"),
      refused("apply_input_model_as_number", "input={\"formats\":[],\"model\":310}", "\"model\" is not a string"),
      {"apply_input_path_cannot_forge_a_line", "tvq310", {"--apply", "no\nzkpapertoollpr: forged", "-P", "q"}, holding({}),
       "", 2, kSame, {}, {}, kMe + "no\\x0Azkpapertoollpr: forged: No such file or directory\n"},
      // -Printer is -P, as a request's words take it; a byte-order mark before the document is passed over.
      {"apply_printer_word", "tvq310", {"--apply", "in.json", "-Printer", "q"}, holding({}), "added\tA\t12x50\n", 0,
       holding({a}), asked_to_add({a}), {input({"A"})}},
      {"apply_input_after_a_byte_order_mark", "tvq310", kApply, holding({}), "added\tA\t12x50\n", 0, holding({a}),
       asked_to_add({a}), {"input=\xEF\xBB\xBF" + input({"A"}).substr(6)}},
      {"apply_unreadable_driver_file", "tvq310", kApply, holding({}), "", 255, kSame, {},
       {input({"A"}), "directory:paper"}, kMe + kInf + "paperinftvq310: Is a directory\n"},
      {"apply_without_marker", "tvq310", kApply, {"", "", "", ""}, "", 255, kSame, {}, {input({"A"})},
       kMe + kInf + "zktvq310func: No data available\n"},
  });
  // The JSON preview makes the text preview's checks, and fails as it does.
  const std::vector<std::pair<std::string, std::string>> unfit = {
      {"plain-companion", kTool + ": Permission denied while applying 'A'\n"},
      {"missing:paper", kInf + "paperinftvq310: No such file or directory\n"},
      {"read-only:inf", kInf + "zktvq310func: Permission denied\n"},
      {"not-installed", kInf + "zktvq310func: No such file or directory\n"}};
  for (const auto &[setup, err] : unfit) {
    for (const bool json : {false, true}) {
      rows->push_back({"dry_run_apply_fails_as_the_apply" + std::string(json ? "_json_" : "_") + setup, "tvq310",
                       json ? dry_json : dry, holding({}), "", 255, kSame, {}, {input({"A"}), setup}, kMe + err});
    }
  }
  rows->push_back({"dry_run_apply_json_without_marker", "tvq310", dry_json, {"", "", "", ""}, "", 255, kSame, {},
                   {input({"A"})}, kMe + kInf + "zktvq310func: No data available\n"});
}
