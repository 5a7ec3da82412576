#include "net/messages/VXGlobalMessages.h"

#include "framework/StringUtil.h"

std::string VXType_gift::SenderName() const {
  return ReadFixedText(reinterpret_cast<const char*>(raw + kSenderName), kNameSize);
}

int VXMsg_tournament_notice::Write(Packet& p) const {
  return p.WriteBytes(record.raw, record.kSize) && p.WriteInt32(lowest_valid_id);
}

int VXMsg_tournament_notice::Read(Packet& p) {
  return p.ReadBytes(record.raw, record.kSize) && p.ReadInt32(&lowest_valid_id);
}

int VXMsg_tournament_out::Write(Packet& p) const {
  return p.WriteBytes(head.raw, head.kSize) && p.WriteBytes(result.raw, result.kSize) &&
         p.WriteBytes(user_info, sizeof(user_info));
}

int VXMsg_tournament_out::Read(Packet& p) {
  return p.ReadBytes(head.raw, head.kSize) && p.ReadBytes(result.raw, result.kSize) &&
         p.ReadBytes(user_info, sizeof(user_info));
}

int VXMsg_bonus::Write(Packet& p) const {
  return p.WriteBytes(head.raw, head.kSize) && p.WriteBytes(user_info, sizeof(user_info));
}

int VXMsg_bonus::Read(Packet& p) {
  return p.ReadBytes(head.raw, head.kSize) && p.ReadBytes(user_info, sizeof(user_info));
}
