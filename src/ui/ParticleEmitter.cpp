#include "ui/ParticleEmitter.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "gfx/GLTexture.h"
#include "gfx/GLWindowScreen.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// Texture coordinates (u0, v0, u1, v1) of the texture's current frame.
void FrameCoords(const GLTexture* t, float uv[4]) {
  uv[0] = 0.0f, uv[1] = 0.0f, uv[2] = 1.0f, uv[3] = 1.0f;
  if (!t || t->m_texture_width <= 0.0f || t->m_texture_height <= 0.0f) return;
  const int columns = static_cast<int>(t->m_columns) > 0 ? static_cast<int>(t->m_columns) : 1;
  const int rows = static_cast<int>(t->m_rows) > 0 ? static_cast<int>(t->m_rows) : 1;
  const int frame = t->m_current_frame;
  const int column = t->m_column_major ? frame / rows : frame % columns;
  const int row = t->m_column_major ? frame % rows : frame / columns;
  const float du = t->m_frame_width / t->m_texture_width;
  const float dv = t->m_frame_height / t->m_texture_height;
  uv[0] = t->m_source_x / t->m_texture_width + du * column;
  uv[1] = t->m_source_y / t->m_texture_height + dv * row;
  uv[2] = uv[0] + du;
  uv[3] = uv[1] + dv;
}

}  // namespace

void ParticleEmitter::Init() {
  reserved0 = 0;
  origin_x = origin_y = 0.0f;
  spawn_left = spawn_top = spawn_right = spawn_bottom = 0;
  velocity_spread = 100;
  size_min = size_max = 0;
  decay_min = 30;
  decay_max = 60;
  count = 0;
  spawn_per_frame = 1;
  lifetime = 0;
  start_time = 0;
  spawn_interval = 10;
  last_spawn = 0;
  active = 0;
  reserved1 = 0;
  fade = 1;
  grow = 1;
  random_rotation = 0;
  speed_divisor = 0.1f;
  base_velocity_x = 100.0f;
  base_velocity_y = 50.0f;
  gravity_x = gravity_y = gravity_z = 0.0f;
  end_r = end_g = end_b = 1.0f;
  constant_alpha = 1.0f;
  texture = nullptr;
  std::memset(particles, 0, sizeof(particles));
  has_spawned = 0;
  spawned_last_frame = 0;
  vertex_count = 0;
}

void ParticleEmitter::Start(GLTexture* tex, int n, int smin, int smax, int lifetime_ms) {
  texture = tex;
  count = n < 0 ? 0 : (n > kMaxParticles ? kMaxParticles : n);
  size_min = smin;
  size_max = smax;
  lifetime = lifetime_ms;
  std::memset(particles, 0, sizeof(particles));
  start_time = GetTickMs();
  last_spawn = 0;
  has_spawned = 0;
  spawned_last_frame = 0;
  active = 1;
}

int ParticleEmitter::LiveCount() const {
  int n = 0;
  for (const Particle& p : particles) n += p.alive ? 1 : 0;
  return n;
}

void ParticleEmitter::Spawn(Particle& p) {
  const int width = spawn_right - spawn_left;
  const int height = spawn_bottom - spawn_top;
  p.alive = 1;
  p.life = 1.0f;
  p.rotation = random_rotation ? static_cast<float>(RandomInt(0, 359)) : 0.0f;
  p.decay = static_cast<float>(RandomInt(decay_min, decay_max - 1)) / 10000.0f + kMinDecay;
  if (p.decay < kMinDecay) p.decay = kMinDecay;
  p.size = static_cast<float>(RandomInt(size_min, size_max - 1));
  p.x = static_cast<float>(RandomInt(0, width) - width / 2);
  p.y = static_cast<float>(RandomInt(0, height) - height / 2);
  p.z = 0.0f;
  p.vx = static_cast<float>(RandomInt(1, velocity_spread - 1) - 10) + base_velocity_x;
  p.vy = static_cast<float>(RandomInt(1, velocity_spread - 1) - 10) + base_velocity_y;
  p.vz = static_cast<float>(RandomInt(0, velocity_spread - 1) - 10);
}

void ParticleEmitter::Emit(const Particle& p, float sx, float sy, const float uv[4], float tint_alpha) {
  const float scale = grow ? 1.0f - p.life : (texture ? texture->m_scale_x : 1.0f);
  const float hx = p.size * sx * scale / 2.0f;
  const float hy = p.size * sy * scale / 2.0f;
  const float angle = p.rotation * p.life * kPi / 180.0f;
  const float c = std::cos(angle), s = std::sin(angle);
  const float cx = p.x * sx, cy = p.y * sy;
  // Corners bottom-left, bottom-right, top-right, top-left (y up) and their texture
  // coordinates (image row 0 is v0, the top).
  const float corner[4][2] = {{-hx, -hy}, {hx, -hy}, {hx, hy}, {-hx, hy}};
  const float tex[4][2] = {{uv[0], uv[3]}, {uv[2], uv[3]}, {uv[2], uv[1]}, {uv[0], uv[1]}};
  static constexpr int kOrder[kVerticesPerParticle] = {0, 1, 2, 0, 2, 3};
  const float r = (1.0f - end_r) * p.life + end_r;
  const float g = (1.0f - end_g) * p.life + end_g;
  const float b = (1.0f - end_b) * p.life + end_b;
  const float a = (fade ? p.life : constant_alpha) * tint_alpha;
  float* v = &vertices[vertex_count * 2];
  float* t = &texcoords[vertex_count * 2];
  float* col = &colours[vertex_count * 4];
  for (int i = 0; i < kVerticesPerParticle; ++i) {
    const int k = kOrder[i];
    v[i * 2] = cx + corner[k][0] * c - corner[k][1] * s;
    v[i * 2 + 1] = cy + corner[k][0] * s + corner[k][1] * c;
    t[i * 2] = tex[k][0];
    t[i * 2 + 1] = tex[k][1];
    col[i * 4] = r, col[i * 4 + 1] = g, col[i * 4 + 2] = b, col[i * 4 + 3] = a;
  }
  vertex_count += kVerticesPerParticle;
}

void ParticleEmitter::Prepare(uint32_t now, float sx, float sy, float tint_alpha) {
  if (!active) return;
  const bool spawning_over = lifetime > 0 && now - start_time > static_cast<uint32_t>(lifetime);
  const bool interval_passed = !has_spawned || now - last_spawn >= static_cast<uint32_t>(spawn_interval);
  float uv[4];
  FrameCoords(texture, uv);

  int spawned = 0;
  vertex_count = 0;
  if (count > kMaxParticles) count = kMaxParticles;
  for (int i = 0; i < count; ++i) {
    Particle& p = particles[i];
    if (!p.alive && !spawning_over && interval_passed && spawned < spawn_per_frame + 1) {
      Spawn(p);
      ++spawned;
    }
    if (!p.alive) continue;
    Emit(p, sx, sy, uv, tint_alpha);
    p.x += p.vx / (speed_divisor * 500.0f);
    p.y += p.vy / (speed_divisor * 500.0f);
    p.z += p.vz / (speed_divisor * 500.0f);
    p.vx += gravity_x;
    p.vy += gravity_y;
    p.vz += gravity_z;
    p.life -= p.decay;
    if (p.life < 0.0f) p.alive = 0;
  }
  spawned_last_frame = spawned;
  if (spawned > 0) {
    last_spawn = now;
    has_spawned = 1;
  }
  // Nothing alive was drawn: the effect is over.
  if (vertex_count == 0) active = 0;
}

void ParticleEmitter::Draw(float x, float y) {
  if (!active) return;
  const GLScreen* screen = GLWindowScreen::Instance();
  Prepare(GetTickMs(), screen->m_scale_x, screen->m_scale_y, screen->m_tint[3]);
  if (vertex_count > 0) {
    const bool textured = texture && texture->HasTexture();
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (textured) {
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, texture->m_texture_id);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, 0, texcoords);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glColorPointer(4, GL_FLOAT, 0, colours);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(screen->ToWindowX(x), screen->ToWindowY(y), 0.0f);
    glDrawArrays(GL_TRIANGLES, 0, vertex_count);
    glPopMatrix();
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  }
}
