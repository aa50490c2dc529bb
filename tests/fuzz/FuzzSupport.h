#pragma once
// What every fuzz target shares: a private program directory, so that nothing
// a target reads or writes is a user's file, and a check that stops the run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vyk::fuzz {

// A directory of its own below $TMPDIR (or /tmp), made on the first call and
// removed at exit; $VYKFIND_HOME points at it, so ProgramDirectory() and with
// it Config.ini and cache.srv live there. Ends with "/".
const std::string& FuzzHome();

// The bytes as the whole content of the file; stops the run when it cannot.
void WriteWholeFile(const std::string& path, std::string_view bytes);
// The whole content of the file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Prints what failed and traps, which the fuzzer reports as a crash and saves.
[[noreturn]] void Fail(const char* file, int line, const char* condition);

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Valid UTF-8 (shortest forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace vyk::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::vyk::fuzz::Fail(__FILE__, __LINE__, #condition))

// The entry points of a target whose input is text of at most 4096 bytes, run in a
// home of its own; check(text) does the target's work.
#define VYK_FUZZ_TEXT_TARGET(check)                                                   \
  extern "C" int LLVMFuzzerInitialize(int*, char***) {                                \
    ::vyk::fuzz::FuzzHome();                                                          \
    return 0;                                                                         \
  }                                                                                   \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    if (size > 4096) return -1;                                                       \
    check(std::string(reinterpret_cast<const char*>(data), size));                    \
    return 0;                                                                         \
  }
