// The floor of reading an XML data file: start a process, read the file, parse it with
// expat and handlers that do nothing. bench/expat_floor.sh times `seufit report` of an
// example against it on the cutoff grid, the largest of the data files.
#include <expat.h>
#include <sys/stat.h>

#include <cstdio>
#include <vector>

namespace {
void XMLCALL onStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL onEnd(void*, const XML_Char*) {}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: expat_floor FILE.xml\n");
    return 2;
  }
  // Sized from the file and read in one go: nothing grows, and expat gets the document
  // in one final call, its cheapest way.
  std::FILE* f = std::fopen(argv[1], "rb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  struct stat st;
  std::vector<char> text(::fstat(fileno(f), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0);
  text.resize(std::fread(text.data(), 1, text.size(), f));
  std::fclose(f);
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetElementHandler(parser, onStart, onEnd);
  const bool ok =
      XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE) == XML_STATUS_OK;
  if (!ok) std::fprintf(stderr, "%s: %s\n", argv[1], XML_ErrorString(XML_GetErrorCode(parser)));
  XML_ParserFree(parser);
  return ok ? 0 : 1;
}
