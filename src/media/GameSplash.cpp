#include "media/GameSplash.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/Paths.h"
#include "gfx/GLFont.h"
#include "gfx/GLImageDecoder.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "media/GameSharedImage.h"

namespace {

constexpr char kBackgroundPng[] = "./raw/splash_bg.png";
constexpr char kSpinnerPng[] = "./raw/splash_01.png";

// A PNG file as an RGBA picture; false when missing or broken.
bool LoadPicture(const char* path, SplashWindow::Picture* out) {
  std::string bytes;
  DecodedImage img;
  if (!ReadWholeFile(path, &bytes) ||
      !DecodePngMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &img))
    return false;
  out->width = img.width;
  out->height = img.height;
  out->rgba.resize(static_cast<size_t>(img.width) * img.height * 4);
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* s = img.Pixel(x, y);
      uint8_t* d = &out->rgba[(static_cast<size_t>(y) * img.width + x) * 4];
      switch (img.channels) {
        case 1: d[0] = d[1] = d[2] = s[0], d[3] = 255; break;
        case 2: d[0] = d[1] = d[2] = s[0], d[3] = s[1]; break;
        case 3: d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255; break;
        default: std::memcpy(d, s, 4); break;
      }
    }
  }
  return true;
}

}  // namespace

GameSplash::GameSplash() = default;

GameSplash::~GameSplash() {
  // The window thread goes first: nothing may outlive the object it reads.
  m_window.Stop();
  m_message[0] = '\0';
  ZBSafeRelease(m_picture);
}

int GameSplash::LoadPictures() {
  if (!m_picture) m_picture = new GLTexture();
  if (!m_picture->Create(kBackgroundPng, nullptr, 1, 1)) return 0;
  m_picture->SetSize(64.0f, 64.0f);
  if (!LoadWindowPictures(kBackgroundPng, kSpinnerPng))
    Log(LOG_WARNING, "[WARNING]: GameSplash::LoadPictures| no window pictures, the splash window stays hidden");
  return 1;
}

bool GameSplash::LoadWindowPictures(const char* background_png, const char* spinner_png) {
  SplashWindow::Picture bg, spin;
  const bool ok = LoadPicture(background_png, &bg) && LoadPicture(spinner_png, &spin);
  std::lock_guard<std::mutex> g(m_lock);
  if (ok) m_window.SetPictures(std::move(bg), std::move(spin));
  else m_window.SetPictures({}, {});
  return ok;
}

void GameSplash::SetOwnerWindow(unsigned long xwindow) {
  std::lock_guard<std::mutex> g(m_lock);
  m_window.SetOwner(xwindow);
}

void GameSplash::ShowLoadingLocked(uint32_t timeout_ms) {
  const uint32_t now = GetTickMs();
  if (m_overlay_active) {
    m_overlay_timeout = timeout_ms + (now - m_overlay_refresh);
  } else {
    m_overlay_active = 1;
    m_overlay_timeout = timeout_ms;
  }
  m_overlay_start = now;
  m_overlay_refresh = now;
}

void GameSplash::ShowLoading(uint32_t timeout_ms, int kind) {
  std::lock_guard<std::mutex> g(m_lock);
  ShowLoadingLocked(timeout_ms);
  m_kind = kind;
}

void GameSplash::ExtendLoading(uint32_t timeout_ms) {
  std::lock_guard<std::mutex> g(m_lock);
  ShowLoadingLocked(timeout_ms);
}

void GameSplash::HideLoading(int hide_window, int clear_kind) {
  std::lock_guard<std::mutex> g(m_lock);
  if (clear_kind) m_kind = kSpinner;
  if (hide_window) {
    if (m_window_shown) {
      m_window.Stop();
      m_window_shown = 0;
    }
  } else {
    m_overlay_active = 0;
  }
}

void GameSplash::SetSplashWindow(uint32_t timeout_ms, int show) {
  std::lock_guard<std::mutex> g(m_lock);
  const int want = show ? 1 : 0;
  if (want == m_window_shown) return;
  m_window_shown = want;
  if (want) {
    m_window_timeout = timeout_ms;
    m_window_start = GetTickMs();
    // Without a display or pictures this returns at once and nothing appears.
    m_window.Start(kTitle);
  } else {
    m_window.Stop();
  }
}

void GameSplash::SetMessage(const char* utf8) {
  std::lock_guard<std::mutex> g(m_lock);
  std::snprintf(m_message, sizeof(m_message), "%s", utf8 ? utf8 : "");
}

GameSplash::OverlayFrame GameSplash::StepOverlay() {
  std::lock_guard<std::mutex> g(m_lock);
  OverlayFrame f;
  const uint32_t now = GetTickMs();
  // Either wait running past its time-out ends the overlay.
  if (m_window_shown && now - m_window_start > m_window_timeout) m_overlay_active = 0;
  if (!m_overlay_active) return f;
  if (now - m_overlay_start > m_overlay_timeout) {
    m_overlay_active = 0;
    return f;
  }
  const uint32_t delay = m_kind == kSpinner ? kSpinnerDelayMs : kMessageBarDelayMs;
  f.kind = m_kind;
  f.draw = now - m_overlay_start >= delay;
  return f;
}

void GameSplash::DrawOverlay() {
  const OverlayFrame f = StepOverlay();
  if (!f.draw) return;
  GameSharedImage* images = GameSharedImage::InstanceIfAny();
  GLTexture* spinner = images ? images->Image(GameSharedImage::kSplash01) : nullptr;
  if (f.kind == kSpinner) {
    if (m_picture) m_picture->Draw(0, 640.0f, 360.0f, 1);
    if (spinner) spinner->Draw(-1, 640.0f, 360.0f, 1);
    return;
  }
  const float spinner_h = spinner && spinner->m_rows > 0 ? spinner->m_display_height / spinner->m_rows : 0.0f;
  const int y = static_cast<int>(360.0f - spinner_h / 2.0f);
  GLSurface* surface = GLSurface::InstanceIfAny();
  if (!surface) return;
  surface->DrawRoundRect(440, y - 30, 840, y + 30, 10, 20, 1.0f, 34 / 255.0f, 56 / 255.0f, 113 / 255.0f,
                         220 / 255.0f, 1.0f, 1.0f, 1.0f, 200 / 255.0f);
  if (GLFont* font = surface->Font(0)) {
    char text[sizeof(m_message)];
    {
      std::lock_guard<std::mutex> g(m_lock);
      std::memcpy(text, m_message, sizeof(text));
    }
    static constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    font->SetFaceSize(18);
    font->DrawTextAt(520.0f, static_cast<float>(y), text, GLFont::kAlignVCentre, kWhite);
  }
  if (spinner) spinner->Draw(-1, 480.0f, static_cast<float>(y), 1);
}

bool GameSplash::IsSplashShown() {
  std::lock_guard<std::mutex> g(m_lock);
  return m_window_shown != 0;
}

bool GameSplash::IsLoadingActive() {
  std::lock_guard<std::mutex> g(m_lock);
  return m_overlay_active != 0;
}

int GameSplash::OverlayKind() {
  std::lock_guard<std::mutex> g(m_lock);
  return m_kind;
}
