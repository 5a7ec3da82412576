#pragma once
#include <functional>
#include <string>
#include <thread>

// Makes sure one instance of the program runs per user. The first instance holds an
// exclusive lock on "<name>.lock" in the user's private runtime folder (UserRuntimeDir:
// "$XDG_RUNTIME_DIR/tolvan", else a 0700 "tolvan-<uid>" folder of the temporary folder)
// and listens on the Unix socket "<name>.sock" beside it; a later instance fails to
// take the lock and asks the first, over that socket, to bring its window to the front.
// No other user can create or replace these files, and the lock is never opened
// through a symbolic link. Without a safe folder the program runs unguarded rather
// than refuse to start.
//
// Acquire, RequestRaise, StartListening and Release belong to the thread that made the
// object; `on_raise` runs on the listening thread.
class SingleInstance {
 public:
  explicit SingleInstance(std::string name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process now holds the lock (it is the first instance).
  bool Acquire();
  // Second instance: asks the first to raise its window; true when the request was
  // delivered. Retries for up to `wait_ms` while the first is still starting.
  bool RequestRaise(int wait_ms = 2000);
  // First instance: accepts raise requests on a background thread and calls
  // `on_raise` there for each one.
  bool StartListening(std::function<void()> on_raise);
  // Stops listening and drops the lock.
  void Release();

  // Empty when there is no safe runtime folder.
  const std::string& LockPath() const { return m_lock_path; }
  const std::string& SocketPath() const { return m_socket_path; }

 private:
  void ListenLoop();

  std::string m_lock_path;
  std::string m_socket_path;
  int m_lock_fd = -1;
  int m_listen_fd = -1;
  int m_wake[2] = {-1, -1};  // pipe that ends the listening thread
  std::thread m_thread;
  std::function<void()> m_on_raise;
};
