// Renderers of a report document: plain text for people, XML for programs.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "host/report/HCRRptDoc.h"

class HCRRptWriter {
 public:
  using HeaderItems = std::vector<std::pair<std::string, std::string>>;

  // The writer shares the document's content, so it stays usable if the document goes
  // first; content added to the document before rendering is rendered.
  explicit HCRRptWriter(HCRRptDoc& doc);
  virtual ~HCRRptWriter();
  HCRRptWriter(const HCRRptWriter&) = delete;
  HCRRptWriter& operator=(const HCRRptWriter&) = delete;

  // Appends (label, value) pairs to the header, after those of earlier calls.
  void addExtraHeaderItems(std::vector<std::pair<std::string, std::string>>& items);

  // Writes the whole document. Rendering twice gives the same output.
  virtual void renderReport(std::ostream& os) = 0;

  // The header as rendered: the document's non-empty properties, then the extra items.
  HeaderItems headerItems() const;

  // Appends (label, value) pairs that record how the report was made. Text shows them
  // after the header items; XML and JSON in an element of their own. None: no element.
  void addProvenanceItems(const HeaderItems& items);
  const HeaderItems& provenanceItems() const { return provenance_; }

 protected:
  const HCRRptModel::Document& document() const { return *doc_; }

 private:
  std::shared_ptr<const HCRRptModel::Document> doc_;
  HeaderItems extra_;
  HeaderItems provenance_;
};

// Plain text. Control characters and invalid UTF-8 in any text show as U+FFFD so that
// they cannot break the layout; column widths count code points.
class HCRRptTextWriter : public HCRRptWriter {
 public:
  // showHeader: print the title block (title, when the document shows it, and the
  // header items). numberSections: prefix section titles with "1. ", "2. ", ...
  // indent: spaces before every line of a table (at most 256). width: the minimum
  // length of the rules under the title and the section titles (at most 1024); 0 makes
  // them as long as the title. Tables are never wrapped: they are as wide as their data.
  HCRRptTextWriter(HCRRptDoc& doc, bool showHeader, bool numberSections, unsigned int indent,
                   unsigned int width);
  void renderReport(std::ostream& os) override;

 private:
  bool showHeader_;
  bool numberSections_;
  unsigned int indent_;
  unsigned int width_;
};

// XML 1.0 in UTF-8: <report title>, <header> of <item label>, then <section title>,
// <table>, <row>, with <heading>, <text> and <number precision value> cells. A table
// with a title carries it as a title attribute. Text is escaped; tab, line feed and
// carriage return are written as character references; other control characters,
// U+FFFE, U+FFFF and invalid UTF-8 become U+FFFD.
class HCRRptXmlWriter : public HCRRptWriter {
 public:
  explicit HCRRptXmlWriter(HCRRptDoc& doc);
  void renderReport(std::ostream& os) override;
};

// JSON (RFC 8259, UTF-8), one object:
//   {"title", "header": [{"label", "value"}], "provenance": [...] (only when given),
//    "sections": [{"title", "tables": [{"title", "rows": [{"cells": [CELL...]}]}]}]}
// CELL: {"kind": "heading"|"text", "text"} or {"kind": "number", "text", "precision",
// "value"}: "text" as displayed, "value" the exact double in shortest round-trip form,
// null when it is not finite. Invalid UTF-8 becomes U+FFFD.
class HCRRptJsonWriter : public HCRRptWriter {
 public:
  explicit HCRRptJsonWriter(HCRRptDoc& doc);
  void renderReport(std::ostream& os) override;
  // A member of the caller's own after "provenance" (or "header"): `key` with `json`, a
  // complete JSON value written as given.
  void addMember(const std::string& key, const std::string& json);

 private:
  std::vector<std::pair<std::string, std::string>> members_;
};

// One self-contained HTML5 page (UTF-8) for people: inline CSS and nothing else (no
// script, no request for any other file: a content security policy forbids them), the
// header items as a list, each section with its tables, column headings and row labels as
// <th scope>, numbers as the text writer shows them with the exact value in data-value,
// print styles (a page per section, rows never split), the provenance last. The same
// document gives the same bytes.
class HCRRptHtmlWriter : public HCRRptWriter {
 public:
  // fragment: one <div> with its own scoped style, to be embedded in another page.
  explicit HCRRptHtmlWriter(HCRRptDoc& doc, bool fragment = false);
  void renderReport(std::ostream& os) override;
  // HTML of the caller's own (a figure, a note), trusted as written, at the end of the
  // section titled `section`; after the last section when no section has that title.
  void addBlock(const std::string& section, const std::string& html);

 private:
  bool fragment_;
  std::vector<std::pair<std::string, std::string>> blocks_;
};
