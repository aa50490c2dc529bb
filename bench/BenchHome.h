#pragma once
// A benchmark's own home: a fresh folder under /tmp named for it, made the
// program's home (VYKFIND_HOME) and Qt's runtime folder, and removed when the
// benchmark ends, on an error return too. A forked farm's child never removes it.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace bench {

class BenchHome {
 public:
  explicit BenchHome(const char* name)
      : path_((std::filesystem::temp_directory_path() / (std::string(name) + ".XXXXXX")).string()),
        owner_(getpid()) {
    made_ = mkdtemp(path_.data()) != nullptr;
    if (!made_) {
      std::perror("mkdtemp");
      return;
    }
    setenv("VYKFIND_HOME", path_.c_str(), 1);
    // Qt wants a private runtime folder and says so on stderr when there is none:
    // a figures line must stay the last thing printed.
    setenv("XDG_RUNTIME_DIR", path_.c_str(), 0);
  }
  ~BenchHome() {
    std::error_code ignored;
    if (made_ && getpid() == owner_) std::filesystem::remove_all(path_, ignored);
  }
  BenchHome(const BenchHome&) = delete;
  BenchHome& operator=(const BenchHome&) = delete;

  bool Made() const { return made_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  pid_t owner_;
  bool made_ = false;
};

}  // namespace bench
