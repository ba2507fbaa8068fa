// Parts and primitive catalogues read through a design that names a catalogue part. The
// input's first byte picks the file it becomes ('L': primitives.json, else parts.json) in a
// scratch data directory; the other catalogue is a fixed one that fits. A loaded design is
// walked, so that primitives with contents (a two-stack HBM) are followed.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "host/design/HDLoad.h"
#include "shared/fit/base/HAFITFloorplan.h"

namespace {

const char* const kParts =
    "{\"seufit_parts\": 1, \"parts\": [{\"name\": \"P\", \"device\": \"d\", \"arch_id\": "
    "\"zerith9\", \"arch_type\": 21, \"config_bits\": 1000, \"library\": \"zerith9\"}]}";
const char* const kDesign =
    "{\"seufit_design\": 1, \"part\": \"P\", \"top\": \"t\", \"cells\": {\"t\": {\"instances\": ["
    "{\"name\": \"r\", \"cell\": \"RAMB36\", \"attributes\": {\"RAM_MODE\": \"SDP\", "
    "\"READ_WIDTH_A\": 72}}, {\"name\": \"f\", \"cell\": \"FIFO36\"}, "
    "{\"name\": \"h\", \"cell\": \"HBM_TWO_STACK\"}, {\"name\": \"y\", \"cell\": \"YRAM\"}]}}}";

struct Scratch {
  std::string dir, primitives;
  Scratch() {
    fuzz::sink();
    dir = "/tmp/seufit-fuzz-catalogue-" + std::to_string(::getpid());
    ::mkdir(dir.c_str(), 0755);
    std::ifstream in(std::string(SEUFIT_FUZZ_DATA_DIR) + "/primitives.json", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    primitives = ss.str();
    HUTEnv::setDataDirs(std::vector<std::string>{dir});
  }
  void write(const char* name, const uint8_t* data, size_t size) const {
    std::FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    FUZZ_CHECK(f);
    FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
  }
  void write(const char* name, const std::string& text) const {
    write(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Scratch scratch;
  if (size == 0) return 0;
  if (data[0] == 'L') {
    scratch.write("parts.json", kParts);
    scratch.write("primitives.json", data + 1, size - 1);
  } else {
    scratch.write("parts.json", data + 1, size - 1);
    scratch.write("primitives.json", scratch.primitives);
  }
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design = HDLoad::loadText(kDesign, "fuzz.json", {}, problems);
  FUZZ_CHECK(design || !problems.empty());
  FUZZ_CHECK(problems.size() <= HDLoadLimits::kMaxProblems + 1);
  for (const HDLoadProblem& p : problems) FUZZ_CHECK(!p.file.empty() && !p.message.empty());
  HDLoad::report(problems);
  if (!design) return 0;
  std::unique_ptr<HAFITFloorplan> fp(HAFITFloorplan::create(design.get()));
  if (fp) {
    try {
      fp->traverseCellview(design->getNetlist()->getTopCellview());
    } catch (const std::exception&) {
    }
  }
  return 0;
}
