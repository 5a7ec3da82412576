#pragma once
#include <cstdint>

class GLTexture;

// One particle of an emitter's pool.
struct Particle {
  int alive;
  float life;   // 1 at birth, dies below 0
  float decay;  // life lost per drawn frame
  float size;
  float rotation;
  float x, y, z;
  float vx, vy, vz;
};

// A fixed pool of textured particles spawned in a rectangle around the origin and
// moved once per drawn frame, for celebration effects. The pool and the vertex arrays
// the whole system is drawn from (one draw call per frame) live inside the record:
// nothing is allocated while it runs. Once spawning has ended (its lifetime is over)
// and the last particle has died, the emitter deactivates itself. Main thread only.
struct ParticleEmitter {
  static constexpr int kMaxParticles = 1000;
  static constexpr int kVerticesPerParticle = 6;
  // Life lost per frame is never below this, so every particle dies.
  static constexpr float kMinDecay = 0.0001f;

  // Defaults, particles cleared, inactive.
  void Init();
  // The start sequence: texture, count (clamped to the pool), sizes, lifetime (ms, 0 =
  // spawn for ever); clears the particles and activates the emitter.
  void Start(GLTexture* texture, int count, int size_min, int size_max, int lifetime_ms);
  // Draws and advances the particles around logical (x, y) while active: Prepare,
  // then one draw call.
  void Draw(float x, float y);
  // Spawns, fills the vertex arrays (window units at scale sx, sy, around the origin)
  // and moves the particles for the frame at tick `now`; deactivates the emitter when
  // nothing was alive.
  void Prepare(uint32_t now, float sx, float sy, float tint_alpha);
  // Particles alive now.
  int LiveCount() const;

  int reserved0;
  float origin_x, origin_y;
  int spawn_left, spawn_top, spawn_right, spawn_bottom;
  int velocity_spread;
  int size_min, size_max;
  int decay_min, decay_max;  // in 1/10000 of life per frame
  int count;
  int spawn_per_frame;
  int lifetime;
  uint32_t start_time;
  int spawn_interval;
  uint32_t last_spawn;
  int active;
  int reserved1;
  int fade;
  int grow;
  int random_rotation;
  float speed_divisor;
  float base_velocity_x, base_velocity_y;
  float gravity_x, gravity_y, gravity_z;
  float end_r, end_g, end_b;
  float constant_alpha;
  GLTexture* texture;
  Particle particles[kMaxParticles];

  // Prepared each frame for the single draw call.
  int has_spawned;
  int spawned_last_frame;
  int vertex_count;
  float vertices[kMaxParticles * kVerticesPerParticle * 2];
  float texcoords[kMaxParticles * kVerticesPerParticle * 2];
  float colours[kMaxParticles * kVerticesPerParticle * 4];

 private:
  void Spawn(Particle& p);
  // Appends the particle's rotated square to the vertex arrays.
  void Emit(const Particle& p, float sx, float sy, const float uv[4], float tint_alpha);
};
