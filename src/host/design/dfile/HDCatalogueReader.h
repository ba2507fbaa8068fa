// Reads the data directory's catalogues for a design: the part of parts.json that the
// design names, and the part's primitive library of primitives.json. Problems found
// there are placed in the catalogue file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/design/dfile/HDDesignFileReader.h"

class HDCatalogueReader {
 public:
  HDCatalogueReader(HDLoadContext& ctx, HDDesignAssembly& design)
      : ctx_(ctx), d_(design), objects_(ctx, design) {}

  // Reads the part and its library; returns whether every primitive name is known, so
  // that an unknown one is an error.
  bool read();
  // Every part of the catalogue at `path`, in its order; its problems go to the context.
  void readParts(const std::string& path, std::vector<HDPartSpec>& parts);

 private:
  bool resolvePart();
  void readPartList(HDJsonReader& r, const std::string& path, std::vector<HDPartSpec>& parts);
  void loadLibrary();
  bool openCatalogue(const std::string& rel, HDJsonReader& r, std::string& path,
                     const std::string& why);
  bool catalogueHeader(HDJsonReader& r, const char* versionKey, const char* listKey,
                       HDJsonReader::Type listType, const std::function<void()>& list);

  HDLoadContext& ctx_;
  HDDesignAssembly& d_;
  HDDesignFileReader objects_;  // the catalogues' objects are the design file's
  std::string key_;
};
