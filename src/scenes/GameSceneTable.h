#pragma once
// The fixed table of the 23 scenes: class name (also the prefix of each scene's log
// lines), whether the scene covers the whole 1280 x 720 surface, and the popup area
// outside which a release closes a popup (inclusive bounds). The id is the row.
#include "app/VXSceneIds.h"

struct GameSceneInfo {
  const char* class_name;
  int opaque;
  int has_popup_area;
  int left, top, right, bottom;

  bool InPopupArea(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

inline bool IsSceneId(int id) { return id >= 0 && id < kSceneCount; }

// The row of scene `id`, null outside 0 to 22.
const GameSceneInfo* SceneInfo(int id);
