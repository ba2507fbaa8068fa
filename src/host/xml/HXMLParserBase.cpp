#include "host/xml/HXMLParserBase.h"

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>

#include "host/mem/HUTBigMemory.h"
#include "host/msg/ComMsgMgr.h"

// ---------------------------------------------------------------------------
// CSL::XML::CAttributeList

namespace CSL {
namespace XML {

std::size_t CAttributeList::getLength() const {
  std::size_t n = 0;
  if (atts_)
    while (atts_[2 * n]) ++n;
  return n;
}

std::string CAttributeList::getName(std::size_t index) const {
  return index < getLength() ? std::string(atts_[2 * index]) : std::string();
}

std::string CAttributeList::getValueAt(std::size_t index) const {
  return index < getLength() ? std::string(atts_[2 * index + 1]) : std::string();
}

const char* CAttributeList::find(const char* name) const {
  if (!atts_ || !name) return nullptr;
  for (const char* const* a = atts_; *a; a += 2)
    if (std::strcmp(*a, name) == 0) return a[1];
  return nullptr;
}

std::string CAttributeList::getValue(const char* name) const {
  const char* v = find(name);
  return v ? std::string(v) : std::string();
}

std::string CAttributeList::getValue(const std::string& name) const {
  return getValue(name.c_str());
}

}  // namespace XML
}  // namespace CSL

// ---------------------------------------------------------------------------
// HXMLParserBase

namespace {
constexpr std::size_t FIRST_CHUNK = std::size_t{64} * 1024;
constexpr std::size_t MAX_FEED = 1 << 30;  // expat takes an int length
// Files below this size are read whole; larger ones in growing chunks.
constexpr unsigned long long WHOLE_FILE = 64ull << 20;

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// expat's memory: its buffer holds a whole data file of megabytes, which huge pages fill
// with a few faults instead of one per 4 KiB. Each block is preceded by its size.
constexpr std::size_t kHead = 16;  // keeps expat's blocks aligned as malloc's are
void* xmlMalloc(std::size_t n) {
  if (n > SIZE_MAX - kHead) return nullptr;
  try {
    char* p = static_cast<char*>(HUTBigMemory::allocate(n + kHead));
    std::memcpy(p, &n, sizeof n);
    return p + kHead;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void xmlFree(void* p) {
  if (!p) return;
  char* block = static_cast<char*>(p) - kHead;
  std::size_t n;
  std::memcpy(&n, block, sizeof n);
  HUTBigMemory::release(block, n + kHead);
}
void* xmlRealloc(void* p, std::size_t n) {
  if (!p) return xmlMalloc(n);
  std::size_t old;
  std::memcpy(&old, static_cast<char*>(p) - kHead, sizeof old);
  void* q = xmlMalloc(n);
  if (!q) return nullptr;  // p stays, as realloc leaves it
  std::memcpy(q, p, std::min(old, n));
  xmlFree(p);
  return q;
}
const XML_Memory_Handling_Suite kXmlMemory = {xmlMalloc, xmlRealloc, xmlFree};
}  // namespace

// The state of one parse: the expat parser and the text run being collected.
struct HXMLParserBase::Session {
  Session(HXMLParserBase& o, const std::string& n) : owner(o), name(n) {
    parser = XML_ParserCreate_MM(nullptr, &kXmlMemory, nullptr);
    if (!parser) throw std::bad_alloc();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, &Session::onStart, &Session::onEnd);
    if (o.readsText_()) XML_SetCharacterDataHandler(parser, &Session::onChars);
    XML_SetXmlDeclHandler(parser, &Session::onXmlDecl);
    XML_SetEntityDeclHandler(parser, &Session::onEntityDecl);
    XML_SetSkippedEntityHandler(parser, &Session::onSkippedEntity);
    // Never read a DTD from elsewhere; no external entity handler is installed either.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    o.session_ = this;
  }
  ~Session() {
    owner.session_ = nullptr;
    XML_ParserFree(parser);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Stops the parse for a reason of our own, remembering where it happened.
  void refuse(const std::string& why) {
    if (stopped) return;
    stopped = true;
    refusal = why;
    refusalLine = static_cast<long>(XML_GetCurrentLineNumber(parser));
    refusalColumn = static_cast<long>(XML_GetCurrentColumnNumber(parser)) + 1;
    XML_StopParser(parser, XML_FALSE);
  }

  void flushText() {
    if (text.empty()) return;
    bool blank = true;
    for (char c : text)
      if (!isXmlSpace(c)) {
        blank = false;
        break;
      }
    if (blank)
      owner.whitespace_(text);
    else
      owner.chars_(text);
    text.clear();
  }

  // Exceptions must not unwind through expat's C frames: keep the first, stop, rethrow later.
  template <typename F>
  static void guarded(void* ud, F&& f) {
    Session* s = static_cast<Session*>(ud);
    if (s->stopped) return;
    try {
      f(*s);
    } catch (...) {
      s->error = std::current_exception();
      s->stopped = true;
      XML_StopParser(s->parser, XML_FALSE);
    }
  }

  static void XMLCALL onStart(void* ud, const XML_Char* el, const XML_Char** atts) {
    guarded(ud, [&](Session& s) {
      if (++s.depth > MAX_DEPTH) {
        s.refuse("elements are nested deeper than " + std::to_string(MAX_DEPTH) + " levels");
        return;
      }
      s.flushText();
      s.elementName.assign(el);
      s.atts = atts;
      s.owner.startElem_(s.elementName, CSL::XML::CAttributeList(atts));
      s.atts = nullptr;
    });
  }

  static void XMLCALL onEnd(void* ud, const XML_Char* el) {
    guarded(ud, [&](Session& s) {
      --s.depth;
      s.flushText();
      s.elementName.assign(el);
      s.owner.endElem_(s.elementName);
    });
  }

  static void XMLCALL onChars(void* ud, const XML_Char* data, int len) {
    guarded(ud, [&](Session& s) { s.text.append(data, static_cast<std::size_t>(len)); });
  }

  static void XMLCALL onXmlDecl(void* ud, const XML_Char* version, const XML_Char*, int) {
    if (!version) return;  // a text declaration of an external entity; never read
    guarded(ud, [&](Session& s) {
      if (!s.owner.validateVersion_(version))
        s.refuse(std::string("XML version ") + version + " is not supported");
    });
  }

  static void XMLCALL onEntityDecl(void* ud, const XML_Char* entityName, int, const XML_Char*, int,
                                   const XML_Char*, const XML_Char*, const XML_Char*,
                                   const XML_Char*) {
    guarded(ud, [&](Session& s) {
      s.refuse(std::string("the document declares the entity '") + entityName +
               "'; entity declarations are not accepted");
    });
  }

  static void XMLCALL onSkippedEntity(void* ud, const XML_Char* entityName, int) {
    guarded(ud, [&](Session& s) {
      s.refuse(std::string("the entity '") + entityName +
               "' is defined outside the document, which is never read");
    });
  }

  HXMLParserBase& owner;
  const std::string& name;
  XML_Parser parser = nullptr;
  const XML_Char** atts = nullptr;  // the element's attributes during startElem_
  int depth = 0;
  bool stopped = false;
  std::string text;
  std::string elementName;
  std::string refusal;
  long refusalLine = 0;
  long refusalColumn = 0;
  std::exception_ptr error;
  std::string readError;  // set when the file itself could not be read
};

HXMLParserBase::HXMLParserBase() = default;
HXMLParserBase::~HXMLParserBase() = default;

void HXMLParserBase::startElem_(const std::string&, const CSL::XML::CAttributeList&) {}
void HXMLParserBase::endElem_(const std::string&) {}
void HXMLParserBase::chars_(const std::string&) {}
void HXMLParserBase::whitespace_(const std::string&) {}
bool HXMLParserBase::validateVersion_(const std::string& version) { return version == "1.0"; }
bool HXMLParserBase::readsText_() const { return true; }

long HXMLParserBase::eventLine() const {
  return session_ ? static_cast<long>(XML_GetCurrentLineNumber(session_->parser)) : 0;
}

std::vector<std::string> HXMLParserBase::defaultedAttributes() const {
  std::vector<std::string> names;
  if (!session_ || !session_->atts) return names;
  // Expat lists the element's own attributes first, then the DTD's defaults.
  const int specified = XML_GetSpecifiedAttributeCount(session_->parser);
  for (int i = 0; session_->atts[i]; i += 2)
    if (i >= specified) names.emplace_back(session_->atts[i]);
  return names;
}

bool HXMLParserBase::parse(const std::string& path, bool reportErrors) {
  lastError_.clear();
  Session s(*this, path);

  int fd;
  do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    s.readError = std::strerror(errno);
    return finish_(s, reportErrors);
  }
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};

  // Read straight into expat's buffer, a regular file of moderate size in one piece: a
  // document fed whole is parsed in one final call, which spares expat a second pass
  // over every chunk to count lines and columns. A token longer than a chunk (a huge
  // attribute) is rescanned from its start with every chunk, so the chunk grows with the
  // unparsed tail to keep that linear.
  std::size_t chunk = FIRST_CHUNK;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
      static_cast<unsigned long long>(st.st_size) < WHOLE_FILE)
    chunk = std::max(chunk, static_cast<std::size_t>(st.st_size) + 1);
  long long fed = 0;
  for (;;) {
    char* buf = static_cast<char*>(XML_GetBuffer(s.parser, static_cast<int>(chunk)));
    if (!buf) throw std::bad_alloc();
    // Fill the chunk, so that the end of the file arrives with the data before it.
    std::size_t got = 0;
    bool last = false;
    while (got < chunk) {
      ssize_t n;
      do n = ::read(fd, buf + got, chunk - got);
      while (n < 0 && errno == EINTR);
      if (n < 0) {
        s.readError = std::strerror(errno);
        return finish_(s, reportErrors);
      }
      if (n == 0) {
        last = true;
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    if (XML_ParseBuffer(s.parser, static_cast<int>(got), last) != XML_STATUS_OK || s.stopped)
      return finish_(s, reportErrors);
    if (last) break;
    fed += static_cast<long long>(got);
    const long long pending = fed - static_cast<long long>(XML_GetCurrentByteIndex(s.parser));
    if (pending > static_cast<long long>(chunk / 2) && chunk < MAX_FEED / 2) chunk *= 2;
  }
  return finish_(s, reportErrors);
}

bool HXMLParserBase::parseBuffer(const char* data, std::size_t size, const std::string& name,
                                 bool reportErrors) {
  lastError_.clear();
  Session s(*this, name);
  do {
    const std::size_t n = size < MAX_FEED ? size : MAX_FEED;
    if (XML_Parse(s.parser, data, static_cast<int>(n), n == size) != XML_STATUS_OK || s.stopped)
      break;
    data += n;
    size -= n;
  } while (size > 0);
  return finish_(s, reportErrors);
}

bool HXMLParserBase::finish_(Session& s, bool reportErrors) {
  if (s.error) std::rethrow_exception(s.error);
  if (!s.readError.empty()) {
    lastError_ = s.readError;
    if (reportErrors) ComMsgMgr::hostError("@1-1@%s%s", s.name, s.readError);
    return false;
  }
  if (!s.refusal.empty()) {
    lastError_ = s.refusal;
    if (reportErrors)
      ComMsgMgr::hostError("@1-5@%s%d%d%s", s.name, s.refusalLine, s.refusalColumn, s.refusal);
    return false;
  }
  const XML_Error code = XML_GetErrorCode(s.parser);
  if (code == XML_ERROR_NONE) return true;
  if (code == XML_ERROR_NO_MEMORY) throw std::bad_alloc();
  lastError_ = XML_ErrorString(code);
  const long line = static_cast<long>(XML_GetCurrentLineNumber(s.parser));
  const long column = static_cast<long>(XML_GetCurrentColumnNumber(s.parser)) + 1;
  if (reportErrors) {
    if (code == XML_ERROR_AMPLIFICATION_LIMIT_BREACH)
      ComMsgMgr::hostError("@1-5@%s%d%d%s", s.name, line, column, lastError_);
    else
      ComMsgMgr::hostError("@1-2@%s%d%d%s", s.name, line, column, lastError_);
  }
  return false;
}
