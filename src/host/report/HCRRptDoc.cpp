#include "host/report/HCRRptDoc.h"

#include <stdexcept>
#include <utility>

namespace {
const HCRRptModel::Document& emptyDocument() {
  static const HCRRptModel::Document empty;
  return empty;
}

void requireAttached(const std::shared_ptr<HCRRptModel::Document>& doc) {
  if (!doc) throw std::logic_error("report handle is not attached to a document");
}
}  // namespace

// ---- model --------------------------------------------------------------------------

std::string HCRRptModel::Cell::display() const {
  return kind == NUMBER ? HCRRptTypes::formatNumber(value, precision) : text;
}

bool HCRRptModel::Row::isHeadingRow() const {
  if (cells.empty()) return false;
  for (const Cell& c : cells)
    if (c.kind != Cell::HEADING) return false;
  return true;
}

// ---- row ----------------------------------------------------------------------------

HCRRptTableRow::HCRRptTableRow(std::shared_ptr<HCRRptModel::Document> doc, size_t section,
                               size_t table, size_t row)
    : doc_(std::move(doc)), section_(section), table_(table), row_(row) {}

HCRRptModel::Row& HCRRptTableRow::target() {
  requireAttached(doc_);
  return doc_->sections[section_].tables[table_].rows[row_];
}

const HCRRptModel::Row& HCRRptTableRow::row() const {
  requireAttached(doc_);
  return doc_->sections[section_].tables[table_].rows[row_];
}

namespace {
// A row's cells in one allocation: reports' rows hold up to eight, and a condition of a
// sweep makes a whole summary table.
void push(std::vector<HCRRptModel::Cell>& cells, HCRRptModel::Cell&& c) {
  if (cells.capacity() == 0) cells.reserve(8);
  cells.push_back(std::move(c));
}
}  // namespace

void HCRRptTableRow::createTableHeader(const std::string& text, HCRRptTypes::HALIGN align,
                                       int minWidth, const std::string& tag) {
  HCRRptModel::Cell c;
  c.kind = HCRRptModel::Cell::HEADING;
  c.text = text;
  c.align = align;
  c.minWidth = minWidth;
  c.tag = tag;
  push(target().cells, std::move(c));
}

void HCRRptTableRow::createTableCell(double value, int precision, HCRRptTypes::HALIGN align,
                                     const std::string& tag) {
  HCRRptModel::Cell c;
  c.kind = HCRRptModel::Cell::NUMBER;
  c.value = value;
  c.precision = HCRRptTypes::clampPrecision(precision);
  c.align = align;
  c.tag = tag;
  push(target().cells, std::move(c));
}

void HCRRptTableRow::createTableCell(const std::string& text, HCRRptTypes::HALIGN align,
                                     const std::string& tag) {
  HCRRptModel::Cell c;
  c.kind = HCRRptModel::Cell::TEXT;
  c.text = text;
  c.align = align;
  c.tag = tag;
  push(target().cells, std::move(c));
}

// ---- table --------------------------------------------------------------------------

HCRRptTable::HCRRptTable(std::shared_ptr<HCRRptModel::Document> doc, size_t section, size_t table)
    : doc_(std::move(doc)), section_(section), table_(table) {}

HCRRptModel::Table& HCRRptTable::target() {
  requireAttached(doc_);
  return doc_->sections[section_].tables[table_];
}

const HCRRptModel::Table& HCRRptTable::table() const {
  requireAttached(doc_);
  return doc_->sections[section_].tables[table_];
}

HCRRptTableRow HCRRptTable::createTableRow(bool ruleBefore, const std::string& tag,
                                           bool ruleAfter) {
  auto& rows = target().rows;
  HCRRptModel::Row r;
  r.ruleBefore = ruleBefore;
  r.tag = tag;
  r.ruleAfter = ruleAfter;
  rows.push_back(std::move(r));
  return HCRRptTableRow(doc_, section_, table_, rows.size() - 1);
}

// ---- section ------------------------------------------------------------------------

HCRRptSection::HCRRptSection(std::shared_ptr<HCRRptModel::Document> doc, size_t section)
    : doc_(std::move(doc)), section_(section) {}

HCRRptModel::Section& HCRRptSection::target() {
  requireAttached(doc_);
  return doc_->sections[section_];
}

const HCRRptModel::Section& HCRRptSection::section() const {
  requireAttached(doc_);
  return doc_->sections[section_];
}

HCRRptTable HCRRptSection::createTable(const std::string& title, HCRRptTypes::TABLE_STYLE style,
                                       const std::string& tag) {
  auto& tables = target().tables;
  HCRRptModel::Table t;
  t.title = title;
  t.style = style;
  t.tag = tag;
  tables.push_back(std::move(t));
  return HCRRptTable(doc_, section_, tables.size() - 1);
}

// ---- document -----------------------------------------------------------------------

HCRRptDoc::HCRRptDoc() : doc_(std::make_shared<HCRRptModel::Document>()) {}

HCRRptDoc::HCRRptDoc(const HCRRptDoc& other)
    : doc_(std::make_shared<HCRRptModel::Document>(other.model())) {}

HCRRptDoc& HCRRptDoc::operator=(const HCRRptDoc& other) {
  if (this != &other) doc_ = std::make_shared<HCRRptModel::Document>(other.model());
  return *this;
}

HCRRptDoc::HCRRptDoc(HCRRptDoc&& other) noexcept : doc_(std::move(other.doc_)) {}

HCRRptDoc& HCRRptDoc::operator=(HCRRptDoc&& other) noexcept {
  if (this != &other) {
    doc_ = std::move(other.doc_);
    other.doc_.reset();
  }
  return *this;
}

HCRRptDoc::~HCRRptDoc() = default;

HCRRptDoc HCRRptDoc::createDoc(const std::string& title, bool showTitle,
                               const std::string& subtitle, const std::string& author,
                               const std::string& program, const std::string& version,
                               const std::string& date) {
  HCRRptDoc d;
  d.doc_->title = title;
  d.doc_->showTitle = showTitle;
  d.doc_->subtitle = subtitle;
  d.doc_->author = author;
  d.doc_->program = program;
  d.doc_->version = version;
  d.doc_->date = date;
  return d;
}

const HCRRptModel::Document& HCRRptDoc::model() const { return doc_ ? *doc_ : emptyDocument(); }

HCRRptSection HCRRptDoc::createSection(const std::string& title, const std::string& tag) {
  if (!doc_) doc_ = std::make_shared<HCRRptModel::Document>();  // moved from: starts afresh
  HCRRptModel::Section s;
  s.title = title;
  s.tag = tag;
  doc_->sections.push_back(std::move(s));
  return HCRRptSection(doc_, doc_->sections.size() - 1);
}
