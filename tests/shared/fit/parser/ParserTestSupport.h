// Helpers for the data-file reader tests: documents in memory, and messages as text.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "host/msg/ComMsgMgr.h"
#include "host/xml/HXMLParserBase.h"

inline bool load(HXMLParserBase& reader, const std::string& doc) {
  return reader.parseBuffer(doc.data(), doc.size(), "test.xml", false);
}

// A float as it appears in a message once widened to double, exactly.
inline std::string f(float v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.9g", double(v));
  return buf;
}

// "65-26 150" for a message with its arguments; reals as f() gives them.
inline std::string describe(const ComMsgMgr::Message& m) {
  std::string s = m.id;
  for (const auto& a : m.args) {
    s += ' ';
    if (a.kind == ComMsgMgr::MsgArg::INT)
      s += std::to_string(a.i);
    else if (a.kind == ComMsgMgr::MsgArg::REAL)
      s += f(static_cast<float>(a.d)) +
           (double(static_cast<float>(a.d)) == a.d ? "" : "(not a float)");
    else
      s += a.s;
  }
  return s;
}

inline std::vector<std::string> describeAll(const ComMsgMgr::ScopedCapture& cap) {
  std::vector<std::string> out;
  for (const auto& m : cap.messages()) out.push_back(describe(m));
  return out;
}

// Every listing message goes out with the same category, mask and source unit.
inline void expectListing(const ComMsgMgr::ScopedCapture& cap, const std::string& unit) {
  for (const auto& m : cap.messages()) {
    EXPECT_EQ(m.category, "fit");
    EXPECT_EQ(m.mask, 0x4000000u);
    EXPECT_EQ(m.file, "src/shared/fit/parser/" + unit);
    EXPECT_GT(m.line, 0);
  }
}
