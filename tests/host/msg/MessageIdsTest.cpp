// The message catalogue against the sources: every id sent anywhere under src/ has exactly
// one text, used with one argument list, and each text names only arguments its message
// carries. The ids are found by scanning the sources, so a new message needs no edit here.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/msg/ComMsgMgr.h"

namespace {

namespace fs = std::filesystem;

struct Use {
  std::string where;        // file:line
  std::string conversions;  // what follows the id: "%d%s"
};

struct Scan {
  std::map<std::string, std::vector<Use>> sent;                // id -> every format naming it
  std::map<std::string, std::vector<std::string>> registered;  // id -> where its text is
  std::map<std::string, std::string> texts;
};

int lineAt(const std::string& text, size_t pos) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + pos, '\n'));
}

// Adjacent string literals joined, with \" and \\ undone.
std::string joinLiterals(const std::string& s) {
  std::string out;
  bool in = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (!in) {
      in = s[i] == '"';
    } else if (s[i] == '\\' && i + 1 < s.size()) {
      out += s[++i];
    } else if (s[i] == '"') {
      in = false;
    } else {
      out += s[i];
    }
  }
  return out;
}

const Scan& scan() {
  static const Scan result = [] {
    Scan r;
    const std::regex sent(R"re("@([0-9]+-[0-9]+)@([^"]*)")re");
    const std::regex reg(
        R"re(registerText\(\s*"([0-9]+-[0-9]+)"\s*,\s*((?:"(?:[^"\\]|\\.)*"\s*)+)\))re");
    const fs::path src = fs::path(SEUFIT_SOURCE_DIR) / "src";
    for (const auto& e : fs::recursive_directory_iterator(src)) {
      const std::string ext = e.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::ifstream in(e.path());
      std::stringstream ss;
      ss << in.rdbuf();
      const std::string text = ss.str();
      const std::string file = fs::relative(e.path(), SEUFIT_SOURCE_DIR).string();
      for (auto m = std::sregex_iterator(text.begin(), text.end(), sent);
           m != std::sregex_iterator(); ++m) {
        // Formats quoted in comments send nothing.
        const size_t lineStart = text.rfind('\n', m->position()) + 1;
        if (text.substr(lineStart, m->position() - lineStart).find("//") != std::string::npos)
          continue;
        r.sent[(*m)[1]].push_back(
            {file + ":" + std::to_string(lineAt(text, m->position())), (*m)[2]});
      }
      for (auto m = std::sregex_iterator(text.begin(), text.end(), reg);
           m != std::sregex_iterator(); ++m) {
        r.registered[(*m)[1]].push_back(file + ":" + std::to_string(lineAt(text, m->position())));
        r.texts[(*m)[1]] = joinLiterals((*m)[2]);
      }
    }
    return r;
  }();
  return result;
}

std::string places(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& p : v) s += (s.empty() ? "" : ", ") + p;
  return s;
}

TEST(MessageIds, TheScanFindsEveryLayer) {
  // A broken pattern would find nothing and pass everything below.
  int host = 0, fit = 0, cli = 0;
  for (const auto& [id, uses] : scan().sent)
    for (const Use& u : uses) {
      host += u.where.rfind("src/host/", 0) == 0;
      fit += u.where.rfind("src/shared/fit/", 0) == 0;
      cli += u.where.rfind("src/cli/", 0) == 0;
    }
  EXPECT_GT(host, 0);
  EXPECT_GT(fit, 0);
  EXPECT_GT(cli, 0);
  EXPECT_GE(scan().sent.size(), 30u);
}

TEST(MessageIds, EverySentIdHasExactlyOneText) {
  for (const auto& [id, uses] : scan().sent) {
    const auto it = scan().registered.find(id);
    if (it == scan().registered.end()) {
      ADD_FAILURE() << id << " is sent at " << uses.front().where << " but has no text";
      continue;
    }
    EXPECT_EQ(it->second.size(), 1u) << id << " has a text at " << places(it->second);
    EXPECT_FALSE(scan().texts.at(id).empty()) << id;
  }
  for (const auto& [id, where] : scan().registered)
    EXPECT_EQ(where.size(), 1u) << id << " is given a text more than once: " << places(where);
}

TEST(MessageIds, AnIdIsNotReusedForAnotherMessage) {
  for (const auto& [id, uses] : scan().sent)
    for (const Use& u : uses)
      EXPECT_EQ(u.conversions, uses.front().conversions)
          << id << " is sent with two argument lists: " << uses.front().where << " and " << u.where;
}

TEST(MessageIds, TextsNameOnlyArgumentsTheMessageCarries) {
  const std::regex placeholder(R"(\{([0-9]+)\})");
  for (const auto& [id, uses] : scan().sent) {
    const auto text = scan().texts.find(id);
    if (text == scan().texts.end()) continue;  // told above
    const std::string& c = uses.front().conversions;
    const size_t argc = static_cast<size_t>(std::count(c.begin(), c.end(), '%'));
    std::set<size_t> named;
    for (auto m = std::sregex_iterator(text->second.begin(), text->second.end(), placeholder);
         m != std::sregex_iterator(); ++m)
      named.insert(std::stoul((*m)[1]));
    for (size_t n : named)
      EXPECT_TRUE(n >= 1 && n <= argc)
          << id << " names {" << n << "} but carries " << argc << " arguments: " << text->second;
    // Every argument shows, but the over-declared block's capacity, which it carries twice.
    const size_t shown = id == "65-172" ? argc - 1 : argc;
    for (size_t n = 1; n <= shown; ++n)
      EXPECT_TRUE(named.count(n)) << id << " does not show argument " << n << ": " << text->second;
  }
}

TEST(MessageIds, TheLoadedCatalogueHoldsTheLibrariesTexts) {
  // The host and analysis libraries enter their texts when loaded; the command line's own
  // texts are in the program, which this test does not link.
  ASSERT_NE(::dlopen(SEUFIT_FIT_LIBRARY, RTLD_NOW), nullptr) << ::dlerror();
  for (const auto& [id, where] : scan().registered) {
    if (where.front().rfind("src/cli/", 0) == 0) continue;
    EXPECT_EQ(ComMsgMgr::catalogueText(id), scan().texts.at(id)) << id << " at " << where.front();
  }
}

}  // namespace
