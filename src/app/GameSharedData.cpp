#include "app/GameSharedData.h"

GameSharedData::GameSharedData() { ResetDefaults(); }

int GameSharedData::Load() {
  ResetDefaults();
  return 1;
}

void GameSharedData::ResetDefaults() {
  m_service_server.Clear();
  m_master_server.Clear();
  m_master_server.SetHost("127.0.0.1");
  m_master_server.SetPort(10088);
  std::memset(m_user_info, 0, sizeof(m_user_info));
  int32_t v = 126;
  std::memcpy(m_user_info + 128, &v, 4);
}
