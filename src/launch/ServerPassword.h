#pragma once
#include <string>

namespace vyk {

// Game password remembered for a server address in cache.srv ("pass").
std::string RememberedPassword(const std::string& address);
// Stores it, also when empty, which forgets it.
void RememberPassword(const std::string& address, const std::string& password);

}  // namespace vyk
