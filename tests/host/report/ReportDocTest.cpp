// The report document model: order of content, value semantics, and handles that stay
// valid however the document is moved, copied or destroyed.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "host/report/HCRRpt.h"

using HCRRptModel::Cell;
using namespace HCRRptTypes;

namespace {

HCRRptDoc makeDoc() { return HCRRptDoc::createDoc("FIT Report", true, "", "", "", "", ""); }

}  // namespace

TEST(ReportDoc, KeepsContentInCreationOrder) {
  HCRRptDoc doc = makeDoc();
  EXPECT_EQ(doc.title(), "FIT Report");
  EXPECT_TRUE(doc.sections().empty());

  HCRRptSection s1 = doc.createSection("Device Reliability", "");
  HCRRptSection s2 = doc.createSection("Second", "tag2");
  HCRRptTable t = s1.createTable("", TABLE_STYLE_BOXED, "");
  HCRRptTableRow head = t.createTableRow(false, "", false);
  HCRRptTableRow body = t.createTableRow(true, "r", false);
  head.createTableHeader("Type", HALIGN_CENTER, -1, "");
  head.createTableHeader("Nominal", HALIGN_CENTER, 12, "h");
  body.createTableCell("Block Memory FIT", HALIGN_AUTO, "");
  body.createTableCell(123.45600128173828, 0, HALIGN_AUTO, "n");
  body.createTableCell("inf", HALIGN_RIGHT, "");
  s2.createTable("Caption", TABLE_STYLE_PLAIN, "");

  const auto& sections = doc.sections();
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].title, "Device Reliability");
  EXPECT_EQ(sections[1].tag, "tag2");
  ASSERT_EQ(sections[0].tables.size(), 1u);
  EXPECT_EQ(sections[1].tables[0].title, "Caption");
  const HCRRptModel::Table& table = sections[0].tables[0];
  EXPECT_EQ(table.style, TABLE_STYLE_BOXED);
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_TRUE(table.rows[0].isHeadingRow());
  EXPECT_FALSE(table.rows[1].isHeadingRow());
  EXPECT_TRUE(table.rows[1].ruleBefore);
  EXPECT_EQ(table.rows[1].tag, "r");

  const auto& h = table.rows[0].cells;
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h[1].kind, Cell::HEADING);
  EXPECT_EQ(h[1].text, "Nominal");
  EXPECT_EQ(h[1].align, HALIGN_CENTER);
  EXPECT_EQ(h[1].minWidth, 12);
  EXPECT_EQ(h[1].tag, "h");

  const auto& b = table.rows[1].cells;
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].kind, Cell::TEXT);
  EXPECT_EQ(b[1].kind, Cell::NUMBER);
  EXPECT_EQ(b[1].value, 123.45600128173828);
  EXPECT_EQ(b[1].precision, 0);
  EXPECT_EQ(b[1].display(), "123");
  EXPECT_EQ(b[2].text, "inf");
  EXPECT_EQ(b[2].align, HALIGN_RIGHT);
  // The handles read the same content.
  EXPECT_EQ(&body.row(), &table.rows[1]);
  EXPECT_EQ(&t.table(), &table);
  EXPECT_EQ(&s2.section(), &sections[1]);
}

TEST(ReportDoc, HandlesSurviveReturnByValueAndGrowth) {
  HCRRptTable table;
  HCRRptSection first;
  auto build = [&]() {
    HCRRptDoc local = makeDoc();
    first = local.createSection("first", "");
    table = first.createTable("", TABLE_STYLE_BOXED, "");
    // Enough growth to move any contiguous storage more than once.
    for (int i = 0; i < 100; ++i)
      local.createSection("more", "").createTable("", TABLE_STYLE_PLAIN, "");
    return local;
  };
  HCRRptDoc doc = build();
  HCRRptDoc moved = std::move(doc);
  for (int i = 0; i < 50; ++i)
    table.createTableRow(false, "", false).createTableCell(i, 0, HALIGN_AUTO, "");
  first.createTable("late", TABLE_STYLE_PLAIN, "");
  ASSERT_EQ(moved.sections().size(), 101u);
  ASSERT_EQ(moved.sections()[0].tables.size(), 2u);
  EXPECT_EQ(moved.sections()[0].tables[0].rows.size(), 50u);
  EXPECT_EQ(moved.sections()[0].tables[0].rows[49].cells[0].value, 49.0);
  EXPECT_EQ(moved.sections()[0].tables[1].title, "late");
  // The moved-from document is empty and still usable.
  EXPECT_TRUE(doc.sections().empty());  // NOLINT(bugprone-use-after-move)
  doc.createSection("again", "");
  EXPECT_EQ(doc.sections().size(), 1u);
  EXPECT_EQ(moved.sections().size(), 101u);
}

TEST(ReportDoc, HandlesOutliveTheirDocument) {
  HCRRptTableRow row;
  {
    HCRRptDoc doc = makeDoc();
    row = doc.createSection("s", "")
              .createTable("", TABLE_STYLE_BOXED, "")
              .createTableRow(false, "", false);
  }
  // The row's content is still owned through the handle: no dangling access.
  row.createTableCell("still here", HALIGN_AUTO, "");
  EXPECT_EQ(row.row().cells.at(0).text, "still here");
}

TEST(ReportDoc, CopiesAreIndependent) {
  HCRRptDoc doc = makeDoc();
  HCRRptTableRow row = doc.createSection("s", "")
                           .createTable("", TABLE_STYLE_BOXED, "")
                           .createTableRow(false, "", false);
  row.createTableCell(1.0, 1, HALIGN_AUTO, "");
  HCRRptDoc copy = doc;
  row.createTableCell(2.0, 1, HALIGN_AUTO, "");
  copy.createSection("only in copy", "");
  EXPECT_EQ(doc.sections()[0].tables[0].rows[0].cells.size(), 2u);
  EXPECT_EQ(copy.sections()[0].tables[0].rows[0].cells.size(), 1u);
  EXPECT_EQ(doc.sections().size(), 1u);
  EXPECT_EQ(copy.sections().size(), 2u);

  HCRRptDoc assigned;
  assigned = doc;
  row.createTableCell(3.0, 1, HALIGN_AUTO, "");
  EXPECT_EQ(assigned.sections()[0].tables[0].rows[0].cells.size(), 2u);
  const HCRRptDoc& self = assigned;
  assigned = self;  // self-assignment keeps the content
  EXPECT_EQ(assigned.sections()[0].tables[0].rows[0].cells.size(), 2u);
}

TEST(ReportDoc, DetachedHandlesRefuseWork) {
  HCRRptSection s;
  HCRRptTable t;
  HCRRptTableRow r;
  EXPECT_THROW(s.createTable("", TABLE_STYLE_BOXED, ""), std::logic_error);
  EXPECT_THROW(t.createTableRow(false, "", false), std::logic_error);
  EXPECT_THROW(r.createTableCell("x", HALIGN_AUTO, ""), std::logic_error);
  EXPECT_THROW(r.createTableHeader("x", HALIGN_AUTO, -1, ""), std::logic_error);
  EXPECT_THROW(r.row(), std::logic_error);
}

TEST(ReportDoc, NumberCellsFormatAtTheirPrecision) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double value;
    int precision;
    int keptPrecision;
    const char* display;
    const char* exact;
  } cases[] = {
      {123.45600128173828, 0, 0, "123", "123.45600128173828"},
      {924.6157, 1, 1, "924.6", "924.6157"},
      {0.0, 0, 0, "0", "0"},
      {-0.0, 0, 0, "0", "-0"},  // zero has no sign on show
      {-0.0, 1, 1, "0.0", "-0"},
      {2.5, 0, 0, "2", "2.5"},  // ties round to even, as printf does
      {1.05, 1, 1, "1.1", "1.05"},
      {-3.25, 1, 1, "-3.2", "-3.25"},
      {1e21, 0, 0, "1000000000000000000000", "1e+21"},
      // Not zero, so never shown as zero: two significant digits below 10^-precision.
      {0.0288, 0, 0, "0.029", "0.0288"},
      {0.06, 0, 0, "0.060", "0.06"},
      {0.5, 0, 0, "0.50", "0.5"},
      {0.996, 0, 0, "1.0", "0.996"},  // rounds up to the next decade
      {-0.3, 0, 0, "-0.30", "-0.3"},
      {0.0999, 1, 1, "0.10", "0.0999"},
      {0.00214, 1, 1, "0.0021", "0.00214"},
      {0.1, 1, 1, "0.1", "0.1"},  // the double nearest 0.1 is just above it
      {0.0004, 3, 3, "0.00040", "0.0004"},
      {1.23e-7, 0, 0, "0.00000012", "1.23e-07"},
      {9.96e-8, 0, 0, "0.00000010", "9.96e-08"},
      {-9.5e-9, 0, 0, "-9.5e-09", "-9.5e-09"},
      {5e-324, 3, 3, "4.9e-324", "5e-324"},
      {0.1, -5, 0, "0.10", "0.1"},
      {1.0, -5, 0, "1", "1"},
      {0.1, 99, MAX_PRECISION, "0.10000000000000000555", "0.1"},
      {nan, 1, 1, "nan", "nan"},
      {-nan, 1, 1, "nan", "nan"},
      {inf, 0, 0, "inf", "inf"},
      {-inf, 0, 0, "-inf", "-inf"},
  };
  HCRRptDoc doc = makeDoc();
  HCRRptTableRow row = doc.createSection("s", "")
                           .createTable("", TABLE_STYLE_BOXED, "")
                           .createTableRow(false, "", false);
  for (const Case& c : cases) row.createTableCell(c.value, c.precision, HALIGN_AUTO, "");
  const auto& cells = row.row().cells;
  ASSERT_EQ(cells.size(), std::size(cases));
  for (size_t i = 0; i < cells.size(); ++i) {
    SCOPED_TRACE(cases[i].display);
    EXPECT_EQ(cells[i].precision, cases[i].keptPrecision);
    EXPECT_EQ(cells[i].display(), cases[i].display);
    EXPECT_EQ(formatValue(cells[i].value), cases[i].exact);
  }
}
