#pragma once
// The real tolvan-server program started by a test (TOLVAN_SERVER_BIN), with its standard
// error read line by line so the test can wait on what it prints.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess() { Stop(); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Starts the program with `args`; false when it cannot be started.
  bool Start(const std::vector<std::string>& args) {
    const char* bin = std::getenv("TOLVAN_SERVER_BIN");
    if (!bin) return false;
    int fds[2];
    if (::pipe(fds) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 2);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    std::vector<std::string> all{bin};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&pid_, bin, &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) {
      ::close(fds[0]);
      pid_ = -1;
      return false;
    }
    fd_ = fds[0];
    return true;
  }

  // The first line printed from now on that starts with `prefix` (every line read
  // meanwhile is kept in output()); empty on time-out or when the program ended.
  std::string WaitLine(const std::string& prefix, int timeout_ms) {
    return WaitFor([&](const std::string& line) { return line.compare(0, prefix.size(), prefix) == 0; },
                   timeout_ms);
  }
  // The same for the first line holding `text` anywhere.
  std::string WaitLineWith(const std::string& text, int timeout_ms) {
    return WaitFor([&](const std::string& line) { return line.find(text) != std::string::npos; }, timeout_ms);
  }

 private:
  template <class Match>
  std::string WaitFor(Match match, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      size_t nl;
      while ((nl = pending_.find('\n')) != std::string::npos) {
        std::string line = pending_.substr(0, nl);
        pending_.erase(0, nl + 1);
        output_ += line + "\n";
        if (match(line)) return line;
      }
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now()).count());
      if (left <= 0 || fd_ < 0) return std::string();
      pollfd pf{fd_, POLLIN, 0};
      if (::poll(&pf, 1, left) <= 0) continue;
      char buf[4096];
      ssize_t n = ::read(fd_, buf, sizeof(buf));
      if (n <= 0) {
        ::close(fd_);
        fd_ = -1;
        continue;
      }
      pending_.append(buf, static_cast<size_t>(n));
    }
  }

 public:

  // Waits until the program ends by itself (its output closes) and returns its exit
  // status; -1 when it is still running after `timeout_ms` (it is then stopped).
  int WaitExit(int timeout_ms) {
    WaitLine(std::string(1, '\0'), timeout_ms);  // no line starts with a NUL: reads to the end
    if (fd_ >= 0) {
      Stop();
      return -1;
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Signal(int sig) {
    if (pid_ > 0) ::kill(pid_, sig);
  }

  // Stops the program (SIGTERM) and returns its exit status (-1 when it did not exit).
  int Stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  int pid() const { return pid_; }
  const std::string& output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  std::string pending_;
  std::string output_;
};
