#include "media/SplashWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/Clock.h"
#include "framework/Log.h"

namespace {

int MaskShift(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

// Blends `src` (RGBA) over the RGB buffer `dst` of width `dst_w` at (x, y), taking the
// source rectangle (sx, 0, w, h).
void BlendOver(std::vector<uint8_t>* dst, int dst_w, int dst_h, const SplashWindow::Picture& src, int sx, int w,
               int x, int y) {
  for (int row = 0; row < src.height; ++row) {
    const int dy = y + row;
    if (dy < 0 || dy >= dst_h) continue;
    for (int col = 0; col < w; ++col) {
      const int dx = x + col, px = sx + col;
      if (dx < 0 || dx >= dst_w || px < 0 || px >= src.width) continue;
      const uint8_t* s = &src.rgba[(static_cast<size_t>(row) * src.width + px) * 4];
      uint8_t* d = &(*dst)[(static_cast<size_t>(dy) * dst_w + dx) * 3];
      const int a = s[3];
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * a + d[c] * (255 - a) + 127) / 255);
    }
  }
}

}  // namespace

SplashWindow::~SplashWindow() { Stop(); }

void SplashWindow::InitXThreads() { XInitThreads(); }

void SplashWindow::SetPictures(Picture background, Picture spinner) {
  if (Running()) return;
  m_background = std::move(background);
  m_spinner = std::move(spinner);
}

int SplashWindow::ProgressFor(uint32_t elapsed_ms) {
  const uint64_t p = static_cast<uint64_t>(elapsed_ms) * 100 / kProgressMs;
  return static_cast<int>(std::clamp<uint64_t>(p, 5, 95));
}

bool SplashWindow::Start(const char* title) {
  if (Running()) return true;
  if (!HasPictures()) return false;
  if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  m_quit.store(false);
  m_frame.store(0);
  m_progress.store(5);
  {
    std::lock_guard<std::mutex> g(m_start_lock);
    m_start_state = 0;
  }
  m_thread = std::thread(&SplashWindow::Run, this, std::string(title ? title : ""));
  std::unique_lock<std::mutex> lk(m_start_lock);
  m_started.wait_for(lk, std::chrono::milliseconds(kStartWaitMs), [this] { return m_start_state != 0; });
  const bool shown = m_start_state == 1;
  lk.unlock();
  if (!shown) Stop();
  return shown;
}

void SplashWindow::Stop() {
  if (m_thread.joinable()) {
    m_quit.store(true);
    const char b = 1;
    if (write(m_wake[1], &b, 1) < 0) {
      // The thread also sees the flag within one step.
    }
    m_thread.join();
  }
  for (int& fd : m_wake) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

void SplashWindow::Signal(bool shown) {
  std::lock_guard<std::mutex> g(m_start_lock);
  m_start_state = shown ? 1 : -1;
  m_started.notify_all();
}

void SplashWindow::Run(std::string title) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    Signal(false);
    return;
  }
  const int screen = DefaultScreen(display);
  Visual* visual = DefaultVisual(display, screen);
  const int depth = DefaultDepth(display, screen);
  const Window root = RootWindow(display, screen);
  const int w = m_background.width, h = m_background.height;
  if (depth < 24 || visual->c_class != TrueColor) {
    XCloseDisplay(display);
    Signal(false);
    return;
  }

  // Centred on the main window when there is one, else on the screen.
  int cx = DisplayWidth(display, screen) / 2, cy = DisplayHeight(display, screen) / 2;
  if (m_owner) {
    Window r, child;
    int ox, oy;
    unsigned ow, oh, border, odepth;
    if (XGetGeometry(display, m_owner, &r, &ox, &oy, &ow, &oh, &border, &odepth) &&
        XTranslateCoordinates(display, m_owner, root, 0, 0, &ox, &oy, &child)) {
      cx = ox + static_cast<int>(ow) / 2;
      cy = oy + static_cast<int>(oh) / 2;
    }
  }

  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;  // no frame, no taskbar entry, never takes the focus
  attrs.background_pixel = BlackPixel(display, screen);
  attrs.border_pixel = 0;
  attrs.event_mask = ExposureMask;
  const Window window =
      XCreateWindow(display, root, cx - w / 2, cy - h / 2, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                    depth, InputOutput, visual, CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &attrs);
  XStoreName(display, window, title.c_str());
  if (m_owner) XSetTransientForHint(display, window, m_owner);
  GC gc = XCreateGC(display, window, 0, nullptr);

  // The picture buffer handed to the server: 32 bits per pixel in the visual's layout.
  char* data = static_cast<char*>(std::calloc(static_cast<size_t>(w) * h, 4));
  XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, data,
                               static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
  if (!image || image->bits_per_pixel != 32) {
    if (image) XDestroyImage(image);
    else std::free(data);
    XFreeGC(display, gc);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    Signal(false);
    return;
  }
  const int rs = MaskShift(visual->red_mask), gs = MaskShift(visual->green_mask), bs = MaskShift(visual->blue_mask);
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);

  auto paint = [&] {
    std::fill(rgb.begin(), rgb.end(), 0);
    BlendOver(&rgb, w, h, m_background, 0, w, 0, 0);
    const int frame = m_frame.load() % kFrames;
    BlendOver(&rgb, w, h, m_spinner, kCellWidth * frame, kCellWidth, 10, 10);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        XPutPixel(image, x, y,
                  (static_cast<unsigned long>(p[0]) << rs) | (static_cast<unsigned long>(p[1]) << gs) |
                      (static_cast<unsigned long>(p[2]) << bs));
      }
    }
    XPutImage(display, window, gc, image, 0, 0, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XFlush(display);
  };

  XMapRaised(display, window);
  paint();
  XSync(display, False);
  Signal(true);

  const uint32_t start = GetTickMs();
  uint32_t last_step = start;
  pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
  while (!m_quit.load()) {
    bool exposed = false;
    while (XPending(display)) {
      XEvent ev;
      XNextEvent(display, &ev);
      if (ev.type == Expose && ev.xexpose.count == 0) exposed = true;
    }
    if (exposed) paint();
    const uint32_t since = GetTickMs() - last_step;
    const int wait = since >= kStepMs ? 0 : static_cast<int>(kStepMs - since);
    if (wait > 0) poll(fds, 2, wait);
    if (m_quit.load()) break;
    const uint32_t now = GetTickMs();
    if (now - last_step >= kStepMs) {
      last_step = now;
      m_progress.store(ProgressFor(now - start));
      m_frame.store((m_frame.load() + 1) % kFrames);
      paint();
    }
  }

  XDestroyImage(image);  // frees `data` too
  XFreeGC(display, gc);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
}
