#pragma once
#include <string>
#include <string_view>

namespace vyk {

// Replaces the file's content: writes a temporary file beside it, then
// renames it over the old one, so a crash leaves either the old or the new
// content, never half of it. False when nothing could be written; the old
// file is then untouched.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace vyk
