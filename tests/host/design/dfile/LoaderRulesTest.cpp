// Every rule of the design format refuses a broken file with a message that says where
// and what was expected, and nothing is loaded.
#include <gtest/gtest.h>

#include "host/msg/ComMsgMgr.h"
#include "support/DesignTestUtil.h"

namespace {

struct Case {
  const char* name;
  std::string json;
  const char* message;  // expected part of the (first) problem's message
  const char* path;     // its JSON path, exactly
};

std::string inlinePart(const std::string& fields) {
  return "{\"seufit_design\": 1, \"part\": {" + fields +
         "}, \"top\": \"top\", \"cells\": {\"top\": {}}}";
}
const std::string kPartFields = "\"name\": \"p\", \"device\": \"d\", \"arch_id\": \"zerith9\"";

std::string chain(int levels) {
  std::string cells;
  for (int i = 0; i < levels - 1; ++i)
    cells += "\"c" + std::to_string(i) + "\": {\"instances\": [{\"name\": \"u\", \"cell\": \"c" +
             std::to_string(i + 1) + "\"}]}, ";
  cells += "\"c" + std::to_string(levels - 1) +
           "\": {\"instances\": [{\"name\": \"r\", \"cell\": \"RAMB36\"}]}";
  return design(cells, "", "c0");
}

std::vector<Case> cases() {
  const std::string leaf = R"("top": {"instances": [{"name": "a", "cell": "LUT6"}]})";
  return {
      // Not a design at all.
      {"syntax", R"({"seufit_design": 1,, "part": "z9-s1"})", "JSON syntax error: expected a key",
       ""},
      {"trailing_comma", design(R"("top": {"instances": [],}})"), "trailing comma", "cells.top"},
      {"nan", design(R"("top": {"nets": NaN})"), "NaN", "cells.top"},
      {"infinity", design(R"("top": {"nets": -Infinity})"), "invalid number '-'", "cells.top"},
      {"single_quotes", "{'seufit_design': 1}", "double quotes", ""},
      {"bad_utf8", design("\"top\": {\"instances\": [{\"name\": \"a\xff\", \"cell\": \"LUT6\"}]}"),
       "invalid UTF-8", "cells.top.instances[0]"},
      {"control_char",
       design("\"top\": {\"instances\": [{\"name\": \"a\tb\", \"cell\": \"LUT6\"}]}"),
       "control character", "cells.top.instances[0]"},
      {"lone_surrogate", design(R"("top": {"instances": [{"name": "\ud800", "cell": "LUT6"}]})"),
       "unpaired surrogate", "cells.top.instances[0]"},
      {"garbage_after", design(leaf) + " x", "after the end of the JSON document", ""},
      {"truncated", design(leaf).substr(0, 80), "unexpected end of input inside a string",
       "cells.top"},
      {"empty", "", "the file is empty", ""},
      {"blank", " \n\t ", "the file is empty", ""},
      {"array", "[1, 2]", "expected a design object", ""},
      {"deep_json",
       design("\"top\": {\"instances\": [{\"name\": \"a\", \"cell\": \"LUT6\", "
              "\"attributes\": {\"X\": {\"other\": " +
              std::string(1200, '[') + std::string(1200, ']') + "}}}]}"),
       "nested deeper than 1000", "cells.top.instances[0]"},

      // Top-level keys.
      {"no_version", R"({"part": "z9-s1", "top": "top", "cells": {"top": {}}})",
       "missing key \"seufit_design\"", ""},
      {"version_2", R"({"seufit_design": 2, "part": "z9-s1", "top": "top", "cells": {"top": {}}})",
       "unsupported format version 2", "seufit_design"},
      {"version_text",
       R"({"seufit_design": "1", "part": "z9-s1", "top": "top", "cells": {"top": {}}})",
       "expected the format version 1, found a string", "seufit_design"},
      {"unknown_key", design(leaf, R"("cell": {})"), "unknown key \"cell\"", "cell"},
      {"twice", design(leaf, R"("top": "top")"), "key \"top\" appears twice", "top"},
      {"no_part", R"({"seufit_design": 1, "top": "top", "cells": {"top": {}}})",
       "missing key \"part\"", ""},
      {"no_cells", R"({"seufit_design": 1, "part": "z9-s1", "top": "top"})",
       "missing key \"cells\"", ""},

      // Parts and libraries.
      {"unknown_part",
       R"({"seufit_design": 1, "part": "z9-nothing", "top": "top", "cells": {"top": {}}})",
       "unknown part \"z9-nothing\"", "part"},
      {"part_number", R"({"seufit_design": 1, "part": 7, "top": "top", "cells": {"top": {}}})",
       "expected a part name of parts.json or an inline part object, found a number", "part"},
      {"part_missing_type", inlinePart(kPartFields), "missing key \"arch_type\" in the part",
       "part"},
      {"arch_type_range", inlinePart(kPartFields + ", \"arch_type\": 2147483648"),
       "number 2147483648 is out of range", "part.arch_type"},
      {"config_bits_high",
       inlinePart(kPartFields + ", \"arch_type\": 19, \"config_bits\": 4294967296"),
       "out of range; expected a configuration-bit count from 0 to 4294967295", "part.config_bits"},
      {"config_bits_negative", inlinePart(kPartFields + ", \"arch_type\": 19, \"config_bits\": -1"),
       "out of range", "part.config_bits"},
      {"config_bits_fraction",
       inlinePart(kPartFields + ", \"arch_type\": 19, \"config_bits\": 1.5"), "found 1.5",
       "part.config_bits"},
      {"unknown_library",
       inlinePart(kPartFields + ", \"arch_type\": 19, \"library\": \"zerith10\""),
       "uses primitive library \"zerith10\", which", "part"},
      {"empty_device",
       inlinePart("\"name\": \"p\", \"device\": \"\", \"arch_id\": \"a\", \"arch_type\": 1"),
       "found an empty string", "part.device"},

      // The hierarchy.
      {"unknown_top", design(leaf, "", "main"), "unknown top cell \"main\"; cells has top", "top"},
      {"top_primitive", design(leaf, "", "RAMB36"), "top \"RAMB36\" is a primitive", "top"},
      {"undefined_cell",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "sub"}, {"name": "b", "cell": "sub"}]})"),
       "undefined cell \"sub\": it is neither a cell of this file nor a primitive of library "
       "\"zerith9\"; 2 instances use it",
       "cells.top.instances[0].cell"},
      {"cycle", design(R"("top": {"instances": [{"name": "x", "cell": "a"}]},
                 "a": {"instances": [{"name": "y", "cell": "b"}]},
                 "b": {"instances": [{"name": "z", "cell": "a"}]})"),
       "cyclic hierarchy: a -> b -> a", "cells.a"},
      {"self_cycle", design(R"("top": {"instances": [{"name": "me", "cell": "top"}]})"),
       "cyclic hierarchy: top -> top", "cells.top"},
      {"cycle_through_contents",
       design(R"("top": {"instances": [{"name": "x", "cell": "P"}]},
                 "inner": {"instances": [{"name": "again", "cell": "P"}]})",
              R"("primitives": {"P": {"class": "other", "code": 1,
                                      "contents": {"instances": [{"name": "i", "cell": "inner"}]}}})"),
       "cyclic hierarchy: P -> inner -> P", "primitives.P.contents"},
      {"too_deep", chain(4097),
       "is 4097 levels deep; at most 4096 are allowed (deepest path u/u/u/.../u/u/r)", "cells.c0"},
      {"duplicate_instance",
       design(R"("top": {"instances": [{"name": "a", "cell": "LUT6"}, {"name": "b", "cell": "LUT6"},
                                         {"name": "a", "cell": "FF"}]})"),
       "duplicate instance name \"a\": instances[0] of the same cell has it too",
       "cells.top.instances[2].name"},
      {"duplicate_after_broken_elements",
       design(R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": []}, "junk",
                                         {"name": "a", "cell": "FF"}]})"),
       "duplicate instance name \"a\": instances[0] of the same cell has it too",
       "cells.top.instances[2].name"},
      {"duplicate_cell", design(leaf + R"(, "top": {})"), "cell \"top\" is defined twice",
       "cells.top"},
      {"cell_and_primitive", design(leaf + R"(, "RAMB36": {})"),
       "\"RAMB36\" is defined both as a cell and as a primitive in primitive library \"zerith9\"",
       "cells.RAMB36"},
      {"cell_and_design_primitive",
       design(leaf + R"(, "MINE": {})", R"("primitives": {"MINE": {"class": "other", "code": 5}})"),
       "\"MINE\" is defined both as a cell and as a primitive under primitives", "cells.MINE"},
      {"empty_cell_name", design(leaf + R"(, "": {})"), "a cell name must not be empty",
       "cells[\"\"]"},

      // Value types and ranges in cells.
      {"nets_text", design(R"("top": {"nets": "3"})"),
       "expected a net count from 0 to 2147483647, found a string", "cells.top.nets"},
      {"nets_range", design(R"("top": {"nets": 2147483648})"), "number 2147483648 is out of range",
       "cells.top.nets"},
      {"bus_nets_negative", design(R"("top": {"bus_nets": -2})"), "out of range",
       "cells.top.bus_nets"},
      {"black_box_text", design(R"("top": {"black_box": "yes"})"),
       "expected true or false, found a string", "cells.top.black_box"},
      {"instances_object", design(R"("top": {"instances": {}})"), "expected a list of instances",
       "cells.top.instances"},
      {"instance_string", design(R"("top": {"instances": ["a"]})"), "expected an instance object",
       "cells.top.instances[0]"},
      {"instance_no_name", design(R"("top": {"instances": [{"cell": "LUT6"}]})"),
       "missing key \"name\" in an instance", "cells.top.instances[0]"},
      {"instance_no_cell", design(R"("top": {"instances": [{"name": "a"}]})"),
       "missing key \"cell\" in an instance", "cells.top.instances[0]"},
      {"instance_name_number", design(R"("top": {"instances": [{"name": 4, "cell": "LUT6"}]})"),
       "expected the instance name (a non-empty string), found a number",
       "cells.top.instances[0].name"},
      {"instance_empty_name", design(R"("top": {"instances": [{"name": "", "cell": "LUT6"}]})"),
       "found an empty string", "cells.top.instances[0].name"},
      {"instance_unknown_key",
       design(R"("top": {"instances": [{"name": "a", "cell": "LUT6", "sites": "X"}]})"),
       "unknown key \"sites\" in an instance; expected name, cell, site and attributes",
       "cells.top.instances[0].sites"},
      {"attributes_list",
       design(R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": []}]})"),
       "expected an object of attribute values by name, found an array",
       "cells.top.instances[0].attributes"},
      {"attribute_null",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"INIT": null}}]})"),
       "expected an attribute value", "cells.top.instances[0].attributes.INIT"},
      {"attribute_twice",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": 1, "X": 2}}]})"),
       "attribute \"X\" appears twice", "cells.top.instances[0].attributes.X"},
      {"attribute_huge_int",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": 9223372036854775808}}]})"),
       "out of range of a 64-bit integer", "cells.top.instances[0].attributes.X"},
      {"attribute_huge_double",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": -1.5e309}}]})"),
       "number -1.5e309 is out of range of a double", "cells.top.instances[0].attributes.X"},
      {"typed_int_range",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": {"int": 2147483648}}}]})"),
       "out of range; expected a 32-bit integer", "cells.top.instances[0].attributes.X.int"},
      {"typed_long_fraction",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": {"long": 1.0}}}]})"),
       "expected a 64-bit integer from", "cells.top.instances[0].attributes.X.long"},
      {"typed_bool_text",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": {"bool": "true"}}}]})"),
       "expected true or false, found a string", "cells.top.instances[0].attributes.X.bool"},
      {"typed_unknown",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": {"float": 1}}}]})"),
       "unknown value kind \"float\"", "cells.top.instances[0].attributes.X.float"},
      {"typed_two_keys",
       design(
           R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": {"int": 1, "long": 2}}}]})"),
       "a typed value has exactly one key", "cells.top.instances[0].attributes.X.long"},
      {"typed_empty",
       design(R"("top": {"instances": [{"name": "a", "cell": "LUT6", "attributes": {"X": {}}}]})"),
       "a typed value has one key", "cells.top.instances[0].attributes.X"},

      // Primitives.
      {"class_unknown", design(leaf, R"("primitives": {"P": {"class": "ram", "code": 1}})"),
       "unknown primitive class \"ram\"", "primitives.P.class"},
      {"class_empty", design(leaf, R"("primitives": {"P": {"class": [], "code": 1}})"),
       "at least one class", "primitives.P.class"},
      {"code_missing", design(leaf, R"("primitives": {"P": {"class": "fifo"}})"),
       "missing key \"code\" in primitive \"P\"", "primitives.P"},
      {"code_range", design(leaf, R"("primitives": {"P": {"class": "fifo", "code": 4294967296}})"),
       "out of range; expected a library-cell code from 0 to 4294967295", "primitives.P.code"},
      {"attribute_names",
       design(leaf, R"("primitives": {"P": {"class": "fifo", "code": 1, "attributes": [1]}})"),
       "expected an attribute name", "primitives.P.attributes[0]"},
      {"primitive_twice",
       design(
           leaf,
           R"("primitives": {"P": {"class": "fifo", "code": 1}, "P": {"class": "fifo", "code": 2}})"),
       "primitive \"P\" is defined twice", "primitives.P"},

      // Constraints and sites.
      {"constraints_object", design(leaf, R"("constraints": {})"), "expected a list of constraints",
       "constraints"},
      {"constraint_text", design(leaf, R"("constraints": [null, "units"])"),
       "expected a constraint object or null, found a string", "constraints[1]"},
      {"units_altitude_number",
       design(leaf, R"("constraints": [{"type": "units", "altitude": 3}])"),
       "expected the altitude unit as a string", "constraints[0].altitude"},
      {"type_number", design(leaf, R"("constraints": [{"type": 4}])"),
       "expected the constraint type (a string), found a number", "constraints[0].type"},
      {"site_object", design(leaf, R"("sites": {"S": {}})"), "expected a list of site elements",
       "sites.S"},
      {"site_twice", design(leaf, R"("sites": {"S": [], "S": []})"), "site \"S\" is listed twice",
       "sites.S"},
      {"element_missing", design(leaf, R"("sites": {"S": [{"config": []}]})"),
       "missing key \"element\" in a site element", "sites.S[0]"},
      {"config_triple",
       design(leaf, R"("sites": {"S": [{"element": "E", "config": [["A", "1", "2"]]}]})"),
       "a configuration value is a pair", "sites.S[0].config[0]"},
      {"config_single", design(leaf, R"("sites": {"S": [{"element": "E", "config": [["A"]]}]})"),
       "a configuration value is a pair", "sites.S[0].config[0]"},
      {"config_number",
       design(leaf, R"("sites": {"S": [{"element": "E", "config": [["A", 36]]}]})"),
       "expected the value as a string, found a number", "sites.S[0].config[0][1]"},
      {"odd_site_name_path", design(leaf, R"("sites": {"X Y": 1})"),
       "expected a list of site elements", "sites[\"X Y\"]"},
  };
}

class LoaderRules : public ShippedData, public ::testing::WithParamInterface<Case> {};

TEST_P(LoaderRules, RefusesWithMessage) {
  const Case& c = GetParam();
  EXPECT_EQ(load(c.json), nullptr);
  ASSERT_FALSE(problems.empty());
  bool found = false;
  for (const auto& p : problems)
    if (p.message.find(c.message) != std::string::npos) {
      found = true;
      EXPECT_EQ(p.jsonPath, c.path) << p.message;
      EXPECT_EQ(p.file, "t.json");
      break;
    }
  EXPECT_TRUE(found) << "wanted: " << c.message << "\ngot:\n" << problemText();
}

INSTANTIATE_TEST_SUITE_P(Design, LoaderRules, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShippedData, HierarchyOf4096LevelsIsAccepted) {
  auto d = load(chain(4096));
  EXPECT_NE(d, nullptr) << problemText();
}

TEST_F(ShippedData, PositionsCountLinesAndCharacters) {
  // Column in characters: "é" and "€" are one column each though two and three bytes.
  const std::string json =
      "{\"seufit_design\": 1,\n"
      " \"part\": \"z9-s1\", \"top\": \"é€\",\n"
      " \"cells\": {\"é€\": {\"nets\": -1}}}";
  EXPECT_EQ(load(json), nullptr);
  ASSERT_EQ(problems.size(), 1u) << problemText();
  EXPECT_EQ(problems[0].line, 3);
  EXPECT_EQ(problems[0].column, 27);
  EXPECT_EQ(problems[0].jsonPath, "cells[\"é€\"].nets");

  load("{\"seufit_design\": 1,\r\n  \"part\" \"z9-s1\"}");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].line, 2);
  EXPECT_EQ(problems[0].column, 10);
  EXPECT_NE(problems[0].message.find("expected ':' after the key \"part\""), std::string::npos);
}

TEST_F(ShippedData, EveryProblemIsListedUpToTheCap) {
  // Three independent problems, all reported, in file order.
  load(design(
      R"("top": {"nets": "x", "bus_nets": -1, "instances": [{"name": "a", "cell": "nope"}]})",
      R"("seufit_design": 3)"));
  ASSERT_EQ(problems.size(), 4u) << problemText();  // the version key appears twice as well
  // Too many: 60 undefined cells give 50 problems and a note.
  std::string insts;
  for (int i = 0; i < 60; ++i)
    insts += std::string(i ? ", " : "") + "{\"name\": \"i" + std::to_string(i) +
             "\", \"cell\": \"x" + std::to_string(i) + "\"}";
  load(design("\"top\": {\"instances\": [" + insts + "]}"));
  ASSERT_EQ(problems.size(), HDLoadLimits::kMaxProblems + 1);
  EXPECT_EQ(problems.back().message, "more problems were found; only the first 50 are listed");
  EXPECT_EQ(problems[0].jsonPath, "cells.top.instances[0].cell");
}

TEST_F(ShippedData, UndefinedNamesAreNotReportedWhenThePartIsUnknown) {
  // Without the part's library every primitive would look undefined: one problem only.
  load(R"({"seufit_design": 1, "part": "zz", "top": "top",
           "cells": {"top": {"instances": [{"name": "a", "cell": "LUT6"}]}}})");
  ASSERT_EQ(problems.size(), 1u) << problemText();
  EXPECT_NE(problems[0].message.find("unknown part \"zz\""), std::string::npos);
}

TEST(DesignFiles, UnreadablePathsAreProblems) {
  std::vector<HDLoadProblem> problems;
  EXPECT_EQ(HDLoad::load(SEUFIT_TEST_DATA_DIR, {}, problems), nullptr);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].message, "cannot read the design file: it is a directory");
  problems.clear();
  EXPECT_EQ(HDLoad::load(SEUFIT_TEST_DATA_DIR "/design/none.json", {}, problems), nullptr);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].message, "cannot read the design file: No such file or directory");
}

TEST(DesignFiles, ReportSendsOneHostErrorPerProblem) {
  ComMsgMgr::ScopedCapture cap;
  std::vector<HDLoadProblem> problems = {
      {"a.json", 3, 7, "cells.top", "expected x"},
      {"a.json", 2, 1, "", "JSON syntax error: y"},
      {"a.json", 0, 0, "part", "unknown part"},
      {"a.json", 0, 0, "", "the file is empty"},
  };
  HDLoad::report(problems);
  ASSERT_EQ(cap.ids(), (std::vector<std::string>{"1-22", "1-21", "1-23", "1-20"}));
  for (const auto& m : cap.messages()) EXPECT_EQ(m.mask, ComMsgMgr::MASK_ERROR);
  EXPECT_EQ(cap.messages()[0].text(), "a.json:3:7: expected x (at cells.top)");
  EXPECT_EQ(cap.messages()[1].text(), "a.json:2:1: JSON syntax error: y");
  EXPECT_EQ(cap.messages()[2].text(), "a.json: unknown part (at part)");
  EXPECT_EQ(cap.messages()[3].text(), "a.json: the file is empty");
}

}  // namespace
