#include "app/GameWindow.h"

#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameMode.h"
#include "framework/Clock.h"
#include "framework/CriticalSection.h"
#include "framework/Log.h"
#include "gfx/GLWindowScreen.h"
#include "ui/CImeBox.h"

int WindowsKeyCode(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 97 + (key - SDLK_KP_1);
  switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 16;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 17;
    case SDLK_LALT:
    case SDLK_RALT: return 18;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_KP_0: return 96;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_PERIOD: return 110;
    case SDLK_KP_DIVIDE: return 111;
    case SDLK_NUMLOCKCLEAR: return 144;
    case SDLK_SCROLLLOCK: return 145;
    case SDLK_SEMICOLON: return 186;
    case SDLK_EQUALS: return 187;
    case SDLK_COMMA: return 188;
    case SDLK_MINUS: return 189;
    case SDLK_PERIOD: return 190;
    case SDLK_SLASH: return 191;
    case SDLK_BACKQUOTE: return 192;
    case SDLK_LEFTBRACKET: return 219;
    case SDLK_BACKSLASH: return 220;
    case SDLK_RIGHTBRACKET: return 221;
    case SDLK_QUOTE: return 222;
    default: return 0;
  }
}

WindowSize ApplySizingRule(int width, int height, bool width_changed, int kept_width, int kept_height) {
  // Integer arithmetic keeps "integer part of r * h" exact for r = kept_width / kept_height.
  const auto height_for = [&](int w) { return static_cast<int>(static_cast<int64_t>(w) * kept_height / kept_width); };
  const auto width_for = [&](int h) { return static_cast<int>(static_cast<int64_t>(h) * kept_width / kept_height); };
  const int min_height = height_for(GameWindow::kMinWidth);
  if (width < GameWindow::kMinWidth) return {GameWindow::kMinWidth, min_height};
  if (height < min_height) return {width_for(min_height), min_height};
  // Already in proportion (either way of rounding): keep, so that the size the rule
  // produced is not moved again by the resize event it causes.
  if (height == height_for(width) || width == width_for(height)) return {width, height};
  if (width_changed) return {width, height_for(width)};
  return {width_for(height), height};
}

GameWindow::GameWindow() = default;

GameWindow::~GameWindow() {
  if (m_window) SDL_DestroyWindow(m_window);
}

bool GameWindow::Create(const char* title) {
  GLWindowScreen::SetWindowAttributes();
  SDL_DisplayMode dm{};
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
  if (SDL_GetDesktopDisplayMode(0, &dm) == 0) {
    x = dm.w / 2 - kClientWidth / 2;
    y = dm.h / 2 - kClientHeight / 2;
  }
  m_window = SDL_CreateWindow(title, x, y, kClientWidth, kClientHeight,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN |
                                  SDL_WINDOW_ALLOW_HIGHDPI);
  if (!m_window) {
    Log(LOG_FATAL, "GameWindow::Create | %s", SDL_GetError());
    return false;
  }
  m_window_id = SDL_GetWindowID(m_window);
  SDL_SetWindowMinimumSize(m_window, kMinWidth, kMinWidth * kClientHeight / kClientWidth);
  m_raise_event = SDL_RegisterEvents(1);
  m_last_width = kClientWidth;
  m_last_height = kClientHeight;
  UpdatePixelRatio();
  return true;
}

void GameWindow::UpdatePixelRatio() {
  int ww = 0, wh = 0, dw = 0, dh = 0;
  SDL_GetWindowSize(m_window, &ww, &wh);
  SDL_GL_GetDrawableSize(m_window, &dw, &dh);
  m_pixel_ratio_x = (ww > 0 && dw > 0) ? static_cast<float>(dw) / static_cast<float>(ww) : 1.0f;
  m_pixel_ratio_y = (wh > 0 && dh > 0) ? static_cast<float>(dh) / static_cast<float>(wh) : 1.0f;
}

FramePacing::Level GameWindow::PacingLevel() const {
  if (!m_window) return FramePacing::kHidden;
  const uint32_t flags = SDL_GetWindowFlags(m_window);
  const bool shown = (flags & SDL_WINDOW_SHOWN) && !(flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
  return FramePacing::LevelFor(shown, (flags & SDL_WINDOW_INPUT_FOCUS) != 0);
}

void GameWindow::UpdatePacing(GameLogic* logic) {
  const FramePacing::Level level = PacingLevel();
  if (m_pacing_known && level == m_pacing) return;
  m_pacing = level;
  m_pacing_known = true;
  logic->SetFrameInterval(FramePacing::FrameIntervalMs(level));
  Log(LOG_TRACE, "GameWindow | drawing paced: %s, frames %u", FramePacing::Name(level),
      logic->Hooks().screen->FramesPresented());
}

int GameWindow::Run(GameLogic* logic) {
  while (!logic->m_quit) {
    SDL_Event ev;
    if (SDL_PollEvent(&ev)) {
      HandleEvent(logic, ev);
      continue;
    }
    UpdatePacing(logic);
    {
      CSGuard guard(&logic->FrameLock());
      logic->m_in_frame = 1;
      logic->ProcessFrame();
      logic->RenderFrame();
    }
    logic->m_in_frame = 0;
    // Work asked for during the frame (dialogs, logouts), now outside the frame lock.
    GameAfterFrame::Run();
    if (!FramePacing::WaitsForEvents(m_pacing)) {
      SleepMs(FramePacing::kFocusedNapMs);
    } else if (SDL_WaitEventTimeout(&ev, static_cast<int>(FramePacing::kIdleWaitMs))) {
      // Nobody looks: the loop sleeps until an event or the next pass is due, and an
      // event that woke it is handled at once.
      HandleEvent(logic, ev);
    }
  }
  return 0;
}

void GameWindow::OnClose(GameLogic* logic, bool modal) {
  if (modal) {
    GameMode* mode = logic->CurrentMode();
    if (mode && !mode->CanClose(0, 0)) return;
  }
  logic->Logout();
  logic->m_quit = 1;
}

void GameWindow::OnSizeChanged(GameLogic* logic, int width, int height) {
  CSBarrier(logic->FrameLock());
  const bool width_changed = width != m_last_width;
  const WindowSize want = ApplySizingRule(width, height, width_changed, kClientWidth, kClientHeight);
  m_last_width = want.width;
  m_last_height = want.height;
  if (want.width != width || want.height != height) {
    Log(LOG_TRACE, "GameWindow::OnSize | %dx%d -> %dx%d", width, height, want.width, want.height);
    SDL_SetWindowSize(m_window, want.width, want.height);
  }
  UpdatePixelRatio();
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(m_window, &dw, &dh);
  IScreenHooks* screen = logic->Hooks().screen;
  screen->SetDesignSize(kClientWidth, kClientHeight);
  if (GLWindowScreen* s = GLWindowScreen::InstanceIfAny()) s->SetViewSize(dw, dh);
}

void GameWindow::HandleEvent(GameLogic* logic, const SDL_Event& ev) {
  // Input and window changes reach the game logic under the frame lock, so a worker
  // that holds it for a change of its own never runs alongside them.
  CSGuard frame(&logic->FrameLock());
  if (ev.type == m_raise_event && m_raise_event != 0) {
    Log(LOG_TRACE, "GameWindow | raise requested by another instance");
    SDL_RestoreWindow(m_window);
    SDL_ShowWindow(m_window);
    SDL_RaiseWindow(m_window);
    return;
  }
  const bool modal = m_modal_query && m_modal_query();
  if (ev.type == SDL_QUIT) {
    OnClose(logic, modal);
    return;
  }
  if (ev.type == SDL_WINDOWEVENT) {
    if (ev.window.windowID != m_window_id) return;
    if (ev.window.event == SDL_WINDOWEVENT_CLOSE) OnClose(logic, modal);
    else if (ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && !modal)
      OnSizeChanged(logic, ev.window.data1, ev.window.data2);
    return;
  }
  if (modal) return;

  // Keys and text go to the text field that holds the keyboard focus first; Enter and
  // the keys it does not edit with go on to the mode as well.
  if ((ev.type == SDL_KEYDOWN || ev.type == SDL_TEXTINPUT || ev.type == SDL_TEXTEDITING) &&
      HandleWindowMessage(ev))
    return;

  GameMode* mode = logic->CurrentMode();
  const bool mode_takes_keys = mode && mode->init_processed == 1 && mode->IsShow();
  switch (ev.type) {
    case SDL_KEYUP: {
      const int vk = WindowsKeyCode(ev.key.keysym.sym);
      if (vk == 27) {
        logic->OnBackKey();
      } else if (vk == 13 || vk == 36) {
        if (mode_takes_keys) mode->OnEnterKey();
      } else if (vk != 0 && mode_takes_keys) {
        mode->OnKeyUp(vk);
      }
      break;
    }
    case SDL_KEYDOWN: {
      const int vk = WindowsKeyCode(ev.key.keysym.sym);
      if (vk != 0 && mode_takes_keys) mode->OnKeyDown(vk);
      break;
    }
    case SDL_MOUSEMOTION:
      if (ev.motion.which == SDL_TOUCH_MOUSEID) break;
      logic->OnPointerMove(ToPixelsX(ev.motion.x), ToPixelsY(ev.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int button;
      if (ev.button.button == SDL_BUTTON_LEFT) button = 0;
      else if (ev.button.button == SDL_BUTTON_RIGHT) button = 1;
      else break;
      const int x = ToPixelsX(ev.button.x), y = ToPixelsY(ev.button.y);
      if (ev.type == SDL_MOUSEBUTTONDOWN) logic->OnPointerDown(button, x, y);
      else logic->OnPointerUp(button, x, y);
      break;
    }
    case SDL_MOUSEWHEEL: {
      // One notch is 120 units of rotation; a fractional notch keeps its fraction.
      float notches = ev.wheel.preciseY;
      if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      const int delta = WheelDeltaToDesign(static_cast<int>(notches * 120.0f));
      // The pointer position in window coordinates, as for the other pointer events.
      logic->OnPointerWheel(delta, ToPixelsX(ev.wheel.mouseX), ToPixelsY(ev.wheel.mouseY));
      break;
    }
    default:
      break;
  }
}
