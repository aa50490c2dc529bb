// Stand-in for the game in launch tests: records how it was started into the
// file named by VYK_ARG_RECORD (NUL-separated: working directory, session id,
// standard input, open descriptors above 2, then every argument).
#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string LinkOf(const char* path) {
  char buf[PATH_MAX];
  ssize_t n = readlink(path, buf, sizeof buf - 1);
  return n < 0 ? std::string() : std::string(buf, static_cast<std::size_t>(n));
}

std::string ExtraDescriptors() {
  std::string list;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return list;
  int own = dirfd(dir);
  while (dirent* e = readdir(dir)) {
    int fd = std::atoi(e->d_name);
    if (e->d_name[0] == '.' || fd <= 2 || fd == own) continue;
    list += std::to_string(fd) + " ";
  }
  closedir(dir);
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  const char* target = std::getenv("VYK_ARG_RECORD");
  if (!target) return 2;
  char cwd[PATH_MAX] = "";
  if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
  std::string record;
  auto field = [&record](const std::string& text) {
    record += text;
    record.push_back('\0');
  };
  field(cwd);
  field(std::to_string(getsid(0)));
  field(LinkOf("/proc/self/fd/0"));
  field(ExtraDescriptors());
  for (int i = 0; i < argc; ++i) field(argv[i]);

  // Written beside and renamed, so a reader never sees half a record.
  std::string temp = std::string(target) + ".part";
  FILE* out = std::fopen(temp.c_str(), "wb");
  if (!out) return 3;
  std::fwrite(record.data(), 1, record.size(), out);
  std::fclose(out);
  return std::rename(temp.c_str(), target) == 0 ? 0 : 4;
}
