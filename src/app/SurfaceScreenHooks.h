#pragma once
#include <cstdint>

#include "app/GameHooks.h"

// The game logic's screen hooks on the window screen and the drawing surface.
class SurfaceScreenHooks : public IScreenHooks {
 public:
  int InitWindow(void* window, int width, int height) override;
  void SetDesignSize(int width, int height) override;
  int InitSurface(void* package) override;
  void ReloadSurface(void* package) override;
  float PointerScaleX() override;
  float PointerScaleY() override;
  bool FrameDue() override;
  void BeginFrame() override;
  void EndFrame() override;
  void DrawRoundRect(float left, float top, float right, float bottom, float radius, int segments,
                     float line_width, HookColor fill, HookColor border) override;
  void DrawTextCentered(const char* utf8, float left, float top, float right, float bottom, int size,
                        HookColor color) override;
  void Shutdown() override;

  uint32_t FramesPresented() override { return m_frames; }

 private:
  uint32_t m_frames = 0;
};
