// Keyword arguments to a run request: the request's own option table, with Python types
// checked here (TypeError) and values checked by the request (ValueError).
#pragma once

#include <pybind11/pybind11.h>

#include <optional>
#include <string>
#include <vector>

#include "shared/fit/run/HAFITRequest.h"

namespace seufitpy {

using DataDirs = std::optional<std::vector<std::string>>;

// A path as str or os.PathLike; TypeError for anything else, ValueError for a NUL.
std::string pathText(const pybind11::handle& path, const char* name = "path");
// The keyword of an option: its name with '-' as '_'.
std::string keywordOf(const char* option);
// Whether the report keywords take `option` (the output and the format are render's).
bool isReportKeyword(const std::string& option);
// The signature of Design.report, with Python's types and the table's defaults.
std::string reportSignature();
// The report keywords with their types, defaults and help, for the docstring.
std::string reportKeywordsHelp();

// A keyword argument, given as a str of the request's table's text form or as the Python
// type its help names: the text the request sets, or nothing when the value is None or
// False. TypeError for a value of another type.
std::optional<std::string> optionText(const HAFITRun::OptionInfo& info,
                                      const pybind11::handle& value);

}  // namespace seufitpy
