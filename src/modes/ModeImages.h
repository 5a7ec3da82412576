#pragma once
#include <cstring>

#include "media/GameSharedImage.h"

class GLTexture;

// The picture of the shared image set whose file is `name` (under the art folder);
// null before the shared images exist or for a name the set does not hold.
inline GLTexture* SharedImageByName(const char* name) {
  GameSharedImage* images = GameSharedImage::InstanceIfAny();
  if (!images || !name) return nullptr;
  for (int i = 0; i < GameSharedImage::kSlotCount; ++i) {
    const char* n = GameSharedImage::SlotName(i);
    if (n && std::strcmp(n, name) == 0) return images->Image(i);
  }
  return nullptr;
}
