#include "host/design/yosys/HDYosysReader.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "host/design/load/HDInstanceNames.h"
#include "host/str/HSTJsonExact.h"

namespace {

// The tool's own bookkeeping, not properties of the design.
bool isBookkeeping(const std::string& name) {
  static const char* const names[] = {"src",
                                      "keep",
                                      "hdlname",
                                      "module_not_derived",
                                      "cells_not_processed",
                                      "keep_hierarchy",
                                      "blackbox",
                                      "whitebox",
                                      "dynports",
                                      "top",
                                      "unused_bits",
                                      "hide_name",
                                      "always_comb",
                                      "always_ff",
                                      "always_latch",
                                      "full_case",
                                      "parallel_case",
                                      "nomem2reg",
                                      "mem2reg",
                                      "nosync",
                                      "wiretype",
                                      "reg",
                                      "init",
                                      "fsm_encoding",
                                      "abc9_box",
                                      "abc9_box_id",
                                      "abc9_box_seq",
                                      "abc9_bypass",
                                      "abc9_carry",
                                      "abc9_flop",
                                      "abc9_keep",
                                      "abc9_lut",
                                      "abc9_scc_id",
                                      "abc9_deferred_box"};
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

bool isBitChar(char c) { return c == '0' || c == '1' || c == 'x' || c == 'z'; }

constexpr int kMaxPlace = 2147483647;

// The input's bytes in chunks, as the parser reads a stream: a NUL byte stands for the end.
class ChunkStream {
 public:
  using Ch = char;
  ChunkStream(HDInput& in, char* buf, size_t size)
      : in_(in), buf_(buf), size_(size), cur_(buf), end_(buf) {
    refill();
    // A byte-order mark is no part of the text; the count starts after it.
    if (end_ - cur_ >= 3 && std::memcmp(cur_, "\xEF\xBB\xBF", 3) == 0) {
      cur_ += 3;
      count_ -= 3;
    }
  }
  Ch Peek() const { return *cur_; }
  Ch Take() {
    const Ch c = *cur_;
    if (cur_ < end_) {
      ++cur_;
      if (cur_ == end_) refill();
    }
    return c;
  }
  size_t Tell() const { return count_ + static_cast<size_t>(cur_ - buf_); }
  bool failed() const { return failed_; }

 private:
  void refill() {
    count_ += static_cast<size_t>(end_ - buf_);
    size_t got = 0;
    if (!in_.read(buf_, size_ - 1, got)) failed_ = true;
    cur_ = buf_;
    end_ = buf_ + got;
    *end_ = '\0';
  }
  HDInput& in_;
  char* buf_;
  size_t size_;
  char* cur_ = nullptr;
  char* end_ = nullptr;
  size_t count_ = 0;
  bool failed_ = false;
};

// A stream that knows the line and column of what it has read, for messages.
class CountingStream {
 public:
  using Ch = char;
  CountingStream(HDInput& in, char* buf, size_t size) : s_(in, buf, size) {}
  bool failed() const { return s_.failed(); }
  Ch Peek() const { return s_.Peek(); }
  Ch Take() {
    const Ch c = s_.Take();
    if (c == '\n') {
      if (line_ < kMaxPlace) ++line_;  // a place past 2^31 stops there, never wraps
      lineStart_ = s_.Tell();
      cont_ = 0;
    } else if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) {
      ++cont_;
    }
    return c;
  }
  size_t Tell() const { return s_.Tell(); }
  Ch* PutBegin() { return nullptr; }
  void Put(Ch) {}
  void Flush() {}
  size_t PutEnd(Ch*) { return 0; }
  // The place `back` characters before the next one (a token just read on this line).
  HDJsonPos pos(size_t back) const {
    const size_t col = s_.Tell() - lineStart_ - cont_;
    const size_t at = col >= back ? col - back + 1 : 1;
    return {line_, static_cast<int>(at < kMaxPlace ? at : kMaxPlace)};
  }

 private:
  ChunkStream s_;
  int line_ = 1;
  size_t lineStart_ = 0;
  size_t cont_ = 0;
};

class Handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler> {
 public:
  Handler(HDLoadContext& ctx, HDDesignAssembly& d, const HDNetlistOptions& opts, CountingStream& is)
      : ctx_(ctx), d_(d), opts_(opts), is_(is) {}

  enum State { TOPLEVEL, MODULES, MODULE, MODATTRS, CELLS, CELL, PARAMS, CATTRS, NETNAMES };

  bool StartObject() {
    if (tooDeep()) return false;
    if (skip_) return ++skip_, true;
    if (stack_.empty()) return stack_.push_back(TOPLEVEL), true;
    switch (stack_.back()) {
      case TOPLEVEL:
        if (key_ == "modules") return enter(MODULES);
        break;
      case MODULES:
        beginModule();
        return enter(MODULE);
      case MODULE:
        if (key_ == "attributes") return enter(MODATTRS);
        if (key_ == "netnames") return enter(NETNAMES);
        if (key_ == "cells") {
          defineModule();
          return enter(CELLS);
        }
        break;
      case CELLS:
        beginCell();
        return enter(CELL);
      case CELL:
        if (key_ == "parameters") return enter(PARAMS);
        if (key_ == "attributes") return enter(CATTRS);
        break;
      case NETNAMES:
        ++nets_;
        break;
      case MODATTRS:
      case PARAMS:
      case CATTRS:
        badValue("an object");
        break;
    }
    skip_ = 1;
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    if (skip_) return --skip_, true;
    const State s = stack_.back();
    stack_.pop_back();
    if (s == MODULE) endModule();
    if (s == CELL) endCell();
    return true;
  }
  bool StartArray() {
    if (tooDeep()) return false;
    if (skip_) return ++skip_, true;
    if (stack_.empty()) {
      ctx_.problemAt(ctx_.file(), is_.pos(1), "", "expected a Yosys JSON netlist object");
      return false;
    }
    const State s = stack_.back();
    if ((s == TOPLEVEL && key_ == "modules") || s == MODULES || s == CELLS ||
        (s == MODULE && (key_ == "cells" || key_ == "attributes")) ||
        (s == CELL && (key_ == "parameters" || key_ == "attributes" || key_ == "type")))
      ctx_.problemAt(ctx_.file(), is_.pos(1), path(key_), "expected an object, found a list");
    else if (s == MODATTRS || s == PARAMS || s == CATTRS)
      badValue("a list");
    skip_ = 1;
    return true;
  }
  bool EndArray(rapidjson::SizeType) {
    --skip_;
    return true;
  }
  bool Key(const char* str, rapidjson::SizeType len, bool) {
    if (skip_) return true;
    key_.assign(str, len);
    keyPos_ = is_.pos(len + 2);
    switch (stack_.back()) {
      case CELL:
        if (!cellKeys_.insert(key_))
          ctx_.problemAt(ctx_.file(), keyPos_, path(key_),
                         "key " + hdQuoted(key_) + " appears twice in cell " + hdQuoted(cellName_));
        break;
      case PARAMS:
      case CATTRS: {
        HDSeenNames& seen = stack_.back() == PARAMS ? paramNames_ : attrNames_;
        const char* what = stack_.back() == PARAMS ? "parameter " : "attribute ";
        if (key_.empty())
          ctx_.problemAt(ctx_.file(), keyPos_, path(key_),
                         std::string("a ") + what + "name must not be empty");
        else if (!seen.insert(key_))
          ctx_.problemAt(ctx_.file(), keyPos_, path(key_),
                         what + hdQuoted(key_) + " appears twice in cell " + hdQuoted(cellName_));
        break;
      }
      default:
        break;
    }
    return true;
  }
  bool String(const char* str, rapidjson::SizeType len, bool) {
    if (skip_ || stack_.empty()) return scalarAtTop();
    switch (stack_.back()) {
      case CELL:
        if (key_ == "type")
          cellType_.assign(str, len);
        else if (key_ == "parameters" || key_ == "attributes")
          ctx_.problemAt(ctx_.file(), keyPos_, path(key_), "expected an object, found text");
        break;
      case MODATTRS:
      case PARAMS:
      case CATTRS:
        text_.assign(str, len);
        value(HDYosysReader::valueOf(text_), &text_);
        break;
      default:
        misplaced("text");
    }
    return true;
  }
  bool Int(int i) { return number(HATAttr::makeInt(i)); }
  bool Uint(unsigned u) {
    return number(u <= static_cast<unsigned>(std::numeric_limits<int32_t>::max())
                      ? HATAttr::makeInt(static_cast<int32_t>(u))
                      : HATAttr::makeLong(u));
  }
  bool Int64(int64_t i) { return number(HATAttr::makeLong(i)); }
  bool Uint64(uint64_t u) {
    if (u <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
      return number(HATAttr::makeLong(static_cast<int64_t>(u)));
    return number(HATAttr::makeOther(std::to_string(u)));
  }
  bool Double(double d) {
    if (!std::isfinite(d) && !skip_ && !stack_.empty()) {
      ctx_.problemAt(ctx_.file(), keyPos_, path(key_),
                     "the number is too large for a double (it reads as infinite)");
      return true;
    }
    return number(HATAttr::makeDouble(d));
  }
  bool Bool(bool b) { return number(HATAttr::makeBool(b)); }
  bool Null() {
    if (skip_ || stack_.empty()) return scalarAtTop();
    if (stack_.back() == CELL && key_ == "type")
      ctx_.problemAt(ctx_.file(), keyPos_, path(key_), "expected the cell type (text)");
    return true;
  }

  bool sawModules = false;
  std::vector<std::pair<std::string, HDJsonPos>> topModules;
  std::vector<std::pair<std::string, HDJsonPos>> modules;

 private:
  // Nesting is counted here so that a file cannot take the parse deeper than any real
  // netlist goes, even inside keys that are skipped.
  bool tooDeep() {
    if (stack_.size() + static_cast<size_t>(skip_) < static_cast<size_t>(HDJsonReader::kMaxNesting))
      return false;
    ctx_.problemAt(ctx_.file(), is_.pos(1), "",
                   "JSON syntax error: arrays and objects nested deeper than " +
                       std::to_string(HDJsonReader::kMaxNesting) + " levels");
    return true;
  }
  bool enter(State s) {
    if (s == MODULES) sawModules = true;
    stack_.push_back(s);
    return true;
  }
  bool scalarAtTop() {
    if (!skip_ && stack_.empty()) {
      ctx_.problemAt(ctx_.file(), is_.pos(1), "", "expected a Yosys JSON netlist object");
      return false;
    }
    return true;
  }
  bool number(HATAttr v) {
    if (skip_ || stack_.empty()) return scalarAtTop();
    const State s = stack_.back();
    if (s == MODATTRS || s == PARAMS || s == CATTRS)
      value(std::move(v), nullptr);
    else
      misplaced("a number");
    return true;
  }
  // A value where the netlist wants an object or text.
  void misplaced(const char* found) {
    const State s = stack_.back();
    if ((s == TOPLEVEL && key_ == "modules") || s == MODULES || s == CELLS ||
        (s == MODULE && (key_ == "cells" || key_ == "attributes")) ||
        (s == CELL && (key_ == "parameters" || key_ == "attributes")))
      ctx_.problemAt(ctx_.file(), keyPos_, path(key_),
                     std::string("expected an object, found ") + found);
    else if (s == CELL && key_ == "type")
      ctx_.problemAt(ctx_.file(), keyPos_, path(key_),
                     std::string("expected the cell type (text), found ") + found);
  }
  void badValue(const char* found) {
    ctx_.problemAt(ctx_.file(), keyPos_, path(key_),
                   std::string("expected a value (text or a number), found ") + found);
  }

  // JSON path of the place being read, with `last` as its final key.
  std::string path(const std::string& last) const {
    std::string p;
    for (size_t i = 0; i < stack_.size(); ++i) {
      switch (stack_[i]) {
        case TOPLEVEL:
          break;
        case MODULES:
          p += ".modules";
          break;
        case MODULE:
          p += hdKeySeg(modName_);
          break;
        case CELLS:
          p += ".cells";
          break;
        case CELL:
          p += hdKeySeg(cellName_);
          break;
        case MODATTRS:
        case CATTRS:
          p += ".attributes";
          break;
        case PARAMS:
          p += ".parameters";
          break;
        case NETNAMES:
          p += ".netnames";
          break;
      }
    }
    p += hdKeySeg(last);
    return p.substr(1);
  }

  void beginModule() {
    modName_ = key_;
    modPos_ = keyPos_;
    modBlack_ = false;
    modCell_ = nullptr;
    nets_ = 0;
    count_ = 0;
    names_.reset();
    if (modName_.empty())
      ctx_.problemAt(ctx_.file(), modPos_, "modules", "a module name must not be empty");
    HDSymbol* s = d_.findSymbol(modName_);
    duplicate_ = s && s->cell;
    if (duplicate_)
      ctx_.problemAt(ctx_.file(), modPos_, "modules" + hdKeySeg(modName_),
                     "module " + hdQuoted(modName_) + " is defined twice (first at " +
                         hdPosText(s->defPos) + ")");
    modules.emplace_back(modName_, modPos_);
  }
  void defineModule() {
    if (modCell_ || modBlack_ || duplicate_) return;
    modCell_ = d_.defineCell(modName_, "modules" + hdKeySeg(modName_), modPos_);
  }
  void endModule() {
    defineModule();
    if (!modCell_) return;
    HDDesignBuilder::setNets(modCell_, static_cast<int>(std::min<uint64_t>(nets_, INT32_MAX)), 0);
    for (const HDInstanceNames::Duplicate& dup : names_.duplicates(modCell_->instances()))
      ctx_.problemAt(
          ctx_.file(), dup.pos, "modules" + hdKeySeg(modName_) + ".cells",
          "cell name " + hdQuoted(dup.name) + " appears twice in module " + hdQuoted(modName_));
    names_.reset();
  }

  void beginCell() {
    cellName_ = key_;
    cellPos_ = keyPos_;
    cellType_.clear();
    hdlname_.clear();
    site_.clear();
    hasSite_ = false;
    params_.clear();
    attrs_.clear();
    cellKeys_.clear();
    paramNames_.clear();
    attrNames_.clear();
    if (cellName_.empty())
      ctx_.problemAt(ctx_.file(), cellPos_, "modules" + hdKeySeg(modName_) + ".cells",
                     "a cell name must not be empty");
  }
  // One parameter or attribute of the module or cell being read.
  void value(HATAttr v, const std::string* text) {
    const State s = stack_.back();
    if (s == MODATTRS) {
      const bool set = v.getKind() == HATAttr::BOOL ? v.getBoolVal()
                       : (v.getKind() == HATAttr::INT || v.getKind() == HATAttr::LONG)
                           ? v.getLongVal() != 0
                           : false;
      if (key_ == "top" && set) topModules.emplace_back(modName_, modPos_);
      if (key_ == "blackbox" && set) modBlack_ = true;
      return;
    }
    if (s == CATTRS && key_ == "hdlname") {
      if (text) hdlname_ = *text;
      return;
    }
    if (key_ == opts_.siteAttribute && !opts_.siteAttribute.empty()) {
      site_ = v.getKind() == HATAttr::TEXT ? v.getStringVal() : text ? *text : std::string();
      hasSite_ = true;
      return;
    }
    if (s == CATTRS && isBookkeeping(key_)) return;
    // A key met twice was refused when read.
    (s == PARAMS ? params_ : attrs_).emplace_back(key_, std::move(v));
  }
  void endCell() {
    if (modBlack_ || duplicate_) return;
    if (cellType_.empty()) {
      ctx_.problemAt(ctx_.file(), cellPos_,
                     "modules" + hdKeySeg(modName_) + ".cells" + hdKeySeg(cellName_),
                     "cell " + hdQuoted(cellName_) + " has no \"type\"");
      return;
    }
    defineModule();
    std::string name = cellName_;
    if (!hdlname_.empty()) {
      // "a b c": the cell's place in the hierarchy before flattening.
      name = hdlname_;
      std::replace(name.begin(), name.end(), ' ', '/');
    }
    // A parameter wins over an attribute of the same name.
    for (auto& a : attrs_)
      if (!paramNames_.contains(a.first)) params_.push_back(std::move(a));
    const HDSymbol* known = d_.findSymbol(cellType_);
    std::string usePath = known && known->uses ? std::string()
                                               : "modules" + hdKeySeg(modName_) + ".cells" +
                                                     hdKeySeg(cellName_) + ".type";
    HDAHInstance* inst = d_.addInstanceOf(modCell_, name, cellType_, std::move(usePath), cellPos_);
    if (hasSite_) HDDesignBuilder::setSite(modCell_, inst, site_);
    HDDesignBuilder::appendAttrs(modCell_, inst, params_);
    names_.add(name, static_cast<long>(count_++), cellPos_);
  }

  HDLoadContext& ctx_;
  HDDesignAssembly& d_;
  const HDNetlistOptions& opts_;
  CountingStream& is_;
  std::vector<State> stack_;
  int skip_ = 0;
  std::string key_, text_;
  HDJsonPos keyPos_;
  std::string modName_;
  HDJsonPos modPos_;
  bool modBlack_ = false, duplicate_ = false;
  HDAHCellview* modCell_ = nullptr;
  uint64_t nets_ = 0, count_ = 0;
  HDInstanceNames names_;
  std::string cellName_, cellType_, hdlname_, site_;
  bool hasSite_ = false;
  HDJsonPos cellPos_;
  std::vector<std::pair<std::string, HATAttr>> params_, attrs_;
  HDSeenNames cellKeys_, paramNames_, attrNames_;
};

}  // namespace

HATAttr HDYosysReader::valueOf(const std::string& text) {
  if (text.empty()) return HATAttr::makeString(text);
  const size_t n = text.size();
  const bool bits = std::all_of(text.begin(), text.end(), isBitChar);
  if (bits) {
    if (text.find_first_of("xz") != std::string::npos) return HATAttr::makeOther(text);
    const size_t first = std::min(text.find('1'), n);
    if (n - first > 63) return HATAttr::makeOther(text);  // more than a signed long holds
    int64_t v = 0;
    for (size_t i = first; i < n; ++i) v = (v << 1) | (text[i] == '1');
    if (v <= std::numeric_limits<int32_t>::max()) return HATAttr::makeInt(static_cast<int32_t>(v));
    return HATAttr::makeLong(v);
  }
  if (text[n - 1] == ' ' && std::all_of(text.begin(), text.end() - 1, isBitChar))
    return HATAttr::makeString(text.substr(0, n - 1));
  return HATAttr::makeString(text);
}

bool HDYosysReader::looksLike(std::string_view head) {
  size_t i = head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  auto space = [&]() {
    while (i < head.size() &&
           (head[i] == ' ' || head[i] == '\t' || head[i] == '\n' || head[i] == '\r'))
      ++i;
  };
  space();
  if (i >= head.size() || head[i] != '{') return false;
  ++i;
  space();
  return head.compare(i, 9, "\"modules\"") == 0 || head.compare(i, 9, "\"creator\"") == 0;
}

void HDYosysReader::read(HDInput& input) {
  const std::string& path = input.name();
  std::unique_ptr<char[]> buf(new char[1 << 16]);
  CountingStream is(input, buf.get(), 1 << 16);
  Handler h(ctx_, d_, opts_, is);
  rapidjson::Reader reader;
  const size_t before = ctx_.problemCount();
  // Iterative: no nesting can exhaust the stack. Numbers as text, converted exactly.
  // Validated: a name that is not UTF-8 would not survive as a design file's text.
  constexpr unsigned kFlags = rapidjson::kParseIterativeFlag |
                              rapidjson::kParseNumbersAsStringsFlag |
                              rapidjson::kParseValidateEncodingFlag;
  HSTJsonExact::Numbers<Handler> exact(h, false);
  const rapidjson::ParseResult ok = reader.Parse<kFlags>(is, exact);
  if (is.failed()) {
    ctx_.problemAt(path, {}, "", "cannot read the netlist: " + input.error());
    return;
  }
  if (!ok && ok.Code() != rapidjson::kParseErrorTermination) {
    ctx_.problemAt(
        path, is.pos(0), "",
        ok.Code() == rapidjson::kParseErrorStringInvalidEncoding
            ? std::string("text that is not valid UTF-8")
            : std::string("JSON syntax error: ") + rapidjson::GetParseError_En(ok.Code()));
    return;
  }
  if (!ok || ctx_.problemCount() != before) return;
  if (!h.sawModules) {
    ctx_.problemAt(path, {1, 1}, "",
                   "not a Yosys JSON netlist: no \"modules\" object at the top level");
    return;
  }

  d_.addToolGates(path);
  d_.setNetlistPart(opts_.part, path);

  d_.haveCells = true;
  d_.haveTop = true;
  d_.topPath = "modules";
  std::vector<std::string> names;
  for (const auto& m : h.modules) names.push_back(m.first);
  if (!opts_.top.empty()) {
    d_.topName = opts_.top;
    d_.topPath = "--top";
  } else if (h.topModules.size() == 1) {
    d_.topName = h.topModules[0].first;
    d_.topPos = h.topModules[0].second;
    d_.topPath = "modules" + hdKeySeg(d_.topName);
  } else if (h.topModules.empty()) {
    d_.haveTop = false;
    ctx_.problemAt(path, {}, "",
                   "no module carries the \"top\" attribute; name the top module with --top (" +
                       (names.empty() ? std::string("the netlist has no modules")
                                      : "modules: " + hdJoinNames(names, 20)) +
                       ")");
  } else {
    d_.haveTop = false;
    std::vector<std::string> tops;
    for (const auto& m : h.topModules) tops.push_back(m.first);
    ctx_.problemAt(path, h.topModules[1].second, "",
                   "several modules carry the \"top\" attribute (" + hdJoinNames(tops, 20) +
                       "); name the top module with --top");
  }
}

const HDFrontEnd kHDYosysFrontEnd = {
    "Yosys JSON netlist", true, HDYosysReader::looksLike,
    [](HDInput& input, HDLoadContext& ctx, HDDesignAssembly& design, const HDNetlistOptions& o) {
      HDYosysReader(ctx, design, o).read(input);
    }};
