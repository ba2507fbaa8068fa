#include "host/design/edif/HDEdifReader.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/design/load/HDVerilogLiteral.h"

namespace {

// ---- tokens ---------------------------------------------------------------------

enum class Tk { OPEN, CLOSE, NAME, INTEGER, STRING, END };

struct Token {
  Tk kind = Tk::END;
  HDJsonPos pos;
  std::string_view text;  // NAME (without a leading '&') and INTEGER
  std::string str;        // STRING, with %code% escapes decoded
};

struct EdifSyntaxError {
  std::string msg;
  HDJsonPos pos;
};

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
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

// Reads the text one token ahead, keeping line and column (in characters).
class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

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
  HDJsonPos here() const { return {line_, col_}; }

 private:
  void advance() {
    const char c = s_[i_++];
    // A place past 2^31 stops there, never wraps.
    if (c == '\n') {
      if (line_ < 2147483647) ++line_;
      col_ = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && col_ < 2147483647) {
      ++col_;
    }
  }

  void read() {
    while (i_ < s_.size() && isBlank(s_[i_])) advance();
    tok_.pos = here();
    tok_.text = {};
    if (i_ == s_.size()) {
      tok_.kind = Tk::END;
      return;
    }
    const char c = s_[i_];
    if (c == '(' || c == ')') {
      advance();
      tok_.kind = c == '(' ? Tk::OPEN : Tk::CLOSE;
      return;
    }
    if (c == '"') {
      readString();
      return;
    }
    const size_t start = i_;
    while (i_ < s_.size() && !isBlank(s_[i_]) && s_[i_] != '(' && s_[i_] != ')' && s_[i_] != '"')
      advance();
    std::string_view run = s_.substr(start, i_ - start);
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
        if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) >= 0x7F)
          ch = '?';
      throw EdifSyntaxError{"invalid name \"" + shown +
                                "\": an EDIF name is a letter followed by letters, digits "
                                "and '_', or '&' followed by such characters",
                            tok_.pos};
    }
    tok_.kind = Tk::NAME;
    tok_.text = name;
  }

  void readString() {
    tok_.kind = Tk::STRING;
    tok_.str.clear();
    advance();  // the opening quote
    for (;;) {
      if (i_ == s_.size()) throw EdifSyntaxError{"unterminated string", tok_.pos};
      const char c = s_[i_];
      if (c == '"') {
        advance();
        return;
      }
      if (c == '%') {
        const HDJsonPos at = here();
        advance();
        // %n n ...%: characters by their ASCII codes.
        for (;;) {
          while (i_ < s_.size() && isBlank(s_[i_])) advance();
          if (i_ < s_.size() && s_[i_] == '%') {
            advance();
            break;
          }
          int code = 0;
          size_t n = 0;
          while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9' && n < 4) {
            code = code * 10 + (s_[i_] - '0');
            advance();
            ++n;
          }
          if (n == 0 || n == 4 || code < 1 || code > 127)
            throw EdifSyntaxError{
                "invalid escape in a string: expected ASCII codes 1 to 127 between '%' signs", at};
          tok_.str += static_cast<char>(code);
        }
        continue;
      }
      const unsigned char b = static_cast<unsigned char>(c);
      if ((b < 0x20 && c != '\t' && c != '\n' && c != '\r') || b == 0x7F)
        throw EdifSyntaxError{"control character " + std::to_string(b) + " in a string", here()};
      tok_.str += c;
      advance();
    }
  }

  std::string_view s_;
  size_t i_ = 0;
  int line_ = 1, col_ = 1;
  Token tok_;
  bool have_ = false;
};

// A name definition: its EDIF name (case-insensitive, kept lower-cased) and its real
// name (the second name of a rename, else the EDIF name as written).
struct NameDef {
  std::string key, real;
  HDJsonPos pos;
  std::vector<int64_t> dims;  // an array's sizes
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
      : ctx_(ctx),
        d_(d),
        text_(text),
        lx_(text),
        opts_(opts),
        arrayBudget_(std::max<int64_t>(kArrayBudget, static_cast<int64_t>(text.size()))) {}

  void run() {
    try {
      read();
    } catch (const EdifSyntaxError& e) {
      ctx_.problemAt(ctx_.file(), e.pos, path(), "EDIF syntax error: " + e.msg);
    }
  }

 private:
  void read() {
    const Token& t = lx_.peek();
    if (t.kind != Tk::OPEN) fail(t.pos, "expected (edif ...) at the start of the file");
    const HDJsonPos open = t.pos;
    lx_.drop();
    if (keyword() != "edif") fail(open, "expected (edif ...) at the start of the file");
    readEdif(open);
    const Token& e = lx_.peek();
    if (e.kind != Tk::END) fail(e.pos, "text after the end of the (edif ...) form");
    setTop(open);
  }

  struct CellEntry {
    std::string real;
    HDJsonPos pos;
  };
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
    size_t depth = 1;
    while (depth > 0) {
      const Token& t = lx_.peek();
      if (t.kind == Tk::END) endInside(open, kw);
      if (t.kind == Tk::OPEN) ++depth;
      if (t.kind == Tk::CLOSE) --depth;
      lx_.drop();
    }
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
      n.key = lower(t.text);
      n.real = std::string(t.text);
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
    if (kw == "array" && allowArray) {
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
        if (r.ec != std::errc() || v < 1 || v > arrayBudget_ || total * v > arrayBudget_) {
          if (ok)
            problem(s.pos, "array size " + std::string(s.text) + " of " + hdQuoted(n.real) +
                               ": the file's instance arrays may hold " +
                               std::to_string(arrayBudget_) + " more instances (at most " +
                               std::to_string(kArrayBudget) +
                               " in all, or one per byte of a larger file)");
          ok = false;
        } else {
          total *= v;
        }
        dims.push_back(v);
        lx_.drop();
      }
      if (dims.empty() && ok) {
        problem(lx_.peek().pos, "expected the sizes of array " + hdQuoted(n.real));
        ok = false;
      }
      skipBody(open, kw);
      if (ok) arrayBudget_ -= total;
      n.dims = std::move(dims);
      return ok;
    }
    if (kw != "rename") {
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
    n.key = lower(a.text);
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
      if (sub == "stringdisplay" && s.kind == Tk::STRING) {
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
      if (kw == "edifversion") {
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
      if (kw == "library" || kw == "external") {
        readLibrary(p, kw);
        return true;
      }
      if (kw == "design") {
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
    lib.external = kw == "external";
    lib_ = n.real;
    libKeyword_ = kw;
    libKey_ = n.key;
    body(open, kw, "a form such as (cell ...)", [&](const std::string& sub, HDJsonPos p) {
      if (sub != "cell") return false;
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
      if (kw != "view") return false;
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
      if (kw != "contents") return false;
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
    instNames_.clear();
    body(open, "contents", "a form such as (instance ...)",
         [&](const std::string& kw, HDJsonPos p) {
           if (kw == "instance") {
             readInstance(p);
             return true;
           }
           if (kw == "net") ++nets;
           if (kw == "netbundle") ++busNets;
           return false;
         });
    const int64_t cap = std::numeric_limits<int>::max();
    HDDesignBuilder::setNets(cellDef_, static_cast<int>(std::min(nets, cap)),
                             static_cast<int>(std::min(busNets, cap)));
    std::unordered_map<std::string, HDJsonPos>().swap(instNames_);
  }

  void readInstance(HDJsonPos open) {
    NameDef n;
    if (!nameDef(n, "instance name", true)) {
      skipForm(open, "instance");
      return;
    }
    inst_ = n.real;
    attrs_.clear();
    attrIndex_.clear();
    site_.clear();
    hdlname_.clear();
    bool haveSite = false, haveTarget = false;
    std::string target;
    HDJsonPos targetPos;
    body(open, "instance", "a form such as (viewRef ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw == "viewref") {
        if (haveTarget) {
          problem(p, "a second (viewRef ...) in instance " + hdQuoted(n.real));
          return false;
        }
        haveTarget = readViewRef(p, target, targetPos);
        if (!haveTarget) target = "?";  // reported; keeps "no viewRef" quiet
        return true;
      }
      if (kw == "viewlist") {
        problem(p, "(viewList ...) is not read; expected (viewRef ...)");
        target = "?";
        return false;
      }
      if (kw == "property") {
        readProperty(p, haveSite);
        return true;
      }
      return false;
    });
    if (target.empty())
      problem(n.pos, "instance " + hdQuoted(n.real) +
                         " has no (viewRef VIEW (cellRef CELL ...)) naming its cell");
    // Every element of an array carries the properties: they count in the arrays' budget
    // as one instance each, so that a small file cannot expand to a quadratic size.
    int64_t count = 1;
    for (int64_t d : n.dims) count *= d;
    if (haveTarget && !n.dims.empty() && !attrs_.empty()) {
      const int64_t props = static_cast<int64_t>(attrs_.size());
      if (count > arrayBudget_ / props) {
        problem(n.pos,
                "array " + hdQuoted(n.real) + " of " + std::to_string(count) + " instances with " +
                    std::to_string(props) +
                    " properties each: the file's instance arrays may hold " +
                    std::to_string(arrayBudget_) + " more instances and properties (at most " +
                    std::to_string(kArrayBudget) + " in all, or one per byte of a larger file)");
        haveTarget = false;
      } else {
        arrayBudget_ -= count * props;
      }
    }
    if (haveTarget) {
      // Members of an instance array are NAME[i] (NAME[i][j] ...).
      for (int64_t k = 0; k < count; ++k) {
        std::string name = n.real;
        if (n.dims.empty() && !hdlname_.empty()) {
          // "a b c": the instance's place in the hierarchy before flattening.
          name = hdlname_;
          std::replace(name.begin(), name.end(), ' ', '/');
        }
        int64_t rest = k, stride = count;
        for (int64_t d : n.dims) {
          stride /= d;
          name += "[" + std::to_string(rest / stride) + "]";
          rest %= stride;
        }
        auto ins = instNames_.emplace(name, n.pos);
        if (!ins.second) {
          problem(n.pos, "instance name " + hdQuoted(name) + " is used twice in cell " +
                             hdQuoted(cell_) + " (first at " + hdPosText(ins.first->second) + ")");
          continue;
        }
        HDAHInstance* inst = d_.addInstanceOf(cellDef_, name, target, path(), targetPos);
        if (haveSite) HDDesignBuilder::setSite(cellDef_, inst, site_);
        HDDesignBuilder::appendAttrs(cellDef_, inst, attrs_);
      }
    }
    inst_.clear();
  }

  // (viewRef VIEW (cellRef CELL (libraryRef LIB))): the real name of CELL.
  bool readViewRef(HDJsonPos open, std::string& target, HDJsonPos& where) {
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
      if (kw != "cellref" || found) return false;
      found = true;
      ok = readCellRef(p, target, where);
      return true;
    });
    if (!found) problem(open, "expected (cellRef CELL ...) in (viewRef ...)");
    return ok;
  }

  bool readCellRef(HDJsonPos open, std::string& target, HDJsonPos& where) {
    const Token& c = lx_.peek();
    if (c.kind != Tk::NAME) {
      problem(c.pos, "expected the cell name in (cellRef CELL ...), found " + describe(c));
      skipForm(open, "cellref");
      return false;
    }
    const std::string cellKey = lower(c.text), cellShown(c.text);
    where = c.pos;
    lx_.drop();
    std::string libKey = libKey_, libShown = lib_;
    HDJsonPos libPos = where;
    bool libOk = true;
    body(open, "cellref", "(libraryRef ...)", [&](const std::string& kw, HDJsonPos p) {
      if (kw != "libraryref") return false;
      const Token& l = lx_.peek();
      if (l.kind == Tk::NAME) {
        libKey = lower(l.text);
        libShown = std::string(l.text);
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
    if (libKey.empty()) {
      problem(where, "(cellRef " + cellShown + ") outside a library needs (libraryRef LIB)");
      return false;
    }
    if (const std::string* real = findCell(libKey, cellKey)) {
      target = *real;
      return true;
    }
    if (!libs_.count(libKey) && !ahead_.count(libKey))
      problem(libPos, "(libraryRef " + libShown + ") names no library of this file");
    else
      problem(where, "(cellRef " + cellShown + ") names no cell of library " + libShown);
    return false;
  }

  const std::string* findCell(const std::string& libKey, const std::string& cellKey) {
    auto l = libs_.find(libKey);
    if (l != libs_.end()) {
      auto c = l->second.cells.find(cellKey);
      if (c != l->second.cells.end()) return &c->second.real;
    }
    lookAhead();
    auto a = ahead_.find(libKey);
    if (a == ahead_.end()) return nullptr;
    auto c = a->second.find(cellKey);
    return c == a->second.end() ? nullptr : &c->second;
  }

  // A reference to a cell declared further on: one pass over the whole text collects
  // the real names of every library's cells.
  void lookAhead() {
    if (scanned_) return;
    scanned_ = true;
    Lexer lx(text_);
    size_t depth = 0;
    std::string lib;
    auto scanName = [&](std::string& key, std::string& real) {
      const Token& t = lx.peek();
      if (t.kind == Tk::NAME) {
        key = lower(t.text);
        real = std::string(t.text);
        lx.drop();
        return;
      }
      if (t.kind != Tk::OPEN) return;
      lx.drop();
      ++depth;
      if (lx.peek().kind != Tk::NAME || lower(lx.peek().text) != "rename") return;
      lx.drop();
      if (lx.peek().kind != Tk::NAME) return;
      key = lower(lx.peek().text);
      lx.drop();
      if (lx.peek().kind == Tk::OPEN) {
        lx.drop();
        ++depth;
        if (lx.peek().kind != Tk::NAME || lower(lx.peek().text) != "stringdisplay") return;
        lx.drop();
      }
      if (lx.peek().kind == Tk::STRING) real = lx.peek().str;
    };
    try {
      for (;;) {
        const Token& t = lx.peek();
        if (t.kind == Tk::END) break;
        if (t.kind == Tk::CLOSE) {
          if (depth > 0) --depth;
          if (depth < 2) lib.clear();
          lx.drop();
          continue;
        }
        if (t.kind != Tk::OPEN) {
          lx.drop();
          continue;
        }
        lx.drop();
        ++depth;
        if (lx.peek().kind != Tk::NAME) continue;
        const std::string kw = lower(lx.peek().text);
        lx.drop();
        const size_t at = depth;
        if (at == 2 && (kw == "library" || kw == "external")) {
          std::string real;
          scanName(lib, real);
          ahead_[lib];
        } else if (at == 3 && kw == "cell" && !lib.empty()) {
          std::string key, real;
          scanName(key, real);
          if (!key.empty()) ahead_[lib].emplace(key, real.empty() ? key : real);
        }
      }
    } catch (const EdifSyntaxError&) {
      // The reading itself reports it.
    }
  }

  void readProperty(HDJsonPos open, bool& haveSite) {
    NameDef n;
    if (!nameDef(n, "property name")) {
      skipForm(open, "property");
      return;
    }
    prop_ = n.real;
    HATAttr value;
    bool ok = false;
    const Token& t = lx_.peek();
    if (t.kind == Tk::OPEN) {
      const HDJsonPos p = t.pos;
      lx_.drop();
      const std::string kw = keyword();
      ok = readValue(p, kw, value);
    } else {
      problem(t.pos, "property " + hdQuoted(n.real) +
                         " has no value; expected (integer ...), (number ...), (string ...) or "
                         "(boolean ...), found " +
                         describe(t));
    }
    skipBody(open, "property");
    if (ok) keepProperty(n, std::move(value), haveSite);
    prop_.clear();
  }

  void keepProperty(const NameDef& n, HATAttr value, bool& haveSite) {
    if (n.real == opts_.siteAttribute) {
      if (haveSite) {
        problem(n.pos, "property " + hdQuoted(n.real) + " is given twice");
      } else if (value.getKind() != HATAttr::TEXT) {
        problem(n.pos, "property " + hdQuoted(n.real) +
                           " places the instance on a site: expected (string \"SITE\")");
      } else {
        haveSite = true;
        site_ = value.getStringVal();
      }
      return;
    }
    if (n.real == "hdlname" && value.getKind() == HATAttr::TEXT) {
      hdlname_ = value.getStringVal();
      return;
    }
    if (bookkeeping(n.real)) return;
    // Few properties per instance: a linear search, with an index for long lists.
    bool twice = false;
    if (attrs_.size() < 16) {
      for (const auto& kv : attrs_) twice = twice || kv.first == n.real;
    } else {
      if (attrIndex_.empty())
        for (const auto& kv : attrs_) attrIndex_.insert(kv.first);
      twice = !attrIndex_.insert(n.real).second;
    }
    if (twice) {
      problem(n.pos, "property " + hdQuoted(n.real) + " is given twice");
      return;
    }
    if (!attrIndex_.empty()) attrIndex_.insert(n.real);
    attrs_.emplace_back(n.real, std::move(value));
  }

  // The value form after '(' and its keyword, up to its ')'.
  bool readValue(HDJsonPos open, const std::string& kw, HATAttr& out) {
    const std::string expected =
        "expected (integer ...), (number ...), (string ...) or (boolean ...)";
    if (kw == "integer" || kw == "string" || kw == "number" || kw == "boolean") {
      size_t count = 0;
      bool ok = true;
      body(
          open, kw,
          [&](const std::string& sub, HDJsonPos p) {
            ++count;
            if (count > 1) return false;
            if (kw == "boolean" && (sub == "true" || sub == "false")) {
              out = HATAttr::makeBool(sub == "true");
              skipBody(p, sub);
              return true;
            }
            if (kw == "number" && sub == "e") {
              ok = readMantissaExponent(p, out);
              return true;
            }
            if (kw == "string" && sub == "stringdisplay" && lx_.peek().kind == Tk::STRING) {
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
            if (kw == "integer" && t.kind == Tk::INTEGER) {
              ok = integerValue(t, out);
            } else if (kw == "number" && t.kind == Tk::INTEGER) {
              ok = doubleValue(std::string(t.text), t.pos, out);
            } else if (kw == "string" && t.kind == Tk::STRING) {
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
      if (count > 1 && ok) out = HATAttr::makeOther(kw + " list");
      return ok;
    }
    if (kw == "minomax" || kw == "point") {
      skipForm(open, kw);
      out = HATAttr::makeOther(kw);
      return true;
    }
    problem(open, "unknown property value (" + kw + " ...); " + expected);
    skipForm(open, kw);
    return false;
  }

  bool integerValue(const Token& t, HATAttr& out) {
    int64_t v = 0;
    const char* b = t.text.data() + (t.text[0] == '+' ? 1 : 0);
    const auto r = std::from_chars(b, t.text.data() + t.text.size(), v);
    if (r.ec != std::errc()) {
      problem(t.pos, "integer " + std::string(t.text) + " is out of range (64-bit signed)");
      return false;
    }
    const bool fits =
        v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
    out = fits ? HATAttr::makeInt(static_cast<int32_t>(v)) : HATAttr::makeLong(v);
    return true;
  }

  bool doubleValue(const std::string& text, HDJsonPos p, HATAttr& out) {
    const double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v)) {
      problem(p, "number " + text + " is out of range");
      return false;
    }
    out = HATAttr::makeDouble(v);
    return true;
  }

  // (e MANTISSA EXPONENT): mantissa times ten to the exponent, rounded once.
  bool readMantissaExponent(HDJsonPos open, HATAttr& out) {
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
        out = HATAttr::makeDouble(0.0);
        return true;
      }
      problem(open, "number (e " + parts[0] + " " + x + ") is out of range");
      return false;
    }
    return doubleValue(parts[0] + "e" + x, open, out);
  }

  bool textValue(const std::string& s, HDJsonPos p, HATAttr& out) {
    if (!validUtf8(s)) {
      problem(p, "string value is not valid UTF-8");
      return false;
    }
    out = HATAttr::makeString(s);
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
      if (kw != "cellref" || found) return false;
      found = true;
      std::string real;
      HDJsonPos where;
      if (readCellRef(p, real, where) && designs_ == 1) {
        topName_ = real;
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
  std::string_view text_;
  Lexer lx_;
  const HDNetlistOptions& opts_;

  std::unordered_map<std::string, Lib> libs_;
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> ahead_;
  bool scanned_ = false;
  std::unordered_map<std::string, NameUse> uses_;

  // Where the reading is, for paths.
  std::string lib_, libKeyword_, libKey_, cell_, inst_, prop_, design_;
  HDAHCellview* cellDef_ = nullptr;
  std::unordered_map<std::string, HDJsonPos> instNames_;

  // Scratch of the instance being read.
  std::vector<std::pair<std::string, HATAttr>> attrs_;
  std::unordered_set<std::string> attrIndex_;
  std::string site_, hdlname_;

  int64_t arrayBudget_;  // instances that arrays may still expand to
  int designs_ = 0;
  std::string topName_, topPath_;
  HDJsonPos topPos_;
};

}  // namespace

void hdReadEdif(HDLoadContext& ctx, HDDesignAssembly& design, std::string_view text,
                const HDNetlistOptions& opts) {
  EdifReader(ctx, design, text, opts).run();
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
  std::string_view text;
  if (!input.all(text)) {
    ctx.problemAt(input.name(), {}, "", "cannot read the netlist: " + input.error());
    return;
  }
  hdReadEdif(ctx, design, text, opts);
  design.addToolGates(input.name());
  design.setNetlistPart(opts.part, input.name());
}
}  // namespace

const HDFrontEnd kHDEdifFrontEnd = {"EDIF netlist", true, looksLikeEdif, readEdifInput};
