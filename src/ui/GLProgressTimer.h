#pragma once
#include "framework/ZBObject.h"

class GLTexture;

// A radial wipe over a texture (the turn timer at the table): shows the fraction
// percentage / 100 of the picture as a sector starting at the top centre, growing
// clockwise (type 1) or counter-clockwise (type 0). Drawn as one triangle fan.
class GLProgressTimer : public ZBObject {
 public:
  static constexpr int kMaxVertices = 10;

  GLProgressTimer() = default;

  // Clamps p to 0..100 and rebuilds the fan; ignored without a texture.
  void SetPercentage(float p);
  // Draws the fan w x h logical units large, centred on (x, y).
  void Draw(float x, float y, float width, float height);

  int VertexCount() const { return m_vertex_count; }
  // Vertex i: x, y (window units at the texture's frame size), u, v.
  const float* Vertex(int i) const { return m_vertices[i]; }

  GLTexture* m_texture = nullptr;
  int m_type = 1;
  float m_percentage = 0.0f;
  int m_vertex_count = 0;
  float m_vertices[kMaxVertices][4] = {};
};
