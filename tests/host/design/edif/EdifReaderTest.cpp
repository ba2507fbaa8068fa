// EDIF netlists: what Yosys writes and hand-written forms reach the design database with
// the right hierarchy, names, values and sites; malformed files get exact messages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "host/design/db/HDesignSummary.h"
#include "host/design/dfile/HDCatalogueReader.h"
#include "host/design/edif/HDEdifReader.h"
#include "support/DesignTestUtil.h"

namespace {

const std::string kDir = SEUFIT_TEST_DATA_DIR "/netlist/edif/";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string valueText(const HATAttr& a) {
  char buf[64];
  switch (a.getKind()) {
    case HATAttr::BOOL:
      return a.getBoolVal() ? "bool:true" : "bool:false";
    case HATAttr::INT:
      return "int:" + std::to_string(a.getIntVal());
    case HATAttr::LONG:
      return "long:" + std::to_string(a.getLongVal());
    case HATAttr::DOUBLE:
      std::snprintf(buf, sizeof buf, "double:%.17g", a.getDoubleVal());
      return buf;
    case HATAttr::TEXT:
      return "text:" + a.getStringVal();
    default:
      return "other:" + a.getStringVal();
  }
}

class EdifTest : public ShippedData {
 protected:
  using Reader = std::function<void(HDLoadContext&, HDDesignAssembly&, const HDNetlistOptions&)>;

  // Reads the netlist the way the loader reads a design file: the front end, the part's
  // catalogues, then resolution. With `blackBoxes`, leaf types outside the catalogue
  // become primitives without memory, as the cell map makes them by default.
  std::unique_ptr<HFLFloorplan> loadEdif(const std::string& text, const HDNetlistOptions& opts = {},
                                         bool blackBoxes = true) {
    return loadWith([&](HDLoadContext& ctx, HDDesignAssembly& design,
                        const HDNetlistOptions& o) { hdReadEdif(ctx, design, text, o); },
                    opts, blackBoxes);
  }
  // The same text from a file, read in chunks of `chunk` bytes.
  std::unique_ptr<HFLFloorplan> loadEdifFile(const std::string& text, size_t chunk,
                                             const HDNetlistOptions& opts = {},
                                             bool blackBoxes = true) {
    char path[] = "/tmp/edif_test_XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    auto fp = loadInput(path, chunk, opts, blackBoxes);
    unlink(path);
    return fp;
  }
  // The same text from a pipe, which cannot be read twice.
  std::unique_ptr<HFLFloorplan> loadEdifPipe(const std::string& text, size_t chunk,
                                             const HDNetlistOptions& opts = {},
                                             bool blackBoxes = true) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    std::thread writer([&] {
      for (size_t at = 0; at < text.size();) {
        const ssize_t n = write(fds[1], text.data() + at, text.size() - at);
        if (n <= 0) break;
        at += static_cast<size_t>(n);
      }
      close(fds[1]);
    });
    auto fp = loadInput("/dev/fd/" + std::to_string(fds[0]), chunk, opts, blackBoxes);
    close(fds[0]);
    writer.join();
    return fp;
  }
  std::unique_ptr<HFLFloorplan> loadInput(const std::string& path, size_t chunk,
                                          const HDNetlistOptions& opts, bool blackBoxes) {
    std::string error;
    std::unique_ptr<HDInput> in = HDInput::open(path, error);
    EXPECT_TRUE(in) << error;
    if (!in) return nullptr;
    return loadWith(
        [&](HDLoadContext& ctx, HDDesignAssembly& design, const HDNetlistOptions& o) {
          EXPECT_TRUE(hdReadEdif(ctx, design, *in, o, chunk));
        },
        opts, blackBoxes);
  }

  std::unique_ptr<HFLFloorplan> loadWith(const Reader& read, const HDNetlistOptions& opts,
                                         bool blackBoxes) {
    problems.clear();
    HDLoadContext ctx("t.edf", problems);
    HDDesignAssembly design(ctx);
    try {
      read(ctx, design, opts);
      design.havePart = design.partOk = true;
      design.partName = "z9-s1";
      HDCatalogueReader catalogues(ctx, design);
      const bool known = catalogues.read();
      if (blackBoxes) {
        for (const HDSymbol& s : design.symbols()) {
          if (s.cell || design.primitives().count(s.name)) continue;
          HDPrimitive* p = design.floorplan().addPrimitive(s.name);
          p->classes = HDPrimitive::OTHER;
          design.primitives()[s.name] = HDPrimInfo{p, true, "", "", {}};
        }
      }
      design.resolve(known);
    } catch (const HDStopLoading&) {
    }
    if (!ctx.clean()) return nullptr;
    std::unique_ptr<HFLFloorplan> fp = design.take();
    hdNumberUndeclaredLiterals(*fp);
    return fp;
  }

  // One line per occurrence below the top: hierarchical name, type, site, attributes.
  static std::string inventory(const HFLFloorplan& fp) {
    std::string out;
    walk(fp.getNetlist(), fp.getNetlist()->getTopCellview(), out);
    return out;
  }
  static void walk(const HAINetlist* nl, const HDLHCellview* cv, std::string& out) {
    std::unique_ptr<HDLHInstanceIter> it(cv->createInstanceIterLH());
    while (it->more()) {
      const HDLHInstance* inst = it->next();
      std::string name;
      nl->getHierName(inst, name, nullptr, "");
      const HDAHInstance* d = inst->getDAH();
      out += name + " " +
             (d->getPrimitive() ? d->getPrimitive()->name : d->getMasterView()->getName());
      if (!d->getSiteName().empty()) out += " @" + std::string(d->getSiteName());
      for (const auto& kv : d->attributes()) out += " " + kv.first + "=" + valueText(kv.second);
      out += "\n";
      if (!inst->isArchLeaf() && inst->getMasterLH()) walk(nl, inst->getMasterLH(), out);
    }
  }
  // The inventory with every cell's nets.
  static std::string designText(const HFLFloorplan& fp) {
    std::string out = inventory(fp);
    for (const auto& cell : fp.cells())
      out += cell->getName() + " nets " + std::to_string(cell->netCount(HDAHTypes::CONN_ALL)) +
             " buses " + std::to_string(cell->busNetCount()) + "\n";
    return out;
  }
  // The problems and the design (when there is one) of a load.
  std::string outcome(const std::unique_ptr<HFLFloorplan>& fp) const {
    return problemLines() + (fp ? designText(*fp) : "no design\n");
  }
  std::string problemLines() const {
    std::string out;
    for (const auto& p : problems)
      out += std::to_string(p.line) + ":" + std::to_string(p.column) + " [" + p.jsonPath + "] " +
             p.message + "\n";
    return out;
  }
};

TEST_F(EdifTest, YosysExplicitPrimitives) {
  auto fp = loadEdif(readFile(kDir + "explicit.edf"));
  ASSERT_TRUE(fp) << problemLines();
  EXPECT_EQ(fp->getDesignName(), "explicit_top");
  // The writer's own properties (src, module_not_derived) are gone; integers stay
  // integers, texts texts (their kinds come from the primitive definitions later).
  EXPECT_EQ(inventory(*fp),
            "GND GND\n"
            "VCC VCC\n"
            "ecc_ram RAMB36 EN_ECC_READ=text:TRUE EN_ECC_WRITE=text:TRUE RAM_MODE=text:SDP "
            "READ_WIDTH_A=int:72 WRITE_WIDTH_B=int:72\n"
            "narrow_fifo FIFO18 READ_WIDTH=int:36 WRITE_WIDTH=int:36\n"
            "table_ram RAMB18 RAM_MODE=text:TDP READ_WIDTH_A=int:9 READ_WIDTH_B=int:9 "
            "WRITE_WIDTH_A=int:9 WRITE_WIDTH_B=int:9 SEU_PROTECTED=int:2048\n"
            "wide_fifo FIFO36 FIFO_MODE=text:FIFO36_72 READ_WIDTH=int:72 WRITE_WIDTH=int:72\n");
  const HDDesignSummary s = HDSummarizeDesign(*fp);
  EXPECT_EQ(s.ramb, 2u);
  EXPECT_EQ(s.fifo, 2u);
  EXPECT_GT(fp->findCell("explicit_top")->netCount(HDAHTypes::CONN_ALL), 0);
}

TEST_F(EdifTest, YosysHierarchyWithDerivedModules) {
  auto fp = loadEdif(readFile(kDir + "line_buffers.edf"));
  ASSERT_TRUE(fp) << problemLines();
  // Three parameter sets of line_buffer: three derived cells, renamed in the file; the
  // instance "mem.0.0" is renamed too.
  EXPECT_EQ(fp->cells().size(), 4u);
  std::string leaves;
  std::istringstream in(inventory(*fp));
  std::string line;
  while (std::getline(in, line))
    if (line.find("mem.0.0") != std::string::npos) leaves += line + "\n";
  EXPECT_EQ(
      leaves,
      "chroma_buf/mem.0.0 RAMB18 RAM_MODE=text:SDP READ_WIDTH_A=int:36 WRITE_WIDTH_B=int:36\n"
      "luma_a/mem.0.0 RAMB18 RAM_MODE=text:SDP READ_WIDTH_A=int:18 WRITE_WIDTH_B=int:18\n"
      "luma_b/mem.0.0 RAMB18 RAM_MODE=text:SDP READ_WIDTH_A=int:18 WRITE_WIDTH_B=int:18\n"
      "pixel_buf/mem.0.0 RAMB36 RAM_MODE=text:SDP READ_WIDTH_A=int:72 WRITE_WIDTH_B=int:72\n");
  const HDAHInstance* luma = nullptr;
  for (const auto& i : fp->findCell("line_buffers")->instances())
    if (i.getName() == "luma_a") luma = &i;
  ASSERT_TRUE(luma);
  EXPECT_EQ(luma->getCell()->getName().rfind("$paramod$", 0), 0u);
  EXPECT_EQ(luma->getCell(), [&] {
    for (const auto& i : fp->findCell("line_buffers")->instances())
      if (i.getName() == "luma_b") return i.getCell();
    return static_cast<const HDAHCellview*>(nullptr);
  }());
}

TEST_F(EdifTest, YosysValuesSiteAndWideLiterals) {
  HDNetlistOptions opts;
  auto fp = loadEdif(readFile(kDir + "values.edf"), opts);
  ASSERT_TRUE(fp) << problemLines();
  // 64'h0000000100000000 is a number; 64'hfedc... does not fit a signed long and stays
  // text; 4'h8 (written for 4'b1x0z) and 41'h...5 are small numbers; a real parameter is
  // text as the writer gives it; keep is the writer's.
  EXPECT_EQ(inventory(*fp),
            "GND GND\n"
            "VCC VCC\n"
            "u2 sub\n"
            "u2/GND GND\n"
            "u2/VCC VCC\n"
            "u2/b BB M=int:5 N=long:4294967295 X=int:8 S=text:hello world R=text:2.250000 "
            "W=text:64'hfedcba9876543210\n"
            "u1 sub @X1Y2/RAM SEU_PROTECTED=long:4294967296\n"
            "u1/GND GND\n"
            "u1/VCC VCC\n"
            "u1/b BB M=int:5 N=long:4294967295 X=int:8 S=text:hello world R=text:2.250000 "
            "W=text:64'hfedcba9876543210\n");
  // Another site property: the placement one is then an attribute like any other.
  opts.siteAttribute = "LOC";
  fp = loadEdif(readFile(kDir + "values.edf"), opts);
  ASSERT_TRUE(fp) << problemLines();
  EXPECT_NE(inventory(*fp).find("u1 sub NEXTPNR_BEL=text:X1Y2/RAM SEU"), std::string::npos);
}

TEST_F(EdifTest, HandWrittenForms) {
  HDNetlistOptions opts;
  opts.siteAttribute = "LOC";
  auto fp = loadEdif(readFile(kDir + "features.edf"), opts);
  ASSERT_TRUE(fp) << problemLines();
  EXPECT_EQ(fp->getDesignName(), "Top Cell");
  // Declared attributes of the primitive keep their text (INIT_A); an undeclared literal
  // becomes a number; (e 15 -1) is 1.5 exactly; lists and miNoMax are not read.
  EXPECT_EQ(inventory(*fp),
            "u_ram[0] RAMB36 @RAMB36_X0Y1 RAM_MODE=text:SDP READ_WIDTH_A=int:72 "
            "EN_ECC_READ=bool:true EN_ECC_WRITE=bool:false SCALE=double:1.5 THREE=double:3 "
            "TINY=double:0 NOUGHT=double:0 BIG=long:-3000000000 SEU_PROTECTED=long:68719476736 "
            "INIT_A=text:72'h000000000000000001 NOTE=text:a \"quoted\" note "
            "PAIR=other:integer list SPAN=other:minomax\n"
            "fifo[0][0] FIFO18 FIFO_MODE=text:FIFO18_36\n"
            "fifo[0][1] FIFO18 FIFO_MODE=text:FIFO18_36\n"
            "fifo[0][2] FIFO18 FIFO_MODE=text:FIFO18_36\n"
            "fifo[1][0] FIFO18 FIFO_MODE=text:FIFO18_36\n"
            "fifo[1][1] FIFO18 FIFO_MODE=text:FIFO18_36\n"
            "fifo[1][2] FIFO18 FIFO_MODE=text:FIFO18_36\n"
            "sub1 sub cell\n"
            "sub2 sub cell\n");
  // Nets and net bundles are counted: a cell of nets only is still a level.
  const HDAHCellview* top = fp->findCell("Top Cell");
  EXPECT_EQ(top->netCount(HDAHTypes::CONN_ALL), 2);
  EXPECT_EQ(top->busNetCount(), 1);
  EXPECT_EQ(fp->findCell("sub cell")->netCount(HDAHTypes::CONN_ALL), 1);
  // A cell without contents is a leaf, not a cell.
  EXPECT_EQ(fp->findCell("glue"), nullptr);

  // The top named outright wins over the design statement.
  opts.top = "sub cell";
  fp = loadEdif(readFile(kDir + "features.edf"), opts);
  ASSERT_TRUE(fp) << problemLines();
  EXPECT_EQ(fp->getDesignName(), "sub cell");
}

TEST_F(EdifTest, FlattenedInstancesTakeTheirNameFromHdlname) {
  // As write_edif -attrprop writes a flattened netlist: the place before flattening in
  // hdlname, blank-separated; an array keeps its own names.
  const std::string text = R"((edif top (edifVersion 2 0 0) (edifLevel 0)
  (keywordMap (keywordLevel 0))
  (external LIB (edifLevel 0) (technology (numberDefinition))
    (cell RAMB18 (cellType GENERIC) (view VIEW_NETLIST (viewType NETLIST) (interface)))
    (cell (rename id00001 "$mem_v2") (cellType GENERIC)
      (view VIEW_NETLIST (viewType NETLIST) (interface))))
  (library DESIGN (edifLevel 0) (technology (numberDefinition))
    (cell top (cellType GENERIC) (view VIEW_NETLIST (viewType NETLIST) (interface)
      (contents
        (instance (rename id00002 "g[0].u.mem.0.0")
          (viewRef VIEW_NETLIST (cellRef RAMB18 (libraryRef LIB)))
          (property READ_WIDTH_A (integer 18))
          (property hdlname (string "g[0].u mem.0.0")))
        (instance (rename id00003 "g[0].u.scratch")
          (viewRef VIEW_NETLIST (cellRef id00001 (libraryRef LIB)))
          (property SIZE (integer 4)) (property WIDTH (integer 4))
          (property hdlname (string "g[0].u scratch")))
        (instance (array arr 2) (viewRef VIEW_NETLIST (cellRef RAMB18 (libraryRef LIB)))
          (property hdlname (string "x y")))))))
  (design top (cellRef top (libraryRef DESIGN))))
)";
  auto fp = loadEdif(text);
  ASSERT_TRUE(fp) << problemLines();
  EXPECT_EQ(inventory(*fp),
            "g[0].u/mem.0.0 RAMB18 READ_WIDTH_A=int:18\n"
            "g[0].u/scratch $mem_v2 SIZE=int:4 WIDTH=int:4\n"
            "arr[0] RAMB18\n"
            "arr[1] RAMB18\n");
}

// Each file of malformed/ is refused with the problems listed in malformed/expected.txt:
// "FILE: line:column [path] message", in order.
TEST_F(EdifTest, MalformedTable) {
  std::map<std::string, std::string> expected;
  std::istringstream table(readFile(kDir + "malformed/expected.txt"));
  std::string line;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t colon = line.find(": ");
    ASSERT_NE(colon, std::string::npos) << line;
    expected[line.substr(0, colon)] += line.substr(colon + 2) + "\n";
  }
  ASSERT_GE(expected.size(), 20u);
  const std::string dir = kDir + "malformed/";
  for (const auto& [file, want] : expected) {
    EXPECT_FALSE(loadEdif(readFile(dir + file), {}, false)) << file;
    EXPECT_EQ(problemLines(), want) << file;
  }
}

TEST_F(EdifTest, DeepNestingAndProblemCap) {
  // Nesting deeper than any machine stack, in a form that is skipped.
  std::string deep = readFile(kDir + "features.edf");
  const std::string nest =
      "(userData " + std::string(200000, '(') + "x" + std::string(200000, ')') + ")";
  deep.insert(deep.rfind(')'), nest);
  EXPECT_TRUE(loadEdif(deep)) << problemLines();
  deep.erase(deep.size() - 3);
  EXPECT_FALSE(loadEdif(deep));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].message.find("the file ends inside the (userdata ...)"), std::string::npos)
      << problems[0].message;

  // Many problems: the list stops at its cap.
  std::string many = "(edif x (edifVersion 2 0 0) (library L (cell c (view v (contents";
  for (int i = 0; i < 200; ++i) many += " (instance i" + std::to_string(i) + ")";
  many += ")))) (design d (cellRef c (libraryRef L))))";
  EXPECT_FALSE(loadEdif(many));
  EXPECT_EQ(problems.size(), HDLoadLimits::kMaxProblems + 1);
}

// Read from a file in chunks down to a byte, or from a pipe, a netlist gives the problems
// (message, line, column) and the design it gives in memory: every token kind, escapes,
// UTF-8, CRLF, a string longer than the chunk, and each malformed file, cut anywhere.
TEST_F(EdifTest, ChunkedReadingMatchesMemory) {
  std::vector<std::string> texts;
  for (const char* f : {"features.edf", "explicit.edf", "values.edf", "yosys_gates.edf"})
    texts.push_back(readFile(kDir + f));
  std::istringstream table(readFile(kDir + "malformed/expected.txt"));
  std::string line;
  while (std::getline(table, line))
    if (!line.empty() && line[0] != '#')
      texts.push_back(readFile(kDir + "malformed/" + line.substr(0, line.find(": "))));
  // CRLF, form feeds and tabs as blanks, escapes split by blanks, UTF-8 before a problem.
  const std::string soup =
      "(edif x (edifVersion +2 0 -0)\r\n\f(external E (cell p (view v)))\r\n"
      "\t(library L (cell c (view v (contents\r\n"
      "  (instance i (viewRef v (cellRef p (libraryRef E)))\r\n"
      "    (property A (string \"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80% 65\r\n 66 %\"))"
      " (property A (integer 1))\r\n"
      "    (property &B (string (stringDisplay \"" +
      std::string(300, 'x') +
      "\n\xC3\xA9\")))\r\n  (property C (number (e -15 +1))))\r\n"
      "  (net n (joined (portRef (member A 0) (instanceRef i)) (portRef \"%10%\")))\r\n"
      "  (instance \"\xC3\xA9\"))))) (design d (cellRef c (libraryRef L))))\r\n";
  texts.push_back(soup);
  texts.push_back(soup + "9x");                        // a bad name at the very end
  texts.push_back(soup.substr(0, soup.size() - 40));   // ends inside a form
  texts.push_back(soup.substr(0, soup.find("66 %")));  // inside an escape
  std::string oneLine = readFile(kDir + "features.edf");
  std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
  texts.push_back(oneLine);
  for (const std::string& text : texts) {
    const std::string want = outcome(loadEdif(text));
    // Byte by byte only where it is quick.
    const size_t least = text.size() > 16384 ? 7 : 1;
    for (size_t chunk : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{64}, kHDEdifChunk})
      if (chunk >= least) {
        EXPECT_EQ(outcome(loadEdifFile(text, chunk)), want) << "chunk " << chunk << "\n" << text;
      }
    for (size_t chunk : {size_t{1}, size_t{7}, kHDEdifChunk})
      if (chunk >= least) {
        EXPECT_EQ(outcome(loadEdifPipe(text, chunk)), want) << "pipe " << chunk << "\n" << text;
      }
  }
  // The places themselves: columns count characters, a CR is one.
  EXPECT_FALSE(loadEdif(soup));
  EXPECT_EQ(problemLines(),
            "1:9 [] EDIF version +2 0 -0: expected (edifVersion 2 0 0)\n"
            "6:20 [library L / cell c / instance i / property A] property \"A\" is given twice\n"
            "11:13 [library L / cell c] expected the instance name: a name or (rename ...) or "
            "(array ...), found string \"\xC3\xA9\"\n");
}

TEST_F(EdifTest, ColumnsOfOneLongLine) {
  // One line of instances, each with a two-byte character: the problem at its end has the
  // column of its place less one per character, read in memory or in small chunks.
  std::string text =
      "(edif x (edifVersion 2 0 0) (external E (cell p (view v))) (library L (cell c "
      "(view v (contents";
  const int n = 20000;
  for (int k = 0; k < n; ++k)
    text += " (instance i" + std::to_string(k) +
            " (viewRef v (cellRef p (libraryRef E))) (property S (string \"\xC3\xA9\")))";
  const std::string want =
      "1:" + std::to_string(text.size() + 2 - n) +
      " [library L / cell c] EDIF syntax error: invalid name \"9bad\": an EDIF name is a letter "
      "followed by letters, digits and '_', or '&' followed by such characters\n";
  text += " 9bad";
  EXPECT_FALSE(loadEdif(text));
  EXPECT_EQ(problemLines(), want);
  EXPECT_FALSE(loadEdifFile(text, 4096));
  EXPECT_EQ(problemLines(), want);
}

TEST_F(EdifTest, ForwardReferencesFromFilesAndPipes) {
  // Cells declared after their uses, one renamed; the scan for them starts where the
  // reading is, in memory, in a file read again, or in what is left of a pipe.
  const std::string later = R"((edif x (edifVersion 2 0 0)
 (library L (cell a (view v (contents
  (instance u (viewRef v (cellRef b (libraryRef L))))
  (instance w (viewRef v (cellRef later (libraryRef E))))
  (instance (array r 2) (viewRef v (cellRef later (libraryRef E)))))))
  (cell b (view v (contents (instance x (viewRef v (cellRef later (libraryRef E)))))))
  (cell unused (view v)))
 (external E (cell (rename later "Later Leaf") (view v)))
 (design d (cellRef a (libraryRef L))))
)";
  auto fp = loadEdif(later);
  ASSERT_TRUE(fp) << problemLines();
  EXPECT_EQ(inventory(*fp),
            "u b\nu/x Later Leaf\nw Later Leaf\nr[0] Later Leaf\nr[1] Later Leaf\n");
  // A library given twice before the use: its second declaration is not read, but the
  // cells it lists are found as a scan of the whole file finds them.
  const std::string twice = R"((edif x (edifVersion 2 0 0)
 (library P (cell c (view v)))
 (library P (cell b (view v)))
 (library L (cell a (view v (contents (instance u (viewRef v (cellRef b (libraryRef P))))))))
 (design d (cellRef a (libraryRef L))))
)";
  EXPECT_FALSE(loadEdif(twice));
  EXPECT_EQ(problemLines(),
            "3:11 [library P] library \"P\" is declared twice (first at line 2, column 11)\n");
  for (const std::string& text : {later, twice}) {
    const std::string want = outcome(loadEdif(text));
    for (size_t chunk : {size_t{1}, size_t{16}, kHDEdifChunk}) {
      EXPECT_EQ(outcome(loadEdifFile(text, chunk)), want) << chunk;
      EXPECT_EQ(outcome(loadEdifPipe(text, chunk)), want) << chunk;
    }
  }
}

TEST_F(EdifTest, DuplicateInstanceNamesAtTheEndOfTheCell) {
  // An array member named as an instance before it: reported after the cell's other
  // problems, under the array's own name, with the first one's place.
  const std::string text = R"((edif x (edifVersion 2 0 0)
 (external E (cell p (view v)))
 (library L (cell c (view v (contents
  (instance (rename q "r[1]") (viewRef v (cellRef p (libraryRef E))))
  (instance (array r 2) (viewRef v (cellRef p (libraryRef E))))
  (instance s (viewRef v (cellRef p (libraryRef E))) (property hdlname (string "top q")))
  (instance t (viewRef v (cellRef p (libraryRef E))) (property hdlname (string "top q")))
  (instance z)))))
 (design d (cellRef c (libraryRef L))))
)";
  EXPECT_FALSE(loadEdif(text));
  EXPECT_EQ(problemLines(),
            "8:13 [library L / cell c / instance z] instance \"z\" has no (viewRef VIEW "
            "(cellRef CELL ...)) naming its cell\n"
            "5:20 [library L / cell c / instance r] instance name \"r[1]\" is used twice in cell "
            "\"c\" (first at line 4, column 13)\n"
            "7:13 [library L / cell c / instance t] instance name \"top/q\" is used twice in cell "
            "\"c\" (first at line 6, column 13)\n");
  // A syntax error cuts the cell short: the names read before it are checked first.
  EXPECT_FALSE(loadEdif(text.substr(0, text.find("(instance z)")) + "(property x 9bad"));
  EXPECT_EQ(problemLines(),
            "5:20 [library L / cell c / instance r] instance name \"r[1]\" is used twice in cell "
            "\"c\" (first at line 4, column 13)\n"
            "7:13 [library L / cell c / instance t] instance name \"top/q\" is used twice in cell "
            "\"c\" (first at line 6, column 13)\n"
            "8:15 [library L / cell c] EDIF syntax error: invalid name \"9bad\": an EDIF name is a "
            "letter followed by letters, digits and '_', or '&' followed by such characters\n");
}

}  // namespace
