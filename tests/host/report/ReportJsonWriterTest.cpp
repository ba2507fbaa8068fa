// The JSON rendering: valid JSON carrying the same content as the XML rendering.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cmath>
#include <sstream>

#include "host/report/HCRRpt.h"

using namespace HCRRptTypes;

TEST(ReportJsonWriter, CarriesHeaderProvenanceAndExactCells) {
  HCRRptDoc doc = HCRRptDoc::createDoc("R \"q\"", true, "", "", "", "", "");
  HCRRptTable t = doc.createSection("S", "").createTable("", TABLE_STYLE_BOXED, "");
  HCRRptTableRow h = t.createTableRow(false, "", false);
  h.createTableHeader("Type", HALIGN_CENTER, -1, "");
  HCRRptTableRow r = t.createTableRow(false, "", false);
  r.createTableCell("a\tb\xff", HALIGN_AUTO, "");
  r.createTableCell(static_cast<double>(123.456f), 0, HALIGN_AUTO, "");
  r.createTableCell(INFINITY, 1, HALIGN_AUTO, "");
  doc.createSection("Empty", "");
  HCRRptJsonWriter w(doc);
  std::vector<std::pair<std::string, std::string>> items = {{"Command", "x"}};
  w.addExtraHeaderItems(items);
  w.addProvenanceItems({{"Relative flux", "1.5"}});
  std::ostringstream os;
  w.renderReport(os);

  rapidjson::Document d;
  d.Parse<rapidjson::kParseFullPrecisionFlag>(os.str().c_str());
  ASSERT_FALSE(d.HasParseError()) << os.str();
  EXPECT_STREQ(d["title"].GetString(), "R \"q\"");
  EXPECT_STREQ(d["header"][0]["label"].GetString(), "Command");
  EXPECT_STREQ(d["provenance"][0]["value"].GetString(), "1.5");
  const auto& cells = d["sections"][0]["tables"][0]["rows"][1]["cells"];
  EXPECT_STREQ(cells[0]["text"].GetString(), "a\tb\xef\xbf\xbd");
  EXPECT_STREQ(cells[1]["kind"].GetString(), "number");
  EXPECT_STREQ(cells[1]["text"].GetString(), "123");
  EXPECT_EQ(cells[1]["value"].GetDouble(), static_cast<double>(123.456f));
  EXPECT_TRUE(cells[2]["value"].IsNull());
  EXPECT_STREQ(cells[2]["text"].GetString(), "inf");
  EXPECT_EQ(d["sections"][1]["tables"].Size(), 0u);

  // Without provenance items there is no element.
  HCRRptJsonWriter plain(doc);
  std::ostringstream again;
  plain.renderReport(again);
  EXPECT_EQ(again.str().find("provenance"), std::string::npos);
}
