// The text and XML writers: golden renderings, well-formed XML whatever the names
// hold, and the text layout's columns, rules and options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "host/report/HCRRpt.h"
#include "host/report/HCRRptText.h"
#include "support/HostTestUtil.h"

using namespace HCRRptTypes;

namespace {

using Items = std::vector<std::pair<std::string, std::string>>;

const char* const kHeadings[] = {"Type",      "-50%",    "Nominal",  "+100%",
                                 "90% CI LL", "Nominal", "90% CI UL"};

void addHeadings(HCRRptTable& t) {
  HCRRptTableRow r = t.createTableRow(false, "", false);
  for (const char* h : kHeadings) r.createTableHeader(h, HALIGN_CENTER, -1, "");
}

void addFitRow(HCRRptTable& t, const std::string& label, const std::vector<double>& v) {
  HCRRptTableRow r = t.createTableRow(false, "", false);
  r.createTableCell(label, HALIGN_AUTO, "");
  for (double x : v) r.createTableCell(x, 0, HALIGN_AUTO, "");
}

void addMtbfRow(HCRRptTable& t, const std::string& label, const std::vector<double>& fit) {
  HCRRptTableRow r = t.createTableRow(false, "", false);
  r.createTableCell(label, HALIGN_AUTO, "");
  for (double x : fit) {
    if (x > 0)
      r.createTableCell(1000000000.0 / x * 0.041666666666666664 * 0.0027397260273972603, 1,
                        HALIGN_AUTO, "");
    else
      r.createTableCell("inf", HALIGN_RIGHT, "");
  }
}

// A report shaped like the FIT report, with names that need escaping and cleaning.
HCRRptDoc goldenDoc() {
  HCRRptDoc doc = HCRRptDoc::createDoc("FIT Report", true, "", "", "", "", "");
  HCRRptSection s = doc.createSection("Device Reliability", "");
  HCRRptTable t = s.createTable("", TABLE_STYLE_BOXED, "");
  addHeadings(t);
  const float nominal = 123.456f;
  const std::vector<double> bram = {nominal * 0.5f, nominal, nominal + nominal,
                                    nominal * 0.8f, nominal, nominal * 1.3f};
  const std::vector<double> zero(6, 0.0);
  const std::vector<double> odd = {-12.5, 0.4, 1e6, 987654.321, 0.0, 2.5};
  addFitRow(t, "Configuration Memory FIT", zero);
  addMtbfRow(t, "Configuration Memory MTBF", zero);
  addFitRow(t, "Block Memory FIT", bram);
  addMtbfRow(t, "Block Memory MTBF", bram);
  addFitRow(t, "<RAM & \"core\" 'x'>\x01 FIT", odd);
  addMtbfRow(t, "Bad\xff byte\tMTBF", odd);
  HCRRptTableRow f = t.createTableRow(false, "", false);
  f.createTableCell("Device Failures", HALIGN_AUTO, "");
  for (int i = 0; i < 6; ++i) f.createTableCell(0.0010815 * (i + 1), 0, HALIGN_AUTO, "");
  return doc;
}

Items goldenItems() {
  return {{"Command", "seufit report 'my design.json' --xml"},
          {"Design", "top<&>\"'"},
          {"Device", "z9-\x1b[31mexample"}};
}

template <typename Writer, typename... A>
std::string render(HCRRptDoc& doc, Items items, A... args) {
  Writer w(doc, args...);
  w.addExtraHeaderItems(items);
  std::ostringstream os;
  w.renderReport(os);
  return os.str();
}

std::string textOf(HCRRptDoc& doc, Items items = {}) {
  return render<HCRRptTextWriter>(doc, std::move(items), true, true, 0u, 80u);
}

std::string xmlOf(HCRRptDoc& doc, Items items = {}) {
  return render<HCRRptXmlWriter>(doc, std::move(items));
}

void compareGolden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(SEUFIT_TEST_DATA_DIR) + "/report/" + name;
  const char* update = std::getenv("SEUFIT_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    hosttest::writeFile(path, actual);
    return;
  }
  EXPECT_EQ(actual, hosttest::readFile(path))
      << "rendering differs from " << path << "; SEUFIT_UPDATE_GOLDEN=1 rewrites it";
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// Runs xmllint over the document; "" when it is well-formed, its complaint otherwise.
std::string xmllintProblems(const std::string& xml) {
  hosttest::TempDir dir;
  hosttest::writeFile(dir / "r.xml", xml);
  std::string out;
  const int rc = hosttest::run("xmllint --noout '" + (dir / "r.xml") + "' 2>&1", &out);
  return rc == 0 ? "" : out.empty() ? "xmllint failed" : out;
}

}  // namespace

TEST(ReportWriter, TextMatchesGolden) {
  HCRRptDoc doc = goldenDoc();
  compareGolden("fit_report.txt", textOf(doc, goldenItems()));
}

TEST(ReportWriter, XmlMatchesGolden) {
  HCRRptDoc doc = goldenDoc();
  compareGolden("fit_report.xml", xmlOf(doc, goldenItems()));
}

TEST(ReportWriter, XmlIsWellFormedWhateverTheNamesHold) {
  if (!hosttest::haveCommand("xmllint")) GTEST_SKIP() << "xmllint not installed";
  std::string everyByte;
  for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
  const std::string noncharacters = "\xef\xbf\xbe\xef\xbf\xbf";  // U+FFFE, U+FFFF
  HCRRptDoc doc = HCRRptDoc::createDoc(everyByte, true, noncharacters, "", "", "", "");
  HCRRptTable t = doc.createSection(everyByte, "").createTable(everyByte, TABLE_STYLE_BOXED, "");
  HCRRptTableRow r = t.createTableRow(false, "", false);
  r.createTableHeader(everyByte, HALIGN_CENTER, -1, "");
  r.createTableCell(everyByte + noncharacters, HALIGN_AUTO, "");
  r.createTableCell(std::string("nul\0inside", 10), HALIGN_AUTO, "");
  r.createTableCell(std::numeric_limits<double>::quiet_NaN(), 2, HALIGN_AUTO, "");
  r.createTableCell(-std::numeric_limits<double>::infinity(), 2, HALIGN_AUTO, "");
  EXPECT_EQ(xmllintProblems(xmlOf(doc, {{everyByte, everyByte}})), "");

  HCRRptDoc golden = goldenDoc();
  EXPECT_EQ(xmllintProblems(xmlOf(golden, goldenItems())), "");
}

TEST(ReportWriter, XmlTextReadsBackUnchanged) {
  if (!hosttest::haveCommand("xmllint")) GTEST_SKIP() << "xmllint not installed";
  const std::string label = "a<b>&\"c'\td\ne\rf \xc3\xa9";
  HCRRptDoc doc = HCRRptDoc::createDoc("t", true, "", "", "", "", "");
  doc.createSection(label, "")
      .createTable("", TABLE_STYLE_BOXED, "")
      .createTableRow(false, "", false)
      .createTableCell(label, HALIGN_AUTO, "");
  hosttest::TempDir dir;
  hosttest::writeFile(dir / "r.xml", xmlOf(doc, {{label, label}}));
  for (const char* xpath :
       {"string(//section/@title)", "string(//text)", "string(//item/@label)", "string(//item)"}) {
    std::string out;
    ASSERT_EQ(hosttest::run(
                  "xmllint --xpath '" + std::string(xpath) + "' '" + (dir / "r.xml") + "'", &out),
              0);
    EXPECT_EQ(out, label + "\n") << xpath;  // xmllint ends its answer with a new line
  }
}

TEST(ReportWriter, XmlCarriesHeaderItemsInOrderAndNumbersExactly) {
  HCRRptDoc doc = HCRRptDoc::createDoc("R", true, "Sub", "", "", "1.0", "");
  HCRRptTableRow r = doc.createSection("S", "")
                         .createTable("", TABLE_STYLE_BOXED, "")
                         .createTableRow(false, "", false);
  r.createTableCell(924.6157, 1, HALIGN_AUTO, "");
  HCRRptXmlWriter w(doc);
  Items first = {{"Command", ""}, {"Design", "top"}};
  Items second = {{"Device", "z9"}};
  w.addExtraHeaderItems(first);
  w.addExtraHeaderItems(second);
  std::ostringstream os;
  w.renderReport(os);
  EXPECT_EQ(os.str(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<report title=\"R\">\n"
            "  <header>\n"
            "    <item label=\"Subtitle\">Sub</item>\n"
            "    <item label=\"Version\">1.0</item>\n"
            "    <item label=\"Command\"></item>\n"
            "    <item label=\"Design\">top</item>\n"
            "    <item label=\"Device\">z9</item>\n"
            "  </header>\n"
            "  <section title=\"S\">\n"
            "    <table>\n"
            "      <row><number precision=\"1\" value=\"924.6157\">924.6</number></row>\n"
            "    </table>\n"
            "  </section>\n"
            "</report>\n");
  // Rendering again gives the same bytes.
  std::ostringstream again;
  w.renderReport(again);
  EXPECT_EQ(again.str(), os.str());
}

TEST(ReportWriter, WriterKeepsContentWhenTheDocumentGoesFirst) {
  auto doc = std::make_unique<HCRRptDoc>(goldenDoc());
  HCRRptXmlWriter w(*doc);
  const std::string before = xmlOf(*doc);
  doc.reset();
  std::ostringstream os;
  w.renderReport(os);
  EXPECT_EQ(os.str(), before);
}

TEST(ReportWriter, TextColumnsFitTheWidestCellAndAlign) {
  HCRRptDoc doc = HCRRptDoc::createDoc("T", true, "", "", "", "", "");
  HCRRptTable t = doc.createSection("S", "").createTable("", TABLE_STYLE_BOXED, "");
  HCRRptTableRow h = t.createTableRow(false, "", false);
  h.createTableHeader("Type", HALIGN_CENTER, -1, "");
  h.createTableHeader("N", HALIGN_CENTER, -1, "");
  h.createTableHeader("W", HALIGN_CENTER, 6, "");
  HCRRptTableRow a = t.createTableRow(false, "", false);
  a.createTableCell("long label \xc3\xa9", HALIGN_AUTO, "");  // 12 code points, 13 bytes
  a.createTableCell(12345.678, 2, HALIGN_AUTO, "");
  a.createTableCell("inf", HALIGN_RIGHT, "");
  HCRRptTableRow b = t.createTableRow(false, "", false);
  b.createTableCell("x", HALIGN_AUTO, "");
  b.createTableCell(7.0, 0, HALIGN_AUTO, "");
  b.createTableCell("L", HALIGN_LEFT, "");
  EXPECT_EQ(textOf(doc),
            "T\n"
            "================================================================================\n"
            "\n"
            "1. S\n"
            "--------------------------------------------------------------------------------\n"
            "\n"
            "+--------------+----------+--------+\n"
            "|     Type     |    N     |   W    |\n"
            "+--------------+----------+--------+\n"
            "| long label \xc3\xa9 | 12345.68 |    inf |\n"
            "| x            |        7 | L      |\n"
            "+--------------+----------+--------+\n");
}

TEST(ReportWriter, TextControlCharactersCannotBreakTheLayout) {
  HCRRptDoc doc = goldenDoc();
  const std::string text = textOf(doc, goldenItems());
  for (unsigned char c : text) EXPECT_TRUE(c == '\n' || c >= 0x20) << int(c);
  // Every line of the table has the width of its frame.
  size_t frame = 0;
  for (const std::string& l : lines(text)) {
    if (l.empty() || (l[0] != '+' && l[0] != '|')) continue;
    if (!frame) frame = HCRRptText::width(l);
    EXPECT_EQ(HCRRptText::width(l), frame) << l;
  }
  EXPECT_GT(frame, 0u);
}

TEST(ReportWriter, TextOptionsAndStyles) {
  HCRRptDoc doc = HCRRptDoc::createDoc("Title", false, "", "", "", "", "");
  HCRRptSection s = doc.createSection("One", "");
  doc.createSection("Two", "");
  HCRRptTable plain = s.createTable("Plain", TABLE_STYLE_PLAIN, "");
  HCRRptTableRow h = plain.createTableRow(false, "", false);
  h.createTableHeader("A", HALIGN_AUTO, -1, "");
  h.createTableHeader("B", HALIGN_AUTO, -1, "");
  HCRRptTableRow r = plain.createTableRow(false, "", true);
  r.createTableCell("aa", HALIGN_AUTO, "");
  r.createTableCell(1.5, 1, HALIGN_AUTO, "");
  HCRRptTable ruled = s.createTable("", TABLE_STYLE_RULED, "");
  HCRRptTableRow h2 =
      ruled.createTableRow(false, "", true);  // its rule and the heading rule are one
  h2.createTableHeader("A", HALIGN_AUTO, -1, "");
  ruled.createTableRow(true, "", false).createTableCell("x", HALIGN_AUTO, "");
  s.createTable("", TABLE_STYLE_BOXED, "");  // no rows: nothing drawn

  Items items = {{"Command", "c"}};
  EXPECT_EQ(render<HCRRptTextWriter>(doc, items, true, false, 2u, 0u),
            "Command: c\n"
            "\n"
            "One\n"
            "---\n"
            "\n"
            "  Plain\n"
            "  A   B\n"
            "  aa  1.5\n"
            "  -------\n"
            "\n"
            "  A\n"
            "  -\n"
            "  x\n"
            "\n"
            "Two\n"
            "---\n");
  EXPECT_EQ(render<HCRRptTextWriter>(doc, items, false, true, 0u, 5u).substr(0, 14),
            "1. One\n------\n");
}
