// The report document: a title, sections, and in each section tables of rows of cells.
//
// HCRRptDoc is a value: copying it copies the whole content. The section, table and row
// handles it hands out are small values that share ownership of the content they were
// made from, so they stay valid however the document is moved, returned or destroyed.
// Handles made from a document keep referring to that document's content, not to later
// copies of it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "host/report/HCRRptTypes.h"

// The document's content, read-only to everyone but the document and its handles.
namespace HCRRptModel {

struct Cell {
  enum Kind { HEADING, TEXT, NUMBER };
  Kind kind = TEXT;
  std::string text;    // HEADING and TEXT
  double value = 0.0;  // NUMBER
  int precision = 0;   // NUMBER: decimals shown, 0 to HCRRptTypes::MAX_PRECISION
  HCRRptTypes::HALIGN align = HCRRptTypes::HALIGN_AUTO;
  int minWidth = -1;  // HEADING: the column is at least this wide; -1 or 0: as the content
  std::string tag;    // the caller's label for the cell; never rendered

  // What a reader sees: the text, or the number at its precision.
  std::string display() const;
};

struct Row {
  bool ruleBefore = false;  // the text writer draws a rule above the row
  std::string tag;          // never rendered
  bool ruleAfter = false;   // the text writer draws a rule below the row
  std::vector<Cell> cells;
  // True when the row has cells and all of them are headings.
  bool isHeadingRow() const;
};

struct Table {
  std::string title;  // shown above the table when not empty
  HCRRptTypes::TABLE_STYLE style = HCRRptTypes::TABLE_STYLE_PLAIN;
  std::string tag;  // never rendered
  std::vector<Row> rows;
};

struct Section {
  std::string title;
  std::string tag;  // never rendered
  std::vector<Table> tables;
};

struct Document {
  std::string title;
  bool showTitle = true;  // the text writer prints the title line
  // Optional properties; the writers put each non-empty one into the header, before the
  // writer's extra items, labelled "Subtitle", "Author", "Program", "Version", "Date".
  std::string subtitle, author, program, version, date;
  std::vector<Section> sections;
};

}  // namespace HCRRptModel

class HCRRptTableRow {
 public:
  // A detached handle; creating cells on it throws std::logic_error.
  HCRRptTableRow() = default;

  // Appends a column heading. minWidth > 0 makes the column at least that wide.
  void createTableHeader(const std::string& text, HCRRptTypes::HALIGN align, int minWidth,
                         const std::string& tag);
  // Appends a number cell shown with `precision` decimals (clamped to 0..MAX_PRECISION).
  void createTableCell(double value, int precision, HCRRptTypes::HALIGN align,
                       const std::string& tag);
  // Appends a text cell.
  void createTableCell(const std::string& text, HCRRptTypes::HALIGN align, const std::string& tag);

  const HCRRptModel::Row& row() const;

 private:
  friend class HCRRptTable;
  HCRRptTableRow(std::shared_ptr<HCRRptModel::Document> doc, size_t section, size_t table,
                 size_t row);
  HCRRptModel::Row& target();

  std::shared_ptr<HCRRptModel::Document> doc_;
  size_t section_ = 0, table_ = 0, row_ = 0;
};

class HCRRptTable {
 public:
  HCRRptTable() = default;

  // Appends an empty row; rules before/after it are drawn by the text writer.
  HCRRptTableRow createTableRow(bool ruleBefore, const std::string& tag, bool ruleAfter);

  const HCRRptModel::Table& table() const;

 private:
  friend class HCRRptSection;
  HCRRptTable(std::shared_ptr<HCRRptModel::Document> doc, size_t section, size_t table);
  HCRRptModel::Table& target();

  std::shared_ptr<HCRRptModel::Document> doc_;
  size_t section_ = 0, table_ = 0;
};

class HCRRptSection {
 public:
  HCRRptSection() = default;

  // Appends a table; `title` is shown above it when not empty.
  HCRRptTable createTable(const std::string& title, HCRRptTypes::TABLE_STYLE style,
                          const std::string& tag);

  const HCRRptModel::Section& section() const;

 private:
  friend class HCRRptDoc;
  HCRRptSection(std::shared_ptr<HCRRptModel::Document> doc, size_t section);
  HCRRptModel::Section& target();

  std::shared_ptr<HCRRptModel::Document> doc_;
  size_t section_ = 0;
};

class HCRRptDoc {
 public:
  // An untitled, empty document.
  HCRRptDoc();
  HCRRptDoc(const HCRRptDoc& other);
  HCRRptDoc& operator=(const HCRRptDoc& other);
  // A moved-from document is empty and untitled.
  HCRRptDoc(HCRRptDoc&& other) noexcept;
  HCRRptDoc& operator=(HCRRptDoc&& other) noexcept;
  ~HCRRptDoc();

  // An empty document. showTitle: the text writer prints the title line. The five
  // optional properties become header items when not empty (see HCRRptModel::Document).
  static HCRRptDoc createDoc(const std::string& title, bool showTitle, const std::string& subtitle,
                             const std::string& author, const std::string& program,
                             const std::string& version, const std::string& date);

  // Appends a section.
  HCRRptSection createSection(const std::string& title, const std::string& tag);

  const HCRRptModel::Document& model() const;
  const std::string& title() const { return model().title; }
  const std::vector<HCRRptModel::Section>& sections() const { return model().sections; }

 private:
  friend class HCRRptWriter;
  std::shared_ptr<HCRRptModel::Document> doc_;
};
