#include "net/messages/VXLoginMessages.h"

int VXMsg_hello_request::Write(Packet& p) const {
  return p.WriteInt32(marker) && p.WriteInt32(zero) && p.WriteInt32(shared_value1) &&
         p.WriteInt32(shared_value2) && p.WriteInt32(version);
}

int VXMsg_hello_request::Read(Packet& p) {
  return p.ReadInt32(&marker) && p.ReadInt32(&zero) && p.ReadInt32(&shared_value1) &&
         p.ReadInt32(&shared_value2) && p.ReadInt32(&version);
}

int VXMsg_hello_reply::Write(Packet& p) const {
  return p.WriteInt32(major) && p.WriteInt32(minor) && p.WriteInt32(patch) &&
         p.WriteBytes(patch_url, sizeof(patch_url));
}

int VXMsg_hello_reply::Read(Packet& p) {
  const int ok = p.ReadInt32(&major) && p.ReadInt32(&minor) && p.ReadInt32(&patch) &&
                 p.ReadBytes(patch_url, sizeof(patch_url));
  patch_url[sizeof(patch_url) - 1] = 0;  // always a terminated text
  return ok;
}

int VXMsg_account_refresh::Write(Packet& p) const { return p.WriteInt32(zero); }
int VXMsg_account_refresh::Read(Packet& p) { return p.ReadInt32(&zero); }

int VXMsg_login_request::Write(Packet& p) const {
  return p.WriteInt32(marker) && p.WriteInt32(zero) && p.WriteBytes(user_id, sizeof(user_id)) &&
         p.WriteBytes(token, sizeof(token)) && p.WriteBytes(account_head, sizeof(account_head));
}

int VXMsg_login_request::Read(Packet& p) {
  const int ok = p.ReadInt32(&marker) && p.ReadInt32(&zero) && p.ReadBytes(user_id, sizeof(user_id)) &&
                 p.ReadBytes(token, sizeof(token)) && p.ReadBytes(account_head, sizeof(account_head));
  return ok;
}
