// Output streams: the file stream replaces its target only when everything was written,
// and otherwise leaves the old file, reports the path and reason and leaves no temporary
// file behind; the message-log stream writes where setLog points.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "host/msg/ComMsgMgr.h"
#include "host/stream/ComMsgMgrReportOstream.h"
#include "host/stream/HUTFileWriteStream.h"
#include "support/HostTestUtil.h"

using hosttest::readFile;
using hosttest::TempDir;
using hosttest::writeFile;

namespace {

mode_t modeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Checks the one "cannot write" message: it names the target and gives a reason.
void expectWriteError(const ComMsgMgr::ScopedCapture& cap, const std::string& target,
                      const std::string& reason) {
  ASSERT_EQ(cap.ids(), std::vector<std::string>{"1-4"});
  const ComMsgMgr::Message& m = cap.messages()[0];
  EXPECT_EQ(m.mask, ComMsgMgr::MASK_ERROR);
  ASSERT_EQ(m.args.size(), 2u);
  EXPECT_EQ(m.args[0].s, target);
  EXPECT_EQ(m.args[1].s, reason);
  EXPECT_NE(m.text().find(target), std::string::npos);
}

}  // namespace

TEST(FileWriteStream, CompleteWriteReplacesTheFileAndKeepsItsMode) {
  TempDir dir;
  const std::string target = dir / "report.txt";
  writeFile(target, "old content that is longer than the new one\n");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ComMsgMgr::ScopedCapture cap;
  {
    HUTFileWriteStream os;
    os.open(target, std::ios_base::out);
    ASSERT_TRUE(os.is_open());
    os << "new\n";
    EXPECT_EQ(readFile(target), "old content that is longer than the new one\n")
        << "the target changes only on close";
    EXPECT_TRUE(os.close());
    EXPECT_TRUE(os.close()) << "a second close repeats the first result";
    EXPECT_EQ(os.error(), "");
  }
  EXPECT_EQ(readFile(target), "new\n");
  EXPECT_EQ(modeOf(target), 0640u);
  EXPECT_EQ(dir.entries(), std::set<std::string>{"report.txt"});
  EXPECT_TRUE(cap.messages().empty());
}

TEST(FileWriteStream, DestructorCommitsANewFile) {
  TempDir dir;
  const std::string target = dir / "new.xml";
  {
    HUTFileWriteStream os;
    os.open(target, std::ios_base::out | std::ios_base::trunc);
    os << "<r/>\n";
  }
  EXPECT_EQ(readFile(target), "<r/>\n");
  EXPECT_EQ(dir.entries(), std::set<std::string>{"new.xml"});
}

TEST(FileWriteStream, UnwritableTargetsLeaveEverythingAsItWas) {
  TempDir dir;
  writeFile(dir / "plain", "a regular file\n");
  ASSERT_EQ(::mkdir((dir / "isdir").c_str(), 0755), 0);
  writeFile(dir / "isdir/keep", "inside\n");
  const struct {
    std::string target;
    std::ios_base::openmode mode;
    std::string reason;
  } cases[] = {
      {dir / "missing/report.txt", std::ios_base::out, "No such file or directory"},
      {dir / "plain/report.txt", std::ios_base::out, "Not a directory"},
      {dir / "isdir", std::ios_base::out, "it is a directory"},
      {"/dev/null", std::ios_base::out, "it is not a regular file"},
      {"", std::ios_base::out, "the file name is empty"},
      {dir / "plain", std::ios_base::out | std::ios_base::app,
       "only writing a new file is supported"},
      {dir / "plain", std::ios_base::in | std::ios_base::out,
       "only writing a new file is supported"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    ComMsgMgr::ScopedCapture cap;
    HUTFileWriteStream os;
    os.open(c.target, c.mode);
    EXPECT_FALSE(os.is_open());
    EXPECT_FALSE(os.good());
    os << "lost";
    EXPECT_FALSE(os.close());
    EXPECT_EQ(os.error(), c.reason);
    expectWriteError(cap, c.target, c.reason);
  }
  EXPECT_EQ(readFile(dir / "plain"), "a regular file\n");
  EXPECT_EQ(dir.entries(), (std::set<std::string>{"isdir", "plain"}));
  EXPECT_EQ(dir.entries("isdir"), std::set<std::string>{"keep"});
}

TEST(FileWriteStream, TargetThatBecomesADirectoryBeforeClose) {
  TempDir dir;
  const std::string target = dir / "report.txt";
  ComMsgMgr::ScopedCapture cap;
  HUTFileWriteStream os;
  os.open(target, std::ios_base::out);
  os << "content\n";
  ASSERT_EQ(::mkdir((dir / "report.txt").c_str(), 0755), 0);
  writeFile(dir / "report.txt/inside", "x");
  EXPECT_FALSE(os.close());
  EXPECT_FALSE(os.error().empty());
  expectWriteError(cap, target, os.error());
  EXPECT_EQ(dir.entries(), std::set<std::string>{"report.txt"}) << "no temporary file left";
  EXPECT_EQ(dir.entries("report.txt"), std::set<std::string>{"inside"});
}

TEST(FileWriteStream, ExceptionOrDiscardLeavesTheOldFile) {
  TempDir dir;
  const std::string target = dir / "report.txt";
  writeFile(target, "old\n");
  ComMsgMgr::ScopedCapture cap;
  EXPECT_THROW(
      {
        HUTFileWriteStream os;
        os.open(target, std::ios_base::out);
        os << "half a report";
        throw std::runtime_error("writer failed");
      },
      std::runtime_error);
  EXPECT_EQ(readFile(target), "old\n");
  EXPECT_EQ(dir.entries(), std::set<std::string>{"report.txt"});

  {
    HUTFileWriteStream os;
    os.open(target, std::ios_base::out);
    os << "not wanted";
    os.discard();
    EXPECT_FALSE(os.close());
  }
  EXPECT_EQ(readFile(target), "old\n");
  EXPECT_EQ(dir.entries(), std::set<std::string>{"report.txt"});
  EXPECT_TRUE(cap.messages().empty()) << "giving up on purpose is not an error";
}

TEST(FileWriteStream, StreamAlreadyFailedDoesNotReplace) {
  TempDir dir;
  const std::string target = dir / "report.txt";
  writeFile(target, "old\n");
  ComMsgMgr::ScopedCapture cap;
  HUTFileWriteStream os;
  os.open(target, std::ios_base::out);
  os << "partial";
  os.setstate(std::ios_base::badbit);  // as a failed write leaves it
  EXPECT_FALSE(os.close());
  EXPECT_EQ(readFile(target), "old\n");
  EXPECT_EQ(dir.entries(), std::set<std::string>{"report.txt"});
  ASSERT_EQ(cap.ids(), std::vector<std::string>{"1-4"});
  EXPECT_EQ(cap.messages()[0].args[0].s, target);
}

TEST(FileWriteStream, SecondOpenDropsTheFirstTemporaryFile) {
  TempDir dir;
  const std::string first = dir.path() + "/first.txt", second = dir.path() + "/second.txt";
  {
    HUTFileWriteStream out;
    out.open(first, std::ios_base::out);
    out << "for the first";
    out.open(second, std::ios_base::out);
    out << "for the second";
  }
  EXPECT_EQ(readFile(second), "for the second");
  struct stat st {};
  EXPECT_NE(::stat(first.c_str(), &st), 0);
  EXPECT_EQ(dir.entries(), std::set<std::string>{"second.txt"});
}

TEST(FileWriteStream, ThroughALinkTheLinkedFileIsReplaced) {
  TempDir dir;
  const std::string real = dir.path() + "/real.txt", link = dir.path() + "/link.txt";
  writeFile(real, "old");
  ASSERT_EQ(::symlink("real.txt", link.c_str()), 0);
  {
    HUTFileWriteStream out;
    out.open(link, std::ios_base::out);
    out << "new";
    EXPECT_TRUE(out.close());
  }
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(readFile(real), "new");
}

// Runs `body` in a child process (limits and signals must not touch the test runner) and
// returns its wait status.
template <typename F>
int inChild(F body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

TEST(FileWriteStream, FileSizeLimitAndSignalLeaveNoTemporaryFile) {
  TempDir dir;
  const std::string target = dir / "report.txt";
  writeFile(target, "old\n");
  // Past the size limit: the write fails with its reason instead of killing the process.
  const int limited = inChild([&] {
    struct rlimit rl {};
    rl.rlim_cur = rl.rlim_max = 4096;
    ::setrlimit(RLIMIT_FSIZE, &rl);
    ComMsgMgr::ScopedCapture cap;
    HUTFileWriteStream os;
    os.open(target, std::ios_base::out);
    os << std::string(1 << 20, 'x');
    const bool closed = os.close();
    const bool named =
        cap.ids() == std::vector<std::string>{"1-4"} &&
        cap.messages()[0].args[1].s == std::string("write failed: ") + std::strerror(EFBIG);
    ::_exit(!closed && named ? 0 : 1);
  });
  EXPECT_TRUE(WIFEXITED(limited) && WEXITSTATUS(limited) == 0) << limited;
  // Ended by a signal while writing: the temporary file goes with the process.
  const int killed = inChild([&] {
    HUTFileWriteStream os;
    os.open(target, std::ios_base::out);
    os << "partial";
    os.flush();
    ::raise(SIGTERM);
  });
  EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGTERM) << killed;
  EXPECT_EQ(readFile(target), "old\n");
  EXPECT_EQ(dir.entries(), std::set<std::string>{"report.txt"});
}

TEST(FileWriteStream, NameAtTheSystemLimitKeepsTheUsersName) {
  TempDir dir;
  const std::string target = dir / std::string(NAME_MAX, 'r');
  HUTFileWriteStream os;
  os.open(target, std::ios_base::out);
  os << "new";
  EXPECT_TRUE(os.close());
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(dir.entries(), std::set<std::string>{std::string(NAME_MAX, 'r')});
}

TEST(ReportOstream, WritesToTheLogSetAtConstruction) {
  std::ostringstream first, second;
  std::ostream* old = ComMsgMgrReportOstream::setLog(&first);
  {
    ComMsgMgrReportOstream os;
    os << "line " << 1 << '\n';
    ComMsgMgrReportOstream::setLog(&second);  // later streams only
    os << "line 2\n";
    ComMsgMgrReportOstream later;
    later << "elsewhere\n";
  }
  EXPECT_EQ(first.str(), "line 1\nline 2\n");
  EXPECT_EQ(second.str(), "elsewhere\n");
  EXPECT_EQ(&ComMsgMgrReportOstream::log(), &second);
  EXPECT_EQ(ComMsgMgrReportOstream::setLog(nullptr), &second);
  EXPECT_EQ(&ComMsgMgrReportOstream::log(), &std::cout) << "null restores standard output";
  ComMsgMgrReportOstream::setLog(old);
}
