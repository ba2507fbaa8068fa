// seufit dump: listings go to the log; only the listed table's file decides the exit.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <boost/filesystem.hpp>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
namespace fs = boost::filesystem;

class DumpCommand : public ::testing::Test {
 protected:
  DumpCommand() {
    dir_ = fs::temp_directory_path() / fs::unique_path("seufit-dump-%%%%-%%%%");
    fs::create_directories(dir_ / "fit");
  }
  ~DumpCommand() override {
    boost::system::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void write(const std::string& rel, const std::string& text) {
    std::ofstream((dir_ / rel).string()) << text;
  }
  static std::string slurp(const fs::path& p) {
    std::ifstream in(p.string());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Runs seufit with ARGS and the temporary data directory; returns the exit status.
  int run(const std::string& args) {
    const std::string cmd = std::string("'") + SEUFIT_EXE + "' " + args + " --data-dir '" +
                            dir_.string() + "' >'" + (dir_ / "out").string() + "' 2>'" +
                            (dir_ / "err").string() + "'";
    const int status = std::system(cmd.c_str());
    out = slurp(dir_ / "out");
    err = slurp(dir_ / "err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  fs::path dir_;
  std::string out, err;
};

TEST_F(DumpCommand, OtherMissingFilesAreToldButDoNotFail) {
  write("fit/RigidityCutoff.xml", "<RCDATA><COORD long=\"-74\" lat=\"40\" rc=\"2.5\"/></RCDATA>");
  EXPECT_EQ(run("dump rc"), 0) << err;
  EXPECT_NE(out.find("[65-49] longitude -74 latitude 40: rigidity cutoff 2.5"), std::string::npos)
      << out;
  EXPECT_NE(err.find("fit/SoftErrorRate.xml"), std::string::npos);
  EXPECT_NE(err.find("fit/DetectionTime.xml"), std::string::npos);

  EXPECT_EQ(run("dump detect"), 1);
  EXPECT_NE(err.find("[65-44] data file fit/DetectionTime.xml"), std::string::npos) << err;
  EXPECT_EQ(out.find("65-38"), std::string::npos);
}

TEST_F(DumpCommand, FaultyFileIsListedAsFarAsReadAndFails) {
  write("fit/SoftErrorRate.xml",
        "<FITDATA><FAMILY name=\"A\"><SOFTERRORRATE><TYPE name=\"bram\" nominal=\"3\"/>"
        "</SOFTERRORRATE></FAMILY><FAMILY name=\"b\"><SOFTERRORRATE>");
  EXPECT_EQ(run("dump ser"), 1);
  EXPECT_NE(out.find("[65-43] Family a"), std::string::npos) << out;
  EXPECT_EQ(out.find("Family b"), std::string::npos) << out;
  EXPECT_NE(err.find("[1-2]"), std::string::npos) << err;
}

TEST_F(DumpCommand, UsageErrors) {
  for (const char* args : {"dump", "dump bogus", "dump inventory", "dump ser extra.json"}) {
    EXPECT_EQ(run(args), 2) << args;
    EXPECT_NE(err.find("error [1-63]"), std::string::npos) << args << ": " << err;
  }
}

}  // namespace
