// The floor of reading an XML data file: start a process, read the file, parse it with
// expat and handlers that do nothing. bench/expat_floor.sh times `seufit report` of an
// example against it on the cutoff grid, the largest of the data files.
#include <expat.h>
#include <sys/stat.h>

#include <cstdio>

namespace {
void XMLCALL onStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL onEnd(void*, const XML_Char*) {}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: expat_floor FILE.xml\n");
    return 2;
  }
  // Read in one go into expat's own buffer, sized from the file, and parsed in one final
  // call: no copy of the document and nothing grows, expat's cheapest way.
  std::FILE* f = std::fopen(argv[1], "rb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  struct stat st;
  const int size = ::fstat(fileno(f), &st) == 0 ? static_cast<int>(st.st_size) : 0;
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetElementHandler(parser, onStart, onEnd);
  void* buffer = XML_GetBuffer(parser, size > 0 ? size : 1);
  const int got =
      buffer ? static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(size), f)) : 0;
  std::fclose(f);
  const bool ok = buffer && XML_ParseBuffer(parser, got, XML_TRUE) == XML_STATUS_OK;
  if (!ok) std::fprintf(stderr, "%s: %s\n", argv[1], XML_ErrorString(XML_GetErrorCode(parser)));
  XML_ParserFree(parser);
  return ok ? 0 : 1;
}
