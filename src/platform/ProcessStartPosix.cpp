// Starting a detached process with fork and exec.
#include "platform/ProcessStart.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace vyk {
namespace {

// Only async-signal-safe calls from here on: the caller may have threads.
[[noreturn]] void ReportAndExit(int fd, int error) {
  ssize_t ignored = write(fd, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

[[noreturn]] void RunGrandchild(const char* file, char* const* argv, const char* dir,
                                int reportFd) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig != SIGKILL && sig != SIGSTOP) sigaction(sig, &dfl, nullptr);
  }

  if (dir[0] != '\0' && chdir(dir) != 0) ReportAndExit(reportFd, errno);

  int null = open("/dev/null", O_RDWR);
  if (null < 0) ReportAndExit(reportFd, errno);
  for (int fd = 0; fd <= 2; ++fd) {
    if (null != fd && dup2(null, fd) < 0) ReportAndExit(reportFd, errno);
  }
  if (null > 2) close(null);
  // The game must not inherit our sockets and files.
  if (reportFd > 3) close_range(3, reportFd - 1, 0);
  close_range(reportFd + 1, UINT_MAX, 0);

  execv(file, argv);
  ReportAndExit(reportFd, errno);
}

}  // namespace

bool StartProcess(const std::string& file, const std::string& parameters,
                  const std::string& workingDirectory) {
  if (file.empty()) return false;

  // Everything the children need is built before fork.
  std::vector<std::string> args = SplitCommandLine(parameters);
  args.insert(args.begin(), file);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  // Keep the report pipe clear of descriptors 0 to 2, which the child replaces.
  for (int& fd : fds) {
    if (fd <= 2) {
      int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
      close(fd);
      fd = moved;
    }
  }
  if (fds[0] < 0 || fds[1] < 0) {
    if (fds[0] >= 0) close(fds[0]);
    if (fds[1] >= 0) close(fds[1]);
    return false;
  }

  pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (child == 0) {
    // First child: new session, then a grandchild that init adopts, so the
    // game never becomes our zombie.
    close(fds[0]);
    setsid();
    pid_t grandchild = fork();
    if (grandchild < 0) ReportAndExit(fds[1], errno);
    if (grandchild > 0) _exit(0);
    RunGrandchild(file.c_str(), argv.data(), workingDirectory.c_str(), fds[1]);
  }

  close(fds[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }

  // The pipe closes on a successful exec; an error number arrives otherwise.
  int error = 0;
  ssize_t got;
  do {
    got = read(fds[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  close(fds[0]);
  return got == 0;
}

}  // namespace vyk
