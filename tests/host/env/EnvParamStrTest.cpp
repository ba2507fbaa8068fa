// Data-directory lookup, the parameter registry, ASCII string helpers and JSON output.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "host/env/HUTEnv.h"
#include "host/param/HPAParamMgr.h"
#include "host/str/HSTJson.h"
#include "host/str/HSTStrUtils.h"
#include "support/HostTestUtil.h"

using hosttest::TempDir;
using hosttest::writeFile;

namespace {

// Sets SEUFIT_DATA_PATH (or unsets it for nullptr) and the explicit directories, and
// puts both back afterwards.
class DataEnv {
 public:
  DataEnv(const char* path, std::optional<std::vector<std::string>> dirs) {
    if (const char* old = std::getenv("SEUFIT_DATA_PATH")) saved_ = std::string(old);
    if (path)
      ::setenv("SEUFIT_DATA_PATH", path, 1);
    else
      ::unsetenv("SEUFIT_DATA_PATH");
    HUTEnv::setDataDirs(std::move(dirs));
  }
  ~DataEnv() {
    if (saved_)
      ::setenv("SEUFIT_DATA_PATH", saved_->c_str(), 1);
    else
      ::unsetenv("SEUFIT_DATA_PATH");
    HUTEnv::setDataDirs(std::nullopt);
  }

 private:
  std::optional<std::string> saved_;
};

// a/ holds fit/X.xml as a directory, b/ and c/ as files; only c/ holds parts.json.
struct Dirs {
  TempDir root;
  std::string a = root / "a", b = root / "b", c = root / "c";
  Dirs() {
    for (const auto& d : {a, b, c}) ::mkdir(d.c_str(), 0755);
    ::mkdir((a + "/fit").c_str(), 0755);
    ::mkdir((a + "/fit/X.xml").c_str(), 0755);
    ::mkdir((b + "/fit").c_str(), 0755);
    ::mkdir((c + "/fit").c_str(), 0755);
    writeFile(b + "/fit/X.xml", "<b/>");
    writeFile(c + "/fit/X.xml", "<c/>");
    writeFile(c + "/parts.json", "{}");
  }
};

}  // namespace

TEST(Env, GivenDirectoriesComeFirstThenTheBuiltInFileByFile) {
  Dirs d;
  const std::string builtin = HUTEnv::builtinDataDir();
  DataEnv env((d.c + ":" + d.b).c_str(), std::vector<std::string>{d.a, d.b, d.c});
  EXPECT_EQ(HUTEnv::dataDirs(), (std::vector<std::string>{d.a, d.b, d.c, builtin}));
  EXPECT_EQ(HUTEnv::getOVKDataDir("fit/X.xml"), d.b) << "a directory of that name is skipped";
  EXPECT_EQ(HUTEnv::getOVKDataDir("parts.json"), d.c);
  // What the given directories lack comes from the built-in data.
  EXPECT_EQ(HUTEnv::getOVKDataDir("primitives.json"), builtin);
  EXPECT_EQ(HUTEnv::getOVKDataDir("fit/missing.xml"), "");
  EXPECT_EQ(HUTEnv::getOVKDataDir("fit"), "") << "a directory is not a data file";
  EXPECT_EQ(HUTEnv::getOVKDataDir(""), "");
  // Without the built-in data, only the given directories, and none given is none.
  HUTEnv::setBuiltinData(false);
  EXPECT_EQ(HUTEnv::getOVKDataDir("primitives.json"), "");
  HUTEnv::setDataDirs(std::vector<std::string>{});
  EXPECT_EQ(HUTEnv::getOVKDataDir("fit/X.xml"), "");
  HUTEnv::setBuiltinData(true);
  EXPECT_EQ(HUTEnv::dataDirs(), std::vector<std::string>{builtin});
}

TEST(Env, EnvironmentPathIsSplitAtColons) {
  Dirs d;
  const std::string path = ":" + d.a + "::" + d.c + ":" + d.b + ":";
  DataEnv env(path.c_str(), std::nullopt);
  EXPECT_EQ(HUTEnv::dataDirs(),
            (std::vector<std::string>{d.a, d.c, d.b, HUTEnv::builtinDataDir()}));
  EXPECT_EQ(HUTEnv::getOVKDataDir("fit/X.xml"), d.c);
}

TEST(Env, BuiltInDirectoryWhenNothingIsSet) {
  DataEnv env(nullptr, std::nullopt);
  // These tests run from the build tree, so the source tree's data/ is the built-in one.
  EXPECT_EQ(HUTEnv::builtinDataDir(), std::string(SEUFIT_SOURCE_DIR) + "/data");
  EXPECT_EQ(HUTEnv::dataDirs(), std::vector<std::string>{HUTEnv::builtinDataDir()});
}

TEST(Params, RegisterReadAndSet) {
  HPAParamMgr* mgr = HPAParamMgr::getParamMgr();
  ASSERT_EQ(mgr, HPAParamMgr::getParamMgr());
  mgr->registerBoolParam("test.host.flag", "A test flag", true);
  mgr->registerBoolParam("test.host.flag", "Registered again", false);  // first one stays
  ASSERT_TRUE(mgr->hasParam("test.host.flag"));
  const HPAParamMgr::BoolParam* p = mgr->findBoolParam("test.host.flag");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->description, "A test flag");
  EXPECT_TRUE(p->defaultValue);
  EXPECT_EQ(mgr->getBool("test.host.flag"), std::optional<bool>(true));
  EXPECT_TRUE(mgr->setBool("test.host.flag", false));
  EXPECT_EQ(mgr->getBool("test.host.flag"), std::optional<bool>(false));
  EXPECT_TRUE(p->defaultValue) << "setting keeps the default";

  EXPECT_FALSE(mgr->hasParam("test.host.none"));
  EXPECT_EQ(mgr->findBoolParam("test.host.none"), nullptr);
  EXPECT_EQ(mgr->getBool("test.host.none"), std::nullopt);
  EXPECT_FALSE(mgr->setBool("test.host.none", true));
  EXPECT_FALSE(mgr->hasParam("test.host.none")) << "setting does not register";
  const auto names = mgr->names();
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(std::count(names.begin(), names.end(), "test.host.flag"), 1);
}

TEST(StrUtils, CompareIgnoresAsciiCaseOnly) {
  const auto sign = [](int v) { return (v > 0) - (v < 0); };
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"Zerith9", "zERITH9", 0},
      {"", "", 0},
      {"abc", "abd", -1},
      {"ABD", "abc", 1},
      {"ab", "abc", -1},
      {"abc", "AB", 1},
      {"[", "A", -1},                // compared as lower case: '[' < 'a'
      {"\xc3\x89", "\xc3\xa9", -1},  // bytes >= 0x80 are not folded
      {"\xff", "z", 1},              // and compare as unsigned
      {nullptr, "", -1},
      {"", nullptr, 1},
      {nullptr, nullptr, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sign(HSTStrUtils::compareCI(c.a, c.b)), c.sign)
        << (c.a ? c.a : "null") << " vs " << (c.b ? c.b : "null");
}

TEST(StrUtils, ToLowerTouchesAsciiLettersOnly) {
  std::string s = "AZaz@[`{09 \xc3\x89\xc3\x80 K\xff";
  HSTStringUtils::to_lower(s);
  EXPECT_EQ(s, "azaz@[`{09 \xc3\x89\xc3\x80 k\xff");
  HSTMap<std::string, int> m{{"b", 2}, {"a", 1}};
  EXPECT_EQ(m.begin()->first, "a");
}

TEST(Json, QuoteEscapesAndRepairs) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain", "\"plain\""},
      {"a\"b\\c/", "\"a\\\"b\\\\c/\""},
      {std::string("\0\x01\t\n\x1f\x7f", 6), "\"\\u0000\\u0001\\u0009\\u000a\\u001f\\u007f\""},
      {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\""},
      {"\xff", "\"\xef\xbf\xbd\""},
      {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},                                  // overlong
      {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},                  // surrogate
      {"\xf4\x90\x80\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},  // > U+10FFFF
      {"a\xe2\x82", "\"a\xef\xbf\xbd\xef\xbf\xbd\""},                                // cut short
      {"\xe2(\xa1", "\"\xef\xbf\xbd(\xef\xbf\xbd\""},
  };
  for (const auto& c : cases) EXPECT_EQ(HSTJson::quote(c.in), c.out) << c.in;
}

TEST(Json, NumbersAreShortestRoundTrip) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double d;
    const char* text;
  } doubles[] = {
      {0.0, "0"},
      {-0.0, "-0"},
      {1.0, "1"},
      {0.1, "0.1"},
      {1.0 / 3, "0.3333333333333333"},
      {123.456f, "123.45600128173828"},
      {924.6157, "924.6157"},
      {200.0, "200"},
      {-1000.0, "-1000"},
      {32768000000.0, "32768000000"},
      {1e20, "100000000000000000000"},
      {1e21, "1e+21"},
      {1.5e-5, "0.000015"},
      {1e-6, "0.000001"},
      {1e-7, "1e-07"},
      {1e300, "1e+300"},
      {5e-324, "5e-324"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
      {std::nan(""), "null"},
      {inf, "null"},
      {-inf, "null"},
  };
  for (const auto& c : doubles) {
    const std::string text = HSTJson::number(c.d);
    EXPECT_EQ(text, c.text);
    if (std::isfinite(c.d)) {
      EXPECT_EQ(std::strtod(text.c_str(), nullptr), c.d) << text;
    }
  }

  const struct {
    float f;
    const char* text;
  } floats[] = {
      {0.1f, "0.1"},
      {1.23456788f, "1.2345679"},
      {16777216.0f, "16777216"},
      {3.4028234663852886e+38f, "3.4028235e+38"},
      {1e-7f, "1e-07"},
      {std::numeric_limits<float>::infinity(), "null"},
  };
  for (const auto& c : floats) {
    const std::string text = HSTJson::number(c.f);
    EXPECT_EQ(text, c.text);
    if (std::isfinite(c.f)) {
      EXPECT_EQ(std::strtof(text.c_str(), nullptr), c.f) << text;
    }
  }
}
