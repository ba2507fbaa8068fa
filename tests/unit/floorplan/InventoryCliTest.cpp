// seufit inventory and seufit dump inventory, run as a user would.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

CliRun seufit(const std::string& args) {
  const std::string dir = ::testing::TempDir();
  // CTest runs tests in parallel processes: one pair of files per process.
  const std::string stem = dir + "/fp_inventory_" + std::to_string(::getpid());
  const std::string out = stem + "_out.txt";
  const std::string err = stem + "_err.txt";
  const std::string cmd = std::string("cd '") + SEUFIT_TEST_DATA_DIR + "/floorplan' && '" +
                          SEUFIT_EXE + "' " + args + " >'" + out + "' 2>'" + err + "'";
  CliRun r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(out);
  r.err = slurp(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

TEST(InventoryCli, JsonHasEveryCounterOfTheWalk) {
  const CliRun r = seufit("inventory z9_mixed.json --json");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\n"
            "  \"part\": \"z9-test\",\n  \"device\": \"zdev9\",\n  \"family\": \"zerith9\",\n"
            "  \"bramBits\": 216320,\n  \"bramCount\": 10,\n  \"ramb18TdpCount\": 2,\n"
            "  \"ramb18SdpCount\": 0,\n  \"ramb36TdpCount\": 0,\n  \"ramb36SdpCount\": 2,\n"
            "  \"fifo18Count\": 0,\n  \"fifo18_36Count\": 2,\n  \"fifo36Count\": 0,\n"
            "  \"fifo36_72Count\": 0,\n  \"ramb36CascadeCount\": 2,\n  \"yramCount\": 3,\n"
            "  \"yramUnprotectedBits\": 279000,\n  \"hbmStackCount\": 2,\n"
            "  \"hbmProtectedBits\": 32768000000,\n  \"hbmUnprotectedBits\": 32768000000\n"
            "}\n");
  // The two over-declared YRAM blocks are told on standard error.
  EXPECT_NE(r.err.find("[65-172] c0/y0"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("[65-172] c1/y0"), std::string::npos) << r.err;
}

TEST(InventoryCli, DumpListsTheElevenCountersInOrder) {
  const CliRun r = seufit("dump inventory z9_mixed.json");
  EXPECT_EQ(r.status, 0) << r.err;
  const char* expected[] = {"[65-35] Block RAM and FIFO instances: 10",
                            "[65-45] RAMB18 true dual port: 2",
                            "[65-46] RAMB18 simple dual port: 0",
                            "[65-47] RAMB36 true dual port: 0",
                            "[65-48] RAMB36 simple dual port: 2",
                            "[65-39] FIFO18: 0",
                            "[65-40] FIFO18 in FIFO18_36 mode: 2",
                            "[65-41] FIFO36: 0",
                            "[65-42] FIFO36 in FIFO36_72 mode: 0",
                            "[65-37] RAMB36 cascade halves: 2",
                            "[65-36] Block RAM and FIFO bits exposed to upsets: 216320"};
  size_t at = 0;
  for (const char* line : expected) {
    const size_t found = r.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\n" << r.out;
    at = found;
  }
}

TEST(InventoryCli, FailuresAreToldAndGiveNoInventory) {
  const struct {
    const char* args;
    int status;
    std::vector<std::string> told;
  } rows[] = {
      {"inventory bad_protected.json --json",
       1,
       {"[1-62]", "bad_protected.json", "instance mid/ram", "\"lots\""}},
      {"dump inventory bad_protected.json", 1, {"instance mid/ram", "\"lots\""}},
      {"inventory unsupported.json", 1, {"[65-171]", "dpm4410"}},
      {"dump inventory unsupported.json", 1, {"[65-171]", "dpm4410"}},
      {"inventory no_such_design.json --json", 2, {"no_such_design.json"}},
  };
  for (const auto& row : rows) {
    const CliRun r = seufit(row.args);
    EXPECT_EQ(r.status, row.status) << row.args << "\n" << r.err;
    EXPECT_EQ(r.out, "") << row.args;
    for (const std::string& t : row.told)
      EXPECT_NE(r.err.find(t), std::string::npos) << t << "\n" << r.err;
  }
}

}  // namespace
