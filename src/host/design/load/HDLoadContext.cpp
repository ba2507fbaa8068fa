#include "host/design/load/HDLoadContext.h"

#include "host/str/HSTJson.h"

namespace {

bool isIdentifier(const std::string& k) {
  if (k.empty()) return false;
  for (size_t i = 0; i < k.size(); ++i) {
    const char c = k[i];
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (!(alpha || (digit && i > 0))) return false;
  }
  return true;
}

}  // namespace

std::string hdKeySeg(const std::string& k) {
  return isIdentifier(k) ? "." + k : "[" + HSTJson::quote(k) + "]";
}

std::string hdQuoted(const std::string& s) { return HSTJson::quote(s); }

std::string hdJoinNames(const std::vector<std::string>& names, size_t max) {
  std::string out;
  for (size_t i = 0; i < names.size() && i < max; ++i) out += (i ? ", " : "") + names[i];
  if (names.size() > max) out += ", ... (" + std::to_string(names.size()) + " in all)";
  return out;
}

std::string hdJoinElided(const std::vector<std::string>& names, const std::string& sep, size_t head,
                         size_t tail) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i == head && names.size() > 2 * head) {
      out += sep + "...";
      i = names.size() - tail;
    }
    out += (i ? sep : "") + names[i];
  }
  return out;
}

std::string hdPosText(HDJsonPos p) {
  return "line " + std::to_string(p.line) + ", column " + std::to_string(p.column);
}

bool HDSeenNames::insert(std::string_view name) {
  if (contains(name)) return false;
  if (few_.size() < kFew) {
    few_.emplace_back(name);
    return true;
  }
  if (many_.empty()) many_.insert(few_.begin(), few_.end());
  many_.emplace(name);
  return true;
}

bool HDSeenNames::contains(std::string_view name) const {
  if (!many_.empty()) return many_.count(std::string(name)) > 0;
  for (const std::string& n : few_)
    if (n == name) return true;
  return false;
}

std::string HDLoadContext::currentPath(std::string_view suffix) const {
  std::string out;
  for (const Seg& s : path_) out += s.index >= 0 ? "[" + std::to_string(s.index) + "]" : s.key;
  out += suffix;
  if (!out.empty() && out[0] == '.') out.erase(0, 1);
  return out;
}

void HDLoadContext::problemAt(const std::string& file, HDJsonPos p, const std::string& path,
                              const std::string& msg) {
  if (problems_.size() >= HDLoadLimits::kMaxProblems) {
    HDLoadProblem note;
    note.file = designFile_;
    note.message = "more problems were found; only the first " +
                   std::to_string(HDLoadLimits::kMaxProblems) + " are listed";
    problems_.push_back(note);
    throw HDStopLoading();
  }
  HDLoadProblem pr;
  pr.file = file;
  pr.line = p.line;
  pr.column = p.column;
  pr.jsonPath = path;
  pr.message = msg;
  problems_.push_back(std::move(pr));
}

bool HDLoadContext::expect(HDJsonReader& r, Type t, std::string_view suffix,
                           std::string_view what) {
  const Type got = r.peek();
  if (got == t) return true;
  if (got == HDJsonReader::END) r.skipValue();  // a syntax error: the input ended
  problem(r.pos(), suffix,
          "expected " + std::string(what) + ", found " + HDJsonReader::typeName(got));
  r.skipValue();
  return false;
}

bool HDLoadContext::readText(HDJsonReader& r, std::string_view suffix, std::string& out,
                             std::string_view what, bool nonEmpty) {
  if (!expect(r, HDJsonReader::STRING, suffix, what)) return false;
  const HDJsonPos p = r.pos();
  r.readString(out);
  if (nonEmpty && out.empty()) {
    problem(p, suffix, "expected " + std::string(what) + ", found an empty string");
    return false;
  }
  return true;
}

bool HDLoadContext::readInteger(HDJsonReader& r, std::string_view suffix, int64_t lo, int64_t hi,
                                int64_t& out, std::string_view what) {
  const auto wanted = [&]() {
    return std::string(what) + " from " + std::to_string(lo) + " to " + std::to_string(hi);
  };
  if (r.peek() != HDJsonReader::NUMBER) return expect(r, HDJsonReader::NUMBER, suffix, wanted());
  const HDJsonPos p = r.pos();
  r.readNumber(num_);
  if (!num_.integer) {
    problem(p, suffix, "expected " + wanted() + ", found " + num_.text);
    return false;
  }
  if (!num_.fitsInt64 || num_.i < lo || num_.i > hi) {
    problem(p, suffix, "number " + num_.text + " is out of range; expected " + wanted());
    return false;
  }
  out = num_.i;
  return true;
}

bool HDLoadContext::readFlag(HDJsonReader& r, std::string_view suffix, bool& out) {
  if (!expect(r, HDJsonReader::BOOL, suffix, "true or false")) return false;
  out = r.readBool();
  return true;
}

int HDLoadContext::objectKey(HDJsonReader& r, const std::string& key,
                             const std::vector<const char*>& keys, unsigned& seen,
                             const char* what) {
  const HDJsonPos kp = r.pos();
  for (size_t i = 0; i < keys.size(); ++i) {
    if (key != keys[i]) continue;
    if (seen & (1u << i)) {
      problem(kp, hdKeySeg(key), "key " + hdQuoted(key) + " appears twice in " + what);
      r.skipValue();
      return -2;
    }
    seen |= 1u << i;
    return static_cast<int>(i);
  }
  std::string list;
  for (size_t i = 0; i < keys.size(); ++i)
    list += std::string(i == 0 ? "" : i + 1 == keys.size() ? " and " : ", ") + keys[i];
  problem(kp, hdKeySeg(key), "unknown key " + hdQuoted(key) + " in " + what + "; expected " + list);
  r.skipValue();
  return -1;
}
