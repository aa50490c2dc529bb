#include "core/FrameworkSwitch.h"

#include "platform/AsciiCase.h"

namespace vyk {

bool IsFrameworkSwitch(std::string_view argument) {
  if (!argument.starts_with('-') && !argument.starts_with('/')) return false;
  const std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
  return EqualsNoCase(name, "Embedding") || EqualsNoCase(name, "Automation");
}

}  // namespace vyk
