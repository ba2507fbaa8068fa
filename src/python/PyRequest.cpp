#include "PyRequest.h"

#include <cstring>

namespace py = pybind11;

namespace seufitpy {
namespace {
// A word or a number of hours.
const char* const kScrub = "readback|HOURS";

// What each type of the option table takes from Python.
const char* pythonType(const HAFITRun::OptionInfo& info) {
  const std::string t = info.type;
  if (t.empty()) return "bool";
  if (t == "N") return "int";
  if (t == "X") return "float";
  if (t == "[DEPTH]") return "int or True";
  if (t == kScrub) return "'readback' or float";
  if (t == "NAME") return "str";
  return "str or os.PathLike";
}
}  // namespace

std::string pathText(const py::handle& path, const char* name) {
  const py::object p = py::module_::import("os").attr("fspath")(path);
  if (!py::isinstance<py::str>(p))
    throw py::type_error(std::string(name) + ": expected str or os.PathLike of str");
  std::string text = p.cast<std::string>();
  // As open() does: a NUL would cut the name short and name another file.
  if (text.find('\0') != std::string::npos)
    throw py::value_error(std::string(name) + ": embedded null byte");
  return text;
}

std::string keywordOf(const char* option) {
  std::string k = option;
  for (char& c : k)
    if (c == '-') c = '_';
  return k;
}

bool isReportKeyword(const std::string& option) {
  return option != "output" && option != "xml" && option != "json";
}

std::string reportSignature() {
  std::string sig = "report(self, *";
  for (const HAFITRun::OptionInfo& o : HAFITRun::Request::reportOptions()) {
    if (!isReportKeyword(o.name)) continue;
    const std::string type = o.type;
    const std::string hint =
        type.empty()        ? "bool = False"
        : type == "[DEPTH]" ? "int | bool | None = None"
        : !*o.defaultText   ? std::string(type == "N"      ? "int"
                                          : type == "X"    ? "float"
                                          : type == kScrub ? "str | float"
                                          : type == "NAME" ? "str"
                                                           : "str | os.PathLike") +
                                " | None = None"
                          : std::string(type == "N" ? "int" : "float") + " = " + o.defaultText;
    sig += ", " + keywordOf(o.name) + ": " + hint;
  }
  return sig + ", data_dirs: list[str] | None = None) -> Report";
}

std::string reportKeywordsHelp() {
  std::string help;
  for (const HAFITRun::OptionInfo& o : HAFITRun::Request::reportOptions()) {
    if (!isReportKeyword(o.name)) continue;
    help += "  " + keywordOf(o.name) + " (" + pythonType(o) + (*o.defaultText ? ", default " : "") +
            o.defaultText + "): " + o.help + "\n";
  }
  return help;
}

std::optional<std::string> optionText(const HAFITRun::OptionInfo& info, const py::handle& value) {
  if (value.is_none()) return std::nullopt;
  const std::string type = info.type;
  const std::string keyword = keywordOf(info.name);
  const bool isBool = py::isinstance<py::bool_>(value);
  const auto wrong = [&]() {
    return py::type_error(keyword + ": expected " + pythonType(info) + ", got " +
                          py::str(py::type::of(value).attr("__name__")).cast<std::string>());
  };
  if (type.empty() || (type == "[DEPTH]" && isBool)) {
    if (!isBool) throw wrong();
    return value.cast<bool>() ? std::optional<std::string>("") : std::nullopt;
  }
  if (type == "N" || type == "[DEPTH]") {
    if (isBool || !py::isinstance<py::int_>(value)) throw wrong();
    return py::str(value).cast<std::string>();
  }
  if (type == kScrub && py::isinstance<py::str>(value)) return value.cast<std::string>();
  if (type == "X" || type == kScrub) {
    if (isBool || !(py::isinstance<py::int_>(value) || py::isinstance<py::float_>(value)))
      throw wrong();
    // repr: the shortest text that reads back as the same double, as a user would type it.
    return py::repr(value).cast<std::string>();
  }
  if (type == "NAME") {
    if (!py::isinstance<py::str>(value)) throw wrong();
    return value.cast<std::string>();
  }
  return pathText(value, keyword.c_str());
}

}  // namespace seufitpy
