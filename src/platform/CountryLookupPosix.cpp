// libGeoIP's legacy country databases, as Debian ships them.
#include <mutex>
#include <unordered_map>

#include "platform/CountryLookup.h"

#ifdef VYK_HAVE_GEOIP
#include <GeoIP.h>
#endif

namespace vyk {
namespace {

constexpr const char* kSystemFolder = "/usr/share/GeoIP/";

#ifdef VYK_HAVE_GEOIP
struct Database {
  GeoIP* handle = nullptr;
  bool tried = false;
};

void Close(Database& db) {
  if (db.handle) GeoIP_delete(db.handle);
  db = {};
}

GeoIP* Open(Database& db, const std::string& path) {
  if (!db.tried) {
    db.tried = true;
    // Memory cache: the file is read once and every lookup is a walk in memory.
    db.handle = GeoIP_open(path.c_str(), GEOIP_MEMORY_CACHE | GEOIP_SILENCE);
  }
  return db.handle;
}
#endif

struct Lookup {
  std::mutex mutex;
  std::string folder = kSystemFolder;
  std::unordered_map<std::string, std::string> known;
#ifdef VYK_HAVE_GEOIP
  Database v4, v6;

  std::string Find(const std::string& address) {
    const bool six = address.find(':') != std::string::npos;
    GeoIP* db = six ? Open(v6, folder + "GeoIPv6.dat") : Open(v4, folder + "GeoIP.dat");
    if (db == nullptr) return {};
    const char* code = six ? GeoIP_country_code_by_addr_v6(db, address.c_str())
                           : GeoIP_country_code_by_addr(db, address.c_str());
    // "--" and friends stand for no country.
    if (code == nullptr || code[0] < 'A' || code[0] > 'Z' || code[1] < 'A' || code[1] > 'Z')
      return {};
    return std::string(code, 2);
  }
#else
  std::string Find(const std::string&) { return {}; }
#endif
};

Lookup& TheLookup() {
  static Lookup lookup;
  return lookup;
}

bool IsAddressLiteral(const std::string& text) {
  if (text.empty()) return false;
  if (text.find(':') != std::string::npos) return true;
  for (char c : text)
    if ((c < '0' || c > '9') && c != '.') return false;
  return true;
}

}  // namespace

std::string CountryCode(const std::string& address) {
  // A name would need the resolver: not while a row is being written.
  if (!IsAddressLiteral(address)) return {};
  Lookup& lookup = TheLookup();
  std::lock_guard lock(lookup.mutex);
  auto known = lookup.known.find(address);
  if (known != lookup.known.end()) return known->second;
  std::string code = lookup.Find(address);
  lookup.known.emplace(address, code);
  return code;
}

void SetCountryDatabaseFolder(const std::string& folder) {
  Lookup& lookup = TheLookup();
  std::lock_guard lock(lookup.mutex);
  lookup.folder = folder.empty() ? std::string(kSystemFolder) : folder;
  if (!lookup.folder.empty() && lookup.folder.back() != '/') lookup.folder += '/';
  lookup.known.clear();
#ifdef VYK_HAVE_GEOIP
  Close(lookup.v4);
  Close(lookup.v6);
#endif
}

}  // namespace vyk
