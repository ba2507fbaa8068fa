#include "host/design/dfile/HDCatalogueReader.h"

#include <unordered_map>
#include <vector>

#include "host/env/HUTEnv.h"

using Type = HDJsonReader::Type;

bool HDCatalogueReader::read() {
  const bool partOk = resolvePart();
  bool primitivesKnown = partOk;
  if (partOk && d_.part.hasLibrary) {
    const size_t before = ctx_.problemCount();
    loadLibrary();
    primitivesKnown = ctx_.problemCount() == before;
  }
  return primitivesKnown;
}

// Opens a catalogue of the data directory; false after a problem.
bool HDCatalogueReader::openCatalogue(const std::string& rel, HDJsonReader& r, std::string& path,
                                      const std::string& why) {
  const std::string dir = HUTEnv::getOVKDataDir(rel);
  if (dir.empty()) {
    std::vector<std::string> dirs = HUTEnv::dataDirs();
    ctx_.problemAt(ctx_.designFile(), d_.partPos, "part",
                   why + ", but no " + rel + " was found in the data directories (" +
                       hdJoinNames(dirs, 10) + ")");
    return false;
  }
  path = dir + "/" + rel;
  std::string err;
  if (!r.openFile(path, err)) {
    ctx_.problemAt(path, {}, "", "cannot read the catalogue: " + err);
    return false;
  }
  return true;
}

bool HDCatalogueReader::catalogueHeader(HDJsonReader& r, const char* versionKey,
                                        const char* listKey, Type listType,
                                        const std::function<void()>& list) {
  if (!ctx_.expect(r, HDJsonReader::OBJECT, "",
                   std::string("a catalogue object {\"") + versionKey + "\": 1, ...}"))
    return false;
  r.beginObject();
  const HDJsonPos op = r.pos();
  enum Key { VERSION, SOURCE, LIST };
  const std::vector<const char*> keys = {versionKey, "source", listKey};
  unsigned seen = 0;
  std::string source;
  while (r.nextKey(key_)) {
    const int k = ctx_.objectKey(r, key_, keys, seen, "the catalogue");
    if (k < 0) continue;
    ctx_.pushKey(key_);
    if (k == VERSION) {
      objects_.parseVersion(r);
    } else if (k == SOURCE) {
      ctx_.readText(r, "", source, "a text saying where the numbers come from", false);
    } else if (ctx_.expect(r, listType, "",
                           listType == HDJsonReader::ARRAY ? "a list" : "an object")) {
      list();
    }
    ctx_.pop();
  }
  if (!HDLoadContext::has(seen, VERSION))
    ctx_.problem(op, "", std::string("missing key \"") + versionKey + "\"");
  if (!HDLoadContext::has(seen, LIST))
    ctx_.problem(op, "", std::string("missing key \"") + listKey + "\"");
  return true;
}

void HDCatalogueReader::readPartList(HDJsonReader& r, const std::string& path,
                                     std::vector<HDPartSpec>& parts) {
  std::unordered_map<std::string, HDJsonPos> seenNames;
  ctx_.inFile(path, r, [&]() {
    catalogueHeader(r, "seufit_parts", "parts", HDJsonReader::ARRAY, [&]() {
      r.beginArray();
      ctx_.pushIndex();
      for (long i = 0; r.nextElement(); ++i) {
        ctx_.setIndex(i);
        if (!ctx_.expect(r, HDJsonReader::OBJECT, "", "a part object")) continue;
        const HDJsonPos p = r.pos();
        HDPartSpec entry;
        if (!objects_.parsePartObject(r, entry)) continue;
        if (seenNames.count(entry.name)) {
          ctx_.problem(p, "",
                       "part " + hdQuoted(entry.name) + " is listed twice (first at " +
                           hdPosText(seenNames[entry.name]) + ")");
          continue;
        }
        seenNames.emplace(entry.name, p);
        parts.push_back(std::move(entry));
      }
      ctx_.pop();
    });
  });
}

void HDCatalogueReader::readParts(const std::string& path, std::vector<HDPartSpec>& parts) {
  HDJsonReader r;
  std::string err;
  if (!r.openFile(path, err)) {
    ctx_.problemAt(path, {}, "", "cannot read the catalogue: " + err);
    return;
  }
  readPartList(r, path, parts);
}

bool HDCatalogueReader::resolvePart() {
  if (!d_.havePart || !d_.partOk) return false;
  if (d_.partInline) return true;
  HDJsonReader r;
  std::string path;
  if (!openCatalogue("parts.json", r, path,
                     "part " + hdQuoted(d_.partName) + " is not an inline part object"))
    return false;
  const size_t before = ctx_.problemCount();
  std::vector<HDPartSpec> parts;
  readPartList(r, path, parts);
  if (ctx_.problemCount() != before) return false;
  std::vector<std::string> names;
  for (HDPartSpec& entry : parts) {
    names.push_back(entry.name);
    if (entry.name == d_.partName) {
      d_.part = std::move(entry);
      return true;
    }
  }
  ctx_.problemAt(
      ctx_.designFile(), d_.partPos, "part",
      "unknown part " + hdQuoted(d_.partName) + "; " + path + " lists " + hdJoinNames(names, 40));
  return false;
}

void HDCatalogueReader::loadLibrary() {
  HDJsonReader r;
  std::string path;
  const std::string lib = d_.part.library;
  if (!openCatalogue("primitives.json", r, path,
                     "part " + hdQuoted(d_.part.name) + " uses primitive library " + hdQuoted(lib)))
    return;
  const size_t before = ctx_.problemCount();
  bool found = false;
  std::vector<std::string> libs;
  ctx_.inFile(path, r, [&]() {
    catalogueHeader(r, "seufit_primitives", "libraries", HDJsonReader::OBJECT, [&]() {
      r.beginObject();
      std::string libName, primName;
      while (r.nextKey(libName)) {
        libs.push_back(libName);
        if (libName != lib) {
          r.skipValue();
          continue;
        }
        found = true;
        ctx_.pushKey(libName);
        if (ctx_.expect(r, HDJsonReader::OBJECT, "", "an object of primitives by name")) {
          r.beginObject();
          while (r.nextKey(primName)) {
            const HDJsonPos kp = r.pos();
            auto it = d_.primitives().find(primName);
            if (it != d_.primitives().end() && it->second.fromDesign) {
              r.skipValue();  // the design's own definition replaces the library's
              continue;
            }
            if (it != d_.primitives().end()) {
              ctx_.problem(kp, hdKeySeg(primName),
                           "primitive " + hdQuoted(primName) + " is defined twice in library " +
                               hdQuoted(lib));
              r.skipValue();
              continue;
            }
            ctx_.pushKey(primName);
            HDPrimInfo info;
            info.file = ctx_.file();
            info.path = ctx_.currentPath("");
            info.pos = kp;
            info.prim = objects_.parsePrimitiveDef(r, primName);
            d_.primitives()[primName] = info;
            ctx_.pop();
          }
        }
        ctx_.pop();
      }
    });
  });
  if (ctx_.problemCount() == before && !found)
    ctx_.problemAt(ctx_.designFile(), d_.partPos, "part",
                   "part " + hdQuoted(d_.part.name) + " uses primitive library " + hdQuoted(lib) +
                       ", which " + path + " does not have; it has " + hdJoinNames(libs, 40));
}
