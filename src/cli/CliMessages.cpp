// Texts of the command line's own messages (host group 1, ids 1-60..1-99).
#include "host/msg/ComMsgMgr.h"

namespace {
struct CliTexts {
  CliTexts() {
    using ComMsgMgr::registerText;
    registerText("1-60", "option {1}: expected {2}, got '{3}'");
    registerText("1-61",
                 "family '{1}' has no soft-error data in {2}; the report has no reliability "
                 "figures (add a FAMILY named '{1}' to the data file)");
    registerText("1-62", "{1}: the design cannot be analysed: {2}");
    registerText("1-64",
                 "{1}: family '{2}' has a rate or coefficient that is not a finite number in "
                 "{3}; no report was written");
    registerText("1-65", "internal error: {1}; no result was written");
    registerText("1-66", "out of memory; no result was written");
    registerText("1-67", "cannot write {1}: {2}");
    registerText("1-68",
                 "{1}: {2} is below sea level; the flux models are made for altitudes of 0 "
                 "and above, the result is extrapolated");
    registerText("1-69",
                 "the report figure {1} is not a finite number; no report was written (check "
                 "the rates and coefficients of the data files)");
    registerText("1-70", "the report figure {1} is below 0; check the data files' rates");
    registerText("1-63", "{1}; run 'seufit --help' or 'seufit COMMAND --help' for the options");
  }
} cliTexts;
}  // namespace
