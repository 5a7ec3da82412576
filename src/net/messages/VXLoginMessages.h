#pragma once
#include <cstdint>

#include "net/Packet.h"
#include "net/messages/VXProtocolTable.h"

// 134, client to server: the version greeting sent after connecting.
struct VXMsg_hello_request {
  static constexpr uint16_t kId = VX_PROTOCOL_HELLO;
  int32_t marker = kLoginMarker;
  int32_t zero = 0;
  int32_t shared_value1 = 0;  // two values held in the shared data
  int32_t shared_value2 = 0;
  int32_t version = kClientProtocolVersion;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 134, server to client: the server's version and where to fetch an update.
struct VXMsg_hello_reply {
  static constexpr uint16_t kId = VX_PROTOCOL_HELLO;
  int32_t major = -1;
  int32_t minor = -1;
  int32_t patch = -1;
  char patch_url[255] = {};
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 143, client to server: asks for a fresh account block on the way back to the lobby.
struct VXMsg_account_refresh {
  static constexpr uint16_t kId = VX_PROTOCOL_ACCOUNT_REFRESH;
  int32_t zero = 0;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 145, client to server: the login.
struct VXMsg_login_request {
  static constexpr uint16_t kId = VX_PROTOCOL_LOGIN;
  static constexpr size_t kUserIdSize = 60;
  static constexpr size_t kTokenSize = 64;
  static constexpr size_t kAccountHeadSize = 184;
  int32_t marker = kLoginMarker;
  int32_t zero = 0;
  uint8_t user_id[kUserIdSize] = {};  // scrambled; all zero for a device login
  char token[kTokenSize] = {};
  uint8_t account_head[kAccountHeadSize] = {};  // first 184 bytes of the own account block
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};
