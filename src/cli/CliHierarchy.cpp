#include "cli/CliHierarchy.h"

#include <climits>

#include "cli/CliOptions.h"
#include "shared/fit/base/HAFITHierarchy.h"

namespace {
// The deepest hierarchy a design file may have.
constexpr long long kMaxDepth = 4096;
}  // namespace

void addHierarchyOptions(CLI::App* cmd, HierarchyText& text, bool contributors) {
  // The value is optional; a following design path is left to the DESIGN argument.
  text.byHierarchy =
      cmd->add_option("--by-hierarchy", text.depth,
                      "Break the memory down by hierarchical instance, down to DEPTH levels "
                      "(default " +
                          std::to_string(kDefaultHierarchyDepth) + ", 1 to 4096)")
          ->expected(0, 1)
          ->default_str(std::to_string(kDefaultHierarchyDepth))
          ->type_name("[DEPTH]");
  if (contributors)
    text.topContributors =
        cmd->add_option("--top-contributors", text.contributors,
                        "List the N leaf memories that contribute most FIT "
                        "(1 to " +
                            std::to_string(HAFITHierarchy::kMaxContributors) + ")")
            ->type_name("N");
}

void settleDesignArgument(HierarchyText& text, std::string& design) {
  if (design.empty() && text.byHierarchy && text.byHierarchy->count() > 0 && !text.depth.empty() &&
      !CliNumbers::parseInteger(text.depth, LLONG_MIN, LLONG_MAX)) {
    design = text.depth;
    text.depth.clear();
  }
  if (design.empty()) throw CLI::RequiredError("DESIGN");
}

bool parseHierarchy(const HierarchyText& text, int& depth, size_t& contributors) {
  bool ok = true;
  depth = -1;
  contributors = 0;
  if (text.byHierarchy && text.byHierarchy->count() > 0) {
    if (text.byHierarchy->results().empty() || text.depth.empty()) {
      depth = kDefaultHierarchyDepth;
    } else if (const auto d = CliNumbers::parseInteger(text.depth, 1, kMaxDepth)) {
      depth = static_cast<int>(*d);
    } else {
      usageError("--by-hierarchy", "a depth, a whole number from 1 to 4096", text.depth);
      ok = false;
    }
  }
  if (text.topContributors && text.topContributors->count() > 0) {
    const auto n = CliNumbers::parseInteger(
        text.contributors, 1, static_cast<long long>(HAFITHierarchy::kMaxContributors));
    if (n) {
      contributors = static_cast<size_t>(*n);
    } else {
      usageError("--top-contributors",
                 "a whole number from 1 to " + std::to_string(HAFITHierarchy::kMaxContributors),
                 text.contributors);
      ok = false;
    }
  }
  return ok;
}
