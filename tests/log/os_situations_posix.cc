#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "os_situations.h"

namespace vo_tools_test {

namespace {

void (*g_storm_handler)() = nullptr;

void SetTimer(long interval_us) {
  itimerval timer = {};
  timer.it_interval.tv_usec = interval_us;
  timer.it_value.tv_usec = interval_us;
  setitimer(ITIMER_REAL, &timer, nullptr);
}

}  // namespace

bool ScopedSignalStorm::Supported() {
  return true;
}

ScopedSignalStorm::ScopedSignalStorm(void (*handler)(), long interval_us) {
  g_storm_handler = handler;
  struct sigaction action = {};
  action.sa_handler = [](int) { g_storm_handler(); };
  action.sa_flags = SA_RESTART;
  sigaction(SIGALRM, &action, nullptr);
  SetTimer(interval_us);
}

// A signal still on its way is ignored rather than let end the process.
ScopedSignalStorm::~ScopedSignalStorm() {
  SetTimer(0);
  signal(SIGALRM, SIG_IGN);
}

bool MakeFifo(const std::string& path) {
  return mkfifo(path.c_str(), 0600) == 0;
}

FifoReader::FifoReader(const std::string& path)
    : fd_(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
  thread_ = std::thread([this] {
    char buffer[65536];
    for (;;) {
      const bool last = stop_.load();
      const ssize_t got = fd_ < 0 ? -1 : read(fd_, buffer, sizeof buffer);
      if (got > 0) {
        read_.append(buffer, static_cast<std::size_t>(got));
        continue;
      }
      if (last) return;  // drained after Stop
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
}

FifoReader::~FifoReader() {
  Stop();
  if (fd_ >= 0) close(fd_);
}

std::string FifoReader::Stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
  return read_;
}

bool ScopedClosedStandardDescriptors::Supported() {
  return true;
}

ScopedClosedStandardDescriptors::ScopedClosedStandardDescriptors() {
  for (int fd = 0; fd < 3; ++fd) {
    saved_[fd] = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
  }
}

ScopedClosedStandardDescriptors::~ScopedClosedStandardDescriptors() {
  for (int fd = 0; fd < 3; ++fd) {
    if (saved_[fd] < 0) continue;
    dup2(saved_[fd], fd);
    close(saved_[fd]);
  }
}

bool DescriptorIsOpen(int fd) {
  return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

bool RunAsAnotherUser(const std::function<void()>& body, std::string* why_not) {
  if (geteuid() != 0) {
    *why_not = "only root can start a process as another user (CI runs the tests as root)";
    return false;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    *why_not = "fork failed";
    return false;
  }
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    body();
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long OwnerOf(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_uid) : -1;
}

}  // namespace vo_tools_test
