#include "host/design/edif/HDEdifReader.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/design/load/HDInstanceNames.h"
#include "host/design/load/HDVerilogLiteral.h"

namespace {

using namespace std::string_view_literals;

// ---- tokens ---------------------------------------------------------------------

enum class Tk { OPEN, CLOSE, NAME, INTEGER, STRING, END };

struct Token {
  Tk kind = Tk::END;
  HDJsonPos pos;
  // NAME (without a leading '&') and INTEGER: a view of the lexer's buffer, valid until
  // the next peek.
  std::string_view text;
  std::string str;  // STRING, with %code% escapes decoded
};

struct EdifSyntaxError {
  std::string msg;
  HDJsonPos pos;
};

// The input failed under the reading; HDInput::error() says why.
struct EdifReadError {};

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// `s` lower-cased into `out`, whose room is kept.
void lowerInto(std::string& out, std::string_view s) {
  out.assign(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}
std::string lower(std::string_view s) {
  std::string out;
  lowerInto(out, s);
  return out;
}

// `s` (any case) is the lower-case keyword `kw`.
bool isKeyword(std::string_view s, std::string_view kw) {
  return s.size() == kw.size() && strncasecmp(s.data(), kw.data(), s.size()) == 0;
}

bool validUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t n;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      cp = c & 0x07u;
    } else {
      return false;
    }
    if (s.size() - i <= n) return false;
    for (size_t k = 1; k <= n; ++k) {
      const unsigned char b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += n + 1;
  }
  return true;
}

// Byte classes. Between tokens: what a byte starts.
enum : uint8_t { kAtom, kBlank, kNewline, kOpen, kClose, kQuote };
// In a string: what a byte needs beyond being kept.
enum : uint8_t { kPlain, kEnd, kEscape, kLineBreak, kControl, kTrail };
// In an atom: flags.
enum : uint8_t { kNameChar = 1, kDelimiter = 2 };

struct ByteClasses {
  uint8_t between[256], inString[256], inAtom[256];
  constexpr ByteClasses() : between(), inString(), inAtom() {
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      between[b] = c == '\n'                                                        ? kNewline
                   : c == '('                                                       ? kOpen
                   : c == ')'                                                       ? kClose
                   : c == '"'                                                       ? kQuote
                   : (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') ? kBlank
                                                                                    : kAtom;
      inString[b] = c == '"'                 ? kEnd
                    : c == '%'               ? kEscape
                    : c == '\n'              ? kLineBreak
                    : c == '\t' || c == '\r' ? kPlain
                    : b < 0x20 || b == 0x7F  ? kControl
                    : (b & 0xC0) == 0x80     ? kTrail
                                             : kPlain;
      inAtom[b] = static_cast<uint8_t>(
          ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')
              ? kNameChar
          : between[b] != kAtom ? kDelimiter
                                : 0);
    }
  }
};
constexpr ByteClasses kBytes;

inline uint8_t byteOf(char c) { return static_cast<uint8_t>(c); }

// A cell of the file by its EDIF name: its real name, where it is declared, and the
// design's symbol for that name once an instance uses it.
struct CellEntry {
  std::string real;
  HDJsonPos pos;
  HDSymbol* sym = nullptr;
};

class CellScan;

// Reads the text one token ahead, keeping line and column (in characters). Text in memory
// is read in place; an input is read in chunks into a buffer that keeps only what the
// token being read needs. Columns are counted from the start of the line less the UTF-8
// continuation bytes on it, which only strings can hold, so a position costs nothing
// however long the line.
class Lexer {
 public:
  // Text in memory.
  explicit Lexer(std::string_view text)
      : data_(text.data()), p_(text.data()), e_(text.data() + text.size()), eof_(true) {}
  // An input from where it is, read in chunks of `chunk` bytes.
  Lexer(HDInput& in, size_t chunk) : in_(&in), chunk_(std::max<size_t>(chunk, 1)) {
    base_ = lineStart_ = in.offset();
  }
  // A seekable input read again from `at`, leaving it where it is.
  Lexer(HDInput& in, size_t chunk, uint64_t at) : Lexer(in, chunk) {
    base_ = lineStart_ = readAt_ = at;
    again_ = true;
  }
  Lexer(const Lexer&) = delete;
  Lexer& operator=(const Lexer&) = delete;

  const Token& peek() {
    if (!have_) {
      read();
      have_ = true;
    }
    return tok_;
  }
  void drop() {
    peek();
    have_ = false;
  }
  // Skips up to the ')' of the form whose '(' (and keyword) were read, however deep it
  // nests; false at the end of the file. Fails as reading its tokens would.
  bool skipRest();
  // Every token read goes to `scan` (none when null).
  void watch(CellScan* scan) { watch_ = scan; }
  // What is left of the input after the tokens read, in memory: an input that cannot be
  // read twice is read to its end. Not with a token peeked.
  std::string_view rest();
  // Where the next token is read from, in the input.
  uint64_t offset() const { return base_ + static_cast<uint64_t>(p_ - data_); }
  // Where the bytes read so far end, in the input.
  uint64_t seen() const { return base_ + static_cast<uint64_t>(e_ - data_); }

 private:
  HDJsonPos at(const char* q) const {
    const uint64_t off = base_ + static_cast<uint64_t>(q - data_);
    // A place past 2^31 stops there, never wraps.
    const uint64_t col = 1 + off - lineStart_ - trail_;
    return {static_cast<int>(std::min<int64_t>(line_, 2147483647)),
            static_cast<int>(std::min<uint64_t>(col, 2147483647))};
  }
  void newline(const char* next) {
    ++line_;
    lineStart_ = base_ + static_cast<uint64_t>(next - data_);
    trail_ = 0;
  }
  bool more(const char*& keep);
  void skipBlanks();
  void read();
  std::string_view atom(bool& plain);
  void classify(std::string_view run);
  void readString(bool keep);
  void escape(bool keep);

  // Bytes data_[0, e_ - data_) are at base_ in the input; p_ is the cursor.
  const char* data_ = nullptr;
  const char* p_ = nullptr;
  const char* e_ = nullptr;
  uint64_t base_ = 0;
  bool eof_ = false;
  HDInput* in_ = nullptr;
  size_t chunk_ = 0;
  bool again_ = false;  // readAt() from readAt_
  uint64_t readAt_ = 0;
  std::unique_ptr<char[]> buf_;
  size_t cap_ = 0;

  int64_t line_ = 1;
  uint64_t lineStart_ = 0;  // offset of the line's first byte
  uint64_t trail_ = 0;      // UTF-8 continuation bytes on the line before the cursor
  Token tok_;
  bool have_ = false;
  CellScan* watch_ = nullptr;
};

// What a pass over the whole file finds of its libraries and cells, for a reference to a
// cell declared further on: fed every token from the start, it notes a (library ...) or
// (external ...) at depth 2 and a (cell ...) at depth 3 with their names. Copied at any
// place, it goes on from there over the rest of the file.
class CellScan {
 public:
  using Cells = std::unordered_map<std::string, std::unordered_map<std::string, CellEntry>>;

  explicit CellScan(Cells& out) : out_(&out) {}

  void token(const Token& t) {
    if (state_ == MAIN && t.kind != Tk::OPEN && t.kind != Tk::CLOSE) return;
    if (state_ != MAIN && name(t)) return;
    if (t.kind == Tk::CLOSE) {
      if (depth_ > 0) --depth_;
      if (depth_ < 2) lib_.clear();
    } else if (t.kind == Tk::OPEN) {
      // Only a keyword at depth 2 or 3 is looked at.
      ++depth_;
      state_ = depth_ == 2 || depth_ == 3 ? KEYWORD : MAIN;
    }
  }
  // Nothing inside a form that closes `forms` levels up from here can matter to the scan
  // (then the lexer may skip it without tokens).
  bool quietFor(size_t forms) const { return state_ == MAIN && depth_ >= forms + 2; }
  void closed(size_t forms) { depth_ -= forms; }
  // The rest of `lx`, to its end or to a syntax error.
  void run(Lexer& lx);

 private:
  enum State { MAIN, KEYWORD, NAME, RENAME, KEY, REAL, DISPLAY, DISPLAYED };
  // The states after '(': true when `t` was taken, false when it is read as in MAIN.
  bool name(const Token& t) {
    const State s = state_;
    state_ = MAIN;
    switch (s) {
      case KEYWORD:
        if (t.kind != Tk::NAME) return false;
        if (depth_ == 2 && (isKeyword(t.text, "library") || isKeyword(t.text, "external"))) {
          forLib_ = true;
          key_ = lib_;
          real_.clear();
          state_ = NAME;
        } else if (depth_ == 3 && isKeyword(t.text, "cell") && !lib_.empty()) {
          forLib_ = false;
          key_.clear();
          real_.clear();
          state_ = NAME;
        }
        return true;
      case NAME:
        if (t.kind == Tk::NAME) {
          lowerInto(key_, t.text);
          real_ = t.text;
          note();
          return true;
        }
        if (t.kind == Tk::OPEN) {
          ++depth_;
          state_ = RENAME;
          return true;
        }
        break;
      case RENAME:
        if (t.kind == Tk::NAME && isKeyword(t.text, "rename")) {
          state_ = KEY;
          return true;
        }
        break;
      case KEY:
        if (t.kind == Tk::NAME) {
          lowerInto(key_, t.text);
          state_ = REAL;
          return true;
        }
        break;
      case REAL:
        if (t.kind == Tk::OPEN) {
          ++depth_;
          state_ = DISPLAY;
          return true;
        }
        if (t.kind == Tk::STRING) real_ = t.str;
        break;
      case DISPLAY:
        if (t.kind == Tk::NAME && isKeyword(t.text, "stringdisplay")) {
          state_ = DISPLAYED;
          return true;
        }
        break;
      case DISPLAYED:
        if (t.kind == Tk::STRING) real_ = t.str;
        break;
      case MAIN:
        return false;
    }
    note();
    return false;
  }
  void note() {
    if (forLib_) {
      lib_ = key_;
      (*out_)[lib_];
    } else if (!key_.empty()) {
      (*out_)[lib_].emplace(key_, CellEntry{real_.empty() ? key_ : real_, {}, nullptr});
    }
  }

  Cells* out_;
  State state_ = MAIN;
  size_t depth_ = 0;
  std::string lib_, key_, real_;
  bool forLib_ = false;
};

bool Lexer::more(const char*& keep) {
  if (eof_) return false;
  const size_t kept = static_cast<size_t>(e_ - keep);
  const uint64_t keptAt = base_ + static_cast<uint64_t>(keep - data_);
  // The unread tail moves to the front; a token longer than the chunk grows the buffer,
  // which shrinks back after it.
  size_t cap = cap_;
  if (!buf_ || kept * 2 > cap_) {
    cap = std::max(chunk_, cap_ * 2);
  } else if (cap_ > chunk_ && kept * 2 <= chunk_) {
    cap = chunk_;
  }
  if (cap != cap_) {
    std::unique_ptr<char[]> grown(new char[cap]);
    if (kept) std::memcpy(grown.get(), keep, kept);
    buf_ = std::move(grown);
    cap_ = cap;
  } else if (kept && keep != buf_.get()) {
    std::memmove(buf_.get(), keep, kept);
  }
  data_ = buf_.get();
  base_ = keptAt;
  keep = data_;
  p_ = e_ = data_ + kept;
  size_t got = 0;
  const bool ok = again_ ? in_->readAt(readAt_, buf_.get() + kept, cap_ - kept, got)
                         : in_->read(buf_.get() + kept, cap_ - kept, got);
  if (!ok) throw EdifReadError{};
  readAt_ += got;
  e_ += got;
  eof_ = got == 0;
  return !eof_;
}

std::string_view Lexer::rest() {
  if (!eof_) {
    const char* keep = p_;
    p_ = e_;
    while (more(keep)) p_ = e_;
    p_ = keep;
  }
  return {p_, static_cast<size_t>(e_ - p_)};
}

void Lexer::skipBlanks() {
  const char* p = p_;
  const char* e = e_;
  for (;;) {
    while (p < e) {
      const uint8_t k = kBytes.between[byteOf(*p)];
      if (k == kBlank) {
        ++p;
      } else if (k == kNewline) {
        newline(++p);
      } else {
        p_ = p;
        return;
      }
    }
    p_ = p;
    if (!more(p_)) return;
    p = p_;
    e = e_;
  }
}

void Lexer::read() {
  skipBlanks();
  tok_.pos = at(p_);
  tok_.text = {};
  if (p_ == e_) {
    tok_.kind = Tk::END;
  } else if (*p_ == '(' || *p_ == ')') {
    tok_.kind = *p_ == '(' ? Tk::OPEN : Tk::CLOSE;
    ++p_;
  } else if (*p_ == '"') {
    readString(true);
  } else {
    bool plain = false;
    const std::string_view run = atom(plain);
    if (plain && isLetter(run[0])) {
      tok_.kind = Tk::NAME;
      tok_.text = run;
    } else {
      classify(run);
    }
  }
  if (watch_) watch_->token(tok_);
}

// The run of bytes up to a blank, a parenthesis, a quote or the end, from the cursor;
// `plain` when they are all letters, digits and '_'.
std::string_view Lexer::atom(bool& plain) {
  const char* start = p_;
  const char* p = p_;
  const char* e = e_;
  uint8_t all = kNameChar;
  for (;;) {
    uint8_t k = 0;
    while (p < e && !((k = kBytes.inAtom[byteOf(*p)]) & kDelimiter)) {
      all &= k;
      ++p;
    }
    if (p < e) break;
    p_ = p;
    const bool got = more(start);
    p = p_;
    e = e_;
    if (!got) break;
  }
  p_ = p;
  plain = all != 0;
  return {start, static_cast<size_t>(p - start)};
}

// An integer or a name; anything else is a syntax error at the token.
void Lexer::classify(std::string_view run) {
  size_t d = (run[0] == '+' || run[0] == '-') ? 1 : 0;
  bool digits = run.size() > d;
  for (size_t k = d; k < run.size() && digits; ++k) digits = run[k] >= '0' && run[k] <= '9';
  if (digits) {
    tok_.kind = Tk::INTEGER;
    tok_.text = run;
    return;
  }
  std::string_view name = run[0] == '&' ? run.substr(1) : run;
  bool ok = !name.empty() && (run[0] == '&' || isLetter(name[0]));
  for (size_t k = 0; k < name.size() && ok; ++k) ok = isNameChar(name[k]);
  if (!ok) {
    const unsigned char b = static_cast<unsigned char>(run[0]);
    if (run.size() == 1 && (b < 0x20 || b == 0x7F))
      throw EdifSyntaxError{"unexpected control character " + std::to_string(b), tok_.pos};
    std::string shown(run.substr(0, 40));
    for (char& ch : shown)
      if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) >= 0x7F) ch = '?';
    throw EdifSyntaxError{"invalid name \"" + shown +
                              "\": an EDIF name is a letter followed by letters, digits "
                              "and '_', or '&' followed by such characters",
                          tok_.pos};
  }
  tok_.kind = Tk::NAME;
  tok_.text = name;
}

// From the opening quote at the cursor, whose place is tok_.pos; the decoded text goes to
// tok_.str when `keep`.
void Lexer::readString(bool keep) {
  tok_.kind = Tk::STRING;
  tok_.str.clear();
  const char* p = p_ + 1;
  const char* e = e_;
  const char* run = p;  // bytes to keep from here
  for (;;) {
    uint8_t k = kPlain;
    while (p < e && (k = kBytes.inString[byteOf(*p)]) == kPlain) ++p;
    if (p == e) {
      if (keep) tok_.str.append(run, p);
      p_ = p;
      if (!more(p_)) throw EdifSyntaxError{"unterminated string", tok_.pos};
      p = run = p_;
      e = e_;
      continue;
    }
    switch (k) {
      case kEnd:
        if (keep) tok_.str.append(run, p);
        p_ = p + 1;
        return;
      case kTrail:
        ++trail_;
        ++p;
        break;
      case kLineBreak:
        newline(++p);
        break;
      case kControl:
        throw EdifSyntaxError{"control character " + std::to_string(byteOf(*p)) + " in a string",
                              at(p)};
      default:  // kEscape
        if (keep) tok_.str.append(run, p);
        p_ = p;
        escape(keep);
        p = run = p_;
        e = e_;
        break;
    }
  }
}

// %n n ...%: characters by their ASCII codes, from the '%' at the cursor.
void Lexer::escape(bool keep) {
  const HDJsonPos open = at(p_);
  ++p_;
  for (;;) {
    skipBlanks();
    if (p_ < e_ && *p_ == '%') {
      ++p_;
      return;
    }
    int code = 0;
    size_t n = 0;
    while (n < 4 && (p_ < e_ || more(p_)) && *p_ >= '0' && *p_ <= '9') {
      code = code * 10 + (*p_ - '0');
      ++p_;
      ++n;
    }
    if (n == 0 || n == 4 || code < 1 || code > 127)
      throw EdifSyntaxError{
          "invalid escape in a string: expected ASCII codes 1 to 127 between '%' signs", open};
    if (keep) tok_.str += static_cast<char>(code);
  }
}

bool Lexer::skipRest() {
  size_t depth = 1;
  if (have_) {
    if (tok_.kind == Tk::END) return false;
    have_ = false;
    if (tok_.kind == Tk::OPEN) ++depth;
    if (tok_.kind == Tk::CLOSE && --depth == 0) return true;
  }
  if (watch_ && !watch_->quietFor(depth)) {
    // Where the scan for cells looks: token by token.
    while (depth > 0) {
      const Token& t = peek();
      if (t.kind == Tk::END) return false;
      if (t.kind == Tk::OPEN) ++depth;
      if (t.kind == Tk::CLOSE) --depth;
      drop();
    }
    return true;
  }
  const size_t forms = depth;
  const char* p = p_;
  const char* e = e_;
  for (;;) {
    if (p == e) {
      p_ = p;
      if (!more(p_)) return false;
      p = p_;
      e = e_;
      continue;
    }
    switch (kBytes.between[byteOf(*p)]) {
      case kBlank:
        ++p;
        break;
      case kNewline:
        newline(++p);
        break;
      case kOpen:
        ++depth;
        ++p;
        break;
      case kClose:
        ++p;
        if (--depth == 0) {
          p_ = p;
          if (watch_) watch_->closed(forms);
          return true;
        }
        break;
      case kQuote:
        p_ = p;
        tok_.pos = at(p);
        readString(false);
        p = p_;
        e = e_;
        break;
      default: {
        p_ = p;
        bool plain = false;
        const std::string_view run = atom(plain);
        if (!plain || !isLetter(run[0])) {
          tok_.pos = at(run.data());
          classify(run);
        }
        p = p_;
        e = e_;
        break;
      }
    }
  }
}

void CellScan::run(Lexer& lx) {
  lx.watch(this);
  for (;;) {
    const Token& t = lx.peek();
    if (t.kind == Tk::END) return;
    // A form deeper than a cell's name holds nothing the scan looks for.
    const bool deep = t.kind == Tk::OPEN && quietFor(1) && depth_ >= 4;
    lx.drop();
    if (deep && !lx.skipRest()) return;
  }
}

// A name definition: its EDIF name (case-insensitive, kept lower-cased) and its real
// name (the second name of a rename, else the EDIF name as written).
struct NameDef {
  std::string key, real;
  HDJsonPos pos;
  std::vector<int64_t> dims;  // an array's sizes
};

// A property's value, as the design stores it (HATAttr's kinds).
struct Value {
  int kind = HATAttr::OTHER;
  int64_t i = 0;  // BOOL (0 or 1), INT, LONG
  double d = 0.0;
  std::string text;  // TEXT, OTHER
};

// Properties the netlist writer keeps for itself, not design attributes.
bool bookkeeping(const std::string& n) {
  return n == "src" || n == "keep" || n == "hdlname" || n == "module_not_derived" ||
         n == "unused_bits";
}

// Instances the arrays of a file expand to at most: this many, or one per byte of a
// larger file, so that a few bytes of text cannot build millions of instances.
constexpr int64_t kArrayBudget = 1 << 16;

// ---- the reader -----------------------------------------------------------------

class EdifReader {
 public:
  EdifReader(HDLoadContext& ctx, HDDesignAssembly& d, std::string_view text,
             const HDNetlistOptions& opts)
      : ctx_(ctx), d_(d), lx_(text), opts_(opts), sized_(true), size_(text.size()) {
    lx_.watch(&scan_);
  }
  EdifReader(HDLoadContext& ctx, HDDesignAssembly& d, HDInput& in, size_t chunk,
             const HDNetlistOptions& opts)
      : ctx_(ctx),
        d_(d),
        lx_(in, chunk),
        opts_(opts),
        in_(&in),
        chunk_(chunk),
        start_(in.offset()),
        sized_(in.seekable()),
        size_(in.seekable() ? in.size() - std::min(in.size(), in.offset()) : 0) {
    lx_.watch(&scan_);
  }

  // False after a read error, reported.
  bool run() {
    try {
      read();
    } catch (const EdifSyntaxError& e) {
      const std::string where = path();
      // The names read so far, in the cell the error cuts short.
      if (inContents_) reportDuplicates();
      ctx_.problemAt(ctx_.file(), e.pos, where, "EDIF syntax error: " + e.msg);
    } catch (const EdifReadError&) {
      ctx_.problemAt(in_->name(), {}, "", "cannot read the netlist: " + in_->error());
      return false;
    }
    return true;
  }

 private:
  void read() {
    const Token& t = lx_.peek();
    if (t.kind != Tk::OPEN) fail(t.pos, "expected (edif ...) at the start of the file");
    const HDJsonPos open = t.pos;
    lx_.drop();
    if (keyword() != "edif"sv) fail(open, "expected (edif ...) at the start of the file");
    readEdif(open);
    const Token& e = lx_.peek();
    if (e.kind != Tk::END) fail(e.pos, "text after the end of the (edif ...) form");
    setTop(open);
  }

  struct Lib {
    std::string real, keyword;
    HDJsonPos pos;
    bool external = false;
    std::unordered_map<std::string, CellEntry> cells;
  };
  struct NameUse {
    bool defined;
    std::string lib;
    HDJsonPos pos;
  };

  [[noreturn]] void fail(HDJsonPos p, const std::string& msg) { throw EdifSyntaxError{msg, p}; }

  void problem(HDJsonPos p, const std::string& msg) { ctx_.problemAt(ctx_.file(), p, path(), msg); }

  std::string path() const {
    std::string out;
    if (!lib_.empty()) out = libKeyword_ + " " + lib_;
    if (!cell_.empty()) out += " / cell " + cell_;
    if (!inst_.empty()) out += " / instance " + inst_;
    if (!prop_.empty()) out += " / property " + prop_;
    if (!design_.empty()) out = "design " + design_;
    return out;
  }

  static std::string describe(const Token& t) {
    switch (t.kind) {
      case Tk::NAME:
        return "name " + std::string(t.text);
      case Tk::INTEGER:
        return "integer " + std::string(t.text);
      case Tk::STRING:
        return "string " + hdQuoted(t.str);
      case Tk::OPEN:
        return "'('";
      case Tk::CLOSE:
        return "')'";
      default:
        return "the end of the file";
    }
  }

  // After '(': the form's keyword, lower-cased.
  std::string keyword() {
    const Token& t = lx_.peek();
    if (t.kind != Tk::NAME) fail(t.pos, "expected a keyword after '(', found " + describe(t));
    std::string kw = lower(t.text);
    lx_.drop();
    return kw;
  }

  [[noreturn]] void endInside(HDJsonPos open, const std::string& kw) {
    fail(lx_.peek().pos, "the file ends inside the (" + kw + " ...) opened at " + hdPosText(open) +
                             "; expected ')'");
  }

  // Skips the rest of a form whose '(' and keyword were read, however deep it nests.
  void skipForm(HDJsonPos open, const std::string& kw) {
    if (!lx_.skipRest()) endInside(open, kw);
  }

  // The body of a recognised form up to its ')': `onForm(keyword, open)` reads a form it
  // knows and returns true; other forms are skipped; `onAtom(token)` sees each atom.
  template <typename F, typename A>
  void body(HDJsonPos open, const std::string& kw, F onForm, A onAtom) {
    for (;;) {
      const Token& t = lx_.peek();
      if (t.kind == Tk::CLOSE) {
        lx_.drop();
        return;
      }
      if (t.kind == Tk::END) endInside(open, kw);
      if (t.kind == Tk::OPEN) {
        const HDJsonPos p = t.pos;
        lx_.drop();
        const std::string sub = keyword();
        if (!onForm(sub, p)) skipForm(p, sub);
        continue;
      }
      onAtom(t);
      lx_.drop();
    }
  }
  // The same where an atom is out of place.
  template <typename F>
  void body(HDJsonPos open, const std::string& kw, const char* expected, F onForm) {
    body(open, kw, onForm, [&](const Token& t) {
      problem(t.pos, "unexpected " + describe(t) + " in (" + kw + " ...); expected " + expected);
    });
  }
  void skipBody(HDJsonPos open, const std::string& kw) {
    body(open, kw, "')'", [](const std::string&, HDJsonPos) { return false; });
  }

  // A name or (rename NAME "real"); with `allowArray`, also (array NAMEDEF SIZE...).
  // False after a problem, with the malformed form consumed.
  bool nameDef(NameDef& n, const char* what, bool allowArray = false) {
    n.dims.clear();
    const Token& t = lx_.peek();
    n.pos = t.pos;
    if (t.kind == Tk::NAME) {
      lowerInto(n.key, t.text);
      n.real = t.text;
      lx_.drop();
      return true;
    }
    const std::string expected = std::string("expected the ") + what + ": a name or (rename ...)" +
                                 (allowArray ? " or (array ...)" : "");
    if (t.kind != Tk::OPEN) {
      problem(t.pos, expected + ", found " + describe(t));
      if (t.kind == Tk::INTEGER || t.kind == Tk::STRING) lx_.drop();
      return false;
    }
    const HDJsonPos open = t.pos;
    lx_.drop();
    const std::string kw = keyword();
    if (kw == "array"sv && allowArray) {
      if (!nameDef(n, what)) {
        skipBody(open, kw);
        return false;
      }
      std::vector<int64_t> dims;
      int64_t total = 1;
      bool ok = true;
      while (lx_.peek().kind == Tk::INTEGER) {
        const Token& s = lx_.peek();
        int64_t v = 0;
        const auto r = std::from_chars(s.text.data(), s.text.data() + s.text.size(), v);
        const auto tooMany = [&](int64_t room) {
          return r.ec != std::errc() || v < 1 || v > room ||
                 v > room / total;  // total * v, without overflow
        };
        if (tooMany(arrayRoom(false))) {
          const std::string text(s.text);
          const HDJsonPos at = s.pos;
          lx_.drop();
          const int64_t room = arrayRoom(true);
          if (tooMany(room)) {
            if (ok)
              problem(at, "array size " + text + " of " + hdQuoted(n.real) +
                              ": the file's instance arrays may hold " + std::to_string(room) +
                              " more instances (at most " + std::to_string(kArrayBudget) +
                              " in all, or one per byte of a larger file)");
            ok = false;
          } else {
            total *= v;
          }
        } else {
          total *= v;
          lx_.drop();
        }
        dims.push_back(v);
      }
      if (dims.empty() && ok) {
        problem(lx_.peek().pos, "expected the sizes of array " + hdQuoted(n.real));
        ok = false;
      }
      skipBody(open, kw);
      if (ok) arrayUsed_ += total;
      n.dims = std::move(dims);
      return ok;
    }
    if (kw != "rename"sv) {
      problem(open, expected + ", found (" + kw + " ...)");
      skipForm(open, kw);
      return false;
    }
    const Token& a = lx_.peek();
    if (a.kind != Tk::NAME) {
      problem(a.pos, "expected the EDIF name in (rename NAME \"real name\"), found " + describe(a));
      skipForm(open, kw);
      return false;
    }
    lowerInto(n.key, a.text);
    lx_.drop();
    const Token& b = lx_.peek();
    bool ok = true;
    if (b.kind == Tk::STRING) {
      n.real = b.str;
      lx_.drop();
    } else if (b.kind == Tk::OPEN) {
      const HDJsonPos p = b.pos;
      lx_.drop();
      const std::string sub = keyword();
      const Token& s = lx_.peek();
      if (sub == "stringdisplay"sv && s.kind == Tk::STRING) {
        n.real = s.str;
        lx_.drop();
      } else {
        problem(p,
                "expected the real name in (rename NAME \"real name\"), found (" + sub + " ...)");
        ok = false;
      }
      skipForm(p, sub);
    } else {
      problem(b.pos, "expected the real name in (rename NAME \"real name\"), found " + describe(b));
      skipForm(open, kw);
      return false;
    }
    skipBody(open, kw);
    if (ok && n.real.empty()) {
      problem(n.pos, "the real name of " + n.key + " is empty");
      ok = false;
    }
    if (ok && !validUtf8(n.real)) {
      problem(n.pos, "the real name of " + n.key + " is not valid UTF-8");
      ok = false;
    }
    return ok;
  }

  // ---- forms ----

  void readEdif(HDJsonPos open) {
    NameDef n;
    nameDef(n, "design name");
    bool version = false;
    body(open, "edif", "a form such as (library ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw == "edifversion"sv) {
        version = true;
        std::string v;
        while (lx_.peek().kind == Tk::INTEGER) {
          v += (v.empty() ? "" : " ") + std::string(lx_.peek().text);
          lx_.drop();
        }
        if (v != "2 0 0")
          problem(p, "EDIF version " + (v.empty() ? std::string("(none)") : v) +
                         ": expected (edifVersion 2 0 0)");
        skipBody(p, kw);
        return true;
      }
      if (kw == "library"sv || kw == "external"sv) {
        readLibrary(p, kw);
        return true;
      }
      if (kw == "design"sv) {
        readDesign(p);
        return true;
      }
      return false;
    });
    if (!version) problem(open, "missing (edifVersion 2 0 0) in the (edif ...) form");
  }

  void readLibrary(HDJsonPos open, const std::string& kw) {
    NameDef n;
    if (!nameDef(n, "library name")) {
      skipForm(open, kw);
      return;
    }
    auto ins = libs_.emplace(n.key, Lib());
    Lib& lib = ins.first->second;
    if (!ins.second) {
      lib_ = n.real;
      libKeyword_ = kw;
      problem(n.pos, "library " + hdQuoted(n.real) + " is declared twice (first at " +
                         hdPosText(lib.pos) + ")");
      lib_.clear();
      skipForm(open, kw);
      return;
    }
    lib.real = n.real;
    lib.keyword = kw;
    lib.pos = n.pos;
    lib.external = kw == "external"sv;
    lib_ = n.real;
    libKeyword_ = kw;
    libKey_ = n.key;
    body(open, kw, "a form such as (cell ...)", [&](const std::string& sub, HDJsonPos p) {
      if (sub != "cell"sv) return false;
      readCell(p, lib);
      return true;
    });
    lib_.clear();
    libKey_.clear();
  }

  void readCell(HDJsonPos open, Lib& lib) {
    NameDef n;
    if (!nameDef(n, "cell name")) {
      skipForm(open, "cell");
      return;
    }
    auto ins = lib.cells.emplace(n.key, CellEntry{n.real, n.pos});
    if (!ins.second) {
      const CellEntry& first = ins.first->second;
      problem(n.pos, "cell " + hdQuoted(n.real) + " is declared twice in " + lib.keyword + " " +
                         hdQuoted(lib.real) + " (first as " + hdQuoted(first.real) + " at " +
                         hdPosText(first.pos) + "; EDIF names ignore case)");
      skipForm(open, "cell");
      return;
    }
    cell_ = n.real;
    cellDef_ = nullptr;
    bool viewWithContents = false;
    body(open, "cell", "a form such as (view ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw != "view"sv) return false;
      readView(p, lib, n, viewWithContents);
      return true;
    });
    if (!viewWithContents) noteName(n, lib, false);
    cell_.clear();
    cellDef_ = nullptr;
  }

  // Records a real name as a defined cell or a leaf; false when it clashes.
  bool noteName(const NameDef& n, const Lib& lib, bool defined) {
    auto ins = uses_.emplace(n.real, NameUse{defined, lib.real, n.pos});
    if (ins.second) return true;
    const NameUse& u = ins.first->second;
    if (!defined && !u.defined) return true;  // a leaf cell listed by several libraries
    const std::string other = u.defined ? "a cell with contents" : "a leaf cell (no contents)";
    const std::string self = defined ? "a cell with contents" : "a leaf cell (no contents)";
    problem(n.pos, "cell " + hdQuoted(n.real) + " is " + self + " here and " + other +
                       " in library " + hdQuoted(u.lib) + " (" + hdPosText(u.pos) +
                       "); cell names must be unique across the libraries");
    return false;
  }

  void readView(HDJsonPos open, Lib& lib, const NameDef& cellName, bool& withContents) {
    NameDef v;
    if (!nameDef(v, "view name")) {
      skipForm(open, "view");
      return;
    }
    body(open, "view", "a form such as (contents ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw != "contents"sv) return false;
      // An external library describes leaf cells only.
      if (lib.external) return false;
      if (withContents) {
        problem(p, "a second view with contents in cell " + hdQuoted(cellName.real) +
                       "; one netlist view per cell is read");
        return false;
      }
      withContents = true;
      if (!noteName(cellName, lib, true)) return false;
      if (d_.findSymbol(cellName.real) && d_.findSymbol(cellName.real)->cell) return false;
      cellDef_ = d_.defineCell(cellName.real, path(), cellName.pos);
      readContents(p);
      return true;
    });
  }

  void readContents(HDJsonPos open) {
    int64_t nets = 0, busNets = 0;
    names_.reset();
    renamed_.clear();
    renamedText_.clear();
    count_ = 0;
    inContents_ = true;
    body(open, "contents", "a form such as (instance ...)",
         [&](const std::string& kw, HDJsonPos p) {
           if (kw == "instance"sv) {
             readInstance(p);
             return true;
           }
           if (kw == "net"sv) ++nets;
           if (kw == "netbundle"sv) ++busNets;
           return false;
         });
    const int64_t cap = std::numeric_limits<int>::max();
    HDDesignBuilder::setNets(cellDef_, static_cast<int>(std::min(nets, cap)),
                             static_cast<int>(std::min(busNets, cap)));
    reportDuplicates();
    inContents_ = false;
    names_.reset();
    std::vector<std::pair<long, size_t>>().swap(renamed_);
    std::string().swap(renamedText_);
  }

  // Names used twice in the cell, found at its end: one hash table probe per instance
  // would miss the cache on every probe in cells of millions of instances.
  void reportDuplicates() {
    prop_.clear();
    for (const HDInstanceNames::Duplicate& dup : names_.duplicates(cellDef_->instances())) {
      inst_ = instanceShown(dup.element, dup.name);
      problem(dup.pos, "instance name " + hdQuoted(dup.name) + " is used twice in cell " +
                           hdQuoted(cell_) + " (first at " + hdPosText(dup.firstPos) + ")");
    }
    inst_.clear();
  }

  // The instance name the file gives instance number `element` of the cell, whose name in
  // the design is `name`.
  std::string instanceShown(long element, const std::string& name) const {
    const auto it =
        std::lower_bound(renamed_.begin(), renamed_.end(), element,
                         [](const std::pair<long, size_t>& r, long e) { return r.first < e; });
    if (it == renamed_.end() || it->first != element) return name;
    const size_t end = it + 1 == renamed_.end() ? renamedText_.size() : (it + 1)->second;
    return renamedText_.substr(it->second, end - it->second);
  }

  void readInstance(HDJsonPos open) {
    NameDef& n = instName_;
    if (!nameDef(n, "instance name", true)) {
      skipForm(open, "instance");
      return;
    }
    inst_ = n.real;
    props_.clear();
    propText_.clear();
    attrIndex_.clear();
    site_.clear();
    hdlname_.clear();
    bool haveSite = false, haveTarget = false, named = false;
    CellEntry* target = nullptr;
    HDJsonPos targetPos;
    body(open, "instance", "a form such as (viewRef ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw == "viewref"sv) {
        if (haveTarget) {
          problem(p, "a second (viewRef ...) in instance " + hdQuoted(n.real));
          return false;
        }
        haveTarget = readViewRef(p, target, targetPos);
        named = true;  // when not read, reported; keeps "no viewRef" quiet
        return true;
      }
      if (kw == "viewlist"sv) {
        problem(p, "(viewList ...) is not read; expected (viewRef ...)");
        named = true;
        target = &unread_;
        return false;
      }
      if (kw == "property"sv) {
        readProperty(p, haveSite);
        return true;
      }
      return false;
    });
    if (!named)
      problem(n.pos, "instance " + hdQuoted(n.real) +
                         " has no (viewRef VIEW (cellRef CELL ...)) naming its cell");
    // Every element of an array carries the properties: they count in the arrays' budget
    // as one instance each, so that a small file cannot expand to a quadratic size.
    int64_t count = 1;
    for (int64_t d : n.dims) count *= d;
    if (haveTarget && !n.dims.empty() && !props_.empty()) {
      const int64_t props = static_cast<int64_t>(props_.size());
      int64_t room = arrayRoom(false);
      if (count > room / props) room = arrayRoom(true);
      if (count > room / props) {
        problem(n.pos, "array " + hdQuoted(n.real) + " of " + std::to_string(count) +
                           " instances with " + std::to_string(props) +
                           " properties each: the file's instance arrays may hold " +
                           std::to_string(room) + " more instances and properties (at most " +
                           std::to_string(kArrayBudget) +
                           " in all, or one per byte of a larger file)");
        haveTarget = false;
      } else {
        arrayUsed_ += count * props;
      }
    }
    if (!haveTarget) {
      inst_.clear();
      return;
    }
    if (!target->sym) target->sym = d_.symbol(target->real);
    HDSymbol* sym = target->sym;
    views_.clear();
    for (const Prop& q : props_) {
      HDAttrView v;
      v.name = std::string_view(propText_).substr(q.name, q.nameSize);
      v.kind = q.kind;
      v.i = q.i;
      v.d = q.d;
      v.text = std::string_view(propText_).substr(q.text, q.textSize);
      views_.push_back(v);
    }
    // Members of an instance array are NAME[i] (NAME[i][j] ...).
    for (int64_t k = 0; k < count; ++k) {
      std::string_view name = n.real;
      if (!n.dims.empty() || !hdlname_.empty()) {
        name_ = n.real;
        if (n.dims.empty()) {
          // "a b c": the instance's place in the hierarchy before flattening.
          name_ = hdlname_;
          std::replace(name_.begin(), name_.end(), ' ', '/');
        }
        int64_t rest = k, stride = count;
        for (int64_t d : n.dims) {
          stride /= d;
          name_ += "[" + std::to_string(rest / stride) + "]";
          rest %= stride;
        }
        name = name_;
      }
      const long element = count_++;
      if (name != n.real) {
        renamed_.emplace_back(element, renamedText_.size());
        renamedText_ += n.real;
      }
      HDAHInstance* inst =
          d_.addInstanceOf(cellDef_, name, sym, sym->uses ? std::string() : path(), targetPos);
      names_.add(name, element, n.pos);
      if (haveSite) HDDesignBuilder::setSite(cellDef_, inst, site_);
      HDDesignBuilder::appendAttrs(cellDef_, inst, views_.data(), views_.size());
    }
    inst_.clear();
  }

  // (viewRef VIEW (cellRef CELL (libraryRef LIB))): the cell CELL.
  bool readViewRef(HDJsonPos open, CellEntry*& target, HDJsonPos& where) {
    const Token& v = lx_.peek();
    if (v.kind != Tk::NAME) {
      problem(v.pos,
              "expected the view name in (viewRef VIEW (cellRef ...)), found " + describe(v));
      skipForm(open, "viewref");
      return false;
    }
    lx_.drop();
    bool found = false, ok = false;
    body(open, "viewref", "(cellRef ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw != "cellref"sv || found) return false;
      found = true;
      ok = readCellRef(p, target, where);
      return true;
    });
    if (!found) problem(open, "expected (cellRef CELL ...) in (viewRef ...)");
    return ok;
  }

  bool readCellRef(HDJsonPos open, CellEntry*& target, HDJsonPos& where) {
    const Token& c = lx_.peek();
    if (c.kind != Tk::NAME) {
      problem(c.pos, "expected the cell name in (cellRef CELL ...), found " + describe(c));
      skipForm(open, "cellref");
      return false;
    }
    lowerInto(cellKey_, c.text);
    cellShown_ = c.text;
    where = c.pos;
    lx_.drop();
    libRefKey_ = libKey_;
    libShown_ = lib_;
    HDJsonPos libPos = where;
    bool libOk = true;
    body(open, "cellref", "(libraryRef ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw != "libraryref"sv) return false;
      const Token& l = lx_.peek();
      if (l.kind == Tk::NAME) {
        lowerInto(libRefKey_, l.text);
        libShown_ = l.text;
        libPos = l.pos;
        lx_.drop();
      } else {
        problem(l.pos, "expected the library name in (libraryRef LIB), found " + describe(l));
        libOk = false;
      }
      skipBody(p, kw);
      return true;
    });
    if (!libOk) return false;
    if (libRefKey_.empty()) {
      problem(where, "(cellRef " + cellShown_ + ") outside a library needs (libraryRef LIB)");
      return false;
    }
    if ((target = findCell(libRefKey_, cellKey_))) return true;
    if (!libs_.count(libRefKey_) && !ahead_.count(libRefKey_))
      problem(libPos, "(libraryRef " + libShown_ + ") names no library of this file");
    else
      problem(where, "(cellRef " + cellShown_ + ") names no cell of library " + libShown_);
    return false;
  }

  CellEntry* findCell(const std::string& libKey, const std::string& cellKey) {
    auto l = libs_.find(libKey);
    if (l != libs_.end()) {
      auto c = l->second.cells.find(cellKey);
      if (c != l->second.cells.end()) return &c->second;
    }
    lookAhead();
    auto a = ahead_.find(libKey);
    if (a == ahead_.end()) return nullptr;
    auto c = a->second.find(cellKey);
    return c == a->second.end() ? nullptr : &c->second;
  }

  // A reference to a cell not declared yet: the libraries and cells of the whole file, as
  // one pass over it from the start finds them. The scan fed every token so far has the
  // first part; a second scan goes on from here to the end: over the file read again from
  // this place, or over the rest of a pipe, read into memory.
  void lookAhead() {
    if (scanned_) return;
    scanned_ = true;
    lx_.watch(nullptr);
    CellScan rest = scan_;
    try {
      if (in_ && in_->seekable() && !in_->memory()) {
        Lexer again(*in_, chunk_, lx_.offset());
        rest.run(again);
      } else {
        Lexer again(lx_.rest());
        rest.run(again);
      }
    } catch (const EdifSyntaxError&) {
      // The reading itself reports it.
    } catch (const EdifReadError&) {
      // The reading itself meets it, or the cells after it are not needed.
    }
  }

  // Instances that arrays may still expand to: kArrayBudget, or one per byte of a larger
  // file. Of a pipe still being read, a lower bound unless `exact` (which reads it to
  // its end to know its size).
  int64_t arrayRoom(bool exact) {
    if (!sized_ && exact) {
      lx_.rest();
      size_ = lx_.seen() - start_;
      sized_ = true;
    }
    const uint64_t bytes = sized_ ? size_ : lx_.seen() - start_;
    return std::max<int64_t>(kArrayBudget, static_cast<int64_t>(bytes)) - arrayUsed_;
  }

  void readProperty(HDJsonPos open, bool& haveSite) {
    NameDef& n = propName_;
    if (!nameDef(n, "property name")) {
      skipForm(open, "property");
      return;
    }
    prop_ = n.real;
    bool ok = false;
    const Token& t = lx_.peek();
    if (t.kind == Tk::OPEN) {
      const HDJsonPos p = t.pos;
      lx_.drop();
      const std::string kw = keyword();
      ok = readValue(p, kw, value_);
    } else {
      problem(t.pos, "property " + hdQuoted(n.real) +
                         " has no value; expected (integer ...), (number ...), (string ...) or "
                         "(boolean ...), found " +
                         describe(t));
    }
    skipBody(open, "property");
    if (ok) keepProperty(n, value_, haveSite);
    prop_.clear();
  }

  void keepProperty(const NameDef& n, const Value& value, bool& haveSite) {
    if (n.real == opts_.siteAttribute) {
      if (haveSite) {
        problem(n.pos, "property " + hdQuoted(n.real) + " is given twice");
      } else if (value.kind != HATAttr::TEXT) {
        problem(n.pos, "property " + hdQuoted(n.real) +
                           " places the instance on a site: expected (string \"SITE\")");
      } else {
        haveSite = true;
        site_ = value.text;
      }
      return;
    }
    if (n.real == "hdlname" && value.kind == HATAttr::TEXT) {
      hdlname_ = value.text;
      return;
    }
    if (bookkeeping(n.real)) return;
    // Few properties per instance: a linear search, with an index for long lists.
    bool twice = false;
    if (props_.size() < 16) {
      for (const Prop& q : props_)
        twice = twice || std::string_view(propText_).substr(q.name, q.nameSize) == n.real;
    } else {
      if (attrIndex_.empty())
        for (const Prop& q : props_) attrIndex_.insert(propText_.substr(q.name, q.nameSize));
      twice = !attrIndex_.insert(n.real).second;
    }
    if (twice) {
      problem(n.pos, "property " + hdQuoted(n.real) + " is given twice");
      return;
    }
    if (!attrIndex_.empty()) attrIndex_.insert(n.real);
    Prop q;
    q.name = propText_.size();
    q.nameSize = n.real.size();
    propText_ += n.real;
    q.kind = value.kind;
    q.i = value.i;
    q.d = value.d;
    q.text = propText_.size();
    q.textSize = value.text.size();
    propText_ += value.text;
    props_.push_back(q);
  }

  // The value form after '(' and its keyword, up to its ')'.
  bool readValue(HDJsonPos open, const std::string& kw, Value& out) {
    const std::string expected =
        "expected (integer ...), (number ...), (string ...) or (boolean ...)";
    out.text.clear();
    if (kw == "integer"sv || kw == "string"sv || kw == "number"sv || kw == "boolean"sv) {
      size_t count = 0;
      bool ok = true;
      body(
          open, kw,
          [&](const std::string& sub, HDJsonPos p) {
            ++count;
            if (count > 1) return false;
            if (kw == "boolean"sv && (sub == "true"sv || sub == "false"sv)) {
              out.kind = HATAttr::BOOL;
              out.i = sub == "true"sv ? 1 : 0;
              skipBody(p, sub);
              return true;
            }
            if (kw == "number"sv && sub == "e"sv) {
              ok = readMantissaExponent(p, out);
              return true;
            }
            if (kw == "string"sv && sub == "stringdisplay"sv && lx_.peek().kind == Tk::STRING) {
              ok = textValue(lx_.peek().str, lx_.peek().pos, out);
              lx_.drop();
              skipForm(p, sub);
              return true;
            }
            problem(p, "unexpected (" + sub + " ...) in (" + kw + " ...)");
            ok = false;
            return false;
          },
          [&](const Token& t) {
            ++count;
            if (count > 1) return;
            if (kw == "integer"sv && t.kind == Tk::INTEGER) {
              ok = integerValue(t, out);
            } else if (kw == "number"sv && t.kind == Tk::INTEGER) {
              ok = doubleValue(std::string(t.text), t.pos, out);
            } else if (kw == "string"sv && t.kind == Tk::STRING) {
              ok = textValue(t.str, t.pos, out);
            } else {
              problem(t.pos, "unexpected " + describe(t) + " in (" + kw + " ...)");
              ok = false;
            }
          });
      if (count == 0) {
        problem(open, "(" + kw + ") without a value");
        return false;
      }
      // Several values: a list the analysis does not read.
      if (count > 1 && ok) other(out, kw + " list");
      return ok;
    }
    if (kw == "minomax"sv || kw == "point"sv) {
      skipForm(open, kw);
      other(out, kw);
      return true;
    }
    problem(open, "unknown property value (" + kw + " ...); " + expected);
    skipForm(open, kw);
    return false;
  }

  static void other(Value& out, const std::string& text) {
    out.kind = HATAttr::OTHER;
    out.text = text;
  }

  bool integerValue(const Token& t, Value& out) {
    int64_t v = 0;
    const char* b = t.text.data() + (t.text[0] == '+' ? 1 : 0);
    const auto r = std::from_chars(b, t.text.data() + t.text.size(), v);
    if (r.ec != std::errc()) {
      problem(t.pos, "integer " + std::string(t.text) + " is out of range (64-bit signed)");
      return false;
    }
    const bool fits =
        v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
    out.kind = fits ? HATAttr::INT : HATAttr::LONG;
    out.i = v;
    return true;
  }

  bool doubleValue(const std::string& text, HDJsonPos p, Value& out) {
    const double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v)) {
      problem(p, "number " + text + " is out of range");
      return false;
    }
    out.kind = HATAttr::DOUBLE;
    out.d = v;
    return true;
  }

  // (e MANTISSA EXPONENT): mantissa times ten to the exponent, rounded once.
  bool readMantissaExponent(HDJsonPos open, Value& out) {
    std::vector<std::string> parts;
    bool ok = true;
    body(
        open, "e",
        [&](const std::string&, HDJsonPos) {
          ok = false;
          return false;
        },
        [&](const Token& t) {
          if (t.kind == Tk::INTEGER)
            parts.emplace_back(t.text);
          else
            ok = false;
        });
    if (!ok || parts.size() != 2) {
      problem(open, "expected (e MANTISSA EXPONENT) with two integers");
      return false;
    }
    const std::string& x = parts[1];
    const size_t digits = x.size() - ((x[0] == '+' || x[0] == '-') ? 1 : 0);
    // An exponent beyond any double: overflow, or zero when negative or of a zero mantissa.
    if (digits > 6) {
      if (x[0] == '-' || parts[0].find_first_not_of("+-0") == std::string::npos) {
        out.kind = HATAttr::DOUBLE;
        out.d = 0.0;
        return true;
      }
      problem(open, "number (e " + parts[0] + " " + x + ") is out of range");
      return false;
    }
    return doubleValue(parts[0] + "e" + x, open, out);
  }

  bool textValue(const std::string& s, HDJsonPos p, Value& out) {
    if (!validUtf8(s)) {
      problem(p, "string value is not valid UTF-8");
      return false;
    }
    out.kind = HATAttr::TEXT;
    out.text = s;
    return true;
  }

  void readDesign(HDJsonPos open) {
    NameDef n;
    if (!nameDef(n, "design name")) {
      skipForm(open, "design");
      return;
    }
    design_ = n.real;
    if (++designs_ > 1 && opts_.top.empty())
      problem(n.pos, "a second (design ...) statement; name the top cell with --top");
    bool found = false;
    body(open, "design", "(cellRef ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw != "cellref"sv || found) return false;
      found = true;
      CellEntry* cell = nullptr;
      HDJsonPos where;
      if (readCellRef(p, cell, where) && designs_ == 1) {
        topName_ = cell->real;
        topPos_ = where;
        topPath_ = path();
      }
      return true;
    });
    if (!found) problem(open, "expected (cellRef CELL (libraryRef LIB)) naming the top cell");
    design_.clear();
  }

  void setTop(HDJsonPos edifOpen) {
    d_.haveCells = true;
    if (!opts_.top.empty()) {
      d_.haveTop = true;
      d_.topName = opts_.top;
      d_.topPath = "--top";
      d_.topPos = HDJsonPos();
    } else if (!topName_.empty()) {
      d_.haveTop = true;
      d_.topName = topName_;
      d_.topPath = topPath_;
      d_.topPos = topPos_;
    } else if (designs_ == 0) {
      problem(edifOpen, "no (design ...) statement names the top cell; name it with --top");
    }
  }

  HDLoadContext& ctx_;
  HDDesignAssembly& d_;
  Lexer lx_;
  const HDNetlistOptions& opts_;
  HDInput* in_ = nullptr;  // when read from an input
  size_t chunk_ = 0;
  uint64_t start_ = 0;  // where the input was when the reading started
  // The file's size in bytes, when known (a pipe is known at its end).
  bool sized_;
  uint64_t size_;

  std::unordered_map<std::string, Lib> libs_;
  CellScan::Cells ahead_;
  CellScan scan_{ahead_};
  bool scanned_ = false;
  std::unordered_map<std::string, NameUse> uses_;

  // Where the reading is, for paths.
  std::string lib_, libKeyword_, libKey_, cell_, inst_, prop_, design_;
  HDAHCellview* cellDef_ = nullptr;
  // The instances of the cell being read: their names, and the names the file gives those
  // whose name in the design differs (array members, flattened instances), by number.
  HDInstanceNames names_;
  long count_ = 0;
  bool inContents_ = false;
  std::vector<std::pair<long, size_t>> renamed_;
  std::string renamedText_;

  // Scratch of the instance being read, kept from one to the next.
  struct Prop {
    size_t name = 0, nameSize = 0;  // in propText_
    int kind = HATAttr::OTHER;
    int64_t i = 0;
    double d = 0.0;
    size_t text = 0, textSize = 0;
  };
  NameDef instName_, propName_;
  CellEntry unread_{"?", {}, nullptr};  // the cell of an instance with a (viewList ...)
  Value value_;
  std::vector<Prop> props_;
  std::string propText_;
  std::vector<HDAttrView> views_;
  std::unordered_set<std::string> attrIndex_;
  std::string site_, hdlname_, name_;
  std::string cellKey_, cellShown_, libRefKey_, libShown_;

  int64_t arrayUsed_ = 0;  // instances the arrays expanded to
  int designs_ = 0;
  std::string topName_, topPath_;
  HDJsonPos topPos_;
};

}  // namespace

void hdReadEdif(HDLoadContext& ctx, HDDesignAssembly& design, std::string_view text,
                const HDNetlistOptions& opts) {
  EdifReader(ctx, design, text, opts).run();
}

bool hdReadEdif(HDLoadContext& ctx, HDDesignAssembly& design, HDInput& input,
                const HDNetlistOptions& opts, size_t chunk) {
  if (input.memory()) {
    std::string_view text;
    input.all(text);
    hdReadEdif(ctx, design, text, opts);
    return true;
  }
  return EdifReader(ctx, design, input, chunk, opts).run();
}

void hdNumberUndeclaredLiterals(HFLFloorplan& design) {
  // Only what is surely a number: a sized literal, without a sign.
  HDVerilogLiteral::Options kSized;
  kSized.requireWidth = true;
  kSized.allowSign = false;
  for (const auto& cell : design.cells()) {
    for (HDAHInstance& inst : HDDesignBuilder::instances(cell.get())) {
      const HDPrimitive* prim = inst.getPrimitive();
      const size_t n = inst.attrCount();
      for (size_t i = 0; i < n; ++i) {
        if (inst.attrKind(i) != HATAttr::TEXT) continue;
        const std::string name(inst.attrName(i));
        const HATAttr a = inst.attrValue(i);
        int64_t v = 0;
        if ((prim && prim->defines(name)) || !HDVerilogLiteral::parse(a.getStringVal(), v, kSized))
          continue;
        const bool fits = v <= std::numeric_limits<int32_t>::max();
        HDDesignBuilder::setAttrAt(
            cell.get(), &inst, i,
            fits ? HATAttr::makeInt(static_cast<int32_t>(v)) : HATAttr::makeLong(v));
      }
    }
  }
}

namespace {
bool looksLikeEdif(std::string_view h) {
  size_t i = 0;
  const auto blank = [&]() {
    while (i < h.size() && (h[i] == ' ' || h[i] == '\t' || h[i] == '\r' || h[i] == '\n')) ++i;
  };
  blank();
  if (i >= h.size() || h[i] != '(') return false;
  ++i;
  blank();
  return h.size() - i >= 4 && strncasecmp(h.data() + i, "edif", 4) == 0;
}

void readEdifInput(HDInput& input, HDLoadContext& ctx, HDDesignAssembly& design,
                   const HDNetlistOptions& opts) {
  if (!hdReadEdif(ctx, design, input, opts)) return;
  design.addToolGates(input.name());
  design.setNetlistPart(opts.part, input.name());
}
}  // namespace

const HDFrontEnd kHDEdifFrontEnd = {"EDIF netlist", true, looksLikeEdif, readEdifInput};
