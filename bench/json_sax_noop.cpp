// The floor of reading a JSON file: a RapidJSON SAX parse whose handler does nothing,
// with the checks a design reader cannot skip (UTF-8 validated, numbers correctly
// rounded). bench/design_load.sh times `seufit check --load-only` against it.
#include <rapidjson/filereadstream.h>
#include <rapidjson/reader.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: json_sax_noop FILE.json\n");
    return 2;
  }
  std::FILE* f = std::fopen(argv[1], "rb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  static char buffer[64 * 1024];
  rapidjson::FileReadStream in(f, buffer, sizeof buffer);
  rapidjson::BaseReaderHandler<> noop;
  rapidjson::Reader reader;
  constexpr unsigned flags =
      rapidjson::kParseValidateEncodingFlag | rapidjson::kParseFullPrecisionFlag;
  const rapidjson::ParseResult ok = reader.Parse<flags>(in, noop);
  std::fclose(f);
  if (!ok) {
    std::fprintf(stderr, "%s: not JSON at offset %zu\n", argv[1], ok.Offset());
    return 1;
  }
  return 0;
}
