#include "host/design/load/HDTypedAttributes.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "host/design/load/HDVerilogLiteral.h"
#include "host/str/HSTJson.h"

namespace {

// Digits of `base` with '_' separators; false on any other character or overflow.
bool digits(const std::string& s, size_t i, unsigned base, uint64_t& v, unsigned& bitsUsed) {
  v = 0;
  bool any = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '_' && any) continue;
    unsigned d;
    if (c >= '0' && c <= '9')
      d = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      d = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      d = static_cast<unsigned>(c - 'A' + 10);
    else
      return false;
    if (d >= base) return false;
    if (v > (std::numeric_limits<uint64_t>::max() - d) / base) return false;
    v = v * base + d;
    any = true;
  }
  bitsUsed = 0;
  for (uint64_t t = v; t; t >>= 1) ++bitsUsed;
  return any;
}

std::string shown(const HATAttr& a) {
  switch (a.getKind()) {
    case HATAttr::BOOL:
      return a.getBoolVal() ? "true" : "false";
    case HATAttr::INT:
    case HATAttr::LONG:
      return std::to_string(a.getLongVal());
    case HATAttr::DOUBLE:
      return HSTJson::number(a.getDoubleVal());
    default:
      return hdQuoted(a.getStringVal());
  }
}

const char* kindName(int kind) {
  switch (kind) {
    case HATAttr::BOOL:
      return "a boolean";
    case HATAttr::INT:
      return "a 32-bit integer";
    case HATAttr::LONG:
      return "a 64-bit integer";
    case HATAttr::DOUBLE:
      return "a number";
    default:
      return "text";
  }
}

bool upperEquals(const std::string& s, const char* word) {
  size_t i = 0;
  for (; i < s.size() && word[i]; ++i)
    if (std::toupper(static_cast<unsigned char>(s[i])) != word[i]) return false;
  return i == s.size() && !word[i];
}

}  // namespace

bool HDTypedAttributes::parseInteger(const std::string& text, int64_t& out) {
  if (text.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  uint64_t v = 0;
  unsigned used = 0;
  if (text.find('\'') != std::string::npos) return HDVerilogLiteral::parse(text, out);
  if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
    if (!digits(text, i + 2, 16, v, used)) return false;
  } else if (text.compare(i, 2, "0b") == 0 || text.compare(i, 2, "0B") == 0) {
    if (!digits(text, i + 2, 2, v, used)) return false;
  } else {
    for (size_t k = i; k < text.size(); ++k)
      if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
    if (!digits(text, i, 10, v, used)) return false;
  }
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (v > limit + (negative ? 1 : 0)) return false;
  out = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

bool HDTypedAttributes::convert(const HATAttr& in, int kind, HATAttr& out, std::string& why) {
  const int k = in.getKind();
  const bool whole = k == HATAttr::INT || k == HATAttr::LONG;
  why.clear();
  if (kind == HATAttr::TEXT) {
    if (k == HATAttr::BOOL)
      out = HATAttr::makeString(in.getBoolVal() ? "TRUE" : "FALSE");
    else if (whole)
      out = HATAttr::makeString(std::to_string(in.getLongVal()));
    else if (k == HATAttr::DOUBLE)
      out = HATAttr::makeString(HSTJson::number(in.getDoubleVal()));
    else
      out = HATAttr::makeString(in.getStringVal());
    return true;
  }
  if (kind == HATAttr::BOOL) {
    if (k == HATAttr::BOOL) {
      out = in;
      return true;
    }
    int64_t v = -1;
    if (whole) {
      v = in.getLongVal();
    } else if (k == HATAttr::TEXT) {
      const std::string& s = in.getStringVal();
      if (upperEquals(s, "TRUE"))
        v = 1;
      else if (upperEquals(s, "FALSE"))
        v = 0;
      else if (!parseInteger(s, v))
        v = -1;
    }
    if (v == 0 || v == 1) {
      out = HATAttr::makeBool(v == 1);
      return true;
    }
    why = "expected TRUE, FALSE, 1 or 0";
    return false;
  }
  if (kind == HATAttr::DOUBLE) {
    if (k == HATAttr::DOUBLE) {
      out = in;
      return true;
    }
    if (whole) {
      out = HATAttr::makeDouble(static_cast<double>(in.getLongVal()));
      return true;
    }
    if (k == HATAttr::TEXT) {
      const std::string& s = in.getStringVal();
      double d = 0;
      const char* b = s.data();
      const char* e = b + s.size();
      if (!s.empty() && *b == '+') ++b;
      const auto r = std::from_chars(b, e, d);
      if (!s.empty() && r.ec == std::errc() && r.ptr == e) {
        out = HATAttr::makeDouble(d);
        return true;
      }
    }
    why = "expected a number";
    return false;
  }
  // int or long
  int64_t v = 0;
  bool ok = false;
  if (whole) {
    v = in.getLongVal();
    ok = true;
  } else if (k == HATAttr::TEXT) {
    ok = parseInteger(in.getStringVal(), v);
  } else if (k == HATAttr::DOUBLE) {
    const double d = in.getDoubleVal();
    ok = d >= -9.2e18 && d <= 9.2e18 && std::floor(d) == d;
    if (ok) v = static_cast<int64_t>(d);
  }
  if (!ok) {
    why = "expected a whole number (decimal, 0x/0b, or a Verilog literal such as 16'h00FF)";
    return false;
  }
  if (kind == HATAttr::LONG) {
    out = HATAttr::makeLong(v);
    return true;
  }
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    why = "outside the 32-bit integer range";
    return false;
  }
  out = HATAttr::makeInt(static_cast<int32_t>(v));
  return true;
}

void HDTypedAttributes::convertDesign(HFLFloorplan& design, HDLoadContext& ctx) {
  std::string why;
  for (const auto& cell : design.cells()) {
    for (HDAHInstance& inst : HDDesignBuilder::instances(cell.get())) {
      const HDPrimitive* prim = inst.getPrimitive();
      if (!prim || prim->kinds.empty()) continue;
      const size_t n = inst.attrCount();
      for (size_t i = 0; i < n; ++i) {
        const std::string name(inst.attrName(i));
        const int kind = prim->kindOf(name);
        if (kind < 0 || inst.attrKind(i) == kind) continue;
        const HATAttr value = inst.attrValue(i);
        HATAttr out;
        if (convert(value, kind, out, why)) {
          HDDesignBuilder::setAttrAt(cell.get(), &inst, i, out);
          continue;
        }
        std::string msg = "cell " + hdQuoted(cell->getName()) + ", instance " +
                          hdQuoted(std::string(inst.getName())) + " (" + prim->name +
                          "): attribute ";
        msg += name;
        msg += " = " + shown(value) + " cannot be read as " + kindName(kind) + ": " + why;
        ctx.problemAt(ctx.designFile(), {}, "", msg);
      }
    }
  }
}
