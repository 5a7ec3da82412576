#pragma once
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"

class GLTexture;

// The sprite sheets every screen shares, loaded once at start-up, plus the loading
// screen and the full-screen dimming layer drawn from them.
class GameSharedImage : public ZBObject, public ZBSingleton<GameSharedImage> {
 public:
  // One slot per name of the load list (see the table in the .cpp).
  static constexpr int kSlotCount = 137;
  enum Slot : int {
    kLoadingBg = 0,
    kLoadingBgText = 1,
    kSplash01 = 2,
    kSplash02 = 3,
    kBgGray = 4,
    kBgGray2 = 5,
    kLoadingAni = 6,
    kCloud1 = 7,  // to kCloud1 + 3
    kLogoBig = 11,
    kNumberB = 70,
    kNumberS = 71,
    kAvatar = 83,
    kAvatarNull = 84,
    kUserFrame = 85,
  };
  // Slots 0 .. kLoadingSlots-1 are what the loading screen needs.
  static constexpr int kLoadingSlots = 11;

  GameSharedImage();
  ~GameSharedImage() override;

  // Loads the loading-screen slots, then every other slot; 0 at the first failure.
  int LoadLoadingImages();
  int LoadImages();

  void DrawLoadingScreen();
  // Darkens the screen: alpha `progress` clamped to 0.01..1, inverted when `reverse`.
  void DrawDim(float progress, bool reverse);

  GLTexture* Image(int slot) const { return slot >= 0 && slot < kSlotCount ? m_images[slot] : nullptr; }
  // The file name of a slot under "./raw/".
  static const char* SlotName(int slot);

 private:
  int LoadRange(int first, int end);

  GLTexture* m_images[kSlotCount] = {};
  char m_version_text[64] = {};
};
