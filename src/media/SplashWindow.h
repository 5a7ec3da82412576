#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The splash window: a borderless X window on a thread of its own with its own display
// connection. It shows a background picture and, at (10, 10), one 44-pixel-wide cell
// of a 12-frame spinner strip, advancing every 100 ms.
//
// Threads: Start, Stop and SetPictures are called by one thread at a time (the owner
// serialises them under its lock); the window thread only reads the pictures, which do
// not change while it runs. Frame() and Progress() may be read from any thread.
class SplashWindow {
 public:
  // An RGBA picture, rows top first.
  struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    bool Empty() const { return width <= 0 || height <= 0; }
  };

  static constexpr int kFrames = 12;
  static constexpr int kCellWidth = 44;
  static constexpr uint32_t kStepMs = 100;
  static constexpr uint32_t kProgressMs = 3000;
  static constexpr uint32_t kStartWaitMs = 5000;

  SplashWindow() = default;
  ~SplashWindow();
  SplashWindow(const SplashWindow&) = delete;
  SplashWindow& operator=(const SplashWindow&) = delete;

  void SetPictures(Picture background, Picture spinner);
  bool HasPictures() const { return !m_background.Empty() && !m_spinner.Empty(); }
  // The X window to centre on (0: centre on the screen).
  void SetOwner(unsigned long owner) { m_owner = owner; }

  // Starts the thread and waits until the window is up or has failed (at most
  // kStartWaitMs). Without pictures or a display it fails at once and leaves no
  // thread. True when the window is shown.
  bool Start(const char* title);
  // Asks the thread to close the window and joins it.
  void Stop();
  bool Running() const { return m_thread.joinable(); }

  int Frame() const { return m_frame.load(); }
  int Progress() const { return m_progress.load(); }

  // Makes Xlib safe for several threads; the program calls it first thing in main.
  static void InitXThreads();

  // Progress shown after `elapsed_ms`: elapsed / 3000 x 100, clamped to 5..95.
  static int ProgressFor(uint32_t elapsed_ms);

 private:
  void Run(std::string title);
  void Signal(bool shown);

  Picture m_background;
  Picture m_spinner;
  unsigned long m_owner = 0;
  std::thread m_thread;
  std::atomic<bool> m_quit{false};
  int m_wake[2] = {-1, -1};  // pipe that wakes the thread's poll for a prompt quit
  std::mutex m_start_lock;
  std::condition_variable m_started;
  int m_start_state = 0;  // 0 waiting, 1 shown, -1 failed
  std::atomic<int> m_frame{0};
  std::atomic<int> m_progress{5};
};
