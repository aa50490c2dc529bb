#include "TestHome.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace vyk::test {
namespace {

#ifdef _WIN32
std::filesystem::path MakeTemporaryDirectory() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto dir = std::filesystem::temp_directory_path() / ("vyktest." + std::to_string(random()));
    if (std::filesystem::create_directory(dir)) return dir;
  }
  throw std::runtime_error("no temporary directory");
}
#else
std::filesystem::path MakeTemporaryDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vyktest.XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}
#endif

}  // namespace

// _putenv_s changes the system's environment too, where the program reads it.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value);
#else
  setenv(name, value, 1);
#endif
}

void RemoveVariable(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");
#else
  unsetenv(name);
#endif
}

TestHome::TestHome() {
  if (const char* old = std::getenv("VYKFIND_HOME")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  dir_ = MakeTemporaryDirectory();
  SetVariable("VYKFIND_HOME", dir_.string().c_str());
}

TestHome::~TestHome() {
  std::error_code ec;
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(dir_, ec);
  if (hadPrevious_)
    SetVariable("VYKFIND_HOME", previous_.c_str());
  else
    RemoveVariable("VYKFIND_HOME");
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
