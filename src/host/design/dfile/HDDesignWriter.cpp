#include "host/design/dfile/HDDesignWriter.h"

#include "host/str/HSTJson.h"

namespace {

using HSTJson::quote;

std::string value(const HATAttr& a) {
  switch (a.getKind()) {
    case HATAttr::BOOL:
      return a.getBoolVal() ? "true" : "false";
    case HATAttr::INT:
      return std::to_string(a.getIntVal());
    case HATAttr::LONG:
      return "{\"long\": " + std::to_string(a.getLongVal()) + "}";
    case HATAttr::DOUBLE:
      return "{\"double\": " + HSTJson::number(a.getDoubleVal()) + "}";
    case HATAttr::TEXT:
      return quote(a.getStringVal());
    default:
      return "{\"other\": " + quote(a.getStringVal()) + "}";
  }
}

const std::string& masterName(const HDAHInstance& inst) {
  if (inst.getPrimitive()) return inst.getPrimitive()->name;
  return inst.getCell()->getName();
}

}  // namespace

void HDDesignWriter::write(const HFLFloorplan& design, const std::string& part, std::ostream& os) {
  os << "{\n  \"seufit_design\": 1,\n  \"part\": " << quote(part)
     << ",\n  \"top\": " << quote(design.getDesignName()) << ",\n";
  // The netlist's own leaf types (gates): library cells without memory.
  bool first = true;
  for (const auto& p : design.primitives()) {
    if (p->name.empty() || p->name[0] != '$') continue;
    os << (first ? "  \"primitives\": {\n    " : ",\n    ") << quote(p->name)
       << ": {\"class\": \"other\", \"code\": " << p->code << ", \"attributes\": []}";
    first = false;
  }
  if (!first) os << "\n  },\n";
  os << "  \"cells\": {";
  first = true;
  for (const auto& c : design.cells()) {
    os << (first ? "\n    " : ",\n    ") << quote(c->getName()) << ": {";
    first = false;
    if (c->isBlackBox()) {
      os << "\"black_box\": true}";
      continue;
    }
    os << "\"nets\": " << c->netCount(HDAHTypes::CONN_ALL) << ", \"bus_nets\": " << c->busNetCount()
       << ", \"instances\": [";
    bool firstInst = true;
    for (const HDAHInstance& inst : c->instances()) {
      os << (firstInst ? "\n      " : ",\n      ") << "{\"name\": " << quote(inst.getName())
         << ", \"cell\": " << quote(masterName(inst));
      firstInst = false;
      if (!inst.getSiteName().empty()) os << ", \"site\": " << quote(inst.getSiteName());
      if (const size_t n = inst.attrCount()) {
        os << ", \"attributes\": {";
        for (size_t i = 0; i < n; ++i)
          os << (i ? ", " : "") << quote(inst.attrName(i)) << ": " << value(inst.attrValue(i));
        os << "}";
      }
      os << "}";
    }
    os << (firstInst ? "]}" : "\n    ]}");
  }
  os << "\n  }\n}\n";
}
