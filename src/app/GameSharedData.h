#pragma once
#include <cstdint>
#include <cstring>

#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "net/ServerInfo.h"

// Everything the modes and scenes share about the signed-in player and the client.
class GameSharedData : public ZBObject, public ZBSingleton<GameSharedData> {
 public:
  GameSharedData();

  // Defaults, then the stored settings.
  int Load();
  // Back to the defaults (logout).
  void ResetDefaults();

  // Account block accessors (the 516-byte user record).
  const char* AccountId() const { return reinterpret_cast<const char*>(m_user_info); }
  int32_t UserNumber() const {
    int32_t v;
    std::memcpy(&v, m_user_info + 96, 4);
    return v;
  }

  ServerInfo m_service_server;
  ServerInfo m_master_server;
  uint8_t m_user_info[516] = {};
  int32_t m_sound_bg_on = 1;
  int32_t m_sound_on = 1;
};
