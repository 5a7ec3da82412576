// Feeds arbitrary bytes to the client socket's receive framing: the bytes arrive in
// chunks whose size the input chooses, are framed into packets, deciphered with the
// key the input chooses and dispatched. Every dispatched packet must be one the parser
// accepts, fully read back within its own length.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "framework/Log.h"
#include "net/Packet.h"
#include "net/ZBClientSocket.h"

namespace {

class FramingProbe : public ZBClientSocket {
 public:
  int Feed(const uint8_t* data, size_t n) { return AppendReceived(data, n); }
  void Pump() { DispatchPackets(kMaxPacketsPerPump); }
  int OnAppPacket(Packet* p) override {
    Check(p);
    return 1;
  }
  int OnSystemPacket(Packet* p) override {
    Check(p);
    return ZBClientSocket::OnSystemPacket(p);
  }
  size_t dispatched = 0;

 private:
  void Check(Packet* p) {
    ++dispatched;
    if (!p->IsValid() || p->enciphered == 1 || p->length <= kPacketHeaderSize) __builtin_trap();
    // Read every payload byte back through the codecs; nothing may read past the end.
    int32_t v;
    while (p->ReadInt32(&v)) {
    }
    uint8_t tail[4];
    size_t rest = p->Remaining();
    if (rest >= 4) __builtin_trap();
    if (rest > 0 && !p->ReadBytes(tail, rest)) __builtin_trap();
    int64_t w;
    if (p->ReadInt64(&w)) __builtin_trap();
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  LogConfig c;
  c.level_mask = 0;  // quiet: the corrupt-stream lines would flood the output
  c.sinks = 0;
  LogConfigure(c);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static FramingProbe* probe = [] {
    auto* s = new FramingProbe();
    return s;
  }();
  probe->Initialize();
  if (data[0] & 0x80) probe->SetKey(kSessionKey);
  size_t chunk = (data[0] & 0x7F) + 1u;
  if (data[1] & 1) chunk *= 97;  // some large reads too, to reach compaction
  data += 2;
  size_t size_left = size - 2;
  while (size_left > 0) {
    size_t n = size_left < chunk ? size_left : chunk;
    probe->Feed(data, n);
    data += n;
    size_left -= n;
    probe->Pump();
  }
  // Drain what is buffered, five at a time, as repeated pumps would.
  for (int i = 0; i < 64 && probe->BufferedBytes() >= kPacketHeaderSize; ++i) probe->Pump();
  return 0;
}
