#include "e2e/TestInputMode.h"

#include "app/SurfaceScreenHooks.h"
#include "framework/Log.h"
#include "gfx/GLSurface.h"

TestInputMode::TestInputMode(SurfaceScreenHooks* screen) : m_screen(screen) { mode_id = kModeLogin; }

int TestInputMode::Create(int param1, int param2) {
  Log(LOG_TRACE, "TestInputMode::Create **********");
  return GameMode::Create(param1, param2);
}

void TestInputMode::OnInit_Process() {
  GameMode::OnInit_Process();
  Log(LOG_TRACE, "TestInputMode::OnInit_Process ready");
}

int TestInputMode::Draw() {
  GLSurface* s = GLSurface::Instance();
  // A blue field with a white marker at the last touch-down position.
  s->FillRect(0, 0, 0, 1280, 720, 0.1f, 0.2f, 0.6f, 1.0f, 0, 0, 0, 0);
  if (m_mark_x >= 0) {
    s->FillRect(0, m_mark_x - 10, m_mark_y - 10, m_mark_x + 10, m_mark_y + 10, 1, 1, 1, 1, 0, 0, 0, 0);
  }
  return 1;
}

int TestInputMode::OnTouchDown(int button, int x, int y) {
  Log(LOG_TRACE, "TestInputMode::OnTouchDown button=%d x=%d y=%d", button, x, y);
  m_mark_x = x;
  m_mark_y = y;
  return 1;
}

int TestInputMode::OnTouchUp(int button, int x, int y) {
  Log(LOG_TRACE, "TestInputMode::OnTouchUp button=%d x=%d y=%d", button, x, y);
  return 1;
}

int TestInputMode::OnTouchMove(int button, int x, int y) {
  Log(LOG_TRACE, "TestInputMode::OnTouchMove button=%d x=%d y=%d", button, x, y);
  return 0;
}

int TestInputMode::OnWheel(int delta, int x, int y) {
  Log(LOG_TRACE, "TestInputMode::OnWheel delta=%d x=%d y=%d", delta, x, y);
  return 1;
}

void TestInputMode::Close() { Log(LOG_TRACE, "TestInputMode::Close (back key)"); }

void TestInputMode::OnEnterKey() { Log(LOG_TRACE, "TestInputMode::OnEnterKey"); }

int TestInputMode::OnKeyDown(int key) {
  Log(LOG_TRACE, "TestInputMode::OnKeyDown key=%d", key);
  return 1;
}

int TestInputMode::OnKeyUp(int key) {
  Log(LOG_TRACE, "TestInputMode::OnKeyUp key=%d frames=%u", key, m_screen ? m_screen->FramesPresented() : 0u);
  if (key == 'K') {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;  // deliberate fault for the crash-report test
  }
  return 1;
}
