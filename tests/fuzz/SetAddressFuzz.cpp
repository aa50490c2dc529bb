// Server addresses as typed or read from a list file, through
// ServerInfo::SetAddress. It only splits the text into host and port (the
// name is resolved when a server is queried, which never happens here), so
// nothing is looked up or sent.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "core/ServerInfo.h"
#include "core/ServerList.h"

namespace {

using namespace vyk;

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The target's work on one input.
void CheckText(const std::string& text) {
  ServerInfo record;
  record.password = "secret";
  record.ping = 42;
  FUZZ_CHECK(record.SetAddress(text));
  // Only the address changes.
  FUZZ_CHECK(record.password == "secret" && record.ping == 42);
  FUZZ_CHECK(record.port != 0);
  // Only an IPv6 address, in brackets, holds a colon.
  const std::size_t first = text.find_first_not_of(" \t\n\v\f\r");
  if (first == std::string::npos || text[first] != '[')
    FUZZ_CHECK(record.host.find(':') == std::string::npos);
  FUZZ_CHECK(record.host.empty() || (!IsBlank(record.host.front())));
  if (text.find(':') == std::string::npos) FUZZ_CHECK(record.port == kDefaultPort);

  // The address the record gives reads back as the same host and port.
  ServerInfo again;
  FUZZ_CHECK(again.SetAddress(record.Address()));
  FUZZ_CHECK(again.host == record.host && again.port == record.port);
  FUZZ_CHECK(again.Address() == record.Address());

  // Copies keep the address and take the cached name of it.
  ServerList list;
  list.AddUnique(record);
  list.AddUnique(again);
  FUZZ_CHECK(list.Count() == 1 && list.At(0).Matches(record));
  list.RemoveMatching(again);
  FUZZ_CHECK(list.Count() == 0);
}

}  // namespace

VYK_FUZZ_TEXT_TARGET(CheckText)
