// No GeoIP databases come with Windows: the country column stays empty.
#include "platform/CountryLookup.h"

namespace vyk {

std::string CountryCode(const std::string&) {
  return {};
}

void SetCountryDatabaseFolder(const std::string&) {}

}  // namespace vyk
