#include "host/report/HCRRptWriter.h"

HCRRptWriter::HCRRptWriter(HCRRptDoc& doc) {
  if (!doc.doc_) doc.doc_ = std::make_shared<HCRRptModel::Document>();  // moved-from document
  doc_ = doc.doc_;
}

HCRRptWriter::~HCRRptWriter() = default;

void HCRRptWriter::addExtraHeaderItems(std::vector<std::pair<std::string, std::string>>& items) {
  extra_.insert(extra_.end(), items.begin(), items.end());
}

HCRRptWriter::HeaderItems HCRRptWriter::headerItems() const {
  const HCRRptModel::Document& d = *doc_;
  HeaderItems out;
  const std::pair<const char*, const std::string*> props[] = {{"Subtitle", &d.subtitle},
                                                              {"Author", &d.author},
                                                              {"Program", &d.program},
                                                              {"Version", &d.version},
                                                              {"Date", &d.date}};
  for (const auto& p : props)
    if (!p.second->empty()) out.emplace_back(p.first, *p.second);
  out.insert(out.end(), extra_.begin(), extra_.end());
  return out;
}

void HCRRptWriter::addProvenanceItems(const HeaderItems& items) {
  provenance_.insert(provenance_.end(), items.begin(), items.end());
}
