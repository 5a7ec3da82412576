#include "media/GameSharedImage.h"

#include <algorithm>
#include <cstdio>

#include "framework/Log.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"

namespace {

struct SlotInfo {
  const char* name;
  int columns, rows;
  int width, height;  // display size of the whole sheet
  int anim_ms;        // frame interval, 0 for none
};

// Load order; the index is the slot.
const SlotInfo kSlots[] = {
#include "media/GameSharedImageSlots.inc"
};
static_assert(sizeof(kSlots) / sizeof(kSlots[0]) == GameSharedImage::kSlotCount);

// The loading screen's clouds: centre and scale.
struct CloudPlace {
  float x, y, scale;
};
constexpr CloudPlace kClouds[4] = {{640.0f, 153.6f, 1.0f}, {640.0f, 450.0f, 1.0f}, {710.0f, 157.0f, 1.2f},
                                   {640.0f, 617.5f, 1.0f}};

constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};

}  // namespace

GameSharedImage::GameSharedImage() {
  for (GLTexture*& t : m_images) t = new GLTexture();
  std::snprintf(m_version_text, sizeof(m_version_text), "Ver %d.%d.%d build %d", 3, 3, 0, 126);
}

GameSharedImage::~GameSharedImage() {
  for (GLTexture*& t : m_images) ZBSafeRelease(t);
}

const char* GameSharedImage::SlotName(int slot) {
  return slot >= 0 && slot < kSlotCount ? kSlots[slot].name : nullptr;
}

int GameSharedImage::LoadRange(int first, int end) {
  char path[300];
  for (int i = first; i < end; ++i) {
    const SlotInfo& s = kSlots[i];
    std::snprintf(path, sizeof(path), "./raw/%s", s.name);
    // The resource package handle of the game logic is never set: files only.
    if (!m_images[i]->Create(path, nullptr, s.columns, s.rows)) {
      Log(LOG_FATAL, "[ERROR]: GameSharedImage::LoadImages| %s", path);
      return 0;
    }
    m_images[i]->SetSize(static_cast<float>(s.width), static_cast<float>(s.height));
    if (s.anim_ms > 0) m_images[i]->StartAnimation(s.anim_ms);
  }
  return 1;
}

int GameSharedImage::LoadLoadingImages() { return LoadRange(0, kLoadingSlots); }

int GameSharedImage::LoadImages() { return LoadRange(kLoadingSlots, kSlotCount); }

void GameSharedImage::DrawLoadingScreen() {
  m_images[kLoadingBg]->Draw(0, 0.0f, 0.0f, 0);
  for (int i = 0; i < 4; ++i) {
    GLTexture* cloud = m_images[kCloud1 + i];
    const CloudPlace& c = kClouds[i];
    if (c.scale != 1.0f) cloud->SetScale(c.scale, c.scale);
    cloud->Draw(0, c.x, c.y, 1);
    if (c.scale != 1.0f) cloud->SetScale(1.0f, 1.0f);
  }
  GLSurface* surface = GLSurface::InstanceIfAny();
  GLFont* font = surface ? surface->Font(0) : nullptr;
  if (font) {
    font->SetFaceSize(11);
    font->DrawTextAt(1267.0f, 696.0f, m_version_text, GLFont::kAlignRight | GLFont::kAlignVCentre, kWhite);
  }
}

void GameSharedImage::DrawDim(float progress, bool reverse) {
  GLTexture* gray = m_images[kBgGray];
  float alpha = std::clamp(progress, 0.01f, 1.0f);
  if (reverse) alpha = 1.0f - alpha;
  float saved[4];
  std::copy(gray->m_color, gray->m_color + 4, saved);
  const float w = gray->m_display_width, h = gray->m_display_height;
  gray->SetSize(1280.0f, 720.0f);
  gray->SetColor(saved[0], saved[1], saved[2], alpha);
  gray->Draw(0, 0.0f, 0.0f, 0);
  gray->SetColor(saved[0], saved[1], saved[2], saved[3]);
  gray->SetSize(w, h);
}
