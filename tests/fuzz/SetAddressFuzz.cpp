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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vyk::fuzz::FuzzHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return -1;
  const std::string text(reinterpret_cast<const char*>(data), size);

  ServerInfo record;
  record.password = "secret";
  record.ping = 42;
  FUZZ_CHECK(record.SetAddress(text));
  // Only the address changes.
  FUZZ_CHECK(record.password == "secret" && record.ping == 42);
  FUZZ_CHECK(record.port != 0);
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
  return 0;
}
