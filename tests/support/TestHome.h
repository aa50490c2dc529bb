#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/FileConventions.h"

namespace vyk::test {

// A fresh temporary directory installed as VYKFIND_HOME for its lifetime;
// the previous value comes back when it ends.
class TestHome {
 public:
  TestHome();
  ~TestHome();
  TestHome(const TestHome&) = delete;
  TestHome& operator=(const TestHome&) = delete;

  const std::filesystem::path& Path() const { return dir_; }
  // Directory text with a trailing separator, as ProgramDirectory returns it.
  std::string Dir() const {
    return dir_.string() + static_cast<char>(std::filesystem::path::preferred_separator);
  }

 private:
  std::filesystem::path dir_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// Environment variables, as the program's own calls read them.
void SetVariable(const char* name, const char* value);
void RemoveVariable(const char* name);

// The bytes of lines a new file gets: the system's own line ends.
inline std::string NewFileLines(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += kLineEnd;
    else
      out += c;
  }
  return out;
}

// Reads a whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
// Replaces a file's content with the given bytes.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vyk::test
