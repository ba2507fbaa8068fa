// The event-driven XML reader: event order, whole text runs, failures reported once
// with their place, and hostile documents refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <boost/filesystem.hpp>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/msg/ComMsgMgr.h"
#include "host/xml/HXMLParserBase.h"

namespace {

// Records every event as one line of text.
class Recorder : public HXMLParserBase {
 public:
  void startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs) override {
    std::string e = "start " + name;
    for (std::size_t i = 0; i < attrs.getLength(); ++i)
      e += " " + attrs.getName(i) + "=" + attrs.getValueAt(i);
    events.push_back(e);
    if (name == "probe") {
      probeMissing = attrs.getValue("missing");
      probeFound = attrs.find("missing") != nullptr;
      probeValue = attrs.getValue(std::string("v"));
    }
    if (name == "throw") throw std::runtime_error("handler failed");
  }
  void endElem_(const std::string& name) override { events.push_back("end " + name); }
  void chars_(const std::string& t) override { events.push_back("chars " + t); }
  void whitespace_(const std::string& t) override { events.push_back("ws " + t); }

  std::vector<std::string> events;
  std::string probeMissing = "unset", probeValue;
  bool probeFound = true;
};

class TempFile {
 public:
  explicit TempFile(const std::string& text) {
    path_ = (boost::filesystem::temp_directory_path() /
             boost::filesystem::unique_path("seufit-xml-%%%%-%%%%.xml"))
                .string();
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

using Events = std::vector<std::string>;

TEST(XmlParser, RaisesEventsInDocumentOrderWithWholeTextRuns) {
  TempFile f(
      "<?xml version=\"1.0\"?>\n<!-- c -->\n<a x=\"1\" y=\"two words\">\n  "
      "<b>t &amp; u<![CDATA[<raw>]]>v<!-- split? -->w</b>\n  <c/>\n</a>\n");
  Recorder r;
  ASSERT_TRUE(r.parse(f.path(), true));
  EXPECT_EQ(r.events, (Events{"start a x=1 y=two words", "ws \n  ", "start b", "chars t & u<raw>vw",
                              "end b", "ws \n  ", "start c", "end c", "ws \n", "end a"}));
  EXPECT_EQ(r.lastError(), "");
}

TEST(XmlParser, TextRunsLongerThanAReadChunkArriveWhole) {
  const std::string text(300000, 'x');
  const std::string spaces(200000, ' ');
  TempFile f("<a>" + text + "<b>" + spaces + "</b></a>");
  Recorder r;
  ASSERT_TRUE(r.parse(f.path(), true));
  ASSERT_EQ(r.events.size(), 6u);
  EXPECT_EQ(r.events[1], "chars " + text);
  EXPECT_EQ(r.events[3], "ws " + spaces);
}

TEST(XmlParser, HugeAttributeIsDeliveredWhole) {
  const std::string value(8 << 20, 'v');
  TempFile f("<a big=\"" + value + "\"/>");
  Recorder r;
  ASSERT_TRUE(r.parse(f.path(), true));
  ASSERT_EQ(r.events.size(), 2u);
  EXPECT_EQ(r.events[0].size(), std::string("start a big=").size() + value.size());
}

// A pipe is read in chunks, a regular file whole: the same events and the same place of
// the failure either way, with text and attributes longer than a chunk delivered whole.
TEST(XmlParser, PipeAndFileReadAlike) {
  std::string doc = "<a big=\"" + std::string(200000, 'v') + "\">\n" + std::string(300000, 'x');
  for (int i = 0; i < 1000; ++i) doc += "\n<b/>";
  doc += "\n<c></d>";
  struct Outcome {
    Events events;
    std::vector<long> place;
  };
  auto read = [](const std::string& path) {
    Recorder r;
    ComMsgMgr::ScopedCapture cap;
    EXPECT_FALSE(r.parse(path, true));
    Outcome o{r.events, {}};
    if (cap.messages().size() == 1)
      o.place = {cap.messages()[0].args[1].i, cap.messages()[0].args[2].i};
    return o;
  };
  TempFile f(doc);
  const Outcome fromFile = read(f.path());
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::thread writer([&] {
    for (std::size_t at = 0; at < doc.size();) {
      const ssize_t n =
          ::write(fds[1], doc.data() + at, std::min<std::size_t>(doc.size() - at, 4096));
      if (n <= 0) break;
      at += static_cast<std::size_t>(n);
    }
    ::close(fds[1]);
  });
  const Outcome fromPipe = read("/dev/fd/" + std::to_string(fds[0]));
  writer.join();
  ::close(fds[0]);
  EXPECT_EQ(fromFile.place, (std::vector<long>{1003, 6}));
  EXPECT_EQ(fromPipe.place, fromFile.place);
  ASSERT_EQ(fromFile.events.size(), 3u + 3u * 1000u);
  EXPECT_EQ(fromPipe.events, fromFile.events);
}

// A reader that takes no text still has its document checked to the end of every text run.
TEST(XmlParser, TextlessReaderSeesElementsOnly) {
  struct Textless : Recorder {
    bool readsText_() const override { return false; }
  };
  const std::string good = "<a>t <b/> u &amp; <![CDATA[v]]></a>";
  Textless r;
  ASSERT_TRUE(r.parseBuffer(good.data(), good.size(), "mem", false));
  EXPECT_EQ(r.events, (Events{"start a", "start b", "end b", "end a"}));
  const std::string bad = "<a>t\n  &undeclared; <b/></a>";
  Textless q;
  EXPECT_FALSE(q.parseBuffer(bad.data(), bad.size(), "mem", false));
  EXPECT_EQ(q.lastError(), "undefined entity");
  EXPECT_EQ(q.events, (Events{"start a"}));
}

TEST(XmlParser, AbsentAttributeReadsAsEmpty) {
  Recorder r;
  const std::string doc = "<probe v=\"1\"/>";
  ASSERT_TRUE(r.parseBuffer(doc.data(), doc.size(), "mem", true));
  EXPECT_EQ(r.probeMissing, "");
  EXPECT_FALSE(r.probeFound);
  EXPECT_EQ(r.probeValue, "1");
}

struct BadDoc {
  const char* what;
  std::string text;
  const char* id;     // the one message expected
  long line, column;  // column 0: somewhere within a declaration, as expat places it
  const char* reasonPart;
  Events delivered;  // events before the failure, which stay delivered
};

std::string nested(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<n>";
  for (int i = 0; i < depth; ++i) s += "</n>";
  return s;
}

const std::string kLaughs =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE l [\n <!ENTITY a \"ha\">\n <!ENTITY b "
    "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n]>\n<l>&b;</l>\n";

class XmlParserBad : public ::testing::TestWithParam<BadDoc> {};

TEST_P(XmlParserBad, IsReportedOnceWithItsPlace) {
  const BadDoc& d = GetParam();
  TempFile f(d.text);
  Recorder r;
  ComMsgMgr::ScopedCapture cap;
  EXPECT_FALSE(r.parse(f.path(), true));
  ASSERT_EQ(cap.ids(), std::vector<std::string>{d.id});
  const ComMsgMgr::Message& m = cap.messages()[0];
  EXPECT_EQ(m.severity(), "error");
  ASSERT_EQ(m.args.size(), 4u);
  EXPECT_EQ(m.args[0].s, f.path());
  EXPECT_EQ(m.args[1].i, d.line);
  if (d.column) {
    EXPECT_EQ(m.args[2].i, d.column);
  }
  EXPECT_NE(m.args[3].s.find(d.reasonPart), std::string::npos) << m.args[3].s;
  EXPECT_EQ(r.events, d.delivered);
}

INSTANTIATE_TEST_SUITE_P(
    Docs, XmlParserBad,
    ::testing::Values(
        BadDoc{"Empty", "", "1-2", 1, 1, "no element found", {}},
        BadDoc{"Truncated",
               "<a>\n<b/>\n<c k=\"v",
               "1-2",
               3,
               1,
               "unclosed token",
               {"start a", "ws \n", "start b", "end b"}},
        BadDoc{"MismatchedTag",
               "<a>\n  <b></c>\n</a>",
               "1-2",
               2,
               8,
               "mismatched tag",
               {"start a", "ws \n  ", "start b"}},
        BadDoc{"BillionLaughs", kLaughs, "1-5", 3, 0, "entity declarations are not accepted", {}},
        BadDoc{"ExternalEntity",
               "<!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><a>&x;</a>",
               "1-5",
               1,
               0,
               "'x'",
               {}},
        BadDoc{"EntityDefinedInExternalDtd",
               "<!DOCTYPE a SYSTEM \"http://example.invalid/a.dtd\">\n<a>&x;</a>",
               "1-5",
               2,
               4,
               "never read",
               {"start a"}},
        BadDoc{"TooDeep", nested(HXMLParserBase::MAX_DEPTH + 1), "1-5", 1,
               3 * HXMLParserBase::MAX_DEPTH + 1, "deeper than 10000",
               Events(HXMLParserBase::MAX_DEPTH, "start n")},
        BadDoc{"Version11", "<?xml version=\"1.1\"?><a/>", "1-5", 1, 1, "version 1.1", {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(XmlParser, DeepestAcceptedNesting) {
  const std::string doc = nested(HXMLParserBase::MAX_DEPTH);
  Recorder r;
  EXPECT_TRUE(r.parseBuffer(doc.data(), doc.size(), "deep", true));
  EXPECT_EQ(r.events.size(), 2u * HXMLParserBase::MAX_DEPTH);
}

TEST(XmlParser, UnreadableFileIsReportedOnce) {
  const std::string dir = boost::filesystem::temp_directory_path().string();
  for (const std::string& path : {dir + "/seufit-no-such-file.xml", dir}) {
    Recorder r;
    ComMsgMgr::ScopedCapture cap;
    EXPECT_FALSE(r.parse(path, true));
    ASSERT_EQ(cap.ids(), std::vector<std::string>{"1-1"});
    EXPECT_EQ(cap.messages()[0].args[0].s, path);
    EXPECT_EQ(cap.messages()[0].args[1].s, r.lastError());
    EXPECT_FALSE(r.lastError().empty());
  }
}

TEST(XmlParser, SilentWhenNotAskedToReport) {
  TempFile f("<a><b></a>");
  Recorder r;
  ComMsgMgr::ScopedCapture cap;
  EXPECT_FALSE(r.parse(f.path(), false));
  EXPECT_TRUE(cap.messages().empty());
  EXPECT_EQ(r.lastError(), "mismatched tag");
  // A later good parse clears the error.
  const std::string good = "<a/>";
  EXPECT_TRUE(r.parseBuffer(good.data(), good.size(), "good", false));
  EXPECT_EQ(r.lastError(), "");
}

TEST(XmlParser, HandlerExceptionPassesThroughAndStopsTheParse) {
  const std::string doc = "<a><throw/><after/></a>";
  Recorder r;
  ComMsgMgr::ScopedCapture cap;
  EXPECT_THROW(r.parseBuffer(doc.data(), doc.size(), "mem", true), std::runtime_error);
  EXPECT_EQ(r.events, (Events{"start a", "start throw"}));
  EXPECT_TRUE(cap.messages().empty());
}

}  // namespace
