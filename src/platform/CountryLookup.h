#pragma once
// The country of a server's IP address, from the system's GeoIP databases
// (Debian's geoip-database: GeoIP.dat for IPv4, GeoIPv6.dat for IPv6). Each
// address is looked up once and remembered; lookups never touch the network.
#include <string>

namespace vyk {

// Two upper-case letters ("DE"), or "" for a host name, an address the
// databases do not place, or when they are missing. Thread-safe.
std::string CountryCode(const std::string& address);

// Reads the databases from this folder from now on (tests and portable
// installs); "" for the system's own. Forgets what was looked up.
void SetCountryDatabaseFolder(const std::string& folder);

}  // namespace vyk
