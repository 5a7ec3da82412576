#pragma once
// The shared pictures of the asset kit loaded for a render suite: the kit's folder, the
// font of slot 0 and every shared image, on the offscreen GL context.
#include <string>

#include "gfx/GLSurface.h"
#include "media/GameSharedImage.h"
#include "render/TexRenderEnv.h"

namespace texrender {

struct SharedImageKit {
  std::string folder;  // empty: no context or no kit in this build folder
  bool loaded = false;

  void Load() {
    if (!EnsureContext()) return;
    folder = KitFolder();
    if (folder.empty()) return;
    InFolder(folder, [this] {
      GLSurface::Instance()->Initialize(0, nullptr);
      loaded = GameSharedImage::Instance()->LoadLoadingImages() && GameSharedImage::Instance()->LoadImages();
    });
  }
};

}  // namespace texrender
