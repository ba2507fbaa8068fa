#include "shared/fit/base/HAFITJsonInput.h"

#include <rapidjson/encodedstream.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>

#include <algorithm>

#include "host/str/HSTJson.h"
#include "host/str/HSTJsonExact.h"

namespace HAFITJsonInput {
namespace {
// Problems listed for one file at most; a last entry says when more were left out.
constexpr size_t kMaxErrors = 50;
using Value = rapidjson::Value;
}  // namespace

void Reader::fail(const std::string& where, const std::string& what) {
  add(path + ": " + where + ": " + what);
}

void Reader::add(std::string text) {
  if (errors.size() < kMaxErrors)
    errors.push_back(std::move(text));
  else if (errors.size() == kMaxErrors)
    errors.push_back(path + ": more problems were not listed");
}

std::string lineColumn(const std::string& text, size_t offset) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return std::to_string(line) + ":" + std::to_string(column);
}

bool checkKeys(Reader& r, const Value& obj, const std::string& where,
               std::initializer_list<const char*> known) {
  bool ok = true;
  std::vector<bool> seen(known.size());
  for (auto m = obj.MemberBegin(); m != obj.MemberEnd(); ++m) {
    const std::string key(m->name.GetString(), m->name.GetStringLength());
    const bool plain = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
    std::string at = where;
    if (plain)
      at.append(".").append(key);
    else
      at.append("[").append(HSTJson::quote(key)).append("]");
    const auto k =
        std::find_if(known.begin(), known.end(), [&](const char* n) { return key == n; });
    if (k == known.end()) {
      std::string list;
      for (const char* n : known) list += (list.empty() ? "" : ", ") + std::string(n);
      r.fail(at, "unknown key; expected " + list);
      ok = false;
    } else if (seen[static_cast<size_t>(k - known.begin())]) {
      r.fail(at, "the key appears twice");
      ok = false;
    } else {
      seen[static_cast<size_t>(k - known.begin())] = true;
    }
  }
  return ok;
}

bool parse(const std::string& text, rapidjson::Document& doc, Reader& r) {
  const size_t skip = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  rapidjson::ParseResult result;
  bool tooBig = false;
  const auto generate = [&](rapidjson::Document& handler) {
    rapidjson::MemoryStream ms(text.data() + skip, text.size() - skip);
    rapidjson::EncodedInputStream<rapidjson::UTF8<>, rapidjson::MemoryStream> is(ms);
    HSTJsonExact::Numbers<rapidjson::Document> exact(handler, true);
    rapidjson::Reader reader;
    result = reader.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag>(
        is, exact);
    tooBig = exact.tooBig;
    return !result.IsError();
  };
  doc.Populate(generate);
  if (!result.IsError()) return true;
  r.add(r.path + ":" + lineColumn(text.substr(skip), result.Offset()) + ": " +
        rapidjson::GetParseError_En(tooBig ? rapidjson::kParseErrorNumberTooBig : result.Code()));
  return false;
}

}  // namespace HAFITJsonInput
