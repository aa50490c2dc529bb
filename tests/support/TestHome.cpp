#include "TestHome.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace vyk::test {

TestHome::TestHome() {
  if (const char* old = std::getenv("VYKFIND_HOME")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "vyktest.XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  setenv("VYKFIND_HOME", dir_.c_str(), 1);
}

TestHome::~TestHome() {
  std::error_code ec;
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(dir_, ec);
  if (hadPrevious_)
    setenv("VYKFIND_HOME", previous_.c_str(), 1);
  else
    unsetenv("VYKFIND_HOME");
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace vyk::test
