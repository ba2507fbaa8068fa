// Text safety for the writers, and for whoever writes XML or HTML text of their own.
#pragma once

#include <cstddef>
#include <string>

namespace HCRRptText {
// Valid UTF-8 with every control character (C0, DEL, C1) and every invalid byte
// replaced by U+FFFD.
std::string plain(const std::string& s);
// Escaped for XML 1.0 text and attribute values: & < > " ' as entities, tab, line feed
// and carriage return as character references; other control characters, U+FFFE, U+FFFF
// and invalid bytes as U+FFFD.
std::string xml(const std::string& s);
// Columns taken by valid UTF-8 text: one per code point.
size_t width(const std::string& utf8);
}  // namespace HCRRptText
