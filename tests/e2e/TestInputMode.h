#pragma once
#include <cstdint>

#include "app/GameMode.h"

class SurfaceScreenHooks;

// The first mode of the test build of the program (tolvan-testinput), for end-to-end
// runs: it logs every input it receives ("TestInputMode::OnWheel delta=40 x=.. y=..",
// key codes, pointer positions, Close from the back key) and, with each key release,
// the number of frames presented so far, so a driver can measure the frame rate. The
// key K released makes the process fault on purpose, to exercise the crash report.
// The shipping program never holds this mode.
class TestInputMode : public GameMode {
 public:
  explicit TestInputMode(SurfaceScreenHooks* screen);

  int Create(int param1, int param2) override;
  void OnInit_Process() override;
  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;
  void Close() override;
  void OnEnterKey() override;
  int OnKeyDown(int key) override;
  int OnKeyUp(int key) override;

 private:
  SurfaceScreenHooks* m_screen;
  int m_mark_x = -1, m_mark_y = -1;
};
