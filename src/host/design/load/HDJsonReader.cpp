#include "host/design/load/HDJsonReader.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>

#include "host/str/HSTJson.h"

namespace {

constexpr size_t kChunk = 1 << 20;

// Bytes that end the fast scan of a string: quote, backslash, control and non-ASCII.
struct SpecialTable {
  bool t[256];
  constexpr SpecialTable() : t() {
    for (int c = 0; c < 256; ++c) t[c] = c == '"' || c == '\\' || c < 0x20 || c >= 0x80;
  }
};
constexpr SpecialTable kSpecial;

std::string describeChar(unsigned char c) {
  if (c >= 0x21 && c < 0x7f) return std::string("'") + static_cast<char>(c) + "'";
  char buf[16];
  std::snprintf(buf, sizeof buf, "byte 0x%02X", c);
  return buf;
}

void appendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal exponent of the leading significant digit of a valid JSON number with a
// non-zero digit; tells overflow (> 0) from underflow when the conversion is out of range.
bool leadingExponentPositive(const std::string& t) {
  size_t i = (t[0] == '-') ? 1 : 0;
  long long lead = 0;
  bool found = false;
  long long intDigits = 0;
  size_t j = i;
  while (j < t.size() && isDigit(t[j])) ++j;
  intDigits = static_cast<long long>(j - i);
  for (size_t k = i; k < j && !found; ++k)
    if (t[k] != '0') {
      lead = intDigits - static_cast<long long>(k - i) - 1;
      found = true;
    }
  if (j < t.size() && t[j] == '.') {
    size_t k = j + 1;
    for (; k < t.size() && isDigit(t[k]); ++k)
      if (!found && t[k] != '0') {
        lead = -static_cast<long long>(k - j);
        found = true;
      }
    j = k;
  }
  long long exp = 0;
  if (j < t.size() && (t[j] == 'e' || t[j] == 'E')) {
    ++j;
    bool neg = false;
    if (t[j] == '+' || t[j] == '-') neg = t[j++] == '-';
    for (; j < t.size(); ++j)
      if (exp < 100000000) exp = exp * 10 + (t[j] - '0');
    if (neg) exp = -exp;
  }
  return lead + exp > 0;
}

}  // namespace

HDJsonReader::HDJsonReader() = default;

HDJsonReader::~HDJsonReader() = default;

bool HDJsonReader::openFile(const std::string& path, std::string& error) {
  owned_ = HDInput::open(path, error);
  if (!owned_) return false;
  open(*owned_);
  return true;
}

void HDJsonReader::open(HDInput& input) {
  if (input.memory()) {
    std::string_view all;
    input.all(all);
    openString(all);
    return;
  }
  // A file smaller than a chunk is read whole: no chunk to allocate and clear for the
  // small files a load reads (catalogues, cell maps).
  if (input.head(kChunk).size() < kChunk) {
    std::string_view all;
    if (input.all(all)) {
      openString(all);
      return;
    }
  }
  input_ = &input;
  cap_ = kChunk;
  own_.reset(new char[cap_]);
  buf_ = own_.get();
  pos_ = end_ = 0;
  eof_ = false;
  if (fill(3) && std::memcmp(buf_, "\xEF\xBB\xBF", 3) == 0) {
    pos_ = 3;
    lineStart_ = 3;
  }
}

void HDJsonReader::openString(std::string_view text) {
  buf_ = text.data();
  pos_ = 0;
  end_ = text.size();
  eof_ = true;
  if (text.size() >= 3 && std::memcmp(buf_, "\xEF\xBB\xBF", 3) == 0) {
    pos_ = 3;
    lineStart_ = 3;
  }
}

bool HDJsonReader::fill(size_t need) {
  if (end_ - pos_ >= need) return true;
  if (eof_ || !input_) return false;
  char* b = own_.get();
  const size_t keep = end_ - pos_;
  if (keep) std::memmove(b, b + pos_, keep);
  base_ += pos_;
  pos_ = 0;
  end_ = keep;
  while (end_ < need) {
    size_t n = 0;
    if (!input_->read(b + end_, cap_ - end_, n))
      failAt("reading failed: " + input_->error(), here());
    if (n == 0) {
      eof_ = true;
      break;
    }
    end_ += static_cast<size_t>(n);
    if (end_ == cap_) break;
  }
  return end_ - pos_ >= need;
}

HDJsonPos HDJsonReader::here() const {
  const uint64_t abs = base_ + pos_;
  HDJsonPos p;
  // Past 2^31 lines or columns the place stops at the largest int rather than wrap.
  constexpr uint64_t kMax = 2147483647;
  p.line = line_;
  const uint64_t column = abs - lineStart_ - contInLine_ + 1;
  p.column = static_cast<int>(column < kMax ? column : kMax);
  return p;
}

HDJsonReader::Raw HDJsonReader::raw(size_t want) {
  if (want > cap_ / 2 && input_) want = cap_ / 2;
  fill(want);
  return {buf_ + pos_, buf_ + end_};
}

namespace {
constexpr uint64_t kMaxPlace = 2147483647;
int saturated(uint64_t v) { return static_cast<int>(v < kMaxPlace ? v : kMaxPlace); }
}  // namespace

void HDJsonReader::commitRaw(const char* to, int newlines, const char* lineStart) {
  pos_ = static_cast<size_t>(to - buf_);
  if (newlines == 0) return;
  line_ = saturated(static_cast<uint64_t>(line_) + static_cast<uint64_t>(newlines));
  lineStart_ = base_ + static_cast<uint64_t>(lineStart - buf_);
  contInLine_ = 0;
}

HDJsonPos HDJsonReader::rawPos(const char* p, int newlines, const char* lineStart) const {
  HDJsonPos out;
  const uint64_t abs = base_ + static_cast<uint64_t>(p - buf_);
  if (newlines == 0) {
    out.line = line_;
    out.column = saturated(abs - lineStart_ - contInLine_ + 1);
  } else {
    out.line = saturated(static_cast<uint64_t>(line_) + static_cast<uint64_t>(newlines));
    out.column = saturated(static_cast<uint64_t>(p - lineStart) + 1);
  }
  return out;
}

void HDJsonReader::fail(const std::string& what) { failAt(what, here()); }

void HDJsonReader::failAt(const std::string& what, HDJsonPos p) {
  throw HDJsonSyntaxError(what, p);
}

void HDJsonReader::skipSpace() {
  for (;;) {
    while (pos_ < end_) {
      const char c = buf_[pos_];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '\n') {
        ++pos_;
        if (line_ < 2147483647) ++line_;
        lineStart_ = base_ + pos_;
        contInLine_ = 0;
      } else {
        return;
      }
    }
    if (!fill(1)) return;
  }
}

HDJsonReader::Type HDJsonReader::peek() {
  skipSpace();
  tokenPos_ = here();
  if (!fill(1)) return END;
  const unsigned char c = static_cast<unsigned char>(buf_[pos_]);
  switch (c) {
    case '{':
      return OBJECT;
    case '[':
      return ARRAY;
    case '"':
      return STRING;
    case 't':
    case 'f':
      return BOOL;
    case 'n':
      return NUL;
    case '-':
      return NUMBER;
    default:
      break;
  }
  if (isDigit(static_cast<char>(c))) return NUMBER;
  if (c == 'N' || c == 'I' || c == '+')
    fail("expected a value; NaN, Infinity and a leading '+' are not JSON numbers");
  if (c == '\'') fail("expected a value; strings are written in double quotes");
  fail("expected a value, found " + describeChar(c));
}

void HDJsonReader::push(char closer) {
  if (stack_.size() >= static_cast<size_t>(kMaxNesting))
    fail("arrays and objects nested deeper than " + std::to_string(kMaxNesting) + " levels");
  stack_.push_back(closer);
  first_.push_back(true);
}

void HDJsonReader::beginObject() {
  if (peek() != OBJECT) fail("expected an object");
  push('}');
  ++pos_;
}

void HDJsonReader::beginArray() {
  if (peek() != ARRAY) fail("expected an array");
  push(']');
  ++pos_;
}

bool HDJsonReader::nextKey(std::string& key) {
  skipSpace();
  if (!fill(1)) fail("unexpected end of input inside an object; expected '}'");
  char c = buf_[pos_];
  if (c == '}') {
    ++pos_;
    stack_.pop_back();
    first_.pop_back();
    return false;
  }
  if (!first_.back()) {
    if (c != ',') fail("expected ',' or '}' after an object member, found " + describeChar(c));
    ++pos_;
    skipSpace();
    if (!fill(1)) fail("unexpected end of input inside an object; expected a key");
    c = buf_[pos_];
    if (c == '}') fail("expected a key after ','; JSON does not allow a trailing comma");
  }
  if (c != '"') {
    if (c == '\'') fail("expected a key; keys are written in double quotes");
    fail("expected a key in double quotes, found " + describeChar(static_cast<unsigned char>(c)));
  }
  first_.back() = false;
  tokenPos_ = here();
  ++pos_;
  key.clear();
  readStringBody(key);
  skipSpace();
  if (!fill(1) || buf_[pos_] != ':') fail("expected ':' after the key \"" + key + "\"");
  ++pos_;
  return true;
}

bool HDJsonReader::nextElement() {
  skipSpace();
  if (!fill(1)) fail("unexpected end of input inside an array; expected ']'");
  char c = buf_[pos_];
  if (c == ']') {
    ++pos_;
    stack_.pop_back();
    first_.pop_back();
    return false;
  }
  if (!first_.back()) {
    if (c != ',') fail("expected ',' or ']' after an array element, found " + describeChar(c));
    ++pos_;
    skipSpace();
    if (fill(1) && buf_[pos_] == ']')
      fail("expected a value after ','; JSON does not allow a trailing comma");
  }
  first_.back() = false;
  tokenPos_ = here();
  return true;
}

void HDJsonReader::readString(std::string& out) {
  if (peek() != STRING) fail("expected a string");
  ++pos_;
  out.clear();
  readStringBody(out);
}

void HDJsonReader::readStringBody(std::string& out) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(buf_);
  for (;;) {
    size_t i = pos_;
    while (i < end_ && !kSpecial.t[b[i]]) ++i;
    out.append(buf_ + pos_, i - pos_);
    pos_ = i;
    if (i == end_) {
      if (!fill(1)) fail("unexpected end of input inside a string; expected '\"'");
      b = reinterpret_cast<const unsigned char*>(buf_);
      continue;
    }
    const unsigned char c = b[i];
    if (c == '"') {
      ++pos_;
      return;
    }
    if (c == '\\') {
      if (!fill(2)) fail("unexpected end of input inside a string escape");
      b = reinterpret_cast<const unsigned char*>(buf_);
      const char e = buf_[pos_ + 1];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          const HDJsonPos at = here();
          pos_ += 2;
          unsigned cp = readHex4();
          if (cp >= 0xDC00 && cp <= 0xDFFF) failAt("unpaired surrogate in a \\u escape", at);
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (!fill(2) || buf_[pos_] != '\\' || buf_[pos_ + 1] != 'u')
              failAt("unpaired surrogate in a \\u escape", at);
            pos_ += 2;
            const unsigned lo = readHex4();
            if (lo < 0xDC00 || lo > 0xDFFF) failAt("unpaired surrogate in a \\u escape", at);
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          }
          appendUtf8(out, cp);
          b = reinterpret_cast<const unsigned char*>(buf_);
          continue;
        }
        default:
          fail("invalid escape '\\" + std::string(1, e) + "' in a string");
      }
      pos_ += 2;
      continue;
    }
    if (c < 0x20) fail("control character in a string; write it as an escape such as \\n");
    readUtf8(out);
    b = reinterpret_cast<const unsigned char*>(buf_);
  }
}

unsigned HDJsonReader::readHex4() {
  if (!fill(4)) fail("unexpected end of input inside a \\u escape");
  unsigned v = 0;
  for (int k = 0; k < 4; ++k) {
    const char c = buf_[pos_ + k];
    v <<= 4;
    if (c >= '0' && c <= '9')
      v |= static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      v |= static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      v |= static_cast<unsigned>(c - 'A' + 10);
    else
      fail("expected four hexadecimal digits after \\u");
  }
  pos_ += 4;
  return v;
}

void HDJsonReader::readUtf8(std::string& out) {
  const unsigned char c = static_cast<unsigned char>(buf_[pos_]);
  size_t n = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    fail("invalid UTF-8 (" + describeChar(c) + ") in a string");
  }
  if (!fill(n)) fail("invalid UTF-8: truncated sequence at the end of the input");
  for (size_t k = 1; k < n; ++k) {
    const unsigned char cc = static_cast<unsigned char>(buf_[pos_ + k]);
    const unsigned char l = (k == 1) ? lo : 0x80, h = (k == 1) ? hi : 0xBF;
    if (cc < l || cc > h) fail("invalid UTF-8 sequence in a string");
  }
  out.append(buf_ + pos_, n);
  pos_ += n;
  contInLine_ += n - 1;
}

void HDJsonReader::readNumber(HDJsonNumber& out) {
  if (peek() != NUMBER) fail("expected a number");
  const HDJsonPos at = tokenPos_;
  out.text.clear();
  for (bool more = true; more;) {
    while (pos_ < end_) {
      const char c = buf_[pos_];
      if (!(isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) {
        more = false;
        break;
      }
      out.text += c;
      ++pos_;
    }
    if (more && !fill(1)) more = false;
  }
  // Grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
  const std::string& t = out.text;
  size_t i = 0;
  if (t[i] == '-') ++i;
  const auto bad = [&](const char* why) { failAt("invalid number '" + t + "': " + why, at); };
  if (i >= t.size() || !isDigit(t[i])) bad("expected a digit");
  if (t[i] == '0' && i + 1 < t.size() && isDigit(t[i + 1])) bad("leading zeros are not allowed");
  while (i < t.size() && isDigit(t[i])) ++i;
  bool integer = true;
  if (i < t.size() && t[i] == '.') {
    integer = false;
    ++i;
    if (i >= t.size() || !isDigit(t[i])) bad("expected a digit after '.'");
    while (i < t.size() && isDigit(t[i])) ++i;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    integer = false;
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (i >= t.size() || !isDigit(t[i])) bad("expected a digit in the exponent");
    while (i < t.size() && isDigit(t[i])) ++i;
  }
  if (i != t.size()) bad("unexpected character");

  out.integer = integer;
  out.fitsInt64 = false;
  out.overflow = false;
  out.i = 0;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (integer) {
    auto r = std::from_chars(first, last, out.i);
    out.fitsInt64 = r.ec == std::errc();
  }
  double d = 0.0;
  auto r = std::from_chars(first, last, d);
  if (r.ec == std::errc::result_out_of_range) {
    if (leadingExponentPositive(t)) {
      out.overflow = true;
      d = 0.0;
    } else {
      d = (t[0] == '-') ? -0.0 : 0.0;  // underflow rounds to zero
    }
  }
  out.d = d;
}

void HDJsonReader::expectLiteral(const char* word) {
  const size_t n = std::strlen(word);
  if (!fill(n) || std::memcmp(buf_ + pos_, word, n) != 0)
    fail(
        std::string("expected a value (true, false, null, a number, a string, an array or an "
                    "object)"));
  pos_ += n;
  if (fill(1)) {
    const char c = buf_[pos_];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_')
      fail(std::string("unexpected character after '") + word + "'");
  }
}

bool HDJsonReader::readBool() {
  if (peek() != BOOL) fail("expected true or false");
  if (buf_[pos_] == 't') {
    expectLiteral("true");
    return true;
  }
  expectLiteral("false");
  return false;
}

void HDJsonReader::readNull() {
  if (peek() != NUL) fail("expected null");
  expectLiteral("null");
}

void HDJsonReader::skipValue(std::string* raw) {
  const size_t base = stack_.size();
  std::string tmp;
  HDJsonNumber num;
  for (;;) {
    switch (peek()) {
      case OBJECT:
        beginObject();
        if (raw) *raw += '{';
        break;
      case ARRAY:
        beginArray();
        if (raw) *raw += '[';
        break;
      case STRING:
        readString(tmp);
        if (raw) *raw += HSTJson::quote(tmp);
        break;
      case NUMBER:
        readNumber(num);
        if (raw) *raw += num.text;
        break;
      case BOOL: {
        const bool b = readBool();
        if (raw) *raw += b ? "true" : "false";
        break;
      }
      case NUL:
        readNull();
        if (raw) *raw += "null";
        break;
      case END:
        fail("unexpected end of input; expected a value");
    }
    // Move on to the next value inside the containers opened here, closing finished ones.
    for (;;) {
      if (stack_.size() == base) return;
      const bool inObject = stack_.back() == '}';
      const bool more = inObject ? nextKey(tmp) : nextElement();
      if (!more) {
        if (raw) *raw += inObject ? '}' : ']';
        continue;
      }
      if (raw) {
        if (raw->back() != '{' && raw->back() != '[') *raw += ',';
        if (inObject) *raw += HSTJson::quote(tmp) + ':';
      }
      break;
    }
  }
}

void HDJsonReader::expectEnd() {
  skipSpace();
  if (fill(1)) {
    tokenPos_ = here();
    fail("unexpected " + describeChar(static_cast<unsigned char>(buf_[pos_])) +
         " after the end of the JSON document");
  }
}

const char* HDJsonReader::typeName(Type t) {
  switch (t) {
    case END:
      return "nothing";
    case OBJECT:
      return "an object";
    case ARRAY:
      return "an array";
    case STRING:
      return "a string";
    case NUMBER:
      return "a number";
    case BOOL:
      return "a boolean";
    case NUL:
      return "null";
  }
  return "?";
}
