// Host messages: argument checking against the format, catalogue texts, the text and
// JSON line forms, severity and the routing of sinks.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "host/msg/ComMsgMgr.h"

using namespace ComMsgMgr;

namespace {

struct Texts {
  Texts() {
    registerText("990-1", "{1} at {2} ({3})");
    registerText("990-2", "x{0}{4}{x}{}{12345678901234567890}{2}{1}");
    registerText("990-3", "plain");
  }
} texts;

long lineCount(const std::string& s) { return std::count(s.begin(), s.end(), '\n'); }

#define SEND(argc, mask, ...) \
  sendMsg::eval(argc, "tests/host/msg/MessagesTest", __LINE__, "test", mask, __VA_ARGS__)

}  // namespace

TEST(Messages, MismatchesReachTheHandler) {
  ScopedCapture cap;
  const std::string s = "s";
  // TestMain's handler throws; nothing is delivered for a refused call.
  EXPECT_THROW(SEND(1, MASK_INFO, "@990-1@%s", 5), std::logic_error);     // int for %s
  EXPECT_THROW(SEND(1, MASK_INFO, "@990-1@%d", s), std::logic_error);     // text for %d
  EXPECT_THROW(SEND(1, MASK_INFO, "@990-1@%d", 1.5), std::logic_error);   // real for %d
  EXPECT_THROW(SEND(1, MASK_INFO, "@990-1@%f", 3), std::logic_error);     // int for %f
  EXPECT_THROW(SEND(2, MASK_INFO, "@990-1@%d", 1), std::logic_error);     // count says 2
  EXPECT_THROW(SEND(1, MASK_INFO, "@990-1@%d%d", 1), std::logic_error);   // one too few
  EXPECT_THROW(SEND(2, MASK_INFO, "@990-1@%d", 1, 2), std::logic_error);  // one too many
  EXPECT_THROW(SEND(1, MASK_INFO, "@990-1@%x", 1), std::logic_error);     // unknown conversion
  EXPECT_THROW(SEND(1, MASK_INFO, "@990-1@%", 1), std::logic_error);      // cut short
  EXPECT_THROW(SEND(1, MASK_INFO, "@990-1@ %d", 1), std::logic_error);    // stray text
  EXPECT_THROW(SEND(0, MASK_INFO, "990-1"), std::logic_error);            // no id
  EXPECT_THROW(SEND(0, MASK_INFO, "@990-1"), std::logic_error);           // no closing @
  EXPECT_THROW(SEND(0, MASK_INFO, static_cast<const char*>(nullptr)), std::logic_error);
  EXPECT_TRUE(cap.messages().empty());

  try {
    SEND(1, MASK_INFO, "@990-1@%s", 5);
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("tests/host/msg/MessagesTest"), std::string::npos)
        << "the problem names the sending place: " << e.what();
  }
}

TEST(Messages, ArgumentsKeepTheirKindAndValue) {
  ScopedCapture cap;
  const float f = 0.1f;
  const std::string text = "name";
  const char* cstr = "c";
  const char* none = nullptr;
  SEND(3, MASK_WARNING, "@990-1@%f%d%s", f, 7u, text);
  SEND(3, MASK_INFO, "@990-1@%d%s%s", -5LL, cstr, none);
  ASSERT_EQ(cap.messages().size(), 2u);
  const Message& m = cap.messages()[0];
  EXPECT_EQ(m.id, "990-1");
  EXPECT_EQ(m.format, "@990-1@%f%d%s");
  EXPECT_EQ(m.category, "test");
  EXPECT_EQ(m.mask, MASK_WARNING);
  ASSERT_EQ(m.args.size(), 3u);
  EXPECT_EQ(m.args[0].kind, MsgArg::REAL);
  EXPECT_EQ(m.args[0].d, static_cast<double>(f));  // widened, not re-rounded
  EXPECT_EQ(m.args[1].kind, MsgArg::INT);
  EXPECT_EQ(m.args[1].i, 7);
  EXPECT_EQ(m.args[2].s, "name");
  EXPECT_EQ(cap.messages()[1].args[0].i, -5);
  EXPECT_EQ(cap.messages()[1].args[2].s, "(null)");
  EXPECT_EQ(cap.ids(), (std::vector<std::string>{"990-1", "990-1"}));
}

TEST(Messages, SeverityFollowsTheMask) {
  const struct {
    unsigned mask;
    const char* severity;
  } cases[] = {{MASK_INFO, "info"},
               {MASK_WARNING, "warning"},
               {MASK_ERROR, "error"},
               {MASK_WARNING | MASK_ERROR, "error"},
               {MASK_INFO | MASK_WARNING, "warning"},
               {0, "info"}};
  for (const auto& c : cases) EXPECT_STREQ(severityName(c.mask), c.severity) << c.mask;
}

TEST(Messages, TextAndJsonLines) {
  ScopedCapture cap;
  const std::string name = "a\"b\\c\nd\x01\xc3\xa9\xff";
  SEND(3, MASK_WARNING, "@990-1@%d%s%f", 42, name, 0.1f);
  SEND(3, MASK_ERROR, "@990-1@%f%f%f", 1.0, 1e21, -2.5e-7);
  SEND(2, MASK_INFO, "@990-2@%d%d", 1, 2);
  SEND(2, MASK_INFO, "@990-9@%s%f", "unknown", 2.0);
  SEND(0, MASK_INFO, "@990-3@");
  ASSERT_EQ(cap.messages().size(), 5u);
  const auto& m = cap.messages();

  // The text line shows control characters escaped; other bytes pass as they are.
  EXPECT_EQ(StreamSink::toText(m[0]),
            "warning [990-1] 42 at a\"b\\c\\x0ad\\x01\xc3\xa9\xff (0.100000)");
  EXPECT_EQ(StreamSink::toJson(m[0]),
            "{\"id\": \"990-1\", \"severity\": \"warning\", \"mask\": 134217728, \"args\": "
            "[42, \"a\\\"b\\\\c\\u000ad\\u0001\xc3\xa9\xef\xbf\xbd\", 0.10000000149011612], "
            "\"text\": \"42 at a\\\"b\\\\c\\u000ad\\u0001\xc3\xa9\xef\xbf\xbd (0.100000)\"}");
  // Reals in shortest round-trip form, even when they hold whole numbers.
  EXPECT_EQ(StreamSink::toJson(m[1]),
            "{\"id\": \"990-1\", \"severity\": \"error\", \"mask\": 536870912, \"args\": "
            "[1, 1e+21, -2.5e-07], \"text\": \"1.000000 at 1000000000000000000000.000000 "
            "(-0.000000)\"}");
  // Placeholders that name no argument stay as written; arguments are not re-expanded.
  EXPECT_EQ(m[2].text(), "x{0}{4}{x}{}{12345678901234567890}21");
  // An id without a catalogue text still shows every argument.
  EXPECT_EQ(StreamSink::toText(m[3]), "info [990-9] message 990-9 unknown 2.000000");
  EXPECT_EQ(StreamSink::toJson(m[4]),
            "{\"id\": \"990-3\", \"severity\": \"info\", \"mask\": 67108864, \"args\": [], "
            "\"text\": \"plain\"}");
}

TEST(Messages, StreamSinkRoutesBySeverity) {
  ScopedCapture outer;  // keeps the process's own sinks out of the way
  std::ostringstream log, diag, jlog, jdiag;
  auto text = std::make_shared<StreamSink>(log, diag, StreamSink::TEXT);
  auto json = std::make_shared<StreamSink>(jlog, jdiag, StreamSink::JSON);
  addSink(text);
  addSink(json);
  SEND(1, MASK_INFO, "@990-1@%d", 1);
  SEND(1, MASK_WARNING, "@990-1@%d", 2);
  SEND(1, MASK_ERROR, "@990-1@%d", 3);
  removeSink(json);
  SEND(1, MASK_INFO, "@990-1@%d", 4);
  EXPECT_EQ(log.str(), "info [990-1] 1 at {2} ({3})\ninfo [990-1] 4 at {2} ({3})\n");
  EXPECT_EQ(diag.str(), "warning [990-1] 2 at {2} ({3})\nerror [990-1] 3 at {2} ({3})\n");
  EXPECT_EQ(
      jlog.str().rfind(
          "{\"id\": \"990-1\", \"severity\": \"info\", \"mask\": 67108864, \"args\": [1], ", 0),
      0u);
  EXPECT_EQ(lineCount(jlog.str()), 1);
  EXPECT_EQ(lineCount(jdiag.str()), 2);
  EXPECT_EQ(outer.messages().size(), 4u);
}

TEST(Messages, CaptureReplacesAndRestoresSinks) {
  ScopedCapture outer;
  {
    ScopedCapture inner;
    ComMsgMgr::hostWarning("@1-4@%s%s", std::string("p"), std::string("r"));
    ASSERT_EQ(inner.messages().size(), 1u);
    EXPECT_EQ(inner.messages()[0].category, "host");
    EXPECT_EQ(inner.messages()[0].mask, MASK_WARNING);
    EXPECT_EQ(inner.messages()[0].text(), "cannot write p: r; the file was left as it was");
    inner.clear();
    EXPECT_TRUE(inner.messages().empty());
  }
  EXPECT_TRUE(outer.messages().empty());
  ComMsgMgr::hostError("@1-1@%s%s", std::string("f"), std::string("why"));
  ComMsgMgr::hostInfo("@990-3@");
  ASSERT_EQ(outer.messages().size(), 2u);
  EXPECT_EQ(outer.messages()[0].mask, MASK_ERROR);
  EXPECT_EQ(outer.messages()[1].mask, MASK_INFO);
}

TEST(Messages, HostCatalogueHasItsTexts) {
  const auto ids = catalogueIds();
  for (const char* id : {"1-1", "1-2", "1-3", "1-4", "1-5"}) {
    EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
    EXPECT_FALSE(catalogueText(id).empty()) << id;
  }
  EXPECT_EQ(catalogueText("no-such-id"), "");
}
