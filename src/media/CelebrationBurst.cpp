#include "media/CelebrationBurst.h"

#include <cmath>

#include "framework/StringUtil.h"
#include "gfx/GLTexture.h"

namespace {
constexpr float kGravity = 900.0f;  // units per second squared, downwards
constexpr float kPi = 3.14159265f;
}  // namespace

CelebrationBurst::CelebrationBurst(GLTexture* coin, GLTexture* star, float x, float y, uint32_t start)
    : m_coin(coin), m_star(star), m_x(x), m_y(y), m_start(start) {
  for (int i = 0; i < kParticles; ++i) {
    // Upwards in a fan of +-70 degrees around the vertical, at 350 to 750 units/s.
    const float angle = static_cast<float>(RandomInt(-70, 70)) * kPi / 180.0f;
    const float speed = static_cast<float>(RandomInt(350, 750));
    m_particles[i].vx = speed * std::sin(angle);
    m_particles[i].vy = -speed * std::cos(angle);
    m_particles[i].scale = static_cast<float>(RandomInt(70, 130)) / 100.0f;
  }
}

void CelebrationBurst::Position(int i, uint32_t elapsed, float* x, float* y) const {
  const float t = static_cast<float>(elapsed) / 1000.0f;
  const Particle& p = m_particles[i];
  *x = m_x + p.vx * t;
  *y = m_y + p.vy * t + 0.5f * kGravity * t * t;
}

void CelebrationBurst::Draw(uint32_t now) {
  const uint32_t elapsed = now - m_start;
  if (elapsed >= kLifeMs) return;
  // Full strength for the first half of the life, then a linear fade.
  const float half = static_cast<float>(kLifeMs) / 2.0f;
  float alpha = 1.0f;
  if (elapsed > kLifeMs / 2) alpha = 1.0f - (static_cast<float>(elapsed) - half) / half;
  for (int i = 0; i < kParticles; ++i) {
    GLTexture* tex = (i & 1) ? m_star : m_coin;
    if (!tex) continue;
    float x, y;
    Position(i, elapsed, &x, &y);
    const float saved[4] = {tex->m_color[0], tex->m_color[1], tex->m_color[2], tex->m_color[3]};
    const float sx = tex->m_scale_x, sy = tex->m_scale_y;
    tex->SetScale(m_particles[i].scale, m_particles[i].scale);
    tex->SetColor(saved[0], saved[1], saved[2], alpha);
    tex->Draw(0, x, y, 1);
    tex->SetColor(saved[0], saved[1], saved[2], saved[3]);
    tex->SetScale(sx, sy);
  }
}
