#pragma once
#include <cstdint>

#include "media/GameNotify.h"

class GLTexture;

// A celebration drawn over the screen: coins and stars thrown up from a point, falling
// back and fading out over its life. Every particle's path is fixed when the burst is
// made (start velocity and spin), so a frame only evaluates positions: nothing is
// allocated or stepped per frame. Main thread only.
class CelebrationBurst : public NotifyEffect {
 public:
  static constexpr int kParticles = 48;
  static constexpr uint32_t kLifeMs = 2000;

  // `coin` and `star` may be null (that half of the particles is not drawn).
  CelebrationBurst(GLTexture* coin, GLTexture* star, float x, float y, uint32_t start);

  bool Finished(uint32_t now) const override { return now - m_start >= kLifeMs; }
  void Draw(uint32_t now) override;

  // Where particle `i` is at `elapsed` ms (logical units).
  void Position(int i, uint32_t elapsed, float* x, float* y) const;

 private:
  struct Particle {
    float vx, vy;  // units per second
    float scale;
  };
  GLTexture* m_coin;
  GLTexture* m_star;
  float m_x, m_y;
  uint32_t m_start;
  Particle m_particles[kParticles];
};
