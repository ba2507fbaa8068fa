// Event-driven (SAX-style) XML reader over expat. A subclass is the handler of its
// own document: it overrides the hooks and calls parse().
//
// Safety: no external entity or DTD is ever loaded; documents that declare entities,
// refer to entities defined elsewhere, or nest elements deeper than MAX_DEPTH are
// refused before any expansion happens.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace CSL {
namespace XML {

// The attributes of one start tag. It refers to the parser's own storage, so it is
// valid only during the startElem_ call that receives it.
class CAttributeList {
 public:
  explicit CAttributeList(const char* const* atts) : atts_(atts) {}

  std::size_t getLength() const;
  std::string getName(std::size_t index) const;
  std::string getValueAt(std::size_t index) const;

  // The value of the attribute `name`, or "" when the tag does not carry it.
  std::string getValue(const std::string& name) const;
  std::string getValue(const char* name) const;

  // The value of the attribute `name` without a copy, or null when absent.
  const char* find(const char* name) const;

  // Calls f(name, value) for each attribute in document order, without copies: one pass
  // for a reader that takes several (a tag never holds the same name twice).
  template <typename F>
  void forEach(F&& f) const {
    if (atts_)
      for (const char* const* a = atts_; *a; a += 2) f(a[0], a[1]);
  }

 private:
  const char* const* atts_;  // expat's list: name, value, name, value, ..., null
};

}  // namespace XML
}  // namespace CSL

class HXMLParserBase {
 public:
  // Deepest element nesting accepted; a deeper document is refused.
  static constexpr int MAX_DEPTH = 10000;

  HXMLParserBase();
  virtual ~HXMLParserBase();
  HXMLParserBase(const HXMLParserBase&) = delete;
  HXMLParserBase& operator=(const HXMLParserBase&) = delete;

  // Reads the file at `path` and raises the events below in document order. Returns
  // true when the whole document was read and is well formed.
  //
  // `reportErrors`: when true, a failure is reported as one host error message: "1-1"
  // (the file cannot be read), "1-2" (syntax error, with line and column) or "1-5"
  // (document refused for safety, with line and column). When false, nothing is
  // reported and the caller decides from the result and lastError().
  //
  // Events delivered before a failure stay delivered: a handler keeps what it read.
  bool parse(const std::string& path, bool reportErrors);

  // The same for a document in memory; `name` stands for the path in messages.
  bool parseBuffer(const char* data, std::size_t size, const std::string& name, bool reportErrors);

  // Why the last parse failed, without the file name and position ("" after success).
  const std::string& lastError() const { return lastError_; }

  // Hooks. Character data arrives whole per text run (all the text between two tags,
  // entity references and CDATA sections included); a run of nothing but spaces, tabs
  // and line ends goes to whitespace_ instead of chars_.
  virtual void startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs);
  virtual void endElem_(const std::string& name);
  virtual void chars_(const std::string& text);
  virtual void whitespace_(const std::string& text);
  // False for a reader that takes no text at all: expat then passes over it without an
  // event, and chars_ and whitespace_ are never called.
  virtual bool readsText_() const;
  // Called with the version of the XML declaration, when the document has one; a
  // false result refuses the document. Only XML 1.0 is accepted.
  virtual bool validateVersion_(const std::string& version);

  // Within a hook: the line of the event (0 outside a parse), and in startElem_ the names
  // of the attributes that the document's DTD supplied as defaults, not the element.
  long eventLine() const;
  std::vector<std::string> defaultedAttributes() const;

 private:
  struct Session;
  bool finish_(Session& s, bool reportErrors);
  Session* session_ = nullptr;

  std::string lastError_;
};
