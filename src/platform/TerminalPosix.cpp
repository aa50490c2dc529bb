#include "platform/Terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace vyk {

void UseParentConsole() {}

bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  termios saved{};
  const bool canHide = ::tcgetattr(fd, &saved) == 0;
  if (canHide) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  [[maybe_unused]] ssize_t written = ::write(fd, prompt.data(), prompt.size());
  std::string line;
  bool ok = false;
  for (char c = 0;;) {
    const ssize_t n = ::read(fd, &c, 1);
    if (n <= 0) break;
    if (c == '\n') {
      ok = true;
      break;
    }
    line.push_back(c);
  }
  if (canHide) ::tcsetattr(fd, TCSAFLUSH, &saved);
  ::close(fd);
  if (!ok && line.empty()) return std::nullopt;
  return line;
}

}  // namespace vyk
