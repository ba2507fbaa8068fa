// Texts of the analysis library's messages (group 65), entered into the host's
// message catalogue when the library is loaded.
#include "host/msg/ComMsgMgr.h"

namespace {
struct FitTexts {
  FitTexts() {
    using ComMsgMgr::registerText;
    registerText(
        "65-44",
        "data file {1} was not found in any data directory; FIT reports cannot be written");
    registerText("65-171", "device {1} is not supported by the FIT report; no report was written");
    registerText("65-172",
                 "{2} declares {1} protected bits but holds only {5} bits ({3} wide, {4} deep); "
                 "it is counted as fully protected");
    registerText("65-35", "Block RAM and FIFO instances: {1}");
    registerText("65-45", "RAMB18 true dual port: {1}");
    registerText("65-46", "RAMB18 simple dual port: {1}");
    registerText("65-47", "RAMB36 true dual port: {1}");
    registerText("65-48", "RAMB36 simple dual port: {1}");
    registerText("65-39", "FIFO18: {1}");
    registerText("65-40", "FIFO18 in FIFO18_36 mode: {1}");
    registerText("65-41", "FIFO36: {1}");
    registerText("65-42", "FIFO36 in FIFO36_72 mode: {1}");
    registerText("65-37", "RAMB36 cascade halves: {1}");
    registerText("65-36", "Block RAM and FIFO bits exposed to upsets: {1}");
    registerText("65-43", "Family {1}");
    registerText("65-30", "  Configuration memory");
    registerText("65-29", "  Block RAM");
    registerText("65-32", "  Configuration memory, 6T cells");
    registerText("65-31", "  Configuration memory, 12T cells");
    registerText("65-50", "  YRAM");
    registerText("65-51", "  HBM");
    registerText("65-26", "    nominal rate (FIT/Mbit): {1}");
    registerText("65-25", "    lower bound (fraction of nominal): {1}");
    registerText("65-27", "    upper bound (fraction of nominal): {1}");
    registerText("65-38", "Device {1}");
    registerText("65-34", "  minimum detection time: {1}");
    registerText("65-28", "  average detection time: {1}");
    registerText("65-33", "  maximum detection time: {1}");
    registerText("65-49", "longitude {1} latitude {2}: rigidity cutoff {3} GV");
  }
} fitTexts;
}  // namespace
