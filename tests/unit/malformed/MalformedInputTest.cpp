// seufit run on broken inputs, as a user would meet them: design files, paths that are
// not readable files, option values, data directories with broken files, output paths
// that cannot be written. Every case must end with its documented exit status, without a
// signal or a sanitizer report, with exactly the expected diagnostics naming the file or
// option and the place, nothing on standard output, and its working folder (which holds
// an earlier report the command is pointed at) exactly as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kMalformed = fs::path(SEUFIT_TEST_DATA_DIR) / "malformed";
const fs::path kData = fs::path(SEUFIT_SOURCE_DIR) / "data";
const char* const kPreviousReport = "previous report, to be kept\n";

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void spit(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

// ---- preparing a case's folder ----------------------------------------------------

// What a case may need besides the shipped inputs, made fresh in its folder.
struct Place {
  fs::path work;  // the case's folder
  fs::path data;  // work/data, a copy of the shipped data directory (when the case uses it)
};
using Prep = std::function<void(const Place&)>;

void replaceIn(const fs::path& p, const std::string& from, const std::string& to) {
  std::string text = slurp(p);
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from << " not in " << p;
  spit(p, text.replace(at, from.size(), to));
}

// Keeps the first `bytes` of a file.
void cut(const fs::path& p, size_t bytes) { fs::resize_file(p, bytes); }

void swapIn(const fs::path& dataFile, const std::string& malformedName) {
  fs::copy_file(kMalformed / "data" / malformedName, dataFile,
                fs::copy_options::overwrite_existing);
}

void fifoAt(const fs::path& p) {
  fs::remove(p);
  ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0) << p;
}

void dirAt(const fs::path& p) {
  fs::remove(p);
  fs::create_directory(p);
}

// A chain of `levels` cells below the top: one level more than the loader accepts.
std::string deepHierarchy(int levels) {
  std::string cells;
  for (int i = 0; i < levels; ++i)
    cells += "\"c" + std::to_string(i) + "\": {\"instances\": [{\"name\": \"i\", \"cell\": \"c" +
             std::to_string(i + 1) + "\"}]},\n";
  cells += "\"c" + std::to_string(levels) + "\": {}";
  return "{\"seufit_design\": 1,\n \"part\": {\"name\": \"p\", \"device\": \"d\", \"arch_id\": "
         "\"zerith9\", \"arch_type\": 21},\n \"top\": \"c0\",\n \"cells\": {\n" +
         cells + "}}\n";
}

// ---- running seufit ---------------------------------------------------------------

struct Outcome {
  bool exited = false;
  int status = -1;  // exit status, or the signal number when !exited
  bool timedOut = false;
  std::string out, err;
};

Outcome runSeufit(const std::vector<std::string>& args, const fs::path& cwd,
                  const fs::path& scratch) {
  const fs::path out = scratch / "stdout";
  const fs::path err = scratch / "stderr";
  std::vector<char*> argv;
  std::string exe = SEUFIT_EXE;
  argv.push_back(exe.data());
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  Outcome r;
  int raw = 0;
  // Sanitizer builds are slow; a hang (a FIFO read, a loop) shows as a timeout.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  for (;;) {
    const pid_t done = ::waitpid(pid, &raw, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &raw, 0);
      r.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  r.exited = WIFEXITED(raw);
  r.status = r.exited ? WEXITSTATUS(raw) : WTERMSIG(raw);
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

// Every entry below `dir` with its kind and, for files, its content.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> s;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string rel = fs::relative(e.path(), dir).string();
    const auto st = fs::symlink_status(e.path());
    if (fs::is_regular_file(st))
      s[rel] = "file:" + slurp(e.path());
    else
      s[rel] = "kind:" + std::to_string(static_cast<int>(st.type()));
  }
  return s;
}

int diagnosticLines(const std::string& err) {
  int n = 0;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("error [", 0) == 0 || line.rfind("warning [", 0) == 0 ||
        line.rfind("{\"id\": ", 0) == 0)
      ++n;
  return n;
}

// ---- the table --------------------------------------------------------------------

struct Case {
  const char* name;
  // "@M/" is the folder of the broken inputs, "@W/" the case's folder, "@DATA" its copy of
  // the data directory, "@GOOD" a valid design with an inline part and its own primitives,
  // "@EX" a shipped example (it names a catalogue part).
  std::vector<std::string> args;
  int status;
  std::vector<std::string> expect;  // each somewhere in standard error
  int messages = 1;                 // error and warning lines
  Prep prep = nullptr;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::string kGood = "@M/valid_inline.json";
const std::string kEx = "@EX";

std::vector<Case> cases() {
  using V = std::vector<std::string>;
  auto reportTo = [&](const std::string& file) { return V{"report", kGood, "--file", file}; };
  auto reportWith = [&](V more) {
    V a = reportTo("@W/report.txt");
    a.insert(a.end(), more.begin(), more.end());
    return a;
  };
  auto withData = [&](const std::string& design) {
    return V{"report", design, "--data-dir", "@DATA", "--file", "@W/report.txt"};
  };
  return {
      // ---- design files: JSON syntax ----
      {"empty file", {"report", "@M/empty.json"}, 2, {"empty.json: the file is empty"}},
      {"blank file", {"check", "@M/blank.json"}, 2, {"blank.json: the file is empty"}},
      {"truncated",
       {"report", "@M/truncated.json"},
       2,
       {"truncated.json:27:6: JSON syntax error: unexpected end of input",
        "cells.rx_chain.instances[0]"}},
      {"trailing comma",
       {"check", "@M/trailing_comma.json"},
       2,
       {"trailing_comma.json:5:36:", "trailing comma"}},
      {"single quotes",
       {"check", "@M/single_quotes.json"},
       2,
       {"single_quotes.json:5:12:", "double quotes"}},
      {"not an object",
       {"check", "@M/top_array.json"},
       2,
       {"top_array.json:1:1:", "found an array"}},
      {"NUL byte", {"report", "@M/nul_byte.json"}, 2, {"nul_byte.json:5:29:", "byte 0x00"}},
      {"non-UTF-8 name",
       {"report", "@M/non_utf8_name.json"},
       2,
       {"non_utf8_name.json:5:45:", "invalid UTF-8 (byte 0xFF)"}},
      {"non-UTF-8 key",
       {"check", "@M/non_utf8_key.json"},
       2,
       {"non_utf8_key.json:5:16:", "invalid UTF-8"}},
      {"lone surrogate",
       {"check", "@M/lone_surrogate.json"},
       2,
       {"lone_surrogate.json:5:44:", "unpaired surrogate"}},
      {"NaN literal",
       {"report", "@M/nan_literal.json"},
       2,
       {"nan_literal.json:5:28:", "NaN, Infinity"}},
      {"-Infinity literal",
       {"check", "@M/infinity_literal.json"},
       2,
       {"infinity_literal.json:5:32:", "invalid number"}},
      {"JSON nested 5000 deep",
       {"check", "@W/deep.json"},
       2,
       {"deep.json:1:1: expected a design object",
        "deep.json:1:1001:", "nested deeper than 1000 levels"},
       2,
       [](const Place& p) {
         spit(p.work / "deep.json", std::string(5000, '[') + std::string(5000, ']'));
       }},

      // ---- design files: values and structure ----
      {"format version 2",
       {"check", "@M/version_2.json"},
       2,
       {"version_2.json:1:19:", "unsupported format version 2", "(at seufit_design)"}},
      {"format version as text",
       {"check", "@M/version_text.json"},
       2,
       {"version_text.json:1:19:", "found a string"}},
      {"no part",
       {"report", "@M/missing_part.json"},
       2,
       {"missing_part.json:1:1:", "missing key \"part\""}},
      {"unknown part",
       {"report", "@M/unknown_part.json"},
       2,
       {"unknown_part.json:1:30:", "unknown part \"no-such-part\"", "(at part)"}},
      {"part as a number",
       {"check", "@M/part_number.json"},
       2,
       {"part_number.json:1:30:", "found a number", "(at part)"}},
      {"arch_type as text",
       {"check", "@M/arch_type_text.json"},
       2,
       {"arch_type_text.json:2:76:", "(at part.arch_type)"}},
      {"config_bits negative",
       {"report", "@M/config_bits_negative.json"},
       2,
       {"config_bits_negative.json:2:95:", "number -1 is out of range", "part.config_bits"}},
      {"config_bits 2^32",
       {"check", "@M/config_bits_huge.json"},
       2,
       {"config_bits_huge.json:2:95:", "4294967296 is out of range"}},
      {"1e309",
       {"check", "@M/number_overflow.json"},
       2,
       {"number_overflow.json:5:28:", "found 1e309", "(at cells.top.nets)"}},
      {"nets negative",
       {"check", "@M/nets_negative.json"},
       2,
       {"nets_negative.json:5:28:", "-3 is out of range"}},
      {"nets with a fraction",
       {"check", "@M/nets_fraction.json"},
       2,
       {"nets_fraction.json:5:28:", "found 2.5"}},
      {"32-bit overflow",
       {"report", "@M/int_overflow.json"},
       2,
       {"int_overflow.json:5:102:", "2147483648 is out of range", "attributes.READ_WIDTH_A.int"}},
      {"64-bit overflow",
       {"check", "@M/long_overflow.json"},
       2,
       {"long_overflow.json:5:103:", "-9223372036854775809 is out of range"}},
      {"double as text",
       {"check", "@M/double_as_text.json"},
       2,
       {"double_as_text.json:5:105:", "expected a number, found a string"}},
      {"unknown primitive class",
       {"check", "@M/unknown_class.json"},
       2,
       {"unknown_class.json:4:34:", "unknown primitive class \"dram\""}},
      {"code as text",
       {"check", "@M/code_text.json"},
       2,
       {"code_text.json:4:50:", "(at primitives.R36.code)"}},
      {"instances as object",
       {"check", "@M/instances_object.json"},
       2,
       {"instances_object.json:5:33:", "expected a list of instances"}},
      {"site value triple",
       {"check", "@M/site_triple.json"},
       2,
       {"site_triple.json:4:71:", "(at sites.S[0].config[0])"}},
      {"unknown key",
       {"check", "@M/unknown_key.json"},
       2,
       {"unknown_key.json:5:48:", "unknown key \"colour\""}},
      {"unknown top",
       {"report", "@M/unknown_top.json"},
       2,
       {"unknown_top.json:3:9:", "unknown top cell \"top\""}},
      {"undefined cell",
       {"inventory", "@M/undefined_cell.json"},
       2,
       {"undefined_cell.json:5:56:", "undefined cell \"nowhere\""}},
      {"cycle",
       {"report", "@M/cycle.json"},
       2,
       {"cycle.json:6:4:", "cyclic hierarchy: ping -> pong -> ping"}},
      {"cell containing itself",
       {"dump", "inventory", "@M/self_cycle.json"},
       2,
       {"self_cycle.json:5:12:", "top -> top"}},
      {"duplicate instance",
       {"report", "@M/duplicate_instance.json"},
       2,
       {"duplicate_instance.json:6:4:", "duplicate instance name \"r\""}},
      {"duplicate cell",
       {"check", "@M/duplicate_cell.json"},
       2,
       {"duplicate_cell.json:6:4:", "cell \"top\" is defined twice"}},
      {"cell named like a primitive",
       {"check", "@M/cell_is_primitive.json"},
       2,
       {"cell_is_primitive.json:5:23:", "both as a cell and as a primitive"}},
      {"hierarchy 4097 levels deep",
       {"report", "@W/deep_hierarchy.json"},
       2,
       {"deep_hierarchy.json:", "4097 levels deep; at most 4096"},
       1,
       [](const Place& p) { spit(p.work / "deep_hierarchy.json", deepHierarchy(4097)); }},
      {"several problems, each listed",
       {"check", "@M/several_problems.json"},
       2,
       {"several_problems.json:6:20:", "several_problems.json:9:70:", "several_problems.json:8:6:",
        "several_problems.json:7:28:"},
       4},
      {"more than 50 problems",
       {"check", "@M/too_many_problems.json"},
       2,
       {"too_many_problems.json:7:6:", "too_many_problems.json:56:6:",
        "only the first 50 are listed"},
       51},
      {"JSON messages",
       {"check", "@M/cycle.json", "--messages", "json"},
       2,
       {"{\"id\": \"1-22\", \"severity\": \"error\"", "cycle.json"}},

      // ---- designs that load but give no report ----
      {"protected bits as text NaN",
       {"report", "@M/protected_nan_text.json"},
       1,
       {"protected_nan_text.json: the design cannot be analysed: instance r: SEU_PROTECTED"}},
      {"unsupported device",
       {"report", "@M/unsupported_device.json", "--file", "@W/report.txt"},
       1,
       {"warning [65-171] device dev is not supported"}},
      {"unsupported device, inventory",
       {"inventory", "@M/unsupported_device.json"},
       1,
       {"[65-171]"}},

      // ---- design paths that are not readable files ----
      {"missing design",
       {"report", "@W/absent.json"},
       2,
       {"absent.json: cannot read the design file: No such file or directory"}},
      {"design is a directory",
       {"check", "@W/folder"},
       2,
       {"folder: cannot read the design file: it is a directory"}},
      {"design path through a file",
       {"report", "@W/report.txt/x.json"},
       2,
       {"report.txt/x.json: cannot read the design file: Not a directory"}},
      {"design is a FIFO without a writer", {"report", "@W/pipe"}, 2, {"pipe: the file is empty"}},
      {"design is /dev/null", {"check", "/dev/null"}, 2, {"/dev/null: the file is empty"}},
      // JSON messages stay valid JSON: bytes that are not UTF-8 become U+FFFD.
      {"non-UTF-8 design path, JSON messages",
       {"check", "@W/bad\xff\x01name.json", "--messages", "json"},
       2,
       {"bad\xEF\xBF\xBD\\u0001name.json: cannot read the design file"}},

      // ---- option values ----
      {"--altitude nan",
       reportWith({"--altitude", "nan"}),
       2,
       {"option --altitude: expected a finite real number, got 'nan'"}},
      {"--altitude inf", reportWith({"--altitude", "inf"}), 2, {"option --altitude", "'inf'"}},
      {"--altitude -Infinity",
       reportWith({"--altitude=-Infinity"}),
       2,
       {"option --altitude", "'-Infinity'"}},
      {"--altitude 1e39", reportWith({"--altitude", "1e39"}), 2, {"option --altitude", "'1e39'"}},
      {"--altitude empty", reportWith({"--altitude", ""}), 2, {"option --altitude", "got ''"}},
      {"--months NaN", reportWith({"--months", "NaN"}), 2, {"option --months", "'NaN'"}},
      {"--months negative", reportWith({"--months=-1"}), 2, {"option --months", "'-1'"}},
      {"--devices negative", reportWith({"--devices=-1"}), 2, {"option --devices", "'-1'"}},
      {"--devices 2^31",
       reportWith({"--devices", "2147483648"}),
       2,
       {"option --devices", "'2147483648'"}},
      {"--devices huge",
       reportWith({"--devices", "99999999999999999999"}),
       2,
       {"option --devices"}},
      {"--devices fraction", reportWith({"--devices", "1.5"}), 2, {"option --devices", "'1.5'"}},
      {"--longitude 181", reportWith({"--longitude", "181"}), 2, {"option --longitude", "'181'"}},
      {"--latitude -91", reportWith({"--latitude=-91"}), 2, {"option --latitude", "'-91'"}},
      {"--temperature 2^31",
       reportWith({"--temperature", "2147483648"}),
       2,
       {"option --temperature", "'2147483648'"}},
      {"--temperature nan",
       reportWith({"--temperature", "nan"}),
       2,
       {"option --temperature", "'nan'"}},
      {"two bad options, both told",
       reportWith({"--latitude", "100", "--months", "inf"}),
       2,
       {"option --latitude", "option --months"},
       2},
      {"--file empty", reportTo(""), 2, {"option --file: expected a file path"}},
      {"--messages xml", reportWith({"--messages", "xml"}), 2, {"--messages"}},
      {"unknown option", reportWith({"--colour"}), 2, {"--colour"}},
      {"report without design", {"report", "--file", "@W/report.txt"}, 2, {"DESIGN"}},
      {"unknown command",
       {"reprot", "@M/valid_inline.json"},
       2,
       {"unknown command 'reprot'; expected one of report"}},
      {"unknown table", {"dump", "fit"}, 2, {"fit"}},
      {"flux --altitude nan", {"flux", "--altitude", "nan"}, 2, {"option --altitude", "'nan'"}},
      {"flux --latitude 1e3", {"flux", "--latitude", "1e3"}, 2, {"option --latitude", "'1e3'"}},

      // ---- output paths that cannot be written ----
      {"--file in a missing folder",
       reportTo("@W/missing/r.txt"),
       1,
       {"cannot write ", "missing/r.txt: No such file or directory"}},
      {"--file under a file",
       reportTo("@W/report.txt/r.txt"),
       1,
       {"report.txt/r.txt: Not a directory"}},
      {"--file is a folder", reportTo("@W/folder"), 1, {"folder: it is a directory"}},
      {"--file is a FIFO", reportTo("@W/pipe"), 1, {"pipe: it is not a regular file"}},
      {"--file is /dev/null",
       reportTo("/dev/null"),
       1,
       {"cannot write /dev/null: it is not a regular file"}},
      {"--file in /proc",
       reportTo("/proc/seufit-report.txt"),
       1,
       {"cannot write /proc/seufit-report.txt:"}},

      // ---- data directories with broken files ----
      {"SoftErrorRate.xml truncated",
       withData(kGood),
       1,
       {"data/fit/SoftErrorRate.xml:28:7: XML syntax error: unclosed token"},
       1,
       [](const Place& p) { swapIn(p.data / "fit/SoftErrorRate.xml", "ser_truncated.xml"); }},
      {"SoftErrorRate.xml declares entities",
       withData(kGood),
       1,
       {"data/fit/SoftErrorRate.xml:3:14: XML document refused: the document declares the "
        "entity 'a'"},
       1,
       [](const Place& p) { swapIn(p.data / "fit/SoftErrorRate.xml", "ser_entity.xml"); }},
      {"SoftErrorRate.xml names an external DTD",
       withData(kGood),
       1,
       {"data/fit/SoftErrorRate.xml:3:10: XML document refused: the entity 'ext'"},
       1,
       [](const Place& p) { swapIn(p.data / "fit/SoftErrorRate.xml", "ser_external_entity.xml"); }},
      {"SoftErrorRate.xml not UTF-8",
       withData(kGood),
       1,
       {"data/fit/SoftErrorRate.xml:3:24: XML syntax error: not well-formed"},
       1,
       [](const Place& p) { swapIn(p.data / "fit/SoftErrorRate.xml", "ser_non_utf8.xml"); }},
      {"SoftErrorRate.xml XML 1.1",
       withData(kGood),
       1,
       {"data/fit/SoftErrorRate.xml:1:", "XML version 1.1 is not supported"},
       1,
       [](const Place& p) { swapIn(p.data / "fit/SoftErrorRate.xml", "ser_version_1_1.xml"); }},
      {"DetectionTime.xml mismatched tag",
       withData(kGood),
       1,
       {"data/fit/DetectionTime.xml:22:5: XML syntax error: mismatched tag"},
       1,
       [](const Place& p) { swapIn(p.data / "fit/DetectionTime.xml", "detect_mismatched.xml"); }},
      {"DetectionTime.xml two roots",
       withData(kGood),
       1,
       {"data/fit/DetectionTime.xml:3:1: XML syntax error: junk after document element"},
       1,
       [](const Place& p) { swapIn(p.data / "fit/DetectionTime.xml", "detect_two_roots.xml"); }},
      {"DetectionTime.xml empty",
       withData(kGood),
       1,
       {"data/fit/DetectionTime.xml:1:1: XML syntax error: no element found"},
       1,
       [](const Place& p) { cut(p.data / "fit/DetectionTime.xml", 0); }},
      {"RigidityCutoff.xml cut mid-grid",
       withData(kGood),
       1,
       {"data/fit/RigidityCutoff.xml:", "XML syntax error"},
       1,
       [](const Place& p) { cut(p.data / "fit/RigidityCutoff.xml", 100000); }},
      {"RigidityCutoff.xml nested 10001 deep",
       withData(kGood),
       1,
       {"data/fit/RigidityCutoff.xml:1:", "nested deeper than 10000 levels"},
       1,
       [](const Place& p) {
         std::string s = "<RCDATA>";
         for (int i = 0; i < 10001; ++i) s += "<a>";
         for (int i = 0; i < 10001; ++i) s += "</a>";
         spit(p.data / "fit/RigidityCutoff.xml", s + "</RCDATA>\n");
       }},
      {"RigidityCutoff.xml is a folder",
       withData(kGood),
       1,
       {"[65-44] data file fit/RigidityCutoff.xml was not found"},
       1,
       [](const Place& p) { dirAt(p.data / "fit/RigidityCutoff.xml"); }},
      {"RigidityCutoff.xml is a FIFO",
       withData(kGood),
       1,
       {"[65-44] data file fit/RigidityCutoff.xml was not found"},
       1,
       [](const Place& p) { fifoAt(p.data / "fit/RigidityCutoff.xml"); }},
      {"data directory missing",
       {"report", kGood, "--data-dir", "@W/nowhere"},
       1,
       {"fit/SoftErrorRate.xml was not found", "fit/DetectionTime.xml was not found",
        "fit/RigidityCutoff.xml was not found"},
       3},
      {"flux, cutoff grid cut",
       {"flux", "--data-dir", "@DATA"},
       1,
       {"data/fit/RigidityCutoff.xml:", "XML syntax error"},
       1,
       [](const Place& p) { cut(p.data / "fit/RigidityCutoff.xml", 5000); }},
      {"parts.json truncated",
       withData(kEx),
       2,
       {"data/parts.json:4:1: JSON syntax error: unexpected end of input"},
       1,
       [](const Place& p) { swapIn(p.data / "parts.json", "parts_truncated.json"); }},
      {"parts.json not an object",
       withData(kEx),
       2,
       {"data/parts.json:1:1: expected a catalogue object"},
       1,
       [](const Place& p) { swapIn(p.data / "parts.json", "parts_not_object.json"); }},
      {"parts.json is a folder",
       withData(kEx),
       2,
       {"no parts.json was found", "(at part)"},
       1,
       [](const Place& p) { dirAt(p.data / "parts.json"); }},
      {"primitives.json code as text",
       withData(kEx),
       2,
       {"data/primitives.json:", "expected a library-cell code"},
       1,
       [](const Place& p) {
         replaceIn(p.data / "primitives.json", "\"code\": 264", "\"code\": \"264\"");
       }},
      {"primitives.json truncated",
       withData(kEx),
       2,
       {"data/primitives.json:", "JSON syntax error: unexpected end of input"},
       1,
       [](const Place& p) { cut(p.data / "primitives.json", 2000); }},
  };
}

std::string expand(const std::string& arg, const Place& p, const fs::path& example) {
  auto sub = [&](std::string s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
      s.replace(at, from.size(), to);
    return s;
  };
  std::string s = sub(arg, "@M/", kMalformed.string() + "/");
  s = sub(s, "@W/", p.work.string() + "/");
  s = sub(s, "@DATA", p.data.string());
  if (s == kEx) s = example.string();
  return s;
}

class MalformedInput : public ::testing::TestWithParam<Case> {};

TEST_P(MalformedInput, ExitsCleanlyWithClearMessagesAndTouchesNothing) {
  const Case& c = GetParam();
  const fs::path root =
      fs::path(::testing::TempDir()) / ("seufit_malformed_" + std::to_string(::getpid()));
  std::string slug;
  for (const char* q = c.name; *q; ++q)
    slug += std::isalnum(static_cast<unsigned char>(*q)) ? *q : '_';
  Place p{root / slug, root / slug / "data"};
  const fs::path scratch = root / (slug + ".run");
  fs::remove_all(p.work);
  fs::remove_all(scratch);
  fs::create_directories(p.work);
  fs::create_directories(scratch);
  spit(p.work / "report.txt", kPreviousReport);
  fs::create_directory(p.work / "folder");
  ASSERT_EQ(::mkfifo((p.work / "pipe").c_str(), 0644), 0);
  bool usesData = false;
  for (const std::string& a : c.args) usesData |= a.find("@DATA") != std::string::npos;
  if (usesData) fs::copy(kData, p.data, fs::copy_options::recursive);
  if (c.prep) c.prep(p);
  if (HasFatalFailure()) return;

  // The example names a catalogue part: its report needs parts.json and primitives.json.
  const fs::path example = fs::path(SEUFIT_SOURCE_DIR) / "examples" / "zerith7_radio.json";
  std::vector<std::string> args;
  for (const std::string& a : c.args) args.push_back(expand(a, p, example));

  const auto before = snapshot(p.work);
  const Outcome r = runSeufit(args, p.work, scratch);

  ASSERT_FALSE(r.timedOut) << "no answer within 120 s";
  ASSERT_TRUE(r.exited) << "ended by signal " << r.status << "\n" << r.err;
  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
  EXPECT_EQ(diagnosticLines(r.err), c.messages) << r.err;
  for (const std::string& e : c.expect)
    EXPECT_NE(r.err.find(e), std::string::npos) << e << "\n" << r.err;
  EXPECT_EQ(r.out, "") << "nothing is written when the input is broken";
  EXPECT_EQ(snapshot(p.work), before) << "the case's folder changed";
  EXPECT_EQ(slurp(p.work / "report.txt"), kPreviousReport);

  fs::remove_all(p.work);
  fs::remove_all(scratch);
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  std::string s;
  for (const char* q = info.param.name; *q; ++q)
    s += std::isalnum(static_cast<unsigned char>(*q)) ? *q : '_';
  return s;
}

INSTANTIATE_TEST_SUITE_P(Cli, MalformedInput, ::testing::ValuesIn(cases()), caseName);

// The table is the suite's point: keep it broad.
TEST(MalformedInputTable, HasAtLeastFiftyCases) { EXPECT_GE(cases().size(), 50u); }

}  // namespace
