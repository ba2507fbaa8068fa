#include "cli/CliRequest.h"

#include <climits>

#include "shared/fit/run/HAFITRun.h"

void CliRequest::addDesign(CLI::App* cmd) {
  // Required: settleDesign() says so once --by-hierarchy has given back its word.
  cmd->add_option("DESIGN", design_, "Design file (JSON) or netlist (Yosys JSON, EDIF)")
      ->type_name("DESIGN");
  addNetlistOptions(cmd);
}

void CliRequest::addNetlistOptions(CLI::App* cmd) {
  const char* group = "Netlists (Yosys JSON or EDIF)";
  netlistOptions_.push_back(
      cmd->add_option("--part", netlist_.part,
                      "Catalogue part of the netlist (required for a netlist)")
          ->type_name("NAME")
          ->group(group));
  netlistOptions_.push_back(
      cmd->add_option("--top", netlist_.top,
                      "Top module (default: the module marked top in the netlist)")
          ->type_name("MODULE")
          ->group(group));
  netlistOptions_.push_back(
      cmd->add_option("--map", netlist_.mapFile,
                      "Cell map (JSON): netlist cell types to catalogue primitives, see "
                      "docs/netlists.md")
          ->type_name("FILE")
          ->group(group));
  netlistOptions_.push_back(cmd->add_option("--site-attribute", netlist_.siteAttribute,
                                            "Cell attribute that names the placement site")
                                ->type_name("NAME")
                                ->default_str(netlist_.siteAttribute)
                                ->group(group));
}

void CliRequest::addOptions(CLI::App* cmd, const std::vector<HAFITRun::OptionInfo>& options,
                            const std::map<std::string, std::string>& help) {
  for (const HAFITRun::OptionInfo& o : options) {
    const std::string name = o.name;
    const auto h = help.find(name);
    const std::string text = h != help.end() ? h->second : o.help;
    Text& t = texts_[name];
    order_.push_back(name);
    if (!*o.type) {
      t.option = cmd->add_flag("--" + name, text);
    } else if (name == "output") {
      // As every command that writes a file; --file was its name before.
      t.option = cmd->add_option("-o,--output,--file", t.value, text)->type_name(o.type);
    } else if (name == "by-hierarchy") {
      // The value is optional; a following design path is left to the DESIGN argument.
      t.option = cmd->add_option("--by-hierarchy", t.value, text)
                     ->expected(0, 1)
                     ->default_str(o.defaultText)
                     ->type_name(o.type);
    } else {
      t.option = cmd->add_option("--" + name, t.value, text)->type_name(o.type);
      if (*o.defaultText) t.option->default_str(o.defaultText);
    }
  }
}

void CliRequest::settleDesign() {
  const auto it = texts_.find("by-hierarchy");
  if (design_.empty() && it != texts_.end() && it->second.option->count() > 0 &&
      !it->second.value.empty() &&
      !HAFITRun::Numbers::parseInteger(it->second.value, LLONG_MIN, LLONG_MAX)) {
    design_ = it->second.value;
    texts_["by-hierarchy"].value.clear();
  }
  if (design_.empty()) throw CLI::RequiredError("DESIGN");
}

bool CliRequest::given(const std::string& name) const {
  const auto it = texts_.find(name);
  return it != texts_.end() && it->second.option->count() > 0;
}

bool CliRequest::fill(HAFITRun::Request& r) const {
  r.design = design_;
  r.netlist = netlist_;
  r.netlistGiven = false;
  for (const CLI::Option* o : netlistOptions_)
    if (o->count() > 0) r.netlistGiven = true;
  bool ok = true;
  for (const std::string& name : order_) {
    const Text& t = texts_.at(name);
    if (t.option->count() == 0) continue;
    ok = r.set(name, t.value) && ok;
  }
  return r.settle() && ok;
}

CLI::Option* addTextOption(CLI::App* cmd, const std::string& name, std::string& value,
                           const std::string& help, const std::string& typeName) {
  return cmd->add_option(name, value, help)->type_name(typeName)->default_str(value);
}

void requireSubcommand(CLI::App* cmd, const std::string& noun) {
  // Set after the subcommands, which must not take stray words.
  cmd->allow_extras();
  cmd->callback([cmd, noun]() {
    if (!cmd->get_subcommands().empty()) return;
    const std::string name = cmd->get_name();
    std::vector<std::string> names;
    for (const CLI::App* s : cmd->get_subcommands([](const CLI::App*) { return true; }))
      names.push_back(s->get_name());
    // Words after an option are its values, not the subcommand.
    const std::vector<std::string> rest = cmd->remaining();
    if (!rest.empty() && (rest.front().empty() || rest.front()[0] != '-'))
      throw CliUsageError(unknownName(name + " " + noun, rest.front(), names));
    std::string list;
    for (const std::string& n : names) list += " " + n;
    throw CliUsageError(name + " needs a " + noun + "; expected one of" + list);
  });
}

void addCommonOptions(CLI::App* cmd, CliContext& ctx) {
  cmd->add_option("--data-dir", ctx.dataDirs,
                  "Search this data directory before the built-in data (repeatable, searched "
                  "in order, file by file)")
      ->type_name("DIR");
  cmd->add_flag("--no-builtin-data", ctx.noBuiltinData,
                "Search only the data directories given (--data-dir or SEUFIT_DATA_PATH)");
  ctx.messageOptions.push_back(
      cmd->add_option("--messages", ctx.messages, "How diagnostics are written to standard error")
          ->check(CLI::IsMember({"text", "json"}))
          ->default_str("text"));
}

void addStrictOption(CLI::App* cmd, CliContext& ctx) {
  cmd->add_flag("--strict", ctx.strict,
                "Exit 4 when a warning was raised (the result is still written)");
}

bool isFormerName(const std::string& name) { return name == "--file"; }

namespace {
class Formatter : public CLI::Formatter {
 public:
  std::string make_option_name(const CLI::Option* o, bool positional) const override {
    if (positional) return CLI::Formatter::make_option_name(o, positional);
    std::string names;
    for (const std::string& s : o->get_snames()) names += (names.empty() ? "-" : ",-") + s;
    for (const std::string& l : o->get_lnames())
      if (!isFormerName("--" + l)) names += (names.empty() ? "--" : ",--") + l;
    return names;
  }
};
}  // namespace

std::shared_ptr<CLI::FormatterBase> makeFormatter() { return std::make_shared<Formatter>(); }

std::vector<std::pair<std::string, std::string>> optionItems(const CLI::App* cmd) {
  std::vector<std::pair<std::string, std::string>> items;
  for (const CLI::Option* o : cmd->get_options()) {
    const std::string name = o->get_name();
    if (name == "--help") continue;
    std::string value;
    if (o->get_expected_min() == 0 && (o->get_expected_max() == 0 || o->count() == 0)) {
      value = o->count() > 0 ? "on" : "off";  // flags, and options with an optional value
    } else if (o->count() > 0) {
      for (const std::string& r : o->results()) value += (value.empty() ? "" : " ") + r;
      if (value.empty()) value = o->get_default_str();  // given without its optional value
    } else {
      value = o->get_default_str();
    }
    items.emplace_back("Option " + name, value);
  }
  return items;
}

int exitStatus(HAFITRun::Status status) { return static_cast<int>(status); }
