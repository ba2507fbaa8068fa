// Instances read straight from the buffer give the same database and the same problems,
// at the same places, as instances read the ordinary way: random instance objects of
// every shape, in memory and in a file long enough to cross the reader's refills.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "host/design/dfile/HDDesignFileReader.h"
#include "host/design/dfile/HDDesignWriter.h"
#include "support/DesignTestUtil.h"

namespace {

std::string pick(std::mt19937& g, const std::vector<std::string>& v) {
  return v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(g)];
}

std::string space(std::mt19937& g) {
  return pick(g, {"", "", " ", " ", "\n  ", "\t", "\r\n", " \n\n "});
}

std::string text(std::mt19937& g, int n) {
  return pick(g, {"\"lut_" + std::to_string(n % 997) + "\"", "\"ram_" + std::to_string(n) + "\"",
                  "\"x\\\"y\"", "\"\\u00e9t\\u00e9\"", "\"\xC3\xA9t\xC3\xA9\"", "\"\"", "\"a\\nb\"",
                  "\"SLICE_X1Y2\""});
}

std::string value(std::mt19937& g, int n, bool clean) {
  if (clean)
    return pick(g, {"\"TDP\"", "36", "-0", "-17", "2147483648", "true", "false",
                    "\"64'h0123456789ABCDEF\"", "{\"long\": 5}", "\"x\\\"y\""});
  return pick(g, {text(g, n),
                  "36",
                  "-0",
                  "0",
                  "-17",
                  "2147483648",
                  "-2147483649",
                  "123456789012345678",
                  "1234567890123456789",
                  "99999999999999999999",
                  "01",
                  "1.5",
                  "1e3",
                  "-",
                  "true",
                  "false",
                  "truex",
                  "null",
                  "[1]",
                  "{\"long\": 5}",
                  "{\"double\": 2}",
                  "\"64'h0123456789ABCDEF\""});
}

std::string instance(std::mt19937& g, int n, bool clean) {
  std::vector<std::string> members;
  const std::string cell = clean ? pick(g, {"LUT6", "FFR", "RAMB36", "sub"})
                                 : pick(g, {"LUT6", "FFR", "RAMB36", "FIFO36", "sub", "LUT6", ""});
  const std::string name = clean ? "\"n" + std::to_string(n) + "\"" : text(g, n);
  if (clean || g() % 12) members.push_back("\"name\":" + space(g) + name);
  if (clean || g() % 12) members.push_back("\"cell\":" + space(g) + "\"" + cell + "\"");
  if (g() % 2) members.push_back("\"site\":" + space(g) + (clean ? "\"S1\"" : text(g, n)));
  if (g() % 3) {
    std::string attrs = "{";
    const int k = static_cast<int>(g() % 19);
    for (int i = 0; i < k; ++i)
      attrs +=
          std::string(i ? "," : "") + space(g) + "\"" +
          (clean ? "A" + std::to_string(i)
                 : pick(g, {"INIT", "READ_WIDTH_A", "RAM_MODE", "A" + std::to_string(i), ""})) +
          "\":" + space(g) + value(g, n, clean);
    attrs += space(g) + "}";
    members.push_back("\"attributes\":" + space(g) + (clean || g() % 20 ? attrs : "[]"));
  }
  if (!clean && g() % 25 == 0) members.push_back("\"extra\": 1");
  if (!clean && g() % 25 == 0 && !members.empty()) members.push_back(members.front());
  std::shuffle(members.begin(), members.end(), g);
  std::string out = "{" + space(g);
  for (size_t i = 0; i < members.size(); ++i) out += (i ? "," + space(g) : "") + members[i];
  out += space(g) + (clean || g() % 40 ? "}" : ",}");
  return out;
}

std::string randomDesign(std::mt19937& g, int instances, bool clean) {
  std::string body = "\"sub\": {\"instances\": []}, \"top\": {\"nets\": 3, \"instances\": [";
  for (int n = 0; n < instances; ++n) body += (n ? "," : "") + space(g) + instance(g, n, clean);
  body += "]}";
  return design(body);
}

struct Outcome {
  std::string problems;
  std::string database;  // the design written back, when it loaded
};

class FastLane : public ShippedData {
 protected:
  void TearDown() override {
    HDDesignFileReader::fastLane = true;
    ShippedData::TearDown();
  }
  Outcome run(const std::string& json, bool fast, const std::string& path = "") {
    HDDesignFileReader::fastLane = fast;
    problems.clear();
    std::unique_ptr<HFLFloorplan> d = path.empty() ? HDLoad::loadText(json, "t.json", {}, problems)
                                                   : HDLoad::load(path, {}, problems);
    Outcome o{problemText(), ""};
    if (d) {
      std::ostringstream os;
      HDDesignWriter::write(*d, "z9-s1", os);
      o.database = os.str();
    }
    return o;
  }
};

TEST_F(FastLane, RandomInstancesReadAlikeBothWays) {
  std::mt19937 g(20261207);
  int loaded = 0, refused = 0;
  for (int round = 0; round < 400; ++round) {
    const std::string json = randomDesign(g, 1 + static_cast<int>(g() % 12), round % 2 == 0);
    const Outcome slow = run(json, false), fast = run(json, true);
    ASSERT_EQ(fast.problems, slow.problems) << json;
    ASSERT_EQ(fast.database, slow.database) << json;
    ++(slow.database.empty() ? refused : loaded);
  }
  // Both kinds of outcome were compared, not only one.
  EXPECT_GT(loaded, 20);
  EXPECT_GT(refused, 20);
}

TEST_F(FastLane, LongFileAcrossRefillsReadsAlike) {
  // Mostly plain instances, so that most take the fast lane, over several refills of the
  // reader's buffer; with a duplicate name far into the file and a bad value near its
  // end, the places and paths of both problems must agree too.
  const int n = 60000;
  auto makeFile = [&](bool faults) {
    std::string body = "\"top\": {\"instances\": [\n";
    for (int i = 0; i < n; ++i)
      body += (i ? ",\n" : "") + std::string(i % 7 ? "  " : "\t") + "{\"name\": \"i" +
              std::to_string(faults && i == 45000 ? 123 : i) + "\", \"cell\": \"" +
              (i % 100 == 99 ? "RAMB36" : "LUT6") + "\", \"site\": \"SLICE_X" +
              std::to_string(i / 16) +
              "Y0\", \"attributes\": {\"INIT\": " + (i % 3 ? "\"64'h00FF\"" : "7") +
              (faults && i == n - 5 ? ", \"A\": null" : "") + "}}";
    return design(body + "\n]}");
  };
  char path[] = "/tmp/fastlaneXXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  for (bool faults : {true, false}) {
    const std::string json = makeFile(faults);
    ASSERT_GT(json.size(), size_t{3} << 20);
    std::ofstream(path, std::ios::trunc) << json;
    const Outcome slow = run(json, false, path), fast = run(json, true, path);
    EXPECT_EQ(fast.problems, slow.problems);
    EXPECT_EQ(fast.database, slow.database);
    EXPECT_EQ(slow.database.empty(), faults) << slow.problems;
    if (faults) {
      EXPECT_NE(slow.problems.find("duplicate instance name \"i123\""), std::string::npos)
          << slow.problems;
      EXPECT_NE(slow.problems.find("found null"), std::string::npos) << slow.problems;
    }
  }
  std::remove(path);
}

}  // namespace
