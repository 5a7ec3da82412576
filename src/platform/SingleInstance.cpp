#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/RuntimeDir.h"

namespace {
constexpr char kRaiseRequest[] = "RAISE\n";

bool MakeAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof(*addr));
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr->sun_path)) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}
}  // namespace

SingleInstance::SingleInstance(std::string name) {
  const std::string dir = UserRuntimeDir();
  if (dir.empty()) return;
  m_lock_path = dir + "/" + name + ".lock";
  m_socket_path = dir + "/" + name + ".sock";
}

SingleInstance::~SingleInstance() { Release(); }

bool SingleInstance::Acquire() {
  if (m_lock_fd >= 0) return true;
  if (m_lock_path.empty()) {
    Log(LOG_WARNING, "SingleInstance::Acquire | no private runtime folder; running without the instance lock");
    return true;
  }
  int fd = open(m_lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    // Without a lock file there is no way to tell; run rather than refuse to start.
    Log(LOG_WARNING, "SingleInstance::Acquire | cannot open %s: %s", m_lock_path.c_str(), std::strerror(errno));
    return true;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  m_lock_fd = fd;
  return true;
}

bool SingleInstance::RequestRaise(int wait_ms) {
  sockaddr_un addr;
  if (m_socket_path.empty() || !MakeAddress(m_socket_path, &addr)) return false;
  const uint32_t start = GetTickMs();
  for (;;) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
      const ssize_t n = send(fd, kRaiseRequest, sizeof(kRaiseRequest) - 1, MSG_NOSIGNAL);
      close(fd);
      return n == static_cast<ssize_t>(sizeof(kRaiseRequest) - 1);
    }
    close(fd);
    // The first instance may hold the lock but not listen yet.
    if (static_cast<int>(GetTickMs() - start) >= wait_ms) return false;
    SleepMs(50);
  }
}

bool SingleInstance::StartListening(std::function<void()> on_raise) {
  if (m_listen_fd >= 0 || m_lock_fd < 0) return false;
  sockaddr_un addr;
  if (m_socket_path.empty() || !MakeAddress(m_socket_path, &addr)) return false;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // A socket file left by an instance that crashed: safe to replace, we hold the lock.
  unlink(m_socket_path.c_str());
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 4) != 0) {
    Log(LOG_WARNING, "SingleInstance::StartListening | %s: %s", m_socket_path.c_str(), std::strerror(errno));
    close(fd);
    return false;
  }
  if (pipe2(m_wake, O_CLOEXEC) != 0) {
    close(fd);
    return false;
  }
  m_listen_fd = fd;
  m_on_raise = std::move(on_raise);
  m_thread = std::thread([this] { ListenLoop(); });
  return true;
}

void SingleInstance::ListenLoop() {
  for (;;) {
    pollfd fds[2] = {{m_listen_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;  // Release() asks the loop to end
    if (!(fds[0].revents & POLLIN)) continue;
    int c = accept4(m_listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    // Read the request with a short time-out so a silent peer cannot stall the loop.
    timeval tv{1, 0};
    setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    char buf[16];
    const ssize_t n = recv(c, buf, sizeof(buf), 0);
    close(c);
    if (n == static_cast<ssize_t>(sizeof(kRaiseRequest) - 1) &&
        std::memcmp(buf, kRaiseRequest, sizeof(kRaiseRequest) - 1) == 0 && m_on_raise) {
      m_on_raise();
    }
  }
}

void SingleInstance::Release() {
  if (m_listen_fd >= 0) {
    const char wake = 1;
    ssize_t w = write(m_wake[1], &wake, 1);
    (void)w;
    if (m_thread.joinable()) m_thread.join();
    close(m_listen_fd);
    close(m_wake[0]);
    close(m_wake[1]);
    m_wake[0] = m_wake[1] = -1;
    m_listen_fd = -1;
    unlink(m_socket_path.c_str());
  }
  if (m_lock_fd >= 0) {
    flock(m_lock_fd, LOCK_UN);
    close(m_lock_fd);
    m_lock_fd = -1;
  }
}
